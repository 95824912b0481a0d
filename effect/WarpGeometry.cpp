#include "effect/WarpGeometry.h"

#include <algorithm>
#include <cmath>

namespace Nuvra {

namespace {

struct Pt {
    double x, y;
};

double cross(const Pt& o, const Pt& a, const Pt& b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

bool finite(const Pt& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

Pt map(const Transform& t, const Pt& p)
{
    Pt q;
    mapPoint(t, p.x, p.y, q.x, q.y);
    return q;
}

void corners(const RectD& r, Pt out[4])
{
    out[0] = {r.left, r.top};
    out[1] = {r.right, r.top};
    out[2] = {r.right, r.bottom};
    out[3] = {r.left, r.bottom};
}

bool insideRect(const RectD& r, const Pt& p)
{
    return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

// Even-odd test; the quadrilateral need not be convex.
bool insideQuad(const Pt q[4], const Pt& p)
{
    bool in = false;
    for (int i = 0, j = 3; i < 4; j = i++) {
        if ((q[i].y > p.y) != (q[j].y > p.y)) {
            const double x = q[j].x + (p.y - q[j].y) * (q[i].x - q[j].x) / (q[i].y - q[j].y);
            if (p.x < x)
                in = !in;
        }
    }
    return in;
}

bool segmentCrossing(const Pt& p, const Pt& p2, const Pt& q, const Pt& q2, Pt& at)
{
    const Pt r{p2.x - p.x, p2.y - p.y}, s{q2.x - q.x, q2.y - q.y};
    const double d = r.x * s.y - r.y * s.x;
    if (std::fabs(d) <= 1e-6)
        return false;
    const double t = ((q.x - p.x) * s.y - (q.y - p.y) * s.x) / d;
    const double u = ((q.x - p.x) * r.y - (q.y - p.y) * r.x) / d;
    if (t < 0 || t > 1 || u < 0 || u > 1)
        return false;
    at = {p.x + t * r.x, p.y + t * r.y};
    return true;
}

RectD boundingBox(const std::vector<Pt>& pts)
{
    RectD b{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
    for (const Pt& p : pts) {
        b.left = std::min(b.left, p.x);
        b.top = std::min(b.top, p.y);
        b.right = std::max(b.right, p.x);
        b.bottom = std::max(b.bottom, p.y);
    }
    if (b.right == b.left)
        b.right += 1e-5;
    if (b.bottom == b.top)
        b.bottom += 1e-5;
    return b;
}

} // namespace

bool isNearlyAffine(const Transform& t) noexcept
{
    return std::fabs(t.m[2]) <= 1e-6 && std::fabs(t.m[5]) <= 1e-6 && std::fabs(t.m[8] - 1.0) <= 1e-6;
}

void mapPoint(const Transform& t, double x, double y, double& X, double& Y) noexcept
{
    X = t.m[0] * x + t.m[3] * y + t.m[6];
    Y = t.m[1] * x + t.m[4] * y + t.m[7];
    if (!isNearlyAffine(t)) {
        const double w = t.m[2] * x + t.m[5] * y + t.m[8];
        X /= w;
        Y /= w;
    }
}

bool invertTransform(const Transform& t, Transform& inv) noexcept
{
    const double* m = t.m;
    for (int i = 0; i < 9; ++i)
        if (!std::isfinite(m[i]))
            return false;
    // Rows of cofactors of the row-major matrix (row vector convention).
    const double c0 = m[4] * m[8] - m[5] * m[7], c1 = m[2] * m[7] - m[1] * m[8], c2 = m[1] * m[5] - m[2] * m[4];
    const double c3 = m[5] * m[6] - m[3] * m[8], c4 = m[0] * m[8] - m[2] * m[6], c5 = m[2] * m[3] - m[0] * m[5];
    const double c6 = m[3] * m[7] - m[4] * m[6], c7 = m[1] * m[6] - m[0] * m[7], c8 = m[0] * m[4] - m[1] * m[3];
    const double det = m[0] * c0 + m[1] * c3 + m[2] * c6;
    double scale = 0.0;
    for (int i = 0; i < 9; ++i)
        scale = std::max(scale, std::fabs(m[i]));
    if (!std::isfinite(det) || std::fabs(det) <= 1e-12 * scale * scale * scale)
        return false;
    const double c[9] = {c0, c1, c2, c3, c4, c5, c6, c7, c8};
    for (int i = 0; i < 9; ++i)
        inv.m[i] = c[i] / det;
    return true;
}

bool TransformProjectedAABB(const Transform& A, const Transform& B, const RectD& r1, const RectD& r2, RectD& out)
{
    Pt q[4], c1[4];
    corners(r2, q);
    for (Pt& p : q)
        p = map(B, p);
    corners(r1, c1);
    std::vector<Pt> found;
    for (const Pt& p : q)
        if (finite(p) && insideRect(r1, p))
            found.push_back(p);
    for (int i = 0; i < 4; ++i) {
        const Pt &a = q[i], &b = q[(i + 1) & 3];
        if (!finite(a) || !finite(b))
            continue;
        for (int k = 0; k < 4; ++k) {
            Pt at;
            if (segmentCrossing(a, b, c1[k], c1[(k + 1) & 3], at))
                found.push_back(at);
        }
    }
    // When r1 lies (partly) inside Q its own corners bound the part too.
    bool quadFinite = true;
    for (const Pt& p : q)
        quadFinite = quadFinite && finite(p);
    if (quadFinite)
        for (const Pt& p : c1)
            if (insideQuad(q, p))
                found.push_back(p);

    std::vector<Pt> mapped;
    for (const Pt& p : found) {
        const Pt m = map(A, p);
        if (finite(m))
            mapped.push_back(m);
    }
    if (mapped.size() < 3) {
        out = RectD{};
        return false;
    }
    out = boundingBox(mapped);
    return true;
}

} // namespace Nuvra

using namespace Nuvra;

void transformUnitScales(const Transform& t, double& sx, double& sy)
{
    double x0, y0, x1, y1, x2, y2;
    mapPoint(t, 0, 0, x0, y0);
    mapPoint(t, 1, 0, x1, y1);
    mapPoint(t, 0, 1, x2, y2);
    sx = std::hypot(x1 - x0, y1 - y0);
    sy = std::hypot(x2 - x0, y2 - y0);
}

void boxReduceBuffer(int fx, int fy, int width, int height, float* buffer, std::vector<float>& scratch)
{
    if (fx < 1 || fy < 1 || width <= 0 || height <= 0)
        return;
    const int ow = (width + fx - 1) / fx, oh = (height + fy - 1) / fy;
    scratch.assign(size_t(ow) * size_t(oh), 0.0f);
    for (int y = 0; y < height; ++y) {
        float* out = scratch.data() + size_t(y / fy) * size_t(ow);
        const float* in = buffer + size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x)
            out[x / fx] += in[x];
    }
    const int rx = width % fx, ry = height % fy;
    for (int by = 0; by < oh; ++by) {
        const int hgt = (ry != 0 && by == oh - 1) ? ry : fy;
        for (int bx = 0; bx < ow; ++bx) {
            const int wid = (rx != 0 && bx == ow - 1) ? rx : fx;
            buffer[size_t(by) * size_t(ow) + size_t(bx)] =
                scratch[size_t(by) * size_t(ow) + size_t(bx)] / float(wid * hgt);
        }
    }
}

Rect warpSourceBounds(const Rect& dstArea, const Rect& srcRect, const Transform& M, const Transform& Minv)
{
    const RectD r1{double(dstArea.left), double(dstArea.top), double(dstArea.right), double(dstArea.bottom)};
    Pt c[4];
    corners(r1, c);
    bool ok = true;
    for (Pt& p : c) {
        p = map(M, p);
        ok = ok && finite(p);
    }
    RectD box;
    bool oriented = true;
    for (int i = 0; i < 4; ++i)
        oriented = oriented && cross(c[i], c[(i + 1) & 3], c[(i + 2) & 3]) >= 0.0;
    if (isNearlyAffine(M) || (ok && oriented)) {
        if (!ok)
            return {};
        box = boundingBox(std::vector<Pt>(c, c + 4));
    } else {
        const RectD r2{double(srcRect.left), double(srcRect.top), double(srcRect.right), double(srcRect.bottom)};
        if (!TransformProjectedAABB(M, Minv, r1, r2, box))
            return {};
    }
    // Round outward, saturating far outside the int range.
    auto down = [](double v) { return int(std::max(-1e9, std::min(1e9, std::floor(v)))); };
    auto up = [](double v) { return int(std::max(-1e9, std::min(1e9, std::ceil(v)))); };
    return {down(box.left), down(box.top), up(box.right), up(box.bottom)};
}
