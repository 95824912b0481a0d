#include "cmm/ColorSpaces.h"

#include <gtest/gtest.h>

using namespace Nuvra::CMM;

namespace {
icColorSpaceSignature Sig(const char* s)
{
    return icColorSpaceSignature((uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
                                 (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3])));
}
} // namespace

TEST(ColorSpaces, NumbersChannelsAndEndPoints)
{
    const struct {
        const char* sig;
        int number;
        int channels;
    } cases[] = {
        {"XYZ ", 3, 3},  {"Lab ", 4, 3},  {"GRAY", 5, 1},  {"RGB ", 6, 3},  {"CMY ", 7, 3},
        {"CMYK", 8, 4},  {"YCbr", 9, 3},  {"Luv ", 10, 3}, {"LuvK", 11, 4}, {"HSV ", 12, 3},
        {"HLS ", 13, 3}, {"Yxy ", 14, 3}, {"6CLR", 15, 6}, {"MCH6", 15, 6}, {"9CLR", 18, 9},
        {"MCHA", 19, 10}, {"FCLR", 24, 15}, {"MCHF", 24, 15}, {"2CLR", 0, 2}, {"3CLR", 0, 3},
        {"5CLR", 0, 5},  {"MCH1", 0, 3},  {"MCH4", 0, 3},  {"MCH5", 0, 5},  {"zzzz", 0, 3},
    };
    for (const auto& c : cases) {
        const auto sig = Sig(c.sig);
        EXPECT_EQ(ColorSpace_ICC2CMM(sig), c.number) << c.sig;
        EXPECT_EQ(ChannelsOf(sig), c.channels) << c.sig;
    }

    const uint16_t* white = nullptr;
    const uint16_t* black = nullptr;
    ASSERT_EQ(EndPointsBySpace(Sig("Lab "), &white, &black), 3);
    EXPECT_EQ(white[0], 0xFF00);
    EXPECT_EQ(white[1], 0x8000);
    EXPECT_EQ(black[0], 0);
    EXPECT_EQ(black[2], 0x8000);
    ASSERT_EQ(EndPointsBySpace(Sig("CMYK"), &white, nullptr), 4);
    EXPECT_EQ(white[3], 0);
    ASSERT_EQ(EndPointsBySpace(Sig("CMY "), nullptr, &black), 3);
    EXPECT_EQ(black[1], 0xFFFF);
    ASSERT_EQ(EndPointsBySpace(Sig("GRAY"), &white, &black), 1);
    EXPECT_EQ(white[0], 0xFFFF);

    white = black = nullptr;
    EXPECT_EQ(EndPointsBySpace(Sig("HSV "), &white, &black), 0);
    EXPECT_EQ(white, nullptr);
    EXPECT_EQ(black, nullptr);
}
