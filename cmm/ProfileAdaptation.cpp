// Chromatic adaptation of a profile's media white and black.

#include "cmm/Profile.h"

#include "cmm/Matrix.h"
#include "cmm/WhitePoint.h"

namespace Nuvra {
namespace CMM {

bool ReadChromaticAdaptation(const cProfile& profile, mat33real_t& m)
{
    if (const sChadMatrix* chad = profile.TagAs<sChadMatrix>(Sig::Chad)) {
        for (int i = 0; i < 9; ++i)
            m.m[i / 3][i % 3] = chad->m[i];
        return true;
    }
    if (profile.deviceClass() == icSigDisplayClass || (profile.flags() & 1)) {
        if (AdaptationMatrix(m, profile.mediaWhite(), profile.illuminant(), nullptr))
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
    // Without a stored adaptation the points are kept as they are: a matrix
    // made from the media white itself would only undo an adaptation that
    // never happened.
    if (!HasTag(Sig::Chad))
        return;
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
