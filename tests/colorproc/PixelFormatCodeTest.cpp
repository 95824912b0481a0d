#include "colorproc/PixelFormatCode.h"
#include "tests/cmm/LogCapture.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

using namespace Nuvra::DataStorage;

namespace {

std::vector<Channel> channelsOf(const PixelFormat& f)
{
    std::vector<Channel> r;
    for (int i = 0; i < f.count(); ++i)
        r.push_back(f.descriptor(i).channel);
    return r;
}

struct Space {
    const char* name;
    std::vector<Channel> colors;
    int engineSpace;
};

const Space kSpaces[] = {
    {"gray", {kChannelGray}, 5},
    {"rgb", {kChannelRed, kChannelGreen, kChannelBlue}, 6},
    {"cmyk", {kChannelCyan, kChannelMagenta, kChannelYellow, kChannelBlack}, 8},
    {"lab", {kChannelL, kChannelA, kChannelB}, 4},
};

struct Type {
    ChannelType type;
    unsigned sample;
};
const Type kTypes[] = {{kTypeFloat, 0}, {kTypeU8, 1}, {kTypeU16, 2}};

} // namespace

TEST(PixelFormatCode, TellingCodes)
{
    const struct {
        std::initializer_list<Channel> channels;
        ChannelType type;
        unsigned code;
    } cases[] = {
        {{kChannelRed, kChannelGreen, kChannelBlue, kChannelAlpha}, kTypeU8, 393369},
        {{kChannelAlpha, kChannelRed, kChannelGreen, kChannelBlue}, kTypeU8, 393369 + 0x800},
        {{kChannelBlue, kChannelGreen, kChannelRed, kChannelAlpha}, kTypeU8, 393369 + 0xC00},
        {{kChannelAlpha, kChannelBlue, kChannelGreen, kChannelRed}, kTypeU8, 393369 + 0x400},
        {{kChannelBlue, kChannelGreen, kChannelRed}, kTypeU8, 393241 + 0x400},
        {{kChannelRed, kChannelGreen, kChannelBlue}, kTypeU8, 0x60019},
        {{kChannelGray}, kTypeU16, 0x5000A},
        {{kChannelL, kChannelA, kChannelB}, kTypeFloat, 0x40018},
        {{kChannelRed, kChannelGreen, kChannelBlue, kChannelAlpha}, kTypeFloat, 0x60098},
        {{kChannelCyan, kChannelMagenta, kChannelYellow, kChannelBlack}, kTypeU8, 0x80021},
        {{kChannelGray, kChannelAlpha}, kTypeU8, 327817},
        {{kChannelAlpha, kChannelGray}, kTypeU8, 327817 + 0x800},
    };
    for (const auto& c : cases) {
        const PixelFormat f(c.channels, c.type);
        EXPECT_EQ(PixelFormat2CMM_PF(f), c.code) << c.code;
        EXPECT_EQ(channelsOf(CMM_PF2PixelFormat(c.code)), channelsOf(f)) << c.code;
    }
}

// Every space, sample type, alpha position and colour order: the code has the
// fields the layout says and turns back into the same channel order.
TEST(PixelFormatCode, EveryLayoutRoundTrips)
{
    for (const Space& s : kSpaces)
        for (const Type& t : kTypes)
            for (const bool descending : {false, true})
                for (const int alpha : {-1, 0, 1}) {  // none, first, last
                    if (descending && s.colors.size() == 1)
                        continue;
                    std::vector<Channel> list(s.colors);
                    if (descending)
                        list.assign(s.colors.rbegin(), s.colors.rend());
                    if (alpha == 0)
                        list.insert(list.begin(), kChannelAlpha);
                    if (alpha == 1)
                        list.push_back(kChannelAlpha);
                    std::vector<ChannelDescriptor> d;
                    for (const Channel c : list)
                        d.push_back({c, t.type});
                    d.push_back({-1, 0});
                    const PixelFormat f(d.data());
                    const unsigned code = PixelFormat2CMM_PF(f);
                    SCOPED_TRACE(testing::Message() << s.name << " type " << t.type << " desc " << descending
                                                    << " alpha " << alpha << " code " << code);
                    ASSERT_NE(code, 0u);
                    EXPECT_EQ(code & 7u, t.sample);
                    EXPECT_EQ((code >> 3) & 15u, s.colors.size());
                    EXPECT_EQ((code >> 7) & 7u, alpha < 0 ? 0u : 1u);
                    EXPECT_EQ(int(code >> 16), s.engineSpace);
                    // Extras lead exactly when one order bit is set and not the other.
                    const bool lead = ((code & 0x400) != 0) != ((code & 0x800) != 0);
                    if (alpha >= 0) {
                        EXPECT_EQ(lead, alpha == 0);
                    }
                    const PixelFormat back = CMM_PF2PixelFormat(code);
                    EXPECT_EQ(channelsOf(back), list);
                    EXPECT_EQ(back.commonType(), t.type);
                }
}

TEST(PixelFormatCode, RefusedFormats)
{
    const struct {
        const char* what;
        std::vector<ChannelDescriptor> d;
    } cases[] = {
        {"colours split by alpha", {{2, -1}, {13, -1}, {3, -1}, {4, -1}}},
        {"extras at both ends", {{0, -1}, {2, -1}, {3, -1}, {4, -1}, {13, -1}}},
        {"rgb and the lone channel", {{2, -1}, {3, -1}, {4, -1}, {12, -1}}},
        {"gray and rgb", {{1, -1}, {2, -1}, {3, -1}, {4, -1}}},
        {"lone channel", {{12, -1}}},
        {"rgb out of order", {{3, -1}, {2, -1}, {4, -1}}},
        {"incomplete rgb", {{2, -1}, {3, -1}}},
        {"double elements", {{2, -4}, {3, -4}, {4, -4}}},
        {"opaque elements", {{2, 3}, {3, 3}, {4, 3}}},
        {"a channel listed twice", {{2, -1}, {3, -1}, {4, -1}, {13, -1}, {13, -1}}},
        {"eight extras", {{2, -1}, {3, -1}, {4, -1}, {13, -1}, {14, -1}, {15, -1}, {16, -1}, {17, -1},
                          {18, -1}, {19, -1}, {20, -1}}},
        {"empty", {}},
    };
    for (const auto& c : cases) {
        std::vector<ChannelDescriptor> d = c.d;
        d.push_back({-1, 0});
        LogCapture log;
        EXPECT_EQ(PixelFormat2CMM_PF(PixelFormat(d.data())), 0u) << c.what;
        EXPECT_TRUE(log.take().isEmpty()) << c.what;
    }
    // Seven extras still fit.
    EXPECT_EQ(PixelFormat2CMM_PF(PixelFormat({2, 3, 4, 13, 14, 15, 16, 17, 18, 19}, kTypeU8)), 393241u + (7u << 7));
}

TEST(PixelFormatCode, MixedTypesAreReported)
{
    LogCapture log;
    const ChannelDescriptor d[] = {{2, kTypeU8}, {3, kTypeU16}, {4, kTypeU16}, {-1, 0}};
    EXPECT_EQ(PixelFormat2CMM_PF(PixelFormat(d)), 0u);
    EXPECT_TRUE(log.contains("Not identical pixel type in Nuvra pixel format not supported"));
}

TEST(PixelFormatCode, CodesWithoutAFormat)
{
    {
        LogCapture log;
        EXPECT_EQ(CMM_PF2PixelFormat(393241u | 0x2000u).count(), 0);
        EXPECT_TRUE(log.contains("CMM Flavor in color format not supported"));
    }
    LogCapture log;
    for (const unsigned code : {0x70019u, 0x30019u, 0x90019u, 0x19u, 0x6001Bu, 0x6001Fu})
        EXPECT_EQ(CMM_PF2PixelFormat(code).count(), 0) << code;
    EXPECT_TRUE(log.take().isEmpty());
    // The reserved bit is not read.
    EXPECT_EQ(channelsOf(CMM_PF2PixelFormat(393241u | 0x1000u)), (std::vector<Channel>{2, 3, 4}));
}

// Only one extra channel has a place in a format; others come back as alpha
// or not at all.
TEST(PixelFormatCode, ExtrasOtherThanOneAlpha)
{
    const unsigned code = PixelFormat2CMM_PF(PixelFormat({kChannelRed, kChannelGreen, kChannelBlue, 20}, kTypeU8));
    EXPECT_EQ(code, 393369u);
    EXPECT_EQ(channelsOf(CMM_PF2PixelFormat(code)), (std::vector<Channel>{2, 3, 4, kChannelAlpha}));
    const unsigned two = PixelFormat2CMM_PF(PixelFormat({2, 3, 4, 13, 14}, kTypeU8));
    EXPECT_EQ(two, 393241u + (2u << 7));
    EXPECT_EQ(channelsOf(CMM_PF2PixelFormat(two)), (std::vector<Channel>{2, 3, 4}));
}
