#pragma once

#include "pixelstore/DataChannel.h"
#include "pixelstore/MonotoneCache.h"

#include <sys/mman.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace ChannelTest {

using namespace Nuvra;
using namespace Nuvra::DataStorage;

// The whole channel, packed row by row.
inline std::vector<unsigned char> readAll(const DataChannel& channel)
{
    std::vector<unsigned char> out(std::size_t(channel.width()) * channel.height() * channel.elementSize());
    if (!out.empty())
        getData(channel, Rect::fromSize(channel.size()), out.data(),
                unsigned(channel.width() * channel.elementSize()));
    return out;
}

template <class T>
T elementAt(const DataChannel& channel, int x, int y)
{
    T value{};
    getData(channel, Rect{x, y, x + 1, y + 1}, &value, sizeof(T));
    return value;
}

template <class T>
void setElement(DataChannel& channel, int x, int y, T value)
{
    setData(channel, Rect{x, y, x + 1, y + 1}, &value, sizeof(T));
}

// The cache's tile for a value (the reference every uniform slot should share).
inline const TileDescriptor* cachedTile(int size, const void* value)
{
    SmartPtr<TileDescriptor> tile;
    MonotoneCache::getMonotone(tile, size, value);
    return tile.get();
}

// Address space for a buffer of more than 2^31 bytes of which only a few
// pages are ever touched: rectangles that start far outside the image.
class ReservedBuffer {
public:
    static constexpr std::size_t kFar = std::size_t(1) << 31;

    ReservedBuffer()
        : m_data(mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0))
    {
    }
    ~ReservedBuffer()
    {
        if (ok())
            munmap(m_data, kBytes);
    }
    ReservedBuffer(const ReservedBuffer&) = delete;
    ReservedBuffer& operator=(const ReservedBuffer&) = delete;

    bool ok() const { return m_data != MAP_FAILED; }
    unsigned char* data() const { return static_cast<unsigned char*>(m_data); }

private:
    static constexpr std::size_t kBytes = kFar + 4096;
    void* m_data;
};

} // namespace ChannelTest
