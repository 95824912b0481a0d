#include "server/ParamChange.h"

#include "server/Presets.h"
#include "VRPC/Serialize.h"

#include <QColor>

#include <chrono>

namespace Nuvra::VRPC {

namespace {

using boost::property_tree::ptree;

const int kColorIds[] = {PidColorDark, PidColorMidDark, PidColorMid, PidColorMidLight, PidColorLight};
const std::uint32_t kDefaultColors[] = {0xFF000000, 0xFF808080, 0xFFA0A0A0, 0xFFC0C0C0, 0xFFFFFFFF};

template <typename T> boost::optional<T> inputValue(const ptree& input, int id)
{
    for (const auto& child : input) {
        const auto own = child.second.get_optional<int>("id");
        if (own && *own == id)
            return child.second.get_optional<T>("value");
    }
    return boost::none;
}

void putValue(ptree& reply, int id, unsigned value)
{
    findParam(reply, id).put("value", value);
}

void onModeChanged(const ptree& input, ptree& reply)
{
    applyModeVisibility(reply, zeroBased(inputValue<int>(input, PidMode).value_or(1)));
}

// The three middle colours evenly between Color-Dark and Color-Light, channel
// by channel, rounded.
void autofill(const ptree& input, ptree& reply)
{
    const std::uint32_t dark = inputValue<std::uint32_t>(input, PidColorDark).value_or(0xFF000000);
    const std::uint32_t light = inputValue<std::uint32_t>(input, PidColorLight).value_or(0xFFFFFFFF);
    const struct {
        int id;
        int percent;
    } steps[] = {{PidColorMidDark, 25}, {PidColorMid, 50}, {PidColorMidLight, 75}};
    for (const auto& step : steps) {
        std::uint32_t color = 0;
        for (int shift = 24; shift >= 0; shift -= 8) {
            const int d = static_cast<int>(dark >> shift & 0xFF);
            const int l = static_cast<int>(light >> shift & 0xFF);
            const int c = d + ((l - d) * step.percent + 50) / 100;
            color |= static_cast<std::uint32_t>(c & 0xFF) << shift;
        }
        putValue(reply, step.id, color);
    }
}

float wrapHue(float h)
{
    if (h < 0.0f)
        return h + 1.0f;
    if (h > 1.0f)
        return h - 1.0f;
    return h;
}

// c kept within half a unit of the lightness of `around`.
float lightnessAround(float c, const QColor& around)
{
    const double l = around.lightnessF();
    const float lo = static_cast<float>(l - 0.5);
    const float hi = static_cast<float>(l + 0.5);
    return c > hi ? hi : c < lo ? lo : c;
}

QColor hsl(float h, float s, float l)
{
    QColor color;
    color.setHslF(h, s, l, 1.0);
    return color;
}

// Five colours around one random base hue, each kept near the lightness of
// its neighbour towards the middle.
void randomColors(ptree& reply, std::uint32_t seed)
{
    RandomDraws draw(seed);
    const float h = draw.next();
    const float d1 = draw.next() * 0.5f;
    const float d2 = draw.next() * 0.5f;

    const float midS = draw.next();
    const QColor mid = hsl(h, midS, draw.next() * 0.5f + 0.25f);
    const float midLightS = draw.next();
    const QColor midLight = hsl(wrapHue(h + d1), midLightS, lightnessAround(draw.next(), mid));
    const float midDarkS = draw.next();
    const QColor midDark = hsl(wrapHue(h - d1), midDarkS, lightnessAround(draw.next(), mid));
    const float lightS = draw.next();
    const QColor light = hsl(wrapHue(h + d2), lightS, lightnessAround(draw.next(), midLight));
    const float darkS = draw.next();
    const QColor dark = hsl(wrapHue(h - d2), darkS, lightnessAround(draw.next(), midDark));

    const QColor colors[] = {dark, midDark, mid, midLight, light};
    for (int i = 0; i < 5; ++i)
        putValue(reply, kColorIds[i], colors[i].rgb());
}

void reset(ptree& reply)
{
    for (int i = 0; i < 5; ++i)
        putValue(reply, kColorIds[i], kDefaultColors[i]);
}

void applyPreset(const ParamRecord& p, ptree& reply)
{
    setIntValue(reply, PidDetail, p.detail);
    setIntValue(reply, PidSharpness, p.sharpness);
    setIntValue(reply, PidSmudging, p.smudging);
    setIntValue(reply, PidLightness, p.lightness);
    setIntValue(reply, PidContrast, p.contrast);
    ptree& colors3D = findParam(reply, Pid3DColors);
    colors3D.put("value", p.colors3D);
    colors3D.put("force", true);
    setIntValue(reply, PidShadows, p.shadows);
    setIntValue(reply, PidMidtones, p.midtones);
    setIntValue(reply, PidHighlights, p.highlights);
    setIntValue(reply, PidNoise, p.noise);
    setIntValue(reply, PidNoiseSmooth, p.noiseSmooth);
    setIntValue(reply, PidNoiseAngle, p.noiseAngle);
    setIntValue(reply, PidMode, p.mode + 1);
    const std::uint32_t colors[] = {p.colorDark, p.colorMidDark, p.colorMid, p.colorMidLight, p.colorLight};
    for (int i = 0; i < 5; ++i)
        setColorValue(reply, kColorIds[i], colors[i]);
    applyModeVisibility(reply, p.mode);
}

// Points the Preset control at the preset the values (as they stood before
// this request) equal, or at "Custom" when a selected preset no longer
// matches.
void trackPreset(const ptree& input, ptree& reply)
{
    const auto& presets = builtinPresets();
    const long long count = static_cast<long long>(presets.size());
    ParamRecord current;
    getParams(current, input);
    // In 64 bits: p - 2 of any int stays exact.
    const long long p = getIntValue(input, PidPreset);

    long long fallback;
    if (p >= 2) {
        if (p - 2 >= count || sameParams(current, presets[p - 2].values))
            return;
        fallback = -1;
    } else {
        fallback = p - 2;
    }
    long long candidate = fallback;
    for (long long i = 0; i < count; ++i) {
        if (sameParams(presets[i].values, current)) {
            candidate = i;
            break;
        }
    }
    if (candidate == p - 2)
        return;
    findParam(reply, PidPreset).put("value", static_cast<int>(candidate + 2));
}

} // namespace

int RandomDraws::next15()
{
    m_state = m_state * 214013u + 2531011u;
    return static_cast<int>(m_state >> 16 & 0x7FFF);
}

std::uint32_t clockSeed()
{
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
    return static_cast<std::uint32_t>(micros) % 65535u;
}

bool sameParams(const ParamRecord& a, const ParamRecord& b)
{
    if (a.detail != b.detail || a.sharpness != b.sharpness || a.smudging != b.smudging ||
        a.shadows != b.shadows || a.midtones != b.midtones || a.highlights != b.highlights ||
        a.noise != b.noise || a.contrast != b.contrast || a.mode != b.mode || a.lightness != b.lightness ||
        a.colors3D != b.colors3D)
        return false;
    if (a.noise != 0 && (a.noiseAngle != b.noiseAngle || a.noiseSmooth != b.noiseSmooth))
        return false;
    switch (a.mode) {
    case ModeTwoColors:
        return a.colorDark == b.colorDark && a.colorLight == b.colorLight;
    case ModeFiveColors:
        return a.colorMidDark == b.colorMidDark && a.colorMid == b.colorMid &&
               a.colorMidLight == b.colorMidLight && a.colorDark == b.colorDark && a.colorLight == b.colorLight;
    default:
        return true;
    }
}

std::string onParamChanged(int id, const std::string& text)
{
    return onParamChanged(id, text, clockSeed());
}

std::string onParamChanged(int id, const std::string& text, std::uint32_t randomSeed)
{
    const ptree input = deserialize(text);
    ptree reply;
    switch (id) {
    case PidMode:
        onModeChanged(input, reply);
        break;
    case PidAutofill:
        autofill(input, reply);
        break;
    case PidRandom:
        randomColors(reply, randomSeed);
        break;
    case PidReset:
        reset(reply);
        break;
    case PidPreset: {
        const int p = getIntValue(input, PidPreset);
        const auto& presets = builtinPresets();
        if (p >= 2 && p - 2 < static_cast<int>(presets.size())) {
            applyPreset(presets[p - 2].values, reply);
            return serialize(reply);
        }
        break;
    }
    default:
        break;
    }
    trackPreset(input, reply);
    return serialize(reply);
}

} // namespace Nuvra::VRPC
