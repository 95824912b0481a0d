#include "server/GuiStartup.h"

#include "VRPC/Broker.h"
#include "VRPC/Log.h"
#include "VRPC/Process.h"
#include "server/AboutBox.h"
#include "server/DialogHandoff.h"
#include "server/Logger.h"
#include "server/NuvraApplication.h"
#include "style/StyleManager.h"

#include <QThread>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace Nuvra::VRPC {

namespace {

std::atomic<bool> g_headless{false};

bool envSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

// Transport alerts: always logged; shown only on the main thread and only
// where someone can see them, so no transport thread ever waits on a box.
void presentAlert(const char* title, const char* text)
{
    qCritical("%s: %s", title, text);
    NuvraApplication* app = NuvraApplication::instance();
    if (!app || g_headless.load() || QThread::currentThread() != app->thread())
        return;
    app->show_dialog(QString::fromUtf8(title), QString::fromUtf8(text), QMessageBox::Ok, QMessageBox::Critical);
}

} // namespace

bool guiIsHeadless()
{
    return g_headless.load();
}

void vrpc_init_gui()
{
    if (QCoreApplication::instance())
        return;
    NuvraLogger::initLogger();
    std::strncpy(Nuvra::qm_name, "morvelin_for_ae", sizeof(Nuvra::qm_name) - 1);

    if (!envSet("DISPLAY") && !envSet("WAYLAND_DISPLAY") && !envSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char dummy[] = "dummy";
    static char* argv[] = {dummy, nullptr};
    new NuvraApplication(argc, argv);
    const QString platform = QGuiApplication::platformName();
    g_headless.store(platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"));
    QCoreApplication::processEvents();

    Style::StyleManager::applyStyle(Style::StyleManager::createStyle(QStringLiteral("NuvraStyle")));
    setAlertPresenter(presentAlert);
}

void vrpc_done_gui()
{
    setAlertPresenter(nullptr);
    delete QCoreApplication::instance();
}

bool hostIsGone()
{
    const unsigned long long host = host_id.load();
    return host != emptyProcessId && !processIsRunningSlave(host);
}

void vrpc_throttle()
{
    // The box closes by itself when the channel ends while it is open, or the
    // process would linger after its host.
    // Without a screen nobody could see or close the box: the request is
    // answered at once.
    dlgFlag.serve([] {
        if (g_headless.load())
            qWarning("no display: the about box is not shown");
        else
            showAboutWhile([] { return !shutdown.load() && !hostIsGone(); });
    });
}

} // namespace Nuvra::VRPC
