#include "BenchCommon.h"

#include "effect/Warp.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>

#include <cmath>

using namespace Nuvra;
using namespace Nuvra::DataStorage;

namespace {

constexpr int kW = 1920, kH = 1080;
constexpr double kDegrees = 30.0;

// Destination -> source: rotation about the centre.
Transform rotation()
{
    const double a = kDegrees * M_PI / 180, c = std::cos(a), s = std::sin(a), cx = kW / 2.0, cy = kH / 2.0;
    Transform t;
    t.m[0] = c;
    t.m[3] = -s;
    t.m[6] = cx - c * cx + s * cy;
    t.m[1] = s;
    t.m[4] = c;
    t.m[7] = cy - s * cx - c * cy;
    return t;
}

void BM_Warp_Ours(benchmark::State& state)
{
    auto img = bench::testImage(kW, kH);
    DataChannel src(Size{kW, kH}, kTypeFloat), dst(Size{kW, kH}, kTypeFloat);
    setData(src, Rect::fromSize(src.size()), img.data(), unsigned(kW * sizeof(float)));
    const Transform M = rotation();
    for (auto _ : state) {
        warpChannel(src, dst, Rect::fromSize(src.size()), Rect::fromSize(dst.size()), M, nullptr, 0.0f);
        benchmark::ClobberMemory();
    }
}

void BM_Warp_OpenCV(benchmark::State& state)
{
    auto img = bench::testImage(kW, kH);
    cv::Mat in(kH, kW, CV_32F, img.data()), out(kH, kW, CV_32F);
    const Transform t = rotation();
    // The same destination -> source map, given as the inverse map.
    const cv::Mat m = (cv::Mat_<double>(2, 3) << t.m[0], t.m[3], t.m[6] + 0.5 * (t.m[0] + t.m[3]) - 0.5, t.m[1],
                       t.m[4], t.m[7] + 0.5 * (t.m[1] + t.m[4]) - 0.5);
    for (auto _ : state) {
        cv::warpAffine(in, out, m, out.size(), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_CONSTANT, 0.0);
        benchmark::DoNotOptimize(out.data);
    }
}

BENCHMARK(BM_Warp_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Warp_OpenCV)->Unit(benchmark::kMillisecond);

} // namespace
