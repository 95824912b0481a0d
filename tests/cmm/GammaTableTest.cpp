#include "cmm/GammaTable.h"
#include "cmm/ColorRecords.h"

#include "LogCapture.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <cstring>
#include <vector>

using namespace Nuvra::CMM;

namespace {

struct Parametric {
    int type;
    float p[7];
};

// Same formula numbering as the reference: 1 gamma, 2 and 3 with a cut-off
// at -b/a, 4 and 5 with a linear segment below d; negative types inverse.
const Parametric kCurves[] = {
    {1, {2.2f}},
    {2, {2.4f, 1.1f, -0.1f}},
    {3, {2.2f, 0.95f, 0.05f, 0.02f}},
    {4, {2.4f, float(1 / 1.055), float(0.055 / 1.055), float(1 / 12.92), 0.04045f}},
    {5, {2.2f, 0.89544f, 0.1f, 0.3f, 0.1f, 0.01f, 0.005771f}},
    {-1, {2.2f}},
    {-2, {2.4f, 1.1f, -0.1f}},
    {-3, {2.2f, 0.95f, 0.05f, 0.02f}},
    {-4, {2.4f, float(1 / 1.055), float(0.055 / 1.055), float(1 / 12.92), 0.04045f}},
    {-5, {2.2f, 0.89544f, 0.1f, 0.3f, 0.1f, 0.01f, 0.005771f}},
};

uint32_t BitSerialCrc(const cGammaTable& t)
{
    std::vector<uint8_t> bytes;
    const auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(uint8_t(v >> (8 * i)));
    };
    put32(uint32_t(t.type));
    for (float p : t.params) {
        uint32_t b;
        std::memcpy(&b, &p, 4);
        put32(b);
    }
    put32(uint32_t(t.table.size()));
    for (uint16_t v : t.table) {
        bytes.push_back(uint8_t(v));
        bytes.push_back(uint8_t(v >> 8));
    }
    uint32_t reg = 0xFFFFFFFF;
    for (uint8_t byte : bytes)
        for (int bit = 7; bit >= 0; --bit) {
            const bool top = reg & 0x80000000u;
            reg = (reg << 1) | ((byte >> bit) & 1u);
            if (top)
                reg ^= 0x04C11DB7u;
        }
    return ~reg;
}

cGammaTable Identity(size_t n)
{
    const float one = 1.0f;
    cGammaTable t;
    t.Build(n, 1, &one);
    return t;
}

} // namespace

TEST(GammaTable, ParametricTypesMatchReference)
{
    for (const Parametric& c : kCurves) {
        cGammaTable ours;
        ours.Build(4096, c.type, c.p);
        ASSERT_EQ(ours.table.size(), 4096u) << c.type;
        double p[10] = {};
        for (int i = 0; i < 7; ++i)
            p[i] = c.p[i];
        cmsToneCurve* ref = cmsBuildParametricToneCurve(nullptr, c.type, p);
        ASSERT_NE(ref, nullptr);
        int worst = 0;
        for (int i = 0; i < 4096; ++i) {
            const double y = cmsEvalToneCurveFloat(ref, float(i / 4095.0)) * 65535.0;
            const int expected = int(std::lround(std::min(65535.0, std::max(0.0, y))));
            worst = std::max(worst, std::abs(expected - int(ours.table[i])));
        }
        cmsFreeToneCurve(ref);
        EXPECT_LE(worst, 2) << "type " << c.type;
        EXPECT_EQ(ours.type, c.type);
        EXPECT_EQ(ours.crc, ours.CalcCrc32());
    }
}

TEST(GammaTable, BuildShapes)
{
    const cGammaTable id = Identity(256);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(id.table[i], i * 257);
    EXPECT_TRUE(id.IsMonotonic());
    EXPECT_TRUE(id.HasProperEndpoints());

    const float g = 2.2f;
    cGammaTable big;
    big.Build(100000, 1, &g);
    EXPECT_EQ(big.table.size(), 65530u);

    // One entry: its input is 0 (giving c), not 0/0.
    const float p3[] = {1.0f, 1.0f, 0.0f, 0.25f};
    cGammaTable one;
    one.Build(1, 3, p3);
    ASSERT_EQ(one.table.size(), 1u);
    EXPECT_EQ(one.table[0], 16384);
}

TEST(GammaTable, UnusableFormulasAreRefused)
{
    LogCapture log;
    const float zeroA[] = {2.4f, 0.0f, 0.1f, 0.0f};
    const float zeroC[] = {2.4f, 0.9f, 0.1f, 0.0f, 0.04f};
    const float nan[] = {NAN};
    const struct {
        int type;
        const float* p;
    } cases[] = {{0, nan}, {6, nan}, {-6, nan}, {-2, zeroA}, {-3, zeroA}, {-4, zeroC}, {1, nan}, {1, nullptr}};
    for (const auto& c : cases) {
        cGammaTable t;
        t.Build(256, c.type, c.p);
        EXPECT_TRUE(t.table.empty()) << c.type;
        EXPECT_FALSE(log.take().isEmpty()) << c.type;
    }
    // The forward curve with c = 0 is fine; its analytic inverse is not, so
    // the reverse falls back to the numerical one.
    cGammaTable fwd;
    fwd.Build(1024, 4, zeroC);
    ASSERT_EQ(fwd.table.size(), 1024u);
    cGammaTable inv;
    fwd.Reverse(inv, 0);
    ASSERT_EQ(inv.table.size(), 1024u);
    EXPECT_EQ(inv.type, 0);
}

// With a = 0 the forward formulas are defined everywhere: the threshold -b/a
// lies at minus infinity when b > 0 and is never reached otherwise.
TEST(GammaTable, ForwardFormulasWithoutSlopeAreConstants)
{
    const struct {
        int type;
        std::vector<float> p;
        double value; // the constant, 0..1
    } cases[] = {
        {2, {2.0f, 0.0f, 0.5f}, 0.25},
        {2, {2.0f, 0.0f, -0.5f}, 0.0},
        {2, {2.0f, 0.0f, 0.0f}, 0.0},
        {3, {2.0f, 0.0f, 0.5f, 0.1f}, 0.35},
        {3, {2.0f, 0.0f, -0.5f, 0.1f}, 0.1},
        {3, {2.0f, 0.0f, 0.0f, 0.2f}, 0.2},
    };
    LogCapture log;
    for (const auto& c : cases) {
        cGammaTable t;
        t.Build(256, c.type, c.p.data());
        ASSERT_EQ(t.table.size(), 256u) << c.type << " " << c.p[2];
        for (uint16_t v : t.table)
            ASSERT_NEAR(v, c.value * 65535.0, 1.0) << c.type << " " << c.p[2];
    }
    EXPECT_TRUE(log.take().isEmpty());
}

TEST(GammaTable, CrcFollowsItsBitSerialDefinition)
{
    const cGammaTable a = Identity(300);
    EXPECT_EQ(a.crc, BitSerialCrc(a));
    cGammaTable b = a;
    b.table[17] ^= 1;
    EXPECT_EQ(b.CalcCrc32(), BitSerialCrc(b));
    EXPECT_NE(b.CalcCrc32(), a.crc);
    EXPECT_EQ(cGammaTable().CalcCrc32(), BitSerialCrc(cGammaTable()));
}

TEST(GammaTable, ReverseAnalyticWhileUntouchedNumericAfterwards)
{
    const Parametric& srgb = kCurves[3];
    cGammaTable c;
    c.Build(1024, 4, srgb.p);
    cGammaTable r;
    c.Reverse(r, 0);
    cGammaTable expected;
    expected.Build(1024, -4, srgb.p);
    EXPECT_EQ(r.type, -4);
    EXPECT_EQ(r.table, expected.table);
    EXPECT_EQ(r.crc, expected.crc);

    c.table[500] += 1;
    c.Reverse(r, 0);
    EXPECT_EQ(r.type, 0);
    EXPECT_EQ(r.crc, 0u);
    ASSERT_EQ(r.table.size(), 1024u);
    int worst = 0;
    for (size_t i = 0; i < r.table.size(); ++i)
        worst = std::max(worst, std::abs(int(r.table[i]) - int(expected.table[i])));
    EXPECT_LE(worst, 64); // the numerical inverse of a steep start is coarse

    // In place, and with a different count.
    cGammaTable self;
    self.Build(1024, 4, srgb.p);
    self.Reverse(self, 4096);
    EXPECT_EQ(self.type, -4);
    EXPECT_EQ(self.table.size(), 4096u);
}

TEST(GammaTable, DecreasingCurvesReverse)
{
    // 1 - x^2.2, sampled: a decreasing table.
    for (size_t n : {256u, 4096u}) {
        cGammaTable dec;
        dec.table.resize(n);
        for (size_t i = 0; i < n; ++i)
            dec.table[i] = uint16_t(std::lround(65535.0 * (1.0 - std::pow(double(i) / (n - 1), 2.2))));
        cGammaTable inv;
        dec.Reverse(inv, 4096);
        ASSERT_EQ(inv.table.size(), 4096u);
        EXPECT_FALSE(inv.IsMonotonic());
        for (int y = 0; y <= 65535; y += 97) {
            const uint16_t x = inv.Eval(uint16_t(y));
            EXPECT_NEAR(dec.Eval(x), y, 80) << n << " " << y;
        }
    }
}

TEST(GammaTable, JoinOfACurveWithItselfIsIdentity)
{
    const Parametric& five = kCurves[4];
    cGammaTable f, finv;
    f.Build(4096, 5, five.p);
    finv.Build(4096, -5, five.p);
    cGammaTable j;
    j.Join(f, f);
    ASSERT_EQ(j.table.size(), 256u);
    EXPECT_EQ(j.crc, 0u);
    for (int i = 0; i < 256; ++i)
        EXPECT_NEAR(j.table[i], i * 257, 40) << i;
    // The analytic inverse undoes the forward curve.
    for (int v = 0; v <= 65535; v += 255)
        EXPECT_NEAR(finv.Eval(f.Eval(uint16_t(v))), v, 40) << v;
}

TEST(GammaTable, SlopeLimiting)
{
    const float g = 2.2f;
    cGammaTable c;
    c.Build(4096, 1, &g);
    c.table[0] = 7;
    const cGammaTable before = c;
    c.SlopeLimiting();
    const double slope = before.table[81] / 81.0;
    for (int i = 0; i < 81; ++i)
        EXPECT_EQ(c.table[i], uint16_t(std::floor(i * slope + 0.5))) << i;
    for (int i = 81; i < 4096; ++i)
        ASSERT_EQ(c.table[i], before.table[i]);

    cGammaTable small;
    small.Build(49, 1, &g);
    small.table[0] = 9;
    const cGammaTable s0 = small;
    small.SlopeLimiting();
    EXPECT_EQ(small.table, s0.table);

    cGammaTable sixty;
    sixty.Build(60, 1, &g);
    sixty.table[0] = 9;
    const cGammaTable s1 = sixty;
    sixty.SlopeLimiting();
    EXPECT_EQ(sixty.table[0], 0);
    EXPECT_TRUE(std::equal(sixty.table.begin() + 1, sixty.table.end(), s1.table.begin() + 1));
}

TEST(GammaTable, ResampleAndSampledCurves)
{
    const Parametric& srgb = kCurves[3];
    cGammaTable c;
    c.Build(1024, 4, srgb.p);
    const cGammaTable kept = c;
    c.Resample(1024);
    EXPECT_EQ(c.crc, kept.crc);
    EXPECT_EQ(c.type, 4);
    EXPECT_EQ(c.table, kept.table);

    c.Resample(4096);
    EXPECT_EQ(c.table.size(), 4096u);
    EXPECT_EQ(c.type, 0);
    EXPECT_EQ(c.crc, 0u);
    cGammaTable direct;
    direct.Build(4096, 4, srgb.p);
    for (size_t i = 0; i < 4096; ++i)
        ASSERT_NEAR(c.table[i], direct.table[i], 40) << i;

    EXPECT_TRUE(cSampledCurve(kept, 0).samples.empty());
    EXPECT_THROW(cSampledCurve(kept, -1), std::length_error);

    cSampledCurve s;
    s.samples = {-5.0f, 0.0f, 0.5f, 1.0f, 2.0f, NAN};
    const cGammaTable fromSamples(s, 1.0f);
    const std::vector<uint16_t> expected = {0, 0, 32768, 0xFFFF, 0xFFFF, 0};
    EXPECT_EQ(fromSamples.table, expected);
}

TEST(GammaTable, LabPrelinearizationAndLstarCurves)
{
    cGammaTable t[3];
    cGammaTable::CreateLabPrelinearization(t);
    ASSERT_EQ(t[0].table.size(), 257u);
    EXPECT_EQ(t[0].table[255], 0xFFFF);
    EXPECT_EQ(t[0].table[256], 0xFFFF);
    EXPECT_EQ(t[0].table[128], 128 * 257);
    EXPECT_EQ(t[0].crc, 0u);
    EXPECT_EQ(t[1].table, Identity(257).table);
    EXPECT_EQ(t[2].table, t[1].table);

    // L* identity to XYZ, against the reference's Lab to XYZ.
    const cGammaTable lstar = Identity(4096);
    cGammaTable xyz[3];
    lstar.FromLstarToXYZ(xyz);
    const cmsCIEXYZ d50 = {0.9642, 1.0, 0.8249};
    for (int i = 0; i < 4096; i += 13) {
        const cmsCIELab lab = {std::lround(i * 65535.0 / 4095.0) * 100.0 / 65535.0, 0, 0};
        cmsCIEXYZ ref;
        cmsLab2XYZ(&d50, &ref, &lab);
        EXPECT_NEAR(xyz[0].table[i], ref.X * 65535.0 / 0.9642, 1.5) << i;
        EXPECT_NEAR(xyz[1].table[i], ref.Y * 65535.0, 1.5) << i;
        EXPECT_NEAR(xyz[2].table[i], ref.Z * 65535.0 / 0.8249, 1.5) << i;
    }
}
