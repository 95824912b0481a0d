#include "effect/Colouring.h"
#include "effect/Filter.h"
#include "effect/NoiseStage.h"
#include "effect/ProgressData.h"
#include "effect/WorkingSize.h"
#include "pixelstore/CpuFeatures.h"
#include "pixelstore/DataChannel.h"
#include "colorproc/FloatLab.h"
#include "colorproc/SRGBGrayProfile.h"
#include "pixelstore/PixelPlane.h"
#include "pixelstore/PlaneCopy.h"
#include "tests/effect/CancelAfter.h"
#include "tests/effect/DefaultParams.h"
#include "tests/effect/SyntheticFrame.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

using namespace Nuvra;
using namespace Nuvra::DataStorage;

namespace {

// The defaults with every stage switched on: colours of their own, noise,
// contrast, the plain colouring, a slanted noise and smoothing. Blur and
// sharpening are the nearest floats to the defaults, as the kept painted
// photographs were made with them.
Morvelin_paramsCalc colouredParams(int mode = 2)
{
    Morvelin_paramsCalc p = MorvelinTest::defaultParams(mode);
    p.sigmaBlur = 0.18f;
    p.unsharp = 0.16f;
    p.darkColor = 0xFF1B1E3C;
    p.midDarkColor = 0xFF3C5A8C;
    p.midColor = 0xFF8CA0B4;
    p.midLightColor = 0xFFD2C8AA;
    p.lightColor = 0xFFFAF5E6;
    p.noise = 20;
    p.contrast = 0.1f;
    p.usePesk = 0;
    p.angle = 30;
    p.noiseSmooth = 3.0f;
    return p;
}

struct Frame {
    int w, h;
    std::vector<std::uint8_t> px;
};

Frame synthetic(int w, int h, std::uint32_t seed = 1)
{
    return Frame{w, h, MorvelinTest::syntheticArgb(w, h, seed)};
}

bool render(const Frame& in, const Morvelin_paramsCalc& p, std::vector<std::uint8_t>& out,
            ProgressData* progress = nullptr)
{
    out.assign(in.px.size(), 0xAB);
    return Filter(Size{in.w, in.h}, in.px.data(), in.w * 4, out.data(), in.w * 4, 0, p, progress);
}

PixelFormat argb8()
{
    return PixelFormat({kChannelAlpha, kChannelRed, kChannelGreen, kChannelBlue}, kTypeU8);
}

// The frame's pixels in a plane of 8-bit A, R, G and B.
PixelPlane argbPlane(const Frame& f)
{
    PixelPlane plane(argb8(), Size{f.w, f.h});
    EXPECT_TRUE(setData(plane, Rect{0, 0, f.w, f.h}, f.px.data(), unsigned(f.w * 4), argb8()));
    return plane;
}

Frame transposed(const Frame& f)
{
    Frame t{f.h, f.w, std::vector<std::uint8_t>(f.px.size())};
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x)
            std::memcpy(&t.px[(std::size_t(x) * f.h + y) * 4], &f.px[(std::size_t(y) * f.w + x) * 4], 4);
    return t;
}

} // namespace

TEST(Filter, RefusesBadArgumentsWithoutTouchingDst)
{
    const Frame f = synthetic(16, 8);
    const Morvelin_paramsCalc p = colouredParams();
    struct Case { int w, h, srcStride, dstStride; bool nullSrc, nullDst; };
    for (const Case c : {Case{0, 8, 64, 64, false, false}, Case{16, 0, 64, 64, false, false},
                         Case{-16, 8, 64, 64, false, false}, Case{16, 8, 63, 64, false, false},
                         Case{16, 8, 64, 60, false, false}, Case{16, 8, -64, 64, false, false},
                         Case{16, 8, 64, 64, true, false}, Case{16, 8, 64, 64, false, true}}) {
        std::vector<std::uint8_t> out(f.px.size(), 0xAB);
        EXPECT_FALSE(Filter(Size{c.w, c.h}, c.nullSrc ? nullptr : f.px.data(), c.srcStride,
                            c.nullDst ? nullptr : out.data(), c.dstStride, 0, p, nullptr))
            << c.w << "x" << c.h << " strides " << c.srcStride << " " << c.dstStride;
        EXPECT_EQ(out, std::vector<std::uint8_t>(f.px.size(), 0xAB));
    }
}

// Every mode, on frames down to one pixel and far longer than wide: the call
// succeeds and alpha comes through untouched.
TEST(Filter, AlphaPassesThroughAtEverySize)
{
    // A small `resizing` takes the long and the large frames through the
    // resized path at a fraction of the cost of frames over 2,383 pixels.
    struct Size2 { int w, h, resizing; };
    for (const Size2 s : {Size2{1, 1, 1000}, Size2{3, 2, 1000}, Size2{70, 65, 1000}, Size2{1, 240, 30},
                          Size2{240, 1, 30}, Size2{130, 110, 30}}) {
        const Frame f = synthetic(s.w, s.h);
        ASSERT_EQ(Effect::workingSize(s.w + s.h, Size{s.w, s.h}, s.resizing).resized, s.resizing == 30);
        for (const int mode : {0, 1, 2, 7}) {
            for (const std::uint32_t light : {0xFFFAF5E6u, 0xFFFFFFFFu}) {
                Morvelin_paramsCalc p = colouredParams(mode);
                p.resizing = s.resizing;
                p.lightColor = light;
                p.darkColor = light == 0xFFFFFFFFu ? 0xFF000000u : p.darkColor;
                SCOPED_TRACE(testing::Message() << s.w << "x" << s.h << " mode " << mode << std::hex << " light " << light);
                std::vector<std::uint8_t> out;
                ASSERT_TRUE(render(f, p, out));
                for (std::size_t i = 0; i < out.size(); i += 4)
                    ASSERT_EQ(out[i], f.px[i]) << "pixel " << i / 4;
                if (mode == 7) {
                    for (std::size_t i = 0; i < out.size(); i += 4)
                        ASSERT_TRUE(out[i + 1] == 0 && out[i + 2] == 0 && out[i + 3] == 0) << "pixel " << i / 4;
                }
            }
        }
    }
}

// No parameter value, however absurd, may crash, hang or leave the frame
// unwritten: every render succeeds and alpha comes through.
TEST(Filter, HostileParametersStillRender)
{
    const Frame f = synthetic(29, 19, 4);
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    using FloatField = float Morvelin_paramsCalc::*;
    using IntField = std::int32_t Morvelin_paramsCalc::*;
    const FloatField floats[] = {&Morvelin_paramsCalc::sigmaBlur, &Morvelin_paramsCalc::unsharp,
                                 &Morvelin_paramsCalc::gradients,  &Morvelin_paramsCalc::line_intg,
                                 &Morvelin_paramsCalc::contrast,   &Morvelin_paramsCalc::noiseSmooth,
                                 &Morvelin_paramsCalc::darken};
    const IntField ints[] = {&Morvelin_paramsCalc::dark_lum_pred, &Morvelin_paramsCalc::middle_lum_pred,
                             &Morvelin_paramsCalc::high_lum_pred, &Morvelin_paramsCalc::dark_lum,
                             &Morvelin_paramsCalc::middle_lum,    &Morvelin_paramsCalc::high_lum,
                             &Morvelin_paramsCalc::resizing,      &Morvelin_paramsCalc::noise,
                             &Morvelin_paramsCalc::angle};
    std::vector<Morvelin_paramsCalc> cases;
    for (const int mode : {0, 2}) {
        Morvelin_paramsCalc base = colouredParams(mode);
        base.noiseSmoothOn = 1;
        base.usePesk = mode == 0;
        for (const FloatField field : floats)
            for (const float v : {nan, inf, -inf, 1e30f, -1e30f}) {
                cases.push_back(base);
                cases.back().*field = v;
            }
        for (const IntField field : ints)
            for (const std::int32_t v : {INT_MIN, INT_MAX, -1}) {
                cases.push_back(base);
                cases.back().*field = v;
            }
    }
    for (std::size_t c = 0; c < cases.size(); ++c) {
        std::vector<std::uint8_t> out;
        ASSERT_TRUE(render(f, cases[c], out)) << "case " << c;
        for (std::size_t i = 0; i < out.size(); i += 4)
            ASSERT_EQ(out[i], f.px[i]) << "case " << c << " pixel " << i / 4;
    }
}

// Absurd smoothing renders like the bound it is cut at, so it costs no more
// than that bound: streaks as wide as the frame's diagonal allows, lines
// twice the slider's longest.
TEST(Filter, AbsurdSmoothingRendersLikeItsBound)
{
    const float inf = std::numeric_limits<float>::infinity();
    for (const Frame& f : {synthetic(1, 1, 2), synthetic(7, 3, 3), synthetic(40, 30, 5)}) {
        Morvelin_paramsCalc p = colouredParams(2);
        p.noiseSmoothOn = 1;
        p.noise = 60;
        std::vector<std::uint8_t> bounded, absurd;
        p.noiseSmooth = 1e5f;
        p.line_intg = 4.0f;
        ASSERT_TRUE(render(f, p, bounded));
        for (const float v : {inf, 1e30f}) {
            p.noiseSmooth = v;
            p.line_intg = v;
            ASSERT_TRUE(render(f, p, absurd));
            EXPECT_EQ(absurd, bounded) << f.w << "x" << f.h << " value " << v;
        }
        p.line_intg = 100.0f;
        ASSERT_TRUE(render(f, p, absurd));
        EXPECT_EQ(absurd, bounded) << f.w << "x" << f.h;
    }
}

// A title card's ramp renders as a ramp: in black and white, without noise,
// every row rises with at most a 2-level dip.
TEST(Filter, EightBitRampRendersMonotonic)
{
    Frame f{1000, 300, std::vector<std::uint8_t>(std::size_t(1000) * 300 * 4)};
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            std::uint8_t* p = &f.px[(std::size_t(y) * f.w + x) * 4];
            p[0] = 255;
            p[1] = p[2] = p[3] = std::uint8_t(std::lround(x * 255.0 / (f.w - 1)));
        }
    Morvelin_paramsCalc p = colouredParams(0);
    p.noise = 0;
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(render(f, p, out));
    for (const int y : {0, f.h / 2, f.h - 1}) {
        int highest = 0;
        for (int x = 0; x < f.w; ++x) {
            const int v = out[(std::size_t(y) * f.w + x) * 4 + 2];
            highest = std::max(highest, v);
            ASSERT_LE(highest - v, 2) << "row " << y << " column " << x;
        }
    }
}

// Photographs (small, free-licensed; see photos/README) render within a level
// of the pictures kept beside them, which the unbounded gain made.
TEST(Filter, PhotographsKeepTheirLook)
{
    for (const char* name : {"storm", "yellowflower", "dune", "ladybird", "wood"}) {
        const std::string dir = MORVELIN_TEST_PHOTOS;
        const cv::Mat photo = cv::imread(dir + "/" + name + ".png", cv::IMREAD_COLOR);
        const cv::Mat painted = cv::imread(dir + "/painted/" + name + ".png", cv::IMREAD_COLOR);
        ASSERT_FALSE(photo.empty()) << name;
        ASSERT_EQ(painted.size(), photo.size()) << name;
        Frame f{photo.cols, photo.rows, std::vector<std::uint8_t>(std::size_t(photo.cols) * photo.rows * 4)};
        for (int y = 0; y < f.h; ++y)
            for (int x = 0; x < f.w; ++x) {
                const cv::Vec3b bgr = photo.at<cv::Vec3b>(y, x);
                std::uint8_t* p = &f.px[(std::size_t(y) * f.w + x) * 4];
                p[0] = 255;
                p[1] = bgr[2];
                p[2] = bgr[1];
                p[3] = bgr[0];
            }
        std::vector<std::uint8_t> out;
        ASSERT_TRUE(render(f, colouredParams(2), out)) << name;
        int worst = 0;
        for (int y = 0; y < f.h; ++y)
            for (int x = 0; x < f.w; ++x) {
                const cv::Vec3b bgr = painted.at<cv::Vec3b>(y, x);
                const std::uint8_t* p = &out[(std::size_t(y) * f.w + x) * 4];
                for (int c = 0; c < 3; ++c)
                    worst = std::max(worst, std::abs(int(p[1 + c]) - int(bgr[2 - c])));
            }
        EXPECT_LE(worst, 1) << name;
    }
}

TEST(Filter, RepeatedAndConcurrentRendersAreIdentical)
{
    const Frame f = synthetic(300, 200, 3);
    Morvelin_paramsCalc p = colouredParams(2);
    p.noiseSmoothOn = 1;
    std::vector<std::uint8_t> first, again;
    ASSERT_TRUE(render(f, p, first));
    ASSERT_TRUE(render(f, p, again));
    EXPECT_EQ(first, again);

    std::vector<std::vector<std::uint8_t>> outs(8);
    std::vector<std::thread> threads;
    bool ok[8] = {};
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] { ok[t] = render(f, p, outs[t]); });
    for (std::thread& t : threads)
        t.join();
    for (int t = 0; t < 8; ++t) {
        EXPECT_TRUE(ok[t]);
        EXPECT_EQ(outs[t], first) << "thread " << t;
    }
}

// Every vector path has a plain twin that computes the same operations in
// the same order: the kernel switch changes no byte of any picture.
TEST(Filter, EveryKernelLimitGivesTheSamePicture)
{
    using Simd::Kernels;
    const Frame f = synthetic(300, 200, 5);
    struct Case {
        int mode;
        std::uint8_t usePesk;
        int resizing;  // 150 sends the frame through the resize both ways
    };
    for (const Case c : {Case{2, 1, 150}, Case{2, 0, 1000}, Case{0, 1, 150}, Case{0, 0, 1000}, Case{1, 0, 150}}) {
        Morvelin_paramsCalc p = colouredParams(c.mode);
        p.usePesk = c.usePesk;
        p.resizing = c.resizing;
        p.noiseSmoothOn = 1;  // the tiled blur and the warp as well
        std::vector<std::uint8_t> any, sse2, plain;
        ASSERT_TRUE(render(f, p, any));
        Simd::limitKernels(Kernels::Sse2);
        const bool okSse2 = render(f, p, sse2);
        Simd::limitKernels(Kernels::Plain);
        const bool okPlain = render(f, p, plain);
        Simd::limitKernels(Kernels::Any);
        ASSERT_TRUE(okSse2 && okPlain);
        EXPECT_EQ(any, sse2) << "mode " << c.mode;
        EXPECT_EQ(any, plain) << "mode " << c.mode;
    }
}

// A flat grey frame stays flat through the luminance stages, so every pixel
// gets the palette colour of its luminance.
TEST(Filter, UniformGreyGivesThePredictedColour)
{
    for (const int mode : {0, 2}) {
        for (const std::uint8_t pesk : {0, 1}) {
            for (const std::uint8_t v : {std::uint8_t(30), std::uint8_t(117), std::uint8_t(201)}) {
                Frame f{97, 61, std::vector<std::uint8_t>(97 * 61 * 4, v)};
                Morvelin_paramsCalc p = colouredParams(mode);
                p.usePesk = pesk;
                p.noise = 0;
                const float lum = float(v) * 0.0011725490f + float(v) * 0.0023019607f + float(v) * 0.00044705882f;
                std::uint8_t want[3];
                const Effect::ColouringContext ctx = Effect::ColouringContext::fromParams(p);
                const Effect::ColourBody body = Effect::chooseBody(p);
                const float zero = 0.0f;
                Effect::paintSpan(body, ctx, &lum, &zero, &want[0], &want[1], &want[2], 1);
                std::vector<std::uint8_t> out;
                ASSERT_TRUE(render(f, p, out));
                for (std::size_t i = 0; i < out.size(); i += 4)
                    ASSERT_TRUE(out[i + 1] == want[0] && out[i + 2] == want[1] && out[i + 3] == want[2])
                        << "mode " << mode << " pesk " << int(pesk) << " grey " << int(v) << " pixel " << i / 4;
            }
        }
    }
}

// Without noise and resize, the pipeline treats both axes alike.
TEST(Filter, TransposedFrameGivesTransposedPicture)
{
    const Frame f = synthetic(211, 157, 5);
    const Frame t = transposed(f);
    Morvelin_paramsCalc p = colouredParams(2);
    p.noise = 0;
    std::vector<std::uint8_t> a, b;
    ASSERT_TRUE(render(f, p, a));
    ASSERT_TRUE(render(t, p, b));
    const Frame bt = transposed(Frame{t.w, t.h, b});
    std::size_t close = 0;
    for (std::size_t i = 0; i < a.size(); i += 4) {
        bool near = true;
        for (int c = 1; c < 4; ++c)
            near = near && std::abs(int(a[i + c]) - int(bt.px[i + c])) <= 2;
        close += near;
    }
    EXPECT_GE(close * 100, (a.size() / 4) * 99);
}

TEST(Filter, CancelledRenderLeavesDstUntouched)
{
    const Frame f = synthetic(120, 80);
    ProgressData progress;
    progress.setCancelled(true);
    std::vector<std::uint8_t> out;
    EXPECT_FALSE(render(f, colouredParams(2), out, &progress));
    EXPECT_EQ(out, std::vector<std::uint8_t>(f.px.size(), 0xAB));
}

// Black and white through Lab fills a and b with the float Lab encoding's
// exact neutral, so the Lab-to-RGB copy gives true greys.
TEST(FilterCore, BlackAndWhiteFillsNeutralChroma)
{
    const Frame f = synthetic(90, 70);
    const PixelFormat format({kChannelAlpha, kChannelRed, kChannelGreen, kChannelBlue}, kTypeU8);
    PixelPlane source(format, Size{f.w, f.h});
    ASSERT_TRUE(setData(source, Rect{0, 0, f.w, f.h}, f.px.data(), unsigned(f.w * 4), format));
    PixelPlane lab(kSetLab, kTypeFloat, Size{f.w, f.h});
    Morvelin_paramsCalc p = colouredParams(0);
    p.darkColor = 0xFF000000;
    p.lightColor = 0xFFFFFFFF;
    ASSERT_TRUE(FilterCore(p, Rect{0, 0, f.w, f.h}, source, lab, nullptr));
    for (const Channel c : {kChannelA, kChannelB}) {
        float value = -1.0f;
        EXPECT_TRUE(lab.channelReadOnly(c)->isMonotone(&value));
        EXPECT_EQ(value, kFloatLabNeutral);
    }
    EXPECT_FALSE(lab.channelReadOnly(kChannelL)->isMonotone(nullptr));
}

// Black and white into RGB destinations of each element type: every pixel is
// exactly grey, and the wider types agree with the 8-bit picture within a level.
TEST(FilterCore, BlackAndWhiteIntoEachElementType)
{
    const Frame f = synthetic(90, 70, 3);
    const Rect all{0, 0, f.w, f.h};
    const PixelFormat format({kChannelAlpha, kChannelRed, kChannelGreen, kChannelBlue}, kTypeU8);
    PixelPlane source(format, Size{f.w, f.h});
    ASSERT_TRUE(setData(source, all, f.px.data(), unsigned(f.w * 4), format));
    Morvelin_paramsCalc p = colouredParams(0);
    p.darkColor = 0xFF000000;
    p.lightColor = 0xFFFFFFFF;
    std::vector<float> eightBit;
    for (const ChannelType type : {kTypeU8, kTypeU16, kTypeFloat}) {
        PixelPlane dst(kSetRGB, type, Size{f.w, f.h});
        ASSERT_TRUE(FilterCore(p, all, source, dst, nullptr));
        std::vector<float> px(std::size_t(f.w) * f.h * 3);
        ASSERT_TRUE(getData(dst, all, px.data(), 0, PixelFormat(kSetRGB, kTypeFloat)));
        if (eightBit.empty())
            eightBit = px;
        for (std::size_t i = 0; i < px.size(); i += 3) {
            ASSERT_EQ(px[i], px[i + 1]) << "type " << type << " pixel " << i / 3;
            ASSERT_EQ(px[i], px[i + 2]) << "type " << type << " pixel " << i / 3;
            ASSERT_LE(std::fabs(px[i] - eightBit[i]) * 255.0f, 1.0f) << "type " << type << " pixel " << i / 3;
        }
    }
}

// Black and white into RGB of each element type is, channel for channel and
// byte for byte, the toned Lab plane converted into the sRGB grey profile;
// the frame's odd size leaves part tiles at the edges.
TEST(FilterCore, BlackAndWhiteIsTheGreyConversionOfTheTonedPlane)
{
    const Frame f = synthetic(151, 77, 4);
    const Size size{f.w, f.h};
    const Rect all = Rect::fromSize(size);
    const PixelFormat format({kChannelAlpha, kChannelRed, kChannelGreen, kChannelBlue}, kTypeU8);
    PixelPlane source(format, size);
    ASSERT_TRUE(setData(source, all, f.px.data(), unsigned(f.w * 4), format));
    Morvelin_paramsCalc p = colouredParams(0);
    p.darkColor = 0xFF000000;
    p.lightColor = 0xFFFFFFFF;
    PixelPlane lab(kSetLab, kTypeFloat, size);
    ASSERT_TRUE(FilterCore(p, all, source, lab, nullptr));
    for (const ChannelType type : {kTypeU8, kTypeU16, kTypeFloat}) {
        PixelPlane grey(kSetGray, type, size, SRGBGrayProfile());
        copy(grey, lab, all, Point{0, 0});
        PixelPlane dst(kSetRGB, type, size);
        ASSERT_TRUE(FilterCore(p, all, source, dst, nullptr));
        const unsigned row = unsigned(f.w * elementSize(type));
        std::vector<unsigned char> want(std::size_t(row) * f.h), got(want.size());
        getData(*grey.channelReadOnly(kChannelGray), all, want.data(), row);
        for (const Channel c : {kChannelRed, kChannelGreen, kChannelBlue}) {
            getData(*dst.channelReadOnly(c), all, got.data(), row);
            EXPECT_EQ(got, want) << "type " << type << " channel " << c;
        }
    }
}

TEST(FilterCore, DestinationAlphaOfEachType)
{
    const Frame f = synthetic(40, 30);
    PixelPlane source(kSetRGB, kTypeU8, Size{f.w, f.h});
    const PixelFormat rgbx({kChannelPlaceholder, kChannelRed, kChannelGreen, kChannelBlue}, kTypeU8);
    ASSERT_TRUE(setData(source, Rect{0, 0, f.w, f.h}, f.px.data(), unsigned(f.w * 4), rgbx));
    {
        PixelPlane dst(kSetRGB, kTypeU8, Size{f.w, f.h});  // no alpha: the step is skipped
        EXPECT_TRUE(FilterCore(colouredParams(2), Rect{0, 0, f.w, f.h}, source, dst, nullptr));
        EXPECT_FALSE(dst.hasChannel(kChannelAlpha));
        EXPECT_FALSE(dst.channelReadOnly(kChannelRed)->isMonotone(nullptr));
    }
    struct Case { ChannelType type; bool ok; double opaque; };
    for (const Case c : {Case{kTypeU8, true, 255.0}, Case{kTypeU16, true, 65535.0}, Case{kTypeFloat, true, 1.0},
                         Case{kTypeDouble, false, 0.0}, Case{3, false, 0.0}}) {
        PixelPlane dst(kSetRGB, kTypeU8, Size{f.w, f.h});
        dst.addChannel(kChannelAlpha, c.type);
        EXPECT_EQ(FilterCore(colouredParams(2), Rect{0, 0, f.w, f.h}, source, dst, nullptr), c.ok) << c.type;
        if (!c.ok) {
            EXPECT_TRUE(dst.channelReadOnly(kChannelRed)->isMonotone(nullptr));
            continue;
        }
        double got = 0;
        const SmartPtr<const DataChannel> alpha = dst.channelReadOnly(kChannelAlpha);
        if (c.type == kTypeU8) { std::uint8_t v = 0; EXPECT_TRUE(alpha->isMonotone(&v)); got = v; }
        if (c.type == kTypeU16) { std::uint16_t v = 0; EXPECT_TRUE(alpha->isMonotone(&v)); got = v; }
        if (c.type == kTypeFloat) { float v = 0; EXPECT_TRUE(alpha->isMonotone(&v)); got = v; }
        EXPECT_EQ(got, c.opaque) << c.type;
    }
}

// A source of wider elements is read through an 8-bit copy, like a region:
// 16-bit samples of 257 v paint what 8-bit samples of v paint.
TEST(FilterCore, SixteenBitSourceMatchesEightBit)
{
    const Frame f = synthetic(70, 45, 9);
    const PixelFormat format8({kChannelAlpha, kChannelRed, kChannelGreen, kChannelBlue}, kTypeU8);
    const PixelFormat format16({kChannelAlpha, kChannelRed, kChannelGreen, kChannelBlue}, kTypeU16);
    std::vector<std::uint16_t> wide(f.px.size());
    for (std::size_t i = 0; i < wide.size(); ++i)
        wide[i] = std::uint16_t(f.px[i] * 257);
    PixelPlane source8(format8, Size{f.w, f.h}), source16(format16, Size{f.w, f.h});
    ASSERT_TRUE(setData(source8, Rect{0, 0, f.w, f.h}, f.px.data(), unsigned(f.w * 4), format8));
    ASSERT_TRUE(setData(source16, Rect{0, 0, f.w, f.h}, wide.data(), unsigned(f.w * 8), format16));
    for (const int mode : {0, 2}) {
        PixelPlane dst8(format8, Size{f.w, f.h}), dst16(format8, Size{f.w, f.h});
        ASSERT_TRUE(FilterCore(colouredParams(mode), Rect{0, 0, f.w, f.h}, source8, dst8, nullptr));
        ASSERT_TRUE(FilterCore(colouredParams(mode), Rect{0, 0, f.w, f.h}, source16, dst16, nullptr));
        std::vector<std::uint8_t> a(f.px.size()), b(f.px.size());
        ASSERT_TRUE(getData(dst8, Rect{0, 0, f.w, f.h}, a.data(), 0, format8));
        ASSERT_TRUE(getData(dst16, Rect{0, 0, f.w, f.h}, b.data(), 0, format8));
        EXPECT_EQ(a, b) << "mode " << mode;
    }
}

// Streaks run along the requested angle: neighbours along the streak are
// strongly correlated, neighbours across it hardly.
TEST(NoiseStage, StreaksRunAlongTheAngle)
{
    const int w = 256, h = 192;
    for (const int angle : {0, 30, 90, -270, 135}) {
        Morvelin_paramsCalc p = colouredParams(2);
        p.noiseSmoothOn = 1;
        p.noiseSmooth = 4.0f;
        p.angle = angle;
        DataChannel noise(Size{w, h}, kTypeFloat);
        ASSERT_TRUE(Effect::fillNoiseLayer(p, noise, nullptr));
        std::vector<float> v(std::size_t(w) * h);
        getData(noise, Rect{0, 0, w, h}, v.data(), unsigned(w * 4));
        const double rad = angle * 3.14159265358979323846 / 180.0;
        auto correlation = [&](double ux, double uy) {
            const int lag = 3;
            const int dx = int(std::lround(ux * lag)), dy = int(std::lround(uy * lag));
            double sab = 0, saa = 0, sbb = 0;
            for (int y = 20; y < h - 20; ++y)
                for (int x = 20; x < w - 20; ++x) {
                    const double a = v[std::size_t(y) * w + x], b = v[std::size_t(y + dy) * w + x + dx];
                    sab += a * b;
                    saa += a * a;
                    sbb += b * b;
                }
            return sab / std::sqrt(saa * sbb);
        };
        const double along = correlation(std::cos(rad), std::sin(rad));
        const double across = correlation(-std::sin(rad), std::cos(rad));
        EXPECT_GT(along, 0.5) << angle;
        EXPECT_LT(std::fabs(across), 0.2) << angle;
    }
}

TEST(NoiseStage, NoNoiseDrawsNothing)
{
    Morvelin_paramsCalc p = colouredParams(2);
    p.noise = 0;
    EXPECT_EQ(Effect::noiseWeight(p), 0.0);
    p.noise = 5;
    EXPECT_EQ(Effect::noiseWeight(p), 3.0);
    p.noiseSmoothOn = 1;
    EXPECT_EQ(Effect::noiseWeight(p), 6.0);

    // The picture itself: without noise, a different noise layer (streaks
    // at another angle) leaves every pixel as it was; with noise it shows.
    const Frame f = synthetic(48, 40, 5);
    for (const int mode : {0, 2}) {
        SCOPED_TRACE(mode);
        for (const int noise : {0, 5}) {
            Morvelin_paramsCalc plain = colouredParams(mode), streaked = colouredParams(mode);
            plain.noise = streaked.noise = noise;
            streaked.noiseSmoothOn = 1;
            streaked.noiseSmooth = 3.0f;
            streaked.angle = 60;
            std::vector<std::uint8_t> a, b;
            ASSERT_TRUE(render(f, plain, a));
            ASSERT_TRUE(render(f, streaked, b));
            if (noise == 0)
                EXPECT_EQ(a, b);
            else
                EXPECT_NE(a, b);
        }
    }
}

// The float Lab encoding scales a and b by 65280 (rounding half away from
// zero) into working samples whose neutral is 0x8000.
TEST(FloatLab, NeutralUnpacksToTheWorkingNeutral)
{
    auto unpack = [](float v) { return int(std::trunc(v * 65280.0f + 0.5f)); };
    EXPECT_EQ(unpack(kFloatLabNeutral), 0x8000);
    EXPECT_NE(unpack(0.5f), 0x8000);
}

using MorvelinTest::CancelAfter;

// Cancelling in any stage stops the render without writing dst; a record
// that is never cancelled changes nothing in the picture.
TEST(Filter, CancellationAtEveryStage)
{
    const Frame f = synthetic(300, 200, 6);
    Morvelin_paramsCalc p = colouredParams(2);
    p.resizing = 100;  // resized, so every stage reports
    ASSERT_TRUE(Effect::workingSize(f.w + f.h, Size{f.w, f.h}, p.resizing).resized);
    p.noiseSmoothOn = 1;
    std::vector<std::uint8_t> plain, counted;
    ASSERT_TRUE(render(f, p, plain));
    CancelAfter never(1L << 40);
    ASSERT_TRUE(render(f, p, counted, &never));
    EXPECT_EQ(counted, plain);
    const long total = never.reported();
    ASSERT_GT(total, 100);
    for (const long at : {1L, 2L, 5L, 12L, 25L, total / 3, total / 2, total - 40, total - 2}) {
        CancelAfter progress(at);
        std::vector<std::uint8_t> out;
        EXPECT_FALSE(render(f, p, out, &progress)) << "after " << at << " of " << total;
        EXPECT_EQ(out, std::vector<std::uint8_t>(f.px.size(), 0xAB)) << "after " << at;
    }
}

// A region inside the source: its alpha lands at (0, 0) and its colours are
// painted from the region alone.
TEST(FilterCore, RegionOfTheSource)
{
    const Frame f = synthetic(120, 90, 8);
    const PixelFormat format = argb8();
    const PixelPlane source = argbPlane(f);
    const Rect region{10, 5, 70, 50};
    PixelPlane dst(format, Size{region.width(), region.height()});
    ASSERT_TRUE(FilterCore(colouredParams(2), region, source, dst, nullptr));
    std::vector<std::uint8_t> out(std::size_t(region.width()) * region.height() * 4);
    ASSERT_TRUE(getData(dst, Rect{0, 0, region.width(), region.height()}, out.data(), 0, format));
    std::size_t coloured = 0;
    for (int y = 0; y < region.height(); ++y)
        for (int x = 0; x < region.width(); ++x) {
            const std::uint8_t* p = &out[(std::size_t(y) * region.width() + x) * 4];
            ASSERT_EQ(p[0], f.px[(std::size_t(y + region.top) * f.w + x + region.left) * 4]) << x << "," << y;
            coloured += (p[1] | p[2] | p[3]) != 0;
        }
    EXPECT_EQ(coloured, out.size() / 4);
}

namespace {

double hueDegrees(int r, int g, int b)
{
    const int mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const double c = mx - mn;
    double h = mx == r ? std::fmod((g - b) / c, 6.0) : mx == g ? (b - r) / c + 2.0 : (r - g) / c + 4.0;
    h *= 60.0;
    return h < 0 ? h + 360.0 : h;
}

double hueDistance(double a, double b)
{
    const double d = std::fabs(a - b);
    return std::min(d, 360.0 - d);
}

} // namespace

// The frame's own colours, with tone points that keep the lightness: flat
// patches of saturated colours keep their hue through the Lab round trip.
TEST(Filter, OwnColoursKeepTheHue)
{
    const std::uint8_t colours[][3] = {{200, 40, 40}, {40, 160, 60}, {50, 70, 200}, {220, 160, 40}, {120, 60, 160}};
    const int side = 96, n = int(sizeof colours / sizeof colours[0]);
    Frame f{side * n, side, std::vector<std::uint8_t>(std::size_t(side) * n * side * 4)};
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < f.w; ++x) {
            std::uint8_t* px = &f.px[(std::size_t(y) * f.w + x) * 4];
            px[0] = 255;
            std::memcpy(px + 1, colours[x / side], 3);
        }
    Morvelin_paramsCalc p = colouredParams(1);
    p.dark_lum_pred = p.dark_lum = 51;
    p.middle_lum_pred = p.middle_lum = 156;
    p.high_lum_pred = p.high_lum = 250;
    p.noise = 0;
    p.contrast = 0.0f;
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(render(f, p, out));
    for (int k = 0; k < n; ++k) {
        const double want = hueDegrees(colours[k][0], colours[k][1], colours[k][2]);
        // The middle of the patch, away from the blurred borders.
        for (int y = side / 2 - 8; y < side / 2 + 8; ++y)
            for (int x = k * side + side / 2 - 8; x < k * side + side / 2 + 8; ++x) {
                const std::uint8_t* px = &out[(std::size_t(y) * f.w + x) * 4];
                ASSERT_LT(hueDistance(hueDegrees(px[1], px[2], px[3]), want), 6.0)
                    << "patch " << k << " at " << x << "," << y << ": " << int(px[1]) << "," << int(px[2]) << ","
                    << int(px[3]);
            }
    }
}

// The frame's own colours are the painted L with the source's own a and b:
// into a Lab destination a and b are, bit for bit, the source region's Lab
// conversion, and into 8-bit RGB the picture is that Lab plane's conversion.
// The region starts off the source's tiles and spans several rows of tiles,
// ending in part tiles.
TEST(FilterCore, OwnColoursAreThePaintedLightnessWithTheSourceChroma)
{
    const Frame f = synthetic(203, 160, 11);
    const PixelPlane source = argbPlane(f);
    const Rect region{7, 13, 200, 158};
    const Size size{region.width(), region.height()};
    const Rect all = Rect::fromSize(size);
    const Morvelin_paramsCalc p = colouredParams(1);

    PixelPlane painted(kSetLab, kTypeFloat, size);
    ASSERT_TRUE(FilterCore(p, region, source, painted, nullptr));
    PixelPlane own(kSetLab, kTypeFloat, size);
    copy(own, source, region, Point{0, 0});
    const auto values = [&](const PixelPlane& plane, Channel c) {
        std::vector<float> v(std::size_t(size.width) * size.height);
        getData(*plane.channelReadOnly(c), all, v.data(), unsigned(size.width * sizeof(float)));
        return v;
    };
    for (const Channel c : {kChannelA, kChannelB})
        EXPECT_EQ(values(painted, c), values(own, c)) << "channel " << c;
    EXPECT_NE(values(painted, kChannelL), values(own, kChannelL));

    PixelPlane dst(argb8(), size);
    ASSERT_TRUE(FilterCore(p, region, source, dst, nullptr));
    PixelPlane want(kSetRGB, kTypeU8, size);
    copy(want, painted, all, Point{0, 0});
    const PixelFormat rgb(kSetRGB, kTypeU8);
    std::vector<std::uint8_t> got(std::size_t(size.width) * size.height * 3), expected(got.size());
    ASSERT_TRUE(getData(dst, all, got.data(), 0, rgb));
    ASSERT_TRUE(getData(want, all, expected.data(), 0, rgb));
    EXPECT_EQ(got, expected);

    // L belongs to its own rows: the transposed region paints the transposed
    // L (up to rounding, as the axes are blurred in different orders).
    const PixelPlane sourceT = argbPlane(transposed(f));
    PixelPlane paintedT(kSetLab, kTypeFloat, Size{size.height, size.width});
    Morvelin_paramsCalc still = p;
    still.noise = 0;
    const Rect regionT{region.top, region.left, region.bottom, region.right};
    ASSERT_TRUE(FilterCore(still, regionT, sourceT, paintedT, nullptr));
    PixelPlane stillPainted(kSetLab, kTypeFloat, size);
    ASSERT_TRUE(FilterCore(still, region, source, stillPainted, nullptr));
    const std::vector<float> l = values(stillPainted, kChannelL);
    std::vector<float> lT(l.size());
    getData(*paintedT.channelReadOnly(kChannelL), Rect{0, 0, size.height, size.width}, lT.data(),
            unsigned(size.height * sizeof(float)));
    float worst = 0;
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x)
            worst = std::max(worst, std::fabs(l[std::size_t(y) * size.width + x] -
                                              lT[std::size_t(x) * size.height + y]));
    EXPECT_LT(worst, 1e-4f);
}

// Black and white: every pixel is exactly grey, and within a level of what
// the three-channel Lab-to-RGB conversion of the same toned plane gives. The
// frame is the synthetic picture with a band of black-to-white ramps in
// several hues above it, so the output runs through (nearly) every level.
TEST(Filter, BlackAndWhiteIsGrey)
{
    Frame f = synthetic(256, 200, 5);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < f.w; ++x) {
            std::uint8_t* px = &f.px[(std::size_t(y) * f.w + x) * 4];
            const int tint = (y / 12) * 24;
            px[1] = std::uint8_t(std::max(0, x - tint));
            px[2] = std::uint8_t(x);
            px[3] = std::uint8_t(std::min(255, x + tint / 2));
        }
    Morvelin_paramsCalc p = colouredParams(0);
    p.darkColor = 0xFF000000;
    p.lightColor = 0xFFFFFFFF;
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(render(f, p, out));

    // The same frame through the Lab plane's own conversion to RGB.
    const PixelFormat format({kChannelAlpha, kChannelRed, kChannelGreen, kChannelBlue}, kTypeU8);
    const Rect all{0, 0, f.w, f.h};
    PixelPlane source(format, Size{f.w, f.h});
    ASSERT_TRUE(setData(source, all, f.px.data(), unsigned(f.w * 4), format));
    PixelPlane lab(kSetLab, kTypeFloat, Size{f.w, f.h});
    ASSERT_TRUE(FilterCore(p, all, source, lab, nullptr));
    PixelPlane rgb(kSetRGB, kTypeU8, Size{f.w, f.h});
    copy(rgb, lab, all, Point{0, 0});
    std::vector<std::uint8_t> threeChannel(std::size_t(f.w) * f.h * 3);
    ASSERT_TRUE(getData(rgb, all, threeChannel.data(), 0, PixelFormat(kSetRGB, kTypeU8)));

    bool seen[256] = {};
    for (std::size_t i = 0; i < out.size() / 4; ++i) {
        const std::uint8_t* px = &out[i * 4];
        ASSERT_EQ(px[1], px[2]) << "pixel " << i;
        ASSERT_EQ(px[1], px[3]) << "pixel " << i;
        for (int c = 0; c < 3; ++c)
            ASSERT_LE(std::abs(px[1] - threeChannel[i * 3 + c]), 1) << "pixel " << i << " channel " << c;
        seen[px[1]] = true;
    }
    EXPECT_GE(std::count(seen, seen + 256, true), 250);
}
