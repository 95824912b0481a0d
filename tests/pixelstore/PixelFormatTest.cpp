#include "pixelstore/PixelFormat.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace Nuvra::DataStorage;

TEST(PixelFormat, EmptyFormats)
{
    for (const PixelFormat& f : {PixelFormat(), PixelFormat(0u, kTypeFloat), PixelFormat(nullptr)}) {
        EXPECT_EQ(f.count(), 0);
        EXPECT_EQ(f.pixelSize(), 0);
        EXPECT_EQ(f.channels(), 0u);
        for (Channel c = 0; c <= kMaxChannel; ++c)
            EXPECT_EQ(f.indexOf(c), -1);
    }
}

TEST(PixelFormat, RgbaFromSetAndFromList)
{
    const PixelFormat set(kSetRGBA, kTypeU8);
    ASSERT_EQ(set.count(), 4);
    const Channel order[] = {kChannelRed, kChannelGreen, kChannelBlue, kChannelAlpha};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(set.descriptor(i).channel, order[i]);
        EXPECT_EQ(set.descriptor(i).type, kTypeU8);
        EXPECT_EQ(set.offset(i), i);
        EXPECT_EQ(set.indexOf(order[i]), i);
    }
    EXPECT_EQ(set.pixelSize(), 4);
    EXPECT_EQ(set.commonType(), kTypeU8);
    EXPECT_EQ(set.channels(), kSetRGBA);

    const PixelFormat argb({kChannelAlpha, kChannelRed, kChannelGreen, kChannelBlue}, kTypeU16);
    EXPECT_EQ(argb.channels(), kSetRGBA);
    EXPECT_EQ(argb.indexOf(kChannelAlpha), 0);
    EXPECT_EQ(argb.offset(argb.indexOf(kChannelBlue)), 6);
    EXPECT_EQ(argb.pixelSize(), 8);
}

TEST(PixelFormat, DescriptorLists)
{
    const ChannelDescriptor mixed[] = {{kChannelL, kTypeFloat}, {kChannelAlpha, kTypeU8}, {-1, 0}};
    const PixelFormat m(mixed);
    EXPECT_EQ(m.pixelSize(), 5);
    EXPECT_EQ(m.commonType(), 0);
    EXPECT_EQ(m.offset(1), 4);

    const ChannelDescriptor repeated[] = {{kChannelRed, kTypeU8}, {kChannelRed, kTypeU16}, {-1, 0}};
    const PixelFormat r(repeated);
    EXPECT_EQ(r.count(), 2);
    EXPECT_EQ(r.pixelSize(), 3);
    EXPECT_EQ(r.indexOf(kChannelRed), 0);

    std::vector<ChannelDescriptor> twenty(20, ChannelDescriptor{kChannelGray, kTypeU8});
    EXPECT_EQ(PixelFormat(twenty.data()).count(), 16) << "stops after 16 without an end marker";

    const ChannelDescriptor padded[] = {{2, -1}, {0, -1}, {3, -1}, {-1, 0}};
    EXPECT_EQ(PixelFormat(padded).channels(), 13u);

    PixelFormat f(kSetGray, kTypeU8);
    f.setChannels(mixed);
    EXPECT_EQ(f.channels(), (1u << kChannelL) | (1u << kChannelAlpha));
}

TEST(PixelFormat, RefusesWhatItCannotDescribe)
{
    const ChannelDescriptor badChannel[] = {{kChannelRed, kTypeU8}, {31, kTypeU8}, {-1, 0}};
    const ChannelDescriptor badType[] = {{kChannelRed, 0}, {-1, 0}};
    EXPECT_THROW(PixelFormat{badChannel}, std::runtime_error);
    EXPECT_THROW(PixelFormat{badType}, std::runtime_error);
    EXPECT_THROW(PixelFormat(0xFFFFFFFFu, kTypeU8), std::runtime_error);
    EXPECT_THROW(PixelFormat(0x0001FFFFu, kTypeU8), std::runtime_error) << "17 channels";
    EXPECT_THROW(PixelFormat({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}, kTypeU8), std::runtime_error);
    EXPECT_THROW(PixelFormat({kChannelRed, 40}, kTypeU8), std::runtime_error);
    EXPECT_THROW(PixelFormat(kSetRGB, 256), std::runtime_error);

    PixelFormat kept(kSetRGB, kTypeU8);
    EXPECT_THROW(kept.setChannels(badChannel), std::runtime_error);
    EXPECT_EQ(kept.channels(), kSetRGB) << "a refused replacement leaves the format as it was";
}

TEST(PixelFormat, ColorSpaces)
{
    struct Case {
        ChannelSet set;
        ColorSpace space;
    };
    const Case cases[] = {{kSetGray, ColorSpaceGray},   {kSetGrayAlpha, ColorSpaceGray}, {kSetRGBA, ColorSpaceRGB},
                          {kSetCMYK, ColorSpaceCMYK},   {kSetLabA, ColorSpaceLab},       {kSetSingle, ColorSpaceSingle},
                          {12, ColorSpaceOther},        {0, ColorSpaceOther},            {kSetRGB | 2, ColorSpaceOther}};
    for (const Case& c : cases)
        EXPECT_EQ(colorSpaceOf(c.set), c.space) << c.set;
}
