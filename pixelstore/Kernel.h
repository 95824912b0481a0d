#pragma once

#include <QLoggingCategory>

namespace Nuvra {

// "lib.ds": every message of the pixel store.
const QLoggingCategory& libds();
// "lib.kernel": the application object's messages.
const QLoggingCategory& libkernel();

bool check_os_is_64bit();

} // namespace Nuvra
