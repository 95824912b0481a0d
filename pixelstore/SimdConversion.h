#pragma once

#include "pixelstore/CpuFeatures.h"

#include <cstdint>

namespace Nuvra {
namespace DataStorage {
namespace Simd {

struct InstructionTraits {
    // Vector level the processor offers: 1 with FPU, CMOV, MMX, FXSR, SSE and
    // SSE2, else 0. Asked once per process.
    static int Current();
};

// Level the element conversions actually use: Current(), or 0 when the
// kernel switch (CpuFeatures.h) allows no SSE2 kernels.
int activeLevel();

// Vector conversion of the first floor(count / 16) * 16 elements; returns how
// many it converted. Pairs without a vector form convert nothing.
template <int Level, typename Tag, typename Dst, typename Src>
struct transform {
    static int Eval(int, Dst*, const Src*) { return 0; }
};

// The six forms between 8-bit, 16-bit and float elements. Float sources
// saturate to the integer range and NaN becomes 0, exactly as the plain rule.
template <>
struct transform<1, void, std::uint8_t, std::uint16_t> {
    static int Eval(int count, std::uint8_t* dst, const std::uint16_t* src);
};
template <>
struct transform<1, void, std::uint8_t, float> {
    static int Eval(int count, std::uint8_t* dst, const float* src);
};
template <>
struct transform<1, void, std::uint16_t, std::uint8_t> {
    static int Eval(int count, std::uint16_t* dst, const std::uint8_t* src);
};
template <>
struct transform<1, void, std::uint16_t, float> {
    static int Eval(int count, std::uint16_t* dst, const float* src);
};
template <>
struct transform<1, void, float, std::uint8_t> {
    static int Eval(int count, float* dst, const std::uint8_t* src);
};
template <>
struct transform<1, void, float, std::uint16_t> {
    static int Eval(int count, float* dst, const std::uint16_t* src);
};

// Pixels of four 8-bit samples (sample k at byte k) against four float rows
// holding one element of each pixel: the first floor(count / 16) * 16
// pixels, returning how many, by the element rules lane for lane. Split
// skips the samples of a null row; join takes fill[k] for a null row's
// sample.
int splitU8x4ToFloat(int count, float* const rows[4], const std::uint8_t* pixels);
int joinFloatToU8x4(int count, std::uint8_t* pixels, const float* const rows[4], const std::uint8_t fill[4]);
// The same between four-byte pixels and four 8-bit rows: plain moves.
int splitU8x4(int count, std::uint8_t* const rows[4], const std::uint8_t* pixels);
int joinU8x4(int count, std::uint8_t* pixels, const std::uint8_t* const rows[4], const std::uint8_t fill[4]);

} // namespace Simd
} // namespace DataStorage
} // namespace Nuvra
