#include "ChannelTestSupport.h"

#include "pixelstore/ChannelTileWalk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

using namespace ChannelTest;

namespace {

// A channel whose element at (x, y) is (x * 7 + y * 3) mod 251, so any tile
// read from the wrong place shows.
DataChannel patterned(Size size)
{
    DataChannel c(size, kTypeU8);
    std::vector<std::uint8_t> v(std::size_t(size.width) * size.height);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x)
            v[std::size_t(y) * size.width + x] = std::uint8_t((x * 7 + y * 3) % 251);
    setData(c, Rect::fromSize(size), v.data(), unsigned(size.width));
    return c;
}

} // namespace

TEST(ChannelTileWalk, EveryAccessorSteppedToEachTileInOrder)
{
    // Edge tiles on both sides are partial.
    const Size size{kTileSide * 2 + 5, kTileSide + 9};
    const DataChannel source = patterned(size);
    DataChannel copy(size, kTypeU8), other(size, kTypeU8);
    DataChannel::TileReadOnly in(&source, -1);
    DataChannel::TileReadWrite out(&copy, -1), second(&other, -1);
    int expected = 0;
    long long area = 0;
    const bool whole = forEachTileInStep(source, [&](const Rect& piece) {
        EXPECT_EQ(in.tile(), expected);
        EXPECT_EQ(out.tile(), expected);
        EXPECT_EQ(second.tile(), expected);
        const int left = expected % 3 * kTileSide, top = expected / 3 * kTileSide;
        EXPECT_EQ(piece, (Rect{left, top, std::min(left + kTileSide, size.width), std::min(top + kTileSide, size.height)}));
        ++expected;
        area += static_cast<long long>(piece.width()) * piece.height();
        const auto* s = static_cast<const std::uint8_t*>(in.data());
        auto* d = static_cast<std::uint8_t*>(out.data());
        for (int y = 0; y < piece.height(); ++y)
            for (int x = 0; x < piece.width(); ++x)
                d[y * kTileSide + x] = s[y * kTileSide + x];
    }, in, out, second);
    EXPECT_TRUE(whole);
    EXPECT_EQ(expected, source.tileCount());
    EXPECT_EQ(area, static_cast<long long>(size.width) * size.height);
    out.done();
    EXPECT_EQ(readAll(copy), readAll(source));
}

TEST(ChannelTileWalk, AVisitReturningFalseStopsTheWalk)
{
    const DataChannel channel(Size{kTileSide * 3, kTileSide * 2}, kTypeFloat);
    DataChannel::TileReadOnly in(&channel, -1);
    int visits = 0;
    EXPECT_FALSE(forEachTileInStep(channel, [&](const Rect&) { return ++visits < 2; }, in));
    EXPECT_EQ(visits, 2);
    EXPECT_EQ(in.tile(), 1);
    visits = 0;
    EXPECT_TRUE(forEachTileInStep(channel, [&](const Rect&) { return ++visits > 0; }, in));
    EXPECT_EQ(visits, channel.tileCount());
}

TEST(ChannelTileWalk, AnEmptyChannelVisitsNothing)
{
    for (const Size size : {Size{0, 0}, Size{0, 10}, Size{10, 0}}) {
        const DataChannel channel(size, kTypeFloat);
        int visits = 0;
        EXPECT_TRUE(forEachTileInStep(channel, [&](const Rect&) { ++visits; }));
        EXPECT_EQ(visits, 0) << size.width << "x" << size.height;
    }
}
