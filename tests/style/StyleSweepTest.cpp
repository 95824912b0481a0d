#include "StyleTestSupport.h"

#include "style/NuvraStyle.h"
#include "style/StyleManager.h"
#include "style/ComplexStyleOptions.h"
#include "style/StyleOptions.h"
#include "style/StyleProperties.h"
#include "style/docking/MainWindowItem.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QStyleOption>
#include <QTabBar>
#include <QToolButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <climits>
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

    OptionSet()
    {
        all.push_back(nullptr);
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
    OptionSet own;
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
    std::vector<const QWidget*> all = widgets();
    for (const auto& t : tools)
        all.push_back(t.get());
    all.push_back(scroll);

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
                        writable->state = QStyle::State_Enabled | (bit < 0 ? QStyle::State_None
                                                                           : QStyle::State_MouseOver | QStyle::State_Sunken);
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

INSTANTIATE_TEST_SUITE_P(Styles, SweepTest, ::testing::Values("NuvraStyle", "DarkStyle", "MidStyle", "ModernStyle",
                                                                  "ModernGray"));
