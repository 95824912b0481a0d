#pragma once

// Internal to the orientation field: its element loops on eight AVX2 lanes
// (OrientationFieldAvx2.cpp, built with AVX2, reached only when the kernel
// switch allows it). Each handles whole groups of eight from `from` on and
// returns where it stopped; the plain loop does the rest. Every lane computes
// the plain loop's operations in the same order.

#include <cstddef>

namespace Nuvra {
namespace Effect {
namespace OrientationAvx2 {

// dst[x] = smooth[0] src[x] + sum_j smooth[j] (src[x + j] + src[x - j]), j = 1..r;
// src[x - r] .. src[x + r] must lie inside the row.
int smoothSpan(const float* src, float* dst, int from, int to, const float* smooth, int r);
// dst[x] = sum_j derive[j] (src[x - j] - src[x + j]), from 0.
int deriveSpan(const float* src, float* dst, int from, int to, const float* derive, int r);
// out[x] = t * c[x].
int scaleSpan(const float* c, float* out, float t, int count);
// out[x] += t * (a[x] + b[x]), or t * (a[x] - b[x]) with subtract.
int accumulateSpan(const float* a, const float* b, float* out, float t, bool subtract, int count);
// The tensor products of the gradients.
std::size_t tensorSpan(const float* gx, const float* gy, float* jxx, float* jxy, float* jyy, std::size_t count);
// edgeDirection of every element.
std::size_t edgeSpan(const float* jxx, const float* jxy, const float* jyy, float* vx, float* vy, std::size_t count);

} // namespace OrientationAvx2
} // namespace Effect
} // namespace Nuvra
