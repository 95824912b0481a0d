#pragma once

#include <map>
#include <string>
#include <vector>

#include <sys/types.h>

namespace ChildTest {

// Starts `args[0]` with the test's environment changed by `env` (an empty
// value removes the variable); standard output goes to `stdoutFd` when it
// is not -1. Returns the process id, or -1.
pid_t spawn(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
            int stdoutFd = -1);

// Waits up to `seconds` for the process to end; true with its wait status.
bool waitForExit(pid_t pid, double seconds, int& status);

} // namespace ChildTest
