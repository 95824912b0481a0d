#pragma once

#include "VRPC/Pump.h"

#include <boost/function.hpp>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace Nuvra::VRPC {

// Size of each shared file's header-plus-slot, and the largest payload.
constexpr int kPumpSize = 122008608;
constexpr int kMaxPayload = static_cast<int>(payloadCapacity(kPumpSize));
static_assert(kMaxPayload == 122008576);

// One received or awaited message.
struct Message {
    std::uint64_t waiter = 0;      // token of the request this answers; 0 = not a reply
    std::uint64_t reply_slot = 0;  // token a reply must carry; 0 = none awaited
    std::int64_t xlen = 0;
    std::int64_t type = 0;
    std::vector<char> extra;
};

using MessageHandler = boost::function<void(Message&)>;

// Writes a request's payload straight into the channel's slot, sparing the
// sender a buffer of its own and one copy of it. Called once, with the slot
// held, on `xlen` bytes that it must all write.
using PayloadWriter = std::function<void(char* payload)>;

// Reads a reply where it arrived, in the channel's slot, sparing the copy
// into a buffer: called on the receiver thread with the reply (its `extra`
// empty) and its `xlen` bytes, which the peer can still change: read each
// value once and trust no size found there.
using ReplyReader = std::function<void(const Message& reply, const char* payload)>;

class Broker;

// The child application's view of its one slave broker: set when the slave
// broker shuts down, cleared when a slave broker is built. Master brokers keep
// their state to themselves.
extern std::atomic<bool> shutdown;
// The master's process as the slave knows it.
extern std::atomic<std::uint64_t> host_id;
constexpr std::uint64_t emptyProcessId = 0;

// The child application's broker, guarded by smtx.
extern std::mutex smtx;
extern Broker* sbroker_;
Broker* sbroker();

// Both ends of a request/reply channel over two shared files. The master
// creates the files; the slave opens them and watches the master's process.
class BrokerBase {
public:
    BrokerBase(const std::string& basename, bool master, MessageHandler handler);
    ~BrokerBase();
    BrokerBase(const BrokerBase&) = delete;
    BrokerBase& operator=(const BrokerBase&) = delete;

    void send_message_async(int type, long long waiter, const void* extra, int xlen);
    // Sends and waits for the reply; `timeout` in seconds, 0 = no limit.
    // Without a reply (shut-down, time-out, peer gone) `reply` becomes an
    // empty message of type 0. What `reply` held before is dropped; its
    // payload buffer may receive the reply, so a caller that keeps one
    // Message for its requests gets each reply into memory already in use.
    void send_message_sync(int type, long long tag, const void* extra, int xlen, Message& reply,
                           int timeout);
    // The same with a payload that `write` puts into the slot. What `write`
    // throws passes through; the slot is then given back, nothing is sent.
    // With `read`, the reply is handed to it in place (at most once, always
    // before this returns) and `reply` gets the reply without its payload.
    void send_message_sync(int type, long long tag, int xlen, const PayloadWriter& write, Message& reply,
                           int timeout, const ReplyReader& read = {});
    // Takes a received message's payload buffer back, for the next message
    // received: a handler that keeps a large payload beyond its return hands
    // its buffer back here once done, so that the next one does not fault in
    // fresh pages.
    void recycle(std::vector<char>& buffer) { keepSpare(buffer); }
    // Frees the kept payload buffer now rather than after the next quiet
    // spell, and takes both shared files' payload pages out of this
    // process's resident memory (their contents stay in the files).
    void releaseIdleMemory();
    // Ends the channel on both sides and joins the receiver (unless called
    // on the receiver thread).
    void shutdown();

    // A further test that the peer still lives, asked together with the
    // peer's process check in every wait slice (the master passes its
    // child's state, so a child that dies before it connects is noticed too).
    // Set it before the first send.
    void setPeerCheck(std::function<bool()> check) { m_peerCheck = std::move(check); }

    bool isShutdown() const { return m_shutdown.load(); }
    bool isMaster() const { return m_master; }
    const std::string& basename() const { return m_basename; }
    Pump& incoming() { return m_incoming; }
    Pump& outgoing() { return m_outgoing; }

private:
    struct ReplyWaiter {
        Message msg;
        std::condition_variable cv;
        const ReplyReader* reader = nullptr;
        bool reading = false;  // the reader runs; the call waits for it whatever happens
        bool done = false;
    };

    void receiver();
    void watchdog();
    void removeFilesOfGoneHost();
    void deliverReply(Message& msg);
    bool readReplyInPlace(Message& msg);
    void dispatch(Message& msg);
    bool writeMessage(int type, std::uint64_t waiter, std::uint64_t replySlot, const void* extra,
                      const PayloadWriter* write, int xlen);
    void sendSync(int type, long long tag, const void* extra, const PayloadWriter* write, int xlen,
                  Message& reply, int timeout, const ReplyReader* read = nullptr);
    Platform::SemWait waitForSlot(int type);
    void enterShutdown();
    void takeSpare(std::vector<char>& buffer);
    void keepSpare(std::vector<char>& buffer);
    bool holdsSpare();
    void releaseSpare();
    void joinReceiver();
    bool peerAlive() const;
    // True on this broker's receiver thread, so that a shut-down asked for
    // from inside the handler does not join its own thread. Kept in the
    // broker rather than in thread-local storage: a binary that is unloaded
    // must leave no thread-local data behind in its host's threads.
    bool onReceiverThread() const { return m_receiverId.load() == std::this_thread::get_id(); }

    const bool m_master;
    std::atomic<bool> m_shutdown{false};
    Pump m_incoming;
    Pump m_outgoing;
    MessageHandler m_handler;
    std::function<bool()> m_peerCheck;

    // Pending synchronous requests by token; a reply's waiter is only ever
    // looked up here, never trusted as an address.
    std::mutex m_pendingMutex;
    std::unordered_map<std::uint64_t, ReplyWaiter*> m_pending;
    std::uint64_t m_nextToken;

    // A payload buffer kept for the next message received: a fresh one would
    // fault in its pages again for every frame. At most one, of at most a
    // slot's size, given back while no message arrives.
    std::mutex m_spareMutex;
    std::vector<char> m_spare;

    std::mutex m_joinMutex;
    std::mutex m_watchMutex;
    std::condition_variable m_watchCv;
    std::thread m_receiver;
    std::atomic<std::thread::id> m_receiverId{};
    std::thread m_watchdog;
    std::string m_basename;
    Platform::FileIdentity m_baseIdentity;  // the slave's base-name file as it was given
};

// Owning handle of one BrokerBase.
class Broker {
public:
    Broker(const std::string& basename, bool master, MessageHandler handler);
    ~Broker();
    Broker(const Broker&) = delete;
    Broker& operator=(const Broker&) = delete;

    void shutdown();
    void send_message_async(int type, long long waiter, const void* extra, int xlen);
    void send_message_sync(int type, long long tag, const void* extra, int xlen, Message& reply,
                           int timeout);
    void send_message_sync(int type, long long tag, int xlen, const PayloadWriter& write, Message& reply,
                           int timeout, const ReplyReader& read = {});
    void recycle(std::vector<char>& buffer);
    void releaseIdleMemory();
    BrokerBase* base() const { return p; }

private:
    BrokerBase* p;
};

} // namespace Nuvra::VRPC
