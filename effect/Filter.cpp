#include "effect/Filter.h"

#include "effect/ChannelStages.h"
#include "effect/Colouring.h"
#include "effect/LuminanceStages.h"
#include "effect/NoiseStage.h"
#include "effect/Resize.h"
#include "effect/ScratchArena.h"
#include "effect/StageSteps.h"
#include "effect/StageWeights.h"
#include "effect/WorkingSize.h"
#include "colorproc/FloatLab.h"
#include "colorproc/NeutralGrey.h"
#include "colorproc/PlaneColorConversion.h"
#include "colorproc/SRGBGrayProfile.h"
#include "pixelstore/PixelPlane.h"
#include "pixelstore/PlaneCopy.h"

#include <QtGlobal>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <vector>

using namespace Nuvra;
using namespace Nuvra::DataStorage;
using namespace Nuvra::Effect;

namespace {

// The Lab modes move frames between 8-bit RGB and float Lab planes through
// the plane copy's colour branch; whoever links the effect gets it at start-up.
[[maybe_unused]] const bool g_colorConversionInstalled = (installPlaneColorConversion(), true);

void logParams(const Morvelin_paramsCalc& p)
{
    qDebug("* Params:\nsigmaBlur: %f\nunsharp: %f\ngradients: %f\nline_intg: %f\ndark_lum_pred: %d\n"
           "middle_lum_pred: %d\nhigh_lum_pred: %d\ndark_lum: %d\nmiddle_lum: %d\nhigh_lum: %d\nresizing: %d\n"
           "darkColor: 0x%08X\nmidDarkColor: 0x%08X\nmidColor: 0x%08X\nmidLightColor: 0x%08X\nlightColor: 0x%08X\n"
           "noise: %d\ncontrast: %f\ndarken: %f\nusePesk: %d\n",
           double(p.sigmaBlur), double(p.unsharp), double(p.gradients), double(p.line_intg), p.dark_lum_pred,
           p.middle_lum_pred, p.high_lum_pred, p.dark_lum, p.middle_lum, p.high_lum, p.resizing, p.darkColor,
           p.midDarkColor, p.midColor, p.midLightColor, p.lightColor, p.noise, double(p.contrast), double(p.darken),
           int(p.usePesk));
}

// Destination alpha: the source's over the region, or opaque. False for an
// element type that has no opaque value.
bool writeAlpha(const Rect& region, const PixelPlane& source, PixelPlane& destination)
{
    if (!destination.hasChannel(kChannelAlpha))
        return true;
    if (source.hasChannel(kChannelAlpha)) {
        const SmartPtr<const DataChannel> alpha = source.channelReadOnly(kChannelAlpha);
        destination.channelReadWrite(kChannelAlpha)->copy(*alpha, region, Point{0, 0});
        return true;
    }
    const SmartPtr<DataChannel> alpha = destination.channelReadWrite(kChannelAlpha);
    const std::uint8_t opaque8 = 0xFF;
    const std::uint16_t opaque16 = 0xFFFF;
    const float opaqueFloat = 1.0f;
    const void* value = nullptr;
    switch (alpha->type()) {
    case kTypeU8: value = &opaque8; break;
    case kTypeU16: value = &opaque16; break;
    case kTypeFloat: value = &opaqueFloat; break;
    default: return false;
    }
    alpha->fillRect(Rect::fromSize(alpha->size()), value);
    return true;
}

bool colourIsU8(const PixelPlane& plane)
{
    for (const Channel c : {kChannelRed, kChannelGreen, kChannelBlue}) {
        const SmartPtr<const DataChannel> ch = plane.channelReadOnly(c);
        if (ch && ch->type() != kTypeU8)
            return false;
    }
    return true;
}

// R, G, B of the region as a float luminance channel of the region's size.
// The walk reads 8-bit samples, so a source of another element type goes
// through an 8-bit copy, as a region does.
SmartPtr<DataChannel> frameLuminance(const Rect& region, const PixelPlane& source)
{
    const Size size{region.width(), region.height()};
    PixelPlane cropped;
    const PixelPlane* rgb = &source;
    if (region != Rect::fromSize(source.size()) || !colourIsU8(source)) {
        cropped = PixelPlane(source.channelSet(kAllChannels), kTypeU8, size);
        copy(cropped, source, region, Point{0, 0});
        rgb = &cropped;
    }
    SmartPtr<DataChannel> lum(new DataChannel(size, kTypeFloat));
    const DataChannel zero(size, kTypeU8);
    SmartPtr<const DataChannel> r = rgb->channelReadOnly(kChannelRed);
    SmartPtr<const DataChannel> g = rgb->channelReadOnly(kChannelGreen);
    SmartPtr<const DataChannel> b = rgb->channelReadOnly(kChannelBlue);
    luminanceFromRgb(r ? *r : zero, g ? *g : zero, b ? *b : zero, *lum);
    return lum;
}

// Black and white into an RGB destination without a profile: the toned Lab
// plane converts into one sRGB grey that R, G and B all take, so every pixel
// is exactly neutral; converting to three channels rounds each on its own.
// Other destinations take the Lab plane's own conversion.
void copyBlackAndWhite(PixelPlane& destination, const PixelPlane& lab, const Size& size)
{
    const Rect all = Rect::fromSize(size);
    const CMM::cProfile::ptr_t gray = SRGBGrayProfile();
    if (!gray || destination.profile() || colorSpaceOf(destination.channelSet(kColorChannels)) != ColorSpaceRGB) {
        copy(destination, lab, all, Point{0, 0});
        return;
    }
    const ChannelType type = destination.channelReadOnly(kChannelRed)->type();
    PixelPlane grey(kSetGray, type, size, gray);
    // a and b are the neutral: L alone decides, through the conversion's own table.
    if (!neutralLabToGrey(*lab.channelReadOnly(kChannelL), *grey.channelWriteOnly(kChannelGray)))
        copy(grey, lab, all, Point{0, 0});
    const SmartPtr<const DataChannel> value = grey.channelReadOnly(kChannelGray);
    for (const Channel c : {kChannelRed, kChannelGreen, kChannelBlue})
        destination.channelReadWrite(c)->copy(*value, all, Point{0, 0});
}

// Mode 1 keeps the frame's a and b from stage 1 to the output as the colour
// processors' 16-bit working codes: half the memory of float channels, and
// every float they give turns back into the same float.
struct ChromaCodes {
    explicit ChromaCodes(const Size& size) : a(size, kTypeU16), b(size, kTypeU16) {}
    DataChannel a;
    DataChannel b;
};

// Rows of the region converted to Lab at a time in mode 1, a whole row of
// tiles, so that the full-size float a and b planes never exist.
constexpr int kLabBandRows = kTileSide;

// A band's float Lab samples of one channel into codes of `codes` from row
// `top`.
void keepCodes(const DataChannel& band, DataChannel& codes, int top)
{
    const Size size = band.size();
    const std::size_t n = std::size_t(size.width) * std::size_t(size.height);
    const ScratchBuffer<float> samples(n);
    const ScratchBuffer<std::uint16_t> work(n);
    getData(band, Rect::fromSize(size), samples.data(), unsigned(size.width) * 4u);
    for (std::size_t i = 0; i < n; ++i)
        work[i] = floatLabToWork(samples[i]);
    setData(codes, Rect{0, top, size.width, top + size.height}, work.data(), unsigned(size.width) * 2u);
}

// The codes of `codes` from row `top` back into a band's float channel.
void restoreCodes(const DataChannel& codes, int top, DataChannel& band)
{
    const Size size = band.size();
    const std::size_t n = std::size_t(size.width) * std::size_t(size.height);
    const ScratchBuffer<std::uint16_t> work(n);
    const ScratchBuffer<float> samples(n);
    getData(codes, Rect{0, top, size.width, top + size.height}, work.data(), unsigned(size.width) * 2u);
    for (std::size_t i = 0; i < n; ++i)
        samples[i] = floatLabFromWork(work[i]);
    setData(band, Rect::fromSize(size), samples.data(), unsigned(size.width) * 4u);
}

// The region in Lab, a band at a time: L into `lab`, a and b into `chroma`.
void sourceInLab(const Rect& region, const PixelPlane& source, PixelPlane& lab, ChromaCodes& chroma)
{
    const SmartPtr<DataChannel> l = lab.channelReadWrite(kChannelL);
    for (int top = 0; top < region.height(); top += kLabBandRows) {
        const int rows = std::min(kLabBandRows, region.height() - top);
        PixelPlane band(kSetLab, kTypeFloat, Size{region.width(), rows});
        copy(band, source, Rect{region.left, region.top + top, region.right, region.top + top + rows}, Point{0, 0});
        l->copy(*band.channelReadOnly(kChannelL), Rect::fromSize(band.size()), Point{0, top});
        keepCodes(*band.channelReadOnly(kChannelA), chroma.a, top);
        keepCodes(*band.channelReadOnly(kChannelB), chroma.b, top);
    }
}

// Stage 1: the frame's luminance into the Lab plane's L: the luminance walk
// (modes 0 and 2), or the Lab conversion's L with its a and b kept for the
// output (mode 1).
bool sourceLuminance(const Morvelin_paramsCalc& params, const Rect& region, const PixelPlane& source, PixelPlane& lab,
                     ChromaCodes& chroma, const StageWeights& weights, ProgressData* progress)
{
    weights.enter(progress, FrameStage::SourceLuminance);
    if (progress)
        progress->setTotal(1);
    switch (params.mode) {
    case 0:
    case 2:
        lab.addChannel(kChannelL, *frameLuminance(region, source));
        break;
    case 1:
        sourceInLab(region, source, lab, chroma);
        break;
    default:
        break;
    }
    advanceSteps(progress);
    return !isCancelled(progress);
}

// Stages 2 to 6: L down to the working size, sharpened, oriented and smeared
// along its lines there, and back to the frame's size. The stages work on
// packed rows, which the resize reads and writes itself.
bool paintAtWorkingSize(const Morvelin_paramsCalc& params, const WorkingSize& ws, PixelPlane& lab,
                        const StageWeights& weights, ProgressData* progress)
{
    const Size wsz = ws.size;
    const std::size_t n = std::size_t(wsz.width) * std::size_t(wsz.height);
    const unsigned stride = unsigned(wsz.width) * 4u;
    const ScratchBuffer<float> lum(n);
    if (ws.resized) {
        weights.enter(progress, FrameStage::Downscale);
        resizeChannelToPacked(*lab.channelReadOnly(kChannelL), lum.data(), wsz, progress, true);
        if (isCancelled(progress))
            return false;
    } else {
        getData(*lab.channelReadOnly(kChannelL), Rect::fromSize(wsz), lum.data(), stride);
    }
    if (!runLuminanceStages(wsz.width, wsz.height, lum.data(), params, ws.halfSum, weights, progress))
        return false;
    if (ws.resized) {
        weights.enter(progress, FrameStage::Upscale);
        resizePackedToChannel(lum.data(), wsz, *lab.channelReadWrite(kChannelL), progress, true);
        if (isCancelled(progress))
            return false;
    } else {
        setData(*lab.channelReadWrite(kChannelL), Rect::fromSize(wsz), lum.data(), stride);
    }
    return true;
}

// Stage 7: the noise texture, zero when there is no noise.
bool noiseStage(const Morvelin_paramsCalc& params, DataChannel& noise, const StageWeights& weights,
                ProgressData* progress)
{
    if (params.noise == 0)
        return true;
    weights.enter(progress, FrameStage::Noise);
    return fillNoiseLayer(params, noise, progress);
}

// Stage 8: L and the noise into colours. The result is the toned Lab plane
// (modes 1 and black and white), the 8-bit RGB plane, or none for an unknown
// mode.
bool colourStage(const Morvelin_paramsCalc& params, const Size& size, PixelPlane& lab, const DataChannel& noise,
                 PixelPlane& rgb, const PixelPlane*& result, const StageWeights& weights, ProgressData* progress)
{
    if (isCancelled(progress))
        return false;
    weights.enter(progress, FrameStage::Colouring);
    const ColouringContext ctx = ColouringContext::fromParams(params);
    const ColourBody body = chooseBody(params);
    ProgressStage colouring(progress, noise.tileCount());
    if (body == ColourBody::ToneLuminance) {
        if (!toneChannel(ctx, *lab.channelReadWrite(kChannelL), noise, progress))
            return false;
        if (isBlackAndWhite(params)) {
            // Neutral a and b make the Lab-to-RGB copy a grey.
            const float neutral = kFloatLabNeutral;
            for (const Channel c : {kChannelA, kChannelB}) {
                const SmartPtr<DataChannel> ch = lab.channelWriteOnly(c);
                ch->fillRect(Rect::fromSize(size), &neutral);
            }
        }
        result = &lab;
    } else if (body != ColourBody::None) {
        rgb = PixelPlane(kSetRGB, kTypeU8, size);
        if (!paintChannels(body, ctx, *lab.channelReadOnly(kChannelL), noise, *rgb.channelWriteOnly(kChannelRed),
                           *rgb.channelWriteOnly(kChannelGreen), *rgb.channelWriteOnly(kChannelBlue), progress))
            return false;
        result = &rgb;
    }
    return true;
}

// The toned L with the kept a and b into the destination, band by band. A
// band's rows of L, a and b are given up once converted, so the output's
// tiles take the place of theirs instead of adding to the frame's peak.
void copyWithOwnColours(PixelPlane& destination, PixelPlane& lab, ChromaCodes& chroma, const Size& size)
{
    const SmartPtr<DataChannel> toned = lab.channelReadWrite(kChannelL);
    for (int top = 0; top < size.height; top += kLabBandRows) {
        const int rows = std::min(kLabBandRows, size.height - top);
        const Rect done{0, top, size.width, top + rows};
        PixelPlane band(kSetLab, kTypeFloat, Size{size.width, rows});
        band.channelWriteOnly(kChannelL)->copy(*toned, done, Point{0, 0});
        restoreCodes(chroma.a, top, *band.channelWriteOnly(kChannelA));
        restoreCodes(chroma.b, top, *band.channelWriteOnly(kChannelB));
        copy(destination, band, Rect::fromSize(band.size()), Point{0, top});
        for (DataChannel* given : {toned.get(), &chroma.a, &chroma.b})
            given->fillRect(done, nullptr);
    }
}

// Stage 9: the result into the destination at (0, 0).
bool writeResult(const Morvelin_paramsCalc& params, const Size& size, const PixelPlane* result, PixelPlane& lab,
                 ChromaCodes& chroma, PixelPlane& destination, const StageWeights& weights, ProgressData* progress)
{
    if (isCancelled(progress))
        return false;
    weights.enter(progress, FrameStage::Output);
    if (progress)
        progress->setTotal(1);
    if (result == &lab && isBlackAndWhite(params))
        copyBlackAndWhite(destination, lab, size);
    else if (result == &lab && params.mode == 1)
        copyWithOwnColours(destination, lab, chroma, size);
    else if (result)
        copy(destination, *result, Rect::fromSize(size), Point{0, 0});
    advanceSteps(progress);
    return !isCancelled(progress);
}

} // namespace

bool FilterCore(const Morvelin_paramsCalc& params, const Rect& region, const PixelPlane& source,
                PixelPlane& destination, ProgressData* progress)
{
    if (!writeAlpha(region, source, destination))
        return false;
    qDebug("FilterCore(): [(%d, %d),(%d x %d)]\n", region.left, region.top, region.width(), region.height());
    logParams(params);

    const Size size{region.width(), region.height()};
    const WorkingSize ws = workingSize(source.width() + source.height(), size, params.resizing);
    const StageWeights weights(ws.resized, noiseWeight(params));
    ProgressStage outer(progress, 0);

    PixelPlane lab(kSetLab, kTypeFloat, size);
    ChromaCodes chroma(size);  // written in mode 1 only
    if (!sourceLuminance(params, region, source, lab, chroma, weights, progress))
        return false;
    if (!paintAtWorkingSize(params, ws, lab, weights, progress))
        return false;
    DataChannel noise(size, kTypeFloat);
    if (!noiseStage(params, noise, weights, progress))
        return false;
    PixelPlane rgb;
    const PixelPlane* result = nullptr;
    if (!colourStage(params, size, lab, noise, rgb, result, weights, progress))
        return false;
    return writeResult(params, size, result, lab, chroma, destination, weights, progress);
}

bool Filter(const Nuvra::Detail::SizeT<int>& size, const std::uint8_t* src, int srcStride, std::uint8_t* dst,
            int dstStride, int, const Morvelin_paramsCalc& params, ProgressData* progress)
{
    const long long row = 4LL * size.width;
    if (size.width <= 0 || size.height <= 0 || !src || !dst || srcStride < row || dstStride < row) {
        qWarning("Filter(): refused a frame of %d x %d with strides %d and %d\n", size.width, size.height, srcStride,
                 dstStride);
        return false;
    }
    // Renders run on detached threads: nothing may escape from here.
    try {
        const PixelFormat format({kChannelAlpha, kChannelRed, kChannelGreen, kChannelBlue}, kTypeU8);
        const Rect all = Rect::fromSize(size);
        PixelPlane in(format, size);
        PixelPlane out(in);  // shares the still empty channels; stays zero when `in` is written
        if (!setData(in, all, src, unsigned(srcStride), format))
            return false;
        if (!FilterCore(params, all, in, out, progress))
            return false;
        return getData(out, all, dst, unsigned(dstStride), format);
    } catch (const std::exception& e) {
        qCritical("Filter(): %s\n", e.what());
    } catch (...) {
        qCritical("Filter(): unknown failure\n");
    }
    return false;
}
