#include "cmm/Conversion.h"

#include "LogCapture.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <random>

using namespace Nuvra::CMM;

namespace {

using M = cConversion::eMode;
const M XYZ = cConversion::PCS_XYZ;
const M Lab = cConversion::PCS_Lab;
const sCIEXYZ kZero = {0, 0, 0};

struct Side {
    sCIEXYZ black, white, illuminant;
    mat33real_t chad;
};

Side Plain()
{
    return Side{kZero, D50XYZ(), D50XYZ(), mat33real_t::Identity()};
}

bool Configure(cConversion& c, bool absolute, M in, const Side& a, M out, const Side& b, bool bpc,
               float state = 1.0f)
{
    return c.CalcEvaluator(absolute, in, a.black, a.white, a.illuminant, a.chad, out, b.black, b.white,
                           b.illuminant, b.chad, bpc, state);
}

} // namespace

TEST(PcsConversion, EvaluatorChoice)
{
    const struct {
        M in, out;
        bool absolute, bpc;
        cConversion::Evaluator expected;
    } cases[] = {
        {XYZ, XYZ, false, false, nullptr},
        {Lab, Lab, false, false, nullptr},
        {XYZ, Lab, false, false, &cConversion::XYZ2Lab},
        {Lab, XYZ, false, false, &cConversion::Lab2XYZ},
        // Identity factors skip the stage only where it would be a no-op.
        {XYZ, XYZ, true, false, nullptr},
        {Lab, Lab, true, false, nullptr},
        {XYZ, XYZ, false, true, nullptr},
        {Lab, XYZ, true, true, &cConversion::Lab2XYZ},
        {XYZ, M(5), true, false, nullptr},
    };
    for (const auto& c : cases) {
        cConversion conv;
        EXPECT_TRUE(Configure(conv, c.absolute, c.in, Plain(), c.out, Plain(), c.bpc));
        EXPECT_EQ(conv.evaluator, c.expected) << c.in << " " << c.out << " " << c.absolute << c.bpc;
    }
}

TEST(PcsConversion, LabAndXYZStagesMatchReference)
{
    cConversion toXYZ, toLab;
    ASSERT_TRUE(Configure(toXYZ, false, Lab, Plain(), XYZ, Plain(), false));
    ASSERT_TRUE(Configure(toLab, false, XYZ, Plain(), Lab, Plain(), false));
    std::mt19937 rng(2);
    std::uniform_int_distribution<int> l(0, 0xFF00), ab(0x2000, 0xE000);
    const cmsCIEXYZ d50 = {0.9642, 1.0, 0.8249};
    for (int i = 0; i < 20000; ++i) {
        const uint16_t lab[3] = {uint16_t(l(rng)), uint16_t(ab(rng)), uint16_t(ab(rng))};
        uint16_t xyz[3];
        (toXYZ.*toXYZ.evaluator)(lab, xyz);
        cmsCIELab fl;
        cmsLabEncoded2FloatV2(&fl, lab);
        cmsCIEXYZ fx;
        cmsLab2XYZ(&d50, &fx, &fl);
        uint16_t ref[3];
        cmsFloat2XYZEncoded(ref, &fx);
        for (int c = 0; c < 3; ++c)
            ASSERT_LE(std::abs(int(xyz[c]) - int(ref[c])), 1);

        uint16_t back[3];
        (toLab.*toLab.evaluator)(xyz, back);
        cmsCIEXYZ rx;
        cmsXYZEncoded2Float(&rx, xyz);
        cmsCIELab rl;
        cmsXYZ2Lab(&d50, &rl, &rx);
        uint16_t refLab[3];
        cmsFloat2LabEncodedV2(refLab, &rl);
        for (int c = 0; c < 3; ++c)
            ASSERT_LE(std::abs(int(back[c]) - int(refLab[c])), 1);
    }
    const uint16_t black[3] = {0, 0, 0};
    uint16_t out[3];
    (toLab.*toLab.evaluator)(black, out);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0x8000);
    EXPECT_EQ(out[2], 0x8000);
}

TEST(PcsConversion, AbsoluteColorimetricFollowsReference)
{
    // Two profiles with their own media whites and adaptation matrices; the
    // reference sees them through matrix-shaper profiles whose colorants are
    // the unit vectors, so its RGB is our PCS XYZ.
    const sCIEXYZ w[2] = {{0.95f, 1.0f, 1.09f}, {0.96f, 1.0f, 0.70f}};
    const mat33real_t chad[2] = {{{{1.04, 0.02, -0.05}, {0.03, 0.99, -0.02}, {-0.01, 0.01, 0.77}}},
                                 {{{0.98, -0.01, 0.03}, {-0.02, 1.01, 0.01}, {0.02, -0.03, 1.15}}}};
    cmsHPROFILE ref[2];
    Side side[2];
    for (int k = 0; k < 2; ++k) {
        cmsCIExyY d50;
        cmsXYZ2xyY(&d50, cmsD50_XYZ());
        const cmsCIExyYTRIPLE prim = {{0.64, 0.33, 1}, {0.3, 0.6, 1}, {0.15, 0.06, 1}};
        cmsToneCurve* lin = cmsBuildGamma(nullptr, 1.0);
        cmsToneCurve* curves[3] = {lin, lin, lin};
        ref[k] = cmsCreateRGBProfile(&d50, &prim, curves);
        cmsFreeToneCurve(lin);
        cmsSetProfileVersion(ref[k], 4.3);
        cmsSetDeviceClass(ref[k], cmsSigInputClass);
        const cmsCIEXYZ units[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        cmsWriteTag(ref[k], cmsSigRedColorantTag, &units[0]);
        cmsWriteTag(ref[k], cmsSigGreenColorantTag, &units[1]);
        cmsWriteTag(ref[k], cmsSigBlueColorantTag, &units[2]);
        const cmsCIEXYZ wt = {w[k].X, w[k].Y, w[k].Z};
        cmsWriteTag(ref[k], cmsSigMediaWhitePointTag, &wt);
        cmsWriteTag(ref[k], cmsSigChromaticAdaptationTag, chad[k].m);
        // A version 4 profile keeps its media white un-adapted.
        mat33real_t inverse;
        ASSERT_TRUE(Invert(chad[k], inverse));
        side[k] = Side{kZero, inverse * w[k], D50XYZ(), chad[k]};
    }
    for (float state : {1.0f, 0.0f}) {
        cmsSetAdaptationState(state);
        cmsHTRANSFORM xf = cmsCreateTransform(ref[0], TYPE_RGB_DBL, ref[1], TYPE_RGB_DBL,
                                              INTENT_ABSOLUTE_COLORIMETRIC, cmsFLAGS_NOCACHE | cmsFLAGS_NOOPTIMIZE);
        ASSERT_NE(xf, nullptr);
        cConversion conv;
        ASSERT_TRUE(Configure(conv, true, XYZ, side[0], XYZ, side[1], false, state));
        ASSERT_EQ(conv.evaluator, &cConversion::XYZ2XYZ);
        std::mt19937 rng{uint32_t(state)};
        std::uniform_int_distribution<int> d(0, 0x6000);
        for (int i = 0; i < 2000; ++i) {
            const uint16_t in[3] = {uint16_t(d(rng)), uint16_t(d(rng)), uint16_t(d(rng))};
            uint16_t out[3];
            conv.XYZ2XYZ(in, out);
            const double rin[3] = {in[0] / 32768.0, in[1] / 32768.0, in[2] / 32768.0};
            double rout[3];
            cmsDoTransform(xf, rin, rout, 1);
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(out[c], std::min(65535.0, std::max(0.0, rout[c] * 32768.0)), 2.0) << state;
        }
        cmsDeleteTransform(xf);
    }
    cmsSetAdaptationState(1.0);
    cmsCloseProfile(ref[0]);
    cmsCloseProfile(ref[1]);
}

TEST(PcsConversion, BlackPointCompensationMapsBlackToBlack)
{
    Side in = Plain(), out = Plain();
    in.black = sCIEXYZ{0.02f, 0.021f, 0.018f};
    out.black = sCIEXYZ{0.004f, 0.0042f, 0.0035f};
    cConversion conv;
    ASSERT_TRUE(Configure(conv, false, XYZ, in, XYZ, out, true));
    ASSERT_EQ(conv.evaluator, &cConversion::XYZ2XYZ);
    const auto enc = [](const sCIEXYZ& v, uint16_t* o) { v.ToFixed115(o); };
    uint16_t a[3], b[3], r[3];
    enc(in.black, a);
    enc(out.black, b);
    conv.XYZ2XYZ(a, r);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(r[c], b[c], 2);
    enc(D50XYZ(), a);
    conv.XYZ2XYZ(a, r);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(r[c], a[c], 2);

    // Identical black points relative to their illuminants: nothing to do.
    cConversion none;
    ASSERT_TRUE(Configure(none, false, XYZ, in, XYZ, in, true));
    EXPECT_EQ(none.evaluator, nullptr);
}

TEST(PcsConversion, DegenerateWhitesAndBlacksAreRefused)
{
    LogCapture log;
    Side zeroWhite = Plain();
    zeroWhite.white = kZero;
    Side blackIsWhite = Plain();
    blackIsWhite.black = D50XYZ();
    Side singular = Plain();
    singular.chad = mat33real_t{{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}};
    const struct {
        Side in, out;
        bool absolute, bpc;
        float state;
    } cases[] = {
        {Plain(), zeroWhite, true, false, 1.0f},
        {blackIsWhite, Plain(), false, true, 1.0f},
        {zeroWhite, Plain(), false, true, 1.0f},
        {singular, Plain(), true, false, 0.0f},
    };
    for (const auto& c : cases) {
        cConversion conv;
        EXPECT_FALSE(Configure(conv, c.absolute, XYZ, c.in, Lab, c.out, c.bpc, c.state));
        EXPECT_EQ(conv.evaluator, nullptr);
        EXPECT_FALSE(log.take().isEmpty());
    }
}

TEST(ConversionDeathTest, UnknownInputModeIsInternal)
{
    cConversion conv;
    EXPECT_DEATH(Configure(conv, false, M(2), Plain(), XYZ, Plain(), false), "phase error");
}
