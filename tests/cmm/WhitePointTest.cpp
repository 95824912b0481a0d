#include "cmm/WhitePoint.h"

#include "LogCapture.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>

using namespace Nuvra::CMM;

namespace {

const sCIExyYTriple kSRGB = {{0.64f, 0.33f, 1.0f}, {0.30f, 0.60f, 1.0f}, {0.15f, 0.06f, 1.0f}};

sCIExyY Daylight(int kelvin)
{
    sCIExyY w;
    w.SetWhitePointFromTemp(kelvin);
    return w;
}

} // namespace

TEST(WhitePoint, BradfordAdaptationMatchesReference)
{
    const sCIEXYZ whites[] = {{0.9505f, 1.0f, 1.089f}, {1.0985f, 1.0f, 0.3558f}, {0.9642f, 1.0f, 0.8249f},
                              {0.8f, 1.0f, 1.3f}};
    for (const sCIEXYZ& from : whites)
        for (const sCIEXYZ& to : whites) {
            mat33real_t m;
            ASSERT_TRUE(AdaptationMatrix(m, from, to, nullptr));
            const cmsCIEXYZ f = {from.X, from.Y, from.Z}, t = {to.X, to.Y, to.Z};
            for (int col = 0; col < 3; ++col) {
                cmsCIEXYZ unit = {col == 0 ? 1.0 : 0.0, col == 1 ? 1.0 : 0.0, col == 2 ? 1.0 : 0.0};
                cmsCIEXYZ r;
                ASSERT_TRUE(cmsAdaptToIlluminant(&r, &f, &t, &unit));
                EXPECT_NEAR(m.m[0][col], r.X, 1e-5);
                EXPECT_NEAR(m.m[1][col], r.Y, 1e-5);
                EXPECT_NEAR(m.m[2][col], r.Z, 1e-5);
            }
        }
    mat33real_t same;
    ASSERT_TRUE(AdaptationMatrix(same, whites[0], whites[0], nullptr));
    EXPECT_TRUE(same.IsClose(mat33real_t::Identity(), 1e-7));
}

TEST(WhitePoint, RgbMatrixAdaptedToD50MatchesReferenceColorants)
{
    const sCIExyY white = Daylight(6504);
    mat33real_t m;
    ASSERT_TRUE(BuildRGB2XYZ_TransferMatrix(m, white, kSRGB));
    EXPECT_NEAR(m.m[1][0] + m.m[1][1] + m.m[1][2], 1.0, 1e-6);
    ASSERT_TRUE(AdaptMatrixToD50(m, white));

    const cmsCIExyY w = {white.x, white.y, 1.0};
    const cmsCIExyYTRIPLE p = {{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    cmsHPROFILE ref = cmsCreateRGBProfile(&w, &p, nullptr);
    const cmsTagSignature tags[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag};
    for (int col = 0; col < 3; ++col) {
        const auto* c = static_cast<const cmsCIEXYZ*>(cmsReadTag(ref, tags[col]));
        ASSERT_NE(c, nullptr);
        EXPECT_NEAR(m.m[0][col], c->X, 1e-4);
        EXPECT_NEAR(m.m[1][col], c->Y, 1e-4);
        EXPECT_NEAR(m.m[2][col], c->Z, 1e-4);
    }
    cmsCloseProfile(ref);

    sCIEXYZ adapted;
    ASSERT_TRUE(AdaptToIlluminant(adapted, sCIEXYZ().Set(white), D50XYZ(), sCIEXYZ().Set(white)));
    EXPECT_NEAR(adapted.X, 0.9642, 1e-5);
    EXPECT_NEAR(adapted.Z, 0.8249, 1e-5);
}

TEST(WhitePoint, UnusableInputsAreRefused)
{
    LogCapture log;
    mat33real_t m = mat33real_t::Identity();
    const sCIExyY zeroY = {0.3f, 0.0f, 1.0f};
    EXPECT_FALSE(BuildRGB2XYZ_TransferMatrix(m, zeroY, kSRGB));
    EXPECT_FALSE(BuildRGB2XYZ_TransferMatrix(m, sCIExyY{NAN, 0.3f, 1.0f}, kSRGB));
    const sCIExyYTriple collinear = {{0.2f, 0.2f, 1}, {0.3f, 0.3f, 1}, {0.4f, 0.4f, 1}};
    EXPECT_FALSE(BuildRGB2XYZ_TransferMatrix(m, Daylight(6504), collinear));
    EXPECT_FALSE(AdaptMatrixToD50(m, zeroY));
    EXPECT_TRUE(m.IsClose(mat33real_t::Identity(), 0.0));

    EXPECT_FALSE(AdaptationMatrix(m, sCIEXYZ{0, 0, 0}, D50XYZ(), nullptr));
    const mat33real_t singular = {{{1, 2, 3}, {2, 4, 6}, {0, 0, 1}}};
    EXPECT_FALSE(AdaptationMatrix(m, D50XYZ(), D50XYZ(), &singular));
    sCIEXYZ r{1, 2, 3};
    EXPECT_FALSE(AdaptToIlluminant(r, sCIEXYZ{0, 0, 0}, D50XYZ(), D50XYZ()));
    EXPECT_EQ(r.X, 1.0f);
    EXPECT_FALSE(log.take().isEmpty());
}

TEST(WhitePoint, NamesOfWhitePoints)
{
    const struct {
        sCIExyY white;
        const char* name;
    } cases[] = {
        {{0.3127f, 0.3291f, 1.0f}, "D65 (daylight)"},
        {Daylight(5000), "D50"},
        {Daylight(4000), "D40"},
        {{0.44757f, 0.40745f, 1.0f}, "CIE illuminant A"},
        {{0.3101f, 0.3162f, 1.0f}, "CIE illuminant C"},
        {{0.70f, 0.29f, 1.0f}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortIdentifyWhitePoint(c.white), QString(c.name));

    // Away from every entry: the correlated temperature, as the reference
    // estimates it.
    for (const sCIExyY w : {sCIExyY{0.3333f, 0.3333f, 1.0f}, sCIExyY{0.29f, 0.30f, 1.0f},
                            sCIExyY{0.40f, 0.39f, 1.0f}}) {
        const QString name = ShortIdentifyWhitePoint(w);
        ASSERT_TRUE(name.endsWith('K')) << name.toStdString();
        const int ours = name.chopped(1).toInt();
        const cmsCIExyY ref = {w.x, w.y, 1.0};
        double t = 0;
        ASSERT_TRUE(cmsTempFromWhitePoint(&t, &ref));
        EXPECT_NEAR(ours, t, 5.0) << name.toStdString();
    }
}
