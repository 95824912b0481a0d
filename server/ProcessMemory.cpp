#include "server/ProcessMemory.h"

#include "effect/ScratchArena.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace Nuvra::VRPC {

namespace {

#if defined(__GLIBC__)
// Up to the heap's largest threshold: a frame's planes and tables come from
// the heap, not from maps of their own that each free unmaps.
constexpr int kMapThreshold = 32 << 20;
// Freed memory at the top of the heap is kept up to this much.
constexpr int kTrimThreshold = 1 << 30;
// One heap for every thread: a render thread started after a pause finds the
// pages its predecessor freed, and trimming reaches all of them (the heaps
// of other threads are never cut back from their top).
constexpr int kHeaps = 1;
#endif

} // namespace

void keepFreedMemory()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, kMapThreshold);
    mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
    mallopt(M_ARENA_MAX, kHeaps);
#endif
}

void giveBackMemory()
{
    Effect::releaseScratch();
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace Nuvra::VRPC
