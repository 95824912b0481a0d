#pragma once

#include <vector>

namespace Nuvra {
namespace DataStorage {

class ProgressData;

namespace ns_FastBlur {

// Normalised, symmetric, odd-length sampled Gaussian of at most maxSize taps
// (plus one when maxSize is even).
void BuildGaussKernel1D(std::vector<float>& kernel, float sigma, int maxSize);

// Coefficients of the third-order recursive Gaussian (Young / van Vliet).
struct RecursiveGaussCoefficients {
    double q;
    double b1, b2, b3;
    double B;
    int P; // samples by which every line is extended past its end
};
RecursiveGaussCoefficients recursiveGaussCoefficients(float sigma);

// The recursive filter over kLanes interleaved lines of M samples each:
// line[i * kLanes + k] is sample i of line k. Forward then backward, in place.
// The plain, SSE2 and AVX forms give identical results (no fused operations).
constexpr int kLanes = 16;
void recursiveGaussLanesPlain(double* line, int M, const RecursiveGaussCoefficients& c);
void recursiveGaussLanesSSE2(double* line, int M, const RecursiveGaussCoefficients& c);
namespace Avx {
// Needs AVX; built in GaussBlurAvx.cpp.
void recursiveGaussLanes(double* line, int M, const RecursiveGaussCoefficients& c);
} // namespace Avx
bool avxAvailable();
// The form the processor allows.
void recursiveGaussLanes(double* line, int M, const RecursiveGaussCoefficients& c);

} // namespace ns_FastBlur
} // namespace DataStorage
} // namespace Nuvra

// Blurs a single-channel float image (strides in floats) with a Gaussian of
// the given sigma: a copy for sigma <= 0, the sampled kernel for tiny images
// or sigma < 0.5, the recursive filter otherwise. src and dst may be the same
// buffer. work, when given, holds width * height floats.
void gaussBlurChannel(int width, int height, const float* src, int srcStride, float* dst, int dstStride,
                      float sigma, float* work, Nuvra::DataStorage::ProgressData* progress);

// Separable convolution with an odd kernel; taps falling outside the image
// are dropped and the rest renormalised.
void gaussBlurWithKernel(int width, int height, const float* src, int srcStride, float* dst, int dstStride,
                         float* work, const std::vector<float>& kernel,
                         Nuvra::DataStorage::ProgressData* progress);
