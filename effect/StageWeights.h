#pragma once

// The progress weights of one frame's stages, in pipeline order. Each stage
// covers weight / total of the frame; stages that do not run weigh 0.

#include "effect/StageSteps.h"

namespace Nuvra {
namespace Effect {

enum class FrameStage {
    SourceLuminance,
    Downscale,
    Sharpening,
    Orientation,
    LineIntegral,
    Upscale,
    Noise,
    Colouring,
    Output,
    Count
};

class StageWeights {
public:
    // resized: the frame goes to a working size and back; noise: the noise
    // stage's own weight (noiseWeight).
    StageWeights(bool resized, double noise)
        : m_weight{5.0, resized ? 5.0 : 0.0, 5.0, 5.0, 200.0, resized ? 15.0 : 0.0, noise, 3.0, 5.0}
    {
        for (const double w : m_weight)
            m_total += w;
    }

    double weight(FrameStage s) const { return m_weight[int(s)]; }
    double total() const { return m_total; }

    // Gives the next part of the frame's stage to s.
    void enter(DataStorage::ProgressData* progress, FrameStage s) const
    {
        setStageWeight(progress, weight(s), m_total);
    }

private:
    double m_weight[int(FrameStage::Count)];
    double m_total = 0.0;
};

} // namespace Effect
} // namespace Nuvra
