#include "ChannelTestSupport.h"
#include "ProfileStandIn.h"

#include "pixelstore/ElementConversion.h"
#include "pixelstore/PlaneCopy.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace ChannelTest;
using Nuvra::CMM::cProfile;

namespace {

// Channel c of a plane holds c * 10 + x + y at (x, y), as 8-bit values.
void paint(PixelPlane& plane)
{
    for (Channel c = 1; c < kChannelSlots; ++c) {
        if (!plane.hasChannel(c))
            continue;
        SmartPtr<DataChannel> channel = plane.channelReadWrite(c);
        std::vector<unsigned char> bytes(std::size_t(channel->width()) * channel->height());
        for (int y = 0; y < channel->height(); ++y)
            for (int x = 0; x < channel->width(); ++x)
                bytes[std::size_t(y) * channel->width() + x] = static_cast<unsigned char>(c * 10 + x + y);
        PixelPlane one(0u, 0, plane.size());
        one.addChannel(c, kTypeU8);
        setData(one, Rect::fromSize(plane.size()), bytes.data(), 0, PixelFormat(1u << c, kTypeU8));
        channel->copy(*one.channelReadOnly(c), Rect::fromSize(plane.size()), Point{0, 0});
    }
}

} // namespace

TEST(PlaneCopy, WholePlaneIsSharedAndFirstWriteMakesItPrivate)
{
    PixelPlane src(kSetRGB, kTypeU8, Size{100, 80});
    paint(src);
    PixelPlane dst(kSetRGB, kTypeU8, Size{100, 80});
    copy(dst, src, Rect{0, 0, 100, 80}, Point{0, 0});
    for (Channel c : {kChannelRed, kChannelGreen, kChannelBlue})
        EXPECT_EQ(dst.channelReadOnly(c), src.channelReadOnly(c)) << c;

    // A copy taken before the first write keeps the old (zero) contents.
    PixelPlane zero(kSetRGB, kTypeU8, Size{100, 80});
    PixelPlane before(zero);
    const unsigned char nine = 9;
    zero.channelReadWrite(kChannelRed)->fillRect(Rect{0, 0, 10, 10}, &nine);
    EXPECT_NE(zero.channelReadOnly(kChannelRed), before.channelReadOnly(kChannelRed));
    EXPECT_TRUE(before.channelReadOnly(kChannelRed)->isMonotone(nullptr));
    EXPECT_EQ(elementAt<unsigned char>(*zero.channelReadOnly(kChannelRed), 0, 0), 9);
}

TEST(PlaneCopy, SharingNeedsEverythingToAgree)
{
    SmartPtr<cProfile> profile(new cProfile);
    struct Case {
        const char* what;
        PixelPlane dst;
        Rect rect;
        Point point;
    };
    const Case cases[] = {
        {"other size", PixelPlane(kSetRGB, kTypeU8, Size{100, 81}), {0, 0, 100, 80}, {0, 0}},
        {"other type", PixelPlane(kSetRGB, kTypeU16, Size{100, 80}), {0, 0, 100, 80}, {0, 0}},
        {"other channels", PixelPlane(kSetRGBA, kTypeU8, Size{100, 80}), {0, 0, 100, 80}, {0, 0}},
        {"other profile", PixelPlane(kSetRGB, kTypeU8, Size{100, 80}, profile), {0, 0, 100, 80}, {0, 0}},
        {"part of the plane", PixelPlane(kSetRGB, kTypeU8, Size{100, 80}), {0, 0, 99, 80}, {0, 0}},
        {"moved", PixelPlane(kSetRGB, kTypeU8, Size{100, 80}), {0, 0, 100, 80}, {1, 0}},
    };
    PixelPlane src(kSetRGB, kTypeU8, Size{100, 80});
    paint(src);
    for (const Case& c : cases) {
        PixelPlane dst = c.dst;
        copy(dst, src, c.rect, c.point);
        EXPECT_NE(dst.channelReadOnly(kChannelRed), src.channelReadOnly(kChannelRed)) << c.what;
        EXPECT_EQ(dst.profile(), c.dst.profile()) << c.what;
    }
}

TEST(PlaneCopy, ConvertsEveryPairOfElementTypes)
{
    const ChannelType types[] = {kTypeU8, kTypeU16, kTypeFloat, kTypeDouble};
    const double values[] = {0.0, 1.0 / 255, 0.2, 0.5, 127.0 / 255, 1.0};
    for (ChannelType from : types) {
        for (ChannelType to : types) {
            PixelPlane src(kSetGray, from, Size{6, 1});
            std::vector<unsigned char> in(std::size_t(6) * elementSize(from));
            ASSERT_TRUE(convertMemory(in.data(), values, from, kTypeDouble, 6));
            setData(src, Rect{0, 0, 6, 1}, in.data(), 0, PixelFormat(kSetGray, from));
            PixelPlane dst(kSetGray, to, Size{6, 1});
            copy(dst, src, Rect{0, 0, 6, 1}, Point{0, 0});
            std::vector<unsigned char> got(std::size_t(6) * elementSize(to)), want(got.size());
            getData(dst, Rect{0, 0, 6, 1}, got.data(), 0, PixelFormat(kSetGray, to));
            ASSERT_TRUE(convertMemory(want.data(), in.data(), to, from, 6));
            EXPECT_EQ(got, want) << from << " -> " << to;
        }
    }
}

TEST(PlaneCopy, OnlyChannelsBothHaveAndOnlyInsideBoth)
{
    PixelPlane src(kSetRGBA, kTypeU8, Size{90, 70});
    paint(src);
    PixelPlane dst(kSetRGB | (1u << kChannelGray), kTypeU8, Size{80, 60});
    copy(dst, src, Rect{-10, 20, 100, 80}, Point{30, -5});
    EXPECT_EQ(dst.channelSet(), kSetRGB | (1u << kChannelGray)) << "nothing added";
    EXPECT_TRUE(dst.channelReadOnly(kChannelGray)->isMonotone(nullptr)) << "channel the source lacks";
    // dst (x, y) shows src (x - 40, y + 25) where both exist.
    SmartPtr<const DataChannel> green = dst.channelReadOnly(kChannelGreen);
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 80; ++x) {
            const int sx = x - 40, sy = y + 25;
            const bool inside = sx >= 0 && sx < 90 && sy < 70 && y >= 0;
            ASSERT_EQ(elementAt<unsigned char>(*green, x, y), inside ? (30 + sx + sy) & 0xFF : 0) << x << "," << y;
        }
    }
    // Wholly outside: nothing changes.
    copy(dst, src, Rect{0, 0, 10, 10}, Point{80, 0});
    copy(dst, src, Rect{200, 200, 210, 210}, Point{0, 0});
    copy(dst, src, Rect{0, 0, 10, 10}, Point{-2147483647, -2147483647});
    EXPECT_EQ(elementAt<unsigned char>(*green, 0, 0), 0);
}

TEST(PlaneCopy, WholeCoverOnlyWhenTheSourceCoversIt)
{
    // The destination rectangle is the whole plane but the source is smaller:
    // the uncovered part keeps its contents even when the channel is shared.
    PixelPlane dst(kSetGray, kTypeU8, Size{100, 100});
    const unsigned char five = 5;
    dst.channelReadWrite(kChannelGray)->fillRect(Rect{0, 0, 100, 100}, &five);
    PixelPlane keep(dst); // shares the channel
    PixelPlane src(kSetGray, kTypeU8, Size{50, 50});
    copy(dst, src, Rect{0, 0, 100, 100}, Point{0, 0});
    SmartPtr<const DataChannel> gray = dst.channelReadOnly(kChannelGray);
    EXPECT_EQ(elementAt<unsigned char>(*gray, 10, 10), 0);
    EXPECT_EQ(elementAt<unsigned char>(*gray, 60, 60), 5);
    EXPECT_EQ(elementAt<unsigned char>(*keep.channelReadOnly(kChannelGray), 10, 10), 5);
}

namespace {

int g_conversions = 0;

bool fakeColorConversion(PixelPlane& dst, const PixelPlane& src, const Rect&, const Point&)
{
    ++g_conversions;
    // Pretend to convert: mark the destination's L channel.
    if (src.channelSet(kColorChannels) == dst.channelSet(kColorChannels))
        return false;
    const float mark = 200.0f;
    dst.channelReadWrite(kChannelL)->fillRect(Rect::fromSize(dst.size()), &mark);
    return true;
}

} // namespace

TEST(PlaneCopy, ColourBranchHandlesColourChannelsWhenInstalled)
{
    ASSERT_EQ(planeColorConversion(), nullptr) << "the store alone copies colour channels plainly";
    setPlaneColorConversion(fakeColorConversion);
    PixelPlane src(kSetRGBA, kTypeU8, Size{20, 20});
    paint(src);
    PixelPlane lab(kSetLabA, kTypeFloat, Size{20, 20});
    copy(lab, src, Rect{0, 0, 20, 20}, Point{0, 0});
    EXPECT_EQ(g_conversions, 1);
    EXPECT_EQ(elementAt<float>(*lab.channelReadOnly(kChannelL), 3, 3), 200.0f);
    EXPECT_EQ(elementAt<float>(*lab.channelReadOnly(kChannelAlpha), 3, 3), float(13 * 10 + 6) * 0.003921569f)
        << "alpha is copied plainly with conversion";

    PixelPlane rgb(kSetRGB, kTypeU8, Size{20, 20});
    copy(rgb, src, Rect{0, 0, 20, 20}, Point{0, 0});
    EXPECT_EQ(g_conversions, 2);
    EXPECT_EQ(elementAt<unsigned char>(*rgb.channelReadOnly(kChannelRed), 3, 3), 26) << "declined: copied plainly";
    setPlaneColorConversion(nullptr);
}
