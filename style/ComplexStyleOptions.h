#pragma once

#include <QBrush>
#include <QColor>
#include <QIcon>
#include <QList>
#include <QRect>
#include <QString>
#include <QStyleOption>

class QLayoutItem;

// Options of the styles' own complex controls (QStyle::CC_CustomBase + 2 to
// + 9) and the slider's groove brush. Each has a Type and a Version of its
// own, so qstyleoption_cast tells them from Qt's options and from each other.

namespace Nuvra {
namespace Style {

// The style's own complex controls.
constexpr QStyle::ComplexControl CC_IconButton = QStyle::ComplexControl(QStyle::CC_CustomBase + 2);
constexpr QStyle::ComplexControl CC_DockSeparators = QStyle::ComplexControl(QStyle::CC_CustomBase + 3);
constexpr QStyle::ComplexControl CC_DockFrame = QStyle::ComplexControl(QStyle::CC_CustomBase + 4);
constexpr QStyle::ComplexControl CC_InnerFrame = QStyle::ComplexControl(QStyle::CC_CustomBase + 5);
constexpr QStyle::ComplexControl CC_PanelHeader = QStyle::ComplexControl(QStyle::CC_CustomBase + 6);
constexpr QStyle::ComplexControl CC_ColorPair = QStyle::ComplexControl(QStyle::CC_CustomBase + 7);
constexpr QStyle::ComplexControl CC_ColorPairSmall = QStyle::ComplexControl(QStyle::CC_CustomBase + 8);
constexpr QStyle::ComplexControl CC_ComponentSlider = QStyle::ComplexControl(QStyle::CC_CustomBase + 9);

// A slider that brings a groove brush of its own. It keeps Qt's slider type,
// so every slider path reads it as a slider, and is told apart by a version
// no plain or caller-extended slider option carries.
class StyleOptionSliderGroove : public QStyleOptionSlider {
public:
    enum StyleOptionType { Type = SO_Slider };
    enum StyleOptionVersion { Version = 0x4e10 };

    StyleOptionSliderGroove() { version = Version; }

    // Not used when it is a solid transparent brush.
    QBrush grooveBrush{Qt::transparent};
};

// An icon drawn centred, for CC_IconButton.
class StyleOptionIconButton : public QStyleOptionComplex {
public:
    enum StyleOptionType { Type = SO_ComplexCustomBase + 1 };
    enum StyleOptionVersion { Version = 1 };

    StyleOptionIconButton() : QStyleOptionComplex(Version, Type) {}

    QIcon icon;
    bool on = false;
    bool selected = false;
};

// The layout items of the four dock lines, for CC_DockSeparators. Items that
// are not main-window items are skipped.
class StyleOptionDockLines : public QStyleOptionComplex {
public:
    enum StyleOptionType { Type = SO_ComplexCustomBase + 0x4e03 };
    enum StyleOptionVersion { Version = 1 };

    StyleOptionDockLines() : QStyleOptionComplex(Version, Type) {}

    QList<QLayoutItem*> top;
    QList<QLayoutItem*> bottom;
    QList<QLayoutItem*> left;
    QList<QLayoutItem*> right;
};

// A dock's area and its contents margins, for CC_DockFrame.
class StyleOptionDockFrame : public QStyleOptionComplex {
public:
    enum StyleOptionType { Type = SO_ComplexCustomBase + 0x4e04 };
    enum StyleOptionVersion { Version = 1 };

    StyleOptionDockFrame() : QStyleOptionComplex(Version, Type) {}

    Qt::DockWidgetArea area = Qt::NoDockWidgetArea;
    int leftMargin = 0;
    int topMargin = 0;
    int rightMargin = 0;
    int bottomMargin = 0;
    // The flat styles draw a line along its bottom edge when it is valid.
    QRect lineRect;
};

// A panel's title strip, for CC_PanelHeader.
class StyleOptionPanelHeader : public QStyleOptionComplex {
public:
    enum StyleOptionType { Type = SO_ComplexCustomBase + 0x4e06 };
    enum StyleOptionVersion { Version = 1 };

    StyleOptionPanelHeader() : QStyleOptionComplex(Version, Type) {}

    int headerHeight = 0;
    int bold = 0; // 1: the title is shown, in bold
    bool noBottomLine = false;
    bool coloured = false;
    bool roundedTop = false; // the flat styles cut the two top corners
    QColor colour;
    QString title;
};

// Two colour swatches with the swap and reset marks, for CC_ColorPair and
// CC_ColorPairSmall. The first colour shows in the front swatch, the second
// in the one behind it.
class StyleOptionColorPair : public QStyleOptionComplex {
public:
    enum StyleOptionType { Type = SO_ComplexCustomBase + 0x4e07 };
    enum StyleOptionVersion { Version = 1 };

    StyleOptionColorPair() : QStyleOptionComplex(Version, Type) {}

    QColor first;
    QColor second;
};

// A colour component bar with its handle, for CC_ComponentSlider.
class StyleOptionComponentSlider : public QStyleOptionComplex {
public:
    enum StyleOptionType { Type = SO_ComplexCustomBase + 0x4e09 };
    enum StyleOptionVersion { Version = 1 };

    StyleOptionComponentSlider() : QStyleOptionComplex(Version, Type) {}

    int handlePosition = 0; // x of the handle's tip, in the widget
    int inset = 0;          // of the bar from the contents' sides
    QBrush gradient;
};

} // namespace Style
} // namespace Nuvra
