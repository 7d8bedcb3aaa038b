// Building in bulk must give exactly the surface that facet-by-facet building gives.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceCompare.h"
#include "tests/support/SurfaceShapes.h"
#include "tests/support/TestProviders.h"

namespace {

struct Indexed {
    std::vector<double> xyz;
    std::vector<int> counts;
    std::vector<int> corners;
    std::vector<int32_t> flags;  // per corner; empty: one value for all

    int Point(double x, double y, double z) {
        xyz.insert(xyz.end(), {x, y, z});
        return static_cast<int>(xyz.size() / 3) - 1;
    }
    void Facet(std::initializer_list<int> ids) {
        counts.push_back(static_cast<int>(ids.size()));
        corners.insert(corners.end(), ids);
    }
    int PointCount() const { return static_cast<int>(xyz.size() / 3); }
};

// The facet-by-facet way: every point through AddVertex, then every facet through the
// vertex-list AddFacet; an index outside the points is a missing vertex.
std::unique_ptr<G3Surface> OneByOne(const Indexed& in, int32_t flags) {
    auto s = std::make_unique<G3Surface>();
    std::vector<G3Vertex*> v(in.PointCount());
    for (int k = 0; k < in.PointCount(); ++k) v[k] = s->AddVertex(&in.xyz[3 * k], 0);
    std::size_t start = 0;
    std::vector<G3Vertex*> ring;
    for (int n : in.counts) {
        ring.clear();
        for (int i = 0; i < n; ++i) {
            const int id = in.corners[start + i];
            ring.push_back(id >= 0 && id < in.PointCount() ? v[id] : nullptr);
        }
        if (in.flags.empty()) {
            s->AddFacet(n, ring.data(), flags, nullptr, nullptr);
        } else {
            s->AddFacet(n, ring.data(), &in.flags[start], nullptr, nullptr);
        }
        start += n;
    }
    return s;
}

std::unique_ptr<G3Surface> InBulk(const Indexed& in, int32_t flags, int* made = nullptr) {
    auto s = std::make_unique<G3Surface>();
    const int n = s->AddIndexedFacets(in.PointCount(), in.xyz.data(),
                                      static_cast<int>(in.counts.size()), in.counts.data(),
                                      static_cast<int>(in.corners.size()), in.corners.data(),
                                      in.flags.empty() ? nullptr : in.flags.data(), flags);
    if (made != nullptr) *made = n;
    return s;
}

// The indexed form of a surface: its vertices and each facet's ring.
Indexed IndexedOf(const G3Surface* s) {
    Indexed in;
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        const double* p = s->GetVertex(i)->GetXYZ();
        in.Point(p[0], p[1], p[2]);
    }
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const G3Facet* f = s->GetFacet(i);
        int n = 0;
        for (G3FacetVertexIterator it(f); it.hasNext(); ++n) {
            in.corners.push_back(static_cast<G3Vertex*>(it.next())->GetId());
        }
        in.counts.push_back(n);
    }
    return in;
}

}  // namespace

TEST(G3SurfaceBulk, GridAndSphereMatchFacetByFacet) {
    std::unique_ptr<G3Surface> grid(pktest::MakeGrid(30, 20));
    Indexed g = IndexedOf(grid.get());
    for (std::size_t k = 0; k < g.corners.size(); ++k) g.flags.push_back(k % 3 == 0 ? 0 : 1);
    EXPECT_TRUE(pktest::SameSurface(OneByOne(g, 1).get(), InBulk(g, 1).get()));

    std::unique_ptr<G3Surface> sphere(pktest::MakeSphere(24, 12));
    const Indexed s = IndexedOf(sphere.get());
    auto bulk = InBulk(s, 1);
    EXPECT_TRUE(pktest::SameSurface(OneByOne(s, 1).get(), bulk.get()));
    EXPECT_TRUE(bulk->GetClosed());
    EXPECT_TRUE(pktest::IsClosedAndOriented(bulk.get()));
}

// Sharing ignores direction, a third facet on a shared pair gets an edge of its own,
// and a facet that runs twice along one pair gets two edges.
TEST(G3SurfaceBulk, NonManifoldSharingMatchesFacetByFacet) {
    Indexed in;
    const int a = in.Point(0, 0, 0), b = in.Point(1, 0, 0), c = in.Point(0, 1, 0);
    const int d = in.Point(0, -1, 0), e = in.Point(0, 0, 1), f = in.Point(2, 2, 0);
    in.Facet({a, b, c});
    in.Facet({b, a, d});
    in.Facet({a, b, e});  // a third side on a–b
    in.Facet({a, b, f});  // the same direction as the first
    in.Facet({c, a, b, f, b, a});  // along a–b twice
    auto bulk = InBulk(in, 5);
    EXPECT_TRUE(pktest::SameSurface(OneByOne(in, 5).get(), bulk.get()));
    EXPECT_EQ(bulk->GetFacetCount(), 5);
}

TEST(G3SurfaceBulk, DegenerateInputIsSkippedExactlyWhereAddFacetRefuses) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Indexed in;
    const int a = in.Point(0, 0, 0), b = in.Point(1, 0, 0), c = in.Point(1, 1, 0);
    const int d = in.Point(0, 1, 0), bad = in.Point(nan, 0, 0);
    const int inf = in.Point(0, std::numeric_limits<double>::infinity(), 0);
    in.Facet({a, a, b, c});  // a repeated corner: a triangle
    in.Facet({a, a, b});     // two distinct corners: nothing
    in.Facet({a, b, a});     // makes and drops two edges
    in.Facet({a, b, d});     // must not find the dropped edges
    in.Facet({a, c, 99});    // out of range
    in.Facet({a, c, -1});
    in.Facet({a, c, bad});  // a point that made no vertex
    in.Facet({inf, a, c});
    in.Facet({a, c});
    in.Facet({c, d, a});
    int made = 0;
    auto bulk = InBulk(in, 1, &made);
    auto reference = OneByOne(in, 1);
    EXPECT_TRUE(pktest::SameSurface(reference.get(), bulk.get()));
    EXPECT_EQ(made, 3);
    EXPECT_EQ(bulk->GetVertexCount(), 4);  // the non-finite points make no vertex

    // Counts that run past the corners given stop the build; nothing is read beyond.
    Indexed cut = in;
    cut.counts.push_back(1000);
    EXPECT_EQ(InBulk(cut, 1)->GetFacetCount(), 3);
    G3Surface s;
    EXPECT_EQ(s.AddIndexedFacets(-1, nullptr, 0, nullptr, 0, nullptr, nullptr, 1), -1);
    EXPECT_EQ(s.AddIndexedFacets(3, nullptr, 0, nullptr, 0, nullptr, nullptr, 1), -1);
    EXPECT_EQ(s.GetVertexCount(), 0);
}

namespace {

// Records every entity the providers hear of, in order.
class OpenRecorder : public G3ExDataProvider {
public:
    void OpenExData(void* obj) override {
        auto* o = static_cast<G3Obj*>(obj);
        const char kind = dynamic_cast<G3Vertex*>(o)  ? 'v'
                          : dynamic_cast<G3Edge*>(o)  ? 'e'
                          : dynamic_cast<G3Facet*>(o) ? 'f'
                                                      : '?';
        log += kind + std::to_string(o->GetId()) + " ";
    }
    std::string log;
};

}  // namespace

TEST(G3SurfaceBulk, ProvidersHearTheSameCallsInTheSameOrder) {
    std::unique_ptr<G3Surface> sphere(pktest::MakeSphere(8, 4));
    Indexed in = IndexedOf(sphere.get());
    in.Facet({0, 0, 1});
    OpenRecorder one, bulk;
    {
        pktest::ScopedProvider watch(&one);
        OneByOne(in, 1);
    }
    {
        pktest::ScopedProvider watch(&bulk);
        InBulk(in, 1);
    }
    EXPECT_FALSE(one.log.empty());
    EXPECT_EQ(one.log, bulk.log);
}

// Between BeginComplexFacet and EndComplexFacet the facets built in bulk are collected
// like any others: an outline and a hole become one facet with two loops.
TEST(G3SurfaceBulk, ComplexFacetCollectsBulkFacets) {
    Indexed in;
    for (auto [x, y] : std::vector<std::pair<double, double>>{
             {0, 0}, {10, 0}, {10, 10}, {0, 10}, {4, 4}, {4, 6}, {6, 6}, {6, 4}}) {
        in.Point(x, y, 0);
    }
    in.Facet({0, 1, 2, 3});
    in.Facet({4, 5, 6, 7});
    G3Surface bulk, one;
    bulk.BeginComplexFacet();
    bulk.AddIndexedFacets(in.PointCount(), in.xyz.data(), 2, in.counts.data(),
                          static_cast<int>(in.corners.size()), in.corners.data(), nullptr, 1);
    bulk.EndComplexFacet();
    one.BeginComplexFacet();
    std::vector<G3Vertex*> v;
    for (int k = 0; k < in.PointCount(); ++k) v.push_back(one.AddVertex(&in.xyz[3 * k], 0));
    one.AddFacet(4, v.data(), 1, nullptr, nullptr);
    one.AddFacet(4, v.data() + 4, 1, nullptr, nullptr);
    one.EndComplexFacet();
    ASSERT_EQ(bulk.GetFacetCount(), 1);
    EXPECT_TRUE(pktest::SameSurface(&one, &bulk));
}
