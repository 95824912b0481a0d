#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace Nuvra::VRPC {

// "Linux <release> (<machine>)  Processors:N RAM:MMb".
std::string systemInfoText();

// The program: with the shared name and the two log paths (args[1..3]) it
// serves the plug-in until the channel ends or the host is gone and returns
// 0; with fewer arguments it shows the about box and returns 1.
int runServer(const std::vector<std::string>& args);

// How long shut-down waits for renders still in flight.
constexpr std::chrono::seconds kRenderGrace{10};

} // namespace Nuvra::VRPC
