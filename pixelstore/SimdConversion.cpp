#include "pixelstore/SimdConversion.h"

#include "pixelstore/ConversionScales.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <cpuid.h>
#include <emmintrin.h>
#define MORVELIN_HAVE_SSE2 1
#endif

namespace Nuvra {
namespace DataStorage {
namespace Simd {

namespace {

int detectLevel()
{
#if defined(MORVELIN_HAVE_SSE2)
    // FPU, CMOV, MMX, FXSR, SSE, SSE2. The kernels below use nothing newer.
    constexpr unsigned kRequired = 0x07808001u;
    if (__get_cpuid_max(0, nullptr) < 1)
        return 0;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d))
        return 0;
    return (d & kRequired) == kRequired ? 1 : 0;
#else
    return 0;
#endif
}

bool environmentForcesPlain()
{
    const char* v = std::getenv("MORVELIN_FORCE_PLAIN");
    return v && std::strcmp(v, "1") == 0;
}

// -1: the environment decides; 0 or 1: set by forcePlain().
std::atomic<int> g_forced{-1};

} // namespace

int InstructionTraits::Current()
{
    static const int level = detectLevel();
    return level;
}

int activeLevel()
{
    static const bool envPlain = environmentForcesPlain();
    const int forced = g_forced.load(std::memory_order_relaxed);
    if (forced == 1 || (forced < 0 && envPlain))
        return 0;
    return InstructionTraits::Current();
}

void forcePlain(bool on)
{
    g_forced.store(on ? 1 : -1, std::memory_order_relaxed);
}

#if defined(MORVELIN_HAVE_SSE2)

namespace {

// Streaming stores keep large converted blocks from evicting the cache; they
// need 16-byte aligned destinations, so they are used only when both sides are.
struct StoreStream {
    static void put(void* p, __m128i v) { _mm_stream_si128(static_cast<__m128i*>(p), v); }
    static void put(float* p, __m128 v) { _mm_stream_ps(p, v); }
};
struct StoreUnaligned {
    static void put(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
    static void put(float* p, __m128 v) { _mm_storeu_ps(p, v); }
};

__m128i load(const void* p)
{
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}

// Scales and clamps four floats to [0, hi] and rounds them (ties to even).
// MAXPS returns its second operand when the first is NaN, so NaN becomes 0.
__m128i scaleClampRound(__m128 v, __m128 scale, __m128 hi)
{
    v = _mm_mul_ps(v, scale);
    v = _mm_max_ps(v, _mm_setzero_ps());
    v = _mm_min_ps(v, hi);
    return _mm_cvtps_epi32(v);
}

template <class Store>
void roundU8FromU16(std::uint8_t* dst, const std::uint16_t* src)
{
    // (x + 127) / 257 == ((x +sat 127) * 65281) >> 24 for every 16-bit x.
    const __m128i bias = _mm_set1_epi16(127);
    const __m128i mul = _mm_set1_epi16(static_cast<short>(65281));
    __m128i a = _mm_adds_epu16(load(src), bias);
    __m128i b = _mm_adds_epu16(load(src + 8), bias);
    a = _mm_srli_epi16(_mm_mulhi_epu16(a, mul), 8);
    b = _mm_srli_epi16(_mm_mulhi_epu16(b, mul), 8);
    Store::put(dst, _mm_packus_epi16(a, b));
}

template <class Store>
void roundU8FromFloat(std::uint8_t* dst, const float* src)
{
    const __m128 scale = _mm_set1_ps(kU8Max);
    const __m128 hi = _mm_set1_ps(kU8Max);
    const __m128i i0 = scaleClampRound(_mm_loadu_ps(src), scale, hi);
    const __m128i i1 = scaleClampRound(_mm_loadu_ps(src + 4), scale, hi);
    const __m128i i2 = scaleClampRound(_mm_loadu_ps(src + 8), scale, hi);
    const __m128i i3 = scaleClampRound(_mm_loadu_ps(src + 12), scale, hi);
    // Values are already in 0..255, so both packs are exact.
    Store::put(dst, _mm_packus_epi16(_mm_packs_epi32(i0, i1), _mm_packs_epi32(i2, i3)));
}

template <class Store>
void roundU16FromU8(std::uint16_t* dst, const std::uint8_t* src)
{
    // Interleaving a byte with itself gives x * 257.
    const __m128i x = load(src);
    Store::put(dst, _mm_unpacklo_epi8(x, x));
    Store::put(dst + 8, _mm_unpackhi_epi8(x, x));
}

// Packs eight values in 0..65535 held as 32-bit integers into unsigned 16 bits
// with SSE2 only: shift into the signed range, pack, shift back.
__m128i packU16(__m128i a, __m128i b)
{
    const __m128i off32 = _mm_set1_epi32(32768);
    const __m128i off16 = _mm_set1_epi16(static_cast<short>(0x8000));
    return _mm_xor_si128(_mm_packs_epi32(_mm_sub_epi32(a, off32), _mm_sub_epi32(b, off32)), off16);
}

template <class Store>
void roundU16FromFloat(std::uint16_t* dst, const float* src)
{
    const __m128 scale = _mm_set1_ps(kU16Max);
    const __m128 hi = _mm_set1_ps(kU16Max);
    const __m128i i0 = scaleClampRound(_mm_loadu_ps(src), scale, hi);
    const __m128i i1 = scaleClampRound(_mm_loadu_ps(src + 4), scale, hi);
    const __m128i i2 = scaleClampRound(_mm_loadu_ps(src + 8), scale, hi);
    const __m128i i3 = scaleClampRound(_mm_loadu_ps(src + 12), scale, hi);
    Store::put(dst, packU16(i0, i1));
    Store::put(dst + 8, packU16(i2, i3));
}

template <class Store>
void roundFloatFromU8(float* dst, const std::uint8_t* src)
{
    const __m128 scale = _mm_set1_ps(kU8ToFloat);
    const __m128i zero = _mm_setzero_si128();
    const __m128i x = load(src);
    const __m128i lo = _mm_unpacklo_epi8(x, zero);
    const __m128i hi = _mm_unpackhi_epi8(x, zero);
    Store::put(dst, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(lo, zero)), scale));
    Store::put(dst + 4, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(lo, zero)), scale));
    Store::put(dst + 8, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(hi, zero)), scale));
    Store::put(dst + 12, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(hi, zero)), scale));
}

template <class Store>
void roundFloatFromU16(float* dst, const std::uint16_t* src)
{
    const __m128 scale = _mm_set1_ps(kU16ToFloat);
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = load(src);
    const __m128i b = load(src + 8);
    Store::put(dst, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(a, zero)), scale));
    Store::put(dst + 4, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(a, zero)), scale));
    Store::put(dst + 8, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(b, zero)), scale));
    Store::put(dst + 12, _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(b, zero)), scale));
}

template <class Dst, class Src, void (*Stream)(Dst*, const Src*), void (*Plain)(Dst*, const Src*)>
int drive(int count, Dst* dst, const Src* src)
{
    if (count < 16)
        return 0;
    const int n = count & ~15;
    const bool aligned = ((reinterpret_cast<std::uintptr_t>(dst) | reinterpret_cast<std::uintptr_t>(src)) & 15) == 0;
    if (aligned) {
        for (int i = 0; i < n; i += 16)
            Stream(dst + i, src + i);
        // Streaming stores are weakly ordered; publish them before returning.
        _mm_sfence();
    } else {
        for (int i = 0; i < n; i += 16)
            Plain(dst + i, src + i);
    }
    return n;
}

} // namespace

int transform<1, void, std::uint8_t, std::uint16_t>::Eval(int count, std::uint8_t* dst, const std::uint16_t* src)
{
    return drive<std::uint8_t, std::uint16_t, roundU8FromU16<StoreStream>, roundU8FromU16<StoreUnaligned>>(count, dst,
                                                                                                           src);
}

int transform<1, void, std::uint8_t, float>::Eval(int count, std::uint8_t* dst, const float* src)
{
    return drive<std::uint8_t, float, roundU8FromFloat<StoreStream>, roundU8FromFloat<StoreUnaligned>>(count, dst, src);
}

int transform<1, void, std::uint16_t, std::uint8_t>::Eval(int count, std::uint16_t* dst, const std::uint8_t* src)
{
    return drive<std::uint16_t, std::uint8_t, roundU16FromU8<StoreStream>, roundU16FromU8<StoreUnaligned>>(count, dst,
                                                                                                           src);
}

int transform<1, void, std::uint16_t, float>::Eval(int count, std::uint16_t* dst, const float* src)
{
    return drive<std::uint16_t, float, roundU16FromFloat<StoreStream>, roundU16FromFloat<StoreUnaligned>>(count, dst,
                                                                                                          src);
}

int transform<1, void, float, std::uint8_t>::Eval(int count, float* dst, const std::uint8_t* src)
{
    return drive<float, std::uint8_t, roundFloatFromU8<StoreStream>, roundFloatFromU8<StoreUnaligned>>(count, dst, src);
}

int transform<1, void, float, std::uint16_t>::Eval(int count, float* dst, const std::uint16_t* src)
{
    return drive<float, std::uint16_t, roundFloatFromU16<StoreStream>, roundFloatFromU16<StoreUnaligned>>(count, dst,
                                                                                                          src);
}

#else // no SSE2: no vector forms; Current() is 0 so these are never chosen.

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
