// A frame's trip through the plug-in, end to end through our own host: the
// render action's time beside the child's own work (the effect, run here on
// the same frame with the same values) and two copies of the frame, the
// conversions no design can avoid. With the stand-in child, whose render is
// a single pass over the pixels, the action's time is the trip alone.
// With the application as child, also: the first frame after a pause beside
// a warm frame, and the child's resident memory after a burst of large
// frames and a minute idle beside its size before the burst.
//   ofx_bench [--benchmark_filter=...]
#include "OfxTestHost.h"

#include "ofx/openfx/OfxNames.h"

#ifdef MORVELIN_REAL_CHILD_PATH
#include "effect/Filter.h"
#include "server/Params.h"
#include "server/ProcessMemory.h"
#include "server/Renderer.h"
#endif

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace OfxTest;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

// A bundle in a private folder with the given child, loaded and started.
class Bench {
public:
    explicit Bench(const std::string& child)
    {
        char pattern[] = "/dev/shm/ofxbench-XXXXXX";
        m_dir = mkdtemp(pattern);
        const std::string contents = m_dir + "/MorvelinVideo.ofx.bundle/Contents";
        for (const std::string& d : {m_dir + "/MorvelinVideo.ofx.bundle", contents, contents + "/Linux-x86-64",
                                     contents + "/Resources", m_dir + "/rpc"})
            mkdir(d.c_str(), 0700);
        const std::string ofx = contents + "/Linux-x86-64/MorvelinVideo.ofx";
        if (symlink(MORVELIN_OFX_PATH, ofx.c_str()) != 0 ||
            symlink(child.c_str(), (contents + "/Resources/MorvelinVideoMain").c_str()) != 0)
            std::abort();
        setenv("NUVRA_RPC_DIR", (m_dir + "/rpc").c_str(), 1);
        binary = std::make_unique<Binary>(ofx);
        session = std::make_unique<Session>(host, binary->plugin(0));
        ok = session->start() == kOfxStatOK;
        // The five-colour mode renders the same with or without the colour
        // engine's Lab conversions.
        if (ok && session->instance.params.find("P_20"))
            session->edit("P_20", {2.0});
    }
    ~Bench()
    {
        if (session && session->instanceCreated)
            session->destroyInstance();
        session.reset();
        binary.reset();
        const std::string cmd = "rm -rf '" + m_dir + "'";
        if (std::system(cmd.c_str()) != 0)
            std::fprintf(stderr, "cannot remove %s\n", m_dir.c_str());
    }

    Host host;
    std::unique_ptr<Binary> binary;
    std::unique_ptr<Session> session;
    bool ok = false;

private:
    std::string m_dir;
};

void fill(Image& image)
{
    const OfxRectI b = image.bounds();
    for (int y = b.y1; y < b.y2; ++y) {
        unsigned char* p = image.pixel(b.x1, y);
        for (int x = b.x1; x < b.x2; ++x, p += 4) {
            p[0] = static_cast<unsigned char>(x * 255 / b.x2);
            p[1] = static_cast<unsigned char>(y * 255 / b.y2);
            p[2] = static_cast<unsigned char>((x ^ y) & 255);
            p[3] = 255;
        }
    }
}

#ifdef MORVELIN_REAL_CHILD_PATH
// The child the plug-in started: our only child process.
pid_t childPid()
{
    DIR* proc = opendir("/proc");
    pid_t found = 0;
    while (dirent* e = proc ? readdir(proc) : nullptr) {
        const pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        if (pid <= 0 || !std::getline(stat, line) || line.rfind(')') == std::string::npos)
            continue;
        std::istringstream rest(line.substr(line.rfind(')') + 2));
        char state = 0;
        pid_t parent = 0;
        if (rest >> state >> parent && parent == getpid())
            found = pid;
    }
    if (proc)
        closedir(proc);
    return found;
}

// CPU time of the child's live threads, in seconds.
double childCpu(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    double ns = 0;
    while (dirent* e = dir ? readdir(dir) : nullptr) {
        std::ifstream sched(tasks + "/" + e->d_name + "/schedstat");
        double onCpu = 0;
        if (e->d_name[0] != '.' && sched >> onCpu)
            ns += onCpu;
    }
    if (dir)
        closedir(dir);
    return ns * 1e-9;
}

// One field of the child's status, in MiB ("VmRSS", "RssAnon", "RssShmem").
double childMemory(pid_t pid, const std::string& field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::atof(line.c_str() + field.size() + 1) / 1024.0;
    return 0;
}
#endif

// Two copies of a frame of the same bytes, timed on their own.
double twoCopies(size_t bytes)
{
    static std::vector<unsigned char> a, b, c;
    a.assign(bytes, 1);
    b.resize(bytes);
    c.resize(bytes);
    const auto t0 = Clock::now();
    std::memcpy(b.data(), a.data(), bytes);
    std::memcpy(c.data(), b.data(), bytes);
    benchmark::DoNotOptimize(c.data());
    return seconds(t0, Clock::now());
}

void runTrip(benchmark::State& state, const std::string& child, bool withEffect)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Bench bench(child);
    if (!bench.ok) {
        state.SkipWithError("the effect did not start");
        return;
    }
    const OfxRectI bounds{0, 0, w, h};
    Image src(Depth::Byte, 4, bounds);
    Image out(Depth::Byte, 4, bounds);
    fill(src);
#ifdef MORVELIN_REAL_CHILD_PATH
    // The effect here keeps its freed memory as the child does, so that the
    // difference is the trip alone.
    Nuvra::VRPC::keepFreedMemory();
    Nuvra::VRPC::ParamRecord record;
    record.mode = Nuvra::VRPC::ModeFiveColors;
    const Morvelin_paramsCalc params = Nuvra::VRPC::mapParams(record);
    // The child's input: the source's rows top-down as A, R, G, B, so that
    // the effect here works on the very frame the child gets.
    std::vector<std::uint8_t> argb(static_cast<size_t>(w) * h * 4), painted(argb.size());
    for (int y = 0; y < h; ++y) {
        const unsigned char* p = src.pixel(0, y);
        std::uint8_t* q = argb.data() + static_cast<size_t>(h - 1 - y) * w * 4;
        for (int x = 0; x < w; ++x, p += 4, q += 4) {
            q[0] = p[3];
            q[1] = p[0];
            q[2] = p[1];
            q[3] = p[2];
        }
    }
#endif
    // One frame first, untimed: the first touches of the shared files' pages
    // and of the effect's working memory, here and in the child, happen once
    // per connection, not per frame.
    if (bench.session->render(0, bounds, src, out) != kOfxStatOK) {
        state.SkipWithError("render failed");
        return;
    }
#ifdef MORVELIN_REAL_CHILD_PATH
    if (withEffect)
        Filter({w, h}, argb.data(), w * 4, painted.data(), w * 4, 0, params, nullptr);
#endif
    twoCopies(static_cast<size_t>(w) * h * 4);
    double action = 0, effect = 0, copies = 0;
    // The fastest of each as well: on a busy machine the means carry other
    // processes' time, and the trip is a difference of two of them.
    double minAction = 1e9, minEffect = 1e9, minCopies = 1e9;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (bench.session->render(0, bounds, src, out) != kOfxStatOK) {
            state.SkipWithError("render failed");
            return;
        }
        const double a = seconds(t0, Clock::now());
        double e = 0;
#ifdef MORVELIN_REAL_CHILD_PATH
        if (withEffect) {
            const auto t1 = Clock::now();
            Filter({w, h}, argb.data(), w * 4, painted.data(), w * 4, 0, params, nullptr);
            e = seconds(t1, Clock::now());
        }
#else
        (void)withEffect;
#endif
        const double c = twoCopies(static_cast<size_t>(w) * h * 4);
        action += a;
        effect += e;
        copies += c;
        minAction = std::min(minAction, a);
        minEffect = std::min(minEffect, e);
        minCopies = std::min(minCopies, c);
        state.SetIterationTime(a);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["action_ms"] = action / n * 1e3;
    state.counters["effect_ms"] = effect / n * 1e3;
    state.counters["trip_ms"] = (action - effect) / n * 1e3;
    state.counters["two_copies_ms"] = copies / n * 1e3;
    state.counters["trip_per_copies"] = (action - effect) / copies;
    state.counters["fastest_trip_ms"] = (minAction - minEffect) * 1e3;
    state.counters["fastest_trip_per_copies"] = (minAction - minEffect) / minCopies;
}

void BM_TripStandInChild(benchmark::State& state)
{
    runTrip(state, MORVELIN_FAKE_CHILD_PATH, false);
}
BENCHMARK(BM_TripStandInChild)->Args({1920, 1080})->Args({3840, 2160})->UseManualTime()->Unit(benchmark::kMillisecond);

#ifdef MORVELIN_REAL_CHILD_PATH
void BM_TripRealChild(benchmark::State& state)
{
    runTrip(state, MORVELIN_REAL_CHILD_PATH, true);
}
BENCHMARK(BM_TripRealChild)->Args({1920, 1080})->Args({3840, 2160})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The application as child, started, with a filled frame of range(0) x
// range(1) to render.
struct ChildFrame {
    explicit ChildFrame(const benchmark::State& state)
        : bounds{0, 0, static_cast<int>(state.range(0)), static_cast<int>(state.range(1))}
        , src(Depth::Byte, 4, bounds)
        , out(Depth::Byte, 4, bounds)
    {
        fill(src);
    }
    bool ok() const { return bench.ok && child != 0; }
    bool render() { return bench.session->render(0, bounds, src, out) == kOfxStatOK; }

    Bench bench{MORVELIN_REAL_CHILD_PATH};
    const pid_t child = childPid();
    const OfxRectI bounds;
    Image src, out;
};

// The first frame after a pause of range(2) seconds beside the fastest of a
// few warm frames before it, as the action's time and as the child's CPU.
void BM_FirstFrameAfterPause(benchmark::State& state)
{
    ChildFrame f(state);
    if (!f.ok()) {
        state.SkipWithError("the effect did not start");
        return;
    }
    double warm = 1e9, warmCpu = 1e9, paused = 1e9, pausedCpu = 1e9;
    bool failed = false;
    const auto frame = [&](double& wall, double& cpu) {
        const double c0 = childCpu(f.child);
        const auto t0 = Clock::now();
        failed |= !f.render();
        wall = seconds(t0, Clock::now());
        cpu = childCpu(f.child) - c0;
    };
    for (auto _ : state) {
        for (int i = 0; i < 4; ++i) {
            double a = 0, c = 0;
            frame(a, c);
            warm = std::min(warm, a);
            warmCpu = std::min(warmCpu, c);
        }
        std::this_thread::sleep_for(std::chrono::seconds(state.range(2)));
        double a = 0, c = 0;
        frame(a, c);
        paused = std::min(paused, a);
        pausedCpu = std::min(pausedCpu, c);
        state.SetIterationTime(a);
    }
    if (failed) {
        state.SkipWithError("render failed");
        return;
    }
    state.counters["fastest_warm_ms"] = warm * 1e3;
    state.counters["fastest_paused_ms"] = paused * 1e3;
    state.counters["fastest_paused_per_warm"] = paused / warm;
    state.counters["fastest_warm_cpu_ms"] = warmCpu * 1e3;
    state.counters["fastest_paused_cpu_ms"] = pausedCpu * 1e3;
    state.counters["fastest_paused_cpu_per_warm"] = pausedCpu / warmCpu;
}
BENCHMARK(BM_FirstFrameAfterPause)->Args({1920, 1080, 15})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

// The child's resident memory after a burst of range(2) frames of
// range(0) x range(1) and range(3) seconds idle, beside its size once
// started, before any frame.
void BM_IdleMemoryAfterBurst(benchmark::State& state)
{
    ChildFrame f(state);
    if (!f.ok()) {
        state.SkipWithError("the effect did not start");
        return;
    }
    double before = 0, beforeAnon = 0, beforeShared = 0, burst = 0, idle = 0, idleAnon = 0, idleShared = 0;
    for (auto _ : state) {
        before = childMemory(f.child, "VmRSS");
        beforeAnon = childMemory(f.child, "RssAnon");
        beforeShared = childMemory(f.child, "RssShmem");
        for (int i = 0; i < state.range(2); ++i)
            if (!f.render()) {
                state.SkipWithError("render failed");
                return;
            }
        burst = childMemory(f.child, "VmRSS");
        std::this_thread::sleep_for(std::chrono::seconds(state.range(3)));
        idle = childMemory(f.child, "VmRSS");
        idleAnon = childMemory(f.child, "RssAnon");
        idleShared = childMemory(f.child, "RssShmem");
    }
    state.counters["before_mib"] = before;
    state.counters["before_anon_mib"] = beforeAnon;
    state.counters["burst_mib"] = burst;
    state.counters["idle_mib"] = idle;
    state.counters["idle_anon_mib"] = idleAnon;
    state.counters["idle_shared_file_mib"] = idleShared;
    state.counters["idle_per_before"] = idle / before;
    state.counters["idle_anon_per_before"] = idleAnon / beforeAnon;
    // The shared files' pages stay in them whoever maps them; the child's
    // own part is the rest.
    state.counters["idle_own_per_before"] = (idle - idleShared) / (before - beforeShared);
}
BENCHMARK(BM_IdleMemoryAfterBurst)->Args({3840, 2160, 8, 60})->Unit(benchmark::kMillisecond)->Iterations(1);
#endif

} // namespace

BENCHMARK_MAIN();
