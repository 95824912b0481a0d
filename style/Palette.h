#pragma once

#include <QColor>
#include <QPalette>
#include <QString>
#include <QXmlStreamReader>

#include <map>

class QIODevice;

namespace Nuvra {
namespace Style {

namespace Skin {

// Extended colour roles, numbered as the palette files name them. Some names
// are misspelt; the files carry them so and they are kept letter for letter.
enum ColorId {
    None = 0,
    ToolButtonHighlight = 1,
    MenuItemHighlight,
    Button1,
    Button2,
    Splitter1,
    ChartPen,
    ChartGrid,
    Layers1,
    Layers2,
    Layers3,
    ColorComponent1,
    RangeGradientSlider1,
    RangeGradientSlider2,
    ColorWidget2Pen,
    ColorPalette1,
    ColorPalette2,
    ColorPaletteDelimiter,
    ColorPaletteInnerFrame,
    ColorPaletteGradient0,
    ColorPaletteGradient1,
    ColorPaletteGradient2,
    ColorBasketDark,
    ColorBasketLight,
    ColorBasketSelected,
    ColorBasketNormal,
    ColorButton1,
    ColorButton2,
    ColorButton3,
    ColorButton4,
    ColorButton5,
    ComponentDark,
    ComponentLight,
    ViewportTilteScheme,
    ZipViewUiBase,
    ZipViewUiHighlight,
    ZipViewUiText,
    OverlayEdge,
    OverlayTransparent,
    SwatchesLine,
    HintText,
    HintBackground,
    SepartingLines,
    TabLineHighlight,
    TabLineShadow,
    TabShadow,
    TabBorder,
    WindowTitle,
    WindowBorder,
    RulersBackground,
    RulersMarks,
    RulersMouseMark,
    NavigatorTicks,
    RollupHeaderColor,
    IndicatorArrowBase,
    IndicatorArrowShadow,
    IndicatorArrowHidhlight,
    IndicatorArrowDisabled,
    SliderFrame,
    SliderArrow,
    TopBarBackground,
    ProgressBarBackground,
    ProgressBarItem,
    ShowCaseCheckedItem,
    WindowBase,
    WindowAlternateBase,
    ViewportBackground,
    DualSliderMiddleArea,
    ViewportSplitterLine,
    ViewportSplitterLineDisabled,
    ActiveTabHeaderColor,
    TabSelectedTextColor,
    ButtonNormalColor,
    ButtonHoveredColor,
    ButtonClickedColor,
    ButtonCheckedColor,
    ButtonDisabledColor,
    TooLButtonBorder,
    RollupHeaderTextColor,
    RollupTableInnerBorderColor,
    DockingUnderTabTitleLineColor,
    DockingWindowBorderColor,
    DockingFilterFooterSeparatorColor,
    SpinBoxBackgroundColor,
    ScrollAreaDelimeter,
    ShadowEffectColor,
    ComboBoxFrameColor,
    NavigatorImageFrameColor,
    SliderHandleColor,
    SliderLeftColor,
    SpinBoxFrameColor,
    RGBSliderHandleColor,
    BrushPresetHoveredColor,
    NewDockPresetClickedColor,
    NewDockPresetHoveredColor,
    NewDockPresetCheskedColor,
    HistoryDefaultColor,
    FileInfoDefaultColor,
    FileInfoAlternativeColor,
    BrushPresetUncheckedColor,
    SliderHandleFrameColor,
    ImageWindowCentralWidgetColor,
    MenuAndComboboxSplittersColor,
    FloatingDockFrameColor,
    DoubleSliderHandsArea,
    SliderDisableHandleFrameColor,
    SliderDisableHandleColor,
    PicturePresetComboBackSelectColor,
    PicturePresetComboBackHoverColor,
    PicturePresetComboFrameNormalColor,
    PicturePresetComboFrameSelectColor,
    NotificationsNewsItemBackgroundColor,
    ProductModeHoveredColor,
    ProductModeSelectedColor,
    ColorIdCount // one past the last role
};

// The file name of a role, or an empty string for None and out-of-range ids.
QString colorIdName(ColorId id);
// The role of a file name (compared case-sensitively), None when unknown.
ColorId colorIdFromName(const QString& name);

// The role's colour in the extended palette of the application's current
// style, or the given default when the style has none or lacks the role.
QColor getColor(ColorId id, QColor defaultColor);

} // namespace Skin

// The extended colours of one style: role to ARGB value.
class ExtendedPalette {
public:
    ExtendedPalette() = default;

    void setColor(Skin::ColorId id, const QColor& color);
    QColor getColor(Skin::ColorId id, const QColor& defaultColor) const;
    bool contains(Skin::ColorId id) const { return m_colors.count(id) != 0; }
    int count() const { return static_cast<int>(m_colors.size()); }

private:
    std::map<Skin::ColorId, QRgb> m_colors;
};

// Reads one palette document ("Standard.palette" or "Extended.palette") from
// an open device. A document type other than "palette" throws
// std::runtime_error; malformed or truncated XML gives back the base palette.
// Colour numbers are clamped to 0..255; a standard colour group with fewer
// than three numbers is skipped, with one warning per document.
class XmlPaletteReader : public QXmlStreamReader {
public:
    explicit XmlPaletteReader(QIODevice* device);

    QPalette readStdPalette(const QPalette& base);
    ExtendedPalette readExtPalette(const ExtendedPalette& base);

    void readColor(QPalette& palette);
    void readColor(ExtendedPalette& palette);

private:
    template <class Palette>
    Palette read(const Palette& base);
    void warnShortEntry();

    bool m_warnedShort = false;
};

} // namespace Style
} // namespace Nuvra
