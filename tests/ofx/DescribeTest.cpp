// What a host sees of the effect: the descriptor's properties, the two clips
// and the host parameters made from the child's description.
#include "BundleFixture.h"

#include "VRPC/ParamStr.h"

namespace {

using namespace OfxTest;

class Describe : public BundleFixture {};

TEST_F(Describe, EffectProperties)
{
    makeFakeBundle();
    ASSERT_EQ(session->load(), kOfxStatOK);
    ASSERT_EQ(session->describe(), kOfxStatOK);
    const PropertySet& p = session->descriptor.props;
    EXPECT_EQ(p.dimension(kOfxImageEffectPropSupportedPixelDepths), 3);
    EXPECT_EQ(p.getString(kOfxImageEffectPropSupportedPixelDepths, 0), kOfxBitDepthByte);
    EXPECT_EQ(p.getString(kOfxImageEffectPropSupportedPixelDepths, 1), kOfxBitDepthShort);
    EXPECT_EQ(p.getString(kOfxImageEffectPropSupportedPixelDepths, 2), kOfxBitDepthFloat);
    EXPECT_EQ(p.getString(kOfxPropLabel), "Morvelin Video");
    EXPECT_EQ(p.getString(kOfxImageEffectPluginPropGrouping), "NUVRA");
    EXPECT_EQ(p.dimension(kOfxImageEffectPropSupportedContexts), 1);
    EXPECT_EQ(p.getString(kOfxImageEffectPropSupportedContexts), kOfxImageEffectContextFilter);
    EXPECT_EQ(p.getString(kOfxPropPluginDescription), "OpenFX plugin for NUVRA Morvelin Video");
    EXPECT_EQ(p.getString(kOfxImageEffectPluginRenderThreadSafety), kOfxImageEffectRenderFullySafe);
    EXPECT_EQ(p.getInt(kOfxImageEffectPluginPropHostFrameThreading), 0);
    EXPECT_EQ(p.getInt(kOfxImageEffectPropSupportsTiles), 0);
}

TEST_F(Describe, HostWithoutAMandatorySuiteIsTold)
{
    for (const char* suite : {kOfxMessageSuite, kOfxParameterSuite}) {
        SCOPED_TRACE(suite);
        Host bare;
        bare.missingSuites.insert(suite);
        Binary binary(MORVELIN_OFX_PATH);
        Session s(bare, binary.plugin(0));
        EXPECT_EQ(s.describe(), kOfxStatErrMissingHostFeature);
        // Nothing that needs the suites runs either.
        EXPECT_EQ(s.describeInContext(), kOfxStatErrMissingHostFeature);
    }
}

TEST_F(Describe, ClipsAndInstanceProperties)
{
    makeFakeBundle();
    ASSERT_EQ(session->start(), kOfxStatOK);
    for (const char* name : {"Source", "Output"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(session->contextDescriptor.clips.count(name), 1u);
        const PropertySet& c = session->contextDescriptor.clips[name]->props;
        ASSERT_EQ(c.dimension(kOfxImageEffectPropSupportedComponents), 2);
        EXPECT_EQ(c.getString(kOfxImageEffectPropSupportedComponents, 0), kOfxImageComponentRGB);
        EXPECT_EQ(c.getString(kOfxImageEffectPropSupportedComponents, 1), kOfxImageComponentRGBA);
    }
    EXPECT_EQ(session->contextDescriptor.clips.size(), 2u);
    const PropertySet& i = session->instance.props;
    EXPECT_EQ(i.getString(kOfxImageEffectPluginRenderThreadSafety), kOfxImageEffectRenderFullySafe);
    EXPECT_EQ(i.getInt(kOfxImageEffectPluginPropHostFrameThreading), 0);
    EXPECT_EQ(i.getInt(kOfxImageEffectPropSupportsTiles), 0);
}

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

const char* const D = kOfxParamTypeDouble;
const char* const B = kOfxParamTypeBoolean;
const char* const C = kOfxParamTypeChoice;
const char* const RGB = kOfxParamTypeRGB;
const char* const G = kOfxParamTypeGroup;
const char* const PB = kOfxParamTypePushButton;

const std::vector<Expected>& expectedParams()
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

std::vector<double> numbers(const std::vector<PropValue>& values)
{
    std::vector<double> out;
    for (const PropValue& v : values)
        out.push_back(std::holds_alternative<int>(v) ? std::get<int>(v) : std::get<double>(v));
    return out;
}

TEST_F(Describe, HostParametersFollowTheChildsDescription)
{
    makeFakeBundle();
    ASSERT_EQ(session->start(), kOfxStatOK);
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

TEST_F(Describe, DescriptionIsFetchedOncePerProcess)
{
    makeFakeBundle();
    ASSERT_EQ(session->start(), kOfxStatOK);
    Session second(host, binary->plugin(0));
    ASSERT_EQ(second.describeInContext(), kOfxStatOK);
    EXPECT_EQ(second.contextDescriptor.params.params.size(), 27u);
    EXPECT_EQ(requests(Nuvra::VRPC::M2S_ParamsSetup).size(), 1u);
    const std::string setup = requests(Nuvra::VRPC::M2S_ParamsSetup).front();
    ASSERT_EQ(setup.size(), 4u);
    EXPECT_EQ(setup, std::string("\x03\x00\x00\x00", 4));
}

TEST_F(Describe, ComboDefaultsClampToTheOptions)
{
    // def counts from 1; 0 or less gives the first option, past the end the
    // last; an unknown kind makes no parameter.
    struct Case {
        int def;
        const char* values;
        int index;
        size_t options;
    } cases[] = {{1, "A|B", 0, 2}, {5, "A|B", 1, 2}, {0, "A|B|C", 0, 3}, {-3, "A", 0, 1}, {2, "A", 0, 1},
                 {3, "A||C", 2, 3}};
    boost::property_tree::ptree tree;
    int id = 1;
    for (const Case& c : cases)
        Nuvra::VRPC::ParamStr::comboBox(tree, id++, "Combo", c.def, c.def, c.values, 2);
    boost::property_tree::ptree odd;
    odd.put("id", 40);
    odd.put("name", "Odd");
    odd.put("type", "knob");
    tree.add_child("param", odd);
    writeDescription(tree);

    makeFakeBundle();
    ASSERT_EQ(session->start(), kOfxStatOK);
    id = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.def) + " " + c.values);
        Param* p = session->contextDescriptor.params.find("P_" + std::to_string(id++));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->props.getInt(kOfxParamPropDefault), c.index);
        EXPECT_EQ(static_cast<size_t>(p->props.dimension(kOfxParamPropChoiceOption)), c.options);
    }
    EXPECT_EQ(session->contextDescriptor.params.find("P_40"), nullptr);
    EXPECT_EQ(session->contextDescriptor.params.params.size(), 1u + 6u);
}

TEST_F(Describe, ActionNamesMatchExactly)
{
    makeFakeBundle();
    ASSERT_EQ(session->load(), kOfxStatOK);
    ASSERT_EQ(session->describe(), kOfxStatOK);
    for (const char* name : {"OfxActionDescribE", "OfxActionDescrib", "OfxActionDescribe ", "OfxImageEffectActionRende",
                             "OfxActionPurgeCaches", ""}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(session->action(name, session->descriptor.handle()), kOfxStatReplyDefault);
    }
    EXPECT_EQ(session->unloadAction(), kOfxStatOK);
}

} // namespace
