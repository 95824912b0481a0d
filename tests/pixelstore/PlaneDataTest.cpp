#include "ChannelTestSupport.h"

#include "pixelstore/ElementConversion.h"
#include "pixelstore/PixelPlane.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>

using namespace ChannelTest;

namespace {

std::vector<unsigned char> randomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<unsigned char> v(n);
    for (auto& b : v)
        b = static_cast<unsigned char>(rng());
    return v;
}

} // namespace

TEST(PlaneData, ArgbRoundTripsAtOddSizesAndOffsets)
{
    const PixelFormat argb({kChannelAlpha, kChannelRed, kChannelGreen, kChannelBlue}, kTypeU8);
    struct Case {
        Size size;
        Rect rect;
    };
    const Case cases[] = {
        {{1, 1}, {0, 0, 1, 1}},       {{63, 65}, {0, 0, 63, 65}},   {{130, 67}, {0, 0, 130, 67}},
        {{130, 67}, {3, 5, 128, 66}}, {{130, 67}, {63, 1, 65, 67}}, {{200, 140}, {61, 7, 197, 133}},
    };
    for (const Case& c : cases) {
        PixelPlane plane(kSetRGBA, kTypeU8, c.size);
        const unsigned stride = unsigned(c.rect.width() * 4 + 3); // rows padded by an odd amount
        const std::vector<unsigned char> in = randomBytes(std::size_t(stride) * c.rect.height(), 7);
        ASSERT_TRUE(setData(plane, c.rect, in.data(), stride, argb));
        std::vector<unsigned char> out(in.size(), 0);
        ASSERT_TRUE(getData(plane, c.rect, out.data(), stride, argb));
        for (int y = 0; y < c.rect.height(); ++y)
            ASSERT_EQ(std::memcmp(&out[std::size_t(y) * stride], &in[std::size_t(y) * stride], std::size_t(c.rect.width()) * 4), 0)
                << c.size.width << "x" << c.size.height << " row " << y;
        // The channels hold what the buffer said, element by element.
        const int x = c.rect.right - 1, y = c.rect.bottom - 1;
        const unsigned char* px = &in[std::size_t(y - c.rect.top) * stride + std::size_t(x - c.rect.left) * 4];
        EXPECT_EQ(elementAt<unsigned char>(*plane.channelReadOnly(kChannelAlpha), x, y), px[0]);
        EXPECT_EQ(elementAt<unsigned char>(*plane.channelReadOnly(kChannelBlue), x, y), px[3]);
    }
}

TEST(PlaneData, MixedFormatsRoundTrip)
{
    // A 16-bit gray, a padding byte, a float alpha and a double extra channel.
    const ChannelDescriptor mixed[] = {
        {kChannelGray, kTypeU16}, {kChannelPlaceholder, kTypeU8}, {kChannelAlpha, kTypeFloat}, {20, kTypeDouble}, {-1, 0}};
    const PixelFormat format(mixed);
    ASSERT_EQ(format.pixelSize(), 15);
    PixelPlane plane(format, Size{67, 130});
    const Rect rect{1, 2, 66, 129};
    const unsigned stride = unsigned(rect.width()) * 15;
    std::vector<unsigned char> in(std::size_t(stride) * rect.height());
    std::mt19937 rng(3);
    for (int i = 0; i < rect.width() * rect.height(); ++i) {
        unsigned char* px = &in[std::size_t(i) * 15];
        const uint16_t g = uint16_t(rng());
        const float a = float(rng() % 1000) / 7.0f;
        const double e = double(rng()) / 3.0;
        std::memcpy(px, &g, 2);
        px[2] = 0x5A;
        std::memcpy(px + 3, &a, 4);
        std::memcpy(px + 7, &e, 8);
    }
    ASSERT_TRUE(setData(plane, rect, in.data(), stride, format));
    std::vector<unsigned char> out(in.size(), 0xEE);
    ASSERT_TRUE(getData(plane, rect, out.data(), stride, format));
    for (std::size_t i = 0; i < in.size(); ++i)
        ASSERT_EQ(out[i], i % 15 == 2 ? 0xEE : in[i]) << "byte " << i << " (placeholders stay untouched)";
}

TEST(PlaneData, ConvertsBetweenBufferAndChannelTypes)
{
    // A buffer of each numeric type into channels of each numeric type and
    // back out as each type: every step is the element conversion.
    const ChannelType types[] = {kTypeU8, kTypeU16, kTypeFloat, kTypeDouble};
    const unsigned char bytes[] = {0, 1, 51, 127, 128, 254, 255};
    for (ChannelType channelType : types) {
        for (ChannelType bufferType : types) {
            for (ChannelType readType : types) {
                PixelPlane plane(kSetGray, channelType, Size{7, 1});
                const int bsize = elementSize(bufferType), rsize = elementSize(readType);
                std::vector<unsigned char> in(std::size_t(7) * bsize), out(std::size_t(7) * rsize);
                ASSERT_TRUE(convertMemory(in.data(), bytes, bufferType, kTypeU8, 7));
                ASSERT_TRUE(setData(plane, Rect{0, 0, 7, 1}, in.data(), 0, PixelFormat(kSetGray, bufferType)));
                ASSERT_TRUE(getData(plane, Rect{0, 0, 7, 1}, out.data(), 0, PixelFormat(kSetGray, readType)));
                std::vector<unsigned char> stored(std::size_t(7) * elementSize(channelType)), want(out.size());
                convertMemory(stored.data(), in.data(), channelType, bufferType, 7);
                convertMemory(want.data(), stored.data(), readType, channelType, 7);
                EXPECT_EQ(out, want) << "channel " << channelType << " buffer " << bufferType << " read " << readType;
            }
        }
    }
}

// Interleaved four-byte pixels and 8-bit or float channels, both ways, at
// odd sizes, offsets and padded rows: every element is the element rule's, a
// plane without alpha reads as opaque, a uniform tile reads as its value and
// a channel the plane lacks is skipped on writing.
TEST(PlaneData, FourBytePixelsAndChannels)
{
    const PixelFormat argb({kChannelAlpha, kChannelRed, kChannelGreen, kChannelBlue}, kTypeU8);
    const Channel order[4] = {kChannelAlpha, kChannelRed, kChannelGreen, kChannelBlue};
    struct Case {
        ChannelSet set;
        Size size;
        Rect rect;
    };
    const ChannelSet rgb = (1u << kChannelRed) | (1u << kChannelGreen) | (1u << kChannelBlue);
    const ChannelSet argbSet = rgb | (1u << kChannelAlpha);
    // The element at (x, y) and a value, both as their bytes.
    const auto raw = [](const DataChannel& channel, int x, int y) {
        std::uint32_t v = 0;
        getData(channel, Rect{x, y, x + 1, y + 1}, &v, 4);
        return v;
    };
    for (const ChannelType type : {kTypeU8, kTypeFloat}) {
        for (const Case& c : {Case{argbSet, {130, 67}, {3, 5, 128, 66}}, Case{argbSet, {200, 140}, {61, 7, 197, 133}},
                              Case{rgb, {70, 9}, {0, 0, 70, 9}}, Case{argbSet, {5, 3}, {0, 0, 5, 3}}}) {
            SCOPED_TRACE(testing::Message() << "type " << type << " " << c.size.width << "x" << c.size.height);
            PixelPlane plane(c.set, type, c.size);
            const unsigned stride = unsigned(c.rect.width() * 4 + 5);
            const std::vector<unsigned char> in = randomBytes(std::size_t(stride) * c.rect.height(), 3);
            ASSERT_TRUE(setData(plane, c.rect, in.data(), stride, argb));
            for (int k = 0; k < 4; ++k) {
                if (!plane.hasChannel(order[k]))
                    continue;
                const DataChannel& channel = *plane.channelReadOnly(order[k]);
                for (int y = c.rect.top; y < c.rect.bottom; ++y)
                    for (int x = c.rect.left; x < c.rect.right; ++x) {
                        std::uint32_t want = 0;
                        convertMemory(&want,
                                      &in[std::size_t(y - c.rect.top) * stride + std::size_t(x - c.rect.left) * 4 + k],
                                      type, kTypeU8, 1);
                        ASSERT_EQ(raw(channel, x, y), want) << "lane " << k << " at " << x << "," << y;
                    }
            }
            // Out-of-range floats and a uniform tile on the way back.
            if (type == kTypeFloat) {
                const float odd[] = {std::nanf(""), -0.5f, 1.5f, 0.5f / 255.0f, 2.5f / 255.0f};
                for (int i = 0; i < 5; ++i)
                    plane.channelReadWrite(kChannelRed)
                        ->fillRect(Rect{c.rect.left + i, c.rect.top, c.rect.left + i + 1, c.rect.top + 1}, &odd[i]);
            }
            std::uint32_t uniform = 0;
            const float quarter = 0.25f;
            convertMemory(&uniform, &quarter, type, kTypeFloat, 1);
            plane.channelReadWrite(kChannelGreen)->fillRect(Rect::fromSize(c.size), &uniform);
            std::vector<unsigned char> out(in.size(), 0x5A);
            ASSERT_TRUE(getData(plane, c.rect, out.data(), stride, argb));
            for (int y = c.rect.top; y < c.rect.bottom; ++y)
                for (int x = c.rect.left; x < c.rect.right; ++x) {
                    const std::size_t at = std::size_t(y - c.rect.top) * stride + std::size_t(x - c.rect.left) * 4;
                    for (int k = 0; k < 4; ++k) {
                        unsigned char want = 255;
                        if (plane.hasChannel(order[k])) {
                            const std::uint32_t v = raw(*plane.channelReadOnly(order[k]), x, y);
                            convertMemory(&want, &v, kTypeU8, type, 1);
                        }
                        ASSERT_EQ(out[at + std::size_t(k)], want) << "lane " << k << " at " << x << "," << y;
                    }
                }
            for (int y = 0; y < c.rect.height(); ++y)
                ASSERT_EQ(out[std::size_t(y) * stride + std::size_t(c.rect.width()) * 4], 0x5A) << "row padding " << y;
        }
    }
}

TEST(PlaneData, MissingChannelsOnRead)
{
    PixelPlane plane(kSetRGB, kTypeU8, Size{5, 5});
    const unsigned char rgb[3] = {10, 20, 30};
    plane.channelReadWrite(kChannelRed)->fillRect(Rect{0, 0, 5, 5}, &rgb[0]);
    struct Case {
        ChannelType type;
        std::vector<unsigned char> opaque;
    };
    const float one = 1.0f;
    const uint16_t full = 65535;
    const Case cases[] = {
        {kTypeU8, {255}},
        {kTypeU16, {reinterpret_cast<const unsigned char*>(&full)[0], reinterpret_cast<const unsigned char*>(&full)[1]}},
        {kTypeFloat, std::vector<unsigned char>(reinterpret_cast<const unsigned char*>(&one),
                                                reinterpret_cast<const unsigned char*>(&one) + 4)},
    };
    for (const Case& c : cases) {
        const PixelFormat rgba(kSetRGBA, c.type);
        const int size = elementSize(c.type);
        std::vector<unsigned char> out(std::size_t(25) * rgba.pixelSize(), 0x77);
        ASSERT_TRUE(getData(plane, Rect{0, 0, 5, 5}, out.data(), 0, rgba));
        for (int i = 0; i < 25; ++i)
            EXPECT_EQ(std::memcmp(&out[std::size_t(i) * rgba.pixelSize() + 3 * size], c.opaque.data(), std::size_t(size)), 0)
                << "alpha reads as opaque, type " << c.type;
    }
    // A plane without green leaves the green bytes alone.
    PixelPlane noGreen(kSetRGBA & ~(1u << kChannelGreen), kTypeU8, Size{4, 4});
    std::vector<unsigned char> out(64, 0x42);
    ASSERT_TRUE(getData(noGreen, Rect{0, 0, 4, 4}, out.data(), 16, PixelFormat(kSetRGBA, kTypeU8)));
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(out[std::size_t(i) * 4 + 1], 0x42);
        EXPECT_EQ(out[std::size_t(i) * 4 + 0], 0);
        EXPECT_EQ(out[std::size_t(i) * 4 + 3], 0) << "its own alpha channel";
    }
}

TEST(PlaneData, RectanglesOutsideThePlane)
{
    PixelPlane plane(kSetGray, kTypeU8, Size{10, 10});
    std::vector<unsigned char> all(100);
    for (int i = 0; i < 100; ++i)
        all[std::size_t(i)] = static_cast<unsigned char>(i);
    ASSERT_TRUE(setData(plane, Rect{0, 0, 10, 10}, all.data(), 10, PixelFormat(kSetGray, kTypeU8)));

    // Half outside: only the inside part, at the unclipped positions.
    std::vector<unsigned char> out(100, 0xEE);
    ASSERT_TRUE(getData(plane, Rect{5, -5, 15, 5}, out.data(), 10, PixelFormat(kSetGray, kTypeU8)));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(out[std::size_t(y) * 10 + x], x < 5 && y >= 5 ? (y - 5) * 10 + x + 5 : 0xEE) << x << "," << y;

    std::vector<unsigned char> ones(100, 1);
    ASSERT_TRUE(setData(plane, Rect{-8, 8, 2, 18}, ones.data(), 10, PixelFormat(kSetGray, kTypeU8)));
    ASSERT_TRUE(setData(plane, Rect{20, 20, 30, 30}, ones.data(), 10, PixelFormat(kSetGray, kTypeU8)));
    ASSERT_TRUE(getData(plane, Rect{0, 0, 10, 10}, out.data(), 10, PixelFormat(kSetGray, kTypeU8)));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(out[std::size_t(y) * 10 + x], x < 2 && y >= 8 ? 1 : y * 10 + x) << x << "," << y;
}

TEST(PlaneData, RectanglesStartingFarOutsideAddressTheBufferIn64Bits)
{
    ReservedBuffer buffer;
    ASSERT_TRUE(buffer.ok());
    unsigned char* far = buffer.data() + ReservedBuffer::kFar;
    const PixelFormat gray(kSetGray, kTypeU8);
    PixelPlane plane(kSetGray, kTypeU8, Size{1, 1});
    // 2^31 rows of one byte above the plane.
    const Rect rect{0, INT_MIN, 1, 1};
    *far = 42;
    ASSERT_TRUE(setData(plane, rect, buffer.data(), 1, gray));
    EXPECT_EQ(elementAt<unsigned char>(*plane.channelReadOnly(kChannelGray), 0, 0), 42);
    plane.channelReadWrite(kChannelGray)->fillRect(Rect{0, 0, 1, 1}, "\x07");
    ASSERT_TRUE(getData(plane, rect, buffer.data(), 1, gray));
    EXPECT_EQ(*far, 7);

    // No buffer row holds a rectangle this wide.
    EXPECT_FALSE(getData(plane, Rect{INT_MIN, 0, INT_MAX, 1}, buffer.data(), 0, gray));
    EXPECT_FALSE(setData(plane, Rect{INT_MIN, 0, INT_MAX, 1}, buffer.data(), 0, gray));
}

TEST(PlaneData, RefusesBadBuffersWithoutTouchingAnything)
{
    PixelPlane plane(kSetRGB, kTypeU8, Size{10, 10});
    const PixelFormat rgb(kSetRGB, kTypeU8);
    std::vector<unsigned char> buffer(300, 0x33);
    struct Case {
        const char* what;
        void* data;
        unsigned stride;
    };
    const Case cases[] = {
        {"stride shorter than a row", buffer.data(), 29},
        {"stride beyond the int range", buffer.data(), 0x80000000u},
        {"null buffer", nullptr, 30},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(setData(plane, Rect{0, 0, 10, 10}, c.data, c.stride, rgb)) << c.what;
        EXPECT_FALSE(getData(plane, Rect{0, 0, 10, 10}, c.data, c.stride, rgb)) << c.what;
    }
    EXPECT_EQ(buffer, std::vector<unsigned char>(300, 0x33));
    EXPECT_TRUE(plane.channelReadOnly(kChannelRed)->isMonotone(nullptr));
    // Empty rectangles and formats are no error and do nothing.
    EXPECT_TRUE(getData(plane, Rect{5, 5, 5, 9}, nullptr, 0, rgb));
    EXPECT_TRUE(getData(plane, Rect{0, 0, 10, 10}, buffer.data(), 0, PixelFormat()));
}

TEST(PlaneData, UniformWritesBecomeCachedTiles)
{
    PixelPlane plane(kSetGray, kTypeFloat, Size{128, 64});
    std::vector<unsigned char> bytes(128 * 64, 51);
    ASSERT_TRUE(setData(plane, Rect{0, 0, 128, 64}, bytes.data(), 128, PixelFormat(kSetGray, kTypeU8)));
    SmartPtr<const DataChannel> gray = plane.channelReadOnly(kChannelGray);
    const float value = 51 * 0.003921569f;
    EXPECT_EQ(elementAt<float>(*gray, 127, 63), value);
    EXPECT_EQ(gray->tileAt(0), cachedTile(4, &value));
    EXPECT_EQ(gray->tileAt(1), cachedTile(4, &value));
}

TEST(PlaneData, WritingASharedPlaneLeavesItsCopyAlone)
{
    for (int side : {50, 100}) {
        PixelPlane plane(kSetGray, kTypeU8, Size{side, side});
        const unsigned char seven = 7;
        plane.channelReadWrite(kChannelGray)->fillRect(Rect{0, 0, side, side}, &seven);
        PixelPlane copy(plane);
        const DataChannel* shared = copy.channelReadOnly(kChannelGray).get();
        std::vector<unsigned char> ones(std::size_t(side) * side, 1);
        ASSERT_TRUE(setData(copy, Rect{0, 0, side, side}, ones.data(), 0, PixelFormat(kSetGray, kTypeU8)));
        SmartPtr<const DataChannel> gray = copy.channelReadOnly(kChannelGray);
        EXPECT_NE(gray.get(), shared);
        unsigned char v = 0;
        EXPECT_TRUE(gray->isMonotone(&v));
        EXPECT_EQ(v, 1);
        EXPECT_EQ(elementAt<unsigned char>(*plane.channelReadOnly(kChannelGray), 0, 0), 7);
    }
}
