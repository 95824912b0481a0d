#include "server/Dispatcher.h"

#include "server/DialogHandoff.h"
#include "server/ParamChange.h"
#include "server/Params.h"
#include "server/Renderer.h"
#include "server/ServerBroker.h"
#include "VRPC/Log.h"
#include "VRPC/Messages.h"
#include "VRPC/Process.h"
#include "VRPC/Serialize.h"

#include <QtGlobal>

#include <cstring>
#include <string>
#include <system_error>
#include <thread>

namespace Nuvra::VRPC {

namespace {

// Bytes after the id of a parameter-changed request that carry nothing.
constexpr std::size_t kParamChangedTextAt = 12;

template <typename T> bool readWord(const Message& msg, T& value)
{
    if (msg.extra.size() < sizeof(T))
        return false;
    std::memcpy(&value, msg.extra.data(), sizeof(T));
    return true;
}

void replyText(const Message& msg, int type, const std::string& text)
{
    sendReply(type, msg.reply_slot, text.data(), static_cast<std::int64_t>(text.size()));
}

void handshake(const Message& msg)
{
    std::uint32_t pid = 0;
    readWord(msg, pid);
    host_id = processFromNumberSlave(pid);
    const std::uint64_t own = static_cast<std::uint32_t>(currentProcessNumber());
    writeDebugLog("reply to host (pid %d), with slave pid %d\n", static_cast<int>(pid), static_cast<int>(own));
    sendReply(S2M_Handshake, msg.reply_slot, &own, sizeof(own));
}

void quit(const Message& msg)
{
    sendReply(S2M_Quit, msg.reply_slot, nullptr, 0);
    if (Broker* broker = sbroker())
        broker->shutdown();
}

void paramsSetup(const Message& msg)
{
    std::uint32_t kind = 0;
    if (readWord(msg, kind))
        host = static_cast<int>(kind);
    replyText(msg, S2M_ParamStr, serialize(paramDescription()));
}

void render(Message& msg)
{
    // Counted before the thread exists, so shut-down never misses it.
    renderBegins();
    Message* own = nullptr;
    try {
        own = new Message;
        own->waiter = msg.waiter;
        own->reply_slot = msg.reply_slot;
        own->xlen = msg.xlen;
        own->type = msg.type;
        own->extra.swap(msg.extra);
        msg = Message();
        startRender(own);
    } catch (const std::exception& e) {
        // No render thread: the request is answered here.
        writeError("vrpc_dispatcher() : render not started: %s\n", e.what());
        const std::uint64_t replySlot = own ? own->reply_slot : msg.reply_slot;
        delete own;
        renderEnds();
        RenderReplyHeader header{};
        header.status = RenderInternalError;
        sendReply(S2M_Rendered, replySlot, &header, sizeof(header));
    }
}

void paramChanged(const Message& msg)
{
    // Too short to hold the id and the text: nothing changes.
    if (msg.extra.size() < kParamChangedTextAt) {
        replyText(msg, S2M_ParamsChanged, std::string());
        return;
    }
    std::int32_t id = 0;
    readWord(msg, id);
    const std::string text(msg.extra.begin() + kParamChangedTextAt, msg.extra.end());
    replyText(msg, S2M_ParamsChanged, onParamChanged(id, text));
}

void updateUI(const Message& msg)
{
    auto values = deserialize(std::string(msg.extra.begin(), msg.extra.end()));
    const int mode = findParam(values, PidMode).get_optional<int>("value").value_or(1);
    boost::property_tree::ptree changes;
    applyModeVisibility(changes, zeroBased(mode));
    replyText(msg, S2M_ParamsChanged, serialize(changes));
}

} // namespace

void vrpc_dispatcher(Message& msg)
{
    const int type = static_cast<int>(msg.type);
    switch (type) {
    case M2S_Handshake:
        writeDebugLog("M2S_Handshake\n");
        handshake(msg);
        break;
    case M2S_Quit:
        writeDebugLog("M2S_Quit\n");
        quit(msg);
        break;
    case M2S_ParamsSetup:
        writeDebugLog("M2S_ParamsSetup\n");
        paramsSetup(msg);
        break;
    case M2S_DoDialog:
        writeDebugLog("M2S_DoDialog\n");
        dlgFlag.request(msg.reply_slot);
        break;
    case M2S_Render:
        writeDebugLog("M2S_Render\n");
        render(msg);
        break;
    case M2S_ParamChanged:
        writeDebugLog("M2S_ParamChanged\n");
        paramChanged(msg);
        break;
    case M2S_UpdateUI:
        writeDebugLog("M2S_UpdateUI\n");
        updateUI(msg);
        break;
    default:
        if (Broker* broker = sbroker())
            broker->shutdown();
        qFatal("vrpc_dispatcher() : unexpected message %d", type);
    }
}

} // namespace Nuvra::VRPC
