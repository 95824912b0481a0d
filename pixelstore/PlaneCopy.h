#pragma once

#include "pixelstore/PixelPlane.h"

namespace Nuvra {
namespace DataStorage {

// Copies rect of src to point in dst. Colour channels go through the colour
// conversion when one is installed and the planes need it; every other
// channel, and all of them otherwise, is copied with element-type conversion.
// Only channels both planes have are copied; nothing is added to dst.
void copy(PixelPlane& dst, const PixelPlane& src, const Rect& rect, const Point& point);

// The colour branch of the copy. The colour processors build on the pixel
// store, so they supply it at start-up instead of the store calling them. It
// converts the colour channels of rect from src to point in dst and returns
// true, or returns false when the planes need no conversion (same colour
// space and profile, or no processor for them); the colour channels are then
// copied plainly.
using PlaneColorConversion = bool (*)(PixelPlane& dst, const PixelPlane& src, const Rect& rect, const Point& point);
void setPlaneColorConversion(PlaneColorConversion conversion);
PlaneColorConversion planeColorConversion();

} // namespace DataStorage
} // namespace Nuvra
