// Costs the styles pay on every paint: an extended colour, an icon pixmap
// from the style icon engine, and reading a palette file once per style.
// Qt's own palette lookup and SVG icon engine run beside them as peers.
#include "style/NuvraStyle.h"
#include "style/Palette.h"
#include "style/StyleManager.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QIcon>

#include <benchmark/benchmark.h>

using namespace Nuvra::Style;

static void BM_SkinGetColor(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Skin::getColor(Skin::TabShadow, Qt::black));
}
BENCHMARK(BM_SkinGetColor);

static void BM_QtPaletteColor(benchmark::State& state)
{
    const QPalette palette = QApplication::palette();
    for (auto _ : state)
        benchmark::DoNotOptimize(palette.color(QPalette::Active, QPalette::Window));
}
BENCHMARK(BM_QtPaletteColor);

static void BM_StyleIconPixmap(benchmark::State& state)
{
    const QIcon icon = iconByPrefix(QStringLiteral("skin/checkbox"), QSize(16, 16));
    for (auto _ : state)
        benchmark::DoNotOptimize(icon.pixmap(QSize(16, 16), QIcon::Active, QIcon::Off));
}
BENCHMARK(BM_StyleIconPixmap);

static void BM_QtSvgIconPixmap(benchmark::State& state)
{
    const QIcon icon(QStringLiteral(":/Styles/NuvraStyle/skin/checkbox-normal.svg"));
    for (auto _ : state)
        benchmark::DoNotOptimize(icon.pixmap(QSize(16, 16), QIcon::Active, QIcon::Off));
}
BENCHMARK(BM_QtSvgIconPixmap);

static void BM_ReadExtendedPalette(benchmark::State& state)
{
    QFile file(QStringLiteral(":/Styles/ModernStyle/Extended.palette"));
    file.open(QIODevice::ReadOnly);
    const QByteArray text = file.readAll();
    for (auto _ : state) {
        QBuffer buffer;
        buffer.setData(text);
        buffer.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(XmlPaletteReader(&buffer).readExtPalette(ExtendedPalette()));
    }
}
BENCHMARK(BM_ReadExtendedPalette);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    StyleManager::applyStyle(StyleManager::createStyle(QStringLiteral("NuvraStyle")), 1.0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
