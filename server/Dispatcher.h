#pragma once

#include "VRPC/Broker.h"

// The handler of the application's slave broker: answers every request of the
// plug-in. Runs on the receiver thread; renders move to threads of their own
// and the about box to the main thread, so it never waits for either.

namespace Nuvra::VRPC {

void vrpc_dispatcher(Message& msg);

} // namespace Nuvra::VRPC
