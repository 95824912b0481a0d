#pragma once

#include <cstdint>

// ICC signatures as the engine uses them. The enumerations have a fixed
// 32-bit underlying type, so any value read from a file is representable.

constexpr uint32_t icSig(const char (&s)[5])
{
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
           (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

enum icColorSpaceSignature : uint32_t {
    icSigXYZData = icSig("XYZ "),
    icSigLabData = icSig("Lab "),
    icSigLuvData = icSig("Luv "),
    icSigYCbCrData = icSig("YCbr"),
    icSigYxyData = icSig("Yxy "),
    icSigRgbData = icSig("RGB "),
    icSigGrayData = icSig("GRAY"),
    icSigHsvData = icSig("HSV "),
    icSigHlsData = icSig("HLS "),
    icSigCmykData = icSig("CMYK"),
    icSigCmyData = icSig("CMY "),
    icSigLuvKData = icSig("LuvK"),
    icSig2colorData = icSig("2CLR"),
    icSig3colorData = icSig("3CLR"),
    icSig4colorData = icSig("4CLR"),
    icSig5colorData = icSig("5CLR"),
    icSig6colorData = icSig("6CLR"),
    icSig7colorData = icSig("7CLR"),
    icSig8colorData = icSig("8CLR"),
    icSig9colorData = icSig("9CLR"),
    icSig10colorData = icSig("ACLR"),
    icSig11colorData = icSig("BCLR"),
    icSig12colorData = icSig("CCLR"),
    icSig13colorData = icSig("DCLR"),
    icSig14colorData = icSig("ECLR"),
    icSig15colorData = icSig("FCLR"),
    icSigMCH1Data = icSig("MCH1"),
    icSigMCH2Data = icSig("MCH2"),
    icSigMCH3Data = icSig("MCH3"),
    icSigMCH4Data = icSig("MCH4"),
    icSigMCH5Data = icSig("MCH5"),
    icSigMCH6Data = icSig("MCH6"),
    icSigMCH7Data = icSig("MCH7"),
    icSigMCH8Data = icSig("MCH8"),
    icSigMCH9Data = icSig("MCH9"),
    icSigMCHAData = icSig("MCHA"),
    icSigMCHBData = icSig("MCHB"),
    icSigMCHCData = icSig("MCHC"),
    icSigMCHDData = icSig("MCHD"),
    icSigMCHEData = icSig("MCHE"),
    icSigMCHFData = icSig("MCHF"),
};

enum icProfileClassSignature : uint32_t {
    icSigInputClass = icSig("scnr"),
    icSigDisplayClass = icSig("mntr"),
    icSigOutputClass = icSig("prtr"),
    icSigLinkClass = icSig("link"),
    icSigAbstractClass = icSig("abst"),
    icSigColorSpaceClass = icSig("spac"),
    icSigNamedColorClass = icSig("nmcl"),
};

enum icRenderingIntent : uint32_t {
    icPerceptual = 0,
    icRelativeColorimetric = 1,
    icSaturation = 2,
    icAbsoluteColorimetric = 3,
};
