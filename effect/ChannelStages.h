#pragma once

// The frame-size stages that walk channels tile by tile (64 x 64 elements,
// tile rows top to bottom, each row of tiles left to right).

#include "effect/Colouring.h"
#include "effect/NoiseLayer.h"

namespace Nuvra {
namespace DataStorage {
class DataChannel;
class ProgressData;
}

namespace Effect {

// lum = 0.299 R + 0.587 G + 0.114 B of three 8-bit channels, as a float in
// 0..1. All four channels have the same size.
void luminanceFromRgb(const DataStorage::DataChannel& r, const DataStorage::DataChannel& g,
                      const DataStorage::DataChannel& b, DataStorage::DataChannel& lum);

// Fills a float channel with the generator's values in tile order; one
// progress step per tile, false when cancelled after a tile.
bool fillNoiseChannel(DataStorage::DataChannel& noise, NoiseGenerator& gen, DataStorage::ProgressData* progress);

// The tone body over every tile of L (float, in place), with N (float).
// One progress step per tile, false when cancelled after a tile.
bool toneChannel(const ColouringContext& ctx, DataStorage::DataChannel& lum, const DataStorage::DataChannel& noise,
                 DataStorage::ProgressData* progress);

// A palette body over every tile: L and N (float) in, the 8-bit R, G, B
// channels out. One progress step per tile, false when cancelled after a tile.
bool paintChannels(ColourBody body, const ColouringContext& ctx, const DataStorage::DataChannel& lum,
                   const DataStorage::DataChannel& noise, DataStorage::DataChannel& r, DataStorage::DataChannel& g,
                   DataStorage::DataChannel& b, DataStorage::ProgressData* progress);

} // namespace Effect
} // namespace Nuvra
