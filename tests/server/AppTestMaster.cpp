// Stands in for the plug-in's process: creates the channel, starts the
// application on it, shakes hands, prints the application's process id and
// then waits to be killed.
#include "ChildProcess.h"

#include "VRPC/Broker.h"
#include "VRPC/Messages.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: app_test_master <program> <shared name> <transport log> <app log>\n");
        return 2;
    }
    using namespace Nuvra::VRPC;
    Broker master(argv[2], true, [](Message&) {});
    const pid_t child = ChildTest::spawn({argv[1], argv[2], argv[3], argv[4]}, {});
    if (child < 0)
        return 3;
    const std::uint32_t self = static_cast<std::uint32_t>(getpid());
    Message reply;
    master.send_message_sync(M2S_Handshake, 0, &self, sizeof(self), reply, kHandshakeTimeoutSeconds);
    if (reply.type != S2M_Handshake)
        return 4;
    std::printf("%d\n", static_cast<int>(child));
    std::fflush(stdout);
    for (;;)
        pause();
}
