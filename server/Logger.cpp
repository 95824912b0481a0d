#include "server/Logger.h"

#include "platform/SystemInfo.h"
#include "server/AppVars.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QTextStream>
#include <QThread>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct LevelInfo {
    std::int32_t level;
    const char* name;
    const char* tag;
};

constexpr LevelInfo kLevels[] = {
    {NuvraLogger::Debug, "debug", "[dbg] ["},       {NuvraLogger::Info, "info", "[inf] ["},
    {NuvraLogger::Warning, "warning", "[wrn] ["},   {NuvraLogger::Critical, "critical", "[crt] ["},
    {NuvraLogger::Fatal, "fatal", "[fatal] ["},
};

struct Keyword {
    const char* word;
    NuvraLogger::Level level;
};

constexpr Keyword kKeywords[] = {
    {"debug", NuvraLogger::Debug},     {"true", NuvraLogger::Debug},  {"info", NuvraLogger::Info},
    {"warning", NuvraLogger::Warning}, {"critical", NuvraLogger::Critical},
    {"fatal", NuvraLogger::Fatal},     {"false", NuvraLogger::Fatal}, {"off", NuvraLogger::Fatal},
    {"none", NuvraLogger::Fatal},
};

// Which message types a rule's level lets through: debug, info, warning, critical.
struct Switches {
    bool debug, info, warning, critical;
};

Switches switchesFor(std::int32_t level)
{
    switch (level) {
    case NuvraLogger::Debug: return {true, true, true, true};
    case NuvraLogger::Info: return {false, true, true, true};
    case NuvraLogger::Warning: return {false, false, true, true};
    case NuvraLogger::Critical: return {false, false, false, true};
    default: return {false, false, false, false};
    }
}

std::int32_t levelOfType(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return NuvraLogger::Debug;
    case QtInfoMsg: return NuvraLogger::Info;
    case QtWarningMsg: return NuvraLogger::Warning;
    case QtCriticalMsg: return NuvraLogger::Critical;
    case QtFatalMsg: return NuvraLogger::Fatal;
    }
    return -1;
}

// Process-wide state. Never destroyed: threads that outlive main may still
// log while the process exits.
struct LoggerState {
    bool started = false;
    std::optional<QString> fileName;  // unset: the default in the data folder
    NuvraLogger::RuleSet rules = NuvraLogger::RuleSet::builtin();
    QByteArray header;
    QByteArray linePrefix;
    Qt::HANDLE mainThread = nullptr;
    int fd = -1;
    bool fileTried = false;
    QLoggingCategory::CategoryFilter previousFilter = nullptr;
    std::atomic_flag lock = ATOMIC_FLAG_INIT;
};

LoggerState& state()
{
    static LoggerState* s = new LoggerState;
    return *s;
}

// Set while this thread writes a line: a message raised meanwhile (by Qt
// itself, or by the system log) must not wait for the lock this thread holds.
thread_local bool t_inHandler = false;

class SpinGuard {
public:
    explicit SpinGuard(std::atomic_flag& flag) : m_flag(flag)
    {
        while (m_flag.test_and_set(std::memory_order_acquire))
            QThread::yieldCurrentThread();
    }
    ~SpinGuard() { m_flag.clear(std::memory_order_release); }

private:
    std::atomic_flag& m_flag;
};

void writeAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        p += n;
        left -= n;
    }
}

QString defaultLogFile()
{
    return Nuvra::Locations::sharedFolder() + QStringLiteral("/NUVRA.log");
}

// Opens the log as a regular file, never through a link and never a device
// or a pipe; a file older than a day starts afresh.
int openLogFile(const QString& name, bool& appended)
{
    appended = true;
    const QByteArray path = QFile::encodeName(name);
    if (path.isEmpty())
        return -1;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                          0600);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, O_APPEND);
    if (std::time(nullptr) - st.st_mtime > 24 * 60 * 60) {
        if (::ftruncate(fd, 0) == 0)
            appended = false;
    }
    return fd;
}

void openLogOnce(LoggerState& s)
{
    s.fileTried = true;
    const QString name = s.fileName.value_or(defaultLogFile());
    bool appended = true;
    s.fd = openLogFile(name, appended);
    if (s.fd < 0) {
        const QString notice = QStringLiteral("*** initLogFile() FAILED: can't open ") + name;
        NuvraLogger::addToSystemLog(notice);
        std::fputs((notice + QLatin1Char('\n')).toUtf8().constData(), stderr);
        std::fflush(stderr);
        return;
    }
    if (appended)
        writeAll(s.fd, QByteArrayLiteral("\n\n\n"));
    writeAll(s.fd, s.header);
}

QString threadText(const LoggerState& s)
{
    const Qt::HANDLE self = QThread::currentThreadId();
    if (self == s.mainThread)
        return QStringLiteral("main");
    return QString::number(reinterpret_cast<quintptr>(self), 16);
}

void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (t_inHandler) {
        std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stderr);
        return;
    }
    t_inHandler = true;
    LoggerState& s = state();
    {
        SpinGuard guard(s.lock);
        if (!s.fileTried)
            openLogOnce(s);
        const QString line = QString::fromLatin1(s.linePrefix)
                             + NuvraLogger::formatLine(type, context, text, threadText(s));
        NuvraLogger::addToSystemLog(line);
        const QByteArray utf8 = line.toUtf8();
        std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stderr);
        if (s.fd >= 0)
            writeAll(s.fd, utf8);
    }
    t_inHandler = false;
}

void categoryFilter(QLoggingCategory* category)
{
    LoggerState& s = state();
    if (!s.rules.apply(category) && s.previousFilter)
        s.previousFilter(category);
}

QString executablePath()
{
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    QString path = self.canonicalFilePath();
    if (path.isEmpty())
        path = self.symLinkTarget();
    if (path.isEmpty())
        path = QCoreApplication::applicationFilePath();
    return path;
}

QByteArray buildHeader(const NuvraLogger::RuleSet& rules)
{
    const QString separator(40, QLatin1Char('*'));
    QString cpu = QString::fromStdString(Nuvra::Platform::cpuBrand());
    const std::string features = Nuvra::Platform::cpuFeatures();
    if (!features.empty())
        cpu += QStringLiteral(" Features: ") + QString::fromStdString(features);

    QString header;
    header.reserve(4096);
    header += separator;
    header += QStringLiteral("\nStarted  : ")
              + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    header += QStringLiteral("\nProcess  : ") + executablePath();
    header += QStringLiteral("\nVersion  : ") + QCoreApplication::applicationVersion() + QStringLiteral(" / ")
              + Nuvra::AppVars::applicationBuildRev();
    header += QStringLiteral("\nOS       : ") + QSysInfo::prettyProductName();
    header += QStringLiteral("\nCPU      : ") + cpu;
    header += QStringLiteral("\nPID      : ") + QString::number(QCoreApplication::applicationPid());
    header += QStringLiteral("\nThread ID: ")
              + QString::number(reinterpret_cast<quintptr>(QThread::currentThreadId()), 16)
              + QStringLiteral(" - main");
    header += QLatin1Char('\n') + separator + QStringLiteral("\nActive Log Rules:\n");
    header += QString::fromStdString(rules.describe());
    header += separator + QLatin1Char('\n');
    return header.toUtf8();
}

// Writes the closing line when the process exits normally.
struct ShutdownWriter {
    ~ShutdownWriter()
    {
        LoggerState& s = state();
        SpinGuard guard(s.lock);
        if (s.fd < 0)
            return;
        writeAll(s.fd, s.linePrefix + QByteArrayLiteral("*** Logger shutdown ***\n"));
        ::close(s.fd);
        s.fd = -1;
    }
} g_shutdownWriter;

} // namespace

std::string_view NuvraLogger::trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool NuvraLogger::LogRule::parse(std::string_view text)
{
    const auto eq = text.find('=');
    if (eq == std::string_view::npos || text.find('=', eq + 1) != std::string_view::npos)
        return false;
    std::string_view name = trim(text.substr(0, eq));
    const std::string_view value = trim(text.substr(eq + 1));
    if (name.empty() || value.empty())
        return false;
    const Keyword* keyword = nullptr;
    for (const Keyword& k : kKeywords)
        if (value == k.word)
            keyword = &k;
    if (!keyword)
        return false;
    const auto star = name.find('*');
    MatchKind kind = Exact;
    if (star != std::string_view::npos) {
        if (star != name.size() - 1)
            return false;
        name.remove_suffix(1);
        kind = Prefix;
    }
    pattern.assign(name);
    level = keyword->level;
    match = kind;
    return true;
}

bool NuvraLogger::LogRule::covers(const LogRule& other) const
{
    if (match == Prefix)
        return other.pattern.compare(0, pattern.size(), pattern) == 0 && other.pattern.size() >= pattern.size();
    return other.match == Exact && other.pattern == pattern;
}

bool NuvraLogger::LogRule::matches(const char* category) const
{
    const std::string_view name(category ? category : "");
    if (match == Prefix)
        return name.substr(0, pattern.size()) == pattern;
    return name == pattern;
}

NuvraLogger::RuleSet NuvraLogger::RuleSet::builtin()
{
    RuleSet set;
    set.rules.push_back({std::string(), Critical, Prefix});
    set.rules.push_back({std::string("qt"), Info, Prefix});
    return set;
}

void NuvraLogger::RuleSet::addRuleText(std::string_view text)
{
    const auto hash = text.find('#');
    if (hash != std::string_view::npos) {
        text = trim(text.substr(0, hash));
        if (text.empty())
            return;
    }
    while (!text.empty()) {
        const auto cut = text.find_first_of(";\n");
        const std::string_view piece = text.substr(0, cut);
        text = cut == std::string_view::npos ? std::string_view() : text.substr(cut + 1);
        if (piece.empty())
            continue;
        LogRule rule;
        if (rule.parse(piece))
            rules.push_back(std::move(rule));
        else
            errors += "Logger ERROR: LogRule::parse() failed on \"" + std::string(piece) + "\"";
    }
}

void NuvraLogger::RuleSet::addRulesFile(const QString& path, const QString& sectionKey)
{
    QFile file(path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        errors += "Error opening \"" + path.toStdString() + "\"\n";
        return;
    }
    const std::string key = sectionKey.toLatin1().toStdString();
    std::string section;
    std::string common;
    std::string own;
    while (!file.atEnd()) {
        const QByteArray raw = file.readLine();
        std::string_view line(raw.constData(), static_cast<size_t>(raw.size()));
        line = trim(line.substr(0, line.find('#')));
        if (line.empty())
            continue;
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
            section.assign(trim(line.substr(1, line.size() - 2)));
            for (char& c : section)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            continue;
        }
        if (section == "common")
            (common += line) += ';';
        else if (!section.empty() && section == key)
            (own += line) += ';';
    }
    addRuleText(common);
    addRuleText(own);
}

void NuvraLogger::RuleSet::simplify()
{
    for (size_t i = 0; i < rules.size();) {
        bool overridden = false;
        for (size_t j = i + 1; j < rules.size() && !overridden; ++j)
            overridden = rules[j].covers(rules[i]);
        if (overridden)
            rules.erase(rules.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
    for (size_t i = rules.size(); i-- > 0;) {
        for (size_t k = i; k-- > 0;) {
            if (rules[k].covers(rules[i])) {
                if (rules[k].level == rules[i].level)
                    rules.erase(rules.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
    }
}

bool NuvraLogger::RuleSet::apply(QLoggingCategory* category) const
{
    bool matched = false;
    for (const LogRule& rule : rules) {
        if (!rule.matches(category->categoryName()))
            continue;
        const Switches on = switchesFor(rule.level);
        category->setEnabled(QtDebugMsg, on.debug);
        category->setEnabled(QtInfoMsg, on.info);
        category->setEnabled(QtWarningMsg, on.warning);
        category->setEnabled(QtCriticalMsg, on.critical);
        matched = true;
    }
    return matched;
}

std::string NuvraLogger::RuleSet::describe() const
{
    std::string text;
    for (const LogRule& rule : rules)
        text += rule.pattern + (rule.match == Prefix ? "*" : "") + "=" + levelName(rule.level) + "\n";
    return text;
}

const char* NuvraLogger::levelName(std::int32_t level)
{
    for (const LevelInfo& info : kLevels)
        if (info.level == level)
            return info.name;
    return "<error>";
}

QString NuvraLogger::typeTag(QtMsgType type)
{
    const std::int32_t level = levelOfType(type);
    for (const LevelInfo& info : kLevels)
        if (info.level == level)
            return QString::fromLatin1(info.tag);
    return QStringLiteral("[#%1] [").arg(static_cast<int>(type));
}

QString NuvraLogger::formatLine(QtMsgType type, const QMessageLogContext& context, const QString& text,
                                const QString& threadText)
{
    QString line;
    line.reserve(1024);
    line += QTime::currentTime().toString(QStringLiteral("[hh:mm:ss] "));
    line += QLatin1Char('[') + threadText + QStringLiteral("] ");
    line += typeTag(type);
    line += QString::fromLatin1(context.category ? context.category : "") + QStringLiteral("] ");
    if ((type == QtCriticalMsg || type == QtFatalMsg) && (context.file || context.function)) {
        line += QLatin1Char('[');
        if (context.file) {
            line += QString::fromUtf8(context.file) + QLatin1Char(':') + QString::number(context.line);
            if (context.function)
                line += QLatin1Char(' ');
        }
        if (context.function)
            line += QString::fromUtf8(context.function);
        line += QStringLiteral("] ");
    }
    line += text;
    if (!text.endsWith(QLatin1Char('\n')))
        line += QLatin1Char('\n');
    return line;
}

void NuvraLogger::SetLogFileName(const char* path)
{
    state().fileName = QString::fromUtf8(path ? path : "");
}

namespace {
std::atomic<NuvraLogger::SystemLogWriter> g_systemLogWriter{MyNSLog0};
} // namespace

void NuvraLogger::setSystemLogWriter(SystemLogWriter writer)
{
    g_systemLogWriter.store(writer ? writer : MyNSLog0);
}

void NuvraLogger::addToSystemLog(const QString& text)
{
    g_systemLogWriter.load()(text.toUtf8().constData());
}

void NuvraLogger::initLogger()
{
    LoggerState& s = state();
    if (s.started)
        return;
    s.started = true;

    if (const char* env = std::getenv("NUVRA_LOG_RULES"))
        s.rules.addRuleText(env);
    const QString sectionKey =
        Nuvra::AppVars::applicationName().remove(QLatin1Char(' ')).toLower();
    s.rules.addRulesFile(Nuvra::Locations::sharedFolder() + QStringLiteral("/LogRules.txt"), sectionKey);
    s.rules.simplify();

    s.previousFilter = QLoggingCategory::installFilter(categoryFilter);
    s.header = buildHeader(s.rules);
    s.mainThread = QThread::currentThreadId();
    s.linePrefix = "[" + QByteArray::number(QCoreApplication::applicationPid()) + "] ";
    qInstallMessageHandler(messageHandler);

    if (!s.rules.errors.empty()) {
        qCritical().noquote() << "Errors during Logger initialization:" + QString::fromStdString(s.rules.errors);
        s.rules.errors.clear();
    }
}
