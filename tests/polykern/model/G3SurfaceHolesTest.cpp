// Facets with holes through the surface passes: orientation, clean-up, merging and
// splitting keep each loop apart, and slabs with openings stay closed and outward.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

constexpr double kTol = 1e-9;
constexpr double kOneOpening = 28.8;    // 10·10·0.3 − 2·2·0.3
constexpr double kTwoOpenings = 16.65;  // 10·6·0.3 − 2·1.5·1.5·0.3

using SurfacePtr = std::unique_ptr<G3Surface>;

}  // namespace

TEST(G3FacetHoles, OrientNormals2KeepsSlabWithOpeningOutward) {
    for (const bool far : {false, true}) {
        SCOPED_TRACE(far ? "far" : "near");
        SurfacePtr slab(pktest::MakeSlabWithOpening(far));
        ASSERT_TRUE(pktest::IsClosedWithVolume(slab.get(), kOneOpening));
        ASSERT_TRUE(slab->OrientNormals2(true));
        EXPECT_TRUE(pktest::IsClosedWithVolume(slab.get(), kOneOpening));
        EXPECT_EQ(slab->GetFacetCount(), 10);
        // Turned inside out first, it comes back outward.
        slab->NegNormals();
        EXPECT_TRUE(pktest::HasVolume(slab.get(), -kOneOpening));
        ASSERT_TRUE(slab->OrientNormals2(true));
        EXPECT_TRUE(pktest::IsClosedWithVolume(slab.get(), kOneOpening));
    }
}

// Each pass a host runs on a mesh must leave a slab with openings closed, paired and of
// the same volume.
TEST(G3FacetHoles, SlabsWithOpeningsSurviveEveryPass) {
    struct Pass {
        const char* name;
        bool (*run)(G3Surface*);
    };
    const std::string dump = ::testing::TempDir() + "holes-slab.dump";
    const Pass passes[] = {
        {"OrientNormals2", [](G3Surface* s) { return s->OrientNormals2(true); }},
        {"Update 1001", [](G3Surface* s) { return s->Update(CHECK_LEVEL_1001), true; }},
        {"Update 1002", [](G3Surface* s) { return s->Update(CHECK_LEVEL_1002), true; }},
        {"Update 1003", [](G3Surface* s) { return s->Update(CHECK_LEVEL_1003), true; }},
        {"Triangulate concave", [](G3Surface* s) { return s->Triangulate(0x1, 0); }},
        {"RemoveEqualsVertexAndDivideEdges",
         [](G3Surface* s) { return s->RemoveEqualsVertexAndDivideEdges(), true; }},
        {"RemoveEqualsFacets", [](G3Surface* s) { return s->RemoveEqualsFacets(), true; }},
        {"RemoveSelfIntersections",
         [](G3Surface* s) { return s->RemoveSelfIntersections(), true; }},
    };
    for (const bool two : {false, true}) {
        for (const bool far : {false, true}) {
            for (const Pass& pass : passes) {
                SCOPED_TRACE(std::string(pass.name) + (two ? ", two openings" : ", one opening") +
                             (far ? ", far" : ""));
                SurfacePtr s(two ? pktest::MakeSlabWithTwoOpenings(far)
                                 : pktest::MakeSlabWithOpening(far));
                const double volume = two ? kTwoOpenings : kOneOpening;
                EXPECT_TRUE(pass.run(s.get()));
                s->AssignIds();
                EXPECT_TRUE(pktest::IsClosedWithVolume(s.get(), volume));
                EXPECT_NEAR(pktest::Area(s.get()),
                            two ? 2 * 55.5 + 0.3 * (32 + 2 * 6) : 2 * 96.0 + 0.3 * (40 + 8), 1e-6);
                // And through the dump and back.
                s->Save(dump.c_str());
                G3Surface back;
                ASSERT_TRUE(back.LoadChecked(dump.c_str()));
                back.FormPlaneEquation();
                EXPECT_TRUE(pktest::IsClosedWithVolume(&back, volume));
                EXPECT_EQ(back.GetFacetCount(), s->GetFacetCount());
            }
        }
    }
}

TEST(G3FacetHoles, WeldingAHoleShutDropsItsLoop) {
    // An opening narrower than the welding tolerance closes; the slab becomes a plain one.
    SurfacePtr slab(
        pktest::MakeSlabWithOpenings({0, 0, 10, 10}, {{4, 4, 4 + 4e-7, 4 + 4e-7}}, 0.3));
    slab->RemoveEqualsVertex();
    slab->RemoveTrivialFacets();
    slab->RemoveUnused();
    EXPECT_TRUE(pktest::IsWellFormed(slab.get()));
    EXPECT_EQ(slab->GetFacetCount(), 6);
    for (int i = 0; i < slab->GetFacetCount(); ++i) EXPECT_EQ(slab->GetFacet(i)->GetEdgeCount(), 4);
    EXPECT_TRUE(pktest::IsClosedWithVolume(slab.get(), 30.0));
}

TEST(G3FacetHoles, DoubledFacetWithHoleIsFoundOnlyWithTheSameHoles) {
    SurfacePtr slab(pktest::MakeSlabWithTwoOpenings());
    const G3Facet* top = pktest::FindFacetWithHoles(slab.get());
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    ASSERT_TRUE(top->GetLoops(starts, ends));
    // The same loops again, each starting elsewhere and the holes in the other order.
    auto loop = [&](int l, int shift) {
        const int b = l == 0 ? 0 : ends[l - 1], n = ends[l] - b;
        std::vector<G3Vertex*> v;
        for (int k = 0; k < n; ++k) v.push_back(starts[b + (k + shift) % n]);
        return v;
    };
    auto addWithHoles = [&](const std::vector<G3Vertex*>& outline,
                            const std::vector<std::vector<G3Vertex*>>& holes) {
        std::vector<G3Vertex*> v = outline;
        G3Facet* f = slab->AddFacet(static_cast<int>(v.size()), v.data(), 1, nullptr, nullptr);
        for (const auto& h : holes) {
            for (std::size_t k = 0; k < h.size(); ++k)
                slab->AddEdge(h[k], h[(k + 1) % h.size()], f);
        }
        f->FormPlaneEquation();
    };
    addWithHoles(loop(0, 2), {loop(2, 1), loop(1, 3)});
    addWithHoles(loop(0, 1), {loop(1, 0)});  // one hole fewer: a different facet
    const int before = slab->GetFacetCount();
    slab->RemoveEqualsFacets();
    EXPECT_EQ(slab->GetFacetCount(), before - 1);
    int doubleSided = 0;
    for (int i = 0; i < slab->GetFacetCount(); ++i)
        doubleSided += slab->GetFacet(i)->GetDoubleSided();
    EXPECT_EQ(doubleSided, 1);
}

TEST(G3FacetHoles, MergingAcrossAnEdgeKeepsTheHole) {
    for (const bool inPlane : {false, true}) {
        SCOPED_TRACE(inPlane ? "UnionInPlaneFacets" : "UnionFacets");
        // A 10 × 10 plate with the opening at (4..6)², and a strip north of it sharing its
        // north edge, which the plate runs from east to west and the strip back.
        G3Surface plate;
        const double outline[4][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
        const double hole[4][2] = {{4, 4}, {4, 6}, {6, 6}, {6, 4}};
        G3Vertex *o[4], *h[4];
        for (int k = 0; k < 4; ++k) {
            o[k] = plate.AddVertex(outline[k][0], outline[k][1], 0, 0);
            h[k] = plate.AddVertex(hole[k][0], hole[k][1], 0, 0);
        }
        G3Facet* f = plate.AddFacet(4, o, 1, nullptr, nullptr);
        for (int k = 0; k < 4; ++k) plate.AddEdge(h[k], h[(k + 1) % 4], f);
        f->FormPlaneEquation();
        G3Vertex* strip[4] = {o[3], o[2], plate.AddVertex(10, 12, 0, 0),
                              plate.AddVertex(0, 12, 0, 0)};
        ASSERT_NE(plate.AddFacet(4, strip, 1, nullptr, nullptr), nullptr);
        GArrayCollection shared(2, 2);
        o[3]->GetEdges(o[2], &shared);
        ASSERT_EQ(shared.size(), 1);
        static_cast<G3Edge*>(shared.get(0))->SetFlags(G3EDGE_NEW);
        if (inPlane) {
            plate.UnionInPlaneFacets(G3EDGE_NEW);
        } else {
            plate.UnionFacets(G3EDGE_NEW);
        }
        plate.RemoveUnused();
        plate.AssignIds();
        ASSERT_EQ(plate.GetFacetCount(), 1);
        EXPECT_TRUE(pktest::IsWellFormed(&plate));
        G3Facet* merged = plate.GetFacet(0);
        merged->FormPlaneEquation();
        std::vector<G3Vertex*> starts;
        std::vector<int> ends;
        ASSERT_TRUE(merged->GetLoops(starts, ends));
        EXPECT_EQ(ends.size(), 2u);
        EXPECT_NEAR(merged->CalcArea(), 116, kTol * 116);
        EXPECT_NEAR(pktest::Area(&plate), 116, kTol * 116);
        EXPECT_GT(merged->GetPlaneC(), 0.999);
        const double inHole[3] = {5, 5, 0}, inStrip[3] = {5, 11, 0};
        G3Vertex *a, *b;
        EXPECT_FALSE(merged->PointInFacetXY(inHole, &a, &b));
        EXPECT_TRUE(merged->PointInFacetXY(inStrip, &a, &b));
    }
}

// A vertex inserted into any edge of a facet with holes, the first edge of a hole loop and
// the last edge of the outline included, joins the loop in the right place.
TEST(G3FacetHoles, SplittingAnyEdgeKeepsLoopsHeadToTail) {
    SurfacePtr probe(pktest::MakeSlabWithOpening());
    const int n = pktest::FindFacetWithHoles(probe.get())->GetEdgeCount();
    for (int k = 0; k < n; ++k) {
        SCOPED_TRACE("ring edge " + std::to_string(k));
        SurfacePtr slab(pktest::MakeSlabWithOpening());
        G3Facet* top = pktest::FindFacetWithHoles(slab.get());
        G3Edge* e = top->GetFirstEdge();
        for (int m = 0; m < k; ++m) e = top->NextEdge(e);
        const double* a = e->GetVertex1()->GetXYZ();
        const double* b = e->GetVertex2()->GetXYZ();
        G3Vertex* mid = slab->AddVertex(0.5 * (a[0] + b[0]), 0.5 * (a[1] + b[1]), a[2], 0);
        slab->SplitEdge(e, mid);
        slab->RemoveUnused();
        slab->AssignIds();
        EXPECT_EQ(top->GetEdgeCount(), n + 1);
        EXPECT_TRUE(pktest::IsClosedWithVolume(slab.get(), kOneOpening));
    }
    // The same through the T-junction repair: a wall of the opening made of two quads
    // leaves a corner on the middle of the top's and the bottom's hole edge.
    SurfacePtr slab(pktest::MakeSlabWithOpening());
    GArrayCollection walls(2, 2);
    for (int i = 0; i < slab->GetFacetCount(); ++i) {
        G3Facet* f = slab->GetFacet(i);
        if (std::fabs(f->GetPlaneA() - 1) < 1e-12 && std::fabs(f->GetPlaneD() + 4) < 1e-12) {
            walls.add(f);  // the opening's west wall, x = 4, facing +x
        }
    }
    ASSERT_EQ(walls.size(), 1);
    slab->RemoveFacet(static_cast<G3Facet*>(walls.get(0)));
    slab->RemoveUnused();
    G3Vertex* c[6] = {slab->AddVertex(4, 6, 0, 0),   slab->AddVertex(4, 5, 0, 0),
                      slab->AddVertex(4, 4, 0, 0),   slab->AddVertex(4, 4, 0.3, 0),
                      slab->AddVertex(4, 5, 0.3, 0), slab->AddVertex(4, 6, 0.3, 0)};
    // Running the bottom edge from y = 4 to y = 6, as the wall they replace.
    G3Vertex* q1[4] = {c[2], c[1], c[4], c[3]};
    G3Vertex* q2[4] = {c[1], c[0], c[5], c[4]};
    slab->AddFacet(4, q1, 1, nullptr, nullptr);
    slab->AddFacet(4, q2, 1, nullptr, nullptr);
    slab->RemoveEqualsVertexAndDivideEdges();
    slab->RemoveNonManifoldEdges();
    slab->AssignIds();
    EXPECT_EQ(pktest::FindFacetWithHoles(slab.get())->GetEdgeCount(), 9);
    EXPECT_TRUE(pktest::IsClosedWithVolume(slab.get(), kOneOpening));
}

// Coplanar facets on both sides of an edge hide it, also when one side is a hole's edge:
// a plate with an opening and a lid filling it show no seam.
TEST(G3FacetHoles, SeamBetweenHoleAndItsLidIsHidden) {
    G3Surface plate;
    const double outline[4][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    const double hole[4][2] = {{4, 4}, {4, 6}, {6, 6}, {6, 4}};
    G3Vertex *o[4], *h[4];
    for (int k = 0; k < 4; ++k) {
        o[k] = plate.AddVertex(outline[k][0], outline[k][1], 0, 0);
        h[k] = plate.AddVertex(hole[k][0], hole[k][1], 0, 0);
    }
    G3Facet* f = plate.AddFacet(4, o, 1, nullptr, nullptr);
    for (int k = 0; k < 4; ++k) plate.AddEdge(h[k], h[(k + 1) % 4], f);
    f->FormPlaneEquation();
    G3Vertex* lid[4] = {h[3], h[2], h[1], h[0]};
    plate.AddFacet(4, lid, 1, nullptr, nullptr);
    plate.MarkInPlaneEdgesAsInvisible();
    int hidden = 0, shown = 0;
    for (int i = 0; i < plate.GetEdgeCount(); ++i) {
        const G3Edge* e = plate.GetEdge(i);
        (e->GetFacetCount() == 2 ? hidden : shown) += e->IsInvisible() == (e->GetFacetCount() == 2);
    }
    EXPECT_EQ(hidden, 4) << "the lid's seam";
    EXPECT_EQ(shown, 4) << "the outline";
}

// Merging two corners of a triangular hole in place leaves a loop of two edges, which
// encloses nothing: it goes, and the plate is whole again.
TEST(G3FacetHoles, CollapsedHoleLeavesTheRing) {
    G3Surface plate;
    const double outline[4][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    G3Vertex* o[4];
    for (int k = 0; k < 4; ++k) o[k] = plate.AddVertex(outline[k][0], outline[k][1], 0, 0);
    G3Vertex* h[3] = {plate.AddVertex(4, 4, 0, 0), plate.AddVertex(5, 6, 0, 0),
                      plate.AddVertex(6, 4, 0, 0)};
    G3Facet* f = plate.AddFacet(4, o, 1, nullptr, nullptr);
    for (int k = 0; k < 3; ++k) plate.AddEdge(h[k], h[(k + 1) % 3], f);
    f->FormPlaneEquation();
    ASSERT_NEAR(f->CalcArea(), 98, kTol);
    GArrayCollection collapsed(2, 2);
    ASSERT_TRUE(plate.ChangeVertex(h[1], h[0], &collapsed));
    EXPECT_EQ(collapsed.size(), 1);
    plate.RemoveUnused();
    plate.AssignIds();
    EXPECT_TRUE(pktest::IsWellFormed(&plate));
    EXPECT_EQ(f->GetEdgeCount(), 4);
    EXPECT_NEAR(f->CalcArea(), 100, kTol);
    const double middle[3] = {5, 4.5, 0};
    G3Vertex *a, *b;
    EXPECT_TRUE(f->PointInFacetXY(middle, &a, &b));
}
