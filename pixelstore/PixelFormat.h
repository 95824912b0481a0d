#pragma once

#include "pixelstore/ChannelType.h"

#include <cstdint>
#include <initializer_list>

namespace Nuvra {
namespace DataStorage {

// Channel numbers 0..30; 0 is a placeholder (padding in an interleaved
// pixel) that planes never hold.
using Channel = int;
constexpr Channel kChannelPlaceholder = 0;
constexpr Channel kChannelGray = 1;
constexpr Channel kChannelRed = 2;
constexpr Channel kChannelGreen = 3;
constexpr Channel kChannelBlue = 4;
constexpr Channel kChannelCyan = 5;
constexpr Channel kChannelMagenta = 6;
constexpr Channel kChannelYellow = 7;
constexpr Channel kChannelBlack = 8;
constexpr Channel kChannelL = 9;
constexpr Channel kChannelA = 10;
constexpr Channel kChannelB = 11;
constexpr Channel kChannelSingle = 12;
constexpr Channel kChannelAlpha = 13;
constexpr Channel kMaxChannel = 30;
constexpr int kChannelSlots = kMaxChannel + 1;

constexpr bool isValidChannel(Channel c) noexcept { return c >= 0 && c <= kMaxChannel; }

// Bit n for channel n; bit 31 is never used. A ChannelFilter is a set that a
// query's result is ANDed with.
using ChannelSet = uint32_t;
using ChannelFilter = ChannelSet;

constexpr ChannelSet kColorChannels = 0x1FFE;
constexpr ChannelSet kNonColorChannels = 0x7FFFE000;
constexpr ChannelSet kAllChannels = 0x7FFFFFFE;
constexpr ChannelSet kSetGray = 2;
constexpr ChannelSet kSetGrayAlpha = 8194;
constexpr ChannelSet kSetRGB = 28;
constexpr ChannelSet kSetRGBA = 8220;
constexpr ChannelSet kSetCMYK = 480;
constexpr ChannelSet kSetCMYKA = 8672;
constexpr ChannelSet kSetLab = 3584;
constexpr ChannelSet kSetLabA = 11776;
constexpr ChannelSet kSetSingle = 4096;

// Class of a set's colour part (channels & kColorChannels, compared whole).
enum ColorSpace { ColorSpaceOther = 0, ColorSpaceGray = 1, ColorSpaceRGB = 2, ColorSpaceCMYK = 3, ColorSpaceLab = 4,
                  ColorSpaceSingle = 5 };
ColorSpace colorSpaceOf(ChannelSet set) noexcept;

struct ChannelDescriptor {
    Channel channel;
    ChannelType type;
};

// An interleaved pixel: up to 16 (channel, element type) descriptors in order,
// with byte offsets, the position of each channel's first descriptor, the
// pixel size and the type all descriptors share (0 when they mix).
// Constructors throw std::runtime_error for a channel outside 0..30, a type
// without a storable element, or more than 16 descriptors from a set or list.
class PixelFormat {
public:
    static constexpr int kMaxDescriptors = 16;

    PixelFormat() noexcept;
    PixelFormat(ChannelSet set, ChannelType type);
    PixelFormat(std::initializer_list<Channel> channels, ChannelType type);
    // Up to the first descriptor whose channel is -1, at most 16; null gives
    // the empty format.
    explicit PixelFormat(const ChannelDescriptor* descriptors);
    void setChannels(const ChannelDescriptor* descriptors);

    ChannelSet channels() const noexcept;

    int count() const noexcept { return m_count; }
    const ChannelDescriptor& descriptor(int i) const noexcept { return m_descriptors[i]; }
    int offset(int i) const noexcept { return m_offsets[i]; }
    // Position of the channel's first descriptor, -1 when absent.
    int indexOf(Channel c) const noexcept { return isValidChannel(c) ? m_index[c] : -1; }
    int pixelSize() const noexcept { return m_pixelSize; }
    ChannelType commonType() const noexcept { return m_commonType; }

private:
    void append(Channel channel, ChannelType type);
    void finish();

    ChannelDescriptor m_descriptors[kMaxDescriptors];
    int m_offsets[kMaxDescriptors];
    int8_t m_index[kChannelSlots];
    int m_count = 0;
    int m_pixelSize = 0;
    ChannelType m_commonType = 0;
};

} // namespace DataStorage
} // namespace Nuvra
