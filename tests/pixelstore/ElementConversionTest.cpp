#include "pixelstore/ChannelType.h"
#include "pixelstore/ElementConversion.h"
#include "pixelstore/SimdConversion.h"

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace Nuvra::DataStorage;

namespace {

constexpr int kU8 = kTypeU8;
constexpr int kU16 = kTypeU16;
constexpr int kFloat = kTypeFloat;
constexpr int kDouble = kTypeDouble;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

using Simd::Kernels;

std::string kernelsName(const testing::TestParamInfo<Kernels>& info)
{
    return info.param == Kernels::Plain ? "Plain" : info.param == Kernels::Sse2 ? "Sse2" : "Widest";
}

const auto kAllKernels = testing::Values(Kernels::Plain, Kernels::Sse2, Kernels::Any);

// Runs each test with the plain rule forced, with the SSE2 kernels, and with
// the widest kernels this processor offers.
class Conversion : public testing::TestWithParam<Kernels> {
protected:
    void SetUp() override { Simd::limitKernels(GetParam()); }
    void TearDown() override { Simd::limitKernels(Kernels::Any); }

    template <class D, class S>
    static std::vector<D> convert(const std::vector<S>& src, int dstType, int srcType)
    {
        std::vector<D> dst(src.size());
        EXPECT_TRUE(convertMemory(dst.data(), src.data(), dstType, srcType, int(src.size())));
        return dst;
    }
};

INSTANTIATE_TEST_SUITE_P(AllKernels, Conversion, kAllKernels, kernelsName);

template <class T>
std::vector<T> allValues()
{
    std::vector<T> v(size_t(std::numeric_limits<T>::max()) + 1);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = T(i);
    return v;
}

// Independent reference for float and double to integer: scale in the
// source's precision, NaN and negatives to 0, saturate, then round to
// nearest-even with the C library.
template <class F>
long referenceRound(F x, F maxValue)
{
    const F v = x * maxValue;
    if (std::isnan(v) || v <= 0)
        return 0;
    if (v >= maxValue)
        return long(maxValue);
    return long(std::nearbyint(v));
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST_P(Conversion, EightBitSourceEveryValue)
{
    const std::vector<uint8_t> src = allValues<uint8_t>();
    const auto u16 = convert<uint16_t>(src, kU16, kU8);
    const auto f = convert<float>(src, kFloat, kU8);
    const auto d = convert<double>(src, kDouble, kU8);
    const auto u8 = convert<uint8_t>(src, kU8, kU8);
    const auto backFromFloat = convert<uint8_t>(f, kU8, kFloat);
    const auto backFromU16 = convert<uint8_t>(u16, kU8, kU16);
    const auto backFromDouble = convert<uint8_t>(d, kU8, kDouble);
    for (unsigned x = 0; x < 256; ++x) {
        SCOPED_TRACE(x);
        EXPECT_EQ(u16[x], (x << 8) | x);
        // One single-precision multiply by 1/255: the exact product of x and
        // the float scale, rounded once (a division would differ for some x).
        EXPECT_EQ(f[x], float(double(x) * double(0.003921569f)));
        EXPECT_NEAR(d[x], x / 255.0, 1e-15);
        EXPECT_EQ(u8[x], x);
        EXPECT_EQ(backFromFloat[x], x);
        EXPECT_EQ(backFromU16[x], x);
        EXPECT_EQ(backFromDouble[x], x);
    }
    EXPECT_EQ(f[255], 1.0f);
    EXPECT_EQ(d[255], 1.0);
}

TEST_P(Conversion, SixteenBitSourceEveryValue)
{
    const std::vector<uint16_t> src = allValues<uint16_t>();
    const auto u8 = convert<uint8_t>(src, kU8, kU16);
    const auto f = convert<float>(src, kFloat, kU16);
    const auto d = convert<double>(src, kDouble, kU16);
    const auto backFromFloat = convert<uint16_t>(f, kU16, kFloat);
    const auto backFromDouble = convert<uint16_t>(d, kU16, kDouble);
    for (unsigned x = 0; x < 65536; ++x) {
        // Within half a level (plus the one-step bias of the +127) of x / 257,
        // rounding down exactly when x + 127 falls short of the next multiple.
        ASSERT_EQ(u8[x], long(std::floor((x + 127) / 257.0))) << x;
        ASSERT_LE(std::abs(long(u8[x]) * 257 - long(x)), 129) << x;
        ASSERT_EQ(f[x], float(double(x) * double(1.5259022e-5f))) << x;
        ASSERT_NEAR(d[x], x / 65535.0, 1e-15) << x;
        ASSERT_EQ(backFromFloat[x], x) << x;
        ASSERT_EQ(backFromDouble[x], x) << x;
    }
    EXPECT_EQ(u8[127], 0);
    EXPECT_EQ(u8[129], 0);
    EXPECT_EQ(u8[130], 1);
    EXPECT_EQ(u8[65535 - 128], 254);
    EXPECT_EQ(u8[65535 - 127], 255);
    EXPECT_EQ(u8[65535], 255);
    EXPECT_EQ(f[65535], 1.0f);
    EXPECT_EQ(d[65535], 1.0);
}

// A coarse walk over every float bit pattern plus a fine walk over the
// usable range, against the C library's rounding.
TEST_P(Conversion, FloatToIntegerMatchesReference)
{
    std::vector<float> src;
    for (uint64_t bits = 0; bits <= 0xFFFFFFFFull; bits += 4093) {
        const uint32_t b = uint32_t(bits);
        float v;
        std::memcpy(&v, &b, sizeof v);
        src.push_back(v);
    }
    for (int i = -3000; i <= 70000; ++i)
        src.push_back(float(i) / 65535.0f);
    std::vector<double> srcD(src.begin(), src.end());
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> dist(-0.2, 1.2);
    for (int i = 0; i < 200000; ++i)
        srcD.push_back(dist(rng));

    ASSERT_EQ(std::fegetround(), FE_TONEAREST);
    const auto u8 = convert<uint8_t>(src, kU8, kFloat);
    const auto u16 = convert<uint16_t>(src, kU16, kFloat);
    const auto u8d = convert<uint8_t>(srcD, kU8, kDouble);
    const auto u16d = convert<uint16_t>(srcD, kU16, kDouble);
    for (size_t i = 0; i < src.size(); ++i) {
        ASSERT_EQ(u8[i], referenceRound(src[i], 255.0f)) << src[i];
        ASSERT_EQ(u16[i], referenceRound(src[i], 65535.0f)) << src[i];
    }
    for (size_t i = 0; i < srcD.size(); ++i) {
        ASSERT_EQ(u8d[i], referenceRound(srcD[i], 255.0)) << srcD[i];
        ASSERT_EQ(u16d[i], referenceRound(srcD[i], 65535.0)) << srcD[i];
    }
}

// Inputs whose scaled value is exactly k + 0.5 must round to the even neighbour.
TEST_P(Conversion, ExactTiesRoundToEven)
{
    std::vector<float> ties8, ties16;
    std::vector<long> want8, want16;
    auto collect = [](float maxValue, long k, std::vector<float>& ties, std::vector<long>& want) {
        float x = float((k + 0.5) / maxValue);
        for (int step = 0; step < 8; ++step) {
            if (x * maxValue == float(k) + 0.5f) {
                ties.push_back(x);
                want.push_back(k % 2 == 0 ? k : k + 1);
                return;
            }
            x = std::nextafter(x, (x * maxValue < float(k) + 0.5f) ? 2.0f : 0.0f);
        }
    };
    for (long k = 0; k < 255; ++k)
        collect(255.0f, k, ties8, want8);
    for (long k = 0; k < 65535; k += 7)
        collect(65535.0f, k, ties16, want16);
    ASSERT_GT(ties8.size(), 100u);
    ASSERT_GT(ties16.size(), 1000u);

    const auto u8 = convert<uint8_t>(ties8, kU8, kFloat);
    for (size_t i = 0; i < ties8.size(); ++i)
        EXPECT_EQ(u8[i], want8[i]) << ties8[i];
    const auto u16 = convert<uint16_t>(ties16, kU16, kFloat);
    for (size_t i = 0; i < ties16.size(); ++i)
        EXPECT_EQ(u16[i], want16[i]) << ties16[i];

    // 0.5 scales to 127.5 and 32767.5 exactly, in both precisions.
    EXPECT_EQ(convert<uint8_t>(std::vector<float>(17, 0.5f), kU8, kFloat), std::vector<uint8_t>(17, 128));
    EXPECT_EQ(convert<uint16_t>(std::vector<float>(17, 0.5f), kU16, kFloat), std::vector<uint16_t>(17, 32768));
    EXPECT_EQ(convert<uint8_t>(std::vector<double>(3, 0.5), kU8, kDouble), std::vector<uint8_t>(3, 128));
    EXPECT_EQ(convert<uint16_t>(std::vector<double>(3, 0.5), kU16, kDouble), std::vector<uint16_t>(3, 32768));
}

TEST_P(Conversion, OutOfRangeSaturatesAndNaNIsZero)
{
    struct Case {
        double value;
        uint8_t u8;
        uint16_t u16;
    } const cases[] = {
        {kNaN, 0, 0},
        {-kNaN, 0, 0},
        {kInf, 255, 65535},
        {-kInf, 0, 0},
        {-0.0, 0, 0},
        {-0.1, 0, 0},
        {-1e-30, 0, 0},
        {1e-30, 0, 0},
        {std::numeric_limits<float>::denorm_min(), 0, 0},
        {1.0, 255, 65535},
        {1.2, 255, 65535},
        {128.6, 255, 65535},
        {300.0, 255, 65535},
        {2147483648.0, 255, 65535},
        {-2147483648.0, 0, 0},
        {1e10, 255, 65535},
        {-1e10, 0, 0},
        {std::numeric_limits<float>::max(), 255, 65535},
        {std::numeric_limits<float>::lowest(), 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        // 16 + 5 copies: a vector round and a scalar tail.
        const std::vector<float> f(21, float(c.value));
        const std::vector<double> d(21, c.value);
        EXPECT_EQ(convert<uint8_t>(f, kU8, kFloat), std::vector<uint8_t>(21, c.u8));
        EXPECT_EQ(convert<uint16_t>(f, kU16, kFloat), std::vector<uint16_t>(21, c.u16));
        EXPECT_EQ(convert<uint8_t>(d, kU8, kDouble), std::vector<uint8_t>(21, c.u8));
        EXPECT_EQ(convert<uint16_t>(d, kU16, kDouble), std::vector<uint16_t>(21, c.u16));
    }
    // Doubles far beyond the float and 32-bit ranges.
    const std::vector<double> huge = {1e300, -1e300, std::numeric_limits<double>::infinity(), 1e20};
    EXPECT_EQ(convert<uint8_t>(huge, kU8, kDouble), (std::vector<uint8_t>{255, 0, 255, 255}));
    EXPECT_EQ(convert<uint16_t>(huge, kU16, kDouble), (std::vector<uint16_t>{65535, 0, 65535, 65535}));
}

TEST_P(Conversion, FloatAndDoubleBetweenEachOther)
{
    const std::vector<float> f = {-0.0f, 0.0f, 0.1f, -1.5f, 1e-40f, kInf, -kInf, 3.0e38f};
    const auto d = convert<double>(f, kDouble, kFloat);
    for (size_t i = 0; i < f.size(); ++i)
        EXPECT_TRUE(sameBits(d[i], i == 0 ? 0.0 : double(f[i]))) << i; // negative zero becomes positive
    EXPECT_TRUE(std::isnan(convert<double>(std::vector<float>{kNaN}, kDouble, kFloat)[0]));

    const std::vector<double> d2 = {-0.0, 1.0 / 3.0, 1e300, -1e300, 1e-50, 0.1};
    const auto f2 = convert<float>(d2, kFloat, kDouble);
    const std::vector<float> want = {0.0f, float(1.0 / 3.0), kInf, -kInf, 0.0f, 0.1f};
    for (size_t i = 0; i < d2.size(); ++i)
        EXPECT_EQ(std::memcmp(&f2[i], &want[i], sizeof(float)), 0) << i;
}

TEST_P(Conversion, SameTypeAndOpaqueCopiesAreBitExact)
{
    // Same numeric type copies keep every bit, negative zero and NaN payloads included.
    const uint32_t patterns[] = {0x80000000u, 0x7FC01234u, 0xFFFFFFFFu, 0x3F800000u, 0x00000001u};
    std::vector<float> f(sizeof patterns / sizeof patterns[0]);
    std::memcpy(f.data(), patterns, sizeof patterns);
    const auto copy = convert<float>(f, kFloat, kFloat);
    EXPECT_EQ(std::memcmp(copy.data(), patterns, sizeof patterns), 0);

    // Opaque 12-byte elements: 5 elements copy 60 bytes and nothing beyond.
    std::vector<uint8_t> src(60), dst(64, 0xEE);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = uint8_t(i * 7 + 1);
    ASSERT_TRUE(convertMemory(dst.data(), src.data(), 12, 12, 5));
    EXPECT_TRUE(std::equal(src.begin(), src.end(), dst.begin()));
    EXPECT_EQ(std::vector<uint8_t>(dst.begin() + 60, dst.end()), std::vector<uint8_t>(4, 0xEE));
}

// The plain rule and every vector kernel set must agree bit for bit wherever
// runs start and end, including runs too short for a vector round.
TEST(ConversionPaths, AllKernelsIdenticalOnMisalignedRuns)
{
    if (Simd::InstructionTraits::Current() == 0)
        GTEST_SKIP() << "no vector level on this processor";
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> unit(-0.3f, 1.3f);
    const float specials[] = {kNaN, kInf, -kInf, -0.0f, 0.5f, 1.0f, 127.5f / 255.0f, 1e9f, -1e9f};
    constexpr size_t kBytes = 4100 * 8 + 64;
    std::vector<uint8_t> pool(kBytes);
    for (size_t i = 0; i < pool.size(); i += 4) {
        const float v = (i / 4) % 17 == 0 ? specials[(i / 68) % 9] : unit(rng);
        std::memcpy(&pool[i], &v, 4);
    }
    std::vector<uint8_t> intPool(pool.size());
    for (auto& b : intPool)
        b = uint8_t(rng());

    struct Pair {
        int dst, src, dstSize;
    } const pairs[] = {{kU8, kU16, 1},   {kU8, kFloat, 1},  {kU16, kU8, 2},
                       {kU16, kFloat, 2}, {kFloat, kU8, 4}, {kFloat, kU16, 4}};
    const int lengths[] = {0, 1, 7, 15, 16, 17, 31, 32, 33, 37, 64, 255, 1000, 4099};
    const Kernels kernels[] = {Kernels::Plain, Kernels::Sse2, Kernels::Any};
    constexpr uint8_t kGuard = 0xA5;

    // 32-byte aligned bases, so offset 0 is aligned for every kernel width.
    alignas(32) static uint8_t srcBuf[kBytes];
    alignas(32) static uint8_t out[3][kBytes];

    for (const Pair& p : pairs) {
        const std::vector<uint8_t>& data = p.src == kFloat ? pool : intPool;
        std::memcpy(srcBuf, data.data(), kBytes);
        for (int length : lengths) {
            for (int srcOff : {0, 1, 2, 4, 8, 13}) {
                for (int dstOff : {0, 1, 3, 4, 12}) {
                    SCOPED_TRACE(testing::Message() << "dst " << p.dst << " src " << p.src << " length " << length
                                                    << " offsets " << srcOff << "/" << dstOff);
                    for (int k = 0; k < 3; ++k) {
                        std::memset(out[k], kGuard, kBytes);
                        Simd::limitKernels(kernels[k]);
                        const bool ok = convertMemory(out[k] + dstOff, srcBuf + srcOff, p.dst, p.src, length);
                        Simd::limitKernels(Kernels::Any);
                        ASSERT_TRUE(ok);
                    }
                    ASSERT_EQ(std::memcmp(out[0], out[1], kBytes), 0) << "SSE2 differs from plain";
                    ASSERT_EQ(std::memcmp(out[0], out[2], kBytes), 0) << "widest differs from plain";
                    // Nothing before or after the run is touched.
                    const size_t end = size_t(dstOff) + size_t(length) * p.dstSize;
                    for (size_t i = 0; i < kBytes; ++i) {
                        if (i < size_t(dstOff) || i >= end) {
                            ASSERT_EQ(out[0][i], kGuard) << i;
                        }
                    }
                }
            }
        }
    }
}

// Four-byte pixels against four float rows: every kernel set gives the
// element rule's values lane for lane, wherever runs end, with rows left out
// (split leaves them alone, join writes their fixed sample), and nothing
// beyond the run is touched.
TEST(ConversionPaths, FourBytePixelsSplitAndJoinByTheElementRules)
{
    const float specials[] = {kNaN, kInf, -kInf, -0.0f, 0.5f / 255.0f, 1.5f / 255.0f, 127.5f / 255.0f, 1.0f, 1.2f, -0.2f};
    constexpr int kMax = 100;
    std::vector<uint8_t> pixels(kMax * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t(i * 37 + 11);  // all 256 values over the lanes
    std::vector<float> planes[4];
    for (int k = 0; k < 4; ++k) {
        planes[k].resize(kMax);
        for (int i = 0; i < kMax; ++i)
            planes[k][size_t(i)] = (i + k) % 3 == 0 ? specials[size_t(i + k) % 10] : float((i * 53 + k * 7) % 256) / 255.0f;
    }
    const uint8_t fill[4] = {0xF1, 0xF2, 0xF3, 0xF4};
    constexpr float kGuardFloat = -7.0f;
    constexpr uint8_t kGuardByte = 0xA5;
    for (const unsigned present : {0xFu, 0xEu, 0x5u, 0x8u, 0x0u}) {
        for (const int count : {0, 1, 15, 16, 17, 33, 64, 99}) {
            for (const Kernels kernels : {Kernels::Plain, Kernels::Sse2, Kernels::Any}) {
                SCOPED_TRACE(testing::Message() << "rows " << present << " count " << count << " kernels "
                                                << int(kernels));
                Simd::limitKernels(kernels);
                std::vector<float> split[4];
                float* splitRows[4] = {};
                const float* joinRows[4] = {};
                for (int k = 0; k < 4; ++k) {
                    split[k].assign(kMax, kGuardFloat);
                    if (present & (1u << k)) {
                        splitRows[k] = split[k].data();
                        joinRows[k] = planes[k].data();
                    }
                }
                splitPixelsU8x4(splitRows, pixels.data(), count);
                std::vector<uint8_t> joined(kMax * 4, kGuardByte);
                joinPixelsU8x4(joined.data(), joinRows, fill, count);
                Simd::limitKernels(Kernels::Any);

                for (int k = 0; k < 4; ++k) {
                    for (int i = 0; i < kMax; ++i) {
                        float want = kGuardFloat;
                        if ((present & (1u << k)) && i < count) {
                            ASSERT_TRUE(convertMemory(&want, &pixels[size_t(i) * 4 + size_t(k)], kFloat, kU8, 1));
                        }
                        ASSERT_EQ(std::memcmp(&split[k][size_t(i)], &want, 4), 0) << "split lane " << k << " at " << i;
                        uint8_t byte = kGuardByte;
                        if (i < count) {
                            byte = fill[k];
                            if (present & (1u << k)) {
                                ASSERT_TRUE(convertMemory(&byte, &planes[k][size_t(i)], kU8, kFloat, 1));
                            }
                        }
                        ASSERT_EQ(joined[size_t(i) * 4 + size_t(k)], byte) << "join lane " << k << " at " << i;
                    }
                }
            }
        }
    }
}

// Four-byte pixels against four 8-bit rows move bytes alike on every kernel
// set, with rows left out as above.
TEST(ConversionPaths, FourBytePixelsSplitAndJoinBytes)
{
    constexpr int kMax = 100;
    std::vector<uint8_t> pixels(kMax * 4), planes[4];
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t(i * 37 + 11);
    for (int k = 0; k < 4; ++k) {
        planes[k].resize(kMax);
        for (int i = 0; i < kMax; ++i)
            planes[k][size_t(i)] = uint8_t(i * 53 + k * 7);
    }
    const uint8_t fill[4] = {0xF1, 0xF2, 0xF3, 0xF4};
    constexpr uint8_t kGuard = 0xA5;
    for (const unsigned present : {0xFu, 0xEu, 0x5u, 0x8u, 0x0u}) {
        for (const int count : {0, 1, 15, 16, 17, 33, 64, 99}) {
            for (const Kernels kernels : {Kernels::Plain, Kernels::Sse2, Kernels::Any}) {
                SCOPED_TRACE(testing::Message() << "rows " << present << " count " << count << " kernels "
                                                << int(kernels));
                Simd::limitKernels(kernels);
                std::vector<uint8_t> split[4];
                uint8_t* splitRows[4] = {};
                const uint8_t* joinRows[4] = {};
                for (int k = 0; k < 4; ++k) {
                    split[k].assign(kMax, kGuard);
                    if (present & (1u << k)) {
                        splitRows[k] = split[k].data();
                        joinRows[k] = planes[k].data();
                    }
                }
                splitPixelsU8x4(splitRows, pixels.data(), count);
                std::vector<uint8_t> joined(kMax * 4, kGuard);
                joinPixelsU8x4(joined.data(), joinRows, fill, count);
                Simd::limitKernels(Kernels::Any);
                for (int k = 0; k < 4; ++k)
                    for (int i = 0; i < kMax; ++i) {
                        const bool in = i < count, row = (present & (1u << k)) != 0;
                        ASSERT_EQ(split[k][size_t(i)], in && row ? pixels[size_t(i) * 4 + size_t(k)] : kGuard)
                            << "split lane " << k << " at " << i;
                        ASSERT_EQ(joined[size_t(i) * 4 + size_t(k)], !in ? kGuard : row ? planes[k][size_t(i)] : fill[k])
                            << "join lane " << k << " at " << i;
                    }
            }
        }
    }
}

TEST(ConversionPaths, ProcessorLevelAndSwitches)
{
#if defined(__x86_64__)
    // Every x86-64 processor has SSE2.
    EXPECT_EQ(Simd::InstructionTraits::Current(), 1);
#endif
    const char* env = std::getenv("MORVELIN_FORCE_PLAIN");
    const int level = env && std::string(env) == "1" ? 0 : Simd::InstructionTraits::Current();
    EXPECT_EQ(Simd::activeLevel(), level);
    Simd::limitKernels(Kernels::Plain);
    EXPECT_EQ(Simd::activeLevel(), 0);
    Simd::limitKernels(Kernels::Sse2);
    EXPECT_EQ(Simd::activeLevel(), level);
    Simd::limitKernels(Kernels::Any);
    EXPECT_EQ(Simd::activeLevel(), level);
}

// The vector form alone converts whole rounds of 16 and reports how many.
TEST(ConversionPaths, VectorFormConvertsWholeRounds)
{
    if (Simd::InstructionTraits::Current() == 0)
        GTEST_SKIP() << "no vector level on this processor";
    for (Kernels k : {Kernels::Sse2, Kernels::Any}) {
        Simd::limitKernels(k);
        std::vector<float> src(40, 0.25f);
        std::vector<uint8_t> dst(40, 0xEE);
        EXPECT_EQ((Simd::transform<1, void, uint8_t, float>::Eval(37, dst.data(), src.data())), 32);
        EXPECT_EQ(std::vector<uint8_t>(dst.begin(), dst.begin() + 32), std::vector<uint8_t>(32, 64));
        EXPECT_EQ(std::vector<uint8_t>(dst.begin() + 32, dst.end()), std::vector<uint8_t>(8, 0xEE));
        EXPECT_EQ((Simd::transform<1, void, uint8_t, float>::Eval(15, dst.data(), src.data())), 0);
        EXPECT_EQ((Simd::transform<1, void, uint8_t, double>::Eval(64, dst.data(), nullptr)), 0);
    }
    Simd::limitKernels(Kernels::Any);
}

QStringList g_messages;

void captureMessage(QtMsgType, const QMessageLogContext&, const QString& text)
{
    g_messages << text;
}

class UnsupportedPairs : public testing::Test {
protected:
    void SetUp() override
    {
        g_messages.clear();
        previous_ = qInstallMessageHandler(captureMessage);
    }
    void TearDown() override
    {
        qInstallMessageHandler(previous_);
        QLoggingCategory::setFilterRules(QString());
    }
    QtMessageHandler previous_ = nullptr;
};

TEST_F(UnsupportedPairs, FailLogAndWriteNothing)
{
    struct Case {
        int dst, src;
    } const cases[] = {
        {4, 12}, {12, 4}, {kFloat, 4}, {4, kFloat}, {kU8, 1},  {1, kU8},    {0, kU8}, {kU8, 0},
        {0, 0},  {-5, -5}, {-5, kU8},  {kU8, -5},   {3, 5},    {kDouble, 8}, {-100, -1}, {256, 256},
    };
    const std::vector<uint8_t> src(256, 0x3C);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "dst " << c.dst << " src " << c.src);
        g_messages.clear();
        std::vector<uint8_t> dst(256, 0xEE);
        EXPECT_FALSE(convertMemory(dst.data(), src.data(), c.dst, c.src, 8));
        EXPECT_FALSE(convertMemory(dst.data(), src.data(), c.dst, c.src, 0));
        EXPECT_FALSE(convertMemory2D(dst.data(), src.data(), c.dst, c.src, 4, 2, 8, 8, 32, 32));
        EXPECT_EQ(dst, std::vector<uint8_t>(256, 0xEE));
        const QString line = QString("can't convert memory for src type: %1, dst type: %2\n").arg(c.src).arg(c.dst);
        ASSERT_EQ(g_messages.size(), 3);
        EXPECT_EQ(g_messages[0], line);
    }

    // With critical output disabled on "lib.ds" the failure is silent.
    QLoggingCategory::setFilterRules("lib.ds.critical=false");
    g_messages.clear();
    std::vector<uint8_t> dst(16, 0xEE);
    EXPECT_FALSE(convertMemory(dst.data(), src.data(), 12, 4, 2));
    EXPECT_TRUE(g_messages.isEmpty());
}

TEST_F(UnsupportedPairs, EmptyRunsOfSupportedPairsSucceed)
{
    uint8_t dst = 0xEE;
    const float src = 1.0f;
    EXPECT_TRUE(convertMemory(&dst, &src, kU8, kFloat, 0));
    EXPECT_TRUE(convertMemory(&dst, &src, kU8, kFloat, -4));
    EXPECT_TRUE(convertMemory2D(&dst, &src, kU8, kFloat, 0, 5, 1, 4, 1, 4));
    EXPECT_TRUE(convertMemory2D(&dst, &src, kU8, kFloat, 5, 0, 1, 4, 5, 20));
    EXPECT_EQ(dst, 0xEE);
    EXPECT_TRUE(g_messages.isEmpty());
}

class Conversion2D : public Conversion {};
INSTANTIATE_TEST_SUITE_P(AllKernels, Conversion2D, kAllKernels, kernelsName);

// Every layout against element-by-element conversion of the same data.
TEST_P(Conversion2D, LayoutsMatchElementByElement)
{
    struct Pair {
        int dst, src, dstSize, srcSize;
    } const pairs[] = {{kU8, kFloat, 1, 4},   {kFloat, kU8, 4, 1},  {kU16, kU8, 2, 1},    {kU8, kU16, 1, 2},
                       {kU16, kFloat, 2, 4},  {kFloat, kU16, 4, 2}, {kDouble, kU16, 8, 2}, {kU8, kDouble, 1, 8},
                       {kFloat, kFloat, 4, 4}, {kU8, kU8, 1, 1},    {6, 6, 6, 6}};
    struct Layout {
        int width, height;
        int dstPixelExtra, srcPixelExtra; // bytes added to the element size
        int dstRowExtra, srcRowExtra;     // bytes added to width * pixel stride
        bool bottomUp;                    // destination rows run backwards
    } const layouts[] = {
        {37, 3, 0, 0, 0, 0, false},  // one contiguous block
        {19, 4, 0, 0, 5, 0, false},  // padded destination rows
        {33, 3, 0, 0, 0, 16, false}, // padded source rows
        {17, 5, 0, 0, 0, 0, true},   // rows in reverse order
        {9, 3, 3, 0, 0, 0, false},   // sparse destination elements
        {9, 3, 0, 5, 2, 0, false},   // sparse, misaligned source elements
        {1, 7, 1, 1, 0, 0, false},
    };
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> unit(-0.2, 1.2);
    for (const Pair& p : pairs) {
        for (const Layout& l : layouts) {
            SCOPED_TRACE(testing::Message() << "dst " << p.dst << " src " << p.src << " width " << l.width);
            const int dps = p.dstSize + l.dstPixelExtra, sps = p.srcSize + l.srcPixelExtra;
            const int drs = l.width * dps + l.dstRowExtra, srs = l.width * sps + l.srcRowExtra;
            std::vector<uint8_t> src(size_t(srs) * l.height + 8);
            for (size_t i = 0; i < src.size(); ++i)
                src[i] = uint8_t(rng());
            if (p.src == kFloat || p.src == kDouble) {
                for (int y = 0; y < l.height; ++y)
                    for (int x = 0; x < l.width; ++x) {
                        uint8_t* e = &src[size_t(y) * srs + size_t(x) * sps];
                        const double v = unit(rng);
                        const float fv = float(v);
                        p.src == kFloat ? (void)std::memcpy(e, &fv, 4) : (void)std::memcpy(e, &v, 8);
                    }
            }
            std::vector<uint8_t> got(size_t(drs) * l.height + 8, 0xEE), want(got);
            uint8_t* dstBase = got.data() + (l.bottomUp ? size_t(drs) * (l.height - 1) : 0);
            const int dstRow = l.bottomUp ? -drs : drs;
            ASSERT_TRUE(convertMemory2D(dstBase, src.data(), p.dst, p.src, l.width, l.height, dps, sps, dstRow, srs));
            Simd::limitKernels(Kernels::Plain);
            for (int y = 0; y < l.height; ++y)
                for (int x = 0; x < l.width; ++x) {
                    const int dy = l.bottomUp ? l.height - 1 - y : y;
                    ASSERT_TRUE(convertMemory(&want[size_t(dy) * drs + size_t(x) * dps],
                                              &src[size_t(y) * srs + size_t(x) * sps], p.dst, p.src, 1));
                }
            Simd::limitKernels(GetParam());
            EXPECT_EQ(got, want);
        }
    }
}

TEST_P(Conversion2D, PixelStrideLeavesBytesBetweenUntouched)
{
    const std::vector<float> src = {0.0f, 0.5f, 1.0f, 1.2f, -0.1f, 0.25f};
    std::vector<uint8_t> dst(24, 0xEE);
    // Three elements a row, two rows, every fourth byte of the destination.
    ASSERT_TRUE(convertMemory2D(dst.data(), src.data(), kU8, kFloat, 3, 2, 4, 4, 12, 12));
    const std::vector<uint8_t> want = {0,    0xEE, 0xEE, 0xEE, 128, 0xEE, 0xEE, 0xEE, 255, 0xEE, 0xEE, 0xEE,
                                       255,  0xEE, 0xEE, 0xEE, 0,   0xEE, 0xEE, 0xEE, 64,  0xEE, 0xEE, 0xEE};
    EXPECT_EQ(dst, want);
}

} // namespace
