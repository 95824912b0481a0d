// Built with AVX2 enabled; reached only after the kernel switch was asked.
// Each lane performs exactly the operations of the plain trace and step, in
// the same order: no fused operations, the same rounding and truncation.

#include "effect/LineIntegralCells.h"

#include <immintrin.h>

#include <algorithm>
#include <cstdint>

namespace Nuvra {
namespace Effect {
namespace LineIntegralKernels {
namespace Avx2 {

namespace {

// clamp01 of effect/Clamp.h, kept local: an inline function shared with the
// plain files could be emitted here with AVX2 encodings and chosen for them.
inline float clampUnit(float v)
{
    return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
}

struct Grid {
    const Cell* cells;
    __m256i maxX, maxY;
    __m256i rowPairs;  // 16-bit pairs (1, width) for pixelIndex
};

struct Lanes {
    __m256 px, py;    // positions
    __m256 dx, dy;    // last direction
    __m256 sx, sy;    // step of the current pixel
    __m256 acc, sum;
    __m256i alive;    // all ones while the trace runs
    __m256i index;    // current pixel (a valid index even in dead lanes)
};

inline __m256 signBit()
{
    return _mm256_set1_ps(-0.0f);
}

// Eight cells, transposed into their step and luminance lanes.
inline void loadCells(const Cell* cells, __m256i index, __m256& sx, __m256& sy, __m256& lum)
{
    alignas(32) std::int32_t id[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(id), index);
    auto cell = [&](int l) { return _mm_load_ps(&cells[std::uint32_t(id[l])].sx); };
    const __m256 r0 = _mm256_insertf128_ps(_mm256_castps128_ps256(cell(0)), cell(4), 1);
    const __m256 r1 = _mm256_insertf128_ps(_mm256_castps128_ps256(cell(1)), cell(5), 1);
    const __m256 r2 = _mm256_insertf128_ps(_mm256_castps128_ps256(cell(2)), cell(6), 1);
    const __m256 r3 = _mm256_insertf128_ps(_mm256_castps128_ps256(cell(3)), cell(7), 1);
    const __m256 t0 = _mm256_unpacklo_ps(r0, r1);
    const __m256 t1 = _mm256_unpacklo_ps(r2, r3);
    const __m256 t2 = _mm256_unpackhi_ps(r0, r1);
    const __m256 t3 = _mm256_unpackhi_ps(r2, r3);
    sx = _mm256_shuffle_ps(t0, t1, 0x44);
    sy = _mm256_shuffle_ps(t0, t1, 0xEE);
    lum = _mm256_shuffle_ps(t2, t3, 0x44);
}

// y * width + x of in-range lanes in one multiply-add of 16-bit pairs (sides
// fit 15 bits). Lanes with x or y out of range give values callers mask away.
inline __m256i pixelIndex(const Grid& g, __m256i x, __m256i y)
{
    const __m256i pairs =
        _mm256_or_si256(_mm256_and_si256(x, _mm256_set1_epi32(0xFFFF)), _mm256_slli_epi32(y, 16));
    return _mm256_madd_epi16(pairs, g.rowPairs);
}

inline __m256i outside(const Grid& g, __m256i x, __m256i y)
{
    const __m256i zero = _mm256_setzero_si256();
    return _mm256_or_si256(_mm256_or_si256(_mm256_cmpgt_epi32(zero, x), _mm256_cmpgt_epi32(x, g.maxX)),
                           _mm256_or_si256(_mm256_cmpgt_epi32(zero, y), _mm256_cmpgt_epi32(y, g.maxY)));
}

// One step of every live lane; false when no lane is left.
inline bool advanceLanes(const Grid& g, Lanes& t, __m256 wj)
{
    const __m256 dot = _mm256_add_ps(_mm256_mul_ps(t.sx, t.dx), _mm256_mul_ps(t.sy, t.dy));
    const __m256 flip = _mm256_and_ps(_mm256_cmp_ps(dot, _mm256_setzero_ps(), _CMP_LT_OQ), signBit());
    t.dx = _mm256_xor_ps(t.sx, flip);
    t.dy = _mm256_xor_ps(t.sy, flip);
    t.px = _mm256_add_ps(t.px, t.dx);
    t.py = _mm256_add_ps(t.py, t.dy);
    const __m256i nx = _mm256_cvttps_epi32(t.px);
    const __m256i ny = _mm256_cvttps_epi32(t.py);
    t.alive = _mm256_andnot_si256(outside(g, nx, ny), t.alive);
    if (_mm256_movemask_epi8(t.alive) == 0)
        return false;
    t.index = _mm256_blendv_epi8(t.index, pixelIndex(g, nx, ny), t.alive);
    __m256 lum;
    loadCells(g.cells, t.index, t.sx, t.sy, lum);
    const __m256 live = _mm256_castsi256_ps(t.alive);
    t.acc = _mm256_add_ps(t.acc, _mm256_and_ps(live, _mm256_mul_ps(wj, lum)));
    t.sum = _mm256_add_ps(t.sum, _mm256_and_ps(live, wj));
    return true;
}

// Starts eight traces from the pixels x0..x0+lanes-1 of row y.
inline void startLanes(const Grid& g, Lanes& t, int x0, int y, std::int32_t rowStart, int lanes, bool backward)
{
    alignas(32) std::int32_t id[8];
    alignas(32) std::int32_t live[8];
    alignas(32) float xs[8];
    for (int l = 0; l < 8; ++l) {
        live[l] = l < lanes ? -1 : 0;
        id[l] = l < lanes ? rowStart + x0 + l : rowStart;
        xs[l] = float(x0 + l) + 0.5f;
    }
    t.alive = _mm256_load_si256(reinterpret_cast<const __m256i*>(live));
    t.index = _mm256_load_si256(reinterpret_cast<const __m256i*>(id));
    t.px = _mm256_load_ps(xs);
    t.py = _mm256_set1_ps(float(y) + 0.5f);
    __m256 lum;
    loadCells(g.cells, t.index, t.sx, t.sy, lum);
    const __m256 flip = backward ? signBit() : _mm256_setzero_ps();
    t.dx = _mm256_xor_ps(t.sx, flip);
    t.dy = _mm256_xor_ps(t.sy, flip);
}

inline __m256i roundToIndex(__m256 v)
{
    const __m256 half = _mm256_or_ps(_mm256_and_ps(v, signBit()), _mm256_set1_ps(0.5f));
    return _mm256_cvttps_epi32(_mm256_add_ps(v, half));
}

// The field at (qx, qy), turned to agree with (cx, cy); zero outside.
inline void field(const Grid& g, const float* vx, const float* vy, __m256 qx, __m256 qy, __m256 cx, __m256 cy,
                  __m256& fx, __m256& fy)
{
    const __m256i col = roundToIndex(qx);
    const __m256i row = roundToIndex(qy);
    const __m256i out = outside(g, col, row);
    const __m256i index = _mm256_andnot_si256(out, pixelIndex(g, col, row));
    const __m256 inside = _mm256_castsi256_ps(_mm256_xor_si256(out, _mm256_set1_epi32(-1)));
    fx = _mm256_and_ps(inside, _mm256_i32gather_ps(vx, index, 4));
    fy = _mm256_and_ps(inside, _mm256_i32gather_ps(vy, index, 4));
    const __m256 dot = _mm256_add_ps(_mm256_mul_ps(fx, cx), _mm256_mul_ps(fy, cy));
    const __m256 flip = _mm256_and_ps(_mm256_cmp_ps(dot, _mm256_setzero_ps(), _CMP_LT_OQ), signBit());
    fx = _mm256_xor_ps(fx, flip);
    fy = _mm256_xor_ps(fy, flip);
}

Grid gridOf(const Cell* cells, int w, int h)
{
    Grid g;
    g.cells = cells;
    g.maxX = _mm256_set1_epi32(w - 1);
    g.maxY = _mm256_set1_epi32(h - 1);
    g.rowPairs = _mm256_set1_epi32(1 | (w << 16));
    return g;
}

} // namespace

int stepRow(int w, int h, const float* vx, const float* vy, int y, Cell* cells)
{
    const Grid g = gridOf(cells, w, h);
    const __m256 half = _mm256_set1_ps(0.5f);
    const __m256 two = _mm256_set1_ps(2.0f);
    const __m256 three = _mm256_set1_ps(3.0f);
    const __m256 six = _mm256_set1_ps(6.0f);
    const std::size_t rowStart = std::size_t(y) * std::size_t(w);
    const __m256 py = _mm256_set1_ps(float(y) + 0.5f);
    int x = 0;
    for (; x + 8 <= w; x += 8) {
        const __m256 cx = _mm256_loadu_ps(vx + rowStart + x);
        const __m256 cy = _mm256_loadu_ps(vy + rowStart + x);
        const __m256 r = _mm256_sqrt_ps(_mm256_add_ps(_mm256_mul_ps(cx, cx), _mm256_mul_ps(cy, cy)));
        const __m256 px = _mm256_add_ps(_mm256_add_ps(_mm256_set1_ps(float(x)),
                                                      _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7)), half);
        const __m256 k1x = _mm256_div_ps(_mm256_mul_ps(half, cx), r);
        const __m256 k1y = _mm256_div_ps(_mm256_mul_ps(half, cy), r);
        __m256 fx, fy;
        field(g, vx, vy, _mm256_add_ps(px, _mm256_div_ps(k1x, two)), _mm256_add_ps(py, _mm256_div_ps(k1y, two)), cx,
              cy, fx, fy);
        const __m256 k2x = _mm256_mul_ps(half, fx);
        const __m256 k2y = _mm256_mul_ps(half, fy);
        field(g, vx, vy, _mm256_add_ps(px, _mm256_div_ps(k2x, two)), _mm256_add_ps(py, _mm256_div_ps(k2y, two)), cx,
              cy, fx, fy);
        const __m256 k3x = _mm256_mul_ps(half, fx);
        const __m256 k3y = _mm256_mul_ps(half, fy);
        field(g, vx, vy, _mm256_add_ps(px, k3x), _mm256_add_ps(py, k3y), cx, cy, fx, fy);
        const __m256 k4x = _mm256_mul_ps(half, fx);
        const __m256 k4y = _mm256_mul_ps(half, fy);
        __m256 sx = _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(_mm256_div_ps(k1x, six), _mm256_div_ps(k2x, three)),
                                                _mm256_div_ps(k3x, three)),
                                  _mm256_div_ps(k4x, six));
        __m256 sy = _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(_mm256_div_ps(k1y, six), _mm256_div_ps(k2y, three)),
                                                _mm256_div_ps(k3y, three)),
                                  _mm256_div_ps(k4y, six));
        const __m256 moving = _mm256_cmp_ps(r, _mm256_setzero_ps(), _CMP_NEQ_UQ);
        sx = _mm256_and_ps(moving, sx);
        sy = _mm256_and_ps(moving, sy);
        alignas(32) float ox[8], oy[8];
        _mm256_store_ps(ox, sx);
        _mm256_store_ps(oy, sy);
        for (int l = 0; l < 8; ++l) {
            cells[rowStart + std::size_t(x + l)].sx = ox[l];
            cells[rowStart + std::size_t(x + l)].sy = oy[l];
        }
    }
    return x;
}

void traceRun(const Cell* cells, int w, int h, int n, const float* wt, float* out, int y, int bx, int xEnd)
{
    constexpr int kGroups = 4;
    constexpr int kRunLanes = kGroups * 8;
    const Grid g = gridOf(cells, w, h);
    const std::int32_t rowStart = std::int32_t(y) * std::int32_t(w);
    for (int x0 = bx; x0 < xEnd; x0 += kRunLanes) {
        const int lanes = std::min(xEnd - x0, kRunLanes);
        Lanes t[kGroups];
        alignas(32) float la[kRunLanes] = {};
        for (int l = 0; l < lanes; ++l)
            la[l] = cells[std::size_t(rowStart) + std::size_t(x0 + l)].lum;
        for (int k = 0; k < kGroups; ++k) {
            t[k].acc = _mm256_load_ps(la + 8 * k);
            t[k].sum = _mm256_set1_ps(1.0f);
        }
        for (int dir = 0; dir < 2; ++dir) {
            bool live[kGroups];
            for (int k = 0; k < kGroups; ++k) {
                startLanes(g, t[k], x0 + 8 * k, y, rowStart, lanes - 8 * k, dir == 1);
                live[k] = lanes > 8 * k;
            }
            for (int j = 1; j <= n; ++j) {
                const __m256 wj = _mm256_set1_ps(wt[j]);
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
        alignas(32) float ra[kRunLanes], rs[kRunLanes];
        for (int k = 0; k < kGroups; ++k) {
            _mm256_store_ps(ra + 8 * k, t[k].acc);
            _mm256_store_ps(rs + 8 * k, t[k].sum);
        }
        for (int l = 0; l < lanes; ++l)
            out[std::size_t(rowStart) + std::size_t(x0 + l)] = clampUnit(ra[l] / rs[l]);
    }
}

} // namespace Avx2
} // namespace LineIntegralKernels
} // namespace Effect
} // namespace Nuvra
