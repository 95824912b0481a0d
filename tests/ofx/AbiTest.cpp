// The binary as a host meets it: exactly the two OpenFX entry points, no Qt
// and (outside sanitizer builds) no shared C++ runtime, and the plug-in
// record. The record and suite layouts are pinned at compile time by the
// declarations themselves.
#include "OfxTestHost.h"

#include "ofx/openfx/OfxCore.h"
#include "ofx/openfx/OfxSuites.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string run(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof(buffer), p)) > 0)
            out.append(buffer, n);
        pclose(p);
    }
    return out;
}

TEST(OfxBinary, ExportsOnlyTheTwoEntryPoints)
{
    std::istringstream lines(run(std::string("nm -D --defined-only ") + MORVELIN_OFX_PATH));
    std::set<std::string> exported;
    std::string address, kind, name;
    while (lines >> address >> kind >> name)
        exported.insert(name);
    EXPECT_EQ(exported, (std::set<std::string>{"OfxGetNumberOfPlugins", "OfxGetPlugin"}));
}

TEST(OfxBinary, LinksNoQtAndCarriesItsOwnRuntime)
{
    const std::string deps = run(std::string("ldd ") + MORVELIN_OFX_PATH);
    ASSERT_FALSE(deps.empty());
    EXPECT_EQ(deps.find("libQt"), std::string::npos) << deps;
    EXPECT_EQ(deps.find("not found"), std::string::npos) << deps;
#ifndef MORVELIN_SANITIZED_BUILD
    EXPECT_EQ(deps.find("libstdc++"), std::string::npos) << deps;
    EXPECT_EQ(deps.find("libgcc_s"), std::string::npos) << deps;
#endif
}

TEST(OfxBinary, DescribesOneImageEffect)
{
    OfxTest::Binary binary(MORVELIN_OFX_PATH);
    EXPECT_EQ(binary.count(), 1);
    OfxPlugin* plugin = binary.plugin(0);
    ASSERT_NE(plugin, nullptr);
    EXPECT_STREQ(plugin->pluginApi, "OfxImageEffectPluginAPI");
    EXPECT_EQ(plugin->apiVersion, 1);
    EXPECT_STREQ(plugin->pluginIdentifier, "com.nuvra.morvelinvideo");
    EXPECT_EQ(plugin->pluginVersionMajor, 1u);
    EXPECT_EQ(plugin->pluginVersionMinor, 106u);
    EXPECT_NE(plugin->setHost, nullptr);
    EXPECT_NE(plugin->mainEntry, nullptr);
    EXPECT_EQ(binary.plugin(1), nullptr);
    EXPECT_EQ(binary.plugin(-1), nullptr);
}

} // namespace
