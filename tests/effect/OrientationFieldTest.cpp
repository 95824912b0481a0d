#include "effect/GaussBlur.h"
#include "effect/LuminanceStages.h"
#include "pixelstore/CpuFeatures.h"
#include "tests/effect/SyntheticFrame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using namespace Nuvra::Effect;

namespace {

struct Field {
    int w = 0, h = 0;
    std::vector<float> vx, vy;
    float lengthAt(int x, int y) const { const std::size_t i = std::size_t(y) * w + x; return std::hypot(vx[i], vy[i]); }
};

Field field(int w, int h, const std::vector<float>& lum, float sigmaG)
{
    Field f;
    f.w = w;
    f.h = h;
    f.vx.assign(lum.size(), -7.0f);
    f.vy.assign(lum.size(), -7.0f);
    EXPECT_TRUE(orientationField(w, h, lum.data(), sigmaG, f.vx.data(), f.vy.data(), nullptr));
    return f;
}

std::vector<float> transposed(int w, int h, const std::vector<float>& v)
{
    std::vector<float> t(v.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            t[std::size_t(x) * h + y] = v[std::size_t(y) * w + x];
    return t;
}

} // namespace

TEST(OrientationField, EdgeDirectionOfTensor)
{
    const float r = std::sqrt(0.5f);
    struct Case { float a, b, c, vx, vy; };
    // Results are compared up to sign: an edge has no preferred way.
    for (const Case k : {Case{1, 0, 0, 0, 1}, Case{0, 0, 1, 1, 0}, Case{4, 0, 1, 0, 1}, Case{1, 0, 4, 1, 0},
                         Case{1, 1, 1, r, -r}, Case{1, -1, 1, r, r}, Case{0, 0, 0, 0, 0},
                         Case{2e-9f, 0, 0, 0, -2e-9f}, Case{1, 1e-4f, 0, 1e-4f, -1}}) {
        SCOPED_TRACE(testing::Message() << k.a << " " << k.b << " " << k.c);
        float vx = 0, vy = 0;
        edgeDirection(k.a, k.b, k.c, vx, vy);
        const float sign = (vx * k.vx + vy * k.vy) < 0 ? -1.0f : 1.0f;
        EXPECT_NEAR(sign * vx, k.vx, 1e-6);
        EXPECT_NEAR(sign * vy, k.vy, 1e-6);
    }
}

// The field runs along lines of every direction, vertical ones included, and
// is a unit vector even where the edge is faint.
TEST(OrientationField, FollowsLinesOfEveryDirection)
{
    const int n = 41;
    struct Case { const char* name; float ex, ey; float contrast; };
    for (const Case c : {Case{"vertical", 0, 1, 1.0f}, Case{"horizontal", 1, 0, 1.0f},
                         Case{"diagonal", std::sqrt(0.5f), std::sqrt(0.5f), 1.0f},
                         Case{"faint vertical", 0, 1, 0.08f}, Case{"faint horizontal", 1, 0, 0.08f}}) {
        SCOPED_TRACE(c.name);
        std::vector<float> lum(n * n, 0.5f);
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                // distance from the line through the centre along (ex, ey)
                const float d = std::fabs((x - 20) * c.ey - (y - 20) * c.ex);
                if (d < 0.75f)
                    lum[std::size_t(y) * n + x] += c.contrast;
            }
        const Field f = field(n, n, lum, 1.5f);
        for (int t = -12; t <= 12; ++t) {
            for (int off = -2; off <= 2; ++off) {
                const int x = int(std::lround(20 + t * c.ex + off * c.ey));
                const int y = int(std::lround(20 + t * c.ey - off * c.ex));
                const std::size_t i = std::size_t(y) * n + x;
                ASSERT_NEAR(f.lengthAt(x, y), 1.0f, 1e-4) << x << "," << y;
                ASSERT_NEAR(std::fabs(f.vx[i] * c.ex + f.vy[i] * c.ey), 1.0f, 2e-3) << x << "," << y;
            }
        }
    }
}

TEST(OrientationField, UniformFrameHasNoDirection)
{
    const std::vector<float> lum(30 * 20, 0.6f);
    const Field f = field(30, 20, lum, 3.0f);
    for (std::size_t i = 0; i < lum.size(); ++i) {
        ASSERT_EQ(f.vx[i], 0.0f);
        ASSERT_EQ(f.vy[i], 0.0f);
    }
}

// Transposing the frame transposes the field and swaps its components.
TEST(OrientationField, TransposedFrameGivesTransposedField)
{
    const int w = 57, h = 43;
    const std::vector<float> lum = MorvelinTest::syntheticLuminance(w, h, 3);
    const Field f = field(w, h, lum, 2.0f);
    const Field t = field(h, w, transposed(w, h, lum), 2.0f);
    int mismatches = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t i = std::size_t(y) * w + x;
            const std::size_t j = std::size_t(x) * h + y;
            const float dot = f.vx[i] * t.vy[j] + f.vy[i] * t.vx[j];
            if (std::fabs(std::fabs(dot) - f.lengthAt(x, y) * t.lengthAt(y, x)) > 1e-3f)
                ++mismatches;
        }
    EXPECT_LE(mismatches, w * h / 200);
}

TEST(OrientationField, MatchesDoublePrecisionReference)
{
    const int w = 48, h = 36;
    const float sigmaG = 2.5f;
    const std::vector<float> lum = MorvelinTest::syntheticLuminance(w, h, 11);
    // Kernels and their derivative, in double.
    std::vector<double> k1, k2;
    for (int i = 0; i <= 12; ++i) {
        const double s = 1.445;
        k1.push_back((std::exp(-(i - 0.5) * (i - 0.5) / s) + std::exp(-double(i) * i / s) +
                      std::exp(-(i + 0.5) * (i + 0.5) / s)) / 3.0);
        k2.push_back(-i * std::exp(-double(i) * i / s) / 0.7225);
        if (k1.back() < 1e-5)
            break;
    }
    const int m = int(k1.size()) - 1;
    ASSERT_EQ(m, 5);
    auto at = [&](const std::vector<double>& v, int x, int y) {
        return v[std::size_t(std::clamp(y, 0, h - 1)) * w + std::clamp(x, 0, w - 1)];
    };
    std::vector<double> l(lum.begin(), lum.end()), sx(l.size()), sy(l.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double a = k1[0] * at(l, x, y), b = a;
            for (int j = 1; j < m; ++j) {
                a += k1[j] * (at(l, x + j, y) + at(l, x - j, y));
                b += k1[j] * (at(l, x, y + j) + at(l, x, y - j));
            }
            sx[std::size_t(y) * w + x] = a;
            sy[std::size_t(y) * w + x] = b;
        }
    std::vector<float> jxx(l.size()), jxy(l.size()), jyy(l.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double gx = 0, gy = 0;
            for (int j = 1; j < m; ++j) {
                gx += k2[j] * (at(sy, x - j, y) - at(sy, x + j, y));
                gy += k2[j] * (at(sx, x, y - j) - at(sx, x, y + j));
            }
            const std::size_t i = std::size_t(y) * w + x;
            jxx[i] = float(gx * gx);
            jxy[i] = float(gx * gy);
            jyy[i] = float(gy * gy);
        }
    for (std::vector<float>* t : {&jxx, &jxy, &jyy})
        gaussBlurChannel(w, h, t->data(), w, t->data(), w, sigmaG, nullptr, nullptr);

    const Field f = field(w, h, lum, sigmaG);
    int compared = 0;
    for (std::size_t i = 0; i < l.size(); ++i) {
        const double a = jxx[i], b = jxy[i], c = jyy[i];
        const double root = std::sqrt((a - c) * (a - c) + 4 * b * b);
        if (root < 1e-3 * (a + c))
            continue;  // nearly isotropic: the direction is not defined
        // the larger eigenvalue's eigenvector is the gradient; the edge is normal to it
        const double lmax = 0.5 * (a + c + root);
        double gx = b, gy = lmax - a;
        if (std::fabs(gx) + std::fabs(gy) < 1e-12) { gx = lmax - c; gy = b; }
        const double len = std::hypot(gx, gy);
        const double along = (f.vx[i] * gx + f.vy[i] * gy) / len;
        ASSERT_NEAR(along, 0.0, 1e-3) << "at " << i;
        ASSERT_NEAR(std::hypot(f.vx[i], f.vy[i]), 1.0, 1e-4) << "at " << i;
        ++compared;
    }
    EXPECT_GT(compared, int(l.size()) * 9 / 10);
}

// The field's loops run eight lanes at a time where the kernel switch allows;
// rows shorter than the filter, ragged ends and flat areas (vectors below the
// normalising length) must give the plain path's bits.
TEST(OrientationField, VectorAndPlainPathsAgreeBitForBit)
{
    using Nuvra::DataStorage::Simd::Kernels;
    using Nuvra::DataStorage::Simd::limitKernels;
    struct Size { int w, h; };
    for (const Size s : {Size{1, 7}, Size{7, 1}, Size{9, 9}, Size{13, 5}, Size{67, 41}}) {
        std::vector<float> lum = MorvelinTest::syntheticLuminance(s.w, s.h, std::uint32_t(s.w + 3 * s.h));
        for (std::size_t i = 0; i < lum.size() / 3; ++i)
            lum[i] = 0.25f;  // a flat band
        for (const float sigmaG : {0.0f, 0.7f, 2.3f}) {
            limitKernels(Kernels::Plain);
            const Field plain = field(s.w, s.h, lum, sigmaG);
            limitKernels(Kernels::Any);
            const Field any = field(s.w, s.h, lum, sigmaG);
            SCOPED_TRACE(testing::Message() << s.w << "x" << s.h << " sigma " << sigmaG);
            EXPECT_EQ(0, std::memcmp(plain.vx.data(), any.vx.data(), lum.size() * sizeof(float)));
            EXPECT_EQ(0, std::memcmp(plain.vy.data(), any.vy.data(), lum.size() * sizeof(float)));
        }
    }
}
