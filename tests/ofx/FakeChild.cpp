// Stands in for the child application in the plug-in's tests: it speaks the
// channel's protocol and records what it receives, with faults chosen by
// the environment.
//   MORVELIN_FAKE_CHILD_DIR  folder for the records: start.txt (arguments,
//                            open descriptors, environment names) and one
//                            file per request, req-<n>-<type>.bin
//   MORVELIN_FAKE_CHILD      comma-separated faults: exit-at-start,
//                            no-handshake, render-status=N, render-failed,
//                            render-short, render-die, render-delay-ms=N,
//                            hold-slot (the receiver never returns after the
//                            parameter set-up)
// A render answers with every colour component inverted (255 - v), alpha
// kept. A parameter change answers with the text of <dir>/changes.info; the
// parameter set-up with <dir>/description.info when there is one.
#include "VRPC/Broker.h"
#include "VRPC/Log.h"
#include "VRPC/Messages.h"
#include "VRPC/ParamStr.h"
#include "VRPC/Process.h"
#include "VRPC/RenderHeader.h"
#include "VRPC/Serialize.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace Nuvra::VRPC;

namespace {

std::string g_dir;
std::string g_faults;
std::atomic<int> g_sequence{0};

bool fault(const std::string& name)
{
    return ("," + g_faults + ",").find("," + name + ",") != std::string::npos;
}

int faultValue(const std::string& name, int fallback)
{
    const std::string key = name + "=";
    const size_t at = ("," + g_faults).find("," + key);
    if (at == std::string::npos)
        return fallback;
    return std::atoi(g_faults.c_str() + at + key.size());
}

void writeFile(const std::string& path, const void* data, size_t size)
{
    const std::string temp = path + ".tmp";
    if (FILE* f = std::fopen(temp.c_str(), "wb")) {
        if (size)
            std::fwrite(data, 1, size, f);
        std::fclose(f);
        std::rename(temp.c_str(), path.c_str());
    }
}

void record(const Message& msg)
{
    if (g_dir.empty())
        return;
    const int n = g_sequence++;
    writeFile(g_dir + "/req-" + std::to_string(n) + "-" + std::to_string(msg.type) + ".bin", msg.extra.data(),
              msg.extra.size());
}

void recordStart(int argc, char** argv)
{
    if (g_dir.empty())
        return;
    std::ostringstream out;
    out << "pid:" << getpid() << "\n";
    out << "args:" << argc - 1 << "\n";
    for (int i = 1; i < argc; ++i)
        out << "arg:" << argv[i] << "\n";
    if (DIR* dir = opendir("/proc/self/fd")) {
        const int own = dirfd(dir);
        while (dirent* e = readdir(dir)) {
            if (e->d_name[0] != '.' && std::atoi(e->d_name) != own)
                out << "fd:" << e->d_name << "\n";
        }
        closedir(dir);
    }
    for (char** e = environ; *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        out << "env:" << std::string(*e, eq ? static_cast<size_t>(eq - *e) : std::strlen(*e)) << "\n";
    }
    const std::string text = out.str();
    writeFile(g_dir + "/start.txt", text.data(), text.size());
}

void reply(std::uint64_t slot, int type, const std::vector<char>& payload)
{
    std::lock_guard<std::mutex> lock(smtx);
    if (Broker* broker = sbroker_)
        broker->send_message_async(type, static_cast<long long>(slot), payload.empty() ? nullptr : payload.data(),
                                   static_cast<int>(payload.size()));
}

// The thirty controls in their order, as the application describes them.
std::string description()
{
    boost::property_tree::ptree t;
    ParamStr::comboBox(t, 30, "Preset", 2, 2, "Custom|Default|Soft Pastel", 2);
    ParamStr::startGroup(t, 1, "General");
    ParamStr::slider(t, 2, "Detail", 80, 80, 0, 100, 2);
    ParamStr::slider(t, 3, "Sharpness", 16, 16, 1, 50, 2);
    ParamStr::slider(t, 4, "Smudging", 100, 100, 30, 200, 2);
    ParamStr::slider(t, 5, "Lightness", 0, 0, -50, 100, 2);
    ParamStr::slider(t, 6, "Contrast", 0, 0, -25, 25, 2);
    ParamStr::checkBox(t, 7, "3D Colors", true, true, 2);
    ParamStr::endGroup(t, 8);
    ParamStr::startGroup(t, 9, "Shading");
    ParamStr::slider(t, 10, "Shadows", 0, 0, 0, 100, 2);
    ParamStr::slider(t, 11, "Midtones", 0, 0, 0, 100, 2);
    ParamStr::slider(t, 12, "Highlights", 0, 0, 0, 100, 2);
    ParamStr::endGroup(t, 13);
    ParamStr::startGroup(t, 14, "Noise Group");
    ParamStr::slider(t, 15, "Noise", 0, 0, 0, 80, 2);
    ParamStr::slider(t, 16, "Noise Smooth", 0, 0, 0, 100, 2);
    ParamStr::angle(t, 17, "Noise Angle", 90.0f, 90.0f, 2);
    ParamStr::endGroup(t, 18);
    ParamStr::startGroup(t, 19, "Colors");
    ParamStr::comboBox(t, 20, "Mode", 1, 1, "Two Colors|Original Colors|Five Colors", 2);
    ParamStr::colorBox(t, 21, "Color-Dark", 0xFF000000u, 0xFF000000u, 2);
    ParamStr::colorBox(t, 22, "Color-MidDark", 0xFF808080u, 0xFF808080u, 3);
    ParamStr::colorBox(t, 23, "Color-Mid", 0xFFA0A0A0u, 0xFFA0A0A0u, 3);
    ParamStr::colorBox(t, 24, "Color-MidLight", 0xFFC0C0C0u, 0xFFC0C0C0u, 3);
    ParamStr::colorBox(t, 25, "Color-Light", 0xFFFFFFFFu, 0xFFFFFFFFu, 2);
    ParamStr::button(t, 26, "", "Autofill", 3);
    ParamStr::button(t, 27, "", "Random", 2);
    ParamStr::button(t, 28, "", "Reset", 2);
    ParamStr::endGroup(t, 29);
    return serialize(t);
}

// A reply buffer kept from frame to frame, as the application keeps one, so
// that the benchmark's trip through this child faults in no fresh pages.
// Never destroyed: a detached render may still use it while the process
// exits.
struct ReplySpare {
    std::mutex mutex;
    std::vector<char> buffer;
};
ReplySpare& replySpare()
{
    static ReplySpare* spare = new ReplySpare;
    return *spare;
}

void renderFrame(Message* msg)
{
    std::unique_ptr<Message> request(msg);
    if (const int delay = faultValue("render-delay-ms", 0))
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    RenderRequestHeader header{};
    readRenderRequestHeader(request->extra.data(), static_cast<std::int64_t>(request->extra.size()), header);
    const std::int64_t pixels = std::int64_t(header.width) * header.height;
    std::vector<char> out;
    ReplySpare& spare = replySpare();
    {
        std::lock_guard<std::mutex> lock(spare.mutex);
        out.swap(spare.buffer);
    }
    out.resize(sizeof(RenderReplyHeader) + static_cast<size_t>(pixels) * 4);
    RenderReplyHeader status{};
    status.status = static_cast<std::uint32_t>(faultValue("render-status", 0));
    status.failed = fault("render-failed") ? 1 : 0;
    std::memcpy(out.data(), &status, sizeof(status));
    const char* src = request->extra.data() + sizeof(RenderRequestHeader) + header.textLength;
    char* dst = out.data() + sizeof(RenderReplyHeader);
    // Colour bytes inverted, alpha (the first byte) kept.
    for (std::int64_t i = 0; i < pixels; ++i) {
        std::uint32_t v;
        std::memcpy(&v, src + 4 * i, 4);
        v ^= 0xFFFFFF00u;
        std::memcpy(dst + 4 * i, &v, 4);
    }
    {
        std::lock_guard<std::mutex> lock(smtx);
        if (Broker* broker = sbroker_)
            broker->recycle(request->extra);
    }
    if (fault("render-short"))
        out.resize(out.size() - 1);
    reply(request->reply_slot, S2M_Rendered, out);
    std::lock_guard<std::mutex> lock(spare.mutex);
    if (out.capacity() > spare.buffer.capacity())
        out.swap(spare.buffer);
}

void dispatcher(Message& msg)
{
    record(msg);
    switch (msg.type) {
    case M2S_Handshake: {
        if (fault("no-handshake"))
            return;
        std::uint32_t hostPid = 0;
        if (msg.extra.size() >= 4)
            std::memcpy(&hostPid, msg.extra.data(), 4);
        host_id = hostPid;
        const std::uint64_t self = currentProcessNumber();
        std::vector<char> payload(8);
        std::memcpy(payload.data(), &self, 8);
        reply(msg.reply_slot, S2M_Handshake, payload);
        return;
    }
    case M2S_Quit:
        reply(msg.reply_slot, S2M_Quit, {});
        if (Broker* broker = sbroker())
            broker->shutdown();
        return;
    case M2S_ParamsSetup: {
        std::string text = description();
        std::ifstream given(g_dir + "/description.info", std::ios::binary);
        if (given) {
            std::ostringstream all;
            all << given.rdbuf();
            text = all.str();
        }
        reply(msg.reply_slot, S2M_ParamStr, std::vector<char>(text.begin(), text.end()));
        if (fault("hold-slot")) {
            for (;;)
                std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        return;
    }
    case M2S_DoDialog: reply(msg.reply_slot, S2M_DialogDone, {}); return;
    case M2S_Render: {
        if (fault("render-die"))
            raise(SIGKILL);
        auto* copy = new Message(std::move(msg));
        std::thread(renderFrame, copy).detach();
        return;
    }
    case M2S_ParamChanged:
    case M2S_UpdateUI: {
        std::ifstream in(g_dir + "/changes.info", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        const std::string s = text.str();
        reply(msg.reply_slot, S2M_ParamsChanged, std::vector<char>(s.begin(), s.end()));
        return;
    }
    default: return;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (const char* dir = std::getenv("MORVELIN_FAKE_CHILD_DIR"))
        g_dir = dir;
    if (const char* faults = std::getenv("MORVELIN_FAKE_CHILD"))
        g_faults = faults;
    recordStart(argc, argv);
    if (fault("exit-at-start") || argc < 4)
        return 3;
    SetupLogFiles(argv[2], argv[3]);
    {
        std::lock_guard<std::mutex> lock(smtx);
        sbroker_ = new Broker(argv[1], false, dispatcher);
    }
    while (!shutdown.load()) {
        const unsigned long long host = host_id.load();
        if (host != emptyProcessId && !processIsRunningSlave(host))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Broker* broker = nullptr;
    {
        std::lock_guard<std::mutex> lock(smtx);
        std::swap(broker, sbroker_);
    }
    delete broker;
    return 0;
}
