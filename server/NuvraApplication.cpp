#include "server/NuvraApplication.h"

#include "pixelstore/Kernel.h"
#include "platform/Process.h"
#include "server/AppVars.h"
#include "server/Logger.h"

#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFileOpenEvent>
#include <QLibraryInfo>
#include <QNetworkRequest>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#ifndef QT_NO_SSL
#include <QSslConfiguration>
#endif

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>

static void initNuvraLibResources()
{
    Q_INIT_RESOURCE(NuvraLib);
}

namespace Nuvra {
char qm_name[64] = {};
} // namespace Nuvra

namespace {

const char kTranslations[] = ":/translate/Translations/";
const char kDefaultLanguages[] = "en de fr es ru it pt jp";

struct Language {
    const char* code;
    const char* nativeName;  // UTF-8
};

// The languages the combo box can offer, in the order it offers them.
constexpr Language kLanguages[] = {
    {"en", "English"},  {"de", "Deutsch"},   {"fr", "Français"},
    {"es", "Español"},  {"it", "Italiano"},  {"pt", "Português"},
    {"jp", "日本語"},   {"cn", "简体中文"},  {"ru", "Русский"},
};

// Legacy settings stored the language as a digit.
constexpr const char* kLegacyLanguages[] = {"en", "de", "fr", "es", "ru", "it", "pt", "jp"};

// Qt names its own catalogues by locale; ours use the product's codes.
QString qtCatalogueCode(const QString& code)
{
    if (code == QLatin1String("jp"))
        return QStringLiteral("ja");
    if (code == QLatin1String("cn"))
        return QStringLiteral("zh_CN");
    return code;
}

constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 96, 128, 256};

// The pool thread that ran the last warm-up. Qt's pool threads are
// detached: the application's end stops them, but returns before they have
// run their exit handlers, where the SSL library frees what the warm-up left
// on that thread. A process that exits right away would race the library's
// own clean-up at exit and leave that state behind.
std::atomic<std::uint64_t> g_warmUpThread{0};

void waitForWarmUpThreadEnd()
{
    const std::uint64_t thread = g_warmUpThread.load();
    // While an application lives its pool threads live on: nothing is ending.
    if (thread == 0 || QCoreApplication::instance())
        return;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (Nuvra::Platform::threadExists(thread) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Loads the SSL back end and its certificates away from the main thread.
void warmUpNetwork()
{
    QNetworkRequest request{QUrl()};
#ifndef QT_NO_SSL
    (void)request.sslConfiguration();
#endif
    g_warmUpThread.store(Nuvra::Platform::currentThreadId());
    // Registered once the SSL library has registered its own exit handler,
    // so that this one runs before it.
    static std::once_flag registered;
    std::call_once(registered, [] { std::atexit(waitForWarmUpThreadEnd); });
}

void loadTranslation(QTranslator& translator, const QString& file)
{
    if (!translator.load(file))
        qCWarning(Nuvra::libkernel).noquote() << "Error loading translation: " + file;
}

} // namespace

NuvraApplication::NuvraApplication(int& argc, char** argv)
    : NuvraApplication(argc, argv, Nuvra::AppVars::applicationName())
{
}

NuvraApplication::NuvraApplication(int& argc, char** argv, const QString& name)
    : QApplication(argc, argv),
      m_enabledLanguages(QString::fromLatin1(kDefaultLanguages)),
      m_settings(QSettings::UserScope, Nuvra::AppVars::companyName(), name),
      m_settingsInterface(m_settings)
{
    init(argc, argv);
}

NuvraApplication::~NuvraApplication()
{
    qCDebug(Nuvra::libkernel, "NuvraApplication dtor.0\n");
    removeTranslator(&m_appTranslator);
    removeTranslator(&m_libTranslator);
    removeTranslator(&m_qtTranslator);
    m_settingsInterface.sync();
    // The warm-up must not run into the tear-down of Qt's network side.
    m_warmUpWatcher.waitForFinished();
    qCDebug(Nuvra::libkernel, "NuvraApplication dtor.+\n");
}

NuvraApplication* NuvraApplication::instance()
{
    return qobject_cast<NuvraApplication*>(QCoreApplication::instance());
}

void NuvraApplication::init(int argc, char** argv)
{
    if (!Nuvra::Locations::prepareSharedFolder())
        qCCritical(Nuvra::libkernel).noquote()
            << "Error: mkdir NUVRA in " + Nuvra::Locations::commonDocuments() + " failed: "
                   + QString::fromLocal8Bit(std::strerror(errno));

    NuvraLogger::initLogger();
    qCDebug(Nuvra::libkernel, "NuvraApplication ctor\n");

    initNuvraLibResources();

    installTranslator(&m_qtTranslator);
    installTranslator(&m_libTranslator);
    installTranslator(&m_appTranslator);

    initEnabledLanguages();
    switchLanguage(m_settings.value(QStringLiteral("LangNo"), QStringLiteral("en")).toString().toLower());

    setOrganizationName(Nuvra::AppVars::companyName());
    setOrganizationDomain(Nuvra::AppVars::organizationDomain());
    setApplicationName(Nuvra::AppVars::applicationName());
    setQuitOnLastWindowClosed(false);

    m_windowIcon = multiResIcon(QStringLiteral(":/appicon/Resources/") + Nuvra::AppVars::applicationName()
                                + QLatin1Char('_'));
    setWindowIcon(m_windowIcon);

    std::srand(static_cast<unsigned>(std::time(nullptr)));
    const int r = std::rand();
    QTimer::singleShot(180000 + (r % 180000), this, &NuvraApplication::translateUi);

    m_arguments.clear();
    for (int i = 0; i < argc; ++i)
        m_arguments.append(QString::fromUtf8(argv[i]));

    connect(&m_warmUpWatcher, &QFutureWatcher<void>::finished, this, &NuvraApplication::OnNetInit,
            Qt::QueuedConnection);
    m_warmUpWatcher.setFuture(QtConcurrent::run(warmUpNetwork));
}

void NuvraApplication::initEnabledLanguages()
{
    QSettings system(QSettings::SystemScope, Nuvra::AppVars::companyName(),
                     Nuvra::AppVars::applicationName());
    m_forcedLanguage = system.value(QStringLiteral("ForceLang"), QString()).toString().toLower();
    if (!m_forcedLanguage.isEmpty()) {
        m_enabledLanguages = m_forcedLanguage;
        return;
    }
    QFile list(QString::fromLatin1(kTranslations) + QStringLiteral("lang.txt"));
    if (list.exists() && list.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = list.readAll();
        const QString text = QString::fromLatin1(bytes.constData(), qstrnlen(bytes.constData(), bytes.size()));
        if (!text.isEmpty())
            m_enabledLanguages = text;
    }
}

void NuvraApplication::switchLanguage(const QString& code)
{
    if (code == m_currentLanguage)
        return;
    QString language = m_forcedLanguage.isEmpty() ? code.toLower() : m_forcedLanguage;
    if (language.size() == 1 && language.at(0).isDigit()) {
        const int n = language.at(0).digitValue();
        language = QString::fromLatin1(n >= 1 && n <= 7 ? kLegacyLanguages[n] : "en");
    }
    if (language == QLatin1String("sp"))
        language = QStringLiteral("es");
    if (!m_enabledLanguages.contains(language))
        language = QStringLiteral("en");

    QString base = QString::fromLatin1(Nuvra::qm_name, qstrnlen(Nuvra::qm_name, sizeof(Nuvra::qm_name)));
    if (base.isEmpty())
        base = Nuvra::AppVars::applicationName().toLower().replace(QLatin1Char(' '), QLatin1Char('_'));

    const QString qtFile = QStringLiteral("qt_") + qtCatalogueCode(language) + QStringLiteral(".qm");
    if (!m_qtTranslator.load(qtFile, QLibraryInfo::location(QLibraryInfo::TranslationsPath))
        && language != QLatin1String("en"))
        qCWarning(Nuvra::libkernel).noquote() << "Error loading translation: " + qtFile;
    loadTranslation(m_libTranslator,
                    QString::fromLatin1(kTranslations) + QStringLiteral("nuvralib_") + language + QStringLiteral(".qm"));
    loadTranslation(m_appTranslator,
                    QString::fromLatin1(kTranslations) + base + QLatin1Char('_') + language + QStringLiteral(".qm"));

    m_settingsInterface.setValue(QStringLiteral("LangNo"), language);
    m_currentLanguage = language;
    emit languageChanged(language);
}

void NuvraApplication::fillLangList(QComboBox* box)
{
    box->clear();
    box->setIconSize(QSize(0, 0));
    for (const Language& entry : kLanguages) {
        const QString code = QString::fromLatin1(entry.code);
        if (m_enabledLanguages.contains(code))
            box->addItem(QIcon(), QString::fromUtf8(entry.nativeName), code);
    }
    const int current = box->findData(m_currentLanguage);
    box->setCurrentIndex(current >= 0 ? current : 0);
    box->setEnabled(m_forcedLanguage.isEmpty());
}

QIcon NuvraApplication::multiResIcon(const QString& base)
{
    QIcon icon;
    for (int size : kIconSizes) {
        const QString file = base + QStringLiteral("%1x%1.png").arg(size);
        if (QFileInfo::exists(file))
            icon.addFile(file, QSize(size, size), QIcon::Normal, QIcon::Off);
    }
    return icon;
}

Nuvra::SettingsGroupRW NuvraApplication::userSettings(const QString& group)
{
    QString full;
    if (group.isEmpty())
        full = m_baseSettingsGroup;
    else if (m_baseSettingsGroup.isEmpty())
        full = group;
    else
        full = m_baseSettingsGroup + QLatin1Char('/') + group;
    return Nuvra::SettingsGroupRW(m_settingsInterface, full);
}

void NuvraApplication::setStyleScale(double scale)
{
    if (scale == m_styleScale)
        return;
    m_styleScale = scale;
    emit styleScaleChanged(scale);
}

void NuvraApplication::emitStyleChanged()
{
    emit styleChanged();
}

void NuvraApplication::quit()
{
    emit quitting();
    QCoreApplication::quit();
}

void NuvraApplication::show_dialog(const QString& title, const QString& msg,
                                   QMessageBox::StandardButtons buttons, QMessageBox::Icon ico, int* pRes)
{
    QMessageBox box(ico, title, msg, buttons, nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    const int result = box.exec();
    if (pRes)
        *pRes = result;
}

void NuvraApplication::translateUi()
{
}

void NuvraApplication::OnNetInit()
{
    m_networkReady = true;
    emit networkReady();
}

bool NuvraApplication::event(QEvent* e)
{
    if (e->type() != QEvent::FileOpen)
        return QApplication::event(e);
    const QString file = static_cast<QFileOpenEvent*>(e)->file();
    const bool exists = QFileInfo::exists(file);
    if (!m_fileOpenReceiver) {
        if (exists)
            m_pendingFiles.append(file);
        return QApplication::event(e);
    }
    if (!exists)
        return QApplication::event(e);
    QCoreApplication::postEvent(m_fileOpenReceiver, new QFileOpenEvent(file));
    return true;
}
