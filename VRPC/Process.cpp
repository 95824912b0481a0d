#include "VRPC/Process.h"

#include "platform/Process.h"

namespace Nuvra::VRPC {

bool processIsRunningSlave(const unsigned long long& id)
{
    return Platform::processExists(id);
}

unsigned long long processFromNumberSlave(unsigned long long n)
{
    return n;
}

unsigned long long currentProcessNumber()
{
    return Platform::currentProcessId();
}

} // namespace Nuvra::VRPC
