// Control elements of NuvraStyle; QCommonStyle draws what the style does not
// draw itself.
#include "style/NuvraStyle.h"

namespace Nuvra {
namespace Style {

void NuvraStyle::drawControl(ControlElement element, const QStyleOption* opt, QPainter* p, const QWidget* w) const
{
    QCommonStyle::drawControl(element, opt, p, w);
}

} // namespace Style
} // namespace Nuvra
