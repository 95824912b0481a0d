// The plug-in with the application itself as its child: the host sees the
// application's thirty controls, and every frame that comes back is the one
// the effect paints when it is called directly with the same values.
#include "BundleFixture.h"
#include "HostParameterTable.h"

#include "effect/Filter.h"
#include "server/Params.h"
#include "server/Renderer.h"

#include <cmath>

namespace {

using namespace OfxTest;

class RealChild : public BundleFixture {
protected:
    // Started in the five-colour mode, which needs no colour engine.
    void start()
    {
        makeBundle(MORVELIN_REAL_CHILD_PATH);
        ASSERT_EQ(session->start(), kOfxStatOK);
        ASSERT_EQ(session->edit("P_20", {2.0}), kOfxStatOK);
        record.mode = Nuvra::VRPC::ModeFiveColors;
        params = Nuvra::VRPC::mapParams(record);
    }

    // What the effect makes of the window: the source's bytes as A, R, G, B
    // rows from the top, zero where the source does not reach.
    std::vector<std::uint8_t> paintDirectly(const Image& src, const OfxRectI& window)
    {
        const int w = window.x2 - window.x1, h = window.y2 - window.y1;
        std::vector<std::uint8_t> in(static_cast<size_t>(w) * h * 4, 0), out(in.size(), 0);
        const OfxRectI& b = src.bounds();
        for (int y = std::max(window.y1, b.y1); y < std::min(window.y2, b.y2); ++y) {
            for (int x = std::max(window.x1, b.x1); x < std::min(window.x2, b.x2); ++x) {
                std::uint8_t* p = &in[(static_cast<size_t>(h - 1 - (y - window.y1)) * w + (x - window.x1)) * 4];
                const auto byte = [&](int c) { return asByte(src, x, y, c); };
                p[0] = src.components() == 4 ? byte(3) : 255;
                p[1] = byte(0);
                p[2] = byte(1);
                p[3] = byte(2);
            }
        }
        EXPECT_TRUE(Filter({w, h}, in.data(), w * 4, out.data(), w * 4, 0, params, nullptr));
        return out;
    }

    // Sources hold values that stand for bytes exactly in every depth.
    static int asByte(const Image& image, int x, int y, int c)
    {
        const double v = image.get(x, y, c);
        switch (image.depth()) {
        case Depth::Byte: return static_cast<int>(v);
        case Depth::Short: return static_cast<int>(v / 257);
        case Depth::Float: return static_cast<int>(std::lround(v * 255));
        }
        return 0;
    }

    static double fromByte(Depth depth, int v)
    {
        return depth == Depth::Byte ? v : depth == Depth::Short ? v * 257.0 : static_cast<float>(v) / 255.0f;
    }

    static void fillExact(Image& image, int seed)
    {
        const OfxRectI b = image.bounds();
        for (int y = b.y1; y < b.y2; ++y)
            for (int x = b.x1; x < b.x2; ++x)
                for (int c = 0; c < image.components(); ++c) {
                    // Smooth shapes with some edges, different per frame.
                    const int v = static_cast<int>(127.5 + 120 * std::sin((x + seed) * 0.21 + c) *
                                                              std::cos((y - seed) * 0.17 + 0.5 * c)) &
                                  255;
                    image.set(x, y, c, fromByte(image.depth(), (c == 3) ? 255 - (v & 0x3F) : v));
                }
    }

    // The output over the window matches the painting; outside it (and
    // outside the output) nothing was written.
    void expectPainted(const Image& out, const std::vector<std::uint8_t>& painted, const OfxRectI& window,
                       const Image& untouched)
    {
        const int w = window.x2 - window.x1, h = window.y2 - window.y1;
        const OfxRectI& b = out.bounds();
        int mismatches = 0;
        for (int y = b.y1; y < b.y2; ++y) {
            for (int x = b.x1; x < b.x2; ++x) {
                const bool inside = x >= window.x1 && x < window.x2 && y >= window.y1 && y < window.y2;
                for (int c = 0; c < out.components(); ++c) {
                    double want = untouched.get(x, y, c);
                    if (inside) {
                        const std::uint8_t* p =
                            &painted[(static_cast<size_t>(h - 1 - (y - window.y1)) * w + (x - window.x1)) * 4];
                        want = fromByte(out.depth(), p[c == 3 ? 0 : c + 1]);
                    }
                    if (out.get(x, y, c) != want && ++mismatches < 5)
                        ADD_FAILURE() << "at " << x << "," << y << " component " << c << ": " << out.get(x, y, c)
                                      << " instead of " << want;
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
    }

    Nuvra::VRPC::ParamRecord record;
    Morvelin_paramsCalc params{};
};

TEST_F(RealChild, HostSeesTheApplicationsControls)
{
    makeBundle(MORVELIN_REAL_CHILD_PATH);
    ASSERT_EQ(session->start(), kOfxStatOK);
    expectHostParameters(*session);
    // Custom, Default, then the other built-in presets.
    EXPECT_GT(session->contextDescriptor.params.find("P_30")->props.dimension(kOfxParamPropChoiceOption), 2);
}

TEST_F(RealChild, EveryDepthAndLayoutMatchesTheEffect)
{
    start();
    struct Case {
        Depth depth;
        int comps;
        OfxRectI src;
        long long srcRowBytes;
        OfxRectI out;
        long long outRowBytes;
        OfxRectI window;
    } cases[] = {
        {Depth::Byte, 4, {0, 0, 64, 48}, 0, {0, 0, 64, 48}, 0, {0, 0, 64, 48}},
        {Depth::Byte, 3, {0, 0, 61, 37}, 0, {0, 0, 61, 37}, 0, {0, 0, 61, 37}},
        {Depth::Short, 4, {-8, -4, 56, 44}, -64 * 8, {0, 0, 48, 40}, 0, {3, 5, 43, 37}},
        {Depth::Short, 3, {0, 0, 50, 30}, 0, {0, 0, 50, 30}, -50 * 6 - 2, {0, 0, 50, 30}},
        {Depth::Float, 4, {10, 10, 40, 30}, 0, {0, 0, 56, 40}, 0, {0, 0, 56, 40}},  // source smaller
        {Depth::Float, 3, {0, 0, 45, 33}, -45 * 12, {-5, -5, 50, 40}, 0, {2, 2, 43, 31}},
    };
    int seed = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(seed);
        Image src(c.depth, c.comps, c.src, c.srcRowBytes);
        Image out(c.depth, c.comps, c.out, c.outRowBytes);
        Image untouched(c.depth, c.comps, c.out, c.outRowBytes);
        fillExact(src, ++seed);
        fillPattern(out, seed);
        fillPattern(untouched, seed);
        ASSERT_EQ(session->render(seed, c.window, src, out), kOfxStatOK);
        expectPainted(out, paintDirectly(src, c.window), c.window, untouched);
    }
}

TEST_F(RealChild, FourHostThreadsEachGetTheirOwnFrame)
{
    start();
    constexpr int kThreads = 4, kFrames = 10;
    const OfxRectI bounds{0, 0, 48, 32};
    // The expected pictures first, so the threads only render and compare.
    std::vector<std::vector<std::uint8_t>> expected;
    for (int f = 0; f < kThreads * kFrames; ++f) {
        Image src(Depth::Byte, 4, bounds);
        fillExact(src, f);
        expected.push_back(paintDirectly(src, bounds));
    }
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int k = 0; k < kFrames; ++k) {
                const int f = t * kFrames + k;
                Image src(Depth::Byte, 4, bounds);
                Image out(Depth::Byte, 4, bounds);
                fillExact(src, f);
                if (session->render(f, bounds, src, out) != kOfxStatOK) {
                    ++failures;
                    continue;
                }
                for (int y = 0; y < 32; ++y)
                    for (int x = 0; x < 48; ++x)
                        for (int c = 0; c < 4; ++c)
                            if (out.get(x, y, c) != expected[f][((31 - y) * 48 + x) * 4 + (c == 3 ? 0 : c + 1)])
                                ++failures;
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST_F(RealChild, UnloadEndsTheApplication)
{
    start();
    unloadBundle();
    EXPECT_TRUE(listFolder(rpc).empty());
}

} // namespace
