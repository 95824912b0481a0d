#include "effect/ChannelStages.h"
#include "effect/MorvelinParams.h"
#include "effect/ProgressData.h"
#include "pixelstore/DataChannel.h"
#include "tests/effect/SyntheticFrame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

using namespace Nuvra;
using namespace Nuvra::Effect;
using Nuvra::DataStorage::DataChannel;

namespace {

template <class T>
std::vector<T> read(const DataChannel& c)
{
    std::vector<T> v(std::size_t(c.width()) * c.height());
    DataStorage::getData(c, Rect::fromSize(c.size()), v.data(), unsigned(c.width() * sizeof(T)));
    return v;
}

template <class T>
SmartPtr<DataChannel> channelOf(int w, int h, DataStorage::ChannelType type, const std::vector<T>& v)
{
    SmartPtr<DataChannel> c(new DataChannel(Size{w, h}, type));
    DataStorage::setData(*c, Rect{0, 0, w, h}, v.data(), unsigned(w * sizeof(T)));
    return c;
}

const Size kSizes[] = {{1, 1}, {64, 64}, {130, 70}, {65, 129}};

} // namespace

TEST(ChannelStages, LuminanceOfRgbChannels)
{
    for (const Size s : kSizes) {
        const std::size_t n = std::size_t(s.width) * s.height;
        const std::vector<std::uint8_t> px = MorvelinTest::syntheticArgb(s.width, s.height, 4);
        std::vector<std::uint8_t> r(n), g(n), b(n);
        for (std::size_t i = 0; i < n; ++i) {
            r[i] = px[4 * i + 1];
            g[i] = px[4 * i + 2];
            b[i] = px[4 * i + 3];
        }
        DataChannel lum(s, DataStorage::kTypeFloat);
        luminanceFromRgb(*channelOf(s.width, s.height, DataStorage::kTypeU8, r),
                         *channelOf(s.width, s.height, DataStorage::kTypeU8, g),
                         *channelOf(s.width, s.height, DataStorage::kTypeU8, b), lum);
        const std::vector<float> got = read<float>(lum);
        for (std::size_t i = 0; i < n; ++i) {
            const double want = (0.299 * r[i] + 0.587 * g[i] + 0.114 * b[i]) / 255.0;
            ASSERT_NEAR(got[i], want, 2e-7) << s.width << "x" << s.height << " at " << i;
        }
    }
}

TEST(ChannelStages, NoiseChannelTakesValuesInTileOrder)
{
    for (const Size s : kSizes) {
        DataChannel noise(s, DataStorage::kTypeFloat);
        NoiseGenerator a, b;
        ASSERT_TRUE(fillNoiseChannel(noise, a, nullptr));
        std::vector<float> want(std::size_t(s.width) * s.height);
        fillNoiseInTileOrder(want.data(), s.width, s.height, s.width, b);
        EXPECT_EQ(read<float>(noise), want);
        EXPECT_EQ(a.next(), b.next());  // both drew the same number of values
    }
}

TEST(ChannelStages, ColouringWalksEveryTile)
{
    Morvelin_paramsCalc p{};
    p.dark_lum_pred = 40;
    p.middle_lum_pred = 150;
    p.high_lum_pred = 195;
    p.dark_lum = 51;
    p.middle_lum = 156;
    p.high_lum = 250;
    p.darkColor = 0xFF102030;
    p.midDarkColor = 0xFF406080;
    p.midColor = 0xFF80A040;
    p.midLightColor = 0xFFC0C0E0;
    p.lightColor = 0xFFF0E0D0;
    p.noise = 25;
    p.contrast = 0.1f;
    p.darken = 1.0f;
    const ColouringContext ctx = ColouringContext::fromParams(p);
    for (const Size s : kSizes) {
        const std::vector<float> l = MorvelinTest::syntheticLuminance(s.width, s.height, 2);
        std::vector<float> nz(l.size());
        NoiseGenerator gen;
        fillNoiseInTileOrder(nz.data(), s.width, s.height, s.width, gen);
        const SmartPtr<DataChannel> noise = channelOf(s.width, s.height, DataStorage::kTypeFloat, nz);
        for (const ColourBody body : {ColourBody::FiveColors3D, ColourBody::FiveColors, ColourBody::TwoColors3D,
                                      ColourBody::TwoColors}) {
            const SmartPtr<DataChannel> lum = channelOf(s.width, s.height, DataStorage::kTypeFloat, l);
            DataChannel r(s, DataStorage::kTypeU8), g(s, DataStorage::kTypeU8), b(s, DataStorage::kTypeU8);
            ASSERT_TRUE(paintChannels(body, ctx, *lum, *noise, r, g, b, nullptr));
            std::vector<std::uint8_t> wr(l.size()), wg(l.size()), wb(l.size());
            paintSpan(body, ctx, l.data(), nz.data(), wr.data(), wg.data(), wb.data(), int(l.size()));
            EXPECT_EQ(read<std::uint8_t>(r), wr) << int(body);
            EXPECT_EQ(read<std::uint8_t>(g), wg) << int(body);
            EXPECT_EQ(read<std::uint8_t>(b), wb) << int(body);
            EXPECT_EQ(read<float>(*lum), l);
        }
        const SmartPtr<DataChannel> lum = channelOf(s.width, s.height, DataStorage::kTypeFloat, l);
        ASSERT_TRUE(toneChannel(ctx, *lum, *noise, nullptr));
        std::vector<float> want = l;
        toneSpan(ctx, want.data(), nz.data(), int(want.size()));
        EXPECT_EQ(read<float>(*lum), want);
    }
}

TEST(ChannelStages, CancellationStopsAfterATile)
{
    DataStorage::ProgressData progress;
    progress.setCancelled(true);
    DataChannel noise(Size{200, 10}, DataStorage::kTypeFloat);
    NoiseGenerator gen;
    EXPECT_FALSE(fillNoiseChannel(noise, gen, &progress));
    const std::vector<float> v = read<float>(noise);
    EXPECT_NE(v[0], 0.0f);       // the first tile was written
    EXPECT_EQ(v[199], 0.0f);     // the last was not
}
