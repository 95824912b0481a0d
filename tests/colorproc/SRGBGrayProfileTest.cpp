#include "colorproc/FloatLab.h"
#include "colorproc/SRGBGrayProfile.h"
#include "pixelstore/PixelPlane.h"
#include "pixelstore/PlaneCopy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace Nuvra;
using namespace Nuvra::DataStorage;

namespace {

const PixelFormat kRGB(kSetRGB, kTypeU8);
const PixelFormat kGray(kSetGray, kTypeU8);
const PixelFormat kLab(kSetLab, kTypeFloat);

PixelPlane labPlane(const std::vector<float>& lab, int w, int h)
{
    PixelPlane plane(kSetLab, kTypeFloat, Size{w, h});
    EXPECT_TRUE(setData(plane, Rect{0, 0, w, h}, lab.data(), 0, kLab));
    return plane;
}

template <class Sample>
std::vector<Sample> read(const PixelPlane& plane, const PixelFormat& format, int channels)
{
    const Size s = plane.size();
    std::vector<Sample> out(std::size_t(s.width) * s.height * channels);
    EXPECT_TRUE(getData(plane, Rect::fromSize(s), out.data(), 0, format));
    return out;
}

} // namespace

// Every 16-bit step of L with neutral a and b: the one grey sample is within a
// level of each channel the sRGB conversion gives, rises from 0 to 255 and
// never falls.
TEST(SRGBGray, NeutralLabMatchesTheSRGBChannels)
{
    const int w = 256, h = 256;
    std::vector<float> lab;
    for (int v = 0; v < w * h; ++v)
        lab.insert(lab.end(), {v / 65535.0f, kFloatLabNeutral, kFloatLabNeutral});
    const PixelPlane src = labPlane(lab, w, h);
    PixelPlane rgb(kSetRGB, kTypeU8, Size{w, h});
    copy(rgb, src, Rect{0, 0, w, h}, Point{0, 0});
    PixelPlane grey(kSetGray, kTypeU8, Size{w, h}, SRGBGrayProfile());
    copy(grey, src, Rect{0, 0, w, h}, Point{0, 0});
    const std::vector<uint8_t> px = read<uint8_t>(rgb, kRGB, 3);
    const std::vector<uint8_t> g = read<uint8_t>(grey, kGray, 1);

    int previous = 0;
    for (int v = 0; v < w * h; ++v) {
        for (int c = 0; c < 3; ++c)
            ASSERT_LE(std::abs(int(g[v]) - int(px[std::size_t(v) * 3 + c])), 1) << "L step " << v << " channel " << c;
        ASSERT_GE(g[v], previous) << "L step " << v;
        previous = g[v];
    }
    EXPECT_EQ(g.front(), 0);
    EXPECT_EQ(g.back(), 255);
}

// An sRGB grey through Lab comes back as itself in the grey profile.
TEST(SRGBGray, SRGBGreysRoundTripThroughLab)
{
    std::vector<uint8_t> rgb;
    for (int v = 0; v < 256; ++v)
        rgb.insert(rgb.end(), {uint8_t(v), uint8_t(v), uint8_t(v)});
    PixelPlane src(kSetRGB, kTypeU8, Size{256, 1});
    ASSERT_TRUE(setData(src, Rect{0, 0, 256, 1}, rgb.data(), 0, kRGB));
    PixelPlane lab(kSetLab, kTypeFloat, Size{256, 1});
    copy(lab, src, Rect{0, 0, 256, 1}, Point{0, 0});
    PixelPlane grey(kSetGray, kTypeU8, Size{256, 1}, SRGBGrayProfile());
    copy(grey, lab, Rect{0, 0, 256, 1}, Point{0, 0});
    const std::vector<uint8_t> g = read<uint8_t>(grey, kGray, 1);
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(g[v], v);
}
