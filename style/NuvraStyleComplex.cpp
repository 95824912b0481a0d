// Complex controls of NuvraStyle; QCommonStyle draws what the style does not
// draw itself.
#include "style/NuvraStyle.h"

#include "style/OptionCopy.h"

#include <QPainter>
#include <QStyleOption>

namespace Nuvra {
namespace Style {

namespace {

// Combo and spin boxes, which QCommonStyle leaves undrawn: a panel and the
// arrows in the rectangles QCommonStyle lays out.
void drawPlainBox(const QStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                  const QWidget* w)
{
    QStyleOption panel(*opt);
    if (cc == QStyle::CC_ComboBox) {
        const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(opt);
        if (!combo)
            return;
        if (combo->editable) {
            style->drawPrimitive(QStyle::PE_FrameLineEdit, &panel, p, w);
        } else {
            QStyleOptionButton button;
            button.QStyleOption::operator=(*opt);
            style->drawPrimitive(QStyle::PE_PanelButtonCommand, &button, p, w);
        }
        QStyleOption arrow(*opt);
        arrow.rect = style->subControlRect(cc, opt, QStyle::SC_ComboBoxArrow, w);
        style->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, p, w);
        return;
    }
    const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(opt);
    if (!spin)
        return;
    if (spin->frame)
        style->drawPrimitive(QStyle::PE_FrameLineEdit, &panel, p, w);
    const struct {
        QStyle::SubControl part;
        QStyle::PrimitiveElement arrow;
    } parts[] = {{QStyle::SC_SpinBoxUp, QStyle::PE_IndicatorSpinUp},
                 {QStyle::SC_SpinBoxDown, QStyle::PE_IndicatorSpinDown}};
    for (const auto& part : parts) {
        QStyleOption arrow(*opt);
        arrow.rect = style->subControlRect(cc, opt, part.part, w);
        style->drawPrimitive(part.arrow, &arrow, p, w);
    }
}

} // namespace

void NuvraStyle::drawComplexControl(ComplexControl cc, const QStyleOptionComplex* option, QPainter* p,
                                    const QWidget* w) const
{
    if (!option || !p)
        return;
    const std::shared_ptr<QStyleOption> enabled = fakeEnabledCopy(option, w);
    const auto* opt = enabled ? static_cast<const QStyleOptionComplex*>(enabled.get()) : option;
    if (cc == CC_ComboBox || cc == CC_SpinBox)
        drawPlainBox(this, cc, opt, p, w);
    else
        QCommonStyle::drawComplexControl(cc, opt, p, w);
}

} // namespace Style
} // namespace Nuvra
