#include "style/Scaling.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <climits>
#include <cmath>

namespace Nuvra {
namespace Style {
namespace Scaling {

namespace {

ScreenInfo qtPrimaryScreen()
{
    ScreenInfo info;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return info;
    info.present = true;
    info.virtualSize = screen->virtualSize();
    info.logicalDpi = screen->logicalDotsPerInch();
    return info;
}

ScreenSource g_source = &qtPrimaryScreen;
// The native scale before the grid; below 0 until first computed.
double g_nativeCache = -1.0;

// Nearest integer, halves away from zero, as the grid wants it.
int roundHalfAway(double v)
{
    return static_cast<int>(v > 0 ? v + 0.5 : v - 0.5);
}

} // namespace

double toGrid(double x)
{
    if (x > 2.0)
        return roundHalfAway(x * 2.0) * 0.5;
    return roundHalfAway(x * 4.0) * 0.25;
}

double screenBound(const ScreenInfo& screen)
{
    if (!screen.present || screen.virtualSize.width() <= 0 || screen.virtualSize.height() <= 0)
        return 1.0;
    const double m = std::min(screen.virtualSize.height() / 500.0, screen.virtualSize.width() / 900.0);
    return toGrid(std::clamp(m, 1.0, 3.0));
}

bool usesNative(double requested)
{
    return !std::isfinite(requested) || requested <= 0.0;
}

double boundedScale(double scale, double bound)
{
    return std::max(std::min(scale, bound), kMinimumScale);
}

int scaled(int v, double scale)
{
    const double r = std::trunc(v * scale);
    if (std::isnan(r))
        return 0;
    return static_cast<int>(std::clamp(r, double(INT_MIN), double(INT_MAX)));
}

double nativeScale(const ScreenInfo& screen)
{
    if (!screen.present)
        return 1.0;
    const double bound = screenBound(screen);
    if (g_nativeCache < 0.0) {
        const double dpi = screen.logicalDpi;
        g_nativeCache = std::isfinite(dpi) && dpi > 0.0 ? std::trunc(std::min(dpi, 1e6)) / 72.0 : 1.0;
    }
    // Stored without the grid, so a bound met once keeps lowering later answers.
    g_nativeCache = std::min(std::max(g_nativeCache, 1.0), bound);
    return toGrid(g_nativeCache);
}

void resetNativeScaleCache()
{
    g_nativeCache = -1.0;
}

ScreenInfo primaryScreen()
{
    return g_source();
}

void setScreenSource(ScreenSource source)
{
    g_source = source ? source : &qtPrimaryScreen;
}

} // namespace Scaling
} // namespace Style
} // namespace Nuvra
