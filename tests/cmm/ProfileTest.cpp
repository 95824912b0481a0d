#include "IccTestUtil.h"

#include "cmm/GammaTable.h"
#include "cmm/LUT.h"
#include "cmm/Matrix.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace Nuvra::CMM;
using namespace Nuvra::CMM::Test;

namespace {

void expectXYZ(const sCIEXYZ& v, double x, double y, double z, double tol = 1e-5)
{
    EXPECT_NEAR(v.X, x, tol);
    EXPECT_NEAR(v.Y, y, tol);
    EXPECT_NEAR(v.Z, z, tol);
}

sChadMatrix chadOf(const mat33real_t& m)
{
    sChadMatrix c{};
    for (int i = 0; i < 9; ++i)
        c.m[i] = float(m.m[i / 3][i % 3]);
    return c;
}

const mat33real_t kSomeChad = {{{1.0479, 0.0229, -0.0502}, {0.0296, 0.9904, -0.0171}, {-0.0092, 0.0151, 0.7519}}};

} // namespace

TEST(Profile, Defaults)
{
    cProfile::ptr_t p(new cProfile);
    EXPECT_EQ(p->version(), 0x02300000u);
    EXPECT_EQ(uint32_t(p->deviceClass()), 0xFFFFFFFFu);
    EXPECT_EQ(uint32_t(p->colorSpace()), icSig("RGB "));
    EXPECT_EQ(p->pcs(), icSig("XYZ "));
    EXPECT_EQ(p->cmmType(), icSig("NUVR"));
    EXPECT_EQ(p->platform(), icSig("APPL"));
    expectXYZ(p->mediaWhite(), 0.9642, 1.0, 0.8249);
    expectXYZ(p->mediaBlack(), 0, 0, 0);
    EXPECT_TRUE(p->Tags().empty());
    EXPECT_TRUE(p->creationDate().isValid());
}

TEST(Profile, SetTagRefreshesMediaPointsUnlessAskedNotTo)
{
    cProfile::ptr_t p(new cProfile);
    p->SetTag(Sig::Wtpt, new sCIEXYZ{0.95f, 1.0f, 1.09f}, true);
    expectXYZ(p->mediaWhite(), 0.9642, 1.0, 0.8249);
    p->SetTag(Sig::Wtpt, new sCIEXYZ{0.95f, 1.0f, 1.09f}, false);
    expectXYZ(p->mediaWhite(), 0.95, 1.0, 1.09);
    p->SetTag(Sig::Bkpt, new sCIEXYZ{0.01f, 0.02f, 0.03f}, false);
    expectXYZ(p->mediaBlack(), 0.01, 0.02, 0.03);
    // Replacing a tag destroys the old object (checked by the sanitizers).
    p->SetTagValue(Sig::Desc, QStringLiteral("a"));
    p->SetTagValue(Sig::Desc, QStringLiteral("b"));
    EXPECT_EQ(*p->TagAs<QString>(Sig::Desc), QStringLiteral("b"));
    // A value of the wrong class is refused.
    LogCapture log;
    p->SetTagValue(Sig::Wtpt, QStringLiteral("not a colour"));
    EXPECT_FALSE(log.lines().isEmpty());
    expectXYZ(*p->TagAs<sCIEXYZ>(Sig::Wtpt), 0.95, 1.0, 1.09);
}

TEST(Profile, ChromaticAdaptationOfMediaPoints)
{
    // Version 2 keeps 'wtpt' as it is.
    cProfile::ptr_t v2(new cProfile);
    v2->SetTag(Sig::Chad, new sChadMatrix(chadOf(kSomeChad)), false);
    v2->SetTagValue(Sig::Wtpt, sCIEXYZ{0.9642f, 1.0f, 0.8249f});
    expectXYZ(v2->mediaWhite(), 0.9642, 1.0, 0.8249);

    // Version 4 undoes the adaptation: chad^-1 x D50.
    cProfile::ptr_t v4(new cProfile);
    v4->setVersion(0x04200000);
    v4->SetTag(Sig::Chad, new sChadMatrix(chadOf(kSomeChad)), true);
    v4->SetTagValue(Sig::Bkpt, sCIEXYZ{0.01f, 0.01f, 0.01f});
    v4->SetTagValue(Sig::Wtpt, sCIEXYZ{0.9642f, 1.0f, 0.8249f});
    mat33real_t inv;
    ASSERT_TRUE(Invert(kSomeChad, inv));
    const sCIEXYZ white = inv * sCIEXYZ{0.9642f, 1.0f, 0.8249f};
    const sCIEXYZ black = inv * sCIEXYZ{0.01f, 0.01f, 0.01f};
    expectXYZ(v4->mediaWhite(), white.X, white.Y, white.Z, 1e-4);
    // Refreshing the white again does not adapt the black a second time.
    v4->InitMemberTags(Sig::Wtpt);
    v4->InitMemberTags(Sig::Wtpt);
    expectXYZ(v4->mediaBlack(), black.X, black.Y, black.Z, 1e-5);
    expectXYZ(v4->mediaWhite(), white.X, white.Y, white.Z, 1e-4);

    // Without 'chad' the white is kept as stored: a display profile's D65
    // white must not be adapted and un-adapted by a matrix made from itself.
    for (icProfileClassSignature cls : {icSigDisplayClass, icSigOutputClass}) {
        cProfile::ptr_t noChad(new cProfile);
        noChad->setVersion(0x04200000);
        noChad->setDeviceClass(cls);
        noChad->SetTagValue(Sig::Wtpt, sCIEXYZ{0.9505f, 1.0f, 1.089f});
        expectXYZ(noChad->mediaWhite(), 0.9505, 1.0, 1.089);
    }

    // A singular adaptation counts as absent.
    cProfile::ptr_t bad(new cProfile);
    bad->setVersion(0x04000000);
    bad->SetTag(Sig::Chad, new sChadMatrix{}, true);
    bad->SetTagValue(Sig::Wtpt, sCIEXYZ{0.9f, 1.0f, 0.8f});
    expectXYZ(bad->mediaWhite(), 0.9, 1.0, 0.8);
}

TEST(Profile, IntentSupport)
{
    cProfile::ptr_t p(new cProfile);
    p->setColorSpace(icSigCmykData);
    p->SetTag(Sig::A2B1, new cLUT(0, 4, 3, false), true);
    EXPECT_TRUE(p->IsIntentSupported(icAbsoluteColorimetric, UsedAsInput));
    EXPECT_TRUE(p->IsIntentSupported(icRelativeColorimetric, UsedAsInput));
    EXPECT_FALSE(p->IsIntentSupported(icPerceptual, UsedAsInput));
    EXPECT_FALSE(p->IsIntentSupported(icRelativeColorimetric, UsedAsOutput));
    EXPECT_FALSE(p->IsIntentSupported(icRelativeColorimetric, UsedAsProof));

    cProfile::ptr_t srgb = cProfile::Create_sRGB();
    for (uint32_t intent = 0; intent < 4; ++intent)
        for (eUsedDirection d : {UsedAsInput, UsedAsOutput, UsedAsProof})
            EXPECT_TRUE(srgb->IsIntentSupported(icRenderingIntent(intent), d));

    cProfile::ptr_t link(new cProfile);
    link->setDeviceClass(icSigLinkClass);
    link->setRenderingIntent(icSaturation);
    link->SetTag(Sig::A2B0, new cLUT(0, 3, 3, false), true);
    EXPECT_FALSE(link->IsIntentSupported(icPerceptual, UsedAsInput));
    EXPECT_TRUE(link->IsIntentSupported(icSaturation, UsedAsOutput));

    LogCapture log;
    EXPECT_FALSE(p->IsIntentSupported(icPerceptual, eUsedDirection(7)));
    EXPECT_TRUE(log.contains("Unexpected direction 7")) << log.joined();
}

TEST(Factories, sRGB)
{
    cProfile::ptr_t p = cProfile::Create_sRGB();
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->IsMatrixShaper());
    EXPECT_EQ(*p->TagAs<QString>(Sig::Desc), QStringLiteral("sRGB IEC61966-2.1"));
    EXPECT_EQ(*p->TagAs<QString>(Sig::Dmdd), QStringLiteral("sRGB built-in"));
    EXPECT_EQ(uint32_t(p->deviceClass()), icSig("mntr"));
    const cGammaTable* r = p->TagAs<cGammaTable>(Sig::RTRC);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->table.size(), 1024u);
    EXPECT_EQ(r->table, p->TagAs<cGammaTable>(Sig::GTRC)->table);
    EXPECT_EQ(r->table, p->TagAs<cGammaTable>(Sig::BTRC)->table);
    // The D50-adapted colorants sum to the D50 white.
    const sCIEXYZ* c[3] = {p->TagAs<sCIEXYZ>(Sig::RXYZ), p->TagAs<sCIEXYZ>(Sig::GXYZ), p->TagAs<sCIEXYZ>(Sig::BXYZ)};
    expectXYZ(sCIEXYZ{c[0]->X + c[1]->X + c[2]->X, c[0]->Y + c[1]->Y + c[2]->Y, c[0]->Z + c[1]->Z + c[2]->Z}, 0.9642,
              1.0, 0.8249, 2e-3);
    expectXYZ(*c[0], 0.4361, 0.2225, 0.0139, 2e-3);
    // Media white is the D65 white point.
    EXPECT_NEAR(p->mediaWhite().X, 0.9505, 2e-3);
}

TEST(Factories, RGBGrayLabXYZ)
{
    sCIExyYTriple primaries{};
    primaries.red = {0.64f, 0.33f, 1.0f};
    primaries.green = {0.3f, 0.6f, 1.0f};
    primaries.blue = {0.15f, 0.06f, 1.0f};
    cProfile::ptr_t rgb = cProfile::CreateRGB(nullptr, &primaries, nullptr);
    ASSERT_TRUE(rgb);
    EXPECT_TRUE(rgb->HasTag(Sig::Chrm));
    EXPECT_FALSE(rgb->HasTag(Sig::Wtpt));
    EXPECT_FALSE(rgb->HasTag(Sig::RXYZ));
    EXPECT_EQ(*rgb->TagAs<QString>(Sig::Desc), QStringLiteral("RGB virtual profile"));
    EXPECT_TRUE(rgb->HasTag(Sig::Cprt));

    // Primaries on one line give no matrix.
    sCIExyYTriple flat = primaries;
    flat.green = {0.395f, 0.195f, 1.0f};
    flat.blue = {0.15f, 0.06f, 1.0f};
    flat.red = {0.64f, 0.33f, 1.0f};
    sCIExyY d65{};
    d65.SetWhitePointFromTemp(6504);
    EXPECT_FALSE(cProfile::CreateRGB(&d65, &flat, nullptr));

    sCIExyY d50{};
    d50.Set(D50XYZ());
    cGammaTable g;
    const float two = 2.0f;
    g.Build(256, 1, &two);
    cProfile::ptr_t gray = cProfile::CreateGray(&d50, &g);
    ASSERT_TRUE(gray);
    EXPECT_EQ(*gray->TagAs<QString>(Sig::Desc), QStringLiteral("Gray D50 virtual profile"));
    EXPECT_EQ(uint32_t(gray->colorSpace()), icSig("GRAY"));
    EXPECT_TRUE(gray->IsMatrixShaper());
    EXPECT_FALSE(gray->HasTag(Sig::Cprt));

    cProfile::ptr_t lab = cProfile::CreateLab(&d65);
    ASSERT_TRUE(lab);
    EXPECT_EQ(*lab->TagAs<QString>(Sig::Desc), QStringLiteral("Lab D65 (daylight) identity"));
    EXPECT_EQ(uint32_t(lab->deviceClass()), icSig("abst"));
    EXPECT_EQ(lab->pcs(), icSig("Lab "));
    EXPECT_TRUE(lab->HasTag(Sig::A2B0));
    EXPECT_FALSE(lab->HasTag(Sig::Pre0));
    EXPECT_EQ(*cProfile::CreateLab(&d50)->TagAs<QString>(Sig::Desc), QStringLiteral("Lab D50 identity"));

    cProfile::ptr_t xyz = cProfile::CreateXYZ();
    ASSERT_TRUE(xyz);
    EXPECT_EQ(*xyz->TagAs<QString>(Sig::Desc), QStringLiteral("XYZ identity"));
    EXPECT_EQ(uint32_t(xyz->colorSpace()), icSig("XYZ "));
    const cLUT* id = xyz->TagAs<cLUT>(Sig::Pre0);
    ASSERT_NE(id, nullptr);
    const uint16_t in[3] = {1, 2, 3};
    uint16_t out[3] = {};
    id->Eval(in, out);
    EXPECT_EQ(out[2], 3);
}

TEST(Factories, CMYKFromTheResource)
{
    LogCapture log;
    cProfile::ptr_t p = cProfile::Create_CMYK();
    ASSERT_TRUE(p) << log.joined();
    EXPECT_EQ(p->version(), 0x02100000u);
    EXPECT_EQ(uint32_t(p->deviceClass()), icSig("prtr"));
    EXPECT_EQ(uint32_t(p->colorSpace()), icSig("CMYK"));
    EXPECT_EQ(p->pcs(), icSig("Lab "));
    EXPECT_NEAR(p->illuminant().X, 0.9642, 1e-4);
    // Ten tags from the file plus the built-in 'dmdd'.
    EXPECT_EQ(p->Tags().size(), 11u);
    EXPECT_EQ(*p->TagAs<QString>(Sig::Dmdd), QStringLiteral("CMYK built-in"));
    EXPECT_NE(*p->TagAs<QString>(Sig::Desc), QStringLiteral("CMYK virtual profile"));
    for (icTagSignature sig : {Sig::A2B0, Sig::A2B1, Sig::A2B2}) {
        const cLUT* lut = p->TagAs<cLUT>(sig);
        ASSERT_NE(lut, nullptr);
        EXPECT_EQ(lut->tagType, Sig::TypeMft2);
        EXPECT_EQ(lut->inputs, 4);
        EXPECT_EQ(lut->outputs, 3);
    }
    for (icTagSignature sig : {Sig::B2A0, Sig::B2A1, Sig::B2A2, Sig::Gamt}) {
        const cLUT* lut = p->TagAs<cLUT>(sig);
        ASSERT_NE(lut, nullptr);
        EXPECT_EQ(lut->tagType, Sig::TypeMft1);
        EXPECT_EQ(lut->inputs, 3);
        EXPECT_EQ(lut->outputs, sig == Sig::Gamt ? 1 : 4);
    }
    // Paper white prints no ink; Lab black takes plenty.
    const cLUT* b2a = p->TagAs<cLUT>(Sig::B2A1);
    const uint16_t white[3] = {0xFF00, 0x8000, 0x8000}, black[3] = {0, 0x8000, 0x8000};
    uint16_t ink[16] = {};
    b2a->Eval(white, ink);
    for (int c = 0; c < 4; ++c)
        EXPECT_LE(ink[c], 0x0800) << c;
    b2a->Eval(black, ink);
    EXPECT_GE(ink[3], 0xC000);
    // No ink reads back as L near 100.
    const uint16_t none[4] = {0, 0, 0, 0};
    uint16_t lab[16] = {};
    p->TagAs<cLUT>(Sig::A2B1)->Eval(none, lab);
    EXPECT_GE(lab[0], 0xFE00);
}

// A built profile is read by many threads at once (the thread sanitizer build
// checks for races).
TEST(Factories, ReadOnSeveralThreads)
{
    cProfile::ptr_t shared = cProfile::Create_CMYK();
    ASSERT_TRUE(shared);
    const cLUT* b2a = shared->TagAs<cLUT>(Sig::B2A1);
    ASSERT_NE(b2a, nullptr);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 3; ++i) {
                void* copy = Tag2ClassAction(Sig::A2B1, TagCopy, const_cast<void*>(shared->Tag(Sig::A2B1)), 0);
                if (!copy)
                    ++failures;
                Tag2ClassAction(Sig::A2B1, TagDestroy, copy, 0);
                const uint16_t lab[3] = {uint16_t(0x3000 * (t + 1)), 0x8000, 0x8000};
                uint16_t ink[16] = {};
                b2a->Eval(lab, ink);
                if (!shared->IsIntentSupported(icPerceptual, UsedAsOutput))
                    ++failures;
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
}
