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

// A member and its run form.
template <class One, class Run>
struct Members {
    One one = nullptr;
    Run run = nullptr;
};
using Unpackers = Members<Detail::UnpackFn, Detail::UnpackRunFn>;
using Packers = Members<Detail::PackFn, Detail::PackRunFn>;

template <class T, int F>
constexpr Unpackers UnpackOf()
{
    using A = cProcessing::tAdapter<T, Detail::sInputConv, Int2Type<F>>;
    return {&A::Unpack, &A::UnpackRun};
}

template <class T, int F>
constexpr Packers PackOf()
{
    using A = cProcessing::tAdapter<T, Detail::sOutputConv, Int2Type<F>>;
    return {&A::Pack, &A::PackRun};
}

// Members of one sample type by layout key: 0, 0x400, 0x800, 0xC00, then the
// one-colour 0x100000 and 0x100400.
template <class T>
const Unpackers kUnpack[6] = {UnpackOf<T, 0>(),     UnpackOf<T, 0x400>(),      UnpackOf<T, 0x800>(),
                              UnpackOf<T, 0xC00>(), UnpackOf<T, 0x100000>(), UnpackOf<T, 0x100400>()};
template <class T>
const Packers kPack[6] = {
    PackOf<T, 0>(), PackOf<T, 0x400>(), PackOf<T, 0x800>(), PackOf<T, 0xC00>(),
    Packers{}, // one-colour outputs take the plain members
    Packers{},
};
const Unpackers kUnpackFloatLab[4] = {UnpackOf<float, 0x200000>(), UnpackOf<float, 0x200400>(),
                                      UnpackOf<float, 0x200800>(), UnpackOf<float, 0x200C00>()};
const Packers kPackFloatLab[4] = {PackOf<float, 0x200000>(), PackOf<float, 0x200400>(), PackOf<float, 0x200800>(),
                                  PackOf<float, 0x200C00>()};

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
        return Fn{};
    }
    return layout == kNoMember ? Fn{} : members[layout];
}

} // namespace

void InitInputConv(Detail::sInputConv& conv, unsigned code)
{
    conv.code = code;
    const Unpackers u = Select(code, true, kUnpack<uint8_t>, kUnpack<uint16_t>, kUnpack<float>, kUnpackFloatLab);
    conv.unpack = u.one;
    conv.unpackRun = u.run;
}

void InitOutputConv(Detail::sOutputConv& conv, unsigned code)
{
    conv.code = code;
    // One-colour outputs pack like plain ones: the pixel loop puts the extras
    // right after the gray, where the plain member reads them.
    const Packers p = Select(code, false, kPack<uint8_t>, kPack<uint16_t>, kPack<float>, kPackFloatLab);
    conv.pack = p.one;
    conv.packRun = p.run;
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
