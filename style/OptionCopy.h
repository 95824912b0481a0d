#pragma once

#include <memory>

class QStyleOption;
class QWidget;

namespace Nuvra {
namespace Style {

// A copy of option, of its own class, to draw a fake-disabled widget as
// enabled: State_Enabled set and a Disabled colour group made Active. Null
// when the widget is not fake-disabled, when the option is enabled already,
// or when the option's class is one this code cannot copy (it is then drawn
// as it stands). The caller's option is never changed. Shared, because
// QStyleOption has no virtual destructor: the shared pointer deletes the
// copy as the class it was made.
std::shared_ptr<QStyleOption> fakeEnabledCopy(const QStyleOption* option, const QWidget* widget);

} // namespace Style
} // namespace Nuvra
