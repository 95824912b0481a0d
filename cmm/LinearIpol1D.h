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

    // Eval016 of count samples `inStride` apart into outputs `outStride`
    // apart, eight at a time in AVX2 lanes; only where those may run.
    void Eval016RunWide(const uint16_t* in, int inStride, uint16_t* out, int outStride, int count,
                        const uint16_t* table) const;

    // The runs of 0 and 65535 at the ends of a table, which bound the inverse's
    // search. Computed once when one table is inverted many times.
    struct ReverseRuns {
        bool decreasing = false; // searched from the end
        int64_t zeros = 0;       // index of the first non-zero entry, 0 when the first is not 0
        int64_t poles = 0;       // trailing entries equal to 65535, at most domain
    };
    ReverseRuns Runs(const uint16_t* table) const;

    // The x whose lookup gives y; increasing and decreasing tables alike.
    uint16_t EvalReverse016(uint16_t y, const uint16_t* table) const;
    uint16_t EvalReverse016(uint16_t y, const uint16_t* table, const ReverseRuns& runs) const;
};

} // namespace CMM
} // namespace Nuvra
