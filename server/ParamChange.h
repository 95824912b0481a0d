#pragma once

#include "server/Params.h"

#include <cstdint>
#include <string>

// What else changes when the user edits one control: the colour-mode switch,
// the Autofill, Random and Reset buttons, the choice of a built-in preset and
// the Preset control that follows the values.

namespace Nuvra::VRPC {

// `text` is the value tree of all controls as the plug-in sent it, `id` the
// edited control (-1 when unknown). Returns the change tree as INFO text,
// empty when nothing changes.
std::string onParamChanged(int id, const std::string& text);
// The same with the random generator's seed given (Random otherwise seeds
// from the clock).
std::string onParamChanged(int id, const std::string& text, std::uint32_t randomSeed);

// Whether two records are the same settings: the colours compared are those
// a's mode uses; noise angle and smoothing count only with noise on.
bool sameParams(const ParamRecord& a, const ParamRecord& b);

// The seed a Random press takes from the clock.
std::uint32_t clockSeed();

// The pseudo-random sequence behind Random: each draw advances a 32-bit state
// and yields 15 bits as a value in 0..1.
class RandomDraws {
public:
    explicit RandomDraws(std::uint32_t seed) : m_state(seed) {}
    int next15();
    float next() { return static_cast<float>(next15()) / 32767.0f; }

private:
    std::uint32_t m_state;
};

} // namespace Nuvra::VRPC
