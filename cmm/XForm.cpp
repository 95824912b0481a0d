// Building a transform: checks, tag choice by intent, stages, PCS
// conversions, precalculation and the choice of the per-pixel routine. Every
// refusal is a critical "lib.cmm" line and an invalid transform (no routine);
// nothing a caller or a file supplies ends the process.
#include "cmm/XForm.h"

#include "cmm/BlackPoint.h"
#include "cmm/ColorSpaces.h"
#include "cmm/InternalProcessing.h"
#include "cmm/Logging.h"
#include "cmm/Profile.h"
#include "cmm/Saturate.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace Nuvra {
namespace CMM {

namespace {

const uint32_t kA2B[4] = {Sig::A2B0, Sig::A2B1, Sig::A2B2, Sig::A2B1};
const uint32_t kB2A[4] = {Sig::B2A0, Sig::B2A1, Sig::B2A2, Sig::B2A1};
const uint32_t kPre[4] = {Sig::Pre0, Sig::Pre1, Sig::Pre2, Sig::Pre1};

const cLUT* LUTOf(const cProfile* p, uint32_t sig) { return sig ? p->TagAs<cLUT>(sig) : nullptr; }

bool HasFilledLUT(const cProfile* p, uint32_t sig)
{
    const cLUT* lut = LUTOf(p, sig);
    return lut && IsFilled(*lut);
}

int32_t PCSKind(const cProfile* p)
{
    if (p->pcs() == Sig::XYZ)
        return cConversion::PCS_XYZ;
    if (p->pcs() == Sig::Lab)
        return cConversion::PCS_Lab;
    qCCritical(libcmm(), "Invalid PCS\n");
    return cConversion::PCS_XYZ;
}

// The format's colour-space field, when set, names the profile's space.
bool SpaceMatches(unsigned format, icColorSpaceSignature space)
{
    const uint32_t field = CMM_PF::Space(format);
    return field == 0 || int(field) == ColorSpace_ICC2CMM(space);
}

bool ChannelsMatch(const char* side, unsigned format, icColorSpaceSignature space)
{
    const int expected = ChannelsOf(space);
    if (CMM_PF::Colors(format) == expected)
        return true;
    qCCritical(libcmm(), "%s format has %d colour channels, its colour space has %d\n", side,
               CMM_PF::Colors(format), expected);
    return false;
}

bool LUTChannelsMatch(const char* what, const cLUT& lut, int inputs, int outputs)
{
    if (lut.inputs == inputs && lut.outputs == outputs)
        return true;
    qCCritical(libcmm(), "%s LUT has %d->%d channels, %d->%d expected\n", what, int(lut.inputs),
               int(lut.outputs), inputs, outputs);
    return false;
}

struct Side {
    sCIEXYZ black, white, illuminant;
    mat33real_t chad;
};

Side SideOf(const cProfile* p)
{
    Side s{p->mediaBlack(), p->mediaWhite(), p->illuminant(), mat33real_t::Identity()};
    ReadChromaticAdaptation(*p, s.chad);
    return s;
}

bool SameXYZ(const sCIEXYZ& a, const sCIEXYZ& b) { return a.X == b.X && a.Y == b.Y && a.Z == b.Z; }

sCIExyY D50xyY()
{
    sCIExyY w;
    w.Set(D50XYZ());
    return w;
}

// The black point compensation uses: (0, 0, 0) for a profile that cannot
// be measured; false when it cannot be adapted, and compensation is skipped.
bool BlackForCompensation(sCIEXYZ& black, const cProfile& profile, icRenderingIntent intent, const cProfile* lab)
{
    const float unset = std::numeric_limits<float>::quiet_NaN();
    black = sCIEXYZ{unset, unset, unset};
    DetectBlackPoint(black, profile, intent, false, lab);
    return std::isfinite(black.X) && std::isfinite(black.Y) && std::isfinite(black.Z);
}

int PrecalcSampler(const uint16_t* in, uint16_t* out, void* cargo)
{
    static_cast<const cProcessing*>(cargo)->Process(in, out, 1);
    return 1;
}

} // namespace

cXForm::cXForm(const cProfile* input, unsigned inFormat, const cProfile* output, unsigned outFormat,
               icRenderingIntent renderingIntent, QFlags<eXForm_Flags> xformFlags, const cProfile* proof,
               icRenderingIntent proofingIntent)
    : flags(xformFlags)
    , inputFormat(inFormat)
    , outputFormat(outFormat)
    , intent(renderingIntent)
    , proofIntent(proofingIntent)
{
    Build(input, output, proof);
}

cXForm::~cXForm() { routine = nullptr; }

void cXForm::Build(const cProfile* input, const cProfile* output, const cProfile* proof)
{
    if (uint32_t(intent) > 3 || uint32_t(proofIntent) > 3) {
        qCCritical(libcmm(), "CreateTransform: intent mismatch\n");
        return;
    }
    if (!input) {
        qCCritical(libcmm(), "Input profile cannot be nullptr!\n");
        return;
    }
    if (input->deviceClass() == icSigLinkClass) {
        CreateDeviceLinkTransform(input, output, proof);
        return;
    }
    if (input->deviceClass() == icSigNamedColorClass) {
        qCCritical(libcmm(), "Named color not supported\n");
        return;
    }
    if (!SpaceMatches(inputFormat, input->colorSpace())) {
        qCCritical(libcmm(), "Input profile is operating on wrong colorspace\n");
        return;
    }
    inputSpace = input->colorSpace();
    if (!output) {
        qCCritical(libcmm(), "Output profile cannot be null!\n");
        return;
    }
    if (output->deviceClass() == icSigNamedColorClass) {
        qCCritical(libcmm(), "Named color profiles are not supported as output\n");
        return;
    }
    if (!SpaceMatches(outputFormat, output->colorSpace())) {
        qCCritical(libcmm(), "Output profile is operating on wrong colorspace\n");
        return;
    }
    outputSpace = output->colorSpace();
    if (!ChannelsMatch("Input", inputFormat, inputSpace) || !ChannelsMatch("Output", outputFormat, outputSpace))
        return;
    const uint16_t* white = nullptr;
    const int whiteSamples = EndPointsBySpace(outputSpace, &white, nullptr);
    std::copy(white, white + std::min(whiteSamples, 4), deviceWhite);

    inputV4 = input->version() >= 0x04000000u;
    outputV4 = output->version() >= 0x04000000u;
    inputPCS = PCSKind(input);
    outputPCS = PCSKind(output);

    uint32_t inputTag = 0;
    if (input->HasTag(kA2B[intent]))
        inputTag = kA2B[intent];
    else if (intent != icPerceptual && input->HasTag(Sig::A2B0))
        inputTag = Sig::A2B0;
    uint32_t outputTag = kB2A[intent];

    const sCIExyY d50 = D50xyY();
    const cProfile::ptr_t lab = cProfile::CreateLab(&d50);
    if (proof)
        CreateProof(proof, outputTag, lab.get());

    if (flags.testFlag(XForm_InputMatrixShaper))
        inputTag = 0;
    if (flags.testFlag(XForm_OutputMatrixShaper)) {
        outputTag = 0;
    } else if (!output->HasTag(outputTag)) {
        outputTag = Sig::B2A0;
        if (!output->HasTag(outputTag) && output->deviceClass() == icSigAbstractClass)
            outputTag = Sig::A2B0;
        if (!output->HasTag(outputTag))
            outputTag = 0;
    }

    routine = &cXForm::DoNormal;
    if (!PickTransformRoutine(input, inputTag, output, outputTag, proof)) {
        routine = nullptr;
        return;
    }
    TakeConversionRoutines(input, output, proof, lab.get(), flags.testFlag(XForm_BlackPointCompensation));
    if (!routine || flags.testFlag(XForm_NoPrecalc))
        return;

    cLUT dl;
    if (inputSpace == icSigCmykData && outputSpace == icSigCmykData && flags.testFlag(XForm_PreserveBlack))
        PrecalculateBlackPreservingDeviceLink(dl, input, output, lab.get());
    if (!IsFilled(dl))
        PrecalculateDeviceLink(dl);
    if (proof && flags.testFlag(XForm_GamutCheck))
        precalcGamutLUT.ComputeGamutWithInput(input, proof, intent, lab.get());
    if (!IsFilled(dl)) {
        routine = nullptr;
        qCCritical(libcmm(), "Cannot precalculate %d->%d channels transform!\n", CMM_PF::Colors(inputFormat),
                   CMM_PF::Colors(outputFormat));
        return;
    }
    if (inputSpace == icSigRgbData || inputSpace == icSigCmyData)
        dl.SetTetrahedralCLUT(true);
    deviceLink.swap(dl);
    if (intent != icAbsoluteColorimetric && !flags.testFlag(XForm_NoWhiteFix))
        FixWhiteMisalignment(proof);
    ChoosePrecalcRoutine();
}

void cXForm::ChoosePrecalcRoutine()
{
    if (flags.testFlag(XForm_GamutCheck) && IsFilled(precalcGamutLUT)) {
        routine = &cXForm::DoPrecalGamutCheck;
    } else if (deviceLink.evaluator == &cLUT::EvalLUT_CLUT) {
        if (deviceLink.gridEvaluator == &cIpol3D::Eval3Inputs)
            routine = &cXForm::DoPrecalc3Inputs;
        else if (deviceLink.gridEvaluator == &cIpol3D::Eval3InputsWide)
            routine = &cXForm::DoPrecalc3InputsWide;
        else if (deviceLink.gridEvaluator == &cIpol3D::EvalTetrahedral16)
            routine = &cXForm::DoPrecalcTetra16;
        else if (deviceLink.gridEvaluator == &cIpol3D::EvalTetrahedral16Wide)
            routine = &cXForm::DoPrecalcTetra16Wide;
        else
            routine = &cXForm::DoPrecalc;
    } else {
        routine = &cXForm::DoPrecalc;
    }
}

bool cXForm::CreateDeviceLinkTransform(const cProfile* link, const cProfile* output, const cProfile* proof)
{
    const icColorSpaceSignature linkIn = link->colorSpace();
    const icColorSpaceSignature linkOut = icColorSpaceSignature(link->pcs());
    if (!SpaceMatches(inputFormat, linkIn)) {
        qCCritical(libcmm(), "Device link is operating on wrong colorspace on input\n");
        return false;
    }
    if (!SpaceMatches(outputFormat, linkOut)) {
        qCCritical(libcmm(), "Device link is operating on wrong colorspace on output\n");
        return false;
    }
    if (proof)
        qCCritical(libcmm(), "Proofing not supported on device link transforms\n");
    if (output)
        qCCritical(libcmm(), "Output Profile profile should be nullptr, since this is a device-link transform\n");
    const cLUT* lut = LUTOf(link, Sig::A2B0);
    if (!lut || !IsFilled(*lut)) {
        qCCritical(libcmm(), "Noncompliant device-link profile\n");
        return false;
    }
    if (!ChannelsMatch("Input", inputFormat, linkIn) || !ChannelsMatch("Output", outputFormat, linkOut) ||
        !LUTChannelsMatch("Device-link", *lut, ChannelsOf(linkIn), ChannelsOf(linkOut)))
        return false;
    cLUT copy(*lut);
    deviceLink.swap(copy);
    inputPCS = proofPCS = outputPCS = -1;
    ChoosePrecalcRoutine();
    inputSpace = linkIn;
    outputSpace = linkOut;
    const uint16_t* white = nullptr;
    const int whiteSamples = EndPointsBySpace(outputSpace, &white, nullptr);
    std::copy(white, white + std::min(whiteSamples, 4), deviceWhite);
    if (inputSpace == icSigRgbData || inputSpace == icSigCmyData)
        deviceLink.SetTetrahedralCLUT(true);
    return true;
}

void cXForm::CreateProof(const cProfile* proof, uint32_t& outputTag, const cProfile* lab)
{
    if (flags.testFlag(XForm_SoftProofing)) {
        outputTag = kB2A[proofIntent];
        proofPCS = cConversion::PCS_Lab;
        previewLUT.ComputeSoftProof(proof, intent, lab);
        if (!IsFilled(previewLUT)) {
            uint32_t tag = kPre[intent];
            if (!proof->HasTag(tag) && intent != icPerceptual)
                tag = Sig::Pre0;
            const cLUT* pre = LUTOf(proof, tag);
            if (pre && IsFilled(*pre) && pre->inputs == 3 && pre->outputs == 3) {
                cLUT copy(*pre);
                previewLUT.swap(copy);
                proofPCS = PCSKind(proof);
            } else {
                qCCritical(libcmm(), "Sorry, the proof profile has not previewing capabilities\n");
            }
        }
    }
    if (flags.testFlag(XForm_GamutCheck) && flags.testFlag(XForm_NoPrecalc)) {
        proofPCS = cConversion::PCS_Lab;
        gamutLUT.ComputeGamutWithInput(nullptr, proof, intent, lab);
        if (!IsFilled(gamutLUT)) {
            const cLUT* gamt = LUTOf(proof, Sig::Gamt);
            if (gamt && IsFilled(*gamt) && gamt->inputs == 3) {
                cLUT copy(*gamt);
                gamutLUT.swap(copy);
            } else {
                qCCritical(libcmm(), "Sorry, the proof profile has not gamut checking capabilities\n");
            }
        }
    }
}

bool cXForm::PickTransformRoutine(const cProfile* input, uint32_t inputTag, const cProfile* output,
                                  uint32_t outputTag, const cProfile* proof)
{
    if (input->deviceClass() == icSigNamedColorClass)
        return false;
    if (!inputTag && !outputTag && !proof && intent != icAbsoluteColorimetric && inputSpace == icSigRgbData &&
        outputSpace == icSigRgbData && !flags.testFlag(XForm_BlackPointCompensation)) {
        routine = &cXForm::DoMatrixShaper;
        cMatrixShaper::BuildNonePCS(*input, *output, deviceShaper);
        if (!deviceShaper.IsValid()) {
            qCCritical(libcmm(), "Unable to smelt shaper-matrix, required tags missing\n");
            return false;
        }
        return true;
    }

    const int nIn = ChannelsOf(inputSpace);
    const int nOut = ChannelsOf(outputSpace);
    const cLUT* inLUT = LUTOf(input, inputTag);
    if (inLUT) {
        toPCS = &cXForm::LUTtoPCS;
        if (IsFilled(*inLUT)) {
            if (!LUTChannelsMatch("Input", *inLUT, nIn, 3))
                return false;
            cLUT copy(*inLUT);
            inputLUT.swap(copy);
        }
    } else {
        toPCS = &cXForm::ShaperMatrixToPCS;
        cMatrixShaper::BuildToPCS(*input, inputShaper);
        // The shaper always yields XYZ, whatever PCS the header names.
        if (inputShaper.IsValid())
            inputPCS = cConversion::PCS_XYZ;
    }
    if (!(inLUT ? IsFilled(inputLUT) : inputShaper.IsValid())) {
        qCCritical(libcmm(), "Profile is unsuitable for input");
        return false;
    }

    const cLUT* outLUT = LUTOf(output, outputTag);
    if (outLUT) {
        fromPCS = &cXForm::PCStoLUT;
        if (IsFilled(*outLUT)) {
            if (!LUTChannelsMatch("Output", *outLUT, 3, nOut))
                return false;
            cLUT copy(*outLUT);
            outputLUT.swap(copy);
        }
    } else {
        fromPCS = &cXForm::PCStoShaperMatrix;
        cMatrixShaper::BuildFromPCS(*output, outputShaper);
        if (outputShaper.IsValid())
            outputPCS = cConversion::PCS_XYZ;
    }
    if (!(outLUT ? IsFilled(outputLUT) : outputShaper.IsValid())) {
        qCCritical(libcmm(), "Profile is unsuitable for output");
        return false;
    }
    return true;
}

void cXForm::TakeConversionRoutines(const cProfile* input, const cProfile* output, const cProfile* proof,
                                    const cProfile* lab, bool bpc)
{
    const Side in = SideOf(input);
    const Side out = SideOf(output);
    Side inBpc = in, outBpc = out;
    const auto mode = [](int32_t kind) { return cConversion::eMode(kind); };

    // A conversion whose compensation cannot be computed (a black point on
    // the illuminant) is taken without it; one that cannot be computed at
    // all leaves the transform invalid.
    const auto calc = [&](cConversion& c, bool absolute, int32_t inKind, const Side& a, int32_t outKind,
                          const Side& b, bool compensate) {
        if (c.CalcEvaluator(absolute, mode(inKind), a.black, a.white, a.illuminant, a.chad, mode(outKind),
                            b.black, b.white, b.illuminant, b.chad, compensate, adaptation))
            return true;
        if (compensate && c.CalcEvaluator(absolute, mode(inKind), a.black, a.white, a.illuminant, a.chad,
                                          mode(outKind), b.black, b.white, b.illuminant, b.chad, false,
                                          adaptation))
            return true;
        qCCritical(libcmm(), "Cannot convert between the profiles' connection spaces\n");
        routine = nullptr;
        return false;
    };

    if (proof && (IsFilled(previewLUT) || IsFilled(gamutLUT))) {
        const Side pr = SideOf(proof);
        Side prBpc = pr;
        bool compensate = false;
        if (bpc && BlackForCompensation(prBpc.black, *proof, intent, lab) &&
            BlackForCompensation(inBpc.black, *input, intent, lab) &&
            BlackForCompensation(outBpc.black, *output, intent, lab))
            compensate = !SameXYZ(inBpc.black, prBpc.black);
        if (!calc(firstConversion, intent == icAbsoluteColorimetric, inputPCS, inBpc, proofPCS, prBpc,
                  compensate))
            return;
        calc(secondConversion, proofIntent == icAbsoluteColorimetric, proofPCS, pr, outputPCS, out, false);
        return;
    }

    if ((intent == icPerceptual || intent == icSaturation) && (inputV4 || outputV4))
        bpc = true;
    if (intent == icAbsoluteColorimetric || input->deviceClass() == icSigLinkClass ||
        output->deviceClass() == icSigLinkClass)
        bpc = false;
    bool compensate = false;
    if (bpc && BlackForCompensation(inBpc.black, *input, intent, lab) &&
        BlackForCompensation(outBpc.black, *output, intent, lab))
        compensate = !SameXYZ(inBpc.black, outBpc.black);
    calc(firstConversion, intent == icAbsoluteColorimetric, inputPCS, compensate ? inBpc : in, outputPCS,
         compensate ? outBpc : out, compensate);
}

void cXForm::PrecalculateDeviceLink(cLUT& dl)
{
    cLUT gamut;
    gamut.swap(gamutLUT); // sampling must never hit the alarm
    const int nIn = ChannelsOf(inputSpace);
    const int nOut = ChannelsOf(outputSpace);
    dl = cLUT(ReasonableGridpointsByColorspace(inputSpace, flags), nIn, nOut, false);
    const cInternalProcessing processing(this, CMM_PF::Device16(nIn), CMM_PF::Device16(nOut));
    if (IsFilled(dl) && processing.IsUsable()) {
        if (!flags.testFlag(XForm_NoPrelinearization)) {
            const cProcessing* chain[1] = {&processing};
            dl.ComputePrelinearizationTables(chain, 1);
        }
        if (!dl.Sample3DGrid(&PrecalcSampler, const_cast<cInternalProcessing*>(&processing),
                             eSampler_FlagSet(dl.flags & 0xA)))
            dl = cLUT();
    } else {
        dl = cLUT();
    }
    gamut.swap(gamutLUT);
}

namespace {

struct BlackPreservingCargo {
    const cProcessing* cmyk;
    const cGammaTable* k;
    cLinearIpol1D kParams;
};

int BlackPreservingSampler(const uint16_t* in, uint16_t* out, void* cargo)
{
    const auto* c = static_cast<const BlackPreservingCargo*>(cargo);
    if (in[0] == 0 && in[1] == 0 && in[2] == 0) {
        out[0] = out[1] = out[2] = 0;
        out[3] = c->kParams.Eval016(in[3], c->k->table.data());
        return 1;
    }
    c->cmyk->Process(in, out, 1);
    return 1;
}

} // namespace

void cXForm::PrecalculateBlackPreservingDeviceLink(cLUT& dl, const cProfile* input, const cProfile* output,
                                                   const cProfile* lab)
{
    if (!HasFilledLUT(output, kB2A[intent]))
        return;
    cGammaTable k;
    BuildKToneCurve(k, input, output, lab, intent, flags, 256);
    if (k.table.empty())
        return;
    const cXForm cmyk(input, CMM_PF::kCMYK16, output, CMM_PF::kCMYK16, intent,
                      (flags & XForm_BlackPointCompensation) | XForm_NoPrecalc, nullptr, icAbsoluteColorimetric);
    const cInternalProcessing processing(&cmyk);
    if (!processing.IsUsable())
        return;
    dl = cLUT(ReasonableGridpointsByColorspace(inputSpace, flags), 4, 4, false);
    BlackPreservingCargo cargo{&processing, &k, cLinearIpol1D(uint32_t(k.table.size()))};
    if (!IsFilled(dl) || !dl.Sample3DGrid(&BlackPreservingSampler, &cargo, eSampler_FlagSet(dl.flags & 0xA)))
        dl = cLUT();
}

namespace {

// K to 65535 - L through a CMYK profile; empty when no transform serves.
bool KToLightness(cGammaTable& curve, const cProfile* cmyk, const cProfile* lab, icRenderingIntent intent,
                  QFlags<eXForm_Flags> flags, int points)
{
    const cXForm t(cmyk, CMM_PF::kCMYK16, lab, CMM_PF::kLab16, intent, flags | XForm_NoPrecalc, nullptr,
                   icAbsoluteColorimetric);
    const cInternalProcessing p(&t);
    if (!p.IsUsable() || points < 2)
        return false;
    curve = cGammaTable();
    curve.table.resize(size_t(points));
    for (int i = 0; i < points; ++i) {
        const uint16_t in[4] = {0, 0, 0, SaturateWord(double(i) * 65535.0 / double(points - 1))};
        uint16_t out[kWorkSamples] = {};
        p.Process(in, out, 1);
        curve.table[size_t(i)] = uint16_t(65535 - out[0]);
    }
    return true;
}

} // namespace

void BuildKToneCurve(cGammaTable& curve, const cProfile* input, const cProfile* output, const cProfile* lab,
                     icRenderingIntent intent, QFlags<eXForm_Flags> flags, int points)
{
    if (!input || !output || input->colorSpace() != icSigCmykData || output->colorSpace() != icSigCmykData)
        return;
    cGammaTable in, out;
    if (!KToLightness(in, input, lab, intent, flags, points) || !KToLightness(out, output, lab, intent, flags, points)) {
        curve = cGammaTable();
        return;
    }
    curve.Join(in, out);
    if (!curve.IsMonotonic())
        curve = cGammaTable();
}

int cXForm::ReasonableGridpointsByColorspace(icColorSpaceSignature space, QFlags<eXForm_Flags> f)
{
    const int n = ChannelsOf(space);
    if (f.testFlag(XForm_HighResPrecalc))
        return n > 4 ? 7 : (n == 4 ? 23 : 49);
    if (f.testFlag(XForm_LowResPrecalc))
        return n > 4 ? 6 : (n == 1 ? 33 : 17);
    return n > 4 ? 7 : (n == 4 ? 17 : 33);
}

void cXForm::swap(cXForm& o)
{
    std::swap(flags, o.flags);
    std::swap(inputFormat, o.inputFormat);
    std::swap(outputFormat, o.outputFormat);
    std::swap(inputV4, o.inputV4);
    std::swap(outputV4, o.outputV4);
    std::swap(intent, o.intent);
    std::swap(proofIntent, o.proofIntent);
    std::swap(deviceWhite, o.deviceWhite);
    std::swap(inputSpace, o.inputSpace);
    std::swap(outputSpace, o.outputSpace);
    std::swap(routine, o.routine);
    std::swap(toPCS, o.toPCS);
    firstConversion.swap(o.firstConversion);
    secondConversion.swap(o.secondConversion);
    std::swap(fromPCS, o.fromPCS);
    inputLUT.swap(o.inputLUT);
    outputLUT.swap(o.outputLUT);
    gamutLUT.swap(o.gamutLUT);
    previewLUT.swap(o.previewLUT);
    deviceLink.swap(o.deviceLink);
    precalcGamutLUT.swap(o.precalcGamutLUT);
    inputShaper.swap(o.inputShaper);
    outputShaper.swap(o.outputShaper);
    deviceShaper.swap(o.deviceShaper);
    std::swap(inputPCS, o.inputPCS);
    std::swap(proofPCS, o.proofPCS);
    std::swap(outputPCS, o.outputPCS);
    std::swap(adaptation, o.adaptation);
}

} // namespace CMM
} // namespace Nuvra
