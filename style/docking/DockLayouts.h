#pragma once

#include <QLayout>
#include <QList>
#include <QWidgetItem>

class QAbstractButton;
class QScrollBar;
class QTabBar;
class QToolButton;

namespace Nuvra {
namespace GUI {

class DockPanel;
class DockPanelGroup;

// A column of panel groups with a vertical scroll bar when they do not fit.
class LineDockLayout : public QLayout {
    Q_OBJECT
public:
    explicit LineDockLayout(QWidget* parent);
    ~LineDockLayout() override;

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;
    Qt::Orientations expandingDirections() const override;

    QScrollBar* scrollBar() const { return m_scrollBar; }
    int scrollOffset() const { return m_offset; }
    // Whether the line holds a widget that is not hidden.
    bool hasContents() const;

signals:
    void FloatingDockAdjustSize();
    void scrollToWidget(const QWidget* widget);

public slots:
    void onValueChanged(int value);
    void onChildGroupTabChanged(int index);
    void onScrollToWidget(const QWidget* widget);
    void onShowScrollBar();
    void onScrollGroup();

private:
    class Item;
    QList<Item*> m_items;
    QScrollBar* m_scrollBar;
    int m_offset = 0;
};

// The tabs of a panel group over the current panel's contents, with the
// group's buttons beside the tabs.
class DockPanelGroupLayout : public QLayout {
    Q_OBJECT
public:
    explicit DockPanelGroupLayout(DockPanelGroup* group);
    ~DockPanelGroupLayout() override;

    // Panels join the group hidden, in the order they are added.
    void addPanel(DockPanel* panel);
    void removePanel(DockPanel* panel);

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    QSize maximumSize() const override;
    void setGeometry(const QRect& rect) override;

    void showTab(DockPanel* panel);
    void hideTab(DockPanel* panel);
    bool isHideAll() const;

    int currentIndex() const { return m_current; }
    DockPanel* currentPanel() const;
    // The panels with a tab, in tab order.
    QList<DockPanel*> visiblePanels() const;
    QList<DockPanel*> allPanels() const;
    QTabBar* tabBar() const { return m_tabBar; }
    QAbstractButton* expandButton() const;
    QWidget* menuButton() const;

signals:
    void currentChanged(int index);

public slots:
    void currentTabChanged(int index);
    void tabMoved(int from, int to);
    void onCloseTab(int index);
    void buttonCloseClick();
    void buttonMinimizeClick(bool checked);
    void buttonMenuClick();
    void buttonPinnedClick(bool checked);

private:
    class PanelItem;
    void updateTabBar();
    int headerHeight() const;

    DockPanelGroup* m_group;
    QList<PanelItem*> m_all;
    QList<PanelItem*> m_visible;
    QTabBar* m_tabBar;
    QToolButton* m_expand;
    QToolButton* m_menu;
    QToolButton* m_pin;
    QToolButton* m_close;
    int m_current = -1;
};

} // namespace GUI
} // namespace Nuvra
