#pragma once

#include "style/IconLookup.h"

#include <QString>

class QApplication;
class QLayout;
class QPixmap;
class QStyle;
class QWidget;

namespace Nuvra {
namespace Style {

// The road from the application into its widget styles: creates a style by
// name, applies it with a user-interface scale, and rescales widget geometry
// and the application font by that scale. Everything runs on the GUI thread.
class StyleManager {
public:
    StyleManager() = delete;

    // A new style without parent; the caller owns it until it is applied.
    // Unknown names, the empty one included, give a NuvraStyle.
    static QStyle* createStyle(const QString& name);

    // Applies the style with the user's stored "UIScale" (default: native).
    static void applyStyle(QStyle* style);
    // Applies the style with the given scale; 0 asks for the native scale.
    // A style outside the NuvraStyle family gets the application font from
    // before the first scaling pass. The application owns the style
    // afterwards. A null style is ignored.
    static void applyStyle(QStyle* style, double scale);

    // The scale suited to the primary screen, on the scale grid (1.0 to 3.0).
    static double NativeScale();
    // The scale of the current style when it is of the NuvraStyle family, else 1.0.
    static double StyleScale();

    // Scales the widget's minimum and maximum size from the values recorded
    // on the first pass, its layouts and, when recursive, its child widgets.
    static void RescaleWidget(QWidget* widget, double scale, bool recursive);
    // The same with the scale in force; nothing outside the NuvraStyle family.
    static void RescaleWidget(QWidget* widget, bool recursive);
    // Scales margins and spacings of the layout and its nested layouts.
    static void RescaleLayout(QLayout* layout, double scale);
    // The application font at the pixel size of the scale in force; the
    // first pass records the font as it was.
    static void RescaleApplicationFont(QApplication* application);

    // state 1 paints the disabled widget as enabled, -1 clears that; other
    // values do nothing.
    static void SetFakeDisabled(QWidget* widget, int state, bool recursive);
    // Whether the widget is to be painted as enabled although disabled;
    // callers pass inherited = false.
    static bool GetFakeDisabledState(const QWidget* widget, bool inherited);

    // Absolute names unchanged; relative ones prefixed with the current
    // style's resource folder.
    static QString realName(const QString& name);
    // One image at the scale in force: ".svg" names are rendered, other
    // images loaded and scaled. True when the pixmap is not null.
    static bool LoadPixmap(QPixmap& pixmap, const QString& name, eRasterizerFilter filter);
};

// True when the current style is of the ModernStyle family.
bool IsModernStyle();

} // namespace Style
} // namespace Nuvra
