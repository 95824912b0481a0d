#pragma once

#include "server/Params.h"
#include "VRPC/Broker.h"
#include "VRPC/RenderHeader.h"
#include "effect/Filter.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

// Rendering one frame of a render request: the request checked against its
// payload, the user's values mapped to the effect's parameters, the effect
// run from the request's pixels straight into the reply.

namespace Nuvra::VRPC {

// The host kind announced by the parameter set-up; 0 until then. While it is
// 0 a render applies the selected built-in preset itself.
extern std::atomic<int> host;

// The effect's parameters for the user's values, in single precision.
Morvelin_paramsCalc mapParams(const ParamRecord& record);

// The user's values a render uses: the value text read over the defaults,
// replaced by the selected built-in preset while `host` is 0.
ParamRecord renderRecord(const boost::property_tree::ptree& values);

// Renders the request in `payload` into `reply` (reply header, then the
// pixels) and returns the status written into it. A request whose header
// does not describe its payload, or whose reply would exceed `replyLimit`
// bytes, gets a reply of the header alone with a non-zero status; nothing
// outside the payload is read.
// `effect` is the effect itself unless a caller stands in for it.
using EffectFunction = bool (*)(const Nuvra::Detail::SizeT<int>&, const std::uint8_t*, int, std::uint8_t*, int,
                                int, const Morvelin_paramsCalc&, Nuvra::DataStorage::ProgressData*);
RenderStatus renderRequest(const char* payload, std::int64_t length, std::vector<char>& reply,
                           std::int64_t replyLimit = kMaxPayload, EffectFunction effect = &Filter);

// Body of a render thread: takes `msg` and its payload over, renders and
// sends the reply. Never throws; ends the render count the dispatcher began.
void vrpc_renderer(Message* msg);

// Runs vrpc_renderer(msg) on a render thread. The threads outlive their
// frames; one is started whenever every thread is busy, and one that has had
// nothing to do for a while ends. The frames' buffers and the effect's
// working memory are kept by the process between frames and given back when
// the last thread ends. Throws (and keeps nothing of `msg`)
// when no thread is free and none can be started.
void startRender(Message* msg);

// Renders on their own threads, counted so that shut-down can wait for them.
void renderBegins();
void renderEnds();
int rendersInFlight();
// True when no render is left, false when `limit` passed first.
bool waitForRenders(std::chrono::milliseconds limit);

} // namespace Nuvra::VRPC
