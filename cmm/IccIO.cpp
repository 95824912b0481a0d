#include "cmm/IccIO.h"

#include "cmm/Saturate.h"

#include <QIODevice>

#include <cmath>

namespace Nuvra {
namespace CMM {

QDataStream& operator>>(QDataStream& s, icHeader& h)
{
    s >> h.size >> h.cmmId >> h.version >> h.deviceClass >> h.colorSpace >> h.pcs;
    for (uint16_t& v : h.date)
        s >> v;
    s >> h.magic >> h.platform >> h.flags >> h.manufacturer >> h.model >> h.attributes[0] >>
        h.attributes[1] >> h.renderingIntent >> h.illuminant[0] >> h.illuminant[1] >> h.illuminant[2] >>
        h.creator;
    s.readRawData(reinterpret_cast<char*>(h.profileID), sizeof h.profileID);
    if (s.readRawData(reinterpret_cast<char*>(h.reserved), sizeof h.reserved) != int(sizeof h.reserved) &&
        s.status() == QDataStream::Ok)
        s.setStatus(QDataStream::ReadPastEnd);
    if (s.status() == QDataStream::Ok && h.magic != Sig::Magic)
        FailStream(s, QStringLiteral("Corrupted profile header\n"));
    return s;
}

QDataStream& operator<<(QDataStream& s, const icHeader& h)
{
    s << h.size << h.cmmId << h.version << h.deviceClass << h.colorSpace << h.pcs;
    for (uint16_t v : h.date)
        s << v;
    s << h.magic << h.platform << h.flags << h.manufacturer << h.model << h.attributes[0] << h.attributes[1]
      << h.renderingIntent << h.illuminant[0] << h.illuminant[1] << h.illuminant[2] << h.creator;
    s.writeRawData(reinterpret_cast<const char*>(h.profileID), sizeof h.profileID);
    s.writeRawData(reinterpret_cast<const char*>(h.reserved), sizeof h.reserved);
    return s;
}

QDataStream& operator>>(QDataStream& s, icTag& t)
{
    return s >> t.sig >> t.offset >> t.size;
}

QDataStream& operator<<(QDataStream& s, const icTag& t)
{
    return s << t.sig << t.offset << t.size;
}

int32_t FloatToS15Fixed16(double v)
{
    return SaturateInt32(v * 65536.0);
}

// Beyond the int32 range SaturateRound serves, so clamped here.
uint32_t FloatToU16Fixed16(double v)
{
    const double r = std::round(v * 65536.0);
    if (!(r >= 0.0))
        return 0;
    if (r > double(UINT32_MAX))
        return UINT32_MAX;
    return uint32_t(r);
}

void XYZNumbersToFloat(const int32_t raw[3], float out[3])
{
    for (int i = 0; i < 3; ++i)
        out[i] = s15Fixed16ToFloat(raw[i]);
    while (out[0] > 2.0f && out[1] > 2.0f && out[2] > 2.0f) {
        for (int i = 0; i < 3; ++i)
            out[i] *= 0.1f;
    }
}

QDateTime DateTimeFromNumbers(const uint16_t v[6])
{
    return QDateTime(QDate(v[0], v[1], v[2]), QTime(v[3], v[4], v[5]), Qt::LocalTime);
}

void DateTimeToNumbers(const QDateTime& dt, uint16_t v[6])
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    const int n[6] = {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
    for (int i = 0; i < 6; ++i)
        v[i] = n[i] < 0 ? 0 : uint16_t(n[i]);
}

bool ReadTagBase(QDataStream& s, uint32_t& type)
{
    uint32_t reserved = 0;
    s >> type >> reserved;
    if (s.status() != QDataStream::Ok) {
        // A tag too short for its own type word is as bad as a zero type.
        FailStream(s, QStringLiteral("Bad icTagBase\n"));
        return false;
    }
    if (type == 0) {
        FailStream(s, QStringLiteral("Bad icTagBase\n"));
        return false;
    }
    return true;
}

void WriteTagBase(QDataStream& s, uint32_t type)
{
    s << type << uint32_t(0);
}

void FailStream(QDataStream& s, const QString& message)
{
    s.resetStatus();
    s.setStatus(QDataStream::ReadCorruptData);
    qCCritical(libcmm(), "%s", qPrintable(message));
}

QString SignatureText(uint32_t sig)
{
    char c[5] = {char(sig >> 24), char(sig >> 16), char(sig >> 8), char(sig), 0};
    for (int i = 0; i < 4; ++i) {
        if (c[i] < 0x20 || c[i] > 0x7E)
            c[i] = '?';
    }
    return QString::fromLatin1(c);
}

qint64 BytesLeft(const QDataStream& s)
{
    const QIODevice* d = s.device();
    if (!d)
        return 0;
    const qint64 left = d->size() - d->pos();
    return left < 0 ? 0 : left;
}

} // namespace CMM
} // namespace Nuvra
