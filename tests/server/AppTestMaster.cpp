// Stands in for the plug-in's process: reserves the name and creates the
// channel, starts the application on it, shakes hands, with "render" sends a
// 2160p frame whose reply it never waits for, prints the application's
// process id and then waits to be killed.
#include "ChildProcess.h"

#include "VRPC/Broker.h"
#include "VRPC/Messages.h"
#include "VRPC/RenderHeader.h"
#include "platform/SharedFiles.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: app_test_master <program> <shared name> <transport log> <app log> [render]\n");
        return 2;
    }
    using namespace Nuvra::VRPC;
    const Nuvra::Platform::SharedFile placeholder = Nuvra::Platform::SharedFile::create(argv[2], 0);
    Broker master(argv[2], true, [](Message&) {});
    const pid_t child = ChildTest::spawn({argv[1], argv[2], argv[3], argv[4]}, {});
    if (child < 0)
        return 3;
    const std::uint32_t self = static_cast<std::uint32_t>(getpid());
    Message reply;
    master.send_message_sync(M2S_Handshake, 0, &self, sizeof(self), reply, kHandshakeTimeoutSeconds);
    if (reply.type != S2M_Handshake)
        return 4;
    if (argc == 6 && std::string(argv[5]) == "render") {
        constexpr int width = 3840, height = 2160;
        const RenderRequestHeader header = makeRenderRequestHeader(width, height, 0, 0);
        std::vector<char> frame(static_cast<size_t>(renderRequestBytes(width, height, 0)), '\x40');
        std::memcpy(frame.data(), &header, sizeof(header));
        master.send_message_async(M2S_Render, 0, frame.data(), static_cast<int>(frame.size()));
    }
    std::printf("%d\n", static_cast<int>(child));
    std::fflush(stdout);
    for (;;)
        pause();
}
