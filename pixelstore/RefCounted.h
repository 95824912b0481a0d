#pragma once

#include <atomic>
#include <cstdint>

namespace Nuvra {

// The only lock policy: every change of the count is a sequentially
// consistent atomic read-modify-write.
struct MultiThreadedLocks {
    using Counter = std::atomic<int32_t>;
    static void increment(Counter& c) noexcept { c.fetch_add(1, std::memory_order_seq_cst); }
    // Returns the value before the decrement.
    static int32_t decrement(Counter& c) noexcept { return c.fetch_sub(1, std::memory_order_seq_cst); }
};

// Intrusive reference-counted base. A new object (also one made by copy)
// starts at count 0 and belongs to whoever made it until a SmartPtr takes it;
// the release that takes the count from 1 to 0 deletes it.
template <class LockPolicy = MultiThreadedLocks>
class RefCounted {
public:
    RefCounted() noexcept : m_refs(0) {}
    RefCounted(const RefCounted&) noexcept : m_refs(0) {}
    RefCounted& operator=(const RefCounted&) noexcept { return *this; }
    virtual ~RefCounted() = default;

    void addRef() const noexcept { LockPolicy::increment(m_refs); }
    void release() const noexcept {
        if (LockPolicy::decrement(m_refs) == 1)
            delete this;
    }
    int32_t refCount() const noexcept { return m_refs.load(std::memory_order_seq_cst); }

private:
    mutable typename LockPolicy::Counter m_refs;
};

} // namespace Nuvra
