#include "cmm/TagClasses.h"

#include <QBuffer>
#include <QByteArray>
#include <QIODevice>

#include <climits>

namespace Nuvra {
namespace CMM {

namespace {

struct TagClass {
    void* (*copy)(const void*);
    void (*destroy)(void*);
    void* (*read)(sTagIO&, size_t);
    bool (*write)(sTagIO&, size_t);
};

#define NUVRA_ROW(Name) {&Name::copy, &Name::destroy, &Name::read, &Name::write}
const TagClass kClasses[] = {
    NUVRA_ROW(TextTag),  NUVRA_ROW(XYZTag),  NUVRA_ROW(ChadTag),     NUVRA_ROW(CurveTag),
    NUVRA_ROW(LUTTag),   NUVRA_ROW(ChrmTag), NUVRA_ROW(DateTimeTag), NUVRA_ROW(UnknownTag),
};
#undef NUVRA_ROW

using K = TagKind;
struct SigClass {
    uint32_t sig;
    TagKind cls;
};

const SigClass kSignatures[] = {
    {Sig::Desc, K::Text}, {Sig::Cprt, K::Text}, {Sig::Dmnd, K::Text}, {Sig::Dmdd, K::Text}, {Sig::Targ, K::Text},
    {Sig::Vued, K::Text}, {Sig::Wtpt, K::XYZ},  {Sig::Bkpt, K::XYZ},  {Sig::RXYZ, K::XYZ},  {Sig::GXYZ, K::XYZ},
    {Sig::BXYZ, K::XYZ},  {Sig::Chad, K::Chad}, {Sig::RTRC, K::Curve}, {Sig::GTRC, K::Curve}, {Sig::BTRC, K::Curve},
    {Sig::KTRC, K::Curve}, {Sig::A2B0, K::LUT}, {Sig::A2B1, K::LUT},  {Sig::A2B2, K::LUT},  {Sig::B2A0, K::LUT},
    {Sig::B2A1, K::LUT},  {Sig::B2A2, K::LUT},  {Sig::Pre0, K::LUT},  {Sig::Pre1, K::LUT},  {Sig::Pre2, K::LUT},
    {Sig::Gamt, K::LUT},  {Sig::Chrm, K::Chrm}, {Sig::Calt, K::DateTime},
};

const TagClass& classOf(uint32_t sig)
{
    return kClasses[int(TagKindOf(sig))];
}

// Every reader parses its own copy of the tag's bytes, so no reader can step
// outside the tag whatever its counts and offsets claim.
void* readTag(const TagClass& cls, sTagIO& io, size_t size)
{
    QDataStream& outer = *io.stream;
    if (outer.status() != QDataStream::Ok)
        return nullptr;
    const qint64 left = BytesLeft(outer);
    if (size == 0 || size > size_t(INT_MAX / 2) || qint64(size) > left) {
        FailStream(outer, QStringLiteral("Tag '%1' of %2 bytes does not fit the %3 bytes left in the data\n")
                              .arg(SignatureText(io.sig))
                              .arg(qulonglong(size))
                              .arg(left));
        return nullptr;
    }
    QByteArray bytes(int(size), Qt::Uninitialized);
    if (outer.readRawData(bytes.data(), int(size)) != int(size)) {
        FailStream(outer, QStringLiteral("Tag '%1' could not be read\n").arg(SignatureText(io.sig)));
        return nullptr;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QDataStream inner(&buffer);
    inner.setByteOrder(outer.byteOrder());
    sTagIO tagIO{io.profile, &inner, io.sig, 0, nullptr};
    void* obj = cls.read(tagIO, size);
    if (obj && inner.status() == QDataStream::Ok)
        return obj;
    if (obj)
        cls.destroy(obj);
    // Readers log their own faults and mark them corrupt; what is left is a
    // tag that ended before its contents did.
    if (inner.status() != QDataStream::ReadCorruptData)
        qCCritical(libcmm(), "%s", qPrintable(QStringLiteral("Truncated '%1' tag\n").arg(SignatureText(io.sig))));
    outer.resetStatus();
    outer.setStatus(QDataStream::ReadCorruptData);
    return nullptr;
}

} // namespace

TagKind TagKindOf(icTagSignature sig)
{
    for (const SigClass& e : kSignatures) {
        if (e.sig == sig)
            return e.cls;
    }
    return TagKind::Unknown;
}

void* Tag2ClassAction(icTagSignature sig, eTagAction action, void* arg, size_t size)
{
    const TagClass& cls = classOf(sig);
    switch (action) {
    case TagCopy:
        return cls.copy(arg);
    case TagDestroy:
        cls.destroy(arg);
        return nullptr;
    case TagRead:
        return readTag(cls, *static_cast<sTagIO*>(arg), size);
    case TagWrite: {
        sTagIO& io = *static_cast<sTagIO*>(arg);
        if (!io.object || !cls.write(io, size))
            return nullptr;
        return const_cast<void*>(io.object);
    }
    }
    return nullptr;
}

} // namespace CMM
} // namespace Nuvra
