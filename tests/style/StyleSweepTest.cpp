#include "StyleTestSupport.h"

#include "style/NuvraStyle.h"
#include "style/StyleManager.h"
#include "style/ComplexStyleOptions.h"
#include "style/StyleOptions.h"
#include "style/StyleProperties.h"
#include "style/docking/MainWindowItem.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QTabWidget>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOption>
#include <QTabBar>
#include <QToolButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

using namespace Nuvra::Style;

// Every id the styles answer, with every kind of option (none, a plain one,
// the right class and the wrong ones) and with and without a widget: nothing
// crashes, no Qt warning comes, the painter and the option come back as
// they were given.

namespace {

struct OptionSet {
    std::vector<std::shared_ptr<QStyleOption>> owned; // deletes each as its own class
    std::vector<const QStyleOption*> all;

    template <typename T>
    T* add()
    {
        auto made = std::make_shared<T>();
        T* opt = made.get();
        opt->rect = QRect(3, 4, 120, 40);
        opt->state = QStyle::State_Enabled;
        owned.push_back(made);
        all.push_back(opt);
        return opt;
    }

    // With common false, only the null option: a caller adds its own.
    explicit OptionSet(bool common = true)
    {
        all.push_back(nullptr);
        if (!common)
            return;
        add<QStyleOption>();
        add<QStyleOptionComplex>();
        auto* slider = add<QStyleOptionSlider>();
        slider->maximum = 100;
        slider->pageStep = 10;
        slider->tickPosition = QSlider::TicksBothSides;
        slider->tickInterval = 10;
        auto* emptySlider = add<QStyleOptionSlider>();
        emptySlider->minimum = emptySlider->maximum = 5;
        emptySlider->tickPosition = QSlider::TicksBelow;
        add<QStyleOptionSpinBox>();
        add<QStyleOptionComboBox>()->editable = true;
        auto* tab = add<QStyleOptionTab>();
        tab->text = QStringLiteral("Tab");
        tab->leftButtonSize = QSize(8, 8);
        add<QStyleOptionTabV4>();
        add<QStyleOptionButton>()->text = QStringLiteral("Button");
        auto* item = add<QStyleOptionMenuItem>();
        item->text = QStringLiteral("Item\tCtrl+I");
        item->menuItemType = QStyleOptionMenuItem::SubMenu;
        auto* bar = add<QStyleOptionProgressBar>();
        bar->minimum = bar->maximum = 7;
        bar->progress = 7;
        add<QStyleOptionProgressBar>()->maximum = 100;
        auto* group = add<QStyleOptionGroupBox>();
        group->text = QStringLiteral("Group");
        group->subControls = QStyle::SC_GroupBoxCheckBox | QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        add<QStyleOptionTitleBar>();
        add<QStyleOptionHeader>()->text = QStringLiteral("Header");
        add<QStyleOptionToolButton>()->text = QStringLiteral("Tool");
        add<QStyleOptionFrame>()->lineWidth = 1;
        add<QStyleOptionTabWidgetFrame>()->lineWidth = 1;
        add<QStyleOptionToolBar>();
        add<QStyleOptionDockWidget>()->title = QStringLiteral("Dock");
        add<QStyleOptionToolBox>()->text = QStringLiteral("Box");
        add<QStyleOptionViewItem>()->text = QStringLiteral("View");
        add<QStyleOptionRubberBand>();
        add<QStyleOptionSizeGrip>();
        add<StyleOptionFlags>()->flags = 1;
    }
};

struct Snapshot {
    QStyle::State state;
    QRect rect;
    QPalette::ColorGroup group;
    explicit Snapshot(const QStyleOption* opt)
        : state(opt ? opt->state : QStyle::State()),
          rect(opt ? opt->rect : QRect()),
          group(opt ? opt->palette.currentColorGroup() : QPalette::Active)
    {
    }
    bool operator==(const Snapshot& o) const { return state == o.state && rect == o.rect && group == o.group; }
};

class SweepTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        StyleManager::applyStyle(StyleManager::createStyle(QString::fromLatin1(GetParam())), 1.5);
        style = qobject_cast<NuvraStyle*>(QApplication::style());
        ASSERT_NE(style, nullptr);
        widget.resize(200, 100);
        button.resize(120, 40);
    }
    void TearDown() override { QApplication::setStyle(QStringLiteral("Fusion")); }

    std::vector<const QWidget*> widgets() const { return {nullptr, &widget, &button}; }

    // What the flat styles leave on the painter by design, per drawing.
    enum Leak { KeepsNothing = 0, KeepsPen = 1, KeepsBrush = 2, KeepsFont = 4, KeepsClip = 8 };
    int documentedLeaks(const char* what, int id) const
    {
        const int customComplex = QStyle::CC_CustomBase;
        const int customControl = QStyle::CE_CustomBase;
        const QString name = QString::fromLatin1(GetParam());
        if (!name.startsWith(QLatin1String("Modern")))
            return KeepsNothing;
        const QString kind = QString::fromLatin1(what);
        if (kind == QLatin1String("primitive") && id == QStyle::PE_IndicatorToolBarHandle)
            return KeepsPen;
        if (kind == QLatin1String("complex control") && id >= customComplex + 3 && id <= customComplex + 9)
            return KeepsPen | KeepsBrush | (id == customComplex + 6 ? KeepsFont | KeepsClip : 0);
        if (kind == QLatin1String("control") && id == QStyle::CE_ComboBoxLabel)
            return KeepsClip;
        if (kind == QLatin1String("control") && id == customControl + 2)
            return KeepsPen | KeepsBrush;
        return KeepsNothing;
    }

    // Runs one drawing call and checks what it gave back.
    void draw(const QStyleOption* opt, const std::function<void(QPainter*)>& call, const char* what, int id)
    {
        const int leaks = documentedLeaks(what, id);
        QImage image(160, 80, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setPen(QPen(Qt::darkCyan, 2));
        painter.setBrush(Qt::darkMagenta);
        painter.setFont(QFont(QStringLiteral("Sans"), 7));
        painter.setClipRect(QRect(1, 1, 150, 70));
        painter.translate(2, 1);
        const QPen pen = painter.pen();
        const QBrush brush = painter.brush();
        const QFont font = painter.font();
        const QTransform transform = painter.transform();
        const QRegion clip = painter.clipRegion();
        const Snapshot before(opt);
        call(&painter);
        if (!(leaks & KeepsPen)) {
            EXPECT_EQ(painter.pen(), pen) << what << " " << id;
        }
        if (!(leaks & KeepsBrush)) {
            EXPECT_EQ(painter.brush(), brush) << what << " " << id;
        }
        if (!(leaks & KeepsFont)) {
            EXPECT_EQ(painter.font(), font) << what << " " << id;
        }
        EXPECT_EQ(painter.transform(), transform) << what << " " << id;
        if (!(leaks & KeepsClip)) {
            EXPECT_TRUE(painter.hasClipping()) << what << " " << id;
            EXPECT_EQ(painter.clipRegion(), clip) << what << " " << id;
        }
        EXPECT_TRUE(Snapshot(opt) == before) << what << " " << id;
    }

    NuvraStyle* style = nullptr;
    QWidget widget;
    QPushButton button{QStringLiteral("Press")};
    OptionSet options;
};

std::vector<int> ids(int last, int customBase, int customFirst, int customLast, bool onePast = true)
{
    std::vector<int> out;
    for (int i = 0; i <= last; ++i)
        out.push_back(i);
    for (int n = customFirst; n <= customLast; ++n)
        out.push_back(customBase + n);
    if (onePast)
        out.push_back(customBase + customLast + 1); // one past the style's own
    return out;
}

} // namespace

TEST_P(SweepTest, MetricsHintsAndSizes)
{
    for (const QWidget* w : widgets()) {
        for (const QStyleOption* opt : options.all) {
            const Snapshot before(opt);
            for (int m : ids(QStyle::PM_TitleBarButtonSize, QStyle::PM_CustomBase, 1, 25))
                style->pixelMetric(QStyle::PixelMetric(m), opt, w);
            for (int h : ids(QStyle::SH_Widget_Animation_Duration, QStyle::SH_CustomBase, 1, 0)) {
                QStyleHintReturnMask mask;
                style->styleHint(QStyle::StyleHint(h), opt, w, &mask);
                style->styleHint(QStyle::StyleHint(h), opt, w, nullptr);
            }
            for (int ct : ids(QStyle::CT_ItemViewItem, QStyle::CT_CustomBase, 1, 0))
                style->sizeFromContents(QStyle::ContentsType(ct), opt, QSize(30, 12), w);
            for (int se : ids(QStyle::SE_TabBarScrollRightButton, QStyle::SE_CustomBase, 1, 10))
                style->subElementRect(QStyle::SubElement(se), opt, w);
            const auto* complex = qstyleoption_cast<const QStyleOptionComplex*>(opt);
            for (int cc : ids(QStyle::CC_MdiControls, QStyle::CC_CustomBase, 2, 9, false)) {
                for (int bit = 0; bit <= 31; ++bit) {
                    const auto sc = QStyle::SubControl(bit == 31 ? 0 : 1u << bit);
                    style->subControlRect(QStyle::ComplexControl(cc), complex, sc, w);
                }
                style->hitTestComplexControl(QStyle::ComplexControl(cc), complex, QPoint(10, 10), w);
            }
            EXPECT_TRUE(Snapshot(opt) == before);
        }
    }
}

TEST_P(SweepTest, PrimitivesAndItemText)
{
    // NuvraStyle's tab-widget frames of the rounded shapes say they are not its own.
    std::unique_ptr<ExpectedWarnings> rounded;
    if (!QString::fromLatin1(GetParam()).startsWith(QLatin1String("Modern")))
        rounded = std::make_unique<ExpectedWarnings>(
            QStringList{QStringLiteral("QTabBar::Rounded is not supported by NuvraStyle!")});
    for (const QWidget* w : widgets()) {
        for (const QStyleOption* opt : options.all) {
            for (int pe : ids(QStyle::PE_PanelMenu, QStyle::PE_CustomBase, 1, 6))
                draw(opt, [&](QPainter* p) { style->drawPrimitive(QStyle::PrimitiveElement(pe), opt, p, w); },
                     "primitive", pe);
            if (opt)
                draw(opt, [&](QPainter* p) {
                    style->drawItemText(p, opt->rect, Qt::AlignLeft, opt->palette, false, QStringLiteral("Text"),
                                        QPalette::WindowText);
                }, "item text", 0);
        }
    }
    // A null painter draws nothing.
    for (int pe : ids(QStyle::PE_PanelMenu, QStyle::PE_CustomBase, 1, 6))
        style->drawPrimitive(QStyle::PrimitiveElement(pe), options.all[1], nullptr, nullptr);
}

TEST_P(SweepTest, ComplexControls)
{
    // The style's own complex options, beside the common set.
    OptionSet own(false);
    QWidget dockHost;
    QWidget docked(&dockHost);
    Nuvra::GUI::MainWindowItem item(&docked);
    QWidgetItem plainItem(&docked);
    auto* lines = own.add<StyleOptionDockLines>();
    lines->top = {&item, nullptr};
    lines->left = {&plainItem, &item, &item};
    own.add<StyleOptionDockFrame>()->area = Qt::LeftDockWidgetArea;
    auto* header = own.add<StyleOptionPanelHeader>();
    header->headerHeight = 20;
    header->bold = 1;
    header->title = QStringLiteral("Panel");
    own.add<StyleOptionColorPair>()->first = Qt::red;
    own.add<StyleOptionComponentSlider>()->inset = 4;
    auto* icon = own.add<StyleOptionIconButton>();
    icon->icon = style->standardIcon(QStyle::SP_DialogOkButton);
    auto* groove = own.add<StyleOptionSliderGroove>();
    groove->maximum = INT_MAX;
    groove->minimum = INT_MIN;
    groove->tickPosition = QSlider::TicksBothSides;
    groove->tickInterval = 1;
    auto* tickFree = own.add<QStyleOptionSlider>();
    tickFree->maximum = INT_MAX;
    tickFree->tickPosition = QSlider::TicksAbove;
    tickFree->singleStep = 1;
    auto* menuTool = own.add<QStyleOptionToolButton>();
    menuTool->features = QStyleOptionToolButton::HasMenu | QStyleOptionToolButton::MenuButtonPopup;
    menuTool->text = QStringLiteral("Menu");
    menuTool->toolButtonStyle = Qt::ToolButtonTextOnly;

    // Tool buttons of each shape, and the scroll button of a tab bar.
    std::vector<std::unique_ptr<QToolButton>> tools;
    for (const char* shape : {nuvraShapeNone, nuvraShapeTool, nuvraShapeToolBtn, nuvraShapeAbout}) {
        tools.push_back(std::make_unique<QToolButton>());
        tools.back()->setProperty(nuvraShapeProperty, QString::fromLatin1(shape));
    }
    QTabBar tabBar;
    auto* scroll = new QToolButton(&tabBar);
    scroll->setArrowType(Qt::RightArrow);
    // A fake-disabled widget, drawn with disabled options: the style draws
    // it from an enabled copy and leaves the caller's option alone.
    QWidget fake;
    fake.setEnabled(false);
    StyleManager::SetFakeDisabled(&fake, 1, false);
    std::vector<const QWidget*> all = widgets();
    for (const auto& t : tools)
        all.push_back(t.get());
    all.push_back(scroll);
    all.push_back(&fake);

    std::vector<const QStyleOption*> options = this->options.all;
    options.insert(options.end(), own.all.begin() + 1, own.all.end());
    for (const QWidget* w : all) {
        for (const QStyleOption* opt : options) {
            const auto* complex = static_cast<const QStyleOptionComplex*>(opt);
            auto* writable = const_cast<QStyleOptionComplex*>(qstyleoption_cast<const QStyleOptionComplex*>(opt));
            for (int cc : ids(QStyle::CC_MdiControls, QStyle::CC_CustomBase, 2, 9, false)) {
                // Every part shown, each part in turn the active one and hovered.
                for (int bit = -1; bit <= 10; ++bit) {
                    if (writable) {
                        writable->subControls = QStyle::SC_All;
                        writable->activeSubControls = QStyle::SubControls(bit < 0 ? 0 : 1u << bit);
                        const QStyle::State enabled = w == &fake ? QStyle::State_None : QStyle::State_Enabled;
                        writable->state = enabled | (bit < 0 ? QStyle::State_None
                                                             : QStyle::State_MouseOver | QStyle::State_Sunken);
                        writable->palette.setCurrentColorGroup(w == &fake ? QPalette::Disabled : QPalette::Active);
                    } else if (bit >= 0) {
                        break;
                    }
                    draw(opt, [&](QPainter* p) {
                        style->drawComplexControl(QStyle::ComplexControl(cc), complex, p, w);
                    }, "complex control", cc);
                }
            }
        }
    }
    // A null painter draws nothing.
    for (int cc : ids(QStyle::CC_MdiControls, QStyle::CC_CustomBase, 2, 9, false))
        style->drawComplexControl(QStyle::ComplexControl(cc), own.all.back() ? static_cast<const QStyleOptionComplex*>(own.all.back()) : nullptr, nullptr, nullptr);
}

namespace {

// Options of every control element in the shapes that take different
// roads: each tab shape, bar orientation and direction, tool-bar area and
// line position, menu-item kind, frame shape, and the style's own options.
struct ControlOptions : OptionSet {
    explicit ControlOptions(const QStyle* style) : OptionSet(false)
    {
        const QIcon icon = style->standardIcon(QStyle::SP_DialogOkButton);
        for (int shape = QTabBar::RoundedNorth; shape <= QTabBar::TriangularEast; ++shape) {
            auto* tab = add<QStyleOptionTab>();
            tab->shape = QTabBar::Shape(shape);
            tab->text = QStringLiteral("&Tab");
            tab->icon = icon;
            tab->iconSize = QSize(16, 16);
            tab->position = shape % 2 ? QStyleOptionTab::Beginning : QStyleOptionTab::OnlyOneTab;
        }
        struct Bar { int minimum, maximum, progress; Qt::Orientation orientation; bool inverted, bottomToTop; };
        for (const Bar& b : {Bar{0, 0, 0, Qt::Horizontal, false, false}, Bar{0, 0, -1, Qt::Vertical, true, false},
                             Bar{0, 100, 40, Qt::Vertical, false, true}, Bar{0, 100, 40, Qt::Horizontal, true, false},
                             Bar{INT_MIN, INT_MAX, INT_MAX, Qt::Horizontal, false, false},
                             Bar{INT_MAX, INT_MAX, INT_MAX, Qt::Vertical, true, true},
                             Bar{10, 5, 7, Qt::Horizontal, false, false}, Bar{0, 100, 250, Qt::Horizontal, false, false},
                             Bar{0, 100, -50, Qt::Horizontal, true, false}}) {
            auto* bar = add<QStyleOptionProgressBar>();
            bar->minimum = b.minimum;
            bar->maximum = b.maximum;
            bar->progress = b.progress;
            bar->orientation = b.orientation;
            bar->invertedAppearance = b.inverted;
            bar->bottomToTop = b.bottomToTop;
            bar->text = QStringLiteral("40%");
        }
        for (Qt::Orientation o : {Qt::Horizontal, Qt::Vertical}) {
            auto* bar = add<QStyleOptionSlider>();
            bar->orientation = o;
            bar->maximum = 10;
            auto* header = add<QStyleOptionHeader>();
            header->orientation = o;
            header->position = QStyleOptionHeader::Middle;
        }
        for (Qt::ToolBarArea area : {Qt::LeftToolBarArea, Qt::RightToolBarArea, Qt::TopToolBarArea,
                                     Qt::BottomToolBarArea, Qt::NoToolBarArea}) {
            for (auto pos : {QStyleOptionToolBar::Beginning, QStyleOptionToolBar::Middle, QStyleOptionToolBar::End,
                             QStyleOptionToolBar::OnlyOne}) {
                auto* bar = add<QStyleOptionToolBar>();
                bar->toolBarArea = area;
                bar->positionOfLine = pos;
                bar->lineWidth = 1;
            }
        }
        for (auto type : {QStyleOptionMenuItem::Separator, QStyleOptionMenuItem::DefaultItem,
                          QStyleOptionMenuItem::Normal}) {
            for (auto check : {QStyleOptionMenuItem::NotCheckable, QStyleOptionMenuItem::Exclusive,
                               QStyleOptionMenuItem::NonExclusive}) {
                auto* item = add<QStyleOptionMenuItem>();
                item->menuItemType = type;
                item->checkType = check;
                item->checked = true;
                item->text = QStringLiteral("&Open\tCtrl+O\tmore");
                item->maxIconWidth = 20;
                item->tabWidth = 30;
                if (check == QStyleOptionMenuItem::NonExclusive)
                    item->icon = icon;
            }
        }
        for (int shape : {QFrame::Box, QFrame::Panel, QFrame::WinPanel, QFrame::HLine, QFrame::VLine,
                          QFrame::StyledPanel, QFrame::NoFrame}) {
            auto* frame = add<QStyleOptionFrame>();
            frame->frameShape = QFrame::Shape(shape);
            frame->lineWidth = 1;
            frame->midLineWidth = 1;
        }
        auto* combo = add<QStyleOptionComboBox>();
        combo->currentText = QStringLiteral("Combo");
        combo->currentIcon = icon;
        combo->iconSize = QSize(16, 16);
        auto* view = add<QStyleOptionViewItem>();
        view->icon = icon;
        view->features = QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay;
        view->text = QStringLiteral("Item");
        auto* button = add<QStyleOptionButton>();
        button->features = QStyleOptionButton::Flat | QStyleOptionButton::HasMenu;
        button->icon = icon;
        button->iconSize = QSize(16, 16);
        button->text = QStringLiteral("Wrapped text of a button");
        add<StyleOptionHandlePanel>()->handle = true;
        for (bool square : {false, true}) {
            auto* swatch = add<StyleOptionSwatch>();
            swatch->swatchRect = QRect(5, 5, 40, 30);
            swatch->square = square;
            swatch->selected = true;
            swatch->framePen = QPen(Qt::black, 1, Qt::DashLine);
            auto* coloured = add<StyleOptionSwatch>();
            coloured->swatchRect = QRect(5, 5, 40, 30);
            coloured->square = square;
            coloured->hasColour = true;
            coloured->colour = Qt::red;
        }
        for (bool selected : {false, true}) {
            auto* page = add<StyleOptionPageTab>();
            page->selected = selected;
            page->hovered = true;
            page->label = QStringLiteral("Page");
        }
    }
};

} // namespace

TEST_P(SweepTest, ControlElements)
{
    // Widgets that choose a look: shapes, a tab bar in a tab widget, a menu
    // bar of a main window, a fake-disabled one, an unscaled one.
    QTabWidget tabs;
    auto* bar = tabs.findChild<QTabBar*>();
    ASSERT_NE(bar, nullptr);
    tabs.addTab(new QWidget, QStringLiteral("One"));
    tabs.addTab(new QWidget, QStringLiteral("Two"));
    tabs.setContentsMargins(2, 3, 4, 5);
    tabs.setProperty(activeTabColorProperty, QStringLiteral("not a colour"));
    QMainWindow window;
    QMenuBar* menuBar = window.menuBar();
    QWidget fake;
    fake.setEnabled(false);
    QWidget unscaled;
    unscaled.setProperty(ignoreScaleProperty, true);
    std::vector<std::unique_ptr<QWidget>> shaped;
    for (const char* shape : {nuvraWrapText, nuvraShapeTool, nuvraIconMenu, nuvraShapeScrollMini,
                              nuvraShapeScrollMidi, nuvraShapeScrollOver, nuvraShapeTopBar, nuvraShapeToolBar,
                              nuvraShapeBorderNone, nuvraShapeBorderOver}) {
        shaped.push_back(std::make_unique<QWidget>());
        shaped.back()->setProperty(nuvraShapeProperty, QString::fromLatin1(shape));
        shaped.back()->setProperty(activeTabColorProperty, QColor(Qt::green));
    }
    std::vector<const QWidget*> all = widgets();
    for (const QWidget* w : {static_cast<const QWidget*>(bar), static_cast<const QWidget*>(menuBar),
                             static_cast<const QWidget*>(&fake), static_cast<const QWidget*>(&unscaled)})
        all.push_back(w);
    for (const auto& w : shaped)
        all.push_back(w.get());

    const QStyle::State states[] = {
        QStyle::State_None,
        QStyle::State_Enabled,
        QStyle::State_Enabled | QStyle::State_MouseOver,
        QStyle::State_Enabled | QStyle::State_MouseOver | QStyle::State_Sunken,
        QStyle::State_Enabled | QStyle::State_Selected | QStyle::State_HasFocus,
        QStyle::State_Enabled | QStyle::State_On | QStyle::State_Horizontal | QStyle::State_MouseOver,
        QStyle::State_Raised | QStyle::State_Horizontal,
    };
    for (double scale : {1.0, 1.5, 2.0}) {
        StyleManager::applyStyle(StyleManager::createStyle(QString::fromLatin1(GetParam())), scale);
        style = qobject_cast<NuvraStyle*>(QApplication::style());
        ASSERT_NE(style, nullptr);
        // Applying a style ends every fake-disabled state.
        StyleManager::SetFakeDisabled(&fake, 1, false);
        ASSERT_TRUE(StyleManager::GetFakeDisabledState(&fake, false));
        ControlOptions own(style);
        std::vector<const QStyleOption*> options = this->options.all;
        options.insert(options.end(), own.all.begin() + 1, own.all.end());
        // Every state with the plain widgets at the middle scale; the widgets
        // that choose a look, and the other scales, hovered and enabled.
        const std::vector<QStyle::State> allStates(std::begin(states), std::end(states));
        const std::vector<QStyle::State> hovered{QStyle::State_Enabled | QStyle::State_MouseOver};
        // The fake-disabled widget with the disabled options it is given.
        const std::vector<QStyle::State> disabled{QStyle::State_None,
                                                  QStyle::State_MouseOver | QStyle::State_Sunken | QStyle::State_On};
        for (size_t i = 0; i < all.size(); ++i) {
            const QWidget* w = all[i];
            const bool plainWidget = i < widgets().size();
            if (scale != 1.5 && i > 1)
                break;
            const std::vector<QStyle::State>& stateSet =
                w == &fake ? disabled : scale == 1.5 && plainWidget ? allStates : hovered;
            for (const QStyleOption* opt : options) {
                auto* writable = const_cast<QStyleOption*>(opt);
                const QStyle::State kept = opt ? opt->state : QStyle::State_None;
                const QPalette::ColorGroup keptGroup = opt ? opt->palette.currentColorGroup() : QPalette::Active;
                for (size_t s = 0; s < (opt ? stateSet.size() : 1); ++s) {
                    if (writable) {
                        writable->state = stateSet[s];
                        if (w == &fake)
                            writable->palette.setCurrentColorGroup(QPalette::Disabled);
                    }
                    for (int ce : ids(QStyle::CE_ShapedFrame, QStyle::CE_CustomBase, 1, 4))
                        draw(opt, [&](QPainter* p) { style->drawControl(QStyle::ControlElement(ce), opt, p, w); },
                             "control", ce);
                }
                if (writable) {
                    writable->state = kept;
                    writable->palette.setCurrentColorGroup(keptGroup);
                }
            }
        }
    }
    // A null painter draws nothing.
    for (int ce : ids(QStyle::CE_ShapedFrame, QStyle::CE_CustomBase, 1, 4))
        style->drawControl(QStyle::ControlElement(ce), options.all[1], nullptr, nullptr);
}

TEST_P(SweepTest, GeometryInvariants)
{
    // The parts of a control lie inside its rectangle (or are empty), and a
    // scroll bar's or slider's handle never moves back as the value grows,
    // over degenerate sizes, full-int ranges and odd page steps.
    QScrollBar barWidget;
    const auto inside = [](const QRect& part, const QRect& whole) { return part.isEmpty() || whole.contains(part); };
    const QRect rects[] = {QRect(0, 0, 200, 12), QRect(3, 4, 12, 200), QRect(0, 0, 5, 5), QRect(0, 0, 0, 0),
                           QRect(0, 0, 1000, 40)};
    struct Range {
        int minimum, maximum;
    };
    const Range ranges[] = {{0, 0}, {0, 100}, {-50, 50}, {INT_MIN, INT_MAX}, {0, 1 << 30}};
    for (double scale : {1.0, 2.0}) {
        StyleManager::applyStyle(StyleManager::createStyle(QString::fromLatin1(GetParam())), scale);
        style = qobject_cast<NuvraStyle*>(QApplication::style());
        ASSERT_NE(style, nullptr);
        for (const QRect& rect : rects) {
            for (const Range& range : ranges) {
                for (int pageStep : {-10, 0, 1, 10, INT_MAX}) {
                    for (Qt::Orientation o : {Qt::Horizontal, Qt::Vertical}) {
                        QStyleOptionSlider opt;
                        opt.rect = rect;
                        opt.orientation = o;
                        opt.minimum = range.minimum;
                        opt.maximum = range.maximum;
                        opt.pageStep = pageStep;
                        opt.state = QStyle::State_Enabled | (o == Qt::Horizontal ? QStyle::State_Horizontal
                                                                                 : QStyle::State_None);
                        opt.subControls = QStyle::SC_All;
                        int lastBar = INT_MIN;
                        int lastSlider = INT_MIN;
                        const std::int64_t span = std::int64_t(range.maximum) - range.minimum;
                        for (int step = 0; step <= 4; ++step) {
                            const int value = static_cast<int>(range.minimum + span * step / 4);
                            opt.sliderPosition = opt.sliderValue = value;
                            SCOPED_TRACE(testing::Message() << "scale " << scale << " rect " << rect.width() << "x"
                                                            << rect.height() << " range " << range.minimum << ".."
                                                            << range.maximum << " page " << pageStep << " value "
                                                            << value << " orientation " << o);
                            for (QStyle::SubControl sc : {QStyle::SC_ScrollBarSlider, QStyle::SC_ScrollBarGroove,
                                                          QStyle::SC_ScrollBarAddPage, QStyle::SC_ScrollBarSubPage,
                                                          QStyle::SC_ScrollBarAddLine, QStyle::SC_ScrollBarSubLine})
                                EXPECT_TRUE(inside(style->subControlRect(QStyle::CC_ScrollBar, &opt, sc, &barWidget), rect))
                                    << "scroll bar part " << sc;
                            for (QStyle::SubControl sc : {QStyle::SC_SliderHandle, QStyle::SC_SliderGroove}) {
                                if (rect.width() >= 40 && rect.height() >= 40) {
                                    EXPECT_TRUE(inside(style->subControlRect(QStyle::CC_Slider, &opt, sc), rect))
                                        << "slider part " << sc;
                                }
                            }
                            const QRect bar = style->subControlRect(QStyle::CC_ScrollBar, &opt,
                                                                    QStyle::SC_ScrollBarSlider, &barWidget);
                            if (!bar.isEmpty()) {
                                const int at = o == Qt::Horizontal ? bar.left() : bar.top();
                                EXPECT_GE(at, lastBar);
                                lastBar = at;
                            }
                            const QRect handle = style->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle);
                            if (!handle.isEmpty()) {
                                const int at = o == Qt::Horizontal ? handle.left() : handle.top();
                                EXPECT_GE(at, lastSlider);
                                lastSlider = at;
                            }
                        }
                    }
                }
            }
            // Combo and spin boxes of every size keep their fields inside.
            if (rect.width() >= 40) {
                QStyleOptionComboBox combo;
                combo.rect = rect;
                combo.editable = true;
                for (QStyle::SubControl sc :
                     {QStyle::SC_ComboBoxArrow, QStyle::SC_ComboBoxEditField, QStyle::SC_ComboBoxFrame})
                    EXPECT_TRUE(inside(style->subControlRect(QStyle::CC_ComboBox, &combo, sc), rect)) << sc;
                QStyleOptionSpinBox spin;
                spin.rect = rect;
                spin.frame = true;
                for (QStyle::SubControl sc : {QStyle::SC_SpinBoxUp, QStyle::SC_SpinBoxDown, QStyle::SC_SpinBoxEditField})
                    EXPECT_TRUE(inside(style->subControlRect(QStyle::CC_SpinBox, &spin, sc), rect)) << sc;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Styles, SweepTest, ::testing::Values("NuvraStyle", "DarkStyle", "MidStyle", "ModernStyle",
                                                                  "ModernGray"));
