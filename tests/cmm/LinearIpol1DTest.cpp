#include "cmm/GammaTable.h"
#include "cmm/LinearIpol1D.h"
#include "pixelstore/CpuFeatures.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

using namespace Nuvra::CMM;

namespace {

std::vector<uint16_t> IdentityTable(size_t n)
{
    std::vector<uint16_t> t(n);
    for (size_t i = 0; i < n; ++i)
        t[i] = uint16_t(std::lround(double(i) * 65535.0 / double(n - 1)));
    return t;
}

// Linear interpolation in double: the reference for the integer lookup.
double Exact(const std::vector<uint16_t>& t, uint16_t v)
{
    const double pos = double(v) * double(t.size() - 1) / 65535.0;
    const size_t c = size_t(pos);
    if (c + 1 >= t.size())
        return t.back();
    return t[c] + (double(t[c + 1]) - double(t[c])) * (pos - double(c));
}

// The AVX2 runs give Eval016's results for every sample, in runs of every
// length around the eight lanes, and write only their own outputs.
void ExpectWideRunsEqual(const cLinearIpol1D& ipol, const uint16_t* table)
{
    using namespace Nuvra::DataStorage::Simd;
    if (!processorHas(Isa::Avx2))
        return;
    std::vector<uint16_t> in(0x10000);
    for (uint32_t v = 0; v <= 0xFFFF; ++v)
        in[v] = uint16_t(v);
    for (const bool whole : {true, false}) {
        std::vector<uint16_t> out(2 * in.size(), 0xABCD);
        if (whole)
            ipol.Eval016RunWide(in.data(), 1, out.data(), 2, int(in.size()), table);
        else
            for (size_t i = 0, len = 1; i < in.size(); i += len, len = len % 19 + 1)
                ipol.Eval016RunWide(&in[i], 1, &out[2 * i], 2, int(std::min(len, in.size() - i)), table);
        for (uint32_t v = 0; v <= 0xFFFF; ++v) {
            ASSERT_EQ(out[2 * v], ipol.Eval016(uint16_t(v), table)) << ipol.count << " entries, " << v;
            ASSERT_EQ(out[2 * v + 1], 0xABCD) << v;
        }
    }
}

} // namespace

TEST(LinearIpol1D, LargestIdentityTableEvaluatesToIdentity)
{
    // 65535 entries: positions overflow 32 bits unless computed wider.
    const std::vector<uint16_t> t = IdentityTable(65535);
    const cLinearIpol1D ipol{uint32_t(t.size())};
    for (uint32_t v = 0; v <= 0xFFFF; ++v) {
        ASSERT_LE(std::abs(int(ipol.Eval016(uint16_t(v), t.data())) - int(v)), 1) << v;
        ASSERT_EQ(ipol.Eval016To1516(uint16_t(v), t.data()), ipol.Eval016(uint16_t(v), t.data()));
    }
    ExpectWideRunsEqual(ipol, t.data());
}

TEST(LinearIpol1D, InterpolatesSteepAndDecreasingTables)
{
    const std::vector<std::vector<uint16_t>> tables = {
        {0, 65535},
        {65535, 0},
        {0, 65535, 0},
        {65535, 0, 65535, 0, 65535},
        {1000, 1000, 60000, 2, 0xFFFF},
        IdentityTable(4096),
    };
    for (const auto& t : tables) {
        const cLinearIpol1D ipol{uint32_t(t.size())};
        EXPECT_EQ(ipol.Eval016(0, t.data()), t.front());
        EXPECT_EQ(ipol.Eval016(0xFFFF, t.data()), t.back());
        for (uint32_t v = 0; v <= 0xFFFF; v += 7)
            ASSERT_NEAR(ipol.Eval016(uint16_t(v), t.data()), Exact(t, uint16_t(v)), 1.0)
                << t.size() << " " << v;
        ExpectWideRunsEqual(ipol, t.data());
    }
    // A two-entry ramp is exact everywhere.
    const std::vector<uint16_t> ramp = {0, 65535};
    const cLinearIpol1D two(2);
    for (uint32_t v = 0; v <= 0xFFFF; ++v)
        ASSERT_EQ(two.Eval016(uint16_t(v), ramp.data()), v);
    // A single entry is constant and reads nothing beyond it.
    const uint16_t single = 1234;
    const cLinearIpol1D one(1);
    EXPECT_EQ(one.Eval016(0, &single), 1234);
    EXPECT_EQ(one.Eval016(40000, &single), 1234);
    EXPECT_EQ(one.Eval016(0xFFFF, &single), 1234);
}

TEST(LinearIpol1D, ReverseOfIdentityIsIdentity)
{
    for (size_t n : {2u, 256u, 4096u}) {
        const std::vector<uint16_t> t = IdentityTable(n);
        const cLinearIpol1D ipol{uint32_t(n)};
        for (uint32_t y = 0; y <= 0xFFFF; y += (n == 2 ? 1 : 3))
            ASSERT_EQ(ipol.EvalReverse016(uint16_t(y), t.data()), y) << n << " " << y;
    }
}

TEST(LinearIpol1D, ReverseAroundZeroRunsAndPoles)
{
    const cLinearIpol1D four(4);
    const uint16_t raised[] = {100, 20000, 40000, 65535};
    EXPECT_EQ(four.EvalReverse016(0, raised), 0);

    std::vector<uint16_t> zeros = IdentityTable(256);
    zeros[0] = zeros[1] = zeros[2] = 0;
    const cLinearIpol1D ipol(256);
    EXPECT_EQ(ipol.EvalReverse016(0, zeros.data()), 0);
    for (int y = 1; y < 65535; y += 101) {
        const uint16_t x = ipol.EvalReverse016(uint16_t(y), zeros.data());
        EXPECT_GE(x, 2 * 65535 / 255 - 1) << y;
        EXPECT_NEAR(ipol.Eval016(x, zeros.data()), y, 260) << y;
    }

    // Below a run of 65535 entries (its top: ReverseReachesTheTopOfCurvesThatSaturateEarly).
    std::vector<uint16_t> poles = IdentityTable(256);
    poles[253] = poles[254] = poles[255] = 0xFFFF;
    for (int y = 1; y < poles[252]; y += 101) {
        const uint16_t x = ipol.EvalReverse016(uint16_t(y), poles.data());
        EXPECT_NEAR(ipol.Eval016(x, poles.data()), y, 260) << y;
    }
}

TEST(LinearIpol1D, ReverseOfDecreasingTables)
{
    const std::vector<std::vector<uint16_t>> tables = {
        {65535, 0},
        {65535, 50000, 20000, 5000, 0},
        {60000, 30000, 1000},
    };
    for (const auto& t : tables) {
        const cLinearIpol1D ipol{uint32_t(t.size())};
        for (int y = t.back(); y <= t.front(); y += 37) {
            const uint16_t x = ipol.EvalReverse016(uint16_t(y), t.data());
            ASSERT_NEAR(ipol.Eval016(x, t.data()), y, 2.0) << t.size() << " " << y;
        }
    }
}

TEST(LinearIpol1D, ReverseReachesTheTopOfCurvesThatSaturateEarly)
{
    // Curves that reach 65535 before their last entry, rising and falling:
    // values in the segment that leads into the run invert into that segment,
    // and 65535 itself inverts to where the curve gives 65535.
    std::vector<uint16_t> clipped = IdentityTable(256);
    clipped[253] = clipped[254] = clipped[255] = 0xFFFF;
    const std::vector<std::vector<uint16_t>> tables = {
        clipped,
        {0, 30000, 0xFFFF, 0xFFFF},
        {0, 20000, 40000, 0xFFFF, 0xFFFF, 0xFFFF},
        {0xFFFF, 0xFFFF, 30000, 0},
    };
    for (const auto& t : tables) {
        const cLinearIpol1D ipol{uint32_t(t.size())};
        for (uint32_t y = 1; y <= 0xFFFF; y += 7) {
            const uint16_t x = ipol.EvalReverse016(uint16_t(y), t.data());
            ASSERT_NEAR(ipol.Eval016(x, t.data()), y, 2.0) << t.size() << " " << y;
        }
        EXPECT_EQ(ipol.Eval016(ipol.EvalReverse016(0xFFFF, t.data()), t.data()), 0xFFFF) << t.size();
    }
}

namespace {

// Largest |f(f^-1(y)) - y| over the curve's range, with the inverse taken as a
// 4096-entry reversed table and both curves evaluated by their own library.
struct RoundTrip {
    int ours = 0;
    int theirs = 0;
};

RoundTrip ReverseRoundTrip(const std::vector<uint16_t>& t)
{
    cGammaTable curve;
    curve.table = t;
    cGammaTable rev;
    curve.Reverse(rev, 4096);

    cmsToneCurve* theirCurve = cmsBuildTabulatedToneCurve16(nullptr, cmsUInt32Number(t.size()), t.data());
    cmsToneCurve* theirRev = cmsReverseToneCurveEx(4096, theirCurve);
    RoundTrip r;
    for (uint32_t y = t.front(); y <= t.back(); y += 17) {
        const uint16_t x = rev.Eval(uint16_t(y));
        r.ours = std::max(r.ours, std::abs(int(curve.Eval(x)) - int(y)));
        const cmsUInt16Number tx = cmsEvalToneCurve16(theirRev, cmsUInt16Number(y));
        r.theirs = std::max(r.theirs, std::abs(int(cmsEvalToneCurve16(theirCurve, tx)) - int(y)));
    }
    cmsFreeToneCurve(theirRev);
    cmsFreeToneCurve(theirCurve);
    return r;
}

// A rising curve from 0 to 65535 of n entries; with flat runs, some steps
// repeat the previous entry and others are nearly flat.
std::vector<uint16_t> RandomMonotonic(std::mt19937& rng, size_t n, bool flatRuns)
{
    std::uniform_real_distribution<double> step(0.0, 1.0);
    std::vector<double> acc(n, 0.0);
    for (size_t i = 1; i < n; ++i) {
        double s = step(rng);
        if (flatRuns && step(rng) < 0.3)
            s = step(rng) < 0.5 ? 0.0 : s * 1e-3;
        acc[i] = acc[i - 1] + s;
    }
    std::vector<uint16_t> t(n);
    for (size_t i = 0; i < n; ++i)
        t[i] = uint16_t(std::lround(acc[i] / acc.back() * 65535.0));
    return t;
}

} // namespace

TEST(LinearIpol1D, ReverseSolvesOnTheSegmentThatHoldsTheValue)
{
    // 60248 lies on the steep first segment, just below its top; the next
    // segment is nearly flat and must not be used to solve it.
    const uint16_t t[] = {0, 60250, 61703, 64440, 65535};
    const cLinearIpol1D ipol(5);
    for (uint16_t y : {60000, 60248, 60249, 60251, 61000, 61702, 61704, 65000}) {
        const uint16_t x = ipol.EvalReverse016(y, t);
        EXPECT_NEAR(ipol.Eval016(x, t), y, 4) << y;
    }
}

TEST(LinearIpol1D, ReverseRoundTripsAsWellAsTheReference)
{
    std::mt19937 rng(20261210);
    for (bool flatRuns : {false, true}) {
        for (size_t n : {3u, 5u, 17u, 256u, 1024u, 4096u}) {
            for (int k = 0; k < 6; ++k) {
                const std::vector<uint16_t> t = RandomMonotonic(rng, n, flatRuns);
                const RoundTrip r = ReverseRoundTrip(t);
                EXPECT_LE(r.ours, r.theirs + 2) << "entries " << n << (flatRuns ? " with flat runs" : "");
            }
        }
    }
}
