#pragma once

#include "cmm/GammaTable.h"
#include "cmm/Ipol3D.h"
#include "cmm/IccSignatures.h"
#include "cmm/LinearIpol1D.h"
#include "cmm/Matrix.h"

#include <QFlags>

#include <cstdint>
#include <vector>

namespace Nuvra {
namespace CMM {

class cProcessing;
class cProfile;

enum eLUT_Flags : uint32_t {
    LUT_Matrix = 0x0001,       // first matrix, no offset
    LUT_InputTables = 0x0002,
    LUT_Grid = 0x0004,
    LUT_OutputTables = 0x0008,
    LUT_Matrix3 = 0x0400,      // with offset3, between input tables and curves3
    LUT_Curves3 = 0x0800,
    LUT_Matrix4 = 0x1000,      // with offset4, after curves4
    LUT_Curves4 = 0x2000,
    LUT_LabOutputToV2 = 0x4000, // result Lab 0..0xFFFF -> 0..0xFF00
    LUT_LabInputFromV2 = 0x8000, // input Lab 0..0xFF00 -> 0..0xFFFF
};

enum eSampler_Flags : uint32_t {
    Sampler_InputTables = 0x2,        // node position through the inverse input tables
    Sampler_OutputTables = 0x8,       // samples through the output tables and back
    Sampler_Inspect = 0x40000000,     // nothing is written back
};
Q_DECLARE_FLAGS(eSampler_FlagSet, eSampler_Flags)

// General 16-bit colour pipeline: matrices and banks of curves around a
// multi-dimensional grid. Whenever stages change, CalcEvaluators picks the
// cheapest routine that gives the same result; a LUT whose stages do not fit
// together (or whose grid the engine cannot interpolate) has no evaluator
// and is invalid.
class cLUT {
public:
    using Evaluator = void (cLUT::*)(const uint16_t* in, uint16_t* out) const;
    using Sampler = int (*)(const uint16_t* in, uint16_t* out, void* cargo);

    uint32_t flags = 0;
    bool grayAxisFix = false;
    mat33fixed_t matrix = mat33fixed_t::Identity();
    int32_t inputs = 0;
    // Every table of a bank is read with its own entry count.
    cLinearIpol1D inputCurveParams[kMaxChannels];
    cGammaTable inputTables[kMaxChannels];
    cIpol3D grid;
    std::vector<uint16_t> gridSamples;
    cIpol3D::Evaluator gridEvaluator = nullptr;
    cIpol3D::RunEvaluator gridRunEvaluator = nullptr;
    int32_t outputs = 0;
    cLinearIpol1D outputCurveParams[kMaxChannels];
    cGammaTable outputTables[kMaxChannels];
    mat33fixed_t matrix3 = mat33fixed_t::Identity();
    vec3fixed_t offset3 = {};
    cLinearIpol1D curves3Params[kMaxChannels];
    cGammaTable curves3[kMaxChannels];
    mat33fixed_t matrix4 = mat33fixed_t::Identity();
    vec3fixed_t offset4 = {};
    cLinearIpol1D curves4Params[kMaxChannels];
    cGammaTable curves4[kMaxChannels];
    uint32_t tagType = icSig("mft2");
    uint32_t precision = 2;
    Evaluator evaluator = nullptr;

    cLUT() = default;
    cLUT(int gridPoints, int inputs, int outputs, bool tetrahedral);

    void swap(cLUT& other);

    void Set3DGrid(int gridPoints, int inputs, int outputs, bool tetrahedral);
    // bank 1 input tables, 2 output tables, 3 curves3, 4 curves4.
    void SetLinearTable(int bank, const cGammaTable* tables);
    void SetMatrix(eLUT_Flags which, const mat33fixed_t& m, const vec3fixed_t& offset);
    void SetTetrahedralCLUT(bool tetrahedral);
    void PatchLUT(const uint16_t* at, const uint16_t* values, int count, int inputs);
    void CalcEvaluators();

    bool IsValid() const { return evaluator != nullptr; }
    void Eval(const uint16_t* in, uint16_t* out) const { (this->*evaluator)(in, out); }
    // Eval of count pixels, their samples inStride and outStride apart; a
    // grid alone or behind input tables takes the grid's run evaluator.
    void EvalRun(const uint16_t* in, int inStride, uint16_t* out, int outStride, int count) const;

    // Device values (3 or 4 channels) whose evaluation gives the target Lab.
    // targetLab, result and hint hold 4 values; hint may be result.
    void EvalReverse(const uint16_t* targetLab, uint16_t* result, const uint16_t* hint) const;

    bool Sample3DGrid(Sampler sampler, void* cargo, eSampler_FlagSet sflags);

    // Grids filled by running transforms (built on demand; see DerivedGrids.cpp).
    // Input tables that straighten the chain's curves, when it has clear ones.
    void ComputePrelinearizationTables(const cProcessing** chain, int count);
    // Lab to Lab through the proof device; an empty LUT when that cannot be built.
    void ComputeSoftProof(const cProfile* proof, icRenderingIntent intent, const cProfile* lab);
    // One output: 0 inside profile's gamut, positive outside. Indexed in Lab,
    // or in inputProfile's device space when it is given.
    void ComputeGamutWithInput(const cProfile* inputProfile, const cProfile* profile, icRenderingIntent intent,
                               const cProfile* lab);

    void EvalLUT_Empty(const uint16_t* in, uint16_t* out) const;
    void EvalLUT_CLUT(const uint16_t* in, uint16_t* out) const;
    void EvalLUT_TL1_CLUT(const uint16_t* in, uint16_t* out) const;
    void EvalLUT_Full(const uint16_t* in, uint16_t* out) const;
    template <int In, int Out>
    void EvalLUT_Empty_XX(const uint16_t* in, uint16_t* out) const;
    template <int In, int Out>
    void EvalLUT_TL1_CLUT_XX(const uint16_t* in, uint16_t* out) const;
    template <int In, int Out>
    void EvalLUT_Full_XX(const uint16_t* in, uint16_t* out) const;

private:
    template <int In, int Out>
    void Full(const uint16_t* in, uint16_t* out) const;
    template <int In, int Out>
    void TablesThenGrid(const uint16_t* in, uint16_t* out) const;
    template <int In, int Out>
    void Copy(const uint16_t* in, uint16_t* out) const;
    bool StagesFit() const;
};

} // namespace CMM
} // namespace Nuvra

Q_DECLARE_OPERATORS_FOR_FLAGS(Nuvra::CMM::eSampler_FlagSet)
