#pragma once

namespace Nuvra {
namespace DataStorage {

// Gives the pixel store's plane copy its colour branch: planes of different
// colour spaces or profiles convert their colour channels through the
// processor of GetProcessingCMM. Safe to call more than once; the effect does
// it at start-up.
void installPlaneColorConversion();

} // namespace DataStorage
} // namespace Nuvra
