#include "style/docking/DockPanel.h"

#include "style/docking/DockLayouts.h"
#include "style/docking/Docking.h"

#include <QAction>
#include <QMenu>
#include <QSignalBlocker>

namespace Nuvra {
namespace GUI {

DockPanel::DockPanel(QWidget* widget, const QString& title, DockPanelGroup* group, const QIcon& icon, QMenu* menu)
    : QObject(group)
    , m_widget(widget)
    , m_menu(menu)
    , m_icon(icon)
    , m_group(group)
    , m_action(new QAction(icon, title, this))
{
    m_action->setCheckable(true);
    connect(m_action, &QAction::toggled, this, &DockPanel::setVisible);
    if (group && group->panelLayout())
        group->panelLayout()->addPanel(this);
}

DockPanel::~DockPanel()
{
    if (DockPanelGroupLayout* panels = m_group ? m_group->panelLayout() : nullptr)
        panels->removePanel(this);
}

bool DockPanel::groupVisible() const
{
    return m_group && m_group->isVisible();
}

void DockPanel::show()
{
    if (m_visible && (!m_group || groupVisible()))
        return;
    m_visible = true;
    {
        const QSignalBlocker blocker(m_action);
        m_action->setChecked(true);
    }
    // A panel outside any group has no tab to show.
    if (m_widget && m_group && m_group->panelLayout())
        m_group->panelLayout()->showTab(this);
}

void DockPanel::hide()
{
    if (!m_visible && (!m_group || !groupVisible()))
        return;
    m_visible = false;
    {
        const QSignalBlocker blocker(m_action);
        m_action->setChecked(false);
    }
    if (!m_group)
        return;
    m_group->On_BlickColorFinished();
    if (DockPanelGroupLayout* panels = m_group->panelLayout())
        panels->hideTab(this);
}

void DockPanel::setVisible(bool visible)
{
    if (m_visible == visible && (!m_group || groupVisible() == visible))
        return;
    if (visible)
        show();
    else
        hide();
}

void DockPanel::hide_by_close()
{
    setVisible(false);
    emit hidden_by_close();
}

void DockPanel::setPinned(bool pinned)
{
    m_pinned = pinned;
}

} // namespace GUI
} // namespace Nuvra
