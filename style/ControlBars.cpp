// Progress bars, scroll-bar parts, splitters, size grips, tool bars and
// tool-box tabs of NuvraStyle.
#include "style/ControlDrawing.h"

#include "style/NuvraStyle.h"
#include "style/Palette.h"
#include "style/StyleHelpers.h"
#include "style/StyleProperties.h"

#include <QPainter>
#include <QStyleOption>
#include <QWidget>

#include <algorithm>
#include <cstdint>

namespace Nuvra {
namespace Style {
namespace Control {

namespace {

bool isBusy(const QStyleOptionProgressBar* opt)
{
    return opt->minimum == 0 && opt->maximum == 0;
}

// Turns the painter so that the bar fills along +x from the left of the
// returned rectangle, in the turned coordinates.
QRect turnProgressBar(QPainter* p, const QRect& r, bool vertical, bool forward)
{
    p->translate(r.topLeft());
    if (vertical) {
        if (forward) {
            p->translate(r.width(), 0);
            p->rotate(90);
        } else {
            p->translate(0, r.height());
            p->rotate(-90);
        }
        return QRect(0, 0, r.height(), r.width());
    }
    if (!forward) {
        p->translate(r.width(), r.height());
        p->rotate(180);
    }
    return QRect(0, 0, r.width(), r.height());
}

} // namespace

int progressLength(int minimum, int maximum, int progress, int available)
{
    if (available <= 0)
        return 0;
    const int64_t range = int64_t(maximum) - minimum;
    if (range <= 0)
        return progress >= maximum ? available : 0;
    const int64_t done = std::clamp<int64_t>(int64_t(progress) - minimum, 0, range);
    // Below 2^32 times below 2^31: no overflow.
    return static_cast<int>(done * available / range);
}

int progressLabelFilled(int minimum, int maximum, int progress, int width)
{
    // An empty range fills as the chunks do: all at its maximum.
    if (int64_t(maximum) <= int64_t(minimum))
        return progress >= maximum ? width : 0;
    const double range = double(maximum) - double(minimum);
    const double filled = (double(progress) - double(minimum)) / range * width;
    // Out of range is all that matters past the ends; keeps the cast defined.
    return static_cast<int>(std::clamp(filled, -1.0, double(width) + 1.0));
}

void drawProgressGroove(const QStyleOptionProgressBar* opt, QPainter* p)
{
    const PainterIsolation isolation(p);
    const QPalette& pal = opt->palette;
    p->setPen(mergedColors(pal.color(QPalette::Active, QPalette::Midlight),
                           pal.color(QPalette::Active, QPalette::Window), 75));
    p->setBrush(Skin::getColor(Skin::ProgressBarBackground, pal.color(QPalette::Active, QPalette::Button)));
    p->drawRect(opt->rect.adjusted(0, 0, -1, -1));
}

void drawProgressContents(const NuvraStyle* style, const QStyleOptionProgressBar* opt, QPainter* p)
{
    const bool busy = isBusy(opt);
    if (!busy && opt->progress == -1)
        return;
    const PainterIsolation isolation(p, true);
    const bool vertical = opt->orientation == Qt::Vertical;
    const bool forward = opt->invertedAppearance == (vertical || opt->direction == Qt::RightToLeft);
    const QRect r = turnProgressBar(p, opt->rect, vertical, forward);

    const int k = static_cast<int>(style->styleScale());
    const int a = std::max(0, r.width() - (2 * k + 2));
    const int c = r.height() - 2 * k - 2;
    const QRect area(r.left() + k + 1, r.top() + k + 1, a, std::max(0, c));
    int start = area.left();
    int length = 0;
    if (busy) {
        const int cycle = a + 82;
        start = area.left() - 82 + (style->busyAnimationStep() % cycle + cycle) % cycle;
        length = 82;
    } else {
        length = progressLength(opt->minimum, opt->maximum, opt->progress, a);
    }
    if (length <= 0 || c <= 0)
        return;
    p->setPen(Qt::NoPen);
    p->setBrush(Skin::getColor(Skin::ProgressBarItem, QColor(Qt::gray)));
    // The block, never past the chunk area: a busy block entering or leaving
    // stays off the frame.
    const QRect block = corners(start, area.top(), start + length - 1, area.bottom()) & area;
    if (block.isEmpty())
        return;
    p->setClipRect(block, Qt::IntersectClip);
    for (int64_t offset = 0; offset < length; offset += c + k)
        p->drawRect(QRect(start + static_cast<int>(offset), area.top(), c, c));
}

void drawProgressLabel(const QStyleOptionProgressBar* opt, QPainter* p)
{
    if (isBusy(opt))
        return;
    const PainterIsolation isolation(p, true);
    QFont font;
    font.setWeight(75);
    p->setFont(font);
    const QPalette& pal = opt->palette;
    const bool vertical = opt->orientation == Qt::Vertical;
    QRect r = opt->rect;
    if (vertical) {
        p->translate(r.topLeft());
        if (!opt->bottomToTop) {
            p->translate(r.width(), 0);
            p->rotate(90);
        } else {
            p->translate(0, r.height());
            p->rotate(-90);
        }
        r = QRect(0, 0, r.height(), r.width());
    }
    const int filled = progressLabelFilled(opt->minimum, opt->maximum, opt->progress, r.width());
    const bool fromRight = vertical ? opt->invertedAppearance == opt->bottomToTop
                                    : (opt->direction == Qt::RightToLeft) != opt->invertedAppearance;
    const int flags = Qt::AlignAbsolute | Qt::AlignHCenter | Qt::AlignVCenter;
    const auto pass = [&](QPalette::ColorRole role) {
        p->setPen(pal.color(role));
        p->drawText(r, flags, opt->text);
    };
    if (filled < 0) {
        pass(QPalette::Text);
        return;
    }
    if (filled > r.width()) {
        pass(QPalette::BrightText);
        return;
    }
    if (!fromRight) {
        pass(QPalette::Text);
        p->setClipRect(corners(r.left(), r.top(), r.left() + filled - 1, r.bottom()), Qt::IntersectClip);
        pass(QPalette::BrightText);
    } else {
        pass(QPalette::BrightText);
        p->setClipRect(corners(r.left(), r.top(), r.left() + r.width() - filled - 1, r.bottom()), Qt::IntersectClip);
        pass(QPalette::Text);
    }
}

void drawScrollBarLine(const NuvraStyle* style, QStyle::ControlElement element, const QStyleOptionSlider* opt,
                       QPainter* p, const QWidget* w)
{
    const QString shape = shapeOf(w);
    const bool over = shape == QLatin1String(nuvraShapeScrollOver);
    const bool mini = shape == QLatin1String(nuvraShapeScrollMini);
    const bool midi = shape == QLatin1String(nuvraShapeScrollMidi);
    const bool horizontal = opt->orientation == Qt::Horizontal;
    // Vertical bars keep their sub-line button on top whatever the layout
    // direction, as their sub-control rectangles do.
    const bool rtl = horizontal && opt->direction == Qt::RightToLeft;
    const bool atStart = (element == QStyle::CE_ScrollBarSubLine) != rtl;
    const QPalette& pal = opt->palette;
    const QStyle::State s = opt->state;

    QColor arrow = style->extendedPalette()->getColor(Skin::SliderArrow, pal.color(QPalette::BrightText));
    if ((s & QStyle::State_MouseOver) && (s & QStyle::State_Enabled))
        arrow = arrow.lighter((s & (QStyle::State_Sunken | QStyle::State_On)) ? 120 : 110);

    const QRect& r = opt->rect;
    const int L = r.left(), T = r.top(), R = r.right(), B = r.bottom();
    QRect outline;
    if (horizontal)
        outline = atStart ? corners(L, T, R, B - 1) : corners(L - 1, T, R - (over ? 2 : 1), B - 1);
    else
        outline = atStart ? corners(L, T, R - 1, B) : corners(L, T - 1, R - 1, B - (over ? 2 : 1));

    const PainterIsolation isolation(p);
    if (over && !atStart) {
        p->setPen(QPen(pal.color(QPalette::Window), 1.0));
        if (horizontal)
            p->drawLine(R, T, R, B);
        else
            p->drawLine(L, B, R, B);
    }
    p->setPen(pal.color(QPalette::Active, QPalette::Midlight));
    p->setBrush(pal.brush(QPalette::Window));
    p->setClipRect(r, Qt::IntersectClip);
    p->drawRect(outline);

    const double scale = style->styleScale();
    const int distance = static_cast<int>((mini ? 1.0 : 2.0) * scale);
    const int count = static_cast<int>((mini ? 2 : midi ? 3 : 4) * scale);
    const eArrowDirection direction = horizontal ? (atStart ? ArrowLeft : ArrowRight) : (atStart ? ArrowUp : ArrowDown);
    p->setPen(arrow);
    DrawArrow(p, QPoint((L + R) / 2, (T + B) / 2), count, distance, direction);
}

void drawScrollBarPage(const QStyleOptionSlider* opt, QPainter* p)
{
    const PainterIsolation isolation(p);
    const QRect& r = opt->rect;
    p->setPen(opt->palette.color(QPalette::Active, QPalette::Midlight));
    p->setBrush(opt->palette.brush(QPalette::Window));
    p->setClipRect(r, Qt::IntersectClip);
    // Only the two long sides of the groove show.
    if (opt->orientation == Qt::Horizontal)
        p->drawRect(corners(r.left() - 1, r.top(), r.right(), r.bottom() - 1));
    else
        p->drawRect(corners(r.left(), r.top() - 1, r.right() - 1, r.bottom()));
}

void drawScrollBarSlider(const NuvraStyle* style, const QStyleOptionSlider* opt, QPainter* p, const QWidget* w)
{
    const QRect& r = opt->rect;
    if (r.isEmpty())
        return;
    const QString shape = shapeOf(w);
    const QPalette& pal = opt->palette;
    const QStyle::State s = opt->state;
    const QColor frame = style->extendedPalette()->getColor(Skin::SliderFrame, pal.color(QPalette::Active, QPalette::Mid));
    QColor fill = pal.color(QPalette::Button);
    if (s & QStyle::State_MouseOver)
        fill = fill.lighter((s & (QStyle::State_Sunken | QStyle::State_On)) ? 120 : 110);
    const QColor grip = pal.color(QPalette::Active, QPalette::Midlight);
    const bool horizontal = opt->orientation == Qt::Horizontal;
    const QRect slider = horizontal ? corners(r.left(), r.top() + 1, r.right() - 1, r.bottom() - 2)
                                    : corners(r.left() + 1, r.top(), r.right() - 2, r.bottom() - 1);

    const PainterIsolation isolation(p);
    p->setPen(frame);
    p->setBrush(fill);
    p->drawRect(slider);

    const double scale = style->styleScale();
    const int k = shape == QLatin1String(nuvraShapeScrollMini) ? 0 : shape == QLatin1String(nuvraShapeScrollMidi) ? 1 : 2;
    const int inset = static_cast<int>(k * scale);
    const int gap = static_cast<int>(2 * scale);
    p->setPen(grip);
    if (horizontal) {
        const int centre = (slider.left() + slider.right()) / 2;
        for (int x : {centre + 1, centre + 1 + gap, centre + 1 - gap})
            p->drawLine(x, slider.top() + inset + 1, x, slider.bottom() - inset);
    } else {
        const int centre = (slider.top() + slider.bottom()) / 2;
        for (int y : {centre + 1, centre + 1 + gap, centre + 1 - gap})
            p->drawLine(slider.left() + inset + 1, y, slider.right() - inset, y);
    }
}

void drawSplitter(const NuvraStyle* style, const QStyleOption* opt, QPainter* p, const QWidget* w)
{
    const PainterIsolation isolation(p);
    const QRect& r = opt->rect;
    const QStyle::State s = opt->state;
    if ((s & QStyle::State_MouseOver) && (s & QStyle::State_Enabled))
        p->fillRect(r, style->extendedPalette()->getColor(Skin::Splitter1, QColor(255, 255, 255, 128)));
    if (s & QStyle::State_Horizontal) {
        const int left = r.left() + (r.width() - 2) / 2;
        const int top = (r.top() + r.bottom()) / 2 - r.height() / 6;
        drawToolBarHandleImage(p, opt, corners(left, top, left + 2, top - 1 + r.height() / 3), Qt::Horizontal, w);
    } else {
        const int left = (r.left() + r.right()) / 2 - r.width() / 6;
        const int top = r.top() + (r.height() - 2) / 2;
        drawToolBarHandleImage(p, opt, corners(left, top, left - 1 + r.width() / 3, top + 2), Qt::Vertical, w);
    }
}

void drawSizeGrip(const NuvraStyle* style, const QStyleOption* opt, QPainter* p)
{
    const QStyle::State s = opt->state;
    const char* name = !(s & QStyle::State_Enabled)     ? "skin/statusbar-resizeico-disabled.png"
                       : (s & QStyle::State_Sunken)     ? "skin/statusbar-resizeico-clicked.png"
                       : (s & QStyle::State_MouseOver)  ? "skin/statusbar-resizeico-hover.png"
                                                        : "skin/statusbar-resizeico.png";
    QPixmap image;
    if (style->getPixmap(name, image))
        p->drawPixmap(opt->rect.left(), opt->rect.top() - 5, image);
}

void drawToolBar(const QStyleOptionToolBar* opt, QPainter* p, const QWidget* w)
{
    const QString shape = shapeOf(w);
    if (shape == QLatin1String(nuvraShapeTopBar) || opt->lineWidth == 0)
        return;
    const QRect& r = opt->rect;
    const int L = r.left(), T = r.top(), R = r.right(), B = r.bottom();
    const QPalette& pal = opt->palette;
    if (shape == QLatin1String(nuvraShapeToolBar)) {
        const PainterIsolation isolation(p, true);
        p->setClipRect(r, Qt::IntersectClip);
        QRect o = r;
        switch (opt->toolBarArea) {
        case Qt::LeftToolBarArea:
        case Qt::RightToolBarArea:
            o = corners(L, T - 1, R - 1, B);
            break;
        case Qt::BottomToolBarArea:
            o = corners(L, T, R - 1, B);
            break;
        case Qt::TopToolBarArea:
            o = corners(L, T - 1, R - 1, B - 1);
            break;
        default:
            break;
        }
        p->setPen(pal.color(QPalette::Dark));
        p->drawRect(o);
        p->setPen(pal.color(QPalette::Light));
        p->drawRect(o.adjusted(1, 1, -1, -1));
        return;
    }

    const PainterIsolation isolation(p);
    const QColor light = pal.color(QPalette::Window).lighter(104);
    const QColor corner = SharedColours(opt, w).corner;
    const auto line = [&](const QColor& c, int x1, int y1, int x2, int y2) {
        p->setPen(c);
        p->drawLine(x1, y1, x2, y2);
    };
    const auto pos = opt->positionOfLine;
    const bool middleOrEnd = pos == QStyleOptionToolBar::Middle || pos == QStyleOptionToolBar::End;
    switch (opt->toolBarArea) {
    case Qt::BottomToolBarArea:
        if (middleOrEnd) {
            line(corner, L, B, R, B);
        } else {
            line(corner, L, B - 1, R, B - 1);
            line(light, L, B, R, B);
        }
        if (pos == QStyleOptionToolBar::End) {
            line(corner, L, T, R, T);
            line(light, L, T + 1, R, T + 1);
        } else {
            line(light, L, T, R, T);
        }
        break;
    case Qt::TopToolBarArea:
        if (pos == QStyleOptionToolBar::End || pos == QStyleOptionToolBar::OnlyOne) {
            line(light, L, B, R, B);
            line(corner, L, B - 1, R, B - 1);
        } else {
            line(corner, L, B, R, B);
        }
        line(light, L, T, R, T);
        break;
    case Qt::RightToolBarArea:
        if (middleOrEnd)
            line(corner, R, T, R, B);
        if (pos == QStyleOptionToolBar::End || pos == QStyleOptionToolBar::OnlyOne) {
            line(corner, L, T, L, B);
            line(light, L + 1, T, L + 1, B);
        } else {
            line(light, L, T, L, B);
        }
        break;
    case Qt::LeftToolBarArea:
        if (middleOrEnd)
            line(light, L, T, L, B);
        if (pos == QStyleOptionToolBar::End) {
            line(corner, R - 1, T, R - 1, B);
            line(light, R, T, R, B);
        } else {
            line(corner, R, T, R, B);
        }
        break;
    default:
        break;
    }
}

void drawToolBoxTabShape(const QStyleOptionToolBox* opt, QPainter* p, const QWidget* w)
{
    const PainterIsolation isolation(p);
    const QRect& r = opt->rect;
    const int width = r.width();
    const int diag = r.height() - 2;
    const bool rtl = opt->direction == Qt::RightToLeft;
    const int step = rtl ? 1 : -1;
    QPoint rightMost, rightEdge, leftEdge, leftMost;
    if (!rtl) {
        rightMost = QPoint(r.right(), r.bottom() - 2);
        rightEdge = QPoint(r.right() - width / 10, r.bottom() - 2);
        leftEdge = QPoint(r.right() - width / 10 - diag, r.top());
        leftMost = QPoint(r.left(), r.top());
    } else {
        rightMost = QPoint(r.left(), r.bottom() - 2);
        rightEdge = QPoint(r.left() + width / 10, r.bottom() - 2);
        leftEdge = QPoint(r.left() + width / 10 + diag, r.top());
        leftMost = QPoint(r.right(), r.top());
    }
    const auto lines = [&](int dy) {
        const QPoint d(0, dy);
        p->drawLine(rightMost + d, rightEdge + d);
        p->drawLine(rightEdge + QPoint(step, dy), leftEdge + d);
        p->drawLine(leftEdge + QPoint(step, dy), leftMost + d);
    };
    p->setPen(SharedColours(opt, w).border);
    lines(0);
    p->setPen(opt->palette.color(QPalette::Base));
    lines(1);
}

} // namespace Control
} // namespace Style
} // namespace Nuvra
