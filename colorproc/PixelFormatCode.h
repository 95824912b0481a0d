#pragma once

#include "cmm/PixelFormatCode.h"
#include "pixelstore/PixelFormat.h"

#include <cstdint>

namespace Nuvra {
namespace DataStorage {

// The engine's pixel-format code of a format, or 0 when the format has none:
// colour channels of no single space or in no consecutive order, extras split
// or not at one end, element types that differ or are not 8-bit, 16-bit or
// float, a channel listed twice, or more extras than the code holds.
unsigned int PixelFormat2CMM_PF(const PixelFormat& format);

// The format a code describes; the empty format for a code it cannot express.
// A code with exactly one extra channel comes back with alpha as that channel;
// other extra counts give the colour channels alone.
PixelFormat CMM_PF2PixelFormat(unsigned int code);

} // namespace DataStorage
} // namespace Nuvra
