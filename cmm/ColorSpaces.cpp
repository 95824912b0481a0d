#include "cmm/ColorSpaces.h"

namespace Nuvra {
namespace CMM {

namespace {

struct SpaceNumber {
    uint32_t sig;
    int number;
};

constexpr SpaceNumber kSpaceNumbers[] = {
    {icSigXYZData, 3},     {icSigLabData, 4},     {icSigGrayData, 5},    {icSigRgbData, 6},
    {icSigCmyData, 7},     {icSigCmykData, 8},    {icSigYCbCrData, 9},   {icSigLuvData, 10},
    {icSigLuvKData, 11},   {icSigHsvData, 12},    {icSigHlsData, 13},    {icSigYxyData, 14},
    {icSig6colorData, 15}, {icSigMCH6Data, 15},   {icSig7colorData, 16}, {icSigMCH7Data, 16},
    {icSig8colorData, 17}, {icSigMCH8Data, 17},   {icSig9colorData, 18}, {icSigMCH9Data, 18},
    {icSig10colorData, 19}, {icSigMCHAData, 19},  {icSig11colorData, 20}, {icSigMCHBData, 20},
    {icSig12colorData, 21}, {icSigMCHCData, 21},  {icSig13colorData, 22}, {icSigMCHDData, 22},
    {icSig14colorData, 23}, {icSigMCHEData, 23},  {icSig15colorData, 24}, {icSigMCHFData, 24},
};

struct SpaceChannels {
    uint32_t sig;
    int channels;
};

constexpr SpaceChannels kSpaceChannels[] = {
    {icSigGrayData, 1},     {icSigCmykData, 4},     {icSigLuvKData, 4},
    {icSig2colorData, 2},   {icSig4colorData, 4},   {icSig5colorData, 5},
    {icSig6colorData, 6},   {icSig7colorData, 7},   {icSig8colorData, 8},
    {icSig9colorData, 9},   {icSig10colorData, 10}, {icSig11colorData, 11},
    {icSig12colorData, 12}, {icSig13colorData, 13}, {icSig14colorData, 14},
    {icSig15colorData, 15}, {icSigMCH5Data, 5},     {icSigMCH6Data, 6},
    {icSigMCH7Data, 7},     {icSigMCH8Data, 8},     {icSigMCH9Data, 9},
    {icSigMCHAData, 10},    {icSigMCHBData, 11},    {icSigMCHCData, 12},
    {icSigMCHDData, 13},    {icSigMCHEData, 14},    {icSigMCHFData, 15},
};

constexpr uint16_t kWhiteRgb[] = {0xFFFF, 0xFFFF, 0xFFFF};
constexpr uint16_t kBlackRgb[] = {0, 0, 0};
constexpr uint16_t kWhiteCmy[] = {0, 0, 0};
constexpr uint16_t kBlackCmy[] = {0xFFFF, 0xFFFF, 0xFFFF};
constexpr uint16_t kWhiteCmyk[] = {0, 0, 0, 0};
constexpr uint16_t kBlackCmyk[] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
constexpr uint16_t kWhiteLab[] = {0xFF00, 0x8000, 0x8000};
constexpr uint16_t kBlackLab[] = {0, 0x8000, 0x8000};
constexpr uint16_t kWhiteGray[] = {0xFFFF};
constexpr uint16_t kBlackGray[] = {0};

struct SpaceEndPoints {
    uint32_t sig;
    int channels;
    const uint16_t* white;
    const uint16_t* black;
};

constexpr SpaceEndPoints kEndPoints[] = {
    {icSigRgbData, 3, kWhiteRgb, kBlackRgb},
    {icSigCmyData, 3, kWhiteCmy, kBlackCmy},
    {icSigCmykData, 4, kWhiteCmyk, kBlackCmyk},
    {icSigLabData, 3, kWhiteLab, kBlackLab},
    {icSigGrayData, 1, kWhiteGray, kBlackGray},
};

} // namespace

int ColorSpace_ICC2CMM(icColorSpaceSignature space)
{
    for (const SpaceNumber& e : kSpaceNumbers)
        if (e.sig == space)
            return e.number;
    return 0;
}

int ChannelsOf(icColorSpaceSignature space)
{
    for (const SpaceChannels& e : kSpaceChannels)
        if (e.sig == space)
            return e.channels;
    return 3;
}

int EndPointsBySpace(icColorSpaceSignature space, const uint16_t** white, const uint16_t** black)
{
    for (const SpaceEndPoints& e : kEndPoints) {
        if (e.sig != space)
            continue;
        if (white)
            *white = e.white;
        if (black)
            *black = e.black;
        return e.channels;
    }
    return 0;
}

} // namespace CMM
} // namespace Nuvra
