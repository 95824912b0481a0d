#pragma once

#include "cmm/Profile.h"
#include "cmm/XForm.h"
#include "pixelstore/PixelFormat.h"

#include <QObject>
#include <QString>

#include <map>
#include <mutex>

Q_DECLARE_METATYPE(Nuvra::CMM::cProfile::ptr_t)
Q_DECLARE_METATYPE(Nuvra::CMM::cXForm::ptr_t)

namespace Nuvra {
namespace DataStorage {

// The one lock of the profile registry and the transform cache. It is never
// destroyed, so threads still converting at exit can take it safely.
std::recursive_mutex& RegistryLock();

// Colour profiles by name: built-ins under names beginning with "*", ICC
// files under their paths (kept while anybody uses them). Replacing the
// profile behind a name emits ProfileChanged(new, previous).
class cManagerCMM_Profile : public QObject {
    Q_OBJECT
public:
    cManagerCMM_Profile();
    ~cManagerCMM_Profile() override;

    // Binds a UTF-8 name to a profile; the name survives Cleanup.
    void Register(const char* name, const CMM::cProfile::ptr_t& profile);
    // The profile of a name or file path, or null.
    CMM::cProfile::ptr_t Get(const QString& name) const;
    // The default profile name of a pixel store colour space; empty for none.
    QString ProfileName(ColorSpace space) const;

signals:
    void ProfileChanged(Nuvra::CMM::cProfile::ptr_t profile, Nuvra::CMM::cProfile::ptr_t previous);

public slots:
    // Drops profiles loaded from files that only the registry still holds.
    void Cleanup();
    // Points "*SCREEN0" at the current "*sRGB" profile again.
    void NotifyDisplayChanged();

private:
    friend cManagerCMM_Profile* ManagerCMM_Profile();

    struct Entry {
        CMM::cProfile::ptr_t profile;
        bool registered = false;
    };
    void registerBuiltIns();

    // Mutable: Get loads files on demand and keeps them.
    mutable std::map<QString, Entry> m_profiles;
    bool m_screenRegistered = false;
};

// The process-wide registry, created with its built-ins on first use; null
// once it was destroyed at exit. "*SCREEN0" is registered on the first call
// from the application's main thread.
cManagerCMM_Profile* ManagerCMM_Profile();

// Registers "*SCREEN0" as the "*sRGB" profile.
void RegisterScreensProfile(cManagerCMM_Profile& registry);

} // namespace DataStorage
} // namespace Nuvra
