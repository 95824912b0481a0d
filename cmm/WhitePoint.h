#pragma once

#include "cmm/ColorRecords.h"
#include "cmm/Matrix.h"

#include <QString>

namespace Nuvra {
namespace CMM {

// Columns of out are the XYZ of the primaries scaled so that RGB (1, 1, 1)
// gives the white. False for singular primaries or an unusable white.
bool BuildRGB2XYZ_TransferMatrix(mat33real_t& out, const sCIExyY& white,
                                 const sCIExyYTriple& primaries);

// Chromatic adaptation from one white to another through a cone matrix
// (Bradford when cone is null). False for a singular cone matrix or whites
// the cone responses cannot divide.
bool AdaptationMatrix(mat33real_t& out, const sCIEXYZ& fromWhite, const sCIEXYZ& toWhite,
                      const mat33real_t* cone);

// m becomes (adaptation from sourceWhite to D50) x m.
bool AdaptMatrixToD50(mat33real_t& m, const sCIExyY& sourceWhite);

// result = value adapted from sourceWhite to illuminant (Bradford).
bool AdaptToIlluminant(sCIEXYZ& result, const sCIEXYZ& sourceWhite, const sCIEXYZ& illuminant,
                       const sCIEXYZ& value);

// A name for a white point: a known illuminant, "<T>K" from the correlated
// colour temperature, or empty.
QString ShortIdentifyWhitePoint(const sCIExyY& white);

const mat33real_t& BradfordCone();

} // namespace CMM
} // namespace Nuvra
