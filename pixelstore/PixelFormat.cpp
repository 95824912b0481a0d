#include "pixelstore/PixelFormat.h"

#include <stdexcept>
#include <string>

namespace Nuvra {
namespace DataStorage {

ColorSpace colorSpaceOf(ChannelSet set) noexcept
{
    switch (set & kColorChannels) {
    case kSetGray: return ColorSpaceGray;
    case kSetRGB: return ColorSpaceRGB;
    case kSetCMYK: return ColorSpaceCMYK;
    case kSetLab: return ColorSpaceLab;
    case kSetSingle: return ColorSpaceSingle;
    default: return ColorSpaceOther;
    }
}

PixelFormat::PixelFormat() noexcept
    : m_descriptors()
    , m_offsets()
{
    finish();
}

PixelFormat::PixelFormat(ChannelSet set, ChannelType type)
    : PixelFormat()
{
    for (Channel c = 0; c < 32; ++c)
        if (set & (ChannelSet(1) << c))
            append(c, type);
    finish();
}

PixelFormat::PixelFormat(std::initializer_list<Channel> channels, ChannelType type)
    : PixelFormat()
{
    for (Channel c : channels)
        append(c, type);
    finish();
}

PixelFormat::PixelFormat(const ChannelDescriptor* descriptors)
    : PixelFormat()
{
    setChannels(descriptors);
}

void PixelFormat::setChannels(const ChannelDescriptor* descriptors)
{
    PixelFormat replacement;
    for (int i = 0; descriptors && i < kMaxDescriptors && descriptors[i].channel != -1; ++i)
        replacement.append(descriptors[i].channel, descriptors[i].type);
    replacement.finish();
    *this = replacement; // unchanged when a descriptor is refused
}

void PixelFormat::append(Channel channel, ChannelType type)
{
    if (!isValidChannel(channel))
        throw std::runtime_error("PixelFormat with channel " + std::to_string(channel));
    if (!isValidChannelType(type))
        throw std::runtime_error("PixelFormat with unsupported element type = " + std::to_string(type));
    if (m_count == kMaxDescriptors)
        throw std::runtime_error("PixelFormat with more than 16 channels");
    m_descriptors[m_count++] = {channel, type};
}

void PixelFormat::finish()
{
    for (auto& i : m_index)
        i = -1;
    m_pixelSize = 0;
    m_commonType = m_count > 0 ? m_descriptors[0].type : 0;
    for (int i = 0; i < m_count; ++i) {
        const ChannelDescriptor& d = m_descriptors[i];
        m_offsets[i] = m_pixelSize;
        if (m_index[d.channel] == -1)
            m_index[d.channel] = int8_t(i);
        m_pixelSize += elementSize(d.type);
        if (d.type != m_commonType)
            m_commonType = 0;
    }
}

ChannelSet PixelFormat::channels() const noexcept
{
    ChannelSet set = 0;
    for (int i = 0; i < m_count; ++i)
        set |= ChannelSet(1) << m_descriptors[i].channel;
    return set;
}

} // namespace DataStorage
} // namespace Nuvra
