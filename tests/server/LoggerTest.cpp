#include "server/Logger.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(testCmm, "lib.cmm")
Q_LOGGING_CATEGORY(testDs, "lib.ds")

struct RuleCase {
    const char* text;
    const char* rules;  // the rules list after simplification
    const char* error;  // the failed piece, or "" for none
};

void PrintTo(const RuleCase& c, std::ostream* os)
{
    *os << '"' << c.text << '"';
}

class LoggerRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(LoggerRules, TextGivesTheSimplifiedRuleList)
{
    const RuleCase& c = GetParam();
    NuvraLogger::RuleSet set = NuvraLogger::RuleSet::builtin();
    set.addRuleText(c.text);
    set.simplify();
    EXPECT_EQ(set.describe(), c.rules);
    if (*c.error)
        EXPECT_EQ(set.errors, std::string("Logger ERROR: LogRule::parse() failed on \"") + c.error + "\"");
    else
        EXPECT_EQ(set.errors, "");
}

INSTANTIATE_TEST_SUITE_P(
    Table, LoggerRules,
    ::testing::Values(RuleCase{"", "*=critical\nqt*=info\n", ""},
                      RuleCase{"lib.cmm=debug", "*=critical\nqt*=info\nlib.cmm=debug\n", ""},
                      RuleCase{"lib.*=warning;lib.ds=debug", "*=critical\nqt*=info\nlib.*=warning\nlib.ds=debug\n", ""},
                      // A later prefix rule overrides the earlier exact one.
                      RuleCase{"lib.ds=debug;lib.*=warning", "*=critical\nqt*=info\nlib.*=warning\n", ""},
                      RuleCase{" * = info", "*=info\n", ""},
                      // Same level as the nearest rule covering it: nothing to add.
                      RuleCase{"qt.widgets=info\nlib.ds=critical", "*=critical\nqt*=info\n", ""},
                      RuleCase{"lib.ds=off;lib.cmm=true;a=none;b=false", "*=critical\nqt*=info\nlib.ds=fatal\nlib.cmm=debug\na=fatal\nb=fatal\n", ""},
                      // '#' ends the whole text, not just the rule.
                      RuleCase{"lib.ds=debug # lib.cmm=debug", "*=critical\nqt*=info\nlib.ds=debug\n", ""},
                      RuleCase{"lib.ds=debug;x=info#;lib.cmm=debug", "*=critical\nqt*=info\nlib.ds=debug\nx=info\n", ""},
                      RuleCase{"# all off", "*=critical\nqt*=info\n", ""},
                      RuleCase{"lib.ds=debug;  ", "*=critical\nqt*=info\nlib.ds=debug\n", "  "},
                      RuleCase{"a=1", "*=critical\nqt*=info\n", "a=1"},
                      RuleCase{"lib*ds=debug", "*=critical\nqt*=info\n", "lib*ds=debug"},
                      RuleCase{"x==debug", "*=critical\nqt*=info\n", "x==debug"},
                      RuleCase{"=debug", "*=critical\nqt*=info\n", "=debug"},
                      RuleCase{"lib.ds=", "*=critical\nqt*=info\n", "lib.ds="},
                      RuleCase{"lib.ds=Debug", "*=critical\nqt*=info\n", "lib.ds=Debug"},
                      RuleCase{"lib**=debug", "*=critical\nqt*=info\n", "lib**=debug"}));

struct FilterCase {
    const char* rules;
    const char* category;
    bool debug, info, warning, critical;
};

void PrintTo(const FilterCase& c, std::ostream* os)
{
    *os << '"' << c.rules << "\" on " << c.category;
}

class LoggerFilter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(LoggerFilter, LastMatchingRuleSetsTheLevels)
{
    const FilterCase& c = GetParam();
    NuvraLogger::RuleSet set = NuvraLogger::RuleSet::builtin();
    set.addRuleText(c.rules);
    set.simplify();
    QLoggingCategory category(c.category);
    ASSERT_TRUE(set.apply(&category));
    EXPECT_EQ(category.isDebugEnabled(), c.debug);
    EXPECT_EQ(category.isInfoEnabled(), c.info);
    EXPECT_EQ(category.isWarningEnabled(), c.warning);
    EXPECT_EQ(category.isCriticalEnabled(), c.critical);
}

INSTANTIATE_TEST_SUITE_P(Table, LoggerFilter,
                         ::testing::Values(FilterCase{"", "lib.cmm", false, false, false, true},
                                           FilterCase{"", "qt.core", false, true, true, true},
                                           FilterCase{"", "default", false, false, false, true},
                                           FilterCase{"lib.cmm=debug", "lib.cmm", true, true, true, true},
                                           FilterCase{"lib.cmm=debug", "lib.cmmx", false, false, false, true},
                                           FilterCase{"lib.*=warning;lib.ds=debug", "lib.kernel", false, false, true, true},
                                           FilterCase{"lib.*=warning;lib.ds=debug", "lib.ds", true, true, true, true},
                                           FilterCase{"*=info", "anything", false, true, true, true},
                                           FilterCase{"*=none", "qt.core", false, false, false, false},
                                           FilterCase{"lib.ds=info", "lib.ds", false, true, true, true}));

TEST(LoggerRulesFile, CommonThenOwnSectionIsRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("LogRules.txt"));
    std::ofstream(path.toStdString()) << "lib.kernel=debug\n"  // before any section: ignored
                                         "# a comment line\n"
                                         "[ Common ]\n"
                                         "lib.ds = warning   # trailing comment\n"
                                         "\n"
                                         "[MorvelinVideo]\n"
                                         "lib.cmm=debug\n"
                                         "[OtherProgram]\n"
                                         "lib.ds=debug\n"
                                         "[common]\n"
                                         "default=info\n";
    NuvraLogger::RuleSet set = NuvraLogger::RuleSet::builtin();
    set.addRulesFile(path, QStringLiteral("morvelinvideo"));
    EXPECT_EQ(set.describe(), "*=critical\nqt*=info\nlib.ds=warning\ndefault=info\nlib.cmm=debug\n");
    EXPECT_EQ(set.errors, "");
}

TEST(LoggerRulesFile, MissingFileIsNoErrorButAnUnreadableOneIs)
{
    QTemporaryDir dir;
    NuvraLogger::RuleSet set = NuvraLogger::RuleSet::builtin();
    set.addRulesFile(dir.filePath(QStringLiteral("none.txt")), QStringLiteral("x"));
    EXPECT_EQ(set.errors, "");
    const QString folder = dir.filePath(QStringLiteral("LogRules.txt"));
    QDir().mkpath(folder);
    set.addRulesFile(folder, QStringLiteral("x"));
    EXPECT_EQ(set.errors, "Error opening \"" + folder.toStdString() + "\"\n");
    EXPECT_EQ(set.describe(), "*=critical\nqt*=info\n");
}

TEST(LoggerText, TrimAndLevelNames)
{
    EXPECT_EQ(NuvraLogger::trim(" \t a b \n"), "a b");
    EXPECT_EQ(NuvraLogger::trim("   "), "");
    EXPECT_STREQ(NuvraLogger::levelName(NuvraLogger::Info), "info");
    EXPECT_STREQ(NuvraLogger::levelName(17), "<error>");
}

TEST(LoggerText, LineFormat)
{
    const QMessageLogContext none(nullptr, 0, nullptr, "lib.cmm");
    const QMessageLogContext where("Tile.cpp", 42, "void f()", "lib.ds");
    const QMessageLogContext functionOnly(nullptr, 0, "void g()", "lib.ds");
    const struct {
        QtMsgType type;
        const QMessageLogContext* context;
        const char* text;
        const char* pattern;
    } cases[] = {
        {QtWarningMsg, &none, "gamut", R"(^\[\d\d:\d\d:\d\d\] \[main\] \[wrn\] \[lib\.cmm\] gamut\n$)"},
        {QtDebugMsg, &none, "done\n", R"(^\[\d\d:\d\d:\d\d\] \[main\] \[dbg\] \[lib\.cmm\] done\n$)"},
        {QtInfoMsg, &none, "x", R"(^\[\d\d:\d\d:\d\d\] \[main\] \[inf\] \[lib\.cmm\] x\n$)"},
        {QtCriticalMsg, &where, "bad", R"(^\[\d\d:\d\d:\d\d\] \[main\] \[crt\] \[lib\.ds\] \[Tile\.cpp:42 void f\(\)\] bad\n$)"},
        {QtCriticalMsg, &functionOnly, "bad", R"(^\[\d\d:\d\d:\d\d\] \[main\] \[crt\] \[lib\.ds\] \[void g\(\)\] bad\n$)"},
        // Only critical and fatal lines name their source.
        {QtWarningMsg, &where, "w", R"(^\[\d\d:\d\d:\d\d\] \[main\] \[wrn\] \[lib\.ds\] w\n$)"},
        {QtFatalMsg, &none, "end", R"(^\[\d\d:\d\d:\d\d\] \[main\] \[fatal\] \[lib\.cmm\] end\n$)"},
    };
    for (const auto& c : cases) {
        const QString line =
            NuvraLogger::formatLine(c.type, *c.context, QString::fromUtf8(c.text), QStringLiteral("main"));
        EXPECT_TRUE(QRegularExpression(QString::fromUtf8(c.pattern)).match(line).hasMatch())
            << line.toStdString();
    }
}

// The logger starts once per process, so each of these runs in a process of
// its own and reports through its exit code, standard error and the files it
// leaves in a folder that the parent chose (the child inherits its name).
class LoggerProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        if (const char* inherited = std::getenv("LOGGER_TEST_DIR")) {
            m_path = QString::fromLocal8Bit(inherited);
        } else {
            m_owned = std::make_unique<QTemporaryDir>();
            m_path = m_owned->path();
            setenv("LOGGER_TEST_DIR", m_path.toLocal8Bit().constData(), 1);
        }
        dir.path = m_path;
        file = dir.filePath(QStringLiteral("app.log"));
    }
    void TearDown() override
    {
        if (m_owned)
            unsetenv("LOGGER_TEST_DIR");
    }

    static std::string read(const QString& path)
    {
        std::ifstream in(path.toStdString(), std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    static void setAge(const QString& path, int seconds)
    {
        struct timeval times[2];
        gettimeofday(&times[0], nullptr);
        times[0].tv_sec -= seconds;
        times[1] = times[0];
        ASSERT_EQ(utimes(path.toLocal8Bit().constData(), times), 0);
    }

    struct Folder {
        QString path;
        QString filePath(const QString& leaf) const { return path + QLatin1Char('/') + leaf; }
    };

    // Starts the logger on `file` with the given rules in the environment.
    static void startLogger(const Folder& dir, const QString& file, const char* rules)
    {
        setenv("XDG_DATA_HOME", dir.path.toLocal8Bit().constData(), 1);
        if (rules)
            setenv("NUVRA_LOG_RULES", rules, 1);
        else
            unsetenv("NUVRA_LOG_RULES");
        NuvraLogger::setSystemLogWriter([](const char*) {});
        NuvraLogger::SetLogFileName(file.toUtf8().constData());
        NuvraLogger::initLogger();
    }

    Folder dir;
    QString file;

private:
    std::unique_ptr<QTemporaryDir> m_owned;
    QString m_path;
};

TEST_F(LoggerProcess, WritesHeaderFilteredLinesAndShutdown)
{
    EXPECT_EXIT(
        {
            startLogger(dir, file, "lib.cmm=debug");
            qCDebug(testCmm, "shown %d", 1);
            qCWarning(testDs, "hidden");
            qCCritical(testDs, "kept");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    const std::string text = read(file);
    EXPECT_EQ(text.rfind("\n\n\n****************************************\nStarted  : ", 0), 0u) << text;
    EXPECT_NE(text.find("\nVersion  :  / 1.6.123.21365 plugin (64bit)\n"), std::string::npos);
    EXPECT_NE(text.find("\nThread ID: "), std::string::npos);
    EXPECT_NE(text.find("Active Log Rules:\n*=critical\nqt*=info\nlib.cmm=debug\n****************************************\n"),
              std::string::npos);
    const QRegularExpression shown(QStringLiteral(R"(\n\[\d+\] \[\d\d:\d\d:\d\d\] \[main\] \[dbg\] \[lib\.cmm\] shown 1\n)"));
    EXPECT_TRUE(shown.match(QString::fromStdString(text)).hasMatch()) << text;
    EXPECT_EQ(text.find("hidden"), std::string::npos);
    EXPECT_NE(text.find("[crt] [lib.ds] kept\n"), std::string::npos);
    const QRegularExpression last(QStringLiteral(R"(\n\[\d+\] \*\*\* Logger shutdown \*\*\*\n$)"));
    EXPECT_TRUE(last.match(QString::fromStdString(text)).hasMatch()) << text;
}

TEST_F(LoggerProcess, AFileOlderThanADayStartsAfresh)
{
    const struct {
        int age;
        bool kept;
    } cases[] = {{2 * 24 * 3600, false}, {3600, true}};
    for (const auto& c : cases) {
        std::ofstream(file.toStdString(), std::ios::trunc) << "earlier run\n";
        setAge(file, c.age);
        EXPECT_EXIT(
            {
                startLogger(dir, file, nullptr);
                qCritical("now");
                std::exit(0);
            },
            ::testing::ExitedWithCode(0), "");
        const std::string text = read(file);
        if (c.kept)
            EXPECT_EQ(text.rfind("earlier run\n\n\n\n****", 0), 0u) << text;
        else
            EXPECT_EQ(text.rfind("****************************************\nStarted", 0), 0u) << text;
    }
}

TEST_F(LoggerProcess, RulesComeFromTheDataFolderFileAndErrorsAreReportedOnce)
{
    QDir(dir.path).mkpath(QStringLiteral("NUVRA"));
    std::ofstream(dir.filePath(QStringLiteral("NUVRA/LogRules.txt")).toStdString())
        << "[morvelinvideo]\nlib.ds=debug\nbroken\n";
    EXPECT_EXIT(
        {
            startLogger(dir, file, "lib.cmm=Debug");
            qCDebug(testDs, "from the file");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    const std::string text = read(file);
    EXPECT_NE(text.find("[dbg] [lib.ds] from the file\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[crt] [default] Errors during Logger initialization:Logger ERROR: LogRule::parse() "
                        "failed on \"lib.cmm=Debug\"Logger ERROR: LogRule::parse() failed on \"broken\"\n"),
              std::string::npos)
        << text;
}

TEST_F(LoggerProcess, NeverWritesThroughALinkOrIntoAPipe)
{
    const QString target = dir.filePath(QStringLiteral("victim"));
    if (!QFile::exists(target))
        std::ofstream(target.toStdString()) << "precious\n";
    const QString link = dir.filePath(QStringLiteral("link.log"));
    // The child process runs this body again in the same folder.
    ASSERT_TRUE(symlink(target.toLocal8Bit().constData(), link.toLocal8Bit().constData()) == 0 || errno == EEXIST);
    const QString fifo = dir.filePath(QStringLiteral("fifo.log"));
    ASSERT_TRUE(mkfifo(fifo.toLocal8Bit().constData(), 0600) == 0 || errno == EEXIST);

    for (const QString& path : {link, fifo, dir.path, QString()}) {
        EXPECT_EXIT(
            {
                startLogger(dir, path, nullptr);
                qCritical("line still reaches standard error");
                std::exit(0);
            },
            ::testing::ExitedWithCode(0),
            "initLogFile\\(\\) FAILED: can't open .*\n.*line still reaches standard error")
            << path.toStdString();
    }
    EXPECT_EQ(read(target), "precious\n");
}

TEST_F(LoggerProcess, AMessageRaisedWhileALineIsWrittenDoesNotDeadlock)
{
    EXPECT_EXIT(
        {
            startLogger(dir, file, nullptr);
            NuvraLogger::setSystemLogWriter([](const char*) {
                static bool once = false;
                if (!once) {
                    once = true;
                    qCritical("inner message");
                }
            });
            alarm(10);  // a deadlock ends the process with SIGALRM
            qCritical("outer message");
            qCritical("next message");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "inner message");
    const std::string text = read(file);
    EXPECT_NE(text.find("outer message\n"), std::string::npos);
    EXPECT_NE(text.find("next message\n"), std::string::npos);
}

TEST_F(LoggerProcess, LinesOfManyThreadsNeverInterleave)
{
    EXPECT_EXIT(
        {
            startLogger(dir, file, nullptr);
            std::vector<std::thread> threads;
            for (int t = 0; t < 4; ++t)
                threads.emplace_back([t] {
                    for (int i = 0; i < 200; ++i)
                        qCritical("thread %d line %d with some length to it", t, i);
                });
            for (auto& thread : threads)
                thread.join();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    std::istringstream lines(read(file));
    const QRegularExpression pattern(
        QStringLiteral(R"(^\[\d+\] \[\d\d:\d\d:\d\d\] \[[0-9a-f]+\] \[crt\] \[default\] thread \d line \d+ with some length to it$)"));
    int count = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("thread ") == std::string::npos || line.find("Thread ID") != std::string::npos)
            continue;
        ++count;
        EXPECT_TRUE(pattern.match(QString::fromStdString(line)).hasMatch()) << line;
    }
    EXPECT_EQ(count, 800);
}

} // namespace
