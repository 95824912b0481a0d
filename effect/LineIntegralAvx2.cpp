// Built with AVX2 enabled; reached only after the kernel switch was asked.

#include "effect/LineIntegralCells.h"
#include "effect/LineIntegralLanes.h"

#include <immintrin.h>

namespace Nuvra {
namespace Effect {
namespace LineIntegralKernels {
namespace Avx2 {

namespace {

struct AvxLanes {
    using F = __m256;
    using I = __m256i;
    static constexpr int kWidth = 8;
    static F set1(float v) { return _mm256_set1_ps(v); }
    static F zero() { return _mm256_setzero_ps(); }
    static F iota(float x) { return _mm256_add_ps(_mm256_set1_ps(x), _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7)); }
    static F load(const float* p) { return _mm256_load_ps(p); }
    static F loadu(const float* p) { return _mm256_loadu_ps(p); }
    static void store(float* p, F v) { _mm256_store_ps(p, v); }
    static F add(F a, F b) { return _mm256_add_ps(a, b); }
    static F mul(F a, F b) { return _mm256_mul_ps(a, b); }
    static F div(F a, F b) { return _mm256_div_ps(a, b); }
    static F sqrt(F a) { return _mm256_sqrt_ps(a); }
    static F andF(F a, F b) { return _mm256_and_ps(a, b); }
    static F orF(F a, F b) { return _mm256_or_ps(a, b); }
    static F xorF(F a, F b) { return _mm256_xor_ps(a, b); }
    static F lessThan(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_LT_OQ); }
    static F notEqual(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_NEQ_UQ); }
    static I set1i(int v) { return _mm256_set1_epi32(v); }
    static I andI(I a, I b) { return _mm256_and_si256(a, b); }
    static I orI(I a, I b) { return _mm256_or_si256(a, b); }
    static I andNotI(I a, I b) { return _mm256_andnot_si256(a, b); }
    static I xorI(I a, I b) { return _mm256_xor_si256(a, b); }
    static I greaterI(I a, I b) { return _mm256_cmpgt_epi32(a, b); }
    static I truncate(F v) { return _mm256_cvttps_epi32(v); }
    static I shiftLeft16(I v) { return _mm256_slli_epi32(v, 16); }
    static I madd16(I a, I b) { return _mm256_madd_epi16(a, b); }
    static F asFloat(I v) { return _mm256_castsi256_ps(v); }
    static I pick(I mask, I a, I b) { return _mm256_blendv_epi8(b, a, mask); }
    static bool anyI(I v) { return _mm256_movemask_epi8(v) != 0; }
    static I loadI(const std::int32_t* p) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(p)); }
    static F gather(const float* base, I index) { return _mm256_i32gather_ps(base, index, 4); }

    // Eight cells, transposed into their step and luminance lanes.
    static void loadCells(const Cell* cells, I index, F& sx, F& sy, F& lum)
    {
        alignas(32) std::int32_t id[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(id), index);
        auto cell = [&](int l) { return _mm_load_ps(&cells[std::uint32_t(id[l])].sx); };
        const F r0 = _mm256_insertf128_ps(_mm256_castps128_ps256(cell(0)), cell(4), 1);
        const F r1 = _mm256_insertf128_ps(_mm256_castps128_ps256(cell(1)), cell(5), 1);
        const F r2 = _mm256_insertf128_ps(_mm256_castps128_ps256(cell(2)), cell(6), 1);
        const F r3 = _mm256_insertf128_ps(_mm256_castps128_ps256(cell(3)), cell(7), 1);
        const F t0 = _mm256_unpacklo_ps(r0, r1);
        const F t1 = _mm256_unpacklo_ps(r2, r3);
        const F t2 = _mm256_unpackhi_ps(r0, r1);
        const F t3 = _mm256_unpackhi_ps(r2, r3);
        sx = _mm256_shuffle_ps(t0, t1, 0x44);
        sy = _mm256_shuffle_ps(t0, t1, 0xEE);
        lum = _mm256_shuffle_ps(t2, t3, 0x44);
    }
};

} // namespace

int stepRow(int w, int h, const float* vx, const float* vy, int y, Cell* cells)
{
    return LaneKernels<AvxLanes>::stepRow(w, h, vx, vy, y, 0, cells);
}

void traceRun(const Cell* cells, int w, int h, int n, const float* wt, float* out, int y, int bx, int xEnd)
{
    LaneKernels<AvxLanes>::traceRun(cells, w, h, n, wt, out, y, bx, xEnd);
}

} // namespace Avx2
} // namespace LineIntegralKernels
} // namespace Effect
} // namespace Nuvra
