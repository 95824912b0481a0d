#pragma once

#include "effect/ProgressData.h"

// Small helpers over the optional progress record: each accepts null, so the
// stages read the same with and without a record.

namespace Nuvra {
namespace Effect {

using DataStorage::isCancelled;
using DataStorage::ProgressStage;

inline void advanceSteps(DataStorage::ProgressData* progress, int count = 1)
{
    if (!progress)
        return;
    if (count == 1)
        progress->advance();
    else
        progress->advance(count);
}

// Gives the next part of the current stage the share weight / weightSum.
inline void setStageWeight(DataStorage::ProgressData* progress, double weight, double weightSum)
{
    if (progress)
        progress->setWeight(weight / weightSum);
}

} // namespace Effect
} // namespace Nuvra
