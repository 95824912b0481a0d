#include "VRPC/Thunk.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <new>

namespace Nuvra::VThunk {

char appSym = 'S';

namespace {

constexpr size_t kKeyLimit = 64;

// In static storage, never destroyed and never on the heap: alerts may be
// raised by detached threads during exit, and an unloaded plug-in binary
// leaves nothing allocated behind.
struct VersionSource {
    std::mutex mutex;
    char role = 'S';
    const BundleInfo* bundle = nullptr;
    char nameKey[kKeyLimit] = "CFBundleName";
};

VersionSource& versionSource()
{
    alignas(VersionSource) static unsigned char storage[sizeof(VersionSource)];
    static VersionSource* source = new (storage) VersionSource;
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
    std::snprintf(source.nameKey, sizeof(source.nameKey), "%s", nameKey ? nameKey : "CFBundleName");
}

std::string GetVersionInfo()
{
    VersionSource& source = versionSource();
    std::lock_guard<std::mutex> lock(source.mutex);
    return std::string("[") + source.role + "] Product: \t" +
           CopyBundleInfo(source.bundle, source.nameKey) + "\nVersion: \t\t" +
           CopyBundleInfo(source.bundle, "CFBundleVersion") + "\n";
}

} // namespace Nuvra::VThunk
