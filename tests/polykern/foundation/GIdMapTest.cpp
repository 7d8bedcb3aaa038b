#include <gtest/gtest.h>

#include "polykern/foundation/GIdMap.h"
#include "polykern/foundation/GIdentifiableObject.h"
#include "polykern/foundation/GPointer.h"

namespace {

TEST(GIdMap, FreeIdsAndGrowth) {
    GIdMap map(4);
    GObj objs[6];
    for (int i = 0; i < 4; ++i) EXPECT_EQ(map.Put(i, &objs[i]), nullptr);
    EXPECT_EQ(map.GetFreeId(), 4);  // every slot used: just past the end
    EXPECT_EQ(map.Put(4, &objs[4]), nullptr);
    EXPECT_EQ(map.GetMapSize(), 5);
    EXPECT_EQ(map.Put(2, &objs[5]), &objs[2]);
    EXPECT_EQ(map.Remove(1), &objs[1]);
    EXPECT_EQ(map.Remove(1), nullptr);  // already free
    EXPECT_EQ(map.GetFreeId(), 1);
    EXPECT_EQ(map.Put(9, &objs[0]), nullptr);
    EXPECT_EQ(map.GetMapSize(), 10);
    EXPECT_EQ(map.Get(7), nullptr);

    map.Realloc(3);
    EXPECT_EQ(map.GetMapSize(), 3);
    EXPECT_EQ(map.Get(2), &objs[5]);
    EXPECT_EQ(map.Get(4), nullptr);
    map.Clear();
    EXPECT_EQ(map.GetMapSize(), 3);
    EXPECT_EQ(map.GetFreeId(), 0);
}

TEST(GIdMap, IdsOutsideTheMapAnswerNull) {
    GIdMap map(2);
    GObj obj;
    EXPECT_EQ(map.Get(-1), nullptr);
    EXPECT_EQ(map.Get(2), nullptr);
    EXPECT_EQ(map.Remove(-3), nullptr);
    EXPECT_EQ(map.Remove(100), nullptr);
    EXPECT_EQ(map.Put(-1, &obj), nullptr);  // stores nothing
    EXPECT_EQ(map.GetMapSize(), 2);
    EXPECT_EQ(map.GetFreeId(), 0);
    map.Realloc(-5);
    EXPECT_EQ(map.GetMapSize(), 2);
    EXPECT_EQ(GIdMap(0).GetMapSize(), 1);
    EXPECT_EQ(GIdMap().GetMapSize(), 256);
}

TEST(GIdentifiableObject, UnassignedUntilSet) {
    GIdentifiableObject o;
    EXPECT_EQ(o.GetId(), -1);
    o.SetId(12);
    GIdentifiableObject copy(o);
    EXPECT_EQ(copy.GetId(), 12);
}

struct Tracked : GPointer {
    explicit Tracked(bool* flag) : deleted(flag) {}
    ~Tracked() override { *deleted = true; }
    bool* deleted;
};

TEST(GPointer, LastReleaseDeletesAndCopiesCountAlone) {
    bool deleted = false;
    auto* p = new Tracked(&deleted);
    p->AddRef();
    p->AddRef();
    Tracked copy(*p);
    EXPECT_EQ(copy.RefCount(), 0);  // a copy has no owners yet
    bool copyDeleted = false;
    copy.deleted = &copyDeleted;
    Tracked other(&copyDeleted);
    other.AddRef();
    other = *p;
    EXPECT_EQ(other.RefCount(), 1);  // assignment keeps the target's owners
    p->Release();
    EXPECT_FALSE(deleted);
    p->Release();
    EXPECT_TRUE(deleted);
}

}  // namespace
