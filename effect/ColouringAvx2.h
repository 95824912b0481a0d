#pragma once

// Internal to the colouring stage: the per-pixel bodies on eight AVX2 lanes,
// each lane computing exactly the operations of the plain body in the same
// order. Built with AVX2 (ColouringAvx2.cpp) and reached only when the kernel
// switch allows it.

#include "effect/Colouring.h"

#include <cstdint>

namespace Nuvra {
namespace Effect {
namespace ColouringAvx2 {

// Both handle the first floor(count / 8) * 8 elements and return how many.
int toneSpan(const ColouringContext& ctx, float* lum, const float* noise, int count);
int paintSpan(ColourBody body, const ColouringContext& ctx, const float* lum, const float* noise, std::uint8_t* r,
              std::uint8_t* g, std::uint8_t* b, int count);

} // namespace ColouringAvx2
} // namespace Effect
} // namespace Nuvra
