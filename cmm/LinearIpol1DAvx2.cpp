// AVX2 body of the table lookups that run ahead of a grid: eight samples at
// a time, bit-identical to Eval016.
#include "cmm/LanesAvx2.h"
#include "cmm/LinearIpol1D.h"

namespace Nuvra {
namespace CMM {

using namespace Avx2Lanes;

void cLinearIpol1D::Eval016RunWide(const uint16_t* in, int inStride, uint16_t* out, int outStride, int count,
                                   const uint16_t* table) const
{
    int i = 0;
    // The lanes hold positions of domains up to 65534; a table needs two entries.
    if (count >= kLanes && domain >= 1 && domain <= 65534) {
        const __m256i dom = _mm256_set1_epi32(domain);
        const __m256i lastPair = _mm256_set1_epi32(domain - 1);
        for (; i + kLanes <= count; i += kLanes) {
            const FixedLanes p = ToFixedLanes(Lanes(in + i * inStride, inStride, 0), dom);
            // The pair read starts one entry early at the last one, whose rest
            // is 0: the lerp then keeps the entry whatever its neighbour.
            const __m256i at = _mm256_min_epi32(p.cell, lastPair);
            const __m256i pair = _mm256_i32gather_epi32(reinterpret_cast<const int*>(table), at, 2);
            const __m256i high = _mm256_srli_epi32(pair, 16);
            const __m256i low = _mm256_and_si256(pair, _mm256_set1_epi32(0xFFFF));
            const __m256i a = _mm256_blendv_epi8(low, high, _mm256_cmpgt_epi32(p.cell, at));
            PutLanes(Lerp8(a, high, p.rest), out + i * outStride, outStride, 0);
        }
    }
    for (; i < count; ++i)
        out[i * outStride] = Eval016(in[i * inStride], table);
}

} // namespace CMM
} // namespace Nuvra
