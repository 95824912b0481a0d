#include "server/ServerBroker.h"

#include "server/Dispatcher.h"
#include "server/Renderer.h"

#include <shared_mutex>
#include <stdexcept>

namespace Nuvra::VRPC {

namespace {

// Held shared by every sender for the length of a send, exclusively while the
// broker is deleted.
std::shared_mutex& brokerUse()
{
    static std::shared_mutex* use = new std::shared_mutex;  // kept past exit for late renders
    return *use;
}

} // namespace

Broker* installServerBroker(const std::string& basename)
{
    std::lock_guard<std::mutex> lock(smtx);
    sbroker_ = new Broker(basename, false, &vrpc_dispatcher);
    return sbroker_;
}

void retireServerBroker(std::chrono::milliseconds renderGrace)
{
    // Shut down first: a render blocked on the outgoing slot wakes, drops its
    // reply and lets go of the broker.
    if (Broker* broker = sbroker())
        broker->shutdown();
    waitForRenders(renderGrace);
    Broker* retired = nullptr;
    {
        std::unique_lock<std::shared_mutex> exclusive(brokerUse());
        std::lock_guard<std::mutex> lock(smtx);
        retired = sbroker_;
        sbroker_ = nullptr;
    }
    delete retired;
}

bool sendReply(int type, std::uint64_t replySlot, const void* data, std::int64_t length)
{
    if (length < 0 || length > kMaxPayload)
        throw std::runtime_error("send_message_async -- too big data");
    std::shared_lock<std::shared_mutex> shared(brokerUse());
    Broker* broker = sbroker();
    if (!broker)
        return false;
    broker->send_message_async(type, static_cast<long long>(replySlot), data, static_cast<int>(length));
    return true;
}

void recycleBuffer(std::vector<char>& buffer)
{
    std::shared_lock<std::shared_mutex> shared(brokerUse());
    if (Broker* broker = sbroker())
        broker->recycle(buffer);
}

void releaseIdleBrokerMemory()
{
    std::shared_lock<std::shared_mutex> shared(brokerUse());
    if (Broker* broker = sbroker())
        broker->releaseIdleMemory();
}

} // namespace Nuvra::VRPC
