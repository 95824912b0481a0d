#include "IccTestUtil.h"

#include <QBuffer>
#include <QDataStream>
#include <QtGlobal>

#include <cmath>
#include <cstdlib>
#include <map>

namespace Nuvra {
namespace CMM {
namespace Test {

Bytes& Bytes::u8(uint8_t v)
{
    b.append(char(v));
    return *this;
}

Bytes& Bytes::u16(uint16_t v)
{
    b.append(char(v >> 8)).append(char(v));
    return *this;
}

Bytes& Bytes::u32(uint32_t v)
{
    return u16(uint16_t(v >> 16)).u16(uint16_t(v));
}

Bytes& Bytes::s15(double v)
{
    return u32(uint32_t(int32_t(std::lround(v * 65536.0))));
}

Bytes& Bytes::mft1Head(int in, int out, int points)
{
    sig("mft1").u32(0).u8(uint8_t(in)).u8(uint8_t(out)).u8(uint8_t(points)).u8(0);
    for (int i = 0; i < 9; ++i)
        s15(i % 4 == 0 ? 1.0 : 0.0);
    return identity8(in);
}

Bytes& Bytes::identity8(int count)
{
    for (int t = 0; t < count; ++t)
        for (int i = 0; i < 256; ++i)
            u8(uint8_t(i));
    return *this;
}

QByteArray BuildProfile(const HeaderFields& h, const std::vector<TagSpec>& tags, int64_t sizeOverride)
{
    const int dirEnd = 128 + 4 + 12 * int(tags.size());
    QByteArray data;
    std::vector<uint32_t> offsets(tags.size()), sizes(tags.size());
    int pos = dirEnd;
    for (size_t i = 0; i < tags.size(); ++i) {
        if (tags[i].sharesWith >= 0) {
            offsets[i] = offsets[size_t(tags[i].sharesWith)];
            sizes[i] = sizes[size_t(tags[i].sharesWith)];
            continue;
        }
        data.append(QByteArray(tags[i].leadingBytes, '\0'));
        pos += tags[i].leadingBytes;
        offsets[i] = uint32_t(pos);
        sizes[i] = uint32_t(tags[i].data.size());
        data.append(tags[i].data);
        while (data.size() % 4)
            data.append('\0');
        pos = dirEnd + data.size();
    }
    const uint32_t total = uint32_t(dirEnd + data.size());
    Bytes out;
    out.u32(sizeOverride >= 0 ? uint32_t(sizeOverride) : total).sig("NUVR").u32(h.version).u32(h.deviceClass);
    out.u32(h.colorSpace).u32(h.pcs);
    for (uint16_t v : {2024, 5, 17, 13, 45, 30})
        out.u16(v);
    out.u32(h.magic).sig("APPL").u32(h.flags).sig("NUVR").u32(0x1234).u32(0).u32(0).u32(h.intent);
    out.s15(0.9642).s15(1.0).s15(0.8249).sig("NUVR").zeros(44);
    out.u32(uint32_t(tags.size()));
    for (size_t i = 0; i < tags.size(); ++i)
        out.u32(tags[i].sig).u32(offsets[i]).u32(sizes[i]);
    out.raw(data);
    return out;
}

QByteArray WriteProfile(const cProfile& p)
{
    std::vector<TagSpec> tags;
    for (const auto& entry : p.Tags())
        tags.push_back({entry.first, WriteTag(entry.first, entry.second, const_cast<cProfile*>(&p))});
    HeaderFields h;
    h.version = p.version();
    h.deviceClass = p.deviceClass();
    h.colorSpace = p.colorSpace();
    h.pcs = p.pcs();
    h.flags = p.flags();
    h.intent = p.renderingIntent();
    return BuildProfile(h, tags);
}

bool LoadBytes(cProfile& p, const QByteArray& bytes, const QString& name)
{
    QByteArray copy(bytes);
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QDataStream s(&buffer);
    s.setByteOrder(QDataStream::BigEndian);
    return p.Load(s, name);
}

void* ReadTag(uint32_t sig, const QByteArray& body, cProfile* profile)
{
    QByteArray copy(body);
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QDataStream s(&buffer);
    s.setByteOrder(QDataStream::BigEndian);
    sTagIO io{profile, &s, sig, 0, nullptr};
    return Tag2ClassAction(sig, TagRead, &io, size_t(body.size()));
}

void DestroyTag(uint32_t sig, void* obj)
{
    Tag2ClassAction(sig, TagDestroy, obj, 0);
}

QByteArray WriteTag(uint32_t sig, const void* obj, cProfile* profile)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QDataStream s(&buffer);
    s.setByteOrder(QDataStream::BigEndian);
    sTagIO io{profile, &s, sig, 0, obj};
    if (!Tag2ClassAction(sig, TagWrite, &io, sig))
        return QByteArray();
    return out;
}

namespace {
LogCapture* g_capture = nullptr;
QtMessageHandler g_previous = nullptr;

void handler(QtMsgType type, const QMessageLogContext& ctx, const QString& msg)
{
    if (g_capture && ctx.category && QByteArray(ctx.category) == "lib.cmm" && type == QtCriticalMsg)
        const_cast<QStringList&>(g_capture->lines()).append(msg);
}
} // namespace

LogCapture::LogCapture()
{
    g_capture = this;
    g_previous = qInstallMessageHandler(handler);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(g_previous);
    g_capture = nullptr;
}

bool LogCapture::contains(const QString& text) const
{
    for (const QString& l : m_lines) {
        if (l.contains(text))
            return true;
    }
    return false;
}

QString DataPath(const QString& relative)
{
    return QString::fromLocal8Bit(MORVELIN_TEST_DATA_DIR) + QLatin1Char('/') + relative;
}

} // namespace Test
} // namespace CMM
} // namespace Nuvra
