#include "effect/Colouring.h"

#include "effect/Clamp.h"
#include "effect/ColouringAvx2.h"
#include "effect/MorvelinParams.h"
#include "pixelstore/CpuFeatures.h"

#include <cmath>

namespace Nuvra {
namespace Effect {

ToneCurve ToneCurve::fromParams(const Morvelin_paramsCalc& params)
{
    ToneCurve t;
    t.p1 = float(params.dark_lum_pred) / 255.0f;
    t.p2 = float(params.middle_lum_pred) / 255.0f;
    t.p3 = float(params.high_lum_pred) / 255.0f;
    t.q1 = float(params.dark_lum) / 255.0f;
    t.q2 = float(params.middle_lum) / 255.0f;
    t.q3 = float(params.high_lum) / 255.0f;
    return t;
}

NoiseTerms NoiseTerms::fromParams(const Morvelin_paramsCalc& params)
{
    NoiseTerms nt;
    nt.amplitude = float(params.noise);
    nt.noiseOn = params.noise != 0 ? 1 : 0;
    // Not a number is no contrast; 1 and above would divide by zero or flip
    // the picture, so the factor stays finite and positive.
    const float contrast = std::isnan(params.contrast) ? 0.0f : std::fmin(params.contrast, 0.99999994f);
    nt.contrastOn = contrast != 0.0f ? 1 : 0;
    nt.contrastFactor = contrast <= 0.0f ? contrast + 1.0f : 1.00100005f / (1.0f - contrast);
    return nt;
}

Palette paletteFromParams(const Morvelin_paramsCalc& params)
{
    const std::uint32_t colours[5] = {params.darkColor, params.midDarkColor, params.midColor, params.midLightColor,
                                      params.lightColor};
    Palette p;
    for (int i = 0; i < 5; ++i) {
        const std::uint32_t c = colours[i];
        const float r = float(double((c >> 16) & 0xFF) / 255.0);
        const float g = float(double((c >> 8) & 0xFF) / 255.0);
        const float b = float(double(c & 0xFF) / 255.0);
        p.entry[i] = fromRgb(r, g, b);
    }
    return p;
}

ColouringContext ColouringContext::fromParams(const Morvelin_paramsCalc& params)
{
    ColouringContext ctx;
    ctx.tone = ToneCurve::fromParams(params);
    ctx.noise = NoiseTerms::fromParams(params);
    ctx.darken = params.darken;
    ctx.palette = paletteFromParams(params);
    for (int i = 0; i < 3; ++i) {
        const int shift = 16 - 8 * i;
        ctx.darkByte[i] = int((params.darkColor >> shift) & 0xFF);
        ctx.lightByte[i] = int((params.lightColor >> shift) & 0xFF);
        ctx.dark[i] = float(ctx.darkByte[i]) / 255.0f;
        ctx.light[i] = float(ctx.lightByte[i]) / 255.0f;
    }
    return ctx;
}

bool isBlackAndWhite(const Morvelin_paramsCalc& params)
{
    return params.mode == 0 && (params.darkColor & 0xFFFFFFu) == 0 && (params.lightColor & 0xFFFFFFu) == 0xFFFFFFu;
}

ColourBody chooseBody(const Morvelin_paramsCalc& params)
{
    switch (params.mode) {
    case 0:
        if (isBlackAndWhite(params))
            return ColourBody::ToneLuminance;
        return params.usePesk ? ColourBody::TwoColors3D : ColourBody::TwoColors;
    case 1:
        return ColourBody::ToneLuminance;
    case 2:
        return params.usePesk ? ColourBody::FiveColors3D : ColourBody::FiveColors;
    default:
        return ColourBody::None;
    }
}

namespace {

// The body is a template argument, so it is compiled into the loop.
template <void (*Paint)(const ColouringContext&, float, float, std::uint8_t*)>
void paintLoop(const ColouringContext& ctx, const float* lum, const float* noise, std::uint8_t* r, std::uint8_t* g,
               std::uint8_t* b, int from, int count)
{
    std::uint8_t rgb[3];
    for (int i = from; i < count; ++i) {
        Paint(ctx, lum[i], noise[i], rgb);
        r[i] = rgb[0];
        g[i] = rgb[1];
        b[i] = rgb[2];
    }
}

bool wideKernels()
{
    return DataStorage::Simd::kernelsMay(DataStorage::Simd::Isa::Avx2);
}

} // namespace

void toneSpan(const ColouringContext& ctx, float* lum, const float* noise, int count)
{
    int i = wideKernels() ? ColouringAvx2::toneSpan(ctx, lum, noise, count) : 0;
    for (; i < count; ++i)
        lum[i] = toneLuminance(ctx, lum[i], noise[i]);
}

void paintSpan(ColourBody body, const ColouringContext& ctx, const float* lum, const float* noise, std::uint8_t* r,
               std::uint8_t* g, std::uint8_t* b, int count)
{
    // The vector form takes whole groups of eight; the plain bodies the rest.
    const int done = wideKernels() ? ColouringAvx2::paintSpan(body, ctx, lum, noise, r, g, b, count) : 0;
    switch (body) {
    case ColourBody::FiveColors3D: paintLoop<paintFiveColors3D>(ctx, lum, noise, r, g, b, done, count); break;
    case ColourBody::FiveColors: paintLoop<paintFiveColors>(ctx, lum, noise, r, g, b, done, count); break;
    case ColourBody::TwoColors3D: paintLoop<paintTwoColors3D>(ctx, lum, noise, r, g, b, done, count); break;
    case ColourBody::TwoColors: paintLoop<paintTwoColors>(ctx, lum, noise, r, g, b, done, count); break;
    case ColourBody::ToneLuminance:
    case ColourBody::None: break;
    }
}

} // namespace Effect
} // namespace Nuvra
