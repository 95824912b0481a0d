#include "pixelstore/DataChannel.h"
#include "pixelstore/Kernel.h"
#include "pixelstore/TileWalk.h"

#include <cstdint>
#include <cstring>

namespace Nuvra {
namespace DataStorage {
namespace {

// Offset of (x, y) in a buffer that starts at the rectangle's corner; in 64
// bits, since the rectangle may start more than 2^31 elements away.
std::size_t bufferOffset(const Rect& rect, int x, int y, unsigned int stride, std::size_t size)
{
    return std::size_t(int64_t(y) - rect.top) * stride + std::size_t(int64_t(x) - rect.left) * size;
}

// Rows closer than a row's bytes would overwrite each other (or, read back,
// repeat); a single row never uses the stride.
bool acceptStride(const char* what, const DataChannel& channel, const Rect& rect, unsigned int stride)
{
    const uint64_t row = uint64_t(int64_t(rect.right) - rect.left) * uint64_t(channel.elementSize());
    if (int64_t(rect.bottom) - rect.top > 1 && uint64_t(stride) < row) {
        qCCritical(libds, "%s -- refused: stride %u for a row of %llu bytes\n", what, stride,
                   static_cast<unsigned long long>(row));
        return false;
    }
    return true;
}

} // namespace

void setData(DataChannel& channel, const Rect& rect, const void* src, unsigned int stride)
{
    if (!src || rect.isEmpty() || !acceptStride("setData(DataChannel)", channel, rect, stride))
        return;
    const Rect r = rect.clipped(channel.size());
    if (r.isEmpty())
        return;
    const std::size_t size = std::size_t(channel.elementSize());
    const auto* in = static_cast<const unsigned char*>(src);
    DataChannel::TileReadWrite tile(&channel, -1, DataChannel::TileReadWrite::CheckMonotone);
    forEachTilePiece(r, channel.tilesAcross(), [&](int index, const Rect& piece) {
        tile.switchTo(index);
        auto* out = static_cast<unsigned char*>(tile.data());
        for (int y = piece.top; y < piece.bottom; ++y) {
            std::memcpy(out + std::size_t(elementInTile(piece.left, y)) * size,
                        in + bufferOffset(rect, piece.left, y, stride, size),
                        std::size_t(piece.width()) * size);
        }
    });
}

void getData(const DataChannel& channel, const Rect& rect, void* dst, unsigned int stride)
{
    if (!dst || rect.isEmpty() || !acceptStride("getData(DataChannel)", channel, rect, stride))
        return;
    const Rect r = rect.clipped(channel.size());
    if (r.isEmpty())
        return;
    const std::size_t size = std::size_t(channel.elementSize());
    auto* out = static_cast<unsigned char*>(dst);
    DataChannel::TileReadOnly tile(&channel, -1);
    forEachTilePiece(r, channel.tilesAcross(), [&](int index, const Rect& piece) {
        tile.switchTo(index);
        const auto* in = static_cast<const unsigned char*>(tile.data());
        for (int y = piece.top; y < piece.bottom; ++y) {
            std::memcpy(out + bufferOffset(rect, piece.left, y, stride, size),
                        in + std::size_t(elementInTile(piece.left, y)) * size, std::size_t(piece.width()) * size);
        }
    });
}

} // namespace DataStorage
} // namespace Nuvra
