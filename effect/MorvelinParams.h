#pragma once

#include <cstddef>
#include <cstdint>

// The effect's computed parameters: written by the render handler, read (never
// changed) by the effect. The field order and the two adjacent byte fields are
// part of the record's layout.
struct Morvelin_paramsCalc {
    float sigmaBlur;          // first sharpening blur, percent of the half working sum
    float unsharp;            // sharpening gain
    float gradients;          // structure-tensor smoothing, percent of the half working sum
    float line_intg;          // line-integral length, percent of the half working sum
    std::int32_t dark_lum_pred;   // tone-curve inputs and palette thresholds, 0..255
    std::int32_t middle_lum_pred;
    std::int32_t high_lum_pred;
    std::int32_t dark_lum;        // tone-curve outputs, 0..255
    std::int32_t middle_lum;
    std::int32_t high_lum;
    std::int32_t resizing;        // working-size target; <= 0 means no resize
    std::uint32_t darkColor;      // 0xAARRGGBB, alpha ignored
    std::uint32_t midDarkColor;
    std::uint32_t midColor;
    std::uint32_t midLightColor;
    std::uint32_t lightColor;
    std::int32_t noise;           // noise amplitude; 0 switches the layer off
    float contrast;               // 0 switches the contrast term off
    std::int32_t mode;            // 0 two colours, 1 the frame's own colours, 2 five colours
    std::uint8_t noiseSmoothOn;   // 1: streaked noise
    std::uint8_t usePesk;         // 1: chroma-preserving colouring of modes 0 and 2
    std::int32_t angle;           // streak direction, degrees
    float noiseSmooth;            // streak blur sigma, pixels
    float darken;                 // multiplier of the toned luminance
};

static_assert(offsetof(Morvelin_paramsCalc, noiseSmoothOn) == 76, "record layout");
static_assert(offsetof(Morvelin_paramsCalc, usePesk) == 77, "record layout");
static_assert(offsetof(Morvelin_paramsCalc, angle) == 80, "record layout");
static_assert(sizeof(Morvelin_paramsCalc) == 92, "record layout");
