#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "polykern/foundation/GHashtable.h"
#include "polykern/foundation/GHashtableIterator.h"

namespace {

// Keys and values carry their number in the word of the root object.
long HashWord(const GObj* key) {
    return static_cast<long>(const_cast<GObj*>(key)->GetWord());
}
long NegativeHash(const GObj* key) {
    return -1 - HashWord(key);
}
int CompareWord(const GObj* a, const GObj* b) {
    const uint32_t x = const_cast<GObj*>(a)->GetWord();
    const uint32_t y = const_cast<GObj*>(b)->GetWord();
    return x < y ? -1 : (x > y ? 1 : 0);
}

struct Counted : GObj {
    explicit Counted(uint32_t n) : GObj(n) {}
    ~Counted() override { ++deleted; }
    static int deleted;
};
int Counted::deleted = 0;

TEST(GHashtable, PutGetRemove) {
    GHashtable table(7, HashWord, CompareWord, CompareWord);
    GObj k1(1), k1again(1), k2(2), a(10), b(20);
    EXPECT_EQ(table.Put(&k1, &a), nullptr);
    EXPECT_EQ(table.Put(&k2, &b), nullptr);
    EXPECT_EQ(table.GetSize(), 2);
    EXPECT_EQ(table.Get(&k1again), &a);      // equal keys, not identical ones
    EXPECT_EQ(table.Put(&k1again, &b), &a);  // replaces, count unchanged
    EXPECT_EQ(table.GetSize(), 2);
    EXPECT_EQ(table.Remove(&k1), &b);
    EXPECT_EQ(table.Remove(&k1), nullptr);  // absent: nothing changes
    EXPECT_EQ(table.GetSize(), 1);
    EXPECT_EQ(table.Get(&k1), nullptr);
    table.Clear();
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_EQ(table.Get(&k2), nullptr);
}

TEST(GHashtable, GrowsTo2nPlus1AndKeepsEveryKey) {
    GHashtable table(314, 0.75f, HashWord, CompareWord, nullptr);
    std::vector<GObj> keys;
    for (uint32_t i = 0; i < 2000; ++i) keys.emplace_back(i * 31u);
    for (int i = 0; i < 235; ++i) table.Put(&keys[i], &keys[i]);
    EXPECT_EQ(table.GetTableSize(), 314);
    table.Put(&keys[235], &keys[235]);  // the 236th grows the table first
    EXPECT_EQ(table.GetTableSize(), 629);
    for (std::size_t i = 236; i < keys.size(); ++i) table.Put(&keys[i], &keys[i]);
    EXPECT_EQ(table.GetSize(), 2000);
    for (auto& k : keys) ASSERT_EQ(table.Get(&k), &k);

    GHashtable tiny(0, HashWord, CompareWord, nullptr);  // one bucket, threshold 0
    EXPECT_EQ(tiny.GetTableSize(), 1);
    tiny.Put(&keys[0], &keys[0]);
    EXPECT_EQ(tiny.GetTableSize(), 3);

    GHashtable zeroLoad(5, 0.0f, HashWord, CompareWord, nullptr);  // would grow on every insertion
    for (int i = 0; i < 40; ++i) zeroLoad.Put(&keys[i], &keys[i]);
    EXPECT_LT(zeroLoad.GetTableSize(), 200);
}

TEST(GHashtable, NegativeHashesUseTheBucketOfTheClearedSignBit) {
    GHashtable table(11, NegativeHash, CompareWord, nullptr);
    GObj key(5), value(1);
    table.Put(&key, &value);
    const long h = NegativeHash(&key);
    const int bucket = static_cast<int>((h & 0x7FFFFFFF) % 11);
    ASSERT_NE(table.GetHashEntryTable()[bucket], nullptr);
    EXPECT_EQ(table.GetHashEntryTable()[bucket]->key, &key);
    EXPECT_EQ(table.GetHashEntryTable()[bucket]->hash, h);  // stored whole
}

TEST(GHashtable, MultiMapPairs) {
    GHashtable table(5, HashWord, CompareWord, CompareWord);
    GObj k(3), a(100), b(200), aAgain(100);
    EXPECT_EQ(table.PutValue(&k, &a), nullptr);
    EXPECT_EQ(table.PutValue(&k, &b), nullptr);
    EXPECT_EQ(table.GetSize(), 2);
    EXPECT_EQ(table.Get(&k), &b);                // the newest heads the chain
    EXPECT_EQ(table.PutValue(&k, &aAgain), &a);  // equal pair reused
    EXPECT_EQ(table.GetSize(), 2);
    EXPECT_EQ(table.GetValue(&k, &a), &aAgain);
    EXPECT_EQ(table.RemoveValue(&k, &a), &aAgain);  // only that pair
    EXPECT_EQ(table.GetSize(), 1);
    EXPECT_EQ(table.Get(&k), &b);
    EXPECT_EQ(table.RemoveValue(&k, &a), nullptr);
}

TEST(GHashtable, IteratorVisitsEveryEntryOnce) {
    GHashtable table(3, HashWord, CompareWord, CompareWord);
    std::vector<GObj> keys;
    for (uint32_t i = 0; i < 50; ++i) keys.emplace_back(i);
    for (auto& k : keys) table.Put(&k, &k);
    std::set<GObj*> seen;
    GHashtableIterator it(&table);
    while (it.hasNext()) {
        auto* entry = static_cast<GHashtableEntry*>(it.next());
        EXPECT_EQ(entry->key, entry->value);
        EXPECT_TRUE(seen.insert(entry->key).second);
    }
    EXPECT_EQ(seen.size(), 50u);
    EXPECT_EQ(it.NextEntry(), nullptr);
    GHashtableIterator none(nullptr);
    EXPECT_FALSE(none.hasNext());
}

TEST(GHashtable, ClearWithValueDeletesEachValueOnce) {
    GHashtable table(5, HashWord, CompareWord, nullptr);
    GObj k1(1), k2(2), k3(3);
    auto* shared = new Counted(9);
    table.PutValue(&k1, shared);
    table.PutValue(&k2, shared);  // one value under two keys
    table.PutValue(&k3, nullptr);
    Counted::deleted = 0;
    table.ClearWithValue();
    EXPECT_EQ(Counted::deleted, 1);
    EXPECT_TRUE(table.IsEmpty());
}

TEST(GHashtable, MissingFunctionsCompareByIdentity) {
    GHashtable table(5, nullptr, nullptr, nullptr);
    GObj a(1), b(1), v(0);
    table.Put(&a, &v);
    EXPECT_EQ(table.Get(&a), &v);
    EXPECT_EQ(table.Get(&b), nullptr);
    EXPECT_EQ(table.GetValue(&a, &v), nullptr);
}

}  // namespace
