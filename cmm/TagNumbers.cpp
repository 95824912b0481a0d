// Tag classes made of a few numbers: XYZ, 'chad', 'chrm' and 'calt'.

#include "cmm/TagClasses.h"

#include "cmm/ColorRecords.h"

#include <algorithm>

namespace Nuvra {
namespace CMM {

namespace {
void* badType(sTagIO& io, uint32_t type)
{
    FailStream(*io.stream, QString::asprintf("Bad tag signature %x found\n", type));
    return nullptr;
}
} // namespace

// XYZ -------------------------------------------------------------------------

void* XYZTag::copy(const void* src)
{
    return src ? new sCIEXYZ(*static_cast<const sCIEXYZ*>(src)) : new sCIEXYZ{0, 0, 0};
}

void XYZTag::destroy(void* obj)
{
    delete static_cast<sCIEXYZ*>(obj);
}

void* XYZTag::read(sTagIO& io, size_t)
{
    QDataStream& s = *io.stream;
    uint32_t type = 0;
    if (!ReadTagBase(s, type))
        return nullptr;
    if (type != Sig::TypeXYZ && type != Sig::TypeXYZAlias)
        return badType(io, type);
    int32_t raw[3] = {};
    s >> raw[0] >> raw[1] >> raw[2];
    if (s.status() != QDataStream::Ok)
        return nullptr;
    float v[3];
    XYZNumbersToFloat(raw, v);
    return new sCIEXYZ{v[0], v[1], v[2]};
}

bool XYZTag::write(sTagIO& io, size_t)
{
    QDataStream& s = *io.stream;
    const sCIEXYZ& xyz = *static_cast<const sCIEXYZ*>(io.object);
    WriteTagBase(s, Sig::TypeXYZ);
    s << FloatToS15Fixed16(xyz.X) << FloatToS15Fixed16(xyz.Y) << FloatToS15Fixed16(xyz.Z);
    return s.status() == QDataStream::Ok;
}

// 'chad' ----------------------------------------------------------------------

void* ChadTag::copy(const void* src)
{
    return src ? new sChadMatrix(*static_cast<const sChadMatrix*>(src)) : new sChadMatrix{};
}

void ChadTag::destroy(void* obj)
{
    delete static_cast<sChadMatrix*>(obj);
}

void* ChadTag::read(sTagIO& io, size_t size)
{
    QDataStream& s = *io.stream;
    uint32_t type = 0;
    if (!ReadTagBase(s, type))
        return nullptr;
    if (type != Sig::TypeSf32)
        return badType(io, type);
    if (size < 44 || size > 55) {
        FailStream(s, QString::asprintf("Bad array size of %lu entries.\n", (unsigned long)(size / 12)));
        return nullptr;
    }
    sChadMatrix m{};
    for (float& v : m.m) {
        int32_t raw = 0;
        s >> raw;
        v = s15Fixed16ToFloat(raw);
    }
    if (s.status() != QDataStream::Ok)
        return nullptr;
    return new sChadMatrix(m);
}

bool ChadTag::write(sTagIO& io, size_t)
{
    QDataStream& s = *io.stream;
    const sChadMatrix& m = *static_cast<const sChadMatrix*>(io.object);
    WriteTagBase(s, Sig::TypeSf32);
    for (float v : m.m)
        s << FloatToS15Fixed16(v);
    return s.status() == QDataStream::Ok;
}

// 'chrm' ----------------------------------------------------------------------

void* ChrmTag::copy(const void* src)
{
    return src ? new sCIExyYTriple(*static_cast<const sCIExyYTriple*>(src)) : new sCIExyYTriple{};
}

void ChrmTag::destroy(void* obj)
{
    delete static_cast<sCIExyYTriple*>(obj);
}

void* ChrmTag::read(sTagIO& io, size_t)
{
    QDataStream& s = *io.stream;
    uint32_t type = 0;
    if (!ReadTagBase(s, type))
        return nullptr;
    if (type != Sig::TypeChrm)
        return badType(io, type);
    uint16_t channels = 0, phosphor = 0;
    s >> channels >> phosphor;
    if (s.status() != QDataStream::Ok)
        return nullptr;
    if (channels != 3) {
        FailStream(s, QString::asprintf("Bad channels count %d.\n", int(channels)));
        return nullptr;
    }
    sCIExyY xyY[3];
    for (sCIExyY& c : xyY) {
        uint32_t x = 0, y = 0;
        s >> x >> y;
        c.x = u16Fixed16ToFloat(x);
        c.y = u16Fixed16ToFloat(y);
        c.Y = 1.0f;
    }
    if (s.status() != QDataStream::Ok)
        return nullptr;
    sCIExyYTriple* t = new sCIExyYTriple{};
    t->red = xyY[0];
    t->green = xyY[1];
    t->blue = xyY[2];
    return t;
}

bool ChrmTag::write(sTagIO& io, size_t)
{
    QDataStream& s = *io.stream;
    const sCIExyYTriple& t = *static_cast<const sCIExyYTriple*>(io.object);
    WriteTagBase(s, Sig::TypeChrm);
    s << uint16_t(3) << uint16_t(0);
    for (const sCIExyY* c : {&t.red, &t.green, &t.blue})
        s << FloatToU16Fixed16(c->x) << FloatToU16Fixed16(c->y);
    return s.status() == QDataStream::Ok;
}

// 'calt' ----------------------------------------------------------------------

void* DateTimeTag::copy(const void* src)
{
    return src ? new QDateTime(*static_cast<const QDateTime*>(src)) : new QDateTime();
}

void DateTimeTag::destroy(void* obj)
{
    delete static_cast<QDateTime*>(obj);
}

void* DateTimeTag::read(sTagIO& io, size_t)
{
    QDataStream& s = *io.stream;
    uint32_t type = 0;
    if (!ReadTagBase(s, type))
        return nullptr;
    if (type != Sig::TypeDtim)
        return badType(io, type);
    uint16_t v[6] = {};
    for (uint16_t& x : v)
        s >> x;
    if (s.status() != QDataStream::Ok)
        return nullptr;
    return new QDateTime(DateTimeFromNumbers(v));
}

bool DateTimeTag::write(sTagIO& io, size_t)
{
    QDataStream& s = *io.stream;
    uint16_t v[6];
    DateTimeToNumbers(*static_cast<const QDateTime*>(io.object), v);
    WriteTagBase(s, Sig::TypeDtim);
    for (uint16_t x : v)
        s << x;
    return s.status() == QDataStream::Ok;
}

// Unknown tags ----------------------------------------------------------------

sUnknownTag* sUnknownTag::create(uint64_t size)
{
    if (size == 0)
        return nullptr;
    void* mem = ::operator new(sizeof(sUnknownTag) + size);
    sUnknownTag* tag = static_cast<sUnknownTag*>(mem);
    tag->marker = kMarker;
    tag->size = size;
    return tag;
}

void sUnknownTag::free(sUnknownTag* tag)
{
    ::operator delete(tag);
}

void* UnknownTag::copy(const void* src)
{
    const sUnknownTag* from = static_cast<const sUnknownTag*>(src);
    if (!from || from->marker != sUnknownTag::kMarker) {
        qCCritical(libcmm(), "copy_sUnknownTag: invalid memory block\n");
        return nullptr;
    }
    sUnknownTag* to = sUnknownTag::create(from->size);
    if (to)
        std::copy(from->bytes(), from->bytes() + from->size, to->bytes());
    return to;
}

void UnknownTag::destroy(void* obj)
{
    sUnknownTag::free(static_cast<sUnknownTag*>(obj));
}

void* UnknownTag::read(sTagIO& io, size_t size)
{
    QDataStream& s = *io.stream;
    // The caller has already bounded size by the data that is really there.
    if (size == 0 || qint64(size) > BytesLeft(s)) {
        FailStream(s, QStringLiteral("create_sUnknownTag: Block size not defined\n"));
        return nullptr;
    }
    sUnknownTag* tag = sUnknownTag::create(size);
    if (s.readRawData(reinterpret_cast<char*>(tag->bytes()), int(size)) != int(size)) {
        sUnknownTag::free(tag);
        FailStream(s, QStringLiteral("Invalid unknown tag block\n"));
        return nullptr;
    }
    return tag;
}

bool UnknownTag::write(sTagIO& io, size_t)
{
    QDataStream& s = *io.stream;
    const sUnknownTag* tag = static_cast<const sUnknownTag*>(io.object);
    if (tag->marker != sUnknownTag::kMarker)
        return false;
    s.writeRawData(reinterpret_cast<const char*>(tag->bytes()), int(tag->size));
    return s.status() == QDataStream::Ok;
}

} // namespace CMM
} // namespace Nuvra
