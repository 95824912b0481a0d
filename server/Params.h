#pragma once

#include <boost/property_tree/ptree.hpp>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

// The effect's parameter model: the 30 controls the plug-in shows, the user's
// values as one record, and the readers and writers of value and change trees.

namespace Nuvra::VRPC {

// Ids of the controls, as they travel in every tree.
enum ParamId : int {
    PidGeneral = 1,
    PidDetail = 2,
    PidSharpness = 3,
    PidSmudging = 4,
    PidLightness = 5,
    PidContrast = 6,
    Pid3DColors = 7,
    PidGeneralEnd = 8,
    PidShading = 9,
    PidShadows = 10,
    PidMidtones = 11,
    PidHighlights = 12,
    PidShadingEnd = 13,
    PidNoiseGroup = 14,
    PidNoise = 15,
    PidNoiseSmooth = 16,
    PidNoiseAngle = 17,
    PidNoiseGroupEnd = 18,
    PidColors = 19,
    PidMode = 20,
    PidColorDark = 21,
    PidColorMidDark = 22,
    PidColorMid = 23,
    PidColorMidLight = 24,
    PidColorLight = 25,
    PidAutofill = 26,
    PidRandom = 27,
    PidReset = 28,
    PidColorsEnd = 29,
    PidPreset = 30,
};

// Colour modes of the record (0-based; trees count combo options from 1).
enum ColorMode : std::int32_t {
    ModeTwoColors = 0,
    ModeOriginalColors = 1,
    ModeFiveColors = 2,
};

// The user's values. The field order and the 32-bit slots are the record's
// layout; presets store the same record.
struct ParamRecord {
    std::int32_t detail = 80;
    std::int32_t sharpness = 16;
    std::int32_t smudging = 100;
    std::int32_t shadows = 0;
    std::int32_t midtones = 0;
    std::int32_t highlights = 0;
    std::uint32_t colorDark = 0xFF000000;  // 0xAARRGGBB
    std::uint32_t colorMidDark = 0xFF808080;
    std::uint32_t colorMid = 0xFFA0A0A0;
    std::uint32_t colorMidLight = 0xFFC0C0C0;
    std::uint32_t colorLight = 0xFFFFFFFF;
    std::int32_t noise = 0;
    std::int32_t contrast = 0;
    std::int32_t mode = ModeTwoColors;
    alignas(4) bool colors3D = true;
    std::int32_t noiseAngle = 90;  // degrees
    std::int32_t noiseSmooth = 0;
    std::int32_t lightness = 0;
};

static_assert(sizeof(ParamRecord) == 18 * 4, "18 fields of 32 bits");
static_assert(offsetof(ParamRecord, colors3D) == 14 * 4);
static_assert(offsetof(ParamRecord, lightness) == 17 * 4);

constexpr int kParamCount = 30;

// The translated label of a control (context "MorvelinVideo"), UTF-8; empty
// for group ends and unknown ids.
std::string paramName(int id);

// The description of the 30 controls, in the order the plug-in shows them.
boost::property_tree::ptree paramDescription();

// Readers of a value tree. The first entry whose "id" is the wanted id counts.
// A missing entry logs a "not found" error line and reads as 0 / false.
float getValue(const boost::property_tree::ptree& tree, int id);  // rounded half away from zero
int getIntValue(const boost::property_tree::ptree& tree, int id); // read as unsigned 32-bit
bool getBoolValue(const boost::property_tree::ptree& tree, int id);
// Overwrites every field of `record` from the tree.
void getParams(ParamRecord& record, const boost::property_tree::ptree& tree);

// Writers of a change tree. findParam appends an entry holding only the id
// when there is none.
boost::property_tree::ptree& findParam(boost::property_tree::ptree& tree, int id);
void setParamVisible(boost::property_tree::ptree& tree, int id, bool visible);
void setIntValue(boost::property_tree::ptree& tree, int id, int value);
void setColorValue(boost::property_tree::ptree& tree, int id, unsigned value);
// Shows the colour controls a 0-based mode uses and hides the others.
void applyModeVisibility(boost::property_tree::ptree& tree, int mode);

// The 0-based index of a combo value (trees count options from 1), without
// overflow for any int.
constexpr int zeroBased(int comboValue)
{
    return comboValue > std::numeric_limits<int>::min() ? comboValue - 1 : comboValue;
}

// A value a tree or a file gave as a float, as an int: NaN gives 0, values
// outside the int range give its ends.
std::int32_t saturatingInt(float value);

} // namespace Nuvra::VRPC
