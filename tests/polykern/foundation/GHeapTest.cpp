#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GHeap.h"
#include "polykern/foundation/GPress.h"
#include "polykern/foundation/GSemaphor.h"

namespace {

bool AllZero(const void* p, std::size_t n) {
    const auto* bytes = static_cast<const unsigned char*>(p);
    for (std::size_t i = 0; i < n; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

TEST(GHeap, BlockSizingFollowsTheBudget) {
    GHeap pool("Forty", 40, 65536);
    EXPECT_EQ(pool.GetSlotsPerBlock(), 1639);
    std::vector<void*> slots;
    for (int i = 0; i < 1639; ++i) slots.push_back(pool.Alloc());
    EXPECT_EQ(pool.GetFreeBlockCount(), 0);
    EXPECT_EQ(pool.GetFullBlockCount(), 1);
    slots.push_back(pool.Alloc());  // the 1640th opens a second block
    EXPECT_EQ(pool.GetFreeBlockCount(), 1);
    EXPECT_EQ(pool.GetFullBlockCount(), 1);
    for (void* p : slots) pool.Free(p);
    EXPECT_EQ(pool.GetFreeBlockCount() + pool.GetFullBlockCount(), 0);

    EXPECT_EQ(GHeap("Default", 40).GetSlotsPerBlock(), 8192 / 40 + 1);
    EXPECT_EQ(GHeap("Empty", 0, 100).GetSlotsPerBlock(), 100);
    EXPECT_EQ(GHeap("NoBudget", 16, -5).GetSlotsPerBlock(), 1);
}

TEST(GHeap, SlotsAreDistinctAlignedAndZeroEvenWhenReused) {
    GHeap pool("Reuse", 21, 256);  // odd size: slots must still be 8-byte aligned
    std::set<void*> seen;
    std::vector<void*> slots;
    for (int i = 0; i < 100; ++i) {
        void* p = pool.Alloc();
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 8, 0u);
        EXPECT_TRUE(AllZero(p, 21));
        std::memset(p, 0xAB, 21);
        EXPECT_TRUE(seen.insert(p).second);
        slots.push_back(p);
    }
    // A freed slot of a block that stays alive is handed out again, zeroed.
    void* freed = slots[50];
    pool.Free(freed);
    void* again = pool.Alloc();
    EXPECT_EQ(again, freed);
    EXPECT_TRUE(AllZero(again, 21));
    // Neighbours kept their bytes: no slot overlaps another.
    EXPECT_EQ(static_cast<unsigned char*>(slots[49])[20], 0xAB);
    EXPECT_EQ(static_cast<unsigned char*>(slots[51])[0], 0xAB);
    for (void* p : slots) pool.Free(p);
}

TEST(GHeap, AllocManyHandsOutWhatAllocWouldZeroedAcrossBlocks) {
    // Two pools of one shape go through the same history: one slot at a time, and many
    // at once. Slots freed dirty in the middle of a block come back first, and zeroed;
    // a run of fresh slots is zeroed in one piece without losing its neighbours' headers.
    GHeap one("One", 21, 256), many("Many", 21, 256);
    std::vector<void*> a, b(40);
    for (int i = 0; i < 40; ++i) a.push_back(one.Alloc());
    many.AllocMany(40, b.data());
    for (int i = 0; i < 40; ++i) {
        std::memset(a[std::size_t(i)], 0xCD, 21);
        std::memset(b[std::size_t(i)], 0xCD, 21);
    }
    for (int i : {30, 5, 17}) {
        one.Free(a[std::size_t(i)]);
        many.Free(b[std::size_t(i)]);
    }
    std::vector<void*> a2, b2(30);
    for (int i = 0; i < 30; ++i) a2.push_back(one.Alloc());
    many.AllocMany(30, b2.data());
    std::set<void*> seen(b.begin(), b.end());
    for (int i = 0; i < 30; ++i) {
        EXPECT_TRUE(AllZero(b2[std::size_t(i)], 21)) << i;
        // Same place in the history: the same block offset as the one-at-a-time pool.
        if (i < 3) {
            EXPECT_EQ(b2[std::size_t(i)], b[std::size_t(std::vector<int>{17, 5, 30}[i])]);
        } else {
            EXPECT_TRUE(seen.insert(b2[std::size_t(i)]).second);
        }
    }
    EXPECT_EQ(one.GetFullBlockCount(), many.GetFullBlockCount());
    EXPECT_EQ(one.GetFreeBlockCount(), many.GetFreeBlockCount());
    // Every slot frees back into its own block: the pool ends empty.
    for (int i : {30, 5, 17}) b[std::size_t(i)] = nullptr;
    for (void* p : b) many.Free(p);
    for (void* p : b2) many.Free(p);
    EXPECT_EQ(many.GetFreeBlockCount() + many.GetFullBlockCount(), 0);
    for (int i : {30, 5, 17}) a[std::size_t(i)] = nullptr;
    for (void* p : a) one.Free(p);
    for (void* p : a2) one.Free(p);
    many.AllocMany(0, nullptr);  // nothing asked, nothing taken
    EXPECT_EQ(many.GetFreeBlockCount() + many.GetFullBlockCount(), 0);
}

// Memory of released blocks is reused, by the same pool and by a pool of another size,
// and every slot handed out from it is zero again, whether taken one by one or in bulk.
TEST(GHeap, SlotsFromReusedMemoryAreZero) {
    constexpr int kSlots = 120000;  // several megabytes, so whole chunks go and come back
    std::vector<void*> slots(kSlots);
    {
        GHeap first("Dirty", 40, 65536);
        for (void*& p : slots) {
            p = first.Alloc();
            std::memset(p, 0xA5, 40);
        }
        for (void* p : slots) first.Free(p);
        first.AllocMany(kSlots, slots.data());
        int dirty = 0;
        for (void* p : slots) dirty += AllZero(p, 40) ? 0 : 1;
        EXPECT_EQ(dirty, 0);
        for (void* p : slots) std::memset(p, 0x5A, 40);
        for (void* p : slots) first.Free(p);
        EXPECT_EQ(first.GetFreeBlockCount() + first.GetFullBlockCount(), 0);
    }
    GHeap other("Other", 56, 65536);
    int dirty = 0;
    for (void*& p : slots) {
        p = other.Alloc();
        dirty += AllZero(p, 56) ? 0 : 1;
    }
    EXPECT_EQ(dirty, 0);
    for (void* p : slots) other.Free(p);
    GHeap::RunGarbageCollector();
}

TEST(GHeap, BlocksMoveBetweenListsAndAreReleasedWhenEmpty) {
    GHeap pool("Lists", 8, 24);  // 4 slots a block
    ASSERT_EQ(pool.GetSlotsPerBlock(), 4);
    void* only = pool.Alloc();
    EXPECT_EQ(pool.GetFreeBlockCount(), 1);
    pool.Free(only);  // freeing the only object releases the block
    EXPECT_EQ(pool.GetFreeBlockCount(), 0);

    std::vector<void*> full;
    for (int i = 0; i < 4; ++i) full.push_back(pool.Alloc());
    ASSERT_EQ(pool.GetFullBlockCount(), 1);
    pool.Free(full[2]);  // a full block gets a free slot: back to the free list
    EXPECT_EQ(pool.GetFullBlockCount(), 0);
    EXPECT_EQ(pool.GetFreeBlockCount(), 1);
    EXPECT_EQ(pool.Alloc(), full[2]);  // and it serves the next allocation
    for (void* p : full) pool.Free(p);
    EXPECT_EQ(pool.GetFreeBlockCount() + pool.GetFullBlockCount(), 0);
    pool.Free(nullptr);
}

TEST(GHeap, ManyBlocksKeepTheirIndicesConsistent) {
    GHeap pool("Shuffle", 16, 64);  // 5 slots a block
    std::vector<void*> slots;
    for (int i = 0; i < 500; ++i) slots.push_back(pool.Alloc());
    // Free in an order that moves blocks between the lists many times.
    for (int stride : {7, 3, 1}) {
        for (std::size_t i = 0; i < slots.size(); i += stride) {
            if (slots[i] != nullptr) {
                pool.Free(slots[i]);
                slots[i] = nullptr;
            }
        }
        for (std::size_t i = 0; i < slots.size(); i += 2 * stride) {
            if (slots[i] == nullptr) slots[i] = pool.Alloc();
        }
    }
    for (void* p : slots) pool.Free(p);
    EXPECT_EQ(pool.GetFreeBlockCount() + pool.GetFullBlockCount(), 0);
}

TEST(GHeap, FourThreadsShareOnePool) {
    GHeap pool("Shared", 40, 4096);
    std::atomic<bool> corrupted{false};
    auto work = [&](unsigned char tag) {
        std::vector<unsigned char*> mine;
        for (int round = 0; round < 200; ++round) {
            for (int i = 0; i < 50; ++i) {
                auto* p = static_cast<unsigned char*>(pool.Alloc());
                if (!AllZero(p, 40)) corrupted = true;
                std::memset(p, tag, 40);
                mine.push_back(p);
            }
            for (std::size_t i = 0; i < mine.size(); i += 2) {
                for (int b = 0; b < 40; ++b) {
                    if (mine[i][b] != tag) corrupted = true;
                }
                pool.Free(mine[i]);
            }
            std::vector<unsigned char*> kept;
            for (std::size_t i = 1; i < mine.size(); i += 2) kept.push_back(mine[i]);
            mine.swap(kept);
        }
        for (unsigned char* p : mine) pool.Free(p);
    };
    std::vector<std::thread> threads;
    for (unsigned char t = 1; t <= 4; ++t) threads.emplace_back(work, t);
    for (auto& t : threads) t.join();
    EXPECT_FALSE(corrupted);
    EXPECT_EQ(pool.GetFreeBlockCount() + pool.GetFullBlockCount(), 0);
}

TEST(GHeap, PooledClassSurvivesRemoveAllHeaps) {
    auto* before = new GArrayCollection(4, 4);
    before->add(nullptr);
    delete before;
    EXPECT_GT(GHeap::GetHeapCount(), 0);

    GHeap::RemoveAllHeaps();
    EXPECT_EQ(GHeap::GetHeapCount(), 0);
    EXPECT_EQ(GArrayCollection::GetHeap(), nullptr);
    GHeap::RemoveAllHeaps();  // a second call finds no list

    auto* after = new GArrayCollection(4, 4);  // the pool is made again
    after->add(nullptr);
    EXPECT_EQ(after->size(), 1);
    EXPECT_NE(GArrayCollection::GetHeap(), nullptr);
    EXPECT_EQ(GHeap::GetHeapCount(), 1);
    delete after;
    GHeap::RunGarbageCollector();
}

TEST(GHeap, OversizedRequestOfAPooledClassFails) {
    EXPECT_THROW(GHeap::PooledAlloc(nullptr, "X", 8, 64, 9), std::bad_alloc);
}

TEST(GSemaphor, IsReentrantAndExcludesOtherThreads) {
    GSemaphor lock;
    lock.Busy();
    lock.Busy();  // the holder may enter again
    std::atomic<bool> entered{false};
    std::thread other([&] {
        GSemaphorGuard guard(lock);
        entered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(entered);
    lock.Free();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(entered);  // still held once
    lock.Free();
    other.join();
    EXPECT_TRUE(entered);
}

TEST(GPress, MinimumSizeFromScale) {
    GPress::init(0.0);
    EXPECT_DOUBLE_EQ(GPress::MINSIZE2(), 1.4142135623730951);
    GPress::init(2.0);
    EXPECT_DOUBLE_EQ(GPress::MINSIZE2(), 0.7071067811865476);
    EXPECT_DOUBLE_EQ(GPress::getSizeXY(1, 1, 4, 5), 5.0);
}

}  // namespace
