#include "cmm/Saturate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Nuvra::CMM;

TEST(Saturate, RoundsHalfAwayAndNeverConvertsOutOfRange)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double in;
        uint16_t word;
        int32_t int32;
    } cases[] = {
        {0.5, 1, 1},
        {1.4999, 1, 1},
        // Just below a half: adding 0.5 first would round up.
        {std::nextafter(0.5, 0.0), 0, 0},
        {-std::nextafter(0.5, 0.0), 0, 0},
        {-0.5, 0, -1},
        {-2.5, 0, -3},
        {65534.5, 65535, 65535},
        {65535.49, 65535, 65535},
        {70000.0, 65535, 70000},
        {1e12, 65535, INT32_MAX},
        {-1e12, 0, INT32_MIN},
        {inf, 65535, INT32_MAX},
        {-inf, 0, INT32_MIN},
        {std::nan(""), 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SaturateWord(c.in), c.word) << c.in;
        EXPECT_EQ(SaturateInt32(c.in), c.int32) << c.in;
    }
}
