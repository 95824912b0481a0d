#include "pixelstore/PixelPlane.h"

#include "pixelstore/ElementConversion.h"
#include "pixelstore/FillBySample.h"
#include "pixelstore/Kernel.h"
#include "pixelstore/TileWalk.h"

#include <cstdint>
#include <memory>
#include <type_traits>
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

// Whether the format is four 8-bit samples in a pixel of four bytes: the
// layout of the interleaved frames that the fused paths below take.
bool fourBytePixels(const PixelFormat& format)
{
    if (format.count() != 4 || format.pixelSize() != 4)
        return false;
    for (int d = 0; d < 4; ++d)
        if (format.descriptor(d).type != kTypeU8 || format.offset(d) != d)
            return false;
    return true;
}

// The caller's row of the next tile across: a tile walk reads 64 short
// pieces of rows far apart, which the processor does not fetch ahead by
// itself. A hint only; it never faults, even past the buffer.
inline void prefetchNextPiece(const unsigned char* p, bool forWriting)
{
#if defined(__GNUC__)
    for (int line = 0; line < kTileSide * 4; line += 64) {
        if (forWriting)
            __builtin_prefetch(p + line, 1);
        else
            __builtin_prefetch(p + line, 0);
    }
#else
    (void)p;
    (void)forWriting;
#endif
}

template <class T>
constexpr ChannelType kTypeOf = std::is_same<T, float>::value ? kTypeFloat : kTypeU8;

// The element type of the present lanes' channels (placeholders and absent
// channels aside) when they all hold 8-bit or all float elements, else 0.
template <class Take>
ChannelType commonLaneType(Take take)
{
    ChannelType type = 0;
    for (int k = 0; k < 4; ++k) {
        const SmartPtr<const DataChannel> channel = take(k);
        if (!channel)
            continue;
        if ((channel->type() != kTypeU8 && channel->type() != kTypeFloat) || (type && channel->type() != type))
            return 0;
        type = channel->type();
    }
    return type;
}

// Four-byte pixels into channels of T: every lane of a tile from one pass over
// the caller's pixels.
template <class T>
void splitIntoChannels(PixelPlane& plane, const Rect& rect, const Rect& r, const unsigned char* in,
                       unsigned int stride, const Channel (&lanes)[4], bool whole)
{
    SmartPtr<DataChannel> channels[4];
    std::unique_ptr<DataChannel::TileReadWrite> tiles[4];
    for (int k = 0; k < 4; ++k) {
        if (lanes[k] == kChannelPlaceholder)
            continue;
        channels[k] = whole ? plane.channelWriteOnly(lanes[k]) : plane.channelReadWrite(lanes[k]);
        if (channels[k])
            tiles[k].reset(new DataChannel::TileReadWrite(channels[k].get(), -1,
                                                          DataChannel::TileReadWrite::CheckMonotone));
    }
    forEachTilePiece(r, plane.tilesAcross(), [&](int index, const Rect& piece) {
        for (int k = 0; k < 4; ++k)
            if (tiles[k])
                tiles[k]->switchTo(index);
        for (int y = piece.top; y < piece.bottom; ++y) {
            T* rows[4];
            for (int k = 0; k < 4; ++k)
                rows[k] = tiles[k] ? static_cast<T*>(tiles[k]->data()) + elementInTile(piece.left, y) : nullptr;
            const unsigned char* pixels =
                in + std::size_t(int64_t(y) - rect.top) * stride + std::size_t(piece.left - rect.left) * 4;
            prefetchNextPiece(pixels + std::size_t(piece.width()) * 4, false);
            splitPixelsU8x4(rows, pixels, piece.width());
        }
    });
}

// Four-byte pixels into 8-bit or float channels, all lanes at once. False,
// with nothing written, for another layout or mixed channel types.
bool splitIntoChannels(PixelPlane& plane, const Rect& rect, const Rect& r, const unsigned char* in,
                       unsigned int stride, const PixelFormat& format, bool whole)
{
    if (!fourBytePixels(format))
        return false;
    Channel lanes[4];
    for (int k = 0; k < 4; ++k) {
        const Channel c = format.descriptor(k).channel;
        const bool used = c != kChannelPlaceholder && format.indexOf(c) == k && plane.hasChannel(c);
        lanes[k] = used ? c : kChannelPlaceholder;
    }
    const ChannelType type = commonLaneType([&](int k) {
        return lanes[k] == kChannelPlaceholder ? SmartPtr<const DataChannel>() : plane.channelReadOnly(lanes[k]);
    });
    if (type == kTypeU8)
        splitIntoChannels<std::uint8_t>(plane, rect, r, in, stride, lanes, whole);
    else if (type == kTypeFloat)
        splitIntoChannels<float>(plane, rect, r, in, stride, lanes, whole);
    return type != 0;
}

template <class T>
void joinFromChannels(const Rect& rect, const Rect& r, int tilesAcross, unsigned char* out, unsigned int stride,
                      const SmartPtr<const DataChannel> (&channels)[4], unsigned char (&fill)[4])
{
    std::unique_ptr<DataChannel::TileReadOnly> tiles[4];
    for (int k = 0; k < 4; ++k)
        if (channels[k])
            tiles[k].reset(new DataChannel::TileReadOnly(channels[k].get(), -1));
    forEachTilePiece(r, tilesAcross, [&](int index, const Rect& piece) {
        const T* base[4] = {};
        for (int k = 0; k < 4; ++k) {
            if (!channels[k])
                continue;
            if (channels[k]->isTileMonotone(index)) {
                T value;
                channels[k]->getTileMonotoneValue(index, &value);
                convertMemory(&fill[k], &value, kTypeU8, kTypeOf<T>, 1);
                continue;
            }
            tiles[k]->switchTo(index);
            base[k] = static_cast<const T*>(tiles[k]->data());
        }
        for (int y = piece.top; y < piece.bottom; ++y) {
            const T* rows[4];
            for (int k = 0; k < 4; ++k)
                rows[k] = base[k] ? base[k] + elementInTile(piece.left, y) : nullptr;
            unsigned char* pixels =
                out + std::size_t(int64_t(y) - rect.top) * stride + std::size_t(piece.left - rect.left) * 4;
            prefetchNextPiece(pixels + std::size_t(piece.width()) * 4, true);
            joinPixelsU8x4(pixels, rows, fill, piece.width());
        }
    });
}

// 8-bit or float channels into four-byte pixels, every sample of a pixel
// written at once; a missing alpha reads as opaque. False, with nothing
// written, when a byte must be left alone (a placeholder, a repeated or
// another missing channel) or the channels' types differ or are others.
bool joinFromChannels(const PixelPlane& plane, const Rect& rect, const Rect& r, unsigned char* out,
                      unsigned int stride, const PixelFormat& format)
{
    if (!fourBytePixels(format))
        return false;
    SmartPtr<const DataChannel> channels[4];
    unsigned char fill[4] = {255, 255, 255, 255};
    for (int k = 0; k < 4; ++k) {
        const Channel c = format.descriptor(k).channel;
        if (c == kChannelPlaceholder || format.indexOf(c) != k)
            return false;
        channels[k] = plane.channelReadOnly(c);
        if (!channels[k] && c != kChannelAlpha)
            return false;
    }
    const ChannelType type = commonLaneType([&](int k) { return channels[k]; });
    if (type == kTypeU8)
        joinFromChannels<std::uint8_t>(rect, r, plane.tilesAcross(), out, stride, channels, fill);
    else if (type == kTypeFloat)
        joinFromChannels<float>(rect, r, plane.tilesAcross(), out, stride, channels, fill);
    return type != 0;
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
    auto* out = static_cast<unsigned char*>(dst);
    if (joinFromChannels(plane, rect, r, out, stride, format))
        return true;
    const int pixelSize = format.pixelSize();
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
    const auto* in = static_cast<const unsigned char*>(src);
    if (splitIntoChannels(plane, rect, r, in, stride, format, whole))
        return true;
    const int pixelSize = format.pixelSize();
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
