#include "cmm/BlackPoint.h"

#include "cmm/ColorSpaces.h"
#include "cmm/InternalProcessing.h"
#include "cmm/Profile.h"
#include "cmm/WhitePoint.h"
#include "cmm/XForm.h"

#include <algorithm>

namespace Nuvra {
namespace CMM {

namespace {

// The perceptual black of version 4 profiles, relative to D50.
const sCIEXYZ kV4PerceptualBlack{0.00336f, 0.0034731f, 0.00287f};

// value adapted from D50 to the profile's media white; false when the
// adaptation cannot be computed.
bool ToMediaWhite(sCIEXYZ& result, const cProfile& profile, const sCIEXYZ& value)
{
    mat33real_t m;
    if (!AdaptationMatrix(m, D50XYZ(), profile.mediaWhite(), nullptr))
        return false;
    result = m * value;
    return true;
}

// Lab of a measured black: lightness limited to 50, neutral.
sCIEXYZ NeutralBlack(float L)
{
    sCIEXYZ xyz;
    xyz.Set(sCIELab{std::min(L, 50.0f), 0.0f, 0.0f});
    return xyz;
}

// Runs one pixel through a transform built for measuring; false when it
// cannot be built.
bool Measure(const cProfile* in, unsigned inCode, const cProfile* out, unsigned outCode, icRenderingIntent intent,
             const void* src, void* dst)
{
    const cXForm t(in, inCode, out, outCode, intent, XForm_NoPrecalc, nullptr, icAbsoluteColorimetric);
    const cInternalProcessing p(&t);
    if (!p.IsUsable())
        return false;
    p.Process(src, dst, 1);
    return true;
}

bool Result(sCIEXYZ& blackPoint, const cProfile& profile, const sCIEXYZ& d50Black, bool adapt)
{
    if (!adapt) {
        blackPoint = d50Black;
        return true;
    }
    return ToMediaWhite(blackPoint, profile, d50Black);
}

} // namespace

bool BlackPointAsDarkerColorant(sCIEXYZ& blackPoint, const cProfile& profile, icRenderingIntent intent,
                                bool d50Adapted, const cProfile* labProfile)
{
    const uint16_t* black = nullptr;
    const int channels = EndPointsBySpace(profile.colorSpace(), nullptr, &black);
    if (!labProfile || !profile.IsIntentSupported(intent, UsedAsInput) || channels == 0) {
        blackPoint = sCIEXYZ{0.0f, 0.0f, 0.0f};
        return false;
    }
    float lab[3] = {};
    if (!Measure(&profile, CMM_PF::Device16(channels), labProfile, CMM_PF::kLabFloat, intent, black, lab)) {
        blackPoint = sCIEXYZ{0.0f, 0.0f, 0.0f};
        return false;
    }
    return Result(blackPoint, profile, NeutralBlack(lab[0]), intent != icAbsoluteColorimetric && !d50Adapted);
}

bool DetectBlackPoint(sCIEXYZ& blackPoint, const cProfile& profile, icRenderingIntent intent, bool d50Adapted,
                      const cProfile* labProfile)
{
    if ((intent == icPerceptual || intent == icSaturation) && profile.version() >= 0x04000000u) {
        if (!profile.IsMatrixShaper())
            return Result(blackPoint, profile, kV4PerceptualBlack, !d50Adapted);
        return BlackPointAsDarkerColorant(blackPoint, profile, icRelativeColorimetric, d50Adapted, labProfile);
    }
    if (intent == icRelativeColorimetric && profile.deviceClass() == icSigOutputClass &&
        profile.colorSpace() == icSigCmykData) {
        if (!labProfile || !profile.IsIntentSupported(icPerceptual, UsedAsInput)) {
            blackPoint = sCIEXYZ{0.0f, 0.0f, 0.0f};
            return false;
        }
        const float labBlack[3] = {0.0f, 0.0f, 0.0f};
        uint16_t ink[kWorkSamples] = {};
        float lab[3] = {};
        if (!Measure(labProfile, CMM_PF::kLabFloat, &profile, CMM_PF::kCMYK16, icPerceptual, labBlack, ink) ||
            !Measure(&profile, CMM_PF::kCMYK16, labProfile, CMM_PF::kLabFloat, icRelativeColorimetric, ink, lab)) {
            blackPoint = sCIEXYZ{0.0f, 0.0f, 0.0f};
            return false;
        }
        return Result(blackPoint, profile, NeutralBlack(lab[0]), !d50Adapted);
    }
    return BlackPointAsDarkerColorant(blackPoint, profile, intent, d50Adapted, labProfile);
}

} // namespace CMM
} // namespace Nuvra
