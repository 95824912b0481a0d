#pragma once

// Stand-in for the element conversion until it arrives; same interface.
namespace Nuvra {
namespace DataStorage {

bool convertMemory(void* dst, const void* src, int dstType, int srcType, int count);
bool convertMemory2D(void* dst, const void* src, int dstType, int srcType, int width, int height, int dstPixelStride,
                     int srcPixelStride, int dstRowStride, int srcRowStride);

} // namespace DataStorage
} // namespace Nuvra
