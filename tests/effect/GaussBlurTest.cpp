#include "effect/GaussBlur.h"
#include "effect/RecursiveGaussPass.h"
#include "effect/ProgressData.h"
#include "pixelstore/CpuFeatures.h"

#include "tests/effect/CancelAfter.h"
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using namespace Nuvra::DataStorage;
using namespace Nuvra::DataStorage::ns_FastBlur;

namespace {

std::vector<float> randomImage(int w, int h, int stride, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(0.0f, 1.0f);
    std::vector<float> img(size_t(stride) * size_t(h), -7.0f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img[size_t(y) * stride + x] = d(rng);
    return img;
}

float maxDiff(const std::vector<float>& a, int aStride, const std::vector<float>& b, int bStride, int w, int h)
{
    float m = 0.0f;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            m = std::max(m, std::fabs(a[size_t(y) * aStride + x] - b[size_t(y) * bStride + x]));
    return m;
}

// Direct convolution with border renormalisation, in double.
std::vector<float> referenceKernelBlur(const std::vector<float>& src, int w, int h, int stride,
                                       const std::vector<float>& k)
{
    const int r = int(k.size()) / 2;
    std::vector<float> mid(size_t(w) * h), out(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double s = 0, ws = 0;
            for (int d = -r; d <= r; ++d)
                if (x + d >= 0 && x + d < w) {
                    s += double(src[size_t(y) * stride + x + d]) * k[size_t(d + r)];
                    ws += k[size_t(d + r)];
                }
            mid[size_t(y) * w + x] = float(s / ws);
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double s = 0, ws = 0;
            for (int d = -r; d <= r; ++d)
                if (y + d >= 0 && y + d < h) {
                    s += double(mid[size_t(y + d) * w + x]) * k[size_t(d + r)];
                    ws += k[size_t(d + r)];
                }
            out[size_t(y) * w + x] = float(s / ws);
        }
    return out;
}

// The recurrence written out plainly, one line at a time, in double.
void referenceLine(std::vector<double>& x, int N, double sigma)
{
    const double q = sigma >= 2.5 ? 0.98711 * sigma - 0.96330 : 3.97156 - 4.14554 * std::sqrt(1 - 0.26891 * sigma);
    const double b0 = 1.57825 + 2.44413 * q + 1.4281 * q * q + 0.422205 * q * q * q;
    const double b1 = (2.44413 * q + 2.85619 * q * q + 1.26661 * q * q * q) / b0;
    const double b2 = -(1.4281 * q * q + 1.26661 * q * q * q) / b0;
    const double b3 = 0.422205 * q * q * q / b0;
    const double B = 1 - (b1 + b2 + b3);
    const int P = int(std::lround(3 * sigma));
    const int M = N + P;
    std::vector<double> in(static_cast<size_t>(M)), w(in.size()), v(in.size());
    for (int i = 0; i < M; ++i)
        in[size_t(i)] = x[size_t(std::min(i, N - 1))];
    auto W = [&](int i) { return i < 0 ? in[0] : w[size_t(i)]; };
    w[0] = in[0];
    for (int i = 1; i < M; ++i)
        w[size_t(i)] = B * in[size_t(i)] + b1 * W(i - 1) + b2 * W(i - 2) + b3 * W(i - 3);
    auto V = [&](int i) { return i > M - 1 ? v[size_t(M - 1)] : v[size_t(i)]; };
    v[size_t(M - 1)] = w[size_t(M - 1)];
    for (int i = M - 2; i >= 0; --i)
        v[size_t(i)] = B * w[size_t(i)] + b1 * V(i + 1) + b2 * V(i + 2) + b3 * V(i + 3);
    for (int i = 0; i < N; ++i)
        x[size_t(i)] = v[size_t(i)];
}

std::vector<float> referenceRecursiveBlur(const std::vector<float>& src, int w, int h, int stride, double sigma)
{
    std::vector<float> mid(size_t(w) * h), out(size_t(w) * h);
    std::vector<double> line;
    for (int y = 0; y < h; ++y) {
        line.assign(size_t(w), 0.0);
        for (int x = 0; x < w; ++x)
            line[size_t(x)] = src[size_t(y) * stride + x];
        referenceLine(line, w, sigma);
        for (int x = 0; x < w; ++x)
            mid[size_t(y) * w + x] = float(line[size_t(x)]);
    }
    for (int x = 0; x < w; ++x) {
        line.assign(size_t(h), 0.0);
        for (int y = 0; y < h; ++y)
            line[size_t(y)] = mid[size_t(y) * w + x];
        referenceLine(line, h, sigma);
        for (int y = 0; y < h; ++y)
            out[size_t(y) * w + x] = float(line[size_t(y)]);
    }
    return out;
}

TEST(GaussKernel, LengthsAndTaps)
{
    struct Case {
        float sigma;
        size_t length;
    } cases[] = {{0.3f, 3}, {0.4f, 3}, {0.49f, 5}, {1.0f, 7}, {2.0f, 13}, {10.0f, 61},
                 {42.3f, 255}, {1000.0f, 255}, {3e38f, 255}, {-2.0f, 3}};
    for (const auto& c : cases) {
        std::vector<float> k;
        BuildGaussKernel1D(k, c.sigma, 255);
        ASSERT_EQ(k.size(), c.length) << c.sigma;
        const int r = int(k.size()) / 2;
        double sum = 0;
        for (float t : k)
            sum += t;
        EXPECT_NEAR(sum, 1.0, 1e-5) << c.sigma;
        for (int i = 1; i <= r; ++i) {
            EXPECT_EQ(k[size_t(r - i)], k[size_t(r + i)]);
            const double s = c.sigma;
            const double expected = std::exp(-double(i) * i / (2 * s * s)) * k[size_t(r)];
            EXPECT_NEAR(k[size_t(r + i)], expected, 1e-6 + 1e-5 * expected) << c.sigma << " tap " << i;
        }
    }
    std::vector<float> even;
    BuildGaussKernel1D(even, 5.0f, 10); // 31 taps capped at 10, then made odd
    EXPECT_EQ(even.size(), 11u);
}

TEST(GaussRecursive, CoefficientWorkedValues)
{
    const auto c05 = recursiveGaussCoefficients(0.5f);
    EXPECT_NEAR(c05.q, 0.114771, 1e-6);
    EXPECT_NEAR(c05.B, 0.840293, 1e-6);
    const auto c1 = recursiveGaussCoefficients(1.0f);
    EXPECT_NEAR(c1.q, 0.426966, 1e-6);
    EXPECT_NEAR(c1.b1, 0.570436, 1e-6);
    EXPECT_NEAR(c1.b2, -0.123131, 1e-6);
    EXPECT_NEAR(c1.b3, 0.011274, 1e-6);
    EXPECT_NEAR(c1.B, 0.541422, 1e-6);
    const auto c25 = recursiveGaussCoefficients(2.5f);
    EXPECT_NEAR(c25.q, 1.504475, 1e-6); // linear formula at exactly 2.5
    EXPECT_NEAR(c25.B, 0.159011, 1e-6);
    EXPECT_EQ(c25.P, 8);
    const auto below = recursiveGaussCoefficients(std::nextafter(2.5f, 0.0f));
    EXPECT_NEAR(below.q, 3.97156 - 4.14554 * std::sqrt(1 - 0.26891 * 2.5), 1e-6); // square-root formula
    EXPECT_NE(below.q, c25.q);
    EXPECT_LE(recursiveGaussCoefficients(1e30f).P, 1 << 16);
}

TEST(GaussRecursive, PlainAndVectorLanesAreIdentical)
{
    for (int M : {4, 5, 9, 300}) {
        std::mt19937 rng{unsigned(M)};
        std::uniform_real_distribution<double> d(-1, 2);
        std::vector<double> a(size_t(M) * kLanes);
        for (double& v : a)
            v = d(rng);
        std::vector<double> b = a, v = a;
        const auto c = recursiveGaussCoefficients(3.7f);
        recursiveGaussLanesPlain(a.data(), M, c);
        recursiveGaussLanesSSE2(b.data(), M, c);
        EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(double))) << M;
        if (Nuvra::DataStorage::Simd::processorHas(Nuvra::DataStorage::Simd::Isa::Avx)) {
            Avx::recursiveGaussLanes(v.data(), M, c);
            EXPECT_EQ(0, std::memcmp(a.data(), v.data(), a.size() * sizeof(double))) << M;
        }
    }
}

// The whole blur through the plain lane filter, one line per lane group.
std::vector<float> plainRecursiveBlur(const std::vector<float>& src, int w, int h, float sigma)
{
    const auto c = recursiveGaussCoefficients(sigma);
    std::vector<float> mid(size_t(w) * h), out(size_t(w) * h);
    auto runLine = [&](auto get, auto put, int N) {
        const int M = N + c.P;
        std::vector<double> line(size_t(M) * kLanes, 0.0);
        for (int i = 0; i < M; ++i)
            line[size_t(i) * kLanes] = get(std::min(i, N - 1));
        recursiveGaussLanesPlain(line.data(), M, c);
        for (int i = 0; i < N; ++i)
            put(i, float(line[size_t(i) * kLanes]));
    };
    for (int y = 0; y < h; ++y)
        runLine([&](int i) { return double(src[size_t(y) * w + i]); },
                [&](int i, float v) { mid[size_t(y) * w + i] = v; }, w);
    for (int x = 0; x < w; ++x)
        runLine([&](int i) { return double(mid[size_t(i) * w + x]); },
                [&](int i, float v) { out[size_t(i) * w + x] = v; }, h);
    return out;
}

TEST(GaussBlur, FusedVectorFormsEqualThePlainLineFilter)
{
    // Sizes that give full and partial row groups and column blocks, and
    // line ends inside and outside the four-position chunks.
    for (auto [w, h, sigma] : {std::tuple{150, 37, 2.1f}, std::tuple{64, 16, 0.7f}, std::tuple{131, 70, 5.4f},
                               std::tuple{5, 6, 1.3f}}) {
        const auto src = randomImage(w, h, w, 21);
        std::vector<float> dst(src.size());
        gaussBlurChannel(w, h, src.data(), w, dst.data(), w, sigma, nullptr, nullptr);
        EXPECT_EQ(dst, plainRecursiveBlur(src, w, h, sigma)) << w << "x" << h << " " << sigma;
    }
}

TEST(GaussRecursive, FusedRowAndColumnFormsAgreeAcrossInstructionSets)
{
    const auto c = recursiveGaussCoefficients(2.7f);
    for (int N : {4, 9, 37}) {
        const int M = N + c.P;
        // Rows: 16 source rows, 13 written.
        const auto img = randomImage(N, kLanes, N, unsigned(N));
        const float* rows[kLanes];
        for (int k = 0; k < kLanes; ++k)
            rows[k] = img.data() + size_t(k) * N;
        std::vector<float> a(img.size(), -1.0f), b(img.size(), -1.0f);
        float* outA[kLanes];
        float* outB[kLanes];
        for (int k = 0; k < kLanes; ++k) {
            outA[k] = a.data() + size_t(k) * N;
            outB[k] = b.data() + size_t(k) * N;
        }
        std::vector<double> line(size_t(M) * detail::kColumnLanes);
        recursiveGaussRowsSSE2(rows, outA, 13, N, M, line.data(), c);
        if (Nuvra::DataStorage::Simd::processorHas(Nuvra::DataStorage::Simd::Isa::Avx)) {
            Avx::recursiveGaussRows(rows, outB, 13, N, M, line.data(), c);
            EXPECT_EQ(a, b) << N;
        }
        for (int k = 13; k < kLanes; ++k)
            EXPECT_EQ(a[size_t(k) * N], -1.0f);
        // Columns: a block of 64 columns, N rows.
        const int width = detail::kColumnLanes + 3;
        const auto cols = randomImage(width, N, width, unsigned(N + 1));
        std::vector<float> ca(cols.size(), -1.0f), cb(cols.size(), -1.0f);
        recursiveGaussColumnsSSE2(cols.data(), size_t(width), ca.data(), size_t(width), N, M, line.data(), c);
        if (Nuvra::DataStorage::Simd::processorHas(Nuvra::DataStorage::Simd::Isa::Avx)) {
            Avx::recursiveGaussColumns(cols.data(), size_t(width), cb.data(), size_t(width), N, M, line.data(), c);
            EXPECT_EQ(ca, cb) << N;
        }
        EXPECT_EQ(ca[size_t(width) - 1], -1.0f); // past the block
        // Both against the plain lane filter on column 5.
        std::vector<double> plain(size_t(M) * kLanes, 0.0);
        for (int i = 0; i < M; ++i)
            plain[size_t(i) * kLanes] = cols[size_t(std::min(i, N - 1)) * width + 5];
        recursiveGaussLanesPlain(plain.data(), M, c);
        for (int i = 0; i < N; ++i)
            EXPECT_EQ(ca[size_t(i) * width + 5], float(plain[size_t(i) * kLanes])) << N << " row " << i;
    }
}

TEST(GaussBlur, KernelPathMatchesDirectConvolution)
{
    struct Case {
        int w, h;
        float sigma;
    } cases[] = {{3, 100, 0.8f}, {100, 3, 2.0f}, {3, 5, 10.0f}, {100, 100, 0.49f}, {37, 21, 0.3f}, {1, 1, 1.0f}};
    for (const auto& c : cases) {
        const int stride = c.w + 3;
        auto src = randomImage(c.w, c.h, stride, 5);
        std::vector<float> dst(size_t(c.w + 1) * c.h, -1.0f);
        gaussBlurChannel(c.w, c.h, src.data(), stride, dst.data(), c.w + 1, c.sigma, nullptr, nullptr);
        std::vector<float> k;
        BuildGaussKernel1D(k, c.sigma, 255);
        const auto ref = referenceKernelBlur(src, c.w, c.h, stride, k);
        EXPECT_LE(maxDiff(dst, c.w + 1, ref, c.w, c.w, c.h), 1e-6f) << c.w << "x" << c.h << " " << c.sigma;
    }
}

TEST(GaussBlur, RecursivePathMatchesDoubleReference)
{
    struct Case {
        int w, h;
        float sigma;
    } cases[] = {{4, 4, 0.5f}, {37, 23, 1.0f}, {100, 67, 2.5f}, {61, 70, 2.49f}, {64, 50, 7.3f}, {129, 17, 30.0f}};
    for (const auto& c : cases) {
        const int stride = c.w + 5;
        auto src = randomImage(c.w, c.h, stride, 9);
        std::vector<float> dst(size_t(c.w) * c.h, -1.0f);
        gaussBlurChannel(c.w, c.h, src.data(), stride, dst.data(), c.w, c.sigma, nullptr, nullptr);
        const auto ref = referenceRecursiveBlur(src, c.w, c.h, stride, c.sigma);
        EXPECT_LE(maxDiff(dst, c.w, ref, c.w, c.w, c.h), 2e-6f) << c.w << "x" << c.h << " " << c.sigma;
    }
}

TEST(GaussBlur, RecursivePathIsCloseToOpenCV)
{
    // The recursive filter is a little wider than its nominal sigma, so only a
    // loose agreement is expected on smooth content.
    const int w = 160, h = 120;
    std::vector<float> src(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            src[size_t(y) * w + x] = 0.5f + 0.4f * std::sin(x * 0.21f) * std::cos(y * 0.17f);
    for (float sigma : {2.1f, 5.4f}) {
        std::vector<float> dst(src.size());
        gaussBlurChannel(w, h, src.data(), w, dst.data(), w, sigma, nullptr, nullptr);
        cv::Mat in(h, w, CV_32F, src.data()), out;
        cv::GaussianBlur(in, out, cv::Size(0, 0), sigma, sigma, cv::BORDER_REPLICATE);
        float m = 0;
        for (int y = 20; y < h - 20; ++y)
            for (int x = 20; x < w - 20; ++x)
                m = std::max(m, std::fabs(dst[size_t(y) * w + x] - out.at<float>(y, x)));
        EXPECT_LT(m, 0.05f) << sigma;
    }
}

TEST(GaussBlur, NoBlurCopiesOrLeavesInPlace)
{
    const int w = 13, h = 7;
    auto src = randomImage(w, h, w + 2, 3);
    for (float sigma : {0.0f, -3.0f, std::nanf("")}) {
        std::vector<float> dst(size_t(w) * h, 9.0f);
        gaussBlurChannel(w, h, src.data(), w + 2, dst.data(), w, sigma, nullptr, nullptr);
        EXPECT_EQ(maxDiff(dst, w, src, w + 2, w, h), 0.0f);
        auto inPlace = src;
        gaussBlurChannel(w, h, inPlace.data(), w + 2, inPlace.data(), w + 2, sigma, nullptr, nullptr);
        EXPECT_EQ(inPlace, src); // padding untouched too
    }
}

// Sigmas far past any image: both paths still average (finite values inside
// the input's range), and infinity blurs like the largest finite sigma.
TEST(GaussBlur, AbsurdSigmasStayAveragesOfTheInput)
{
    const float inf = std::numeric_limits<float>::infinity();
    for (auto [w, h] : {std::pair{3, 40}, std::pair{50, 33}}) {
        const auto src = randomImage(w, h, w, 8);
        const auto [lo, hi] = std::minmax_element(src.begin(), src.end());
        std::vector<float> huge(src.size());
        gaussBlurChannel(w, h, src.data(), w, huge.data(), w, std::numeric_limits<float>::max(), nullptr, nullptr);
        for (float sigma : {1e8f, 1e30f, inf}) {
            std::vector<float> out(src.size());
            gaussBlurChannel(w, h, src.data(), w, out.data(), w, sigma, nullptr, nullptr);
            for (float v : out) {
                ASSERT_TRUE(v >= *lo - 1e-5f && v <= *hi + 1e-5f) << w << "x" << h << " sigma " << sigma << ": " << v;
            }
            if (sigma == inf) {
                EXPECT_EQ(out, huge) << w << "x" << h;
            }
        }
    }
}

TEST(GaussBlur, ConstantStaysConstantAndInPlaceMatches)
{
    for (float sigma : {0.3f, 1.0f, 4.0f, 25.0f}) {
        for (auto [w, h] : {std::pair{3, 40}, std::pair{50, 33}}) {
            std::vector<float> img(size_t(w) * h, 0.625f);
            gaussBlurChannel(w, h, img.data(), w, img.data(), w, sigma, nullptr, nullptr);
            for (float v : img)
                ASSERT_NEAR(v, 0.625f, 2e-6f) << sigma;

            auto src = randomImage(w, h, w, 4);
            std::vector<float> out(src.size()), work(src.size());
            gaussBlurChannel(w, h, src.data(), w, out.data(), w, sigma, work.data(), nullptr);
            gaussBlurChannel(w, h, src.data(), w, src.data(), w, sigma, work.data(), nullptr);
            EXPECT_EQ(out, src) << sigma;
        }
    }
}

TEST(GaussBlur, ImpulseSpreadsSymmetrically)
{
    const int w = 81, h = 81, c = 40;
    for (float sigma : {0.4f, 3.0f}) {
        std::vector<float> img(size_t(w) * h, 0.0f);
        img[size_t(c) * w + c] = 1.0f;
        gaussBlurChannel(w, h, img.data(), w, img.data(), w, sigma, nullptr, nullptr);
        double sum = 0;
        for (float v : img)
            sum += v;
        EXPECT_NEAR(sum, 1.0, 1e-4);
        for (int d = 1; d < 10; ++d) {
            const float r = img[size_t(c) * w + c + d];
            EXPECT_NEAR(img[size_t(c) * w + c - d], r, 1e-7f);
            EXPECT_NEAR(img[size_t(c + d) * w + c], r, 1e-7f);
            EXPECT_NEAR(img[size_t(c - d) * w + c], r, 1e-7f);
            EXPECT_LE(r, img[size_t(c) * w + c + d - 1]);
        }
    }
}

using MorvelinTest::CancelAfter;

TEST(GaussBlur, ProgressCountsEveryLineAndClosesItsStage)
{
    for (auto [w, h, sigma] : {std::tuple{20, 11, 2.0f}, std::tuple{3, 9, 1.0f}}) {
        ProgressData p;
        p.step();
        auto src = randomImage(w, h, w, 1);
        gaussBlurChannel(w, h, src.data(), w, src.data(), w, sigma, nullptr, &p);
        EXPECT_EQ(p.depth(), 1);
        p.step(); // the closed stage left the outer one where it was
        EXPECT_DOUBLE_EQ(p.scale(), 1.0);
    }
    // Steps are counted inside the blur's own stage: watch them arrive.
    struct Counting : ProgressData {
        using ProgressData::advance;
        void advance() override { ++count; ProgressData::advance(); }
        int count = 0;
    } counting;
    auto src = randomImage(20, 11, 20, 1);
    gaussBlurChannel(20, 11, src.data(), 20, src.data(), 20, 2.0f, nullptr, &counting);
    EXPECT_EQ(counting.count, 31);
    EXPECT_EQ(counting.depth(), 0);
}

TEST(GaussBlur, CancellationStopsWithColumnsUnwritten)
{
    for (float sigma : {0.3f, 2.0f}) {
        const int w = 100, h = 30;
        auto src = randomImage(w, h, w, 2);
        std::vector<float> dst(src.size(), -5.0f);
        CancelAfter p(h + 1); // every row, then the first columns
        gaussBlurChannel(w, h, src.data(), w, dst.data(), w, sigma, nullptr, &p);
        EXPECT_TRUE(p.cancelled());
        EXPECT_EQ(p.depth(), 0);
        EXPECT_NE(dst[0], -5.0f) << sigma;
        EXPECT_EQ(dst[w - 1], -5.0f) << sigma;
        EXPECT_EQ(dst[size_t(h - 1) * w + w - 1], -5.0f) << sigma;

        std::vector<float> untouched(src.size(), -5.0f);
        CancelAfter early(1); // cancelled during the rows: nothing reaches dst
        gaussBlurChannel(w, h, src.data(), w, untouched.data(), w, sigma, nullptr, &early);
        EXPECT_EQ(untouched, std::vector<float>(src.size(), -5.0f)) << sigma;
    }
}

} // namespace
