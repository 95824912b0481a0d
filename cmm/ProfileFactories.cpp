// The built-in profiles.

#include "cmm/Profile.h"

#include "cmm/GammaTable.h"
#include "cmm/LUT.h"
#include "cmm/Matrix.h"
#include "cmm/WhitePoint.h"

#include <QFile>


// Qt resources of a static library are registered by name, outside any namespace.
static void registerCmmResources()
{
    Q_INIT_RESOURCE(cmm);
}

namespace Nuvra {
namespace CMM {

namespace {

const char* const kCopyright = "No copyright, use freely. Built by Morvelin Video (www.nuvra.example).";

// "name " of the white point, or nothing.
QString whiteName(const sCIExyY* white)
{
    if (!white)
        return QString();
    const QString name = ShortIdentifyWhitePoint(*white);
    return name.isEmpty() ? name : name + QLatin1Char(' ');
}

sCIEXYZ toXYZ(const sCIExyY& v)
{
    sCIEXYZ r{};
    r.Set(v);
    return r;
}

} // namespace

void cProfile::SetTagValue(icTagSignature sig, const cGammaTable& curve)
{
    setTagValue(sig, curve, TagKind::Curve);
}

void cProfile::SetTagValue(icTagSignature sig, const cLUT& lut)
{
    setTagValue(sig, lut, TagKind::LUT);
}

cProfile::ptr_t cProfile::CreateRGB(const sCIExyY* white, const sCIExyYTriple* primaries, const cGammaTable* curves)
{
    ptr_t p(new cProfile);
    p->m_deviceClass = icSigDisplayClass;
    p->m_colorSpace = icSigRgbData;
    p->m_pcs = Sig::XYZ;
    p->SetTagValue(Sig::Desc, QStringLiteral("RGB %1virtual profile").arg(whiteName(white)));
    p->SetTagValue(Sig::Dmdd, QStringLiteral("RGB built-in"));
    p->SetTagValue(Sig::Cprt, QString::fromLatin1(kCopyright));
    if (white) {
        p->SetTagValue(Sig::Wtpt, toXYZ(*white));
        if (primaries) {
            sCIExyY w = *white;
            w.Y = 1.0f;
            mat33real_t m;
            if (!BuildRGB2XYZ_TransferMatrix(m, w, *primaries) || !AdaptMatrixToD50(m, w))
                return ptr_t();
            const icTagSignature colorants[3] = {Sig::RXYZ, Sig::GXYZ, Sig::BXYZ};
            for (int j = 0; j < 3; ++j)
                p->SetTagValue(colorants[j], sCIEXYZ{float(m.m[0][j]), float(m.m[1][j]), float(m.m[2][j])});
        }
    }
    if (curves) {
        p->SetTagValue(Sig::RTRC, curves[0]);
        p->SetTagValue(Sig::GTRC, curves[1]);
        p->SetTagValue(Sig::BTRC, curves[2]);
    }
    if (primaries)
        p->SetTagValue(Sig::Chrm, *primaries);
    return p;
}

cProfile::ptr_t cProfile::CreateXYZ()
{
    sCIExyY d50{};
    d50.Set(D50XYZ());
    ptr_t p = CreateRGB(&d50, nullptr, nullptr);
    if (!p)
        return p;
    p->m_deviceClass = icSigAbstractClass;
    p->m_colorSpace = icSigXYZData;
    p->m_pcs = Sig::XYZ;
    p->SetTagValue(Sig::Desc, QStringLiteral("XYZ identity"));
    p->SetTagValue(Sig::Dmdd, QStringLiteral("XYZ built-in"));
    const cLUT identity(0, 3, 3, false);
    for (icTagSignature sig : {Sig::A2B0, Sig::B2A0, Sig::Pre0})
        p->SetTagValue(sig, identity);
    return p;
}

cProfile::ptr_t cProfile::CreateLab(const sCIExyY* white)
{
    ptr_t p = CreateRGB(white, nullptr, nullptr);
    if (!p)
        return p;
    p->m_deviceClass = icSigAbstractClass;
    p->m_colorSpace = icSigLabData;
    p->m_pcs = Sig::Lab;
    p->SetTagValue(Sig::Desc, QStringLiteral("Lab %1identity").arg(whiteName(white)));
    p->SetTagValue(Sig::Dmdd, QStringLiteral("Lab built-in"));
    const cLUT identity(0, 3, 3, false);
    for (icTagSignature sig : {Sig::A2B0, Sig::B2A0})
        p->SetTagValue(sig, identity);
    return p;
}

cProfile::ptr_t cProfile::CreateGray(const sCIExyY* white, const cGammaTable* curve)
{
    ptr_t p(new cProfile);
    p->m_deviceClass = icSigDisplayClass;
    p->m_colorSpace = icSigGrayData;
    p->m_pcs = Sig::XYZ;
    p->SetTagValue(Sig::Desc, QStringLiteral("Gray %1virtual profile").arg(whiteName(white)));
    p->SetTagValue(Sig::Dmdd, QStringLiteral("Gray built-in"));
    if (white)
        p->SetTagValue(Sig::Wtpt, toXYZ(*white));
    if (curve)
        p->SetTagValue(Sig::KTRC, *curve);
    return p;
}

cProfile::ptr_t cProfile::Create_sRGB()
{
    sCIExyYTriple primaries{};
    primaries.red = sCIExyY{0.64f, 0.33f, 1.0f};
    primaries.green = sCIExyY{0.30f, 0.60f, 1.0f};
    primaries.blue = sCIExyY{0.15f, 0.06f, 1.0f};
    sCIExyY white{};
    white.SetWhitePointFromTemp(6504);
    const float params[5] = {2.4f, 1.0f / 1.055f, 0.055f / 1.055f, 1.0f / 12.92f, 0.04045f};
    cGammaTable curve;
    curve.Build(1024, 4, params);
    const cGammaTable curves[3] = {curve, curve, curve};
    ptr_t p = CreateRGB(&white, &primaries, curves);
    if (!p)
        return p;
    p->SetTagValue(Sig::Desc, QStringLiteral("sRGB IEC61966-2.1"));
    p->SetTagValue(Sig::Dmdd, QStringLiteral("sRGB built-in"));
    return p;
}

cProfile::ptr_t cProfile::Create_CMYK()
{
    registerCmmResources();
    ptr_t p(new cProfile);
    if (!p->Load(QStringLiteral(":/profile/cmyk.icc")))
        return ptr_t();
    if (!p->HasTag(Sig::Desc))
        p->SetTagValue(Sig::Desc, QStringLiteral("CMYK virtual profile"));
    if (!p->HasTag(Sig::Dmdd))
        p->SetTagValue(Sig::Dmdd, QStringLiteral("CMYK built-in"));
    return p;
}

} // namespace CMM
} // namespace Nuvra
