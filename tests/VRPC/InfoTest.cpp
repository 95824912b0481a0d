// GCC 12 reports boost::optional's storage in the property-tree translator as
// maybe uninitialised when optimising lightly with sanitizers; a known false
// positive in the library's templates instantiated here.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "VRPC/Log.h"
#include "VRPC/ParamStr.h"
#include "VRPC/Serialize.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Nuvra::VRPC;
using boost::property_tree::ptree;

namespace {

std::vector<std::string> keysOf(const ptree& param)
{
    std::vector<std::string> keys;
    for (const auto& child : param)
        keys.push_back(child.first);
    return keys;
}

const ptree& only(const ptree& tree)
{
    EXPECT_EQ(tree.size(), 1u);
    EXPECT_EQ(tree.begin()->first, "param");
    return tree.begin()->second;
}

class InfoTest : public testing::Test {
protected:
    void SetUp() override { SetupLogFiles(log.c_str(), ""); }
    VrpcTest::TempDir dir;
    std::string log = dir.file("transport.log");
};

} // namespace

TEST_F(InfoTest, AnEmptyTreeIsTheEmptyText)
{
    EXPECT_EQ(serialize(ptree()), "");
    EXPECT_TRUE(deserialize("").empty());
    EXPECT_EQ(VrpcTest::readFile(log), "");
}

TEST_F(InfoTest, WritesFourSpacesPerLevel)
{
    ptree tree;
    ParamStr::slider(tree, 3, "Detail", 50, 40, 0, 100, ParamSupervise);
    EXPECT_EQ(serialize(tree), "param\n"
                               "{\n"
                               "    id 3\n"
                               "    name Detail\n"
                               "    supervise true\n"
                               "    type slider\n"
                               "    def 50\n"
                               "    min 0\n"
                               "    max 100\n"
                               "    value 40\n"
                               "}\n");
}

TEST_F(InfoTest, BuildersWriteTheirKeysInOrder)
{
    struct Case {
        const char* what;
        std::function<void(ptree&)> build;
        std::vector<std::string> keys;
        const char* type;
    };
    const std::vector<Case> cases = {
        {"angle", [](ptree& t) { ParamStr::angle(t, 1, "Angle", 45.f, 30.5f, 0); },
         {"id", "name", "type", "def", "value"}, "angle"},
        {"slider", [](ptree& t) { ParamStr::slider(t, 2, "S", 1, 2, 0, 9, 0); },
         {"id", "name", "type", "def", "min", "max", "value"}, "slider"},
        {"button", [](ptree& t) { ParamStr::button(t, 3, "B", "Press", ParamForce); },
         {"id", "name", "force", "type", "caption"}, "button"},
        {"startGroup", [](ptree& t) { ParamStr::startGroup(t, 4, "G"); }, {"id", "name", "type"}, "startgroup"},
        {"endGroup", [](ptree& t) { ParamStr::endGroup(t, 5); }, {"type", "id"}, "endgroup"},
        {"checkBox none", [](ptree& t) { ParamStr::checkBox(t, 6, "C", true, false, 0); },
         {"id", "name", "type", "def", "value"}, "checkbox"},
        {"checkBox all", [](ptree& t) { ParamStr::checkBox(t, 6, "C", true, false, 15); },
         {"id", "name", "disabled", "hidden", "supervise", "force", "type", "def", "value"}, "checkbox"},
        {"colorBox", [](ptree& t) { ParamStr::colorBox(t, 7, "Col", 0xFF000000u, 0xFF8040C0u, ParamHidden); },
         {"id", "name", "hidden", "type", "def", "value"}, "color"},
        {"comboBox", [](ptree& t) { ParamStr::comboBox(t, 8, "Mode", 1, 3, "X|Y|Z", ParamDisabled); },
         {"id", "name", "disabled", "type", "def", "value", "values"}, "combobox"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ptree tree;
        c.build(tree);
        const ptree& param = only(tree);
        EXPECT_EQ(keysOf(param), c.keys);
        EXPECT_EQ(param.get<std::string>("type"), c.type);
        for (const char* flag : {"disabled", "hidden", "supervise", "force"}) {
            if (param.count(flag)) {
                EXPECT_EQ(param.get<std::string>(flag), "true");
            }
        }
        // What travels reads back as the same tree.
        EXPECT_TRUE(deserialize(serialize(tree)) == tree);
    }
}

TEST_F(InfoTest, BuilderValuesReadBackTyped)
{
    ptree tree;
    ParamStr::angle(tree, 1, nullptr, 45.f, -30.25f, 0);
    ParamStr::colorBox(tree, 2, "Col", 0xFF000000u, 0xFF8040C0u, 0);
    ParamStr::comboBox(tree, 3, "Mode", 1, 3, "X|Y|Z", 0);
    ParamStr::checkBox(tree, 4, "On", true, false, 0);
    ParamStr::button(tree, 5, "B", nullptr, 0);
    const ptree back = deserialize(serialize(tree));
    ASSERT_EQ(back.size(), 5u);
    auto it = back.begin();
    EXPECT_EQ(it->second.get<std::string>("name"), "");
    EXPECT_EQ(it->second.get<float>("def"), 45.f);
    EXPECT_EQ(it->second.get<float>("value"), -30.25f);
    ++it;
    EXPECT_EQ(it->second.get<unsigned>("value"), 0xFF8040C0u);
    EXPECT_EQ(it->second.get<unsigned>("def"), 0xFF000000u);
    ++it;
    EXPECT_EQ(it->second.get<int>("value"), 3);
    EXPECT_EQ(it->second.get<std::string>("values"), "X|Y|Z");
    ++it;
    EXPECT_FALSE(it->second.get<bool>("value"));
    EXPECT_TRUE(it->second.get<bool>("def"));
    ++it;
    EXPECT_EQ(it->second.get<std::string>("caption"), "");
}

TEST_F(InfoTest, BuildersAppendAndKeepWhatIsThere)
{
    ptree tree;
    ParamStr::slider(tree, 7, "A", 0, 0, 0, 1, 0);
    ParamStr::slider(tree, 7, "A again", 0, 0, 0, 1, 0);
    ParamStr::endGroup(tree, 9);
    ASSERT_EQ(tree.size(), 3u);
    auto it = tree.begin();
    EXPECT_EQ(it->second.get<std::string>("name"), "A");
    EXPECT_EQ((++it)->second.get<std::string>("name"), "A again");
    EXPECT_EQ((++it)->second.get<int>("id"), 9);
}

// Values and change entries as the two sides fill them: doubles, booleans,
// 1-based combo indices, unsigned colours.
TEST_F(InfoTest, ValueAndChangeTreesRoundTrip)
{
    ptree values;
    const double detail = 0.1 + 0.2;
    auto addValue = [&](int id, auto value) {
        ptree p;
        p.put("id", id);
        p.put("value", value);
        values.add_child("param", p);
    };
    addValue(1, detail);
    addValue(2, true);
    addValue(3, 2);
    addValue(4, 0xFF102030u);
    ptree idOnly;
    idOnly.put("id", 5);
    values.add_child("param", idOnly);
    const ptree back = deserialize(serialize(values));
    ASSERT_TRUE(back == values);
    auto it = back.begin();
    EXPECT_EQ(it->second.get<double>("value"), detail);
    EXPECT_TRUE((++it)->second.get<bool>("value"));
    EXPECT_EQ((++it)->second.get<int>("value"), 2);
    EXPECT_EQ((++it)->second.get<unsigned>("value"), 0xFF102030u);
    EXPECT_FALSE((++it)->second.get_optional<std::string>("value"));

    // Readers accept 1 and 0 for booleans.
    const ptree change = deserialize("param\n{\n    id 2\n    hidden 1\n    force 0\n}\n");
    EXPECT_TRUE(only(change).get<bool>("hidden"));
    EXPECT_FALSE(only(change).get<bool>("force"));
}

TEST_F(InfoTest, OddTextSurvivesTheRoundTrip)
{
    const std::vector<std::string> texts = {
        "",           "with space", "quote\"inside", "back\\slash", "semi;colon", "{brace}",    "tab\there",
        "new\nline",  "cr\r\nlf",   "\xc3\xbc\xc3\xa9", "#include x", "trailing\\", "a\\nb",      "\"",
        "}",          "  padded  ", "X|Y|Z",     "-1.5e10",    std::string("nul\0byte", 8),
        std::string(40, '{'), "\\\\", "\" \\",
    };
    for (const std::string& text : texts) {
        ptree tree;
        ParamStr::button(tree, 1, text.c_str(), text.c_str(), 0);
        ptree param;
        param.put("value", text);
        tree.add_child("param", param);
        const ptree back = deserialize(serialize(tree));
        ASSERT_EQ(back.size(), 2u) << text;
        EXPECT_EQ(back.begin()->second.get<std::string>("caption"), std::string(text.c_str())) << text;
        EXPECT_EQ((++back.begin())->second.get<std::string>("value"), text) << text;
    }
    EXPECT_EQ(VrpcTest::readFile(log), "");
}

TEST_F(InfoTest, MalformedTextGivesAnEmptyTreeAndOneErrorLine)
{
    const std::vector<std::string> texts = {
        "param\n{\n    id 1\n}\n}\n", "param\n{\n    id 1\n", "name \"unterminated\n", "{\n", "}",
        "#include \"/dev/zero\"\n",   "param\n{\n  #include \"x\"\n}\n",
    };
    for (const std::string& text : texts) {
        std::remove(log.c_str());
        EXPECT_TRUE(deserialize(text).empty()) << text;
        const std::string logged = VrpcTest::readFile(log);
        EXPECT_EQ(VrpcTest::countOccurrences(logged, "[S]: deserialize : ptree_error caught, "), 1) << text;
    }
}

// Text from the channel must never make the reader open a local file, however
// the directive is spelt.
TEST_F(InfoTest, IncludeDirectivesNeverReadALocalFile)
{
    const std::string secret = dir.file("secret.info");
    {
        std::ofstream out(secret);
        out << "leaked 1\n";
    }
    const std::string quoted = "\"" + secret + "\"";
    const std::vector<std::string> texts = {
        "#include " + quoted + "\n",       "# include " + quoted + "\n",  "#\tinclude " + quoted + "\n",
        "\f#include " + quoted + "\n",     "\v#include " + quoted + "\n", "a 1\n\r#include " + quoted + "\n",
        "param\n{\n\t# include " + quoted + "\n}\n",
    };
    for (const std::string& text : texts) {
        std::remove(log.c_str());
        const ptree tree = deserialize(text);
        EXPECT_TRUE(tree.empty()) << text;
        EXPECT_EQ(tree.find("leaked"), tree.not_found()) << text;
        EXPECT_EQ(VrpcTest::countOccurrences(VrpcTest::readFile(log), "[S]: deserialize : ptree_error caught, "), 1)
            << text;
    }
}

namespace {

// `depth` nested children, all on their own lines or all on one line.
std::string nestedText(int depth, bool oneLine)
{
    const char* sep = oneLine ? " " : "\n";
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += std::string("a") + sep + "{" + sep;
    text += std::string("leaf 1") + sep;
    for (int i = 0; i < depth; ++i)
        text += std::string("}") + sep;
    return text;
}

ptree nestedTree(int depth)
{
    ptree tree;
    std::string path = "a";
    for (int i = 1; i < depth; ++i)
        path += ".a";
    tree.put(path + ".leaf", 1);
    return tree;
}

} // namespace

// Text from the peer decides how deep the tree is; copying or destroying a
// tree recurses once per level, so depth is bounded before anything is built.
TEST_F(InfoTest, NestingIsBoundedOnBothSides)
{
    for (bool oneLine : {false, true}) {
        SCOPED_TRACE(oneLine ? "one line" : "line per level");
        std::remove(log.c_str());
        const ptree atBound = deserialize(nestedText(kInfoMaxDepth, oneLine));
        EXPECT_EQ(atBound, nestedTree(kInfoMaxDepth));
        EXPECT_EQ(VrpcTest::readFile(log), "");
        for (int depth : {kInfoMaxDepth + 1, 35000}) {
            std::remove(log.c_str());
            EXPECT_TRUE(deserialize(nestedText(depth, oneLine)).empty()) << depth;
            EXPECT_EQ(VrpcTest::countOccurrences(VrpcTest::readFile(log), "[S]: deserialize : ptree_error caught, "), 1);
        }
    }
    std::remove(log.c_str());
    const ptree atBound = nestedTree(kInfoMaxDepth);
    EXPECT_EQ(deserialize(serialize(atBound)), atBound);
    EXPECT_EQ(serialize(nestedTree(kInfoMaxDepth + 1)), "");
    EXPECT_EQ(VrpcTest::readFile(log), "[S]: serialize : ptree_error caught, nesting too deep ");
}

// A quoted value followed by '\' continues on the next line; the reader
// rebuilds the value for each such line. Nothing we write has them.
TEST_F(InfoTest, ContinuationLinesAreRefused)
{
    std::string many = "big \"" + std::string(498, 'x') + "\" \\\n";
    for (int i = 0; i < 2000; ++i)
        many += "  \"" + std::string(498, 'y') + "\" \\\n";
    many += "  \"end\"\n";
    const std::vector<std::string> texts = {
        "a \"x\" \\\n  \"y\"\n",
        "a \"x\"\t\\ ; comment\n\"y\"\n",
        "param\n{\n    name \"x\"   \\\n    \"y\"\n}\n",
        many,
    };
    for (const std::string& text : texts) {
        std::remove(log.c_str());
        EXPECT_TRUE(deserialize(text).empty()) << text.substr(0, 40);
        EXPECT_EQ(VrpcTest::countOccurrences(VrpcTest::readFile(log), "[S]: deserialize : ptree_error caught, "), 1);
    }
    // Backslashes elsewhere are ordinary escapes or text.
    const ptree plain = deserialize("a x\\\\\nb \"y\\\\\"\nc \"\\\\\" ; \\\n");
    EXPECT_EQ(plain.get<std::string>("a"), "x\\");
    EXPECT_EQ(plain.get<std::string>("b"), "y\\");
    EXPECT_EQ(plain.get<std::string>("c"), "\\");
}

TEST_F(InfoTest, TextLongerThanTheBoundIsRefused)
{
    const auto valueText = [](size_t size) { return "v " + std::string(size - 3, 'z') + "\n"; };
    EXPECT_EQ(deserialize(valueText(kInfoMaxBytes)).get<std::string>("v").size(), kInfoMaxBytes - 3);
    EXPECT_TRUE(deserialize(valueText(kInfoMaxBytes + 1)).empty());
    EXPECT_EQ(VrpcTest::readFile(log), "[S]: deserialize : ptree_error caught, text too long ");

    std::remove(log.c_str());
    ptree tree;
    tree.put("v", std::string(kInfoMaxBytes - 3, 'z'));
    EXPECT_EQ(serialize(tree), valueText(kInfoMaxBytes));
    tree.put("v", std::string(kInfoMaxBytes - 2, 'z'));
    EXPECT_EQ(serialize(tree), "");
    EXPECT_EQ(VrpcTest::readFile(log), "[S]: serialize : ptree_error caught, text too long ");
}

// A key that begins with '#' would start its line like a directive; what we
// write must always read back.
TEST_F(InfoTest, KeysStartingWithAHashReadBack)
{
    for (const std::string key : {"#", "#include", "#x", "##", "#a\\b", "#a\"b", "#\xc3\xa9"}) {
        ptree tree;
        tree.put(ptree::path_type(key, '\0'), "v");
        ptree param;
        param.put(ptree::path_type(key, '\0'), "#data");
        param.add_child(ptree::path_type(key + "2", '\0'), ptree("x"));
        tree.add_child("param", param);
        EXPECT_EQ(deserialize(serialize(tree)), tree) << key << "\n" << serialize(tree);
    }
    EXPECT_EQ(VrpcTest::readFile(log), "");
}
