#include "pixelstore/PixelPlane.h"

#include "pixelstore/ElementConversion.h"
#include "pixelstore/FillBySample.h"
#include "pixelstore/Kernel.h"
#include "pixelstore/TileWalk.h"

#include <cstdint>
#include <vector>

namespace Nuvra {
namespace DataStorage {
namespace {

// One channel of an interleaved buffer: its first descriptor's type and offset.
struct Lane {
    Channel channel;
    ChannelType type;
    int offset;
};

std::vector<Lane> lanesOf(const PixelFormat& format)
{
    std::vector<Lane> lanes;
    for (int i = 0; i < format.count(); ++i) {
        const Channel c = format.descriptor(i).channel;
        if (c != kChannelPlaceholder && format.indexOf(c) == i)
            lanes.push_back({c, format.descriptor(i).type, format.offset(i)});
    }
    return lanes;
}

// Checks the caller's buffer description; fills the effective stride.
bool acceptBuffer(const char* what, const void* buffer, const Rect& rect, unsigned int& stride,
                  const PixelFormat& format)
{
    const uint64_t row = uint64_t(int64_t(rect.right) - rect.left) * uint64_t(format.pixelSize());
    if (stride == 0)
        stride = row > UINT32_MAX ? 0 : unsigned(row);
    if (!buffer || stride == 0 || stride < row || stride > unsigned(INT32_MAX)) {
        qCCritical(libds, "%s -- refused: buffer %p, stride %u for a row of %llu bytes\n", what, buffer, stride,
                   static_cast<unsigned long long>(row));
        return false;
    }
    return true;
}

} // namespace

bool getData(const PixelPlane& plane, const Rect& rect, void* dst, unsigned int stride, const PixelFormat& format)
{
    if (rect.isEmpty() || format.count() == 0)
        return true;
    if (!acceptBuffer("getData(PixelPlane)", dst, rect, stride, format))
        return false;
    const Rect r = rect.clipped(plane.size());
    if (r.isEmpty())
        return true;
    const int pixelSize = format.pixelSize();
    auto* out = static_cast<unsigned char*>(dst);
    auto at = [&](int x, int y, int offset) {
        return out + std::size_t(int64_t(y) - rect.top) * stride + std::size_t(x - rect.left) * pixelSize + offset;
    };
    unsigned char value[256];
    unsigned char converted[256];
    for (const Lane& lane : lanesOf(format)) {
        const int laneSize = elementSize(lane.type);
        SmartPtr<const DataChannel> channel = plane.channelReadOnly(lane.channel);
        if (!channel) {
            // A plane without alpha is opaque.
            const unsigned char opaque = 255;
            if (lane.channel == kChannelAlpha && convertMemory(converted, &opaque, lane.type, kTypeU8, 1))
                fillBySample2D(at(r.left, r.top, lane.offset), converted, laneSize, r.width(), r.height(), pixelSize,
                               int(stride));
            continue;
        }
        const int size = channel->elementSize();
        DataChannel::TileReadOnly tile(channel.get(), -1);
        forEachTilePiece(r, channel->tilesAcross(), [&](int index, const Rect& piece) {
            unsigned char* target = at(piece.left, piece.top, lane.offset);
            if (channel->isTileMonotone(index)) {
                channel->getTileMonotoneValue(index, value);
                const void* fill = value;
                if (channel->type() != lane.type) {
                    if (!convertMemory(converted, value, lane.type, channel->type(), 1))
                        return;
                    fill = converted;
                }
                fillBySample2D(target, fill, laneSize, piece.width(), piece.height(), pixelSize, int(stride));
                return;
            }
            tile.switchTo(index);
            const auto* from = static_cast<const unsigned char*>(tile.data()) +
                               std::size_t(elementInTile(piece.left, piece.top)) * size;
            convertMemory2D(target, from, lane.type, channel->type(), piece.width(), piece.height(), pixelSize, size,
                            int(stride), size * kTileSide);
        });
    }
    return true;
}

bool setData(PixelPlane& plane, const Rect& rect, const void* src, unsigned int stride, const PixelFormat& format)
{
    if (rect.isEmpty() || format.count() == 0)
        return true;
    if (!acceptBuffer("setData(PixelPlane)", src, rect, stride, format))
        return false;
    const Size size = plane.size();
    const Rect r = rect.clipped(size);
    if (r.isEmpty())
        return true;
    // Only a piece that is the whole plane (a plane of one tile) may drop the
    // old contents of a shared channel.
    const bool whole = r == Rect::fromSize(size) && size.width <= kTileSide && size.height <= kTileSide;
    const int pixelSize = format.pixelSize();
    const auto* in = static_cast<const unsigned char*>(src);
    for (const Lane& lane : lanesOf(format)) {
        if (!plane.hasChannel(lane.channel))
            continue;
        SmartPtr<DataChannel> channel =
            whole ? plane.channelWriteOnly(lane.channel) : plane.channelReadWrite(lane.channel);
        if (!channel)
            continue;
        const int elem = channel->elementSize();
        DataChannel::TileReadWrite tile(channel.get(), -1, DataChannel::TileReadWrite::CheckMonotone);
        forEachTilePiece(r, channel->tilesAcross(), [&](int index, const Rect& piece) {
            tile.switchTo(index);
            auto* to = static_cast<unsigned char*>(tile.data()) + std::size_t(elementInTile(piece.left, piece.top)) * elem;
            const unsigned char* from = in + std::size_t(int64_t(piece.top) - rect.top) * stride +
                                        std::size_t(piece.left - rect.left) * pixelSize + lane.offset;
            convertMemory2D(to, from, channel->type(), lane.type, piece.width(), piece.height(), elem, pixelSize,
                            elem * kTileSide, int(stride));
        });
    }
    return true;
}

} // namespace DataStorage
} // namespace Nuvra
