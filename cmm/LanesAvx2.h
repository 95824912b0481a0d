#pragma once

// Eight 32-bit lanes of 16-bit samples for the AVX2 bodies of the engine;
// only for files built for AVX2. Every value is an integer the plain code
// computes, held exactly.
#include <immintrin.h>

#include <cstdint>

namespace Nuvra {
namespace CMM {
namespace Avx2Lanes {

constexpr int kLanes = 8;

// Sample k of eight pixels `stride` apart.
inline __m256i Lanes(const uint16_t* in, int stride, int k)
{
    return _mm256_setr_epi32(in[k], in[stride + k], in[2 * stride + k], in[3 * stride + k], in[4 * stride + k],
                             in[5 * stride + k], in[6 * stride + k], in[7 * stride + k]);
}

// floor(t / 65535) of unsigned 32-bit lanes: (t x 0x80008001) >> 47, exact
// for every 32-bit t.
inline __m256i Div65535(__m256i t)
{
    const __m256i m = _mm256_set1_epi32(int32_t(0x80008001u));
    const __m256i even = _mm256_srli_epi64(_mm256_mul_epu32(t, m), 47);
    const __m256i odd = _mm256_slli_epi64(_mm256_srli_epi64(_mm256_mul_epu32(_mm256_srli_epi64(t, 32), m), 47), 32);
    return _mm256_blend_epi32(even, odd, 0xAA);
}

// ToFixedPos in lanes: v x domain stays below 2^32 for 16-bit v and domains
// up to 65534, and so do the sums.
struct FixedLanes {
    __m256i cell, rest;
};

inline FixedLanes ToFixedLanes(__m256i v, __m256i domain)
{
    const __m256i p = _mm256_mullo_epi32(v, domain);
    const __m256i f = _mm256_add_epi32(p, Div65535(_mm256_add_epi32(p, _mm256_set1_epi32(32767))));
    return FixedLanes{_mm256_srli_epi32(f, 16), _mm256_and_si256(f, _mm256_set1_epi32(0xFFFF))};
}

// Lerp16 of 16-bit a and b: a + floor(((b - a) x rest + 0x8000) / 65536).
// The rest split in bytes makes the division by 2^16 two nested floor
// divisions by 2^8 whose products stay below 2^24.
inline __m256i Lerp8(__m256i a, __m256i b, __m256i rest)
{
    const __m256i d = _mm256_sub_epi32(b, a);
    const __m256i low = _mm256_mullo_epi32(d, _mm256_and_si256(rest, _mm256_set1_epi32(0xFF)));
    const __m256i high = _mm256_mullo_epi32(d, _mm256_srli_epi32(rest, 8));
    const __m256i inner = _mm256_srai_epi32(_mm256_add_epi32(low, _mm256_set1_epi32(0x8000)), 8);
    return _mm256_add_epi32(a, _mm256_srai_epi32(_mm256_add_epi32(high, inner), 8));
}

// Channel c of eight pixels into their outputs `stride` apart.
inline void PutLanes(__m256i v, uint16_t* out, int stride, int c)
{
    alignas(32) int32_t lanes[kLanes];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), v);
    for (int i = 0; i < kLanes; ++i)
        out[i * stride + c] = uint16_t(lanes[i]);
}

} // namespace Avx2Lanes
} // namespace CMM
} // namespace Nuvra
