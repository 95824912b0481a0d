#include "pixelstore/PlaneColorCopy.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

using namespace Nuvra;
using namespace Nuvra::DataStorage;

namespace {

// A stand-in processor from interleaved 8-bit R, G, B to interleaved float
// L, a, b with every output depending on every input; it counts pixels.
struct Mixer {
    mutable std::atomic<long> pixels{0};
    static void pixel(const uint8_t* in, float* out)
    {
        out[0] = in[0] / 255.0f + in[1] / 1024.0f;
        out[1] = in[1] / 255.0f - in[2] / 4096.0f;
        out[2] = in[2] / 255.0f + in[0] / 8192.0f;
    }
    static void run(const void* context, const void* src, void* dst, int count)
    {
        static_cast<const Mixer*>(context)->pixels += count;
        const uint8_t* s = static_cast<const uint8_t*>(src);
        float* d = static_cast<float*>(dst);
        for (int i = 0; i < count; ++i)
            pixel(s + 3 * i, d + 3 * i);
    }
};

const PixelFormat kRGB(kSetRGB, kTypeU8);
const PixelFormat kLab(kSetLab, kTypeFloat);

// A frame with noise, a flat block covering whole tiles and a flat stripe.
PixelPlane sourcePlane(int w, int h)
{
    std::vector<uint8_t> px(std::size_t(w) * h * 3);
    std::mt19937 rng(3);
    for (uint8_t& v : px)
        v = uint8_t(rng());
    for (int y = 64; y < std::min(h, 192); ++y)
        for (int x = 64; x < std::min(w, 192); ++x)
            for (int c = 0; c < 3; ++c)
                px[(std::size_t(y) * w + x) * 3 + c] = uint8_t(40 + 50 * c);
    PixelPlane p(kSetRGB, kTypeU8, Size{w, h});
    EXPECT_TRUE(setData(p, Rect{0, 0, w, h}, px.data(), 0, kRGB));
    return p;
}

std::vector<float> labOf(const PixelPlane& p)
{
    std::vector<float> v(std::size_t(p.width()) * p.height() * 3);
    EXPECT_TRUE(getData(p, Rect::fromSize(p.size()), v.data(), 0, kLab));
    return v;
}

} // namespace

// Offsets off the tile grid, rectangles reaching outside either plane and
// whole planes: every destination pixel is the pixel-by-pixel conversion of
// its source pixel, and pixels outside the copy keep their value, also when
// the destination's channels are shared with another plane, which keeps all
// of its own.
TEST(PlaneColorCopy, EqualsPixelByPixelConversion)
{
    const PixelPlane src = sourcePlane(300, 210);
    std::vector<uint8_t> srcPx(300 * 210 * 3);
    ASSERT_TRUE(getData(src, Rect{0, 0, 300, 210}, srcPx.data(), 0, kRGB));
    const struct {
        Rect rect;
        Point point;
        Size dstSize;
        bool shared;
    } cases[] = {
        {Rect{0, 0, 300, 210}, Point{0, 0}, Size{300, 210}, false},
        {Rect{3, 5, 250, 180}, Point{17, 29}, Size{257, 190}, false},
        {Rect{-10, -10, 400, 300}, Point{-5, 7}, Size{257, 190}, false},
        {Rect{64, 64, 192, 192}, Point{64, 0}, Size{200, 130}, false},
        {Rect{65, 1, 299, 209}, Point{0, 63}, Size{300, 300}, false},
        {Rect{0, 0, 1, 1}, Point{100, 100}, Size{128, 128}, false},
        {Rect{3, 5, 250, 180}, Point{17, 29}, Size{257, 190}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rect.left << "," << c.rect.top << " -> " << c.point.x << ","
                                        << c.point.y);
        PixelPlane dst(kSetLab, kTypeFloat, c.dstSize);
        const float sentinel = -7.0f;
        for (const Channel ch : {kChannelL, kChannelA, kChannelB})
            dst.channelWriteOnly(ch)->fillRect(Rect::fromSize(c.dstSize), &sentinel);
        const PixelPlane twin = c.shared ? dst : PixelPlane(kSetLab, kTypeFloat, c.dstSize);
        Mixer mixer;
        convertPlaneColors(dst, src, c.rect, c.point, kRGB, kLab, &Mixer::run, &mixer);
        if (c.shared) {
            for (const float v : labOf(twin))
                ASSERT_EQ(v, sentinel);
        }
        const std::vector<float> got = labOf(dst);
        for (int y = 0; y < c.dstSize.height; ++y)
            for (int x = 0; x < c.dstSize.width; ++x) {
                const int sx = x - c.point.x + c.rect.left, sy = y - c.point.y + c.rect.top;
                const bool inside = sx >= std::max(c.rect.left, 0) && sx < std::min(c.rect.right, 300) &&
                                    sy >= std::max(c.rect.top, 0) && sy < std::min(c.rect.bottom, 210);
                float want[3] = {sentinel, sentinel, sentinel};
                if (inside)
                    Mixer::pixel(&srcPx[(std::size_t(sy) * 300 + sx) * 3], want);
                const float* have = &got[(std::size_t(y) * c.dstSize.width + x) * 3];
                ASSERT_EQ(std::memcmp(have, want, sizeof want), 0) << x << "," << y;
            }
    }
}

// A uniform source tile costs one converted pixel, however many destination
// tiles its part covers, and leaves uniform destination tiles.
TEST(PlaneColorCopy, UniformTilesConvertOnce)
{
    const PixelPlane zero(kSetRGB, kTypeU8, Size{256, 256});
    for (const Point point : {Point{0, 0}, Point{13, 40}}) {
        PixelPlane dst(kSetLab, kTypeFloat, Size{300, 300});
        Mixer mixer;
        convertPlaneColors(dst, zero, Rect{0, 0, 256, 256}, point, kRGB, kLab, &Mixer::run, &mixer);
        EXPECT_EQ(mixer.pixels.load(), 16);
        const int inner = point.x == 0 ? 0 : 1 + 1 * 5;  // tile (1, 1) is covered whole either way
        EXPECT_TRUE(dst.channelReadOnly(kChannelL)->isTileMonotone(inner));
    }
    // A noisy tile costs every pixel.
    const PixelPlane noisy = sourcePlane(64, 64);
    PixelPlane dst(kSetLab, kTypeFloat, Size{64, 64});
    Mixer mixer;
    convertPlaneColors(dst, noisy, Rect{0, 0, 64, 64}, Point{0, 0}, kRGB, kLab, &Mixer::run, &mixer);
    EXPECT_EQ(mixer.pixels.load(), 64 * 64);
}

TEST(PlaneColorCopy, FormatsThePlanesCannotServe)
{
    const PixelPlane src = sourcePlane(70, 70);
    const struct {
        const char* what;
        PixelFormat in, out;
        PixelPlane dst;
    } cases[] = {
        {"empty input", PixelFormat(), kLab, PixelPlane(kSetLab, kTypeFloat, Size{70, 70})},
        {"empty output", kRGB, PixelFormat(), PixelPlane(kSetLab, kTypeFloat, Size{70, 70})},
        {"source type differs", PixelFormat(kSetRGB, kTypeU16), kLab, PixelPlane(kSetLab, kTypeFloat, Size{70, 70})},
        {"destination lacks b", kRGB, kLab, PixelPlane(kSetLab & ~(1u << kChannelB), kTypeFloat, Size{70, 70})},
        {"destination type differs", kRGB, kLab, PixelPlane(kSetLab, kTypeU16, Size{70, 70})},
    };
    for (const auto& c : cases) {
        PixelPlane dst = c.dst;
        Mixer mixer;
        convertPlaneColors(dst, src, Rect{0, 0, 70, 70}, Point{0, 0}, c.in, c.out, &Mixer::run, &mixer);
        EXPECT_EQ(mixer.pixels.load(), 0) << c.what;
    }
}

TEST(PlaneColorCopy, ScratchBuffersPerThread)
{
    void* a = Private::GetCMMInpBuf(100, false);
    void* b = Private::GetCMMOutBuf(100, false);
    EXPECT_NE(a, b);
    EXPECT_EQ(Private::GetCMMInpBuf(65536, false), a) << "65536 bytes from the start";
    std::memset(a, 0x5A, 65536);
    const unsigned char* grown = static_cast<unsigned char*>(Private::GetCMMInpBuf(200000, true));
    for (int i = 0; i < 200000; i += 997)
        ASSERT_EQ(grown[i], 0);
    void* other = nullptr;
    std::thread([&] { other = Private::GetCMMInpBuf(10, false); }).join();
    EXPECT_NE(other, static_cast<const void*>(grown));
}
