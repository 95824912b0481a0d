#include "colorproc/ProfileRegistry.h"

#include "cmm/ColorRecords.h"
#include "cmm/GammaTable.h"
#include "cmm/Logging.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMetaType>
#include <QThread>

#include <mutex>

Q_DECLARE_METATYPE(Nuvra::CMM::sCIELab)

namespace Nuvra {
namespace DataStorage {
namespace {

// Constant-initialised, so it exists before any other static code runs; the
// destructor runs at exit under the lock, and afterwards the accessor gives
// null instead of a dangling registry.
struct ProfileSingleton {
    cManagerCMM_Profile* instance = nullptr;
    bool destroyed = false;
    ~ProfileSingleton()
    {
        std::lock_guard<std::recursive_mutex> lock(RegistryLock());
        destroyed = true;
        delete instance;
        instance = nullptr;
    }
};
ProfileSingleton g_profiles;

CMM::sCIExyY d50()
{
    CMM::sCIExyY white{};
    white.Set(CMM::sCIEXYZ{0.9642f, 1.0f, 0.8249f});
    return white;
}

// Objects created on a render thread would otherwise belong to a thread that
// ends soon after.
void adoptMainThread(QObject* object)
{
    if (QCoreApplication* app = QCoreApplication::instance())
        if (object->thread() != app->thread())
            object->moveToThread(app->thread());
}

bool onMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

std::recursive_mutex& RegistryLock()
{
    static std::recursive_mutex* const lock = new std::recursive_mutex;
    return *lock;
}

cManagerCMM_Profile* ManagerCMM_Profile()
{
    std::lock_guard<std::recursive_mutex> lock(RegistryLock());
    if (g_profiles.destroyed)
        return nullptr;
    if (!g_profiles.instance) {
        qRegisterMetaType<CMM::sCIELab>("Nuvra::CMM::sCIELab");
        qRegisterMetaType<CMM::cProfile::ptr_t>("Nuvra::CMM::cProfile::ptr_t");
        qRegisterMetaType<CMM::cXForm::ptr_t>("Nuvra::CMM::cXForm::ptr_t");
        g_profiles.instance = new cManagerCMM_Profile;
        adoptMainThread(g_profiles.instance);
        g_profiles.instance->registerBuiltIns();
    }
    cManagerCMM_Profile* registry = g_profiles.instance;
    if (!registry->m_screenRegistered && onMainThread()) {
        registry->m_screenRegistered = true;
        RegisterScreensProfile(*registry);
    }
    return registry;
}

void RegisterScreensProfile(cManagerCMM_Profile& registry)
{
    registry.Register("*SCREEN0", registry.Get(QStringLiteral("*sRGB")));
}

cManagerCMM_Profile::cManagerCMM_Profile() = default;

cManagerCMM_Profile::~cManagerCMM_Profile() = default;

void cManagerCMM_Profile::registerBuiltIns()
{
    const CMM::sCIExyY white = d50();
    CMM::sCIExyY d65{};
    d65.SetWhitePointFromTemp(6504);
    CMM::cGammaTable gamma;
    const float exponent = 2.0f;
    gamma.Build(256, 1, &exponent);

    Register("*sRGB", CMM::cProfile::Create_sRGB());
    Register("*XYZ", CMM::cProfile::CreateXYZ());
    Register("*CMYK", CMM::cProfile::Create_CMYK());
    Register("*Lab", CMM::cProfile::CreateLab(&white));
    Register("*LabD65", CMM::cProfile::CreateLab(&d65));
    Register("*Gray22", CMM::cProfile::CreateGray(&white, &gamma));
}

void cManagerCMM_Profile::Register(const char* name, const CMM::cProfile::ptr_t& profile)
{
    std::lock_guard<std::recursive_mutex> lock(RegistryLock());
    const QString key = QString::fromUtf8(name);
    const auto it = m_profiles.find(key);
    if (it == m_profiles.end()) {
        m_profiles.emplace(key, Entry{profile, true});
        return;
    }
    if (it->second.profile == profile)
        return;
    const CMM::cProfile::ptr_t previous = it->second.profile;
    it->second.profile = profile;
    it->second.registered = true;
    emit ProfileChanged(profile, previous);
}

CMM::cProfile::ptr_t cManagerCMM_Profile::Get(const QString& name) const
{
    if (name.isEmpty())
        return CMM::cProfile::ptr_t();
    std::lock_guard<std::recursive_mutex> lock(RegistryLock());
    const auto it = m_profiles.find(name);
    if (it != m_profiles.end())
        return it->second.profile;

    if (name.startsWith(QLatin1Char('*'))) {
        static const QString screen = QStringLiteral("*SCREEN");
        if (name.contains(screen) && (name.size() < 8 || name.at(7) != QLatin1Char('0')))
            return Get(QStringLiteral("*SCREEN0"));
        qCCritical(libcmm()) << "Constant profile" << name << "not found\n";
        return CMM::cProfile::ptr_t();
    }

    CMM::cProfile::ptr_t profile(new CMM::cProfile);
    if (!profile->Load(name))
        return CMM::cProfile::ptr_t();
    if (m_profiles.size() > 100)
        const_cast<cManagerCMM_Profile*>(this)->Cleanup();
    m_profiles.emplace(name, Entry{profile, false});
    return profile;
}

QString cManagerCMM_Profile::ProfileName(ColorSpace space) const
{
    switch (space) {
    case ColorSpaceGray: return QStringLiteral("*Gray22");
    case ColorSpaceRGB: return QStringLiteral("*sRGB");
    case ColorSpaceCMYK: return QStringLiteral("*CMYK");
    case ColorSpaceLab: return QStringLiteral("*Lab");
    case ColorSpaceSingle: return QStringLiteral("*sRGB");
    default: return QString();
    }
}

void cManagerCMM_Profile::Cleanup()
{
    std::lock_guard<std::recursive_mutex> lock(RegistryLock());
    for (auto it = m_profiles.begin(); it != m_profiles.end();) {
        const Entry& e = it->second;
        if (!e.registered && (!e.profile || e.profile->refCount() < 2))
            it = m_profiles.erase(it);
        else
            ++it;
    }
}

void cManagerCMM_Profile::NotifyDisplayChanged()
{
    std::lock_guard<std::recursive_mutex> lock(RegistryLock());
    RegisterScreensProfile(*this);
}

} // namespace DataStorage
} // namespace Nuvra
