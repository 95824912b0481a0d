#include "cmm/Ipol3D.h"

#include "cmm/FixedPoint.h"
#include "cmm/Logging.h"
#include "pixelstore/CpuFeatures.h"

#include <cmath>
#include <utility>

namespace Nuvra {
namespace CMM {

namespace {

// Keeps a grid's allocation sane whatever a file claims (256 Mi samples).
constexpr uint64_t kMaxGridSamples = uint64_t(1) << 28;

} // namespace

cIpol3D::cIpol3D(int points, int in, int out, bool tetra)
    : gridPoints(points), inputs(in), outputs(out), domain(points > 0 ? points - 1 : 0),
      tetrahedral(tetra)
{
    int64_t stride = out;
    for (int k = 0; k < kMaxGridInputs; ++k) {
        const bool fits = stride >= 0 && stride <= INT32_MAX;
        opta[k] = fits ? int32_t(stride) : 0;
        if (fits)
            stride *= points > 0 ? points : 0;
    }
}

void cIpol3D::swap(cIpol3D& o)
{
    std::swap(gridPoints, o.gridPoints);
    std::swap(inputs, o.inputs);
    std::swap(outputs, o.outputs);
    std::swap(domain, o.domain);
    std::swap(opta, o.opta);
    std::swap(tetrahedral, o.tetrahedral);
}

size_t cIpol3D::SampleCount() const
{
    if (inputs < 1 || inputs == 2 || inputs > kMaxGridInputs || outputs < 1 || outputs > kMaxChannels ||
        gridPoints < 2 || gridPoints > 0xFFFF)
        return 0;
    uint64_t n = uint64_t(outputs);
    for (int k = 0; k < inputs; ++k) {
        n *= uint64_t(gridPoints);
        if (n > kMaxGridSamples)
            return 0;
    }
    return size_t(n);
}

cIpol3D::Evaluator cIpol3D::CalcEvaluator() const
{
    static constexpr Evaluator kByInputs[kMaxGridInputs + 1] = {
        nullptr,
        &cIpol3D::Eval1Input,
        nullptr,
        &cIpol3D::Eval3Inputs,
        &cIpol3D::Eval4Inputs,
        &cIpol3D::Eval5Inputs,
        &cIpol3D::Eval6Inputs,
        &cIpol3D::Eval7Inputs,
        &cIpol3D::Eval8Inputs,
    };
    const bool known = inputs >= 0 && inputs <= kMaxGridInputs && kByInputs[inputs];
    if (!known) {
        qCCritical(libcmm(), "Unsupported restoration (%d channels)\n", inputs);
        return nullptr;
    }
    if (SampleCount() == 0) {
        qCCritical(libcmm(), "Unsupported grid: %d points, %d inputs, %d outputs\n", gridPoints,
                   inputs, outputs);
        return nullptr;
    }
    const bool wide = DataStorage::Simd::kernelsMay(DataStorage::Simd::Isa::Avx2);
    if (inputs == 3 && tetrahedral)
        return wide ? &cIpol3D::EvalTetrahedral16Wide : &cIpol3D::EvalTetrahedral16;
    if (wide && inputs == 3)
        return &cIpol3D::Eval3InputsWide;
    if (wide && inputs == 4)
        return &cIpol3D::Eval4InputsWide;
    return kByInputs[inputs];
}

cIpol3D::RunEvaluator cIpol3D::CalcRunEvaluator() const
{
    if (inputs != 3 || SampleCount() == 0 || (tetrahedral && outputs < 2) ||
        !DataStorage::Simd::kernelsMay(DataStorage::Simd::Isa::Avx2))
        return nullptr;
    return tetrahedral ? &cIpol3D::EvalTetrahedral16Run : &cIpol3D::Eval3InputsRun;
}

int32_t cIpol3D::PatchLUTIndex(const uint16_t* at, int n) const
{
    if (n != 1 && n != 3 && n != 4) {
        qCCritical(libcmm(), "(internal) %d Channels are not supported on PatchLUT\n", n);
        return -1;
    }
    if (n > kMaxGridInputs || gridPoints < 2)
        return -1;
    int64_t offset = 0;
    for (int i = 0; i < n; ++i) {
        const double t = double(at[i]) * domain / 65535.0;
        if (t != std::floor(t))
            return -1;
        offset += int64_t(t) * opta[n - 1 - i];
    }
    return offset > INT32_MAX ? -1 : int32_t(offset);
}

void cIpol3D::Eval1Input(const uint16_t* in, uint16_t* out, const uint16_t* grid) const
{
    const AxisNodes x = ToAxisNodes(in[0], uint32_t(domain), opta[0]);
    for (int c = 0; c < outputs; ++c)
        out[c] = uint16_t(Lerp16(grid[x.lo + c], grid[x.hi + c], x.rest));
}

void cIpol3D::Eval3Inputs(const uint16_t* in, uint16_t* out, const uint16_t* grid) const
{
    const AxisNodes x = ToAxisNodes(in[0], uint32_t(domain), opta[2]);
    const AxisNodes y = ToAxisNodes(in[1], uint32_t(domain), opta[1]);
    const AxisNodes z = ToAxisNodes(in[2], uint32_t(domain), opta[0]);

    for (int c = 0; c < outputs; ++c) {
        const auto at = [&](int32_t i, int32_t j, int32_t k) { return int32_t(grid[i + j + k + c]); };
        const uint16_t d00 = uint16_t(Lerp16(at(x.lo, y.lo, z.lo), at(x.hi, y.lo, z.lo), x.rest));
        const uint16_t d01 = uint16_t(Lerp16(at(x.lo, y.lo, z.hi), at(x.hi, y.lo, z.hi), x.rest));
        const uint16_t d10 = uint16_t(Lerp16(at(x.lo, y.hi, z.lo), at(x.hi, y.hi, z.lo), x.rest));
        const uint16_t d11 = uint16_t(Lerp16(at(x.lo, y.hi, z.hi), at(x.hi, y.hi, z.hi), x.rest));
        const uint16_t e0 = uint16_t(Lerp16(d00, d10, y.rest));
        const uint16_t e1 = uint16_t(Lerp16(d01, d11, y.rest));
        out[c] = uint16_t(Lerp16(e0, e1, z.rest));
    }
}

namespace {

// The three steps of one tetrahedron: offsets of the nodes reached after the
// first, second and third step from the base, and the rests in step order.
template <int Outputs>
inline void TetraWalk(const uint16_t* base, int outputs, int32_t s1, int32_t s2, int32_t s3,
                      uint32_t r1, uint32_t r2, uint32_t r3, uint16_t* out)
{
    const int n = Outputs > 0 ? Outputs : outputs;
    for (int c = 0; c < n; ++c) {
        const int64_t c0 = base[c];
        const int64_t p1 = base[s1 + c];
        const int64_t p2 = base[s2 + c];
        const int64_t p3 = base[s3 + c];
        const int64_t rest = (p1 - c0) * r1 + (p2 - p1) * r2 + (p3 - p2) * r3;
        out[c] = uint16_t(c0 + (rest + 32767) / 65535);
    }
}

template <int Outputs>
inline void Tetrahedral(const cIpol3D& g, const uint16_t* in, uint16_t* out, const uint16_t* grid)
{
    const FixedPos px = ToFixedPos(in[0], uint32_t(g.domain));
    const FixedPos py = ToFixedPos(in[1], uint32_t(g.domain));
    const FixedPos pz = ToFixedPos(in[2], uint32_t(g.domain));
    const int32_t dx = in[0] == 0xFFFF ? 0 : g.opta[2];
    const int32_t dy = in[1] == 0xFFFF ? 0 : g.opta[1];
    const int32_t dz = in[2] == 0xFFFF ? 0 : g.opta[0];
    const uint16_t* base =
        grid + int32_t(px.cell) * g.opta[2] + int32_t(py.cell) * g.opta[1] + int32_t(pz.cell) * g.opta[0];
    const uint32_t rx = px.rest, ry = py.rest, rz = pz.rest;
    const int n = g.outputs;

    if (rx >= ry && ry >= rz)
        TetraWalk<Outputs>(base, n, dx, dx + dy, dx + dy + dz, rx, ry, rz, out);
    else if (rx >= rz && rz >= ry)
        TetraWalk<Outputs>(base, n, dx, dx + dz, dx + dz + dy, rx, rz, ry, out);
    else if (rz >= rx && rx >= ry)
        TetraWalk<Outputs>(base, n, dz, dz + dx, dz + dx + dy, rz, rx, ry, out);
    else if (ry >= rx && rx >= rz)
        TetraWalk<Outputs>(base, n, dy, dy + dx, dy + dx + dz, ry, rx, rz, out);
    else if (ry >= rz && rz >= rx)
        TetraWalk<Outputs>(base, n, dy, dy + dz, dy + dz + dx, ry, rz, rx, out);
    else
        TetraWalk<Outputs>(base, n, dz, dz + dy, dz + dy + dx, rz, ry, rx, out);
}

} // namespace

void cIpol3D::EvalTetrahedral16(const uint16_t* in, uint16_t* out, const uint16_t* grid) const
{
    // The common three-output grid gets its own unrolled body; same arithmetic.
    if (outputs == 3)
        Tetrahedral<3>(*this, in, out, grid);
    else
        Tetrahedral<0>(*this, in, out, grid);
}

template <int M>
void cIpol3D::EvalNInputs(const uint16_t* in, uint16_t* out, const uint16_t* grid) const
{
    const AxisNodes x = ToAxisNodes(in[0], uint32_t(domain), opta[M - 1]);
    uint16_t lower[kMaxChannels];
    uint16_t upper[kMaxChannels];
    // The remaining inputs index the same strides one level down, so the
    // slices are evaluated without changing any member.
    if constexpr (M == 4) {
        EvalTetrahedral16(in + 1, lower, grid + x.lo);
        EvalTetrahedral16(in + 1, upper, grid + x.hi);
    } else {
        EvalNInputs<M - 1>(in + 1, lower, grid + x.lo);
        EvalNInputs<M - 1>(in + 1, upper, grid + x.hi);
    }
    for (int c = 0; c < outputs; ++c)
        out[c] = uint16_t(Lerp16(lower[c], upper[c], x.rest));
}

void cIpol3D::Eval4Inputs(const uint16_t* in, uint16_t* out, const uint16_t* grid) const
{
    EvalNInputs<4>(in, out, grid);
}

void cIpol3D::Eval5Inputs(const uint16_t* in, uint16_t* out, const uint16_t* grid) const
{
    EvalNInputs<5>(in, out, grid);
}

void cIpol3D::Eval6Inputs(const uint16_t* in, uint16_t* out, const uint16_t* grid) const
{
    EvalNInputs<6>(in, out, grid);
}

void cIpol3D::Eval7Inputs(const uint16_t* in, uint16_t* out, const uint16_t* grid) const
{
    EvalNInputs<7>(in, out, grid);
}

void cIpol3D::Eval8Inputs(const uint16_t* in, uint16_t* out, const uint16_t* grid) const
{
    EvalNInputs<8>(in, out, grid);
}

} // namespace CMM
} // namespace Nuvra
