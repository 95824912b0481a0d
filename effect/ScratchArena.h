#pragma once

// Working memory of the effect's stages, reused across stages and frames on
// the same thread. Fresh buffers of several megabytes cost a page fault per
// page on every frame; a block kept by the thread's arena is handed out again
// instead. Blocks hold indeterminate values: callers write before they read.
//
// Bounds: a request that no kept block fits releases the kept blocks first,
// so a thread never holds more than its largest set of live buffers. Kept
// blocks are released when their thread ends, and those of a thread that has
// not rendered for a while are released by the next thread that does.

#include <cstddef>
#include <memory>
#include <type_traits>

namespace Nuvra {
namespace Effect {

namespace ScratchDetail {
struct Arena;
struct Block;
} // namespace ScratchDetail

// A block of at least `bytes` bytes, 64-byte aligned, from the calling
// thread's arena; returned to it when the lease ends.
class ScratchLease {
public:
    ScratchLease() = default;
    explicit ScratchLease(std::size_t bytes);
    ~ScratchLease();
    ScratchLease(ScratchLease&& other) noexcept;
    ScratchLease& operator=(ScratchLease&& other) noexcept;
    ScratchLease(const ScratchLease&) = delete;
    ScratchLease& operator=(const ScratchLease&) = delete;

    void* data() const;
    // Gives the block back now.
    void release();

private:
    std::shared_ptr<ScratchDetail::Arena> m_arena;
    ScratchDetail::Block* m_block = nullptr;
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

// Bytes the calling thread's arena keeps for reuse (live leases excluded).
std::size_t scratchKeptBytes();
// Releases every kept block of every thread.
void releaseScratch();

} // namespace Effect
} // namespace Nuvra
