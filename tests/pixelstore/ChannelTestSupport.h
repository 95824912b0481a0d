#pragma once

#include "pixelstore/DataChannel.h"
#include "pixelstore/MonotoneCache.h"

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

} // namespace ChannelTest
