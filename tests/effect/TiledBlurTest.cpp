#include "effect/TiledBlur.h"
#include "effect/ProgressData.h"

#include "tests/effect/CancelAfter.h"
#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace Nuvra;
using namespace Nuvra::DataStorage;
using namespace Nuvra::DataStorage::ns_cltBlur;

namespace {

std::vector<float> readAll(const DataChannel& c)
{
    std::vector<float> v(size_t(c.width()) * size_t(c.height()));
    getData(c, Rect::fromSize(c.size()), v.data(), unsigned(c.width() * sizeof(float)));
    return v;
}

void writeAll(DataChannel& c, const std::vector<float>& v)
{
    setData(c, Rect::fromSize(c.size()), v.data(), unsigned(c.width() * sizeof(float)));
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

void boxPasses(std::vector<double>& line, const TB_AlgData& alg)
{
    const int n = int(line.size()), r = alg.r;
    for (int p = 0; p < alg.passes; ++p) {
        std::vector<double> y(line.size());
        for (int i = 0; i < n; ++i) {
            double s = 0;
            for (int d = -r; d <= r; ++d)
                s += (std::abs(d) == r ? double(alg.b) : double(alg.a) + alg.b) *
                     line[size_t(std::clamp(i + d, 0, n - 1))];
            y[size_t(i)] = s;
        }
        line = y;
    }
}

// Columns, then rows, each with three passes of the 1-D kernel, edges repeated.
std::vector<double> reference(const std::vector<float>& img, int w, int h, float sx, float sy)
{
    TB_AlgData ax(sx, 3), ay(sy, 3);
    std::vector<double> out(img.begin(), img.end());
    std::vector<double> line;
    for (int x = 0; x < w; ++x) {
        line.resize(size_t(h));
        for (int y = 0; y < h; ++y)
            line[size_t(y)] = out[size_t(y) * w + x];
        boxPasses(line, ay);
        for (int y = 0; y < h; ++y)
            out[size_t(y) * w + x] = line[size_t(y)];
    }
    for (int y = 0; y < h; ++y) {
        line.assign(out.begin() + ptrdiff_t(y) * w, out.begin() + ptrdiff_t(y + 1) * w);
        boxPasses(line, ax);
        std::copy(line.begin(), line.end(), out.begin() + ptrdiff_t(y) * w);
    }
    return out;
}

double worst(const std::vector<float>& a, const std::vector<double>& b)
{
    double m = 0;
    for (size_t i = 0; i < a.size(); ++i)
        m = std::max(m, std::fabs(a[i] - b[i]));
    return m;
}

TEST(TiledBlur, MatchesSeparableBoxReference)
{
    struct Case {
        int w, h;
        float sx, sy;
    } cases[] = {{150, 100, 2.5f, 4.0f}, {64, 64, 1.0f, 1.0f}, {300, 70, 6.0f, 0.0f}, {37, 200, 0.0f, 9.0f},
                 {200, 130, -5.0f, 5.0f}};
    for (const auto& c : cases) {
        const auto img = noise(c.w, c.h, 11);
        DataChannel ch(Size{c.w, c.h}, kTypeFloat);
        writeAll(ch, img);
        const float sigma[2] = {c.sx, c.sy};
        const Rect all = Rect::fromSize(ch.size());
        tiledBlurChannel(ch, ch, sigma, all, all, nullptr); // in place, as the noise layer does
        EXPECT_LE(worst(readAll(ch), reference(img, c.w, c.h, std::fabs(c.sx), c.sy)), 1e-4)
            << c.w << "x" << c.h << " " << c.sx << "," << c.sy;
    }
}

TEST(TiledBlur, SeparateDestinationAndSubRectangle)
{
    const int w = 200, h = 150;
    const auto img = noise(w, h, 2);
    DataChannel src(Size{w, h}, kTypeFloat), dst(Size{w, h}, kTypeFloat);
    writeAll(src, img);
    const float fill = 0.75f;
    dst.fillRect(Rect::fromSize(dst.size()), &fill);
    const float sigma[2] = {3.0f, 3.0f};
    const Rect rect{70, 40, 150, 110};
    tiledBlurChannel(src, dst, sigma, rect, Rect::fromSize(src.size()), nullptr);
    const auto ref = reference(img, w, h, 3.0f, 3.0f);
    const auto out = readAll(dst);
    EXPECT_EQ(readAll(src), img);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * w + x;
            if (x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom)
                ASSERT_NEAR(out[i], ref[i], 1e-4) << x << "," << y;
            else
                ASSERT_EQ(out[i], fill) << x << "," << y;
        }
}

TEST(TiledBlur, NoSigmaCopiesOrLeavesAlone)
{
    const int w = 90, h = 70;
    const auto img = noise(w, h, 3);
    DataChannel src(Size{w, h}, kTypeFloat), dst(Size{w, h}, kTypeFloat);
    writeAll(src, img);
    const float sigma[2] = {0.0f, -0.0f};
    tiledBlurChannel(src, dst, sigma, Rect::fromSize(src.size()), Rect::fromSize(src.size()), nullptr);
    EXPECT_EQ(readAll(dst), img);
    tiledBlurChannel(src, src, sigma, Rect::fromSize(src.size()), Rect::fromSize(src.size()), nullptr);
    EXPECT_EQ(readAll(src), img);
}

TEST(TiledBlur, UniformChannelStaysSharedUniformTiles)
{
    DataChannel ch(Size{300, 200}, kTypeFloat);
    const float v = 0.3f;
    ch.fillRect(Rect::fromSize(ch.size()), &v);
    const TileDescriptor* shared = ch.tileAt(0);
    const float sigma[2] = {20.0f, 20.0f};
    tiledBlurChannel(ch, ch, sigma, Rect::fromSize(ch.size()), Rect::fromSize(ch.size()), nullptr);
    for (int t = 0; t < ch.tileCount(); ++t)
        EXPECT_EQ(ch.tileAt(t), shared) << t;
    for (float x : readAll(ch))
        ASSERT_EQ(x, v);
}

TEST(TiledBlur, OneBusyTileInAUniformChannel)
{
    // 8 x 8 tiles of 0.5 with noise in tile (1, 1): with sigma 2 (reach one
    // tile), tiles beyond two tiles stay the shared uniform tile.
    const int w = 512, h = 512;
    auto img = std::vector<float>(size_t(w) * h, 0.5f);
    const auto busy = noise(64, 64, 5);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            img[size_t(64 + y) * w + 64 + x] = busy[size_t(y) * 64 + x];
    DataChannel ch(Size{w, h}, kTypeFloat);
    writeAll(ch, img);
    const float sigma[2] = {2.0f, 2.0f};
    tiledBlurChannel(ch, ch, sigma, Rect::fromSize(ch.size()), Rect::fromSize(ch.size()), nullptr);
    EXPECT_LE(worst(readAll(ch), reference(img, w, h, 2.0f, 2.0f)), 1e-4);
    const TileDescriptor* far = ch.tileAt(7 * 8 + 7);
    EXPECT_EQ(far->monotoneState(), TileDescriptor::Monotone);
    for (int ty = 0; ty < 8; ++ty)
        for (int tx = 0; tx < 8; ++tx) {
            const bool near = std::abs(tx - 1) <= 1 && std::abs(ty - 1) <= 1;
            if (!near && (tx >= 4 || ty >= 4)) {
                EXPECT_EQ(ch.tileAt(ty * 8 + tx), far) << tx << "," << ty;
            }
            if (tx == 1 && ty == 1) {
                EXPECT_NE(ch.tileAt(ty * 8 + tx), far);
            }
        }
}

TEST(TiledBlur, NeighbouringUniformTilesOfDifferentValuesMeetInARamp)
{
    const int w = 256, h = 128;
    std::vector<float> img(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img[size_t(y) * w + x] = x < 128 ? 0.2f : 0.8f;
    DataChannel ch(Size{w, h}, kTypeFloat);
    writeAll(ch, img);
    const float sigma[2] = {6.0f, 6.0f};
    tiledBlurChannel(ch, ch, sigma, Rect::fromSize(ch.size()), Rect::fromSize(ch.size()), nullptr);
    const auto out = readAll(ch);
    EXPECT_LE(worst(out, reference(img, w, h, 6.0f, 6.0f)), 1e-4);
    // Symmetric about the edge.
    for (int d = 0; d < 20; ++d)
        EXPECT_NEAR(out[size_t(60) * w + 127 - d] - 0.2f, 0.8f - out[size_t(60) * w + 128 + d], 1e-5) << d;
    EXPECT_GT(out[size_t(60) * w + 127], 0.3f);
}

TEST(TiledBlur, CancellationStopsAndClosesTheStage)
{
    MorvelinTest::CancelAfter p(3);
    const int w = 200, h = 200;
    const auto img = noise(w, h, 4);
    DataChannel ch(Size{w, h}, kTypeFloat);
    writeAll(ch, img);
    const float sigma[2] = {3.0f, 3.0f};
    tiledBlurChannel(ch, ch, sigma, Rect::fromSize(ch.size()), Rect::fromSize(ch.size()), &p);
    EXPECT_EQ(p.reported(), 3);
    EXPECT_EQ(p.depth(), 0);
    EXPECT_EQ(readAll(ch), img); // stopped during the first run
}

} // namespace
