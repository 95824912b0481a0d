#pragma once

#include <cstdint>
#include <string>

namespace Nuvra::Platform {

// The folder of the shared files as the environment names it: NUVRA_RPC_DIR,
// else TMP, else TEMP (the first that is set, even when empty); else memory-
// backed storage: XDG_RUNTIME_DIR when it is an absolute path, else
// "/dev/shm/", and "/tmp/" only on a system without it.
std::string rpcFolder();

// Creates a new file `prefix` + an unpredictable leaf, exclusively (never
// through an existing name or link), mode 0600, and returns its path. Throws
// std::system_error when no file can be created.
std::string createUniqueFile(const std::string& prefix);

// True when `leaf` has the form of the leaves createUniqueFile makes.
bool isUniqueLeaf(const std::string& leaf);

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

// An open descriptor of a shared file. It is opened close-on-exec from the
// start, so a program that another thread starts at any moment never
// inherits it, and never through a link. Map the descriptor itself: opening
// the name again could reach another file.
class SharedFile {
public:
    SharedFile() = default;
    ~SharedFile();
    SharedFile(SharedFile&& other) noexcept;
    SharedFile& operator=(SharedFile&& other) noexcept;
    SharedFile(const SharedFile&) = delete;
    SharedFile& operator=(const SharedFile&) = delete;

    // Creates `path` exclusively (O_EXCL, no link followed, mode 0600) with
    // `size` zero bytes; throws std::system_error when it cannot.
    static SharedFile create(const std::string& path, std::uint64_t size);
    // Opens an existing file read-write; invalid, with errno set, when it
    // cannot (a link counts as a failure).
    static SharedFile open(const std::string& path);

    bool valid() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    FileIdentity identity() const;
    // Length of a regular file; -1 for anything else.
    std::int64_t size() const;
    // True when the file belongs to the user this process runs as.
    bool ownedByUs() const;

private:
    explicit SharedFile(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

// The identity of the file that `path` names now (invalid when none).
FileIdentity fileIdentity(const std::string& path);

// Removes the name; false with errno set when it cannot.
bool removeFile(const std::string& path);

// Removes the name only while it still refers to the file `identity` names,
// so that a newer file created under it is left alone.
bool removeFileIfSame(const std::string& path, const FileIdentity& identity);

// Takes the whole pages of [address, address + length) of a shared mapping
// out of this process's resident memory. The file keeps their contents: a
// later access reads them in again. False when nothing could be dropped.
bool dropResidentPages(void* address, std::size_t length);

} // namespace Nuvra::Platform
