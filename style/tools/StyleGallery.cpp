// Writes contact sheets of the standard widgets in every state, one PNG per
// style and scale, for a person to look at:
//   style_gallery <output folder> [style ...]
// Without style names, every style the style manager knows. Runs on Qt's
// offscreen platform unless another is asked for.
#include "style/ComplexStyleOptions.h"
#include "style/NuvraStyle.h"
#include "style/Scaling.h"
#include "style/StyleManager.h"
#include "style/StyleProperties.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>
#include <functional>
#include <memory>

using namespace Nuvra::Style;

namespace {

enum Column { Normal, Hovered, Pressed, Disabled, ColumnCount };
const char* const kColumnNames[ColumnCount] = {"normal", "hovered", "pressed / on", "disabled"};

// Marks a widget as under the mouse, as the styles read it from the widget.
void hover(QWidget* w)
{
    w->setAttribute(Qt::WA_Hover, true);
    w->setAttribute(Qt::WA_UnderMouse, true);
    for (QWidget* child : w->findChildren<QWidget*>()) {
        child->setAttribute(Qt::WA_Hover, true);
        child->setAttribute(Qt::WA_UnderMouse, true);
    }
}

// One row: a widget kind made in each state by make(column).
struct Row {
    const char* name;
    std::function<QWidget*(Column)> make;
};

QWidget* inState(QWidget* w, Column c)
{
    if (c == Hovered)
        hover(w);
    if (c == Disabled)
        w->setEnabled(false);
    return w;
}

template <typename Button>
QWidget* button(const char* text, Column c, bool checkable = false)
{
    auto* b = new Button(QString::fromLatin1(text));
    if (checkable)
        b->setCheckable(true);
    if (c == Pressed) {
        if (checkable)
            b->setChecked(true);
        else
            b->setDown(true);
    }
    return inState(b, c);
}

QWidget* box(std::initializer_list<QWidget*> widgets, bool vertical = false)
{
    auto* holder = new QWidget;
    QBoxLayout* layout = vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(holder)) : new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : widgets)
        layout->addWidget(w);
    return holder;
}

QSlider* slider(Qt::Orientation o, QSlider::TickPosition ticks, int value)
{
    auto* s = new QSlider(o);
    s->setRange(0, 8);
    s->setTickInterval(3);
    s->setTickPosition(ticks);
    s->setValue(value);
    if (o == Qt::Horizontal)
        s->setMinimumWidth(120);
    else
        s->setMinimumHeight(70);
    return s;
}

QToolButton* toolButton(const char* shape, const char* text, Qt::ToolButtonStyle style, bool menu)
{
    auto* t = new QToolButton;
    if (shape)
        t->setProperty(nuvraShapeProperty, QString::fromLatin1(shape));
    t->setText(QString::fromLatin1(text));
    t->setToolButtonStyle(style);
    t->setIcon(QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon));
    if (menu) {
        auto* m = new QMenu(t);
        m->addAction(QStringLiteral("Item"));
        t->setMenu(m);
        t->setPopupMode(QToolButton::MenuButtonPopup);
    }
    t->setMinimumSize(48, 30);
    return t;
}

// A widget that paints one complex control with an option of its own.
class ControlPainter : public QWidget {
public:
    ControlPainter(QStyle::ComplexControl cc, std::shared_ptr<QStyleOptionComplex> opt, QSize size)
        : m_cc(cc), m_opt(std::move(opt))
    {
        setFixedSize(size);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        m_opt->rect = rect();
        m_opt->palette = palette();
        m_opt->fontMetrics = fontMetrics();
        m_opt->state = isEnabled() ? QStyle::State_Enabled : QStyle::State_None;
        if (testAttribute(Qt::WA_UnderMouse))
            m_opt->state |= QStyle::State_MouseOver;
        style()->drawComplexControl(m_cc, m_opt.get(), &p, this);
    }

private:
    QStyle::ComplexControl m_cc;
    std::shared_ptr<QStyleOptionComplex> m_opt;
};

QWidget* titleBar(Column c)
{
    auto opt = std::make_shared<QStyleOptionTitleBar>();
    opt->text = QStringLiteral("Window title");
    opt->titleBarFlags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint;
    opt->titleBarState = c == Pressed ? Qt::WindowActive : 0;
    opt->subControls = QStyle::SC_All;
    return inState(new ControlPainter(QStyle::CC_TitleBar, opt, QSize(200, 24)), c);
}

QWidget* customControls(Column c)
{
    const double s = StyleManager::StyleScale();
    auto header = std::make_shared<StyleOptionPanelHeader>();
    header->headerHeight = int(22 * s);
    header->bold = 1;
    header->title = QStringLiteral("Panel");
    header->coloured = c == Pressed;
    header->colour = QColor(90, 130, 200);
    auto frame = std::make_shared<StyleOptionDockFrame>();
    frame->area = Qt::LeftDockWidgetArea;
    frame->leftMargin = 1;
    auto pair = std::make_shared<StyleOptionColorPair>();
    pair->first = QColor(220, 60, 40);
    pair->second = QColor(40, 90, 220);
    auto component = std::make_shared<StyleOptionComponentSlider>();
    QLinearGradient gradient(0, 0, 110, 0);
    gradient.setColorAt(0, Qt::black);
    gradient.setColorAt(1, Qt::red);
    component->gradient = gradient;
    component->inset = int(6 * s);
    component->handlePosition = int(70 * s);
    auto icon = std::make_shared<StyleOptionIconButton>();
    icon->icon = QApplication::style()->standardIcon(QStyle::SP_DialogApplyButton);
    icon->on = c == Pressed;
    return inState(box({new ControlPainter(CC_PanelHeader, header, QSize(110, 22)),
                        new ControlPainter(CC_DockFrame, frame, QSize(40, 30)),
                        new ControlPainter(CC_InnerFrame, std::make_shared<QStyleOptionComplex>(), QSize(40, 30)),
                        new ControlPainter(CC_ColorPair, pair, QSize(62, 62)),
                        new ControlPainter(CC_ComponentSlider, component, QSize(120, 40)),
                        new ControlPainter(CC_IconButton, icon, QSize(30, 30))}),
                   c);
}

QWidget* dockWindow(Column c)
{
    auto* window = new QMainWindow;
    window->setCentralWidget(new QTextEdit(QStringLiteral("Central")));
    auto* dock = new QDockWidget(QStringLiteral("Dock"));
    dock->setWidget(new QLabel(QStringLiteral("Docked")));
    window->addDockWidget(Qt::LeftDockWidgetArea, dock);
    auto* second = new QDockWidget(QStringLiteral("Second"));
    second->setWidget(new QLabel(QStringLiteral("Below")));
    window->addDockWidget(Qt::LeftDockWidgetArea, second);
    window->setWindowFlags(Qt::Widget);
    window->setFixedSize(QSize(260, 140));
    return inState(window, c);
}

QWidget* menuPicture(Column c, Qt::LayoutDirection direction)
{
    // The whole application in the direction, as a translated one runs:
    // painters take their text direction from it.
    const Qt::LayoutDirection before = QApplication::layoutDirection();
    QApplication::setLayoutDirection(direction);
    QMenu menu;
    menu.addAction(QApplication::style()->standardIcon(QStyle::SP_FileIcon), QStringLiteral("Open\tCtrl+O"));
    QAction* checked = menu.addAction(QStringLiteral("Checked"));
    checked->setCheckable(true);
    checked->setChecked(true);
    menu.addSeparator();
    menu.addMenu(QStringLiteral("Submenu"))->addAction(QStringLiteral("Inner"));
    QAction* off = menu.addAction(QStringLiteral("Disabled item"));
    off->setEnabled(false);
    if (c == Disabled)
        menu.setEnabled(false);
    if (c == Hovered || c == Pressed)
        menu.setActiveAction(menu.actions().first());
    menu.ensurePolished();
    menu.adjustSize();
    auto* label = new QLabel;
    label->setPixmap(menu.grab());
    QApplication::setLayoutDirection(before);
    return label;
}

QWidget* table(Column c)
{
    auto* t = new QTableWidget(2, 3);
    t->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Kind")});
    t->setItem(0, 0, new QTableWidgetItem(QStringLiteral("clip.mov")));
    t->horizontalHeader()->setSortIndicatorShown(true);
    t->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    if (c == Pressed)
        t->selectRow(0);
    t->setFixedSize(QSize(220, 80));
    return inState(t, c);
}

std::vector<Row> rows()
{
    return {
        {"push button", [](Column c) { return button<QPushButton>("Render", c); }},
        {"check box",
         [](Column c) {
             auto* partial = new QCheckBox(QStringLiteral("Partial"));
             partial->setTristate(true);
             partial->setCheckState(Qt::PartiallyChecked);
             return inState(box({button<QCheckBox>("Check", c, true), partial}), c);
         }},
        {"radio button", [](Column c) { return button<QRadioButton>("Radio", c, true); }},
        {"combo box",
         [](Column c) {
             auto* plain = new QComboBox;
             plain->addItems({QStringLiteral("Spray"), QStringLiteral("Soft")});
             auto* editable = new QComboBox;
             editable->setEditable(true);
             editable->addItem(QStringLiteral("Editable"));
             return inState(box({plain, editable}), c);
         }},
        {"spin box",
         [](Column c) {
             auto* spin = new QSpinBox;
             spin->setRange(0, 10);
             spin->setValue(c == Pressed ? 10 : 4); // at the maximum: up disabled
             return inState(spin, c);
         }},
        {"slider",
         [](Column c) {
             return inState(box({slider(Qt::Horizontal, QSlider::TicksBelow, c == Pressed ? 8 : 3),
                                 slider(Qt::Horizontal, QSlider::TicksBothSides, 0),
                                 slider(Qt::Vertical, QSlider::TicksLeft, 5)}),
                            c);
         }},
        {"scroll bar",
         [](Column c) {
             auto* h = new QScrollBar(Qt::Horizontal);
             h->setRange(0, 100);
             h->setPageStep(20);
             h->setValue(30);
             h->setMinimumWidth(140);
             if (c == Pressed)
                 h->setSliderDown(true);
             auto* v = new QScrollBar(Qt::Vertical);
             v->setRange(0, 0); // no range
             v->setMinimumHeight(60);
             return inState(box({h, v}), c);
         }},
        {"progress bar",
         [](Column c) {
             auto* half = new QProgressBar;
             half->setValue(c == Pressed ? 100 : 40);
             auto* empty = new QProgressBar;
             empty->setRange(5, 5);
             empty->setValue(5);
             return inState(box({half, empty}, true), c);
         }},
        {"tabs",
         [](Column c) {
             auto* tabs = new QTabWidget;
             tabs->addTab(new QLabel(QStringLiteral("First page")), QStringLiteral("First"));
             tabs->addTab(new QLabel(QStringLiteral("Second")), QStringLiteral("Second"));
             tabs->addTab(new QLabel(QStringLiteral("Third")), QStringLiteral("Third"));
             tabs->setTabsClosable(c == Pressed);
             tabs->setFixedSize(QSize(220, 70));
             return inState(tabs, c);
         }},
        {"triangular tabs",
         [](Column c) {
             const auto tabWidget = [c](QTabWidget::TabPosition position) {
                 auto* tabs = new QTabWidget;
                 tabs->setTabShape(QTabWidget::Triangular);
                 tabs->setTabPosition(position);
                 tabs->addTab(new QLabel(QStringLiteral("Page")), QStringLiteral("One"));
                 tabs->addTab(new QLabel(QStringLiteral("Two")), QStringLiteral("Two"));
                 tabs->setCurrentIndex(c == Pressed ? 1 : 0);
                 tabs->setFixedSize(QSize(150, 70));
                 return tabs;
             };
             return inState(box({tabWidget(QTabWidget::North), tabWidget(QTabWidget::South)}), c);
         }},
        {"group box",
         [](Column c) {
             auto* titled = new QGroupBox(QStringLiteral("Group"));
             titled->setLayout(new QVBoxLayout);
             titled->layout()->addWidget(new QLabel(QStringLiteral("Inside")));
             auto* checkable = new QGroupBox(QStringLiteral("Checkable"));
             checkable->setCheckable(true);
             checkable->setChecked(c == Pressed);
             checkable->setLayout(new QVBoxLayout);
             checkable->layout()->addWidget(new QLabel(QStringLiteral("Inside")));
             auto* bare = new QGroupBox;
             bare->setMinimumSize(40, 40);
             return inState(box({titled, checkable, bare}), c);
         }},
        {"line edit",
         [](Column c) {
             auto* edit = new QLineEdit(QStringLiteral("Text"));
             if (c == Pressed)
                 edit->setFocus();
             return inState(edit, c);
         }},
        {"menu", [](Column c) { return menuPicture(c, Qt::LeftToRight); }},
        {"menu, right to left", [](Column c) { return menuPicture(c, Qt::RightToLeft); }},
        {"menu bar",
         [](Column c) {
             auto* bar = new QMenuBar;
             bar->addMenu(QStringLiteral("File"));
             bar->addMenu(QStringLiteral("Edit"));
             return inState(bar, c);
         }},
        {"tool button",
         [](Column c) {
             QWidget* w = box({toolButton(nullptr, "Plain", Qt::ToolButtonTextBesideIcon, true),
                               toolButton(nuvraShapeTool, "Tool", Qt::ToolButtonIconOnly, true),
                               toolButton(nuvraShapeNone, "None text", Qt::ToolButtonTextOnly, false),
                               toolButton(nuvraShapeAbout, "About", Qt::ToolButtonTextUnderIcon, false)});
             if (c == Pressed)
                 for (QToolButton* t : w->findChildren<QToolButton*>())
                     t->setDown(true);
             return inState(w, c);
         }},
        {"header", table},
        {"title bar", titleBar},
        {"dock window", dockWindow},
        {"own controls", customControls},
    };
}

QWidget* page(const QString& styleName, double scale)
{
    auto* sheet = new QWidget;
    sheet->setAutoFillBackground(true);
    auto* grid = new QGridLayout(sheet);
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(10);
    auto* title = new QLabel(QStringLiteral("%1 at %2x").arg(styleName).arg(scale));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    grid->addWidget(title, 0, 0, 1, ColumnCount + 1);
    for (int c = 0; c < ColumnCount; ++c)
        grid->addWidget(new QLabel(QString::fromLatin1(kColumnNames[c])), 1, c + 1);
    int r = 2;
    for (const Row& row : rows()) {
        grid->addWidget(new QLabel(QString::fromLatin1(row.name)), r, 0);
        for (int c = 0; c < ColumnCount; ++c)
            grid->addWidget(row.make(Column(c)), r, c + 1, Qt::AlignLeft | Qt::AlignVCenter);
        ++r;
    }
    return sheet;
}

// The styles the manager makes by their own name: unknown names give the
// default style, so a style not built yet is left out by itself.
QStringList knownStyles()
{
    QStringList out;
    for (const char* name : {"NuvraStyle", "DarkStyle", "MidStyle", "NuvraOldStyle", "ModernStyle", "ModernGray"}) {
        std::unique_ptr<QStyle> made(StyleManager::createStyle(QString::fromLatin1(name)));
        if (made && made->objectName() == QLatin1String(name))
            out << QString::fromLatin1(name);
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A desktop large enough that no scale of the sheets is capped, whatever
    // screen the platform reports.
    Scaling::setScreenSource([] {
        Scaling::ScreenInfo screen;
        screen.present = true;
        screen.virtualSize = QSize(3840, 2160);
        return screen;
    });
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: style_gallery <output folder> [style ...]\n");
        return 2;
    }
    const QDir out(args.at(1));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "style_gallery: cannot make %s\n", qPrintable(out.path()));
        return 1;
    }
    const QStringList styles = args.size() > 2 ? args.mid(2) : knownStyles();
    int failures = 0;
    for (const QString& name : styles) {
        for (double scale : {1.0, 1.5, 2.0, 2.5, 3.0}) {
            StyleManager::applyStyle(StyleManager::createStyle(name), scale);
            std::unique_ptr<QWidget> sheet(page(name, scale));
            // Sizes set here are unscaled, as in the application's forms.
            StyleManager::RescaleWidget(sheet.get(), true);
            sheet->show();
            sheet->adjustSize();
            QApplication::processEvents();
            const QString file = out.filePath(QStringLiteral("gallery-%1-%2x.png").arg(name).arg(scale));
            if (!sheet->grab().save(file)) {
                std::fprintf(stderr, "style_gallery: cannot write %s\n", qPrintable(file));
                ++failures;
                continue;
            }
            std::printf("%s\n", qPrintable(file));
        }
    }
    return failures ? 1 : 0;
}
