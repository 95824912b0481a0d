// One transform shared by eight threads gives, on every thread, exactly what
// it gives on one: routines and evaluators only read the transform.
#include "XFormTestUtil.h"
#include "pixelstore/CpuFeatures.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

using namespace Nuvra;
using namespace Nuvra::CMM;
using namespace Nuvra::CMM::Test;

namespace {

// A device link from n channels to RGB whose grid holds random samples.
cProfile::ptr_t RandomLink(int n, int points, uint32_t seed)
{
    static const uint32_t kSpaces[] = {0, 0, 0, icSig("3CLR"), icSig("4CLR"), icSig("5CLR"),
                                       icSig("6CLR"), icSig("7CLR"), icSig("8CLR")};
    cProfile::ptr_t p(new cProfile);
    p->setDeviceClass(icSigLinkClass);
    p->setColorSpace(icColorSpaceSignature(kSpaces[n]));
    p->setPCS(Sig::RGB);
    cLUT lut(points, n, 3, false);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(0, 65535);
    for (uint16_t& s : lut.gridSamples)
        s = uint16_t(d(rng));
    p->SetTagValue(Sig::A2B0, lut);
    return p;
}

TEST(XFormThreads, EveryRoutineIsBitIdenticalOnEightThreads)
{
    const cProfile::ptr_t srgb = cProfile::Create_sRGB();
    const cProfile::ptr_t lab = LabD50();
    const cProfile::ptr_t cmyk = cProfile::Create_CMYK();
    sCIExyY d65;
    ASSERT_TRUE(d65.SetWhitePointFromTemp(6504));
    const cProfile::ptr_t lab65 = cProfile::CreateLab(&d65);
    const unsigned rgb16 = kRGB16;

    struct Case {
        const char* name;
        cXForm::ptr_t t;
        cXForm::Routine routine;
        cXForm::Routine wide = nullptr; // where the AVX2 kernels may run, when it differs
    };
    std::vector<Case> cases = {
        {"CMYK to sRGB", MakeXForm(cmyk, CMM_PF::kCMYK16, srgb, rgb16), &cXForm::DoPrecalc},
        {"RGB to Lab", MakeXForm(srgb, rgb16, lab, CMM_PF::kLab16), &cXForm::DoPrecalcTetra16,
         &cXForm::DoPrecalcTetra16Wide},
        {"Lab to sRGB", MakeXForm(lab, CMM_PF::kLab16, srgb, rgb16), &cXForm::DoPrecalc},
        {"Lab to Lab", MakeXForm(lab, CMM_PF::kLab16, lab65, CMM_PF::kLab16, icAbsoluteColorimetric),
         &cXForm::DoPrecalc3Inputs, &cXForm::DoPrecalc3InputsWide},
        {"RGB to Lab, unprecalculated", MakeXForm(srgb, rgb16, lab, CMM_PF::kLab16, icPerceptual, XForm_NoPrecalc),
         &cXForm::DoNormal},
        {"sRGB to sRGB, unprecalculated", MakeXForm(srgb, rgb16, srgb, rgb16, icPerceptual, XForm_NoPrecalc),
         &cXForm::DoMatrixShaper},
        {"gamut check", MakeXForm(srgb, rgb16, srgb, rgb16, icRelativeColorimetric, XForm_GamutCheck, cmyk,
                                  icRelativeColorimetric),
         &cXForm::DoPrecalGamutCheck},
    };
    for (int n = 5; n <= 8; ++n)
        cases.push_back({"device link", MakeXForm(RandomLink(n, n < 7 ? 7 : 5, uint32_t(n)), CMM_PF::Device16(n), {}, rgb16),
                         &cXForm::DoPrecalc});

    constexpr int kPixels = 20000;
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> d(0, 65535);
    const bool wide = DataStorage::Simd::kernelsMay(DataStorage::Simd::Isa::Avx2);
    for (const Case& c : cases) {
        ASSERT_TRUE(c.t->routine == (wide && c.wide ? c.wide : c.routine)) << c.name;
        const int inSamples = CMM_PF::Samples(c.t->inputFormat);
        std::vector<uint16_t> in(size_t(kPixels) * inSamples);
        for (uint16_t& s : in)
            s = uint16_t(d(rng));
        const std::vector<uint16_t> single = Convert<uint16_t>(*c.t, in);
        std::vector<std::vector<uint16_t>> results(8);
        std::vector<std::thread> threads;
        for (int k = 0; k < 8; ++k)
            threads.emplace_back([&, k] { results[size_t(k)] = Convert<uint16_t>(*c.t, in); });
        for (std::thread& th : threads)
            th.join();
        for (int k = 0; k < 8; ++k)
            EXPECT_TRUE(results[size_t(k)] == single) << c.name << " thread " << k;
    }
}

} // namespace
