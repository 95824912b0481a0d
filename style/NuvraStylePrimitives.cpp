// Primitive elements of NuvraStyle; QCommonStyle draws what the style does
// not draw itself.
#include "style/NuvraStyle.h"

namespace Nuvra {
namespace Style {

void NuvraStyle::drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p, const QWidget* w) const
{
    QCommonStyle::drawPrimitive(pe, opt, p, w);
}

} // namespace Style
} // namespace Nuvra
