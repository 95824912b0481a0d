#pragma once

#include "pixelstore/DataChannel.h"
#include "pixelstore/TileWalk.h"

#include <type_traits>

namespace Nuvra {
namespace DataStorage {

// Steps the tile accessors of channels that share the lead channel's size
// through every tile together, in tile order: each accessor is switched to
// the tile, then visit(piece) runs with the tile's part of the channel. A
// visit that returns false stops the walk (a cancelled stage), and the walk
// returns false; a visit that returns nothing walks every tile.
template <class Visit, class... Access>
bool forEachTileInStep(const DataChannel& lead, Visit visit, Access&... access)
{
    if (lead.tileCount() == 0)
        return true;
    bool going = true;
    const auto step = [&]([[maybe_unused]] int tile, const Rect& piece) {
        if (!going)
            return;
        (access.switchTo(tile), ...);
        if constexpr (std::is_void_v<decltype(visit(piece))>)
            visit(piece);
        else
            going = visit(piece);
    };
    forEachTilePiece(Rect::fromSize(lead.size()), lead.tilesAcross(), step);
    return going;
}

} // namespace DataStorage
} // namespace Nuvra
