#pragma once

#include <cstdint>

// Conversions between the host's pixels and the 8-bit A, R, G, B pixels that
// travel to the child. One place decides each rounding.
namespace Nuvra::OFX {

// 16-bit to 8-bit: floor((c * 255 + 32768) / 65535).
inline std::uint8_t toByte(std::uint16_t c)
{
    return static_cast<std::uint8_t>((static_cast<std::uint32_t>(c) * 255u + 32768u) / 65535u);
}

// Float to 8-bit: c * 255 + 0.5 clamped in floating point before it is
// truncated, so out-of-range values and NaN (which gives 0) never reach the
// integer conversion.
inline std::uint8_t toByte(float c)
{
    const float v = c * 255.0f + 0.5f;
    if (!(v >= 0.0f))
        return 0;
    if (v >= 255.0f)
        return 255;
    return static_cast<std::uint8_t>(v);
}

inline std::uint8_t toByte(std::uint8_t c)
{
    return c;
}

template <typename T> T fromByte(std::uint8_t v);

template <> inline std::uint8_t fromByte<std::uint8_t>(std::uint8_t v)
{
    return v;
}

// v * 257 is exactly floor((v * 65535 + 128) / 255).
template <> inline std::uint16_t fromByte<std::uint16_t>(std::uint8_t v)
{
    return static_cast<std::uint16_t>(v * 257u);
}

template <> inline float fromByte<float>(std::uint8_t v)
{
    return static_cast<float>(v) / 255.0f;
}

} // namespace Nuvra::OFX
