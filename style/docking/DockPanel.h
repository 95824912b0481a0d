#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>

class QAction;

namespace Nuvra {
namespace GUI {

class DockPanelGroup;

// One tab of a panel group: its contents, title, icon and menu, and whether
// it is shown.
class DockPanel : public QObject {
    Q_OBJECT
    friend class DockPanelGroupLayout;

public:
    // Joins the group, when there is one, hidden.
    DockPanel(QWidget* widget, const QString& title, DockPanelGroup* group, const QIcon& icon = QIcon(),
              QMenu* menu = nullptr);
    ~DockPanel() override;

    QWidget* widget() const { return m_widget; }
    QMenu* menu() const { return m_menu; }
    QIcon icon() const { return m_icon; }
    DockPanelGroup* group() const { return m_group; }
    QAction* toggleAction() const { return m_action; }
    bool isVisible() const { return m_visible; }
    bool isPinned() const { return m_pinned; }
    bool isExclusive() const { return m_exclusive; }
    bool keepsVisible() const { return m_keepVisible; }
    // An exclusive panel hides the other groups of its line while it is
    // shown; a keep-visible panel keeps its group shown all the same.
    void setExclusive(bool exclusive) { m_exclusive = exclusive; }
    void setKeepVisible(bool keep) { m_keepVisible = keep; }

    void show();
    void hide();

signals:
    void hidden_by_close();

public slots:
    void hide_by_close();
    void setVisible(bool visible);
    void setPinned(bool pinned);

private:
    bool groupVisible() const;

    QPointer<QWidget> m_widget;
    QPointer<QMenu> m_menu;
    QIcon m_icon;
    QPointer<DockPanelGroup> m_group;
    QAction* m_action;
    bool m_visible = false;
    bool m_pinned = false;
    bool m_exclusive = false;
    bool m_keepVisible = false;
};

} // namespace GUI
} // namespace Nuvra
