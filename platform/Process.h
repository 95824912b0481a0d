#pragma once

#include <cstdint>

namespace Nuvra::Platform {

std::uint64_t currentProcessId();

// True while a process with that id exists and has not exited. 0 and ids
// outside the kernel's pid range name no process (they are never handed to
// kill(), where they would mean a process group); an exited child that has
// not been reaped yet (a zombie) counts as gone.
bool processExists(std::uint64_t pid);

// The kernel's id of the calling thread.
std::uint64_t currentThreadId();

// True while the thread of that kernel id, in this process, has not ended:
// a thread joined or waited for may still be running its exit handlers.
bool threadExists(std::uint64_t tid);

} // namespace Nuvra::Platform
