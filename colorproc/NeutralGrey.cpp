#include "colorproc/NeutralGrey.h"

#include "colorproc/FloatLab.h"
#include "colorproc/PlaneColorConversion.h"
#include "colorproc/Processing.h"
#include "colorproc/SRGBGrayProfile.h"
#include "pixelstore/ChannelTileWalk.h"
#include "pixelstore/DataChannel.h"
#include "pixelstore/PixelPlane.h"
#include "pixelstore/PlaneCopy.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace Nuvra {
namespace DataStorage {
namespace {

constexpr int kWorkSteps = 65536;

// A float that the conversion reads as working sample w, or NaN when there is
// none (every sample has one; the check keeps the table honest).
float floatOfWorkSample(int w)
{
    float v = float(w) / 65280.0f;
    for (int i = 0; i < 64 && Detail::LabToWork(v) < w; ++i)
        v = std::nextafter(v, std::numeric_limits<float>::infinity());
    for (int i = 0; i < 64 && Detail::LabToWork(v) > w; ++i)
        v = std::nextafter(v, -std::numeric_limits<float>::infinity());
    return Detail::LabToWork(v) == w ? v : std::numeric_limits<float>::quiet_NaN();
}

template <class T>
void lookUp(const unsigned char* entries, const float* lum, void* grey, int count)
{
    const T* table = reinterpret_cast<const T*>(entries);
    T* out = static_cast<T*>(grey);
    for (int i = 0; i < count; ++i)
        out[i] = table[Detail::LabToWork(lum[i])];
}

const NeutralGreyTable* build(ChannelType type)
{
    const NeutralGreyTable* table = new NeutralGreyTable(type);
    if (table->valid())
        return table;
    delete table;
    return nullptr;
}

} // namespace

NeutralGreyTable::NeutralGreyTable(ChannelType type)
    : m_type(type)
{
    if (type != kTypeU8 && type != kTypeU16 && type != kTypeFloat)
        return;
    const CMM::cProfile::ptr_t gray = SRGBGrayProfile();
    if (!gray || Detail::LabToWork(kFloatLabNeutral) != 0x8000)
        return;
    installPlaneColorConversion();
    std::vector<float> lab(std::size_t(kWorkSteps) * 3);
    for (int w = 0; w < kWorkSteps; ++w) {
        const float v = floatOfWorkSample(w);
        if (std::isnan(v))
            return;
        lab[std::size_t(w) * 3] = v;
        lab[std::size_t(w) * 3 + 1] = kFloatLabNeutral;
        lab[std::size_t(w) * 3 + 2] = kFloatLabNeutral;
    }
    // The plane copy itself makes the entries: the same processor, the same
    // adapters as every conversion of a toned plane.
    const Size size{256, kWorkSteps / 256};
    const Rect all = Rect::fromSize(size);
    PixelPlane src(kSetLab, kTypeFloat, size);
    if (!setData(src, all, lab.data(), 0, PixelFormat(kSetLab, kTypeFloat)))
        return;
    PixelPlane grey(kSetGray, type, size, gray);
    copy(grey, src, all, Point{0, 0});
    m_valid = getData(grey, all, m_entries, 0, PixelFormat(kSetGray, type));
}

const NeutralGreyTable* NeutralGreyTable::forType(ChannelType type)
{
    // Never destroyed: render threads may still convert during exit.
    switch (type) {
    case kTypeU8: {
        static const NeutralGreyTable* const t = build(kTypeU8);
        return t;
    }
    case kTypeU16: {
        static const NeutralGreyTable* const t = build(kTypeU16);
        return t;
    }
    case kTypeFloat: {
        static const NeutralGreyTable* const t = build(kTypeFloat);
        return t;
    }
    default: return nullptr;
    }
}

void NeutralGreyTable::convert(const float* lum, void* grey, int count) const
{
    switch (m_type) {
    case kTypeU8: lookUp<std::uint8_t>(m_entries, lum, grey, count); break;
    case kTypeU16: lookUp<std::uint16_t>(m_entries, lum, grey, count); break;
    case kTypeFloat: lookUp<float>(m_entries, lum, grey, count); break;
    default: break;
    }
}

bool neutralLabToGrey(const DataChannel& lum, DataChannel& grey)
{
    if (lum.type() != kTypeFloat || grey.size() != lum.size())
        return false;
    const NeutralGreyTable* table = NeutralGreyTable::forType(grey.type());
    if (!table)
        return false;
    const int esize = grey.elementSize();
    DataChannel::TileReadOnly in(&lum, -1);
    DataChannel::TileReadWrite out(&grey, -1);
    forEachTileInStep(lum, [&](const Rect& piece) {
        const auto* l = static_cast<const float*>(in.data());
        auto* g = static_cast<unsigned char*>(out.data());
        const int width = piece.width(), height = piece.height();
        if (width == kTileSide) {
            table->convert(l, g, width * height);
            return;
        }
        for (int y = 0; y < height; ++y)
            table->convert(l + y * kTileSide, g + std::size_t(y) * kTileSide * esize, width);
    }, in, out);
    return true;
}

} // namespace DataStorage
} // namespace Nuvra
