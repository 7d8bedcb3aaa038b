#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "polykern/foundation/GMemoryAllocator.h"
#include "polykern/foundation/GObj.h"

namespace {

bool Aligned8(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p) % 8 == 0;
}

TEST(GMemoryAllocator, SmallRequestsBumpThroughChunks) {
    GMemoryAllocator arena;  // 4096, then 65536
    EXPECT_EQ(arena.GetChunkCount(), 1);
    char* a = static_cast<char*>(arena.alloc(1));
    EXPECT_EQ(arena.GetUsed(), 8);  // rounded up to 8
    char* b = static_cast<char*>(arena.alloc(3));
    EXPECT_EQ(b, a + 8);
    EXPECT_TRUE(Aligned8(a));

    GMemoryAllocator fresh;
    fresh.alloc(3000);  // fits the first chunk
    EXPECT_EQ(fresh.GetChunkCount(), 1);

    GMemoryAllocator two;
    two.alloc(4000);
    two.alloc(100);  // does not fit what is left: a new, larger chunk becomes current
    EXPECT_EQ(two.GetChunkCount(), 2);
    EXPECT_EQ(two.GetCapacity(), 65536);
    EXPECT_EQ(two.GetUsed(), 104);
}

TEST(GMemoryAllocator, LargeRequestsGetTheirOwnChunk) {
    GMemoryAllocator arena(4096, 65536);
    arena.alloc(4000);
    arena.alloc(100);  // current chunk is now a 65536 one
    arena.alloc(65000);
    const int used = arena.GetUsed();
    void* big = arena.alloc(40000);  // half a chunk or more: dedicated
    EXPECT_NE(big, nullptr);
    EXPECT_EQ(arena.GetCapacity(), 65536);
    EXPECT_EQ(arena.GetUsed(), used);  // the current chunk stays current
    EXPECT_EQ(arena.GetChunkCount(), 3);
    std::memset(big, 0x5A, 40000);
}

TEST(GMemoryAllocator, RequestLargerThanLaterChunksDoesNotOverrun) {
    // Regression: a request below half of a big first chunk but above the later-chunk
    // size was put into a fresh later chunk too small to hold it.
    GMemoryAllocator arena(100000, 1024);
    arena.alloc(99000);
    void* p = arena.alloc(30000);
    ASSERT_NE(p, nullptr);
    std::memset(p, 0x11, 30000);  // the sanitizer build catches any overrun
    void* q = arena.alloc(16);
    std::memset(q, 0x22, 16);
    EXPECT_EQ(static_cast<unsigned char*>(p)[29999], 0x11);
}

TEST(GMemoryAllocator, HardSizesAnswerClearly) {
    GMemoryAllocator arena(0, -4);  // sizes raised to a usable minimum
    EXPECT_EQ(arena.alloc(-1), nullptr);
    void* p = arena.alloc(64);
    ASSERT_NE(p, nullptr);
    std::memset(p, 0, 64);
    EXPECT_TRUE(Aligned8(arena.alloc(5)));
}

struct Placed : GObj {
    double x = 1.5;
    int tag = 7;
};

TEST(GMemoryAllocator, PlacesObjectsInTheArena) {
    GMemoryAllocator arena;
    Placed* a = new (&arena) Placed;
    Placed* b = new (&arena) Placed;
    EXPECT_EQ(a->tag, 7);
    EXPECT_DOUBLE_EQ(b->x, 1.5);
    EXPECT_GE(reinterpret_cast<char*>(b) - reinterpret_cast<char*>(a),
              static_cast<std::ptrdiff_t>(sizeof(Placed)));
    EXPECT_THROW((void)new (static_cast<GMemoryAllocator*>(nullptr)) Placed, std::bad_alloc);
}

}  // namespace
