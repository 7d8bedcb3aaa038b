// The triangulator's surface: built in one pass, it must equal the surface of adding every
// vertex and triangle one by one and welding, and leave every vertex linked to a live one.

#include <gtest/gtest.h>

#include <array>

#include <cmath>
#include <memory>
#include <random>
#include <unordered_set>
#include <vector>

#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/triangulation/G3TMesh.h"
#include "polykern/triangulation/G3TriInterface.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceCompare.h"

namespace {

using Points = std::vector<std::array<double, 3>>;

// What the surface used to be: every vertex, every triangle through AddFacet, then the weld
// (which sweeps unused vertices as well).
std::unique_ptr<G3Surface> OneByOne(G3TriInterface& tri, G3Surface* start = nullptr) {
    std::unique_ptr<G3Surface> s(start != nullptr ? start : new G3Surface());
    G3TMesh* mesh = tri.GetMesh();
    std::vector<G3Vertex*> v;
    for (int i = 0; i < mesh->GetVertexCount(); ++i) {
        const G3TVertex* t = mesh->GetVertex(i);
        v.push_back(s->AddVertex(t->u.Value(), t->v.Value(), t->w.Value(), 0));
    }
    G3TVertex* c[3];
    for (int i = 0; i < mesh->GetTriangleCount(); ++i) {
        mesh->GetTriangle(i, c);
        G3Vertex* f[3] = {v[c[0]->id], v[c[1]->id], v[c[2]->id]};
        s->AddFacet(3, f, 1, nullptr, nullptr);
    }
    s->RemoveEqualsVertex();
    return s;
}

std::unique_ptr<G3TriInterface> Triangulate(const Points& pts,
                                            const std::vector<std::pair<int, int>>& edges = {}) {
    auto tri = std::make_unique<G3TriInterface>();
    std::vector<G3TVertex*> v;
    for (const auto& p : pts) v.push_back(tri->AddVertex(p.data()));
    for (auto [a, b] : edges) tri->AddEdge(v[a], v[b]);
    EXPECT_TRUE(tri->MakeTriangulation());
    return tri;
}

// Every vertex's output is a vertex of s, at its position in plan.
::testing::AssertionResult LinksAreLive(G3TriInterface& tri, const G3Surface* s) {
    std::unordered_set<const G3Vertex*> live;
    for (int i = 0; i < s->GetVertexCount(); ++i) live.insert(s->GetVertex(i));
    G3TMesh* mesh = tri.GetMesh();
    for (int i = 0; i < mesh->GetVertexCount(); ++i) {
        const G3TVertex* t = mesh->GetVertex(i);
        if (live.count(t->output) == 0)
            return ::testing::AssertionFailure() << "vertex " << i << " links to no live vertex";
        const double* p = t->output->GetXYZ();
        if (std::hypot(p[0] - t->u.Value(), p[1] - t->v.Value()) > 1e-6)
            return ::testing::AssertionFailure() << "vertex " << i << " links to a vertex elsewhere";
    }
    return ::testing::AssertionSuccess();
}

Points Random(int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> d(0, 100);
    Points pts(static_cast<std::size_t>(n));
    for (auto& p : pts) p = {d(rng), d(rng), d(rng) * 0.1};
    return pts;
}

}  // namespace

TEST(G3TriInterfaceSurface, SameSurfaceAsVertexByVertexAndLinksLive) {
    std::vector<Points> cases;
    cases.push_back(Random(500, 3));
    Points grid;
    for (int j = 0; j < 20; ++j)
        for (int i = 0; i < 25; ++i) grid.push_back({double(i), double(j), 0.5 * i});
    cases.push_back(grid);
    // Surveyed twice: exact duplicates, some before and some after the point they repeat,
    // and duplicates in plan at another height.
    Points survey = Random(300, 5);
    for (int k = 0; k < 40; ++k) survey.push_back(survey[static_cast<std::size_t>(7 * k)]);
    for (int k = 0; k < 10; ++k) {
        auto p = survey[static_cast<std::size_t>(3 * k + 1)];
        p[2] += 2.0;
        survey.push_back(p);
    }
    survey.insert(survey.begin(), survey[200]);
    cases.push_back(survey);
    // Corners closer than the weld's tolerance but farther apart than the triangulator's,
    // and a point measured three times: the weld runs.
    Points close = Random(200, 9);
    close.push_back({close[10][0] + 4e-7, close[10][1], close[10][2]});
    close.push_back(close[20]);
    close.push_back(close[20]);
    cases.push_back(close);
    // Either side of zero, so the order of negative coordinates counts: duplicates on
    // both sides and a pair a little apart in x across zero.
    Points signs = Random(300, 13);
    for (auto& p : signs) p[0] -= 50;
    for (int k = 0; k < 30; ++k) signs.push_back(signs[static_cast<std::size_t>(9 * k)]);
    signs.push_back({-2e-7, 33.3, 0.0});
    signs.push_back({3e-7, 33.3, 0.0});
    cases.push_back(signs);

    for (std::size_t c = 0; c < cases.size(); ++c) {
        SCOPED_TRACE(c);
        auto tri = Triangulate(cases[c]);
        std::unique_ptr<G3Surface> s(tri->GetSurface());
        EXPECT_TRUE(LinksAreLive(*tri, s.get()));
        auto tri2 = Triangulate(cases[c]);
        EXPECT_TRUE(pktest::SameSurface(OneByOne(*tri2).get(), s.get()));
        EXPECT_TRUE(pktest::IsWellFormed(s.get()));
    }
}

TEST(G3TriInterfaceSurface, BreakLinesAndAFilledTargetGiveTheSameSurface) {
    Points pts = Random(400, 11);
    std::vector<std::pair<int, int>> lines;
    for (int k = 0; k < 20; ++k) lines.emplace_back(k, k + 1);
    auto tri = Triangulate(pts, lines);
    auto tri2 = Triangulate(pts, lines);
    std::unique_ptr<G3Surface> s(tri->GetSurface());
    EXPECT_TRUE(pktest::SameSurface(OneByOne(*tri2).get(), s.get()));

    // A surface that already holds a facet: the new part is welded onto it.
    auto Filled = [] {
        auto* f = new G3Surface();
        G3Vertex* v[3] = {f->AddVertex(-5, -5, 0, 0), f->AddVertex(-1, -5, 0, 0),
                          f->AddVertex(-5, -1, 0, 0)};
        f->AddFacet(3, v, 1, nullptr, nullptr);
        return f;
    };
    auto tri3 = Triangulate(pts, lines);
    std::unique_ptr<G3Surface> filled(tri3->GetSurface(Filled()));
    auto tri4 = Triangulate(pts, lines);
    EXPECT_TRUE(pktest::SameSurface(OneByOne(*tri4, Filled()).get(), filled.get()));
    EXPECT_TRUE(LinksAreLive(*tri3, filled.get()));
}

TEST(G3TriInterfaceSurface, PointsWeldedIntoATargetsVerticesLinkToTheSurvivors) {
    // The new points repeat vertices the target already holds, and some are offered twice:
    // the weld destroys the new copies, and every link must move to the vertex kept.
    Points pts = Random(120, 17);
    for (int k = 0; k < 15; ++k) pts.push_back(pts[static_cast<std::size_t>(4 * k)]);
    auto tri = Triangulate(pts);
    auto target = std::make_unique<G3Surface>();
    for (int k = 0; k < 10; ++k) {
        const auto& p = pts[static_cast<std::size_t>(k)];
        target->AddVertex(p[0], p[1], p[2], 0);
    }
    G3Vertex* f[3] = {target->GetVertex(0), target->GetVertex(1), target->GetVertex(2)};
    target->AddFacet(3, f, 1, nullptr, nullptr);
    tri->GetSurface(target.get());
    EXPECT_TRUE(LinksAreLive(*tri, target.get()));
    EXPECT_TRUE(pktest::IsWellFormed(target.get()));
}

TEST(G3TriInterfaceSurface, SurveyGridRepeatsWeldAsOneByOne) {
    // Survey lines along y share their x exactly, so the weld's search runs down whole
    // columns: repeats in the column, and repeats a hair to the side (in the column of
    // the next lower step of the tolerance), some given before the point they repeat.
    Points grid;
    for (int i = 0; i < 30; ++i)
        for (int j = 0; j < 40; ++j) grid.push_back({double(i), 0.5 * j, 0.1 * i + 0.02 * j});
    Points repeats = grid;
    for (int k = 0; k < 25; ++k) repeats.push_back(grid[std::size_t(37 * k + 3)]);
    for (int j = 0; j < 40; j += 3) {
        auto p = grid[std::size_t(5 * 40 + j)];
        p[0] -= 3e-9;
        if (j % 2 == 0) {
            repeats.insert(repeats.begin(), p);
        } else {
            repeats.push_back(p);
        }
    }
    // A point within the weld's tolerance of a corner but apart for the triangulator:
    // the weld itself runs.
    Points twins = grid;
    twins.push_back({grid[100][0] + 2e-7, grid[100][1] + 4e-7, grid[100][2]});
    for (const Points& pts : {grid, repeats, twins}) {
        auto tri = Triangulate(pts);
        std::unique_ptr<G3Surface> s(tri->GetSurface());
        EXPECT_TRUE(LinksAreLive(*tri, s.get()));
        auto tri2 = Triangulate(pts);
        EXPECT_TRUE(pktest::SameSurface(OneByOne(*tri2).get(), s.get()));
        EXPECT_TRUE(pktest::IsWellFormed(s.get()));
    }
}
