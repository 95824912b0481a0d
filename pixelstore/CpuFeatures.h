#pragma once

// The one place that asks the processor what it offers, and the one switch
// that limits which vector kernels may run. Every vector path of the store
// and the effect asks kernelsMay() before it runs; all paths give
// bit-identical results, so the switch changes speed only.

namespace Nuvra {
namespace DataStorage {
namespace Simd {

// Instruction sets the kernels are written for, narrowest first. Sse2 stands
// for the whole baseline: FPU, CMOV, MMX, FXSR, SSE and SSE2.
enum class Isa { Sse, Sse2, Avx, Avx2 };

// Whether the processor offers the set (and the system saves its registers).
// Asked once per process.
bool processorHas(Isa isa);

// Any: the widest kernels the processor offers; Sse2: SSE and SSE2 kernels
// only; Plain: the scalar paths alone.
enum class Kernels { Plain, Sse2, Any };

// Caps the kernels for the whole process; Any restores the default. Also
// forced to Plain by MORVELIN_FORCE_PLAIN=1 in the environment.
void limitKernels(Kernels limit);

// Whether kernels of this set may run now.
bool kernelsMay(Isa isa);

} // namespace Simd
} // namespace DataStorage
} // namespace Nuvra
