#include "BenchCommon.h"

#include "effect/Resize.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>

using namespace Nuvra;
using namespace Nuvra::DataStorage;

namespace {

// Args: source width, height, target width, height.
void BM_Resize_Ours(benchmark::State& state)
{
    const int W = int(state.range(0)), H = int(state.range(1)), w = int(state.range(2)), h = int(state.range(3));
    auto img = bench::testImage(W, H);
    DataChannel src(Size{W, H}, kTypeFloat), dst(Size{w, h}, kTypeFloat);
    setData(src, Rect::fromSize(src.size()), img.data(), unsigned(W * sizeof(float)));
    for (auto _ : state) {
        resizeChannel(src, dst, nullptr, true);
        benchmark::ClobberMemory();
    }
}

void BM_Resize_OpenCV(benchmark::State& state)
{
    const int W = int(state.range(0)), H = int(state.range(1)), w = int(state.range(2)), h = int(state.range(3));
    auto img = bench::testImage(W, H);
    cv::Mat in(H, W, CV_32F, img.data()), out(h, w, CV_32F);
    // The same method our branch choice takes for these sizes.
    const int method = (W / 2 < w && H / 2 < h) ? cv::INTER_CUBIC : cv::INTER_AREA;
    for (auto _ : state) {
        cv::resize(in, out, cv::Size(w, h), 0, 0, method);
        benchmark::DoNotOptimize(out.data);
    }
}

void args(benchmark::internal::Benchmark* b)
{
    b->Args({1920, 1080, 1493, 839});
    b->Args({1493, 839, 1920, 1080});
    b->Args({3840, 2160, 1493, 839});
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Resize_Ours)->Apply(args);
BENCHMARK(BM_Resize_OpenCV)->Apply(args);

} // namespace
