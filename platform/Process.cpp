#include "platform/Process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/types.h>
#include <unistd.h>

namespace Nuvra::Platform {

namespace {

// The state letter of /proc/<pid>/stat: it follows the last ')' because the
// command name in parentheses may itself hold ')' and spaces.
char processState(std::uint64_t pid)
{
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    FILE* file = std::fopen(path.c_str(), "re");
    if (!file)
        return '\0';
    char buffer[512];
    const size_t n = std::fread(buffer, 1, sizeof(buffer) - 1, file);
    std::fclose(file);
    buffer[n] = '\0';
    const char* close = std::strrchr(buffer, ')');
    if (!close || close[1] != ' ')
        return '\0';
    return close[2];
}

} // namespace

std::uint64_t currentProcessId()
{
    return static_cast<std::uint64_t>(getpid());
}

bool processExists(std::uint64_t pid)
{
    if (pid == 0 || pid > static_cast<std::uint64_t>(INT32_MAX))
        return false;
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)
        return false;
    // Without a readable /proc entry kill() has the last word; a process
    // that vanished in between fails the next check.
    const char state = processState(pid);
    return state != 'Z' && state != 'X';
}

std::uint64_t currentThreadId()
{
    return static_cast<std::uint64_t>(gettid());
}

bool threadExists(std::uint64_t tid)
{
    if (tid == 0 || tid > static_cast<std::uint64_t>(INT32_MAX))
        return false;
    const std::string path = "/proc/self/task/" + std::to_string(tid) + "/stat";
    FILE* file = std::fopen(path.c_str(), "re");
    if (!file)
        return false;
    char buffer[512];
    const size_t n = std::fread(buffer, 1, sizeof(buffer) - 1, file);
    std::fclose(file);
    buffer[n] = '\0';
    const char* close = std::strrchr(buffer, ')');
    return close && close[1] == ' ' && close[2] != 'Z' && close[2] != 'X';
}

} // namespace Nuvra::Platform
