// Costs the styles pay on every paint: an extended colour, an icon pixmap
// from the style icon engine, reading a palette file once per style, and the
// glow of a hovered text-only button. Qt's own palette lookup and SVG icon
// engine run beside them as peers, and the same button unhovered beside the
// hovered one.
#include "style/ComplexDrawing.h"
#include "style/NuvraStyle.h"
#include "style/Palette.h"
#include "style/Scaling.h"
#include "style/StyleManager.h"
#include "style/StyleProperties.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QStyleOptionToolButton>
#include <QToolButton>

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

namespace {

// A text-only "None" tool button of 600x120 in the style's font at the
// benchmark's scale.
struct NoneButton {
    QToolButton widget;
    QStyleOptionToolButton option;

    NoneButton(double scale, QStyle::State state)
    {
        widget.setProperty(nuvraShapeProperty, QString::fromLatin1(nuvraShapeNone));
        option.rect = QRect(0, 0, 600, 120);
        option.text = QStringLiteral("Spray painting");
        QFont font = QApplication::font();
        font.setPixelSize(Scaling::scaled(12, scale));
        option.font = font;
        option.toolButtonStyle = Qt::ToolButtonTextOnly;
        option.state = state;
    }
};

NuvraStyle* styleAt(const char* name, double scale)
{
    static NuvraStyle* const nuvra = qobject_cast<NuvraStyle*>(StyleManager::createStyle(QStringLiteral("NuvraStyle")));
    static NuvraStyle* const modern
        = qobject_cast<NuvraStyle*>(StyleManager::createStyle(QStringLiteral("ModernStyle")));
    NuvraStyle* style = QLatin1String(name) == QLatin1String("NuvraStyle") ? nuvra : modern;
    style->setStyleScale(scale);
    return style;
}

void paintNoneButton(benchmark::State& state, const char* styleName, QStyle::State buttonState)
{
    const double scale = static_cast<double>(state.range(0));
    NuvraStyle* style = styleAt(styleName, scale);
    NoneButton button(scale, buttonState);
    QImage image(button.option.rect.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::transparent);
        QPainter p(&image);
        style->drawComplexControl(QStyle::CC_ToolButton, &button.option, &p, &button.widget);
    }
}

// Scales 1, 2 and 3, timed in milliseconds.
void atScales(benchmark::internal::Benchmark* b)
{
    b->DenseRange(1, 3)->Unit(benchmark::kMillisecond);
}

} // namespace

static void BM_HoveredNoneButton(benchmark::State& state, const char* styleName)
{
    paintNoneButton(state, styleName, QStyle::State_Enabled | QStyle::State_MouseOver);
}
BENCHMARK_CAPTURE(BM_HoveredNoneButton, NuvraStyle, "NuvraStyle")->Apply(atScales);
BENCHMARK_CAPTURE(BM_HoveredNoneButton, ModernStyle, "ModernStyle")->Apply(atScales);

// The same paint without the glow.
static void BM_PlainNoneButton(benchmark::State& state, const char* styleName)
{
    paintNoneButton(state, styleName, QStyle::State_Enabled);
}
BENCHMARK_CAPTURE(BM_PlainNoneButton, NuvraStyle, "NuvraStyle")->Apply(atScales);
BENCHMARK_CAPTURE(BM_PlainNoneButton, ModernStyle, "ModernStyle")->Apply(atScales);

// The glow alone, around the button's text as NuvraStyle lays it out; the
// text stays the caller's, so each call also copies it.
static void BM_GlowAround(benchmark::State& state)
{
    const double scale = static_cast<double>(state.range(0));
    const int g = qRound(5 * scale);
    NoneButton button(scale, QStyle::State_Enabled);
    QImage text(button.option.rect.width() + 2 * g, button.option.rect.height() + 2 * g, QImage::Format_ARGB32);
    text.fill(0);
    {
        QPainter p(&text);
        p.setFont(button.option.font);
        p.drawText(text.rect(), Qt::AlignCenter, button.option.text);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(Complex::glowAround(text, g, Qt::red));
}
BENCHMARK(BM_GlowAround)->Apply(atScales);

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
