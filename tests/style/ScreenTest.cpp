// Runs on a real X screen (Xvfb) whose size and font DPI the test's command
// line sets; the expected native scale and screen bound come in
// MORVELIN_EXPECT_NATIVE and MORVELIN_EXPECT_BOUND.
#include "StyleTestSupport.h"

#include "style/StyleManager.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

using namespace Nuvra::Style;

TEST(RealScreen, NativeScaleFromTheScreenAndItsFontDpi)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    EXPECT_DOUBLE_EQ(screen->logicalDotsPerInch(), qEnvironmentVariable("QT_FONT_DPI").toDouble());
    const double expected = qEnvironmentVariable("MORVELIN_EXPECT_NATIVE").toDouble();
    ASSERT_GT(expected, 0.0);
    EXPECT_DOUBLE_EQ(StyleManager::NativeScale(), expected);

    QWidget window;
    window.setMinimumSize(100, 40);
    window.show();
    StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("NuvraStyle")));
    EXPECT_DOUBLE_EQ(StyleManager::StyleScale(), expected);
    EXPECT_EQ(window.minimumSize(), QSize(int(100 * expected), int(40 * expected)));
    EXPECT_EQ(QApplication::font().pixelSize(), int(12 * expected));

    // An explicit scale above what the screen allows is held to it.
    StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("DarkStyle")), 10.0);
    EXPECT_DOUBLE_EQ(StyleManager::StyleScale(), qEnvironmentVariable("MORVELIN_EXPECT_BOUND").toDouble());
    QApplication::setStyle(QStringLiteral("Fusion"));
}
