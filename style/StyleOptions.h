#pragma once

#include <QColor>
#include <QPen>
#include <QPixmap>
#include <QPolygon>
#include <QString>
#include <QStyleOption>

// Options of the styles' own metrics and elements. Each has a Type and a
// Version of its own, so qstyleoption_cast tells them from Qt's options and
// from each other: a style never reads a field an option does not have.

namespace Nuvra {
namespace Style {

// A complex option with a flag word, asked for by the custom metrics that
// choose between two layouts.
class StyleOptionFlags : public QStyleOptionComplex {
public:
    enum StyleOptionType { Type = SO_ComplexCustomBase + 0x4e01 };
    enum StyleOptionVersion { Version = 1 };

    StyleOptionFlags() : QStyleOptionComplex(Version, Type) {}

    int flags = 0;
};

// A tool-button option carrying a polygon, for the style's polygon button.
class StyleOptionPolygon : public QStyleOptionToolButton {
public:
    enum StyleOptionType { Type = SO_ComplexCustomBase + 0x4e02 };
    enum StyleOptionVersion { Version = 1 };

    StyleOptionPolygon()
    {
        type = Type;
        version = Version;
    }

    QPolygon polygon;
};

// The size of a floating dock's frame, drawn in the option's own palette.
class StyleOptionFloatingFrame : public QStyleOption {
public:
    enum StyleOptionType { Type = SO_CustomBase + 0x4e05 };
    enum StyleOptionVersion { Version = 1 };

    StyleOptionFloatingFrame() : QStyleOption(Version, Type) {}

    double width = 0;
    double height = 0;
};

// The style's own control elements.
constexpr QStyle::ControlElement CE_HandlePanel = QStyle::ControlElement(QStyle::CE_CustomBase + 1);
constexpr QStyle::ControlElement CE_PopupFrame = QStyle::ControlElement(QStyle::CE_CustomBase + 2);
constexpr QStyle::ControlElement CE_SwatchButton = QStyle::ControlElement(QStyle::CE_CustomBase + 3);
constexpr QStyle::ControlElement CE_PageTabButton = QStyle::ControlElement(QStyle::CE_CustomBase + 4);

// A panel that may show a tool-bar grip, for CE_HandlePanel. Any other
// option gets the panel without a grip.
class StyleOptionHandlePanel : public QStyleOption {
public:
    enum StyleOptionType { Type = SO_CustomBase + 0x4e11 };
    enum StyleOptionVersion { Version = 1 };

    StyleOptionHandlePanel() : QStyleOption(Version, Type) {}

    bool handle = false;
};

// A colour swatch button, for CE_SwatchButton.
class StyleOptionSwatch : public QStyleOptionToolButton {
public:
    enum StyleOptionType { Type = SO_ComplexCustomBase + 0x4e12 };
    enum StyleOptionVersion { Version = 1 };

    StyleOptionSwatch()
    {
        type = Type;
        version = Version;
    }

    QRect swatchRect;
    bool selected = false;
    bool square = false;
    QColor colour;
    QPixmap pattern;    // shown by square swatches without a colour
    bool hasColour = false;
    QPen framePen;      // of the selection frame
    int dashOffset = 0; // advanced by the owner to animate the selection
};

// A page tab of a dialog, for CE_PageTabButton.
class StyleOptionPageTab : public QStyleOptionToolButton {
public:
    enum StyleOptionType { Type = SO_ComplexCustomBase + 0x4e13 };
    enum StyleOptionVersion { Version = 1 };

    StyleOptionPageTab()
    {
        type = Type;
        version = Version;
    }

    bool hovered = false;
    bool selected = false;
    bool textEnabled = true;
    QString label;
};

} // namespace Style
} // namespace Nuvra
