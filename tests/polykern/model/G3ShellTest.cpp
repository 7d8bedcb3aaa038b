#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "polykern/exdata/G3ExDataProvider.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/math/GMatrix4.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3PolyEdge.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using SurfacePtr = std::unique_ptr<G3Surface>;

TEST(G3Shell, RemovalKeepsIdentifiersEqualToIndices) {
    G3Shell shell;
    G3Vertex* v0 = shell.AddVertex(0, 0, 0, 0);
    shell.AddVertex(1, 0, 0, 0);
    G3Vertex* v2 = shell.AddVertex(2, 0, 0, 0);
    EXPECT_TRUE(shell.RemoveVertex(v0));
    ASSERT_EQ(shell.GetVertexCount(), 2);
    EXPECT_EQ(shell.GetVertex(0), v2);
    EXPECT_EQ(v2->GetId(), 0);

    // A shell without the other collections refuses them without allocating.
    EXPECT_EQ(shell.AddNormal(0, 0, 1), nullptr);
    EXPECT_EQ(shell.AddTexCoo(0.5, 0.5), nullptr);
    G3PolyEdge pe;
    EXPECT_EQ(shell.AddPolyEdgeToCollection(&pe), nullptr);
    shell.ChangeEdgeFlags(0x1, true);
    GEnvelope env;
    G3Shell empty;
    empty.FormEnvelope(&env);
    EXPECT_EQ(env.GetMax()[0], 0.0);
    shell.FormEnvelope(&env);
    EXPECT_EQ(env.GetMax()[0], 2.0);
}

TEST(G3Shell, VerticesInUseStayAndSweepsKeepWhatIsReferenced) {
    SurfacePtr cube(pktest::MakeCube());
    EXPECT_FALSE(cube->RemoveVertex(cube->GetVertex(0)));
    EXPECT_FALSE(cube->RemoveEdge(cube->GetEdge(0)));
    EXPECT_EQ(cube->GetVertexCount(), 8);

    // A normal referenced only from facet 2's vertex-2 slot of one edge survives.
    G3Edge* e = cube->GetEdge(3);
    ASSERT_NE(e->GetFacet2(), nullptr);
    G3Normal* used = cube->AddNormal(0, 0, 1);
    cube->AddNormal(1, 0, 0);
    G3TexCoo* t = cube->AddTexCoo(0.25, 0.75);
    cube->AddTexCoo(0, 0);
    e->SetFacet2V2(used, t);
    cube->RemoveUnused();
    ASSERT_EQ(cube->GetNormalCount(), 1);
    EXPECT_EQ(cube->GetNormal(0), used);
    EXPECT_EQ(used->GetId(), 0);
    EXPECT_EQ(used->GetFlags() & G3OBJ_IN_USE, 0);
    ASSERT_EQ(cube->GetTexCooCount(), 1);
    EXPECT_EQ(cube->GetTexCoo(0), t);

    cube->RemoveFacet(cube->GetFacet(0));
    cube->RemoveUnused();
    EXPECT_EQ(cube->GetEdgeCount(), 12);  // every edge still borders a facet
    EXPECT_TRUE(pktest::IsWellFormed(cube.get()));
    cube->ReverseNormals();
    EXPECT_EQ(used->GetZ(), -1.0);
}

// Counts what the shell tells its listener.
class CountingListener : public G3ShellExDataProvider {
public:
    explicit CountingListener(int* opened) : m_Opened(opened) {}
    void OpenExDataVertex(G3Vertex*) override { ++*m_Opened; }
    bool IsExDataVertex() override { return true; }

private:
    int* m_Opened;
};

TEST(G3Shell, PreviewMovesAndRestoresExactly) {
    SurfacePtr cube(pktest::MakeCube());
    int opened = 0;
    cube->SetExDataProvider(new CountingListener(&opened));
    G3Vertex* v7 = cube->GetVertex(7);
    G3Edge* firstEdge = v7->GetFirstEdge();
    int marker = 0;
    GObj link;
    v7->SetExData(&link);
    G3Normal* n = cube->AddNormal(0, 0, 1);
    const double planeBefore = cube->GetFacet(1)->GetPlaneD();
    opened = 0;

    cube->OpenTransformation(true, true);
    cube->OpenTransformation(false, false);  // nested: ignored
    double m[4][4];
    M4Identity(m);
    M4RotateZ(m, 0.5);
    M4Translate(m, 3, 4, 5);
    cube->Transformation(m);
    cube->Transformation(m);  // from the snapshots again, not accumulated
    const double moved[3] = {1, 1, 1};
    double expected[3];
    for (int c = 0; c < 3; ++c)
        expected[c] = moved[0] * m[0][c] + moved[1] * m[1][c] + moved[2] * m[2][c] + m[3][c];
    EXPECT_DOUBLE_EQ(v7->GetX(), expected[0]);
    EXPECT_DOUBLE_EQ(v7->GetZ(), expected[2]);
    EXPECT_NE(cube->GetFacet(1)->GetPlaneD(), planeBefore);
    EXPECT_DOUBLE_EQ(n->GetZ(), 1.0);  // a rotation about z keeps it, the translation is dropped

    cube->CloseTransformation();
    EXPECT_EQ(v7->GetX(), 1.0);
    EXPECT_EQ(v7->GetZ(), 1.0);
    EXPECT_EQ(cube->GetFacet(1)->GetPlaneD(), planeBefore);
    EXPECT_EQ(v7->GetExData(), &link);
    EXPECT_EQ(v7->GetFirstEdge(), firstEdge);
    EXPECT_EQ(v7->GetId(), 7);
    EXPECT_EQ(opened, 0);
    // The listener attached before the preview is back.
    cube->AddVertex(9, 9, 9, 0);
    EXPECT_EQ(opened, 1);
    (void)marker;
    v7->SetExData(nullptr);

    cube->RealTransformation(m);
    EXPECT_DOUBLE_EQ(v7->GetX(), expected[0]);
    EXPECT_TRUE(pktest::IsClosedAndOriented(cube.get()));
    EXPECT_NEAR(pktest::SignedVolume(cube.get()), 1.0, 1e-12);
}

// Gives every facet a value, and carries a source's value to the facets opened while
// that source is set.
class MaterialProvider : public G3ExDataProvider {
public:
    void RemoveExData(void*) override { ++released; }
    void OpenExData(void* obj) override {
        ++opens;
        auto* o = static_cast<G3Obj*>(obj);
        if (o->GetObjectType() == 4 && current != nullptr)
            o->SetOutExData(this, current->GetOutExData(this));
    }
    void SetExData(void* obj) override { current = static_cast<G3Obj*>(obj); }
    int opens = 0;
    int released = 0;
    G3Obj* current = nullptr;
};

TEST(G3Shell, ProvidersSeeEveryFacetAndCopiesCarryTheirData) {
    MaterialProvider provider;
    G3Obj::AddProvider(&provider);
    {
        SurfacePtr cube(pktest::MakeCube());
        EXPECT_EQ(provider.opens, 1 + 6);  // the surface itself, then one per facet
        int red = 0;
        cube->GetFacet(2)->SetOutExData(&provider, &red);
        SurfacePtr copy(static_cast<G3Surface*>(cube->Duplicate()));
        EXPECT_EQ(copy->GetFacet(2)->GetOutExData(&provider), &red);
        EXPECT_EQ(copy->GetFacet(3)->GetOutExData(&provider), nullptr);
        EXPECT_EQ(provider.current, nullptr);  // the set state is cleared afterwards
        SurfacePtr lone(G3Surface::FormFacetSurface(cube->GetFacet(2)));
        EXPECT_EQ(lone->GetFacet(0)->GetOutExData(&provider), &red);
        cube->LockExDataProvider();
        const int before = provider.opens;
        const int ids[3] = {0, 1, 2};
        cube->AddFacet(3, ids, 1, nullptr, nullptr);
        EXPECT_EQ(provider.opens, before);  // a locked surface opens silently
    }
    G3Obj any;
    any.RemoveExDataProvider(&provider);
}

}  // namespace
