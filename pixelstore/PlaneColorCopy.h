#pragma once

#include "pixelstore/DataChannel.h"
#include "pixelstore/PixelPlane.h"

namespace Nuvra {
namespace DataStorage {

// Converts count interleaved pixels from src to dst (separate buffers).
using PixelRun = void (*)(const void* context, const void* src, void* dst, int count);

// The colour branch of the plane copy: converts the channels of inFormat in
// rect of src into the channels of outFormat at point in dst, tile by tile,
// through run. A uniform source tile is converted once; whole-width pieces
// go through run in one call, others row by row. Nothing happens when a
// format is empty or names a channel its plane lacks or holds in another
// element type.
void convertPlaneColors(PixelPlane& dst, const PixelPlane& src, const Rect& rect, const Point& point,
                        const PixelFormat& inFormat, const PixelFormat& outFormat, PixelRun run,
                        const void* context);

namespace Private {

// The calling thread's scratch buffers, at least size bytes (contents dropped
// when they grow), zero-filled over size bytes when clear.
void* GetCMMInpBuf(unsigned long size, bool clear);
void* GetCMMOutBuf(unsigned long size, bool clear);

// Gathers count elements from element start of each descriptor's tile into
// interleaved pixels of the format, and the reverse. The k-th descriptor that
// is not a placeholder uses the k-th tile; formats of mixed or other than
// 8-bit, 16-bit or float elements move nothing.
void channels2Flat(void* flat, const DataChannel::TileReadOnly* const* tiles, const PixelFormat& format, int start,
                   int count);
void flat2Channels(DataChannel::TileReadWrite* const* tiles, const void* flat, const PixelFormat& format, int start,
                   int count);

} // namespace Private
} // namespace DataStorage
} // namespace Nuvra
