#pragma once

// Internal to the line integral: the traces and the step field of the
// vector paths, written once over a lane type V. LineIntegral.cpp
// instantiates it with SSE2 (four lanes), LineIntegralAvx2.cpp with AVX2
// (eight lanes); every helper is a member of the template, so the two
// instantiations never share code built for the other's instruction set.
//
// A single trace is one long chain of dependent loads, so 32 neighbouring
// traces advance in lockstep to keep the core busy; each lane performs
// exactly the reference's operations in the same order (no contraction, the
// same rounding and truncation).
//
// V provides: F and I (float and int32 vectors of kWidth lanes); set1,
// zero, iota(x) (x, x + 1, ...), load, loadu, store, add, mul, div, sqrt,
// andF, orF, xorF, lessThan, notEqual (masks); set1i, andI, orI, andNotI,
// xorI, greaterI, truncate, shiftLeft16, madd16, asFloat, pick(mask, a, b),
// anyI, loadI, storeI; loadCells (sx, sy, lum of kWidth cells) and gather.

#include "effect/LineIntegralCells.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace Nuvra {
namespace Effect {
namespace LineIntegralKernels {

template <class V>
struct LaneKernels {
    using F = typename V::F;
    using I = typename V::I;
    static constexpr int W = V::kWidth;
    static constexpr int kRunLanes = 32;
    static constexpr int kGroups = kRunLanes / W;

    struct Grid {
        const Cell* cells;
        I maxX, maxY;
        I rowPairs;  // 16-bit pairs (1, width) for pixelIndex
    };

    struct Lanes {
        F px, py;  // positions
        F dx, dy;  // last direction
        F sx, sy;  // step of the current pixel
        F acc, sum;
        I alive;   // all ones while the trace runs
        I index;   // current pixel (a valid index even in dead lanes)
    };

    static Grid gridOf(const Cell* cells, int w, int h)
    {
        return Grid{cells, V::set1i(w - 1), V::set1i(h - 1), V::set1i(1 | (w << 16))};
    }

    static F signBit() { return V::set1(-0.0f); }

    // y * width + x of in-range lanes in one multiply-add of 16-bit pairs
    // (sides fit 15 bits). Lanes out of range give values callers mask away.
    static I pixelIndex(const Grid& g, I x, I y)
    {
        return V::madd16(V::orI(V::andI(x, V::set1i(0xFFFF)), V::shiftLeft16(y)), g.rowPairs);
    }

    static I outside(const Grid& g, I x, I y)
    {
        const I zero = V::set1i(0);
        return V::orI(V::orI(V::greaterI(zero, x), V::greaterI(x, g.maxX)),
                      V::orI(V::greaterI(zero, y), V::greaterI(y, g.maxY)));
    }

    // s turned to agree with d: negated where their dot product is negative.
    static void agree(F& sx, F& sy, F dx, F dy)
    {
        const F dot = V::add(V::mul(sx, dx), V::mul(sy, dy));
        const F flip = V::andF(V::lessThan(dot, V::zero()), signBit());
        sx = V::xorF(sx, flip);
        sy = V::xorF(sy, flip);
    }

    // One step of every live lane; false when no lane is left.
    static bool advance(const Grid& g, Lanes& t, F wj)
    {
        F sx = t.sx, sy = t.sy;
        agree(sx, sy, t.dx, t.dy);
        t.dx = sx;
        t.dy = sy;
        t.px = V::add(t.px, t.dx);
        t.py = V::add(t.py, t.dy);
        const I nx = V::truncate(t.px);
        const I ny = V::truncate(t.py);
        t.alive = V::andNotI(outside(g, nx, ny), t.alive);
        if (!V::anyI(t.alive))
            return false;
        t.index = V::pick(t.alive, pixelIndex(g, nx, ny), t.index);
        F lum;
        V::loadCells(g.cells, t.index, t.sx, t.sy, lum);
        const F live = V::asFloat(t.alive);
        t.acc = V::add(t.acc, V::andF(live, V::mul(wj, lum)));
        t.sum = V::add(t.sum, V::andF(live, wj));
        return true;
    }

    // Starts W traces from the pixels x0..x0+lanes-1 of row y.
    static void start(const Grid& g, Lanes& t, int x0, int y, std::int32_t rowStart, int lanes, bool backward)
    {
        alignas(32) std::int32_t id[W];
        alignas(32) std::int32_t live[W];
        for (int l = 0; l < W; ++l) {
            live[l] = l < lanes ? -1 : 0;
            id[l] = l < lanes ? rowStart + x0 + l : rowStart;
        }
        t.alive = V::loadI(live);
        t.index = V::loadI(id);
        t.px = V::add(V::iota(float(x0)), V::set1(0.5f));
        t.py = V::set1(float(y) + 0.5f);
        F lum;
        V::loadCells(g.cells, t.index, t.sx, t.sy, lum);
        const F flip = backward ? signBit() : V::zero();
        t.dx = V::xorF(t.sx, flip);
        t.dy = V::xorF(t.sy, flip);
    }

    static I roundToIndex(F v)
    {
        return V::truncate(V::add(v, V::orF(V::andF(v, signBit()), V::set1(0.5f))));
    }

    // The field at (qx, qy), turned to agree with (cx, cy); zero outside.
    static void field(const Grid& g, const float* vx, const float* vy, F qx, F qy, F cx, F cy, F& fx, F& fy)
    {
        const I col = roundToIndex(qx);
        const I row = roundToIndex(qy);
        const I out = outside(g, col, row);
        const I index = V::andNotI(out, pixelIndex(g, col, row));
        const F inside = V::asFloat(V::xorI(out, V::set1i(-1)));
        fx = V::andF(inside, V::gather(vx, index));
        fy = V::andF(inside, V::gather(vy, index));
        agree(fx, fy, cx, cy);
    }

    // Steps of row y from column `from`, W at a time; returns the first
    // column not done.
    static int stepRow(int w, int h, const float* vx, const float* vy, int y, int from, Cell* cells)
    {
        const Grid g = gridOf(cells, w, h);
        const F half = V::set1(0.5f), two = V::set1(2.0f), three = V::set1(3.0f), six = V::set1(6.0f);
        const std::size_t rowStart = std::size_t(y) * std::size_t(w);
        const F py = V::set1(float(y) + 0.5f);
        int x = from;
        for (; x + W <= w; x += W) {
            const F cx = V::loadu(vx + rowStart + std::size_t(x));
            const F cy = V::loadu(vy + rowStart + std::size_t(x));
            const F r = V::sqrt(V::add(V::mul(cx, cx), V::mul(cy, cy)));
            const F px = V::add(V::iota(float(x)), half);
            const F k1x = V::div(V::mul(half, cx), r);
            const F k1y = V::div(V::mul(half, cy), r);
            F fx, fy;
            field(g, vx, vy, V::add(px, V::div(k1x, two)), V::add(py, V::div(k1y, two)), cx, cy, fx, fy);
            const F k2x = V::mul(half, fx);
            const F k2y = V::mul(half, fy);
            field(g, vx, vy, V::add(px, V::div(k2x, two)), V::add(py, V::div(k2y, two)), cx, cy, fx, fy);
            const F k3x = V::mul(half, fx);
            const F k3y = V::mul(half, fy);
            field(g, vx, vy, V::add(px, k3x), V::add(py, k3y), cx, cy, fx, fy);
            const F k4x = V::mul(half, fx);
            const F k4y = V::mul(half, fy);
            const F moving = V::notEqual(r, V::zero());
            const F sx = V::andF(moving, V::add(V::add(V::add(V::div(k1x, six), V::div(k2x, three)),
                                                       V::div(k3x, three)), V::div(k4x, six)));
            const F sy = V::andF(moving, V::add(V::add(V::add(V::div(k1y, six), V::div(k2y, three)),
                                                       V::div(k3y, three)), V::div(k4y, six)));
            alignas(32) float ox[W], oy[W];
            V::store(ox, sx);
            V::store(oy, sy);
            for (int l = 0; l < W; ++l) {
                cells[rowStart + std::size_t(x + l)].sx = ox[l];
                cells[rowStart + std::size_t(x + l)].sy = oy[l];
            }
        }
        return x;
    }

    // Traces the pixels bx..xEnd-1 of row y, 32 at a time.
    static void traceRun(const Cell* cells, int w, int h, int n, const float* wt, float* out, int y, int bx, int xEnd)
    {
        const Grid g = gridOf(cells, w, h);
        const std::int32_t rowStart = std::int32_t(y) * std::int32_t(w);
        for (int x0 = bx; x0 < xEnd; x0 += kRunLanes) {
            const int lanes = std::min(xEnd - x0, kRunLanes);
            Lanes t[kGroups];
            alignas(32) float la[kRunLanes] = {};
            for (int l = 0; l < lanes; ++l)
                la[l] = cells[std::size_t(rowStart) + std::size_t(x0 + l)].lum;
            for (int k = 0; k < kGroups; ++k) {
                t[k].acc = V::load(la + W * k);
                t[k].sum = V::set1(1.0f);
            }
            for (int dir = 0; dir < 2; ++dir) {
                bool live[kGroups];
                for (int k = 0; k < kGroups; ++k) {
                    start(g, t[k], x0 + W * k, y, rowStart, lanes - W * k, dir == 1);
                    live[k] = lanes > W * k;
                }
                for (int j = 1; j <= n; ++j) {
                    const F wj = V::set1(wt[j]);
                    bool any = false;
                    for (int k = 0; k < kGroups; ++k) {
                        if (live[k])
                            live[k] = advance(g, t[k], wj);
                        any = any || live[k];
                    }
                    if (!any)
                        break;
                }
            }
            alignas(32) float ra[kRunLanes], rs[kRunLanes];
            for (int k = 0; k < kGroups; ++k) {
                V::store(ra + W * k, t[k].acc);
                V::store(rs + W * k, t[k].sum);
            }
            for (int l = 0; l < lanes; ++l) {
                // clamp01 of the quotient, spelled here so that no plain inline
                // function is compiled with this file's instruction set.
                const float v = ra[l] / rs[l];
                out[std::size_t(rowStart) + std::size_t(x0 + l)] = v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
            }
        }
    }
};

} // namespace LineIntegralKernels
} // namespace Effect
} // namespace Nuvra
