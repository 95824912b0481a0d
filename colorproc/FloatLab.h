#pragma once

namespace Nuvra {
namespace DataStorage {

// Float Lab planes without a profile hold L, a and b in 0..1. The colour
// processors scale a and b by 65280 into working samples whose neutral is
// 0x8000, so the neutral float is 128/255; 0.5 would land half a step off
// and tint every grey slightly.
constexpr float kFloatLabNeutral = 128.0f / 255.0f;

} // namespace DataStorage
} // namespace Nuvra
