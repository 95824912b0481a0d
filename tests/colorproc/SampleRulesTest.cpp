#include "colorproc/SampleRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

using namespace Nuvra::DataStorage::Detail;

namespace {

constexpr int kLab = kLayoutLab;

template <class T, int F>
std::vector<uint16_t> unpack(std::vector<T> s, int extraWork = 0)
{
    std::vector<uint16_t> w(s.size() + extraWork, 0xEEEE);
    const void* end = SampleLayout<T, F>::Unpack(s.data(), w.data(), int(s.size()));
    EXPECT_EQ(end, static_cast<const void*>(s.data() + s.size()));
    return w;
}

template <class T, int F>
std::vector<T> pack(std::vector<uint16_t> w)
{
    std::vector<T> s(w.size());
    void* end = SampleLayout<T, F>::Pack(w.data(), s.data(), int(w.size()));
    EXPECT_EQ(end, static_cast<void*>(s.data() + s.size()));
    return s;
}

} // namespace

// 8-bit samples scale by 257 (Lab: 256) and come back exactly; packing any
// working value is monotonic and lands within 129/257 (Lab: half a step) of
// the exact quotient.
TEST(SampleRules, EightBitExhaustive)
{
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(PlainSample<uint8_t>::unpack(uint8_t(v)), v * 257);
        EXPECT_EQ(PlainSample<uint8_t>::pack(PlainSample<uint8_t>::unpack(uint8_t(v))), v);
        EXPECT_EQ(LabSample<uint8_t>::unpack(uint8_t(v)), v * 256);
        EXPECT_EQ(LabSample<uint8_t>::pack(LabSample<uint8_t>::unpack(uint8_t(v))), v);
    }
    int previousPlain = 0, previousLab = 0;
    for (int w = 0; w < 65536; ++w) {
        const int plain = PlainSample<uint8_t>::pack(uint16_t(w));
        const int lab = LabSample<uint8_t>::pack(uint16_t(w));
        ASSERT_LE(std::abs(plain * 257 - w), 129) << w;
        ASSERT_LE(std::abs(lab * 256 - std::min(w, 0xFF00)), 128) << w;
        ASSERT_GE(plain, previousPlain) << w;
        ASSERT_GE(lab, previousLab) << w;
        previousPlain = plain;
        previousLab = lab;
    }
    EXPECT_EQ(PlainSample<uint8_t>::pack(32896), 128);
    EXPECT_EQ(LabSample<uint8_t>::pack(0xFFFF), 255);
}

TEST(SampleRules, SixteenBitExhaustive)
{
    int previous = -1;
    for (int v = 0; v < 65536; ++v) {
        ASSERT_EQ(PlainSample<uint16_t>::pack(PlainSample<uint16_t>::unpack(uint16_t(v))), v);
        const int w = LabSample<uint16_t>::unpack(uint16_t(v));
        ASSERT_EQ(w, int(std::floor(v * 256.0 / 257.0 + 0.5))) << v;
        ASSERT_GE(w, previous) << v;
        previous = w;
        const int back = LabSample<uint16_t>::pack(uint16_t(w));
        ASSERT_LE(std::abs(back - v), 1) << v;
    }
    EXPECT_EQ(LabSample<uint16_t>::unpack(65535), 65280);
    EXPECT_EQ(LabSample<uint16_t>::pack(0xFF00), 65535);
    EXPECT_EQ(LabSample<uint16_t>::pack(0xFFFF), 65535);
}

TEST(SampleRules, FloatSpecials)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float v;
        uint16_t plain, lab;
    } cases[] = {
        {nan, 0, 0},           {-nan, 0, 0},     {inf, 65535, 65535}, {-inf, 0, 0},
        {1e30f, 65535, 65535}, {-1e30f, 0, 0},   {-0.2f, 0, 0},       {0.5f, 32768, 32640},
        {1.0f, 65535, 65280},  {1.5f, 65535, 65535}, {0.0f, 0, 0},    {-0.0f, 0, 0},
        {128.0f / 255.0f, 32896, 0x8000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlainSample<float>::unpack(c.v), c.plain) << c.v;
        EXPECT_EQ(LabSample<float>::unpack(c.v), c.lab) << c.v;
    }
    EXPECT_EQ(PlainSample<float>::pack(65535), 1.0f);
    EXPECT_EQ(LabSample<float>::pack(0xFF01), 1.0f);
    EXPECT_EQ(LabSample<float>::pack(0xFF00), 65280.0f * 1.5318628356908448e-5f);
    // Every working value survives a float round trip.
    for (int w = 0; w < 65536; ++w) {
        ASSERT_EQ(PlainSample<float>::unpack(PlainSample<float>::pack(uint16_t(w))), w);
        if (w <= 0xFF00) {
            ASSERT_EQ(LabSample<float>::unpack(LabSample<float>::pack(uint16_t(w))), w);
        }
    }
}

TEST(SampleRules, OrdersOfAFourSamplePixel)
{
    // Stored orders of (r, g, b, a) = (1, 2, 3, 4) for each pair of order bits.
    const struct {
        std::vector<uint8_t> stored;
        int order;
    } cases[] = {{{1, 2, 3, 4}, 0}, {{4, 3, 2, 1}, 0x400}, {{4, 1, 2, 3}, 0x800}, {{3, 2, 1, 4}, 0xC00}};
    const std::vector<uint16_t> working{257, 514, 771, 1028};
    for (const auto& c : cases) {
        std::vector<uint16_t> w;
        std::vector<uint8_t> s;
        switch (c.order) {
        case 0: w = unpack<uint8_t, 0>(c.stored); s = pack<uint8_t, 0>(working); break;
        case 0x400: w = unpack<uint8_t, 0x400>(c.stored); s = pack<uint8_t, 0x400>(working); break;
        case 0x800: w = unpack<uint8_t, 0x800>(c.stored); s = pack<uint8_t, 0x800>(working); break;
        default: w = unpack<uint8_t, 0xC00>(c.stored); s = pack<uint8_t, 0xC00>(working); break;
        }
        EXPECT_EQ(w, working) << c.order;
        EXPECT_EQ(s, c.stored) << c.order;
    }
    // With two extras only the first stored sample moves.
    EXPECT_EQ((unpack<uint8_t, 0x800>({9, 1, 2, 3, 4})), (std::vector<uint16_t>{257, 514, 771, 1028, 9 * 257}));
}

TEST(SampleRules, GrayWidensToThreeWorkingSamples)
{
    EXPECT_EQ((unpack<uint8_t, kLayoutGray>({10, 200}, 2)),
              (std::vector<uint16_t>{2570, 2570, 2570, 200 * 257}));
    EXPECT_EQ((unpack<uint16_t, kLayoutGray | 0x400>({7, 9}, 2)), (std::vector<uint16_t>{9, 9, 9, 7}));
    EXPECT_EQ((unpack<float, kLayoutGray>({0.5f}, 2)), (std::vector<uint16_t>{32768, 32768, 32768}));
}

TEST(SampleRules, LabScalingAndExtras)
{
    EXPECT_EQ((unpack<uint8_t, kLab>({255, 128, 128, 255})), (std::vector<uint16_t>{65280, 32768, 32768, 65535}));
    EXPECT_EQ((pack<uint8_t, kLab>({65280, 32768, 0xFFFF, 65535})), (std::vector<uint8_t>{255, 128, 255, 255}));
    EXPECT_EQ((unpack<float, kLab | 0xC00>({0.0f, 128.0f / 255.0f, 1.0f, 0.5f})),
              (std::vector<uint16_t>{65280, 32768, 0, 32768}));
    EXPECT_EQ((pack<uint16_t, kLab | 0x400>({0xFF00, 0x8000, 0, 7})), (std::vector<uint16_t>{7, 0, 32896, 65535}));
}

// Buffers need not be aligned to the sample size.
TEST(SampleRules, UnalignedPixels)
{
    alignas(8) uint8_t buffer[16] = {};
    const float v[3] = {0.25f, 0.5f, 1.0f};
    std::memcpy(buffer + 1, v, sizeof v);
    uint16_t w[3];
    SampleLayout<float, 0>::Unpack(buffer + 1, w, 3);
    EXPECT_EQ(w[0], 16384);
    EXPECT_EQ(w[2], 65535);
    SampleLayout<float, 0>::Pack(w, buffer + 3, 3);
    float back[3];
    std::memcpy(back, buffer + 3, sizeof back);
    EXPECT_FLOAT_EQ(back[1], 32768 * 1.5259021893143654e-5f);
}
