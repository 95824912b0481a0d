#include "pixelstore/DataChannel.h"

#include "pixelstore/Kernel.h"
#include "pixelstore/MonotoneCache.h"

#include <cstring>
#include <mutex>

namespace Nuvra {
namespace DataStorage {

DataChannel::TileReadOnly::TileReadOnly(const DataChannel* channel, int tile)
    : m_channel(channel)
{
    if (m_channel && m_channel->validTile(tile))
        acquire(tile);
}

DataChannel::TileReadOnly::~TileReadOnly()
{
    releaseTile();
}

void DataChannel::TileReadOnly::acquire(int tile)
{
    std::lock_guard<SpinLock> guard(m_channel->m_slotLock);
    m_channel->settleSlot(tile);
    m_tile = m_channel->m_slots[std::size_t(tile)].get();
    m_tile->lock(TileDescriptor::Read);
    m_data = m_tile->data();
    m_tileIndex = tile;
}

void DataChannel::TileReadOnly::releaseTile()
{
    const TileDescriptor* tile = m_tile;
    m_tile = nullptr;
    m_data = nullptr;
    m_tileIndex = -1;
    // The read lock alone may keep the tile alive; this unlock can free it.
    if (tile)
        tile->unlock(TileDescriptor::Read);
}

void DataChannel::TileReadOnly::switchTo(int tile)
{
    if (tile == m_tileIndex)
        return;
    const int previous = m_tileIndex;
    releaseTile();
    if (tile == -1 || !m_channel)
        return;
    if (!m_channel->validTile(tile)) {
        qCDebug(libds, "DataChannel::TileReadOnly::switchTo() -- tNum_ = %d, tileNum = %d, size = %ld\n", previous,
                tile, long(m_channel->m_slots.size()));
        return;
    }
    acquire(tile);
}

DataChannel::TileReadWrite::TileReadWrite(DataChannel* channel, int tile, MonotoneStrategy strategy)
    : m_channel(channel)
    , m_strategy(strategy)
{
    if (m_channel && m_channel->validTile(tile))
        acquire(tile);
}

DataChannel::TileReadWrite::~TileReadWrite()
{
    done();
}

void DataChannel::TileReadWrite::acquire(int tile)
{
    const int size = m_channel->m_elementSize;
    std::lock_guard<SpinLock> guard(m_channel->m_slotLock);
    SmartPtr<TileDescriptor>& slot = m_channel->m_slots[std::size_t(tile)];
    if (slot->refCount() >= 2) {
        // Another channel or the cache holds it: write into a private copy.
        SmartPtr<TileDescriptor> shared = slot;
        SmartPtr<TileDescriptor> own(new TileDescriptor(size));
        std::memcpy(own->data(), shared->data(), std::size_t(size) * kTileElements);
        slot = std::move(own);
    }
    slot->lock(TileDescriptor::Write);
    slot->setMonotone(false);
    m_tile = slot.get();
    m_data = m_tile->data();
    m_tileIndex = tile;
}

void DataChannel::TileReadWrite::switchTo(int tile)
{
    if (tile == m_tileIndex)
        return;
    const int previous = m_tileIndex;
    done();
    if (tile == -1 || !m_channel)
        return;
    if (!m_channel->validTile(tile)) {
        qCDebug(libds, "DataChannel::TileReadWrite::switchTo() -- tNum_ = %d, tileNum = %d, size = %ld\n", previous,
                tile, long(m_channel->m_slots.size()));
        return;
    }
    acquire(tile);
}

void DataChannel::TileReadWrite::done()
{
    const TileDescriptor* tile = m_tile;
    const int index = m_tileIndex;
    m_tile = nullptr;
    m_data = nullptr;
    m_tileIndex = -1;
    if (!m_channel || !tile)
        return;
    if (tile->writers() != 1) {
        tile->unlock(TileDescriptor::Write);
        return;
    }
    DataChannel& channel = *m_channel;
    const int size = channel.m_elementSize;
    SmartPtr<TileDescriptor>& slot = channel.m_slots[std::size_t(index)];
    const Rect valid = channel.tileRect(index);
    if (valid.width() < kTileSide || valid.height() < kTileSide) {
        // Only the part inside the channel counts; a uniform edge tile becomes
        // the cached tile of its value.
        if (!tile->checkMonotone(size, valid)) {
            tile->unlock(TileDescriptor::Write);
            return;
        }
        unsigned char value[256];
        std::lock_guard<SpinLock> guard(channel.m_slotLock);
        std::memcpy(value, tile->data(), std::size_t(size));
        tile->unlock(TileDescriptor::Write);
        MonotoneCache::getMonotone(slot, size, value);
        return;
    }
    if (m_strategy == CheckMonotone) {
        tile->setUnknown();
        if (tile->checkMonotone(size)) {
            std::lock_guard<SpinLock> guard(channel.m_slotLock);
            tile->unlock(TileDescriptor::Write);
            MonotoneCache::cacheMonotone(slot, size);
        } else {
            tile->unlock(TileDescriptor::Write);
        }
        return;
    }
    // Cheap probe of both ends against element 4096 - n.
    int n = 64 / int(static_cast<unsigned char>(size));
    if (n < 4)
        n = 3;
    const unsigned char* data = tile->data();
    const unsigned char* pivot = data + std::size_t(kTileElements - n) * size;
    bool maybe = true;
    for (int i = 0; i < n && maybe; ++i) {
        maybe = std::memcmp(data + std::size_t(i) * size, pivot, std::size_t(size)) == 0 &&
                std::memcmp(data + std::size_t(kTileElements - 1 - i) * size, pivot, std::size_t(size)) == 0;
    }
    if (maybe)
        tile->setUnknown();
    tile->unlock(TileDescriptor::Write);
}

} // namespace DataStorage
} // namespace Nuvra
