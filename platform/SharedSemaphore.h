#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace Nuvra::Platform {

// A counting semaphore whose whole state is one 32-bit count, so it can live
// in a file that several processes map. A wait takes one unit when the count
// is positive; otherwise it sleeps in the kernel (a shared futex) until a post
// or the deadline. A post of ours wakes a sleeper at once; a peer that posts
// by the atomic increment alone is seen within 50 ms, as no sleep lasts
// longer. Nothing spins, so an idle waiter costs next to no processor time.
enum class SemWait { Acquired, TimedOut, Stopped };

// Takes one unit if the count is positive.
bool semTryWait(std::uint32_t* count);

// Waits for one unit until `deadline` (monotonic clock). `stop` is asked
// before every sleep and after every wake-up; when it answers true the wait
// ends with Stopped without taking a unit. A stop condition must be followed
// by a post or semWakeAll on the count to reach a sleeping waiter.
SemWait semWaitUntil(std::uint32_t* count, std::chrono::steady_clock::time_point deadline,
                     const std::function<bool()>& stop = {});

// Adds one unit and wakes one sleeping waiter.
void semPost(std::uint32_t* count);

// Wakes every sleeping waiter without changing the count.
void semWakeAll(std::uint32_t* count);

// Plain atomic access to the count, for set-up and inspection.
void semStore(std::uint32_t* count, std::uint32_t value);
std::uint32_t semLoad(const std::uint32_t* count);

// Ordering that passes through another process, or through a second mapping
// of the same file in this process, is invisible to the thread sanitizer;
// these two tell it, keyed by one address per shared object. They do nothing
// in other builds.
void annotateRelease(const void* key);
void annotateAcquire(const void* key);

} // namespace Nuvra::Platform
