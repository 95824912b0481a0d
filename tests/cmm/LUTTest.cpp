#include "cmm/LUT.h"
#include "cmm/ColorRecords.h"

#include "GammaFixtures.h"
#include "LogCapture.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <random>
#include <vector>

using namespace Nuvra::CMM;
using Nuvra::CMM::Test::Gamma;

namespace {

std::vector<uint16_t> Nodes(const cLUT& lut)
{
    return lut.gridSamples;
}

// Fills a grid node by node from a function of the node's coordinates.
template <class F>
void FillGrid(cLUT& lut, F f)
{
    struct Cargo {
        F* f;
    } cargo{&f};
    lut.Sample3DGrid(
        [](const uint16_t* in, uint16_t* out, void* c) {
            (*static_cast<Cargo*>(c)->f)(in, out);
            return 1;
        },
        &cargo, {});
}

} // namespace

TEST(LUT, EmptyPipelinesCopy)
{
    const cLUT same(0, 3, 3, false);
    EXPECT_EQ(same.evaluator, (&cLUT::EvalLUT_Empty_XX<3, 3>));
    const uint16_t in[4] = {1, 2, 3, 4};
    uint16_t out[4] = {9, 9, 9, 9};
    same.Eval(in, out);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[2], 3);
    EXPECT_EQ(out[3], 9);

    const cLUT wider(0, 3, 4, false);
    wider.Eval(in, out);
    EXPECT_EQ(out[2], 3);
    EXPECT_EQ(out[3], 0);

    const cLUT five(0, 5, 2, false);
    EXPECT_EQ(five.evaluator, &cLUT::EvalLUT_Empty);
    const uint16_t in5[5] = {5, 6, 7, 8, 9};
    five.Eval(in5, out);
    EXPECT_EQ(out[1], 6);

    EXPECT_FALSE(cLUT().IsValid());
}

TEST(LUT, EvaluatorFollowsTheStages)
{
    cLUT lut(9, 3, 3, true);
    EXPECT_EQ(lut.evaluator, &cLUT::EvalLUT_CLUT);
    const auto before = lut.evaluator;
    lut.SetMatrix(LUT_Matrix, mat33fixed_t::Identity(), vec3fixed_t{});
    EXPECT_EQ(lut.flags & LUT_Matrix, 0u);
    EXPECT_EQ(lut.evaluator, before);

    const cGammaTable curves[3] = {Gamma(256, 1.8f), Gamma(256, 2.2f), Gamma(256, 1.0f)};
    lut.SetLinearTable(1, curves);
    EXPECT_EQ(lut.evaluator, (&cLUT::EvalLUT_TL1_CLUT_XX<3, 3>));
    lut.SetLinearTable(2, curves);
    EXPECT_EQ(lut.evaluator, (&cLUT::EvalLUT_Full_XX<3, 3>));
    lut.SetLinearTable(7, curves);
    EXPECT_EQ(lut.evaluator, (&cLUT::EvalLUT_Full_XX<3, 3>));

    cLUT wide(5, 5, 3, false);
    const cGammaTable five[5] = {curves[0], curves[1], curves[2], curves[0], curves[1]};
    wide.SetLinearTable(1, five);
    EXPECT_EQ(wide.evaluator, &cLUT::EvalLUT_TL1_CLUT);
    wide.SetLinearTable(2, curves);
    EXPECT_EQ(wide.evaluator, &cLUT::EvalLUT_Full);
}

TEST(LUT, TablesGridTablesMatchReference)
{
    cLUT lut(17, 3, 3, true);
    std::mt19937 rng(4);
    std::uniform_int_distribution<int> d(0, 65535);
    // A smooth colour-like grid, so that a unit at the input tables moves the
    // grid result by about a unit.
    FillGrid(lut, [](const uint16_t* in, uint16_t* out) {
        out[0] = uint16_t((in[0] * 0.6 + in[1] * 0.3 + in[2] * 0.1));
        out[1] = uint16_t(65535.0 * std::pow((in[1] + in[2]) / 131070.0, 1.5));
        out[2] = uint16_t(65535 - in[2] / 2);
    });
    const cGammaTable in[3] = {Gamma(256, 2.2f), Gamma(4096, 0.6f), Gamma(1024, 1.3f)};
    const cGammaTable out[3] = {Gamma(512, 0.45f), Gamma(4096, 1.0f), Gamma(256, 2.0f)};
    lut.SetLinearTable(1, in);
    lut.SetLinearTable(2, out);
    ASSERT_TRUE(lut.IsValid());

    cmsToneCurve* refIn[3];
    cmsToneCurve* refOut[3];
    for (int c = 0; c < 3; ++c) {
        refIn[c] = cmsBuildTabulatedToneCurve16(nullptr, cmsUInt32Number(in[c].table.size()), in[c].table.data());
        refOut[c] = cmsBuildTabulatedToneCurve16(nullptr, cmsUInt32Number(out[c].table.size()), out[c].table.data());
    }
    cmsPipeline* pipe = cmsPipelineAlloc(nullptr, 3, 3);
    cmsPipelineInsertStage(pipe, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, refIn));
    cmsPipelineInsertStage(pipe, cmsAT_END, cmsStageAllocCLut16bit(nullptr, 17, 3, 3, lut.gridSamples.data()));
    cmsPipelineInsertStage(pipe, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, refOut));

    int worst = 0;
    for (int i = 0; i < 50000; ++i) {
        const uint16_t px[3] = {uint16_t(d(rng)), uint16_t(d(rng)), uint16_t(d(rng))};
        uint16_t ours[3], theirs[3];
        lut.Eval(px, ours);
        cmsPipelineEval16(px, theirs, pipe);
        for (int c = 0; c < 3; ++c)
            worst = std::max(worst, std::abs(int(ours[c]) - int(theirs[c])));
    }
    cmsPipelineFree(pipe);
    for (int c = 0; c < 3; ++c) {
        cmsFreeToneCurve(refIn[c]);
        cmsFreeToneCurve(refOut[c]);
    }
    // Two rounded lookups around the grid, each within a unit.
    EXPECT_LE(worst, 3);
}

TEST(LUT, MixedLengthCurveBanks)
{
    // Each table is read with its own count, not the first table's.
    cLUT lut(0, 3, 3, false);
    const cGammaTable curves[3] = {Gamma(2, 1.0f), Gamma(65535, 2.2f), Gamma(300, 0.5f)};
    lut.SetLinearTable(1, curves);
    ASSERT_TRUE(lut.IsValid());
    for (uint32_t v = 0; v <= 0xFFFF; v += 5) {
        const uint16_t in[3] = {uint16_t(v), uint16_t(v), uint16_t(v)};
        uint16_t out[3];
        lut.Eval(in, out);
        ASSERT_EQ(out[0], curves[0].Eval(uint16_t(v)));
        ASSERT_EQ(out[1], curves[1].Eval(uint16_t(v)));
        ASSERT_EQ(out[2], curves[2].Eval(uint16_t(v)));
    }
}

TEST(LUT, MatricesOffsetsAndLabEncodings)
{
    // matrix4 with its own offset: out = 0.5 v + 0.25 (no grid).
    cLUT lut(0, 3, 3, false);
    const mat33fixed_t half = {{0x8000, 0, 0, 0, 0x8000, 0, 0, 0, 0x8000}};
    lut.SetMatrix(LUT_Matrix3, mat33fixed_t::Identity(), vec3fixed_t{{0x1000, 0x1000, 0x1000}});
    lut.SetMatrix(LUT_Matrix4, half, vec3fixed_t{{0x4000, 0x4000, 0x4000}});
    const struct {
        uint16_t in, out;
    } cases[] = {{0, 0x4000 + 0x0800}, {0xFFFF, 0xBFFF}, {0x8000, 0x4000 + 0x4000 + 0x0800}};
    for (const auto& c : cases) {
        const uint16_t in[3] = {c.in, c.in, c.in};
        uint16_t out[3];
        lut.Eval(in, out);
        EXPECT_NEAR(out[0], c.out, 1) << c.in;
    }
    // Identity with zero offset clears the stage again.
    lut.SetMatrix(LUT_Matrix3, mat33fixed_t::Identity(), vec3fixed_t{});
    EXPECT_EQ(lut.flags & LUT_Matrix3, 0u);

    cLUT lab(0, 3, 3, false);
    lab.flags |= LUT_LabInputFromV2;
    lab.CalcEvaluators();
    const uint16_t white[3] = {0xFF00, 0x8000, 0xFFFF};
    uint16_t out[3];
    lab.Eval(white, out);
    EXPECT_EQ(out[0], 0xFFFF);
    EXPECT_EQ(out[1], 0x8080);
    EXPECT_EQ(out[2], 0xFFFF);
    lab.flags = LUT_LabOutputToV2;
    lab.CalcEvaluators();
    const uint16_t full[3] = {0xFFFF, 0x8080, 0};
    lab.Eval(full, out);
    EXPECT_EQ(out[0], 0xFF00);
    EXPECT_EQ(out[1], 0x8000);
    EXPECT_EQ(out[2], 0);

    // The 8-bit lut's gray axis fix moves a and b down before the matrix.
    cLUT fix(0, 3, 3, false);
    fix.grayAxisFix = true;
    fix.SetMatrix(LUT_Matrix, half, vec3fixed_t{});
    const uint16_t grey[3] = {0x8000, 0x8080, 0x40};
    fix.Eval(grey, out);
    EXPECT_NEAR(out[1], 0x4000, 1);
    EXPECT_EQ(out[2], 0);
}

TEST(LUT, Sample3DGridWalksEveryNode)
{
    cLUT lut(2, 3, 1, false);
    std::vector<std::array<uint16_t, 3>> seen;
    struct Cargo {
        std::vector<std::array<uint16_t, 3>>* seen;
        int stopAfter;
    } cargo{&seen, 100};
    const auto sampler = [](const uint16_t* in, uint16_t* out, void* c) {
        auto* k = static_cast<Cargo*>(c);
        k->seen->push_back({in[0], in[1], in[2]});
        out[0] = uint16_t(k->seen->size());
        return int(k->seen->size()) < k->stopAfter ? 1 : 0;
    };
    ASSERT_TRUE(lut.Sample3DGrid(sampler, &cargo, {}));
    ASSERT_EQ(seen.size(), 8u);
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(seen[i][0], (i & 4) ? 0xFFFF : 0);
        EXPECT_EQ(seen[i][1], (i & 2) ? 0xFFFF : 0);
        EXPECT_EQ(seen[i][2], (i & 1) ? 0xFFFF : 0);
        EXPECT_EQ(lut.gridSamples[i], i + 1);
    }
    // Inspection writes nothing; a zero from the sampler stops the walk.
    seen.clear();
    cargo.stopAfter = 3;
    EXPECT_FALSE(lut.Sample3DGrid(sampler, &cargo, Sampler_Inspect));
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(lut.gridSamples[0], 1);

    // Through the output tables and back: a gamma 2 table stores the inverse.
    cLUT curved(2, 1, 1, false);
    const cGammaTable out[1] = {Gamma(4096, 2.0f)};
    curved.SetLinearTable(2, out);
    curved.Sample3DGrid([](const uint16_t* in, uint16_t* o, void*) { o[0] = in[0]; return 1; }, nullptr,
                        Sampler_OutputTables);
    EXPECT_EQ(curved.gridSamples[0], 0);
    EXPECT_EQ(curved.gridSamples[1], 0xFFFF);
    uint16_t mid = 0x4000, res;
    curved.Eval(&mid, &res);
    EXPECT_EQ(res, out[0].Eval(0x4000));

    LogCapture log;
    cLUT none(0, 3, 3, false);
    EXPECT_FALSE(none.Sample3DGrid(sampler, &cargo, {}));
    EXPECT_FALSE(log.take().isEmpty());
}

TEST(LUT, PatchOnlyNodesOfLutsWithoutInputTables)
{
    cLUT lut(4, 3, 3, true);
    const uint16_t at[3] = {21845, 0xFFFF, 0};
    const uint16_t values[3] = {7, 8, 9};
    lut.PatchLUT(at, values, 3, 3);
    EXPECT_EQ(lut.gridSamples[84], 7);
    EXPECT_EQ(lut.gridSamples[86], 9);
    const uint16_t between[3] = {100, 0, 0};
    const auto before = Nodes(lut);
    lut.PatchLUT(between, values, 3, 3);
    lut.PatchLUT(at, values, 4, 3); // more values than outputs
    EXPECT_EQ(Nodes(lut), before);
    const cGammaTable curves[3] = {Gamma(16, 1.0f), Gamma(16, 1.0f), Gamma(16, 1.0f)};
    lut.SetLinearTable(1, curves);
    const uint16_t other[3] = {1, 1, 1};
    lut.PatchLUT(at, other, 3, 3);
    EXPECT_EQ(lut.gridSamples[84], 7);
}

TEST(LUT, InconsistentStagesMakeAnInvalidLut)
{
    LogCapture log;
    EXPECT_FALSE(cLUT(9, 2, 3, true).IsValid());
    EXPECT_FALSE(cLUT(1, 3, 3, true).IsValid());
    EXPECT_FALSE(cLUT(9, 3, 17, true).IsValid());
    EXPECT_FALSE(cLUT(0, 0, 3, true).IsValid());
    EXPECT_FALSE(log.take().isEmpty());

    cLUT lut(9, 3, 3, true);
    cGammaTable curves[3] = {Gamma(16, 1.0f), cGammaTable(), Gamma(16, 1.0f)};
    lut.SetLinearTable(1, curves);
    EXPECT_FALSE(lut.IsValid());
    EXPECT_TRUE(log.contains("empty curve"));

    cLUT shrunk(9, 3, 3, true);
    shrunk.gridSamples.pop_back();
    shrunk.CalcEvaluators();
    EXPECT_FALSE(shrunk.IsValid());

    // Back to a supported shape, valid again.
    shrunk.Set3DGrid(9, 3, 3, true);
    EXPECT_TRUE(shrunk.IsValid());
}

TEST(LUT, EvalReverseFindsDeviceValues)
{
    // RGB to Lab through the reference's sRGB, sampled on a 33-point grid.
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE lab = cmsCreateLab2Profile(nullptr);
    cmsHTRANSFORM xf = cmsCreateTransform(srgb, TYPE_RGB_16, lab, TYPE_Lab_16, INTENT_RELATIVE_COLORIMETRIC,
                                          cmsFLAGS_NOCACHE);
    cLUT lut(33, 3, 3, true);
    FillGrid(lut, [&](const uint16_t* in, uint16_t* out) { cmsDoTransform(xf, in, out, 1); });

    std::mt19937 rng(5);
    std::uniform_int_distribution<int> d(4000, 60000);
    for (int i = 0; i < 200; ++i) {
        const uint16_t rgb[3] = {uint16_t(d(rng)), uint16_t(d(rng)), uint16_t(d(rng))};
        uint16_t target[4] = {0, 0, 0, 77};
        lut.Eval(rgb, target);
        target[3] = 77;
        uint16_t result[4] = {0, 0, 0, 0};
        lut.EvalReverse(target, result, result);
        EXPECT_EQ(result[3], 0);
        uint16_t back[3];
        lut.Eval(result, back);
        sCIELab a, b;
        a.SetFromFixed(target);
        b.SetFromFixed(back);
        EXPECT_LT(a.DeltaE(b), 0.5) << rgb[0] << " " << rgb[1] << " " << rgb[2];
    }
    // Targets near white start the probe downwards at 1.0.
    uint16_t whiteLab[4] = {0xFF00, 0x8000, 0x8000, 0};
    uint16_t hint[4] = {0xFFFF, 0xFFFF, 0xFFFF, 1};
    lut.EvalReverse(whiteLab, hint, hint);
    uint16_t found[3];
    lut.Eval(hint, found);
    sCIELab w, f;
    w.SetFromFixed(whiteLab);
    f.SetFromFixed(found);
    EXPECT_LT(w.DeltaE(f), 1.0);

    cmsDeleteTransform(xf);
    cmsCloseProfile(srgb);
    cmsCloseProfile(lab);

    LogCapture log;
    uint16_t untouched[4] = {1, 2, 3, 4};
    cLUT().EvalReverse(whiteLab, untouched, untouched);
    EXPECT_TRUE(log.contains("cLUT::EvalReverse, LUT is not valid"));
    EXPECT_EQ(untouched[0], 1);
}

TEST(LUT, CopyAndSwapCarryEverything)
{
    cLUT a(5, 3, 3, true);
    a.gridSamples[10] = 1234;
    cLUT b = a;
    EXPECT_EQ(b.gridSamples[10], 1234);
    EXPECT_EQ(b.evaluator, a.evaluator);
    cLUT c(0, 4, 4, false);
    c.swap(b);
    EXPECT_EQ(c.gridSamples[10], 1234);
    EXPECT_EQ(b.inputs, 4);
    EXPECT_EQ(b.evaluator, (&cLUT::EvalLUT_Empty_XX<4, 4>));
    EXPECT_EQ(a.tagType, icSig("mft2"));
    EXPECT_EQ(a.precision, 2u);
}
