#include "effect/ScratchArena.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace Nuvra {
namespace Effect {

namespace {

struct Block {
    std::size_t capacity;
    void* data;
};

#if defined(__SANITIZE_ADDRESS__)
// Heap blocks, so that the address sanitizer sees every access.
void* allocate(std::size_t bytes)
{
    return ::operator new(bytes, std::align_val_t(64));
}
void deallocate(void* p, std::size_t)
{
    ::operator delete(p, std::align_val_t(64));
}
#else
// Whole pages straight from the system: freeing really returns them, which
// the heap does not promise for blocks of a few megabytes.
void* allocate(std::size_t bytes)
{
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    return p;
}
void deallocate(void* p, std::size_t bytes)
{
    munmap(p, bytes);
}
#endif

std::size_t roundToPages(std::size_t bytes)
{
    static const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    const std::size_t b = std::max<std::size_t>(bytes, 1);
    if (b > ~std::size_t(0) - page)
        throw std::bad_alloc();
    return (b + page - 1) / page * page;
}

struct Pool {
    std::mutex mutex;
    std::vector<Block> kept;
    std::size_t keptBytes = 0;

    // Takes the kept blocks out, to be freed outside the lock.
    std::vector<Block> takeKept()
    {
        std::vector<Block> out;
        out.swap(kept);
        keptBytes = 0;
        return out;
    }
};

// Kept past exit: a render may still end after static destruction began.
Pool& pool()
{
    static Pool* p = new Pool;
    return *p;
}

void freeBlocks(const std::vector<Block>& blocks)
{
    for (const Block& b : blocks)
        deallocate(b.data, b.capacity);
}

// Best fit among the kept blocks, or a new block once the kept ones, all too
// small, are released.
Block take(std::size_t bytes)
{
    const std::size_t capacity = roundToPages(bytes);
    Pool& p = pool();
    std::vector<Block> tooSmall;
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        auto best = p.kept.end();
        for (auto it = p.kept.begin(); it != p.kept.end(); ++it)
            if (it->capacity >= capacity && (best == p.kept.end() || it->capacity < best->capacity))
                best = it;
        if (best != p.kept.end()) {
            const Block b = *best;
            p.kept.erase(best);
            p.keptBytes -= b.capacity;
            return b;
        }
        tooSmall = p.takeKept();
    }
    freeBlocks(tooSmall);
    return Block{capacity, allocate(capacity)};
}

void giveBack(const Block& b)
{
    Pool& p = pool();
    std::lock_guard<std::mutex> lock(p.mutex);
    p.kept.push_back(b);
    p.keptBytes += b.capacity;
}

} // namespace

ScratchLease::ScratchLease(std::size_t bytes)
{
    const Block b = take(bytes);
    m_data = b.data;
    m_capacity = b.capacity;
}

ScratchLease::~ScratchLease()
{
    release();
}

ScratchLease::ScratchLease(ScratchLease&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_capacity(std::exchange(other.m_capacity, 0))
{
}

ScratchLease& ScratchLease::operator=(ScratchLease&& other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

void ScratchLease::release()
{
    if (m_data)
        giveBack(Block{m_capacity, m_data});
    m_data = nullptr;
    m_capacity = 0;
}

std::size_t scratchKeptBytes()
{
    Pool& p = pool();
    std::lock_guard<std::mutex> lock(p.mutex);
    return p.keptBytes;
}

void releaseScratch()
{
    Pool& p = pool();
    std::vector<Block> kept;
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        kept = p.takeKept();
    }
    freeBlocks(kept);
}

} // namespace Effect
} // namespace Nuvra
