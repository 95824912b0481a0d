#include "style/NuvraDropShadow.h"

#include <QFontDatabase>
#include <QPainter>
#include <QStringList>
#include <QTransform>

#include <algorithm>
#include <cmath>

// The fonts live in the style library's resource tree, which a caller of
// getRobotoFont may not have registered yet.
static void registerFontResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(style);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace Nuvra {
namespace GUI {

namespace {

// Smooth fall-off from 1 at t = 0 to 0 at t = 1, in single precision.
float falloff(float t)
{
    if (!(t < 1.0f))
        return 0.0f;
    return (2.0f * t - 3.0f) * t * t + 1.0f;
}

unsigned char scaled(float a, unsigned char alpha)
{
    const float v = a * static_cast<float>(alpha);
    // Truncation toward zero; a is never above 1 for t >= 0.
    return static_cast<unsigned char>(std::clamp(v, 0.0f, 255.0f));
}

} // namespace

NuvraDropShadow::NuvraDropShadow()
    : shadowWidth(8)
    , shadowOffset(3)
    , shadowDec(2)
    , shadowAlpha(60)
    , topRightAngle(-90)
    , bottomLeftAngle(90)
{
}

std::vector<unsigned char> NuvraDropShadow::shadowRamp(int n) const
{
    std::vector<unsigned char> ramp(static_cast<size_t>(std::max(n, 0)), 0);
    // A solid edge outside 0..n is clamped rather than written past the ramp.
    const int p = std::clamp(shadowOffset - shadowDec, 0, static_cast<int>(ramp.size()));
    for (int i = 0; i < p; ++i)
        ramp[static_cast<size_t>(i)] = shadowAlpha;
    if (p < n) {
        ramp[static_cast<size_t>(p)] = shadowAlpha;
        const int span = shadowWidth - p;
        for (int k = 1; k < n - p; ++k) {
            // No fall-off length means the shadow ends at the solid edge.
            const float a = span > 0 ? falloff(static_cast<float>(k) / static_cast<float>(span)) : 0.0f;
            ramp[static_cast<size_t>(p + k)] = scaled(a, shadowAlpha);
        }
    }
    return ramp;
}

QImage NuvraDropShadow::makeShadowImage(QRect rect, std::vector<unsigned char> ramp, eShadowDirection direction,
                                        unsigned char alpha, int width, int offset, int dec) const
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return QImage();
    QImage image(rect.width(), rect.height(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    const auto rampAt = [&ramp](int i) -> unsigned char {
        // A strip longer than the ramp fades to nothing past its end.
        return static_cast<size_t>(i) < ramp.size() ? ramp[static_cast<size_t>(i)] : 0;
    };
    const auto setAlpha = [&image](int x, int y, unsigned char a) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        line[x] = qRgba(0, 0, 0, a);
    };

    switch (direction) {
    case ShadowBottom:
        if (!ramp.empty())
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    setAlpha(x, y, rampAt(y));
        break;
    case ShadowRight:
        if (!ramp.empty())
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    setAlpha(x, y, rampAt(x));
        break;
    case ShadowBottomRight:
    case ShadowTopRight:
    case ShadowBottomLeft: {
        const int p = offset - dec;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const double dx = std::max(0, x - p);
                const double dy = std::max(0, y - p);
                const int d = static_cast<int>(std::sqrt(dx * dx + dy * dy));
                float a = 1.0f;
                if (d != 0)
                    a = width > 0 ? falloff(static_cast<float>(d) / static_cast<float>(width)) : 0.0f;
                setAlpha(x, y, scaled(a, alpha));
            }
        }
        break;
    }
    }
    return image;
}

void NuvraDropShadow::PrintShadow(QPainter* painter, QRect right, QRect bottom, QRect bottomRight, QRect topRight,
                                  QRect bottomLeft)
{
    if (!painter)
        return;
    const auto draw = [painter](const QRect& target, const QImage& piece) {
        if (!piece.isNull())
            painter->drawImage(target, piece, piece.rect());
    };
    const std::vector<unsigned char> ramp = shadowRamp(right.width());

    draw(right, makeShadowImage(right, ramp, ShadowRight, 255, 0, 0, 0));
    draw(bottom, makeShadowImage(bottom, ramp, ShadowBottom, 255, 0, 0, 0));

    const auto corner = [&](const QRect& rect, eShadowDirection direction) {
        return makeShadowImage(rect, {}, direction, shadowAlpha, shadowWidth, shadowOffset, shadowDec);
    };
    draw(bottomRight, corner(bottomRight, ShadowBottomRight));

    QTransform turn;
    turn.rotate(topRightAngle);
    const QImage topRightPiece = corner(topRight, ShadowTopRight);
    draw(topRight, topRightPiece.isNull() ? topRightPiece : topRightPiece.transformed(turn, Qt::SmoothTransformation));

    turn.reset();
    turn.rotate(bottomLeftAngle);
    const QImage bottomLeftPiece = corner(bottomLeft, ShadowBottomLeft);
    draw(bottomLeft,
         bottomLeftPiece.isNull() ? bottomLeftPiece : bottomLeftPiece.transformed(turn, Qt::SmoothTransformation));
}

QFont getRobotoFont()
{
    static QString family = QStringLiteral("Roboto");
    QFontDatabase database;
    if (database.styles(family).isEmpty()) {
        registerFontResources();
        const int regular = QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/Roboto-Regular.ttf"));
        QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/Roboto-Bold.ttf"));
        const QStringList families = QFontDatabase::applicationFontFamilies(regular);
        if (!families.isEmpty())
            family = families.first();
    }
    return QFont(family, -1, -1, false);
}

} // namespace GUI
} // namespace Nuvra
