#pragma once

struct Morvelin_paramsCalc;

namespace Nuvra {
namespace DataStorage {
class DataChannel;
class ProgressData;
}

namespace Effect {

// The noise stage's progress weight: 0 without noise, 3 plain, 6 streaked.
double noiseWeight(const Morvelin_paramsCalc& params);

// Fills the float channel with the frame's noise texture, plain or streaked
// along params.angle; false when cancelled.
bool fillNoiseLayer(const Morvelin_paramsCalc& params, DataStorage::DataChannel& noise,
                    DataStorage::ProgressData* progress);

} // namespace Effect
} // namespace Nuvra
