#include "pixelstore/SimdConversion.h"

#include "pixelstore/ConversionScales.h"

#include <cstddef>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__) && defined(__GNUC__)
#include <immintrin.h>
#define MORVELIN_SIMD_X86 1
#endif

namespace Nuvra {
namespace DataStorage {
namespace Simd {

int InstructionTraits::Current()
{
    return processorHas(Isa::Sse2) ? 1 : 0;
}

int activeLevel()
{
    return kernelsMay(Isa::Sse2) ? 1 : 0;
}

#if defined(MORVELIN_SIMD_X86)

namespace {

// The wide kernels are an internal refinement of level 1: same rounds of 16,
// same operations lane for lane, so the results match the SSE2 kernels bit
// for bit. Ordinary stores throughout: the converted data is read again soon
// (tiles are small), and streaming stores measured slower even on whole planes.
bool useWide()
{
    return kernelsMay(Isa::Avx2);
}

// ---- SSE2 ----------------------------------------------------------------

__m128i load128(const void* p)
{
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}

void store128(void* p, __m128i v)
{
    _mm_storeu_si128(static_cast<__m128i*>(p), v);
}

// Scales and clamps four floats to [0, hi] and rounds them (ties to even).
// MAXPS returns its second operand when the first is NaN, so NaN becomes 0.
__m128i scaleClampRound(__m128 v, __m128 scale)
{
    v = _mm_mul_ps(v, scale);
    v = _mm_max_ps(v, _mm_setzero_ps());
    v = _mm_min_ps(v, scale);
    return _mm_cvtps_epi32(v);
}

// Eight values in 0..65535 held as 32-bit integers to unsigned 16 bits with
// SSE2 only: shift into the signed range, pack, shift back.
__m128i packU16(__m128i a, __m128i b)
{
    const __m128i off32 = _mm_set1_epi32(32768);
    const __m128i off16 = _mm_set1_epi16(static_cast<short>(0x8000));
    return _mm_xor_si128(_mm_packs_epi32(_mm_sub_epi32(a, off32), _mm_sub_epi32(b, off32)), off16);
}

void sse2U8FromU16(int n, std::uint8_t* dst, const std::uint16_t* src)
{
    // (x + 127) / 257 == ((x +sat 127) * 65281) >> 24 for every 16-bit x.
    const __m128i bias = _mm_set1_epi16(127);
    const __m128i mul = _mm_set1_epi16(static_cast<short>(65281));
    for (int i = 0; i < n; i += 16) {
        const __m128i a = _mm_srli_epi16(_mm_mulhi_epu16(_mm_adds_epu16(load128(src + i), bias), mul), 8);
        const __m128i b = _mm_srli_epi16(_mm_mulhi_epu16(_mm_adds_epu16(load128(src + i + 8), bias), mul), 8);
        store128(dst + i, _mm_packus_epi16(a, b));
    }
}

void sse2U8FromFloat(int n, std::uint8_t* dst, const float* src)
{
    const __m128 scale = _mm_set1_ps(kU8Max);
    for (int i = 0; i < n; i += 16) {
        const __m128i i0 = scaleClampRound(_mm_loadu_ps(src + i), scale);
        const __m128i i1 = scaleClampRound(_mm_loadu_ps(src + i + 4), scale);
        const __m128i i2 = scaleClampRound(_mm_loadu_ps(src + i + 8), scale);
        const __m128i i3 = scaleClampRound(_mm_loadu_ps(src + i + 12), scale);
        // Values are already in 0..255, so both packs are exact.
        store128(dst + i, _mm_packus_epi16(_mm_packs_epi32(i0, i1), _mm_packs_epi32(i2, i3)));
    }
}

void sse2U16FromU8(int n, std::uint16_t* dst, const std::uint8_t* src)
{
    for (int i = 0; i < n; i += 16) {
        // Interleaving a byte with itself gives x * 257.
        const __m128i x = load128(src + i);
        store128(dst + i, _mm_unpacklo_epi8(x, x));
        store128(dst + i + 8, _mm_unpackhi_epi8(x, x));
    }
}

void sse2U16FromFloat(int n, std::uint16_t* dst, const float* src)
{
    const __m128 scale = _mm_set1_ps(kU16Max);
    for (int i = 0; i < n; i += 16) {
        const __m128i i0 = scaleClampRound(_mm_loadu_ps(src + i), scale);
        const __m128i i1 = scaleClampRound(_mm_loadu_ps(src + i + 4), scale);
        const __m128i i2 = scaleClampRound(_mm_loadu_ps(src + i + 8), scale);
        const __m128i i3 = scaleClampRound(_mm_loadu_ps(src + i + 12), scale);
        store128(dst + i, packU16(i0, i1));
        store128(dst + i + 8, packU16(i2, i3));
    }
}

void sse2FloatFromU8(int n, float* dst, const std::uint8_t* src)
{
    const __m128 scale = _mm_set1_ps(kU8ToFloat);
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < n; i += 16) {
        const __m128i x = load128(src + i);
        const __m128i lo = _mm_unpacklo_epi8(x, zero);
        const __m128i hi = _mm_unpackhi_epi8(x, zero);
        _mm_storeu_ps(dst + i, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(lo, zero)), scale));
        _mm_storeu_ps(dst + i + 4, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(lo, zero)), scale));
        _mm_storeu_ps(dst + i + 8, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(hi, zero)), scale));
        _mm_storeu_ps(dst + i + 12, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(hi, zero)), scale));
    }
}

void sse2FloatFromU16(int n, float* dst, const std::uint16_t* src)
{
    const __m128 scale = _mm_set1_ps(kU16ToFloat);
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < n; i += 16) {
        const __m128i a = load128(src + i);
        const __m128i b = load128(src + i + 8);
        _mm_storeu_ps(dst + i, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(a, zero)), scale));
        _mm_storeu_ps(dst + i + 4, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(a, zero)), scale));
        _mm_storeu_ps(dst + i + 8, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(b, zero)), scale));
        _mm_storeu_ps(dst + i + 12, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(b, zero)), scale));
    }
}

// ---- AVX2 ----------------------------------------------------------------

#define MORVELIN_AVX2 __attribute__((target("avx2")))

MORVELIN_AVX2 __m256i avxScaleClampRound(__m256 v, __m256 scale)
{
    v = _mm256_mul_ps(v, scale);
    v = _mm256_max_ps(v, _mm256_setzero_ps()); // NaN becomes 0, as with MAXPS
    v = _mm256_min_ps(v, scale);
    return _mm256_cvtps_epi32(v);
}

// Packs two vectors of eight 32-bit values to sixteen 16-bit values in order
// (the in-lane pack interleaves the halves; the permute restores the order).
MORVELIN_AVX2 __m256i avxPacks32(__m256i a, __m256i b)
{
    return _mm256_permute4x64_epi64(_mm256_packs_epi32(a, b), 0xD8);
}

MORVELIN_AVX2 void avxU8FromU16(int n, std::uint8_t* dst, const std::uint16_t* src)
{
    const __m256i bias = _mm256_set1_epi16(127);
    const __m256i mul = _mm256_set1_epi16(static_cast<short>(65281));
    for (int i = 0; i < n; i += 16) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        const __m256i q = _mm256_srli_epi16(_mm256_mulhi_epu16(_mm256_adds_epu16(x, bias), mul), 8);
        store128(dst + i, _mm_packus_epi16(_mm256_castsi256_si128(q), _mm256_extracti128_si256(q, 1)));
    }
}

MORVELIN_AVX2 void avxU8FromFloat(int n, std::uint8_t* dst, const float* src)
{
    const __m256 scale = _mm256_set1_ps(kU8Max);
    for (int i = 0; i < n; i += 16) {
        const __m256i a = avxScaleClampRound(_mm256_loadu_ps(src + i), scale);
        const __m256i b = avxScaleClampRound(_mm256_loadu_ps(src + i + 8), scale);
        const __m256i w = avxPacks32(a, b);
        store128(dst + i, _mm_packus_epi16(_mm256_castsi256_si128(w), _mm256_extracti128_si256(w, 1)));
    }
}

MORVELIN_AVX2 void avxU16FromU8(int n, std::uint16_t* dst, const std::uint8_t* src)
{
    const __m256i mul = _mm256_set1_epi16(257);
    for (int i = 0; i < n; i += 16) {
        const __m256i w = _mm256_cvtepu8_epi16(load128(src + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_mullo_epi16(w, mul));
    }
}

MORVELIN_AVX2 void avxU16FromFloat(int n, std::uint16_t* dst, const float* src)
{
    const __m256 scale = _mm256_set1_ps(kU16Max);
    const __m256i off32 = _mm256_set1_epi32(32768);
    const __m256i off16 = _mm256_set1_epi16(static_cast<short>(0x8000));
    for (int i = 0; i < n; i += 16) {
        const __m256i a = _mm256_sub_epi32(avxScaleClampRound(_mm256_loadu_ps(src + i), scale), off32);
        const __m256i b = _mm256_sub_epi32(avxScaleClampRound(_mm256_loadu_ps(src + i + 8), scale), off32);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_xor_si256(avxPacks32(a, b), off16));
    }
}

MORVELIN_AVX2 void avxFloatFromU8(int n, float* dst, const std::uint8_t* src)
{
    const __m256 scale = _mm256_set1_ps(kU8ToFloat);
    for (int i = 0; i < n; i += 16) {
        const __m128i x = load128(src + i);
        const __m256i a = _mm256_cvtepu8_epi32(x);
        const __m256i b = _mm256_cvtepu8_epi32(_mm_unpackhi_epi64(x, x));
        _mm256_storeu_ps(dst + i, _mm256_mul_ps(_mm256_cvtepi32_ps(a), scale));
        _mm256_storeu_ps(dst + i + 8, _mm256_mul_ps(_mm256_cvtepi32_ps(b), scale));
    }
}

MORVELIN_AVX2 void avxFloatFromU16(int n, float* dst, const std::uint16_t* src)
{
    const __m256 scale = _mm256_set1_ps(kU16ToFloat);
    for (int i = 0; i < n; i += 16) {
        const __m256i a = _mm256_cvtepu16_epi32(load128(src + i));
        const __m256i b = _mm256_cvtepu16_epi32(load128(src + i + 8));
        _mm256_storeu_ps(dst + i, _mm256_mul_ps(_mm256_cvtepi32_ps(a), scale));
        _mm256_storeu_ps(dst + i + 8, _mm256_mul_ps(_mm256_cvtepi32_ps(b), scale));
    }
}

// Sample K of eight four-byte pixels as floats into row (skipped when null).
template <int K>
MORVELIN_AVX2 inline void avxSplitLane(__m256i px, float* row, __m256 scale)
{
    if (!row)
        return;
    __m256i x = _mm256_srli_epi32(px, 8 * K);
    if (K < 3)
        x = _mm256_and_si256(x, _mm256_set1_epi32(0xFF));
    _mm256_storeu_ps(row, _mm256_mul_ps(_mm256_cvtepi32_ps(x), scale));
}

MORVELIN_AVX2 void avxSplitU8x4ToFloat(int n, float* const rows[4], const std::uint8_t* pixels)
{
    const __m256 scale = _mm256_set1_ps(kU8ToFloat);
    float* const r0 = rows[0];
    float* const r1 = rows[1];
    float* const r2 = rows[2];
    float* const r3 = rows[3];
    for (int i = 0; i < n; i += 8) {
        const __m256i px = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + std::size_t(i) * 4));
        avxSplitLane<0>(px, r0 ? r0 + i : nullptr, scale);
        avxSplitLane<1>(px, r1 ? r1 + i : nullptr, scale);
        avxSplitLane<2>(px, r2 ? r2 + i : nullptr, scale);
        avxSplitLane<3>(px, r3 ? r3 + i : nullptr, scale);
    }
}

// Row K's eight floats as sample K of eight pixels, or the fixed sample.
template <int K>
MORVELIN_AVX2 inline __m256i avxJoinLane(const float* row, __m256 scale)
{
    if (!row)
        return _mm256_setzero_si256();
    return _mm256_slli_epi32(avxScaleClampRound(_mm256_loadu_ps(row), scale), 8 * K);
}

MORVELIN_AVX2 void avxJoinFloatToU8x4(int n, std::uint8_t* pixels, const float* const rows[4],
                                      const std::uint8_t fill[4])
{
    const __m256 scale = _mm256_set1_ps(kU8Max);
    std::uint32_t fixedBits = 0;
    for (int k = 0; k < 4; ++k)
        if (!rows[k])
            fixedBits |= std::uint32_t(fill[k]) << (8 * k);
    const __m256i fixed = _mm256_set1_epi32(int(fixedBits));
    const float* const r0 = rows[0];
    const float* const r1 = rows[1];
    const float* const r2 = rows[2];
    const float* const r3 = rows[3];
    for (int i = 0; i < n; i += 8) {
        const __m256i a = _mm256_or_si256(avxJoinLane<0>(r0 ? r0 + i : nullptr, scale),
                                          avxJoinLane<1>(r1 ? r1 + i : nullptr, scale));
        const __m256i b = _mm256_or_si256(avxJoinLane<2>(r2 ? r2 + i : nullptr, scale),
                                          avxJoinLane<3>(r3 ? r3 + i : nullptr, scale));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pixels + std::size_t(i) * 4),
                            _mm256_or_si256(fixed, _mm256_or_si256(a, b)));
    }
}

#undef MORVELIN_AVX2

void sse2SplitU8x4ToFloat(int n, float* const rows[4], const std::uint8_t* pixels)
{
    const __m128 scale = _mm_set1_ps(kU8ToFloat);
    const __m128i low = _mm_set1_epi32(0xFF);
    for (int i = 0; i < n; i += 4) {
        const __m128i px = load128(pixels + std::size_t(i) * 4);
        for (int k = 0; k < 4; ++k) {
            if (!rows[k])
                continue;
            const __m128i x = _mm_and_si128(_mm_srl_epi32(px, _mm_cvtsi32_si128(8 * k)), low);
            _mm_storeu_ps(rows[k] + i, _mm_mul_ps(_mm_cvtepi32_ps(x), scale));
        }
    }
}

void sse2JoinFloatToU8x4(int n, std::uint8_t* pixels, const float* const rows[4], const std::uint8_t fill[4])
{
    const __m128 scale = _mm_set1_ps(kU8Max);
    __m128i fixed = _mm_setzero_si128();
    for (int k = 0; k < 4; ++k)
        if (!rows[k])
            fixed = _mm_or_si128(fixed, _mm_set1_epi32(int(std::uint32_t(fill[k]) << (8 * k))));
    for (int i = 0; i < n; i += 4) {
        __m128i px = fixed;
        for (int k = 0; k < 4; ++k) {
            if (!rows[k])
                continue;
            const __m128i x = scaleClampRound(_mm_loadu_ps(rows[k] + i), scale);
            px = _mm_or_si128(px, _mm_sll_epi32(x, _mm_cvtsi32_si128(8 * k)));
        }
        store128(pixels + std::size_t(i) * 4, px);
    }
}

template <class Dst, class Src>
using Kernel = void (*)(int, Dst*, const Src*);

template <class Dst, class Src>
int drive(int count, Dst* dst, const Src* src, Kernel<Dst, Src> narrow, Kernel<Dst, Src> wide)
{
    if (count < 16)
        return 0;
    const int n = count & ~15;
    (useWide() ? wide : narrow)(n, dst, src);
    return n;
}

} // namespace

int transform<1, void, std::uint8_t, std::uint16_t>::Eval(int count, std::uint8_t* dst, const std::uint16_t* src)
{
    return drive(count, dst, src, sse2U8FromU16, avxU8FromU16);
}

int transform<1, void, std::uint8_t, float>::Eval(int count, std::uint8_t* dst, const float* src)
{
    return drive(count, dst, src, sse2U8FromFloat, avxU8FromFloat);
}

int transform<1, void, std::uint16_t, std::uint8_t>::Eval(int count, std::uint16_t* dst, const std::uint8_t* src)
{
    return drive(count, dst, src, sse2U16FromU8, avxU16FromU8);
}

int transform<1, void, std::uint16_t, float>::Eval(int count, std::uint16_t* dst, const float* src)
{
    return drive(count, dst, src, sse2U16FromFloat, avxU16FromFloat);
}

int transform<1, void, float, std::uint8_t>::Eval(int count, float* dst, const std::uint8_t* src)
{
    return drive(count, dst, src, sse2FloatFromU8, avxFloatFromU8);
}

int transform<1, void, float, std::uint16_t>::Eval(int count, float* dst, const std::uint16_t* src)
{
    return drive(count, dst, src, sse2FloatFromU16, avxFloatFromU16);
}

namespace {

// Sample K of sixteen four-byte pixels into row (skipped when null).
template <int K>
inline void sse2SplitBytes(__m128i v0, __m128i v1, __m128i v2, __m128i v3, std::uint8_t* row)
{
    if (!row)
        return;
    const __m128i low = _mm_set1_epi32(0xFF);
    const __m128i a = _mm_and_si128(_mm_srli_epi32(v0, 8 * K), low);
    const __m128i b = _mm_and_si128(_mm_srli_epi32(v1, 8 * K), low);
    const __m128i c = _mm_and_si128(_mm_srli_epi32(v2, 8 * K), low);
    const __m128i d = _mm_and_si128(_mm_srli_epi32(v3, 8 * K), low);
    store128(row, _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d)));
}

void sse2SplitU8x4(int n, std::uint8_t* const rows[4], const std::uint8_t* pixels)
{
    // Local copies: the byte stores could alias the array, and reloading it
    // every round stalls on them.
    std::uint8_t* const r0 = rows[0];
    std::uint8_t* const r1 = rows[1];
    std::uint8_t* const r2 = rows[2];
    std::uint8_t* const r3 = rows[3];
    for (int i = 0; i < n; i += 16) {
        const std::uint8_t* p = pixels + std::size_t(i) * 4;
        const __m128i v0 = load128(p), v1 = load128(p + 16), v2 = load128(p + 32), v3 = load128(p + 48);
        sse2SplitBytes<0>(v0, v1, v2, v3, r0 ? r0 + i : nullptr);
        sse2SplitBytes<1>(v0, v1, v2, v3, r1 ? r1 + i : nullptr);
        sse2SplitBytes<2>(v0, v1, v2, v3, r2 ? r2 + i : nullptr);
        sse2SplitBytes<3>(v0, v1, v2, v3, r3 ? r3 + i : nullptr);
    }
}

void sse2JoinU8x4(int n, std::uint8_t* pixels, const std::uint8_t* const rows[4], const std::uint8_t fill[4])
{
    for (int i = 0; i < n; i += 16) {
        __m128i lane[4];
        for (int k = 0; k < 4; ++k)
            lane[k] = rows[k] ? load128(rows[k] + i) : _mm_set1_epi8(static_cast<char>(fill[k]));
        const __m128i lo01 = _mm_unpacklo_epi8(lane[0], lane[1]), hi01 = _mm_unpackhi_epi8(lane[0], lane[1]);
        const __m128i lo23 = _mm_unpacklo_epi8(lane[2], lane[3]), hi23 = _mm_unpackhi_epi8(lane[2], lane[3]);
        std::uint8_t* p = pixels + std::size_t(i) * 4;
        store128(p, _mm_unpacklo_epi16(lo01, lo23));
        store128(p + 16, _mm_unpackhi_epi16(lo01, lo23));
        store128(p + 32, _mm_unpacklo_epi16(hi01, hi23));
        store128(p + 48, _mm_unpackhi_epi16(hi01, hi23));
    }
}

} // namespace

int splitU8x4(int count, std::uint8_t* const rows[4], const std::uint8_t* pixels)
{
    if (count < 16)
        return 0;
    const int n = count & ~15;
    sse2SplitU8x4(n, rows, pixels);
    return n;
}

int joinU8x4(int count, std::uint8_t* pixels, const std::uint8_t* const rows[4], const std::uint8_t fill[4])
{
    if (count < 16)
        return 0;
    const int n = count & ~15;
    sse2JoinU8x4(n, pixels, rows, fill);
    return n;
}

int splitU8x4ToFloat(int count, float* const rows[4], const std::uint8_t* pixels)
{
    if (count < 16)
        return 0;
    const int n = count & ~15;
    (useWide() ? avxSplitU8x4ToFloat : sse2SplitU8x4ToFloat)(n, rows, pixels);
    return n;
}

int joinFloatToU8x4(int count, std::uint8_t* pixels, const float* const rows[4], const std::uint8_t fill[4])
{
    if (count < 16)
        return 0;
    const int n = count & ~15;
    (useWide() ? avxJoinFloatToU8x4 : sse2JoinFloatToU8x4)(n, pixels, rows, fill);
    return n;
}

#else // no x86 vector unit: Current() is 0, so these are never chosen.

int splitU8x4(int, std::uint8_t* const*, const std::uint8_t*) { return 0; }
int joinU8x4(int, std::uint8_t*, const std::uint8_t* const*, const std::uint8_t*) { return 0; }
int splitU8x4ToFloat(int, float* const*, const std::uint8_t*) { return 0; }
int joinFloatToU8x4(int, std::uint8_t*, const float* const*, const std::uint8_t*) { return 0; }

int transform<1, void, std::uint8_t, std::uint16_t>::Eval(int, std::uint8_t*, const std::uint16_t*) { return 0; }
int transform<1, void, std::uint8_t, float>::Eval(int, std::uint8_t*, const float*) { return 0; }
int transform<1, void, std::uint16_t, std::uint8_t>::Eval(int, std::uint16_t*, const std::uint8_t*) { return 0; }
int transform<1, void, std::uint16_t, float>::Eval(int, std::uint16_t*, const float*) { return 0; }
int transform<1, void, float, std::uint8_t>::Eval(int, float*, const std::uint8_t*) { return 0; }
int transform<1, void, float, std::uint16_t>::Eval(int, float*, const std::uint16_t*) { return 0; }

#endif

} // namespace Simd
} // namespace DataStorage
} // namespace Nuvra
