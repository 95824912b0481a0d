#include "effect/WorkingSize.h"

#include <cstdint>

namespace Nuvra {
namespace Effect {

WorkingSize workingSize(int sourceSum, const Size& region, int resizing)
{
    WorkingSize ws;
    ws.size = region;
    float scale = 1.0f;
    // resizing <= 0 asks for no target at all: keep the frame's size.
    const std::int64_t target = std::int64_t(7) * resizing / 3;
    if (resizing > 0 && sourceSum > target + 50) {
        scale = float(target) / float(sourceSum);
        // A side that truncates to 0 (a frame far longer than wide) keeps one
        // pixel, so nothing downstream divides by zero.
        const int w = int(float(region.width) * scale);
        const int h = int(float(region.height) * scale);
        ws.size = Size{w > 0 ? w : 1, h > 0 ? h : 1};
        ws.resized = true;
    }
    ws.halfSum = 0.5f * float(sourceSum) * scale;
    return ws;
}

} // namespace Effect
} // namespace Nuvra
