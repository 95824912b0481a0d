#pragma once

#include <QLoggingCategory>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Routes every Qt message of the process to the system log, standard error
// and a log file, filtered per category by rules from NUVRA_LOG_RULES and the
// rules file "LogRules.txt" in the application's data folder.
class NuvraLogger {
public:
    enum Level : std::int32_t { Debug = 0, Warning = 1, Critical = 2, Fatal = 3, Info = 4 };
    enum MatchKind : std::int32_t { Exact = 0, Prefix = 1 };

    struct LogRule {
        std::string pattern;
        Level level = Critical;
        MatchKind match = Exact;

        // "category = level" or "prefix* = level"; false on anything else.
        bool parse(std::string_view text);
        // Whether this rule makes `other` redundant when it comes later.
        bool covers(const LogRule& other) const;
        bool matches(const char* category) const;
    };

    // Rules in order, later ones winning, and the problems met reading them.
    struct RuleSet {
        std::vector<LogRule> rules;
        std::string errors;

        static RuleSet builtin();
        // One text of rules: ';' or newline separated, '#' ends the text.
        void addRuleText(std::string_view text);
        // The "common" section and the section named by sectionKey.
        void addRulesFile(const QString& path, const QString& sectionKey);
        // Drops rules that a later rule overrides, then rules that repeat the
        // level of the nearest earlier rule covering them.
        void simplify();
        // Sets the category's switches from the last matching rule; false
        // when no rule matched.
        bool apply(QLoggingCategory* category) const;
        // The "pattern[*]=level" lines of the log header.
        std::string describe() const;
    };

    // Takes effect only before the first message; null gives no file.
    static void SetLogFileName(const char* path);
    static void initLogger();
    static void addToSystemLog(const QString& text);
    // Where addToSystemLog writes; MyNSLog0 unless replaced (tests).
    using SystemLogWriter = void (*)(const char* text);
    static void setSystemLogWriter(SystemLogWriter writer);
    static std::string_view trim(std::string_view text);

    static const char* levelName(std::int32_t level);
    // "[wrn] [" and the like; "[#n] [" for a type outside the table.
    static QString typeTag(QtMsgType type);
    // The line as the handler writes it, without the line prefix.
    static QString formatLine(QtMsgType type, const QMessageLogContext& context, const QString& text,
                              const QString& threadText);
};
