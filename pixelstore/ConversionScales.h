#pragma once

namespace Nuvra {
namespace DataStorage {

// Fixed scales shared by the plain and the vector conversions, so both give
// bit-identical results. Integer to float multiplies by the reciprocal (in
// single precision) rather than dividing.
constexpr float kU8Max = 255.0f;
constexpr float kU16Max = 65535.0f;
constexpr float kU8ToFloat = 0.003921569f;  // 1/255 in single precision
constexpr float kU16ToFloat = 1.5259022e-5f; // 1/65535 in single precision
constexpr double kU8ToDouble = 1.0 / 255.0;
constexpr double kU16ToDouble = 1.0 / 65535.0;

static_assert(kU8ToFloat == 1.0f / 255.0f, "8-bit scale must be 1/255 rounded to single precision");
static_assert(kU16ToFloat == 1.0f / 65535.0f, "16-bit scale must be 1/65535 rounded to single precision");

} // namespace DataStorage
} // namespace Nuvra
