// Whole transforms beside LittleCMS 2 doing the same work, single thread:
// the build time of sRGB to Lab, and 10 million pixels through precalculated
// RGB 8-bit to Lab 16-bit, CMYK 8-bit to RGB 8-bit, RGB 16-bit to RGB
// 16-bit and Lab 16-bit to RGB 8-bit transforms, converted in runs of 4096
// pixels as the plane copy does. MORVELIN_FORCE_PLAIN=1 times the plain
// interpolation.
#include "cmm/InternalProcessing.h"
#include "cmm/Profile.h"

#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <random>
#include <vector>

using namespace Nuvra::CMM;

namespace {

constexpr size_t kPixels = 10'000'000;
constexpr size_t kRun = 4096;

const QString kCmykPath = QStringLiteral(MORVELIN_SOURCE_DIR "/resources/profile/cmyk.icc");
const QString kAdobePath = QStringLiteral(MORVELIN_SOURCE_DIR "/tests/data/cmm/colord/AdobeRGB1998.icc");

template <class T>
const std::vector<T>& Random(size_t samples)
{
    static const std::vector<T> v = [samples] {
        std::vector<T> r(samples);
        std::mt19937 rng(42);
        std::uniform_int_distribution<int> d(0, sizeof(T) == 1 ? 255 : 65535);
        for (T& s : r)
            s = T(d(rng));
        return r;
    }();
    return v;
}

cProfile::ptr_t Ours(const QString& path)
{
    cProfile::ptr_t p(new cProfile);
    return p->Load(path) ? p : cProfile::ptr_t();
}

cProfile::ptr_t OursLab()
{
    sCIExyY d50;
    d50.Set(D50XYZ());
    return cProfile::CreateLab(&d50);
}

// Converts kPixels in runs of kRun with convert(src, dst, count).
template <class In, class Out, class Convert>
void TimeRuns(benchmark::State& state, int inSamples, int outSamples, Convert convert)
{
    const std::vector<In>& in = Random<In>(kPixels * size_t(inSamples));
    std::vector<Out> out(kPixels * size_t(outSamples));
    for (auto _ : state) {
        for (size_t p = 0; p < kPixels; p += kRun)
            convert(&in[p * size_t(inSamples)], &out[p * size_t(outSamples)], int(std::min(kRun, kPixels - p)));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kPixels));
}

template <class In, class Out>
void OursPixels(benchmark::State& state, const cProfile::ptr_t& a, unsigned inCode, const cProfile::ptr_t& b,
                unsigned outCode)
{
    if (!a || !b) {
        state.SkipWithError("no profile");
        return;
    }
    const cXForm t(a.get(), inCode, b.get(), outCode, icPerceptual, {}, nullptr, icAbsoluteColorimetric);
    const cInternalProcessing p(&t);
    if (!p.IsUsable()) {
        state.SkipWithError("no transform");
        return;
    }
    TimeRuns<In, Out>(state, CMM_PF::Samples(inCode), CMM_PF::Samples(outCode),
                      [&](const In* s, Out* d, int n) { p.Process(s, d, n); });
}

template <class In, class Out>
void LcmsPixels(benchmark::State& state, cmsHPROFILE a, cmsUInt32Number inType, int inSamples, cmsHPROFILE b,
                cmsUInt32Number outType, int outSamples)
{
    cmsHTRANSFORM x = a && b ? cmsCreateTransform(a, inType, b, outType, INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE) : nullptr;
    if (!x) {
        state.SkipWithError("no reference transform");
    } else {
        TimeRuns<In, Out>(state, inSamples, outSamples,
                          [&](const In* s, Out* d, int n) { cmsDoTransform(x, s, d, cmsUInt32Number(n)); });
        cmsDeleteTransform(x);
    }
    if (a)
        cmsCloseProfile(a);
    if (b)
        cmsCloseProfile(b);
}

cmsHPROFILE LcmsFile(const QString& path) { return cmsOpenProfileFromFile(path.toLocal8Bit().constData(), "r"); }

const unsigned kRGB8 = CMM_PF::Make(CMM_PF::kSpaceRGB, 3, 0, CMM_PF::kSample8);
const unsigned kRGB16 = CMM_PF::Make(CMM_PF::kSpaceRGB, 3, 0, CMM_PF::kSample16);
const unsigned kCMYK8 = CMM_PF::Make(CMM_PF::kSpaceCMYK, 4, 0, CMM_PF::kSample8);

void Ours_Build_sRGB_to_Lab(benchmark::State& state)
{
    const cProfile::ptr_t srgb = cProfile::Create_sRGB(), lab = OursLab();
    for (auto _ : state) {
        const cXForm t(srgb.get(), kRGB8, lab.get(), CMM_PF::kLab16, icPerceptual, {}, nullptr,
                       icAbsoluteColorimetric);
        benchmark::DoNotOptimize(t.routine);
    }
}

void Lcms_Build_sRGB_to_Lab(benchmark::State& state)
{
    cmsHPROFILE srgb = cmsCreate_sRGBProfile(), lab = cmsCreateLab2Profile(nullptr);
    for (auto _ : state) {
        cmsHTRANSFORM x = cmsCreateTransform(srgb, TYPE_RGB_8, lab, TYPE_LabV2_16, INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
        benchmark::DoNotOptimize(x);
        cmsDeleteTransform(x);
    }
    cmsCloseProfile(srgb);
    cmsCloseProfile(lab);
}

void Ours_RGB8_to_Lab16(benchmark::State& state)
{
    OursPixels<uint8_t, uint16_t>(state, cProfile::Create_sRGB(), kRGB8, OursLab(), CMM_PF::kLab16);
}

void Lcms_RGB8_to_Lab16(benchmark::State& state)
{
    LcmsPixels<uint8_t, uint16_t>(state, cmsCreate_sRGBProfile(), TYPE_RGB_8, 3, cmsCreateLab2Profile(nullptr),
                                  TYPE_LabV2_16, 3);
}

void Ours_CMYK8_to_RGB8(benchmark::State& state)
{
    OursPixels<uint8_t, uint8_t>(state, Ours(kCmykPath), kCMYK8, cProfile::Create_sRGB(), kRGB8);
}

void Lcms_CMYK8_to_RGB8(benchmark::State& state)
{
    LcmsPixels<uint8_t, uint8_t>(state, LcmsFile(kCmykPath), TYPE_CMYK_8, 4, cmsCreate_sRGBProfile(), TYPE_RGB_8, 3);
}

void Ours_RGB16_to_RGB16(benchmark::State& state)
{
    OursPixels<uint16_t, uint16_t>(state, cProfile::Create_sRGB(), kRGB16, Ours(kAdobePath), kRGB16);
}

void Lcms_RGB16_to_RGB16(benchmark::State& state)
{
    LcmsPixels<uint16_t, uint16_t>(state, cmsCreate_sRGBProfile(), TYPE_RGB_16, 3, LcmsFile(kAdobePath),
                                   TYPE_RGB_16, 3);
}

// The way back of the frame's-own-colours look: Lab through a trilinear grid.
void Ours_Lab16_to_RGB8(benchmark::State& state)
{
    OursPixels<uint16_t, uint8_t>(state, OursLab(), CMM_PF::kLab16, cProfile::Create_sRGB(), kRGB8);
}

void Lcms_Lab16_to_RGB8(benchmark::State& state)
{
    LcmsPixels<uint16_t, uint8_t>(state, cmsCreateLab2Profile(nullptr), TYPE_LabV2_16, 3, cmsCreate_sRGBProfile(),
                                  TYPE_RGB_8, 3);
}

} // namespace

BENCHMARK(Ours_Build_sRGB_to_Lab)->Unit(benchmark::kMillisecond);
BENCHMARK(Lcms_Build_sRGB_to_Lab)->Unit(benchmark::kMillisecond);
BENCHMARK(Ours_RGB8_to_Lab16)->Unit(benchmark::kMillisecond);
BENCHMARK(Lcms_RGB8_to_Lab16)->Unit(benchmark::kMillisecond);
BENCHMARK(Ours_CMYK8_to_RGB8)->Unit(benchmark::kMillisecond);
BENCHMARK(Lcms_CMYK8_to_RGB8)->Unit(benchmark::kMillisecond);
BENCHMARK(Ours_RGB16_to_RGB16)->Unit(benchmark::kMillisecond);
BENCHMARK(Lcms_RGB16_to_RGB16)->Unit(benchmark::kMillisecond);
BENCHMARK(Ours_Lab16_to_RGB8)->Unit(benchmark::kMillisecond);
BENCHMARK(Lcms_Lab16_to_RGB8)->Unit(benchmark::kMillisecond);
