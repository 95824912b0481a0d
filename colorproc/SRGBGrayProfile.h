#pragma once

#include "cmm/Profile.h"

namespace Nuvra {
namespace DataStorage {

// A grey display profile with the D50 white and the tone curve of the
// built-in sRGB profile: a neutral converted into it takes the value that
// each of R, G and B would take in sRGB (within the rounding of the two
// paths), as one sample. Built once and kept for the life of the process;
// it is not in the registry.
CMM::cProfile::ptr_t SRGBGrayProfile();

} // namespace DataStorage
} // namespace Nuvra
