#include "IccTestUtil.h"

#include "cmm/GammaTable.h"
#include "cmm/LUT.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Nuvra::CMM;
using namespace Nuvra::CMM::Test;

namespace {

cProfile::ptr_t profileOf(uint32_t version, uint32_t space, uint32_t pcs)
{
    cProfile::ptr_t p(new cProfile);
    p->setVersion(version);
    p->setColorSpace(icColorSpaceSignature(space));
    p->setPCS(pcs);
    return p;
}

// Reads a tag and returns it as T, or null; the caller owns the result.
template <class T>
std::unique_ptr<T> read(uint32_t sig, const QByteArray& body, cProfile* p = nullptr)
{
    return std::unique_ptr<T>(static_cast<T*>(ReadTag(sig, body, p)));
}

Bytes identityMatrix(Bytes b)
{
    for (int i = 0; i < 9; ++i)
        b.s15(i % 4 == 0 ? 1.0 : 0.0);
    return b;
}

// An 'mft1' of the given shape whose tables hold `table(i)` and grid bytes `grid(i)`.
QByteArray mft1(int in, int out, int points, uint8_t (*table)(int), uint8_t (*grid)(int))
{
    Bytes b;
    b.sig("mft1").u32(0).u8(uint8_t(in)).u8(uint8_t(out)).u8(uint8_t(points)).u8(0);
    b = identityMatrix(b);
    for (int t = 0; t < in; ++t)
        for (int i = 0; i < 256; ++i)
            b.u8(table(i));
    int n = out;
    for (int i = 0; i < in; ++i)
        n *= points;
    for (int i = 0; i < n; ++i)
        b.u8(grid(i));
    for (int t = 0; t < out; ++t)
        for (int i = 0; i < 256; ++i)
            b.u8(uint8_t(i));
    return b;
}

uint8_t identity8(int i) { return uint8_t(i); }
uint8_t squared8(int i) { return uint8_t(i * i / 255); }
uint8_t pattern8(int i) { return uint8_t(i * 37 + 11); }

QByteArray curv(std::initializer_list<uint16_t> entries)
{
    Bytes b;
    b.sig("curv").u32(0).u32(uint32_t(entries.size()));
    for (uint16_t v : entries)
        b.u16(v);
    return b;
}

} // namespace

TEST(CurveTag, CurvAndParaForms)
{
    auto identity = read<cGammaTable>(Sig::RTRC, curv({}));
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->table, (std::vector<uint16_t>{0, 65535}));

    auto gamma = read<cGammaTable>(Sig::RTRC, Bytes().sig("curv").u32(0).u32(1).u16(0x0233));
    ASSERT_TRUE(gamma);
    EXPECT_EQ(gamma->type, 1);
    EXPECT_FLOAT_EQ(gamma->params[0], 2.19921875f);
    EXPECT_EQ(gamma->table.size(), 4096u);

    auto table = read<cGammaTable>(Sig::RTRC, curv({0, 100, 40000, 65535}));
    ASSERT_TRUE(table);
    EXPECT_EQ(table->type, 0);
    EXPECT_EQ(table->crc, table->CalcCrc32());
    EXPECT_EQ(table->table[2], 40000);

    // 'para' of every type carries its own number of parameters.
    const double p[7] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045, 0.01, 0.02};
    const int counts[5] = {1, 3, 4, 5, 7};
    for (int type = 0; type < 5; ++type) {
        Bytes b;
        b.sig("para").u32(0).u16(uint16_t(type)).u16(0);
        for (int i = 0; i < counts[type]; ++i)
            b.s15(p[i]);
        auto c = read<cGammaTable>(Sig::KTRC, b);
        ASSERT_TRUE(c) << type;
        EXPECT_EQ(c->type, type + 1);
        EXPECT_EQ(c->table.size(), 4096u);
        EXPECT_NEAR(c->params[counts[type] - 1], p[counts[type] - 1], 1e-4) << type;
        for (int i = counts[type]; i < 10; ++i)
            EXPECT_EQ(c->params[i], 0.0f) << type;
        // Version 4 writes it back as 'para' with the same parameters.
        cProfile::ptr_t v4 = profileOf(0x04200000, icSigRgbData, Sig::XYZ);
        if (type > 0) {
            EXPECT_EQ(WriteTag(Sig::KTRC, c.get(), v4.get()), QByteArray(b)) << type;
        }
    }

    // Without a slope the formula is a constant, (b)^g: a curve, not a failure.
    auto flat = read<cGammaTable>(Sig::KTRC, Bytes().sig("para").u32(0).u16(1).u16(0).s15(2.0).s15(0.0).s15(0.5));
    ASSERT_TRUE(flat);
    EXPECT_EQ(flat->table.size(), 4096u);
    EXPECT_NEAR(flat->table.front(), 16384, 1);
    EXPECT_NEAR(flat->table.back(), 16384, 1);
}

TEST(CurveTag, RefusedForms)
{
    struct Case {
        const char* what;
        QByteArray body;
        const char* message;
    };
    const Case cases[] = {
        {"count 0x10000", Bytes().sig("curv").u32(0).u32(0x10000), "Too large curve table: 65536 items."},
        {"count beyond the tag", Bytes().sig("curv").u32(0).u32(3000).u16(1).u16(2), "runs past its tag"},
        {"para type 5", Bytes().sig("para").u32(0).u16(5).u16(0).zeros(28), "Unknown parametric curve type '5' found."},
        {"para short", Bytes().sig("para").u32(0).u16(4).u16(0).s15(2.2), "Truncated 'rTRC' tag"},
        {"other type", Bytes().sig("XYZ ").u32(0).zeros(12), "Bad tag signature 58595a20 found"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        EXPECT_EQ(ReadTag(Sig::RTRC, c.body), nullptr) << c.what;
        EXPECT_TRUE(log.contains(c.message)) << c.what << ": " << log.joined();
    }
}

TEST(LUTTag, Lut8TablesGridAndLabFixup)
{
    // Identity input tables (each byte b stored as b x 257) leave no table stage.
    cProfile::ptr_t rgb = profileOf(0x02100000, icSigRgbData, Sig::XYZ);
    auto plain = read<cLUT>(Sig::A2B0, mft1(3, 3, 2, identity8, pattern8), rgb.get());
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->flags & LUT_InputTables);
    EXPECT_EQ(plain->gridSamples[1], uint16_t(pattern8(1) * 257));

    auto curved = read<cLUT>(Sig::A2B0, mft1(3, 3, 2, squared8, pattern8), rgb.get());
    ASSERT_TRUE(curved);
    EXPECT_TRUE(curved->flags & LUT_InputTables);
    EXPECT_EQ(curved->inputTables[0].table.size(), 256u);

    // A CMYK to Lab table keeps the high byte only: b << 8.
    cProfile::ptr_t cmyk = profileOf(0x02100000, icSigCmykData, Sig::Lab);
    auto a2b = read<cLUT>(Sig::A2B0, mft1(4, 3, 2, identity8, pattern8), cmyk.get());
    ASSERT_TRUE(a2b);
    for (size_t i = 0; i < a2b->gridSamples.size(); ++i)
        EXPECT_EQ(a2b->gridSamples[i], uint16_t(pattern8(int(i)) << 8)) << i;

    // Lab input: the matrix becomes 257/256 so 0xFF00 reaches the last node.
    auto b2a = read<cLUT>(Sig::B2A0, mft1(3, 4, 2, identity8, pattern8), cmyk.get());
    ASSERT_TRUE(b2a);
    EXPECT_EQ(b2a->gridSamples[1], uint16_t(pattern8(1) * 257));
    if (b2a->flags & LUT_Matrix) {
        EXPECT_EQ(b2a->matrix.m[0], 0x10100);
    }
}

TEST(LUTTag, RefusedShapes)
{
    cProfile::ptr_t rgb = profileOf(0x02100000, icSigRgbData, Sig::XYZ);
    cProfile::ptr_t rgbLab4 = profileOf(0x04200000, icSigRgbData, Sig::Lab);
    Bytes lut16Head;
    lut16Head.sig("mft2").u32(0);
    auto lut16 = [](int in, int out, int points, int n, int m) {
        Bytes b;
        b.sig("mft2").u32(0).u8(uint8_t(in)).u8(uint8_t(out)).u8(uint8_t(points)).u8(0);
        b = identityMatrix(b);
        b.u16(uint16_t(n)).u16(uint16_t(m));
        return b;
    };
    auto mAB = [](int in, int out, uint32_t clut) {
        Bytes b;
        b.sig("mAB ").u32(0).u8(uint8_t(in)).u8(uint8_t(out)).u16(0).u32(0).u32(0).u32(0).u32(clut).u32(0);
        return b;
    };
    struct Case {
        const char* what;
        uint32_t sig;
        QByteArray body;
        const char* message;
    };
    const Case cases[] = {
        {"lut16 table of one entry", Sig::A2B0, Bytes(lut16(3, 3, 2, 1, 2)).zeros(100), "LUT16 tables of 1 and 2 entries"},
        {"lut16 one grid point", Sig::A2B0, Bytes(lut16(3, 3, 1, 0, 0)).zeros(100), "Invalid CLUT grid of 1 points"},
        {"lut16 huge grid", Sig::A2B0, Bytes(lut16(15, 15, 255, 0, 0)).zeros(100), "does not fit its tag"},
        {"lut16 huge tables", Sig::A2B0, Bytes(lut16(3, 3, 2, 65535, 65535)).zeros(100), "LUT16 tables run past"},
        {"lut16 seventeen inputs", Sig::A2B0, Bytes(lut16(17, 3, 2, 0, 0)).zeros(100), "Bad LUT channel counts 17 -> 3"},
        {"lut16 no inputs", Sig::A2B0, Bytes(lut16(0, 3, 2, 0, 0)).zeros(100), "Bad LUT channel counts 0 -> 3"},
        {"lut16 two inputs", Sig::A2B0, Bytes(lut16(2, 3, 2, 0, 0)).zeros(24), "cannot be evaluated"},
        {"lut16 nine inputs", Sig::A2B0, Bytes(lut16(9, 3, 2, 0, 0)).zeros(3072), "cannot be evaluated"},
        {"lut16 channels of another space", Sig::A2B0, Bytes(lut16(4, 3, 2, 0, 0)).zeros(96),
         "does not fit a profile of 3 and 3"},
        {"lut8 grid past the tag", Sig::A2B0, mft1(3, 3, 2, identity8, pattern8).left(900), "LUT8 tables run past their tag"},
        {"mAB grid offset past the tag", Sig::A2B0, mAB(3, 3, 0x100000), "lies outside its tag"},
        {"mAB grid header cut", Sig::A2B0, Bytes(mAB(3, 3, 32)).zeros(10), "Invalid CLUT structure"},
        {"mAB precision 3", Sig::A2B0, Bytes(mAB(3, 3, 32)).u8(2).u8(2).u8(2).zeros(13).u8(3).zeros(3).zeros(48),
         "Unknow CLUT precission of 3"},
        {"mAB non-uniform grid", Sig::A2B0, Bytes(mAB(3, 3, 32)).u8(2).u8(3).u8(2).zeros(13).u8(2).zeros(3).zeros(96),
         "Non-uniform CLUT grids"},
        {"mAB grid of one point", Sig::A2B0, Bytes(mAB(3, 3, 32)).u8(1).u8(1).u8(1).zeros(13).u8(2).zeros(3).zeros(6),
         "Invalid CLUT grid of 1 points"},
        {"unknown LUT type", Sig::A2B0, Bytes().sig("mft3").u32(0).zeros(40), "Bad tag signature 6d667433 found"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        cProfile* p = QByteArray(c.what).startsWith("mAB") ? rgbLab4.get() : rgb.get();
        EXPECT_EQ(ReadTag(c.sig, c.body, p), nullptr) << c.what;
        EXPECT_TRUE(log.contains(c.message)) << c.what << ": " << log.joined();
    }
}

// Curves inside 'mAB ' start on 4-byte boundaries counted from the tag's
// start, wherever the tag sits in the file.
TEST(LUTTag, CurvePaddingIsRelativeToTheTag)
{
    Bytes body;
    body.sig("mAB ").u32(0).u8(3).u8(3).u16(0);
    const uint32_t bOffset = 32;
    body.u32(bOffset).u32(0).u32(0).u32(0).u32(0);
    // Three curves of 1, 3 and 2 entries: 14, 18 and 16 bytes, padded to 4.
    body.raw(curv({0x0100})).pad4().raw(curv({0, 0x4000, 65535})).pad4().raw(curv({65535, 0}));

    for (int misalign : {0, 2}) {
        // The LUT tag sits `misalign` bytes off a 4-byte boundary in the file.
        std::vector<TagSpec> tags{{Sig::Desc, Bytes().sig("desc").u32(0).u32(2).raw("x").u8(0).zeros(78)},
                                  {Sig::A2B0, body, -1, misalign}};
        const QByteArray all = BuildProfile(HeaderFields(), tags);
        cProfile::ptr_t p(new cProfile);
        LogCapture log;
        ASSERT_TRUE(LoadBytes(*p, all)) << misalign << ": " << log.joined();
        const cLUT* lut = p->TagAs<cLUT>(Sig::A2B0);
        ASSERT_NE(lut, nullptr);
        // B curves of an 'mAB ' are its output tables, resampled to 4096 (the gamma).
        ASSERT_TRUE(lut->flags & LUT_OutputTables);
        EXPECT_EQ(lut->outputTables[2].table.front(), 65535) << misalign;
        EXPECT_EQ(lut->outputTables[2].table.back(), 0) << misalign;
        EXPECT_NEAR(lut->outputTables[1].table[lut->outputTables[1].table.size() / 2], 0x4000, 64) << misalign;
    }
}
