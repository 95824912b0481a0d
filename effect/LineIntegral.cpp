#include "effect/LuminanceStages.h"

#include "effect/Clamp.h"
#include "effect/LineIntegralCells.h"
#include "effect/LineIntegralLanes.h"
#include "effect/ScratchArena.h"
#include "effect/StageSteps.h"
#include "pixelstore/CpuFeatures.h"

#include <emmintrin.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cmath>
#include <cstddef>
#include <vector>

namespace Nuvra {
namespace Effect {

namespace {

// Number of steps each way: 2 * length rounded half away from zero, saturated
// so that absurd lengths cannot overflow the conversion.
int traceSteps(float length)
{
    const float n = roundHalfAway(length + length);
    if (!(n > 0.0f))
        return 0;
    return n < float(INT_MAX / 4) ? int(n) : INT_MAX / 4;
}

std::vector<float> traceWeights(float length, int steps)
{
    std::vector<float> wt(std::size_t(steps) + 1);
    wt[0] = 1.0f;
    const float twoLenSq = length * length + length * length;
    for (int j = 1; j <= steps; ++j) {
        const float jj = float(j) * float(j);
        wt[std::size_t(j)] = std::exp(-jj / twoLenSq);
    }
    return wt;
}

inline int roundToIndex(float v)
{
    return int(v + std::copysign(0.5f, v));
}

// One fourth-order Runge-Kutta step of size 0.5 along the field from the
// pixel's centre. Field samples are turned to agree with the pixel's own
// direction, and vanish outside the image.
inline void stepAt(int w, int h, const float* vx, const float* vy, int x, int y, float& stepX, float& stepY)
{
    const std::size_t i = std::size_t(y) * w + x;
    const float cx = vx[i];
    const float cy = vy[i];
    const float r = std::sqrt(cx * cx + cy * cy);
    if (r == 0.0f) {
        stepX = 0.0f;
        stepY = 0.0f;
        return;
    }
    auto field = [&](float qx, float qy, float& fx, float& fy) {
        const int col = roundToIndex(qx);
        const int row = roundToIndex(qy);
        if (col < 0 || col >= w || row < 0 || row >= h) {
            fx = 0.0f;
            fy = 0.0f;
            return;
        }
        const std::size_t j = std::size_t(row) * w + col;
        fx = vx[j];
        fy = vy[j];
        if (fx * cx + fy * cy < 0.0f) {
            fx = -fx;
            fy = -fy;
        }
    };
    const float px = float(x) + 0.5f;
    const float py = float(y) + 0.5f;
    const float k1x = 0.5f * cx / r;
    const float k1y = 0.5f * cy / r;
    float fx, fy;
    field(px + k1x / 2.0f, py + k1y / 2.0f, fx, fy);
    const float k2x = 0.5f * fx;
    const float k2y = 0.5f * fy;
    field(px + k2x / 2.0f, py + k2y / 2.0f, fx, fy);
    const float k3x = 0.5f * fx;
    const float k3y = 0.5f * fy;
    field(px + k3x, py + k3y, fx, fy);
    const float k4x = 0.5f * fx;
    const float k4y = 0.5f * fy;
    stepX = k1x / 6.0f + k2x / 3.0f + k3x / 3.0f + k4x / 6.0f;
    stepY = k1y / 6.0f + k2y / 3.0f + k3y / 3.0f + k4y / 6.0f;
}

// The step field as (x, y) pairs `stride` floats apart.
void computeStepField(int w, int h, const float* vx, const float* vy, float* steps, int stride)
{
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float* out = steps + (std::size_t(y) * w + x) * std::size_t(stride);
            stepAt(w, h, vx, vy, x, y, out[0], out[1]);
        }
}

inline bool outside(int x, int y, int w, int h)
{
    return x < 0 || x >= w || y < 0 || y >= h;
}

// The straightforward path: one trace at a time, exactly as described.
bool traceReference(int w, int h, const float* lum, const float* vx, const float* vy, int n,
                    const std::vector<float>& wt, float* out, DataStorage::ProgressData* progress)
{
    const ScratchBuffer<float> steps(std::size_t(w) * std::size_t(h) * 2);
    computeStepField(w, h, vx, vy, steps.data(), 2);

    for (int y = 0; y < h; ++y) {
        if (isCancelled(progress))
            return false;
        for (int x = 0; x < w; ++x) {
            const std::size_t i = std::size_t(y) * w + x;
            float acc = lum[i];
            float sum = 1.0f;
            for (int dir = 0; dir < 2; ++dir) {
                float px = float(x) + 0.5f;
                float py = float(y) + 0.5f;
                float dx = steps[2 * i];
                float dy = steps[2 * i + 1];
                if (dir == 1) {
                    dx = -dx;
                    dy = -dy;
                }
                for (int j = 1; j <= n; ++j) {
                    const int cx = int(px);
                    const int cy = int(py);
                    if (outside(cx, cy, w, h))
                        break;
                    const std::size_t c = std::size_t(cy) * w + cx;
                    float sx = steps[2 * c];
                    float sy = steps[2 * c + 1];
                    if (sx * dx + sy * dy < 0.0f) {
                        sx = -sx;
                        sy = -sy;
                    }
                    dx = sx;
                    dy = sy;
                    px = px + dx;
                    py = py + dy;
                    const int nx = int(px);
                    const int ny = int(py);
                    if (outside(nx, ny, w, h))
                        break;
                    acc += wt[std::size_t(j)] * lum[std::size_t(ny) * w + nx];
                    sum += wt[std::size_t(j)];
                }
            }
            out[i] = clamp01(acc / sum);
        }
        advanceSteps(progress);
    }
    return true;
}

using LineIntegralKernels::Cell;

// The SSE2 lanes of the vector paths (LineIntegralLanes.h).
struct SseLanes {
    using F = __m128;
    using I = __m128i;
    static constexpr int kWidth = 4;
    static F set1(float v) { return _mm_set1_ps(v); }
    static F zero() { return _mm_setzero_ps(); }
    static F iota(float x) { return _mm_add_ps(_mm_set1_ps(x), _mm_setr_ps(0, 1, 2, 3)); }
    static F load(const float* p) { return _mm_load_ps(p); }
    static F loadu(const float* p) { return _mm_loadu_ps(p); }
    static void store(float* p, F v) { _mm_store_ps(p, v); }
    static F add(F a, F b) { return _mm_add_ps(a, b); }
    static F mul(F a, F b) { return _mm_mul_ps(a, b); }
    static F div(F a, F b) { return _mm_div_ps(a, b); }
    static F sqrt(F a) { return _mm_sqrt_ps(a); }
    static F andF(F a, F b) { return _mm_and_ps(a, b); }
    static F orF(F a, F b) { return _mm_or_ps(a, b); }
    static F xorF(F a, F b) { return _mm_xor_ps(a, b); }
    static F lessThan(F a, F b) { return _mm_cmplt_ps(a, b); }
    static F notEqual(F a, F b) { return _mm_cmpneq_ps(a, b); }
    static I set1i(int v) { return _mm_set1_epi32(v); }
    static I andI(I a, I b) { return _mm_and_si128(a, b); }
    static I orI(I a, I b) { return _mm_or_si128(a, b); }
    static I andNotI(I a, I b) { return _mm_andnot_si128(a, b); }
    static I xorI(I a, I b) { return _mm_xor_si128(a, b); }
    static I greaterI(I a, I b) { return _mm_cmpgt_epi32(a, b); }
    static I truncate(F v) { return _mm_cvttps_epi32(v); }
    static I shiftLeft16(I v) { return _mm_slli_epi32(v, 16); }
    static I madd16(I a, I b) { return _mm_madd_epi16(a, b); }
    static F asFloat(I v) { return _mm_castsi128_ps(v); }
    static I pick(I mask, I a, I b) { return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b)); }
    static bool anyI(I v) { return _mm_movemask_epi8(v) != 0; }
    static I loadI(const std::int32_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }
    static F gather(const float* base, I index)
    {
        alignas(16) std::int32_t id[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(id), index);
        return _mm_setr_ps(base[std::uint32_t(id[0])], base[std::uint32_t(id[1])], base[std::uint32_t(id[2])],
                           base[std::uint32_t(id[3])]);
    }
    static void loadCells(const Cell* cells, I index, F& sx, F& sy, F& lum)
    {
        alignas(16) std::int32_t id[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(id), index);
        F c0 = _mm_load_ps(&cells[std::uint32_t(id[0])].sx);
        F c1 = _mm_load_ps(&cells[std::uint32_t(id[1])].sx);
        F c2 = _mm_load_ps(&cells[std::uint32_t(id[2])].sx);
        F c3 = _mm_load_ps(&cells[std::uint32_t(id[3])].sx);
        _MM_TRANSPOSE4_PS(c0, c1, c2, c3);
        sx = c0;
        sy = c1;
        lum = c2;
    }
};
using SseKernels = LineIntegralKernels::LaneKernels<SseLanes>;

// Steps of every row: eight lanes where allowed, then four, then one.
void computeStepCells(int w, int h, const float* vx, const float* vy, Cell* cells, bool wide)
{
    for (int y = 0; y < h; ++y) {
        int x = wide ? LineIntegralKernels::Avx2::stepRow(w, h, vx, vy, y, cells) : 0;
        x = SseKernels::stepRow(w, h, vx, vy, y, x, cells);
        const std::size_t rowStart = std::size_t(y) * std::size_t(w);
        for (; x < w; ++x)
            stepAt(w, h, vx, vy, x, y, cells[rowStart + std::size_t(x)].sx, cells[rowStart + std::size_t(x)].sy);
    }
}

// The vector path indexes pixels with 16-bit coordinates.
constexpr int kMaxFastSide = 32767;

bool traceInterleaved(int w, int h, const float* lum, const float* vx, const float* vy, int n,
                      const std::vector<float>& wt, float* out, bool wide, DataStorage::ProgressData* progress)
{
    const std::size_t count = std::size_t(w) * std::size_t(h);
    const ScratchBuffer<Cell> cells(count);
    computeStepCells(w, h, vx, vy, cells.data(), wide);
    for (std::size_t i = 0; i < count; ++i)
        cells[i].lum = lum[i];
    // Blocks of kBlockRows x kBlockColumns starting pixels: their traces stay
    // within a window small enough for the second-level cache.
    constexpr int kBlockRows = 32;
    constexpr int kBlockColumns = 64;
    for (int y0 = 0; y0 < h; y0 += kBlockRows) {
        if (isCancelled(progress))
            return false;
        const int yEnd = std::min(y0 + kBlockRows, h);
        for (int bx = 0; bx < w; bx += kBlockColumns) {
            const int xEnd = std::min(bx + kBlockColumns, w);
            for (int y = y0; y < yEnd; ++y) {
                if (wide)
                    LineIntegralKernels::Avx2::traceRun(cells.data(), w, h, n, wt.data(), out, y, bx, xEnd);
                else
                    SseKernels::traceRun(cells.data(), w, h, n, wt.data(), out, y, bx, xEnd);
            }
        }
        advanceSteps(progress, yEnd - y0);
    }
    return true;
}

} // namespace

bool lineIntegralWith(LineIntegralPath path, int w, int h, const float* lum, const float* vx,
                      const float* vy, float length, float* out, DataStorage::ProgressData* progress)
{
    const int n = traceSteps(length);
    if (n <= 0) {
        const std::size_t count = std::size_t(w) * std::size_t(h);
        for (std::size_t i = 0; i < count; ++i)
            out[i] = clamp01(lum[i]);
        advanceSteps(progress, h);
        return !isCancelled(progress);
    }
    const std::vector<float> wt = traceWeights(length, n);
    // The fast path indexes pixels with 16-bit coordinates.
    if (path == LineIntegralPath::Reference || w > kMaxFastSide || h > kMaxFastSide) {
        // Traces read any pixel: in place they read a copy.
        ScratchBuffer<float> copy;
        if (lum == out) {
            copy = ScratchBuffer<float>(std::size_t(w) * std::size_t(h));
            std::copy(lum, lum + copy.size(), copy.data());
            lum = copy.data();
        }
        return traceReference(w, h, lum, vx, vy, n, wt, out, progress);
    }
    const bool wide = path == LineIntegralPath::Wide && DataStorage::Simd::kernelsMay(DataStorage::Simd::Isa::Avx2);
    return traceInterleaved(w, h, lum, vx, vy, n, wt, out, wide, progress);
}

bool lineIntegral(int w, int h, const float* lum, const float* vx, const float* vy, float length,
                  float* out, DataStorage::ProgressData* progress)
{
    using DataStorage::Simd::Isa;
    using DataStorage::Simd::kernelsMay;
    const LineIntegralPath path = kernelsMay(Isa::Avx2)   ? LineIntegralPath::Wide
                                  : kernelsMay(Isa::Sse2) ? LineIntegralPath::Interleaved
                                                          : LineIntegralPath::Reference;
    return lineIntegralWith(path, w, h, lum, vx, vy, length, out, progress);
}

} // namespace Effect
} // namespace Nuvra
