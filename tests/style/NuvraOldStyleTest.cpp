#include "StyleTestSupport.h"

#include "style/NuvraOldStyle.h"
#include "style/NuvraStyle.h"
#include "style/Palette.h"
#include "style/StyleManager.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmapCache>
#include <QSlider>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace Nuvra::Style;

namespace {

const QRgb kBackground = qRgb(255, 0, 255);

// Draws the slider parts into the groove and handle rectangles it is given,
// so that positions can be checked against fixed geometry.
class FixedGeometryStyle : public NuvraOldStyle {
public:
    QRect groove, handle;
    QRect subControlRect(ComplexControl cc, const QStyleOptionComplex* opt, SubControl sc,
                         const QWidget* w) const override
    {
        if (cc == CC_Slider && sc == SC_SliderGroove)
            return groove;
        if (cc == CC_Slider && sc == SC_SliderHandle)
            return handle;
        return NuvraOldStyle::subControlRect(cc, opt, sc, w);
    }
};

QStyleOptionSlider sliderOption(Qt::Orientation orientation, QRect rect, int value = 40)
{
    QStyleOptionSlider opt;
    opt.orientation = orientation;
    opt.rect = rect;
    opt.minimum = 0;
    opt.maximum = 100;
    opt.sliderPosition = opt.sliderValue = value;
    opt.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle | QStyle::SC_SliderTickmarks;
    opt.palette = QApplication::palette();
    opt.state = QStyle::State_Enabled;
    return opt;
}

template <typename Draw>
QImage render(QSize size, Draw draw)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter p(&image);
    draw(&p);
    return image;
}

class OldStyleTest : public ::testing::Test {
protected:
    void SetUp() override { QPixmapCache::clear(); }
    void TearDown() override { QPixmapCache::clear(); }

    // Opaque one-colour slider images in a folder of their own, so that each
    // piece can be told apart in a rendering.
    QString solidSkin()
    {
        EXPECT_TRUE(dir.isValid());
        QDir(dir.path()).mkpath(QStringLiteral("skin"));
        const struct {
            const char* name;
            QSize size;
            QRgb colour;
        } images[] = {
            {"slider_blue_brush.png", {1, 8}, qRgb(0, 0, 255)},
            {"slider_grey_brush.png", {1, 8}, qRgb(0, 255, 0)},
            {"slider_left_brush.png", {2, 8}, qRgb(255, 0, 0)},
            {"slider_right_brush.png", {2, 8}, qRgb(255, 255, 0)},
            {"slider_brush.png", {3, 8}, qRgb(0, 0, 0)},
        };
        for (const auto& i : images) {
            QImage image(i.size, QImage::Format_RGB32);
            image.fill(i.colour);
            EXPECT_TRUE(image.save(dir.filePath(QStringLiteral("skin/") + i.name)));
        }
        return dir.path() + QLatin1Char('/');
    }

    QTemporaryDir dir;
};

// The colour of each column of row y, as a run-length string "colour:from-to".
QStringList runs(const QImage& image, int y)
{
    QStringList out;
    int start = 0;
    for (int x = 1; x <= image.width(); ++x) {
        if (x == image.width() || image.pixel(x, y) != image.pixel(start, y)) {
            out << QStringLiteral("%1:%2-%3").arg(image.pixel(start, y) & 0xffffff, 6, 16, QLatin1Char('0')).arg(start).arg(x - 1);
            start = x;
        }
    }
    return out;
}

} // namespace

TEST_F(OldStyleTest, IdentityAndCreationByName)
{
    std::unique_ptr<QStyle> style(StyleManager::createStyle(QStringLiteral("NuvraOldStyle")));
    auto* old = dynamic_cast<NuvraOldStyle*>(style.get());
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(style->objectName(), QStringLiteral("NuvraOldStyle"));
    EXPECT_EQ(old->prefix(), QStringLiteral(":/OldStyle/"));
    EXPECT_EQ(style->property("ResourcePath").toString(), QStringLiteral(":/OldStyle/"));
    EXPECT_EQ(qobject_cast<NuvraStyle*>(style.get()), nullptr);
    EXPECT_STREQ(style->metaObject()->className(), "QProxyStyle");
    EXPECT_EQ(style->styleHint(QStyle::SH_Slider_AbsoluteSetButtons), int(Qt::LeftButton));
    EXPECT_EQ(style->styleHint(QStyle::SH_Slider_PageSetButtons),
              old->baseStyle()->styleHint(QStyle::SH_Slider_PageSetButtons));
}

TEST_F(OldStyleTest, SkinImagesHaveTheirSizesAndAreCachedByRelativeName)
{
    NuvraOldStyle style;
    const struct {
        const char* name;
        QSize size;
    } images[] = {
        {"skin/slider_blue_brush.png", {1, 8}},   {"skin/slider_grey_brush.png", {1, 8}},
        {"skin/slider_left_brush.png", {2, 8}},   {"skin/slider_right_brush.png", {2, 8}},
        {"skin/slider_brush.png", {3, 8}},        {"skin/progress_bar_left.png", {5, 20}},
        {"skin/progress_bar_right.png", {5, 20}}, {"skin/progress_bar_bar.png", {12, 20}},
        {"skin/progress_bar_no_bar.png", {4, 20}},
    };
    for (const auto& i : images) {
        QPixmap pixmap;
        EXPECT_TRUE(style.getPixmap(i.name, pixmap)) << i.name;
        EXPECT_EQ(pixmap.size(), i.size) << i.name;
        QPixmap cached;
        EXPECT_TRUE(QPixmapCache::find(QString::fromUtf8(i.name), &cached)) << i.name;
    }
    QPixmap missing;
    EXPECT_FALSE(style.getPixmap("skin/none.png", missing));
    EXPECT_TRUE(missing.isNull());
}

TEST_F(OldStyleTest, MetricsComeFromTheImageSizes)
{
    NuvraOldStyle style;
    const QStyleOptionSlider wide = sliderOption(Qt::Horizontal, QRect(0, 0, 200, 20));
    const QStyleOptionSlider tall = sliderOption(Qt::Vertical, QRect(0, 0, 20, 150));
    const QStyleOptionSlider stub = sliderOption(Qt::Horizontal, QRect(0, 0, 2, 20));
    QStyleOption plain;
    EXPECT_EQ(style.pixelMetric(QStyle::PM_SliderThickness), 8);
    EXPECT_EQ(style.pixelMetric(QStyle::PM_SliderControlThickness), 8);
    EXPECT_EQ(style.pixelMetric(QStyle::PM_SliderLength), 3);
    EXPECT_EQ(style.pixelMetric(QStyle::PM_SliderTickmarkOffset), 0);
    EXPECT_EQ(style.pixelMetric(QStyle::PM_SliderTickmarkOffset, &plain), 0);
    EXPECT_EQ(style.pixelMetric(QStyle::PM_SliderTickmarkOffset, &wide),
              style.baseStyle()->pixelMetric(QStyle::PM_SliderTickmarkOffset, &wide));
    EXPECT_EQ(style.pixelMetric(QStyle::PM_SliderSpaceAvailable, &wide), 197);
    EXPECT_EQ(style.pixelMetric(QStyle::PM_SliderSpaceAvailable, &tall), 147);
    EXPECT_EQ(style.pixelMetric(QStyle::PM_SliderSpaceAvailable, &plain), 0);
    // 2 - 3 = -1 is the base style's "no value": its own figure stands.
    EXPECT_EQ(style.pixelMetric(QStyle::PM_SliderSpaceAvailable, &stub),
              style.baseStyle()->pixelMetric(QStyle::PM_SliderSpaceAvailable, &stub));
    EXPECT_EQ(style.pixelMetric(QStyle::PM_ButtonMargin), style.baseStyle()->pixelMetric(QStyle::PM_ButtonMargin));

    // Without images the sizes count as nothing.
    ASSERT_TRUE(dir.isValid());
    style.setProperty("ResourcePath", dir.path() + QLatin1Char('/'));
    EXPECT_EQ(style.pixelMetric(QStyle::PM_SliderThickness), 0);
    EXPECT_EQ(style.pixelMetric(QStyle::PM_SliderLength), 0);
    EXPECT_EQ(style.pixelMetric(QStyle::PM_SliderSpaceAvailable, &wide), 200);
}

TEST_F(OldStyleTest, SliderSizeFromContents)
{
    NuvraOldStyle style;
    QStyleOptionSlider h = sliderOption(Qt::Horizontal, QRect(0, 0, 120, 10));
    const int offset = style.pixelMetric(QStyle::PM_SliderTickmarkOffset, &h);
    const struct {
        Qt::Orientation orientation;
        QSlider::TickPosition ticks;
        QSize expected;
    } cases[] = {
        {Qt::Horizontal, QSlider::NoTicks, {120, 8}},
        {Qt::Horizontal, QSlider::TicksAbove, {120, 8 + offset}},
        {Qt::Horizontal, QSlider::TicksBothSides, {120, 8 + 2 * offset}},
        {Qt::Vertical, QSlider::TicksRight, {8 + offset, 10}},
    };
    for (const auto& c : cases) {
        QStyleOptionSlider opt = sliderOption(c.orientation, QRect(0, 0, 120, 10));
        opt.tickPosition = c.ticks;
        EXPECT_EQ(style.sizeFromContents(QStyle::CT_Slider, &opt, QSize(120, 10)), c.expected) << int(c.ticks);
    }
    QStyleOption plain;
    EXPECT_EQ(style.sizeFromContents(QStyle::CT_Slider, &plain, QSize(120, 10)), QSize(120, 10));
    QStyleOptionButton button;
    button.text = QStringLiteral("OK");
    EXPECT_EQ(style.sizeFromContents(QStyle::CT_PushButton, &button, QSize(30, 14)),
              style.baseStyle()->sizeFromContents(QStyle::CT_PushButton, &button, QSize(30, 14)));
}

TEST_F(OldStyleTest, HorizontalSliderPiecesStandWhereTheGeometrySays)
{
    const struct {
        QRect groove, handle;
        QStringList row; // the pieces along a row inside the groove
    } cases[] = {
        // Blue up to the handle, grey from it to the groove's end, the caps
        // over both ends.
        {QRect(QPoint(0, 4), QPoint(99, 11)), QRect(QPoint(40, 4), QPoint(42, 11)),
         {"ff0000:0-1", "0000ff:2-39", "000000:40-42", "00ff00:43-97", "ffff00:98-99", "ff00ff:100-109"}},
        // A groove that does not start at 0 still has its grey part reach
        // its right end.
        {QRect(QPoint(10, 4), QPoint(99, 11)), QRect(QPoint(60, 4), QPoint(62, 11)),
         {"ff00ff:0-9", "ff0000:10-11", "0000ff:12-59", "000000:60-62", "00ff00:63-97", "ffff00:98-99",
          "ff00ff:100-109"}},
        // The handle at the very start: no blue.
        {QRect(QPoint(5, 4), QPoint(54, 11)), QRect(QPoint(5, 4), QPoint(7, 11)),
         {"ff00ff:0-4", "000000:5-7", "00ff00:8-52", "ffff00:53-54", "ff00ff:55-109"}},
    };
    for (const auto& c : cases) {
        FixedGeometryStyle style;
        style.setProperty("ResourcePath", solidSkin());
        style.groove = c.groove;
        style.handle = c.handle;
        const QStyleOptionSlider opt = sliderOption(Qt::Horizontal, QRect(0, 0, 110, 16));
        const QImage image = render(QSize(110, 16), [&](QPainter* p) {
            style.drawComplexControl(QStyle::CC_Slider, &opt, p);
        });
        EXPECT_EQ(runs(image, 4), c.row) << c.groove.left();
        EXPECT_EQ(runs(image, 11), c.row) << c.groove.left();
        EXPECT_EQ(runs(image, 3), QStringList{"ff00ff:0-109"});
        EXPECT_EQ(runs(image, 12), QStringList{"ff00ff:0-109"});
        QPixmapCache::clear();
    }
}

TEST_F(OldStyleTest, OnlyTheRequestedSubControlsAreDrawn)
{
    FixedGeometryStyle style;
    style.setProperty("ResourcePath", solidSkin());
    style.groove = QRect(QPoint(0, 4), QPoint(99, 11));
    style.handle = QRect(QPoint(40, 4), QPoint(42, 11));
    QStyleOptionSlider opt = sliderOption(Qt::Horizontal, QRect(0, 0, 110, 16));
    opt.subControls = QStyle::SC_SliderHandle;
    QImage image = render(QSize(110, 16), [&](QPainter* p) { style.drawComplexControl(QStyle::CC_Slider, &opt, p); });
    EXPECT_EQ(runs(image, 6), (QStringList{"ff00ff:0-39", "000000:40-42", "ff00ff:43-109"}));

    // An invalid groove draws no groove; a null or foreign option nothing.
    opt.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    style.groove = QRect(QPoint(50, 4), QPoint(10, 11));
    image = render(QSize(110, 16), [&](QPainter* p) { style.drawComplexControl(QStyle::CC_Slider, &opt, p); });
    EXPECT_EQ(runs(image, 6), (QStringList{"ff00ff:0-39", "000000:40-42", "ff00ff:43-109"}));
    QStyleOptionComplex foreign;
    foreign.rect = QRect(0, 0, 110, 16);
    const QStyleOptionComplex* options[] = {nullptr, &foreign};
    for (const QStyleOptionComplex* o : options) {
        image = render(QSize(110, 16), [&](QPainter* p) { style.drawComplexControl(QStyle::CC_Slider, o, p); });
        EXPECT_EQ(runs(image, 6), QStringList{"ff00ff:0-109"});
    }
}

TEST_F(OldStyleTest, EverythingElseIsDrawnAsThePlatformStyleDrawsIt)
{
    NuvraOldStyle style;
    QStyle* base = style.baseStyle();
    // A vertical slider shows only its tick marks, by the base style.
    QStyleOptionSlider vertical = sliderOption(Qt::Vertical, QRect(0, 0, 30, 120));
    vertical.tickPosition = QSlider::TicksBothSides;
    vertical.tickInterval = 10;
    QStyleOptionSlider ticksOnly = vertical;
    ticksOnly.subControls = QStyle::SC_SliderTickmarks;
    const QImage ours = render(QSize(30, 120), [&](QPainter* p) { style.drawComplexControl(QStyle::CC_Slider, &vertical, p); });
    const QImage theirs = render(QSize(30, 120), [&](QPainter* p) { base->drawComplexControl(QStyle::CC_Slider, &ticksOnly, p); });
    EXPECT_EQ(ours, theirs);
    EXPECT_NE(ours, render(QSize(30, 120), [](QPainter*) {}));

    QStyleOptionButton button;
    button.rect = QRect(0, 0, 80, 26);
    button.text = QStringLiteral("Apply");
    button.palette = QApplication::palette();
    button.state = QStyle::State_Enabled | QStyle::State_Raised;
    EXPECT_EQ(render(QSize(80, 26), [&](QPainter* p) { style.drawControl(QStyle::CE_PushButton, &button, p); }),
              render(QSize(80, 26), [&](QPainter* p) { base->drawControl(QStyle::CE_PushButton, &button, p); }));
}

TEST_F(OldStyleTest, ExtendedColoursAreTheDefaultsUnderThisStyle)
{
    StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("NuvraOldStyle")), 1.0);
    EXPECT_EQ(QApplication::style()->objectName(), QStringLiteral("NuvraOldStyle"));
    EXPECT_EQ(Skin::getColor(Skin::ImageWindowCentralWidgetColor, QColor(1, 2, 3)), QColor(1, 2, 3));
    QApplication::setStyle(QStringLiteral("Fusion"));
}
