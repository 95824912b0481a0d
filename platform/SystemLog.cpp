#include "platform/SystemLog.h"

#include <syslog.h>

namespace Nuvra::Platform {

void systemLog(const char* text)
{
    syslog(LOG_USER | LOG_NOTICE, "%s", text);
}

} // namespace Nuvra::Platform
