#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "polykern/exdata/CDispatchExDataProvider.h"
#include "polykern/exdata/CExData.h"
#include "polykern/exdata/CExDataProvider.h"
#include "polykern/exdata/CStandardExDataProvider.h"

namespace {

void* Id(std::intptr_t n) {
    return reinterpret_cast<void*>(n);
}

CDispatchExDataProvider& Registry() {
    return CDispatchExDataProvider::GetDispatchProvider();
}

// Adds a fixed offset to every value on division; never merges.
class ShiftingProvider : public IGeometryExDataProvider {
public:
    void Free(void*) override {}
    void* GetIdByPlaneDivide(void* value, const G3Surface*, const double*) override {
        return Id(reinterpret_cast<std::intptr_t>(value) + 100);
    }
    void* GetIdByMergeFacets(void*, void*) override { return nullptr; }
};

// Drops its value on division.
class DroppingProvider : public CStandardExDataProvider {
public:
    void* GetIdByPlaneDivide(void*, const G3Surface*, const double*) override { return nullptr; }
};

std::string ThrownText(void (*f)()) {
    try {
        f();
    } catch (const char* text) {
        return text;
    }
    return "";
}

TEST(CDispatchExDataProvider, KnownKeysAndBadKeys) {
    for (const char* key :
         {"KTRX_ROOF_SECT_ID", "KTRX_ROOF_PLANE_INDEX", "KTRX_G3FACE_MATERIAL_INDEX"}) {
        EXPECT_TRUE(Registry().IsRegistered(key)) << key;
    }
    EXPECT_EQ(Registry().GetProvider("KTRX_ROOF_SECT_ID"),
              Registry().GetProvider("KTRX_ROOF_SECT_ID"));
    EXPECT_FALSE(Registry().IsRegistered("ktrx_roof_sect_id"));  // case-sensitive

    EXPECT_EQ(ThrownText([] { CExData().Add("", Id(1)); }), "incorret key");
    EXPECT_EQ(ThrownText([] { Registry().GetProvider(nullptr); }), "incorret key");
    EXPECT_EQ(ThrownText([] { Registry().SetProvider("", nullptr); }), "incorret key");
}

TEST(CDispatchExDataProvider, ReplacingAndSharingProvidersDeletesEachOnce) {
    CDispatchExDataProvider registry;
    auto* shared = new CStandardExDataProvider();
    registry.SetProvider("a", shared);
    registry.SetProvider("a", shared);  // given again: kept, not deleted
    registry.SetProvider("b", shared);  // one provider, two keys
    EXPECT_EQ(registry.GetProvider("a"), shared);
    registry.SetProvider("a", nullptr);  // replaced under a; b still holds it
    EXPECT_EQ(registry.GetProvider("b"), shared);
    EXPECT_NE(registry.GetProvider("a"), shared);
    IGeometryExDataProvider* fresh = registry.GetProvider("new key");
    EXPECT_NE(fresh, nullptr);
    EXPECT_EQ(registry.GetKeyCount(), 3);
    // The sanitizer build reports a double delete or a leak when the registry goes.
}

TEST(CExData, AddGetRemoveAndSharing) {
    CExData bag;
    bag.Add("KTRX_ROOF_SECT_ID", nullptr);
    EXPECT_TRUE(bag.IsEmpty());
    EXPECT_EQ(bag.GetData("never registered anywhere"), nullptr);
    EXPECT_FALSE(Registry().IsRegistered("never registered anywhere"));  // empty bags ask nothing

    bag.Add("KTRX_ROOF_SECT_ID", Id(7));
    bag.Add("KTRX_ROOF_SECT_ID", Id(8));
    EXPECT_EQ(bag.GetData("KTRX_ROOF_SECT_ID"), Id(8));
    EXPECT_EQ(bag.GetTable()->GetTable().size(), 1u);

    bag.Add("test.fresh.key", Id(3));  // an unknown key gets a standard provider
    EXPECT_TRUE(Registry().IsRegistered("test.fresh.key"));
    CExData other;
    other.Add("test.fresh.key", Id(4));
    EXPECT_EQ(other.GetTable()->GetTable().begin()->first,
              Registry().GetProvider("test.fresh.key"));

    CExData copy(bag);
    copy.Add("KTRX_ROOF_PLANE_INDEX", Id(2));
    EXPECT_EQ(bag.GetData("KTRX_ROOF_PLANE_INDEX"), Id(2));  // copies share the table
    copy.Remove("KTRX_ROOF_SECT_ID");
    EXPECT_EQ(bag.GetData("KTRX_ROOF_SECT_ID"), nullptr);

    copy.RemoveAll();  // lets go of the table; the first bag keeps it
    EXPECT_TRUE(copy.IsEmpty());
    EXPECT_EQ(bag.GetData("KTRX_ROOF_PLANE_INDEX"), Id(2));
    bag = nullptr;
    EXPECT_TRUE(bag.IsEmpty());
    bag = other.GetTable();
    EXPECT_EQ(bag.GetData("test.fresh.key"), Id(4));
    EXPECT_EQ(other.GetTable()->RefCount(), 2);
}

TEST(CExData, PlaneDivisionSharesUnlessAProviderChangesAValue) {
    const double plane[4] = {0, 0, 1, 0};
    CExData bag;
    bag.Add("KTRX_ROOF_SECT_ID", Id(5)).Add("KTRX_G3FACE_MATERIAL_INDEX", Id(6));
    CExData part;
    bag.NewIdsByPlaneDivide(part, nullptr, plane);
    EXPECT_EQ(part.GetTable(), bag.GetTable());

    CExData empty, emptyPart;
    empty.NewIdsByPlaneDivide(emptyPart, nullptr, plane);
    EXPECT_TRUE(emptyPart.IsEmpty());

    // Providers that change values make the part a table of its own, whichever entry
    // of the table changes first.
    Registry().SetProvider("test.shift", new ShiftingProvider());
    Registry().SetProvider("test.drop", new DroppingProvider());
    CExData mixed;
    mixed.Add("KTRX_ROOF_SECT_ID", Id(5)).Add("test.shift", Id(1)).Add("test.drop", Id(9));
    CExData piece;
    mixed.NewIdsByPlaneDivide(piece, nullptr, plane);
    EXPECT_NE(piece.GetTable(), mixed.GetTable());
    EXPECT_EQ(piece.GetData("KTRX_ROOF_SECT_ID"), Id(5));
    EXPECT_EQ(piece.GetData("test.shift"), Id(101));
    EXPECT_EQ(piece.GetData("test.drop"), nullptr);
    EXPECT_EQ(piece.GetTable()->GetTable().size(), 2u);
    EXPECT_EQ(mixed.GetData("test.shift"), Id(1));  // the source keeps its values

    mixed.NewIdsByPlaneDivide(mixed, nullptr, plane);  // into itself
    EXPECT_EQ(mixed.GetData("test.shift"), Id(101));
}

TEST(CExData, MergeSharesOnlyWhenOneSideDecides) {
    CExData a, b, same, merged;
    a.Add("KTRX_ROOF_SECT_ID", Id(1));
    b.Add("KTRX_ROOF_SECT_ID", Id(1));  // equal values, distinct tables
    same = a;
    EXPECT_TRUE(merged.MergeIds(a, CExData()));
    EXPECT_EQ(merged.GetTable(), a.GetTable());
    EXPECT_TRUE(merged.MergeIds(CExData(), b));
    EXPECT_EQ(merged.GetTable(), b.GetTable());
    EXPECT_TRUE(merged.MergeIds(a, same));
    EXPECT_EQ(merged.GetTable(), a.GetTable());
    EXPECT_FALSE(merged.MergeIds(a, b));
    EXPECT_TRUE(merged.IsEmpty());
    EXPECT_TRUE(a.MergeIds(a, CExData()));  // into one of its own operands
    EXPECT_EQ(a.GetData("KTRX_ROOF_SECT_ID"), Id(1));
}

}  // namespace
