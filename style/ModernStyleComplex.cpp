// Complex controls of the flat style; NuvraStyle paints the others (group
// boxes, title bars, dials, the icon button).
#include "style/ModernStyle.h"

#include "style/ComplexDrawing.h"
#include "style/ComplexStyleOptions.h"
#include "style/Palette.h"
#include "style/StyleHelpers.h"
#include "style/StyleManager.h"
#include "style/StyleProperties.h"
#include "style/docking/MainWindowItem.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOption>
#include <QTabBar>
#include <QToolButton>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

namespace Nuvra {
namespace Style {

namespace {

QString componentPath(const char* file)
{
    const QStyle* current = QApplication::style();
    return QStringLiteral(":/Styles/") + (current ? current->objectName() : QString()) +
           QStringLiteral("/components/") + QLatin1String(file);
}

bool isOwnShape(const QString& shape)
{
    return shape == QLatin1String(nuvraShapeNone) || shape == QLatin1String(nuvraShapeTool) ||
           shape == QLatin1String(nuvraShapeToolBtn) || shape == QLatin1String(nuvraShapeAbout);
}

} // namespace

void ModernStyle::drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                                     const QWidget* w) const
{
    if (!opt || !p)
        return;
    const QPalette& pal = opt->palette;
    const QRect& r = opt->rect;
    const auto ext = [this](Skin::ColorId id, const QColor& fallback = QColor(Qt::black)) {
        return extendedPalette()->getColor(id, fallback);
    };
    const bool antialiased = p->testRenderHint(QPainter::Antialiasing);

    switch (static_cast<unsigned>(cc)) {
    case CC_SpinBox: {
        if (!qstyleoption_cast<const QStyleOptionSpinBox*>(opt))
            return;
        const PainterIsolation keep(p);
        const int lw = qRound(dpiScaled(1));
        p->setRenderHint(QPainter::Antialiasing, true);
        p->setPen(QPen(QBrush(ext(Skin::SpinBoxFrameColor)), lw, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        p->setBrush(ext(Skin::SpinBoxBackgroundColor));
        p->drawRoundedRect(QRectF(r.left() + lw / 2.0, r.top() + lw / 2.0, r.width() - lw, r.height() - lw),
                           dpiScaled(4), dpiScaled(4));
        p->setRenderHint(QPainter::Antialiasing, antialiased);
        return;
    }
    case CC_ComboBox: {
        const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(opt);
        if (!combo)
            return;
        const PainterIsolation keep(p);
        const bool enabled = opt->state & State_Enabled;
        const bool editable = enabled && combo->editable;
        const bool active = enabled && (opt->state & (State_MouseOver | State_On | State_Sunken));
        const bool focused = enabled && (opt->state & State_HasFocus);
        if (editable && (active || focused))
            p->setBrush(ext(Skin::SpinBoxBackgroundColor));
        else if (!editable && active)
            p->setBrush(ext(Skin::ActiveTabHeaderColor));
        else
            p->setBrush(pal.brush(QPalette::Window));
        const QRect frame = subControlRect(CC_ComboBox, opt, SC_ComboBoxFrame, w);
        const int lw = qRound(dpiScaled(1));
        p->setRenderHint(QPainter::Antialiasing, true);
        p->setPen(QPen(ext(Skin::ComboBoxFrameColor), lw));
        p->drawRoundedRect(QRectF(frame).adjusted(lw / 2.0, lw / 2.0, -lw / 2.0, -lw / 2.0), dpiScaled(4),
                           dpiScaled(4));
        p->setRenderHint(QPainter::Antialiasing, false);
        const QRect arrow = subControlRect(CC_ComboBox, opt, SC_ComboBoxArrow, w);
        PrintPixmapFromCache(p, componentPath(active && !editable ? "arrow_down-checked.svg" : "arrow_down-normal.svg"),
                             QPointF(arrow.left() + arrow.width() / 2.0 - dpiScaled(3),
                                     arrow.top() + arrow.height() / 2.0 + dpiScaled(1)));
        p->setRenderHint(QPainter::Antialiasing, antialiased);
        return;
    }
    case CC_ScrollBar: {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(opt);
        if (!bar)
            return;
        const PainterIsolation keep(p);
        p->setPen(pal.color(QPalette::Active, QPalette::Midlight));
        p->setBrush(pal.brush(QPalette::Window));
        p->setClipRect(r, Qt::IntersectClip);
        p->fillRect(r, pal.brush(QPalette::Window));
        if (bar->orientation == Qt::Horizontal) {
            p->drawLine(r.topLeft(), r.topRight());
            if (!flagOf(parentOf(parentOf(w)), "noDownBorder"))
                p->drawLine(r.bottomLeft(), r.bottomRight());
        } else if (!isListScrollBar(w)) {
            if (!flagOf(parentOf(w), "noScrollLeftBorder"))
                p->drawLine(r.topLeft(), r.bottomLeft());
            if (flagOf(w, "LineDockScrollBarRightBorder"))
                p->drawLine(r.topRight(), r.bottomRight());
        }
        QStyleOptionSlider copy(*bar);
        copy.version = QStyleOptionSlider::Version;
        if (copy.minimum == copy.maximum)
            copy.state &= ~State_Enabled;
        if (bar->subControls & SC_ScrollBarSlider) {
            const QRect slider = subControlRect(CC_ScrollBar, &copy, SC_ScrollBarSlider, w);
            if (slider.isValid()) {
                if (!(bar->activeSubControls & SC_ScrollBarSlider))
                    copy.state &= ~(State_Sunken | State_MouseOver);
                copy.rect = slider;
                proxy()->drawControl(CE_ScrollBarSlider, &copy, p, w);
            }
        }
        return;
    }
    case CC_Slider: {
        const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(opt);
        if (!slider)
            return;
        const PainterIsolation keep(p);
        const int t = static_cast<int>(dpiScaled(3));
        const bool horizontal = slider->orientation == Qt::Horizontal;
        const QRect groove = subControlRect(CC_Slider, opt, SC_SliderGroove, w);
        const QRect handle =
            (slider->subControls & SC_SliderHandle) ? subControlRect(CC_Slider, opt, SC_SliderHandle, w) : QRect();
        p->setRenderHint(QPainter::Antialiasing, true);
        if (slider->subControls & SC_SliderGroove) {
            const int across = (pixelMetric(PM_SliderThickness, opt, w) - t) / 2;
            const QColor left = ext(Skin::SliderLeftColor);
            const QColor rest = ext(Skin::WindowBase).darker(120);
            // The track on both sides of the handle, held to the groove; the
            // colour runs from the minimum's end, which upsideDown puts at
            // the right or, as vertical sliders have it, at the bottom.
            if (horizontal) {
                const int top = groove.top() + across;
                if (!slider->upsideDown) {
                    const int split = handle.isValid() ? handle.left() : groove.left();
                    p->fillRect(corners(groove.left(), top, split - 1, top + t - 1), left);
                    p->fillRect(corners(split, top, groove.right(), top + t - 1), rest);
                } else {
                    const int split = handle.isValid() ? handle.right() : groove.right();
                    p->fillRect(corners(split + 1, top, groove.right(), top + t - 1), left);
                    p->fillRect(corners(groove.left(), top, split, top + t - 1), rest);
                }
            } else {
                const int x = groove.left() + across;
                if (!slider->upsideDown) {
                    const int split = handle.isValid() ? handle.top() : groove.top();
                    p->fillRect(corners(x, groove.top(), x + t - 1, split - 1), left);
                    p->fillRect(corners(x, split, x + t - 1, groove.bottom()), rest);
                } else {
                    const int split = handle.isValid() ? handle.bottom() : groove.bottom();
                    p->fillRect(corners(x, split + 1, x + t - 1, groove.bottom()), left);
                    p->fillRect(corners(x, groove.top(), x + t - 1, split), rest);
                }
            }
        }
        if (handle.isValid()) {
            if (opt->state & State_Enabled) {
                p->setBrush(ext(Skin::SliderHandleColor));
                p->setPen(ext(Skin::SliderHandleFrameColor).lighter(120));
            } else {
                p->setBrush(ext(Skin::SliderDisableHandleColor));
                p->setPen(ext(Skin::SliderDisableHandleFrameColor));
            }
            p->drawEllipse(handle);
        }
        p->setRenderHint(QPainter::Antialiasing, antialiased);
        return;
    }
    case CC_ToolButton:
        drawToolButtonModern(opt, p, w);
        return;
    case CC_DockSeparators:
        drawDockSeparatorsModern(opt, p);
        return;
    case CC_DockFrame: {
        const auto* frame = qstyleoption_cast<const StyleOptionDockFrame*>(opt);
        if (!frame)
            return;
        p->setPen(pal.color(QPalette::Active, QPalette::Midlight));
        const int right = r.right();
        const int h = r.bottom();
        switch (frame->area) {
        case Qt::LeftDockWidgetArea:
        case Qt::RightDockWidgetArea:
            p->drawLine(0, h, right, h);
            if (frame->leftMargin > 0)
                p->drawLine(0, 0, 0, h);
            if (frame->rightMargin > 0)
                p->drawLine(right, 0, right, h);
            if (frame->lineRect.isValid())
                p->drawLine(frame->lineRect.bottomLeft(), frame->lineRect.bottomRight());
            break;
        case Qt::TopDockWidgetArea:
        case Qt::BottomDockWidgetArea:
            p->drawLine(0, -4, 0, h);
            p->drawLine(right, -4, right, h);
            if (frame->topMargin > 0)
                p->drawLine(0, 0, right, 0);
            if (frame->bottomMargin > 0)
                p->drawLine(0, h, right, h);
            break;
        default:
            p->drawLine(0, 0, 0, h);
            p->drawLine(right, 0, right, h);
            break;
        }
        return;
    }
    case CC_InnerFrame: {
        if (!qstyleoption_cast<const QStyleOptionComplex*>(opt) || opt->version < 1)
            return;
        p->setPen(pal.color(QPalette::Window));
        const int c = qRound(dpiScaled(7));
        const double W = float(r.width() - 1);
        const double H = float(r.height() - 1);
        QPainterPath path;
        path.moveTo(0, c);
        path.lineTo(c, 0);
        path.lineTo(W - c, 0);
        path.lineTo(W, c);
        path.lineTo(W, H - c);
        path.lineTo(W - c, H);
        path.lineTo(c, H);
        path.lineTo(0, H - c);
        path.lineTo(0, c);
        p->drawPath(path);
        return;
    }
    case CC_PanelHeader: {
        const auto* header = qstyleoption_cast<const StyleOptionPanelHeader*>(opt);
        if (!header)
            return;
        const int hh = header->headerHeight;
        const int width = held(std::int64_t(r.right()) - r.left());
        const QRect R = corners(0, 0, width, held(hh - std::int64_t(1)));
        const QColor fill = header->coloured ? header->colour : pal.color(QPalette::Active, QPalette::Window);
        if (header->roundedTop) {
            QRegion clip(corners(R.left(), R.top() + 2, R.right(), R.bottom()));
            clip += corners(R.left() + 1, R.top() + 1, held(R.right() - std::int64_t(1)), R.bottom());
            clip += corners(R.left() + 2, R.top(), held(R.right() - std::int64_t(2)), R.bottom());
            p->setClipRegion(clip);
        }
        p->fillRect(R, fill);
        p->setClipping(false);
        p->setPen(Skin::getColor(Skin::TabLineHighlight, pal.color(QPalette::Dark)));
        p->drawLine(0, held(hh - std::int64_t(2)), r.right(), held(hh - std::int64_t(2)));
        p->setPen(pal.color(QPalette::Active, QPalette::Midlight));
        if (!header->noBottomLine)
            p->drawLine(0, r.bottom(), r.right(), r.bottom());
        if (header->bold == 1) {
            QFont bold = p->font();
            bold.setWeight(QFont::Bold);
            p->setFont(bold);
            p->setPen(pal.color(QPalette::WindowText));
            p->drawText(corners(11, 0, held(std::int64_t(width) - 10), held(hh - std::int64_t(3))),
                        Qt::AlignLeft | Qt::AlignVCenter,
                        header->title);
        }
        return;
    }
    case CC_ColorPair:
    case CC_ColorPairSmall: {
        const auto* pair = qstyleoption_cast<const StyleOptionColorPair*>(opt);
        if (!pair)
            return;
        const bool big = cc == CC_ColorPair;
        const auto element = [&](int n) { return subElementRect(SubElement(SE_CustomBase + n), opt, w); };
        const QRect R1 = element(big ? 2 : 7);
        const QRect R2 = element(big ? 1 : 6);
        const QRect R3 = element(big ? 4 : 9);
        const QRect R4 = element(big ? 3 : 8);
        p->setRenderHint(QPainter::Antialiasing, true);
        QPainterPath back;
        back.addRoundedRect(QRectF(R1), 2, 2);
        p->fillPath(back, pair->second);
        p->strokePath(back, p->pen());
        p->setPen(Skin::getColor(Skin::WindowBase, QColor(Qt::black)));
        p->drawRoundedRect(QRectF(R1.left() + 1, R1.top() + 1, R1.width() - 2, R1.height() - 2), 2, 2);
        p->setPen(QPen(QBrush(Qt::black), 0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        p->drawRoundedRect(QRectF(R2.left() - 1, R2.top() - 1, R2.width() + 2, R2.height() + 2), 2, 2);
        p->setPen(Qt::white);
        QPainterPath front;
        front.addRoundedRect(QRectF(R2), 2, 2);
        p->fillPath(front, pair->first);
        p->strokePath(front, p->pen());
        p->setRenderHint(QPainter::Antialiasing, false);
        p->setPen(Qt::black);
        p->fillRect(R3, Qt::white);
        p->drawRect(R3);
        p->setPen(Qt::white);
        p->fillRect(R4, Qt::black);
        p->drawRect(R4);
        return;
    }
    case CC_ComponentSlider: {
        const auto* slider = qstyleoption_cast<const StyleOptionComponentSlider*>(opt);
        // The bar spans the widget's contents: nothing to draw without one.
        if (!slider || !w)
            return;
        const int t = pixelMetric(PM_SliderControlThickness, opt, w);
        const QRect c = w->contentsRect();
        // Inset and handle come from the caller and may be anything: the
        // sums are taken in 64 bits and held to the int range.
        const auto at = [](std::int64_t v) {
            return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
        };
        const std::int64_t k = slider->inset;
        const std::int64_t P = slider->handlePosition;
        p->fillRect(corners(at(c.left() + k), 1, at(c.right() - k), t / 2), slider->gradient);
        p->setPen(Qt::darkGray);
        p->drawRect(corners(at(c.left() + k - 1), 0, at(c.right() - k), t / 2));
        p->setPen(QPen(Skin::getColor(Skin::RGBSliderHandleColor, QColor(Qt::black)), 1.1));
        p->setBrush(Qt::white);
        const std::int64_t y0 = -static_cast<int>(StyleManager::StyleScale());
        const QPoint triangle[3] = {QPoint(at(P + k), at(y0 + 2 * k - 1)), QPoint(at(P), at(y0 + 3 * k + 2)),
                                    QPoint(at(P + 2 * k), at(y0 + 3 * k + 2))};
        p->setRenderHint(QPainter::Antialiasing, true);
        p->drawPolygon(triangle, 3, Qt::OddEvenFill);
        p->setRenderHint(QPainter::Antialiasing, false);
        return;
    }
    default:
        NuvraStyle::drawComplexControl(cc, opt, p, w);
        return;
    }
}

// Dock separators: for every dock of each dock line, lines where its widget
// keeps a margin. Each list is read within its own length.
void ModernStyle::drawDockSeparatorsModern(const QStyleOptionComplex* opt, QPainter* p) const
{
    const auto* own = qstyleoption_cast<const StyleOptionDockLines*>(opt);
    if (!own)
        return;
    p->setPen(opt->palette.color(QPalette::Active, QPalette::Midlight));
    const QList<QLayoutItem*>* lists[4] = {&own->top, &own->bottom, &own->left, &own->right};
    int longest = 0;
    for (const auto* list : lists)
        longest = std::max(longest, int(list->size()));
    for (int i = 0; i < longest; ++i) {
        for (int n = 0; n < 4; ++n) {
            if (i >= lists[n]->size())
                continue;
            auto* item = dynamic_cast<GUI::MainWindowItem*>(lists[n]->at(i));
            if (!item || item->isEmpty())
                continue;
            const QRect d = item->lineDockRect();
            const QMargins m = item->widget() ? item->widget()->contentsMargins() : QMargins();
            const int L = d.left(), T = d.top(), R = d.right(), B = d.bottom();
            if (n == 0) {
                if (m.left() > 0)
                    p->drawLine(L, T - 1, L, B);
                if (m.right() > 0)
                    p->drawLine(R, T - 1, R, B);
            } else if (n == 1) {
                if (m.left() > 0)
                    p->drawLine(L, T - 1, L, B - 1);
                if (m.right() > 0)
                    p->drawLine(R, T - 1, R, B + 1);
            } else {
                if (m.top() > 0)
                    p->drawLine(L, T, R, T);
                if (m.bottom() > 0)
                    p->drawLine(L, B, R, B);
            }
        }
    }
}

// --- tool buttons -----------------------------------------------------------------

void ModernStyle::drawToolButtonModern(const QStyleOptionComplex* opt, QPainter* p, const QWidget* w) const
{
    const QPalette& pal = opt->palette;
    const bool hovered = opt->state & State_MouseOver;
    const bool enabled = opt->state & State_Enabled;
    const auto ext = [this](Skin::ColorId id, const QColor& fallback) {
        return extendedPalette()->getColor(id, fallback);
    };

    // The scroll buttons of a tab bar: a framed cell with an arrow head.
    if (const auto* button = qobject_cast<const QToolButton*>(w)) {
        if (qobject_cast<const QTabBar*>(button->parentWidget()) && button->arrowType() != Qt::NoArrow) {
            const PainterIsolation keep(p);
            const QColor A = ext(Skin::SliderArrow, pal.color(QPalette::BrightText));
            const QColor B = ext(Skin::ButtonNormalColor, QColor(Qt::black));
            const int factor = (opt->state & (State_Sunken | State_On)) ? 120 : 110;
            QColor arrow = A;
            QColor back = B;
            if (!enabled) {
                arrow = mergedColors(A, B, 50);
            } else if (hovered) {
                arrow = A.lighter(factor);
                back = B.lighter(factor);
            }
            QRect r = opt->rect;
            // The longer side loses two pixels, the shorter one (a square
            // two in width).
            if (r.width() >= r.height())
                r.adjust(0, 0, -2, -1);
            else
                r.adjust(0, 0, -1, -2);
            p->setPen(pal.color(QPalette::Active, QPalette::Midlight));
            p->setBrush(back);
            p->drawRect(r);
            eArrowDirection direction = ArrowUp;
            switch (button->arrowType()) {
            case Qt::DownArrow:
                direction = ArrowDown;
                break;
            case Qt::LeftArrow:
                direction = ArrowLeft;
                break;
            case Qt::RightArrow:
                direction = ArrowRight;
                break;
            default:
                break;
            }
            p->setPen(arrow);
            DrawArrow(p, QPoint((r.left() + r.right()) / 2, (r.top() + r.bottom()) / 2),
                      static_cast<int>(dpiScaled(4)), static_cast<int>(dpiScaled(2)), direction);
            return;
        }
    }

    const auto* tool = qstyleoption_cast<const QStyleOptionToolButton*>(opt);
    if (!tool)
        return;
    const QString shape = shapeOf(w);
    if (!isOwnShape(shape)) {
        QStyleOptionToolButton copy(*tool);
        copy.version = QStyleOptionToolButton::Version;
        if (enabled) {
            const QBrush highlighted = pal.brush(QPalette::HighlightedText);
            if (hovered)
                copy.palette.setBrush(QPalette::All, QPalette::ButtonText, highlighted);
            const QString parentShape = shapeOf(parentOf(w));
            if ((tool->features & QStyleOptionToolButton::HasMenu) &&
                (parentShape == QLatin1String(nuvraShapeTopBar) ||
                 (parentShape == QLatin1String(nuvraShapeToolBar) && hovered)))
                copy.palette.setBrush(QPalette::All, QPalette::Dark, highlighted);
        }
        // QCommonStyle leaves its label's font and pen on the painter.
        const PainterIsolation keep(p, true);
        QCommonStyle::drawComplexControl(CC_ToolButton, &copy, p, w);
        return;
    }

    // The style's own shapes; a shape implies a widget.
    const PainterIsolation keep(p, true);
    const QRect& r = tool->rect;
    const bool none = shape == QLatin1String(nuvraShapeNone);
    const bool about = shape == QLatin1String(nuvraShapeAbout);
    const bool toolType = shape == QLatin1String(nuvraShapeTool);
    const int g = qRound(dpiScaled(5));

    const bool bare =
        !tool->icon.actualSize(QSize(512, 512), QIcon::Normal, QIcon::Off).isValid() && tool->text.isEmpty();
    if (toolType || shape == QLatin1String(nuvraShapeToolBtn) || bare)
        drawPrimitive(PE_PanelButtonTool, tool, p, w);
    else if (w->autoFillBackground())
        p->fillRect(r, w->palette().brush(QPalette::Window));

    const bool preferred = w->sizePolicy().verticalPolicy() == QSizePolicy::Preferred;
    const auto drawText = [&](bool noneAdjusted) {
        if (tool->text.isEmpty())
            return;
        if (about) {
            QPalette white(pal);
            white.setBrush(QPalette::All, QPalette::ButtonText, QBrush(Qt::white));
            drawItemText(p, corners(r.left(), r.top(), r.right(), r.bottom() - static_cast<int>(dpiScaled(10))),
                         Qt::AlignHCenter | Qt::AlignBottom, white, enabled, tool->text, QPalette::ButtonText);
            return;
        }
        QRect box = r;
        int alignment = tool->toolButtonStyle == Qt::ToolButtonTextUnderIcon ? int(Qt::AlignBottom)
                                                                             : int(Qt::AlignCenter);
        if (noneAdjusted) {
            box.setBottom(box.bottom() - (g + 1) / 2);
            if (preferred) {
                box.setLeft(box.left() + g);
                alignment = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
            }
        }
        drawItemText(p, box, alignment, pal, enabled, tool->text, QPalette::ButtonText);
    };

    if (tool->toolButtonStyle == Qt::ToolButtonTextOnly) {
        if (none && enabled && hovered && !r.isEmpty()) {
            QImage text(r.size(), QImage::Format_ARGB32);
            text.fill(0);
            {
                QPainter tp(&text);
                tp.setFont(tool->font);
                QRect box = corners(0, 0, r.width() - 1, r.height() - 1 - (g + 1) / 2);
                int alignment = Qt::AlignCenter;
                if (preferred) {
                    box.setLeft(g);
                    alignment = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
                }
                drawItemText(&tp, box, alignment, pal, true, tool->text, QPalette::ButtonText);
            }
            p->drawImage(r.topLeft(), Complex::glowAround(std::move(text), g, ext(Skin::ProductModeHoveredColor, Qt::black)));
        }
        drawText(none);
    } else {
        if (!tool->icon.isNull()) {
            QIcon::Mode mode = QIcon::Normal;
            if (!enabled)
                mode = QIcon::Disabled;
            else if (hovered || (toolType && (tool->state & State_On)))
                mode = (tool->state & State_Sunken) ? QIcon::Selected : QIcon::Active;
            if (flagOf(w, "LearnPanelScrollButtons")) {
                p->fillRect(r, QColor(155, 155, 155));
                p->setPen(QColor(130, 130, 130));
                p->setBrush(Qt::NoBrush);
                p->drawRect(corners(r.left(), r.top(), r.right() - 1, r.bottom() - 1));
            }
            tool->icon.paint(p, r, Qt::AlignCenter, mode, (tool->state & State_On) ? QIcon::On : QIcon::Off);
        }
        if (tool->toolButtonStyle != Qt::ToolButtonIconOnly)
            drawText(false);
    }

    if (!(tool->features & QStyleOptionToolButton::HasMenu))
        return;
    QStyle::State st = tool->state;
    if ((st & State_AutoRaise) && !hovered)
        st &= ~State_Raised;
    if (tool->subControls & SC_ToolButtonMenu) {
        QStyleOption menu(1, QStyleOption::SO_Default);
        menu.palette = pal;
        menu.direction = tool->direction;
        menu.rect = subControlRect(CC_ToolButton, tool, SC_ToolButtonMenu, w);
        menu.state = st;
        if (tool->activeSubControls & SC_ToolButtonMenu)
            menu.state |= State_Sunken;
        if (menu.state & (State_Raised | State_Sunken | State_On))
            drawPrimitive(PE_PanelButtonTool, &menu, p, w);
        menu.rect.adjust(1, 1, 0, -1);
        drawPrimitive(PE_IndicatorArrowDown, &menu, p, w);
    } else if (!none) {
        const int k = pixelMetric(PM_MenuButtonIndicator, tool, w) - static_cast<int>(dpiScaled(6));
        if (k <= 0)
            return;
        QStyleOptionToolButton corner(*tool);
        corner.version = QStyleOptionToolButton::Version;
        corner.rect = QRect(r.right() + 1 - k, r.height() - k, k, k);
        drawPrimitive(PE_IndicatorArrowDown, &corner, p, w);
    }
}

} // namespace Style
} // namespace Nuvra
