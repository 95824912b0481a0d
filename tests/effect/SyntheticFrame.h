#pragma once

// Deterministic test pictures: soft gradients, discs, stripes at several
// angles and a little grain, so every stage meets edges of all directions,
// flat areas and fine texture.

#include <cmath>
#include <cstdint>
#include <vector>

namespace MorvelinTest {

// Luminance in 0..1, packed rows.
inline std::vector<float> syntheticLuminance(int w, int h, std::uint32_t seed = 1)
{
    std::vector<float> v(std::size_t(w) * std::size_t(h));
    std::uint32_t s = seed * 2654435761u + 12345u;
    const double pi = 3.14159265358979323846;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double u = (x + 0.5) / w;
            const double t = (y + 0.5) / h;
            double l = 0.35 + 0.3 * u * t;
            const double dx = u - 0.35, dy = t - 0.4;
            if (dx * dx + dy * dy < 0.04)
                l += 0.35;
            const double ang = 0.6 + 1.7 * u;
            l += 0.12 * std::sin((x * std::cos(ang) + y * std::sin(ang)) * 2.0 * pi / 9.0);
            if (u > 0.7 && t < 0.5)
                l = 0.1 + 0.8 * ((x / 6 + y / 6) & 1);
            s = s * 1664525u + 1013904223u;
            l += ((s >> 8) & 0xFFFF) / 65535.0 * 0.06 - 0.03;
            v[std::size_t(y) * w + x] = float(l < 0 ? 0 : (l > 1 ? 1 : l));
        }
    }
    return v;
}

// 8-bit A, R, G, B pixels with a varying alpha; colours follow the luminance
// with hue changing across the frame.
inline std::vector<std::uint8_t> syntheticArgb(int w, int h, std::uint32_t seed = 1)
{
    const std::vector<float> l = syntheticLuminance(w, h, seed);
    std::vector<std::uint8_t> px(std::size_t(w) * std::size_t(h) * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::size_t i = std::size_t(y) * w + x;
            const double v = l[i];
            const double u = (x + 0.5) / w;
            auto byte = [](double c) { return std::uint8_t(c <= 0 ? 0 : c >= 1 ? 255 : int(c * 255.0 + 0.5)); };
            px[4 * i + 0] = std::uint8_t((x * 7 + y * 3) & 0xFF);
            px[4 * i + 1] = byte(v * (0.8 + 0.4 * u));
            px[4 * i + 2] = byte(v);
            px[4 * i + 3] = byte(v * (1.2 - 0.4 * u));
        }
    }
    return px;
}

} // namespace MorvelinTest
