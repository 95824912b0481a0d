#include "effect/ScratchArena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

using namespace Nuvra::Effect;

TEST(ScratchArena, SameSizeAgainReusesTheBlockWithoutGrowing)
{
    releaseScratch();
    const void* first = nullptr;
    {
        ScratchBuffer<float> a(1 << 20);
        first = a.data();
        EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(a.data()) % 64);
        a[0] = 1.0f;
        a[a.size() - 1] = 2.0f;  // the whole block is usable
    }
    const std::size_t kept = scratchKeptBytes();
    EXPECT_GE(kept, (1u << 20) * sizeof(float));
    {
        ScratchBuffer<float> b(1 << 20);
        EXPECT_EQ(first, b.data());
        EXPECT_EQ(0u, scratchKeptBytes());
    }
    EXPECT_EQ(kept, scratchKeptBytes());
}

TEST(ScratchArena, KeepsNoMoreThanItsLargestLiveSet)
{
    releaseScratch();
    { ScratchBuffer<float> small(1000), other(1000); }
    // Nothing kept fits: the two small blocks go before the large one comes.
    { ScratchBuffer<float> large(1 << 20); }
    EXPECT_LT(scratchKeptBytes(), (1u << 20) * sizeof(float) + 4096);
    // A smaller request takes the kept large block rather than a new one.
    { ScratchBuffer<float> a(1 << 19); }
    EXPECT_LT(scratchKeptBytes(), (1u << 20) * sizeof(float) + 4096);
}

TEST(ScratchArena, ThreadsBorrowFromOnePool)
{
    releaseScratch();
    ScratchBuffer<float> mine(4096);
    const void* other = nullptr;
    std::thread t([&] {
        ScratchBuffer<float> b(4096);
        other = b.data();
    });
    t.join();
    // Blocks live at once are distinct; one given back on a thread that has
    // ended serves the next thread that asks, warm.
    EXPECT_NE(other, mine.data());
    EXPECT_GT(scratchKeptBytes(), 0u);
    const void* next = nullptr;
    std::thread([&] {
        ScratchBuffer<float> c(4096);
        next = c.data();
    }).join();
    EXPECT_EQ(other, next);
    // Moving a lease hands the block over without copying.
    const void* before = mine.data();
    ScratchBuffer<float> moved = std::move(mine);
    EXPECT_EQ(before, moved.data());
    EXPECT_EQ(nullptr, mine.data());
}
