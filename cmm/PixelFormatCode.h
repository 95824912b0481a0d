#pragma once

#include <cstdint>

namespace Nuvra {
namespace CMM {

// The 32-bit pixel-format code that travels with every transform and
// processor:
//   bits 0-2   sample type (0 float, 1 unsigned 8-bit, 2 unsigned 16-bit)
//   bits 3-6   colour channels
//   bits 7-9   extra channels
//   0x400      samples stored in descending order
//   0x800      extra channel first (with 0x400: colours descending, extras last)
//   0x1000     reserved, 0x2000 flavour (neither is supported by processors)
//   bits 16-20 engine colour-space number (ColorSpace_ICC2CMM; 0 = any)
namespace CMM_PF {

constexpr uint32_t kSampleFloat = 0;
constexpr uint32_t kSample8 = 1;
constexpr uint32_t kSample16 = 2;

constexpr uint32_t kDescending = 0x400;
constexpr uint32_t kExtrasFirst = 0x800;
constexpr uint32_t kOrderMask = 0xC00;
constexpr uint32_t kReserved = 0x1000;
constexpr uint32_t kFlavor = 0x2000;

// Engine colour-space numbers that codes use most.
constexpr uint32_t kSpaceLab = 4;
constexpr uint32_t kSpaceGray = 5;
constexpr uint32_t kSpaceRGB = 6;
constexpr uint32_t kSpaceCMYK = 8;

constexpr uint32_t SampleType(uint32_t code) { return code & 0x7; }
constexpr int Colors(uint32_t code) { return int((code >> 3) & 0xF); }
constexpr int Extras(uint32_t code) { return int((code >> 7) & 0x7); }
constexpr int Samples(uint32_t code) { return Colors(code) + Extras(code); }
constexpr uint32_t Order(uint32_t code) { return code & kOrderMask; }
constexpr uint32_t Space(uint32_t code) { return (code >> 16) & 0x1F; }

constexpr uint32_t Make(uint32_t space, int colors, int extras, uint32_t sampleType, uint32_t order = 0)
{
    return (space << 16) | order | (uint32_t(extras & 7) << 7) | (uint32_t(colors & 15) << 3) |
           (sampleType & 7);
}

// The engine's own codes: n colours of 16 bits, no extras, any colour space.
constexpr uint32_t Device16(int channels) { return uint32_t(channels & 15) * 8 + 2; }
constexpr uint32_t kCMYK16 = 0x80022;
constexpr uint32_t kLab16 = 0x4001A;
constexpr uint32_t kLabFloat = 0x40018;

} // namespace CMM_PF

} // namespace CMM
} // namespace Nuvra
