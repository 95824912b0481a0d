#pragma once

#include "VRPC/Broker.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// The application's slave broker as the protocol code reaches it. A reply is
// sent while the broker is held, so retiring it never deletes it under a
// sender; once it is retired, replies are dropped.

namespace Nuvra::VRPC {

// Creates the slave broker on the shared name, bound to vrpc_dispatcher, and
// makes it the application's broker (sbroker). The transport's exceptions
// pass through.
Broker* installServerBroker(const std::string& basename);

// Shuts the application's broker down, waits up to `renderGrace` for renders
// in flight, and deletes it. Safe to call when there is none.
void retireServerBroker(std::chrono::milliseconds renderGrace);

// Sends a reply through the application's broker; false (nothing sent) when
// there is none. The broker's exceptions pass through.
bool sendReply(int type, std::uint64_t replySlot, const void* data, std::int64_t length);

// Hands a received payload's buffer back to the application's broker for the
// next message it receives; dropped when there is none.
void recycleBuffer(std::vector<char>& buffer);
// Frees the buffer handed back last, if the broker still keeps it, and the
// resident pages of the shared files' payloads.
void releaseIdleBrokerMemory();

} // namespace Nuvra::VRPC
