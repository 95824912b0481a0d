// Control elements of NuvraStyle; QCommonStyle draws what the style does not
// draw itself.
#include "style/NuvraStyle.h"

#include "style/OptionCopy.h"

#include <QStyleOption>

namespace Nuvra {
namespace Style {

void NuvraStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* p,
                             const QWidget* w) const
{
    if (!option || !p)
        return;
    const std::shared_ptr<QStyleOption> enabled = fakeEnabledCopy(option, w);
    const QStyleOption* opt = enabled ? enabled.get() : option;
    QCommonStyle::drawControl(element, opt, p, w);
}

} // namespace Style
} // namespace Nuvra
