#include "style/docking/Docking.h"

#include "style/docking/DockLayouts.h"
#include "style/docking/DockPanel.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTabBar>
#include <QVariantAnimation>
#include <QWindow>

#include <algorithm>

namespace Nuvra {
namespace GUI {

namespace {

// Qt::Window, Qt::Dialog and Qt::Popup: the widget heads a window.
bool headsWindow(const QWidget* w)
{
    return (int(w->windowFlags()) & (0x1 | 0x2 | 0x8)) != 0;
}

// Whether the dragged dock is the dock or contains it within its window.
bool isSelfOrAncestor(const QWidget* dragged, const QWidget* dock)
{
    for (const QWidget* w = dock; w; w = w->parentWidget()) {
        if (w == dragged)
            return true;
        if (headsWindow(w))
            break;
    }
    return false;
}

int priority(BaseDock* dock)
{
    if (qobject_cast<LineDock*>(dock))
        return 1;
    if (qobject_cast<DockPanelGroup*>(dock))
        return 10;
    return 100;
}

void hideIndicator(BaseDock* dock)
{
    if (!dock)
        return;
    DockZoneIndicator* indicator = dock->indicator();
    indicator->setVisible(false);
    indicator->setGeometry(QRect());
    indicator->update();
}

// The screen that holds the point, else the widget's, else the primary one.
QScreen* screenFor(const QWidget* w, const QPoint& globalPos)
{
    if (QScreen* s = QGuiApplication::screenAt(globalPos))
        return s;
    if (const QWindow* window = w->window()->windowHandle())
        if (window->screen())
            return window->screen();
    return QGuiApplication::primaryScreen();
}

// Built with the program: a floating dock may connect to it at any time.
DockList g_dockList;

} // namespace

ActiveDock::ActiveDock(BaseDock* dock, PDockOptions options)
    : QSharedPointer(new QPair<QPointer<BaseDock>, PDockOptions>(dock, std::move(options)))
{
}

BaseDock* ActiveDock::dock() const
{
    return isNull() ? nullptr : data()->first.data();
}

PDockOptions ActiveDock::options() const
{
    return isNull() ? PDockOptions() : data()->second;
}

void ActiveDock::update() const
{
    BaseDock* target = dock();
    const PDockOptions opts = options();
    if (!target || !opts)
        return;
    DockZoneIndicator* indicator = target->indicator();
    indicator->setGeometry(opts->zone);
    indicator->setArea(opts->zone.translated(-opts->zone.topLeft()));
    if (opts->zone.isValid()) {
        indicator->show();
        indicator->raise();
        indicator->update();
    }
}

DockZoneIndicator::DockZoneIndicator(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void DockZoneIndicator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QColor fill = palette().color(QPalette::Highlight);
    fill.setAlpha(80);
    p.fillRect(m_area, fill);
    p.setPen(palette().color(QPalette::Highlight));
    p.drawRect(m_area.adjusted(0, 0, -1, -1));
}

BaseDock::BaseDock(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
    , m_indicator(new DockZoneIndicator(this))
{
    DockList::instance()->registerDock(this);
}

BaseDock::~BaseDock()
{
    DockList::instance()->unregisterDock(this);
}

bool BaseDock::acceptsDockArea(fDockArea area) const
{
    return (m_areas & area) != 0;
}

fDockType BaseDock::dockTypes() const
{
    return m_types;
}

PDockOptions BaseDock::dockOptionsAt(const QPoint& globalPos, fDockArea area, const FloatingDock*) const
{
    if (!rect().contains(mapFromGlobal(globalPos)))
        return PDockOptions();
    return PDockOptions(new DockOptions{area, rect()});
}

void BaseDock::takeDock(QObject*, ActiveDock)
{
}

LineDock::LineDock(QWidget* parent, Qt::WindowFlags flags)
    : BaseDock(parent, flags)
{
    new LineDockLayout(this);
}

FloatingDock::FloatingDock(QWidget* parent)
    : LineDock(parent, Qt::Tool)
{
    auto* line = static_cast<LineDockLayout*>(layout());
    connect(line, &LineDockLayout::FloatingDockAdjustSize, this, &FloatingDock::adjustSize);
    connect(this, &FloatingDock::showDockZone, DockList::instance(), &DockList::updateDockZone);
    connect(this, &FloatingDock::takeMe, DockList::instance(), &DockList::comeToMe);
    if (auto* main = qobject_cast<NuvraMainWindow*>(parent))
        connect(main, &NuvraMainWindow::myStateChanged, this, &FloatingDock::onParentStateChanged);
}

void FloatingDock::adjustSize()
{
    const QLayout* l = layout();
    if (!isVisible() || !l)
        return;
    const QMargins m = contentsMargins();
    const QSize margins(m.left() + m.right(), m.top() + m.bottom());
    const QSize limit(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QSize minimum = (l->minimumSize() + margins).boundedTo(limit);
    const QSize maximum = (l->maximumSize() + margins).expandedTo(minimum).boundedTo(limit);
    setMinimumSize(minimum);
    setMaximumSize(maximum);

    int h = l->sizeHint().height() + margins.height();
    // A dock placed off every screen is measured against its own or the
    // primary screen.
    if (const QScreen* screen = screenFor(this, pos()))
        h = qMin(h, screen->geometry().height() * 9 / 10);
    const int w = qBound(minimum.width(), width(), maximum.width());
    h = qBound(minimum.height(), h, maximum.height());
    if (w >= 0 && h >= 0)
        resize(w, h);
}

void FloatingDock::onParentStateChanged(Qt::WindowStates states)
{
    if (states & Qt::WindowMinimized) {
        hide();
        return;
    }
    const auto* line = qobject_cast<const LineDockLayout*>(layout());
    setVisible(line && line->hasContents());
}

DockPanelGroup::DockPanelGroup(QWidget* parent)
    : BaseDock(parent)
{
    // Without a tab there is nothing to show.
    hide();
    auto* panels = new DockPanelGroupLayout(this);
    connect(panels, &DockPanelGroupLayout::currentChanged, this, &DockPanelGroup::currentChanged);
}

DockPanelGroup::~DockPanelGroup()
{
    // The panels leave while this is still a group: later, in QWidget's
    // destructor, they would find a plain widget.
    qDeleteAll(findChildren<DockPanel*>(QString(), Qt::FindDirectChildrenOnly));
}

DockPanelGroupLayout* DockPanelGroup::panelLayout() const
{
    return qobject_cast<DockPanelGroupLayout*>(layout());
}

void DockPanelGroup::blink(const QColor& from, const QColor& to, int msecs)
{
    On_BlickColorFinished();
    auto* animation = new QVariantAnimation(this);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->setDuration(msecs);
    connect(animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { On_BlickColorChanged(value.value<QColor>()); });
    connect(animation, &QVariantAnimation::finished, this, &DockPanelGroup::On_BlickColorFinished);
    m_blink = animation;
    animation->start();
}

void DockPanelGroup::On_BlickColorChanged(const QColor& color)
{
    if (!isVisible())
        return;
    m_blinkColor = color;
    if (const DockPanelGroupLayout* panels = panelLayout())
        repaint(QRect(QPoint(1, 1), QPoint(width() - 2, panels->tabBar()->sizeHint().height() - 2)));
    else
        repaint();
}

void DockPanelGroup::On_BlickColorFinished()
{
    if (!m_blink)
        return;
    const bool fromAnimation = sender() == m_blink.data();
    disconnect(m_blink, nullptr, this, nullptr);
    m_blink->deleteLater();
    m_blink = nullptr;
    if (!fromAnimation)
        repaint();
}

void DockPanelGroup::paintEvent(QPaintEvent*)
{
    if (!m_blink || !m_blinkColor.isValid())
        return;
    const DockPanelGroupLayout* panels = panelLayout();
    const int strip = panels ? panels->tabBar()->sizeHint().height() : height();
    QPainter p(this);
    p.fillRect(QRect(QPoint(1, 1), QPoint(width() - 2, strip - 2)), m_blinkColor);
}

NuvraMainWindow::NuvraMainWindow(QWidget* parent)
    : BaseDock(parent)
{
}

void NuvraMainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange)
        emit myStateChanged(windowState());
    BaseDock::changeEvent(event);
}

DockList* DockList::instance()
{
    return &g_dockList;
}

void DockList::registerDock(BaseDock* dock)
{
    if (dock && !m_docks.contains(dock))
        m_docks.append(dock);
}

void DockList::unregisterDock(BaseDock* dock)
{
    m_docks.removeAll(dock);
    // Removing also drops the entries of docks already gone.
    m_docks.removeAll(nullptr);
    if (m_active.dock() == dock || (!m_active.isNull() && !m_active.dock()))
        m_active.reset();
}

ActiveDock DockList::findDockPanel(const QPoint& globalPos, const FloatingDock* floatingDock, fDockType dockType,
                                   fDockArea dockArea) const
{
    QList<BaseDock*> docks;
    for (const QPointer<BaseDock>& d : m_docks)
        if (d)
            docks.append(d);
    std::stable_sort(docks.begin(), docks.end(),
                     [](BaseDock* a, BaseDock* b) { return priority(a) < priority(b); });
    for (BaseDock* dock : docks) {
        if (!dock->acceptsDockArea(dockArea) || !(dock->dockTypes() & dockType) ||
            (dock->window()->windowState() & Qt::WindowMinimized))
            continue;
        if (floatingDock && isSelfOrAncestor(floatingDock, dock))
            continue;
        if (PDockOptions options = dock->dockOptionsAt(globalPos, dockArea, floatingDock))
            return ActiveDock(dock, options);
    }
    return ActiveDock();
}

void DockList::hideActive()
{
    hideIndicator(m_active.dock());
    m_active.reset();
}

void DockList::updateDockZone(const QPoint& globalPos, fDockType dockType, fDockArea dockArea)
{
    const auto* floatingDock = qobject_cast<const FloatingDock*>(sender());
    hideActive();
    m_active = findDockPanel(globalPos, floatingDock, dockType, dockArea);
    m_active.update();
}

void DockList::comeToMe()
{
    // Without a sender there is nothing to dock.
    if (BaseDock* target = m_active.dock()) {
        if (sender())
            target->takeDock(sender(), m_active);
        hideIndicator(target);
    }
    m_active.reset();
}

} // namespace GUI
} // namespace Nuvra
