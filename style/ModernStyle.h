#pragma once

#include "style/NuvraStyle.h"

#include <QPointF>
#include <QString>

class QBrush;
class QPainter;
class QPalette;
class QRect;
class QStyleOptionComboBox;
class QStyleOptionFrame;

namespace Nuvra {
namespace Style {

class StyleOptionPageTab;
class StyleOptionSwatch;


// The flat member of the style family: NuvraStyle's scale, palettes, images
// and busy bars, with widgets prepared, measured and drawn its own way. Its
// palettes and images come from ":/Styles/ModernStyle/".
//
// Metrics are in ModernStyleMetrics.cpp, primitives in
// ModernStylePrimitives.cpp, complex controls in ModernStyleComplex.cpp and
// control elements in ModernStyleControls.cpp.
class ModernStyle : public NuvraStyle {
    Q_OBJECT
public:
    ModernStyle();
    ~ModernStyle() override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void polish(QWidget* widget) override;
    void unpolish(QWidget* widget) override;
    using NuvraStyle::polish;
    using NuvraStyle::unpolish;

    void drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                       const QWidget* w = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* opt, QPainter* p,
                     const QWidget* w = nullptr) const override;
    QRect subElementRect(SubElement r, const QStyleOption* opt, const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                            const QWidget* w = nullptr) const override;
    QRect subControlRect(ComplexControl cc, const QStyleOptionComplex* opt, SubControl sc,
                         const QWidget* w = nullptr) const override;
    int pixelMetric(PixelMetric m, const QStyleOption* opt = nullptr, const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType ct, const QStyleOption* opt, const QSize& contentsSize,
                           const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint sh, const QStyleOption* opt = nullptr, const QWidget* w = nullptr,
                  QStyleHintReturn* shret = nullptr) const override;

    int GetStyleFamily() const override;

    // Where a tab's text and icon go inside its option rectangle; the icon
    // rectangle is written only for a tab with an icon.
    void tabLayout(const QStyleOptionTab* opt, const QWidget* widget, QRect* textRect, QRect* iconRect) const;

    // Draws the image of the resource path centred on the point, from the
    // pixmap cache (loaded and cached on first use); nothing when it cannot
    // be loaded.
    void PrintPixmapFromCache(QPainter* painter, QString path, QPointF centre) const;

private:
    QSize menuItemSizeModern(const QStyleOptionMenuItem* item, const QSize& contentsSize,
                             const QWidget* widget) const;
    QRect scrollBarRectModern(const QStyleOptionSlider* bar, SubControl sc, const QWidget* w) const;
    void drawToolButtonModern(const QStyleOptionComplex* opt, QPainter* p, const QWidget* w) const;
    void drawDockSeparatorsModern(const QStyleOptionComplex* opt, QPainter* p) const;
    void drawMenuItemModern(const QStyleOptionMenuItem* item, QPainter* p, const QWidget* w) const;
    void drawComboBoxLabelModern(const QStyleOptionComboBox* combo, QPainter* p, const QWidget* w) const;
    void drawShapedFrameModern(const QStyleOptionFrame* frame, QPainter* p, const QWidget* w) const;
    // A swatch framed when square, else rounded; a page tab dashed while
    // hovered and outlined with rounded top corners while selected.
    void drawSwatchModern(const StyleOptionSwatch* swatch, QPainter* p, const QWidget* w) const;
    void drawTabHeaderModern(const StyleOptionPageTab* header, QPainter* p, const QWidget* w) const;
};

// ModernStyle drawn from ":/Styles/ModernGray/": its own palettes and images.
class ModernGray : public ModernStyle {
    Q_OBJECT
public:
    ModernGray();
    ~ModernGray() override;
};

// The class-name fragments that make a scroll bar a list scroll bar (of its
// grandparent): such bars are narrower and have no edge lines.
extern const QString brushPresetListViewName;
extern const QString listWidgetName;
// Whether the scroll bar widget is a list scroll bar.
bool isListScrollBar(const QWidget* w);

// A frame of the given shadow (QFrame::Plain, Raised or Sunken) with rounded
// corners of the radius, lit from the top left; fill may be null. Radius 0 is
// Qt's plain rectangle or shaded panel.
void qDrawStylePanel(QPainter* p, const QRect& r, const QPalette& pal, int shadow, int lineWidth, double radius,
                     const QBrush* fill);

} // namespace Style
} // namespace Nuvra
