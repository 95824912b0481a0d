// Real profiles read by the engine and by LittleCMS 2, an independent reader:
// header values, white point, colorants and description must agree.

#include "IccTestUtil.h"

#include "cmm/GammaTable.h"
#include "cmm/LUT.h"
#include "cmm/TagClasses.h"
#include "cmm/ColorRecords.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>

using namespace Nuvra::CMM;
using namespace Nuvra::CMM::Test;

namespace {

QStringList fixtures()
{
    QStringList out;
    for (const char* dir : {"cmm/icc-profiles-free", "cmm/colord"}) {
        QDir d(DataPath(QString::fromLatin1(dir)));
        for (const QString& f : d.entryList({"*.icc", "*.ICM"}, QDir::Files, QDir::Name))
            out << d.filePath(f);
    }
    return out;
}

QString lcmsDescription(cmsHPROFILE h)
{
    wchar_t buf[1024] = {};
    if (!cmsGetProfileInfo(h, cmsInfoDescription, "en", "US", buf, 1023))
        return QString();
    return QString::fromWCharArray(buf);
}

bool allTagsReadable(cmsHPROFILE h)
{
    const cmsInt32Number n = cmsGetTagCount(h);
    for (cmsInt32Number i = 0; i < n; ++i) {
        const cmsTagSignature sig = cmsGetTagSignature(h, cmsUInt32Number(i));
        if (TagKindOf(uint32_t(sig)) != TagKind::Unknown && !cmsReadTag(h, sig))
            return false;
    }
    return true;
}

void expectXYZ(const sCIEXYZ& ours, const cmsCIEXYZ* theirs, const QString& what)
{
    ASSERT_NE(theirs, nullptr) << what;
    EXPECT_NEAR(ours.X, theirs->X, 1e-4) << what;
    EXPECT_NEAR(ours.Y, theirs->Y, 1e-4) << what;
    EXPECT_NEAR(ours.Z, theirs->Z, 1e-4) << what;
}

} // namespace

TEST(Fixtures, AgreeWithAnIndependentReader)
{
    const QStringList files = fixtures();
    ASSERT_GE(files.size(), 30);
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        cmsHPROFILE h = cmsOpenProfileFromFile(QFile::encodeName(path).constData(), "r");
        ASSERT_NE(h, nullptr);
        LogCapture log;
        cProfile::ptr_t p(new cProfile);
        const bool loaded = p->Load(path);
        // A profile with a tag the other reader refuses must fail cleanly here.
        if (!allTagsReadable(h)) {
            EXPECT_FALSE(loaded);
            EXPECT_FALSE(log.lines().isEmpty());
            cmsCloseProfile(h);
            continue;
        }
        ASSERT_TRUE(loaded) << log.joined();
        EXPECT_TRUE(log.lines().isEmpty()) << log.joined();
        EXPECT_EQ(uint32_t(p->deviceClass()), uint32_t(cmsGetDeviceClass(h)));
        EXPECT_EQ(uint32_t(p->colorSpace()), uint32_t(cmsGetColorSpace(h)));
        EXPECT_EQ(p->pcs(), uint32_t(cmsGetPCS(h)));
        EXPECT_EQ(uint32_t(p->renderingIntent()), cmsGetHeaderRenderingIntent(h));
        EXPECT_EQ(p->flags(), cmsGetHeaderFlags(h));
        EXPECT_EQ(p->manufacturer(), cmsGetHeaderManufacturer(h));
        EXPECT_EQ(p->model(), cmsGetHeaderModel(h));
        EXPECT_EQ(p->creator(), cmsGetHeaderCreator(h));
        EXPECT_NEAR(double(p->version() >> 24) + double((p->version() >> 20) & 0xF) / 10.0, cmsGetProfileVersion(h),
                    0.011);
        struct tm when = {};
        if (cmsGetHeaderCreationDateTime(h, &when)) {
            EXPECT_EQ(p->creationDate().date().year(), when.tm_year + 1900);
            EXPECT_EQ(p->creationDate().date().day(), when.tm_mday);
        }

        for (cmsTagSignature sig : {cmsSigMediaWhitePointTag, cmsSigMediaBlackPointTag, cmsSigRedColorantTag,
                                    cmsSigGreenColorantTag, cmsSigBlueColorantTag}) {
            const bool theirs = cmsIsTag(h, sig);
            EXPECT_EQ(p->HasTag(uint32_t(sig)), theirs) << std::hex << sig;
            if (theirs && p->HasTag(uint32_t(sig)))
                expectXYZ(*p->TagAs<sCIEXYZ>(uint32_t(sig)), static_cast<cmsCIEXYZ*>(cmsReadTag(h, sig)),
                          QString::number(uint32_t(sig), 16));
        }
        if (const auto* theirs = static_cast<cmsCIEXYZ*>(cmsReadTag(h, cmsSigChromaticAdaptationTag))) {
            const sChadMatrix* chad = p->TagAs<sChadMatrix>(Sig::Chad);
            ASSERT_NE(chad, nullptr);
            for (int r = 0; r < 3; ++r) {
                EXPECT_NEAR(chad->m[r * 3 + 0], theirs[r].X, 1e-4);
                EXPECT_NEAR(chad->m[r * 3 + 1], theirs[r].Y, 1e-4);
                EXPECT_NEAR(chad->m[r * 3 + 2], theirs[r].Z, 1e-4);
            }
        }
        if (const auto* theirs = static_cast<cmsCIExyYTRIPLE*>(cmsReadTag(h, cmsSigChromaticityTag))) {
            const sCIExyYTriple* chrm = p->TagAs<sCIExyYTriple>(Sig::Chrm);
            ASSERT_NE(chrm, nullptr);
            EXPECT_NEAR(chrm->red.x, theirs->Red.x, 1e-4);
            EXPECT_NEAR(chrm->green.y, theirs->Green.y, 1e-4);
            EXPECT_NEAR(chrm->blue.x, theirs->Blue.x, 1e-4);
        }
        if (p->HasTag(Sig::Desc)) {
            EXPECT_EQ(*p->TagAs<QString>(Sig::Desc), lcmsDescription(h));
        }
        for (cmsTagSignature sig : {cmsSigRedTRCTag, cmsSigGrayTRCTag}) {
            if (!cmsIsTag(h, sig))
                continue;
            const cGammaTable* curve = p->TagAs<cGammaTable>(uint32_t(sig));
            ASSERT_NE(curve, nullptr);
            const cmsToneCurve* theirs = static_cast<cmsToneCurve*>(cmsReadTag(h, sig));
            for (int v = 0; v <= 65535; v += 4369)
                EXPECT_NEAR(curve->Eval(uint16_t(v)), cmsEvalToneCurve16(theirs, cmsUInt16Number(v)), 2.0) << v;
        }
        cmsCloseProfile(h);
    }
}

// The default CMYK profile's LUTs (8-bit Lab-input and 16-bit Lab-output
// tables) evaluate as the other library evaluates them.
TEST(Fixtures, CmykLutsAgreeWithAnIndependentReader)
{
    cProfile::ptr_t p = cProfile::Create_CMYK();
    ASSERT_TRUE(p);
    QFile f(QStringLiteral(":/profile/cmyk.icc"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    cmsHPROFILE h = cmsOpenProfileFromMem(bytes.constData(), cmsUInt32Number(bytes.size()));
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM toLab = cmsCreateTransform(h, TYPE_CMYK_16, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
    cmsHTRANSFORM toCmyk = cmsCreateTransform(lab, TYPE_Lab_DBL, h, TYPE_CMYK_16, INTENT_RELATIVE_COLORIMETRIC, 0);
    ASSERT_TRUE(toLab && toCmyk);

    const cLUT& a2b = *p->TagAs<cLUT>(Sig::A2B1);
    const uint16_t inks[][4] = {{0, 0, 0, 0}, {65535, 0, 0, 0}, {0, 40000, 20000, 0}, {30000, 30000, 30000, 30000},
                                {0, 0, 0, 65535}, {12345, 54321, 999, 4321}};
    for (const auto& ink : inks) {
        uint16_t out[16] = {};
        a2b.Eval(ink, out);
        sCIELab ours{};
        ours.SetFromFixed(out);
        cmsCIELab theirs;
        cmsDoTransform(toLab, ink, &theirs, 1);
        EXPECT_NEAR(ours.L, theirs.L, 0.5) << ink[0] << " " << ink[1] << " " << ink[2] << " " << ink[3];
        EXPECT_NEAR(ours.a, theirs.a, 0.5);
        EXPECT_NEAR(ours.b, theirs.b, 0.5);
    }

    const cLUT& b2a = *p->TagAs<cLUT>(Sig::B2A1);
    const cmsCIELab labs[] = {{100, 0, 0}, {50, 0, 0}, {60, 40, 30}, {30, -20, -40}, {80, -30, 60}, {5, 0, 0}};
    for (const cmsCIELab& l : labs) {
        sCIELab in{float(l.L), float(l.a), float(l.b)};
        uint16_t enc[3], ours[16] = {};
        in.ToFixed(enc);
        b2a.Eval(enc, ours);
        cmsUInt16Number theirs[4];
        cmsDoTransform(toCmyk, &l, theirs, 1);
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(ours[c], theirs[c], 4) << l.L << " " << l.a << " " << l.b << " channel " << c;
    }
    cmsDeleteTransform(toLab);
    cmsDeleteTransform(toCmyk);
    cmsCloseProfile(lab);
    cmsCloseProfile(h);
}
