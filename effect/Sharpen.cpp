#include "effect/LuminanceStages.h"

#include "effect/Clamp.h"
#include "effect/GaussBlur.h"
#include "effect/ScratchArena.h"
#include "effect/StageSteps.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace Nuvra {
namespace Effect {

namespace {

struct Moments {
    double mean = 0.0;
    double variance = 0.0;
};

// Single-precision sums lose everything on large flat frames (and went
// negative), so the moments are accumulated in double, in index order.
Moments moments(const float* v, std::size_t n)
{
    double sum = 0.0;
    double sumSq = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = v[i];
        sum += x;
        sumSq += x * x;
    }
    Moments m;
    m.mean = sum / double(n);
    const double var = sumSq / double(n) - m.mean * m.mean;
    m.variance = var > 0.0 ? var : 0.0;  // also maps NaN to 0
    return m;
}

} // namespace

double quantisationVarianceAfterBandPass(float sigma1)
{
    if (!(sigma1 > 0.0f))
        return 0.0;
    const double steps = 1.0 / (255.0 * 255.0 * 12.0);  // uniform rounding to 8 bits
    if (sigma1 >= 8.0f) {
        // Far past the recursive filter's small-sigma quirks: the continuous
        // difference of Gaussians, sum of (g1 - g2)^2 over the plane.
        const double s2 = double(sigma1) * double(sigma1);
        const double pi = 3.14159265358979323846;
        return steps * (1.0 + 1.0 / 1.21 - 4.0 / 2.21) / (4.0 * pi * s2);
    }
    // The blur itself through an impulse: at small sigmas it departs far from
    // a Gaussian, and the bound must follow the band-pass the frame gets.
    const int n = 2 * int(std::ceil(5.5f * sigma1)) + 9;
    const std::size_t count = std::size_t(n) * std::size_t(n);
    std::vector<float> impulse(count, 0.0f), e(count), g(count);
    impulse[count / 2] = 1.0f;
    gaussBlurChannel(n, n, impulse.data(), n, e.data(), n, sigma1, nullptr, nullptr);
    gaussBlurChannel(n, n, impulse.data(), n, g.data(), n, sigma1 * 1.1f, nullptr, nullptr);
    double energy = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double d = double(e[i]) - double(g[i]);
        energy += d * d;
    }
    return steps * energy;
}

float sharpeningGain(float unsharp, double varE, double varD, double varQ)
{
    if (!(varD > 1e-20))
        return unsharp;
    const double normalisation = std::sqrt(varE / varD) * 1.5;
    if (!std::isfinite(normalisation))
        return unsharp;
    double coef = double(unsharp) * normalisation;
    // On a smooth gradient D holds little but the 8-bit steps, and the
    // normalisation would lift them into stripes tens of levels deep. While D
    // is within kQuantisedDetail times what the steps leave, the gain keeps
    // them below 0.4 of a level; the bound then grows with the square of D's
    // excess, so photographs (hundreds of times the steps) never meet it and
    // the gain stays continuous from frame to frame.
    if (varQ > 0.0) {
        const double excess = std::max(1.0, varD / (kQuantisedDetail * varQ));
        const double bound = 0.4 / 255.0 / std::sqrt(varQ) * excess * excess;
        coef = std::min(coef, bound);
    }
    const float result = float(coef);
    return std::isfinite(result) ? result : unsharp;
}

bool sharpenLuminance(int w, int h, float* lum, float sigma1, float unsharp,
                      DataStorage::ProgressData* progress)
{
    const std::size_t n = std::size_t(w) * std::size_t(h);
    // One block of four buffers' size, as the other stages take.
    const ScratchBuffer<float> block(4 * n);
    float* e = block.data();
    float* g = e + n;
    float* work = g + n;

    if (isCancelled(progress))
        return false;
    gaussBlurChannel(w, h, lum, w, e, w, sigma1, work, nullptr);
    advanceSteps(progress, 2);

    if (isCancelled(progress))
        return false;
    gaussBlurChannel(w, h, lum, w, g, w, sigma1 * 1.1f, work, nullptr);
    advanceSteps(progress, 2);

    if (isCancelled(progress))
        return false;
    float* d = g;  // D = E - G replaces G
    for (std::size_t i = 0; i < n; ++i)
        d[i] = e[i] - d[i];
    advanceSteps(progress);

    if (isCancelled(progress))
        return false;
    const Moments md = moments(d, n);
    advanceSteps(progress);

    if (isCancelled(progress))
        return false;
    const Moments me = moments(e, n);
    advanceSteps(progress);

    const float coef = sharpeningGain(unsharp, me.variance, md.variance, quantisationVarianceAfterBandPass(sigma1));
    qWarning("Sharping Lum: disp = %f, disp_diff = %f, coef = %f\n", me.variance, md.variance, double(coef));

    if (isCancelled(progress))
        return false;
    for (std::size_t i = 0; i < n; ++i)
        lum[i] = clamp01(e[i] + coef * d[i]);
    advanceSteps(progress);
    return true;
}

} // namespace Effect
} // namespace Nuvra
