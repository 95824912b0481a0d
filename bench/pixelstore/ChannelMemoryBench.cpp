// Resident memory of large channels that share the zero tile, of one write into
// them, and of a dense plane of the same size for comparison.
#include "pixelstore/DataChannel.h"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>

#include <fstream>
#include <unistd.h>
#include <vector>

using namespace Nuvra;
using namespace Nuvra::DataStorage;

namespace {

constexpr int kSide = 8000;
constexpr int kChannels = 100;

double residentMiB()
{
    long pages = 0, resident = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

std::vector<SmartPtr<DataChannel>> makeChannels()
{
    std::vector<SmartPtr<DataChannel>> channels;
    channels.reserve(kChannels);
    for (int i = 0; i < kChannels; ++i)
        channels.emplace_back(new DataChannel(Size{kSide, kSide}, kTypeFloat));
    return channels;
}

// 100 float channels of 8000 x 8000 (25.6 GB if dense).
void BM_HundredEmptyChannels(benchmark::State& state)
{
    double rss = 0, tiles = 0;
    for (auto _ : state) {
        const double rss0 = residentMiB();
        const long tiles0 = TileDescriptor::liveTiles();
        auto channels = makeChannels();
        benchmark::DoNotOptimize(channels.data());
        rss = residentMiB() - rss0;
        tiles = double(TileDescriptor::liveTiles() - tiles0);
    }
    state.counters["logical_MiB"] = double(kChannels) * kSide * kSide * 4 / (1024.0 * 1024.0);
    state.counters["rss_delta_MiB"] = rss;
    state.counters["tiles_allocated"] = tiles;
}
BENCHMARK(BM_HundredEmptyChannels)->Iterations(1)->Unit(benchmark::kMillisecond);

// One element written into one of them: one private tile.
void BM_WriteOneElement(benchmark::State& state)
{
    auto channels = makeChannels();
    double rss = 0, tiles = 0;
    for (auto _ : state) {
        const double rss0 = residentMiB();
        const long tiles0 = TileDescriptor::liveTiles();
        const float one = 1.0f;
        setData(*channels[0], Rect{4000, 4000, 4001, 4001}, &one, sizeof one);
        rss = residentMiB() - rss0;
        tiles = double(TileDescriptor::liveTiles() - tiles0);
    }
    state.counters["rss_delta_KiB"] = rss * 1024.0;
    state.counters["tiles_allocated"] = tiles;
}
BENCHMARK(BM_WriteOneElement)->Iterations(1)->Unit(benchmark::kMicrosecond);

// A frame converted a band of tiles at a time into three float channels, of
// which one is kept and two dropped, as a plane conversion that needs one
// channel does: the dropped tiles should hold the next band's, so the resident
// growth stays near the kept channel's size rather than three times it.
void BM_KeepOneOfThreeChannelsByBands(benchmark::State& state)
{
    constexpr int kWidth = 1920, kHeight = 1088, kBand = 64;
    double rss = 0;
    for (auto _ : state) {
        const double rss0 = residentMiB();
        DataChannel kept(Size{kWidth, kHeight}, kTypeFloat);
        for (int top = 0; top < kHeight; top += kBand) {
            DataChannel l(Size{kWidth, kBand}, kTypeFloat), a(Size{kWidth, kBand}, kTypeFloat),
                b(Size{kWidth, kBand}, kTypeFloat);
            for (int t = 0; t < l.tileCount(); ++t)
                for (DataChannel* c : {&l, &a, &b}) {
                    DataChannel::TileReadWrite tile(c, t);
                    float* v = static_cast<float*>(tile.data());
                    for (int i = 0; i < kTileElements; ++i)
                        v[i] = float(i + t);
                }
            kept.copy(l, Rect{0, 0, kWidth, kBand}, Point{0, top});
        }
        rss = residentMiB() - rss0;
        benchmark::DoNotOptimize(&kept);
    }
    state.counters["kept_MiB"] = double(kWidth) * kHeight * 4 / (1024.0 * 1024.0);
    state.counters["rss_delta_MiB"] = rss;
}
BENCHMARK(BM_KeepOneOfThreeChannelsByBands)->Iterations(1)->Unit(benchmark::kMillisecond);

// Peer: one dense zeroed 8000 x 8000 float plane.
void BM_DenseZeroPlaneOpenCV(benchmark::State& state)
{
    double rss = 0;
    for (auto _ : state) {
        const double rss0 = residentMiB();
        cv::Mat plane = cv::Mat::zeros(kSide, kSide, CV_32F);
        benchmark::DoNotOptimize(plane.data);
        rss = residentMiB() - rss0;
    }
    state.counters["rss_delta_MiB"] = rss;
}
BENCHMARK(BM_DenseZeroPlaneOpenCV)->Iterations(1)->Unit(benchmark::kMillisecond);

// Time to create the 100 channels (one zero tile lookup, slot vectors).
void BM_CreateHundredChannelsTime(benchmark::State& state)
{
    for (auto _ : state) {
        auto channels = makeChannels();
        benchmark::DoNotOptimize(channels.data());
    }
}
BENCHMARK(BM_CreateHundredChannelsTime)->Unit(benchmark::kMillisecond);

// Copying a whole large channel moves references only.
void BM_CopyLargeChannel(benchmark::State& state)
{
    DataChannel source(Size{kSide, kSide}, kTypeFloat);
    for (auto _ : state) {
        DataChannel copy(source);
        benchmark::DoNotOptimize(&copy);
    }
}
BENCHMARK(BM_CopyLargeChannel)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
