#include "effect/TiledBlurKernels.h"
#include "pixelstore/CpuFeatures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

using namespace Nuvra::DataStorage::ns_cltBlur;

namespace {

TEST(TiledBlurAlg, BoxParametersTable)
{
    struct Case {
        float sigma;
        int r;
        float a, b;
        int reach, reachAll;
    } cases[] = {
        {0.0f, 1, 1.0f, 0.0f, 1, 1},          {1.0f, 1, 0.5f, 0.166667f, 1, 1},
        {2.0f, 2, 0.166667f, 0.1f, 1, 1},     {10.0f, 10, 0.026316f, 0.02381f, 1, 1},
        {100.0f, 100, 0.002513f, 0.002488f, 2, 5}, {-10.0f, 10, 0.026316f, 0.02381f, 1, 1},
        {std::nanf(""), 1, 1.0f, 0.0f, 1, 1},
    };
    for (const auto& c : cases) {
        TB_AlgData d(c.sigma, 3);
        EXPECT_EQ(d.r, c.r) << c.sigma;
        EXPECT_NEAR(d.a, c.a, 1e-6) << c.sigma;
        EXPECT_NEAR(d.b, c.b, 1e-6) << c.sigma;
        EXPECT_FLOAT_EQ(d.ab, d.a + d.b);
        EXPECT_EQ(d.tileReach, c.reach) << c.sigma;
        EXPECT_EQ(d.tileReachAll, c.reachAll) << c.sigma;
        // The two boxes carry the whole weight.
        EXPECT_NEAR((2 * d.r - 1) * d.a + (2 * d.r + 1) * d.b, 1.0, 1e-5) << c.sigma;
    }
    // Absurd sigmas stay within sizes that cannot overflow.
    TB_AlgData huge(3e38f, 3);
    EXPECT_GT(huge.r, 1000);
    EXPECT_LT(huge.r, 1 << 20);
    EXPECT_GT(huge.tileReachAll, 0);
}

TEST(TiledBlurAlg, ExpandMonotoneTable)
{
    auto bits = [](const char* s) {
        std::vector<bool> v;
        for (; *s; ++s)
            v.push_back(*s == '1');
        return v;
    };
    struct Case {
        const char* in;
        int reach;
        const char* out;
    } cases[] = {
        {"1111011111", 1, "1110001111"}, {"1111011111", 2, "1100000111"}, {"1111111111", 3, "1111111111"},
        {"0111111110", 2, "0001111000"}, {"1011", 0, "1011"},             {"1101", 5, "0000"},
        {"11", 1, "11"},
    };
    for (const auto& c : cases) {
        std::vector<bool> out;
        const auto in = bits(c.in);
        ExpandMonotone(out, in, int(in.size()), c.reach);
        EXPECT_EQ(out, bits(c.out)) << c.in << " reach " << c.reach;
    }
}

struct Band {
    int lineLength, lines;
    std::vector<std::vector<double>> data; // [line][position]
};

Band randomBand(int lineLength, int lines, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(0.0f, 1.0f);
    Band b{lineLength, lines, {}};
    b.data.assign(size_t(lines), std::vector<double>(size_t(lineLength)));
    for (auto& l : b.data)
        for (auto& v : l)
            v = d(rng);
    return b;
}

void load(TB_WorkArea& w, const Band& b)
{
    for (int j = 0; j < b.lines; ++j)
        for (int i = 0; i < b.lineLength; ++i)
            w.io.buffer[0][size_t(i) * kBandWidth + size_t(j)] = float(b.data[size_t(j)][size_t(i)]);
}

// Three passes of the equivalent 1-D kernel with the end samples repeated.
std::vector<double> referenceBlur(std::vector<double> x, const TB_AlgData& alg)
{
    const int n = int(x.size()), r = alg.r;
    for (int p = 0; p < alg.passes; ++p) {
        std::vector<double> y(x.size());
        for (int i = 0; i < n; ++i) {
            double s = 0;
            for (int d = -r; d <= r; ++d) {
                const double w = std::abs(d) == r ? alg.b : double(alg.a) + alg.b;
                s += w * x[size_t(std::clamp(i + d, 0, n - 1))];
            }
            y[size_t(i)] = s;
        }
        x = y;
    }
    return x;
}

float* runBand(TB_WorkArea& w, const TB_AlgData& alg, const Band& b, int pitch, bool sse)
{
    load(w, b);
    const int tiles = (b.lineLength + 63) / 64;
    std::fill(w.expanded.begin(), w.expanded.end(), false);
    std::fill(w.inner.begin(), w.inner.end(), false);
    return TB_RunPasses(w, alg, tiles, b.lineLength, b.lines, pitch, sse, nullptr);
}

TEST(TiledBlurKernels, PassesMatchThreeBoxPassesWithEdgeRepeat)
{
    struct Case {
        int length, lines;
        float sigma;
    } cases[] = {{200, 64, 1.0f}, {130, 37, 4.0f}, {64, 5, 10.0f}, {300, 64, 40.0f}, {7, 3, 2.0f}};
    for (const auto& c : cases) {
        TB_AlgData alg(c.sigma, 3);
        const Band band = randomBand(c.length, c.lines, 3);
        const int pitch = (c.length + 3) & ~3;
        TB_WorkArea w(c.length, 8);
        const float* out = runBand(w, alg, band, pitch, Check_SSEAvailable());
        ASSERT_NE(out, nullptr);
        double worst = 0;
        for (int j = 0; j < c.lines; ++j) {
            const auto ref = referenceBlur(band.data[size_t(j)], alg);
            for (int i = 0; i < c.length; ++i)
                worst = std::max(worst, std::fabs(out[size_t(j) * pitch + size_t(i)] - ref[size_t(i)]));
        }
        EXPECT_LE(worst, 1e-4) << c.length << " " << c.sigma;
    }
}

TEST(TiledBlurKernels, PlainAndSSEAreBitIdentical)
{
    for (int lines : {64, 37, 1}) {
        for (float sigma : {0.0f, 1.5f, 7.0f, 70.0f}) {
            TB_AlgData alg(sigma, 3);
            const Band band = randomBand(197, lines, unsigned(lines));
            const int pitch = 200;
            TB_WorkArea a(197, 4), b(197, 4);
            const float* pa = runBand(a, alg, band, pitch, false);
            const float* pb = runBand(b, alg, band, pitch, true);
            for (int j = 0; j < lines; ++j)
                ASSERT_EQ(0, std::memcmp(pa + size_t(j) * pitch, pb + size_t(j) * pitch, 197 * sizeof(float)))
                    << lines << " " << sigma << " line " << j;
        }
    }
}

TEST(TiledBlurKernels, EveryFormOfOneTilePassIsBitIdentical)
{
    // One pass over the second tile of a band, started mid-line, through
    // each form the processor has, whatever the kernel switch says; straight and transposed.
    using Kernel = void (*)(const float*, float*, float*, const TB_AlgData&, int, int, int, int, int, bool);
    std::vector<Kernel> forms = {TB_ProcessTile};
    if (Nuvra::DataStorage::Simd::processorHas(Nuvra::DataStorage::Simd::Isa::Sse))
        forms.push_back(TB_ProcessTile_SSE);
    if (Nuvra::DataStorage::Simd::processorHas(Nuvra::DataStorage::Simd::Isa::Avx))
        forms.push_back(Avx::TB_ProcessTile);
    ASSERT_GT(forms.size(), 1u);
    const int length = 150, pitch = 152;
    for (int lines : {64, 21, 3}) {
        for (float sigma : {1.0f, 9.0f, 60.0f}) {
            TB_AlgData alg(sigma, 3);
            const Band band = randomBand(length, lines, unsigned(lines * 7));
            for (bool transposed : {false, true}) {
                std::vector<std::vector<float>> outs;
                for (Kernel k : forms) {
                    TB_WorkArea w(length, 4);
                    load(w, band);
                    TB_StartSums(w.io.buffer[0], w.accumulators.get(), alg, 64, length, 64);
                    k(w.io.buffer[0], w.io.buffer[1], w.accumulators.get(), alg, 1, length, lines, kBandWidth,
                      transposed ? pitch : kBandWidth, transposed);
                    std::vector<float> o;
                    for (int j = 0; j < lines; ++j)
                        for (int i = 64; i < 128; ++i)
                            o.push_back(transposed ? w.io.buffer[1][size_t(j) * pitch + size_t(i)]
                                                   : w.io.buffer[1][size_t(i) * kBandWidth + size_t(j)]);
                    for (int j = 0; j < lines; ++j)
                        o.push_back(w.accumulators[size_t(j)]);
                    outs.push_back(o);
                }
                for (size_t f = 1; f < outs.size(); ++f)
                    EXPECT_EQ(outs[f], outs[0]) << "form " << f << " lines " << lines << " sigma " << sigma
                                                << (transposed ? " transposed" : "");
            }
        }
    }
}

TEST(TiledBlurKernels, UniformStretchesAreSkippedAndKeepTheirValue)
{
    // Tiles 0-5 hold 0.25, tile 6 is noise: the far tiles are never
    // filtered, the last pass leaves them unwritten, and the filtered tiles
    // next to the stretch agree with a full run.
    const int length = 7 * 64, lines = 16;
    TB_AlgData alg(3.0f, 3);
    Band band = randomBand(length, lines, 1);
    for (auto& l : band.data)
        std::fill(l.begin(), l.begin() + 6 * 64, 0.25);
    const int pitch = length;

    TB_WorkArea full(length, 7);
    const float* ref = runBand(full, alg, band, pitch, true);
    std::vector<float> refCopy(ref, ref + size_t(lines) * pitch);

    TB_WorkArea w(length, 7);
    load(w, band);
    for (int t = 0; t < 7; ++t) {
        w.uniform[size_t(t)] = t < 6;
        w.values[size_t(t)] = 0.25f;
    }
    ExpandMonotone(w.expanded, w.uniform, 7, alg.tileReachAll);
    ExpandMonotone(w.inner, w.expanded, 7, alg.tileReach);
    EXPECT_TRUE(w.expanded[4]);
    EXPECT_FALSE(w.expanded[5]);
    EXPECT_TRUE(w.inner[3]);
    EXPECT_FALSE(w.inner[4]);
    std::fill(w.io.buffer[1], w.io.buffer[1] + size_t(lines) * pitch, -1.0f);
    const float* out = TB_RunPasses(w, alg, 7, length, lines, pitch, true, nullptr);
    for (int j = 0; j < lines; ++j) {
        EXPECT_EQ(out[size_t(j) * pitch], -1.0f); // skipped in the last pass
        for (int i = 5 * 64; i < length; ++i)
            ASSERT_NEAR(out[size_t(j) * pitch + i], refCopy[size_t(j) * pitch + i], 1e-6f) << j << " " << i;
    }
}

} // namespace
