#include "cmm/WhitePoint.h"

#include "cmm/Logging.h"
#include "cmm/Saturate.h"

#include <cmath>
#include <vector>

namespace Nuvra {
namespace CMM {

namespace {

bool UsableWhite(const sCIExyY& w)
{
    return std::isfinite(w.x) && std::isfinite(w.y) && std::isfinite(w.Y) && std::fabs(w.y) > 1e-9f;
}

struct NamedWhite {
    QString name;
    double x, y;
};

const std::vector<NamedWhite>& NamedWhites()
{
    static const std::vector<NamedWhite> table = [] {
        std::vector<NamedWhite> t = {
            {QStringLiteral("CIE illuminant A"), 0.44757, 0.40745},
            {QStringLiteral("CIE illuminant C"), 0.3101, 0.3162},
            {QStringLiteral("D65 (daylight)"), 0.3127, 0.3291},
        };
        for (int kelvin = 4000; kelvin <= 14900; kelvin += 100) {
            sCIExyY w;
            w.SetWhitePointFromTemp(kelvin);
            t.push_back({QStringLiteral("D%1").arg(kelvin / 100), w.x, w.y});
        }
        return t;
    }();
    return table;
}

// Robertson's isotemperature lines: reciprocal megakelvin, u, v, slope t.
struct IsoTemperature {
    double mired, u, v, t;
};

constexpr IsoTemperature kRobertson[] = {
    {0, 0.18006, 0.26352, -0.24341},   {10, 0.18066, 0.26589, -0.25479},
    {20, 0.18133, 0.26846, -0.26876},  {30, 0.18208, 0.27119, -0.28539},
    {40, 0.18293, 0.27407, -0.30470},  {50, 0.18388, 0.27709, -0.32675},
    {60, 0.18494, 0.28021, -0.35156},  {70, 0.18611, 0.28342, -0.37915},
    {80, 0.18740, 0.28668, -0.40955},  {90, 0.18880, 0.28997, -0.44278},
    {100, 0.19032, 0.29326, -0.47888}, {125, 0.19462, 0.30141, -0.58204},
    {150, 0.19962, 0.30921, -0.70471}, {175, 0.20525, 0.31647, -0.84901},
    {200, 0.21142, 0.32312, -1.0182},  {225, 0.21807, 0.32909, -1.2168},
    {250, 0.22511, 0.33439, -1.4512},  {275, 0.23247, 0.33904, -1.7298},
    {300, 0.24010, 0.34308, -2.0637},  {325, 0.24792, 0.34655, -2.4681},
    {350, 0.25591, 0.34951, -2.9641},  {375, 0.26400, 0.35200, -3.5814},
    {400, 0.27218, 0.35407, -4.3633},  {425, 0.28039, 0.35577, -5.3762},
    {450, 0.28863, 0.35714, -6.7262},  {475, 0.29685, 0.35823, -8.5955},
    {500, 0.30505, 0.35907, -11.324},  {525, 0.31320, 0.35968, -15.628},
    {550, 0.32129, 0.36011, -23.325},  {575, 0.32931, 0.36038, -40.770},
    {600, 0.33724, 0.36051, -116.45},
};

// Correlated colour temperature, or 0 when the chromaticity lies outside
// the table's lines.
double CorrelatedTemperature(double x, double y)
{
    const double denom = -x + 6.0 * y + 1.5;
    if (!(std::fabs(denom) > 0.0))
        return 0.0;
    const double us = 2.0 * x / denom;
    const double vs = 3.0 * y / denom;
    double prev = 0.0;
    for (size_t i = 0; i < std::size(kRobertson); ++i) {
        const IsoTemperature& r = kRobertson[i];
        const double d = ((vs - r.v) - r.t * (us - r.u)) / std::sqrt(1.0 + r.t * r.t);
        if (i > 0 && d == 0.0)
            return 1e6 / r.mired;
        if (i > 0 && prev / d < 0.0) {
            const IsoTemperature& p = kRobertson[i - 1];
            const double mired = p.mired + (r.mired - p.mired) * prev / (prev - d);
            return mired > 0.0 ? 1e6 / mired : 0.0;
        }
        prev = d;
    }
    return 0.0;
}

} // namespace

const mat33real_t& BradfordCone()
{
    static const mat33real_t cone = {{{0.8951, 0.2664, -0.1614},
                                      {-0.7502, 1.7135, 0.0367},
                                      {0.0389, -0.0685, 1.0296}}};
    return cone;
}

bool BuildRGB2XYZ_TransferMatrix(mat33real_t& out, const sCIExyY& white,
                                 const sCIExyYTriple& primaries)
{
    if (!UsableWhite(white)) {
        qCCritical(libcmm(), "BuildRGB2XYZ_TransferMatrix: unusable white point\n");
        return false;
    }
    const sCIExyY* p[3] = {&primaries.red, &primaries.green, &primaries.blue};
    mat33real_t prim;
    for (int j = 0; j < 3; ++j) {
        prim.m[0][j] = p[j]->x;
        prim.m[1][j] = p[j]->y;
        prim.m[2][j] = 1.0 - double(p[j]->x) - double(p[j]->y);
    }
    mat33real_t inv;
    if (!Invert(prim, inv))
        return false;
    const double xw = white.x, yw = white.y;
    const vec3real_t w{{xw / yw, 1.0, (1.0 - xw - yw) / yw}};
    const vec3real_t s = inv * w;
    mat33real_t r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[i][j] = prim.m[i][j] * s.v[j];
    if (!r.IsFinite())
        return false;
    out = r;
    return true;
}

bool AdaptationMatrix(mat33real_t& out, const sCIEXYZ& fromWhite, const sCIEXYZ& toWhite,
                      const mat33real_t* cone)
{
    const mat33real_t& c = cone ? *cone : BradfordCone();
    mat33real_t coneInverse;
    if (!Invert(c, coneInverse))
        return false;
    const vec3real_t rs = c * vec3real_t{{fromWhite.X, fromWhite.Y, fromWhite.Z}};
    const vec3real_t rd = c * vec3real_t{{toWhite.X, toWhite.Y, toWhite.Z}};
    double k[3];
    for (int i = 0; i < 3; ++i) {
        k[i] = rd.v[i] / rs.v[i];
        if (!(std::fabs(rs.v[i]) > 1e-9) || !std::isfinite(k[i])) {
            qCCritical(libcmm(), "AdaptationMatrix: unusable white point\n");
            return false;
        }
    }
    out = coneInverse * mat33real_t::Diagonal(k[0], k[1], k[2]) * c;
    return true;
}

bool AdaptMatrixToD50(mat33real_t& m, const sCIExyY& sourceWhite)
{
    if (!UsableWhite(sourceWhite)) {
        qCCritical(libcmm(), "AdaptMatrixToD50: unusable white point\n");
        return false;
    }
    sCIEXYZ w;
    w.Set(sourceWhite);
    mat33real_t a;
    if (!AdaptationMatrix(a, w, D50XYZ(), nullptr))
        return false;
    m = a * m;
    return true;
}

bool AdaptToIlluminant(sCIEXYZ& result, const sCIEXYZ& sourceWhite, const sCIEXYZ& illuminant,
                       const sCIEXYZ& value)
{
    mat33real_t a;
    if (!AdaptationMatrix(a, sourceWhite, illuminant, nullptr))
        return false;
    result = a * value;
    return true;
}

QString ShortIdentifyWhitePoint(const sCIExyY& white)
{
    for (const NamedWhite& n : NamedWhites()) {
        const double dx = n.x - white.x, dy = n.y - white.y;
        if (dx * dx + dy * dy <= 5e-6)
            return n.name;
    }
    const double t = CorrelatedTemperature(white.x, white.y);
    if (t > 0.0)
        return QStringLiteral("%1K").arg(SaturateInt32(t));
    return QString();
}

} // namespace CMM
} // namespace Nuvra
