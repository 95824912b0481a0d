#include "platform/SharedFiles.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace Nuvra::Platform {

namespace {

const char kLeafStart[] = "nuvra";
const char kLeafAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr size_t kLeafRandomChars = 16;

std::string randomLeaf()
{
    const char* alphabet = kLeafAlphabet;
    unsigned char bytes[kLeafRandomChars];
    size_t got = 0;
    while (got < sizeof(bytes)) {
        const ssize_t n = getrandom(bytes + got, sizeof(bytes) - got, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw std::system_error(errno, std::generic_category(), "getrandom");
        }
        got += static_cast<size_t>(n);
    }
    std::string leaf = kLeafStart;
    for (unsigned char b : bytes)
        leaf += alphabet[b % (sizeof(kLeafAlphabet) - 1)];
    return leaf;
}

} // namespace

std::string rpcFolder()
{
    for (const char* name : {"NUVRA_RPC_DIR", "TMP", "TEMP"}) {
        if (const char* value = std::getenv(name))
            return value;
    }
    // Every frame passes through these files: on a disk-backed folder the
    // kernel writes them back to disk. The user's runtime folder (only an
    // absolute path counts), else the shared-memory file system.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/')
        return runtime;
    struct stat st;
    if (stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode))
        return "/dev/shm/";
    return "/tmp/";
}

std::string createUniqueFile(const std::string& prefix)
{
    int lastError = EEXIST;
    for (int attempt = 0; attempt < 64; ++attempt) {
        const std::string path = prefix + randomLeaf();
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            close(fd);
            return path;
        }
        lastError = errno;
        if (lastError != EEXIST)
            break;
    }
    throw std::system_error(lastError, std::generic_category(), "cannot create a unique file in " + prefix);
}

bool isUniqueLeaf(const std::string& leaf)
{
    const size_t start = sizeof(kLeafStart) - 1;
    return leaf.size() == start + kLeafRandomChars && leaf.compare(0, start, kLeafStart) == 0 &&
           leaf.find_first_not_of(kLeafAlphabet, start) == std::string::npos;
}

SharedFile::~SharedFile()
{
    if (m_fd >= 0)
        close(m_fd);
}

SharedFile::SharedFile(SharedFile&& other) noexcept : m_fd(other.m_fd)
{
    other.m_fd = -1;
}

SharedFile& SharedFile::operator=(SharedFile&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

SharedFile SharedFile::create(const std::string& path, std::uint64_t size)
{
    SharedFile file(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.valid())
        throw std::system_error(errno, std::generic_category(), "cannot create " + path);
    if (ftruncate(file.m_fd, static_cast<off_t>(size)) != 0) {
        const int error = errno;
        unlink(path.c_str());
        throw std::system_error(error, std::generic_category(), "cannot size " + path);
    }
    return file;
}

SharedFile SharedFile::open(const std::string& path)
{
    // Non-blocking, so that a FIFO planted under the name cannot hold us.
    return SharedFile(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
}

FileIdentity SharedFile::identity() const
{
    FileIdentity id;
    struct stat st;
    if (m_fd >= 0 && fstat(m_fd, &st) == 0) {
        id.device = static_cast<std::uint64_t>(st.st_dev);
        id.inode = static_cast<std::uint64_t>(st.st_ino);
        id.valid = true;
    }
    return id;
}

std::int64_t SharedFile::size() const
{
    struct stat st;
    if (m_fd < 0 || fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool SharedFile::ownedByUs() const
{
    struct stat st;
    return m_fd >= 0 && fstat(m_fd, &st) == 0 && st.st_uid == geteuid();
}

FileIdentity fileIdentity(const std::string& path)
{
    FileIdentity id;
    struct stat st;
    if (lstat(path.c_str(), &st) == 0) {
        id.device = static_cast<std::uint64_t>(st.st_dev);
        id.inode = static_cast<std::uint64_t>(st.st_ino);
        id.valid = true;
    }
    return id;
}

bool removeFile(const std::string& path)
{
    return unlink(path.c_str()) == 0;
}

bool removeFileIfSame(const std::string& path, const FileIdentity& identity)
{
    return fileIdentity(path) == identity && removeFile(path);
}

bool dropResidentPages(void* address, std::size_t length)
{
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(address);
    const std::uintptr_t first = (begin + page - 1) / page * page;
    const std::uintptr_t end = (begin + length) / page * page;
    if (end <= first)
        return false;
    // MADV_DONTNEED on a shared mapping only unmaps: the pages stay in the file
    // (posix_madvise's DONTNEED is a no-op on glibc).
    return madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTNEED) == 0;
}

} // namespace Nuvra::Platform
