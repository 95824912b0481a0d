#include "VRPC/StaleChannels.h"

#include "VRPC/Broker.h"
#include "VRPC/Log.h"
#include "VRPC/Pump.h"
#include "platform/Process.h"
#include "platform/SharedFiles.h"

#include <cstddef>
#include <dirent.h>
#include <set>
#include <unistd.h>
#include <vector>

namespace Nuvra::VRPC {

namespace {

// One file of a channel as found: absent, or opened and ours.
struct Found {
    std::string path;
    Platform::SharedFile file;
    bool present = false;
    bool usable = false;  // a regular file of ours (of a shared file's length, where it has one)
};

Found inspect(const std::string& path, std::int64_t length)
{
    Found found;
    found.path = path;
    found.present = Platform::fileIdentity(path).valid;
    if (!found.present)
        return found;
    found.file = Platform::SharedFile::open(path);
    found.usable = found.file.valid() && found.file.ownedByUs() && found.file.size() >= 0 &&
                   (length < 0 || found.file.size() == length);
    return found;
}

// The writer's process as the header names it; 0 when it cannot be read.
std::uint64_t writerOf(const Found& found)
{
    std::uint64_t pid = 0;
    const ssize_t got = pread(found.file.descriptor(), &pid, sizeof(pid), offsetof(PumpHeader, writerPid));
    return got == static_cast<ssize_t>(sizeof(pid)) ? pid : 0;
}

// The base names of every channel that has a master's file in the folder.
std::set<std::string> channelsIn(const std::string& folder)
{
    std::set<std::string> bases;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return bases;
    const std::string ending = kMasterToSlave;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() <= ending.size() || name.compare(name.size() - ending.size(), ending.size(), ending) != 0)
            continue;
        const std::string leaf = name.substr(0, name.size() - ending.size());
        if (Platform::isUniqueLeaf(leaf))
            bases.insert(leaf);
    }
    closedir(dir);
    return bases;
}

// Removes one channel's files if its master, and its slave where one
// connected, are gone.
int removeIfStale(const std::string& base)
{
    const std::int64_t length = kPumpSize + kPumpFileExtra;
    std::vector<Found> files;
    files.push_back(inspect(base + kMasterToSlave, length));
    files.push_back(inspect(base + kSlaveToMaster, length));
    files.push_back(inspect(base, -1));
    for (const Found& f : files)
        if (f.present && !f.usable)
            return 0;
    // A master that has not written its process number yet is starting.
    const std::uint64_t master = writerOf(files[0]);
    if (master == 0 || Platform::processExists(master))
        return 0;
    if (files[1].present && Platform::processExists(writerOf(files[1])))
        return 0;
    int removed = 0;
    for (const Found& f : files) {
        if (f.present && Platform::removeFileIfSame(f.path, f.file.identity())) {
            writeDebugLog("removeStaleChannels(): removed %s (writer %llu gone)\n", f.path.c_str(),
                          static_cast<unsigned long long>(master));
            ++removed;
        }
    }
    return removed;
}

} // namespace

int removeStaleChannels(const std::string& folder)
{
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '/')
        prefix += '/';
    int removed = 0;
    for (const std::string& leaf : channelsIn(prefix.empty() ? "." : prefix))
        removed += removeIfStale(prefix + leaf);
    return removed;
}

} // namespace Nuvra::VRPC
