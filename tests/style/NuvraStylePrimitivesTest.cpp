#include "StyleTestSupport.h"

#include "style/NuvraStyle.h"
#include "style/Palette.h"
#include "style/StyleManager.h"
#include "style/StyleOptions.h"
#include "style/StyleProperties.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QStyleOption>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>

using namespace Nuvra::Style;

namespace {

class PrimitivesTest : public ::testing::Test {
protected:
    void apply(double scale, const char* name = "NuvraStyle")
    {
        StyleManager::applyStyle(StyleManager::createStyle(QString::fromLatin1(name)), scale);
        style = qobject_cast<NuvraStyle*>(QApplication::style());
        ASSERT_NE(style, nullptr);
    }
    void TearDown() override { QApplication::setStyle(QStringLiteral("Fusion")); }

    QImage paint(QSize size, const std::function<void(QPainter*)>& draw)
    {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        draw(&painter);
        return image;
    }

    // The smallest rectangle holding every painted pixel.
    static QRect painted(const QImage& image)
    {
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) != 0)
                    box |= QRect(x, y, 1, 1);
        return box;
    }

    InjectedScreen screen{2560, 1440, 72};
    NuvraStyle* style = nullptr;
};

} // namespace

TEST_F(PrimitivesTest, CheckBoxesAndRadioButtonsShowTheSkinOfTheirState)
{
    apply(1.5);
    struct Case {
        QStyle::PrimitiveElement pe;
        QStyle::State state;
        const char* image;
    };
    using S = QStyle;
    const Case cases[] = {
        {S::PE_IndicatorCheckBox, S::State_Enabled | S::State_On | S::State_MouseOver, "skin/checkbox-checked-hovered.svg"},
        {S::PE_IndicatorCheckBox, S::State_NoChange, "skin/checkbox-partial-disabled.svg"},
        {S::PE_IndicatorCheckBox, S::State_Enabled | S::State_Off, "skin/checkbox-normal.svg"},
        {S::PE_IndicatorItemViewItemCheck, S::State_Enabled | S::State_On | S::State_Sunken | S::State_MouseOver,
         "skin/checkbox-checked-clicked.svg"},
        {S::PE_IndicatorRadioButton, S::State_Enabled | S::State_NoChange, "skin/radiobutton-normal.svg"},
        {S::PE_IndicatorRadioButton, S::State_On, "skin/radiobutton-checked-disabled.svg"},
        {S::PE_IndicatorRadioButton, S::State_Enabled | S::State_On | S::State_MouseOver,
         "skin/radiobutton-checked-hovered.svg"},
    };
    for (const Case& c : cases) {
        QPixmap expected;
        ASSERT_TRUE(style->getPixmap(c.image, expected)) << c.image;
        QStyleOptionButton opt;
        opt.state = c.state;
        opt.rect = QRect(4, 5, 40, 40);
        const QImage drawn = paint(QSize(60, 60), [&](QPainter* p) { style->drawPrimitive(c.pe, &opt, p); });
        const QImage reference = paint(QSize(60, 60), [&](QPainter* p) { p->drawPixmap(4, 5, expected); });
        EXPECT_EQ(drawn, reference) << c.image;
    }
}

TEST_F(PrimitivesTest, ArrowsAreCentredInTheirRectangle)
{
    apply(1);
    QStyleOption opt;
    opt.state = QStyle::State_Enabled;
    opt.rect = QRect(10, 20, 1, 30);
    EXPECT_TRUE(painted(paint(QSize(80, 80), [&](QPainter* p) {
                    style->drawPrimitive(QStyle::PE_IndicatorArrowDown, &opt, p);
                })).isNull());

    // 15 x 9: a 9-pixel arrow from an 8 x 8 image, three pixels in.
    opt.rect = QRect(10, 20, 15, 9);
    for (QStyle::PrimitiveElement pe : {QStyle::PE_IndicatorArrowDown, QStyle::PE_IndicatorArrowUp,
                                        QStyle::PE_IndicatorArrowLeft, QStyle::PE_IndicatorArrowRight}) {
        const QRect box = painted(paint(QSize(80, 80), [&](QPainter* p) { style->drawPrimitive(pe, &opt, p); }));
        EXPECT_FALSE(box.isNull()) << pe;
        EXPECT_TRUE(QRect(13, 20, 8, 8).contains(box)) << pe;
    }
    // A changed palette is a new cache entry, in its own colour.
    QPalette red = opt.palette;
    red.setColor(QPalette::Dark, Qt::red);
    opt.palette = red;
    const QImage image = paint(QSize(80, 80), [&](QPainter* p) {
        style->drawPrimitive(QStyle::PE_IndicatorArrowDown, &opt, p);
    });
    const QRect box = painted(image);
    ASSERT_FALSE(box.isNull());
    const QColor centre = image.pixelColor(box.center());
    if (!style->extendedPalette()->contains(Skin::IndicatorArrowBase)) {
        EXPECT_EQ(centre, QColor(Qt::red));
    }
}

TEST_F(PrimitivesTest, MenuCheckMarkStrokes)
{
    apply(1);
    QStyleOptionMenuItem item;
    item.rect = QRect(0, 0, 13, 13);
    item.state = QStyle::State_Enabled;
    item.checked = true;
    item.checkType = QStyleOptionMenuItem::NonExclusive;
    item.palette.setColor(QPalette::Text, Qt::blue);
    const QImage image = paint(QSize(13, 13), [&](QPainter* p) {
        style->drawPrimitive(QStyle::PE_IndicatorMenuCheckMark, &item, p);
    });
    // Seven strokes of three pixels: down to the fourth, then up.
    for (const QPoint& on : {QPoint(4, 6), QPoint(4, 8), QPoint(6, 10), QPoint(7, 7), QPoint(7, 9), QPoint(10, 4),
                             QPoint(10, 6)})
        EXPECT_EQ(image.pixelColor(on), QColor(Qt::blue)) << on.x() << "," << on.y();
    for (const QPoint& off : {QPoint(4, 5), QPoint(4, 9), QPoint(10, 7), QPoint(3, 6)})
        EXPECT_EQ(qAlpha(image.pixel(off)), 0) << off.x() << "," << off.y();

    item.checked = false;
    EXPECT_TRUE(painted(paint(QSize(13, 13), [&](QPainter* p) {
                    style->drawPrimitive(QStyle::PE_IndicatorMenuCheckMark, &item, p);
                })).isNull());
}

TEST_F(PrimitivesTest, PolygonElementNeedsItsOwnOption)
{
    apply(1);
    const auto polygonElement = QStyle::PrimitiveElement(QStyle::PE_CustomBase + 5);
    QStyleOptionToolButton plain;
    plain.rect = QRect(0, 0, 20, 20);
    plain.state = QStyle::State_Enabled;
    EXPECT_TRUE(painted(paint(QSize(20, 20), [&](QPainter* p) { style->drawPrimitive(polygonElement, &plain, p); }))
                    .isNull());
    StyleOptionPolygon own;
    own.rect = plain.rect;
    own.state = QStyle::State_Enabled;
    own.polygon << QPoint(2, 2) << QPoint(15, 2) << QPoint(8, 15);
    const QRect box = painted(paint(QSize(20, 20), [&](QPainter* p) { style->drawPrimitive(polygonElement, &own, p); }));
    EXPECT_EQ(box, QRect(QPoint(2, 2), QPoint(15, 15)));
}

TEST_F(PrimitivesTest, FakeDisabledWidgetPaintsAsEnabledWithoutTouchingTheOption)
{
    apply(1);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* button = new QPushButton(QStringLiteral("Go"));
    layout->addWidget(button);
    window.setEnabled(false);
    StyleManager::SetFakeDisabled(&window, 1, true);
    ASSERT_TRUE(StyleManager::GetFakeDisabledState(button, false));

    QPalette pal;
    pal.setColor(QPalette::Disabled, QPalette::Button, Qt::gray);
    pal.setColor(QPalette::Active, QPalette::Button, Qt::green);
    pal.setCurrentColorGroup(QPalette::Disabled);
    QStyleOptionButton disabled;
    disabled.rect = QRect(0, 0, 30, 20);
    disabled.palette = pal;
    disabled.state = QStyle::State_None;
    QStyleOptionButton enabled = disabled;
    enabled.state = QStyle::State_Enabled;
    enabled.palette.setCurrentColorGroup(QPalette::Active);

    for (QStyle::PrimitiveElement pe : {QStyle::PE_PanelButtonCommand, QStyle::PE_IndicatorCheckBox}) {
        const QImage asEnabled = paint(QSize(30, 20), [&](QPainter* p) { style->drawPrimitive(pe, &enabled, p); });
        const QImage fake = paint(QSize(30, 20), [&](QPainter* p) { style->drawPrimitive(pe, &disabled, p, button); });
        EXPECT_EQ(fake, asEnabled) << pe;
        EXPECT_EQ(disabled.state, QStyle::State_None);
        EXPECT_EQ(disabled.palette.currentColorGroup(), QPalette::Disabled);
    }
    StyleManager::SetFakeDisabled(&window, 0, true);
}
