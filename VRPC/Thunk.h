#pragma once

#include <map>
#include <string>
#include <variant>

namespace Nuvra::VThunk {

// Role letter in front of every transport log line.
extern char appSym;

// The information dictionary of a deliverable (product name, version...).
// A value may be text or a number, as in a bundle's property list.
using BundleValue = std::variant<std::string, long long, double, bool>;
struct BundleInfo {
    bool hasInfo = true;
    std::map<std::string, BundleValue> info;
};

// The text value of `key`: "[no bundle]", "[no info]", "[No value for <key>]"
// or "[not a string]" when there is none.
std::string CopyBundleInfo(const BundleInfo* bundle, const char* key);

// Names the deliverable whose banner alerts carry: its role letter (S for the
// application, M for the plug-in), its information and the key of its name
// ("CFBundleName" or "CFBundleExecutable"). The bundle must outlive its use.
void setVersionBundle(char role, const BundleInfo* bundle, const char* nameKey);

// "[<role>] Product: \t<name>\nVersion: \t\t<version>\n".
std::string GetVersionInfo();

} // namespace Nuvra::VThunk
