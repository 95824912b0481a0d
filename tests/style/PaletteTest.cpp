#include "StyleTestSupport.h"

#include "style/NuvraStyle.h"
#include "style/Palette.h"
#include "style/StyleManager.h"

#include <QApplication>
#include <QBuffer>
#include <QCommonStyle>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <stdexcept>

using namespace Nuvra::Style;

namespace {

QByteArray document(const QByteArray& entries, const QByteArray& doctype = "<!DOCTYPE palette>")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + doctype + "\n<palette version=\"1.0\">\n" + entries +
           "\n</palette>\n";
}

QPalette readStd(const QByteArray& text, const QPalette& base = QPalette())
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return XmlPaletteReader(&buffer).readStdPalette(base);
}

ExtendedPalette readExt(const QByteArray& text, const ExtendedPalette& base = ExtendedPalette())
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return XmlPaletteReader(&buffer).readExtPalette(base);
}

const QColor kNoColour(1, 2, 3, 4);

QColor ext(const ExtendedPalette& p, Skin::ColorId id)
{
    return p.getColor(id, kNoColour);
}

} // namespace

TEST(PaletteReader, StandardEntries)
{
    const QPalette p = readStd(document(
        "<color name=\" Window \" active=\"1;2;3\" inactive=\"4;5;6\" disabled=\"7;8;9\"/>\n"
        "<color name=\"window\" active=\"99;99;99\" inactive=\"99;99;99\" disabled=\"99;99;99\"/>\n"
        "<group><color name=\"Base\" active=\"188;188;188;\" inactive=\"10;;20;;30\" disabled=\"10;10;10;128\"/></group>\n"
        "<color name=\"PlaceholderText\" active=\"5;5;5\" inactive=\"5;5;5\" disabled=\"5;5;5\"/>\n"
        "<color name=\"Text\" active=\"300;-4;x\" inactive=\"0;0;0\" disabled=\"0;0;0\"/>"));
    EXPECT_EQ(p.color(QPalette::Active, QPalette::Window), QColor(1, 2, 3));
    EXPECT_EQ(p.color(QPalette::Inactive, QPalette::Window), QColor(4, 5, 6));
    EXPECT_EQ(p.color(QPalette::Disabled, QPalette::Window), QColor(7, 8, 9));
    EXPECT_EQ(p.brush(QPalette::Active, QPalette::Window).style(), Qt::SolidPattern);
    EXPECT_EQ(p.color(QPalette::Active, QPalette::Base), QColor(188, 188, 188));
    EXPECT_EQ(p.color(QPalette::Inactive, QPalette::Base), QColor(10, 20, 30));
    EXPECT_EQ(p.color(QPalette::Disabled, QPalette::Base), QColor(10, 10, 10, 255)) << "a fourth number is ignored";
    EXPECT_NE(p.color(QPalette::Active, QPalette::PlaceholderText).rgb(), QColor(5, 5, 5).rgb());
    EXPECT_EQ(p.color(QPalette::Active, QPalette::Text), QColor(255, 0, 0)) << "numbers clamped, no number is 0";
}

TEST(PaletteReader, ShortStandardGroupsAreSkippedWithOneWarning)
{
    QPalette base;
    base.setColor(QPalette::Button, QColor(50, 60, 70));
    ExpectedWarnings w({QStringLiteral("fewer than three numbers")});
    const QPalette p = readStd(document("<color name=\"Button\" active=\"1;2\" inactive=\"4;5;6\"/>\n"
                                        "<color name=\"Light\" active=\"1\" inactive=\"1\" disabled=\"1\"/>"),
                               base);
    EXPECT_EQ(p.color(QPalette::Active, QPalette::Button), QColor(50, 60, 70));
    EXPECT_EQ(p.color(QPalette::Inactive, QPalette::Button), QColor(4, 5, 6));
    EXPECT_EQ(p.color(QPalette::Disabled, QPalette::Button), base.color(QPalette::Disabled, QPalette::Button));
    EXPECT_EQ(w.count(QStringLiteral("fewer than three numbers")), 1);
}

TEST(PaletteReader, ExtendedEntries)
{
    const ExtendedPalette p = readExt(document(
        "<color name=\"WindowBase\" active=\"74;74;74;74\"/>\n"
        "<color name=\"Splitter1\" active=\"255;255;255;128\" inactive=\"1;1;1\" disabled=\"2;2;2\"/>\n"
        "<color name=\"Button1\" active=\"1;2\"/>\n"
        "<color name=\"Button2\" active=\"1;2;3;4;5\"/>\n"
        "<color name=\"TabTextColor\" active=\"1;2;3\"/>\n"
        "<color name=\"None\" active=\"1;2;3\"/>\n"
        "<color name=\"ChartPen\" active=\"1;2;3\"/>\n"
        "<color name=\"ChartPen\" active=\"4;5;6\"/>\n"
        "<color name=\" SepartingLines\" active=\"7;;8;9;\"/>\n"
        "<color name=\"SeparatingLines\" active=\"7;8;9\"/>\n"
        "<color name=\"ChartGrid\" active=\"-20;999;0;300\"/>"));
    EXPECT_EQ(ext(p, Skin::WindowBase), QColor(74, 74, 74, 74));
    EXPECT_EQ(ext(p, Skin::Splitter1), QColor(255, 255, 255, 128));
    EXPECT_EQ(ext(p, Skin::Button1), kNoColour);
    EXPECT_EQ(ext(p, Skin::Button2), kNoColour);
    EXPECT_EQ(ext(p, Skin::ChartPen), QColor(4, 5, 6)) << "the later entry wins";
    EXPECT_EQ(ext(p, Skin::SepartingLines), QColor(7, 8, 9));
    EXPECT_EQ(ext(p, Skin::ChartGrid), QColor(0, 255, 0, 255));
    EXPECT_EQ(p.count(), 5);
}

TEST(PaletteReader, DocumentsThatAreNotPalettes)
{
    const QByteArray entry = "<color name=\"ChartPen\" active=\"1;2;3\"/>";
    EXPECT_EQ(ext(readExt(document(entry, "")), Skin::ChartPen), QColor(1, 2, 3)) << "no document type";

    try {
        readExt(document(entry, "<!DOCTYPE theme>"));
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Type of document is not a palette");
    }
    EXPECT_THROW(readStd(document("", "<!DOCTYPE Palette>")), std::runtime_error);

    ExtendedPalette base;
    base.setColor(Skin::ChartGrid, QColor(9, 9, 9));
    const QByteArray full = document(entry + "\n<color name=\"Layers1\" active=\"4;5;6\"/>");
    for (const QByteArray& broken : {full.left(full.indexOf("Layers1") + 4), QByteArray(), QByteArray("<palette><color"),
                                     QByteArray("<palette><color name=\"ChartPen\" active=\"1;2;3\"/></wrong>")}) {
        const ExtendedPalette p = readExt(broken, base);
        EXPECT_EQ(p.count(), 1) << broken.constData();
        EXPECT_EQ(ext(p, Skin::ChartGrid), QColor(9, 9, 9));
        EXPECT_EQ(ext(p, Skin::ChartPen), kNoColour) << "entries before the break are dropped";
    }
    QPalette stdBase;
    stdBase.setColor(QPalette::Window, QColor(1, 1, 1));
    EXPECT_EQ(readStd(QByteArray("<palette><color name=\"Window\" active=\"9;9;9\" inactive=\"9;9;9\" disabled=\"9;9;9\"/"), stdBase)
                  .color(QPalette::Active, QPalette::Window),
              QColor(1, 1, 1));
}

TEST(ColorIds, NamesRoundTrip)
{
    EXPECT_EQ(static_cast<int>(Skin::ColorIdCount), 114);
    for (int i = 1; i < Skin::ColorIdCount; ++i) {
        const auto id = static_cast<Skin::ColorId>(i);
        EXPECT_EQ(Skin::colorIdFromName(Skin::colorIdName(id)), id) << i;
    }
    EXPECT_EQ(Skin::colorIdName(Skin::ToolButtonHighlight), QStringLiteral("ToolButtonHighlight"));
    EXPECT_EQ(Skin::colorIdName(Skin::ProductModeSelectedColor), QStringLiteral("ProductModeSelectedColor"));
    EXPECT_EQ(Skin::colorIdFromName(QStringLiteral("None")), Skin::None);
    EXPECT_EQ(Skin::colorIdFromName(QStringLiteral("toolButtonHighlight")), Skin::None);
    EXPECT_TRUE(Skin::colorIdName(Skin::None).isEmpty());
}

// The shipped files.

namespace {

// The files' entries read with a regular expression, apart from the reader.
std::map<QString, QStringList> fileEntries(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    std::map<QString, QStringList> entries;
    const QString text = QString::fromUtf8(file.readAll());
    static const QRegularExpression color(QStringLiteral("<color ([^>]*)/>"));
    static const QRegularExpression attribute(QStringLiteral("(\\w+)=\"([^\"]*)\""));
    auto it = color.globalMatch(text);
    while (it.hasNext()) {
        const QString attrs = it.next().captured(1);
        QString name;
        QStringList values;
        auto a = attribute.globalMatch(attrs);
        while (a.hasNext()) {
            const auto m = a.next();
            if (m.captured(1) == QLatin1String("name"))
                name = m.captured(2);
            else
                values << m.captured(2);
        }
        entries[name] = values;
    }
    return entries;
}

const char* const kNuvraStandard[][4] = {
    {"WindowText", "10;10;10", "10;10;10", "128;128;128"},
    {"Button", "185;185;185", "185;185;185", "205;207;210"},
    {"Light", "245;245;245", "245;245;245", "245;245;245"},
    {"Midlight", "125;125;125", "125;125;125", "144;144;144"},
    {"Dark", "85;85;85", "85;85;85", "85;85;85"},
    {"Mid", "199;199;199", "203;203;203", "199;199;199"},
    {"Text", "10;10;10", "10;10;10", "199;199;199"},
    {"BrightText", "255;255;255", "255;255;255", "255;255;255"},
    {"ButtonText", "10;10;10", "10;10;10", "128;128;128"},
    {"Base", "246;246;246", "246;246;246", "239;239;239"},
    {"Window", "230;230;230", "230;230;230", "230;230;230"},
    {"Shadow", "125;125;125", "125;125;125", "125;125;125"},
    {"Highlight", "174;174;174", "174;174;174", "174;174;174"},
    {"HighlightedText", "255;255;255", "255;255;255", "255;255;255"},
    {"Link", "0;140;17", "0;140;17", "0;0;238"},
    {"LinkVisited", "0;140;17", "0;140;17", "82;24;139"},
    {"AlternateBase", "224;224;224", "224;224;224", "224;224;224"},
    {"ToolTipBase", "255;255;220", "255;255;220", "255;255;220"},
    {"ToolTipText", "0;0;0", "0;0;0", "0;0;0"},
};

const char* const kNuvraExtended[][2] = {
    {"ToolButtonHighlight", "81;81;91;255"}, {"MenuItemHighlight", "81;81;91;255"},
    {"Splitter1", "255;255;255;128"}, {"ChartPen", "0;0;0;255"}, {"ChartGrid", "187;187;187;255"},
    {"Layers1", "255;0;0;255"}, {"Layers2", "255;255;255;255"}, {"Layers3", "0;0;0;255"},
    {"ColorComponent1", "85;85;85;255"}, {"RangeGradientSlider1", "135;131;126;255"},
    {"RangeGradientSlider2", "255;255;255;255"}, {"ColorWidget2Pen", "200;0;0;255"},
    {"ColorPalette1", "0;0;0;100"}, {"ColorPalette2", "255;255;255;155"},
    {"ColorPaletteDelimiter", "255;255;255;255"}, {"ColorPaletteInnerFrame", "217;217;217;255"},
    {"ColorPaletteGradient0", "119;119;119;255"}, {"ColorPaletteGradient1", "185;185;185;255"},
    {"ColorPaletteGradient2", "0;0;3;0"}, {"ColorBasketDark", "153;153;153;255"},
    {"ColorBasketLight", "255;255;255;255"}, {"ColorBasketSelected", "255;255;255;255"},
    {"ColorBasketNormal", "0;0;0;0"}, {"ColorButton1", "192;220;192;255"}, {"ColorButton2", "217;217;217;255"},
    {"ColorButton3", "119;119;119;255"}, {"ColorButton4", "185;185;185;255"}, {"ColorButton5", "255;255;255;255"},
    {"ComponentDark", "162;162;162;255"}, {"ComponentLight", "255;255;255;255"},
    {"ViewportTilteScheme", "255;255;255;160"}, {"ZipViewUiBase", "255;255;255;255"},
    {"ZipViewUiHighlight", "176;176;176;255"}, {"ZipViewUiText", "112;112;112;255"},
    {"OverlayEdge", "0;160;255;255"}, {"OverlayTransparent", "0;160;255;100"}, {"SwatchesLine", "85;85;85;255"},
    {"HintText", "255;255;255;255"}, {"HintBackground", "136;136;136;255"}, {"SepartingLines", "112;112;112;255"},
    {"TabLineHighlight", "85;85;85;255"}, {"TabLineShadow", "161;161;161;255"}, {"TabShadow", "199;199;199;255"},
    {"TabBorder", "255;255;255;255"}, {"WindowTitle", "75;75;75;255"}, {"WindowBorder", "125;125;125;255"},
    {"RulersBackground", "255;255;255;255"}, {"RulersMarks", "0;0;0;255"}, {"RulersMouseMark", "136;136;136;255"},
    {"NavigatorTicks", "136;136;136;255"}, {"RollupHeaderColor", "200;200;200;255"},
    {"IndicatorArrowBase", "85;85;85;255"}, {"IndicatorArrowShadow", "85;85;85;255"},
    {"IndicatorArrowHidhlight", "255;255;255;255"}, {"IndicatorArrowDisabled", "200;200;200;255"},
    {"SliderFrame", "100;100;100;255"}, {"SliderArrow", "100;100;100;255"}, {"TopBarBackground", "106;106;106;255"},
    {"ProgressBarBackground", "200;200;200;255"}, {"ProgressBarItem", "106;106;106;255"},
    {"ShowCaseCheckedItem", "198;198;198;255"}, {"WindowBase", "224;224;224;255"},
    {"WindowAlternateBase", "217;217;217;255"}, {"DualSliderMiddleArea", "81;81;91;255"},
    {"ViewportSplitterLine", "125;125;125;255"}, {"ViewportSplitterLineDisabled", "128;128;128;255"},
    {"ActiveTabHeaderColor", "230;230;230;255"}, {"TabSelectedTextColor", "10;10;10;255"},
    {"RollupHeaderTextColor", "10;10;10;255"}, {"RollupTableInnerBorderColor", "199;199;199;255"},
    {"DockingUnderTabTitleLineColor", "125;125;125;255"}, {"DockingWindowBorderColor", "125;125;125;255"},
    {"DockingFilterFooterSeparatorColor", "230;230;230;255"}, {"ScrollAreaDelimeter", "125;125;125;255"},
    {"NavigatorImageFrameColor", "190;60;60;255"}, {"RGBSliderHandleColor", "0;0;0;255"},
    {"NewDockPresetClickedColor", "224;224;224;255"}, {"NewDockPresetHoveredColor", "224;224;224;255"},
    {"NewDockPresetCheskedColor", "224;224;224;255"}, {"HistoryDefaultColor", "215;215;215;255"},
    {"FileInfoDefaultColor", "246;246;246;255"}, {"FileInfoAlternativeColor", "224;224;224;255"},
    {"NotificationsNewsItemBackgroundColor", "245;245;245;255"},
};

QColor fromText(const QString& text)
{
    const QStringList n = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    return QColor(n[0].toInt(), n[1].toInt(), n[2].toInt(), n.size() > 3 ? n[3].toInt() : 255);
}

const QString kStyles = QStringLiteral(":/Styles/");

} // namespace

TEST(ShippedPalettes, NuvraStyleFilesHoldTheTables)
{
    NuvraStyle style; // registers the resources
    const auto standard = fileEntries(kStyles + "NuvraStyle/Standard.palette");
    EXPECT_EQ(standard.size(), 19u);
    const QPalette read = style.standardPalette();
    const QPalette::ColorGroup groups[] = {QPalette::Active, QPalette::Inactive, QPalette::Disabled};
    const QPalette::ColorRole roles[] = {
        QPalette::WindowText, QPalette::Button,     QPalette::Light,         QPalette::Midlight, QPalette::Dark,
        QPalette::Mid,        QPalette::Text,       QPalette::BrightText,    QPalette::ButtonText, QPalette::Base,
        QPalette::Window,     QPalette::Shadow,     QPalette::Highlight,     QPalette::HighlightedText,
        QPalette::Link,       QPalette::LinkVisited, QPalette::AlternateBase, QPalette::ToolTipBase,
        QPalette::ToolTipText};
    int i = 0;
    for (const auto& row : kNuvraStandard) {
        const QString name = QString::fromLatin1(row[0]);
        ASSERT_EQ(standard.count(name), 1u) << row[0];
        EXPECT_EQ(standard.at(name), (QStringList{row[1], row[2], row[3]})) << row[0];
        for (int g = 0; g < 3; ++g)
            EXPECT_EQ(read.color(groups[g], roles[i]), fromText(QString::fromLatin1(row[g + 1]))) << row[0] << g;
        ++i;
    }

    const auto extended = fileEntries(kStyles + "NuvraStyle/Extended.palette");
    EXPECT_EQ(extended.size(), 83u);
    const ExtendedPalette* ext = style.extendedPalette();
    EXPECT_EQ(ext->count(), 83);
    for (const auto& row : kNuvraExtended) {
        const QString name = QString::fromLatin1(row[0]);
        ASSERT_EQ(extended.count(name), 1u) << row[0];
        EXPECT_EQ(extended.at(name), QStringList{row[1]}) << row[0];
        EXPECT_EQ(ext->getColor(Skin::colorIdFromName(name), kNoColour), fromText(QString::fromLatin1(row[1])))
            << row[0];
    }
}

TEST(ShippedPalettes, OtherStylesHoldTheirRolesAndGivenRows)
{
    const struct {
        const char* style;
        int extended;
        const char* present;
        const char* absent;
        std::map<QString, QString> rows;
    } cases[] = {
        {"DarkStyle", 85, "ViewportBackground", "HistoryDefaultColor",
         {{"Window", "45;45;45"}, {"WindowText", "230;230;230"}, {"Base", "66;66;66"}, {"Button", "67;67;67"},
          {"Highlight", "130;130;130"}, {"ToolButtonHighlight", "141;141;141;255"}, {"WindowBase", "45;45;45;255"},
          {"TopBarBackground", "64;64;64;255"}, {"OverlayEdge", "255;160;0;255"}}},
        {"MidStyle", 85, "HistoryDefaultColor", "ViewportBackground",
         {{"Window", "74;74;74"}, {"WindowText", "230;230;230"}, {"Base", "106;106;106"}, {"Button", "77;77;77"},
          {"Highlight", "150;150;150"}, {"ToolButtonHighlight", "150;150;150;255"}, {"WindowBase", "74;74;74;255"},
          {"TopBarBackground", "64;64;64;255"}, {"OverlayEdge", "255;160;0;255"}}},
        {"ModernStyle", 114, "TabTextColor", "",
         {{"Window", "215;215;215"}, {"WindowText", "51;51;51"}, {"Base", "215;215;215"}, {"Button", "215;215;215"},
          {"Highlight", "127;127;127"}, {"ToolButtonHighlight", "127;127;127;255"},
          {"WindowBase", "215;215;215;255"}, {"TopBarBackground", "215;215;215;255"},
          {"OverlayEdge", "255;160;0;255"}, {"ButtonNormalColor", "215;215;215;255"},
          {"ButtonHoveredColor", "127;127;127;255"}}},
        {"ModernGray", 114, "TabTextColor", "",
         {{"Window", "74;74;74;"}, {"WindowText", "220;220;220"}, {"Base", "96;96;96;"}, {"Button", "74;74;74"},
          {"Highlight", "52;52;52"}, {"ToolButtonHighlight", "52;52;52;255"}, {"WindowBase", "74;74;74;255"},
          {"TopBarBackground", "74;74;74;255"}, {"OverlayEdge", "255;160;0;255"},
          {"ButtonNormalColor", "74;74;74;255"}, {"ButtonHoveredColor", "52;52;52;255"}}},
    };
    NuvraStyle registersResources;
    for (const auto& c : cases) {
        const QString folder = kStyles + QLatin1String(c.style) + "/";
        const auto standard = fileEntries(folder + "Standard.palette");
        const auto extended = fileEntries(folder + "Extended.palette");
        EXPECT_EQ(standard.size(), 19u) << c.style;
        EXPECT_EQ(static_cast<int>(extended.size()), c.extended) << c.style;
        EXPECT_EQ(extended.count(QLatin1String(c.present)), 1u) << c.style;
        EXPECT_EQ(extended.count(QLatin1String(c.absent)), 0u) << c.style;
        for (const auto& [role, value] : c.rows) {
            const auto& table = standard.count(role) ? standard : extended;
            ASSERT_EQ(table.count(role), 1u) << c.style << " " << role.toStdString();
            EXPECT_EQ(table.at(role).first(), value) << c.style << " " << role.toStdString();
        }
        // Every extended role the file names is one the reader knows, but for TabTextColor.
        for (const auto& entry : extended) {
            const bool known = Skin::colorIdFromName(entry.first) != Skin::None;
            EXPECT_TRUE(known || entry.first == QLatin1String("TabTextColor"))
                << c.style << " " << entry.first.toStdString();
        }
    }
}

TEST(ShippedPalettes, TextIsLegibleAndDisabledTextDimmer)
{
    const char* const styles[] = {"DarkStyle", "MidStyle", "ModernStyle", "ModernGray"};
    const struct {
        QPalette::ColorRole text, background;
    } pairs[] = {{QPalette::WindowText, QPalette::Window},     {QPalette::Text, QPalette::Base},
                 {QPalette::ButtonText, QPalette::Button},     {QPalette::HighlightedText, QPalette::Highlight},
                 {QPalette::ToolTipText, QPalette::ToolTipBase}};
    const struct {
        Skin::ColorId text, background;
    } extPairs[] = {{Skin::HintText, Skin::HintBackground},
                    {Skin::TabSelectedTextColor, Skin::ActiveTabHeaderColor},
                    {Skin::RollupHeaderTextColor, Skin::RollupHeaderColor},
                    {Skin::ZipViewUiText, Skin::ZipViewUiBase}};
    for (const char* name : styles) {
        std::unique_ptr<QStyle> style(StyleManager::createStyle(QStringLiteral("NuvraStyle")));
        style->setProperty("ResourcePath", kStyles + QLatin1String(name) + "/");
        const QPalette p = style->standardPalette();
        for (const auto& pair : pairs) {
            for (auto group : {QPalette::Active, QPalette::Inactive}) {
                EXPECT_GE(contrast(p.color(group, pair.text), p.color(group, pair.background)), 4.5)
                    << name << " role " << pair.text;
            }
        }
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
            const auto bg = role == QPalette::Text ? QPalette::Base
                            : role == QPalette::ButtonText ? QPalette::Button : QPalette::Window;
            EXPECT_LT(contrast(p.color(QPalette::Disabled, role), p.color(QPalette::Disabled, bg)),
                      contrast(p.color(QPalette::Active, role), p.color(QPalette::Active, bg)) * 0.6)
                << name << " role " << role;
        }
        const ExtendedPalette* ext = static_cast<NuvraStyle*>(style.get())->extendedPalette();
        for (const auto& pair : extPairs) {
            if (ext->contains(pair.text) && ext->contains(pair.background)) {
                EXPECT_GE(contrast(ext->getColor(pair.text, {}), ext->getColor(pair.background, {})), 4.5)
                    << name << " " << Skin::colorIdName(pair.text).toStdString();
            }
        }
        // A highlighted menu item: highlighted text on the item highlight,
        // which stands out from the menu's own background.
        const QColor menuHighlight = ext->getColor(Skin::MenuItemHighlight, p.color(QPalette::Dark));
        EXPECT_GE(contrast(p.color(QPalette::HighlightedText), menuHighlight), 4.5) << name;
        EXPECT_GE(contrast(menuHighlight, p.color(QPalette::Window).lighter(103)), 1.5) << name;
    }
}

TEST(SkinColors, FromTheCurrentStyleOrTheDefault)
{
    InjectedScreen screen(1920, 1080, 72);
    const QColor fallback(12, 34, 56);
    StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("NuvraStyle")), 1.0);
    EXPECT_EQ(Skin::getColor(Skin::Button1, fallback), fallback);
    EXPECT_EQ(Skin::getColor(Skin::ColorPaletteGradient2, fallback), QColor(0, 0, 3, 0));

    StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("DarkStyle")), 1.0);
    EXPECT_EQ(Skin::getColor(Skin::ViewportBackground, fallback), QColor(38, 38, 38));
    EXPECT_EQ(Skin::getColor(Skin::HistoryDefaultColor, fallback), fallback);

    QApplication::setStyle(new QCommonStyle);
    EXPECT_EQ(Skin::getColor(Skin::ChartPen, fallback), fallback);
    QApplication::setStyle(QStringLiteral("Fusion"));
}

TEST(StylePalettes, MissingFilesLeaveDefaultsAndAreReadOnce)
{
    NuvraStyle style;
    style.setProperty("ResourcePath", QStringLiteral("/nonexistent/folder/"));
    takeDebugLines();
    EXPECT_EQ(style.standardPalette(), QPalette());
    EXPECT_EQ(style.standardPalette(), QPalette());
    const QStringList lines = takeDebugLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], QStringLiteral("Can not find standard palette file: /nonexistent/folder/Standard.palette"));
    EXPECT_EQ(style.extendedPalette()->count(), 0);

    // Read once: a later change of folder does not reload.
    NuvraStyle loaded;
    const QColor window = loaded.standardPalette().color(QPalette::Window);
    loaded.setProperty("ResourcePath", QStringLiteral(":/Styles/DarkStyle/"));
    EXPECT_EQ(loaded.standardPalette().color(QPalette::Window), window);
}

TEST(StylePalettes, WrongDocumentTypeIsReportedAndLeavesDefaults)
{
    QTemporaryDir dir;
    for (const char* file : {"Standard.palette", "Extended.palette"}) {
        QFile f(dir.filePath(QLatin1String(file)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(document("<color name=\"Window\" active=\"1;2;3\" inactive=\"1;2;3\" disabled=\"1;2;3\"/>"
                         "<color name=\"ChartPen\" active=\"1;2;3\"/>",
                         "<!DOCTYPE theme>"));
    }
    NuvraStyle style;
    style.setProperty("ResourcePath", dir.path() + "/");
    takeDebugLines();
    EXPECT_EQ(style.standardPalette(), QPalette());
    EXPECT_EQ(takeDebugLines(),
              QStringList{QStringLiteral("Can not parse standard palette file: ") + dir.filePath("Standard.palette")});
    EXPECT_EQ(style.extendedPalette()->count(), 0);
}
