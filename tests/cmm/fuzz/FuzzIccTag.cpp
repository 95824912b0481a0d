// libFuzzer target: single tag bodies. The first byte picks the signature
// (and so the tag class), the second the profile the tag belongs to; the rest
// is the tag from its type signature on. LUTs that load are evaluated.

#include "cmm/LUT.h"
#include "cmm/Profile.h"

#include <QBuffer>
#include <QByteArray>
#include <QDataStream>

#include <cstddef>
#include <cstdint>

namespace {

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}


const uint32_t kSignatures[] = {
    icSig("desc"), icSig("cprt"), icSig("wtpt"), icSig("rXYZ"), icSig("chad"), icSig("rTRC"), icSig("kTRC"),
    icSig("A2B0"), icSig("A2B1"), icSig("B2A0"), icSig("B2A2"), icSig("pre0"), icSig("gamt"), icSig("chrm"),
    icSig("calt"), icSig("ncl2"),
};

struct ProfileShape {
    uint32_t version, space, pcs;
};

const ProfileShape kShapes[] = {
    {0x02100000, icSig("RGB "), icSig("XYZ ")}, {0x02100000, icSig("CMYK"), icSig("Lab ")},
    {0x04200000, icSig("RGB "), icSig("Lab ")}, {0x04200000, icSig("CMYK"), icSig("Lab ")},
    {0x02100000, icSig("Lab "), icSig("Lab ")}, {0x04200000, icSig("GRAY"), icSig("XYZ ")},
    {0x02100000, icSig("2CLR"), icSig("Lab ")}, {0x04200000, icSig("Lab "), icSig("Lab ")},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool silenced = (qInstallMessageHandler(quiet), true);
    (void)silenced;
    using namespace Nuvra::CMM;
    if (size < 2)
        return 0;
    const uint32_t sig = kSignatures[data[0] % (sizeof kSignatures / sizeof kSignatures[0])];
    const ProfileShape& shape = kShapes[data[1] % (sizeof kShapes / sizeof kShapes[0])];
    cProfile::ptr_t profile(new cProfile);
    profile->setVersion(shape.version);
    profile->setColorSpace(icColorSpaceSignature(shape.space));
    profile->setPCS(shape.pcs);

    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data + 2), int(size - 2));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QDataStream in(&buffer);
    in.setByteOrder(QDataStream::BigEndian);
    sTagIO io{profile.get(), &in, sig, 0, nullptr};
    void* obj = Tag2ClassAction(sig, TagRead, &io, size - 2);
    if (!obj)
        return 0;

    if (TagKindOf(sig) == TagKind::LUT) {
        const cLUT& lut = *static_cast<const cLUT*>(obj);
        uint16_t in16[kMaxChannels] = {}, out16[kMaxChannels] = {};
        for (uint16_t v : {uint16_t(0), uint16_t(0x8000), uint16_t(0xFFFF), uint16_t(0x1234)}) {
            for (uint16_t& c : in16)
                c = v;
            lut.Eval(in16, out16);
        }
    }
    QByteArray out;
    QBuffer outBuffer(&out);
    outBuffer.open(QIODevice::WriteOnly);
    QDataStream s(&outBuffer);
    s.setByteOrder(QDataStream::BigEndian);
    sTagIO wio{profile.get(), &s, sig, 0, obj};
    Tag2ClassAction(sig, TagWrite, &wio, sig);
    Tag2ClassAction(sig, TagDestroy, obj, 0);
    return 0;
}
