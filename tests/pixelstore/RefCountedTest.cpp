#include "pixelstore/RefCounted.h"
#include "pixelstore/SmartPtr.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using Nuvra::RefCounted;
using Nuvra::SmartPtr;

namespace {

struct Counted : RefCounted<> {
    explicit Counted(std::atomic<int>* destroyed) : destroyed(destroyed) {}
    ~Counted() override { destroyed->fetch_add(1); }
    std::atomic<int>* destroyed;
};

TEST(RefCounted, CopyStartsAtZeroWhateverTheSourceCount)
{
    std::atomic<int> destroyed{0};
    {
        SmartPtr<Counted> a(new Counted(&destroyed));
        SmartPtr<Counted> b = a;
        ASSERT_EQ(a->refCount(), 2);
        Counted copy(*a);
        EXPECT_EQ(copy.refCount(), 0);
        copy = *a;
        EXPECT_EQ(copy.refCount(), 0);
        EXPECT_EQ(a->refCount(), 2);
    }
    EXPECT_EQ(destroyed.load(), 2); // the heap object and the stack copy
}

TEST(RefCounted, HandleSemantics)
{
    std::atomic<int> destroyed{0};
    auto* raw = new Counted(&destroyed);
    SmartPtr<Counted> a(raw);
    EXPECT_EQ(raw->refCount(), 1);

    a = a; // self-assignment through the handle
    a = raw; // and through the raw pointer it already holds
    EXPECT_EQ(raw->refCount(), 1);
    EXPECT_EQ(destroyed.load(), 0);

    SmartPtr<Counted> moved(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(raw->refCount(), 1);

    SmartPtr<Counted> other(new Counted(&destroyed));
    other = moved; // releases the old pointee
    EXPECT_EQ(destroyed.load(), 1);
    EXPECT_EQ(raw->refCount(), 2);

    moved.reset();
    other = nullptr;
    EXPECT_EQ(destroyed.load(), 2);

    SmartPtr<Counted> empty;
    empty = empty;
    empty.reset();
    EXPECT_FALSE(empty);
}

TEST(RefCounted, ConcurrentReleasesDestroyExactlyOnce)
{
    constexpr int kRounds = 500;
    constexpr int kThreads = 4;
    std::atomic<int> destroyed{0};
    for (int round = 0; round < kRounds; ++round) {
        std::vector<SmartPtr<Counted>> handles(kThreads);
        handles[0] = new Counted(&destroyed);
        for (int t = 1; t < kThreads; ++t)
            handles[t] = handles[0];
        std::atomic<int> ready{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                ready.fetch_add(1);
                while (ready.load() < kThreads)
                    std::this_thread::yield();
                // Each thread copies and drops, then releases its own handle.
                SmartPtr<Counted> extra = handles[t];
                extra.reset();
                handles[t].reset();
            });
        }
        for (auto& th : threads)
            th.join();
        ASSERT_EQ(destroyed.load(), round + 1);
    }
}

} // namespace
