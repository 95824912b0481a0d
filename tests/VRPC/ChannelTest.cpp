// Two processes: this one and the peer program.
#include "BrokerFixture.h"

#include "VRPC/Process.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <malloc.h>
#include <sstream>
#include <thread>

using namespace Nuvra::VRPC;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

class Channel : public BrokerFixture {
protected:
    // A master here and a peer of the given mode on the other side.
    void connect(const std::string& mode, const std::vector<std::string>& env = {})
    {
        master = std::make_unique<Broker>(base, true, recorder());
        peer = std::make_unique<VrpcTest::Peer>(std::vector<std::string>{mode, base, log}, env);
        ASSERT_GT(peer->pid(), 0);
        ASSERT_TRUE(VrpcTest::waitFor([&] {
            return writerPid(master->base()->incoming()) == static_cast<std::uint64_t>(peer->pid());
        })) << "peer did not connect";
    }

    // The handshake names the peer's process; a synchronous request comes
    // back echoed. Each within its own limit in seconds (0: none).
    void handshakeAndEcho(int handshakeSeconds, int echoSeconds)
    {
        const std::uint32_t self = static_cast<std::uint32_t>(getpid());
        Message reply;
        master->send_message_sync(M2S_Handshake, 0, &self, 4, reply, handshakeSeconds);
        ASSERT_EQ(reply.type, S2M_Handshake);
        ASSERT_EQ(reply.xlen, 8);
        std::uint64_t childPid = 0;
        std::memcpy(&childPid, reply.extra.data(), 8);
        EXPECT_EQ(childPid, static_cast<std::uint64_t>(peer->pid()));

        const std::string text = "param { id 1 }";
        master->send_message_sync(M2S_UpdateUI, 0, text.data(), static_cast<int>(text.size()), reply, echoSeconds);
        EXPECT_EQ(reply.type, M2S_UpdateUI + 256);
        EXPECT_EQ(std::string(reply.extra.begin(), reply.extra.end()), text);
    }

    void TearDown() override
    {
        master.reset();
        peer.reset();
    }

    std::unique_ptr<Broker> master;
    std::unique_ptr<VrpcTest::Peer> peer;
};

} // namespace

TEST_F(Channel, HandshakeRequestsAndQuitWithAnEchoPeer)
{
    connect("echo");
    ASSERT_NO_FATAL_FAILURE(handshakeAndEcho(kHandshakeTimeoutSeconds, 0));

    // An asynchronous request's answer carries no token: it reaches the handler.
    master->send_message_async(M2S_DoDialog, 0, nullptr, 0);
    ASSERT_TRUE(VrpcTest::waitFor([&] { return unexpectedCount() == 1; }));

    master->send_message_async(M2S_Quit, 0, nullptr, 0);
    EXPECT_EQ(peer->wait(), 0);
    EXPECT_EQ(unexpectedCount(), 1u);
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(unexpected[0].type, M2S_DoDialog + 256);
}

// A peer may post by the bare increment of the count, waking nobody: it is
// heard all the same, well inside a one-second limit on each request.
TEST_F(Channel, APeerThatPostsWithoutWakingIsHeard)
{
    connect("increment");
    ASSERT_NO_FATAL_FAILURE(handshakeAndEcho(1, 1));
    Message reply;
    master->send_message_sync(M2S_Quit, 0, nullptr, 0, reply, 1);
    EXPECT_EQ(reply.type, S2M_Quit);
    EXPECT_EQ(peer->wait(), 0);
}

// Many senders at once, answered out of order from the peer's threads: every
// reply must reach its own request.
TEST_F(Channel, RepliesAnsweredOutOfOrderReachTheirOwnRequests)
{
    connect("delay");
    constexpr int kThreads = 8, kRequests = 200;
    std::atomic<int> wrong{0}, right{0};
    std::vector<std::thread> senders;
    for (int t = 0; t < kThreads; ++t)
        senders.emplace_back([&, t] {
            for (int i = 0; i < kRequests; ++i) {
                std::vector<char> payload(16 + (i * 37 + t * 11) % 300);
                const int tag[2] = {t, i};
                std::memcpy(payload.data(), tag, sizeof(tag));
                for (size_t k = sizeof(tag); k < payload.size(); ++k)
                    payload[k] = static_cast<char>(t * 31 + i + k);
                Message reply;
                const int type = 3 + (i % 5);
                master->send_message_sync(type, 0, payload.data(), static_cast<int>(payload.size()), reply, 0);
                if (reply.type == type + 256 && reply.extra == payload)
                    ++right;
                else
                    ++wrong;
            }
        });
    for (auto& s : senders)
        s.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(right.load(), kThreads * kRequests);
    EXPECT_EQ(unexpectedCount(), 0u);
}

TEST_F(Channel, APeerKilledMidRequestEndsTheWait)
{
    VrpcTest::ShortTimeWindows windows;
    connect("ignore");
    std::thread killer([&] {
        std::this_thread::sleep_for(200ms);
        peer->kill9();
    });
    const auto begin = Clock::now();
    Message reply;
    master->send_message_sync(M2S_Render, 0, "frame", 5, reply, 0);
    killer.join();
    EXPECT_LT(Clock::now() - begin, 40s);
    EXPECT_EQ(reply.type, 0);
    EXPECT_TRUE(master->base()->isShutdown());
    EXPECT_NE(logText().find("is gone, msg 5"), std::string::npos);
}

// A peer that dies while it holds the slot never frees it: senders waiting for
// the slot, the quit at unload included, learn it from the peer's process.
TEST_F(Channel, APeerKilledHoldingTheSlotReleasesWaitingSenders)
{
    VrpcTest::ShortTimeWindows windows;
    connect("hold");
    master->send_message_async(M2S_Render, 0, "frame", 5);
    PumpHeader* out = master->base()->outgoing().header();
    ASSERT_TRUE(VrpcTest::waitFor([&] { return Nuvra::Platform::semLoad(&out->s_full) == 0; }));
    std::atomic<int> syncType{-1};
    std::thread syncSender([&] {
        Message reply;
        reply.type = 99;
        master->send_message_sync(M2S_ParamChanged, 0, nullptr, 0, reply, 0);
        syncType = static_cast<int>(reply.type);
    });
    std::thread quitSender([&] { master->send_message_async(M2S_Quit, 0, nullptr, 0); });
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(syncType.load(), -1);  // still waiting for the slot while the peer lives
    const auto begin = Clock::now();
    peer->kill9();
    syncSender.join();
    quitSender.join();
    EXPECT_LT(Clock::now() - begin, 10s);  // far inside the minute a slot may take
    EXPECT_EQ(syncType.load(), 0);
    EXPECT_TRUE(master->base()->isShutdown());
    EXPECT_NE(logText().find("is gone, msg"), std::string::npos);
    EXPECT_EQ(logText().find("s_empty.timed_wait() failed"), std::string::npos);
}

namespace {

// Minor page faults of a process so far.
long long minorFaults(const std::string& pid)
{
    const std::string stat = VrpcTest::readFile("/proc/" + pid + "/stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int i = 3; i < 10; ++i)
        fields >> field;
    long long faults = -1;
    fields >> faults;
    return faults;
}

[[maybe_unused]] long long residentBytes(const std::string& pid)
{
    std::istringstream fields(VrpcTest::readFile("/proc/" + pid + "/statm"));
    long long size = 0, resident = 0;
    fields >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

} // namespace

// With an allocator that gives large blocks back to the system, a fresh
// buffer per message faults in every page of every frame again. Received
// payloads land in a kept buffer instead, on both sides, once the caller
// keeps its reply message between requests. The receiver's kept buffer goes
// back once the channel is idle.
TEST_F(Channel, FramesLandInBuffersAlreadyInUse)
{
    constexpr int kThreshold = 128 * 1024;
    mallopt(M_MMAP_THRESHOLD, kThreshold);
    connect("echo", {"VRPC_PEER_MMAP_THRESHOLD=" + std::to_string(kThreshold)});
    const std::string peerPid = std::to_string(peer->pid());
    std::vector<char> frame(1920 * 1080 * 4);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<char>(i * 7 + (i >> 16));
    Message reply;
    const auto trip = [&] {
        master->send_message_sync(M2S_Render, 0, frame.data(), static_cast<int>(frame.size()), reply, 0);
        return reply.type == M2S_Render + 256 && reply.extra == frame;
    };
    ASSERT_TRUE(trip());
    ASSERT_TRUE(trip());
    const long long selfBefore = minorFaults("self"), peerBefore = minorFaults(peerPid);
    constexpr int kTrips = 10;
    for (int i = 0; i < kTrips; ++i)
        ASSERT_TRUE(trip()) << i;
    const long long framePages = static_cast<long long>(frame.size()) / sysconf(_SC_PAGESIZE);
    EXPECT_LT(minorFaults("self") - selfBefore, framePages / 4);
    EXPECT_LT(minorFaults(peerPid) - peerBefore, framePages / 4);

#if !defined(__SANITIZE_ADDRESS__)
    // (The address sanitizer's allocator keeps freed blocks for itself.)
    const long long frameBytes = static_cast<long long>(frame.size());
    const long long peerHeld = residentBytes(peerPid);
    EXPECT_TRUE(VrpcTest::waitFor([&] { return residentBytes(peerPid) < peerHeld - frameBytes / 2; }, 10s));
#endif
}

TEST_F(Channel, ForgedRepliesAreDroppedAndRealOnesStillArrive)
{
    connect("garbage");
    constexpr int kRequests = 20;
    for (int i = 0; i < kRequests; ++i) {
        Message reply;
        master->send_message_sync(M2S_ParamChanged, 0, &i, 4, reply, 0);
        ASSERT_EQ(reply.type, M2S_ParamChanged + 256);
        ASSERT_EQ(reply.xlen, 4);
        int back = -1;
        std::memcpy(&back, reply.extra.data(), 4);
        EXPECT_EQ(back, i);
    }
    EXPECT_TRUE(VrpcTest::waitFor(
        [&] { return VrpcTest::countOccurrences(logText(), "unknown request") == kRequests; }));
    EXPECT_EQ(unexpectedCount(), 0u);
}

// A third process writes a header whose length does not fit the slot: the
// receiver must not read past it and ends the channel.
TEST_F(Channel, ACorruptedLengthEndsTheChannel)
{
    for (const char* kind : {"negative", "minimum", "oversize", "maximum"}) {
        SCOPED_TRACE(kind);
        master = std::make_unique<Broker>(base, true, recorder());
        VrpcTest::Peer corrupter({"corrupt", base, kind});
        EXPECT_EQ(corrupter.wait(), 0);
        EXPECT_TRUE(VrpcTest::waitFor([&] { return master->base()->isShutdown(); }));
        EXPECT_NE(logText().find("invalid payload length"), std::string::npos);
        master.reset();
        EXPECT_EQ(unexpectedCount(), 0u);
        std::remove(log.c_str());
    }
}

TEST_F(Channel, AForgedTokenFromAThirdProcessIsDropped)
{
    master = std::make_unique<Broker>(base, true, recorder());
    VrpcTest::Peer corrupter({"corrupt", base, "token"});
    EXPECT_EQ(corrupter.wait(), 0);
    EXPECT_TRUE(VrpcTest::waitFor([&] { return logText().find("unknown request 1311768467294899695") != std::string::npos; }))
        << logText();
    EXPECT_FALSE(master->base()->isShutdown());
    EXPECT_EQ(unexpectedCount(), 0u);
}

TEST_F(Channel, TheWatchdogEndsTheSlaveWhenTheMasterDies)
{
    VrpcTest::ShortTimeWindows windows;
    VrpcTest::Peer masterPeer({"master", base, log});
    ASSERT_GT(masterPeer.pid(), 0);
    std::unique_ptr<Broker> slave;
    ASSERT_TRUE(VrpcTest::waitFor([&] {
        try {
            Pump probe(base + "_s2m", kPumpSize, false);
            Pump probe2(base + "_m2s", kPumpSize, false);
            return writerPid(probe2) == static_cast<std::uint64_t>(masterPeer.pid());
        } catch (...) {
            return false;
        }
    }));
    slave = std::make_unique<Broker>(base, false, recorder());
    EXPECT_EQ(host_id.load(), static_cast<std::uint64_t>(masterPeer.pid()));
    EXPECT_FALSE(shutdown.load());
    masterPeer.kill9();
    // Left unreaped on purpose: a dead child that is a zombie still counts as gone.
    EXPECT_TRUE(VrpcTest::waitFor([&] { return shutdown.load(); }, 40s));
    EXPECT_TRUE(slave->base()->isShutdown());
    // The dead master removes nothing: the slave takes its files along.
    for (const char* ending : {kMasterToSlave, kSlaveToMaster})
        EXPECT_FALSE(VrpcTest::fileExists(base + ending)) << ending;
    slave.reset();
    EXPECT_EQ(masterPeer.wait(), 128 + SIGKILL);
}
