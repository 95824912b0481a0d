#include "VRPC/Broker.h"

#include "VRPC/Log.h"
#include "VRPC/Messages.h"
#include "VRPC/Process.h"
#include "VRPC/TimeWindows.h"
#include "platform/SharedSemaphore.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <random>
#include <stdexcept>

namespace Nuvra::VRPC {

std::atomic<bool> shutdown{false};
std::atomic<std::uint64_t> host_id{emptyProcessId};
std::mutex smtx;
Broker* sbroker_ = nullptr;

Broker* sbroker()
{
    std::lock_guard<std::mutex> lock(smtx);
    return sbroker_;
}

namespace {

using Clock = std::chrono::steady_clock;
using Platform::SemWait;

constexpr auto kSlotWait = std::chrono::seconds(60);
constexpr auto kSpareIdle = std::chrono::seconds(2);


const char* waiterTag(std::uint64_t waiter)
{
    return waiter ? "[waiter]" : "[none]";
}

template <typename T> T loadField(const T* field)
{
    return __atomic_load_n(field, __ATOMIC_RELAXED);
}

template <typename T> void storeField(T* field, T value)
{
    __atomic_store_n(field, value, __ATOMIC_RELAXED);
}

std::uint64_t firstToken()
{
    std::random_device random;
    const std::uint64_t token = (static_cast<std::uint64_t>(random()) << 32) ^ random();
    return token ? token : 1;
}

} // namespace

BrokerBase::BrokerBase(const std::string& basename, bool master, MessageHandler handler)
    : m_master(master),
      m_incoming(basename + (master ? kSlaveToMaster : kMasterToSlave), kPumpSize, master),
      m_outgoing(basename + (master ? kMasterToSlave : kSlaveToMaster), kPumpSize, master),
      m_handler(std::move(handler)),
      m_nextToken(firstToken()),
      m_basename(basename)
{
    if (!m_master) {
        VRPC::shutdown.store(false);
        m_baseIdentity = Platform::fileIdentity(m_basename);
    }
    m_receiver = std::thread(&BrokerBase::receiver, this);
    writeDebugLog("BrokerBase ctor, [%s] basename = %s\n", m_master ? "Master" : "Slave",
                  m_basename.c_str());
    if (!m_master) {
        try {
            m_watchdog = std::thread(&BrokerBase::watchdog, this);
        } catch (...) {
            enterShutdown();
            joinReceiver();
            throw;
        }
    }
}

BrokerBase::~BrokerBase()
{
    writeDebugLog("BrokerBase dtor, basename = %s\n", m_basename.c_str());
    enterShutdown();
    removeFilesOfGoneHost();
    if (onReceiverThread()) {
        // Deleted from its own handler: the thread cannot join itself.
        std::lock_guard<std::mutex> lock(m_joinMutex);
        if (m_receiver.joinable())
            m_receiver.detach();
    } else {
        joinReceiver();
    }
    if (m_watchdog.joinable()) {
        if (m_watchdog.get_id() == std::this_thread::get_id())
            m_watchdog.detach();
        else
            m_watchdog.join();
    }
}

void BrokerBase::shutdown()
{
    writeDebugLog("BrokerBase dtor, basename = %s\n", m_basename.c_str());
    enterShutdown();
    // Before the application waits for the frames still in its hands.
    removeFilesOfGoneHost();
    joinReceiver();
}

void BrokerBase::enterShutdown()
{
    if (m_shutdown.exchange(true))
        return;
    if (!m_master)
        VRPC::shutdown.store(true);
    // The flags first, then the posts: every waiter on either side of both
    // files wakes and sees them.
    for (Pump* pump : {&m_incoming, &m_outgoing}) {
        PumpHeader* header = pump->header();
        pump->setShutdownFlag();
        pump->post(&header->s_full);
        pump->post(&header->s_empty);
        Platform::semWakeAll(&header->s_full);
        Platform::semWakeAll(&header->s_empty);
    }
    {
        std::lock_guard<std::mutex> lock(m_pendingMutex);
        for (auto& entry : m_pending)
            entry.second->cv.notify_all();
    }
    {
        std::lock_guard<std::mutex> lock(m_watchMutex);
        m_watchCv.notify_all();
    }
}

void BrokerBase::joinReceiver()
{
    if (onReceiverThread())
        return;
    std::lock_guard<std::mutex> lock(m_joinMutex);
    if (m_receiver.joinable())
        m_receiver.join();
}

bool BrokerBase::peerAlive() const
{
    if (m_peerCheck && !m_peerCheck())
        return false;
    const std::uint64_t pid = loadField(&m_incoming.header()->writerPid);
    // A peer that has not connected yet may still come.
    return pid == emptyProcessId || processIsRunningSlave(pid);
}

void BrokerBase::receiver()
{
    m_receiverId.store(std::this_thread::get_id());
    PumpHeader* header = m_incoming.header();
    const auto stop = [this] { return isShutdown() || m_incoming.shutdownFlag(); };
    if (isShutdown())
        return;
    for (;;) {
        SemWait wait = SemWait::Stopped;
        if (!stop()) {
            const bool holding = holdsSpare();
            wait = m_incoming.wait(&header->s_full, Clock::now() + (holding ? kSpareIdle : kSlotWait), stop);
            if (wait == SemWait::TimedOut) {
                if (holding)
                    releaseSpare();
                continue;
            }
        }
        if (m_incoming.shutdownFlag()) {
            writeDebugLog("Pump::Reader(): shutdown encountered\n");
            enterShutdown();
        }
        if (isShutdown()) {
            writeDebugLog("BrokerBase::receiver() : shutdown\n");
            m_incoming.post(&header->s_empty);
            return;
        }

        // Every field is read once: the peer (or anyone who can write the
        // file) may change the header while we look at it.
        Message msg;
        msg.waiter = loadField(&header->waiter);
        msg.reply_slot = loadField(&header->replySlot);
        const std::int32_t xlen = loadField(&header->xlen);
        msg.type = loadField(&header->type);
        if (xlen < 0 || xlen > m_incoming.payloadLimit()) {
            writeError("BrokerBase::receiver() : invalid payload length %d (limit %lld), channel closed\n",
                       xlen, static_cast<long long>(m_incoming.payloadLimit()));
            enterShutdown();
            m_incoming.post(&header->s_empty);
            return;
        }
        msg.xlen = xlen;
        if (msg.waiter != 0 && readReplyInPlace(msg)) {
            m_incoming.post(&header->s_empty);
            if (isShutdown())
                return;
            continue;
        }
        if (xlen > 0) {
            takeSpare(msg.extra);
            msg.extra.assign(m_incoming.payload(), m_incoming.payload() + xlen);
        }
        writeDebugLog("BrokerBase::receiver() : type = %d (%d bytes), %s\n", static_cast<int>(msg.type),
                      xlen, waiterTag(msg.waiter));

        if (msg.waiter != 0)
            deliverReply(msg);
        else
            dispatch(msg);

        // The slot is released only now, after the handler: the writer cannot
        // send the next message before this one is handled.
        keepSpare(msg.extra);
        m_incoming.post(&header->s_empty);
        if (isShutdown())
            return;
    }
}

void BrokerBase::takeSpare(std::vector<char>& buffer)
{
    std::lock_guard<std::mutex> lock(m_spareMutex);
    buffer.swap(m_spare);
}

// Keeps the larger of the two buffers; the other is freed outside the lock.
void BrokerBase::keepSpare(std::vector<char>& buffer)
{
    if (buffer.capacity() == 0 || buffer.capacity() > static_cast<size_t>(kMaxPayload))
        return;
    buffer.clear();
    std::lock_guard<std::mutex> lock(m_spareMutex);
    if (buffer.capacity() > m_spare.capacity())
        buffer.swap(m_spare);
}

bool BrokerBase::holdsSpare()
{
    std::lock_guard<std::mutex> lock(m_spareMutex);
    return m_spare.capacity() != 0;
}

void BrokerBase::releaseSpare()
{
    std::vector<char> released;
    std::lock_guard<std::mutex> lock(m_spareMutex);
    released.swap(m_spare);
}

void BrokerBase::releaseIdleMemory()
{
    releaseSpare();
    m_incoming.dropResidentPayload();
    m_outgoing.dropResidentPayload();
}

void BrokerBase::deliverReply(Message& msg)
{
    std::lock_guard<std::mutex> lock(m_pendingMutex);
    const auto it = m_pending.find(msg.waiter);
    if (it == m_pending.end()) {
        writeError("BrokerBase::receiver() : reply type %d for unknown request %llu dropped\n",
                   static_cast<int>(msg.type), static_cast<unsigned long long>(msg.waiter));
        return;
    }
    ReplyWaiter* waiter = it->second;
    m_pending.erase(it);
    std::swap(waiter->msg, msg);
    waiter->done = true;
    waiter->cv.notify_one();
    writeDebugLog("BrokerBase::receiver() : reply received\n");
}

// A reply whose caller reads it in place: the caller's reader runs here,
// outside the lock, while the caller waits for it to end.
bool BrokerBase::readReplyInPlace(Message& msg)
{
    ReplyWaiter* waiter = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_pendingMutex);
        const auto it = m_pending.find(msg.waiter);
        if (it == m_pending.end() || !it->second->reader)
            return false;
        waiter = it->second;
        m_pending.erase(it);
        waiter->reading = true;
    }
    writeDebugLog("BrokerBase::receiver() : type = %d (%d bytes), read in place\n", static_cast<int>(msg.type),
                  static_cast<int>(msg.xlen));
    try {
        (*waiter->reader)(msg, m_incoming.payload());
    } catch (const std::exception& e) {
        writeError("BrokerBase::receiver() : reply reader failed on type %d: %s\n", static_cast<int>(msg.type),
                   e.what());
    } catch (...) {
        writeError("BrokerBase::receiver() : reply reader failed on type %d\n", static_cast<int>(msg.type));
    }
    std::lock_guard<std::mutex> lock(m_pendingMutex);
    std::swap(waiter->msg, msg);
    waiter->done = true;
    waiter->cv.notify_one();
    return true;
}

void BrokerBase::dispatch(Message& msg)
{
    // The quit request is sent without waiting; its acknowledgement is
    // expected and needs no handling.
    if (m_master && msg.type == S2M_Quit) {
        writeDebugLog("BrokerBase::receiver() : quit acknowledged\n");
        return;
    }
    writeDebugLog("BrokerBase::receiver() : dispatching...\n");
    try {
        m_handler(msg);
    } catch (const std::exception& e) {
        writeError("BrokerBase::receiver() : handler failed on type %d: %s\n", static_cast<int>(msg.type),
                   e.what());
    } catch (...) {
        writeError("BrokerBase::receiver() : handler failed on type %d\n", static_cast<int>(msg.type));
    }
}

bool BrokerBase::writeMessage(int type, std::uint64_t waiter, std::uint64_t replySlot, const void* extra,
                              const PayloadWriter* write, int xlen)
{
    PumpHeader* header = m_outgoing.header();
    const auto stop = [this] { return isShutdown() || m_outgoing.shutdownFlag(); };
    SemWait wait = SemWait::Stopped;
    if (!stop())
        wait = waitForSlot(type);
    if (wait == SemWait::TimedOut) {
        if (!isShutdown())
            showErrorToUser("Writer: s_empty.timed_wait() failed");
        enterShutdown();
        return false;
    }
    if (m_outgoing.shutdownFlag())
        enterShutdown();
    if (isShutdown()) {
        // Hand the slot on so that every other waiting writer wakes up too.
        if (wait == SemWait::Acquired)
            m_outgoing.post(&header->s_empty);
        m_outgoing.post(&header->s_full);
        return false;
    }
    if (xlen > 0) {
        if (write) {
            try {
                (*write)(m_outgoing.payload());
            } catch (...) {
                m_outgoing.post(&header->s_empty);
                throw;
            }
        } else {
            std::memcpy(m_outgoing.payload(), extra, static_cast<size_t>(xlen));
        }
    }
    storeField(&header->type, static_cast<std::int32_t>(type));
    storeField(&header->waiter, waiter);
    storeField(&header->xlen, static_cast<std::int32_t>(xlen));
    storeField(&header->replySlot, replySlot);
    m_outgoing.post(&header->s_full);
    return true;
}

// The slot is waited for in slices: a peer that died while it held the slot
// never frees it, and the one-minute limit would stall every sender (the quit
// at unload included). A gone peer ends the channel without an alert.
SemWait BrokerBase::waitForSlot(int type)
{
    PumpHeader* header = m_outgoing.header();
    const auto stop = [this] { return isShutdown() || m_outgoing.shutdownFlag(); };
    const auto deadline = Clock::now() + kSlotWait;
    for (;;) {
        const SemWait wait = m_outgoing.wait(&header->s_empty, std::min(deadline, Clock::now() + timeWindows().slotSlice), stop);
        if (wait != SemWait::TimedOut || Clock::now() >= deadline)
            return wait;
        if (!peerAlive()) {
            writeError("BrokerBase::writer() : peer process %llu is gone, msg %d\n",
                       static_cast<unsigned long long>(loadField(&m_incoming.header()->writerPid)), type);
            enterShutdown();
            return SemWait::TimedOut;
        }
    }
}

namespace {

// Both send paths refuse the same payloads, before the slot is taken: a
// header announcing bytes that were never written would hand the peer stale data.
void checkPayload(const char* caller, int type, const void* extra, int xlen, bool written = false)
{
    if (xlen > kMaxPayload)
        throw std::runtime_error(std::string(caller) + " -- too big data");
    if (xlen < 0)
        throw std::runtime_error(std::string(caller) + " -- negative length");
    if (!extra && !written && xlen > 0) {
        writeError("%s( %d ) - extra is NULL, xlen = %d\n", caller, type, xlen);
        throw std::runtime_error(std::string(caller) + "() - extra is NULL");
    }
}

} // namespace

void BrokerBase::send_message_async(int type, long long waiter, const void* extra, int xlen)
{
    writeDebugLog("BrokerBase::send_message_async() : type = %d (%d bytes), %s\n", type, xlen,
                  waiterTag(static_cast<std::uint64_t>(waiter)));
    checkPayload("send_message_async", type, extra, xlen);
    if (!writeMessage(type, static_cast<std::uint64_t>(waiter), 0, extra, nullptr, xlen))
        writeDebugLog("BrokerBase::send_message_async() : shutdown\n");
}

void BrokerBase::send_message_sync(int type, long long tag, const void* extra, int xlen, Message& reply,
                                   int timeout)
{
    checkPayload("send_message_sync", type, extra, xlen);
    sendSync(type, tag, extra, nullptr, xlen, reply, timeout);
}

void BrokerBase::send_message_sync(int type, long long tag, int xlen, const PayloadWriter& write, Message& reply,
                                   int timeout, const ReplyReader& read)
{
    checkPayload("send_message_sync", type, nullptr, xlen, static_cast<bool>(write));
    sendSync(type, tag, nullptr, &write, xlen, reply, timeout, read ? &read : nullptr);
}

void BrokerBase::sendSync(int type, long long tag, const void* extra, const PayloadWriter* write, int xlen,
                          Message& reply, int timeout, const ReplyReader* read)
{
    writeDebugLog("BrokerBase::send_message_sync() : type = %d (%d bytes), %s\n", type, xlen,
                  waiterTag(static_cast<std::uint64_t>(tag)));

    ReplyWaiter waiter;
    waiter.reader = read;
    std::uint64_t token;
    {
        std::lock_guard<std::mutex> lock(m_pendingMutex);
        do {
            token = m_nextToken++;
        } while (token == 0 || m_pending.count(token));
        m_pending.emplace(token, &waiter);
    }
    // Registered before the message leaves, so a fast reply finds its entry;
    // removed on every way out, so a late reply is dropped, never delivered
    // to a finished call.
    struct Unregister {
        BrokerBase* self;
        std::uint64_t token;
        ~Unregister()
        {
            std::lock_guard<std::mutex> lock(self->m_pendingMutex);
            self->m_pending.erase(token);
        }
    } unregister{this, token};

    // The caller's last reply buffer receives this reply. It is handed over
    // before the request leaves, so that even the fastest reply finds it,
    // unless the payload comes from it.
    const char* from = static_cast<const char*>(extra);
    const char* begin = reply.extra.data();
    const bool payloadInReply = xlen > 0 && std::less_equal<const char*>()(begin, from) &&
                                std::less<const char*>()(from, begin + reply.extra.capacity());
    if (!payloadInReply)
        keepSpare(reply.extra);
    const bool sent = writeMessage(type, static_cast<std::uint64_t>(tag), token, extra, write, xlen);
    if (payloadInReply)
        keepSpare(reply.extra);
    if (!sent) {
        writeDebugLog("BrokerBase::send_message_sync() : shutdown\n");
        reply = Message();
        return;
    }

    enum class End { Reply, Shutdown, TimedOut, PeerGone };
    End end = End::Shutdown;
    {
        std::unique_lock<std::mutex> lock(m_pendingMutex);
        // The window is fixed once; wake-ups never extend it.
        const auto deadline = Clock::now() + std::chrono::seconds(timeout > 0 ? timeout : 0);
        for (;;) {
            if (waiter.done) {
                end = End::Reply;
                break;
            }
            if (waiter.reading) {
                // The reply arrived and is being read: it ends soon, and
                // the reader must not outlive this call.
                waiter.cv.wait(lock);
                continue;
            }
            if (isShutdown()) {
                end = End::Shutdown;
                break;
            }
            auto sliceEnd = Clock::now() + timeWindows().replySlice;
            if (timeout > 0 && deadline < sliceEnd)
                sliceEnd = deadline;
            if (waiter.cv.wait_until(lock, sliceEnd) != std::cv_status::timeout)
                continue;
            if (waiter.done || waiter.reading || isShutdown())
                continue;
            if (timeout > 0 && Clock::now() >= deadline) {
                end = End::TimedOut;
                break;
            }
            lock.unlock();
            const bool alive = peerAlive();
            lock.lock();
            if (!alive && !waiter.done && !waiter.reading) {
                end = End::PeerGone;
                break;
            }
        }
        m_pending.erase(token);
        reply = Message();
        if (waiter.done)
            std::swap(reply, waiter.msg);
    }

    if (end == End::TimedOut) {
        showErrorToUser("send_message_sync() timeout (%d seconds), msg %d", timeout, type);
        shutdown();
    } else if (end == End::PeerGone) {
        writeError("send_message_sync() : peer process %llu is gone, msg %d\n",
                   static_cast<unsigned long long>(loadField(&m_incoming.header()->writerPid)), type);
        shutdown();
    }
}

void BrokerBase::watchdog()
{
    std::unique_lock<std::mutex> lock(m_watchMutex);
    for (;;) {
        if (m_watchCv.wait_for(lock, timeWindows().watchdogPeriod, [this] { return isShutdown(); }))
            return;
        const unsigned long long host = host_id.load();
        // No host known yet: nothing to watch.
        if (host == emptyProcessId || processIsRunningSlave(host))
            continue;
        lock.unlock();
        writeDebugLog("BrokerBase::watchdog() : host process %llu is gone\n", host);
        shutdown();
        return;
    }
}

// A host that was killed never removes its files, and on a memory-backed
// folder their pages would stay until the machine restarts. However the slave
// learns that its host is gone (the watchdog or the application's own look),
// it takes them along as it shuts down. Only the files this side was given
// go, and only while their names still refer to them: a newer channel may
// have reused a name.
void BrokerBase::removeFilesOfGoneHost()
{
    if (m_master)
        return;
    const unsigned long long host = host_id.load();
    if (host == emptyProcessId || processIsRunningSlave(host))
        return;
    for (const Pump* pump : {&m_incoming, &m_outgoing}) {
        if (Platform::removeFileIfSame(pump->name(), pump->identity()))
            writeDebugLog("BrokerBase : host gone, removed %s\n", pump->name().c_str());
    }
    if (Platform::removeFileIfSame(m_basename, m_baseIdentity))
        writeDebugLog("BrokerBase : host gone, removed %s\n", m_basename.c_str());
}

Broker::Broker(const std::string& basename, bool master, MessageHandler handler)
    : p(new BrokerBase(basename, master, std::move(handler)))
{
    PumpHeader* out = p->outgoing().header();
    __atomic_store_n(&out->writerPid, static_cast<std::uint64_t>(currentProcessNumber()), __ATOMIC_RELEASE);
    if (!master) {
        std::uint64_t expected = emptyProcessId;
        const std::uint64_t master_pid = __atomic_load_n(&p->incoming().header()->writerPid, __ATOMIC_ACQUIRE);
        host_id.compare_exchange_strong(expected, master_pid);
    }
}

Broker::~Broker()
{
    delete p;
}

void Broker::shutdown()
{
    if (p)
        p->shutdown();
}

void Broker::send_message_async(int type, long long waiter, const void* extra, int xlen)
{
    if (!p) {
        writeError("send_message_async( %d, %d, %p, %d ) - p is NULL\n", type, static_cast<int>(waiter), extra,
                   xlen);
        throw std::runtime_error("send_message_async() - p is NULL");
    }
    p->send_message_async(type, waiter, extra, xlen);
}

void Broker::send_message_sync(int type, long long tag, int xlen, const PayloadWriter& write, Message& reply,
                               int timeout, const ReplyReader& read)
{
    if (!p) {
        writeError("send_message_sync( %d, %d, writer, %d ) - p is NULL\n", type, static_cast<int>(tag), xlen);
        throw std::runtime_error("send_message_sync() - p is NULL");
    }
    p->send_message_sync(type, tag, xlen, write, reply, timeout, read);
}

void Broker::recycle(std::vector<char>& buffer)
{
    if (p)
        p->recycle(buffer);
}

void Broker::releaseIdleMemory()
{
    if (p)
        p->releaseIdleMemory();
}

void Broker::send_message_sync(int type, long long tag, const void* extra, int xlen, Message& reply,
                               int timeout)
{
    if (!p) {
        writeError("send_message_sync( %d, %d, %p, %d ) - p is NULL\n", type, static_cast<int>(tag), extra, xlen);
        throw std::runtime_error("send_message_sync() - p is NULL");
    }
    p->send_message_sync(type, tag, extra, xlen, reply, timeout);
}

} // namespace Nuvra::VRPC
