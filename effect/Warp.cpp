#include "effect/Warp.h"

#include "effect/ProgressData.h"

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
// buffer; the same arithmetic as the sample-by-sample path. Returns the first
// x it did not write.
int interiorRun(const Transform& M, int y, int x, int end, const float* p, int bw, int bh, double left, double top,
                double fx, double fy, float* out)
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
        _mm_storeu_ps(out + x, s);
    }
    return x;
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
    Transform Minv;
    if (!invertTransform(M, Minv))
        return false;

    const int W = src.width(), H = src.height();
    const Rect extent = Rect::fromSize(src.size());
    const Rect readable = srcRect.intersected(extent);
    const float outside = outsideValue;
    const Rect whole = warpSourceBounds(area, srcRect, M, Minv);
    const Rect wholeClipped = whole.intersected(readable);
    if (whole.isEmpty() || readable.isEmpty() || wholeClipped.isEmpty()) {
        dst.fillRect(area, &outside);
        return true;
    }
    float value = 0.0f;
    if (readable.contains(whole) && src.isMonotone(whole, &value)) {
        dst.fillRect(area, &value);
        return true;
    }
    dst.fillRect(area, &outside);

    const bool affine = isNearlyAffine(M);
    int fx = 1, fy = 1;
    double fw = 1.0, fh = 1.0;
    if (affine) {
        double sx, sy;
        transformUnitScales(Minv, sx, sy);
        fx = std::min(reductionFactor(sx), std::max(W, 1));
        fy = std::min(reductionFactor(sy), std::max(H, 1));
        fw = std::fabs(sx) <= 1e-6 ? 1.0 : 1.0 / sx;
        fh = std::fabs(sy) <= 1e-6 ? 1.0 : 1.0 / sy;
    }

    ProgressStage stage(progress, int(std::min<long long>(1LL << 30, (long long)area.width() * area.height())));
    SourceBuffer buf;
    std::vector<float> scratch;
    float out[kTileElements];
    for (int ty = tileRow(area.top); ty <= tileRow(area.bottom - 1); ++ty) {
        for (int tx = tileColumn(area.left); tx <= tileColumn(area.right - 1); ++tx) {
            const Rect tileRect{tx * kTileSide, ty * kTileSide, tx * kTileSide + kTileSide, ty * kTileSide + kTileSide};
            const Rect part = tileRect.intersected(area);
            const int samples = part.width() * part.height();
            Rect need = warpSourceBounds(part, srcRect, M, Minv);
            if (!need.isEmpty()) {
                need = {need.left - fx, need.top - fy, need.right + fx, need.bottom + fy};
                if (fx >= 2) {
                    need.left = int(std::floor(double(need.left) / fx)) * fx;
                    need.right = int(std::ceil(double(need.right) / fx)) * fx;
                }
                if (fy >= 2) {
                    need.top = int(std::floor(double(need.top) / fy)) * fy;
                    need.bottom = int(std::ceil(double(need.bottom) / fy)) * fy;
                }
            }
            const Rect read = need.intersected(readable);
            if (need.isEmpty() || read.isEmpty()) {
                // Nothing of the source reaches the tile: it keeps the outside value.
            } else if (readable.contains(need) && src.isMonotone(need, &value)) {
                const Rect valid = tileRect.intersected(Rect::fromSize(dst.size()));
                if (part == valid)
                    dst.tileFill(ty * dst.tilesAcross() + tx, &value);
                else
                    dst.fillRect(part, &value);
            } else {
                const int rw = read.width(), rh = read.height();
                buf.data.resize(size_t(rw) * size_t(rh));
                getData(src, read, buf.data.data(), unsigned(rw) * unsigned(sizeof(float)));
                buf.left = read.left;
                buf.top = read.top;
                buf.width = rw;
                buf.height = rh;
                if (fx > 1 || fy > 1) {
                    boxReduceBuffer(fx, fy, rw, rh, buf.data.data(), scratch);
                    buf.width = (rw + fx - 1) / fx;
                    buf.height = (rh + fy - 1) / fy;
                }
                const float* p = buf.data.data();
                const int bw = buf.width, bh = buf.height;
                auto at = [&](int i, int j) {
                    return p[size_t(std::clamp(j, 0, bh - 1)) * size_t(bw) + size_t(std::clamp(i, 0, bw - 1))];
                };
                auto sampleAt = [&](int x, int y) -> float {
                    double X, Y;
                    mapPoint(M, x + 0.5, y + 0.5, X, Y);
                    // Written so that a NaN position fails the window test.
                    if (!(X >= -fx && X <= W + fx && Y >= -fy && Y <= H + fy))
                        return outside;
                    const float u = float((X - 0.5 - buf.left) / fx), v = float((Y - 0.5 - buf.top) / fy);
                    const float fi = std::floor(u), fj = std::floor(v);
                    const int i = int(fi), j = int(fj);
                    const float a = u - fi, b = v - fj;
                    if (i < -1 || j < -1 || i > bw || j > bh)
                        return outside;
                    const float wa = 1.0f - a, wb = 1.0f - b;
                    if (i >= 0 && i < bw - 1 && j >= 0 && j < bh - 1) {
                        const float* r0 = p + size_t(j) * size_t(bw) + size_t(i);
                        const float* r1 = r0 + bw;
                        return ((wa * wb * r0[0] + a * wb * r0[1]) + wa * b * r1[0]) + a * b * r1[1];
                    }
                    const float bilinear =
                        ((wa * wb * at(i, j) + a * wb * at(i + 1, j)) + wa * b * at(i, j + 1)) + a * b * at(i + 1, j + 1);
                    double sw = fw, sh = fh;
                    if (!affine) {
                        double X1, Y1, X2, Y2;
                        mapPoint(M, x + 1.5, y + 0.5, X1, Y1);
                        mapPoint(M, x + 0.5, y + 1.5, X2, Y2);
                        sw = std::max(1.0, std::hypot(X1 - X, Y1 - Y));
                        sh = std::max(1.0, std::hypot(X2 - X, Y2 - Y));
                    }
                    const float c = float(coverage(X, sw, W) * coverage(Y, sh, H));
                    return bilinear * c + (1.0f - c) * outside;
                };
                const double bl = buf.left, bt = buf.top, dfx = fx, dfy = fy;
                for (int y = part.top; y < part.bottom; ++y) {
                    float* o = out + (y - part.top) * kTileSide - part.left;
                    int x = part.left;
                    while (x < part.right) {
                        if (affine) {
                            x = interiorRun(M, y, x, part.right, p, bw, bh, bl, bt, dfx, dfy, o);
                            if (x >= part.right)
                                break;
                        }
                        // A group that leaves the buffer's interior goes sample by sample.
                        for (const int stop = affine ? std::min(x + 4, part.right) : part.right; x < stop; ++x)
                            o[x] = sampleAt(x, y);
                    }
                }
                setData(dst, part, out, unsigned(kTileSide * sizeof(float)));
            }
            if (progress) {
                progress->advance(samples);
                if (progress->cancelled())
                    return true;
            }
        }
    }
    return true;
}
