#pragma once

#include <cstdint>
#include <string>

namespace Nuvra::Platform {

// The folder of the shared files as the environment names it: NUVRA_RPC_DIR,
// else TMP, else TEMP (the first that is set, even when empty), else "/tmp/".
std::string rpcFolder();

// Creates a new file `prefix` + an unpredictable leaf, exclusively (never
// through an existing name or link), mode 0600, and returns its path. Throws
// std::system_error when no file can be created.
std::string createUniqueFile(const std::string& prefix);

// Identity of a file, to tell whether a name still refers to the file that
// was created under it.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool valid = false;
    bool operator==(const FileIdentity& o) const
    {
        return valid && o.valid && device == o.device && inode == o.inode;
    }
};

// Creates `path` exclusively (O_EXCL, no link followed, mode 0600) with
// `size` zero bytes. Returns the new file's identity; throws
// std::system_error when the file cannot be created or sized.
FileIdentity createExclusiveFile(const std::string& path, std::uint64_t size);

// The identity of the file that `path` names now (invalid when none).
FileIdentity fileIdentity(const std::string& path);

// Removes the name; false with errno set when it cannot.
bool removeFile(const std::string& path);

} // namespace Nuvra::Platform
