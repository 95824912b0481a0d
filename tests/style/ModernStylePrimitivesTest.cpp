#include "ModernStyleFixture.h"
#include "StyleTestSupport.h"

#include "style/ModernStyle.h"
#include "style/Palette.h"
#include "style/StyleManager.h"
#include "style/StyleOptions.h"
#include "style/StyleProperties.h"

#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QPainter>
#include <QStyleOption>
#include <QTabBar>
#include <QToolButton>
#include <qdrawutil.h>

#include <gtest/gtest.h>

#include <functional>

using namespace Nuvra::Style;

namespace {

QPalette testPalette()
{
    QPalette pal;
    pal.setColor(QPalette::Light, QColor(250, 240, 230));
    pal.setColor(QPalette::Dark, QColor(20, 30, 40));
    pal.setColor(QPalette::Mid, QColor(120, 110, 100));
    pal.setColor(QPalette::Midlight, QColor(200, 60, 60));
    pal.setColor(QPalette::Window, QColor(60, 200, 60));
    pal.setColor(QPalette::Base, QColor(60, 60, 200));
    return pal;
}

QImage paint(const std::function<void(QPainter*)>& call, QSize size = QSize(60, 40), double dpr = 1)
{
    QImage image(size * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    QPainter p(&image);
    call(&p);
    return image;
}

using ModernPrimitivesTest = ModernStyleFixture;

} // namespace

TEST(StylePanel, RadiusZeroIsQtsShadePanelAndPlainRect)
{
    const QPalette pal = testPalette();
    const QBrush fill(QColor(10, 200, 200));
    for (int lineWidth : {1, 2, 3}) {
        for (const QBrush* f : {static_cast<const QBrush*>(nullptr), &fill}) {
            SCOPED_TRACE(lineWidth);
            const QRect r(3, 4, 40, 25);
            for (bool sunken : {true, false}) {
                const QImage ours = paint([&](QPainter* p) {
                    qDrawStylePanel(p, r, pal, sunken ? QFrame::Sunken : QFrame::Raised, lineWidth, 0, f);
                });
                const QImage qts = paint([&](QPainter* p) { qDrawShadePanel(p, r, pal, sunken, lineWidth, f); });
                EXPECT_EQ(ours, qts) << sunken;
            }
            const QImage plain = paint([&](QPainter* p) { qDrawStylePanel(p, r, pal, QFrame::Plain, lineWidth, 0, f); });
            const QImage qtPlain =
                paint([&](QPainter* p) { qDrawPlainRect(p, r, pal.color(QPalette::Midlight), lineWidth, f); });
            EXPECT_EQ(plain, qtPlain);
        }
    }
}

TEST(StylePanel, RoundedPanelLightsTopLeftAndKeepsThePainter)
{
    const QPalette pal = testPalette();
    const QBrush fill(QColor(10, 200, 200));
    for (double dpr : {1.0, 2.0}) {
        SCOPED_TRACE(dpr);
        const QImage image = paint([&](QPainter* p) {
            p->setPen(Qt::magenta);
            p->setBrush(Qt::yellow);
            const QTransform before = p->transform();
            qDrawStylePanel(p, QRect(2, 2, 50, 30), pal, QFrame::Sunken, 1, 6, &fill);
            EXPECT_EQ(p->pen(), QPen(Qt::magenta));
            EXPECT_EQ(p->brush(), QBrush(Qt::yellow));
            EXPECT_EQ(p->transform(), before);
            EXPECT_FALSE(p->testRenderHint(QPainter::Antialiasing));
        }, QSize(60, 40), dpr);
        // Sunken: dark along the top, light along the bottom, the fill inside.
        const auto at = [&](int x, int y) { return image.pixelColor(int(x * dpr), int(y * dpr)); };
        EXPECT_LT(at(27, 2).red(), 100);
        EXPECT_GT(at(27, 31).red(), 180);
        EXPECT_EQ(at(27, 16), fill.color());
        // The corners are cut round: nothing at the outer corner pixel.
        EXPECT_EQ(at(2, 2).alpha(), 0);
    }
    // An empty rectangle draws nothing; a negative one is reported.
    const QImage none = paint([&](QPainter* p) { qDrawStylePanel(p, QRect(5, 5, 0, 10), pal, QFrame::Plain, 1, 4, &fill); });
    EXPECT_EQ(none, paint([](QPainter*) {}));
    ExpectedWarnings warned({QStringLiteral("qDrawStylePanel: Invalid parameters")});
    paint([&](QPainter* p) { qDrawStylePanel(p, QRect(5, 5, 10, 10), pal, QFrame::Raised, -2, 4, nullptr); });
    EXPECT_EQ(warned.count(QStringLiteral("qDrawStylePanel: Invalid parameters")), 1);
}

TEST_F(ModernPrimitivesTest, FramesNeedALineAndPickTheirShape)
{
    QWidget rounded;
    rounded.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeRoundFill));
    QStyleOptionFrame frame;
    frame.rect = QRect(0, 0, 60, 40);
    frame.palette = testPalette();
    frame.state = QStyle::State_Enabled;
    frame.lineWidth = 0;
    const QImage blank = paint([](QPainter*) {});
    EXPECT_EQ(paint([&](QPainter* p) { style->drawPrimitive(QStyle::PE_Frame, &frame, p, &rounded); }), blank);
    frame.lineWidth = 1;
    const QImage filled = paint([&](QPainter* p) { style->drawPrimitive(QStyle::PE_Frame, &frame, p, &rounded); });
    EXPECT_EQ(filled.pixelColor(30, 20), frame.palette.color(QPalette::Midlight));
    EXPECT_EQ(filled.pixelColor(0, 0).alpha(), 0); // round corner
    const QImage plain = paint([&](QPainter* p) { style->drawPrimitive(QStyle::PE_Frame, &frame, p, nullptr); });
    EXPECT_EQ(plain.pixelColor(0, 0), frame.palette.color(QPalette::Midlight));
    EXPECT_EQ(plain.pixelColor(30, 20).alpha(), 0);

    // The modern line edit wants a frame option.
    QWidget edit;
    edit.setProperty("qlineEditModernStyle", true);
    QStyleOption other;
    other.rect = frame.rect;
    EXPECT_EQ(paint([&](QPainter* p) { style->drawPrimitive(QStyle::PE_FrameLineEdit, &other, p, &edit); }), blank);
    const QImage line = paint([&](QPainter* p) { style->drawPrimitive(QStyle::PE_FrameLineEdit, &frame, p, &edit); });
    EXPECT_EQ(line.pixelColor(30, 20), frame.palette.color(QPalette::Base));
}

TEST_F(ModernPrimitivesTest, CommandButtonColourPrecedence)
{
    QStyleOptionButton button;
    button.rect = QRect(0, 0, 60, 40);
    struct Case {
        const char* what;
        QStyle::State state;
        Skin::ColorId fill;
    };
    const QStyle::State on = QStyle::State_Enabled;
    const Case cases[] = {
        {"normal", on, Skin::ButtonNormalColor},
        {"hovered and pressed: hovered wins", on | QStyle::State_MouseOver | QStyle::State_Sunken,
         Skin::ButtonHoveredColor},
        {"hovered and checked: hovered wins", on | QStyle::State_MouseOver | QStyle::State_On, Skin::ButtonHoveredColor},
        {"checked and pressed: checked wins", on | QStyle::State_On | QStyle::State_Sunken, Skin::ButtonCheckedColor},
        {"pressed", on | QStyle::State_Sunken, Skin::ButtonClickedColor},
        {"disabled and hovered", QStyle::State_MouseOver, Skin::ButtonNormalColor},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        button.state = c.state;
        const QImage image = paint([&](QPainter* p) { style->drawPrimitive(QStyle::PE_PanelButtonCommand, &button, p); });
        EXPECT_EQ(image.pixelColor(30, 20), ext(c.fill));
    }
    // Another option kind draws nothing.
    QStyleOption plain;
    plain.rect = button.rect;
    EXPECT_EQ(paint([&](QPainter* p) { style->drawPrimitive(QStyle::PE_PanelButtonCommand, &plain, p); }),
              paint([](QPainter*) {}));
}

TEST_F(ModernPrimitivesTest, ToolButtonPanelsByShape)
{
    QWidget toolBar;
    toolBar.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeToolBar));
    QToolButton inBar(&toolBar);
    QToolButton loose;
    QStyleOptionToolButton opt;
    opt.rect = QRect(0, 0, 60, 40);
    opt.palette = testPalette();
    const QColor midlight = opt.palette.color(QPalette::Midlight);

    // Checked in a tool bar: the rounded highlight, no outline.
    opt.state = QStyle::State_Enabled | QStyle::State_On;
    QImage image = paint([&](QPainter* p) { style->drawPrimitive(QStyle::PE_PanelButtonTool, &opt, p, &inBar); });
    EXPECT_EQ(image.pixelColor(30, 20), ext(Skin::ToolButtonHighlight));
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    // Hovered in a tool bar: no outline either; a loose button gets one.
    opt.state = QStyle::State_Enabled | QStyle::State_MouseOver;
    image = paint([&](QPainter* p) { style->drawPrimitive(QStyle::PE_PanelButtonTool, &opt, p, &inBar); });
    EXPECT_NE(image.pixelColor(0, 20), midlight);
    image = paint([&](QPainter* p) { style->drawPrimitive(QStyle::PE_PanelButtonTool, &opt, p, &loose); });
    EXPECT_EQ(image.pixelColor(0, 20), midlight);
    // Neither on nor hovered: the normal button colour.
    opt.state = QStyle::State_Enabled;
    image = paint([&](QPainter* p) { style->drawPrimitive(QStyle::PE_PanelButtonTool, &opt, p, &inBar); });
    EXPECT_EQ(image.pixelColor(30, 20), ext(Skin::ButtonNormalColor));
}

TEST_F(ModernPrimitivesTest, TabWidgetFrameOnlyOnTheTabSide)
{
    QWidget scrollOver;
    scrollOver.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeScrollOver));
    QWidget boxed;
    QStyleOptionTabWidgetFrame frame;
    frame.rect = QRect(0, 0, 60, 40);
    frame.palette = testPalette();
    frame.shape = QTabBar::RoundedWest;
    const QColor midlight = frame.palette.color(QPalette::Midlight);
    const QColor window = frame.palette.color(QPalette::Window);
    QImage image = paint([&](QPainter* p) { style->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, p, &scrollOver); });
    EXPECT_EQ(image.pixelColor(1, 20), midlight); // the left edge, one in from the tabs
    EXPECT_EQ(image.pixelColor(59, 20), window);
    EXPECT_EQ(image.pixelColor(30, 0), window);
    EXPECT_EQ(image.pixelColor(30, 39), window);
    image = paint([&](QPainter* p) { style->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, p, &boxed); });
    EXPECT_EQ(image.pixelColor(1, 20), midlight);
    EXPECT_EQ(image.pixelColor(59, 20), midlight);
    EXPECT_EQ(image.pixelColor(30, 0), midlight);
    // The whole painter state comes back.
    paint([&](QPainter* p) {
        p->setBackground(Qt::red);
        style->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, p, &boxed);
        EXPECT_EQ(p->background(), QBrush(Qt::red));
    });
}

TEST_F(ModernPrimitivesTest, FloatingFrameOnlyUnderTheFlatFamily)
{
    StyleOptionFloatingFrame frame;
    frame.width = 40;
    frame.height = 20;
    frame.palette = testPalette();
    const QImage drawn = paint([&](QPainter* p) { style->drawPrimitive(QStyle::PrimitiveElement(QStyle::PE_CustomBase + 6), &frame, p); });
    EXPECT_EQ(drawn.pixelColor(20, 12), frame.palette.color(QPalette::Window));
    // The same style object while another style is the application's.
    ModernStyle detached;
    QApplication::setStyle(QStringLiteral("Fusion"));
    EXPECT_EQ(paint([&](QPainter* p) { detached.drawPrimitive(QStyle::PrimitiveElement(QStyle::PE_CustomBase + 6), &frame, p); }),
              paint([](QPainter*) {}));
}
