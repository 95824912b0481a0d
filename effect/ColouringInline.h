#pragma once

// Definitions of the per-pixel colouring functions, inline so that the tile
// walks compile them into their loops. Included by effect/Colouring.h only.

#include "effect/Clamp.h"

#include <cmath>

namespace Nuvra {
namespace Effect {

namespace ColouringDetail {

// One segment of the broken line; a segment of no width takes its end value
// instead of dividing by zero.
inline float segment(float y, float x0, float x1, float y0, float y1)
{
    const float width = x1 - x0;
    if (!(width > 0.0f))
        return y1;
    return (y1 - y0) * (y - x0) / width + y0;
}

inline float fraction(float y, float x0, float x1)
{
    const float width = x1 - x0;
    return width > 0.0f ? (y - x0) / width : 1.0f;
}

inline float addNoise(const NoiseTerms& nt, float v, float t, float n)
{
    if (!nt.noiseOn)
        return v;
    const float a = (1.0f - t) * (1.0f - t);
    const float b = t * t * t;
    return v + a * b * 0.11372549f * nt.amplitude * n;
}

inline float applyContrast(const NoiseTerms& nt, float v)
{
    return nt.contrastOn ? (v - 0.5f) * nt.contrastFactor + 0.5f : v;
}

inline float nonNegative(float v)
{
    return v > 0.0f ? v : 0.0f;
}

} // namespace ColouringDetail

inline float ToneCurve::operator()(float y) const
{
    if (p1 > y)
        return ColouringDetail::segment(y, 0.0f, p1, 0.0f, q1);
    if (y >= p1 && p2 >= y)
        return ColouringDetail::segment(y, p1, p2, q1, q2);
    if (y > p2 && p3 >= y)
        return ColouringDetail::segment(y, p2, p3, q2, q3);
    if (y > p3)
        return ColouringDetail::segment(y, p3, 1.0f, q3, 1.0f);
    return y;  // not a number, or out-of-order points with y between them
}

inline YCbCr fromRgb(float r, float g, float b)
{
    YCbCr c;
    c.y = 0.299f * r + 0.587f * g + 0.114f * b;
    c.cb = -0.16874f * r - 0.33126f * g + 0.5f * b;
    c.cr = 0.5f * r - 0.41869f * g - 0.08131f * b;
    return c;
}

inline std::uint8_t saturateToByte(float v)
{
    const float r = roundHalfAway(v);
    if (!(r > 0.0f))
        return 0;  // negative or not a number
    return r >= 255.0f ? 255 : std::uint8_t(r);
}

inline void toRgb8(float y, float cb, float cr, std::uint8_t& r, std::uint8_t& g, std::uint8_t& b)
{
    const float yy = clamp01(y) * 255.0f;
    const float u = cb * 255.0f;
    const float v = cr * 255.0f;
    r = saturateToByte(yy + 1.402f * v);
    g = saturateToByte(yy - 0.34414f * u - 0.71414f * v);
    b = saturateToByte(yy + 1.772f * u);
}

inline void limitChroma(float y, float& cb, float& cr)
{
    auto scale = [&](float f) {
        cb = cb * f;
        cr = cr * f;
    };
    float g = y - 0.34414f * cb - 0.71414f * cr;
    if (g < 0.0f) {
        scale(y / (0.34414f * cb + 0.71414f * cr));
        g = y - 0.34414f * cb - 0.71414f * cr;
    }
    if (g > 1.0f)
        scale((y - 1.0f) / (0.34414f * cb + 0.71414f * cr));
    if (y / -1.772f > cb)
        scale(y / (-1.772f * cb));
    if (cb > (1.0f - y) / 1.772f)
        scale((1.0f - y) / (1.772f * cb));
    if (y / -1.402f > cr)
        scale(y / (-1.402f * cr));
    if (cr > (1.0f - y) / 1.402f)
        scale((1.0f - y) / (1.402f * cr));
}

inline YCbCr paletteLookup(const Palette& palette, const ToneCurve& t, float y)
{
    int lo = 0;
    float f = 0.0f;  // not a number takes the darkest entry
    if (t.p1 > y) {
        lo = 0;
        f = t.p1 > 0.0f ? y / t.p1 : 1.0f;
    } else if (y >= t.p1 && t.p2 >= y) {
        lo = 1;
        f = ColouringDetail::fraction(y, t.p1, t.p2);
    } else if (y > t.p2 && t.p3 >= y) {
        lo = 2;
        f = ColouringDetail::fraction(y, t.p2, t.p3);
    } else if (y > t.p3) {
        lo = 3;
        f = ColouringDetail::fraction(y, t.p3, 1.0f);
    }
    const YCbCr& a = palette.entry[lo];
    const YCbCr& b = palette.entry[lo + 1];
    YCbCr c;
    c.y = a.y + f * (b.y - a.y);
    c.cb = a.cb + f * (b.cb - a.cb);
    c.cr = a.cr + f * (b.cr - a.cr);
    return c;
}

inline float toneLuminance(const ColouringContext& ctx, float y, float n)
{
    float v = clamp01(ctx.tone(y) * ctx.darken);
    v = ColouringDetail::addNoise(ctx.noise, v, ColouringDetail::nonNegative(v), n);
    v = ColouringDetail::applyContrast(ctx.noise, v);
    return clamp01(v);
}

inline void paintFiveColors3D(const ColouringContext& ctx, float y, float n, std::uint8_t rgb[3])
{
    YCbCr c = paletteLookup(ctx.palette, ctx.tone, y);
    float v = clamp01(clamp01(ctx.tone(y)) * ctx.darken);
    limitChroma(v, c.cb, c.cr);
    v = ColouringDetail::addNoise(ctx.noise, v, ColouringDetail::nonNegative(v), n);
    v = ColouringDetail::applyContrast(ctx.noise, v);
    toRgb8(v, c.cb, c.cr, rgb[0], rgb[1], rgb[2]);
}

inline void paintFiveColors(const ColouringContext& ctx, float y, float n, std::uint8_t rgb[3])
{
    const YCbCr c = paletteLookup(ctx.palette, ctx.tone, y);
    float v = clamp01(c.y * ctx.darken);
    v = ColouringDetail::addNoise(ctx.noise, v, ColouringDetail::nonNegative(v), n);
    v = ColouringDetail::applyContrast(ctx.noise, v);
    toRgb8(v, c.cb, c.cr, rgb[0], rgb[1], rgb[2]);
}

inline void paintTwoColors3D(const ColouringContext& ctx, float y, float n, std::uint8_t rgb[3])
{
    y = ColouringDetail::addNoise(ctx.noise, y, clamp01(y), n);
    y = ColouringDetail::applyContrast(ctx.noise, y);
    y = clamp01(y);
    const float t = clamp01(ctx.tone(y));
    float mixed[3];
    for (int i = 0; i < 3; ++i)
        mixed[i] = ctx.dark[i] + t * (ctx.light[i] - ctx.dark[i]);
    YCbCr c = fromRgb(mixed[0], mixed[1], mixed[2]);
    const float v = clamp01(t * ctx.darken);
    limitChroma(v, c.cb, c.cr);
    toRgb8(v, c.cb, c.cr, rgb[0], rgb[1], rgb[2]);
}

inline void paintTwoColors(const ColouringContext& ctx, float y, float n, std::uint8_t rgb[3])
{
    float v = ctx.tone(y) * ctx.darken;
    v = ColouringDetail::addNoise(ctx.noise, v, clamp01(v), n);
    v = ColouringDetail::applyContrast(ctx.noise, v);
    const float u = clamp01(v);
    for (int i = 0; i < 3; ++i) {
        const float span = float(ctx.lightByte[i] - ctx.darkByte[i]);
        rgb[i] = std::uint8_t(ctx.darkByte[i] + int(std::floor(u * span + 0.5f)));
    }
}

} // namespace Effect
} // namespace Nuvra
