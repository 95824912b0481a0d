#include "server/DialogHandoff.h"
#include "server/Dispatcher.h"
#include "server/ParamChange.h"
#include "server/Params.h"
#include "server/Renderer.h"
#include "server/ServerBroker.h"
#include "VRPC/Messages.h"
#include "VRPC/Serialize.h"

#include "ServerTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

using namespace Nuvra::VRPC;
using namespace std::chrono_literals;
using ServerTest::HostKind;

// The plug-in's side in this process: a master broker on private shared
// files, and the application's slave broker bound to the dispatcher.
class DispatcherTest : public testing::Test {
protected:
    void SetUp() override
    {
        host_id = emptyProcessId;
        master = std::make_unique<Broker>(base, true, [this](Message& msg) { unexpected += int(msg.type); });
        installServerBroker(base);
    }

    void TearDown() override
    {
        retireServerBroker(30s);
        master.reset();
        EXPECT_EQ(unexpected.load(), 0) << "messages from the child that answered nothing";
        EXPECT_EQ(rendersInFlight(), 0);
        host_id = emptyProcessId;
    }

    Message send(int type, const void* data, std::size_t length, int timeout = 60)
    {
        Message reply;
        master->send_message_sync(type, 0, data, static_cast<int>(length), reply, timeout);
        return reply;
    }
    Message send(int type, const std::string& payload) { return send(type, payload.data(), payload.size()); }
    Message send(int type, const std::vector<char>& payload) { return send(type, payload.data(), payload.size()); }

    static std::string text(const Message& msg) { return std::string(msg.extra.begin(), msg.extra.end()); }

    ServerTest::TempDir dir;
    std::string base = dir.file("chan");
    std::unique_ptr<Broker> master;
    std::atomic<int> unexpected{0};
};

TEST_F(DispatcherTest, HandshakeTakesTheHostPidAndAnswersWithOurs)
{
    const std::uint32_t parent = static_cast<std::uint32_t>(getppid());
    const struct {
        const char* what;
        std::vector<char> payload;
        std::uint64_t hostId;
    } cases[] = {
        {"4 bytes", std::vector<char>(reinterpret_cast<const char*>(&parent), reinterpret_cast<const char*>(&parent) + 4),
         parent},
        {"3 bytes", std::vector<char>(3, 1), 0},
        {"none", std::vector<char>(), 0},
    };
    for (const auto& c : cases) {
        const Message reply = send(M2S_Handshake, c.payload);
        EXPECT_EQ(reply.type, S2M_Handshake) << c.what;
        ASSERT_EQ(reply.extra.size(), 8u) << c.what;
        std::uint64_t child = 0;
        std::memcpy(&child, reply.extra.data(), 8);
        EXPECT_EQ(child, static_cast<std::uint64_t>(getpid())) << c.what;
        EXPECT_EQ(host_id.load(), c.hostId) << c.what;
    }
}

TEST_F(DispatcherTest, ParamsSetupDescribesThirtyControlsAndKeepsTheHostKind)
{
    HostKind restore(0);
    const std::uint32_t three = 3;
    Message reply = send(M2S_ParamsSetup, &three, 4);
    EXPECT_EQ(reply.type, S2M_ParamStr);
    EXPECT_EQ(text(reply), serialize(paramDescription()));
    EXPECT_EQ(deserialize(text(reply)).size(), 30u);
    EXPECT_EQ(host.load(), 3);

    reply = send(M2S_ParamsSetup, "\x00\x00", 2);
    EXPECT_EQ(reply.type, S2M_ParamStr);
    EXPECT_EQ(host.load(), 3) << "a short payload leaves the host kind";

    const std::uint32_t zero = 0;
    send(M2S_ParamsSetup, &zero, 4);
    EXPECT_EQ(host.load(), 0);
}

std::vector<char> paramChanged(std::int32_t id, const std::string& text)
{
    std::vector<char> payload(12 + text.size(), 0);
    std::memcpy(payload.data(), &id, 4);
    std::copy(text.begin(), text.end(), payload.begin() + 12);
    return payload;
}

TEST_F(DispatcherTest, ParamChangedAnswersTheChangeTree)
{
    ParamRecord r;
    r.colorDark = 0xFF0000FF;
    r.colorLight = 0xFFFFFF00;
    const std::string values = ServerTest::valueText(r, 1);
    Message reply = send(M2S_ParamChanged, paramChanged(PidAutofill, values));
    EXPECT_EQ(reply.type, S2M_ParamsChanged);
    EXPECT_EQ(text(reply), onParamChanged(PidAutofill, values));
    EXPECT_NE(text(reply), "");

    for (std::size_t length : {0, 4, 11}) {
        reply = send(M2S_ParamChanged, std::vector<char>(length, '\x1A'));
        EXPECT_EQ(reply.type, S2M_ParamsChanged) << length;
        EXPECT_TRUE(reply.extra.empty()) << length;
    }
    reply = send(M2S_ParamChanged, std::vector<char>(12, 0));
    EXPECT_EQ(reply.type, S2M_ParamsChanged) << "an id and no text";
}

TEST_F(DispatcherTest, UpdateUIShowsTheColourControlsOfTheMode)
{
    const auto modeText = [](const char* value) {
        boost::property_tree::ptree tree;
        findParam(tree, PidMode).put("value", value);
        findParam(tree, PidDetail).put("value", 5);
        return serialize(tree);
    };
    const auto shown = [](const boost::property_tree::ptree& tree) {
        std::string ids;
        for (const auto& e : tree)
            if (!e.second.get<bool>("hidden"))
                ids += e.second.get<std::string>("id") + " ";
        return ids;
    };
    const struct {
        const char* what;
        std::string text;
        const char* shown;
    } cases[] = {
        {"five colours", modeText("3"), "21 22 23 24 25 26 27 28 "},
        {"the frame's own colours", modeText("2"), ""},
        {"two colours", modeText("1"), "21 25 27 28 "},
        {"no mode entry", serialize(boost::property_tree::ptree()), "21 25 27 28 "},
        {"mode not a number", modeText("x"), "21 25 27 28 "},
        {"mode at the int end", modeText("-2147483648"), "21 25 27 28 "},
        {"not INFO", "}", "21 25 27 28 "},
    };
    for (const auto& c : cases) {
        const Message reply = send(M2S_UpdateUI, c.text);
        EXPECT_EQ(reply.type, S2M_ParamsChanged) << c.what;
        const auto tree = deserialize(text(reply));
        ASSERT_EQ(tree.size(), 8u) << c.what;
        EXPECT_EQ(tree.front().second.get<int>("id"), 21) << c.what;
        EXPECT_EQ(shown(tree), c.shown) << c.what;
    }
}

std::vector<char> renderPayload(int width, int height, const std::string& text, std::uint8_t seed,
                                std::vector<std::uint8_t>& pixels)
{
    pixels = ServerTest::testFrame(width, height, seed);
    return ServerTest::renderPayload(width, height, text, pixels);
}

std::vector<std::uint8_t> filtered(int width, int height, const std::vector<std::uint8_t>& pixels,
                                   const ParamRecord& record)
{
    std::vector<std::uint8_t> out(pixels.size());
    EXPECT_TRUE(Filter({width, height}, pixels.data(), width * 4, out.data(), width * 4, 0, mapParams(record), nullptr));
    return out;
}

void expectRendered(const Message& reply, const std::vector<std::uint8_t>& expected)
{
    ASSERT_EQ(reply.type, S2M_Rendered);
    ASSERT_EQ(reply.extra.size(), 8 + expected.size());
    std::uint32_t status = 1;
    std::memcpy(&status, reply.extra.data(), 4);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(std::memcmp(reply.extra.data() + 8, expected.data(), expected.size()), 0);
}

TEST_F(DispatcherTest, RendersEqualTheEffectCalledDirectly)
{
    HostKind plugin(3);
    ParamRecord record;
    record.mode = ModeFiveColors;
    record.noise = 25;
    const std::string values = ServerTest::valueText(record, 1);
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{64, 48}, std::pair{33, 17}}) {
        std::vector<std::uint8_t> pixels;
        const auto payload = renderPayload(w, h, values, 3, pixels);
        expectRendered(send(M2S_Render, payload), filtered(w, h, pixels, record));
    }
}

TEST_F(DispatcherTest, OverlappingRendersEachGetTheirOwnFrame)
{
    HostKind plugin(3);
    const ParamRecord record;
    const std::string values = ServerTest::valueText(record, 2);
    std::vector<std::future<void>> senders;
    for (int i = 0; i < 4; ++i) {
        senders.push_back(std::async(std::launch::async, [&, i] {
            std::vector<std::uint8_t> pixels;
            const int w = 40 + i * 7, h = 30 - i;
            const auto payload = renderPayload(w, h, values, std::uint8_t(i + 1), pixels);
            expectRendered(send(M2S_Render, payload), filtered(w, h, pixels, record));
        }));
    }
    for (auto& s : senders)
        s.get();
}

TEST_F(DispatcherTest, HostileRenderHeadersGetANonZeroStatus)
{
    std::vector<std::uint8_t> pixels;
    const auto good = renderPayload(8, 8, "", 1, pixels);
    const auto withHeader = [&](auto edit) {
        std::vector<char> payload = good;
        RenderRequestHeader h{};
        readRenderRequestHeader(payload.data(), static_cast<std::int64_t>(payload.size()), h);
        edit(h);
        std::memcpy(payload.data(), &h, sizeof h);
        return payload;
    };
    const struct {
        const char* what;
        std::vector<char> payload;
    } cases[] = {
        {"negative size", withHeader([](auto& h) { h.width = -8; h.height = -8; })},
        {"text past the payload", withHeader([](auto& h) { h.textLength = 1 << 20; })},
        {"wrong bytes per channel", withHeader([](auto& h) { h.bytesPerChannel = 4; })},
        {"huge height", withHeader([](auto& h) { h.height = 1 << 30; })},
        {"no header", std::vector<char>(12, 0)},
    };
    for (const auto& c : cases) {
        const Message reply = send(M2S_Render, c.payload);
        EXPECT_EQ(reply.type, S2M_Rendered) << c.what;
        ASSERT_GE(reply.extra.size(), 4u) << c.what;
        std::uint32_t status = 0;
        std::memcpy(&status, reply.extra.data(), 4);
        EXPECT_NE(status, 0u) << c.what;
    }
    // The channel still works afterwards.
    expectRendered(send(M2S_Render, good), filtered(8, 8, pixels, [] {
                       ParamRecord r;
                       getParams(r, boost::property_tree::ptree());
                       return r;
                   }()));
}

TEST_F(DispatcherTest, TheAboutBoxDoesNotHoldTheReceiver)
{
    EXPECT_FALSE(dlgFlag.serve([] { ADD_FAILURE() << "nothing asked for the box"; }));

    auto dialog = std::async(std::launch::async, [this] { return send(M2S_DoDialog, nullptr, 0, 30).type; });
    ASSERT_TRUE(ServerTest::waitFor([] { return dlgFlag.pending(); }));

    // While the box waits to be shown and while it is open, requests flow.
    std::vector<std::uint8_t> pixels;
    const auto payload = renderPayload(4, 4, "", 1, pixels);
    EXPECT_EQ(send(M2S_Render, payload).type, S2M_Rendered);
    bool shown = false;
    EXPECT_TRUE(dlgFlag.serve([&] {
        shown = true;
        EXPECT_EQ(send(M2S_UpdateUI, "").type, S2M_ParamsChanged);
        EXPECT_EQ(dialog.wait_for(50ms), std::future_status::timeout) << "answered before the box closed";
    }));
    EXPECT_TRUE(shown);
    EXPECT_EQ(dialog.get(), S2M_DialogDone);
    EXPECT_FALSE(dlgFlag.pending());
}

TEST_F(DispatcherTest, QuitAnswersThenShutsTheChannelDown)
{
    master->send_message_async(M2S_Quit, 0, nullptr, 0);
    EXPECT_TRUE(ServerTest::waitFor([] { return shutdown.load(); }));
    ASSERT_NE(sbroker(), nullptr);
    EXPECT_TRUE(sbroker()->base()->isShutdown());
}

TEST(Dispatcher, RenderAfterTheBrokerIsGoneEndsQuietly)
{
    ASSERT_EQ(sbroker(), nullptr);
    std::vector<std::uint8_t> pixels;
    auto* msg = new Message;
    msg->type = M2S_Render;
    msg->reply_slot = 7;
    msg->extra = renderPayload(3, 3, "", 1, pixels);
    msg->xlen = static_cast<std::int64_t>(msg->extra.size());
    renderBegins();
    std::thread(&vrpc_renderer, msg).join();
    EXPECT_EQ(rendersInFlight(), 0);
    EXPECT_TRUE(waitForRenders(0ms));
}

TEST(Dispatcher, RetiringWithoutABrokerIsHarmless)
{
    retireServerBroker(0ms);
    EXPECT_FALSE(sendReply(S2M_Quit, 1, nullptr, 0));
}

TEST(DispatcherDeathTest, AnUnknownRequestEndsTheProcess)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    Message msg;
    msg.type = 99;
    EXPECT_DEATH(vrpc_dispatcher(msg), "vrpc_dispatcher\\(\\) : unexpected message 99");
}

} // namespace
