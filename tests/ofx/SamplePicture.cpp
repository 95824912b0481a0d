// Paints the sample picture that the set-up renders through the bundle: a
// small landscape (sky, sun, hills, a lake with reflections, trees, a house)
// with soft gradients and fine detail, so the painting effect has edges,
// flat areas and texture to work on. Deterministic: the same file each run.
//   ofx_sample_picture out.png [width height]
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

QPainterPath ridge(double w, double h, double base, double amplitude, double seed)
{
    QPainterPath path(QPointF(0, h));
    for (int i = 0; i <= 96; ++i) {
        const double x = w * i / 96.0;
        const double t = x / w;
        const double y = base - amplitude * (0.55 * std::sin(t * 5.1 + seed) + 0.3 * std::sin(t * 13.7 + seed * 2) +
                                             0.15 * std::sin(t * 31.0 + seed * 3));
        path.lineTo(x, y);
    }
    path.lineTo(w, h);
    path.closeSubpath();
    return path;
}

void tree(QPainter& p, double x, double ground, double size, const QColor& leaf)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 48, 30));
    p.drawRect(QRectF(x - size * 0.06, ground - size * 0.35, size * 0.12, size * 0.35));
    for (int k = 0; k < 3; ++k) {
        QPainterPath crown;
        const double top = ground - size * (1.0 - k * 0.18);
        const double half = size * (0.22 + k * 0.08);
        crown.moveTo(x, top);
        crown.lineTo(x - half, top + size * 0.45);
        crown.lineTo(x + half, top + size * 0.45);
        crown.closeSubpath();
        p.setBrush(leaf.darker(100 + k * 12));
        p.drawPath(crown);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: ofx_sample_picture out.png [width height]\n");
        return 2;
    }
    const int w = argc >= 4 ? std::atoi(argv[2]) : 960;
    const int h = argc >= 4 ? std::atoi(argv[3]) : 540;
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double horizon = h * 0.58;
    image.fill(QColor(58, 96, 70));

    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0.0, QColor(38, 84, 150));
    sky.setColorAt(0.6, QColor(120, 170, 215));
    sky.setColorAt(1.0, QColor(250, 205, 150));
    p.fillRect(QRectF(0, 0, w, horizon), sky);

    QRadialGradient sun(w * 0.72, horizon * 0.55, h * 0.12);
    sun.setColorAt(0.0, QColor(255, 250, 225));
    sun.setColorAt(0.35, QColor(255, 226, 150));
    sun.setColorAt(1.0, QColor(255, 200, 120, 0));
    p.fillRect(QRectF(0, 0, w, horizon), sun);

    std::mt19937 random(1234);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 7; ++i) {
        const double cx = unit(random) * w, cy = unit(random) * horizon * 0.45, r = h * (0.04 + unit(random) * 0.05);
        for (int k = 0; k < 6; ++k) {
            p.setBrush(QColor(255, 255, 255, 60));
            p.drawEllipse(QPointF(cx + (k - 2.5) * r * 0.7, cy + std::sin(k * 1.3) * r * 0.25), r, r * 0.55);
        }
    }

    p.setBrush(QColor(92, 110, 140));
    p.drawPath(ridge(w, h, horizon - h * 0.06, h * 0.12, 0.7));
    p.setBrush(QColor(58, 96, 70));
    p.drawPath(ridge(w, h, horizon + h * 0.02, h * 0.06, 2.1));

    QLinearGradient lake(0, horizon + h * 0.05, 0, h);
    lake.setColorAt(0.0, QColor(150, 170, 190));
    lake.setColorAt(1.0, QColor(30, 60, 90));
    p.fillRect(QRectF(0, horizon + h * 0.05, w, h), lake);
    for (int i = 0; i < 160; ++i) {
        const double y = horizon + h * 0.06 + unit(random) * (h - horizon - h * 0.06);
        const double x = unit(random) * w, len = w * (0.02 + unit(random) * 0.08);
        p.setPen(QPen(QColor(255, 240, 210, 40 + static_cast<int>(unit(random) * 70)), 1.2));
        p.drawLine(QPointF(x, y), QPointF(x + len, y));
    }

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(96, 128, 64));
    p.drawRect(QRectF(0, horizon + h * 0.02, w * 0.42, h * 0.05));
    const double ground = horizon + h * 0.06;
    p.setBrush(QColor(200, 180, 150));
    p.drawRect(QRectF(w * 0.18, ground - h * 0.12, w * 0.1, h * 0.12));
    QPainterPath roof;
    roof.moveTo(w * 0.17, ground - h * 0.12);
    roof.lineTo(w * 0.23, ground - h * 0.19);
    roof.lineTo(w * 0.29, ground - h * 0.12);
    roof.closeSubpath();
    p.setBrush(QColor(150, 50, 40));
    p.drawPath(roof);
    p.setBrush(QColor(60, 80, 110));
    p.drawRect(QRectF(w * 0.2, ground - h * 0.09, w * 0.02, h * 0.035));
    p.drawRect(QRectF(w * 0.25, ground - h * 0.09, w * 0.02, h * 0.035));

    // Trees on both sides of the house, none in front of it.
    for (int i = 0; i < 8; ++i) {
        const double x = i < 4 ? 0.02 + i * 0.04 : 0.31 + (i - 4) * 0.03;
        tree(p, w * x, ground, h * (0.16 + unit(random) * 0.08), QColor(40, 110, 60));
    }
    tree(p, w * 0.9, ground + h * 0.02, h * 0.3, QColor(30, 95, 50));
    p.end();

    if (!image.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "ofx_sample_picture: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
