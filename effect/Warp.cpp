#include "effect/Warp.h"

#include "effect/ProgressData.h"
#include "pixelstore/CpuFeatures.h"
#include "pixelstore/TileWalk.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>

using namespace Nuvra;
using namespace Nuvra::DataStorage;

namespace {

int reductionFactor(double s)
{
    const double inv = std::fabs(s) <= 1e-6 ? 1.0 : std::fabs(1.0 / s);
    return std::max(1, int(std::min(inv, 1e6)));
}

// The part of a sample's footprint that lies inside [0, size) along one axis.
double coverage(double p, double f, double size)
{
    double e = 0.0;
    if (p - f / 2 < 0)
        e = (f / 2 - p) / f;
    if (p + f / 2 > size)
        e = (p + f / 2 - size) / f;
    return std::min(1.0, std::max(0.0, 1.0 - e));
}

struct SourceBuffer {
    std::vector<float> data;
    int left = 0, top = 0; // of the area read, in source coordinates
    int width = 0, height = 0; // after reduction
};

// Affine samples four at a time while all four fall strictly inside the
// buffer; the same arithmetic as the sample-by-sample path. out[k] is the
// sample of column xBase + k. Returns the first x it did not write.
int interiorRun(const Transform& M, int y, int x, int end, const float* p, int bw, int bh, double left, double top,
                double fx, double fy, float* out, int xBase)
{
    const double yc = y + 0.5;
    const __m128d m0 = _mm_set1_pd(M.m[0]), m1 = _mm_set1_pd(M.m[1]);
    const __m128d ry = _mm_set1_pd(M.m[3] * yc), ryY = _mm_set1_pd(M.m[4] * yc);
    const __m128d m6 = _mm_set1_pd(M.m[6]), m7 = _mm_set1_pd(M.m[7]);
    const __m128d half = _mm_set1_pd(0.5), l = _mm_set1_pd(left), t = _mm_set1_pd(top);
    const __m128d dx = _mm_set1_pd(fx), dy = _mm_set1_pd(fy);
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128i lo = _mm_set1_epi32(-1), hiX = _mm_set1_epi32(bw - 1), hiY = _mm_set1_epi32(bh - 1);
    for (; x + 4 <= end; x += 4) {
        const __m128d xa = _mm_set_pd(x + 1.5, x + 0.5), xb = _mm_set_pd(x + 3.5, x + 2.5);
        const __m128d Xa = _mm_add_pd(_mm_add_pd(_mm_mul_pd(m0, xa), ry), m6);
        const __m128d Xb = _mm_add_pd(_mm_add_pd(_mm_mul_pd(m0, xb), ry), m6);
        const __m128d Ya = _mm_add_pd(_mm_add_pd(_mm_mul_pd(m1, xa), ryY), m7);
        const __m128d Yb = _mm_add_pd(_mm_add_pd(_mm_mul_pd(m1, xb), ryY), m7);
        const __m128 u = _mm_movelh_ps(_mm_cvtpd_ps(_mm_div_pd(_mm_sub_pd(_mm_sub_pd(Xa, half), l), dx)),
                                       _mm_cvtpd_ps(_mm_div_pd(_mm_sub_pd(_mm_sub_pd(Xb, half), l), dx)));
        const __m128 v = _mm_movelh_ps(_mm_cvtpd_ps(_mm_div_pd(_mm_sub_pd(_mm_sub_pd(Ya, half), t), dy)),
                                       _mm_cvtpd_ps(_mm_div_pd(_mm_sub_pd(_mm_sub_pd(Yb, half), t), dy)));
        // floor: truncate, then step down where that went up.
        __m128i i = _mm_cvttps_epi32(u), j = _mm_cvttps_epi32(v);
        __m128 fi = _mm_cvtepi32_ps(i), fj = _mm_cvtepi32_ps(j);
        const __m128 upI = _mm_cmpgt_ps(fi, u), upJ = _mm_cmpgt_ps(fj, v);
        i = _mm_add_epi32(i, _mm_castps_si128(upI));
        j = _mm_add_epi32(j, _mm_castps_si128(upJ));
        fi = _mm_sub_ps(fi, _mm_and_ps(upI, one));
        fj = _mm_sub_ps(fj, _mm_and_ps(upJ, one));
        const __m128i inside = _mm_and_si128(_mm_and_si128(_mm_cmpgt_epi32(i, lo), _mm_cmplt_epi32(i, hiX)),
                                             _mm_and_si128(_mm_cmpgt_epi32(j, lo), _mm_cmplt_epi32(j, hiY)));
        if (_mm_movemask_epi8(inside) != 0xFFFF)
            return x;
        const __m128 a = _mm_sub_ps(u, fi), b = _mm_sub_ps(v, fj);
        const __m128 wa = _mm_sub_ps(one, a), wb = _mm_sub_ps(one, b);
        alignas(16) int ii[4], jj[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(ii), i);
        _mm_store_si128(reinterpret_cast<__m128i*>(jj), j);
        alignas(16) float q00[4], q10[4], q01[4], q11[4];
        for (int k = 0; k < 4; ++k) {
            const float* r0 = p + size_t(jj[k]) * size_t(bw) + size_t(ii[k]);
            q00[k] = r0[0];
            q10[k] = r0[1];
            q01[k] = r0[bw];
            q11[k] = r0[bw + 1];
        }
        __m128 s = _mm_add_ps(_mm_mul_ps(_mm_mul_ps(wa, wb), _mm_load_ps(q00)),
                              _mm_mul_ps(_mm_mul_ps(a, wb), _mm_load_ps(q10)));
        s = _mm_add_ps(s, _mm_mul_ps(_mm_mul_ps(wa, b), _mm_load_ps(q01)));
        s = _mm_add_ps(s, _mm_mul_ps(_mm_mul_ps(a, b), _mm_load_ps(q11)));
        _mm_storeu_ps(out + (x - xBase), s);
    }
    return x;
}

// What every tile of one warp shares.
struct WarpSetup {
    const Transform& M;
    Transform Minv;
    Rect srcRect;
    Rect readable;      // srcRect within the source
    int W = 0, H = 0;   // source size
    float outside = 0.0f;
    bool affine = true;
    int fx = 1, fy = 1;          // pre-reduction factors
    double fw = 1.0, fh = 1.0;   // footprint of an affine sample
    bool vectorRuns = false;     // interiorRun may run
};

// The source area one destination part needs: its bounds grown by the
// reduction factors and aligned to them. Empty when nothing maps there.
Rect tileSourceArea(const WarpSetup& w, const Rect& part)
{
    Rect need = warpSourceBounds(part, w.srcRect, w.M, w.Minv);
    if (need.isEmpty())
        return need;
    need = {need.left - w.fx, need.top - w.fy, need.right + w.fx, need.bottom + w.fy};
    if (w.fx >= 2) {
        need.left = int(std::floor(double(need.left) / w.fx)) * w.fx;
        need.right = int(std::ceil(double(need.right) / w.fx)) * w.fx;
    }
    if (w.fy >= 2) {
        need.top = int(std::floor(double(need.top) / w.fy)) * w.fy;
        need.bottom = int(std::ceil(double(need.bottom) / w.fy)) * w.fy;
    }
    return need;
}

// Samples one destination position from the tile's source buffer: bilinear
// inside, and along the buffer's edges with clamped indices, blended with
// the outside value by the sample's coverage of the source.
class EdgeSampler {
public:
    EdgeSampler(const WarpSetup& w, const SourceBuffer& buf) : m_w(w), m_buf(buf) {}

    float operator()(int x, int y) const
    {
        const WarpSetup& w = m_w;
        double X, Y;
        mapPoint(w.M, x + 0.5, y + 0.5, X, Y);
        // Written so that a NaN position fails the window test.
        if (!(X >= -w.fx && X <= w.W + w.fx && Y >= -w.fy && Y <= w.H + w.fy))
            return w.outside;
        const float u = float((X - 0.5 - m_buf.left) / w.fx), v = float((Y - 0.5 - m_buf.top) / w.fy);
        const float fi = std::floor(u), fj = std::floor(v);
        const int i = int(fi), j = int(fj);
        const float a = u - fi, b = v - fj;
        const int bw = m_buf.width, bh = m_buf.height;
        if (i < -1 || j < -1 || i > bw || j > bh)
            return w.outside;
        const float wa = 1.0f - a, wb = 1.0f - b;
        if (i >= 0 && i < bw - 1 && j >= 0 && j < bh - 1) {
            const std::size_t r0 = std::size_t(j) * std::size_t(bw) + std::size_t(i);
            const std::size_t r1 = r0 + std::size_t(bw);
            const float* p = m_buf.data.data();
            return ((wa * wb * p[r0] + a * wb * p[r0 + 1]) + wa * b * p[r1]) + a * b * p[r1 + 1];
        }
        const float bilinear =
            ((wa * wb * at(i, j) + a * wb * at(i + 1, j)) + wa * b * at(i, j + 1)) + a * b * at(i + 1, j + 1);
        double sw = w.fw, sh = w.fh;
        if (!w.affine) {
            double X1, Y1, X2, Y2;
            mapPoint(w.M, x + 1.5, y + 0.5, X1, Y1);
            mapPoint(w.M, x + 0.5, y + 1.5, X2, Y2);
            sw = std::max(1.0, std::hypot(X1 - X, Y1 - Y));
            sh = std::max(1.0, std::hypot(X2 - X, Y2 - Y));
        }
        const float c = float(coverage(X, sw, w.W) * coverage(Y, sh, w.H));
        return bilinear * c + (1.0f - c) * w.outside;
    }

private:
    float at(int i, int j) const
    {
        const int bw = m_buf.width, bh = m_buf.height;
        return m_buf.data[std::size_t(std::clamp(j, 0, bh - 1)) * std::size_t(bw) + std::size_t(std::clamp(i, 0, bw - 1))];
    }

    const WarpSetup& m_w;
    const SourceBuffer& m_buf;
};

// Reads the source area of a part into buf, box-reduced by the factors.
void readSource(const WarpSetup& w, const DataChannel& src, const Rect& read, SourceBuffer& buf,
                std::vector<float>& scratch)
{
    const int rw = read.width(), rh = read.height();
    buf.data.resize(std::size_t(rw) * std::size_t(rh));
    getData(src, read, buf.data.data(), unsigned(rw) * unsigned(sizeof(float)));
    buf.left = read.left;
    buf.top = read.top;
    buf.width = rw;
    buf.height = rh;
    if (w.fx > 1 || w.fy > 1) {
        boxReduceBuffer(w.fx, w.fy, rw, rh, buf.data.data(), scratch);
        buf.width = (rw + w.fx - 1) / w.fx;
        buf.height = (rh + w.fy - 1) / w.fy;
    }
}

// One destination tile: left with the outside value when no source reaches
// it, filled when its source area is uniform, sampled otherwise.
void warpTile(const WarpSetup& w, const DataChannel& src, DataChannel& dst, int tile, const Rect& part,
              SourceBuffer& buf, std::vector<float>& scratch)
{
    const Rect need = tileSourceArea(w, part);
    const Rect read = need.intersected(w.readable);
    if (need.isEmpty() || read.isEmpty())
        return;
    float value = 0.0f;
    if (w.readable.contains(need) && src.isMonotone(need, &value)) {
        const int left = tileColumn(part.left) * kTileSide, top = tileRow(part.top) * kTileSide;
        const Rect valid =
            Rect{left, top, left + kTileSide, top + kTileSide}.intersected(Rect::fromSize(dst.size()));
        if (part == valid)
            dst.tileFill(tile, &value);
        else
            dst.fillRect(part, &value);
        return;
    }
    readSource(w, src, read, buf, scratch);
    const EdgeSampler sample(w, buf);
    float out[kTileElements];
    for (int y = part.top; y < part.bottom; ++y) {
        float* row = out + (y - part.top) * kTileSide;  // column part.left at row[0]
        int x = part.left;
        while (x < part.right) {
            if (w.vectorRuns) {
                x = interiorRun(w.M, y, x, part.right, buf.data.data(), buf.width, buf.height, buf.left, buf.top, w.fx,
                                w.fy, row, part.left);
                if (x >= part.right)
                    break;
            }
            // A group that leaves the buffer's interior goes sample by sample.
            for (const int stop = w.vectorRuns ? std::min(x + 4, part.right) : part.right; x < stop; ++x)
                row[x - part.left] = sample(x, y);
        }
    }
    setData(dst, part, out, unsigned(kTileSide * sizeof(float)));
}

} // namespace

bool warpChannel(const DataChannel& src, DataChannel& dst, const Rect& srcRect, const Rect& dstRect,
                 const Transform& M, ProgressData* progress, float outsideValue)
{
    if (dstRect.isEmpty())
        return true;
    const Rect area = dstRect.clipped(dst.size());
    if (area.isEmpty())
        return true;
    WarpSetup w{M, {}, srcRect, srcRect.intersected(Rect::fromSize(src.size())), src.width(), src.height(),
                outsideValue};
    if (!invertTransform(M, w.Minv))
        return false;

    const Rect whole = warpSourceBounds(area, srcRect, M, w.Minv);
    if (whole.isEmpty() || w.readable.isEmpty() || whole.intersected(w.readable).isEmpty()) {
        dst.fillRect(area, &w.outside);
        return true;
    }
    float value = 0.0f;
    if (w.readable.contains(whole) && src.isMonotone(whole, &value)) {
        dst.fillRect(area, &value);
        return true;
    }
    dst.fillRect(area, &w.outside);

    w.affine = isNearlyAffine(M);
    if (w.affine) {
        double sx, sy;
        transformUnitScales(w.Minv, sx, sy);
        w.fx = std::min(reductionFactor(sx), std::max(w.W, 1));
        w.fy = std::min(reductionFactor(sy), std::max(w.H, 1));
        w.fw = std::fabs(sx) <= 1e-6 ? 1.0 : 1.0 / sx;
        w.fh = std::fabs(sy) <= 1e-6 ? 1.0 : 1.0 / sy;
    }
    w.vectorRuns = w.affine && Simd::kernelsMay(Simd::Isa::Sse2);

    ProgressStage stage(progress, int(std::min<long long>(1LL << 30, (long long)area.width() * area.height())));
    SourceBuffer buf;
    std::vector<float> scratch;
    bool cancelled = false;
    forEachTilePiece(area, dst.tilesAcross(), [&](int tile, const Rect& part) {
        if (cancelled)
            return;
        warpTile(w, src, dst, tile, part, buf, scratch);
        if (progress) {
            progress->advance(part.width() * part.height());
            cancelled = progress->cancelled();
        }
    });
    return true;
}
