#include "platform/Process.h"
#include "platform/SharedFiles.h"
#include "platform/SharedSemaphore.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <fstream>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

using namespace Nuvra::Platform;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(SharedSemaphore, WaitTakesOneUnitAndTimesOutOnZero)
{
    std::uint32_t count = 2;
    EXPECT_EQ(semWaitUntil(&count, Clock::now() + 1s), SemWait::Acquired);
    EXPECT_EQ(semWaitUntil(&count, Clock::now() + 1s), SemWait::Acquired);
    EXPECT_EQ(count, 0u);
    const auto start = Clock::now();
    EXPECT_EQ(semWaitUntil(&count, start + 100ms), SemWait::TimedOut);
    EXPECT_GE(Clock::now() - start, 100ms);
    EXPECT_FALSE(semTryWait(&count));
    semPost(&count);
    EXPECT_EQ(count, 1u);
    EXPECT_TRUE(semTryWait(&count));
}

TEST(SharedSemaphore, PostWakesASleepingWaiter)
{
    std::uint32_t count = 0;
    std::atomic<int> result{-1};
    std::thread waiter([&] { result = static_cast<int>(semWaitUntil(&count, Clock::now() + 60s)); });
    std::this_thread::sleep_for(20ms);
    semPost(&count);
    waiter.join();
    EXPECT_EQ(result.load(), static_cast<int>(SemWait::Acquired));
    EXPECT_EQ(count, 0u);
}

TEST(SharedSemaphore, StopConditionEndsTheWaitWithoutTakingAUnit)
{
    std::uint32_t count = 0;
    std::atomic<bool> stop{false};
    std::vector<std::thread> waiters;
    std::atomic<int> stopped{0};
    for (int i = 0; i < 4; ++i)
        waiters.emplace_back([&] {
            if (semWaitUntil(&count, Clock::now() + 60s, [&] { return stop.load(); }) == SemWait::Stopped)
                ++stopped;
        });
    std::this_thread::sleep_for(20ms);
    stop = true;
    semWakeAll(&count);
    for (auto& t : waiters)
        t.join();
    EXPECT_EQ(stopped.load(), 4);
    EXPECT_EQ(count, 0u);
}

// Units are neither lost nor duplicated under contention.
TEST(SharedSemaphore, CountsEveryPostUnderContention)
{
    std::uint32_t count = 0;
    constexpr int kThreads = 4, kRounds = 5000;
    std::atomic<int> taken{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&] {
            for (int r = 0; r < kRounds; ++r)
                if (semWaitUntil(&count, Clock::now() + 60s) == SemWait::Acquired)
                    ++taken;
        });
    for (int r = 0; r < kThreads * kRounds; ++r)
        semPost(&count);
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(taken.load(), kThreads * kRounds);
    EXPECT_EQ(count, 0u);
}

TEST(Process, ExistsOnlyForLiveProcesses)
{
    EXPECT_TRUE(processExists(currentProcessId()));
    // 0 and ids beyond pid_t would mean a process group or wrap to -1 in kill().
    for (std::uint64_t bogus : {std::uint64_t{0}, std::uint64_t{0xFFFFFFFFull}, std::uint64_t{0x80000000ull},
                                ~std::uint64_t{0}, std::uint64_t{1} << 40})
        EXPECT_FALSE(processExists(bogus)) << bogus;
}

TEST(Process, AnExitedChildIsGoneBeforeAndAfterItIsReaped)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    ASSERT_GT(child, 0);
    // Not reaped yet: a zombie, which kill() alone still reports as present.
    EXPECT_TRUE(VrpcTest::waitFor([&] { return !processExists(static_cast<std::uint64_t>(child)); }));
    waitpid(child, nullptr, 0);
    EXPECT_FALSE(processExists(static_cast<std::uint64_t>(child)));
}

TEST(Process, AThreadExistsUntilItsExitHandlersHaveRun)
{
    EXPECT_TRUE(threadExists(currentThreadId()));
    // Process 1 is no thread of this process.
    for (std::uint64_t bogus : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{0x80000000ull}, ~std::uint64_t{0}})
        EXPECT_FALSE(threadExists(bogus)) << bogus;

    struct HeldAtExit {
        std::atomic<bool>* release = nullptr;
        ~HeldAtExit()
        {
            while (release && !release->load())
                std::this_thread::sleep_for(1ms);
        }
    };
    std::atomic<bool> release{false};
    std::atomic<std::uint64_t> id{0};
    std::thread thread([&] {
        thread_local HeldAtExit held;
        held.release = &release;
        id = currentThreadId();
    });
    ASSERT_TRUE(VrpcTest::waitFor([&] { return id.load() != 0; }));
    std::this_thread::sleep_for(20ms);
    // Its function is done; its exit handlers hold it.
    EXPECT_TRUE(threadExists(id.load()));
    release = true;
    thread.join();
    EXPECT_TRUE(VrpcTest::waitFor([&] { return !threadExists(id.load()); }));
}

TEST(SharedFiles, FolderFollowsTheEnvironmentInOrder)
{
    // Unnamed, the files go to memory-backed storage, not to a disk's /tmp.
    struct stat shm;
    const char* memory = stat("/dev/shm", &shm) == 0 && S_ISDIR(shm.st_mode) ? "/dev/shm/" : "/tmp/";
    struct Case {
        const char* rpc;
        const char* tmp;
        const char* temp;
        const char* runtime;
        const char* expected;
    };
    const Case cases[] = {
        {"/a", "/b", "/c", "/r", "/a"},
        {nullptr, "/b", "/c", "/r", "/b"},
        {nullptr, nullptr, "/c", "/r", "/c"},
        {"", "/b", nullptr, nullptr, ""},
        {nullptr, nullptr, nullptr, "/run/user/1000", "/run/user/1000"},
        {nullptr, nullptr, nullptr, nullptr, memory},
        {nullptr, nullptr, nullptr, "", memory},
        {nullptr, nullptr, nullptr, "relative", memory},
    };
    const char* names[] = {"NUVRA_RPC_DIR", "TMP", "TEMP", "XDG_RUNTIME_DIR"};
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string runtime = saved ? saved : "";
    for (const Case& c : cases) {
        const char* values[] = {c.rpc, c.tmp, c.temp, c.runtime};
        for (int i = 0; i < 4; ++i) {
            if (values[i])
                setenv(names[i], values[i], 1);
            else
                unsetenv(names[i]);
        }
        EXPECT_EQ(rpcFolder(), c.expected) << (c.runtime ? c.runtime : "(no runtime folder)");
    }
    unsetenv("NUVRA_RPC_DIR");
    unsetenv("TMP");
    unsetenv("TEMP");
    if (saved)
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}

TEST(SharedFiles, UniqueFilesAreNewPrivateAndUnpredictable)
{
    VrpcTest::TempDir dir;
    const std::string prefix = dir.path() + "/";
    const std::string a = createUniqueFile(prefix);
    const std::string b = createUniqueFile(prefix);
    EXPECT_NE(a, b);
    EXPECT_EQ(a.compare(0, prefix.size(), prefix), 0);
    EXPECT_GE(a.size() - prefix.size(), 16u);
    struct stat st;
    ASSERT_EQ(stat(a.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_THROW(createUniqueFile(dir.file("missing/")), std::system_error);
    // The form the leftover search recognises, and nothing else.
    EXPECT_TRUE(isUniqueLeaf(a.substr(prefix.size())));
    for (const std::string& other : {std::string(), a.substr(prefix.size()) + "_m2s", a.substr(prefix.size(), 20),
                                     std::string("nuvra-0123456789abcd"), std::string("other0123456789abcdef")})
        EXPECT_FALSE(isUniqueLeaf(other)) << other;
}

// A name that was given to a newer file in the meantime is left alone.
TEST(SharedFiles, RemovalByIdentityLeavesANewerFile)
{
    VrpcTest::TempDir dir;
    const std::string name = dir.file("chan");
    const FileIdentity old = SharedFile::create(name, 8).identity();
    const SharedFile held = SharedFile::open(name);  // keeps the inode from being reused
    ASSERT_TRUE(removeFile(name));
    const FileIdentity newer = SharedFile::create(name, 8).identity();
    EXPECT_FALSE(removeFileIfSame(name, old));
    EXPECT_TRUE(fileIdentity(name) == newer);
    EXPECT_TRUE(removeFileIfSame(name, newer));
    EXPECT_FALSE(fileIdentity(name).valid);
}

namespace {

long residentPages()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident;
}

} // namespace

// An idle side's resident memory comes down; the file keeps every byte.
TEST(SharedFiles, DroppedPagesLeaveResidentMemoryNotTheFile)
{
    VrpcTest::TempDir dir;
    constexpr std::size_t kSize = 16 << 20, kOffset = 24;  // the payload starts behind a header
    const SharedFile file = SharedFile::create(dir.file("chan"), kSize);
    void* map = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED, file.descriptor(), 0);
    ASSERT_NE(map, MAP_FAILED);
    auto* bytes = static_cast<unsigned char*>(map);
    for (std::size_t i = 0; i < kSize; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    const long before = residentPages();
    const long page = sysconf(_SC_PAGESIZE);

    EXPECT_TRUE(dropResidentPages(bytes + kOffset, kSize - kOffset));
    EXPECT_LE(residentPages(), before - long(kSize / 2) / page);
    bool intact = true;
    for (std::size_t i = 0; i < kSize; ++i)
        intact = intact && bytes[i] == static_cast<unsigned char>(i * 7 + 1);
    EXPECT_TRUE(intact);
    EXPECT_FALSE(dropResidentPages(bytes + 1, std::size_t(page) - 2)) << "no whole page inside";
    munmap(map, kSize);
}

TEST(SharedFiles, ExclusiveCreationNeverFollowsAPlantedLink)
{
    VrpcTest::TempDir dir;
    const std::string target = dir.file("target");
    { std::ofstream(target) << "keep"; }
    const std::string link = dir.file("link");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    EXPECT_THROW(SharedFile::create(link, 100), std::system_error);
    EXPECT_EQ(VrpcTest::readFile(target), "keep");

    const std::string fresh = dir.file("fresh");
    const SharedFile created = SharedFile::create(fresh, 100);
    EXPECT_TRUE(created.identity() == fileIdentity(fresh));
    EXPECT_EQ(created.size(), 100);
    EXPECT_TRUE(fcntl(created.descriptor(), F_GETFD) & FD_CLOEXEC);
    struct stat st;
    ASSERT_EQ(stat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 100);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_THROW(SharedFile::create(fresh, 100), std::system_error);
}
