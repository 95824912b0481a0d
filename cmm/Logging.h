#pragma once

#include <QLoggingCategory>

namespace Nuvra {

// "lib.cmm": every message of the colour engine. Recoverable errors are
// critical lines followed by a false or invalid result.
const QLoggingCategory& libcmm();

} // namespace Nuvra
