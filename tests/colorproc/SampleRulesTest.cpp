#include "colorproc/Processing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

using namespace Nuvra;
using namespace Nuvra::DataStorage::Detail;
using Nuvra::CMM::cProcessing;

namespace {

template <class T, int F>
using In = cProcessing::tAdapter<T, sInputConv, Int2Type<F>>;
template <class T, int F>
using Out = cProcessing::tAdapter<T, sOutputConv, Int2Type<F>>;

template <class T, int F>
std::vector<uint16_t> unpack(std::vector<T> s, int extraWork = 0)
{
    std::vector<uint16_t> w(s.size() + extraWork, 0xEEEE);
    const void* end = In<T, F>::Unpack(s.data(), w.data(), int(s.size()));
    EXPECT_EQ(end, static_cast<const void*>(s.data() + s.size()));
    return w;
}

template <class T, int F>
std::vector<T> pack(std::vector<uint16_t> w)
{
    std::vector<T> s(w.size());
    void* end = Out<T, F>::Pack(w.data(), s.data(), int(w.size()));
    EXPECT_EQ(end, static_cast<void*>(s.data() + s.size()));
    return s;
}

// One sample through an adapter of one colour (plain) or of Lab.
template <class T, int F>
uint16_t in1(T v)
{
    T s[3] = {v, v, v};
    uint16_t w[3];
    In<T, F>::Unpack(s, w, 3);
    return w[0];
}

template <class T, int F>
T out1(uint16_t w)
{
    const uint16_t ws[3] = {w, w, w};
    T s[3];
    Out<T, F>::Pack(ws, s, 3);
    return s[0];
}

constexpr int kLab = 0x200000;

} // namespace

// 8-bit samples scale by 257 (Lab: 256) and come back exactly; packing any
// working value is monotonic and lands within 129/257 (Lab: half a step) of
// the exact quotient.
TEST(SampleAdapters, EightBitExhaustive)
{
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ((in1<uint8_t, 0>(uint8_t(v))), v * 257);
        EXPECT_EQ((out1<uint8_t, 0>(in1<uint8_t, 0>(uint8_t(v)))), v);
        EXPECT_EQ((in1<uint8_t, kLab>(uint8_t(v))), v * 256);
        EXPECT_EQ((out1<uint8_t, kLab>(in1<uint8_t, kLab>(uint8_t(v)))), v);
    }
    int previousPlain = 0, previousLab = 0;
    for (int w = 0; w < 65536; ++w) {
        const int plain = out1<uint8_t, 0>(uint16_t(w));
        const int lab = out1<uint8_t, kLab>(uint16_t(w));
        ASSERT_LE(std::abs(plain * 257 - w), 129) << w;
        ASSERT_LE(std::abs(lab * 256 - std::min(w, 0xFF00)), 128) << w;
        ASSERT_GE(plain, previousPlain) << w;
        ASSERT_GE(lab, previousLab) << w;
        previousPlain = plain;
        previousLab = lab;
    }
    EXPECT_EQ((out1<uint8_t, 0>(32896)), 128);
    EXPECT_EQ((out1<uint8_t, kLab>(0xFFFF)), 255);
}

TEST(SampleAdapters, SixteenBitExhaustive)
{
    int previous = -1;
    for (int v = 0; v < 65536; ++v) {
        ASSERT_EQ((out1<uint16_t, 0>(in1<uint16_t, 0>(uint16_t(v)))), v);
        const int w = in1<uint16_t, kLab>(uint16_t(v));
        ASSERT_EQ(w, int(std::floor(v * 256.0 / 257.0 + 0.5))) << v;
        ASSERT_GE(w, previous) << v;
        previous = w;
        const int back = out1<uint16_t, kLab>(uint16_t(w));
        ASSERT_LE(std::abs(back - v), 1) << v;
    }
    // Packing lands on the nearest stored step of 256/257.
    for (int w = 0; w <= 0xFF00; ++w)
        ASSERT_LE(std::abs(int(out1<uint16_t, kLab>(uint16_t(w))) * 256 - w * 257), 128) << w;
    EXPECT_EQ((in1<uint16_t, kLab>(65535)), 65280);
    EXPECT_EQ((out1<uint16_t, kLab>(0xFF00)), 65535);
    EXPECT_EQ((out1<uint16_t, kLab>(0xFFFF)), 65535);
}

TEST(SampleAdapters, FloatSpecials)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float v;
        uint16_t plain, lab;
    } cases[] = {
        {nan, 0, 0},           {-nan, 0, 0},         {inf, 65535, 65535}, {-inf, 0, 0},
        {1e30f, 65535, 65535}, {-1e30f, 0, 0},       {-0.2f, 0, 0},       {0.5f, 32768, 32640},
        {1.0f, 65535, 65280},  {1.5f, 65535, 65535}, {0.0f, 0, 0},        {-0.0f, 0, 0},
        {128.0f / 255.0f, 32896, 0x8000}, {100.6f / 65280.0f, 101, 101},
    };
    for (const auto& c : cases) {
        EXPECT_EQ((in1<float, 0>(c.v)), c.plain) << c.v;
        EXPECT_EQ((in1<float, kLab>(c.v)), c.lab) << c.v;
    }
    EXPECT_EQ((out1<float, 0>(65535)), 1.0f);
    EXPECT_EQ((out1<float, kLab>(0xFF01)), 1.0f);
    EXPECT_EQ((out1<float, kLab>(0xFFFF)), 1.0f);
    // Every working value survives a float round trip, and every float Lab
    // sample the processors write comes back from its code (a float Lab
    // channel may be kept as codes).
    for (int w = 0; w < 65536; ++w) {
        ASSERT_EQ((in1<float, 0>(out1<float, 0>(uint16_t(w)))), w);
        if (w <= 0xFF00) {
            ASSERT_EQ((in1<float, kLab>(out1<float, kLab>(uint16_t(w)))), w);
        }
        const float lab = out1<float, kLab>(uint16_t(w));
        ASSERT_EQ(DataStorage::floatLabFromWork(DataStorage::floatLabToWork(lab)), lab) << w;
    }
}

TEST(SampleAdapters, OrdersOfAFourSamplePixel)
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

TEST(SampleAdapters, GrayWidensToThreeWorkingSamples)
{
    EXPECT_EQ((unpack<uint8_t, 0x100000>({10, 200}, 2)), (std::vector<uint16_t>{2570, 2570, 2570, 200 * 257}));
    EXPECT_EQ((unpack<uint16_t, 0x100400>({7, 9}, 2)), (std::vector<uint16_t>{9, 9, 9, 7}));
    EXPECT_EQ((unpack<float, 0x100000>({0.5f}, 2)), (std::vector<uint16_t>{32768, 32768, 32768}));
}

TEST(SampleAdapters, LabScalingAndExtras)
{
    EXPECT_EQ((unpack<uint8_t, kLab>({255, 128, 128, 255})), (std::vector<uint16_t>{65280, 32768, 32768, 65535}));
    EXPECT_EQ((pack<uint8_t, kLab>({65280, 32768, 0xFFFF, 65535})), (std::vector<uint8_t>{255, 128, 255, 255}));
    EXPECT_EQ((unpack<float, kLab | 0xC00>({0.0f, 128.0f / 255.0f, 1.0f, 0.5f})),
              (std::vector<uint16_t>{65280, 32768, 0, 32768}));
    EXPECT_EQ((pack<uint16_t, kLab | 0x400>({0xFF00, 0x8000, 0, 7})), (std::vector<uint16_t>{7, 0, 32896, 65535}));
    EXPECT_EQ((unpack<uint16_t, kLab | 0x800>({1, 65535, 0, 65535})), (std::vector<uint16_t>{65280, 0, 65280, 1}));
}
