#pragma once

#include <cmath>
#include <random>
#include <vector>

namespace bench {

// Smooth content with some noise, in 0..1, like a luminance plane.
inline std::vector<float> testImage(int w, int h)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> noise(-0.05f, 0.05f);
    std::vector<float> img(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img[size_t(y) * w + x] =
                std::min(1.0f, std::max(0.0f, 0.5f + 0.4f * std::sin(x * 0.013f) * std::cos(y * 0.021f) + noise(rng)));
    return img;
}

struct Dims {
    int w, h;
};
constexpr Dims kSizes[] = {{1493, 839}, {1920, 1080}};

} // namespace bench
