#pragma once

#include <boost/interprocess/mapped_region.hpp>

#include "platform/SharedFiles.h"
#include "platform/SharedSemaphore.h"

#include <chrono>
#include <functional>

#include <cstddef>
#include <cstdint>
#include <string>

namespace Nuvra::VRPC {

// The fixed header in front of the payload slot of a shared file. Both
// processes map it, so its layout is the file format: little-endian, the
// offsets below never change.
struct PumpHeader {
    std::uint32_t s_empty;   // 1 = the slot is free for the writer
    std::uint32_t s_full;    // 1 = a message waits for the reader
    std::uint32_t capacity;  // size given at creation
    std::uint8_t shutdown;   // 1 = the channel is shutting down
    std::uint8_t reserved0[3];
    std::uint64_t writerPid;
    std::uint64_t waiter;     // token of the reader's waiting request; 0 = not a reply
    std::uint64_t replySlot;  // token the reader must echo; 0 = no reply awaited
    std::int32_t xlen;
    std::uint32_t reserved1;
    std::int32_t type;
    std::uint32_t reserved2;
};

static_assert(sizeof(PumpHeader) == 56, "the header is 56 bytes");
static_assert(offsetof(PumpHeader, s_full) == 4);
static_assert(offsetof(PumpHeader, capacity) == 8);
static_assert(offsetof(PumpHeader, shutdown) == 12);
static_assert(offsetof(PumpHeader, writerPid) == 16);
static_assert(offsetof(PumpHeader, waiter) == 24);
static_assert(offsetof(PumpHeader, replySlot) == 32);
static_assert(offsetof(PumpHeader, xlen) == 40);
static_assert(offsetof(PumpHeader, type) == 48);

// The two files of a channel are its base name with these endings: the
// master writes the first, the slave the second.
constexpr const char kMasterToSlave[] = "_m2s";
constexpr const char kSlaveToMaster[] = "_s2m";

// The file is `size` + 24 bytes; everything behind the header is payload.
constexpr std::int64_t kPumpFileExtra = 24;
constexpr std::int64_t payloadCapacity(std::int64_t size)
{
    return size + kPumpFileExtra - static_cast<std::int64_t>(sizeof(PumpHeader));
}

// Removes the file it names when destroyed, once the mapping is gone. It
// removes only the file that was created under the name: a newer file that
// replaced it belongs to someone else. A file that cannot be removed yet is
// handed to a detached thread that retries for a while.
class FileRemover {
public:
    FileRemover() = default;
    FileRemover(const FileRemover&) = delete;
    FileRemover& operator=(const FileRemover&) = delete;
    ~FileRemover();

    void set(const std::string& name, const Platform::FileIdentity& identity);

private:
    std::string m_name;
    Platform::FileIdentity m_identity;
};

// Removes `name` if it still is the file `identity` names, retrying every
// 0.5 s for 10 s; logs the outcome. Body of the eraser thread.
void eraserThread(std::string name, Platform::FileIdentity identity);

// One direction of the channel: one mapped file holding the header and one
// payload slot. The side that creates the file (the master) removes it.
class Pump {
public:
    // Throws std::runtime_error "Pump: size mismatch" for a file of another
    // length; the mapping layer's exceptions pass through.
    Pump(const std::string& name, int size, bool create);
    ~Pump();
    Pump(const Pump&) = delete;
    Pump& operator=(const Pump&) = delete;

    PumpHeader* header() const { return m_header; }
    char* payload() const { return reinterpret_cast<char*>(m_header + 1); }
    // Bytes the slot can hold, from this side's own mapping (never from the
    // header, which the peer can write).
    std::int64_t payloadLimit() const { return payloadCapacity(m_size); }
    int size() const { return m_size; }
    const std::string& name() const { return m_name; }
    // The file this side mapped, whatever its name refers to by now.
    const Platform::FileIdentity& identity() const { return m_identity; }

    // Takes the payload's pages out of this process's resident memory (the
    // file keeps them): after a burst of large messages, an idle side does
    // not go on counting them.
    void dropResidentPayload() const;

    bool shutdownFlag() const;
    void setShutdownFlag();

    // The header's semaphores. Every hand-off of this file goes through
    // these, so the ordering they give is declared once here.
    Platform::SemWait wait(std::uint32_t* count, std::chrono::steady_clock::time_point deadline,
                           const std::function<bool()>& stop) const;
    void post(std::uint32_t* count) const;

private:
    FileRemover m_remover;  // first member: destroyed last, after the unmapping
    PumpHeader* m_header = nullptr;
    int m_size = 0;
    bool m_create = false;
    std::string m_name;
    Platform::FileIdentity m_identity;
    const void* m_syncKey = nullptr;
    Platform::SharedFile m_file;
    boost::interprocess::mapped_region m_region;
};

} // namespace Nuvra::VRPC
