#include "ChannelTestSupport.h"
#include "ProfileStandIn.h"

#include "pixelstore/PixelPlane.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

using namespace ChannelTest;
using Nuvra::CMM::cProfile;

TEST(PixelPlane, BuiltFromASet)
{
    const PixelPlane plane(kSetRGBA, kTypeU8, Size{10, 10});
    EXPECT_EQ(plane.channelCount(), 4);
    EXPECT_EQ(plane.channelType(), kTypeU8);
    EXPECT_EQ(plane.tilesAcross(), 1);
    EXPECT_EQ(plane.tilesDown(), 1);
    EXPECT_EQ(plane.channelSet(kAllChannels), kSetRGBA);
    EXPECT_EQ(plane.channelSet(kColorChannels), kSetRGB);
    EXPECT_TRUE(plane.hasChannel(kChannelAlpha));
    EXPECT_FALSE(plane.hasChannel(kChannelGray));
    EXPECT_FALSE(plane.hasChannel(-1));
    EXPECT_FALSE(plane.hasChannel(31));
    EXPECT_EQ(plane.channelReadOnly(kChannelRed)->size(), (Size{10, 10}));
    EXPECT_EQ(plane.channelReadOnly(kChannelGray), nullptr);

    const PixelPlane empty(0u, kTypeFloat, Size{5, 5});
    EXPECT_EQ(empty.channelCount(), 0);
    EXPECT_EQ(empty.channelType(), kTypeFloat);

    const PixelPlane none;
    EXPECT_EQ(none.size(), (Size{0, 0}));
    EXPECT_EQ(none.channelType(), 0);
    EXPECT_THROW(PixelPlane(kSetRGB, kTypeU8, Size{-1, 3}), std::runtime_error);
    // Even without channels the tile counts of such sides would wrap around.
    EXPECT_THROW(PixelPlane(0u, kTypeU8, Size{INT_MAX, INT_MAX}), std::runtime_error);
    EXPECT_THROW(PixelPlane(PixelFormat(), Size{1, INT_MAX - 62}), std::runtime_error);
    EXPECT_EQ(PixelPlane(0u, kTypeU8, Size{INT_MAX - 63, 0}).tilesAcross(), (INT_MAX - 63) / 64);
}

TEST(PixelPlane, BuiltFromAFormatSkipsThePlaceholder)
{
    const ChannelDescriptor xrgb[] = {{0, kTypeU8}, {2, kTypeU8}, {3, kTypeU8}, {4, kTypeFloat}, {-1, 0}};
    const PixelPlane plane(PixelFormat(xrgb), Size{3, 3});
    EXPECT_EQ(plane.channelSet(), kSetRGB);
    EXPECT_EQ(plane.channelType(), 0) << "mixed types";
    EXPECT_EQ(plane.channelReadOnly(kChannelBlue)->type(), kTypeFloat);
}

TEST(PixelPlane, AddChannelConvertsOrKeeps)
{
    PixelPlane plane(kSetRGB, kTypeU8, Size{70, 70});
    {
        SmartPtr<DataChannel> red = plane.channelReadWrite(kChannelRed);
        setElement<unsigned char>(*red, 1, 1, 51);
        setElement<unsigned char>(*red, 69, 69, 255);
    }
    const DataChannel* before = plane.channelReadOnly(kChannelRed).get();
    EXPECT_TRUE(plane.addChannel(kChannelRed, kTypeU8));
    EXPECT_EQ(plane.channelReadOnly(kChannelRed).get(), before) << "same type: left as it is";

    EXPECT_TRUE(plane.addChannel(kChannelRed, kTypeFloat));
    SmartPtr<const DataChannel> red = plane.channelReadOnly(kChannelRed);
    EXPECT_EQ(red->type(), kTypeFloat);
    EXPECT_EQ(elementAt<float>(*red, 1, 1), 51 * 0.003921569f);
    EXPECT_EQ(elementAt<float>(*red, 69, 69), 1.0f);
    EXPECT_EQ(plane.channelType(), 0);
    EXPECT_EQ(plane.channelCount(), 3);

    EXPECT_FALSE(plane.addChannel(kChannelPlaceholder, kTypeU8));
    EXPECT_THROW(plane.addChannel(31, kTypeU8), std::runtime_error);
    EXPECT_THROW(plane.addChannel(-1, kTypeU8), std::runtime_error);
    EXPECT_THROW(plane.addChannel(31, DataChannel(Size{70, 70}, kTypeU8)), std::runtime_error);
    EXPECT_THROW(PixelPlane(0x80000000u | kSetRGB, kTypeU8, Size{2, 2}), std::runtime_error);
    EXPECT_THROW(plane.addChannel(kChannelAlpha, 0), std::runtime_error);
    EXPECT_EQ(plane.channelCount(), 3);
}

TEST(PixelPlane, AddedChannelMustFitThePlane)
{
    DataChannel small(Size{20, 30}, kTypeU16);
    DataChannel large(Size{40, 30}, kTypeU16);

    PixelPlane plane;
    EXPECT_TRUE(plane.addChannel(kChannelGray, small));
    EXPECT_EQ(plane.size(), (Size{20, 30})) << "the first channel gives its size";
    EXPECT_EQ(plane.channelType(), kTypeU16);
    EXPECT_EQ(plane.channelReadOnly(kChannelGray)->tileAt(0), small.tileAt(0)) << "tiles are shared";

    EXPECT_FALSE(plane.addChannel(kChannelAlpha, large));
    EXPECT_FALSE(plane.hasChannel(kChannelAlpha));
    EXPECT_EQ(plane.channelCount(), 1);

    // Replacing the only channel takes the new size.
    EXPECT_TRUE(plane.addChannel(kChannelGray, large));
    EXPECT_EQ(plane.size(), (Size{40, 30}));
    EXPECT_EQ(plane.channelCount(), 1);
    EXPECT_TRUE(plane.addChannel(kChannelAlpha, large));
    EXPECT_EQ(plane.channelCount(), 2);
}

TEST(PixelPlane, CopiesShareChannelsUntilWritten)
{
    PixelPlane plane(kSetRGB, kTypeU8, Size{200, 200});
    PixelPlane copy(plane);
    for (Channel c : {kChannelRed, kChannelGreen, kChannelBlue})
        EXPECT_EQ(copy.channelReadOnly(c), plane.channelReadOnly(c));

    SmartPtr<DataChannel> green = copy.channelReadWrite(kChannelGreen);
    EXPECT_NE(green.get(), plane.channelReadOnly(kChannelGreen).get()) << "a private channel";
    EXPECT_EQ(green->tileAt(5), plane.channelReadOnly(kChannelGreen)->tileAt(5)) << "still sharing tiles";
    const long live = TileDescriptor::liveTiles();
    setElement<unsigned char>(*green, 70, 70, 9);
    EXPECT_EQ(TileDescriptor::liveTiles(), live + 1) << "one tile copied";
    EXPECT_EQ(elementAt<unsigned char>(*plane.channelReadOnly(kChannelGreen), 70, 70), 0);
    // Our handle makes the channel shared; once it is gone the plane's own
    // channel is private and handed out as it is.
    const DataChannel* own = green.get();
    green.reset();
    EXPECT_EQ(copy.channelReadWrite(kChannelGreen).get(), own);

    // Write-only access to a shared channel drops its contents.
    PixelPlane third(copy);
    SmartPtr<DataChannel> fresh = third.channelWriteOnly(kChannelGreen);
    EXPECT_EQ(elementAt<unsigned char>(*fresh, 70, 70), 0);
    EXPECT_EQ(elementAt<unsigned char>(*copy.channelReadOnly(kChannelGreen), 70, 70), 9);
    EXPECT_EQ(third.channelReadWrite(kChannelGray), nullptr);
}

TEST(PixelPlane, AssignmentAndProfiles)
{
    const int alive = cProfile::alive();
    {
        SmartPtr<cProfile> profile(new cProfile);
        PixelPlane a(kSetGray, kTypeFloat, Size{8, 8}, profile);
        EXPECT_EQ(a.profile().get(), profile);
        EXPECT_EQ(profile->refCount(), 2);
        PixelPlane b(kSetRGB, kTypeU8, Size{3, 3});
        EXPECT_FALSE(b.profile());
        b = a;
        EXPECT_EQ(b.profile(), a.profile());
        EXPECT_EQ(b.size(), (Size{8, 8}));
        EXPECT_EQ(b.channelSet(), kSetGray);
        EXPECT_EQ(b.channelReadOnly(kChannelGray), a.channelReadOnly(kChannelGray));
        b = b;
        EXPECT_EQ(b.channelSet(), kSetGray);
        PixelPlane c(b);
        EXPECT_EQ(profile->refCount(), 4);
    }
    EXPECT_EQ(cProfile::alive(), alive) << "planes release their profile";
}
