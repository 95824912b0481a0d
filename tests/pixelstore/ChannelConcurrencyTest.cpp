// Readers and copiers of shared channels running beside writers of private
// copies; meant to run under the thread sanitizer as well.
#include "ChannelTestSupport.h"

#include "pixelstore/PlaneCopy.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace ChannelTest;

namespace {

constexpr int kSide = 200;

// Mixed content whose tiles are left pending (written with the cheap probe),
// so that the first readers race to settle them.
void paint(DataChannel& channel, float base)
{
    for (int tile = 0; tile < channel.tileCount(); ++tile) {
        DataChannel::TileReadWrite writer(&channel, tile, DataChannel::TileReadWrite::ProbeMonotone);
        auto* data = static_cast<float*>(writer.data());
        const bool uniform = tile % 2 == 0;
        for (int i = 0; i < kTileElements; ++i)
            data[i] = uniform ? base : base + float(i % 97);
    }
}

void runAll(std::vector<std::thread>& threads)
{
    for (auto& t : threads)
        t.join();
    threads.clear();
}

} // namespace

TEST(ChannelConcurrency, ReadersCopiersAndPrivateWriters)
{
    SmartPtr<DataChannel> shared(new DataChannel(Size{kSide, kSide}, kTypeFloat));
    paint(*shared, 0.5f);
    SmartPtr<DataChannel> twin(new DataChannel(*shared)); // shares every pending tile
    paint(*shared, 0.5f);
    const std::vector<unsigned char> expected = [&] {
        DataChannel reference(Size{kSide, kSide}, kTypeFloat);
        paint(reference, 0.5f);
        return readAll(reference);
    }();

    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < 100; ++round) {
                if (readAll(*shared) != expected || readAll(*twin) != expected)
                    ++failures;
                DataChannel copy(round % 2 ? *shared : *twin);
                if (readAll(copy) != expected)
                    ++failures;
                shared->isMonotone(Rect{0, 0, 64, 64}, nullptr);
                twin->isTileMonotone(round % twin->tileCount());
            }
        });
    }
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 40; ++round) {
                DataChannel own(round % 2 ? *shared : *twin);
                const float mark = float(t * 100 + round);
                own.fillRect(Rect{10, 10, 150, 70}, &mark);
                setElement<float>(own, 199, 199, mark);
                paint(own, mark);
                DataChannel converted(own, kTypeU16);
                DataChannel pieces(Size{kSide, kSide}, kTypeFloat);
                pieces.copy(*shared, Rect{0, 0, kSide, kSide}, Point{64, 0});
                pieces.copy(*twin, Rect{5, 5, 60, 60}, Point{0, 100});
                pieces.tileCopy(0, *twin, 1);
                if (elementAt<float>(own, 0, 0) != mark)
                    ++failures;
            }
        });
    }
    runAll(threads);
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(readAll(*shared), expected);
    EXPECT_EQ(readAll(*twin), expected);
}

TEST(ChannelConcurrency, ChannelsSettlingOneTileAtOnce)
{
    // Threads share one pending tile out of one channel at once: it is settled
    // under the source's lock, so every copy ends up with the cached tile.
    for (int round = 0; round < 100; ++round) {
        DataChannel origin(Size{64, 64}, kTypeU8);
        {
            DataChannel::TileReadWrite writer(&origin, 0, DataChannel::TileReadWrite::ProbeMonotone);
            std::memset(writer.data(), 77 + round, kTileElements);
        }
        std::vector<SmartPtr<DataChannel>> copies;
        for (int i = 0; i < 6; ++i)
            copies.emplace_back(new DataChannel(Size{64, 64}, kTypeU8));
        std::vector<std::thread> threads;
        std::atomic<int> wrong{0};
        for (auto& copy : copies) {
            threads.emplace_back([&, copy] {
                copy->tileCopy(0, origin, 0);
                unsigned char value = 0;
                if (!copy->isMonotone(&value) || value != 77 + round)
                    ++wrong;
            });
        }
        runAll(threads);
        EXPECT_EQ(wrong.load(), 0);
        const unsigned char v = static_cast<unsigned char>(77 + round);
        for (auto& copy : copies)
            EXPECT_EQ(copy->tileAt(0), cachedTile(1, &v));
    }
}

TEST(ChannelConcurrency, OppositeSwapsDoNotDeadlock)
{
    DataChannel a(Size{10, 10}, kTypeU8);
    DataChannel b(Size{20, 20}, kTypeU8);
    std::thread one([&] {
        for (int i = 0; i < 20000; ++i)
            a.swap(b);
    });
    std::thread two([&] {
        for (int i = 0; i < 20000; ++i)
            b.swap(a);
    });
    one.join();
    two.join();
    EXPECT_EQ(a.width() + b.width(), 30);
}

TEST(ChannelConcurrency, PlanesCopiedAndWrittenOnSeveralThreads)
{
    const PixelFormat argb({kChannelAlpha, kChannelRed, kChannelGreen, kChannelBlue}, kTypeU8);
    SmartPtr<PixelPlane> shared(new PixelPlane(kSetRGBA, kTypeU8, Size{150, 90}));
    std::vector<unsigned char> image(std::size_t(150) * 90 * 4);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<unsigned char>(i * 7 / 5);
    ASSERT_TRUE(setData(*shared, Rect{0, 0, 150, 90}, image.data(), 0, argb));

    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 15; ++round) {
                PixelPlane own(*shared);
                std::vector<unsigned char> mark(std::size_t(40) * 30 * 4, static_cast<unsigned char>(t + 1));
                setData(own, Rect{10 * t, 5, 10 * t + 40, 35}, mark.data(), 0, argb);
                PixelPlane floats(kSetRGBA, kTypeFloat, Size{150, 90});
                copy(floats, *shared, Rect{0, 0, 150, 90}, Point{0, 0});
                PixelPlane whole(kSetRGBA, kTypeU8, Size{150, 90});
                copy(whole, *shared, Rect{0, 0, 150, 90}, Point{0, 0});
                std::vector<unsigned char> back(image.size());
                getData(*shared, Rect{0, 0, 150, 90}, back.data(), 0, argb);
                if (back != image)
                    ++failures;
                getData(own, Rect{10 * t, 5, 10 * t + 1, 6}, back.data(), 0, argb);
                if (back[0] != t + 1)
                    ++failures;
            }
        });
    }
    runAll(threads);
    EXPECT_EQ(failures.load(), 0);
}
