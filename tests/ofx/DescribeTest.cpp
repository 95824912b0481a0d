// What a host sees of the effect: the descriptor's properties, the two clips
// and the host parameters made from the child's description.
#include "BundleFixture.h"
#include "HostParameterTable.h"

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

TEST_F(Describe, HostParametersFollowTheChildsDescription)
{
    makeFakeBundle();
    ASSERT_EQ(session->start(), kOfxStatOK);
    expectHostParameters(*session);
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
