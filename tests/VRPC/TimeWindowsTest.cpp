#include "VRPC/Messages.h"
#include "VRPC/TimeWindows.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace Nuvra::VRPC;
using namespace std::chrono_literals;

// Only a plain number within the product's own limit shortens the wait:
// anything else keeps the 30 s a slow machine may need.
TEST(TimeWindows, HandshakeWaitFromTheEnvironment)
{
    const struct {
        const char* value;  // nullptr: unset
        int seconds;
    } cases[] = {
        {nullptr, kHandshakeTimeoutSeconds}, {"", kHandshakeTimeoutSeconds}, {"2", 2}, {"1", 1},
        {"30", 30}, {"0", kHandshakeTimeoutSeconds}, {"-5", kHandshakeTimeoutSeconds},
        {"31", kHandshakeTimeoutSeconds}, {"99999999999999999999", kHandshakeTimeoutSeconds},
        {"5s", kHandshakeTimeoutSeconds}, {"abc", kHandshakeTimeoutSeconds},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(unset)");
        if (c.value)
            setenv("MORVELIN_HANDSHAKE_SECONDS", c.value, 1);
        else
            unsetenv("MORVELIN_HANDSHAKE_SECONDS");
        EXPECT_EQ(handshakeTimeoutSeconds(), c.seconds);
    }
    unsetenv("MORVELIN_HANDSHAKE_SECONDS");
}

// A window of zero or less would make every wait a busy loop.
TEST(TimeWindows, NonPositiveWindowsBecomeOneMillisecond)
{
    const TimeWindows saved = timeWindows();
    TimeWindows w;
    w.replySlice = 0ms;
    w.slotSlice = -5ms;
    w.watchdogPeriod = 7ms;
    setTimeWindows(w);
    const TimeWindows got = timeWindows();
    EXPECT_EQ(got.replySlice, 1ms);
    EXPECT_EQ(got.slotSlice, 1ms);
    EXPECT_EQ(got.watchdogPeriod, 7ms);
    EXPECT_EQ(got.eraserGiveUp, TimeWindows{}.eraserGiveUp);
    setTimeWindows(saved);
}
