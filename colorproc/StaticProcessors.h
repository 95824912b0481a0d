#pragma once

#include "colorproc/Processing.h"

#include <algorithm>
#include <cstdint>

namespace Nuvra {
namespace DataStorage {

namespace Detail {

template <int SampleType>
struct SampleOf;
template <>
struct SampleOf<0> { using type = float; };
template <>
struct SampleOf<1> { using type = uint8_t; };
template <>
struct SampleOf<2> { using type = uint16_t; };

} // namespace Detail

// A processor whose two layouts are fixed at compile time: canonical order,
// at most one extra channel, which follows the colours.
template <uint32_t In, uint32_t Out>
class tDefCMMProcessing : public CMM::cProcessing,
                          CMM::tStaticProcessor<Detail::tInputConv<In>, Detail::tOutputConv<Out>> {
    static constexpr int kInColors = CMM::CMM_PF::Colors(In);
    static constexpr int kInExtras = CMM::CMM_PF::Extras(In) == 1 ? 1 : 0;
    static constexpr int kOutColors = CMM::CMM_PF::Colors(Out);
    static constexpr int kOutExtras = CMM::CMM_PF::Extras(Out) == 1 ? 1 : 0;
    // Working index of the input's extra: after at least three colours.
    static constexpr int kExtraSlot = std::max(3, kInColors);
    static constexpr bool kInLab = CMM::CMM_PF::Space(In) == CMM::CMM_PF::kSpaceLab;
    static constexpr bool kOutLab = CMM::CMM_PF::Space(Out) == CMM::CMM_PF::kSpaceLab;
    static constexpr int kInLayout = kInLab ? 0x200000 : (kInColors == 1 ? 0x100000 : 0);
    static constexpr int kOutLayout = kOutLab ? 0x200000 : 0;
    using InSample = typename Detail::SampleOf<int(CMM::CMM_PF::SampleType(In))>::type;
    using OutSample = typename Detail::SampleOf<int(CMM::CMM_PF::SampleType(Out))>::type;
    using Unpacker = CMM::cProcessing::tAdapter<InSample, Detail::sInputConv, Int2Type<kInLayout>>;
    using Packer = CMM::cProcessing::tAdapter<OutSample, Detail::sOutputConv, Int2Type<kOutLayout>>;

public:
    explicit tDefCMMProcessing(SmartPtr<CMM::cXForm> xform)
        : CMM::cProcessing(std::move(xform))
    {
    }

    void Process(const void* src, void* dst, int count) const override
    {
        const CMM::cXForm* t = Transform();
        if (count <= 0 || !t || !t->routine)
            return;
        CMM::RunPixelLoop(
            *t, src, dst, count, kExtraSlot, kInExtras, kOutColors, kOutExtras,
            [](const void* s, uint16_t* w, int m) { return Unpacker::UnpackRun(s, w, kInColors + kInExtras, m); },
            [](const uint16_t* w, void* d, int m) { return Packer::PackRun(w, d, kOutColors + kOutExtras, m); });
    }
};

namespace Detail {

// The static processor for the canonical forms of two codes, or null when the
// pair of sample types or a colour space has none.
CMM::cProcessing* NewStaticProcessing(uint32_t in, uint32_t out, const SmartPtr<CMM::cXForm>& xform);

// One table per pair of sample types; each fills 64 factories.
using StaticFactory = CMM::cProcessing* (*)(const SmartPtr<CMM::cXForm>&);
void StaticFactories8to8(StaticFactory (&table)[8][8]);
void StaticFactories8to16(StaticFactory (&table)[8][8]);
void StaticFactories16to8(StaticFactory (&table)[8][8]);
void StaticFactories16to16(StaticFactory (&table)[8][8]);
void StaticFactoriesFloat(StaticFactory (&table)[8][8]);

// The eight layouts of a side: Lab, gray, RGB, CMYK, each without and with
// one extra channel.
constexpr uint32_t StaticLayoutCode(int layout, int sampleType)
{
    constexpr uint32_t spaces[4] = {CMM::CMM_PF::kSpaceLab, CMM::CMM_PF::kSpaceGray, CMM::CMM_PF::kSpaceRGB,
                                    CMM::CMM_PF::kSpaceCMYK};
    constexpr int colors[4] = {3, 1, 3, 4};
    return CMM::CMM_PF::Make(spaces[layout / 2], colors[layout / 2], layout & 1, uint32_t(sampleType));
}

template <int InType, int OutType, int InLayout, int OutLayout>
CMM::cProcessing* MakeStatic(const SmartPtr<CMM::cXForm>& xform)
{
    return new tDefCMMProcessing<StaticLayoutCode(InLayout, InType), StaticLayoutCode(OutLayout, OutType)>(xform);
}

template <int InType, int OutType, int InLayout, int... OutLayouts>
void FillStaticRow(StaticFactory (&row)[8], std::integer_sequence<int, OutLayouts...>)
{
    ((row[OutLayouts] = &MakeStatic<InType, OutType, InLayout, OutLayouts>), ...);
}

template <int InType, int OutType, int... InLayouts>
void FillStaticTable(StaticFactory (&table)[8][8], std::integer_sequence<int, InLayouts...>)
{
    (FillStaticRow<InType, OutType, InLayouts>(table[InLayouts], std::make_integer_sequence<int, 8>()), ...);
}

} // namespace Detail
} // namespace DataStorage
} // namespace Nuvra
