// Primitive elements of the flat style; NuvraStyle paints the others.
#include "style/ModernStyle.h"

namespace Nuvra {
namespace Style {

void ModernStyle::drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p, const QWidget* w) const
{
    NuvraStyle::drawPrimitive(pe, opt, p, w);
}

} // namespace Style
} // namespace Nuvra
