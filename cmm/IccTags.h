#pragma once

#include "cmm/IccSignatures.h"

#include <cstdint>

namespace Nuvra {
namespace CMM {

using icTagSignature = uint32_t;
using icTagTypeSignature = uint32_t;

namespace Sig {
// Profile classes.
constexpr uint32_t Input = icSig("scnr");
constexpr uint32_t Display = icSig("mntr");
constexpr uint32_t Output = icSig("prtr");
constexpr uint32_t Link = icSig("link");
constexpr uint32_t Abstract = icSig("abst");
constexpr uint32_t ColorSpaceClass = icSig("spac");

// Colour spaces used by the engine itself.
constexpr uint32_t XYZ = icSig("XYZ ");
constexpr uint32_t Lab = icSig("Lab ");
constexpr uint32_t Gray = icSig("GRAY");
constexpr uint32_t RGB = icSig("RGB ");
constexpr uint32_t CMYK = icSig("CMYK");

constexpr uint32_t Magic = icSig("acsp");

// Tags.
constexpr uint32_t Desc = icSig("desc");
constexpr uint32_t Cprt = icSig("cprt");
constexpr uint32_t Dmnd = icSig("dmnd");
constexpr uint32_t Dmdd = icSig("dmdd");
constexpr uint32_t Targ = icSig("targ");
constexpr uint32_t Vued = icSig("vued");
constexpr uint32_t Wtpt = icSig("wtpt");
constexpr uint32_t Bkpt = icSig("bkpt");
constexpr uint32_t RXYZ = icSig("rXYZ");
constexpr uint32_t GXYZ = icSig("gXYZ");
constexpr uint32_t BXYZ = icSig("bXYZ");
constexpr uint32_t Chad = icSig("chad");
constexpr uint32_t RTRC = icSig("rTRC");
constexpr uint32_t GTRC = icSig("gTRC");
constexpr uint32_t BTRC = icSig("bTRC");
constexpr uint32_t KTRC = icSig("kTRC");
constexpr uint32_t A2B0 = icSig("A2B0");
constexpr uint32_t A2B1 = icSig("A2B1");
constexpr uint32_t A2B2 = icSig("A2B2");
constexpr uint32_t B2A0 = icSig("B2A0");
constexpr uint32_t B2A1 = icSig("B2A1");
constexpr uint32_t B2A2 = icSig("B2A2");
constexpr uint32_t Pre0 = icSig("pre0");
constexpr uint32_t Pre1 = icSig("pre1");
constexpr uint32_t Pre2 = icSig("pre2");
constexpr uint32_t Gamt = icSig("gamt");
constexpr uint32_t Chrm = icSig("chrm");
constexpr uint32_t Calt = icSig("calt");

// Tag types.
constexpr uint32_t TypeText = icSig("text");
constexpr uint32_t TypeDesc = icSig("desc");
constexpr uint32_t TypeMluc = icSig("mluc");
constexpr uint32_t TypeXYZ = icSig("XYZ ");
constexpr uint32_t TypeSf32 = icSig("sf32");
constexpr uint32_t TypeChrm = icSig("chrm");
constexpr uint32_t TypeDtim = icSig("dtim");
constexpr uint32_t TypeCurv = icSig("curv");
constexpr uint32_t TypePara = icSig("para");
constexpr uint32_t TypeMft1 = icSig("mft1");
constexpr uint32_t TypeMft2 = icSig("mft2");
constexpr uint32_t TypeMAB = icSig("mAB ");
constexpr uint32_t TypeMBA = icSig("mBA ");
// Aliases that old writers put in place of the registered types.
constexpr uint32_t TypeCurvAlias = 0x9478EE00u;
constexpr uint32_t TypeXYZAlias = 0x07C3B10Cu;
} // namespace Sig

} // namespace CMM
} // namespace Nuvra
