#pragma once

#include <QRect>
#include <QWidgetItem>

namespace Nuvra {
namespace GUI {

// A dock's item in the main window's layout. Besides the dock widget it keeps
// the rectangle of the dock line the dock sits on, along which the styles
// draw the dock separators.
class MainWindowItem : public QWidgetItem {
public:
    explicit MainWindowItem(QWidget* widget, const QRect& lineDockRect = QRect())
        : QWidgetItem(widget), m_lineDockRect(lineDockRect)
    {
    }

    QRect lineDockRect() const { return m_lineDockRect; }
    void setLineDockRect(const QRect& rect) { m_lineDockRect = rect; }

private:
    QRect m_lineDockRect;
};

} // namespace GUI
} // namespace Nuvra
