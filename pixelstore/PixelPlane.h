#pragma once

#include "pixelstore/DataChannel.h"
#include "pixelstore/PixelFormat.h"
#include "pixelstore/ProfileHandle.h"

namespace Nuvra {
namespace DataStorage {

// An image: one shared DataChannel per channel number, all of one size, with
// an optional colour profile. Copies share the channels; asking for a channel
// to write replaces a shared one by a copy first (which shares its tiles).
class PixelPlane : public RefCounted<MultiThreadedLocks> {
public:
    PixelPlane();
    // Channels of the set's bits, lowest first, all of the type; an empty set
    // keeps the type and no channel.
    PixelPlane(ChannelSet set, ChannelType type, const Size& size, const ProfileHandle& profile = nullptr);
    // A channel for each descriptor that is not the placeholder.
    PixelPlane(const PixelFormat& format, const Size& size, const ProfileHandle& profile = nullptr);
    PixelPlane(const PixelPlane& other);
    PixelPlane& operator=(const PixelPlane& other);
    ~PixelPlane() override;

    // An empty slot gets a zero channel of the plane's size, a slot of another
    // type a converted copy, a slot of this type stays. False (and a critical
    // line) for the placeholder; std::runtime_error for numbers outside 0..30
    // and for types without a storable element.
    bool addChannel(Channel channel, ChannelType type);
    // The slot shares the given channel's tiles. Refused (critical line, false)
    // when the channel's size differs from that of the plane's other channels;
    // a plane whose only channel this is takes its size.
    bool addChannel(Channel channel, const DataChannel& data);
    // Exchanges all contents; callers hold both slot locks or own both planes.
    void swap_no_lock(PixelPlane& other) noexcept;

    ChannelSet channelSet(ChannelFilter filter = kAllChannels) const;
    bool hasChannel(Channel channel) const;
    // Null for an empty slot.
    SmartPtr<const DataChannel> channelReadOnly(Channel channel) const;
    // The slot's own channel, copied first (sharing tiles) when it is shared.
    SmartPtr<DataChannel> channelReadWrite(Channel channel);
    // The slot's own channel, replaced by a zero channel when it is shared:
    // for callers that overwrite all of it.
    SmartPtr<DataChannel> channelWriteOnly(Channel channel);

    Size size() const;
    int width() const { return size().width; }
    int height() const { return size().height; }
    int tilesAcross() const;
    int tilesDown() const;
    int channelCount() const;
    // The type all channels share, 0 when they differ.
    ChannelType channelType() const;
    ProfileHandle profile() const;

private:
    void noteChannelType(ChannelType type);

    Size m_size;
    int m_tilesAcross = 0;
    int m_tilesDown = 0;
    int m_count = 0;
    ChannelType m_type = 0;
    ProfileHandle m_profile;
    SmartPtr<DataChannel> m_channels[kChannelSlots];
    mutable SpinLock m_lock;
};

// Reads a rectangle of the plane into an interleaved buffer: pixel (x, y) at
// (y - rect.top) * stride + (x - rect.left) * pixel size, each channel at its
// first descriptor's offset. A stride of 0 means a packed row. Only the part
// inside the plane is written; a missing alpha reads as opaque, other missing
// channels and placeholders leave their bytes alone. Returns false, touching
// nothing, for a null buffer or a stride shorter than a row.
bool getData(const PixelPlane& plane, const Rect& rect, void* dst, unsigned int stride, const PixelFormat& format);
// Writes the plane's channels from an interleaved buffer laid out as above;
// channels the plane lacks are skipped, never added.
bool setData(PixelPlane& plane, const Rect& rect, const void* src, unsigned int stride, const PixelFormat& format);

} // namespace DataStorage
} // namespace Nuvra
