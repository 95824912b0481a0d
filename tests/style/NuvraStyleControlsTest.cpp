#include "StyleTestSupport.h"

#include "style/ControlDrawing.h"
#include "style/NuvraStyle.h"
#include "style/Palette.h"
#include "style/StyleHelpers.h"
#include "style/StyleManager.h"
#include "style/StyleOptions.h"
#include "style/StyleProperties.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QSlider>
#include <QToolButton>
#include <QImage>
#include <QPainter>
#include <QStyleOption>
#include <QTabBar>
#include <QWidget>

#include <gtest/gtest.h>

#include <climits>
#include <functional>

using namespace Nuvra::Style;

namespace {

// The style with its busy step under the test's hand.
class SteppedStyle : public NuvraStyle {
public:
    void setBusyStep(int step) { busyStep = step; }
};

class ControlsTest : public ::testing::Test {
protected:
    void apply(double scale)
    {
        StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("NuvraStyle")), scale);
        style = qobject_cast<NuvraStyle*>(QApplication::style());
        ASSERT_NE(style, nullptr);
    }
    void TearDown() override { QApplication::setStyle(QStringLiteral("Fusion")); }

    static QImage paint(QSize size, const std::function<void(QPainter*)>& draw)
    {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        draw(&painter);
        return image;
    }

    // The smallest rectangle holding every pixel of exactly this colour.
    static QRect pixelsOf(const QImage& image, const QColor& colour)
    {
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == colour)
                    box |= QRect(x, y, 1, 1);
        return box;
    }

    InjectedScreen screen{2560, 1440, 72};
    NuvraStyle* style = nullptr;
};

QStyleOptionProgressBar progressBar(int minimum, int maximum, int progress)
{
    QStyleOptionProgressBar bar;
    bar.state = QStyle::State_Enabled;
    bar.rect = QRect(0, 0, 200, 20);
    bar.minimum = minimum;
    bar.maximum = maximum;
    bar.progress = progress;
    bar.orientation = Qt::Horizontal;
    return bar;
}

} // namespace

TEST(ProgressLength, FilledLengthWithinTheChunkArea)
{
    struct Case {
        int minimum, maximum, progress, available, length;
    };
    const Case cases[] = {
        {0, 100, 50, 200, 100},
        {0, 100, 100, 200, 200},
        {0, 100, 0, 200, 0},
        {0, 100, 150, 200, 200}, // past the end: clamped
        {0, 100, -20, 200, 0},
        // An empty range away from zero: empty until its maximum, then full.
        {7, 7, 6, 200, 0},
        {7, 7, 7, 200, 200},
        {INT_MAX, INT_MAX, INT_MAX, 200, 200},
        {INT_MIN, INT_MAX, INT_MAX, 200, 200}, // the whole int range, in 64 bits
        {INT_MIN, INT_MAX, 0, INT_MAX, INT_MAX / 2},
        {10, 5, 4, 200, 0}, // a reversed range is an empty one
        {10, 5, 7, 200, 200},
        {0, 100, 50, 0, 0},
        {0, 100, 50, -5, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Control::progressLength(c.minimum, c.maximum, c.progress, c.available), c.length)
            << c.minimum << ".." << c.maximum << " at " << c.progress;
}

TEST_F(ControlsTest, EmptyProgressRangeDrawsEmptyThenFull)
{
    apply(1);
    const QColor chunk = Skin::getColor(Skin::ProgressBarItem, QColor(Qt::gray));
    // Chunk area at scale 1: from (2, 2), 196 x 16.
    const QRect area(2, 2, 196, 16);
    for (int progress : {6, 7}) {
        const QStyleOptionProgressBar bar = progressBar(7, 7, progress);
        const QRect box = pixelsOf(paint(QSize(220, 30), [&](QPainter* p) {
                                       style->drawControl(QStyle::CE_ProgressBarContents, &bar, p);
                                   }),
                                   chunk);
        if (progress == 6)
            EXPECT_TRUE(box.isNull());
        else
            EXPECT_EQ(box, area);
    }
}

TEST_F(ControlsTest, ProgressChunksAreSquaresAtTheScalePitch)
{
    apply(2);
    const QColor chunk = Skin::getColor(Skin::ProgressBarItem, QColor(Qt::gray));
    const QStyleOptionProgressBar bar = progressBar(0, 100, 50);
    const QImage image = paint(QSize(220, 30), [&](QPainter* p) {
        style->drawControl(QStyle::CE_ProgressBarContents, &bar, p);
    });
    // k = 2: area from (3, 3), 194 long, squares of 14 every 16 pixels,
    // the block 97 long.
    EXPECT_EQ(pixelsOf(image, chunk), QRect(3, 3, 97, 14));
    for (int x = 3; x < 100; ++x) {
        const bool gap = (x - 3) % 16 >= 14;
        EXPECT_EQ(image.pixelColor(x, 10) == chunk, !gap) << x;
    }
}

TEST_F(ControlsTest, BusyBlockSlidesInFromBeforeTheAreaAndWraps)
{
    apply(1);
    SteppedStyle stepped;
    stepped.setStyleScale(1);
    const QColor chunk = Skin::getColor(Skin::ProgressBarItem, QColor(Qt::gray));
    const QStyleOptionProgressBar bar = progressBar(0, 0, 0);
    const auto blockAt = [&](int step) {
        stepped.setBusyStep(step);
        return pixelsOf(paint(QSize(220, 30), [&](QPainter* p) {
                            stepped.drawControl(QStyle::CE_ProgressBarContents, &bar, p);
                        }),
                        chunk);
    };
    // a = 196: at step 0 the block lies wholly before the area and shows
    // nothing, not even over the frame.
    EXPECT_TRUE(blockAt(0).isNull());
    EXPECT_EQ(blockAt(41), QRect(2, 2, 41, 16));
    EXPECT_EQ(blockAt(100), QRect(2 + 18, 2, 82, 16));
    EXPECT_EQ(blockAt(100 + 196 + 82), blockAt(100));
    EXPECT_EQ(blockAt(270), QRect(2 + 188, 2, 8, 16)); // leaving at the far end
}

TEST_F(ControlsTest, ProgressLabelPassesSplitAtTheFilledWidth)
{
    apply(1);
    // Each pixel of ink is told by its colour: Text red, BrightText blue.
    struct Ink {
        int textLeft = INT_MAX, textRight = -1, brightLeft = INT_MAX, brightRight = -1;
    };
    const auto inkOf = [&](int progress, Qt::LayoutDirection direction, bool inverted) {
        QStyleOptionProgressBar bar = progressBar(0, 100, progress);
        bar.rect = QRect(0, 0, 300, 30);
        bar.text = QStringLiteral("MMMMMMMMMMMMMMMMMMMMMMMMMMMM");
        bar.direction = direction;
        bar.invertedAppearance = inverted;
        bar.palette.setColor(QPalette::Text, Qt::red);
        bar.palette.setColor(QPalette::BrightText, Qt::blue);
        const QImage image = paint(QSize(300, 30), [&](QPainter* p) {
            style->drawControl(QStyle::CE_ProgressBarLabel, &bar, p);
        });
        Ink ink;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                if (qAlpha(c) < 128)
                    continue;
                if (qRed(c) > qBlue(c)) {
                    ink.textLeft = std::min(ink.textLeft, x);
                    ink.textRight = std::max(ink.textRight, x);
                } else {
                    ink.brightLeft = std::min(ink.brightLeft, x);
                    ink.brightRight = std::max(ink.brightRight, x);
                }
            }
        }
        return ink;
    };
    // 100 %: the Text pass is wholly covered by the BrightText pass.
    Ink full = inkOf(100, Qt::LeftToRight, false);
    EXPECT_EQ(full.textRight, -1);
    EXPECT_GE(full.brightRight, 0);
    // 0 %: the clipped pass is empty.
    Ink none = inkOf(0, Qt::LeftToRight, false);
    EXPECT_EQ(none.brightRight, -1);
    EXPECT_GE(none.textRight, 0);
    // Half: filled left half bright, the rest text; from the right when
    // right-to-left or inverted, not both.
    for (auto [direction, inverted, fromRight] : {std::tuple{Qt::LeftToRight, false, false},
                                                  std::tuple{Qt::RightToLeft, false, true},
                                                  std::tuple{Qt::LeftToRight, true, true},
                                                  std::tuple{Qt::RightToLeft, true, false}}) {
        const Ink half = inkOf(50, direction, inverted);
        if (fromRight) {
            EXPECT_LT(half.textRight, 150);
            EXPECT_GE(half.brightLeft, 150);
        } else {
            EXPECT_LT(half.brightRight, 150);
            EXPECT_GE(half.textLeft, 150);
        }
        EXPECT_GE(half.textRight, 0);
        EXPECT_GE(half.brightRight, 0);
    }
    // Past either end, one pass only.
    EXPECT_EQ(inkOf(250, Qt::LeftToRight, false).textRight, -1);
    EXPECT_EQ(inkOf(-50, Qt::LeftToRight, false).brightRight, -1);
}

TEST_F(ControlsTest, ScrollBarArrowsAndGripByShapeAndScale)
{
    struct Case {
        double scale;
        const char* shape;
        QRect arrow; // around the centre (cx, cy) of the button
        int gripTop, gripBottom; // from the slider's top and bottom
    };
    // Right arrow, count n and distance d: x from cx + d - n + 1 to cx + d,
    // y from cy - n + 1 to cy + n - 1.
    const Case cases[] = {
        {1, nuvraShapeScrollMini, QRect(QPoint(0, -1), QPoint(1, 1)), 1, 0},
        {1, "", QRect(QPoint(-1, -3), QPoint(2, 3)), 3, -2},
        {2, nuvraShapeScrollMidi, QRect(QPoint(-1, -5), QPoint(4, 5)), 3, -2},
        {2, "", QRect(QPoint(-3, -7), QPoint(4, 7)), 5, -4},
    };
    for (const Case& c : cases) {
        apply(c.scale);
        QWidget bar;
        bar.setProperty(nuvraShapeProperty, QString::fromLatin1(c.shape));
        QStyleOptionSlider opt;
        opt.state = QStyle::State_Enabled;
        opt.orientation = Qt::Horizontal;
        opt.rect = QRect(10, 10, 21, 25);
        opt.palette.setColor(QPalette::Active, QPalette::Midlight, QColor(1, 2, 3));
        opt.palette.setColor(QPalette::Button, QColor(200, 100, 50));
        const QColor arrow =
            style->extendedPalette()->getColor(Skin::SliderArrow, opt.palette.color(QPalette::BrightText));
        const QRect drawn = pixelsOf(paint(QSize(60, 60), [&](QPainter* p) {
                                         style->drawControl(QStyle::CE_ScrollBarAddLine, &opt, p, &bar);
                                     }),
                                     arrow);
        EXPECT_EQ(drawn, c.arrow.translated(20, 22)) << c.scale << c.shape;

        // The slider (10, 11) .. (29, 32); its grip lines in Midlight.
        opt.rect = QRect(10, 10, 21, 24);
        const QRect grip = pixelsOf(paint(QSize(60, 60), [&](QPainter* p) {
                                        style->drawControl(QStyle::CE_ScrollBarSlider, &opt, p, &bar);
                                    }),
                                    QColor(1, 2, 3));
        EXPECT_EQ(grip.top(), 11 + c.gripTop) << c.scale << c.shape;
        EXPECT_EQ(grip.bottom(), 31 + c.gripBottom) << c.scale << c.shape;
    }
}

TEST_F(ControlsTest, ShapedBoxFrameWidthScalesUnlessTheWidgetSaysNot)
{
    apply(1.5);
    QStyleOptionFrame frame;
    frame.rect = QRect(5, 5, 30, 20);
    frame.frameShape = QFrame::Box;
    frame.lineWidth = 1;
    frame.palette.setColor(QPalette::Active, QPalette::Midlight, QColor(9, 8, 7));
    QWidget unscaled;
    unscaled.setProperty(ignoreScaleProperty, true);
    for (auto [w, width] : {std::pair<const QWidget*, int>{nullptr, 2}, std::pair<const QWidget*, int>{&unscaled, 1}}) {
        const QImage image = paint(QSize(50, 40), [&](QPainter* p) {
            style->drawControl(QStyle::CE_ShapedFrame, &frame, p, w);
        });
        EXPECT_EQ(pixelsOf(image, QColor(9, 8, 7)), frame.rect);
        EXPECT_EQ(image.pixelColor(5 + width - 1, 15), QColor(9, 8, 7)) << width;
        EXPECT_EQ(qAlpha(image.pixel(5 + width, 15)), 0) << width;
    }
}

TEST_F(ControlsTest, MenuSeparatorAndShortcutColumn)
{
    apply(2);
    QStyleOptionMenuItem item;
    item.state = QStyle::State_Enabled;
    item.rect = QRect(0, 0, 200, 11);
    item.menuItemType = QStyleOptionMenuItem::Separator;
    const QColor line = mergedColors(item.palette.color(QPalette::Disabled, QPalette::Window),
                                     item.palette.color(QPalette::Disabled, QPalette::WindowText), 50);
    const QRect drawn = pixelsOf(paint(QSize(220, 20), [&](QPainter* p) {
                                     style->drawControl(QStyle::CE_MenuItem, &item, p);
                                 }),
                                 line);
    EXPECT_EQ(drawn, QRect(QPoint(10, 5), QPoint(189, 5)));

    // The shortcut after the first tab starts where the label's rectangle
    // ends; without a tab nothing is drawn there.
    item.menuItemType = QStyleOptionMenuItem::Normal;
    item.rect = QRect(0, 0, 300, 30);
    item.tabWidth = 80;
    item.maxIconWidth = 20;
    item.palette.setColor(QPalette::ButtonText, QColor(250, 0, 0));
    const int labelEnd = 300 - 1 - 80 - 30 + 1;
    for (const QString& text : {QStringLiteral("Open\tCtrl+O\tx"), QStringLiteral("Open")}) {
        item.text = text;
        const QImage image = paint(QSize(320, 40), [&](QPainter* p) {
            style->drawControl(QStyle::CE_MenuItem, &item, p);
        });
        bool inkPastLabel = false;
        for (int y = 0; y < 30; ++y)
            for (int x = labelEnd; x < 300; ++x)
                inkPastLabel |= qRed(image.pixel(x, y)) > 120 && qGreen(image.pixel(x, y)) < 60;
        EXPECT_EQ(inkPastLabel, text.contains(QLatin1Char(0x09))) << text.toStdString();
    }
}

TEST_F(ControlsTest, TabShapesOnlyForTriangularTabs)
{
    apply(1);
    QStyleOptionTab tab;
    tab.state = QStyle::State_Enabled;
    tab.rect = QRect(0, 0, 60, 20);
    tab.shape = QTabBar::RoundedNorth;
    const QImage rounded = paint(QSize(70, 30), [&](QPainter* p) {
        style->drawControl(QStyle::CE_TabBarTabShape, &tab, p);
    });
    EXPECT_EQ(rounded, paint(QSize(70, 30), [](QPainter*) {}));

    // An unselected north tab: its outline, and the page-side line at the
    // bottom of the rectangle less one.
    tab.shape = QTabBar::TriangularNorth;
    const QColor line = style->extendedPalette()->getColor(Skin::TabLineHighlight, tab.palette.color(QPalette::Dark));
    const QImage image = paint(QSize(70, 30), [&](QPainter* p) {
        style->drawControl(QStyle::CE_TabBarTabShape, &tab, p);
    });
    for (int x = 0; x < 60; ++x)
        EXPECT_EQ(image.pixelColor(x, 18), line) << x;
    EXPECT_EQ(qAlpha(image.pixel(10, 19)), 0);
}

TEST_F(ControlsTest, HandlePanelDrawsItsGripFromACopy)
{
    apply(1);
    StyleOptionHandlePanel panel;
    panel.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    panel.rect = QRect(0, 0, 100, 30);
    panel.handle = true;
    const QStyleOption plain = panel;
    const QImage withGrip = paint(QSize(110, 40), [&](QPainter* p) {
        style->drawControl(CE_HandlePanel, &panel, p);
    });
    EXPECT_EQ(panel.rect, QRect(0, 0, 100, 30));
    const QImage without = paint(QSize(110, 40), [&](QPainter* p) {
        style->drawControl(CE_HandlePanel, &plain, p);
    });
    EXPECT_NE(withGrip, without);
    EXPECT_EQ(pixelsOf(without, panel.palette.color(QPalette::Active, QPalette::Window)), panel.rect);
}

TEST(ProgressLabelFilled, EmptyRangeFillsAsTheChunksDo)
{
    EXPECT_EQ(Control::progressLabelFilled(0, 100, 50, 200), 100);
    EXPECT_EQ(Control::progressLabelFilled(7, 7, 7, 200), 200);
    EXPECT_EQ(Control::progressLabelFilled(7, 7, 6, 200), 0);
    EXPECT_GT(Control::progressLabelFilled(0, 100, INT_MAX, 200), 200);
    EXPECT_LT(Control::progressLabelFilled(0, 100, INT_MIN, 200), 0);
}

TEST_F(ControlsTest, SliderTicksStayInsideTheSizeTheSliderAsksFor)
{
    // Whatever side the ticks are on, groove, handle and every tick lie
    // within the thickness CT_Slider asks for.
    for (double scale : {1.0, 1.5, 2.0}) {
        apply(scale);
        for (auto ticks : {QSlider::NoTicks, QSlider::TicksAbove, QSlider::TicksBelow, QSlider::TicksBothSides}) {
            for (Qt::Orientation o : {Qt::Horizontal, Qt::Vertical}) {
                QStyleOptionSlider slider;
                slider.state = QStyle::State_Enabled;
                slider.orientation = o;
                slider.maximum = 8;
                slider.tickInterval = 3;
                slider.tickPosition = ticks;
                slider.sliderPosition = 8;
                slider.subControls = QStyle::SC_All;
                const QSize wanted = style->sizeFromContents(QStyle::CT_Slider, &slider, QSize(120, 120));
                slider.rect = QRect(QPoint(0, 0), o == Qt::Horizontal ? QSize(120, wanted.height())
                                                                      : QSize(wanted.width(), 120));
                const QRect groove = style->subControlRect(QStyle::CC_Slider, &slider, QStyle::SC_SliderGroove);
                const QRect handle = style->subControlRect(QStyle::CC_Slider, &slider, QStyle::SC_SliderHandle);
                EXPECT_TRUE(slider.rect.contains(groove)) << scale << " " << ticks << " " << o;
                EXPECT_TRUE(slider.rect.contains(handle)) << scale << " " << ticks << " " << o;
                // Drawn into a larger image: no ink outside the rectangle.
                const QImage image = paint(QSize(160, 160), [&](QPainter* p) {
                    style->drawComplexControl(QStyle::CC_Slider, &slider, p);
                });
                for (int y = 0; y < image.height(); ++y)
                    for (int x = 0; x < image.width(); ++x)
                        if (qAlpha(image.pixel(x, y)) != 0) {
                            ASSERT_TRUE(slider.rect.contains(x, y))
                                << scale << " " << ticks << " " << o << " at " << x << "," << y;
                        }
                // Ticks on a side leave ink there.
                if (ticks == QSlider::TicksBelow) {
                    const QRect below = o == Qt::Horizontal
                                            ? QRect(0, groove.bottom() + 1, 120, slider.rect.bottom() - groove.bottom())
                                            : QRect(groove.right() + 1, 0, slider.rect.right() - groove.right(), 120);
                    bool ink = false;
                    for (int y = below.top(); y <= below.bottom(); ++y)
                        for (int x = below.left(); x <= below.right(); ++x)
                            ink |= qAlpha(image.pixel(x, y)) != 0 && !handle.contains(x, y);
                    EXPECT_TRUE(ink) << scale << " " << o;
                }
            }
        }
    }
}

TEST_F(ControlsTest, TextOnlyToolButtonsAndCheckableGroupBoxesFitTheirText)
{
    apply(2);
    QToolButton tool;
    tool.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeNone));
    tool.setIcon(style->standardIcon(QStyle::SP_DirOpenIcon));
    tool.setText(QStringLiteral("A rather long text"));
    tool.setToolButtonStyle(Qt::ToolButtonTextOnly);
    EXPECT_GE(tool.sizeHint().width(), tool.fontMetrics().horizontalAdvance(tool.text()));
    // Shown with its icon, the button stays icon-sized.
    tool.setToolButtonStyle(Qt::ToolButtonIconOnly);
    EXPECT_LT(tool.sizeHint().width(), tool.fontMetrics().horizontalAdvance(tool.text()));

    QGroupBox box(QStringLiteral("Checkable"));
    box.setCheckable(true);
    box.resize(box.minimumSizeHint());
    QStyleOptionGroupBox opt;
    opt.initFrom(&box);
    opt.text = box.title();
    opt.subControls = QStyle::SC_GroupBoxCheckBox | QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    opt.textAlignment = box.alignment();
    const QRect label = style->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, &box);
    QFont bold = box.font();
    bold.setWeight(75);
    EXPECT_GE(label.width(), QFontMetrics(bold).horizontalAdvance(box.title()));
    EXPECT_LE(label.right(), box.rect().right());
}

TEST_F(ControlsTest, ToolBarGripImagesTileWithGaps)
{
    apply(1);
    QStyleOption opt;
    opt.state = QStyle::State_Enabled;
    opt.palette.setColor(QPalette::Light, QColor(250, 250, 250));
    // 2 x 2 images every 4 pixels: 20 wide gives 5 copies across.
    const QImage across = paint(QSize(40, 20), [&](QPainter* p) {
        drawToolBarHandleImage(p, &opt, QRect(3, 4, 20, 6), Qt::Vertical, nullptr);
    });
    const QImage down = paint(QSize(20, 40), [&](QPainter* p) {
        drawToolBarHandleImage(p, &opt, QRect(3, 4, 6, 19), Qt::Horizontal, nullptr);
    });
    const auto inked = [](const QImage& image) {
        QRect box;
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) != 0) {
                    box |= QRect(x, y, 1, 1);
                    ++count;
                }
        return std::make_pair(box, count);
    };
    // The image is one dot of the border colour, at alpha 0xaa.
    const auto [acrossBox, acrossCount] = inked(across);
    EXPECT_EQ(acrossBox, QRect(3, 4, 17, 1));
    EXPECT_EQ(acrossCount, 5);
    EXPECT_EQ(qAlpha(across.pixel(7, 4)), 0xaa);
    const auto [downBox, downCount] = inked(down);
    EXPECT_EQ(downBox, QRect(3, 4, 1, 13)); // 19 / 4: four copies
    EXPECT_EQ(downCount, 4);
}

TEST_F(ControlsTest, ToolBarHandleRunIsCentredAndSetIn)
{
    apply(1);
    QWidget plain;
    QWidget toolBar;
    toolBar.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeToolBar));
    QStyleOption opt;
    opt.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    opt.rect = QRect(5, 5, 10, 30);
    opt.palette.setColor(QPalette::Window, QColor(100, 110, 120));
    for (auto [w, across] : {std::pair<const QWidget*, int>{nullptr, 3}, std::pair<const QWidget*, int>{&plain, 3},
                             std::pair<const QWidget*, int>{&toolBar, 1}}) {
        const QImage image = paint(QSize(40, 40), [&](QPainter* p) {
            style->drawPrimitive(QStyle::PE_IndicatorToolBarHandle, &opt, p, w);
        });
        const QColor background = w ? opt.palette.color(w->backgroundRole()) : opt.palette.color(QPalette::Window);
        QRect grip;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                if (qAlpha(image.pixel(x, y)) != 0 && image.pixelColor(x, y) != background)
                    grip |= QRect(x, y, 1, 1);
        // Seven 4 x 4 copies down the 30 pixels, one spare pixel above.
        EXPECT_EQ(grip, QRect(5 + across, 5 + 1, 2, 4 * 6 + 2)) << across;
        EXPECT_EQ(image.pixelColor(5, 5), background);
    }
}

TEST_F(ControlsTest, TabWidgetFramesByShape)
{
    apply(1);
    QStyleOptionTabWidgetFrame frame;
    frame.state = QStyle::State_Enabled;
    frame.rect = QRect(0, 0, 50, 40);
    frame.lineWidth = 1;
    frame.palette.setColor(QPalette::Window, QColor(10, 20, 30));
    const QColor line = style->extendedPalette()->getColor(Skin::TabLineHighlight, frame.palette.color(QPalette::Dark));
    {
        const ExpectedWarnings rounded({QStringLiteral("QTabBar::Rounded is not supported by NuvraStyle!")});
        const QImage image = paint(QSize(60, 50), [&](QPainter* p) {
            style->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, p);
        });
        EXPECT_NE(image, paint(QSize(60, 50), [](QPainter*) {})); // the common frame still comes
    }
    frame.shape = QTabBar::TriangularNorth;
    QImage image = paint(QSize(60, 50), [&](QPainter* p) {
        style->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, p);
    });
    EXPECT_EQ(pixelsOf(image, line), frame.rect);
    EXPECT_EQ(image.pixelColor(20, 20), QColor(10, 20, 30));

    QWidget borderless;
    borderless.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeBorderNone));
    borderless.setContentsMargins(0, 0, 0, 0);
    frame.shape = QTabBar::TriangularSouth;
    image = paint(QSize(60, 50), [&](QPainter* p) {
        style->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, p, &borderless);
    });
    EXPECT_EQ(pixelsOf(image, line), QRect(0, 38, 50, 1)); // the tab side only
}

TEST_F(ControlsTest, WindowFrameInnerEdgeFollowsActivity)
{
    apply(1);
    QStyleOption opt;
    opt.rect = QRect(0, 0, 80, 60);
    opt.palette.setColor(QPalette::Highlight, QColor(0, 0, 200));
    opt.palette.setColor(QPalette::Window, QColor(200, 200, 200));
    opt.palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0, 200, 0));
    opt.palette.setColor(QPalette::Disabled, QPalette::Window, QColor(120, 120, 120));
    const int t = style->pixelMetric(QStyle::PM_TitleBarHeight, &opt);
    for (bool active : {true, false}) {
        opt.state = active ? QStyle::State_Active : QStyle::State_None;
        const QImage image = paint(QSize(90, 70), [&](QPainter* p) {
            style->drawPrimitive(QStyle::PE_FrameWindow, &opt, p);
        });
        const QColor highlight = active ? QColor(0, 0, 200) : QColor(0, 200, 0);
        const QColor window = active ? QColor(200, 200, 200) : QColor(120, 120, 120);
        EXPECT_EQ(image.pixelColor(0, t), mergedColors(highlight, Qt::black, 50)) << active;
        EXPECT_EQ(image.pixelColor(1, t), active ? mergedColors(highlight, window, 50) : window.darker(120)) << active;
        EXPECT_EQ(image.pixelColor(40, 59), mergedColors(highlight, Qt::black, 50)) << active;
        EXPECT_EQ(qAlpha(image.pixel(0, t - 1)), 0) << active; // the title bar is not framed here
    }
}

TEST_F(ControlsTest, VerticalScrollBarArrowsIgnoreTheLayoutDirection)
{
    // Vertical bars keep their sub-line button on top in either direction;
    // horizontal ones swap ends right-to-left.
    apply(1);
    QStyleOptionSlider opt;
    opt.state = QStyle::State_Enabled;
    opt.rect = QRect(10, 10, 21, 21);
    const QColor arrow = style->extendedPalette()->getColor(Skin::SliderArrow, opt.palette.color(QPalette::BrightText));
    const auto arrowBox = [&](Qt::Orientation o, Qt::LayoutDirection d) {
        opt.orientation = o;
        opt.direction = d;
        return pixelsOf(paint(QSize(40, 40), [&](QPainter* p) {
                            style->drawControl(QStyle::CE_ScrollBarSubLine, &opt, p);
                        }),
                        arrow);
    };
    // Centre (20, 20): four lines, the tip two pixels from it.
    const QRect up(QPoint(17, 18), QPoint(23, 21));
    EXPECT_EQ(arrowBox(Qt::Vertical, Qt::LeftToRight), up);
    EXPECT_EQ(arrowBox(Qt::Vertical, Qt::RightToLeft), up);
    EXPECT_EQ(arrowBox(Qt::Horizontal, Qt::LeftToRight), QRect(QPoint(18, 17), QPoint(21, 23)));
    EXPECT_EQ(arrowBox(Qt::Horizontal, Qt::RightToLeft), QRect(QPoint(19, 17), QPoint(22, 23)));
}
