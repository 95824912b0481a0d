#pragma once

// Internal to the line integral: the per-pixel record of the vector paths
// and the entry points of the AVX2 lanes (LineIntegralAvx2.cpp, built with
// AVX2 and reached only when the kernel switch allows it).

#include <cstddef>

namespace Nuvra {
namespace Effect {
namespace LineIntegralKernels {

// The step and the luminance of a pixel share one record, because the pixel
// a step lands on is the one whose step is read next.
struct alignas(16) Cell {
    float sx;
    float sy;
    float lum;
    float pad;
};

namespace Avx2 {

// Steps of row y from column 0 on, eight at a time; returns the number of
// columns done (a multiple of eight). The rest is left to the caller.
int stepRow(int w, int h, const float* vx, const float* vy, int y, Cell* cells);

// Traces of the pixels bx..xEnd-1 of row y; the results go to out.
void traceRun(const Cell* cells, int w, int h, int n, const float* wt, float* out, int y, int bx, int xEnd);

} // namespace Avx2
} // namespace LineIntegralKernels
} // namespace Effect
} // namespace Nuvra
