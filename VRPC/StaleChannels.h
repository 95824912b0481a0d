#pragma once

#include <string>

namespace Nuvra::VRPC {

// Removes the channels that hosts which died without closing them left in
// `folder` (on a memory-backed folder their pages would stay in memory until
// the machine restarts). A channel goes only when its names have our form,
// its files are regular files of this user, and the process its master's
// header names is gone; anything else, and every channel whose writer still
// runs, is left alone. Returns how many files were removed.
int removeStaleChannels(const std::string& folder);

} // namespace Nuvra::VRPC
