#include "platform/SharedSemaphore.h"

#include <algorithm>
#include <climits>
#include <ctime>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#if defined(__SANITIZE_THREAD__)
#define NUVRA_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define NUVRA_TSAN 1
#endif
#endif

#ifdef NUVRA_TSAN
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace Nuvra::Platform {

namespace {

constexpr auto kUnwokenPostBound = std::chrono::milliseconds(50);

// Shared (not private) futex operations: the word may be mapped by another
// process at another address.
long futexWaitUntil(std::uint32_t* word, std::uint32_t expected, const timespec* absMonotonic)
{
    return syscall(SYS_futex, word, FUTEX_WAIT_BITSET, expected, absMonotonic, nullptr,
                   FUTEX_BITSET_MATCH_ANY);
}

void futexWake(std::uint32_t* word, int count)
{
    syscall(SYS_futex, word, FUTEX_WAKE, count, nullptr, nullptr, 0);
}

timespec toTimespec(std::chrono::steady_clock::time_point t)
{
    // steady_clock is CLOCK_MONOTONIC on Linux, the clock FUTEX_WAIT_BITSET
    // uses for its absolute time-out.
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
    timespec ts;
    ts.tv_sec = static_cast<time_t>(ns / 1000000000);
    ts.tv_nsec = static_cast<long>(ns % 1000000000);
    return ts;
}

} // namespace

bool semTryWait(std::uint32_t* count)
{
    std::uint32_t value = __atomic_load_n(count, __ATOMIC_RELAXED);
    while (value > 0) {
        if (__atomic_compare_exchange_n(count, &value, value - 1, true, __ATOMIC_ACQUIRE,
                                        __ATOMIC_RELAXED))
            return true;
    }
    return false;
}

SemWait semWaitUntil(std::uint32_t* count, std::chrono::steady_clock::time_point deadline,
                     const std::function<bool()>& stop)
{
    for (;;) {
        if (semTryWait(count))
            return SemWait::Acquired;
        if (stop && stop())
            return SemWait::Stopped;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return SemWait::TimedOut;
        // Sleeps only while the count is still 0; a post in between changes
        // the word and the kernel returns at once (EAGAIN). A peer may post
        // by the increment alone, without a wake: no sleep outlasts the
        // bound, so its unit is seen all the same.
        const timespec until = toTimespec(std::min(deadline, now + kUnwokenPostBound));
        futexWaitUntil(count, 0, &until);
    }
}

void semPost(std::uint32_t* count)
{
    __atomic_fetch_add(count, 1u, __ATOMIC_RELEASE);
    futexWake(count, 1);
}

void semWakeAll(std::uint32_t* count)
{
    futexWake(count, INT_MAX);
}

void semStore(std::uint32_t* count, std::uint32_t value)
{
    __atomic_store_n(count, value, __ATOMIC_RELEASE);
}

void annotateRelease(const void* key)
{
#ifdef NUVRA_TSAN
    __tsan_release(const_cast<void*>(key));
#else
    (void)key;
#endif
}

void annotateAcquire(const void* key)
{
#ifdef NUVRA_TSAN
    __tsan_acquire(const_cast<void*>(key));
#else
    (void)key;
#endif
}

std::uint32_t semLoad(const std::uint32_t* count)
{
    return __atomic_load_n(count, __ATOMIC_ACQUIRE);
}

} // namespace Nuvra::Platform
