#pragma once

#include <cstdint>

namespace Nuvra::Platform {

std::uint64_t currentProcessId();

// True while a process with that id exists and has not exited. 0 and ids
// outside the kernel's pid range name no process (they are never handed to
// kill(), where they would mean a process group); an exited child that has
// not been reaped yet (a zombie) counts as gone.
bool processExists(std::uint64_t pid);

} // namespace Nuvra::Platform
