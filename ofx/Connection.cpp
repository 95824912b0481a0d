#include "ofx/Connection.h"

#include "ofx/Identity.h"
#include "ofx/openfx/OfxCore.h"
#include "VRPC/Log.h"
#include "VRPC/Messages.h"
#include "VRPC/Process.h"
#include "VRPC/StaleChannels.h"
#include "VRPC/TimeWindows.h"
#include "VRPC/Thunk.h"
#include "platform/ChildProcess.h"
#include "platform/ModulePath.h"
#include "platform/SharedFiles.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace Nuvra::OFX {

namespace {

using namespace std::chrono_literals;

// How long unload waits for the quit request to leave, for the child to end
// by itself once its channel is closed, and for it to end when asked to.
constexpr auto kQuitWait = 1s;
constexpr auto kChildExitWait = 2s;
constexpr auto kTerminateGrace = 500ms;

VThunk::BundleInfo makeBundleInfo()
{
    VThunk::BundleInfo info;
    info.info["CFBundleExecutable"] = std::string(kExecutableName);
    info.info["CFBundleVersion"] = std::string(kVersionText);
    return info;
}

struct ConnectionState;
void close(ConnectionState& s);

struct ConnectionState {
    // Declared first: alerts raised while the rest is torn down still name
    // the plug-in.
    VThunk::BundleInfo bundleInfo = makeBundleInfo();

    std::mutex mutex;  // the connection mutex: load and unload
    bool initialised = false;
    bool connected = false;
    bool childDone = true;

    // The broker is read by renders and parameter requests on any thread,
    // so it has a lock of its own, never held across a request.
    std::mutex brokerMutex;
    std::shared_ptr<VRPC::Broker> broker;
    std::shared_ptr<Platform::ChildProcess> child;
    std::string name;  // the placeholder file that reserves the shared name

    ConnectionState() { VThunk::setVersionBundle('M', &bundleInfo, "CFBundleExecutable"); }
    ~ConnectionState()
    {
        close(*this);
        VThunk::setVersionBundle('M', nullptr, "CFBundleExecutable");
    }
};

ConnectionState& state()
{
    static ConnectionState s;
    return s;
}

void unexpectedMessage(VRPC::Message& msg)
{
    VRPC::showErrorToUser("Unexpected message from slave, id: %d", static_cast<int>(msg.type));
}

std::string channelFolder()
{
    std::string folder = Platform::rpcFolder();
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\')
        folder += '/';
    return folder;
}

// A fresh, unpredictable name per attempt, reserved by an exclusive
// placeholder file in the channel folder.
std::string makeSharedName()
{
    const std::string name = Platform::createUniqueFile(channelFolder());
    VRPC::writeDebugLog("sharedName() == %s\n", name.c_str());
    return name;
}

// Sends quit without blocking unload for long: the slot may be held by a
// child that no longer reads, so the send runs aside and is released by the
// broker's shut-down at the latest.
bool sendQuit(const std::shared_ptr<VRPC::Broker>& broker, std::thread& sender)
{
    auto done = std::make_shared<std::pair<std::mutex, std::condition_variable>>();
    auto finished = std::make_shared<bool>(false);
    try {
        sender = std::thread([broker, done, finished] {
            try {
                broker->send_message_async(VRPC::M2S_Quit, 0, nullptr, 0);
            } catch (const std::exception& e) {
                VRPC::writeError("doneConnection(): quit not sent: %s\n", e.what());
            }
            std::lock_guard<std::mutex> lock(done->first);
            *finished = true;
            done->second.notify_all();
        });
    } catch (const std::exception& e) {
        VRPC::writeError("doneConnection(): quit not sent: %s\n", e.what());
        return false;
    }
    std::unique_lock<std::mutex> lock(done->first);
    if (done->second.wait_for(lock, kQuitWait, [&] { return *finished; }))
        return true;
    VRPC::writeError("doneConnection(): the child does not take the quit request\n");
    return false;
}

// Ends whatever the current attempt holds: channel, files, child. Every
// step is bounded. Called with the connection mutex held.
void closeAttempt(ConnectionState& s, bool sayQuit)
{
    std::shared_ptr<VRPC::Broker> broker;
    std::shared_ptr<Platform::ChildProcess> child;
    std::string name;
    {
        std::lock_guard<std::mutex> lock(s.brokerMutex);
        broker.swap(s.broker);
        child.swap(s.child);
        name.swap(s.name);
    }
    std::thread quitSender;
    // A child that took the quit request ends by itself; it is given a
    // moment to do so before its channel is closed under it.
    if (broker && sayQuit && sendQuit(broker, quitSender) && child)
        child->waitExit(std::chrono::duration_cast<std::chrono::milliseconds>(kChildExitWait));
    if (broker) {
        // Wakes a quit still waiting for the slot, then removes the files.
        broker->shutdown();
        if (quitSender.joinable())
            quitSender.join();
        broker.reset();
    }
    if (!name.empty())
        Platform::removeFile(name);
    if (child && child->running()) {
        VRPC::writeDebugLog("### doneChild: kill child process\n");
        child->terminate(std::chrono::duration_cast<std::chrono::milliseconds>(kTerminateGrace));
    }
    s.childDone = true;
}

int attempt(ConnectionState& s)
{
    const std::string name = makeSharedName();
    {
        std::lock_guard<std::mutex> lock(s.brokerMutex);
        s.name = name;
    }
    auto broker = std::make_shared<VRPC::Broker>(name, true, unexpectedMessage);
    {
        std::lock_guard<std::mutex> lock(s.brokerMutex);
        s.broker = broker;
    }

    const std::string path = childExecutablePath();
    VRPC::writeDebugLog("initConnection(): childIsRunning() == false\n");
    VRPC::writeDebugLog("Init child:%s shared file:%s\n", path.c_str(), name.c_str());
    if (path.empty() || access(path.c_str(), X_OK) != 0)
        throw std::runtime_error("Main module '" + path + "' not found!");
    std::shared_ptr<Platform::ChildProcess> started;
    try {
        started = std::make_shared<Platform::ChildProcess>(
            path, std::vector<std::string>{name, VRPC::logFileName(), VRPC::errorFileName()});
    } catch (const std::exception& e) {
        VRPC::writeError("initConnection(): initChild() failed: %s\n", e.what());
        return kOfxStatFailed;
    }
    {
        std::lock_guard<std::mutex> lock(s.brokerMutex);
        s.child = started;
    }
    s.childDone = false;
    std::weak_ptr<Platform::ChildProcess> child = started;
    broker->base()->setPeerCheck([child] {
        const auto c = child.lock();
        return c && c->running();
    });
    VRPC::writeDebugLog("initConnection(): initChild() - OK\n");
    VRPC::writeDebugLog("child pid after launch = %d\n", static_cast<int>(started->pid()));

    const std::uint32_t pid = static_cast<std::uint32_t>(VRPC::currentProcessNumber());
    VRPC::Message reply;
    broker->send_message_sync(VRPC::M2S_Handshake, 0, &pid, sizeof(pid), reply,
                              VRPC::handshakeTimeoutSeconds());
    if (reply.type != VRPC::S2M_Handshake) {
        VRPC::showErrorToUser("Handshake failed");
        return kOfxStatFailed;
    }
    std::uint64_t childPid = 0;
    if (reply.extra.size() >= sizeof(childPid))
        std::memcpy(&childPid, reply.extra.data(), sizeof(childPid));
    VRPC::writeDebugLog("child pid after handshake = %d (%d)\n", static_cast<int>(started->pid()),
                        static_cast<int>(childPid));
    // Another process answering on our channel is logged; the child we
    // started stays ours to stop and reap.
    if (childPid != 0 && childPid != static_cast<std::uint64_t>(started->pid()))
        VRPC::writeError("setChildPID( %d ), was %d\n", static_cast<int>(childPid),
                         static_cast<int>(started->pid()));
    return kOfxStatOK;
}

void close(ConnectionState& s)
{
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.initialised)
        return;
    closeAttempt(s, true);
    s.initialised = false;
    s.connected = false;
}

} // namespace

std::string sharedName()
{
    ConnectionState& s = state();
    std::lock_guard<std::mutex> lock(s.brokerMutex);
    return s.name;
}

std::string childExecutablePath()
{
    // This function's own address lies in the plug-in binary:
    // <bundle>/Contents/Linux-x86-64/MorvelinVideo.ofx.
    const std::string module = Platform::modulePath(reinterpret_cast<const void*>(&childExecutablePath));
    if (module.empty())
        return std::string();
    const std::string contents = Platform::parentFolder(Platform::parentFolder(module));
    return contents + "/" + kChildRelativePath;
}

int initConnection()
{
    ConnectionState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.initialised)
        return s.connected ? kOfxStatOK : kOfxStatFailed;
    // What an earlier attempt that ended by an exception left behind goes
    // first, so the new channel is not removed under its feet.
    closeAttempt(s, false);
    // So do the channels of hosts that were killed: their files hold up to
    // two frames of memory each.
    VRPC::removeStaleChannels(channelFolder());
    int status = kOfxStatFailed;
    try {
        status = attempt(s);
    } catch (...) {
        closeAttempt(s, false);
        throw;
    }
    if (status != kOfxStatOK) {
        closeAttempt(s, false);
        s.initialised = true;
        s.connected = false;
        return status;
    }
    s.initialised = true;
    s.connected = true;
    return kOfxStatOK;
}

void doneConnection()
{
    close(state());
}

std::shared_ptr<VRPC::Broker> connectionBroker()
{
    ConnectionState& s = state();
    std::lock_guard<std::mutex> lock(s.brokerMutex);
    return s.broker;
}

int childPID()
{
    ConnectionState& s = state();
    std::lock_guard<std::mutex> lock(s.brokerMutex);
    return s.child ? static_cast<int>(s.child->pid()) : 0;
}

// Created when the bundle is loaded, destroyed (closing the connection) when
// it is unloaded.
namespace {
[[maybe_unused]] ConnectionState& g_touch = state();
}

} // namespace Nuvra::OFX
