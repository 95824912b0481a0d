#pragma once

#include "pixelstore/SmartPtr.h"
#include "pixelstore/TileDescriptor.h"

namespace Nuvra {
namespace DataStorage {

// Process-wide cache of uniform tiles: one shared tile per (element size,
// value). Every operation runs under one recursive mutex. When an entry is
// about to be added to a cache of kPurgeThreshold entries or more, entries
// that nobody but the cache holds are dropped first.
class MonotoneCache {
public:
    static constexpr int kPurgeThreshold = 101;

    // Points tile at the cached uniform tile of (size, value); a null value
    // means the all-zero element. Sizes up to 256 bytes.
    static void getMonotone(SmartPtr<TileDescriptor>& tile, int size, const void* value);
    // Offers a tile just found uniform: it is replaced by the cached tile of
    // the same value when there is one, else it enters the cache itself.
    static void cacheMonotone(SmartPtr<TileDescriptor>& tile, int size);
    // Number of entries (for tests and benchmarks).
    static int entryCount();
};

} // namespace DataStorage
} // namespace Nuvra
