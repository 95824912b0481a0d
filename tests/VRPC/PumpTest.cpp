#include "VRPC/Broker.h"
#include "VRPC/Log.h"
#include "VRPC/Pump.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <boost/interprocess/exceptions.hpp>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <thread>

using namespace Nuvra::VRPC;
using VrpcTest::fileExists;

namespace {

std::uint32_t word32(const std::string& bytes, size_t offset)
{
    std::uint32_t v;
    std::memcpy(&v, bytes.data() + offset, 4);
    return v;
}

std::uint64_t word64(const std::string& bytes, size_t offset)
{
    std::uint64_t v;
    std::memcpy(&v, bytes.data() + offset, 8);
    return v;
}

// The descriptors of this process that refer to `path`, with whether each is
// closed on exec.
std::vector<bool> closeOnExecOf(const std::string& path)
{
    std::vector<bool> result;
    DIR* fds = opendir("/proc/self/fd");
    if (!fds)
        return result;
    while (dirent* entry = readdir(fds)) {
        const int fd = std::atoi(entry->d_name);
        char target[4096];
        const ssize_t n = readlink(("/proc/self/fd/" + std::string(entry->d_name)).c_str(), target, sizeof(target));
        if (n <= 0 || std::string(target, static_cast<size_t>(n)) != path)
            continue;
        result.push_back((fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0);
    }
    closedir(fds);
    return result;
}

// What `ls -l /proc/self/fd` prints when this process starts it.
std::string descriptorsOfAProgram()
{
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return std::string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    char* argv[] = {const_cast<char*>("ls"), const_cast<char*>("-l"), const_cast<char*>("/proc/self/fd"), nullptr};
    pid_t pid = -1;
    const bool started = posix_spawn(&pid, "/bin/ls", &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; started && (n = read(out[0], buffer, sizeof(buffer))) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    if (!started || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::string();
    return text;
}

class PumpTest : public testing::Test {
protected:
    void SetUp() override { SetupLogFiles(log.c_str(), ""); }
    VrpcTest::TempDir dir;
    std::string log = dir.file("transport.log");
    std::string name = dir.file("pipe_m2s");
};

} // namespace

TEST_F(PumpTest, CreatesTheFileWithTheHeaderAtItsOffsets)
{
    {
        Pump pump(name, 1000, true);
        PumpHeader* h = pump.header();
        h->writerPid = 0x1122334455667788ull;
        h->waiter = 0x0102030405060708ull;
        h->replySlot = 0xA1A2A3A4A5A6A7A8ull;
        h->xlen = -2;
        h->type = 261;
        std::memcpy(pump.payload(), "pay", 3);
        EXPECT_EQ(pump.payloadLimit(), 1000 + 24 - 56);

        const std::string bytes = VrpcTest::readFile(name);
        ASSERT_EQ(bytes.size(), 1024u);
        EXPECT_EQ(word32(bytes, 0), 1u);     // s_empty
        EXPECT_EQ(word32(bytes, 4), 0u);     // s_full
        EXPECT_EQ(word32(bytes, 8), 1000u);  // capacity
        EXPECT_EQ(bytes[12], 0);             // shutdown
        EXPECT_EQ(word64(bytes, 16), 0x1122334455667788ull);
        EXPECT_EQ(word64(bytes, 24), 0x0102030405060708ull);
        EXPECT_EQ(word64(bytes, 32), 0xA1A2A3A4A5A6A7A8ull);
        // The reserved words stay zero, so 64-bit reads give the same numbers.
        EXPECT_EQ(word64(bytes, 40), static_cast<std::uint64_t>(static_cast<std::uint32_t>(-2)));
        EXPECT_EQ(word64(bytes, 48), 261u);
        EXPECT_EQ(bytes.substr(56, 3), "pay");
    }
    EXPECT_FALSE(fileExists(name));
}

TEST_F(PumpTest, TheBrokerSizeGivesItsFixedFileLayout)
{
    Pump pump(name, kPumpSize, true);
    struct stat st;
    ASSERT_EQ(stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 122008632);
    EXPECT_EQ(pump.payloadLimit(), 122008576);
    EXPECT_EQ(pump.header()->capacity, 0x745B420u);
}

TEST_F(PumpTest, RecreatingTheNameStartsAFreshHeader)
{
    auto first = std::make_unique<Pump>(name, 512, true);
    first->header()->s_empty = 0;
    first->header()->s_full = 1;
    first->setShutdownFlag();
    Pump second(name, 512, true);
    EXPECT_EQ(second.header()->s_empty, 1u);
    EXPECT_EQ(second.header()->s_full, 0u);
    EXPECT_FALSE(second.shutdownFlag());
    // Gone before the newer file is removed, so no eraser outlives the test
    // and writes into another test's log.
    first.reset();
}

TEST_F(PumpTest, TheOpeningSideSharesTheMappingAndNeverRemoves)
{
    Pump creator(name, 512, true);
    {
        Pump opener(name, 512, false);
        opener.header()->type = 7;
        EXPECT_EQ(creator.header()->type, 7);
        EXPECT_EQ(opener.header()->capacity, 512u);
    }
    EXPECT_TRUE(fileExists(name));
}

TEST_F(PumpTest, AFileOfAnotherLengthIsRefused)
{
    Pump creator(name, 512, true);
    ASSERT_EQ(truncate(name.c_str(), 512 + 24 - 1), 0);
    try {
        Pump opener(name, 512, false);
        FAIL() << "opened a short file";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Pump: size mismatch");
    }
}

TEST_F(PumpTest, AMissingFileFailsInTheMappingLayer)
{
    EXPECT_THROW(Pump(dir.file("absent"), 512, false), boost::interprocess::interprocess_exception);
    EXPECT_FALSE(fileExists(dir.file("absent")));
}

TEST_F(PumpTest, CreationReplacesAPlantedLinkWithoutFollowingIt)
{
    const std::string target = dir.file("victim");
    { std::ofstream(target) << "precious"; }
    ASSERT_EQ(symlink(target.c_str(), name.c_str()), 0);
    {
        Pump pump(name, 512, true);
        struct stat st;
        ASSERT_EQ(lstat(name.c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
    EXPECT_EQ(VrpcTest::readFile(target), "precious");
}

// A newer channel created under the same name keeps its file when the older
// one goes away.
TEST_F(PumpTest, RemovesOnlyTheFileItCreated)
{
    auto first = std::make_unique<Pump>(name, 512, true);
    Pump second(name, 512, true);
    first.reset();
    ASSERT_TRUE(fileExists(name));
    Pump opener(name, 512, false);
    EXPECT_EQ(opener.header()->s_empty, 1u);
}

TEST_F(PumpTest, TheEraserRemovesTheFileOnceItCan)
{
    const std::string away = dir.file("moved");
    {
        Pump pump(name, 512, true);
        // Held away under another name, so the removal at destruction fails.
        ASSERT_EQ(std::rename(name.c_str(), away.c_str()), 0);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ASSERT_EQ(std::rename(away.c_str(), name.c_str()), 0);
    EXPECT_TRUE(VrpcTest::waitFor([&] { return !fileExists(name); }, std::chrono::seconds(15)));
    EXPECT_EQ(VrpcTest::readFile(log).find("Eraser thread ERROR"), std::string::npos);
}

TEST_F(PumpTest, TheEraserGivesUpWithAnErrorLine)
{
    VrpcTest::ShortTimeWindows windows;
    {
        Pump pump(name, 512, true);
        ASSERT_EQ(unlink(name.c_str()), 0);
    }
    const std::string expected = "[S]: Eraser thread ERROR: can't remove " + name + " after delayed retries\n";
    EXPECT_TRUE(VrpcTest::waitFor([&] { return VrpcTest::readFile(log) == expected; }, std::chrono::seconds(30)))
        << VrpcTest::readFile(log);
}

// A host starts other programs: they must not inherit the shared files, which
// would keep them (and their memory in a RAM-backed folder) alive.
TEST_F(PumpTest, ChildProgramsDoNotInheritTheFile)
{
    Pump created(name, 1000, true);
    Pump opened(name, 1000, false);
    const std::vector<bool> flags = closeOnExecOf(name);
    ASSERT_FALSE(flags.empty()) << "no descriptor of " << name << " found";
    for (bool closed : flags)
        EXPECT_TRUE(closed);
}

// The host starts programs from any thread at any time: not one of them may
// inherit a shared file, not even while a pump is being set up.
TEST_F(PumpTest, ProgramsStartedMeanwhileNeverInheritTheFile)
{
    std::atomic<bool> stop{false};
    std::thread churn([&] {
        while (!stop.load()) {
            Pump created(name, 4096, true);
            Pump opened(name, 4096, false);
        }
    });
    // Each program lists its own descriptors on a pipe.
    int inherited = 0, failed = 0;
    for (int i = 0; i < 200; ++i) {
        const std::string listing = descriptorsOfAProgram();
        if (listing.empty())
            ++failed;
        inherited += VrpcTest::countOccurrences(listing, dir.path() + "/");
    }
    stop = true;
    churn.join();
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(inherited, 0);
}

TEST_F(PumpTest, TheOpeningSideNeverFollowsALink)
{
    Pump creator(name, 512, true);
    const std::string link = dir.file("link_m2s");
    ASSERT_EQ(symlink(name.c_str(), link.c_str()), 0);
    EXPECT_THROW(Pump(link, 512, false), boost::interprocess::interprocess_exception);
}
