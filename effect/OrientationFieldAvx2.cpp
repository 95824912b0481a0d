// Built with AVX2 enabled; reached only after the kernel switch was asked.

#include "effect/OrientationFieldAvx2.h"

#include <immintrin.h>

namespace Nuvra {
namespace Effect {
namespace OrientationAvx2 {

int smoothSpan(const float* src, float* dst, int from, int to, const float* smooth, int r)
{
    int x = from;
    for (; x + 8 <= to; x += 8) {
        __m256 s = _mm256_mul_ps(_mm256_set1_ps(smooth[0]), _mm256_loadu_ps(src + x));
        for (int j = 1; j <= r; ++j)
            s = _mm256_add_ps(s, _mm256_mul_ps(_mm256_set1_ps(smooth[j]),
                                               _mm256_add_ps(_mm256_loadu_ps(src + x + j), _mm256_loadu_ps(src + x - j))));
        _mm256_storeu_ps(dst + x, s);
    }
    return x;
}

int deriveSpan(const float* src, float* dst, int from, int to, const float* derive, int r)
{
    int x = from;
    for (; x + 8 <= to; x += 8) {
        __m256 s = _mm256_setzero_ps();
        for (int j = 1; j <= r; ++j)
            s = _mm256_add_ps(s, _mm256_mul_ps(_mm256_set1_ps(derive[j]),
                                               _mm256_sub_ps(_mm256_loadu_ps(src + x - j), _mm256_loadu_ps(src + x + j))));
        _mm256_storeu_ps(dst + x, s);
    }
    return x;
}

int scaleSpan(const float* c, float* out, float t, int count)
{
    const __m256 vt = _mm256_set1_ps(t);
    int x = 0;
    for (; x + 8 <= count; x += 8)
        _mm256_storeu_ps(out + x, _mm256_mul_ps(vt, _mm256_loadu_ps(c + x)));
    return x;
}

int accumulateSpan(const float* a, const float* b, float* out, float t, bool subtract, int count)
{
    const __m256 vt = _mm256_set1_ps(t);
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m256 va = _mm256_loadu_ps(a + x), vb = _mm256_loadu_ps(b + x);
        const __m256 pair = subtract ? _mm256_sub_ps(va, vb) : _mm256_add_ps(va, vb);
        _mm256_storeu_ps(out + x, _mm256_add_ps(_mm256_loadu_ps(out + x), _mm256_mul_ps(vt, pair)));
    }
    return x;
}

std::size_t tensorSpan(const float* gx, const float* gy, float* jxx, float* jxy, float* jyy, std::size_t count)
{
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256 x = _mm256_loadu_ps(gx + i), y = _mm256_loadu_ps(gy + i);
        _mm256_storeu_ps(jxx + i, _mm256_mul_ps(x, x));
        _mm256_storeu_ps(jxy + i, _mm256_mul_ps(x, y));
        _mm256_storeu_ps(jyy + i, _mm256_mul_ps(y, y));
    }
    return i;
}

std::size_t edgeSpan(const float* jxx, const float* jxy, const float* jyy, float* vx, float* vy, std::size_t count)
{
    const __m256 half = _mm256_set1_ps(0.5f);
    const __m256 four = _mm256_set1_ps(4.0f);
    const __m256 least = _mm256_set1_ps(0.000099999997f);
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256 a = _mm256_loadu_ps(jxx + i), b = _mm256_loadu_ps(jxy + i), c = _mm256_loadu_ps(jyy + i);
        const __m256 amc = _mm256_sub_ps(a, c);
        const __m256 root =
            _mm256_sqrt_ps(_mm256_add_ps(_mm256_mul_ps(amc, amc), _mm256_mul_ps(_mm256_mul_ps(four, b), b)));
        const __m256 lambda = _mm256_mul_ps(_mm256_sub_ps(_mm256_add_ps(a, c), root), half);
        // Lanes with a >= c take (b, lambda - a), the others (lambda - c, b).
        const __m256 rowA = _mm256_cmp_ps(a, c, _CMP_GE_OQ);
        __m256 x = _mm256_blendv_ps(_mm256_sub_ps(lambda, c), b, rowA);
        __m256 y = _mm256_blendv_ps(b, _mm256_sub_ps(lambda, a), rowA);
        const __m256 len = _mm256_sqrt_ps(_mm256_add_ps(_mm256_mul_ps(x, x), _mm256_mul_ps(y, y)));
        const __m256 unit = _mm256_cmp_ps(len, least, _CMP_GT_OQ);
        x = _mm256_blendv_ps(x, _mm256_div_ps(x, len), unit);
        y = _mm256_blendv_ps(y, _mm256_div_ps(y, len), unit);
        _mm256_storeu_ps(vx + i, x);
        _mm256_storeu_ps(vy + i, y);
    }
    return i;
}

} // namespace OrientationAvx2
} // namespace Effect
} // namespace Nuvra
