#pragma once

// The luminance stages run at the working size on packed row-major float
// buffers (index y * w + x, values 0..1): a sharpening whose gain adapts to the
// frame, an orientation field from the smoothed structure tensor, and a line
// integral that smears the sharpened luminance along that field.

struct Morvelin_paramsCalc;

namespace Nuvra {
namespace DataStorage {
class ProgressData;
}

namespace Effect {

class StageWeights;

// Stage 1, in place: lum = clamp(E + coef * (E - G)) with E, G Gaussian blurs
// of sigma1 and 1.1 * sigma1. Eight progress steps; false when cancelled.
bool sharpenLuminance(int w, int h, float* lum, float sigma1, float unsharp,
                      DataStorage::ProgressData* progress);

// The gain of stage 1 from the statistics of E and D = E - G: unsharp times
// 1.5 sqrt(varE / varD), bounded while varD is within kQuantisedDetail times
// varQ, the variance that 8-bit rounding leaves in D (0: no bound). The plain
// gain whenever the band-pass detail is too weak or the ratio is not finite.
constexpr double kQuantisedDetail = 16.0;
float sharpeningGain(float unsharp, double varE, double varD, double varQ);

// The variance of D = E - G for white 8-bit rounding noise, from the blurs of
// sigma1 and 1.1 * sigma1 that stage 1 runs; 0 when sigma1 blurs nothing.
double quantisationVarianceAfterBandPass(float sigma1);

// Stage 2: per pixel the unit vector along the local edge (the eigenvector of
// the smaller eigenvalue of the structure tensor smoothed with sigmaG).
// Ten progress steps; false when cancelled.
bool orientationField(int w, int h, const float* lum, float sigmaG, float* vx, float* vy,
                      DataStorage::ProgressData* progress);

// The edge direction (not normalised) of the symmetric tensor [a b; b c].
void edgeDirection(float a, float b, float c, float& vx, float& vy);

// Stage 3: out = Gaussian-weighted average of lum along the field's stream
// lines through each pixel, over 2 * length steps each way. One progress step
// per row; false when cancelled (stops at the end of a row). out may be lum.
// Reference: one trace at a time, plain; Interleaved: SSE2; Wide: AVX2 where
// the kernel switch allows it, else SSE2.
enum class LineIntegralPath { Reference, Interleaved, Wide };
bool lineIntegral(int w, int h, const float* lum, const float* vx, const float* vy, float length,
                  float* out, DataStorage::ProgressData* progress);
// All paths give bit-identical results; lineIntegral picks the widest the
// kernel switch allows.
bool lineIntegralWith(LineIntegralPath path, int w, int h, const float* lum, const float* vx,
                      const float* vy, float length, float* out, DataStorage::ProgressData* progress);

// The sharpening lengths as fractions of the half working sum k; the line
// integral's is at most k.
struct LuminanceLengths {
    float sigma1;  // first sharpening blur
    float sigmaG;  // structure-tensor smoothing
    float length;  // line integral
};
LuminanceLengths luminanceLengths(const Morvelin_paramsCalc& params, float k);

// All three stages in place: lum (w * h) is the working luminance on entry
// and the painted luminance on return. Each stage takes its share of the
// frame's progress from weights.
bool runLuminanceStages(int w, int h, float* lum, const Morvelin_paramsCalc& params, float k,
                        const StageWeights& weights,
                        DataStorage::ProgressData* progress);

} // namespace Effect
} // namespace Nuvra
