#include "effect/LuminanceStages.h"

#include "effect/GaussBlur.h"
#include "effect/OrientationFieldAvx2.h"
#include "effect/ScratchArena.h"
#include "effect/StageSteps.h"
#include "pixelstore/CpuFeatures.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace Nuvra {
namespace Effect {

namespace {

constexpr int kMaxTaps = 12;

// A Gaussian of 2 sigma^2 = 1.445 averaged over three points of the pixel
// (smoothing) and its derivative, cut where the smoothing tap drops below 1e-5.
struct DerivativeKernels {
    float smooth[kMaxTaps + 1];
    float derive[kMaxTaps + 1];
    int taps = 0;
};

DerivativeKernels derivativeKernels()
{
    DerivativeKernels k;
    int i = 0;
    for (; i <= kMaxTaps; ++i) {
        const float fi = float(i);
        const float a = (fi - 0.5f) * (fi - 0.5f);
        const float b = fi * fi;
        const float c = (fi + 0.5f) * (fi + 0.5f);
        k.smooth[i] = (std::exp(-a / 1.445f) + std::exp(-b / 1.445f) + std::exp(-c / 1.445f)) / 3.0f;
        k.derive[i] = -fi * std::exp(-b / 1.445f) / 0.7225f;
        if (k.smooth[i] < 0.0000099999997f)
            break;
    }
    k.taps = std::min(i, kMaxTaps);
    return k;
}

// dst(x) = K[0] src(x) + sum_j K[j] (src(x + j) + src(x - j)) along one row,
// edge samples repeated.
void smoothRow(const float* src, float* dst, int w, const DerivativeKernels& k, bool wide)
{
    const int r = k.taps - 1;
    auto at = [&](int x) { return src[std::min(std::max(x, 0), w - 1)]; };
    auto clamped = [&](int x) {
        float s = k.smooth[0] * src[x];
        for (int j = 1; j <= r; ++j)
            s += k.smooth[j] * (at(x + j) + at(x - j));
        return s;
    };
    const int lo = std::min(r, w);
    const int hi = std::max(lo, w - r);
    for (int x = 0; x < lo; ++x)
        dst[x] = clamped(x);
    const int from = wide ? OrientationAvx2::smoothSpan(src, dst, lo, hi, k.smooth, r) : lo;
    for (int x = from; x < hi; ++x) {
        float s = k.smooth[0] * src[x];
        for (int j = 1; j <= r; ++j)
            s += k.smooth[j] * (src[x + j] + src[x - j]);
        dst[x] = s;
    }
    for (int x = hi; x < w; ++x)
        dst[x] = clamped(x);
}

// dst(x) = sum_j K'[j] (src(x - j) - src(x + j)) along one row.
void deriveRow(const float* src, float* dst, int w, const DerivativeKernels& k, bool wide)
{
    const int r = k.taps - 1;
    auto at = [&](int x) { return src[std::min(std::max(x, 0), w - 1)]; };
    auto clamped = [&](int x) {
        float s = 0.0f;
        for (int j = 1; j <= r; ++j)
            s += k.derive[j] * (at(x - j) - at(x + j));
        return s;
    };
    const int lo = std::min(r, w);
    const int hi = std::max(lo, w - r);
    for (int x = 0; x < lo; ++x)
        dst[x] = clamped(x);
    const int from = wide ? OrientationAvx2::deriveSpan(src, dst, lo, hi, k.derive, r) : lo;
    for (int x = from; x < hi; ++x) {
        float s = 0.0f;
        for (int j = 1; j <= r; ++j)
            s += k.derive[j] * (src[x - j] - src[x + j]);
        dst[x] = s;
    }
    for (int x = hi; x < w; ++x)
        dst[x] = clamped(x);
}

// The same two filters across rows, a whole row at a time so the inner loop
// runs along contiguous memory.
void smoothColumns(const float* src, float* dst, int w, int h, const DerivativeKernels& k, bool wide)
{
    const int r = k.taps - 1;
    for (int y = 0; y < h; ++y) {
        float* out = dst + std::size_t(y) * w;
        const float* c = src + std::size_t(y) * w;
        for (int x = wide ? OrientationAvx2::scaleSpan(c, out, k.smooth[0], w) : 0; x < w; ++x)
            out[x] = k.smooth[0] * c[x];
        for (int j = 1; j <= r; ++j) {
            const float* below = src + std::size_t(std::min(y + j, h - 1)) * w;
            const float* above = src + std::size_t(std::max(y - j, 0)) * w;
            const float t = k.smooth[j];
            for (int x = wide ? OrientationAvx2::accumulateSpan(below, above, out, t, false, w) : 0; x < w; ++x)
                out[x] += t * (below[x] + above[x]);
        }
    }
}

void deriveColumns(const float* src, float* dst, int w, int h, const DerivativeKernels& k, bool wide)
{
    const int r = k.taps - 1;
    for (int y = 0; y < h; ++y) {
        float* out = dst + std::size_t(y) * w;
        for (int x = 0; x < w; ++x)
            out[x] = 0.0f;
        for (int j = 1; j <= r; ++j) {
            const float* above = src + std::size_t(std::max(y - j, 0)) * w;
            const float* below = src + std::size_t(std::min(y + j, h - 1)) * w;
            const float t = k.derive[j];
            for (int x = wide ? OrientationAvx2::accumulateSpan(above, below, out, t, true, w) : 0; x < w; ++x)
                out[x] += t * (above[x] - below[x]);
        }
    }
}

} // namespace

void edgeDirection(float a, float b, float c, float& vx, float& vy)
{
    const float lambda = ((a + c) - std::sqrt((a - c) * (a - c) + 4.0f * b * b)) * 0.5f;
    // Either row of (J - lambda I) gives the eigenvector; the row of the larger
    // diagonal term is the one that does not vanish when b does.
    if (a >= c) {
        vx = b;
        vy = lambda - a;
    } else {
        vx = lambda - c;
        vy = b;
    }
    const float len = std::sqrt(vx * vx + vy * vy);
    if (len > 0.000099999997f) {
        vx = vx / len;
        vy = vy / len;
    }
}

bool orientationField(int w, int h, const float* lum, float sigmaG, float* vx, float* vy,
                      DataStorage::ProgressData* progress)
{
    const DerivativeKernels k = derivativeKernels();
    const bool wide = DataStorage::Simd::kernelsMay(DataStorage::Simd::Isa::Avx2);
    const std::size_t n = std::size_t(w) * std::size_t(h);
    // One block of four buffers' size, as the other stages take.
    const ScratchBuffer<float> block(4 * n);
    float* bufA = block.data();      // smoothing along x, then Jxx
    float* bufB = bufA + n;          // smoothing along y, then Jyy
    float* bufC = bufB + n;          // Jxy
    float* work = bufC + n;

    if (isCancelled(progress))
        return false;
    for (int y = 0; y < h; ++y)
        smoothRow(lum + std::size_t(y) * w, bufA + std::size_t(y) * w, w, k, wide);
    smoothColumns(lum, bufB, w, h, k, wide);
    // Gx differentiates along x what was smoothed along y, Gy the reverse;
    // the field's buffers hold the gradients until the last step.
    float* gx = vx;
    float* gy = vy;
    for (int y = 0; y < h; ++y)
        deriveRow(bufB + std::size_t(y) * w, gx + std::size_t(y) * w, w, k, wide);
    deriveColumns(bufA, gy, w, h, k, wide);
    advanceSteps(progress, 2);

    if (isCancelled(progress))
        return false;
    float* jxx = bufA;
    float* jyy = bufB;
    float* jxy = bufC;
    for (std::size_t i = wide ? OrientationAvx2::tensorSpan(gx, gy, jxx, jxy, jyy, n) : 0; i < n; ++i) {
        jxx[i] = gx[i] * gx[i];
        jxy[i] = gx[i] * gy[i];
        jyy[i] = gy[i] * gy[i];
    }
    advanceSteps(progress);

    for (float* j : {jxx, jxy, jyy}) {
        if (isCancelled(progress))
            return false;
        gaussBlurChannel(w, h, j, w, j, w, sigmaG, work, nullptr);
        advanceSteps(progress, 2);
    }

    if (isCancelled(progress))
        return false;
    for (std::size_t i = wide ? OrientationAvx2::edgeSpan(jxx, jxy, jyy, vx, vy, n) : 0; i < n; ++i)
        edgeDirection(jxx[i], jxy[i], jyy[i], vx[i], vy[i]);
    advanceSteps(progress);
    return true;
}

} // namespace Effect
} // namespace Nuvra
