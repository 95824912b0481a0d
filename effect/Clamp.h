#pragma once

#include <cmath>

namespace Nuvra {
namespace Effect {

// Clamps to 0..1; NaN becomes 0 so a bad value can never spread.
inline float clamp01(float v)
{
    return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
}

// Rounds half away from zero: 0.5 with the value's sign added, then truncated.
inline float roundHalfAway(float v)
{
    return std::trunc(v + std::copysign(0.5f, v));
}

} // namespace Effect
} // namespace Nuvra
