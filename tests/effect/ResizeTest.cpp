#include "effect/ProgressData.h"
#include "effect/Resize.h"

#include "tests/effect/CancelAfter.h"
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstring>
#include <random>

using namespace Nuvra;
using namespace Nuvra::DataStorage;
using namespace Nuvra::DataStorage::ns_Resize;

namespace {

std::vector<float> readAll(const DataChannel& c)
{
    std::vector<float> v(size_t(c.width()) * size_t(c.height()));
    if (!v.empty())
        getData(c, Rect::fromSize(c.size()), v.data(), unsigned(c.width() * sizeof(float)));
    return v;
}

DataChannel* makeChannel(int w, int h, const std::vector<float>& v)
{
    auto* c = new DataChannel(Size{w, h}, kTypeFloat);
    setData(*c, Rect::fromSize(c->size()), v.data(), unsigned(w * sizeof(float)));
    return c;
}

std::vector<float> smoothNoise(int w, int h, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(0.0f, 1.0f);
    std::vector<float> v(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            v[size_t(y) * w + x] = 0.3f + 0.2f * std::sin(x * 0.05f + y * 0.03f) + 0.3f * d(rng);
    return v;
}

std::vector<float> openCV(const std::vector<float>& in, int W, int H, int w, int h, int method)
{
    cv::Mat src(H, W, CV_32F, const_cast<float*>(in.data())), dst;
    cv::resize(src, dst, cv::Size(w, h), 0, 0, method);
    return std::vector<float>(dst.ptr<float>(), dst.ptr<float>() + size_t(w) * h);
}

float worst(const std::vector<float>& a, const std::vector<float>& b, int w, int h, int skip = 0)
{
    float m = 0;
    for (int y = skip; y < h; ++y)
        for (int x = skip; x < w; ++x)
            m = std::max(m, std::fabs(a[size_t(y) * w + x] - b[size_t(y) * w + x]));
    return m;
}

TEST(ResizeKernels, CubicWeightRecords)
{
    std::vector<CubicWeight> r;
    cubicWeights(r, 10, 10); // same size: every output sits on an input centre
    for (int o = 0; o < 10; ++o) {
        EXPECT_EQ(r[size_t(o)].i0, o);
        const float expected[5] = {0, 0, 1, 0, 0};
        for (int k = 0; k < 5; ++k)
            EXPECT_EQ(r[size_t(o)].w[k], expected[k]);
        EXPECT_EQ(r[size_t(o)].nearEdge, o <= 1 || o >= 8);
    }
    cubicWeights(r, 100, 37);
    for (const auto& c : r) {
        EXPECT_EQ(c.w[0], 0.0f);
        EXPECT_NEAR(c.w[0] + c.w[1] + c.w[2] + c.w[3] + c.w[4], 1.0f, 4e-6f);
    }
    cubicWeights(r, 4, 13); // left of the first centre s clamps to 0
    EXPECT_EQ(r[0].i0, 0);
    EXPECT_EQ(r[0].w[2], 1.0f);
    EXPECT_NEAR(keysCubic(0.5f), 1 - 2.25 * 0.25 + 1.25 * 0.125, 1e-7);
    EXPECT_NEAR(keysCubic(1.5f), 3 - 9 + 3.75 * 2.25 - 0.75 * 3.375, 1e-7);
    EXPECT_EQ(keysCubic(2.0f), 0.0f);
}

TEST(ResizeKernels, AreaTableSharesSumToTheOutput)
{
    const AreaTable t = areaTable(700, 200);
    std::vector<double> cover(200, 0.0);
    for (int i = 0; i < 700; ++i) {
        const int X = t.first[size_t(i)];
        const double f = t.fraction[size_t(i)];
        ASSERT_GT(f, 0.0);
        ASSERT_LE(f, 1.0);
        cover[size_t(X)] += f * t.k;
        if (X + 1 < 200)
            cover[size_t(X + 1)] += (1 - f) * t.k;
    }
    for (double c : cover)
        EXPECT_NEAR(c, 1.0, 1e-5); // every output gathers one output's worth
}

TEST(Resize, CubicMatchesOpenCV)
{
    struct Case {
        int W, H, w, h, skip;
    } cases[] = {{1000, 800, 600, 480, 0}, {190, 108, 149, 83, 0}, {120, 90, 173, 139, 2}, {64, 64, 64, 64, 0}};
    for (const auto& c : cases) {
        const auto in = smoothNoise(c.W, c.H, 1);
        SmartPtr<DataChannel> src(makeChannel(c.W, c.H, in));
        DataChannel dst(Size{c.w, c.h}, kTypeFloat);
        resizeChannel(*src, dst, nullptr, false);
        EXPECT_LE(worst(readAll(dst), openCV(in, c.W, c.H, c.w, c.h, cv::INTER_CUBIC), c.w, c.h, c.skip), 1e-5f)
            << c.W << "x" << c.H << " -> " << c.w << "x" << c.h;
    }
}

TEST(Resize, AreaMatchesOpenCV)
{
    struct Case {
        int W, H, w, h;
    } cases[] = {{700, 700, 200, 200}, {384, 216, 149, 83}, {200, 100, 100, 50}, {300, 90, 100, 30}};
    for (const auto& c : cases) {
        const auto in = smoothNoise(c.W, c.H, 2);
        SmartPtr<DataChannel> src(makeChannel(c.W, c.H, in));
        DataChannel dst(Size{c.w, c.h}, kTypeFloat);
        resizeChannel(*src, dst, nullptr, false);
        EXPECT_LE(worst(readAll(dst), openCV(in, c.W, c.H, c.w, c.h, cv::INTER_AREA), c.w, c.h), 1e-5f)
            << c.W << "x" << c.H << " -> " << c.w << "x" << c.h;
    }
}

TEST(Resize, BranchChoice)
{
    enum Path { Cubic, Box, Area, AreaThenCubic };
    struct Case {
        int W, H, w, h;
        Path path;
        int fx, fy;
    } cases[] = {
        {200, 100, 100, 50, Box, 2, 2},      {700, 700, 200, 200, Area, 0, 0},   {1000, 800, 600, 480, Cubic, 0, 0},
        {400, 100, 100, 300, AreaThenCubic, 4, 1}, {201, 100, 100, 50, Area, 0, 0}, {90, 60, 300, 200, Cubic, 0, 0},
        {300, 100, 100, 100, Box, 3, 1},     {100, 300, 300, 100, AreaThenCubic, 1, 3},
    };
    for (const auto& c : cases) {
        const auto in = smoothNoise(c.W, c.H, 3);
        SmartPtr<DataChannel> src(makeChannel(c.W, c.H, in));
        DataChannel got(Size{c.w, c.h}, kTypeFloat), want(Size{c.w, c.h}, kTypeFloat);
        resizeChannel(*src, got, nullptr, true);
        switch (c.path) {
        case Cubic: cubicResampleChannel(*src, want, nullptr, true); break;
        case Box: boxReduceChannel(*src, want, c.fx, c.fy, nullptr); break;
        case Area: areaResampleChannel(*src, want, nullptr, true); break;
        case AreaThenCubic: {
            DataChannel mid(Size{(c.W + c.fx - 1) / c.fx, (c.H + c.fy - 1) / c.fy}, kTypeFloat);
            areaResampleChannel(*src, mid, nullptr, true);
            cubicResampleChannel(mid, want, nullptr, true);
            break;
        }
        }
        EXPECT_EQ(readAll(got), readAll(want)) << c.W << "x" << c.H << " -> " << c.w << "x" << c.h;
    }
}

// Packed rows on either side give resizeChannel's values bit for bit on
// every branch, a uniform source included, with and without the clamp.
TEST(Resize, PackedRowsResizeLikeChannels)
{
    struct Case {
        int W, H, w, h;
    } cases[] = {
        {1000, 800, 600, 480}, {90, 60, 300, 200}, {200, 100, 100, 50}, {700, 700, 200, 200},
        {400, 100, 100, 300},  {1493, 840, 1920, 1080}, {130, 70, 131, 69},
    };
    for (const auto& c : cases) {
        for (const bool uniform : {false, true}) {
            for (const bool clamp : {true, false}) {
                SCOPED_TRACE(testing::Message() << c.W << "x" << c.H << " -> " << c.w << "x" << c.h << " uniform "
                                                << uniform << " clamp " << clamp);
                std::vector<float> in = smoothNoise(c.W, c.H, 5);
                if (uniform)
                    std::fill(in.begin(), in.end(), 1.25f);
                else
                    in[7] = 1.6f;  // overshoot for the clamp
                SmartPtr<DataChannel> src(makeChannel(c.W, c.H, in));
                DataChannel want(Size{c.w, c.h}, kTypeFloat);
                resizeChannel(*src, want, nullptr, clamp);
                std::vector<float> packed(size_t(c.w) * size_t(c.h), -9.0f);
                resizeChannelToPacked(*src, packed.data(), Size{c.w, c.h}, nullptr, clamp);
                ASSERT_EQ(0, std::memcmp(packed.data(), readAll(want).data(), packed.size() * sizeof(float)));

                // And back: the packed source against its channel.
                SmartPtr<DataChannel> small(makeChannel(c.w, c.h, packed));
                DataChannel back(Size{c.W, c.H}, kTypeFloat), backWant(Size{c.W, c.H}, kTypeFloat);
                resizeChannel(*small, backWant, nullptr, clamp);
                resizePackedToChannel(packed.data(), Size{c.w, c.h}, back, nullptr, clamp);
                const std::vector<float> a = readAll(back), b = readAll(backWant);
                ASSERT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(float)));
            }
        }
    }
}

TEST(Resize, BoxReduceAveragesBlocksIncludingPartialOnes)
{
    // 5 x 3 by (2, 2): the right column and bottom row average what they hold.
    const std::vector<float> in = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    SmartPtr<DataChannel> src(makeChannel(5, 3, in));
    DataChannel dst(Size{3, 2}, kTypeFloat);
    boxReduceChannel(*src, dst, 2, 2, nullptr);
    const std::vector<float> expected = {(1 + 2 + 6 + 7) / 4.0f, (3 + 4 + 8 + 9) / 4.0f, (5 + 10) / 2.0f,
                                         (11 + 12) / 2.0f,       (13 + 14) / 2.0f,       15.0f};
    EXPECT_EQ(readAll(dst), expected);
}

TEST(Resize, UniformSourceGivesUniformTarget)
{
    for (auto [w, h] : {std::pair{33, 700}, std::pair{1000, 10}, std::pair{90, 90}}) {
        DataChannel src(Size{300, 200}, kTypeFloat), dst(Size{w, h}, kTypeFloat);
        const float v = 1.75f; // not clamped
        src.fillRect(Rect::fromSize(src.size()), &v);
        resizeChannel(src, dst, nullptr, true);
        float got = 0;
        EXPECT_TRUE(dst.isMonotone(&got));
        EXPECT_EQ(got, v);
    }
}

TEST(Resize, ClampKeepsCubicOvershootInRange)
{
    const int W = 40, H = 8, w = 97, h = 19;
    std::vector<float> step(size_t(W) * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            step[size_t(y) * W + x] = x < W / 2 ? 0.0f : 1.0f;
    SmartPtr<DataChannel> src(makeChannel(W, H, step));
    DataChannel a(Size{w, h}, kTypeFloat), b(Size{w, h}, kTypeFloat);
    resizeChannel(*src, a, nullptr, true);
    resizeChannel(*src, b, nullptr, false);
    const auto va = readAll(a), vb = readAll(b);
    EXPECT_GE(*std::min_element(va.begin(), va.end()), 0.0f);
    EXPECT_LE(*std::max_element(va.begin(), va.end()), 1.0f);
    EXPECT_LT(*std::min_element(vb.begin(), vb.end()), -0.01f);
    EXPECT_GT(*std::max_element(vb.begin(), vb.end()), 1.01f);
}

TEST(Resize, DegenerateSizes)
{
    // A side of 1 repeats its samples; empty sides do nothing at all.
    const std::vector<float> column = {0.1f, 0.9f, 0.4f, 0.7f};
    SmartPtr<DataChannel> src(makeChannel(1, 4, column));
    DataChannel wide(Size{5, 4}, kTypeFloat);
    resizeChannel(*src, wide, nullptr, false);
    const auto v = readAll(wide);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_NEAR(v[size_t(y) * 5 + x], column[size_t(y)], 1e-6f);

    DataChannel empty(Size{0, 0}, kTypeFloat), flat(Size{10, 0}, kTypeFloat);
    DataChannel target(Size{8, 8}, kTypeFloat);
    resizeChannel(empty, target, nullptr, true);
    resizeChannel(flat, target, nullptr, true);
    resizeChannel(*src, empty, nullptr, true);
    resizeChannel(*src, flat, nullptr, true);
    float z = -1;
    EXPECT_TRUE(target.isMonotone(&z));
    EXPECT_EQ(z, 0.0f);
    EXPECT_TRUE(boxReduceChannel(*src, target, 0, 0, nullptr));
}

TEST(Resize, CancellationStopsAndClosesTheStage)
{
    const auto in = smoothNoise(300, 200, 4);
    SmartPtr<DataChannel> src(makeChannel(300, 200, in));
    for (auto [w, h] : {std::pair{250, 180}, std::pair{100, 60}, std::pair{150, 100}}) {
        MorvelinTest::CancelAfter p(2);
        DataChannel dst(Size{w, h}, kTypeFloat);
        resizeChannel(*src, dst, &p, true);
        EXPECT_EQ(p.reported(), 2) << w;
        EXPECT_EQ(p.depth(), 0) << w;
    }
}

} // namespace
