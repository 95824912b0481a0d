#include "pixelstore/PlaneColorCopy.h"

#include "pixelstore/TileWalk.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

namespace Nuvra {
namespace DataStorage {
namespace Private {
namespace {

struct Scratch {
    std::unique_ptr<unsigned char[]> data{new unsigned char[65536]};
    unsigned long size = 65536;

    void* get(unsigned long wanted, bool clear)
    {
        if (size < wanted) {
            data.reset();
            data.reset(new unsigned char[wanted]);
            size = wanted;
        }
        if (clear)
            std::memset(data.get(), 0, wanted);
        return data.get();
    }
};

struct cCMMBuffers {
    Scratch input, output;
};

cCMMBuffers& buffers()
{
    thread_local cCMMBuffers b;
    return b;
}

template <class T>
void gather(unsigned char* flat, const DataChannel::TileReadOnly* const* tiles, const PixelFormat& f, int start,
            int count)
{
    const int stride = f.pixelSize();
    for (int d = 0, k = 0; d < f.count(); ++d) {
        if (f.descriptor(d).channel == kChannelPlaceholder)
            continue;
        const T* from = static_cast<const T*>(tiles[k++]->data()) + start;
        unsigned char* to = flat + f.offset(d);
        for (int j = 0; j < count; ++j, to += stride)
            std::memcpy(to, from + j, sizeof(T));
    }
}

template <class T>
void scatter(DataChannel::TileReadWrite* const* tiles, const unsigned char* flat, const PixelFormat& f, int start,
             int count)
{
    const int stride = f.pixelSize();
    for (int d = 0, k = 0; d < f.count(); ++d) {
        if (f.descriptor(d).channel == kChannelPlaceholder)
            continue;
        T* to = static_cast<T*>(tiles[k++]->data()) + start;
        const unsigned char* from = flat + f.offset(d);
        for (int j = 0; j < count; ++j, from += stride)
            std::memcpy(to + j, from, sizeof(T));
    }
}

} // namespace

void* GetCMMInpBuf(unsigned long size, bool clear)
{
    return buffers().input.get(size, clear);
}

void* GetCMMOutBuf(unsigned long size, bool clear)
{
    return buffers().output.get(size, clear);
}

void channels2Flat(void* flat, const DataChannel::TileReadOnly* const* tiles, const PixelFormat& format, int start,
                   int count)
{
    unsigned char* f = static_cast<unsigned char*>(flat);
    switch (format.commonType()) {
    case kTypeU8: gather<uint8_t>(f, tiles, format, start, count); break;
    case kTypeU16: gather<uint16_t>(f, tiles, format, start, count); break;
    case kTypeFloat: gather<float>(f, tiles, format, start, count); break;
    default: break;
    }
}

void flat2Channels(DataChannel::TileReadWrite* const* tiles, const void* flat, const PixelFormat& format, int start,
                   int count)
{
    const unsigned char* f = static_cast<const unsigned char*>(flat);
    switch (format.commonType()) {
    case kTypeU8: scatter<uint8_t>(tiles, f, format, start, count); break;
    case kTypeU16: scatter<uint16_t>(tiles, f, format, start, count); break;
    case kTypeFloat: scatter<float>(tiles, f, format, start, count); break;
    default: break;
    }
}

} // namespace Private

namespace {

// The channels of a format's descriptors (placeholders skipped), or false
// when one is missing or holds another element type.
template <class Channel>
bool channelsOf(const PixelFormat& f, Channel (&out)[PixelFormat::kMaxDescriptors], int& n,
                const std::function<Channel(int)>& take)
{
    n = 0;
    for (int d = 0; d < f.count(); ++d) {
        const ChannelDescriptor& desc = f.descriptor(d);
        if (desc.channel == kChannelPlaceholder)
            continue;
        out[n] = take(desc.channel);
        if (!out[n] || out[n]->type() != desc.type)
            return false;
        ++n;
    }
    return n > 0;
}

} // namespace

void convertPlaneColors(PixelPlane& dst, const PixelPlane& src, const Rect& rect, const Point& point,
                        const PixelFormat& inFormat, const PixelFormat& outFormat, PixelRun run, const void* context)
{
    using Private::channels2Flat;
    using Private::flat2Channels;
    if (inFormat.count() == 0 || outFormat.count() == 0 || !run)
        return;
    // Clip to both planes, in 64 bits so far-off points cannot wrap.
    const Size srcSize = src.size(), dstSize = dst.size();
    const long long sl = std::max(rect.left, 0), st = std::max(rect.top, 0);
    const long long sr = std::min(rect.right, srcSize.width), sb = std::min(rect.bottom, srcSize.height);
    const long long dx = static_cast<long long>(point.x) - rect.left;
    const long long dy = static_cast<long long>(point.y) - rect.top;
    const long long dl = std::max<long long>(sl + dx, 0), dt = std::max<long long>(st + dy, 0);
    const long long dr = std::min<long long>(sr + dx, dstSize.width), db = std::min<long long>(sb + dy, dstSize.height);
    if (sr <= sl || sb <= st || dr <= dl || db <= dt)
        return;
    const Rect d{int(dl), int(dt), int(dr), int(db)};
    const Rect s{int(dl - dx), int(dt - dy), int(dr - dx), int(db - dy)};
    const int ox = d.left - s.left, oy = d.top - s.top;

    SmartPtr<const DataChannel> from[PixelFormat::kMaxDescriptors];
    SmartPtr<DataChannel> to[PixelFormat::kMaxDescriptors];
    int nIn = 0, nOut = 0;
    if (!channelsOf<SmartPtr<const DataChannel>>(inFormat, from, nIn,
                                                  [&](int c) { return src.channelReadOnly(c); }))
        return;
    for (int d2 = 0; d2 < outFormat.count(); ++d2) {
        const ChannelDescriptor& desc = outFormat.descriptor(d2);
        if (desc.channel == kChannelPlaceholder)
            continue;
        const SmartPtr<const DataChannel> have = dst.channelReadOnly(desc.channel);
        if (!have || have->type() != desc.type)
            return;
    }
    const bool whole = d == Rect::fromSize(dstSize);
    channelsOf<SmartPtr<DataChannel>>(outFormat, to, nOut, [&](int c) {
        return whole ? dst.channelWriteOnly(c) : dst.channelReadWrite(c);
    });

    const int inSize = inFormat.pixelSize(), outSize = outFormat.pixelSize();
    unsigned char* inBuf = static_cast<unsigned char*>(Private::GetCMMInpBuf(unsigned(inSize) * kTileElements, false));
    unsigned char* outBuf =
        static_cast<unsigned char*>(Private::GetCMMOutBuf(unsigned(outSize) * kTileElements, false));

    // The accesses live on the stack for the whole copy and move from tile to
    // tile, so converting a frame allocates nothing of its own.
    std::optional<DataChannel::TileReadOnly> readers[PixelFormat::kMaxDescriptors];
    const DataChannel::TileReadOnly* readView[PixelFormat::kMaxDescriptors];
    for (int k = 0; k < nIn; ++k)
        readView[k] = &readers[k].emplace(from[k].get(), -1);
    std::optional<DataChannel::TileReadWrite> writers[PixelFormat::kMaxDescriptors];
    DataChannel::TileReadWrite* writeView[PixelFormat::kMaxDescriptors];
    for (int k = 0; k < nOut; ++k)
        writeView[k] = &writers[k].emplace(to[k].get(), -1);
    const int srcAcross = from[0]->tilesAcross();
    const int dstAcross = to[0]->tilesAcross();

    forEachTilePiece(s, srcAcross, [&](int srcTile, const Rect& srcPiece) {
        bool uniform = true;
        for (int k = 0; k < nIn; ++k) {
            readers[k]->switchTo(srcTile);
            uniform = uniform && readers[k]->descriptor()->state() == TileDescriptor::Monotone;
        }
        bool converted = false;
        const Rect dstPart{srcPiece.left + ox, srcPiece.top + oy, srcPiece.right + ox, srcPiece.bottom + oy};
        forEachTilePiece(dstPart, dstAcross, [&](int dstTile, const Rect& piece) {
            if (uniform) {
                // One pixel stands for the whole source tile; the fill takes
                // its own write of the tile.
                for (int k = 0; k < nOut; ++k)
                    writers[k]->done();
                if (!converted) {
                    channels2Flat(inBuf, readView, inFormat, 0, 1);
                    run(context, inBuf, outBuf, 1);
                    converted = true;
                }
                for (int dd = 0, k = 0; dd < outFormat.count(); ++dd)
                    if (outFormat.descriptor(dd).channel != kChannelPlaceholder)
                        to[k++]->fillRect(piece, outBuf + outFormat.offset(dd));
                return;
            }
            for (int k = 0; k < nOut; ++k)
                writers[k]->switchTo(dstTile);
            const int sx = (piece.left - ox) & kTileMask, sy = (piece.top - oy) & kTileMask;
            const int tx = piece.left & kTileMask, ty = piece.top & kTileMask;
            const int w = piece.width(), h = piece.height();
            if (w == kTileSide) {
                const int n = w * h;
                channels2Flat(inBuf, readView, inFormat, sy * kTileSide, n);
                run(context, inBuf, outBuf, n);
                flat2Channels(writeView, outBuf, outFormat, ty * kTileSide, n);
            } else {
                for (int r = 0; r < h; ++r) {
                    channels2Flat(inBuf, readView, inFormat, (sy + r) * kTileSide + sx, w);
                    run(context, inBuf, outBuf, w);
                    flat2Channels(writeView, outBuf, outFormat, (ty + r) * kTileSide + tx, w);
                }
            }
        });
    });
}

} // namespace DataStorage
} // namespace Nuvra
