// Control elements of NuvraStyle: which routine draws each element. An
// element the style draws itself, given an option of another class, draws
// nothing; QCommonStyle draws every element the style does not draw.
#include "style/NuvraStyle.h"

#include "style/ControlDrawing.h"
#include "style/OptionCopy.h"
#include "style/StyleHelpers.h"

#include <QIcon>
#include <QPainter>
#include <QStyleOption>

namespace Nuvra {
namespace Style {

namespace {

// Selected items show their icon as it is, not tinted.
void drawItemViewItem(const QCommonStyle* base, const QStyleOption* opt, QPainter* p, const QWidget* w)
{
    const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(opt);
    const PainterIsolation isolation(p, true);
    if (!item || item->icon.isNull()) {
        base->QCommonStyle::drawControl(QStyle::CE_ItemViewItem, opt, p, w);
        return;
    }
    QStyleOptionViewItem copy(*item);
    copy.version = QStyleOptionViewItem::Version;
    QIcon icon = copy.icon;
    for (const QSize& size : copy.icon.availableSizes(QIcon::Normal, QIcon::Off))
        icon.addPixmap(copy.icon.pixmap(size, QIcon::Normal, QIcon::Off), QIcon::Selected);
    copy.icon = icon;
    base->QCommonStyle::drawControl(QStyle::CE_ItemViewItem, &copy, p, w);
}

} // namespace

void NuvraStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* p,
                             const QWidget* w) const
{
    if (!option || !p)
        return;
    // A fake-disabled widget is drawn as enabled, from a copy: the caller's
    // option stays as it was given.
    const std::shared_ptr<QStyleOption> enabled = fakeEnabledCopy(option, w);
    const QStyleOption* opt = enabled ? enabled.get() : option;

    switch (element) {
    case CE_PushButtonBevel:
        if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(opt))
            Control::drawPushButtonBevel(this, button, p, w);
        return;
    case CE_PushButtonLabel:
        if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(opt)) {
            if (!Control::drawWrappedPushButtonLabel(this, button, p, w)) {
                const PainterIsolation isolation(p, true);
                QCommonStyle::drawControl(element, opt, p, w);
            }
        }
        return;
    case CE_TabBarTab:
        if (const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(opt))
            Control::drawTab(this, tab, p, w);
        return;
    case CE_TabBarTabShape:
        if (const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(opt))
            Control::drawTabShape(this, tab, p, w);
        return;
    case CE_TabBarTabLabel:
        if (const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(opt))
            Control::drawTabLabel(this, tab, p, w);
        return;
    case CE_ProgressBarGroove:
        if (const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(opt))
            Control::drawProgressGroove(bar, p);
        return;
    case CE_ProgressBarContents:
        if (const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(opt))
            Control::drawProgressContents(this, bar, p);
        return;
    case CE_ProgressBarLabel:
        if (const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(opt))
            Control::drawProgressLabel(bar, p);
        return;
    case CE_MenuItem:
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(opt))
            Control::drawMenuItem(this, item, p, w);
        return;
    case CE_MenuBarItem:
        Control::drawMenuBarItemBackground(opt, p, w);
        if (qstyleoption_cast<const QStyleOptionMenuItem*>(opt)) {
            const PainterIsolation isolation(p, true);
            QCommonStyle::drawControl(element, opt, p, w);
        }
        return;
    case CE_MenuBarEmptyArea:
        Control::drawMenuBarEmptyArea(opt, p, w);
        return;
    case CE_HeaderSection:
        if (const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(opt))
            Control::drawHeaderSection(header, p, w);
        return;
    case CE_SizeGrip:
        Control::drawSizeGrip(this, opt, p);
        return;
    case CE_Splitter:
        Control::drawSplitter(this, opt, p, w);
        return;
    case CE_ScrollBarAddLine:
    case CE_ScrollBarSubLine:
        if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(opt))
            Control::drawScrollBarLine(this, element, bar, p, w);
        return;
    case CE_ScrollBarAddPage:
    case CE_ScrollBarSubPage:
        if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(opt))
            Control::drawScrollBarPage(bar, p);
        return;
    case CE_ScrollBarSlider:
        if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(opt))
            Control::drawScrollBarSlider(this, bar, p, w);
        return;
    case CE_ComboBoxLabel:
        if (const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(opt))
            Control::drawComboBoxLabel(this, combo, p, w);
        return;
    case CE_ToolBar:
        if (const auto* bar = qstyleoption_cast<const QStyleOptionToolBar*>(opt))
            Control::drawToolBar(bar, p, w);
        return;
    case CE_ToolBoxTabShape:
        if (const auto* box = qstyleoption_cast<const QStyleOptionToolBox*>(opt))
            Control::drawToolBoxTabShape(box, p, w);
        return;
    case CE_ItemViewItem:
        // Drawn from a fake-enabled copy, the item must not take the
        // widget's own disabled look back.
        drawItemViewItem(this, opt, p, enabled ? nullptr : w);
        return;
    case CE_ShapedFrame:
        if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(opt))
            Control::drawShapedFrame(this, frame, p, w);
        return;
    default:
        if (Control::drawCustom(this, element, opt, p, w))
            return;
        {
            // QCommonStyle leaves its pens and fonts on the painter.
            const PainterIsolation isolation(p, true);
            QCommonStyle::drawControl(element, opt, p, w);
        }
        return;
    }
}

} // namespace Style
} // namespace Nuvra
