#pragma once

#include <QColor>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QRect>
#include <QSharedPointer>
#include <QWidget>

// The docking framework's docks and the registry of drop targets that a
// dragged floating dock is offered to.

class QVariantAnimation;

namespace Nuvra {
namespace GUI {

Q_NAMESPACE

enum eDockType {
    DockTypeNone = 0x0,
    DockTypePanel = 0x1,   // a single panel
    DockTypeGroup = 0x2,   // a group of tabbed panels
    DockTypeLine = 0x4,    // a whole line of groups
};
Q_DECLARE_FLAGS(fDockType, eDockType)
Q_FLAG_NS(fDockType)

enum eDockArea {
    DockAreaNone = 0x0,
    DockAreaLeft = 0x1,
    DockAreaRight = 0x2,
    DockAreaTop = 0x4,
    DockAreaBottom = 0x8,
    DockAreaCenter = 0x10,
};
Q_DECLARE_FLAGS(fDockArea, eDockArea)
Q_FLAG_NS(fDockArea)

class BaseDock;
class FloatingDock;

// Where a dragged dock would land: the area and the drop zone in the target
// dock's coordinates.
struct DockOptions {
    fDockArea area;
    QRect zone;
};
using PDockOptions = QSharedPointer<DockOptions>;

// The drop target in force while a floating dock is dragged; empty when none.
class ActiveDock : public QSharedPointer<QPair<QPointer<BaseDock>, PDockOptions>> {
public:
    ActiveDock() = default;
    ActiveDock(BaseDock* dock, PDockOptions options);

    BaseDock* dock() const;
    PDockOptions options() const;
    // Shows the target's indicator over the drop zone.
    void update() const;
};

// What a dock shows over itself where a dragged dock would land.
class DockZoneIndicator : public QWidget {
    Q_OBJECT
public:
    explicit DockZoneIndicator(QWidget* parent);
    QRect area() const { return m_area; }
    void setArea(const QRect& area) { m_area = area; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect m_area;
};

// A widget that can take docks. Every dock enters the registry while it lives.
class BaseDock : public QWidget {
    Q_OBJECT
public:
    explicit BaseDock(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~BaseDock() override;

    DockZoneIndicator* indicator() const { return m_indicator; }

    void setAcceptedDockAreas(fDockArea areas) { m_areas = areas; }
    void setDockTypes(fDockType types) { m_types = types; }

    virtual bool acceptsDockArea(fDockArea area) const;
    virtual fDockType dockTypes() const;
    // The place the global point offers a dock of the area; empty when none.
    virtual PDockOptions dockOptionsAt(const QPoint& globalPos, fDockArea area,
                                       const FloatingDock* floatingDock) const;
    // Docks the dragged dock at the chosen place.
    virtual void takeDock(QObject* floatingDock, ActiveDock target);

private:
    DockZoneIndicator* m_indicator;
    fDockArea m_areas = DockAreaNone;
    fDockType m_types = DockTypeNone;
};

// A dock holding a scrollable column of panel groups.
class LineDock : public BaseDock {
    Q_OBJECT
public:
    explicit LineDock(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
};

// A line dock in a window of its own, dragged over the other docks.
class FloatingDock : public LineDock {
    Q_OBJECT
public:
    explicit FloatingDock(QWidget* parent = nullptr);

signals:
    void showDockZone(const QPoint& globalPos, fDockType dockType, fDockArea dockArea);
    void takeMe();

public slots:
    // Fits the height to the contents, within nine tenths of its screen.
    void adjustSize();
    void onParentStateChanged(Qt::WindowStates states);
};

// Tabbed panels, one shown at a time.
class DockPanelGroup : public BaseDock {
    Q_OBJECT
public:
    explicit DockPanelGroup(QWidget* parent = nullptr);
    ~DockPanelGroup() override;

    class DockPanelGroupLayout* panelLayout() const;
    QColor blinkColor() const { return m_blinkColor; }
    bool isBlinking() const { return !m_blink.isNull(); }
    // Draws attention to the tab strip: its colour runs from one colour to
    // the other over the duration.
    void blink(const QColor& from, const QColor& to, int msecs);

signals:
    void currentChanged(int index);
    void scrollGroup();
    void forcePushing();

public slots:
    void On_BlickColorFinished();
    void On_BlickColorChanged(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QVariantAnimation> m_blink;
    QColor m_blinkColor;
};

class NuvraMainWindow : public BaseDock {
    Q_OBJECT
public:
    explicit NuvraMainWindow(QWidget* parent = nullptr);

signals:
    void myStateChanged(Qt::WindowStates states);

protected:
    void changeEvent(QEvent* event) override;
};

// The registry of drop targets; one for the program.
class DockList : public QObject {
    Q_OBJECT
public:
    static DockList* instance();

    void registerDock(BaseDock* dock);
    void unregisterDock(BaseDock* dock);
    ActiveDock activeDock() const { return m_active; }

    // The first dock, line docks before groups before the rest, that takes
    // the dock type at the area and offers a place at the point; never the
    // dragged dock or a dock inside it.
    ActiveDock findDockPanel(const QPoint& globalPos, const FloatingDock* floatingDock, fDockType dockType,
                             fDockArea dockArea) const;

public slots:
    void comeToMe();
    void updateDockZone(const QPoint& globalPos, fDockType dockType, fDockArea dockArea);

private:
    void hideActive();

    QList<QPointer<BaseDock>> m_docks;
    ActiveDock m_active;
};

} // namespace GUI
} // namespace Nuvra

Q_DECLARE_OPERATORS_FOR_FLAGS(Nuvra::GUI::fDockType)
Q_DECLARE_OPERATORS_FOR_FLAGS(Nuvra::GUI::fDockArea)
