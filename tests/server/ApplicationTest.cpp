#include "AppTestSupport.h"

#include "server/AppVars.h"

#include <QComboBox>
#include <QFile>
#include <QFileOpenEvent>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

using AppTest::app;

namespace {

QString translatedLanguage()
{
    return QCoreApplication::translate("VideoAbout0", "Language");
}

struct LanguageCase {
    const char* code;
    const char* loaded;       // current language and stored "LangNo"
    const char* translation;  // of "Language" once loaded
};

void PrintTo(const LanguageCase& c, std::ostream* os)
{
    *os << '"' << c.code << '"';
}

class SwitchLanguage : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(SwitchLanguage, LoadsStoresAndAnnounces)
{
    const LanguageCase& c = GetParam();
    NuvraApplication& a = app();
    a.switchLanguage(QStringLiteral("ru"));
    QSignalSpy spy(&a, &NuvraApplication::languageChanged);

    a.switchLanguage(QString::fromUtf8(c.code));

    EXPECT_EQ(a.currentLanguage().toStdString(), c.loaded);
    EXPECT_EQ(AppTest::userStore().value(QStringLiteral("LangNo")).toString().toStdString(), c.loaded);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toString().toStdString(), c.loaded);
    EXPECT_EQ(translatedLanguage().toStdString(), c.translation);
}

INSTANTIATE_TEST_SUITE_P(Table, SwitchLanguage,
                         ::testing::Values(LanguageCase{"de", "de", "Sprache"}, LanguageCase{"DE", "de", "Sprache"},
                                           LanguageCase{"3", "es", "Idioma"}, LanguageCase{"sp", "es", "Idioma"},
                                           LanguageCase{"EN", "en", "Language"}, LanguageCase{"1", "de", "Sprache"},
                                           LanguageCase{"7", "jp", "言語"}, LanguageCase{"9", "en", "Language"},
                                           // Every legacy number names its own language.
                                           LanguageCase{"2", "fr", "Langue"}, LanguageCase{"4", "ru", "Язык"},
                                           LanguageCase{"5", "it", "Lingua"}, LanguageCase{"6", "pt", "Idioma"},
                                           LanguageCase{"0", "en", "Language"},
                                           // Chinese is not offered by default; unknown codes fall back.
                                           LanguageCase{"cn", "en", "Language"}, LanguageCase{"xx", "en", "Language"},
                                           // A part of the enabled list's text passes the test as it stands.
                                           LanguageCase{"e", "e", "Language"}));

TEST(Application, SwitchingToTheCurrentCodeDoesNothing)
{
    NuvraApplication& a = app();
    a.switchLanguage(QStringLiteral("fr"));
    QSignalSpy spy(&a, &NuvraApplication::languageChanged);
    a.switchLanguage(QStringLiteral("fr"));
    EXPECT_EQ(spy.count(), 0);
    // The comparison is exact: the same language in capitals reloads.
    a.switchLanguage(QStringLiteral("FR"));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(a.currentLanguage(), QStringLiteral("fr"));
}

TEST(Application, QtCatalogueOfJapaneseLoadsUnderItsLocaleName)
{
    NuvraApplication& a = app();
    a.switchLanguage(QStringLiteral("jp"));
    EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
    a.switchLanguage(QStringLiteral("en"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

TEST(Application, ProductCatalogueFollowsTheLanguage)
{
    NuvraApplication& a = app();
    std::strcpy(Nuvra::qm_name, "morvelin_for_ae");
    a.switchLanguage(QStringLiteral("it"));
    EXPECT_EQ(QCoreApplication::translate("MorvelinVideo", "Sharpness"), QStringLiteral("Nitidezza"));
    EXPECT_EQ(QCoreApplication::translate("Preset", "Default"), QStringLiteral("Predefinito"));
    a.switchLanguage(QStringLiteral("en"));
    EXPECT_EQ(QCoreApplication::translate("MorvelinVideo", "Sharpness"), QStringLiteral("Sharpness"));
    Nuvra::qm_name[0] = '\0';
}

TEST(Application, LanguageListOffersTheEnabledLanguagesInTableOrder)
{
    NuvraApplication& a = app();
    a.switchLanguage(QStringLiteral("pt"));
    QComboBox box;
    box.addItem(QStringLiteral("stale"));
    box.setEnabled(false);
    a.fillLangList(&box);

    const char* const names[] = {"English", "Deutsch", "Français", "Español", "Italiano",
                                 "Português", "日本語", "Русский"};
    const char* const codes[] = {"en", "de", "fr", "es", "it", "pt", "jp", "ru"};
    ASSERT_EQ(box.count(), 8);
    for (int i = 0; i < box.count(); ++i) {
        EXPECT_EQ(box.itemText(i).toStdString(), names[i]);
        EXPECT_EQ(box.itemData(i).toString().toStdString(), codes[i]);
    }
    EXPECT_EQ(box.currentData().toString(), QStringLiteral("pt"));
    EXPECT_TRUE(box.isEnabled());
    EXPECT_EQ(box.iconSize(), QSize(0, 0));

    // A current language the list does not hold selects the first entry.
    a.switchLanguage(QStringLiteral("e"));
    a.fillLangList(&box);
    EXPECT_EQ(box.currentIndex(), 0);
    a.switchLanguage(QStringLiteral("en"));
}

TEST(Application, ForcedLanguageIsTheOnlyOneAndWinsEverySwitch)
{
    // The forced language sticks for the process's life, so it runs apart.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            AppTest::home();
            QSettings(QSettings::SystemScope, QStringLiteral("NUVRA"), QStringLiteral("Morvelin Video"))
                .setValue(QStringLiteral("ForceLang"), QStringLiteral("CN"));
            NuvraApplication& a = app();
            QComboBox box;
            a.fillLangList(&box);
            a.switchLanguage(QStringLiteral("de"));
            const bool ok = a.forcedLanguage() == QStringLiteral("cn") && box.count() == 1
                            && box.itemText(0) == QStringLiteral("简体中文") && !box.isEnabled()
                            && a.currentLanguage() == QStringLiteral("cn")
                            && translatedLanguage() == QStringLiteral("语言");
            std::_Exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(Application, StyleScaleIsAnnouncedOnlyWhenItChanges)
{
    NuvraApplication& a = app();
    a.setStyleScale(1.0);
    QSignalSpy scale(&a, &NuvraApplication::styleScaleChanged);
    QSignalSpy style(&a, &NuvraApplication::styleChanged);

    a.setStyleScale(1.5);
    a.setStyleScale(1.5);
    a.emitStyleChanged();

    ASSERT_EQ(scale.count(), 1);
    EXPECT_EQ(scale.at(0).at(0).toDouble(), 1.5);
    EXPECT_EQ(a.styleScale(), 1.5);
    EXPECT_EQ(style.count(), 1);
    a.setStyleScale(1.0);
}

TEST(Application, UserSettingsAddressTheApplicationStore)
{
    NuvraApplication& a = app();
    a.userSettings(QString()).setValue(QStringLiteral("UIScale"), 1.75);
    a.userSettings(QStringLiteral("/Panel/")).setValue(QStringLiteral("Width"), 300);
    a.userSettings().setValue(QStringLiteral("/Dock/Height/"), 20);

    QSettings store = AppTest::userStore();
    EXPECT_EQ(store.value(QStringLiteral("UIScale")).toDouble(), 1.75);
    EXPECT_EQ(store.value(QStringLiteral("Panel/Width")).toInt(), 300);
    EXPECT_EQ(store.value(QStringLiteral("Dock/Height")).toInt(), 20);
    EXPECT_EQ(a.userSettings().value(QStringLiteral("UIScale"), 1.0).toDouble(), 1.75);
    EXPECT_EQ(a.userSettings(QStringLiteral("Panel")).value(QStringLiteral("Width")).toInt(), 300);
}

TEST(Application, WindowIconCarriesEveryCompiledInSize)
{
    NuvraApplication& a = app();
    const QIcon icon = QApplication::windowIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int s : {16, 24, 32, 48, 64, 96, 128})
        EXPECT_TRUE(sizes.contains(QSize(s, s))) << s;
    EXPECT_TRUE(NuvraApplication::multiResIcon(QStringLiteral(":/appicon/Resources/Missing_")).isNull());
    (void)a;
}

TEST(Application, IdentityNamesTheApplication)
{
    app();
    EXPECT_EQ(QCoreApplication::organizationName(), QStringLiteral("NUVRA"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Morvelin Video"));
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
    EXPECT_EQ(app().commandArguments(), QStringList{QStringLiteral("app_tests")});
}

TEST(Application, DataFolderIsPrivateAndItsBaseKeepsItsMode)
{
    AppTest::home();
    const QByteArray base = AppTest::home().data().toLocal8Bit();
    ASSERT_EQ(chmod(base.constData(), 0751), 0);
    app();
    ASSERT_TRUE(Nuvra::Locations::prepareSharedFolder());
    struct stat st;
    ASSERT_EQ(stat((base + "/NUVRA").constData(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    ASSERT_EQ(stat(base.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0751u);
}

TEST(Application, NetworkWarmUpEndsOnTheMainThread)
{
    NuvraApplication& a = app();
    if (!a.isNetworkReady()) {
        QSignalSpy ready(&a, &NuvraApplication::networkReady);
        ASSERT_TRUE(ready.wait(20000));
    }
    EXPECT_TRUE(a.isNetworkReady());
}

class FileOpenReceiver : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::FileOpen)
            files << static_cast<QFileOpenEvent*>(e)->file();
        return QObject::event(e);
    }
    QStringList files;
};

TEST(Application, FileOpenEventsOfExistingFilesAreKeptOrForwarded)
{
    NuvraApplication& a = app();
    const QString existing = AppTest::home().path() + QStringLiteral("/clip.mov");
    QFile(existing).open(QIODevice::WriteOnly);
    const QString missing = AppTest::home().path() + QStringLiteral("/gone.mov");

    QFileOpenEvent first(existing);
    QFileOpenEvent second(missing);
    QCoreApplication::sendEvent(&a, &first);
    QCoreApplication::sendEvent(&a, &second);
    EXPECT_EQ(a.pendingFiles(), QStringList{existing});

    FileOpenReceiver receiver;
    a.setFileOpenReceiver(&receiver);
    QFileOpenEvent third(existing);
    QFileOpenEvent fourth(missing);
    EXPECT_TRUE(QCoreApplication::sendEvent(&a, &third));
    QCoreApplication::sendEvent(&a, &fourth);
    QCoreApplication::sendPostedEvents(&receiver);
    EXPECT_EQ(receiver.files, QStringList{existing});
    EXPECT_EQ(a.pendingFiles(), QStringList{existing});
    a.setFileOpenReceiver(nullptr);
}

} // namespace
