// Complex controls of the flat style; NuvraStyle paints the others.
#include "style/ModernStyle.h"

namespace Nuvra {
namespace Style {

void ModernStyle::drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                                     const QWidget* w) const
{
    NuvraStyle::drawComplexControl(cc, opt, p, w);
}

} // namespace Style
} // namespace Nuvra
