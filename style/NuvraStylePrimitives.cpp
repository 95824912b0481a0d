// Primitive elements of NuvraStyle; QCommonStyle draws what the style does
// not draw itself.
#include "style/NuvraStyle.h"

#include "style/StyleHelpers.h"

#include <QStyleOption>

namespace Nuvra {
namespace Style {

void NuvraStyle::drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p, const QWidget* w) const
{
    if (!opt || !p)
        return;
    const FakeEnabledOption asEnabled(opt, w);
    QCommonStyle::drawPrimitive(pe, opt, p, w);
}

} // namespace Style
} // namespace Nuvra
