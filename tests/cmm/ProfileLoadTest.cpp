#include "IccTestUtil.h"

#include "cmm/LUT.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Nuvra::CMM;
using namespace Nuvra::CMM::Test;

namespace {

QByteArray descTag(const char* text)
{
    return Bytes().sig("desc").u32(0).u32(uint32_t(qstrlen(text) + 1)).raw(text).u8(0).zeros(78);
}

QByteArray xyzTag(double x, double y, double z)
{
    return Bytes().sig("XYZ ").u32(0).s15(x).s15(y).s15(z);
}

QByteArray smallProfile()
{
    return BuildProfile(HeaderFields(), {{Sig::Desc, descTag("Small")}, {Sig::Wtpt, xyzTag(0.9505, 1.0, 1.089)}});
}

void put32(QByteArray& b, int at, uint32_t v)
{
    b[at] = char(v >> 24);
    b[at + 1] = char(v >> 16);
    b[at + 2] = char(v >> 8);
    b[at + 3] = char(v);
}

} // namespace

TEST(ProfileLoad, HeaderAndTagsOfAGoodProfile)
{
    cProfile::ptr_t p(new cProfile);
    ASSERT_TRUE(LoadBytes(*p, smallProfile()));
    EXPECT_EQ(p->version(), 0x02100000u);
    EXPECT_EQ(p->deviceClass(), icSig("mntr"));
    EXPECT_EQ(p->manufacturer(), icSig("NUVR"));
    EXPECT_EQ(p->model(), 0x1234u);
    EXPECT_EQ(p->creationDate(), QDateTime(QDate(2024, 5, 17), QTime(13, 45, 30), Qt::LocalTime));
    EXPECT_NEAR(p->illuminant().Z, 0.8249, 1e-4);
    ASSERT_NE(p->TagAs<QString>(Sig::Desc), nullptr);
    EXPECT_EQ(*p->TagAs<QString>(Sig::Desc), QStringLiteral("Small"));
    // Media white follows 'wtpt' once all tags are in.
    EXPECT_NEAR(p->mediaWhite().X, 0.9505, 1e-4);
    EXPECT_NEAR(p->mediaWhite().Z, 1.089, 1e-4);
}

TEST(ProfileLoad, MalformedHeaderOrDirectoryFailsWithItsMessage)
{
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* message;
    };
    QByteArray badMagic = smallProfile();
    put32(badMagic, 36, icSig("acsq"));
    QByteArray tiny = smallProfile();
    put32(tiny, 0, 100);
    QByteArray hugeCount = smallProfile();
    put32(hugeCount, 128, 0x7FFFFFFF);
    QByteArray negativeCount = smallProfile();
    put32(negativeCount, 128, 0xFFFFFFFF);
    QByteArray lowOffset = smallProfile();
    put32(lowOffset, 132 + 4, 64);
    QByteArray zeroSize = smallProfile();
    put32(zeroSize, 132 + 8, 0);
    QByteArray lyingSize = smallProfile();
    put32(lyingSize, 132 + 8, 0x7FFFFFF0);
    QByteArray wrapSize = smallProfile();
    put32(wrapSize, 132 + 8, 0xFFFFFFF0);
    // Directory declared inside the header size, but the data ends before it.
    QByteArray cutDirectory = BuildProfile(HeaderFields(), {{Sig::Desc, descTag("x")}, {Sig::Wtpt, xyzTag(1, 1, 1)}},
                                           4096)
                                  .left(140);

    const Case cases[] = {
        {"magic", badMagic, "Invalid 'test' profile header"},
        {"size below 128", tiny, "Invalid 'test' profile header"},
        {"truncated header", smallProfile().left(100), "Invalid 'test' profile header"},
        {"no tags", BuildProfile(HeaderFields(), {}), "Corrupted 'test' profile structure"},
        {"count beyond size", hugeCount, "Corrupted 'test' profile structure"},
        {"negative count", negativeCount, "Corrupted 'test' profile structure"},
        {"offset inside the header", lowOffset, "Invalid icTags1[64657363], offset: 64"},
        {"zero size", zeroSize, "Invalid icTags1[64657363]"},
        {"size past the profile", lyingSize, "Invalid icTags1"},
        {"size wrapping 32 bits", wrapSize, ", size: 4294967280"},
        {"directory past the data", cutDirectory, "Corrupted 'test' profile structure"},
        // A header and no room for the tag count.
        {"128 bytes", smallProfile().left(128), "Corrupted 'test' profile structure"},
        {"129 bytes", smallProfile().left(129), "Corrupted 'test' profile structure"},
        {"131 bytes", smallProfile().left(131), "Corrupted 'test' profile structure"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        cProfile::ptr_t p(new cProfile);
        EXPECT_FALSE(LoadBytes(*p, c.bytes)) << c.what;
        EXPECT_TRUE(log.contains(c.message)) << c.what << ": " << log.joined();
    }
    LogCapture log;
    cProfile::ptr_t p(new cProfile);
    EXPECT_FALSE(LoadBytes(*p, badMagic));
    EXPECT_TRUE(log.contains("Corrupted profile header")) << log.joined();
}

TEST(ProfileLoad, TruncatedTagFailsTheLoad)
{
    // The header declares the full size but the bytes stop inside the last tag.
    const QByteArray full = smallProfile();
    QByteArray cut = full.left(full.size() - 6);
    LogCapture log;
    cProfile::ptr_t p(new cProfile);
    EXPECT_FALSE(LoadBytes(*p, cut));
    EXPECT_TRUE(log.contains("'wtpt'")) << log.joined();
}

TEST(ProfileLoad, BadTagBodyFailsTheLoad)
{
    const QByteArray bytes = BuildProfile(HeaderFields(), {{Sig::Desc, descTag("ok")},
                                                           {Sig::Chrm, Bytes().sig("chrm").u32(0).u16(7).u16(0).zeros(24)}});
    LogCapture log;
    cProfile::ptr_t p(new cProfile);
    EXPECT_FALSE(LoadBytes(*p, bytes));
    EXPECT_TRUE(log.contains("Bad channels count 7.")) << log.joined();
}

TEST(ProfileLoad, RepeatedSignatureKeepsTheLaterTag)
{
    const QByteArray bytes = BuildProfile(HeaderFields(), {{Sig::Desc, descTag("first")}, {Sig::Desc, descTag("second")}});
    cProfile::ptr_t p(new cProfile);
    ASSERT_TRUE(LoadBytes(*p, bytes));
    EXPECT_EQ(*p->TagAs<QString>(Sig::Desc), QStringLiteral("second"));
    EXPECT_EQ(p->Tags().size(), 1u);
}

// Only the entry that would win is read: a directory that names one costly
// tag thousands of times must not make the reader build it thousands of times.
TEST(ProfileLoad, RepeatedSignatureReadsOnlyTheLaterTag)
{
    // A 3 -> 3 v4 LUT whose three curve sets share three gamma curves: 80
    // bytes that build nine 4096-entry tables.
    Bytes gamma;
    for (int i = 0; i < 3; ++i)
        gamma.sig("curv").u32(0).u32(1).u16(0x0233).pad4();
    const QByteArray lut = Bytes().sig("mAB ").u32(0).u8(3).u8(3).u16(0).u32(32).u32(0).u32(32).u32(0).u32(32).raw(gamma);
    const QByteArray broken = Bytes().sig("mAB ").u32(0).u8(3).u8(3).u16(0).u32(999).zeros(16);

    std::vector<TagSpec> tags{{Sig::A2B0, broken}};
    for (int i = 1; i < 20000; ++i)
        tags.push_back({Sig::A2B0, QByteArray(), 0});
    tags.push_back({Sig::A2B0, lut});
    LogCapture log;
    cProfile::ptr_t p(new cProfile);
    ASSERT_TRUE(LoadBytes(*p, BuildProfile(HeaderFields(), tags))) << log.joined();
    const cLUT* a2b0 = p->TagAs<cLUT>(Sig::A2B0);
    ASSERT_NE(a2b0, nullptr);
    EXPECT_EQ(a2b0->tagType, Sig::TypeMAB);
    EXPECT_EQ(p->Tags().size(), 1u);
    EXPECT_TRUE(log.lines().isEmpty()) << log.joined();
}

TEST(ProfileLoad, ClaimsFarBeyondTheDataAreRefused)
{
    // Thousands of entries naming the same large block: shared bytes are
    // allowed, but not without bound.
    const QByteArray big = Bytes().sig("zzzz").u32(0).zeros(4000);
    std::vector<TagSpec> tags{{icSig("z000"), big}};
    for (int i = 1; i < 200; ++i)
        tags.push_back({icSig("z000") + uint32_t(i), QByteArray(), 0});
    LogCapture log;
    cProfile::ptr_t p(new cProfile);
    EXPECT_FALSE(LoadBytes(*p, BuildProfile(HeaderFields(), tags)));
    EXPECT_TRUE(log.contains("claim more bytes")) << log.joined();
}

// A tag that starts past the end of the data ends the tag loop the same way
// whether the profile comes from a buffer or a file.
TEST(ProfileLoad, OffsetPastTheDataEndsTheLoopForBuffersAndFiles)
{
    const QByteArray good = smallProfile();
    // Declare a larger profile and point 'wtpt' past the real end.
    QByteArray bytes = good;
    put32(bytes, 0, uint32_t(good.size() + 1000));
    put32(bytes, 132 + 12 + 4, uint32_t(good.size() + 100));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("cut.icc"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();

    for (int fromFile = 0; fromFile < 2; ++fromFile) {
        LogCapture log;
        cProfile::ptr_t p(new cProfile);
        const bool ok = fromFile ? p->Load(path) : LoadBytes(*p, bytes);
        EXPECT_TRUE(ok) << fromFile;
        EXPECT_TRUE(p->HasTag(Sig::Desc)) << fromFile;
        EXPECT_FALSE(p->HasTag(Sig::Wtpt)) << fromFile;
        EXPECT_TRUE(log.contains("past the end")) << log.joined();
        // Without 'wtpt' the media white is D50.
        EXPECT_FLOAT_EQ(p->mediaWhite().X, 0.9642f);
    }
}

// The same file compiled into the resources behaves as on disk.
TEST(ProfileLoad, OffsetPastTheDataInAResource)
{
    Q_INIT_RESOURCE(cmm_tests);
    for (const QString& path : {QStringLiteral(":/cmmtest/past_the_data.icc"),
                                DataPath(QStringLiteral("cmm/malformed/bad_offsets/past_the_data.icc"))}) {
        LogCapture log;
        cProfile::ptr_t p(new cProfile);
        EXPECT_TRUE(p->Load(path)) << path.toStdString();
        EXPECT_TRUE(log.contains("lies past the end")) << log.joined();
        EXPECT_TRUE(p->HasTag(Sig::GTRC));
        EXPECT_FALSE(p->HasTag(Sig::BTRC));
    }
}

TEST(ProfileLoad, UnopenableFile)
{
    LogCapture log;
    cProfile::ptr_t p(new cProfile);
    EXPECT_FALSE(p->Load(QStringLiteral("/nonexistent/dir/none.icc")));
    EXPECT_TRUE(log.contains("Failed to open file /nonexistent/dir/none.icc: ")) << log.joined();
}

TEST(ProfileLoad, ReadWriteReadKeepsTags)
{
    cProfile::ptr_t p(new cProfile);
    ASSERT_TRUE(LoadBytes(*p, BuildProfile(HeaderFields(),
                                           {{Sig::Desc, descTag("Round trip")},
                                            {Sig::Cprt, Bytes().sig("text").u32(0).raw("No rights").u8(0)},
                                            {Sig::Wtpt, xyzTag(0.9642, 1.0, 0.8249)},
                                            {icSig("ncl2"), Bytes().sig("ncl2").u32(0).raw("raw!")},
                                            {Sig::Calt, Bytes().sig("dtim").u32(0).u16(2001).u16(2).u16(3).u16(4).u16(5).u16(6)}})));
    const QByteArray written = WriteProfile(*p);
    cProfile::ptr_t q(new cProfile);
    ASSERT_TRUE(LoadBytes(*q, written));
    EXPECT_EQ(*q->TagAs<QString>(Sig::Desc), QStringLiteral("Round trip"));
    EXPECT_EQ(*q->TagAs<QString>(Sig::Cprt), QStringLiteral("No rights"));
    EXPECT_EQ(*q->TagAs<QDateTime>(Sig::Calt), *p->TagAs<QDateTime>(Sig::Calt));
    EXPECT_EQ(q->Tags().size(), p->Tags().size());
    EXPECT_EQ(WriteProfile(*q), written);
}
