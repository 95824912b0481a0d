#pragma once

// The effect's parameters for the user's default values, as the render server
// maps them (its mapping test holds this record to that), shared by the tests
// and the benchmarks so that "defaults" means one thing everywhere.

#include "effect/Filter.h"

namespace MorvelinTest {

inline Morvelin_paramsCalc defaultParams(int mode = 0)
{
    Morvelin_paramsCalc p{};
    // The server's double-precision mapping rounds these two a step or two
    // away from the nearest float to 0.18 and 0.16.
    p.sigmaBlur = 0x1.70a3d4p-3f;
    p.unsharp = 0x1.47ae16p-3f;
    p.gradients = 0.46f;
    p.line_intg = 1.0f;
    p.dark_lum_pred = 40;
    p.middle_lum_pred = 150;
    p.high_lum_pred = 195;
    p.dark_lum = 51;
    p.middle_lum = 156;
    p.high_lum = 250;
    p.resizing = 1000;
    p.darkColor = 0xFF000000;
    p.midDarkColor = 0xFF808080;
    p.midColor = 0xFFA0A0A0;
    p.midLightColor = 0xFFC0C0C0;
    p.lightColor = 0xFFFFFFFF;
    p.noise = 0;
    p.contrast = 0.0f;
    p.mode = mode;
    p.noiseSmoothOn = 0;
    p.usePesk = 1;
    p.angle = 180;
    p.noiseSmooth = 0.0f;
    p.darken = 1.0f;
    return p;
}

} // namespace MorvelinTest
