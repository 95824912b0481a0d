#include "cmm/GammaTable.h"

#include "cmm/ColorRecords.h"
#include "cmm/LinearIpol1D.h"
#include "cmm/Logging.h"
#include "cmm/Saturate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace Nuvra {
namespace CMM {

namespace {

// Parameters read per |type| (index 1..5).
constexpr int kParamCount[6] = {0, 1, 3, 4, 5, 7};

// Which parameters divide something in each formula: bits g=0, a=1, c=3.
constexpr unsigned kDivisors(int type)
{
    switch (type) {
    case -1: return 1u << 0;
    case -2: case -3: return (1u << 0) | (1u << 1);
    case -4: case -5: return (1u << 0) | (1u << 1) | (1u << 3);
    default: return 0;
    }
}

// x >= -b / a, also where a is 0: the threshold then lies at minus infinity
// when b > 0 and is never reached otherwise, so the curve is a constant.
bool AtOrAbove(float x, float a, float b)
{
    if (a == 0.0f)
        return b > 0.0f;
    return x >= -b / a;
}

float Formula(int type, const float* p, float x)
{
    const float g = p[0], a = p[1], b = p[2], c = p[3], d = p[4], e = p[5], f = p[6];
    switch (type) {
    case 1:
        return std::pow(x, g);
    case 2:
        if (AtOrAbove(x, a, b)) {
            const float v = a * x + b;
            return v > 0.0f ? std::pow(v, g) : 0.0f;
        }
        return 0.0f;
    case 3:
        return AtOrAbove(x, a, b) ? std::pow(a * x + b, g) + c : c;
    case 4:
        if (x >= d) {
            const float v = a * x + b;
            return v > 0.0f ? std::pow(v, g) : 0.0f;
        }
        return c * x;
    case 5:
        return x >= d ? std::pow(a * x + b, g) + e : c * x + f;
    case -1:
        return std::pow(x, 1.0f / g);
    case -2:
        return std::max(0.0f, (std::pow(x, 1.0f / g) - b) / a);
    case -3:
        return x >= c ? std::max(0.0f, (std::pow(x - c, 1.0f / g) - b) / a) : -b / a;
    case -4:
        return x >= std::pow(a * d + b, g) ? (std::pow(x, 1.0f / g) - b) / a : x / c;
    case -5:
        return x >= std::pow(a * d + b, g) + e ? (std::pow(x - e, 1.0f / g) - b) / a : (x - f) / c;
    default:
        return 0.0f;
    }
}

// MSB-first register with the data shifted in (no augmentation), one byte
// at a time: the eight bit steps are linear, so the feedback of the top byte
// can be tabulated.
struct Crc32Table {
    std::array<uint32_t, 256> t{};
    Crc32Table()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            t[i] = r;
        }
    }
};

class Crc32 {
public:
    void Byte(uint8_t b)
    {
        static const Crc32Table table;
        m_reg = ((m_reg << 8) | b) ^ table.t[m_reg >> 24];
    }
    void Word32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            Byte(uint8_t(v >> (8 * i)));
    }
    uint32_t Result() const { return ~m_reg; }

private:
    uint32_t m_reg = 0xFFFFFFFFu;
};

uint16_t Position(size_t i, size_t count)
{
    return count > 1 ? SaturateWord(double(i) * 65535.0 / double(count - 1)) : 0;
}

} // namespace

cSampledCurve::cSampledCurve(const cGammaTable& curve, int count)
    : samples(static_cast<size_t>(count))
{
    if (samples.empty())
        return;
    if (curve.table.empty()) {
        qCCritical(libcmm(), "cSampledCurve: the curve is empty\n");
        samples.clear();
        return;
    }
    const cLinearIpol1D ipol(uint32_t(curve.table.size()));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = float(ipol.Eval016(Position(i, samples.size()), curve.table.data()));
}

cGammaTable::cGammaTable(const cSampledCurve& s, float maxValue)
    : table(s.samples.size())
{
    for (size_t i = 0; i < table.size(); ++i) {
        const float v = s.samples[i];
        if (v <= 0.0f)
            table[i] = 0;
        else if (v >= maxValue)
            table[i] = 0xFFFF;
        else
            table[i] = SaturateWord(double(v) * (65535.0 / double(maxValue)));
    }
}

int cGammaTable::ParamCount(int t)
{
    const int a = t < 0 ? -t : t;
    return a >= 1 && a <= 5 ? kParamCount[a] : 0;
}

cGammaTable& cGammaTable::Build(size_t count, int newType, const float* newParams)
{
    count = std::min(count, kMaxBuildEntries);
    const int used = ParamCount(newType);
    type = newType;
    std::fill(std::begin(params), std::end(params), 0.0f);
    if (newParams)
        std::copy(newParams, newParams + used, params);
    table.assign(count, 0);
    crc = 0;

    if (count > 0) {
        bool usable = used > 0;
        const char* why = "Unsupported parametric curve type=%d\n";
        if (usable && !newParams) {
            usable = false;
            why = "Missing parameters for parametric curve type=%d\n";
        }
        for (int i = 0; usable && i < used; ++i)
            if (!std::isfinite(params[i]) || ((kDivisors(type) >> i) & 1u && params[i] == 0.0f)) {
                usable = false;
                why = "Unusable parameters for parametric curve type=%d\n";
            }
        if (!usable) {
            qCCritical(libcmm(), why, int(newType));
            table.clear();
            return *this;
        }
        for (size_t i = 0; i < count; ++i) {
            const float x = count > 1 ? float(i) / float(count - 1) : 0.0f;
            table[i] = SaturateWord(double(Formula(type, params, x)) * 65535.0);
        }
    }
    crc = CalcCrc32();
    return *this;
}

uint32_t cGammaTable::CalcCrc32() const
{
    Crc32 c;
    c.Word32(uint32_t(type));
    for (float p : params) {
        uint32_t bits;
        std::memcpy(&bits, &p, 4);
        c.Word32(bits);
    }
    c.Word32(uint32_t(table.size()));
    for (uint16_t v : table) {
        c.Byte(uint8_t(v));
        c.Byte(uint8_t(v >> 8));
    }
    return c.Result();
}

bool cGammaTable::IsMonotonic() const
{
    for (size_t i = 1; i < table.size(); ++i)
        if (table[i - 1] > table[i])
            return false;
    return true;
}

bool cGammaTable::HasProperEndpoints() const
{
    return !table.empty() && table.front() == 0 && table.back() == 0xFFFF;
}

void cGammaTable::SlopeLimiting()
{
    const size_t n = table.size();
    if (n < 50)
        return;
    const size_t at = n / 50;
    const double slope = double(table[at]) / double(at);
    table[0] = 0;
    for (size_t i = 1; i < at; ++i)
        table[i] = SaturateWord(double(i) * slope);
}

cGammaTable& cGammaTable::Reverse(cGammaTable& out, int count) const
{
    const size_t n = count > 0 ? size_t(count) : table.size();
    if (type >= 1 && type <= 5 && CalcCrc32() == crc) {
        cGammaTable r;
        r.Build(n, -type, params);
        if (!r.table.empty() || n == 0) {
            out = std::move(r);
            return out;
        }
        // The analytic inverse refused its parameters: invert numerically.
    }
    cGammaTable r;
    if (table.empty()) {
        qCCritical(libcmm(), "cGammaTable::Reverse: the curve is empty\n");
        out = std::move(r);
        return out;
    }
    const cLinearIpol1D ipol(uint32_t(table.size()));
    const cLinearIpol1D::ReverseRuns runs = ipol.Runs(table.data());
    r.table.resize(n);
    for (size_t i = 0; i < n; ++i)
        r.table[i] = ipol.EvalReverse016(Position(i, n), table.data(), runs);
    out = std::move(r);
    return out;
}

void cGammaTable::Resample(size_t count)
{
    if (count == table.size())
        return;
    const cSampledCurve s(*this, int(std::min<size_t>(count, 0x7FFFFFFF)));
    *this = cGammaTable(s, 65535.0f);
}

void cGammaTable::Join(const cGammaTable& x, const cGammaTable& y)
{
    crc = 0;
    if (x.table.empty() || y.table.empty()) {
        qCCritical(libcmm(), "cGammaTable::Join: empty curve\n");
        table.clear();
        return;
    }
    const cLinearIpol1D ix(uint32_t(x.table.size()));
    const cLinearIpol1D iy(uint32_t(y.table.size()));
    const cLinearIpol1D::ReverseRuns runs = iy.Runs(y.table.data());
    std::vector<uint16_t> r(256);
    for (int i = 0; i < 256; ++i)
        r[i] = iy.EvalReverse016(ix.Eval016(uint16_t(i * 257), x.table.data()), y.table.data(), runs);
    table = std::move(r);
}

void cGammaTable::FromLstarToXYZ(cGammaTable out[3]) const
{
    cGammaTable r[3];
    if (table.empty()) {
        qCCritical(libcmm(), "cGammaTable::FromLstarToXYZ: the curve is empty\n");
        for (int k = 0; k < 3; ++k)
            out[k] = r[k];
        return;
    }
    for (cGammaTable& t : r)
        t.table.resize(4096);
    const cLinearIpol1D ipol(uint32_t(table.size()));
    for (int i = 0; i < 4096; ++i) {
        const uint16_t v = SaturateWord(double(i) * 65535.0 / 4095.0);
        const float l = float(ipol.Eval016(v, table.data())) * 100.0f / 65535.0f;
        sCIEXYZ xyz;
        xyz.Set(sCIELab{l, 0.0f, 0.0f});
        r[0].table[i] = SaturateWord(double(xyz.X) * 65535.0 / double(kD50X));
        r[1].table[i] = SaturateWord(double(xyz.Y) * 65535.0);
        r[2].table[i] = SaturateWord(double(xyz.Z) * 65535.0 / double(kD50Z));
    }
    for (int k = 0; k < 3; ++k)
        out[k] = std::move(r[k]);
}

void cGammaTable::CreateLabPrelinearization(cGammaTable t[3])
{
    cGammaTable first;
    first.table.resize(257);
    for (int i = 0; i < 256; ++i)
        first.table[i] = uint16_t(i * 257);
    first.table[256] = 0xFFFF;
    t[0] = std::move(first);
    const float one = 1.0f;
    t[1].Build(257, 1, &one);
    t[2] = t[1];
}

uint16_t cGammaTable::Eval(uint16_t v) const
{
    return cLinearIpol1D(uint32_t(table.size())).Eval016(v, table.data());
}

} // namespace CMM
} // namespace Nuvra
