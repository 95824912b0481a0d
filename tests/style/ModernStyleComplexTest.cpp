#include "ModernStyleFixture.h"
#include "StyleTestSupport.h"

#include "style/ComplexDrawing.h"
#include "style/ComplexStyleOptions.h"
#include "style/ModernStyle.h"
#include "style/Palette.h"
#include "style/StyleManager.h"
#include "style/StyleProperties.h"
#include "style/docking/MainWindowItem.h"

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QScrollBar>
#include <QPainter>
#include <QSlider>
#include <QStyleOption>
#include <QTabBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <climits>
#include <functional>

using namespace Nuvra::Style;

namespace {

QImage paint(const std::function<void(QPainter*)>& call, QSize size = QSize(80, 50))
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    call(&p);
    return image;
}

QPalette testPalette()
{
    QPalette pal;
    pal.setColor(QPalette::Midlight, QColor(200, 60, 60));
    pal.setColor(QPalette::Window, QColor(60, 200, 60));
    return pal;
}

bool hasColour(const QImage& image, const QColor& c, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == c)
                return true;
    return false;
}

using ModernComplexTest = ModernStyleFixture;

} // namespace

TEST(Glow, AlphaByDistanceAtScaleOne)
{
    // One glyph pixel; the glow along its row, g = 5.
    QImage text(20, 3, QImage::Format_ARGB32);
    text.fill(0);
    text.setPixel(2, 1, qRgba(0, 0, 0, 21));
    const QImage glow = Complex::glowAround(text, 5, QColor(10, 20, 30));
    const int expected[] = {0, 14, 57, 128, 57, 14, 0, 0};
    for (int d = 0; d < 8; ++d)
        EXPECT_EQ(qAlpha(glow.pixel(2 + d, 1)), expected[d]) << d;
    EXPECT_EQ(qRed(glow.pixel(5, 1)), 10);
    // Alpha 20 is not ink.
    text.setPixel(2, 1, qRgba(0, 0, 0, 20));
    EXPECT_EQ(qAlpha(Complex::glowAround(text, 5, Qt::white).pixel(5, 1)), 0);
}

TEST_F(ModernComplexTest, ComboBoxFillAndArrowByState)
{
    QStyleOptionComboBox combo;
    combo.rect = QRect(0, 0, 80, 25);
    combo.palette = testPalette();
    combo.subControls = QStyle::SC_All;
    struct Case {
        const char* what;
        bool editable;
        QStyle::State state;
        QColor fill;
        bool checkedArrow;
    };
    const QStyle::State on = QStyle::State_Enabled;
    const Case cases[] = {
        {"editable hovered", true, on | QStyle::State_MouseOver, ext(Skin::SpinBoxBackgroundColor), false},
        {"editable focused", true, on | QStyle::State_HasFocus, ext(Skin::SpinBoxBackgroundColor), false},
        {"hovered", false, on | QStyle::State_MouseOver, ext(Skin::ActiveTabHeaderColor), true},
        {"plain", false, on, QColor(60, 200, 60), false},
        {"disabled hovered", false, QStyle::State_MouseOver, QColor(60, 200, 60), false},
    };
    const QRect arrowArea(80 - 18, 2, 16, 21);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        combo.editable = c.editable;
        combo.state = c.state;
        const QImage image = paint([&](QPainter* p) { style->drawComplexControl(QStyle::CC_ComboBox, &combo, p); });
        EXPECT_EQ(image.pixelColor(20, 12), c.fill);
        // The checked arrow is the darker one.
        int darkest = 255;
        for (int y = arrowArea.top(); y <= arrowArea.bottom(); ++y)
            for (int x = arrowArea.left(); x <= arrowArea.right(); ++x)
                darkest = std::min(darkest, image.pixelColor(x, y).green());
        if (c.checkedArrow)
            EXPECT_LT(darkest, 0x40);
        else
            EXPECT_GE(darkest, 0x48);
        EXPECT_LT(darkest, 0x70); // an arrow is there
    }
}

TEST_F(ModernComplexTest, ScrollBarBorderLines)
{
    QWidget grand;
    grand.setProperty("noDownBorder", true);
    QWidget parent(&grand);
    parent.setProperty("noScrollLeftBorder", true);
    QScrollBar bar(&parent);
    bar.setProperty("LineDockScrollBarRightBorder", true);
    QScrollBar loose;
    QStyleOptionSlider opt;
    opt.palette = testPalette();
    opt.state = QStyle::State_Enabled;
    opt.subControls = QStyle::SubControls();
    const QColor midlight(200, 60, 60);
    // Vertical: no left line under "noScrollLeftBorder", a right line.
    opt.orientation = Qt::Vertical;
    opt.rect = QRect(0, 0, 11, 50);
    QImage image = paint([&](QPainter* p) { style->drawComplexControl(QStyle::CC_ScrollBar, &opt, p, &bar); });
    EXPECT_NE(image.pixelColor(0, 25), midlight);
    EXPECT_EQ(image.pixelColor(10, 25), midlight);
    image = paint([&](QPainter* p) { style->drawComplexControl(QStyle::CC_ScrollBar, &opt, p, &loose); });
    EXPECT_EQ(image.pixelColor(0, 25), midlight);
    EXPECT_NE(image.pixelColor(10, 25), midlight);
    // Horizontal: no bottom line under the grandparent's "noDownBorder".
    opt.orientation = Qt::Horizontal;
    opt.rect = QRect(0, 0, 50, 12);
    image = paint([&](QPainter* p) { style->drawComplexControl(QStyle::CC_ScrollBar, &opt, p, &bar); });
    EXPECT_EQ(image.pixelColor(25, 0), midlight);
    EXPECT_NE(image.pixelColor(25, 11), midlight);
}

TEST_F(ModernComplexTest, ListScrollBarHasNoBorderLinesWhateverItsProperties)
{
    QListWidget list;
    QScrollBar* bar = list.verticalScrollBar();
    bar->setProperty("LineDockScrollBarRightBorder", true);
    QStyleOptionSlider opt;
    opt.palette = testPalette();
    opt.state = QStyle::State_Enabled;
    opt.orientation = Qt::Vertical;
    opt.rect = QRect(0, 0, 8, 50);
    const QImage image = paint([&](QPainter* p) { style->drawComplexControl(QStyle::CC_ScrollBar, &opt, p, bar); });
    EXPECT_FALSE(hasColour(image, QColor(200, 60, 60), QRect(0, 0, 8, 50)));
}

TEST_F(ModernComplexTest, TabBarScrollButtonRectangles)
{
    QTabBar tabs;
    auto* scroll = new QToolButton(&tabs);
    scroll->setArrowType(Qt::LeftArrow);
    QStyleOptionToolButton opt;
    opt.palette = testPalette();
    opt.state = QStyle::State_Enabled;
    const QColor midlight(200, 60, 60);
    struct Case {
        QSize size;
        int right, bottom; // of the button rectangle, inclusive
    };
    for (const Case& c : {Case{QSize(20, 30), 18, 27}, Case{QSize(30, 30), 27, 28}, Case{QSize(30, 20), 27, 18}}) {
        SCOPED_TRACE(c.size.width());
        opt.rect = QRect(QPoint(0, 0), c.size);
        const QImage image =
            paint([&](QPainter* p) { style->drawComplexControl(QStyle::CC_ToolButton, &opt, p, scroll); });
        // A one-pixel outline covers right + 1 and bottom + 1.
        EXPECT_EQ(image.pixelColor(c.right + 1, 5), midlight);
        EXPECT_EQ(image.pixelColor(5, c.bottom + 1), midlight);
        EXPECT_EQ(image.pixelColor(c.right + 2, 5).alpha(), 0);
        EXPECT_EQ(image.pixelColor(5, c.bottom + 2).alpha(), 0);
    }
}

TEST_F(ModernComplexTest, TextOnlyNoneButtonGlowsOnlyWhenEnabledAndHovered)
{
    QToolButton button;
    button.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeNone));
    QStyleOptionToolButton opt;
    opt.rect = QRect(0, 0, 80, 50);
    opt.text = QStringLiteral("Glow");
    opt.font = QFont(QStringLiteral("Sans"), 14);
    opt.toolButtonStyle = Qt::ToolButtonTextOnly;
    const QColor glow = ext(Skin::ProductModeHoveredColor);
    const auto glowing = [&](QStyle::State state) {
        opt.state = state;
        const QImage image =
            paint([&](QPainter* p) { style->drawComplexControl(QStyle::CC_ToolButton, &opt, p, &button); });
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() > 0 && c.alpha() < 200 && std::abs(c.red() - glow.red()) < 8 &&
                    std::abs(c.green() - glow.green()) < 8 && std::abs(c.blue() - glow.blue()) < 8)
                    return true;
            }
        return false;
    };
    EXPECT_TRUE(glowing(QStyle::State_Enabled | QStyle::State_MouseOver));
    EXPECT_FALSE(glowing(QStyle::State_Enabled));
    EXPECT_FALSE(glowing(QStyle::State_MouseOver));
}

TEST_F(ModernComplexTest, MenuIndicatorOfOwnShapesWithoutMenuPart)
{
    QStyleOptionToolButton opt;
    opt.rect = QRect(0, 0, 60, 40);
    opt.state = QStyle::State_Enabled;
    opt.features = QStyleOptionToolButton::HasMenu;
    opt.subControls = QStyle::SC_ToolButton;
    opt.toolButtonStyle = Qt::ToolButtonTextOnly;
    QToolButton toolType;
    toolType.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeTool));
    QToolButton none;
    none.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeNone));
    const int k = style->pixelMetric(QStyle::PM_MenuButtonIndicator, &opt, &toolType) - 6;
    ASSERT_GT(k, 0);
    const auto corner = [&](const QWidget* w, bool withMenu) {
        opt.features = withMenu ? QStyleOptionToolButton::HasMenu : QStyleOptionToolButton::None;
        return paint([&](QPainter* p) { style->drawComplexControl(QStyle::CC_ToolButton, &opt, p, w); })
            .copy(QRect(60 - k, 40 - k, k, k));
    };
    EXPECT_NE(corner(&toolType, true), corner(&toolType, false));
    EXPECT_EQ(corner(&none, true), corner(&none, false));
}

TEST_F(ModernComplexTest, DockFrameAndSeparators)
{
    const QColor midlight(200, 60, 60);
    StyleOptionDockFrame frame;
    frame.palette = testPalette();
    frame.rect = QRect(0, 0, 30, 20);
    frame.area = Qt::TopDockWidgetArea;
    // Side lines of a top dock start four pixels above the frame.
    QImage image = paint([&](QPainter* p) {
        p->translate(0, 10);
        style->drawComplexControl(CC_DockFrame, &frame, p);
    });
    EXPECT_EQ(image.pixelColor(0, 6), midlight);
    EXPECT_NE(image.pixelColor(0, 5), midlight);
    EXPECT_EQ(image.pixelColor(29, 6), midlight);
    // A side dock draws the line under its rectangle field when it is valid.
    frame.area = Qt::LeftDockWidgetArea;
    frame.lineRect = QRect(2, 3, 10, 5);
    image = paint([&](QPainter* p) { style->drawComplexControl(CC_DockFrame, &frame, p); });
    EXPECT_EQ(image.pixelColor(5, 7), midlight);

    // Separators: a dock whose widget has no margins draws nothing; each
    // list is read within its own length.
    QWidget host;
    QWidget bare(&host);
    QWidget margined(&host);
    margined.setContentsMargins(1, 1, 1, 1);
    Nuvra::GUI::MainWindowItem bareItem(&bare);
    Nuvra::GUI::MainWindowItem marginItem(&margined);
    bareItem.setLineDockRect(QRect(5, 5, 20, 10));
    marginItem.setLineDockRect(QRect(5, 25, 20, 10));
    bare.show();
    margined.show();
    StyleOptionDockLines lines;
    lines.palette = testPalette();
    lines.left = {&bareItem, &marginItem};
    image = paint([&](QPainter* p) { style->drawComplexControl(CC_DockSeparators, &lines, p); });
    EXPECT_FALSE(hasColour(image, midlight, QRect(0, 0, 80, 20)));
    EXPECT_EQ(image.pixelColor(10, 25), midlight); // top line of the margined dock
    EXPECT_EQ(image.pixelColor(10, 34), midlight); // its bottom line
}

TEST_F(ModernComplexTest, PanelHeaderTitleOnlyForBoldFlagOne)
{
    StyleOptionPanelHeader header;
    header.palette = testPalette();
    header.palette.setColor(QPalette::WindowText, Qt::black);
    header.rect = QRect(0, 0, 80, 30);
    header.headerHeight = 24;
    header.title = QStringLiteral("Layers");
    header.bold = 2;
    const QImage untitled = paint([&](QPainter* p) { style->drawComplexControl(CC_PanelHeader, &header, p); });
    EXPECT_FALSE(hasColour(untitled, Qt::black, QRect(11, 2, 60, 18)));
    // The fill reaches the last column, as the lines under it do.
    EXPECT_EQ(untitled.pixelColor(79, 10), QColor(60, 200, 60));
    header.bold = 1;
    const QImage titled = paint([&](QPainter* p) {
        style->drawComplexControl(CC_PanelHeader, &header, p);
        // The bold font stays on the painter.
        EXPECT_EQ(p->font().weight(), QFont::Bold);
    });
    EXPECT_NE(titled, untitled);
    // Rounded top: the corner pixel keeps the background.
    header.roundedTop = true;
    const QImage rounded = paint([&](QPainter* p) { style->drawComplexControl(CC_PanelHeader, &header, p); });
    EXPECT_EQ(rounded.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(rounded.pixelColor(2, 0), QColor(60, 200, 60));
}

namespace {

class Slider : public QSlider {
public:
    using QSlider::QSlider;
    using QSlider::initStyleOption;
};

} // namespace

TEST_F(ModernComplexTest, SliderTrackIsColouredFromTheMinimumsEnd)
{
    const QColor left = ext(Skin::SliderLeftColor);
    // orientation, inverted appearance, whether the minimum is at the start
    // (left or top)
    const struct {
        Qt::Orientation orientation;
        bool inverted;
        bool minimumFirst;
    } cases[] = {{Qt::Horizontal, false, true},
                 {Qt::Horizontal, true, false},
                 {Qt::Vertical, false, false},
                 {Qt::Vertical, true, true}};
    for (const auto& c : cases) {
        Slider slider(c.orientation);
        slider.setRange(0, 8);
        slider.setValue(4);
        slider.setInvertedAppearance(c.inverted);
        slider.resize(c.orientation == Qt::Horizontal ? QSize(160, 30) : QSize(30, 160));
        QStyleOptionSlider opt;
        slider.initStyleOption(&opt);
        opt.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle; // as the slider paints
        const QRect handle = style->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, &slider);
        const QImage image = paint([&](QPainter* p) { style->drawComplexControl(QStyle::CC_Slider, &opt, p, &slider); },
                                   slider.size());
        const bool horizontal = c.orientation == Qt::Horizontal;
        const QRect start = horizontal ? QRect(0, 0, handle.left(), 30) : QRect(0, 0, 30, handle.top());
        const QRect end = horizontal ? QRect(handle.right() + 1, 0, 160 - handle.right() - 1, 30)
                                     : QRect(0, handle.bottom() + 1, 30, 160 - handle.bottom() - 1);
        EXPECT_EQ(hasColour(image, left, start), c.minimumFirst) << c.orientation << c.inverted;
        EXPECT_EQ(hasColour(image, left, end), !c.minimumFirst) << c.orientation << c.inverted;
    }
}

// The custom controls of every style of the family, given fields and
// rectangles at the ends of the int range.
class FarFieldsTest : public AppliedStyleTest<NuvraStyle>, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override { applyStyle(GetParam(), 1); }
    bool modern() const { return qobject_cast<ModernStyle*>(style) != nullptr; }
};

TEST_P(FarFieldsTest, ComponentSliderWithFarFieldsDrawsNothingWrappedAround)
{
    QWidget host;
    host.resize(120, 40);
    // Contents away from the origin: the bar's ends are sums with the inset.
    host.setContentsMargins(2, 2, 2, 2);
    StyleOptionComponentSlider opt;
    opt.gradient = QBrush(Qt::red);
    const int t = style->pixelMetric(QStyle::PM_SliderControlThickness, &opt, &host);
    const QRect c = host.contentsRect();
    // The flat styles draw the bar along the top, the others in the middle.
    const int below = modern() ? t / 2 + 2 : (c.bottom() - t - c.top() + 1) / 2 + t + 1;
    const std::pair<int, int> cases[] = {
        {INT_MAX, INT_MAX}, {INT_MAX - 3, INT_MAX / 2}, {INT_MAX, INT_MIN}, {INT_MIN, INT_MIN}, {0, INT_MAX - 2}};
    for (const auto& fields : cases) {
        opt.inset = fields.first;
        opt.handlePosition = fields.second;
        const QImage image =
            paint([&](QPainter* p) { style->drawComplexControl(CC_ComponentSlider, &opt, p, &host); }, host.size());
        // The handle lies far outside the widget: nothing under the bar.
        for (int y = below; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ASSERT_EQ(image.pixelColor(x, y).alpha(), 0) << fields.first << " " << fields.second;
    }
}

TEST_P(FarFieldsTest, PanelHeaderSpanningTheIntRangeDrawsItsLinesWithinIt)
{
    StyleOptionPanelHeader header;
    header.palette = testPalette();
    header.headerHeight = 20;
    header.bold = 1;
    header.title = QStringLiteral("Title");
    for (const bool rounded : {false, true}) {
        header.roundedTop = rounded;
        header.rect = QRect(QPoint(INT_MIN, 0), QPoint(INT_MAX, 19));
        const QImage image =
            paint([&](QPainter* p) { style->drawComplexControl(CC_PanelHeader, &header, p, nullptr); });
        // Every style rules its header's last two rows from the left edge on.
        for (const int y : {18, 19})
            for (const int x : {0, 79})
                EXPECT_NE(image.pixelColor(x, y).alpha(), 0) << x << " " << y << " " << rounded;
        for (const int height : {INT_MIN, INT_MAX}) {
            header.rect = QRect(0, 0, 80, 20);
            header.headerHeight = height;
            paint([&](QPainter* p) { style->drawComplexControl(CC_PanelHeader, &header, p, nullptr); });
        }
        header.headerHeight = 20;
    }
}

// The styles that draw the panel header and inner frame from the shared
// custom-control code; their header's lower rules and far heights are
// covered above.
using SharedFarFieldsTest = FarFieldsTest;

TEST_P(SharedFarFieldsTest, PanelHeaderAndInnerFrameSpanningTheIntRangeDrawWithinIt)
{
    StyleOptionPanelHeader header;
    header.palette = testPalette();
    header.rect = QRect(QPoint(INT_MIN, 0), QPoint(INT_MAX, 19));
    header.headerHeight = 20;
    header.bold = 1;
    header.title = QStringLiteral("Title");
    const QImage image = paint([&](QPainter* p) { style->drawComplexControl(CC_PanelHeader, &header, p, nullptr); });
    // Its top rule runs from the left edge to the far right.
    for (const int x : {0, 79})
        EXPECT_NE(image.pixelColor(x, 0).alpha(), 0) << x;

    QStyleOptionComplex frame;
    frame.palette = testPalette();
    frame.rect = QRect(QPoint(INT_MIN, INT_MIN), QPoint(INT_MAX, INT_MAX));
    const QImage framed = paint([&](QPainter* p) { style->drawComplexControl(CC_InnerFrame, &frame, p, nullptr); });
    // Its lines lie far outside: the inside stays clear.
    EXPECT_EQ(framed.pixelColor(40, 25).alpha(), 0);
    frame.rect = QRect(QPoint(INT_MAX, INT_MAX), QPoint(INT_MAX, INT_MAX));
    paint([&](QPainter* p) { style->drawComplexControl(CC_InnerFrame, &frame, p, nullptr); });
}

INSTANTIATE_TEST_SUITE_P(Family, FarFieldsTest,
                         ::testing::Values("NuvraStyle", "MidStyle", "DarkStyle", "ModernStyle", "ModernGray"));
INSTANTIATE_TEST_SUITE_P(Family, SharedFarFieldsTest, ::testing::Values("NuvraStyle", "MidStyle", "DarkStyle"));
