// Control elements of the flat style; NuvraStyle paints the others.
#include "style/ModernStyle.h"

namespace Nuvra {
namespace Style {

void ModernStyle::drawControl(ControlElement element, const QStyleOption* opt, QPainter* p, const QWidget* w) const
{
    NuvraStyle::drawControl(element, opt, p, w);
}

} // namespace Style
} // namespace Nuvra
