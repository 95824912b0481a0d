// Built with AVX enabled; reached only after the processor was asked.
// Keep this file free of anything but the AVX form of the recurrence.

#include "effect/RecursiveGaussPass.h"

#include <immintrin.h>

namespace Nuvra {
namespace DataStorage {
namespace ns_FastBlur {

namespace Avx {

namespace {
struct AvxVec {
    using T = __m256d;
    static constexpr int kWidth = 4;
    static T set1(double v) { return _mm256_set1_pd(v); }
    static T load(const double* p) { return _mm256_loadu_pd(p); }
    static void store(double* p, T v) { _mm256_storeu_pd(p, v); }
    static T add(T a, T b) { return _mm256_add_pd(a, b); }
    static T mul(T a, T b) { return _mm256_mul_pd(a, b); }
    static T loadFloats(const float* p) { return _mm256_cvtps_pd(_mm_loadu_ps(p)); }
    static void storeFloats(float* p, T v) { _mm_storeu_ps(p, _mm256_cvtpd_ps(v)); }
};
} // namespace

void recursiveGaussLanes(double* line, int M, const RecursiveGaussCoefficients& c)
{
    detail::recursivePass<AvxVec>(line, M, 1, c);
    detail::recursivePass<AvxVec>(line, M, -1, c);
}

void recursiveGaussRows(const float* const* rows, float* const* outRows, int n, int N, int M, double* line,
                        const RecursiveGaussCoefficients& c)
{
    detail::rowsFused<AvxVec>(rows, outRows, n, N, M, line, c);
}

void recursiveGaussColumns(const float* in, size_t inStride, float* out, size_t outStride, int N, int M, double* line,
                           const RecursiveGaussCoefficients& c)
{
    detail::columnsFused<AvxVec>(in, inStride, out, outStride, N, M, line, c);
}

} // namespace Avx
} // namespace ns_FastBlur
} // namespace DataStorage
} // namespace Nuvra
