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

// A member and its run form, chosen together.
struct Unpackers {
    const void* (*one)(const void*, uint16_t*, int) = nullptr;
    const void* (*run)(const void*, uint16_t*, int, int) = nullptr;
};
struct Packers {
    void* (*one)(const uint16_t*, void*, int) = nullptr;
    void* (*run)(const uint16_t*, void*, int, int) = nullptr;
};

template <class T, int F>
constexpr Unpackers unpackOf()
{
    using A = cProcessing::tAdapter<T, sInputConv, Int2Type<F>>;
    return {&A::Unpack, &A::UnpackRun};
}

template <class T, int F>
constexpr Packers packOf()
{
    using A = cProcessing::tAdapter<T, sOutputConv, Int2Type<F>>;
    return {&A::Pack, &A::PackRun};
}

// Index by layout key: order bits, one colour, Lab. A one-colour code with
// its extra first has no adapter (the entry stays null).
template <class T>
Unpackers chooseUnpack(uint32_t code)
{
    const uint32_t order = PF::Order(code);
    if (PF::Space(code) == PF::kSpaceLab) {
        constexpr Unpackers lab[4] = {unpackOf<T, 0x200000>(), unpackOf<T, 0x200400>(), unpackOf<T, 0x200800>(),
                                      unpackOf<T, 0x200C00>()};
        return lab[order >> 10];
    }
    if (PF::Colors(code) == 1) {
        constexpr Unpackers gray[4] = {unpackOf<T, 0x100000>(), unpackOf<T, 0x100400>(), Unpackers{}, Unpackers{}};
        return gray[order >> 10];
    }
    constexpr Unpackers plain[4] = {unpackOf<T, 0>(), unpackOf<T, 0x400>(), unpackOf<T, 0x800>(),
                                    unpackOf<T, 0xC00>()};
    return plain[order >> 10];
}

template <class T>
Packers choosePack(uint32_t code)
{
    const uint32_t order = PF::Order(code);
    if (PF::Space(code) == PF::kSpaceLab) {
        constexpr Packers lab[4] = {packOf<T, 0x200000>(), packOf<T, 0x200400>(), packOf<T, 0x200800>(),
                                    packOf<T, 0x200C00>()};
        return lab[order >> 10];
    }
    constexpr Packers plain[4] = {packOf<T, 0>(), packOf<T, 0x400>(), packOf<T, 0x800>(), packOf<T, 0xC00>()};
    return plain[order >> 10];
}

void unsupportedSampleType(uint32_t code)
{
    if (PF::Space(code) == PF::kSpaceLab)
        qCCritical(libcmm()).nospace() << "Unsupported bytes size: " << PF::SampleType(code);
    else
        qCCritical(libcmm()).nospace() << "Unsupported bytes size:" << PF::SampleType(code);
}

// pick(sample) with a sample of the code's type; none, with the critical
// line, for a type without adapters.
template <class Members, class Pick>
Members bySampleType(uint32_t code, const Pick& pick)
{
    switch (PF::SampleType(code)) {
    case PF::kSampleFloat: return pick(float());
    case PF::kSample8: return pick(uint8_t());
    case PF::kSample16: return pick(uint16_t());
    default: unsupportedSampleType(code); return Members{};
    }
}

} // namespace

void InitInputConv(sInputConv& conv, unsigned code)
{
    conv.code = code;
    const Unpackers u =
        bySampleType<Unpackers>(code, [code](auto sample) { return chooseUnpack<decltype(sample)>(code); });
    conv.unpack = u.one;
    conv.unpackRun = u.run;
}

void InitOutputConv(sOutputConv& conv, unsigned code)
{
    conv.code = code;
    const Packers p = bySampleType<Packers>(code, [code](auto sample) { return choosePack<decltype(sample)>(code); });
    conv.pack = p.one;
    conv.packRun = p.run;
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
