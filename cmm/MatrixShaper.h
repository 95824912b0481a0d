#pragma once

#include "cmm/GammaTable.h"
#include "cmm/LinearIpol1D.h"
#include "cmm/Matrix.h"

#include <QFlags>

#include <cstdint>
#include <vector>

namespace Nuvra {
namespace CMM {

enum eMtxShaper_Flags : uint32_t {
    MtxShaper_Matrix = 0x01,
    MtxShaper_Bank1 = 0x02,   // curves after the matrix (before it towards the PCS)
    MtxShaper_Bank2 = 0x04,   // input curves of the device-to-device direction
    MtxShaper_ToPCS = 0x08,
    MtxShaper_FromPCS = 0x10,
    MtxShaper_DeviceLink = 0x18,
};
Q_DECLARE_FLAGS(eMtxShaper_FlagSet, eMtxShaper_Flags)

// Fast path of matrix-shaper profiles: three curves and one 3x3 matrix in
// 16-bit integer arithmetic. PCS values are XYZ in the 1.15 encoding.
class cProfile;

class cMatrixShaper {
public:
    using Evaluator = void (cMatrixShaper::*)(const uint16_t* in, uint16_t* out) const;

    uint32_t flags = 0;
    mat33fixed_t matrix = mat33fixed_t::Identity();
    // Each curve is read with its own entry count.
    cLinearIpol1D bank1Params[3];
    std::vector<uint16_t> bank1[3];
    cLinearIpol1D bank2Params[3];
    std::vector<uint16_t> bank2[3];
    Evaluator evaluator = nullptr;

    cMatrixShaper() = default;
    // curves: three tables (or null). Empty curves or a non-finite matrix
    // leave the object without evaluator, with a critical line.
    cMatrixShaper(const mat33real_t& m, const cGammaTable* curves, eMtxShaper_FlagSet flags);
    cMatrixShaper(const mat33real_t& m, const cGammaTable* inCurves, const cGammaTable* outCurves,
                  eMtxShaper_FlagSet flags);

    void swap(cMatrixShaper& other);

    // From a matrix-shaper profile (RGB colorants and curves, or a GRAY
    // curve); a default object (no evaluator) when a tag is missing or a
    // matrix cannot be inverted.
    static void BuildToPCS(const cProfile& p, cMatrixShaper& out);
    static void BuildFromPCS(const cProfile& p, cMatrixShaper& out);
    static void BuildGrayToPCS(const cProfile& p, cMatrixShaper& out);
    static void BuildGrayFromPCS(const cProfile& p, cMatrixShaper& out);
    static void BuildNonePCS(const cProfile& in, const cProfile& out, cMatrixShaper& result);

    void CalcEvaluator();
    bool IsValid() const { return evaluator != nullptr; }
    void Eval(const uint16_t* in, uint16_t* out) const { (this->*evaluator)(in, out); }

    template <int S>
    void Eval_ToPCS(const uint16_t* in, uint16_t* out) const;
    template <int S>
    void Eval_FromPCS(const uint16_t* in, uint16_t* out) const;
    template <int S>
    void Eval_NonePCS(const uint16_t* in, uint16_t* out) const;

private:
    bool SetMatrix(const mat33real_t& m);
    bool SetBank(int bank, const cGammaTable* curves);
};

} // namespace CMM
} // namespace Nuvra

Q_DECLARE_OPERATORS_FOR_FLAGS(Nuvra::CMM::eMtxShaper_FlagSet)
