#include "cmm/Conversion.h"

#include "cmm/FixedPoint.h"
#include "cmm/Logging.h"
#include "cmm/WhitePoint.h"

#include <cmath>
#include <utility>

namespace Nuvra {
namespace CMM {

namespace {

double Dot(const mat33real_t& m, int row, const sCIEXYZ& v)
{
    return m.m[row][0] * v.X + m.m[row][1] * v.Y + m.m[row][2] * v.Z;
}

double Component(const sCIEXYZ& v, int i)
{
    return i == 0 ? v.X : (i == 1 ? v.Y : v.Z);
}

bool AbsoluteFactors(const sCIEXYZ& inWhite, const mat33real_t& inChad, const sCIEXYZ& outWhite,
                     const mat33real_t& outChad, float adaptationState, mat33real_t& m,
                     vec3real_t& o)
{
    double s[3];
    for (int i = 0; i < 3; ++i) {
        const double num = Dot(inChad, i, inWhite);
        const double den = Dot(outChad, i, outWhite);
        s[i] = num / den;
        if (!(std::fabs(den) > 1e-9) || !std::isfinite(s[i])) {
            qCCritical(libcmm(), "cConversion: unusable media white for absolute colorimetric\n");
            return false;
        }
    }
    const mat33real_t scale = mat33real_t::Diagonal(s[0], s[1], s[2]);
    if (adaptationState == 1.0f) {
        m = scale;
    } else {
        mat33real_t inverse;
        if (!Invert(inChad, inverse)) {
            qCCritical(libcmm(), "cConversion: singular chromatic adaptation\n");
            return false;
        }
        // Undo the input's adaptation, scale, then apply the output's: the
        // rightmost factor acts first.
        m = outChad * scale * inverse;
    }
    o = vec3real_t{{0.0, 0.0, 0.0}};
    return true;
}

bool BlackPointFactors(const sCIEXYZ& inBlack, const sCIEXYZ& inWhite, const sCIEXYZ& inIlluminant,
                       const sCIEXYZ& outBlack, const sCIEXYZ& outWhite,
                       const sCIEXYZ& outIlluminant, mat33real_t& m, vec3real_t& o)
{
    sCIEXYZ relIn, relOut;
    if (!AdaptToIlluminant(relIn, inWhite, inIlluminant, inBlack) ||
        !AdaptToIlluminant(relOut, outWhite, outIlluminant, outBlack)) {
        qCCritical(libcmm(), "cConversion: black points cannot be adapted\n");
        return false;
    }
    double d[3] = {1.0, 1.0, 1.0};
    for (int i = 0; i < 3; ++i) {
        const double t = Component(relIn, i) - Component(inIlluminant, i);
        d[i] = (Component(relOut, i) - Component(outIlluminant, i)) / t;
        o.v[i] = -Component(outIlluminant, i) * (Component(relOut, i) - Component(relIn, i)) / t;
        if (!(std::fabs(t) > 1e-9) || !std::isfinite(d[i]) || !std::isfinite(o.v[i])) {
            qCCritical(libcmm(), "cConversion: black point equals the illuminant\n");
            return false;
        }
    }
    m = mat33real_t::Diagonal(d[0], d[1], d[2]);
    return true;
}

bool Factors(bool absolute, const sCIEXYZ& inBlack, const sCIEXYZ& inWhite,
             const sCIEXYZ& inIlluminant, const mat33real_t& inChad, const sCIEXYZ& outBlack,
             const sCIEXYZ& outWhite, const sCIEXYZ& outIlluminant, const mat33real_t& outChad,
             bool bpc, float adaptationState, mat33real_t& m, vec3real_t& o)
{
    if (absolute)
        return AbsoluteFactors(inWhite, inChad, outWhite, outChad, adaptationState, m, o);
    if (bpc)
        return BlackPointFactors(inBlack, inWhite, inIlluminant, outBlack, outWhite, outIlluminant,
                                 m, o);
    return true;
}

} // namespace

bool cConversion::FromXYZRelLUT(bool absolute, const sCIEXYZ& inBlack, const sCIEXYZ& inWhite,
                                const sCIEXYZ& inIlluminant, const mat33real_t& inChad,
                                eMode outMode, const sCIEXYZ& outBlack, const sCIEXYZ& outWhite,
                                const sCIEXYZ& outIlluminant, const mat33real_t& outChad,
                                bool bpc, float adaptationState, mat33real_t& m, vec3real_t& o)
{
    if (outMode == PCS_Lab)
        evaluator = &cConversion::XYZ2Lab;
    else if (outMode == PCS_XYZ)
        evaluator = absolute || bpc ? &cConversion::XYZ2XYZ : nullptr;
    else
        evaluator = nullptr;
    if (!evaluator)
        return true;
    return Factors(absolute, inBlack, inWhite, inIlluminant, inChad, outBlack, outWhite,
                   outIlluminant, outChad, bpc, adaptationState, m, o);
}

bool cConversion::FromLabRelLUT(bool absolute, const sCIEXYZ& inBlack, const sCIEXYZ& inWhite,
                                const sCIEXYZ& inIlluminant, const mat33real_t& inChad,
                                eMode outMode, const sCIEXYZ& outBlack, const sCIEXYZ& outWhite,
                                const sCIEXYZ& outIlluminant, const mat33real_t& outChad,
                                bool bpc, float adaptationState, mat33real_t& m, vec3real_t& o)
{
    if (outMode == PCS_XYZ)
        evaluator = &cConversion::Lab2XYZ;
    else if (outMode == PCS_Lab)
        evaluator = absolute || bpc ? &cConversion::Lab2XYZ2Lab : nullptr;
    else
        evaluator = nullptr;
    if (!evaluator)
        return true;
    return Factors(absolute, inBlack, inWhite, inIlluminant, inChad, outBlack, outWhite,
                   outIlluminant, outChad, bpc, adaptationState, m, o);
}

bool cConversion::CalcEvaluator(bool absolute, eMode inMode, const sCIEXYZ& inBlack,
                                const sCIEXYZ& inWhite, const sCIEXYZ& inIlluminant,
                                const mat33real_t& inChad, eMode outMode, const sCIEXYZ& outBlack,
                                const sCIEXYZ& outWhite, const sCIEXYZ& outIlluminant,
                                const mat33real_t& outChad, bool bpc, float adaptationState)
{
    mat33real_t m = mat33real_t::Identity();
    vec3real_t o{{0.0, 0.0, 0.0}};
    bool ok;
    if (inMode == PCS_XYZ)
        ok = FromXYZRelLUT(absolute, inBlack, inWhite, inIlluminant, inChad, outMode, outBlack,
                           outWhite, outIlluminant, outChad, bpc, adaptationState, m, o);
    else if (inMode == PCS_Lab)
        ok = FromLabRelLUT(absolute, inBlack, inWhite, inIlluminant, inChad, outMode, outBlack,
                           outWhite, outIlluminant, outChad, bpc, adaptationState, m, o);
    else
        qFatal("(internal) phase error\n");

    if (!ok || !m.IsFinite()) {
        evaluator = nullptr;
        return false;
    }
    const bool skippable =
        evaluator == &cConversion::XYZ2XYZ || evaluator == &cConversion::Lab2XYZ2Lab;
    const bool neutral = m.IsClose(mat33real_t::Identity(), 1e-5) && std::fabs(o.v[0]) <= 1e-5 &&
                         std::fabs(o.v[1]) <= 1e-5 && std::fabs(o.v[2]) <= 1e-5;
    if (skippable && neutral) {
        evaluator = nullptr;
        return true;
    }
    matrix = mat33fixed_t::FromReal(m);
    offset = FixedFromReal(o);
    return true;
}

void cConversion::swap(cConversion& other)
{
    std::swap(evaluator, other.evaluator);
    std::swap(matrix, other.matrix);
    std::swap(offset, other.offset);
}

void cConversion::XYZ2XYZ(const uint16_t* in, uint16_t* out) const
{
    const vec3fixed_t v{{int32_t(in[0]) * 2, int32_t(in[1]) * 2, int32_t(in[2]) * 2}};
    const vec3fixed_t r = matrix * v;
    for (int i = 0; i < 3; ++i)
        out[i] = ClampWord((int64_t(r.v[i]) + offset.v[i]) >> 1);
}

void cConversion::Lab2XYZ(const uint16_t* in, uint16_t* out) const
{
    sCIELab lab;
    lab.SetFromFixed(in);
    sCIEXYZ xyz;
    xyz.Set(lab);
    uint16_t fixed[3];
    xyz.ToFixed115(fixed);
    XYZ2XYZ(fixed, out);
}

void cConversion::ToLab(const uint16_t* xyz, uint16_t* out) const
{
    if (xyz[0] == 0 && xyz[1] == 0 && xyz[2] == 0) {
        out[0] = 0;
        out[1] = out[2] = 0x8000;
        return;
    }
    sCIEXYZ v;
    v.SetFromFixed115(xyz);
    sCIELab lab;
    lab.Set(v);
    lab.ToFixed(out);
}

void cConversion::XYZ2Lab(const uint16_t* in, uint16_t* out) const
{
    uint16_t xyz[3];
    XYZ2XYZ(in, xyz);
    ToLab(xyz, out);
}

void cConversion::Lab2XYZ2Lab(const uint16_t* in, uint16_t* out) const
{
    uint16_t xyz[3];
    Lab2XYZ(in, xyz);
    ToLab(xyz, out);
}

} // namespace CMM
} // namespace Nuvra
