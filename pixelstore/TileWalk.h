#pragma once

#include "pixelstore/Geometry.h"

#include <algorithm>

namespace Nuvra {
namespace DataStorage {

// Calls visit(tile index, piece) for every tile of a grid tilesAcross wide
// that the rectangle touches, row by row and left to right; the piece is the
// part of the rectangle inside the tile. The rectangle must be non-empty and
// lie inside the grid.
template <class Visit>
void forEachTilePiece(const Rect& r, int tilesAcross, Visit visit)
{
    for (int ty = tileRow(r.top); ty <= tileRow(r.bottom - 1); ++ty) {
        for (int tx = tileColumn(r.left); tx <= tileColumn(r.right - 1); ++tx) {
            const Rect piece{std::max(r.left, tx * kTileSide), std::max(r.top, ty * kTileSide),
                             std::min(r.right, (tx + 1) * kTileSide), std::min(r.bottom, (ty + 1) * kTileSide)};
            visit(ty * tilesAcross + tx, piece);
        }
    }
}

} // namespace DataStorage
} // namespace Nuvra
