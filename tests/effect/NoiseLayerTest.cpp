#include "effect/NoiseLayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

using namespace Nuvra::Effect;

TEST(NoiseLayer, GeneratorSequence)
{
    NoiseGenerator gen;
    EXPECT_NEAR(gen.next(), -0.995483f, 1e-6);
    EXPECT_NEAR(gen.next(), 0.687551f, 1e-6);
    EXPECT_NEAR(gen.next(), 0.290078f, 1e-6);

    NoiseGenerator a;
    std::uint64_t x = 11;
    for (int i = 0; i < 200000; ++i) {
        x = (x * 214013u + 2531011u) & 0xFFFFFFFFu;
        const double expected = 2.0 * double((x >> 16) & 0x7FFF) / 32767.0 - 1.0;
        const float v = a.next();
        ASSERT_NEAR(v, expected, 1.2e-7) << i;
        ASSERT_TRUE(v >= -1.0f && v <= 1.0f);
    }
}

TEST(NoiseLayer, FillFollowsTileOrder)
{
    struct Size { int w, h; };
    for (const Size s : {Size{1, 1}, Size{64, 64}, Size{130, 70}, Size{65, 129}}) {
        const int stride = s.w + 3;
        std::vector<float> buf(std::size_t(stride) * s.h, 9.0f);
        NoiseGenerator gen;
        fillNoiseInTileOrder(buf.data(), s.w, s.h, stride, gen);
        // The value drawn for each element, counted independently.
        std::vector<float> seq;
        NoiseGenerator ref;
        for (int i = 0; i < s.w * s.h; ++i)
            seq.push_back(ref.next());
        const int tilesX = (s.w + 63) / 64;
        for (int y = 0; y < s.h; ++y)
            for (int x = 0; x < s.w; ++x) {
                const int tx = x / 64, ty = y / 64;
                std::size_t before = std::size_t(ty) * 64 * s.w;  // full tile rows above
                for (int t = 0; t < tx; ++t)
                    before += std::size_t(std::min(64, s.w - t * 64)) * std::min(64, s.h - ty * 64);
                const int tileW = std::min(64, s.w - tx * 64);
                before += std::size_t(y - ty * 64) * tileW + (x - tx * 64);
                ASSERT_EQ(buf[std::size_t(y) * stride + x], seq[before]) << s.w << "x" << s.h << " at " << x << "," << y;
            }
        for (int y = 0; y < s.h; ++y)
            for (int x = s.w; x < stride; ++x)
                ASSERT_EQ(buf[std::size_t(y) * stride + x], 9.0f);
        (void)tilesX;
    }
}

TEST(NoiseLayer, StreakGeometryAtZeroDegrees)
{
    const StreakGeometry g = streakGeometry(300, 200, 0, 2.5f);
    EXPECT_EQ(g.margin, 7);
    EXPECT_EQ(g.width, 301 + 14);
    EXPECT_EQ(g.height, 201);
    EXPECT_DOUBLE_EQ(g.frameToBuffer.mapX(10, 20), 17.0);
    EXPECT_DOUBLE_EQ(g.frameToBuffer.mapY(10, 20), 20.0);
}

// Every frame corner lands inside the buffer, at any angle, and angles a
// full turn apart give the same rotation (the bounds may round one pixel
// differently).
TEST(NoiseLayer, StreakGeometryCoversTheFrame)
{
    for (const int angle : {-270, -45, 0, 17, 30, 90, 135, 180, 271, 359}) {
        const StreakGeometry g = streakGeometry(320, 180, angle, 4.0f);
        const StreakGeometry h = streakGeometry(320, 180, angle + 360, 4.0f);
        EXPECT_LE(std::abs(g.width - h.width), 1);
        EXPECT_LE(std::abs(g.height - h.height), 1);
        for (int i = 0; i < 6; ++i)
            EXPECT_NEAR(g.frameToBuffer.m[i], h.frameToBuffer.m[i], 1e-9) << angle;
        for (const double x : {0.0, 320.0})
            for (const double y : {0.0, 180.0}) {
                const double bx = g.frameToBuffer.mapX(x, y), by = g.frameToBuffer.mapY(x, y);
                EXPECT_GE(bx, g.margin - 1e-9) << angle;
                EXPECT_LE(bx, g.width - g.margin + 1e-9) << angle;
                EXPECT_GE(by, -1e-9) << angle;
                EXPECT_LE(by, g.height + 1e-9) << angle;
            }
    }
}

TEST(NoiseLayer, StreakMarginOfOddSigmas)
{
    EXPECT_EQ(streakGeometry(100, 50, 30, -3.0f).margin, streakGeometry(100, 50, 30, 3.0f).margin);
    EXPECT_EQ(streakGeometry(100, 50, 30, 0.0f).margin, 0);
    EXPECT_EQ(streakGeometry(100, 50, 30, std::numeric_limits<float>::quiet_NaN()).margin, 0);
}

// The blur reaches 3 sigma, but never further than the frame's diagonal (with
// a floor that keeps every slider value exact): an absurd sigma must not cost
// a buffer wider than a small multiple of the frame.
TEST(NoiseLayer, StreakMarginIsBoundedByTheFrame)
{
    const float inf = std::numeric_limits<float>::infinity();
    struct Case { int w, h; float sigma; int margin; };
    for (const Case c : {Case{1920, 1080, 10.0f, 30}, Case{1, 1, 10.0f, 30}, Case{100, 50, 30.0f, 90},
                         Case{100, 50, 1000.0f, 112}, Case{1920, 1080, 1e9f, 2203}, Case{1920, 1080, inf, 2203},
                         Case{100, 50, -1e30f, 112}, Case{1, 1, 1e30f, kMinStreakReach},
                         Case{1, 1, inf, kMinStreakReach}, Case{3, 2, inf, kMinStreakReach}}) {
        const StreakGeometry g = streakGeometry(c.w, c.h, 30, c.sigma);
        EXPECT_EQ(g.margin, c.margin) << c.w << "x" << c.h << " sigma " << c.sigma;
        EXPECT_EQ(g.width, streakGeometry(c.w, c.h, 30, 0.0f).width + 2 * c.margin) << c.sigma;
        EXPECT_LE(g.width, 4 * std::max(c.w + c.h, kMinStreakReach)) << c.sigma;
    }
}
