#pragma once

#include "cmm/ColorRecords.h"
#include "cmm/IccSignatures.h"

namespace Nuvra {
namespace CMM {

class cProfile;

// The profile's black point for black-point compensation, measured through
// transforms to labProfile. Relative to the media white unless d50Adapted.
// False (black point (0, 0, 0)) when the profile cannot be used that way, and
// false (black point untouched) when it cannot be adapted: callers then skip
// the compensation.
bool DetectBlackPoint(sCIEXYZ& blackPoint, const cProfile& profile, icRenderingIntent intent, bool d50Adapted,
                      const cProfile* labProfile);

// The general case: the device black measured as Lab, lightness at most 50.
bool BlackPointAsDarkerColorant(sCIEXYZ& blackPoint, const cProfile& profile, icRenderingIntent intent,
                                bool d50Adapted, const cProfile* labProfile);

} // namespace CMM
} // namespace Nuvra
