#include "ServerTestSupport.h"

#include "server/Renderer.h"
#include "VRPC/RenderHeader.h"
#include "VRPC/Serialize.h"

#include <QLoggingCategory>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace ServerTest {

const std::string& suiteLog()
{
    static const TempDir dir;
    static const std::string path = dir.file("suite.log");
    return path;
}

HostKind::HostKind(int kind) : m_saved(Nuvra::VRPC::host.load())
{
    Nuvra::VRPC::host = kind;
}

HostKind::~HostKind()
{
    Nuvra::VRPC::host = m_saved;
}

std::vector<std::uint8_t> testFrame(int width, int height, std::uint8_t seed)
{
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * 4);
    std::uint32_t x = 12345u + seed;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        x = x * 1103515245u + 12345u;
        pixels[i] = i % 4 == 0 ? 255 : static_cast<std::uint8_t>((i * 7 / 4) % 200 + (x >> 27));
    }
    return pixels;
}

std::vector<char> renderPayload(int width, int height, const std::string& text,
                                const std::vector<std::uint8_t>& pixels)
{
    using namespace Nuvra::VRPC;
    const RenderRequestHeader header = makeRenderRequestHeader(width, height, 0, static_cast<int>(text.size()));
    std::vector<char> bytes(sizeof header + text.size() + pixels.size());
    std::memcpy(bytes.data(), &header, sizeof header);
    std::copy(text.begin(), text.end(), bytes.begin() + sizeof header);
    std::copy(pixels.begin(), pixels.end(), bytes.begin() + sizeof header + text.size());
    return bytes;
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
