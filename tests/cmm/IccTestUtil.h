#pragma once

// Helpers of the profile tests: building profile bytes by hand, writing a
// profile back through the tag writers, reading single tag bodies, and
// catching the engine's log lines.

#include "cmm/Profile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <ostream>
#include <vector>

inline std::ostream& operator<<(std::ostream& os, const QString& s)
{
    return os << s.toStdString();
}
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace Nuvra {
namespace CMM {
namespace Test {

// Big-endian byte building.
struct Bytes {
    QByteArray b;
    Bytes& u8(uint8_t v);
    Bytes& u16(uint16_t v);
    Bytes& u32(uint32_t v);
    Bytes& s15(double v);
    Bytes& sig(const char (&s)[5]) { return u32(icSig(s)); }
    Bytes& raw(const QByteArray& d)
    {
        b.append(d);
        return *this;
    }
    Bytes& zeros(int n)
    {
        b.append(QByteArray(n, '\0'));
        return *this;
    }
    Bytes& pad4()
    {
        while (b.size() % 4)
            b.append('\0');
        return *this;
    }
    // An 'mft1' up to its grid: counts, identity matrix and `in` identity
    // input tables; the caller writes the grid, then identity8(out).
    Bytes& mft1Head(int in, int out, int points);
    // `count` identity 8-bit tables of 256 entries.
    Bytes& identity8(int count);
    operator QByteArray() const { return b; }
};

struct HeaderFields {
    uint32_t version = 0x02100000;
    uint32_t deviceClass = icSig("mntr");
    uint32_t colorSpace = icSig("RGB ");
    uint32_t pcs = icSig("XYZ ");
    uint32_t flags = 0;
    uint32_t intent = 0;
    uint32_t magic = icSig("acsp");
};

struct TagSpec {
    uint32_t sig;
    QByteArray data;
    int sharesWith = -1; // index of an earlier tag whose bytes this one shares
    int leadingBytes = 0; // zero bytes put before the tag, to misalign it
};

// A profile with the given header and tags laid out after the directory, each
// aligned to 4 bytes. The size field is the real size unless sizeOverride >= 0.
QByteArray BuildProfile(const HeaderFields& h, const std::vector<TagSpec>& tags, int64_t sizeOverride = -1);

// Writes the profile through the tag classes' write actions.
QByteArray WriteProfile(const cProfile& p);

// Loads bytes through a QBuffer.
bool LoadBytes(cProfile& p, const QByteArray& bytes, const QString& name = QStringLiteral("test"));

// Reads one tag body (starting at its type signature) through the read action.
// The result must be released with DestroyTag.
void* ReadTag(uint32_t sig, const QByteArray& body, cProfile* profile = nullptr);
void DestroyTag(uint32_t sig, void* obj);
// Writes one tag object through the write action.
QByteArray WriteTag(uint32_t sig, const void* obj, cProfile* profile = nullptr);

// Collects the lines logged on "lib.cmm" while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    const QStringList& lines() const { return m_lines; }
    bool contains(const QString& text) const;
    QString joined() const { return m_lines.join(QStringLiteral(" | ")); }

private:
    QStringList m_lines;
};

QString DataPath(const QString& relative);

} // namespace Test
} // namespace CMM
} // namespace Nuvra
