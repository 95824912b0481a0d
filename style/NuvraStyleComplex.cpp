// Complex controls of NuvraStyle; QCommonStyle draws what the style does not
// draw itself.
#include "style/NuvraStyle.h"

#include "style/StyleHelpers.h"

#include <QStyleOption>

namespace Nuvra {
namespace Style {

void NuvraStyle::drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                                    const QWidget* w) const
{
    if (!opt || !p)
        return;
    const FakeEnabledOption asEnabled(opt, w);
    QCommonStyle::drawComplexControl(cc, opt, p, w);
}

} // namespace Style
} // namespace Nuvra
