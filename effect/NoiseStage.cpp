#include "effect/NoiseStage.h"

#include "effect/ChannelStages.h"
#include "effect/MorvelinParams.h"
#include "effect/NoiseLayer.h"
#include "effect/StageSteps.h"
#include "effect/TiledBlur.h"
#include "effect/Warp.h"
#include "pixelstore/DataChannel.h"

#include <cmath>

namespace Nuvra {
namespace Effect {

double noiseWeight(const Morvelin_paramsCalc& params)
{
    if (params.noise == 0)
        return 0.0;
    return params.noiseSmoothOn ? 6.0 : 3.0;
}

bool fillNoiseLayer(const Morvelin_paramsCalc& params, DataStorage::DataChannel& noise,
                    DataStorage::ProgressData* progress)
{
    NoiseGenerator gen;
    if (!params.noiseSmoothOn) {
        ProgressStage stage(progress, noise.tileCount());
        return fillNoiseChannel(noise, gen, progress);
    }

    const StreakGeometry g = streakGeometry(noise.width(), noise.height(), params.angle, params.noiseSmooth);
    DataStorage::DataChannel streaks(Size{g.width, g.height}, DataStorage::kTypeFloat);
    const bool blur = std::fabs(params.noiseSmooth) > 9.99999997e-07f;
    const double parts = blur ? 11.0 : 6.0;
    ProgressStage stage(progress, 0);

    setStageWeight(progress, 1.0, parts);
    {
        ProgressStage generation(progress, streaks.tileCount());
        if (!fillNoiseChannel(streaks, gen, progress))
            return false;
    }
    const Rect whole{0, 0, g.width, g.height};
    if (blur) {
        setStageWeight(progress, 5.0, parts);
        float sigma[2] = {params.noiseSmooth, 0.0f};
        tiledBlurChannel(streaks, streaks, sigma, whole, whole, progress);
        if (isCancelled(progress))
            return false;
    }
    setStageWeight(progress, 5.0, parts);
    warpChannel(streaks, noise, whole, Rect::fromSize(noise.size()), g.frameToBuffer, progress, 0.0f);
    return !isCancelled(progress);
}

} // namespace Effect
} // namespace Nuvra
