#include "StyleTestSupport.h"

#include "style/NuvraStyle.h"
#include "style/Scaling.h"
#include "style/StyleManager.h"

#include "server/NuvraApplication.h"

#include <QApplication>
#include <QCommonStyle>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QSettings>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Nuvra::Style;

TEST(ScaleGrid, StepsOfAQuarterUpToTwoAndAHalfAbove)
{
    const struct {
        double in, out;
    } cases[] = {
        {2.0, 2.0},   {2.1, 2.0},   {2.25, 2.5},  {2.74, 2.5}, {2.76, 3.0},
        {1.125, 1.25}, {1.375, 1.5}, {1.333, 1.25}, {0.1, 0.0}, {0.5, 0.5},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(Scaling::toGrid(c.in), c.out) << c.in;
}

TEST(ScaleGrid, ScreenBoundFollowsTheVirtualDesktop)
{
    const struct {
        int w, h;
        double bound;
    } cases[] = {
        {800, 600, 1.0},   {1024, 768, 1.25}, {1280, 800, 1.5},   {1366, 768, 1.5},  {1440, 900, 1.5},
        {1680, 1050, 1.75}, {1920, 1080, 2.0}, {2560, 1440, 3.0}, {2880, 1800, 3.0}, {3840, 2160, 3.0},
        {640, 480, 1.0},   {900, 500, 1.0},   {2700, 1500, 3.0},
    };
    for (const auto& c : cases) {
        Scaling::ScreenInfo s{true, QSize(c.w, c.h), 96};
        EXPECT_DOUBLE_EQ(Scaling::screenBound(s), c.bound) << c.w << "x" << c.h;
    }
    EXPECT_DOUBLE_EQ(Scaling::screenBound(Scaling::ScreenInfo{}), 1.0) << "no screen";
}

TEST(NativeScale, DotsPerInchOnTheGridWithinTheBound)
{
    const struct {
        double dpi;
        double scale;
    } cases[] = {{72, 1.0}, {96, 1.25}, {96.9, 1.25}, {120, 1.75}, {144, 2.0}, {192, 2.5}, {30, 1.0}};
    for (const auto& c : cases) {
        InjectedScreen screen(2560, 1440, c.dpi);
        EXPECT_DOUBLE_EQ(StyleManager::NativeScale(), c.scale) << c.dpi;
    }
}

TEST(NativeScale, ABoundMetOnceKeepsLimitingLaterAnswers)
{
    InjectedScreen screen(1440, 900, 192);
    EXPECT_DOUBLE_EQ(StyleManager::NativeScale(), 1.5);
    Scaling::setScreenSource([] { return Scaling::ScreenInfo{true, QSize(3840, 2160), 192}; });
    EXPECT_DOUBLE_EQ(StyleManager::NativeScale(), 1.5);
}

TEST(NativeScale, NoScreenGivesOneAndComputesAfreshLater)
{
    InjectedScreen screen(0, 0, 0, false);
    EXPECT_DOUBLE_EQ(StyleManager::NativeScale(), 1.0);
    screen.set(2560, 1440, 144);
    EXPECT_DOUBLE_EQ(StyleManager::NativeScale(), 2.0);
}

TEST(ScaledLength, TruncatesTowardZeroAndStaysInRange)
{
    EXPECT_EQ(Scaling::scaled(35, 1.5), 52);
    EXPECT_EQ(Scaling::scaled(-1, 1.5), -1);
    EXPECT_EQ(Scaling::scaled(16777215, 1e9), std::numeric_limits<int>::max());
    EXPECT_EQ(Scaling::scaled(10, std::numeric_limits<double>::quiet_NaN()), 0);
}

// Widgets and layouts under explicit scales.

TEST(RescaleWidget, RepeatedPassesScaleFromTheRecordedSize)
{
    QWidget w;
    w.setMinimumSize(100, 20);
    const struct {
        double scale;
        QSize min;
    } passes[] = {{1.5, {150, 30}}, {2.0, {200, 40}}, {1.0, {100, 20}}, {1.25, {125, 25}}};
    for (const auto& p : passes) {
        StyleManager::RescaleWidget(&w, p.scale, false);
        EXPECT_EQ(w.minimumSize(), p.min) << p.scale;
    }
    EXPECT_EQ(w.property("MinSizeScaled").toSize(), QSize(100, 20));
}

TEST(RescaleWidget, MaximumSizeKeepsItsUnboundedDimension)
{
    QWidget halfBound;
    halfBound.setMaximumSize(QWIDGETSIZE_MAX, 30);
    StyleManager::RescaleWidget(&halfBound, 2.0, false);
    EXPECT_EQ(halfBound.maximumSize(), QSize(QWIDGETSIZE_MAX, 60));

    QWidget unbounded;
    StyleManager::RescaleWidget(&unbounded, 2.0, false);
    EXPECT_EQ(unbounded.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    EXPECT_FALSE(unbounded.property("MaxSizeScaled").isValid());
    EXPECT_FALSE(unbounded.property("MinSizeScaled").isValid());
}

TEST(RescaleWidget, LayoutThatSetsTheSizesKeepsThemButIsScaled)
{
    QWidget w;
    w.setMinimumSize(100, 20);
    w.setMaximumSize(300, 200);
    auto* layout = new QHBoxLayout(&w);
    layout->setSizeConstraint(QLayout::SetMinAndMaxSize);
    layout->setContentsMargins(9, 9, 9, 9);
    layout->setSpacing(6);
    StyleManager::RescaleWidget(&w, 2.0, false);
    EXPECT_FALSE(w.property("MinSizeScaled").isValid());
    EXPECT_FALSE(w.property("MaxSizeScaled").isValid());
    EXPECT_EQ(layout->contentsMargins(), QMargins(18, 18, 18, 18));
    EXPECT_EQ(layout->spacing(), 12);
}

TEST(RescaleWidget, IgnoreScaleKeepsOwnSizesOnly)
{
    QWidget parent;
    parent.setProperty("IgnoreScale", true);
    parent.setMinimumSize(50, 50);
    auto* layout = new QHBoxLayout(&parent);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* child = new QWidget;
    child->setMinimumSize(10, 10);
    layout->addWidget(child);

    StyleManager::RescaleWidget(&parent, 2.0, true);
    EXPECT_EQ(parent.minimumSize(), QSize(50, 50));
    EXPECT_EQ(layout->contentsMargins(), QMargins(8, 8, 8, 8));
    EXPECT_EQ(child->minimumSize(), QSize(20, 20));

    QWidget other;
    auto* nested = new QWidget(&other);
    nested->setMinimumSize(10, 10);
    StyleManager::RescaleWidget(&other, 2.0, false);
    EXPECT_EQ(nested->minimumSize(), QSize(10, 10)) << "children only when recursive";
}

TEST(RescaleLayout, MarginsSpacingsAndGridLines)
{
    QWidget w;
    auto* grid = new QGridLayout(&w);
    grid->setContentsMargins(9, 9, 9, 9);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(6);
    grid->setRowMinimumHeight(0, 0);
    grid->setRowMinimumHeight(1, 20);
    grid->setRowMinimumHeight(2, 35);

    StyleManager::RescaleLayout(grid, 1.5);
    EXPECT_EQ(grid->contentsMargins(), QMargins(13, 13, 13, 13));
    EXPECT_EQ(grid->property("MarginsScaled").toRect(), QRect(9, 9, 9, 9));
    EXPECT_EQ(grid->horizontalSpacing(), 6);
    EXPECT_EQ(grid->verticalSpacing(), 9);
    EXPECT_EQ(grid->property("MinRowScaled").toString(), QStringLiteral("0,20,35"));
    EXPECT_EQ(grid->rowMinimumHeight(1), 30);
    EXPECT_EQ(grid->rowMinimumHeight(2), 52);

    StyleManager::RescaleLayout(grid, 1.0);
    EXPECT_EQ(grid->contentsMargins(), QMargins(9, 9, 9, 9));
    EXPECT_EQ(grid->rowMinimumHeight(2), 35);
    EXPECT_EQ(grid->verticalSpacing(), 6);

    // A grid that grew a row since it was recorded keeps its heights.
    grid->setRowMinimumHeight(3, 10);
    StyleManager::RescaleLayout(grid, 2.0);
    EXPECT_EQ(grid->rowMinimumHeight(2), 35);
    EXPECT_EQ(grid->rowMinimumHeight(3), 10);
    EXPECT_EQ(grid->contentsMargins(), QMargins(18, 18, 18, 18));
}

TEST(RescaleLayout, GridTextThatIsNoNumberCountsAsZero)
{
    QWidget w;
    auto* grid = new QGridLayout(&w);
    grid->setRowMinimumHeight(1, 10);
    grid->setProperty("MinRowScaled", QStringLiteral("x,8"));
    StyleManager::RescaleLayout(grid, 2.0);
    EXPECT_EQ(grid->rowMinimumHeight(0), 0);
    EXPECT_EQ(grid->rowMinimumHeight(1), 16);
}

TEST(RescaleLayout, FormAndBoxSpacingsAndNestedLayouts)
{
    QWidget w;
    auto* outer = new QHBoxLayout(&w);
    outer->setSpacing(0);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* form = new QFormLayout;
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(4);
    outer->addLayout(form);

    StyleManager::RescaleLayout(outer, 2.0);
    EXPECT_FALSE(outer->property("SpacingScaled").isValid()) << "a zero spacing is not recorded";
    EXPECT_FALSE(outer->property("MarginsScaled").isValid());
    EXPECT_EQ(form->horizontalSpacing(), 20);
    EXPECT_EQ(form->verticalSpacing(), 8);
}

TEST(RescaleLayout, NullAndUnusableScalesAreIgnored)
{
    StyleManager::RescaleLayout(nullptr, 2.0);
    StyleManager::RescaleWidget(nullptr, 2.0, true);
    QWidget w;
    w.setMinimumSize(40, 40);
    for (double bad : {0.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        StyleManager::RescaleWidget(&w, bad, true);
        EXPECT_EQ(w.minimumSize(), QSize(40, 40)) << bad;
    }
}

// The style and its scale applied to the application.

class ApplyStyleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings().remove(QStringLiteral("UIScale"));
        QApplication::setFont(QFont());
    }
    void TearDown() override
    {
        QSettings().remove(QStringLiteral("UIScale"));
        qApp->setProperty("FontSizeScaled", QVariant());
        QApplication::setStyle(QStringLiteral("Fusion"));
    }
};

TEST_F(ApplyStyleTest, ExplicitScalesAreCappedByTheScreenAndFloored)
{
    InjectedScreen screen(1920, 1080, 96);
    const struct {
        double requested, applied;
    } cases[] = {
        {5.0, 2.0},
        {0.0, 1.25},
        {0.75, 0.75},
        {1.3, 1.3},
        {0.1, 0.5},
        {1e-300, 0.5},
        {-2.0, 1.25},
        {std::nan(""), 1.25},
        {std::numeric_limits<double>::infinity(), 1.25},
    };
    for (const auto& c : cases) {
        StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("NuvraStyle")), c.requested);
        EXPECT_DOUBLE_EQ(StyleManager::StyleScale(), c.applied) << c.requested;
    }
}

TEST_F(ApplyStyleTest, StoredScaleIsReadAndUnusableValuesMeanNative)
{
    InjectedScreen screen(2560, 1440, 144);
    const struct {
        QVariant stored;
        double applied;
    } cases[] = {
        {QVariant(), 2.0},
        {0.75, 0.75},
        {QStringLiteral("1.3"), 1.3},
        {QStringLiteral("nan"), 2.0},
        {QStringLiteral("inf"), 2.0},
        {QStringLiteral("-1"), 2.0},
        {QStringLiteral("0"), 2.0},
        {QStringLiteral("0.0001"), 0.5},
        {QStringLiteral("large"), 2.0},
        {7.0, 3.0},
    };
    for (const auto& c : cases) {
        if (c.stored.isValid())
            QSettings().setValue(QStringLiteral("UIScale"), c.stored);
        else
            QSettings().remove(QStringLiteral("UIScale"));
        StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("DarkStyle")));
        EXPECT_DOUBLE_EQ(StyleManager::StyleScale(), c.applied) << c.stored.toString().toStdString();
    }
}

TEST_F(ApplyStyleTest, TopLevelWidgetsAndTheFontFollowTheScale)
{
    InjectedScreen screen(2560, 1440, 96);
    QWidget top;
    top.setMinimumSize(100, 20);
    auto* layout = new QHBoxLayout(&top);
    layout->setContentsMargins(8, 8, 8, 8);

    StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("NuvraStyle")), 1.25);
    EXPECT_EQ(top.minimumSize(), QSize(125, 25));
    EXPECT_EQ(layout->contentsMargins(), QMargins(10, 10, 10, 10));
    EXPECT_EQ(qApp->property("FontSizeScaled").toInt(), 12);
    EXPECT_EQ(QApplication::font().pixelSize(), 15);

    StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("NuvraStyle")), 1.75);
    EXPECT_EQ(QApplication::font().pixelSize(), 21);
    EXPECT_EQ(top.minimumSize(), QSize(175, 35));

    // A style outside the family keeps no scale, yet the widgets are scaled.
    StyleManager::applyStyle(new QCommonStyle, 1.5);
    EXPECT_DOUBLE_EQ(StyleManager::StyleScale(), 1.0);
    EXPECT_EQ(top.minimumSize(), QSize(150, 30));
}

TEST_F(ApplyStyleTest, TheApplicationHearsTheScaleThenTheChange)
{
    InjectedScreen screen(1920, 1080, 72);
    NuvraApplication* app = NuvraApplication::instance();
    ASSERT_NE(app, nullptr);
    StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("NuvraStyle")), 1.0);
    QStringList heard;
    const auto a = QObject::connect(app, &NuvraApplication::styleScaleChanged,
                                    [&](double s) { heard << QStringLiteral("scale %1").arg(s); });
    const auto b = QObject::connect(app, &NuvraApplication::styleChanged, [&] { heard << QStringLiteral("style"); });
    StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("NuvraStyle")), 1.5);
    StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("DarkStyle")), 9.0);
    QObject::disconnect(a);
    QObject::disconnect(b);
    EXPECT_EQ(heard, (QStringList{QStringLiteral("scale 1.5"), QStringLiteral("style"), QStringLiteral("scale 2"),
                                  QStringLiteral("style")}));
    EXPECT_DOUBLE_EQ(app->styleScale(), 2.0);
}

TEST_F(ApplyStyleTest, NullStyleIsIgnored)
{
    QStyle* before = QApplication::style();
    StyleManager::applyStyle(nullptr);
    StyleManager::applyStyle(nullptr, 2.0);
    EXPECT_EQ(QApplication::style(), before);
}

TEST(CreateStyle, NamesChooseTheClass)
{
    const struct {
        const char* name;
        const char* objectName;
        const char* folder;
    } cases[] = {
        {"NuvraStyle", "NuvraStyle", ":/Styles/NuvraStyle/"},
        {"DarkStyle", "DarkStyle", ":/Styles/DarkStyle/"},
        {"MidStyle", "MidStyle", ":/Styles/MidStyle/"},
        {"darkstyle", "NuvraStyle", ":/Styles/NuvraStyle/"},
        {"", "NuvraStyle", ":/Styles/NuvraStyle/"},
        {"Fusion", "NuvraStyle", ":/Styles/NuvraStyle/"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<QStyle> style(StyleManager::createStyle(QString::fromLatin1(c.name)));
        ASSERT_NE(qobject_cast<NuvraStyle*>(style.get()), nullptr) << c.name;
        EXPECT_EQ(style->objectName(), QLatin1String(c.objectName)) << c.name;
        EXPECT_EQ(style->property("ResourcePath").toString(), QLatin1String(c.folder)) << c.name;
        EXPECT_EQ(style->parent(), nullptr);
    }
}
