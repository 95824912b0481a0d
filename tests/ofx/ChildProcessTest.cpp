// The platform's child process as the plug-in uses it: it is reaped by
// whoever sees it end first, never signalled once gone, and stopped even
// when it ignores the polite request.
#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Nuvra::Platform::ChildProcess;
using namespace std::chrono_literals;

bool gone(pid_t pid)
{
    return access(("/proc/" + std::to_string(pid)).c_str(), F_OK) != 0;
}

TEST(SpawnedChild, ExitIsSeenAndReaped)
{
    ChildProcess child("/bin/sh", {"-c", "exit 3"});
    EXPECT_TRUE(child.waitExit(5s));
    EXPECT_FALSE(child.running());
    EXPECT_TRUE(WIFEXITED(child.exitStatus()));
    EXPECT_EQ(WEXITSTATUS(child.exitStatus()), 3);
    EXPECT_TRUE(gone(child.pid()));
}

TEST(SpawnedChild, ReapedElsewhereCountsAsExited)
{
    ChildProcess child("/bin/sh", {"-c", "exit 0"});
    int status = 0;
    ASSERT_EQ(waitpid(child.pid(), &status, 0), child.pid());
    EXPECT_FALSE(child.running());
    EXPECT_TRUE(child.terminate(100ms));
}

TEST(SpawnedChild, StopsAChildThatIgnoresTheRequest)
{
    // The shell ignores SIGTERM before it waits; only the kill ends it.
    ChildProcess child("/bin/sh", {"-c", "trap '' TERM; while :; do sleep 1; done"});
    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(child.running());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(child.terminate(300ms));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_TRUE(WIFSIGNALED(child.exitStatus()));
    EXPECT_EQ(WTERMSIG(child.exitStatus()), SIGKILL);
    EXPECT_TRUE(gone(child.pid()));
}

TEST(SpawnedChild, MissingProgramIsAnError)
{
    EXPECT_THROW(ChildProcess("/nonexistent/program", {}), std::system_error);
}

} // namespace
