#include "StyleTestSupport.h"

#include "style/docking/DockLayouts.h"
#include "style/docking/DockPanel.h"
#include "style/docking/Docking.h"
#include "style/docking/MainWindowItem.h"
#include "style/docking/TrueSpinBox.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QThread>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

using namespace Nuvra::GUI;

namespace {

// A dock that offers a fixed zone when asked and records what it was given.
template <typename Base>
class Target : public Base {
public:
    explicit Target(QWidget* parent = nullptr)
        : Base(parent)
    {
        this->setAcceptedDockAreas(DockAreaLeft | DockAreaRight);
        this->setDockTypes(DockTypeGroup);
    }
    PDockOptions dockOptionsAt(const QPoint&, fDockArea area, const FloatingDock*) const override
    {
        return offers ? PDockOptions(new DockOptions{area, zone}) : PDockOptions();
    }
    void takeDock(QObject* floating, ActiveDock) override
    {
        ++takes;
        tookFrom = floating;
    }
    bool offers = true;
    QRect zone{5, 6, 40, 20};
    int takes = 0;
    QObject* tookFrom = nullptr;
};

void settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

QWidget* content(int height)
{
    auto* w = new QLabel(QStringLiteral("panel"));
    w->setFixedHeight(height);
    return w;
}

QStringList tabTitles(const DockPanelGroupLayout* panels)
{
    QStringList out;
    for (int i = 0; i < panels->tabBar()->count(); ++i)
        out << panels->tabBar()->tabText(i);
    return out;
}

QStringList titles(const QList<DockPanel*>& panels)
{
    QStringList out;
    for (const DockPanel* p : panels)
        out << p->toggleAction()->text();
    return out;
}

// Contents that would like to be tall but can be squeezed.
class Tall : public QWidget {
public:
    explicit Tall(int height)
        : m_height(height)
    {
    }
    QSize sizeHint() const override { return QSize(50, m_height); }

private:
    int m_height;
};

// A group of four panels "a" to "d" on a shown window.
struct GroupFixture {
    GroupFixture()
    {
        window.resize(300, 400);
        auto* column = new QVBoxLayout(&window);
        group = new DockPanelGroup;
        column->addWidget(group);
        for (const char* name : {"a", "b", "c", "d"})
            panels.append(new DockPanel(content(50), QString::fromLatin1(name), group));
        window.show();
        settle();
    }
    DockPanelGroupLayout* layout() const { return group->panelLayout(); }
    DockPanel* panel(char name) const { return panels.at(name - 'a'); }

    QWidget window;
    DockPanelGroup* group;
    QList<DockPanel*> panels;
};

} // namespace

TEST(DockList, NoDocksLeaveNoActiveEntry)
{
    FloatingDock floating;
    emit floating.showDockZone(QPoint(10, 10), DockTypeGroup, DockAreaLeft);
    EXPECT_TRUE(DockList::instance()->activeDock().isNull());
    EXPECT_FALSE(floating.indicator()->isVisibleTo(&floating));
}

TEST(DockList, LineDocksComeFirstAndTheDraggedDockIsNeverATarget)
{
    QWidget window;
    window.resize(400, 300);
    auto* group = new Target<DockPanelGroup>(&window); // registered first
    auto* line = new Target<LineDock>(&window);
    window.show();
    FloatingDock floating(&window);
    auto* inside = new Target<LineDock>(&floating);
    Q_UNUSED(inside);
    floating.setAcceptedDockAreas(DockAreaLeft);
    floating.setDockTypes(DockTypeGroup);

    emit floating.showDockZone(QPoint(10, 10), DockTypeGroup, DockAreaLeft);
    ActiveDock active = DockList::instance()->activeDock();
    ASSERT_FALSE(active.isNull());
    EXPECT_EQ(active.dock(), line);
    EXPECT_TRUE(line->indicator()->isVisible());
    EXPECT_EQ(line->indicator()->geometry(), QRect(5, 6, 40, 20));
    EXPECT_EQ(line->indicator()->area(), QRect(0, 0, 40, 20));

    // Moving on: the old indicator goes, the group is next in line.
    line->offers = false;
    emit floating.showDockZone(QPoint(10, 10), DockTypeGroup, DockAreaLeft);
    EXPECT_EQ(DockList::instance()->activeDock().dock(), group);
    EXPECT_FALSE(line->indicator()->isVisible());
    EXPECT_TRUE(line->indicator()->geometry().isEmpty());

    // Neither a type nor an area in common: nothing.
    emit floating.showDockZone(QPoint(10, 10), DockTypePanel, DockAreaLeft);
    EXPECT_TRUE(DockList::instance()->activeDock().isNull());
    emit floating.showDockZone(QPoint(10, 10), DockTypeGroup, DockAreaTop);
    EXPECT_TRUE(DockList::instance()->activeDock().isNull());

    // With only the dragged dock and a dock inside it offering, nothing;
    // another floating dock's inner dock is fair game.
    group->offers = false;
    emit floating.showDockZone(QPoint(10, 10), DockTypeGroup, DockAreaLeft);
    EXPECT_TRUE(DockList::instance()->activeDock().isNull());
    FloatingDock other(&window);
    emit other.showDockZone(QPoint(10, 10), DockTypeGroup, DockAreaLeft);
    EXPECT_EQ(DockList::instance()->activeDock().dock(), &floating);
    floating.setAcceptedDockAreas(DockAreaNone);
    emit other.showDockZone(QPoint(10, 10), DockTypeGroup, DockAreaLeft);
    EXPECT_EQ(DockList::instance()->activeDock().dock(), inside);
    DockList::instance()->comeToMe();
}

TEST(DockList, ComeToMeDocksTheSenderAndClearsTheTarget)
{
    QWidget window;
    auto* line = new Target<LineDock>(&window);
    window.show();
    FloatingDock floating(&window);
    emit floating.showDockZone(QPoint(0, 0), DockTypeGroup, DockAreaRight);
    ASSERT_EQ(DockList::instance()->activeDock().dock(), line);
    emit floating.takeMe();
    EXPECT_EQ(line->takes, 1);
    EXPECT_EQ(line->tookFrom, &floating);
    EXPECT_FALSE(line->indicator()->isVisible());
    EXPECT_TRUE(DockList::instance()->activeDock().isNull());

    // Called directly there is no sender to dock: the target only clears.
    DockList::instance()->updateDockZone(QPoint(0, 0), DockTypeGroup, DockAreaRight);
    ASSERT_EQ(DockList::instance()->activeDock().dock(), line);
    DockList::instance()->comeToMe();
    EXPECT_EQ(line->takes, 1);
    EXPECT_TRUE(DockList::instance()->activeDock().isNull());

    // A target that goes away leaves no entry behind.
    DockList::instance()->updateDockZone(QPoint(0, 0), DockTypeGroup, DockAreaRight);
    delete line;
    EXPECT_TRUE(DockList::instance()->activeDock().isNull());
    emit floating.takeMe();
}

TEST(DockList, TheDefaultPlaceIsTheWholeDockUnderTheCursor)
{
    QWidget window;
    window.setGeometry(100, 100, 200, 200);
    auto* dock = new LineDock(&window);
    dock->setGeometry(20, 30, 50, 60);
    window.show();
    settle();
    const QPoint inside = dock->mapToGlobal(QPoint(10, 10));
    const PDockOptions at = dock->dockOptionsAt(inside, DockAreaLeft, nullptr);
    ASSERT_TRUE(at);
    EXPECT_EQ(at->zone, QRect(0, 0, 50, 60));
    EXPECT_FALSE(dock->dockOptionsAt(dock->mapToGlobal(QPoint(60, 10)), DockAreaLeft, nullptr));
}

TEST(DockPanelGroupLayout, TabsFollowThePanelOrderAndTheCurrentTabItsPanel)
{
    GroupFixture f;
    DockPanelGroupLayout* l = f.layout();
    EXPECT_FALSE(f.group->isVisible());

    f.panel('c')->show();
    EXPECT_TRUE(f.group->isVisible());
    EXPECT_EQ(l->currentPanel(), f.panel('c'));
    // A lone tab is neither shown nor clickable.
    EXPECT_FALSE(l->tabBar()->isVisible());
    EXPECT_TRUE(l->tabBar()->testAttribute(Qt::WA_TransparentForMouseEvents));

    f.panel('a')->show();
    f.panel('d')->show();
    EXPECT_EQ(tabTitles(l), (QStringList{"a", "c", "d"}));
    EXPECT_EQ(titles(l->visiblePanels()), (QStringList{"a", "c", "d"}));
    EXPECT_EQ(l->currentIndex(), 1);
    EXPECT_EQ(l->currentPanel(), f.panel('c'));
    EXPECT_TRUE(l->tabBar()->isVisible());
    EXPECT_FALSE(l->tabBar()->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_TRUE(f.panel('a')->toggleAction()->isChecked());

    // Hiding a tab before the current one moves the index, not the panel.
    f.panel('a')->hide();
    EXPECT_EQ(l->currentIndex(), 0);
    EXPECT_EQ(l->currentPanel(), f.panel('c'));
    EXPECT_FALSE(f.panel('a')->isVisible());
    EXPECT_FALSE(f.panel('a')->toggleAction()->isChecked());

    // Hiding the current tab: its contents go, and the tab bar's next
    // current tab becomes the group's.
    settle();
    EXPECT_TRUE(f.panel('c')->widget()->isVisible());
    f.panel('c')->hide();
    EXPECT_FALSE(f.panel('c')->widget()->isVisible());
    EXPECT_EQ(l->currentPanel(), f.panel('d'));
    EXPECT_EQ(l->tabBar()->currentIndex(), l->currentIndex());

    // The last tab hidden: no current tab and no group.
    f.panel('d')->hide();
    EXPECT_EQ(l->currentIndex(), -1);
    EXPECT_EQ(l->currentPanel(), nullptr);
    EXPECT_FALSE(f.group->isVisible());
}

TEST(DockPanelGroupLayout, MovedTabsReorderThePanelsAndKeepTheCurrentOne)
{
    const struct {
        int from, to;
        const char* current; // before the move
        QStringList tabs;    // after the move
        QStringList withC;   // after showing the hidden panel
    } cases[] = {
        // The hidden panel keeps its place among all panels.
        {0, 2, "a", {"b", "d", "a"}, {"b", "c", "d", "a"}},
        {2, 0, "a", {"d", "a", "b"}, {"d", "a", "b", "c"}},
        {1, 2, "a", {"a", "d", "b"}, {"a", "c", "d", "b"}},
        {0, 1, "b", {"b", "a", "d"}, {"b", "a", "c", "d"}},
    };
    for (const auto& c : cases) {
        GroupFixture f;
        DockPanelGroupLayout* l = f.layout();
        for (char name : {'a', 'b', 'd'})
            f.panel(name)->show();
        l->tabBar()->setCurrentIndex(l->visiblePanels().indexOf(f.panel(c.current[0])));
        l->tabBar()->moveTab(c.from, c.to);
        EXPECT_EQ(tabTitles(l), c.tabs) << c.from << "->" << c.to;
        EXPECT_EQ(titles(l->visiblePanels()), c.tabs) << c.from << "->" << c.to;
        EXPECT_EQ(l->currentPanel(), f.panel(c.current[0])) << c.from << "->" << c.to;
        EXPECT_EQ(l->tabBar()->currentIndex(), l->currentIndex()) << c.from << "->" << c.to;
        f.panel('c')->show();
        EXPECT_EQ(tabTitles(l), c.withC) << c.from << "->" << c.to;
        EXPECT_EQ(l->currentPanel(), f.panel(c.current[0])) << c.from << "->" << c.to;
    }
}

TEST(DockPanelGroupLayout, TabClicksButtonsAndClosing)
{
    GroupFixture f;
    DockPanelGroupLayout* l = f.layout();
    for (char name : {'a', 'b', 'c'})
        f.panel(name)->show();
    QList<int> changes;
    QObject::connect(f.group, &DockPanelGroup::currentChanged, [&](int i) { changes << i; });
    l->expandButton()->setChecked(false);
    EXPECT_EQ(f.group->maximumHeight(), l->maximumSize().height());
    EXPECT_LT(f.group->maximumHeight(), 100);

    l->tabBar()->setCurrentIndex(2);
    EXPECT_EQ(changes, QList<int>{2});
    EXPECT_EQ(l->currentPanel(), f.panel('c'));
    EXPECT_TRUE(l->expandButton()->isChecked());
    l->currentTabChanged(2); // the current tab again: nothing
    l->currentTabChanged(7); // no such tab: nothing
    EXPECT_EQ(changes, QList<int>{2});

    l->buttonPinnedClick(true);
    EXPECT_TRUE(f.panel('c')->isPinned());

    int closed = 0;
    QObject::connect(f.panel('b'), &DockPanel::hidden_by_close, [&] { ++closed; });
    emit l->tabBar()->tabCloseRequested(1);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(f.panel('b')->isVisible());
    EXPECT_FALSE(f.panel('b')->toggleAction()->isChecked());
    l->onCloseTab(5);
    l->buttonCloseClick();
    EXPECT_FALSE(f.panel('c')->isVisible());
    EXPECT_EQ(titles(l->visiblePanels()), QStringList{"a"});
}

TEST(DockPanelGroupLayout, PanelsAndContentsThatGoAwayTakeTheirTabs)
{
    GroupFixture f;
    DockPanelGroupLayout* l = f.layout();
    for (char name : {'a', 'b', 'c', 'd'})
        f.panel(name)->show();
    l->tabBar()->setCurrentIndex(2);
    delete f.panel('b')->widget();
    EXPECT_EQ(tabTitles(l), (QStringList{"a", "c", "d"}));
    EXPECT_EQ(l->currentPanel(), f.panel('c'));
    delete f.panel('c');
    EXPECT_EQ(tabTitles(l), (QStringList{"a", "d"}));
    EXPECT_EQ(titles(l->allPanels()), (QStringList{"a", "d"}));
    f.panel('b')->show(); // its contents are gone: no tab
    l->activate();
    EXPECT_EQ(tabTitles(l), (QStringList{"a", "d"}));
}

TEST(DockPanelGroupLayout, ThePanelMenuOpensUnderItsButtonWithinTheScreen)
{
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QMenu menu;
    for (const char* item : {"Undock", "Close others", "Reset the layout of this panel"})
        menu.addAction(QString::fromLatin1(item));
    // The offscreen platform cannot hand a popup the keyboard.
    ExpectedWarnings grab({QStringLiteral("does not support grabbing the keyboard")});
    for (const QPoint& at : {available.center(), available.bottomRight()}) {
        GroupFixture f;
        auto* panel = new DockPanel(content(40), QStringLiteral("m"), f.group, QIcon(), &menu);
        panel->show();
        f.window.move(at - QPoint(f.window.width() / 2, f.window.height() / 2));
        settle();
        f.layout()->buttonMenuClick();
        ASSERT_TRUE(menu.isVisible());
        const QWidget* button = f.layout()->menuButton();
        const QPoint corner = button->mapToGlobal(button->rect().bottomLeft());
        EXPECT_TRUE(available.contains(menu.geometry())) << at.x();
        EXPECT_EQ(menu.geometry().left(), qMin(corner.x(), available.right() - menu.width() + 1)) << at.x();
        EXPECT_EQ(menu.geometry().top(), qMin(corner.y(), available.bottom() - menu.height() + 1)) << at.x();
        menu.close();
    }
}

TEST(DockPanelGroupLayout, AnExclusivePanelHidesTheOtherGroupsOfItsLine)
{
    QWidget window;
    auto* line = new LineDock(&window);
    line->resize(200, 600);
    auto* first = new DockPanelGroup;
    auto* second = new DockPanelGroup;
    line->layout()->addWidget(first);
    line->layout()->addWidget(second);
    auto* exclusive = new DockPanel(content(40), QStringLiteral("x"), first);
    exclusive->setExclusive(true);
    auto* plain = new DockPanel(content(40), QStringLiteral("p"), second);
    auto* kept = new DockPanel(content(40), QStringLiteral("k"), second);
    kept->setKeepVisible(true);
    window.show();

    exclusive->show();
    EXPECT_TRUE(first->isVisible());
    plain->show();
    EXPECT_TRUE(second->panelLayout()->isHideAll());
    EXPECT_FALSE(second->isVisible());
    kept->show();
    EXPECT_FALSE(second->panelLayout()->isHideAll());
    EXPECT_TRUE(second->isVisible());
    // Outside a line there is nothing to yield to.
    auto* loose = new DockPanelGroup(&window);
    new DockPanel(content(40), QStringLiteral("l"), loose);
    EXPECT_FALSE(loose->panelLayout()->isHideAll());
}

TEST(DockPanel, WithoutAGroupOrContentsItOnlyKeepsItsState)
{
    QLabel contents;
    DockPanel loose(&contents, QStringLiteral("loose"), nullptr);
    int closed = 0;
    QObject::connect(&loose, &DockPanel::hidden_by_close, [&] { ++closed; });
    loose.show();
    EXPECT_TRUE(loose.isVisible());
    EXPECT_TRUE(loose.toggleAction()->isChecked());
    loose.toggleAction()->setChecked(false);
    EXPECT_FALSE(loose.isVisible());
    loose.setVisible(true);
    loose.hide_by_close();
    EXPECT_FALSE(loose.isVisible());
    EXPECT_EQ(closed, 1);

    GroupFixture f;
    auto* empty = new DockPanel(nullptr, QStringLiteral("empty"), f.group);
    empty->show();
    EXPECT_TRUE(empty->isVisible());
    EXPECT_EQ(f.layout()->tabBar()->count(), 0);
    EXPECT_FALSE(f.group->isVisible());
    empty->hide();
    EXPECT_FALSE(empty->isVisible());
}

TEST(DockPanelGroup, BlinkRepaintsWhileShownAndEndsWithThePanel)
{
    GroupFixture f;
    f.panel('a')->show();
    f.group->On_BlickColorChanged(Qt::red);
    EXPECT_EQ(f.group->blinkColor(), QColor(Qt::red));
    f.group->blink(Qt::yellow, Qt::blue, 10000);
    EXPECT_TRUE(f.group->isBlinking());
    f.group->On_BlickColorFinished();
    EXPECT_FALSE(f.group->isBlinking());
    f.group->On_BlickColorFinished(); // nothing left to finish

    f.group->blink(Qt::yellow, Qt::blue, 10000);
    f.panel('a')->hide();
    EXPECT_FALSE(f.group->isBlinking());
    // Hidden, the group ignores colour changes.
    f.group->On_BlickColorChanged(Qt::green);
    EXPECT_NE(f.group->blinkColor(), QColor(Qt::green));

    // An animation that runs out finishes the blink itself.
    f.panel('a')->show();
    f.group->blink(Qt::yellow, Qt::blue, 1);
    for (int i = 0; i < 50 && f.group->isBlinking(); ++i) {
        QApplication::processEvents();
        QThread::msleep(2);
    }
    EXPECT_FALSE(f.group->isBlinking());
}

TEST(LineDockLayout, ScrollsAWidgetIntoView)
{
    QWidget window;
    auto* line = new LineDock(&window);
    line->setGeometry(0, 0, 120, 100);
    QList<QWidget*> widgets;
    for (int h : {80, 80, 150}) {
        widgets.append(content(h));
        line->layout()->addWidget(widgets.last());
    }
    window.show();
    auto* l = static_cast<LineDockLayout*>(line->layout());
    l->activate();
    ASSERT_TRUE(l->scrollBar()->isVisible());
    EXPECT_EQ(l->scrollBar()->maximum(), 210);
    EXPECT_EQ(l->scrollBar()->pageStep(), 100);

    const struct {
        int start, widget, expected;
    } cases[] = {
        {0, 0, 0},     // already in view
        {0, 1, 60},    // below: its bottom comes to the view's bottom
        {140, 0, 0},   // above: its top comes to the view's top
        {0, 2, 160},   // taller than the view: its top
        {50, 1, 60},   // partly below
    };
    for (const auto& c : cases) {
        l->scrollBar()->setValue(c.start);
        l->activate();
        l->onScrollToWidget(widgets.at(c.widget));
        EXPECT_EQ(l->scrollBar()->value(), c.expected) << c.start << " " << c.widget;
        l->activate();
        EXPECT_EQ(l->scrollOffset(), -c.expected);
        EXPECT_EQ(widgets.at(0)->y(), -c.expected);
    }
    l->onScrollToWidget(nullptr);
}

TEST(FloatingDock, HeightStaysWithinNineTenthsOfTheScreen)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const int cap = screen->geometry().height() * 9 / 10;
    const struct {
        int contents, minimum;
        QPoint at;
        int expected;
    } cases[] = {
        {100, 0, {10, 10}, 100},
        {5000, 0, {10, 10}, cap},
        {5000, cap + 50, {10, 10}, cap + 50},       // the minimum wins
        {5000, 0, {-100000, -100000}, cap},         // off every screen
    };
    for (const auto& c : cases) {
        FloatingDock dock;
        auto* w = new Tall(c.contents);
        if (c.minimum)
            w->setMinimumHeight(c.minimum);
        dock.layout()->addWidget(w);
        dock.move(c.at);
        dock.show();
        dock.adjustSize();
        EXPECT_EQ(dock.height(), c.expected) << c.contents << " at " << c.at.x();
    }
}

TEST(FloatingDock, FollowsItsMainWindow)
{
    NuvraMainWindow main;
    EXPECT_TRUE(main.inherits("Nuvra::GUI::NuvraMainWindow"));
    main.show();
    FloatingDock empty(&main);
    FloatingDock full(&main);
    full.layout()->addWidget(content(30));
    main.setWindowState(Qt::WindowMinimized);
    EXPECT_FALSE(full.isVisible());
    main.setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(full.isVisible());
    EXPECT_FALSE(empty.isVisible());
}

TEST(MainWindowItem, KeepsItsDockLineRectangle)
{
    QWidget dock;
    MainWindowItem item(&dock, QRect(1, 2, 30, 40));
    EXPECT_EQ(item.lineDockRect(), QRect(1, 2, 30, 40));
    EXPECT_EQ(item.widget(), &dock);
}

TEST(TrueSpinBox, ReportsValueChangesUnlessSuppressed)
{
    TrueSpinBox box;
    TrueSpinBoxDbl dbl;
    QList<double> seen;
    QObject::connect(&box, &TrueSpinBox::ButtonReleased, [&](int v) { seen << v; });
    QObject::connect(&dbl, &TrueSpinBoxDbl::ButtonReleased, [&](double v) { seen << v; });
    box.setValue(5);
    dbl.setValue(2.5);
    box.setReleaseSuppressed(true);
    dbl.setReleaseSuppressed(true);
    box.setValue(7);
    dbl.setValue(3.5);
    EXPECT_EQ(seen, (QList<double>{5, 2.5}));
    EXPECT_EQ(box.value(), 7);
}
