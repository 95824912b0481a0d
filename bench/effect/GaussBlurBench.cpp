#include "BenchCommon.h"

#include "effect/GaussBlur.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>

namespace {

// Args: width, height, sigma x 10.
void BM_GaussBlur_Ours(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1));
    const float sigma = float(state.range(2)) / 10.0f;
    auto src = bench::testImage(w, h);
    std::vector<float> dst(src.size()), work(src.size());
    for (auto _ : state) {
        gaussBlurChannel(w, h, src.data(), w, dst.data(), w, sigma, work.data(), nullptr);
        benchmark::DoNotOptimize(dst.data());
    }
}

void BM_GaussBlur_OpenCV(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1));
    const double sigma = double(state.range(2)) / 10.0;
    auto src = bench::testImage(w, h);
    cv::Mat in(h, w, CV_32F, src.data()), out(h, w, CV_32F);
    for (auto _ : state) {
        cv::GaussianBlur(in, out, cv::Size(0, 0), sigma, sigma, cv::BORDER_REPLICATE);
        benchmark::DoNotOptimize(out.data);
    }
}

void gaussArgs(benchmark::internal::Benchmark* b)
{
    for (auto d : bench::kSizes)
        for (int s : {21, 54})
            b->Args({d.w, d.h, s});
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_GaussBlur_Ours)->Apply(gaussArgs);
BENCHMARK(BM_GaussBlur_OpenCV)->Apply(gaussArgs);

} // namespace
