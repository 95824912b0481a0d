// The product's main road: 8-bit sRGB to Lab and back through the built-in
// profiles, against exact double-precision colorimetry.
#include "XFormTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

using namespace Nuvra;
using namespace Nuvra::CMM;
using namespace Nuvra::CMM::Test;

namespace {

// sRGB (D65 primaries and white, its piecewise curve) to CIE Lab relative
// to D50 through Bradford, all in double.
class ExactSRGBToLab {
public:
    ExactSRGBToLab()
    {
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            m_linear[i] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        const double xy[3][2] = {{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}};
        const double wx = 0.3127, wy = 0.3290;
        double p[3][3];
        for (int j = 0; j < 3; ++j) {
            p[0][j] = xy[j][0] / xy[j][1];
            p[1][j] = 1.0;
            p[2][j] = (1.0 - xy[j][0] - xy[j][1]) / xy[j][1];
        }
        const double w[3] = {wx / wy, 1.0, (1.0 - wx - wy) / wy};
        double inv[3][3];
        Invert3(p, inv);
        double s[3];
        Mul(inv, w, s);
        double rgb2xyz[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                rgb2xyz[i][j] = p[i][j] * s[j];
        // Bradford from the D65 white to D50.
        const double b[3][3] = {{0.8951, 0.2664, -0.1614}, {-0.7502, 1.7135, 0.0367}, {0.0389, -0.0685, 1.0296}};
        double bInv[3][3];
        Invert3(b, bInv);
        const double d50[3] = {0.9642, 1.0, 0.8249};
        double rs[3], rd[3];
        Mul(b, w, rs);
        Mul(b, d50, rd);
        double scaled[3][3], adapt[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                scaled[i][j] = rd[i] / rs[i] * b[i][j];
        MatMul(bInv, scaled, adapt);
        MatMul(adapt, rgb2xyz, m_toXYZ);
    }

    void operator()(const uint8_t* rgb, double* lab) const
    {
        const double l[3] = {m_linear[rgb[0]], m_linear[rgb[1]], m_linear[rgb[2]]};
        double xyz[3];
        Mul(m_toXYZ, l, xyz);
        const double f[3] = {F(xyz[0] / 0.9642), F(xyz[1]), F(xyz[2] / 0.8249)};
        lab[0] = 116.0 * f[1] - 16.0;
        lab[1] = 500.0 * (f[0] - f[1]);
        lab[2] = 200.0 * (f[1] - f[2]);
    }

private:
    static double F(double t)
    {
        const double e = 216.0 / 24389.0, k = 24389.0 / 27.0;
        return t > e ? std::cbrt(t) : (k * t + 16.0) / 116.0;
    }
    static void Mul(const double (&m)[3][3], const double* v, double* out)
    {
        for (int i = 0; i < 3; ++i)
            out[i] = m[i][0] * v[0] + m[i][1] * v[1] + m[i][2] * v[2];
    }
    static void MatMul(const double (&a)[3][3], const double (&b)[3][3], double (&out)[3][3])
    {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                out[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
    }
    static void Invert3(const double (&m)[3][3], double (&out)[3][3])
    {
        const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                const int r0 = (j + 1) % 3, r1 = (j + 2) % 3, c0 = (i + 1) % 3, c1 = (i + 2) % 3;
                out[i][j] = (m[r0][c0] * m[r1][c1] - m[r0][c1] * m[r1][c0]) / det;
            }
    }

    double m_linear[256];
    double m_toXYZ[3][3];
};

TEST(MainRoad, EverySRGBColourToLabAgainstExactMaths)
{
    const cProfile::ptr_t srgb = cProfile::Create_sRGB();
    const cProfile::ptr_t lab = LabD50();
    const cXForm::ptr_t t = MakeXForm(srgb, kRGB8, lab, CMM_PF::kLabFloat);
    ASSERT_TRUE(t->IsValid());
    const cInternalProcessing p(t.get());
    const ExactSRGBToLab exact;

    constexpr int kRow = 1 << 12;
    std::vector<uint8_t> rgb(size_t(kRow) * 3);
    std::vector<float> out(size_t(kRow) * 3);
    double sum = 0, worst = 0;
    uint32_t worstAt = 0;
    for (uint32_t base = 0; base < (1u << 24); base += kRow) {
        for (int i = 0; i < kRow; ++i) {
            const uint32_t c = base + uint32_t(i);
            rgb[size_t(i) * 3] = uint8_t(c >> 16);
            rgb[size_t(i) * 3 + 1] = uint8_t(c >> 8);
            rgb[size_t(i) * 3 + 2] = uint8_t(c);
        }
        p.Process(rgb.data(), out.data(), kRow);
        for (int i = 0; i < kRow; ++i) {
            double ref[3];
            exact(&rgb[size_t(i) * 3], ref);
            const float* o = &out[size_t(i) * 3];
            const double d = std::sqrt((o[0] - ref[0]) * (o[0] - ref[0]) + (o[1] - ref[1]) * (o[1] - ref[1]) +
                                       (o[2] - ref[2]) * (o[2] - ref[2]));
            sum += d;
            if (d > worst) {
                worst = d;
                worstAt = base + uint32_t(i);
            }
        }
    }
    const double mean = sum / double(1u << 24);
    std::printf("sRGB to Lab over 2^24 colours: mean dE76 %.4f, max %.4f at #%06X\n", mean, worst, worstAt);
    EXPECT_LE(mean, 0.05);
    EXPECT_LE(worst, 1.0);
}

TEST(MainRoad, WhiteAndBlackAreExact)
{
    const cProfile::ptr_t srgb = cProfile::Create_sRGB();
    const cProfile::ptr_t lab = LabD50();
    const std::vector<uint8_t> whiteBlack{255, 255, 255, 0, 0, 0};
    EXPECT_EQ(Convert<uint16_t>(*MakeXForm(srgb, kRGB8, lab, CMM_PF::kLab16), whiteBlack),
              (std::vector<uint16_t>{0xFF00, 0x8000, 0x8000, 0, 0x8000, 0x8000}));
    EXPECT_EQ(Convert<float>(*MakeXForm(srgb, kRGB8, lab, CMM_PF::kLabFloat), whiteBlack),
              (std::vector<float>{100.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f}));
    const std::vector<float> labWhiteBlack{100.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    for (QFlags<eXForm_Flags> flags : {QFlags<eXForm_Flags>(), QFlags<eXForm_Flags>(XForm_NoPrecalc)})
        EXPECT_EQ(Convert<uint8_t>(*MakeXForm(lab, CMM_PF::kLabFloat, srgb, kRGB8, icPerceptual, flags), labWhiteBlack),
                  (std::vector<uint8_t>{255, 255, 255, 0, 0, 0}))
            << flags;

    // Without a grid there is no white fix: the chain's own arithmetic lands
    // within a unit of the Lab white.
    const std::vector<uint16_t> unfixed =
        Convert<uint16_t>(*MakeXForm(srgb, kRGB8, lab, CMM_PF::kLab16, icPerceptual, XForm_NoPrecalc), whiteBlack);
    const uint16_t labWhite[3] = {0xFF00, 0x8000, 0x8000};
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(unfixed[size_t(c)], labWhite[c], 1) << c;
}

} // namespace
