#include "StyleTestSupport.h"

#include "style/NuvraStyle.h"
#include "style/StyleManager.h"
#include "style/StyleOptions.h"
#include "style/StyleProperties.h"

#include <QApplication>
#include <QCommonStyle>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOption>

#include <gtest/gtest.h>

#include <climits>
#include <vector>

using namespace Nuvra::Style;

namespace {

const double kScales[] = {1, 1.25, 1.5, 2, 3};

class MetricsTest : public AppliedStyleTest<NuvraStyle> {
protected:
    void apply(double scale, const char* name = "NuvraStyle") { applyStyle(name, scale); }
};

int along(const QRect& r, Qt::Orientation o, bool end)
{
    if (o == Qt::Horizontal)
        return end ? r.right() + 1 : r.left();
    return end ? r.bottom() + 1 : r.top();
}

} // namespace

TEST_F(MetricsTest, OddRuleMetricsAtEveryScale)
{
    struct Case {
        double scale;
        int full, midi, mini, push, combo;
    };
    const Case cases[] = {
        {1, 15, 11, 7, 19, 19}, {1.25, 17, 13, 7, 23, 23}, {1.5, 21, 15, 9, 27, 29},
        {2, 29, 21, 13, 37, 39}, {3, 43, 31, 19, 55, 57},
    };
    for (const Case& c : cases) {
        apply(c.scale);
        SCOPED_TRACE(c.scale);
        QScrollBar plain, midi, mini;
        midi.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeScrollMidi));
        mini.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeScrollMini));
        EXPECT_EQ(style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &plain), c.full);
        EXPECT_EQ(style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &midi), c.midi);
        EXPECT_EQ(style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &mini), c.mini);
        EXPECT_EQ(style->pixelMetric(QStyle::PM_ScrollBarExtent), c.full);

        QPushButton button(QStringLiteral("OK"));
        QStyleOptionButton bopt;
        bopt.initFrom(&button);
        const QSize push = style->sizeFromContents(QStyle::CT_PushButton, &bopt, QSize(20, 10), &button);
        EXPECT_EQ(push.height(), c.push);
        QStyleOptionComboBox copt;
        copt.rect = QRect(0, 0, 100, 30);
        EXPECT_EQ(style->sizeFromContents(QStyle::CT_ComboBox, &copt, QSize(50, 10), nullptr).height(), c.combo);
    }
}

TEST_F(MetricsTest, MetricsThatTruncateOrDependOnShape)
{
    apply(1.5);
    // The scale is truncated before the slider border is doubled.
    EXPECT_EQ(style->pixelMetric(QStyle::PM_SliderThickness), 11);
    QMenu menu;
    EXPECT_EQ(style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &menu), 1);
    EXPECT_EQ(style->pixelMetric(QStyle::PM_DefaultFrameWidth), 3);

    apply(1);
    QPushButton plain(QStringLiteral("Go")), left(QStringLiteral("Go"));
    left.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeLeft));
    QStyleOptionButton bopt;
    const QSize wide(60, 10);
    EXPECT_EQ(style->sizeFromContents(QStyle::CT_PushButton, &bopt, wide, &plain).width() -
                  style->sizeFromContents(QStyle::CT_PushButton, &bopt, wide, &left).width(),
              9);
    EXPECT_EQ(style->sizeFromContents(QStyle::CT_PushButton, &bopt, QSize(1, 1), &left).width(), 50);

    // Layout margins: windows get more room; unscaled.
    apply(2);
    QStyleOption window;
    window.state = QStyle::State_Window;
    EXPECT_EQ(style->pixelMetric(QStyle::PM_LayoutLeftMargin, &window), 11);
    EXPECT_EQ(style->pixelMetric(QStyle::PM_LayoutLeftMargin), 9);
    EXPECT_EQ(style->pixelMetric(QStyle::PM_LayoutHorizontalSpacing), -1);
}

TEST_F(MetricsTest, CustomMetricsReadOnlyTheirOwnOptionClass)
{
    apply(2);
    const auto custom = [&](int n, const QStyleOption* opt) {
        return style->pixelMetric(QStyle::PixelMetric(QStyle::PM_CustomBase + n), opt);
    };
    EXPECT_EQ(custom(1, nullptr), 40);
    EXPECT_EQ(custom(16, nullptr), 266);
    EXPECT_EQ(custom(20, nullptr), 142);
    EXPECT_EQ(custom(22, nullptr), 284); // metric 20 scaled once more
    EXPECT_EQ(custom(23, nullptr), 256);
    EXPECT_EQ(custom(25, nullptr), 44);

    StyleOptionFlags one;
    one.flags = 1;
    StyleOptionFlags other;
    other.flags = 3;
    EXPECT_EQ(custom(4, &one), 1);
    EXPECT_EQ(custom(5, &one), 0);
    EXPECT_EQ(custom(6, &other), 0);
    EXPECT_EQ(custom(7, &other), 1);

    // A plain complex option is a different class: it has no flag word, so
    // the common answer stands, whatever lies in memory past it.
    QStyleOptionComplex plain;
    QStyleOption tiny;
    QCommonStyle reference;
    const int common = reference.pixelMetric(QStyle::PixelMetric(QStyle::PM_CustomBase + 4));
    for (int n = 4; n <= 7; ++n) {
        EXPECT_EQ(custom(n, &plain), common) << n;
        EXPECT_EQ(custom(n, &tiny), common) << n;
        EXPECT_EQ(custom(n, nullptr), common) << n;
    }
    // Our option class is told apart from every option Qt has.
    EXPECT_EQ(qstyleoption_cast<const QStyleOptionSlider*>(static_cast<const QStyleOption*>(&one)), nullptr);
    EXPECT_NE(qstyleoption_cast<const QStyleOptionComplex*>(static_cast<const QStyleOption*>(&one)), nullptr);
    EXPECT_EQ(qstyleoption_cast<const StyleOptionFlags*>(static_cast<const QStyleOption*>(&plain)), nullptr);
}

TEST_F(MetricsTest, CustomSubElementsAreFixedRectanglesForComplexOptions)
{
    apply(2);
    QStyleOptionComplex complex;
    complex.rect = QRect(0, 0, 200, 200);
    EXPECT_EQ(style->subElementRect(QStyle::SubElement(QStyle::SE_CustomBase + 1), &complex), QRect(4, 6, 78, 78));
    EXPECT_EQ(style->subElementRect(QStyle::SubElement(QStyle::SE_CustomBase + 5), &complex), QRect(84, 2, 25, 22));
    EXPECT_EQ(style->subElementRect(QStyle::SubElement(QStyle::SE_CustomBase + 10), &complex),
              QRect(48, 0, 14, 14));
    QStyleOption plain;
    plain.rect = complex.rect;
    EXPECT_EQ(style->subElementRect(QStyle::SubElement(QStyle::SE_CustomBase + 1), &plain), QRect());
}

TEST_F(MetricsTest, ScrollBarPartsTileTheBarAtEveryScale)
{
    struct Range {
        int minimum, maximum, pageStep;
    };
    const Range ranges[] = {
        {0, 100, 10},          {0, 0, 10},           {5, 5, 0},     {0, 1, 1},
        {INT_MIN, INT_MAX, 1}, {0, 1000, INT_MAX},   {-50, 50, 25}, {0, 10, -20}, // divisor below zero
        {0, 10, -10},          {0, (1 << 30) - 1, 1}, {0, 1 << 30, 1 << 29},
    };
    // The pages meet under the middle of the slider, which lies over them.
    const std::vector<QStyle::SubControl> order = {QStyle::SC_ScrollBarSubLine, QStyle::SC_ScrollBarSubPage,
                                                   QStyle::SC_ScrollBarAddPage, QStyle::SC_ScrollBarAddLine,
                                                   QStyle::SC_ScrollBarSlider};
    for (double scale : kScales) {
        apply(scale);
        for (Qt::Orientation o : {Qt::Horizontal, Qt::Vertical}) {
            const QRect rect = o == Qt::Horizontal ? QRect(7, 3, 300, 17) : QRect(7, 3, 17, 300);
            for (const Range& range : ranges) {
                for (int which = 0; which < 3; ++which) {
                    const int value = which == 0   ? range.minimum
                                      : which == 1 ? range.maximum
                                                   : int(range.minimum + (qint64(range.maximum) - range.minimum) / 2);
                    SCOPED_TRACE(testing::Message() << "scale " << scale << " orientation " << o << " range "
                                                    << range.minimum << ".." << range.maximum << " page "
                                                    << range.pageStep << " value " << value);
                    const QStyleOptionSlider opt = scrollBarOption(o, range.minimum, range.maximum, value, range.pageStep, rect);
                    int edge = along(rect, o, false);
                    for (QStyle::SubControl sc : order) {
                        const QRect part = style->subControlRect(QStyle::CC_ScrollBar, &opt, sc);
                        if (part.isNull())
                            continue;
                        EXPECT_TRUE(rect.contains(part)) << sc;
                        if (sc != QStyle::SC_ScrollBarSlider) {
                            EXPECT_EQ(along(part, o, false), edge) << sc;
                            edge = along(part, o, true);
                        }
                        const QPoint centre = part.center();
                        const QStyle::SubControl hit = style->hitTestComplexControl(QStyle::CC_ScrollBar, &opt, centre);
                        EXPECT_TRUE(style->subControlRect(QStyle::CC_ScrollBar, &opt, hit).contains(centre)) << sc;
                    }
                    EXPECT_EQ(edge, along(rect, o, true));
                    const QStyle::SubControl onSlider = style->hitTestComplexControl(
                        QStyle::CC_ScrollBar, &opt,
                        style->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider).center());
                    EXPECT_EQ(onSlider, QStyle::SC_ScrollBarSlider);

                    const QRect slider = style->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider);
                    const QRect groove = style->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarGroove);
                    ASSERT_FALSE(slider.isNull());
                    EXPECT_TRUE(groove.contains(slider));
                    if (range.minimum != range.maximum && which == 0) {
                        EXPECT_EQ(along(slider, o, false), along(groove, o, false));
                    }
                    if (range.minimum != range.maximum && which == 1) {
                        EXPECT_EQ(along(slider, o, true), along(groove, o, true));
                    }
                }
            }
        }
    }
}

TEST_F(MetricsTest, DisabledScrollBarHasNoSliderAndPagesMeetInTheMiddle)
{
    apply(1);
    QStyleOptionSlider opt = scrollBarOption(Qt::Vertical, 0, 100, 90, 10, QRect(0, 0, 15, 200));
    opt.state &= ~QStyle::State_Enabled;
    EXPECT_TRUE(style->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider).isNull());
    const QRect sub = style->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSubPage);
    const QRect add = style->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarAddPage);
    EXPECT_EQ(sub.bottom() + 1, 100);
    EXPECT_EQ(add.top(), 100);
}

TEST_F(MetricsTest, SliderHandleStaysInItsGrooveAndFollowsTheValue)
{
    struct Range {
        int minimum, maximum;
    };
    const Range ranges[] = {{0, 100}, {0, 0}, {7, 7}, {INT_MIN, INT_MAX}, {-3, 3}};
    for (double scale : kScales) {
        apply(scale);
        for (Qt::Orientation o : {Qt::Horizontal, Qt::Vertical}) {
            for (QSlider::TickPosition ticks : {QSlider::NoTicks, QSlider::TicksAbove, QSlider::TicksBothSides}) {
                for (const Range& range : ranges) {
                    SCOPED_TRACE(testing::Message() << "scale " << scale << " orientation " << o << " ticks "
                                                    << ticks << " range " << range.minimum << ".." << range.maximum);
                    const QRect rect = o == Qt::Horizontal ? QRect(5, 5, 400, 120) : QRect(5, 5, 120, 400);
                    QStyleOptionSlider opt = scrollBarOption(o, range.minimum, range.maximum, range.minimum, 1, rect);
                    opt.tickPosition = ticks;
                    const QRect groove = style->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove);
                    ASSERT_TRUE(rect.contains(groove));
                    int last = INT_MIN;
                    for (int step = 0; step <= 8; ++step) {
                        const qint64 span = qint64(range.maximum) - range.minimum;
                        opt.sliderPosition = int(range.minimum + span * step / 8);
                        const QRect handle = style->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle);
                        EXPECT_TRUE(rect.contains(handle));
                        // The handle covers the groove across and stays on it along.
                        if (o == Qt::Horizontal) {
                            EXPECT_LE(handle.top(), groove.top());
                            EXPECT_GE(handle.bottom(), groove.bottom());
                            EXPECT_GE(handle.left(), groove.left());
                            EXPECT_LE(handle.right(), groove.right());
                        } else {
                            EXPECT_LE(handle.left(), groove.left());
                            EXPECT_GE(handle.right(), groove.right());
                            EXPECT_GE(handle.top(), groove.top());
                            EXPECT_LE(handle.bottom(), groove.bottom());
                        }
                        const int position = o == Qt::Horizontal ? handle.left() : handle.top();
                        EXPECT_GE(position, last);
                        last = position;
                        EXPECT_EQ(style->hitTestComplexControl(QStyle::CC_Slider, &opt, handle.center()),
                                  QStyle::SC_SliderHandle);
                    }
                    if (range.minimum != range.maximum) {
                        EXPECT_EQ(last + style->pixelMetric(QStyle::PM_SliderLength) - 1,
                                  o == Qt::Horizontal ? groove.right() : groove.bottom());
                    }
                    const QPoint offHandle = o == Qt::Horizontal ? QPoint(groove.left(), groove.center().y())
                                                                 : QPoint(groove.center().x(), groove.top());
                    opt.sliderPosition = range.maximum;
                    if (range.minimum != range.maximum) {
                        EXPECT_EQ(style->hitTestComplexControl(QStyle::CC_Slider, &opt, offHandle),
                                  QStyle::SC_SliderGroove);
                    }
                }
            }
        }
    }
}

TEST_F(MetricsTest, SpinBoxAndComboPartsLieInsideTheirControl)
{
    for (double scale : kScales) {
        apply(scale);
        for (Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
            SCOPED_TRACE(testing::Message() << "scale " << scale << " direction " << direction);
            QStyleOptionSpinBox spin;
            spin.rect = QRect(10, 20, 120, 40);
            spin.direction = direction;
            spin.frame = true;
            for (QStyle::SubControl sc : {QStyle::SC_SpinBoxEditField, QStyle::SC_SpinBoxUp, QStyle::SC_SpinBoxDown,
                                          QStyle::SC_SpinBoxFrame}) {
                const QRect part = style->subControlRect(QStyle::CC_SpinBox, &spin, sc);
                EXPECT_TRUE(spin.rect.contains(part)) << sc;
            }
            const QRect up = style->subControlRect(QStyle::CC_SpinBox, &spin, QStyle::SC_SpinBoxUp);
            const QRect down = style->subControlRect(QStyle::CC_SpinBox, &spin, QStyle::SC_SpinBoxDown);
            const QRect edit = style->subControlRect(QStyle::CC_SpinBox, &spin, QStyle::SC_SpinBoxEditField);
            EXPECT_EQ(up.bottom() + 1, down.top());
            EXPECT_EQ(up.height() + down.height(), spin.rect.height());
            EXPECT_FALSE(edit.intersects(up));
            spin.buttonSymbols = QAbstractSpinBox::NoButtons;
            EXPECT_TRUE(style->subControlRect(QStyle::CC_SpinBox, &spin, QStyle::SC_SpinBoxUp).isNull());

            QStyleOptionComboBox combo;
            combo.rect = QRect(3, 4, 150, 23);
            combo.direction = direction;
            const QRect field = style->subControlRect(QStyle::CC_ComboBox, &combo, QStyle::SC_ComboBoxEditField);
            const QRect arrow = style->subControlRect(QStyle::CC_ComboBox, &combo, QStyle::SC_ComboBoxArrow);
            EXPECT_TRUE(combo.rect.contains(field));
            EXPECT_TRUE(combo.rect.contains(arrow));
            EXPECT_FALSE(field.intersects(arrow));
            EXPECT_EQ(arrow.width() % 2, 1);
        }
    }
}

TEST_F(MetricsTest, LayoutSpacingBetweenKindsOfControl)
{
    apply(2);
    using CT = QSizePolicy;
    struct Case {
        CT::ControlType above, below;
        Qt::Orientation o;
        int spacing;
    };
    const Case cases[] = {
        {CT::Label, CT::LineEdit, Qt::Horizontal, 5},     {CT::RadioButton, CT::RadioButton, Qt::Vertical, 1},
        {CT::Slider, CT::ButtonBox, Qt::Vertical, 11},    {CT::PushButton, CT::Label, Qt::Horizontal, 10},
        {CT::PushButton, CT::Label, Qt::Vertical, 9},     {CT::CheckBox, CT::RadioButton, Qt::Vertical, 2},
        {CT::LineEdit, CT::CheckBox, Qt::Horizontal, 8},  {CT::Frame, CT::LineEdit, Qt::Vertical, 11},
        {CT::LineEdit, CT::ComboBox, Qt::Vertical, 7},    {CT::DefaultType, CT::ToolButton, Qt::Vertical, 6},
    };
    for (const Case& c : cases)
        EXPECT_EQ(style->layoutSpacing(c.above, c.below, c.o), c.spacing) << c.above << " " << c.below;
}

TEST_F(MetricsTest, WindowFrameMask)
{
    apply(1);
    QStyleHintReturnMask mask;
    mask.region = QRegion(0, 0, 5, 5);
    QStyleOptionTitleBar title;
    title.rect = QRect(0, 0, 20, 10);
    EXPECT_EQ(style->styleHint(QStyle::SH_WindowFrame_Mask, &title, nullptr, &mask), 1);
    EXPECT_TRUE(mask.region.isEmpty());

    QStyleOption frame;
    frame.rect = QRect(0, 0, 20, 10);
    EXPECT_EQ(style->styleHint(QStyle::SH_WindowFrame_Mask, &frame, nullptr, &mask), 1);
    for (const QPoint& cut : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(18, 0), QPoint(19, 0), QPoint(19, 1),
                              QPoint(0, 9), QPoint(19, 9)})
        EXPECT_FALSE(mask.region.contains(cut)) << cut.x() << "," << cut.y();
    EXPECT_TRUE(mask.region.contains(QPoint(2, 0)));
    EXPECT_TRUE(mask.region.contains(QPoint(1, 9)));
    EXPECT_EQ(style->styleHint(QStyle::SH_WindowFrame_Mask, nullptr, nullptr, &mask), 1);
}

TEST_F(MetricsTest, ItemTextPutsThePainterBack)
{
    apply(1.5);
    QImage image(80, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    const QPen pen(Qt::blue, 3);
    painter.setPen(pen);
    QPalette pal;
    pal.setColor(QPalette::ButtonText, Qt::red);
    for (bool enabled : {true, false}) {
        style->drawItemText(&painter, QRect(0, 0, 80, 30), Qt::AlignCenter, pal, enabled, QStringLiteral("Abc"),
                            QPalette::ButtonText);
        EXPECT_EQ(painter.pen(), pen);
    }
    style->drawItemText(&painter, QRect(0, 0, 80, 30), Qt::AlignCenter, pal, true, QString(), QPalette::ButtonText);
    style->drawItemText(nullptr, QRect(0, 0, 80, 30), Qt::AlignCenter, pal, true, QStringLiteral("x"));
    painter.end();
    bool red = false;
    for (int y = 0; y < image.height() && !red; ++y)
        for (int x = 0; x < image.width() && !red; ++x)
            red = qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) < 60;
    EXPECT_TRUE(red);
}
