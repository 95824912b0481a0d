#pragma once

#include "cmm/FixedPoint.h"

#include <cstdint>

namespace Nuvra {
namespace CMM {

// One-dimensional lookup with linear interpolation over a table of `count`
// 16-bit entries spread over 0..65535, and its numerical inverse.
struct cLinearIpol1D {
    uint32_t count = 0;
    int32_t domain = 0; // count - 1; 0 when empty

    cLinearIpol1D() = default;
    explicit cLinearIpol1D(uint32_t entries)
        : count(entries), domain(entries ? int32_t(entries) - 1 : 0)
    {
    }

    // The table must hold `count` (at least one) entries.
    uint16_t Eval016(uint16_t v, const uint16_t* table) const
    {
        return static_cast<uint16_t>(Eval016To1516(v, table));
    }

    uint32_t Eval016To1516(uint16_t v, const uint16_t* table) const
    {
        const FixedPos p = ToFixedPos(v, uint32_t(domain));
        // A zero rest needs no neighbour; this also covers v = 65535 and
        // one-entry tables, where cell + 1 would be past the end.
        if (p.rest == 0)
            return table[p.cell];
        return uint32_t(Lerp16(table[p.cell], table[p.cell + 1], p.rest));
    }

    // The x whose lookup gives y; increasing and decreasing tables alike.
    uint16_t EvalReverse016(uint16_t y, const uint16_t* table) const;
};

} // namespace CMM
} // namespace Nuvra
