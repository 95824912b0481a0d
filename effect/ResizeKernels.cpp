#include "effect/ResizeKernels.h"

#include "pixelstore/CpuFeatures.h"

#include <xmmintrin.h>

#include <algorithm>
#include <cmath>

namespace Nuvra {
namespace DataStorage {
namespace ns_Resize {

float keysCubic(float d)
{
    if (d < 1.0f)
        return -2.25f * d * d + 1.25f * d * d * d + 1.0f;
    if (d < 2.0f)
        return -6.0f * d + (3.75f * d * d - 0.75f * d * d * d) + 3.0f;
    return 0.0f;
}

void cubicWeights(std::vector<CubicWeight>& records, int inSize, int outSize)
{
    records.resize(size_t(std::max(outSize, 0)));
    if (inSize <= 0 || outSize <= 0)
        return;
    for (int o = 0; o < outSize; ++o) {
        float s = (float(o) + 0.5f) * float(inSize) / float(outSize) - 0.5f;
        if (s < 0.0f)
            s = 0.0f;
        CubicWeight& r = records[size_t(o)];
        r.i0 = int(s);
        const float f = s - float(r.i0);
        r.w[0] = keysCubic(std::fabs(f + 2.0f));
        r.w[1] = keysCubic(std::fabs(f + 1.0f));
        r.w[2] = keysCubic(std::fabs(f));
        r.w[3] = keysCubic(std::fabs(f - 1.0f));
        r.w[4] = keysCubic(std::fabs(f - 2.0f));
        r.nearEdge = r.i0 <= 1 || r.i0 >= inSize - 2;
    }
}

AreaTable areaTable(int inSize, int outSize)
{
    AreaTable t;
    if (inSize <= 0 || outSize <= 0)
        return t;
    t.k = float(outSize) / float(inSize);
    t.first.resize(size_t(inSize));
    t.fraction.resize(size_t(inSize));
    for (int i = 0; i < inSize; ++i) {
        const float p = float(i) * t.k;
        const int x = int(p);
        t.first[size_t(i)] = x;
        t.fraction[size_t(i)] = std::min(1.0f, (float(x) + 1.0f - p) / t.k);
    }
    return t;
}

void cubicVerticalRow(const float* const rows[5], const float w[5], float* out, int width)
{
    const __m128 w0 = _mm_set1_ps(w[0]), w1 = _mm_set1_ps(w[1]), w2 = _mm_set1_ps(w[2]), w3 = _mm_set1_ps(w[3]),
                 w4 = _mm_set1_ps(w[4]);
    int x = 0;
    const int vectorEnd = Simd::kernelsMay(Simd::Isa::Sse2) ? width : 0;
    for (; x + 4 <= vectorEnd; x += 4) {
        __m128 s = _mm_add_ps(_mm_setzero_ps(), _mm_mul_ps(w0, _mm_loadu_ps(rows[0] + x)));
        s = _mm_add_ps(s, _mm_mul_ps(w1, _mm_loadu_ps(rows[1] + x)));
        s = _mm_add_ps(s, _mm_mul_ps(w2, _mm_loadu_ps(rows[2] + x)));
        s = _mm_add_ps(s, _mm_mul_ps(w3, _mm_loadu_ps(rows[3] + x)));
        s = _mm_add_ps(s, _mm_mul_ps(w4, _mm_loadu_ps(rows[4] + x)));
        _mm_storeu_ps(out + x, s);
    }
    for (; x < width; ++x) {
        float s = 0.0f;
        for (int k = 0; k < 5; ++k)
            s += w[k] * rows[k][x];
        out[x] = s;
    }
}

void cubicHorizontalRow(const float* in, int inWidth, const CubicWeight* records, float* out, int outWidth,
                        bool clamp)
{
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
    const bool vector = Simd::kernelsMay(Simd::Isa::Sse2);
    int o = 0;
    while (o < outWidth) {
        // Four interior records at once: each multiplies the four inputs its
        // nonzero taps reach; the transpose lines the products up by tap so
        // the sums add in tap order. The first tap's weight is always 0 and
        // adds nothing to the sum that starts from 0.
        if (vector && o + 4 <= outWidth && !records[o].nearEdge && !records[o + 3].nearEdge && !records[o + 1].nearEdge &&
            !records[o + 2].nearEdge) {
            __m128 p0 = _mm_mul_ps(_mm_loadu_ps(records[o].w + 1), _mm_loadu_ps(in + records[o].i0 - 1));
            __m128 p1 = _mm_mul_ps(_mm_loadu_ps(records[o + 1].w + 1), _mm_loadu_ps(in + records[o + 1].i0 - 1));
            __m128 p2 = _mm_mul_ps(_mm_loadu_ps(records[o + 2].w + 1), _mm_loadu_ps(in + records[o + 2].i0 - 1));
            __m128 p3 = _mm_mul_ps(_mm_loadu_ps(records[o + 3].w + 1), _mm_loadu_ps(in + records[o + 3].i0 - 1));
            _MM_TRANSPOSE4_PS(p0, p1, p2, p3);
            __m128 sum = _mm_add_ps(_mm_add_ps(_mm_add_ps(p0, p1), p2), p3);
            if (clamp)
                sum = _mm_min_ps(one, _mm_max_ps(zero, sum));
            _mm_storeu_ps(out + o, sum);
            o += 4;
            continue;
        }
        const CubicWeight& r = records[o];
        const int base = r.i0 - 2;
        float s = 0.0f;
        if (r.nearEdge) {
            for (int k = 0; k < 5; ++k)
                s += r.w[k] * in[std::clamp(base + k, 0, inWidth - 1)];
        } else {
            for (int k = 0; k < 5; ++k)
                s += r.w[k] * in[base + k];
        }
        if (clamp)
            s = std::min(1.0f, std::max(0.0f, s));
        out[o] = s;
        ++o;
    }
}

} // namespace ns_Resize
} // namespace DataStorage
} // namespace Nuvra
