#include "colorproc/PixelFormatCode.h"

#include "cmm/Logging.h"

#include <utility>

namespace Nuvra {
namespace DataStorage {
namespace {

namespace PF = CMM::CMM_PF;

struct SpaceRow {
    ChannelSet colorSet;
    ColorSpace storeSpace;
    uint32_t engineSpace;
    int colors;
    ChannelSet withAlpha;
};

// The canonical colour channels of each space are consecutive numbers from
// the lowest bit of its set.
constexpr SpaceRow kSpaces[] = {
    {kSetGray, ColorSpaceGray, PF::kSpaceGray, 1, kSetGrayAlpha},
    {kSetRGB, ColorSpaceRGB, PF::kSpaceRGB, 3, kSetRGBA},
    {kSetCMYK, ColorSpaceCMYK, PF::kSpaceCMYK, 4, kSetCMYKA},
    {kSetLab, ColorSpaceLab, PF::kSpaceLab, 3, kSetLabA},
};

const SpaceRow* rowOfSet(ChannelSet colorSet)
{
    for (const SpaceRow& r : kSpaces)
        if (r.colorSet == colorSet)
            return &r;
    return nullptr;
}

const SpaceRow* rowOfEngineSpace(uint32_t space)
{
    for (const SpaceRow& r : kSpaces)
        if (r.engineSpace == space)
            return &r;
    return nullptr;
}

int lowestChannel(ChannelSet set)
{
    return __builtin_ctz(set);
}

bool isColorChannel(Channel c)
{
    return c >= kChannelGray && c <= kChannelSingle;
}

int sampleTypeOf(ChannelType type)
{
    switch (type) {
    case kTypeFloat: return int(PF::kSampleFloat);
    case kTypeU8: return int(PF::kSample8);
    case kTypeU16: return int(PF::kSample16);
    default: return -1;
    }
}

ChannelType channelTypeOf(int sampleType)
{
    constexpr ChannelType types[] = {kTypeFloat, kTypeU8, kTypeU16};
    return types[sampleType];
}

} // namespace

unsigned int PixelFormat2CMM_PF(const PixelFormat& format)
{
    if (format.commonType() == 0) {
        if (format.count() > 0)
            qCCritical(libcmm(), "Not identical pixel type in Nuvra pixel format not supported\n");
        return 0;
    }
    const ChannelSet set = format.channels();
    const SpaceRow* row = rowOfSet(set & kColorChannels);
    if (!row)
        return 0;

    // Consecutive positions, ascending or descending.
    bool descending = false;
    if (row->colors > 1) {
        const int first = lowestChannel(row->colorSet);
        int step = 0;
        for (int k = 1; k < row->colors; ++k) {
            const int d = format.indexOf(first + k) - format.indexOf(first + k - 1);
            if ((d != 1 && d != -1) || (step != 0 && d != step))
                return 0;
            step = d;
        }
        descending = step < 0;
    }

    const int sampleType = sampleTypeOf(format.commonType());
    if (sampleType < 0)
        return 0;
    // A channel listed twice would make the pixel longer than its code says.
    const int distinct = __builtin_popcount(set);
    if (distinct != format.count())
        return 0;
    const int extras = distinct - row->colors;
    uint32_t code = PF::Make(row->engineSpace, row->colors, 0, uint32_t(sampleType), descending ? PF::kDescending : 0);
    if (extras == 0)
        return code;
    // The extras field holds 7; more would spill into the order bit.
    if (extras > 7)
        return 0;

    const int n = format.count();
    const bool extrasLast = !isColorChannel(format.descriptor(n - 1).channel);
    for (int k = 0; k < extras; ++k) {
        const int position = extrasLast ? n - 1 - k : k;
        if (isColorChannel(format.descriptor(position).channel))
            return 0;
    }
    code |= uint32_t(extras) << 7;
    if (extrasLast == descending)
        code |= PF::kExtrasFirst;
    return code;
}

PixelFormat CMM_PF2PixelFormat(unsigned int code)
{
    if (code & PF::kFlavor) {
        qCCritical(libcmm(), "CMM Flavor in color format not supported\n");
        return PixelFormat();
    }
    if (PF::SampleType(code) >= 3)
        return PixelFormat();
    const SpaceRow* row = rowOfEngineSpace(PF::Space(code));
    if (!row)
        return PixelFormat();
    PixelFormat format(PF::Extras(code) == 1 ? row->withAlpha : row->colorSet,
                       channelTypeOf(int(PF::SampleType(code))));
    if (PF::Order(code) == 0)
        return format;

    ChannelDescriptor list[PixelFormat::kMaxDescriptors + 1];
    const int n = format.count();
    for (int i = 0; i < n; ++i)
        list[i] = format.descriptor(i);
    if (code & PF::kExtrasFirst) {
        const ChannelDescriptor last = list[n - 1];
        for (int i = n - 1; i > 0; --i)
            list[i] = list[i - 1];
        list[0] = last;
    }
    if (code & PF::kDescending)
        for (int i = 0, j = n - 1; i < j; ++i, --j)
            std::swap(list[i], list[j]);
    list[n] = ChannelDescriptor{-1, 0};
    format.setChannels(list);
    return format;
}

} // namespace DataStorage
} // namespace Nuvra
