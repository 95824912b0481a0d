#include "cmm/MatrixShaper.h"

#include "cmm/IccTags.h"
#include "cmm/Logging.h"
#include "cmm/Profile.h"

#include <cmath>

namespace Nuvra {
namespace CMM {

namespace {

// The three TRCs and the colorant matrix (colorants as columns) of an RGB
// matrix-shaper profile; false when any of the six tags is missing.
bool ReadRgbShaper(const cProfile& p, const cGammaTable* curves[3], mat33real_t& m)
{
    const uint32_t trc[3] = {Sig::RTRC, Sig::GTRC, Sig::BTRC};
    const uint32_t xyz[3] = {Sig::RXYZ, Sig::GXYZ, Sig::BXYZ};
    for (int j = 0; j < 3; ++j) {
        curves[j] = p.TagAs<cGammaTable>(trc[j]);
        const sCIEXYZ* c = p.TagAs<sCIEXYZ>(xyz[j]);
        if (!curves[j] || !c)
            return false;
        m.m[0][j] = c->X;
        m.m[1][j] = c->Y;
        m.m[2][j] = c->Z;
    }
    return true;
}

} // namespace

void cMatrixShaper::BuildToPCS(const cProfile& p, cMatrixShaper& out)
{
    if (p.colorSpace() == icSigGrayData) {
        BuildGrayToPCS(p, out);
        return;
    }
    const cGammaTable* curves[3];
    mat33real_t m;
    if (!ReadRgbShaper(p, curves, m)) {
        out = cMatrixShaper();
        return;
    }
    const cGammaTable copies[3] = {*curves[0], *curves[1], *curves[2]};
    out = cMatrixShaper(m, copies, MtxShaper_ToPCS);
}

void cMatrixShaper::BuildFromPCS(const cProfile& p, cMatrixShaper& out)
{
    if (p.colorSpace() == icSigGrayData) {
        BuildGrayFromPCS(p, out);
        return;
    }
    const cGammaTable* curves[3];
    mat33real_t m, inverse;
    if (!ReadRgbShaper(p, curves, m) || !Invert(m, inverse)) {
        out = cMatrixShaper();
        return;
    }
    cGammaTable reversed[3];
    for (int i = 0; i < 3; ++i)
        curves[i]->Reverse(reversed[i], 0);
    out = cMatrixShaper(inverse, reversed, MtxShaper_FromPCS);
}

void cMatrixShaper::BuildGrayToPCS(const cProfile& p, cMatrixShaper& out)
{
    const cGammaTable* gray = p.TagAs<cGammaTable>(Sig::KTRC);
    if (!gray) {
        out = cMatrixShaper();
        return;
    }
    cGammaTable curves[3];
    if (p.pcs() == Sig::Lab)
        gray->FromLstarToXYZ(curves);
    else
        curves[0] = curves[1] = curves[2] = *gray;
    const sCIEXYZ& i = p.illuminant();
    const double r[3] = {i.X / 3.0, i.Y / 3.0, i.Z / 3.0};
    const mat33real_t m = {{{r[0], r[0], r[0]}, {r[1], r[1], r[1]}, {r[2], r[2], r[2]}}};
    out = cMatrixShaper(m, curves, MtxShaper_ToPCS);
}

void cMatrixShaper::BuildGrayFromPCS(const cProfile& p, cMatrixShaper& out)
{
    const cGammaTable* gray = p.TagAs<cGammaTable>(Sig::KTRC);
    const double yi = p.illuminant().Y;
    if (!gray || !(std::fabs(yi) > 1e-6) || !std::isfinite(yi)) {
        if (gray)
            qCCritical(libcmm(), "BuildGrayFromPCS: unusable illuminant\n");
        out = cMatrixShaper();
        return;
    }
    cGammaTable curves[3];
    if (p.pcs() == Sig::Lab) {
        cGammaTable xyz[3];
        gray->FromLstarToXYZ(xyz);
        for (int k = 0; k < 3; ++k)
            xyz[k].Reverse(curves[k], 0);
    } else {
        gray->Reverse(curves[0], 0);
        curves[1] = curves[2] = curves[0];
    }
    // Every output is the grey of the PCS luminance: Y relative to the
    // illuminant's Y (not its X or Z, which would tint the device grey).
    const mat33real_t m = {{{0.0, 1.0 / yi, 0.0}, {0.0, 1.0 / yi, 0.0}, {0.0, 1.0 / yi, 0.0}}};
    out = cMatrixShaper(m, curves, MtxShaper_FromPCS);
}

void cMatrixShaper::BuildNonePCS(const cProfile& in, const cProfile& outProfile, cMatrixShaper& result)
{
    const cGammaTable* inCurves[3];
    const cGammaTable* outCurves[3];
    mat33real_t inMatrix, outMatrix, outInverse;
    if (!ReadRgbShaper(in, inCurves, inMatrix) || !ReadRgbShaper(outProfile, outCurves, outMatrix) ||
        !Invert(outMatrix, outInverse)) {
        result = cMatrixShaper();
        return;
    }
    const cGammaTable first[3] = {*inCurves[0], *inCurves[1], *inCurves[2]};
    cGammaTable last[3];
    for (int i = 0; i < 3; ++i)
        outCurves[i]->Reverse(last[i], 0);
    result = cMatrixShaper(outInverse * inMatrix, first, last, MtxShaper_DeviceLink);
}

} // namespace CMM
} // namespace Nuvra
