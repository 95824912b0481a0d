#include "pixelstore/TileDescriptor.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace Nuvra {
namespace DataStorage {
namespace {

std::atomic<long> g_liveTiles{0};

constexpr std::uintptr_t kTileAlignment = 64;

// Tiles come from plain malloc, aligned here, with the heap's block address
// just before the data. The heap's own aligned allocation asks for alignment
// room beyond the size and gives back a block without it, so a freed tile
// could never hold the next one: freed tiles piled up beside new ones.
unsigned char* allocateTile(std::size_t bytes)
{
    void* block = std::malloc(bytes + kTileAlignment);
    if (!block)
        throw std::bad_alloc();
    const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(block) + kTileAlignment) & ~(kTileAlignment - 1);
    unsigned char* data = reinterpret_cast<unsigned char*>(start);
    std::memcpy(data - sizeof block, &block, sizeof block);
    return data;
}

void freeTile(unsigned char* data)
{
    void* block = nullptr;
    std::memcpy(&block, data - sizeof block, sizeof block);
    std::free(block);
}

} // namespace

TileDescriptor::TileDescriptor(int elementSize)
    : m_data(allocateTile(std::size_t(elementSize) * kTileElements))
    , m_elementSize(elementSize)
{
    g_liveTiles.fetch_add(1, std::memory_order_relaxed);
}

TileDescriptor::~TileDescriptor()
{
    freeTile(m_data);
    g_liveTiles.fetch_sub(1, std::memory_order_relaxed);
}

long TileDescriptor::liveTiles() noexcept
{
    return g_liveTiles.load(std::memory_order_relaxed);
}

// Every hold is counted in m_holds before its own count goes up and after it
// goes down, so m_holds reaching zero means no reference and no lock remain.
void TileDescriptor::addRef() const noexcept
{
    m_holds.fetch_add(1);
    m_refs.fetch_add(1);
}

void TileDescriptor::release() const noexcept
{
    m_refs.fetch_sub(1);
    dropHold();
}

void TileDescriptor::lock(TileLock kind) const noexcept
{
    m_holds.fetch_add(1);
    (kind == Write ? m_writers : m_readers).fetch_add(1);
}

void TileDescriptor::unlock(TileLock kind) const noexcept
{
    (kind == Write ? m_writers : m_readers).fetch_sub(1);
    dropHold();
}

void TileDescriptor::dropHold() const noexcept
{
    if (m_holds.fetch_sub(1) == 1)
        delete this;
}

// Element i equals element i + 1 for every i exactly when all equal the first.
bool TileDescriptor::scan(int size) const
{
    return std::memcmp(m_data, m_data + size, std::size_t(size) * (kTileElements - 1)) == 0;
}

void TileDescriptor::publishValue() const
{
    uint32_t v;
    std::memcpy(&v, m_data, sizeof v);
    m_value.store(v, std::memory_order_relaxed);
}

bool TileDescriptor::checkMonotone(int size) const
{
    const int s = state();
    if (s != Unknown)
        return s == Monotone;
    if (!scan(size))
        return false;
    publishValue();
    m_state.store(Monotone, std::memory_order_release);
    return true;
}

bool TileDescriptor::checkMonotone(int size, const Rect& rect) const
{
    if (state() == Monotone)
        return true;
    if (rect.isEmpty())
        return true;
    const int left = rect.left & kTileMask;
    const int top = rect.top & kTileMask;
    const int width = std::min(rect.width(), kTileSide - left);
    const int height = std::min(rect.height(), kTileSide - top);
    const std::size_t rowBytes = std::size_t(size) * kTileSide;
    const unsigned char* first = m_data + std::size_t(top) * rowBytes + std::size_t(left) * size;
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = first + std::size_t(y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            if (std::memcmp(row + std::size_t(x) * size, first, std::size_t(size)) != 0)
                return false;
        }
    }
    return true;
}

void TileDescriptor::setMonotone(bool monotone) const
{
    if (monotone)
        publishValue();
    m_state.store(monotone ? Monotone : NotMonotone, std::memory_order_release);
}

void TileDescriptor::getMonotoneValue(void* out) const
{
    if (m_elementSize <= 4) {
        const uint32_t v = m_value.load(std::memory_order_relaxed);
        std::memcpy(out, &v, std::size_t(m_elementSize));
        return;
    }
    lock(Read);
    std::memcpy(out, m_data, std::size_t(m_elementSize));
    unlock(Read);
}

int TileDescriptor::monotoneState() const
{
    const int s = state();
    if (s != Unknown)
        return s;
    lock(Read);
    int result;
    if (state() == Unknown) {
        const bool uniform = scan(m_elementSize);
        if (uniform)
            publishValue();
        int expected = Unknown;
        m_state.compare_exchange_strong(expected, uniform ? Monotone : NotMonotone, std::memory_order_acq_rel);
        result = uniform ? BecameMonotone : state();
    } else {
        result = state();
    }
    // The caller holds a reference (a slot), so this unlock never frees.
    unlock(Read);
    return result;
}

} // namespace DataStorage
} // namespace Nuvra
