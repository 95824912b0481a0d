#pragma once

// Internal to the Gaussian blur: one recurrence pass over interleaved lines,
// shared by the SSE2 and AVX forms.

#include "effect/GaussBlur.h"

#include <emmintrin.h>

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
};

} // namespace detail

} // namespace ns_FastBlur
} // namespace DataStorage
} // namespace Nuvra
