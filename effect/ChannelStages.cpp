#include "effect/ChannelStages.h"

#include "effect/StageSteps.h"
#include "pixelstore/ChannelTileWalk.h"
#include "pixelstore/DataChannel.h"

#include <cstdint>

namespace Nuvra {
namespace Effect {

using DataStorage::DataChannel;
using DataStorage::forEachTileInStep;

void luminanceFromRgb(const DataChannel& r, const DataChannel& g, const DataChannel& b, DataChannel& lum)
{
    DataChannel::TileReadOnly tr(&r, -1), tg(&g, -1), tb(&b, -1);
    DataChannel::TileReadWrite out(&lum, -1);
    forEachTileInStep(lum, [&](const Rect& piece) {
        const int width = piece.width(), height = piece.height();
        const auto* pr = static_cast<const std::uint8_t*>(tr.data());
        const auto* pg = static_cast<const std::uint8_t*>(tg.data());
        const auto* pb = static_cast<const std::uint8_t*>(tb.data());
        auto* pl = static_cast<float*>(out.data());
        for (int y = 0; y < height; ++y) {
            const int o = y * kTileSide;
            for (int x = 0; x < width; ++x)
                pl[o + x] = float(pr[o + x]) * 0.0011725490f + float(pg[o + x]) * 0.0023019607f +
                            float(pb[o + x]) * 0.00044705882f;
        }
    }, tr, tg, tb, out);
}

bool fillNoiseChannel(DataChannel& noise, NoiseGenerator& gen, DataStorage::ProgressData* progress)
{
    DataChannel::TileReadWrite out(&noise, -1);
    return forEachTileInStep(noise, [&](const Rect& piece) {
        const int width = piece.width(), height = piece.height();
        auto* p = static_cast<float*>(out.data());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                p[y * kTileSide + x] = gen.next();
        advanceSteps(progress);
        return !isCancelled(progress);
    }, out);
}

bool toneChannel(const ColouringContext& ctx, DataChannel& lum, const DataChannel& noise,
                 DataStorage::ProgressData* progress)
{
    DataChannel::TileReadOnly tn(&noise, -1);
    DataChannel::TileReadWrite wl(&lum, -1);
    return forEachTileInStep(lum, [&](const Rect& piece) {
        const int width = piece.width(), height = piece.height();
        const auto* n = static_cast<const float*>(tn.data());
        auto* l = static_cast<float*>(wl.data());
        for (int y = 0; y < height; ++y)
            toneSpan(ctx, l + y * kTileSide, n + y * kTileSide, width);
        advanceSteps(progress);
        return !isCancelled(progress);
    }, tn, wl);
}

bool paintChannels(ColourBody body, const ColouringContext& ctx, const DataChannel& lum, const DataChannel& noise,
                   DataChannel& r, DataChannel& g, DataChannel& b, DataStorage::ProgressData* progress)
{
    DataChannel::TileReadOnly tn(&noise, -1), tl(&lum, -1);
    DataChannel::TileReadWrite wr(&r, -1), wg(&g, -1), wb(&b, -1);
    return forEachTileInStep(lum, [&](const Rect& piece) {
        const int width = piece.width(), height = piece.height();
        const auto* n = static_cast<const float*>(tn.data());
        const auto* l = static_cast<const float*>(tl.data());
        auto* pr = static_cast<std::uint8_t*>(wr.data());
        auto* pg = static_cast<std::uint8_t*>(wg.data());
        auto* pb = static_cast<std::uint8_t*>(wb.data());
        for (int y = 0; y < height; ++y) {
            const int o = y * kTileSide;
            paintSpan(body, ctx, l + o, n + o, pr + o, pg + o, pb + o, width);
        }
        advanceSteps(progress);
        return !isCancelled(progress);
    }, tn, tl, wr, wg, wb);
}

} // namespace Effect
} // namespace Nuvra
