#include "effect/ProgressData.h"
#include "effect/Warp.h"

#include "tests/effect/CancelAfter.h"
#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace Nuvra;
using namespace Nuvra::DataStorage;

namespace {

std::vector<float> readAll(const DataChannel& c)
{
    std::vector<float> v(size_t(c.width()) * size_t(c.height()));
    getData(c, Rect::fromSize(c.size()), v.data(), unsigned(c.width() * sizeof(float)));
    return v;
}

std::vector<float> noise(int w, int h, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(0.0f, 1.0f);
    std::vector<float> v(size_t(w) * size_t(h));
    for (float& x : v)
        x = d(rng);
    return v;
}

void fill(DataChannel& c, const std::vector<float>& v)
{
    setData(c, Rect::fromSize(c.size()), v.data(), unsigned(c.width() * sizeof(float)));
}

// Destination (x, y) -> source: rotation by deg about the centres.
Transform rotation(double deg, double dcx, double dcy, double scx, double scy)
{
    const double a = deg * M_PI / 180, c = std::cos(a), s = std::sin(a);
    Transform t;
    t.m[0] = c;
    t.m[3] = -s;
    t.m[6] = scx - c * dcx + s * dcy;
    t.m[1] = s;
    t.m[4] = c;
    t.m[7] = scy - s * dcx - c * dcy;
    return t;
}

double bilinearRef(const std::vector<float>& img, int w, int h, double X, double Y)
{
    const double u = X - 0.5, v = Y - 0.5;
    const int i = int(std::floor(u)), j = int(std::floor(v));
    const double a = u - i, b = v - j;
    auto p = [&](int x, int y) { return double(img[size_t(std::clamp(y, 0, h - 1)) * w + std::clamp(x, 0, w - 1)]); };
    return (1 - a) * (1 - b) * p(i, j) + a * (1 - b) * p(i + 1, j) + (1 - a) * b * p(i, j + 1) + a * b * p(i + 1, j + 1);
}

TEST(Warp, IdentityCopiesExactly)
{
    const int w = 150, h = 100;
    const auto img = noise(w, h, 1);
    DataChannel src(Size{w, h}, kTypeFloat), dst(Size{w, h}, kTypeFloat);
    fill(src, img);
    EXPECT_TRUE(warpChannel(src, dst, Rect::fromSize(src.size()), Rect::fromSize(dst.size()), Transform::identity(),
                            nullptr, 0.0f));
    EXPECT_EQ(readAll(dst), img);
}

TEST(Warp, RotationAndProjectiveMatchBilinearInsideAndBlendAtTheBorder)
{
    const int W = 160, H = 120, w = 180, h = 140;
    const auto img = noise(W, H, 2);
    DataChannel src(Size{W, H}, kTypeFloat);
    fill(src, img);
    Transform projective = rotation(10, w / 2.0, h / 2.0, W / 2.0, H / 2.0);
    projective.m[2] = 2e-4;
    projective.m[8] = 1.0 - 0.01;
    const float outsideValue = 0.25f;
    for (const Transform& M : {rotation(30, w / 2.0, h / 2.0, W / 2.0, H / 2.0), projective}) {
        DataChannel dst(Size{w, h}, kTypeFloat);
        ASSERT_TRUE(warpChannel(src, dst, Rect::fromSize(src.size()), Rect::fromSize(dst.size()), M, nullptr,
                                outsideValue));
        const auto out = readAll(dst);
        int inside = 0, border = 0, beyond = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                double X, Y;
                mapPoint(M, x + 0.5, y + 0.5, X, Y);
                const float got = out[size_t(y) * w + x];
                const double ref = bilinearRef(img, W, H, X, Y);
                if (X >= 0.5 && X < W - 0.5 && Y >= 0.5 && Y < H - 0.5) {
                    ++inside;
                    ASSERT_NEAR(got, ref, 1e-5) << x << "," << y;
                } else if (X < -1 || X > W + 1 || Y < -1 || Y > H + 1) {
                    ++beyond;
                    ASSERT_EQ(got, outsideValue) << x << "," << y;
                } else {
                    ++border;
                    ASSERT_GE(got, std::min<double>(ref, outsideValue) - 1e-5) << x << "," << y;
                    ASSERT_LE(got, std::max<double>(ref, outsideValue) + 1e-5) << x << "," << y;
                }
            }
        EXPECT_GT(inside, 1000);
        EXPECT_GT(border, 100);
        EXPECT_GT(beyond, 100);
    }
}

TEST(Warp, VectorAndSampleBySamplePathsAgree)
{
    // 2M is the same map taken through the division by w = 2 (exact), which
    // runs every sample through the one-by-one path.
    const int W = 200, H = 150, w = 190, h = 170;
    const auto img = noise(W, H, 6);
    DataChannel src(Size{W, H}, kTypeFloat), a(Size{w, h}, kTypeFloat), b(Size{w, h}, kTypeFloat);
    fill(src, img);
    const Transform M = rotation(23, w / 2.0, h / 2.0, W / 2.0, H / 2.0);
    Transform M2 = M;
    for (double& m : M2.m)
        m *= 2;
    ASSERT_TRUE(warpChannel(src, a, Rect::fromSize(src.size()), Rect::fromSize(a.size()), M, nullptr, 0.0f));
    ASSERT_TRUE(warpChannel(src, b, Rect::fromSize(src.size()), Rect::fromSize(b.size()), M2, nullptr, 0.0f));
    const auto va = readAll(a), vb = readAll(b);
    int compared = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double X, Y;
            mapPoint(M, x + 0.5, y + 0.5, X, Y);
            if (X >= 1.5 && X < W - 1.5 && Y >= 1.5 && Y < H - 1.5) {
                ASSERT_EQ(va[size_t(y) * w + x], vb[size_t(y) * w + x]) << x << "," << y;
                ++compared;
            }
        }
    EXPECT_GT(compared, 10000);
}

TEST(Warp, UniformSourceFillsAndKeepsInteriorTilesShared)
{
    const float v = 0.6f;
    DataChannel src(Size{400, 400}, kTypeFloat);
    src.fillRect(Rect::fromSize(src.size()), &v);
    // Wholly inside the source: one fill.
    DataChannel small(Size{100, 100}, kTypeFloat);
    warpChannel(src, small, Rect::fromSize(src.size()), Rect::fromSize(small.size()),
                rotation(30, 50, 50, 200, 200), nullptr, 0.0f);
    float got = 0;
    EXPECT_TRUE(small.isMonotone(&got));
    EXPECT_EQ(got, v);
    // Larger than the source: interior tiles uniform, the border blended.
    DataChannel big(Size{512, 512}, kTypeFloat);
    warpChannel(src, big, Rect::fromSize(src.size()), Rect::fromSize(big.size()), rotation(30, 256, 256, 200, 200),
                nullptr, 0.0f);
    const int centre = 4 * 8 + 4;
    EXPECT_EQ(big.tileAt(centre)->monotoneState(), TileDescriptor::Monotone);
    big.getTileMonotoneValue(centre, &got);
    EXPECT_EQ(got, v);
    const auto out = readAll(big);
    EXPECT_EQ(out[0], 0.0f);
    int blended = 0;
    for (float x : out) {
        ASSERT_GE(x, 0.0f);
        ASSERT_LE(x, v + 1e-6f);
        blended += x > 0.0f && x < v - 1e-6f;
    }
    EXPECT_GT(blended, 200);
}

TEST(Warp, ShrinkingPreAveragesBlocks)
{
    // A pattern of period 3 whose 3 x 3 blocks all average 0.5: sampled
    // without the reduction it would show the pattern.
    const int W = 300, H = 240;
    const float pattern[3][3] = {{0.1f, 0.9f, 0.2f}, {0.8f, 0.3f, 0.7f}, {0.6f, 0.4f, 0.5f}};
    std::vector<float> img(size_t(W) * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            img[size_t(y) * W + x] = pattern[y % 3][x % 3];
    DataChannel src(Size{W, H}, kTypeFloat), dst(Size{W / 3, H / 3}, kTypeFloat);
    fill(src, img);
    Transform third;
    third.m[0] = 3;
    third.m[4] = 3;
    warpChannel(src, dst, Rect::fromSize(src.size()), Rect::fromSize(dst.size()), third, nullptr, 0.0f);
    const auto out = readAll(dst);
    for (int y = 1; y < H / 3 - 1; ++y)
        for (int x = 1; x < W / 3 - 1; ++x)
            ASSERT_NEAR(out[size_t(y) * (W / 3) + x], 0.5f, 1e-5f) << x << "," << y;
}

TEST(Warp, SingularOrNonFiniteTransformIsRefused)
{
    DataChannel src(Size{64, 64}, kTypeFloat), dst(Size{64, 64}, kTypeFloat);
    const float v = 0.5f;
    dst.fillRect(Rect::fromSize(dst.size()), &v);
    Transform flat;
    flat.m[4] = 0; // every row maps to one source row
    Transform nan;
    nan.m[6] = std::nan("");
    for (const Transform& M : {flat, nan}) {
        EXPECT_FALSE(warpChannel(src, dst, Rect::fromSize(src.size()), Rect::fromSize(dst.size()), M, nullptr, 1.0f));
        float got = 0;
        EXPECT_TRUE(dst.isMonotone(&got));
        EXPECT_EQ(got, v);
    }
    Transform inv;
    EXPECT_FALSE(invertTransform(flat, inv));
    EXPECT_TRUE(invertTransform(rotation(17, 3, 4, 5, 6), inv));
}

TEST(Warp, PositionsThroughTheHorizonTakeTheOutsideValue)
{
    // w = 1 - x / 50 reaches 0 inside the destination: positions there are
    // infinite or NaN and must fail the window tests, not reach a sample.
    const auto img = noise(100, 100, 8);
    DataChannel src(Size{100, 100}, kTypeFloat), dst(Size{100, 100}, kTypeFloat);
    fill(src, img);
    Transform M;
    M.m[2] = -1.0 / 50;
    ASSERT_TRUE(warpChannel(src, dst, Rect::fromSize(src.size()), Rect::fromSize(dst.size()), M, nullptr, -2.0f));
    const auto out = readAll(dst);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            double X, Y;
            mapPoint(M, x + 0.5, y + 0.5, X, Y);
            const float v = out[size_t(y) * 100 + x];
            if (!(X >= -1 && X <= 101 && Y >= -1 && Y <= 101))
                ASSERT_EQ(v, -2.0f) << x << "," << y;
            else
                ASSERT_TRUE(v >= -2.0f && v <= 1.0f) << x << "," << y;
        }
    EXPECT_EQ(out[size_t(10) * 100 + 49], -2.0f); // X = 49.5 / 0.01
    EXPECT_NEAR(out[size_t(20) * 100 + 10], bilinearRef(img, 100, 100, 10.5 / 0.79, 20.5 / 0.79), 1e-5);
}

TEST(Warp, CancellationLeavesTheOutsideValue)
{
    MorvelinTest::CancelAfter p(1);
    const auto img = noise(200, 200, 3);
    DataChannel src(Size{200, 200}, kTypeFloat), dst(Size{200, 200}, kTypeFloat);
    fill(src, img);
    warpChannel(src, dst, Rect::fromSize(src.size()), Rect::fromSize(dst.size()), rotation(5, 100, 100, 100, 100), &p,
                -1.0f);
    EXPECT_EQ(p.depth(), 0);
    const auto out = readAll(dst);
    EXPECT_NE(out[size_t(30) * 200 + 30], -1.0f);  // first tile written
    EXPECT_EQ(out[size_t(150) * 200 + 150], -1.0f); // later tiles never reached
}

TEST(WarpGeometry, UnitScalesAndSourceBounds)
{
    Transform t;
    t.m[0] = 2;
    t.m[4] = 3;
    double sx, sy;
    transformUnitScales(t, sx, sy);
    EXPECT_DOUBLE_EQ(sx, 2);
    EXPECT_DOUBLE_EQ(sy, 3);
    transformUnitScales(rotation(30, 0, 0, 0, 0), sx, sy);
    EXPECT_NEAR(sx, 1, 1e-12);
    EXPECT_NEAR(sy, 1, 1e-12);

    Transform inv;
    const Transform r = rotation(45, 0, 0, 0, 0);
    ASSERT_TRUE(invertTransform(r, inv));
    const Rect b = warpSourceBounds({0, 0, 10, 10}, {0, 0, 100, 100}, r, inv);
    const double d = 10 * std::sqrt(2.0);
    EXPECT_EQ(b, (Rect{int(std::floor(-d / 2)), 0, int(std::ceil(d / 2)), int(std::ceil(d))}));

    Transform nan = r;
    nan.m[7] = std::nan("");
    EXPECT_TRUE(warpSourceBounds({0, 0, 10, 10}, {0, 0, 100, 100}, nan, inv).isEmpty());
}

TEST(WarpGeometry, ProjectedBoxIncludesCornersInsideTheQuadrilateral)
{
    // B maps r2 to a quadrilateral that contains all of r1: the part of r1
    // inside it is r1 itself, which only r1's own corners describe.
    Transform A; // identity
    Transform B;
    B.m[0] = 10;
    B.m[4] = 10;
    B.m[6] = -50;
    B.m[7] = -50;
    RectD out;
    ASSERT_TRUE(TransformProjectedAABB(A, B, {0, 0, 20, 10}, {0, 0, 10, 10}, out));
    EXPECT_EQ(out, (RectD{0, 0, 20, 10}));

    // Partly overlapping: B(r2) = [5, 15] x [5, 15] against r1 = [0, 10]^2.
    Transform shift;
    shift.m[6] = 5;
    shift.m[7] = 5;
    ASSERT_TRUE(TransformProjectedAABB(A, shift, {0, 0, 10, 10}, {0, 0, 10, 10}, out));
    EXPECT_NEAR(out.left, 5, 1e-9);
    EXPECT_NEAR(out.top, 5, 1e-9);
    EXPECT_NEAR(out.right, 10, 1e-9);
    EXPECT_NEAR(out.bottom, 10, 1e-9);

    Transform far;
    far.m[6] = 100;
    EXPECT_FALSE(TransformProjectedAABB(A, far, {0, 0, 10, 10}, {0, 0, 10, 10}, out));
    EXPECT_TRUE(out.isEmpty());
}

TEST(WarpGeometry, BoxReduceBufferTable)
{
    struct Case {
        int fx, fy, w, h;
        std::vector<float> in, out;
    } cases[] = {
        {2, 2, 5, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, {4, 6, 7.5f, 11.5f, 13.5f, 15}},
        {3, 1, 4, 1, {3, 6, 9, 20}, {6, 20}},
        {1, 1, 2, 1, {1, 2}, {1, 2}},
    };
    for (auto& c : cases) {
        std::vector<float> buf = c.in, scratch;
        boxReduceBuffer(c.fx, c.fy, c.w, c.h, buf.data(), scratch);
        buf.resize(c.out.size());
        EXPECT_EQ(buf, c.out) << c.fx << "x" << c.fy;
    }
}

} // namespace
