#include "colorproc/PlaneColorConversion.h"

#include "colorproc/PixelFormatCode.h"
#include "colorproc/XFormCache.h"
#include "pixelstore/PlaneColorCopy.h"
#include "pixelstore/PlaneCopy.h"

namespace Nuvra {
namespace DataStorage {
namespace {

// The plane's colour channels (1 to 12) in ascending order, each with the
// element type of its channel.
PixelFormat colorFormatOf(const PixelPlane& plane)
{
    ChannelDescriptor list[PixelFormat::kMaxDescriptors + 1];
    int n = 0;
    const ChannelSet set = plane.channelSet(kColorChannels);
    for (Channel c = kChannelGray; c <= kChannelSingle; ++c) {
        if (!(set & (ChannelSet(1) << c)))
            continue;
        const SmartPtr<const DataChannel> channel = plane.channelReadOnly(c);
        if (channel)
            list[n++] = ChannelDescriptor{c, channel->type()};
    }
    list[n] = ChannelDescriptor{-1, 0};
    return PixelFormat(list);
}

void runProcessor(const void* context, const void* src, void* dst, int count)
{
    static_cast<const CMM::cProcessing*>(context)->Process(src, dst, count);
}

bool convertColors(PixelPlane& dst, const PixelPlane& src, const Rect& rect, const Point& point)
{
    const SmartPtr<CMM::cProcessing> processor =
        GetProcessingCMM(colorFormatOf(src), src.profile().get(), colorFormatOf(dst), dst.profile().get(),
                         icRenderingIntent(-1), icRenderingIntent(-1),
                         QFlags<CMM::eXForm_Flags>(CMM::eXForm_Flags(0xFFFFFFFFu)));
    if (!processor)
        return false;
    const CMM::cXForm* xform = processor->Transform();
    convertPlaneColors(dst, src, rect, point, CMM_PF2PixelFormat(xform->inputFormat),
                       CMM_PF2PixelFormat(xform->outputFormat), &runProcessor, processor.get());
    return true;
}

} // namespace

void installPlaneColorConversion()
{
    setPlaneColorConversion(&convertColors);
}

} // namespace DataStorage
} // namespace Nuvra
