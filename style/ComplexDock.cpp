// Separator lines of the main window's dock lines.
#include "style/ComplexDrawing.h"

#include "style/ComplexStyleOptions.h"
#include "style/docking/MainWindowItem.h"

#include <QPainter>
#include <QWidget>

namespace Nuvra {
namespace Style {
namespace Complex {

// Lines along a dock line's rectangle: the two long sides always, the ends
// where the widget keeps a margin there.
void drawDockSeparators(const QStyleOptionComplex* opt, QPainter* p)
{
    const auto* own = qstyleoption_cast<const StyleOptionDockLines*>(opt);
    if (!own)
        return;
    p->setPen(opt->palette.color(QPalette::Active, QPalette::Midlight));
    const auto drawList = [p](const QList<QLayoutItem*>& items, bool horizontalLine) {
        // Each list is read within its own length: the lines need not be
        // of the same length.
        for (QLayoutItem* item : items) {
            auto* line = dynamic_cast<GUI::MainWindowItem*>(item);
            if (!line || line->isEmpty())
                continue;
            const QRect r = line->lineDockRect();
            const QMargins m = line->widget() ? line->widget()->contentsMargins() : QMargins();
            const int l = r.left(), t = r.top(), rt = r.right(), b = r.bottom();
            if (horizontalLine) {
                p->drawLine(l, t, rt, t);
                p->drawLine(l, b, rt, b);
                if (m.left() > 0)
                    p->drawLine(l, t, l, b);
                if (m.right() > 0)
                    p->drawLine(rt, t, rt, b);
            } else {
                p->drawLine(l, t, l, b);
                p->drawLine(rt, t, rt, b);
                if (m.top() > 0)
                    p->drawLine(l, t, rt, t);
                if (m.bottom() > 0)
                    p->drawLine(l, b, rt, b);
            }
        }
    };
    drawList(own->top, true);
    drawList(own->bottom, true);
    drawList(own->left, false);
    drawList(own->right, false);
}

} // namespace Complex
} // namespace Style
} // namespace Nuvra
