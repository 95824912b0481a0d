#include "pixelstore/SmartPtr.h"
#include "pixelstore/TileDescriptor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

using namespace Nuvra;
using namespace Nuvra::DataStorage;

namespace {

// A tile of the given size whose elements all equal a pattern derived from
// the size, in the Unknown state as a write would leave it.
SmartPtr<TileDescriptor> uniformTile(int size, unsigned char seed = 7)
{
    SmartPtr<TileDescriptor> tile(new TileDescriptor(size));
    for (int i = 0; i < kTileElements; ++i)
        for (int b = 0; b < size; ++b)
            tile->data()[std::size_t(i) * size + b] = static_cast<unsigned char>(seed + b);
    tile->setUnknown();
    return tile;
}

} // namespace

TEST(TileDescriptor, ConstructionStartsEmptyAndNotUniform)
{
    const long before = TileDescriptor::liveTiles();
    {
        SmartPtr<TileDescriptor> tile(new TileDescriptor(12));
        EXPECT_EQ(tile->refCount(), 1);
        EXPECT_EQ(tile->readers(), 0);
        EXPECT_EQ(tile->writers(), 0);
        EXPECT_EQ(tile->state(), TileDescriptor::NotMonotone);
        EXPECT_EQ(tile->elementSize(), 12);
        EXPECT_EQ(TileDescriptor::liveTiles(), before + 1);
    }
    EXPECT_EQ(TileDescriptor::liveTiles(), before);
}

// Vector kernels load tiles at 64-byte boundaries. Tiles of every element
// size, made and freed in an interleaved order as channels are written and
// dropped, start there and keep all their bytes.
TEST(TileDescriptor, DataIsAlignedAndWhole)
{
    std::vector<SmartPtr<TileDescriptor>> kept;
    for (int round = 0; round < 3; ++round)
        for (const int size : {1, 2, 3, 4, 8, 12, 255}) {
            std::vector<SmartPtr<TileDescriptor>> tiles;
            for (int i = 0; i < 3; ++i) {
                tiles.emplace_back(new TileDescriptor(size));
                std::memset(tiles.back()->data(), i + 1, std::size_t(size) * kTileElements);
            }
            for (int i = 0; i < 3; ++i) {
                const unsigned char* d = tiles[i]->data();
                ASSERT_EQ(reinterpret_cast<std::uintptr_t>(d) % 64, 0u) << "size " << size;
                const std::size_t bytes = std::size_t(size) * kTileElements;
                ASSERT_EQ(d[0], i + 1) << "size " << size;
                ASSERT_EQ(d[bytes - 1], i + 1) << "size " << size;
            }
            kept.push_back(tiles[round % 3]);  // the others go back to the heap
        }
}

TEST(TileDescriptor, LockKeepsTileAliveUntilUnlock)
{
    for (auto kind : {TileDescriptor::Read, TileDescriptor::Write}) {
        const long before = TileDescriptor::liveTiles();
        TileDescriptor* raw = new TileDescriptor(4);
        SmartPtr<TileDescriptor> handle(raw);
        raw->lock(kind);
        handle.reset();
        EXPECT_EQ(TileDescriptor::liveTiles(), before + 1) << "a held lock must keep the tile";
        raw->unlock(kind);
        EXPECT_EQ(TileDescriptor::liveTiles(), before);
    }
}

TEST(TileDescriptor, ReleaseRacingUnlockFreesExactlyOnce)
{
    // The last reference and the last lock are dropped on two threads at once;
    // the tile must be freed once (the sanitizers catch a double free).
    const long before = TileDescriptor::liveTiles();
    for (int round = 0; round < 2000; ++round) {
        TileDescriptor* raw = new TileDescriptor(1);
        auto* handle = new SmartPtr<TileDescriptor>(raw);
        raw->lock(TileDescriptor::Read);
        std::thread a([&] { delete handle; });
        std::thread b([&] { raw->unlock(TileDescriptor::Read); });
        a.join();
        b.join();
    }
    EXPECT_EQ(TileDescriptor::liveTiles(), before);
}

TEST(TileDescriptor, CheckFindsDifferenceInAnyByteOfAnyElement)
{
    struct Case {
        int size;
        int element;
        int byte;
    };
    const Case cases[] = {{1, 4095, 0}, {1, 1, 0},    {2, 4095, 1}, {2, 2048, 0}, {4, 4095, 3},
                          {4, 1, 2},    {3, 4095, 2}, {8, 4095, 7}, {8, 100, 4},  {12, 4095, 11}};
    for (const Case& c : cases) {
        SmartPtr<TileDescriptor> tile = uniformTile(c.size);
        tile->data()[std::size_t(c.element) * c.size + c.byte] ^= 0x40;
        EXPECT_FALSE(tile->checkMonotone(c.size)) << "size " << c.size << " element " << c.element;
        EXPECT_EQ(tile->state(), TileDescriptor::Unknown) << "a failed check leaves the state pending";
        EXPECT_EQ(tile->monotoneState(), TileDescriptor::NotMonotone);
        EXPECT_EQ(tile->state(), TileDescriptor::NotMonotone);
    }
}

TEST(TileDescriptor, LazyCheckReportsNewUniformityOnce)
{
    for (int size : {1, 2, 3, 4, 8, 12, 255}) {
        SmartPtr<TileDescriptor> tile = uniformTile(size, 200);
        EXPECT_EQ(tile->monotoneState(), TileDescriptor::BecameMonotone) << size;
        EXPECT_EQ(tile->monotoneState(), TileDescriptor::Monotone) << size;
        EXPECT_EQ(tile->readers(), 0);
        std::vector<unsigned char> value(std::size_t(size) + 1, 0xAA);
        tile->getMonotoneValue(value.data());
        for (int b = 0; b < size; ++b)
            EXPECT_EQ(value[std::size_t(b)], static_cast<unsigned char>(200 + b)) << size;
        EXPECT_EQ(value[std::size_t(size)], 0xAA) << "wrote past the element";
    }
}

TEST(TileDescriptor, StatesZeroAndOneAreTrustedWithoutLooking)
{
    SmartPtr<TileDescriptor> tile = uniformTile(4);
    tile->setMonotone(false);
    EXPECT_FALSE(tile->checkMonotone(4));
    EXPECT_EQ(tile->monotoneState(), TileDescriptor::NotMonotone);
    tile->data()[5] ^= 1;
    tile->setMonotone(true);
    EXPECT_TRUE(tile->checkMonotone(4));
    EXPECT_TRUE(tile->checkMonotone(4, Rect{0, 0, 64, 64}));
}

TEST(TileDescriptor, RectangleCheckLooksOnlyInsideAndChangesNothing)
{
    SmartPtr<TileDescriptor> tile = uniformTile(2);
    // Element (40, 10) differs; rectangles are in channel coordinates of a
    // tile at column 1, row 2.
    std::memset(tile->data() + std::size_t(elementInTile(40, 10)) * 2, 0xFF, 2);
    struct Case {
        Rect rect;
        bool uniform;
    };
    const Case cases[] = {
        {{64, 128, 128, 192}, false}, // the whole tile
        {{64, 128, 104, 192}, true},  // columns 0..39
        {{105, 128, 128, 192}, true}, // columns 41..63, right edge exclusive at 64
        {{104, 138, 105, 139}, true}, // the odd element alone is uniform
        {{100, 130, 110, 140}, false},
        {{64, 139, 128, 192}, true},  // rows 11..63
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tile->checkMonotone(2, c.rect), c.uniform)
            << c.rect.left << "," << c.rect.top << "," << c.rect.right << "," << c.rect.bottom;
        EXPECT_EQ(tile->state(), TileDescriptor::Unknown);
    }
}
