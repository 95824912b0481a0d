#pragma once

#include <cstdint>

namespace Nuvra {
namespace DataStorage {

// Element type codes: -1 unsigned 8-bit, -2 unsigned 16-bit, -3 float,
// -4 double, n > 0 an opaque element of n bytes.
//
// Converts count contiguous elements. Integers are normalised (255 and 65535
// are 1.0); float to integer rounds to nearest, ties to even, saturates and
// maps NaN to 0. Opaque elements are only copied to the same opaque type.
// Returns false, logs on "lib.ds" and writes nothing for any other pair.
bool convertMemory(void* dst, const void* src, int dstType, int srcType, int count);

// Converts width x height elements; the element at (x, y) lies at
// y * rowStride + x * pixelStride bytes from the start, on each side.
bool convertMemory2D(void* dst, const void* src, int dstType, int srcType, int width, int height, int dstPixelStride,
                     int srcPixelStride, int dstRowStride, int srcRowStride);

// Pixels of four 8-bit samples (sample k at byte k of each pixel) against
// four float rows of count elements, by the element rules. Split writes row
// k from sample k, skipping null rows; join writes every sample: from row k,
// or fill[k] where row k is null.
void splitPixelsU8x4(float* const rows[4], const void* pixels, int count);
void joinPixelsU8x4(void* pixels, const float* const rows[4], const unsigned char fill[4], int count);
// The same with four 8-bit rows: plain moves.
void splitPixelsU8x4(std::uint8_t* const rows[4], const void* pixels, int count);
void joinPixelsU8x4(void* pixels, const std::uint8_t* const rows[4], const unsigned char fill[4], int count);

} // namespace DataStorage
} // namespace Nuvra
