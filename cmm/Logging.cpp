#include "cmm/Logging.h"

namespace Nuvra {

const QLoggingCategory& libcmm()
{
    static const QLoggingCategory category("lib.cmm");
    return category;
}

} // namespace Nuvra
