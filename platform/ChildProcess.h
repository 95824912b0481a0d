#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

namespace Nuvra::Platform {

// Environment variables through which a program's own libraries and plug-ins
// would be loaded into the programs it starts; a child never inherits them.
const std::vector<std::string>& loaderVariables();

// A program started as a child of this process. It is started with
// posix_spawn (never a fork of a large multithreaded process), its standard
// input from /dev/null, no descriptor but standard output and error
// inherited, default signal handling, and an environment without the loader
// variables. The child is reaped by whoever first sees it exit; once reaped
// its id is never signalled again, as the system may give it to another
// process.
class ChildProcess {
public:
    // Throws std::system_error when the program cannot be started.
    ChildProcess(const std::string& path, const std::vector<std::string>& arguments);
    // Stops a child that still runs (terminate, then kill) and reaps it.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }

    // True while the child has not exited. Reaps an exited child; a child
    // that someone else reaped (ECHILD) counts as exited.
    bool running();

    // Waits up to `limit` for the child to exit by itself.
    bool waitExit(std::chrono::milliseconds limit);

    // Asks the child to end (SIGTERM), waits up to `grace`, then kills it
    // and waits a bounded time for it to be reaped. True once reaped.
    bool terminate(std::chrono::milliseconds grace);

    // Exit status as waitpid reported it; -1 while running or when unknown.
    int exitStatus();

private:
    bool reapLocked(bool block);

    std::mutex m_mutex;
    pid_t m_pid = -1;
    bool m_exited = false;
    int m_status = -1;
};

} // namespace Nuvra::Platform
