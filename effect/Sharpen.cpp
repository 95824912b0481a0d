#include "effect/LuminanceStages.h"

#include "effect/Clamp.h"
#include "effect/GaussBlur.h"
#include "effect/ScratchArena.h"
#include "effect/StageSteps.h"

#include <QtGlobal>

#include <cmath>
#include <cstddef>

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

float sharpeningGain(float unsharp, double varE, double varD)
{
    if (!(varD > 1e-20))
        return unsharp;
    const double coef = double(unsharp) * std::sqrt(varE / varD) * 1.5;
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

    const float coef = sharpeningGain(unsharp, me.variance, md.variance);
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
