#pragma once

#include "pixelstore/Geometry.h"

namespace Nuvra {
namespace Effect {

// The size the luminance stages work at: frames whose width + height exceeds
// 7 * resizing / 3 + 50 are scaled so that the sum comes near 7 * resizing / 3.
struct WorkingSize {
    Size size;          // working width and height, each at least 1
    bool resized = false;
    float halfSum = 0;  // k: half the working width + height, the unit of the sharpening lengths
};

// sourceSum is the source plane's width + height; region the frame's size.
WorkingSize workingSize(int sourceSum, const Size& region, int resizing);

} // namespace Effect
} // namespace Nuvra
