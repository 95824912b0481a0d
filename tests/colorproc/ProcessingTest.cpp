#include "colorproc/Processing.h"
#include "colorproc/StaticProcessors.h"
#include "tests/cmm/LogCapture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <vector>

using namespace Nuvra;
using namespace Nuvra::DataStorage;
using CMM::cProcessing;
using CMM::cXForm;
namespace PF = CMM::CMM_PF;

namespace {

// A valid transform whose routine copies the input colour samples to the
// output ones (missing ones 0), so what a processor does around the routine
// shows in its output.
SmartPtr<cXForm> copyingXForm(uint32_t in, uint32_t out)
{
    SmartPtr<cXForm> t(new cXForm);
    t->inputFormat = in;
    t->outputFormat = out;
    t->inputLUT.inputs = std::max(3, PF::Colors(in));
    t->inputLUT.outputs = PF::Colors(out);
    t->inputLUT.CalcEvaluators();
    t->routine = &cXForm::LUTtoPCS;
    return t;
}

int sampleSize(uint32_t code)
{
    return PF::SampleType(code) == PF::kSample8 ? 1 : PF::SampleType(code) == PF::kSample16 ? 2 : 4;
}

// Pixel bytes: colours plus one extra at most, as buffers are laid out.
int pixelBytes(uint32_t code)
{
    return (PF::Colors(code) + (PF::Extras(code) == 1 ? 1 : 0)) * sampleSize(code);
}

std::vector<uint8_t> randomPixels(uint32_t code, int count, std::mt19937& rng)
{
    std::vector<uint8_t> bytes(std::size_t(pixelBytes(code)) * count);
    if (PF::SampleType(code) == PF::kSampleFloat) {
        const float specials[] = {0.0f, 1.0f, 0.5f, -0.2f, 1.5f, std::numeric_limits<float>::quiet_NaN(),
                                  std::numeric_limits<float>::infinity(), -1e30f, 128.0f / 255.0f};
        std::uniform_real_distribution<float> d(-0.05f, 1.05f);
        for (std::size_t i = 0; i < bytes.size() / 4; ++i) {
            const float v = i % 7 == 0 ? specials[(i / 7) % 9] : d(rng);
            std::memcpy(&bytes[i * 4], &v, 4);
        }
    } else {
        for (uint8_t& b : bytes)
            b = uint8_t(rng());
    }
    return bytes;
}

template <class P>
bool is(const SmartPtr<cProcessing>& p)
{
    return dynamic_cast<const P*>(p.get()) != nullptr;
}

} // namespace

TEST(XFormProcessing, ChoiceOfProcessor)
{
    using In8 = cProcessing::tAdapter<uint8_t, Detail::sInputConv, Int2Type<0>>;
    using In8Bgra = cProcessing::tAdapter<uint8_t, Detail::sInputConv, Int2Type<0xC00>>;
    using In16Gray = cProcessing::tAdapter<uint16_t, Detail::sInputConv, Int2Type<0x100000>>;
    using OutLabF = cProcessing::tAdapter<float, Detail::sOutputConv, Int2Type<0x200000>>;
    using Out16Rev = cProcessing::tAdapter<uint16_t, Detail::sOutputConv, Int2Type<0x400>>;
    using Out8 = cProcessing::tAdapter<uint8_t, Detail::sOutputConv, Int2Type<0>>;

    const struct {
        uint32_t in, out;
        decltype(&In8::Unpack) unpack;
        decltype(&Out8::Pack) pack;
    } runtime[] = {
        {393241, 262168, &In8::Unpack, &OutLabF::Pack},
        {393369 + 0xC00, 393241, &In8Bgra::Unpack, &Out8::Pack},
        {327690, 393242 + 0x400, &In16Gray::Unpack, &Out16Rev::Pack},
    };
    for (const auto& c : runtime) {
        const SmartPtr<cProcessing> p = GetXFormProcessing(copyingXForm(c.in, c.out));
        const auto* d = dynamic_cast<const cDefCMMProcessing*>(p.get());
        ASSERT_NE(d, nullptr) << c.in << " " << c.out;
        EXPECT_EQ(d->InputConv().unpack, c.unpack) << c.in;
        EXPECT_EQ(d->OutputConv().pack, c.pack) << c.out;
        EXPECT_EQ(p->xform->refCount(), 1) << "the processor alone keeps its transform";
    }
    EXPECT_TRUE((is<tDefCMMProcessing<393369u, 393369u>>(GetXFormProcessing(copyingXForm(393369, 393369)))));
    // Two extras: the static member without extras, as the buffers are laid out.
    EXPECT_TRUE((is<tDefCMMProcessing<393241u, 524322u>>(
        GetXFormProcessing(copyingXForm(393241 + (2 << 7), 524322)))));
    EXPECT_TRUE((is<tDefCMMProcessing<262168u, 327816u>>(GetXFormProcessing(copyingXForm(262168, 327816)))));
}

TEST(XFormProcessing, RefusedTransforms)
{
    const struct {
        const char* what;
        SmartPtr<cXForm> xform;
        const char* message;
    } cases[] = {
        {"no transform", SmartPtr<cXForm>(), "XForm not valid"},
        {"no routine", SmartPtr<cXForm>(new cXForm), "XForm not valid"},
        {"reserved bit", copyingXForm(393241 | 0x1000, 393241), "Pixel format not supported"},
        {"flavour bit", copyingXForm(393241, 262168 | 0x2000), "Pixel format not supported"},
        // Without an adapter the run-time loop would call through null.
        {"gray after its extra", copyingXForm(327817 | 0x800, 393241), "Pixel format not supported"},
        {"sample type 3", copyingXForm(393243, 262168), "Unsupported bytes size:3"},
        {"sample type 5 Lab", copyingXForm(393241, 262173), "Unsupported bytes size: 5"},
        // The loop would read more extras than the buffers hold.
        {"two extras at run time", copyingXForm(393241 + (2 << 7), 262168), "Pixel format not supported"},
    };
    for (const auto& c : cases) {
        LogCapture log;
        EXPECT_FALSE(GetXFormProcessing(c.xform)) << c.what;
        EXPECT_TRUE(log.contains(c.message)) << c.what;
    }
}

// The same transform through the static member and through the run-time
// processor, for every static pair, on random pixels: identical bytes.
TEST(XFormProcessing, StaticAndRuntimeAgree)
{
    const int pairs[5][2] = {{1, 1}, {1, 2}, {2, 1}, {2, 2}, {0, 0}};
    std::mt19937 rng(7);
    const int count = 300;
    int checked = 0;
    for (const auto& pair : pairs)
        for (int li = 0; li < 8; ++li)
            for (int lo = 0; lo < 8; ++lo) {
                const uint32_t in = Detail::StaticLayoutCode(li, pair[0]);
                const uint32_t out = Detail::StaticLayoutCode(lo, pair[1]);
                const SmartPtr<cXForm> t = copyingXForm(in, out);
                const SmartPtr<cProcessing> fixed = GetXFormProcessing(t);
                ASSERT_TRUE(fixed);
                ASSERT_EQ(dynamic_cast<const cDefCMMProcessing*>(fixed.get()), nullptr) << in << " " << out;
                const SmartPtr<cDefCMMProcessing> dynamic(new cDefCMMProcessing(t));
                const std::vector<uint8_t> src = randomPixels(in, count, rng);
                std::vector<uint8_t> a(std::size_t(pixelBytes(out)) * count + 8, 0xAB), b(a);
                fixed->Process(src.data(), a.data(), count);
                dynamic->Process(src.data(), b.data(), count);
                ASSERT_EQ(a, b) << in << " -> " << out;
                // Nothing past the last pixel.
                EXPECT_EQ(a[a.size() - 1], 0xAB);
                ++checked;
            }
    EXPECT_EQ(checked, 320);
}

TEST(XFormProcessing, WhatReachesTheRoutineAndWhatComesOut)
{
    auto run = [](uint32_t in, uint32_t out, const std::vector<uint8_t>& src, int count) {
        const SmartPtr<cProcessing> p = GetXFormProcessing(copyingXForm(in, out));
        std::vector<uint8_t> dst(std::size_t(pixelBytes(out)) * count, 0xAB);
        p->Process(src.data(), dst.data(), count);
        return dst;
    };
    // RGB to RGB + extra: opaque extras.
    EXPECT_EQ(run(393241, 393369, {1, 2, 3, 4, 5, 6}, 2), (std::vector<uint8_t>{1, 2, 3, 255, 4, 5, 6, 255}));
    // RGB + extra to RGB: the extra is read and dropped.
    EXPECT_EQ(run(393369, 393241, {1, 2, 3, 9, 4, 5, 6, 9}, 2), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    // Gray reaches the routine three times.
    EXPECT_EQ(run(327689, 393241, {77}, 1), (std::vector<uint8_t>{77, 77, 77}));
    EXPECT_EQ(run(327817, 327817, {77, 9}, 1), (std::vector<uint8_t>{77, 9}));
    // 8-bit Lab reaches the routine in the working Lab encoding.
    {
        const std::vector<uint8_t> out = run(262169, 393242, {255, 128, 128}, 1);
        uint16_t w[3];
        std::memcpy(w, out.data(), 6);
        EXPECT_EQ(w[0], 65280);
        EXPECT_EQ(w[1], 32768);
        EXPECT_EQ(w[2], 32768);
    }
    // 16-bit extra into an 8-bit extra.
    {
        const uint16_t px[4] = {0, 0, 0, 1000};
        std::vector<uint8_t> src(8);
        std::memcpy(src.data(), px, 8);
        EXPECT_EQ(run(393370, 524449, src, 1)[4], (1000 + 127) / 257);
    }
    // Float through: 0.5 reaches the routine as 32768.
    {
        const float px[3] = {0.5f, 1.0f, 0.0f};
        std::vector<uint8_t> src(12);
        std::memcpy(src.data(), px, 12);
        const std::vector<uint8_t> out = run(393240, 393242, src, 1);
        uint16_t w[3];
        std::memcpy(w, out.data(), 6);
        EXPECT_EQ(w[0], 32768);
        EXPECT_EQ(w[1], 65535);
    }
    // No pixels, nothing written, static or not.
    for (const uint32_t out : {393241u, 262168u}) {
        const SmartPtr<cProcessing> p = GetXFormProcessing(copyingXForm(393241, out));
        std::vector<uint8_t> dst(16, 0xAB);
        const uint8_t src[3] = {1, 2, 3};
        p->Process(src, dst.data(), 0);
        p->Process(src, dst.data(), -5);
        EXPECT_EQ(dst, std::vector<uint8_t>(16, 0xAB));
    }
}
