#include "style/docking/DockLayouts.h"

#include "style/docking/DockPanel.h"
#include "style/docking/Docking.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>

namespace Nuvra {
namespace GUI {

// A widget of the line, with its request to be scrolled into view at the
// next layout.
class LineDockLayout::Item : public QWidgetItem {
public:
    using QWidgetItem::QWidgetItem;
    bool scrollIntoView = false;
};

// A panel of the group; its widget is the panel's contents.
class DockPanelGroupLayout::PanelItem : public QWidgetItem {
public:
    explicit PanelItem(DockPanel* panel)
        : QWidgetItem(panel->widget()), panel(panel)
    {
    }
    DockPanel* panel;
};

LineDockLayout::LineDockLayout(QWidget* parent)
    : QLayout(parent)
    , m_scrollBar(new QScrollBar(Qt::Vertical, parent))
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
    m_scrollBar->hide();
    connect(m_scrollBar, &QScrollBar::valueChanged, this, &LineDockLayout::onValueChanged);
    connect(this, &LineDockLayout::scrollToWidget, this, &LineDockLayout::onScrollToWidget);
}

LineDockLayout::~LineDockLayout()
{
    qDeleteAll(m_items);
}

void LineDockLayout::addItem(QLayoutItem* item)
{
    QWidget* w = item ? item->widget() : nullptr;
    delete item;
    if (!w)
        return;
    m_items.append(new Item(w));
    if (auto* group = qobject_cast<DockPanelGroup*>(w)) {
        connect(group, &DockPanelGroup::currentChanged, this, &LineDockLayout::onChildGroupTabChanged);
        connect(group, &DockPanelGroup::scrollGroup, this, &LineDockLayout::onScrollGroup);
    }
    invalidate();
    emit FloatingDockAdjustSize();
}

QLayoutItem* LineDockLayout::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index) : nullptr;
}

QLayoutItem* LineDockLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    Item* item = m_items.takeAt(index);
    if (QWidget* w = item->widget())
        disconnect(w, nullptr, this, nullptr);
    invalidate();
    emit FloatingDockAdjustSize();
    return item;
}

int LineDockLayout::count() const
{
    return m_items.size();
}

bool LineDockLayout::hasContents() const
{
    for (const Item* item : m_items)
        if (!item->isEmpty())
            return true;
    return false;
}

QSize LineDockLayout::sizeHint() const
{
    QSize size(0, 0);
    for (const Item* item : m_items) {
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint();
        size.setWidth(qMax(size.width(), hint.width()));
        size.setHeight(size.height() + hint.height());
    }
    return size;
}

QSize LineDockLayout::minimumSize() const
{
    // The column scrolls: only its widest minimum and one group's height count.
    QSize size(0, 0);
    for (const Item* item : m_items)
        if (!item->isEmpty())
            size = size.expandedTo(item->minimumSize());
    return size;
}

Qt::Orientations LineDockLayout::expandingDirections() const
{
    return Qt::Vertical;
}

void LineDockLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    const int total = sizeHint().height();
    const bool scrolls = total > rect.height();
    const int barWidth = scrolls ? m_scrollBar->sizeHint().width() : 0;
    {
        const QSignalBlocker blocker(m_scrollBar);
        m_scrollBar->setRange(0, scrolls ? total - rect.height() : 0);
        m_scrollBar->setPageStep(rect.height());
        m_offset = -m_scrollBar->value();
    }
    m_scrollBar->setGeometry(rect.right() - barWidth + 1, rect.top(), barWidth, rect.height());
    m_scrollBar->setVisible(scrolls);

    int y = rect.top() + m_offset;
    QList<const QWidget*> wanted;
    for (Item* item : m_items) {
        if (item->isEmpty())
            continue;
        const int h = item->sizeHint().height();
        // Set on the widget itself: a layout item keeps its widget out of
        // negative coordinates, where the scrolled-off groups are.
        item->widget()->setGeometry(rect.left(), y, rect.width() - barWidth, h);
        y += h;
        if (item->scrollIntoView) {
            item->scrollIntoView = false;
            wanted.append(item->widget());
        }
    }
    for (const QWidget* w : wanted)
        emit scrollToWidget(w);
}

void LineDockLayout::onValueChanged(int value)
{
    m_offset = -value;
    invalidate();
}

void LineDockLayout::onShowScrollBar()
{
    invalidate();
}

void LineDockLayout::onScrollGroup()
{
    auto* group = qobject_cast<DockPanelGroup*>(sender());
    if (!m_scrollBar->isVisible() || !group)
        return;
    for (Item* item : m_items) {
        if (!item->isEmpty() && item->widget() == group) {
            item->scrollIntoView = true;
            invalidate();
            return;
        }
    }
}

void LineDockLayout::onChildGroupTabChanged(int)
{
    if (const QObject* s = sender(); s && s->isWidgetType())
        onScrollToWidget(static_cast<const QWidget*>(s));
}

void LineDockLayout::onScrollToWidget(const QWidget* widget)
{
    QWidget* owner = parentWidget();
    if (!widget || !owner)
        return;
    const int widgetTop = owner->isAncestorOf(widget) ? widget->mapTo(owner, QPoint(0, 0)).y() : widget->y();
    const int top = widgetTop - m_scrollBar->y();
    const int value = m_scrollBar->value();
    const int page = m_scrollBar->pageStep();
    const int h = widget->height();
    if (top >= 0 && value + top + h <= value + page)
        return;
    m_scrollBar->setValue(page < h || top < 0 ? value + top : value + top + h - page);
}

DockPanelGroupLayout::DockPanelGroupLayout(DockPanelGroup* group)
    : QLayout(group)
    , m_group(group)
    , m_tabBar(new QTabBar(group))
    , m_expand(new QToolButton(group))
    , m_menu(new QToolButton(group))
    , m_pin(new QToolButton(group))
    , m_close(new QToolButton(group))
{
    setContentsMargins(0, 0, 0, 0);
    m_tabBar->setMovable(true);
    m_tabBar->setTabsClosable(true);
    m_tabBar->setDrawBase(false);
    m_tabBar->hide();
    m_expand->setCheckable(true);
    m_expand->setChecked(true);
    m_expand->setArrowType(Qt::DownArrow);
    m_menu->setArrowType(Qt::RightArrow);
    m_pin->setCheckable(true);
    m_close->setIcon(group->style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    for (QToolButton* b : {m_expand, m_menu, m_pin, m_close})
        b->setAutoRaise(true);
    connect(m_tabBar, &QTabBar::currentChanged, this, &DockPanelGroupLayout::currentTabChanged);
    connect(m_tabBar, &QTabBar::tabMoved, this, &DockPanelGroupLayout::tabMoved);
    connect(m_tabBar, &QTabBar::tabCloseRequested, this, &DockPanelGroupLayout::onCloseTab);
    connect(m_close, &QToolButton::clicked, this, &DockPanelGroupLayout::buttonCloseClick);
    connect(m_expand, &QToolButton::toggled, this, &DockPanelGroupLayout::buttonMinimizeClick);
    connect(m_menu, &QToolButton::clicked, this, &DockPanelGroupLayout::buttonMenuClick);
    connect(m_pin, &QToolButton::toggled, this, &DockPanelGroupLayout::buttonPinnedClick);
}

DockPanelGroupLayout::~DockPanelGroupLayout()
{
    qDeleteAll(m_all);
}

QAbstractButton* DockPanelGroupLayout::expandButton() const
{
    return m_expand;
}

QWidget* DockPanelGroupLayout::menuButton() const
{
    return m_menu;
}

void DockPanelGroupLayout::addPanel(DockPanel* panel)
{
    if (!panel || !panel->widget())
        return;
    for (const PanelItem* item : m_all)
        if (item->panel == panel)
            return;
    addChildWidget(panel->widget());
    panel->widget()->hide();
    m_all.append(new PanelItem(panel));
}

void DockPanelGroupLayout::removePanel(DockPanel* panel)
{
    for (int i = 0; i < m_all.size(); ++i) {
        if (m_all.at(i)->panel == panel) {
            delete takeAt(i);
            return;
        }
    }
}

void DockPanelGroupLayout::addItem(QLayoutItem* item)
{
    // Panels join through addPanel only.
    delete item;
}

QLayoutItem* DockPanelGroupLayout::itemAt(int index) const
{
    return index >= 0 && index < m_all.size() ? m_all.at(index) : nullptr;
}

// Qt takes the item of a contents widget that is deleted: its tab goes too.
QLayoutItem* DockPanelGroupLayout::takeAt(int index)
{
    if (index < 0 || index >= m_all.size())
        return nullptr;
    hideTab(m_all.at(index)->panel);
    invalidate();
    return m_all.takeAt(index);
}

int DockPanelGroupLayout::count() const
{
    return m_all.size();
}

DockPanel* DockPanelGroupLayout::currentPanel() const
{
    return m_current >= 0 && m_current < m_visible.size() ? m_visible.at(m_current)->panel : nullptr;
}

QList<DockPanel*> DockPanelGroupLayout::visiblePanels() const
{
    QList<DockPanel*> out;
    for (const PanelItem* item : m_visible)
        out.append(item->panel);
    return out;
}

QList<DockPanel*> DockPanelGroupLayout::allPanels() const
{
    QList<DockPanel*> out;
    for (const PanelItem* item : m_all)
        out.append(item->panel);
    return out;
}

int DockPanelGroupLayout::headerHeight() const
{
    return qMax(m_tabBar->sizeHint().height(), m_close->sizeHint().height());
}

QSize DockPanelGroupLayout::sizeHint() const
{
    const QSize body = currentPanel() && m_expand->isChecked() ? m_visible.at(m_current)->sizeHint() : QSize(0, 0);
    return QSize(qMax(body.width(), m_tabBar->sizeHint().width()), headerHeight() + body.height());
}

QSize DockPanelGroupLayout::minimumSize() const
{
    const QSize body =
        currentPanel() && m_expand->isChecked() ? m_visible.at(m_current)->minimumSize() : QSize(0, 0);
    return QSize(body.width(), headerHeight() + body.height());
}

QSize DockPanelGroupLayout::maximumSize() const
{
    // A collapsed group keeps only its header.
    if (!m_expand->isChecked())
        return QSize(QWIDGETSIZE_MAX, headerHeight());
    return QLayout::maximumSize();
}

void DockPanelGroupLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    const int header = headerHeight();
    int right = rect.right() + 1;
    for (QToolButton* b : {m_close, m_pin, m_menu, m_expand}) {
        const QSize s = b->sizeHint();
        right -= s.width();
        b->setGeometry(right, rect.top() + (header - s.height()) / 2, s.width(), s.height());
    }
    m_tabBar->setGeometry(rect.left(), rect.top(), qMax(0, right - rect.left()), header);
    for (int i = 0; i < m_visible.size(); ++i) {
        PanelItem* item = m_visible.at(i);
        if (i == m_current && m_expand->isChecked()) {
            item->setGeometry(QRect(rect.left(), rect.top() + header, rect.width(), qMax(0, rect.height() - header)));
            item->widget()->show();
        } else {
            item->widget()->hide();
        }
    }
}

void DockPanelGroupLayout::updateTabBar()
{
    const int tabs = m_tabBar->count();
    // A lone tab is a title, not a control.
    m_tabBar->setAttribute(Qt::WA_TransparentForMouseEvents, tabs == 1);
    m_tabBar->setVisible(tabs >= 2);
}

void DockPanelGroupLayout::showTab(DockPanel* panel)
{
    if (!panel || !panel->widget())
        return;
    QList<PanelItem*> visible;
    int position = -1;
    for (PanelItem* item : m_all) {
        if (m_visible.contains(item)) {
            visible.append(item);
        } else if (item->panel == panel) {
            position = visible.size();
            visible.append(item);
        }
    }
    m_visible = visible;
    if (position >= 0) {
        panel->m_visible = true;
        if (position <= m_current)
            ++m_current;
        const QString title = panel->toggleAction() ? panel->toggleAction()->text() : QString();
        m_tabBar->insertTab(position, panel->icon(), title);
    }
    updateTabBar();
    m_group->setVisible(!m_visible.isEmpty() && !isHideAll());
    invalidate();
    if (auto* line = qobject_cast<LineDock*>(m_group->parentWidget()))
        line->show();
}

void DockPanelGroupLayout::hideTab(DockPanel* panel)
{
    int index = -1;
    for (int i = 0; i < m_visible.size() && index < 0; ++i)
        if (m_visible.at(i)->panel == panel)
            index = i;
    if (index < 0)
        return;
    if (index == m_current) {
        if (QWidget* w = panel->widget())
            w->hide();
        m_current = -1;
    } else if (index < m_current) {
        --m_current;
    }
    m_visible.removeAt(index);
    // The tab bar makes a neighbour current when the current tab goes.
    m_tabBar->removeTab(index);
    updateTabBar();
    if (m_visible.isEmpty())
        m_group->hide();
    invalidate();
}

bool DockPanelGroupLayout::isHideAll() const
{
    for (const PanelItem* item : m_visible)
        if (item->panel->isExclusive() || item->panel->keepsVisible())
            return false;
    const QWidget* parent = m_group->parentWidget();
    const auto* line = parent ? qobject_cast<const LineDockLayout*>(parent->layout()) : nullptr;
    if (!line)
        return false;
    for (int i = 0; i < line->count(); ++i) {
        const auto* group = qobject_cast<const DockPanelGroup*>(line->itemAt(i)->widget());
        const DockPanelGroupLayout* panels = group ? group->panelLayout() : nullptr;
        if (!panels)
            continue;
        for (const PanelItem* item : panels->m_visible)
            if (item->panel->isExclusive())
                return true;
    }
    return false;
}

void DockPanelGroupLayout::currentTabChanged(int index)
{
    if (index < 0 || index >= m_visible.size())
        return;
    QWidget* next = m_visible.at(index)->widget();
    QWidget* previous = m_current >= 0 && m_current < m_visible.size() ? m_visible.at(m_current)->widget() : nullptr;
    if (!next || next == previous)
        return;
    if (previous) {
        previous->clearFocus();
        previous->hide();
    }
    m_current = index;
    {
        const QSignalBlocker blocker(m_tabBar);
        m_tabBar->setCurrentIndex(index);
    }
    m_expand->setChecked(true);
    invalidate();
    emit currentChanged(index);
}

void DockPanelGroupLayout::onCloseTab(int index)
{
    if (index >= 0 && index < m_visible.size())
        m_visible.at(index)->panel->hide_by_close();
}

void DockPanelGroupLayout::buttonCloseClick()
{
    if (DockPanel* panel = currentPanel())
        panel->hide_by_close();
}

void DockPanelGroupLayout::buttonMinimizeClick(bool)
{
    if (m_visible.isEmpty())
        return;
    invalidate();
    m_group->setMaximumSize(maximumSize());
}

void DockPanelGroupLayout::buttonMenuClick()
{
    DockPanel* panel = currentPanel();
    QMenu* menu = panel ? panel->menu() : nullptr;
    if (!menu)
        return;
    QRect r(m_menu->mapToGlobal(m_menu->rect().bottomLeft()), menu->sizeHint());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        if (r.right() > available.right())
            r.moveRight(available.right());
        if (r.bottom() > available.bottom())
            r.moveBottom(available.bottom());
    }
    menu->setGeometry(r);
    menu->popup(r.topLeft());
}

void DockPanelGroupLayout::buttonPinnedClick(bool checked)
{
    if (DockPanel* panel = currentPanel()) {
        panel->setPinned(checked);
        invalidate();
    }
}

void DockPanelGroupLayout::tabMoved(int from, int to)
{
    if (from < 0 || to < 0 || from >= m_visible.size() || to >= m_visible.size() || from == to)
        return;
    const QList<PanelItem*> shown = m_visible;
    m_all.move(m_all.indexOf(shown.at(from)), m_all.indexOf(shown.at(to)));
    m_visible.clear();
    for (PanelItem* item : m_all)
        if (shown.contains(item))
            m_visible.append(item);
    // The current tab keeps its panel, as the tab bar does.
    if (m_current == from)
        m_current = to;
    else if (from < m_current && m_current <= to)
        --m_current;
    else if (to <= m_current && m_current < from)
        ++m_current;
    invalidate();
}

} // namespace GUI
} // namespace Nuvra
