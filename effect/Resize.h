#pragma once

#include "effect/ResizeKernels.h"
#include "pixelstore/DataChannel.h"

namespace Nuvra {
namespace DataStorage {
class ProgressData;
} // namespace DataStorage
} // namespace Nuvra

// Resizes a float channel into dst (whose size is the target size): block
// averages for exact whole-factor reductions, area averaging for other
// reductions, a separable Keys cubic otherwise; results clamped to [0, 1]
// when asked.
void resizeChannel(const Nuvra::DataStorage::DataChannel& src, Nuvra::DataStorage::DataChannel& dst,
                   Nuvra::DataStorage::ProgressData* progress, bool clamp);

// dst = means of fx x fy blocks of src (partial blocks at the right and
// bottom edges average what they hold). Returns false when cancelled.
bool boxReduceChannel(const Nuvra::DataStorage::DataChannel& src, Nuvra::DataStorage::DataChannel& dst, int fx,
                      int fy, Nuvra::DataStorage::ProgressData* progress);

// dst = area averages of src at any size no larger on either axis.
// Returns false when cancelled.
bool areaResampleChannel(const Nuvra::DataStorage::DataChannel& src, Nuvra::DataStorage::DataChannel& dst,
                         Nuvra::DataStorage::ProgressData* progress, bool clamp);

// Separable cubic resample of src into dst. Returns false when cancelled.
bool cubicResampleChannel(const Nuvra::DataStorage::DataChannel& src, Nuvra::DataStorage::DataChannel& dst,
                          Nuvra::DataStorage::ProgressData* progress, bool clamp);

// resizeChannel between a channel and a packed float buffer (rows of
// size.width floats) of the other size, bit for bit the same: the cubic
// reads or writes the buffer itself, the other cases go through a channel.
void resizeChannelToPacked(const Nuvra::DataStorage::DataChannel& src, float* dst, const Nuvra::Size& size,
                           Nuvra::DataStorage::ProgressData* progress, bool clamp);
void resizePackedToChannel(const float* src, const Nuvra::Size& size, Nuvra::DataStorage::DataChannel& dst,
                           Nuvra::DataStorage::ProgressData* progress, bool clamp);
