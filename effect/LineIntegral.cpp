#include "effect/LuminanceStages.h"

#include "effect/Clamp.h"
#include "effect/LineIntegralCells.h"
#include "pixelstore/CpuFeatures.h"
#include "effect/ScratchArena.h"
#include "effect/StageSteps.h"

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

// The vector paths. A single trace is one long chain of dependent loads, so
// 32 neighbouring traces advance in lockstep, four or eight to a register, to
// keep the core busy; each lane performs exactly the reference's operations
// in the same order (no contraction, same rounding, same truncation).
using LineIntegralKernels::Cell;

struct Lanes {
    __m128 px, py;    // positions
    __m128 dx, dy;    // last direction
    __m128 sx, sy;    // step of the current pixel
    __m128 acc, sum;
    __m128i alive;    // all ones while the trace runs
    __m128i index;    // current pixel (a valid index even in dead lanes)
};

struct Grid {
    const Cell* cells;
    __m128i maxX, maxY, width;
    __m128i rowPairs;  // 16-bit pairs (1, width) for pixelIndex
};

inline void loadCells(const Grid& g, __m128i index, __m128& sx, __m128& sy, __m128& lum)
{
    alignas(16) std::int32_t id[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(id), index);
    __m128 c0 = _mm_load_ps(&g.cells[std::uint32_t(id[0])].sx);
    __m128 c1 = _mm_load_ps(&g.cells[std::uint32_t(id[1])].sx);
    __m128 c2 = _mm_load_ps(&g.cells[std::uint32_t(id[2])].sx);
    __m128 c3 = _mm_load_ps(&g.cells[std::uint32_t(id[3])].sx);
    _MM_TRANSPOSE4_PS(c0, c1, c2, c3);
    sx = c0;
    sy = c1;
    lum = c2;
}

// y * width + x of in-range lanes in one multiply-add of 16-bit pairs; the
// fast path runs only on images whose sides fit 15 bits. Lanes with x or y
// out of range give values that callers mask away.
inline __m128i pixelIndex(const Grid& g, __m128i x, __m128i y)
{
    const __m128i pairs = _mm_or_si128(_mm_and_si128(x, _mm_set1_epi32(0xFFFF)), _mm_slli_epi32(y, 16));
    return _mm_madd_epi16(pairs, g.rowPairs);
}

// One step of every live lane; false when no lane is left.
inline bool advanceLanes(const Grid& g, Lanes& t, __m128 wj)
{
    const __m128 signBit = _mm_set1_ps(-0.0f);
    const __m128 dot = _mm_add_ps(_mm_mul_ps(t.sx, t.dx), _mm_mul_ps(t.sy, t.dy));
    const __m128 flip = _mm_and_ps(_mm_cmplt_ps(dot, _mm_setzero_ps()), signBit);
    t.dx = _mm_xor_ps(t.sx, flip);
    t.dy = _mm_xor_ps(t.sy, flip);
    t.px = _mm_add_ps(t.px, t.dx);
    t.py = _mm_add_ps(t.py, t.dy);
    const __m128i nx = _mm_cvttps_epi32(t.px);
    const __m128i ny = _mm_cvttps_epi32(t.py);
    const __m128i zero = _mm_setzero_si128();
    const __m128i out = _mm_or_si128(_mm_or_si128(_mm_cmplt_epi32(nx, zero), _mm_cmpgt_epi32(nx, g.maxX)),
                                     _mm_or_si128(_mm_cmplt_epi32(ny, zero), _mm_cmpgt_epi32(ny, g.maxY)));
    t.alive = _mm_andnot_si128(out, t.alive);
    if (_mm_movemask_epi8(t.alive) == 0)
        return false;
    const __m128i next = pixelIndex(g, nx, ny);
    t.index = _mm_or_si128(_mm_and_si128(t.alive, next), _mm_andnot_si128(t.alive, t.index));
    __m128 lum;
    loadCells(g, t.index, t.sx, t.sy, lum);
    const __m128 live = _mm_castsi128_ps(t.alive);
    t.acc = _mm_add_ps(t.acc, _mm_and_ps(live, _mm_mul_ps(wj, lum)));
    t.sum = _mm_add_ps(t.sum, _mm_and_ps(live, wj));
    return true;
}

// Starts four traces from the pixels at index..index+lanes-1 of row y.
inline void startLanes(const Grid& g, Lanes& t, int x0, int y, std::int32_t rowStart, int lanes, bool backward)
{
    alignas(16) std::int32_t id[4];
    alignas(16) std::int32_t live[4];
    alignas(16) float xs[4];
    for (int l = 0; l < 4; ++l) {
        live[l] = l < lanes ? -1 : 0;
        id[l] = l < lanes ? rowStart + x0 + l : rowStart;
        xs[l] = float(x0 + l) + 0.5f;
    }
    t.alive = _mm_load_si128(reinterpret_cast<const __m128i*>(live));
    t.index = _mm_load_si128(reinterpret_cast<const __m128i*>(id));
    t.px = _mm_load_ps(xs);
    t.py = _mm_set1_ps(float(y) + 0.5f);
    __m128 lum;
    loadCells(g, t.index, t.sx, t.sy, lum);
    const __m128 flip = backward ? _mm_set1_ps(-0.0f) : _mm_setzero_ps();
    t.dx = _mm_xor_ps(t.sx, flip);
    t.dy = _mm_xor_ps(t.sy, flip);
}

// stepAt for four pixels of a row at once, with the same operations.
inline __m128i roundToIndex4(__m128 v)
{
    const __m128 half = _mm_or_ps(_mm_and_ps(v, _mm_set1_ps(-0.0f)), _mm_set1_ps(0.5f));
    return _mm_cvttps_epi32(_mm_add_ps(v, half));
}

inline void field4(const Grid& g, const float* vx, const float* vy, __m128 qx, __m128 qy, __m128 cx, __m128 cy,
                   __m128& fx, __m128& fy)
{
    const __m128i col = roundToIndex4(qx);
    const __m128i row = roundToIndex4(qy);
    const __m128i zero = _mm_setzero_si128();
    const __m128i out = _mm_or_si128(_mm_or_si128(_mm_cmplt_epi32(col, zero), _mm_cmpgt_epi32(col, g.maxX)),
                                     _mm_or_si128(_mm_cmplt_epi32(row, zero), _mm_cmpgt_epi32(row, g.maxY)));
    const __m128i index = _mm_andnot_si128(out, pixelIndex(g, col, row));
    alignas(16) std::int32_t id[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(id), index);
    const __m128 inside = _mm_castsi128_ps(_mm_xor_si128(out, _mm_set1_epi32(-1)));
    fx = _mm_and_ps(inside, _mm_setr_ps(vx[std::uint32_t(id[0])], vx[std::uint32_t(id[1])], vx[std::uint32_t(id[2])],
                                        vx[std::uint32_t(id[3])]));
    fy = _mm_and_ps(inside, _mm_setr_ps(vy[std::uint32_t(id[0])], vy[std::uint32_t(id[1])], vy[std::uint32_t(id[2])],
                                        vy[std::uint32_t(id[3])]));
    const __m128 dot = _mm_add_ps(_mm_mul_ps(fx, cx), _mm_mul_ps(fy, cy));
    const __m128 flip = _mm_and_ps(_mm_cmplt_ps(dot, _mm_setzero_ps()), _mm_set1_ps(-0.0f));
    fx = _mm_xor_ps(fx, flip);
    fy = _mm_xor_ps(fy, flip);
}

void computeStepCells(const Grid& g, int w, int h, const float* vx, const float* vy, Cell* cells, bool wide)
{
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128 two = _mm_set1_ps(2.0f);
    const __m128 three = _mm_set1_ps(3.0f);
    const __m128 six = _mm_set1_ps(6.0f);
    for (int y = 0; y < h; ++y) {
        const std::size_t rowStart = std::size_t(y) * w;
        const __m128 py = _mm_set1_ps(float(y) + 0.5f);
        int x = wide ? LineIntegralKernels::Avx2::stepRow(w, h, vx, vy, y, cells) : 0;
        for (; x + 4 <= w; x += 4) {
            const __m128 cx = _mm_loadu_ps(vx + rowStart + x);
            const __m128 cy = _mm_loadu_ps(vy + rowStart + x);
            const __m128 r = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(cx, cx), _mm_mul_ps(cy, cy)));
            const __m128 px = _mm_add_ps(_mm_setr_ps(float(x), float(x + 1), float(x + 2), float(x + 3)), half);
            const __m128 k1x = _mm_div_ps(_mm_mul_ps(half, cx), r);
            const __m128 k1y = _mm_div_ps(_mm_mul_ps(half, cy), r);
            __m128 fx, fy;
            field4(g, vx, vy, _mm_add_ps(px, _mm_div_ps(k1x, two)), _mm_add_ps(py, _mm_div_ps(k1y, two)), cx, cy, fx, fy);
            const __m128 k2x = _mm_mul_ps(half, fx);
            const __m128 k2y = _mm_mul_ps(half, fy);
            field4(g, vx, vy, _mm_add_ps(px, _mm_div_ps(k2x, two)), _mm_add_ps(py, _mm_div_ps(k2y, two)), cx, cy, fx, fy);
            const __m128 k3x = _mm_mul_ps(half, fx);
            const __m128 k3y = _mm_mul_ps(half, fy);
            field4(g, vx, vy, _mm_add_ps(px, k3x), _mm_add_ps(py, k3y), cx, cy, fx, fy);
            const __m128 k4x = _mm_mul_ps(half, fx);
            const __m128 k4y = _mm_mul_ps(half, fy);
            __m128 sx = _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_div_ps(k1x, six), _mm_div_ps(k2x, three)),
                                              _mm_div_ps(k3x, three)), _mm_div_ps(k4x, six));
            __m128 sy = _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_div_ps(k1y, six), _mm_div_ps(k2y, three)),
                                              _mm_div_ps(k3y, three)), _mm_div_ps(k4y, six));
            const __m128 moving = _mm_cmpneq_ps(r, _mm_setzero_ps());
            sx = _mm_and_ps(moving, sx);
            sy = _mm_and_ps(moving, sy);
            alignas(16) float ox[4], oy[4];
            _mm_store_ps(ox, sx);
            _mm_store_ps(oy, sy);
            for (int l = 0; l < 4; ++l) {
                cells[rowStart + x + l].sx = ox[l];
                cells[rowStart + x + l].sy = oy[l];
            }
        }
        for (; x < w; ++x)
            stepAt(w, h, vx, vy, x, y, cells[rowStart + x].sx, cells[rowStart + x].sy);
    }
}

// Traces the pixels bx..xEnd-1 of row y, kGroups * 4 at a time.
constexpr int kGroups = 8;
constexpr int kMaxFastSide = 32767;
constexpr int kRunLanes = kGroups * 4;

void traceRun(const Grid& g, int n, const std::vector<float>& wt, float* out, int y, int bx, int xEnd)
{
    const std::int32_t rowStart = std::int32_t(y) * _mm_cvtsi128_si32(g.width);
    for (int x0 = bx; x0 < xEnd; x0 += kRunLanes) {
        const int lanes = std::min(xEnd - x0, kRunLanes);
        Lanes t[kGroups];
        alignas(16) float la[kRunLanes] = {};
        for (int l = 0; l < lanes; ++l)
            la[l] = g.cells[std::size_t(rowStart) + std::size_t(x0 + l)].lum;
        for (int k = 0; k < kGroups; ++k) {
            t[k].acc = _mm_load_ps(la + 4 * k);
            t[k].sum = _mm_set1_ps(1.0f);
        }
        for (int dir = 0; dir < 2; ++dir) {
            bool live[kGroups];
            for (int k = 0; k < kGroups; ++k) {
                startLanes(g, t[k], x0 + 4 * k, y, rowStart, lanes - 4 * k, dir == 1);
                live[k] = lanes > 4 * k;
            }
            for (int j = 1; j <= n; ++j) {
                const __m128 wj = _mm_set1_ps(wt[std::size_t(j)]);
                bool any = false;
                for (int k = 0; k < kGroups; ++k) {
                    if (live[k])
                        live[k] = advanceLanes(g, t[k], wj);
                    any = any || live[k];
                }
                if (!any)
                    break;
            }
        }
        alignas(16) float ra[kRunLanes], rs[kRunLanes];
        for (int k = 0; k < kGroups; ++k) {
            _mm_store_ps(ra + 4 * k, t[k].acc);
            _mm_store_ps(rs + 4 * k, t[k].sum);
        }
        for (int l = 0; l < lanes; ++l)
            out[std::size_t(rowStart) + std::size_t(x0 + l)] = clamp01(ra[l] / rs[l]);
    }
}

bool traceInterleaved(int w, int h, const float* lum, const float* vx, const float* vy, int n,
                      const std::vector<float>& wt, float* out, bool wide, DataStorage::ProgressData* progress)
{
    const std::size_t count = std::size_t(w) * std::size_t(h);
    const ScratchBuffer<Cell> cells(count);
    Grid g;
    g.cells = cells.data();
    g.maxX = _mm_set1_epi32(w - 1);
    g.maxY = _mm_set1_epi32(h - 1);
    g.width = _mm_set1_epi32(w);
    g.rowPairs = _mm_set1_epi32(1 | (w << 16));
    computeStepCells(g, w, h, vx, vy, cells.data(), wide);
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
                    traceRun(g, n, wt, out, y, bx, xEnd);
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
