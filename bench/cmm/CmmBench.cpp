// 16-bit RGB pixels through a 33-point tetrahedral grid and through a
// matrix-shaper, each beside LittleCMS 2 doing the same work (its one-pixel
// cache disabled). Single thread, 10 million random pixels per iteration.
#include "cmm/LUT.h"
#include "cmm/MatrixShaper.h"
#include "cmm/WhitePoint.h"

#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <cmath>
#include <random>
#include <vector>

using namespace Nuvra::CMM;

namespace {

constexpr size_t kPixels = 10'000'000;
constexpr int kPoints = 33;

const std::vector<uint16_t>& Pixels()
{
    static const std::vector<uint16_t> px = [] {
        std::vector<uint16_t> v(kPixels * 3);
        std::mt19937 rng(42);
        std::uniform_int_distribution<int> d(0, 65535);
        for (auto& s : v)
            s = uint16_t(d(rng));
        return v;
    }();
    return px;
}

// A smooth, colour-like grid shared by both engines.
const std::vector<uint16_t>& Grid()
{
    static const std::vector<uint16_t> g = [] {
        std::vector<uint16_t> v(size_t(kPoints) * kPoints * kPoints * 3);
        size_t i = 0;
        for (int r = 0; r < kPoints; ++r)
            for (int gg = 0; gg < kPoints; ++gg)
                for (int b = 0; b < kPoints; ++b) {
                    const double x = r / 32.0, y = gg / 32.0, z = b / 32.0;
                    v[i++] = uint16_t(65535.0 * std::pow(0.7 * x + 0.2 * y + 0.1 * z, 1.2));
                    v[i++] = uint16_t(65535.0 * (0.1 * x + 0.8 * y + 0.1 * z));
                    v[i++] = uint16_t(65535.0 * std::sqrt(0.05 * x + 0.15 * y + 0.8 * z));
                }
        return v;
    }();
    return g;
}

const double kSrgbParams[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};

// Times `convert(in, out)` over all pixels, the same loop for both engines.
template <class Convert>
void TimePixels(benchmark::State& state, Convert convert)
{
    const std::vector<uint16_t>& in = Pixels();
    std::vector<uint16_t> out(in.size());
    for (auto _ : state) {
        convert(in.data(), out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kPixels));
}

void Ours_Tetrahedral33(benchmark::State& state)
{
    cLUT lut(kPoints, 3, 3, true);
    lut.gridSamples = Grid();
    lut.CalcEvaluators();
    TimePixels(state, [&](const uint16_t* in, uint16_t* out) {
        for (size_t i = 0; i < kPixels; ++i)
            lut.Eval(&in[3 * i], &out[3 * i]);
    });
}

void Lcms_Tetrahedral33(benchmark::State& state)
{
    cmsPipeline* pipe = cmsPipelineAlloc(nullptr, 3, 3);
    cmsPipelineInsertStage(pipe, cmsAT_END, cmsStageAllocCLut16bit(nullptr, kPoints, 3, 3, Grid().data()));
    cmsHPROFILE link = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(link, 4.3);
    cmsSetDeviceClass(link, cmsSigLinkClass);
    cmsSetColorSpace(link, cmsSigRgbData);
    cmsSetPCS(link, cmsSigRgbData);
    cmsWriteTag(link, cmsSigAToB0Tag, pipe);
    cmsHTRANSFORM xf = cmsCreateTransform(link, TYPE_RGB_16, nullptr, TYPE_RGB_16, INTENT_PERCEPTUAL,
                                          cmsFLAGS_NOCACHE | cmsFLAGS_GRIDPOINTS(kPoints));
    if (!xf) {
        state.SkipWithError("no reference transform");
        return;
    }
    TimePixels(state, [&](const uint16_t* in, uint16_t* out) {
        cmsDoTransform(xf, in, out, cmsUInt32Number(kPixels));
    });
    cmsDeleteTransform(xf);
    cmsCloseProfile(link);
    cmsPipelineFree(pipe);
}

void Ours_MatrixShaperToPCS(benchmark::State& state)
{
    sCIExyY white;
    white.SetWhitePointFromTemp(6504);
    const sCIExyYTriple prim = {{0.64f, 0.33f, 1}, {0.30f, 0.60f, 1}, {0.15f, 0.06f, 1}};
    mat33real_t m;
    BuildRGB2XYZ_TransferMatrix(m, white, prim);
    AdaptMatrixToD50(m, white);
    const float p[5] = {2.4f, float(1 / 1.055), float(0.055 / 1.055), float(1 / 12.92), 0.04045f};
    cGammaTable curves[3];
    curves[0].Build(1024, 4, p);
    curves[1] = curves[2] = curves[0];
    const cMatrixShaper ms(m, curves, MtxShaper_ToPCS);
    TimePixels(state, [&](const uint16_t* in, uint16_t* out) {
        for (size_t i = 0; i < kPixels; ++i)
            ms.Eval(&in[3 * i], &out[3 * i]);
    });
}

void Lcms_MatrixShaperToPCS(benchmark::State& state)
{
    cmsCIExyY white;
    cmsWhitePointFromTemp(&white, 6504);
    const cmsCIExyYTRIPLE prim = {{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};
    cmsToneCurve* c = cmsBuildParametricToneCurve(nullptr, 4, kSrgbParams);
    cmsToneCurve* curves[3] = {c, c, c};
    cmsHPROFILE rgb = cmsCreateRGBProfile(&white, &prim, curves);
    cmsHPROFILE xyz = cmsCreateXYZProfile();
    cmsHTRANSFORM xf = cmsCreateTransform(rgb, TYPE_RGB_16, xyz, TYPE_XYZ_16, INTENT_RELATIVE_COLORIMETRIC,
                                          cmsFLAGS_NOCACHE);
    if (!xf) {
        state.SkipWithError("no reference transform");
        return;
    }
    TimePixels(state, [&](const uint16_t* in, uint16_t* out) {
        cmsDoTransform(xf, in, out, cmsUInt32Number(kPixels));
    });
    cmsDeleteTransform(xf);
    cmsCloseProfile(rgb);
    cmsCloseProfile(xyz);
    cmsFreeToneCurve(c);
}

} // namespace

BENCHMARK(Ours_Tetrahedral33)->Unit(benchmark::kMillisecond);
BENCHMARK(Lcms_Tetrahedral33)->Unit(benchmark::kMillisecond);
BENCHMARK(Ours_MatrixShaperToPCS)->Unit(benchmark::kMillisecond);
BENCHMARK(Lcms_MatrixShaperToPCS)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
