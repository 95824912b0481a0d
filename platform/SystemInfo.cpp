#include "platform/SystemInfo.h"

#include <fstream>

#include <sys/utsname.h>
#include <unistd.h>

namespace Nuvra::Platform {

namespace {

// The value of the first "key : value" line of /proc/cpuinfo for key.
std::string cpuinfoField(const char* key)
{
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    const std::string wanted(key);
    while (std::getline(in, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
            name.pop_back();
        if (name != wanted)
            continue;
        std::string value = line.substr(colon + 1);
        const auto first = value.find_first_not_of(" \t");
        return first == std::string::npos ? std::string() : value.substr(first);
    }
    return {};
}

} // namespace

std::string systemVersionText()
{
    struct utsname names;
    if (uname(&names) != 0)
        return "Linux (unknown)";
    return std::string(names.sysname) + " " + names.release + " (" + names.machine + ")";
}

int processorCount()
{
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? static_cast<int>(n) : 1;
}

std::uint64_t physicalMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long size = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || size <= 0)
        return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(size);
}

std::string cpuBrand()
{
    return cpuinfoField("model name");
}

std::string cpuFeatures()
{
    return cpuinfoField("flags");
}

} // namespace Nuvra::Platform
