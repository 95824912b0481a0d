// The glyphs of window and dock title buttons stand out from their own
// button, grabbed from a shown main window with a sub-window area and a
// docked dock, at rest, hovered and pressed by the mouse, in every style.
#include "StyleTestSupport.h"

#include "style/StyleManager.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDockWidget>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyleOptionTitleBar>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

using namespace Nuvra::Style;

namespace {

// Fill: the commonest colour of the button. Ink: of the colours covering at
// least a few pixels of the glyph's middle box (clear of the button's
// outline), the one that stands out most from the fill.
double glyphContrast(const QImage& image, const QRect& button)
{
    QHash<QRgb, int> all;
    for (int y = button.top(); y <= button.bottom(); ++y)
        for (int x = button.left(); x <= button.right(); ++x)
            ++all[image.pixel(x, y)];
    QRgb fill = 0;
    int most = 0;
    for (auto it = all.cbegin(); it != all.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            fill = it.key();
        }
    const int d = std::max(2, std::min(button.width(), button.height()) / 6);
    const QRect middle = button.adjusted(d, d, -d, -d);
    QHash<QRgb, int> inner;
    for (int y = middle.top(); y <= middle.bottom(); ++y)
        for (int x = middle.left(); x <= middle.right(); ++x)
            ++inner[image.pixel(x, y)];
    double best = 1;
    for (auto it = inner.cbegin(); it != inner.cend(); ++it)
        if (it.value() >= 3)
            best = std::max(best, contrast(QColor(it.key()), QColor(fill)));
    return best;
}

// The title bar's option as the sub-window builds it to paint itself.
QStyleOptionTitleBar titleBarOption(const QMdiSubWindow& window)
{
    QStyleOptionTitleBar opt;
    opt.initFrom(&window);
    opt.subControls = QStyle::SC_All;
    opt.titleBarFlags = window.windowFlags();
    opt.titleBarState = window.windowState();
    const QStyle* style = window.style();
    const int border = style->styleHint(QStyle::SH_TitleBar_NoBorder, &opt, &window) ? 0 : 4;
    opt.rect = QRect(border, border, window.width() - 2 * border,
                     style->pixelMetric(QStyle::PM_TitleBarHeight, &opt, &window));
    return opt;
}

struct Button {
    std::string name;
    QWidget* widget; // the rectangle's coordinates
    QRect rect;
};

enum class Mouse { Away, Over, Pressed };

const char* const kStyles[] = {"NuvraStyle", "MidStyle", "DarkStyle", "ModernStyle", "ModernGray", "NuvraOldStyle"};
const double kScales[] = {1, 2};

class WindowButtonGlyphTest : public ::testing::TestWithParam<std::tuple<const char*, double>> {
protected:
    void SetUp() override
    {
        StyleManager::applyStyle(StyleManager::createStyle(QString::fromLatin1(std::get<0>(GetParam()))),
                                 std::get<1>(GetParam()));
    }
    void TearDown() override { QApplication::setStyle(QStringLiteral("Fusion")); }

    InjectedScreen screen{2560, 1440, 72};
};

TEST_P(WindowButtonGlyphTest, TitleAndDockButtonGlyphsStandOutAtRestHoveredAndPressed)
{
    const double scale = std::get<1>(GetParam());
    QMainWindow window;
    auto* area = new QMdiArea;
    window.setCentralWidget(area);
    QMdiSubWindow* sub = area->addSubWindow(new QLabel(QStringLiteral("Picture")));
    sub->setWindowTitle(QStringLiteral("Picture"));
    sub->resize(static_cast<int>(260 * scale), static_cast<int>(140 * scale));
    auto* dock = new QDockWidget(QStringLiteral("Dock"));
    dock->setWidget(new QLabel(QStringLiteral("Docked")));
    window.addDockWidget(Qt::LeftDockWidgetArea, dock);
    window.resize(static_cast<int>(520 * scale), static_cast<int>(320 * scale));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    sub->move(static_cast<int>(10 * scale), static_cast<int>(10 * scale));
    area->setActiveSubWindow(sub);
    QApplication::processEvents();

    std::vector<Button> buttons;
    const QStyleOptionTitleBar title = titleBarOption(*sub);
    const struct {
        QStyle::SubControl control;
        const char* name;
    } titleButtons[] = {{QStyle::SC_TitleBarMinButton, "title minimise"},
                        {QStyle::SC_TitleBarMaxButton, "title maximise"},
                        {QStyle::SC_TitleBarCloseButton, "title close"}};
    for (const auto& b : titleButtons)
        buttons.push_back({b.name, sub, sub->style()->subControlRect(QStyle::CC_TitleBar, &title, b.control, sub)});
    const struct {
        const char* object;
        const char* name;
    } dockButtons[] = {{"qt_dockwidget_floatbutton", "dock float"}, {"qt_dockwidget_closebutton", "dock close"}};
    for (const auto& b : dockButtons) {
        auto* button = dock->findChild<QAbstractButton*>(QLatin1String(b.object));
        ASSERT_NE(button, nullptr) << b.object;
        buttons.push_back({b.name, button, button->rect()});
    }

    QWindow* handle = window.windowHandle();
    const QPoint away = area->mapTo(&window, area->rect().bottomRight() - QPoint(4, 4));
    for (const Button& button : buttons) {
        ASSERT_GE(button.rect.width(), 8) << button.name;
        ASSERT_GE(button.rect.height(), 8) << button.name;
        const QRect inWindow(button.widget->mapTo(&window, button.rect.topLeft()), button.rect.size());
        for (Mouse mouse : {Mouse::Away, Mouse::Over, Mouse::Pressed}) {
            QTest::mouseMove(handle, mouse == Mouse::Away ? away : inWindow.center());
            if (mouse == Mouse::Pressed)
                QTest::mousePress(handle, Qt::LeftButton, Qt::NoModifier, inWindow.center());
            QApplication::processEvents();
            // The mouse reached the dock's buttons (the title bar's look
            // alike in all three states in most styles).
            if (const auto* dockButton = qobject_cast<const QAbstractButton*>(button.widget)) {
                ASSERT_EQ(dockButton->underMouse(), mouse != Mouse::Away) << button.name;
                ASSERT_EQ(dockButton->isDown(), mouse == Mouse::Pressed) << button.name;
            }
            const QImage image = window.grab().toImage();
            const double ratio = glyphContrast(image, inWindow);
            static const char* const kMouse[] = {"at rest", "hovered", "pressed"};
            EXPECT_GE(ratio, 3.0) << button.name << ' ' << kMouse[static_cast<int>(mouse)];
            // Let go off the button: nothing is clicked.
            if (mouse == Mouse::Pressed) {
                QTest::mouseMove(handle, away);
                QTest::mouseRelease(handle, Qt::LeftButton, Qt::NoModifier, away);
            }
        }
    }
    EXPECT_TRUE(sub->isVisible());
    EXPECT_FALSE(sub->isMinimized() || sub->isMaximized());
    EXPECT_FALSE(dock->isFloating());
    EXPECT_TRUE(dock->isVisible());
}

std::string caseName(const ::testing::TestParamInfo<std::tuple<const char*, double>>& info)
{
    return std::string(std::get<0>(info.param)) + "_x" + std::to_string(static_cast<int>(std::get<1>(info.param)));
}

INSTANTIATE_TEST_SUITE_P(EveryStyle, WindowButtonGlyphTest,
                         ::testing::Combine(::testing::ValuesIn(kStyles), ::testing::ValuesIn(kScales)), caseName);

} // namespace
