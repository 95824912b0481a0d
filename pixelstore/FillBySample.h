#pragma once

namespace Nuvra {

// Writes count copies of the size-byte sample one after another from dst.
void fillBySample(void* dst, const void* sample, int size, int count);

// Fills width elements of each of height rows; row r starts at dst + r * rowStride.
void fillBySample2D(void* dst, const void* sample, int size, int width, int height, int rowStride);

// As above with element i of row r at dst + r * rowStride + i * pixelStride;
// bytes between elements are left untouched.
void fillBySample2D(void* dst, const void* sample, int size, int width, int height, int pixelStride,
                    int rowStride);

} // namespace Nuvra
