#include "pixelstore/MonotoneCache.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

using namespace Nuvra;
using namespace Nuvra::DataStorage;

namespace {

SmartPtr<TileDescriptor> cached(int size, const void* value)
{
    SmartPtr<TileDescriptor> tile;
    MonotoneCache::getMonotone(tile, size, value);
    return tile;
}

bool holdsEverywhere(const TileDescriptor& tile, const void* value)
{
    const int size = tile.elementSize();
    for (int i = 0; i < kTileElements; ++i)
        if (std::memcmp(tile.data() + std::size_t(i) * size, value, std::size_t(size)) != 0)
            return false;
    return true;
}

} // namespace

TEST(MonotoneCache, ZeroTileIsSharedPerElementSize)
{
    const unsigned char zeros[16] = {};
    for (int size : {1, 2, 4, 8, 16}) {
        SmartPtr<TileDescriptor> a = cached(size, nullptr);
        const long live = TileDescriptor::liveTiles();
        SmartPtr<TileDescriptor> b = cached(size, zeros);
        EXPECT_EQ(a, b) << size;
        EXPECT_EQ(TileDescriptor::liveTiles(), live);
        EXPECT_EQ(a->elementSize(), size);
        EXPECT_EQ(a->state(), TileDescriptor::Monotone);
        EXPECT_TRUE(holdsEverywhere(*a, zeros));
    }
    EXPECT_NE(cached(1, nullptr), cached(2, nullptr));
}

TEST(MonotoneCache, ValuesThatShareAKeyKeepTheirOwnTiles)
{
    // 4-byte values differing in the byte shifted out of the key, and 8- and
    // 12-byte values differing after their first four bytes.
    const uint32_t f1 = 0x11223344, f2 = 0x99223344;
    const unsigned char w1[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const unsigned char w2[12] = {1, 2, 3, 4, 9, 9, 9, 9, 9, 9, 9, 9};
    for (int size : {4, 8, 12}) {
        const void* v1 = size == 4 ? static_cast<const void*>(&f1) : w1;
        const void* v2 = size == 4 ? static_cast<const void*>(&f2) : w2;
        SmartPtr<TileDescriptor> t1 = cached(size, v1);
        SmartPtr<TileDescriptor> t2 = cached(size, v2);
        ASSERT_NE(t1, t2) << size;
        EXPECT_TRUE(holdsEverywhere(*t1, v1)) << size;
        EXPECT_TRUE(holdsEverywhere(*t2, v2)) << size;
        EXPECT_EQ(cached(size, v1), t1) << size;
        EXPECT_EQ(cached(size, v2), t2) << size;
    }
}

TEST(MonotoneCache, OfferedTileIsReplacedByEqualCachedTile)
{
    const uint16_t value = 0xBEEF;
    SmartPtr<TileDescriptor> existing = cached(2, &value);

    SmartPtr<TileDescriptor> offered(new TileDescriptor(2));
    for (int i = 0; i < kTileElements; ++i)
        std::memcpy(offered->data() + 2 * i, &value, 2);
    offered->setMonotone(true);
    MonotoneCache::cacheMonotone(offered, 2);
    EXPECT_EQ(offered, existing);

    // A value nobody cached yet: the offered tile itself enters.
    const uint16_t other = 0x1234;
    SmartPtr<TileDescriptor> fresh(new TileDescriptor(2));
    for (int i = 0; i < kTileElements; ++i)
        std::memcpy(fresh->data() + 2 * i, &other, 2);
    fresh->setMonotone(true);
    TileDescriptor* raw = fresh.get();
    MonotoneCache::cacheMonotone(fresh, 2);
    EXPECT_EQ(fresh.get(), raw);
    EXPECT_EQ(cached(2, &other).get(), raw);
}

TEST(MonotoneCache, BothInsertPathsPurgeUnheldTilesAndSpareHeldOnes)
{
    const uint32_t keptValue = 0xC0FFEE;
    SmartPtr<TileDescriptor> kept = cached(4, &keptValue);
    const long live = TileDescriptor::liveTiles();

    // Flood through the lookup path, then through the offer path.
    for (uint32_t v = 1; v <= 400; ++v)
        cached(4, &v);
    EXPECT_LE(MonotoneCache::entryCount(), MonotoneCache::kPurgeThreshold);
    for (uint32_t v = 1000; v < 1400; ++v) {
        SmartPtr<TileDescriptor> tile(new TileDescriptor(4));
        for (int i = 0; i < kTileElements; ++i)
            std::memcpy(tile->data() + 4 * i, &v, 4);
        tile->setMonotone(true);
        MonotoneCache::cacheMonotone(tile, 4);
    }
    EXPECT_LE(MonotoneCache::entryCount(), MonotoneCache::kPurgeThreshold);
    EXPECT_LE(TileDescriptor::liveTiles(), live + MonotoneCache::kPurgeThreshold);

    // The held tile survived every purge and is still the one found.
    EXPECT_EQ(cached(4, &keptValue), kept);
}

TEST(MonotoneCache, PurgeWaitsForAFullCache)
{
    // Below the threshold nothing is dropped, held or not.
    const int start = MonotoneCache::entryCount();
    if (start + 10 >= MonotoneCache::kPurgeThreshold)
        GTEST_SKIP() << "cache already filled by other tests in this process";
    unsigned char value[77] = {};
    for (unsigned char v = 1; v <= 10; ++v) {
        value[76] = v;
        cached(77, value);
    }
    EXPECT_EQ(MonotoneCache::entryCount(), start + 10);
}
