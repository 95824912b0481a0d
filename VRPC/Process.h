#pragma once

#include <cstdint>

namespace Nuvra::VRPC {

// A process handle is the process id itself on this platform.
bool processIsRunningSlave(const unsigned long long& id);
unsigned long long processFromNumberSlave(unsigned long long n);
unsigned long long currentProcessNumber();

// Scope of per-thread autoreleased objects; nothing to release here.
class AutoreleasePool {
public:
    AutoreleasePool() = default;
    AutoreleasePool(const AutoreleasePool&) = delete;
    AutoreleasePool& operator=(const AutoreleasePool&) = delete;
};

} // namespace Nuvra::VRPC
