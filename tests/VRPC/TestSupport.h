#pragma once

#include "VRPC/TimeWindows.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace VrpcTest {

// A private folder for one test's shared files and logs, removed afterwards.
class TempDir {
public:
    TempDir()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/vrpctest-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!mkdtemp(buffer.data()))
            std::abort();
        m_path = buffer.data();
    }
    ~TempDir() { removeTree(m_path); }
    const std::string& path() const { return m_path; }
    std::string file(const std::string& leaf) const { return m_path + "/" + leaf; }

    static void removeTree(const std::string& path)
    {
        if (DIR* dir = opendir(path.c_str())) {
            while (dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (name == "." || name == "..")
                    continue;
                const std::string child = path + "/" + name;
                struct stat st;
                if (lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                    removeTree(child);
                else
                    unlink(child.c_str());
            }
            closedir(dir);
        }
        rmdir(path.c_str());
    }

private:
    std::string m_path;
};

inline bool fileExists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline int countOccurrences(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

// Polls `condition` until it holds or `limit` passes; generous limits keep
// the tests steady on a loaded machine.
inline bool waitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

#ifdef VRPC_PEER_PATH
// The peer program built beside the tests.
class Peer {
public:
    Peer(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {})
    {
        std::vector<std::string> all{VRPC_PEER_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            env.emplace_back(*e);
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        if (posix_spawn(&m_pid, VRPC_PEER_PATH, nullptr, nullptr, argv.data(), envp.data()) != 0)
            m_pid = -1;
    }
    ~Peer()
    {
        if (m_pid > 0 && !m_reaped) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    pid_t pid() const { return m_pid; }
    void kill9() { kill(m_pid, SIGKILL); }
    // The exit status, or -1 when it did not end within the limit.
    int wait(std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        int status = 0;
        const bool ended = waitFor(
            [&] {
                const pid_t r = waitpid(m_pid, &status, WNOHANG);
                return r == m_pid;
            },
            limit);
        if (!ended)
            return -1;
        m_reaped = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t m_pid = -1;
    bool m_reaped = false;
};
#endif

// Shorter broker waits for one test: a dead peer or a stuck file is noticed
// in milliseconds instead of seconds. The product's windows come back after.
class ShortTimeWindows {
public:
    ShortTimeWindows() : m_saved(Nuvra::VRPC::timeWindows())
    {
        using namespace std::chrono_literals;
        Nuvra::VRPC::TimeWindows w;
        w.replySlice = 100ms;
        w.slotSlice = 50ms;
        w.watchdogPeriod = 100ms;
        w.eraserRetry = 20ms;
        w.eraserGiveUp = 300ms;
        Nuvra::VRPC::setTimeWindows(w);
    }
    ~ShortTimeWindows() { Nuvra::VRPC::setTimeWindows(m_saved); }
    ShortTimeWindows(const ShortTimeWindows&) = delete;
    ShortTimeWindows& operator=(const ShortTimeWindows&) = delete;

private:
    Nuvra::VRPC::TimeWindows m_saved;
};

} // namespace VrpcTest
