#include "StyleTestSupport.h"

#include "style/Scaling.h"

#include "server/NuvraApplication.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QLoggingCategory>
#include <QMap>

#include <gtest/gtest.h>

namespace {

QStringList g_expected;
QMap<QString, int> g_seen;
QStringList g_debug;

void handler(QtMsgType type, const QMessageLogContext&, const QString& msg)
{
    if (type == QtDebugMsg || type == QtInfoMsg) {
        g_debug << msg;
        return;
    }
    // The offscreen platform says so whenever a window is shown (and a tool
    // window raised).
    if (msg == QLatin1String("This plugin does not support propagateSizeHints()") ||
        msg == QLatin1String("This plugin does not support raise()"))
        return;
    for (const QString& fragment : qAsConst(g_expected)) {
        if (msg.contains(fragment)) {
            ++g_seen[fragment];
            return;
        }
    }
    ADD_FAILURE() << "unexpected Qt message: " << msg.toStdString();
}

Nuvra::Style::Scaling::ScreenInfo g_screen;

Nuvra::Style::Scaling::ScreenInfo injected()
{
    return g_screen;
}

} // namespace

ExpectedWarnings::ExpectedWarnings(QStringList fragments)
{
    g_expected = fragments;
    g_seen.clear();
}

ExpectedWarnings::~ExpectedWarnings()
{
    for (const QString& fragment : qAsConst(g_expected))
        EXPECT_GT(g_seen.value(fragment), 0) << "expected warning never came: " << fragment.toStdString();
    g_expected.clear();
    g_seen.clear();
}

int ExpectedWarnings::count(const QString& fragment) const
{
    return g_seen.value(fragment);
}

QStringList takeDebugLines()
{
    QStringList lines = g_debug;
    g_debug.clear();
    return lines;
}

InjectedScreen::InjectedScreen(int width, int height, double dpi, bool present)
{
    set(width, height, dpi, present);
}

void InjectedScreen::set(int width, int height, double dpi, bool present)
{
    g_screen.present = present;
    g_screen.virtualSize = QSize(width, height);
    g_screen.logicalDpi = dpi;
    Nuvra::Style::Scaling::setScreenSource(&injected);
    Nuvra::Style::Scaling::resetNativeScaleCache();
}

InjectedScreen::~InjectedScreen()
{
    Nuvra::Style::Scaling::setScreenSource(nullptr);
    Nuvra::Style::Scaling::resetNativeScaleCache();
}

QString styleFixture(const QString& relative)
{
    return QStringLiteral(MORVELIN_TEST_DATA_DIR "/style/") + relative;
}

// Qt's offscreen platform plugin never frees its screen objects; the leak
// checker is told so, with whole allocation stacks so that it can see the
// plugin in them. Nothing else is suppressed.
extern "C" const char* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libqoffscreen.so\n";
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (as CTest does to find them, for every label) needs
    // no application, whose start-up brings Qt's own threads along.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    // Settings and data of the tests stay in a folder of their own.
    QTemporaryDir home;
    const QString config = home.path() + QStringLiteral("/config");
    QDir().mkpath(config);
    QDir().mkpath(home.path() + QStringLiteral("/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/data")));
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path()));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, home.path() + QStringLiteral("/system"));

    int result = 0;
    {
        NuvraApplication app(argc, argv);
        // Every message reaches the test's handler, whatever the
        // application's log rules keep for its log file.
        QLoggingCategory::installFilter(nullptr);
        qInstallMessageHandler(&handler);
        result = RUN_ALL_TESTS();
        qInstallMessageHandler(nullptr);
    }
    return result;
}
