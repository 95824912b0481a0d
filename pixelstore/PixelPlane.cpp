#include "pixelstore/PixelPlane.h"

#include "pixelstore/Kernel.h"

#include <mutex>
#include <stdexcept>
#include <string>

namespace Nuvra {
namespace DataStorage {
namespace {

// Numbers outside 0..30 would index past the slots: they throw. The
// placeholder is a valid number that a plane never holds.
bool holdable(Channel channel)
{
    if (!isValidChannel(channel))
        throw std::runtime_error("PixelPlane with channel " + std::to_string(channel));
    if (channel != kChannelPlaceholder)
        return true;
    qCCritical(libds, "PixelPlane::addChannel() -- the placeholder channel cannot be held\n");
    return false;
}

const Size& checkedSize(const Size& size)
{
    if (size.width < 0 || size.height < 0)
        throw std::runtime_error("PixelPlane with negative size " + std::to_string(size.width) + " x " +
                                 std::to_string(size.height));
    if (size.width > kMaxTiledLength || size.height > kMaxTiledLength)
        throw std::runtime_error("PixelPlane too large: " + std::to_string(size.width) + " x " +
                                 std::to_string(size.height));
    return size;
}

} // namespace

PixelPlane::PixelPlane() = default;

PixelPlane::PixelPlane(ChannelSet set, ChannelType type, const Size& size, const ProfileHandle& profile)
    : m_size(checkedSize(size))
    , m_tilesAcross(tileCount(size.width))
    , m_tilesDown(tileCount(size.height))
    , m_type(type)
    , m_profile(profile)
{
    for (Channel c = 0; c < 32; ++c)
        if (set & (ChannelSet(1) << c))
            addChannel(c, type);
}

PixelPlane::PixelPlane(const PixelFormat& format, const Size& size, const ProfileHandle& profile)
    : m_size(checkedSize(size))
    , m_tilesAcross(tileCount(size.width))
    , m_tilesDown(tileCount(size.height))
    , m_profile(profile)
{
    for (int i = 0; i < format.count(); ++i)
        if (format.descriptor(i).channel != kChannelPlaceholder)
            addChannel(format.descriptor(i).channel, format.descriptor(i).type);
}

PixelPlane::PixelPlane(const PixelPlane& other)
    : RefCounted(other)
{
    std::lock_guard<SpinLock> guard(other.m_lock);
    m_size = other.m_size;
    m_tilesAcross = other.m_tilesAcross;
    m_tilesDown = other.m_tilesDown;
    m_count = other.m_count;
    m_type = other.m_type;
    m_profile = other.m_profile;
    for (int c = 0; c < kChannelSlots; ++c)
        m_channels[c] = other.m_channels[c];
}

PixelPlane& PixelPlane::operator=(const PixelPlane& other)
{
    if (&other == this)
        return *this;
    PixelPlane copy(other);
    {
        std::lock_guard<SpinLock> guard(m_lock);
        swap_no_lock(copy);
    }
    return *this; // the copy lets the old contents go outside the lock
}

PixelPlane::~PixelPlane()
{
    for (int c = kMaxChannel; c >= 0; --c)
        m_channels[c].reset();
}

void PixelPlane::swap_no_lock(PixelPlane& other) noexcept
{
    std::swap(m_size, other.m_size);
    std::swap(m_tilesAcross, other.m_tilesAcross);
    std::swap(m_tilesDown, other.m_tilesDown);
    std::swap(m_count, other.m_count);
    std::swap(m_type, other.m_type);
    std::swap(m_profile, other.m_profile);
    for (int c = 0; c < kChannelSlots; ++c)
        m_channels[c].swap(other.m_channels[c]);
}

void PixelPlane::noteChannelType(ChannelType type)
{
    if (m_count == 1)
        m_type = type;
    else if (m_type != type)
        m_type = 0;
}

bool PixelPlane::addChannel(Channel channel, ChannelType type)
{
    if (!holdable(channel))
        return false;
    SmartPtr<DataChannel> old;
    Size size;
    {
        std::lock_guard<SpinLock> guard(m_lock);
        old = m_channels[channel];
        size = m_size;
        if (old && old->type() == type)
            return true;
    }
    // Converting a whole channel is bulk work: done outside the lock.
    SmartPtr<DataChannel> made(old ? new DataChannel(*old, type) : new DataChannel(size, type));
    std::lock_guard<SpinLock> guard(m_lock);
    if (!m_channels[channel])
        ++m_count;
    m_channels[channel] = std::move(made);
    noteChannelType(type);
    return true;
}

bool PixelPlane::addChannel(Channel channel, const DataChannel& data)
{
    if (!holdable(channel))
        return false;
    SmartPtr<DataChannel> shared(new DataChannel(data));
    std::lock_guard<SpinLock> guard(m_lock);
    const int others = m_count - (m_channels[channel] ? 1 : 0);
    if (others > 0 && data.size() != m_size) {
        qCCritical(libds, "PixelPlane::addChannel() -- channel of %d x %d does not fit a plane of %d x %d\n",
                   data.width(), data.height(), m_size.width, m_size.height);
        return false;
    }
    if (!m_channels[channel])
        ++m_count;
    m_channels[channel] = std::move(shared);
    if (m_count == 1) {
        m_size = data.size();
        m_tilesAcross = data.tilesAcross();
        m_tilesDown = data.tilesDown();
    }
    noteChannelType(data.type());
    return true;
}

ChannelSet PixelPlane::channelSet(ChannelFilter filter) const
{
    ChannelSet set = 0;
    std::lock_guard<SpinLock> guard(m_lock);
    for (int c = 0; c < kChannelSlots; ++c)
        if (m_channels[c])
            set |= ChannelSet(1) << c;
    return set & filter;
}

bool PixelPlane::hasChannel(Channel channel) const
{
    if (!isValidChannel(channel))
        return false;
    std::lock_guard<SpinLock> guard(m_lock);
    return bool(m_channels[channel]);
}

SmartPtr<const DataChannel> PixelPlane::channelReadOnly(Channel channel) const
{
    if (!isValidChannel(channel))
        return nullptr;
    std::lock_guard<SpinLock> guard(m_lock);
    return SmartPtr<const DataChannel>(m_channels[channel].get());
}

SmartPtr<DataChannel> PixelPlane::channelReadWrite(Channel channel)
{
    if (!isValidChannel(channel))
        return nullptr;
    std::lock_guard<SpinLock> guard(m_lock);
    SmartPtr<DataChannel>& slot = m_channels[channel];
    if (slot && slot->refCount() >= 2)
        slot = new DataChannel(*slot);
    return slot;
}

SmartPtr<DataChannel> PixelPlane::channelWriteOnly(Channel channel)
{
    if (!isValidChannel(channel))
        return nullptr;
    std::lock_guard<SpinLock> guard(m_lock);
    SmartPtr<DataChannel>& slot = m_channels[channel];
    if (slot && slot->refCount() >= 2)
        slot = new DataChannel(slot->size(), slot->type());
    return slot;
}

Size PixelPlane::size() const
{
    std::lock_guard<SpinLock> guard(m_lock);
    return m_size;
}

int PixelPlane::tilesAcross() const
{
    std::lock_guard<SpinLock> guard(m_lock);
    return m_tilesAcross;
}

int PixelPlane::tilesDown() const
{
    std::lock_guard<SpinLock> guard(m_lock);
    return m_tilesDown;
}

int PixelPlane::channelCount() const
{
    std::lock_guard<SpinLock> guard(m_lock);
    return m_count;
}

ChannelType PixelPlane::channelType() const
{
    std::lock_guard<SpinLock> guard(m_lock);
    return m_type;
}

ProfileHandle PixelPlane::profile() const
{
    std::lock_guard<SpinLock> guard(m_lock);
    return m_profile;
}

} // namespace DataStorage
} // namespace Nuvra
