#include "cmm/MatrixShaper.h"

#include "cmm/FixedPoint.h"
#include "cmm/Logging.h"
#include "cmm/Saturate.h"

#include <cmath>
#include <cstdlib>
#include <utility>

namespace Nuvra {
namespace CMM {

namespace {

// Within 3 of the straight line everywhere: the curve changes nothing a
// 16-bit pipeline would notice.
bool NearLinear(const cGammaTable& t)
{
    const size_t n = t.table.size();
    if (n < 2)
        return false;
    for (size_t i = 0; i < n; ++i) {
        const int line = SaturateWord(double(i) * 65535.0 / double(n - 1));
        if (std::abs(int(t.table[i]) - line) > 3)
            return false;
    }
    return true;
}

} // namespace

cMatrixShaper::cMatrixShaper(const mat33real_t& m, const cGammaTable* curves, eMtxShaper_FlagSet f)
{
    flags = uint32_t(f) & MtxShaper_DeviceLink;
    if (!SetMatrix(m) || !SetBank(1, curves))
        return;
    CalcEvaluator();
}

cMatrixShaper::cMatrixShaper(const mat33real_t& m, const cGammaTable* inCurves,
                             const cGammaTable* outCurves, eMtxShaper_FlagSet f)
{
    flags = uint32_t(f) & MtxShaper_DeviceLink;
    if (!SetMatrix(m) || !SetBank(1, outCurves) || !SetBank(2, inCurves))
        return;
    CalcEvaluator();
}

bool cMatrixShaper::SetMatrix(const mat33real_t& m)
{
    if (!m.IsFinite()) {
        qCCritical(libcmm(), "cMatrixShaper: the matrix is not finite\n");
        return false;
    }
    if (m.IsClose(mat33real_t::Identity(), 1e-5)) {
        matrix = mat33fixed_t::Identity();
        flags &= ~uint32_t(MtxShaper_Matrix);
    } else {
        matrix = mat33fixed_t::FromReal(m);
        flags |= MtxShaper_Matrix;
    }
    return true;
}

bool cMatrixShaper::SetBank(int bank, const cGammaTable* curves)
{
    std::vector<uint16_t>* tables = bank == 1 ? bank1 : bank2;
    cLinearIpol1D* params = bank == 1 ? bank1Params : bank2Params;
    const uint32_t flag = bank == 1 ? MtxShaper_Bank1 : MtxShaper_Bank2;
    for (int i = 0; i < 3; ++i) {
        tables[i].clear();
        params[i] = cLinearIpol1D();
    }
    flags &= ~flag;
    if (!curves)
        return true;
    for (int i = 0; i < 3; ++i)
        if (curves[i].table.empty()) {
            qCCritical(libcmm(), "cMatrixShaper: empty curve %d\n", i);
            return false;
        }
    if (NearLinear(curves[0]) && NearLinear(curves[1]) && NearLinear(curves[2]))
        return true;
    for (int i = 0; i < 3; ++i) {
        tables[i] = curves[i].table;
        params[i] = cLinearIpol1D(uint32_t(tables[i].size()));
    }
    flags |= flag;
    return true;
}

void cMatrixShaper::swap(cMatrixShaper& o)
{
    std::swap(flags, o.flags);
    std::swap(matrix, o.matrix);
    std::swap(bank1Params, o.bank1Params);
    std::swap(bank1, o.bank1);
    std::swap(bank2Params, o.bank2Params);
    std::swap(bank2, o.bank2);
    std::swap(evaluator, o.evaluator);
}

void cMatrixShaper::CalcEvaluator()
{
    static constexpr Evaluator kToPCS[4] = {&cMatrixShaper::Eval_ToPCS<0>, &cMatrixShaper::Eval_ToPCS<1>,
                                           &cMatrixShaper::Eval_ToPCS<2>, &cMatrixShaper::Eval_ToPCS<3>};
    static constexpr Evaluator kFromPCS[4] = {
        &cMatrixShaper::Eval_FromPCS<0>, &cMatrixShaper::Eval_FromPCS<1>,
        &cMatrixShaper::Eval_FromPCS<2>, &cMatrixShaper::Eval_FromPCS<3>};
    static constexpr Evaluator kNonePCS[8] = {
        &cMatrixShaper::Eval_NonePCS<0>, &cMatrixShaper::Eval_NonePCS<1>,
        &cMatrixShaper::Eval_NonePCS<2>, &cMatrixShaper::Eval_NonePCS<3>,
        &cMatrixShaper::Eval_NonePCS<4>, &cMatrixShaper::Eval_NonePCS<5>,
        &cMatrixShaper::Eval_NonePCS<6>, &cMatrixShaper::Eval_NonePCS<7>};

    const uint32_t direction = flags & MtxShaper_DeviceLink;
    const bool known = (flags & ~uint32_t(0x1F)) == 0 &&
                       (direction == MtxShaper_DeviceLink || !(flags & MtxShaper_Bank2));
    if (!known)
        qFatal("Unexpected flag combination: %x\n", flags);
    if (direction == MtxShaper_DeviceLink)
        evaluator = kNonePCS[flags & 0x7];
    else if (direction == MtxShaper_ToPCS)
        evaluator = kToPCS[flags & 0x3];
    else
        evaluator = kFromPCS[flags & 0x3];
}

template <int S>
void cMatrixShaper::Eval_ToPCS(const uint16_t* in, uint16_t* out) const
{
    vec3fixed_t v;
    for (int i = 0; i < 3; ++i)
        v.v[i] = (S & 2) ? int32_t(bank1Params[i].Eval016To1516(in[i], bank1[i].data()))
                         : ToFixedDomain(in[i]);
    if (S & 1)
        v = matrix * v;
    for (int i = 0; i < 3; ++i)
        out[i] = ClampWord(v.v[i] >> 1);
}

template <int S>
void cMatrixShaper::Eval_FromPCS(const uint16_t* in, uint16_t* out) const
{
    vec3fixed_t v{{int32_t(in[0]) * 2, int32_t(in[1]) * 2, int32_t(in[2]) * 2}};
    if (S & 1)
        v = matrix * v;
    for (int i = 0; i < 3; ++i) {
        const uint16_t o = ClampWord(FromFixedDomain(v.v[i]));
        out[i] = (S & 2) ? bank1Params[i].Eval016(o, bank1[i].data()) : o;
    }
}

template <int S>
void cMatrixShaper::Eval_NonePCS(const uint16_t* in, uint16_t* out) const
{
    vec3fixed_t v;
    for (int i = 0; i < 3; ++i)
        v.v[i] = (S & 4) ? int32_t(bank2Params[i].Eval016To1516(in[i], bank2[i].data()))
                         : ToFixedDomain(in[i]);
    if (S & 1)
        v = matrix * v;
    for (int i = 0; i < 3; ++i) {
        const uint16_t o = ClampWord(FromFixedDomain(v.v[i]));
        out[i] = (S & 2) ? bank1Params[i].Eval016(o, bank1[i].data()) : o;
    }
}

} // namespace CMM
} // namespace Nuvra
