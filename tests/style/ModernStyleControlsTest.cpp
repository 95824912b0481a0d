#include "ModernStyleFixture.h"
#include "StyleTestSupport.h"

#include "style/ModernStyle.h"
#include "style/Palette.h"
#include "style/StyleManager.h"
#include "style/StyleOptions.h"
#include "style/StyleProperties.h"

#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QFrame>
#include <QHeaderView>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOption>
#include <QTabBar>

#include <gtest/gtest.h>

#include <functional>

using namespace Nuvra::Style;

namespace {

QImage paint(const std::function<void(QPainter*)>& call, QSize size = QSize(120, 40))
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setFont(QFont(QStringLiteral("Sans"), 10));
    call(&p);
    return image;
}

QPalette testPalette()
{
    QPalette pal;
    pal.setColor(QPalette::Midlight, QColor(200, 60, 60));
    pal.setColor(QPalette::Window, QColor(60, 200, 60));
    pal.setColor(QPalette::Light, QColor(250, 250, 250));
    pal.setColor(QPalette::Dark, QColor(10, 10, 10));
    pal.setColor(QPalette::ButtonText, Qt::black);
    pal.setColor(QPalette::Text, Qt::black);
    return pal;
}

// The columns holding any pixel of the colour, left to right.
std::pair<int, int> inkColumns(const QImage& image, const std::function<bool(QColor)>& ink)
{
    int first = -1;
    int last = -1;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (ink(image.pixelColor(x, y))) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

using ModernControlsTest = ModernStyleFixture;

} // namespace

TEST_F(ModernControlsTest, FakeDisabledIsDrawnEnabledAndTheOptionStaysAsGiven)
{
    QPushButton button(QStringLiteral("Go"));
    button.setEnabled(false);
    StyleManager::SetFakeDisabled(&button, 1, false);
    ASSERT_TRUE(StyleManager::GetFakeDisabledState(&button, false));
    QStyleOptionButton opt;
    opt.rect = QRect(0, 0, 120, 40);
    opt.text = QStringLiteral("Go");
    opt.palette = testPalette();
    opt.palette.setColor(QPalette::Disabled, QPalette::ButtonText, Qt::red);
    opt.palette.setCurrentColorGroup(QPalette::Disabled);
    opt.state = QStyle::State_None;
    const QImage fake = paint([&](QPainter* p) { style->drawControl(QStyle::CE_PushButtonLabel, &opt, p, &button); });
    EXPECT_EQ(opt.state, QStyle::State_None);
    EXPECT_EQ(opt.palette.currentColorGroup(), QPalette::Disabled);
    QStyleOptionButton enabled(opt);
    enabled.state = QStyle::State_Enabled;
    enabled.palette.setCurrentColorGroup(QPalette::Active);
    QPushButton plain(QStringLiteral("Go"));
    EXPECT_EQ(fake, paint([&](QPainter* p) { style->drawControl(QStyle::CE_PushButtonLabel, &enabled, p, &plain); }));
}

TEST_F(ModernControlsTest, SelectedTabShowsTheBarsCurrentTabText)
{
    QTabBar bar;
    bar.addTab(QStringLiteral("Alpha"));
    bar.addTab(QStringLiteral("Beta"));
    bar.setCurrentIndex(0);
    QStyleOptionTab tab;
    tab.rect = QRect(0, 0, 120, 30);
    tab.shape = QTabBar::RoundedNorth;
    tab.state = QStyle::State_Enabled | QStyle::State_Selected;
    tab.palette = testPalette();
    tab.text = QStringLiteral("Beta");
    const QImage onBar = paint([&](QPainter* p) { style->drawControl(QStyle::CE_TabBarTab, &tab, p, &bar); });
    QWidget other;
    const QImage ownText = paint([&](QPainter* p) { style->drawControl(QStyle::CE_TabBarTab, &tab, p, &other); });
    EXPECT_NE(onBar, ownText);
    tab.text = QStringLiteral("Alpha");
    EXPECT_EQ(onBar, paint([&](QPainter* p) { style->drawControl(QStyle::CE_TabBarTab, &tab, p, &other); }));
    EXPECT_EQ(tab.text, QStringLiteral("Alpha"));
}

TEST_F(ModernControlsTest, ComboLabelAlignment)
{
    QComboBox centred;
    QComboBox left;
    left.setProperty("leftTextAlign", true);
    QStyleOptionComboBox combo;
    combo.rect = QRect(0, 0, 120, 25);
    combo.currentText = QStringLiteral("ab");
    combo.palette = testPalette();
    combo.state = QStyle::State_Enabled;
    const QRect field = style->subControlRect(QStyle::CC_ComboBox, &combo, QStyle::SC_ComboBoxEditField, &left);
    const auto ink = [](QColor c) { return c.alpha() > 100; };
    QImage image = paint([&](QPainter* p) {
        p->setPen(Qt::black);
        style->drawControl(QStyle::CE_ComboBoxLabel, &combo, p, &left);
    });
    const auto leftInk = inkColumns(image, ink);
    EXPECT_GE(leftInk.first, field.left() + 5);
    EXPECT_LE(leftInk.first, field.left() + 8);
    image = paint([&](QPainter* p) {
        p->setPen(Qt::black);
        style->drawControl(QStyle::CE_ComboBoxLabel, &combo, p, &centred);
    });
    const auto centredInk = inkColumns(image, ink);
    const int middle = (centredInk.first + centredInk.second) / 2;
    EXPECT_NEAR(middle, field.center().x() + 1, 2);
    // A field narrower than 9 pixels shows no text.
    combo.rect = QRect(0, 0, 26, 25);
    ASSERT_LT(style->subControlRect(QStyle::CC_ComboBox, &combo, QStyle::SC_ComboBoxEditField, &left).width(), 9);
    image = paint([&](QPainter* p) {
        p->setPen(Qt::black);
        style->drawControl(QStyle::CE_ComboBoxLabel, &combo, p, &left);
    });
    EXPECT_EQ(inkColumns(image, ink).first, -1);
}

TEST_F(ModernControlsTest, HeaderSectionFrames)
{
    QWidget plainParent;
    QHeaderView plain(Qt::Horizontal, &plainParent);
    QWidget bareParent;
    bareParent.setProperty("noDownBorder", true);
    QHeaderView bare(Qt::Horizontal, &bareParent);
    QStyleOptionHeader header;
    header.rect = QRect(10, 5, 50, 20);
    header.orientation = Qt::Horizontal;
    header.position = QStyleOptionHeader::Middle;
    const QColor border = ext(Skin::WindowBorder);
    QImage image = paint([&](QPainter* p) { style->drawControl(QStyle::CE_HeaderSection, &header, p, &plain); });
    // Two pixels of frame along the top.
    EXPECT_EQ(image.pixelColor(30, 5), border);
    EXPECT_EQ(image.pixelColor(30, 6), border);
    image = paint([&](QPainter* p) { style->drawControl(QStyle::CE_HeaderSection, &header, p, &bare); });
    EXPECT_NE(image.pixelColor(30, 5), border);
    EXPECT_EQ(image.pixelColor(30, 24), border); // the last row
    EXPECT_EQ(image.pixelColor(59, 15), border); // the right line
}

TEST_F(ModernControlsTest, MenuSeparatorLineAfterItsCaption)
{
    QStyleOptionMenuItem item;
    item.menuItemType = QStyleOptionMenuItem::Separator;
    item.rect = QRect(0, 0, 120, 20);
    item.text = QStringLiteral("Tools");
    item.palette = testPalette();
    item.state = QStyle::State_Enabled;
    const QColor line = ext(Skin::MenuAndComboboxSplittersColor);
    const int caption = item.fontMetrics.horizontalAdvance(item.text) + 5;
    const auto lineColumns = [&](const QImage& image) {
        return inkColumns(image.copy(0, 9, 120, 1), [&](QColor c) { return c == line; });
    };
    QImage image = paint([&](QPainter* p) { style->drawControl(QStyle::CE_MenuItem, &item, p); });
    EXPECT_EQ(lineColumns(image).first, 5 + caption);
    item.direction = Qt::RightToLeft;
    image = paint([&](QPainter* p) { style->drawControl(QStyle::CE_MenuItem, &item, p); });
    EXPECT_EQ(lineColumns(image).first, 5);
    EXPECT_EQ(lineColumns(image).second, 119 - 5 + 2 - caption);
}

TEST_F(ModernControlsTest, ShapedLinesHideOnlyWhenPlain)
{
    QWidget hidden;
    hidden.setProperty("needToHide", true);
    QStyleOptionFrame frame;
    frame.rect = QRect(0, 0, 120, 10);
    frame.frameShape = QFrame::HLine;
    frame.lineWidth = 1;
    frame.palette = testPalette();
    frame.state = QStyle::State_Enabled;
    const QImage blank = paint([](QPainter*) {});
    EXPECT_EQ(paint([&](QPainter* p) { style->drawControl(QStyle::CE_ShapedFrame, &frame, p, &hidden); }), blank);
    frame.state |= QStyle::State_Sunken;
    EXPECT_NE(paint([&](QPainter* p) { style->drawControl(QStyle::CE_ShapedFrame, &frame, p, &hidden); }), blank);
    // Plain and shown: a Midlight line through the middle.
    frame.state = QStyle::State_Enabled;
    QWidget shown;
    const QImage line = paint([&](QPainter* p) { style->drawControl(QStyle::CE_ShapedFrame, &frame, p, &shown); });
    EXPECT_EQ(line.pixelColor(60, 5), QColor(200, 60, 60));
}

TEST_F(ModernControlsTest, ListScrollBarSliderIsNarrower)
{
    QListWidget list;
    QScrollBar loose;
    QStyleOptionSlider bar;
    bar.orientation = Qt::Vertical;
    bar.rect = QRect(0, 0, 12, 40);
    bar.state = QStyle::State_Enabled;
    bar.palette = testPalette();
    const auto width = [&](const QWidget* w) {
        const QImage image = paint([&](QPainter* p) { style->drawControl(QStyle::CE_ScrollBarSlider, &bar, p, w); });
        const auto cols = inkColumns(image.copy(0, 20, 20, 1), [](QColor c) { return c.alpha() > 0; });
        return cols.second - cols.first + 1;
    };
    // 4 and 6 wide, and half a pixel of antialiased pen on either side.
    EXPECT_EQ(width(list.verticalScrollBar()), 6);
    EXPECT_EQ(width(&loose), 8);
}

TEST_F(ModernControlsTest, PanelWithHandleLeavesTheCallersOptionAlone)
{
    QWidget panel;
    panel.resize(100, 40);
    StyleOptionHandlePanel opt;
    opt.handle = true;
    opt.rect = QRect(0, 0, 100, 40);
    opt.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    const QImage image =
        paint([&](QPainter* p) { style->drawControl(CE_HandlePanel, &opt, p, &panel); },
              QSize(100, 40));
    EXPECT_EQ(opt.rect, QRect(0, 0, 100, 40));
    // The handle's line runs down its right edge.
    const QRect handle = style->subElementRect(QStyle::SE_ToolBarHandle, &opt, &panel);
    EXPECT_EQ(image.pixelColor(handle.right(), handle.center().y()),
              Skin::getColor(Skin::ActiveTabHeaderColor, Qt::black));
}

TEST_F(ModernControlsTest, PageTabOutlineBySelectionAndHover)
{
    QWidget owner;
    owner.setPalette(testPalette());
    StyleOptionPageTab tab;
    tab.rect = QRect(0, 0, 60, 24);
    tab.palette = testPalette();
    const QColor line = ext(Skin::TabLineHighlight);
    const auto draw = [&] { return paint([&](QPainter* p) { style->drawControl(CE_PageTabButton, &tab, p, &owner); }, QSize(60, 24)); };
    // Plain: the baseline only.
    QImage image = draw();
    EXPECT_EQ(image.pixelColor(30, 23), line);
    EXPECT_EQ(image.pixelColor(30, 0), QColor(60, 200, 60));
    // Hovered: a dashed grey outline as well.
    tab.hovered = true;
    const QImage hovered = draw();
    EXPECT_NE(hovered.copy(0, 0, 4, 20), image.copy(0, 0, 4, 20));
    // Selected: the rounded outline along the top.
    tab.hovered = false;
    tab.selected = true;
    image = draw();
    EXPECT_EQ(image.pixelColor(30, 0).red(), line.red());
}

TEST_F(ModernControlsTest, RightToLeftMenuShowsItsShortcutWhole)
{
    // Red text on the menu: the shortcut is the ink nearest the menu's
    // leading edge, the left when the menu reads right to left.
    const auto isRed = [](QColor c) { return c.red() > 150 && c.green() < 90 && c.blue() < 90; };
    const auto shortcutInk = [&](Qt::LayoutDirection direction) {
        // The whole application right to left: painters then align text
        // to the right as well.
        QApplication::setLayoutDirection(direction);
        QMenu menu;
        QPalette pal = menu.palette();
        pal.setColor(QPalette::ButtonText, Qt::red);
        menu.setPalette(pal);
        menu.addAction(QStringLiteral("Open\tCtrl+O"));
        menu.ensurePolished();
        menu.adjustSize();
        const QImage image = menu.grab().toImage();
        QApplication::setLayoutDirection(Qt::LeftToRight);
        const auto ink = inkColumns(image, isRed);
        // The run of ink from the shortcut's side up to the first wide gap.
        const bool rtl = direction == Qt::RightToLeft;
        const int edge = rtl ? ink.first : ink.second;
        int gap = 0;
        int far = edge;
        for (int x = edge; gap < 8 && x >= ink.first && x <= ink.second; x += rtl ? 1 : -1) {
            bool any = false;
            for (int y = 0; y < image.height() && !any; ++y)
                any = isRed(image.pixelColor(x, y));
            gap = any ? 0 : gap + 1;
            if (any)
                far = x;
        }
        return std::abs(far - edge) + 1;
    };
    const int ltr = shortcutInk(Qt::LeftToRight);
    EXPECT_GT(ltr, 20);
    EXPECT_NEAR(shortcutInk(Qt::RightToLeft), ltr, 1);
}

namespace {

using FlatStyleTest = AppliedStyleTest<ModernStyle>;

} // namespace

TEST_F(FlatStyleTest, HoveredDockTitleButtonsShowTheirGlyphs)
{
    for (const char* name : {"ModernStyle", "ModernGray"}) {
        applyStyle(name, 1);
        const QColor fill = style->extendedPalette()->getColor(Skin::ToolButtonHighlight, Qt::black);
        QDockWidget dock(QStringLiteral("Dock"));
        dock.setWidget(new QWidget);
        dock.show();
        const QList<QAbstractButton*> buttons = dock.findChildren<QAbstractButton*>();
        ASSERT_EQ(buttons.size(), 2) << name; // float and close
        for (QAbstractButton* button : buttons) {
            button->setAttribute(Qt::WA_UnderMouse, true);
            const QImage image = button->grab().toImage();
            // The hover fill shows, and the glyph on it stands out.
            double best = 0;
            bool filled = false;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    filled = filled || c == fill;
                    best = std::max(best, contrast(c, fill));
                }
            EXPECT_TRUE(filled) << name;
            EXPECT_GE(best, 3.0) << name;
        }
    }
}
