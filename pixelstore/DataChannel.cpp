#include "pixelstore/DataChannel.h"

#include "pixelstore/ElementConversion.h"
#include "pixelstore/FillBySample.h"
#include "pixelstore/Kernel.h"
#include "pixelstore/MonotoneCache.h"
#include "pixelstore/TileWalk.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string>

namespace Nuvra {
namespace DataStorage {
namespace {

const unsigned char kZeros[256] = {};

int checkedElementSize(ChannelType type)
{
    if (type == 0)
        throw std::runtime_error("DataChannel with element size = 0");
    const int size = elementSize(type);
    if (size == 0)
        throw std::runtime_error("DataChannel with unsupported element type = " + std::to_string(type));
    return size;
}

std::size_t offsetInTile(int x, int y, int size)
{
    return std::size_t(elementInTile(x, y)) * std::size_t(size);
}

} // namespace

DataChannel::DataChannel(const Size& size, ChannelType type)
    : DataChannel(size, type, checkedElementSize(type))
{
}

DataChannel::DataChannel(const Size& size, ChannelType type, int elementSize)
    : m_type(type)
    , m_elementSize(elementSize)
    , m_size(size)
{
    if (size.width < 0 || size.height < 0)
        throw std::runtime_error("DataChannel with negative size " + std::to_string(size.width) + " x " +
                                 std::to_string(size.height));
    const long long across = (static_cast<long long>(size.width) + kTileMask) / kTileSide;
    const long long down = (static_cast<long long>(size.height) + kTileMask) / kTileSide;
    if (size.width > kMaxTiledLength || size.height > kMaxTiledLength || across * down > INT_MAX)
        throw std::runtime_error("DataChannel too large: " + std::to_string(size.width) + " x " +
                                 std::to_string(size.height));
    m_tilesAcross = int(across);
    m_tilesDown = int(down);
    SmartPtr<TileDescriptor> zero;
    MonotoneCache::getMonotone(zero, m_elementSize, nullptr);
    m_slots.assign(std::size_t(across * down), zero);
}

DataChannel::DataChannel(const DataChannel& other)
    : RefCounted(other)
    , m_type(other.m_type)
    , m_elementSize(other.m_elementSize)
    , m_size(other.m_size)
    , m_tilesAcross(other.m_tilesAcross)
    , m_tilesDown(other.m_tilesDown)
{
    std::lock_guard<SpinLock> guard(other.m_slotLock);
    for (int i = 0, n = int(other.m_slots.size()); i < n; ++i)
        other.settleSlot(i);
    m_slots = other.m_slots;
}

DataChannel::DataChannel(const DataChannel& other, ChannelType type)
    : DataChannel(other.m_size, type, checkedElementSize(type))
{
    if (type == other.m_type) {
        std::lock_guard<SpinLock> guard(other.m_slotLock);
        for (int i = 0, n = int(other.m_slots.size()); i < n; ++i) {
            other.settleSlot(i);
            m_slots[std::size_t(i)] = other.m_slots[std::size_t(i)];
        }
        return;
    }
    unsigned char value[256];
    unsigned char converted[256];
    for (int i = 0, n = int(m_slots.size()); i < n; ++i) {
        TileReadOnly src(&other, i);
        if (src.descriptor()->state() == TileDescriptor::Monotone) {
            src.descriptor()->getMonotoneValue(value);
            // An unsupported pair leaves the tile zero; the conversion logs it.
            if (convertMemory(converted, value, type, other.m_type, 1))
                tileFill(i, converted);
            continue;
        }
        // Nobody else sees this channel yet, so the slot can take a new tile.
        m_slots[std::size_t(i)] = new TileDescriptor(m_elementSize);
        TileReadWrite dst(this, i, TileReadWrite::ProbeMonotone);
        if (!convertMemory(dst.data(), src.data(), type, other.m_type, kTileElements))
            fillBySample(dst.data(), kZeros, m_elementSize, kTileElements);
    }
}

DataChannel::~DataChannel() = default;

int DataChannel::settleSlot(int tile) const
{
    SmartPtr<TileDescriptor>& slot = m_slots[std::size_t(tile)];
    int state = slot->monotoneState();
    if (state == TileDescriptor::BecameMonotone) {
        MonotoneCache::cacheMonotone(slot, m_elementSize);
        state = TileDescriptor::Monotone;
    }
    return state;
}

Rect DataChannel::tileRect(int tile) const noexcept
{
    const int left = (tile % m_tilesAcross) * kTileSide;
    const int top = (tile / m_tilesAcross) * kTileSide;
    return {left, top, std::min(left + kTileSide, m_size.width), std::min(top + kTileSide, m_size.height)};
}

const TileDescriptor* DataChannel::tileAt(int tile) const
{
    if (!validTile(tile))
        return nullptr;
    std::lock_guard<SpinLock> guard(m_slotLock);
    settleSlot(tile);
    return m_slots[std::size_t(tile)].get();
}

void DataChannel::tileFill(int tile, const void* value)
{
    if (!validTile(tile))
        return;
    std::lock_guard<SpinLock> guard(m_slotLock);
    MonotoneCache::getMonotone(m_slots[std::size_t(tile)], m_elementSize, value);
}

void DataChannel::tileCopy(int dstTile, const DataChannel& src, int srcTile)
{
    if (!validTile(dstTile) || !src.validTile(srcTile))
        return;
    if (src.m_elementSize != m_elementSize) {
        qCCritical(libds, "DataChannel::tileCopy() -- element sizes differ: %d, %d\n", src.m_elementSize,
                   m_elementSize);
        return;
    }
    // The source's pending check runs under its own lock before the tile is
    // shared, so no two channels race on one tile's state.
    SmartPtr<TileDescriptor> shared;
    {
        std::lock_guard<SpinLock> guard(src.m_slotLock);
        src.settleSlot(srcTile);
        shared = src.m_slots[std::size_t(srcTile)];
    }
    std::lock_guard<SpinLock> guard(m_slotLock);
    m_slots[std::size_t(dstTile)] = shared;
}

void DataChannel::fillRect(const Rect& rect, const void* value)
{
    if (!value)
        value = kZeros;
    if (rect.isEmpty())
        return;
    const Rect r = rect.clipped(m_size);
    if (r.isEmpty())
        return;
    unsigned char current[256];
    forEachTilePiece(r, m_tilesAcross, [&](int index, const Rect& piece) {
        bool same = false;
        {
            std::lock_guard<SpinLock> guard(m_slotLock);
            if (settleSlot(index) == TileDescriptor::Monotone) {
                m_slots[std::size_t(index)]->getMonotoneValue(current);
                same = std::memcmp(current, value, std::size_t(m_elementSize)) == 0;
            }
        }
        if (same)
            return;
        const Rect valid = tileRect(index);
        if (r.contains(valid)) {
            tileFill(index, value);
            return;
        }
        TileReadWrite tile(this, index, TileReadWrite::ProbeMonotone);
        auto* dst = static_cast<unsigned char*>(tile.data()) + offsetInTile(piece.left, piece.top, m_elementSize);
        fillBySample2D(dst, value, m_elementSize, piece.width(), piece.height(), m_elementSize * kTileSide);
    });
}

void DataChannel::copy(const DataChannel& src, const Rect& srcRect, const Point& dst)
{
    if (&src == this) {
        // Copy-on-write makes a snapshot cheap, and it keeps overlapping
        // source and destination areas apart.
        const DataChannel snapshot(*this);
        copy(snapshot, srcRect, dst);
        return;
    }
    if (srcRect.isEmpty())
        return;
    const Rect s = srcRect.clipped(src.m_size);
    if (s.isEmpty())
        return;
    const long long dx = static_cast<long long>(dst.x) - srcRect.left;
    const long long dy = static_cast<long long>(dst.y) - srcRect.top;
    const long long dl = std::max<long long>(s.left + dx, 0);
    const long long dt = std::max<long long>(s.top + dy, 0);
    const long long dr = std::min<long long>(s.right + dx, m_size.width);
    const long long db = std::min<long long>(s.bottom + dy, m_size.height);
    if (dr <= dl || db <= dt)
        return;
    const Rect d{int(dl), int(dt), int(dr), int(db)};
    const int ox = int(dx);
    const int oy = int(dy);
    const int dsize = m_elementSize;
    const int ssize = src.m_elementSize;
    unsigned char value[256];
    unsigned char converted[256];

    forEachTilePiece(d, m_tilesAcross, [&](int dIndex, const Rect& dPart) {
        const Rect sPart{dPart.left - ox, dPart.top - oy, dPart.right - ox, dPart.bottom - oy};
        if (src.m_type == m_type && dPart.width() == kTileSide && dPart.height() == kTileSide &&
            (sPart.left & kTileMask) == 0 && (sPart.top & kTileMask) == 0) {
            tileCopy(dIndex, src, tileRow(sPart.top) * src.m_tilesAcross + tileColumn(sPart.left));
            return;
        }
        TileReadWrite out(this, dIndex, TileReadWrite::ProbeMonotone);
        auto* outData = static_cast<unsigned char*>(out.data());
        forEachTilePiece(sPart, src.m_tilesAcross, [&](int sIndex, const Rect& sPiece) {
            unsigned char* target = outData + offsetInTile(sPiece.left + ox, sPiece.top + oy, dsize);
            TileReadOnly in(&src, sIndex);
            if (in.descriptor()->state() == TileDescriptor::Monotone) {
                in.descriptor()->getMonotoneValue(value);
                const void* fill = value;
                if (src.m_type != m_type) {
                    if (!convertMemory(converted, value, m_type, src.m_type, 1))
                        return;
                    fill = converted;
                }
                fillBySample2D(target, fill, dsize, sPiece.width(), sPiece.height(), dsize * kTileSide);
            } else {
                const auto* from = static_cast<const unsigned char*>(in.data()) +
                                   offsetInTile(sPiece.left, sPiece.top, ssize);
                // One type on both sides is a byte copy, also for the
                // codes that conversion does not know.
                if (src.m_type == m_type) {
                    for (int y = 0; y < sPiece.height(); ++y)
                        std::memcpy(target + std::size_t(y) * std::size_t(dsize) * kTileSide,
                                    from + std::size_t(y) * std::size_t(ssize) * kTileSide,
                                    std::size_t(sPiece.width()) * std::size_t(dsize));
                } else {
                    convertMemory2D(target, from, m_type, src.m_type, sPiece.width(), sPiece.height(),
                                    dsize, ssize, dsize * kTileSide, ssize * kTileSide);
                }
            }
        });
    });
}

bool DataChannel::isMonotone(void* value) const
{
    return isMonotone(Rect::fromSize(m_size), value);
}

bool DataChannel::isMonotone(const Rect& rect, void* value) const
{
    const Rect r = rect.clipped(m_size);
    if (r.isEmpty())
        return true;
    unsigned char reference[256];
    unsigned char tileValue[256];
    bool haveReference = false;
    const std::size_t size = std::size_t(m_elementSize);
    bool uniform = true;
    forEachTilePiece(r, m_tilesAcross, [&](int index, const Rect& piece) {
        if (!uniform)
            return;
        TileReadOnly tile(this, index);
        if (tile.descriptor()->state() == TileDescriptor::Monotone) {
            tile.descriptor()->getMonotoneValue(tileValue);
            if (!haveReference) {
                std::memcpy(reference, tileValue, size);
                haveReference = true;
            } else if (std::memcmp(reference, tileValue, size) != 0) {
                uniform = false;
            }
            return;
        }
        const auto* data = static_cast<const unsigned char*>(tile.data());
        if (!haveReference) {
            std::memcpy(reference, data + offsetInTile(piece.left, piece.top, m_elementSize), size);
            haveReference = true;
        }
        for (int y = piece.top; y < piece.bottom; ++y) {
            const unsigned char* row = data + offsetInTile(piece.left, y, m_elementSize);
            for (int x = 0; x < piece.width(); ++x) {
                if (std::memcmp(row + std::size_t(x) * size, reference, size) != 0) {
                    uniform = false;
                    return;
                }
            }
        }
    });
    if (!uniform)
        return false;
    if (value && haveReference)
        std::memcpy(value, reference, size);
    return true;
}

bool DataChannel::isTileMonotone(int tile) const
{
    if (!validTile(tile))
        return false;
    std::lock_guard<SpinLock> guard(m_slotLock);
    return settleSlot(tile) != TileDescriptor::NotMonotone;
}

void DataChannel::getTileMonotoneValue(int tile, void* value) const
{
    if (!validTile(tile))
        return;
    std::lock_guard<SpinLock> guard(m_slotLock);
    settleSlot(tile);
    m_slots[std::size_t(tile)]->getMonotoneValue(value);
}

void DataChannel::resize(const Size& size, bool keep)
{
    DataChannel fresh(size, m_type, m_elementSize);
    const Size old = m_size;
    if (keep) {
        std::lock_guard<SpinLock> guard(m_slotLock);
        const int rows = std::min(m_tilesDown, fresh.m_tilesDown);
        const int columns = std::min(m_tilesAcross, fresh.m_tilesAcross);
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column) {
                const int from = row * m_tilesAcross + column;
                settleSlot(from);
                fresh.m_slots[std::size_t(row * fresh.m_tilesAcross + column)] = m_slots[std::size_t(from)];
            }
        }
    }
    swap(fresh);
    if (keep) {
        // Let the old slots go first so that zeroing the padding of kept edge
        // tiles does not copy them needlessly.
        fresh.m_slots.clear();
        // Padding of kept edge tiles holds stale elements; growing must not
        // turn them into pixels.
        fillRect({old.width, 0, size.width, size.height}, nullptr);
        fillRect({0, old.height, size.width, size.height}, nullptr);
    }
}

void DataChannel::swap(DataChannel& other)
{
    if (&other == this)
        return;
    // Locking in address order keeps two opposite swaps from deadlocking.
    DataChannel* first = this < &other ? this : &other;
    DataChannel* second = this < &other ? &other : this;
    std::lock_guard<SpinLock> firstGuard(first->m_slotLock);
    std::lock_guard<SpinLock> secondGuard(second->m_slotLock);
    std::swap(m_type, other.m_type);
    std::swap(m_elementSize, other.m_elementSize);
    std::swap(m_size, other.m_size);
    std::swap(m_tilesAcross, other.m_tilesAcross);
    std::swap(m_tilesDown, other.m_tilesDown);
    m_slots.swap(other.m_slots);
}

} // namespace DataStorage
} // namespace Nuvra
