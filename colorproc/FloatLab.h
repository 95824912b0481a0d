#pragma once

#include <cstdint>

namespace Nuvra {
namespace DataStorage {

// Float Lab planes without a profile hold L, a and b in 0..1. The colour
// processors scale a and b by 65280 into working samples whose neutral is
// 0x8000, so the neutral float is 128/255; 0.5 would land half a step off
// and tint every grey slightly.
constexpr float kFloatLabNeutral = 128.0f / 255.0f;

// A float Lab sample as the processors' 16-bit working code (L = 100 at
// 0xFF00, a = b = 0 at 0x8000). The clamp happens on the float, so NaN and
// huge values never reach an integer conversion.
inline std::uint16_t floatLabToWork(float v)
{
    const float x = v * 65280.0f;
    if (!(x > 0.0f))
        return 0;
    if (x >= 65535.0f)
        return 0xFFFF;
    return std::uint16_t(x + 0.5f);
}

// The float Lab sample of a working code. Every float it gives turns back
// into a code that gives the same float, so a float Lab channel can be kept
// in half its size.
inline float floatLabFromWork(std::uint16_t w)
{
    return w > 0xFF00 ? 1.0f : float(w) * 1.5318628356908448e-5f;
}

} // namespace DataStorage
} // namespace Nuvra
