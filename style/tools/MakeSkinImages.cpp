// Writes the raster skin images of the styles:
//   make_skin_images <resources/style/Styles>
// Tool-bar grips are indexed images whose colour table the styles rewrite
// when they draw (entry 1 border, 2 the border-light mix, 3 light), so the
// same file serves every palette. Size grips are plain ARGB images.
#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QVector>

#include <cstdio>

namespace {

// One tile of a grip: '.' transparent, '1' border, '2' mix, '3' light.
QImage indexedGrip(const char* const* rows, int height)
{
    const int width = static_cast<int>(qstrlen(rows[0]));
    QImage image(width, height, QImage::Format_Indexed8);
    image.setColorTable(QVector<QRgb>{qRgba(0, 0, 0, 0), qRgb(125, 125, 125), qRgb(185, 185, 185),
                                      qRgb(245, 245, 245)});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, rows[y][x] == '.' ? 0 : rows[y][x] - '0');
    return image;
}

// The size grip: dots along the lower right triangle; the top five rows stay
// empty because the styles draw the image five pixels above its rectangle.
QImage sizeGrip(QColor dot, QColor shine)
{
    QImage image(12, 17, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int row = 0; row < 3; ++row) {
        for (int col = 2 - row; col < 3; ++col) {
            const int x = 2 + col * 3;
            const int y = 5 + 2 + row * 3;
            image.setPixelColor(x, y, dot);
            image.setPixelColor(x + 1, y + 1, shine);
        }
    }
    return image;
}

// The legacy style's images: a groove 4 pixels thick in an 8 pixel row, its
// end caps, a 3 x 8 handle, and the progress-bar pieces kept beside them.
// Each row of a picture is one colour per column, given by a string of keys.
QImage picture(const char* const* rows, int height, const QVector<QRgb>& colours)
{
    const int width = static_cast<int>(qstrlen(rows[0]));
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, rows[y][x] == '.' ? qRgba(0, 0, 0, 0) : colours[rows[y][x] - '0']);
    return image;
}

// A horizontal band: one row of keys per pixel row, repeated across width.
QImage band(const char* keys, int width, const QVector<QRgb>& colours)
{
    const int height = static_cast<int>(qstrlen(keys));
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, keys[y] == '.' ? qRgba(0, 0, 0, 0) : colours[keys[y] - '0']);
    return image;
}

bool save(const QImage& image, const QString& path);

bool writeOldStyle(const QString& skin)
{
    QDir().mkpath(skin);
    // 1 edge, 2 fill, 3 shine.
    const QVector<QRgb> blue{0, qRgb(28, 78, 150), qRgb(54, 120, 214), qRgb(140, 186, 244)};
    const QVector<QRgb> grey{0, qRgb(120, 120, 120), qRgb(196, 196, 196), qRgb(232, 232, 232)};
    const QVector<QRgb> handle{0, qRgb(60, 60, 60), qRgb(150, 150, 150), qRgb(235, 235, 235)};
    bool ok = true;
    ok &= save(band("..1321..", 1, blue), skin + "/slider_blue_brush.png");
    ok &= save(band("..1321..", 1, grey), skin + "/slider_grey_brush.png");
    static const char* const leftCap[] = {"..", "..", ".1", "13", "12", ".1", "..", ".."};
    static const char* const rightCap[] = {"..", "..", "1.", "31", "21", "1.", "..", ".."};
    ok &= save(picture(leftCap, 8, grey), skin + "/slider_left_brush.png");
    ok &= save(picture(rightCap, 8, grey), skin + "/slider_right_brush.png");
    static const char* const grip[] = {"111", "131", "131", "131", "121", "121", "121", "111"};
    ok &= save(picture(grip, 8, handle), skin + "/slider_brush.png");

    const QVector<QRgb> bar{0, qRgb(110, 110, 110), qRgb(54, 120, 214), qRgb(226, 226, 226)};
    static const char barKeys[] = "1222222222222222221";
    static const char troughKeys[] = "1333333333333333331";
    const auto column = [](const char* keys) { return QByteArray(".") + keys; };
    QImage barImage = band(column(barKeys).constData(), 12, bar);
    QImage trough = band(column(troughKeys).constData(), 4, bar);
    QImage left(5, 20, QImage::Format_ARGB32);
    left.fill(Qt::transparent);
    for (int y = 1; y < 20; ++y) {
        left.setPixel(0, y, bar[1]);
        for (int x = 1; x < 5; ++x)
            left.setPixel(x, y, y == 1 || y == 19 ? bar[1] : bar[3]);
    }
    ok &= save(barImage, skin + "/progress_bar_bar.png");
    ok &= save(trough, skin + "/progress_bar_no_bar.png");
    ok &= save(left, skin + "/progress_bar_left.png");
    ok &= save(left.mirrored(true, false), skin + "/progress_bar_right.png");
    return ok;
}

bool save(const QImage& image, const QString& path)
{
    if (image.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_skin_images <resources/style/Styles>\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    bool ok = true;

    // A raised dot with a lit corner, repeated down or across the handle.
    static const char* const handle[] = {"12..", "23..", "....", "...."};
    // The flat variant: one dot.
    static const char* const simple[] = {"1.", ".."};
    const QString nuvraSkin = root.filePath(QStringLiteral("NuvraStyle/skin"));
    QDir().mkpath(nuvraSkin);
    ok &= save(indexedGrip(handle, 4), nuvraSkin + "/toolbar-handle.png");
    ok &= save(indexedGrip(simple, 2), nuvraSkin + "/toolbar-handle-simple.png");

    const struct {
        const char* folder;
        QColor dot, shine;
    } grips[] = {
        {"NuvraStyle", QColor(110, 110, 110), QColor(255, 255, 255, 200)},
        {"DarkStyle", QColor(170, 170, 170), QColor(0, 0, 0, 160)},
    };
    const struct {
        const char* suffix;
        int alpha;      // of the dots
        int lighten;    // percent, Qt's QColor::lighter
    } states[] = {{"", 255, 100}, {"-hover", 255, 130}, {"-clicked", 255, 70}, {"-disabled", 110, 100}};
    for (const auto& g : grips) {
        const QString skin = root.filePath(QString::fromLatin1(g.folder) + "/skin");
        QDir().mkpath(skin);
        for (const auto& s : states) {
            QColor dot = g.dot.lighter(s.lighten);
            dot.setAlpha(s.alpha);
            QColor shine = g.shine;
            shine.setAlpha(shine.alpha() * s.alpha / 255);
            ok &= save(sizeGrip(dot, shine), skin + "/statusbar-resizeico" + s.suffix + ".png");
        }
    }
    ok &= writeOldStyle(root.filePath(QStringLiteral("../OldStyle/skin")));
    return ok ? 0 : 1;
}
