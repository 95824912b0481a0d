// libFuzzer target: whole profiles through the stream reader, then every tag
// that was read back through its writer.

#include "cmm/Profile.h"

#include <QBuffer>
#include <QByteArray>
#include <QDataStream>

#include <cstddef>
#include <cstdint>

namespace {
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool silenced = (qInstallMessageHandler(quiet), true);
    (void)silenced;
    using namespace Nuvra::CMM;

    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QDataStream in(&buffer);
    in.setByteOrder(QDataStream::BigEndian);
    cProfile::ptr_t profile(new cProfile);
    if (!profile->Load(in, QStringLiteral("fuzz")))
        return 0;

    profile->IsMatrixShaper();
    for (uint32_t intent = 0; intent < 4; ++intent)
        profile->IsIntentSupported(icRenderingIntent(intent), UsedAsInput);

    for (const auto& tag : profile->Tags()) {
        QByteArray out;
        QBuffer outBuffer(&out);
        outBuffer.open(QIODevice::WriteOnly);
        QDataStream s(&outBuffer);
        s.setByteOrder(QDataStream::BigEndian);
        sTagIO io{profile.get(), &s, tag.first, 0, tag.second};
        Tag2ClassAction(tag.first, TagWrite, &io, tag.first);
        void* copy = Tag2ClassAction(tag.first, TagCopy, tag.second, 0);
        Tag2ClassAction(tag.first, TagDestroy, copy, 0);
    }
    return 0;
}
