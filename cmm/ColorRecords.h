#pragma once

#include <cstdint>

namespace Nuvra {
namespace CMM {

struct sCIExyY;
struct sCIELab;

// Plain colour records: no constructors, zero-filled by callers that need
// defaults. Y of the media white is 1.0; Lab is relative to the D50 white.
struct sCIEXYZ {
    float X, Y, Z;

    sCIEXYZ& Set(const sCIExyY& v);
    sCIEXYZ& Set(const sCIELab& v);
    // 1.15 encoding: value x 32768, 0 .. 0xFFFF.
    sCIEXYZ& SetFromFixed115(const uint16_t v[3]);
    void ToFixed115(uint16_t out[3]) const;
};

struct sCIExyY {
    float x, y, Y;

    sCIExyY& Set(const sCIEXYZ& v);
    // Daylight chromaticity for 4000..25000 K; false (record unchanged) otherwise.
    bool SetWhitePointFromTemp(int kelvin);
};

struct sCIELab {
    float L, a, b;

    sCIELab& Set(const sCIEXYZ& v);
    // 16-bit encoding: L x 652.8 (100 -> 0xFF00), a and b (v + 128) x 256.
    sCIELab& SetFromFixed(const uint16_t v[3]);
    void ToFixed(uint16_t out[3]) const;
    float DeltaE(const sCIELab& other) const;
};

struct sCIExyYTriple {
    sCIExyY red, green, blue;
};

// The fixed PCS white of every conversion above.
constexpr float kD50X = 0.9642f;
constexpr float kD50Y = 1.0f;
constexpr float kD50Z = 0.8249f;

inline sCIEXYZ D50XYZ() { return sCIEXYZ{kD50X, kD50Y, kD50Z}; }

} // namespace CMM
} // namespace Nuvra
