#include "VRPC/Thunk.h"

#include <atomic>
#include <mutex>

namespace Nuvra::VThunk {

char appSym = 'S';

namespace {

struct VersionSource {
    std::mutex mutex;
    char role = 'S';
    const BundleInfo* bundle = nullptr;
    std::string nameKey = "CFBundleName";
};

// Never destroyed: alerts may be raised by detached threads during exit.
VersionSource& versionSource()
{
    static VersionSource* source = new VersionSource;
    return *source;
}

} // namespace

std::string CopyBundleInfo(const BundleInfo* bundle, const char* key)
{
    if (!bundle)
        return "[no bundle]";
    if (!bundle->hasInfo)
        return "[no info]";
    const auto it = bundle->info.find(key ? key : "");
    if (it == bundle->info.end())
        return std::string("[No value for ") + (key ? key : "") + "]";
    if (const auto* text = std::get_if<std::string>(&it->second))
        return *text;
    return "[not a string]";
}

void setVersionBundle(char role, const BundleInfo* bundle, const char* nameKey)
{
    VersionSource& source = versionSource();
    std::lock_guard<std::mutex> lock(source.mutex);
    source.role = role;
    source.bundle = bundle;
    source.nameKey = nameKey ? nameKey : "CFBundleName";
}

std::string GetVersionInfo()
{
    VersionSource& source = versionSource();
    std::lock_guard<std::mutex> lock(source.mutex);
    return std::string("[") + source.role + "] Product: \t" +
           CopyBundleInfo(source.bundle, source.nameKey.c_str()) + "\nVersion: \t\t" +
           CopyBundleInfo(source.bundle, "CFBundleVersion") + "\n";
}

} // namespace Nuvra::VThunk
