#pragma once

// A bundle of its own for each test: a fresh copy of the built plug-in (so
// each test starts with a plug-in that was never loaded) and a chosen child
// program, in a private folder; plus the host that drives it.

#include "OfxTestHost.h"
#include "TestSupport.h"

#include "ofx/openfx/OfxNames.h"
#include "VRPC/Messages.h"
#include "VRPC/Serialize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <sys/stat.h>
#include <cstdlib>
#include <dirent.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace OfxTest {

inline void copyFile(const std::string& from, const std::string& to)
{
    const std::string bytes = VrpcTest::readFile(from);
    FILE* f = std::fopen(to.c_str(), "wb");
    ASSERT_NE(f, nullptr) << to;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    chmod(to.c_str(), 0755);
}

inline std::vector<std::string> listFolder(const std::string& path)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* e = readdir(dir)) {
            if (e->d_name[0] != '.')
                names.push_back(e->d_name);
        }
        closedir(dir);
    }
    return names;
}

class BundleFixture : public testing::Test {
protected:
    // Builds the bundle with `child` as its child program and loads it.
    void makeBundle(const std::string& child)
    {
        // Each bundle of a test gets a folder of its own.
        root = dir.path() + "/run" + std::to_string(++m_runs);
        mkdir(root.c_str(), 0700);
        records = root + "/records";
        rpc = root + "/rpc";
        const std::string contents = root + "/MorvelinVideo.ofx.bundle/Contents";
        mkdir((root + "/MorvelinVideo.ofx.bundle").c_str(), 0755);
        mkdir(contents.c_str(), 0755);
        mkdir((contents + "/Linux-x86-64").c_str(), 0755);
        mkdir((contents + "/Resources").c_str(), 0755);
        mkdir(records.c_str(), 0700);
        mkdir(rpc.c_str(), 0700);
        ofxPath = contents + "/Linux-x86-64/MorvelinVideo.ofx";
        copyFile(MORVELIN_OFX_PATH, ofxPath);
        if (!child.empty()) {
            ASSERT_EQ(symlink(child.c_str(), (contents + "/Resources/MorvelinVideoMain").c_str()), 0);
        }
        setenv("NUVRA_RPC_DIR", rpc.c_str(), 1);
        setenv("MORVELIN_FAKE_CHILD_DIR", records.c_str(), 1);
        binary = std::make_unique<Binary>(ofxPath);
        session = std::make_unique<Session>(host, binary->plugin(0));
    }

    void makeFakeBundle(const std::string& faults = "")
    {
        setenv("MORVELIN_FAKE_CHILD", faults.c_str(), 1);
        makeBundle(MORVELIN_FAKE_CHILD_PATH);
    }

    // Destroys the instance and unloads the binary, as a host does at exit.
    void unloadBundle()
    {
        if (!binary || !binary->loaded())
            return;
        if (session && session->instanceCreated)
            session->destroyInstance();
        if (session)
            session->unloadAction();
        binary->unload();
    }

    void TearDown() override
    {
        unloadBundle();
        session.reset();
        binary.reset();
    }

    // Files of the recorded requests of one type, in arrival order.
    std::vector<std::string> requests(int type)
    {
        std::vector<std::pair<int, std::string>> found;
        for (const std::string& name : listFolder(records)) {
            int n = 0, t = 0;
            if (std::sscanf(name.c_str(), "req-%d-%d.bin", &n, &t) == 2 && t == type &&
                name.find(".tmp") == std::string::npos)
                found.emplace_back(n, records + "/" + name);
        }
        std::sort(found.begin(), found.end());
        std::vector<std::string> bytes;
        for (const auto& f : found)
            bytes.push_back(VrpcTest::readFile(f.second));
        return bytes;
    }

    // The description the fake child gives instead of its own.
    void writeDescription(const boost::property_tree::ptree& tree)
    {
        mkdir(root.c_str(), 0700);
        mkdir(records.c_str(), 0700);
        writeText(records + "/description.info", Nuvra::VRPC::serialize(tree));
    }

    // The change tree the fake child answers every parameter change with.
    void writeChanges(const boost::property_tree::ptree& tree)
    {
        mkdir(root.c_str(), 0700);
        mkdir(records.c_str(), 0700);
        writeText(records + "/changes.info", Nuvra::VRPC::serialize(tree));
    }

    static void writeText(const std::string& path, const std::string& text)
    {
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }

    std::string startRecord() { return VrpcTest::readFile(records + "/start.txt"); }

    // The child's process id, as it recorded it when it started.
    int childPid()
    {
        const std::string text = startRecord();
        const size_t at = text.find("pid:");
        return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 4);
    }

    VrpcTest::TempDir dir;
    std::string root = dir.path() + "/run1";
    std::string records = root + "/records";
    std::string rpc = root + "/rpc";
    std::string ofxPath;
    Host host;
    std::unique_ptr<Binary> binary;
    std::unique_ptr<Session> session;

private:
    int m_runs = 0;
};

// An image whose every component is a function of its position.
inline void fillPattern(Image& image, int seed = 0)
{
    const OfxRectI b = image.bounds();
    for (int y = b.y1; y < b.y2; ++y) {
        for (int x = b.x1; x < b.x2; ++x) {
            for (int c = 0; c < image.components(); ++c) {
                const int v = (x * 7 + y * 13 + c * 61 + seed * 29) & 255;
                switch (image.depth()) {
                case Depth::Byte: image.set(x, y, c, v); break;
                case Depth::Short: image.set(x, y, c, v * 257 + (x & 127)); break;
                case Depth::Float: image.set(x, y, c, v / 255.0 + ((x & 3) - 1.5) / 1000.0); break;
                }
            }
        }
    }
}

} // namespace OfxTest
