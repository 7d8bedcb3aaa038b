#include <gtest/gtest.h>

#include <memory>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/render/GRenderGraphicStoreInfo.h"

namespace {

GArrayCollection* Frames(int n, GObj* items) {
    auto* frames = new GArrayCollection();
    for (int i = 0; i < n; ++i) frames->add(&items[i]);
    return frames;
}

}  // namespace

TEST(GRenderGraphicStoreInfo, StartsVisibleAndNeedsBothFlags) {
    std::unique_ptr<GRenderGraphicStoreInfo> r(new GRenderGraphicStoreInfo(7, 3));
    ASSERT_NE(GRenderGraphicStoreInfo::GetHeap(), nullptr);
    EXPECT_EQ(r->GetRenderId(), 7);
    EXPECT_EQ(r->GetLayerId(), 3);
    EXPECT_EQ(r->GetPenWidth(), 0.0);
    EXPECT_EQ(r->GetLuminanceFrames(), nullptr);
    EXPECT_TRUE(r->GetVisible());
    r->SetVisible(false);
    EXPECT_FALSE(r->GetVisible());
    r->SetVisibleInViewport(false);
    r->SetVisible(true);
    EXPECT_FALSE(r->GetVisible());
    r->SetVisibleInViewport(true);
    EXPECT_TRUE(r->GetVisible());
}

// Setting frames destroys the old collection; copies get collections of their own with the
// same elements, so every collection is destroyed exactly once (the sanitizers check it).
TEST(GRenderGraphicStoreInfo, OwnsItsLuminanceFramesAndCopiesThem) {
    GObj items[3];
    GRenderGraphicStoreInfo a(1, 2);
    a.SetLuminanceFrames(Frames(2, items));
    a.SetLuminanceFrames(Frames(3, items));
    a.SetLuminanceFrames(a.GetLuminanceFrames());
    a.SetColor(0xFF0000);
    a.SetGraphicID(-5);
    a.SetVisibleInViewport(false);

    GRenderGraphicStoreInfo b(a), c(9, 9), e(0, 0);
    c.SetLuminanceFrames(Frames(1, items));
    c = a;
    std::unique_ptr<GObj> d(a.Duplicate());
    e.Copy(d.get());
    GObj plain;
    e.Copy(&plain);  // only another render record is taken over
    for (const auto* copy : {&b, &c, static_cast<GRenderGraphicStoreInfo*>(d.get()), &e}) {
        EXPECT_EQ(copy->GetRenderId(), 1);
        EXPECT_EQ(copy->GetColor(), 0xFF0000);
        EXPECT_EQ(copy->GetGraphicID(), -5);
        EXPECT_FALSE(copy->GetVisible());
        ASSERT_NE(copy->GetLuminanceFrames(), nullptr);
        EXPECT_NE(copy->GetLuminanceFrames(), a.GetLuminanceFrames());
        ASSERT_EQ(copy->GetLuminanceFrames()->size(), 3);
        EXPECT_EQ(copy->GetLuminanceFrames()->get(2), &items[2]);
    }
    a.SetLuminanceFrames(nullptr);
    EXPECT_EQ(a.GetLuminanceFrames(), nullptr);
    c = a;
    EXPECT_EQ(c.GetLuminanceFrames(), nullptr);
}
