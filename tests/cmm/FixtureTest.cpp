// Real profiles read by the engine and by LittleCMS 2, an independent reader:
// header values, white point, colorants and description must agree.

#include "IccTestUtil.h"

#include "cmm/GammaTable.h"
#include "cmm/LUT.h"

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
