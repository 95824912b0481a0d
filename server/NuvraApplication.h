#pragma once

#include "server/Settings.h"

#include <QApplication>
#include <QFutureWatcher>
#include <QIcon>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTranslator>

class QComboBox;

namespace Nuvra {
// Base name of the product's translation catalogue; set by the start-up
// before the application object exists.
extern char qm_name[64];
} // namespace Nuvra

// The application object of the render server: translations, user settings,
// the language choice and the user-interface scale.
class NuvraApplication : public QApplication {
    Q_OBJECT

public:
    NuvraApplication(int& argc, char** argv);
    NuvraApplication(int& argc, char** argv, const QString& name);
    ~NuvraApplication() override;

    // The process's application object, or null when it is none of ours.
    static NuvraApplication* instance();

    void initEnabledLanguages();
    void fillLangList(QComboBox* box);
    static QIcon multiResIcon(const QString& base);
    // Writable view of the user settings under the base group joined with group.
    Nuvra::SettingsGroupRW userSettings(const QString& group = QString());
    Q_INVOKABLE void emitStyleChanged();

    double styleScale() const { return m_styleScale; }
    const QString& currentLanguage() const { return m_currentLanguage; }
    const QString& enabledLanguages() const { return m_enabledLanguages; }
    const QString& forcedLanguage() const { return m_forcedLanguage; }
    const QStringList& commandArguments() const { return m_arguments; }
    const QStringList& pendingFiles() const { return m_pendingFiles; }
    void setFileOpenReceiver(QObject* receiver) { m_fileOpenReceiver = receiver; }
    bool isNetworkReady() const { return m_networkReady; }
    QNetworkAccessManager& networkManager() { return m_networkManager; }

signals:
    void languageChanged(const QString& language);
    void styleScaleChanged(double scale);
    void styleChanged();
    void quitting();
    void networkReady();

public slots:
    void switchLanguage(const QString& code);
    void setStyleScale(double scale);
    void quit();
    void show_dialog(const QString& title, const QString& msg,
                     QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                     QMessageBox::Icon ico = QMessageBox::NoIcon, int* pRes = nullptr);
    void translateUi();
    void OnNetInit();

protected:
    bool event(QEvent* e) override;

private:
    void init(int argc, char** argv);

    QString m_enabledLanguages;
    QString m_forcedLanguage;
    QTranslator m_appTranslator;
    QTranslator m_libTranslator;
    QTranslator m_qtTranslator;
    QString m_baseSettingsGroup;
    QSettings m_settings;
    Nuvra::TSettings<QSettings> m_settingsInterface;
    QString m_currentLanguage;
    QStringList m_arguments;
    QIcon m_windowIcon;
    QStringList m_pendingFiles;
    double m_styleScale = 1.0;
    QPointer<QObject> m_fileOpenReceiver;
    bool m_networkReady = false;
    QFutureWatcher<void> m_warmUpWatcher;
    QNetworkAccessManager m_networkManager;
};
