#include "cmm/MatrixShaper.h"
#include "cmm/WhitePoint.h"

#include "GammaFixtures.h"
#include "LogCapture.h"
#include "ReferenceDeltaE.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <random>

using namespace Nuvra::CMM;
using Nuvra::CMM::Test::Gamma;

namespace {

const float kSrgbCurve[] = {2.4f, float(1 / 1.055), float(0.055 / 1.055), float(1 / 12.92), 0.04045f};
const sCIExyYTriple kPrimaries = {{0.64f, 0.33f, 1.0f}, {0.30f, 0.60f, 1.0f}, {0.15f, 0.06f, 1.0f}};

struct SrgbLike {
    mat33real_t toXYZ;
    cGammaTable curves[3];
    sCIExyY white;

    SrgbLike()
    {
        white.SetWhitePointFromTemp(6504);
        BuildRGB2XYZ_TransferMatrix(toXYZ, white, kPrimaries);
        AdaptMatrixToD50(toXYZ, white);
        curves[0].Build(1024, 4, kSrgbCurve);
        curves[1] = curves[2] = curves[0];
    }
};

} // namespace

TEST(MatrixShaper, SrgbToPcsMatchesReferenceWithinDeltaE)
{
    const SrgbLike s;
    const cMatrixShaper ms(s.toXYZ, s.curves, MtxShaper_ToPCS);
    ASSERT_EQ(ms.evaluator, &cMatrixShaper::Eval_ToPCS<3>);

    const cmsCIExyY w = {s.white.x, s.white.y, 1.0};
    const cmsCIExyYTRIPLE p = {{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    const double params[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, params);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE rgb = cmsCreateRGBProfile(&w, &p, curves);
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM xf = cmsCreateTransform(rgb, TYPE_RGB_16, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC,
                                          cmsFLAGS_NOCACHE);
    ASSERT_NE(xf, nullptr);

    std::mt19937 rng(6);
    const double worst = Nuvra::CMM::Test::worstDeltaEAgainstReference(
        [&](const uint16_t* in, uint16_t* out) { ms.Eval(in, out); }, xf, rng, 100000);
    EXPECT_LT(worst, 0.8);
    cmsDeleteTransform(xf);
    cmsCloseProfile(rgb);
    cmsCloseProfile(lab);
    cmsFreeToneCurve(curve);
}

TEST(MatrixShaper, RoundTripThroughThePcs)
{
    const SrgbLike s;
    const cMatrixShaper to(s.toXYZ, s.curves, MtxShaper_ToPCS);
    mat33real_t inverse;
    ASSERT_TRUE(Invert(s.toXYZ, inverse));
    cGammaTable reversed[3];
    for (int c = 0; c < 3; ++c)
        s.curves[c].Reverse(reversed[c], 0);
    const cMatrixShaper from(inverse, reversed, MtxShaper_FromPCS);
    ASSERT_EQ(from.evaluator, &cMatrixShaper::Eval_FromPCS<3>);

    const uint16_t white[3] = {0xFFFF, 0xFFFF, 0xFFFF};
    uint16_t pcs[3], back[3];
    to.Eval(white, pcs);
    from.Eval(pcs, back);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(back[c], 0xFFFF, 8);

    std::mt19937 rng(3);
    std::uniform_int_distribution<int> d(0x1000, 0xFFFF);
    for (int i = 0; i < 20000; ++i) {
        const uint16_t in[3] = {uint16_t(d(rng)), uint16_t(d(rng)), uint16_t(d(rng))};
        to.Eval(in, pcs);
        from.Eval(pcs, back);
        for (int c = 0; c < 3; ++c)
            ASSERT_NEAR(back[c], in[c], 0.01 * in[c] + 16) << in[c];
    }

    // Device to device through the same profile is close to the identity.
    const cMatrixShaper link(mat33real_t::Identity(), s.curves, reversed, MtxShaper_DeviceLink);
    EXPECT_EQ(link.evaluator, &cMatrixShaper::Eval_NonePCS<6>);
    for (int i = 0; i < 20000; ++i) {
        const uint16_t in[3] = {uint16_t(d(rng)), uint16_t(d(rng)), uint16_t(d(rng))};
        link.Eval(in, back);
        for (int c = 0; c < 3; ++c)
            ASSERT_NEAR(back[c], in[c], 0.002 * in[c] + 8);
    }
}

TEST(MatrixShaper, StagesAreDroppedWhenTheyChangeNothing)
{
    const cMatrixShaper plain(mat33real_t::Identity(), nullptr, MtxShaper_ToPCS);
    EXPECT_EQ(plain.evaluator, &cMatrixShaper::Eval_ToPCS<0>);
    const uint16_t white[3] = {0xFFFF, 0, 0x8000};
    uint16_t out[3];
    plain.Eval(white, out);
    EXPECT_EQ(out[0], 0x8000);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], 0x4000);

    cGammaTable nearly[3] = {Gamma(256, 1.0f), Gamma(256, 1.0f), Gamma(256, 1.0f)};
    nearly[1].table[100] += 3;
    nearly[2].table[7] -= 3;
    const cMatrixShaper dropped(mat33real_t::Identity(), nearly, MtxShaper_ToPCS);
    EXPECT_EQ(dropped.flags & MtxShaper_Bank1, 0u);
    EXPECT_TRUE(dropped.bank1[0].empty());
    nearly[2].table[7] -= 1;
    const cMatrixShaper kept(mat33real_t::Identity(), nearly, MtxShaper_ToPCS);
    EXPECT_EQ(kept.evaluator, &cMatrixShaper::Eval_ToPCS<2>);

    mat33real_t almost = mat33real_t::Identity();
    almost.m[0][1] = 9e-6;
    const cMatrixShaper noMatrix(almost, nullptr, MtxShaper_FromPCS | MtxShaper_Bank2);
    EXPECT_EQ(noMatrix.flags, uint32_t(MtxShaper_FromPCS));
    almost.m[0][1] = 2e-5;
    EXPECT_EQ(cMatrixShaper(almost, nullptr, MtxShaper_FromPCS).evaluator, &cMatrixShaper::Eval_FromPCS<1>);
}

TEST(MatrixShaper, EachCurveReadWithItsOwnCount)
{
    const cGammaTable curves[3] = {Gamma(256, 2.2f), Gamma(4096, 1.8f), Gamma(65535, 2.4f)};
    const cMatrixShaper ms(mat33real_t::Identity(), curves, MtxShaper_ToPCS);
    ASSERT_EQ(ms.evaluator, &cMatrixShaper::Eval_ToPCS<2>);
    for (uint32_t v = 0; v <= 0xFFFF; v += 3) {
        const uint16_t in[3] = {uint16_t(v), uint16_t(v), uint16_t(v)};
        uint16_t out[3];
        ms.Eval(in, out);
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(out[c], curves[c].Eval(uint16_t(v)) >> 1) << c << " " << v;
    }
}

TEST(MatrixShaper, UnusableInputsGiveNoEvaluator)
{
    LogCapture log;
    const cGammaTable withEmpty[3] = {Gamma(256, 2.2f), cGammaTable(), Gamma(256, 2.2f)};
    EXPECT_FALSE(cMatrixShaper(mat33real_t::Identity(), withEmpty, MtxShaper_ToPCS).IsValid());
    mat33real_t nan = mat33real_t::Identity();
    nan.m[1][1] = NAN;
    EXPECT_FALSE(cMatrixShaper(nan, nullptr, MtxShaper_ToPCS).IsValid());
    EXPECT_FALSE(cMatrixShaper(mat33real_t::Identity(), withEmpty, withEmpty, MtxShaper_DeviceLink).IsValid());
    EXPECT_FALSE(log.take().isEmpty());
    EXPECT_FALSE(cMatrixShaper().IsValid());
}

TEST(MatrixShaperDeathTest, ImpossibleFlagsAreInternal)
{
    cMatrixShaper ms;
    ms.flags = MtxShaper_Bank2 | MtxShaper_ToPCS;
    EXPECT_DEATH(ms.CalcEvaluator(), "Unexpected flag combination: c");
}

TEST(MatrixShaper, OversizedMatricesClampInsteadOfWrapping)
{
    // A file's colorants (or the inverse of nearly singular ones) can make a
    // product far beyond 32 bits; it must clamp like any other overflow.
    const struct {
        double row0;
        eMtxShaper_Flags direction;
        uint16_t in;
        uint16_t expected;
    } cases[] = {
        {20000.0, MtxShaper_ToPCS, 0xFFFF, 0xFFFF},
        {-20000.0, MtxShaper_ToPCS, 0xFFFF, 0},
        {20000.0, MtxShaper_FromPCS, 0x8000, 0xFFFF},
        {-20000.0, MtxShaper_FromPCS, 0x8000, 0},
        {1e9, MtxShaper_FromPCS, 0x8000, 0xFFFF},
        {-1e9, MtxShaper_ToPCS, 0xFFFF, 0},
    };
    for (const auto& c : cases) {
        mat33real_t m = mat33real_t::Identity();
        m.m[0][0] = m.m[0][1] = c.row0;
        const cMatrixShaper ms(m, nullptr, c.direction);
        ASSERT_TRUE(ms.IsValid());
        const uint16_t in[3] = {c.in, c.in, c.in};
        uint16_t out[3];
        ms.Eval(in, out);
        EXPECT_EQ(out[0], c.expected) << c.row0 << " " << c.direction;
    }
}
