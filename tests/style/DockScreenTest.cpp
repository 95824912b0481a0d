// Runs on a real X screen (Xvfb) 1000 pixels high, set by the test's command line.
#include "StyleTestSupport.h"

#include "style/docking/Docking.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>

#include <gtest/gtest.h>

using namespace Nuvra::GUI;

namespace {

class Tall : public QWidget {
public:
    QSize sizeHint() const override { return QSize(60, 4000); }
};

} // namespace

TEST(RealScreen, FloatingDockIsAtMostNineTenthsOfTheScreenHigh)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    ASSERT_EQ(screen->geometry().height(), 1000);

    const QPoint places[] = {{20, 20}, {-50000, -50000}};
    for (const QPoint& at : places) {
        FloatingDock dock;
        dock.layout()->addWidget(new Tall);
        dock.move(at);
        dock.show();
        dock.adjustSize();
        EXPECT_EQ(dock.height(), 900) << at.x();
    }
}
