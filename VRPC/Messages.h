#pragma once

namespace Nuvra::VRPC {

// Requests, master to slave (the "_m2s" file).
enum RequestType : int {
    M2S_Handshake = 1,     // u32 pid of the plug-in's process; synchronous, 30 s
    M2S_Quit = 2,          // no payload; asynchronous
    M2S_ParamsSetup = 3,   // u32 host kind; synchronous
    M2S_DoDialog = 4,      // no payload; synchronous
    M2S_Render = 5,        // render header, value text, pixels; synchronous
    M2S_ParamChanged = 6,  // i32 id, 8 zero bytes, value text; synchronous
    M2S_UpdateUI = 7,      // value text; synchronous
};

// Replies, slave to master (the "_s2m" file), each carrying the request's
// reply slot as its waiter.
enum ReplyType : int {
    S2M_Handshake = 257,      // u64 pid of the child
    S2M_Quit = 258,           // no payload
    S2M_DialogDone = 259,     // no payload
    S2M_Rendered = 260,       // u32 status, 4 bytes, A R G B pixels
    S2M_ParamStr = 261,       // the parameter description as INFO text
    S2M_ParamsChanged = 262,  // INFO text of the values the child changed
};

constexpr int kHandshakeTimeoutSeconds = 30;

constexpr bool isRequestType(int type)
{
    return type >= M2S_Handshake && type <= M2S_UpdateUI;
}

// The reply that answers a request, 0 for a type outside the table.
constexpr int replyTypeFor(int request)
{
    switch (request) {
    case M2S_Handshake: return S2M_Handshake;
    case M2S_Quit: return S2M_Quit;
    case M2S_ParamsSetup: return S2M_ParamStr;
    case M2S_DoDialog: return S2M_DialogDone;
    case M2S_Render: return S2M_Rendered;
    case M2S_ParamChanged:
    case M2S_UpdateUI: return S2M_ParamsChanged;
    default: return 0;
    }
}

} // namespace Nuvra::VRPC
