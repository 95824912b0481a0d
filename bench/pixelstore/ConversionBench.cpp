// 8-bit to float conversion of a 1920x1080 plane, against OpenCV's
// cv::Mat::convertTo with scale 1/255 in the same binary, single-threaded;
// and the plane path: an interleaved 8-bit ARGB frame into a plane of four
// float channels (setData) and back (getData), against convertTo of the same
// bytes; and the same frame into 8-bit channels and back, against OpenCV's
// split and merge.
#include "pixelstore/ChannelType.h"
#include "pixelstore/ElementConversion.h"
#include "pixelstore/PixelPlane.h"
#include "pixelstore/SimdConversion.h"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

using namespace Nuvra;
using namespace Nuvra::DataStorage;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kCount = kWidth * kHeight;

struct Plane {
    // 64 spare bytes so a run can start off the 16-byte grid.
    std::uint8_t* src = static_cast<std::uint8_t*>(std::aligned_alloc(64, kCount + 64));
    float* dst = static_cast<float*>(std::aligned_alloc(64, (kCount + 64) * sizeof(float)));
    Plane()
    {
        for (int i = 0; i < kCount + 64; ++i) {
            src[i] = std::uint8_t(i * 31 + i / kWidth);
            dst[i] = 0.0f;
        }
    }
    ~Plane()
    {
        std::free(src);
        std::free(dst);
    }
};

Plane& plane()
{
    static Plane p;
    return p;
}

void setBytes(benchmark::State& state)
{
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kCount * (1 + sizeof(float)));
}

// arg 0: both sides aligned; arg 1: destination off the 16-byte grid.
void BM_ConvertMemory_U8ToFloat(benchmark::State& state)
{
    Plane& p = plane();
    float* dst = p.dst + state.range(0);
    for (auto _ : state) {
        convertMemory(dst, p.src, kTypeFloat, kTypeU8, kCount);
        benchmark::DoNotOptimize(dst);
        benchmark::ClobberMemory();
    }
    setBytes(state);
}
BENCHMARK(BM_ConvertMemory_U8ToFloat)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The same conversion with the kernels capped (0: plain rule, 1: SSE2 only).
void BM_ConvertMemory_U8ToFloat_Capped(benchmark::State& state)
{
    Plane& p = plane();
    Simd::limitKernels(state.range(0) == 0 ? Simd::Kernels::Plain : Simd::Kernels::Sse2);
    for (auto _ : state) {
        convertMemory(p.dst, p.src, kTypeFloat, kTypeU8, kCount);
        benchmark::DoNotOptimize(p.dst);
        benchmark::ClobberMemory();
    }
    Simd::limitKernels(Simd::Kernels::Any);
    setBytes(state);
}
BENCHMARK(BM_ConvertMemory_U8ToFloat_Capped)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_OpenCV_ConvertTo_U8ToFloat(benchmark::State& state)
{
    cv::setNumThreads(1);
    Plane& p = plane();
    const cv::Mat src(kHeight, kWidth, CV_8UC1, p.src);
    cv::Mat dst(kHeight, kWidth, CV_32FC1, p.dst);
    for (auto _ : state) {
        src.convertTo(dst, CV_32F, 1.0 / 255.0);
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
    setBytes(state);
}
BENCHMARK(BM_OpenCV_ConvertTo_U8ToFloat)->Unit(benchmark::kMicrosecond);

// The interleaved frame of the plane path: bytes A, R, G, B.
struct Frame {
    std::vector<std::uint8_t> argb = std::vector<std::uint8_t>(std::size_t(kCount) * 4);
    std::vector<float> floats = std::vector<float>(std::size_t(kCount) * 4);
    Frame()
    {
        for (std::size_t i = 0; i < argb.size(); ++i)
            argb[i] = std::uint8_t(i * 31 + i / (kWidth * 4));
    }
};

Frame& frame()
{
    static Frame f;
    return f;
}

const PixelFormat kArgb8({kChannelAlpha, kChannelRed, kChannelGreen, kChannelBlue}, kTypeU8);
const PixelFormat kArgbFloat({kChannelAlpha, kChannelRed, kChannelGreen, kChannelBlue}, kTypeFloat);
const Rect kAll = Rect::fromSize(Size{kWidth, kHeight});

// arg: 0 any kernels, 1 plain paths only. The plane's tiles are its own after
// the first write, as in a host's repeated renders.
void BM_PlaneSetData_U8ArgbToFloat(benchmark::State& state)
{
    Frame& f = frame();
    PixelPlane plane(kArgbFloat, Size{kWidth, kHeight});
    setData(plane, kAll, f.argb.data(), 0, kArgb8);
    if (state.range(0) == 1)
        Simd::limitKernels(Simd::Kernels::Plain);
    for (auto _ : state) {
        setData(plane, kAll, f.argb.data(), 0, kArgb8);
        benchmark::ClobberMemory();
    }
    Simd::limitKernels(Simd::Kernels::Any);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kCount * 4 * (1 + sizeof(float)));
}
BENCHMARK(BM_PlaneSetData_U8ArgbToFloat)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_PlaneGetData_FloatToU8Argb(benchmark::State& state)
{
    Frame& f = frame();
    PixelPlane plane(kArgbFloat, Size{kWidth, kHeight});
    setData(plane, kAll, f.argb.data(), 0, kArgb8);
    std::vector<std::uint8_t> out(f.argb.size());
    if (state.range(0) == 1)
        Simd::limitKernels(Simd::Kernels::Plain);
    for (auto _ : state) {
        getData(plane, kAll, out.data(), 0, kArgb8);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    Simd::limitKernels(Simd::Kernels::Any);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kCount * 4 * (1 + sizeof(float)));
}
BENCHMARK(BM_PlaneGetData_FloatToU8Argb)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The peers: the same bytes through convertTo, one way and back.
void BM_OpenCV_ConvertTo_U8C4ToFloat(benchmark::State& state)
{
    cv::setNumThreads(1);
    Frame& f = frame();
    const cv::Mat src(kHeight, kWidth, CV_8UC4, f.argb.data());
    cv::Mat dst(kHeight, kWidth, CV_32FC4, f.floats.data());
    for (auto _ : state) {
        src.convertTo(dst, CV_32F, 1.0 / 255.0);
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kCount * 4 * (1 + sizeof(float)));
}
BENCHMARK(BM_OpenCV_ConvertTo_U8C4ToFloat)->Unit(benchmark::kMicrosecond);

void BM_OpenCV_ConvertTo_FloatToU8C4(benchmark::State& state)
{
    cv::setNumThreads(1);
    Frame& f = frame();
    for (std::size_t i = 0; i < f.floats.size(); ++i)
        f.floats[i] = float(f.argb[i]) / 255.0f;
    const cv::Mat src(kHeight, kWidth, CV_32FC4, f.floats.data());
    std::vector<std::uint8_t> out(f.argb.size());
    cv::Mat dst(kHeight, kWidth, CV_8UC4, out.data());
    for (auto _ : state) {
        src.convertTo(dst, CV_8U, 255.0);
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kCount * 4 * (1 + sizeof(float)));
}
BENCHMARK(BM_OpenCV_ConvertTo_FloatToU8C4)->Unit(benchmark::kMicrosecond);

// The frame's own path: interleaved 8-bit ARGB into a plane of four 8-bit
// channels and back, against OpenCV's split and merge of the same bytes.
void BM_PlaneSetData_U8ArgbToU8(benchmark::State& state)
{
    Frame& f = frame();
    PixelPlane plane(kArgb8, Size{kWidth, kHeight});
    setData(plane, kAll, f.argb.data(), 0, kArgb8);
    if (state.range(0) == 1)
        Simd::limitKernels(Simd::Kernels::Plain);
    for (auto _ : state) {
        setData(plane, kAll, f.argb.data(), 0, kArgb8);
        benchmark::ClobberMemory();
    }
    Simd::limitKernels(Simd::Kernels::Any);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kCount * 8);
}
BENCHMARK(BM_PlaneSetData_U8ArgbToU8)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_PlaneGetData_U8ToU8Argb(benchmark::State& state)
{
    Frame& f = frame();
    PixelPlane plane(kArgb8, Size{kWidth, kHeight});
    setData(plane, kAll, f.argb.data(), 0, kArgb8);
    std::vector<std::uint8_t> out(f.argb.size());
    if (state.range(0) == 1)
        Simd::limitKernels(Simd::Kernels::Plain);
    for (auto _ : state) {
        getData(plane, kAll, out.data(), 0, kArgb8);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    Simd::limitKernels(Simd::Kernels::Any);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kCount * 8);
}
BENCHMARK(BM_PlaneGetData_U8ToU8Argb)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_OpenCV_Split_U8C4(benchmark::State& state)
{
    cv::setNumThreads(1);
    Frame& f = frame();
    const cv::Mat src(kHeight, kWidth, CV_8UC4, f.argb.data());
    std::vector<cv::Mat> planes(4);
    for (cv::Mat& m : planes)
        m.create(kHeight, kWidth, CV_8UC1);
    for (auto _ : state) {
        cv::split(src, planes);
        benchmark::DoNotOptimize(planes[0].data);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kCount * 8);
}
BENCHMARK(BM_OpenCV_Split_U8C4)->Unit(benchmark::kMicrosecond);

void BM_OpenCV_Merge_U8C4(benchmark::State& state)
{
    cv::setNumThreads(1);
    Frame& f = frame();
    const cv::Mat src(kHeight, kWidth, CV_8UC4, f.argb.data());
    std::vector<cv::Mat> planes;
    cv::split(src, planes);
    cv::Mat dst(kHeight, kWidth, CV_8UC4);
    for (auto _ : state) {
        cv::merge(planes, dst);
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kCount * 8);
}
BENCHMARK(BM_OpenCV_Merge_U8C4)->Unit(benchmark::kMicrosecond);

// Console output as usual, plus each benchmark's time for the ratio: the
// median when repetitions are asked for, else the single run. Both
// benchmarks compared use the same time unit.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> time;
    std::map<std::string, bool> fromMedian;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                time[name] = run.GetAdjustedRealTime();
                fromMedian[name] = true;
            } else if (run.run_type == Run::RT_Iteration && !fromMedian[name]) {
                time[name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    struct Ratio {
        const char* ours;
        const char* theirs;
        const char* what;
        double target;
    };
    for (const Ratio& r :
         {Ratio{"BM_ConvertMemory_U8ToFloat/0", "BM_OpenCV_ConvertTo_U8ToFloat", "u8 -> float 1920x1080: convertMemory", 1.2},
          Ratio{"BM_PlaneSetData_U8ArgbToFloat/0", "BM_OpenCV_ConvertTo_U8C4ToFloat",
                "u8 ARGB -> float planes 1920x1080: setData", 1.3},
          Ratio{"BM_PlaneGetData_FloatToU8Argb/0", "BM_OpenCV_ConvertTo_FloatToU8C4",
                "float planes -> u8 ARGB 1920x1080: getData", 1.3}}) {
        const auto ours = reporter.time.find(r.ours);
        const auto theirs = reporter.time.find(r.theirs);
        if (ours != reporter.time.end() && theirs != reporter.time.end() && theirs->second > 0)
            std::printf("%s / cv::Mat::convertTo = %.3f (target <= %.1f)\n", r.what, ours->second / theirs->second,
                        r.target);
    }
    for (const auto& r : {std::make_pair("BM_PlaneSetData_U8ArgbToU8/0", "BM_OpenCV_Split_U8C4"),
                          std::make_pair("BM_PlaneGetData_U8ToU8Argb/0", "BM_OpenCV_Merge_U8C4")}) {
        const auto ours = reporter.time.find(r.first);
        const auto theirs = reporter.time.find(r.second);
        if (ours != reporter.time.end() && theirs != reporter.time.end() && theirs->second > 0)
            std::printf("%s / %s = %.3f\n", r.first, r.second, ours->second / theirs->second);
    }
    return 0;
}
