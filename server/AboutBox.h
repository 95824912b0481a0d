#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class Ui_VideoAbout0;

namespace Nuvra {

namespace Activation {

// The about box: splash, name, version and copyright, the language choice
// (applied when the box goes) and a button to the maker's product page.
class VideoAbout0 : public QDialog {
    Q_OBJECT

public:
    explicit VideoAbout0(QWidget* parent = nullptr);
    ~VideoAbout0() override;

    void done(int result) override;
    // Esc and other ways of rejecting leave the box open: only the close
    // button ends it.
    void reject() override;
    void retranslateUi();

    // The product page in the given language, as doNuvra opens it.
    static QString productPageUrl(const QString& languageCode);
    static QString copyrightLine();

public slots:
    void doNuvra();

private:
    QString m_buildText;
    QString m_languageCode;
    Ui_VideoAbout0* m_ui;
};

} // namespace Activation

namespace VRPC {
// Shows the about box modally on the calling (main) thread.
void showAbout();
// The same, but the box also closes itself as soon as `wanted` answers false
// (asked every 100 ms), so that it never outlives the host that asked for it.
void showAboutWhile(const std::function<bool()>& wanted);
} // namespace VRPC

} // namespace Nuvra
