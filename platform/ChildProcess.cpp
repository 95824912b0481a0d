#include "platform/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace Nuvra::Platform {

namespace {

constexpr auto kPollStep = std::chrono::milliseconds(5);
constexpr auto kKillWait = std::chrono::seconds(5);

bool dropped(const char* entry)
{
    const char* eq = std::strchr(entry, '=');
    const size_t length = eq ? static_cast<size_t>(eq - entry) : std::strlen(entry);
    for (const std::string& name : loaderVariables()) {
        if (name.size() == length && std::strncmp(entry, name.data(), length) == 0)
            return true;
    }
    return false;
}

// Owns the attribute objects of one spawn so every exit path releases them.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    bool haveActions = false;
    bool haveAttributes = false;

    ~SpawnSetup()
    {
        if (haveActions)
            posix_spawn_file_actions_destroy(&actions);
        if (haveAttributes)
            posix_spawnattr_destroy(&attributes);
    }
};

void check(int error, const char* what)
{
    if (error != 0)
        throw std::system_error(error, std::generic_category(), what);
}

} // namespace

const std::vector<std::string>& loaderVariables()
{
    static const std::vector<std::string> names = {"LD_LIBRARY_PATH", "LD_PRELOAD", "QT_PLUGIN_PATH",
                                                   "QT_QPA_PLATFORM_PLUGIN_PATH", "QML2_IMPORT_PATH"};
    return names;
}

ChildProcess::ChildProcess(const std::string& path, const std::vector<std::string>& arguments)
{
    SpawnSetup setup;
    check(posix_spawn_file_actions_init(&setup.actions), "posix_spawn_file_actions_init");
    setup.haveActions = true;
    check(posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0), "stdin");
    // Every descriptor of the host above standard error stays behind,
    // whether or not its owner marked it close-on-exec.
    check(posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3), "closefrom");

    check(posix_spawnattr_init(&setup.attributes), "posix_spawnattr_init");
    setup.haveAttributes = true;
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigemptyset(&all);
    for (int sig = 1; sig < NSIG; ++sig) {
        if (sig != SIGKILL && sig != SIGSTOP)
            sigaddset(&all, sig);
    }
    // The host may block or ignore signals; the child starts clean.
    check(posix_spawnattr_setsigmask(&setup.attributes, &none), "sigmask");
    check(posix_spawnattr_setsigdefault(&setup.attributes, &all), "sigdefault");
    check(posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF),
          "spawn flags");

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& arg : arguments)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    std::vector<char*> envp;
    for (char** entry = environ; entry && *entry; ++entry) {
        if (!dropped(*entry))
            envp.push_back(*entry);
    }
    envp.push_back(nullptr);

    pid_t pid = -1;
    check(posix_spawn(&pid, path.c_str(), &setup.actions, &setup.attributes, argv.data(), envp.data()),
          "posix_spawn");
    m_pid = pid;
}

ChildProcess::~ChildProcess()
{
    terminate(std::chrono::milliseconds(500));
}

bool ChildProcess::reapLocked(bool block)
{
    if (m_exited)
        return true;
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(m_pid, &status, block ? 0 : WNOHANG);
        if (r == m_pid) {
            m_exited = true;
            m_status = status;
            return true;
        }
        if (r == 0)
            return false;
        if (errno == EINTR)
            continue;
        // ECHILD: reaped elsewhere (or SIGCHLD ignored by the host).
        m_exited = true;
        return true;
    }
}

bool ChildProcess::running()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return !reapLocked(false);
}

bool ChildProcess::waitExit(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (!running())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kPollStep);
    }
}

bool ChildProcess::terminate(std::chrono::milliseconds grace)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (reapLocked(false))
            return true;
        kill(m_pid, SIGTERM);
    }
    if (waitExit(grace))
        return true;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (reapLocked(false))
            return true;
        kill(m_pid, SIGKILL);
    }
    return waitExit(std::chrono::duration_cast<std::chrono::milliseconds>(kKillWait));
}

int ChildProcess::exitStatus()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    reapLocked(false);
    return m_status;
}

} // namespace Nuvra::Platform
