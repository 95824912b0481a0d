#include "cmm/LinearIpol1D.h"

#include "cmm/Saturate.h"

#include <cmath>
#include <initializer_list>

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
cLinearIpol1D::ReverseRuns RunsOf(const Table& t, bool decreasing)
{
    const int64_t domain = t.domain;
    cLinearIpol1D::ReverseRuns r;
    r.decreasing = decreasing;
    if (t[0] == 0) {
        r.zeros = domain;
        for (int64_t i = 1; i <= domain; ++i)
            if (t[i] != 0) {
                r.zeros = i;
                break;
            }
    }
    for (int64_t i = domain; i >= 0 && r.poles < domain && t[i] == 0xFFFF; --i)
        ++r.poles;
    return r;
}

// y solved on the segment between nodes c and c + 1, or -1 when that segment
// does not hold y.
template <class Table>
double SolveOnSegment(uint16_t y, const Table& t, int64_t c)
{
    if (c < 0 || c >= t.domain)
        return -1.0;
    const int64_t lo = t[c], hi = t[c + 1];
    if (!(lo < hi && lo <= y && y <= hi))
        return -1.0;
    const double x0 = double(c) * 65535.0 / double(t.domain);
    const double x1 = double(c + 1) * 65535.0 / double(t.domain);
    return x0 + (double(y) - double(lo)) * (x1 - x0) / double(hi - lo);
}

template <class Table>
uint16_t ReverseSearch(uint16_t y, const Table& t, const cLinearIpol1D::ReverseRuns& runs)
{
    const int64_t domain = t.domain;
    const int64_t zeros = runs.zeros, poles = runs.poles;
    if (y == 0 && zeros == 0)
        return 0;

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
    // The search ends within one step of where the curve crosses y, so the
    // segment holding y is the candidate's or a neighbour: next to a nearly
    // flat segment, solving on the candidate's own could land far off.
    for (const int64_t c : {c0, c0 - 1, c0 + 1}) {
        const double x = SolveOnSegment(y, t, c);
        if (x >= 0.0)
            return SaturateWord(x);
    }

    // y outside the curve's range here: the nearest the search reached.
    const int64_t c1 = int64_t(std::ceil(pos));
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

cLinearIpol1D::ReverseRuns cLinearIpol1D::Runs(const uint16_t* table) const
{
    if (count == 0)
        return {};
    if (table[0] > table[domain])
        return RunsOf(Mirrored{table, domain}, true);
    return RunsOf(Forward{table, domain}, false);
}

uint16_t cLinearIpol1D::EvalReverse016(uint16_t y, const uint16_t* table) const
{
    return EvalReverse016(y, table, Runs(table));
}

uint16_t cLinearIpol1D::EvalReverse016(uint16_t y, const uint16_t* table, const ReverseRuns& runs) const
{
    if (count == 0)
        return 0;
    if (runs.decreasing)
        return uint16_t(0xFFFF - ReverseSearch(y, Mirrored{table, domain}, runs));
    return ReverseSearch(y, Forward{table, domain}, runs);
}

} // namespace CMM
} // namespace Nuvra
