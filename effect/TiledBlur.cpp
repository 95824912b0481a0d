#include "effect/TiledBlur.h"

#include "effect/ProgressData.h"

#include <algorithm>
#include <cmath>

using namespace Nuvra;
using namespace Nuvra::DataStorage;
using namespace Nuvra::DataStorage::ns_cltBlur;

namespace {

// Band geometry in the source channel: lines are the band's columns inside
// the read bounds, positions its rows from the bounds' top.
struct BandSpan {
    int left;   // first column (line 0)
    int lines;  // columns across
    int top;    // row of position 0
    int length; // positions
};

BandSpan bandSpan(int band, const Rect& readBounds)
{
    const int left = std::max(band * kTileSide, readBounds.left);
    const int right = std::min(band * kTileSide + kTileSide, readBounds.right);
    return {left, std::max(0, right - left), readBounds.top, readBounds.height()};
}

Rect growClip(const Rect& r, int dx, int dy, const Rect& bounds)
{
    return Rect{r.left - dx, r.top - dy, r.right + dx, r.bottom + dy}.intersected(bounds);
}

Rect tilesCovering(const Rect& r)
{
    return {tileColumn(r.left), tileRow(r.top), tileColumn(r.right - 1) + 1, tileRow(r.bottom - 1) + 1};
}

} // namespace

int TB_GetBand(const DataChannel& src, const Rect& readBounds, TB_WorkArea& work, int band, const Rect& tileRect,
               const TB_AlgData& alg)
{
    (void)tileRect;
    const BandSpan s = bandSpan(band, readBounds);
    const int tiles = (s.length + kTileMask) / kTileSide;
    float* buf = work.io.buffer[0];

    // Band tiles coincide with channel tiles only when the positions start on
    // a tile boundary; otherwise nothing is taken as uniform.
    bool any = false;
    std::fill(work.uniform.begin(), work.uniform.end(), false);
    if (s.top % kTileSide == 0) {
        const int row0 = s.top / kTileSide;
        bool prevFlagged = false;
        float prev = 0.0f;
        for (int t = 0; t < tiles; ++t) {
            const int index = (row0 + t) * src.tilesAcross() + band;
            bool flagged = false;
            if (src.isTileMonotone(index)) {
                float v = 0.0f;
                src.getTileMonotoneValue(index, &v);
                if (!prevFlagged || std::fabs(v - prev) <= 1e-6f) {
                    flagged = true;
                    work.values[size_t(t)] = v;
                    prev = v;
                }
            }
            work.uniform[size_t(t)] = flagged;
            prevFlagged = flagged;
            any = any || flagged;
        }
    }
    if (!any) {
        std::fill(work.expanded.begin(), work.expanded.end(), false);
        std::fill(work.inner.begin(), work.inner.end(), false);
        TB_ActuallyGetData<float>(src, {s.left, s.top, s.left + s.lines, s.top + s.length}, buf, kBandWidth);
        return tiles;
    }
    ExpandMonotone(work.expanded, work.uniform, tiles, alg.tileReachAll);
    ExpandMonotone(work.inner, work.expanded, tiles, alg.tileReach);
    for (int t = 0; t < tiles; ++t) {
        const int begin = t * kTileSide, end = std::min(begin + kTileSide, s.length);
        if (work.expanded[size_t(t)]) {
            if (!work.inner[size_t(t)])
                std::fill(buf + size_t(begin) * kBandWidth, buf + size_t(end) * kBandWidth, work.values[size_t(t)]);
        } else {
            TB_ActuallyGetData<float>(src, {s.left, s.top + begin, s.left + s.lines, s.top + end},
                                      buf + size_t(begin) * kBandWidth, kBandWidth);
        }
    }
    return tiles;
}

void TB_SetBand(DataChannel& dst, const TB_WorkArea& work, const float* buffer, int band, const Rect& readBounds,
                const Rect& writeRect, const Point& offset, int pitch)
{
    const BandSpan s = bandSpan(band, readBounds);
    const int tiles = (s.length + kTileMask) / kTileSide;
    const Rect target = writeRect.intersected(Rect::fromSize(dst.size()));
    for (int t = 0; t < tiles; ++t) {
        const int begin = t * kTileSide, end = std::min(begin + kTileSide, s.length);
        const Rect region{offset.x + begin, offset.y + s.left, offset.x + end, offset.y + s.left + s.lines};
        const Rect part = region.intersected(target);
        if (part.isEmpty())
            continue;
        if (work.expanded[size_t(t)]) {
            const float v = work.values[size_t(t)];
            const int col = tileColumn(part.left), row = tileRow(part.top);
            const Rect whole{col * kTileSide, row * kTileSide, std::min(col * kTileSide + kTileSide, dst.width()),
                             std::min(row * kTileSide + kTileSide, dst.height())};
            if (part == whole)
                dst.tileFill(row * dst.tilesAcross() + col, &v);
            else
                dst.fillRect(part, &v);
        } else {
            const float* from = buffer + size_t(part.top - offset.y - s.left) * size_t(pitch) +
                                size_t(part.left - offset.x);
            TB_ActuallySetData<float>(dst, part, from, pitch);
        }
    }
}

bool TB_BlurAxis(const DataChannel& src, DataChannel& dst, TB_WorkArea& work, const TB_AlgData& alg,
                 const Rect& tileRect, const Rect& readBounds, const Rect& writeRect, const Point& offset,
                 ProgressData* progress)
{
    const bool sse = Check_SSEAvailable();
    const int pitch = (readBounds.height() + 3) & ~3;
    for (int band = tileRect.left; band < tileRect.right; ++band) {
        const BandSpan s = bandSpan(band, readBounds);
        if (s.lines <= 0)
            continue;
        const int tiles = TB_GetBand(src, readBounds, work, band, tileRect, alg);
        const float* out = TB_RunPasses(work, alg, tiles, s.length, s.lines, pitch, sse, progress);
        if (!out)
            return false;
        TB_SetBand(dst, work, out, band, readBounds, writeRect, offset, pitch);
    }
    return true;
}

void tiledBlurChannel(const DataChannel& src, DataChannel& dst, const float sigma[2], const Rect& rect,
                      const Rect& bounds, ProgressData* progress)
{
    // A negative sigma blurs by its magnitude, here as in the box sizes.
    const float sx = std::fabs(sigma[0]), sy = std::fabs(sigma[1]);
    if (!(sx > 0.0f) && !(sy > 0.0f)) {
        if (&dst != &src)
            dst.copy(src, rect, {rect.left, rect.top});
        return;
    }
    const Rect readable = bounds.intersected(Rect::fromSize(src.size()));
    if (bounds.isEmpty() || readable.isEmpty())
        return;
    const Rect clipped = rect.intersected(readable);
    if (rect.isEmpty() || clipped.isEmpty())
        return;

    const TB_AlgData2D alg(sx, sy, 3);
    const int mx = alg.x.passes * alg.x.r, my = alg.y.passes * alg.y.r;
    Rect readArea = growClip(clipped, mx, my, readable);
    readArea = {readArea.left & ~kTileMask, readArea.top & ~kTileMask,
                (readArea.right + kTileMask) & ~kTileMask, (readArea.bottom + kTileMask) & ~kTileMask};
    readArea = readArea.intersected(readable);

    DataChannel transposed(Size{readArea.height(), readArea.width()}, kTypeFloat);
    const int tilesPerBand = tileCount(std::max(readArea.width(), readArea.height())) + 1;
    TB_WorkArea work(std::max(readArea.width(), readArea.height()), tilesPerBand);

    ProgressStage stage(progress, 0);
    // Run 1, along y: the read area into the transposed channel, whole.
    const Rect tiles1 = tilesCovering(readArea);
    if (progress) {
        if (progress->cancelled())
            return;
        progress->setWeight(0.5);
    }
    {
        ProgressStage run(progress, tiles1.width() * tiles1.height() * alg.y.passes);
        if (!TB_BlurAxis(src, transposed, work, alg.y, tiles1, readArea, Rect::fromSize(transposed.size()),
                         {0, -readArea.left}, progress))
            return;
    }
    // Run 2, along x: the transposed rows that rect needs, back into place.
    // The transposed channel's origin is the read area's top-left corner.
    const Rect need{clipped.top - readArea.top, 0, clipped.bottom - readArea.top, readArea.width()};
    const Rect tiles2 = tilesCovering(need);
    if (progress) {
        if (progress->cancelled())
            return;
        progress->setWeight(0.5);
    }
    ProgressStage run(progress, tiles2.width() * tiles2.height() * alg.x.passes);
    const Rect bounds2{0, 0, transposed.width(), transposed.height()};
    TB_BlurAxis(transposed, dst, work, alg.x, tiles2, bounds2, clipped, {readArea.left, readArea.top}, progress);
}
