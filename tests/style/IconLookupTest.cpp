#include "StyleTestSupport.h"

#include "style/NuvraStyle.h"
#include "style/StyleManager.h"
#include "style/StyleProperties.h"

#include <QApplication>
#include <QCommonStyle>
#include <QImage>
#include <QPainter>
#include <QPixmapCache>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Nuvra::Style;

namespace {

QRgb centre(const QPixmap& pixmap)
{
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    return image.pixel(image.width() / 2, image.height() / 2);
}

QRgb iconColour(const QIcon& icon, QIcon::Mode mode, QIcon::State state)
{
    return centre(icon.pixmap(QSize(16, 16), mode, state));
}

// Solid-colour PNG files of the given names in a folder of their own.
class PngSet {
public:
    void add(const QString& name, QRgb colour, QSize size = QSize(16, 16))
    {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(dir.filePath(name), "PNG"));
    }
    QString prefix(const QString& stem) const { return dir.filePath(stem); }

    QTemporaryDir dir;
};

// Installs a style of the family at a scale for one test, Fusion afterwards.
class StyleScope {
public:
    StyleScope(const char* name, double scale)
    {
        StyleManager::applyStyle(StyleManager::createStyle(QString::fromLatin1(name)), scale);
    }
    ~StyleScope() { QApplication::setStyle(QStringLiteral("Fusion")); }

private:
    InjectedScreen screen{2560, 1440, 72};
};

constexpr QRgb kRed = 0xffff0000, kGreen = 0xff00ff00, kBlue = 0xff0000ff, kYellow = 0xffffff00;

} // namespace

TEST(ResourceNames, AbsoluteOrRelativeToTheStyleFolder)
{
    const struct {
        const char* name;
        bool absolute;
    } cases[] = {
        {":/about/close", true}, {"/usr/share/x", true}, {"\\share\\x", true}, {"$HOME/x", true},
        {"C:/x", true},          {"", true},             {"std/arrow_back", false},
        {"skin/toolbar-handle.png", false},              {"a", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isAbsoluteResourceName(QString::fromLatin1(c.name)), c.absolute) << c.name;

    StyleScope style("NuvraStyle", 1.0);
    EXPECT_EQ(StyleManager::realName(QStringLiteral("skin/toolbar-handle.png")),
              QStringLiteral(":/Styles/NuvraStyle/skin/toolbar-handle.png"));
    EXPECT_EQ(StyleManager::realName(QStringLiteral(":/about/close")), QStringLiteral(":/about/close"));
}

TEST(IconFiles, SvgFamilyFillsTheModesFromItsFiles)
{
    StyleScope style("NuvraStyle", 1.0);
    const QIcon icon = iconByPrefix(QStringLiteral(":/fixture/close"), QSize(16, 16));
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(iconColour(icon, QIcon::Normal, QIcon::Off), kRed);
    EXPECT_EQ(iconColour(icon, QIcon::Active, QIcon::Off), kGreen);
    EXPECT_EQ(iconColour(icon, QIcon::Selected, QIcon::Off), kBlue);
    EXPECT_EQ(iconColour(icon, QIcon::Active, QIcon::On), kBlue) << "no checked file: the clicked image";
    const QRgb disabled = iconColour(icon, QIcon::Disabled, QIcon::Off);
    EXPECT_NEAR(qAlpha(disabled), 64, 1) << "the normal image at opacity 0.25";
    EXPECT_GT(qRed(disabled), 0);
    EXPECT_EQ(qGreen(disabled), 0);
}

TEST(IconFiles, SvgCheckedFileFillsTheOnState)
{
    StyleScope style("NuvraStyle", 1.0);
    const QIcon icon = iconByPrefix(QStringLiteral(":/fixture/toggle"), QSize());
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(iconColour(icon, QIcon::Normal, QIcon::On), kYellow);
    EXPECT_EQ(iconColour(icon, QIcon::Active, QIcon::On), kYellow);
    EXPECT_EQ(iconColour(icon, QIcon::Selected, QIcon::On), kYellow);
    EXPECT_NEAR(qAlpha(iconColour(icon, QIcon::Disabled, QIcon::On)), 64, 1);
    EXPECT_EQ(iconColour(icon, QIcon::Active, QIcon::Off), kRed);
    EXPECT_EQ(icon.actualSize(QSize(512, 512)), QSize(8, 8)) << "the document's own size without a size";
}

TEST(IconFiles, PlainFamilyRepeatsMissingVariants)
{
    StyleScope style("NuvraStyle", 1.0);
    PngSet withHover;
    withHover.add("b.png", kRed);
    withHover.add("b-hover.png", kGreen);
    const QIcon hovered = iconByPrefix(withHover.prefix("b"), QSize(16, 16));
    EXPECT_EQ(iconColour(hovered, QIcon::Normal, QIcon::Off), kRed);
    EXPECT_EQ(iconColour(hovered, QIcon::Active, QIcon::Off), kGreen);
    EXPECT_EQ(iconColour(hovered, QIcon::Active, QIcon::On), kGreen);

    PngSet bare;
    bare.add("b.png", kRed);
    bare.add("b-disabled.png", kBlue);
    const QIcon plain = iconByPrefix(bare.prefix("b"), QSize(16, 16));
    EXPECT_EQ(iconColour(plain, QIcon::Active, QIcon::Off), kRed);
    EXPECT_EQ(iconColour(plain, QIcon::Active, QIcon::On), kRed);
    EXPECT_EQ(iconColour(plain, QIcon::Disabled, QIcon::Off), kBlue);
}

TEST(IconFiles, NormalPngFamilyWithCheckedImages)
{
    StyleScope style("NuvraStyle", 1.0);
    PngSet set;
    set.add("t-normal.png", kRed);
    set.add("t-normal-clicked.png", kBlue);
    set.add("t-checked.png", kYellow);
    set.add("t-checked-hovered.png", kGreen);
    const QIcon icon = iconByPrefix(set.prefix("t"), QSize(16, 16));
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(iconColour(icon, QIcon::Active, QIcon::Off), kRed) << "no hovered file: the normal image";
    EXPECT_EQ(iconColour(icon, QIcon::Selected, QIcon::Off), kBlue);
    EXPECT_EQ(iconColour(icon, QIcon::Normal, QIcon::On), kYellow);
    EXPECT_EQ(iconColour(icon, QIcon::Active, QIcon::On), kGreen);
    EXPECT_EQ(iconColour(icon, QIcon::Selected, QIcon::On), kGreen) << "no checked-clicked: the hovered one";
}

TEST(IconFiles, SizesFollowTheScale)
{
    PngSet set;
    set.add("wide.png", kRed, QSize(20, 10));
    const struct {
        double scale;
        QSize png, svg;
    } cases[] = {{1.0, {20, 10}, {16, 16}}, {1.5, {24, 24}, {24, 24}}};
    for (const auto& c : cases) {
        StyleScope style("NuvraStyle", c.scale);
        EXPECT_EQ(iconByPrefix(set.prefix("wide"), QSize(16, 16)).actualSize(QSize(512, 512)), c.png) << c.scale;
        EXPECT_EQ(iconByPrefix(QStringLiteral(":/fixture/close"), QSize(16, 16)).actualSize(QSize(512, 512)), c.svg)
            << c.scale;
    }
}

TEST(IconFiles, MissingSetsGiveNullIconsWithOneWarning)
{
    StyleScope style("NuvraStyle", 1.0);
    EXPECT_TRUE(iconByPrefix(QString(), QSize()).isNull()) << "no warning for the empty name";
    {
        ExpectedWarnings w({QStringLiteral("iconByPrefix('/nowhere/icon') is failed")});
        EXPECT_TRUE(iconByPrefix(QStringLiteral("/nowhere/icon"), QSize()).isNull());
        EXPECT_EQ(w.count(QStringLiteral("iconByPrefix('/nowhere/icon') is failed")), 1);
    }
    {
        ExpectedWarnings w({QStringLiteral("iconByPrefix(':/fixture/broken') is failed"),
                            QStringLiteral("Cannot read file ':/fixture/broken-normal.svg'")});
        EXPECT_TRUE(iconByPrefix(QStringLiteral(":/fixture/broken"), QSize()).isNull());
    }
}

TEST(IconFallback, FoldersTriedByStyle)
{
    const struct {
        const char* style;
        const char* name;
        QRgb colour; // 0: not found
    } cases[] = {
        {"NuvraStyle", "fixture/swatch", kRed},     {"DarkStyle", "fixture/swatch", kBlue},
        {"MidStyle", "fixture/swatch", kBlue},      {"MidStyle", "fixture/darkonly", 0xffff00ff},
        {"DarkStyle", "fixture/nuvraonly", kGreen}, {"MidStyle", "fixture/nuvraonly", kGreen},
        {"NuvraStyle", "fixture/darkonly", 0},
    };
    for (const auto& c : cases) {
        StyleScope style(c.style, 1.0);
        const QString name = QString::fromLatin1(c.name);
        if (c.colour) {
            const QIcon icon = iconByPrefix(name, QSize(10, 10));
            ASSERT_FALSE(icon.isNull()) << c.style << " " << c.name;
            EXPECT_EQ(iconColour(icon, QIcon::Normal, QIcon::Off), c.colour) << c.style << " " << c.name;
        } else {
            const QString warning = QStringLiteral("iconByPrefix(':/Styles/NuvraStyle/%1') is failed").arg(name);
            ExpectedWarnings w({warning});
            EXPECT_TRUE(iconByPrefix(name, QSize(10, 10)).isNull());
            EXPECT_EQ(w.count(warning), 1) << "one warning, not one per folder";
        }
    }
}

TEST(IconEngine, FollowsAStyleSwitchAtItsNextPaint)
{
    InjectedScreen screen(2560, 1440, 72);
    StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("NuvraStyle")), 1.0);
    QPushButton button;
    button.setIcon(iconByPrefix(QStringLiteral("fixture/swatch"), QSize(10, 10)));
    EXPECT_EQ(iconColour(button.icon(), QIcon::Normal, QIcon::Off), kRed);

    StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("DarkStyle")), 1.0);
    EXPECT_EQ(iconColour(button.icon(), QIcon::Normal, QIcon::Off), kBlue);

    StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("DarkStyle")), 2.0);
    EXPECT_EQ(button.icon().actualSize(QSize(512, 512)), QSize(20, 20)) << "rebuilt at the new scale";

    // A copy of the icon shares or clones the engine and follows too.
    const QIcon copy = button.icon();
    StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("NuvraStyle")), 1.0);
    EXPECT_EQ(iconColour(copy, QIcon::Normal, QIcon::Off), kRed);
    QApplication::setStyle(QStringLiteral("Fusion"));
}

TEST(LoadPixmap, SvgBySuffixOnly)
{
    StyleScope style("NuvraStyle", 1.5);
    const struct {
        const char* name;
        bool loads;
        QSize size;
    } cases[] = {
        {":/Styles/NuvraStyle/fixture/picture.svg", true, {9, 6}},
        {":/Styles/NuvraStyle/fixture/Picture.SVG", true, {9, 6}},
        {":/Styles/NuvraStyle/skin/toolbar-handle.png", true, {6, 6}},
        {":/Styles/NuvraStyle/skin/checkbox-normal.svg", true, {19, 19}},
    };
    for (const auto& c : cases) {
        QPixmap pixmap;
        EXPECT_EQ(StyleManager::LoadPixmap(pixmap, QString::fromLatin1(c.name), RasterizerDefault), c.loads) << c.name;
        EXPECT_EQ(pixmap.size(), c.size) << c.name;
    }

    // A folder named like an SVG does not make its PNG one.
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("svgs")));
    QImage image(4, 8, QImage::Format_ARGB32);
    image.fill(kRed);
    ASSERT_TRUE(image.save(dir.filePath(QStringLiteral("svgs/a.png"))));
    QPixmap raster;
    EXPECT_TRUE(StyleManager::LoadPixmap(raster, dir.filePath(QStringLiteral("svgs/a.png")), RasterizerDefault));
    EXPECT_EQ(raster.size(), QSize(6, 12));

    // Failures: an SVG that does not load leaves the pixmap alone, a raster
    // file that does not load makes it null.
    QPixmap kept(3, 3);
    EXPECT_FALSE(StyleManager::LoadPixmap(kept, dir.filePath(QStringLiteral("missing.svg")), RasterizerDefault));
    EXPECT_EQ(kept.size(), QSize(3, 3));
    EXPECT_FALSE(StyleManager::LoadPixmap(kept, dir.filePath(QStringLiteral("missing.png")), RasterizerDefault));
    EXPECT_TRUE(kept.isNull());
}

TEST(SetStyleIcon, MarksTheButtonAndGivesItTheIcon)
{
    StyleScope style("NuvraStyle", 1.0);
    QPushButton button;
    setStyleIcon(&button, ":/fixture/close", "None", QSize(-1, -1));
    EXPECT_EQ(button.property(nuvraShapeProperty).toString(), QStringLiteral("None"));
    EXPECT_EQ(button.property(nuvraIconProperty).toString(), QStringLiteral(":/fixture/close"));
    EXPECT_EQ(button.property(nuvraIconSizeProperty).toSize(), QSize(-1, -1));
    EXPECT_EQ(iconColour(button.icon(), QIcon::Normal, QIcon::Off), kRed);

    QPushButton untouched;
    setStyleIcon(&untouched, nullptr, "None", QSize());
    EXPECT_FALSE(untouched.property(nuvraIconProperty).isValid());
    setStyleIcon(nullptr, ":/fixture/close", "None", QSize());
}

TEST(SetAlphaChannel, ScalesAlphaByTheOpacity)
{
    QPixmap solid(4, 4);
    solid.fill(QColor(255, 0, 0));
    for (double opacity : {0.0, 0.25, 1.0}) {
        const QRgb c = centre(setAlphaChannel(solid, opacity));
        EXPECT_NEAR(qAlpha(c), 255 * opacity, 1) << opacity;
    }
    EXPECT_TRUE(setAlphaChannel(QPixmap(), 0.5).isNull());
}
