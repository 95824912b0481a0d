#include "StyleTestSupport.h"

#include "style/StyleHelpers.h"

#include <QImage>
#include <QPainter>
#include <QStyleOption>
#include <QWidget>

#include <gtest/gtest.h>

#include <set>
#include <utility>

using namespace Nuvra::Style;

namespace {

// The set pixels of an arrow drawn into a blank image.
std::set<std::pair<int, int>> arrowPixels(QPoint at, int count, int distance, eArrowDirection direction)
{
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    DrawArrow(&painter, at, count, distance, direction);
    painter.end();
    std::set<std::pair<int, int>> pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == qRgb(0, 0, 0))
                pixels.insert({x, y});
    return pixels;
}

std::set<std::pair<int, int>> column(int x, int top, int bottom)
{
    std::set<std::pair<int, int>> s;
    for (int y = top; y <= bottom; ++y)
        s.insert({x, y});
    return s;
}

std::set<std::pair<int, int>> row(int y, int left, int right)
{
    std::set<std::pair<int, int>> s;
    for (int x = left; x <= right; ++x)
        s.insert({x, y});
    return s;
}

std::set<std::pair<int, int>> join(std::initializer_list<std::set<std::pair<int, int>>> parts)
{
    std::set<std::pair<int, int>> all;
    for (const auto& p : parts)
        all.insert(p.begin(), p.end());
    return all;
}

} // namespace

TEST(DrawArrow, TipAtDistanceAndWideningBehindIt)
{
    EXPECT_EQ(arrowPixels({10, 10}, 3, 4, ArrowRight), join({column(14, 10, 10), column(13, 9, 11), column(12, 8, 12)}));
    EXPECT_EQ(arrowPixels({10, 10}, 3, 4, ArrowLeft), join({column(6, 10, 10), column(7, 9, 11), column(8, 8, 12)}));
    EXPECT_EQ(arrowPixels({10, 10}, 2, 1, ArrowUp), join({row(9, 10, 10), row(10, 9, 11)}));
    EXPECT_EQ(arrowPixels({10, 10}, 2, 0, ArrowDown), join({row(10, 10, 10), row(9, 9, 11)}));
    EXPECT_TRUE(arrowPixels({10, 10}, 0, 4, ArrowDown).empty());
    EXPECT_TRUE(arrowPixels({10, 10}, -3, 4, ArrowDown).empty());
}

TEST(MergedColors, PercentOfTheFirstColourKeepingItsAlpha)
{
    const struct {
        QColor a, b;
        int factor;
        QColor merged;
    } cases[] = {
        {QColor(255, 0, 0), QColor(0, 0, 255), 25, QColor(63, 0, 191)},
        {QColor(255, 0, 0), QColor(0, 0, 255), 50, QColor(127, 0, 127)},
        {QColor(10, 20, 30, 40), QColor(200, 200, 200), 100, QColor(10, 20, 30, 40)},
        {QColor(10, 20, 30, 40), QColor(200, 100, 0), 0, QColor(200, 100, 0, 40)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mergedColors(c.a, c.b, c.factor), c.merged) << c.factor;
}

TEST(UniqueName, KeysTellStatesSubControlsPalettesAndSizesApart)
{
    QStyleOption plain;
    plain.state = QStyle::State_Enabled;
    plain.direction = Qt::RightToLeft;
    const QString key = uniqueName(QStringLiteral("arrow"), &plain, QSize(7, 5));
    EXPECT_EQ(key, QStringLiteral("arrow-%1-1-0-%2-7x5").arg(int(QStyle::State_Enabled)).arg(plain.palette.cacheKey()));

    QStyleOptionSlider slider;
    slider.state = plain.state;
    slider.direction = plain.direction;
    slider.palette = plain.palette;
    slider.activeSubControls = QStyle::SC_SliderHandle;
    EXPECT_TRUE(uniqueName(QStringLiteral("arrow"), &slider, QSize(7, 5))
                    .startsWith(QStringLiteral("arrow-%1-1-%2-").arg(int(QStyle::State_Enabled)).arg(int(QStyle::SC_SliderHandle))));

    QStyleOption other = plain;
    other.palette.setColor(QPalette::Window, Qt::red);
    EXPECT_NE(uniqueName(QStringLiteral("arrow"), &other, QSize(7, 5)), key);
    EXPECT_NE(uniqueName(QStringLiteral("arrow"), &plain, QSize(5, 7)), key);
}

TEST(PainterIsolation, PutsPenBrushAndClipBack)
{
    QImage image(20, 20, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setPen(Qt::red);
    painter.setBrush(Qt::blue);
    {
        PainterIsolation guard(&painter);
        painter.setPen(Qt::green);
        painter.setBrush(Qt::NoBrush);
        painter.setClipRect(2, 2, 5, 5);
    }
    EXPECT_EQ(painter.pen().color(), QColor(Qt::red));
    EXPECT_EQ(painter.brush().color(), QColor(Qt::blue));
    EXPECT_FALSE(painter.hasClipping());

    painter.setClipRect(0, 0, 10, 10);
    {
        PainterIsolation guard(&painter);
        painter.setClipRect(2, 2, 5, 5, Qt::IntersectClip);
    }
    EXPECT_TRUE(painter.hasClipping());
    EXPECT_EQ(painter.clipRegion(), QRegion(0, 0, 10, 10));

    {
        PainterIsolation guard(&painter, true);
        painter.setOpacity(0.5);
    }
    EXPECT_DOUBLE_EQ(painter.opacity(), 1.0) << "with save, the whole state comes back";
}

TEST(QtGetWindow, WindowHandleOfTheWidgetsWindow)
{
    EXPECT_EQ(qt_getWindow(nullptr), nullptr);
    QWidget top;
    auto* child = new QWidget(&top);
    top.winId();
    EXPECT_NE(qt_getWindow(child), nullptr);
    EXPECT_EQ(qt_getWindow(child), top.windowHandle());
}
