#include "platform/ModulePath.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace Nuvra::Platform {

std::string modulePath(const void* address)
{
    Dl_info info{};
    if (dladdr(address, &info) == 0 || !info.dli_fname || !*info.dli_fname)
        return std::string();
    std::string path = info.dli_fname;
    if (path.front() != '/') {
        char cwd[PATH_MAX];
        if (!getcwd(cwd, sizeof(cwd)))
            return std::string();
        path = std::string(cwd) + "/" + path;
    }
    return path;
}

std::string parentFolder(const std::string& path)
{
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    const size_t slash = p.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return p.substr(0, slash);
}

} // namespace Nuvra::Platform
