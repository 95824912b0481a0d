#include "AppTestSupport.h"

#include "VRPC/Broker.h"
#include "VRPC/Log.h"
#include "server/AboutBox.h"
#include "server/GuiStartup.h"
#include "server/ServerMain.h"
#include "style/NuvraStyle.h"
#include "style/StyleManager.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using Nuvra::Activation::VideoAbout0;

namespace {

// The application as the program starts it: application object and style.
NuvraApplication& gui()
{
    if (!NuvraApplication::instance()) {
        AppTest::home();
        Nuvra::VRPC::vrpc_init_gui();
    }
    return *NuvraApplication::instance();
}

class GuiEnvironment : public ::testing::Environment {
public:
    void TearDown() override { Nuvra::VRPC::vrpc_done_gui(); }
};
const bool kGuiEnvironmentAdded = (::testing::AddGlobalTestEnvironment(new GuiEnvironment), true);

template <class T>
T* child(QWidget& box, const char* name)
{
    T* widget = box.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

void setScale(double scale)
{
    auto* style = qobject_cast<Nuvra::Style::NuvraStyle*>(QApplication::style());
    ASSERT_NE(style, nullptr);
    style->setStyleScale(scale);
}

// Pictures for a person to look at, beside the build.
void screenshot(QWidget& box, const char* name)
{
    const QString folder = QStringLiteral(MORVELIN_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    const QString file =
        folder + QStringLiteral("/%1_%2.png").arg(QString::fromLatin1(name), QGuiApplication::platformName());
    EXPECT_TRUE(box.grab().save(file)) << file.toStdString();
}

// Clicks the close button of whatever modal box is open, once one is.
void closeModalSoon()
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* close = modal->findChild<QToolButton*>(QStringLiteral("btnClose"))) {
                timer->stop();
                timer->deleteLater();
                close->click();
            }
        }
    });
    timer->start(20);
}

TEST(AboutBox, FormAtScaleOne)
{
    gui();
    setScale(1.0);
    VideoAbout0 box;
    box.show();

    EXPECT_EQ(box.objectName(), QStringLiteral("VideoAbout0"));
    EXPECT_EQ(box.width(), 584);
    EXPECT_EQ(box.minimumWidth(), 584);
    EXPECT_EQ(box.maximumWidth(), 584);
    EXPECT_TRUE(box.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(box.windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(box.palette().color(QPalette::Window), QColor(244, 244, 244));
    EXPECT_EQ(box.palette().color(QPalette::Inactive, QPalette::WindowText), QColor(5, 64, 69));

    const QPixmap splash = child<QLabel>(box, "picAbout")->pixmap(Qt::ReturnByValue);
    EXPECT_EQ(splash.size(), QSize(545, 185));
    EXPECT_EQ(box.font().pixelSize(), 11);
    EXPECT_TRUE(box.font().bold());
    EXPECT_EQ(child<QLabel>(box, "txtName")->font().pixelSize(), 24);
    EXPECT_EQ(child<QLabel>(box, "txtCopyright")->font().pixelSize(), 10);
    EXPECT_FALSE(child<QLabel>(box, "txtCopyright")->font().bold());

    EXPECT_TRUE(child<QLabel>(box, "txtName")->text().contains(QStringLiteral("NUVRA</span> Morvelin Video")));
    EXPECT_EQ(child<QLabel>(box, "txtVersion")->text(), QStringLiteral("version 1.6.123.21365 plugin (64bit)"));
    EXPECT_FALSE(child<QLabel>(box, "txtCopyright")->text().isEmpty());
    EXPECT_EQ(child<QLabel>(box, "txtLang")->text(), QStringLiteral("Language"));

    for (const char* name : {"btnClose", "btnNuvra"}) {
        auto* button = child<QToolButton>(box, name);
        EXPECT_FALSE(button->icon().isNull()) << name;
    }
    EXPECT_EQ(child<QToolButton>(box, "btnNuvra")->property("nuvraShape").toString(), QStringLiteral("AboutButton"));
    EXPECT_EQ(child<QToolButton>(box, "btnClose")->property("nuvraIcon").toString(), QStringLiteral(":/about/close"));

    auto* languages = child<QComboBox>(box, "cbLang");
    const char* const codes[] = {"en", "de", "fr", "es", "it", "pt", "jp", "ru"};
    ASSERT_EQ(languages->count(), 8);
    for (int i = 0; i < languages->count(); ++i)
        EXPECT_EQ(languages->itemData(i).toString().toStdString(), codes[i]);
    EXPECT_EQ(languages->currentData().toString(), gui().currentLanguage());
    screenshot(box, "about_scale_1");
}

TEST(AboutBox, ScaledByTheStyle)
{
    gui();
    setScale(1.5);
    {
        VideoAbout0 box;
        box.show();
        EXPECT_EQ(child<QLabel>(box, "picAbout")->pixmap(Qt::ReturnByValue).size(), QSize(817, 277));
        EXPECT_EQ(child<QLabel>(box, "txtName")->font().pixelSize(), 36);
        EXPECT_EQ(box.font().pixelSize(), 16);
        EXPECT_EQ(child<QLabel>(box, "txtCopyright")->font().pixelSize(), 15);
        screenshot(box, "about_scale_1_5");
    }
    setScale(1.0);
}

TEST(AboutBox, OnlyTheCloseButtonClosesIt)
{
    gui();
    VideoAbout0 box;
    box.show();
    QTest::keyClick(&box, Qt::Key_Escape);
    EXPECT_TRUE(box.isVisible());
    box.reject();
    EXPECT_TRUE(box.isVisible());
    QTest::mouseClick(child<QToolButton>(box, "btnClose"), Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST(AboutBox, ShownModallyUntilClosed)
{
    gui();
    closeModalSoon();
    Nuvra::VRPC::showAbout();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // A box no longer wanted closes by itself.
    Nuvra::VRPC::showAboutWhile([] { return false; });
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(AboutBox, LanguageChosenIsAppliedWhenTheBoxGoes)
{
    NuvraApplication& app = gui();
    app.switchLanguage(QStringLiteral("en"));
    QSignalSpy changes(&app, &NuvraApplication::languageChanged);
    { VideoAbout0 untouched; }
    EXPECT_EQ(changes.count(), 0);

    {
        VideoAbout0 box;
        auto* languages = child<QComboBox>(box, "cbLang");
        languages->setCurrentIndex(languages->findData(QStringLiteral("de")));
    }
    EXPECT_EQ(app.currentLanguage(), QStringLiteral("de"));
    EXPECT_EQ(AppTest::userStore().value(QStringLiteral("LangNo")).toString(), QStringLiteral("de"));
    {
        VideoAbout0 box;
        EXPECT_EQ(child<QLabel>(box, "txtLang")->text(), QStringLiteral("Sprache"));
        EXPECT_TRUE(child<QLabel>(box, "txtVersion")->text().startsWith(QStringLiteral("Version ")));
        EXPECT_EQ(child<QComboBox>(box, "cbLang")->currentData().toString(), QStringLiteral("de"));
    }
    app.switchLanguage(QStringLiteral("en"));
}

class UrlCatcher : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl& url) { urls << url; }

public:
    QList<QUrl> urls;
};

TEST(AboutBox, ProductPageInTheStoredLanguage)
{
    gui();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    const struct {
        const char* stored;  // null: no "LangNo"
        const char* path;
    } cases[] = {{"de", "/de/morvelin-video/index.php"}, {"PT", "/pt/morvelin-video/index.php"},
                 {nullptr, "/en/morvelin-video/index.php"}};
    for (const auto& c : cases) {
        QSettings store = AppTest::userStore();
        if (c.stored)
            store.setValue(QStringLiteral("LangNo"), QString::fromLatin1(c.stored));
        else
            store.remove(QStringLiteral("LangNo"));
        store.sync();
        catcher.urls.clear();
        VideoAbout0 box;
        child<QToolButton>(box, "btnNuvra")->click();
        ASSERT_EQ(catcher.urls.size(), 1);
        EXPECT_EQ(catcher.urls.at(0).path().toStdString(), c.path);
        EXPECT_EQ(catcher.urls.at(0).scheme(), QStringLiteral("https"));
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    gui().switchLanguage(QStringLiteral("en"));
}

TEST(ServerMain, WithoutItsArgumentsItShowsTheAboutBoxAndReturnsOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            gui();
            closeModalSoon();
            const int result = Nuvra::VRPC::runServer({"MorvelinVideoMain", "only", "two"});
            // No channel was set up, and the Qt side is gone again.
            const bool untouched =
                Nuvra::VRPC::sbroker() == nullptr && QCoreApplication::instance() == nullptr;
            std::_Exit(untouched ? result : 3);
        },
        ::testing::ExitedWithCode(1), "");
}

TEST(ServerMain, TransportAlertsAreLoggedAndNeverWaitForAnyone)
{
    gui();
    const QString log = AppTest::home().data() + QStringLiteral("/NUVRA/NUVRA.log");
    // From a transport thread, and from the main thread on a screen nobody
    // sees: no box, so nothing waits; the line is in the application's log.
    std::thread transport([] { Nuvra::VRPC::show_string_to_user("channel lost on a thread"); });
    transport.join();
    if (Nuvra::VRPC::guiIsHeadless())
        Nuvra::VRPC::show_string_to_user("channel lost on the main thread");
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("[crt] [default] VRPC Error: channel lost on a thread\n"));
    if (Nuvra::VRPC::guiIsHeadless()) {
        EXPECT_TRUE(text.contains("VRPC Error: channel lost on the main thread\n"));
    }
}

TEST(ServerMain, SystemInformationNamesTheRunningSystem)
{
    const std::string text = Nuvra::VRPC::systemInfoText();
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^Linux \S+ \(x86_64\)  Processors:[1-9]\d* RAM:[1-9]\d*Mb$)"))
                    .match(QString::fromStdString(text))
                    .hasMatch())
        << text;
}

} // namespace

#include "AboutBoxTest.moc"
