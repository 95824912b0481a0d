// Chromatic adaptation of a profile's media white and black.

#include "cmm/Profile.h"

#include "cmm/Matrix.h"
#include "cmm/ProfileAdaptation.h"

namespace Nuvra {
namespace CMM {

namespace {

// Bradford cone response.
const mat33real_t kBradford = {{{0.8951, 0.2664, -0.1614}, {-0.7502, 1.7135, 0.0367}, {0.0389, -0.0685, 1.0296}}};

} // namespace

bool BradfordAdaptation(mat33real_t& out, const sCIEXYZ& from, const sCIEXYZ& to)
{
    mat33real_t inverse;
    if (!Invert(kBradford, inverse))
        return false;
    const vec3real_t rs = kBradford * vec3real_t{{from.X, from.Y, from.Z}};
    const vec3real_t rd = kBradford * vec3real_t{{to.X, to.Y, to.Z}};
    for (double v : rs.v) {
        if (v == 0.0)
            return false;
    }
    out = inverse * (mat33real_t::Diagonal(rd.v[0] / rs.v[0], rd.v[1] / rs.v[1], rd.v[2] / rs.v[2]) * kBradford);
    return true;
}

bool ReadChromaticAdaptation(const cProfile& profile, mat33real_t& m)
{
    if (const sChadMatrix* chad = profile.TagAs<sChadMatrix>(Sig::Chad)) {
        for (int i = 0; i < 9; ++i)
            m.m[i / 3][i % 3] = chad->m[i];
        return true;
    }
    if (profile.deviceClass() == icSigDisplayClass || (profile.flags() & 1)) {
        if (BradfordAdaptation(m, profile.mediaWhite(), profile.illuminant()))
            return true;
    }
    m = mat33real_t::Identity();
    return true;
}

// Version 4 media points are stored adapted to D50; the engine keeps them as
// measured. Only the values refreshed by this call are adapted, so refreshing
// one of them never adapts the other twice.
void cProfile::adaptMediaPoints(bool white, bool black)
{
    mat33real_t chad, inverse;
    ReadChromaticAdaptation(*this, chad);
    if (!Invert(chad, inverse))
        return; // an adaptation that cannot be undone counts as absent
    if (white)
        m_mediaWhite = inverse * m_mediaWhite;
    if (black)
        m_mediaBlack = inverse * m_mediaBlack;
}

} // namespace CMM
} // namespace Nuvra
