#include "cmm/Profile.h"

#include "cmm/TagClasses.h"

#include <QBuffer>
#include <QFile>

namespace Nuvra {
namespace CMM {

namespace {

const sCIEXYZ kD50{0.9642f, 1.0f, 0.8249f};

// Largest file Load reads into memory.
constexpr qint64 kMaxProfileFileBytes = 0x7FFFF000;

// The tag under each (direction, intent); absolute colorimetric uses the
// relative colorimetric tag.
const icTagSignature kIntentTags[3][4] = {
    {Sig::A2B0, Sig::A2B1, Sig::A2B2, Sig::A2B1},
    {Sig::B2A0, Sig::B2A1, Sig::B2A2, Sig::B2A1},
    {Sig::Pre0, Sig::Pre1, Sig::Pre2, Sig::Pre1},
};

} // namespace

cProfile::cProfile() : m_creationDate(QDateTime::currentDateTime()) {}

cProfile::~cProfile()
{
    for (auto& entry : m_tags)
        Tag2ClassAction(entry.first, TagDestroy, entry.second, 0);
}

void cProfile::SetTag(icTagSignature sig, void* object, bool noRefresh)
{
    auto it = m_tags.find(sig);
    if (it != m_tags.end()) {
        if (it->second != object)
            Tag2ClassAction(sig, TagDestroy, it->second, 0);
        it->second = object;
    } else {
        m_tags.emplace(sig, object);
    }
    if (!noRefresh && (sig == Sig::Wtpt || sig == Sig::Bkpt || sig == Sig::Chad))
        InitMemberTags(sig);
}

void cProfile::SetTagValue(icTagSignature sig, const QString& text)
{
    setTagValue(sig, text, TagKind::Text);
}

void cProfile::SetTagValue(icTagSignature sig, const sCIEXYZ& xyz)
{
    setTagValue(sig, xyz, TagKind::XYZ);
}

void cProfile::SetTagValue(icTagSignature sig, const sCIExyYTriple& primaries)
{
    setTagValue(sig, primaries, TagKind::Chrm);
}

const void* cProfile::Tag(icTagSignature sig) const
{
    auto it = m_tags.find(sig);
    return it == m_tags.end() ? nullptr : it->second;
}

bool cProfile::IsMatrixShaper() const
{
    if (m_colorSpace == Sig::RGB) {
        for (icTagSignature sig : {Sig::RXYZ, Sig::GXYZ, Sig::BXYZ, Sig::RTRC, Sig::GTRC, Sig::BTRC}) {
            if (!HasTag(sig))
                return false;
        }
        return true;
    }
    if (m_colorSpace == Sig::Gray)
        return HasTag(Sig::KTRC);
    return false;
}

bool cProfile::IsIntentSupported(icRenderingIntent intent, eUsedDirection direction) const
{
    if (m_deviceClass == Sig::Link)
        return m_renderingIntent == intent;
    const int d = int(direction);
    if (d < 0 || d > 2) {
        qCCritical(libcmm(), "Unexpected direction %d", d);
        return false;
    }
    if (uint32_t(intent) < 4 && HasTag(kIntentTags[d][intent]))
        return true;
    return IsMatrixShaper();
}

bool cProfile::Load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCCritical(libcmm(), "%s",
                   qPrintable(QStringLiteral("Failed to open file %1: %2\n").arg(path, file.errorString())));
        return false;
    }
    // One read of the whole file, then parsing from memory: the per-tag seeks
    // and size queries cost system calls on a file, nothing on a buffer.
    // The header's size field is 32 bits; beyond what a byte array holds the
    // file cannot be a profile.
    if (file.size() > qint64(kMaxProfileFileBytes)) {
        qCCritical(libcmm(), "%s",
                   qPrintable(QStringLiteral("Invalid '%1' profile header: the file of %2 bytes is too large\n")
                                  .arg(path)
                                  .arg(file.size())));
        return false;
    }
    QByteArray bytes = file.readAll();
    file.close();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QDataStream stream(&buffer);
    stream.setByteOrder(QDataStream::BigEndian);
    return Load(stream, path);
}

void cProfile::setHeader(const icHeader& h)
{
    m_cmmType = h.cmmId;
    m_version = h.version;
    m_deviceClass = icProfileClassSignature(h.deviceClass);
    m_colorSpace = icColorSpaceSignature(h.colorSpace);
    m_pcs = h.pcs;
    m_creationDate = DateTimeFromNumbers(h.date);
    m_platform = h.platform;
    m_flags = h.flags;
    m_manufacturer = h.manufacturer;
    m_model = h.model;
    m_attributes = h.attributes[0];
    m_renderingIntent = icRenderingIntent(h.renderingIntent);
    float v[3];
    XYZNumbersToFloat(h.illuminant, v);
    m_illuminant = sCIEXYZ{v[0], v[1], v[2]};
    m_creator = h.creator;
    std::copy(std::begin(h.profileID), std::end(h.profileID), m_profileID.begin());
}

void cProfile::InitMemberTags(icTagSignature sig)
{
    if (sig == Sig::Chad && m_version < 0x04000000u)
        return;
    const bool white = sig != Sig::Bkpt;
    const bool black = sig != Sig::Wtpt;
    if (white) {
        const sCIEXYZ* w = TagAs<sCIEXYZ>(Sig::Wtpt);
        m_mediaWhite = w ? *w : kD50;
    }
    if (black) {
        const sCIEXYZ* b = TagAs<sCIEXYZ>(Sig::Bkpt);
        m_mediaBlack = b ? *b : sCIEXYZ{0.0f, 0.0f, 0.0f};
    }
    if (m_version >= 0x04000000u)
        adaptMediaPoints(white, black);
}

} // namespace CMM
} // namespace Nuvra
