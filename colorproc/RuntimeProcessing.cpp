#include "colorproc/Processing.h"
#include "colorproc/StaticProcessors.h"

#include "cmm/Logging.h"

#include <utility>

namespace Nuvra {
namespace DataStorage {
namespace Detail {
namespace {

using CMM::cProcessing;
namespace PF = CMM::CMM_PF;

using UnpackFn = const void* (*)(const void*, uint16_t*, int);
using PackFn = void* (*)(const uint16_t*, void*, int);

template <class T, int F>
constexpr UnpackFn unpackOf()
{
    return &cProcessing::tAdapter<T, sInputConv, Int2Type<F>>::Unpack;
}

template <class T, int F>
constexpr PackFn packOf()
{
    return &cProcessing::tAdapter<T, sOutputConv, Int2Type<F>>::Pack;
}

// Index by layout key: order bits, one colour, Lab. A one-colour code with
// its extra first has no adapter (the entry stays null).
template <class T>
UnpackFn chooseUnpack(uint32_t code)
{
    const uint32_t order = PF::Order(code);
    if (PF::Space(code) == PF::kSpaceLab) {
        constexpr UnpackFn lab[4] = {unpackOf<T, 0x200000>(), unpackOf<T, 0x200400>(), unpackOf<T, 0x200800>(),
                                     unpackOf<T, 0x200C00>()};
        return lab[order >> 10];
    }
    if (PF::Colors(code) == 1) {
        constexpr UnpackFn gray[4] = {unpackOf<T, 0x100000>(), unpackOf<T, 0x100400>(), nullptr, nullptr};
        return gray[order >> 10];
    }
    constexpr UnpackFn plain[4] = {unpackOf<T, 0>(), unpackOf<T, 0x400>(), unpackOf<T, 0x800>(),
                                   unpackOf<T, 0xC00>()};
    return plain[order >> 10];
}

template <class T>
PackFn choosePack(uint32_t code)
{
    const uint32_t order = PF::Order(code);
    if (PF::Space(code) == PF::kSpaceLab) {
        constexpr PackFn lab[4] = {packOf<T, 0x200000>(), packOf<T, 0x200400>(), packOf<T, 0x200800>(),
                                   packOf<T, 0x200C00>()};
        return lab[order >> 10];
    }
    constexpr PackFn plain[4] = {packOf<T, 0>(), packOf<T, 0x400>(), packOf<T, 0x800>(), packOf<T, 0xC00>()};
    return plain[order >> 10];
}

void unsupportedSampleType(uint32_t code)
{
    if (PF::Space(code) == PF::kSpaceLab)
        qCCritical(libcmm()).nospace() << "Unsupported bytes size: " << PF::SampleType(code);
    else
        qCCritical(libcmm()).nospace() << "Unsupported bytes size:" << PF::SampleType(code);
}

} // namespace

void InitInputConv(sInputConv& conv, unsigned code)
{
    conv.code = code;
    switch (PF::SampleType(code)) {
    case PF::kSampleFloat: conv.unpack = chooseUnpack<float>(code); break;
    case PF::kSample8: conv.unpack = chooseUnpack<uint8_t>(code); break;
    case PF::kSample16: conv.unpack = chooseUnpack<uint16_t>(code); break;
    default:
        conv.unpack = nullptr;
        unsupportedSampleType(code);
        break;
    }
}

void InitOutputConv(sOutputConv& conv, unsigned code)
{
    conv.code = code;
    switch (PF::SampleType(code)) {
    case PF::kSampleFloat: conv.pack = choosePack<float>(code); break;
    case PF::kSample8: conv.pack = choosePack<uint8_t>(code); break;
    case PF::kSample16: conv.pack = choosePack<uint16_t>(code); break;
    default:
        conv.pack = nullptr;
        unsupportedSampleType(code);
        break;
    }
}

namespace {

// Layout index of a code on the static tables, -1 for a space without one.
int staticLayout(uint32_t code)
{
    int space;
    switch (PF::Space(code)) {
    case PF::kSpaceLab: space = 0; break;
    case PF::kSpaceGray: space = 1; break;
    case PF::kSpaceRGB: space = 2; break;
    case PF::kSpaceCMYK: space = 3; break;
    default: return -1;
    }
    return space * 2 + (PF::Extras(code) == 1 ? 1 : 0);
}

struct StaticTables {
    StaticFactory t8to8[8][8], t8to16[8][8], t16to8[8][8], t16to16[8][8], tFloat[8][8];
    StaticTables()
    {
        StaticFactories8to8(t8to8);
        StaticFactories8to16(t8to16);
        StaticFactories16to8(t16to8);
        StaticFactories16to16(t16to16);
        StaticFactoriesFloat(tFloat);
    }
    const StaticFactory (*table(uint32_t in, uint32_t out) const)[8]
    {
        const uint32_t pair = PF::SampleType(in) << 4 | PF::SampleType(out);
        switch (pair) {
        case 0x11: return t8to8;
        case 0x12: return t8to16;
        case 0x21: return t16to8;
        case 0x22: return t16to16;
        case 0x00: return tFloat;
        default: return nullptr;
        }
    }
};

} // namespace

CMM::cProcessing* NewStaticProcessing(uint32_t in, uint32_t out, const SmartPtr<CMM::cXForm>& xform)
{
    static const StaticTables tables;
    const StaticFactory(*table)[8] = tables.table(in, out);
    const int li = staticLayout(in), lo = staticLayout(out);
    if (!table || li < 0 || lo < 0)
        return nullptr;
    return table[li][lo](xform);
}

} // namespace Detail

cDefCMMProcessing::cDefCMMProcessing(SmartPtr<CMM::cXForm> xform)
    : CMM::cProcessing(std::move(xform))
{
    const CMM::cXForm* t = Transform();
    Detail::InitInputConv(input, t ? t->inputFormat : 0);
    Detail::InitOutputConv(output, t ? t->outputFormat : 0);
}

void cDefCMMProcessing::Process(const void* src, void* dst, int count) const
{
    CMM::ProcessPixels(*this, src, dst, count, Transform());
}

SmartPtr<CMM::cProcessing> GetXFormProcessing(const SmartPtr<CMM::cXForm>& xform)
{
    namespace PF = CMM::CMM_PF;
    if (!xform || !xform->routine) {
        qCCritical(libcmm(), "XForm not valid\n");
        return nullptr;
    }
    const uint32_t in = xform->inputFormat, out = xform->outputFormat;
    if ((in | out) & (PF::kReserved | PF::kFlavor)) {
        qCCritical(libcmm(), "Pixel format not supported\n");
        return nullptr;
    }
    if (!PF::Order(in) && !PF::Order(out))
        if (CMM::cProcessing* p = Detail::NewStaticProcessing(in, out, xform))
            return SmartPtr<CMM::cProcessing>(p);

    // The run-time loop reads every extra sample of a code, while buffers laid
    // out from a code hold one extra at most: refuse more, and refuse layouts
    // without an adapter rather than call through a null pointer.
    if (PF::Extras(in) > 1 || PF::Extras(out) > 1) {
        qCCritical(libcmm(), "Pixel format not supported\n");
        return nullptr;
    }
    SmartPtr<cDefCMMProcessing> p(new cDefCMMProcessing(xform));
    if (!p->HasConverters()) {
        qCCritical(libcmm(), "Pixel format not supported\n");
        return nullptr;
    }
    return SmartPtr<CMM::cProcessing>(p);
}

} // namespace DataStorage
} // namespace Nuvra
