#pragma once

#include <QColor>
#include <QStyle>

class QPainter;
class QStyleOption;
class QStyleOptionButton;
class QStyleOptionComboBox;
class QStyleOptionFrame;
class QStyleOptionHeader;
class QStyleOptionMenuItem;
class QStyleOptionProgressBar;
class QStyleOptionSlider;
class QStyleOptionTab;
class QStyleOptionToolBar;
class QStyleOptionToolBox;
class QStyleOptionViewItem;
class QWidget;

// Drawing of NuvraStyle's control elements, one routine per element or
// family; the style's drawControl only chooses among them and checks the
// option's class. Each routine gets an option of its element's class and a
// painter, never null, and leaves the painter as it found it. The variants
// and ModernStyle reach these through NuvraStyle::drawControl.

namespace Nuvra {
namespace Style {

class NuvraStyle;

namespace Control {

// Colours several elements share, from the option's palette and the
// widget's background.
struct SharedColours {
    SharedColours(const QStyleOption* opt, const QWidget* w);
    QColor border;     // Window darker(178)
    QColor corner;     // background merged with border, 50
    QColor buttonLight; // Button lighter(104)
    QColor buttonDark; // Button darker(105)
};

// Push buttons (ControlButtons.cpp).
void drawPushButtonBevel(const NuvraStyle* style, const QStyleOptionButton* opt, QPainter* p, const QWidget* w);
// False when the label is not the style's own (QCommonStyle draws it then).
bool drawWrappedPushButtonLabel(const NuvraStyle* style, const QStyleOptionButton* opt, QPainter* p,
                                const QWidget* w);

// Tabs (ControlTabs.cpp).
void drawTab(const NuvraStyle* style, const QStyleOptionTab* opt, QPainter* p, const QWidget* w);
void drawTabShape(const NuvraStyle* style, const QStyleOptionTab* opt, QPainter* p, const QWidget* w);
void drawTabLabel(const NuvraStyle* style, const QStyleOptionTab* opt, QPainter* p, const QWidget* w);

// Progress bars (ControlBars.cpp).
void drawProgressGroove(const QStyleOptionProgressBar* opt, QPainter* p);
void drawProgressContents(const NuvraStyle* style, const QStyleOptionProgressBar* opt, QPainter* p);
void drawProgressLabel(const QStyleOptionProgressBar* opt, QPainter* p);
// Length of the filled part of a bar whose chunk area is available pixels
// long: 0 .. available, an empty range being empty until progress reaches
// its maximum, and full from then on.
int progressLength(int minimum, int maximum, int progress, int available);
// Width of the part of the label drawn as filled; below 0 or above width
// when progress lies outside the range.
int progressLabelFilled(int minimum, int maximum, int progress, int width);

// Scroll-bar parts (ControlBars.cpp).
void drawScrollBarLine(const NuvraStyle* style, QStyle::ControlElement element, const QStyleOptionSlider* opt,
                       QPainter* p, const QWidget* w);
void drawScrollBarPage(const QStyleOptionSlider* opt, QPainter* p);
void drawScrollBarSlider(const NuvraStyle* style, const QStyleOptionSlider* opt, QPainter* p, const QWidget* w);

// Splitter, size grip, tool bars, tool-box tabs (ControlBars.cpp).
void drawSplitter(const NuvraStyle* style, const QStyleOption* opt, QPainter* p, const QWidget* w);
void drawSizeGrip(const NuvraStyle* style, const QStyleOption* opt, QPainter* p);
void drawToolBar(const QStyleOptionToolBar* opt, QPainter* p, const QWidget* w);
void drawToolBoxTabShape(const QStyleOptionToolBox* opt, QPainter* p, const QWidget* w);

// Menus and headers (ControlMenus.cpp).
void drawMenuItem(const NuvraStyle* style, const QStyleOptionMenuItem* opt, QPainter* p, const QWidget* w);
void drawMenuBarItemBackground(const QStyleOption* opt, QPainter* p, const QWidget* w);
void drawMenuBarEmptyArea(const QStyleOption* opt, QPainter* p, const QWidget* w);
void drawHeaderSection(const QStyleOptionHeader* opt, QPainter* p, const QWidget* w);

// Combo-box label, item views' icons, shaped frames (ControlButtons.cpp).
void drawComboBoxLabel(const NuvraStyle* style, const QStyleOptionComboBox* opt, QPainter* p, const QWidget* w);
void drawShapedFrame(const NuvraStyle* style, const QStyleOptionFrame* opt, QPainter* p, const QWidget* w);

// The style's own elements (CE_CustomBase + 1 .. + 4); false for another id
// (ControlCustom.cpp).
bool drawCustom(const NuvraStyle* style, QStyle::ControlElement element, const QStyleOption* opt, QPainter* p,
                const QWidget* w);

} // namespace Control
} // namespace Style
} // namespace Nuvra
