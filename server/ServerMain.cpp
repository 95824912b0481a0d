#include "server/ServerMain.h"

#include "VRPC/Broker.h"
#include "VRPC/Log.h"
#include "platform/SystemInfo.h"
#include "server/AboutBox.h"
#include "server/GuiStartup.h"
#include "server/Logger.h"
#include "server/ProcessMemory.h"
#include "server/ServerBroker.h"

#include <cstdio>
#include <exception>
#include <thread>

namespace Nuvra::VRPC {

namespace {

constexpr std::chrono::milliseconds kLoopPeriod{20};

int aboutOnly()
{
    vrpc_init_gui();
    if (guiIsHeadless())
        // Nobody could see the box, nor close it.
        std::fputs("MorvelinVideoMain: no display, the about box is not shown\n", stderr);
    else
        showAbout();
    vrpc_done_gui();
    return 1;
}

} // namespace

std::string systemInfoText()
{
    return Platform::systemVersionText() + "  Processors:" + std::to_string(Platform::processorCount())
           + " RAM:" + std::to_string(Platform::physicalMemory() >> 20) + "Mb";
}

int runServer(const std::vector<std::string>& args)
{
    if (args.size() < 4)
        return aboutOnly();
    const std::string sharedName = args[1];
    const std::string transportLog = args[2];
    const std::string applicationLog = args[3];

    SetupLogFiles(transportLog.c_str(), applicationLog.c_str());
    NuvraLogger::SetLogFileName(applicationLog.c_str());
    NuvraLogger::initLogger();
    writeDebugLog("System info:\n\t%s\n", systemInfoText().c_str());
    writeDebugLog("[VMain] Start\n");

    keepFreedMemory();
    vrpc_init_gui();
    try {
        installServerBroker(sharedName);
    } catch (const std::exception& e) {
        writeError("[VMain] cannot open the shared files %s: %s\n", sharedName.c_str(), e.what());
        qCritical("cannot open the shared files %s: %s", sharedName.c_str(), e.what());
        vrpc_done_gui();
        return 2;
    }

    while (!shutdown.load()) {
        if (hostIsGone())
            break;
        vrpc_throttle();
        std::this_thread::sleep_for(kLoopPeriod);
    }

    retireServerBroker(kRenderGrace);
    vrpc_done_gui();
    writeDebugLog("[VMain] Finish\n");
    return 0;
}

} // namespace Nuvra::VRPC
