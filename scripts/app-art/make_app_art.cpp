// Renders the application's pictures from their sources: the window icon at
// every size from resources/appicon/appicon.svg, the OpenFX bundle's icon
// from resources/ofx/com.nuvra.morvelinvideo.svg, and the about box's splash,
// painted here as a spray of soft colour over a gradient.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QSvgRenderer>

#include <cmath>
#include <cstdio>

static bool renderIcon(const QString& svg, const QString& outDir)
{
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return false;
    for (int size : {16, 24, 32, 48, 64, 96, 128}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        if (!image.save(QStringLiteral("%1/appicon_%2.png").arg(outDir).arg(size)))
            return false;
    }
    return true;
}

// Hosts show a bundle's PNG icon, named after the plug-in's identifier.
static bool renderBundleIcon(const QString& svg, const QString& png)
{
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return false;
    QImage image(128, 128, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return image.save(png);
}

static void sprayStroke(QPainter& p, QRandomGenerator& rng, QPointF from, QPointF to, QColor colour, double width,
                        int dots)
{
    for (int i = 0; i < dots; ++i) {
        const double t = rng.generateDouble();
        const double spread = width * (0.5 + 0.5 * std::sin(t * 3.14159));
        const double angle = rng.generateDouble() * 6.28318;
        const double dist = std::abs(std::sqrt(-2.0 * std::log(1.0 - rng.generateDouble() * 0.999))) * spread * 0.45;
        const QPointF at = from + (to - from) * t + QPointF(std::cos(angle), std::sin(angle)) * dist;
        const double r = 0.6 + rng.generateDouble() * 2.4;
        QColor c = colour;
        c.setAlphaF(0.15 + 0.55 * rng.generateDouble());
        p.setBrush(c);
        p.drawEllipse(at, r, r);
    }
}

static bool paintSplash(const QString& file)
{
    const int w = 545, h = 185;
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, w, h);
    sky.setColorAt(0.0, QColor(5, 64, 69));
    sky.setColorAt(0.55, QColor(18, 98, 104));
    sky.setColorAt(1.0, QColor(3, 38, 41));
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::NoPen);

    // Soft clouds of colour first, then sprayed strokes over them.
    QRandomGenerator rng(20261210);
    const QColor palette[] = {QColor(204, 51, 51), QColor(240, 168, 48), QColor(244, 244, 244), QColor(120, 190, 180)};
    for (int i = 0; i < 14; ++i) {
        const QPointF c(rng.bounded(w), rng.bounded(h));
        const double r = 30 + rng.bounded(70);
        QColor col = palette[i % 4];
        col.setAlphaF(0.22);
        QRadialGradient g(c, r);
        g.setColorAt(0, col);
        col.setAlphaF(0);
        g.setColorAt(1, col);
        p.setBrush(g);
        p.drawEllipse(c, r, r);
    }
    for (int i = 0; i < 9; ++i) {
        const QPointF a(rng.bounded(w), rng.bounded(h));
        const QPointF b(a.x() + 80 + rng.bounded(160), a.y() - 60 + rng.bounded(120));
        sprayStroke(p, rng, a, b, palette[i % 4], 18 + rng.bounded(22), 1400);
    }
    // A bright signature stroke through the middle.
    sprayStroke(p, rng, QPointF(40, 140), QPointF(505, 52), QColor(244, 244, 244), 16, 5000);
    p.end();
    return image.save(file);
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_app_art <resources folder>\n");
        return 2;
    }
    const QString res = QString::fromLocal8Bit(argv[1]);
    if (!renderIcon(res + "/appicon/appicon.svg", res + "/appicon")) {
        std::fprintf(stderr, "cannot render the icon\n");
        return 1;
    }
    if (!renderBundleIcon(res + "/ofx/com.nuvra.morvelinvideo.svg", res + "/ofx/com.nuvra.morvelinvideo.png")) {
        std::fprintf(stderr, "cannot render the bundle's icon\n");
        return 1;
    }
    if (!paintSplash(res + "/about/product_splash.png")) {
        std::fprintf(stderr, "cannot write the splash\n");
        return 1;
    }
    return 0;
}
