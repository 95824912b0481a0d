#pragma once

// Working memory of the effect's stages, reused across stages, frames and
// threads. Fresh buffers of several megabytes cost a page fault per page on
// every frame, and a render thread that starts after a pause would pay them
// all again; a block kept by the process-wide pool is handed out instead,
// to whichever thread asks next. Blocks hold indeterminate values: callers
// write before they read.
//
// Bounds: a request that no kept block fits releases the kept blocks first,
// so the pool never holds more than the largest set of buffers live at once.
// Kept blocks stay until releaseScratch(): the application gives them back
// once it has been idle for a while.

#include <cstddef>
#include <type_traits>

namespace Nuvra {
namespace Effect {

// A block of at least `bytes` bytes, 64-byte aligned, from the process-wide
// pool; returned to it when the lease ends.
class ScratchLease {
public:
    ScratchLease() = default;
    explicit ScratchLease(std::size_t bytes);
    ~ScratchLease();
    ScratchLease(ScratchLease&& other) noexcept;
    ScratchLease& operator=(ScratchLease&& other) noexcept;
    ScratchLease(const ScratchLease&) = delete;
    ScratchLease& operator=(const ScratchLease&) = delete;

    void* data() const { return m_data; }
    // Gives the block back now.
    void release();

private:
    void* m_data = nullptr;
    std::size_t m_capacity = 0;
};

// `count` elements of a trivial type on a leased block.
template <typename T>
class ScratchBuffer {
    static_assert(std::is_trivially_copyable<T>::value && std::is_trivially_destructible<T>::value,
                  "scratch holds plain values only");

public:
    ScratchBuffer() = default;
    explicit ScratchBuffer(std::size_t count) : m_lease(count * sizeof(T)), m_count(count) {}

    T* data() const { return static_cast<T*>(m_lease.data()); }
    std::size_t size() const { return m_count; }
    T& operator[](std::size_t i) const { return data()[i]; }
    void release()
    {
        m_lease.release();
        m_count = 0;
    }

private:
    ScratchLease m_lease;
    std::size_t m_count = 0;
};

// Bytes the pool keeps for reuse (live leases excluded).
std::size_t scratchKeptBytes();
// Gives every kept block back to the system; live leases are not affected.
void releaseScratch();

} // namespace Effect
} // namespace Nuvra
