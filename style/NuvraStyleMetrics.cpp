// Metrics and layout of NuvraStyle: every size, spacing, hint and
// sub-rectangle the style gives Qt's widgets. What is not measured here is
// QCommonStyle's measure.
#include "style/NuvraStyle.h"

#include "style/IconLookup.h"
#include "style/StyleManager.h"
#include "style/StyleHelpers.h"
#include "style/StyleOptions.h"
#include "style/StyleProperties.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QToolButton>
#include <QWidget>
#include <QtMath>

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace Nuvra {
namespace Style {

namespace {

bool isVerticalTab(QTabBar::Shape shape)
{
    return shape == QTabBar::RoundedWest || shape == QTabBar::RoundedEast || shape == QTabBar::TriangularWest ||
           shape == QTabBar::TriangularEast;
}

bool isRoundedTab(QTabBar::Shape shape)
{
    return shape == QTabBar::RoundedNorth || shape == QTabBar::RoundedSouth || shape == QTabBar::RoundedWest ||
           shape == QTabBar::RoundedEast;
}

bool isSouthTab(QTabBar::Shape shape)
{
    return shape == QTabBar::RoundedSouth || shape == QTabBar::TriangularSouth;
}

// A tab option new enough to carry button sizes.
const QStyleOptionTab* tabOption(const QStyleOption* opt)
{
    const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(opt);
    return tab && tab->version >= 3 ? tab : nullptr;
}

// Custom metrics, by their number past PM_CustomBase; -1 where the style
// has no answer of its own.
constexpr int customMetricCount = 25;
constexpr int customMetricValues[customMetricCount + 1] = {
    -1, 20, 0, 0, -1, -1, -1, -1, 2, 1, 2, 1, 65, 65, 35, 36, 133, 12, 16, 50, 71, 64, -1, -1, 54, 22,
};

// Fixed rectangles of the custom sub-elements, in units of the style scale;
// a negative side is in pixels (those two are never scaled).
struct UnitRect {
    int x, y, w, h;
};
constexpr int customSubElementCount = 10;
constexpr UnitRect customSubElementRects[customSubElementCount] = {
    {2, 3, 39, 39}, {21, 23, 38, 38}, {1, 48, 9, 9},  {7, 53, 8, 8},    {42, 1, -25, -22},
    {2, 2, 19, 19}, {16, 16, 18, 18}, {1, 24, 7, 7},  {5, 28, 6, 6},    {24, 0, -14, -14},
};

// Controls with no parts to lay out: the dial, and the style's own complex
// controls, which draw their option rectangle whole.
bool quietControl(QStyle::ComplexControl cc)
{
    return cc == QStyle::CC_Dial || (cc >= QStyle::CC_CustomBase + 2 && cc <= QStyle::CC_CustomBase + 9);
}

int unit(int v, double t)
{
    return v < 0 ? -v : static_cast<int>(v * t);
}

} // namespace

// --- metrics ------------------------------------------------------------------

int NuvraStyle::pixelMetric(PixelMetric m, const QStyleOption* opt, const QWidget* widget) const
{
    const auto scaled = [this](double v) { return static_cast<int>(v * scale); };
    const auto odd = [&](double v) { return scaled(v) | 1; };

    if (m > PM_CustomBase && m <= PM_CustomBase + customMetricCount) {
        const int n = m - PM_CustomBase;
        if (n >= 4 && n <= 7) {
            int flags = 0;
            if (const auto* own = qstyleoption_cast<const StyleOptionFlags*>(opt))
                flags = own->flags;
            else if (const auto* title = qstyleoption_cast<const QStyleOptionTitleBar*>(opt))
                flags = static_cast<int>(title->titleBarFlags);
            else
                return QCommonStyle::pixelMetric(m, opt, widget);
            const bool one = flags == 1;
            return (n == 4 || n == 6) ? (one ? 1 : 0) : (one ? 0 : 1);
        }
        if (n == 22 || n == 23) {
            const int base = pixelMetric(PixelMetric(PM_CustomBase + n - 2), opt, widget);
            if (base == -1)
                return QCommonStyle::pixelMetric(m, opt, widget);
            return scaled(base);
        }
        return scaled(customMetricValues[n]);
    }

    switch (m) {
    case PM_ButtonMargin:
    case PM_SliderControlThickness:
    case PM_DockWidgetSeparatorExtent:
        return scaled(6);
    case PM_ButtonDefaultIndicator:
    case PM_ButtonShiftHorizontal:
    case PM_ButtonShiftVertical:
    case PM_MenuHMargin:
    case PM_MenuVMargin:
    case PM_MenuBarHMargin:
    case PM_TabBarTabShiftVertical:
    case PM_ToolBarItemMargin:
        return 0;
    case PM_MenuButtonIndicator:
    case PM_TabBarIconSize:
        return scaled(12);
    case PM_DefaultFrameWidth:
        return scaled(qobject_cast<const QMenu*>(widget) ? 1 : 2);
    case PM_SpinBoxFrameWidth:
    case PM_SplitterWidth:
    case PM_MenuBarPanelWidth:
    case PM_ToolBarItemSpacing:
        return scaled(1);
    case PM_MaximumDragDistance:
    case PM_LayoutHorizontalSpacing:
    case PM_LayoutVerticalSpacing:
        return -1;
    case PM_ScrollBarExtent: {
        const QString shape = shapeOf(widget);
        const int base = shape == QLatin1String(nuvraShapeScrollMini)   ? 6
                         : shape == QLatin1String(nuvraShapeScrollMidi) ? 10
                                                                        : 14;
        return odd(base);
    }
    case PM_ScrollBarSliderMin:
        return odd(18);
    case PM_SliderThickness:
        return pixelMetric(PM_SliderControlThickness, opt, widget) + 2 * static_cast<int>(scale);
    case PM_SliderLength:
        return scaled(26);
    case PM_SliderTickmarkOffset: {
        const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(opt);
        return slider && (slider->tickPosition & QSlider::TicksBothSides) ? scaled(12) : 0;
    }
    case PM_SliderSpaceAvailable: {
        const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(opt);
        if (!slider)
            return 0;
        const QRect& r = slider->rect;
        const int groove = slider->orientation == Qt::Horizontal ? r.right() - r.left() : r.bottom() - r.top();
        return groove - pixelMetric(PM_SliderLength, opt, widget) + 1;
    }
    case PM_DockWidgetHandleExtent:
        return scaled(20);
    case PM_DockWidgetFrameWidth:
        return 1;
    case PM_TabBarTabOverlap: {
        const auto* tab = tabOption(opt);
        return scaled(!tab ? 3 : isRoundedTab(tab->shape) ? 2 : 1);
    }
    case PM_TabBarTabHSpace: {
        const auto* tab = tabOption(opt);
        return scaled(tab && tab->text.isEmpty() ? 6 : 24);
    }
    case PM_TabBarTabVSpace: {
        const auto* tab = tabOption(opt);
        return scaled(!tab ? 2 : isRoundedTab(tab->shape) ? 6 : 7);
    }
    case PM_TabBarBaseOverlap:
    case PM_DockWidgetTitleMargin:
        return 2;
    case PM_ProgressBarChunkWidth:
    case PM_MenuPanelWidth:
    case PM_MenuBarVMargin:
        return scaled(2);
    case PM_TitleBarHeight: {
        int spacing = 0;
        if (widget)
            spacing = widget->fontMetrics().lineSpacing();
        else if (opt)
            spacing = opt->fontMetrics.lineSpacing();
        return scaled(std::max(30, spacing));
    }
    case PM_MenuBarItemSpacing:
    case PM_HeaderMargin:
    case PM_ToolBarSeparatorExtent:
        return scaled(3);
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight: {
        const bool check = m == PM_IndicatorWidth || m == PM_IndicatorHeight;
        QPixmap image;
        if (!getPixmap(check ? "skin/checkbox-normal.svg" : "skin/radiobutton-normal.svg", image))
            return QCommonStyle::pixelMetric(m, opt, widget);
        return (m == PM_IndicatorWidth || m == PM_ExclusiveIndicatorWidth) ? image.width() : image.height();
    }
    case PM_MdiSubWindowFrameWidth:
        return scaled(4);
    // A table's sections start at the base style's width and height, grown
    // with the style's scale so that a scaled title and its sort arrow fit.
    case PM_HeaderDefaultSectionSizeHorizontal:
    case PM_HeaderDefaultSectionSizeVertical:
        return scaled(QCommonStyle::pixelMetric(m, opt, widget));
    case PM_TabBarScrollButtonWidth:
        return scaled(16);
    case PM_ToolBarFrameWidth:
        return shapeOf(widget) == QLatin1String(nuvraShapeTopBar) ? 0 : scaled(2);
    case PM_ToolBarHandleExtent:
        return scaled(9);
    case PM_ToolBarExtensionExtent:
        return scaled(11);
    case PM_ToolBarIconSize:
        return scaled(29);
    case PM_SmallIconSize: {
        if (!widget)
            return QCommonStyle::pixelMetric(m, opt, widget);
        const QString shape = shapeOf(widget);
        if (shape == QLatin1String(nuvraIconMenu))
            return scaled(21);
        if (shape == QLatin1String(nuvraShapeTool) || shape == QLatin1String(nuvraShapeToolBtn))
            return scaled(29);
        return scaled(16);
    }
    case PM_SizeGripSize: {
        QPixmap grip;
        if (!getPixmap("skin/statusbar-resizeico.png", grip))
            return QCommonStyle::pixelMetric(m, opt, widget);
        return scaled(grip.height() - 5);
    }
    case PM_MessageBoxIconSize:
        return scaled(32);
    case PM_LayoutLeftMargin:
    case PM_LayoutTopMargin:
    case PM_LayoutRightMargin:
    case PM_LayoutBottomMargin: {
        const bool window = opt ? (opt->state & State_Window) != 0 : (widget && widget->isWindow());
        return window ? 11 : 9;
    }
    default:
        return QCommonStyle::pixelMetric(m, opt, widget);
    }
}

// --- hints ----------------------------------------------------------------------

int NuvraStyle::styleHint(StyleHint sh, const QStyleOption* opt, const QWidget* w, QStyleHintReturn* shret) const
{
    switch (sh) {
    case SH_ScrollBar_MiddleClickAbsolutePosition:
    case SH_Slider_SnapToValue:
    case SH_PrintDialog_RightAlignButtons:
    case SH_FontDialog_SelectAssociatedText:
    case SH_Menu_AllowActiveAndDisabled:
    case SH_MenuBar_AltKeyNavigation:
    case SH_ComboBox_ListMouseTracking:
    case SH_Menu_MouseTracking:
    case SH_MenuBar_MouseTracking:
    case SH_ItemView_ChangeHighlightOnFocus:
    case SH_TitleBar_NoBorder:
QT_WARNING_PUSH
QT_WARNING_DISABLE_DEPRECATED
    case SH_ScrollBar_StopMouseOverSlider:
QT_WARNING_POP
    case SH_ToolBox_SelectedPageTitleBold:
    case SH_TitleBar_AutoRaise:
    case SH_ItemView_ShowDecorationSelected:
    case SH_Slider_AbsoluteSetButtons:
    case SH_Slider_PageSetButtons:
    case SH_ItemView_ArrowKeysNavigateIntoChildren:
    case SH_FormLayoutFieldGrowthPolicy:
        return 1;
    case SH_MainWindow_SpaceBelowMenuBar:
    case SH_DialogButtonBox_ButtonsHaveIcons:
    case SH_FormLayoutWrapPolicy:
        return 0;
    case SH_ComboBox_Popup: {
        const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(opt);
        return combo && !combo->editable ? 1 : 0;
    }
    case SH_ToolButton_PopupDelay:
        return 400;
    case SH_DialogButtonLayout:
    case SH_FormLayoutLabelAlignment:
        return 2;
    case SH_MessageBox_TextInteractionFlags:
        return 5;
    case SH_FormLayoutFormAlignment:
        return 0x21;
    case SH_WindowFrame_Mask: {
        auto* mask = qstyleoption_cast<QStyleHintReturnMask*>(shret);
        if (mask && opt) {
            if (qstyleoption_cast<const QStyleOptionComplex*>(opt)) {
                mask->region = QRegion();
            } else {
                const QRect& r = opt->rect;
                QRegion region(r);
                const QPoint corners[] = {
                    {r.left(), r.top()},      {r.left() + 1, r.top()}, {r.left(), r.top() + 1},
                    {r.right() - 1, r.top()}, {r.right(), r.top()},    {r.right(), r.top() + 1},
                    {r.left(), r.bottom()},   {r.right(), r.bottom()},
                };
                for (const QPoint& corner : corners)
                    region -= QRegion(corner.x(), corner.y(), 1, 1);
                mask->region = region;
            }
        }
        return 1;
    }
    default:
        return QCommonStyle::styleHint(sh, opt, w, shret);
    }
}

int NuvraStyle::layoutSpacing(QSizePolicy::ControlType control1, QSizePolicy::ControlType control2,
                              Qt::Orientation orientation, const QStyleOption*, const QWidget*) const
{
    using CT = QSizePolicy;
    const QSizePolicy::ControlTypes both = control1 | control2;
    if (control2 == CT::ButtonBox)
        return 11;
    if (both & (CT::PushButton | CT::ButtonBox))
        return orientation == Qt::Horizontal ? 10 : 9;
    if (control1 == CT::Label &&
        (control2 & (CT::DefaultType | CT::CheckBox | CT::ComboBox | CT::Label | CT::LineEdit | CT::RadioButton |
                     CT::Slider | CT::SpinBox | CT::ToolButton)))
        return 5;
    if (orientation == Qt::Vertical) {
        if (control1 == CT::CheckBox && (control2 == CT::CheckBox || control2 == CT::RadioButton))
            return 2;
        if (control1 == CT::RadioButton && control2 == CT::CheckBox)
            return 2;
        if (control1 == CT::RadioButton && control2 == CT::RadioButton)
            return 1;
    } else if (control2 == CT::CheckBox || control2 == CT::RadioButton) {
        return 8;
    }
    if (both & (CT::TabWidget | CT::GroupBox | CT::Frame))
        return 11;
    if (both & (CT::SpinBox | CT::Slider | CT::LineEdit | CT::Line | CT::ComboBox))
        return 7;
    return 6;
}

// --- icons ----------------------------------------------------------------------

QPixmap NuvraStyle::standardPixmap(StandardPixmap sp, const QStyleOption* opt, const QWidget* widget) const
{
    return QCommonStyle::standardPixmap(sp, opt, widget);
}

QIcon NuvraStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option, const QWidget* widget) const
{
    static const struct {
        StandardPixmap sp;
        const char* name;
    } names[] = {
        {SP_MessageBoxInformation, "std/MessageBoxInformation"},
        {SP_MessageBoxWarning, "std/MessageBoxWarning"},
        {SP_MessageBoxCritical, "std/MessageBoxCritical"},
        {SP_MessageBoxQuestion, "std/MessageBoxQuestion"},
        {SP_FileDialogToParent, "std/to_parent"},
        {SP_FileDialogNewFolder, "std/new_folder"},
        {SP_FileDialogDetailedView, "std/view_detail"},
        {SP_FileDialogContentsView, "std/view_thumb"},
        {SP_FileDialogListView, "std/view_list"},
        {SP_ArrowBack, "std/arrow_back"},
        {SP_ArrowForward, "std/arrow_forward"},
    };
    for (const auto& entry : names) {
        if (entry.sp != standardIcon)
            continue;
        const QString name = QString::fromLatin1(entry.name);
        const QIcon icon = iconByPrefix(name, QSize(-1, -1));
        if (icon.isNull())
            break;
        // Kept on the button so that re-polishing after a style or scale
        // change finds the icon again.
        if (auto* button = qobject_cast<const QAbstractButton*>(widget))
            const_cast<QAbstractButton*>(button)->setProperty(nuvraIconProperty, name);
        return icon;
    }
    const QIcon icon = QCommonStyle::standardIcon(standardIcon, option, widget);
    // Qt's window and dock button glyphs are near black: lost on the dark
    // styles' buttons and on every style's hover fill. They take the window
    // text at rest and, as a hovered tool button's text does, the highlighted
    // text over the hover fill (active and pressed modes).
    static const StandardPixmap windowGlyphs[] = {
        SP_TitleBarMinButton,   SP_TitleBarMaxButton,     SP_TitleBarCloseButton,       SP_TitleBarNormalButton,
        SP_TitleBarShadeButton, SP_TitleBarUnshadeButton, SP_TitleBarContextHelpButton, SP_DockWidgetCloseButton,
    };
    if (std::find(std::begin(windowGlyphs), std::end(windowGlyphs), standardIcon) == std::end(windowGlyphs))
        return icon;
    const QPalette palette = standardPalette();
    const QColor text = palette.color(QPalette::Active, QPalette::WindowText);
    const QColor over = palette.color(QPalette::Active, QPalette::HighlightedText);
    return tintedIcon(icon, {{QIcon::Normal, text}, {QIcon::Active, over}, {QIcon::Selected, over}});
}

// --- text -----------------------------------------------------------------------

void NuvraStyle::drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& pal, bool enabled,
                              const QString& text, QPalette::ColorRole textRole) const
{
    if (!painter || text.isEmpty())
        return;
    const QPen kept = painter->pen();
    if (textRole != QPalette::NoRole)
        painter->setPen(QPen(pal.brush(textRole), kept.widthF()));
    const QRect textRect = rect.adjusted(0, -1, 0, 0);
    if (!enabled && styleHint(SH_DitherDisabledText)) {
        QRect covered;
        painter->drawText(textRect, flags, text, &covered);
        painter->fillRect(covered, QBrush(painter->background().color(), Qt::Dense5Pattern));
        painter->setPen(kept);
        return;
    }
    if (!enabled && styleHint(SH_EtchDisabledText)) {
        const QColor ink = pal.color(QPalette::Inactive, textRole == QPalette::NoRole ? QPalette::Text : textRole);
        const bool dark = 11 * ink.red() + 16 * ink.green() + 5 * ink.blue() < 4512;
        const QColor etch = dark ? pal.color(QPalette::Light) : QColor(180, 180, 180);
        const QPen textPen = painter->pen();
        const double d = (scale - 1) * 0.5 + 1;
        painter->setPen(QPen(etch, textPen.widthF()));
        painter->drawText(QRectF(textRect).translated(d, d), flags, text);
        painter->setPen(textPen);
    }
    painter->drawText(textRect, flags, text);
    painter->setPen(kept);
}

void NuvraStyle::tabLayout(const QStyleOptionTab* opt, const QWidget* widget, QRect* textRect,
                           QRect* iconRect) const
{
    if (!opt)
        return;
    const bool vertical = isVerticalTab(opt->shape);
    QRect tr = vertical ? QRect(0, 0, opt->rect.height(), opt->rect.width()) : opt->rect;

    int vShift = pixelMetric(PM_TabBarTabShiftVertical, opt, widget);
    if (isSouthTab(opt->shape))
        vShift = -vShift;
    const int hShift = pixelMetric(PM_TabBarTabShiftHorizontal, opt, widget);
    const int vPad = pixelMetric(PM_TabBarTabVSpace, opt, widget) / 2;
    const int hPad = isRoundedTab(opt->shape) ? pixelMetric(PM_TabBarTabHSpace, opt, widget) / 2 : 2;

    tr.adjust(0, vShift - vPad, 0, vPad);
    if ((opt->state & State_Selected) && isRoundedTab(opt->shape)) {
        tr.setTop(tr.top() - vShift);
        tr.setRight(tr.right() - hShift);
    }

    const int m = static_cast<int>(4 * StyleManager::StyleScale());
    const auto inset = [&](const QSize& button) {
        if (button.isEmpty())
            return m;
        return (vertical ? button.height() : button.width()) + 2 * m;
    };
    int left = inset(opt->leftButtonSize);
    int right = inset(opt->rightButtonSize);

    if (!opt->icon.isNull()) {
        QSize size = opt->iconSize;
        if (!size.isValid()) {
            const int extent = pixelMetric(PM_SmallIconSize, opt, widget);
            size = QSize(extent, extent);
        }
        const QSize actual = opt->icon.actualSize(size, (opt->state & State_Enabled) ? QIcon::Normal : QIcon::Disabled,
                                                  (opt->state & State_Selected) ? QIcon::On : QIcon::Off);
        const int centre = (tr.top() + tr.bottom()) / 2;
        QRect icon(tr.left() + left, centre - actual.height() / 2 + 1, actual.width(), actual.height());
        if (!vertical)
            icon = visualRect(opt->direction, opt->rect, icon);
        if (iconRect)
            *iconRect = icon;
        left += actual.width() + m;
    }

    left = std::max(left, hPad);
    right = std::max(right, hPad);
    tr.setLeft(tr.left() + left);
    tr.setRight(tr.right() - right);
    if (!vertical)
        tr = visualRect(opt->direction, opt->rect, tr);
    if (textRect)
        *textRect = tr;
}

// --- sizes ----------------------------------------------------------------------

QSize NuvraStyle::sizeFromContents(ContentsType ct, const QStyleOption* opt, const QSize& contentsSize,
                                   const QWidget* widget) const
{
    const auto scaled = [this](double v) { return static_cast<int>(v * scale); };
    const auto odd = [&](double v) { return scaled(v) | 1; };

    if (ct == CT_HeaderSection) {
        if (const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(opt)) {
            // Sections are as wide as if they had no icon.
            QStyleOptionHeader plain(*header);
            plain.icon = QIcon();
            return QCommonStyle::sizeFromContents(ct, &plain, contentsSize, widget);
        }
        return QCommonStyle::sizeFromContents(ct, opt, contentsSize, widget);
    }

    QSize size = QCommonStyle::sizeFromContents(ct, opt, contentsSize, widget);
    const QString shape = shapeOf(widget);
    switch (ct) {
    case CT_PushButton: {
        const auto* push = qobject_cast<const QPushButton*>(widget);
        const int textGap = push && !push->text().isEmpty() ? scaled(10) : 0;
        const int left = scaled(shape == QLatin1String(nuvraShapeLeft) ? 1 : 10);
        const int right = scaled(shape == QLatin1String(nuvraShapeRight) ? 1 : 10);
        size.setWidth(std::max(contentsSize.width() + textGap + left + right, scaled(50)));
        size.setHeight(odd(18));
        break;
    }
    case CT_ToolButton: {
        const auto* button = qobject_cast<const QAbstractButton*>(widget);
        if (!button)
            break;
        if (shape != QLatin1String(nuvraShapeNone) && shape != QLatin1String(nuvraShapeTool) &&
            shape != QLatin1String(nuvraShapeToolBtn) && shape != QLatin1String(nuvraShapeAbout))
            break;
        const auto* textOnly = qobject_cast<const QToolButton*>(widget);
        bool taken = true;
        if (textOnly && textOnly->toolButtonStyle() == Qt::ToolButtonTextOnly && !button->text().isEmpty()) {
            // The icon is not shown: the text's own size, as for a button
            // without an icon.
            taken = false;
        } else if (!button->icon().isNull()) {
            const QSize iconSize = button->iconSize();
            size = iconSize.width() < 0 || iconSize.height() < 0
                       ? iconSize
                       : button->icon().actualSize(QSize(512, 512), QIcon::Normal, QIcon::Off);
        } else if (button->text().isEmpty()) {
            size = button->iconSize();
        } else {
            taken = false;
        }
        const auto* tool = qobject_cast<const QToolButton*>(widget);
        if (taken && tool && tool->popupMode() == QToolButton::MenuButtonPopup)
            size.rwidth() += pixelMetric(PM_MenuButtonIndicator, opt, widget);
        break;
    }
    case CT_GroupBox:
        // Wide enough for the title as the label lays it out: bold, within
        // the insets, after the check box.
        if (const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(opt)) {
            const bool checkable = box->subControls & SC_GroupBoxCheckBox;
            if (widget && (!box->text.isEmpty() || checkable)) {
                QFont bold = widget->font();
                bold.setWeight(75);
                int title = QFontMetrics(bold).size(Qt::TextShowMnemonic, box->text + QLatin1Char(' ')).width();
                if (checkable)
                    title += pixelMetric(PM_IndicatorWidth, box, widget) - 1 +
                             pixelMetric(PM_CheckBoxLabelSpacing, box, widget);
                size.setWidth(std::max(size.width(), title + 2 * scaled(8)));
            }
        }
        break;
    case CT_ComboBox:
        size.setHeight(odd(19));
        // The label keeps a pixel clear on either side.
        if (const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(opt))
            size.setWidth(std::max(size.width(), comboBoxTextWidth(contentsSize, widget) +
                                                     comboBoxChrome(combo, size.height(), 2, widget)));
        break;
    case CT_Splitter: {
        const int side = std::max(pixelMetric(PM_SplitterWidth, opt, widget), 3);
        size = QSize(side, side);
        break;
    }
    case CT_ProgressBar: {
        const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(opt);
        if (!bar || bar->version < 2)
            break;
        const int thickness = static_cast<int>(18 * scale + 1);
        if (bar->orientation == Qt::Horizontal)
            size.setHeight(thickness);
        else
            size.setWidth(thickness);
        break;
    }
    case CT_MenuItem:
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(opt))
            size = menuItemSize(item, contentsSize, widget);
        break;
    case CT_MenuBarItem:
        if (size.isValid())
            size += QSize(scaled(12), scaled(6));
        break;
    case CT_Slider:
        if (const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(opt)) {
            int thickness = pixelMetric(PM_SliderThickness, opt, widget);
            const int offset = pixelMetric(PM_SliderTickmarkOffset, opt, widget);
            if (slider->tickPosition & QSlider::TicksAbove)
                thickness += offset;
            if (slider->tickPosition & QSlider::TicksBelow)
                thickness += offset;
            if (slider->orientation == Qt::Horizontal)
                size.setHeight(thickness);
            else
                size.setWidth(thickness);
        }
        break;
    case CT_ScrollBar:
        if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(opt)) {
            const int e = pixelMetric(PM_ScrollBarExtent, opt, widget);
            const int length = pixelMetric(PM_ScrollBarSliderMin, opt, widget) + 2 * e;
            size = bar->orientation == Qt::Horizontal ? QSize(length, e) : QSize(e, length);
        }
        break;
    case CT_SpinBox:
        if (const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(opt)) {
            const int b = odd(18);
            const int tw = spin->fontMetrics.horizontalAdvance(QStringLiteral("1000"));
            QStyleOptionSpinBox probe(*spin);
            probe.rect = QRect(0, 0, tw + 37, b + 6);
            const QRect first = subControlRect(CC_SpinBox, &probe, SC_SpinBoxEditField, widget);
            probe.rect = QRect(0, 0, 2 * (tw + 2) + 35 - first.width(), 2 * b + 6 - first.height());
            const QRect second = subControlRect(CC_SpinBox, &probe, SC_SpinBoxEditField, widget);
            const int f = spin->frame ? pixelMetric(PM_SpinBoxFrameWidth, opt, widget) : 0;
            size = QSize(std::max(3 * tw + 41 - first.width() - second.width(), contentsSize.width() + b + 2 * f), b);
        }
        break;
    case CT_SizeGrip: {
        QPixmap grip;
        if (getPixmap("skin/statusbar-resizeico.png", grip))
            size = QSize(grip.width(), grip.height() - 5);
        break;
    }
    default:
        break;
    }
    return size;
}

int NuvraStyle::comboBoxChrome(const QStyleOptionComboBox* combo, int height, int labelInsets,
                               const QWidget* w) const
{
    // A line edit keeps two pixels each side and room for the cursor after
    // the text before it scrolls.
    constexpr int lineEditMargins = 2 * 2 + 1;
    QStyleOptionComboBox probe(*combo);
    probe.direction = Qt::LeftToRight;
    probe.rect = QRect(0, 0, 4 * height + 200, height);
    const QStyle* s = proxy();
    const QRect field = s->subControlRect(CC_ComboBox, &probe, SC_ComboBoxEditField, w);
    const QRect arrow = s->subControlRect(CC_ComboBox, &probe, SC_ComboBoxArrow, w);
    const int room = std::min(field.right(), arrow.left() - 1) - field.left() + 1;
    const int insets = combo->editable ? lineEditMargins + s->pixelMetric(PM_TextCursorWidth, combo, w) : labelInsets;
    return probe.rect.width() - room + insets;
}

int NuvraStyle::comboBoxTextWidth(const QSize& contentsSize, const QWidget* w)
{
    const auto* combo = qobject_cast<const QComboBox*>(w);
    if (!combo || (combo->sizeAdjustPolicy() != QComboBox::AdjustToContents &&
                   combo->sizeAdjustPolicy() != QComboBox::AdjustToContentsOnFirstShow))
        return contentsSize.width();
    const QFontMetricsF fm(combo->font());
    int width = contentsSize.width();
    for (int i = 0; i < combo->count(); ++i) {
        const QString text = combo->itemText(i);
        const QRectF ink = fm.boundingRect(text);
        int extent = qCeil(std::max(fm.horizontalAdvance(text), ink.right()));
        if (!combo->itemIcon(i).isNull())
            extent += combo->iconSize().width() + 4;
        width = std::max(width, extent);
    }
    return width;
}

QSize NuvraStyle::menuItemSize(const QStyleOptionMenuItem* item, const QSize& contentsSize,
                               const QWidget* widget) const
{
    const auto scaled = [this](double v) { return static_cast<int>(v * scale); };
    const QFontMetrics fm = item->fontMetrics;
    if (item->menuItemType == QStyleOptionMenuItem::Separator)
        return QSize(contentsSize.width(), item->text.isEmpty() ? 2 : fm.lineSpacing());

    int width = contentsSize.width();
    int height = fm.height() + scaled(6);
    const int small = pixelMetric(PM_SmallIconSize, item, widget);
    if (!item->icon.isNull()) {
        const int iconHeight = item->icon.actualSize(QSize(small, small)).height() + 2 * scaled(2);
        height = std::max(height, iconHeight);
    }
    const QString shape = shapeOf(widget);
    const bool large = shape == QLatin1String(nuvraShapeTool) || shape == QLatin1String(nuvraShapeToolBtn) ||
                       shape == QLatin1String(nuvraIconMenu);
    if (item->text.contains(QLatin1Char('\t')))
        width += scaled(12);
    if (item->menuItemType == QStyleOptionMenuItem::DefaultItem) {
        QFont bold = item->font;
        bold.setWeight(75);
        width += QFontMetrics(bold).horizontalAdvance(item->text) - fm.horizontalAdvance(item->text);
    }
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu || !item->text.isEmpty())
        width += (height - 4) / 2 + 8;
    if (large)
        width += std::max(item->maxIconWidth - scaled(4), small);
    else
        width += std::max(scaled(14), item->maxIconWidth);
    if (!item->text.isEmpty())
        width += scaled(3);
    return QSize(width, height);
}

// --- sub-elements ---------------------------------------------------------------

QRect NuvraStyle::subElementRect(SubElement r, const QStyleOption* opt, const QWidget* widget) const
{
    if (!opt)
        return QRect();

    if (r > SE_CustomBase && r <= SE_CustomBase + customSubElementCount) {
        if (!qstyleoption_cast<const QStyleOptionComplex*>(opt))
            return QCommonStyle::subElementRect(r, opt, widget);
        const double t = StyleManager::StyleScale();
        const UnitRect& u = customSubElementRects[r - SE_CustomBase - 1];
        return QRect(unit(u.x, t), unit(u.y, t), unit(u.w, t), unit(u.h, t));
    }

    switch (r) {
    case SE_RadioButtonIndicator: {
        QRect box = visualRect(opt->direction, opt->rect, QCommonStyle::subElementRect(r, opt, widget));
        box.adjust(0, 0, 1, 1);
        return visualRect(opt->direction, opt->rect, box);
    }
    case SE_ProgressBarGroove:
    case SE_ProgressBarContents:
    case SE_ProgressBarLabel:
        return opt->rect;
    case SE_HeaderLabel:
        return visualRect(opt->direction, opt->rect, QCommonStyle::subElementRect(r, opt, widget).adjusted(1, 0, -1, 0));
    case SE_TabWidgetTabContents: {
        const auto* frame = qstyleoption_cast<const QStyleOptionTabWidgetFrame*>(opt);
        if (!frame)
            return QRect();
        QRect pane = QCommonStyle::subElementRect(SE_TabWidgetTabPane, opt, widget);
        if (frame->lineWidth <= 0)
            return pane;
        if (shapeOf(widget) == QLatin1String(nuvraShapeScrollOver))
            return pane.adjusted(0, 1, 0, 0);
        return pane.adjusted(2, 2, -2, -2);
    }
    case SE_GroupBoxLayoutItem: {
        const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(opt);
        if (!box)
            return QCommonStyle::subElementRect(r, opt, widget);
        QRect item = opt->rect;
        if (box->subControls & (SC_GroupBoxCheckBox | SC_GroupBoxLabel))
            item.setTop(item.top() + 2);
        return visualRect(opt->direction, opt->rect, item);
    }
    case SE_TabBarTabLeftButton:
    case SE_TabBarTabRightButton:
        if (const auto* tab = tabOption(opt))
            return tabButtonRect(r == SE_TabBarTabLeftButton, tab, widget);
        return QCommonStyle::subElementRect(r, opt, widget);
    case SE_TabBarTabText:
        if (const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(opt)) {
            QRect text;
            QRect icon;
            tabLayout(tab, widget, &text, &icon);
            return visualRect(opt->direction, opt->rect, text);
        }
        return QCommonStyle::subElementRect(r, opt, widget);
    case SE_TabBarScrollLeftButton:
    case SE_TabBarScrollRightButton: {
        if (widget)
            return QCommonStyle::subElementRect(r, opt, widget);
        // Laid out from the option's direction where there is no widget.
        const QRect& b = opt->rect;
        const bool vertical = b.width() < b.height();
        const int button = pixelMetric(PM_TabBarScrollButtonWidth, nullptr, widget);
        const int overlap = pixelMetric(PM_TabBar_ScrollButtonOverlap, nullptr, widget);
        const int from = r == SE_TabBarScrollLeftButton ? 2 * button - overlap : button;
        if (vertical)
            return QRect(0, b.height() - from, b.width(), button);
        return visualRect(opt->direction, b, QRect(b.width() - from, 0, button, b.height()));
    }
    case SE_ToolBarHandle: {
        if (qstyleoption_cast<const QStyleOptionToolBar*>(opt))
            return QCommonStyle::subElementRect(r, opt, widget);
        const QMargins margins = widget ? widget->contentsMargins() : QMargins();
        const int e = pixelMetric(PM_ToolBarHandleExtent, opt, widget);
        const QRect& b = opt->rect;
        if (opt->state & State_Horizontal)
            return QRect(QPoint(margins.left(), margins.top()),
                         QPoint(margins.left() + e - 1, margins.top() + (b.height() - 1) - margins.bottom()));
        return QRect(QPoint(margins.left(), margins.top()),
                     QPoint(margins.left() + (b.width() - 1) - margins.right(), margins.top() + e - 1));
    }
    default:
        return QCommonStyle::subElementRect(r, opt, widget);
    }
}

QRect NuvraStyle::tabButtonRect(bool leftButton, const QStyleOptionTab* tab, const QWidget* widget) const
{
    const QSize size = leftButton ? tab->leftButtonSize : tab->rightButtonSize;
    const int w = size.width();
    const int h = size.height();
    const int pad = static_cast<int>(4 * StyleManager::StyleScale());

    int vShift = pixelMetric(PM_TabBarTabShiftVertical, tab, widget);
    int hShift = pixelMetric(PM_TabBarTabShiftHorizontal, tab, widget);
    if (isSouthTab(tab->shape))
        vShift = -vShift;
    const bool vertical = isVerticalTab(tab->shape);
    if (vertical) {
        std::swap(hShift, vShift);
        hShift = -hShift;
        vShift = -vShift;
    }
    if (tab->shape == QTabBar::RoundedWest || tab->shape == QTabBar::TriangularWest)
        hShift = -hShift;
    QRect tr = tab->rect.adjusted(0, 0, hShift, vShift);
    if (tab->state & State_Selected) {
        tr.setBottom(tr.bottom() - vShift);
        tr.setRight(tr.right() - hShift);
    }

    if (!vertical) {
        const int y = tr.y() + (tr.height() - h + 1) / 2;
        const QRect button = leftButton ? QRect(tab->rect.x() + pad, y, w, h)
                                        : QRect(tab->rect.right() - w - pad, y, w, h);
        return visualRect(tab->direction, tab->rect, button);
    }
    const bool west = tab->shape == QTabBar::RoundedWest || tab->shape == QTabBar::TriangularWest;
    const bool atTheBottom = west ? leftButton : !leftButton;
    const int x = tr.x() + (tr.width() - w) / 2;
    return atTheBottom ? QRect(x, tr.y() + tab->rect.height() - pad - h, w, h) : QRect(x, tr.y() + pad, w, h);
}

// --- complex controls -----------------------------------------------------------

QStyle::SubControl NuvraStyle::hitTestComplexControl(ComplexControl cc, const QStyleOptionComplex* opt,
                                                     const QPoint& pt, const QWidget* w) const
{
    if (const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(opt)) {
        if (cc == CC_ScrollBar) {
            if (subControlRect(cc, slider, SC_ScrollBarSlider, w).contains(pt))
                return SC_ScrollBarSlider;
        } else if (cc == CC_Slider) {
            const QRect handle = subControlRect(cc, slider, SC_SliderHandle, w);
            if (handle.isValid() && handle.contains(pt))
                return SC_SliderHandle;
            const QRect groove = subControlRect(cc, slider, SC_SliderGroove, w);
            if (groove.isValid() && groove.contains(pt))
                return SC_SliderGroove;
        }
    }
    if (!opt || quietControl(cc))
        return SC_None;
    return QCommonStyle::hitTestComplexControl(cc, opt, pt, w);
}

QRect NuvraStyle::subControlRect(ComplexControl cc, const QStyleOptionComplex* opt, SubControl sc,
                                 const QWidget* w) const
{
    if (!opt || quietControl(cc))
        return QRect();
    switch (cc) {
    case CC_SpinBox:
        if (const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(opt))
            return spinBoxRect(spin, sc, w);
        break;
    case CC_ComboBox:
        if (qstyleoption_cast<const QStyleOptionComboBox*>(opt)) {
            const QRect& r = opt->rect;
            const int arrow = static_cast<int>(19 * scale) | 1;
            const int f = pixelMetric(PM_DefaultFrameWidth);
            if (sc == SC_ComboBoxEditField)
                return visualRect(opt->direction, r,
                                  QRect(QPoint(r.left() + f, r.top() + f),
                                        QPoint(r.right() - arrow - f, r.bottom() - f)));
            if (sc == SC_ComboBoxArrow)
                return visualRect(opt->direction, r, QRect(r.right() - arrow + 1, r.top(), arrow, r.height()));
        }
        break;
    case CC_ScrollBar:
        if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(opt)) {
            if (sc == SC_ScrollBarSlider || sc == SC_ScrollBarAddPage || sc == SC_ScrollBarSubPage ||
                sc == SC_ScrollBarAddLine || sc == SC_ScrollBarSubLine || sc == SC_ScrollBarGroove) {
                const QRect part = scrollBarRect(bar, sc, w);
                return part.isValid() ? visualRect(opt->direction, opt->rect, part) : part;
            }
        }
        break;
    case CC_Slider:
        if (const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(opt)) {
            if (sc == SC_SliderGroove || sc == SC_SliderHandle)
                return sliderRect(slider, sc, w);
        }
        break;
    case CC_GroupBox:
        if (const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(opt)) {
            if (sc == SC_GroupBoxCheckBox || sc == SC_GroupBoxLabel || sc == SC_GroupBoxFrame ||
                sc == SC_GroupBoxContents)
                return groupBoxRect(box, sc, w);
        }
        break;
    default:
        break;
    }
    return QCommonStyle::subControlRect(cc, opt, sc, w);
}

QRect NuvraStyle::spinBoxRect(const QStyleOptionSpinBox* spin, SubControl sc, const QWidget* w) const
{
    const QRect& r = spin->rect;
    const int buttons = static_cast<int>(18 * scale) | 1;
    const int fw = spin->frame ? pixelMetric(PM_SpinBoxFrameWidth, spin, w) : 1;
    const bool none = spin->buttonSymbols == QAbstractSpinBox::NoButtons;
    QRect part;
    switch (sc) {
    case SC_SpinBoxEditField:
        part = r.adjusted(fw, fw, -(none ? fw : buttons), -fw);
        break;
    case SC_SpinBoxUp:
    case SC_SpinBoxDown: {
        if (none)
            return QRect();
        const int upHeight = (r.bottom() - r.top() + 1) / 2;
        const int x = r.right() - buttons + 1;
        part = sc == SC_SpinBoxUp ? QRect(x, r.top(), buttons, upHeight)
                                  : QRect(x, r.top() + upHeight, buttons, r.height() - upHeight);
        break;
    }
    default:
        part = r;
        break;
    }
    return visualRect(spin->direction, r, part);
}

// The scroll bar's parts along its length, before mirroring; a null
// rectangle for a part the bar does not show.
QRect NuvraStyle::scrollBarRect(const QStyleOptionSlider* bar, SubControl sc, const QWidget* w) const
{
    const QRect& r = bar->rect;
    const bool horizontal = bar->orientation == Qt::Horizontal;
    const int length = horizontal ? r.width() : r.height();
    const int e = std::min(pixelMetric(PM_ScrollBarExtent, bar, w), std::max(0, length / 2));
    const int free = std::max(0, length - 2 * e);

    // In 64 bits: the range and the page step multiplied by the length
    // overflow an int long before the bar is unusable.
    const std::int64_t range = std::int64_t(bar->maximum) - bar->minimum;
    const int minimumLength = pixelMetric(PM_ScrollBarSliderMin, bar, w);
    std::int64_t sliderLength;
    if (range == 0) {
        sliderLength = free;
    } else if (range > (1 << 30) - 1) {
        sliderLength = minimumLength;
    } else {
        const std::int64_t divisor = std::int64_t(bar->pageStep) + range;
        sliderLength = divisor <= 0 ? free : std::int64_t(bar->pageStep) * free / divisor;
        sliderLength = std::max<std::int64_t>(sliderLength, minimumLength);
    }
    sliderLength = std::min<std::int64_t>(sliderLength, free);
    const int slider = static_cast<int>(std::max<std::int64_t>(sliderLength, 0));
    const int start = e + sliderPositionFromValue64(bar->minimum, bar->maximum, bar->sliderPosition, free - slider,
                                                  bar->upsideDown);
    const bool over = shapeOf(w) == QLatin1String(nuvraShapeScrollOver);
    const bool enabled = bar->state & State_Enabled;
    const int middle = enabled ? start + slider / 2 : length / 2;

    int from = 0;
    int to = 0;
    switch (sc) {
    case SC_ScrollBarSubLine:
        from = 0;
        to = e;
        break;
    case SC_ScrollBarAddLine:
        from = length - e - (over ? 1 : 0);
        to = length;
        break;
    case SC_ScrollBarSubPage:
        from = e;
        to = middle;
        break;
    case SC_ScrollBarAddPage:
        from = middle;
        to = length - e - (over ? 1 : 0);
        break;
    case SC_ScrollBarSlider:
        if (!enabled)
            return QRect();
        from = start;
        to = start + slider;
        break;
    case SC_ScrollBarGroove:
        from = e;
        to = length - e;
        break;
    default:
        return QRect();
    }
    if (to <= from)
        return QRect();
    return horizontal ? QRect(r.x() + from, r.y(), to - from, r.height())
                      : QRect(r.x(), r.y() + from, r.width(), to - from);
}

QRect NuvraStyle::sliderRect(const QStyleOptionSlider* slider, SubControl sc, const QWidget* w) const
{
    const QRect& r = slider->rect;
    const bool horizontal = slider->orientation == Qt::Horizontal;
    const QSize wanted = sizeFromContents(CT_Slider, slider, QSize(), w);
    const int across = horizontal ? r.height() : r.width();
    const int wantedAcross = horizontal ? wanted.height() : wanted.width();
    const int spare = across - wantedAcross;
    const int centre = spare > 1 ? spare / 2 : 0;

    const int k = pixelMetric(PM_SliderTickmarkOffset, slider, w);
    const int thickness = pixelMetric(PM_SliderThickness, slider, w);
    const int control = pixelMetric(PM_SliderControlThickness, slider, w);
    const int h = (thickness - control) / 2;
    // The tick offset keeps room for ticks above (left); ticks only below
    // (right) take theirs after the groove, inside what CT_Slider asks for.
    const int lead = (slider->tickPosition & QSlider::TicksAbove) ? k : 0;

    int along = 0;
    int length = 0;
    int offset = 0;
    int thick = 0;
    if (sc == SC_SliderGroove) {
        along = 0;
        length = horizontal ? r.width() : r.height();
        offset = lead > 0 ? lead : h;
        thick = control;
    } else {
        length = pixelMetric(PM_SliderLength, slider, w);
        along = sliderPositionFromValue64(slider->minimum, slider->maximum, slider->sliderPosition,
                                        pixelMetric(PM_SliderSpaceAvailable, slider, w), slider->upsideDown);
        offset = lead > 0 ? lead - h : 0;
        thick = thickness;
    }
    return horizontal ? QRect(r.x() + along, r.y() + centre + offset, length, thick)
                      : QRect(r.x() + centre + offset, r.y() + along, thick, length);
}

QRect NuvraStyle::groupBoxRect(const QStyleOptionGroupBox* box, SubControl sc, const QWidget* w) const
{
    const QRect& r = box->rect;
    const bool titled = !box->text.isEmpty() || (box->subControls & SC_GroupBoxCheckBox);
    const int fontHeight = box->fontMetrics.height();

    if (sc == SC_GroupBoxFrame || sc == SC_GroupBoxContents) {
        int fw = pixelMetric(PM_DefaultFrameWidth, box, w);
        if ((w && w->inherits("Q3GroupBox")) || (box->features & QStyleOptionFrame::Flat))
            fw = 0;
        if (sc == SC_GroupBoxContents) {
            const int titleHeight = titled ? fontHeight : 0;
            QRect contents = r.adjusted(fw, fw, -fw, -fw);
            contents.setTop(r.top() + titleHeight + fw);
            return contents;
        }
        int margin = 0;
        if (titled) {
            const int align = styleHint(SH_GroupBox_TextLabelVerticalAlignment, box, w);
            if (align & Qt::AlignVCenter)
                margin = fontHeight / 2;
            else if (align & Qt::AlignTop)
                margin = fontHeight;
        }
        return QRect(QPoint(r.left(), r.top() + margin), r.bottomRight());
    }

    // The title is measured in the widget's font in bold; with no widget,
    // in the option's font metrics.
    QFontMetrics fm = box->fontMetrics;
    if (w) {
        QFont bold = w->font();
        bold.setWeight(75);
        fm = QFontMetrics(bold);
    }
    const int inset = static_cast<int>(8 * scale);
    const QRect titleBox(r.left() + inset, r.top(), std::max(0, r.width() - 2 * inset), fm.height());
    const bool checkable = box->subControls & SC_GroupBoxCheckBox;
    const int indicatorWidth = pixelMetric(PM_IndicatorWidth, box, w);
    const int indicatorHeight = pixelMetric(PM_IndicatorHeight, box, w);
    const int spacing = pixelMetric(PM_CheckBoxLabelSpacing, box, w);
    int titleWidth = fm.size(Qt::TextShowMnemonic, box->text + QLatin1Char(' ')).width();
    if (checkable)
        titleWidth += indicatorWidth - 1 + spacing;
    const QRect title = alignedRect(box->direction, box->textAlignment, QSize(titleWidth, fm.height()), titleBox);
    const bool leftToRight = box->direction != Qt::RightToLeft;
    if (sc == SC_GroupBoxCheckBox) {
        const int y = title.top() + (fm.height() - indicatorHeight) / 2;
        const int x = leftToRight ? title.left() : title.right() - indicatorWidth + 1;
        return QRect(x, y, indicatorWidth, indicatorHeight);
    }
    if (!checkable)
        return title;
    const int c = indicatorWidth + spacing - 1;
    return leftToRight ? title.adjusted(c - 2, 0, -2, 0) : title.adjusted(0, 0, -c, 0);
}

} // namespace Style
} // namespace Nuvra
