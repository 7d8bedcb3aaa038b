// Facet materials: every facet the kernel makes from a facet carries that facet's
// material through copies, Booleans, the final coplanar merge, openings, slices and
// sections; facets made from nothing take the current one; the terrain and roof builders
// paint what they make with it.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/exdata/G3FaceMaterials.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/openings/G3HoleMaker.h"
#include "polykern/roof/G3RoofTags.h"
#include "polykern/terrain/G3LandscapeHandler.h"
#include "tests/support/RoofCheck.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"
#include "tests/support/TerrainCheck.h"

namespace {

using SurfacePtr = std::unique_ptr<G3Surface>;
using Plane = std::array<double, 4>;
using Provider = G3FaceMaterialProvider;

constexpr int kTerrain = 1, kWall = 2, kSlab = 3, kRoof = 4, kGlass = 5;

// An L-shaped wall 0.3 thick and 3 high along y = 0 and x = 0.
const std::vector<pktest::PlanPoint> kLWall = {{0, 0},     {8, 0},   {8, 0.3},
                                               {0.3, 0.3}, {0.3, 6}, {0, 6}};
constexpr double kLWallVolume = (8 * 0.3 + 0.3 * 5.7) * 3;

std::vector<Plane> PlanesOf(const G3Surface* s) {
    std::vector<Plane> out;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const double* p = s->GetFacet(i)->GetPlane();
        out.push_back({p[0], p[1], p[2], p[3]});
    }
    return out;
}

// Whether f lies in one of the planes, either way round (a subtrahend's turn over).
bool InOneOf(const G3Facet* f, const std::vector<Plane>& planes) {
    const double* p = f->GetPlane();
    for (const Plane& q : planes) {
        for (double sign : {1.0, -1.0}) {
            bool same = true;
            for (int k = 0; k < 4; ++k) same = same && std::fabs(p[k] - sign * q[k]) < 1e-6;
            if (same) return true;
        }
    }
    return false;
}

// Every facet of r lies in a plane of exactly one operand and carries that operand's
// material.
::testing::AssertionResult MaterialsFollowPlanes(
    G3Surface* r, const std::vector<Plane>& a, int ma, const std::vector<Plane>& b, int mb) {
    for (int i = 0; i < r->GetFacetCount(); ++i) {
        G3Facet* f = r->GetFacet(i);
        const bool inA = InOneOf(f, a), inB = InOneOf(f, b);
        if (inA == inB) return ::testing::AssertionFailure() << "facet " << i << " is ambiguous";
        const int want = inA ? ma : mb, got = Provider::MaterialOf(f);
        if (got != want) {
            return ::testing::AssertionFailure()
                   << "facet " << i << " carries " << got << ", expected " << want;
        }
    }
    return ::testing::AssertionSuccess();
}

std::map<int, double> AreaByMaterial(G3Surface* s) {
    std::map<int, double> out;
    for (int i = 0; i < s->GetFacetCount(); ++i)
        out[Provider::MaterialOf(s->GetFacet(i))] += s->GetFacet(i)->CalcArea();
    return out;
}

int CountOf(G3Surface* s, int material) {
    int n = 0;
    for (int i = 0; i < s->GetFacetCount(); ++i)
        n += Provider::MaterialOf(s->GetFacet(i)) == material ? 1 : 0;
    return n;
}

// The facets of s whose plane has unit normal (nx, ny, nz) and lies at height d along it.
std::vector<G3Facet*> FacetsOn(G3Surface* s, double nx, double ny, double nz, double d) {
    std::vector<G3Facet*> out;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const double* p = s->GetFacet(i)->GetPlane();
        if (std::fabs(p[0] - nx) < 1e-9 && std::fabs(p[1] - ny) < 1e-9 &&
            std::fabs(p[2] - nz) < 1e-9 && std::fabs(p[3] + d) < 1e-9)
            out.push_back(s->GetFacet(i));
    }
    return out;
}

SurfacePtr Painted(G3Surface* s, int material) {
    Provider::SetMaterial(s, material);
    return SurfacePtr(s);
}

double Hills(double x, double y) {
    return 4 + std::sin(0.4 * x) + 0.5 * std::cos(0.3 * y);
}

}  // namespace

TEST(G3FaceMaterials, SettersScopesAndPublishedKey) {
    SurfacePtr wall(pktest::MakeLShapedBuilding());
    G3Facet* f = wall->GetFacet(0);
    EXPECT_EQ(Provider::MaterialOf(f), 0);
    EXPECT_TRUE(Provider::SetMaterial(f, kGlass));
    EXPECT_EQ(Provider::Published(f, "KTRX_G3FACE_MATERIAL_INDEX"), kGlass);
    EXPECT_EQ(Provider::Published(f, "KTRX_ROOF_SECT_ID"), 0);
    EXPECT_EQ(Provider::Published(f, nullptr), 0);
    // Refused input changes nothing.
    EXPECT_FALSE(Provider::SetMaterial(f, -1));
    EXPECT_FALSE(Provider::SetMaterial(f, Provider::kMaxMaterial + 1));
    EXPECT_FALSE(Provider::SetMaterial(static_cast<G3Obj*>(nullptr), kWall));
    EXPECT_FALSE(Provider::SetMaterial(static_cast<G3Obj*>(wall.get()), kWall));  // no facet
    EXPECT_FALSE(Provider::SetMaterial(static_cast<G3Surface*>(nullptr), kWall));
    EXPECT_EQ(Provider::MaterialOf(f), kGlass);
    EXPECT_EQ(Provider::MaterialOf(wall.get()), 0);
    EXPECT_TRUE(Provider::SetMaterial(f, 0));
    EXPECT_EQ(Provider::MaterialOf(f), 0);
    {
        G3FaceMaterialScope outer(kWall);
        {
            G3FaceMaterialScope inner(kSlab);
            EXPECT_FALSE(inner.Set(-5));
            EXPECT_EQ(Provider::Get()->GetCurrent(), kSlab);
            SurfacePtr slab(pktest::MakeSlabWithOpening());
            EXPECT_EQ(CountOf(slab.get(), kSlab), slab->GetFacetCount());
        }
        EXPECT_EQ(Provider::Get()->GetCurrent(), kWall);
    }
    EXPECT_EQ(Provider::Get()->GetCurrent(), 0);
    SurfacePtr plain(pktest::MakeLShapedBuilding());
    EXPECT_EQ(CountOf(plain.get(), 0), plain->GetFacetCount());
}

TEST(G3FaceMaterials, CopiesKeepEachFacetsMaterialWhateverIsCurrent) {
    SurfacePtr building(pktest::MakeLShapedBuilding(true));
    for (int i = 0; i < building->GetFacetCount(); ++i)
        Provider::SetMaterial(building->GetFacet(i), 1 + i % 5);
    G3FaceMaterialScope scope(kTerrain);
    SurfacePtr copy(building->Duplicate());
    ASSERT_EQ(copy->GetFacetCount(), building->GetFacetCount());
    for (int i = 0; i < copy->GetFacetCount(); ++i)
        EXPECT_EQ(Provider::MaterialOf(copy->GetFacet(i)), 1 + i % 5) << "facet " << i;
    SurfacePtr one(G3Surface::FormFacetSurface(building->GetFacet(3)));
    EXPECT_EQ(Provider::MaterialOf(one->GetFacet(0)), 1 + 3 % 5);
}

TEST(G3FaceMaterials, WindowBoxRevealsKeepTheBoxMaterialInAnLShapedWall) {
    for (bool far : {false, true}) {
        SurfacePtr wall = Painted(pktest::MakePrism(kLWall, 3.0, far), kWall);
        // A window box through the long leg, standing proud of both faces.
        SurfacePtr box = Painted(
            pktest::MakePrismBetween({{2, -0.5}, {3.2, -0.5}, {3.2, 0.8}, {2, 0.8}}, 1.0, 2.2),
            kGlass);
        if (far) {
            for (int i = 0; i < box->GetVertexCount(); ++i) {
                double p[3] = {box->GetVertex(i)->GetX(), box->GetVertex(i)->GetY(),
                               box->GetVertex(i)->GetZ()};
                pktest::MoveFar(p);
                box->GetVertex(i)->Set(p);
            }
            box->FormPlaneEquation();
        }
        const auto wallPlanes = PlanesOf(wall.get()), boxPlanes = PlanesOf(box.get());
        G3BooleanCalculator calc;
        SurfacePtr r(calc.Sub(wall.release(), box.release()));
        ASSERT_NE(r, nullptr);
        EXPECT_TRUE(pktest::IsClosedWithVolume(r.get(), kLWallVolume - 1.2 * 1.2 * 0.3, 1e-7));
        EXPECT_TRUE(MaterialsFollowPlanes(r.get(), wallPlanes, kWall, boxPlanes, kGlass));
        // Four reveals 0.3 deep around the 1.2 × 1.2 opening.
        EXPECT_NEAR(AreaByMaterial(r.get())[kGlass], 4 * 1.2 * 0.3, 1e-6) << far;
    }
}

TEST(G3FaceMaterials, MitredWallPrismsUnitedKeepTheirMaterialsApart) {
    // Two walls of an L meeting along the mitre from (8, 0) to (7.7, 0.3): their tops and
    // bottoms are coplanar across the seam, so the final merge is tempted to join them.
    const std::vector<pktest::PlanPoint> along = {{0, 0}, {8, 0}, {7.7, 0.3}, {0, 0.3}};
    const std::vector<pktest::PlanPoint> up = {{8, 0}, {8, 6}, {7.7, 6}, {7.7, 0.3}};
    const double mitre = std::sqrt(0.18) * 3.0;
    for (int second : {kSlab, kWall}) {
        SurfacePtr a = Painted(pktest::MakePrism(along, 3.0), kWall);
        SurfacePtr b = Painted(pktest::MakePrism(up, 3.0), second);
        const double areaA = pktest::Area(a.get()) - mitre, areaB = pktest::Area(b.get()) - mitre;
        const double volume = pktest::SignedVolume(a.get()) + pktest::SignedVolume(b.get());
        G3BooleanCalculator calc;
        SurfacePtr r(calc.Add(a.release(), b.release()));
        ASSERT_NE(r, nullptr);
        EXPECT_TRUE(pktest::IsClosedWithVolume(r.get(), volume, 1e-9));
        EXPECT_EQ(CountOf(r.get(), 0), 0);
        const auto areas = AreaByMaterial(r.get());
        const auto tops = FacetsOn(r.get(), 0, 0, 1, 3.0);
        if (second == kSlab) {
            EXPECT_NEAR(areas.at(kWall), areaA, 1e-9);
            EXPECT_NEAR(areas.at(kSlab), areaB, 1e-9);
            EXPECT_EQ(tops.size(), 2u);
        } else {
            // One material: the seam goes and each of top and bottom is one facet again.
            EXPECT_NEAR(areas.at(kWall), areaA + areaB, 1e-9);
            EXPECT_EQ(tops.size(), 1u);
        }
    }
}

TEST(G3FaceMaterials, CommonOfABuildingAndASlabKeepsBothMaterials) {
    SurfacePtr building = Painted(pktest::MakeLShapedBuilding(), kWall);
    SurfacePtr slab =
        Painted(pktest::MakePrismBetween({{-1, 1}, {9, 1}, {9, 5}, {-1, 5}}, 1.0, 1.25), kSlab);
    const auto pa = PlanesOf(building.get()), pb = PlanesOf(slab.get());
    G3BooleanCalculator calc;
    SurfacePtr r(calc.Common(building.release(), slab.release()));
    ASSERT_NE(r, nullptr);
    // The slab inside the L: 8 × 4 less the 4 × 2 notch corner at (4..8, 3..5).
    EXPECT_TRUE(pktest::IsClosedWithVolume(r.get(), (8 * 4 - 4 * 2) * 0.25, 1e-9));
    EXPECT_TRUE(MaterialsFollowPlanes(r.get(), pa, kWall, pb, kSlab));
    // The slab's top, bottom and its sides at y = 1 and y = 5 inside the L; the L's walls
    // at x = 0, 4 and 8 and y = 3 inside the slab.
    const auto areas = AreaByMaterial(r.get());
    EXPECT_NEAR(areas.at(kSlab), 2 * 24.0 + (8 + 4) * 0.25, 1e-9);
    EXPECT_NEAR(areas.at(kWall), (4 + 2 + 2 + 4) * 0.25, 1e-9);
}

TEST(G3FaceMaterials, FinalMergeJoinsNoFacetsOfDifferentMaterials) {
    // One slab drawn as two plates side by side, glass and slab: united, the shared
    // plane of their tops must stay two facets; the roof tags get the same treatment.
    SurfacePtr left = Painted(pktest::MakePrism({{0, 0}, {4, 0}, {4, 6}, {0, 6}}, 0.3), kSlab);
    SurfacePtr right = Painted(pktest::MakePrism({{4, 0}, {8, 0}, {8, 6}, {4, 6}}, 0.3), kGlass);
    G3BooleanCalculator calc;
    SurfacePtr r(calc.Add(left.release(), right.release()));
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(pktest::IsClosedWithVolume(r.get(), 48 * 0.3, 1e-9));
    const auto tops = FacetsOn(r.get(), 0, 0, 1, 0.3);
    ASSERT_EQ(tops.size(), 2u);
    EXPECT_NE(Provider::MaterialOf(tops[0]), Provider::MaterialOf(tops[1]));
    for (G3Facet* f : tops) EXPECT_NEAR(f->CalcArea(), 24.0, 1e-9);

    G3Surface* a = nullptr;
    G3Surface* b = nullptr;
    {
        G3RoofTagScope first(1, ROOF_FACET_TOP);
        a = pktest::MakePrism({{0, 0}, {4, 0}, {4, 6}, {0, 6}}, 0.3);
        G3RoofTagScope second(2, ROOF_FACET_TOP);
        b = pktest::MakePrism({{4, 0}, {8, 0}, {8, 6}, {4, 6}}, 0.3);
    }
    SurfacePtr roof(calc.Add(a, b));
    ASSERT_NE(roof, nullptr);
    const auto roofTops = FacetsOn(roof.get(), 0, 0, 1, 0.3);
    ASSERT_EQ(roofTops.size(), 2u);
    EXPECT_NE(G3RoofTagProvider::TagOf(roofTops[0]).section,
              G3RoofTagProvider::TagOf(roofTops[1]).section);
}

TEST(G3FaceMaterials, OpeningWallsTakeTheMaterialOfTheFaceTheyEnter) {
    for (double dz : {-1.0, 1.0}) {
        SurfacePtr slab = Painted(pktest::MakeSlabWithOpening(), kSlab);
        for (G3Facet* f : FacetsOn(slab.get(), 0, 0, 1, 0.3)) Provider::SetMaterial(f, kRoof);
        G3HoleMaker maker(slab.get());
        const double z = dz < 0 ? 1.0 : -1.0;
        const double outline[12] = {1, 1, z, 2, 1, z, 2, 2, z, 1, 2, z};
        const double direction[3] = {0, 0, dz};
        ASSERT_TRUE(maker.AddHoleContour(4, outline, direction));
        G3FaceMaterialScope scope(kTerrain);  // current, but every wall has a source
        ASSERT_EQ(maker.MakeHoles(), 1);
        EXPECT_TRUE(pktest::IsClosedWithVolume(slab.get(), 28.8 - 0.3, 1e-9));
        const int entry = dz < 0 ? kRoof : kSlab;
        EXPECT_EQ(CountOf(slab.get(), kTerrain), 0);
        // The rebuilt top keeps its material, holes included; the walls follow the entry.
        EXPECT_NEAR(AreaByMaterial(slab.get())[kRoof], 100 - 4 - 1 + (entry == kRoof ? 4 * 0.3 : 0),
                    1e-9);
        int walls = 0;
        for (int i = 0; i < slab->GetFacetCount(); ++i) {
            G3Facet* f = slab->GetFacet(i);
            if (!pktest::IsWallInSquare(f, 1.0, 2.0)) continue;
            ++walls;
            EXPECT_EQ(Provider::MaterialOf(f), entry) << "wall " << i;
        }
        EXPECT_EQ(walls, 4);
    }
}

TEST(G3FaceMaterials, SlicePiecesKeepTheirsAndCapsTakeTheCurrent) {
    SurfacePtr building(pktest::MakeLShapedBuilding());
    for (int i = 0; i < building->GetFacetCount(); ++i)
        Provider::SetMaterial(building->GetFacet(i), i % 2 == 0 ? kWall : kRoof);
    const auto planes = PlanesOf(building.get());
    std::vector<int> materials;
    for (int i = 0; i < building->GetFacetCount(); ++i)
        materials.push_back(Provider::MaterialOf(building->GetFacet(i)));
    // A cut across the long leg at x = 2.5 and, for the sections, two levels.
    double plane[4] = {1, 0, 0, 2.5};
    G3Surface* behind = nullptr;
    G3Surface* ahead = nullptr;
    G3BooleanCalculator calc;
    {
        G3FaceMaterialScope scope(kSlab);
        ASSERT_TRUE(calc.Slice(building->Duplicate(), plane, true, &behind, &ahead, false));
    }
    SurfacePtr p1(behind), p2(ahead);
    EXPECT_NEAR(pktest::SignedVolume(p1.get()) + pktest::SignedVolume(p2.get()), 108.0, 1e-9);
    for (G3Surface* piece : {p1.get(), p2.get()}) {
        EXPECT_TRUE(pktest::IsClosedAndOriented(piece));
        int caps = 0;
        for (int i = 0; i < piece->GetFacetCount(); ++i) {
            G3Facet* f = piece->GetFacet(i);
            if (std::fabs(std::fabs(f->GetPlaneA()) - 1) < 1e-9 &&
                std::fabs(std::fabs(f->GetPlaneD()) - 2.5) < 1e-9) {
                ++caps;
                EXPECT_EQ(Provider::MaterialOf(f), kSlab);
                continue;
            }
            // Every other facet is a piece of one facet of the building, in its plane.
            int want = -1;
            for (std::size_t k = 0; k < planes.size(); ++k) {
                if (InOneOf(f, {planes[k]})) want = materials[k];
            }
            EXPECT_EQ(Provider::MaterialOf(f), want) << "facet " << i;
        }
        EXPECT_EQ(caps, 1);
    }

    const double levels[8] = {0, 0, 1, -1.0, 0, 0, 1, -2.0};
    G3Surface* sections = nullptr;
    {
        G3FaceMaterialScope scope(kSlab);
        ASSERT_TRUE(calc.Divide(building.get(), 2, levels, &sections));
    }
    SurfacePtr out(sections);
    ASSERT_EQ(out->GetFacetCount(), 2);
    EXPECT_EQ(CountOf(out.get(), kSlab), 2);
    EXPECT_NEAR(out->GetFacet(0)->CalcArea() + out->GetFacet(1)->CalcArea(), 2 * 36.0, 1e-9);
    // The divided surface is not changed.
    for (int i = 0; i < building->GetFacetCount(); ++i)
        EXPECT_EQ(Provider::MaterialOf(building->GetFacet(i)), materials[std::size_t(i)]);
}

TEST(G3FaceMaterials, RoofGeneratorPaintsEveryFacetItWrites) {
    const pktest::RoofOutline outline =
        pktest::UniformRoof({{0, 0}, {8, 0}, {8, 3}, {4, 3}, {4, 6}, {0, 6}}, 35.0);
    for (bool thick : {false, true}) {
        pktest::RoofBuild build;
        {
            G3FaceMaterialScope scope(kRoof);
            build = pktest::BuildRoof(outline, thick ? 0.25 : 0.0, thick ? 0.5 : 0.0, thick);
        }
        SurfacePtr roof(build.surface);
        ASSERT_TRUE(build.ok);
        ASSERT_GT(roof->GetFacetCount(), 0);
        EXPECT_EQ(CountOf(roof.get(), kRoof), roof->GetFacetCount()) << thick;
    }
    pktest::RoofBuild plain = pktest::BuildRoof(outline);
    SurfacePtr roof(plain.surface);
    EXPECT_EQ(CountOf(roof.get(), 0), roof->GetFacetCount());
}

TEST(G3FaceMaterials, TerrainOperationsPaintWhatTheyMakeAndKeepWhatTheyDerive) {
    G3LandscapeHandler maker;
    SurfacePtr terrain(pktest::MakeTerrain(maker, pktest::GridPoints(12, 9, 1.5, Hills)));
    ASSERT_NE(terrain, nullptr);
    Provider::SetMaterial(terrain.get(), kTerrain);

    // An L-shaped pad levelled in while slab is current: the band and pad triangles are
    // made (slab), the terrain round them is the terrain's own.
    G3LandscapeHandler h;
    h.SetOffsetDistance(1.5);
    h.StartContour();
    for (const auto& p : std::vector<pktest::TerrainPoint>{
             {5, 4, 4.5}, {11, 4, 4.5}, {11, 9, 4.5}, {8, 9, 4.5}, {8, 7, 4.5}, {5, 7, 4.5}})
        h.AddContourVertex(p.x, p.y, p.z);
    ASSERT_TRUE(h.EndContour());
    SurfacePtr padded;
    {
        G3FaceMaterialScope scope(kSlab);
        padded.reset(h.ApplyFlatRegion(terrain.get()));
    }
    ASSERT_NE(padded, nullptr);
    // A facet lies in the band when every corner lies in it, grown by 1e-6 for the
    // corners on its outline; a piece of terrain outside has a corner clearly outside.
    GArrayCollection band;
    ASSERT_TRUE(G3LandscapeHandler::OffsetContour(
        static_cast<GArrayCollection*>(h.GetContours()->get(0)), &band, 1.5 + 1e-6));
    GArrayCollection bands;
    bands.add(&band);
    int made = 0;
    for (int i = 0; i < padded->GetFacetCount(); ++i) {
        G3Facet* f = padded->GetFacet(i);
        std::vector<G3Vertex*> ring(std::size_t(f->GetVertexCount()));
        f->GetVertices(ring.data());
        bool inBand = true;
        for (const G3Vertex* v : ring)
            inBand = inBand && G3LandscapeHandler::PointInContour(&bands, v->GetX(), v->GetY());
        made += inBand ? 1 : 0;
        EXPECT_EQ(Provider::MaterialOf(f), inBand ? kSlab : kTerrain) << "facet " << i;
    }
    EXPECT_GT(made, 0);
    EXPECT_LT(made, padded->GetFacetCount());
    band.clear(true);

    // Smoothing derives every facet from the terrain under it, whatever is current.
    for (int mode : {1, 2, 3, 4}) {
        G3FaceMaterialScope scope(kSlab);
        SurfacePtr smooth(h.LandscapeSmoothing(terrain.get(), mode, 2));
        ASSERT_NE(smooth, nullptr);
        EXPECT_EQ(CountOf(smooth.get(), kTerrain), smooth->GetFacetCount()) << mode;
    }

    // Closed into a solid inside a slab scope: the top keeps the terrain's, the walls and
    // the bottom made for it take the current material.
    SurfacePtr solid(terrain->Duplicate());
    const int top = solid->GetFacetCount();
    {
        G3FaceMaterialScope scope(kSlab);
        h.SurfaceCover(solid.get());
    }
    ASSERT_GT(solid->GetFacetCount(), top);
    EXPECT_EQ(CountOf(solid.get(), kTerrain), top);
    EXPECT_EQ(CountOf(solid.get(), kSlab), solid->GetFacetCount() - top);

    // An unpainted terrain worked on inside a terrain scope comes out painted throughout.
    G3LandscapeHandler other;
    SurfacePtr bare(pktest::MakeTerrain(other, pktest::GridPoints(12, 9, 1.5, Hills)));
    ASSERT_EQ(CountOf(bare.get(), 0), bare->GetFacetCount());
    G3FaceMaterialScope scope(kTerrain);
    SurfacePtr levelled(h.ApplyFlatRegion(bare.get()));
    ASSERT_NE(levelled, nullptr);
    EXPECT_EQ(CountOf(levelled.get(), kTerrain), levelled->GetFacetCount());
    SurfacePtr smooth(h.LandscapeSmoothing(bare.get(), 2, 1));
    EXPECT_EQ(CountOf(smooth.get(), kTerrain), smooth->GetFacetCount());
    // Closed in place, its own facets stay as they were.
    const int bareTop = bare->GetFacetCount();
    h.SurfaceCover(bare.get());
    EXPECT_EQ(CountOf(bare.get(), 0), bareTop);
    EXPECT_EQ(CountOf(bare.get(), kTerrain), bare->GetFacetCount() - bareTop);
}
