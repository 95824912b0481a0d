// The hover glow around text: a distance transform of the glyph pixels, found
// column by column and then along each row, so its cost grows with the image
// and the glow width rather than with the square of the glow width.
#include "style/ComplexDrawing.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace Nuvra {
namespace Style {
namespace Complex {
namespace {

constexpr int kInkAlpha = 21;

// Alpha of the ring at squared distance d2 (1 <= d2 < reach) from the glyphs.
int ringAlpha(int d2, int reach)
{
    const float f = 1.0f - 2.0f * std::fabs(0.5f - std::sqrt(float(d2) / float(reach)));
    return static_cast<int>(std::floor(f * f * 128.0f + 0.5f));
}

// Turns each pixel of image, ARGB32, into the distance within its column to
// the nearest glyph pixel, at most far.
void columnDistances(QImage& image, int far)
{
    const int width = image.width();
    const int height = image.height();
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        const auto* above = y > 0 ? reinterpret_cast<const quint32*>(image.constScanLine(y - 1)) : nullptr;
        for (int x = 0; x < width; ++x)
            row[x] = qAlpha(row[x]) >= kInkAlpha ? 0u : above ? std::min(above[x] + 1, quint32(far)) : quint32(far);
    }
    for (int y = height - 2; y >= 0; --y) {
        auto* row = reinterpret_cast<quint32*>(image.scanLine(y));
        const auto* below = reinterpret_cast<const quint32*>(image.constScanLine(y + 1));
        for (int x = 0; x < width; ++x)
            row[x] = std::min(row[x], below[x] + 1);
    }
}

// The ring along one row from its column distances: per pixel, the minimum
// over the 2g + 1 columns around it of dx² plus the column's own squared
// distance is the squared distance to the nearest glyph pixel.
class RowPass {
public:
    RowPass(int width, int g, const QColor& bright)
        : width(width),
          g(g),
          reach((g + 1) * (g + 1)),
          colourAt(reach),
          padded(static_cast<size_t>(width) + 2 * g, reach),
          nearest(width)
    {
        for (int d2 = 1; d2 < reach; ++d2)
            colourAt[d2] = qRgba(bright.red(), bright.green(), bright.blue(), ringAlpha(d2, reach));
    }

    // Turns a row of column distances into the ring's colours, in place.
    void colour(quint32* row)
    {
        int lo = 0;
        int hi = width - 1;
        if (!reachedSpan(row, lo, hi)) {
            std::fill(row, row + width, 0u);
            return;
        }
        for (int x = lo; x <= hi; ++x)
            padded[g + x] = int(row[x] * row[x]);
        // Only pixels within g of a column in reach can glow.
        const int first = std::max(0, lo - g);
        const int last = std::min(width - 1, hi + g);
        findNearest(first, last);
        std::fill(row, row + width, 0u);
        for (int x = first; x <= last; ++x)
            if (nearest[x] > 0 && nearest[x] < reach)
                row[x] = colourAt[nearest[x]];
        std::fill(padded.begin() + g + lo, padded.begin() + g + hi + 1, reach);
    }

private:
    // The first and last columns of the row with a glyph pixel within g.
    bool reachedSpan(const quint32* row, int& lo, int& hi) const
    {
        const auto far = quint32(g + 1);
        while (lo <= hi && row[lo] >= far)
            ++lo;
        while (hi >= lo && row[hi] >= far)
            --hi;
        return lo <= hi;
    }

    // Into nearest, for the pixels first to last.
    void findNearest(int first, int last)
    {
        std::fill(nearest.begin() + first, nearest.begin() + last + 1, reach);
        for (int dx = -g; dx <= g; ++dx) {
            const int* shifted = &padded[g + dx];
            const int across = dx * dx;
            for (int x = first; x <= last; ++x)
                nearest[x] = std::min(nearest[x], across + shifted[x]);
        }
    }

    const int width;
    const int g;
    const int reach; // squared distances from here on are out of reach
    std::vector<QRgb> colourAt; // by squared distance
    std::vector<int> padded; // the row's squared column distances, g out of reach either side
    std::vector<int> nearest;
};

} // namespace

QImage glowAround(QImage text, int g, const QColor& bright)
{
    // The glyphs' pixels become column distances and then the glow's colours,
    // in text's own pixels when the caller moved them in.
    QImage glow
        = text.format() == QImage::Format_ARGB32 ? std::move(text) : text.convertToFormat(QImage::Format_ARGB32);
    if (glow.isNull())
        return glow;
    if (g <= 0) {
        glow.fill(0);
        return glow;
    }
    // A glyph g + 1 or more pixels away along either axis is out of reach.
    columnDistances(glow, g + 1);
    RowPass pass(glow.width(), g, bright);
    for (int y = 0; y < glow.height(); ++y)
        pass.colour(reinterpret_cast<quint32*>(glow.scanLine(y)));
    return glow;
}

} // namespace Complex
} // namespace Style
} // namespace Nuvra
