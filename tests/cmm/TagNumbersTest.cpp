#include "IccTestUtil.h"

#include "cmm/GammaTable.h"
#include "cmm/TagClasses.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

using namespace Nuvra::CMM;
using namespace Nuvra::CMM::Test;

TEST(XYZTag, ReadsScalesAndRoundTrips)
{
    struct Case {
        const char* what;
        QByteArray body;
        float x, y, z;
    };
    const Case cases[] = {
        {"D50", Bytes().sig("XYZ ").u32(0).s15(0.9642).s15(1.0).s15(0.8249), 0.9642f, 1.0f, 0.8249f},
        {"old type word", Bytes().u32(0x07C3B10C).u32(0).s15(0.5).s15(0.25).s15(0.125), 0.5f, 0.25f, 0.125f},
        // Percentages: all three above 2.0, scaled by 0.1 until they are not.
        {"percent", Bytes().sig("XYZ ").u32(0).s15(96.42).s15(100.0).s15(82.49), 0.9642f, 1.0f, 0.8249f},
        // One value at or below 2.0 stops the scaling.
        {"mixed", Bytes().sig("XYZ ").u32(0).s15(30.0).s15(1.5).s15(40.0), 30.0f, 1.5f, 40.0f},
    };
    for (const Case& c : cases) {
        void* obj = ReadTag(Sig::Wtpt, c.body);
        ASSERT_NE(obj, nullptr) << c.what;
        const sCIEXYZ& v = *static_cast<sCIEXYZ*>(obj);
        EXPECT_NEAR(v.X, c.x, 2e-4) << c.what;
        EXPECT_NEAR(v.Y, c.y, 2e-4) << c.what;
        EXPECT_NEAR(v.Z, c.z, 2e-4) << c.what;
        const QByteArray written = WriteTag(Sig::Wtpt, obj);
        DestroyTag(Sig::Wtpt, obj);
        void* again = ReadTag(Sig::Wtpt, written);
        ASSERT_NE(again, nullptr);
        EXPECT_NEAR(static_cast<sCIEXYZ*>(again)->X, c.x, 2e-4) << c.what;
        DestroyTag(Sig::Wtpt, again);
    }
    LogCapture log;
    EXPECT_EQ(ReadTag(Sig::Wtpt, Bytes().sig("curv").u32(0).zeros(12)), nullptr);
    EXPECT_TRUE(log.contains("Bad tag signature 63757276 found")) << log.joined();
}

TEST(ChadTag, SizeMustHoldNineNumbers)
{
    Bytes body;
    body.sig("sf32").u32(0);
    const double m[9] = {1.0479, 0.0229, -0.0502, 0.0296, 0.9904, -0.0171, -0.0092, 0.0151, 0.7519};
    for (double v : m)
        body.s15(v);
    void* obj = ReadTag(Sig::Chad, body);
    ASSERT_NE(obj, nullptr);
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(static_cast<sChadMatrix*>(obj)->m[i], m[i], 1e-4);
    EXPECT_EQ(WriteTag(Sig::Chad, obj), QByteArray(body));
    DestroyTag(Sig::Chad, obj);

    struct Case {
        int size;
        const char* message;
    };
    const Case bad[] = {{56, "Bad array size of 4 entries."}, {40, "Bad array size of 3 entries."}};
    for (const Case& c : bad) {
        LogCapture log;
        QByteArray b = QByteArray(body).leftJustified(c.size, '\0', true);
        EXPECT_EQ(ReadTag(Sig::Chad, b), nullptr) << c.size;
        EXPECT_TRUE(log.contains(c.message)) << log.joined();
    }
}

TEST(ChrmTag, ThreeChannelsOnly)
{
    const QByteArray body = Bytes().sig("chrm").u32(0).u16(3).u16(2).s15(0.64).s15(0.33).s15(0.30).s15(0.60)
                                .s15(0.15).s15(0.06);
    void* obj = ReadTag(Sig::Chrm, body);
    ASSERT_NE(obj, nullptr);
    const sCIExyYTriple& t = *static_cast<sCIExyYTriple*>(obj);
    EXPECT_NEAR(t.red.x, 0.64, 1e-4);
    EXPECT_NEAR(t.green.y, 0.60, 1e-4);
    EXPECT_NEAR(t.blue.x, 0.15, 1e-4);
    EXPECT_FLOAT_EQ(t.blue.Y, 1.0f);
    // The writer stores phosphor type 0.
    QByteArray expected(body);
    expected[11] = 0;
    EXPECT_EQ(WriteTag(Sig::Chrm, obj), expected);
    DestroyTag(Sig::Chrm, obj);

    LogCapture log;
    EXPECT_EQ(ReadTag(Sig::Chrm, Bytes().sig("chrm").u32(0).u16(4).u16(0).zeros(32)), nullptr);
    EXPECT_TRUE(log.contains("Bad channels count 4.")) << log.joined();
}

TEST(DateTimeTag, LocalTimeRoundTrip)
{
    const QByteArray body = Bytes().sig("dtim").u32(0).u16(2019).u16(12).u16(31).u16(23).u16(59).u16(58);
    void* obj = ReadTag(Sig::Calt, body);
    ASSERT_NE(obj, nullptr);
    const QDateTime& dt = *static_cast<QDateTime*>(obj);
    EXPECT_EQ(dt.date(), QDate(2019, 12, 31));
    EXPECT_EQ(dt.time(), QTime(23, 59, 58));
    EXPECT_EQ(dt.timeSpec(), Qt::LocalTime);
    EXPECT_EQ(WriteTag(Sig::Calt, obj), body);
    DestroyTag(Sig::Calt, obj);
}

TEST(UnknownTag, RawBytesRoundTripAndCopy)
{
    const QByteArray body = Bytes().sig("ncl2").u32(0).raw("named colours").u8(7);
    const uint32_t sig = icSig("ncl2");
    void* obj = ReadTag(sig, body);
    ASSERT_NE(obj, nullptr);
    const sUnknownTag* tag = static_cast<sUnknownTag*>(obj);
    EXPECT_EQ(tag->marker, sUnknownTag::kMarker);
    ASSERT_EQ(tag->size, uint64_t(body.size()));
    EXPECT_EQ(0, std::memcmp(tag->bytes(), body.constData(), size_t(body.size())));
    void* copy = Tag2ClassAction(sig, TagCopy, obj, 0);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(WriteTag(sig, copy), body);
    DestroyTag(sig, copy);
    DestroyTag(sig, obj);
}

TEST(UnknownTag, CopyOfAForeignBlockFailsWithoutEndingTheProcess)
{
    struct {
        uint32_t marker = 0x12345678;
        uint64_t size = 4;
    } fake;
    LogCapture log;
    EXPECT_EQ(Tag2ClassAction(icSig("zzzz"), TagCopy, &fake, 0), nullptr);
    EXPECT_FALSE(log.lines().isEmpty());
}

// Writers round half away from zero and saturate at the ends of each format.
TEST(FixedPointWriters, RoundHalfAwayAndSaturate)
{
    struct Case {
        double v;
        int32_t s15;
        uint32_t u16;
    };
    const Case cases[] = {
        {1.0, 65536, 65536},
        {0.5 / 65536, 1, 1},
        {-0.5 / 65536, -1, 0},
        {1.5 / 65536, 2, 2},
        {-2.5 / 65536, -3, 0},
        {0.4 / 65536, 0, 0},
        {0.9642, 63190, 63190},
        {-0.9642, -63190, 0},
        {32768.0, INT32_MAX, 32768u * 65536u},
        {-32768.0, INT32_MIN, 0},
        {1e12, INT32_MAX, UINT32_MAX},
        {-1e12, INT32_MIN, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FloatToS15Fixed16(c.v), c.s15) << c.v;
        EXPECT_EQ(FloatToU16Fixed16(c.v), c.u16) << c.v;
    }
    // A built gamma is written as round(gamma x 256) within 16 bits.
    struct Gamma {
        float gamma;
        uint16_t stored;
    };
    for (const Gamma& g : {Gamma{2.2f, 563}, Gamma{1.501953125f, 385}, Gamma{300.0f, 65535}, Gamma{-1.0f, 0}}) {
        cGammaTable curve;
        curve.Build(16, 1, &g.gamma);
        ASSERT_FALSE(curve.table.empty()) << g.gamma;
        EXPECT_EQ(WriteTag(Sig::KTRC, &curve), QByteArray(Bytes().sig("curv").u32(0).u32(1).u16(g.stored))) << g.gamma;
    }
}
