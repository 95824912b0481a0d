#include "BenchCommon.h"

#include "effect/TiledBlur.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>

using namespace Nuvra;
using namespace Nuvra::DataStorage;

namespace {

// Args: width, height, sigma x 10 (both axes).
void BM_TiledBlur_Ours(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1));
    const float s = float(state.range(2)) / 10.0f;
    auto img = bench::testImage(w, h);
    DataChannel src(Size{w, h}, kTypeFloat), dst(Size{w, h}, kTypeFloat);
    setData(src, Rect::fromSize(src.size()), img.data(), unsigned(w * sizeof(float)));
    const float sigma[2] = {s, s};
    for (auto _ : state) {
        tiledBlurChannel(src, dst, sigma, Rect::fromSize(src.size()), Rect::fromSize(src.size()), nullptr);
        benchmark::ClobberMemory();
    }
}

void BM_TiledBlur_OpenCV_sepFilter2D(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1));
    const double s = double(state.range(2)) / 10.0;
    auto img = bench::testImage(w, h);
    cv::Mat in(h, w, CV_32F, img.data()), out(h, w, CV_32F);
    // The tap count OpenCV's own Gaussian picks for float data.
    const int ksize = cvRound(s * 4 * 2 + 1) | 1;
    const cv::Mat k = cv::getGaussianKernel(ksize, s, CV_32F);
    for (auto _ : state) {
        cv::sepFilter2D(in, out, CV_32F, k, k, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
        benchmark::DoNotOptimize(out.data);
    }
}

void args(benchmark::internal::Benchmark* b)
{
    for (auto d : bench::kSizes)
        for (int s : {21, 54})
            b->Args({d.w, d.h, s});
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_TiledBlur_Ours)->Apply(args);
BENCHMARK(BM_TiledBlur_OpenCV_sepFilter2D)->Apply(args);

} // namespace
