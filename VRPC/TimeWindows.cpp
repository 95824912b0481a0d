#include "VRPC/TimeWindows.h"

#include "VRPC/Messages.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace Nuvra::VRPC {

namespace {

using ms = std::chrono::milliseconds;

// Each window on its own: waits on several threads read them while a test
// may set them, and no wait needs two of them to agree.
struct Stored {
    std::atomic<long long> replySlice{TimeWindows{}.replySlice.count()};
    std::atomic<long long> slotSlice{TimeWindows{}.slotSlice.count()};
    std::atomic<long long> watchdogPeriod{TimeWindows{}.watchdogPeriod.count()};
    std::atomic<long long> eraserRetry{TimeWindows{}.eraserRetry.count()};
    std::atomic<long long> eraserGiveUp{TimeWindows{}.eraserGiveUp.count()};
};

Stored& stored()
{
    static Stored s;
    return s;
}

// A window of zero or less would turn a wait into a busy loop.
long long atLeastOne(ms window)
{
    return window.count() > 0 ? window.count() : 1;
}

} // namespace

TimeWindows timeWindows()
{
    const Stored& s = stored();
    TimeWindows w;
    w.replySlice = ms(s.replySlice.load());
    w.slotSlice = ms(s.slotSlice.load());
    w.watchdogPeriod = ms(s.watchdogPeriod.load());
    w.eraserRetry = ms(s.eraserRetry.load());
    w.eraserGiveUp = ms(s.eraserGiveUp.load());
    return w;
}

void setTimeWindows(const TimeWindows& w)
{
    Stored& s = stored();
    s.replySlice = atLeastOne(w.replySlice);
    s.slotSlice = atLeastOne(w.slotSlice);
    s.watchdogPeriod = atLeastOne(w.watchdogPeriod);
    s.eraserRetry = atLeastOne(w.eraserRetry);
    s.eraserGiveUp = atLeastOne(w.eraserGiveUp);
}

int handshakeTimeoutSeconds()
{
    const char* text = std::getenv("MORVELIN_HANDSHAKE_SECONDS");
    if (!text || !*text)
        return kHandshakeTimeoutSeconds;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < 1 || value > kHandshakeTimeoutSeconds)
        return kHandshakeTimeoutSeconds;
    return static_cast<int>(value);
}

} // namespace Nuvra::VRPC
