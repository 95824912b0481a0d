#include "server/Params.h"
#include "server/Presets.h"
#include "VRPC/Serialize.h"

#include "ServerTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace Nuvra::VRPC;
using boost::property_tree::ptree;

// The controls as the plug-in must see them, written out independently of
// the code's own table: order, id, type, name, default, range, flag keys.
struct Expected {
    int id;
    const char* type;
    const char* name;
    const char* def;  // as text; nullptr: no "def" key
    const char* min;
    const char* max;
    bool disabled;
};

const Expected kDescription[] = {
    {30, "combobox", "Preset", "2", nullptr, nullptr, false},
    {1, "startgroup", "General", nullptr, nullptr, nullptr, false},
    {2, "slider", "Detail", "80", "0", "100", false},
    {3, "slider", "Sharpness", "16", "1", "50", false},
    {4, "slider", "Smudging", "100", "30", "200", false},
    {5, "slider", "Lightness", "0", "-50", "100", false},
    {6, "slider", "Contrast", "0", "-25", "25", false},
    {7, "checkbox", "3D Colors", "true", nullptr, nullptr, false},
    {8, "endgroup", nullptr, nullptr, nullptr, nullptr, false},
    {9, "startgroup", "Shading", nullptr, nullptr, nullptr, false},
    {10, "slider", "Shadows", "0", "0", "100", false},
    {11, "slider", "Midtones", "0", "0", "100", false},
    {12, "slider", "Highlights", "0", "0", "100", false},
    {13, "endgroup", nullptr, nullptr, nullptr, nullptr, false},
    {14, "startgroup", "Noise Group", nullptr, nullptr, nullptr, false},
    {15, "slider", "Noise", "0", "0", "80", false},
    {16, "slider", "Noise Smooth", "0", "0", "100", false},
    {17, "angle", "Noise Angle", "90", nullptr, nullptr, false},
    {18, "endgroup", nullptr, nullptr, nullptr, nullptr, false},
    {19, "startgroup", "Colors", nullptr, nullptr, nullptr, false},
    {20, "combobox", "Mode", "1", nullptr, nullptr, false},
    {21, "color", "Color-Dark", "4278190080", nullptr, nullptr, false},
    {22, "color", "Color-MidDark", "4286611584", nullptr, nullptr, true},
    {23, "color", "Color-Mid", "4288716960", nullptr, nullptr, true},
    {24, "color", "Color-MidLight", "4290822336", nullptr, nullptr, true},
    {25, "color", "Color-Light", "4294967295", nullptr, nullptr, false},
    {26, "button", "", nullptr, nullptr, nullptr, true},
    {27, "button", "", nullptr, nullptr, nullptr, false},
    {28, "button", "", nullptr, nullptr, nullptr, false},
    {29, "endgroup", nullptr, nullptr, nullptr, nullptr, false},
};

std::vector<std::string> keysOf(const ptree& entry)
{
    std::vector<std::string> keys;
    for (const auto& child : entry)
        keys.push_back(child.first);
    return keys;
}

TEST(ParamDescription, TravelsAsTheThirtyControlsInOrder)
{
    const ptree parsed = deserialize(serialize(paramDescription()));
    ASSERT_EQ(parsed.size(), std::size(kDescription));
    auto it = parsed.begin();
    for (const Expected& e : kDescription) {
        SCOPED_TRACE(e.id);
        EXPECT_EQ(it->first, "param");
        const ptree& p = (it++)->second;
        EXPECT_EQ(p.get<int>("id"), e.id);
        EXPECT_EQ(p.get<std::string>("type"), e.type);
        if (e.name)
            EXPECT_EQ(p.get<std::string>("name"), e.name);
        else
            EXPECT_FALSE(p.get_optional<std::string>("name"));
        if (e.def) {
            EXPECT_EQ(p.get<std::string>("def"), e.def);
            EXPECT_EQ(p.get<std::string>("value"), e.def);  // the initial value is the default
        }
        if (e.min) {
            EXPECT_EQ(p.get<std::string>("min"), e.min);
            EXPECT_EQ(p.get<std::string>("max"), e.max);
        }
        const bool control = std::string(e.type) != "startgroup" && std::string(e.type) != "endgroup";
        EXPECT_EQ(p.get_optional<bool>("supervise").value_or(false), control);
        EXPECT_EQ(p.get_optional<bool>("disabled").value_or(false), e.disabled);
        EXPECT_FALSE(p.get_optional<bool>("hidden"));
        EXPECT_FALSE(p.get_optional<bool>("force"));
    }
}

TEST(ParamDescription, KindFieldsAndComboItems)
{
    const ptree parsed = deserialize(serialize(paramDescription()));
    std::vector<const ptree*> byId(31, nullptr);
    for (const auto& child : parsed)
        byId[child.second.get<int>("id")] = &child.second;

    EXPECT_EQ(byId[20]->get<std::string>("values"), "Two Colors|Original Colors|Five Colors");
    EXPECT_EQ(byId[30]->get<std::string>("values"), names(builtinPresets()));
    EXPECT_EQ(byId[26]->get<std::string>("caption"), "Autofill");
    EXPECT_EQ(byId[27]->get<std::string>("caption"), "Random");
    EXPECT_EQ(byId[28]->get<std::string>("caption"), "Reset");
    EXPECT_FLOAT_EQ(byId[17]->get<float>("value"), 90.0f);
    // Keys in the order the plug-in's reader expects.
    EXPECT_EQ(keysOf(*byId[22]),
              (std::vector<std::string>{"id", "name", "disabled", "supervise", "type", "def", "value"}));
    EXPECT_EQ(keysOf(*byId[2]),
              (std::vector<std::string>{"id", "name", "supervise", "type", "def", "min", "max", "value"}));
    EXPECT_EQ(keysOf(*byId[29]), (std::vector<std::string>{"type", "id"}));
}

TEST(ParamName, LabelsAndGaps)
{
    const struct {
        int id;
        const char* label;
    } cases[] = {{1, "General"},      {7, "3D Colors"},    {14, "Noise Group"}, {17, "Noise Angle"},
                 {22, "Color-MidDark"}, {26, "Autofill"},   {30, "Preset"},      {8, ""},
                 {13, ""},             {18, ""},            {29, ""},            {0, ""},
                 {31, ""},             {-1, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(paramName(c.id), c.label) << c.id;
}

// A value tree with one entry per (id, value text); a null text leaves the
// entry without a value.
ptree valueTree(std::initializer_list<std::pair<int, const char*>> entries)
{
    ptree tree;
    for (const auto& [id, value] : entries) {
        ptree entry;
        entry.put("id", id);
        if (value)
            entry.put("value", value);
        tree.add_child("param", entry);
    }
    return tree;
}

TEST(ValueReaders, NumbersRoundHalfAwayAndBadTextReadsAsZero)
{
    ServerTest::LogCapture log;
    const struct {
        const char* text;
        float value;
        int intValue;
    } cases[] = {
        {"37.5", 38.0f, 0}, {"-12.5", -13.0f, 0},   {"12", 12.0f, 12},  {"abc", 0.0f, 0},
        {"", 0.0f, 0},      {"4294967295", 4294967296.0f, -1}, {"0.4", 0.0f, 0}, {"true", 0.0f, 0},
    };
    for (const auto& c : cases) {
        const ptree tree = valueTree({{2, c.text}});
        EXPECT_EQ(getValue(tree, 2), c.value) << c.text;
        EXPECT_EQ(getIntValue(tree, 2), c.intValue) << c.text;
    }
    EXPECT_EQ(getValue(valueTree({{2, nullptr}}), 2), 0.0f);
    EXPECT_EQ(log.text(), "") << "a present entry never logs";

    EXPECT_EQ(getValue(valueTree({{3, "5"}}), 2), 0.0f);
    EXPECT_EQ(getIntValue(ptree(), 20), 0);
    EXPECT_EQ(getBoolValue(ptree(), 7), false);
    EXPECT_EQ(log.count("getValue() -- not found id 2\n"), 1);
    EXPECT_EQ(log.count("getIntValue() -- not found id 20\n"), 1);
    EXPECT_EQ(log.count("getBoolValue() -- not found id 7\n"), 1);
}

TEST(ValueReaders, FirstEntryWithTheIdCountsAndBadIdsNeverMatch)
{
    ptree tree = valueTree({{2, "11"}, {2, "22"}});
    ptree noId;
    noId.put("value", "99");
    tree.push_front(std::make_pair("param", noId));
    ptree textId;
    textId.put("id", "two");
    textId.put("value", "98");
    tree.push_front(std::make_pair("param", textId));
    EXPECT_EQ(getValue(tree, 2), 11.0f);
}

TEST(ValueReaders, BoolAcceptsWordsAndDigits)
{
    const struct {
        const char* text;
        bool value;
    } cases[] = {{"true", true}, {"1", true}, {"false", false}, {"0", false}, {"yes", false}, {nullptr, false}};
    for (const auto& c : cases)
        EXPECT_EQ(getBoolValue(valueTree({{7, c.text}}), 7), c.value) << (c.text ? c.text : "(none)");
}

TEST(GetParams, FillsEveryFieldFromTheTree)
{
    ServerTest::LogCapture log;
    const ptree tree = valueTree({{2, "12.5"},   {3, "7"},   {4, "33"},   {5, "-50"},  {6, "25"},
                                  {7, "false"},  {10, "1"},  {11, "2"},   {12, "3"},   {15, "40"},
                                  {16, "9"},     {17, "-12.5"}, {20, "3"}, {21, "1193046"},
                                  {22, "4278190080"}, {23, "255"}, {24, "16777215"}, {25, "0"},
                                  {1, nullptr},  {26, nullptr}, {29, nullptr}});
    ParamRecord r;
    getParams(r, tree);
    EXPECT_EQ(r.detail, 13);
    EXPECT_EQ(r.sharpness, 7);
    EXPECT_EQ(r.smudging, 33);
    EXPECT_EQ(r.lightness, -50);
    EXPECT_EQ(r.contrast, 25);
    EXPECT_FALSE(r.colors3D);
    EXPECT_EQ(r.shadows, 1);
    EXPECT_EQ(r.midtones, 2);
    EXPECT_EQ(r.highlights, 3);
    EXPECT_EQ(r.noise, 40);
    EXPECT_EQ(r.noiseSmooth, 9);
    EXPECT_EQ(r.noiseAngle, -13);
    EXPECT_EQ(r.mode, ModeFiveColors);
    EXPECT_EQ(r.colorDark, 0xFF123456u);  // alpha forced
    EXPECT_EQ(r.colorMidDark, 0xFF000000u);
    EXPECT_EQ(r.colorMid, 0xFF0000FFu);
    EXPECT_EQ(r.colorMidLight, 0xFFFFFFFFu);
    EXPECT_EQ(r.colorLight, 0xFF000000u);
    EXPECT_EQ(log.text(), "");
}

TEST(GetParams, ModeIsClampedToTheThreeModes)
{
    const struct {
        const char* value;
        int mode;
    } cases[] = {{"0", 0}, {"1", 0}, {"2", 1}, {"3", 2}, {"7", 2}, {"-1", 0}, {"x", 0}};
    for (const auto& c : cases) {
        ParamRecord r;
        getParams(r, valueTree({{20, c.value}}));
        EXPECT_EQ(r.mode, c.mode) << c.value;
    }
}

TEST(GetParams, EmptyTreeGivesZerosAndOneLinePerMissingField)
{
    ServerTest::LogCapture log;
    ParamRecord r;
    getParams(r, ptree());
    EXPECT_EQ(r.detail, 0);
    EXPECT_EQ(r.noiseAngle, 0);
    EXPECT_EQ(r.mode, 0);
    EXPECT_FALSE(r.colors3D);
    EXPECT_EQ(r.colorLight, 0xFF000000u);
    EXPECT_EQ(log.count("not found id"), 18);
}

TEST(GetParams, AbsurdNumbersSaturate)
{
    ParamRecord r;
    getParams(r, valueTree({{2, "1e30"}, {3, "-1e30"}, {17, "3e9"}}));
    EXPECT_EQ(r.detail, 2147483647);
    EXPECT_EQ(r.sharpness, -2147483647 - 1);
    EXPECT_EQ(r.noiseAngle, 2147483647);
}

TEST(ChangeWriters, FindParamAppendsAnEntryWithTheIdOnly)
{
    ptree tree;
    findParam(tree, 20);
    EXPECT_EQ(serialize(tree), "param\n{\n    id 20\n}\n");
    findParam(tree, 20).put("value", 3);
    findParam(tree, 21);
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree.front().second.get<int>("value"), 3);
}

TEST(ChangeWriters, SettersPutInPlaceAndAppendInOrder)
{
    ptree tree;
    setIntValue(tree, 2, 5);
    setIntValue(tree, 2, 6);
    setColorValue(tree, 21, 0xFF102030u);
    setParamVisible(tree, 22, false);
    setParamVisible(tree, 22, true);
    EXPECT_EQ(serialize(tree), "param\n{\n    id 2\n    value 6\n    force true\n}\n"
                               "param\n{\n    id 21\n    value 4279246896\n    force true\n}\n"
                               "param\n{\n    id 22\n    hidden false\n    disabled false\n    supervise true\n}\n");
}

// Which of the ids 21..28 each 0-based mode shows.
TEST(ChangeWriters, ModeVisibility)
{
    const struct {
        int mode;
        std::vector<int> shown;
    } cases[] = {
        {0, {21, 25, 27, 28}},
        {1, {}},
        {2, {21, 22, 23, 24, 25, 26, 27, 28}},
        {-1, {21, 25, 27, 28}},
        {5, {21, 25, 27, 28}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        ptree tree;
        applyModeVisibility(tree, c.mode);
        ASSERT_EQ(tree.size(), 8u);
        int id = 21;
        for (const auto& child : tree) {
            const ptree& e = child.second;
            EXPECT_EQ(e.get<int>("id"), id);
            const bool shown = std::find(c.shown.begin(), c.shown.end(), id) != c.shown.end();
            EXPECT_EQ(e.get<bool>("hidden"), !shown) << id;
            EXPECT_EQ(e.get<bool>("disabled"), !shown) << id;
            EXPECT_TRUE(e.get<bool>("supervise"));
            EXPECT_EQ(keysOf(e), (std::vector<std::string>{"id", "hidden", "disabled", "supervise"}));
            ++id;
        }
    }
}

} // namespace
