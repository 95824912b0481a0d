// Built with AVX2 enabled; reached only after the kernel switch was asked.
// Branches of the plain bodies become lane masks: every branch is computed
// and the lanes take the one the plain code would have taken, so each lane
// sees the same operations in the same order (no fused operations).

#include "effect/ColouringAvx2.h"

#include <immintrin.h>

namespace Nuvra {
namespace Effect {
namespace ColouringAvx2 {

namespace {

using V = __m256;

inline V set(float v)
{
    return _mm256_set1_ps(v);
}
inline V add(V a, V b)
{
    return _mm256_add_ps(a, b);
}
inline V sub(V a, V b)
{
    return _mm256_sub_ps(a, b);
}
inline V mul(V a, V b)
{
    return _mm256_mul_ps(a, b);
}
inline V div(V a, V b)
{
    return _mm256_div_ps(a, b);
}
inline V gt(V a, V b)
{
    return _mm256_cmp_ps(a, b, _CMP_GT_OQ);
}
inline V ge(V a, V b)
{
    return _mm256_cmp_ps(a, b, _CMP_GE_OQ);
}
inline V lt(V a, V b)
{
    return _mm256_cmp_ps(a, b, _CMP_LT_OQ);
}
inline V both(V a, V b)
{
    return _mm256_and_ps(a, b);
}
// Lanes of mask take a, the others b.
inline V pick(V mask, V a, V b)
{
    return _mm256_blendv_ps(b, a, mask);
}

inline V clamp01(V v)
{
    const V upper = pick(lt(v, set(1.0f)), v, set(1.0f));
    return _mm256_and_ps(gt(v, _mm256_setzero_ps()), upper);
}

inline V nonNegative(V v)
{
    return _mm256_and_ps(gt(v, _mm256_setzero_ps()), v);
}

// ColouringDetail::segment with the end points of one segment.
inline V segment(V y, float x0, float x1, float y0, float y1)
{
    const float width = x1 - x0;
    if (!(width > 0.0f))
        return set(y1);
    return add(div(mul(set(y1 - y0), sub(y, set(x0))), set(width)), set(y0));
}

inline V fraction(V y, float x0, float x1)
{
    const float width = x1 - x0;
    return width > 0.0f ? div(sub(y, set(x0)), set(width)) : set(1.0f);
}

// The four tests of the tone curve and the palette, in their order; a lane
// takes the first that holds.
struct Segments {
    V first, second, third, fourth;
};

inline Segments segmentsOf(const ToneCurve& t, V y)
{
    Segments s;
    s.first = gt(set(t.p1), y);
    s.second = both(ge(y, set(t.p1)), ge(set(t.p2), y));
    s.third = both(gt(y, set(t.p2)), ge(set(t.p3), y));
    s.fourth = gt(y, set(t.p3));
    return s;
}

inline V tone(const ToneCurve& t, V y)
{
    const Segments s = segmentsOf(t, y);
    V r = y;
    r = pick(s.fourth, segment(y, t.p3, 1.0f, t.q3, 1.0f), r);
    r = pick(s.third, segment(y, t.p2, t.p3, t.q2, t.q3), r);
    r = pick(s.second, segment(y, t.p1, t.p2, t.q1, t.q2), r);
    r = pick(s.first, segment(y, 0.0f, t.p1, 0.0f, t.q1), r);
    return r;
}

struct Chroma {
    V y, cb, cr;
};

inline Chroma paletteLookup(const Palette& p, const ToneCurve& t, V y)
{
    const Segments s = segmentsOf(t, y);
    // Not a number takes the darkest entry with f = 0.
    V f = _mm256_setzero_ps();
    f = pick(s.fourth, fraction(y, t.p3, 1.0f), f);
    f = pick(s.third, fraction(y, t.p2, t.p3), f);
    f = pick(s.second, fraction(y, t.p1, t.p2), f);
    f = pick(s.first, t.p1 > 0.0f ? div(y, set(t.p1)) : set(1.0f), f);
    auto channel = [&](float YCbCr::*c) {
        auto from = [&](int lo) { return set(p.entry[lo].*c); };
        auto span = [&](int lo) { return set(p.entry[lo + 1].*c - p.entry[lo].*c); };
        V a = from(0), d = span(0);
        a = pick(s.fourth, from(3), a);
        d = pick(s.fourth, span(3), d);
        a = pick(s.third, from(2), a);
        d = pick(s.third, span(2), d);
        a = pick(s.second, from(1), a);
        d = pick(s.second, span(1), d);
        a = pick(s.first, from(0), a);
        d = pick(s.first, span(0), d);
        return add(a, mul(f, d));
    };
    return Chroma{channel(&YCbCr::y), channel(&YCbCr::cb), channel(&YCbCr::cr)};
}

inline V addNoise(const NoiseTerms& nt, V v, V t, V n)
{
    if (!nt.noiseOn)
        return v;
    const V u = sub(set(1.0f), t);
    const V a = mul(u, u);
    const V b = mul(mul(t, t), t);
    return add(v, mul(mul(mul(mul(a, b), set(0.11372549f)), set(nt.amplitude)), n));
}

inline V applyContrast(const NoiseTerms& nt, V v)
{
    return nt.contrastOn ? add(mul(sub(v, set(0.5f)), set(nt.contrastFactor)), set(0.5f)) : v;
}

inline void limitChroma(V y, V& cb, V& cr)
{
    auto scaleWhere = [&](V mask, V f) {
        cb = pick(mask, mul(cb, f), cb);
        cr = pick(mask, mul(cr, f), cr);
    };
    auto green = [&] { return sub(sub(y, mul(set(0.34414f), cb)), mul(set(0.71414f), cr)); };
    auto weight = [&] { return add(mul(set(0.34414f), cb), mul(set(0.71414f), cr)); };
    V g = green();
    const V low = lt(g, _mm256_setzero_ps());
    scaleWhere(low, div(y, weight()));
    g = pick(low, green(), g);
    scaleWhere(gt(g, set(1.0f)), div(sub(y, set(1.0f)), weight()));
    scaleWhere(gt(div(y, set(-1.772f)), cb), div(y, mul(set(-1.772f), cb)));
    scaleWhere(gt(cb, div(sub(set(1.0f), y), set(1.772f))), div(sub(set(1.0f), y), mul(set(1.772f), cb)));
    scaleWhere(gt(div(y, set(-1.402f)), cr), div(y, mul(set(-1.402f), cr)));
    scaleWhere(gt(cr, div(sub(set(1.0f), y), set(1.402f))), div(sub(set(1.0f), y), mul(set(1.402f), cr)));
}

// saturateToByte: half away from zero, then 0 for negative or NaN, 255 above.
inline __m256i saturateToByte(V v)
{
    const V half = _mm256_or_ps(_mm256_and_ps(v, set(-0.0f)), set(0.5f));
    const V r = _mm256_round_ps(add(v, half), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    return _mm256_cvttps_epi32(_mm256_and_ps(gt(r, _mm256_setzero_ps()), _mm256_min_ps(r, set(255.0f))));
}

// Eight values of 0..255 as bytes.
inline void storeBytes(std::uint8_t* dst, __m256i v)
{
    const __m128i words = _mm_packus_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(words, words));
}

struct Rgb8 {
    __m256i r, g, b;
};

inline Rgb8 toRgb8(V y, V cb, V cr)
{
    const V yy = mul(clamp01(y), set(255.0f));
    const V u = mul(cb, set(255.0f));
    const V v = mul(cr, set(255.0f));
    return Rgb8{saturateToByte(add(yy, mul(set(1.402f), v))),
                saturateToByte(sub(sub(yy, mul(set(0.34414f), u)), mul(set(0.71414f), v))),
                saturateToByte(add(yy, mul(set(1.772f), u)))};
}

inline V toneLuminance(const ColouringContext& ctx, V y, V n)
{
    V v = clamp01(mul(tone(ctx.tone, y), set(ctx.darken)));
    v = addNoise(ctx.noise, v, nonNegative(v), n);
    v = applyContrast(ctx.noise, v);
    return clamp01(v);
}

inline Rgb8 paintFiveColors3D(const ColouringContext& ctx, V y, V n)
{
    Chroma c = paletteLookup(ctx.palette, ctx.tone, y);
    V v = clamp01(mul(clamp01(tone(ctx.tone, y)), set(ctx.darken)));
    limitChroma(v, c.cb, c.cr);
    v = addNoise(ctx.noise, v, nonNegative(v), n);
    v = applyContrast(ctx.noise, v);
    return toRgb8(v, c.cb, c.cr);
}

inline Rgb8 paintFiveColors(const ColouringContext& ctx, V y, V n)
{
    const Chroma c = paletteLookup(ctx.palette, ctx.tone, y);
    V v = clamp01(mul(c.y, set(ctx.darken)));
    v = addNoise(ctx.noise, v, nonNegative(v), n);
    v = applyContrast(ctx.noise, v);
    return toRgb8(v, c.cb, c.cr);
}

inline Rgb8 paintTwoColors3D(const ColouringContext& ctx, V y, V n)
{
    y = addNoise(ctx.noise, y, clamp01(y), n);
    y = applyContrast(ctx.noise, y);
    y = clamp01(y);
    const V t = clamp01(tone(ctx.tone, y));
    V mixed[3];
    for (int i = 0; i < 3; ++i)
        mixed[i] = add(set(ctx.dark[i]), mul(t, set(ctx.light[i] - ctx.dark[i])));
    V cb = add(sub(mul(set(-0.16874f), mixed[0]), mul(set(0.33126f), mixed[1])), mul(set(0.5f), mixed[2]));
    V cr = sub(sub(mul(set(0.5f), mixed[0]), mul(set(0.41869f), mixed[1])), mul(set(0.08131f), mixed[2]));
    const V v = clamp01(mul(t, set(ctx.darken)));
    limitChroma(v, cb, cr);
    return toRgb8(v, cb, cr);
}

inline Rgb8 paintTwoColors(const ColouringContext& ctx, V y, V n)
{
    V v = mul(tone(ctx.tone, y), set(ctx.darken));
    v = addNoise(ctx.noise, v, clamp01(v), n);
    v = applyContrast(ctx.noise, v);
    const V u = clamp01(v);
    __m256i out[3];
    for (int i = 0; i < 3; ++i) {
        const V span = set(float(ctx.lightByte[i] - ctx.darkByte[i]));
        const __m256i step = _mm256_cvttps_epi32(_mm256_floor_ps(add(mul(u, span), set(0.5f))));
        // The plain body keeps the low byte of the sum.
        out[i] = _mm256_and_si256(_mm256_add_epi32(_mm256_set1_epi32(ctx.darkByte[i]), step),
                                  _mm256_set1_epi32(0xFF));
    }
    return Rgb8{out[0], out[1], out[2]};
}

template <Rgb8 (*Paint)(const ColouringContext&, V, V)>
int paintLoop(const ColouringContext& ctx, const float* lum, const float* noise, std::uint8_t* r, std::uint8_t* g,
              std::uint8_t* b, int count)
{
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const Rgb8 c = Paint(ctx, _mm256_loadu_ps(lum + i), _mm256_loadu_ps(noise + i));
        storeBytes(r + i, c.r);
        storeBytes(g + i, c.g);
        storeBytes(b + i, c.b);
    }
    return i;
}

} // namespace

int toneSpan(const ColouringContext& ctx, float* lum, const float* noise, int count)
{
    int i = 0;
    for (; i + 8 <= count; i += 8)
        _mm256_storeu_ps(lum + i, toneLuminance(ctx, _mm256_loadu_ps(lum + i), _mm256_loadu_ps(noise + i)));
    return i;
}

int paintSpan(ColourBody body, const ColouringContext& ctx, const float* lum, const float* noise, std::uint8_t* r,
              std::uint8_t* g, std::uint8_t* b, int count)
{
    switch (body) {
    case ColourBody::FiveColors3D: return paintLoop<paintFiveColors3D>(ctx, lum, noise, r, g, b, count);
    case ColourBody::FiveColors: return paintLoop<paintFiveColors>(ctx, lum, noise, r, g, b, count);
    case ColourBody::TwoColors3D: return paintLoop<paintTwoColors3D>(ctx, lum, noise, r, g, b, count);
    case ColourBody::TwoColors: return paintLoop<paintTwoColors>(ctx, lum, noise, r, g, b, count);
    case ColourBody::ToneLuminance:
    case ColourBody::None: break;
    }
    return 0;
}

} // namespace ColouringAvx2
} // namespace Effect
} // namespace Nuvra
