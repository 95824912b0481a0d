#include "StyleTestSupport.h"

#include "style/ModernStyle.h"
#include "style/Palette.h"
#include "style/StyleManager.h"
#include "style/StyleProperties.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QPixmapCache>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QDoubleSpinBox>
#include <QStyleOption>
#include <QTabBar>

#include <gtest/gtest.h>

#include <climits>

using namespace Nuvra::Style;

namespace {

class ModernTest : public AppliedStyleTest<ModernStyle> {
protected:
    void apply(double scale, const char* name = "ModernStyle") { applyStyle(name, scale); }
};

} // namespace

TEST_F(ModernTest, BothStylesAreOfTheFlatFamilyAndDrawFromTheirOwnFolders)
{
    struct Case {
        const char* name;
        const char* folder;
    };
    for (const Case& c : {Case{"ModernStyle", ":/Styles/ModernStyle/"}, Case{"ModernGray", ":/Styles/ModernGray/"}}) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(IsModernStyle());
        apply(1, c.name);
        EXPECT_EQ(style->objectName(), QString::fromLatin1(c.name));
        EXPECT_EQ(style->prefix(), QString::fromLatin1(c.folder));
        EXPECT_EQ(style->GetStyleFamily(), 1);
        EXPECT_TRUE(IsModernStyle());
        // Each folder holds its palettes and its arrows.
        EXPECT_GT(style->extendedPalette()->count(), 0);
        for (const char* arrow : {"components/arrow_down-normal.svg", "components/arrow_down-checked.svg"}) {
            QPixmap pixmap;
            EXPECT_TRUE(StyleManager::LoadPixmap(pixmap, style->prefix() + QLatin1String(arrow), RasterizerDefault))
                << arrow;
        }
        TearDown();
    }
    apply(1, "ModernStyle");
    const QColor modern = style->standardPalette().color(QPalette::Window);
    apply(1, "ModernGray");
    EXPECT_NE(style->standardPalette().color(QPalette::Window), modern);
}

TEST_F(ModernTest, ScrollBarExtentsOfListsPlainBarsAndShapes)
{
    QListWidget list;
    QScrollBar* inList = list.verticalScrollBar();
    ASSERT_TRUE(inList->parentWidget() && inList->parentWidget()->parentWidget() == &list);
    QScrollBar plain;
    QScrollBar mini;
    mini.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeScrollMini));
    struct Case {
        double scale;
        int list, vertical, horizontal;
    };
    for (const Case& c : {Case{1, 8, 11, 12}, Case{2, 12, 17, 18}}) {
        apply(c.scale);
        SCOPED_TRACE(c.scale);
        const QStyleOptionSlider v = scrollBarOption(Qt::Vertical, 0, 10, 0, 1, QRect(0, 0, 10, 100));
        const QStyleOptionSlider h = scrollBarOption(Qt::Horizontal, 0, 10, 0, 1, QRect(0, 0, 100, 10));
        EXPECT_EQ(style->pixelMetric(QStyle::PM_ScrollBarExtent, &v, inList), c.list);
        EXPECT_EQ(style->pixelMetric(QStyle::PM_ScrollBarExtent, &v, &plain), c.vertical);
        EXPECT_EQ(style->pixelMetric(QStyle::PM_ScrollBarExtent, &h, inList), c.horizontal);
        // Without a slider option the shape decides.
        EXPECT_EQ(style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &mini), c.list);
        EXPECT_EQ(style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &plain), c.horizontal);
        EXPECT_EQ(style->pixelMetric(QStyle::PM_ScrollBarExtent), c.horizontal);
    }
}

TEST_F(ModernTest, MetricTableAndCustomMetrics)
{
    apply(2);
    EXPECT_EQ(style->pixelMetric(QStyle::PM_ScrollBarSliderMin), 51);
    EXPECT_EQ(style->pixelMetric(QStyle::PM_SliderThickness), 30);
    EXPECT_EQ(style->pixelMetric(QStyle::PM_SliderControlThickness), 26);
    EXPECT_EQ(style->pixelMetric(QStyle::PM_SpinBoxFrameWidth), 2);
    EXPECT_EQ(style->pixelMetric(QStyle::PM_TabBarTabHSpace), 24);
    QStyleOptionTab tab;
    tab.shape = QTabBar::TriangularWest;
    EXPECT_EQ(style->pixelMetric(QStyle::PM_TabBarTabOverlap, &tab), 1);
    EXPECT_EQ(style->pixelMetric(QStyle::PM_TabBarTabVSpace, &tab), 12);
    tab.shape = QTabBar::RoundedSouth;
    EXPECT_EQ(style->pixelMetric(QStyle::PM_TabBarTabOverlap, &tab), 2);
    EXPECT_EQ(style->pixelMetric(QStyle::PM_TabBarTabVSpace, &tab), 24);
    EXPECT_EQ(style->pixelMetric(QStyle::PM_TabBarTabOverlap), 3);
    EXPECT_EQ(style->pixelMetric(QStyle::PM_TabBarTabVSpace), -1);
    QStyleOptionSlider slider = scrollBarOption(Qt::Vertical, 0, 10, 0, 1, QRect(0, 0, 20, 100));
    EXPECT_EQ(style->pixelMetric(QStyle::PM_SliderSpaceAvailable, &slider), 70);
    EXPECT_EQ(style->pixelMetric(QStyle::PM_SliderSpaceAvailable), 0);
    QWidget topBar;
    topBar.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeTopBar));
    EXPECT_EQ(style->pixelMetric(QStyle::PM_ToolBarFrameWidth, nullptr, &topBar), 0);
    EXPECT_EQ(style->pixelMetric(QStyle::PM_ToolBarFrameWidth), 1);
    EXPECT_EQ(style->pixelMetric(QStyle::PM_TitleBarHeight), 30);
    EXPECT_GE(style->pixelMetric(QStyle::PM_SizeGripSize), 0);

    const int expected[] = {20, 2, 2, 0, 0, 0, 1, 1, 1, 1, 3, 65, 65, 35, 36, 233, 14, 22, 80, 64, 64, 70, 70, 48, 23};
    for (int n = 1; n <= 25; ++n)
        EXPECT_EQ(style->pixelMetric(QStyle::PixelMetric(QStyle::PM_CustomBase + n)), expected[n - 1]) << n;
}

TEST_F(ModernTest, PushButtonAndControlSizes)
{
    apply(1);
    QPushButton empty;
    EXPECT_EQ(style->sizeFromContents(QStyle::CT_PushButton, nullptr, QSize(30, 10), &empty), QSize(76, 25));
    EXPECT_EQ(style->sizeFromContents(QStyle::CT_PushButton, nullptr, QSize(70, 10), &empty), QSize(90, 25));
    QPushButton text(QStringLiteral("Go"));
    text.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeLeft));
    // 10 for the text, pads 1 (left shape) and 10.
    EXPECT_EQ(style->sizeFromContents(QStyle::CT_PushButton, nullptr, QSize(70, 10), &text), QSize(91, 25));

    apply(2);
    QStyleOptionComboBox combo;
    QComboBox twin;
    twin.setProperty("fixedWidthTwinCombo", true);
    const QSize plain = style->sizeFromContents(QStyle::CT_ComboBox, &combo, QSize(50, 10), nullptr);
    const QSize grown = style->sizeFromContents(QStyle::CT_ComboBox, &combo, QSize(50, 10), &twin);
    EXPECT_EQ(plain.height(), 51);
    EXPECT_EQ(grown.width(), plain.width() + 40);
    // Another option kind: Qt's answer unchanged.
    QStyleOption other;
    EXPECT_EQ(style->sizeFromContents(QStyle::CT_ComboBox, &other, QSize(50, 10), nullptr),
              style->QCommonStyle::sizeFromContents(QStyle::CT_ComboBox, &other, QSize(50, 10), nullptr));
    QStyleOptionSpinBox spin;
    EXPECT_EQ(style->sizeFromContents(QStyle::CT_SpinBox, &spin, QSize(10, 10), nullptr), QSize(96, 45));
    QStyleOptionSlider bar = scrollBarOption(Qt::Horizontal, 0, 10, 0, 1, QRect());
    EXPECT_EQ(style->sizeFromContents(QStyle::CT_ScrollBar, &bar, QSize(), nullptr), QSize(51, 18));
}

TEST_F(ModernTest, ScrollBarSliderRectangles)
{
    apply(1);
    QScrollBar w;
    const QRect r(0, 0, 200, 12);
    const int minimum = style->pixelMetric(QStyle::PM_ScrollBarSliderMin);
    struct Case {
        const char* what;
        int minimum, maximum, value, pageStep;
        int expectedLength; // of the slider rectangle: len - 3
    };
    const Case cases[] = {
        {"no range: the whole bar", 5, 5, 5, 10, 200 - 3},
        {"half page", 0, 100, 0, 100, 100 - 3},
        {"tiny page: the minimum", 0, 100000, 0, 1, minimum - 3},
        {"full int range", INT_MIN, INT_MAX, 0, INT_MAX, minimum - 3},
        {"page step times length beyond int", 0, 1000, 0, 1 << 30, 199 - 3},
        {"negative page step: divisor not positive", 0, 10, 0, -20, 200 - 3},
        {"negative page step: negative length", 0, 100, 0, -10, minimum - 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QStyleOptionSlider opt = scrollBarOption(Qt::Horizontal, c.minimum, c.maximum, c.value, c.pageStep, r);
        const QRect s = style->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, &w);
        EXPECT_EQ(s.width(), c.expectedLength);
        EXPECT_EQ(s.height(), 12);
        EXPECT_GE(s.left(), r.left());
        EXPECT_LE(s.right(), r.right());
    }
    // At the far end the slider reaches the bar's end.
    QStyleOptionSlider end = scrollBarOption(Qt::Horizontal, 0, 100, 100, 100, r);
    EXPECT_EQ(style->subControlRect(QStyle::CC_ScrollBar, &end, QStyle::SC_ScrollBarSlider, &w),
              QRect(QPoint(103, 0), QPoint(199, 11)));
    // The line buttons are empty markers; the pages and groove the whole bar.
    EXPECT_EQ(style->subControlRect(QStyle::CC_ScrollBar, &end, QStyle::SC_ScrollBarAddLine, &w),
              QRect(200 - 12 + 1, 0, 0, 12));
    EXPECT_EQ(style->subControlRect(QStyle::CC_ScrollBar, &end, QStyle::SC_ScrollBarGroove, &w), r);
    // Disabled: no slider.
    end.state &= ~QStyle::State_Enabled;
    EXPECT_TRUE(style->subControlRect(QStyle::CC_ScrollBar, &end, QStyle::SC_ScrollBarSlider, &w).isNull());
}

TEST_F(ModernTest, WindowFrameMaskCutsTheCorners)
{
    apply(2);
    QStyleOptionComplex opt;
    opt.rect = QRect(10, 10, 100, 80);
    QStyleHintReturnMask mask;
    EXPECT_EQ(style->styleHint(QStyle::SH_WindowFrame_Mask, &opt, nullptr, &mask), 1);
    // 16 pixels off each corner at scale 2, relative to the rectangle.
    EXPECT_FALSE(mask.region.contains(QPoint(7, 7)));
    EXPECT_TRUE(mask.region.contains(QPoint(9, 9)));
    EXPECT_FALSE(mask.region.contains(QPoint(15, 0)));
    EXPECT_TRUE(mask.region.contains(QPoint(17, 1)));
    EXPECT_FALSE(mask.region.contains(QPoint(99, 79)));
    EXPECT_TRUE(mask.region.contains(QPoint(50, 40)));
    // An invalid rectangle empties the mask.
    opt.rect = QRect(QPoint(10, 10), QPoint(5, 20));
    style->styleHint(QStyle::SH_WindowFrame_Mask, &opt, nullptr, &mask);
    EXPECT_TRUE(mask.region.isEmpty());
    // A plain option leaves the mask alone.
    QStyleOption plain;
    mask.region = QRegion(0, 0, 3, 3);
    EXPECT_EQ(style->styleHint(QStyle::SH_WindowFrame_Mask, &plain, nullptr, &mask), 1);
    EXPECT_EQ(mask.region, QRegion(0, 0, 3, 3));
    QStyleHintReturnVariant variant;
    EXPECT_EQ(style->styleHint(QStyle::SH_WindowFrame_Mask, &opt, nullptr, &variant), 1);
}

TEST_F(ModernTest, PrintPixmapFromCacheLoadsOnceAndCentres)
{
    apply(1);
    const QString key = style->prefix() + QStringLiteral("components/arrow_down-checked.svg");
    QPixmapCache::remove(key);
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        style->PrintPixmapFromCache(&p, key, QPointF(20, 20));
    }
    QPixmap cached;
    ASSERT_TRUE(QPixmapCache::find(key, &cached));
    // The image spans its own size around the centre, and nothing outside.
    const QRect drawn(qRound(20 - cached.width() * 0.5), qRound(20 - cached.height() * 0.5), cached.width(),
                      cached.height());
    bool inside = false;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            if (qAlpha(image.pixel(x, y)) != 0) {
                EXPECT_TRUE(drawn.contains(x, y)) << x << "," << y;
                inside = true;
            }
    EXPECT_TRUE(inside);
    // The second call draws the cached pixmap: a replaced entry shows.
    QPixmap red(4, 4);
    red.fill(Qt::red);
    QPixmapCache::insert(key, red);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        style->PrintPixmapFromCache(&p, key, QPointF(20, 20));
    }
    EXPECT_EQ(image.pixel(18, 18), QColor(Qt::red).rgba());
    EXPECT_EQ(qAlpha(image.pixel(22, 22)), 0);
    QPixmapCache::remove(key);
    // A missing image draws nothing.
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        style->PrintPixmapFromCache(&p, QStringLiteral(":/Styles/ModernStyle/no-such.svg"), QPointF(20, 20));
        style->PrintPixmapFromCache(nullptr, key, QPointF(20, 20));
    }
    EXPECT_EQ(image, [] { QImage e(40, 40, QImage::Format_ARGB32_Premultiplied); e.fill(Qt::transparent); return e; }());
}

TEST_F(ModernTest, PolishAndUnpolishOfWidgets)
{
    apply(1);
    QComboBox combo;
    style->polish(&combo);
    EXPECT_TRUE(combo.testAttribute(Qt::WA_Hover));
    EXPECT_EQ(combo.font().weight(), QFont::Bold);
    style->unpolish(&combo);
    EXPECT_FALSE(combo.testAttribute(Qt::WA_Hover));
    EXPECT_EQ(combo.font().weight(), QFont::Normal);

    QPushButton plain;
    plain.setProperty("unBoldFont", true);
    style->polish(&plain);
    EXPECT_EQ(plain.font().weight(), QFont::Normal);

    QSpinBox spin;
    QDoubleSpinBox dbl;
    style->polish(&spin);
    style->polish(&dbl);
    EXPECT_EQ(spin.alignment(), Qt::AlignCenter);
    EXPECT_EQ(dbl.alignment(), Qt::AlignCenter);
    style->unpolish(&spin);
    style->unpolish(&dbl);
    EXPECT_EQ(spin.alignment(), Qt::AlignCenter); // a plain spin box keeps it
    EXPECT_EQ(dbl.alignment(), Qt::AlignLeft | Qt::AlignVCenter);

    QWidget topBar;
    topBar.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeTopBar));
    topBar.setContentsMargins(3, 3, 3, 3);
    style->polish(&topBar);
    EXPECT_EQ(topBar.contentsMargins(), QMargins());
    EXPECT_TRUE(topBar.autoFillBackground());
    EXPECT_EQ(topBar.palette().color(QPalette::Disabled, QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(topBar.palette().color(QPalette::Window),
              style->extendedPalette()->getColor(Skin::TopBarBackground, Qt::black));

    // The arrows are in the pixmap cache once a widget is polished.
    QPixmap arrow;
    EXPECT_TRUE(QPixmapCache::find(style->prefix() + QStringLiteral("components/arrow_down-normal.svg"), &arrow));
}

TEST_F(ModernTest, ReleasedProgressBarLeavesTheBusyList)
{
    apply(1);
    auto* bar = new QProgressBar;
    bar->setRange(0, 0);
    bar->show(); // polished by the style, then shown
    ASSERT_TRUE(style->busyTimerActive());
    style->unpolish(bar);
    EXPECT_FALSE(style->busyTimerActive());
    delete bar;
}

TEST_F(ModernTest, TabLayoutPadsAndIcon)
{
    apply(1);
    QStyleOptionTab tab;
    tab.rect = QRect(0, 0, 100, 30);
    tab.shape = QTabBar::RoundedNorth;
    tab.leftButtonSize = QSize(20, 16);
    QRect text;
    style->tabLayout(&tab, nullptr, &text, nullptr);
    EXPECT_EQ(text.left(), 28);
    EXPECT_EQ(text.right(), 99 - 4);
    EXPECT_EQ(text.top(), -6); // the vertical space widens the rectangle by half of 12
    EXPECT_EQ(text.bottom(), 29 + 6);
    tab.shape = QTabBar::RoundedWest;
    tab.rect = QRect(0, 0, 30, 100);
    style->tabLayout(&tab, nullptr, &text, nullptr);
    EXPECT_EQ(text.left(), 24);

    // An invalid icon size asks for the small-icon metric.
    QPixmap big(64, 64);
    big.fill(Qt::blue);
    tab.icon = QIcon(big);
    tab.iconSize = QSize(-1, -1);
    tab.leftButtonSize = QSize();
    tab.shape = QTabBar::RoundedNorth;
    tab.rect = QRect(0, 0, 100, 30);
    QRect icon;
    style->tabLayout(&tab, nullptr, &text, &icon);
    const int small = style->pixelMetric(QStyle::PM_SmallIconSize);
    EXPECT_EQ(icon.size(), QSize(small, small));
    EXPECT_EQ(icon.left(), tab.rect.center().x() - small / 2);
    EXPECT_EQ(text.left(), 4 + small + 4);

    // SE_TabBarTabText wants a tab option of version 3.
    QStyleOptionTab old;
    old.version = 2;
    old.rect = tab.rect;
    EXPECT_TRUE(style->subElementRect(QStyle::SE_TabBarTabText, &old, nullptr).isNull());
}

TEST_F(ModernTest, SubControlsOfBoxesAndSlider)
{
    apply(1);
    QStyleOptionSpinBox spin;
    spin.rect = QRect(0, 0, 60, 24);
    spin.frame = true;
    EXPECT_EQ(style->subControlRect(QStyle::CC_SpinBox, &spin, QStyle::SC_SpinBoxEditField),
              QRect(QPoint(2, 0), QPoint(57, 21)));
    EXPECT_EQ(style->subControlRect(QStyle::CC_SpinBox, &spin, QStyle::SC_SpinBoxUp), spin.rect);

    QStyleOptionComboBox combo;
    combo.rect = QRect(0, 0, 100, 25);
    EXPECT_EQ(style->subControlRect(QStyle::CC_ComboBox, &combo, QStyle::SC_ComboBoxArrow),
              QRect(QPoint(83, 1), QPoint(98, 23)));
    combo.direction = Qt::RightToLeft;
    EXPECT_EQ(style->subControlRect(QStyle::CC_ComboBox, &combo, QStyle::SC_ComboBoxArrow),
              QRect(QPoint(1, 1), QPoint(16, 23)));
    EXPECT_EQ(style->subControlRect(QStyle::CC_ComboBox, &combo, QStyle::SC_ComboBoxFrame),
              QRect(1, 1, 98, 23));

    QStyleOptionSlider slider = scrollBarOption(Qt::Horizontal, 0, 100, 100, 10, QRect(0, 0, 115, 15));
    EXPECT_EQ(style->subControlRect(QStyle::CC_Slider, &slider, QStyle::SC_SliderGroove), QRect(0, 0, 115, 15));
    EXPECT_EQ(style->subControlRect(QStyle::CC_Slider, &slider, QStyle::SC_SliderHandle), QRect(101, 1, 13, 13));
}
