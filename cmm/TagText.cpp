#include "cmm/TagClasses.h"

#include "cmm/Profile.h"

#include <QByteArray>
#include <QIODevice>

#include <algorithm>
#include <vector>

namespace Nuvra {
namespace CMM {

namespace {

QString fromUtf8UpToNul(const QByteArray& bytes)
{
    const int nul = bytes.indexOf('\0');
    return QString::fromUtf8(nul < 0 ? bytes : bytes.left(nul));
}

QString* readPlainText(sTagIO& io, size_t size)
{
    QDataStream& s = *io.stream;
    if (size < 8) {
        FailStream(s, QStringLiteral("Invalid plane text structure\n"));
        return nullptr;
    }
    const qint64 n = qint64(size) - 8;
    if (n > BytesLeft(s)) {
        FailStream(s, QStringLiteral("Invalid plane text structure\n"));
        return nullptr;
    }
    QByteArray bytes(int(n), '\0');
    if (n > 0 && s.readRawData(bytes.data(), int(n)) != int(n)) {
        FailStream(s, QStringLiteral("Invalid plane text structure\n"));
        return nullptr;
    }
    return new QString(fromUtf8UpToNul(bytes));
}

QString* readTextDescription(sTagIO& io, size_t size)
{
    QDataStream& s = *io.stream;
    uint32_t count = 0;
    s >> count;
    if (size < 12 || s.status() != QDataStream::Ok || uint64_t(count) > uint64_t(size) - 12 ||
        qint64(count) > BytesLeft(s)) {
        FailStream(s, QStringLiteral("Invalid TextDescriptionType structure\n"));
        return nullptr;
    }
    if (count == 0)
        return new QString();
    QByteArray bytes(int(count), '\0');
    if (s.readRawData(bytes.data(), int(count)) != int(count)) {
        FailStream(s, QStringLiteral("Invalid TextDescriptionType structure\n"));
        return nullptr;
    }
    return new QString(fromUtf8UpToNul(bytes));
}

constexpr uint16_t kLangEn = ('e' << 8) | 'n';
constexpr uint16_t kCountryUS = ('U' << 8) | 'S';

QString* readMultiLocalized(sTagIO& io, size_t size)
{
    QDataStream& s = *io.stream;
    uint32_t count = 0, recordSize = 0;
    s >> count >> recordSize;
    if (s.status() != QDataStream::Ok) {
        FailStream(s, QStringLiteral("Invalid multiLocalizedUnicodeType structure\n"));
        return nullptr;
    }
    if (recordSize != 12)
        return new QString();
    // The tag is parsed from its own bytes, so a record table or a string
    // that runs past them is a stream error: the empty string, and the
    // profile stays loadable.
    auto outside = []() {
        qCCritical(libcmm(), "multiLocalizedUnicodeType record outside its tag: empty string used\n");
        return new QString();
    };
    uint32_t length = 0, offset = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (BytesLeft(s) < 12)
            return outside();
        uint16_t language = 0, country = 0;
        uint32_t len = 0, off = 0;
        s >> language >> country >> len >> off;
        if (i == 0 || language == kLangEn) {
            length = len;
            offset = off;
        }
        if (language == kLangEn && country == kCountryUS)
            break;
    }
    if (s.status() != QDataStream::Ok || length == 0 || offset == 0)
        return new QString();
    const uint64_t units = std::min<uint32_t>(length, 20480) / 2;
    const uint64_t start = uint64_t(io.offset) + offset;
    if (start + units * 2 > uint64_t(io.offset) + size || !s.device() || !s.device()->seek(qint64(start)))
        return outside();
    std::vector<char16_t> text(units);
    for (char16_t& c : text) {
        uint16_t u = 0;
        s >> u;
        c = char16_t(u);
    }
    if (s.status() != QDataStream::Ok)
        return outside();
    return new QString(QString::fromUtf16(text.data(), int(text.size())));
}

void writeDesc(QDataStream& s, const QString& text)
{
    const QByteArray local = text.toLocal8Bit();
    s << uint32_t(local.size() + 1);
    s.writeRawData(local.constData(), local.size());
    s << uint8_t(0);
    // Empty Unicode and ScriptCode parts.
    const char zeros[78] = {};
    s.writeRawData(zeros, sizeof zeros);
}

void writeMluc(QDataStream& s, const QString& text)
{
    s << uint32_t(1) << uint32_t(12) << kLangEn << kCountryUS << uint32_t(text.size() * 2) << uint32_t(28);
    for (QChar c : text)
        s << uint16_t(c.unicode());
}

void writePlain(QDataStream& s, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    s.writeRawData(utf8.constData(), utf8.size());
    s << uint8_t(0);
}

} // namespace

void* TextTag::copy(const void* src)
{
    return src ? new QString(*static_cast<const QString*>(src)) : new QString();
}

void TextTag::destroy(void* obj)
{
    delete static_cast<QString*>(obj);
}

void* TextTag::read(sTagIO& io, size_t size)
{
    uint32_t type = 0;
    if (!ReadTagBase(*io.stream, type))
        return nullptr;
    if (type == Sig::TypeText || type == Sig::Cprt)
        return readPlainText(io, size);
    if (type == Sig::TypeDesc)
        return readTextDescription(io, size);
    if (type == Sig::TypeMluc)
        return readMultiLocalized(io, size);
    FailStream(*io.stream, QString::asprintf("Bad tag signature %x found\n", type));
    return nullptr;
}

bool TextTag::write(sTagIO& io, size_t sig)
{
    QDataStream& s = *io.stream;
    const QString& text = *static_cast<const QString*>(io.object);
    const bool v4 = io.profile && io.profile->version() >= 0x04000000;
    uint32_t type;
    if (v4)
        type = sig == Sig::Targ ? Sig::TypeText : Sig::TypeMluc;
    else
        type = (sig == Sig::Cprt || sig == Sig::Targ) ? Sig::TypeText : Sig::TypeDesc;
    WriteTagBase(s, type);
    if (type == Sig::TypeText)
        writePlain(s, text);
    else if (type == Sig::TypeDesc)
        writeDesc(s, text);
    else
        writeMluc(s, text);
    return s.status() == QDataStream::Ok;
}

} // namespace CMM
} // namespace Nuvra
