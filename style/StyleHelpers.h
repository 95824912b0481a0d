#pragma once

#include <QBrush>
#include <QColor>
#include <QIcon>
#include <QPalette>
#include <QPen>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QString>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <initializer_list>
#include <utility>

class QPainter;
class QStyleOption;
class QWidget;
class QWindow;

// Small drawing routines shared by every style.

namespace Nuvra {
namespace Style {

// The widget's "nuvraShape" property; empty for a null widget.
QString shapeOf(const QWidget* w);
// A boolean property of the widget; false for a null widget.
bool flagOf(const QWidget* w, const char* name);
// The parent widget, or null for a null widget.
const QWidget* parentOf(const QWidget* w);
// A QRect from its inclusive corners.
QRect corners(int left, int top, int right, int bottom);

// Restores what a drawing routine changes on the painter: with useSave, the
// whole state through save()/restore(); otherwise pen, brush and clip only.
class PainterIsolation {
public:
    explicit PainterIsolation(QPainter* painter, bool useSave = false);
    ~PainterIsolation();

    PainterIsolation(const PainterIsolation&) = delete;
    PainterIsolation& operator=(const PainterIsolation&) = delete;

private:
    QPainter* m_painter;
    QPen m_pen;
    QBrush m_brush;
    QRegion m_clip;
    bool m_hadClipping = false;
    bool m_useSave;
};

// a's red, green and blue mixed with b's, factor percent of a; a's alpha.
QColor mergedColors(const QColor& a, const QColor& b, int factor = 50);

// A pixmap-cache key for a drawn piece: key, state, direction, active
// sub-controls, palette and size.
QString uniqueName(const QString& key, const QStyleOption* option, const QSize& size);

enum eArrowDirection { ArrowLeft = 0, ArrowUp = 1, ArrowRight = 2, ArrowDown = 3 };

// A solid arrow head of count one-pixel lines with the current pen, its tip
// distance pixels from point in the given direction.
void DrawArrow(QPainter* painter, QPoint point, int count, int distance, eArrowDirection direction);

// Where a value puts a slider along span pixels, rounded to the nearest;
// in 64 bits, as the full int range overflows an int difference. 0 for an
// empty span or range.
int sliderPositionFromValue64(int minimum, int maximum, int value, int span, bool upsideDown);

// Rectangles, insets and positions come from the caller and may be anything:
// sums of them are taken in 64 bits and held to the int range by this.
inline int held(std::int64_t v)
{
    return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

// The icon's shapes filled, in each listed mode, with that mode's colour: its
// normal pixmap of every available size, alpha kept. The icon itself when it
// has no pixmap.
QIcon tintedIcon(const QIcon& icon, std::initializer_list<std::pair<QIcon::Mode, QColor>> tints);

// The window handle of the widget's window; null for a null widget.
QWindow* qt_getWindow(const QWidget* widget);

} // namespace Style
} // namespace Nuvra
