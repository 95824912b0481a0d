#include "style/Palette.h"

#include "style/NuvraStyle.h"

#include <QApplication>
#include <QFileDevice>
#include <QHash>
#include <QStringList>
#include <QVector>

#include <algorithm>
#include <array>
#include <stdexcept>

namespace Nuvra {
namespace Style {

namespace {

const std::array<const char*, Skin::ColorIdCount - 1> kColorIdNames = {
    "ToolButtonHighlight",
    "MenuItemHighlight",
    "Button1",
    "Button2",
    "Splitter1",
    "ChartPen",
    "ChartGrid",
    "Layers1",
    "Layers2",
    "Layers3",
    "ColorComponent1",
    "RangeGradientSlider1",
    "RangeGradientSlider2",
    "ColorWidget2Pen",
    "ColorPalette1",
    "ColorPalette2",
    "ColorPaletteDelimiter",
    "ColorPaletteInnerFrame",
    "ColorPaletteGradient0",
    "ColorPaletteGradient1",
    "ColorPaletteGradient2",
    "ColorBasketDark",
    "ColorBasketLight",
    "ColorBasketSelected",
    "ColorBasketNormal",
    "ColorButton1",
    "ColorButton2",
    "ColorButton3",
    "ColorButton4",
    "ColorButton5",
    "ComponentDark",
    "ComponentLight",
    "ViewportTilteScheme",
    "ZipViewUiBase",
    "ZipViewUiHighlight",
    "ZipViewUiText",
    "OverlayEdge",
    "OverlayTransparent",
    "SwatchesLine",
    "HintText",
    "HintBackground",
    "SepartingLines",
    "TabLineHighlight",
    "TabLineShadow",
    "TabShadow",
    "TabBorder",
    "WindowTitle",
    "WindowBorder",
    "RulersBackground",
    "RulersMarks",
    "RulersMouseMark",
    "NavigatorTicks",
    "RollupHeaderColor",
    "IndicatorArrowBase",
    "IndicatorArrowShadow",
    "IndicatorArrowHidhlight",
    "IndicatorArrowDisabled",
    "SliderFrame",
    "SliderArrow",
    "TopBarBackground",
    "ProgressBarBackground",
    "ProgressBarItem",
    "ShowCaseCheckedItem",
    "WindowBase",
    "WindowAlternateBase",
    "ViewportBackground",
    "DualSliderMiddleArea",
    "ViewportSplitterLine",
    "ViewportSplitterLineDisabled",
    "ActiveTabHeaderColor",
    "TabSelectedTextColor",
    "ButtonNormalColor",
    "ButtonHoveredColor",
    "ButtonClickedColor",
    "ButtonCheckedColor",
    "ButtonDisabledColor",
    "TooLButtonBorder",
    "RollupHeaderTextColor",
    "RollupTableInnerBorderColor",
    "DockingUnderTabTitleLineColor",
    "DockingWindowBorderColor",
    "DockingFilterFooterSeparatorColor",
    "SpinBoxBackgroundColor",
    "ScrollAreaDelimeter",
    "ShadowEffectColor",
    "ComboBoxFrameColor",
    "NavigatorImageFrameColor",
    "SliderHandleColor",
    "SliderLeftColor",
    "SpinBoxFrameColor",
    "RGBSliderHandleColor",
    "BrushPresetHoveredColor",
    "NewDockPresetClickedColor",
    "NewDockPresetHoveredColor",
    "NewDockPresetCheskedColor",
    "HistoryDefaultColor",
    "FileInfoDefaultColor",
    "FileInfoAlternativeColor",
    "BrushPresetUncheckedColor",
    "SliderHandleFrameColor",
    "ImageWindowCentralWidgetColor",
    "MenuAndComboboxSplittersColor",
    "FloatingDockFrameColor",
    "DoubleSliderHandsArea",
    "SliderDisableHandleFrameColor",
    "SliderDisableHandleColor",
    "PicturePresetComboBackSelectColor",
    "PicturePresetComboBackHoverColor",
    "PicturePresetComboFrameNormalColor",
    "PicturePresetComboFrameSelectColor",
    "NotificationsNewsItemBackgroundColor",
    "ProductModeHoveredColor",
    "ProductModeSelectedColor",};

struct StdRole {
    const char* name;
    QPalette::ColorRole role;
};

const StdRole kStdRoles[] = {
    {"WindowText", QPalette::WindowText},   {"Button", QPalette::Button},
    {"Light", QPalette::Light},             {"Midlight", QPalette::Midlight},
    {"Dark", QPalette::Dark},               {"Mid", QPalette::Mid},
    {"Text", QPalette::Text},               {"BrightText", QPalette::BrightText},
    {"ButtonText", QPalette::ButtonText},   {"Base", QPalette::Base},
    {"Window", QPalette::Window},           {"Shadow", QPalette::Shadow},
    {"Highlight", QPalette::Highlight},     {"HighlightedText", QPalette::HighlightedText},
    {"Link", QPalette::Link},               {"LinkVisited", QPalette::LinkVisited},
    {"AlternateBase", QPalette::AlternateBase}, {"ToolTipBase", QPalette::ToolTipBase},
    {"ToolTipText", QPalette::ToolTipText},
};

const struct {
    const char* attribute;
    QPalette::ColorGroup group;
} kGroups[] = {
    {"active", QPalette::Active},
    {"inactive", QPalette::Inactive},
    {"disabled", QPalette::Disabled},
};

// "r;g;b[;a]" with empty pieces dropped; a piece that is no number is 0 and
// every number is brought into 0..255.
QVector<int> colorNumbers(const QStringRef& text)
{
    QVector<int> numbers;
    const auto pieces = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    numbers.reserve(pieces.size());
    for (const QStringRef& piece : pieces)
        numbers.append(std::clamp(piece.toInt(nullptr, 10), 0, 255));
    return numbers;
}

} // namespace

// --- Skin -------------------------------------------------------------------

QString Skin::colorIdName(ColorId id)
{
    if (id <= None || id >= ColorIdCount)
        return QString();
    return QString::fromLatin1(kColorIdNames[id - 1]);
}

Skin::ColorId Skin::colorIdFromName(const QString& name)
{
    static const QHash<QString, ColorId> byName = [] {
        QHash<QString, ColorId> h;
        for (int i = 1; i < ColorIdCount; ++i)
            h.insert(QString::fromLatin1(kColorIdNames[i - 1]), static_cast<ColorId>(i));
        return h;
    }();
    return byName.value(name, None);
}

QColor Skin::getColor(ColorId id, QColor defaultColor)
{
    auto* style = qobject_cast<NuvraStyle*>(QApplication::style());
    if (!style)
        return defaultColor;
    return style->extendedPalette()->getColor(id, defaultColor);
}

// --- ExtendedPalette --------------------------------------------------------

void ExtendedPalette::setColor(Skin::ColorId id, const QColor& color)
{
    m_colors[id] = color.rgba();
}

QColor ExtendedPalette::getColor(Skin::ColorId id, const QColor& defaultColor) const
{
    const auto it = m_colors.find(id);
    if (it == m_colors.end())
        return defaultColor;
    return QColor::fromRgba(it->second);
}

// --- XmlPaletteReader -------------------------------------------------------

XmlPaletteReader::XmlPaletteReader(QIODevice* device)
    : QXmlStreamReader(device)
{
}

template <class Palette>
Palette XmlPaletteReader::read(const Palette& base)
{
    Palette working = base;
    while (!atEnd()) {
        switch (readNext()) {
        case StartElement:
            if (name() == QLatin1String("color"))
                readColor(working);
            break;
        case DTD:
            if (dtdName() != QLatin1String("palette"))
                throw std::runtime_error("Type of document is not a palette");
            break;
        case Invalid:
            return base;
        default:
            break;
        }
    }
    return hasError() ? base : working;
}

QPalette XmlPaletteReader::readStdPalette(const QPalette& base)
{
    return read(base);
}

ExtendedPalette XmlPaletteReader::readExtPalette(const ExtendedPalette& base)
{
    return read(base);
}

void XmlPaletteReader::readColor(QPalette& palette)
{
    const QXmlStreamAttributes attrs = attributes();
    const QString roleName = attrs.value(QLatin1String("name")).trimmed().toString();
    const auto role = std::find_if(std::begin(kStdRoles), std::end(kStdRoles),
                                   [&](const StdRole& r) { return roleName == QLatin1String(r.name); });
    if (role == std::end(kStdRoles))
        return;
    for (const auto& g : kGroups) {
        const QVector<int> n = colorNumbers(attrs.value(QLatin1String(g.attribute)));
        if (n.size() < 3) {
            warnShortEntry();
            continue;
        }
        palette.setBrush(g.group, role->role, QBrush(QColor(n[0], n[1], n[2]), Qt::SolidPattern));
    }
}

void XmlPaletteReader::readColor(ExtendedPalette& palette)
{
    const QXmlStreamAttributes attrs = attributes();
    const Skin::ColorId id = Skin::colorIdFromName(attrs.value(QLatin1String("name")).trimmed().toString());
    if (id == Skin::None)
        return;
    const QVector<int> n = colorNumbers(attrs.value(QLatin1String("active")));
    if (n.size() == 3)
        palette.setColor(id, QColor(n[0], n[1], n[2]));
    else if (n.size() == 4)
        palette.setColor(id, QColor(n[0], n[1], n[2], n[3]));
}

void XmlPaletteReader::warnShortEntry()
{
    if (m_warnedShort)
        return;
    m_warnedShort = true;
    const auto* file = qobject_cast<const QFileDevice*>(device());
    qWarning("Palette %s: colours with fewer than three numbers are skipped",
             qUtf8Printable(file ? file->fileName() : QStringLiteral("(stream)")));
}

} // namespace Style
} // namespace Nuvra
