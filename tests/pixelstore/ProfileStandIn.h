#pragma once

#include "pixelstore/ProfileHandle.h"

#include <atomic>

// Stand-in for the colour engine's profile class, which the pixel store holds
// only by handle; counts live objects so tests see releases.
namespace Nuvra {
namespace CMM {

class cProfile : public RefCounted<MultiThreadedLocks> {
public:
    cProfile() { ++alive(); }
    ~cProfile() override { --alive(); }
    static std::atomic<int>& alive()
    {
        static std::atomic<int> count{0};
        return count;
    }
};

} // namespace CMM
} // namespace Nuvra
