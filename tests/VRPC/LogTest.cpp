#include "VRPC/Log.h"
#include "VRPC/Process.h"
#include "VRPC/Thunk.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace Nuvra;
using VrpcTest::readFile;

TEST(TransportLog, ErrorLinesCarryTheRolePrefixAndAppend)
{
    VrpcTest::TempDir dir;
    const std::string log = dir.file("transport.log");
    VRPC::SetupLogFiles(log.c_str(), dir.file("errors").c_str());
    EXPECT_EQ(VRPC::logFileName(), log);
    EXPECT_EQ(VRPC::errorFileName(), dir.file("errors"));
    VRPC::writeError("first %d\n", 1);
    VRPC::writeError("second %s\n", "line");
    EXPECT_EQ(readFile(log), "[S]: first 1\n[S]: second line\n");
}

TEST(TransportLog, WithoutALogFileEveryLineYieldsOneNotice)
{
    VRPC::SetupLogFiles("", "");
    testing::internal::CaptureStderr();
    VRPC::writeError("lost %d\n", 1);
    VRPC::writeError("lost %d\n", 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "!!! Log file for thunk is not set !!!\n!!! Log file for thunk is not set !!!\n");
}

TEST(TransportLog, LongMessagesAreCutNotRejected)
{
    VrpcTest::TempDir dir;
    const std::string log = dir.file("transport.log");
    VRPC::SetupLogFiles(log.c_str(), "");
    const std::string longText(10000, 'x');
    VRPC::writeError("%s\n", longText.c_str());
    VRPC::writeError("after\n");
    const std::string content = readFile(log);
    EXPECT_EQ(content.size(), 4095u + std::string("[S]: after\n").size());
    EXPECT_EQ(content.compare(0, 5, "[S]: "), 0);
    EXPECT_EQ(content.substr(4095), "[S]: after\n");
}

// The debug switch is read once per process, so each case runs in a fresh one.
TEST(TransportLog, DebugLinesOnlyWithTheSwitch)
{
    struct Case {
        std::vector<std::string> env;
        std::string expected;
    };
    const Case cases[] = {
        {{}, "[S]: error line 2\n"},
        {{"NUVRA_RPC_LOG="}, "[S]: debug line 1\n[S]: error line 2\n"},
        {{"NUVRA_RPC_LOG=0"}, "[S]: debug line 1\n[S]: error line 2\n"},
    };
    for (const Case& c : cases) {
        VrpcTest::TempDir dir;
        const std::string log = dir.file("peer.log");
        unsetenv("NUVRA_RPC_LOG");
        VrpcTest::Peer peer({"log", log}, c.env);
        ASSERT_EQ(peer.wait(), 0);
        EXPECT_EQ(readFile(log), c.expected);
    }
}

TEST(TransportLog, AlertsWithoutAUserInterfaceGoToTheLogAndStandardError)
{
    VrpcTest::TempDir dir;
    const std::string log = dir.file("transport.log");
    VRPC::SetupLogFiles(log.c_str(), "");
    VThunk::BundleInfo bundle;
    bundle.info["CFBundleName"] = std::string("MorvelinVideoMain");
    bundle.info["CFBundleVersion"] = std::string("1.0.0");
    VThunk::setVersionBundle('S', &bundle, "CFBundleName");

    testing::internal::CaptureStderr();
    VRPC::showErrorToUser("Unexpected message from slave, id: %d", 300);
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string text = "[S] Product: \tMorvelinVideoMain\nVersion: \t\t1.0.0\n\nUnexpected message from slave, id: 300";
    EXPECT_EQ(readFile(log), text + "\n");
    EXPECT_EQ(err, "VRPC Error: " + text + "\n");

    testing::internal::CaptureStderr();
    VRPC::show_string_to_user("plain");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "VRPC Error: plain\n");
    EXPECT_EQ(readFile(log), text + "\nVRPC Error: plain\n");
    VThunk::setVersionBundle('S', nullptr, "CFBundleName");
}

namespace {
std::string g_title, g_text;
void recordAlert(const char* title, const char* text)
{
    g_title = title;
    g_text = text;
}
} // namespace

TEST(TransportLog, AnInstalledPresenterShowsTheAlert)
{
    VrpcTest::TempDir dir;
    VRPC::SetupLogFiles(dir.file("t.log").c_str(), "");
    VRPC::setAlertPresenter(recordAlert);
    testing::internal::CaptureStderr();
    VRPC::showErrorToUser("Handshake failed");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    VRPC::setAlertPresenter(nullptr);
    EXPECT_EQ(g_title, "VRPC Error");
    EXPECT_EQ(g_text, "[S] Product: \t[no bundle]\nVersion: \t\t[no bundle]\n\nHandshake failed");
}

TEST(BundleInfo, ValuesAndTheirFallbacks)
{
    VThunk::BundleInfo bundle;
    bundle.info["CFBundleName"] = std::string("Name");
    bundle.info["CFBundleVersion"] = 12LL;
    VThunk::BundleInfo noInfo;
    noInfo.hasInfo = false;
    EXPECT_EQ(VThunk::CopyBundleInfo(&bundle, "CFBundleName"), "Name");
    EXPECT_EQ(VThunk::CopyBundleInfo(&bundle, "CFBundleVersion"), "[not a string]");
    EXPECT_EQ(VThunk::CopyBundleInfo(&bundle, "Other"), "[No value for Other]");
    EXPECT_EQ(VThunk::CopyBundleInfo(&noInfo, "CFBundleName"), "[no info]");
    EXPECT_EQ(VThunk::CopyBundleInfo(nullptr, "CFBundleName"), "[no bundle]");

    bundle.info["CFBundleExecutable"] = std::string("MorvelinVideo");
    bundle.info["CFBundleVersion"] = std::string("2.1");
    VThunk::setVersionBundle('M', &bundle, "CFBundleExecutable");
    EXPECT_EQ(VThunk::GetVersionInfo(), "[M] Product: \tMorvelinVideo\nVersion: \t\t2.1\n");
    VThunk::setVersionBundle('S', nullptr, "CFBundleName");
}

TEST(ProcessHelpers, HandlesAreProcessNumbers)
{
    const unsigned long long self = VRPC::currentProcessNumber();
    EXPECT_EQ(self, static_cast<unsigned long long>(getpid()));
    EXPECT_EQ(VRPC::processFromNumberSlave(self), self);
    EXPECT_TRUE(VRPC::processIsRunningSlave(self));
    const unsigned long long none = 0;
    EXPECT_FALSE(VRPC::processIsRunningSlave(none));
}
