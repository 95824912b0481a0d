#include "effect/Resize.h"

#include "effect/ProgressData.h"
#include "pixelstore/ChannelTileWalk.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using namespace Nuvra;
using namespace Nuvra::DataStorage;
using namespace Nuvra::DataStorage::ns_Resize;

namespace {

unsigned floatStride(int width) { return unsigned(width) * unsigned(sizeof(float)); }

bool tick(ProgressData* progress)
{
    if (!progress)
        return true;
    progress->advance();
    return !progress->cancelled();
}

// Target tiles in row-major order.
template <class Visit>
bool forEachTargetTile(const DataChannel& dst, ProgressData* progress, Visit visit)
{
    return forEachTileInStep(dst, [&](const Rect& tile) {
        visit(tile);
        return tick(progress);
    });
}

// The input samples [begin, end) whose area reaches outputs [lo, hi).
void areaSpan(const AreaTable& t, int lo, int hi, int& begin, int& end)
{
    const auto& f = t.first;
    begin = int(std::lower_bound(f.begin(), f.end(), lo - 1) - f.begin());
    end = int(std::lower_bound(f.begin(), f.end(), hi) - f.begin());
}

} // namespace

bool boxReduceChannel(const DataChannel& src, DataChannel& dst, int fx, int fy, ProgressData* progress)
{
    if (fx < 1 || fy < 1 || src.width() <= 0 || src.height() <= 0)
        return true;
    ProgressStage stage(progress, dst.tileCount());
    std::vector<float> in;
    float out[kTileElements];
    return forEachTargetTile(dst, progress, [&](const Rect& tile) {
        const Rect from =
            Rect{tile.left * fx, tile.top * fy, tile.right * fx, tile.bottom * fy}.clipped(src.size());
        if (from.isEmpty())
            return;
        const int fw = from.width();
        in.resize(size_t(fw) * size_t(from.height()));
        getData(src, from, in.data(), floatStride(fw));
        for (int y = tile.top; y < tile.bottom; ++y)
            for (int x = tile.left; x < tile.right; ++x) {
                const int x0 = x * fx - from.left, y0 = y * fy - from.top;
                const int x1 = std::min(x0 + fx, fw), y1 = std::min(y0 + fy, from.height());
                float sum = 0.0f;
                for (int yy = y0; yy < y1; ++yy)
                    for (int xx = x0; xx < x1; ++xx)
                        sum += in[size_t(yy) * size_t(fw) + size_t(xx)];
                out[(y - tile.top) * kTileSide + (x - tile.left)] = sum / float((x1 - x0) * (y1 - y0));
            }
        setData(dst, tile, out, floatStride(kTileSide));
    });
}

bool areaResampleChannel(const DataChannel& src, DataChannel& dst, ProgressData* progress, bool clamp)
{
    const int W = src.width(), H = src.height(), w = dst.width(), h = dst.height();
    if (W <= 0 || H <= 0 || w <= 0 || h <= 0)
        return true;
    const AreaTable tx = areaTable(W, w), ty = areaTable(H, h);
    const float scale = tx.k * ty.k;
    ProgressStage stage(progress, dst.tileCount());
    std::vector<float> in;
    // The accumulator has a margin of one sample on every side: shares that
    // fall outside the tile land there and are dropped with it.
    constexpr int kPitch = kTileSide + 2;
    std::vector<float> acc(size_t(kPitch) * kPitch);
    std::vector<int> col;
    float out[kTileElements];
    return forEachTargetTile(dst, progress, [&](const Rect& tile) {
        int i0, i1, j0, j1;
        areaSpan(tx, tile.left, tile.right, i0, i1);
        areaSpan(ty, tile.top, tile.bottom, j0, j1);
        std::fill(acc.begin(), acc.end(), 0.0f);
        if (i1 > i0 && j1 > j0) {
            const int sw = i1 - i0;
            in.resize(size_t(sw) * size_t(j1 - j0));
            getData(src, {i0, j0, i1, j1}, in.data(), floatStride(sw));
            col.resize(size_t(sw));
            for (int i = i0; i < i1; ++i)
                col[size_t(i - i0)] = std::clamp(tx.first[size_t(i)] - tile.left, -1, kTileSide) + 1;
            const float* ax = tx.fraction.data() + i0;
            for (int j = j0; j < j1; ++j) {
                const int Y = std::clamp(ty.first[size_t(j)] - tile.top, -1, kTileSide) + 1;
                const float ay = ty.fraction[size_t(j)], by = 1.0f - ay;
                float* a0 = acc.data() + size_t(Y) * kPitch;
                float* a1 = a0 + kPitch;
                const float* row = in.data() + size_t(j - j0) * size_t(sw);
                // Along a row X steps by at most one, so the four sums it
                // feeds stay in registers until it moves on; every sum still
                // takes its shares one at a time, in order.
                int X = col[0];
                float s00 = a0[X], s01 = a0[X + 1], s10 = a1[X], s11 = a1[X + 1];
                for (int i = 0; i < sw; ++i) {
                    if (col[size_t(i)] != X) {
                        a0[X] = s00;
                        a1[X] = s10;
                        X = col[size_t(i)];
                        s00 = s01;
                        s10 = s11;
                        s01 = a0[X + 1];
                        s11 = a1[X + 1];
                    }
                    const float v = row[i], fx = ax[i], gx = 1.0f - fx;
                    s00 += v * fx * ay;
                    s01 += v * gx * ay;
                    s10 += v * fx * by;
                    s11 += v * gx * by;
                }
                a0[X] = s00;
                a0[X + 1] = s01;
                a1[X] = s10;
                a1[X + 1] = s11;
            }
        }
        for (int y = 0; y < tile.height(); ++y)
            for (int x = 0; x < tile.width(); ++x) {
                float v = acc[size_t(y + 1) * kPitch + size_t(x + 1)] * scale;
                if (clamp)
                    v = std::min(1.0f, std::max(0.0f, v));
                out[y * kTileSide + x] = v;
            }
        setData(dst, tile, out, floatStride(kTileSide));
    });
}

namespace {

// The separable cubic from W x H to w x h. rowsOf(first, last) gives source
// rows first..last packed (W floats each); bandOf(y0) the place for the
// band of output rows from y0 (w floats each), done(y0, rows) takes it.
template <class RowsOf, class BandOf, class Done>
bool cubicResample(int W, int H, int w, int h, RowsOf rowsOf, BandOf bandOf, Done done, ProgressData* progress,
                   bool clamp)
{
    std::vector<CubicWeight> rx, ry;
    cubicWeights(rx, W, w);
    cubicWeights(ry, H, h);
    ProgressStage stage(progress, 2 * h);
    // Band by band of 64 output rows: the vertical pass makes the band's
    // rows at the source width, the horizontal pass takes them to the target.
    std::vector<float> mid(size_t(W) * kTileSide);
    for (int y0 = 0; y0 < h; y0 += kTileSide) {
        const int rows = std::min(kTileSide, h - y0);
        const int first = std::max(0, ry[size_t(y0)].i0 - 2);
        const int last = std::min(H - 1, ry[size_t(y0 + rows - 1)].i0 + 2);
        const float* in = rowsOf(first, last);
        for (int k = 0; k < rows; ++k) {
            const CubicWeight& r = ry[size_t(y0 + k)];
            const float* taps[5];
            for (int t = 0; t < 5; ++t) {
                const int row = r.nearEdge ? std::clamp(r.i0 - 2 + t, 0, H - 1) : r.i0 - 2 + t;
                taps[t] = in + size_t(row - first) * size_t(W);
            }
            cubicVerticalRow(taps, r.w, mid.data() + size_t(k) * size_t(W), W);
            if (!tick(progress))
                return false;
        }
        float* out = bandOf(y0);
        for (int k = 0; k < rows; ++k) {
            cubicHorizontalRow(mid.data() + size_t(k) * size_t(W), W, rx.data(), out + size_t(k) * size_t(w), w, clamp);
            if (!tick(progress))
                return false;
        }
        done(y0, rows);
    }
    return true;
}

// Whether the packed buffer holds one value (bit for bit, as a channel
// tells it), which is then written to value.
bool packedIsMonotone(const float* data, std::size_t n, float& value)
{
    for (std::size_t i = 1; i < n; ++i)
        if (std::memcmp(&data[i], &data[0], sizeof(float)) != 0)
            return false;
    value = data[0];
    return true;
}

// Whether resizeChannel takes the cubic alone from W x H to w x h.
bool cubicAlone(int W, int H, int w, int h) { return W / 2 < w && H / 2 < h; }

} // namespace

bool cubicResampleChannel(const DataChannel& src, DataChannel& dst, ProgressData* progress, bool clamp)
{
    const int W = src.width(), H = src.height(), w = dst.width(), h = dst.height();
    if (W <= 0 || H <= 0 || w <= 0 || h <= 0)
        return true;
    std::vector<float> in, out(size_t(w) * kTileSide);
    return cubicResample(
        W, H, w, h,
        [&](int first, int last) {
            in.resize(size_t(W) * size_t(last - first + 1));
            getData(src, {0, first, W, last + 1}, in.data(), floatStride(W));
            return in.data();
        },
        [&](int) { return out.data(); },
        [&](int y0, int rows) { setData(dst, {0, y0, w, y0 + rows}, out.data(), floatStride(w)); }, progress, clamp);
}

void resizeChannelToPacked(const DataChannel& src, float* dst, const Size& size, ProgressData* progress, bool clamp)
{
    const int W = src.width(), H = src.height(), w = size.width, h = size.height;
    if (W <= 0 || H <= 0 || w <= 0 || h <= 0)
        return;
    float value = 0.0f;
    if (!src.isMonotone(&value) && cubicAlone(W, H, w, h)) {
        ProgressStage stage(progress, 0);
        std::vector<float> in;
        cubicResample(
            W, H, w, h,
            [&](int first, int last) {
                in.resize(size_t(W) * size_t(last - first + 1));
                getData(src, {0, first, W, last + 1}, in.data(), floatStride(W));
                return in.data();
            },
            [&](int y0) { return dst + size_t(y0) * size_t(w); }, [](int, int) {}, progress, clamp);
        return;
    }
    DataChannel target(size, kTypeFloat);
    resizeChannel(src, target, progress, clamp);
    getData(target, Rect::fromSize(size), dst, floatStride(w));
}

void resizePackedToChannel(const float* src, const Size& size, DataChannel& dst, ProgressData* progress, bool clamp)
{
    const int W = size.width, H = size.height, w = dst.width(), h = dst.height();
    if (W <= 0 || H <= 0 || w <= 0 || h <= 0)
        return;
    float value = 0.0f;
    if (!packedIsMonotone(src, size_t(W) * size_t(H), value) && cubicAlone(W, H, w, h)) {
        ProgressStage stage(progress, 0);
        std::vector<float> out(size_t(w) * kTileSide);
        cubicResample(
            W, H, w, h, [&](int first, int) { return src + size_t(first) * size_t(W); },
            [&](int) { return out.data(); },
            [&](int y0, int rows) { setData(dst, {0, y0, w, y0 + rows}, out.data(), floatStride(w)); }, progress,
            clamp);
        return;
    }
    DataChannel source(size, kTypeFloat);
    setData(source, Rect::fromSize(size), src, floatStride(W));
    resizeChannel(source, dst, progress, clamp);
}

void resizeChannel(const DataChannel& src, DataChannel& dst, ProgressData* progress, bool clamp)
{
    const int W = src.width(), H = src.height(), w = dst.width(), h = dst.height();
    // Nothing to read or nothing to write: no work, and no factor to divide by.
    if (W <= 0 || H <= 0 || w <= 0 || h <= 0)
        return;
    float value = 0.0f;
    if (src.isMonotone(&value)) {
        dst.fillRect(Rect::fromSize(dst.size()), &value);
        return;
    }
    ProgressStage stage(progress, 0);
    if (W / 2 < w && H / 2 < h) {
        cubicResampleChannel(src, dst, progress, clamp);
        return;
    }
    int fx = W / w, fy = H / h;
    if (fx < 2)
        fx = 1;
    if (fy < 1)
        fy = 1;
    const int rw = (W + fx - 1) / fx, rh = (H + fy - 1) / fy;
    if (rw == w && rh == h) {
        boxReduceChannel(src, dst, fx, fy, progress);
        return;
    }
    if (W < w || H < h) {
        // One axis grows while the other shrinks: reduce, then resample.
        DataChannel reduced(src);
        reduced.resize({rw, rh}, true);
        if (progress)
            progress->setWeight(0.25);
        if (!areaResampleChannel(src, reduced, progress, clamp))
            return;
        if (progress) {
            if (progress->cancelled())
                return;
            progress->setWeight(0.75);
        }
        cubicResampleChannel(reduced, dst, progress, clamp);
        return;
    }
    areaResampleChannel(src, dst, progress, clamp);
}
