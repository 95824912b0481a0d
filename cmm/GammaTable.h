#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Nuvra {
namespace CMM {

class cGammaTable;

// Float companion of a tone curve, in 16-bit units (0..65535), for resampling.
class cSampledCurve {
public:
    cSampledCurve() = default;
    // count samples of the curve; a negative count throws std::length_error.
    cSampledCurve(const cGammaTable& curve, int count);

    std::vector<float> samples;
};

// One-dimensional tone curve: 16-bit samples over the 16-bit input range,
// entry i standing for input i x 65535 / (count - 1), optionally remembering
// the parametric formula it was built from.
class cGammaTable {
public:
    static constexpr size_t kMaxBuildEntries = 65530;

    uint32_t crc = 0;       // CalcCrc32() as last built by Build; 0 otherwise
    int32_t type = 0;       // 1..5 forward, -1..-5 inverse, 0 sampled only
    float params[10] = {};  // g, a, b, c, d, e, f
    std::vector<uint16_t> table;

    cGammaTable() = default;
    cGammaTable(const cSampledCurve& samples, float maxValue);

    // Fills count entries (at most 65530) from the parametric formula. An
    // unknown type or parameters the formula cannot use (a zero divisor, a
    // non-finite value) leave an empty table with a critical line.
    cGammaTable& Build(size_t count, int type, const float* params);

    // Number of parameters a type reads, 0 for unknown types.
    static int ParamCount(int type);

    uint32_t CalcCrc32() const;
    bool IsMonotonic() const;
    bool HasProperEndpoints() const;
    void SlopeLimiting();

    // Inverse curve of count entries (0: this curve's count). Analytic when
    // the curve is still exactly what Build made, numerical otherwise.
    cGammaTable& Reverse(cGammaTable& out, int count) const;
    void Resample(size_t count);
    // 256 entries: y's inverse of x.
    void Join(const cGammaTable& x, const cGammaTable& y);
    // This curve maps to L*; out gets 4096-entry X, Y and Z curves.
    void FromLstarToXYZ(cGammaTable out[3]) const;
    static void CreateLabPrelinearization(cGammaTable t[3]);

    // Lookup with linear interpolation; the table must not be empty.
    uint16_t Eval(uint16_t v) const;
};

} // namespace CMM
} // namespace Nuvra
