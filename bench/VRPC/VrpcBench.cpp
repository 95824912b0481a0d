// Round trips through the shared files to an echo peer in another process,
// next to a plain memcpy of the same bytes, and the idle cost of a connected
// pair.
#include "VRPC/Broker.h"
#include "VRPC/Log.h"
#include "VRPC/Messages.h"
#include "platform/SharedFiles.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace Nuvra::VRPC;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFullHd = 1920 * 1080 * 4;
constexpr int kUhd = 3840 * 2160 * 4;

// One master here and one echo peer, shared by every benchmark of the run.
struct Pair {
    std::string base;
    std::unique_ptr<Broker> master;
    pid_t peer = -1;

    Pair()
    {
        std::string folder = Nuvra::Platform::rpcFolder();
        if (!folder.empty() && folder.back() != '/')
            folder += '/';
        base = Nuvra::Platform::createUniqueFile(folder);
        master = std::make_unique<Broker>(base, true, [](Message&) {});
        char* argv[] = {const_cast<char*>(VRPC_PEER_PATH), const_cast<char*>("echo"),
                        const_cast<char*>(base.c_str()), nullptr};
        if (posix_spawn(&peer, VRPC_PEER_PATH, nullptr, nullptr, argv, environ) != 0)
            peer = -1;
        Message reply;
        const std::uint32_t self = static_cast<std::uint32_t>(getpid());
        master->send_message_sync(M2S_Handshake, 0, &self, 4, reply, kHandshakeTimeoutSeconds);
        if (reply.type != S2M_Handshake) {
            std::fprintf(stderr, "echo peer did not answer\n");
            std::abort();
        }
    }

    ~Pair()
    {
        master->send_message_async(M2S_Quit, 0, nullptr, 0);
        int status = 0;
        waitpid(peer, &status, 0);
        master.reset();
        std::remove(base.c_str());
    }
};

Pair& pair()
{
    static Pair* instance = new Pair;
    return *instance;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A round trip of `bytes` each way, and a memcpy of the same bytes between
// two warm buffers, timed alternately in the same run. The round trip copies
// four times (into the slot, out of it, back into the other slot, out of
// it), so "ratio" can at best be about 4. The second argument keeps one reply
// message for every request (1) or takes a fresh one each time (0).
void BM_FrameRoundTrip(benchmark::State& state)
{
    const int bytes = static_cast<int>(state.range(0));
    const bool keepReply = state.range(1) != 0;
    Pair& p = pair();
    std::vector<char> frame(bytes, 'f'), copy(bytes, 'c');
    std::vector<double> trips, copies;
    Message kept;
    for (auto _ : state) {
        auto start = Clock::now();
        std::memcpy(copy.data(), frame.data(), bytes);
        benchmark::ClobberMemory();
        copies.push_back(secondsSince(start));

        start = Clock::now();
        Message fresh;
        Message& reply = keepReply ? kept : fresh;
        p.master->send_message_sync(M2S_Render, 0, frame.data(), bytes, reply, 0);
        const double trip = secondsSince(start);
        trips.push_back(trip);
        state.SetIterationTime(trip);
        if (reply.xlen != bytes)
            state.SkipWithError("short reply");
    }
    const double rt = median(trips), mc = median(copies);
    state.counters["roundtrip_ms"] = rt * 1e3;
    state.counters["memcpy_ms"] = mc * 1e3;
    state.counters["ratio"] = mc > 0 ? rt / mc : 0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes * 2);
}
BENCHMARK(BM_FrameRoundTrip)
    ->ArgNames({"bytes", "keep_reply"})
    ->Args({kFullHd, 1})
    ->Args({kUhd, 1})
    ->Args({kFullHd, 0})
    ->Args({kUhd, 0})
    ->UseManualTime()->MinTime(2.0)->Unit(benchmark::kMillisecond);

void BM_SmallRoundTrip(benchmark::State& state)
{
    Pair& p = pair();
    const std::uint32_t word = 3;
    std::vector<double> trips;
    for (auto _ : state) {
        const auto start = Clock::now();
        Message reply;
        p.master->send_message_sync(M2S_ParamsSetup, 0, &word, 4, reply, 0);
        const double trip = secondsSince(start);
        trips.push_back(trip);
        state.SetIterationTime(trip);
    }
    state.counters["median_us"] = median(trips) * 1e6;
}
BENCHMARK(BM_SmallRoundTrip)->UseManualTime()->MinTime(2.0)->Unit(benchmark::kMicrosecond);

// Time on a processor of every thread of a process, to the nanosecond (the
// clock ticks of /proc/<pid>/stat are too coarse for an idle pair).
double processCpuSeconds(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    double seconds = 0;
    DIR* dir = opendir(tasks.c_str());
    if (!dir)
        return 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream in(tasks + "/" + entry->d_name + "/schedstat");
        unsigned long long runNs = 0;
        if (in >> runNs)
            seconds += static_cast<double>(runNs) * 1e-9;
    }
    closedir(dir);
    return seconds;
}

// CPU used by both processes of a connected, idle pair over 10 s, and the
// pair's share of one core (the waits look at the counts every 50 ms).
void BM_IdlePairCpu(benchmark::State& state)
{
    Pair& p = pair();
    constexpr double kIdleSeconds = 10.0;
    for (auto _ : state) {
        const double self0 = processCpuSeconds(getpid()), peer0 = processCpuSeconds(p.peer);
        std::this_thread::sleep_for(std::chrono::duration<double>(kIdleSeconds));
        const double self1 = processCpuSeconds(getpid()), peer1 = processCpuSeconds(p.peer);
        state.counters["master_cpu_ms"] = (self1 - self0) * 1e3;
        state.counters["peer_cpu_ms"] = (peer1 - peer0) * 1e3;
        state.counters["pair_core_pct"] = (self1 - self0 + peer1 - peer0) / kIdleSeconds * 100.0;
        state.SetIterationTime(kIdleSeconds);
    }
}
BENCHMARK(BM_IdlePairCpu)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete &pair();
    return 0;
}
