// Roof tags: facets made while a section is current carry it, facets made outside carry
// nothing, and a tagged facet cut by a Boolean hands its tag to every piece.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/roof/G3RoofTags.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

int CountTagged(G3Surface* s, int section, ROOF_FACET_TYPE type) {
    int n = 0;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const G3RoofTag tag = G3RoofTagProvider::TagOf(s->GetFacet(i));
        if (tag.section == section && tag.type == type) ++n;
    }
    return n;
}

}  // namespace

TEST(G3RoofTags, FacetsMadeInsideTheScopeOnlyAreTagged) {
    std::unique_ptr<G3Surface> tagged;
    {
        G3RoofTagScope scope(3, ROOF_FACET_UNDER);
        tagged.reset(pktest::MakeLShapedBuilding());
    }
    std::unique_ptr<G3Surface> plain(pktest::MakeLShapedBuilding());
    EXPECT_EQ(CountTagged(tagged.get(), 3, ROOF_FACET_UNDER), tagged->GetFacetCount());
    EXPECT_EQ(CountTagged(plain.get(), 0, ROOF_FACET_NONE), plain->GetFacetCount());
    EXPECT_EQ(G3RoofTagProvider::Published(tagged->GetFacet(0), "KTRX_ROOF_SECT_ID"), 3);
    EXPECT_EQ(G3RoofTagProvider::Published(tagged->GetFacet(0), "KTRX_ROOF_PLANE_INDEX"), 2);
    EXPECT_EQ(G3RoofTagProvider::Published(tagged->GetFacet(0), "KTRX_G3FACE_MATERIAL_INDEX"), 0);
    EXPECT_EQ(G3RoofTagProvider::Published(tagged->GetFacet(0), nullptr), 0);
    EXPECT_EQ(G3RoofTagProvider::TagOf(nullptr).section, 0);
    EXPECT_EQ(G3RoofTagProvider::TagOf(tagged.get()).section, 0);  // a surface is no facet
}

TEST(G3RoofTags, ScopesNestAndRestoreOnEveryExit) {
    {
        G3RoofTagScope outer(1, ROOF_FACET_TOP);
        {
            G3RoofTagScope inner(2, ROOF_FACET_FASCIA);
            EXPECT_EQ(G3RoofTagProvider::Get()->GetCurrent().section, 2);
        }
        EXPECT_EQ(G3RoofTagProvider::Get()->GetCurrent().section, 1);
        EXPECT_EQ(G3RoofTagProvider::Get()->GetCurrent().type, ROOF_FACET_TOP);
    }
    EXPECT_EQ(G3RoofTagProvider::Get()->GetCurrent().section, 0);
    EXPECT_EQ(G3RoofTagProvider::Get()->GetCurrent().type, ROOF_FACET_NONE);
}

TEST(G3RoofTags, PiecesOfACutFacetKeepItsTag) {
    // A thick roof plate tagged as one section; a shaft subtracted through it leaves the
    // plate's top and bottom as holed pieces that must still read as that section, while
    // the shaft's walls come from an untagged operand.
    G3Surface* plate = nullptr;
    {
        G3RoofTagScope scope(5, ROOF_FACET_TOP);
        plate = pktest::MakePrism({{0, 0}, {8, 0}, {8, 3}, {4, 3}, {4, 6}, {0, 6}}, 0.3);
    }
    G3Surface* shaft = pktest::MakePrismBetween({{1, 1}, {2, 1}, {2, 2}, {1, 2}}, -1.0, 1.0);
    G3BooleanCalculator calc;
    std::unique_ptr<G3Surface> cut(calc.Sub(plate, shaft));
    ASSERT_NE(cut, nullptr);
    EXPECT_TRUE(pktest::IsClosedWithVolume(cut.get(), (36.0 - 1.0) * 0.3));
    int walls = 0;
    for (int i = 0; i < cut->GetFacetCount(); ++i) {
        G3Facet* f = cut->GetFacet(i);
        const bool inShaft = pktest::IsWallInSquare(f, 1.0, 2.0);
        const G3RoofTag tag = G3RoofTagProvider::TagOf(f);
        if (inShaft) {
            ++walls;
            EXPECT_EQ(tag.section, 0) << "facet " << i;
        } else {
            EXPECT_EQ(tag.section, 5) << "facet " << i;
            EXPECT_EQ(tag.type, ROOF_FACET_TOP) << "facet " << i;
        }
    }
    EXPECT_EQ(walls, 4);
}
