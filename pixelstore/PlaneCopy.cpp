#include "pixelstore/PlaneCopy.h"

#include <algorithm>
#include <atomic>

namespace Nuvra {
namespace DataStorage {
namespace {

std::atomic<PlaneColorConversion> g_colorConversion{nullptr};

void copyPlainly(PixelPlane& dst, const PixelPlane& src, const Rect& rect, const Point& point, ChannelSet set)
{
    const Size srcSize = src.size();
    const Size dstSize = dst.size();
    if (rect == Rect::fromSize(srcSize) && point == Point{0, 0} && srcSize == dstSize && src.channelType() != 0 &&
        src.channelType() == dst.channelType() && src.profile() == dst.profile() &&
        set == src.channelSet(kAllChannels) && set == dst.channelSet(kAllChannels)) {
        dst = src;
        return;
    }
    if (rect.isEmpty())
        return;
    // In 64 bits: a far-off point or a huge rectangle must not wrap around.
    const long long dx = static_cast<long long>(point.x) - rect.left;
    const long long dy = static_cast<long long>(point.y) - rect.top;
    const long long dl = std::max<long long>(point.x, 0);
    const long long dt = std::max<long long>(point.y, 0);
    const long long dr = std::min<long long>(static_cast<long long>(rect.right) + dx, dstSize.width);
    const long long db = std::min<long long>(static_cast<long long>(rect.bottom) + dy, dstSize.height);
    if (dr <= dl || db <= dt)
        return;
    const Rect d{int(dl), int(dt), int(dr), int(db)};
    const Rect s{int(dl - dx), int(dt - dy), int(dr - dx), int(db - dy)};
    // The part of the destination the source really covers: only when that
    // is all of it may a shared channel's old contents be dropped.
    const bool whole = d == Rect::fromSize(dstSize) && s.left >= 0 && s.top >= 0 && s.right <= srcSize.width &&
                       s.bottom <= srcSize.height;
    for (Channel c = 0; c < kChannelSlots; ++c) {
        if (!(set & (ChannelSet(1) << c)))
            continue;
        SmartPtr<const DataChannel> from = src.channelReadOnly(c);
        if (!from || !dst.hasChannel(c))
            continue;
        SmartPtr<DataChannel> to = whole ? dst.channelWriteOnly(c) : dst.channelReadWrite(c);
        to->copy(*from, s, Point{d.left, d.top});
    }
}

} // namespace

void setPlaneColorConversion(PlaneColorConversion conversion)
{
    g_colorConversion.store(conversion);
}

PlaneColorConversion planeColorConversion()
{
    return g_colorConversion.load();
}

void copy(PixelPlane& dst, const PixelPlane& src, const Rect& rect, const Point& point)
{
    const PlaneColorConversion convert = g_colorConversion.load();
    const bool converted = convert && convert(dst, src, rect, point);
    const ChannelSet set = src.channelSet(converted ? kNonColorChannels : kAllChannels);
    if (set)
        copyPlainly(dst, src, rect, point, set);
}

} // namespace DataStorage
} // namespace Nuvra
