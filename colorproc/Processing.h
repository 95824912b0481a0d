#pragma once

#include "cmm/Processing.h"
#include "colorproc/FloatLab.h"

#include <algorithm>
#include <cstdint>

namespace Nuvra {
namespace DataStorage {
namespace Detail {

// Run-time converters of the pixel-format processors: a code and the sample
// adapter chosen for it.
struct sCommonConv : CMM::cColorFormat {};
struct InputConvDo {};
struct OutputConvDo {};
// One pixel, and runs of count pixels (the working samples kWorkSamples apart).
struct sInputConv : sCommonConv, InputConvDo {
    const void* (*unpack)(const void* src, uint16_t* work, int n) = nullptr;
    const void* (*unpackRun)(const void* src, uint16_t* work, int n, int count) = nullptr;
};
struct sOutputConv : sCommonConv, OutputConvDo {
    void* (*pack)(const uint16_t* work, void* dst, int n) = nullptr;
    void* (*packRun)(const uint16_t* work, void* dst, int n, int count) = nullptr;
};

// Compile-time converters: the code is the template argument.
template <uint32_t Code>
struct tCommonConv : CMM::tColorFormat<Code> {};
template <uint32_t Code>
struct tInputConv : tCommonConv<Code>, InputConvDo {};
template <uint32_t Code>
struct tOutputConv : tCommonConv<Code>, OutputConvDo {};

// Store the code and choose the adapter; the function stays null (with a
// critical line) for a sample type without adapters.
void InitInputConv(sInputConv& conv, unsigned code);
void InitOutputConv(sOutputConv& conv, unsigned code);

// Lab colour samples of every sample type: the working encoding has L = 100
// at 0xFF00 and a = b = 0 at 0x8000; stored float Lab holds 0..1.
inline uint16_t LabToWork(uint8_t v) { return uint16_t(v << 8); }
inline uint16_t LabToWork(uint16_t v) { return uint16_t((v * 256u + 128u) / 257u); }
inline uint16_t LabToWork(float v) { return floatLabToWork(v); }

template <class T>
inline T LabFromWork(uint16_t w);
template <>
inline uint8_t LabFromWork<uint8_t>(uint16_t w)
{
    return uint8_t((std::min<uint32_t>(w, 0xFF00) + 127u) >> 8);
}
template <>
inline uint16_t LabFromWork<uint16_t>(uint16_t w)
{
    return uint16_t((std::min<uint32_t>(w, 0xFF00) * 257u + 128u) >> 8);
}
template <>
inline float LabFromWork<float>(uint16_t w)
{
    return floatLabFromWork(w);
}

} // namespace Detail

} // namespace DataStorage

namespace CMM {

template <class T>
struct tLabSamples<T, DataStorage::Detail::sInputConv> {
    static void Unpack(const T* stored, uint16_t* work)
    {
        for (int i = 0; i < 3; ++i)
            work[i] = DataStorage::Detail::LabToWork(stored[i]);
    }
};

template <class T>
struct tLabSamples<T, DataStorage::Detail::sOutputConv> {
    static void Pack(const uint16_t* work, T* stored)
    {
        for (int i = 0; i < 3; ++i)
            stored[i] = DataStorage::Detail::LabFromWork<T>(work[i]);
    }
};

} // namespace CMM

namespace DataStorage {

// The run-time processor: two adapters chosen from the codes when it is built.
class cDefCMMProcessing : public CMM::cProcessing,
                          private CMM::tDynamicProcessor<Detail::sInputConv, Detail::sOutputConv> {
public:
    explicit cDefCMMProcessing(SmartPtr<CMM::cXForm> xform);
    void Process(const void* src, void* dst, int count) const override;
    bool HasConverters() const { return input.unpack && output.pack; }
    // For tests: the adapters chosen.
    const Detail::sInputConv& InputConv() const { return input; }
    const Detail::sOutputConv& OutputConv() const { return output; }
};

// A processor for the transform, or null when the transform is invalid or
// its codes have no adapters.
SmartPtr<CMM::cProcessing> GetXFormProcessing(const SmartPtr<CMM::cXForm>& xform);

} // namespace DataStorage
} // namespace Nuvra
