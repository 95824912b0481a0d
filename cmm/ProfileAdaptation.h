#pragma once

#include "cmm/ColorRecords.h"
#include "cmm/Matrix.h"

namespace Nuvra {
namespace CMM {

// Bradford adaptation from one white to another; false when a white has a
// zero cone response.
bool BradfordAdaptation(mat33real_t& out, const sCIEXYZ& from, const sCIEXYZ& to);

} // namespace CMM
} // namespace Nuvra
