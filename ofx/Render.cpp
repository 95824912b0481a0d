#include "ofx/Render.h"

#include "ofx/Connection.h"
#include "ofx/ParamBridge.h"
#include "ofx/PixelPack.h"
#include "ofx/Suites.h"
#include "ofx/openfx/OfxNames.h"
#include "VRPC/Broker.h"
#include "VRPC/Log.h"
#include "VRPC/Messages.h"
#include "VRPC/RenderHeader.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace Nuvra::OFX {

namespace {

enum class Depth { Byte, Short, Float };

// One host image as the plug-in reads or writes it.
struct HostImage {
    OfxPropertySetHandle handle = nullptr;
    Depth depth = Depth::Byte;
    int components = 4;
    long long rowBytes = 0;
    OfxRectI bounds{0, 0, 0, 0};
    unsigned char* data = nullptr;

    // Start of row y (host coordinates, y up); rows may run either way in
    // memory, as the sign of the row bytes says.
    unsigned char* row(int y) const
    {
        return data + static_cast<long long>(y - bounds.y1) * rowBytes;
    }
};

// Releases a fetched image on every way out of the render.
struct ImageHolder {
    HostImage image;
    ~ImageHolder()
    {
        if (image.handle)
            gEffectSuite->clipReleaseImage(image.handle);
    }
};

OfxRectI rectProperty(OfxPropertySetHandle props, const char* name)
{
    return OfxRectI{propInt(props, name, 0), propInt(props, name, 1), propInt(props, name, 2), propInt(props, name, 3)};
}

bool fetchImage(OfxImageEffectHandle effect, const char* clipName, OfxTime time, HostImage& image)
{
    OfxImageClipHandle clip = nullptr;
    if (gEffectSuite->clipGetHandle(effect, clipName, &clip, nullptr) != kOfxStatOK || !clip)
        return false;
    if (gEffectSuite->clipGetImage(clip, time, nullptr, &image.handle) != kOfxStatOK || !image.handle) {
        image.handle = nullptr;
        return false;
    }
    const std::string depth = propString(image.handle, kOfxImageEffectPropPixelDepth);
    if (depth == kOfxBitDepthByte)
        image.depth = Depth::Byte;
    else if (depth == kOfxBitDepthShort)
        image.depth = Depth::Short;
    else if (depth == kOfxBitDepthFloat)
        image.depth = Depth::Float;
    else
        return false;
    const std::string components = propString(image.handle, kOfxImageEffectPropComponents);
    if (components == kOfxImageComponentRGBA)
        image.components = 4;
    else if (components == kOfxImageComponentRGB)
        image.components = 3;
    else
        return false;
    image.rowBytes = propInt(image.handle, kOfxImagePropRowBytes);
    image.bounds = rectProperty(image.handle, kOfxImagePropBounds);
    void* data = nullptr;
    if (gPropSuite->propGetPointer(image.handle, kOfxImagePropData, 0, &data) != kOfxStatOK || !data)
        return false;
    image.data = static_cast<unsigned char*>(data);
    return image.bounds.x2 >= image.bounds.x1 && image.bounds.y2 >= image.bounds.y1;
}

// The columns [x0, x1) and rows [y0, y1) that both the window and the image
// cover; empty when they do not meet.
struct Span {
    int x0, x1, y0, y1;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};

Span overlap(const OfxRectI& window, const OfxRectI& bounds)
{
    return Span{std::max(window.x1, bounds.x1), std::min(window.x2, bounds.x2), std::max(window.y1, bounds.y1),
                std::min(window.y2, bounds.y2)};
}

// Host rows may start at any address and be any number of bytes long, so a
// sample is read and written as bytes; the compiler makes plain moves of it.
template <typename T> T loadSample(const unsigned char* p)
{
    T v;
    std::memcpy(&v, p, sizeof(T));
    return v;
}

template <typename T> void storeSample(unsigned char* p, T v)
{
    std::memcpy(p, &v, sizeof(T));
}

template <typename T, int C> void packRow(const unsigned char* src, unsigned char* dst, int count)
{
    constexpr int n = static_cast<int>(sizeof(T));
    for (int i = 0; i < count; ++i, src += C * n, dst += 4) {
        dst[0] = C == 4 ? toByte(loadSample<T>(src + 3 * n)) : 255;
        dst[1] = toByte(loadSample<T>(src));
        dst[2] = toByte(loadSample<T>(src + n));
        dst[3] = toByte(loadSample<T>(src + 2 * n));
    }
}

template <typename T, int C> void unpackRow(const unsigned char* src, unsigned char* dst, int count)
{
    constexpr int n = static_cast<int>(sizeof(T));
    for (int i = 0; i < count; ++i, src += 4, dst += C * n) {
        storeSample(dst, fromByte<T>(src[1]));
        storeSample(dst + n, fromByte<T>(src[2]));
        storeSample(dst + 2 * n, fromByte<T>(src[3]));
        if (C == 4)
            storeSample(dst + 3 * n, fromByte<T>(src[0]));
    }
}

// 8-bit RGBA is the common case: R,G,B,A to A,R,G,B is one rotation of the
// little-endian pixel word, four pixels at a time (SSE2 is part of x86-64).
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "pixel words are read little-endian");

template <int Left> void rotateRow(const unsigned char* src, unsigned char* dst, int count)
{
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
        const __m128i r = _mm_or_si128(_mm_slli_epi32(v, Left), _mm_srli_epi32(v, 32 - Left));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), r);
    }
    for (; i < count; ++i) {
        std::uint32_t v;
        std::memcpy(&v, src + 4 * i, 4);
        v = (v << Left) | (v >> (32 - Left));
        std::memcpy(dst + 4 * i, &v, 4);
    }
}

template <> void packRow<std::uint8_t, 4>(const unsigned char* src, unsigned char* dst, int count)
{
    rotateRow<8>(src, dst, count);
}

template <> void unpackRow<std::uint8_t, 4>(const unsigned char* src, unsigned char* dst, int count)
{
    rotateRow<24>(src, dst, count);
}

using RowFn = void (*)(const unsigned char*, unsigned char*, int);

template <template <typename, int> class Pick> RowFn choose(const HostImage& image)
{
    switch (image.depth) {
    case Depth::Byte: return image.components == 4 ? Pick<std::uint8_t, 4>::fn : Pick<std::uint8_t, 3>::fn;
    case Depth::Short: return image.components == 4 ? Pick<std::uint16_t, 4>::fn : Pick<std::uint16_t, 3>::fn;
    case Depth::Float: return image.components == 4 ? Pick<float, 4>::fn : Pick<float, 3>::fn;
    }
    return nullptr;
}

template <typename T, int C> struct Packer {
    static constexpr RowFn fn = &packRow<T, C>;
};
template <typename T, int C> struct Unpacker {
    static constexpr RowFn fn = &unpackRow<T, C>;
};

int bytesPerPixel(const HostImage& image)
{
    const int component = image.depth == Depth::Byte ? 1 : image.depth == Depth::Short ? 2 : 4;
    return component * image.components;
}

// Request rows run from the top of the window down; pixels outside the
// source are zero. Every byte of the rows is written: they go straight into
// the channel's slot, which still holds the previous message.
void packPixels(const HostImage& src, const OfxRectI& window, unsigned char* pixels)
{
    const long long stride = 4LL * (window.x2 - window.x1);
    const int height = window.y2 - window.y1;
    const Span span = overlap(window, src.bounds);
    if (span.empty()) {
        std::memset(pixels, 0, static_cast<size_t>(stride * height));
        return;
    }
    const RowFn pack = choose<Packer>(src);
    const int pixelBytes = bytesPerPixel(src);
    const long long left = 4LL * (span.x0 - window.x1);
    const long long covered = 4LL * (span.x1 - span.x0);
    // Request rows above the source's top (window.y2 - span.y1 of them) and
    // below its bottom.
    std::memset(pixels, 0, static_cast<size_t>(stride * (window.y2 - span.y1)));
    std::memset(pixels + stride * (window.y2 - span.y0), 0, static_cast<size_t>(stride * (span.y0 - window.y1)));
    for (int y = span.y0; y < span.y1; ++y) {
        unsigned char* row = pixels + (height - 1 - (y - window.y1)) * stride;
        std::memset(row, 0, static_cast<size_t>(left));
        std::memset(row + left + covered, 0, static_cast<size_t>(stride - left - covered));
        pack(src.row(y) + static_cast<long long>(span.x0 - src.bounds.x1) * pixelBytes, row + left, span.x1 - span.x0);
    }
}

void unpackPixels(const unsigned char* pixels, const OfxRectI& window, const HostImage& dst)
{
    const Span span = overlap(window, dst.bounds);
    if (span.empty())
        return;
    const long long stride = 4LL * (window.x2 - window.x1);
    const RowFn unpack = choose<Unpacker>(dst);
    const int pixelBytes = bytesPerPixel(dst);
    const int height = window.y2 - window.y1;
    for (int y = span.y0; y < span.y1; ++y) {
        const unsigned char* src = pixels + (height - 1 - (y - window.y1)) * stride + 4LL * (span.x0 - window.x1);
        unpack(src, dst.row(y) + static_cast<long long>(span.x0 - dst.bounds.x1) * pixelBytes, span.x1 - span.x0);
    }
}

// A render reply of `reply.xlen` bytes at `payload`: into the output image
// only when it is complete and successful.
OfxStatus takeReply(const VRPC::Message& reply, const char* payload, const OfxRectI& window, const HostImage& output)
{
    const long long width = static_cast<long long>(window.x2) - window.x1;
    const long long height = static_cast<long long>(window.y2) - window.y1;
    VRPC::RenderReplyHeader header{};
    if (reply.type != VRPC::S2M_Rendered || !VRPC::readRenderReplyHeader(payload, reply.xlen, header)) {
        VRPC::writeError("render(): no render reply from the child (type %d, %lld bytes)\n",
                         static_cast<int>(reply.type), static_cast<long long>(reply.xlen));
        return kOfxStatFailed;
    }
    if (header.status != VRPC::RenderOk || header.failed != 0) {
        VRPC::writeError("render(): the child did not render the frame (status %u, failed %u)\n",
                         static_cast<unsigned>(header.status), static_cast<unsigned>(header.failed));
        return kOfxStatFailed;
    }
    if (reply.xlen < VRPC::renderReplyBytes(width, height)) {
        VRPC::writeError("render(): short reply, %lld bytes\n", static_cast<long long>(reply.xlen));
        return kOfxStatFailed;
    }
    unpackPixels(reinterpret_cast<const unsigned char*>(payload) + sizeof(VRPC::RenderReplyHeader), window, output);
    return kOfxStatOK;
}

} // namespace

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle inArgs)
{
    const double time = propDouble(inArgs, kOfxPropTime);
    const OfxRectI window = rectProperty(inArgs, kOfxImageEffectPropRenderWindow);
    const long long width = static_cast<long long>(window.x2) - window.x1;
    const long long height = static_cast<long long>(window.y2) - window.y1;
    if (width <= 0 || height <= 0) {
        VRPC::writeError("render(): empty render window %lldx%lld\n", width, height);
        return kOfxStatFailed;
    }

    ImageHolder source;
    ImageHolder output;
    if (!fetchImage(effect, kOfxImageEffectSimpleSourceClipName, time, source.image) ||
        !fetchImage(effect, kOfxImageEffectOutputClipName, time, output.image)) {
        VRPC::writeError("render(): source or output image unusable\n");
        return kOfxStatFailed;
    }

    const std::string text = collect_params(effect, time);
    const long long total = VRPC::renderRequestBytes(width, height, static_cast<long long>(text.size()));
    VRPC::writeDebugLog("data.size = %d + %d + %d * %d * %d = %lld\n", 40, static_cast<int>(text.size()),
                        static_cast<int>(width), static_cast<int>(height), 4, total);
    // Refused before anything is allocated or sent, with the status the
    // channel's own "too big data" refusal gives.
    if (total > VRPC::kMaxPayload) {
        VRPC::writeError("render(): a %lldx%lld frame does not fit the channel (%lld bytes, limit %d)\n", width,
                         height, total, VRPC::kMaxPayload);
        return kOfxStatErrUnknown;
    }

    const VRPC::RenderRequestHeader header = VRPC::makeRenderRequestHeader(
        static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
        static_cast<std::int32_t>(std::trunc(std::clamp(time, -2147483648.0, 2147483647.0))),
        static_cast<std::int32_t>(text.size()));

    auto broker = connectionBroker();
    if (!broker) {
        VRPC::writeError("render(): no connection to the child\n");
        return kOfxStatFailed;
    }
    // The request is written straight into the channel's slot.
    const HostImage& src = source.image;
    const auto write = [&](char* payload) {
        auto* bytes = reinterpret_cast<unsigned char*>(payload);
        std::memcpy(bytes, &header, sizeof(header));
        std::memcpy(bytes + sizeof(header), text.data(), text.size());
        packPixels(src, window, bytes + sizeof(header) + text.size());
    };
    // The reply is checked and unpacked where it arrived, in the channel's
    // slot; its sizes come from the window, never from the child.
    OfxStatus status = kOfxStatFailed;
    bool replied = false;
    const HostImage& dst = output.image;
    const auto read = [&](const VRPC::Message& reply, const char* payload) {
        replied = true;
        status = takeReply(reply, payload, window, dst);
    };
    VRPC::Message reply;
    broker->send_message_sync(VRPC::M2S_Render, 0, static_cast<int>(total), write, reply, kRenderSeconds, read);
    if (!replied)
        VRPC::writeError("render(): no reply from the child\n");
    return status;
}

} // namespace Nuvra::OFX
