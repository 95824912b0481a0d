#include "effect/LuminanceStages.h"

#include "effect/Clamp.h"
#include "effect/StageSteps.h"

#include <climits>
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

// One fourth-order Runge-Kutta step of size 0.5 along the field from each pixel
// centre, written as (x, y) pairs `stride` floats apart. Field samples are
// turned to agree with the pixel's own direction, and vanish outside the image.
void computeStepField(int w, int h, const float* vx, const float* vy, float* steps, int stride)
{
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::size_t i = std::size_t(y) * w + x;
            float* out = steps + i * std::size_t(stride);
            const float cx = vx[i];
            const float cy = vy[i];
            const float r = std::sqrt(cx * cx + cy * cy);
            if (r == 0.0f) {
                out[0] = 0.0f;
                out[1] = 0.0f;
                continue;
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
            out[0] = k1x / 6.0f + k2x / 3.0f + k3x / 3.0f + k4x / 6.0f;
            out[1] = k1y / 6.0f + k2y / 3.0f + k3y / 3.0f + k4y / 6.0f;
        }
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
    std::vector<float> steps(std::size_t(w) * std::size_t(h) * 2);
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

// The fast path. A single trace is one long chain of dependent loads, so
// kLanes neighbouring traces advance in lockstep to keep the core busy; each
// lane performs exactly the reference's operations in the same order. The
// step and the luminance of a pixel share one record, because the pixel a
// step lands on is the one whose step is read next.
struct Cell {
    float sx;
    float sy;
    float lum;
    float pad;
};

constexpr int kLanes = 8;

bool traceInterleaved(int w, int h, const float* lum, const float* vx, const float* vy, int n,
                      const std::vector<float>& wt, float* out, DataStorage::ProgressData* progress)
{
    const std::size_t count = std::size_t(w) * std::size_t(h);
    std::vector<Cell> cells(count);
    computeStepField(w, h, vx, vy, &cells[0].sx, 4);
    for (std::size_t i = 0; i < count; ++i)
        cells[i].lum = lum[i];

    const Cell* base = cells.data();
    const unsigned uw = unsigned(w);
    const unsigned uh = unsigned(h);
    for (int y = 0; y < h; ++y) {
        if (isCancelled(progress))
            return false;
        const Cell* row = base + std::size_t(y) * w;
        for (int x0 = 0; x0 < w; x0 += kLanes) {
            const int lanes = w - x0 < kLanes ? w - x0 : kLanes;
            float acc[kLanes];
            float sum[kLanes];
            for (int l = 0; l < lanes; ++l) {
                acc[l] = row[x0 + l].lum;
                sum[l] = 1.0f;
            }
            for (int dir = 0; dir < 2; ++dir) {
                float px[kLanes], py[kLanes], dx[kLanes], dy[kLanes];
                const Cell* cur[kLanes];
                bool alive[kLanes];
                for (int l = 0; l < lanes; ++l) {
                    const Cell& c = row[x0 + l];
                    px[l] = float(x0 + l) + 0.5f;
                    py[l] = float(y) + 0.5f;
                    dx[l] = dir == 0 ? c.sx : -c.sx;
                    dy[l] = dir == 0 ? c.sy : -c.sy;
                    cur[l] = &c;
                    alive[l] = true;
                }
                for (int j = 1; j <= n; ++j) {
                    const float wj = wt[std::size_t(j)];
                    bool any = false;
                    for (int l = 0; l < lanes; ++l) {
                        if (!alive[l])
                            continue;
                        float sx = cur[l]->sx;
                        float sy = cur[l]->sy;
                        if (sx * dx[l] + sy * dy[l] < 0.0f) {
                            sx = -sx;
                            sy = -sy;
                        }
                        dx[l] = sx;
                        dy[l] = sy;
                        px[l] = px[l] + sx;
                        py[l] = py[l] + sy;
                        const int nx = int(px[l]);
                        const int ny = int(py[l]);
                        if (unsigned(nx) >= uw || unsigned(ny) >= uh) {
                            alive[l] = false;
                            continue;
                        }
                        cur[l] = base + std::size_t(unsigned(ny)) * uw + unsigned(nx);
                        acc[l] += wj * cur[l]->lum;
                        sum[l] += wj;
                        any = true;
                    }
                    if (!any)
                        break;
                }
            }
            for (int l = 0; l < lanes; ++l)
                out[std::size_t(y) * w + x0 + l] = clamp01(acc[l] / sum[l]);
        }
        advanceSteps(progress);
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
    if (path == LineIntegralPath::Reference)
        return traceReference(w, h, lum, vx, vy, n, wt, out, progress);
    return traceInterleaved(w, h, lum, vx, vy, n, wt, out, progress);
}

bool lineIntegral(int w, int h, const float* lum, const float* vx, const float* vy, float length,
                  float* out, DataStorage::ProgressData* progress)
{
    return lineIntegralWith(LineIntegralPath::Interleaved, w, h, lum, vx, vy, length, out, progress);
}

} // namespace Effect
} // namespace Nuvra
