// Reading a profile from a stream: header, tag directory, tags.

#include "cmm/Profile.h"

#include <QIODevice>

#include <map>
#include <vector>

namespace Nuvra {
namespace CMM {

namespace {

// Bytes of tags one profile may make us read, as a multiple of its data: tags
// may share their bytes, but a directory listing one block a million times
// must not turn a small file into a huge allocation.
constexpr qint64 kTagBytesPerDataByte = 16;

} // namespace

bool cProfile::Load(QDataStream& stream, QString name)
{
    QIODevice* device = stream.device();
    if (!device || device->isSequential()) {
        FailStream(stream, QStringLiteral("Invalid '%1' profile header\n").arg(name));
        return false;
    }
    // Offsets count from the header's first byte.
    const qint64 base = device->pos();
    const qint64 dataSize = device->size() - base;

    icHeader header;
    stream >> header;
    if (stream.status() != QDataStream::Ok || header.magic != Sig::Magic || header.size < uint32_t(kHeaderSize)) {
        FailStream(stream, QStringLiteral("Invalid '%1' profile header\n").arg(name));
        return false;
    }
    setHeader(header);

    // A reader that failed has logged its line and marked the data corrupt;
    // any other failure (a directory cut short) gets the line here.
    auto corrupted = [&]() {
        if (stream.status() == QDataStream::ReadCorruptData)
            return false;
        FailStream(stream, QStringLiteral("Corrupted '%1' profile structure\n").arg(name));
        return false;
    };

    int32_t count = 0;
    stream >> count;
    if (stream.status() != QDataStream::Ok || count < 0 ||
        int64_t(count) * kTagEntrySize + kHeaderSize > int64_t(header.size))
        return corrupted();
    if (count == 0)
        return corrupted();
    // The directory must be there, not just declared.
    if (int64_t(count) * kTagEntrySize + kHeaderSize + 4 > dataSize) {
        qCCritical(libcmm(), "%s",
                   qPrintable(QStringLiteral("Tag directory of %1 entries runs past the end of the data\n").arg(count)));
        return corrupted();
    }

    std::vector<icTag> tags(static_cast<size_t>(count));
    for (size_t i = 0; i < tags.size(); ++i) {
        icTag& t = tags[i];
        stream >> t;
        if (stream.status() != QDataStream::Ok)
            return corrupted();
        // A tag must lie inside the profile as its header declares it.
        if (t.offset < uint32_t(kHeaderSize) || t.size == 0 ||
            uint64_t(t.offset) + t.size > uint64_t(header.size)) {
            qCCritical(libcmm(), "Invalid icTags%d[%X], offset: %u, size: %u\n", int(i + 1), unsigned(t.sig),
                       unsigned(t.offset), unsigned(t.size));
            return corrupted();
        }
    }

    // A later entry of a signature replaces an earlier one, so only the last
    // is read: repeating one costly tag must not repeat its building.
    std::map<uint32_t, size_t> lastEntry;
    for (size_t i = 0; i < tags.size(); ++i)
        lastEntry[tags[i].sig] = i;

    qint64 budget = kTagBytesPerDataByte * dataSize;
    for (size_t i = 0; i < tags.size(); ++i) {
        const icTag& t = tags[i];
        // The same for files, buffers and resources: a tag that starts past
        // the real data ends the loop, and the tags read so far stand.
        if (qint64(t.offset) >= dataSize) {
            qCCritical(libcmm(), "%s",
                       qPrintable(QStringLiteral("Tag '%1' at offset %2 lies past the end of the '%3' data (%4 bytes)\n")
                                      .arg(SignatureText(t.sig))
                                      .arg(t.offset)
                                      .arg(name)
                                      .arg(dataSize)));
            break;
        }
        if (lastEntry[t.sig] != i)
            continue;
        if (!device->seek(base + t.offset))
            break;
        budget -= t.size;
        if (budget < 0) {
            qCCritical(libcmm(), "%s",
                       qPrintable(QStringLiteral("The tags of '%1' claim more bytes than the profile could hold\n")
                                      .arg(name)));
            return corrupted();
        }
        sTagIO io{this, &stream, t.sig, t.offset, nullptr};
        void* object = Tag2ClassAction(t.sig, TagRead, &io, t.size);
        if (!object)
            return corrupted();
        SetTag(t.sig, object, true);
    }

    InitMemberTags(0xFFFFFFFFu);
    return true;
}

} // namespace CMM
} // namespace Nuvra
