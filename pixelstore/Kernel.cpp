#include "pixelstore/Kernel.h"

namespace Nuvra {

const QLoggingCategory& libds()
{
    static const QLoggingCategory category("lib.ds");
    return category;
}

const QLoggingCategory& libkernel()
{
    static const QLoggingCategory category("lib.kernel");
    return category;
}

bool check_os_is_64bit()
{
    return true;
}

} // namespace Nuvra
