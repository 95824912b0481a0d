#include "StyleTestSupport.h"

#include "style/NuvraStyle.h"
#include "style/Palette.h"
#include "style/StyleManager.h"
#include "style/StyleProperties.h"

#include <QApplication>
#include <QCheckBox>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFrame>
#include <QGroupBox>
#include <QImageReader>
#include <QPixmapCache>
#include <QProgressBar>
#include <QPushButton>
#include <QStyleOption>
#include <QSvgRenderer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace Nuvra::Style;

namespace {

class StyleTest : public ::testing::Test {
protected:
    void apply(const char* name, double scale = 1.0)
    {
        StyleManager::applyStyle(StyleManager::createStyle(QString::fromLatin1(name)), scale);
        style = qobject_cast<NuvraStyle*>(QApplication::style());
        ASSERT_NE(style, nullptr);
    }
    void TearDown() override { QApplication::setStyle(QStringLiteral("Fusion")); }

    void runEventLoop(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    InjectedScreen screen{2560, 1440, 72};
    NuvraStyle* style = nullptr;
};

} // namespace

TEST_F(StyleTest, FamilyIdentity)
{
    apply("MidStyle");
    EXPECT_EQ(style->prefix(), QStringLiteral(":/Styles/MidStyle/"));
    EXPECT_EQ(style->GetStyleFamily(), 0);
    EXPECT_FALSE(IsModernStyle());
    EXPECT_DOUBLE_EQ(style->dpiScaled(10), 10);
    apply("DarkStyle", 1.5);
    EXPECT_DOUBLE_EQ(style->dpiScaled(10), 15);
    EXPECT_NE(qobject_cast<QCommonStyle*>(style), nullptr);
}

TEST_F(StyleTest, GetPixmapWithFallbackFoldersAndItsCacheKey)
{
    const struct {
        const char* style;
        const char* name;
        QSize size; // empty: not found
    } cases[] = {
        // Only in NuvraStyle's folder: found by every style.
        {"DarkStyle", "skin/toolbar-handle.png", {4, 4}},
        {"MidStyle", "skin/checkbox-normal.svg", {13, 13}},
        // MidStyle lacks the size grip that DarkStyle has.
        {"MidStyle", "skin/statusbar-resizeico.png", {12, 17}},
        {"NuvraStyle", "fixture/darkonly-normal.svg", {}},
        {"NuvraStyle", "skin/nothing.png", {}},
    };
    for (const auto& c : cases) {
        apply(c.style);
        QPixmap pixmap;
        const bool found = style->getPixmap(c.name, pixmap);
        EXPECT_EQ(found, !c.size.isEmpty()) << c.style << " " << c.name;
        if (!found)
            continue;
        EXPECT_EQ(pixmap.size(), c.size) << c.style << " " << c.name;
        QPixmap cached;
        EXPECT_TRUE(QPixmapCache::find(style->prefix() + QLatin1String(c.name), &cached));
        EXPECT_EQ(cached.cacheKey(), pixmap.cacheKey());
    }

    // MidStyle takes DarkStyle's image, not NuvraStyle's.
    apply("MidStyle");
    QPixmap mid, dark, nuvra;
    ASSERT_TRUE(style->getPixmap("skin/statusbar-resizeico.png", mid));
    ASSERT_TRUE(StyleManager::LoadPixmap(dark, ":/Styles/DarkStyle/skin/statusbar-resizeico.png", RasterizerDefault));
    ASSERT_TRUE(StyleManager::LoadPixmap(nuvra, ":/Styles/NuvraStyle/skin/statusbar-resizeico.png", RasterizerDefault));
    EXPECT_EQ(mid.toImage(), dark.toImage());
    EXPECT_NE(mid.toImage(), nuvra.toImage());
}

TEST_F(StyleTest, SkinImagesAtTheirSizes)
{
    NuvraStyle registersResources;
    QDirIterator svgs(QStringLiteral(":/Styles/NuvraStyle/skin"), {QStringLiteral("*.svg")});
    int count = 0;
    while (svgs.hasNext()) {
        QSvgRenderer renderer(svgs.next());
        EXPECT_TRUE(renderer.isValid()) << svgs.filePath().toStdString();
        EXPECT_EQ(renderer.defaultSize(), QSize(13, 13)) << svgs.filePath().toStdString();
        ++count;
    }
    EXPECT_EQ(count, 20) << "twelve check-box and eight radio-button images";

    for (const char* grip : {"toolbar-handle.png", "toolbar-handle-simple.png"}) {
        const QImage image(QStringLiteral(":/Styles/NuvraStyle/skin/") + QLatin1String(grip));
        EXPECT_EQ(image.format(), QImage::Format_Indexed8) << grip;
        EXPECT_GE(image.colorCount(), 4) << grip;
    }
    apply("NuvraStyle", 2.0);
    QPixmap scaled;
    ASSERT_TRUE(style->getPixmap("skin/radiobutton-checked-hovered.svg", scaled));
    EXPECT_EQ(scaled.size(), QSize(26, 26));
}

TEST_F(StyleTest, PolishTopBarAndButtonIcons)
{
    apply("NuvraStyle");
    QFrame bar;
    bar.setProperty(nuvraShapeProperty, QStringLiteral("TopBar"));
    bar.setFrameStyle(QFrame::Box | QFrame::Raised);
    bar.setContentsMargins(5, 5, 5, 5);
    style->polish(&bar);
    EXPECT_EQ(bar.contentsMargins(), QMargins());
    EXPECT_EQ(bar.frameStyle(), 0x10);
    EXPECT_EQ(bar.palette().color(QPalette::Inactive, QPalette::Window), QColor(106, 106, 106));
    EXPECT_EQ(bar.palette().color(QPalette::Disabled, QPalette::WindowText), QColor(Qt::white));
    EXPECT_TRUE(bar.autoFillBackground());

    QPushButton button;
    button.setProperty(nuvraIconProperty, QStringLiteral(":/fixture/close"));
    button.setProperty(nuvraIconSizeProperty, QSize(32, 32));
    button.setProperty(nuvraShapeProperty, QStringLiteral("AboutButton"));
    style->polish(&button);
    EXPECT_FALSE(button.icon().isNull());
    EXPECT_EQ(button.iconSize(), QSize(32, 32));
    EXPECT_TRUE(button.testAttribute(Qt::WA_Hover));

    QToolBar toolBar;
    auto* tool = new QToolButton(&toolBar);
    style->polish(&toolBar);
    style->polish(tool);
    EXPECT_EQ(toolBar.backgroundRole(), QPalette::Window);
    EXPECT_EQ(tool->backgroundRole(), QPalette::Window);
    EXPECT_TRUE(tool->testAttribute(Qt::WA_Hover));
    style->unpolish(tool);
    EXPECT_TRUE(tool->testAttribute(Qt::WA_Hover)) << "tool buttons keep hover";
    EXPECT_EQ(tool->backgroundRole(), QPalette::Button);
    style->unpolish(&button);
    EXPECT_FALSE(button.testAttribute(Qt::WA_Hover));
}

TEST_F(StyleTest, PolishRescalesTheWidgetItself)
{
    apply("NuvraStyle", 1.5);
    QWidget w;
    w.setMinimumSize(20, 10);
    auto* child = new QWidget(&w);
    child->setMinimumSize(20, 10);
    style->polish(&w);
    EXPECT_EQ(w.minimumSize(), QSize(30, 15));
    EXPECT_EQ(child->minimumSize(), QSize(20, 10)) << "not recursive";
}

TEST_F(StyleTest, DisabledIconsAreGreyedOnlyWhenThePaletteSaysSo)
{
    apply("NuvraStyle");
    QPixmap red(4, 4);
    red.fill(Qt::red);
    QStyleOption option;
    option.palette = QPalette(QColor(200, 200, 200));
    option.palette.setColor(QPalette::Disabled, QPalette::WindowText,
                            option.palette.color(QPalette::Active, QPalette::WindowText));
    EXPECT_EQ(style->generatedIconPixmap(QIcon::Disabled, red, &option).toImage().pixel(1, 1), 0xffff0000u);
    option.palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
    EXPECT_NE(style->generatedIconPixmap(QIcon::Disabled, red, &option).toImage().pixel(1, 1), 0xffff0000u);
}

TEST_F(StyleTest, BusyBarsShareOneTimer)
{
    apply("NuvraStyle");
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* a = new QProgressBar;
    auto* b = new QProgressBar;
    a->setRange(0, 0);
    b->setRange(0, 0);
    layout->addWidget(a);
    layout->addWidget(b);
    window.show();
    EXPECT_TRUE(style->busyTimerActive());
    const int before = style->busyAnimationStep();
    QElapsedTimer waited;
    waited.start();
    while (style->busyAnimationStep() == before && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_GT(style->busyAnimationStep(), before) << "the animation advances";
    a->hide();
    EXPECT_TRUE(style->busyTimerActive());
    b->hide();
    EXPECT_FALSE(style->busyTimerActive());
}

TEST_F(StyleTest, BusyBarDeletedWhileShownIsNeverTouchedAgain)
{
    apply("NuvraStyle");
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* keep = new QProgressBar;
    keep->setRange(0, 0);
    layout->addWidget(keep);
    auto* doomed = new QProgressBar;
    doomed->setRange(0, 0);
    layout->addWidget(doomed);
    window.show();
    ASSERT_TRUE(style->busyTimerActive());
    delete doomed;
    runEventLoop(200); // the address sanitizer watches the ticks
    EXPECT_TRUE(style->busyTimerActive());
    delete keep;
    runEventLoop(100);
    EXPECT_FALSE(style->busyTimerActive());
}

TEST_F(StyleTest, ResizedPlainWindowsRememberScaleAndGeometry)
{
    apply("NuvraStyle", 1.25);
    QProgressBar window; // a top-level widget the style filters
    window.resize(200, 30);
    window.show();
    window.resize(220, 40);
    QCoreApplication::processEvents();
    EXPECT_DOUBLE_EQ(window.property(lastWindowScaleProperty).toDouble(), 1.25);
    EXPECT_EQ(window.property(lastWindowRectProperty).toRect().size(), QSize(220, 40));
}

// Fake-disabled widgets.

namespace {

QImage render(QWidget* w)
{
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST_F(StyleTest, FakeDisabledGroupPaintsItsDisabledChildrenAsEnabled)
{
    apply("NuvraStyle");
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* group = new QGroupBox(QStringLiteral("Group"));
    auto* groupLayout = new QVBoxLayout(group);
    auto* inherited = new QCheckBox(QStringLiteral("Option"));
    auto* forced = new QCheckBox(QStringLiteral("Option"));
    inherited->setChecked(true);
    forced->setChecked(true);
    groupLayout->addWidget(inherited);
    groupLayout->addWidget(forced);
    layout->addWidget(group);
    auto* reference = new QCheckBox(QStringLiteral("Option"));
    reference->setChecked(true);
    layout->addWidget(reference);
    for (QCheckBox* box : {inherited, forced, reference}) {
        box->setFocusPolicy(Qt::NoFocus);
        box->setFixedSize(120, 24);
    }
    window.show();

    forced->setEnabled(false);
    group->setEnabled(false);
    StyleManager::SetFakeDisabled(group, 1, true);
    StyleManager::SetFakeDisabled(group, 1, true); // twice acts once
    ASSERT_FALSE(inherited->isEnabled());
    EXPECT_TRUE(StyleManager::GetFakeDisabledState(inherited, false));
    EXPECT_FALSE(StyleManager::GetFakeDisabledState(forced, false));
    EXPECT_FALSE(StyleManager::GetFakeDisabledState(reference, false));
    EXPECT_FALSE(StyleManager::GetFakeDisabledState(nullptr, false));

    const QImage enabledLook = render(reference);
    EXPECT_EQ(render(inherited), enabledLook);
    EXPECT_NE(render(forced), enabledLook);

    // Applying a style clears the state: the group is disabled for real again.
    StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("NuvraStyle")), 1.0);
    EXPECT_FALSE(group->property("FakeDisabled").isValid());
    EXPECT_FALSE(StyleManager::GetFakeDisabledState(inherited, false));
    EXPECT_NE(render(inherited), render(reference));
}

TEST_F(StyleTest, FakeDisabledStatesAndPalettes)
{
    apply("NuvraStyle");
    QWidget window;
    auto* panel = new QWidget(&window);
    auto* blocked = new QWidget(panel);
    auto* deep = new QWidget(blocked);
    auto* own = new QWidget(panel);
    QPalette custom;
    custom.setColor(QPalette::Window, Qt::red);
    own->setPalette(custom);
    blocked->setEnabled(false);

    StyleManager::SetFakeDisabled(nullptr, 1, true);
    StyleManager::RescaleApplicationFont(nullptr);
    style->polish(static_cast<QWidget*>(nullptr));
    StyleManager::SetFakeDisabled(panel, 0, true);
    EXPECT_FALSE(panel->property("FakeDisabled").isValid()) << "state 0 does nothing";

    StyleManager::SetFakeDisabled(panel, 1, true);
    const QPalette standard = style->standardPalette();
    EXPECT_EQ(panel->palette().color(QPalette::Disabled, QPalette::Text), standard.color(QPalette::Active, QPalette::Text));
    EXPECT_EQ(blocked->palette().color(QPalette::Disabled, QPalette::Text),
              standard.color(QPalette::Disabled, QPalette::Text));
    EXPECT_TRUE(blocked->property("FakePalette").isValid());
    EXPECT_FALSE(deep->property("FakePalette").isValid()) << "below an explicitly disabled widget";
    EXPECT_FALSE(StyleManager::GetFakeDisabledState(deep, false));
    EXPECT_EQ(own->palette().color(QPalette::Window), QColor(Qt::red)) << "a palette of its own is left alone";

    StyleManager::SetFakeDisabled(panel, -1, true);
    EXPECT_FALSE(panel->property("FakePalette").isValid());
    EXPECT_FALSE(blocked->property("FakePalette").isValid());
    EXPECT_FALSE(panel->testAttribute(Qt::WA_SetPalette));

    // A fake-disabled window makes an explicitly disabled descendant no less disabled.
    StyleManager::SetFakeDisabled(&window, 1, false);
    EXPECT_TRUE(StyleManager::GetFakeDisabledState(panel, false));
    EXPECT_FALSE(StyleManager::GetFakeDisabledState(blocked, false));
    StyleManager::SetFakeDisabled(blocked, 1, false);
    EXPECT_TRUE(StyleManager::GetFakeDisabledState(deep, false));
}
