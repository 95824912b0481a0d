// The luminance stages at the working size of a 1080p frame (1493 x 839,
// half working sum 1166.5): the line integral's two paths side by side, and
// the three stages at the default and the largest smudging.
#include "effect/LuminanceStages.h"
#include "effect/MorvelinParams.h"
#include "tests/effect/SyntheticFrame.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace Nuvra::Effect;

namespace {

constexpr int kW = 1493;
constexpr int kH = 839;
constexpr float kHalfSum = 1166.5f;

struct FieldInput {
    std::vector<float> lum, vx, vy;
    FieldInput()
    {
        lum = MorvelinTest::syntheticLuminance(kW, kH, 1);
        vx.resize(lum.size());
        vy.resize(lum.size());
        sharpenLuminance(kW, kH, lum.data(), 0.18f * kHalfSum / 100.0f, 0.16f, nullptr);
        orientationField(kW, kH, lum.data(), 0.46f * kHalfSum / 100.0f, vx.data(), vy.data(), nullptr);
    }
};

const FieldInput& input()
{
    static const FieldInput in;
    return in;
}

void BM_LineIntegral(benchmark::State& state, LineIntegralPath path)
{
    const FieldInput& in = input();
    const float length = float(state.range(0)) / 100.0f * kHalfSum / 100.0f;
    std::vector<float> out(in.lum.size());
    for (auto _ : state) {
        lineIntegralWith(path, kW, kH, in.lum.data(), in.vx.data(), in.vy.data(), length, out.data(), nullptr);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK_CAPTURE(BM_LineIntegral, reference, LineIntegralPath::Reference)
    ->Arg(5)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_LineIntegral, interleaved, LineIntegralPath::Interleaved)
    ->Arg(5)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_LineIntegral, wide, LineIntegralPath::Wide)
    ->Arg(5)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SharpenAndField(benchmark::State& state)
{
    const std::vector<float> src = MorvelinTest::syntheticLuminance(kW, kH, 1);
    std::vector<float> lum, vx(src.size()), vy(src.size());
    for (auto _ : state) {
        lum = src;
        sharpenLuminance(kW, kH, lum.data(), 0.18f * kHalfSum / 100.0f, 0.16f, nullptr);
        orientationField(kW, kH, lum.data(), 0.46f * kHalfSum / 100.0f, vx.data(), vy.data(), nullptr);
        benchmark::DoNotOptimize(vx.data());
    }
}
BENCHMARK(BM_SharpenAndField)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
