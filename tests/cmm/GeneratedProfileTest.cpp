// Profiles that LittleCMS 2 writes in the test: version 4 LUT profiles,
// mixed-length curves, long and decreasing curves, a two-channel profile.

#include "IccTestUtil.h"

#include "cmm/ColorRecords.h"
#include "cmm/GammaTable.h"
#include "cmm/LUT.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace Nuvra::CMM;
using namespace Nuvra::CMM::Test;

namespace {

QByteArray save(cmsHPROFILE h)
{
    cmsUInt32Number size = 0;
    EXPECT_TRUE(cmsSaveProfileToMem(h, nullptr, &size));
    QByteArray out(int(size), '\0');
    EXPECT_TRUE(cmsSaveProfileToMem(h, out.data(), &size));
    cmsCloseProfile(h);
    return out;
}

struct SamplerCargo {
    cmsHTRANSFORM transform;
};

cmsInt32Number sampleThrough(const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo)
{
    cmsDoTransform(static_cast<SamplerCargo*>(cargo)->transform, in, out, 1);
    return 1;
}

// Lightness to all three device channels.
cmsInt32Number lightnessToGray(const cmsUInt16Number in[], cmsUInt16Number out[], void*)
{
    out[0] = out[1] = out[2] = in[0];
    return 1;
}

// A version 4 display profile whose A2B0 and B2A0 are grids through sRGB (or,
// with grayB2A, a B2A0 that maps lightness to gray).
QByteArray v4LutRgbProfile(const std::vector<int>& curveEntries = {}, bool grayB2A = false)
{
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM toLab = cmsCreateTransform(srgb, TYPE_RGB_16, lab, TYPE_Lab_16, INTENT_RELATIVE_COLORIMETRIC, 0);
    cmsHTRANSFORM toRgb = cmsCreateTransform(lab, TYPE_Lab_16, srgb, TYPE_RGB_16, INTENT_RELATIVE_COLORIMETRIC, 0);

    cmsHPROFILE h = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(h, 4.3);
    cmsSetDeviceClass(h, cmsSigDisplayClass);
    cmsSetColorSpace(h, cmsSigRgbData);
    cmsSetPCS(h, cmsSigLabData);
    cmsWriteTag(h, cmsSigMediaWhitePointTag, cmsD50_XYZ());

    cmsPipeline* a2b = cmsPipelineAlloc(nullptr, 3, 3);
    if (curveEntries.empty()) {
        cmsPipelineInsertStage(a2b, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    } else {
        // Identity curves of different lengths in front of the grid.
        cmsToneCurve* curves[3];
        for (int c = 0; c < 3; ++c) {
            std::vector<cmsUInt16Number> t(size_t(curveEntries[size_t(c)]));
            for (size_t i = 0; i < t.size(); ++i)
                t[i] = cmsUInt16Number((i * 65535 + (t.size() - 1) / 2) / (t.size() - 1));
            curves[c] = cmsBuildTabulatedToneCurve16(nullptr, cmsUInt32Number(t.size()), t.data());
        }
        cmsPipelineInsertStage(a2b, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, curves));
        for (cmsToneCurve* c : curves)
            cmsFreeToneCurve(c);
    }
    cmsStage* clut = cmsStageAllocCLut16bit(nullptr, 17, 3, 3, nullptr);
    SamplerCargo c1{toLab};
    cmsStageSampleCLut16bit(clut, sampleThrough, &c1, 0);
    cmsPipelineInsertStage(a2b, cmsAT_END, clut);
    // The v4 LUT types always carry B curves.
    cmsPipelineInsertStage(a2b, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(h, cmsSigAToB0Tag, a2b);
    cmsPipelineFree(a2b);

    cmsPipeline* b2a = cmsPipelineAlloc(nullptr, 3, 3);
    cmsPipelineInsertStage(b2a, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsStage* clut2 = cmsStageAllocCLut16bit(nullptr, 17, 3, 3, nullptr);
    SamplerCargo c2{toRgb};
    cmsStageSampleCLut16bit(clut2, grayB2A ? lightnessToGray : sampleThrough, &c2, 0);
    cmsPipelineInsertStage(b2a, cmsAT_END, clut2);
    cmsPipelineInsertStage(b2a, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(h, cmsSigBToA0Tag, b2a);
    cmsPipelineFree(b2a);

    cmsDeleteTransform(toLab);
    cmsDeleteTransform(toRgb);
    cmsCloseProfile(srgb);
    cmsCloseProfile(lab);
    return save(h);
}

QByteArray rgbWithCurve(const std::vector<cmsUInt16Number>& table)
{
    cmsToneCurve* c = cmsBuildTabulatedToneCurve16(nullptr, cmsUInt32Number(table.size()), table.data());
    cmsToneCurve* curves[3] = {c, c, c};
    cmsCIExyY d65;
    cmsWhitePointFromTemp(&d65, 6504);
    const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};
    cmsHPROFILE h = cmsCreateRGBProfile(&d65, &primaries, curves);
    EXPECT_NE(h, nullptr);
    cmsSetProfileVersion(h, 2.1);
    cmsFreeToneCurve(c);
    return save(h);
}

} // namespace

TEST(GeneratedProfiles, Version4LutProfileReachesFullDeviceScale)
{
    const QByteArray bytes = v4LutRgbProfile();
    cProfile::ptr_t p(new cProfile);
    LogCapture log;
    ASSERT_TRUE(LoadBytes(*p, bytes)) << log.joined();
    const cLUT* a2b = p->TagAs<cLUT>(Sig::A2B0);
    const cLUT* b2a = p->TagAs<cLUT>(Sig::B2A0);
    ASSERT_NE(a2b, nullptr);
    ASSERT_NE(b2a, nullptr);
    EXPECT_EQ(a2b->tagType, Sig::TypeMAB);
    EXPECT_EQ(b2a->tagType, Sig::TypeMBA);
    // Only the Lab side of each LUT is converted between the encodings.
    EXPECT_EQ(a2b->flags & (LUT_LabInputFromV2 | LUT_LabOutputToV2), uint32_t(LUT_LabOutputToV2));
    EXPECT_EQ(b2a->flags & (LUT_LabInputFromV2 | LUT_LabOutputToV2), uint32_t(LUT_LabInputFromV2));

    // Device values agree with the other library's evaluation of the same tag.
    cmsHPROFILE h = cmsOpenProfileFromMem(bytes.constData(), cmsUInt32Number(bytes.size()));
    cmsHPROFILE labProfile = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM t = cmsCreateTransform(labProfile, TYPE_Lab_DBL, h, TYPE_RGB_16, INTENT_RELATIVE_COLORIMETRIC, 0);
    for (const cmsCIELab& lab : {cmsCIELab{100, 0, 0}, cmsCIELab{0, 0, 0}, cmsCIELab{50, 20, -30}}) {
        cmsUInt16Number theirs[3];
        cmsDoTransform(t, &lab, theirs, 1);
        sCIELab l{float(lab.L), float(lab.a), float(lab.b)};
        uint16_t in[3], rgb[16] = {};
        l.ToFixed(in);
        b2a->Eval(in, rgb);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(rgb[c], theirs[c], 0x180) << lab.L << " " << c;
    }
    cmsDeleteTransform(t);
    cmsCloseProfile(labProfile);
    cmsCloseProfile(h);

    // Device white comes out as L 100 in the engine's encoding.
    const uint16_t devWhite[3] = {0xFFFF, 0xFFFF, 0xFFFF};
    uint16_t lab[16] = {};
    a2b->Eval(devWhite, lab);
    EXPECT_NEAR(lab[0], 0xFF00, 0x40);
    EXPECT_NEAR(lab[1], 0x8000, 0x80);
    EXPECT_NEAR(lab[2], 0x8000, 0x80);
}

TEST(GeneratedProfiles, LabWhiteGivesFullDeviceWhite)
{
    cProfile::ptr_t p(new cProfile);
    ASSERT_TRUE(LoadBytes(*p, v4LutRgbProfile({}, true)));
    const cLUT* b2a = p->TagAs<cLUT>(Sig::B2A0);
    ASSERT_NE(b2a, nullptr);
    const uint16_t white[3] = {0xFF00, 0x8000, 0x8000};
    uint16_t rgb[16] = {};
    b2a->Eval(white, rgb);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(rgb[c], 0xFFFF) << c;
        EXPECT_EQ((rgb[c] * 255 + 32767) / 65535, 255) << c;
    }
}

TEST(GeneratedProfiles, MixedLengthCurvesAreResampledToTheLongest)
{
    cProfile::ptr_t p(new cProfile);
    LogCapture log;
    ASSERT_TRUE(LoadBytes(*p, v4LutRgbProfile({2, 257, 33}))) << log.joined();
    const cLUT* a2b = p->TagAs<cLUT>(Sig::A2B0);
    ASSERT_NE(a2b, nullptr);
    ASSERT_TRUE(a2b->flags & LUT_InputTables);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(a2b->inputTables[c].table.size(), 257u) << c;
        // Identity curves stay identities after resampling.
        EXPECT_NEAR(a2b->inputTables[c].table[128], 32768, 2) << c;
    }
}

TEST(GeneratedProfiles, LongAndDecreasingCurves)
{
    // The longest table a 'curv' may hold (the other library stops below it,
    // so this one is written by hand).
    Bytes longest;
    longest.sig("curv").u32(0).u32(65535);
    for (uint32_t i = 0; i < 65535; ++i)
        longest.u16(uint16_t(i));
    std::vector<cmsUInt16Number> decreasing(300);
    for (size_t i = 0; i < decreasing.size(); ++i)
        decreasing[i] = cmsUInt16Number(65535 - i * 65535 / 299);

    void* obj = ReadTag(Sig::RTRC, longest);
    ASSERT_NE(obj, nullptr);
    const cGammaTable* trc = static_cast<cGammaTable*>(obj);
    EXPECT_EQ(trc->table.size(), 65535u);
    EXPECT_EQ(trc->table[65534], 65534);
    EXPECT_EQ(trc->type, 0);
    EXPECT_EQ(trc->crc, trc->CalcCrc32());
    EXPECT_EQ(WriteTag(Sig::RTRC, obj), QByteArray(longest));
    DestroyTag(Sig::RTRC, obj);

    cProfile::ptr_t q(new cProfile);
    ASSERT_TRUE(LoadBytes(*q, rgbWithCurve(decreasing)));
    EXPECT_TRUE(q->IsMatrixShaper());
    const cGammaTable* dec = q->TagAs<cGammaTable>(Sig::GTRC);
    ASSERT_NE(dec, nullptr);
    EXPECT_EQ(dec->table.front(), 65535);
    EXPECT_EQ(dec->table.back(), 0);
    EXPECT_FALSE(dec->IsMonotonic());
}

TEST(GeneratedProfiles, TwoChannelProfileFailsCleanly)
{
    cmsHPROFILE h = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(h, 2.1);
    cmsSetDeviceClass(h, cmsSigOutputClass);
    cmsSetColorSpace(h, cmsSig2colorData);
    cmsSetPCS(h, cmsSigLabData);
    cmsPipeline* a2b = cmsPipelineAlloc(nullptr, 2, 3);
    cmsPipelineInsertStage(a2b, cmsAT_END, cmsStageAllocCLut16bit(nullptr, 5, 2, 3, nullptr));
    cmsWriteTag(h, cmsSigAToB0Tag, a2b);
    cmsPipelineFree(a2b);
    const QByteArray bytes = save(h);

    LogCapture log;
    cProfile::ptr_t p(new cProfile);
    EXPECT_FALSE(LoadBytes(*p, bytes));
    EXPECT_TRUE(log.contains("cannot be evaluated")) << log.joined();
}

TEST(GeneratedProfiles, WrittenBackAndReadAgain)
{
    cProfile::ptr_t p(new cProfile);
    ASSERT_TRUE(LoadBytes(*p, v4LutRgbProfile({2, 257, 33})));
    const QByteArray written = WriteProfile(*p);
    cProfile::ptr_t q(new cProfile);
    LogCapture log;
    ASSERT_TRUE(LoadBytes(*q, written)) << log.joined();
    for (icTagSignature sig : {Sig::A2B0, Sig::B2A0}) {
        const cLUT& a = *p->TagAs<cLUT>(sig);
        const cLUT& b = *q->TagAs<cLUT>(sig);
        EXPECT_EQ(a.flags, b.flags);
        EXPECT_EQ(a.gridSamples, b.gridSamples);
        EXPECT_EQ(a.inputTables[1].table, b.inputTables[1].table);
    }
    // The other reader accepts what we wrote.
    cmsHPROFILE h = cmsOpenProfileFromMem(written.constData(), cmsUInt32Number(written.size()));
    ASSERT_NE(h, nullptr);
    EXPECT_NE(cmsReadTag(h, cmsSigAToB0Tag), nullptr);
    EXPECT_NE(cmsReadTag(h, cmsSigBToA0Tag), nullptr);
    cmsCloseProfile(h);
}

namespace {

// A version 2 printer profile whose B2A1 is an 8-bit table of 9 grid points,
// as ordinary CMYK profiles store it: no ink at the two lightest L planes, so
// Lab white gives paper white with and without the reader's Lab scaling.
QByteArray v2CmykWithLut8B2A()
{
    const int n = 9;
    Bytes b;
    b.mft1Head(3, 4, n);
    for (int l = 0; l < n; ++l)
        for (int a = 0; a < n; ++a)
            for (int bb = 0; bb < n; ++bb) {
                const double dark = std::max(0.0, 1.0 - double(l) / (n - 3));
                const double ink[4] = {dark * (0.4 + 0.6 * (n - 1 - a) / (n - 1.0)),
                                       dark * (0.3 + 0.7 * a / (n - 1.0)), dark * (0.2 + 0.8 * bb / (n - 1.0)),
                                       dark * dark};
                for (double v : ink)
                    b.u8(uint8_t(std::lround(std::min(1.0, v) * 255.0)));
            }
    b.identity8(4);

    HeaderFields h;
    h.version = 0x02100000;
    h.deviceClass = icSig("prtr");
    h.colorSpace = icSig("CMYK");
    h.pcs = icSig("Lab ");
    h.intent = 1;
    const QByteArray white = Bytes().sig("XYZ ").u32(0).s15(0.9642).s15(1.0).s15(0.8249);
    return BuildProfile(h, {{Sig::Wtpt, white}, {Sig::B2A0, b}, {Sig::B2A1, QByteArray(), 1}});
}

} // namespace

TEST(GeneratedProfiles, EightBitLabTablesKeepTheirScalingWhenWhiteTies)
{
    const QByteArray bytes = v2CmykWithLut8B2A();
    cProfile::ptr_t p(new cProfile);
    LogCapture log;
    ASSERT_TRUE(LoadBytes(*p, bytes)) << log.joined();
    const cLUT* b2a = p->TagAs<cLUT>(Sig::B2A1);
    ASSERT_NE(b2a, nullptr);

    cmsHPROFILE h = cmsOpenProfileFromMem(bytes.constData(), cmsUInt32Number(bytes.size()));
    ASSERT_NE(h, nullptr);
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM t = cmsCreateTransform(lab, TYPE_Lab_DBL, h, TYPE_CMYK_16, INTENT_RELATIVE_COLORIMETRIC,
                                         cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE);
    ASSERT_NE(t, nullptr);
    int worst = 0;
    for (int L = 0; L <= 100; L += 5)
        for (int a = -100; a <= 100; a += 25)
            for (int bb = -100; bb <= 100; bb += 25) {
                const cmsCIELab in{double(L), double(a), double(bb)};
                cmsUInt16Number theirs[4];
                cmsDoTransform(t, &in, theirs, 1);
                uint16_t enc[3], ours[16] = {};
                sCIELab{float(L), float(a), float(bb)}.ToFixed(enc);
                b2a->Eval(enc, ours);
                for (int c = 0; c < 4; ++c)
                    worst = std::max(worst, std::abs(int(ours[c]) - int(theirs[c])));
            }
    EXPECT_LE(worst, 64);
    cmsDeleteTransform(t);
    cmsCloseProfile(lab);
    cmsCloseProfile(h);
}

TEST(GeneratedProfiles, Version4LabAbstractConvertsBothSides)
{
    // The other library's identity abstract: Lab to Lab, version 4 tables.
    const QByteArray bytes = save(cmsCreateLab4Profile(nullptr));
    cProfile::ptr_t p(new cProfile);
    LogCapture log;
    ASSERT_TRUE(LoadBytes(*p, bytes)) << log.joined();
    ASSERT_EQ(p->colorSpace(), icSigLabData);
    const cLUT* a2b = p->TagAs<cLUT>(Sig::A2B0);
    ASSERT_NE(a2b, nullptr);
    for (const sCIELab& l : {sCIELab{100, 0, 0}, sCIELab{0, 0, 0}, sCIELab{50, 20, -30}, sCIELab{75, -60, 90}}) {
        uint16_t in[3], out[16] = {};
        l.ToFixed(in);
        a2b->Eval(in, out);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(out[c], in[c], 1) << l.L << " " << l.a << " " << l.b << " channel " << c;
    }
}
