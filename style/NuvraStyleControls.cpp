// Control elements of NuvraStyle; QCommonStyle draws what the style does not
// draw itself.
#include "style/NuvraStyle.h"

#include "style/StyleHelpers.h"

#include <QStyleOption>

namespace Nuvra {
namespace Style {

void NuvraStyle::drawControl(ControlElement element, const QStyleOption* opt, QPainter* p, const QWidget* w) const
{
    if (!opt || !p)
        return;
    const FakeEnabledOption asEnabled(opt, w);
    QCommonStyle::drawControl(element, opt, p, w);
}

} // namespace Style
} // namespace Nuvra
