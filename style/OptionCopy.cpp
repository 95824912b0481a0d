#include "style/OptionCopy.h"

#include "style/ComplexStyleOptions.h"
#include "style/StyleManager.h"
#include "style/StyleOptions.h"

#include <QStyle>
#include <QStyleOption>

namespace Nuvra {
namespace Style {

namespace {

// The copy is of exactly class T and says so in its version, so nothing
// that reads it looks for fields of a caller's newer class.
template <typename T>
std::shared_ptr<QStyleOption> copyAs(const QStyleOption* option)
{
    auto copy = std::make_shared<T>(*static_cast<const T*>(option));
    copy->version = T::Version;
    return copy;
}

std::shared_ptr<QStyleOption> copyOf(const QStyleOption* o)
{
    switch (o->type) {
    case QStyleOption::SO_Default: return copyAs<QStyleOption>(o);
    case QStyleOption::SO_FocusRect: return copyAs<QStyleOptionFocusRect>(o);
    case QStyleOption::SO_Button: return copyAs<QStyleOptionButton>(o);
    case QStyleOption::SO_Tab:
        return o->version >= QStyleOptionTabV4::Version ? copyAs<QStyleOptionTabV4>(o) : copyAs<QStyleOptionTab>(o);
    case QStyleOption::SO_MenuItem: return copyAs<QStyleOptionMenuItem>(o);
    case QStyleOption::SO_Frame: return copyAs<QStyleOptionFrame>(o);
    case QStyleOption::SO_ProgressBar: return copyAs<QStyleOptionProgressBar>(o);
    case QStyleOption::SO_ToolBox: return copyAs<QStyleOptionToolBox>(o);
    case QStyleOption::SO_Header: return copyAs<QStyleOptionHeader>(o);
    case QStyleOption::SO_DockWidget: return copyAs<QStyleOptionDockWidget>(o);
    case QStyleOption::SO_ViewItem: return copyAs<QStyleOptionViewItem>(o);
    case QStyleOption::SO_TabWidgetFrame: return copyAs<QStyleOptionTabWidgetFrame>(o);
    case QStyleOption::SO_TabBarBase: return copyAs<QStyleOptionTabBarBase>(o);
    case QStyleOption::SO_RubberBand: return copyAs<QStyleOptionRubberBand>(o);
    case QStyleOption::SO_ToolBar: return copyAs<QStyleOptionToolBar>(o);
    case QStyleOption::SO_Complex: return copyAs<QStyleOptionComplex>(o);
    case QStyleOption::SO_Slider:
        // Our own slider class shares Qt's type; its version tells it apart.
        return o->version == StyleOptionSliderGroove::Version ? copyAs<StyleOptionSliderGroove>(o)
                                                              : copyAs<QStyleOptionSlider>(o);
    case QStyleOption::SO_SpinBox: return copyAs<QStyleOptionSpinBox>(o);
    case QStyleOption::SO_ToolButton: return copyAs<QStyleOptionToolButton>(o);
    case QStyleOption::SO_ComboBox: return copyAs<QStyleOptionComboBox>(o);
    case QStyleOption::SO_TitleBar: return copyAs<QStyleOptionTitleBar>(o);
    case QStyleOption::SO_GroupBox: return copyAs<QStyleOptionGroupBox>(o);
    case QStyleOption::SO_SizeGrip: return copyAs<QStyleOptionSizeGrip>(o);
    case StyleOptionFlags::Type: return copyAs<StyleOptionFlags>(o);
    case StyleOptionHandlePanel::Type: return copyAs<StyleOptionHandlePanel>(o);
    case StyleOptionSwatch::Type: return copyAs<StyleOptionSwatch>(o);
    case StyleOptionPageTab::Type: return copyAs<StyleOptionPageTab>(o);
    case StyleOptionPolygon::Type: return copyAs<StyleOptionPolygon>(o);
    case StyleOptionIconButton::Type: return copyAs<StyleOptionIconButton>(o);
    case StyleOptionDockLines::Type: return copyAs<StyleOptionDockLines>(o);
    case StyleOptionDockFrame::Type: return copyAs<StyleOptionDockFrame>(o);
    case StyleOptionPanelHeader::Type: return copyAs<StyleOptionPanelHeader>(o);
    case StyleOptionColorPair::Type: return copyAs<StyleOptionColorPair>(o);
    case StyleOptionComponentSlider::Type: return copyAs<StyleOptionComponentSlider>(o);
    default: return nullptr;
    }
}

} // namespace

std::shared_ptr<QStyleOption> fakeEnabledCopy(const QStyleOption* option, const QWidget* widget)
{
    if (!option || !widget || (option->state & QStyle::State_Enabled) ||
        !StyleManager::GetFakeDisabledState(widget, false))
        return nullptr;
    std::shared_ptr<QStyleOption> copy = copyOf(option);
    if (!copy)
        return nullptr;
    copy->state |= QStyle::State_Enabled;
    if (copy->palette.currentColorGroup() == QPalette::Disabled)
        copy->palette.setCurrentColorGroup(QPalette::Active);
    return copy;
}

} // namespace Style
} // namespace Nuvra
