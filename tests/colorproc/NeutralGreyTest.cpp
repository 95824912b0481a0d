#include "colorproc/FloatLab.h"
#include "colorproc/NeutralGrey.h"
#include "colorproc/Processing.h"
#include "colorproc/SRGBGrayProfile.h"
#include "pixelstore/DataChannel.h"
#include "pixelstore/PixelPlane.h"
#include "pixelstore/PlaneCopy.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

using namespace Nuvra;
using namespace Nuvra::DataStorage;

namespace {

float fromBits(std::uint32_t b)
{
    float v;
    std::memcpy(&v, &b, sizeof v);
    return v;
}

// The bits of the smallest non-negative float that the conversion reads as
// working sample w or above (the reading rises with the bits).
std::uint32_t firstBitsOf(int w)
{
    std::uint32_t lo = 0, hi = 0x7F800000u;  // +infinity reads as 0xFFFF
    while (lo < hi) {
        const std::uint32_t mid = lo + (hi - lo) / 2;
        if (DataStorage::Detail::LabToWork(fromBits(mid)) >= w)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

// Every float class the conversion tells apart, at both ends and in the
// middle, and the values outside 0..1 that a toned plane must survive.
std::vector<float> everyWorkSampleEdge()
{
    std::vector<float> v;
    std::uint32_t first = firstBitsOf(0);
    for (int w = 0; w < 65536; ++w) {
        const std::uint32_t next = w < 65535 ? firstBitsOf(w + 1) : 0x7F800000u;
        v.push_back(fromBits(first));
        v.push_back(fromBits(first + (next - first) / 2));
        v.push_back(fromBits(next - 1));
        first = next;
    }
    const float inf = std::numeric_limits<float>::infinity();
    for (const float x : {-0.0f, -1e-30f, -0.5f, -inf, inf, 1.0f, 1.5f, 3e38f, std::numeric_limits<float>::denorm_min(),
                          std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN()})
        v.push_back(x);
    return v;
}

} // namespace

// The table answers exactly as the plane conversion of a neutral Lab plane
// does, for every working sample's first, middle and last float and for
// out-of-range values, in each grey element type; the width leaves part
// tiles at the right and bottom edges.
TEST(NeutralGrey, MatchesThePlaneConversionForEveryFloatClass)
{
    const std::vector<float> values = everyWorkSampleEdge();
    const int w = 997;
    const int h = int((values.size() + w - 1) / w);
    const Size size{w, h};
    const Rect all = Rect::fromSize(size);
    std::vector<float> lab(std::size_t(w) * h * 3, kFloatLabNeutral);
    for (std::size_t i = 0; i < std::size_t(w) * h; ++i)
        lab[i * 3] = i < values.size() ? values[i] : 0.25f;
    PixelPlane src(kSetLab, kTypeFloat, size);
    ASSERT_TRUE(setData(src, all, lab.data(), 0, PixelFormat(kSetLab, kTypeFloat)));

    for (const ChannelType type : {kTypeU8, kTypeU16, kTypeFloat}) {
        PixelPlane viaPlane(kSetGray, type, size, SRGBGrayProfile());
        copy(viaPlane, src, all, Point{0, 0});
        DataChannel viaTable(size, type);
        ASSERT_TRUE(neutralLabToGrey(*src.channelReadOnly(kChannelL), viaTable));

        const std::size_t bytes = std::size_t(w) * h * std::size_t(elementSize(type));
        std::vector<unsigned char> want(bytes), got(bytes);
        getData(*viaPlane.channelReadOnly(kChannelGray), all, want.data(), unsigned(w * elementSize(type)));
        getData(viaTable, all, got.data(), unsigned(w * elementSize(type)));
        for (std::size_t i = 0; i < std::size_t(w) * h; ++i)
            ASSERT_EQ(0, std::memcmp(&want[i * elementSize(type)], &got[i * elementSize(type)],
                                     std::size_t(elementSize(type))))
                << "type " << type << " L " << (i < values.size() ? values[i] : 0.25f);
    }
}

// What the table cannot answer it leaves to the plane conversion, writing
// nothing.
TEST(NeutralGrey, RefusesWhatItCannotAnswer)
{
    const Size size{70, 3};
    DataChannel lum(size, kTypeFloat);
    const float half = 0.5f;
    lum.fillRect(Rect::fromSize(size), &half);
    DataChannel u8Lum(size, kTypeU8);
    struct Case {
        const DataChannel* lum;
        Size greySize;
        ChannelType greyType;
    };
    for (const Case c : {Case{&lum, Size{70, 4}, kTypeU8}, Case{&lum, size, kTypeDouble}, Case{&lum, size, 3},
                         Case{&u8Lum, size, kTypeU8}}) {
        DataChannel grey(c.greySize, c.greyType);
        EXPECT_FALSE(neutralLabToGrey(*c.lum, grey)) << "type " << c.greyType;
        EXPECT_TRUE(grey.isMonotone(nullptr));
    }
    EXPECT_EQ(NeutralGreyTable::forType(kTypeDouble), nullptr);
}
