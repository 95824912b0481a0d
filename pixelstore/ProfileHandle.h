#pragma once

#include "pixelstore/RefCounted.h"
#include "pixelstore/SmartPtr.h"

#include <cstddef>
#include <type_traits>

namespace Nuvra {
namespace CMM {
class cProfile;
} // namespace CMM

namespace DataStorage {

// A counted handle to a colour profile that the pixel store holds, shares and
// compares without knowing the profile class, which belongs to the colour
// engine (built on top of the pixel store). All the store needs of a profile
// is its counting, inherited from RefCounted<MultiThreadedLocks>; the typed
// conversions are templates, so they are compiled where the class is
// complete. Null means the default profile of the image's colour space.
class ProfileHandle {
public:
    using Counted = RefCounted<MultiThreadedLocks>;

    ProfileHandle() noexcept = default;
    ProfileHandle(std::nullptr_t) noexcept {}

    template <class Profile, class = std::enable_if_t<std::is_same<Profile, CMM::cProfile>::value>>
    ProfileHandle(const SmartPtr<Profile>& profile) noexcept
        : m_profile(profile.get())
        , m_counted(static_cast<const Counted*>(profile.get()))
    {
    }

    template <class Profile = CMM::cProfile>
    SmartPtr<Profile> get() const noexcept
    {
        return SmartPtr<Profile>(m_profile);
    }

    CMM::cProfile* raw() const noexcept { return m_profile; }
    explicit operator bool() const noexcept { return m_profile != nullptr; }
    friend bool operator==(const ProfileHandle& a, const ProfileHandle& b) noexcept
    {
        return a.m_profile == b.m_profile;
    }
    friend bool operator!=(const ProfileHandle& a, const ProfileHandle& b) noexcept { return !(a == b); }

private:
    CMM::cProfile* m_profile = nullptr;
    // Keeps the profile alive; the same object as m_profile.
    SmartPtr<const Counted> m_counted;
};

} // namespace DataStorage
} // namespace Nuvra
