// libFuzzer target: whole profiles through the stream reader, every tag that
// was read back through its writer, then transforms from the profile to sRGB
// and to Lab (and from Lab to it) over a few pixels.

#include "cmm/ColorSpaces.h"
#include "cmm/InternalProcessing.h"
#include "cmm/Profile.h"

#include <QBuffer>
#include <QByteArray>
#include <QDataStream>

#include <cstddef>
#include <cstdint>

namespace {
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

using namespace Nuvra::CMM;

void Run(const cXForm& t, int inChannels)
{
    const cInternalProcessing p(&t);
    if (!p.IsUsable())
        return;
    const uint16_t levels[] = {0, 0x1234, 0x8000, 0xC0DE, 0xFFFF};
    uint16_t in[5 * kMaxChannels];
    for (int i = 0; i < 5; ++i)
        for (int c = 0; c < inChannels; ++c)
            in[i * inChannels + c] = levels[(i + c) % 5];
    uint16_t out[5 * kMaxChannels];
    p.Process(in, out, 5);
}

void Transforms(const cProfile* profile)
{
    static const cProfile::ptr_t srgb = cProfile::Create_sRGB();
    static const cProfile::ptr_t lab = [] {
        sCIExyY d50;
        d50.Set(D50XYZ());
        return cProfile::CreateLab(&d50);
    }();
    const int n = ChannelsOf(profile->colorSpace());
    const unsigned device = CMM_PF::Device16(n);
    if (profile->deviceClass() == icSigLinkClass) {
        const unsigned out = CMM_PF::Device16(ChannelsOf(icColorSpaceSignature(profile->pcs())));
        Run(cXForm(profile, device, nullptr, out, icPerceptual, {}, nullptr, icAbsoluteColorimetric), n);
        return;
    }
    // Grids are sampled only where they stay small; the rest runs unsampled.
    const QFlags<eXForm_Flags> grid = n <= 3 ? XForm_LowResPrecalc : XForm_NoPrecalc;
    for (icRenderingIntent intent : {icPerceptual, icRelativeColorimetric, icAbsoluteColorimetric}) {
        Run(cXForm(profile, device, srgb.get(), CMM_PF::Device16(3), intent,
                   XForm_NoPrecalc | XForm_BlackPointCompensation, nullptr, icAbsoluteColorimetric),
            n);
        Run(cXForm(profile, device, lab.get(), CMM_PF::kLab16, intent, grid, nullptr, icAbsoluteColorimetric), n);
        Run(cXForm(lab.get(), CMM_PF::kLab16, profile, device, intent, XForm_NoPrecalc, nullptr,
                   icAbsoluteColorimetric),
            3);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool silenced = (qInstallMessageHandler(quiet), true);
    (void)silenced;
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
    Transforms(profile.get());
    return 0;
}
