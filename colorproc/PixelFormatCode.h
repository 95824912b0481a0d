#pragma once

#include "pixelstore/PixelFormat.h"

#include <cstdint>

namespace Nuvra {
namespace DataStorage {

// The colour engine's 32-bit pixel-format code: the layout of one
// interleaved pixel, as the engine's transforms know it.
//   bits 0-2   sample type (0 float, 1 8-bit, 2 16-bit)
//   bits 3-6   colour channels
//   bits 7-9   extra (non-colour) channels
//   0x400      colour channels in descending channel order
//   0x800      the last channel of the canonical list stands first
//   0x1000     reserved, 0x2000 flavour: never written, always refused
//   bits 16-20 the engine's colour-space number
namespace CMM_PF {

constexpr uint32_t kReversed = 0x400;
constexpr uint32_t kSwapFirst = 0x800;
constexpr uint32_t kOrderBits = 0xC00;
constexpr uint32_t kReserved = 0x1000;
constexpr uint32_t kFlavor = 0x2000;

constexpr int kFloat = 0;
constexpr int kByte = 1;
constexpr int kWord = 2;

// The engine's numbers of the spaces codes are made for.
constexpr int kSpaceLab = 4;
constexpr int kSpaceGray = 5;
constexpr int kSpaceRGB = 6;
constexpr int kSpaceCMY = 7;
constexpr int kSpaceCMYK = 8;

constexpr int sampleType(uint32_t code) { return int(code & 7u); }
constexpr int colors(uint32_t code) { return int((code >> 3) & 15u); }
constexpr int extras(uint32_t code) { return int((code >> 7) & 7u); }
constexpr int samples(uint32_t code) { return colors(code) + extras(code); }
constexpr int space(uint32_t code) { return int((code >> 16) & 31u); }
constexpr uint32_t order(uint32_t code) { return code & kOrderBits; }

constexpr uint32_t make(int space, int colors, int extras, int sampleType, uint32_t order = 0)
{
    return uint32_t(space) << 16 | order | uint32_t(extras) << 7 | uint32_t(colors) << 3 | uint32_t(sampleType);
}

} // namespace CMM_PF

// The code of a format, or 0 when the format has no code: colour channels of
// no single space, in no consecutive order, split extras, element types that
// differ or are not 8-bit, 16-bit or float, a channel listed twice, or more
// extras than the code holds.
unsigned int PixelFormat2CMM_PF(const PixelFormat& format);

// The format a code describes; the empty format for a code it cannot express.
// A code with exactly one extra channel comes back with alpha as that channel;
// other extra counts give the colour channels alone.
PixelFormat CMM_PF2PixelFormat(unsigned int code);

} // namespace DataStorage
} // namespace Nuvra
