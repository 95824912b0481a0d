#include "pixelstore/ElementConversion.h"

#include "pixelstore/ChannelType.h"
#include "pixelstore/ConversionScales.h"
#include "pixelstore/Kernel.h"
#include "pixelstore/SimdConversion.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Nuvra {
namespace DataStorage {

namespace {

using u8 = std::uint8_t;
using u16 = std::uint16_t;

std::size_t elementBytes(ChannelType type)
{
    return std::size_t(elementSize(type));
}

// Caller buffers and strided layouts need not be aligned to the element size.
template <class T>
T loadAs(const unsigned char* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class T>
void storeAs(unsigned char* p, T v)
{
    std::memcpy(p, &v, sizeof v);
}

// Nearest integer, ties to even, within [0, hi]; NaN gives 0. Out-of-range
// values saturate instead of wrapping: 1.2 must not turn into a dark pixel.
// Adding and removing 2^23 (2^52) rounds in the current rounding mode, the
// same mode the vector conversion uses.
inline int roundToRange(float v, float hi)
{
    v = v > 0.0f ? v : 0.0f;
    v = v < hi ? v : hi;
    return int((v + 0x1p23f) - 0x1p23f);
}

inline int roundToRange(double v, double hi)
{
    v = v > 0.0 ? v : 0.0;
    v = v < hi ? v : hi;
    return int((v + 0x1p52) - 0x1p52);
}

template <class Dst, class Src>
struct Rule;

template <>
struct Rule<u16, u8> {
    static u16 apply(u8 x) { return u16(x * 257); }
};
template <>
struct Rule<float, u8> {
    static float apply(u8 x) { return float(x) * kU8ToFloat; }
};
template <>
struct Rule<double, u8> {
    static double apply(u8 x) { return double(x) * kU8ToDouble; }
};
template <>
struct Rule<u8, u16> {
    static u8 apply(u16 x) { return u8((unsigned(x) + 127u) / 257u); }
};
template <>
struct Rule<float, u16> {
    static float apply(u16 x) { return float(x) * kU16ToFloat; }
};
template <>
struct Rule<double, u16> {
    static double apply(u16 x) { return double(x) * kU16ToDouble; }
};
template <>
struct Rule<u8, float> {
    static u8 apply(float x) { return u8(roundToRange(x * kU8Max, kU8Max)); }
};
template <>
struct Rule<u16, float> {
    static u16 apply(float x) { return u16(roundToRange(x * kU16Max, kU16Max)); }
};
template <>
struct Rule<u8, double> {
    static u8 apply(double x) { return u8(roundToRange(x * 255.0, 255.0)); }
};
template <>
struct Rule<u16, double> {
    static u16 apply(double x) { return u16(roundToRange(x * 65535.0, 65535.0)); }
};
// Adding +0.0 turns a negative zero into a positive one.
template <>
struct Rule<double, float> {
    static double apply(float x) { return double(x + 0.0f); }
};
template <>
struct Rule<float, double> {
    static float apply(double x) { return float(x + 0.0); }
};

template <class Dst, class Src>
void scalarRun(unsigned char* dst, const unsigned char* src, std::size_t n)
{
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        storeAs<Dst>(dst + (i + 0) * sizeof(Dst), Rule<Dst, Src>::apply(loadAs<Src>(src + (i + 0) * sizeof(Src))));
        storeAs<Dst>(dst + (i + 1) * sizeof(Dst), Rule<Dst, Src>::apply(loadAs<Src>(src + (i + 1) * sizeof(Src))));
        storeAs<Dst>(dst + (i + 2) * sizeof(Dst), Rule<Dst, Src>::apply(loadAs<Src>(src + (i + 2) * sizeof(Src))));
        storeAs<Dst>(dst + (i + 3) * sizeof(Dst), Rule<Dst, Src>::apply(loadAs<Src>(src + (i + 3) * sizeof(Src))));
    }
    for (; i < n; ++i)
        storeAs<Dst>(dst + i * sizeof(Dst), Rule<Dst, Src>::apply(loadAs<Src>(src + i * sizeof(Src))));
}

// The one place that picks the path: the vector form takes whole rounds of
// 16 elements when the level allows it, the scalar rule does the rest.
template <class Dst, class Src>
void convertRun(unsigned char* dst, const unsigned char* src, std::size_t n, int level)
{
    std::size_t done = 0;
    if (level > 0) {
        constexpr std::size_t kChunk = std::size_t(INT_MAX) & ~std::size_t(15);
        while (n - done >= 16) {
            const int part = int(std::min(n - done, kChunk));
            // Eval uses unaligned loads and stores; the typed pointers only carry the element type.
            const int converted = Simd::transform<1, void, Dst, Src>::Eval(
                part, reinterpret_cast<Dst*>(dst + done * sizeof(Dst)),
                reinterpret_cast<const Src*>(src + done * sizeof(Src)));
            if (converted <= 0)
                break;
            done += std::size_t(converted);
        }
    }
    scalarRun<Dst, Src>(dst + done * sizeof(Dst), src + done * sizeof(Src), n - done);
}

template <class Dst, class Src>
void convertStrided(unsigned char* dst, const unsigned char* src, int width, int height, std::ptrdiff_t dstPixel,
                    std::ptrdiff_t srcPixel, std::ptrdiff_t dstRow, std::ptrdiff_t srcRow)
{
    for (int y = 0; y < height; ++y) {
        unsigned char* d = dst + y * dstRow;
        const unsigned char* s = src + y * srcRow;
        for (int x = 0; x < width; ++x)
            storeAs<Dst>(d + x * dstPixel, Rule<Dst, Src>::apply(loadAs<Src>(s + x * srcPixel)));
    }
}

using RunFn = void (*)(unsigned char*, const unsigned char*, std::size_t, int);
using StridedFn = void (*)(unsigned char*, const unsigned char*, int, int, std::ptrdiff_t, std::ptrdiff_t,
                           std::ptrdiff_t, std::ptrdiff_t);

struct PairOps {
    RunFn run;
    StridedFn strided;
};

template <class Dst, class Src>
constexpr PairOps ops()
{
    return {convertRun<Dst, Src>, convertStrided<Dst, Src>};
}

// Indexed [dst][src] by -1 - type; copies between equal types are handled apart.
const PairOps kPairs[4][4] = {
    {{nullptr, nullptr}, ops<u8, u16>(), ops<u8, float>(), ops<u8, double>()},
    {ops<u16, u8>(), {nullptr, nullptr}, ops<u16, float>(), ops<u16, double>()},
    {ops<float, u8>(), ops<float, u16>(), {nullptr, nullptr}, ops<float, double>()},
    {ops<double, u8>(), ops<double, u16>(), ops<double, float>(), {nullptr, nullptr}},
};

const PairOps& pairOps(int dstType, int srcType)
{
    return kPairs[-1 - dstType][-1 - srcType];
}

bool checkPair(int dstType, int srcType)
{
    // Opaque elements only copy to their own type, and only sizes a channel can have.
    if (dstType == srcType ? (isNumericType(dstType) || (dstType > 0 && isValidChannelType(dstType)))
                           : (isNumericType(dstType) && isNumericType(srcType)))
        return true;
    qCCritical(libds(), "can't convert memory for src type: %d, dst type: %d\n", srcType, dstType);
    return false;
}

// Element copies of a size known at compile time become plain moves; a
// library call per element made interleaved 8-bit transfers slow.
template <std::size_t Size>
void copyStridedFixed(unsigned char* dst, const unsigned char* src, int width, int height, std::ptrdiff_t dstPixel,
                      std::ptrdiff_t srcPixel, std::ptrdiff_t dstRow, std::ptrdiff_t srcRow)
{
    for (int y = 0; y < height; ++y) {
        unsigned char* d = dst + y * dstRow;
        const unsigned char* s = src + y * srcRow;
        for (int x = 0; x < width; ++x)
            std::memcpy(d + x * dstPixel, s + x * srcPixel, Size);
    }
}

void copyStrided(unsigned char* dst, const unsigned char* src, std::size_t size, int width, int height,
                 std::ptrdiff_t dstPixel, std::ptrdiff_t srcPixel, std::ptrdiff_t dstRow, std::ptrdiff_t srcRow)
{
    switch (size) {
    case 1: return copyStridedFixed<1>(dst, src, width, height, dstPixel, srcPixel, dstRow, srcRow);
    case 2: return copyStridedFixed<2>(dst, src, width, height, dstPixel, srcPixel, dstRow, srcRow);
    case 4: return copyStridedFixed<4>(dst, src, width, height, dstPixel, srcPixel, dstRow, srcRow);
    case 8: return copyStridedFixed<8>(dst, src, width, height, dstPixel, srcPixel, dstRow, srcRow);
    default: break;
    }
    for (int y = 0; y < height; ++y) {
        unsigned char* d = dst + y * dstRow;
        const unsigned char* s = src + y * srcRow;
        for (int x = 0; x < width; ++x)
            std::memcpy(d + x * dstPixel, s + x * srcPixel, size);
    }
}

} // namespace

bool convertMemory(void* dst, const void* src, int dstType, int srcType, int count)
{
    if (!checkPair(dstType, srcType))
        return false;
    if (count <= 0)
        return true;
    auto* d = static_cast<unsigned char*>(dst);
    const auto* s = static_cast<const unsigned char*>(src);
    if (dstType == srcType)
        std::memmove(d, s, std::size_t(count) * elementBytes(srcType));
    else
        pairOps(dstType, srcType).run(d, s, std::size_t(count), Simd::activeLevel());
    return true;
}

// The vector forms take whole rounds of 16 pixels when the kernel switch
// allows them; the element rules do the rest, and everything without them.
void splitPixelsU8x4(float* const rows[4], const void* pixels, int count)
{
    const auto* p = static_cast<const u8*>(pixels);
    const int done = Simd::activeLevel() > 0 ? Simd::splitU8x4ToFloat(count, rows, p) : 0;
    for (int k = 0; k < 4; ++k) {
        if (!rows[k])
            continue;
        for (int i = done; i < count; ++i)
            rows[k][i] = Rule<float, u8>::apply(p[std::size_t(i) * 4 + k]);
    }
}

void joinPixelsU8x4(void* pixels, const float* const rows[4], const unsigned char fill[4], int count)
{
    auto* p = static_cast<u8*>(pixels);
    const int done = Simd::activeLevel() > 0 ? Simd::joinFloatToU8x4(count, p, rows, fill) : 0;
    for (int k = 0; k < 4; ++k) {
        for (int i = done; i < count; ++i)
            p[std::size_t(i) * 4 + k] = rows[k] ? Rule<u8, float>::apply(rows[k][i]) : fill[k];
    }
}

void splitPixelsU8x4(u8* const rows[4], const void* pixels, int count)
{
    const auto* p = static_cast<const u8*>(pixels);
    const int done = Simd::activeLevel() > 0 ? Simd::splitU8x4(count, rows, p) : 0;
    for (int k = 0; k < 4; ++k) {
        if (!rows[k])
            continue;
        for (int i = done; i < count; ++i)
            rows[k][i] = p[std::size_t(i) * 4 + k];
    }
}

void joinPixelsU8x4(void* pixels, const u8* const rows[4], const unsigned char fill[4], int count)
{
    auto* p = static_cast<u8*>(pixels);
    const int done = Simd::activeLevel() > 0 ? Simd::joinU8x4(count, p, rows, fill) : 0;
    for (int k = 0; k < 4; ++k) {
        for (int i = done; i < count; ++i)
            p[std::size_t(i) * 4 + k] = rows[k] ? rows[k][i] : fill[k];
    }
}

bool convertMemory2D(void* dst, const void* src, int dstType, int srcType, int width, int height, int dstPixelStride,
                     int srcPixelStride, int dstRowStride, int srcRowStride)
{
    if (!checkPair(dstType, srcType))
        return false;
    if (width <= 0 || height <= 0)
        return true;
    auto* d = static_cast<unsigned char*>(dst);
    const auto* s = static_cast<const unsigned char*>(src);
    const std::size_t dstSize = elementBytes(dstType);
    const std::size_t srcSize = elementBytes(srcType);
    const bool denseRows = std::size_t(dstPixelStride) == dstSize && std::size_t(srcPixelStride) == srcSize;

    if (denseRows && std::ptrdiff_t(dstRowStride) == std::ptrdiff_t(width * dstSize) &&
        std::ptrdiff_t(srcRowStride) == std::ptrdiff_t(width * srcSize)) {
        // One contiguous block on both sides: a single run.
        const std::size_t n = std::size_t(width) * std::size_t(height);
        if (dstType == srcType)
            std::memmove(d, s, n * srcSize);
        else
            pairOps(dstType, srcType).run(d, s, n, Simd::activeLevel());
        return true;
    }

    if (denseRows) {
        const std::size_t n = std::size_t(width);
        const int level = Simd::activeLevel();
        for (int y = 0; y < height; ++y) {
            unsigned char* dr = d + std::ptrdiff_t(y) * dstRowStride;
            const unsigned char* sr = s + std::ptrdiff_t(y) * srcRowStride;
            if (dstType == srcType)
                std::memmove(dr, sr, n * srcSize);
            else
                pairOps(dstType, srcType).run(dr, sr, n, level);
        }
        return true;
    }

    if (dstType == srcType)
        copyStrided(d, s, srcSize, width, height, dstPixelStride, srcPixelStride, dstRowStride, srcRowStride);
    else
        pairOps(dstType, srcType).strided(d, s, width, height, dstPixelStride, srcPixelStride, dstRowStride,
                                          srcRowStride);
    return true;
}

} // namespace DataStorage
} // namespace Nuvra
