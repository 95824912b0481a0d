#pragma once

// The spray texture: deterministic white noise in -1..1, plain or streaked
// along an angle (generated in a rotated buffer, blurred along its rows and
// warped back onto the frame).

#include "pixelstore/Geometry.h"

#include <cstdint>

namespace Nuvra {
namespace Effect {

// Linear congruential generator seeded once per frame, so every frame of a
// clip and every run gets the same texture.
class NoiseGenerator {
public:
    float next()
    {
        m_state = m_state * 214013u + 2531011u;
        const std::uint32_t k = (m_state >> 16) & 0x7FFFu;
        const float fk = float(k);
        return (fk + fk) / 32767.0f - 1.0f;
    }

private:
    std::uint32_t m_state = 11;
};

// Fills a w x h buffer (rows `stride` floats apart) in the store's tile
// order: 64 x 64 tiles row by row, each tile's rows top to bottom.
void fillNoiseInTileOrder(float* dst, int w, int h, int stride, NoiseGenerator& gen);

// The rotated buffer of the streaked variant and the map from frame to
// buffer positions.
struct StreakGeometry {
    int width = 0;   // buffer size
    int height = 0;
    int margin = 0;  // extra columns on both ends of the rows, reached by the blur
    tAffineTransform<double> frameToBuffer;
};
// The margin is 3 sigma, at most the frame's diagonal and never cut below
// this reach, which covers the largest slider sigma (10).
constexpr int kMinStreakReach = 32;
StreakGeometry streakGeometry(int frameWidth, int frameHeight, int angle, float noiseSmooth);

} // namespace Effect
} // namespace Nuvra
