#include <gtest/gtest.h>

#include <memory>

#include "modelbridge/G3SurfaceModeler.h"
#include "tests/support/PlaneBodies.h"

namespace {

using pktest::MakeBody;
using pktest::MakeBoxBody;
using pktest::Polygon;

struct BodyDeleter {
    void operator()(Sheetlink_Body* b) const { delete b; }
};
using Body = std::unique_ptr<Sheetlink_Body, BodyDeleter>;

// The two planes of both bodies in one body.
Body Joined(const Sheetlink_Body* a, const Sheetlink_Body* b) {
    Body out(new Sheetlink_Body(a->GetNumPlanes() + b->GetNumPlanes()));
    int k = 0;
    for (const Sheetlink_Body* from : {a, b}) {
        for (int i = 0; i < from->GetNumPlanes(); ++i, ++k) {
            out->SetPointsForIndexedPlane(k, from->GetNumVerticesForIndexedPlane(i),
                                          from->GetVerticesForIndexedPlane(i));
            out->SetMaterialForIndexedPlane(k, from->GetMaterialForIndexedPlane(i));
        }
    }
    return out;
}

void HideAll(Sheetlink_Body* body) {
    for (int i = 0; i < body->GetNumPlanes(); ++i) {
        FPOINT* p = body->GetVerticesForIndexedPlane(i);
        for (int k = 0; k < body->GetNumVerticesForIndexedPlane(i); ++k) p[k].hidden = 1;
    }
}

// A 2 × 1 × 1 box whose roof is two facets meeting at x = 1, while the long walls run
// unbroken past that point: closed, but only through T-junctions.
Body TJunctionBox() {
    return Body(MakeBody({{{0, 0, 0}, {0, 1, 0}, {2, 1, 0}, {2, 0, 0}},
                          {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
                          {{1, 0, 1}, {2, 0, 1}, {2, 1, 1}, {1, 1, 1}},
                          {{0, 0, 0}, {2, 0, 0}, {2, 0, 1}, {0, 0, 1}},
                          {{0, 1, 0}, {0, 1, 1}, {2, 1, 1}, {2, 1, 0}},
                          {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}},
                          {{2, 0, 0}, {2, 1, 0}, {2, 1, 1}, {2, 0, 1}}}));
}

TEST(G3SurfaceModelerClosed, BoxesAreClosedAlsoThroughTJunctions) {
    G3SurfaceModeler m;
    Body box(MakeBoxBody(-1, -2, 0, 3, 1, 2.5));
    EXPECT_EQ(m.IsClosedWireBody(box.get()), 1);
    Body t = TJunctionBox();
    EXPECT_EQ(m.IsClosedWireBody(t.get()), 1);
    EXPECT_EQ(m.IsClosedWireBody(nullptr), 0);
}

TEST(G3SurfaceModelerClosed, AnOpenBodyWithHiddenEdgesIsNotClosed) {
    G3SurfaceModeler m;
    Body square(MakeBody({{{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {0, 3, 0}}}));
    EXPECT_EQ(m.IsClosedWireBody(square.get()), 0);
    HideAll(square.get());
    EXPECT_EQ(m.IsClosedWireBody(square.get()), 0);

    // A box without its lid, every edge hidden: visibility must not change the answer.
    Body box(MakeBoxBody(0, 0, 0, 1, 1, 1));
    Body open(MakeBody({}));
    *open = *box;
    open->SetPointsForIndexedPlane(1, 0, nullptr);
    HideAll(open.get());
    EXPECT_EQ(m.IsClosedWireBody(open.get()), 0);
    HideAll(box.get());
    EXPECT_EQ(m.IsClosedWireBody(box.get()), 1);
}

TEST(G3SurfaceModelerClosed, IsClosedWireBodyLeavesNoOperandBehind) {
    // The test used to destroy its surface but keep pointing at it, so the next operation
    // or the destructor freed it again.
    auto* m = new G3SurfaceModeler();
    Body box(MakeBoxBody(0, 0, 0, 1, 1, 1));
    EXPECT_EQ(m->IsClosedWireBody(box.get()), 1);
    EXPECT_EQ(m->GetOperandA(), nullptr);
    Body other(MakeBoxBody(0.5, 0.5, 0.5, 2, 2, 2));
    Body u(m->BooleanAdd(box.get(), nullptr, other.get(), nullptr, nullptr));
    EXPECT_NE(u, nullptr);
    delete m;
}

TEST(G3SurfaceModelerSheet, OnePieceComesBackAsACopyTheCallerOwns) {
    G3SurfaceModeler m;
    Body box(MakeBoxBody(0, 0, 0, 2, 2, 2, {3, 30, 33}));
    Body copy(m.MakeSheetBodyByBody(box.get()));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy.get(), box.get());
    EXPECT_NEAR(pktest::BodyVolume(copy.get()), 8.0, 1e-12);
    EXPECT_EQ(copy->GetMaterialForIndexedPlane(0), 3);
    EXPECT_EQ(m.MakeSheetBodyByBody(nullptr), nullptr);
}

TEST(G3SurfaceModelerSheet, PiecesOfOneBodyAreUnited) {
    G3SurfaceModeler m;
    Body a(MakeBoxBody(0, 0, 0, 4, 1, 1, {1, 0, 0}));
    Body b(MakeBoxBody(0, 0, 0, 1, 3, 1, {2, 0, 0}));
    Body c(MakeBoxBody(10, 0, 0, 11, 1, 1, {3, 0, 0}));
    Body ab = Joined(a.get(), b.get());
    Body abc = Joined(ab.get(), c.get());
    Body united(m.MakeSheetBodyByBody(abc.get()));
    ASSERT_NE(united, nullptr);
    // The L of a and b (4 + 3 − 1) and the far cube c.
    EXPECT_NEAR(pktest::BodyVolume(united.get()), 7.0, 1e-9);
    EXPECT_NEAR(pktest::BodyAreaOfMaterial(united.get(), 3), 6.0, 1e-9);
    EXPECT_EQ(m.IsClosedWireBody(united.get()), 1);
}

}  // namespace
