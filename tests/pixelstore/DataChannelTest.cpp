#include "ChannelTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

using namespace ChannelTest;

TEST(DataChannel, NewChannelSharesTheZeroTile)
{
    const long live = TileDescriptor::liveTiles();
    DataChannel channel(Size{1000, 1000}, kTypeFloat);
    EXPECT_EQ(channel.tilesAcross(), 16);
    EXPECT_EQ(channel.tilesDown(), 16);
    EXPECT_EQ(channel.tileCount(), 256);
    EXPECT_EQ(channel.elementSize(), 4);
    const TileDescriptor* zero = cachedTile(4, nullptr);
    for (int i = 0; i < channel.tileCount(); ++i)
        ASSERT_EQ(channel.tileAt(i), zero) << i;
    EXPECT_LE(TileDescriptor::liveTiles(), live + 1);
    float value = -1;
    EXPECT_TRUE(channel.isMonotone(&value));
    EXPECT_EQ(value, 0.0f);
}

TEST(DataChannel, TypesWithoutAStorableElementThrow)
{
    try {
        DataChannel channel(Size{4, 4}, 0);
        FAIL() << "type 0 accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "DataChannel with element size = 0");
    }
    DataChannel source(Size{4, 4}, kTypeU8);
    for (ChannelType type : {0, 256, -9, -32, 1 << 30})
        EXPECT_THROW(DataChannel(source, type), std::runtime_error) << type;
    for (ChannelType type : {256, -9, -32, -2147483647 - 1})
        EXPECT_THROW(DataChannel(Size{4, 4}, type), std::runtime_error) << type;
    EXPECT_THROW(DataChannel(Size{-1, 4}, kTypeU8), std::runtime_error);
    EXPECT_THROW(DataChannel(Size{2147483647, 2147483647}, kTypeU8), std::runtime_error);
    EXPECT_THROW(source.resize(Size{5, -5}, true), std::runtime_error);
    EXPECT_EQ(source.size(), (Size{4, 4})) << "a refused resize changes nothing";
    DataChannel opaque(Size{3, 3}, 255);
    EXPECT_EQ(opaque.elementSize(), 255);
}

TEST(DataChannel, WriteIntoSharedTileStaysInThisChannel)
{
    DataChannel channel(Size{200, 130}, kTypeU16);
    setElement<uint16_t>(channel, 70, 5, 111);
    DataChannel copy(channel);
    EXPECT_EQ(copy.tileAt(1), channel.tileAt(1));
    setElement<uint16_t>(channel, 71, 5, 222);
    setElement<uint16_t>(copy, 0, 0, 333);
    EXPECT_EQ(elementAt<uint16_t>(channel, 71, 5), 222);
    EXPECT_EQ(elementAt<uint16_t>(copy, 71, 5), 0);
    EXPECT_EQ(elementAt<uint16_t>(copy, 70, 5), 111);
    EXPECT_EQ(elementAt<uint16_t>(channel, 0, 0), 0);
    EXPECT_NE(copy.tileAt(1), channel.tileAt(1));
    EXPECT_EQ(copy.tileAt(2), channel.tileAt(2)) << "untouched tiles stay shared";
}

TEST(DataChannel, UniformWriteReturnsTileToTheCache)
{
    DataChannel channel(Size{256, 256}, kTypeFloat);
    std::vector<float> block(64 * 64, 0.25f);
    setData(channel, Rect{64, 64, 128, 128}, block.data(), 64 * sizeof(float));
    const float quarter = 0.25f;
    const int tile = 1 * 4 + 1;
    EXPECT_EQ(channel.tileAt(tile), cachedTile(4, &quarter));

    setElement<float>(channel, 100, 100, 0.5f);
    const TileDescriptor* own = channel.tileAt(tile);
    EXPECT_NE(own, cachedTile(4, &quarter));
    EXPECT_EQ(own->refCount(), 1);
    EXPECT_EQ(elementAt<float>(channel, 100, 100), 0.5f);
    EXPECT_EQ(elementAt<float>(channel, 101, 100), 0.25f);
}

TEST(DataChannel, EdgeTileChecksOnlyItsValidPart)
{
    // Width 100: the second column of tiles has 36 valid columns.
    DataChannel channel(Size{100, 64}, kTypeU8);
    {
        DataChannel::TileReadWrite tile(&channel, 1, DataChannel::TileReadWrite::ProbeMonotone);
        auto* data = static_cast<unsigned char*>(tile.data());
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                data[y * 64 + x] = x < 36 ? 9 : static_cast<unsigned char>(x);
    }
    const unsigned char nine = 9;
    EXPECT_EQ(channel.tileAt(1), cachedTile(1, &nine));
    unsigned char value = 0;
    EXPECT_TRUE(channel.isMonotone(Rect{64, 0, 100, 64}, &value));
    EXPECT_EQ(value, 9);

    {
        DataChannel::TileReadWrite tile(&channel, 1);
        static_cast<unsigned char*>(tile.data())[35] = 1;
    }
    EXPECT_NE(channel.tileAt(1), cachedTile(1, &nine));
}

TEST(DataChannel, FillRectTouchesOnlyWhatItMust)
{
    DataChannel channel(Size{130, 70}, kTypeU16);
    const uint16_t v = 0x0102;
    const TileDescriptor* zero = cachedTile(2, nullptr);

    // A fill with the value a tile already holds changes nothing.
    channel.fillRect(Rect{10, 10, 20, 20}, nullptr);
    EXPECT_EQ(channel.tileAt(0), zero);

    // A whole tile (interior or edge valid area) becomes the cached tile.
    channel.fillRect(Rect{0, 0, 64, 64}, &v);
    EXPECT_EQ(channel.tileAt(0), cachedTile(2, &v));
    channel.fillRect(Rect{128, 64, 500, 500}, &v);
    EXPECT_EQ(channel.tileAt(5), cachedTile(2, &v));

    // Part of a tile: only the part.
    channel.fillRect(Rect{-5, 60, 3, 66}, &v);
    std::vector<unsigned char> all = readAll(channel);
    for (int y = 0; y < 70; ++y) {
        for (int x = 0; x < 130; ++x) {
            const bool filled = (x < 64 && y < 64) || (x >= 128 && y >= 64) || (x < 3 && y >= 60 && y < 66);
            uint16_t got;
            std::memcpy(&got, &all[(std::size_t(y) * 130 + x) * 2], 2);
            ASSERT_EQ(got, filled ? v : 0) << x << "," << y;
        }
    }
}

TEST(DataChannel, AlignedCopySharesInteriorTiles)
{
    DataChannel src(Size{300, 200}, kTypeFloat);
    for (int y = 0; y < 200; y += 7)
        for (int x = 0; x < 300; x += 5)
            setElement<float>(src, x, y, float(x * 1000 + y));
    DataChannel dst(Size{400, 300}, kTypeFloat);
    dst.copy(src, Rect{64, 0, 300, 200}, Point{128, 64});
    // Source tiles (1..3, 0..2) land at destination tiles (2..4, 1..3); the
    // source's right column (256..299) and bottom row (192..199) are partial.
    for (int row = 0; row < 4; ++row) {
        for (int column = 1; column < 5; ++column) {
            const bool full = column * 64 + 64 <= 300 && row * 64 + 64 <= 200;
            const bool shared = dst.tileAt((row + 1) * dst.tilesAcross() + column + 1) ==
                                src.tileAt(row * src.tilesAcross() + column);
            EXPECT_EQ(shared, full) << row << "," << column;
        }
    }
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 400; ++x) {
            const int sx = x - 64, sy = y - 64;
            const float want = (sx >= 64 && sx < 300 && sy >= 0 && sy < 200) ? elementAt<float>(src, sx, sy) : 0.0f;
            ASSERT_EQ(elementAt<float>(dst, x, y), want) << x << "," << y;
        }
    }
}

TEST(DataChannel, CopyConvertsElementTypes)
{
    DataChannel src(Size{70, 70}, kTypeU8);
    const unsigned char full = 255;
    src.fillRect(Rect{0, 0, 70, 70}, &full);
    setElement<unsigned char>(src, 1, 1, 51);
    DataChannel dst(Size{70, 70}, kTypeFloat);
    dst.copy(src, Rect{0, 0, 70, 70}, Point{0, 0});
    EXPECT_EQ(elementAt<float>(dst, 0, 0), 1.0f);
    EXPECT_EQ(elementAt<float>(dst, 69, 69), 1.0f);
    EXPECT_FLOAT_EQ(elementAt<float>(dst, 1, 1), 0.2f);

    DataChannel converted(src, kTypeU16);
    EXPECT_EQ(converted.type(), kTypeU16);
    EXPECT_EQ(elementAt<uint16_t>(converted, 1, 1), 51 * 257);
    EXPECT_EQ(elementAt<uint16_t>(converted, 69, 0), 65535);
    const uint16_t top = 65535;
    EXPECT_EQ(converted.tileAt(3), cachedTile(2, &top)) << "uniform tiles convert to the cached tile";
}

TEST(DataChannel, CopyWithinOneChannelReadsTheOldContents)
{
    DataChannel channel(Size{150, 10}, kTypeU8);
    for (int x = 0; x < 150; ++x)
        setElement<unsigned char>(channel, x, 0, static_cast<unsigned char>(x));
    channel.copy(channel, Rect{0, 0, 140, 1}, Point{10, 0});
    for (int x = 0; x < 150; ++x)
        ASSERT_EQ(elementAt<unsigned char>(channel, x, 0), x < 10 ? x : x - 10) << x;
}

TEST(DataChannel, ResizeKeepsTilesAtSharedPositions)
{
    DataChannel channel(Size{100, 100}, kTypeU8);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; x += 3)
            setElement<unsigned char>(channel, x, y, static_cast<unsigned char>(1 + (x + y) % 200));
    const TileDescriptor* kept = channel.tileAt(0);
    channel.resize(Size{200, 50}, true);
    EXPECT_EQ(channel.size(), (Size{200, 50}));
    EXPECT_EQ(channel.tilesAcross(), 4);
    EXPECT_EQ(channel.tilesDown(), 1);
    EXPECT_EQ(channel.tileAt(0), kept);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(elementAt<unsigned char>(channel, x, y),
                      x < 100 && x % 3 == 0 ? 1 + (x + y) % 200 : 0) << x << "," << y;

    channel.resize(Size{10, 10}, false);
    EXPECT_TRUE(channel.isMonotone(nullptr));
}

TEST(DataChannel, GrowingAfterShrinkingShowsZerosNotStaleElements)
{
    for (ChannelType type : {kTypeU8, kTypeFloat, 12}) {
        DataChannel channel(Size{100, 100}, type);
        std::vector<unsigned char> ones(std::size_t(100) * 100 * channel.elementSize(), 0x11);
        setData(channel, Rect{0, 0, 100, 100}, ones.data(), unsigned(100 * channel.elementSize()));
        channel.resize(Size{70, 40}, true);
        channel.resize(Size{100, 100}, true);
        const std::vector<unsigned char> all = readAll(channel);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                ASSERT_EQ(all[(std::size_t(y) * 100 + x) * channel.elementSize()], x < 70 && y < 40 ? 0x11 : 0)
                    << "type " << type << " at " << x << "," << y;
    }
}

TEST(DataChannel, SidesWhoseLastTileEndsBeyondTheIntRangeThrow)
{
    // A write at the far edge of such a channel used to be lost: the tile
    // coordinates wrapped around.
    constexpr int kLongest = INT_MAX / 64 * 64;
    for (Size size : {Size{INT_MAX, 1}, Size{1, INT_MAX}, Size{kLongest + 1, 0}, Size{0, kLongest + 1}})
        EXPECT_THROW(DataChannel(size, kTypeU8), std::runtime_error) << size.width << " x " << size.height;
    const DataChannel longest(Size{kLongest, 0}, kTypeU8);
    EXPECT_EQ(longest.tilesAcross(), kLongest / 64);
    EXPECT_EQ(longest.tileCount(), 0);

    DataChannel channel(Size{10, 10}, kTypeU8);
    EXPECT_THROW(channel.resize(Size{INT_MAX, 1}, true), std::runtime_error);
    EXPECT_EQ(channel.size(), (Size{10, 10}));
}

TEST(DataChannel, SetAndGetClipToTheChannel)
{
    DataChannel channel(Size{70, 70}, kTypeU16);
    // A 10 x 10 buffer whose rectangle hangs over the top-left corner.
    std::vector<uint16_t> in(100);
    for (int i = 0; i < 100; ++i)
        in[std::size_t(i)] = uint16_t(i + 1);
    setData(channel, Rect{-4, -3, 6, 7}, in.data(), 20);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(elementAt<uint16_t>(channel, x, y), (y + 3) * 10 + (x + 4) + 1) << x << "," << y;
    EXPECT_EQ(elementAt<uint16_t>(channel, 6, 0), 0);
    EXPECT_EQ(elementAt<uint16_t>(channel, 0, 7), 0);

    std::vector<uint16_t> out(100, 0xEEEE);
    getData(channel, Rect{-4, -3, 6, 7}, out.data(), 20);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(out[std::size_t(y) * 10 + x], x >= 4 && y >= 3 ? in[std::size_t(y) * 10 + x] : 0xEEEE);

    // Wholly outside: nothing is touched.
    const std::vector<unsigned char> before = readAll(channel);
    setData(channel, Rect{70, 0, 80, 10}, in.data(), 20);
    setData(channel, Rect{-20, -20, -10, -10}, in.data(), 20);
    getData(channel, Rect{100, 100, 110, 110}, out.data(), 20);
    EXPECT_EQ(readAll(channel), before);
}

// A stride shorter than a row would lay rows over each other: refused, and
// neither the channel nor the buffer is touched. One row needs no stride.
TEST(DataChannel, ShortStridesAreRefused)
{
    DataChannel channel(Size{70, 70}, kTypeU16);
    std::vector<uint16_t> in(100, 0x1234);
    for (const unsigned int stride : {0u, 1u, 19u}) {
        setData(channel, Rect{0, 0, 10, 10}, in.data(), stride);
        EXPECT_EQ(readAll(channel), std::vector<unsigned char>(readAll(channel).size(), 0)) << stride;
        std::vector<uint16_t> out(100, 0xEEEE);
        getData(channel, Rect{0, 0, 10, 10}, out.data(), stride);
        EXPECT_EQ(out, std::vector<uint16_t>(100, 0xEEEE)) << stride;
    }
    setData(channel, Rect{0, 0, 10, 1}, in.data(), 0);
    EXPECT_EQ(elementAt<uint16_t>(channel, 9, 0), 0x1234);
    std::vector<uint16_t> out(10, 0);
    getData(channel, Rect{0, 0, 10, 1}, out.data(), 0);
    EXPECT_EQ(out, std::vector<uint16_t>(10, 0x1234));
}

TEST(DataChannel, RectanglesStartingFarOutsideAddressTheBufferIn64Bits)
{
    ReservedBuffer buffer;
    ASSERT_TRUE(buffer.ok());
    unsigned char* far = buffer.data() + ReservedBuffer::kFar;
    DataChannel channel(Size{1, 1}, kTypeU8);
    // The pixel (0, 0) lies 2^31 elements to the right of the rectangle's
    // start, or 2^31 rows of one byte below it.
    for (Rect rect : {Rect{INT_MIN, 0, 1, 1}, Rect{0, INT_MIN, 1, 1}}) {
        *far = 42;
        setData(channel, rect, buffer.data(), 1);
        EXPECT_EQ(elementAt<unsigned char>(channel, 0, 0), 42) << rect.left << "," << rect.top;
        setElement<unsigned char>(channel, 0, 0, 7);
        getData(channel, rect, buffer.data(), 1);
        EXPECT_EQ(*far, 7) << rect.left << "," << rect.top;
    }
}

TEST(DataChannel, IsMonotoneOverRectangles)
{
    DataChannel channel(Size{200, 200}, kTypeDouble);
    const double a = 3.5;
    channel.fillRect(Rect{0, 0, 200, 200}, &a);
    setElement<double>(channel, 150, 150, 1.0);
    struct Case {
        Rect rect;
        bool uniform;
        double value;
    };
    const Case cases[] = {
        {{0, 0, 200, 200}, false, 0},     {{0, 0, 150, 200}, true, 3.5},  {{150, 150, 151, 151}, true, 1.0},
        {{140, 140, 160, 150}, true, 3.5}, {{-50, -50, 100, 100}, true, 3.5}, {{5, 5, 5, 9}, true, -7},
        {{300, 300, 400, 400}, true, -7},
    };
    for (const Case& c : cases) {
        double value = -7;
        EXPECT_EQ(channel.isMonotone(c.rect, &value), c.uniform) << c.rect.left << "," << c.rect.top;
        if (c.uniform) {
            EXPECT_EQ(value, c.value) << c.rect.left << "," << c.rect.top;
        }
    }
    EXPECT_TRUE(channel.isTileMonotone(0));
    EXPECT_FALSE(channel.isTileMonotone(2 * 4 + 2));
    double tileValue = 0;
    channel.getTileMonotoneValue(3, &tileValue);
    EXPECT_EQ(tileValue, 3.5);
}

TEST(DataChannel, TileFillAndTileCopy)
{
    DataChannel a(Size{128, 64}, 3);
    const unsigned char v[3] = {1, 2, 3};
    a.tileFill(1, v);
    EXPECT_EQ(a.tileAt(1), cachedTile(3, v));
    a.tileCopy(0, a, 1);
    EXPECT_EQ(a.tileAt(0), a.tileAt(1));
    a.tileFill(1, nullptr);
    EXPECT_EQ(a.tileAt(1), cachedTile(3, nullptr));

    // A tile written since its last check is settled before it is shared.
    DataChannel b(Size{64, 64}, kTypeFloat);
    {
        DataChannel::TileReadWrite tile(&b, 0);
        auto* data = static_cast<float*>(tile.data());
        for (int i = 0; i < kTileElements; ++i)
            data[i] = 0.75f;
    }
    DataChannel c(Size{64, 64}, kTypeFloat);
    c.tileCopy(0, b, 0);
    const float threeQuarters = 0.75f;
    EXPECT_EQ(c.tileAt(0), cachedTile(4, &threeQuarters));
    EXPECT_EQ(b.tileAt(0), c.tileAt(0));

    // Element sizes that differ are refused; indices out of range are ignored.
    c.tileCopy(0, a, 0);
    EXPECT_EQ(c.tileAt(0), cachedTile(4, &threeQuarters));
    c.tileCopy(5, b, 0);
    c.tileFill(-1, nullptr);
}

TEST(DataChannel, SwapExchangesEverything)
{
    DataChannel a(Size{10, 20}, kTypeU8);
    DataChannel b(Size{300, 5}, kTypeDouble);
    setElement<double>(b, 299, 4, 2.5);
    a.swap(b);
    EXPECT_EQ(a.type(), kTypeDouble);
    EXPECT_EQ(a.size(), (Size{300, 5}));
    EXPECT_EQ(a.tilesAcross(), 5);
    EXPECT_EQ(elementAt<double>(a, 299, 4), 2.5);
    EXPECT_EQ(b.type(), kTypeU8);
    EXPECT_EQ(b.elementSize(), 1);
    EXPECT_EQ(b.size(), (Size{10, 20}));
    a.swap(a);
    EXPECT_EQ(elementAt<double>(a, 299, 4), 2.5);
}

// Codes that the size rule accepts but conversion does not know still copy
// between channels of the one code: byte for byte, partial tiles included.
TEST(DataChannel, CopyOfOneUnconvertibleCodeIsAByteCopy)
{
    for (const ChannelType code : {-5, -8, -33, -36, 3}) {
        SCOPED_TRACE(testing::Message() << "code " << code);
        DataChannel src(Size{100, 100}, code);
        const std::size_t size = std::size_t(src.elementSize());
        std::vector<unsigned char> bytes(100 * 100 * size);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<unsigned char>(i * 7 + i / 251);
        setData(src, Rect{0, 0, 100, 100}, bytes.data(), unsigned(100 * size));

        DataChannel whole(Size{100, 100}, code);
        whole.copy(src, Rect{0, 0, 100, 100}, Point{0, 0});
        EXPECT_EQ(readAll(whole), readAll(src));

        // Shifted: no tile lines up, every element goes through the rows.
        DataChannel shifted(Size{100, 100}, code);
        shifted.copy(src, Rect{0, 0, 100, 100}, Point{3, 5});
        std::vector<unsigned char> out(bytes.size(), 0xEE);
        getData(shifted, Rect{3, 5, 100, 100}, out.data(), unsigned(97 * size));
        for (int y = 0; y < 95; ++y)
            ASSERT_EQ(std::memcmp(&out[std::size_t(y) * 97 * size], &bytes[std::size_t(y) * 100 * size], 97 * size), 0)
                << "row " << y;
    }
}

TEST(DataChannel, UnconvertiblePairsLeaveTheDestinationAlone)
{
    // An opaque 4-byte type and float have the same size but no conversion:
    // nothing is shared or written, and a converted copy stays zero.
    DataChannel opaque(Size{128, 128}, 4);
    const uint32_t pattern = 0x3F800000;
    opaque.fillRect(Rect{0, 0, 128, 128}, &pattern);
    setElement<uint32_t>(opaque, 70, 70, 0x40000000);

    DataChannel floats(Size{128, 128}, kTypeFloat);
    const float half = 0.5f;
    floats.fillRect(Rect{0, 0, 128, 128}, &half);
    floats.copy(opaque, Rect{0, 0, 128, 128}, Point{0, 0});
    float value = 0;
    EXPECT_TRUE(floats.isMonotone(&value));
    EXPECT_EQ(value, 0.5f);
    EXPECT_NE(floats.tileAt(0), opaque.tileAt(0));

    DataChannel converted(opaque, kTypeFloat);
    EXPECT_TRUE(converted.isMonotone(&value));
    EXPECT_EQ(value, 0.0f);
}
