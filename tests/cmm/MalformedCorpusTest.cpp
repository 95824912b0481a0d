// Every file of the malformed corpus fails cleanly (or, where a fault only
// ends the tag loop, loads) and logs the line that names its fault.

#include "IccTestUtil.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

using namespace Nuvra::CMM;
using namespace Nuvra::CMM::Test;

TEST(MalformedCorpus, EachFileFailsWithItsMessage)
{
    QFile manifest(DataPath(QStringLiteral("cmm/malformed/expected.txt")));
    ASSERT_TRUE(manifest.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&manifest);
    int cases = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.startsWith(QLatin1Char('#')) || line.trimmed().isEmpty())
            continue;
        const QStringList f = line.split(QLatin1Char('\t'));
        ASSERT_EQ(f.size(), 3) << line;
        SCOPED_TRACE(f[0].toStdString());
        LogCapture log;
        cProfile::ptr_t p(new cProfile);
        const QString path = DataPath(QStringLiteral("cmm/malformed/") + f[0]);
        ASSERT_TRUE(QFile::exists(path));
        EXPECT_EQ(p->Load(path), f[1] == QLatin1String("loads"));
        EXPECT_TRUE(log.contains(f[2])) << log.joined();
        // The file's name is in the failure line of the directory level.
        if (f[1] == QLatin1String("fails") && log.contains(QStringLiteral("Corrupted '"))) {
            EXPECT_TRUE(log.contains(path)) << log.joined();
        }
        ++cases;
    }
    EXPECT_GE(cases, 20);
}

// Inputs the fuzz targets once found faults with: each must load or fail
// without any fault of its own (the sanitizer builds check that).
TEST(MalformedCorpus, FuzzFindingsStayFixed)
{
    QDir dir(DataPath(QStringLiteral("cmm/fuzz-regressions")));
    const QStringList files = dir.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& f : files) {
        LogCapture log;
        cProfile::ptr_t p(new cProfile);
        if (!p->Load(dir.filePath(f))) {
            EXPECT_FALSE(log.lines().isEmpty()) << f.toStdString();
        }
    }
}
