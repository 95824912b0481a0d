#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

// Hand-off of about-box requests from the broker's receiver thread to the
// main thread. The receiver only records the request and goes on reading
// (renders keep flowing while the box is open); the main loop shows the box
// and answers every request that waited for it once it is closed.

namespace Nuvra::VRPC {

class DialogHandoff {
public:
    // Receiver thread: records a request answered by `replySlot`; never waits.
    void request(std::uint64_t replySlot);

    // Main thread, from its loop: when requests wait, runs `show` (modal, on
    // the calling thread, no lock held), then replies "dialog done" to each
    // request that came before the box closed. True when `show` ran. A throw
    // from `show` still answers the requests and then passes on.
    bool serve(const std::function<void()>& show);

    bool pending() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::uint64_t> m_replySlots;
};

// The application's one hand-off.
extern DialogHandoff dlgFlag;

} // namespace Nuvra::VRPC
