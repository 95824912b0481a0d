#include "BrokerFixture.h"

#include <atomic>
#include <cstring>
#include <thread>

using namespace Nuvra::VRPC;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// A master and a slave in this process; the slave echoes every request as
// type + 256 unless the test gives it another handler.
class InProcessChannel : public BrokerFixture {
protected:
    void start(MessageHandler slaveHandler = {})
    {
        master = std::make_unique<Broker>(base, true, recorder());
        if (!slaveHandler)
            slaveHandler = [this](Message& msg) { echo(msg); };
        slave = std::make_unique<Broker>(base, false, slaveHandler);
    }

    void echo(Message& msg)
    {
        slave->send_message_async(static_cast<int>(msg.type) + 256, static_cast<long long>(msg.reply_slot),
                                  msg.extra.data(), static_cast<int>(msg.extra.size()));
    }

    void TearDown() override
    {
        slave.reset();
        master.reset();
    }

    std::unique_ptr<Broker> master;
    std::unique_ptr<Broker> slave;
};

std::vector<char> pattern(size_t size)
{
    std::vector<char> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + (i >> 12)) & 0xFF);
    return bytes;
}

} // namespace

TEST_F(InProcessChannel, SynchronousRequestsCarryEveryPayloadSizeUpToTheLimit)
{
    start();
    for (size_t size : {size_t{0}, size_t{1}, size_t{65536}, static_cast<size_t>(kMaxPayload)}) {
        const std::vector<char> payload = pattern(size);
        Message reply;
        master->send_message_sync(M2S_ParamChanged, 0, size ? payload.data() : nullptr, static_cast<int>(size),
                                  reply, 0);
        EXPECT_EQ(reply.type, M2S_ParamChanged + 256) << size;
        EXPECT_EQ(reply.xlen, static_cast<std::int64_t>(size));
        EXPECT_TRUE(reply.extra == payload) << size;
        EXPECT_EQ(reply.reply_slot, 0u);
        EXPECT_NE(reply.waiter, 0u);
    }
    EXPECT_EQ(unexpectedCount(), 0u);
}

// Reply buffers are reused for later replies: a request that sends the bytes
// of its own last reply must still carry them intact while other threads'
// replies arrive.
TEST_F(InProcessChannel, AReplySentOnAsTheNextRequestArrivesIntact)
{
    start();
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::vector<std::thread> others;
    for (int t = 0; t < 2; ++t)
        others.emplace_back([&, t] {
            const std::vector<char> mine(256 * 1024, static_cast<char>('a' + t));
            Message reply;
            while (!stop.load()) {
                master->send_message_sync(M2S_ParamChanged, 0, mine.data(), static_cast<int>(mine.size()), reply, 0);
                if (reply.extra != mine)
                    ++wrong;
            }
        });
    const std::vector<char> first = pattern(256 * 1024);
    Message reply;
    master->send_message_sync(M2S_Render, 0, first.data(), static_cast<int>(first.size()), reply, 0);
    for (int i = 0; i < 200; ++i) {
        if (reply.extra != first) {
            ADD_FAILURE() << "corrupted after " << i << " requests";
            break;
        }
        master->send_message_sync(M2S_Render, 0, reply.extra.data(), static_cast<int>(reply.extra.size()), reply, 0);
    }
    EXPECT_TRUE(reply.extra == first);
    stop = true;
    for (auto& t : others)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST_F(InProcessChannel, BadArgumentsThrowBeforeTheSlotIsTouched)
{
    start();
    const char byte = 'x';
    struct Case {
        const void* extra;
        int xlen;
        const char* async;
        const char* sync;
    };
    const Case cases[] = {
        {nullptr, kMaxPayload + 1, "send_message_async -- too big data", "send_message_sync -- too big data"},
        {&byte, kMaxPayload + 1, "send_message_async -- too big data", "send_message_sync -- too big data"},
        {nullptr, 1, "send_message_async() - extra is NULL", "send_message_sync() - extra is NULL"},
        {&byte, -1, "send_message_async -- negative length", "send_message_sync -- negative length"},
    };
    PumpHeader* out = master->base()->outgoing().header();
    for (const Case& c : cases) {
        for (bool sync : {false, true}) {
            try {
                if (sync) {
                    Message reply;
                    master->send_message_sync(M2S_Render, 0, c.extra, c.xlen, reply, 0);
                } else {
                    master->send_message_async(M2S_Render, 0, c.extra, c.xlen);
                }
                ADD_FAILURE() << "no exception for " << c.xlen;
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), sync ? c.sync : c.async);
            }
            EXPECT_EQ(out->s_empty, 1u);
            EXPECT_EQ(out->s_full, 0u);
        }
    }
    // The channel still works and the slave saw none of it.
    Message reply;
    master->send_message_sync(M2S_ParamsSetup, 0, &byte, 1, reply, 0);
    EXPECT_EQ(reply.type, M2S_ParamsSetup + 256);
}

// A payload written straight into the slot travels like a copied one; a
// writer that throws sends nothing and leaves the slot to the next sender.
TEST_F(InProcessChannel, WrittenPayloadsTravelAndAThrowingWriterSendsNothing)
{
    start();
    for (size_t size : {size_t{0}, size_t{1}, size_t{65536}, static_cast<size_t>(kMaxPayload)}) {
        const std::vector<char> payload = pattern(size);
        int calls = 0;
        Message reply;
        master->send_message_sync(M2S_Render, 0, static_cast<int>(size), [&](char* slot) {
            ++calls;
            std::memcpy(slot, payload.data(), size);
        }, reply, 0);
        EXPECT_EQ(calls, size ? 1 : 0) << size;
        EXPECT_EQ(reply.type, M2S_Render + 256) << size;
        EXPECT_TRUE(reply.extra == payload) << size;
    }

    PumpHeader* out = master->base()->outgoing().header();
    Message reply;
    EXPECT_THROW(master->send_message_sync(M2S_Render, 0, 16, [](char* slot) {
        std::memset(slot, 'x', 8);
        throw std::runtime_error("no frame");
    }, reply, 0), std::runtime_error);
    EXPECT_EQ(out->s_empty, 1u);
    EXPECT_EQ(out->s_full, 0u);
    EXPECT_EQ(reply.type, 0);
    EXPECT_THROW(master->send_message_sync(M2S_Render, 0, 1, PayloadWriter(), reply, 0), std::runtime_error);

    const char byte = 'y';
    master->send_message_sync(M2S_ParamsSetup, 0, &byte, 1, reply, 0);
    EXPECT_EQ(reply.type, M2S_ParamsSetup + 256);
    EXPECT_EQ(reply.extra, std::vector<char>{'y'});
    EXPECT_EQ(unexpectedCount(), 0u);
}

// A reply read in place reaches the reader once, with its payload, and the
// call returns it without one.
TEST_F(InProcessChannel, RepliesReadInPlaceReachTheReaderOnce)
{
    start();
    for (size_t size : {size_t{0}, size_t{3}, static_cast<size_t>(kMaxPayload)}) {
        const std::vector<char> payload = pattern(size);
        int calls = 0;
        bool same = false;
        Message reply;
        // An empty vector's data() may be null, which memcpy and memcmp must
        // never get, even for no bytes.
        master->send_message_sync(
            M2S_Render, 0, static_cast<int>(size),
            [&](char* slot) {
                if (size > 0)
                    std::memcpy(slot, payload.data(), size);
            },
            reply, 0, [&](const Message& r, const char* bytes) {
                ++calls;
                // An empty payload has no bytes to compare (and its vector no data pointer).
                same = r.type == M2S_Render + 256 && r.xlen == static_cast<std::int64_t>(size) &&
                       (size == 0 || std::memcmp(bytes, payload.data(), size) == 0);
            });
        EXPECT_EQ(calls, 1) << size;
        EXPECT_TRUE(same) << size;
        EXPECT_EQ(reply.type, M2S_Render + 256);
        EXPECT_EQ(reply.xlen, static_cast<std::int64_t>(size));
        EXPECT_TRUE(reply.extra.empty());
    }
    EXPECT_EQ(unexpectedCount(), 0u);
}

// The reader writes into the caller's memory: the call never returns while
// it runs, not at its time limit, nor when the channel shuts down meanwhile.
TEST_F(InProcessChannel, AReaderNeverOutlivesItsCall)
{
    start();
    for (const bool shutDown : {false, true}) {
        SCOPED_TRACE(shutDown ? "shut down while reading" : "time limit passes while reading");
        std::atomic<bool> reading{false}, finished{false};
        std::thread closer([&] {
            if (!shutDown)
                return;
            while (!reading.load())
                std::this_thread::sleep_for(1ms);
            master->shutdown();
        });
        Message reply;
        const auto started = Clock::now();
        master->send_message_sync(
            M2S_Render, 0, 1, [](char* slot) { *slot = 'r'; }, reply, 1, [&](const Message&, const char*) {
                reading = true;
                std::this_thread::sleep_for(shutDown ? 300ms : 1500ms);
                finished = true;
            });
        EXPECT_TRUE(finished.load());
        EXPECT_EQ(reply.type, M2S_Render + 256);
        if (!shutDown) {
            EXPECT_GE(Clock::now() - started, 1500ms);
        }
        closer.join();
    }
    EXPECT_EQ(unexpectedCount(), 0u);
}

TEST_F(InProcessChannel, AsynchronousRequestsReachTheHandlerInOrder)
{
    std::mutex seenMutex;
    std::vector<Message> seen;
    start([&](Message& msg) {
        std::lock_guard<std::mutex> lock(seenMutex);
        seen.push_back(msg);
    });
    const std::uint32_t kind = 3;
    master->send_message_async(M2S_ParamsSetup, 0, &kind, 4);
    master->send_message_async(M2S_DoDialog, 0, nullptr, 0);
    master->send_message_async(M2S_UpdateUI, 0, "abc", 3);
    ASSERT_TRUE(VrpcTest::waitFor([&] {
        std::lock_guard<std::mutex> lock(seenMutex);
        return seen.size() == 3;
    }));
    std::lock_guard<std::mutex> lock(seenMutex);
    EXPECT_EQ(seen[0].type, M2S_ParamsSetup);
    EXPECT_EQ(seen[0].xlen, 4);
    EXPECT_EQ(seen[1].type, M2S_DoDialog);
    EXPECT_TRUE(seen[1].extra.empty());
    EXPECT_EQ(seen[2].type, M2S_UpdateUI);
    EXPECT_EQ(std::string(seen[2].extra.begin(), seen[2].extra.end()), "abc");
    for (const Message& m : seen) {
        EXPECT_EQ(m.waiter, 0u);
        EXPECT_EQ(m.reply_slot, 0u);
    }
}

// The slave answers the quit and shuts down from its own receiver thread; the
// acknowledgement is not an unexpected message for the master.
TEST_F(InProcessChannel, QuitIsAcknowledgedAndEndsTheSlave)
{
    start([this](Message& msg) {
        if (msg.type == M2S_Quit) {
            slave->send_message_async(S2M_Quit, static_cast<long long>(msg.reply_slot), nullptr, 0);
            slave->shutdown();
        }
    });
    master->send_message_async(M2S_Quit, 0, nullptr, 0);
    ASSERT_TRUE(VrpcTest::waitFor([&] { return shutdown.load(); }));
    EXPECT_TRUE(slave->base()->isShutdown());
    EXPECT_TRUE(VrpcTest::waitFor([&] { return master->base()->isShutdown(); }));
    slave.reset();
    EXPECT_EQ(unexpectedCount(), 0u);
    EXPECT_EQ(logText().find("Unexpected"), std::string::npos);
}

TEST_F(InProcessChannel, UnsolicitedMessagesGoToTheMastersHandler)
{
    start();
    slave->send_message_async(300, 0, "zz", 2);
    ASSERT_TRUE(VrpcTest::waitFor([&] { return unexpectedCount() == 1; }));
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(unexpected[0].type, 300);
    EXPECT_EQ(unexpected[0].xlen, 2);
}

// A reply whose token names no pending request is logged and dropped; it
// neither reaches the handler nor disturbs later requests.
TEST_F(InProcessChannel, RepliesWithUnknownTokensAreDropped)
{
    start();
    slave->send_message_async(S2M_ParamStr, 0x5eed5eed5eedll, "x", 1);
    ASSERT_TRUE(VrpcTest::waitFor([&] { return logText().find("unknown request") != std::string::npos; }));
    Message reply;
    master->send_message_sync(M2S_ParamsSetup, 0, "q", 1, reply, 0);
    EXPECT_EQ(reply.type, M2S_ParamsSetup + 256);
    EXPECT_EQ(unexpectedCount(), 0u);
    EXPECT_FALSE(master->base()->isShutdown());
}

TEST_F(InProcessChannel, ARequestWithoutReplyEndsAtItsTimeLimit)
{
    start([](Message&) {});
    Message reply;
    reply.type = 99;
    reply.extra = {'s', 't', 'a', 'l', 'e'};
    testing::internal::CaptureStderr();
    const auto begin = Clock::now();
    master->send_message_sync(M2S_ParamChanged, 0, nullptr, 0, reply, 1);
    const auto elapsed = Clock::now() - begin;
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_GE(elapsed, 1s);
    EXPECT_LT(elapsed, 30s);
    EXPECT_EQ(reply.type, 0);
    EXPECT_TRUE(reply.extra.empty());
    EXPECT_TRUE(master->base()->isShutdown());
    EXPECT_NE(err.find("VRPC Error:"), std::string::npos);
    EXPECT_NE(logText().find("send_message_sync() timeout (1 seconds), msg 6"), std::string::npos);
    // The slave sees the channel end too.
    EXPECT_TRUE(VrpcTest::waitFor([&] { return slave->base()->isShutdown(); }));
    // Later sends return at once with the empty reply.
    reply.type = 5;
    master->send_message_sync(M2S_ParamChanged, 0, nullptr, 0, reply, 0);
    EXPECT_EQ(reply.type, 0);
}

TEST_F(InProcessChannel, ShutdownReleasesEveryWaitingSender)
{
    std::atomic<int> received{0};
    start([&](Message&) { ++received; });
    constexpr int kSenders = 4;
    std::atomic<int> emptyReplies{0};
    std::vector<std::thread> senders;
    for (int i = 0; i < kSenders; ++i)
        senders.emplace_back([&] {
            Message reply;
            master->send_message_sync(M2S_Render, 0, nullptr, 0, reply, 0);
            if (reply.type == 0)
                ++emptyReplies;
        });
    ASSERT_TRUE(VrpcTest::waitFor([&] { return received.load() == kSenders; }));
    const auto begin = Clock::now();
    master->shutdown();
    for (auto& t : senders)
        t.join();
    EXPECT_LT(Clock::now() - begin, 4s);  // well inside the 5-second wait slices
    EXPECT_EQ(emptyReplies.load(), kSenders);
}

// Writers queued for a slot that the slave still holds all wake when the
// channel ends, not one per post.
TEST_F(InProcessChannel, ShutdownReleasesWritersWaitingForTheSlot)
{
    std::mutex gate;
    std::unique_lock<std::mutex> closed(gate);
    std::atomic<int> received{0};
    start([&](Message&) {
        ++received;
        std::lock_guard<std::mutex> wait(gate);
    });
    master->send_message_async(M2S_Render, 0, nullptr, 0);
    ASSERT_TRUE(VrpcTest::waitFor([&] { return received.load() == 1; }));
    // The handler keeps the slot taken, so these writers queue for it.
    constexpr int kWriters = 3;
    std::atomic<int> done{0};
    std::vector<std::thread> writers;
    for (int i = 0; i < kWriters; ++i)
        writers.emplace_back([&] {
            master->send_message_async(M2S_Render, 0, nullptr, 0);
            ++done;
        });
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(done.load(), 0);
    const auto begin = Clock::now();
    master->shutdown();
    for (auto& t : writers)
        t.join();
    EXPECT_LT(Clock::now() - begin, 30s);  // far inside the 60-second slot wait
    EXPECT_EQ(done.load(), kWriters);
    closed.unlock();
    slave.reset();
    EXPECT_EQ(received.load(), 1);
}

// Shut-down state belongs to each broker: a second channel on the same name
// works after the first one is deleted, files included.
TEST_F(InProcessChannel, ANewChannelSurvivesTheOldOnesDeletion)
{
    auto old = std::make_unique<Broker>(base, true, recorder());
    start();
    old.reset();
    EXPECT_TRUE(VrpcTest::fileExists(base + "_m2s"));
    EXPECT_TRUE(VrpcTest::fileExists(base + "_s2m"));
    Message reply;
    master->send_message_sync(M2S_Handshake, 0, "abcd", 4, reply, kHandshakeTimeoutSeconds);
    EXPECT_EQ(reply.type, M2S_Handshake + 256);
    EXPECT_FALSE(shutdown.load());
    master.reset();
    slave.reset();
    EXPECT_FALSE(VrpcTest::fileExists(base + "_m2s"));
    EXPECT_FALSE(VrpcTest::fileExists(base + "_s2m"));
}

TEST_F(InProcessChannel, TheSlaveLearnsTheMastersProcessFromTheHeader)
{
    start();
    EXPECT_EQ(writerPid(master->base()->outgoing()), static_cast<std::uint64_t>(getpid()));
    EXPECT_EQ(writerPid(slave->base()->outgoing()), static_cast<std::uint64_t>(getpid()));
    EXPECT_EQ(host_id.load(), static_cast<std::uint64_t>(getpid()));
}

TEST_F(BrokerFixture, TheSlaveNeedsTheMastersFiles)
{
    EXPECT_ANY_THROW(Broker(base, false, recorder()));
}
