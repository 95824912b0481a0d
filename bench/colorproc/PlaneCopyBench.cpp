// A 1920x1080 frame of 8-bit RGB to float Lab and back: the pixel store's
// plane copy with the colour processors, beside LittleCMS 2 converting the
// same bytes in runs of 4096 pixels. Each case reports the mean and largest
// CIE76 difference of its Lab values from an exact conversion in double, and
// the plane copies their heap allocations per frame copied, beside a plain
// copy of the same frame to float RGB and back.

#include "AllocationCount.h"

#include "colorproc/PlaneColorConversion.h"
#include "pixelstore/PixelPlane.h"
#include "pixelstore/PlaneCopy.h"

#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

using namespace Nuvra;
using namespace Nuvra::DataStorage;

namespace {

constexpr int kW = 1920, kH = 1080;
constexpr int kChunk = 4096;

struct Lab {
    double L, a, b;
};

// sRGB (IEC 61966-2-1) to CIE Lab relative to D50, Bradford-adapted.
Lab exactLab(const uint8_t* rgb)
{
    auto lin = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    const double r = lin(rgb[0] / 255.0), g = lin(rgb[1] / 255.0), b = lin(rgb[2] / 255.0);
    const double X = 0.4124564 * r + 0.3575761 * g + 0.1804375 * b;
    const double Y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    const double Z = 0.0193339 * r + 0.1191920 * g + 0.9503041 * b;
    const double x = 1.0478112 * X + 0.0228866 * Y - 0.0501270 * Z;
    const double y = 0.0295424 * X + 0.9904844 * Y - 0.0170491 * Z;
    const double z = -0.0092345 * X + 0.0150436 * Y + 0.7521316 * Z;
    auto f = [](double t) { return t > 216.0 / 24389.0 ? std::cbrt(t) : (24389.0 / 27.0 * t + 16.0) / 116.0; };
    const double fx = f(x / 0.96422), fy = f(y), fz = f(z / 0.82521);
    return Lab{116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

double deltaE(const Lab& p, const Lab& q)
{
    return std::sqrt((p.L - q.L) * (p.L - q.L) + (p.a - q.a) * (p.a - q.a) + (p.b - q.b) * (p.b - q.b));
}

std::vector<uint8_t> frame(bool smooth)
{
    std::vector<uint8_t> px(std::size_t(kW) * kH * 3);
    std::mt19937 rng(11);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            uint8_t* p = &px[(std::size_t(y) * kW + x) * 3];
            if (smooth) {
                p[0] = uint8_t(255 * x / (kW - 1));
                p[1] = uint8_t(255 * y / (kH - 1));
                p[2] = uint8_t(128 + 127 * std::sin((x + y) / 300.0));
            } else {
                for (int c = 0; c < 3; ++c)
                    p[c] = uint8_t(rng());
            }
        }
    return px;
}

void report(benchmark::State& state, const std::vector<uint8_t>& rgb, const std::vector<Lab>& lab)
{
    double sum = 0, worst = 0;
    for (std::size_t i = 0; i < lab.size(); ++i) {
        const double e = deltaE(lab[i], exactLab(&rgb[i * 3]));
        sum += e;
        worst = std::max(worst, e);
    }
    state.counters["dE_mean"] = sum / double(lab.size());
    state.counters["dE_max"] = worst;
    state.counters["px_per_s"] = benchmark::Counter(double(kW) * kH, benchmark::Counter::kIsIterationInvariantRate);
}

// Copies a frame to the wide plane and back, first into the fresh planes
// (whose tiles are made then) and then as often as the state runs; reports
// the heap allocations per frame copied of either part.
template <class CopyTwice>
void copyFrames(benchmark::State& state, CopyTwice copyTwice)
{
    std::uint64_t before = allocationCount();
    copyTwice();
    state.counters["allocs_first_frame"] = double(allocationCount() - before) / 2.0;
    before = allocationCount();
    for (auto _ : state) {
        copyTwice();
        benchmark::ClobberMemory();
    }
    state.counters["allocs_per_frame"] = double(allocationCount() - before) / (2.0 * double(state.iterations()));
}

void BM_PlainCopy(benchmark::State& state, bool smooth)
{
    const std::vector<uint8_t> rgb = frame(smooth);
    PixelPlane src(kSetRGB, kTypeU8, Size{kW, kH});
    setData(src, Rect{0, 0, kW, kH}, rgb.data(), 0, PixelFormat(kSetRGB, kTypeU8));
    PixelPlane wide(kSetRGB, kTypeFloat, Size{kW, kH});
    PixelPlane back(kSetRGB, kTypeU8, Size{kW, kH});
    copyFrames(state, [&] {
        copy(wide, src, Rect{0, 0, kW, kH}, Point{0, 0});
        copy(back, wide, Rect{0, 0, kW, kH}, Point{0, 0});
    });
    state.counters["px_per_s"] = benchmark::Counter(double(kW) * kH, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_PlaneCopy(benchmark::State& state, bool smooth)
{
    const std::vector<uint8_t> rgb = frame(smooth);
    const PixelFormat rgbFormat(kSetRGB, kTypeU8), labFormat(kSetLab, kTypeFloat);
    PixelPlane src(kSetRGB, kTypeU8, Size{kW, kH});
    setData(src, Rect{0, 0, kW, kH}, rgb.data(), 0, rgbFormat);
    PixelPlane lab(kSetLab, kTypeFloat, Size{kW, kH});
    PixelPlane back(kSetRGB, kTypeU8, Size{kW, kH});
    copyFrames(state, [&] {
        copy(lab, src, Rect{0, 0, kW, kH}, Point{0, 0});
        copy(back, lab, Rect{0, 0, kW, kH}, Point{0, 0});
    });
    std::vector<float> v(std::size_t(kW) * kH * 3);
    getData(lab, Rect{0, 0, kW, kH}, v.data(), 0, labFormat);
    std::vector<Lab> got(std::size_t(kW) * kH);
    for (std::size_t i = 0; i < got.size(); ++i)
        got[i] = Lab{v[i * 3] * 100.0, v[i * 3 + 1] * 255.0 - 128.0, v[i * 3 + 2] * 255.0 - 128.0};
    report(state, rgb, got);
}

void BM_LittleCMS(benchmark::State& state, bool smooth)
{
    const std::vector<uint8_t> rgb = frame(smooth);
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE labProfile = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM to = cmsCreateTransform(srgb, TYPE_RGB_8, labProfile, TYPE_Lab_FLT, INTENT_PERCEPTUAL, 0);
    cmsHTRANSFORM from = cmsCreateTransform(labProfile, TYPE_Lab_FLT, srgb, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
    std::vector<float> lab(std::size_t(kW) * kH * 3);
    std::vector<uint8_t> back(rgb.size());
    const std::size_t n = std::size_t(kW) * kH;
    for (auto _ : state) {
        for (std::size_t i = 0; i < n; i += kChunk) {
            const cmsUInt32Number count = cmsUInt32Number(std::min<std::size_t>(kChunk, n - i));
            cmsDoTransform(to, &rgb[i * 3], &lab[i * 3], count);
        }
        for (std::size_t i = 0; i < n; i += kChunk) {
            const cmsUInt32Number count = cmsUInt32Number(std::min<std::size_t>(kChunk, n - i));
            cmsDoTransform(from, &lab[i * 3], &back[i * 3], count);
        }
        benchmark::ClobberMemory();
    }
    std::vector<Lab> got(n);
    for (std::size_t i = 0; i < n; ++i)
        got[i] = Lab{lab[i * 3], lab[i * 3 + 1], lab[i * 3 + 2]};
    report(state, rgb, got);
    cmsDeleteTransform(to);
    cmsDeleteTransform(from);
    cmsCloseProfile(srgb);
    cmsCloseProfile(labProfile);
}

BENCHMARK_CAPTURE(BM_PlaneCopy, random, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LittleCMS, random, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlainCopy, random, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlaneCopy, smooth, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LittleCMS, smooth, true)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    installPlaneColorConversion();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
