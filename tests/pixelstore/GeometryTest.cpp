#include "pixelstore/Geometry.h"

#include <gtest/gtest.h>

using namespace Nuvra;

namespace {

TEST(Geometry, ClippingTable)
{
    struct Case {
        Rect in;
        int w, h;
        Rect out;
        bool empty;
    } cases[] = {
        {{-5, -5, 10, 10}, 8, 8, {0, 0, 8, 8}, false},
        {{3, 3, 3, 9}, 8, 8, {3, 3, 3, 9}, true},       // empty stays as it is
        {{-20, -20, 50, 50}, 8, 8, {0, 0, 8, 8}, false}, // larger on every side
        {{10, 2, 20, 4}, 8, 8, {10, 2, 8, 4}, true},     // wholly right of the image
        {{2, 2, 5, 6}, 8, 8, {2, 2, 5, 6}, false},       // inside
        {{-9, 1, -1, 3}, 8, 8, {0, 1, -1, 3}, true},     // wholly left
    };
    for (const auto& c : cases) {
        Rect r = c.in.clipped(c.w, c.h);
        EXPECT_EQ(r, c.out) << c.in.left << "," << c.in.top << "," << c.in.right << "," << c.in.bottom;
        EXPECT_EQ(r.isEmpty(), c.empty);
    }
}

TEST(Geometry, IntersectionAndContainmentTable)
{
    const Rect outer{0, 0, 64, 64};
    struct Case {
        Rect other;
        Rect common;
        bool meets, inside;
    } cases[] = {
        {{10, 10, 20, 20}, {10, 10, 20, 20}, true, true},
        {{0, 0, 64, 64}, {0, 0, 64, 64}, true, true},      // equal counts as inside
        {{-8, 60, 8, 70}, {0, 60, 8, 64}, true, false},    // across a corner
        {{64, 0, 80, 10}, {64, 0, 64, 10}, false, false},  // touching edges share nothing
        {{100, 100, 120, 130}, {100, 100, 64, 64}, false, false},
        {{5, 5, 5, 9}, {5, 5, 5, 9}, false, true},         // an empty piece within the bounds
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.other.left << "," << c.other.top << "," << c.other.right << ","
                                          << c.other.bottom);
        EXPECT_EQ(outer.intersected(c.other), c.common);
        EXPECT_EQ(c.other.intersected(outer), c.common);
        EXPECT_EQ(!outer.intersected(c.other).isEmpty(), c.meets);
        EXPECT_EQ(outer.contains(c.other), c.inside);
    }
}

TEST(Geometry, TileArithmetic)
{
    struct {
        int length, tiles;
    } counts[] = {{0, 0}, {1, 1}, {63, 1}, {64, 1}, {65, 2}, {128, 2}, {129, 3}, {8000, 125}};
    for (auto c : counts)
        EXPECT_EQ(tileCount(c.length), c.tiles) << c.length;

    EXPECT_EQ(tileColumn(63), 0);
    EXPECT_EQ(tileColumn(64), 1);
    EXPECT_EQ(tileRow(200), 3);
    EXPECT_EQ(elementInTile(0, 0), 0);
    EXPECT_EQ(elementInTile(63, 0), 63);
    EXPECT_EQ(elementInTile(0, 1), 64);
    EXPECT_EQ(elementInTile(64 + 5, 128 + 7), 7 * 64 + 5);
    EXPECT_EQ(elementInTile(63, 63), kTileElements - 1);
}

TEST(Geometry, RectCornersAndAffineMapping)
{
    RectD r{1.0, 2.0, 5.0, 7.0};
    EXPECT_EQ(r.corner(1).x, 5.0);
    EXPECT_EQ(r.corner(1).y, 2.0);
    EXPECT_EQ(r.corner(3).x, 1.0);
    EXPECT_EQ(r.corner(3).y, 7.0);

    tAffineTransform<double> t; // identity by default
    EXPECT_TRUE(t.isAffine());
    // Row-vector convention: translation lives in m6, m7.
    t.m[0] = 2.0;
    t.m[3] = 0.5;
    t.m[6] = 10.0;
    t.m[1] = -1.0;
    t.m[7] = 3.0;
    EXPECT_DOUBLE_EQ(t.mapX(4.0, 2.0), 2.0 * 4.0 + 0.5 * 2.0 + 10.0);
    EXPECT_DOUBLE_EQ(t.mapY(4.0, 2.0), -4.0 + 2.0 + 3.0);
    EXPECT_DOUBLE_EQ(t.mapW(4.0, 2.0), 1.0);
    t.m[5] = 0.25;
    EXPECT_FALSE(t.isAffine());
}

} // namespace
