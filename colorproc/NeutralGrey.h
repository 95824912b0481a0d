#pragma once

#include "pixelstore/ChannelType.h"

namespace Nuvra {
namespace DataStorage {

class DataChannel;

// Float Lab L with neutral a and b (kFloatLabNeutral) into the one grey
// sample that the conversion into SRGBGrayProfile() gives. The conversion
// reads a float L only as its 16-bit working sample, so the results for all
// 65536 working samples, made once by the conversion itself, answer for
// every float exactly; a table lookup replaces the three-dimensional
// interpolation per pixel.
class NeutralGreyTable {
public:
    // The table for grey samples of `type` (8-bit, 16-bit or float), built on
    // first use and kept for the process; null for another type or when the
    // conversion is not available.
    static const NeutralGreyTable* forType(ChannelType type);

    ChannelType type() const noexcept { return m_type; }
    // count L values into count grey samples of the table's type.
    void convert(const float* lum, void* grey, int count) const;

    explicit NeutralGreyTable(ChannelType type);
    bool valid() const noexcept { return m_valid; }

private:
    ChannelType m_type;
    bool m_valid = false;
    // 65536 samples of m_type, by working sample.
    alignas(64) unsigned char m_entries[65536 * 4];
};

// grey = the sRGB grey of the float channel lum read as L with neutral a and
// b, tile by tile; grey has lum's size and an element type the table knows.
// False (nothing written) when it cannot: then the plane conversion is the
// way.
bool neutralLabToGrey(const DataChannel& lum, DataChannel& grey);

} // namespace DataStorage
} // namespace Nuvra
