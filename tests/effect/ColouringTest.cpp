#include "effect/Clamp.h"
#include "effect/Colouring.h"
#include "effect/MorvelinParams.h"
#include "pixelstore/CpuFeatures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cstdint>
#include <limits>
#include <vector>

using namespace Nuvra::Effect;

namespace {

Morvelin_paramsCalc baseParams()
{
    Morvelin_paramsCalc p{};
    p.dark_lum_pred = 40;
    p.middle_lum_pred = 150;
    p.high_lum_pred = 195;
    p.dark_lum = 51;
    p.middle_lum = 156;
    p.high_lum = 250;
    p.darkColor = 0xFF1A2B6C;
    p.midDarkColor = 0xFF3F7F2A;
    p.midColor = 0xFFC08040;
    p.midLightColor = 0xFFE0D0A0;
    p.lightColor = 0xFFF4F0FE;
    p.noise = 17;
    p.contrast = 0.2f;
    p.darken = 0.9f;
    return p;
}

// Double-precision model of the colouring, written from the description.
struct Model {
    double p[3], q[3], amp, cf, darken;
    bool noiseOn, contrastOn;
    double pal[5][3];
    double dark[3], light[3];

    explicit Model(const Morvelin_paramsCalc& m)
    {
        const int pp[3] = {m.dark_lum_pred, m.middle_lum_pred, m.high_lum_pred};
        const int qq[3] = {m.dark_lum, m.middle_lum, m.high_lum};
        for (int i = 0; i < 3; ++i) {
            p[i] = pp[i] / 255.0;
            q[i] = qq[i] / 255.0;
        }
        amp = m.noise;
        noiseOn = m.noise != 0;
        contrastOn = m.contrast != 0;
        cf = m.contrast <= 0 ? m.contrast + 1.0 : 1.001 / (1.0 - m.contrast);
        darken = m.darken;
        const uint32_t c[5] = {m.darkColor, m.midDarkColor, m.midColor, m.midLightColor, m.lightColor};
        for (int i = 0; i < 5; ++i)
            ycc(((c[i] >> 16) & 255) / 255.0, ((c[i] >> 8) & 255) / 255.0, (c[i] & 255) / 255.0, pal[i]);
        for (int i = 0; i < 3; ++i) {
            dark[i] = ((m.darkColor >> (16 - 8 * i)) & 255);
            light[i] = ((m.lightColor >> (16 - 8 * i)) & 255);
        }
    }
    static double clamp(double v) { return std::min(1.0, std::max(0.0, v)); }
    static void ycc(double r, double g, double b, double out[3])
    {
        out[0] = 0.299 * r + 0.587 * g + 0.114 * b;
        out[1] = -0.16874 * r - 0.33126 * g + 0.5 * b;
        out[2] = 0.5 * r - 0.41869 * g - 0.08131 * b;
    }
    double tone(double y) const
    {
        const double xs[5] = {0, p[0], p[1], p[2], 1}, ys[5] = {0, q[0], q[1], q[2], 1};
        const int i = y < p[0] ? 0 : y <= p[1] ? 1 : y <= p[2] ? 2 : 3;
        return ys[i] + (ys[i + 1] - ys[i]) * (y - xs[i]) / (xs[i + 1] - xs[i]);
    }
    double noiseTerm(double v, double t, double n) const
    {
        return noiseOn ? v + (1 - t) * (1 - t) * t * t * t * (29.0 / 255.0) * amp * n : v;
    }
    double contrast(double v) const { return contrastOn ? (v - 0.5) * cf + 0.5 : v; }
    void lookup(double y, double out[3]) const
    {
        const double xs[5] = {0, p[0], p[1], p[2], 1};
        int seg = y < p[0] ? 0 : y <= p[1] ? 1 : y <= p[2] ? 2 : 3;
        const double f = (y - xs[seg]) / (xs[seg + 1] - xs[seg]);
        for (int k = 0; k < 3; ++k)
            out[k] = pal[seg][k] + f * (pal[seg + 1][k] - pal[seg][k]);
    }
    static void limit(double y, double& cb, double& cr)
    {
        auto g = [&] { return y - 0.34414 * cb - 0.71414 * cr; };
        auto sc = [&](double f) { cb *= f; cr *= f; };
        if (g() < 0) sc(y / (0.34414 * cb + 0.71414 * cr));
        if (g() > 1) sc((y - 1) / (0.34414 * cb + 0.71414 * cr));
        if (y / -1.772 > cb) sc(y / (-1.772 * cb));
        if (cb > (1 - y) / 1.772) sc((1 - y) / (1.772 * cb));
        if (y / -1.402 > cr) sc(y / (-1.402 * cr));
        if (cr > (1 - y) / 1.402) sc((1 - y) / (1.402 * cr));
    }
    static void rgb(double y, double cb, double cr, int out[3])
    {
        const double yy = clamp(y) * 255, u = cb * 255, v = cr * 255;
        const double c[3] = {yy + 1.402 * v, yy - 0.34414 * u - 0.71414 * v, yy + 1.772 * u};
        for (int k = 0; k < 3; ++k)
            out[k] = int(std::min(255.0, std::max(0.0, std::round(c[k]))));
    }
    void body(ColourBody which, double y, double n, int out[3]) const
    {
        double c[3];
        switch (which) {
        case ColourBody::FiveColors3D: {
            lookup(y, c);
            double v = clamp(clamp(tone(y)) * darken);
            limit(v, c[1], c[2]);
            v = contrast(noiseTerm(v, v, n));
            rgb(v, c[1], c[2], out);
            break;
        }
        case ColourBody::FiveColors: {
            lookup(y, c);
            double v = clamp(c[0] * darken);
            v = contrast(noiseTerm(v, v, n));
            rgb(v, c[1], c[2], out);
            break;
        }
        case ColourBody::TwoColors3D: {
            y = clamp(contrast(noiseTerm(y, clamp(y), n)));
            const double t = clamp(tone(y));
            double mixed[3];
            for (int k = 0; k < 3; ++k)
                mixed[k] = (dark[k] + t * (light[k] - dark[k])) / 255.0;
            ycc(mixed[0], mixed[1], mixed[2], c);
            const double v = clamp(t * darken);
            limit(v, c[1], c[2]);
            rgb(v, c[1], c[2], out);
            break;
        }
        case ColourBody::TwoColors: {
            double v = tone(y) * darken;
            v = clamp(contrast(noiseTerm(v, clamp(v), n)));
            for (int k = 0; k < 3; ++k)
                out[k] = int(dark[k] + std::floor(v * (light[k] - dark[k]) + 0.5));
            break;
        }
        default:
            break;
        }
    }
};

} // namespace

TEST(Colouring, BodiesMatchDoublePrecisionModel)
{
    struct Variant { int noise; float contrast, darken; };
    for (const ColourBody body : {ColourBody::FiveColors3D, ColourBody::FiveColors, ColourBody::TwoColors3D,
                                  ColourBody::TwoColors}) {
        for (const Variant v : {Variant{0, 0.0f, 1.0f}, Variant{17, 0.2f, 0.9f}, Variant{-40, -0.5f, 1.3f},
                                Variant{60, 0.6f, 0.5f}}) {
            Morvelin_paramsCalc p = baseParams();
            p.noise = v.noise;
            p.contrast = v.contrast;
            p.darken = v.darken;
            const ColouringContext ctx = ColouringContext::fromParams(p);
            const Model model(p);
            int offByOne = 0;
            for (int i = 0; i <= 1000; ++i) {
                const float y = i / 1000.0f;
                const float n = std::sin(i * 0.37f);
                std::uint8_t got[3];
                int want[3];
                switch (body) {
                case ColourBody::FiveColors3D: paintFiveColors3D(ctx, y, n, got); break;
                case ColourBody::FiveColors: paintFiveColors(ctx, y, n, got); break;
                case ColourBody::TwoColors3D: paintTwoColors3D(ctx, y, n, got); break;
                default: paintTwoColors(ctx, y, n, got); break;
                }
                model.body(body, y, n, want);
                for (int k = 0; k < 3; ++k) {
                    ASSERT_LE(std::abs(got[k] - want[k]), 1)
                        << "body " << int(body) << " noise " << v.noise << " y " << y << " channel " << k;
                    offByOne += got[k] != want[k];
                }
            }
            EXPECT_LT(offByOne, 30) << "body " << int(body);
        }
    }
}

TEST(Colouring, ToneCurveSegmentsAndDegeneratePoints)
{
    struct Case { float p1, p2, p3, q1, q2, q3, y, expected; };
    for (const Case c : {
             Case{0.2f, 0.5f, 0.8f, 0.2f, 0.5f, 0.8f, 0.37f, 0.37f},   // identity
             Case{0.2f, 0.5f, 0.8f, 0.4f, 0.6f, 0.9f, 0.2f, 0.4f},     // y = p1: second segment
             Case{0.2f, 0.5f, 0.8f, 0.4f, 0.6f, 0.9f, 0.5f, 0.6f},     // y = p2: second segment
             Case{0.2f, 0.5f, 0.8f, 0.4f, 0.6f, 0.9f, 0.8f, 0.9f},     // y = p3: third segment
             Case{0.2f, 0.5f, 0.8f, 0.4f, 0.6f, 0.9f, 0.1f, 0.2f},
             Case{0.2f, 0.5f, 0.8f, 0.4f, 0.6f, 0.9f, 0.9f, 0.95f},
             Case{0.5f, 0.5f, 0.5f, 0.1f, 0.6f, 0.7f, 0.5f, 0.6f},     // zero-width segments take their end
             Case{0.0f, 0.0f, 0.3f, 0.2f, 0.4f, 0.6f, 0.0f, 0.4f},
             Case{0.2f, 0.5f, 1.0f, 0.4f, 0.6f, 0.9f, 1.0f, 0.9f},
             Case{0.2f, 0.5f, 0.8f, 0.4f, 0.6f, 0.9f, std::numeric_limits<float>::quiet_NaN(), 0.0f},
         }) {
        const ToneCurve t{c.p1, c.p2, c.p3, c.q1, c.q2, c.q3};
        const float v = t(c.y);
        SCOPED_TRACE(testing::Message() << "points " << c.p1 << " " << c.p2 << " " << c.p3 << " y " << c.y);
        if (std::isnan(c.y))
            EXPECT_EQ(clamp01(v), 0.0f);  // clamps turn a lost value into 0
        else
            EXPECT_NEAR(v, c.expected, 1e-6);
        EXPECT_FALSE(std::isinf(v));
    }
}

TEST(Colouring, ContrastFactorStaysFinite)
{
    struct Case { float contrast; bool on; float factor; };
    for (const Case c : {Case{0.0f, false, 1.0f}, Case{-1.0f, true, 0.0f}, Case{0.5f, true, 2.002f},
                         Case{-0.25f, true, 0.75f}, Case{std::numeric_limits<float>::quiet_NaN(), false, 1.0f}}) {
        Morvelin_paramsCalc p = baseParams();
        p.contrast = c.contrast;
        const NoiseTerms nt = NoiseTerms::fromParams(p);
        EXPECT_EQ(bool(nt.contrastOn), c.on) << c.contrast;
        EXPECT_NEAR(nt.contrastFactor, c.factor, 1e-5) << c.contrast;
    }
    for (const float contrast : {1.0f, 1.5f, 1e30f, std::numeric_limits<float>::infinity()}) {
        Morvelin_paramsCalc p = baseParams();
        p.contrast = contrast;
        const NoiseTerms nt = NoiseTerms::fromParams(p);
        EXPECT_TRUE(std::isfinite(nt.contrastFactor) && nt.contrastFactor > 1000.0f) << contrast;
        const ColouringContext ctx = ColouringContext::fromParams(p);
        for (const float y : {0.0f, 0.3f, 0.5f, 0.51f, 1.0f}) {
            const float l = toneLuminance(ctx, y, 0.5f);
            EXPECT_TRUE(l >= 0.0f && l <= 1.0f) << contrast << " " << y;
        }
    }
}

TEST(Colouring, RgbConversionRoundsAndSaturates)
{
    struct Case { float v; int expected; };
    for (const Case c : {Case{255.6f, 255}, Case{255.4f, 255}, Case{-0.6f, 0}, Case{-0.4f, 0}, Case{0.5f, 1},
                         Case{2.5f, 3}, Case{1e30f, 255}, Case{-1e30f, 0},
                         Case{std::numeric_limits<float>::quiet_NaN(), 0}}) {
        EXPECT_EQ(saturateToByte(c.v), c.expected) << c.v;
    }
    std::uint8_t r, g, b;
    toRgb8(1.0f, 0.5f, 0.5f, r, g, b);  // far outside the gamut
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 120);
    EXPECT_EQ(b, 255);
    toRgb8(0.0f, -0.5f, -0.5f, r, g, b);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(g, 135);
    EXPECT_EQ(b, 0);
}

TEST(Colouring, ChromaLimitingKeepsChannelsInRangeAndHue)
{
    for (int i = 0; i <= 20; ++i) {
        const float y = i / 20.0f;
        for (int a = 0; a < 24; ++a) {
            const float angle = a * 0.2617994f;
            float cb = 0.6f * std::cos(angle), cr = 0.6f * std::sin(angle);
            limitChroma(y, cb, cr);
            const float r = y + 1.402f * cr, g = y - 0.34414f * cb - 0.71414f * cr, b = y + 1.772f * cb;
            for (const float c : {r, g, b}) {
                EXPECT_GE(c, -1e-5f) << y << " " << a;
                EXPECT_LE(c, 1.0f + 1e-5f) << y << " " << a;
            }
            if (std::hypot(cb, cr) > 1e-4f) {
                EXPECT_NEAR(std::atan2(cr, cb), std::atan2(std::sin(angle), std::cos(angle)), 1e-4);
            }
        }
    }
}

TEST(Colouring, TwoColorsStayBetweenTheColours)
{
    Morvelin_paramsCalc p = baseParams();
    p.darkColor = 0xFF20F010;
    p.lightColor = 0xFFE01080;
    p.noise = 90;
    p.contrast = 0.7f;
    p.darken = 1.8f;
    const ColouringContext ctx = ColouringContext::fromParams(p);
    for (int i = -20; i <= 1020; ++i) {
        std::uint8_t rgb[3];
        paintTwoColors(ctx, i / 1000.0f, std::cos(float(i)), rgb);
        EXPECT_TRUE(rgb[0] >= 0x20 && rgb[0] <= 0xE0) << i;
        EXPECT_TRUE(rgb[1] >= 0x10 && rgb[1] <= 0xF0) << i;
        EXPECT_TRUE(rgb[2] >= 0x10 && rgb[2] <= 0x80) << i;
    }
}

TEST(Colouring, FiveEqualColours)
{
    Morvelin_paramsCalc p = baseParams();
    p.darkColor = p.midDarkColor = p.midColor = p.midLightColor = p.lightColor = 0xFF3070C0;
    p.noise = 0;
    p.contrast = 0;
    p.darken = 1.0f;
    ColouringContext ctx = ColouringContext::fromParams(p);
    for (int i = 0; i <= 100; ++i) {
        std::uint8_t rgb[3];
        paintFiveColors(ctx, i / 100.0f, 0.0f, rgb);
        EXPECT_EQ(rgb[0], 0x30);
        EXPECT_EQ(rgb[1], 0x70);
        EXPECT_EQ(rgb[2], 0xC0);
    }
    // 3D: brightness follows the toned frame, the chroma keeps its hue.
    std::uint8_t lo[3], hi[3];
    paintFiveColors3D(ctx, 0.2f, 0.0f, lo);
    paintFiveColors3D(ctx, 0.8f, 0.0f, hi);
    EXPECT_LT(lo[0] + lo[1] + lo[2], hi[0] + hi[1] + hi[2]);
    EXPECT_LT(lo[0], lo[2]);
    EXPECT_LT(hi[0], hi[2]);
}

TEST(Colouring, BodyChoice)
{
    struct Case { int mode; std::uint32_t dark, light; std::uint8_t pesk; ColourBody body; };
    for (const Case c : {Case{0, 0xFF000000, 0xFFFFFFFF, 0, ColourBody::ToneLuminance},
                         Case{0, 0x00000000, 0x00FFFFFF, 1, ColourBody::ToneLuminance},
                         Case{0, 0xFF000001, 0xFFFFFFFF, 0, ColourBody::TwoColors},
                         Case{0, 0xFF000000, 0xFFFFFFFE, 1, ColourBody::TwoColors3D},
                         Case{1, 0xFF000000, 0xFFFFFFFF, 1, ColourBody::ToneLuminance},
                         Case{2, 0xFF000000, 0xFFFFFFFF, 0, ColourBody::FiveColors},
                         Case{2, 0xFF000000, 0xFFFFFFFF, 1, ColourBody::FiveColors3D},
                         Case{3, 0, 0, 0, ColourBody::None}, Case{-1, 0, 0, 0, ColourBody::None}}) {
        Morvelin_paramsCalc p = baseParams();
        p.mode = c.mode;
        p.darkColor = c.dark;
        p.lightColor = c.light;
        p.usePesk = c.pesk;
        EXPECT_EQ(chooseBody(p), c.body) << c.mode << " " << std::hex << c.dark << " " << c.light;
    }
}

// The spans run eight lanes at a time where the kernel switch allows; every
// body must give the plain bytes for luminances across and beyond 0..1, on
// the thresholds, not a number, and with degenerate tone points.
TEST(ColouringSpans, VectorAndPlainSpansAgreeBitForBit)
{
    using Nuvra::DataStorage::Simd::Kernels;
    using Nuvra::DataStorage::Simd::limitKernels;
    std::vector<float> lum, noise;
    for (int i = -40; i <= 1060; ++i)
        lum.push_back(float(i) / 1000.0f);
    for (const int t : {0, 40, 150, 195, 255})
        lum.push_back(float(t) / 255.0f);
    lum.push_back(std::numeric_limits<float>::quiet_NaN());
    lum.push_back(-0.0f);
    lum.push_back(std::numeric_limits<float>::infinity());
    for (std::size_t i = 0; i < lum.size(); ++i)
        noise.push_back(float(int(i * 7919 % 201) - 100) / 100.0f);
    const int count = int(lum.size());

    struct Case {
        int dark, mid, high;  // tone-curve inputs
        int noise;
        float contrast;
        std::uint32_t darkColor, lightColor;
    };
    const Case cases[] = {{40, 150, 195, 17, 0.2f, 0xFF1A2B6C, 0xFFF4F0FE},
                          {40, 150, 195, 0, 0.0f, 0xFFF4F0FE, 0xFF1A2B6C},  // light below dark
                          {0, 0, 255, 5, -0.5f, 0xFF000000, 0xFFFFFFFF},
                          {100, 100, 100, 30, 0.9f, 0xFF204060, 0xFF204060},
                          {255, 255, 255, 0, 0.0f, 0xFFFF0000, 0xFF00FF00}};
    for (const Case& c : cases) {
        Morvelin_paramsCalc p = baseParams();
        p.dark_lum_pred = c.dark;
        p.middle_lum_pred = c.mid;
        p.high_lum_pred = c.high;
        p.noise = c.noise;
        p.contrast = c.contrast;
        p.darkColor = c.darkColor;
        p.lightColor = c.lightColor;
        const ColouringContext ctx = ColouringContext::fromParams(p);
        for (const ColourBody body : {ColourBody::FiveColors3D, ColourBody::FiveColors, ColourBody::TwoColors3D,
                                      ColourBody::TwoColors, ColourBody::ToneLuminance}) {
            std::vector<std::uint8_t> rgb[2];
            std::vector<float> toned[2];
            for (int pass = 0; pass < 2; ++pass) {
                limitKernels(pass == 0 ? Kernels::Any : Kernels::Plain);
                rgb[pass].assign(3 * lum.size(), 0xAB);
                toned[pass] = lum;
                if (body == ColourBody::ToneLuminance)
                    toneSpan(ctx, toned[pass].data(), noise.data(), count);
                else
                    paintSpan(body, ctx, lum.data(), noise.data(), rgb[pass].data(), rgb[pass].data() + count,
                              rgb[pass].data() + 2 * count, count);
            }
            limitKernels(Kernels::Any);
            SCOPED_TRACE(testing::Message() << "body " << int(body) << " tone " << c.dark << "/" << c.mid << "/"
                                            << c.high);
            EXPECT_EQ(rgb[0], rgb[1]);
            EXPECT_EQ(0, std::memcmp(toned[0].data(), toned[1].data(), toned[0].size() * sizeof(float)));
        }
    }
}
