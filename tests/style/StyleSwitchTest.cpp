#include "StyleTestSupport.h"

#include "style/NuvraDropShadow.h"
#include "style/StyleManager.h"

#include <QApplication>
#include <QDockWidget>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Readable fonts in test failures.
static void PrintTo(const QFont& f, std::ostream* os)
{
    *os << f.toString().toStdString();
}

using namespace Nuvra::Style;

// A style applied after another leaves the application and its widgets as
// the style applied alone does: nothing of the first style's scale or font
// stays behind.

namespace {

// Tabs, a table header, a tool button and a dock title in a shown window.
struct Sample {
    std::unique_ptr<QMainWindow> window{new QMainWindow};
    QTabBar* tabs = nullptr;
    QHeaderView* header = nullptr;
    QToolButton* tool = nullptr;
    QDockWidget* dock = nullptr;

    Sample()
    {
        auto* central = new QWidget;
        auto* layout = new QVBoxLayout(central);
        auto* tabWidget = new QTabWidget;
        tabWidget->addTab(new QLabel(QStringLiteral("First page")), QStringLiteral("First"));
        tabWidget->addTab(new QLabel(QStringLiteral("Second")), QStringLiteral("Second"));
        tabs = tabWidget->tabBar();
        auto* table = new QTableWidget(2, 3);
        table->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Kind")});
        header = table->horizontalHeader();
        tool = new QToolButton;
        tool->setText(QStringLiteral("Plain"));
        tool->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        layout->addWidget(tabWidget);
        layout->addWidget(table);
        layout->addWidget(tool);
        window->setCentralWidget(central);
        dock = new QDockWidget(QStringLiteral("Dock"));
        dock->setWidget(new QLabel(QStringLiteral("Docked")));
        window->addDockWidget(Qt::LeftDockWidgetArea, dock);
        window->show();
        QApplication::processEvents();
    }
};

// What a style leaves behind, for one window that lived through the switch
// and one made after it.
struct Look {
    QFont font;
    QPalette palette;
    std::vector<std::pair<std::string, QFont>> widgetFonts;
    QImage after;
};

void addFonts(Look& look, const Sample& s, const std::string& window)
{
    look.widgetFonts.emplace_back(window + " tabs", s.tabs->font());
    look.widgetFonts.emplace_back(window + " header", s.header->font());
    look.widgetFonts.emplace_back(window + " tool button", s.tool->font());
    look.widgetFonts.emplace_back(window + " dock title", s.dock->font());
}

// The application as it starts: Qt's own style, a desktop font sized in
// points (a default QFont would copy whatever the application has now),
// nothing scaled.
void freshState()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    QFont desktop = Nuvra::GUI::getRobotoFont();
    desktop.setPointSize(9);
    QApplication::setFont(desktop);
    qApp->setProperty("FontSizeScaled", QVariant());
}

void apply(const QString& name, double scale)
{
    StyleManager::applyStyle(StyleManager::createStyle(name), scale);
}

// From a fresh state, with a window shown throughout: the styles applied in
// turn, each at its scale.
Look lookAfter(const std::vector<std::pair<QString, double>>& steps)
{
    freshState();
    Look look;
    {
        Sample through;
        for (const auto& step : steps)
            apply(step.first, step.second);
        QApplication::processEvents();
        addFonts(look, through, "shown");
    }
    Sample made;
    addFonts(look, made, "new");
    look.after = made.window->grab().toImage();
    look.font = QApplication::font();
    look.palette = QApplication::palette();
    return look;
}

void expectSame(const Look& alone, const Look& switched)
{
    EXPECT_EQ(switched.font, alone.font);
    EXPECT_TRUE(switched.palette == alone.palette) << "the application palette differs";
    ASSERT_EQ(switched.widgetFonts.size(), alone.widgetFonts.size());
    for (size_t i = 0; i < alone.widgetFonts.size(); ++i)
        EXPECT_EQ(switched.widgetFonts[i].second, alone.widgetFonts[i].second) << alone.widgetFonts[i].first;
    EXPECT_TRUE(switched.after == alone.after) << "the window made after the switch paints differently";
}

const char* const kFamily[] = {"NuvraStyle", "MidStyle", "DarkStyle", "ModernStyle", "ModernGray"};
const QString kLegacy = QStringLiteral("NuvraOldStyle");

std::string describe(const std::vector<std::pair<QString, double>>& steps)
{
    std::string out;
    for (const auto& step : steps)
        out += (out.empty() ? "" : ", then ") + step.first.toStdString() + " at " + std::to_string(step.second);
    return out;
}

class StyleSwitchTest : public ::testing::Test {
protected:
    void TearDown() override { freshState(); }

    // Every style in turn, then the last one alone from a fresh state.
    void expectAsLastAlone(const std::vector<std::pair<QString, double>>& steps)
    {
        SCOPED_TRACE(describe(steps));
        expectSame(lookAfter({steps.back()}), lookAfter(steps));
    }

    InjectedScreen screen{3840, 2160, 96};
    // The family paints rounded tabs with its own frame, and says so.
    ExpectedWarnings rounded{{QStringLiteral("QTabBar::Rounded is not supported")}};
};

TEST_F(StyleSwitchTest, LegacyStyleAndEachFamilyStyleInEitherOrderLeaveWhatTheSecondAloneLeaves)
{
    // Scales of the first and the second style: every scale the application
    // offers for both, and the far ends of the range one after the other.
    const struct {
        double first, second;
    } scales[] = {
        {1.0, 1.0}, {1.25, 1.25}, {1.5, 1.5}, {1.75, 1.75}, {2.0, 2.0}, {2.5, 2.5},
        {3.0, 3.0}, {3.0, 1.0},   {1.0, 3.0}, {3.0, 2.5},   {2.5, 3.0},
    };
    for (const char* name : kFamily) {
        const QString member = QString::fromLatin1(name);
        for (const auto& s : scales) {
            expectAsLastAlone({{member, s.first}, {kLegacy, s.second}});
            expectAsLastAlone({{kLegacy, s.first}, {member, s.second}});
        }
    }
}

TEST_F(StyleSwitchTest, BackAndForthEndsAsTheLastStyleAlone)
{
    for (const char* name : kFamily) {
        const QString member = QString::fromLatin1(name);
        expectAsLastAlone({{member, 3.0}, {kLegacy, 1.0}, {member, 2.5}});
        expectAsLastAlone({{kLegacy, 2.5}, {member, 3.0}, {kLegacy, 1.0}});
    }
}

} // namespace
