#pragma once

namespace Nuvra {
namespace DataStorage {

// Element type code of a channel: negative codes are the numeric types,
// a positive n is an opaque element of n bytes, 0 is invalid.
using ChannelType = int;

constexpr ChannelType kTypeU8 = -1;
constexpr ChannelType kTypeU16 = -2;
constexpr ChannelType kTypeFloat = -3;
constexpr ChannelType kTypeDouble = -4;

constexpr int kMaxElementSize = 255;

// Bytes per element: n for n > 0, else 1 << (~code & 31). Gives 0 for every
// code whose size is not 1..kMaxElementSize (0 itself, opaque sizes above 255,
// negative codes past -8), so callers can reject them before sizing tables.
constexpr int elementSize(ChannelType type) noexcept
{
    if (type > 0)
        return type <= kMaxElementSize ? type : 0;
    if (type == 0)
        return 0;
    const unsigned shift = unsigned(~type) & 31u;
    return shift < 8 ? int(1u << shift) : 0;
}

constexpr bool isValidChannelType(ChannelType type) noexcept { return elementSize(type) != 0; }

// The four types that element conversion understands.
constexpr bool isNumericType(ChannelType type) noexcept { return type >= kTypeDouble && type <= kTypeU8; }

} // namespace DataStorage
} // namespace Nuvra
