// Metrics and layout of the flat style. What it does not measure itself is
// NuvraStyle's measure (style hints: QCommonStyle's).
#include "style/ModernStyle.h"

#include "style/StyleHelpers.h"
#include "style/StyleManager.h"
#include "style/StyleProperties.h"

#include <QFormLayout>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QStyleOption>
#include <QTabBar>
#include <QWidget>

#include <algorithm>
#include <cstdint>

namespace Nuvra {
namespace Style {

namespace {

bool parentFlag(const QWidget* w, const char* name)
{
    const QWidget* parent = w ? w->parentWidget() : nullptr;
    return parent && parent->property(name).toBool();
}

bool isVerticalTab(QTabBar::Shape shape)
{
    return shape == QTabBar::RoundedWest || shape == QTabBar::RoundedEast || shape == QTabBar::TriangularWest ||
           shape == QTabBar::TriangularEast;
}

bool isSouthTab(QTabBar::Shape shape)
{
    return shape == QTabBar::RoundedSouth || shape == QTabBar::TriangularSouth;
}

bool isRoundedTab(QTabBar::Shape shape)
{
    return shape >= QTabBar::RoundedNorth && shape <= QTabBar::RoundedEast;
}

bool isTriangularTab(QTabBar::Shape shape)
{
    return shape >= QTabBar::TriangularNorth && shape <= QTabBar::TriangularEast;
}

// Custom metrics, by their number past PM_CustomBase (slot 19 is scaled).
constexpr int customMetricCount = 25;
constexpr int customMetricValues[customMetricCount + 1] = {
    0, 20, 2, 2, 0, 0, 0, 1, 1, 1, 1, 3, 65, 65, 35, 36, 233, 14, 22, 40, 64, 64, 70, 70, 48, 23,
};

// Custom sub-element rectangles in units of the application style's scale;
// a negative side is in pixels.
struct UnitRect {
    int x, y, w, h;
};
constexpr int customSubElementCount = 10;
constexpr UnitRect customSubElementRects[customSubElementCount] = {
    {2, 3, 39, 39}, {21, 23, 38, 38}, {1, 48, 9, 9},  {7, 53, 8, 8},   {42, 1, -25, -22},
    {2, 2, 19, 19}, {16, 16, 18, 18}, {1, 24, 7, 7},  {5, 28, 6, 6},   {23, 0, -14, -14},
};

int unit(int v, double t)
{
    return v < 0 ? -v : static_cast<int>(v * t);
}

} // namespace

// --- metrics ------------------------------------------------------------------

int ModernStyle::pixelMetric(PixelMetric m, const QStyleOption* opt, const QWidget* widget) const
{
    const auto scaled = [this](double v) { return static_cast<int>(dpiScaled(v)); };

    if (m > PM_CustomBase && m <= PM_CustomBase + customMetricCount) {
        const int n = m - PM_CustomBase;
        return n == 19 ? scaled(customMetricValues[n]) : customMetricValues[n];
    }

    switch (m) {
    case PM_SpinBoxFrameWidth:
        return 2;
    case PM_ScrollBarExtent:
        if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(opt)) {
            if (bar->orientation == Qt::Horizontal)
                return scaled(6) + 6;
            return isListScrollBar(widget) ? scaled(4) + 4 : scaled(6) + 5;
        }
        return shapeOf(widget) == QLatin1String(nuvraShapeScrollMini) ? scaled(4) + 4 : scaled(6) + 6;
    case PM_ScrollBarSliderMin:
        return scaled(25) | 1;
    case PM_SliderThickness:
    case PM_SliderLength:
        return scaled(15);
    case PM_SliderControlThickness:
        return scaled(13);
    case PM_SliderTickmarkOffset:
    case PM_SplitterWidth:
    case PM_TabBarTabShiftVertical:
    case PM_ToolBarItemMargin:
    case PM_ToolBarSeparatorExtent:
        return 0;
    case PM_SliderSpaceAvailable:
        if (const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(opt))
            return (slider->orientation == Qt::Horizontal ? slider->rect.width() : slider->rect.height()) -
                   pixelMetric(PM_SliderLength, opt, widget);
        return 0;
    case PM_DockWidgetSeparatorExtent:
    case PM_ToolBarHandleExtent:
        return 6;
    case PM_DockWidgetHandleExtent:
        return 20;
    case PM_DockWidgetFrameWidth:
    case PM_ToolBarItemSpacing:
        return 1;
    case PM_TabBarTabOverlap:
        if (const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(opt)) {
            if (isRoundedTab(tab->shape))
                return 2;
            if (isTriangularTab(tab->shape))
                return 1;
        }
        return 3;
    case PM_TabBarTabHSpace:
        return 24;
    case PM_TabBarTabVSpace:
        if (const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(opt)) {
            if (isRoundedTab(tab->shape))
                return scaled(12);
            if (isTriangularTab(tab->shape))
                return scaled(6);
        }
        return -1;
    case PM_TabBarBaseOverlap:
        return 2;
    case PM_TitleBarHeight:
        if (widget)
            return std::max(widget->fontMetrics().lineSpacing(), 30);
        if (opt)
            return std::max(opt->fontMetrics.lineSpacing(), 30);
        return 30;
    case PM_HeaderMargin:
        return 3;
    // A table's sections start at the base style's width and height, grown
    // with the style's scale so that a scaled title and its sort arrow fit.
    case PM_HeaderDefaultSectionSizeHorizontal:
    case PM_HeaderDefaultSectionSizeVertical:
        return scaled(QCommonStyle::pixelMetric(m, opt, widget));
    case PM_TabBarTabShiftHorizontal:
    case PM_TabBarIconSize:
        return 12;
    case PM_ToolBarFrameWidth:
        return shapeOf(widget) == QLatin1String(nuvraShapeTopBar) ? 0 : 1;
    case PM_ToolBarExtensionExtent:
        return 11;
    case PM_ToolBarIconSize:
        return 29;
    case PM_CheckBoxLabelSpacing:
        return 8;
    case PM_SizeGripSize: {
        QPixmap grip;
        // Without the image there is no grip to leave room for.
        if (!getPixmap("skin/statusbar-resizeico.png", grip))
            return 0;
        return std::max(0, grip.height() - 5);
    }
    default:
        return NuvraStyle::pixelMetric(m, opt, widget);
    }
}

// --- style hints ----------------------------------------------------------------

int ModernStyle::styleHint(StyleHint sh, const QStyleOption* opt, const QWidget* w, QStyleHintReturn* shret) const
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
    case SH_Slider_StopMouseOverSlider:
    case SH_ToolBox_SelectedPageTitleBold:
    case SH_ScrollBar_LeftClickAbsolutePosition:
    case SH_TitleBar_AutoRaise:
    case SH_ItemView_ShowDecorationSelected:
    case SH_ItemView_ArrowKeysNavigateIntoChildren:
        return 1;
    case SH_Slider_AbsoluteSetButtons:
    case SH_Slider_PageSetButtons:
        return Qt::LeftButton;
    case SH_FormLayoutFieldGrowthPolicy:
        return QFormLayout::ExpandingFieldsGrow;
    case SH_MainWindow_SpaceBelowMenuBar:
    case SH_DialogButtonBox_ButtonsHaveIcons:
        return 0;
    case SH_FormLayoutWrapPolicy:
        return QFormLayout::DontWrapRows;
    case SH_ComboBox_Popup:
        if (const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(opt))
            return combo->editable ? 0 : 1;
        return 0;
    case SH_ToolButton_PopupDelay:
        return 400;
    case SH_DialogButtonLayout:
        return QDialogButtonBox::KdeLayout;
    case SH_MessageBox_TextInteractionFlags:
        return Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse;
    case SH_FormLayoutFormAlignment:
        return Qt::AlignLeft | Qt::AlignTop;
    case SH_FormLayoutLabelAlignment:
        return Qt::AlignRight;
    case SH_WindowFrame_Mask: {
        const auto* complex = qstyleoption_cast<const QStyleOptionComplex*>(opt);
        auto* mask = qstyleoption_cast<QStyleHintReturnMask*>(shret);
        if (complex && mask) {
            const QRect& r = complex->rect;
            if (!r.isValid()) {
                mask->region = QRegion();
                return 1;
            }
            const int c = qRound(StyleManager::StyleScale() * 8);
            const int w = r.width();
            const int h = r.height();
            const QPolygon cut({QPoint(0, c), QPoint(c, 0), QPoint(w - c, 0), QPoint(w, c), QPoint(w, h - c),
                                QPoint(w - c, h), QPoint(c, h), QPoint(0, h - c), QPoint(0, c)});
            mask->region = QRegion(cut, Qt::OddEvenFill);
        }
        return 1;
    }
    default:
        return QCommonStyle::styleHint(sh, opt, w, shret);
    }
}

// --- sizes ----------------------------------------------------------------------

QSize ModernStyle::sizeFromContents(ContentsType ct, const QStyleOption* opt, const QSize& contentsSize,
                                    const QWidget* widget) const
{
    const auto scaled = [this](double v) { return static_cast<int>(dpiScaled(v)); };
    switch (ct) {
    case CT_PushButton: {
        double w = contentsSize.width();
        const auto* push = qobject_cast<const QPushButton*>(widget);
        if (push && !push->text().isEmpty())
            w = static_cast<int>(w + dpiScaled(10));
        const QString shape = shapeOf(widget);
        const double left = dpiScaled(shape == QLatin1String(nuvraShapeLeft) ? 1 : 10);
        const double right = dpiScaled(shape == QLatin1String(nuvraShapeRight) ? 1 : 10);
        const int width = std::max(static_cast<int>(right) + static_cast<int>(w) + static_cast<int>(left), scaled(76));
        return QSize(width, scaled(24) | 1);
    }
    case CT_ComboBox: {
        const QSize b = QCommonStyle::sizeFromContents(ct, opt, contentsSize, widget);
        const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(opt);
        if (!combo)
            return b;
        const int height = scaled(25) | 1;
        // The label is centred one pixel right, or set five pixels in when
        // aligned left; a pixel more for the centring's rounding.
        const int insets = flagOf(widget, "leftTextAlign") ? 5 : 3;
        const int width =
            std::max(b.width(), comboBoxTextWidth(contentsSize, widget) + comboBoxChrome(combo, height, insets, widget));
        if (widget && widget->property("fixedWidthTwinCombo").toBool())
            return QSize(static_cast<int>(width + dpiScaled(20)), height);
        return QSize(width, height);
    }
    case CT_MenuItem:
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(opt))
            return menuItemSizeModern(item, contentsSize, widget);
        return QCommonStyle::sizeFromContents(ct, opt, contentsSize, widget);
    case CT_MenuBarItem: {
        QSize b = QCommonStyle::sizeFromContents(ct, opt, contentsSize, widget);
        if (b.width() > 0 && b.height() > 0)
            b += QSize(static_cast<int>(4 * dpiScaled(3)), static_cast<int>(2 * dpiScaled(3)));
        return b;
    }
    case CT_Slider: {
        const QSize b = QCommonStyle::sizeFromContents(ct, opt, contentsSize, widget);
        const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(opt);
        if (!slider)
            return b;
        int t = pixelMetric(PM_SliderThickness, opt, widget);
        const int offset = pixelMetric(PM_SliderTickmarkOffset, opt, widget);
        if (slider->tickPosition & QSlider::TicksAbove)
            t += offset;
        if (slider->tickPosition & QSlider::TicksBelow)
            t += offset;
        return slider->orientation == Qt::Horizontal ? QSize(b.width(), t) : QSize(t, b.height());
    }
    case CT_ScrollBar: {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(opt);
        if (!bar)
            return QCommonStyle::sizeFromContents(ct, opt, contentsSize, widget);
        const int length = pixelMetric(PM_ScrollBarSliderMin, opt, widget);
        const int extent = pixelMetric(PM_ScrollBarExtent, opt, widget);
        return bar->orientation == Qt::Horizontal ? QSize(length, extent) : QSize(extent, length);
    }
    case CT_SpinBox: {
        if (!qstyleoption_cast<const QStyleOptionSpinBox*>(opt))
            return QCommonStyle::sizeFromContents(ct, opt, contentsSize, widget);
        return QSize(std::max(contentsSize.width(), scaled(48)), scaled(22) | 1);
    }
    case CT_HeaderSection: {
        const QSize b = QCommonStyle::sizeFromContents(ct, opt, contentsSize, widget);
        if (!qstyleoption_cast<const QStyleOptionHeader*>(opt))
            return b;
        return QSize(b.width(), scaled(16));
    }
    default:
        return NuvraStyle::sizeFromContents(ct, opt, contentsSize, widget);
    }
}

QSize ModernStyle::menuItemSizeModern(const QStyleOptionMenuItem* item, const QSize& contentsSize,
                                      const QWidget* widget) const
{
    int w = contentsSize.width();
    int h;
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        h = item->text.isEmpty() ? 3 : item->fontMetrics.lineSpacing() + 1;
    } else {
        h = QFontMetrics(item->font).height() + static_cast<int>(dpiScaled(6));
        if (!item->icon.isNull()) {
            const int small = pixelMetric(PM_SmallIconSize, item, widget);
            const QSize icon = item->icon.actualSize(QSize(small, small), QIcon::Normal, QIcon::Off);
            h = std::max(h, icon.height() + 2 * static_cast<int>(dpiScaled(2)));
        }
    }
    const QString shape = shapeOf(widget);
    const bool iconMenu = shape == QLatin1String(nuvraShapeTool) || shape == QLatin1String(nuvraShapeToolBtn) ||
                          shape == QLatin1String(nuvraIconMenu);
    if (item->text.contains(QLatin1Char('\t')))
        w = static_cast<int>(w + dpiScaled(12));
    if (item->menuItemType == QStyleOptionMenuItem::DefaultItem) {
        QFont bold = item->font;
        bold.setWeight(QFont::Bold);
        w += QFontMetrics(bold).horizontalAdvance(item->text) - QFontMetrics(item->font).horizontalAdvance(item->text);
    }
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu || !item->text.isEmpty())
        w += 8 + (h - 4) / 2;
    const int small = pixelMetric(PM_SmallIconSize, item, widget);
    const int column = iconMenu ? std::max(item->maxIconWidth - static_cast<int>(dpiScaled(4)), small)
                                : std::max(static_cast<int>(dpiScaled(14)), item->maxIconWidth);
    w += column;
    if (!item->text.isEmpty())
        w = static_cast<int>(w + dpiScaled(3));
    return QSize(w, h);
}

// --- sub-elements ---------------------------------------------------------------

QRect ModernStyle::subElementRect(SubElement r, const QStyleOption* opt, const QWidget* widget) const
{
    if (!opt)
        return QRect();

    if (r > SE_CustomBase && r <= SE_CustomBase + customSubElementCount) {
        if (!qstyleoption_cast<const QStyleOptionComplex*>(opt))
            return QRect();
        const double t = StyleManager::StyleScale();
        const UnitRect& u = customSubElementRects[r - SE_CustomBase - 1];
        return QRect(unit(u.x, t), unit(u.y, t), unit(u.w, t), unit(u.h, t));
    }

    switch (r) {
    case SE_HeaderLabel: {
        QRect label = QCommonStyle::subElementRect(r, opt, widget).adjusted(1, 0, -1, 0);
        if (parentFlag(widget, "noDownBorder"))
            label.setTop(label.top() - 4);
        return visualRect(opt->direction, opt->rect, label);
    }
    case SE_TabBarTabText: {
        const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(opt);
        if (!tab || tab->version < 3)
            return QRect();
        QStyleOptionTab copy(*tab);
        QRect text;
        tabLayout(&copy, widget, &text, nullptr);
        return visualRect(opt->direction, opt->rect, text);
    }
    case SE_ToolBarHandle: {
        QRect handle;
        if (qstyleoption_cast<const QStyleOptionToolBar*>(opt)) {
            handle = QCommonStyle::subElementRect(r, opt, widget);
        } else {
            const int e = pixelMetric(PM_ToolBarHandleExtent);
            const QRect& b = opt->rect;
            if (opt->state & State_Horizontal)
                handle = QRect(QPoint(b.left() + 1, b.top() + 1), QPoint(b.left() + e - 1, b.bottom() - 1));
            else
                handle = QRect(QPoint(b.left() + 1, b.top() + 1), QPoint(b.right() - 1, b.top() + e - 1));
        }
        return visualRect(opt->direction, opt->rect, handle);
    }
    default:
        return NuvraStyle::subElementRect(r, opt, widget);
    }
}

// --- tab layout -----------------------------------------------------------------

void ModernStyle::tabLayout(const QStyleOptionTab* opt, const QWidget* widget, QRect* textRect,
                            QRect* iconRect) const
{
    if (!opt)
        return;
    const bool vertical = isVerticalTab(opt->shape);
    QRect tr = vertical ? QRect(0, 0, opt->rect.height(), opt->rect.width()) : opt->rect;

    int vs = pixelMetric(PM_TabBarTabShiftVertical, opt, widget);
    if (isSouthTab(opt->shape))
        vs = -vs;
    const int vp = pixelMetric(PM_TabBarTabVSpace, opt, widget);
    tr.setTop(tr.top() + vs - vp / 2);
    tr.setBottom(tr.bottom() + vp / 2);

    const int m = static_cast<int>(4 * StyleManager::StyleScale());
    const auto pad = [&](const QSize& button) {
        if (button.width() <= 0 || button.height() <= 0)
            return m;
        return (vertical ? button.height() : button.width()) + 2 * m;
    };
    int left = pad(opt->leftButtonSize);
    const int right = pad(opt->rightButtonSize);

    if (!opt->icon.isNull()) {
        QSize size = opt->iconSize;
        if (!size.isValid()) {
            const int extent = pixelMetric(PM_SmallIconSize, opt, widget);
            size = QSize(extent, extent);
        }
        const QSize a = opt->icon.actualSize(size, (opt->state & State_Enabled) ? QIcon::Normal : QIcon::Disabled,
                                             (opt->state & State_Selected) ? QIcon::On : QIcon::Off);
        const int x = parentFlag(widget, "leftTabHeaderIcon") ? tr.left() + left
                                                               : tr.center().x() - a.width() / 2;
        QRect icon(x, (tr.top() + tr.bottom()) / 2 - a.height() / 2 + 1, a.width(), a.height());
        if (!vertical)
            icon = visualRect(opt->direction, opt->rect, icon);
        if (iconRect)
            *iconRect = icon;
        left += a.width() + m;
    }

    tr.setLeft(tr.left() + std::max(left, 2));
    tr.setRight(tr.right() - std::max(right, 2));
    if (!vertical)
        tr = visualRect(opt->direction, opt->rect, tr);
    if (textRect)
        *textRect = tr;
}

// --- complex-control parts ------------------------------------------------------

QRect ModernStyle::subControlRect(ComplexControl cc, const QStyleOptionComplex* opt, SubControl sc,
                                  const QWidget* w) const
{
    if (!opt)
        return QRect();
    switch (cc) {
    case CC_SpinBox: {
        const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(opt);
        if (!spin)
            return QCommonStyle::subControlRect(cc, opt, sc, w);
        const int f = spin->frame ? pixelMetric(PM_SpinBoxFrameWidth, spin, w) : 1;
        // The buttons overlay the field.
        const QRect part = sc == SC_SpinBoxEditField ? opt->rect.adjusted(f, f - 2, -f, -f) : opt->rect;
        return visualRect(opt->direction, opt->rect, part);
    }
    case CC_ComboBox: {
        if (!qstyleoption_cast<const QStyleOptionComboBox*>(opt))
            return QCommonStyle::subControlRect(cc, opt, sc, w);
        const QRect& r = opt->rect;
        const int a = qRound(dpiScaled(16));
        const int m = qRound(dpiScaled(1));
        switch (sc) {
        case SC_ComboBoxArrow:
            return visualRect(opt->direction, r,
                              QRect(QPoint(r.right() - a, r.top() + m), QPoint(r.right() - 1, r.bottom() - m)));
        case SC_ComboBoxEditField: {
            const int f = pixelMetric(PM_DefaultFrameWidth);
            return visualRect(opt->direction, r,
                              QRect(QPoint(r.left() + f, r.top() + f), QPoint(r.right() - a, r.bottom() - f)));
        }
        case SC_ComboBoxFrame:
            return r.adjusted(1, 1, -1, -1);
        default:
            return QCommonStyle::subControlRect(cc, opt, sc, w);
        }
    }
    case CC_ScrollBar:
        if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(opt))
            return scrollBarRectModern(bar, sc, w);
        return QCommonStyle::subControlRect(cc, opt, sc, w);
    case CC_Slider: {
        const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(opt);
        if (!slider)
            return QCommonStyle::subControlRect(cc, opt, sc, w);
        const QRect& r = opt->rect;
        const bool horizontal = slider->orientation == Qt::Horizontal;
        const int t = pixelMetric(PM_SliderThickness, opt, w);
        const int l = pixelMetric(PM_SliderControlThickness, opt, w);
        if (sc == SC_SliderGroove)
            return horizontal ? QRect(r.left(), r.top(), r.width(), t) : QRect(r.left(), r.top(), t, r.height());
        if (sc == SC_SliderHandle) {
            const int p = sliderPositionFromValue64(slider->minimum, slider->maximum, slider->sliderPosition,
                                                    pixelMetric(PM_SliderSpaceAvailable, opt, w), slider->upsideDown);
            return horizontal ? QRect(r.left() + p + 1, r.top() + 1, l, l) : QRect(r.left() + 1, r.top() + p + 1, l, l);
        }
        return QCommonStyle::subControlRect(cc, opt, sc, w);
    }
    default:
        return NuvraStyle::subControlRect(cc, opt, sc, w);
    }
}

// The bar has no line buttons: the slider runs the whole length, and the
// line-button rectangles are empty markers at the two ends.
QRect ModernStyle::scrollBarRectModern(const QStyleOptionSlider* bar, SubControl sc, const QWidget* w) const
{
    const QRect& r = bar->rect;
    const bool horizontal = bar->orientation == Qt::Horizontal;
    const int length = std::max(0, horizontal ? r.width() : r.height());
    const int e = pixelMetric(PM_ScrollBarExtent, bar, w);
    const int n = shapeOf(w) == QLatin1String(nuvraShapeScrollOver) ? 0 : 1;

    // In 64 bits: the page step times the length overflows an int, and a
    // negative page step must not make the divisor zero or negative.
    const std::int64_t range = std::int64_t(bar->maximum) - bar->minimum;
    const int minimumLength = pixelMetric(PM_ScrollBarSliderMin, bar, w);
    std::int64_t len;
    if (range == 0) {
        len = length;
    } else if (range > 1073741823) {
        len = minimumLength;
    } else {
        const std::int64_t divisor = std::int64_t(bar->pageStep) + range;
        len = divisor <= 0 ? length : std::int64_t(bar->pageStep) * length / divisor;
        len = std::max<std::int64_t>(len, minimumLength);
    }
    len = std::clamp<std::int64_t>(len, 0, length);
    const int slider = static_cast<int>(len);
    const int p = sliderPositionFromValue64(bar->minimum, bar->maximum, bar->sliderPosition, length - slider,
                                            bar->upsideDown);

    const auto along = [&](int from, int size) {
        return horizontal ? QRect(r.left() + from, r.top(), size, r.height())
                          : QRect(r.left(), r.top() + from, r.width(), size);
    };
    QRect part;
    switch (sc) {
    case SC_ScrollBarAddLine:
        return along(length - e + n, 0);
    case SC_ScrollBarSubLine:
        return along(0, 0);
    case SC_ScrollBarAddPage:
    case SC_ScrollBarSubPage:
    case SC_ScrollBarGroove:
        part = r;
        break;
    case SC_ScrollBarSlider:
        if (!(bar->state & State_Enabled))
            return QRect();
        part = along(p + 3, std::max(0, slider - 3));
        break;
    default:
        return QCommonStyle::subControlRect(CC_ScrollBar, bar, sc, w);
    }
    return part.isEmpty() ? part : visualRect(bar->direction, r, part);
}

} // namespace Style
} // namespace Nuvra
