#include "server/Presets.h"
#include "server/ProcessMemory.h"
#include "server/Renderer.h"

#include "VRPC/Serialize.h"
#include "tests/effect/DefaultParams.h"

#include "ServerTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "effect/ScratchArena.h"

namespace {

using namespace Nuvra::VRPC;
using ServerTest::HostKind;
using ServerTest::valueText;

std::vector<std::uint8_t> frame(int width, int height)
{
    return ServerTest::testFrame(width, height);
}

std::vector<char> request(int width, int height, const std::string& text, const std::vector<std::uint8_t>& pixels)
{
    return ServerTest::renderPayload(width, height, text, pixels);
}

std::uint32_t bits(float f)
{
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

TEST(ParamMapping, DefaultRecord)
{
    const Morvelin_paramsCalc c = mapParams(ParamRecord());
    EXPECT_EQ(bits(c.sigmaBlur), 0x3E3851EAu);
    EXPECT_EQ(bits(c.unsharp), 0x3E23D70Bu);
    EXPECT_EQ(bits(c.gradients), 0x3EEB851Fu);
    EXPECT_EQ(c.line_intg, 1.0f);
    EXPECT_EQ(c.dark_lum_pred, 40);
    EXPECT_EQ(c.middle_lum_pred, 150);
    EXPECT_EQ(c.high_lum_pred, 195);
    EXPECT_EQ(c.dark_lum, 51);
    EXPECT_EQ(c.middle_lum, 156);
    EXPECT_EQ(c.high_lum, 250);
    EXPECT_EQ(c.resizing, 1000);
    EXPECT_EQ(c.darkColor, 0xFF000000u);
    EXPECT_EQ(c.midDarkColor, 0xFF808080u);
    EXPECT_EQ(c.midColor, 0xFFA0A0A0u);
    EXPECT_EQ(c.midLightColor, 0xFFC0C0C0u);
    EXPECT_EQ(c.lightColor, 0xFFFFFFFFu);
    EXPECT_EQ(c.noise, 0);
    EXPECT_EQ(c.contrast, 0.0f);
    EXPECT_EQ(c.mode, 0);
    EXPECT_EQ(c.noiseSmoothOn, 0);
    EXPECT_EQ(c.usePesk, 1);
    EXPECT_EQ(c.angle, 180);
    EXPECT_EQ(c.noiseSmooth, 0.0f);
    EXPECT_EQ(c.darken, 1.0f);
    // The record the effect's tests and benchmarks call the defaults.
    const Morvelin_paramsCalc shared = MorvelinTest::defaultParams();
    EXPECT_EQ(std::memcmp(&c, &shared, sizeof c), 0);
}

TEST(ParamMapping, SliderEndsAndRounding)
{
    using F = float Morvelin_paramsCalc::*;
    using I = std::int32_t Morvelin_paramsCalc::*;
    const struct {
        const char* what;
        std::int32_t ParamRecord::*field;
        std::int32_t value;
        F floatOut;
        float expected;
        float tolerance;  // 0: exact
    } floats[] = {
        {"Detail 0", &ParamRecord::detail, 0, &Morvelin_paramsCalc::sigmaBlur, 0.5f, 0},
        {"Detail 100", &ParamRecord::detail, 100, &Morvelin_paramsCalc::sigmaBlur, 0.1f, 1e-6f},
        {"Sharpness 1", &ParamRecord::sharpness, 1, &Morvelin_paramsCalc::unsharp, 0.01f, 1e-7f},
        {"Sharpness 50", &ParamRecord::sharpness, 50, &Morvelin_paramsCalc::unsharp, 0.5f, 0},
        {"Smudging 30", &ParamRecord::smudging, 30, &Morvelin_paramsCalc::line_intg, 0.3f, 1e-6f},
        {"Smudging 200", &ParamRecord::smudging, 200, &Morvelin_paramsCalc::line_intg, 2.0f, 0},
        {"Contrast -25", &ParamRecord::contrast, -25, &Morvelin_paramsCalc::contrast, -0.25f, 0},
        {"Contrast 25", &ParamRecord::contrast, 25, &Morvelin_paramsCalc::contrast, 0.25f, 0},
        {"Lightness -50", &ParamRecord::lightness, -50, &Morvelin_paramsCalc::darken, 0.5f, 0},
        {"Lightness 100", &ParamRecord::lightness, 100, &Morvelin_paramsCalc::darken, 2.0f, 0},
        {"Noise Smooth 100", &ParamRecord::noiseSmooth, 100, &Morvelin_paramsCalc::noiseSmooth, 10.0f, 0},
        {"Noise Smooth 1", &ParamRecord::noiseSmooth, 1, &Morvelin_paramsCalc::noiseSmooth, 0.1f, 1e-7f},
    };
    for (const auto& c : floats) {
        ParamRecord r;
        r.*c.field = c.value;
        const float got = mapParams(r).*c.floatOut;
        if (c.tolerance == 0)
            EXPECT_EQ(got, c.expected) << c.what;
        else
            EXPECT_NEAR(got, c.expected, c.tolerance) << c.what;
    }

    const struct {
        const char* what;
        std::int32_t ParamRecord::*field;
        std::int32_t value;
        I intOut;
        std::int32_t expected;
    } ints[] = {
        {"Highlights 50 rounds 212.5 up", &ParamRecord::highlights, 50, &Morvelin_paramsCalc::high_lum_pred, 213},
        {"Shadows 100", &ParamRecord::shadows, 100, &Morvelin_paramsCalc::dark_lum_pred, 100},
        {"Midtones 100", &ParamRecord::midtones, 100, &Morvelin_paramsCalc::middle_lum_pred, 190},
        {"Highlights 100", &ParamRecord::highlights, 100, &Morvelin_paramsCalc::high_lum_pred, 230},
        {"Noise Angle -128", &ParamRecord::noiseAngle, -128, &Morvelin_paramsCalc::angle, -38},
        {"Noise Angle at the int end saturates", &ParamRecord::noiseAngle,
         std::numeric_limits<std::int32_t>::max(), &Morvelin_paramsCalc::angle,
         std::numeric_limits<std::int32_t>::max()},
    };
    for (const auto& c : ints) {
        ParamRecord r;
        r.*c.field = c.value;
        EXPECT_EQ(mapParams(r).*c.intOut, c.expected) << c.what;
    }
}

TEST(ParamMapping, NoiseSmoothSwitchesStreaks)
{
    ParamRecord r;
    r.noise = 40;
    EXPECT_EQ(mapParams(r).noiseSmoothOn, 0);
    EXPECT_EQ(mapParams(r).noise, 40);
    r.noiseSmooth = 1;
    EXPECT_EQ(mapParams(r).noiseSmoothOn, 1);
    r.noiseSmooth = -1;
    EXPECT_EQ(mapParams(r).noiseSmoothOn, 0);
}

// The int ends of every field map to finite values (and, under the
// undefined-behaviour sanitizer, without an overflow on the way).
TEST(ParamMapping, IntEndsStayFinite)
{
    for (const std::int32_t v : {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()}) {
        ParamRecord r;
        for (auto field : {&ParamRecord::detail, &ParamRecord::sharpness, &ParamRecord::smudging,
                           &ParamRecord::shadows, &ParamRecord::midtones, &ParamRecord::highlights,
                           &ParamRecord::contrast, &ParamRecord::lightness, &ParamRecord::noiseAngle,
                           &ParamRecord::noiseSmooth})
            r.*field = v;
        const Morvelin_paramsCalc c = mapParams(r);
        for (const float f : {c.sigmaBlur, c.unsharp, c.line_intg, c.contrast, c.noiseSmooth, c.darken})
            EXPECT_TRUE(std::isfinite(f)) << v;
        EXPECT_EQ(c.angle, v < 0 ? v + 90 : v);
    }
}

TEST(RenderRecord, PresetOverrideOnlyWithoutAHostKind)
{
    ParamRecord text;
    text.detail = 11;
    const auto values = [&](int preset) { return deserialize(valueText(text, preset)); };
    const ParamRecord& thirdAfterDefault = builtinPresets().at(3).values;
    {
        HostKind kind(0);
        EXPECT_EQ(renderRecord(values(5)).detail, thirdAfterDefault.detail);
        EXPECT_EQ(renderRecord(values(5)).colorLight, thirdAfterDefault.colorLight);
        EXPECT_EQ(renderRecord(values(2)).detail, 80);
        EXPECT_TRUE(renderRecord(values(2)).colors3D);
        EXPECT_EQ(renderRecord(values(1)).detail, 11);
        EXPECT_EQ(renderRecord(values(22)).detail, builtinPresets().back().values.detail);
        EXPECT_EQ(renderRecord(values(23)).detail, 11);
    }
    {
        HostKind kind(3);
        EXPECT_EQ(renderRecord(values(5)).detail, 11);
    }
}

RenderReplyHeader replyHeader(const std::vector<char>& reply)
{
    RenderReplyHeader h{};
    EXPECT_TRUE(readRenderReplyHeader(reply.data(), static_cast<std::int64_t>(reply.size()), h));
    return h;
}

ParamRecord paintedRecord()
{
    ParamRecord r;
    r.mode = ModeFiveColors;
    r.noise = 30;
    r.noiseSmooth = 20;
    r.noiseAngle = 30;
    r.detail = 60;
    r.colorMid = 0xFF3280BC;
    return r;
}

TEST(RenderRequest, EqualsTheEffectCalledDirectly)
{
    HostKind kind(3);
    const ParamRecord record = paintedRecord();
    const std::string text = valueText(record, 1);
    const Morvelin_paramsCalc params = mapParams(record);
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{64, 48}, std::pair{37, 23}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const auto pixels = frame(w, h);
        const auto payload = request(w, h, text, pixels);
        // A reply buffer kept from an earlier frame of the same size.
        std::vector<char> reply(8u + std::size_t(w) * h * 4, 0x5A);
        ASSERT_EQ(renderRequest(payload.data(), static_cast<std::int64_t>(payload.size()), reply), RenderOk);
        ASSERT_EQ(reply.size(), 8u + std::size_t(w) * h * 4);
        EXPECT_EQ(replyHeader(reply).status, 0u);
        EXPECT_EQ(replyHeader(reply).failed, 0);

        std::vector<std::uint8_t> expected(std::size_t(w) * h * 4);
        ASSERT_TRUE(Filter({w, h}, pixels.data(), w * 4, expected.data(), w * 4, 0, params, nullptr));
        EXPECT_EQ(std::memcmp(reply.data() + 8, expected.data(), expected.size()), 0);
    }
}

// Frames on several threads at once borrow the same kept memory, and giving
// it back while they run changes no pixel of any of them.
TEST(RenderRequest, ConcurrentFramesShareKeptMemorySafely)
{
    HostKind kind(3);
    keepFreedMemory();
    const std::string text = valueText(paintedRecord(), 1);
    std::vector<std::vector<char>> payloads, expected;
    for (const auto& [w, h] : {std::pair{64, 48}, std::pair{37, 23}, std::pair{90, 70}}) {
        payloads.push_back(request(w, h, text, frame(w, h)));
        expected.emplace_back();
        ASSERT_EQ(renderRequest(payloads.back().data(), std::int64_t(payloads.back().size()), expected.back()),
                  RenderOk);
    }
    std::atomic<int> mismatches{0};
    std::atomic<bool> rendering{true};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            std::vector<char> reply;
            for (int i = 0; i < 6; ++i) {
                const std::size_t k = std::size_t(t + i) % payloads.size();
                renderRequest(payloads[k].data(), std::int64_t(payloads[k].size()), reply);
                mismatches += reply != expected[k];
            }
        });
    std::thread releaser([&] {
        while (rendering.load())
            giveBackMemory();
    });
    for (std::thread& t : threads)
        t.join();
    rendering = false;
    releaser.join();
    EXPECT_EQ(mismatches.load(), 0);
    giveBackMemory();
    EXPECT_EQ(Nuvra::Effect::scratchKeptBytes(), 0u);
}

TEST(RenderRequest, ValueLessEntriesLogNothing)
{
    HostKind kind(3);
    ServerTest::LogCapture log;
    const auto payload = request(2, 2, valueText(ParamRecord(), 2), frame(2, 2));
    std::vector<char> reply;
    EXPECT_EQ(renderRequest(payload.data(), static_cast<std::int64_t>(payload.size()), reply), RenderOk);
    EXPECT_EQ(log.text(), "");
}

bool failingEffect(const Nuvra::Detail::SizeT<int>&, const std::uint8_t*, int, std::uint8_t* dst, int, int,
                   const Morvelin_paramsCalc&, Nuvra::DataStorage::ProgressData*)
{
    dst[0] = 0x7F;  // a partial result must not reach the host
    return false;
}

TEST(RenderRequest, AFailedEffectIsNotReportedAsRendered)
{
    const auto payload = request(3, 2, "", frame(3, 2));
    // A fresh buffer, and one that still holds an earlier frame of the size.
    for (const std::size_t kept : {std::size_t{0}, std::size_t{8 + 24}}) {
        std::vector<char> reply(kept, 0x5A);
        EXPECT_EQ(renderRequest(payload.data(), static_cast<std::int64_t>(payload.size()), reply, kMaxPayload,
                                &failingEffect),
                  RenderFilterFailed);
        ASSERT_EQ(reply.size(), 8u + 24u);
        EXPECT_EQ(replyHeader(reply).status, RenderFilterFailed);
        EXPECT_EQ(replyHeader(reply).failed, 1);
        EXPECT_EQ(std::vector<char>(reply.begin() + 8, reply.end()), std::vector<char>(24, 0));
    }
}

TEST(RenderRequest, HostileHeadersAreRefusedWithoutReadingPastThePayload)
{
    const std::string text = valueText(ParamRecord(), 2);
    const auto make = [&](auto edit, std::size_t pixelBytes) {
        RenderRequestHeader h = makeRenderRequestHeader(4, 4, 0, static_cast<int>(text.size()));
        edit(h);
        std::vector<char> bytes(sizeof h);
        std::memcpy(bytes.data(), &h, sizeof h);
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.resize(bytes.size() + pixelBytes, 1);
        return bytes;
    };
    const std::size_t full = 4 * 4 * 4;
    const struct {
        const char* what;
        std::vector<char> payload;
        RenderStatus status;
    } cases[] = {
        {"negative width", make([](auto& h) { h.width = -4; }, full), RenderBadRequest},
        {"zero height", make([](auto& h) { h.height = 0; }, full), RenderBadRequest},
        {"negative height", make([](auto& h) { h.height = -1; }, full), RenderBadRequest},
        {"two bytes per channel", make([](auto& h) { h.bytesPerChannel = 2; }, full), RenderBadRequest},
        {"negative bytes per channel", make([](auto& h) { h.bytesPerChannel = -1; }, full), RenderBadRequest},
        {"negative text length", make([](auto& h) { h.textLength = -41; }, full), RenderBadRequest},
        {"text past the payload", make([&](auto& h) { h.textLength = int(text.size() + full + 1); }, full),
         RenderBadRequest},
        {"text length at the int end", make([](auto& h) { h.textLength = 0x7FFFFFFF; }, full), RenderBadRequest},
        {"pixels one byte short", make([](auto&) {}, full - 1), RenderBadRequest},
        {"taller than the payload", make([](auto& h) { h.height = 5; }, full), RenderBadRequest},
        {"huge height", make([](auto& h) { h.height = 0x7FFFFFFF; }, full), RenderTooLarge},
        {"huge width and height",
         make([](auto& h) { h.width = 0x7FFFFFFF; h.height = 0x7FFFFFFF; }, full), RenderTooLarge},
        {"reply just over the limit", make([](auto& h) { h.width = 5000; h.height = 6101; }, full),
         RenderTooLarge},
        {"header cut short", std::vector<char>(39, 0), RenderBadRequest},
        {"empty payload", std::vector<char>(), RenderBadRequest},
    };
    for (const auto& c : cases) {
        std::vector<char> reply;
        EXPECT_EQ(renderRequest(c.payload.data(), static_cast<std::int64_t>(c.payload.size()), reply), c.status)
            << c.what;
        ASSERT_EQ(reply.size(), 8u) << c.what;
        EXPECT_EQ(replyHeader(reply).status, c.status) << c.what;
    }
}

TEST(RenderRequest, AReplyAtTheLimitIsRendered)
{
    // 8 + 3 × 4 × 4 = 56 bytes: fits a 56-byte limit, not a 55-byte one.
    const auto payload = request(4, 3, "", frame(4, 3));
    std::vector<char> reply;
    EXPECT_EQ(renderRequest(payload.data(), static_cast<std::int64_t>(payload.size()), reply, 56), RenderOk);
    EXPECT_EQ(renderRequest(payload.data(), static_cast<std::int64_t>(payload.size()), reply, 55), RenderTooLarge);
}

} // namespace
