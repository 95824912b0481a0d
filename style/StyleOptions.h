#pragma once

#include <QPolygon>
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

} // namespace Style
} // namespace Nuvra
