// The engine's sample adapters, their selection from a pixel-format code, and
// the pixel loop around a transform's routine.
#include "cmm/InternalProcessing.h"
#include "cmm/Profile.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace Nuvra;
using namespace Nuvra::CMM;

namespace {

std::vector<uint16_t> UnpackWith(Detail::UnpackFn fn, const void* stored, size_t bytes, int n, int take)
{
    std::vector<uint16_t> w(kWorkSamples, 0xDEAD);
    const void* end = fn(stored, w.data(), n);
    EXPECT_EQ(static_cast<const char*>(end), static_cast<const char*>(stored) + bytes);
    w.resize(take);
    return w;
}

TEST(Adapter, EveryOrderUnpacksToWorkingOrderAndPacksBack)
{
    // Stored samples of an RGBA pixel, R=10 G=20 B=30 A=40, in each order.
    struct Case {
        unsigned order;
        std::vector<uint8_t> stored;
    };
    const Case cases[] = {
        {0, {10, 20, 30, 40}},      // RGBA
        {0x400, {40, 30, 20, 10}},  // ABGR
        {0x800, {40, 10, 20, 30}},  // ARGB
        {0xC00, {30, 20, 10, 40}},  // BGRA
    };
    for (const Case& c : cases) {
        const unsigned code = CMM_PF::Make(CMM_PF::kSpaceRGB, 3, 1, CMM_PF::kSample8, c.order);
        Detail::sInputConv in;
        Detail::sOutputConv out;
        InitInputConv(in, code);
        InitOutputConv(out, code);
        ASSERT_TRUE(in.unpack && out.pack) << std::hex << code;
        const std::vector<uint16_t> w = UnpackWith(in.unpack, c.stored.data(), 4, 4, 4);
        EXPECT_EQ(w, (std::vector<uint16_t>{10 * 257, 20 * 257, 30 * 257, 40 * 257})) << std::hex << c.order;
        std::vector<uint8_t> back(4);
        EXPECT_EQ(out.pack(w.data(), back.data(), 4), back.data() + 4);
        EXPECT_EQ(back, c.stored) << std::hex << c.order;
    }
}

TEST(Adapter, OneColourWidensToThreeWorkingSamples)
{
    const uint8_t grayAlpha[2] = {7, 200};
    Detail::sInputConv in;
    InitInputConv(in, CMM_PF::Make(CMM_PF::kSpaceGray, 1, 1, CMM_PF::kSample8));
    EXPECT_EQ(UnpackWith(in.unpack, grayAlpha, 2, 2, 4),
              (std::vector<uint16_t>{7 * 257, 7 * 257, 7 * 257, 200 * 257}));
    const uint8_t alphaGrayReversed[2] = {200, 7};
    InitInputConv(in, CMM_PF::Make(CMM_PF::kSpaceGray, 1, 1, CMM_PF::kSample8, 0x400));
    EXPECT_EQ(UnpackWith(in.unpack, alphaGrayReversed, 2, 2, 4),
              (std::vector<uint16_t>{7 * 257, 7 * 257, 7 * 257, 200 * 257}));

    // With the extra first no member both widens the gray and keeps the
    // extra: such inputs are refused, in every sample type.
    for (unsigned order : {0x800u, 0xC00u})
        for (unsigned type : {CMM_PF::kSample8, CMM_PF::kSample16, CMM_PF::kSampleFloat}) {
            InitInputConv(in, CMM_PF::Make(CMM_PF::kSpaceGray, 1, 1, type, order));
            EXPECT_EQ(in.unpack, nullptr) << std::hex << order << " type " << type;
        }
}

TEST(Adapter, PlainSampleRules)
{
    Detail::sInputConv in;
    Detail::sOutputConv out;
    InitInputConv(in, CMM_PF::Device16(1) & ~7u); // float, one colour
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float v;
        uint16_t w;
    } floats[] = {{1.0f, 65535}, {1.5f, 65535}, {-0.2f, 0}, {0.5f, 32768}, {nan, 0}, {inf, 65535}, {-inf, 0}};
    for (const auto& f : floats)
        EXPECT_EQ(UnpackWith(in.unpack, &f.v, sizeof(float), 1, 1)[0], f.w) << f.v;

    InitOutputConv(out, CMM_PF::Make(0, 1, 0, CMM_PF::kSampleFloat));
    const uint16_t white = 65535;
    float v = 0;
    out.pack(&white, &v, 1);
    EXPECT_EQ(v, 1.0f);

    // 8-bit: every sample round-trips.
    InitInputConv(in, CMM_PF::Make(0, 3, 0, CMM_PF::kSample8));
    InitOutputConv(out, CMM_PF::Make(0, 3, 0, CMM_PF::kSample8));
    for (int b = 0; b < 256; ++b) {
        const uint8_t px[3] = {uint8_t(b), uint8_t(255 - b), uint8_t(b / 2)};
        uint16_t w[kWorkSamples];
        in.unpack(px, w, 3);
        uint8_t back[3];
        out.pack(w, back, 3);
        EXPECT_TRUE(back[0] == px[0] && back[1] == px[1] && back[2] == px[2]) << b;
    }
}

TEST(Adapter, FloatLabInCieUnits)
{
    Detail::sInputConv in;
    Detail::sOutputConv out;
    InitInputConv(in, CMM_PF::kLabFloat);
    InitOutputConv(out, CMM_PF::kLabFloat);
    const float white[3] = {100.0f, 0.0f, 0.0f};
    EXPECT_EQ(UnpackWith(in.unpack, white, sizeof white, 3, 3), (std::vector<uint16_t>{65280, 32768, 32768}));
    const float wild[3] = {150.0f, -300.0f, 300.0f};
    EXPECT_EQ(UnpackWith(in.unpack, wild, sizeof wild, 3, 3), (std::vector<uint16_t>{65280, 0, 65535}));
    const uint16_t w[3] = {65280, 32768, 32768};
    float lab[3];
    out.pack(w, lab, 3);
    EXPECT_NEAR(lab[0], 100.0f, 1e-4);
    EXPECT_EQ(lab[1], 0.0f);
    EXPECT_EQ(lab[2], 0.0f);

    // An 8-bit Lab code takes the plain member: b x 257.
    InitInputConv(in, CMM_PF::Make(CMM_PF::kSpaceLab, 3, 0, CMM_PF::kSample8));
    const uint8_t lab8[3] = {255, 128, 128};
    EXPECT_EQ(UnpackWith(in.unpack, lab8, 3, 3, 3), (std::vector<uint16_t>{65535, 128 * 257, 128 * 257}));
}

TEST(Adapter, UnsupportedSampleTypeHasNoFunction)
{
    LogCapture log;
    Detail::sInputConv in;
    Detail::sOutputConv out;
    InitInputConv(in, CMM_PF::Make(CMM_PF::kSpaceRGB, 3, 0, 3));
    InitOutputConv(out, CMM_PF::Make(CMM_PF::kSpaceRGB, 3, 0, 5));
    EXPECT_EQ(in.unpack, nullptr);
    EXPECT_EQ(out.pack, nullptr);
    const QStringList lines = log.take();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Unsupported bytes size: 3"));
    EXPECT_EQ(lines[1], QStringLiteral("Unsupported bytes size: 5"));
}

} // namespace

namespace {

// The pixel loop around a transform: extras are carried over, missing ones
// become opaque, and a converter without a function runs nothing.
TEST(PixelLoop, ExtrasAndRefusedConverters)
{
    const cProfile::ptr_t srgb = cProfile::Create_sRGB();
    const unsigned rgb8 = CMM_PF::Make(CMM_PF::kSpaceRGB, 3, 0, CMM_PF::kSample8);
    const unsigned rgba8 = CMM_PF::Make(CMM_PF::kSpaceRGB, 3, 1, CMM_PF::kSample8);
    const unsigned bgra16 = CMM_PF::Make(CMM_PF::kSpaceRGB, 3, 1, CMM_PF::kSample16, 0xC00);
    const unsigned rgba16 = CMM_PF::Make(CMM_PF::kSpaceRGB, 3, 1, CMM_PF::kSample16);
    const cXForm t(srgb.get(), rgb8, srgb.get(), rgb8, icPerceptual, XForm_NoPrecalc, nullptr, icAbsoluteColorimetric);
    ASSERT_TRUE(t.IsValid());

    const uint8_t rgb[6] = {0, 0, 0, 255, 255, 255};
    uint8_t rgba[8] = {};
    cInternalProcessing(&t, rgb8, rgba8).Process(rgb, rgba, 2);
    EXPECT_EQ(rgba[3], 255);
    EXPECT_EQ(rgba[7], 255);
    EXPECT_EQ(rgba[4], 255);

    const uint16_t bgra[4] = {0, 0, 0, 1234};
    uint16_t out[4] = {};
    cInternalProcessing(&t, bgra16, rgba16).Process(bgra, out, 1);
    EXPECT_EQ(out[3], 1234);

    LogCapture log;
    const cInternalProcessing refused(&t, CMM_PF::Make(CMM_PF::kSpaceRGB, 3, 0, 4), rgba16);
    EXPECT_FALSE(refused.IsUsable());
    uint16_t untouched[4] = {7, 7, 7, 7};
    refused.Process(bgra, untouched, 1);
    EXPECT_EQ(untouched[0], 7);
    EXPECT_TRUE(log.contains(QStringLiteral("Unsupported bytes size: 4")));
}

} // namespace
