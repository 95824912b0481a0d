#pragma once

#include <QStyle>

#include <vector>

class QColor;
class QImage;
class QPainter;
class QStyleOptionComplex;
class QStyleOptionComboBox;
class QStyleOptionGroupBox;
class QStyleOptionSlider;
class QStyleOptionSpinBox;
class QWidget;

// Drawing of NuvraStyle's complex controls, one routine per control; the
// style's drawComplexControl only chooses among them. Each routine gets an
// option of its control's class and a painter, never null, and leaves the
// painter as it found it.

namespace Nuvra {
namespace Style {

class NuvraStyle;

namespace Complex {

void drawSpinBox(const NuvraStyle* style, const QStyleOptionSpinBox* opt, QPainter* p, const QWidget* w);
void drawComboBox(const NuvraStyle* style, const QStyleOptionComboBox* opt, QPainter* p, const QWidget* w);
void drawScrollBar(const NuvraStyle* style, const QStyleOptionSlider* opt, QPainter* p, const QWidget* w);
void drawSlider(const NuvraStyle* style, const QStyleOptionSlider* opt, QPainter* p, const QWidget* w);
void drawGroupBox(const NuvraStyle* style, const QStyleOptionGroupBox* opt, QPainter* p, const QWidget* w);
// Any option: the scroll buttons of tab bars take any class.
void drawToolButton(const NuvraStyle* style, const QStyleOptionComplex* opt, QPainter* p, const QWidget* w);
// Lines along the dock lines of a StyleOptionDockLines; nothing for another option.
void drawDockSeparators(const QStyleOptionComplex* opt, QPainter* p);
// The style's own controls (CustomComplexControl); false for another id.
bool drawCustom(const NuvraStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                const QWidget* w);

// A ring in colour around the glyphs of text (pixels of alpha 21 or more):
// alpha 0 at the glyph edge, 128 half-way out, 0 again from g + 1 pixels
// away. Of text's size, ARGB32; text moved in lends its pixels to the glow.
QImage glowAround(QImage text, int g, const QColor& colour);

// The values a slider marks with ticks, from minimum in steps of interval,
// the one past the maximum drawn at the maximum. Empty for an empty range.
// Never more than maxCount values: a finer interval is coarsened to fit, as
// ticks closer than a pixel show nothing more.
std::vector<int> sliderTickValues(int minimum, int maximum, int interval, int maxCount);

} // namespace Complex
} // namespace Style
} // namespace Nuvra
