#include "effect/NoiseLayer.h"

#include "effect/TiledBlurKernels.h"
#include "pixelstore/TileWalk.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace Nuvra {
namespace Effect {

void fillNoiseInTileOrder(float* dst, int w, int h, int stride, NoiseGenerator& gen)
{
    if (w <= 0 || h <= 0)
        return;
    DataStorage::forEachTilePiece(Rect{0, 0, w, h}, tileCount(w), [&](int, const Rect& piece) {
        const int left = piece.left, right = piece.right, bottom = piece.bottom;
        for (int y = piece.top; y < bottom; ++y) {
            float* row = dst + std::size_t(y) * std::size_t(stride);
            for (int x = left; x < right; ++x)
                row[x] = gen.next();
        }
    });
}

StreakGeometry streakGeometry(int frameWidth, int frameHeight, int angle, float noiseSmooth)
{
    const double theta = double(float(angle));
    const double s = std::sin(theta * -0.017453292519943295);
    const double c = std::cos(theta * -0.017453292519943295);
    const double e = double(1e-5f);
    const double W = frameWidth;
    const double H = frameHeight;
    const double cx[4] = {0.0, W, 0.0, W};  // p0, p1, p2, p3
    const double cy[4] = {0.0, 0.0, H, H};
    double xs[4], ys[4];
    for (int i = 0; i < 4; ++i) {
        xs[i] = c * cx[i] - s * cy[i];
        ys[i] = s * cx[i] + c * cy[i];
    }
    auto upper = [e](const double* v) {
        const double v3 = v[3] == v[0] ? v[3] + e : v[3];
        return std::max({v[0], v3, v[1] + e, v[2] + e});
    };
    const int x0 = int(std::floor(*std::min_element(xs, xs + 4)));
    const int y0 = int(std::floor(*std::min_element(ys, ys + 4)));
    const int x1 = int(std::ceil(upper(xs)));
    const int y1 = int(std::ceil(upper(ys)));

    StreakGeometry g;
    // A negative sigma blurs like its magnitude. Past a reach as long as the
    // frame's diagonal the blurred streaks are flat anyway, so the margin stops
    // there: an absurd sigma would otherwise cost a wide buffer and blur work
    // for columns nothing sees. The floor keeps every slider value (up to 10)
    // exact on small frames.
    const float sigma = std::isnan(noiseSmooth) ? 0.0f : std::fabs(noiseSmooth);
    const int reachLimit = std::max(kMinStreakReach, int(std::ceil(std::hypot(W, H))));
    g.margin = int(3.0f * std::min(sigma, DataStorage::ns_cltBlur::kMaxSigma));
    g.margin = std::min(g.margin, reachLimit);
    g.width = (x1 - x0) + 2 * g.margin;
    g.height = y1 - y0;
    const double d = g.margin;
    g.frameToBuffer.m[0] = c;
    g.frameToBuffer.m[1] = s;
    g.frameToBuffer.m[2] = 0.0;
    g.frameToBuffer.m[3] = -s;
    g.frameToBuffer.m[4] = c;
    g.frameToBuffer.m[5] = 0.0;
    g.frameToBuffer.m[6] = d - x0;
    g.frameToBuffer.m[7] = -double(y0);
    g.frameToBuffer.m[8] = 1.0;
    return g;
}

} // namespace Effect
} // namespace Nuvra
