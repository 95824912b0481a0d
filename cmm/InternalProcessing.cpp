#include "cmm/InternalProcessing.h"

#include "cmm/ColorRecords.h"
#include "cmm/Logging.h"

namespace Nuvra {
namespace CMM {

cProcessing::~cProcessing() = default;

void tLabSamples<float, Detail::sInputConv>::Unpack(const float* lab, uint16_t* w)
{
    sCIELab{lab[0], lab[1], lab[2]}.ToFixed(w);
}

void tLabSamples<float, Detail::sOutputConv>::Pack(const uint16_t* w, float* lab)
{
    sCIELab v;
    v.SetFromFixed(w);
    lab[0] = v.L;
    lab[1] = v.a;
    lab[2] = v.b;
}

namespace {

// Members of one sample type by layout key: 0, 0x400, 0x800, 0xC00, then the
// one-colour 0x100000 and 0x100400.
template <class T>
const Detail::UnpackFn kUnpack[6] = {
    &cProcessing::tAdapter<T, Detail::sInputConv, Int2Type<0>>::Unpack,
    &cProcessing::tAdapter<T, Detail::sInputConv, Int2Type<0x400>>::Unpack,
    &cProcessing::tAdapter<T, Detail::sInputConv, Int2Type<0x800>>::Unpack,
    &cProcessing::tAdapter<T, Detail::sInputConv, Int2Type<0xC00>>::Unpack,
    &cProcessing::tAdapter<T, Detail::sInputConv, Int2Type<0x100000>>::Unpack,
    &cProcessing::tAdapter<T, Detail::sInputConv, Int2Type<0x100400>>::Unpack,
};
template <class T>
const Detail::PackFn kPack[6] = {
    &cProcessing::tAdapter<T, Detail::sOutputConv, Int2Type<0>>::Pack,
    &cProcessing::tAdapter<T, Detail::sOutputConv, Int2Type<0x400>>::Pack,
    &cProcessing::tAdapter<T, Detail::sOutputConv, Int2Type<0x800>>::Pack,
    &cProcessing::tAdapter<T, Detail::sOutputConv, Int2Type<0xC00>>::Pack,
    nullptr, // one-colour outputs take the plain members
    nullptr,
};
const Detail::UnpackFn kUnpackFloatLab[4] = {
    &cProcessing::tAdapter<float, Detail::sInputConv, Int2Type<0x200000>>::Unpack,
    &cProcessing::tAdapter<float, Detail::sInputConv, Int2Type<0x200400>>::Unpack,
    &cProcessing::tAdapter<float, Detail::sInputConv, Int2Type<0x200800>>::Unpack,
    &cProcessing::tAdapter<float, Detail::sInputConv, Int2Type<0x200C00>>::Unpack,
};
const Detail::PackFn kPackFloatLab[4] = {
    &cProcessing::tAdapter<float, Detail::sOutputConv, Int2Type<0x200000>>::Pack,
    &cProcessing::tAdapter<float, Detail::sOutputConv, Int2Type<0x200400>>::Pack,
    &cProcessing::tAdapter<float, Detail::sOutputConv, Int2Type<0x200800>>::Pack,
    &cProcessing::tAdapter<float, Detail::sOutputConv, Int2Type<0x200C00>>::Pack,
};

constexpr int kFloatLab = -1;
constexpr int kNoMember = -2;

// Index into the tables above, kFloatLab for the float Lab members, or
// kNoMember for one-colour inputs with the extra first: neither the plain nor
// an order member would widen the colour and keep the extra, so they are
// refused.
int LayoutIndex(unsigned code, bool oneColorMembers)
{
    if ((code & 0x1F0007) == 0x40000)
        return kFloatLab;
    const unsigned order = code & CMM_PF::kOrderMask;
    if (oneColorMembers && CMM_PF::Colors(code) == 1) {
        if (order & CMM_PF::kExtrasFirst)
            return kNoMember;
        return order ? 5 : 4;
    }
    return int(order >> 10);
}

template <class Fn>
Fn Select(unsigned code, bool oneColorMembers, const Fn (&f8)[6], const Fn (&f16)[6],
          const Fn (&fFloat)[6], const Fn (&floatLab)[4])
{
    const int layout = LayoutIndex(code, oneColorMembers);
    if (layout == kFloatLab)
        return floatLab[(code & CMM_PF::kOrderMask) >> 10];
    const Fn* members;
    switch (CMM_PF::SampleType(code)) {
    case CMM_PF::kSampleFloat: members = fFloat; break;
    case CMM_PF::kSample16: members = f16; break;
    case CMM_PF::kSample8: members = f8; break;
    default:
        qCCritical(libcmm()) << "Unsupported bytes size:" << CMM_PF::SampleType(code);
        return nullptr;
    }
    return layout == kNoMember ? nullptr : members[layout];
}

} // namespace

void InitInputConv(Detail::sInputConv& conv, unsigned code)
{
    conv.code = code;
    conv.unpack = Select(code, true, kUnpack<uint8_t>, kUnpack<uint16_t>, kUnpack<float>, kUnpackFloatLab);
}

void InitOutputConv(Detail::sOutputConv& conv, unsigned code)
{
    conv.code = code;
    // One-colour outputs pack like plain ones: the pixel loop puts the extras
    // right after the gray, where the plain member reads them.
    conv.pack = Select(code, false, kPack<uint8_t>, kPack<uint16_t>, kPack<float>, kPackFloatLab);
}

cInternalProcessing::cInternalProcessing(const cXForm* t)
    : cInternalProcessing(t, t ? t->inputFormat : 0, t ? t->outputFormat : 0)
{
}

cInternalProcessing::cInternalProcessing(const cXForm* t, unsigned inputCode, unsigned outputCode)
    : cProcessing(t)
{
    InitInputConv(input, inputCode);
    InitOutputConv(output, outputCode);
}

void cInternalProcessing::Process(const void* src, void* dst, int count) const
{
    ProcessPixels(*this, src, dst, count, Transform());
}

} // namespace CMM
} // namespace Nuvra
