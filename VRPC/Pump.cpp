#include "VRPC/Pump.h"

#include "VRPC/Log.h"
#include "VRPC/TimeWindows.h"
#include "platform/SharedSemaphore.h"

#include <boost/interprocess/exceptions.hpp>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

namespace Nuvra::VRPC {

namespace bip = boost::interprocess;

namespace {

// Removes the name only if it still is our file. A missing name counts as a
// failure so the eraser keeps trying while someone may still hold it away.
bool removeOwnFile(const std::string& name, const Platform::FileIdentity& identity, bool& foreign)
{
    foreign = false;
    const Platform::FileIdentity now = Platform::fileIdentity(name);
    if (now.valid && !(now == identity)) {
        foreign = true;
        return false;
    }
    return now.valid && Platform::removeFile(name);
}

// One address per shared file in this process, whatever the number of its
// mappings: the key under which its hand-offs are declared to the sanitizer.
// A fixed table in static storage: nothing is allocated, so a plug-in binary
// that is unloaded leaves nothing behind. Two files that share a slot only
// order more than they must.
const void* syncKeyFor(const Platform::FileIdentity& identity)
{
    static char keys[4096];
    const std::uint64_t h = identity.device * 0x9E3779B97F4A7C15ull ^ identity.inode * 0xC2B2AE3D27D4EB4Full;
    return &keys[(h >> 32) % sizeof(keys)];
}

// Lets boost map a descriptor that we opened ourselves.
struct DescriptorMapping {
    int fd;
    bip::mapping_handle_t get_mapping_handle() const { return bip::ipcdetail::mapping_handle_from_file_handle(fd); }
};

} // namespace

void eraserThread(std::string name, Platform::FileIdentity identity)
{
    using clock = std::chrono::steady_clock;
    const TimeWindows windows = timeWindows();
    const auto deadline = clock::now() + windows.eraserGiveUp;
    while (clock::now() < deadline) {
        bool foreign = false;
        if (removeOwnFile(name, identity, foreign)) {
            writeDebugLog("Eraser thread: successfully removed %s\n", name.c_str());
            return;
        }
        if (foreign) {
            writeDebugLog("Eraser thread: %s now names another file, left alone\n", name.c_str());
            return;
        }
        std::this_thread::sleep_for(windows.eraserRetry);
    }
    writeError("Eraser thread ERROR: can't remove %s after delayed retries\n", name.c_str());
}

FileRemover::~FileRemover()
{
    if (m_name.empty())
        return;
    bool foreign = false;
    if (removeOwnFile(m_name, m_identity, foreign)) {
        writeDebugLog("Successfully removed %s\n", m_name.c_str());
        return;
    }
    if (foreign) {
        writeDebugLog("%s now names another file, left alone\n", m_name.c_str());
        return;
    }
    writeDebugLog("Can't remove %s, use eraser thread\n", m_name.c_str());
    try {
        std::thread(eraserThread, m_name, m_identity).detach();
    } catch (const std::exception& e) {
        writeError("Can't start eraser thread for %s: %s\n", m_name.c_str(), e.what());
    }
}

void FileRemover::set(const std::string& name, const Platform::FileIdentity& identity)
{
    m_name = name;
    m_identity = identity;
}

Pump::Pump(const std::string& name, int size, bool create)
    : m_size(size), m_create(create), m_name(name)
{
    writeDebugLog("Pump : %s\n", name.c_str());
    if (size <= 0)
        throw std::runtime_error("Pump: size mismatch");
    const std::uint64_t fileSize = static_cast<std::uint64_t>(size) + kPumpFileExtra;
    if (create) {
        // Unlink and create exclusively, so a link planted under the name is
        // replaced, never followed.
        Platform::removeFile(name);
        m_file = Platform::SharedFile::create(name, fileSize);
    } else {
        m_file = Platform::SharedFile::open(name);
        if (!m_file.valid())
            throw bip::interprocess_exception(bip::error_info(errno));
    }
    // The descriptor is mapped, never the name again: whatever the name
    // refers to by now, we use the file we created or checked.
    m_identity = m_file.identity();
    try {
        if (m_file.size() != static_cast<std::int64_t>(fileSize))
            throw std::runtime_error("Pump: size mismatch");
        m_region = bip::mapped_region(DescriptorMapping{m_file.descriptor()}, bip::read_write, 0,
                                      static_cast<std::size_t>(fileSize));
    } catch (...) {
        m_file = Platform::SharedFile();
        if (create)
            Platform::removeFile(name);
        throw;
    }
    m_header = static_cast<PumpHeader*>(m_region.get_address());
    m_syncKey = syncKeyFor(m_identity);
    if (create) {
        Platform::semStore(&m_header->s_empty, 1);
        Platform::semStore(&m_header->s_full, 0);
        m_header->capacity = static_cast<std::uint32_t>(size);
        __atomic_store_n(&m_header->shutdown, 0, __ATOMIC_RELEASE);
        __atomic_store_n(&m_header->writerPid, 0, __ATOMIC_RELEASE);
    }
}

Pump::~Pump()
{
    if (m_create)
        m_remover.set(m_name, m_identity);
    m_region = bip::mapped_region();
    m_file = Platform::SharedFile();
}

void Pump::dropResidentPayload() const
{
    Platform::dropResidentPages(payload(), static_cast<std::size_t>(payloadLimit()));
}

bool Pump::shutdownFlag() const
{
    return __atomic_load_n(&m_header->shutdown, __ATOMIC_ACQUIRE) != 0;
}

void Pump::setShutdownFlag()
{
    __atomic_store_n(&m_header->shutdown, 1, __ATOMIC_RELEASE);
}

Platform::SemWait Pump::wait(std::uint32_t* count, std::chrono::steady_clock::time_point deadline,
                             const std::function<bool()>& stop) const
{
    const Platform::SemWait result = Platform::semWaitUntil(count, deadline, stop);
    Platform::annotateAcquire(m_syncKey);
    return result;
}

void Pump::post(std::uint32_t* count) const
{
    Platform::annotateRelease(m_syncKey);
    Platform::semPost(count);
}

} // namespace Nuvra::VRPC
