#include "ServerTestSupport.h"

#include "VRPC/Serialize.h"

#include <QLoggingCategory>

#include <gtest/gtest.h>

#include <map>

namespace ServerTest {

const std::string& suiteLog()
{
    static const TempDir dir;
    static const std::string path = dir.file("suite.log");
    return path;
}

std::string valueText(const Nuvra::VRPC::ParamRecord& r, int preset)
{
    using namespace Nuvra::VRPC;
    const std::map<int, std::string> values = {
        {2, std::to_string(r.detail)},        {3, std::to_string(r.sharpness)},
        {4, std::to_string(r.smudging)},      {5, std::to_string(r.lightness)},
        {6, std::to_string(r.contrast)},      {7, r.colors3D ? "true" : "false"},
        {10, std::to_string(r.shadows)},      {11, std::to_string(r.midtones)},
        {12, std::to_string(r.highlights)},   {15, std::to_string(r.noise)},
        {16, std::to_string(r.noiseSmooth)},  {17, std::to_string(r.noiseAngle) + ".0"},
        {20, std::to_string(r.mode + 1)},     {21, std::to_string(r.colorDark)},
        {22, std::to_string(r.colorMidDark)}, {23, std::to_string(r.colorMid)},
        {24, std::to_string(r.colorMidLight)}, {25, std::to_string(r.colorLight)},
        {30, std::to_string(preset)},
    };
    boost::property_tree::ptree tree;
    for (int id = 1; id <= 30; ++id) {
        boost::property_tree::ptree entry;
        entry.put("id", id);
        const auto it = values.find(id);
        if (it != values.end())
            entry.put("value", it->second);
        tree.add_child("param", entry);
    }
    return serialize(tree);
}

namespace {

class SuiteLog : public testing::Environment {
public:
    void SetUp() override
    {
        Nuvra::VRPC::SetupLogFiles(suiteLog().c_str(), "");
        // The effect and the readers narrate every frame at debug level.
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    }
};

const auto* const g_suiteLog = testing::AddGlobalTestEnvironment(new SuiteLog);

} // namespace

} // namespace ServerTest
