#include "effect/GaussBlur.h"

#include "effect/ProgressData.h"
#include "effect/RecursiveGaussPass.h"
#include "effect/ScratchArena.h"
#include "pixelstore/CpuFeatures.h"

#include <xmmintrin.h>
#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

using Nuvra::DataStorage::ProgressData;
using Nuvra::DataStorage::ProgressStage;

namespace Nuvra {
namespace DataStorage {
namespace ns_FastBlur {

namespace {

// Round half away from zero in single precision, saturated so that absurd
// sigmas cannot overflow the conversion.
int roundAwayFromZero(float v, int limit)
{
    const float r = v + std::copysign(0.5f, v);
    if (!(r < float(limit)))
        return r != r ? 0 : limit;
    if (!(r > -float(limit)))
        return -limit;
    return int(r);
}

// Longest line extension: beyond this a larger sigma changes nothing that
// matters, and buffer sizes stay bounded.
constexpr int kMaxExtension = 1 << 16;

} // namespace

void BuildGaussKernel1D(std::vector<float>& kernel, float sigma, int maxSize)
{
    const int n = roundAwayFromZero(6.0f * sigma, 1 << 24);
    int L = n < 3 ? 3 : n + 1;
    L = std::min(L, maxSize);
    if (L % 2 == 0)
        ++L;
    L = std::max(L, 1);
    kernel.assign(size_t(L), 0.0f);
    const int c = L / 2;
    kernel[size_t(c)] = 1.0f;
    const float f = -1.0f / (sigma * sigma + sigma * sigma);
    float sum = 1.0f;
    for (int i = 1; i <= c; ++i) {
        const float t = std::exp(float(i * i) * f);
        kernel[size_t(c - i)] = t;
        kernel[size_t(c + i)] = t;
        sum += t + t;
    }
    for (float& t : kernel)
        t /= sum;
}

RecursiveGaussCoefficients recursiveGaussCoefficients(float sigma)
{
    RecursiveGaussCoefficients c{};
    // Past the longest extension a larger sigma changes nothing that matters,
    // and an infinite one would make every coefficient NaN.
    const double s = std::min(sigma, float(kMaxExtension) / 3.0f);
    c.q = s >= 2.5 ? 0.98711 * s - 0.96330 : 3.97156 - 4.14554 * std::sqrt(1.0 - 0.26891 * s);
    const double q = c.q, q2 = q * q, q3 = q2 * q;
    const double b0 = 1.57825 + 2.44413 * q + 1.4281 * q2 + 0.422205 * q3;
    c.b1 = (2.44413 * q + 2.85619 * q2 + 1.26661 * q3) / b0;
    c.b2 = -(1.4281 * q2 + 1.26661 * q3) / b0;
    c.b3 = 0.422205 * q3 / b0;
    c.B = 1.0 - (c.b1 + c.b2 + c.b3);
    c.P = std::max(0, roundAwayFromZero(3.0f * sigma, kMaxExtension));
    return c;
}

void recursiveGaussLanesPlain(double* line, int M, const RecursiveGaussCoefficients& c)
{
    constexpr int K = kLanes;
    const double B = c.B, b1 = c.b1, b2 = c.b2, b3 = c.b3;
    const double b23 = b2 + b3, b123 = b1 + b2 + b3;
    for (int k = 0; k < K; ++k) {
        double* x = line + k;
        // Before the start every w is x[0]: the filter starts in its steady state.
        const double x0 = x[0];
        x[1 * K] = B * x[1 * K] + b123 * x0;
        x[2 * K] = (B * x[2 * K] + b1 * x[1 * K]) + b23 * x0;
        for (int i = 3; i < M; ++i)
            x[i * K] = ((B * x[i * K] + b1 * x[(i - 1) * K]) + b2 * x[(i - 2) * K]) + b3 * x[(i - 3) * K];
        const double e = x[(M - 1) * K];
        x[(M - 2) * K] = B * x[(M - 2) * K] + b123 * e;
        x[(M - 3) * K] = (B * x[(M - 3) * K] + b1 * x[(M - 2) * K]) + b23 * e;
        for (int i = M - 4; i >= 0; --i)
            x[i * K] = ((B * x[i * K] + b1 * x[(i + 1) * K]) + b2 * x[(i + 2) * K]) + b3 * x[(i + 3) * K];
    }
}

void recursiveGaussLanesSSE2(double* line, int M, const RecursiveGaussCoefficients& c)
{
    detail::recursivePass<detail::Sse2Vec>(line, M, 1, c);
    detail::recursivePass<detail::Sse2Vec>(line, M, -1, c);
}

void recursiveGaussRowsSSE2(const float* const* rows, float* const* outRows, int n, int N, int M, double* line,
                            const RecursiveGaussCoefficients& c)
{
    detail::rowsFused<detail::Sse2Vec>(rows, outRows, n, N, M, line, c);
}

void recursiveGaussColumnsSSE2(const float* in, size_t inStride, float* out, size_t outStride, int N, int M,
                               double* line, const RecursiveGaussCoefficients& c)
{
    detail::columnsFused<detail::Sse2Vec>(in, inStride, out, outStride, N, M, line, c);
}

bool avxAvailable()
{
    return Simd::kernelsMay(Simd::Isa::Avx);
}

void recursiveGaussLanes(double* line, int M, const RecursiveGaussCoefficients& c)
{
    if (avxAvailable())
        Avx::recursiveGaussLanes(line, M, c);
    else if (Simd::kernelsMay(Simd::Isa::Sse2))
        recursiveGaussLanesSSE2(line, M, c);
    else
        recursiveGaussLanesPlain(line, M, c);
}

} // namespace ns_FastBlur
} // namespace DataStorage
} // namespace Nuvra

namespace {

using namespace Nuvra::DataStorage::ns_FastBlur;

void reportSteps(const ProgressStage& stage, int count)
{
    for (int k = 0; k < count; ++k)
        stage.advance();
}

constexpr int kGroups = 4;
constexpr int kAhead = 6;

// The plain path: one line at a time through a single lane, with the
// arithmetic of recursiveGaussLanesPlain.
void recursiveLinePlain(double* x, int M, const RecursiveGaussCoefficients& c)
{
    const double B = c.B, b1 = c.b1, b2 = c.b2, b3 = c.b3;
    const double b23 = b2 + b3, b123 = b1 + b2 + b3;
    const double x0 = x[0];
    x[1] = B * x[1] + b123 * x0;
    x[2] = (B * x[2] + b1 * x[1]) + b23 * x0;
    for (int i = 3; i < M; ++i)
        x[i] = ((B * x[i] + b1 * x[i - 1]) + b2 * x[i - 2]) + b3 * x[i - 3];
    const double e = x[M - 1];
    x[M - 2] = B * x[M - 2] + b123 * e;
    x[M - 3] = (B * x[M - 3] + b1 * x[M - 2]) + b23 * e;
    for (int i = M - 4; i >= 0; --i)
        x[i] = ((B * x[i] + b1 * x[i + 1]) + b2 * x[i + 2]) + b3 * x[i + 3];
}

void recursiveGaussPlain(int width, int height, const float* src, int srcStride, float* dst, int dstStride,
                         float* work, const RecursiveGaussCoefficients& c, const ProgressStage& stage)
{
    const Nuvra::Effect::ScratchBuffer<double> line(size_t(std::max(width, height)) + size_t(c.P));
    double* x = line.data();
    const int Mr = width + c.P;
    for (int y = 0; y < height; ++y) {
        const float* in = src + size_t(y) * size_t(srcStride);
        for (int i = 0; i < Mr; ++i)
            x[i] = double(in[std::min(i, width - 1)]);
        recursiveLinePlain(x, Mr, c);
        float* out = work + size_t(y) * size_t(width);
        for (int i = 0; i < width; ++i)
            out[i] = float(x[i]);
        stage.advance();
        if (stage.cancelled())
            return;
    }
    const int Mc = height + c.P;
    for (int col = 0; col < width; ++col) {
        for (int i = 0; i < Mc; ++i)
            x[i] = double(work[size_t(std::min(i, height - 1)) * size_t(width) + size_t(col)]);
        recursiveLinePlain(x, Mc, c);
        for (int i = 0; i < height; ++i)
            dst[size_t(i) * size_t(dstStride) + size_t(col)] = float(x[i]);
        stage.advance();
        if (stage.cancelled())
            return;
    }
}

// The row and column routines of the widest form the kernel switch allows,
// chosen once per blur.
struct RecursiveForm {
    void (*rows)(const float* const*, float* const*, int, int, int, double*, const RecursiveGaussCoefficients&);
    void (*columns)(const float*, size_t, float*, size_t, int, int, double*, const RecursiveGaussCoefficients&);
};

RecursiveForm vectorForm()
{
    if (avxAvailable())
        return {Avx::recursiveGaussRows, Avx::recursiveGaussColumns};
    return {recursiveGaussRowsSSE2, recursiveGaussColumnsSSE2};
}

// Rows then columns, kLanes lines at a time through one interleaved double
// buffer; the spare lanes of a last partial group repeat its last line.
void recursiveGauss(int width, int height, const float* src, int srcStride, float* dst, int dstStride, float* work,
                    float sigma, ProgressData* progress)
{
    constexpr int K = kLanes;
    const RecursiveGaussCoefficients c = recursiveGaussCoefficients(sigma);
    ProgressStage stage(progress, width + height);
    if (!Nuvra::DataStorage::Simd::kernelsMay(Nuvra::DataStorage::Simd::Isa::Sse2)) {
        recursiveGaussPlain(width, height, src, srcStride, dst, dstStride, work, c, stage);
        return;
    }
    const RecursiveForm form = vectorForm();
    const size_t lineLength = size_t(std::max(width, height)) + size_t(c.P);
    // Every sample of the line is written before it is read.
    const Nuvra::Effect::ScratchBuffer<double> buffer(lineLength * K * kGroups);
    double* line = buffer.data();

    const int Mr = width + c.P;
    for (int y0 = 0; y0 < height; y0 += K) {
        const int n = std::min(K, height - y0);
        const float* in[K];
        float* out[K];
        for (int k = 0; k < K; ++k) {
            const int y = y0 + std::min(k, n - 1);
            in[k] = src + size_t(y) * size_t(srcStride);
            out[k] = work + size_t(y) * size_t(width);
        }
        form.rows(in, out, n, width, Mr, line, c);
        reportSteps(stage, n);
        if (stage.cancelled())
            return;
    }

    // Columns: kGroups groups of K lanes share one sweep down the rows, so
    // every row is touched once per 64 columns rather than once per 16.
    const int Mc = height + c.P;
    for (int x0 = 0; x0 < width; x0 += K * kGroups) {
        static_assert(K * kGroups == detail::kColumnLanes, "one column block");
        if (x0 + K * kGroups <= width) {
            form.columns(work + x0, size_t(width), dst + x0, size_t(dstStride), height, Mc, line, c);
            reportSteps(stage, K * kGroups);
            if (stage.cancelled())
                return;
            continue;
        }
        const int groups = std::min(kGroups, (width - x0 + K - 1) / K);
        for (int i = 0; i < height; ++i) {
            const float* row = work + size_t(i) * size_t(width);
            // The sweep strides down the rows, which the hardware does not
            // foresee well: fetch a few rows ahead.
            if (i + kAhead < height) {
                const char* ahead = reinterpret_cast<const char*>(row + size_t(kAhead) * size_t(width) + x0);
                for (int b = 0; b < groups * K * int(sizeof(float)); b += 64)
                    _mm_prefetch(ahead + b, _MM_HINT_T0);
            }
            for (int g = 0; g < groups; ++g) {
                const int xg = x0 + g * K;
                const int n = std::min(K, width - xg);
                const float* in = row + xg;
                double* l = line + size_t(g) * lineLength * K + size_t(i) * K;
                if (n == K) {
                    for (int k = 0; k < K; k += 4) {
                        const __m128 v = _mm_loadu_ps(in + k);
                        _mm_storeu_pd(l + k, _mm_cvtps_pd(v));
                        _mm_storeu_pd(l + k + 2, _mm_cvtps_pd(_mm_movehl_ps(v, v)));
                    }
                } else {
                    for (int k = 0; k < K; ++k)
                        l[k] = double(in[std::min(k, n - 1)]);
                }
            }
        }
        for (int g = 0; g < groups; ++g) {
            double* l = line + size_t(g) * lineLength * K;
            for (int i = height; i < Mc; ++i)
                std::memcpy(l + size_t(i) * K, l + size_t(height - 1) * K, K * sizeof(double));
            recursiveGaussLanes(l, Mc, c);
        }
        for (int i = 0; i < height; ++i) {
            float* row = dst + size_t(i) * size_t(dstStride);
            for (int g = 0; g < groups; ++g) {
                const int xg = x0 + g * K;
                const int n = std::min(K, width - xg);
                float* o = row + xg;
                const double* l = line + size_t(g) * lineLength * K + size_t(i) * K;
                if (n == K) {
                    for (int k = 0; k < K; k += 4)
                        _mm_storeu_ps(o + k, _mm_movelh_ps(_mm_cvtpd_ps(_mm_loadu_pd(l + k)),
                                                           _mm_cvtpd_ps(_mm_loadu_pd(l + k + 2))));
                } else {
                    for (int k = 0; k < n; ++k)
                        o[k] = float(l[k]);
                }
            }
        }
        reportSteps(stage, std::min(K * kGroups, width - x0));
        if (stage.cancelled())
            return;
    }
}

} // namespace

void gaussBlurWithKernel(int width, int height, const float* src, int srcStride, float* dst, int dstStride,
                         float* work, const std::vector<float>& kernel, ProgressData* progress)
{
    if (width <= 0 || height <= 0 || kernel.empty())
        return;
    Nuvra::Effect::ScratchBuffer<float> ownWork;
    if (!work) {
        ownWork = Nuvra::Effect::ScratchBuffer<float>(size_t(width) * size_t(height));
        work = ownWork.data();
    }
    ProgressStage stage(progress, width + height);
    const float* tap = kernel.data();
    const int L = int(kernel.size());
    const int h = L / 2;
    // An even kernel has one tap fewer right of its centre.
    const int hr = L - 1 - h;

    for (int y = 0; y < height; ++y) {
        const float* in = src + size_t(y) * size_t(srcStride);
        float* out = work + size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x) {
            const int lo = std::max(x - h, 0), hi = std::min(x + hr, width - 1);
            float s = 0.0f, ws = 0.0f;
            for (int i = lo; i <= hi; ++i) {
                const float t = tap[i - x + h];
                s += in[i] * t;
                ws += t;
            }
            out[x] = s / ws;
        }
        stage.advance();
        if (stage.cancelled())
            return;
    }

    // Columns in blocks whose sums advance together; each column still adds
    // its taps from the top down.
    constexpr int kBlock = 64;
    float acc[kBlock];
    for (int x0 = 0; x0 < width; x0 += kBlock) {
        const int n = std::min(kBlock, width - x0);
        for (int y = 0; y < height; ++y) {
            const int lo = std::max(y - h, 0), hi = std::min(y + hr, height - 1);
            float ws = 0.0f;
            for (int k = 0; k < n; ++k)
                acc[k] = 0.0f;
            for (int i = lo; i <= hi; ++i) {
                const float t = tap[i - y + h];
                ws += t;
                const float* in = work + size_t(i) * size_t(width) + size_t(x0);
                for (int k = 0; k < n; ++k)
                    acc[k] += in[k] * t;
            }
            float* out = dst + size_t(y) * size_t(dstStride) + size_t(x0);
            for (int k = 0; k < n; ++k)
                out[k] = acc[k] / ws;
        }
        reportSteps(stage, n);
        if (stage.cancelled())
            return;
    }
}

void gaussBlurChannel(int width, int height, const float* src, int srcStride, float* dst, int dstStride,
                      float sigma, float* work, ProgressData* progress)
{
    // A NaN sigma is no blur at all.
    if (!(sigma > 0.0f)) {
        if (src == dst || width <= 0 || height <= 0)
            return;
        for (int y = 0; y < height; ++y)
            std::memmove(dst + size_t(y) * size_t(dstStride), src + size_t(y) * size_t(srcStride),
                         size_t(width) * sizeof(float));
        return;
    }
    if (width <= 0 || height <= 0)
        return;
    if (height < 4 || width < 4 || sigma < 0.5f) {
        std::vector<float> kernel;
        BuildGaussKernel1D(kernel, sigma, 255);
        gaussBlurWithKernel(width, height, src, srcStride, dst, dstStride, work, kernel, progress);
        return;
    }
    Nuvra::Effect::ScratchBuffer<float> ownWork;
    if (!work) {
        ownWork = Nuvra::Effect::ScratchBuffer<float>(size_t(width) * size_t(height));
        work = ownWork.data();
    }
    recursiveGauss(width, height, src, srcStride, dst, dstStride, work, sigma, progress);
}
