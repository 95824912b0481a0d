#include "cmm/ColorRecords.h"

#include "cmm/Logging.h"
#include "cmm/Saturate.h"

#include <algorithm>
#include <cmath>

namespace Nuvra {
namespace CMM {

namespace {

float LabF(float t)
{
    return t > 0.008856452f ? std::cbrt(t) : 7.787037f * t + 0.13793103f;
}

float LabFInverse(float t)
{
    if (t > 0.20689656f)
        return t * t * t;
    const float v = (t - 0.13793103f) * 0.12841855f;
    return v < 0.0f ? 0.0f : v;
}

// Daylight locus coefficients k3, k2, k1, k0 by temperature range.
struct DaylightRange {
    int from, to;
    float k3, k2, k1, k0;
};

constexpr DaylightRange kDaylight[] = {
    {4000, 7000, 4.607f, 2.9678f, 0.09911f, 0.244063f},
    {7001, 25000, 2.0064f, 1.9018f, 0.24748f, 0.23704f},
};

} // namespace

sCIEXYZ& sCIEXYZ::Set(const sCIExyY& v)
{
    X = v.x / v.y * v.Y;
    Y = v.Y;
    Z = (1.0f - v.x - v.y) / v.y * v.Y;
    return *this;
}

sCIEXYZ& sCIEXYZ::Set(const sCIELab& v)
{
    if (v.L < 0.0f) {
        X = Y = Z = 0.0f;
        return *this;
    }
    const float fy = (v.L + 16.0f) / 116.0f;
    const float fx = fy + 0.002f * v.a;
    const float fz = fy - 0.005f * v.b;
    X = LabFInverse(fx) * kD50X;
    Y = LabFInverse(fy);
    Z = LabFInverse(fz) * kD50Z;
    return *this;
}

sCIEXYZ& sCIEXYZ::SetFromFixed115(const uint16_t v[3])
{
    X = 2.0f * v[0] / 65536.0f;
    Y = 2.0f * v[1] / 65536.0f;
    Z = 2.0f * v[2] / 65536.0f;
    return *this;
}

void sCIEXYZ::ToFixed115(uint16_t out[3]) const
{
    if (Y < 0.0f) {
        out[0] = out[1] = out[2] = 0;
        return;
    }
    const float c[3] = {X, Y, Z};
    for (int i = 0; i < 3; ++i) {
        const float v = std::min(std::max(c[i], 0.0f), 1.99995995f);
        out[i] = SaturateWord(double(v * 32768.0f));
    }
}

sCIExyY& sCIExyY::Set(const sCIEXYZ& v)
{
    const float s = v.X + v.Y + v.Z;
    x = v.X / s;
    y = v.Y / s;
    Y = v.Y;
    return *this;
}

bool sCIExyY::SetWhitePointFromTemp(int kelvin)
{
    for (const DaylightRange& r : kDaylight) {
        if (kelvin < r.from || kelvin > r.to)
            continue;
        const float t = float(kelvin);
        const float t2 = t * t;
        const float t3 = t2 * t;
        const float xd = -r.k3 * 1e9f / t3 + r.k2 * 1e6f / t2 + r.k1 * 1e3f / t + r.k0;
        x = xd;
        y = -3.0f * xd * xd + 2.87f * xd - 0.275f;
        Y = 1.0f;
        return true;
    }
    qCCritical(libcmm(), "WhitePointFromTemp: invalid temperature\n");
    return false;
}

sCIELab& sCIELab::Set(const sCIEXYZ& v)
{
    if (std::fabs(v.X) <= 1e-6f && std::fabs(v.Y) <= 1e-6f && std::fabs(v.Z) <= 1e-6f) {
        L = a = b = 0.0f;
        return *this;
    }
    const float fx = LabF(v.X / kD50X);
    const float fy = LabF(v.Y);
    const float fz = LabF(v.Z / kD50Z);
    L = 116.0f * fy - 16.0f;
    a = 500.0f * (fx - fy);
    b = 200.0f * (fy - fz);
    return *this;
}

sCIELab& sCIELab::SetFromFixed(const uint16_t v[3])
{
    L = v[0] * 0.0015318628f;
    a = v[1] / 256.0f - 128.0f;
    b = v[2] / 256.0f - 128.0f;
    return *this;
}

void sCIELab::ToFixed(uint16_t out[3]) const
{
    const float l = std::min(std::max(L, 0.0f), 100.0f);
    const float ca = std::min(std::max(a, -128.0f), 127.996101f);
    const float cb = std::min(std::max(b, -128.0f), 127.996101f);
    // In double: a float product or sum is itself rounded and can land on a
    // half that the exact value does not reach.
    out[0] = SaturateWord(double(l) * 652.8);
    out[1] = SaturateWord((double(ca) + 128.0) * 256.0);
    out[2] = SaturateWord((double(cb) + 128.0) * 256.0);
}

float sCIELab::DeltaE(const sCIELab& o) const
{
    // Written as "not inside" so that NaN also takes the 65536 path.
    const auto inRange = [](float v) { return v >= -200.0f && v <= 200.0f; };
    if (!(L >= 0.0f) || !(o.L >= 0.0f) || !inRange(a) || !inRange(b) || !inRange(o.a) ||
        !inRange(o.b))
        return 65536.0f;
    const float dl = L - o.L, da = a - o.a, db = b - o.b;
    return std::sqrt(dl * dl + da * da + db * db);
}

} // namespace CMM
} // namespace Nuvra
