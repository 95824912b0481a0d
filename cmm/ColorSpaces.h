#pragma once

#include "cmm/IccSignatures.h"

#include <cstdint>

namespace Nuvra {
namespace CMM {

// Engine colour-space number (the colour-space field of a pixel-format
// code); 0 for signatures the engine does not number.
int ColorSpace_ICC2CMM(icColorSpaceSignature space);

// Channel count of a colour space; 3 for anything unknown.
int ChannelsOf(icColorSpaceSignature space);

// Points the non-null out-pointers at the static device white and black of
// the space and returns its channel count; 0 (nothing set) for spaces
// without end points.
int EndPointsBySpace(icColorSpaceSignature space, const uint16_t** white,
                     const uint16_t** black);

} // namespace CMM
} // namespace Nuvra
