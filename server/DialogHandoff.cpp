#include "server/DialogHandoff.h"

#include "server/ServerBroker.h"
#include "VRPC/Log.h"
#include "VRPC/Messages.h"

#include <exception>

namespace Nuvra::VRPC {

DialogHandoff dlgFlag;

namespace {

void answer(const std::vector<std::uint64_t>& replySlots)
{
    for (const std::uint64_t slot : replySlots) {
        try {
            sendReply(S2M_DialogDone, slot, nullptr, 0);
        } catch (const std::exception& e) {
            writeError("dialog reply failed: %s\n", e.what());
        }
    }
}

} // namespace

void DialogHandoff::request(std::uint64_t replySlot)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_replySlots.push_back(replySlot);
}

bool DialogHandoff::pending() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_replySlots.empty();
}

bool DialogHandoff::serve(const std::function<void()>& show)
{
    if (!pending())
        return false;
    std::exception_ptr failure;
    try {
        show();
    } catch (...) {
        failure = std::current_exception();
    }
    // Everyone who asked while the box was open has now seen it close.
    std::vector<std::uint64_t> slots;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        slots.swap(m_replySlots);
    }
    answer(slots);
    if (failure)
        std::rethrow_exception(failure);
    return true;
}

} // namespace Nuvra::VRPC
