#pragma once

#include <QSize>

// The arithmetic of the user-interface scale, apart from Qt's screens so that
// it can be checked with any screen.

namespace Nuvra {
namespace Style {
namespace Scaling {

// What the scale needs to know of the primary screen.
struct ScreenInfo {
    bool present = false;  // false without any screen (headless)
    QSize virtualSize;     // the whole virtual desktop, device-independent pixels
    double logicalDpi = 72.0;
};

// The smallest scale that an explicit request is raised to.
constexpr double kMinimumScale = 0.5;

// Steps of 0.25 up to 2 and of 0.5 above; halves away from zero.
double toGrid(double x);
// min(H / 500, W / 900) in 1..3, on the grid; 1.0 without a screen.
double screenBound(const ScreenInfo& screen);
// Whether a requested scale stands for the native one: 0, and also what no
// length can be scaled by (non-finite or negative values, such as an
// unreadable stored setting).
bool usesNative(double requested);
// The scale capped by the screen bound and raised to kMinimumScale.
double boundedScale(double scale, double bound);
// v x scale truncated toward zero, limited to the int range.
int scaled(int v, double scale);

// trunc(dpi) / 72 in 1..bound, cached process-wide and lowered by every
// bound met since; returned on the grid. 1.0 without a screen.
double nativeScale(const ScreenInfo& screen);

// The primary screen as Qt reports it, or as a test has set it.
ScreenInfo primaryScreen();
using ScreenSource = ScreenInfo (*)();
// Replaces the screen query (nullptr restores Qt's); for tests.
void setScreenSource(ScreenSource source);
// Forgets the cached native scale; for tests.
void resetNativeScaleCache();

} // namespace Scaling
} // namespace Style
} // namespace Nuvra
