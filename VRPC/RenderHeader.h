#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Layout of the render request (M2S_Render) and of its reply (S2M_Rendered).
// Both processes build or read these bytes, so the structs are the wire
// format: little-endian, the offsets below never change. Copy them in and out
// of a payload with memcpy (payloads carry no alignment guarantee).

namespace Nuvra::VRPC {

// In front of the request's parameter text and pixels.
struct RenderRequestHeader {
    std::int32_t width;           // pixels of the render window
    std::int32_t height;
    std::uint32_t sample[4];      // 1, 1, 1, 1; only logged
    std::int32_t time;            // render time, truncated toward zero
    std::uint32_t one;            // 1
    std::int32_t textLength;      // bytes of the INFO value text after the header
    std::uint8_t reserved0;       // 0
    std::int8_t bytesPerChannel;  // 1; the row stride is this × width × 4
    std::uint8_t reserved1[2];    // 0
};

static_assert(sizeof(RenderRequestHeader) == 40, "the render request header is 40 bytes");
static_assert(offsetof(RenderRequestHeader, width) == 0);
static_assert(offsetof(RenderRequestHeader, height) == 4);
static_assert(offsetof(RenderRequestHeader, sample) == 8);
static_assert(offsetof(RenderRequestHeader, time) == 24);
static_assert(offsetof(RenderRequestHeader, one) == 28);
static_assert(offsetof(RenderRequestHeader, textLength) == 32);
static_assert(offsetof(RenderRequestHeader, reserved0) == 36);
static_assert(offsetof(RenderRequestHeader, bytesPerChannel) == 37);
static_assert(offsetof(RenderRequestHeader, reserved1) == 38);

// In front of the rendered pixels of the reply.
struct RenderReplyHeader {
    std::uint32_t status;  // RenderStatus; the plug-in accepts the pixels only for RenderOk
    std::uint8_t failed;   // 1 when the effect itself failed
    std::uint8_t reserved[3];
};

static_assert(sizeof(RenderReplyHeader) == 8, "the render reply header is 8 bytes");
static_assert(offsetof(RenderReplyHeader, status) == 0);
static_assert(offsetof(RenderReplyHeader, failed) == 4);

enum RenderStatus : std::uint32_t {
    RenderOk = 0,
    RenderFilterFailed = 1,  // the effect did not complete; the pixels are zero
    RenderBadRequest = 2,    // the header does not describe the payload it came with
    RenderTooLarge = 3,      // the reply would not fit the channel's payload slot
    RenderInternalError = 4, // the child could not render the frame
};

// Pixels travel as 4 bytes per pixel, A, R, G, B.
constexpr std::int64_t kRenderPixelBytes = 4;

// Sizes in 64 bits: exact for any one int32 factor; a reader of an untrusted
// header bounds height by (limit / stride) before it multiplies.
constexpr std::int64_t renderRowStride(std::int64_t width, std::int64_t bytesPerChannel = 1)
{
    return bytesPerChannel * width * kRenderPixelBytes;
}

constexpr std::int64_t renderRequestBytes(std::int64_t width, std::int64_t height,
                                          std::int64_t textLength)
{
    return static_cast<std::int64_t>(sizeof(RenderRequestHeader)) + textLength +
           height * renderRowStride(width);
}

constexpr std::int64_t renderReplyBytes(std::int64_t width, std::int64_t height)
{
    return static_cast<std::int64_t>(sizeof(RenderReplyHeader)) + height * renderRowStride(width);
}

// A request header filled as the plug-in sends it.
inline RenderRequestHeader makeRenderRequestHeader(std::int32_t width, std::int32_t height,
                                                   std::int32_t time, std::int32_t textLength)
{
    RenderRequestHeader header{};
    header.width = width;
    header.height = height;
    for (auto& s : header.sample)
        s = 1;
    header.time = time;
    header.one = 1;
    header.textLength = textLength;
    header.bytesPerChannel = 1;
    return header;
}

// The header at the start of a payload; false when the payload is shorter.
inline bool readRenderRequestHeader(const void* payload, std::int64_t length, RenderRequestHeader& header)
{
    if (!payload || length < static_cast<std::int64_t>(sizeof(RenderRequestHeader)))
        return false;
    std::memcpy(&header, payload, sizeof(header));
    return true;
}

inline bool readRenderReplyHeader(const void* payload, std::int64_t length, RenderReplyHeader& header)
{
    if (!payload || length < static_cast<std::int64_t>(sizeof(RenderReplyHeader)))
        return false;
    std::memcpy(&header, payload, sizeof(header));
    return true;
}

} // namespace Nuvra::VRPC
