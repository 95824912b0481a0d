// One 1080p frame through the whole painting filter with the parameters the
// default user values map to, in every colour mode (the default pair of the
// two-colour mode is black and white, which takes the Lab path) and at the
// largest smudging; beside it OpenCV's oil painting of the same frame, and
// the CPU per frame when 1, 2 or 4 frames render at once. Run it on one core
// (taskset -c N) to compare like with like. The frame is a synthetic
// landscape, or read from an image file:
//   paint_bench [--image=PATH] [--write-png=PREFIX] [benchmark options]
// With --write-png the input and each case's result are also written as
// PREFIX-input.png and PREFIX-<case>.png.
#include "effect/Filter.h"
#include "effect/ScratchArena.h"
#include "bench/effect/SceneFrame.h"
#include "tests/effect/DefaultParams.h"

#include <QImage>
#include <QString>
#include <QtGlobal>

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/xphoto/oilpainting.hpp>

#include <malloc.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Input {
    int w = 1920;
    int h = 1080;
    std::vector<std::uint8_t> argb;  // bytes A, R, G, B
};

Input g_input;
std::string g_pngPrefix;

bool loadImage(const std::string& path, Input& in)
{
    QImage img(QString::fromStdString(path));
    if (img.isNull())
        return false;
    img = img.convertToFormat(QImage::Format_ARGB32);
    in.w = img.width();
    in.h = img.height();
    in.argb.resize(std::size_t(in.w) * in.h * 4);
    for (int y = 0; y < in.h; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < in.w; ++x) {
            std::uint8_t* p = &in.argb[(std::size_t(y) * in.w + x) * 4];
            p[0] = std::uint8_t(qAlpha(row[x]));
            p[1] = std::uint8_t(qRed(row[x]));
            p[2] = std::uint8_t(qGreen(row[x]));
            p[3] = std::uint8_t(qBlue(row[x]));
        }
    }
    return true;
}

void writePng(const std::string& name, const Input& in, const std::vector<std::uint8_t>& argb)
{
    QImage img(in.w, in.h, QImage::Format_ARGB32);
    for (int y = 0; y < in.h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < in.w; ++x) {
            const std::uint8_t* p = &argb[(std::size_t(y) * in.w + x) * 4];
            row[x] = qRgba(p[1], p[2], p[3], p[0]);
        }
    }
    img.save(QString::fromStdString(g_pngPrefix + "-" + name + ".png"));
}

Morvelin_paramsCalc defaultParams(int mode, float lineIntegral)
{
    Morvelin_paramsCalc p = MorvelinTest::defaultParams(mode);
    p.line_intg = lineIntegral;
    return p;
}

// The resident high-water mark since the last startRun, in MiB: VmHWM, which
// writing 5 to clear_refs restarts (ru_maxrss only ever grows).
double peakResidentMB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "VmHWM:") == 0)
            return std::stod(line.substr(6)) / 1024.0;  // kilobytes
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

int g_lastCase = -1;

// Before each run, single-threaded: the high-water mark restarts from what is
// resident now. The first run of a case first gives back what earlier cases
// left (the effect's kept scratch, the heap's free pages), so that no case
// reports another's peak, while its own repetitions stay warm.
template <int Case>
void startRun(const benchmark::State& state)
{
    const int key = Case * 64 + state.threads();
    if (key != g_lastCase) {
        Nuvra::Effect::releaseScratch();
        malloc_trim(0);
        g_lastCase = key;
    }
    std::ofstream("/proc/self/clear_refs") << "5";
}

void BM_Frame(benchmark::State& state, int mode, float lineIntegral, const char* name,
              std::uint32_t dark = 0xFF000000, std::uint32_t light = 0xFFFFFFFF)
{
    Morvelin_paramsCalc p = defaultParams(mode, lineIntegral);
    p.darkColor = dark;
    p.lightColor = light;
    std::vector<std::uint8_t> out(g_input.argb.size());
    bool ok = true;
    for (auto _ : state) {
        ok = Filter(Nuvra::Size{g_input.w, g_input.h}, g_input.argb.data(), g_input.w * 4, out.data(), g_input.w * 4, 0,
                    p, nullptr) && ok;
        benchmark::DoNotOptimize(out.data());
    }
    if (!ok)
        state.SkipWithError("Filter failed");
    state.counters["peak_MB"] = peakResidentMB();
    if (!g_pngPrefix.empty())
        writePng(name, g_input, out);
}

// First, while no other case's threads have left heaps behind: the heap of
// a finished thread keeps its free top, which no trim gives back.
BENCHMARK_CAPTURE(BM_Frame, black_and_white, 0, 1.0f, "mode0")
    ->Setup(startRun<1>)
    ->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)->Iterations(3);
BENCHMARK_CAPTURE(BM_Frame, two_colours, 0, 1.0f, "mode0-sepia", 0xFF2B1A0Eu, 0xFFF4E6C8u)
    ->Setup(startRun<2>)
    ->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)->Iterations(3);
BENCHMARK_CAPTURE(BM_Frame, own_colours, 1, 1.0f, "mode1")
    ->Setup(startRun<3>)
    ->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)->Iterations(3);
BENCHMARK_CAPTURE(BM_Frame, five_colours, 2, 1.0f, "mode2")
    ->Setup(startRun<4>)
    ->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)->Iterations(3);
BENCHMARK_CAPTURE(BM_Frame, five_colours_largest_smudging, 2, 2.0f, "mode2-smudge2")
    ->Setup(startRun<5>)
    ->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)->Iterations(3);

// CPU time of the calling thread, in milliseconds.
double threadCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// Frames rendered side by side on the benchmark's threads, as a host renders
// on several threads at once: cpu_ms_per_frame against the one-thread run
// shows what running together costs. Each thread renders one frame before
// the timed loop, as a host's render threads have rendered before.
void BM_FrameConcurrent(benchmark::State& state)
{
    const Morvelin_paramsCalc p = defaultParams(2, 1.0f);
    std::vector<std::uint8_t> out(g_input.argb.size());
    bool ok = Filter(Nuvra::Size{g_input.w, g_input.h}, g_input.argb.data(), g_input.w * 4, out.data(), g_input.w * 4,
                     0, p, nullptr);
    const double cpu0 = threadCpuMs();
    std::int64_t frames = 0;
    for (auto _ : state) {
        ok = Filter(Nuvra::Size{g_input.w, g_input.h}, g_input.argb.data(), g_input.w * 4, out.data(), g_input.w * 4, 0,
                    p, nullptr) && ok;
        benchmark::DoNotOptimize(out.data());
        ++frames;
    }
    if (!ok)
        state.SkipWithError("Filter failed");
    state.counters["cpu_ms_per_frame"] =
        benchmark::Counter((threadCpuMs() - cpu0) / double(frames > 0 ? frames : 1), benchmark::Counter::kAvgThreads);
    state.counters["peak_MB"] = benchmark::Counter(peakResidentMB(), benchmark::Counter::kAvgThreads);
}
BENCHMARK(BM_FrameConcurrent)->Setup(startRun<0>)->Threads(1)->Threads(2)->Threads(4)->UseRealTime()->Iterations(4)
    ->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

// The peer: OpenCV's oil painting of the same frame with the parameters of
// its own sample (neighbourhood 10, dynamic ratio 1), single-threaded.
void BM_OpenCVOilPainting(benchmark::State& state)
{
    cv::Mat bgr(g_input.h, g_input.w, CV_8UC3);
    for (int y = 0; y < g_input.h; ++y)
        for (int x = 0; x < g_input.w; ++x) {
            const std::uint8_t* px = &g_input.argb[(std::size_t(y) * g_input.w + x) * 4];
            bgr.at<cv::Vec3b>(y, x) = cv::Vec3b(px[3], px[2], px[1]);
        }
    cv::Mat painted;
    for (auto _ : state) {
        cv::xphoto::oilPainting(bgr, painted, 10, 1);
        benchmark::DoNotOptimize(painted.data);
    }
}
BENCHMARK(BM_OpenCVOilPainting)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true)
    ->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    std::vector<char*> rest;
    std::string image;
    for (int i = 0; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strncmp(a, "--image=", 8) == 0)
            image = a + 8;
        else if (std::strncmp(a, "--write-png=", 12) == 0)
            g_pngPrefix = a + 12;
        else
            rest.push_back(argv[i]);
    }
    cv::setNumThreads(1);
    // The pipeline logs its parameters and statistics once per frame.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    if (!image.empty()) {
        if (!loadImage(image, g_input)) {
            std::fprintf(stderr, "cannot read %s\n", image.c_str());
            return 1;
        }
    } else {
        g_input.argb = MorvelinBench::landscapeArgb(g_input.w, g_input.h);
    }
    if (!g_pngPrefix.empty())
        writePng("input", g_input, g_input.argb);
    int n = int(rest.size());
    benchmark::Initialize(&n, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
