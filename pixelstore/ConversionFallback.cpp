#include "pixelstore/ConversionFallback.h"

#include "pixelstore/ChannelType.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Nuvra {
namespace DataStorage {
namespace {

double load(const unsigned char* p, int type)
{
    switch (type) {
    case kTypeU8: return *p / 255.0;
    case kTypeU16: { uint16_t v; std::memcpy(&v, p, 2); return v / 65535.0; }
    case kTypeFloat: { float v; std::memcpy(&v, p, 4); return v; }
    default: { double v; std::memcpy(&v, p, 8); return v; }
    }
}

long scaled(double v, double scale)
{
    if (!(v > 0))
        return 0;
    v = std::nearbyint(v * scale);
    return v > scale ? long(scale) : long(v);
}

void store(unsigned char* p, int type, double v)
{
    switch (type) {
    case kTypeU8: *p = uint8_t(scaled(v, 255.0)); break;
    case kTypeU16: { uint16_t x = uint16_t(scaled(v, 65535.0)); std::memcpy(p, &x, 2); break; }
    case kTypeFloat: { float x = float(v); std::memcpy(p, &x, 4); break; }
    default: std::memcpy(p, &v, 8); break;
    }
}

} // namespace

bool convertMemory2D(void* dst, const void* src, int dstType, int srcType, int width, int height, int dstPixelStride,
                     int srcPixelStride, int dstRowStride, int srcRowStride)
{
    const bool same = dstType == srcType && isValidChannelType(dstType);
    if (!same && !(isNumericType(dstType) && isNumericType(srcType)))
        return false;
    const int size = elementSize(dstType);
    for (int y = 0; y < height; ++y) {
        auto* d = static_cast<unsigned char*>(dst) + std::ptrdiff_t(y) * dstRowStride;
        auto* s = static_cast<const unsigned char*>(src) + std::ptrdiff_t(y) * srcRowStride;
        for (int x = 0; x < width; ++x) {
            unsigned char* dp = d + std::ptrdiff_t(x) * dstPixelStride;
            const unsigned char* sp = s + std::ptrdiff_t(x) * srcPixelStride;
            if (same)
                std::memcpy(dp, sp, std::size_t(size));
            else
                store(dp, dstType, load(sp, srcType));
        }
    }
    return true;
}

bool convertMemory(void* dst, const void* src, int dstType, int srcType, int count)
{
    return convertMemory2D(dst, src, dstType, srcType, count, 1, elementSize(dstType), elementSize(srcType), 0, 0);
}

} // namespace DataStorage
} // namespace Nuvra
