// Spin boxes, combo boxes, scroll bars, sliders and group boxes of NuvraStyle.
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

// What drawRect of a one-pixel pen covers exactly: the rectangle itself.
QRect outline(const QRect& r)
{
    return r.adjusted(0, 0, -1, -1);
}

// The fill of an arrow button: darker when unusable, lighter when touched.
QColor buttonFill(const QColor& shadow, bool usable, bool pressed, bool hovered)
{
    if (!usable)
        return shadow.darker(120);
    if (pressed)
        return shadow.lighter(130);
    if (hovered)
        return shadow.lighter(110);
    return shadow;
}

QColor arrowColour(const QPalette& pal, bool usable, bool pressed, bool hovered)
{
    QColor c = pal.color(usable ? QPalette::Active : QPalette::Disabled, QPalette::BrightText);
    if (usable && hovered)
        c = c.lighter(pressed ? 130 : 110);
    return c;
}

} // namespace

void drawSpinBox(const NuvraStyle* style, const QStyleOptionSpinBox* opt, QPainter* p, const QWidget* w)
{
    const PainterIsolation isolation(p);
    const QPalette& pal = opt->palette;
    const QColor frame = pal.color(QPalette::Active, QPalette::Midlight);
    const QColor shadow = pal.color(QPalette::Shadow);
    const double s = style->styleScale();

    p->setPen(frame);
    p->setBrush(pal.brush(QPalette::Base));
    p->drawRect(outline(opt->rect));

    const bool up[] = {true, false};
    for (bool isUp : up) {
        const QStyle::SubControl sc = isUp ? QStyle::SC_SpinBoxUp : QStyle::SC_SpinBoxDown;
        if (!(opt->subControls & sc))
            continue;
        const QRect r = style->subControlRect(QStyle::CC_SpinBox, opt, sc, w);
        if (!r.isValid())
            continue;
        const bool active = opt->activeSubControls & sc;
        const bool hovered = active && (opt->state & QStyle::State_MouseOver);
        const bool pressed = active && (opt->state & (QStyle::State_Sunken | QStyle::State_On));
        const bool usable = (opt->state & QStyle::State_Enabled) &&
                            (opt->stepEnabled & (isUp ? QAbstractSpinBox::StepUpEnabled
                                                      : QAbstractSpinBox::StepDownEnabled));
        // Inside the caller's clip: a style never paints where it was not asked to.
        const PainterIsolation button(p);
        p->setClipRect(r, Qt::IntersectClip);
        p->setPen(frame);
        p->setBrush(buttonFill(shadow, usable, pressed, hovered));
        p->drawRect(isUp ? QRect(r.topLeft(), QPoint(r.right() - 1, r.bottom()))
                         : QRect(QPoint(r.left(), r.top() - 1), QPoint(r.right() - 1, r.bottom() - 1)));

        p->setPen(arrowColour(pal, usable, pressed, hovered));
        const int n = static_cast<int>(3 * s);
        const int cx = (r.left() + r.right()) / 2;
        const int cy = (r.top() + r.bottom()) / 2;
        for (int i = 0; i < n; ++i) {
            if (isUp) {
                const int y = cy + static_cast<int>(s) + i;
                p->drawLine(cx - i, y, cx + i, y);
            } else {
                const int y = cy + static_cast<int>(-0.5 * s) - i;
                p->drawLine(cx + i, y, cx - i, y);
            }
        }
    }
}

void drawComboBox(const NuvraStyle* style, const QStyleOptionComboBox* opt, QPainter* p, const QWidget* w)
{
    const PainterIsolation isolation(p);
    const QPalette& pal = opt->palette;
    const QColor frame = pal.color(QPalette::Active, QPalette::Midlight);
    const double s = style->styleScale();

    p->setPen(frame);
    p->setBrush(pal.brush(QPalette::Base));
    p->drawRect(outline(opt->rect));

    // The whole control's states, not the arrow's.
    const bool enabled = opt->state & QStyle::State_Enabled;
    const bool pressed = opt->state & (QStyle::State_Sunken | QStyle::State_On);
    const bool hovered = opt->state & QStyle::State_MouseOver;
    const QRect r = style->subControlRect(QStyle::CC_ComboBox, opt, QStyle::SC_ComboBoxArrow, w);
    if (!r.isValid())
        return;
    p->setBrush(buttonFill(pal.color(QPalette::Shadow), enabled, pressed, hovered));
    p->drawRect(outline(r));

    p->setPen(arrowColour(pal, enabled, pressed, hovered));
    const int n = static_cast<int>(4 * s);
    const int cx = (r.left() + r.right()) / 2;
    const int y0 = (r.top() + r.bottom()) / 2 + static_cast<int>(2 * s);
    for (int i = 0; i < n; ++i)
        p->drawLine(cx + i, y0 - i, cx - i, y0 - i);
}

void drawScrollBar(const NuvraStyle* style, const QStyleOptionSlider* opt, QPainter* p, const QWidget* w)
{
    static const struct {
        QStyle::SubControl sc;
        QStyle::ControlElement element;
    } parts[] = {
        {QStyle::SC_ScrollBarSubLine, QStyle::CE_ScrollBarSubLine},
        {QStyle::SC_ScrollBarAddLine, QStyle::CE_ScrollBarAddLine},
        {QStyle::SC_ScrollBarSubPage, QStyle::CE_ScrollBarSubPage},
        {QStyle::SC_ScrollBarAddPage, QStyle::CE_ScrollBarAddPage},
        {QStyle::SC_ScrollBarFirst, QStyle::CE_ScrollBarFirst},
        {QStyle::SC_ScrollBarLast, QStyle::CE_ScrollBarLast},
        {QStyle::SC_ScrollBarSlider, QStyle::CE_ScrollBarSlider},
    };
    // Exactly a Qt slider option: the parts read no field of a caller's class.
    QStyleOptionSlider part(*opt);
    part.type = QStyleOptionSlider::Type;
    part.version = QStyleOptionSlider::Version;
    QStyle::State state = opt->state;
    if (opt->minimum == opt->maximum)
        state &= ~QStyle::State_Enabled;
    for (const auto& each : parts) {
        if (!(opt->subControls & each.sc))
            continue;
        part.rect = opt->rect;
        part.state = state;
        part.rect = style->subControlRect(QStyle::CC_ScrollBar, &part, each.sc, w);
        if (!part.rect.isValid())
            continue;
        if (!(opt->activeSubControls & each.sc))
            part.state &= ~(QStyle::State_Sunken | QStyle::State_MouseOver);
        style->drawControl(each.element, &part, p, w);
    }
}

std::vector<int> sliderTickValues(int minimum, int maximum, int interval, int maxCount)
{
    std::vector<int> values;
    if (maximum <= minimum)
        return values;
    const std::int64_t range = std::int64_t(maximum) - minimum;
    std::int64_t step = std::max(interval, 1);
    const std::int64_t most = std::max(maxCount, 3);
    if (range / step + 2 > most)
        step = (range + most - 3) / (most - 2);
    for (std::int64_t v = minimum; v <= std::int64_t(maximum) + 1; v += step) {
        if (v > maximum && step == 1)
            break;
        values.push_back(static_cast<int>(std::min<std::int64_t>(v, maximum)));
    }
    return values;
}

namespace {

void drawTicks(const NuvraStyle* style, const QStyleOptionSlider* opt, QPainter* p, const QWidget* w,
               const QRect& groove, int t)
{
    const double s = style->styleScale();
    const bool horizontal = opt->orientation == Qt::Horizontal;
    const int span = style->pixelMetric(QStyle::PM_SliderSpaceAvailable, opt, w);
    const auto position = [&](int v) {
        return QStyle::sliderPositionFromValue(opt->minimum, opt->maximum, v, span, false);
    };
    int interval = opt->tickInterval;
    if (interval < 1) {
        interval = opt->singleStep;
        if (std::abs(position(opt->singleStep) - position(0)) < 3)
            interval = opt->pageStep;
    }
    const QColor c = Skin::getColor(Skin::NavigatorTicks, QColor(179, 179, 179, 255));
    const QColor window = opt->palette.color(QPalette::Window);
    const int start = (horizontal ? groove.left() : groove.top()) + style->pixelMetric(QStyle::PM_SliderLength, opt, w) / 2;
    const int nearEdge = horizontal ? groove.top() : groove.left();
    const int farEdge = horizontal ? groove.bottom() : groove.right();
    const bool before = opt->tickPosition & QSlider::TicksAbove;
    const bool after = opt->tickPosition & QSlider::TicksBelow;
    const double range = double(std::int64_t(opt->maximum) - opt->minimum);

    const auto line = [&](int pos, int from, int to, double l, int L) {
        const QPoint a = horizontal ? QPoint(pos, from) : QPoint(from, pos);
        const QPoint b = horizontal ? QPoint(pos, to) : QPoint(to, pos);
        p->setPen(c);
        p->drawLine(a, b);
        // The end point carries the fraction the length lost to truncation.
        p->setPen(mergedColors(window, c, static_cast<int>((l - L) * 100)));
        p->drawPoint(b);
    };
    for (int v : sliderTickValues(opt->minimum, opt->maximum, interval, std::max(span, 0) + 2)) {
        const int pos = position(v) + start;
        const double l = (double(opt->maximum) - v) * (t - 3 * s) / range;
        const int L = static_cast<int>(l);
        if (before)
            line(pos, static_cast<int>(nearEdge - 3 * s), nearEdge - t + L, l, L);
        if (after)
            line(pos, static_cast<int>(farEdge + 3 * s), farEdge + t - L, l, L);
    }
}

} // namespace

void drawSlider(const NuvraStyle* style, const QStyleOptionSlider* opt, QPainter* p, const QWidget* w)
{
    const PainterIsolation isolation(p);
    const QPalette& pal = opt->palette;
    const double s = style->styleScale();
    const QRect groove = style->subControlRect(QStyle::CC_Slider, opt, QStyle::SC_SliderGroove, w);

    const int t = style->pixelMetric(QStyle::PM_SliderTickmarkOffset, opt, w);
    if (t > 0 && (opt->subControls & QStyle::SC_SliderTickmarks) && opt->maximum > opt->minimum)
        drawTicks(style, opt, p, w, groove, t);

    if (opt->subControls & QStyle::SC_SliderGroove) {
        QBrush brush = pal.brush(QPalette::Button);
        if (const auto* own = qstyleoption_cast<const StyleOptionSliderGroove*>(opt)) {
            const QBrush& g = own->grooveBrush;
            if (!(g.style() == Qt::SolidPattern && g.color() == QColor(Qt::transparent)))
                brush = g;
        }
        p->setBrush(brush);
        p->setPen(pal.color(QPalette::Active, QPalette::Midlight));
        p->drawRect(outline(groove));
    }

    if (opt->subControls & QStyle::SC_SliderHandle) {
        const bool enabled = opt->state & QStyle::State_Enabled;
        QColor frame = style->extendedPalette()->getColor(Skin::SliderFrame, pal.color(QPalette::Active, QPalette::Mid));
        if (!enabled)
            frame = mergedColors(frame, pal.color(QPalette::Active, QPalette::Window), 75);
        QColor fill = pal.color(QPalette::Button).lighter(enabled ? 120 : 105);
        if (enabled && (opt->state & QStyle::State_MouseOver) && (opt->activeSubControls & QStyle::SC_SliderHandle))
            fill = fill.lighter(opt->state & (QStyle::State_Sunken | QStyle::State_On) ? 120 : 110);

        const QRect h = style->subControlRect(QStyle::CC_Slider, opt, QStyle::SC_SliderHandle, w);
        const int d = (style->pixelMetric(QStyle::PM_SliderThickness, opt, w) -
                       style->pixelMetric(QStyle::PM_SliderControlThickness, opt, w)) / 2;
        const bool horizontal = opt->orientation == Qt::Horizontal;
        // Inset across the slider: top and bottom of a horizontal one, the sides of a vertical one.
        const QRect handle = horizontal ? QRect(QPoint(h.left(), h.top() + d), QPoint(h.right() - 1, h.bottom() - d - 1))
                                        : QRect(QPoint(h.left() + d, h.top()), QPoint(h.right() - d - 1, h.bottom() - 1));
        p->setPen(frame);
        p->setBrush(fill);
        p->drawRect(handle);

        p->setPen(pal.color(QPalette::Active, QPalette::Midlight));
        const int a = static_cast<int>(2 * s);
        const int b = static_cast<int>(0.5 * s);
        const int c = horizontal ? handle.center().x() : handle.center().y();
        for (int at : {c + 1, c + 1 + a, c + 1 - a}) {
            if (horizontal)
                p->drawLine(at, handle.top() + b + 1, at, handle.bottom() - b);
            else
                p->drawLine(handle.left() + b + 1, at, handle.right() - b, at);
        }
    }
}

void drawGroupBox(const NuvraStyle* style, const QStyleOptionGroupBox* opt, QPainter* p, const QWidget* w)
{
    const QStyle* proxy = style->proxy();
    const QRect label = proxy->subControlRect(QStyle::CC_GroupBox, opt, QStyle::SC_GroupBoxLabel, w);
    const QRect check = proxy->subControlRect(QStyle::CC_GroupBox, opt, QStyle::SC_GroupBoxCheckBox, w);
    const bool checkable = opt->subControls & QStyle::SC_GroupBoxCheckBox;

    if (opt->subControls & QStyle::SC_GroupBoxFrame) {
        const PainterIsolation isolation(p);
        QStyleOptionFrame frame;
        frame.QStyleOption::operator=(*opt);
        frame.features = opt->features;
        frame.lineWidth = opt->lineWidth;
        frame.midLineWidth = opt->midLineWidth;
        frame.rect = proxy->subControlRect(QStyle::CC_GroupBox, opt, QStyle::SC_GroupBoxFrame, w);
        // The frame line stops short of the title.
        QRegion region(opt->rect);
        if (checkable) {
            const QRect title = check | label;
            region -= opt->direction == Qt::RightToLeft ? title.adjusted(0, 0, 4, 0) : title.adjusted(-4, 0, 0, 0);
        } else if (!opt->text.isEmpty()) {
            region -= label;
        }
        p->setClipRegion(region, Qt::IntersectClip);
        proxy->drawPrimitive(QStyle::PE_FrameGroupBox, &frame, p, w);
    }

    if ((opt->subControls & QStyle::SC_GroupBoxLabel) && !opt->text.isEmpty()) {
        p->save();
        QPalette::ColorRole role = QPalette::WindowText;
        if (opt->textColor.isValid()) {
            p->setPen(opt->textColor);
            role = QPalette::NoRole;
        }
        int alignment = int(opt->textAlignment) | Qt::TextShowMnemonic | Qt::AlignHCenter;
        if (!proxy->styleHint(QStyle::SH_UnderlineShortcut, opt, w))
            alignment |= Qt::TextHideMnemonic;
        // The title is measured in the widget's font in bold; without a
        // widget, in the font the caller painted with.
        if (w) {
            QFont bold = w->font();
            bold.setWeight(75);
            p->setFont(bold);
        }
        proxy->drawItemText(p, label, alignment, opt->palette, opt->state & QStyle::State_Enabled, opt->text, role);
        if (opt->state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(*opt);
            focus.rect = label;
            proxy->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, p, w);
        }
        p->restore();
    }

    if (checkable) {
        QStyleOptionButton box;
        box.QStyleOption::operator=(*opt);
        box.rect = check;
        proxy->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, p, w);
    }
}

} // namespace Complex
} // namespace Style
} // namespace Nuvra
