#include "server/Presets.h"

#include "ServerTestSupport.h"

#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace Nuvra::VRPC;

// The built-in presets as the loaded list must hold them, transcribed by hand:
// name, Detail, Sharpness, Smudging, Lightness, Contrast, Shadows, Midtones,
// Highlights, Noise, Noise Smooth, Noise Angle, Mode, then the five colours.
struct Row {
    const char* name;
    int v[12];
    std::uint32_t c[5];
};

const Row kBuiltin[] = {
    {"NUVRA Arctic", {100, 50, 159, 100, 13, 70, 0, 0, 80, 90, -30, 0},
     {0xFF390170, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFFFDF3BA}},
    {"NUVRA Black & White", {69, 34, 92, 0, 0, 0, 0, 0, 0, 0, 0, 0},
     {0xFF000000, 0xFF808080, 0xFFA0A0A0, 0xFFC0C0C0, 0xFFFFFFFF}},
    {"NUVRA Color Fantasy", {77, 48, 122, 12, 8, 25, 78, 0, 57, 100, 89, 1},
     {0xFF172A03, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFFDCF8B7}},
    {"NUVRA Colorful Spray", {77, 34, 147, 0, 14, 25, 78, 0, 33, 100, -42, 1},
     {0xFF01051F, 0xFF2420B6, 0xFFBC4E32, 0xFFEBBE2F, 0xFFD3DAD7}},
    {"NUVRA Dusty Rose", {77, 34, 147, 0, 14, 25, 78, 0, 33, 100, 51, 2},
     {0xFF01051F, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFFF66464}},
    {"NUVRA Filled with Light", {94, 27, 159, 100, 13, 0, 100, 0, 16, 0, 89, 1},
     {0xFFFFFFFF, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFF000000}},
    {"NUVRA Garden Green", {77, 48, 122, 0, 14, 25, 78, 0, 57, 100, 89, 0},
     {0xFF172A03, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFFDCF8B7}},
    {"NUVRA Ghostly Shadows", {87, 27, 139, 0, 15, 100, 72, 55, 22, 0, -128, 2},
     {0xFFA0A097, 0xFF1E221D, 0xFFAAAAAA, 0xFF1C231F, 0xFFD8D8D8}},
    {"NUVRA Illumination", {94, 47, 77, 100, 22, 0, 100, 0, 16, 0, 89, 1},
     {0xFFFFFFFF, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFF000000}},
    {"NUVRA Ink Spray", {43, 34, 92, 0, 0, 0, 0, 0, 33, 0, 49, 0},
     {0xFF01051F, 0xFF2420B6, 0xFFBC4E32, 0xFFEBBE2F, 0xFFD3DAD7}},
    {"NUVRA Inverted Impression", {94, 43, 38, 12, 25, 0, 50, 0, 16, 0, 89, 0},
     {0xFFFFFFFF, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFF000000}},
    {"NUVRA Metallic Navy", {77, 34, 160, 0, 14, 0, 0, 0, 33, 100, -42, 0},
     {0xFF01051F, 0xFF2420B6, 0xFFBC4E32, 0xFFEBBE2F, 0xFFD3DAD7}},
    {"NUVRA Modern", {70, 34, 92, 0, 0, 0, 0, 0, 0, 0, 0, 2},
     {0xFF01051F, 0xFF2420B6, 0xFFBC4E32, 0xFFEBBE2F, 0xFFD3DAD7}},
    {"NUVRA Purple Iris", {94, 27, 159, 100, 13, 0, 100, 0, 80, 99, 49, 0},
     {0xFF710ED2, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFF549427}},
    {"NUVRA Sea Sunset", {77, 34, 147, 0, 14, 25, 78, 0, 33, 100, 51, 2},
     {0xFF01051F, 0xFF2420B6, 0xFF3280BC, 0xFFEBBE2F, 0xFFF66464}},
    {"NUVRA Sepia", {77, 34, 147, 0, 14, 25, 78, 0, 57, 0, 51, 0},
     {0xFF471C01, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFFF8E5B7}},
    {"NUVRA Smooth Steel", {70, 16, 160, 0, 0, 0, 0, 0, 0, 0, 0, 0},
     {0xFF000000, 0xFF808080, 0xFFA0A0A0, 0xFFC0C0C0, 0xFFFFFFFF}},
    {"NUVRA Splatter Texture", {83, 27, 89, 6, 15, 26, 0, 0, 80, 0, -128, 1},
     {0xFF390170, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFFFDF3BA}},
    {"NUVRA Spray Paint Art", {100, 50, 159, 6, 15, 70, 0, 0, 80, 99, -128, 1},
     {0xFF390170, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFFFDF3BA}},
    {"NUVRA Through The Mist", {47, 6, 200, 12, 25, 12, 100, 0, 80, 100, 89, 1},
     {0xFF172A03, 0xFF3E1D30, 0xFF7C3542, 0xFFB94C53, 0xFFDCF8B7}},
};

std::vector<int> numbers(const ParamRecord& r)
{
    return {r.detail, r.sharpness, r.smudging, r.lightness, r.contrast, r.shadows,
            r.midtones, r.highlights, r.noise, r.noiseSmooth, r.noiseAngle, r.mode};
}

std::vector<std::uint32_t> colors(const ParamRecord& r)
{
    return {r.colorDark, r.colorMidDark, r.colorMid, r.colorMidLight, r.colorLight};
}

void expectRow(const Preset& p, const Row& row)
{
    SCOPED_TRACE(row.name);
    EXPECT_EQ(p.name, row.name);
    EXPECT_EQ(p.P, "Morvelin Video");
    EXPECT_EQ(numbers(p.values), std::vector<int>(row.v, row.v + 12));
    EXPECT_EQ(colors(p.values), std::vector<std::uint32_t>(row.c, row.c + 5));
    EXPECT_FALSE(p.values.colors3D);
}

const char kBuiltinPath[] = MORVELIN_SOURCE_DIR "/resources/presets/builtin.xml";

TEST(BuiltinPresets, DefaultThenTheTwentyInNameOrder)
{
    const auto& list = builtinPresets();
    ASSERT_EQ(list.size(), 21u);
    const Preset& def = list.front();
    EXPECT_EQ(def.name, "Default");
    EXPECT_EQ(def.P, "");
    EXPECT_EQ(numbers(def.values), (std::vector<int>{80, 16, 100, 0, 0, 0, 0, 0, 0, 0, 90, 0}));
    EXPECT_EQ(colors(def.values), (std::vector<std::uint32_t>{0xFF000000, 0xFF808080, 0xFFA0A0A0, 0xFFC0C0C0,
                                                              0xFFFFFFFF}));
    EXPECT_TRUE(def.values.colors3D);
    for (size_t i = 0; i < std::size(kBuiltin); ++i)
        expectRow(list[i + 1], kBuiltin[i]);
    EXPECT_EQ(&builtinPresets(), &list) << "built once";
}

TEST(BuiltinPresets, NamesAreTheComboOptions)
{
    std::string expected = "Custom|Default";
    for (const Row& row : kBuiltin)
        expected += std::string("|") + row.name;
    EXPECT_EQ(names(builtinPresets()), expected);
    EXPECT_EQ(names({}), "Custom");
}

TEST(BuiltinPresets, TheCommittedFileLoadsAsTheResource)
{
    const auto fromFile = load_presets(QString::fromUtf8(kBuiltinPath));
    ASSERT_EQ(fromFile.size(), 20u);
    for (size_t i = 0; i < fromFile.size(); ++i)
        expectRow(fromFile[i], kBuiltin[i]);
}

// A document of the given presets, each a name and its Param lines.
std::string document(const std::vector<std::pair<std::string, std::string>>& presets)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<PresetList>\n";
    for (const auto& [name, params] : presets)
        xml += "<Preset Name=\"" + name + "\" P=\"X\">\n" + params + "</Preset>\n";
    return xml + "</PresetList>\n";
}

std::string param(int id, const std::string& value)
{
    return "<Param Id=\"" + std::to_string(id) + "\" CT=\"8\" Name=\"n\" Value=\"" + value + "\"/>\n";
}

TEST(LoadPresets, ValueEncodings)
{
    const struct {
        int id;
        const char* value;
        int ParamRecord::*field;
        int expected;
    } numbersCases[] = {
        {2, "69.", &ParamRecord::detail, 69},         {2, "12.5", &ParamRecord::detail, 13},
        {2, "-12.5", &ParamRecord::detail, -13},      {2, "junk", &ParamRecord::detail, 0},
        {17, "-12.7", &ParamRecord::noiseAngle, -12}, {17, "-128.", &ParamRecord::noiseAngle, -128},
        {17, "1e30", &ParamRecord::noiseAngle, 2147483647},
        {20, "5", &ParamRecord::mode, 2},             {20, "-1", &ParamRecord::mode, 0},
        {20, "1", &ParamRecord::mode, 1},             {16, "99.", &ParamRecord::noiseSmooth, 99},
    };
    ServerTest::TempDir dir;
    for (const auto& c : numbersCases) {
        const auto list = load_presets(QString::fromStdString(dir.write("p.xml", document({{"A", param(c.id, c.value)}}))));
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].values.*c.field, c.expected) << c.id << " " << c.value;
    }

    const struct {
        const char* value;
        std::uint32_t expected;
    } colorCases[] = {
        {"18446744073709551615", 0xFFFFFFFF},
        {"4294967295", 0x0000FFFF},
        {"18374686479671623680", 0xFF000000},
        {"18374687579267145472", 0xFF01051F},
        {"not a number", 0x00000000},
    };
    for (const auto& c : colorCases) {
        const auto list = load_presets(QString::fromStdString(dir.write("p.xml", document({{"A", param(21, c.value)}}))));
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].values.colorDark, c.expected) << c.value;
    }

    const struct {
        const char* value;
        bool expected;
    } boolCases[] = {{"true", true}, {"false", false}, {"True", false}, {"1", false}};
    for (const auto& c : boolCases) {
        const auto list = load_presets(QString::fromStdString(dir.write("p.xml", document({{"A", param(7, c.value)}}))));
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].values.colors3D, c.expected) << c.value;
    }
}

TEST(LoadPresets, ParamsWithoutValueOrUnknownIdKeepTheDefaults)
{
    ServerTest::TempDir dir;
    const std::string params = "<Param Id=\"2\" CT=\"8\" Name=\"n\"/>\n" + param(30, "5") + param(99, "5") +
                               param(0, "5") + "<Param Id=\"x\" Value=\"7\"/>\n<Other Id=\"2\" Value=\"1\"/>\n";
    const auto list = load_presets(QString::fromStdString(dir.write("p.xml", document({{"A", params}}))));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(numbers(list[0].values), numbers(ParamRecord()));
    EXPECT_EQ(colors(list[0].values), colors(ParamRecord()));
    EXPECT_TRUE(list[0].values.colors3D);
}

TEST(LoadPresets, SortedByteWiseWhateverTheFileOrder)
{
    std::vector<std::pair<std::string, std::string>> presets = {
        {"AB", param(2, "1.")}, {"A B", param(2, "2.")}, {"a", param(2, "3.")},
        {"B", param(2, "4.")},  {"\xC3\x84rger", param(2, "5.")}, {"A", param(2, "6.")},
    };
    const std::vector<std::string> order = {"A", "A B", "AB", "B", "a", "\xC3\x84rger"};
    ServerTest::TempDir dir;
    std::mt19937 shuffle(7);
    for (int round = 0; round < 4; ++round) {
        std::shuffle(presets.begin(), presets.end(), shuffle);
        const auto list = load_presets(QString::fromStdString(dir.write("p.xml", document(presets))));
        std::vector<std::string> got;
        for (const auto& p : list)
            got.push_back(p.name);
        EXPECT_EQ(got, order);
        EXPECT_EQ(list[1].values.detail, 2) << "values travel with their names";
    }
}

TEST(LoadPresets, MalformedDocumentKeepsTheCompletePresets)
{
    const struct {
        const char* what;
        std::string xml;
        std::vector<std::string> kept;
    } cases[] = {
        {"cut inside the second preset",
         "<PresetList><Preset Name=\"B\"><Param Id=\"2\" Value=\"1.\"/></Preset><Preset Name=\"A\"><Param Id=\"2\"",
         {"B"}},
        {"mismatched tag",
         "<PresetList><Preset Name=\"One\"></Preset><Preset Name=\"Two\"></Wrong></PresetList>", {"One"}},
        {"not XML", "{ plain text }", {}},
        {"second root after a complete list",
         "<PresetList><Preset Name=\"Z\"></Preset></PresetList><PresetList>", {"Z"}},
    };
    ServerTest::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> got;
        testing::internal::CaptureStderr();
        for (const auto& p : load_presets(QString::fromStdString(dir.write("bad.xml", c.xml))))
            got.push_back(p.name);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(got, c.kept);
        EXPECT_NE(err.find("load_presets() - QXmlStreamReader return error: "), std::string::npos) << err;
    }
}

TEST(LoadPresets, MissingFileGivesAnEmptyListSilently)
{
    testing::internal::CaptureStderr();
    EXPECT_TRUE(load_presets(QStringLiteral("/nonexistent/presets.xml")).empty());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

} // namespace
