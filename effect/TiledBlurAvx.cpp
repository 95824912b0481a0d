// Built with AVX enabled; reached only after the processor was asked.
// Keep this file free of anything but the AVX form of the box pass.

#include "effect/TiledBlurKernels.h"

#include <immintrin.h>

namespace Nuvra {
namespace DataStorage {
namespace ns_cltBlur {
namespace Avx {

namespace {

inline int clampAvx(int i, int n) { return i < 0 ? 0 : (i >= n ? n - 1 : i); }

} // namespace

void TB_ProcessTile(const float* src, float* dst, float* acc, const TB_AlgData& alg, int tile, int lineLength,
                    int lines, int srcPitch, int dstPitch, bool transposed)
{
    const int begin = tile * kBandWidth;
    const int end = begin + kBandWidth < lineLength ? begin + kBandWidth : lineLength;
    const int r = alg.r;
    const __m256 a = _mm256_set1_ps(alg.a), b = _mm256_set1_ps(alg.b);
    struct Rows {
        const float *in, *out, *innerIn, *innerOut;
    };
    auto rowsAt = [&](int i) {
        auto row = [&](int k) { return src + size_t(clampAvx(k, lineLength)) * size_t(srcPitch); };
        return Rows{row(i + r), row(i - r - 1), row(i + r - 1), row(i - r)};
    };
    // The same operations in the same order as the plain pass, eight lines a time.
    auto step = [&](const Rows& p, __m256 s, int j) {
        const __m256 outer = _mm256_sub_ps(_mm256_loadu_ps(p.in + j), _mm256_loadu_ps(p.out + j));
        const __m256 inner = _mm256_sub_ps(_mm256_loadu_ps(p.innerIn + j), _mm256_loadu_ps(p.innerOut + j));
        return _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(outer, b), s), _mm256_mul_ps(inner, a));
    };
    if (!transposed) {
        const int groups = (lines + 7) / 8;
        if (groups == 8) {
            __m256 sums[8];
#pragma GCC unroll 8
            for (int g = 0; g < 8; ++g)
                sums[g] = _mm256_loadu_ps(acc + 8 * g);
            for (int i = begin; i < end; ++i) {
                const Rows p = rowsAt(i);
                float* o = dst + size_t(i) * size_t(dstPitch);
#pragma GCC unroll 8
                for (int g = 0; g < 8; ++g) {
                    sums[g] = step(p, sums[g], 8 * g);
                    _mm256_storeu_ps(o + 8 * g, sums[g]);
                }
            }
#pragma GCC unroll 8
            for (int g = 0; g < 8; ++g)
                _mm256_storeu_ps(acc + 8 * g, sums[g]);
            return;
        }
        for (int i = begin; i < end; ++i) {
            const Rows p = rowsAt(i);
            float* o = dst + size_t(i) * size_t(dstPitch);
            for (int g = 0; g < groups; ++g) {
                const __m256 s = step(p, _mm256_loadu_ps(acc + 8 * g), 8 * g);
                _mm256_storeu_ps(acc + 8 * g, s);
                _mm256_storeu_ps(o + 8 * g, s);
            }
        }
        return;
    }
    // Four positions of eight lines, stored as two transposed 4 x 4 blocks;
    // the last block may run past the line into the pitch's spare columns.
    for (int i = begin; i < end; i += 4) {
        const Rows p0 = rowsAt(i), p1 = rowsAt(i + 1), p2 = rowsAt(i + 2), p3 = rowsAt(i + 3);
        for (int j = 0; j < lines; j += 8) {
            const __m256 v0 = step(p0, _mm256_loadu_ps(acc + j), j);
            const __m256 v1 = step(p1, v0, j);
            const __m256 v2 = step(p2, v1, j);
            const __m256 v3 = step(p3, v2, j);
            _mm256_storeu_ps(acc + j, v3);
            for (int h = 0; h < 2; ++h) {
                __m128 q0 = h ? _mm256_extractf128_ps(v0, 1) : _mm256_castps256_ps128(v0);
                __m128 q1 = h ? _mm256_extractf128_ps(v1, 1) : _mm256_castps256_ps128(v1);
                __m128 q2 = h ? _mm256_extractf128_ps(v2, 1) : _mm256_castps256_ps128(v2);
                __m128 q3 = h ? _mm256_extractf128_ps(v3, 1) : _mm256_castps256_ps128(v3);
                _MM_TRANSPOSE4_PS(q0, q1, q2, q3);
                float* o = dst + size_t(j + 4 * h) * size_t(dstPitch) + size_t(i);
                _mm_storeu_ps(o, q0);
                _mm_storeu_ps(o + dstPitch, q1);
                _mm_storeu_ps(o + 2 * size_t(dstPitch), q2);
                _mm_storeu_ps(o + 3 * size_t(dstPitch), q3);
            }
        }
    }
}

} // namespace Avx
} // namespace ns_cltBlur
} // namespace DataStorage
} // namespace Nuvra
