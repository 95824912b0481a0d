// AVX2 bodies of the grid evaluations the precalculated transforms run: the
// output channels of one pixel side by side in four lanes. The tetrahedral
// sums are integers below 2^35, which doubles hold exactly, and its division
// rounds as the plain integer code does; the trilinear lerps run in 64-bit
// integer lanes. Runs of pixels follow at the end. The results are
// bit-identical to the plain evaluators.
#include "cmm/FixedPoint.h"
#include "cmm/Ipol3D.h"
#include "cmm/LanesAvx2.h"

#include <immintrin.h>

#include <cstring>
#include <type_traits>

namespace Nuvra {
namespace CMM {

namespace {

inline int32_t Pair(const uint16_t* p)
{
    int32_t v;
    std::memcpy(&v, p, sizeof(v));
    return v;
}

// N (1..4) 16-bit samples in the low words; reads no further, and whole
// words only, so that stores forward to the loads that follow.
template <int N>
inline __m128i Words(const uint16_t* p)
{
    if constexpr (N == 4)
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    else if constexpr (N == 3)
        return _mm_insert_epi16(_mm_cvtsi32_si128(Pair(p)), p[2], 2);
    else if constexpr (N == 2)
        return _mm_cvtsi32_si128(Pair(p));
    else
        return _mm_cvtsi32_si128(p[0]);
}

// The low N words of w; writes no further.
template <int N>
inline void PutWords(__m128i w, uint16_t* p)
{
    if constexpr (N == 4) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), w);
    } else {
        const int32_t lo = _mm_cvtsi128_si32(w);
        if constexpr (N >= 2)
            std::memcpy(p, &lo, sizeof(lo));
        else
            p[0] = uint16_t(lo);
        if constexpr (N == 3)
            p[2] = uint16_t(_mm_extract_epi16(w, 2));
    }
}

template <int N>
inline __m256d Load(const uint16_t* p)
{
    return _mm256_cvtepi32_pd(_mm_cvtepu16_epi32(Words<N>(p)));
}

template <int N>
inline void Store(__m256d v, uint16_t* p)
{
    PutWords<N>(_mm_packus_epi32(_mm256_cvttpd_epi32(v), _mm_setzero_si128()), p);
}

inline __m256d Rest(uint32_t r) { return _mm256_set1_pd(double(r)); }

// Lerp16: a + floor(((b - a) x rest + 0x8000) / 65536); the scaling by a
// power of two is exact.
inline __m256d Lerp(__m256d a, __m256d b, __m256d rest)
{
    const __m256d t = _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(b, a), rest), _mm256_set1_pd(32768.0));
    return _mm256_add_pd(a, _mm256_floor_pd(_mm256_mul_pd(t, _mm256_set1_pd(1.0 / 65536.0))));
}

// N (1..4) 16-bit samples in the low halves of four 64-bit lanes.
template <int N>
inline __m256i LoadWide(const uint16_t* p)
{
    return _mm256_cvtepu16_epi64(Words<N>(p));
}

// Lerp16 in 64-bit lanes, for the shorter chain of the trilinear grid: the
// signed product of the low halves is exact, and the shifted sum's low half
// is the plain result whatever the upper bits hold.
inline __m256i LerpWide(__m256i a, __m256i b, __m256i rest)
{
    const __m256i t = _mm256_add_epi64(_mm256_mul_epi32(_mm256_sub_epi64(b, a), rest), _mm256_set1_epi64x(0x8000));
    return _mm256_add_epi64(a, _mm256_srli_epi64(t, 16));
}

template <int N>
inline void StoreWide(__m256i v, uint16_t* p)
{
    // The low 16 bits of each lane, in lane order.
    const __m256i packed = _mm256_shuffle_epi8(v, _mm256_setr_epi8(0, 1, 8, 9, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                                                   -1, -1, 0, 1, 8, 9, -1, -1, -1, -1, -1, -1, -1, -1,
                                                                   -1, -1, -1, -1));
    PutWords<N>(_mm_unpacklo_epi32(_mm256_castsi256_si128(packed), _mm256_extracti128_si256(packed, 1)), p);
}

// One tetrahedron of a cell: the offsets of the nodes after each step from
// the base and the rests in step order.
struct Tetra {
    int32_t base;
    int32_t s1, s2, s3;
    __m256d r1, r2, r3;
};

// Picks the tetrahedron without branches: the axes in falling order of their
// rests. Where rests tie, the node the tie decides gets a zero weight, so any
// order of the tied axes gives the plain evaluator's result.
inline Tetra SelectTetra(const cIpol3D& g, const uint16_t* in)
{
    const FixedPos p[3] = {ToFixedPos(in[0], uint32_t(g.domain)), ToFixedPos(in[1], uint32_t(g.domain)),
                           ToFixedPos(in[2], uint32_t(g.domain))};
    const int32_t d[3] = {in[0] == 0xFFFF ? 0 : g.opta[2], in[1] == 0xFFFF ? 0 : g.opta[1],
                          in[2] == 0xFFFF ? 0 : g.opta[0]};
    // Axis order by (x >= y) | (y >= z) << 1 | (x >= z) << 2; 3 and 4 cannot occur.
    static constexpr uint8_t kOrder[8][3] = {{2, 1, 0}, {2, 0, 1}, {1, 2, 0}, {0, 1, 2},
                                             {2, 1, 0}, {0, 2, 1}, {1, 0, 2}, {0, 1, 2}};
    const unsigned key = unsigned(p[0].rest >= p[1].rest) | unsigned(p[1].rest >= p[2].rest) << 1 |
                         unsigned(p[0].rest >= p[2].rest) << 2;
    const uint8_t* o = kOrder[key];
    Tetra t;
    t.base = int32_t(p[0].cell) * g.opta[2] + int32_t(p[1].cell) * g.opta[1] + int32_t(p[2].cell) * g.opta[0];
    t.s1 = d[o[0]];
    t.s2 = t.s1 + d[o[1]];
    t.s3 = t.s2 + d[o[2]];
    t.r1 = Rest(p[o[0]].rest);
    t.r2 = Rest(p[o[1]].rest);
    t.r3 = Rest(p[o[2]].rest);
    return t;
}

// Channels c .. c + N - 1 of the tetrahedron: c0 + trunc((rest + 32767) / 65535).
// The quotient of integers below 2^35 by 65535 never rounds across an integer.
template <int N>
inline __m256d TetraChannels(const Tetra& t, const uint16_t* grid, int c)
{
    const uint16_t* base = grid + t.base + c;
    const __m256d c0 = Load<N>(base);
    const __m256d p1 = Load<N>(base + t.s1);
    const __m256d p2 = Load<N>(base + t.s2);
    const __m256d p3 = Load<N>(base + t.s3);
    const __m256d rest = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(p1, c0), t.r1),
                                                     _mm256_mul_pd(_mm256_sub_pd(p2, p1), t.r2)),
                                       _mm256_mul_pd(_mm256_sub_pd(p3, p2), t.r3));
    const __m256d q = _mm256_div_pd(_mm256_add_pd(rest, _mm256_set1_pd(32767.0)), _mm256_set1_pd(65535.0));
    return _mm256_add_pd(c0, _mm256_round_pd(q, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC));
}

// Runs body.template operator()<N>(c) over the outputs in groups of four.
template <class Body>
inline void ByFours(int outputs, const Body& body)
{
    int c = 0;
    for (; c + 4 <= outputs; c += 4)
        body(std::integral_constant<int, 4>(), c);
    switch (outputs - c) {
    case 3: body(std::integral_constant<int, 3>(), c); break;
    case 2: body(std::integral_constant<int, 2>(), c); break;
    case 1: body(std::integral_constant<int, 1>(), c); break;
    default: break;
    }
}

} // namespace

void cIpol3D::EvalTetrahedral16Wide(const uint16_t* in, uint16_t* out, const uint16_t* grid) const
{
    const Tetra t = SelectTetra(*this, in);
    if (outputs == 3) {
        Store<3>(TetraChannels<3>(t, grid, 0), out);
        return;
    }
    ByFours(outputs, [&](auto n, int c) {
        Store<decltype(n)::value>(TetraChannels<decltype(n)::value>(t, grid, c), out + c);
    });
}

void cIpol3D::Eval4InputsWide(const uint16_t* in, uint16_t* out, const uint16_t* grid) const
{
    const AxisNodes w = ToAxisNodes(in[0], uint32_t(domain), opta[3]);
    const Tetra t = SelectTetra(*this, in + 1);
    const __m256d rest = Rest(w.rest);
    ByFours(outputs, [&](auto n, int c) {
        constexpr int N = decltype(n)::value;
        Store<N>(Lerp(TetraChannels<N>(t, grid + w.lo, c), TetraChannels<N>(t, grid + w.hi, c), rest), out + c);
    });
}

void cIpol3D::Eval3InputsWide(const uint16_t* in, uint16_t* out, const uint16_t* grid) const
{
    const AxisNodes x = ToAxisNodes(in[0], uint32_t(domain), opta[2]);
    const AxisNodes y = ToAxisNodes(in[1], uint32_t(domain), opta[1]);
    const AxisNodes z = ToAxisNodes(in[2], uint32_t(domain), opta[0]);
    const __m256i rx = _mm256_set1_epi64x(x.rest), ry = _mm256_set1_epi64x(y.rest);
    const __m256i rz = _mm256_set1_epi64x(z.rest);
    ByFours(outputs, [&](auto n, int c) {
        constexpr int N = decltype(n)::value;
        const auto at = [&](int32_t i, int32_t j, int32_t k) { return LoadWide<N>(grid + i + j + k + c); };
        const __m256i d00 = LerpWide(at(x.lo, y.lo, z.lo), at(x.hi, y.lo, z.lo), rx);
        const __m256i d01 = LerpWide(at(x.lo, y.lo, z.hi), at(x.hi, y.lo, z.hi), rx);
        const __m256i d10 = LerpWide(at(x.lo, y.hi, z.lo), at(x.hi, y.hi, z.lo), rx);
        const __m256i d11 = LerpWide(at(x.lo, y.hi, z.hi), at(x.hi, y.hi, z.hi), rx);
        StoreWide<N>(LerpWide(LerpWide(d00, d10, ry), LerpWide(d01, d11, ry), rz), out + c);
    });
}

namespace {

// Runs of the precalculated three-input grids in 32-bit lanes: eight pixels
// side by side for the tetrahedral grid, the channels of two nodes for the
// trilinear one. Every sample and rest is below 2^16 and every offset below
// 2^28, so the lanes hold the plain evaluators' integers exactly.
using namespace Avx2Lanes;

// The step to the upper neighbour on an axis: none from the last node.
inline __m256i Step(__m256i v, int32_t stride)
{
    return _mm256_andnot_si256(_mm256_cmpeq_epi32(v, _mm256_set1_epi32(0xFFFF)), _mm256_set1_epi32(stride));
}

// Channels c and c + 1 of the nodes at `at` in the low and high halves of the
// lanes. The last channel of an odd count comes from the pair that ends on it,
// so no read passes the node's last sample.
inline __m256i NodePair(const uint16_t* grid, __m256i at, int c, int outputs)
{
    const int first = c + 1 < outputs ? c : c - 1;
    return _mm256_i32gather_epi32(reinterpret_cast<const int*>(grid + first), at, 2);
}

inline __m256i LowWord(__m256i pair) { return _mm256_and_si256(pair, _mm256_set1_epi32(0xFFFF)); }
inline __m256i HighWord(__m256i pair) { return _mm256_srli_epi32(pair, 16); }

// Runs body(pixel in, pixel out) over a run in groups of eight and evaluates
// the tail one pixel at a time with the single-pixel body.
template <class Eight, class One>
inline void ByEights(const uint16_t* in, int inStride, uint16_t* out, int outStride, int count, const Eight& eight,
                     const One& one)
{
    int i = 0;
    for (; i + kLanes <= count; i += kLanes)
        eight(in + i * inStride, out + i * outStride);
    for (; i < count; ++i)
        one(in + i * inStride, out + i * outStride);
}

// Two nodes along the last axis, 2 x outputs samples from `at` widened to
// 32-bit lanes. Near the grid's end the samples past it read as zero.
inline __m256i NodeRow(const uint16_t* grid, size_t size, int32_t at)
{
    if (size_t(at) + 8 <= size)
        return _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(grid + at)));
    uint16_t row[8] = {};
    std::memcpy(row, grid + at, (size - size_t(at)) * sizeof(uint16_t));
    return _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row)));
}

} // namespace

void cIpol3D::Eval3InputsRun(const uint16_t* in, int inStride, uint16_t* out, int outStride, int count,
                             const uint16_t* grid) const
{
    const int n = outputs;
    if (n > 4) {
        for (int i = 0; i < count; ++i)
            Eval3InputsWide(in + i * inStride, out + i * outStride, grid);
        return;
    }
    // Up to four outputs: the lower node along the last axis in the first n
    // lanes, the upper one in the next n. From the last node the upper one is
    // any sample, or none, as its rest is 0: a lerp with rest 0 keeps its
    // first value whatever the second.
    const size_t size = SampleCount();
    const __m256i upper = _mm256_add_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(n));
    for (int i = 0; i < count; ++i) {
        const uint16_t* px = in + i * inStride;
        const AxisNodes x = ToAxisNodes(px[0], uint32_t(domain), opta[2]);
        const AxisNodes y = ToAxisNodes(px[1], uint32_t(domain), opta[1]);
        const FixedPos z = ToFixedPos(px[2], uint32_t(domain));
        const int32_t zlo = int32_t(z.cell) * opta[0];
        const __m256i rx = _mm256_set1_epi32(int32_t(x.rest)), ry = _mm256_set1_epi32(int32_t(y.rest));
        const __m256i d0 = Lerp8(NodeRow(grid, size, x.lo + y.lo + zlo), NodeRow(grid, size, x.hi + y.lo + zlo), rx);
        const __m256i d1 = Lerp8(NodeRow(grid, size, x.lo + y.hi + zlo), NodeRow(grid, size, x.hi + y.hi + zlo), rx);
        const __m256i e = Lerp8(d0, d1, ry);
        const __m256i r = Lerp8(e, _mm256_permutevar8x32_epi32(e, upper), _mm256_set1_epi32(int32_t(z.rest)));
        const __m128i words = _mm_packus_epi32(_mm256_castsi256_si128(r), _mm256_castsi256_si128(r));
        uint16_t* po = out + i * outStride;
        switch (n) {
        case 4: PutWords<4>(words, po); break;
        case 3: PutWords<3>(words, po); break;
        case 2: PutWords<2>(words, po); break;
        default: PutWords<1>(words, po); break;
        }
    }
}

void cIpol3D::EvalTetrahedral16Run(const uint16_t* in, int inStride, uint16_t* out, int outStride, int count,
                                   const uint16_t* grid) const
{
    const __m256i dom = _mm256_set1_epi32(domain);
    const int n = outputs;
    ByEights(
        in, inStride, out, outStride, count,
        [&](const uint16_t* px, uint16_t* po) {
            __m256i base = _mm256_setzero_si256(), step[3], rest[3];
            for (int k = 0; k < 3; ++k) {
                const __m256i v = Lanes(px, inStride, k);
                const FixedLanes f = ToFixedLanes(v, dom);
                base = _mm256_add_epi32(base, _mm256_mullo_epi32(f.cell, _mm256_set1_epi32(opta[2 - k])));
                step[k] = Step(v, opta[2 - k]);
                rest[k] = f.rest;
            }
            // The axes in falling order of their rests. A tie gives the node
            // it decides a zero weight, so either of the tied axes will do.
            const __m256i r1 = _mm256_max_epi32(_mm256_max_epi32(rest[0], rest[1]), rest[2]);
            const __m256i r3 = _mm256_min_epi32(_mm256_min_epi32(rest[0], rest[1]), rest[2]);
            const __m256i r2 =
                _mm256_sub_epi32(_mm256_add_epi32(_mm256_add_epi32(rest[0], rest[1]), rest[2]), _mm256_add_epi32(r1, r3));
            const __m256i s3 = _mm256_add_epi32(_mm256_add_epi32(step[0], step[1]), step[2]);
            const auto pick = [&](const __m256i& r, int first, int second, int third) {
                const __m256i isSecond = _mm256_cmpeq_epi32(rest[second], r);
                const __m256i isFirst = _mm256_cmpeq_epi32(rest[first], r);
                return _mm256_blendv_epi8(_mm256_blendv_epi8(step[third], step[second], isSecond), step[first],
                                          isFirst);
            };
            const __m256i at[4] = {base, _mm256_add_epi32(base, pick(r1, 0, 1, 2)),
                                   _mm256_add_epi32(base, _mm256_sub_epi32(s3, pick(r3, 2, 1, 0))),
                                   _mm256_add_epi32(base, s3)};
            // c0 + trunc((rest + 32767) / 65535) as one unsigned quotient:
            // with the weights w0 = 65535 - r1, r1 - r2, r2 - r3 and r3 (their
            // sum 65535), t = w . nodes + 32767 = rest + 32767 + 65535 c0 stays
            // below 2^32, and the plain result is floor(t / 65535) where rest +
            // 32767 >= 0, that is t >= 65535 c0, and ceil(t / 65535) below.
            const __m256i w[4] = {_mm256_sub_epi32(_mm256_set1_epi32(65535), r1), _mm256_sub_epi32(r1, r2),
                                  _mm256_sub_epi32(r2, r3), r3};
            const auto walk = [&](const __m256i (&s)[4]) {
                __m256i t = _mm256_set1_epi32(32767);
                for (int j = 0; j < 4; ++j)
                    t = _mm256_add_epi32(t, _mm256_mullo_epi32(w[j], s[j]));
                const __m256i floorAt = _mm256_sub_epi32(_mm256_slli_epi32(s[0], 16), s[0]);
                const __m256i atOrAbove = _mm256_cmpeq_epi32(_mm256_max_epu32(t, floorAt), t);
                return Div65535(_mm256_add_epi32(t, _mm256_andnot_si256(atOrAbove, _mm256_set1_epi32(65534))));
            };
            for (int c = 0; c < n; c += 2) {
                __m256i low[4], high[4];
                for (int j = 0; j < 4; ++j) {
                    const __m256i pair = NodePair(grid, at[j], c, n);
                    low[j] = LowWord(pair);
                    high[j] = HighWord(pair);
                }
                if (c + 1 < n) {
                    PutLanes(walk(low), po, outStride, c);
                    PutLanes(walk(high), po, outStride, c + 1);
                } else {
                    PutLanes(walk(high), po, outStride, c);
                }
            }
        },
        [&](const uint16_t* px, uint16_t* po) { EvalTetrahedral16Wide(px, po, grid); });
}

} // namespace CMM
} // namespace Nuvra
