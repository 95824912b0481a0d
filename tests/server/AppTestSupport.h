#pragma once

#include "server/NuvraApplication.h"

#include <QByteArray>
#include <QDir>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>

#include <gtest/gtest.h>

namespace AppTest {

// Every folder the application reads or writes, private to this process:
// data (XDG_DATA_HOME), user and system settings. Set up before the
// application object exists.
class IsolatedHome {
public:
    IsolatedHome()
    {
        m_dir.setAutoRemove(true);
        const QByteArray root = m_dir.path().toLocal8Bit();
        QDir(m_dir.path()).mkpath(QStringLiteral("data"));
        QDir(m_dir.path()).mkpath(QStringLiteral("config"));
        QDir(m_dir.path()).mkpath(QStringLiteral("system"));
        setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path() + QStringLiteral("/config"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, m_dir.path() + QStringLiteral("/system"));
    }
    QString path() const { return m_dir.path(); }
    QString data() const { return m_dir.path() + QStringLiteral("/data"); }

private:
    QTemporaryDir m_dir;
};

inline IsolatedHome& home()
{
    static IsolatedHome* h = new IsolatedHome;
    return *h;
}

inline NuvraApplication*& appSlot()
{
    static NuvraApplication* a = nullptr;
    return a;
}

// The process's one application object, made on first use and deleted
// before the process exits, as the program itself does.
inline NuvraApplication& app()
{
    NuvraApplication*& a = appSlot();
    if (!a) {
        home();
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        a = new NuvraApplication(argc, argv);
    }
    return *a;
}

class AppEnvironment : public ::testing::Environment {
public:
    void TearDown() override
    {
        delete appSlot();
        appSlot() = nullptr;
    }
};

inline const bool kAppEnvironmentAdded = (::testing::AddGlobalTestEnvironment(new AppEnvironment), true);

inline QSettings userStore()
{
    return QSettings(QSettings::UserScope, QStringLiteral("NUVRA"), QStringLiteral("Morvelin Video"));
}

} // namespace AppTest
