#include "cmm/MatrixShaper.h"
#include "cmm/IccTags.h"
#include "cmm/Profile.h"

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

sCIExyY D50xyY()
{
    sCIExyY w;
    return w.Set(D50XYZ());
}

} // namespace

TEST(MatrixShaperBuild, SrgbProfileBothWaysAndAgainstReference)
{
    const cProfile::ptr_t srgb = cProfile::Create_sRGB();
    ASSERT_TRUE(srgb);
    cMatrixShaper to, from;
    cMatrixShaper::BuildToPCS(*srgb, to);
    cMatrixShaper::BuildFromPCS(*srgb, from);
    ASSERT_EQ(to.evaluator, &cMatrixShaper::Eval_ToPCS<3>);
    ASSERT_EQ(from.evaluator, &cMatrixShaper::Eval_FromPCS<3>);

    const uint16_t white[3] = {0xFFFF, 0xFFFF, 0xFFFF};
    uint16_t pcs[3], back[3];
    to.Eval(white, pcs);
    from.Eval(pcs, back);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(back[c], 0xFFFF, 8);

    cmsHPROFILE ref = cmsCreate_sRGBProfile();
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM xf = cmsCreateTransform(ref, TYPE_RGB_16, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC,
                                          cmsFLAGS_NOCACHE);
    std::mt19937 rng(12);
    const double worst = Nuvra::CMM::Test::worstDeltaEAgainstReference(
        [&](const uint16_t* in, uint16_t* out) { to.Eval(in, out); }, xf, rng, 20000);
    EXPECT_LT(worst, 0.8);
    cmsDeleteTransform(xf);
    cmsCloseProfile(ref);
    cmsCloseProfile(lab);

    // Device to device through the same profile.
    std::uniform_int_distribution<int> d(0, 65535);
    cMatrixShaper link;
    cMatrixShaper::BuildNonePCS(*srgb, *srgb, link);
    ASSERT_EQ(link.evaluator, &cMatrixShaper::Eval_NonePCS<6>);
    for (int i = 0; i < 5000; ++i) {
        const uint16_t in[3] = {uint16_t(d(rng)), uint16_t(d(rng)), uint16_t(d(rng))};
        link.Eval(in, back);
        for (int c = 0; c < 3; ++c)
            ASSERT_NEAR(back[c], in[c], 0.01 * in[c] + 16);
    }
}

TEST(MatrixShaperBuild, GrayRoundTripKeepsGrey)
{
    // The device grey comes back from the PCS luminance alone, for both
    // connection spaces; a grey taken relative to the illuminant's X would
    // come back about 2 % too light.
    const cGammaTable curve = Gamma(256, 2.2f);
    const sCIExyY white = D50xyY();
    for (uint32_t pcs : {Sig::XYZ, Sig::Lab}) {
        const cProfile::ptr_t gray = cProfile::CreateGray(&white, &curve);
        ASSERT_TRUE(gray);
        gray->setPCS(pcs);
        cMatrixShaper to, from;
        cMatrixShaper::BuildToPCS(*gray, to);
        cMatrixShaper::BuildFromPCS(*gray, from);
        ASSERT_TRUE(to.IsValid());
        ASSERT_TRUE(from.IsValid());
        // Below about 0x2000 the 256-entry inverse of a gamma curve is too
        // coarse for a close round trip.
        for (uint32_t g = 0x2000; g <= 0xFFFF; g += 0x400) {
            const uint16_t in[3] = {uint16_t(g), uint16_t(g), uint16_t(g)};
            uint16_t xyz[3], back[3];
            to.Eval(in, xyz);
            EXPECT_NEAR(xyz[0], xyz[1] * 0.9642, 40) << g;
            from.Eval(xyz, back);
            EXPECT_NEAR(back[0], g, 0.004 * g + 24) << pcs << " " << g;
            EXPECT_NEAR(back[1], back[0], 0.004 * g + 24);
        }
    }

    // Against the reference's gray profile, XYZ to grey.
    cmsToneCurve* g22 = cmsBuildGamma(nullptr, 2.2);
    cmsHPROFILE ref = cmsCreateGrayProfile(cmsD50_xyY(), g22);
    cmsHPROFILE xyzProfile = cmsCreateXYZProfile();
    cmsHTRANSFORM xf = cmsCreateTransform(xyzProfile, TYPE_XYZ_16, ref, TYPE_GRAY_16,
                                          INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE | cmsFLAGS_NOOPTIMIZE);
    ASSERT_NE(xf, nullptr);
    const cProfile::ptr_t gray = cProfile::CreateGray(&white, &curve);
    cMatrixShaper from;
    cMatrixShaper::BuildFromPCS(*gray, from);
    for (double y = 0.05; y <= 1.0; y += 0.02) {
        const sCIEXYZ v = {float(0.9642 * y), float(y), float(0.8249 * y)};
        uint16_t enc[3], ours[3], theirs;
        v.ToFixed115(enc);
        from.Eval(enc, ours);
        cmsDoTransform(xf, enc, &theirs, 1);
        EXPECT_NEAR(ours[0], theirs, 0.003 * theirs + 24) << y;
    }
    cmsDeleteTransform(xf);
    cmsCloseProfile(ref);
    cmsCloseProfile(xyzProfile);
    cmsFreeToneCurve(g22);
}

TEST(MatrixShaperBuild, MissingTagsOrSingularMatricesGiveNoEvaluator)
{
    const sCIExyY white = D50xyY();
    const sCIExyYTriple prim = {{0.64f, 0.33f, 1}, {0.30f, 0.60f, 1}, {0.15f, 0.06f, 1}};
    const cProfile::ptr_t noCurves = cProfile::CreateRGB(&white, &prim, nullptr);
    const cProfile::ptr_t noGrayCurve = cProfile::CreateGray(&white, nullptr);
    const cProfile::ptr_t srgb = cProfile::Create_sRGB();
    ASSERT_TRUE(noCurves && noGrayCurve && srgb);
    cMatrixShaper ms;
    cMatrixShaper::BuildToPCS(*noCurves, ms);
    EXPECT_FALSE(ms.IsValid());
    cMatrixShaper::BuildFromPCS(*noGrayCurve, ms);
    EXPECT_FALSE(ms.IsValid());
    cMatrixShaper::BuildNonePCS(*srgb, *noCurves, ms);
    EXPECT_FALSE(ms.IsValid());

    // Colorants in a plane: no way back from the PCS.
    const cProfile::ptr_t flat = cProfile::Create_sRGB();
    flat->SetTagValue(Sig::BXYZ, sCIEXYZ{0.0f, 0.0f, 0.0f});
    cMatrixShaper::BuildToPCS(*flat, ms);
    EXPECT_TRUE(ms.IsValid());
    cMatrixShaper::BuildFromPCS(*flat, ms);
    EXPECT_FALSE(ms.IsValid());
    cMatrixShaper::BuildNonePCS(*srgb, *flat, ms);
    EXPECT_FALSE(ms.IsValid());

    LogCapture log;
    const cGammaTable curve = Gamma(256, 2.2f);
    const cProfile::ptr_t dark = cProfile::CreateGray(&white, &curve);
    dark->setIlluminant(sCIEXYZ{0.0f, 0.0f, 0.0f});
    cMatrixShaper::BuildGrayFromPCS(*dark, ms);
    EXPECT_FALSE(ms.IsValid());
    EXPECT_FALSE(log.take().isEmpty());
}
