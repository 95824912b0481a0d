#pragma once

// Profiles and one-call conversions shared by the transform tests.

#include "cmm/InternalProcessing.h"
#include "cmm/Profile.h"
#include "IccTestUtil.h"

#include <vector>

namespace Nuvra {
namespace CMM {
namespace Test {

inline cProfile::ptr_t LoadProfile(const QString& relative)
{
    cProfile::ptr_t p(new cProfile);
    if (!p->Load(DataPath(relative)))
        return cProfile::ptr_t();
    return p;
}

inline cProfile::ptr_t LabD50()
{
    sCIExyY d50;
    d50.Set(D50XYZ());
    return cProfile::CreateLab(&d50);
}

// Codes the tests use most.
constexpr unsigned kRGB8 = CMM_PF::Make(CMM_PF::kSpaceRGB, 3, 0, CMM_PF::kSample8);
constexpr unsigned kRGB16 = CMM_PF::Make(CMM_PF::kSpaceRGB, 3, 0, CMM_PF::kSample16);
constexpr unsigned kRGBFloat = CMM_PF::Make(CMM_PF::kSpaceRGB, 3, 0, CMM_PF::kSampleFloat);
constexpr unsigned kCMYK8 = CMM_PF::Make(CMM_PF::kSpaceCMYK, 4, 0, CMM_PF::kSample8);
constexpr unsigned kGray8 = CMM_PF::Make(CMM_PF::kSpaceGray, 1, 0, CMM_PF::kSample8);

inline cXForm::ptr_t MakeXForm(const cProfile::ptr_t& in, unsigned inCode, const cProfile::ptr_t& out,
                               unsigned outCode, icRenderingIntent intent = icPerceptual,
                               QFlags<eXForm_Flags> flags = {}, const cProfile::ptr_t& proof = {},
                               icRenderingIntent proofIntent = icAbsoluteColorimetric)
{
    return cXForm::ptr_t(
        new cXForm(in.get(), inCode, out.get(), outCode, intent, flags, proof.get(), proofIntent));
}

// count pixels of the transform's codes; the output is returned as T.
template <class Out, class In>
std::vector<Out> Convert(const cXForm& t, const std::vector<In>& in)
{
    const int inSamples = CMM_PF::Samples(t.inputFormat);
    const int outSamples = CMM_PF::Samples(t.outputFormat);
    const int count = int(in.size()) / inSamples;
    std::vector<Out> out(size_t(count) * size_t(outSamples));
    cInternalProcessing(&t).Process(in.data(), out.data(), count);
    return out;
}

} // namespace Test
} // namespace CMM
} // namespace Nuvra
