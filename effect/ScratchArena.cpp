#include "effect/ScratchArena.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <new>
#include <vector>

namespace Nuvra {
namespace Effect {

namespace ScratchDetail {

using Clock = std::chrono::steady_clock;

// Kept blocks of a thread that has not asked for scratch this long go back
// to the system.
constexpr auto kIdle = std::chrono::seconds(5);

struct Block {
    std::size_t capacity;
    void* data;
};

namespace {

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

} // namespace

struct Arena {
    std::mutex mutex;
    std::vector<Block*> kept;
    std::size_t keptBytes = 0;
    Clock::time_point lastUse = Clock::now();
    bool threadAlive = true;

    // Caller holds the mutex.
    void releaseKept()
    {
        for (Block* b : kept) {
            deallocate(b->data, b->capacity);
            delete b;
        }
        kept.clear();
        keptBytes = 0;
    }
};

namespace {

std::mutex g_registryMutex;
std::vector<std::weak_ptr<Arena>> g_registry;
Clock::time_point g_lastSweep;

// Releases the kept blocks of threads that have gone idle; at most once a
// second, by whichever thread asks for scratch.
void sweepIdle(const Arena* self, Clock::time_point now)
{
    std::vector<std::shared_ptr<Arena>> idle;
    {
        std::lock_guard<std::mutex> lock(g_registryMutex);
        if (now - g_lastSweep < std::chrono::seconds(1))
            return;
        g_lastSweep = now;
        g_registry.erase(std::remove_if(g_registry.begin(), g_registry.end(),
                                        [](const std::weak_ptr<Arena>& w) { return w.expired(); }),
                         g_registry.end());
        for (const std::weak_ptr<Arena>& w : g_registry)
            if (std::shared_ptr<Arena> a = w.lock())
                if (a.get() != self)
                    idle.push_back(std::move(a));
    }
    for (const std::shared_ptr<Arena>& a : idle) {
        std::unique_lock<std::mutex> lock(a->mutex, std::try_to_lock);
        if (lock.owns_lock() && now - a->lastUse > kIdle)
            a->releaseKept();
    }
}

struct ThreadArena {
    std::shared_ptr<Arena> arena = std::make_shared<Arena>();

    ThreadArena()
    {
        std::lock_guard<std::mutex> lock(g_registryMutex);
        g_registry.push_back(arena);
    }
    ~ThreadArena()
    {
        std::lock_guard<std::mutex> lock(arena->mutex);
        arena->releaseKept();
        arena->threadAlive = false;
    }
};

const std::shared_ptr<Arena>& threadArena()
{
    thread_local ThreadArena holder;
    return holder.arena;
}

// Best fit among the kept blocks, or a new block once the kept ones, all too
// small, are released.
Block* take(Arena& a, std::size_t bytes)
{
    const std::size_t capacity = roundToPages(bytes);
    std::lock_guard<std::mutex> lock(a.mutex);
    a.lastUse = Clock::now();
    auto best = a.kept.end();
    for (auto it = a.kept.begin(); it != a.kept.end(); ++it)
        if ((*it)->capacity >= capacity && (best == a.kept.end() || (*it)->capacity < (*best)->capacity))
            best = it;
    if (best != a.kept.end()) {
        Block* b = *best;
        a.kept.erase(best);
        a.keptBytes -= b->capacity;
        return b;
    }
    a.releaseKept();
    std::unique_ptr<Block> b(new Block{capacity, nullptr});
    b->data = allocate(capacity);
    return b.release();
}

void giveBack(Arena& a, Block* b)
{
    std::lock_guard<std::mutex> lock(a.mutex);
    if (!a.threadAlive) {
        deallocate(b->data, b->capacity);
        delete b;
        return;
    }
    a.kept.push_back(b);
    a.keptBytes += b->capacity;
}

} // namespace
} // namespace ScratchDetail

using namespace ScratchDetail;

ScratchLease::ScratchLease(std::size_t bytes) : m_arena(threadArena())
{
    sweepIdle(m_arena.get(), Clock::now());
    m_block = take(*m_arena, bytes);
}

ScratchLease::~ScratchLease()
{
    release();
}

ScratchLease::ScratchLease(ScratchLease&& other) noexcept
    : m_arena(std::move(other.m_arena)), m_block(other.m_block)
{
    other.m_block = nullptr;
}

ScratchLease& ScratchLease::operator=(ScratchLease&& other) noexcept
{
    if (this != &other) {
        release();
        m_arena = std::move(other.m_arena);
        m_block = other.m_block;
        other.m_block = nullptr;
    }
    return *this;
}

void* ScratchLease::data() const
{
    return m_block ? m_block->data : nullptr;
}

void ScratchLease::release()
{
    if (m_block)
        giveBack(*m_arena, m_block);
    m_block = nullptr;
    m_arena.reset();
}

std::size_t scratchKeptBytes()
{
    Arena& a = *threadArena();
    std::lock_guard<std::mutex> lock(a.mutex);
    return a.keptBytes;
}

void releaseScratch()
{
    std::vector<std::shared_ptr<Arena>> all;
    {
        std::lock_guard<std::mutex> lock(g_registryMutex);
        for (const std::weak_ptr<Arena>& w : g_registry)
            if (std::shared_ptr<Arena> a = w.lock())
                all.push_back(std::move(a));
    }
    for (const std::shared_ptr<Arena>& a : all) {
        std::lock_guard<std::mutex> lock(a->mutex);
        a->releaseKept();
    }
}

} // namespace Effect
} // namespace Nuvra
