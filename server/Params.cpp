#include "server/Params.h"

#include "server/Presets.h"
#include "VRPC/Log.h"
#include "VRPC/ParamStr.h"

#include <QCoreApplication>
#include <QString>

#include <cmath>
#include <limits>

namespace Nuvra::VRPC {

namespace {

using boost::property_tree::ptree;

constexpr const char* kContext = "MorvelinVideo";

struct Label {
    int id;
    const char* text;
};

const Label kLabels[] = {
    {PidGeneral, QT_TRANSLATE_NOOP("MorvelinVideo", "General")},
    {PidDetail, QT_TRANSLATE_NOOP("MorvelinVideo", "Detail")},
    {PidSharpness, QT_TRANSLATE_NOOP("MorvelinVideo", "Sharpness")},
    {PidSmudging, QT_TRANSLATE_NOOP("MorvelinVideo", "Smudging")},
    {PidLightness, QT_TRANSLATE_NOOP("MorvelinVideo", "Lightness")},
    {PidContrast, QT_TRANSLATE_NOOP("MorvelinVideo", "Contrast")},
    {Pid3DColors, QT_TRANSLATE_NOOP("MorvelinVideo", "3D Colors")},
    {PidShading, QT_TRANSLATE_NOOP("MorvelinVideo", "Shading")},
    {PidShadows, QT_TRANSLATE_NOOP("MorvelinVideo", "Shadows")},
    {PidMidtones, QT_TRANSLATE_NOOP("MorvelinVideo", "Midtones")},
    {PidHighlights, QT_TRANSLATE_NOOP("MorvelinVideo", "Highlights")},
    {PidNoiseGroup, QT_TRANSLATE_NOOP("MorvelinVideo", "Noise Group")},
    {PidNoise, QT_TRANSLATE_NOOP("MorvelinVideo", "Noise")},
    {PidNoiseSmooth, QT_TRANSLATE_NOOP("MorvelinVideo", "Noise Smooth")},
    {PidNoiseAngle, QT_TRANSLATE_NOOP("MorvelinVideo", "Noise Angle")},
    {PidColors, QT_TRANSLATE_NOOP("MorvelinVideo", "Colors")},
    {PidMode, QT_TRANSLATE_NOOP("MorvelinVideo", "Mode")},
    {PidColorDark, QT_TRANSLATE_NOOP("MorvelinVideo", "Color-Dark")},
    {PidColorMidDark, QT_TRANSLATE_NOOP("MorvelinVideo", "Color-MidDark")},
    {PidColorMid, QT_TRANSLATE_NOOP("MorvelinVideo", "Color-Mid")},
    {PidColorMidLight, QT_TRANSLATE_NOOP("MorvelinVideo", "Color-MidLight")},
    {PidColorLight, QT_TRANSLATE_NOOP("MorvelinVideo", "Color-Light")},
    {PidAutofill, QT_TRANSLATE_NOOP("MorvelinVideo", "Autofill")},
    {PidRandom, QT_TRANSLATE_NOOP("MorvelinVideo", "Random")},
    {PidReset, QT_TRANSLATE_NOOP("MorvelinVideo", "Reset")},
    {PidPreset, QT_TRANSLATE_NOOP("MorvelinVideo", "Preset")},
};

const char* const kModeItems[] = {
    QT_TRANSLATE_NOOP("MorvelinVideo", "Two Colors"),
    QT_TRANSLATE_NOOP("MorvelinVideo", "Original Colors"),
    QT_TRANSLATE_NOOP("MorvelinVideo", "Five Colors"),
};

std::string translated(const char* text)
{
    return QCoreApplication::translate(kContext, text).toStdString();
}

std::string modeItems()
{
    std::string items;
    for (const char* item : kModeItems) {
        if (!items.empty())
            items += '|';
        items += translated(item);
    }
    return items;
}

enum class Kind { Slider, Angle, CheckBox, ComboBox, Color, Button, StartGroup, EndGroup };

// One described control; `def` doubles as the initial value. Colours keep
// their bits in `color`.
struct Control {
    int id;
    Kind kind;
    int def;
    int min;
    int max;
    unsigned flags;
    std::uint32_t color;
};

constexpr unsigned S = ParamSupervise;
constexpr unsigned SD = ParamSupervise | ParamDisabled;

// The description in the order the plug-in lays the controls out. The Preset
// and Mode combos take their items at build time.
const Control kControls[] = {
    {PidPreset, Kind::ComboBox, 2, 0, 0, S, 0},
    {PidGeneral, Kind::StartGroup, 0, 0, 0, 0, 0},
    {PidDetail, Kind::Slider, 80, 0, 100, S, 0},
    {PidSharpness, Kind::Slider, 16, 1, 50, S, 0},
    {PidSmudging, Kind::Slider, 100, 30, 200, S, 0},
    {PidLightness, Kind::Slider, 0, -50, 100, S, 0},
    {PidContrast, Kind::Slider, 0, -25, 25, S, 0},
    {Pid3DColors, Kind::CheckBox, 1, 0, 0, S, 0},
    {PidGeneralEnd, Kind::EndGroup, 0, 0, 0, 0, 0},
    {PidShading, Kind::StartGroup, 0, 0, 0, 0, 0},
    {PidShadows, Kind::Slider, 0, 0, 100, S, 0},
    {PidMidtones, Kind::Slider, 0, 0, 100, S, 0},
    {PidHighlights, Kind::Slider, 0, 0, 100, S, 0},
    {PidShadingEnd, Kind::EndGroup, 0, 0, 0, 0, 0},
    {PidNoiseGroup, Kind::StartGroup, 0, 0, 0, 0, 0},
    {PidNoise, Kind::Slider, 0, 0, 80, S, 0},
    {PidNoiseSmooth, Kind::Slider, 0, 0, 100, S, 0},
    {PidNoiseAngle, Kind::Angle, 90, 0, 0, S, 0},
    {PidNoiseGroupEnd, Kind::EndGroup, 0, 0, 0, 0, 0},
    {PidColors, Kind::StartGroup, 0, 0, 0, 0, 0},
    {PidMode, Kind::ComboBox, 1, 0, 0, S, 0},
    {PidColorDark, Kind::Color, 0, 0, 0, S, 0xFF000000},
    {PidColorMidDark, Kind::Color, 0, 0, 0, SD, 0xFF808080},
    {PidColorMid, Kind::Color, 0, 0, 0, SD, 0xFFA0A0A0},
    {PidColorMidLight, Kind::Color, 0, 0, 0, SD, 0xFFC0C0C0},
    {PidColorLight, Kind::Color, 0, 0, 0, S, 0xFFFFFFFF},
    {PidAutofill, Kind::Button, 0, 0, 0, SD, 0},
    {PidRandom, Kind::Button, 0, 0, 0, S, 0},
    {PidReset, Kind::Button, 0, 0, 0, S, 0},
    {PidColorsEnd, Kind::EndGroup, 0, 0, 0, 0, 0},
};

static_assert(sizeof(kControls) / sizeof(kControls[0]) == kParamCount);

void describe(ptree& tree, const Control& c)
{
    const std::string name = paramName(c.id);
    switch (c.kind) {
    case Kind::Slider:
        ParamStr::slider(tree, c.id, name.c_str(), c.def, c.def, c.min, c.max, c.flags);
        break;
    case Kind::Angle:
        ParamStr::angle(tree, c.id, name.c_str(), float(c.def), float(c.def), c.flags);
        break;
    case Kind::CheckBox:
        ParamStr::checkBox(tree, c.id, name.c_str(), c.def != 0, c.def != 0, c.flags);
        break;
    case Kind::ComboBox: {
        const std::string items = c.id == PidPreset ? names(builtinPresets()) : modeItems();
        ParamStr::comboBox(tree, c.id, name.c_str(), c.def, c.def, items.c_str(), c.flags);
        break;
    }
    case Kind::Color:
        ParamStr::colorBox(tree, c.id, name.c_str(), c.color, c.color, c.flags);
        break;
    case Kind::Button:
        ParamStr::button(tree, c.id, "", name.c_str(), c.flags);
        break;
    case Kind::StartGroup:
        ParamStr::startGroup(tree, c.id, name.c_str());
        break;
    case Kind::EndGroup:
        ParamStr::endGroup(tree, c.id);
        break;
    }
}

bool hasId(const ptree& entry, int id)
{
    const auto own = entry.get_optional<int>("id");
    return own && *own == id;
}

const ptree* lookup(const ptree& tree, int id)
{
    for (const auto& child : tree)
        if (hasId(child.second, id))
            return &child.second;
    return nullptr;
}

template <typename T> boost::optional<T> valueOf(const ptree& entry)
{
    return entry.get_optional<T>("value");
}

} // namespace

std::int32_t saturatingInt(float value)
{
    constexpr float limit = 2147483648.0f;  // 2^31, exact in float
    if (!(value == value))
        return 0;
    if (value >= limit)
        return std::numeric_limits<std::int32_t>::max();
    if (value < -limit)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

std::string paramName(int id)
{
    for (const Label& label : kLabels)
        if (label.id == id)
            return translated(label.text);
    return std::string();
}

ptree paramDescription()
{
    ptree tree;
    for (const Control& control : kControls)
        describe(tree, control);
    return tree;
}

float getValue(const ptree& tree, int id)
{
    const ptree* entry = lookup(tree, id);
    if (!entry) {
        writeError("getValue() -- not found id %d\n", id);
        return 0.0f;
    }
    const auto value = valueOf<float>(*entry);
    return value ? std::round(*value) : 0.0f;
}

int getIntValue(const ptree& tree, int id)
{
    const ptree* entry = lookup(tree, id);
    if (!entry) {
        writeError("getIntValue() -- not found id %d\n", id);
        return 0;
    }
    const auto value = valueOf<std::uint32_t>(*entry);
    return value ? static_cast<int>(*value) : 0;
}

bool getBoolValue(const ptree& tree, int id)
{
    const ptree* entry = lookup(tree, id);
    if (!entry) {
        writeError("getBoolValue() -- not found id %d\n", id);
        return false;
    }
    return valueOf<bool>(*entry).value_or(false);
}

void getParams(ParamRecord& record, const ptree& tree)
{
    const auto slider = [&tree](int id) { return saturatingInt(getValue(tree, id)); };
    record.detail = slider(PidDetail);
    record.sharpness = slider(PidSharpness);
    record.smudging = slider(PidSmudging);
    record.lightness = slider(PidLightness);
    record.contrast = slider(PidContrast);
    record.colors3D = getBoolValue(tree, Pid3DColors);
    record.shadows = slider(PidShadows);
    record.midtones = slider(PidMidtones);
    record.highlights = slider(PidHighlights);
    record.noise = slider(PidNoise);
    record.noiseSmooth = slider(PidNoiseSmooth);
    record.noiseAngle = slider(PidNoiseAngle);

    const int mode = getIntValue(tree, PidMode);
    record.mode = mode <= 1 ? ModeTwoColors : mode >= 3 ? ModeFiveColors : ModeOriginalColors;

    const auto color = [&tree](int id) { return static_cast<std::uint32_t>(getIntValue(tree, id)) | 0xFF000000u; };
    record.colorDark = color(PidColorDark);
    record.colorMidDark = color(PidColorMidDark);
    record.colorMid = color(PidColorMid);
    record.colorMidLight = color(PidColorMidLight);
    record.colorLight = color(PidColorLight);

    qDebug("Mode = %d Colors: dark = %x mid dark = %x mid = %x mid light = %x light = %x\n", record.mode,
           record.colorDark, record.colorMidDark, record.colorMid, record.colorMidLight, record.colorLight);
}

ptree& findParam(ptree& tree, int id)
{
    for (auto& child : tree)
        if (hasId(child.second, id))
            return child.second;
    ptree entry;
    entry.put("id", id);
    return tree.push_back(std::make_pair("param", entry))->second;
}

void setParamVisible(ptree& tree, int id, bool visible)
{
    ptree& entry = findParam(tree, id);
    entry.put("hidden", !visible);
    entry.put("disabled", !visible);
    entry.put("supervise", true);
}

void setIntValue(ptree& tree, int id, int value)
{
    ptree& entry = findParam(tree, id);
    entry.put("value", value);
    entry.put("force", true);
}

void setColorValue(ptree& tree, int id, unsigned value)
{
    ptree& entry = findParam(tree, id);
    entry.put("value", value);
    entry.put("force", true);
}

void applyModeVisibility(ptree& tree, int mode)
{
    const bool notOriginal = mode != ModeOriginalColors;
    const bool five = mode == ModeFiveColors;
    setParamVisible(tree, PidColorDark, notOriginal);
    setParamVisible(tree, PidColorMidDark, five);
    setParamVisible(tree, PidColorMid, five);
    setParamVisible(tree, PidColorMidLight, five);
    setParamVisible(tree, PidColorLight, notOriginal);
    setParamVisible(tree, PidAutofill, five);
    setParamVisible(tree, PidRandom, notOriginal);
    setParamVisible(tree, PidReset, notOriginal);
}

} // namespace Nuvra::VRPC
