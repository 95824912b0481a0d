// Complex controls of NuvraStyle: which routine draws each control. Title
// bars, dials and any other control are QCommonStyle's.
#include "style/NuvraStyle.h"

#include "style/ComplexDrawing.h"
#include "style/OptionCopy.h"
#include "style/StyleHelpers.h"

#include <QPainter>
#include <QStyleOption>

namespace Nuvra {
namespace Style {

void NuvraStyle::drawComplexControl(ComplexControl cc, const QStyleOptionComplex* option, QPainter* p,
                                    const QWidget* w) const
{
    if (!option || !p)
        return;
    const std::shared_ptr<QStyleOption> enabled = fakeEnabledCopy(option, w);
    const auto* opt = enabled ? static_cast<const QStyleOptionComplex*>(enabled.get()) : option;
    // A control of the style's own whose option is of another class draws nothing.
    switch (cc) {
    case CC_SpinBox:
        if (const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(opt))
            Complex::drawSpinBox(this, spin, p, w);
        return;
    case CC_ComboBox:
        if (const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(opt))
            Complex::drawComboBox(this, combo, p, w);
        return;
    case CC_ScrollBar:
        if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(opt))
            Complex::drawScrollBar(this, bar, p, w);
        return;
    case CC_Slider:
        if (const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(opt))
            Complex::drawSlider(this, slider, p, w);
        return;
    case CC_ToolButton:
        Complex::drawToolButton(this, opt, p, w);
        return;
    case CC_GroupBox:
        if (const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(opt))
            Complex::drawGroupBox(this, box, p, w);
        return;
    default:
        if (!Complex::drawCustom(this, cc, opt, p, w)) {
            // QCommonStyle leaves its pens and fonts on the painter.
            const PainterIsolation isolation(p, true);
            QCommonStyle::drawComplexControl(cc, opt, p, w);
        }
        return;
    }
}

} // namespace Style
} // namespace Nuvra
