// The child's life: how it is started, what it inherits, and that every
// way the connection ends leaves no child, file, descriptor or thread.
#include "BundleFixture.h"

#include "VRPC/Broker.h"
#include "platform/SharedFiles.h"

#include <cstddef>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace OfxTest;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool processGone(int pid)
{
    return pid > 0 && !VrpcTest::fileExists("/proc/" + std::to_string(pid));
}

int threadCount()
{
    return static_cast<int>(listFolder("/proc/self/task").size());
}

// A joined thread has finished our code, but the kernel lists it under
// /proc/self/task until its own exit has run to the end, a moment later.
int threadCountOnceSettledAt(int expected)
{
    const auto end = Clock::now() + std::chrono::seconds(5);
    int count = threadCount();
    while (count != expected && Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        count = threadCount();
    }
    return count;
}

std::vector<std::string> linesWith(const std::string& text, const std::string& prefix)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            out.push_back(line.substr(prefix.size()));
    }
    return out;
}

// The id of a process that has ended and been reaped.
std::uint64_t goneProcess()
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(0);
    int status = 0;
    waitpid(pid, &status, 0);
    return static_cast<std::uint64_t>(pid);
}

// A channel's three files as a host leaves them, under `leaf` (a fresh name
// of the plug-in's form when empty), the headers naming `master` and `slave`
// as their writers. Returns the leaf.
std::string plantChannel(const std::string& folder, std::uint64_t master, std::uint64_t slave,
                         std::string leaf = "")
{
    using Nuvra::Platform::SharedFile;
    if (leaf.empty())
        leaf = Nuvra::Platform::createUniqueFile(folder + "/").substr(folder.size() + 1);
    else
        SharedFile::create(folder + "/" + leaf, 0);
    const std::pair<const char*, std::uint64_t> writers[] = {{"_m2s", master}, {"_s2m", slave}};
    for (const auto& w : writers) {
        const SharedFile f = SharedFile::create(folder + "/" + leaf + w.first,
                                                Nuvra::VRPC::kPumpSize + Nuvra::VRPC::kPumpFileExtra);
        EXPECT_EQ(pwrite(f.descriptor(), &w.second, 8, offsetof(Nuvra::VRPC::PumpHeader, writerPid)), 8);
    }
    return leaf;
}

class Connection : public BundleFixture {};

TEST_F(Connection, ChildGetsItsCommandLineAndNothingElseOfTheHost)
{
    // A descriptor that its owner forgot to mark close-on-exec, and
    // variables that would load the host's libraries into the child.
    const int leaked = open("/dev/null", O_RDONLY);
    ASSERT_GE(leaked, 3);
    for (const char* name : {"LD_LIBRARY_PATH", "LD_PRELOAD", "QT_PLUGIN_PATH", "QT_QPA_PLATFORM_PLUGIN_PATH",
                             "QML2_IMPORT_PATH"})
        setenv(name, "/nonexistent", 1);
    makeFakeBundle();
    ASSERT_EQ(session->load(), kOfxStatOK);
    close(leaked);

    const std::string start = startRecord();
    EXPECT_EQ(linesWith(start, "args:"), std::vector<std::string>{"3"});
    const auto args = linesWith(start, "arg:");
    ASSERT_EQ(args.size(), 3u);
    EXPECT_EQ(args[0].compare(0, rpc.size() + 1, rpc + "/"), 0) << args[0];
    EXPECT_EQ(args[1], "");
    EXPECT_EQ(args[2], "");
    EXPECT_EQ(linesWith(start, "fd:"), (std::vector<std::string>{"0", "1", "2"}));
    const auto env = linesWith(start, "env:");
    for (const char* name : {"LD_LIBRARY_PATH", "LD_PRELOAD", "QT_PLUGIN_PATH", "QT_QPA_PLATFORM_PLUGIN_PATH",
                             "QML2_IMPORT_PATH"})
        EXPECT_EQ(std::count(env.begin(), env.end(), name), 0) << name;
    EXPECT_EQ(std::count(env.begin(), env.end(), "MORVELIN_FAKE_CHILD_DIR"), 1);

    // The shared name is reserved by a placeholder beside the two files.
    auto files = listFolder(rpc);
    std::sort(files.begin(), files.end());
    ASSERT_EQ(files.size(), 3u);
    const std::string leaf = args[0].substr(rpc.size() + 1);
    EXPECT_EQ(files, (std::vector<std::string>{leaf, leaf + "_m2s", leaf + "_s2m"}));

    // A second load action answers from the first.
    EXPECT_EQ(session->load(), kOfxStatOK);
    EXPECT_EQ(requests(Nuvra::VRPC::M2S_Handshake).size(), 1u);
    for (const char* name : {"LD_LIBRARY_PATH", "LD_PRELOAD", "QT_PLUGIN_PATH", "QT_QPA_PLATFORM_PLUGIN_PATH",
                             "QML2_IMPORT_PATH"})
        unsetenv(name);
}

TEST_F(Connection, UnloadLeavesNoChildFileOrThread)
{
    // A sanitizer starts a thread of its own with the first thread of the
    // process: it is there before the count is taken.
    pid_t first = 0;
    std::thread([&first] { first = gettid(); }).join();
    for (const auto end = Clock::now() + std::chrono::seconds(5);
         VrpcTest::fileExists("/proc/self/task/" + std::to_string(first)) && Clock::now() < end;)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const int threadsBefore = threadCount();
    makeFakeBundle();
    ASSERT_EQ(session->start(), kOfxStatOK);
    Image src(Depth::Byte, 4, {0, 0, 4, 4});
    Image out(Depth::Byte, 4, {0, 0, 4, 4});
    ASSERT_EQ(session->render(0, {0, 0, 4, 4}, src, out), kOfxStatOK);
    const int pid = childPid();
    ASSERT_GT(pid, 0);
    EXPECT_GT(threadCount(), threadsBefore);

    unloadBundle();
    EXPECT_EQ(requests(Nuvra::VRPC::M2S_Quit).size(), 1u);
    EXPECT_TRUE(processGone(pid));
    EXPECT_TRUE(listFolder(rpc).empty());
    EXPECT_EQ(threadCountOnceSettledAt(threadsBefore), threadsBefore);
}

TEST_F(Connection, UnloadDoesNotWaitForAChildThatHoldsTheSlot)
{
    makeFakeBundle("hold-slot");
    ASSERT_EQ(session->start(), kOfxStatOK);
    const int pid = childPid();
    const auto start = Clock::now();
    unloadBundle();
    EXPECT_LT(secondsSince(start), 10.0);
    EXPECT_TRUE(processGone(pid));
    EXPECT_TRUE(listFolder(rpc).empty());
}

TEST_F(Connection, MissingChildProgramIsTriedAgainOnTheNextLoad)
{
    makeBundle("");
    EXPECT_EQ(session->load(), kOfxStatErrUnknown);
    EXPECT_TRUE(listFolder(rpc).empty());
    // Installed afterwards: the next load makes a fresh attempt.
    const std::string contents = root + "/MorvelinVideo.ofx.bundle/Contents";
    setenv("MORVELIN_FAKE_CHILD", "", 1);
    ASSERT_EQ(symlink(MORVELIN_FAKE_CHILD_PATH, (contents + "/Resources/MorvelinVideoMain").c_str()), 0);
    EXPECT_EQ(session->load(), kOfxStatOK);
    EXPECT_EQ(requests(Nuvra::VRPC::M2S_Handshake).size(), 1u);
    EXPECT_EQ(listFolder(rpc).size(), 3u);
}

// Hosts that were killed leave their channels behind; a load removes those
// and nothing that a live process may still use.
TEST_F(Connection, LoadRemovesTheChannelsOfGoneHostsOnly)
{
    makeFakeBundle();
    const std::uint64_t gone = goneProcess();
    const std::uint64_t alive = static_cast<std::uint64_t>(getpid());
    struct Case {
        const char* what;
        std::uint64_t master;
        std::uint64_t slave;
        const char* leaf;
        bool removed;
    } cases[] = {
        {"master gone, slave never came", gone, 0, "", true},
        {"master and slave gone", gone, gone, "", true},
        {"master alive", alive, 0, "", false},
        {"master gone, slave still running", gone, alive, "", false},
        {"master starting, no writer yet", 0, 0, "", false},
        {"a name of another form", gone, 0, "nuvra-other", false},
    };
    std::vector<std::string> kept, removed;
    for (const Case& c : cases) {
        const std::string leaf = plantChannel(rpc, c.master, c.slave, c.leaf);
        for (const char* ending : {"", "_m2s", "_s2m"})
            (c.removed ? removed : kept).push_back(leaf + ending);
    }
    // A live channel of another plug-in in this process.
    const std::string liveName = Nuvra::Platform::createUniqueFile(rpc + "/");
    Nuvra::VRPC::Broker live(liveName, true, [](Nuvra::VRPC::Message&) {});
    for (const char* ending : {"", "_m2s", "_s2m"})
        kept.push_back(liveName.substr(rpc.size() + 1) + ending);

    ASSERT_EQ(session->load(), kOfxStatOK);
    std::vector<std::string> found = listFolder(rpc);
    for (const std::string& name : kept) {
        const auto at = std::find(found.begin(), found.end(), name);
        EXPECT_NE(at, found.end()) << name << " was removed";
        if (at != found.end())
            found.erase(at);
    }
    for (const std::string& name : removed)
        EXPECT_EQ(std::count(found.begin(), found.end(), name), 0) << name << " was left";
    // Besides the kept ones only the new channel's own three files.
    EXPECT_EQ(found.size(), 3u);
}

TEST_F(Connection, FailedHandshakesStopTheChildAndStayFailed)
{
    struct Case {
        const char* fault;
        double within;  // seconds the load may take
    } cases[] = {
        {"exit-at-start", 15.0},  // noticed in the first wait slice
        {"no-handshake", 15.0},   // the handshake's time-out, shortened to 2 s below
    };
    setenv("MORVELIN_HANDSHAKE_SECONDS", "2", 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        TearDown();
        makeFakeBundle(c.fault);
        const auto start = Clock::now();
        EXPECT_EQ(session->load(), kOfxStatFailed);
        EXPECT_LT(secondsSince(start), c.within);
        const int pid = childPid();
        EXPECT_TRUE(processGone(pid)) << pid;
        EXPECT_TRUE(listFolder(rpc).empty());
        const auto again = Clock::now();
        EXPECT_EQ(session->load(), kOfxStatFailed);
        EXPECT_LT(secondsSince(again), 1.0);
    }
    unsetenv("MORVELIN_HANDSHAKE_SECONDS");
}

TEST_F(Connection, ChildKilledMidRenderFailsTheRenderAndTheNextAtOnce)
{
    makeFakeBundle("render-die");
    ASSERT_EQ(session->start(), kOfxStatOK);
    const int pid = childPid();
    Image src(Depth::Byte, 4, {0, 0, 16, 16});
    Image out(Depth::Byte, 4, {0, 0, 16, 16});
    const std::vector<unsigned char> before = out.storage();
    auto start = Clock::now();
    EXPECT_EQ(session->render(0, {0, 0, 16, 16}, src, out), kOfxStatFailed);
    EXPECT_LT(secondsSince(start), 10.0);
    start = Clock::now();
    EXPECT_EQ(session->render(1, {0, 0, 16, 16}, src, out), kOfxStatFailed);
    EXPECT_LT(secondsSince(start), 1.0);
    EXPECT_EQ(out.storage(), before);
    // Parameter requests fail the same way instead of waiting.
    start = Clock::now();
    session->edit("P_2", {10.0}, false);
    EXPECT_LT(secondsSince(start), 1.0);
    unloadBundle();
    EXPECT_TRUE(processGone(pid));
    EXPECT_TRUE(listFolder(rpc).empty());
}

} // namespace
