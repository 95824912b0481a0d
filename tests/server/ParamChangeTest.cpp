#include "server/ParamChange.h"
#include "server/Presets.h"
#include "VRPC/Serialize.h"

#include "ServerTestSupport.h"

#include <QColor>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace Nuvra::VRPC;
using ServerTest::valueText;

// A change tree in one line: "id{key=value,...}" per entry, in order.
std::string brief(const std::string& text)
{
    std::string out;
    for (const auto& entry : deserialize(text)) {
        if (!out.empty())
            out += ' ';
        out += entry.second.get<std::string>("id") + "{";
        bool first = true;
        for (const auto& key : entry.second) {
            if (key.first == "id")
                continue;
            out += (first ? "" : ",") + key.first + "=" + key.second.data();
            first = false;
        }
        out += "}";
    }
    return out;
}

const ParamRecord& preset(int comboValue)
{
    return builtinPresets().at(comboValue - 2).values;
}

// The two-colour layout: 21, 25, 27, 28 in use.
const std::string kTwoColorLayout =
    "21{hidden=false,disabled=false,supervise=true} 22{hidden=true,disabled=true,supervise=true} "
    "23{hidden=true,disabled=true,supervise=true} 24{hidden=true,disabled=true,supervise=true} "
    "25{hidden=false,disabled=false,supervise=true} 26{hidden=true,disabled=true,supervise=true} "
    "27{hidden=false,disabled=false,supervise=true} 28{hidden=false,disabled=false,supervise=true}";
const std::string kFiveColorLayout =
    "21{hidden=false,disabled=false,supervise=true} 22{hidden=false,disabled=false,supervise=true} "
    "23{hidden=false,disabled=false,supervise=true} 24{hidden=false,disabled=false,supervise=true} "
    "25{hidden=false,disabled=false,supervise=true} 26{hidden=false,disabled=false,supervise=true} "
    "27{hidden=false,disabled=false,supervise=true} 28{hidden=false,disabled=false,supervise=true}";
const std::string kOriginalLayout =
    "21{hidden=true,disabled=true,supervise=true} 22{hidden=true,disabled=true,supervise=true} "
    "23{hidden=true,disabled=true,supervise=true} 24{hidden=true,disabled=true,supervise=true} "
    "25{hidden=true,disabled=true,supervise=true} 26{hidden=true,disabled=true,supervise=true} "
    "27{hidden=true,disabled=true,supervise=true} 28{hidden=true,disabled=true,supervise=true}";

ParamRecord withColors(std::uint32_t dark, std::uint32_t light)
{
    ParamRecord r;
    r.colorDark = dark;
    r.colorLight = light;
    return r;
}

ParamRecord edited(ParamRecord r, int ParamRecord::*field, int value)
{
    r.*field = value;
    return r;
}

TEST(ParamChange, ChangeTrees)
{
    ParamRecord fiveColorDefaults;
    fiveColorDefaults.mode = ModeFiveColors;
    const ParamRecord smoothSteel = preset(19);

    const struct {
        const char* what;
        int id;
        std::string text;
        std::string reply;
    } cases[] = {
        {"mode five colours, still default otherwise", 20, valueText(fiveColorDefaults, 2),
         kFiveColorLayout + " 30{value=1}"},
        {"mode two colours", 20, valueText(ParamRecord(), 2), kTwoColorLayout},
        {"mode the frame's own colours", 20, valueText(edited(ParamRecord(), &ParamRecord::mode, 1), 1),
         kOriginalLayout},
        {"autofill black to white", 26, valueText(ParamRecord(), 2),
         "22{value=4282400832} 23{value=4286611584} 24{value=4290756543}"},
        {"autofill blue to yellow", 26, valueText(withColors(0xFF0000FF, 0xFFFFFF00), 1),
         "22{value=4282400960} 23{value=4286611584} 24{value=4290756417}"},
        {"reset while the default still matches", 28, valueText(ParamRecord(), 2),
         "21{value=4278190080} 22{value=4286611584} 23{value=4288716960} 24{value=4290822336} "
         "25{value=4294967295}"},
        {"custom selected while the values equal Default", 30, valueText(ParamRecord(), 1), "30{value=2}"},
        {"slider edit that lands on another preset", 2, valueText(smoothSteel, 2), "30{value=19}"},
        {"slider edit that matches nothing while a preset is selected", 2,
         valueText(edited(ParamRecord(), &ParamRecord::detail, 81), 2), "30{value=1}"},
        {"slider edit that matches nothing under Custom", 2,
         valueText(edited(ParamRecord(), &ParamRecord::detail, 81), 1), ""},
        {"selected preset still matches", 3, valueText(smoothSteel, 19), ""},
        {"preset value past the list", 2, valueText(ParamRecord(), 99), ""},
        {"preset past the list chosen", 30, valueText(edited(ParamRecord(), &ParamRecord::detail, 81), 99), ""},
        {"unknown id", -1, valueText(ParamRecord(), 2), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(brief(onParamChanged(c.id, c.text, 0)), c.reply) << c.what;
}

TEST(ParamChange, ChoosingAPresetWritesAllItsValuesWithForce)
{
    const ParamRecord& arctic = preset(3);
    const std::string reply = onParamChanged(30, valueText(ParamRecord(), 3), 0);
    const std::string expected =
        "2{value=100,force=true} 3{value=50,force=true} 4{value=159,force=true} 5{value=100,force=true} "
        "6{value=13,force=true} 7{value=false,force=true} 10{value=70,force=true} 11{value=0,force=true} "
        "12{value=0,force=true} 15{value=80,force=true} 16{value=90,force=true} 17{value=-30,force=true} "
        "20{value=1,force=true} "
        "21{value=4281926000,force=true,hidden=false,disabled=false,supervise=true} "
        "22{value=4282260784,force=true,hidden=true,disabled=true,supervise=true} "
        "23{value=4286330178,force=true,hidden=true,disabled=true,supervise=true} "
        "24{value=4290333779,force=true,hidden=true,disabled=true,supervise=true} "
        "25{value=4294833082,force=true,hidden=false,disabled=false,supervise=true} "
        "26{hidden=true,disabled=true,supervise=true} 27{hidden=false,disabled=false,supervise=true} "
        "28{hidden=false,disabled=false,supervise=true}";
    EXPECT_EQ(brief(reply), expected);
    EXPECT_EQ(arctic.colorDark, 0xFF390170u);

    // Default restores the default record, 3D Colors on.
    const std::string def = brief(onParamChanged(30, valueText(arctic, 2), 0));
    EXPECT_NE(def.find("7{value=true,force=true}"), std::string::npos) << def;
    EXPECT_EQ(def.find("30{"), std::string::npos);
}

TEST(ParamChange, RandomDrawsFromTheSeed)
{
    RandomDraws draws(0);
    const int expected[] = {38, 7719, 21238, 2437, 8855, 11797, 8365, 32285, 10450, 30612, 5853, 28100, 1142};
    for (int value : expected)
        EXPECT_EQ(draws.next15(), value);
    RandomDraws again(0);
    EXPECT_EQ(again.next(), 38.0f / 32767.0f);
}

TEST(ParamChange, RandomGivesFiveOpaqueColoursAroundTheSeededHue)
{
    const std::string reply = onParamChanged(27, valueText(ParamRecord(), 2), 0);
    const auto tree = deserialize(reply);
    std::vector<int> ids;
    for (const auto& e : tree) {
        ids.push_back(e.second.get<int>("id"));
        EXPECT_EQ(e.second.size(), 2u) << "id and value only";
    }
    // The tracking looks at the values before the press: Default still matches.
    EXPECT_EQ(ids, (std::vector<int>{21, 22, 23, 24, 25}));

    // The middle colour comes straight from draws 1, 4 and 5.
    QColor mid;
    mid.setHslF(38.0f / 32767.0f, 2437.0f / 32767.0f, 8855.0f / 32767.0f * 0.5f + 0.25f, 1.0);
    auto it = tree.begin();
    std::advance(it, 2);
    EXPECT_EQ(it->second.get<unsigned>("value"), mid.rgb());
    for (const auto& e : tree)
        EXPECT_EQ(e.second.get<unsigned>("value") >> 24, 0xFFu);

    // Every later colour takes its own two draws, in order: the saturation,
    // then the lightness kept within half a unit of its inner neighbour's.
    const auto draw = [](int n) {
        const int seeded[] = {38, 7719, 21238, 2437, 8855, 11797, 8365, 32285, 10450, 30612, 5853, 28100, 1142};
        return static_cast<float>(seeded[n - 1]) / 32767.0f;
    };
    const auto wrap = [](float h) { return h < 0.0f ? h + 1.0f : h > 1.0f ? h - 1.0f : h; };
    const auto around = [](float c, const QColor& inner) {
        const float lo = static_cast<float>(inner.lightnessF() - 0.5);
        const float hi = static_cast<float>(inner.lightnessF() + 0.5);
        return c > hi ? hi : c < lo ? lo : c;
    };
    const float h = draw(1), d1 = draw(2) * 0.5f, d2 = draw(3) * 0.5f;
    QColor midLight, midDark, light, dark;
    midLight.setHslF(wrap(h + d1), draw(6), around(draw(7), mid), 1.0);
    midDark.setHslF(wrap(h - d1), draw(8), around(draw(9), mid), 1.0);
    light.setHslF(wrap(h + d2), draw(10), around(draw(11), midLight), 1.0);
    dark.setHslF(wrap(h - d2), draw(12), around(draw(13), midDark), 1.0);
    const struct {
        int id;
        QColor color;
    } colours[] = {{21, dark}, {22, midDark}, {23, mid}, {24, midLight}, {25, light}};
    it = tree.begin();
    for (const auto& c : colours) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(it->second.get<int>("id"), c.id);
        EXPECT_EQ(it->second.get<unsigned>("value"), c.color.rgb());
        ++it;
    }

    EXPECT_EQ(onParamChanged(27, valueText(ParamRecord(), 2), 0), reply);
    EXPECT_NE(onParamChanged(27, valueText(ParamRecord(), 2), 12345), reply);
    EXPECT_LT(clockSeed(), 65535u);
}

TEST(ParamChange, UnreadableTextStillAnswers)
{
    ServerTest::LogCapture log;
    EXPECT_EQ(brief(onParamChanged(20, "}", 0)), kTwoColorLayout);
    EXPECT_EQ(brief(onParamChanged(26, "", 0)), "22{value=4282400832} 23{value=4286611584} 24{value=4290756543}");
    EXPECT_EQ(onParamChanged(2, "", 0), "");
    EXPECT_EQ(onParamChanged(30, "", 0), "");
}

TEST(SameParams, WhatCounts)
{
    const ParamRecord base;
    ParamRecord noisy;
    noisy.noise = 40;
    ParamRecord original;
    original.mode = ModeOriginalColors;
    ParamRecord five;
    five.mode = ModeFiveColors;

    const auto with = [](ParamRecord r, auto field, auto value) {
        r.*field = value;
        return r;
    };
    const struct {
        const char* what;
        ParamRecord a;
        ParamRecord b;
        bool same;
    } cases[] = {
        {"identical", base, base, true},
        {"detail differs", base, with(base, &ParamRecord::detail, 1), false},
        {"lightness differs", base, with(base, &ParamRecord::lightness, 1), false},
        {"3D colors differ", base, with(base, &ParamRecord::colors3D, false), false},
        {"mode differs", base, five, false},
        {"angle without noise", base, with(base, &ParamRecord::noiseAngle, 7), true},
        {"smooth without noise", base, with(base, &ParamRecord::noiseSmooth, 7), true},
        {"angle with noise", noisy, with(noisy, &ParamRecord::noiseAngle, 7), false},
        {"smooth with noise", noisy, with(noisy, &ParamRecord::noiseSmooth, 7), false},
        {"two colours: middle colour ignored", base, with(base, &ParamRecord::colorMid, 1u), true},
        {"two colours: dark compared", base, with(base, &ParamRecord::colorDark, 1u), false},
        {"two colours: light compared", base, with(base, &ParamRecord::colorLight, 1u), false},
        {"own colours: no colour compared", original, with(original, &ParamRecord::colorDark, 1u), true},
        {"five colours: middle compared", five, with(five, &ParamRecord::colorMidLight, 1u), false},
        {"five colours: dark compared", five, with(five, &ParamRecord::colorDark, 1u), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sameParams(c.a, c.b), c.same) << c.what;
}

} // namespace
