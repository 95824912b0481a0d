#include "effect/LuminanceStages.h"

#include "effect/MorvelinParams.h"
#include "effect/ScratchArena.h"
#include "effect/StageSteps.h"
#include "effect/StageWeights.h"

#include <cstddef>

namespace Nuvra {
namespace Effect {

LuminanceLengths luminanceLengths(const Morvelin_paramsCalc& params, float k)
{
    LuminanceLengths l;
    l.sigma1 = params.sigmaBlur * k / 100.0f;
    l.sigmaG = params.gradients * k / 100.0f;
    // A trace costs its length at every working pixel, so lines are cut at
    // twice the longest the Smudging slider gives (2.0): a longer value from a
    // preset or a host would cost a frame many times its normal time. NaN
    // passes through and means no line.
    constexpr float kMaxLineIntg = 4.0f;
    const float lineIntg = params.line_intg > kMaxLineIntg ? kMaxLineIntg : params.line_intg;
    l.length = lineIntg * k / 100.0f;
    return l;
}

bool runLuminanceStages(int w, int h, float* lum, const Morvelin_paramsCalc& params, float k,
                        const StageWeights& weights,
                        DataStorage::ProgressData* progress)
{
    const LuminanceLengths len = luminanceLengths(params, k);
    const std::size_t n = std::size_t(w) * std::size_t(h);
    // Taken before the stages' own blocks, so that the thread's arena finds
    // every block of a frame the same size as last frame's.
    ScratchBuffer<float> vx(n);
    ScratchBuffer<float> vy(n);

    weights.enter(progress, FrameStage::Sharpening);
    {
        ProgressStage stage(progress, 8);
        if (!sharpenLuminance(w, h, lum, len.sigma1, params.unsharp, progress))
            return false;
    }

    if (isCancelled(progress))
        return false;
    weights.enter(progress, FrameStage::Orientation);
    {
        ProgressStage stage(progress, 10);
        if (!orientationField(w, h, lum, len.sigmaG, vx.data(), vy.data(), progress))
            return false;
    }

    if (isCancelled(progress))
        return false;
    weights.enter(progress, FrameStage::LineIntegral);
    ProgressStage stage(progress, h);
    return lineIntegral(w, h, lum, vx.data(), vy.data(), len.length, lum, progress);
}

} // namespace Effect
} // namespace Nuvra
