#include "effect/ChannelStages.h"

#include "effect/StageSteps.h"
#include "pixelstore/DataChannel.h"

#include <algorithm>
#include <cstdint>

namespace Nuvra {
namespace Effect {

using DataStorage::DataChannel;

namespace {

struct TileExtent {
    int width;
    int height;
};

TileExtent extentOf(const DataChannel& c, int tile)
{
    const int col = tile % c.tilesAcross();
    const int row = tile / c.tilesAcross();
    return {std::min(kTileSide, c.width() - col * kTileSide), std::min(kTileSide, c.height() - row * kTileSide)};
}

} // namespace

void luminanceFromRgb(const DataChannel& r, const DataChannel& g, const DataChannel& b, DataChannel& lum)
{
    DataChannel::TileReadOnly tr(&r, -1), tg(&g, -1), tb(&b, -1);
    DataChannel::TileReadWrite out(&lum, -1);
    for (int tile = 0; tile < lum.tileCount(); ++tile) {
        tr.switchTo(tile);
        tg.switchTo(tile);
        tb.switchTo(tile);
        out.switchTo(tile);
        const auto* pr = static_cast<const std::uint8_t*>(tr.data());
        const auto* pg = static_cast<const std::uint8_t*>(tg.data());
        const auto* pb = static_cast<const std::uint8_t*>(tb.data());
        auto* pl = static_cast<float*>(out.data());
        const TileExtent e = extentOf(lum, tile);
        for (int y = 0; y < e.height; ++y) {
            const int o = y * kTileSide;
            for (int x = 0; x < e.width; ++x)
                pl[o + x] = float(pr[o + x]) * 0.0011725490f + float(pg[o + x]) * 0.0023019607f +
                            float(pb[o + x]) * 0.00044705882f;
        }
    }
}

bool fillNoiseChannel(DataChannel& noise, NoiseGenerator& gen, DataStorage::ProgressData* progress)
{
    DataChannel::TileReadWrite out(&noise, -1);
    for (int tile = 0; tile < noise.tileCount(); ++tile) {
        out.switchTo(tile);
        auto* p = static_cast<float*>(out.data());
        const TileExtent e = extentOf(noise, tile);
        for (int y = 0; y < e.height; ++y)
            for (int x = 0; x < e.width; ++x)
                p[y * kTileSide + x] = gen.next();
        advanceSteps(progress);
        if (isCancelled(progress))
            return false;
    }
    return true;
}

bool toneChannel(const ColouringContext& ctx, DataChannel& lum, const DataChannel& noise,
                 DataStorage::ProgressData* progress)
{
    DataChannel::TileReadOnly tn(&noise, -1);
    DataChannel::TileReadWrite wl(&lum, -1);
    for (int tile = 0; tile < lum.tileCount(); ++tile) {
        tn.switchTo(tile);
        wl.switchTo(tile);
        const auto* n = static_cast<const float*>(tn.data());
        auto* l = static_cast<float*>(wl.data());
        const TileExtent e = extentOf(lum, tile);
        for (int y = 0; y < e.height; ++y)
            toneSpan(ctx, l + y * kTileSide, n + y * kTileSide, e.width);
        advanceSteps(progress);
        if (isCancelled(progress))
            return false;
    }
    return true;
}

bool paintChannels(ColourBody body, const ColouringContext& ctx, const DataChannel& lum, const DataChannel& noise,
                   DataChannel& r, DataChannel& g, DataChannel& b, DataStorage::ProgressData* progress)
{
    DataChannel::TileReadOnly tn(&noise, -1), tl(&lum, -1);
    DataChannel::TileReadWrite wr(&r, -1), wg(&g, -1), wb(&b, -1);
    for (int tile = 0; tile < lum.tileCount(); ++tile) {
        tn.switchTo(tile);
        tl.switchTo(tile);
        wr.switchTo(tile);
        wg.switchTo(tile);
        wb.switchTo(tile);
        const auto* n = static_cast<const float*>(tn.data());
        const auto* l = static_cast<const float*>(tl.data());
        auto* pr = static_cast<std::uint8_t*>(wr.data());
        auto* pg = static_cast<std::uint8_t*>(wg.data());
        auto* pb = static_cast<std::uint8_t*>(wb.data());
        const TileExtent e = extentOf(lum, tile);
        for (int y = 0; y < e.height; ++y) {
            const int o = y * kTileSide;
            paintSpan(body, ctx, l + o, n + o, pr + o, pg + o, pb + o, e.width);
        }
        advanceSteps(progress);
        if (isCancelled(progress))
            return false;
    }
    return true;
}

} // namespace Effect
} // namespace Nuvra
