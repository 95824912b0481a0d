#include "StyleTestSupport.h"

#include "style/ComplexDrawing.h"
#include "style/ComplexStyleOptions.h"
#include "style/NuvraStyle.h"
#include "style/StyleManager.h"
#include "style/StyleProperties.h"
#include "style/docking/MainWindowItem.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QSlider>
#include <QStyleOption>
#include <QTabBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <set>
#include <vector>

using namespace Nuvra::Style;

namespace {

// NuvraStyle that notes every control element and primitive its complex
// controls ask for, with the clip in force.
class RecordingStyle : public NuvraStyle {
public:
    struct Call {
        int id;
        bool control;
        QRect rect;
        QStyle::State state;
        QRegion clip;
    };
    mutable std::vector<Call> calls;

    void drawControl(ControlElement e, const QStyleOption* o, QPainter* p, const QWidget* w) const override
    {
        calls.push_back({int(e), true, o ? o->rect : QRect(), o ? o->state : State(), p->clipRegion()});
        NuvraStyle::drawControl(e, o, p, w);
    }
    void drawPrimitive(PrimitiveElement e, const QStyleOption* o, QPainter* p, const QWidget* w) const override
    {
        calls.push_back({int(e), false, o ? o->rect : QRect(), o ? o->state : State(), p->clipRegion()});
        NuvraStyle::drawPrimitive(e, o, p, w);
    }
    std::vector<Call> primitives(PrimitiveElement e) const
    {
        std::vector<Call> out;
        for (const Call& c : calls)
            if (!c.control && c.id == e)
                out.push_back(c);
        return out;
    }
};

class ComplexTest : public ::testing::Test {
protected:
    void apply(double scale)
    {
        StyleManager::applyStyle(new RecordingStyle, scale);
        style = dynamic_cast<RecordingStyle*>(QApplication::style());
        ASSERT_NE(style, nullptr);
        ASSERT_DOUBLE_EQ(style->styleScale(), scale);
    }
    void TearDown() override { QApplication::setStyle(QStringLiteral("Fusion")); }

    QImage draw(QStyle::ComplexControl cc, const QStyleOptionComplex* opt, const QWidget* w = nullptr,
                QSize size = QSize(200, 80))
    {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        style->calls.clear();
        style->drawComplexControl(cc, opt, &painter, w);
        return image;
    }

    static bool blank(const QImage& image)
    {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) != 0)
                    return false;
        return true;
    }

    InjectedScreen screen{2560, 1440, 72};
    RecordingStyle* style = nullptr;
};

QStyleOptionSlider slider(int minimum, int maximum, int interval, QRect rect)
{
    QStyleOptionSlider opt;
    opt.rect = rect;
    opt.orientation = Qt::Horizontal;
    opt.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    opt.minimum = minimum;
    opt.maximum = maximum;
    opt.tickInterval = interval;
    opt.tickPosition = QSlider::TicksBelow;
    opt.singleStep = 1;
    opt.pageStep = 10;
    opt.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle | QStyle::SC_SliderTickmarks;
    return opt;
}

} // namespace

TEST(SliderTicks, ValuesRunInStepsAndTheOnePastTheMaximumIsDrawnAtIt)
{
    struct Case {
        int minimum, maximum, interval;
        std::vector<int> values;
    };
    const Case cases[] = {
        {0, 8, 3, {0, 3, 6, 8}},
        {0, 10, 3, {0, 3, 6, 9}},
        {0, 10, 1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {0, 10, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}}, // below 1 counts as 1
        {5, 5, 1, {}},                                  // an empty range has no ticks
        {9, 2, 1, {}},
        {0, INT_MAX, INT_MAX, {0, INT_MAX}},
        {INT_MAX - 4, INT_MAX, 2, {INT_MAX - 4, INT_MAX - 2, INT_MAX}},
        {INT_MAX - 4, INT_MAX, 5, {INT_MAX - 4, INT_MAX}},
        {INT_MIN, INT_MIN + 2, INT_MAX, {INT_MIN}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Nuvra::Style::Complex::sliderTickValues(c.minimum, c.maximum, c.interval, 1000), c.values)
            << c.minimum << ".." << c.maximum << " by " << c.interval;
}

TEST(SliderTicks, AnIntervalFinerThanThePixelsIsCoarsenedToFit)
{
    for (int maxCount : {3, 10, 300}) {
        const std::vector<int> v = Nuvra::Style::Complex::sliderTickValues(INT_MIN, INT_MAX, 1, maxCount);
        ASSERT_FALSE(v.empty());
        EXPECT_LE(int(v.size()), maxCount);
        EXPECT_GE(int(v.size()), maxCount / 2);
        EXPECT_EQ(v.front(), INT_MIN);
        EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
    }
}

TEST_F(ComplexTest, TicksStandAtTheSliderPositionsOfTheirValues)
{
    apply(1);
    struct Case {
        int maximum, interval, singleStep, pageStep;
        std::vector<int> values;
    };
    const Case cases[] = {
        {8, 3, 1, 1, {0, 3, 6, 8}},
        {10, 3, 1, 1, {0, 3, 6, 9}},
        // Ticks of singleStep would stand closer than 3 pixels: pageStep instead.
        {100, 0, 1, 25, {0, 25, 50, 75, 100}},
    };
    for (const Case& c : cases) {
        QStyleOptionSlider opt = slider(0, c.maximum, c.interval, QRect(0, 0, 180, 60));
        opt.singleStep = c.singleStep;
        opt.pageStep = c.pageStep;
        opt.subControls = QStyle::SC_SliderTickmarks;
        const QImage image = draw(QStyle::CC_Slider, &opt);
        const QRect groove = style->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove);
        const int span = style->pixelMetric(QStyle::PM_SliderSpaceAvailable, &opt);
        const int half = style->pixelMetric(QStyle::PM_SliderLength, &opt) / 2;
        std::set<int> expected;
        for (int v : c.values)
            expected.insert(QStyle::sliderPositionFromValue(0, c.maximum, v, span) + half + groove.left());
        // The longest tick, at the maximum, reaches below the groove.
        std::set<int> found;
        for (int y = groove.bottom() + 1; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) != 0)
                    found.insert(x);
        EXPECT_EQ(found, expected) << "maximum " << c.maximum;
    }
}

TEST_F(ComplexTest, SlidersWithoutARangeOrWithTheWholeIntRangeDrawTheirGrooveAndHandle)
{
    apply(1.5);
    for (auto range : {std::pair<int, int>{7, 7}, {INT_MIN, INT_MAX}, {INT_MAX - 1, INT_MAX}}) {
        QStyleOptionSlider opt = slider(range.first, range.second, 1, QRect(0, 0, 180, 60));
        opt.tickPosition = QSlider::TicksBothSides;
        opt.sliderPosition = range.second;
        EXPECT_FALSE(blank(draw(QStyle::CC_Slider, &opt))) << range.first << ".." << range.second;
    }
}

TEST_F(ComplexTest, GrooveBrushComesOnlyFromTheStylesOwnSliderOption)
{
    apply(1);
    const auto grooveColour = [&](const QStyleOptionSlider& opt) {
        const QImage image = draw(QStyle::CC_Slider, &opt);
        const QRect g = style->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove);
        return image.pixelColor(g.left() + 3, g.center().y());
    };
    QStyleOptionSlider plain = slider(0, 100, 10, QRect(0, 0, 180, 30));
    plain.subControls = QStyle::SC_SliderGroove;
    plain.palette.setColor(QPalette::Button, QColor(10, 200, 10));
    EXPECT_EQ(grooveColour(plain), QColor(10, 200, 10));
    // A caller's newer slider class is not read for a brush it may not have.
    QStyleOptionSlider newer = plain;
    newer.version = 2;
    EXPECT_EQ(grooveColour(newer), QColor(10, 200, 10));

    StyleOptionSliderGroove own;
    static_cast<QStyleOptionSlider&>(own) = plain;
    own.version = StyleOptionSliderGroove::Version;
    own.grooveBrush = QBrush(QColor(200, 10, 10));
    EXPECT_EQ(grooveColour(own), QColor(200, 10, 10));
    own.grooveBrush = QBrush(Qt::transparent);
    EXPECT_EQ(grooveColour(own), QColor(10, 200, 10));

    // A fake-disabled slider is drawn from a copy of the same class.
    QSlider fake;
    fake.setEnabled(false);
    StyleManager::SetFakeDisabled(&fake, 1, false);
    own.grooveBrush = QBrush(QColor(200, 10, 10));
    own.state &= ~QStyle::State_Enabled;
    const QImage image = draw(QStyle::CC_Slider, &own, &fake);
    const QRect g = style->subControlRect(QStyle::CC_Slider, &own, QStyle::SC_SliderGroove, &fake);
    EXPECT_EQ(image.pixelColor(g.left() + 3, g.center().y()), QColor(200, 10, 10));
}

TEST_F(ComplexTest, SpinBoxAtItsMaximumShowsAnUnusableUpButtonEvenWhenHovered)
{
    apply(2);
    QStyleOptionSpinBox opt;
    opt.rect = QRect(0, 0, 80, 30);
    opt.state = QStyle::State_Enabled | QStyle::State_MouseOver;
    opt.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown | QStyle::SC_SpinBoxFrame;
    opt.activeSubControls = QStyle::SC_SpinBoxUp;
    opt.stepEnabled = QAbstractSpinBox::StepDownEnabled;
    opt.palette.setColor(QPalette::Shadow, QColor(100, 100, 100));
    opt.palette.setColor(QPalette::Disabled, QPalette::BrightText, QColor(1, 2, 3));
    opt.palette.setColor(QPalette::Active, QPalette::BrightText, QColor(250, 250, 250));
    const QImage image = draw(QStyle::CC_SpinBox, &opt);
    const QRect up = style->subControlRect(QStyle::CC_SpinBox, &opt, QStyle::SC_SpinBoxUp);
    const QRect down = style->subControlRect(QStyle::CC_SpinBox, &opt, QStyle::SC_SpinBoxDown);
    EXPECT_EQ(image.pixel(up.left() + 2, up.top() + 2), QColor(100, 100, 100).darker(120).rgb());
    const QPoint tip((up.left() + up.right()) / 2, (up.top() + up.bottom()) / 2 + 2);
    EXPECT_EQ(image.pixel(tip), qRgb(1, 2, 3));
    // The down button is usable and not the hovered one.
    EXPECT_EQ(image.pixel(down.left() + 2, down.bottom() - 2), qRgb(100, 100, 100));
    const QPoint downTip((down.left() + down.right()) / 2, (down.top() + down.bottom()) / 2 - 1);
    EXPECT_EQ(image.pixel(downTip), qRgb(250, 250, 250));
}

TEST_F(ComplexTest, ScrollBarPartsAreDrawnInOrderWithOnlyTheActivePartPressed)
{
    apply(1);
    QStyleOptionSlider opt;
    opt.rect = QRect(0, 0, 200, 20);
    opt.orientation = Qt::Horizontal;
    opt.minimum = 0;
    opt.maximum = 100;
    opt.pageStep = 10;
    opt.sliderPosition = 50;
    opt.state = QStyle::State_Enabled | QStyle::State_Horizontal | QStyle::State_Sunken | QStyle::State_MouseOver;
    opt.subControls = QStyle::SC_All;
    opt.activeSubControls = QStyle::SC_ScrollBarSlider;
    draw(QStyle::CC_ScrollBar, &opt);
    std::vector<int> order;
    for (const auto& call : style->calls) {
        if (!call.control)
            continue;
        order.push_back(call.id);
        const bool pressed = call.state & (QStyle::State_Sunken | QStyle::State_MouseOver);
        EXPECT_EQ(pressed, call.id == QStyle::CE_ScrollBarSlider) << call.id;
        EXPECT_TRUE(call.state & QStyle::State_Enabled);
    }
    EXPECT_EQ(order, (std::vector<int>{QStyle::CE_ScrollBarSubLine, QStyle::CE_ScrollBarAddLine,
                                       QStyle::CE_ScrollBarSubPage, QStyle::CE_ScrollBarAddPage,
                                       QStyle::CE_ScrollBarSlider}));

    // No range: every part is disabled (and a disabled bar has no slider).
    opt.maximum = 0;
    draw(QStyle::CC_ScrollBar, &opt);
    ASSERT_FALSE(style->calls.empty());
    for (const auto& call : style->calls)
        if (call.control) {
            EXPECT_FALSE(call.state & QStyle::State_Enabled) << call.id;
            EXPECT_NE(call.id, QStyle::CE_ScrollBarSlider);
        }
}

TEST_F(ComplexTest, GroupBoxFrameIsClippedOnlyAroundItsTitle)
{
    apply(1);
    QWidget widget;
    QStyleOptionGroupBox opt;
    opt.rect = QRect(0, 0, 180, 70);
    opt.state = QStyle::State_Enabled;
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    opt.textAlignment = Qt::AlignLeft;
    opt.fontMetrics = widget.fontMetrics();
    opt.lineWidth = 1;

    draw(QStyle::CC_GroupBox, &opt, &widget);
    auto frames = style->primitives(QStyle::PE_FrameGroupBox);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(frames[0].clip.contains(opt.rect));

    opt.text = QStringLiteral("Title");
    draw(QStyle::CC_GroupBox, &opt, &widget);
    frames = style->primitives(QStyle::PE_FrameGroupBox);
    ASSERT_EQ(frames.size(), 1u);
    const QRect label = style->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, &widget);
    EXPECT_FALSE(frames[0].clip.intersects(label));
    EXPECT_EQ(frames[0].clip, QRegion(opt.rect) - label);
}

TEST_F(ComplexTest, ToolButtonsNeedTheirOptionClassExceptTabBarScrollButtons)
{
    apply(1.5);
    QStyleOptionComplex plain;
    plain.rect = QRect(0, 0, 24, 20);
    plain.state = QStyle::State_Enabled;
    QToolButton alone;
    EXPECT_TRUE(blank(draw(QStyle::CC_ToolButton, &plain, &alone)));
    EXPECT_TRUE(blank(draw(QStyle::CC_ToolButton, &plain, nullptr)));

    QTabBar bar;
    auto* scroll = new QToolButton(&bar);
    scroll->setArrowType(Qt::LeftArrow);
    EXPECT_FALSE(blank(draw(QStyle::CC_ToolButton, &plain, scroll)));
}

TEST_F(ComplexTest, AboutButtonTextIsWhiteAndStandsAboveTheBottomMargin)
{
    apply(2);
    QToolButton button;
    button.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeAbout));
    QStyleOptionToolButton opt;
    opt.rect = QRect(0, 0, 120, 60);
    opt.state = QStyle::State_Enabled;
    opt.text = QStringLiteral("About");
    opt.toolButtonStyle = Qt::ToolButtonTextOnly;
    opt.palette.setColor(QPalette::ButtonText, Qt::red);
    // A panel is drawn only for bare buttons; this one has text.
    const QImage image = draw(QStyle::CC_ToolButton, &opt, &button, QSize(120, 60));
    int lowest = -1;
    bool anyInk = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() == 0)
                continue;
            anyInk = true;
            lowest = std::max(lowest, y);
            EXPECT_EQ(c.red(), c.green()) << x << "," << y; // white, no red
        }
    EXPECT_TRUE(anyInk);
    // Bottom-aligned over a margin of 10 scaled pixels.
    const int bottom = 59 - 20;
    EXPECT_LE(lowest, bottom);
    EXPECT_GE(lowest, bottom - QFontMetrics(QFont()).descent() - 2);
}

TEST_F(ComplexTest, MenuArrowOfToolButtonsFollowsTheShape)
{
    apply(1);
    struct Case {
        const char* shape;
        bool menuPart;
        QStyle::State state;
        int panels; // PE_PanelButtonTool for the menu part
        int arrows;
    };
    using S = QStyle;
    const Case cases[] = {
        {nuvraShapeTool, false, S::State_Enabled, 0, 1},
        {nuvraShapeToolBtn, false, S::State_Enabled, 0, 1},
        {nuvraShapeAbout, false, S::State_Enabled, 0, 1},
        {nuvraShapeNone, false, S::State_Enabled, 0, 0},
        // An auto-raise button at rest: no panel behind the menu arrow.
        {nuvraShapeNone, true, S::State_Enabled | S::State_AutoRaise | S::State_Raised, 0, 1},
        {nuvraShapeNone, true, S::State_Enabled | S::State_AutoRaise | S::State_Raised | S::State_MouseOver, 1, 1},
        {nuvraShapeTool, true, S::State_Enabled | S::State_Raised, 1, 1},
    };
    for (const Case& c : cases) {
        QToolButton button;
        button.setProperty(nuvraShapeProperty, QString::fromLatin1(c.shape));
        QStyleOptionToolButton opt;
        opt.rect = QRect(0, 0, 40, 30);
        opt.state = c.state;
        opt.features = QStyleOptionToolButton::HasMenu | QStyleOptionToolButton::MenuButtonPopup;
        opt.text = QStringLiteral("T");
        opt.subControls = S::SC_ToolButton | (c.menuPart ? S::SC_ToolButtonMenu : S::SC_None);
        draw(S::CC_ToolButton, &opt, &button);
        const QRect menu = style->subControlRect(S::CC_ToolButton, &opt, S::SC_ToolButtonMenu, &button);
        int panels = 0;
        for (const auto& call : style->primitives(S::PE_PanelButtonTool))
            panels += call.rect == menu;
        const auto arrows = style->primitives(S::PE_IndicatorArrowDown);
        EXPECT_EQ(panels, c.panels) << c.shape << " " << c.menuPart;
        ASSERT_EQ(int(arrows.size()), c.arrows) << c.shape << " " << c.menuPart;
        if (c.arrows && !c.menuPart) {
            const int n = style->pixelMetric(S::PM_MenuButtonIndicator) - 6;
            EXPECT_EQ(arrows[0].rect, QRect(40 - n, 30 - n, n, n)) << c.shape;
        }
    }
}

TEST_F(ComplexTest, TextOnlyNoneButtonGlowsOnlyWhenHovered)
{
    apply(1);
    QToolButton button;
    button.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeNone));
    QStyleOptionToolButton opt;
    opt.rect = QRect(10, 10, 90, 30);
    opt.text = QStringLiteral("Glow");
    opt.font = button.font();
    opt.toolButtonStyle = Qt::ToolButtonTextOnly;
    opt.palette.setColor(QPalette::ButtonText, QColor(0, 0, 255));
    opt.palette.setColor(QPalette::BrightText, QColor(255, 0, 0));
    const auto glowPixels = [&](QStyle::State state) {
        opt.state = state;
        const QImage image = draw(QStyle::CC_ToolButton, &opt, &button, QSize(120, 60));
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() > 0 && c.red() > 0 && c.blue() == 0) {
                    ++count;
                    EXPECT_LE(c.alpha(), 128);
                }
            }
        return count;
    };
    EXPECT_EQ(glowPixels(QStyle::State_Enabled), 0);
    EXPECT_GT(glowPixels(QStyle::State_Enabled | QStyle::State_MouseOver), 50);
    EXPECT_EQ(glowPixels(QStyle::State_MouseOver), 0); // disabled
}

TEST_F(ComplexTest, CustomControlsDrawOnlyForTheirOwnOption)
{
    apply(1);
    QStyleOption notComplex;
    notComplex.rect = QRect(0, 0, 100, 50);
    QStyleOptionComplex plain;
    plain.rect = notComplex.rect;
    for (int n = 2; n <= 9; ++n) {
        const auto cc = QStyle::ComplexControl(QStyle::CC_CustomBase + n);
        EXPECT_TRUE(blank(draw(cc, static_cast<const QStyleOptionComplex*>(&notComplex)))) << n;
        // The inner frame reads nothing but a complex option's rectangle.
        EXPECT_EQ(blank(draw(cc, &plain)), n != 5) << n;
    }
    StyleOptionDockFrame wrongOwn;
    wrongOwn.rect = plain.rect;
    EXPECT_TRUE(blank(draw(CC_PanelHeader, &wrongOwn)));
}

TEST_F(ComplexTest, DockSeparatorsReadEachListWithinItsOwnLength)
{
    apply(1);
    QWidget window;
    QWidget a(&window), b(&window), hidden(&window);
    a.setContentsMargins(1, 0, 0, 0);
    hidden.hide();
    Nuvra::GUI::MainWindowItem top(&a);
    top.setLineDockRect(QRect(10, 5, 50, 10));
    Nuvra::GUI::MainWindowItem side(&b);
    side.setLineDockRect(QRect(120, 30, 8, 30));
    QWidgetItem stranger(&a);
    Nuvra::GUI::MainWindowItem empty(&hidden);
    empty.setLineDockRect(QRect(0, 0, 200, 80));

    StyleOptionDockLines opt;
    opt.rect = QRect(0, 0, 200, 80);
    opt.palette.setColor(QPalette::Active, QPalette::Midlight, Qt::green);
    opt.top = {&top, &stranger, &empty};
    opt.left = {nullptr, &stranger, &empty, &side}; // longer than the first list
    const QImage image = draw(CC_DockSeparators, &opt);
    const QColor green(Qt::green);
    // Top line item: both long sides, and its left end for its left margin.
    EXPECT_EQ(image.pixelColor(30, 5), green);
    EXPECT_EQ(image.pixelColor(30, 14), green);
    EXPECT_EQ(image.pixelColor(10, 9), green);
    EXPECT_EQ(qAlpha(image.pixel(59, 9)), 0);
    // Left line item beyond the first list's length: its two sides.
    EXPECT_EQ(image.pixelColor(120, 45), green);
    EXPECT_EQ(image.pixelColor(127, 45), green);
    EXPECT_EQ(qAlpha(image.pixel(124, 30)), 0);
    // The empty item draws nothing.
    EXPECT_EQ(qAlpha(image.pixel(100, 79)), 0);
}

TEST_F(ComplexTest, ColorPairShowsTheFirstColourInFront)
{
    apply(1);
    StyleOptionColorPair opt;
    opt.rect = QRect(0, 0, 80, 80);
    opt.first = QColor(200, 0, 0);
    opt.second = QColor(0, 0, 200);
    const QImage image = draw(CC_ColorPair, &opt, nullptr, QSize(80, 80));
    const auto rect = [&](int n) {
        return style->subElementRect(QStyle::SubElement(QStyle::SE_CustomBase + n), &opt);
    };
    EXPECT_EQ(image.pixelColor(rect(1).center()), QColor(200, 0, 0));
    EXPECT_EQ(image.pixelColor(rect(2).bottomRight() - QPoint(3, 3)), QColor(0, 0, 200));
    EXPECT_EQ(image.pixelColor(rect(4).center()), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(rect(3).center()), QColor(Qt::black));
}
