#include "colorproc/SRGBGrayProfile.h"

#include "cmm/GammaTable.h"
#include "cmm/IccTags.h"

namespace Nuvra {
namespace DataStorage {

CMM::cProfile::ptr_t SRGBGrayProfile()
{
    // Never destroyed: render threads may still convert during exit.
    static const CMM::cProfile::ptr_t* const profile = [] {
        const CMM::cProfile::ptr_t srgb = CMM::cProfile::Create_sRGB();
        const CMM::cGammaTable* curve = srgb ? srgb->TagAs<CMM::cGammaTable>(CMM::Sig::RTRC) : nullptr;
        CMM::sCIExyY white{};
        white.Set(CMM::D50XYZ());
        return new CMM::cProfile::ptr_t(curve ? CMM::cProfile::CreateGray(&white, curve) : nullptr);
    }();
    return *profile;
}

} // namespace DataStorage
} // namespace Nuvra
