#include "ChannelTestSupport.h"

#include <QLoggingCategory>
#include <QString>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <cstdint>

using namespace ChannelTest;

namespace {

QStringList g_messages;

void collect(QtMsgType, const QMessageLogContext& context, const QString& text)
{
    g_messages << QString::fromLatin1(context.category) + ": " + text;
}

} // namespace

TEST(TileAccess, ReaderHoldsTileAfterChannelDropsIt)
{
    auto* channel = new DataChannel(Size{64, 64}, kTypeU8);
    SmartPtr<DataChannel> handle(channel);
    setElement<unsigned char>(*channel, 3, 3, 42);
    const long live = TileDescriptor::liveTiles();
    {
        DataChannel::TileReadOnly reader(channel, 0);
        ASSERT_NE(reader.data(), nullptr);
        handle.reset();
        EXPECT_EQ(TileDescriptor::liveTiles(), live) << "the read lock keeps the tile";
        EXPECT_EQ(static_cast<const unsigned char*>(reader.data())[3 * 64 + 3], 42);
    }
    EXPECT_EQ(TileDescriptor::liveTiles(), live - 1);
}

TEST(TileAccess, OutOfRangeIndicesGiveEmptyAccess)
{
    DataChannel channel(Size{100, 100}, kTypeFloat);
    for (int index : {-1, -5, 4, 1000000}) {
        DataChannel::TileReadOnly reader(&channel, index);
        EXPECT_EQ(reader.data(), nullptr) << index;
        EXPECT_EQ(reader.tile(), -1);
        DataChannel::TileReadWrite writer(&channel, index);
        EXPECT_EQ(writer.data(), nullptr) << index;
    }
    DataChannel::TileReadOnly none(nullptr, 0);
    EXPECT_EQ(none.data(), nullptr);
    none.switchTo(2);
    EXPECT_EQ(none.data(), nullptr);
}

TEST(TileAccess, SwitchToReleasesAndLogsOnlyBadIndices)
{
    QLoggingCategory::setFilterRules("lib.ds.debug=true");
    g_messages.clear();
    QtMessageHandler previous = qInstallMessageHandler(collect);
    DataChannel channel(Size{100, 100}, kTypeU8);
    const TileDescriptor* zero = channel.tileAt(0);
    const int readersBefore = zero->readers();
    {
        DataChannel::TileReadOnly reader(&channel, 0);
        EXPECT_EQ(zero->readers(), readersBefore + 1);
        reader.switchTo(-1);
        EXPECT_EQ(zero->readers(), readersBefore);
        EXPECT_EQ(reader.data(), nullptr);
        reader.switchTo(3);
        EXPECT_NE(reader.data(), nullptr);
        reader.switchTo(1000000);
        EXPECT_EQ(reader.data(), nullptr);
        EXPECT_EQ(reader.tile(), -1);

        DataChannel::TileReadWrite writer(&channel, 1);
        writer.switchTo(1000000);
        EXPECT_EQ(writer.data(), nullptr);
    }
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    ASSERT_EQ(g_messages.size(), 2) << g_messages.join("|").toStdString();
    EXPECT_EQ(g_messages[0].toStdString(),
              "lib.ds: DataChannel::TileReadOnly::switchTo() -- tNum_ = 3, tileNum = 1000000, size = 4\n");
    EXPECT_EQ(g_messages[1].toStdString(),
              "lib.ds: DataChannel::TileReadWrite::switchTo() -- tNum_ = 1, tileNum = 1000000, size = 4\n");
}

TEST(TileAccess, WriterCopiesSharedTileFirst)
{
    DataChannel a(Size{128, 128}, kTypeU16);
    setElement<uint16_t>(a, 0, 0, 5);
    DataChannel b(a);
    const TileDescriptor* shared = a.tileAt(0);
    {
        DataChannel::TileReadWrite writer(&b, 0);
        EXPECT_NE(writer.descriptor(), shared);
        EXPECT_EQ(writer.descriptor()->refCount(), 1);
        EXPECT_EQ(static_cast<uint16_t*>(writer.data())[0], 5) << "the copy starts with the old contents";
        static_cast<uint16_t*>(writer.data())[1] = 6;
        // Writing a private tile needs no further copy.
        DataChannel::TileReadWrite again(&b, 2);
        again.switchTo(0);
    }
    EXPECT_EQ(elementAt<uint16_t>(a, 1, 0), 0);
    EXPECT_EQ(elementAt<uint16_t>(b, 1, 0), 6);
    EXPECT_EQ(elementAt<uint16_t>(b, 0, 0), 5);
}

TEST(TileAccess, EndOfWriteSettlesUniformity)
{
    struct Case {
        DataChannel::TileReadWrite::MonotoneStrategy strategy;
        int size;
        bool uniform;
        int state; // state right after the write
    };
    const Case cases[] = {
        {DataChannel::TileReadWrite::CheckMonotone, 4, true, -1},
        {DataChannel::TileReadWrite::CheckMonotone, 4, false, TileDescriptor::Unknown},
        {DataChannel::TileReadWrite::ProbeMonotone, 4, true, TileDescriptor::Unknown},
        {DataChannel::TileReadWrite::ProbeMonotone, 4, false, TileDescriptor::NotMonotone},
        {DataChannel::TileReadWrite::ProbeMonotone, 32, true, TileDescriptor::Unknown},
        {DataChannel::TileReadWrite::ProbeMonotone, 1, true, TileDescriptor::Unknown},
    };
    for (const Case& c : cases) {
        DataChannel channel(Size{128, 128}, c.size);
        const TileDescriptor* written;
        {
            DataChannel::TileReadWrite writer(&channel, 3, c.strategy);
            auto* data = static_cast<unsigned char*>(writer.data());
            for (int i = 0; i < kTileElements * c.size; ++i)
                data[i] = static_cast<unsigned char>(0x5A + i % c.size);
            if (!c.uniform)
                data[std::size_t(kTileElements - 1) * c.size] ^= 1; // caught by the probe
            written = writer.descriptor();
        }
        unsigned char value[32];
        for (int b = 0; b < c.size; ++b)
            value[b] = static_cast<unsigned char>(0x5A + b);
        const TileDescriptor* cached = cachedTile(c.size, value);
        if (c.state == -1) {
            EXPECT_EQ(channel.tileAt(3), cached) << "checked at the end of the write";
            continue;
        }
        EXPECT_EQ(written->state(), c.state) << c.size;
        // The next reader settles it.
        EXPECT_EQ(channel.tileAt(3) == cached, c.uniform) << c.size;
        EXPECT_EQ(channel.isTileMonotone(3), c.uniform);
    }
}

TEST(TileAccess, ProbeSkipsTheFullCheckWhenEndsDiffer)
{
    // Interior middle differs but the ends agree: the probe leaves the full
    // check to the next reader, which finds the difference.
    DataChannel channel(Size{64, 64}, kTypeU8);
    {
        DataChannel::TileReadWrite writer(&channel, 0);
        auto* data = static_cast<unsigned char*>(writer.data());
        std::memset(data, 1, kTileElements);
        data[2000] = 2;
    }
    EXPECT_FALSE(channel.isTileMonotone(0));
    EXPECT_EQ(channel.tileAt(0)->state(), TileDescriptor::NotMonotone);
}
