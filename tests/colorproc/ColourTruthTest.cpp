#include "colorproc/FloatLab.h"
#include "pixelstore/PixelPlane.h"
#include "pixelstore/PlaneCopy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <cstdint>
#include <vector>

using namespace Nuvra;
using namespace Nuvra::DataStorage;

namespace {

const PixelFormat kRGB(kSetRGB, kTypeU8);
const PixelFormat kLab(kSetLab, kTypeFloat);

struct Lab {
    double L, a, b;
};

// Float Lab planes without a profile: L / 100, (a + 128) / 255, (b + 128) / 255.
Lab decode(const float* v)
{
    return Lab{v[0] * 100.0, v[1] * 255.0 - 128.0, v[2] * 255.0 - 128.0};
}

double deltaE76(const Lab& x, const Lab& y)
{
    return std::sqrt((x.L - y.L) * (x.L - y.L) + (x.a - y.a) * (x.a - y.a) + (x.b - y.b) * (x.b - y.b));
}

// Converts w x h pixels of 8-bit RGB into float Lab through plane copies.
std::vector<float> toLab(const std::vector<uint8_t>& rgb, int w, int h)
{
    PixelPlane src(kSetRGB, kTypeU8, Size{w, h});
    EXPECT_TRUE(setData(src, Rect{0, 0, w, h}, rgb.data(), 0, kRGB));
    PixelPlane lab(kSetLab, kTypeFloat, Size{w, h});
    copy(lab, src, Rect{0, 0, w, h}, Point{0, 0});
    std::vector<float> out(std::size_t(w) * h * 3);
    EXPECT_TRUE(getData(lab, Rect{0, 0, w, h}, out.data(), 0, kLab));
    return out;
}

} // namespace

// sRGB colours against their textbook CIE Lab values (D50 white).
TEST(ColourTruth, SRGBToLabMatchesTextbookValues)
{
    const struct {
        uint8_t r, g, b;
        Lab lab;
    } cases[] = {
        {255, 255, 255, {100.0, 0.0, 0.0}},      {0, 0, 0, {0.0, 0.0, 0.0}},
        {128, 128, 128, {53.59, 0.0, 0.0}},      {255, 0, 0, {54.29, 80.81, 69.89}},
        {0, 255, 0, {87.82, -79.29, 80.99}},     {0, 0, 255, {29.57, 68.30, -112.03}},
        {255, 255, 0, {97.61, -15.75, 93.39}},   {0, 255, 255, {90.67, -50.67, -14.96}},
        {255, 0, 255, {60.17, 93.55, -60.50}},
    };
    const int n = int(sizeof cases / sizeof cases[0]);
    std::vector<uint8_t> rgb;
    for (const auto& c : cases)
        rgb.insert(rgb.end(), {c.r, c.g, c.b});
    const std::vector<float> lab = toLab(rgb, n, 1);
    for (int i = 0; i < n; ++i) {
        const Lab got = decode(&lab[std::size_t(i) * 3]);
        EXPECT_LE(deltaE76(got, cases[i].lab), 1.0)
            << int(cases[i].r) << "," << int(cases[i].g) << "," << int(cases[i].b) << " gave " << got.L << ", "
            << got.a << ", " << got.b;
    }
}

// Neutral float Lab comes back grey: the channels of a pixel differ by one
// level at most (the transforms' neutral axis is not exact to the last
// 16-bit step), and the greys rise from black to white.
TEST(ColourTruth, GreysStayGrey)
{
    std::vector<float> lab;
    for (int v = 0; v < 256; ++v)
        lab.insert(lab.end(), {v / 255.0f, kFloatLabNeutral, kFloatLabNeutral});
    PixelPlane src(kSetLab, kTypeFloat, Size{256, 1});
    ASSERT_TRUE(setData(src, Rect{0, 0, 256, 1}, lab.data(), 0, kLab));
    PixelPlane rgb(kSetRGB, kTypeU8, Size{256, 1});
    copy(rgb, src, Rect{0, 0, 256, 1}, Point{0, 0});
    std::vector<uint8_t> px(256 * 3);
    ASSERT_TRUE(getData(rgb, Rect{0, 0, 256, 1}, px.data(), 0, kRGB));
    int previous = -1;
    for (int v = 0; v < 256; ++v) {
        const uint8_t* p = &px[std::size_t(v) * 3];
        EXPECT_LE(std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}), 1) << v;
        EXPECT_GE(p[1], previous) << v;
        previous = p[1];
    }
    EXPECT_EQ(px[0], 0);
    EXPECT_EQ(px[255 * 3], 255);
}

// All 2^24 colours through float Lab and back, one red level at a time. The
// transforms sample their conversion on a 33-point grid; with it a channel
// comes back within kRoundTripBound levels (the largest errors sit where a
// channel is near 0 and the Lab grid interpolates across the gamut edge).
TEST(ColourTruth, EveryColourRoundTrips)
{
    constexpr int kRoundTripBound = 33;
    const int side = 256;
    std::vector<uint8_t> rgb(side * side * 3), out(rgb.size());
    long exact = 0;
    int worst = 0;
    for (int r = 0; r < 256; ++r) {
        for (int i = 0; i < side * side; ++i) {
            rgb[i * 3] = uint8_t(r);
            rgb[i * 3 + 1] = uint8_t(i >> 8);
            rgb[i * 3 + 2] = uint8_t(i);
        }
        PixelPlane src(kSetRGB, kTypeU8, Size{side, side});
        ASSERT_TRUE(setData(src, Rect{0, 0, side, side}, rgb.data(), 0, kRGB));
        PixelPlane lab(kSetLab, kTypeFloat, Size{side, side});
        copy(lab, src, Rect{0, 0, side, side}, Point{0, 0});
        PixelPlane back(kSetRGB, kTypeU8, Size{side, side});
        copy(back, lab, Rect{0, 0, side, side}, Point{0, 0});
        ASSERT_TRUE(getData(back, Rect{0, 0, side, side}, out.data(), 0, kRGB));
        for (int i = 0; i < side * side; ++i) {
            int e = 0;
            for (int c = 0; c < 3; ++c)
                e = std::max(e, std::abs(int(out[i * 3 + c]) - int(rgb[i * 3 + c])));
            exact += e == 0;
            worst = std::max(worst, e);
        }
    }
    const double fraction = double(exact) / double(1 << 24);
    RecordProperty("exact_fraction", std::to_string(fraction));
    RecordProperty("largest_error", worst);
    std::printf("round trip of all colours: %.4f exact, largest error %d levels\n", fraction, worst);
    EXPECT_LE(worst, kRoundTripBound);
}
