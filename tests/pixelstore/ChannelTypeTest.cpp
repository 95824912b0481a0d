#include "pixelstore/ChannelType.h"

#include <gtest/gtest.h>

using namespace Nuvra::DataStorage;

TEST(ChannelType, ElementSizes)
{
    struct Case {
        ChannelType type;
        int size;
    };
    const Case cases[] = {
        {kTypeU8, 1}, {kTypeU16, 2}, {kTypeFloat, 4}, {kTypeDouble, 8}, {-5, 16}, {-8, 128},
        {1, 1},       {3, 3},        {12, 12},       {255, 255},
        // No element of these sizes can be stored: 0, too large, or past 32 bits.
        {0, 0},       {256, 0},      {-9, 0},        {-32, 0},      {-2147483647 - 1, 0}, {2147483647, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(elementSize(c.type), c.size) << "type " << c.type;
        EXPECT_EQ(isValidChannelType(c.type), c.size != 0) << "type " << c.type;
    }
}

TEST(ChannelType, NumericTypes)
{
    for (ChannelType t : {kTypeU8, kTypeU16, kTypeFloat, kTypeDouble})
        EXPECT_TRUE(isNumericType(t)) << t;
    for (ChannelType t : {0, 1, 4, 8, -5, -32})
        EXPECT_FALSE(isNumericType(t)) << t;
}
