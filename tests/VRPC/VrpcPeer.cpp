// Peer process for the transport's tests and benchmark.
//   vrpc_peer echo|delay|ignore|garbage|hold <basename> [log]  slave that answers requests
//                                                         (hold: keeps the first request's slot for ever)
//   vrpc_peer increment <basename>                        slave of its own that echoes requests and
//                                                         posts by the bare increment, never waking
//   vrpc_peer corrupt <basename> <negative|minimum|oversize|maximum|token>  writes one forged message
//   vrpc_peer master <basename>                            master that waits to be killed
//   vrpc_peer log <path>                                  one debug and one error line
// VRPC_PEER_MMAP_THRESHOLD=n: blocks of n bytes or more come from the system
// and go back to it when freed, as with allocators that always do so.
#include "VRPC/Broker.h"
#include "VRPC/Log.h"
#include "VRPC/Messages.h"
#include "VRPC/Process.h"
#include "platform/SharedSemaphore.h"

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>

using namespace Nuvra::VRPC;

namespace {

std::atomic<int> g_inFlight{0};

// Sends under smtx so that main never deletes the broker under a sender.
void reply(const Message& request, int type, const std::vector<char>& payload)
{
    std::lock_guard<std::mutex> lock(smtx);
    if (Broker* broker = sbroker_)
        broker->send_message_async(type, static_cast<long long>(request.reply_slot),
                                   payload.empty() ? nullptr : payload.data(), static_cast<int>(payload.size()));
}

// Answers the handshake and the quit; true when the request was one of them.
bool standardRequest(Message& msg)
{
    if (msg.type == M2S_Handshake) {
        const unsigned long long self = currentProcessNumber();
        std::vector<char> payload(8);
        std::memcpy(payload.data(), &self, 8);
        reply(msg, S2M_Handshake, payload);
        return true;
    }
    if (msg.type == M2S_Quit) {
        reply(msg, S2M_Quit, {});
        if (Broker* broker = sbroker())
            broker->shutdown();
        return true;
    }
    return false;
}

int echoReplyType(const Message& msg)
{
    return static_cast<int>(msg.type) + 256;
}

void echoHandler(Message& msg)
{
    if (!standardRequest(msg))
        reply(msg, echoReplyType(msg), msg.extra);
}

// Replies from threads of their own after a random pause, so replies come
// back in another order than the requests went out.
void delayHandler(Message& msg)
{
    if (standardRequest(msg))
        return;
    ++g_inFlight;
    std::thread([request = std::move(msg)]() {
        thread_local std::minstd_rand random(std::random_device{}());
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
        reply(request, echoReplyType(request), request.extra);
        --g_inFlight;
    }).detach();
}

// Sends a reply with a forged token before the real one.
void garbageHandler(Message& msg)
{
    if (standardRequest(msg))
        return;
    Message forged = msg;
    forged.reply_slot ^= 0x8000000000000000ull;
    reply(forged, echoReplyType(msg), {'x'});
    reply(msg, echoReplyType(msg), msg.extra);
}

int runSlave(const std::string& mode, const std::string& basename)
{
    MessageHandler handler;
    if (mode == "echo")
        handler = echoHandler;
    else if (mode == "delay")
        handler = delayHandler;
    else if (mode == "garbage")
        handler = garbageHandler;
    else if (mode == "hold")
        handler = [](Message& msg) {
            if (!standardRequest(msg))
                for (;;)
                    pause();
        };
    else
        handler = [](Message&) {};
    {
        std::lock_guard<std::mutex> lock(smtx);
        sbroker_ = new Broker(basename, false, handler);
    }
    while (!shutdown.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    while (g_inFlight.load() > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Broker* broker;
    {
        std::lock_guard<std::mutex> lock(smtx);
        broker = sbroker_;
        sbroker_ = nullptr;
    }
    delete broker;
    return 0;
}

int runCorrupt(const std::string& basename, const std::string& kind)
{
    Pump pump(basename + "_s2m", kPumpSize, false);
    PumpHeader* header = pump.header();
    using Nuvra::Platform::SemWait;
    if (Nuvra::Platform::semWaitUntil(&header->s_empty, std::chrono::steady_clock::now() + std::chrono::seconds(30)) !=
        SemWait::Acquired)
        return 2;
    header->waiter = 0;
    header->replySlot = 0;
    header->type = S2M_Rendered;
    if (kind == "negative")
        header->xlen = -1;
    else if (kind == "minimum")
        header->xlen = INT_MIN;
    else if (kind == "oversize")
        header->xlen = kMaxPayload + 1;
    else if (kind == "maximum")
        header->xlen = INT_MAX;
    else {
        header->waiter = 0x1234567890abcdefull;
        header->xlen = 4;
        std::memcpy(pump.payload(), "ABCD", 4);
    }
    Nuvra::Platform::semPost(&header->s_full);
    return 0;
}

// Posts as a peer may: the count goes up, nobody is woken.
void postWithoutWake(std::uint32_t* count)
{
    __atomic_fetch_add(count, 1u, __ATOMIC_RELEASE);
}

// A slave written on the header alone: answers the handshake with its
// process number and echoes every other request, until the quit.
int runIncrement(const std::string& basename)
{
    using Nuvra::Platform::SemWait;
    using Nuvra::Platform::semWaitUntil;
    Pump in(basename + "_m2s", kPumpSize, false);
    Pump out(basename + "_s2m", kPumpSize, false);
    PumpHeader* rx = in.header();
    PumpHeader* tx = out.header();
    __atomic_store_n(&tx->writerPid, static_cast<std::uint64_t>(getpid()), __ATOMIC_RELEASE);
    std::vector<char> payload;
    for (;;) {
        if (semWaitUntil(&rx->s_full, std::chrono::steady_clock::now() + std::chrono::seconds(30)) != SemWait::Acquired)
            return 2;
        const int type = __atomic_load_n(&rx->type, __ATOMIC_RELAXED);
        const std::uint64_t token = __atomic_load_n(&rx->replySlot, __ATOMIC_RELAXED);
        const int xlen = __atomic_load_n(&rx->xlen, __ATOMIC_RELAXED);
        if (xlen < 0 || xlen > kMaxPayload)
            return 2;
        payload.assign(in.payload(), in.payload() + xlen);
        postWithoutWake(&rx->s_empty);
        if (type == M2S_Handshake) {
            const std::uint64_t self = static_cast<std::uint64_t>(getpid());
            payload.assign(reinterpret_cast<const char*>(&self), reinterpret_cast<const char*>(&self) + 8);
        }
        if (semWaitUntil(&tx->s_empty, std::chrono::steady_clock::now() + std::chrono::seconds(30)) != SemWait::Acquired)
            return 2;
        std::memcpy(out.payload(), payload.data(), payload.size());
        __atomic_store_n(&tx->type, type + 256, __ATOMIC_RELAXED);
        __atomic_store_n(&tx->waiter, token, __ATOMIC_RELAXED);
        __atomic_store_n(&tx->replySlot, std::uint64_t{0}, __ATOMIC_RELAXED);
        __atomic_store_n(&tx->xlen, static_cast<std::int32_t>(payload.size()), __ATOMIC_RELAXED);
        postWithoutWake(&tx->s_full);
        if (type == M2S_Quit)
            return 0;
    }
}

int runMaster(const std::string& basename)
{
    Broker broker(basename, true, [](Message&) {});
    for (;;)
        pause();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: vrpc_peer mode basename [argument]\n");
        return 2;
    }
    if (const char* threshold = std::getenv("VRPC_PEER_MMAP_THRESHOLD"))
        mallopt(M_MMAP_THRESHOLD, std::atoi(threshold));
    const std::string mode = argv[1];
    const std::string target = argv[2];
    if (mode == "log") {
        SetupLogFiles(target.c_str(), "");
        writeDebugLog("debug line %d\n", 1);
        writeError("error line %d\n", 2);
        return 0;
    }
    if (argc > 3 && mode != "corrupt")
        SetupLogFiles(argv[3], "");
    try {
        if (mode == "corrupt")
            return runCorrupt(target, argc > 3 ? argv[3] : "token");
        if (mode == "master")
            return runMaster(target);
        if (mode == "increment")
            return runIncrement(target);
        return runSlave(mode, target);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vrpc_peer: %s\n", e.what());
        return 3;
    }
}
