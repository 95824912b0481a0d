#pragma once

// Internal to the Gaussian blur: one recurrence pass over interleaved lines,
// shared by the SSE2 and AVX forms.

#include "effect/GaussBlur.h"

#include <emmintrin.h>
#include <xmmintrin.h>

#include <algorithm>

#include <cstddef>

namespace Nuvra {
namespace DataStorage {
namespace ns_FastBlur {
namespace detail {

// One pass (forward or backward) of the recurrence over kLanes interleaved
// lines, G register groups of W lanes each. V wraps the vector type so the
// SSE2 and AVX forms share this body; the arithmetic order is the plain one.
template <class V>
inline void recursivePass(double* line, int M, int dir, const RecursiveGaussCoefficients& c)
{
    constexpr int K = kLanes;
    constexpr int W = V::kWidth;
    constexpr int G = K / W;
    const typename V::T B = V::set1(c.B), b1 = V::set1(c.b1), b2 = V::set1(c.b2), b3 = V::set1(c.b3);
    const typename V::T b23 = V::set1(c.b2 + c.b3), b123 = V::set1(c.b1 + c.b2 + c.b3);
    typename V::T w1[G], w2[G], w3[G];
    // Positions in walking order: p(0) is where the line starts for this pass.
    const int first = dir > 0 ? 0 : M - 1;
    auto at = [&](int n) { return line + size_t(first + dir * n) * K; };
    for (int g = 0; g < G; ++g) {
        const typename V::T x0 = V::load(at(0) + W * g);
        const typename V::T y1 = V::add(V::mul(B, V::load(at(1) + W * g)), V::mul(b123, x0));
        const typename V::T y2 = V::add(V::add(V::mul(B, V::load(at(2) + W * g)), V::mul(b1, y1)), V::mul(b23, x0));
        V::store(at(1) + W * g, y1);
        V::store(at(2) + W * g, y2);
        w3[g] = x0;
        w2[g] = y1;
        w1[g] = y2;
    }
    double* p = at(3);
    const ptrdiff_t step = ptrdiff_t(dir) * K;
    for (int n = 3; n < M; ++n, p += step) {
        for (int g = 0; g < G; ++g) {
            typename V::T y = V::add(V::mul(B, V::load(p + W * g)), V::mul(b1, w1[g]));
            y = V::add(y, V::mul(b2, w2[g]));
            y = V::add(y, V::mul(b3, w3[g]));
            V::store(p + W * g, y);
            w3[g] = w2[g];
            w2[g] = w1[g];
            w1[g] = y;
        }
    }
}

struct Sse2Vec {
    using T = __m128d;
    static constexpr int kWidth = 2;
    static T set1(double v) { return _mm_set1_pd(v); }
    static T load(const double* p) { return _mm_loadu_pd(p); }
    static void store(double* p, T v) { _mm_storeu_pd(p, v); }
    static T add(T a, T b) { return _mm_add_pd(a, b); }
    static T mul(T a, T b) { return _mm_mul_pd(a, b); }
    static T loadFloats(const float* p)
    {
        return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
    }
    static void storeFloats(float* p, T v)
    {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_castps_si128(_mm_cvtpd_ps(v)));
    }
};


// Fused forms of the whole line filter: the samples are read from float rows
// and the results written back as floats on the fly, with the same
// arithmetic, in the same order, as the interleaved-line form above.

// Lanes of one column block: kColumnLanes adjacent columns, rows inStride
// floats apart; line holds M * kColumnLanes doubles.
constexpr int kColumnLanes = 64;

template <class V>
inline void columnsFused(const float* in, size_t inStride, float* out, size_t outStride, int N, int M, double* line,
                         const RecursiveGaussCoefficients& c)
{
    using T = typename V::T;
    constexpr int L = kColumnLanes, W = V::kWidth, G = L / W;
    const T B = V::set1(c.B), b1 = V::set1(c.b1), b2 = V::set1(c.b2), b3 = V::set1(c.b3);
    const T b23 = V::set1(c.b2 + c.b3), b123 = V::set1(c.b1 + c.b2 + c.b3);
    // Past the end the line repeats its last sample.
    auto x = [&](int i, int g) { return V::loadFloats(in + size_t(std::min(i, N - 1)) * inStride + W * g); };
    auto at = [&](int i, int g) { return line + size_t(i) * L + W * g; };
    for (int g = 0; g < G; ++g) {
        const T x0 = x(0, g);
        const T y1 = V::add(V::mul(B, x(1, g)), V::mul(b123, x0));
        const T y2 = V::add(V::add(V::mul(B, x(2, g)), V::mul(b1, y1)), V::mul(b23, x0));
        V::store(at(0, g), x0);
        V::store(at(1, g), y1);
        V::store(at(2, g), y2);
    }
    for (int i = 3; i < M; ++i)
        for (int g = 0; g < G; ++g) {
            T y = V::add(V::mul(B, x(i, g)), V::mul(b1, V::load(at(i - 1, g))));
            y = V::add(y, V::mul(b2, V::load(at(i - 2, g))));
            y = V::add(y, V::mul(b3, V::load(at(i - 3, g))));
            V::store(at(i, g), y);
        }
    auto emit = [&](int i, int g, T v) {
        if (i < N)
            V::storeFloats(out + size_t(i) * outStride + W * g, v);
    };
    for (int g = 0; g < G; ++g) {
        const T e = V::load(at(M - 1, g));
        const T y1 = V::add(V::mul(B, V::load(at(M - 2, g))), V::mul(b123, e));
        const T y2 = V::add(V::add(V::mul(B, V::load(at(M - 3, g))), V::mul(b1, y1)), V::mul(b23, e));
        V::store(at(M - 2, g), y1);
        V::store(at(M - 3, g), y2);
        emit(M - 1, g, e);
        emit(M - 2, g, y1);
        emit(M - 3, g, y2);
    }
    for (int i = M - 4; i >= 0; --i)
        for (int g = 0; g < G; ++g) {
            T y = V::add(V::mul(B, V::load(at(i, g))), V::mul(b1, V::load(at(i + 1, g))));
            y = V::add(y, V::mul(b2, V::load(at(i + 2, g))));
            y = V::add(y, V::mul(b3, V::load(at(i + 3, g))));
            V::store(at(i, g), y);
            emit(i, g, y);
        }
}

// Four positions of kLanes rows into stage[q * kLanes + k] (row k, position
// i + q).
static inline void gatherFour(const float* const* rows, int i, double* stage)
{
    for (int k0 = 0; k0 < kLanes; k0 += 4) {
        __m128 r0 = _mm_loadu_ps(rows[k0] + i), r1 = _mm_loadu_ps(rows[k0 + 1] + i);
        __m128 r2 = _mm_loadu_ps(rows[k0 + 2] + i), r3 = _mm_loadu_ps(rows[k0 + 3] + i);
        _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
        const __m128 cols[4] = {r0, r1, r2, r3};
        for (int q = 0; q < 4; ++q) {
            double* d = stage + q * kLanes + k0;
            _mm_storeu_pd(d, _mm_cvtps_pd(cols[q]));
            _mm_storeu_pd(d + 2, _mm_cvtps_pd(_mm_movehl_ps(cols[q], cols[q])));
        }
    }
}

// The mirror image for the first n rows.
static inline void scatterFour(const double* stage, float* const* rows, int n, int i)
{
    for (int k0 = 0; k0 < n; k0 += 4) {
        __m128 v[4];
        for (int q = 0; q < 4; ++q) {
            const double* s = stage + q * kLanes + k0;
            v[q] = _mm_movelh_ps(_mm_cvtpd_ps(_mm_loadu_pd(s)), _mm_cvtpd_ps(_mm_loadu_pd(s + 2)));
        }
        _MM_TRANSPOSE4_PS(v[0], v[1], v[2], v[3]);
        for (int r = 0; r < 4 && k0 + r < n; ++r)
            _mm_storeu_ps(rows[k0 + r] + i, v[r]);
    }
}

// kLanes rows at a time; rows beyond the first n are read but not written.
// The history of the recurrence is read back from the line (just written,
// so close at hand), which leaves the registers to the arithmetic.
template <class V>
inline void rowsFused(const float* const* rows, float* const* outRows, int n, int N, int M, double* line,
                      const RecursiveGaussCoefficients& c)
{
    using T = typename V::T;
    constexpr int K = kLanes, W = V::kWidth, G = K / W;
    const T B = V::set1(c.B), b1 = V::set1(c.b1), b2 = V::set1(c.b2), b3 = V::set1(c.b3);
    const T b23 = V::set1(c.b2 + c.b3), b123 = V::set1(c.b1 + c.b2 + c.b3);
    alignas(32) double stage[4 * K];
    auto at = [&](int i, int g) { return line + size_t(i) * K + W * g; };
    // Four positions into the stage; past the end the last sample repeats.
    auto fetch = [&](int i0) {
        if (i0 + 4 <= N) {
            if ((i0 & 15) == 0)
                for (int k = 0; k < K; ++k)
                    _mm_prefetch(reinterpret_cast<const char*>(rows[k] + i0 + 64), _MM_HINT_T0);
            gatherFour(rows, i0, stage);
        } else {
            for (int q = 0; q < 4; ++q)
                for (int k = 0; k < K; ++k)
                    stage[q * K + k] = double(rows[k][std::min(i0 + q, N - 1)]);
        }
    };

    // Forward. The first three positions start from the steady state x[0].
    fetch(0);
    for (int g = 0; g < G; ++g) {
        const T x0 = V::load(stage + W * g);
        const T y1 = V::add(V::mul(B, V::load(stage + K + W * g)), V::mul(b123, x0));
        const T y2 = V::add(V::add(V::mul(B, V::load(stage + 2 * K + W * g)), V::mul(b1, y1)), V::mul(b23, x0));
        V::store(at(0, g), x0);
        V::store(at(1, g), y1);
        V::store(at(2, g), y2);
    }
    auto forward = [&](int i, const double* x) {
        for (int g = 0; g < G; ++g) {
            T y = V::add(V::mul(B, V::load(x + W * g)), V::mul(b1, V::load(at(i - 1, g))));
            y = V::add(y, V::mul(b2, V::load(at(i - 2, g))));
            y = V::add(y, V::mul(b3, V::load(at(i - 3, g))));
            V::store(at(i, g), y);
        }
    };
    if (M > 3)
        forward(3, stage + 3 * K);
    for (int i0 = 4; i0 < M; i0 += 4) {
        fetch(i0);
        const int count = std::min(4, M - i0);
        for (int q = 0; q < count; ++q)
            forward(i0 + q, stage + q * K);
    }

    // Backward; results below N leave through the stage, four at a time.
    auto flush = [&](int chunk) {
        if (chunk + 4 <= N) {
            scatterFour(stage, outRows, n, chunk);
        } else {
            for (int q = 0; q < 4 && chunk + q < N; ++q)
                for (int k = 0; k < n; ++k)
                    outRows[k][chunk + q] = float(stage[q * K + k]);
        }
    };
    auto keep = [&](int i, int g, T y) {
        if (i < N)
            V::store(stage + (i & 3) * K + W * g, y);
    };
    for (int g = 0; g < G; ++g) {
        const T e = V::load(at(M - 1, g));
        const T y1 = V::add(V::mul(B, V::load(at(M - 2, g))), V::mul(b123, e));
        const T y2 = V::add(V::add(V::mul(B, V::load(at(M - 3, g))), V::mul(b1, y1)), V::mul(b23, e));
        V::store(at(M - 2, g), y1);
        V::store(at(M - 3, g), y2);
        keep(M - 1, g, e);
        keep(M - 2, g, y1);
        keep(M - 3, g, y2);
    }
    for (int i = M - 1; i >= M - 3; --i)
        if (i < N && (i & 3) == 0)
            flush(i);
    for (int i = M - 4; i >= 0; --i) {
        for (int g = 0; g < G; ++g) {
            T y = V::add(V::mul(B, V::load(at(i, g))), V::mul(b1, V::load(at(i + 1, g))));
            y = V::add(y, V::mul(b2, V::load(at(i + 2, g))));
            y = V::add(y, V::mul(b3, V::load(at(i + 3, g))));
            V::store(at(i, g), y);
            keep(i, g, y);
        }
        if (i < N && (i & 3) == 0)
            flush(i);
    }
}

} // namespace detail

// The fused forms for the processor at hand (SSE2 or AVX).
void recursiveGaussRowsSSE2(const float* const* rows, float* const* outRows, int n, int N, int M, double* line,
                            const RecursiveGaussCoefficients& c);
void recursiveGaussColumnsSSE2(const float* in, size_t inStride, float* out, size_t outStride, int N, int M,
                               double* line, const RecursiveGaussCoefficients& c);
namespace Avx {
// Need AVX; built in GaussBlurAvx.cpp.
void recursiveGaussRows(const float* const* rows, float* const* outRows, int n, int N, int M, double* line,
                        const RecursiveGaussCoefficients& c);
void recursiveGaussColumns(const float* in, size_t inStride, float* out, size_t outStride, int N, int M, double* line,
                           const RecursiveGaussCoefficients& c);
} // namespace Avx

} // namespace ns_FastBlur
} // namespace DataStorage
} // namespace Nuvra
