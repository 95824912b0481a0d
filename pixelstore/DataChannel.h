#pragma once

#include "pixelstore/ChannelType.h"
#include "pixelstore/Geometry.h"
#include "pixelstore/RefCounted.h"
#include "pixelstore/SmartPtr.h"
#include "pixelstore/SpinLock.h"
#include "pixelstore/TileDescriptor.h"

#include <vector>

namespace Nuvra {
namespace DataStorage {

// One 2-D plane of elements of one type, kept as a grid of 64 x 64 tiles that
// are shared copy-on-write with other channels; uniform tiles are the shared
// tiles of the uniform-tile cache. Edge tiles are full blocks whose elements
// outside the channel carry no meaning.
//
// Any number of threads may read a channel; writers divide their work by
// tiles, and nobody writes an area of a channel that another thread reads.
class DataChannel : public RefCounted<MultiThreadedLocks> {
public:
    class TileReadOnly;
    class TileReadWrite;

    // Throws std::runtime_error for a type that names no element of 1..255
    // bytes and for a size whose tile grid does not fit the index range.
    DataChannel(const Size& size, ChannelType type);
    DataChannel(const DataChannel& other);
    // A copy converted to another element type.
    DataChannel(const DataChannel& other, ChannelType type);
    ~DataChannel() override;
    DataChannel& operator=(const DataChannel&) = delete;

    ChannelType type() const noexcept { return m_type; }
    int elementSize() const noexcept { return m_elementSize; }
    Size size() const noexcept { return m_size; }
    int width() const noexcept { return m_size.width; }
    int height() const noexcept { return m_size.height; }
    int tilesAcross() const noexcept { return m_tilesAcross; }
    int tilesDown() const noexcept { return m_tilesDown; }
    int tileCount() const noexcept { return m_tilesAcross * m_tilesDown; }

    // The slot becomes the cached uniform tile of value (null = zeros).
    void tileFill(int tile, const void* value);
    // The slot shares the source's tile; src may be this channel. Both
    // channels must have the same element type.
    void tileCopy(int dstTile, const DataChannel& src, int srcTile);
    void fillRect(const Rect& rect, const void* value);
    // Copies srcRect of src to dst in this channel, converting element types
    // when they differ.
    void copy(const DataChannel& src, const Rect& srcRect, const Point& dst);

    bool isMonotone(void* value) const;
    // Whether the rectangle (clipped) holds one value; the value is written
    // when value is not null. An empty rectangle is uniform.
    bool isMonotone(const Rect& rect, void* value) const;
    bool isTileMonotone(int tile) const;
    void getTileMonotoneValue(int tile, void* value) const;

    // With keep, tiles at positions both grids share are kept; the part of
    // them that becomes valid by growing is zeroed.
    void resize(const Size& size, bool keep);
    void swap(DataChannel& other);

    // The tile now in a slot, after its pending uniformity check (for tests
    // and diagnostics); null for an index out of range.
    const TileDescriptor* tileAt(int tile) const;

private:
    friend class TileReadOnly;
    friend class TileReadWrite;

    DataChannel(const Size& size, ChannelType type, int elementSize);
    bool validTile(int tile) const noexcept { return unsigned(tile) < unsigned(m_slots.size()); }
    // Runs the slot's pending uniformity check, offering a tile found uniform
    // to the cache; the caller holds the slot lock.
    int settleSlot(int tile) const;
    Rect tileRect(int tile) const noexcept;

    ChannelType m_type;
    int m_elementSize;
    Size m_size;
    int m_tilesAcross;
    int m_tilesDown;
    // Mutable: reading may replace a slot's tile by the equal cached tile.
    mutable std::vector<SmartPtr<TileDescriptor>> m_slots;
    mutable SpinLock m_slotLock;
};

// Read access to one tile at a time; holds a read lock on the tile.
class DataChannel::TileReadOnly {
public:
    // An index out of range gives an empty object (no tile, null data).
    TileReadOnly(const DataChannel* channel, int tile);
    ~TileReadOnly();
    TileReadOnly(const TileReadOnly&) = delete;
    TileReadOnly& operator=(const TileReadOnly&) = delete;

    // -1 releases the tile; an index out of range logs a debug line.
    void switchTo(int tile);

    int tile() const noexcept { return m_tileIndex; }
    const void* data() const noexcept { return m_data; }
    const TileDescriptor* descriptor() const noexcept { return m_tile; }

private:
    void acquire(int tile);
    void releaseTile();

    const DataChannel* m_channel;
    int m_tileIndex = -1;
    const void* m_data = nullptr;
    const TileDescriptor* m_tile = nullptr;
};

// Write access to one tile at a time: the tile is copied first when another
// channel or the cache shares it, and offered back to the cache when the
// write leaves it uniform.
class DataChannel::TileReadWrite {
public:
    enum MonotoneStrategy {
        // Probe a few elements at both ends; the next reader runs the full
        // check only when the probe suggests it may pay.
        ProbeMonotone = 0,
        // Check the whole tile when the write ends.
        CheckMonotone = 1,
    };

    TileReadWrite(DataChannel* channel, int tile, MonotoneStrategy strategy = ProbeMonotone);
    ~TileReadWrite();
    TileReadWrite(const TileReadWrite&) = delete;
    TileReadWrite& operator=(const TileReadWrite&) = delete;

    void switchTo(int tile);
    // Ends the write of the current tile.
    void done();

    int tile() const noexcept { return m_tileIndex; }
    void* data() const noexcept { return m_data; }
    const TileDescriptor* descriptor() const noexcept { return m_tile; }

private:
    void acquire(int tile);

    DataChannel* m_channel;
    int m_tileIndex = -1;
    void* m_data = nullptr;
    const TileDescriptor* m_tile = nullptr;
    MonotoneStrategy m_strategy;
};

// Writes a rectangle from a buffer whose rows are stride bytes apart (elements
// packed within a row). The rectangle is clipped to the channel; the buffer
// still corresponds to the rectangle as given.
void setData(DataChannel& channel, const Rect& rect, const void* src, unsigned int stride);
// Reads a rectangle into a buffer, clipped like setData.
void getData(const DataChannel& channel, const Rect& rect, void* dst, unsigned int stride);

} // namespace DataStorage
} // namespace Nuvra
