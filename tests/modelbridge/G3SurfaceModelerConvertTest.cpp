#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "modelbridge/G3MatsFacetProvider.h"
#include "modelbridge/G3SurfaceModeler.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/PlaneBodies.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using pktest::BodyArea;
using pktest::BodyVolume;

struct BodyDeleter {
    void operator()(Sheetlink_Body* b) const { delete b; }
};
using Body = std::unique_ptr<Sheetlink_Body, BodyDeleter>;

Body Plane(std::vector<FPOINT> points) {
    Body body(new Sheetlink_Body(1));
    body->SetPointsForIndexedPlane(0, static_cast<int>(points.size()), points.data());
    return body;
}

FPOINT P(double x, double y, double z, bool hidden = false) {
    return FPOINT{x, y, z, 0, 0, static_cast<uint8_t>(hidden ? 1 : 0)};
}

int HiddenEdges(const G3Surface* s) {
    int n = 0;
    GArrayCollection* edges = s->GetEdgeList();
    for (int i = 0; i < edges->size(); ++i)
        n += static_cast<G3Edge*>(edges->get(i))->GetVisible() ? 0 : 1;
    return n;
}

TEST(G3SurfaceModelerConvert, ARepeatedClosingPointGivesNoExtraVertex) {
    G3SurfaceModeler m;
    Body square = Plane({P(0, 0, 0), P(1, 0, 0), P(1, 1, 0), P(0, 1, 0), P(0, 0, 0)});
    G3Surface* s = m.GetFacetRepresentation(square.get(), 111);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetFacetCount(), 1);
    EXPECT_EQ(s->GetVertexCount(), 4);
    EXPECT_NEAR(pktest::Area(s), 1.0, 1e-12);
    delete s;
}

TEST(G3SurfaceModelerConvert, ThreePointsOfWhichTwoCoincideGiveNoFacet) {
    G3SurfaceModeler m;
    Body sliver = Plane({P(0, 0, 0), P(1, 0, 0), P(1, 0, 5e-8)});
    G3Surface* s = m.GetFacetRepresentation(sliver.get(), 111);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetFacetCount(), 0);
    delete s;

    Body empty(new Sheetlink_Body());
    s = m.GetFacetRepresentation(empty.get(), 111);
    ASSERT_NE(s, nullptr);  // an empty surface, not null
    EXPECT_EQ(s->GetFacetCount(), 0);
    delete s;
    EXPECT_EQ(m.GetFacetRepresentation(nullptr, 111), nullptr);
}

TEST(G3SurfaceModelerConvert, ANonFiniteCornerGivesNoSurface) {
    G3SurfaceModeler m;
    Body bad = Plane({P(0, 0, 0), P(1, 0, 0), P(1, std::nan(""), 0), P(0, 1, 0)});
    EXPECT_EQ(m.GetFacetRepresentation(bad.get(), 111), nullptr);
}

TEST(G3SurfaceModelerConvert, HiddenFlagsFollowDroppedDuplicatesByPosition) {
    // Corner 1 is doubled; only the edge from corner 3 back to corner 0 is hidden. Counting
    // kept points by their index in the plane would hide the edge after the duplicate.
    G3SurfaceModeler m;
    Body plane =
        Plane({P(0, 0, 0), P(2, 0, 0), P(2, 0, 0), P(2, 2, 0), P(0, 2, 0, true), P(0, 0, 0)});
    G3Surface* s = m.GetFacetRepresentation(plane.get(), 111);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->GetFacetCount(), 1);
    ASSERT_EQ(HiddenEdges(s), 1);
    GArrayCollection* edges = s->GetEdgeList();
    for (int i = 0; i < edges->size(); ++i) {
        auto* e = static_cast<G3Edge*>(edges->get(i));
        if (e->GetVisible()) continue;
        const double* a = e->GetVertex1()->GetXYZ();
        const double* b = e->GetVertex2()->GetXYZ();
        EXPECT_DOUBLE_EQ(a[0], 0.0);
        EXPECT_DOUBLE_EQ(b[0], 0.0);
    }
    // A hidden flag on the last point of a plane cannot run past the facet.
    Body last = Plane({P(0, 0, 0), P(1, 0, 0), P(1, 1, 0), P(0, 0, 0, true)});
    G3Surface* t = m.GetFacetRepresentation(last.get(), 111);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(HiddenEdges(t), 0);
    delete t;
    delete s;
}

TEST(G3SurfaceModelerConvert, FacetsWithHolesBecomePlanesThatCoverThemExactly) {
    G3SurfaceModeler m;
    G3Surface* slab = pktest::MakeSlabWithTwoOpenings();
    ASSERT_NE(slab, nullptr);
    G3MatsFacetProvider::Register();
    for (int i = 0; i < slab->GetFacetCount(); ++i)
        G3MatsFacetProvider::G3FacetSetMaterial(static_cast<G3Facet*>(slab->GetFacetList()->get(i)),
                                                4);
    const double area = pktest::Area(slab);
    const double volume = pktest::SignedVolume(slab);
    Sheetlink_Body* raw = nullptr;
    m.GetBodyRepresentation(slab, &raw, false);
    Body body(raw);
    ASSERT_NE(body, nullptr);
    EXPECT_GT(body->GetNumPlanes(), slab->GetFacetCount());
    EXPECT_TRUE(pktest::PlanesAreClosedRings(body.get()));
    EXPECT_NEAR(BodyArea(body.get()), area, 1e-9 * area);
    EXPECT_NEAR(BodyVolume(body.get()), volume, 1e-9 * volume);
    EXPECT_NEAR(pktest::BodyAreaOfMaterial(body.get(), 4), area, 1e-9 * area);

    // The body goes back to a closed surface of the same volume, the splitting edges hidden.
    G3Surface* back = m.GetFacetRepresentation(body.get(), 111);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(pktest::IsClosedWithVolume(back, volume, 1e-9));
    EXPECT_GT(HiddenEdges(back), 0);
    EXPECT_EQ(m.IsClosedWireBody(body.get()), 1);
    delete back;
    delete slab;
}

TEST(G3SurfaceModelerConvert, DuplicateBodyCopiesPointsButNotAttributes) {
    G3SurfaceModeler m;
    Body box(pktest::MakeBoxBody(0, 0, 0, 1, 2, 3, {5, 77, 9}));
    Body copy(m.DuplicateBody(box.get()));
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->GetNumPlanes(), 6);
    EXPECT_NEAR(BodyVolume(copy.get()), 6.0, 1e-12);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(copy->GetColorForIndexedPlane(i), 0);
        EXPECT_NE(copy->GetVerticesForIndexedPlane(i), box->GetVerticesForIndexedPlane(i));
    }
    EXPECT_EQ(m.DuplicateBody(nullptr), nullptr);
    m.DeleteBody(nullptr);
}

TEST(G3SurfaceModelerConvert, ASurfaceWithoutFacetsGivesNoBody) {
    G3SurfaceModeler m;
    Sheetlink_Body* out = reinterpret_cast<Sheetlink_Body*>(&m);
    m.GetBodyRepresentation(nullptr, &out, false);
    EXPECT_EQ(out, nullptr);
    G3Surface empty;
    out = reinterpret_cast<Sheetlink_Body*>(&m);
    m.GetBodyRepresentation(&empty, &out, false);
    EXPECT_EQ(out, nullptr);
    m.GetBodyRepresentation(&empty, nullptr, false);
}

}  // namespace
