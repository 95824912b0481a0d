#pragma once

#include <cstdint>

namespace Nuvra {
namespace CMM {

// Position of a 16-bit sample on an axis of `domain` cells: the cell and the
// 16-bit rest inside it. 64-bit so that domains up to 65534 cannot overflow.
struct FixedPos {
    uint32_t cell;
    uint32_t rest;
};

inline FixedPos ToFixedPos(uint32_t v, uint32_t domain)
{
    const uint64_t p = uint64_t(v) * domain;
    const uint64_t f = p + (p + 32767) / 65535;
    return FixedPos{uint32_t(f >> 16), uint32_t(f & 0xFFFF)};
}

// The two nodes a sample falls between on one grid axis: their offsets
// (the last node is its own upper neighbour) and the rest between them.
struct AxisNodes {
    int32_t lo;
    int32_t hi;
    uint32_t rest;
};

inline AxisNodes ToAxisNodes(uint32_t v, uint32_t domain, int32_t stride)
{
    const FixedPos p = ToFixedPos(v, domain);
    const int32_t lo = int32_t(p.cell) * stride;
    return AxisNodes{lo, v == 0xFFFF ? lo : lo + stride, p.rest};
}

// a + ((b - a) x rest + 0x8000) >> 16 with a 64-bit product: neighbours
// that differ by more than 32767 would overflow 32 bits.
inline int32_t Lerp16(int32_t a, int32_t b, uint32_t rest)
{
    return a + static_cast<int32_t>((int64_t(b - a) * rest + 0x8000) >> 16);
}

// 0..65535 to the 16.16 domain (65535 -> 0x10000) and back.
inline int32_t ToFixedDomain(int32_t v)
{
    return v + (v + 32767) / 65535;
}

inline int64_t FromFixedDomain(int64_t r)
{
    return r - ((r + 32767) >> 16);
}

inline uint16_t ClampWord(int64_t v)
{
    return static_cast<uint16_t>(v < 0 ? 0 : (v > 0xFFFF ? 0xFFFF : v));
}

} // namespace CMM
} // namespace Nuvra
