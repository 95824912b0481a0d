// The flat style: its identity, how it prepares and releases widgets, and
// the cached-pixmap painter its drawing shares.
#include "style/ModernStyle.h"

#include "style/IconLookup.h"
#include "style/Palette.h"
#include "style/StyleManager.h"
#include "style/StyleProperties.h"
#include "style/docking/TrueSpinBox.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGroupBox>
#include <QListView>
#include <QMenuBar>
#include <QPainter>
#include <QPixmapCache>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSizeGrip>
#include <QSlider>
#include <QSpinBox>
#include <QSplitterHandle>
#include <QTabBar>
#include <QToolBar>
#include <QToolBox>
#include <QToolButton>
#include <QTreeView>

namespace Nuvra {
namespace Style {

const QString brushPresetListViewName = QStringLiteral("BrushPresetListView");
const QString listWidgetName = QStringLiteral("QListWidget");

bool isListScrollBar(const QWidget* w)
{
    const QWidget* parent = w ? w->parentWidget() : nullptr;
    const QWidget* grand = parent ? parent->parentWidget() : nullptr;
    if (!grand)
        return false;
    const QString name = QString::fromLatin1(grand->metaObject()->className());
    return name.contains(brushPresetListViewName) || name.contains(listWidgetName);
}

namespace {

// Widgets that show hover feedback; tool buttons and item views too when
// polishing (releasing leaves theirs alone).
bool hoverWidget(const QWidget* w)
{
    return qobject_cast<const QPushButton*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QGroupBox*>(w) ||
           qobject_cast<const QSplitterHandle*>(w) || qobject_cast<const QTabBar*>(w) ||
           qobject_cast<const QScrollBar*>(w) || qobject_cast<const QSlider*>(w) ||
           qobject_cast<const QSizeGrip*>(w) || qobject_cast<const QCheckBox*>(w) ||
           qobject_cast<const QRadioButton*>(w);
}

bool boldWidget(const QWidget* w)
{
    return qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QPushButton*>(w) || qobject_cast<const QTabBar*>(w);
}

bool dockHandle(const QWidget* w)
{
    return w->inherits("QWorkspaceTitleBar") || w->inherits("QDockSeparator") ||
           w->inherits("QDockWidgetSeparator") || w->inherits("Q3DockWindowResizeHandle");
}

bool insideToolBar(const QWidget* w)
{
    return qobject_cast<const QToolBar*>(w->parentWidget()) != nullptr;
}

void setWeight(QWidget* w, int weight)
{
    QFont font = w->font();
    font.setWeight(weight);
    w->setFont(font);
}

void preload(const QString& path)
{
    QPixmap pixmap;
    if (!QPixmapCache::find(path, &pixmap) && StyleManager::LoadPixmap(pixmap, path, RasterizerDefault))
        QPixmapCache::insert(path, pixmap);
}

} // namespace

ModernStyle::ModernStyle()
{
    setIdentity("ModernStyle", ":/Styles/ModernStyle/");
}

ModernStyle::~ModernStyle() = default;

int ModernStyle::GetStyleFamily() const
{
    return 1;
}

bool ModernStyle::eventFilter(QObject* watched, QEvent* event)
{
    return NuvraStyle::eventFilter(watched, event);
}

// Neither NuvraStyle's nor QCommonStyle's preparation runs: the flat style
// sets every attribute itself.
void ModernStyle::polish(QWidget* w)
{
    if (!w)
        return;
    const QString shape = w->property(nuvraShapeProperty).toString();
    if (shape == QLatin1String(nuvraShapeTopBar)) {
        w->setContentsMargins(0, 0, 0, 0);
        if (auto* frame = qobject_cast<QFrame*>(w))
            frame->setFrameStyle(QFrame::Plain | QFrame::NoFrame);
        QPalette pal = w->palette();
        pal.setBrush(QPalette::Window,
                     extendedPalette()->getColor(Skin::TopBarBackground, pal.color(QPalette::Window)));
        pal.setBrush(QPalette::WindowText, QColor(Qt::white));
        w->setPalette(pal);
        w->setAutoFillBackground(true);
    }

    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        const QString iconName = button->property(nuvraIconProperty).toString();
        if (!iconName.isEmpty()) {
            if (button->icon().isNull())
                button->setIcon(iconByPrefix(iconName, button->property(nuvraIconSizeProperty).toSize()));
            if (!button->icon().isNull() && !shape.isEmpty())
                button->setIconSize(button->icon().actualSize(QSize(512, 512), QIcon::Normal, QIcon::Off));
        }
    }

    if (hoverWidget(w) || qobject_cast<QToolButton*>(w) || qobject_cast<QTreeView*>(w) ||
        qobject_cast<QListView*>(w)) {
        w->setAttribute(Qt::WA_Hover, true);
        if (boldWidget(w) || qobject_cast<QTreeView*>(w) || qobject_cast<QListView*>(w))
            setWeight(w, QFont::Bold);
    }
    if (w->property("unBoldFont").toBool())
        setWeight(w, QFont::Normal);

    if (auto* spin = qobject_cast<QSpinBox*>(w))
        spin->setAlignment(Qt::AlignCenter);
    else if (auto* spin = qobject_cast<QDoubleSpinBox*>(w))
        spin->setAlignment(Qt::AlignCenter);
    if (auto* group = qobject_cast<QGroupBox*>(w)) {
        group->setFlat(true);
        group->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }

    const QStyle* current = QApplication::style();
    const QString folder =
        QStringLiteral(":/Styles/") + (current ? current->objectName() : objectName()) + QStringLiteral("/components/");
    preload(folder + QStringLiteral("arrow_down-checked.svg"));
    preload(folder + QStringLiteral("arrow_down-normal.svg"));

    if (dockHandle(w))
        w->setAttribute(Qt::WA_Hover, true);
    if (qobject_cast<QMenuBar*>(w) || qobject_cast<QToolBar*>(w) || insideToolBar(w))
        w->setBackgroundRole(QPalette::Window);
    if (qobject_cast<QProgressBar*>(w))
        w->installEventFilter(this);

    StyleManager::RescaleWidget(w, false);
}

void ModernStyle::unpolish(QWidget* w)
{
    if (!w)
        return;
    if (hoverWidget(w)) {
        w->setAttribute(Qt::WA_Hover, false);
        if (boldWidget(w))
            setWeight(w, QFont::Normal);
    }
    if (dockHandle(w))
        w->setAttribute(Qt::WA_Hover, false);
    if (auto* spin = qobject_cast<GUI::TrueSpinBox*>(w))
        spin->setAlignment(Qt::AlignLeft);
    if (auto* spin = qobject_cast<GUI::TrueSpinBoxDbl*>(w))
        spin->setAlignment(Qt::AlignLeft);
    if (auto* spin = qobject_cast<QDoubleSpinBox*>(w))
        spin->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (auto* group = qobject_cast<QGroupBox*>(w)) {
        group->setFlat(false);
        group->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (qobject_cast<QMenuBar*>(w) || qobject_cast<QToolBox*>(w) || qobject_cast<QToolBar*>(w) || insideToolBar(w))
        w->setBackgroundRole(QPalette::Button);
    if (qobject_cast<QProgressBar*>(w)) {
        // A bar released while shown leaves the busy list too: the style
        // never sees its hide or destroy once the filter is gone.
        QEvent hide(QEvent::Hide);
        NuvraStyle::eventFilter(w, &hide);
        w->removeEventFilter(this);
    }
}

void ModernStyle::PrintPixmapFromCache(QPainter* painter, QString path, QPointF centre) const
{
    if (!painter)
        return;
    QPixmap pixmap;
    if (!QPixmapCache::find(path, &pixmap)) {
        if (!StyleManager::LoadPixmap(pixmap, path, RasterizerDefault))
            return;
        QPixmapCache::insert(path, pixmap);
    }
    painter->drawPixmap(qRound(centre.x() - pixmap.width() * 0.5), qRound(centre.y() - pixmap.height() * 0.5),
                        pixmap);
}

ModernGray::ModernGray()
{
    setIdentity("ModernGray", ":/Styles/ModernGray/");
}

ModernGray::~ModernGray() = default;

} // namespace Style
} // namespace Nuvra
