#include "ChildProcess.h"

#include "VRPC/Broker.h"
#include "VRPC/Log.h"
#include "VRPC/Messages.h"
#include "VRPC/RenderHeader.h"
#include "VRPC/Serialize.h"
#include "server/Renderer.h"
#include "server/ServerMain.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Nuvra::VRPC;

namespace {

// The test is the plug-in: it owns the channel and starts MorvelinVideoMain
// on it as the plug-in does.
class ChildProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetupLogFiles(file("master.log").c_str(), "");
        master = std::make_unique<Broker>(base, true, [](Message&) {});
    }

    void TearDown() override
    {
        if (child > 0) {
            int status = 0;
            if (!ChildTest::waitForExit(child, 0, status)) {
                kill(child, SIGKILL);
                ChildTest::waitForExit(child, 10, status);
            }
        }
        master.reset();
    }

    std::string file(const std::string& leaf) const { return dir.path().toStdString() + "/" + leaf; }

    // The data and settings folders of the child are private to the test.
    std::map<std::string, std::string> environment() const
    {
        return {{"XDG_DATA_HOME", file("data")}, {"XDG_CONFIG_HOME", file("config")}};
    }

    void start(std::map<std::string, std::string> env = {}, bool logs = true)
    {
        for (const auto& entry : environment())
            env.emplace(entry);
        child = ChildTest::spawn(
            {MORVELIN_MAIN_PATH, base, logs ? file("transport.log") : "", logs ? file("app.log") : ""}, env);
        ASSERT_GT(child, 0);
    }

    Message request(int type, const void* data, int length, int timeout = 30)
    {
        Message reply;
        master->send_message_sync(type, 0, data, length, reply, timeout);
        return reply;
    }

    void handshake()
    {
        const std::uint32_t self = static_cast<std::uint32_t>(getpid());
        const Message reply = request(M2S_Handshake, &self, sizeof(self), kHandshakeTimeoutSeconds);
        ASSERT_EQ(reply.type, S2M_Handshake);
        std::uint64_t pid = 0;
        ASSERT_EQ(reply.extra.size(), sizeof(pid));
        std::memcpy(&pid, reply.extra.data(), sizeof(pid));
        EXPECT_EQ(pid, static_cast<std::uint64_t>(child));
    }

    void quitAndExpectExit(double seconds)
    {
        master->send_message_async(M2S_Quit, 0, nullptr, 0);
        int status = -1;
        ASSERT_TRUE(ChildTest::waitForExit(child, seconds, status)) << "still running";
        child = -1;
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }

    // A frame as the plug-in sends it: header, value text, A R G B rows.
    static std::vector<char> renderPayload(int width, int height, const std::string& values)
    {
        const RenderRequestHeader header =
            makeRenderRequestHeader(width, height, 0, static_cast<std::int32_t>(values.size()));
        std::vector<char> payload(static_cast<size_t>(renderRequestBytes(width, height, values.size())));
        std::memcpy(payload.data(), &header, sizeof(header));
        std::memcpy(payload.data() + sizeof(header), values.data(), values.size());
        unsigned char* pixels = reinterpret_cast<unsigned char*>(payload.data() + sizeof(header) + values.size());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                unsigned char* p = pixels + (static_cast<size_t>(y) * width + x) * 4;
                p[0] = 255;
                p[1] = static_cast<unsigned char>(x * 255 / width);
                p[2] = static_cast<unsigned char>(y * 255 / height);
                p[3] = static_cast<unsigned char>((x * y) & 255);
            }
        return payload;
    }

    QTemporaryDir dir;
    std::string base = file("chan");
    std::unique_ptr<Broker> master;
    pid_t child = -1;
};

TEST_F(ChildProcess, ServesTheChannelAndQuitsInOrder)
{
    start();
    handshake();

    const std::uint32_t kind = 1;
    const Message description = request(M2S_ParamsSetup, &kind, sizeof(kind));
    ASSERT_EQ(description.type, S2M_ParamStr);
    const auto tree = deserialize(std::string(description.extra.begin(), description.extra.end()));
    EXPECT_EQ(tree.count("param"), 30u);

    // The child renders exactly what the render code gives in this process.
    host = static_cast<int>(kind);
    for (const auto& size : {std::pair{1, 1}, std::pair{64, 48}, std::pair{37, 5}}) {
        const std::vector<char> payload = renderPayload(size.first, size.second, std::string());
        const Message rendered = request(M2S_Render, payload.data(), static_cast<int>(payload.size()), 0);
        ASSERT_EQ(rendered.type, S2M_Rendered);
        std::vector<char> expected;
        ASSERT_EQ(renderRequest(payload.data(), static_cast<std::int64_t>(payload.size()), expected), RenderOk);
        EXPECT_TRUE(rendered.extra == expected) << size.first << "x" << size.second;
    }
    host = 0;

    quitAndExpectExit(2.0);
}

TEST_F(ChildProcess, StartsWithoutADisplay)
{
    start({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}});
    handshake();
    quitAndExpectExit(2.0);
}

TEST_F(ChildProcess, StartsAsThePluginStartsItWithoutLogFiles)
{
    start({}, false);
    handshake();
    quitAndExpectExit(2.0);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(file("data/NUVRA/NUVRA.log"))));
}

TEST_F(ChildProcess, AShortHandshakeLeavesTheHostUnknownNotGone)
{
    start();
    const std::uint16_t tooShort = 1;
    const Message reply = request(M2S_Handshake, &tooShort, sizeof(tooShort), kHandshakeTimeoutSeconds);
    ASSERT_EQ(reply.type, S2M_Handshake);
    // Host 0 names no process: the child must go on serving.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    int status = 0;
    EXPECT_FALSE(ChildTest::waitForExit(child, 0, status));
    const std::uint32_t kind = 1;
    EXPECT_EQ(request(M2S_ParamsSetup, &kind, sizeof(kind)).type, S2M_ParamStr);
    quitAndExpectExit(2.0);
}

TEST_F(ChildProcess, ADialogRequestDoesNotHoldBackRenders)
{
    // The child's transport log names each request as it arrives.
    start({{"NUVRA_RPC_LOG", "1"}});
    handshake();
    const bool screen = std::getenv("DISPLAY") && std::getenv("QT_QPA_PLATFORM")
                        && std::string(std::getenv("QT_QPA_PLATFORM")) == "xcb";
    std::atomic<bool> dialogAnswered{false};
    std::thread dialog([&] {
        Message reply;
        master->send_message_sync(M2S_DoDialog, 0, nullptr, 0, reply, 20);
        dialogAnswered = reply.type == S2M_DialogDone;
    });
    if (!screen) {
        // Nobody could see the box: the request is answered at once.
        dialog.join();
        EXPECT_TRUE(dialogAnswered.load());
    } else {
        // The frame is sent only once the child holds the request, or it
        // could overtake it and the box would not yet stand in its way.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        bool arrived = false;
        while (!arrived && std::chrono::steady_clock::now() < end) {
            QFile log(QString::fromStdString(file("transport.log")));
            arrived = log.open(QIODevice::ReadOnly) && log.readAll().contains("M2S_DoDialog");
            if (!arrived)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_TRUE(arrived) << "the dialog request never reached the child";
    }
    const std::vector<char> payload = renderPayload(32, 16, std::string());
    const Message rendered = request(M2S_Render, payload.data(), static_cast<int>(payload.size()), 20);
    EXPECT_EQ(rendered.type, S2M_Rendered);
    if (screen) {
        // The box is still open on the child's screen, yet the frame came.
        EXPECT_FALSE(dialogAnswered.load());
        // Quitting closes the open box, and the child still ends.
        quitAndExpectExit(10.0);
        dialog.join();
    } else {
        quitAndExpectExit(2.0);
    }
}

// A host killed idle or with a frame in the child's hands: the child ends
// and takes the host's three files with it, which nobody else would remove.
TEST_F(ChildProcess, EndsWhenTheHostIsKilledAndRemovesItsFiles)
{
    // Orphans of the killed master are handed to this process, so their exit
    // status can be read.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    for (const char* moment : {"idle", "render"}) {
        SCOPED_TRACE(moment);
        const std::string name = file(std::string("chan-") + moment);
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        std::map<std::string, std::string> env = environment();
        const pid_t masterPid = ChildTest::spawn({APP_TEST_MASTER_PATH, MORVELIN_MAIN_PATH, name,
                                                  file("transport2.log"), file("app2.log"), moment},
                                                 env, out[1]);
        close(out[1]);
        ASSERT_GT(masterPid, 0);
        char text[32] = {};
        ssize_t got = 0;
        for (ssize_t n; got < 31 && (n = read(out[0], text + got, 31 - got)) > 0;) {
            got += n;
            if (std::memchr(text, '\n', static_cast<size_t>(got)))
                break;
        }
        close(out[0]);
        child = static_cast<pid_t>(std::atoi(text));
        ASSERT_GT(child, 0) << "master printed: " << text;
        const std::vector<std::string> names{name, name + "_m2s", name + "_s2m"};
        for (const std::string& n : names)
            ASSERT_TRUE(QFile::exists(QString::fromStdString(n))) << n;

        kill(masterPid, SIGKILL);
        int status = 0;
        ASSERT_TRUE(ChildTest::waitForExit(masterPid, 5, status));
        // The files go as soon as the child sees its host gone; the frame in
        // its hands may still take up to the render grace before it exits
        // (sanitizer builds render a 2160p frame for seconds).
        const auto removedBy = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        const auto anyLeft = [&names] {
            return std::any_of(names.begin(), names.end(),
                               [](const std::string& n) { return QFile::exists(QString::fromStdString(n)); });
        };
        while (anyLeft() && std::chrono::steady_clock::now() < removedBy)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        for (const std::string& n : names)
            EXPECT_FALSE(QFile::exists(QString::fromStdString(n))) << n;
        const double exitLimit = 5.0 + std::chrono::duration<double>(kRenderGrace).count();
        ASSERT_TRUE(ChildTest::waitForExit(child, exitLimit, status)) << "the application outlived its host";
        child = -1;
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
}

TEST_F(ChildProcess, WithoutArgumentsAndWithoutADisplayItEndsWithOne)
{
    child = ChildTest::spawn({MORVELIN_MAIN_PATH},
                             [&] {
                                 auto env = environment();
                                 env.insert({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}});
                                 return env;
                             }());
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_TRUE(ChildTest::waitForExit(child, 10, status));
    child = -1;
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    // No channel was opened: the master's files are all the folder holds
    // besides the master's own log.
    QDir folder(dir.path());
    EXPECT_EQ(folder.entryList(QStringList{QStringLiteral("*_m2s*"), QStringLiteral("*_s2m*")}, QDir::Files).size(), 2);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(file("transport.log"))));
}

TEST_F(ChildProcess, UnopenableSharedFilesEndTheChildCleanly)
{
    child = ChildTest::spawn({MORVELIN_MAIN_PATH, file("nochannel"), file("transport.log"), file("app.log")},
                             environment());
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_TRUE(ChildTest::waitForExit(child, 10, status));
    child = -1;
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

} // namespace
