#pragma once

// The painting effect: one frame of 8-bit A, R, G, B pixels into the painted
// picture. Runs on the caller's thread and starts no threads; several frames
// may render at once on different threads.
//
// How a frame flows: Filter wraps the pixels in planes of the tiled store and
// FilterCore runs the stages in order (weights in effect/StageWeights.h):
// the source luminance by mode into a float Lab plane; L down to the working
// size; sharpening, orientation field and line integral there, on plain
// buffers from the thread's scratch arena; back to the frame's size; the
// noise layer; the colouring into an 8-bit RGB plane (or the toned Lab
// plane); the result into the destination. Vector kernels run where the
// kernel switch (pixelstore/CpuFeatures.h) allows and give the plain bits.

#include "effect/MorvelinParams.h"
#include "pixelstore/Geometry.h"

#include <cstdint>

namespace Nuvra {
namespace DataStorage {
class PixelPlane;
class ProgressData;
}
}

// src and dst hold size.width x size.height pixels of 4 bytes (A, R, G, B),
// rows srcStride and dstStride bytes apart. Returns true when the result was
// written to dst; false for bad arguments (sizes of 0 or less, null buffers,
// strides shorter than a row), on cancellation through the progress record
// and when memory runs out, and dst is then untouched. The int is unused.
bool Filter(const Nuvra::Detail::SizeT<int>& size, const std::uint8_t* src, int srcStride, std::uint8_t* dst,
            int dstStride, int, const Morvelin_paramsCalc& params, Nuvra::DataStorage::ProgressData* progress);

// The whole pipeline on planes: region (in source coordinates) of source into
// destination at (0, 0). False on a destination alpha of an unsupported type
// and on cancellation.
bool FilterCore(const Morvelin_paramsCalc& params, const Nuvra::Detail::RectT<int>& region,
                const Nuvra::DataStorage::PixelPlane& source, Nuvra::DataStorage::PixelPlane& destination,
                Nuvra::DataStorage::ProgressData* progress);
