#pragma once

#include "VRPC/Broker.h"

#include <memory>
#include <string>

namespace Nuvra::OFX {

// The plug-in's one channel to its child application: the master broker, the
// child process and the name of their shared files. Made on the first load
// action, closed when the bundle is unloaded.

// Base name of the shared files of the current attempt (empty before one).
std::string sharedName();

// Broker, child and handshake; status 0 when connected, 1 when the attempt
// failed (and stays failed). Throws when no attempt could be made (the
// files cannot be created, the child's program is missing): the next load
// action tries again. Called by the load action.
int initConnection();

// Quit, close the channel (removing its files) and stop the child, each
// step bounded. Called when the bundle is unloaded.
void doneConnection();

// The broker while connected, else null. Holders keep it alive.
std::shared_ptr<VRPC::Broker> connectionBroker();

// Process id of the running child, 0 when none.
int childPID();

// The child's program inside the bundle that holds this plug-in.
std::string childExecutablePath();

// Time limits of requests that the child answers at once, and of a render.
constexpr int kParamRequestSeconds = 60;
constexpr int kRenderSeconds = 300;

} // namespace Nuvra::OFX
