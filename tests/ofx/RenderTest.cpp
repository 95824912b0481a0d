// A frame's trip through the child: the request's bytes, the conversions of
// every depth, windows that the images do not cover, failed replies.
#include "BundleFixture.h"

#include "VRPC/RenderHeader.h"

#include <cmath>
#include <limits>

namespace {

using namespace OfxTest;
using Nuvra::VRPC::M2S_Render;

struct Request {
    Nuvra::VRPC::RenderRequestHeader header{};
    std::string text;
    std::string pixels;
    unsigned char at(int row, int col, int byte) const
    {
        return static_cast<unsigned char>(pixels[(static_cast<size_t>(row) * header.width + col) * 4 + byte]);
    }
};

Request parseRequest(const std::string& bytes)
{
    Request r;
    EXPECT_GE(bytes.size(), 40u);
    std::memcpy(&r.header, bytes.data(), 40);
    r.text = bytes.substr(40, static_cast<size_t>(r.header.textLength));
    r.pixels = bytes.substr(40 + static_cast<size_t>(r.header.textLength));
    EXPECT_EQ(r.pixels.size(), static_cast<size_t>(r.header.width) * r.header.height * 4);
    return r;
}

// A component value of `depth` that stands for the byte v exactly.
double exact(Depth depth, int v)
{
    return depth == Depth::Byte ? v : depth == Depth::Short ? v * 257.0 : static_cast<float>(v / 255.0);
}

class Render : public BundleFixture {
protected:
    void start(const std::string& faults = "")
    {
        makeFakeBundle(faults);
        ASSERT_EQ(session->start(), kOfxStatOK);
    }
};

TEST_F(Render, EveryDepthAndLayoutTravelsAsTopDownARGB)
{
    start();
    const OfxRectI b{0, 0, 5, 3};
    // Host rows need not be aligned to their samples: an odd start and an
    // odd row length (a byte of padding) must give the same frame.
    // The frame time travels truncated toward zero, on either side of it.
    struct Layout {
        const char* what;
        int padding;
        int offset;
        double time;
        int sentTime;
    } layouts[] = {{"aligned", 0, 0, 7.9, 7}, {"odd start and row bytes", 1, 1, -7.9, -7}};
    int frame = 0;
    for (const Layout& layout : layouts)
    for (Depth depth : {Depth::Byte, Depth::Short, Depth::Float}) {
        for (int comps : {3, 4}) {
            SCOPED_TRACE(std::string(layout.what) + " " + std::to_string(static_cast<int>(depth)) + "/" +
                         std::to_string(comps));
            const int sample = depth == Depth::Byte ? 1 : depth == Depth::Short ? 2 : 4;
            const long long rowBytes = layout.padding ? (b.x2 - b.x1) * comps * sample + layout.padding : 0;
            Image src(depth, comps, b, rowBytes, layout.offset);
            Image out(depth, comps, b, rowBytes, layout.offset);
            for (int y = b.y1; y < b.y2; ++y)
                for (int x = b.x1; x < b.x2; ++x)
                    for (int c = 0; c < comps; ++c)
                        src.set(x, y, c, exact(depth, (x * 40 + y * 70 + c * 9 + 3) % 256));
            ASSERT_EQ(session->render(layout.time, b, src, out), kOfxStatOK);
            const auto sent = requests(M2S_Render);
            ASSERT_EQ(sent.size(), static_cast<size_t>(++frame));
            const Request r = parseRequest(sent.back());
            EXPECT_EQ(r.header.width, 5);
            EXPECT_EQ(r.header.height, 3);
            for (auto s : r.header.sample)
                EXPECT_EQ(s, 1u);
            EXPECT_EQ(r.header.time, layout.sentTime);
            EXPECT_EQ(r.header.one, 1u);
            EXPECT_EQ(r.header.reserved0, 0);
            EXPECT_EQ(r.header.bytesPerChannel, 1);
            EXPECT_EQ(r.header.reserved1[0] | r.header.reserved1[1], 0);
            EXPECT_FALSE(Nuvra::VRPC::deserialize(r.text).empty());
            for (int y = b.y1; y < b.y2; ++y) {
                for (int x = b.x1; x < b.x2; ++x) {
                    const int row = 2 - y;  // the top row (y = 2) comes first
                    const auto v = [&](int c) { return (x * 40 + y * 70 + c * 9 + 3) % 256; };
                    EXPECT_EQ(r.at(row, x, 0), comps == 4 ? v(3) : 255);
                    EXPECT_EQ(r.at(row, x, 1), v(0));
                    EXPECT_EQ(r.at(row, x, 2), v(1));
                    EXPECT_EQ(r.at(row, x, 3), v(2));
                    // The fake child inverts colour; alpha comes back as sent.
                    for (int c = 0; c < 3; ++c)
                        EXPECT_EQ(out.get(x, y, c), exact(depth, 255 - v(c)));
                    if (comps == 4) {
                        EXPECT_EQ(out.get(x, y, 3), exact(depth, v(3)));
                    }
                }
            }
            EXPECT_EQ(src.fetched.load(), src.released.load());
            EXPECT_EQ(out.fetched.load(), out.released.load());
        }
    }
}

TEST_F(Render, ComponentsConvertToBytesWithClampsAndRounding)
{
    start();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        Depth depth;
        double in;
        int byte;
    } cases[] = {
        {Depth::Short, 0, 0},        {Depth::Short, 128, 0},     {Depth::Short, 129, 1},
        {Depth::Short, 257, 1},      {Depth::Short, 32896, 128}, {Depth::Short, 65406, 254},
        {Depth::Short, 65407, 255},  {Depth::Short, 65535, 255}, {Depth::Float, 0.5, 128},
        {Depth::Float, 1.2, 255},    {Depth::Float, -0.1, 0},    {Depth::Float, nan, 0},
        {Depth::Float, inf, 255},    {Depth::Float, -inf, 0},    {Depth::Float, 1e30, 255},
        {Depth::Float, -1e30, 0},    {Depth::Float, 0.998, 254}, {Depth::Float, 0.999, 255},
        {Depth::Float, 0.0019, 0},   {Depth::Float, 0.002, 1},   {Depth::Byte, 200, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.depth)) + " " + std::to_string(c.in));
        Image src(c.depth, 3, {0, 0, 1, 1});
        Image out(c.depth, 3, {0, 0, 1, 1});
        for (int k = 0; k < 3; ++k)
            src.set(0, 0, k, c.in);
        ASSERT_EQ(session->render(0, {0, 0, 1, 1}, src, out), kOfxStatOK);
        const Request r = parseRequest(requests(M2S_Render).back());
        EXPECT_EQ(r.at(0, 0, 0), 255);
        for (int k = 1; k < 4; ++k)
            EXPECT_EQ(r.at(0, 0, k), c.byte);
        // Back from the byte: 16-bit as v * 257, float as v / 255.
        EXPECT_EQ(out.get(0, 0, 0), exact(c.depth, 255 - c.byte));
    }
}

TEST_F(Render, WindowsAndImagesNeedNotCoverEachOther)
{
    start();
    struct Case {
        const char* what;
        OfxRectI srcBounds;
        long long srcRowBytes;  // 0 packed; negative: bottom-up rows
        OfxRectI outBounds;
        long long outRowBytes;
        OfxRectI window;
    } cases[] = {
        {"window inside both", {-3, -2, 10, 8}, -13 * 4 - 8, {0, 0, 9, 9}, 0, {2, 1, 7, 5}},
        {"source smaller than the window", {2, 2, 4, 4}, 0, {0, 0, 6, 6}, 6 * 4 + 4, {0, 0, 6, 6}},
        {"output smaller than the window", {0, 0, 6, 6}, 0, {1, 1, 5, 5}, -4 * 4, {0, 0, 6, 6}},
        {"source beside the window", {10, 10, 12, 12}, 0, {0, 0, 3, 3}, 0, {0, 0, 3, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Image src(Depth::Byte, 4, c.srcBounds, c.srcRowBytes);
        Image out(Depth::Byte, 4, c.outBounds, c.outRowBytes);
        fillPattern(src, 1);
        fillPattern(out, 2);
        Image before(Depth::Byte, 4, c.outBounds, c.outRowBytes);
        fillPattern(before, 2);
        ASSERT_EQ(session->render(0, c.window, src, out), kOfxStatOK);
        const Request r = parseRequest(requests(M2S_Render).back());
        const int w = c.window.x2 - c.window.x1, h = c.window.y2 - c.window.y1;
        ASSERT_EQ(r.header.width, w);
        ASSERT_EQ(r.header.height, h);
        const auto inside = [](const OfxRectI& b, int x, int y) {
            return x >= b.x1 && x < b.x2 && y >= b.y1 && y < b.y2;
        };
        for (int y = c.window.y1; y < c.window.y2; ++y) {
            for (int x = c.window.x1; x < c.window.x2; ++x) {
                const int row = h - 1 - (y - c.window.y1), col = x - c.window.x1;
                for (int k = 0; k < 4; ++k) {
                    const int want = inside(c.srcBounds, x, y) ? static_cast<int>(src.get(x, y, (k + 3) % 4)) : 0;
                    ASSERT_EQ(r.at(row, col, k), want) << x << "," << y << " byte " << k;
                }
            }
        }
        for (int y = c.outBounds.y1; y < c.outBounds.y2; ++y) {
            for (int x = c.outBounds.x1; x < c.outBounds.x2; ++x) {
                for (int k = 0; k < 4; ++k) {
                    double want = before.get(x, y, k);
                    if (inside(c.window, x, y)) {
                        const int byte = r.at(h - 1 - (y - c.window.y1), x - c.window.x1, (k + 1) % 4);
                        want = k == 3 ? byte : 255 - byte;
                    }
                    ASSERT_EQ(out.get(x, y, k), want) << x << "," << y << " component " << k;
                }
            }
        }
    }
}

TEST_F(Render, FailedRepliesLeaveTheOutputUntouched)
{
    for (const char* fault : {"render-status=1", "render-status=3", "render-failed", "render-short"}) {
        SCOPED_TRACE(fault);
        TearDown();
        start(fault);
        Image src(Depth::Float, 4, {0, 0, 8, 4});
        Image out(Depth::Float, 4, {0, 0, 8, 4});
        fillPattern(src);
        fillPattern(out, 5);
        const std::vector<unsigned char> before = out.storage();
        EXPECT_EQ(session->render(0, {0, 0, 8, 4}, src, out), kOfxStatFailed);
        EXPECT_EQ(requests(M2S_Render).size(), 1u);
        EXPECT_EQ(out.storage(), before);
        EXPECT_EQ(src.fetched.load(), src.released.load());
        EXPECT_EQ(out.fetched.load(), out.released.load());
    }
}

TEST_F(Render, UnusableImagesAndWindowsFailBeforeAnythingIsSent)
{
    start();
    struct Case {
        const char* what;
        const char* depth;
        const char* components;
        OfxRectI window;
        bool source;
        OfxStatus status;
    } cases[] = {
        {"half floats", "OfxBitDepthHalf", nullptr, {0, 0, 4, 4}, true, kOfxStatFailed},
        {"alpha only", nullptr, "OfxImageComponentAlpha", {0, 0, 4, 4}, true, kOfxStatFailed},
        {"no source image", nullptr, nullptr, {0, 0, 4, 4}, false, kOfxStatFailed},
        {"empty window", nullptr, nullptr, {2, 2, 2, 4}, true, kOfxStatFailed},
        {"inverted window", nullptr, nullptr, {3, 3, 1, 1}, true, kOfxStatFailed},
        // 8000 x 4000 pixels do not fit the channel's slot: the channel's
        // "too big data" refusal.
        {"too large", nullptr, nullptr, {0, 0, 8000, 4000}, true, kOfxStatErrUnknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Image src(Depth::Byte, 4, {0, 0, 4, 4});
        Image out(Depth::Byte, 4, {0, 0, 4, 4});
        if (c.depth)
            src.props.setString(kOfxImageEffectPropPixelDepth, c.depth);
        if (c.components)
            out.props.setString(kOfxImageEffectPropComponents, c.components);
        session->instance.clip("Source")->image = nullptr;
        Image* source = c.source ? &src : nullptr;
        PropertySet in;
        in.setDouble(kOfxPropTime, 0);
        in.set(kOfxImageEffectPropRenderWindow, {c.window.x1, c.window.y1, c.window.x2, c.window.y2});
        session->instance.clip("Source")->image = source;
        session->instance.clip("Output")->image = &out;
        EXPECT_EQ(session->action(kOfxImageEffectActionRender, session->instance.handle(), &in), c.status);
        EXPECT_EQ(src.fetched.load(), src.released.load());
        EXPECT_EQ(out.fetched.load(), out.released.load());
    }
    EXPECT_TRUE(requests(M2S_Render).empty());
}

TEST_F(Render, ConcurrentRendersEachGetTheirOwnFrame)
{
    start("render-delay-ms=5");
    constexpr int kThreads = 4, kFrames = 10;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int f = 0; f < kFrames; ++f) {
                Image src(Depth::Byte, 4, {0, 0, 33, 17});
                Image out(Depth::Byte, 4, {0, 0, 33, 17});
                fillPattern(src, t * kFrames + f);
                if (session->render(f, {0, 0, 33, 17}, src, out) != kOfxStatOK) {
                    ++failures;
                    continue;
                }
                for (int y = 0; y < 17; ++y)
                    for (int x = 0; x < 33; ++x)
                        for (int c = 0; c < 4; ++c)
                            if (out.get(x, y, c) != (c == 3 ? src.get(x, y, c) : 255 - src.get(x, y, c)))
                                ++failures;
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(requests(M2S_Render).size(), static_cast<size_t>(kThreads * kFrames));
}

} // namespace
