// The render handler against the effect it wraps, on the same frame: the
// difference is what the request costs beyond the painting (header checks,
// value text, mapping, the reply buffer). Also the receiver-thread requests
// that the user waits for while editing.
#include "server/ParamChange.h"
#include "server/Params.h"
#include "server/Renderer.h"
#include "VRPC/Serialize.h"

#include <QLoggingCategory>

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace Nuvra::VRPC;

std::string valueText(const ParamRecord& r)
{
    boost::property_tree::ptree tree;
    const std::pair<int, long long> values[] = {
        {2, r.detail},   {3, r.sharpness},  {4, r.smudging},      {5, r.lightness},  {6, r.contrast},
        {7, r.colors3D}, {10, r.shadows},   {11, r.midtones},     {12, r.highlights}, {15, r.noise},
        {16, r.noiseSmooth}, {17, r.noiseAngle}, {20, r.mode + 1}, {21, r.colorDark}, {22, r.colorMidDark},
        {23, r.colorMid}, {24, r.colorMidLight}, {25, r.colorLight}, {30, 1}};
    for (int id = 1; id <= 30; ++id) {
        boost::property_tree::ptree entry;
        entry.put("id", id);
        for (const auto& [vid, v] : values)
            if (vid == id)
                entry.put("value", v);
        tree.add_child("param", entry);
    }
    return serialize(tree);
}

struct Frame {
    int w, h;
    std::vector<std::uint8_t> pixels;
    std::vector<char> request;
};

Frame makeFrame(int w, int h, const std::string& text)
{
    Frame f{w, h, std::vector<std::uint8_t>(std::size_t(w) * h * 4), {}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = &f.pixels[(std::size_t(y) * w + x) * 4];
            p[0] = 255;
            p[1] = std::uint8_t(x * 255 / w);
            p[2] = std::uint8_t(y * 255 / h);
            p[3] = std::uint8_t((x ^ y) & 0xFF);
        }
    const RenderRequestHeader header = makeRenderRequestHeader(w, h, 0, int(text.size()));
    f.request.resize(sizeof header);
    std::memcpy(f.request.data(), &header, sizeof header);
    f.request.insert(f.request.end(), text.begin(), text.end());
    f.request.insert(f.request.end(), f.pixels.begin(), f.pixels.end());
    return f;
}

ParamRecord benchRecord()
{
    ParamRecord r;
    r.mode = ModeFiveColors;
    r.noise = 30;
    r.noiseSmooth = 20;
    return r;
}

void quiet()
{
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    host = 3;
}

void BM_RenderHandler(benchmark::State& state)
{
    quiet();
    const Frame f = makeFrame(int(state.range(0)), int(state.range(1)), valueText(benchRecord()));
    std::vector<char> reply;
    for (auto _ : state) {
        renderRequest(f.request.data(), std::int64_t(f.request.size()), reply);
        benchmark::DoNotOptimize(reply.data());
    }
    state.SetItemsProcessed(state.iterations() * f.w * f.h);
}

void BM_EffectAlone(benchmark::State& state)
{
    quiet();
    const Frame f = makeFrame(int(state.range(0)), int(state.range(1)), "");
    const Morvelin_paramsCalc params = mapParams(benchRecord());
    std::vector<std::uint8_t> out(f.pixels.size());
    for (auto _ : state) {
        Filter({f.w, f.h}, f.pixels.data(), f.w * 4, out.data(), f.w * 4, 0, params, nullptr);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * f.w * f.h);
}

void BM_ParamChangedAutofill(benchmark::State& state)
{
    quiet();
    const std::string text = valueText(benchRecord());
    for (auto _ : state)
        benchmark::DoNotOptimize(onParamChanged(PidAutofill, text, 1));
}

void BM_ParamsSetupDescription(benchmark::State& state)
{
    quiet();
    for (auto _ : state)
        benchmark::DoNotOptimize(serialize(paramDescription()));
}

BENCHMARK(BM_RenderHandler)->Args({640, 360})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EffectAlone)->Args({640, 360})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParamChangedAutofill)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ParamsSetupDescription)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
