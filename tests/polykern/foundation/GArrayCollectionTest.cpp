#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GArrayCollectionIterator.h"
#include "polykern/foundation/GObjArrayIterator.h"

namespace {

// Objects that carry a number in their word, and count their destructions.
struct Item : GObj {
    explicit Item(uint32_t n) : GObj(n) {}
    ~Item() override { ++destroyed; }
    static int destroyed;
};
int Item::destroyed = 0;

uint32_t Num(GObj* o) {
    return o->GetWord();
}

std::vector<uint32_t> Words(GArrayCollection& c) {
    std::vector<uint32_t> out;
    for (int i = 0; i < c.size(); ++i) out.push_back(Num(c.get(i)));
    return out;
}

class GArrayCollectionTest : public ::testing::Test {
protected:
    GArrayCollectionTest() {
        for (uint32_t i = 0; i < 8; ++i) items.emplace_back(i);
    }
    GObj* at(int i) { return &items[static_cast<std::size_t>(i)]; }
    std::vector<Item> items;
};

TEST_F(GArrayCollectionTest, GrowsAt256ThenByTheGrowthStep) {
    GArrayCollection c;
    EXPECT_EQ(c.GetCapacity(), 256);
    for (int i = 0; i < 256; ++i) c.add(at(0));
    EXPECT_EQ(c.GetCapacity(), 256);
    c.add(at(0));
    EXPECT_EQ(c.GetCapacity(), 1280);
    while (c.size() < 1280) c.add(at(0));
    c.add(at(0));
    EXPECT_EQ(c.GetCapacity(), 2304);

    GArrayCollection bulk;
    std::vector<GObj*> many(3000, at(1));
    EXPECT_EQ(bulk.add(3000, many.data()), 0);
    EXPECT_EQ(bulk.GetCapacity(), 3256);  // grows once, by exactly n
    EXPECT_EQ(bulk.size(), 3000);
    EXPECT_EQ(bulk.add(2, many.data()), 3000);

    GArrayCollection zeroStep(0, 0);  // a growth step of 0 still grows
    zeroStep.add(at(2));
    zeroStep.add(at(3));
    EXPECT_EQ(Words(zeroStep), (std::vector<uint32_t>{2, 3}));
}

TEST_F(GArrayCollectionTest, RemovalMovesTheLastElementIntoTheHole) {
    GArrayCollection c(4, 4);
    for (int i = 0; i < 4; ++i) c.add(at(i));  // [a, b, c, d]
    c.remove(0);
    c.remove(0);
    EXPECT_EQ(Words(c), (std::vector<uint32_t>{2, 1}));  // [c, b]

    GArrayCollection d(4, 4);
    for (int i : {0, 1, 2, 1, 3}) d.add(at(i));
    EXPECT_EQ(d.index(at(1)), 3);  // search from the end finds the last occurrence
    EXPECT_TRUE(d.remove(at(1)));
    EXPECT_EQ(Words(d), (std::vector<uint32_t>{0, 1, 2, 3}));
    EXPECT_FALSE(d.remove(at(7)));
    EXPECT_EQ(d.index(at(7)), -1);
    EXPECT_TRUE(d.contains(at(2)));

    d.RemoveWithShift(0);
    EXPECT_EQ(Words(d), (std::vector<uint32_t>{1, 2, 3}));
    d.ShiftRight(1);
    EXPECT_EQ(d.get(1), nullptr);
    d.put(1, at(5));
    EXPECT_EQ(Words(d), (std::vector<uint32_t>{1, 5, 2, 3}));
    d.Rotate();
    EXPECT_EQ(Words(d), (std::vector<uint32_t>{3, 2, 5, 1}));
    d.size(1);
    EXPECT_EQ(Words(d), (std::vector<uint32_t>{3}));
    d.size(9);  // cannot extend past the count
    EXPECT_EQ(d.size(), 1);
}

TEST_F(GArrayCollectionTest, EmptyCollectionAnswersSafely) {
    GArrayCollection c(0, 0);
    EXPECT_TRUE(c.isEmpty());
    EXPECT_EQ(c.getFirst(), nullptr);
    EXPECT_EQ(c.getLast(), nullptr);
    c.removeLast();
    EXPECT_EQ(c.size(), 0);
    c.qsort([](const void*, const void*) { return 0; });
    c.ReallocByRealSize();
    c.add(at(4));
    EXPECT_EQ(c.getFirst(), at(4));
    EXPECT_EQ(c.getLast(), at(4));
}

TEST_F(GArrayCollectionTest, IteratorRemovalVisitsEachElementOnce) {
    GArrayCollection c(4, 4);
    for (int i = 0; i < 3; ++i) c.add(at(i));  // [a, b, c]
    std::vector<uint32_t> visited;
    GArrayCollectionIterator it(&c);
    while (it.hasNext()) {
        GObj* o = it.next();
        visited.push_back(Num(o));
        if (o == at(0)) it.remove();
    }
    EXPECT_EQ(visited, (std::vector<uint32_t>{0, 2, 1}));
    EXPECT_EQ(Words(c), (std::vector<uint32_t>{2, 1}));

    // Removing everything while walking empties the collection.
    GArrayCollection all(8, 8);
    for (int i = 0; i < 6; ++i) all.add(at(i));
    int seen = 0;
    for (GArrayCollectionIterator w(&all); w.hasNext(); ++seen) {
        w.next();
        w.remove();
    }
    EXPECT_EQ(seen, 6);
    EXPECT_TRUE(all.isEmpty());

    GArrayCollectionIterator none(nullptr);
    EXPECT_FALSE(none.hasNext());
    GArrayCollectionIterator part(&c, 1, 5);  // clamped to the collection
    ASSERT_TRUE(part.hasNext());
    EXPECT_EQ(part.next(), at(1));
    EXPECT_FALSE(part.hasNext());

    GObj* bare[] = {at(6), at(7)};
    GObjArrayIterator arr(2, bare);
    arr.remove();
    EXPECT_EQ(arr.next(), at(6));
    EXPECT_EQ(arr.next(), at(7));
    EXPECT_FALSE(arr.hasNext());

    GArrayCollection copy(1, 1);
    GObjArrayIterator again(bare, 0, 2);
    copy.addIterator(&again);
    EXPECT_EQ(Words(copy), (std::vector<uint32_t>{6, 7}));
}

TEST_F(GArrayCollectionTest, ClearWithDeleteSkipsNulls) {
    GArrayCollection c(2, 2);
    c.add(new Item(1));
    c.add(nullptr);
    c.add(new Item(2));
    Item::destroyed = 0;
    c.clear(true);
    EXPECT_EQ(Item::destroyed, 2);
    EXPECT_TRUE(c.isEmpty());
}

TEST_F(GArrayCollectionTest, ReallocByRealSizeShrinksToTheCount) {
    GArrayCollection c(16, 4);
    for (int i = 0; i < 5; ++i) c.add(at(i));
    c.ReallocByRealSize();
    EXPECT_EQ(c.GetCapacity(), 5);
    EXPECT_EQ(Words(c), (std::vector<uint32_t>{0, 1, 2, 3, 4}));
    c.ReallocByRealSize();  // count equals capacity: nothing changes
    EXPECT_EQ(c.GetCapacity(), 5);
    c.add(at(5));
    EXPECT_EQ(c.size(), 6);
}

int CompareWords(const void* a, const void* b) {
    const uint32_t x = (*static_cast<GObj* const*>(a))->GetWord();
    const uint32_t y = (*static_cast<GObj* const*>(b))->GetWord();
    return x < y ? -1 : (x > y ? 1 : 0);
}

int CompareWordsDescending(const void* a, const void* b, const void* context) {
    EXPECT_EQ(*static_cast<const int*>(context), 42);
    return -CompareWords(a, b);
}

// Calls values within 3 of each other equal: not a strict ordering.
int CompareTolerant(const void* a, const void* b, const void*) {
    const int x = static_cast<int>((*static_cast<GObj* const*>(a))->GetWord());
    const int y = static_cast<int>((*static_cast<GObj* const*>(b))->GetWord());
    return std::abs(x - y) <= 3 ? 0 : (x < y ? -1 : 1);
}

TEST(GArrayCollectionSort, BothSortsOrderManyElements) {
    std::vector<Item> items;
    for (uint32_t i = 0; i < 2000; ++i) items.emplace_back((i * 7919u) % 1000u);  // duplicates too
    GArrayCollection c;
    for (auto& item : items) c.add(&item);

    c.qsort(CompareWords);
    for (int i = 1; i < c.size(); ++i) ASSERT_LE(Num(c.get(i - 1)), Num(c.get(i)));

    const int context = 42;
    c.qsortex(CompareWordsDescending, &context);
    for (int i = 1; i < c.size(); ++i) ASSERT_GE(Num(c.get(i - 1)), Num(c.get(i)));

    // Already sorted and all-equal inputs are the classic bad cases for quicksort.
    c.qsortex(CompareWordsDescending, &context);
    for (int i = 1; i < c.size(); ++i) ASSERT_GE(Num(c.get(i - 1)), Num(c.get(i)));
    std::vector<Item> same(500, Item(3));
    GArrayCollection flat;
    for (auto& item : same) flat.add(&item);
    flat.qsortex(CompareWordsDescending, &context);
    EXPECT_EQ(flat.size(), 500);
}

TEST(GArrayCollectionSort, TolerantComparatorEndsWithEveryElementKept) {
    std::vector<Item> items;
    for (uint32_t i = 0; i < 300; ++i) items.emplace_back((i * 37u) % 101u);
    GArrayCollection c;
    for (auto& item : items) c.add(&item);
    c.qsortex(CompareTolerant, nullptr);
    ASSERT_EQ(c.size(), 300);
    std::vector<GObj*> sorted(c.toArray(), c.toArray() + c.size());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_TRUE(std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end());
}

}  // namespace
