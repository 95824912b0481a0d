// Complex controls of NuvraStyle; QCommonStyle draws what the style does not
// draw itself.
#include "style/NuvraStyle.h"

#include "style/OptionCopy.h"

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
    QCommonStyle::drawComplexControl(cc, opt, p, w);
}

} // namespace Style
} // namespace Nuvra
