#include "cmm/Ipol3D.h"

#include "LogCapture.h"
#include "pixelstore/CpuFeatures.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <random>
#include <thread>
#include <vector>

using namespace Nuvra::CMM;

namespace {

std::vector<uint16_t> RandomGrid(int points, int inputs, int outputs, uint32_t seed, bool smooth)
{
    size_t n = size_t(outputs);
    for (int i = 0; i < inputs; ++i)
        n *= size_t(points);
    std::vector<uint16_t> g(n);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> any(0, 65535), jitter(-2000, 2000);
    for (size_t i = 0; i < n; ++i) {
        if (!smooth) {
            g[i] = uint16_t(any(rng));
            continue;
        }
        // A smooth colour-like function of the node plus noise.
        size_t node = i / size_t(outputs), sum = 0;
        for (int k = 0; k < inputs; ++k) {
            sum += node % size_t(points);
            node /= size_t(points);
        }
        const double v = double(sum) / double(inputs * (points - 1));
        g[i] = uint16_t(std::min(65535.0, std::max(0.0, 65535.0 * std::pow(v, 1.0 + (i % outputs) * 0.3) + jitter(rng))));
    }
    return g;
}

// The reference's 16-bit grid interpolation, reached through a pipeline
// holding only that grid.
struct ReferenceGrid {
    cmsPipeline* pipe;
    ReferenceGrid(int points, int inputs, int outputs, const std::vector<uint16_t>& g)
    {
        pipe = cmsPipelineAlloc(nullptr, inputs, outputs);
        cmsStage* s = cmsStageAllocCLut16bit(nullptr, points, inputs, outputs, g.data());
        cmsPipelineInsertStage(pipe, cmsAT_END, s);
    }
    ~ReferenceGrid() { cmsPipelineFree(pipe); }
    void eval(const uint16_t* in, uint16_t* out) const { cmsPipelineEval16(in, out, pipe); }
};

// Trilinear interpolation in double precision.
double Trilinear(const cIpol3D& p, const std::vector<uint16_t>& g, const uint16_t* in, int c)
{
    double f[3];
    int lo[3], hi[3];
    for (int i = 0; i < 3; ++i) {
        const double pos = in[i] * double(p.domain) / 65535.0;
        lo[i] = std::min(int(pos), p.domain);
        hi[i] = std::min(lo[i] + 1, p.domain);
        f[i] = pos - lo[i];
    }
    double r = 0;
    for (int corner = 0; corner < 8; ++corner) {
        double w = 1;
        size_t at = size_t(c);
        for (int i = 0; i < 3; ++i) {
            const bool up = corner & (1 << i);
            w *= up ? f[i] : 1 - f[i];
            at += size_t(up ? hi[i] : lo[i]) * size_t(p.opta[2 - i]);
        }
        r += w * g[at];
    }
    return r;
}

} // namespace

TEST(Ipol3D, TetrahedralMatchesReferenceWithinOneUnit)
{
    for (int points : {2, 5, 17, 33}) {
        const std::vector<uint16_t> g = RandomGrid(points, 3, 3, 11 + points, points > 5);
        const cIpol3D ipol(points, 3, 3, true);
        const auto eval = ipol.CalcEvaluator();
        ASSERT_TRUE(eval == &cIpol3D::EvalTetrahedral16 || eval == &cIpol3D::EvalTetrahedral16Wide);
        const ReferenceGrid ref(points, 3, 3, g);
        std::mt19937 rng(points);
        std::uniform_int_distribution<int> d(0, 65535);
        int worst = 0;
        for (int i = 0; i < 100000; ++i) {
            uint16_t in[3] = {uint16_t(d(rng)), uint16_t(d(rng)), uint16_t(d(rng))};
            if (i % 10 == 0)
                in[i % 3] = 0xFFFF;
            uint16_t ours[3], theirs[3];
            (ipol.*eval)(in, ours, g.data());
            ref.eval(in, theirs);
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(int(ours[c]) - int(theirs[c])));
        }
        EXPECT_LE(worst, 1) << points;
    }
}

TEST(Ipol3D, TrilinearMatchesExactInterpolationWithinOneUnit)
{
    for (int points : {2, 9, 33}) {
        const std::vector<uint16_t> g = RandomGrid(points, 3, 4, 5 + points, false);
        const cIpol3D ipol(points, 3, 4, false);
        const auto eval = ipol.CalcEvaluator();
        ASSERT_TRUE(eval == &cIpol3D::Eval3Inputs || eval == &cIpol3D::Eval3InputsWide);
        std::mt19937 rng(points);
        std::uniform_int_distribution<int> d(0, 65535);
        double worst = 0;
        for (int i = 0; i < 50000; ++i) {
            uint16_t in[3] = {uint16_t(d(rng)), uint16_t(d(rng)), uint16_t(d(rng))};
            if (i % 7 == 0)
                in[i % 3] = 0xFFFF;
            uint16_t ours[4];
            (ipol.*eval)(in, ours, g.data());
            for (int c = 0; c < 4; ++c)
                worst = std::max(worst, std::fabs(ours[c] - Trilinear(ipol, g, in, c)));
        }
        // Three rounded 16-bit lerps in a row: up to half a unit each.
        EXPECT_LE(worst, 1.6 + 0.1) << points;
    }
}

namespace Simd = Nuvra::DataStorage::Simd;

// The plain and the AVX2 evaluators of one grid shape: one pixel, and runs
// (none for four inputs).
struct EvaluatorPair {
    cIpol3D::Evaluator plain, wide;
    cIpol3D::RunEvaluator run;
};

EvaluatorPair PairFor(int inputs, bool tetrahedral)
{
    if (inputs == 4)
        return {&cIpol3D::Eval4Inputs, &cIpol3D::Eval4InputsWide, nullptr};
    if (tetrahedral)
        return {&cIpol3D::EvalTetrahedral16, &cIpol3D::EvalTetrahedral16Wide, &cIpol3D::EvalTetrahedral16Run};
    return {&cIpol3D::Eval3Inputs, &cIpol3D::Eval3InputsWide, &cIpol3D::Eval3InputsRun};
}

TEST(Ipol3D, WideEvaluatorsEqualPlainOnes)
{
    if (!Simd::processorHas(Simd::Isa::Avx2))
        GTEST_SKIP() << "no AVX2";
    // Rough grids put full-range steps between neighbours; outputs beyond
    // four take the wide path more than once per pixel, with a short tail.
    const struct {
        int inputs, points, outputs;
        bool tetrahedral, smooth;
    } cases[] = {
        {3, 33, 3, true, true}, {3, 2, 1, true, false},  {3, 17, 7, true, false}, {3, 5, 4, true, false},
        {3, 33, 3, false, true}, {3, 9, 4, false, false}, {3, 5, 6, false, false}, {4, 9, 3, true, true},
        {4, 17, 4, true, false}, {4, 5, 5, true, false},  {4, 3, 2, true, false},  {3, 17, 3, false, false},
        {3, 3, 2, false, false}, {3, 2, 5, false, false}, {3, 9, 2, true, false}, {3, 65, 3, true, false},
        {3, 5, 1, false, false},
    };
    for (const auto& c : cases) {
        std::vector<uint16_t> g = RandomGrid(c.points, c.inputs, c.outputs, 500 + c.points + c.outputs, c.smooth);
        if (!c.smooth) {
            // Extremes side by side: the largest differences the arithmetic meets.
            for (size_t i = 0; i < g.size(); i += 5)
                g[i] = (i / 5) % 2 ? 0xFFFF : 0;
        }
        const cIpol3D ipol(c.points, c.inputs, c.outputs, c.tetrahedral);
        const EvaluatorPair e = PairFor(c.inputs, c.tetrahedral);
        std::mt19937 rng(c.points * 16 + c.outputs);
        std::uniform_int_distribution<int> d(0, 65535);
        const uint16_t edges[] = {0, 1, 0x7FFF, 0x8000, 0xFFFE, 0xFFFF};
        std::uniform_int_distribution<int> node(0, c.points - 1);
        constexpr int kPixels = 60000;
        std::vector<uint16_t> ins(size_t(kPixels) * 4), plains(size_t(kPixels) * 16);
        for (int i = 0; i < kPixels; ++i) {
            uint16_t* in = &ins[size_t(i) * 4];
            for (int k = 0; k < c.inputs; ++k)
                in[k] = i % 5 == k ? edges[(i / 5) % 6] : uint16_t(d(rng));
            // Node-exact samples: a zero rest on that axis.
            if (i % 13 == 0)
                in[(i / 13) % c.inputs] = uint16_t((node(rng) * 65535 + (c.points - 1) / 2) / (c.points - 1));
            // Tied rests leave the order of the tetrahedron's steps open.
            if (i % 7 == 0)
                in[c.inputs - 2] = in[c.inputs - 3];
            if (i % 11 == 0)
                in[c.inputs - 1] = in[c.inputs - 3];
            uint16_t* plain = &plains[size_t(i) * 16];
            uint16_t wide[16];
            (ipol.*e.plain)(in, plain, g.data());
            (ipol.*e.wide)(in, wide, g.data());
            for (int o = 0; o < c.outputs; ++o)
                ASSERT_EQ(plain[o], wide[o]) << c.inputs << " inputs, " << c.points << " points, " << c.outputs
                                             << " outputs, output " << o << ", pixel " << i;
        }
        if (!e.run || (c.tetrahedral && c.outputs < 2))
            continue;
        // Runs of every length around the eight lanes, with their tails.
        std::vector<uint16_t> runs(size_t(kPixels) * 16, 0xABCD);
        for (int i = 0, len = 1; i < kPixels; i += len, len = len % 19 + 1)
            (ipol.*e.run)(&ins[size_t(i) * 4], 4, &runs[size_t(i) * 16], 16, std::min(len, kPixels - i), g.data());
        for (int i = 0; i < kPixels; ++i)
            for (int o = 0; o < 16; ++o)
                ASSERT_EQ(runs[size_t(i) * 16 + o], o < c.outputs ? plains[size_t(i) * 16 + o] : 0xABCD)
                    << "run: " << c.points << " points, " << c.outputs << " outputs, output " << o << ", pixel " << i;
    }
}

TEST(Ipol3D, EvaluatorFollowsTheKernelSwitch)
{
    const bool avx2 = Simd::processorHas(Simd::Isa::Avx2);
    for (const Simd::Kernels limit : {Simd::Kernels::Plain, Simd::Kernels::Sse2, Simd::Kernels::Any}) {
        Simd::limitKernels(limit);
        const bool wide = avx2 && limit == Simd::Kernels::Any && Simd::kernelsMay(Simd::Isa::Avx2);
        for (const auto& shape : {std::make_pair(3, true), std::make_pair(3, false), std::make_pair(4, true)}) {
            const cIpol3D ipol(9, shape.first, 3, shape.second);
            const EvaluatorPair e = PairFor(shape.first, shape.second);
            EXPECT_TRUE(ipol.CalcEvaluator() == (wide ? e.wide : e.plain)) << int(limit) << " " << shape.first;
        }
    }
    Simd::limitKernels(Simd::Kernels::Any);
    EXPECT_TRUE(cIpol3D(9, 5, 3, false).CalcEvaluator() == &cIpol3D::Eval5Inputs);
}

TEST(Ipol3D, IdentityCubeGivesItsInputBack)
{
    const std::vector<uint16_t> g = {0, 0, 0,          0, 0, 65535,     0, 65535, 0,
                                     0, 65535, 65535,  65535, 0, 0,     65535, 0, 65535,
                                     65535, 65535, 0,  65535, 65535, 65535};
    for (bool tetra : {false, true}) {
        const cIpol3D ipol(2, 3, 3, tetra);
        const auto eval = ipol.CalcEvaluator();
        std::mt19937 rng(3);
        std::uniform_int_distribution<int> d(0, 65535);
        for (int i = 0; i < 20000; ++i) {
            uint16_t in[3] = {uint16_t(d(rng)), uint16_t(d(rng)), uint16_t(d(rng))};
            if (i < 8)
                for (int k = 0; k < 3; ++k)
                    in[k] = (i >> k) & 1 ? 0xFFFF : 0;
            uint16_t out[3];
            (ipol.*eval)(in, out, g.data());
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(out[c], in[c], 1) << tetra;
        }
    }
}

TEST(Ipol3D, OneAndManyInputsMatchReference)
{
    const struct {
        int inputs, points, outputs, tolerance;
    } cases[] = {
        {1, 17, 3, 1}, {4, 9, 3, 1}, {4, 17, 4, 1}, {5, 5, 3, 2}, {6, 4, 3, 2}, {7, 3, 2, 2}, {8, 3, 3, 2},
    };
    for (const auto& c : cases) {
        const std::vector<uint16_t> g = RandomGrid(c.points, c.inputs, c.outputs, 77 + c.inputs, true);
        const cIpol3D ipol(c.points, c.inputs, c.outputs, false);
        const auto eval = ipol.CalcEvaluator();
        ASSERT_NE(eval, nullptr);
        const ReferenceGrid ref(c.points, c.inputs, c.outputs, g);
        std::mt19937 rng(c.inputs);
        std::uniform_int_distribution<int> d(0, 65535);
        int worst = 0;
        for (int i = 0; i < 20000; ++i) {
            uint16_t in[8];
            for (int k = 0; k < c.inputs; ++k)
                in[k] = i % 11 == k ? 0xFFFF : uint16_t(d(rng));
            uint16_t ours[16], theirs[16];
            (ipol.*eval)(in, ours, g.data());
            ref.eval(in, theirs);
            for (int o = 0; o < c.outputs; ++o)
                worst = std::max(worst, std::abs(int(ours[o]) - int(theirs[o])));
        }
        EXPECT_LE(worst, c.tolerance) << c.inputs << " inputs";
    }
}

TEST(Ipol3D, UnsupportedShapesHaveNoEvaluator)
{
    LogCapture log;
    const struct {
        int points, inputs, outputs;
    } cases[] = {{17, 0, 3}, {17, 2, 3}, {3, 9, 3}, {1, 3, 3}, {0, 3, 3}, {17, 3, 0}, {17, 3, 17}, {255, 8, 3}};
    for (const auto& c : cases) {
        const cIpol3D ipol(c.points, c.inputs, c.outputs, true);
        EXPECT_EQ(ipol.CalcEvaluator(), nullptr) << c.points << " " << c.inputs << " " << c.outputs;
        EXPECT_FALSE(log.take().isEmpty());
    }
    EXPECT_EQ(cIpol3D(17, 2, 3, false).SampleCount(), 0u);
    EXPECT_EQ(cIpol3D(17, 9, 3, false).SampleCount(), 0u);
    EXPECT_EQ(cIpol3D(17, 3, 3, false).SampleCount(), 17u * 17 * 17 * 3);
}

TEST(Ipol3D, PatchIndexFindsNodesOnly)
{
    const cIpol3D ipol(4, 3, 3, true); // strides 48, 12, 3
    const struct {
        uint16_t at[3];
        int32_t index;
    } cases[] = {
        {{0, 0, 0}, 0},
        {{21845, 0xFFFF, 0}, 48 + 36},
        {{0xFFFF, 0xFFFF, 0xFFFF}, 144 + 36 + 9},
        {{0x4000, 0, 0}, -1},
        {{0, 0, 21846}, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ipol.PatchLUTIndex(c.at, 3), c.index);
    LogCapture log;
    EXPECT_EQ(ipol.PatchLUTIndex(cases[0].at, 2), -1);
    EXPECT_TRUE(log.contains("Channels are not supported on PatchLUT"));
}

TEST(Ipol3D, ThreadsShareOneFourInputGrid)
{
    const std::vector<uint16_t> g = RandomGrid(9, 4, 3, 99, true);
    const cIpol3D ipol(9, 4, 3, true);
    const auto eval = ipol.CalcEvaluator();
    std::vector<uint16_t> in(4 * 50000);
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> d(0, 65535);
    for (auto& v : in)
        v = uint16_t(d(rng));
    const auto run = [&](std::vector<uint16_t>& out) {
        out.resize(3 * 50000);
        for (size_t i = 0; i < 50000; ++i)
            (ipol.*eval)(&in[4 * i], &out[3 * i], g.data());
    };
    std::vector<uint16_t> expected;
    run(expected);
    std::vector<std::vector<uint16_t>> results(8);
    std::vector<std::thread> threads;
    for (auto& r : results)
        threads.emplace_back([&run, &r] { run(r); });
    for (auto& t : threads)
        t.join();
    for (const auto& r : results)
        EXPECT_EQ(r, expected);
}
