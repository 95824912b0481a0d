#include "style/ComplexDrawing.h"
#include "style/Scaling.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace Nuvra::Style;

namespace {

// The glow as first written: for every pixel a search of the square of side
// 2g + 1 around it for the nearest glyph pixel.
QImage squareSearchGlow(const QImage& text, int g, const QColor& bright)
{
    QImage glow(text.size(), QImage::Format_ARGB32);
    glow.fill(0);
    const int width = text.width();
    const int height = text.height();
    const auto inked = [&](int x, int y) { return qAlpha(text.pixel(x, y)) >= 21; };
    const int reach = (g + 1) * (g + 1);
    for (int y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(glow.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (inked(x, y))
                continue;
            int nearest = -1;
            for (int ny = std::max(0, y - g); ny <= std::min(height - 1, y + g); ++ny) {
                for (int nx = std::max(0, x - g); nx <= std::min(width - 1, x + g); ++nx) {
                    if (!inked(nx, ny))
                        continue;
                    const int d2 = (nx - x) * (nx - x) + (ny - y) * (ny - y);
                    if (nearest < 0 || d2 < nearest)
                        nearest = d2;
                }
            }
            if (nearest < 0 || nearest >= reach)
                continue;
            const float f = 1.0f - 2.0f * std::fabs(0.5f - std::sqrt(float(nearest) / float(reach)));
            const int alpha = static_cast<int>(std::floor(f * f * 128.0f + 0.5f));
            out[x] = qRgba(bright.red(), bright.green(), bright.blue(), alpha);
        }
    }
    return glow;
}

// Antialiased text in the style's font size at scale, with a margin of g all
// round; a negative margin cuts the glyphs at the image's edges.
QImage textImage(const QString& text, double scale, int margin, QImage::Format format)
{
    QFont font;
    font.setPixelSize(Scaling::scaled(12, scale));
    const QRect box = QFontMetrics(font).boundingRect(QRect(0, 0, 400, 400), Qt::TextWordWrap, text);
    QImage image(box.size() + QSize(2 * margin, 2 * margin), format);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setFont(font);
    p.drawText(box.translated(margin, margin), Qt::TextWordWrap, text);
    return image;
}

// Scattered pixels of alpha 0 to 39, either side of the ink threshold.
QImage speckles(QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(0);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            if ((x * 31 + y * 17) % 23 == 0)
                image.setPixel(x, y, qRgba(0, 0, 0, (x * 7 + y * 13) % 40));
    return image;
}

::testing::AssertionResult samePixels(const QImage& expected, const QImage& actual)
{
    if (expected.size() != actual.size() || expected.format() != actual.format())
        return ::testing::AssertionFailure() << "size or format differs";
    int glowing = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb e = expected.pixel(x, y);
            const QRgb a = actual.pixel(x, y);
            if (e != a)
                return ::testing::AssertionFailure()
                    << "at (" << x << ", " << y << ") " << std::hex << a << " instead of " << e;
            glowing += qAlpha(e) > 0;
        }
    if (glowing == 0)
        return ::testing::AssertionFailure() << "no glow to compare";
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(Glow, SamePixelsAsTheSquareSearch)
{
    const QColor bright(200, 120, 40);
    const struct {
        const char* text;
        double scale;
        int margin; // in units of g
        QImage::Format format;
    } cases[] = {
        {"Glow", 1, 1, QImage::Format_ARGB32},
        {"Spray painting", 1.25, 1, QImage::Format_ARGB32},
        {"Wij Qg", 1.5, 1, QImage::Format_ARGB32_Premultiplied},
        {"Presets and more presets", 2, 1, QImage::Format_ARGB32},
        {"Mg", 3, 1, QImage::Format_ARGB32},
        {"Cut at the edges", 2, -1, QImage::Format_ARGB32},
    };
    for (const auto& c : cases) {
        const int g = static_cast<int>(std::floor(5 * c.scale + 0.5));
        const QImage text = textImage(QString::fromLatin1(c.text), c.scale, c.margin * g, c.format);
        // An image of its own is turned into the glow in place; a shared one is left as it was.
        const QImage inPlace = Complex::glowAround(text.copy(), g, bright);
        const QImage beside = Complex::glowAround(text, g, bright);
        const QImage expected = squareSearchGlow(text, g, bright);
        EXPECT_TRUE(samePixels(expected, inPlace)) << c.text << " at scale " << c.scale;
        EXPECT_TRUE(samePixels(expected, beside)) << c.text << " at scale " << c.scale;
    }
    // Many glyph pixels close together, some just under the ink threshold,
    // in an image narrower and lower than the glow.
    for (const QSize size : {QSize(60, 40), QSize(7, 5)})
        for (const int g : {1, 5, 10})
            EXPECT_TRUE(
                samePixels(squareSearchGlow(speckles(size), g, bright), Complex::glowAround(speckles(size), g, bright)))
                << size.width() << "x" << size.height() << ", g = " << g;
}
