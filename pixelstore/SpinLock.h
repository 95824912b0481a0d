#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace Nuvra {
namespace DataStorage {

// One-byte lock for short critical sections (a channel's slot vector). Not
// recursive. Yields now and then so that an oversubscribed machine still
// lets the holder run.
class SpinLock {
public:
    void lock() noexcept
    {
        for (unsigned spins = 0; m_flag.exchange(1, std::memory_order_acquire) != 0;) {
            while (m_flag.load(std::memory_order_relaxed) != 0) {
                if (++spins % 256 == 0)
                    std::this_thread::yield();
            }
        }
    }
    void unlock() noexcept { m_flag.store(0, std::memory_order_release); }

private:
    std::atomic<uint8_t> m_flag{0};
};

} // namespace DataStorage
} // namespace Nuvra
