#pragma once

#include "pixelstore/Geometry.h"

#include <vector>

namespace Nuvra {

using Transform = tAffineTransform<double>;

// Affine within 1e-6 in the last column; such transforms skip the division.
bool isNearlyAffine(const Transform& t) noexcept;
// Maps (x, y), dividing by w unless t is nearly affine.
void mapPoint(const Transform& t, double x, double y, double& X, double& Y) noexcept;
// The inverse from cofactors and determinant; false (and inv untouched) for
// a singular or non-finite matrix.
bool invertTransform(const Transform& t, Transform& inv) noexcept;

// Bounding box of the part of r1 whose images under B fall inside r2, mapped
// through A: the corners of B(r2) inside r1, the corners of r1 inside B(r2)
// and the crossings of their edges. False (out empty) when fewer than three
// points are found.
bool TransformProjectedAABB(const Transform& A, const Transform& B, const RectD& r1, const RectD& r2, RectD& out);

} // namespace Nuvra

// Lengths of the images of the unit steps along x and y.
void transformUnitScales(const Nuvra::Transform& t, double& sx, double& sy);

// Box-averages a packed width x height buffer in place by (fx, fy); the
// ceil(width / fx) x ceil(height / fy) result is stored packed at its start.
void boxReduceBuffer(int fx, int fy, int width, int height, float* buffer, std::vector<float>& scratch);

// The integer source rectangle that dstArea needs (M maps destination to
// source). Empty when no finite source position comes out.
Nuvra::Rect warpSourceBounds(const Nuvra::Rect& dstArea, const Nuvra::Rect& srcRect, const Nuvra::Transform& M,
                             const Nuvra::Transform& Minv);
