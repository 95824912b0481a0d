#pragma once

#include "effect/TiledBlurKernels.h"
#include "pixelstore/DataChannel.h"
#include "pixelstore/Geometry.h"

namespace Nuvra {
namespace DataStorage {
class ProgressData;
} // namespace DataStorage
} // namespace Nuvra

// Blurs rect of a float channel with a Gaussian of sigma[0] along x and
// sigma[1] along y (three extended-box passes per axis), reading no sample
// outside bounds. src and dst may be the same channel. Uniform tiles with
// uniform neighbourhoods come out as shared uniform tiles.
void tiledBlurChannel(const Nuvra::DataStorage::DataChannel& src, Nuvra::DataStorage::DataChannel& dst,
                      const float sigma[2], const Nuvra::Rect& rect, const Nuvra::Rect& bounds,
                      Nuvra::DataStorage::ProgressData* progress);

// One axis: every band (tile column of tileRect) of src is blurred along y
// over the rows of readBounds and written transposed: the sample of column x
// and row readBounds.top + i goes to (offset.x + i, offset.y + x), inside
// writeRect only.
// Returns false when cancelled.
bool TB_BlurAxis(const Nuvra::DataStorage::DataChannel& src, Nuvra::DataStorage::DataChannel& dst,
                 Nuvra::DataStorage::ns_cltBlur::TB_WorkArea& work, const Nuvra::DataStorage::ns_cltBlur::TB_AlgData& alg,
                 const Nuvra::Rect& tileRect, const Nuvra::Rect& readBounds, const Nuvra::Rect& writeRect,
                 const Nuvra::Point& offset, Nuvra::DataStorage::ProgressData* progress);

// Fills buffer 1 of the work area with a band's samples and sets its tile
// sets; returns the number of tiles along the band.
int TB_GetBand(const Nuvra::DataStorage::DataChannel& src, const Nuvra::Rect& readBounds,
               Nuvra::DataStorage::ns_cltBlur::TB_WorkArea& work, int band, const Nuvra::Rect& tileRect,
               const Nuvra::DataStorage::ns_cltBlur::TB_AlgData& alg);

// A rectangle of a channel into a buffer whose rows are pitch elements apart,
// and back.
template <class T>
void TB_ActuallyGetData(const Nuvra::DataStorage::DataChannel& src, const Nuvra::Rect& rect, T* buffer, int pitch)
{
    Nuvra::DataStorage::getData(src, rect, buffer, unsigned(pitch) * unsigned(sizeof(T)));
}
template <class T>
void TB_ActuallySetData(Nuvra::DataStorage::DataChannel& dst, const Nuvra::Rect& rect, const T* buffer, int pitch)
{
    Nuvra::DataStorage::setData(dst, rect, buffer, unsigned(pitch) * unsigned(sizeof(T)));
}

// Writes a finished band (the transposed buffer) into dst.
void TB_SetBand(Nuvra::DataStorage::DataChannel& dst, const Nuvra::DataStorage::ns_cltBlur::TB_WorkArea& work,
                const float* buffer, int band, const Nuvra::Rect& readBounds, const Nuvra::Rect& writeRect,
                const Nuvra::Point& offset, int pitch);
