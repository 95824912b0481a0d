#pragma once

#include "pixelstore/Geometry.h"

#include <atomic>
#include <cstdint>

namespace Nuvra {
namespace DataStorage {

// A block of 64 x 64 elements of one size, shared by channel slots and the
// uniform-tile cache. References say who holds the tile, reader and writer
// counts who uses its data right now; the tile lives while any of them is
// non-zero. Whether all elements hold one value is recorded lazily.
class TileDescriptor {
public:
    enum TileLock { Read = 0, Write = 1 };
    // Results of monotoneState(); BecameMonotone asks the caller to offer the
    // tile to the cache.
    enum State { NotMonotone = 0, Monotone = 1, Unknown = 2, BecameMonotone = 3 };

    explicit TileDescriptor(int elementSize);
    ~TileDescriptor();
    TileDescriptor(const TileDescriptor&) = delete;
    TileDescriptor& operator=(const TileDescriptor&) = delete;

    void addRef() const noexcept;
    void release() const noexcept;
    void lock(TileLock kind) const noexcept;
    void unlock(TileLock kind) const noexcept;

    // State Unknown: compares every element with the first; on success the
    // tile becomes Monotone, otherwise it stays Unknown.
    bool checkMonotone(int size) const;
    // Compares the rectangle's elements (taken within the tile) with its first;
    // changes nothing.
    bool checkMonotone(int size, const Rect& rect) const;
    void setMonotone(bool monotone) const;
    // Marks a tile that a write may have left uniform: the next reader checks.
    void setUnknown() const noexcept { m_state.store(Unknown, std::memory_order_release); }
    // The value of a uniform tile: the first element.
    void getMonotoneValue(void* out) const;
    // Runs the pending check of an Unknown tile under a read lock and records
    // the outcome; returns BecameMonotone when this call found it uniform.
    int monotoneState() const;

    int state() const noexcept { return m_state.load(std::memory_order_acquire); }
    unsigned char* data() const noexcept { return m_data; }
    int elementSize() const noexcept { return m_elementSize; }
    int refCount() const noexcept { return m_refs.load(); }
    int readers() const noexcept { return m_readers.load(); }
    int writers() const noexcept { return m_writers.load(); }

    // Number of tiles alive in the process (for tests and benchmarks).
    static long liveTiles() noexcept;

private:
    bool scan(int size) const;
    void publishValue() const;
    void dropHold() const noexcept;

    mutable std::atomic<int32_t> m_refs{0};
    mutable std::atomic<int32_t> m_readers{0};
    mutable std::atomic<int32_t> m_writers{0};
    // References plus locks. Only the drop that takes it to zero frees the
    // tile, so a last release racing a last unlock cannot free it twice.
    mutable std::atomic<int32_t> m_holds{0};
    mutable std::atomic<uint32_t> m_value{0};
    unsigned char* m_data;
    mutable std::atomic<int32_t> m_state{NotMonotone};
    int m_elementSize;
};

} // namespace DataStorage
} // namespace Nuvra
