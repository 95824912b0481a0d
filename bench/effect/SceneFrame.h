#pragma once

// A landscape for the frame benchmark: sky with clouds, a sun, hills with
// trees, a lake with ripples and fine grain, so the painting meets the soft
// gradients, hard edges and textures of a real photograph.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace MorvelinBench {

inline double hash01(int x, int y, int seed)
{
    std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u + std::uint32_t(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return double((h ^ (h >> 16)) & 0xFFFFFF) / double(0xFFFFFF);
}

// Smooth value noise in 0..1 with `octaves` octaves of the given base period.
inline double valueNoise(double x, double y, double period, int octaves, int seed)
{
    double sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        const double fx = x / period, fy = y / period;
        const int ix = int(std::floor(fx)), iy = int(std::floor(fy));
        double tx = fx - ix, ty = fy - iy;
        tx = tx * tx * (3 - 2 * tx);
        ty = ty * ty * (3 - 2 * ty);
        const double a = hash01(ix, iy, seed + o), b = hash01(ix + 1, iy, seed + o);
        const double c = hash01(ix, iy + 1, seed + o), d = hash01(ix + 1, iy + 1, seed + o);
        sum += amp * ((a * (1 - tx) + b * tx) * (1 - ty) + (c * (1 - tx) + d * tx) * ty);
        norm += amp;
        amp *= 0.5;
        period *= 0.5;
    }
    return sum / norm;
}

// 8-bit A, R, G, B pixels, opaque.
inline std::vector<std::uint8_t> landscapeArgb(int w, int h)
{
    std::vector<std::uint8_t> px(std::size_t(w) * std::size_t(h) * 4);
    const double s = h / 1080.0;  // scale of all features
    const double pi = 3.14159265358979323846;
    struct Tree { double x, base, height, crown; };
    std::vector<Tree> trees;
    for (int i = 0; i < 40; ++i) {
        const double x = hash01(i, 1, 7) * w;
        trees.push_back({x, 0.0, (60 + 90 * hash01(i, 2, 7)) * s, (25 + 30 * hash01(i, 3, 7)) * s});
    }
    auto horizon = [&](double x) {
        return h * (0.48 + 0.05 * std::sin(x / w * 2 * pi * 1.3 + 0.4) + 0.025 * std::sin(x / w * 2 * pi * 3.7));
    };
    for (Tree& t : trees)
        t.base = horizon(t.x) + 12 * s;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double r, g, b;
            const double hz = horizon(x);
            const bool lake = std::pow((x - 0.3 * w) / (0.22 * w), 2) + std::pow((y - 0.78 * h) / (0.1 * h), 2) < 1;
            if (y < hz) {
                const double t = y / hz;
                r = 40 + 170 * t;
                g = 80 + 145 * t;
                b = 170 + 75 * t;
                const double cloud = std::max(0.0, valueNoise(x, y * 2.2, 260 * s, 5, 3) - 0.52) * 3.2;
                r += (250 - r) * std::min(1.0, cloud);
                g += (250 - g) * std::min(1.0, cloud);
                b += (252 - b) * std::min(1.0, cloud);
                const double d = std::hypot(x - 0.76 * w, y - 0.18 * h) / (55 * s);
                if (d < 1) {
                    r = 255;
                    g = 244;
                    b = 190;
                } else if (d < 4) {
                    const double glow = (4 - d) / 3 * 0.5;
                    r += (255 - r) * glow;
                    g += (235 - g) * glow;
                    b += (170 - b) * glow;
                }
            } else if (lake) {
                const double ripple = 0.5 + 0.5 * std::sin(y * 0.9 / s + 6 * valueNoise(x, y, 120 * s, 3, 5));
                r = 30 + 40 * ripple;
                g = 70 + 50 * ripple;
                b = 120 + 60 * ripple;
            } else {
                const double n = valueNoise(x, y, 180 * s, 6, 9);
                const double depth = (y - hz) / (h - hz + 1);
                r = 50 + 70 * n + 40 * depth;
                g = 90 + 70 * n + 20 * depth;
                b = 35 + 30 * n;
                if (valueNoise(x, y, 40 * s, 2, 11) > 0.72) {  // fields of flowers
                    r += 80;
                    g += 40;
                }
            }
            for (const Tree& t : trees) {
                const double trunk = std::fabs(x - t.x) < 5 * s && y > t.base - t.height && y < t.base;
                const double crown = std::hypot(x - t.x, (y - (t.base - t.height)) * 0.8) < t.crown;
                if (crown) {
                    const double n = valueNoise(x, y, 9 * s, 2, 13);
                    r = 20 + 30 * n;
                    g = 55 + 50 * n;
                    b = 25 + 20 * n;
                } else if (trunk) {
                    r = 60;
                    g = 40;
                    b = 25;
                }
            }
            const double grain = (hash01(x, y, 17) - 0.5) * 8;
            std::uint8_t* p = &px[(std::size_t(y) * w + x) * 4];
            auto byte = [](double v) { return std::uint8_t(std::clamp(v, 0.0, 255.0) + 0.5); };
            p[0] = 255;
            p[1] = byte(r + grain);
            p[2] = byte(g + grain);
            p[3] = byte(b + grain);
        }
    }
    return px;
}

} // namespace MorvelinBench
