#include "pixelstore/CpuFeatures.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <cpuid.h>
#define MORVELIN_CPUID_X86 1
#endif

namespace Nuvra {
namespace DataStorage {
namespace Simd {

namespace {

struct Features {
    bool sse = false;
    bool sse2 = false;
    bool avx = false;
    bool avx2 = false;
};

Features detect()
{
    Features f;
#if defined(MORVELIN_CPUID_X86)
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid_max(0, nullptr) < 1 || !__get_cpuid(1, &a, &b, &c, &d))
        return f;
    constexpr unsigned kBaseline = 0x07808001u;  // FPU, CMOV, MMX, FXSR, SSE, SSE2
    f.sse = (d & (1u << 25)) != 0;
    f.sse2 = (d & kBaseline) == kBaseline;
    // These also check that the system saves the wide registers.
    __builtin_cpu_init();
    f.avx = f.sse2 && __builtin_cpu_supports("avx");
    f.avx2 = f.avx && __builtin_cpu_supports("avx2");
#endif
    return f;
}

const Features& features()
{
    static const Features f = detect();
    return f;
}

bool environmentForcesPlain()
{
    const char* v = std::getenv("MORVELIN_FORCE_PLAIN");
    return v && std::strcmp(v, "1") == 0;
}

std::atomic<Kernels> g_limit{Kernels::Any};

} // namespace

bool processorHas(Isa isa)
{
    const Features& f = features();
    switch (isa) {
    case Isa::Sse: return f.sse;
    case Isa::Sse2: return f.sse2;
    case Isa::Avx: return f.avx;
    case Isa::Avx2: return f.avx2;
    }
    return false;
}

void limitKernels(Kernels limit)
{
    g_limit.store(limit, std::memory_order_relaxed);
}

bool kernelsMay(Isa isa)
{
    static const bool envPlain = environmentForcesPlain();
    const Kernels limit = envPlain ? Kernels::Plain : g_limit.load(std::memory_order_relaxed);
    switch (limit) {
    case Kernels::Plain: return false;
    case Kernels::Sse2:
        if (isa != Isa::Sse && isa != Isa::Sse2)
            return false;
        break;
    case Kernels::Any: break;
    }
    return processorHas(isa);
}

} // namespace Simd
} // namespace DataStorage
} // namespace Nuvra
