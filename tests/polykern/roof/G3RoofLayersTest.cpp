// What a roof carries beyond its shape: overhanging eaves, the layers of a thick roof and
// the fascia along its gables, the tags of every facet, texture coordinates, the lookups
// and a rebuild over new input.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <type_traits>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GHeap.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/roof/G3RoofGenerator.h"
#include "polykern/roof/G3RoofPitch.h"
#include "polykern/roof/G3RoofVertex.h"
#include "tests/support/RoofCheck.h"
#include "tests/support/SurfaceShapes.h"

using pktest::PlanPoint;
using pktest::RoofOutline;

namespace {

constexpr double kPi = 3.14159265358979323846;
const std::vector<PlanPoint> kRect = {{0, 0}, {10, 0}, {10, 6}, {0, 6}};

// The input lists of an outline; they own their elements.
struct Input {
    GArrayCollection points, pitches;
    explicit Input(const RoofOutline& r) {
        for (std::size_t i = 0; i < r.points.size(); ++i) {
            points.add(new G3Point(r.points[i].x, r.points[i].y, 0.0, 0));
            pitches.add(new G3RoofAngle(r.pitches[i] * kPi / 180.0));
        }
    }
    ~Input() {
        points.clear(true);
        pitches.clear(true);
    }
};

RoofOutline GabledRect() {
    RoofOutline r = pktest::UniformRoof(kRect, 30.0);
    r.pitches[1] = r.pitches[3] = 90.0;
    return r;
}

std::vector<G3Facet*> OfType(G3Surface* s, ROOF_FACET_TYPE type) {
    std::vector<G3Facet*> out;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        if (G3RoofGenerator::GetFacetType(s->GetFacet(i)) == type) out.push_back(s->GetFacet(i));
    }
    return out;
}

bool HasVertex(const G3Surface* s, double x, double y, double z) {
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        const G3Vertex* v = s->GetVertex(i);
        if (std::fabs(v->GetX() - x) < 1e-9 && std::fabs(v->GetY() - y) < 1e-9 &&
            std::fabs(v->GetZ() - z) < 1e-9) {
            return true;
        }
    }
    return false;
}

}  // namespace

TEST(G3RoofLayers, ThickRoofHasItsTopAboveTheUndersideAndFasciaOnTheGables) {
    const double t = 0.2;
    pktest::RoofBuild b = pktest::BuildRoof(GabledRect(), t, 0.0, true);
    std::unique_ptr<G3Surface> s(b.surface);
    ASSERT_TRUE(b.ok);
    const auto under = OfType(s.get(), ROOF_FACET_UNDER);
    const auto top = OfType(s.get(), ROOF_FACET_TOP);
    const auto fascia = OfType(s.get(), ROOF_FACET_FASCIA);
    ASSERT_EQ(under.size(), 2u);
    ASSERT_EQ(top.size(), 2u);
    ASSERT_EQ(fascia.size(), 4u);  // two rakes on each gable
    for (G3Facet* f : under) {
        EXPECT_LT(f->GetPlaneC(), 0.0);  // faces down
        std::vector<G3Vertex*> ring(f->GetVertexCount());
        f->GetVertices(ring.data());
        for (G3Vertex* v : ring)
            EXPECT_TRUE(HasVertex(s.get(), v->GetX(), v->GetY(), v->GetZ() + t));
    }
    for (G3Facet* f : top) EXPECT_GT(f->GetPlaneC(), 0.0);
    for (G3Facet* f : fascia) {
        // Outwards: the gable at x = 0 faces −x, the one at x = 10 faces +x.
        std::vector<G3Vertex*> ring(f->GetVertexCount());
        f->GetVertices(ring.data());
        const double side = ring[0]->GetX() < 5 ? -1.0 : 1.0;
        EXPECT_NEAR(f->GetPlaneA() * side, 1.0, 1e-9);
        EXPECT_NEAR(f->CalcArea(), t * 3.0, 1e-9);  // t high over a rake 3 long in plan
    }
    // Every edge is walked once each way, but for the open eaves along y = 0 and y = 6.
    for (int i = 0; i < s->GetEdgeCount(); ++i) {
        const G3Edge* e = s->GetEdge(i);
        if (e->GetFacetCount() == 2) {
            EXPECT_NE(e->GetFacet1()->StartOf(e), e->GetFacet2()->StartOf(e));
            continue;
        }
        const double y1 = e->GetVertex1()->GetY(), y2 = e->GetVertex2()->GetY();
        EXPECT_TRUE((y1 == 0 && y2 == 0) || (y1 == 6 && y2 == 6)) << "open edge at " << y1;
    }
}

TEST(G3RoofLayers, EveryFacetReadsBackItsSectionAndType) {
    pktest::RoofBuild b = pktest::BuildRoof(GabledRect(), 0.2, 0.0, true);
    std::unique_ptr<G3Surface> s(b.surface);
    ASSERT_TRUE(b.ok);
    // Sections follow the edges as entered: 1 the long side on y = 0, 2 the gable on x = 10,
    // 3 the long side on y = 6, 4 the gable on x = 0.
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        G3Facet* f = s->GetFacet(i);
        const int section = G3RoofGenerator::GetFacetIndex(f);
        const int type = G3RoofGenerator::GetFacetType(f);
        EXPECT_EQ(G3RoofTagProvider::Published(f, "KTRX_ROOF_SECT_ID"), section);
        EXPECT_EQ(G3RoofTagProvider::Published(f, "KTRX_ROOF_PLANE_INDEX"), type);
        std::vector<G3Vertex*> ring(f->GetVertexCount());
        f->GetVertices(ring.data());
        double x = 0, y = 0;
        for (G3Vertex* v : ring) {
            x += v->GetX() / ring.size();
            y += v->GetY() / ring.size();
        }
        if (type == ROOF_FACET_FASCIA) {
            EXPECT_EQ(section, x > 5 ? 2 : 4);
        } else {
            EXPECT_TRUE(type == ROOF_FACET_TOP || type == ROOF_FACET_UNDER);
            EXPECT_EQ(section, y < 3 ? 1 : 3);
        }
    }
    EXPECT_EQ(G3RoofTagProvider::Get()->GetCurrent().section, 0);
}

TEST(G3RoofLayers, ThickRoofCopiesItsUndersideIntoTheTargetButNeverIntoItself) {
    Input in(GabledRect());
    G3Surface roof, target;
    G3RoofGenerator gen(&roof, 0.0, 0.2, 0.0);
    G3RoofVertex* outline = nullptr;
    ASSERT_TRUE(gen.PrepareContour(&in.points, &in.pitches, &outline));
    ASSERT_TRUE(gen.FirstLevelInitialization(outline));
    EXPECT_FALSE(gen.MakeRoof(outline, &roof));
    EXPECT_EQ(roof.GetFacetCount(), 0);
    ASSERT_TRUE(gen.MakeRoof(outline, &target));
    EXPECT_EQ(target.GetFacetCount(), 2);
    for (int i = 0; i < target.GetFacetCount(); ++i) {
        EXPECT_EQ(G3RoofGenerator::GetFacetType(target.GetFacet(i)), ROOF_FACET_UNDER);
    }
}

TEST(G3RoofLayers, FailedBuildTagsNoLaterFacet) {
    // Four gable walls leave nothing to roof: the build fails half-way.
    Input in(pktest::UniformRoof(kRect, 90.0));
    G3Surface roof;
    G3RoofGenerator gen(&roof, 0.0, 0.0, 0.0);
    G3RoofVertex* outline = nullptr;
    ASSERT_TRUE(gen.PrepareContour(&in.points, &in.pitches, &outline));
    ASSERT_TRUE(gen.FirstLevelInitialization(outline));
    EXPECT_FALSE(gen.MakeRoof(outline, nullptr));
    EXPECT_EQ(G3RoofTagProvider::Get()->GetCurrent().section, 0);
    std::unique_ptr<G3Surface> later(pktest::MakeLShapedBuilding());
    for (int i = 0; i < later->GetFacetCount(); ++i) {
        EXPECT_EQ(G3RoofGenerator::GetFacetIndex(later->GetFacet(i)), 0);
        EXPECT_EQ(G3RoofGenerator::GetFacetType(later->GetFacet(i)), 0);
    }
}

TEST(G3RoofLayers, OverhangPutsTheEavesOutsideTheWalls) {
    const double o = 0.5, reach = o / std::tan(30 * kPi / 180);
    pktest::RoofBuild b = pktest::BuildRoof(pktest::UniformRoof(kRect, 30.0), 0.0, o);
    std::unique_ptr<G3Surface> s(b.surface);
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(s->GetFacetCount(), 4);
    EXPECT_TRUE(HasVertex(s.get(), -reach, -reach, -o));
    EXPECT_TRUE(HasVertex(s.get(), 10 + reach, 6 + reach, -o));
    // The same planes: the ridge has not moved.
    EXPECT_TRUE(HasVertex(s.get(), 3, 3, std::sqrt(3.0)));
    EXPECT_TRUE(HasVertex(s.get(), 7, 3, std::sqrt(3.0)));
    EXPECT_NEAR(pktest::PlanArea(s.get()), (10 + 2 * reach) * (6 + 2 * reach), 1e-9);
}

TEST(G3RoofLayers, PitchChangeOnAStraightWallKeepsBothPlanesUnderAnOverhang) {
    RoofOutline r = pktest::UniformRoof({{0, 0}, {5, 0}, {10, 0}, {10, 6}, {0, 6}}, 30.0);
    r.pitches[1] = 45.0;
    pktest::RoofBuild plain = pktest::BuildRoof(r);
    std::unique_ptr<G3Surface> ps(plain.surface);
    ASSERT_TRUE(plain.ok);
    EXPECT_TRUE(pktest::IsSoundRoof(ps.get(), r));
    EXPECT_EQ(ps->GetFacetCount(), 5);

    const double o = 0.5;
    pktest::RoofBuild b = pktest::BuildRoof(r, 0.0, o);
    std::unique_ptr<G3Surface> s(b.surface);
    ASSERT_TRUE(b.ok);
    // The two eaves meet the wall's normal at x = 5, each at its own offset.
    EXPECT_TRUE(HasVertex(s.get(), 5, -o / std::tan(30 * kPi / 180), -o));
    EXPECT_TRUE(HasVertex(s.get(), 5, -o, -o));
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        EXPECT_GT(s->GetFacet(i)->GetPlaneC(), 0.0);
        EXPECT_LT(s->GetFacet(i)->GetPlaneC(), 0.9);  // no flat plane
    }
    EXPECT_EQ(s->GetFacetCount(), 5);
}

TEST(G3RoofLayers, TextureCoordinatesRunAlongTheEavesAndUpTheSlope) {
    Input in(pktest::UniformRoof(kRect, 30.0));
    G3Surface roof;
    G3RoofGenerator gen(&roof, 0.0, 0.0, 0.0);
    EXPECT_FALSE(gen.GenerateTexCoo());  // nothing to map yet
    G3RoofVertex* outline = nullptr;
    ASSERT_TRUE(gen.PrepareContour(&in.points, &in.pitches, &outline));
    ASSERT_TRUE(gen.FirstLevelInitialization(outline));
    ASSERT_TRUE(gen.MakeRoof(outline, nullptr));
    ASSERT_TRUE(gen.GenerateTexCoo());
    const double slope = 3.0 / std::cos(30 * kPi / 180);
    for (int i = 0; i < roof.GetFacetCount(); ++i) {
        G3Facet* f = roof.GetFacet(i);
        std::vector<G3Vertex*> ring(f->GetVertexCount());
        f->GetVertices(ring.data());
        double tmin = 1e300, tmax = -1e300;
        for (G3Vertex* v : ring) {
            G3TexCoo* t = nullptr;
            f->GetNormal(v, &t);
            ASSERT_NE(t, nullptr);
            tmin = std::min(tmin, t->GetV());
            tmax = std::max(tmax, t->GetV());
            if (v->GetZ() == 0.0) {
                for (G3Vertex* w : ring) {
                    G3TexCoo* u = nullptr;
                    f->GetNormal(w, &u);
                    if (w->GetZ() == 0.0) {
                        const double run = std::hypot(w->GetX() - v->GetX(), w->GetY() - v->GetY());
                        EXPECT_NEAR(std::fabs(u->GetU() - t->GetU()), run, 1e-9);
                        EXPECT_NEAR(u->GetV(), t->GetV(), 1e-9);
                    }
                }
            }
        }
        EXPECT_NEAR(tmax - tmin, slope, 1e-9);
    }
}

TEST(G3RoofLayers, LookupsFindFacetsByEdgePointAndSection) {
    pktest::RoofBuild b = pktest::BuildRoof(pktest::UniformRoof(kRect, 30.0));
    std::unique_ptr<G3Surface> s(b.surface);
    ASSERT_TRUE(b.ok);
    const double h = std::sqrt(3.0);
    G3Point a(3, 3, h, 0), c(7, 3, h, 0);
    G3Facet* f = nullptr;
    ASSERT_TRUE(G3RoofGenerator::GetFacetbyEdge(&a, &c, s.get(), ROOF_FACET_TOP, &f));
    EXPECT_TRUE(G3RoofGenerator::GetFacetIndex(f) == 1 || G3RoofGenerator::GetFacetIndex(f) == 3);
    EXPECT_FALSE(G3RoofGenerator::GetFacetbyEdge(&a, &c, s.get(), ROOF_FACET_UNDER, &f));
    EXPECT_EQ(f, nullptr);
    G3Point p(5, 1, std::tan(30 * kPi / 180), 0);
    ASSERT_TRUE(G3RoofGenerator::GetFacetbyPoint(&p, s.get(), ROOF_FACET_TOP, &f));
    EXPECT_EQ(G3RoofGenerator::GetFacetIndex(f), 1);
    G3Point above(5, 1, 2.0, 0);
    EXPECT_FALSE(G3RoofGenerator::GetFacetbyPoint(&above, s.get(), ROOF_FACET_TOP, &f));
    G3Point centre;
    ASSERT_TRUE(G3RoofGenerator::GetFacetbyPoint(s.get(), 2, ROOF_FACET_TOP, &centre));
    EXPECT_GT(centre.GetX(), 7.0);  // the hip on x = 10
    int lo = 0, hi = 0;
    ASSERT_TRUE(G3RoofGenerator::GetNeighboringFacetID(s.get(), 1, ROOF_FACET_TOP, lo, hi));
    EXPECT_EQ(lo, 2);
    EXPECT_EQ(hi, 4);
    EXPECT_FALSE(G3RoofGenerator::GetNeighboringFacetID(s.get(), 9, ROOF_FACET_TOP, lo, hi));
    EXPECT_FALSE(G3RoofGenerator::GetFacetbyEdge(nullptr, &c, s.get(), ROOF_FACET_TOP, &f));
}

TEST(G3RoofLayers, RegenReleasesTheEarlierPlanesBeforeBuildingAgain) {
    G3Surface roof;
    G3RoofGenerator gen(&roof, 0.0, 0.0, 0.0);
    Input rect(pktest::UniformRoof(kRect, 30.0));
    ASSERT_TRUE(gen.Regen(&rect.points, &rect.pitches));
    EXPECT_EQ(roof.GetFacetCount(), 4);
    EXPECT_EQ(gen.GetPitchCount(), 4);
    Input square(pktest::UniformRoof({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 45.0));
    ASSERT_TRUE(gen.Regen(&square.points, &square.pitches));
    EXPECT_EQ(gen.GetPitchCount(), 4);
    EXPECT_EQ(roof.GetFacetCount(), 8);  // only the new roof was written
    EXPECT_TRUE(HasVertex(&roof, 5, 5, 5));
    EXPECT_FALSE(gen.Regen(nullptr, &square.pitches));
    EXPECT_EQ(gen.GetPitchCount(), 0);
}

TEST(G3RoofLayers, GeneratorIsNotCopyableAndVerticesFitTheirSlots) {
    static_assert(!std::is_copy_constructible<G3RoofGenerator>::value, "shared lists");
    static_assert(!std::is_copy_assignable<G3RoofGenerator>::value, "shared lists");
    auto* v = new G3RoofVertex(nullptr, 0.5, 1);
    ASSERT_NE(G3RoofVertex::GetHeap(), nullptr);
    EXPECT_GE(G3RoofVertex::GetHeap()->GetSlotSize(), static_cast<int>(sizeof(G3RoofVertex)));
    delete v;
}
