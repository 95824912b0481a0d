#include "cmm/LUT.h"

#include "cmm/ColorRecords.h"
#include "cmm/FixedPoint.h"
#include "cmm/Logging.h"
#include "cmm/Saturate.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace Nuvra {
namespace CMM {

namespace {

// One matrix stage on channels 0..2: to the fixed domain, product, offset,
// back to 16 bits.
inline void MatrixStage(const mat33fixed_t& m, const vec3fixed_t* offset, uint16_t* w)
{
    const vec3fixed_t v{{ToFixedDomain(w[0]), ToFixedDomain(w[1]), ToFixedDomain(w[2])}};
    const vec3fixed_t r = m * v;
    for (int i = 0; i < 3; ++i) {
        const int64_t s = int64_t(r.v[i]) + (offset ? offset->v[i] : 0);
        w[i] = ClampWord(FromFixedDomain(s));
    }
}

inline void CurveStage(const cLinearIpol1D* params, const cGammaTable* tables, int n, uint16_t* w)
{
    for (int i = 0; i < n; ++i)
        w[i] = params[i].Eval016(w[i], tables[i].table.data());
}

bool IsIdentity(const mat33fixed_t& m)
{
    const mat33fixed_t id = mat33fixed_t::Identity();
    for (int i = 0; i < 9; ++i)
        if (std::fabs(double(m.m[i]) - double(id.m[i])) / 65536.0 > 0.0001)
            return false;
    return true;
}

// Index of a channel count among the specialised ones (1, 3, 4), or -1.
int Slot134(int n)
{
    return n == 1 ? 0 : n == 3 ? 1 : n == 4 ? 2 : -1;
}

int Slot34(int n)
{
    return n == 3 ? 0 : n == 4 ? 1 : -1;
}

} // namespace

cLUT::cLUT(int gridPoints, int in, int out, bool tetrahedral)
{
    Set3DGrid(gridPoints, in, out, tetrahedral);
}

void cLUT::swap(cLUT& o)
{
    std::swap(flags, o.flags);
    std::swap(grayAxisFix, o.grayAxisFix);
    std::swap(matrix, o.matrix);
    std::swap(inputs, o.inputs);
    std::swap(inputCurveParams, o.inputCurveParams);
    std::swap(inputTables, o.inputTables);
    grid.swap(o.grid);
    gridSamples.swap(o.gridSamples);
    std::swap(gridEvaluator, o.gridEvaluator);
    std::swap(gridRunEvaluator, o.gridRunEvaluator);
    std::swap(outputs, o.outputs);
    std::swap(outputCurveParams, o.outputCurveParams);
    std::swap(outputTables, o.outputTables);
    std::swap(matrix3, o.matrix3);
    std::swap(offset3, o.offset3);
    std::swap(curves3Params, o.curves3Params);
    std::swap(curves3, o.curves3);
    std::swap(matrix4, o.matrix4);
    std::swap(offset4, o.offset4);
    std::swap(curves4Params, o.curves4Params);
    std::swap(curves4, o.curves4);
    std::swap(tagType, o.tagType);
    std::swap(precision, o.precision);
    std::swap(evaluator, o.evaluator);
}

void cLUT::Set3DGrid(int gridPoints, int in, int out, bool tetrahedral)
{
    inputs = in;
    outputs = out;
    grid = cIpol3D(gridPoints, in, out, tetrahedral);
    if (gridPoints != 0) {
        flags |= LUT_Grid;
        // An unsupported shape gets no samples; CalcEvaluators reports it.
        gridSamples.resize(grid.SampleCount(), 0);
    } else {
        flags &= ~uint32_t(LUT_Grid);
        gridSamples.clear();
    }
    CalcEvaluators();
}

void cLUT::SetLinearTable(int bank, const cGammaTable* tables)
{
    struct Bank {
        cGammaTable* tables;
        uint32_t flag;
        bool perInput;
    };
    const Bank banks[4] = {
        {inputTables, LUT_InputTables, true},
        {outputTables, LUT_OutputTables, false},
        {curves3, LUT_Curves3, true},
        {curves4, LUT_Curves4, false},
    };
    if (bank >= 1 && bank <= 4 && tables) {
        const Bank& b = banks[bank - 1];
        const int n = std::min(b.perInput ? inputs : outputs, kMaxChannels);
        for (int i = 0; i < n; ++i)
            b.tables[i] = tables[i];
        flags |= b.flag;
    }
    CalcEvaluators();
}

void cLUT::SetMatrix(eLUT_Flags which, const mat33fixed_t& m, const vec3fixed_t& offset)
{
    const bool identity = IsIdentity(m);
    const bool noOffset = offset.v[0] == 0 && offset.v[1] == 0 && offset.v[2] == 0;
    switch (which) {
    case LUT_Matrix:
        if (identity) {
            flags &= ~uint32_t(LUT_Matrix);
            matrix = mat33fixed_t::Identity();
        } else {
            flags |= LUT_Matrix;
            matrix = m;
        }
        break;
    case LUT_Matrix3:
    case LUT_Matrix4: {
        mat33fixed_t& target = which == LUT_Matrix3 ? matrix3 : matrix4;
        vec3fixed_t& targetOffset = which == LUT_Matrix3 ? offset3 : offset4;
        if (identity && noOffset) {
            flags &= ~uint32_t(which);
            target = mat33fixed_t::Identity();
            targetOffset = vec3fixed_t{};
        } else {
            flags |= which;
            target = m;
            targetOffset = offset;
        }
        break;
    }
    default:
        break;
    }
    CalcEvaluators();
}

void cLUT::SetTetrahedralCLUT(bool tetrahedral)
{
    if (grid.tetrahedral == tetrahedral)
        return;
    grid.tetrahedral = tetrahedral;
    if (flags & LUT_Grid)
        CalcEvaluators();
}

void cLUT::PatchLUT(const uint16_t* at, const uint16_t* values, int count, int in)
{
    if ((flags & LUT_InputTables) || !(flags & LUT_Grid) || in != inputs || count < 0 ||
        count > outputs)
        return;
    const int32_t index = grid.PatchLUTIndex(at, in);
    if (index < 0 || size_t(index) + size_t(count) > gridSamples.size())
        return;
    std::copy(values, values + count, gridSamples.begin() + index);
}

bool cLUT::StagesFit() const
{
    if (inputs < 1 || inputs > kMaxChannels || outputs < 1 || outputs > kMaxChannels) {
        qCCritical(libcmm(), "cLUT: unsupported channel counts %d -> %d\n", inputs, outputs);
        return false;
    }
    if (flags & LUT_Grid) {
        if (!gridEvaluator)
            return false; // already reported by the grid
        if (grid.inputs != inputs || grid.outputs != outputs ||
            gridSamples.size() != grid.SampleCount()) {
            qCCritical(libcmm(), "cLUT: the grid does not match its channel counts\n");
            return false;
        }
    }
    struct Bank {
        uint32_t flag;
        const cGammaTable* tables;
        int count;
    };
    const Bank banks[] = {
        {LUT_InputTables, inputTables, inputs},
        {LUT_OutputTables, outputTables, outputs},
        {LUT_Curves3, curves3, inputs},
        {LUT_Curves4, curves4, outputs},
    };
    for (const Bank& b : banks) {
        if (!(flags & b.flag))
            continue;
        for (int i = 0; i < b.count; ++i)
            if (b.tables[i].table.empty()) {
                qCCritical(libcmm(), "cLUT: empty curve %d in stage 0x%x\n", i, b.flag);
                return false;
            }
    }
    return true;
}

void cLUT::CalcEvaluators()
{
    gridEvaluator = (flags & LUT_Grid) ? grid.CalcEvaluator() : nullptr;
    gridRunEvaluator = gridEvaluator ? grid.CalcRunEvaluator() : nullptr;
    evaluator = nullptr;
    if (!StagesFit())
        return;

    for (int i = 0; i < kMaxChannels; ++i) {
        inputCurveParams[i] = cLinearIpol1D(uint32_t(inputTables[i].table.size()));
        outputCurveParams[i] = cLinearIpol1D(uint32_t(outputTables[i].table.size()));
        curves3Params[i] = cLinearIpol1D(uint32_t(curves3[i].table.size()));
        curves4Params[i] = cLinearIpol1D(uint32_t(curves4[i].table.size()));
    }

    static constexpr Evaluator kEmpty[3][3] = {
        {&cLUT::EvalLUT_Empty_XX<1, 1>, &cLUT::EvalLUT_Empty_XX<1, 3>, &cLUT::EvalLUT_Empty_XX<1, 4>},
        {&cLUT::EvalLUT_Empty_XX<3, 1>, &cLUT::EvalLUT_Empty_XX<3, 3>, &cLUT::EvalLUT_Empty_XX<3, 4>},
        {&cLUT::EvalLUT_Empty_XX<4, 1>, &cLUT::EvalLUT_Empty_XX<4, 3>, &cLUT::EvalLUT_Empty_XX<4, 4>},
    };
    static constexpr Evaluator kTL1[3][3] = {
        {&cLUT::EvalLUT_TL1_CLUT_XX<1, 1>, &cLUT::EvalLUT_TL1_CLUT_XX<1, 3>,
         &cLUT::EvalLUT_TL1_CLUT_XX<1, 4>},
        {&cLUT::EvalLUT_TL1_CLUT_XX<3, 1>, &cLUT::EvalLUT_TL1_CLUT_XX<3, 3>,
         &cLUT::EvalLUT_TL1_CLUT_XX<3, 4>},
        {&cLUT::EvalLUT_TL1_CLUT_XX<4, 1>, &cLUT::EvalLUT_TL1_CLUT_XX<4, 3>,
         &cLUT::EvalLUT_TL1_CLUT_XX<4, 4>},
    };
    static constexpr Evaluator kFull[2][2] = {
        {&cLUT::EvalLUT_Full_XX<3, 3>, &cLUT::EvalLUT_Full_XX<3, 4>},
        {&cLUT::EvalLUT_Full_XX<4, 3>, &cLUT::EvalLUT_Full_XX<4, 4>},
    };

    const int i134 = Slot134(inputs), o134 = Slot134(outputs);
    const int i34 = Slot34(inputs), o34 = Slot34(outputs);
    if (flags == 0)
        evaluator = i134 >= 0 && o134 >= 0 ? kEmpty[i134][o134] : &cLUT::EvalLUT_Empty;
    else if (flags == LUT_Grid)
        evaluator = &cLUT::EvalLUT_CLUT;
    else if (flags == (LUT_Grid | LUT_InputTables))
        evaluator = i134 >= 0 && o134 >= 0 ? kTL1[i134][o134] : &cLUT::EvalLUT_TL1_CLUT;
    else
        evaluator = i34 >= 0 && o34 >= 0 ? kFull[i34][o34] : &cLUT::EvalLUT_Full;
}

template <int In, int Out>
inline void cLUT::Copy(const uint16_t* in, uint16_t* out) const
{
    const int ni = In ? In : inputs;
    const int no = Out ? Out : outputs;
    const int n = std::min(ni, no);
    for (int i = 0; i < n; ++i)
        out[i] = in[i];
    for (int i = n; i < no; ++i)
        out[i] = 0;
}

template <int In, int Out>
inline void cLUT::TablesThenGrid(const uint16_t* in, uint16_t* out) const
{
    const int ni = In ? In : inputs;
    uint16_t w[kMaxChannels];
    for (int i = 0; i < ni; ++i)
        w[i] = inputCurveParams[i].Eval016(in[i], inputTables[i].table.data());
    (grid.*gridEvaluator)(w, out, gridSamples.data());
}

template <int In, int Out>
inline void cLUT::Full(const uint16_t* in, uint16_t* out) const
{
    const int ni = In ? In : inputs;
    const int no = Out ? Out : outputs;
    // Matrix stages read channels 0..2 even of narrower pipelines.
    uint16_t w[kMaxChannels] = {0, 0, 0};
    uint16_t o[kMaxChannels] = {0, 0, 0};
    for (int i = 0; i < ni; ++i)
        w[i] = in[i];
    const uint32_t f = flags;

    if (f & LUT_LabInputFromV2)
        for (int i = 0; i < std::min(ni, 3); ++i) {
            const uint32_t v = std::min<uint32_t>(w[i], 0xFF00);
            w[i] = uint16_t((v * 257 + 128) >> 8);
        }
    if (f & LUT_Matrix) {
        if (grayAxisFix) {
            w[1] = w[1] > 128 ? uint16_t(w[1] - 128) : 0;
            w[2] = w[2] > 128 ? uint16_t(w[2] - 128) : 0;
        }
        MatrixStage(matrix, nullptr, w);
    }
    if (f & LUT_InputTables)
        CurveStage(inputCurveParams, inputTables, ni, w);
    if (f & LUT_Matrix3)
        MatrixStage(matrix3, &offset3, w);
    if (f & LUT_Curves3)
        CurveStage(curves3Params, curves3, ni, w);
    if (f & LUT_Grid)
        (grid.*gridEvaluator)(w, o, gridSamples.data());
    else
        Copy<In, Out>(w, o);
    if (f & LUT_Curves4)
        CurveStage(curves4Params, curves4, no, o);
    if (f & LUT_Matrix4)
        MatrixStage(matrix4, &offset4, o);
    if (f & LUT_OutputTables)
        CurveStage(outputCurveParams, outputTables, no, o);
    if (f & LUT_LabOutputToV2)
        for (int i = 0; i < std::min(no, 3); ++i)
            o[i] = uint16_t(((uint32_t(o[i]) << 8) | 0x80) / 257);
    for (int i = 0; i < no; ++i)
        out[i] = o[i];
}

void cLUT::EvalLUT_Empty(const uint16_t* in, uint16_t* out) const
{
    Copy<0, 0>(in, out);
}

void cLUT::EvalLUT_CLUT(const uint16_t* in, uint16_t* out) const
{
    (grid.*gridEvaluator)(in, out, gridSamples.data());
}

void cLUT::EvalLUT_TL1_CLUT(const uint16_t* in, uint16_t* out) const
{
    TablesThenGrid<0, 0>(in, out);
}

void cLUT::EvalLUT_Full(const uint16_t* in, uint16_t* out) const
{
    Full<0, 0>(in, out);
}

template <int In, int Out>
void cLUT::EvalLUT_Empty_XX(const uint16_t* in, uint16_t* out) const
{
    Copy<In, Out>(in, out);
}

template <int In, int Out>
void cLUT::EvalLUT_TL1_CLUT_XX(const uint16_t* in, uint16_t* out) const
{
    TablesThenGrid<In, Out>(in, out);
}

template <int In, int Out>
void cLUT::EvalLUT_Full_XX(const uint16_t* in, uint16_t* out) const
{
    Full<In, Out>(in, out);
}

void cLUT::EvalRun(const uint16_t* in, int inStride, uint16_t* out, int outStride, int count) const
{
    const bool gridRun = gridRunEvaluator && evaluator && (flags == LUT_Grid || flags == (LUT_Grid | LUT_InputTables));
    if (!gridRun) {
        for (int i = 0; i < count; ++i)
            (this->*evaluator)(in + i * inStride, out + i * outStride);
        return;
    }
    if (flags == LUT_Grid) {
        (grid.*gridRunEvaluator)(in, inStride, out, outStride, count, gridSamples.data());
        return;
    }
    // The tables for a stretch of pixels, then the grid over it. A grid with
    // a run evaluator means the AVX2 kernels may run, so the tables take
    // theirs too.
    constexpr int kStretch = 64;
    uint16_t w[kStretch * 3];
    for (int done = 0; done < count; done += kStretch) {
        const int m = std::min(kStretch, count - done);
        const uint16_t* from = in + done * inStride;
        for (int k = 0; k < 3; ++k)
            inputCurveParams[k].Eval016RunWide(from + k, inStride, w + k, 3, m, inputTables[k].table.data());
        (grid.*gridRunEvaluator)(w, 3, out + done * outStride, outStride, m, gridSamples.data());
    }
}

void cLUT::EvalReverse(const uint16_t* targetLab, uint16_t* result, const uint16_t* hint) const
{
    if (!evaluator || inputs == 0 || outputs == 0 || (inputs != 3 && inputs != 4) || outputs < 3) {
        qCCritical(libcmm(), "cLUT::EvalReverse, LUT is not valid\n");
        return;
    }
    sCIELab goal;
    goal.SetFromFixed(targetLab);
    const uint16_t k = inputs == 4 ? targetLab[3] : 0;

    double x[3] = {0.3, 0.3, 0.3};
    if (hint[3] != 0)
        for (int i = 0; i < 3; ++i)
            x[i] = hint[i] / 65535.0;

    const auto evalLab = [&](const double* at, uint16_t* encoded) {
        uint16_t o[kMaxChannels];
        for (int i = 0; i < 3; ++i)
            encoded[i] = SaturateWord(at[i] * 65535.0);
        encoded[3] = k;
        Eval(encoded, o);
        sCIELab lab;
        return lab.SetFromFixed(o);
    };

    uint16_t best[4] = {0, 0, 0, k};
    double lastError = 1e20;
    for (int iteration = 0; iteration < 30; ++iteration) {
        uint16_t encoded[4];
        const sCIELab lab = evalLab(x, encoded);
        const double error = lab.DeltaE(goal);
        if (!(error < lastError))
            break;
        lastError = error;
        std::copy(encoded, encoded + 4, best);

        mat33real_t jacobian;
        for (int j = 0; j < 3; ++j) {
            double moved[3] = {x[0], x[1], x[2]};
            const double delta = x[j] < 0.999 ? 0.001 : -0.001;
            moved[j] += delta;
            uint16_t scratch[4];
            const sCIELab m = evalLab(moved, scratch);
            // Divided by the signed step: near 1 the probe moves down.
            jacobian.m[0][j] = (double(m.L) - lab.L) / delta;
            jacobian.m[1][j] = (double(m.a) - lab.a) / delta;
            jacobian.m[2][j] = (double(m.b) - lab.b) / delta;
        }
        mat33real_t inverse;
        if (!Invert(jacobian, inverse))
            break;
        const vec3real_t diff{{double(lab.L) - goal.L, double(lab.a) - goal.a, double(lab.b) - goal.b}};
        const vec3real_t step = inverse * diff;
        for (int i = 0; i < 3; ++i)
            x[i] = std::min(1.0, std::max(0.0, x[i] - step.v[i]));
    }
    for (int i = 0; i < 3; ++i)
        result[i] = best[i];
    result[3] = k;
}

bool cLUT::Sample3DGrid(Sampler sampler, void* cargo, eSampler_FlagSet sflags)
{
    if (!(flags & LUT_Grid) || !gridEvaluator || gridSamples.size() != grid.SampleCount() ||
        grid.inputs != inputs || grid.outputs != outputs) {
        qCCritical(libcmm(), "cLUT::Sample3DGrid: the LUT has no usable grid\n");
        return false;
    }
    const int n = grid.gridPoints;
    const int m = inputs;
    const int k = outputs;
    const bool inTables = sflags.testFlag(Sampler_InputTables) && (flags & LUT_InputTables);
    const bool outTables = sflags.testFlag(Sampler_OutputTables) && (flags & LUT_OutputTables);
    const bool inspect = sflags.testFlag(Sampler_Inspect);
    const size_t nodes = gridSamples.size() / size_t(k);

    for (size_t i = 0; i < nodes; ++i) {
        uint16_t in[kMaxChannels];
        uint16_t out[kMaxChannels];
        size_t rest = i;
        for (int t = m - 1; t >= 0; --t) {
            const int digit = int(rest % size_t(n));
            rest /= size_t(n);
            in[t] = SaturateWord(double(digit) * 65535.0 / double(n - 1));
            if (inTables)
                in[t] = inputCurveParams[t].EvalReverse016(in[t], inputTables[t].table.data());
        }
        uint16_t* node = gridSamples.data() + i * size_t(k);
        for (int c = 0; c < k; ++c)
            out[c] = outTables ? outputCurveParams[c].Eval016(node[c], outputTables[c].table.data())
                               : node[c];
        if (!sampler(in, out, cargo))
            return false;
        if (inspect)
            continue;
        for (int c = 0; c < k; ++c)
            node[c] = outTables
                          ? outputCurveParams[c].EvalReverse016(out[c], outputTables[c].table.data())
                          : out[c];
    }
    return true;
}

} // namespace CMM
} // namespace Nuvra
