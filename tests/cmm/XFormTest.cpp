// Building transforms: refusals, the routine each kind of transform gets,
// grid sizes, the white fix, black preservation, proofing and gamut check,
// prelinearisation and black-point detection.
#include "cmm/BlackPoint.h"
#include "cmm/ColorSpaces.h"
#include "cmm/XForm.h"
#include "pixelstore/CpuFeatures.h"
#include "XFormTestUtil.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>

using namespace Nuvra;
using namespace Nuvra::CMM;
using namespace Nuvra::CMM::Test;

namespace {

struct Profiles {
    cProfile::ptr_t srgb = cProfile::Create_sRGB();
    cProfile::ptr_t lab = LabD50();
    cProfile::ptr_t cmyk = cProfile::Create_CMYK();
    cProfile::ptr_t adobe = LoadProfile(QStringLiteral("cmm/colord/AdobeRGB1998.icc"));
    cProfile::ptr_t gray = LoadProfile(QStringLiteral("cmm/icc-profiles-free/Gray.icc"));
};

const Profiles& P()
{
    static const Profiles p;
    return p;
}

cProfile::ptr_t Bare(uint32_t deviceClass, uint32_t space, uint32_t pcs)
{
    cProfile::ptr_t p(new cProfile);
    p->setDeviceClass(icProfileClassSignature(deviceClass));
    p->setColorSpace(icColorSpaceSignature(space));
    p->setPCS(pcs);
    return p;
}

// A profile made of one LUT tag; the LUT's channels may disagree with the
// space on purpose.
cProfile::ptr_t LUTProfile(uint32_t deviceClass, uint32_t space, uint32_t pcs, uint32_t sig, const cLUT& lut)
{
    cProfile::ptr_t p = Bare(deviceClass, space, pcs);
    p->SetTagValue(sig, lut);
    return p;
}

TEST(XFormBuild, RefusalsLeaveTheTransformInvalidWithTheirMessage)
{
    const Profiles& p = P();
    const cLUT wide(2, 4, 15, false); // a CMYK A2B with 15 outputs
    const cProfile::ptr_t wideCmyk = LUTProfile(Sig::Output, Sig::CMYK, Sig::Lab, Sig::A2B0, wide);
    const cLUT fourOut(2, 3, 4, false);
    const cProfile::ptr_t rgbOut4 = LUTProfile(Sig::Display, Sig::RGB, Sig::Lab, Sig::B2A0, fourOut);
    const cLUT twoIn(0, 2, 3, false); // no grid: copies two channels
    const cProfile::ptr_t twoColour = LUTProfile(Sig::Output, icSig("2CLR"), Sig::Lab, Sig::A2B0, twoIn);
    const cProfile::ptr_t emptyLink = Bare(Sig::Link, Sig::RGB, Sig::RGB);
    const cProfile::ptr_t named = Bare(icSig("nmcl"), Sig::Lab, Sig::Lab);
    const cLUT linkLut(5, 3, 3, false);
    const cProfile::ptr_t link = LUTProfile(Sig::Link, Sig::RGB, Sig::CMYK, Sig::A2B0, linkLut);
    const unsigned twoCode = CMM_PF::Make(0, 2, 0, CMM_PF::kSample16);

    struct Case {
        const char* name;
        std::function<cXForm::ptr_t()> make;
        QString message;
    };
    const Case cases[] = {
        {"intent 4", [&] { return MakeXForm(p.srgb, kRGB8, p.lab, CMM_PF::kLab16, icRenderingIntent(4)); },
         "CreateTransform: intent mismatch\n"},
        {"proof intent 9",
         [&] {
             return MakeXForm(p.srgb, kRGB8, p.lab, CMM_PF::kLab16, icPerceptual, {}, {}, icRenderingIntent(9));
         },
         "CreateTransform: intent mismatch\n"},
        {"null input", [&] { return MakeXForm({}, kRGB8, p.lab, CMM_PF::kLab16); },
         "Input profile cannot be nullptr!\n"},
        {"null output", [&] { return MakeXForm(p.srgb, kRGB8, {}, CMM_PF::kLab16); },
         "Output profile cannot be null!\n"},
        {"input space", [&] { return MakeXForm(p.srgb, kCMYK8, p.lab, CMM_PF::kLab16); },
         "Input profile is operating on wrong colorspace\n"},
        {"output space", [&] { return MakeXForm(p.srgb, kRGB8, p.lab, kRGB16); },
         "Output profile is operating on wrong colorspace\n"},
        {"input colours", [&] { return MakeXForm(p.srgb, CMM_PF::Device16(4), p.lab, CMM_PF::kLab16); },
         "Input format has 4 colour channels, its colour space has 3\n"},
        {"output colours", [&] { return MakeXForm(p.srgb, kRGB8, p.cmyk, CMM_PF::Device16(3)); },
         "Output format has 3 colour channels, its colour space has 4\n"},
        {"named input", [&] { return MakeXForm(named, CMM_PF::kLab16, p.lab, CMM_PF::kLab16); },
         "Named color not supported\n"},
        {"named output", [&] { return MakeXForm(p.lab, CMM_PF::kLab16, named, CMM_PF::kLab16); },
         "Named color profiles are not supported as output\n"},
        {"A2B with 15 outputs", [&] { return MakeXForm(wideCmyk, kCMYK8, p.lab, CMM_PF::kLab16); },
         "Input LUT has 4->15 channels, 4->3 expected\n"},
        {"B2A with 4 outputs", [&] { return MakeXForm(p.lab, CMM_PF::kLab16, rgbOut4, kRGB8); },
         "Output LUT has 3->4 channels, 3->3 expected\n"},
        {"grid of two inputs", [&] { return MakeXForm(twoColour, twoCode, p.lab, CMM_PF::kLab16); },
         "Cannot precalculate 2->3 channels transform!\n"},
        {"device link without A2B0", [&] { return MakeXForm(emptyLink, kRGB8, {}, kRGB8); },
         "Noncompliant device-link profile\n"},
        {"device link output space", [&] { return MakeXForm(link, kRGB8, {}, kRGB8); },
         "Device link is operating on wrong colorspace on output\n"},
        {"device link channels", [&] { return MakeXForm(link, kRGB8, {}, CMM_PF::Device16(4)); },
         "Device-link LUT has 3->3 channels, 3->4 expected\n"},
        {"RGB input without tags", [&] { return MakeXForm(Bare(Sig::Display, Sig::RGB, Sig::XYZ), kRGB8, p.lab, CMM_PF::kLab16); },
         "Profile is unsuitable for input"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        const cXForm::ptr_t t = c.make();
        EXPECT_FALSE(t->IsValid()) << c.name;
        EXPECT_TRUE(log.lines().contains(c.message)) << c.name << ": " << log.joined();
        // Such a transform runs nothing through a processor.
        uint16_t in[kWorkSamples] = {1, 2, 3, 4}, out[kWorkSamples] = {};
        cInternalProcessing(t.get()).Process(in, out, 1);
        EXPECT_EQ(out[0], 0) << c.name;
    }
}

namespace Simd = Nuvra::DataStorage::Simd;

struct KindCase {
    const char* name;
    cProfile::ptr_t in;
    unsigned inCode;
    cProfile::ptr_t out;
    unsigned outCode;
    QFlags<eXForm_Flags> flags;
    cXForm::Routine routine;
    cXForm::Routine wide; // where the AVX2 kernels may run
};

// One transform of each kind and the routine it gets.
const std::vector<KindCase>& Kinds()
{
    const Profiles& p = P();
    static const std::vector<KindCase> cases = {
        {"sRGB to sRGB, unprecalculated", p.srgb, kRGB8, p.srgb, kRGB8, XForm_NoPrecalc, &cXForm::DoMatrixShaper,
         &cXForm::DoMatrixShaper},
        {"sRGB to sRGB with BPC, unprecalculated", p.srgb, kRGB8, p.srgb, kRGB8,
         XForm_NoPrecalc | XForm_BlackPointCompensation, &cXForm::DoNormal, &cXForm::DoNormal},
        {"sRGB to sRGB: a plain tetrahedral grid", p.srgb, kRGB8, p.srgb, kRGB8, {}, &cXForm::DoPrecalcTetra16,
         &cXForm::DoPrecalcTetra16Wide},
        {"sRGB to Lab", p.srgb, kRGB8, p.lab, CMM_PF::kLab16, {}, &cXForm::DoPrecalcTetra16,
         &cXForm::DoPrecalcTetra16Wide},
        {"sRGB to Adobe RGB: nearly straight curves", p.srgb, kRGB8, p.adobe, kRGB8, {}, &cXForm::DoPrecalcTetra16,
         &cXForm::DoPrecalcTetra16Wide},
        {"Lab to sRGB: Lab curves", p.lab, CMM_PF::kLab16, p.srgb, kRGB8, {}, &cXForm::DoPrecalc, &cXForm::DoPrecalc},
        {"Lab to CMYK: Lab curves", p.lab, CMM_PF::kLab16, p.cmyk, kCMYK8, {}, &cXForm::DoPrecalc, &cXForm::DoPrecalc},
        {"Lab to CMYK without prelinearisation", p.lab, CMM_PF::kLab16, p.cmyk, kCMYK8, XForm_NoPrelinearization,
         &cXForm::DoPrecalc3Inputs, &cXForm::DoPrecalc3InputsWide},
        {"CMYK to sRGB: four inputs", p.cmyk, kCMYK8, p.srgb, kRGB8, {}, &cXForm::DoPrecalc, &cXForm::DoPrecalc},
        {"gray to sRGB", p.gray, kGray8, p.srgb, kRGB8, {}, &cXForm::DoPrecalc, &cXForm::DoPrecalc},
    };
    return cases;
}

TEST(XFormBuild, RoutineByKindOfTransform)
{
    const Profiles& p = P();
    for (const Simd::Kernels limit : {Simd::Kernels::Plain, Simd::Kernels::Any}) {
        Simd::limitKernels(limit);
        const bool wide = Simd::kernelsMay(Simd::Isa::Avx2);
        for (const KindCase& c : Kinds()) {
            ASSERT_TRUE(c.in && c.out) << c.name;
            const cXForm::ptr_t t = MakeXForm(c.in, c.inCode, c.out, c.outCode, icPerceptual, c.flags);
            EXPECT_TRUE(t->routine == (wide ? c.wide : c.routine)) << c.name << ", wide " << wide;
        }
    }
    Simd::limitKernels(Simd::Kernels::Any);

    // Lab to Lab through an absolute scaling: a trilinear grid.
    sCIExyY d65;
    ASSERT_TRUE(d65.SetWhitePointFromTemp(6504));
    const cProfile::ptr_t lab65 = cProfile::CreateLab(&d65);
    const cXForm::ptr_t t =
        MakeXForm(p.lab, CMM_PF::kLab16, lab65, CMM_PF::kLab16, icAbsoluteColorimetric);
    ASSERT_TRUE(t->routine == &cXForm::DoPrecalc3Inputs || t->routine == &cXForm::DoPrecalc3InputsWide);
    // The direct interpolation equals the LUT's own evaluator.
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> d(0, 65535);
    for (int i = 0; i < 20000; ++i) {
        const uint16_t in[3] = {uint16_t(d(rng)), uint16_t(d(rng)), uint16_t(d(rng))};
        uint16_t a[4], b[4];
        t->Run(in, a);
        t->deviceLink.Eval(in, b);
        ASSERT_TRUE(a[0] == b[0] && a[1] == b[1] && a[2] == b[2]) << i;
    }
}

// Every kind of transform converts alike, sample for sample, built with only
// the plain kernels and with the AVX2 ones.
TEST(XFormBuild, PlainAndWideKernelsConvertAlike)
{
    if (!Simd::processorHas(Simd::Isa::Avx2))
        GTEST_SKIP() << "no AVX2";
    std::vector<uint8_t> in8(4 * 40000);
    std::vector<uint16_t> in16(3 * 40000);
    std::mt19937 rng(12);
    std::uniform_int_distribution<int> d(0, 65535);
    for (auto& v : in8)
        v = uint8_t(d(rng));
    for (auto& v : in16)
        v = uint16_t(d(rng));
    // Every combination of edge samples first: ends of the ranges, Lab's
    // neutral and white, and grid nodes.
    const uint8_t edges8[] = {0, 1, 127, 128, 254, 255};
    const uint16_t edges16[] = {0, 1, 0x7FFF, 0x8000, 0x8080, 0xFF00, 0xFFFE, 0xFFFF};
    for (size_t i = 0; i < 6 * 6 * 6 * 6; ++i)
        for (size_t k = 0, rest = i; k < 4; ++k, rest /= 6)
            in8[i * 4 + k] = edges8[rest % 6];
    for (size_t i = 0; i < 8 * 8 * 8; ++i)
        for (size_t k = 0, rest = i; k < 3; ++k, rest /= 8)
            in16[i * 3 + k] = edges16[rest % 8];
    for (const KindCase& c : Kinds()) {
        std::vector<uint16_t> results[2];
        for (const Simd::Kernels limit : {Simd::Kernels::Plain, Simd::Kernels::Any}) {
            Simd::limitKernels(limit);
            const cXForm::ptr_t t = MakeXForm(c.in, c.inCode, c.out, c.outCode, icPerceptual, c.flags);
            ASSERT_TRUE(t->IsValid()) << c.name;
            // Any output fits a 16-bit vector of its sample count.
            const bool eightBit = CMM_PF::SampleType(c.inCode) == CMM_PF::kSample8;
            results[limit == Simd::Kernels::Any] = eightBit ? Convert<uint16_t>(*t, in8) : Convert<uint16_t>(*t, in16);
        }
        Simd::limitKernels(Simd::Kernels::Any);
        EXPECT_EQ(results[0], results[1]) << c.name;
    }
}

TEST(XFormBuild, GridPointsByColourSpace)
{
    struct Case {
        uint32_t space;
        QFlags<eXForm_Flags> flags;
        int points;
    };
    const Case cases[] = {
        {Sig::Gray, XForm_LowResPrecalc, 33},      {Sig::RGB, XForm_LowResPrecalc, 17},
        {Sig::CMYK, XForm_HighResPrecalc, 23},     {Sig::RGB, XForm_HighResPrecalc, 49},
        {icSig("6CLR"), {}, 7},                    {icSig("6CLR"), XForm_LowResPrecalc, 6},
        {icSig("6CLR"), XForm_HighResPrecalc, 7},  {Sig::RGB, {}, 33},
        {Sig::CMYK, {}, 17},                       {Sig::Gray, {}, 33},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReasonableGridpointsByColorspace(icColorSpaceSignature(c.space), c.flags), c.points)
            << std::hex << c.space << " " << c.flags;
}

TEST(XFormBuild, DeviceWhiteMapsExactlyOntoDeviceWhite)
{
    const Profiles& p = P();
    for (icRenderingIntent intent : {icPerceptual, icRelativeColorimetric, icSaturation}) {
        const cXForm::ptr_t toCmyk = MakeXForm(p.srgb, kRGB16, p.cmyk, CMM_PF::kCMYK16, intent);
        const std::vector<uint16_t> cmyk = Convert<uint16_t>(*toCmyk, std::vector<uint16_t>{65535, 65535, 65535});
        EXPECT_EQ(cmyk, (std::vector<uint16_t>{0, 0, 0, 0})) << intent;
        const cXForm::ptr_t toRgb = MakeXForm(p.cmyk, CMM_PF::kCMYK16, p.adobe, kRGB16, intent);
        const std::vector<uint16_t> rgb = Convert<uint16_t>(*toRgb, std::vector<uint16_t>{0, 0, 0, 0});
        EXPECT_EQ(rgb, (std::vector<uint16_t>{65535, 65535, 65535})) << intent;
    }
}

TEST(XFormBuild, ConnectionSpaceOverflowGivesTheOutputsDeviceWhite)
{
    // Absolute colorimetric into a profile whose white is half of D50 doubles
    // every XYZ value: the brightest input overflows the connection space in
    // all three channels, and the routine writes the output space's white.
    const cProfile::ptr_t xyz = cProfile::CreateXYZ();
    sCIExyY half;
    half.Set(D50XYZ());
    half.Y = 0.5f;
    const float one = 1.0f;
    cGammaTable linear;
    linear.Build(256, 1, &one);
    cProfile::ptr_t gray = cProfile::CreateGray(&half, &linear);
    gray->setDeviceClass(icSigOutputClass);
    cProfile::ptr_t rgb = cProfile::Create_sRGB();
    rgb->setDeviceClass(icSigOutputClass);
    sCIEXYZ halfWhite;
    halfWhite.Set(half);
    rgb->SetTagValue(Sig::Wtpt, halfWhite);
    struct Case {
        cProfile::ptr_t out;
        std::vector<uint16_t> white;
    };
    const Case cases[] = {{gray, {0xFFFF}}, {rgb, {0xFFFF, 0xFFFF, 0xFFFF}}};
    for (const Case& c : cases) {
        const unsigned outCode = CMM_PF::Device16(int(c.white.size()));
        const cXForm::ptr_t t =
            MakeXForm(xyz, CMM_PF::Device16(3), c.out, outCode, icAbsoluteColorimetric, XForm_NoPrecalc);
        ASSERT_TRUE(t->routine == &cXForm::DoNormal) << c.white.size();
        EXPECT_EQ(Convert<uint16_t>(*t, std::vector<uint16_t>{0xFFFF, 0xFFFF, 0xFFFF}), c.white);
        // The routine itself writes four samples: the white padded with zeros.
        uint16_t out[4] = {1, 2, 3, 4};
        const uint16_t in[3] = {0xFFFF, 0xFFFF, 0xFFFF};
        t->Run(in, out);
        for (size_t k = c.white.size(); k < 4; ++k)
            EXPECT_EQ(out[k], 0) << c.white.size();
    }
}

TEST(XFormBuild, BlackPreservationKeepsPureKPure)
{
    const Profiles& p = P();
    const cXForm::ptr_t keep = MakeXForm(p.cmyk, kCMYK8, p.cmyk, kCMYK8, icPerceptual, XForm_PreserveBlack);
    ASSERT_TRUE(keep->IsValid());
    std::vector<uint8_t> in;
    for (int k = 0; k < 256; ++k)
        in.insert(in.end(), {0, 0, 0, uint8_t(k)});
    const std::vector<uint8_t> out = Convert<uint8_t>(*keep, in);
    int previousK = -1;
    for (int k = 0; k < 256; ++k) {
        const uint8_t* px = &out[size_t(k) * 4];
        EXPECT_TRUE(px[0] == 0 && px[1] == 0 && px[2] == 0) << k;
        EXPECT_GE(int(px[3]), previousK) << k;
        previousK = px[3];
    }
    EXPECT_EQ(out[0 * 4 + 3], 0);
    EXPECT_GE(out[255 * 4 + 3], 250);

    // Other colours go through the full conversion, as without preservation.
    const cXForm::ptr_t plain = MakeXForm(p.cmyk, kCMYK8, p.cmyk, kCMYK8, icPerceptual);
    const std::vector<uint8_t> mixed{200, 30, 10, 40, 10, 200, 30, 0};
    const std::vector<uint8_t> a = Convert<uint8_t>(*keep, mixed), b = Convert<uint8_t>(*plain, mixed);
    for (size_t i = 0; i < a.size(); ++i)
        EXPECT_NEAR(a[i], b[i], 3) << i;
}

TEST(XFormBuild, GamutCheckAlarmsOutsideTheProofGamut)
{
    const Profiles& p = P();
    // Saturated blue lies outside print; mid gray inside.
    const std::vector<uint16_t> colours{0, 0, 65535, 32896, 32896, 32896};
    for (QFlags<eXForm_Flags> flags : {QFlags<eXForm_Flags>(XForm_GamutCheck), XForm_GamutCheck | XForm_NoPrecalc}) {
        const cXForm::ptr_t t =
            MakeXForm(p.srgb, kRGB16, p.adobe, kRGB16, icRelativeColorimetric, flags, p.cmyk, icRelativeColorimetric);
        ASSERT_TRUE(t->IsValid()) << flags;
        EXPECT_TRUE(t->routine == (flags & XForm_NoPrecalc ? &cXForm::DoNormal : &cXForm::DoPrecalGamutCheck));
        const std::vector<uint16_t> out = Convert<uint16_t>(*t, colours);
        EXPECT_EQ(std::vector<uint16_t>(out.begin(), out.begin() + 3),
                  (std::vector<uint16_t>{0x8FFF, 0x8FFF, 0x8FFF}))
            << flags;
        EXPECT_NE(out[3], 0x8FFF) << flags;
        EXPECT_NEAR(out[3], out[4], 600) << flags;
    }
}

TEST(XFormBuild, SoftProofShowsTheRoundTripThroughTheProofDevice)
{
    const Profiles& p = P();
    const cXForm::ptr_t proofed =
        MakeXForm(p.srgb, kRGB8, p.srgb, kRGB8, icRelativeColorimetric, XForm_SoftProofing, p.cmyk,
                  icRelativeColorimetric);
    const cXForm::ptr_t toCmyk = MakeXForm(p.srgb, kRGB8, p.cmyk, CMM_PF::kCMYK16, icRelativeColorimetric);
    const cXForm::ptr_t back = MakeXForm(p.cmyk, CMM_PF::kCMYK16, p.srgb, kRGB8, icRelativeColorimetric);
    ASSERT_TRUE(proofed->IsValid() && toCmyk->IsValid() && back->IsValid());
    const std::vector<uint8_t> colours{0, 0, 255, 255, 0, 0, 0, 255, 0, 128, 128, 128, 250, 200, 30};
    const std::vector<uint8_t> viaProof = Convert<uint8_t>(*proofed, colours);
    const std::vector<uint8_t> twoSteps = Convert<uint8_t>(*back, Convert<uint16_t>(*toCmyk, colours));
    for (size_t i = 0; i < colours.size(); ++i)
        EXPECT_NEAR(viaProof[i], twoSteps[i], 6) << i;
    // Saturated blue visibly loses saturation in print.
    EXPECT_GT(viaProof[0] + viaProof[1], 40);
}

// A chain of one processor applying a power curve to every channel, between
// the given spaces.
class CurveChain : public cProcessing {
public:
    CurveChain(icColorSpaceSignature in, icColorSpaceSignature out, std::function<double(double)> f)
        : cProcessing(&m_xform), m_f(std::move(f))
    {
        m_xform.inputSpace = in;
        m_xform.outputSpace = out;
    }
    void Process(const void* src, void* dst, int count) const override
    {
        const uint16_t* s = static_cast<const uint16_t*>(src);
        uint16_t* d = static_cast<uint16_t*>(dst);
        for (int i = 0; i < 3 * count; ++i)
            d[i] = uint16_t(std::lround(65535.0 * m_f(s[i] / 65535.0)));
    }

private:
    cXForm m_xform;
    std::function<double(double)> m_f;
};

TEST(XFormBuild, PrelinearisationTables)
{
    const auto gamma = [](double x) { return std::pow(x, 2.2); };
    const auto nearlyStraight = [](double x) { return x + 0.01 * std::sin(x * 3.14159265358979); };
    const auto notMonotonic = [](double x) { return x < 0.5 ? std::pow(x, 2.2) : std::pow(1.5 - x, 2.2); };
    const auto shortOfWhite = [](double x) { return 0.999 * std::pow(x, 2.2); };
    struct Case {
        const char* name;
        icColorSpaceSignature in, out;
        std::function<double(double)> f;
        size_t entries; // 0: no tables
    };
    const Case cases[] = {
        {"RGB gamma 2.2", icSigRgbData, icSigRgbData, gamma, 4096},
        {"gray to RGB", icSigGrayData, icSigRgbData, gamma, 4096},
        {"within 768 of straight", icSigRgbData, icSigRgbData, nearlyStraight, 0},
        {"not monotonic", icSigRgbData, icSigRgbData, notMonotonic, 0},
        {"white not reached", icSigRgbData, icSigRgbData, shortOfWhite, 0},
        {"RGB to CMYK", icSigRgbData, icSigCmykData, gamma, 0},
        {"Lab to RGB", icSigLabData, icSigRgbData, gamma, 257},
        {"Lab to Lab", icSigLabData, icSigLabData, gamma, 0},
    };
    for (const Case& c : cases) {
        const int inputs = c.in == icSigGrayData ? 1 : 3;
        cLUT lut(9, inputs, 3, false);
        const CurveChain chain(c.in, c.out, c.f);
        const cProcessing* chainPtr[1] = {&chain};
        lut.ComputePrelinearizationTables(chainPtr, 1);
        if (!c.entries) {
            EXPECT_FALSE(lut.flags & LUT_InputTables) << c.name;
            continue;
        }
        ASSERT_TRUE(lut.flags & LUT_InputTables) << c.name;
        for (int ch = 0; ch < inputs; ++ch) {
            const std::vector<uint16_t>& t = lut.inputTables[ch].table;
            ASSERT_EQ(t.size(), c.entries) << c.name;
            if (c.entries != 4096)
                continue;
            // The slope-limited start is a straight line through 0 and entry 81.
            for (int i = 1; i < 81; ++i)
                EXPECT_EQ(t[size_t(i)], uint16_t(std::lround(i * (t[81] / 81.0)))) << c.name << " " << i;
            EXPECT_EQ(t[2048], uint16_t(std::lround(65535.0 * gamma(2048 * 65535.0 / 4095 / 65535.0))));
        }
    }

    // Through the builder: Lab input gets the Lab curves.
    const Profiles& p = P();
    const cXForm::ptr_t fromLab = MakeXForm(p.lab, CMM_PF::kLab16, p.srgb, kRGB16);
    ASSERT_TRUE(fromLab->deviceLink.flags & LUT_InputTables);
    EXPECT_EQ(fromLab->deviceLink.inputTables[0].table.size(), 257u);
    EXPECT_FALSE(MakeXForm(p.lab, CMM_PF::kLab16, p.srgb, kRGB16, icPerceptual, XForm_NoPrelinearization)
                     ->deviceLink.flags &
                 LUT_InputTables);
}

TEST(XFormBuild, DerivedGridsOfUnusableProfilesAreEmpty)
{
    const Profiles& p = P();
    const cProfile::ptr_t named = Bare(icSig("nmcl"), Sig::Lab, Sig::Lab);
    cLUT soft;
    soft.ComputeSoftProof(named.get(), icPerceptual, p.lab.get());
    EXPECT_FALSE(soft.IsValid());
    cLUT gamut;
    gamut.ComputeGamutWithInput(nullptr, named.get(), icPerceptual, p.lab.get());
    EXPECT_FALSE(gamut.IsValid());

    gamut.ComputeGamutWithInput(nullptr, p.cmyk.get(), icPerceptual, p.lab.get());
    ASSERT_TRUE(IsFilled(gamut));
    EXPECT_EQ(gamut.grid.gridPoints, 53);
    EXPECT_EQ(gamut.gridSamples.size(), size_t(53 * 53 * 53));
    EXPECT_EQ(gamut.outputs, 1);
}

// An output RGB profile whose device side reads every Lab as one device
// colour and whose Lab side reads every device colour as the given Lab, for
// the relative colorimetric intent only.
cProfile::ptr_t ConstantRoundTrip(uint16_t L, uint16_t a, uint16_t b)
{
    cLUT toLab(2, 3, 3, false), toDevice(2, 3, 3, false);
    for (size_t i = 0; i < toLab.gridSamples.size(); i += 3) {
        toLab.gridSamples[i] = L;
        toLab.gridSamples[i + 1] = a;
        toLab.gridSamples[i + 2] = b;
    }
    std::fill(toDevice.gridSamples.begin(), toDevice.gridSamples.end(), uint16_t(30000));
    toLab.CalcEvaluators();
    toDevice.CalcEvaluators();
    cProfile::ptr_t p = LUTProfile(Sig::Output, Sig::RGB, Sig::Lab, Sig::A2B1, toLab);
    p->SetTagValue(Sig::B2A1, toDevice);
    return p;
}

TEST(XFormBuild, GamutGridMarksAndThreshold)
{
    const Profiles& p = P();
    // A round trip that comes back as 16-bit white everywhere marks every
    // node 0xFF00.
    cLUT gamut;
    gamut.ComputeGamutWithInput(nullptr, ConstantRoundTrip(0xFFFF, 0xFFFF, 0xFFFF).get(), icRelativeColorimetric,
                                p.lab.get());
    ASSERT_TRUE(IsFilled(gamut));
    EXPECT_EQ(std::count(gamut.gridSamples.begin(), gamut.gridSamples.end(), uint16_t(0xFF00)),
              std::ptrdiff_t(gamut.gridSamples.size()));

    // Every colour comes back as mid gray, stable on the second trip: a node
    // gets its distance less the threshold, 5 for an intent the profile
    // has, 1 for one it lacks. Node 0 (L 0, a and b -128) lies about 188 off.
    const cProfile::ptr_t gray = ConstantRoundTrip(0x8000, 0x8080, 0x8080);
    cLUT has, lacks;
    has.ComputeGamutWithInput(nullptr, gray.get(), icRelativeColorimetric, p.lab.get());
    lacks.ComputeGamutWithInput(nullptr, gray.get(), icPerceptual, p.lab.get());
    ASSERT_TRUE(IsFilled(has) && IsFilled(lacks));
    EXPECT_NEAR(has.gridSamples[0], 183, 1);
    size_t inside = 0;
    for (size_t i = 0; i < has.gridSamples.size(); ++i) {
        const int a = has.gridSamples[i], b = lacks.gridSamples[i];
        if (a > 0)
            ASSERT_EQ(b, a + 4) << i;
        else
            ASSERT_LE(b, 4) << i;
        inside += a == 0;
    }
    EXPECT_GT(inside, 0u);
}

TEST(BlackPoint, Detection)
{
    const Profiles& p = P();
    sCIEXYZ bp{-1, -1, -1};
    // A matrix-shaper's device black is its black.
    ASSERT_TRUE(DetectBlackPoint(bp, *p.srgb, icRelativeColorimetric, true, p.lab.get()));
    EXPECT_NEAR(bp.Y, 0.0, 1e-4);

    // The printer's black comes from the perceptual round trip: dark, neutral,
    // and where Little CMS 2 finds it on the same bytes (the darker colorant,
    // full ink, lies more than 1 L lower).
    ASSERT_TRUE(DetectBlackPoint(bp, *p.cmyk, icRelativeColorimetric, true, p.lab.get()));
    sCIELab lab;
    lab.Set(bp);
    EXPECT_GT(lab.L, 1.0);
    EXPECT_LE(lab.L, 50.0);
    EXPECT_NEAR(lab.a, 0.0, 0.05);
    EXPECT_NEAR(lab.b, 0.0, 0.05);
    {
        const QByteArray bytes = WriteProfile(*p.cmyk);
        cmsHPROFILE theirs = cmsOpenProfileFromMem(bytes.constData(), cmsUInt32Number(bytes.size()));
        ASSERT_TRUE(theirs);
        cmsCIEXYZ xyz;
        cmsCIELab want;
        ASSERT_TRUE(cmsDetectBlackPoint(&xyz, theirs, INTENT_RELATIVE_COLORIMETRIC, 0));
        cmsCloseProfile(theirs);
        cmsXYZ2Lab(nullptr, &want, &xyz);
        EXPECT_NEAR(lab.L, want.L, 0.3);
    }

    // A black measured lighter than L 50 is reported at L 50: a gray whose
    // device 0 is Y 0.61.
    cGammaTable lifted;
    lifted.table = {40000, 65535};
    sCIExyY d50;
    d50.Set(D50XYZ());
    const cProfile::ptr_t pale = cProfile::CreateGray(&d50, &lifted);
    ASSERT_TRUE(DetectBlackPoint(bp, *pale, icRelativeColorimetric, true, p.lab.get()));
    lab.Set(bp);
    EXPECT_NEAR(lab.L, 50.0, 1e-3);

    // A version 4 LUT profile has the fixed perceptual black.
    cProfile::ptr_t v4 = cProfile::Create_CMYK();
    v4->setVersion(0x04200000);
    ASSERT_TRUE(DetectBlackPoint(bp, *v4, icPerceptual, true, p.lab.get()));
    EXPECT_FLOAT_EQ(bp.X, 0.00336f);
    EXPECT_FLOAT_EQ(bp.Y, 0.0034731f);
    EXPECT_FLOAT_EQ(bp.Z, 0.00287f);

    // A profile that cannot serve as input has none.
    const cProfile::ptr_t outputOnly =
        LUTProfile(Sig::Output, Sig::RGB, Sig::Lab, Sig::B2A0, *p.cmyk->TagAs<cLUT>(Sig::B2A0));
    EXPECT_FALSE(DetectBlackPoint(bp, *outputOnly, icRelativeColorimetric, false, p.lab.get()));
    EXPECT_EQ(bp.Y, 0.0f);
}

TEST(BlackPoint, UnadaptableMediaWhiteIsAFailureNotAStaleBlack)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    cProfile::ptr_t broken = cProfile::Create_sRGB();
    broken->SetTagValue(Sig::Wtpt, sCIEXYZ{nan, nan, nan});
    const cProfile::ptr_t lab = LabD50();
    sCIEXYZ bp{0.5f, 0.5f, 0.5f};
    EXPECT_FALSE(DetectBlackPoint(bp, *broken, icRelativeColorimetric, false, lab.get()));
    EXPECT_EQ(bp.X, 0.5f);
    EXPECT_EQ(bp.Y, 0.5f);
}

TEST(BlackPoint, CompensationThatCannotBeComputedIsSkipped)
{
    // An illuminant of zero puts the black point on it: the compensation's
    // denominators vanish. The transform converts as without compensation.
    const Profiles& p = P();
    cProfile::ptr_t odd = cProfile::Create_sRGB();
    odd->setIlluminant(sCIEXYZ{0.0f, 0.0f, 0.0f});
    const cXForm::ptr_t with =
        MakeXForm(odd, kRGB16, p.cmyk, CMM_PF::kCMYK16, icRelativeColorimetric, XForm_BlackPointCompensation);
    const cXForm::ptr_t without = MakeXForm(odd, kRGB16, p.cmyk, CMM_PF::kCMYK16, icRelativeColorimetric);
    ASSERT_TRUE(with->IsValid());
    const std::vector<uint16_t> colours{0, 0, 0, 1000, 20000, 40000, 65535, 30000, 0};
    EXPECT_EQ(Convert<uint16_t>(*with, colours), Convert<uint16_t>(*without, colours));

    // Where it can be computed, compensation lifts the printer's black point.
    const cXForm::ptr_t bpc = MakeXForm(p.cmyk, CMM_PF::kCMYK16, p.lab, CMM_PF::kLab16, icRelativeColorimetric,
                                        XForm_BlackPointCompensation);
    const cXForm::ptr_t rel = MakeXForm(p.cmyk, CMM_PF::kCMYK16, p.lab, CMM_PF::kLab16, icRelativeColorimetric);
    const std::vector<uint16_t> black{65535, 65535, 65535, 65535};
    EXPECT_LT(Convert<uint16_t>(*bpc, black)[0], Convert<uint16_t>(*rel, black)[0]);
}

// A version 4 profile on either side compensates the perceptual and the
// saturation intents whether asked or not; the colorimetric ones only when
// asked.
TEST(BlackPoint, VersionFourForcesCompensationOfPerceptualIntents)
{
    const Profiles& p = P();
    cProfile::ptr_t v4 = cProfile::Create_CMYK();
    v4->setVersion(0x04200000);
    ASSERT_LT(p.srgb->version(), 0x04000000u);
    const std::vector<uint16_t> colours{65535, 65535, 65535, 65535, 30000, 20000, 10000, 50000};
    const struct {
        icRenderingIntent intent;
        bool forced;
    } cases[] = {{icPerceptual, true}, {icSaturation, true}, {icRelativeColorimetric, false}};
    for (const auto& c : cases) {
        const auto run = [&](QFlags<eXForm_Flags> f) {
            return Convert<uint16_t>(*MakeXForm(v4, CMM_PF::kCMYK16, p.srgb, kRGB16, c.intent, f), colours);
        };
        const std::vector<uint16_t> asked = run(XForm_BlackPointCompensation), plain = run({});
        EXPECT_EQ(asked == plain, c.forced) << c.intent;
    }
}

} // namespace
