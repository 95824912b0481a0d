#include "cmm/XForm.h"

#include "cmm/ColorSpaces.h"
#include "cmm/Logging.h"
#include "cmm/Profile.h"

#include <utility>

namespace Nuvra {
namespace CMM {

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

void cXForm::Build(const cProfile*, const cProfile*, const cProfile*)
{
    qCCritical(libcmm(), "cXForm: transforms are not built yet\n");
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

} // namespace CMM
} // namespace Nuvra
