#pragma once

#include "VRPC/Log.h"
#include "../VRPC/TestSupport.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

namespace ServerTest {

using VrpcTest::countOccurrences;
using VrpcTest::readFile;

// A private folder for one test's files, removed afterwards.
class TempDir {
public:
    std::string path() const { return m_dir.path().toStdString(); }
    std::string file(const std::string& leaf) const { return path() + "/" + leaf; }
    std::string write(const std::string& leaf, const std::string& content) const
    {
        const std::string name = file(leaf);
        std::ofstream(name, std::ios::binary) << content;
        return name;
    }

private:
    QTemporaryDir m_dir;
};

// The transport tests' polling helper, with its generous limits.
using VrpcTest::waitFor;

// The transport log of the whole test program (a private file), so lines
// that no test looks at do not fill standard error.
const std::string& suiteLog();

// Sends the transport's log lines to a private file for the life of the
// object, so a test can read what was logged.
class LogCapture {
public:
    LogCapture() { Nuvra::VRPC::SetupLogFiles(m_path.c_str(), ""); }
    ~LogCapture() { Nuvra::VRPC::SetupLogFiles(suiteLog().c_str(), ""); }

    std::string text() const { return readFile(m_path); }
    int count(const std::string& what) const { return countOccurrences(text(), what); }

private:
    TempDir m_dir;
    std::string m_path = m_dir.file("transport.log");
};

} // namespace ServerTest

#include "server/Params.h"

#include <cstdint>
#include <vector>

namespace ServerTest {

// Sets the host kind for the life of the object.
class HostKind {
public:
    explicit HostKind(int kind);
    ~HostKind();

private:
    int m_saved;
};

// A frame of A, R, G, B pixels, opaque, varied by `seed`.
std::vector<std::uint8_t> testFrame(int width, int height, std::uint8_t seed = 1);

// A render request as the plug-in builds it: header, value text, pixels.
std::vector<char> renderPayload(int width, int height, const std::string& text,
                                const std::vector<std::uint8_t>& pixels);

// The value text of all 30 controls as the plug-in sends it: ascending ids,
// combos 1-based, groups and buttons with their id alone.
std::string valueText(const Nuvra::VRPC::ParamRecord& r, int preset);

} // namespace ServerTest
