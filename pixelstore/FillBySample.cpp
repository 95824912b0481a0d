#include "pixelstore/FillBySample.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Nuvra {
namespace {

// Stores 16 bytes a round from a replicated pattern; the compiler turns the
// inner memcpy pair into vector stores. The tail is written element by element.
template <class T>
void fillRun(unsigned char* dst, const void* sample, int count)
{
    T value;
    std::memcpy(&value, sample, sizeof(T));
    constexpr int perRound = 16 / sizeof(T);
    T pattern[perRound];
    for (int i = 0; i < perRound; ++i)
        pattern[i] = value;
    int i = 0;
    for (; i + perRound <= count; i += perRound)
        std::memcpy(dst + std::size_t(i) * sizeof(T), pattern, sizeof(pattern));
    for (; i < count; ++i)
        std::memcpy(dst + std::size_t(i) * sizeof(T), &value, sizeof(T));
}

void fillBytes(unsigned char* dst, const void* sample, int size, int count)
{
    for (int i = 0; i < count; ++i)
        std::memcpy(dst + std::size_t(i) * std::size_t(size), sample, std::size_t(size));
}

template <class T>
void storeStrided(unsigned char* dst, const void* sample, int width, int pixelStride)
{
    T value;
    std::memcpy(&value, sample, sizeof(T));
    for (int i = 0; i < width; ++i)
        std::memcpy(dst + std::ptrdiff_t(i) * pixelStride, &value, sizeof(T));
}

} // namespace

void fillBySample(void* dst, const void* sample, int size, int count)
{
    if (count < 1 || size < 1)
        return;
    auto* d = static_cast<unsigned char*>(dst);
    switch (size) {
    case 1: std::memset(d, *static_cast<const unsigned char*>(sample), std::size_t(count)); break;
    case 2: fillRun<uint16_t>(d, sample, count); break;
    case 4: fillRun<uint32_t>(d, sample, count); break;
    case 8: fillRun<uint64_t>(d, sample, count); break;
    default: fillBytes(d, sample, size, count); break;
    }
}

void fillBySample2D(void* dst, const void* sample, int size, int width, int height, int rowStride)
{
    if (width < 1 || height < 1 || size < 1)
        return;
    auto* d = static_cast<unsigned char*>(dst);
    if (int64_t(width) * size == rowStride && int64_t(width) * height <= INT32_MAX) {
        fillBySample(d, sample, size, width * height);
        return;
    }
    for (int r = 0; r < height; ++r)
        fillBySample(d + std::ptrdiff_t(r) * rowStride, sample, size, width);
}

void fillBySample2D(void* dst, const void* sample, int size, int width, int height, int pixelStride,
                    int rowStride)
{
    if (pixelStride == size) {
        fillBySample2D(dst, sample, size, width, height, rowStride);
        return;
    }
    if (width < 1 || height < 1 || size < 1)
        return;
    auto* d = static_cast<unsigned char*>(dst);
    for (int r = 0; r < height; ++r) {
        unsigned char* row = d + std::ptrdiff_t(r) * rowStride;
        switch (size) {
        case 1: storeStrided<uint8_t>(row, sample, width, pixelStride); break;
        case 2: storeStrided<uint16_t>(row, sample, width, pixelStride); break;
        case 4: storeStrided<uint32_t>(row, sample, width, pixelStride); break;
        case 8: storeStrided<uint64_t>(row, sample, width, pixelStride); break;
        default:
            for (int i = 0; i < width; ++i)
                std::memcpy(row + std::ptrdiff_t(i) * pixelStride, sample, std::size_t(size));
            break;
        }
    }
}

} // namespace Nuvra
