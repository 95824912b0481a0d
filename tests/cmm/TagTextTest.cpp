#include "IccTestUtil.h"

#include <gtest/gtest.h>

using namespace Nuvra::CMM;
using namespace Nuvra::CMM::Test;

namespace {

QString readText(const QByteArray& body, QStringList* log = nullptr)
{
    LogCapture capture;
    void* obj = ReadTag(Sig::Desc, body);
    if (log)
        *log = capture.lines();
    if (!obj)
        return QStringLiteral("<failed>");
    QString s = *static_cast<QString*>(obj);
    DestroyTag(Sig::Desc, obj);
    return s;
}

QByteArray mlucRecord(const char* lang, const char* country, uint32_t len, uint32_t off)
{
    return Bytes().u16(uint16_t(lang[0] << 8 | lang[1])).u16(uint16_t(country[0] << 8 | country[1])).u32(len).u32(off);
}

// An 'mluc' body whose strings follow the records in order.
QByteArray mluc(const std::vector<std::pair<std::pair<const char*, const char*>, QString>>& records)
{
    Bytes head;
    head.sig("mluc").u32(0).u32(uint32_t(records.size())).u32(12);
    uint32_t offset = 16 + 12 * uint32_t(records.size());
    Bytes strings;
    for (const auto& r : records) {
        const uint32_t len = uint32_t(r.second.size() * 2);
        head.raw(mlucRecord(r.first.first, r.first.second, len, offset));
        for (QChar c : r.second)
            strings.u16(c.unicode());
        offset += len;
    }
    return head.raw(strings);
}

} // namespace

TEST(TextTag, PlainTextUpToTheFirstNul)
{
    EXPECT_EQ(readText(Bytes().sig("text").u32(0).raw("Copyright \xC3\xA9t\xC3\xA9").u8(0).raw("junk")),
              QString::fromUtf8("Copyright \xC3\xA9t\xC3\xA9"));
    // Old writers put 'cprt' where the type belongs.
    EXPECT_EQ(readText(Bytes().sig("cprt").u32(0).raw("free")), QStringLiteral("free"));
    EXPECT_EQ(readText(Bytes().sig("text").u32(0)), QString());
}

TEST(TextTag, TextDescription)
{
    const QByteArray ok = Bytes().sig("desc").u32(0).u32(5).raw("sRGB").u8(0).zeros(78);
    EXPECT_EQ(readText(ok), QStringLiteral("sRGB"));
    EXPECT_EQ(readText(Bytes().sig("desc").u32(0).u32(0).zeros(78)), QString());

    QStringList log;
    // The ASCII count runs past the tag.
    EXPECT_EQ(readText(Bytes().sig("desc").u32(0).u32(500).raw("abc"), &log), QStringLiteral("<failed>"));
    EXPECT_TRUE(log.join("").contains("Invalid TextDescriptionType structure")) << log.join("|");
    // No room for the count at all.
    EXPECT_EQ(readText(Bytes().sig("desc").u32(0).u16(1), &log), QStringLiteral("<failed>"));
    EXPECT_TRUE(log.join("").contains("Invalid TextDescriptionType structure")) << log.join("|");
}

TEST(TextTag, MultiLocalizedPicksEnglishThenUS)
{
    struct Case {
        const char* what;
        QByteArray body;
        QString expected;
    };
    const Case cases[] = {
        {"en-US wins over en-GB",
         mluc({{{"de", "DE"}, "Farbe"}, {{"en", "GB"}, "Colour"}, {{"en", "US"}, "Color"}}), "Color"},
        {"first record without English", mluc({{{"fr", "FR"}, QString::fromUtf8("Couleur \xC3\xA9")}}),
         QString::fromUtf8("Couleur \xC3\xA9")},
        {"en-US first of three, read at its own offset",
         mluc({{{"en", "US"}, "Color"}, {{"de", "DE"}, "Farbe"}, {{"en", "GB"}, "Colour"}}), "Color"},
        {"later English replaces the first", mluc({{{"ja", "JP"}, "Iro"}, {{"en", "CA"}, "Colour CA"}}),
         "Colour CA"},
        {"record size other than 12",
         Bytes().sig("mluc").u32(0).u32(1).u32(16).raw(mlucRecord("en", "US", 2, 32)).zeros(8), ""},
        {"zero length", Bytes().sig("mluc").u32(0).u32(1).u32(12).raw(mlucRecord("en", "US", 0, 28)), ""},
        {"no records", Bytes().sig("mluc").u32(0).u32(0).u32(12), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readText(c.body), c.expected) << c.what;
}

// A record table or a string outside the tag's bytes reads as the empty
// string: a broken description must not make the whole profile unusable.
TEST(TextTag, MultiLocalizedRecordsOutsideTheTagGiveTheEmptyString)
{
    struct Case {
        const char* what;
        QByteArray body;
    };
    const Case cases[] = {
        {"huge record count", Bytes().sig("mluc").u32(0).u32(0x10000000).u32(12).raw(mlucRecord("fr", "FR", 4, 28))},
        {"string past the tag", Bytes().sig("mluc").u32(0).u32(1).u32(12).raw(mlucRecord("en", "US", 4000, 28))},
        {"offset past the tag", Bytes().sig("mluc").u32(0).u32(1).u32(12).raw(mlucRecord("en", "US", 2, 0x7FFFFFF0))},
        {"second record cut short",
         Bytes().sig("mluc").u32(0).u32(2).u32(12).raw(mlucRecord("de", "DE", 2, 28)).u16(0x656E)},
    };
    for (const Case& c : cases) {
        QStringList log;
        EXPECT_EQ(readText(c.body, &log), QString()) << c.what;
    }

    // The profile around such a description loads, with its other tags.
    const QByteArray badDesc =
        Bytes().sig("mluc").u32(0).u32(1).u32(12).raw(mlucRecord("en", "US", 4000, 28));
    const QByteArray white = Bytes().sig("XYZ ").u32(0).s15(0.9642).s15(1.0).s15(0.8249);
    HeaderFields h;
    h.version = 0x04200000;
    cProfile::ptr_t p(new cProfile);
    LogCapture log;
    ASSERT_TRUE(LoadBytes(*p, BuildProfile(h, {{Sig::Desc, badDesc}, {Sig::Wtpt, white}}))) << log.joined();
    ASSERT_NE(p->TagAs<QString>(Sig::Desc), nullptr);
    EXPECT_EQ(*p->TagAs<QString>(Sig::Desc), QString());
    EXPECT_TRUE(p->HasTag(Sig::Wtpt));
}

TEST(TextTag, BadTypesAndTruncation)
{
    QStringList log;
    EXPECT_EQ(readText(Bytes().sig("XYZ ").u32(0).zeros(12), &log), QStringLiteral("<failed>"));
    EXPECT_TRUE(log.join("").contains("Bad tag signature 58595a20 found")) << log.join("|");
    EXPECT_EQ(readText(Bytes().u32(0).u32(0).raw("abc"), &log), QStringLiteral("<failed>"));
    EXPECT_TRUE(log.join("").contains("Bad icTagBase")) << log.join("|");
    // Shorter than its own type base: refused with a line, not an underflow.
    EXPECT_EQ(readText(Bytes().sig("text").u16(0), &log), QStringLiteral("<failed>"));
    EXPECT_FALSE(log.isEmpty());
}

TEST(TextTag, WriterChoosesTypeByVersionAndSignature)
{
    struct Case {
        uint32_t version;
        uint32_t sig;
        const char* type;
    };
    const Case cases[] = {
        {0x02100000, Sig::Desc, "desc"}, {0x02100000, Sig::Cprt, "text"}, {0x02100000, Sig::Targ, "text"},
        {0x02100000, Sig::Dmdd, "desc"}, {0x04200000, Sig::Desc, "mluc"}, {0x04200000, Sig::Cprt, "mluc"},
        {0x04200000, Sig::Targ, "text"},
    };
    const QString text = QString::fromUtf8("Gr\xC3\xBCn profile");
    for (const Case& c : cases) {
        cProfile::ptr_t p(new cProfile);
        p->setVersion(c.version);
        const QByteArray bytes = WriteTag(c.sig, &text, p.get());
        ASSERT_GE(bytes.size(), 8);
        EXPECT_EQ(bytes.left(4), QByteArray(c.type)) << c.type;
        void* back = ReadTag(c.sig, bytes, p.get());
        ASSERT_NE(back, nullptr) << c.type;
        if (QByteArray(c.type) == "desc")
            EXPECT_EQ(*static_cast<QString*>(back), QString::fromLocal8Bit(text.toLocal8Bit()));
        else
            EXPECT_EQ(*static_cast<QString*>(back), text) << c.type;
        DestroyTag(c.sig, back);
    }
}
