#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"
#include "tests/support/TestProviders.h"

namespace {

using Surface = std::unique_ptr<G3Surface>;
using Point = std::array<double, 3>;

// Records what the simplifier tells its caller; cancels at a given step, asks for an error.
struct RecordingCommands : G3Surface::QSLIMCommandsBase {
    bool Progress(int done, int total) override {
        steps.push_back(done);
        lastTotal = total;
        return done < cancelAt;
    }
    void Message(const char* text) override { messages.push_back(text); }
    double GetTargetError() override { return error; }

    std::vector<int> steps;
    int lastTotal = -1;
    int cancelAt = std::numeric_limits<int>::max();
    double error = 1.0;
    std::vector<std::string> messages;
};

struct Box {
    Point lo{1e300, 1e300, 1e300}, hi{-1e300, -1e300, -1e300};
    double Diagonal() const {
        return std::sqrt((hi[0] - lo[0]) * (hi[0] - lo[0]) + (hi[1] - lo[1]) * (hi[1] - lo[1]) +
                         (hi[2] - lo[2]) * (hi[2] - lo[2]));
    }
};

Box BoxOf(const G3Surface& s) {
    Box b;
    for (int i = 0; i < s.GetVertexCount(); ++i) {
        const double* p = s.GetVertex(i)->GetXYZ();
        for (int k = 0; k < 3; ++k) {
            b.lo[k] = std::min(b.lo[k], p[k]);
            b.hi[k] = std::max(b.hi[k], p[k]);
        }
    }
    return b;
}

// The corner positions of the edges that carry one facet: the open outline.
std::set<Point> OutlinePoints(const G3Surface& s) {
    std::set<Point> out;
    for (int i = 0; i < s.GetEdgeCount(); ++i) {
        const G3Edge* e = s.GetEdge(i);
        if (e->GetFacet1() != nullptr && e->GetFacet2() != nullptr) continue;
        for (const G3Vertex* v : {e->GetVertex1(), e->GetVertex2()}) {
            const double* p = v->GetXYZ();
            out.insert({p[0], p[1], p[2]});
        }
    }
    return out;
}

G3Surface* Simplify(G3Surface* s,
                    int target,
                    G3Surface::QSLIM_RES& res,
                    G3Surface::QSLIM_TYPE type = G3Surface::QSLIM_TYPE_DEFAULT,
                    G3Surface::QSLIMCommandsBase* commands = nullptr) {
    return G3Surface::QSlimSimplifier(s, CHECK_LEVEL_NONE, target, type, res, commands);
}

}  // namespace

// The unit sphere of 99,904 triangles brought to 10,000 stays a closed, outward solid of
// nearly the same volume and extent; the input is left as it was.
TEST(G3SurfaceSimplify, SphereComesDownToTheTargetClosedAndOfItsVolume) {
    Surface sphere(pktest::MakeSphere(224, 224));
    ASSERT_EQ(sphere->GetFacetCount(), 99904);
    ASSERT_TRUE(pktest::IsClosedAndOriented(sphere.get()));
    const double volume = pktest::SignedVolume(sphere.get());
    ASSERT_GT(volume, 4.18);
    const Box box = BoxOf(*sphere);

    G3Surface::QSLIM_RES res = G3Surface::QSLIM_RES_NONE;
    RecordingCommands commands;
    Surface out(Simplify(sphere.get(), 10000, res, G3Surface::QSLIM_TYPE_DEFAULT, &commands));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(res, G3Surface::QSLIM_RES_TARGET_REACHED);
    EXPECT_LE(out->GetFacetCount(), 11000);
    EXPECT_GE(out->GetFacetCount(), 9000);
    EXPECT_TRUE(pktest::IsWellFormed(out.get()));
    EXPECT_TRUE(pktest::IsClosedAndOriented(out.get()));
    EXPECT_EQ(pktest::EulerCharacteristic(out.get()), 2);
    EXPECT_TRUE(pktest::HasVolume(out.get(), volume, 0.01));
    const Box after = BoxOf(*out);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(after.lo[k], box.lo[k], 0.01 * box.Diagonal());
        EXPECT_NEAR(after.hi[k], box.hi[k], 0.01 * box.Diagonal());
    }
    EXPECT_EQ(sphere->GetFacetCount(), 99904);
    EXPECT_EQ(commands.steps.front(), 0);
    EXPECT_EQ(commands.steps.back(), commands.lastTotal);
    ASSERT_FALSE(commands.messages.empty());
    EXPECT_NE(commands.messages.back().find("99904"), std::string::npos);

    // The same by a ratio of a tenth.
    res = G3Surface::QSLIM_RES_NONE;
    Surface byRatio(G3Surface::QSlimSimplifier(sphere.get(), CHECK_LEVEL_NONE, 0.1,
                                               G3Surface::QSLIM_TYPE_DEFAULT, res, nullptr));
    ASSERT_NE(byRatio, nullptr);
    EXPECT_EQ(res, G3Surface::QSLIM_RES_TARGET_REACHED);
    EXPECT_LE(byRatio->GetFacetCount(), 9990);
    EXPECT_TRUE(pktest::IsClosedAndOriented(byRatio.get()));
}

// A sphere in two materials, split along its equator: every result triangle lies wholly
// on its material's side and carries it, and the equator keeps every vertex and edge.
TEST(G3SurfaceSimplify, TwoMaterialsKeepTheBoundaryBetweenThem) {
    pktest::FacetTagProvider provider;
    pktest::ScopedProvider registered(&provider);
    void* const north = reinterpret_cast<void*>(1);
    void* const south = reinterpret_cast<void*>(2);
    const int slices = 120;
    Surface sphere(pktest::MakeSphere(slices, 60));
    for (int i = 0; i < sphere->GetFacetCount(); ++i) {
        G3Facet* f = sphere->GetFacet(i);
        G3Vertex* v[3];
        f->GetVertices(v);
        const double z = v[0]->GetXYZ(2) + v[1]->GetXYZ(2) + v[2]->GetXYZ(2);
        f->SetOutExData(&provider, z > 0 ? north : south);
    }
    const double volume = pktest::SignedVolume(sphere.get());

    G3Surface::QSLIM_RES res = G3Surface::QSLIM_RES_NONE;
    Surface out(Simplify(sphere.get(), sphere->GetFacetCount() / 5, res));
    ASSERT_NE(out, nullptr);
    EXPECT_LE(out->GetFacetCount(), sphere->GetFacetCount() / 5 + slices);
    EXPECT_TRUE(pktest::IsClosedAndOriented(out.get()));
    EXPECT_TRUE(pktest::HasVolume(out.get(), volume, 0.02));

    int equatorVertices = 0;
    for (int i = 0; i < out->GetVertexCount(); ++i)
        equatorVertices += std::fabs(out->GetVertex(i)->GetXYZ(2)) < 1e-12;
    EXPECT_EQ(equatorVertices, slices);
    for (int i = 0; i < out->GetFacetCount(); ++i) {
        G3Facet* f = out->GetFacet(i);
        void* tag = f->GetOutExData(&provider);
        ASSERT_TRUE(tag == north || tag == south) << "facet " << i;
        G3Vertex* v[3];
        ASSERT_EQ(f->GetVertices(v), 3);
        for (const G3Vertex* corner : v)
            EXPECT_GE((tag == north ? 1 : -1) * corner->GetXYZ(2), -1e-12) << "facet " << i;
    }
    int between = 0;
    for (int i = 0; i < out->GetEdgeCount(); ++i) {
        const G3Edge* e = out->GetEdge(i);
        if (e->GetFacet1()->GetOutExData(&provider) == e->GetFacet2()->GetOutExData(&provider))
            continue;
        ++between;
        EXPECT_LT(std::fabs(e->GetVertex1()->GetXYZ(2)), 1e-12);
        EXPECT_LT(std::fabs(e->GetVertex2()->GetXYZ(2)), 1e-12);
    }
    EXPECT_EQ(between, slices);
}

// A flat 100 × 100 grid with its border locked: far fewer triangles, the same outline
// point for point, the same area, every triangle still facing up and none a sliver along
// the straight border. Moved 1e7 away, where single precision steps by whole units, it
// does the same.
TEST(G3SurfaceSimplify, LockedGridKeepsItsOutlineExactly) {
    for (const bool far : {false, true}) {
        SCOPED_TRACE(far ? "far" : "at the origin");
        Surface grid(pktest::MakeGrid(100, 100));
        if (far) {
            const double shift[3] = {1e7, -3e7, 2e7};
            for (int i = 0; i < grid->GetVertexCount(); ++i) {
                double* p = grid->GetVertex(i)->GetXYZ();
                for (int k = 0; k < 3; ++k) p[k] += shift[k];
            }
            grid->FormPlaneEquation();
        }
        ASSERT_EQ(grid->GetFacetCount(), 20000);
        const std::set<Point> outline = OutlinePoints(*grid);
        ASSERT_EQ(outline.size(), 400u);
        const double area = pktest::Area(grid.get());
        const double* up = grid->GetFacet(0)->GetPlane();
        const double normal[3] = {up[0], up[1], up[2]};

        G3Surface::QSLIM_RES res = G3Surface::QSLIM_RES_NONE;
        Surface out(Simplify(grid.get(), 1000, res, G3Surface::QSLIM_TYPE_LOCK_BORDER));
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(res, G3Surface::QSLIM_RES_TARGET_REACHED);
        EXPECT_LE(out->GetFacetCount(), 1000);
        EXPECT_TRUE(pktest::IsWellFormed(out.get()));
        EXPECT_EQ(OutlinePoints(*out), outline);
        EXPECT_NEAR(pktest::Area(out.get()), area, 1e-6 * area);
        for (int i = 0; i < out->GetFacetCount(); ++i) {
            G3Facet* f = out->GetFacet(i);
            const double* p = f->GetPlane();
            ASSERT_GT(p[0] * normal[0] + p[1] * normal[1] + p[2] * normal[2], 1 - 1e-6)
                << "facet " << i;
            ASSERT_GT(f->CalcArea(), 1e-3) << "facet " << i;
        }
    }
}

// A slab whose top and bottom carry a hole loop is simplified as a triangulated copy; with
// no deformation allowed it keeps its volume exactly. Refused when only triangles are
// accepted, and the slab itself is never touched.
TEST(G3SurfaceSimplify, FacetsWithHolesAreSimplifiedAsTriangles) {
    Surface slab(pktest::MakeSlabWithOpening(true));
    const int facets = slab->GetFacetCount();
    ASSERT_NE(pktest::FindFacetWithHoles(slab.get()), nullptr);

    G3Surface::QSLIM_RES res = G3Surface::QSLIM_RES_NONE;
    EXPECT_EQ(Simplify(slab.get(), 4, res, G3Surface::QSLIM_TYPE_TRIANGLES_ONLY), nullptr);
    EXPECT_EQ(res, G3Surface::QSLIM_RES_NOT_TRIANGLES);

    RecordingCommands exact;
    exact.error = 1e-9;
    Surface out(Simplify(slab.get(), 4, res, G3Surface::QSLIM_TYPE_DEFAULT, &exact));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(res, G3Surface::QSLIM_RES_TARGET_NOT_REACHED);
    EXPECT_TRUE(pktest::IsClosedWithVolume(out.get(), 28.8, 1e-9));
    EXPECT_EQ(slab->GetFacetCount(), facets);
    EXPECT_NE(pktest::FindFacetWithHoles(slab.get()), nullptr);
}

// Every refusal gives null and says why; a null surface never reaches the adapter, so the
// caller's value stays; a surface already small enough comes back as an equal copy.
TEST(G3SurfaceSimplify, RefusalsGiveNullAndSayWhy) {
    G3Surface::QSLIM_RES res = G3Surface::QSLIM_RES_CANCELLED;
    EXPECT_EQ(Simplify(nullptr, 10, res), nullptr);
    EXPECT_EQ(res, G3Surface::QSLIM_RES_CANCELLED);
    EXPECT_EQ(G3Surface::QSlimSimplifier(nullptr, CHECK_LEVEL_NONE, 0.5,
                                         G3Surface::QSLIM_TYPE_DEFAULT, res, nullptr),
              nullptr);
    EXPECT_EQ(res, G3Surface::QSLIM_RES_CANCELLED);

    Surface sphere(pktest::MakeSphere(24, 12));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const double ratio : {0.0, -0.5, 1.5, nan}) {
        res = G3Surface::QSLIM_RES_NONE;
        EXPECT_EQ(G3Surface::QSlimSimplifier(sphere.get(), CHECK_LEVEL_NONE, ratio,
                                             G3Surface::QSLIM_TYPE_DEFAULT, res, nullptr),
                  nullptr);
        EXPECT_EQ(res, G3Surface::QSLIM_RES_BAD_INPUT) << ratio;
    }
    res = G3Surface::QSLIM_RES_NONE;
    EXPECT_EQ(Simplify(sphere.get(), 0, res), nullptr);
    EXPECT_EQ(res, G3Surface::QSLIM_RES_BAD_INPUT);

    RecordingCommands badError;
    badError.error = -1;
    EXPECT_EQ(Simplify(sphere.get(), 50, res, G3Surface::QSLIM_TYPE_DEFAULT, &badError), nullptr);
    EXPECT_EQ(res, G3Surface::QSLIM_RES_BAD_INPUT);
    EXPECT_FALSE(badError.messages.empty());

    RecordingCommands cancel;
    cancel.cancelAt = 0;
    EXPECT_EQ(Simplify(sphere.get(), 50, res, G3Surface::QSLIM_TYPE_DEFAULT, &cancel), nullptr);
    EXPECT_EQ(res, G3Surface::QSLIM_RES_CANCELLED);

    Surface tetra(pktest::MakeTetrahedron());
    Surface same(Simplify(tetra.get(), 10, res));
    ASSERT_NE(same, nullptr);
    EXPECT_EQ(res, G3Surface::QSLIM_RES_NOTHING_TO_DO);
    EXPECT_NE(same.get(), tetra.get());
    EXPECT_TRUE(pktest::IsClosedWithVolume(same.get(), pktest::SignedVolume(tetra.get())));
}

// Providers that keep a record per facet make every facet a region of its own, so nothing
// can go; the host's region numbers group the records by material instead, and each result
// triangle then carries a record of its own material.
TEST(G3SurfaceSimplify, HostRegionsGroupFacetsWithRecordsOfTheirOwn) {
    pktest::FacetTagProvider provider;
    pktest::ScopedProvider registered(&provider);
    Surface sphere(pktest::MakeSphere(60, 30));
    const int facets = sphere->GetFacetCount();
    // Record 2k + m for facet k of material m (0 north, 1 south).
    for (int i = 0; i < facets; ++i) {
        G3Facet* f = sphere->GetFacet(i);
        const bool south = f->GetPlaneC() < 0;
        f->SetOutExData(&provider, reinterpret_cast<void*>(std::uintptr_t(2 * i + south + 2)));
    }
    struct ByMaterial : G3Surface::QSLIMCommandsBase {
        int GetRegion(G3Facet* f) override {
            return static_cast<int>(reinterpret_cast<std::uintptr_t>(f->GetOutExData(p)) & 1);
        }
        G3ExDataProvider* p = nullptr;
    } byMaterial;
    byMaterial.p = &provider;

    G3Surface::QSLIM_RES res = G3Surface::QSLIM_RES_NONE;
    Surface apart(Simplify(sphere.get(), facets / 4, res));
    ASSERT_NE(apart, nullptr);
    EXPECT_EQ(res, G3Surface::QSLIM_RES_TARGET_NOT_REACHED);
    EXPECT_EQ(apart->GetFacetCount(), facets);

    Surface grouped(
        Simplify(sphere.get(), facets / 4, res, G3Surface::QSLIM_TYPE_DEFAULT, &byMaterial));
    ASSERT_NE(grouped, nullptr);
    EXPECT_LE(grouped->GetFacetCount(), facets / 4 + 60);
    EXPECT_TRUE(pktest::IsClosedAndOriented(grouped.get()));
    for (int i = 0; i < grouped->GetFacetCount(); ++i) {
        G3Facet* f = grouped->GetFacet(i);
        const auto record = reinterpret_cast<std::uintptr_t>(f->GetOutExData(&provider));
        ASSERT_GE(record, 2u) << "facet " << i;
        EXPECT_EQ(record & 1, std::uintptr_t(f->GetPlaneC() < 0)) << "facet " << i;
    }
}
