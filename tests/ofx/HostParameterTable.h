#pragma once

// The host parameters that the application's thirty controls become, as the
// host sees them after describe-in-context and create-instance.

#include "OfxTestHost.h"

#include "ofx/openfx/OfxNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace OfxTest {

// One expected host parameter: kind, label, parent group, default(s),
// range, options, may-write flag; the enabled state of a new instance.
struct Expected {
    const char* name;
    const char* type;
    const char* label;
    const char* parent;
    std::vector<double> def;
    double min, max;
    std::vector<std::string> options;
    bool enabled;
};

inline const char* const D = kOfxParamTypeDouble;
inline const char* const B = kOfxParamTypeBoolean;
inline const char* const C = kOfxParamTypeChoice;
inline const char* const RGB = kOfxParamTypeRGB;
inline const char* const G = kOfxParamTypeGroup;
inline const char* const PB = kOfxParamTypePushButton;

inline const std::vector<Expected>& expectedParams()
{
    static const std::vector<Expected> table = {
        {"about", PB, "About NUVRA Morvelin Video", "", {}, 0, 0, {}, true},
        {"P_1", G, "General", "", {}, 0, 0, {}, true},
        {"P_2", D, "Detail", "P_1", {80}, 0, 100, {}, true},
        {"P_3", D, "Sharpness", "P_1", {16}, 1, 50, {}, true},
        {"P_4", D, "Smudging", "P_1", {100}, 30, 200, {}, true},
        {"P_5", D, "Lightness", "P_1", {0}, -50, 100, {}, true},
        {"P_6", D, "Contrast", "P_1", {0}, -25, 25, {}, true},
        {"P_7", B, "3D Colors", "P_1", {1}, 0, 0, {}, true},
        {"P_9", G, "Shading", "", {}, 0, 0, {}, true},
        {"P_10", D, "Shadows", "P_9", {0}, 0, 100, {}, true},
        {"P_11", D, "Midtones", "P_9", {0}, 0, 100, {}, true},
        {"P_12", D, "Highlights", "P_9", {0}, 0, 100, {}, true},
        {"P_14", G, "Noise Group", "", {}, 0, 0, {}, true},
        {"P_15", D, "Noise", "P_14", {0}, 0, 80, {}, true},
        {"P_16", D, "Noise Smooth", "P_14", {0}, 0, 100, {}, true},
        {"P_17", D, "Noise Angle", "P_14", {90}, -180, 180, {}, true},
        {"P_19", G, "Colors", "", {}, 0, 0, {}, true},
        {"P_20", C, "Mode", "P_19", {0}, 0, 0, {"Two Colors", "Original Colors", "Five Colors"}, true},
        {"P_21", RGB, "Color-Dark", "P_19", {0, 0, 0}, 0, 0, {}, true},
        {"P_22", RGB, "Color-MidDark", "P_19", {128 / 255.0, 128 / 255.0, 128 / 255.0}, 0, 0, {}, false},
        {"P_23", RGB, "Color-Mid", "P_19", {160 / 255.0, 160 / 255.0, 160 / 255.0}, 0, 0, {}, false},
        {"P_24", RGB, "Color-MidLight", "P_19", {192 / 255.0, 192 / 255.0, 192 / 255.0}, 0, 0, {}, false},
        {"P_25", RGB, "Color-Light", "P_19", {1, 1, 1}, 0, 0, {}, true},
        {"P_26", PB, "Autofill", "P_19", {}, 0, 0, {}, false},
        {"P_27", PB, "Random", "P_19", {}, 0, 0, {}, true},
        {"P_28", PB, "Reset", "P_19", {}, 0, 0, {}, true},
        {"P_30", C, "Preset", "", {1}, 0, 0, {"Custom", "Default"}, true},
    };
    return table;
}

inline std::vector<double> numbers(const std::vector<PropValue>& values)
{
    std::vector<double> out;
    for (const PropValue& v : values)
        out.push_back(std::holds_alternative<int>(v) ? std::get<int>(v) : std::get<double>(v));
    return out;
}

inline void expectHostParameters(Session& s)
{
    Session* session = &s;
    const auto& params = session->contextDescriptor.params.params;
    std::vector<std::string> names;
    for (const auto& p : params)
        names.push_back(p->name);
    std::vector<std::string> expectedNames;
    for (const Expected& e : expectedParams())
        expectedNames.push_back(e.name);
    // Group ends make no parameter.
    EXPECT_EQ(names.size(), 27u);
    EXPECT_EQ(names.front(), "about");
    std::sort(expectedNames.begin(), expectedNames.end());
    std::vector<std::string> sortedNames = names;
    std::sort(sortedNames.begin(), sortedNames.end());
    EXPECT_EQ(sortedNames, expectedNames);

    for (const Expected& e : expectedParams()) {
        SCOPED_TRACE(e.name);
        Param* p = session->contextDescriptor.params.find(e.name);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->type, e.type);
        EXPECT_EQ(p->props.getString(kOfxPropLabel), e.label);
        if (*e.parent) {
            EXPECT_EQ(p->props.getString(kOfxParamPropParent), e.parent);
        } else {
            EXPECT_FALSE(p->props.has(kOfxParamPropParent));
        }
        if (!e.def.empty()) {
            const auto def = numbers(p->props.values(kOfxParamPropDefault));
            ASSERT_EQ(def.size(), e.def.size());
            for (size_t i = 0; i < def.size(); ++i)
                EXPECT_NEAR(def[i], e.def[i], 1e-12);
            EXPECT_EQ(p->props.getInt(kOfxParamPropPluginMayWrite), 1);
        } else {
            EXPECT_FALSE(p->props.has(kOfxParamPropDefault));
            EXPECT_FALSE(p->props.has(kOfxParamPropPluginMayWrite));
        }
        if (e.type == std::string(D)) {
            EXPECT_EQ(p->props.getDouble(kOfxParamPropMin), e.min);
            EXPECT_EQ(p->props.getDouble(kOfxParamPropMax), e.max);
            EXPECT_EQ(p->props.getDouble(kOfxParamPropDisplayMin), e.min);
            EXPECT_EQ(p->props.getDouble(kOfxParamPropDisplayMax), e.max);
            EXPECT_EQ(p->props.getString(kOfxParamPropDoubleType),
                      std::string(e.name) == "P_17" ? kOfxParamDoubleTypeAngle : kOfxParamDoubleTypePlain);
        }
        for (size_t i = 0; i < e.options.size(); ++i)
            EXPECT_EQ(p->props.getString(kOfxParamPropChoiceOption, static_cast<int>(i)), e.options[i]);
        Param* live = session->instance.params.find(e.name);
        ASSERT_NE(live, nullptr);
        if (std::string(e.name) != "about") {
            EXPECT_EQ(live->props.getInt(kOfxParamPropEnabled), e.enabled ? 1 : 0);
        }
    }
    EXPECT_EQ(session->contextDescriptor.params.find("about")->props.getString(kOfxPropIcon), "nuvra-normal.svg");
}

} // namespace OfxTest
