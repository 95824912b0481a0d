#pragma once

#include <string>

namespace Nuvra::Platform {

// Absolute path of the loaded binary (program or shared object) that holds
// `address`; empty when the loader does not know it. The path is the one the
// binary was loaded by, symbolic links left as they are, so files placed next
// to it are found where its installer put them.
std::string modulePath(const void* address);

// `path` without its last component ("a/b/c" gives "a/b"; "c" gives ".").
std::string parentFolder(const std::string& path);

} // namespace Nuvra::Platform
