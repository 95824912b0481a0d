#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

// Readable strings in test failures.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

// Every style test runs inside one QApplication; an unexpected Qt warning
// fails the running test. A test that provokes a warning on purpose names it
// with ExpectedWarnings, which also fails when the warning never comes.
class ExpectedWarnings {
public:
    explicit ExpectedWarnings(QStringList fragments);
    ~ExpectedWarnings();

    ExpectedWarnings(const ExpectedWarnings&) = delete;
    ExpectedWarnings& operator=(const ExpectedWarnings&) = delete;

    // How many warnings containing the fragment arrived so far.
    int count(const QString& fragment) const;
};

// Debug lines written since the last call (debug output is never a failure).
QStringList takeDebugLines();

// Installs a screen of the given virtual size and dots per inch for the
// scale code, and forgets the cached native scale; restores Qt's screen on
// destruction.
class InjectedScreen {
public:
    InjectedScreen(int width, int height, double dpi, bool present = true);
    ~InjectedScreen();
    void set(int width, int height, double dpi, bool present = true);
};

// Path of a fixture folder of this suite.
QString styleFixture(const QString& relative);
