// The per-pixel routines of a built transform and its white patch. Routines
// only read the transform and write the caller's buffers.
#include "cmm/ColorSpaces.h"
#include "cmm/Profile.h"
#include "cmm/XForm.h"

#include <algorithm>

namespace Nuvra {
namespace CMM {

namespace {

const uint16_t kAlarm[4] = {0x8FFF, 0x8FFF, 0x8FFF, 0};

bool AllOnes(const uint16_t* v) { return v[0] == 0xFFFF && v[1] == 0xFFFF && v[2] == 0xFFFF; }

} // namespace

void cXForm::DoNormal(const unsigned short* in, unsigned short* out) const
{
    uint16_t a[kMaxChannels], b[kMaxChannels], c[kMaxChannels];
    (this->*toPCS)(in, a);
    if (firstConversion.evaluator) {
        (firstConversion.*firstConversion.evaluator)(a, b);
        if (AllOnes(b)) {
            std::copy(deviceWhite, deviceWhite + 4, out);
            return;
        }
    } else {
        std::copy(a, a + 3, b);
    }
    if (gamutLUT.IsValid()) {
        uint16_t g[kMaxChannels];
        gamutLUT.Eval(b, g);
        if (g[0] != 0) {
            std::copy(kAlarm, kAlarm + 4, out);
            return;
        }
    }
    if (previewLUT.IsValid()) {
        uint16_t p[kMaxChannels];
        previewLUT.Eval(b, p);
        std::copy(p, p + 3, b);
    }
    if (secondConversion.evaluator) {
        if (AllOnes(b)) {
            std::copy(deviceWhite, deviceWhite + 4, out);
            return;
        }
        (secondConversion.*secondConversion.evaluator)(b, c);
    } else {
        std::copy(b, b + 3, c);
    }
    (this->*fromPCS)(c, out);
}

void cXForm::DoMatrixShaper(const unsigned short* in, unsigned short* out) const
{
    deviceShaper.Eval(in, out);
}

void cXForm::DoPrecalc(const unsigned short* in, unsigned short* out) const
{
    deviceLink.Eval(in, out);
}

void cXForm::DoPrecalc3Inputs(const unsigned short* in, unsigned short* out) const
{
    deviceLink.grid.Eval3Inputs(in, out, deviceLink.gridSamples.data());
}

void cXForm::DoPrecalcTetra16(const unsigned short* in, unsigned short* out) const
{
    deviceLink.grid.EvalTetrahedral16(in, out, deviceLink.gridSamples.data());
}

void cXForm::DoPrecalc3InputsWide(const unsigned short* in, unsigned short* out) const
{
    deviceLink.grid.Eval3InputsWide(in, out, deviceLink.gridSamples.data());
}

void cXForm::DoPrecalcTetra16Wide(const unsigned short* in, unsigned short* out) const
{
    deviceLink.grid.EvalTetrahedral16Wide(in, out, deviceLink.gridSamples.data());
}

void cXForm::RunMany(const unsigned short* in, unsigned short* out, int count) const
{
    const bool precalc = routine == &cXForm::DoPrecalc || routine == &cXForm::DoPrecalc3Inputs ||
                         routine == &cXForm::DoPrecalc3InputsWide || routine == &cXForm::DoPrecalcTetra16 ||
                         routine == &cXForm::DoPrecalcTetra16Wide;
    if (precalc) {
        deviceLink.EvalRun(in, kWorkSamples, out, kWorkSamples, count);
        return;
    }
    for (int i = 0; i < count; ++i)
        (this->*routine)(in + i * kWorkSamples, out + i * kWorkSamples);
}

void cXForm::DoPrecalGamutCheck(const unsigned short* in, unsigned short* out) const
{
    uint16_t g[kMaxChannels];
    precalcGamutLUT.Eval(in, g);
    if (g[0] != 0) {
        std::copy(kAlarm, kAlarm + 4, out);
        return;
    }
    deviceLink.Eval(in, out);
}

void cXForm::LUTtoPCS(const unsigned short* in, unsigned short* out) const { inputLUT.Eval(in, out); }

void cXForm::ShaperMatrixToPCS(const unsigned short* in, unsigned short* out) const
{
    inputShaper.Eval(in, out);
}

void cXForm::PCStoLUT(const unsigned short* in, unsigned short* out) const { outputLUT.Eval(in, out); }

void cXForm::PCStoShaperMatrix(const unsigned short* in, unsigned short* out) const
{
    outputShaper.Eval(in, out);
}

bool cXForm::FixWhiteMisalignment(const cProfile* proof)
{
    if (!deviceLink.IsValid() || deviceLink.inputs == 0 || deviceLink.outputs == 0 ||
        intent == icAbsoluteColorimetric)
        return false;
    if (proof && proofIntent == icAbsoluteColorimetric)
        return false;
    const uint16_t* inWhite = nullptr;
    const uint16_t* outWhite = nullptr;
    const int nIn = EndPointsBySpace(inputSpace, &inWhite, nullptr);
    const int nOut = EndPointsBySpace(outputSpace, &outWhite, nullptr);
    if (!nIn || !nOut)
        return false;
    deviceLink.PatchLUT(inWhite, outWhite, nOut, nIn);
    return true;
}

} // namespace CMM
} // namespace Nuvra
