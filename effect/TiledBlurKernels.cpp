#include "effect/TiledBlurKernels.h"

#include "effect/ProgressData.h"
#include "pixelstore/CpuFeatures.h"

#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace Nuvra {
namespace DataStorage {
namespace ns_cltBlur {

TB_AlgData::TB_AlgData(float sigma, int n)
{
    passes = std::max(1, n);
    // A negative sigma acts as its magnitude; NaN as no blur.
    float s = std::fabs(sigma);
    if (!(s == s))
        s = 0.0f;
    s = std::min(s, kMaxSigma);
    const float nf = float(passes);
    const int t = int(std::sqrt(12.0f * s * s / nf + 1.0f));
    const int m = t + (t & 1);
    const float wl = float(m - 1), wu = float(m + 1);
    const float vl = (wl * wl - 1.0f) / 12.0f, vu = (wu * wu - 1.0f) / 12.0f;
    a = (s * s / nf - vu) / ((vl - vu) * wl);
    b = (1.0f - wl * a) / wu;
    ab = a + b;
    r = m / 2;
    tileReach = (r - 1) / kBandWidth + 1;
    tileReachAll = (r * passes - 1) / kBandWidth + 1;
}

bool Check_SSEAvailable()
{
    return Simd::kernelsMay(Simd::Isa::Sse);
}

bool Check_AVXAvailable()
{
    return Simd::kernelsMay(Simd::Isa::Avx);
}

AlignedFloats allocateAligned(size_t count)
{
    const size_t bytes = ((count + 3) & ~size_t(3)) * sizeof(float);
    void* p = std::aligned_alloc(16, std::max<size_t>(bytes, 16));
    if (!p)
        throw std::bad_alloc();
    std::memset(p, 0, std::max<size_t>(bytes, 16));
    return AlignedFloats(static_cast<float*>(p));
}

TB_WorkArea::TB_WorkArea(int longestSide, int tilesPerBand)
    : positions(4 * ((std::max(longestSide, 1) + 3) / 4))
{
    const size_t n = size_t(kBandWidth) * size_t(positions);
    store[0] = allocateAligned(n);
    store[1] = allocateAligned(n);
    accumulators = allocateAligned(n);
    io.buffer[0] = store[0].get();
    io.buffer[1] = store[1].get();
    const size_t tiles = size_t(std::max(tilesPerBand, 1));
    uniform.assign(tiles, false);
    expanded.assign(tiles, false);
    inner.assign(tiles, false);
    values.assign(tiles, 0.0f);
}

void ExpandMonotone(std::vector<bool>& out, const std::vector<bool>& in, int count, int reach)
{
    out.assign(in.begin(), in.begin() + std::max(0, std::min<int>(count, int(in.size()))));
    out.resize(in.size(), false);
    if (reach < 1)
        return;
    for (int i = 0; i < count; ++i) {
        if (in[size_t(i)])
            continue;
        // Clear backward until an entry already clear, then forward.
        for (int j = i - 1; j >= std::max(0, i - reach) && out[size_t(j)]; --j)
            out[size_t(j)] = false;
        for (int j = i + 1; j <= std::min(count - 1, i + reach); ++j)
            out[size_t(j)] = false;
    }
}

namespace {

inline int clampIndex(int i, int n) { return i < 0 ? 0 : (i >= n ? n - 1 : i); }

// Tile span of positions.
inline void tileSpan(int tile, int lineLength, int& begin, int& end)
{
    begin = tile * kBandWidth;
    end = std::min(begin + kBandWidth, lineLength);
}

} // namespace

void TB_StartSums(const float* src, float* acc, const TB_AlgData& alg, int s, int lineLength, int lines)
{
    const int r = alg.r;
    const float b = alg.b, ab = alg.ab;
    const float lead = ab * float(r) + b;
    const float* xs = src + size_t(clampIndex(s, lineLength)) * kBandWidth;
    const float* xe = src + size_t(clampIndex(s + r - 1, lineLength)) * kBandWidth;
    for (int j = 0; j < lines; ++j) {
        float inner = 0.0f;
        bool first = true;
        for (int i = s; i <= s + r - 2; ++i) {
            const float v = src[size_t(clampIndex(i, lineLength)) * kBandWidth + size_t(j)];
            inner = first ? v : inner + v;
            first = false;
        }
        acc[j] = (lead * xs[j] + ab * inner) + b * xe[j];
    }
}

void TB_ProcessTile(const float* src, float* dst, float* acc, const TB_AlgData& alg, int tile, int lineLength,
                    int lines, int srcPitch, int dstPitch, bool transposed)
{
    int begin, end;
    tileSpan(tile, lineLength, begin, end);
    const int r = alg.r;
    const float a = alg.a, b = alg.b;
    for (int i = begin; i < end; ++i) {
        const float* xa = src + size_t(clampIndex(i + r, lineLength)) * size_t(srcPitch);
        const float* xb = src + size_t(clampIndex(i - r - 1, lineLength)) * size_t(srcPitch);
        const float* xc = src + size_t(clampIndex(i + r - 1, lineLength)) * size_t(srcPitch);
        const float* xd = src + size_t(clampIndex(i - r, lineLength)) * size_t(srcPitch);
        for (int j = 0; j < lines; ++j) {
            const float v = ((xa[j] - xb[j]) * b + acc[j]) + (xc[j] - xd[j]) * a;
            acc[j] = v;
            if (transposed)
                dst[size_t(j) * size_t(dstPitch) + size_t(i)] = v;
            else
                dst[size_t(i) * size_t(dstPitch) + size_t(j)] = v;
        }
    }
}

void TB_ProcessTile_SSE(const float* src, float* dst, float* acc, const TB_AlgData& alg, int tile, int lineLength,
                        int lines, int srcPitch, int dstPitch, bool transposed)
{
    int begin, end;
    tileSpan(tile, lineLength, begin, end);
    const int r = alg.r;
    const __m128 a = _mm_set1_ps(alg.a), b = _mm_set1_ps(alg.b);
    // The four rows one position reads: entering and leaving samples of the
    // outer and the inner box.
    struct Rows {
        const float *in, *out, *innerIn, *innerOut;
    };
    auto rowsAt = [&](int i) {
        auto row = [&](int k) { return src + size_t(clampIndex(k, lineLength)) * size_t(srcPitch); };
        return Rows{row(i + r), row(i - r - 1), row(i + r - 1), row(i - r)};
    };
    auto step = [&](const Rows& p, __m128 s, int j) {
        const __m128 outer = _mm_sub_ps(_mm_load_ps(p.in + j), _mm_load_ps(p.out + j));
        const __m128 inner = _mm_sub_ps(_mm_load_ps(p.innerIn + j), _mm_load_ps(p.innerOut + j));
        return _mm_add_ps(_mm_add_ps(_mm_mul_ps(outer, b), s), _mm_mul_ps(inner, a));
    };
    // Positions outside, line groups inside: the groups' running sums are
    // independent, so their additions overlap.
    if (!transposed) {
        // Up to 32 lines keep their sums in registers along the whole span.
        constexpr int kChunk = 8;
        for (int j0 = 0; j0 < lines; j0 += 4 * kChunk) {
            const int groups = std::min(kChunk, (lines - j0 + 3) / 4);
            __m128 sums[kChunk];
#pragma GCC unroll 8
            for (int g = 0; g < kChunk; ++g)
                sums[g] = g < groups ? _mm_load_ps(acc + j0 + 4 * g) : _mm_setzero_ps();
            for (int i = begin; i < end; ++i) {
                const Rows p = rowsAt(i);
                float* o = dst + size_t(i) * size_t(dstPitch) + size_t(j0);
                if (groups == kChunk) {
#pragma GCC unroll 8
                    for (int g = 0; g < kChunk; ++g) {
                        sums[g] = step(p, sums[g], j0 + 4 * g);
                        _mm_store_ps(o + 4 * g, sums[g]);
                    }
                } else {
                    for (int g = 0; g < groups; ++g) {
                        sums[g] = step(p, sums[g], j0 + 4 * g);
                        _mm_store_ps(o + 4 * g, sums[g]);
                    }
                }
            }
            for (int g = 0; g < groups; ++g)
                _mm_store_ps(acc + j0 + 4 * g, sums[g]);
        }
        return;
    }
    // Four positions of four lines at a time, stored as a transposed block;
    // the last block may run past the line into the pitch's spare columns.
    for (int i = begin; i < end; i += 4) {
        const Rows p0 = rowsAt(i), p1 = rowsAt(i + 1), p2 = rowsAt(i + 2), p3 = rowsAt(i + 3);
        for (int j = 0; j < lines; j += 4) {
            __m128 v0 = step(p0, _mm_load_ps(acc + j), j);
            __m128 v1 = step(p1, v0, j);
            __m128 v2 = step(p2, v1, j);
            __m128 v3 = step(p3, v2, j);
            _mm_store_ps(acc + j, v3);
            _MM_TRANSPOSE4_PS(v0, v1, v2, v3);
            float* o = dst + size_t(j) * size_t(dstPitch) + size_t(i);
            _mm_store_ps(o, v0);
            _mm_store_ps(o + dstPitch, v1);
            _mm_store_ps(o + 2 * size_t(dstPitch), v2);
            _mm_store_ps(o + 3 * size_t(dstPitch), v3);
        }
    }
}

float* TB_RunPasses(TB_WorkArea& work, const TB_AlgData& alg, int tiles, int lineLength, int lines, int dstPitch,
                    bool useSSE, ProgressData* progress)
{
    const bool avx = useSSE && Check_AVXAvailable();
    const auto process = avx ? Avx::TB_ProcessTile : useSSE ? TB_ProcessTile_SSE : TB_ProcessTile;
    const int laneCount = avx ? (lines + 7) & ~7 : useSSE ? (lines + 3) & ~3 : lines;
    float* dst = nullptr;
    for (int p = 0; p < alg.passes; ++p) {
        const float* src = work.io.buffer[p & 1];
        dst = work.io.buffer[(p & 1) ^ 1];
        const bool last = p == alg.passes - 1;
        bool started = false;
        for (int t = 0; t < tiles; ++t) {
            if (work.expanded[size_t(t)]) {
                if (!last && !work.inner[size_t(t)]) {
                    int begin, end;
                    tileSpan(t, lineLength, begin, end);
                    std::fill(dst + size_t(begin) * kBandWidth, dst + size_t(end) * kBandWidth, work.values[size_t(t)]);
                }
            } else {
                if (!started) {
                    TB_StartSums(src, work.accumulators.get(), alg, t * kBandWidth, lineLength, laneCount);
                    started = true;
                }
                process(src, dst, work.accumulators.get(), alg, t, lineLength, laneCount, kBandWidth,
                        last ? dstPitch : kBandWidth, last);
            }
            if (progress) {
                progress->advance();
                if (progress->cancelled())
                    return nullptr;
            }
        }
    }
    return dst;
}

} // namespace ns_cltBlur
} // namespace DataStorage
} // namespace Nuvra
