#include "StyleTestSupport.h"

#include "style/NuvraDropShadow.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <vector>

using Nuvra::GUI::NuvraDropShadow;

namespace {

using Rows = std::vector<std::vector<int>>;

Rows alphaRows(const QImage& image)
{
    Rows rows;
    for (int y = 0; y < image.height(); ++y) {
        rows.emplace_back();
        for (int x = 0; x < image.width(); ++x)
            rows.back().push_back(qAlpha(image.pixel(x, y)));
    }
    return rows;
}

std::vector<int> ints(const std::vector<unsigned char>& bytes)
{
    return std::vector<int>(bytes.begin(), bytes.end());
}

// The shadow as the flat style configures it.
NuvraDropShadow flatShadow()
{
    NuvraDropShadow shadow;
    shadow.setShadowWidth(4);
    shadow.setShadowDec(3);
    return shadow;
}

} // namespace

TEST(DropShadow, RampFallsOffOverTheWidthBeyondTheSolidEdge)
{
    EXPECT_EQ(ints(flatShadow().shadowRamp(4)), (std::vector<int>{60, 50, 30, 9}));
    EXPECT_EQ(ints(NuvraDropShadow().shadowRamp(10)), (std::vector<int>{60, 60, 56, 48, 36, 23, 11, 3, 0, 0}));
    EXPECT_EQ(NuvraDropShadow().getShadowWidth(), 8);
}

TEST(DropShadow, CornerPieceFallsOffRadiallyOverTheWholeWidth)
{
    const NuvraDropShadow shadow;
    const QImage flat = shadow.makeShadowImage(QRect(0, 0, 4, 4), {}, NuvraDropShadow::ShadowBottomRight, 60, 4, 3, 3);
    ASSERT_EQ(flat.format(), QImage::Format_ARGB32);
    EXPECT_EQ(alphaRows(flat), (Rows{{60, 50, 30, 9}, {50, 50, 30, 9}, {30, 30, 30, 9}, {9, 9, 9, 0}}));
    // Colour is black everywhere; only alpha carries the shadow.
    EXPECT_EQ(qRed(flat.pixel(1, 1)) + qGreen(flat.pixel(1, 1)) + qBlue(flat.pixel(1, 1)), 0);

    const QImage defaults =
        shadow.makeShadowImage(QRect(0, 0, 10, 10), {}, NuvraDropShadow::ShadowBottomRight, 60, 8, 3, 2);
    EXPECT_EQ(alphaRows(defaults)[0], (std::vector<int>{60, 60, 57, 50, 41, 30, 18, 9, 2, 0}));
}

TEST(DropShadow, StripsRunTheRampAcrossTheirThickness)
{
    const NuvraDropShadow shadow;
    const std::vector<unsigned char> ramp{60, 50, 30, 9};
    const QImage right = shadow.makeShadowImage(QRect(0, 0, 4, 3), ramp, NuvraDropShadow::ShadowRight, 255, 0, 0, 0);
    EXPECT_EQ(alphaRows(right), (Rows{{60, 50, 30, 9}, {60, 50, 30, 9}, {60, 50, 30, 9}}));
    const QImage bottom = shadow.makeShadowImage(QRect(0, 0, 2, 3), ramp, NuvraDropShadow::ShadowBottom, 255, 0, 0, 0);
    EXPECT_EQ(alphaRows(bottom), (Rows{{60, 60}, {50, 50}, {30, 30}}));
}

// Configurations the flat style never uses stay inside their buffers:
// a solid edge wider than the strip, a bottom strip taller than the ramp,
// no fall-off length, an empty ramp and empty rectangles.
TEST(DropShadow, UnusualConfigurationsStayInBounds)
{
    NuvraDropShadow wide;
    wide.setShadowDec(-10); // solid edge 13 on a 4-pixel strip
    EXPECT_EQ(ints(wide.shadowRamp(4)), (std::vector<int>{60, 60, 60, 60}));

    NuvraDropShadow none;
    none.setShadowWidth(0);
    EXPECT_EQ(ints(none.shadowRamp(4)), (std::vector<int>{60, 60, 0, 0}));
    EXPECT_TRUE(none.shadowRamp(0).empty());
    EXPECT_TRUE(none.shadowRamp(-3).empty());

    const QImage tall = none.makeShadowImage(QRect(0, 0, 1, 6), {60, 30}, NuvraDropShadow::ShadowBottom, 255, 0, 0, 0);
    EXPECT_EQ(alphaRows(tall), (Rows{{60}, {30}, {0}, {0}, {0}, {0}}));
    const QImage unramped = none.makeShadowImage(QRect(0, 0, 2, 1), {}, NuvraDropShadow::ShadowRight, 255, 0, 0, 0);
    EXPECT_EQ(alphaRows(unramped), (Rows{{255, 255}}));
    const QImage flatCorner =
        none.makeShadowImage(QRect(0, 0, 2, 2), {}, NuvraDropShadow::ShadowBottomRight, 60, 0, 0, 0);
    EXPECT_EQ(alphaRows(flatCorner), (Rows{{60, 0}, {0, 0}}));
    EXPECT_TRUE(none.makeShadowImage(QRect(5, 5, 0, 3), {1}, NuvraDropShadow::ShadowRight, 255, 0, 0, 0).isNull());
}

// The five pieces where the flat style puts them around a 40 x 30 panel.
TEST(DropShadow, PrintShadowPlacesAndTurnsThePieces)
{
    const int w = 40;
    const int h = 30;
    QImage canvas(w, h, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    NuvraDropShadow shadow = flatShadow();
    shadow.PrintShadow(&painter, QRect(QPoint(w - 3, 12), QPoint(w, h - 4)), QRect(QPoint(12, h - 3), QPoint(w - 4, h - 1)),
                       QRect(QPoint(w - 3, h - 3), QPoint(w, h)), QRect(QPoint(w - 3, 8), QPoint(w, 11)),
                       QRect(QPoint(8, h - 3), QPoint(11, h)));
    shadow.PrintShadow(nullptr, QRect(), QRect(), QRect(), QRect(), QRect());
    painter.end();

    const auto alpha = [&canvas](int x, int y) { return qAlpha(canvas.pixel(x, y)); };
    // Right strip, darkest at its left column.
    EXPECT_EQ((std::vector<int>{alpha(w - 3, 20), alpha(w - 2, 20), alpha(w - 1, 20)}), (std::vector<int>{60, 50, 30}));
    // Bottom strip, darkest at its top row.
    EXPECT_EQ((std::vector<int>{alpha(20, h - 3), alpha(20, h - 2), alpha(20, h - 1)}), (std::vector<int>{60, 50, 30}));
    // Bottom-right corner as generated.
    EXPECT_EQ(alpha(w - 3, h - 3), 60);
    EXPECT_EQ(alpha(w - 1, h - 1), 30);
    // Top-right corner turned so it is darkest at its bottom-left, meeting the strip.
    EXPECT_EQ(alpha(w - 3, 11), 60);
    EXPECT_EQ(alpha(w - 3, 8), 9);
    EXPECT_EQ(alpha(w - 1, 11), 30);
    // Bottom-left corner turned so it is darkest at its top-right.
    EXPECT_EQ(alpha(11, h - 3), 60);
    EXPECT_EQ(alpha(8, h - 3), 9);
    // Nothing drawn over the panel.
    EXPECT_EQ(alpha(w - 4, 20), 0);
    EXPECT_EQ(alpha(5, 5), 0);
}

// Under the suite's fontconfig the family is installed or registered from
// the resources; RobotoFromResources runs this with an empty fontconfig.
TEST(RobotoFont, GivesTheRobotoFamily)
{
    const QFont font = Nuvra::GUI::getRobotoFont();
    EXPECT_EQ(font.family(), "Roboto");
    EXPECT_FALSE(font.italic());
    EXPECT_FALSE(QFontDatabase().styles("Roboto").isEmpty());
    EXPECT_EQ(QFontInfo(font).family(), "Roboto");
    // A second call finds the family and keeps it.
    EXPECT_EQ(Nuvra::GUI::getRobotoFont().family(), "Roboto");
}
