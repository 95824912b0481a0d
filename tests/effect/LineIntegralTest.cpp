#include "effect/LuminanceStages.h"
#include "effect/MorvelinParams.h"
#include "effect/ProgressData.h"
#include "tests/effect/SyntheticFrame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

using namespace Nuvra::Effect;

namespace {

constexpr LineIntegralPath kAllPaths[] = {LineIntegralPath::Reference, LineIntegralPath::Interleaved,
                                          LineIntegralPath::Wide};

struct Frame {
    int w, h;
    std::vector<float> lum, vx, vy;
};

Frame fieldFrame(int w, int h, std::uint32_t seed)
{
    Frame f{w, h, MorvelinTest::syntheticLuminance(w, h, seed), {}, {}};
    f.vx.resize(f.lum.size());
    f.vy.resize(f.lum.size());
    EXPECT_TRUE(orientationField(w, h, f.lum.data(), 1.8f, f.vx.data(), f.vy.data(), nullptr));
    // Some stalled and unnormalised vectors as well.
    for (std::size_t i = 0; i < f.lum.size(); i += 13) {
        f.vx[i] = 0.0f;
        f.vy[i] = 0.0f;
    }
    for (std::size_t i = 5; i < f.lum.size(); i += 17) {
        f.vx[i] *= 0.01f;
        f.vy[i] *= -0.02f;
    }
    return f;
}

std::vector<float> integrate(LineIntegralPath path, const Frame& f, float length)
{
    std::vector<float> out(f.lum.size(), -1.0f);
    EXPECT_TRUE(lineIntegralWith(path, f.w, f.h, f.lum.data(), f.vx.data(), f.vy.data(), length, out.data(), nullptr));
    return out;
}

} // namespace

TEST(LineIntegral, VectorPathsAreBitIdenticalToReference)
{
    struct Size { int w, h; };
    for (const Size s : {Size{1, 1}, Size{1, 9}, Size{9, 1}, Size{7, 5}, Size{64, 48}, Size{131, 70}}) {
        const Frame f = fieldFrame(s.w, s.h, std::uint32_t(s.w * 31 + s.h));
        for (const float length : {0.2f, 0.3f, 1.7f, 11.6f, 23.5f}) {
            SCOPED_TRACE(testing::Message() << s.w << "x" << s.h << " length " << length);
            const std::vector<float> ref = integrate(LineIntegralPath::Reference, f, length);
            for (const LineIntegralPath path : {LineIntegralPath::Interleaved, LineIntegralPath::Wide}) {
                const std::vector<float> fast = integrate(path, f, length);
                ASSERT_EQ(0, std::memcmp(ref.data(), fast.data(), ref.size() * sizeof(float)));
            }
            // In place, as the pipeline runs it, on every path.
            for (const LineIntegralPath path : kAllPaths) {
                std::vector<float> inPlace = f.lum;
                ASSERT_TRUE(lineIntegralWith(path, f.w, f.h, inPlace.data(), f.vx.data(), f.vy.data(), length,
                                             inPlace.data(), nullptr));
                ASSERT_EQ(0, std::memcmp(ref.data(), inPlace.data(), ref.size() * sizeof(float)));
            }
        }
    }
}

// Along a constant horizontal field every step is half a pixel, so the traces
// visit each pixel twice; positions just left of 0 still fall in column 0.
// (Field samples at a pixel centre round to the next column, so steps in the
// last column and row are shorter; traces here stay clear of them.)
TEST(LineIntegral, HorizontalFieldAveragesAlongRows)
{
    const int w = 23, h = 4;
    const float length = 4.3f;
    Frame f{w, h, MorvelinTest::syntheticLuminance(w, h, 5), std::vector<float>(w * h, 1.0f),
            std::vector<float>(w * h, 0.0f)};
    for (const LineIntegralPath path : kAllPaths) {
        const std::vector<float> out = integrate(path, f, length);
        const int n = 9;  // 2 * 4.3 rounded
        for (int y = 0; y < h - 1; ++y)
            for (int x = 0; x + 1 + n / 2 < w - 1; ++x) {
                double acc = f.lum[std::size_t(y) * w + x], sum = 1;
                for (const int dir : {1, -1}) {
                    for (int j = 1; j <= n; ++j) {
                        const int col = int(std::trunc(x + 0.5 + dir * 0.5 * j));
                        if (col < 0 || col >= w)
                            break;
                        const double wt = std::exp(-double(j) * j / (2.0 * length * length));
                        acc += wt * f.lum[std::size_t(y) * w + col];
                        sum += wt;
                    }
                }
                ASSERT_NEAR(out[std::size_t(y) * w + x], acc / sum, 2e-6) << x << "," << y;
            }
    }
}

TEST(LineIntegral, SmearsAlongTheFieldNotAcross)
{
    const int w = 40, h = 21;
    std::vector<float> lum(w * h, 0.0f);
    for (int x = 0; x < w; ++x)
        lum[10 * w + x] = 1.0f;  // a bright horizontal line
    Frame along{w, h, lum, std::vector<float>(w * h, 1.0f), std::vector<float>(w * h, 0.0f)};
    Frame across{w, h, lum, std::vector<float>(w * h, 0.0f), std::vector<float>(w * h, 1.0f)};
    const std::vector<float> a = integrate(LineIntegralPath::Interleaved, along, 5.0f);
    const std::vector<float> c = integrate(LineIntegralPath::Interleaved, across, 5.0f);
    for (int x = 0; x < w - 1; ++x) {  // the last column takes short steps
        EXPECT_EQ(a[10 * w + x], 1.0f);
        EXPECT_EQ(a[9 * w + x], 0.0f);
        EXPECT_EQ(a[11 * w + x], 0.0f);
        EXPECT_LT(c[10 * w + x], 0.3f);
        EXPECT_GT(c[9 * w + x], 0.05f);
        EXPECT_GT(c[11 * w + x], 0.05f);
    }
}

TEST(LineIntegral, ZeroLengthAndUniformFramesKeepTheirValues)
{
    Frame f = fieldFrame(33, 17, 9);
    f.lum[4] = 1.25f;
    f.lum[5] = -0.25f;
    for (const LineIntegralPath path : kAllPaths) {
        const std::vector<float> out = integrate(path, f, 0.0f);
        for (std::size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(out[i], std::min(1.0f, std::max(0.0f, f.lum[i])));
    }
    Frame flat = f;
    std::fill(flat.lum.begin(), flat.lum.end(), 0.4f);
    for (const LineIntegralPath path : kAllPaths) {
        const std::vector<float> out = integrate(path, flat, 9.0f);
        for (std::size_t i = 0; i < out.size(); ++i)
            ASSERT_NEAR(out[i], 0.4f, 1e-6);
    }
}

TEST(LineIntegral, CancelledRecordStops)
{
    const Frame f = fieldFrame(16, 16, 2);
    Nuvra::DataStorage::ProgressData progress;
    progress.setCancelled(true);
    std::vector<float> out(f.lum.size(), -1.0f);
    for (const LineIntegralPath path : kAllPaths)
        EXPECT_FALSE(lineIntegralWith(path, f.w, f.h, f.lum.data(), f.vx.data(), f.vy.data(), 6.0f, out.data(),
                                      &progress));
}

// The line is at most twice the slider's longest: beyond it an absurd length
// would cost every working pixel a trace many times the normal one.
TEST(LineIntegral, LengthIsBoundedByTwiceTheLongestSmudging)
{
    const float k = 1166.5f;
    const float longest = 4.0f * k / 100.0f;
    struct Case { float lineIntg, length; };
    for (const Case c : {Case{1.0f, 1.0f * k / 100.0f}, Case{2.0f, 2.0f * k / 100.0f}, Case{4.0f, longest},
                         Case{100.0f, longest}, Case{250.0f, longest}, Case{1e30f, longest},
                         Case{std::numeric_limits<float>::infinity(), longest},
                         Case{-3.0f, -3.0f * k / 100.0f}}) {
        Morvelin_paramsCalc p{};
        p.line_intg = c.lineIntg;
        EXPECT_EQ(luminanceLengths(p, k).length, c.length) << c.lineIntg;
    }
}
