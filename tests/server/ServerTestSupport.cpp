#include "ServerTestSupport.h"

#include <gtest/gtest.h>

namespace ServerTest {

const std::string& suiteLog()
{
    static const TempDir dir;
    static const std::string path = dir.file("suite.log");
    return path;
}

namespace {

class SuiteLog : public testing::Environment {
public:
    void SetUp() override { Nuvra::VRPC::SetupLogFiles(suiteLog().c_str(), ""); }
};

const auto* const g_suiteLog = testing::AddGlobalTestEnvironment(new SuiteLog);

} // namespace

} // namespace ServerTest
