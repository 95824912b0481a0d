#include "pixelstore/MonotoneCache.h"

#include "pixelstore/FillBySample.h"

#include <cstring>
#include <map>
#include <mutex>

namespace Nuvra {
namespace DataStorage {
namespace {

const unsigned char kZeros[256] = {};

uint32_t cacheKey(int size, const void* value)
{
    uint32_t head = 0;
    std::memcpy(&head, value, std::size_t(size < 4 ? size : 4));
    return (head << 8) | uint32_t(size & 0xFF);
}

class cMonotoneCache {
public:
    void get(SmartPtr<TileDescriptor>& tile, int size, const void* value)
    {
        if (!value)
            value = kZeros;
        std::lock_guard<std::recursive_mutex> guard(m_mutex);
        const uint32_t key = cacheKey(size, value);
        if (TileDescriptor* hit = find(key, size, value)) {
            tile = hit;
            return;
        }
        SmartPtr<TileDescriptor> fresh(new TileDescriptor(size));
        fresh->lock(TileDescriptor::Write);
        fillBySample(fresh->data(), value, size, kTileElements);
        fresh->setMonotone(true);
        fresh->unlock(TileDescriptor::Write);
        insert(key, size, fresh);
        tile = std::move(fresh);
    }

    void offer(SmartPtr<TileDescriptor>& tile, int size)
    {
        unsigned char value[256];
        tile->getMonotoneValue(value);
        std::lock_guard<std::recursive_mutex> guard(m_mutex);
        const uint32_t key = cacheKey(size, value);
        if (TileDescriptor* hit = find(key, size, value)) {
            tile = hit;
            return;
        }
        insert(key, size, tile);
    }

    int count()
    {
        std::lock_guard<std::recursive_mutex> guard(m_mutex);
        return int(m_entries.size());
    }

private:
    struct Entry {
        int size;
        SmartPtr<TileDescriptor> tile;
    };

    // Keys lose the top byte of 4-byte values and all but four bytes of wider
    // ones, so every candidate is compared in full.
    TileDescriptor* find(uint32_t key, int size, const void* value)
    {
        auto range = m_entries.equal_range(key);
        for (auto it = range.first; it != range.second; ++it) {
            if (it->second.size != size)
                continue;
            unsigned char cached[256];
            it->second.tile->getMonotoneValue(cached);
            if (std::memcmp(cached, value, std::size_t(size)) == 0)
                return it->second.tile.get();
        }
        return nullptr;
    }

    void insert(uint32_t key, int size, const SmartPtr<TileDescriptor>& tile)
    {
        if (int(m_entries.size()) >= MonotoneCache::kPurgeThreshold) {
            for (auto it = m_entries.begin(); it != m_entries.end();) {
                if (it->second.tile->refCount() == 1)
                    it = m_entries.erase(it);
                else
                    ++it;
            }
        }
        m_entries.emplace(key, Entry{size, tile});
    }

    std::recursive_mutex m_mutex;
    std::multimap<uint32_t, Entry> m_entries;
};

cMonotoneCache& instance()
{
    static cMonotoneCache cache;
    return cache;
}

} // namespace

void MonotoneCache::getMonotone(SmartPtr<TileDescriptor>& tile, int size, const void* value)
{
    instance().get(tile, size, value);
}

void MonotoneCache::cacheMonotone(SmartPtr<TileDescriptor>& tile, int size)
{
    instance().offer(tile, size);
}

int MonotoneCache::entryCount()
{
    return instance().count();
}

} // namespace DataStorage
} // namespace Nuvra
