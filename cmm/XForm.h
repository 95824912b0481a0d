#pragma once

#include "cmm/Conversion.h"
#include "cmm/IccSignatures.h"
#include "cmm/LUT.h"
#include "cmm/MatrixShaper.h"
#include "cmm/PixelFormatCode.h"
#include "pixelstore/RefCounted.h"
#include "pixelstore/SmartPtr.h"

#include <QFlags>

#include <cstdint>

namespace Nuvra {
namespace CMM {

class cProfile;
class cProcessing;

enum eXForm_Flags : uint32_t {
    XForm_GamutCheck = 0x1,          // with a proof profile
    XForm_SoftProofing = 0x2,        // preview through the proof profile
    XForm_BlackPointCompensation = 0x4,
    XForm_PreserveBlack = 0x8,       // CMYK to CMYK only
    XForm_InputMatrixShaper = 0x10,  // input side ignores its LUT tags
    XForm_OutputMatrixShaper = 0x20, // output side ignores its LUT tags
    XForm_NoPrecalc = 0x40,
    XForm_HighResPrecalc = 0x80,
    XForm_LowResPrecalc = 0x100,
    XForm_NoWhiteFix = 0x200,
    XForm_NoPrelinearization = 0x400,
};
Q_DECLARE_FLAGS(eXForm_FlagSet, eXForm_Flags)

// A LUT that can run: it has an evaluator and channels on both sides.
inline bool IsFilled(const cLUT& lut) { return lut.IsValid() && lut.inputs > 0 && lut.outputs > 0; }

// Samples a routine may read or write per side: up to 16 colours and 8 extras.
constexpr int kWorkSamples = 24;

// A colour transform between two profiles (or through a device link), built
// once and then only read: any number of threads may run its routine at once.
// It is valid exactly when `routine` is set; every refusal leaves it unset
// with a critical "lib.cmm" line.
//
// The routine reads the input colour samples (indexes 0 .. max(3, colours) - 1,
// 16-bit working encodings) and writes the output colour samples; some paths
// write four samples whatever the output colour count, so callers give it an
// output array of at least four samples. It never writes its input.
class cXForm : public RefCounted<MultiThreadedLocks> {
public:
    using ptr_t = SmartPtr<cXForm>;
    using Routine = void (cXForm::*)(const unsigned short* in, unsigned short* out) const;

    eXForm_FlagSet flags;
    uint32_t inputFormat = 0;  // pixel-format code of the input side
    uint32_t outputFormat = 0; // pixel-format code of the output side
    bool inputV4 = false;
    bool outputV4 = false;
    icRenderingIntent intent = icPerceptual;
    icRenderingIntent proofIntent = icPerceptual;
    // Device white of the output space, padded to four samples.
    uint16_t deviceWhite[4] = {};
    icColorSpaceSignature inputSpace = icColorSpaceSignature(0);
    icColorSpaceSignature outputSpace = icColorSpaceSignature(0);
    Routine routine = nullptr;
    Routine toPCS = nullptr;
    cConversion firstConversion;
    cConversion secondConversion;
    Routine fromPCS = nullptr;
    cLUT inputLUT;
    cLUT outputLUT;
    cLUT gamutLUT;        // gamut check of the unprecalculated path
    cLUT previewLUT;
    cLUT deviceLink;
    cLUT precalcGamutLUT; // gamut check beside the device link
    cMatrixShaper inputShaper;
    cMatrixShaper outputShaper;
    cMatrixShaper deviceShaper;
    int32_t inputPCS = -1; // 0 XYZ, 1 Lab, -1 none (device link)
    int32_t proofPCS = -1;
    int32_t outputPCS = -1;
    float adaptation = 0.0f;

    cXForm() = default;
    cXForm(const cProfile* input, unsigned inputFormat, const cProfile* output, unsigned outputFormat,
           icRenderingIntent intent, QFlags<eXForm_Flags> flags, const cProfile* proof,
           icRenderingIntent proofIntent);
    ~cXForm() override;
    cXForm(const cXForm&) = delete;
    cXForm& operator=(const cXForm&) = delete;

    void swap(cXForm& other);

    bool IsValid() const { return routine != nullptr; }
    void Run(const unsigned short* in, unsigned short* out) const { (this->*routine)(in, out); }
    // The routine over count pixels, each pixel's samples kWorkSamples apart
    // in both buffers; precalculated transforms evaluate whole runs.
    void RunMany(const unsigned short* in, unsigned short* out, int count) const;

    static int ReasonableGridpointsByColorspace(icColorSpaceSignature space, QFlags<eXForm_Flags> flags);

    // Per-pixel routines.
    void DoNormal(const unsigned short* in, unsigned short* out) const;
    void DoMatrixShaper(const unsigned short* in, unsigned short* out) const;
    void DoPrecalc(const unsigned short* in, unsigned short* out) const;
    void DoPrecalc3Inputs(const unsigned short* in, unsigned short* out) const;
    void DoPrecalcTetra16(const unsigned short* in, unsigned short* out) const;
    void DoPrecalc3InputsWide(const unsigned short* in, unsigned short* out) const;
    void DoPrecalcTetra16Wide(const unsigned short* in, unsigned short* out) const;
    void DoPrecalGamutCheck(const unsigned short* in, unsigned short* out) const;

    // Stages of DoNormal.
    void LUTtoPCS(const unsigned short* in, unsigned short* out) const;
    void ShaperMatrixToPCS(const unsigned short* in, unsigned short* out) const;
    void PCStoLUT(const unsigned short* in, unsigned short* out) const;
    void PCStoShaperMatrix(const unsigned short* in, unsigned short* out) const;

    // Makes the device link map the input space's device white exactly onto
    // the output's; false when nothing was patched.
    bool FixWhiteMisalignment(const cProfile* proof);

private:
    void Build(const cProfile* input, const cProfile* output, const cProfile* proof);
    bool CreateDeviceLinkTransform(const cProfile* link, const cProfile* output, const cProfile* proof);
    void CreateProof(const cProfile* proof, uint32_t& outputTag, const cProfile* lab);
    bool PickTransformRoutine(const cProfile* input, uint32_t inputTag, const cProfile* output,
                              uint32_t outputTag, const cProfile* proof);
    bool CheckChannels(const cProfile* input, const cProfile* output) const;
    void TakeConversionRoutines(const cProfile* input, const cProfile* output, const cProfile* proof,
                                const cProfile* lab, bool bpc);
    void PrecalculateDeviceLink(cLUT& dl);
    void PrecalculateBlackPreservingDeviceLink(cLUT& dl, const cProfile* input, const cProfile* output,
                                               const cProfile* lab);
    void ChoosePrecalcRoutine();
};

// The grid size of a precalculated transform whose input is the colour space.
inline int ReasonableGridpointsByColorspace(icColorSpaceSignature space, QFlags<eXForm_Flags> flags)
{
    return cXForm::ReasonableGridpointsByColorspace(space, flags);
}

// K-to-K curve of a black-preserving CMYK transform: input K to output K at
// equal lightness. Left as it is for spaces other than CMYK; cleared when the
// result is not monotonic.
void BuildKToneCurve(cGammaTable& curve, const cProfile* input, const cProfile* output,
                     const cProfile* lab, icRenderingIntent intent, QFlags<eXForm_Flags> flags, int points);

} // namespace CMM
} // namespace Nuvra

Q_DECLARE_OPERATORS_FOR_FLAGS(Nuvra::CMM::eXForm_FlagSet)
