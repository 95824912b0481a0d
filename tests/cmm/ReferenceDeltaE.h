#pragma once

#include "cmm/ColorRecords.h"

#include <lcms2.h>

#include <algorithm>
#include <cstdint>
#include <random>

namespace Nuvra {
namespace CMM {
namespace Test {

// Largest delta E between eval (16-bit RGB to the 16-bit XYZ encoding) and the
// reference transform xf (TYPE_RGB_16 to TYPE_Lab_DBL) over count random pixels.
template <class Eval>
double worstDeltaEAgainstReference(const Eval& eval, cmsHTRANSFORM xf, std::mt19937& rng, int count)
{
    std::uniform_int_distribution<int> d(0, 65535);
    double worst = 0;
    for (int i = 0; i < count; ++i) {
        const uint16_t in[3] = {uint16_t(d(rng)), uint16_t(d(rng)), uint16_t(d(rng))};
        uint16_t pcs[3];
        eval(in, pcs);
        sCIEXYZ xyz;
        xyz.SetFromFixed115(pcs);
        sCIELab ours;
        ours.Set(xyz);
        cmsCIELab ref;
        cmsDoTransform(xf, in, &ref, 1);
        worst = std::max<double>(worst, ours.DeltaE(sCIELab{float(ref.L), float(ref.a), float(ref.b)}));
    }
    return worst;
}

} // namespace Test
} // namespace CMM
} // namespace Nuvra
