#pragma once

#include <cstdint>
#include <cstddef>

namespace Nuvra {
namespace CMM {

// Most channels any stage carries.
constexpr int kMaxChannels = 16;
// Most inputs a grid interpolates.
constexpr int kMaxGridInputs = 8;

// Grid interpolation of a colour lookup table: output channels vary fastest,
// then the last input, the first input slowest. Evaluators are const and
// touch no member state, so one grid serves any number of threads.
class cIpol3D {
public:
    using Evaluator = void (cIpol3D::*)(const uint16_t* in, uint16_t* out,
                                        const uint16_t* grid) const;
    // count pixels at once, their samples inStride and outStride apart.
    using RunEvaluator = void (cIpol3D::*)(const uint16_t* in, int inStride, uint16_t* out, int outStride,
                                           int count, const uint16_t* grid) const;

    int32_t gridPoints = 0;
    int32_t inputs = 0;
    int32_t outputs = 0;
    int32_t domain = 0;
    int32_t opta[kMaxGridInputs] = {}; // outputs x gridPoints^k; 0 where it would not fit
    bool tetrahedral = false;

    cIpol3D() = default;
    cIpol3D(int gridPoints, int inputs, int outputs, bool tetrahedral);

    void swap(cIpol3D& other);

    // Samples a grid of this shape holds, or 0 when the shape is unsupported
    // or larger than the engine accepts.
    size_t SampleCount() const;

    // The evaluator for the input count; null (with a critical line) for
    // shapes the engine cannot interpolate: 0, 2 or more than 8 inputs, fewer
    // than 2 grid points, no or more than 16 outputs, or an oversized grid.
    // Three and four inputs take the AVX2 evaluators where the kernels may run.
    Evaluator CalcEvaluator() const;
    // The evaluator of whole runs, with the results of CalcEvaluator's, where
    // the AVX2 kernels may run: three inputs (tetrahedral: at least two
    // outputs); null otherwise, and the caller goes pixel by pixel.
    RunEvaluator CalcRunEvaluator() const;

    // Offset of the node at `at` (1, 3 or 4 inputs), -1 when `at` is not on a
    // node.
    int32_t PatchLUTIndex(const uint16_t* at, int inputs) const;

    void Eval1Input(const uint16_t* in, uint16_t* out, const uint16_t* grid) const;
    void Eval3Inputs(const uint16_t* in, uint16_t* out, const uint16_t* grid) const;
    void EvalTetrahedral16(const uint16_t* in, uint16_t* out, const uint16_t* grid) const;
    void Eval4Inputs(const uint16_t* in, uint16_t* out, const uint16_t* grid) const;
    void Eval5Inputs(const uint16_t* in, uint16_t* out, const uint16_t* grid) const;
    void Eval6Inputs(const uint16_t* in, uint16_t* out, const uint16_t* grid) const;
    void Eval7Inputs(const uint16_t* in, uint16_t* out, const uint16_t* grid) const;
    void Eval8Inputs(const uint16_t* in, uint16_t* out, const uint16_t* grid) const;

    // AVX2 bodies of Eval3Inputs, EvalTetrahedral16 and Eval4Inputs, with
    // bit-identical results; only for processors that offer AVX2.
    void Eval3InputsWide(const uint16_t* in, uint16_t* out, const uint16_t* grid) const;
    void EvalTetrahedral16Wide(const uint16_t* in, uint16_t* out, const uint16_t* grid) const;
    void Eval4InputsWide(const uint16_t* in, uint16_t* out, const uint16_t* grid) const;
    // AVX2 runs of Eval3Inputs and EvalTetrahedral16, eight pixels at a time.
    void Eval3InputsRun(const uint16_t* in, int inStride, uint16_t* out, int outStride, int count,
                        const uint16_t* grid) const;
    void EvalTetrahedral16Run(const uint16_t* in, int inStride, uint16_t* out, int outStride, int count,
                              const uint16_t* grid) const;

private:
    template <int M>
    void EvalNInputs(const uint16_t* in, uint16_t* out, const uint16_t* grid) const;
};

} // namespace CMM
} // namespace Nuvra
