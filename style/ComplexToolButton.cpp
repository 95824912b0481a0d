// Tool buttons of NuvraStyle: the scroll buttons of tab bars, the style's own
// button shapes, and QCommonStyle's button in the style's colours.
#include "style/ComplexDrawing.h"

#include "style/NuvraStyle.h"
#include "style/Palette.h"
#include "style/StyleHelpers.h"
#include "style/StyleProperties.h"

#include <QImage>
#include <QPainter>
#include <QStyleOption>
#include <QTabBar>
#include <QToolButton>

#include <cmath>
#include <utility>

namespace Nuvra {
namespace Style {
namespace Complex {

namespace {

int roundHalfUp(double v)
{
    return static_cast<int>(std::floor(v + 0.5));
}

void drawTabScrollButton(const NuvraStyle* style, const QStyleOption* opt, QPainter* p, Qt::ArrowType arrow,
                         const QWidget* w)
{
    const PainterIsolation isolation(p);
    const double s = style->styleScale();
    const QPalette& pal = opt->palette;
    QColor arrowColour = style->extendedPalette()->getColor(Skin::SliderArrow, pal.color(QPalette::BrightText));
    QColor fill = w->palette().color(QPalette::Window);
    if (!(opt->state & QStyle::State_Enabled)) {
        arrowColour = mergedColors(arrowColour, fill, 50);
    } else if (opt->state & QStyle::State_MouseOver) {
        const int factor = opt->state & (QStyle::State_Sunken | QStyle::State_On) ? 120 : 110;
        arrowColour = arrowColour.lighter(factor);
        fill = fill.lighter(factor);
    }
    // The longer side loses two pixels, the shorter one.
    QRect r = opt->rect;
    if (r.width() >= r.height())
        r.adjust(0, 0, -2, -1);
    else
        r.adjust(0, 0, -1, -2);
    p->setPen(pal.color(QPalette::Active, QPalette::Midlight));
    p->setBrush(fill);
    p->drawRect(r);

    static const struct {
        Qt::ArrowType type;
        eArrowDirection direction;
    } directions[] = {{Qt::UpArrow, ArrowUp}, {Qt::DownArrow, ArrowDown}, {Qt::LeftArrow, ArrowLeft},
                      {Qt::RightArrow, ArrowRight}};
    for (const auto& d : directions) {
        if (d.type != arrow)
            continue;
        p->setPen(arrowColour);
        DrawArrow(p, r.center(), static_cast<int>(4 * s), static_cast<int>(2 * s), d.direction);
    }
}

// QCommonStyle's button with hovered text, and the menu arrow of bars, in the
// highlighted-text colour.
void drawCommonToolButton(const NuvraStyle* style, const QStyleOptionToolButton* opt, QPainter* p, const QWidget* w)
{
    QStyleOptionToolButton copy(*opt);
    copy.version = QStyleOptionToolButton::Version;
    if (opt->state & QStyle::State_Enabled) {
        const bool hovered = opt->state & QStyle::State_MouseOver;
        const QBrush highlighted = opt->palette.brush(QPalette::HighlightedText);
        if (hovered)
            copy.palette.setBrush(QPalette::All, QPalette::ButtonText, highlighted);
        const QString parentShape = shapeOf(w ? w->parentWidget() : nullptr);
        if ((opt->features & QStyleOptionToolButton::HasMenu) &&
            (parentShape == QLatin1String(nuvraShapeTopBar) ||
             (parentShape == QLatin1String(nuvraShapeToolBar) && hovered)))
            copy.palette.setBrush(QPalette::All, QPalette::Dark, highlighted);
    }
    // QCommonStyle leaves its label's font and pen on the painter.
    const PainterIsolation isolation(p, true);
    style->QCommonStyle::drawComplexControl(QStyle::CC_ToolButton, &copy, p, w);
}

void drawGlow(const NuvraStyle* style, const QStyleOptionToolButton* opt, QPainter* p, int alignment, int o)
{
    const QRect& r = opt->rect;
    const int g = roundHalfUp(5 * style->styleScale());
    QImage text(r.width() + 2 * g, r.height() + 2 * g, QImage::Format_ARGB32);
    text.fill(0);
    {
        QPainter tp(&text);
        tp.setFont(opt->font);
        style->drawItemText(&tp, r.translated(-r.topLeft()).translated(g, g - o), alignment, opt->palette, true,
                            opt->text, QPalette::ButtonText);
    }
    p->drawImage(QPoint(r.left() - g, r.top() - g), glowAround(std::move(text), g, opt->palette.color(QPalette::BrightText)));
}

bool isOwnShape(const QString& shape)
{
    return shape == QLatin1String(nuvraShapeNone) || shape == QLatin1String(nuvraShapeTool) ||
           shape == QLatin1String(nuvraShapeToolBtn) || shape == QLatin1String(nuvraShapeAbout);
}

void drawOwnToolButton(const NuvraStyle* style, const QStyleOptionToolButton* opt, QPainter* p, const QWidget* w,
                       const QString& shape)
{
    const double s = style->styleScale();
    const QRect& r = opt->rect;
    const bool hovered = opt->state & QStyle::State_MouseOver;
    const bool enabled = opt->state & QStyle::State_Enabled;
    const int o = roundHalfUp(1.4 * s);
    const bool none = shape == QLatin1String(nuvraShapeNone);
    const bool about = shape == QLatin1String(nuvraShapeAbout);
    const bool toolType = shape == QLatin1String(nuvraShapeTool);

    // Panel.
    const bool bare = !opt->icon.actualSize(QSize(512, 512), QIcon::Normal, QIcon::Off).isValid() && opt->text.isEmpty();
    if (!none && !about) {
        style->drawPrimitive(QStyle::PE_PanelButtonTool, opt, p, w);
    } else if (bare) {
        style->drawPrimitive(QStyle::PE_PanelButtonTool, opt, p, w);
    } else if (w->autoFillBackground()) {
        p->fillRect(r, w->palette().brush(QPalette::Window));
    }

    // Icon.
    if (opt->toolButtonStyle != Qt::ToolButtonTextOnly && !opt->icon.isNull()) {
        QIcon::Mode mode = QIcon::Normal;
        if (!enabled)
            mode = QIcon::Disabled;
        else if (hovered || (toolType && (opt->state & QStyle::State_On)))
            mode = opt->state & QStyle::State_Sunken ? QIcon::Selected : QIcon::Active;
        opt->icon.paint(p, r, Qt::AlignCenter, mode, opt->state & QStyle::State_On ? QIcon::On : QIcon::Off);
    }

    // Text.
    if (opt->toolButtonStyle != Qt::ToolButtonIconOnly && !opt->text.isEmpty()) {
        if (about) {
            QPalette white(opt->palette);
            white.setBrush(QPalette::All, QPalette::ButtonText, QBrush(Qt::white));
            const QRect box(r.topLeft(), QPoint(r.right(), r.bottom() - static_cast<int>(10 * s)));
            style->drawItemText(p, box, Qt::AlignHCenter | Qt::AlignBottom, white, enabled, opt->text,
                                QPalette::ButtonText);
        } else if (none && opt->toolButtonStyle == Qt::ToolButtonTextOnly) {
            int alignment = Qt::AlignCenter;
            if (w->sizePolicy().verticalPolicy() == QSizePolicy::Preferred)
                alignment = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
            if (enabled && hovered)
                drawGlow(style, opt, p, alignment, o);
            style->drawItemText(p, r.translated(0, -o), alignment, opt->palette, enabled, opt->text,
                                QPalette::ButtonText);
        } else {
            const int alignment = opt->toolButtonStyle == Qt::ToolButtonTextUnderIcon ? Qt::AlignBottom : Qt::AlignCenter;
            style->drawItemText(p, r, alignment, opt->palette, enabled, opt->text, QPalette::ButtonText);
        }
    }

    // Menu indicator.
    if (!(opt->features & QStyleOptionToolButton::HasMenu))
        return;
    QStyle::State flags = opt->state;
    if ((flags & QStyle::State_AutoRaise) && !(flags & QStyle::State_MouseOver))
        flags &= ~QStyle::State_Raised;
    if (opt->subControls & QStyle::SC_ToolButtonMenu) {
        QStyleOption menu(0, QStyleOption::SO_Default);
        menu.palette = opt->palette;
        menu.direction = opt->direction;
        menu.rect = style->subControlRect(QStyle::CC_ToolButton, opt, QStyle::SC_ToolButtonMenu, w);
        menu.state = flags;
        if (opt->activeSubControls & QStyle::SC_ToolButtonMenu)
            menu.state |= QStyle::State_Sunken;
        if (menu.state & (QStyle::State_Raised | QStyle::State_Sunken | QStyle::State_On))
            style->drawPrimitive(QStyle::PE_PanelButtonTool, &menu, p, w);
        menu.rect.adjust(1, 1, 0, -1);
        style->drawPrimitive(QStyle::PE_IndicatorArrowDown, &menu, p, w);
    } else if (!none) {
        const int n = style->pixelMetric(QStyle::PM_MenuButtonIndicator, opt, w) - static_cast<int>(6 * s);
        if (n <= 0)
            return;
        QStyleOptionToolButton corner(*opt);
        corner.version = QStyleOptionToolButton::Version;
        corner.rect = QRect(r.right() + 1 - n, r.height() - n, n, n);
        style->drawPrimitive(QStyle::PE_IndicatorArrowDown, &corner, p, w);
    }
}

} // namespace

void drawToolButton(const NuvraStyle* style, const QStyleOptionComplex* opt, QPainter* p, const QWidget* w)
{
    if (const auto* button = qobject_cast<const QToolButton*>(w)) {
        if (qobject_cast<const QTabBar*>(button->parentWidget()) && button->arrowType() != Qt::NoArrow) {
            drawTabScrollButton(style, opt, p, button->arrowType(), w);
            return;
        }
    }
    const auto* tool = qstyleoption_cast<const QStyleOptionToolButton*>(opt);
    if (!tool)
        return;
    // The style's own shapes read the widget; without one, QCommonStyle's
    // button, which reads only the option.
    const QString shape = shapeOf(w);
    if (w && isOwnShape(shape)) {
        drawOwnToolButton(style, tool, p, w, shape);
        return;
    }
    drawCommonToolButton(style, tool, p, w);
}

} // namespace Complex
} // namespace Style
} // namespace Nuvra
