#pragma once

#include "style/StyleManager.h"

#include <QApplication>
#include <QColor>
#include <QString>
#include <QStringList>
#include <QStyleOptionSlider>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// A test that applies one style of class S through the style manager, as the
// application does, on an injected screen, and goes back to Fusion after.
template <class S>
class AppliedStyleTest : public ::testing::Test {
protected:
    void applyStyle(const char* name, double scale)
    {
        Nuvra::Style::StyleManager::applyStyle(
            Nuvra::Style::StyleManager::createStyle(QString::fromLatin1(name)), scale);
        style = qobject_cast<S*>(QApplication::style());
        ASSERT_NE(style, nullptr);
        ASSERT_DOUBLE_EQ(style->styleScale(), scale);
    }
    void TearDown() override { QApplication::setStyle(QStringLiteral("Fusion")); }

    InjectedScreen screen{2560, 1440, 72};
    S* style = nullptr;
};

// An enabled scroll-bar option at a value.
inline QStyleOptionSlider scrollBarOption(Qt::Orientation o, int minimum, int maximum, int value, int pageStep,
                                          QRect rect)
{
    QStyleOptionSlider opt;
    opt.orientation = o;
    opt.minimum = minimum;
    opt.maximum = maximum;
    opt.sliderPosition = value;
    opt.sliderValue = value;
    opt.pageStep = pageStep;
    opt.rect = rect;
    opt.state = QStyle::State_Enabled | (o == Qt::Horizontal ? QStyle::State_Horizontal : QStyle::State_None);
    return opt;
}

// Relative luminance and contrast ratio of two colours, as legibility
// guidelines measure them.
inline double luminance(const QColor& c)
{
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

inline double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
