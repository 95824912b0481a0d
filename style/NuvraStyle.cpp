#include "style/NuvraStyle.h"

#include "style/IconLookup.h"
#include "style/Palette.h"
#include "style/StyleManager.h"
#include "style/StyleProperties.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QMainWindow>
#include <QMenuBar>
#include <QPixmapCache>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSizeGrip>
#include <QSlider>
#include <QSplitterHandle>
#include <QStyleOption>
#include <QTabBar>
#include <QTimerEvent>
#include <QToolBar>
#include <QToolBox>
#include <QToolButton>

#include <memory>

// The compiled-in resource tree of every style folder and the fonts.
static void registerStyleResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(style);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace Nuvra {
namespace Style {

namespace {

// Widgets that show hover feedback in these styles.
bool wantsHover(const QWidget* w)
{
    return qobject_cast<const QPushButton*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QGroupBox*>(w) ||
           qobject_cast<const QSplitterHandle*>(w) || qobject_cast<const QTabBar*>(w) ||
           qobject_cast<const QScrollBar*>(w) || qobject_cast<const QSlider*>(w) ||
           qobject_cast<const QSizeGrip*>(w) || qobject_cast<const QCheckBox*>(w) ||
           qobject_cast<const QRadioButton*>(w) || w->inherits("QWorkspaceTitleBar") ||
           w->inherits("QDockSeparator") || w->inherits("QDockWidgetSeparator") ||
           w->inherits("Q3DockWindowResizeHandle");
}

bool insideToolBar(const QWidget* w)
{
    return qobject_cast<const QToolBar*>(w->parentWidget()) != nullptr;
}

void polishTopBar(QWidget* w)
{
    w->setContentsMargins(0, 0, 0, 0);
    if (auto* frame = qobject_cast<QFrame*>(w))
        frame->setFrameStyle(QFrame::Plain | QFrame::NoFrame);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, Skin::getColor(Skin::TopBarBackground, pal.color(QPalette::Window)));
    pal.setColor(QPalette::WindowText, Qt::white);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

} // namespace

NuvraStyle::NuvraStyle()
{
    registerStyleResources();
    setIdentity("NuvraStyle", ":/Styles/NuvraStyle/");
}

NuvraStyle::~NuvraStyle()
{
    delete extPalette;
    delete palette;
}

void NuvraStyle::setIdentity(const char* objectName, const char* resourcePath)
{
    setObjectName(QString::fromLatin1(objectName));
    setProperty(resourcePathProperty, QString::fromLatin1(resourcePath));
}

QString NuvraStyle::prefix() const
{
    return property(resourcePathProperty).toString();
}

int NuvraStyle::GetStyleFamily() const
{
    return 0;
}

// --- palettes ---------------------------------------------------------------

QPalette NuvraStyle::standardPalette() const
{
    if (!palette) {
        palette = new QPalette;
        const QString path = prefix() + QStringLiteral("Standard.palette");
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            qDebug("Can not find standard palette file: %s", qUtf8Printable(path));
        } else {
            try {
                XmlPaletteReader reader(&file);
                *palette = reader.readStdPalette(QPalette());
            } catch (const std::exception&) {
                qDebug("Can not parse standard palette file: %s", qUtf8Printable(path));
            }
        }
    }
    return *palette;
}

ExtendedPalette* NuvraStyle::extendedPalette() const
{
    if (!extPalette) {
        extPalette = new ExtendedPalette;
        QFile file(prefix() + QStringLiteral("Extended.palette"));
        if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            try {
                XmlPaletteReader reader(&file);
                *extPalette = reader.readExtPalette(ExtendedPalette());
            } catch (const std::exception&) {
                // An unusable file leaves the palette empty: every lookup gives its default.
            }
        }
    }
    return extPalette;
}

// --- images -----------------------------------------------------------------

bool NuvraStyle::getPixmap(const char* name, QPixmap& pixmap) const
{
    const QString relative = QString::fromUtf8(name);
    const QString key = prefix() + relative;
    if (QPixmapCache::find(key, &pixmap))
        return true;
    if (StyleManager::LoadPixmap(pixmap, key, RasterizerDefault)) {
        QPixmapCache::insert(key, pixmap);
        return true;
    }
    QStringList fallbacks;
    const QString current = QApplication::style() ? QApplication::style()->objectName() : QString();
    if (current == QLatin1String("ModernGray") || current == QLatin1String("MidStyle"))
        fallbacks << QStringLiteral(":/Styles/DarkStyle/");
    fallbacks << QStringLiteral(":/Styles/NuvraStyle/");
    for (const QString& folder : fallbacks) {
        if (StyleManager::LoadPixmap(pixmap, folder + relative, RasterizerDefault)) {
            QPixmapCache::insert(key, pixmap);
            return true;
        }
    }
    return false;
}

QPixmap NuvraStyle::generatedIconPixmap(QIcon::Mode iconMode, const QPixmap& pixmap, const QStyleOption* opt) const
{
    // An icon whose palette does not tell the disabled state apart is not greyed.
    if (iconMode == QIcon::Disabled && opt &&
        opt->palette.color(QPalette::Active, QPalette::WindowText) ==
            opt->palette.color(QPalette::Disabled, QPalette::WindowText))
        iconMode = QIcon::Active;
    return QCommonStyle::generatedIconPixmap(iconMode, pixmap, opt);
}

// --- polishing --------------------------------------------------------------

void NuvraStyle::polish(QWidget* w)
{
    if (!w)
        return;
    const QString shape = w->property(nuvraShapeProperty).toString();
    if (shape == QLatin1String(nuvraShapeTopBar))
        polishTopBar(w);

    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        const QString iconName = button->property(nuvraIconProperty).toString();
        if (!iconName.isEmpty()) {
            if (button->icon().isNull())
                button->setIcon(iconByPrefix(iconName, button->property(nuvraIconSizeProperty).toSize()));
            if (!button->icon().isNull() && !shape.isEmpty())
                button->setIconSize(button->icon().actualSize(QSize(512, 512), QIcon::Normal, QIcon::Off));
        }
    }

    if (wantsHover(w) || qobject_cast<QToolButton*>(w))
        w->setAttribute(Qt::WA_Hover, true);
    if (qobject_cast<QMenuBar*>(w) || qobject_cast<QToolBar*>(w) || insideToolBar(w))
        w->setBackgroundRole(QPalette::Window);
    if (qobject_cast<QProgressBar*>(w))
        w->installEventFilter(this);

    StyleManager::RescaleWidget(w, false);
}

void NuvraStyle::unpolish(QWidget* w)
{
    if (!w)
        return;
    if (wantsHover(w))
        w->setAttribute(Qt::WA_Hover, false);
    if (qobject_cast<QMenuBar*>(w) || qobject_cast<QToolBox*>(w) || qobject_cast<QToolBar*>(w) || insideToolBar(w))
        w->setBackgroundRole(QPalette::Button);
    if (qobject_cast<QProgressBar*>(w)) {
        w->removeEventFilter(this);
        busyBarGone(w);
    }
}

void NuvraStyle::polish(QApplication* application)
{
    StyleManager::RescaleApplicationFont(application);
    QCommonStyle::polish(application);
}

void NuvraStyle::unpolish(QApplication* application)
{
    QCommonStyle::unpolish(application);
}

void NuvraStyle::polish(QPalette& pal)
{
    QCommonStyle::polish(pal);
}

// --- busy progress bars and window geometry -----------------------------------

bool NuvraStyle::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
        if (auto* bar = qobject_cast<QProgressBar*>(watched))
            busyBarShown(bar);
        break;
    case QEvent::Hide:
    case QEvent::Destroy:
        // Compared by address only: during destruction the object is no
        // longer a progress bar.
        busyBarGone(watched);
        break;
    case QEvent::Resize:
        if (auto* w = qobject_cast<QWidget*>(watched)) {
            if (w->isWindow() && !w->inherits("Nuvra::GUI::NuvraMainWindow") && !qobject_cast<QMainWindow*>(w)) {
                w->setProperty(lastWindowScaleProperty, scale);
                w->setProperty(lastWindowRectProperty, w->geometry());
            }
        }
        break;
    default:
        break;
    }
    return false;
}

void NuvraStyle::busyBarShown(QProgressBar* bar)
{
    busyBars.append(QPointer<QObject>(bar));
    if (busyBars.size() == 1) {
        busyTime.start();
        timerId = startTimer(40, Qt::CoarseTimer);
    }
}

void NuvraStyle::busyBarGone(QObject* bar)
{
    if (busyBars.isEmpty())
        return;
    busyBars.erase(std::remove_if(busyBars.begin(), busyBars.end(),
                                  [bar](const QPointer<QObject>& p) { return p.isNull() || p.data() == bar; }),
                   busyBars.end());
    stopBusyTimerIfIdle();
}

void NuvraStyle::stopBusyTimerIfIdle()
{
    if (busyBars.isEmpty() && timerId != 0) {
        killTimer(timerId);
        timerId = 0;
    }
}

void NuvraStyle::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == timerId) {
        busyStep = static_cast<int>(busyTime.elapsed() / 40);
        // A bar deleted without a hide or destroy notice leaves a null guard.
        busyBars.removeAll(QPointer<QObject>());
        for (const QPointer<QObject>& p : qAsConst(busyBars)) {
            auto* bar = qobject_cast<QProgressBar*>(p.data());
            if (bar && bar->minimum() == 0 && bar->maximum() == 0)
                bar->update();
        }
        stopBusyTimerIfIdle();
    }
    event->ignore();
}

// --- variants ---------------------------------------------------------------

DarkStyle::DarkStyle()
{
    setIdentity("DarkStyle", ":/Styles/DarkStyle/");
}

DarkStyle::~DarkStyle() = default;

MidStyle::MidStyle()
{
    setIdentity("MidStyle", ":/Styles/MidStyle/");
}

MidStyle::~MidStyle() = default;

} // namespace Style
} // namespace Nuvra
