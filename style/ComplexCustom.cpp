// The style's own complex controls, which application widgets ask for with
// an option of the style's own classes (ComplexStyleOptions.h).
#include "style/ComplexDrawing.h"

#include "style/ComplexStyleOptions.h"
#include "style/NuvraStyle.h"
#include "style/Palette.h"
#include "style/StyleHelpers.h"

#include <QPainter>
#include <QStyleOption>
#include <QWidget>

#include <algorithm>
#include <cstdint>

namespace Nuvra {
namespace Style {
namespace Complex {

namespace {

void drawIconButton(const QStyleOptionComplex* opt, QPainter* p)
{
    const auto* own = qstyleoption_cast<const StyleOptionIconButton*>(opt);
    if (!own || own->icon.isNull())
        return;
    QIcon::Mode mode = QIcon::Normal;
    if (!(opt->state & QStyle::State_Enabled))
        mode = QIcon::Disabled;
    else if (own->selected)
        mode = QIcon::Selected;
    else if (opt->state & QStyle::State_MouseOver)
        mode = QIcon::Active;
    own->icon.paint(p, opt->rect, Qt::AlignCenter, mode, own->on ? QIcon::On : QIcon::Off);
}

void drawDockFrame(const QStyleOptionComplex* opt, QPainter* p)
{
    const auto* own = qstyleoption_cast<const StyleOptionDockFrame*>(opt);
    if (!own)
        return;
    p->setPen(opt->palette.color(QPalette::Active, QPalette::Midlight));
    const int w = opt->rect.right();
    const int h = opt->rect.bottom();
    const bool sideArea = own->area == Qt::LeftDockWidgetArea || own->area == Qt::RightDockWidgetArea;
    const bool endArea = own->area == Qt::TopDockWidgetArea || own->area == Qt::BottomDockWidgetArea;
    if (sideArea) {
        p->drawLine(0, 0, w, 0);
        p->drawLine(0, h, w, h);
        if (own->leftMargin > 0)
            p->drawLine(0, 0, 0, h);
        if (own->rightMargin > 0)
            p->drawLine(w, 0, w, h);
        return;
    }
    p->drawLine(0, 0, 0, h);
    p->drawLine(w, 0, w, h);
    if (endArea && own->topMargin > 0)
        p->drawLine(0, 0, w, 0);
    if (endArea && own->bottomMargin > 0)
        p->drawLine(0, h, w, h);
}

void drawInnerFrame(const QStyleOptionComplex* opt, QPainter* p)
{
    const QRect& r = opt->rect;
    p->setPen(opt->palette.color(QPalette::Active, QPalette::Midlight));
    p->setBrush(Qt::NoBrush);
    p->drawRect(corners(held(r.left() + std::int64_t(1)), held(r.top() + std::int64_t(1)),
                        held(r.right() - std::int64_t(2)), held(r.bottom() - std::int64_t(2))));
}

void drawPanelHeader(const QStyleOptionComplex* opt, QPainter* p)
{
    const auto* own = qstyleoption_cast<const StyleOptionPanelHeader*>(opt);
    if (!own)
        return;
    const QPalette& pal = opt->palette;
    const int right = opt->rect.right();
    const std::int64_t width = std::int64_t(opt->rect.right()) - opt->rect.left();
    const std::int64_t h = own->headerHeight;
    const QColor midlight = pal.color(QPalette::Active, QPalette::Midlight);
    p->setPen(midlight);
    p->drawLine(0, 0, right, 0);
    p->fillRect(corners(0, 1, held(width), held(h - 2)),
                own->coloured ? own->colour : pal.color(QPalette::Active, QPalette::Window));
    p->setPen(Skin::getColor(Skin::TabLineHighlight, pal.color(QPalette::Dark)));
    p->drawLine(0, held(h - 2), right, held(h - 2));
    if (!own->noBottomLine) {
        p->setPen(midlight);
        p->drawLine(0, held(h - 1), right, held(h - 1));
    }
    if (own->bold == 1) {
        QFont font = p->font();
        font.setBold(true);
        p->setFont(font);
        p->setPen(pal.color(QPalette::WindowText));
        p->drawText(corners(11, -1, held(width - 10), held(h - 2)), Qt::AlignLeft | Qt::AlignVCenter, own->title);
    }
}

// Swatches at the style's custom sub-element rectangles: behind, in front,
// and the two small squares of the swap and reset marks.
void drawColorPair(const NuvraStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                   const QWidget* w)
{
    const auto* own = qstyleoption_cast<const StyleOptionColorPair*>(opt);
    if (!own)
        return;
    const int base = cc == CC_ColorPair ? 0 : 5;
    const auto rect = [&](int n) {
        return style->subElementRect(QStyle::SubElement(QStyle::SE_CustomBase + base + n), opt, w);
    };
    const auto box = [](const QRect& r) { return r.adjusted(0, 0, -1, -1); };
    p->setBrush(Qt::NoBrush);

    const QRect back = rect(2);
    p->fillRect(back, own->second);
    p->drawRect(box(back)); // in the caller's pen
    p->setPen(Skin::getColor(Skin::WindowBase, Qt::black));
    p->drawRect(box(back.adjusted(1, 1, -1, -1)));

    const QRect front = rect(1);
    QPen black(Qt::black);
    black.setCosmetic(true);
    p->setPen(black);
    p->drawRect(box(front.adjusted(-1, -1, 1, 1)));
    p->fillRect(front, own->first);
    p->setPen(Qt::white);
    p->drawRect(box(front));

    const QRect light = rect(4);
    p->fillRect(light, Qt::white);
    p->setPen(Qt::black);
    p->drawRect(box(light));

    const QRect dark = rect(3);
    p->fillRect(dark, Qt::black);
    p->setPen(Qt::white);
    p->drawRect(box(dark));
}

void drawComponentSlider(const NuvraStyle* style, const QStyleOptionComplex* opt, QPainter* p, const QWidget* w)
{
    const auto* own = qstyleoption_cast<const StyleOptionComponentSlider*>(opt);
    if (!own)
        return;
    const double s = style->styleScale();
    const int t = style->pixelMetric(QStyle::PM_SliderControlThickness, opt, w);
    const QRect c = w ? w->contentsRect() : opt->rect;
    const std::int64_t k = own->inset;
    const std::int64_t top = (std::int64_t(c.bottom()) - t - c.top() + 1) / 2;
    const std::int64_t left = c.left() + k;
    const std::int64_t right = c.right() - k;
    const std::int64_t bottom = top + t - 1;
    p->fillRect(corners(held(left), held(top), held(right), held(bottom)), own->gradient);
    p->setPen(Qt::darkGray);
    p->setBrush(Qt::NoBrush);
    p->drawRect(corners(held(left - 1), held(top - 1), held(right - 1), held(bottom - 1)));

    // A pointer under the bar at the handle position.
    const std::int64_t x = own->handlePosition;
    const std::int64_t y = bottom + 1;
    const std::int64_t a = std::max(1, static_cast<int>(5 * s));
    const QPoint pointer[] = {
        {held(x), held(y)}, {held(x + a), held(y + a)}, {held(x), held(y + 2 * a)}, {held(x - a), held(y + a)}};
    p->setRenderHint(QPainter::Antialiasing, true);
    p->setPen(QPen(Skin::getColor(Skin::RGBSliderHandleColor, Qt::black), 1.1));
    p->setBrush(Qt::white);
    p->drawPolygon(pointer, 4);
}

} // namespace

bool drawCustom(const NuvraStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                const QWidget* w)
{
    if (cc < CC_IconButton || cc > CC_ComponentSlider)
        return false;
    // Every one but the icon button needs a complex option of version 1 or later.
    if (cc != CC_IconButton && !qstyleoption_cast<const QStyleOptionComplex*>(opt))
        return true;
    const PainterIsolation isolation(p, true);
    if (cc == CC_IconButton)
        drawIconButton(opt, p);
    else if (cc == CC_DockSeparators)
        drawDockSeparators(opt, p);
    else if (cc == CC_DockFrame)
        drawDockFrame(opt, p);
    else if (cc == CC_InnerFrame)
        drawInnerFrame(opt, p);
    else if (cc == CC_PanelHeader)
        drawPanelHeader(opt, p);
    else if (cc == CC_ColorPair || cc == CC_ColorPairSmall)
        drawColorPair(style, cc, opt, p, w);
    else
        drawComponentSlider(style, opt, p, w);
    return true;
}

} // namespace Complex
} // namespace Style
} // namespace Nuvra
