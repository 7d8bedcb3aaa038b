// The facet octree: its shape for small and large surfaces, and queries that return every
// facet a segment or an aperture really meets, once, from the nodes on the way only.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <type_traits>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/boolean/G3RayTraceMetricResult.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3QuadraSurfaceTree.h"
#include "tests/support/SurfaceShapes.h"

namespace {

using SurfacePtr = std::unique_ptr<G3Surface>;
using FacetSet = std::set<const G3Facet*>;

static_assert(!std::is_copy_constructible<G3QuadraSurfaceTree>::value, "owns its nodes");
static_assert(!std::is_copy_assignable<G3QuadraSurfaceTree>::value, "owns its nodes");

// n × m unit squares in the plane z = 0, one quad each.
G3Surface* MakeSquares(int n, int m) {
    auto* s = new G3Surface();
    for (int j = 0; j <= m; ++j)
        for (int i = 0; i <= n; ++i) s->AddVertex(i, j, 0, 0);
    for (int j = 0; j < m; ++j) {
        for (int i = 0; i < n; ++i) {
            const int a = j * (n + 1) + i;
            int ids[4] = {a, a + 1, a + n + 2, a + n + 1};
            s->AddFacet(4, ids, 1, nullptr, nullptr);
        }
    }
    return s;
}

// Whether the segment p–q meets the closed box, by the slab method.
bool SegmentMeetsBox(const double* p, const double* q, const GEnvelope* box) {
    double t0 = 0, t1 = 1;
    for (int k = 0; k < 3; ++k) {
        const double d = q[k] - p[k], lo = box->GetMin()[k], hi = box->GetMax()[k];
        if (d == 0) {
            if (p[k] < lo || p[k] > hi) return false;
            continue;
        }
        double a = (lo - p[k]) / d, b = (hi - p[k]) / d;
        if (a > b) std::swap(a, b);
        t0 = std::max(t0, a);
        t1 = std::min(t1, b);
        if (t0 > t1) return false;
    }
    return true;
}

void HeldOnTheWay(const G3QuadraSurfaceTreeNode* n,
                  const double* p,
                  const double* q,
                  FacetSet* out) {
    if (n == nullptr || !SegmentMeetsBox(p, q, n->GetEnvelope())) return;
    for (int k = 0; k < n->GetFacets()->size(); ++k)
        out->insert(static_cast<const G3Facet*>(n->GetFacets()->get(k)));
    for (int k = 0; k < 8; ++k) HeldOnTheWay(n->GetChild(k), p, q, out);
}

// The facets the segment really meets, by tracing it through all of them.
FacetSet ReallyMet(G3Surface* s, double* p, double* q) {
    GArrayCollection all;
    for (int i = 0; i < s->GetFacetCount(); ++i) all.add(s->GetFacet(i));
    struct Collect : G3RayTraceMetricResult {
        FacetSet met;
        bool FindFacet(const double* x,
                       const double* n,
                       const double* a,
                       const double* b,
                       G3Facet* f) override {
            met.insert(f);
            return G3RayTraceMetricResult::FindFacet(x, n, a, b, f);
        }
        bool FindEdge(const double* x, const double* n, G3Edge* e) override {
            for (G3Facet* f : {e->GetFacet1(), e->GetFacet2()})
                if (f != nullptr) met.insert(f);
            return G3RayTraceMetricResult::FindEdge(x, n, e);
        }
    } collect;
    G3BooleanCalculator::TestRayAndFacetList(p, q, &all, &collect);
    return collect.met;
}

::testing::AssertionResult OnceEach(const GArrayCollection& out, FacetSet* set) {
    for (int k = 0; k < out.size(); ++k) {
        if (!set->insert(static_cast<const G3Facet*>(out.get(k))).second)
            return ::testing::AssertionFailure() << "facet reported twice at " << k;
    }
    return ::testing::AssertionSuccess();
}

bool NoFacetMarked(const G3Surface* s) {
    for (int i = 0; i < s->GetFacetCount(); ++i)
        if (s->GetFacet(i)->GetMark()) return false;
    return true;
}

TEST(G3QuadraSurfaceTree, SmallSurfaceIsOneNodeHoldingEveryFacet) {
    SurfacePtr s(MakeSquares(10, 20));  // 200 facets: no split
    G3QuadraSurfaceTree tree(s.get());
    ASSERT_TRUE(tree.MakeTree());
    EXPECT_EQ(tree.GetNodeCount(), 1);
    EXPECT_EQ(tree.GetRoot()->GetFacets()->size(), 200);
    const double p[3] = {-1, -1, 0}, q[3] = {0, 0, 0};  // touches the box at a corner
    GArrayCollection out;
    EXPECT_TRUE(tree.FindIntersection(p, q, &out));
    EXPECT_EQ(out.size(), 200);
    EXPECT_TRUE(NoFacetMarked(s.get()));
}

TEST(G3QuadraSurfaceTree, TheTwoHundredAndFirstFacetSplitsTheRoot) {
    SurfacePtr s(MakeSquares(201, 1));
    G3QuadraSurfaceTree tree(s.get());
    ASSERT_TRUE(tree.MakeTree());
    const G3QuadraSurfaceTreeNode* root = tree.GetRoot();
    ASSERT_TRUE(root->IsSplit());
    EXPECT_EQ(root->GetFacets()->size(), 0);
    EXPECT_EQ(tree.GetNodeCount(), 9);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(root->GetChild(k)->GetLevel(), 2);
    EXPECT_TRUE(NoFacetMarked(s.get()));
}

// The nodes holding f, into `out`.
void Holders(const G3QuadraSurfaceTreeNode* n,
             const G3Facet* f,
             std::vector<const G3QuadraSurfaceTreeNode*>* out) {
    if (n == nullptr) return;
    if (n->GetFacets()->index(const_cast<G3Facet*>(f)) >= 0) out->push_back(n);
    for (int k = 0; k < 8; ++k) Holders(n->GetChild(k), f, out);
}

TEST(G3QuadraSurfaceTree, LargeFacetStaysUpAndStraddlersComeOnce) {
    // 1600 squares and one tilted triangle whose box is larger than an octant of the root
    // in every direction: it never goes below the second level.
    SurfacePtr s(MakeSquares(40, 40));
    G3Vertex* v[3] = {s->AddVertex(-1, -1, -1, 0), s->AddVertex(41, -1, 12, 0),
                      s->AddVertex(20, 41, 24, 0)};
    G3Facet* big = s->AddFacet(3, v, 1, nullptr, nullptr);
    ASSERT_NE(big, nullptr);
    G3QuadraSurfaceTree tree(s.get());
    ASSERT_TRUE(tree.MakeTree());
    ASSERT_TRUE(tree.GetRoot()->IsSplit());
    std::vector<const G3QuadraSurfaceTreeNode*> holders;
    Holders(tree.GetRoot(), big, &holders);
    ASSERT_FALSE(holders.empty());
    int split = 0;
    for (const G3QuadraSurfaceTreeNode* n : holders) {
        EXPECT_EQ(n->GetLevel(), 2);  // never handed on below a split node
        split += n->IsSplit();
    }
    EXPECT_EQ(split, 4);  // the four octants over the squares split; the triangle stayed
    // A short segment deep inside one leaf still reaches its split parent.
    const double p[3] = {10.5, 10.5, 0.5}, q[3] = {10.5, 10.5, -0.5};
    GArrayCollection out;
    ASSERT_TRUE(tree.FindIntersection(p, q, &out));
    FacetSet seen;
    EXPECT_TRUE(OnceEach(out, &seen));
    EXPECT_TRUE(seen.count(big));
    EXPECT_TRUE(seen.count(s->GetFacet(10 * 40 + 10)));
    EXPECT_LT(out.size(), 1600);
    EXPECT_TRUE(NoFacetMarked(s.get()));
}

TEST(G3QuadraSurfaceTree, SegmentQueriesFindWhatTheyMeetFromNodesOnTheWay) {
    SurfacePtr s(MakeSquares(20, 20));
    G3QuadraSurfaceTree tree(s.get());
    ASSERT_TRUE(tree.MakeTree());
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> xy(-2.0, 22.0), z(-3.0, 3.0);
    for (int n = 0; n < 200; ++n) {
        double p[3] = {xy(rng), xy(rng), z(rng)}, q[3] = {xy(rng), xy(rng), -p[2]};
        GArrayCollection out;
        ASSERT_TRUE(tree.FindIntersection(p, q, &out));
        FacetSet got, allowed;
        ASSERT_TRUE(OnceEach(out, &got));
        HeldOnTheWay(tree.GetRoot(), p, q, &allowed);
        for (const G3Facet* f : got) EXPECT_TRUE(allowed.count(f)) << "query " << n;
        for (const G3Facet* f : ReallyMet(s.get(), p, q)) EXPECT_TRUE(got.count(f)) << n;
        ASSERT_TRUE(NoFacetMarked(s.get()));
    }
}

TEST(G3QuadraSurfaceTree, ApertureQueriesFindEverySquareInThePrism) {
    SurfacePtr s(MakeSquares(20, 20));
    G3QuadraSurfaceTree tree(s.get());
    ASSERT_TRUE(tree.MakeTree());
    // A vertical prism of side 3 around (7.2, 12.6): the squares over x 5.7 … 8.7 and
    // y 11.1 … 14.1, that is columns 5 … 8 and rows 11 … 14.
    const double p[3] = {7.2, 12.6, 2}, q[3] = {7.2, 12.6, -2};
    GArrayCollection out;
    ASSERT_TRUE(tree.FindIntersectionInApertura(p, q, 3.0, &out));
    FacetSet got;
    ASSERT_TRUE(OnceEach(out, &got));
    for (int j = 11; j <= 14; ++j)
        for (int i = 5; i <= 8; ++i) EXPECT_TRUE(got.count(s->GetFacet(j * 20 + i))) << i << j;
    EXPECT_TRUE(NoFacetMarked(s.get()));
    // An oblique aperture holds at least what its axis meets.
    double a[3] = {-1, 3, 4}, b[3] = {18, 16, -4};
    out.clear();
    ASSERT_TRUE(tree.FindIntersectionInApertura(a, b, 0.5, &out));
    got.clear();
    ASSERT_TRUE(OnceEach(out, &got));
    for (const G3Facet* f : ReallyMet(s.get(), a, b)) EXPECT_TRUE(got.count(f));
    EXPECT_TRUE(NoFacetMarked(s.get()));
}

TEST(G3QuadraSurfaceTree, QueriesLeaveTheCallersEntriesAlone) {
    SurfacePtr s(MakeSquares(20, 20));
    G3QuadraSurfaceTree tree(s.get());
    GArrayCollection out;
    const double p[3] = {0.5, 0.5, 1}, q[3] = {0.5, 0.5, -1};
    // Before MakeTree: refused, nothing added.
    EXPECT_FALSE(tree.FindIntersection(p, q, &out));
    EXPECT_FALSE(tree.FindIntersectionInApertura(p, q, 1.0, &out));
    EXPECT_EQ(out.size(), 0);
    ASSERT_TRUE(tree.MakeTree());
    ASSERT_TRUE(tree.MakeTree());  // built again over the same surface
    // An element the caller put in the list keeps its mark, whatever it is.
    G3Facet marked;
    marked.SetMark();
    out.add(&marked);
    ASSERT_TRUE(tree.FindIntersection(p, q, &out));
    EXPECT_TRUE(marked.GetMark());
    EXPECT_EQ(out.get(0), &marked);
    EXPECT_GT(out.size(), 1);
    EXPECT_TRUE(NoFacetMarked(s.get()));
    // Bad arguments change nothing.
    const int before = out.size();
    const double nan[3] = {std::numeric_limits<double>::quiet_NaN(), 0, 0};
    EXPECT_FALSE(tree.FindIntersection(nan, q, &out));
    EXPECT_FALSE(tree.FindIntersectionInApertura(p, p, 1.0, &out));
    EXPECT_FALSE(tree.FindIntersectionInApertura(p, q, -1.0, &out));
    EXPECT_FALSE(tree.FindIntersection(p, q, nullptr));
    EXPECT_EQ(out.size(), before);
    G3QuadraSurfaceTree none(nullptr);
    EXPECT_FALSE(none.MakeTree());
}

}  // namespace
