#pragma once

#include <cmath>
#include <cstdint>

namespace Nuvra {
namespace CMM {

// The one float-to-integer path of the engine: NaN gives 0, the value is
// clamped before it is converted (so no conversion is ever out of range),
// and halves round away from zero.
inline int32_t SaturateRound(double v, int32_t lo, int32_t hi)
{
    if (!(v == v))
        return 0 < lo ? lo : (0 > hi ? hi : 0);
    if (v <= double(lo))
        return lo;
    if (v >= double(hi))
        return hi;
    // std::round is exact; floor(v + 0.5) rounds the double just below 0.5 up.
    return static_cast<int32_t>(std::round(v));
}

inline uint16_t SaturateWord(double v)
{
    return static_cast<uint16_t>(SaturateRound(v, 0, 0xFFFF));
}

inline int32_t SaturateInt32(double v)
{
    return SaturateRound(v, INT32_MIN, INT32_MAX);
}

inline bool IsFinite(double v) { return std::isfinite(v); }

} // namespace CMM
} // namespace Nuvra
