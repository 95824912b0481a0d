#include "cmm/LinearIpol1D.h"

#include "cmm/Saturate.h"

#include <cmath>

namespace Nuvra {
namespace CMM {

namespace {

struct Forward {
    const uint16_t* t;
    int32_t domain;
    int64_t operator[](int64_t i) const { return t[i]; }
};

// A decreasing table read from its end, which makes it increasing.
struct Mirrored {
    const uint16_t* t;
    int32_t domain;
    int64_t operator[](int64_t i) const { return t[domain - i]; }
};

template <class Table>
int64_t EvalAt(uint16_t v, const Table& t)
{
    const FixedPos p = ToFixedPos(v, uint32_t(t.domain));
    if (p.rest == 0)
        return t[p.cell];
    return Lerp16(int32_t(t[p.cell]), int32_t(t[p.cell + 1]), p.rest);
}

template <class Table>
uint16_t ReverseSearch(uint16_t y, const Table& t)
{
    const int64_t domain = t.domain;

    int64_t zeros = 0;
    if (t[0] == 0) {
        zeros = domain;
        for (int64_t i = 1; i <= domain; ++i)
            if (t[i] != 0) {
                zeros = i;
                break;
            }
    }
    if (y == 0 && zeros == 0)
        return 0;

    int64_t poles = 0;
    for (int64_t i = domain; i >= 0 && poles < domain && t[i] == 0xFFFF; --i)
        ++poles;

    int64_t low = 1, high = 0x10000, mid = 1;
    bool search = true;
    if (zeros >= 2 || poles >= 2) {
        if (y == 0)
            return 0;
        low = zeros > 1 ? ((zeros - 1) * 65535) / domain - 1 : 1;
        // Up to the first node of the run, as low starts at the last zero
        // node: the segment that rises into the run is searched too.
        high = poles >= 2 ? ((domain - poles + 1) * 65535) / domain + 1 : 0x10000;
        if (high <= low || (low >= 0x10000 && poles < 2))
            search = false;
    }

    // Inclusive bounds: the last candidate is tested too.
    while (search && high >= low) {
        mid = (low + high) / 2;
        const int64_t x = mid < 1 ? 0 : (mid > 0x10000 ? 0xFFFF : mid - 1);
        const int64_t r = EvalAt(uint16_t(x), t);
        if (r == y)
            return uint16_t(x);
        if (r < y)
            low = mid + 1;
        else
            high = mid - 1;
    }
    if (mid < 1)
        mid = 1;

    const double pos = double(mid - 1) / 65535.0 * double(domain);
    const int64_t c0 = int64_t(std::floor(pos));
    const int64_t c1 = int64_t(std::ceil(pos));
    // On a node the candidate itself (mid - 1) is the answer.
    if (c0 == c1)
        return SaturateWord(double(mid - 1));
    const double x0 = double(c0) * 65535.0 / double(domain);
    const double x1 = double(c1) * 65535.0 / double(domain);
    const double slope = double(t[c1] - t[c0]) / (x1 - x0);
    if (std::fabs(slope) < 0.01)
        return SaturateWord(double(mid - 1));
    const double a = double(t[c0]) - slope * x0;
    return SaturateWord((double(y) - a) / slope);
}

} // namespace

uint16_t cLinearIpol1D::EvalReverse016(uint16_t y, const uint16_t* table) const
{
    if (count == 0)
        return 0;
    if (table[0] > table[domain])
        return uint16_t(0xFFFF - ReverseSearch(y, Mirrored{table, domain}));
    return ReverseSearch(y, Forward{table, domain});
}

} // namespace CMM
} // namespace Nuvra
