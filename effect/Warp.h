#pragma once

#include "effect/WarpGeometry.h"
#include "pixelstore/DataChannel.h"

namespace Nuvra {
namespace DataStorage {
class ProgressData;
} // namespace DataStorage
} // namespace Nuvra

// Resamples src into dstRect of dst through M (destination position to
// source position) with bilinear sampling; samples without a usable source
// position take outsideValue, and samples along the source's border blend
// with it by their coverage. Sources that M shrinks are box-reduced first.
// Returns false, leaving dst alone, when M is singular or not finite.
bool warpChannel(const Nuvra::DataStorage::DataChannel& src, Nuvra::DataStorage::DataChannel& dst,
                 const Nuvra::Rect& srcRect, const Nuvra::Rect& dstRect, const Nuvra::Transform& M,
                 Nuvra::DataStorage::ProgressData* progress, float outsideValue);
