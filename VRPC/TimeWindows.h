#pragma once
// How long the broker waits between looks at its peer and its files. The
// product uses the defaults; tests shorten them so that a case about a dead
// peer or a stuck file does not sleep for seconds. Read on every wait, so a
// change applies to waits that start afterwards.
#include <chrono>

namespace Nuvra::VRPC {

struct TimeWindows {
    std::chrono::milliseconds replySlice{5000};      // a synchronous caller checks the peer this often
    std::chrono::milliseconds slotSlice{500};        // a sender waiting for the slot checks the peer this often
    std::chrono::milliseconds watchdogPeriod{3000};  // the slave looks for its host this often
    std::chrono::milliseconds eraserRetry{500};      // a file that could not be removed is tried again after
    std::chrono::milliseconds eraserGiveUp{10000};   // ... until this long has passed
};

TimeWindows timeWindows();
void setTimeWindows(const TimeWindows& windows);

// The plug-in's wait for the child's handshake, in seconds: 30, or the
// MORVELIN_HANDSHAKE_SECONDS variable's value between 1 and 30, so that
// tests of a child that never answers do not wait half a minute.
int handshakeTimeoutSeconds();

} // namespace Nuvra::VRPC
