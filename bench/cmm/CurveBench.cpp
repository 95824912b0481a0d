// Reversing a 65535-entry curve whose table holds long runs of 0 and 65535 (a
// clipped ramp), beside LittleCMS 2 reversing the same table (its tables stop
// at 65530 entries).
#include "cmm/GammaTable.h"

#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <vector>

using namespace Nuvra::CMM;

namespace {

const std::vector<uint16_t>& ClippedRamp()
{
    static const std::vector<uint16_t> t = [] {
        std::vector<uint16_t> v(65535);
        for (size_t i = 0; i < v.size(); ++i) {
            const long x = (long(i) - 20000) * 3;
            v[i] = uint16_t(x < 0 ? 0 : (x > 65535 ? 65535 : x));
        }
        return v;
    }();
    return t;
}

void BM_ReverseClippedCurve_Engine(benchmark::State& state)
{
    cGammaTable curve;
    curve.table = ClippedRamp();
    for (auto _ : state) {
        cGammaTable rev;
        curve.Reverse(rev, 65535);
        benchmark::DoNotOptimize(rev.table.data());
    }
}

void BM_ReverseClippedCurve_LittleCMS(benchmark::State& state)
{
    // Its tables stop at 65530 entries.
    const std::vector<uint16_t> t(ClippedRamp().begin(), ClippedRamp().begin() + 65530);
    cmsToneCurve* curve = cmsBuildTabulatedToneCurve16(nullptr, cmsUInt32Number(t.size()), t.data());
    for (auto _ : state) {
        cmsToneCurve* rev = cmsReverseToneCurveEx(65530, curve);
        benchmark::DoNotOptimize(rev);
        cmsFreeToneCurve(rev);
    }
    cmsFreeToneCurve(curve);
}

} // namespace

BENCHMARK(BM_ReverseClippedCurve_Engine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReverseClippedCurve_LittleCMS)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
