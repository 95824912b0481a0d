// LUTs filled by running other transforms: prelinearisation tables of a
// precalculated device link, the soft-proof grid and the gamut-check grid.
#include "cmm/ColorSpaces.h"
#include "cmm/InternalProcessing.h"
#include "cmm/LUT.h"
#include "cmm/Profile.h"
#include "cmm/Saturate.h"
#include "cmm/XForm.h"

#include <cmath>
#include <cstdlib>
#include <memory>

namespace Nuvra {
namespace CMM {

namespace {

constexpr int kPrelinEntries = 4096;
constexpr int kSoftProofPoints = 33;
constexpr int kGamutPoints = 53;

// Clearly curved, monotonic and from 0 to 65535.
bool UsablePrelinearization(const cGammaTable& curve)
{
    bool curved = false;
    for (int j = 5; j < kPrelinEntries && !curved; ++j) {
        const int straight = SaturateRound(double(j) * 65535.0 / double(kPrelinEntries - 1), 0, 65535);
        curved = std::abs(int(curve.table[size_t(j)]) - straight) > 0x300;
    }
    return curved && curve.IsMonotonic() && curve.HasProperEndpoints();
}

bool IsGrayOrRGB(icColorSpaceSignature s) { return s == icSigGrayData || s == icSigRgbData; }

void SetLabPrelinearization(cLUT& lut)
{
    cGammaTable t[3];
    cGammaTable::CreateLabPrelinearization(t);
    lut.SetLinearTable(1, t);
}

// A temporary transform and a processor over it, both owned here.
struct Temporary {
    std::unique_ptr<cXForm> xform;
    std::unique_ptr<cInternalProcessing> processing;

    Temporary(const cProfile* in, unsigned inCode, const cProfile* out, unsigned outCode, icRenderingIntent intent)
        : xform(new cXForm(in, inCode, out, outCode, intent, XForm_NoPrecalc, nullptr, icAbsoluteColorimetric))
        , processing(new cInternalProcessing(xform.get()))
    {
    }
    bool IsUsable() const { return processing->IsUsable(); }
    void Run(const uint16_t* in, uint16_t* out) const { processing->Process(in, out, 1); }
};

struct SoftProofCargo {
    const Temporary* toProof;
    const Temporary* back;
};

int SoftProofSampler(const uint16_t* in, uint16_t* out, void* cargo)
{
    const auto* c = static_cast<const SoftProofCargo*>(cargo);
    uint16_t device[kWorkSamples] = {};
    uint16_t lab[kWorkSamples] = {};
    c->toProof->Run(in, device);
    c->back->Run(device, lab);
    std::copy(lab, lab + 3, out);
    return 1;
}

struct GamutCargo {
    const Temporary* input; // null: the grid is indexed in Lab
    const Temporary* forward;
    const Temporary* reverse;
    float threshold;
};

sCIELab Decode(const uint16_t* v)
{
    sCIELab lab;
    lab.SetFromFixed(v);
    return lab;
}

int GamutSampler(const uint16_t* in, uint16_t* out, void* cargo)
{
    const auto* c = static_cast<const GamutCargo*>(cargo);
    uint16_t lab[kWorkSamples] = {};
    if (c->input)
        c->input->Run(in, lab);
    else
        std::copy(in, in + 3, lab);
    uint16_t dev[kWorkSamples] = {}, check[kWorkSamples] = {}, dev2[kWorkSamples] = {}, check2[kWorkSamples] = {};
    c->forward->Run(lab, dev);
    c->reverse->Run(dev, check);
    c->forward->Run(check, dev2);
    c->reverse->Run(dev2, check2);
    if (check[0] == 0xFFFF && check[1] == 0xFFFF && check[2] == 0xFFFF) {
        out[0] = 0xFF00;
        return 1;
    }
    const float t = c->threshold;
    const float dE1 = Decode(lab).DeltaE(Decode(check));
    const float dE2 = Decode(check).DeltaE(Decode(check2));
    if (dE1 < t && dE2 != t) {
        out[0] = 0;
    } else if (dE1 > t && dE2 < t) {
        out[0] = SaturateWord(double(dE1) - t);
    } else {
        const float ratio = std::fabs(dE2) <= 1e-6f ? dE1 : dE1 / dE2;
        out[0] = ratio > t ? SaturateWord(double(ratio) - t) : 0;
    }
    return 1;
}

} // namespace

void cLUT::ComputePrelinearizationTables(const cProcessing** chain, int count)
{
    if (!chain || count < 1 || !chain[0] || !chain[count - 1] || !chain[0]->Transform() ||
        !chain[count - 1]->Transform())
        return;
    const icColorSpaceSignature in = chain[0]->Transform()->inputSpace;
    const icColorSpaceSignature out = chain[count - 1]->Transform()->outputSpace;
    if (in == icSigLabData) {
        if (out != icSigLabData)
            SetLabPrelinearization(*this);
        return;
    }
    if (!IsGrayOrRGB(in) || !IsGrayOrRGB(out) || inputs < 1 || inputs > kMaxChannels)
        return;

    cGammaTable curves[kMaxChannels];
    for (int c = 0; c < inputs; ++c)
        curves[c].table.resize(kPrelinEntries);
    for (int i = 0; i < kPrelinEntries; ++i) {
        uint16_t a[kWorkSamples] = {}, b[kWorkSamples] = {};
        const uint16_t v = SaturateWord(double(i) * 65535.0 / double(kPrelinEntries - 1));
        std::fill(a, a + kMaxChannels, v);
        chain[0]->Process(a, b, 1);
        for (int k = 1; k < count; ++k) {
            std::copy(b, b + kWorkSamples, a);
            chain[k]->Process(a, b, 1);
        }
        for (int c = 0; c < inputs; ++c)
            curves[c].table[size_t(i)] = b[c];
    }
    for (int c = 0; c < inputs; ++c)
        if (!UsablePrelinearization(curves[c]))
            return;
    for (int c = 0; c < inputs; ++c)
        curves[c].SlopeLimiting();
    SetLinearTable(1, curves);
}

void cLUT::ComputeSoftProof(const cProfile* proof, icRenderingIntent intent, const cProfile* lab)
{
    *this = cLUT();
    if (!proof || !lab)
        return;
    const unsigned device = CMM_PF::Device16(ChannelsOf(proof->colorSpace()));
    const Temporary toProof(lab, CMM_PF::kLab16, proof, device,
                            intent == icAbsoluteColorimetric ? icRelativeColorimetric : intent);
    const Temporary back(proof, device, lab, CMM_PF::kLab16, icRelativeColorimetric);
    if (!toProof.IsUsable() || !back.IsUsable())
        return;
    cLUT grid(kSoftProofPoints, 3, 3, false);
    SetLabPrelinearization(grid);
    SoftProofCargo cargo{&toProof, &back};
    if (grid.Sample3DGrid(&SoftProofSampler, &cargo, eSampler_FlagSet(grid.flags & 0xA)))
        swap(grid);
}

void cLUT::ComputeGamutWithInput(const cProfile* inputProfile, const cProfile* profile, icRenderingIntent intent,
                                 const cProfile* lab)
{
    *this = cLUT();
    if (!profile || !lab)
        return;
    const unsigned device = CMM_PF::Device16(ChannelsOf(profile->colorSpace()));
    // With an input profile the grid is indexed in the input's own device
    // space, the samples the transform's routine receives.
    std::unique_ptr<Temporary> input;
    int points = kGamutPoints;
    int inputCount = 3;
    if (inputProfile) {
        inputCount = ChannelsOf(inputProfile->colorSpace());
        points = ReasonableGridpointsByColorspace(inputProfile->colorSpace(), XForm_HighResPrecalc);
        input.reset(new Temporary(inputProfile, CMM_PF::Device16(inputCount), lab, CMM_PF::kLab16, intent));
        if (!input->IsUsable())
            return;
    }
    const Temporary forward(lab, CMM_PF::kLab16, profile, device, icRelativeColorimetric);
    const Temporary reverse(profile, device, lab, CMM_PF::kLab16, icRelativeColorimetric);
    if (!forward.IsUsable() || !reverse.IsUsable())
        return;
    cLUT grid(points, inputCount, 1, false);
    if (!input)
        SetLabPrelinearization(grid);
    if (!IsFilled(grid))
        return;
    const float threshold = profile->IsIntentSupported(intent, UsedAsInput) ||
                                    profile->IsIntentSupported(intent, UsedAsOutput)
                                ? 5.0f
                                : 1.0f;
    GamutCargo cargo{input.get(), &forward, &reverse, threshold};
    if (grid.Sample3DGrid(&GamutSampler, &cargo, eSampler_FlagSet(grid.flags & 0xA)))
        swap(grid);
}

} // namespace CMM
} // namespace Nuvra
