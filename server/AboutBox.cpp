#include "server/AboutBox.h"

#include "server/AppVars.h"
#include "server/NuvraApplication.h"
#include "style/StyleManager.h"
#include "ui_VideoAbout0.h"

#include <QDesktopServices>
#include <QPixmap>
#include <QSettings>
#include <QTimer>
#include <QUrl>

namespace Nuvra {

namespace Activation {

namespace {

const QColor kWindow(244, 244, 244);
const QColor kWindowText(5, 64, 69);
constexpr int kCopyrightYear = 2026;

QFont pixelFont(QFont font, int weight, int pixels)
{
    font.setWeight(weight);
    font.setPixelSize(pixels > 0 ? pixels : 1);
    return font;
}

} // namespace

VideoAbout0::VideoAbout0(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      m_buildText(AppVars::applicationBuildRev()),
      m_ui(new Ui_VideoAbout0)
{
    m_ui->setupUi(this);
    const double s = Style::StyleManager::StyleScale();

    const QPixmap splash(QStringLiteral(":/images/Resources/product_splash.png"));
    if (!splash.isNull())
        m_ui->picAbout->setPixmap(splash.scaled(int(s * 545), int(s * 185), Qt::IgnoreAspectRatio,
                                                Qt::SmoothTransformation));

    Style::setStyleIcon(m_ui->btnClose, ":/about/close", "None", QSize(-1, -1));
    Style::setStyleIcon(m_ui->btnNuvra, ":/about/nuvra", "AboutButton", QSize(-1, -1));

    QPalette pal = palette();
    pal.setColor(QPalette::All, QPalette::Window, kWindow);
    pal.setColor(QPalette::All, QPalette::WindowText, kWindowText);
    setPalette(pal);

    setFont(pixelFont(font(), QFont::Bold, int(s * 11)));
    m_ui->txtName->setFont(pixelFont(m_ui->txtName->font(), QFont::Bold, int(s * 24)));
    m_ui->txtCopyright->setFont(pixelFont(m_ui->txtCopyright->font(), QFont::Normal, int(s * 10)));

    m_ui->txtName->setText(QStringLiteral("<html><style>.company { color: #cc3333 }</style><body><span class=\"company\">")
                           + AppVars::companyName() + QStringLiteral("</span> ") + AppVars::applicationName()
                           + QStringLiteral("</body><html>"));
    m_ui->txtVersion->setText(QCoreApplication::translate("AboutDlg", "version") + QLatin1Char(' ') + m_buildText);
    m_ui->txtCopyright->setText(copyrightLine());

    m_languageCode = QSettings(AppVars::companyName(), AppVars::applicationName())
                         .value(QStringLiteral("LangNo"), QStringLiteral("EN"))
                         .toString()
                         .toUpper();

    if (NuvraApplication* app = NuvraApplication::instance())
        app->fillLangList(m_ui->cbLang);

    connect(m_ui->btnNuvra, &QToolButton::clicked, this, &VideoAbout0::doNuvra);
    connect(m_ui->btnClose, &QToolButton::clicked, this, &QDialog::accept);
}

VideoAbout0::~VideoAbout0()
{
    if (NuvraApplication* app = NuvraApplication::instance())
        app->switchLanguage(m_ui->cbLang->currentData().toString());
    delete m_ui;
}

void VideoAbout0::done(int result)
{
    QDialog::done(result);
}

void VideoAbout0::reject()
{
}

void VideoAbout0::retranslateUi()
{
    m_ui->txtLang->setText(QCoreApplication::translate("VideoAbout0", "Language"));
}

QString VideoAbout0::productPageUrl(const QString& languageCode)
{
    const QString product = AppVars::applicationName().toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
    return AppVars::siteAddress() + QStringLiteral("/%1/%2/index.php").arg(languageCode.toLower(), product);
}

QString VideoAbout0::copyrightLine()
{
    return QStringLiteral("Copyright \u00A9 %1 %2. All rights reserved.").arg(kCopyrightYear).arg(AppVars::companyName());
}

void VideoAbout0::doNuvra()
{
    QDesktopServices::openUrl(QUrl(productPageUrl(m_languageCode)));
}

} // namespace Activation

namespace VRPC {

void showAbout()
{
    showAboutWhile({});
}

void showAboutWhile(const std::function<bool()>& wanted)
{
    Activation::VideoAbout0 box(nullptr);
    QTimer watch;
    if (wanted) {
        QObject::connect(&watch, &QTimer::timeout, &box, [&] {
            if (!wanted())
                box.done(QDialog::Rejected);
        });
        watch.start(100);
    }
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();
}

} // namespace VRPC

} // namespace Nuvra
