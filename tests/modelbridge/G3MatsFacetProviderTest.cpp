#include <gtest/gtest.h>

#include "modelbridge/G3MatsFacetProvider.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Obj.h"
#include "polykern/model/G3Surface.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using P = G3MatsFacetProvider;

G3Facet* FacetOf(G3Surface* s, int i) {
    return static_cast<G3Facet*>(s->GetFacetList()->get(i));
}

// Material i + 1, colour 100·(i + 1), layer 10·(i + 1) on facet i.
void Paint(G3Surface* s) {
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        G3Facet* f = FacetOf(s, i);
        P::G3FacetSetMaterial(f, static_cast<unsigned short>(i + 1));
        P::SetColor(f, 100ul * (i + 1));
        P::FacetSetLayer(f, static_cast<unsigned short>(10 * (i + 1)));
    }
}

TEST(G3MatsFacetProvider, TheLoadedPluginHasItsProvider) {
    ASSERT_NE(P::GetProviderAddr(), nullptr);
}

TEST(G3MatsFacetProvider, SettersWriteAllThreeAndReadersAnswerZeroWithoutRecord) {
    G3Surface* s = pktest::MakeLShapedBuilding();
    ASSERT_NE(s, nullptr);
    G3Facet* f = FacetOf(s, 0);
    EXPECT_EQ(P::G3FacetGetMaterial(f), 0);
    EXPECT_EQ(P::FacetGetLayer(f), 0);
    EXPECT_EQ(P::GetColor(f), 0ul);
    EXPECT_EQ(P::G3FacetGetMaterial(nullptr), 0);

    const int counted = s->GetMaterialFacetsCount();
    EXPECT_EQ(P::G3FacetSetMaterial(f, 7), 1);
    EXPECT_EQ(s->GetMaterialFacetsCount(), counted + 1);
    EXPECT_EQ(P::SetColor(f, 0xABCDEFul), 0);  // answers 0 even when it worked
    EXPECT_EQ(P::FacetSetLayer(f, 3), 1);
    // Overwriting a record does not count it again.
    EXPECT_EQ(s->GetMaterialFacetsCount(), counted + 1);
    EXPECT_EQ(P::G3FacetGetMaterial(f), 7);
    EXPECT_EQ(P::GetColor(f), 0xABCDEFul);
    EXPECT_EQ(P::FacetGetLayer(f), 3);
    EXPECT_EQ(P::G3FacetSetMaterial(nullptr, 1), 0);
    EXPECT_EQ(P::FacetSetLayer(nullptr, 1), 0);
    EXPECT_TRUE(P::IsRegistered());
    delete s;
}

TEST(G3MatsFacetProvider, SettersSuspendSoLaterOpensChangeNothing) {
    G3Surface* s = pktest::MakeLShapedBuilding();
    G3Facet* a = FacetOf(s, 0);
    G3Facet* b = FacetOf(s, 1);
    P::G3FacetSetMaterial(a, 5);
    P* provider = P::GetProviderAddr();
    provider->OpenExData(b);
    EXPECT_EQ(P::G3FacetGetMaterial(b), 0);
    EXPECT_EQ(provider->SetDirty(1), 1);

    // Selecting a source lifts the suspension: facets opened now get its values.
    provider->SetExData(a);
    provider->OpenExData(b);
    EXPECT_EQ(P::G3FacetGetMaterial(b), 5);
    provider->SetExData(nullptr);
    EXPECT_EQ(provider->GetMaterial(), 0);
    EXPECT_EQ(provider->SetDirty(1), 1);
    delete s;
}

TEST(G3MatsFacetProvider, CopyExDataCopiesTheLayerToo) {
    G3Surface* s = pktest::MakeLShapedBuilding();
    Paint(s);
    G3Facet* to = FacetOf(s, 0);
    G3Facet* from = FacetOf(s, 2);
    P::GetProviderAddr()->CopyExData(to, from);
    EXPECT_EQ(P::G3FacetGetMaterial(to), 3);
    EXPECT_EQ(P::GetColor(to), 300ul);
    EXPECT_EQ(P::FacetGetLayer(to), 30);
    delete s;
}

TEST(G3MatsFacetProvider, EveryTriangleOfASplitFacetKeepsItsSourceAttributes) {
    G3Surface* s = pktest::MakeLShapedBuilding();
    Paint(s);
    const double area = pktest::Area(s);
    // Remember each facet's attributes by its plane.
    std::vector<std::pair<std::vector<double>, unsigned short>> planes;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const double* p = FacetOf(s, i)->GetPlane();
        planes.push_back({{p[0], p[1], p[2], p[3]}, P::G3FacetGetMaterial(FacetOf(s, i))});
    }
    ASSERT_TRUE(s->Triangulate(0x4, 0));
    EXPECT_NEAR(pktest::Area(s), area, 1e-9 * area);
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        G3Facet* f = FacetOf(s, i);
        const unsigned short m = P::G3FacetGetMaterial(f);
        ASSERT_GE(m, 1);
        ASSERT_LE(static_cast<std::size_t>(m), planes.size());
        EXPECT_EQ(P::GetColor(f), 100ul * m);
        EXPECT_EQ(P::FacetGetLayer(f), 10 * m);
        // The triangle lies in the plane of the facet whose material it has.
        const double* p = f->GetPlane();
        const auto& q = planes[m - 1].first;
        EXPECT_NEAR(p[0] * q[0] + p[1] * q[1] + p[2] * q[2], 1.0, 1e-9) << "triangle " << i;
    }
    delete s;
}

TEST(G3MatsFacetProvider, AProviderDestroyedLeavesTheKernelList) {
    const int before = G3Obj::GetProviderList()->size();
    auto* second = new P();
    G3Obj::AddProvider(second);
    G3Obj::AddProvider(second);
    EXPECT_EQ(G3Obj::GetProviderList()->size(), before + 2);
    // The plug-in's own provider is still the one the static members use.
    EXPECT_NE(P::GetProviderAddr(), second);
    delete second;
    EXPECT_EQ(G3Obj::GetProviderList()->size(), before);
    EXPECT_EQ(G3Obj::GetProviderId(second), -1);
}

TEST(MatsFacetDataStruct, StartsAndInitsToZeroAndCopiesAllThree) {
    MatsFacetDataStruct a;
    EXPECT_EQ(a.material, 0);
    EXPECT_EQ(a.color, 0u);
    EXPECT_EQ(a.layer, 0);
    a.material = 1;
    a.color = 2;
    a.layer = 3;
    MatsFacetDataStruct b(a);
    EXPECT_EQ(b.material, 1);
    EXPECT_EQ(b.color, 2u);
    EXPECT_EQ(b.layer, 3);
    b.Init();
    EXPECT_EQ(b.material + b.color + b.layer, 0u);
}

}  // namespace
