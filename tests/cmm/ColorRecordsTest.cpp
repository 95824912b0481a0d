#include "cmm/ColorRecords.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <random>

using namespace Nuvra::CMM;

namespace {

const cmsCIEXYZ kLcmsD50 = {0.9642, 1.0, 0.8249};

} // namespace

TEST(ColorRecords, LabEncodingMatchesReferenceWithinOneUnit)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> l(0.0f, 100.0f), ab(-128.0f, 127.99f);
    for (int i = 0; i < 20000; ++i) {
        const sCIELab lab{l(rng), ab(rng), ab(rng)};
        uint16_t ours[3];
        lab.ToFixed(ours);
        const cmsCIELab ref = {lab.L, lab.a, lab.b};
        uint16_t theirs[3];
        cmsFloat2LabEncodedV2(theirs, &ref);
        for (int c = 0; c < 3; ++c)
            ASSERT_LE(std::abs(int(ours[c]) - int(theirs[c])), 1) << lab.L << " " << lab.a << " " << lab.b;

        sCIELab back;
        back.SetFromFixed(ours);
        cmsCIELab refBack;
        cmsLabEncoded2FloatV2(&refBack, ours);
        EXPECT_NEAR(back.L, refBack.L, 1e-4);
        EXPECT_NEAR(back.a, refBack.a, 1e-4);
        EXPECT_NEAR(back.b, refBack.b, 1e-4);
    }
}

TEST(ColorRecords, Fixed115EncodingMatchesReferenceWithinOneUnit)
{
    std::mt19937 rng(8);
    std::uniform_real_distribution<float> v(0.0f, 1.99f);
    for (int i = 0; i < 20000; ++i) {
        const sCIEXYZ xyz{v(rng), v(rng), v(rng)};
        uint16_t ours[3];
        xyz.ToFixed115(ours);
        const cmsCIEXYZ ref = {xyz.X, xyz.Y, xyz.Z};
        uint16_t theirs[3];
        cmsFloat2XYZEncoded(theirs, &ref);
        for (int c = 0; c < 3; ++c)
            ASSERT_LE(std::abs(int(ours[c]) - int(theirs[c])), 1);
        sCIEXYZ back;
        back.SetFromFixed115(ours);
        cmsCIEXYZ refBack;
        cmsXYZEncoded2Float(&refBack, ours);
        EXPECT_NEAR(back.X, refBack.X, 1e-6);
        EXPECT_NEAR(back.Y, refBack.Y, 1e-6);
        EXPECT_NEAR(back.Z, refBack.Z, 1e-6);
    }
}

TEST(ColorRecords, ConversionsMatchReference)
{
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> v(0.001f, 1.2f);
    for (int i = 0; i < 20000; ++i) {
        const sCIEXYZ xyz{v(rng), v(rng), v(rng)};
        const cmsCIEXYZ ref = {xyz.X, xyz.Y, xyz.Z};

        sCIELab lab;
        lab.Set(xyz);
        cmsCIELab refLab;
        cmsXYZ2Lab(&kLcmsD50, &refLab, &ref);
        ASSERT_NEAR(lab.L, refLab.L, 2e-3);
        ASSERT_NEAR(lab.a, refLab.a, 2e-3);
        ASSERT_NEAR(lab.b, refLab.b, 2e-3);

        sCIEXYZ back;
        back.Set(lab);
        cmsCIEXYZ refBack;
        cmsLab2XYZ(&kLcmsD50, &refBack, &refLab);
        ASSERT_NEAR(back.X, refBack.X, 1e-4);
        ASSERT_NEAR(back.Y, refBack.Y, 1e-4);
        ASSERT_NEAR(back.Z, refBack.Z, 1e-4);

        sCIExyY xyY;
        xyY.Set(xyz);
        cmsCIExyY refxyY;
        cmsXYZ2xyY(&refxyY, &ref);
        ASSERT_NEAR(xyY.x, refxyY.x, 1e-6);
        ASSERT_NEAR(xyY.y, refxyY.y, 1e-6);
        ASSERT_NEAR(xyY.Y, refxyY.Y, 1e-6);

        sCIEXYZ fromxyY;
        fromxyY.Set(xyY);
        ASSERT_NEAR(fromxyY.X, xyz.X, 1e-5);
        ASSERT_NEAR(fromxyY.Z, xyz.Z, 1e-5);

        if (std::fabs(lab.a) > 190.0f || std::fabs(lab.b) > 190.0f)
            continue;
        const sCIELab other{lab.L + 1.0f, lab.a - 2.0f, lab.b};
        const cmsCIELab refOther = {other.L, other.a, other.b};
        const cmsCIELab refMine = {lab.L, lab.a, lab.b};
        ASSERT_NEAR(lab.DeltaE(other), cmsDeltaE(&refMine, &refOther), 1e-4);
    }
}

TEST(ColorRecords, EdgesOfTheEncodingsAndConversions)
{
    sCIELab lab;
    EXPECT_EQ(lab.Set(sCIEXYZ{0, 0, 0}).L, 0.0f);
    lab.Set(sCIEXYZ{1e-6f, -1e-6f, 0.5e-6f});
    EXPECT_EQ(lab.L, 0.0f);
    EXPECT_EQ(lab.a, 0.0f);
    EXPECT_EQ(lab.b, 0.0f);

    lab.Set(D50XYZ());
    EXPECT_NEAR(lab.L, 100.0f, 1e-4);
    EXPECT_NEAR(lab.a, 0.0f, 1e-4);
    EXPECT_NEAR(lab.b, 0.0f, 1e-4);
    uint16_t enc[3];
    lab.ToFixed(enc);
    EXPECT_EQ(enc[0], 0xFF00);
    EXPECT_EQ(enc[1], 0x8000);
    EXPECT_EQ(enc[2], 0x8000);

    sCIEXYZ xyz;
    xyz.Set(sCIELab{-1.0f, 20.0f, 20.0f});
    EXPECT_EQ(xyz.X, 0.0f);
    EXPECT_EQ(xyz.Y, 0.0f);
    EXPECT_EQ(xyz.Z, 0.0f);

    const struct {
        sCIEXYZ in;
        uint16_t out[3];
    } fixed115[] = {
        {{0.5f, -0.1f, 0.5f}, {0, 0, 0}},
        {{2.5f, 1.0f, -1.0f}, {0xFFFF, 0x8000, 0}},
        {{NAN, 0.5f, INFINITY}, {0, 0x4000, 0xFFFF}},
    };
    for (const auto& c : fixed115) {
        uint16_t o[3];
        c.in.ToFixed115(o);
        EXPECT_EQ(o[0], c.out[0]);
        EXPECT_EQ(o[1], c.out[1]);
        EXPECT_EQ(o[2], c.out[2]);
    }

    const struct {
        sCIELab in;
        uint16_t out[3];
    } fixedLab[] = {
        {{50.0f, 200.0f, -300.0f}, {0x7F80, 0xFFFF, 0}},
        {{150.0f, 0.0f, 0.0f}, {0xFF00, 0x8000, 0x8000}},
        {{NAN, NAN, -INFINITY}, {0, 0, 0}},
        // Just below half a unit: rounding a float product first would round up.
        {{60.8831177f, 0.0019531f, -0.0019532f}, {39744, 32768, 32767}},
    };
    for (const auto& c : fixedLab) {
        uint16_t o[3];
        c.in.ToFixed(o);
        EXPECT_EQ(o[0], c.out[0]);
        EXPECT_EQ(o[1], c.out[1]);
        EXPECT_EQ(o[2], c.out[2]);
    }
}

TEST(ColorRecords, DeltaEGuardsOutOfRangeColours)
{
    const sCIELab a{50, 10, 10};
    EXPECT_EQ(a.DeltaE(a), 0.0f);
    EXPECT_EQ(a.DeltaE(sCIELab{50, 250, 0}), 65536.0f);
    EXPECT_EQ((sCIELab{50, 0, -201}).DeltaE(a), 65536.0f);
    EXPECT_EQ(a.DeltaE(sCIELab{-0.5f, 0, 0}), 65536.0f);
    EXPECT_EQ(a.DeltaE(sCIELab{NAN, 0, 0}), 65536.0f);
}

TEST(ColorRecords, DaylightWhitePointFromTemperature)
{
    for (int t = 4000; t <= 25000; t += 250) {
        sCIExyY ours;
        ASSERT_TRUE(ours.SetWhitePointFromTemp(t));
        cmsCIExyY ref;
        ASSERT_TRUE(cmsWhitePointFromTemp(&ref, t));
        EXPECT_NEAR(ours.x, ref.x, 2e-5) << t;
        EXPECT_NEAR(ours.y, ref.y, 2e-5) << t;
        EXPECT_EQ(ours.Y, 1.0f);
    }
    sCIExyY d65;
    ASSERT_TRUE(d65.SetWhitePointFromTemp(6504));
    EXPECT_NEAR(d65.x, 0.3127, 2e-4);
    EXPECT_NEAR(d65.y, 0.329, 2e-4);

    // Both ends of both coefficient ranges.
    for (int t : {4000, 7000, 7001, 25000}) {
        sCIExyY ours;
        ASSERT_TRUE(ours.SetWhitePointFromTemp(t));
        cmsCIExyY ref;
        ASSERT_TRUE(cmsWhitePointFromTemp(&ref, t));
        EXPECT_NEAR(ours.x, ref.x, 2e-5) << t;
        EXPECT_NEAR(ours.y, ref.y, 2e-5) << t;
    }

    for (int bad : {3999, 25001, 0, -6500}) {
        sCIExyY w{0.1f, 0.2f, 0.3f};
        EXPECT_FALSE(w.SetWhitePointFromTemp(bad));
        EXPECT_EQ(w.x, 0.1f);
        EXPECT_EQ(w.y, 0.2f);
        EXPECT_EQ(w.Y, 0.3f);
    }
}
