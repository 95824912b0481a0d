// The style's own control elements: the handle panel, the popup frame, the
// colour swatch button and the page-tab button.
#include "style/ControlDrawing.h"

#include "style/NuvraStyle.h"
#include "style/Palette.h"
#include "style/StyleHelpers.h"
#include "style/StyleManager.h"
#include "style/StyleOptions.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOption>
#include <QWidget>

#include <cmath>

namespace Nuvra {
namespace Style {
namespace Control {

namespace {

const QPalette& paletteOf(const QStyleOption* opt, const QWidget* w)
{
    return w ? w->palette() : opt->palette;
}

void drawHandlePanel(const NuvraStyle* style, const QStyleOption* opt, QPainter* p, const QWidget* w)
{
    {
        const PainterIsolation isolation(p);
        p->fillRect(opt->rect, opt->palette.color(QPalette::Active, QPalette::Window));
    }
    const auto* panel = qstyleoption_cast<const StyleOptionHandlePanel*>(opt);
    if (!panel || !panel->handle)
        return;
    const QRect handle = style->subElementRect(QStyle::SE_ToolBarHandle, opt, w);
    if (!handle.isValid())
        return;
    // The grip gets its own rectangle on a copy; the caller's option stays.
    StyleOptionHandlePanel copy(*panel);
    copy.version = StyleOptionHandlePanel::Version;
    copy.rect = handle;
    // A variant's grip may leave its pen behind; this element does not.
    const PainterIsolation isolation(p);
    style->drawPrimitive(QStyle::PE_IndicatorToolBarHandle, &copy, p, w);
}

void drawPopupFrame(const QStyleOption* opt, QPainter* p, const QWidget* w)
{
    if (!w)
        return;
    const PainterIsolation isolation(p, true);
    if (qstyleoption_cast<const QStyleOptionFrame*>(opt))
        QApplication::style()->drawPrimitive(QStyle::PE_FrameMenu, opt, p, w);
    QPainterPath path;
    path.addRect(QRectF(0, 0, w->width() - 1, w->height() - 1));
    p->fillPath(path, Skin::getColor(Skin::WindowBase, QColor(Qt::black)));
    p->strokePath(path, QPen(Skin::getColor(Skin::ComboBoxFrameColor, QColor(Qt::black))));
}

void drawSwatch(const StyleOptionSwatch* opt, QPainter* p, const QWidget* w)
{
    const PainterIsolation isolation(p, true);
    const double styleScale = StyleManager::StyleScale();
    const int pw = static_cast<int>(std::round(styleScale));
    const double h = pw / 2.0;
    const bool enabled = w ? w->isEnabled() : bool(opt->state & QStyle::State_Enabled);
    const QRectF swatch(opt->swatchRect);
    const auto inset = [&](double d) { return swatch.adjusted(d, d, -d, -d); };
    QBrush fill = paletteOf(opt, w).brush(QPalette::Window);
    if (enabled && opt->hasColour)
        fill = QBrush(opt->colour);
    else if (enabled)
        fill = opt->square && !opt->pattern.isNull() ? QBrush(opt->pattern) : QBrush(Qt::gray, Qt::DiagCrossPattern);

    if (!opt->square) {
        const double radius = 4 * styleScale;
        p->setRenderHint(QPainter::Antialiasing, true);
        p->setPen(QPen(QBrush(enabled ? Qt::black : Qt::gray), pw, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        p->setBrush(Qt::NoBrush);
        p->drawRoundedRect(inset(h), radius, radius);
        p->setBrush(fill);
        p->drawRoundedRect(inset(h + 2), radius, radius);
        p->setRenderHint(QPainter::Antialiasing, false);
    } else {
        p->setBrush(fill);
        p->setPen(QPen(opt->palette.color(QPalette::Active, QPalette::Mid), pw));
        p->drawRect(inset(h + pw));
        p->setBrush(Qt::NoBrush);
        p->setPen(QPen(opt->palette.color(QPalette::Active, QPalette::Midlight), pw));
        p->drawRect(inset(h));
    }

    if (opt->selected) {
        const int q = 2 * pw;
        const QRect& r = opt->swatchRect;
        const QRect frame(QPoint(r.left() + q, r.top() + q), QPoint(r.right() - q - 1, r.bottom() - q - 1));
        p->setBrush(Qt::NoBrush);
        p->setPen(Qt::white);
        p->drawRect(frame);
        QPen dashed = opt->framePen;
        dashed.setDashOffset(opt->dashOffset);
        p->setPen(dashed);
        p->drawRect(frame);
    }
}

void drawPageTab(const NuvraStyle* style, const StyleOptionPageTab* opt, QPainter* p, const QWidget* w)
{
    const PainterIsolation isolation(p, true);
    const QPalette& pal = paletteOf(opt, w);
    p->fillRect(opt->rect, pal.color(QPalette::Window));
    const QColor line = style->extendedPalette()->getColor(Skin::TabLineHighlight, opt->palette.color(QPalette::Dark));
    const int right = opt->rect.width() - 1;
    const int bottom = opt->rect.height() - 1;
    p->translate(opt->rect.topLeft());
    if (opt->selected) {
        p->setPen(line);
        const QPoint outline[] = {{1, bottom}, {1, 0}, {right - 1, 0}, {right - 1, bottom}};
        p->drawPolyline(outline, 4);
        p->drawLine(0, bottom, 1, bottom);
        p->drawLine(right - 1, bottom, right, bottom);
    } else {
        if (opt->hovered) {
            p->setPen(QPen(Qt::gray, 0, Qt::DashLine));
            const QPoint outline[] = {{1, bottom}, {1, 1}, {right - 1, 1}, {right - 1, bottom}};
            p->drawPolyline(outline, 4);
        }
        p->setPen(line);
        p->drawLine(0, bottom, right + 1, bottom);
    }
    p->translate(-opt->rect.topLeft());
    QApplication::style()->drawItemText(p, opt->rect, Qt::AlignCenter, pal, opt->textEnabled, opt->label,
                                        QPalette::ButtonText);
}

} // namespace

bool drawCustom(const NuvraStyle* style, QStyle::ControlElement element, const QStyleOption* opt, QPainter* p,
                const QWidget* w)
{
    switch (static_cast<unsigned>(element)) {
    case CE_HandlePanel:
        drawHandlePanel(style, opt, p, w);
        return true;
    case CE_PopupFrame:
        drawPopupFrame(opt, p, w);
        return true;
    case CE_SwatchButton:
        if (const auto* swatch = qstyleoption_cast<const StyleOptionSwatch*>(opt))
            drawSwatch(swatch, p, w);
        return true;
    case CE_PageTabButton:
        if (const auto* tab = qstyleoption_cast<const StyleOptionPageTab*>(opt))
            drawPageTab(style, tab, p, w);
        return true;
    default:
        return false;
    }
}

} // namespace Control
} // namespace Style
} // namespace Nuvra
