#pragma once

// The colouring stage's per-pixel bodies: tone curve, noise and contrast
// terms, the palettes of two and five colours and the chroma-preserving
// ("3D") variants. Everything is single precision; colour arithmetic is
// full-range BT.601 YCbCr on values 0..1.

#include <cstdint>

struct Morvelin_paramsCalc;

namespace Nuvra {
namespace Effect {

// Broken line through (0, 0), (p1, q1), (p2, q2), (p3, q3) and (1, 1). The
// points also serve as the palette thresholds.
struct ToneCurve {
    float p1 = 0, p2 = 0, p3 = 0;
    float q1 = 0, q2 = 0, q3 = 0;

    static ToneCurve fromParams(const Morvelin_paramsCalc& params);
    inline float operator()(float y) const;
};

struct NoiseTerms {
    float amplitude = 0;
    std::uint8_t noiseOn = 0;
    std::uint8_t contrastOn = 0;
    float contrastFactor = 1;

    static NoiseTerms fromParams(const Morvelin_paramsCalc& params);
};

struct YCbCr {
    float y = 0, cb = 0, cr = 0;
};

inline YCbCr fromRgb(float r, float g, float b);
// Rounds half away from zero and saturates to 0..255.
inline void toRgb8(float y, float cb, float cr, std::uint8_t& r, std::uint8_t& g, std::uint8_t& b);
inline std::uint8_t saturateToByte(float v);
// Scales (cb, cr) down until red, green and blue of (y, cb, cr) lie in 0..1.
inline void limitChroma(float y, float& cb, float& cr);

struct Palette {
    YCbCr entry[5];
};
Palette paletteFromParams(const Morvelin_paramsCalc& params);
inline YCbCr paletteLookup(const Palette& palette, const ToneCurve& thresholds, float y);

// Everything a body reads besides the pixel, prepared once per frame.
struct ColouringContext {
    ToneCurve tone;
    NoiseTerms noise;
    float darken = 1;
    Palette palette;
    float dark[3] = {0, 0, 0};   // two-colour mode, 0..1
    float light[3] = {0, 0, 0};
    int darkByte[3] = {0, 0, 0};
    int lightByte[3] = {0, 0, 0};

    static ColouringContext fromParams(const Morvelin_paramsCalc& params);
};

enum class ColourBody { ToneLuminance, FiveColors3D, FiveColors, TwoColors3D, TwoColors, None };

// Which body a frame's mode and colours call for.
ColourBody chooseBody(const Morvelin_paramsCalc& params);
// Black and white in the two-colour mode goes through Lab as toned grey.
bool isBlackAndWhite(const Morvelin_paramsCalc& params);

inline float toneLuminance(const ColouringContext& ctx, float y, float n);
inline void paintFiveColors3D(const ColouringContext& ctx, float y, float n, std::uint8_t rgb[3]);
inline void paintFiveColors(const ColouringContext& ctx, float y, float n, std::uint8_t rgb[3]);
inline void paintTwoColors3D(const ColouringContext& ctx, float y, float n, std::uint8_t rgb[3]);
inline void paintTwoColors(const ColouringContext& ctx, float y, float n, std::uint8_t rgb[3]);

// The tone body over `count` elements, L in place.
void toneSpan(const ColouringContext& ctx, float* lum, const float* noise, int count);
// A palette body over `count` elements into the three 8-bit channels; the
// tone body and None write nothing.
void paintSpan(ColourBody body, const ColouringContext& ctx, const float* lum, const float* noise,
               std::uint8_t* r, std::uint8_t* g, std::uint8_t* b, int count);

} // namespace Effect
} // namespace Nuvra

#include "effect/ColouringInline.h"
