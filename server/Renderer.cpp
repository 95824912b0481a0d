#include "server/Renderer.h"

#include "server/Presets.h"
#include "server/ProcessMemory.h"
#include "server/ServerBroker.h"
#include "VRPC/Log.h"
#include "VRPC/Messages.h"
#include "VRPC/Serialize.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <limits>
#include <utility>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace Nuvra::VRPC {

std::atomic<int> host{0};

namespace {

// An int record value plus a small offset, as float: the sum is taken in
// 64 bits so no value can overflow, and is exact for every in-range value.
float offsetValue(std::int32_t value, std::int64_t offset)
{
    return static_cast<float>(static_cast<std::int64_t>(value) + offset);
}

std::int32_t saturatingSum(std::int32_t value, std::int32_t offset)
{
    const std::int64_t sum = static_cast<std::int64_t>(value) + offset;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(sum, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

struct RenderCount {
    std::mutex mutex;
    std::condition_variable idle;
    int running = 0;
};

// Kept past exit: a render may end after static destruction began.
RenderCount& renderCount()
{
    static RenderCount* count = new RenderCount;
    return *count;
}

RenderStatus fail(std::vector<char>& reply, RenderStatus status)
{
    RenderReplyHeader header{};
    header.status = status;
    reply.assign(sizeof(header), 0);
    std::memcpy(reply.data(), &header, sizeof(header));
    return status;
}

// Checks the header against the payload it came with, in 64 bits.
RenderStatus checkRequest(const RenderRequestHeader& h, std::int64_t length, std::int64_t replyLimit)
{
    if (h.width <= 0 || h.height <= 0 || h.bytesPerChannel != 1 || h.textLength < 0) {
        writeError("vrpc_renderer() : bad render header %dx%d, %d bytes per channel, text %d\n", h.width,
                   h.height, h.bytesPerChannel, h.textLength);
        return RenderBadRequest;
    }
    const std::int64_t stride = renderRowStride(h.width, h.bytesPerChannel);
    const std::int64_t replyHeader = static_cast<std::int64_t>(sizeof(RenderReplyHeader));
    // height <= (limit - 8) / stride  <=>  8 + height * stride <= limit, without the product.
    if (replyLimit < replyHeader + stride || h.height > (replyLimit - replyHeader) / stride) {
        writeError("vrpc_renderer() : a %dx%d frame does not fit a reply\n", h.width, h.height);
        return RenderTooLarge;
    }
    const std::int64_t pixelsAt = static_cast<std::int64_t>(sizeof(RenderRequestHeader)) + h.textLength;
    if (pixelsAt > length || h.height * stride > length - pixelsAt) {
        writeError("vrpc_renderer() : render request of %lld bytes is shorter than its header says\n",
                   static_cast<long long>(length));
        return RenderBadRequest;
    }
    return RenderOk;
}

// A render that failed on its own thread still answers, where the channel
// still works, so the host's request does not wait for ever.
void replyFailure(std::uint64_t replySlot)
{
    try {
        std::vector<char> reply;
        fail(reply, RenderInternalError);
        sendReply(S2M_Rendered, replySlot, reply.data(), static_cast<std::int64_t>(reply.size()));
    } catch (const std::exception& e) {
        writeError("vrpc_renderer() : no reply sent: %s\n", e.what());
    } catch (...) {
        writeError("vrpc_renderer() : no reply sent\n");
    }
}

} // namespace

Morvelin_paramsCalc mapParams(const ParamRecord& r)
{
    Morvelin_paramsCalc c{};
    c.sigmaBlur = static_cast<float>(r.detail) / 100.0f * -0.4f + 0.5f;
    c.unsharp = offsetValue(r.sharpness, -1) / 49.0f * 0.49f + 0.01f;
    c.gradients = 0.46f;
    c.line_intg = offsetValue(r.smudging, -30) / 170.0f * 1.7f + 0.3f;
    c.dark_lum_pred = saturatingInt(std::round(static_cast<float>(r.shadows) / 100.0f * 60.0f + 40.0f));
    c.middle_lum_pred = saturatingInt(std::round(static_cast<float>(r.midtones) / 100.0f * 40.0f + 150.0f));
    c.high_lum_pred = saturatingInt(std::round(static_cast<float>(r.highlights) / 100.0f * 35.0f + 195.0f));
    c.dark_lum = 51;
    c.middle_lum = 156;
    c.high_lum = 250;
    c.resizing = 1000;
    c.darkColor = r.colorDark;
    c.midDarkColor = r.colorMidDark;
    c.midColor = r.colorMid;
    c.midLightColor = r.colorMidLight;
    c.lightColor = r.colorLight;
    c.noise = r.noise;
    c.contrast = offsetValue(r.contrast, 25) / 50.0f * 0.5f + -0.25f;
    c.mode = r.mode;
    c.noiseSmoothOn = r.noiseSmooth > 0 ? 1 : 0;
    c.usePesk = r.colors3D ? 1 : 0;
    c.angle = saturatingSum(r.noiseAngle, 90);
    c.noiseSmooth = 0.0f + static_cast<float>(r.noiseSmooth) / 100.0f * 10.0f;
    c.darken = offsetValue(r.lightness, 50) / 150.0f * 1.5f + 0.5f;
    return c;
}

ParamRecord renderRecord(const boost::property_tree::ptree& values)
{
    ParamRecord record;
    getParams(record, values);
    if (host.load() == 0) {
        const int p = getIntValue(values, PidPreset);
        const auto& presets = builtinPresets();
        if (p >= 2 && p - 2 < static_cast<int>(presets.size()))
            record = presets[p - 2].values;
    }
    return record;
}

RenderStatus renderRequest(const char* payload, std::int64_t length, std::vector<char>& reply,
                           std::int64_t replyLimit, EffectFunction effect)
{
    RenderRequestHeader header{};
    if (!readRenderRequestHeader(payload, length, header)) {
        writeError("vrpc_renderer() : render request of %lld bytes has no header\n",
                   static_cast<long long>(length));
        return fail(reply, RenderBadRequest);
    }
    if (const RenderStatus status = checkRequest(header, length, replyLimit); status != RenderOk)
        return fail(reply, status);

    const char* textAt = payload + sizeof(RenderRequestHeader);
    const std::string text(textAt, static_cast<size_t>(header.textLength));
    writeDebugLog("vrpc_renderer() prm_str %d chars\nsize %dx%d sample (%d/%d,%d/%d)\n", header.textLength,
                  header.width, header.height, static_cast<int>(header.sample[0]),
                  static_cast<int>(header.sample[1]), static_cast<int>(header.sample[2]),
                  static_cast<int>(header.sample[3]));
    writeDebugLog("params:\n%s\n", text.c_str());

    const Morvelin_paramsCalc params = mapParams(renderRecord(deserialize(text)));
    const int stride = static_cast<int>(renderRowStride(header.width, header.bytesPerChannel));
    // A reused buffer of the right size is not cleared first: the effect
    // writes every pixel when it succeeds, and a failure clears them below.
    const size_t replyBytes = static_cast<size_t>(renderReplyBytes(header.width, header.height));
    if (reply.size() != replyBytes)
        reply.assign(replyBytes, 0);

    const auto* src = reinterpret_cast<const std::uint8_t*>(textAt + header.textLength);
    auto* dst = reinterpret_cast<std::uint8_t*>(reply.data() + sizeof(RenderReplyHeader));
    const bool ok =
        effect(Nuvra::Detail::SizeT<int>{header.width, header.height}, src, stride, dst, stride, 0, params, nullptr);

    RenderReplyHeader replyHeader{};
    if (!ok) {
        // The host must not take zero pixels for a rendered frame.
        replyHeader.status = RenderFilterFailed;
        replyHeader.failed = 1;
        std::fill(reply.begin() + sizeof(RenderReplyHeader), reply.end(), 0);
    }
    std::memcpy(reply.data(), &replyHeader, sizeof(replyHeader));
    return static_cast<RenderStatus>(replyHeader.status);
}

namespace {

// One reply buffer kept from render to render: a fresh one would fault in
// its pages again for every frame. Renders that run side by side beyond it
// use buffers of their own.
struct ReplyBuffers {
    std::mutex mutex;
    std::vector<char> spare;

    std::vector<char> take()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return std::move(spare);
    }
    void keep(std::vector<char>& buffer)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (buffer.capacity() > spare.capacity())
            spare.swap(buffer);
    }
    void release()
    {
        std::vector<char> released;
        std::lock_guard<std::mutex> lock(mutex);
        released.swap(spare);
    }
};

ReplyBuffers& replyBuffers()
{
    static ReplyBuffers* buffers = new ReplyBuffers;  // kept past exit for late renders
    return *buffers;
}

} // namespace

void vrpc_renderer(Message* msg)
{
    std::uint64_t replySlot = 0;
    try {
        std::vector<char> payload;
        {
            std::unique_ptr<Message> owned(msg);
            replySlot = owned->reply_slot;
            payload.swap(owned->extra);
        }
        std::vector<char> reply = replyBuffers().take();
        renderRequest(payload.data(), static_cast<std::int64_t>(payload.size()), reply);
        // Back to the broker before the reply leaves, so that the next
        // request arrives in it.
        recycleBuffer(payload);
        std::vector<char>().swap(payload);
        sendReply(S2M_Rendered, replySlot, reply.data(), static_cast<std::int64_t>(reply.size()));
        replyBuffers().keep(reply);
    } catch (const std::exception& e) {
        writeError("vrpc_renderer() : %s\n", e.what());
        replyFailure(replySlot);
    } catch (...) {
        writeError("vrpc_renderer() : unknown failure\n");
        replyFailure(replySlot);
    }
    renderEnds();
}

namespace {

// A render thread with nothing to do waits this long for the next frame.
// The last one to end gives the memory kept for frames back: a pause shorter
// than this costs the next frame nothing, a longer one leaves the child small.
constexpr auto kRenderThreadIdle = std::chrono::seconds(30);

struct RenderThreads {
    std::mutex mutex;
    std::condition_variable work;
    std::deque<Message*> queue;
    int idle = 0;
    int alive = 0;
};

// Kept past exit, like the render count: a thread may still wait on it.
RenderThreads& renderThreads()
{
    static RenderThreads* threads = new RenderThreads;
    return *threads;
}

void giveBackFrameMemory()
{
    replyBuffers().release();
    releaseIdleBrokerMemory();
    giveBackMemory();
}

void renderThread()
{
    RenderThreads& threads = renderThreads();
    std::unique_lock<std::mutex> lock(threads.mutex);
    for (;;) {
        ++threads.idle;
        const bool given =
            threads.work.wait_for(lock, kRenderThreadIdle, [&threads] { return !threads.queue.empty(); });
        --threads.idle;
        if (!given) {
            const bool last = --threads.alive == 0;
            lock.unlock();
            if (last)
                giveBackFrameMemory();
            return;
        }
        Message* msg = threads.queue.front();
        threads.queue.pop_front();
        lock.unlock();
        vrpc_renderer(msg);
        lock.lock();
    }
}

} // namespace

void startRender(Message* msg)
{
    RenderThreads& threads = renderThreads();
    std::lock_guard<std::mutex> lock(threads.mutex);
    threads.queue.push_back(msg);
    if (threads.idle >= static_cast<int>(threads.queue.size())) {
        threads.work.notify_one();
        return;
    }
    try {
        std::thread(&renderThread).detach();
    } catch (...) {
        threads.queue.pop_back();
        throw;
    }
    ++threads.alive;
}

void renderBegins()
{
    RenderCount& count = renderCount();
    std::lock_guard<std::mutex> lock(count.mutex);
    ++count.running;
}

void renderEnds()
{
    RenderCount& count = renderCount();
    std::lock_guard<std::mutex> lock(count.mutex);
    if (--count.running == 0)
        count.idle.notify_all();
}

int rendersInFlight()
{
    RenderCount& count = renderCount();
    std::lock_guard<std::mutex> lock(count.mutex);
    return count.running;
}

bool waitForRenders(std::chrono::milliseconds limit)
{
    RenderCount& count = renderCount();
    std::unique_lock<std::mutex> lock(count.mutex);
    return count.idle.wait_for(lock, limit, [&count] { return count.running == 0; });
}

} // namespace Nuvra::VRPC
