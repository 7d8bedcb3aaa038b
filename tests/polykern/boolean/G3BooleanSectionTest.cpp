// Plane sections of closed bodies: segment lengths and section areas against their exact
// polygonal values, planes through vertices and along edges, many planes in one call, and
// the same answer as a scan of every facet by every plane.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/boolean/G3Interval.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetEdgeIterator.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

constexpr double kPi = 3.141592653589793;

double TotalLength(const G3IntervalList& list) {
    double sum = 0.0;
    GArrayCollection* all = list.GetIntervalList();
    for (int i = 0; i < all->size(); ++i) {
        const auto* iv = static_cast<G3Interval*>(all->get(i));
        const double* a = iv->GetXYZ1();
        const double* b = iv->GetXYZ2();
        sum += std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                         (a[2] - b[2]) * (a[2] - b[2]));
    }
    return sum;
}

// The area of the convex polygon through the points where the edges of a convex body
// around the z axis cross the plane z = h (corners on the plane count once).
double ConvexSectionArea(const G3Surface* s, double h) {
    std::vector<std::pair<double, double>> pts;
    for (int i = 0; i < s->GetEdgeCount(); ++i) {
        const double* p = s->GetEdge(i)->GetVertex1()->GetXYZ();
        const double* q = s->GetEdge(i)->GetVertex2()->GetXYZ();
        if ((p[2] - h) * (q[2] - h) >= 0.0) continue;
        const double t = (h - p[2]) / (q[2] - p[2]);
        pts.emplace_back(p[0] + t * (q[0] - p[0]), p[1] + t * (q[1] - p[1]));
    }
    std::sort(pts.begin(), pts.end(), [](const auto& a, const auto& b) {
        return std::atan2(a.second, a.first) < std::atan2(b.second, b.first);
    });
    double twice = 0.0;
    for (std::size_t k = 0; k < pts.size(); ++k) {
        const auto& a = pts[k];
        const auto& b = pts[(k + 1) % pts.size()];
        twice += a.first * b.second - b.first * a.second;
    }
    return 0.5 * twice;
}

// The lowest z of a facet's corners: which floor a section of a building belongs to.
double FacetHeight(const G3Facet* f) {
    double z = HUGE_VAL;
    for (const G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e))
        z = std::min(z, e->GetVertex1()->GetZ());
    return z;
}

// Every facet by every plane, as sections were made before facets were picked by their
// span: the reference the picked facets must reproduce exactly.
void ScanIntervals(G3Surface* s, int n, const double* planes, G3IntervalList* out) {
    for (int p = 0; p < n; ++p) {
        const double* q = planes + 4 * p;
        const double len = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]);
        const double unit[4] = {q[0] / len, q[1] / len, q[2] / len, q[3] / len};
        for (int k = s->GetFacetCount() - 1; k >= 0; --k) {
            G3IntervalList cuts;
            if (s->GetFacet(k)->IntersectByPlaneConcave(unit, &cuts) == 0) continue;
            cuts.BuildIntervals();
            GArrayCollection* all = cuts.GetIntervalList();
            for (int i = 0; i < all->size(); ++i) {
                const auto* iv = static_cast<G3Interval*>(all->get(i));
                out->AddInterval(iv->GetXYZ1(), iv->GetXYZ2());
            }
        }
    }
}

G3Vertex* WeldLinear(G3Surface* out, std::vector<G3Vertex*>* made, const double* p) {
    for (G3Vertex* v : *made) {
        const double dx = v->GetX() - p[0], dy = v->GetY() - p[1], dz = v->GetZ() - p[2];
        if (dx * dx + dy * dy + dz * dz < 1e-12) return v;
    }
    G3Vertex* v = out->AddVertex(p, 0);
    made->push_back(v);
    return v;
}

void AddOnce(G3EdgeList* list, G3Vertex* a, G3Vertex* b) {
    if (a == b) return;
    for (int i = 0; i < list->size(); ++i) {
        const G3Edge* e = list->GetEdgeAt(i);
        if ((e->GetVertex1() == a && e->GetVertex2() == b) ||
            (e->GetVertex1() == b && e->GetVertex2() == a))
            return;
    }
    list->AddEdge(a, b, nullptr, nullptr, nullptr, nullptr, 1);
}

// The sections by a scan of every facet, corners welded and doubled edges dropped by a
// linear search.
G3Surface* ScanSections(G3Surface* s, int n, const double* planes) {
    auto* out = new G3Surface();
    for (int p = 0; p < n; ++p) {
        const double* q = planes + 4 * p;
        const double len = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]);
        const double unit[4] = {q[0] / len, q[1] / len, q[2] / len, q[3] / len};
        G3EdgeList list(1, 1);
        std::vector<G3Vertex*> made;
        for (int k = s->GetFacetCount() - 1; k >= 0; --k) {
            G3Facet* f = s->GetFacet(k);
            G3IntervalList cuts;
            const int r = f->IntersectByPlaneConcave(unit, &cuts);
            if (r == 0) continue;
            if (r == 3) {
                for (G3FacetEdgeIterator it(f); it.hasNext();) {
                    const auto* e = static_cast<G3Edge*>(it.next());
                    G3Vertex* b = WeldLinear(out, &made, e->GetVertex2()->GetXYZ());
                    AddOnce(&list, WeldLinear(out, &made, e->GetVertex1()->GetXYZ()), b);
                }
                continue;
            }
            cuts.BuildIntervals();
            GArrayCollection* all = cuts.GetIntervalList();
            for (int i = all->size() - 1; i >= 0; --i) {
                const auto* iv = static_cast<G3Interval*>(all->get(i));
                G3Vertex* b = WeldLinear(out, &made, iv->GetXYZ2());
                AddOnce(&list, WeldLinear(out, &made, iv->GetXYZ1()), b);
            }
        }
        if (list.size() == 0) continue;
        list.SetPlane(unit);
        GArrayCollection contours;
        list.RemoveSelfIntersections(&contours, out, false, UNION_EDGE_SPLIT, 0);
        out->AddContourFacets(&contours, nullptr, nullptr);
    }
    out->RemoveUnused();
    return out;
}

::testing::AssertionResult SameSurface(const G3Surface* a, const G3Surface* b) {
    if (a->GetVertexCount() != b->GetVertexCount() || a->GetFacetCount() != b->GetFacetCount())
        return ::testing::AssertionFailure()
               << a->GetVertexCount() << " vertices, " << a->GetFacetCount() << " facets against "
               << b->GetVertexCount() << ", " << b->GetFacetCount();
    for (int i = 0; i < a->GetVertexCount(); ++i) {
        for (int k = 0; k < 3; ++k) {
            if (a->GetVertex(i)->GetXYZ()[k] != b->GetVertex(i)->GetXYZ()[k])
                return ::testing::AssertionFailure() << "vertex " << i << " moved";
        }
    }
    for (int i = 0; i < a->GetFacetCount(); ++i) {
        std::vector<G3Vertex*> sa, sb;
        std::vector<int> ea, eb;
        a->GetFacet(i)->GetLoops(sa, ea);
        b->GetFacet(i)->GetLoops(sb, eb);
        bool same = sa.size() == sb.size() && ea == eb;
        for (std::size_t k = 0; same && k < sa.size(); ++k) same = sa[k]->GetId() == sb[k]->GetId();
        if (!same) return ::testing::AssertionFailure() << "facet " << i << " differs";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(G3BooleanSectionLengths, PerimeterOfLShapeAndOutlinePlusHoleOfSlab) {
    G3BooleanCalculator bc;
    std::unique_ptr<G3Surface> building(pktest::MakeLShapedBuilding());
    // The 8 × 6 plan without its 4 × 3 corner: 8 + 3 + 4 + 3 + 4 + 6.
    const double floor[4] = {0, 0, 1, -1.5};
    G3IntervalList walls;
    ASSERT_TRUE(bc.Divide(building.get(), 1, floor, &walls));
    EXPECT_NEAR(TotalLength(walls), 28.0, 1e-9);
    // x = 2 crosses the long wing: a 6 × 3 rectangle.
    const double across[4] = {1, 0, 0, -2};
    G3IntervalList cut;
    ASSERT_TRUE(bc.Divide(building.get(), 1, across, &cut));
    EXPECT_NEAR(TotalLength(cut), 18.0, 1e-9);
    // The slab's 10 × 10 outline and its 2 × 2 opening.
    std::unique_ptr<G3Surface> slab(pktest::MakeSlabWithOpening());
    const double middle[4] = {0, 0, 1, -0.15};
    G3IntervalList rims;
    ASSERT_TRUE(bc.Divide(slab.get(), 1, middle, &rims));
    EXPECT_NEAR(TotalLength(rims), 48.0, 1e-9);
}

TEST(G3BooleanSectionParallel, EveryFloorOfAnLShapedBuildingHasItsPlanArea) {
    // 31 floors from the ground slab to the roof, both of which lie in a plane.
    std::vector<double> planes;
    for (int k = 0; k <= 30; ++k) planes.insert(planes.end(), {0, 0, 1, -0.1 * k});
    G3BooleanCalculator bc;
    std::unique_ptr<G3Surface> building(pktest::MakeLShapedBuilding());
    G3Surface* out = nullptr;
    ASSERT_TRUE(bc.Divide(building.get(), 31, planes.data(), &out));
    std::unique_ptr<G3Surface> floors(out);
    ASSERT_EQ(floors->GetFacetCount(), 31);
    for (int k = 0; k <= 30; ++k) {
        const G3Facet* f = floors->GetFacet(k);
        EXPECT_NEAR(f->CalcArea(), 36.0, 1e-9) << k;
        EXPECT_NEAR(FacetHeight(f), 0.1 * k, 1e-12) << k;
        EXPECT_GT(f->GetPlane()[2], 0.999) << k;
    }
}

TEST(G3BooleanSectionParallel, HundredSphereSectionsMatchTheirPolygons) {
    std::unique_ptr<G3Surface> sphere(pktest::MakeSphere(96, 48));
    std::vector<double> planes;
    for (int k = 0; k < 100; ++k) planes.insert(planes.end(), {0, 0, 1, 0.99 - 0.02 * k});
    G3BooleanCalculator bc;
    G3Surface* out = nullptr;
    ASSERT_TRUE(bc.Divide(sphere.get(), 100, planes.data(), &out));
    std::unique_ptr<G3Surface> sections(out);
    ASSERT_EQ(sections->GetFacetCount(), 100);
    for (int k = 0; k < 100; ++k) {
        const double expected = ConvexSectionArea(sphere.get(), -0.99 + 0.02 * k);
        EXPECT_NEAR(sections->GetFacet(k)->CalcArea(), expected, 1e-9 * expected) << k;
    }
}

TEST(G3BooleanSectionThroughVertices, RingHeightAndMeridianGiveTheirExactPolygons) {
    const int slices = 48, stacks = 24;
    std::unique_ptr<G3Surface> sphere(pktest::MakeSphere(slices, stacks));
    G3BooleanCalculator bc;
    // The ring r = 6 at the height the builder gave it: the section is the ring itself,
    // every ring edge reported by the triangles above and below it.
    const double phi = kPi * 6 / stacks;
    const double ring[4] = {0, 0, 1, -std::cos(phi)};
    G3Surface* out = nullptr;
    ASSERT_TRUE(bc.Divide(sphere.get(), 1, ring, &out));
    std::unique_ptr<G3Surface> polygon(out);
    ASSERT_EQ(polygon->GetFacetCount(), 1);
    EXPECT_EQ(polygon->GetVertexCount(), slices);
    const double r = std::sin(phi);
    const double regular = 0.5 * slices * r * r * std::sin(2 * kPi / slices);
    EXPECT_NEAR(pktest::Area(polygon.get()), regular, 1e-12);
    // y = 0 runs along the meridians θ = 0 and θ = π: the section's corners are the
    // meridians' vertices and the poles.
    const double meridian[4] = {0, 1, 0, 0};
    ASSERT_TRUE(bc.Divide(sphere.get(), 1, meridian, &out));
    std::unique_ptr<G3Surface> profile(out);
    ASSERT_EQ(profile->GetFacetCount(), 1);
    EXPECT_EQ(profile->GetVertexCount(), 2 * (stacks - 1) + 2);
    double twice = 0.0;  // the half polygon x ≥ 0, closed along the axis
    for (int k = 0; k < stacks; ++k) {
        const double a = kPi * k / stacks, b = kPi * (k + 1) / stacks;
        twice += std::sin(a) * std::cos(b) - std::sin(b) * std::cos(a);
    }
    EXPECT_NEAR(pktest::Area(profile.get()), std::fabs(twice), 1e-9);
}

TEST(G3BooleanSectionMixed, ObliqueAndParallelPlanesInOneCallMatchSeparateCalls) {
    const double n = 1.0 / std::sqrt(3.0);
    // Two floors (one with an unnormalised normal), a wall plane between them, an oblique
    // plane and a floor the body misses.
    const double planes[6][4] = {{0, 0, 1, -0.3}, {2, 0, 0, -0.2}, {0, 0, 2, 1.0},
                                 {n, n, n, -0.2}, {0, 0, 1, -3.0}, {0, 0, 1, 0.8}};
    std::unique_ptr<G3Surface> sphere(pktest::MakeSphere(64, 32));
    G3BooleanCalculator bc;
    G3Surface* out = nullptr;
    ASSERT_TRUE(bc.Divide(sphere.get(), 6, &planes[0][0], &out));
    std::unique_ptr<G3Surface> all(out);
    ASSERT_EQ(all->GetFacetCount(), 5);
    int facet = 0;
    for (const auto& plane : planes) {
        G3Surface* one = nullptr;
        const bool hit = bc.Divide(sphere.get(), 1, plane, &one);
        std::unique_ptr<G3Surface> alone(one);
        if (plane[3] == -3.0) {
            EXPECT_FALSE(hit);
            continue;
        }
        ASSERT_TRUE(hit);
        ASSERT_EQ(alone->GetFacetCount(), 1);
        EXPECT_NEAR(all->GetFacet(facet)->CalcArea(), alone->GetFacet(0)->CalcArea(), 1e-12);
        const double* p = all->GetFacet(facet)->GetPlane();
        const double len =
            std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
        EXPECT_GT((p[0] * plane[0] + p[1] * plane[1] + p[2] * plane[2]) / len, 0.999) << facet;
        ++facet;
    }
}

TEST(G3BooleanSectionMisses, AMissAmongHitsIsTrueAndOnlyMissesAreFalse) {
    std::unique_ptr<G3Surface> building(pktest::MakeLShapedBuilding());
    G3BooleanCalculator bc;
    const double some[3][4] = {{0, 0, 1, 5}, {0, 0, 1, -2}, {1, 0, 0, -20}};
    G3Surface* out = nullptr;
    ASSERT_TRUE(bc.Divide(building.get(), 3, &some[0][0], &out));
    std::unique_ptr<G3Surface> one(out);
    EXPECT_EQ(one->GetFacetCount(), 1);
    EXPECT_NEAR(pktest::Area(one.get()), 36.0, 1e-9);
    G3IntervalList segments;
    EXPECT_TRUE(bc.Divide(building.get(), 3, &some[0][0], &segments));
    const double none[2][4] = {{0, 0, 1, 5}, {1, 0, 0, -20}};
    EXPECT_FALSE(bc.Divide(building.get(), 2, &none[0][0], &out));
    EXPECT_EQ(out, nullptr);
    G3IntervalList empty;
    EXPECT_FALSE(bc.Divide(building.get(), 2, &none[0][0], &empty));
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_FALSE(bc.Divide(nullptr, 2, &none[0][0], &out));
    EXPECT_FALSE(bc.Divide(building.get(), 0, &none[0][0], &out));
    EXPECT_FALSE(bc.Divide(building.get(), 1, nullptr, &out));
    EXPECT_FALSE(bc.Divide(building.get(), 1, &some[1][0], static_cast<G3Surface**>(nullptr)));
    EXPECT_FALSE(bc.Divide(building.get(), 1, &some[1][0], static_cast<G3IntervalList*>(nullptr)));
}

TEST(G3BooleanSectionHardInput, NonFinitePlaneAmongValidOnesGivesNoResult) {
    std::unique_ptr<G3Surface> building(pktest::MakeLShapedBuilding());
    G3BooleanCalculator bc;
    for (const double bad : {std::nan(""), HUGE_VAL, 0.0}) {
        const double planes[3][4] = {{0, 0, 1, -1}, {0, bad, 0, -1}, {0, 0, 1, -2}};
        double tail[3][4];
        std::copy(&planes[0][0], &planes[0][0] + 12, &tail[0][0]);
        if (bad == 0.0) tail[1][0] = tail[1][2] = 0.0;  // a zero normal
        G3Surface* out = nullptr;
        EXPECT_FALSE(bc.Divide(building.get(), 3, &tail[0][0], &out)) << bad;
        EXPECT_EQ(out, nullptr);
        G3IntervalList segments;
        EXPECT_FALSE(bc.Divide(building.get(), 3, &tail[0][0], &segments)) << bad;
        EXPECT_TRUE(segments.IsEmpty());
    }
    building->GetVertex(3)->SetX(std::nan(""));
    const double floor[4] = {0, 0, 1, -1};
    G3Surface* out = nullptr;
    EXPECT_FALSE(bc.Divide(building.get(), 1, floor, &out));
    EXPECT_EQ(out, nullptr);
}

TEST(G3BooleanSectionReference, PickedFacetsGiveTheSameSectionsAsAScanOfEveryFacet) {
    std::unique_ptr<G3Surface> sphere(pktest::MakeSphere(64, 32));
    const double ring = std::cos(kPi * 5 / 32);
    const double n = 1.0 / std::sqrt(3.0);
    // Ring heights exactly and just inside and outside the on-plane tolerance, floors
    // between rings, an oblique plane and one along the meridians.
    std::vector<double> planes = {
        0, 0, 1,    -ring, 0, 0, 1, -ring - 0.9e-6, 0, 0, 1, -ring + 1.1e-6, n,
        n, n, -0.1, 0,     1, 0, 0};
    for (int k = 0; k < 20; ++k) planes.insert(planes.end(), {0, 0, 1, 0.95 - 0.1 * k});
    const int count = static_cast<int>(planes.size() / 4);
    G3BooleanCalculator bc;
    G3IntervalList picked, scanned;
    ASSERT_TRUE(bc.Divide(sphere.get(), count, planes.data(), &picked));
    ScanIntervals(sphere.get(), count, planes.data(), &scanned);
    GArrayCollection* a = picked.GetIntervalList();
    GArrayCollection* b = scanned.GetIntervalList();
    ASSERT_EQ(a->size(), b->size());
    for (int i = 0; i < a->size(); ++i) {
        const auto* x = static_cast<G3Interval*>(a->get(i));
        const auto* y = static_cast<G3Interval*>(b->get(i));
        for (int k = 0; k < 3; ++k) {
            ASSERT_EQ(x->GetXYZ1(k), y->GetXYZ1(k)) << i;
            ASSERT_EQ(x->GetXYZ2(k), y->GetXYZ2(k)) << i;
        }
    }
    for (G3Surface* body : {sphere.get(), pktest::MakeLShapedBuilding()}) {
        G3Surface* out = nullptr;
        ASSERT_TRUE(bc.Divide(body, count, planes.data(), &out));
        std::unique_ptr<G3Surface> fast(out), slow(ScanSections(body, count, planes.data()));
        EXPECT_TRUE(SameSurface(fast.get(), slow.get()));
        if (body != sphere.get()) delete body;
    }
}

// Sections of several loops each (a slab's outline around its opening, the two arms of a
// U, strips either side of an opening), on far-off rotated copies so that no two corners
// share a height: traced straight into loops, they must equal the general tracing.
TEST(G3BooleanSectionReference, SeveralLoopsPerSectionMatchTheGeneralTracing) {
    std::vector<G3Surface*> bodies = {
        pktest::MakeSlabWithOpening(true), pktest::MakeSlabWithTwoOpenings(true),
        pktest::MakePrism({{0, 0}, {6, 0}, {6, 5}, {4, 5}, {4, 2}, {2, 2}, {2, 5}, {0, 5}}, 3.0,
                          true)};
    G3BooleanCalculator bc;
    for (G3Surface* body : bodies) {
        std::unique_ptr<G3Surface> owned(body);
        GEnvelope box;
        body->FormEnvelope(&box);
        std::vector<double> planes;
        const double c[3] = {0.5 * (box.GetMin()[0] + box.GetMax()[0]),
                             0.5 * (box.GetMin()[1] + box.GetMax()[1]),
                             0.5 * (box.GetMin()[2] + box.GetMax()[2])};
        const std::array<std::array<double, 3>, 3> normals = {
            {{1, 0, 0}, {0, 0.6, 0.8}, {0.48, 0.6, 0.64}}};
        for (const std::array<double, 3>& n : normals) {
            for (int k = -3; k <= 3; ++k) {
                const double d = -(n[0] * c[0] + n[1] * c[1] + n[2] * c[2]) + 0.37 * k;
                planes.insert(planes.end(), {n[0], n[1], n[2], d});
            }
        }
        // Along a slab's faces, half-way through it: an outline around one or two holes.
        if (const G3Facet* top = pktest::FindFacetWithHoles(body)) {
            const double* n = top->GetPlane();
            planes.insert(planes.end(), {n[0], n[1], n[2], n[3] + 0.15});
        }
        const int count = static_cast<int>(planes.size() / 4);
        G3Surface* out = nullptr;
        ASSERT_TRUE(bc.Divide(body, count, planes.data(), &out));
        std::unique_ptr<G3Surface> fast(out), slow(ScanSections(body, count, planes.data()));
        EXPECT_TRUE(SameSurface(fast.get(), slow.get()));
        if (pktest::FindFacetWithHoles(body) != nullptr) {
            EXPECT_NE(pktest::FindFacetWithHoles(fast.get()), nullptr);
        }
    }
}
