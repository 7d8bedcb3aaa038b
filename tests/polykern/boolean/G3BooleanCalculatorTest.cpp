// Booleans on the solids architects combine: overlapping, rotated, touching, identical
// and nested bodies, and a slab cut through by a shaft. Volumes are compared to 1e-9
// relative; every result must be closed and walk each edge once in each direction.

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "polykern/boolean/G3BCLoopCache.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/exdata/G3ExDataProvider.h"
#include "polykern/exdata/G3ShellExDataProvider.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetLoops.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tests/support/SurfaceCheck.h"
#include "tests/support/SurfaceShapes.h"
#include "tests/support/TestProviders.h"

namespace {

using Plan = std::vector<pktest::PlanPoint>;
constexpr double kRel = 1e-9;

G3Surface* MakePrism(const Plan& outline, double z0, double z1) {
    return pktest::MakePrismBetween(outline, z0, z1);
}

G3Surface* Box(double x0, double y0, double z0, double x1, double y1, double z1) {
    return MakePrism({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, z0, z1);
}

// The unit square turned by 30° about (0.5, 0.5).
Plan RotatedSquare() {
    const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
    Plan out;
    for (const auto& p : Plan{{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
        const double x = p.x - 0.5, y = p.y - 0.5;
        out.push_back({0.5 + c * x - s * y, 0.5 + s * x + c * y});
    }
    return out;
}

enum class Op { Union, Difference, Intersection };

std::unique_ptr<G3Surface> Apply(Op op, G3Surface* a, G3Surface* b) {
    G3BooleanCalculator bc;
    switch (op) {
        case Op::Union: return std::unique_ptr<G3Surface>(bc.Add(a, b));
        case Op::Difference: return std::unique_ptr<G3Surface>(bc.Sub(a, b));
        case Op::Intersection: return std::unique_ptr<G3Surface>(bc.Common(a, b));
    }
    return nullptr;
}

::testing::AssertionResult ResultIs(const std::unique_ptr<G3Surface>& s, double volume) {
    if (volume == 0.0) {
        if (s == nullptr) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "expected no result, got " << s->GetFacetCount() << " facets of volume "
               << pktest::SignedVolume(s.get());
    }
    if (s == nullptr) return ::testing::AssertionFailure() << "no result";
    return pktest::IsClosedWithVolume(s.get(), volume, kRel);
}

// Each operation on fresh copies of a pair, with the identities that tie them together.
struct PairVolumes {
    double unite, common, difference;
};

PairVolumes CheckIdentities(G3Surface* (*makeA)(), G3Surface* (*makeB)()) {
    std::unique_ptr<G3Surface> a(makeA()), b(makeB());
    const double va = pktest::SignedVolume(a.get()), vb = pktest::SignedVolume(b.get());
    auto u = Apply(Op::Union, makeA(), makeB());
    auto i = Apply(Op::Intersection, makeA(), makeB());
    auto d = Apply(Op::Difference, makeA(), makeB());
    auto ub = Apply(Op::Union, makeB(), makeA());
    PairVolumes v{u ? pktest::SignedVolume(u.get()) : 0.0, i ? pktest::SignedVolume(i.get()) : 0.0,
                  d ? pktest::SignedVolume(d.get()) : 0.0};
    const double tol = kRel * (va + vb);
    EXPECT_NEAR(v.unite + v.common, va + vb, tol);
    EXPECT_NEAR(v.difference, va - v.common, tol);
    EXPECT_NEAR(ub ? pktest::SignedVolume(ub.get()) : 0.0, v.unite, tol);
    for (const auto* r : {u.get(), i.get(), d.get(), ub.get()}) {
        if (r != nullptr) {
            EXPECT_TRUE(pktest::IsClosedAndOriented(r));
        }
    }
    return v;
}

int HoleLoops(const G3Facet* f) {
    int loops = 0;
    for (G3FacetVertexIterator it(f); it.hasNext();) {
        it.next();
        if (it.StartedLoop()) ++loops;
    }
    return loops - 1;
}

}  // namespace

TEST(G3BooleanCalculator, OverlappingCubesGiveExactVolumes) {
    auto a = [] { return Box(0, 0, 0, 1, 1, 1); };
    auto b = [] { return Box(0.3, 0.4, 0.5, 1.3, 1.4, 1.5); };
    EXPECT_TRUE(ResultIs(Apply(Op::Union, a(), b()), 1.79));
    EXPECT_TRUE(ResultIs(Apply(Op::Intersection, a(), b()), 0.21));
    EXPECT_TRUE(ResultIs(Apply(Op::Difference, a(), b()), 0.79));
    const PairVolumes v = CheckIdentities(+a, +b);
    EXPECT_NEAR(v.unite, 1.79, 1e-9);
}

TEST(G3BooleanCalculator, RotatedSquarePrismAgainstCube) {
    auto a = [] { return Box(0, 0, 0, 1, 1, 1); };
    auto b = [] { return MakePrism(RotatedSquare(), -0.5, 1.5); };
    EXPECT_TRUE(ResultIs(Apply(Op::Intersection, a(), b()), 0.8452994616));
    EXPECT_TRUE(ResultIs(Apply(Op::Union, a(), b()), 2.1547005384));
    EXPECT_TRUE(ResultIs(Apply(Op::Difference, a(), b()), 0.1547005384));
    CheckIdentities(+a, +b);
}

TEST(G3BooleanCalculator, CubesTouchingOnAFaceJoinIntoOneBox) {
    auto a = [] { return Box(0, 0, 0, 1, 1, 1); };
    auto b = [] { return Box(1, 0, 0, 2, 1, 1); };
    auto u = Apply(Op::Union, a(), b());
    ASSERT_TRUE(ResultIs(u, 2.0));
    EXPECT_EQ(u->GetFacetCount(), 6);
    EXPECT_TRUE(ResultIs(Apply(Op::Difference, a(), b()), 1.0));
    EXPECT_TRUE(ResultIs(Apply(Op::Intersection, a(), b()), 0.0));
}

TEST(G3BooleanCalculator, CubeWithItsOwnCopy) {
    auto u = Apply(Op::Union, Box(0, 0, 0, 1, 1, 1), Box(0, 0, 0, 1, 1, 1));
    ASSERT_TRUE(ResultIs(u, 1.0));
    EXPECT_EQ(u->GetFacetCount(), 6);
    EXPECT_TRUE(ResultIs(Apply(Op::Difference, Box(0, 0, 0, 1, 1, 1), Box(0, 0, 0, 1, 1, 1)), 0.0));
    EXPECT_TRUE(ResultIs(Apply(Op::Intersection, Box(0, 0, 0, 1, 1, 1), Box(0, 0, 0, 1, 1, 1)), 1.0));
}

TEST(G3BooleanCalculator, ShaftThroughSlabLeavesOneHoleLoopTopAndBottom) {
    auto r = Apply(Op::Difference, Box(0, 0, 0, 3, 3, 1), Box(1, 1, -1, 2, 2, 2));
    ASSERT_TRUE(ResultIs(r, 8.0));
    const G3Facet* top = pktest::FindFacetWithHoles(r.get(), true);
    const G3Facet* bottom = pktest::FindFacetWithHoles(r.get(), false);
    ASSERT_NE(top, nullptr);
    ASSERT_NE(bottom, nullptr);
    EXPECT_EQ(HoleLoops(top), 1);
    EXPECT_EQ(HoleLoops(bottom), 1);

    // A slab that already has an opening, cut again beside it and across it: the opening
    // no cut comes near stays a hole loop, a point in it stays outside.
    auto second = Apply(Op::Difference, pktest::MakeSlabWithOpening(), Box(1, 1, -1, 2, 3, 1));
    ASSERT_TRUE(ResultIs(second, 28.8 - 0.3 * 2.0));
    EXPECT_EQ(HoleLoops(pktest::FindFacetWithHoles(second.get(), true)), 2);
    EXPECT_EQ(HoleLoops(pktest::FindFacetWithHoles(second.get(), false)), 2);
    auto joined = Apply(Op::Union, pktest::MakeSlabWithOpening(), Box(5, 3, 0, 7, 7, 0.3));
    // The box lies within the slab but for the half of the opening it fills.
    ASSERT_TRUE(ResultIs(joined, 28.8 + 0.3 * 2.0));
}

TEST(G3BooleanCalculator, LShapedBuildingsOverlapping) {
    auto l = [] { return MakePrism({{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 3}, {0, 3}}, 0, 3); };
    auto m = [] { return MakePrism({{0.5, 0.5}, {3, 0.5}, {3, 2}, {0.5, 2}}, 0, 2); };
    // Same floor plane: the overlap of the plans is 0.5·2.5 + 0.5·1 minus the shared corner.
    const PairVolumes v = CheckIdentities(+l, +m);
    EXPECT_NEAR(v.common, 2.0 * (0.5 * 2.5 + 0.5 * 1.0), 1e-9);
}

TEST(G3BooleanCalculator, DisjointOperands) {
    EXPECT_TRUE(ResultIs(Apply(Op::Union, Box(0, 0, 0, 1, 1, 1), Box(3, 0, 0, 4, 1, 1)), 2.0));
    EXPECT_TRUE(ResultIs(Apply(Op::Intersection, Box(0, 0, 0, 1, 1, 1), Box(3, 0, 0, 4, 1, 1)), 0.0));
    EXPECT_TRUE(ResultIs(Apply(Op::Difference, Box(0, 0, 0, 1, 1, 1), Box(3, 0, 0, 4, 1, 1)), 1.0));
}

TEST(G3BooleanCalculator, FarFromTheOriginKeepsItsPrecision) {
    const double x = 512345.0, y = 5412345.0;
    auto r = Apply(Op::Difference, Box(x, y, 100, x + 1, y + 1, 101),
                 Box(x + 0.3, y + 0.4, 100.5, x + 1.3, y + 1.4, 101.5));
    EXPECT_TRUE(ResultIs(r, 0.79));
}

TEST(G3BooleanCalculator, OpenOperandIsRefusedWhereItMustBeClassified) {
    // A grid sheet cannot say what lies inside it.
    EXPECT_EQ(Apply(Op::Union, Box(0, 0, 0, 1, 1, 1), pktest::MakeGrid(4, 4)), nullptr);
}

TEST(G3BooleanCalculator, PierBuiltIntoAWallWithFacesFlushOnBothSides) {
    // An L-shaped pier: its arm lies in the wall, flush with both wall faces; its leg
    // stands out in front. The flush face lies wholly inside the wall's face, so only the
    // pier's outline can cut the wall there.
    auto wall = [] { return Box(0, 0, 0, 0.3, 4, 4); };
    auto pier = [] {
        return MakePrism({{-0.5, 1.5}, {0, 1.5}, {0, 1}, {0.3, 1}, {0.3, 2}, {-0.5, 2}}, 1, 2);
    };
    EXPECT_TRUE(ResultIs(Apply(Op::Union, pier(), wall()), 4.8 + 0.25));
    EXPECT_TRUE(ResultIs(Apply(Op::Difference, pier(), wall()), 0.25));
    const PairVolumes v = CheckIdentities(+pier, +wall);
    EXPECT_NEAR(v.common, 0.3, 1e-9);
}

// A UV sphere of 16,128 triangles moved by dx along x: enough facets for both operands'
// crossing checks to run side by side.
G3Surface* FineSphere(double dx) {
    G3Surface* s = pktest::MakeSphere(128, 64);
    for (int i = 0; i < s->GetVertexCount(); ++i) {
        G3Vertex* v = s->GetVertex(i);
        const double p[3] = {v->GetX() + dx, v->GetY(), v->GetZ()};
        v->Set(p);
    }
    s->FormPlaneEquation();
    return s;
}

TEST(G3BooleanCalculator, LargeOperandsCheckedSideBySideGiveTheSameAnswers) {
    std::unique_ptr<G3Surface> one(FineSphere(0.0));
    const double v = pktest::SignedVolume(one.get());
    auto ab = Apply(Op::Union, FineSphere(0.0), FineSphere(0.59));
    auto ba = Apply(Op::Union, FineSphere(0.59), FineSphere(0.0));
    ASSERT_NE(ab, nullptr);
    ASSERT_NE(ba, nullptr);
    EXPECT_TRUE(pktest::IsClosedAndOriented(ab.get()));
    const double u = pktest::SignedVolume(ab.get());
    EXPECT_NEAR(pktest::SignedVolume(ba.get()), u, 1e-9 * u);
    EXPECT_GT(u, v);
    EXPECT_LT(u, 2 * v);
    // A large body passing through itself is refused, for that reason, on either side.
    auto crossed = [] {
        G3Surface* s = FineSphere(0.0);
        std::unique_ptr<G3Surface> other(FineSphere(0.3));
        s->Copy(other.get());
        return s;
    };
    static int refusals;
    refusals = 0;
    const GTrace::Receiver previous = GTrace::SetReceiver([](const char* m) {
        if (std::strstr(m, "cross each other") != nullptr) ++refusals;
    });
    // A difference keeps its operands' order: the second one is checked on the helper.
    EXPECT_EQ(Apply(Op::Difference, crossed(), FineSphere(0.59)), nullptr);
    EXPECT_EQ(Apply(Op::Difference, FineSphere(0.59), crossed()), nullptr);
    GTrace::SetReceiver(previous);
    EXPECT_EQ(refusals, 2);
}

// A result read entity by entity: every vertex's coordinates in list order, then every
// facet's ring as vertex ids.
struct Readout {
    std::vector<double> coordinates;
    std::vector<int> rings;
    std::vector<std::string> trace;
};

Readout ReadOut(const G3Surface* s) {
    Readout r;
    for (int i = 0; s != nullptr && i < s->GetVertexCount(); ++i) {
        const double* p = s->GetVertex(i)->GetXYZ();
        r.coordinates.insert(r.coordinates.end(), p, p + 3);
    }
    for (int i = 0; s != nullptr && i < s->GetFacetCount(); ++i) {
        std::vector<G3Vertex*> starts;
        std::vector<int> ends;
        s->GetFacet(i)->GetLoops(starts, ends);
        for (const G3Vertex* v : starts) r.rings.push_back(v->GetId());
        r.rings.push_back(-1);
    }
    return r;
}

TEST(G3BooleanCalculator, ResultsDoNotFollowMemoryOrderOrThreads) {
    // Large operands are prepared on two threads; a registered provider, which could hear
    // of both at once, keeps them on one. Entities still alive from earlier work move the
    // pools' free slots. None of this may change a coordinate, a ring or the trace.
    static std::vector<std::string> lines;
    const GTrace::Receiver previous =
        GTrace::SetReceiver([](const char* m) { lines.emplace_back(m); });
    auto run = [] {
        lines.clear();
        auto u = Apply(Op::Union, FineSphere(0.0), FineSphere(0.59));
        Readout r = ReadOut(u.get());
        r.trace = lines;
        EXPECT_TRUE(u != nullptr && pktest::IsClosedAndOriented(u.get()));
        return r;
    };
    const Readout first = run();
    G3Surface clutter;
    for (int k = 0; k < 5000; ++k) clutter.AddVertex(k, 0.5 * k, 0.25 * k, 0);
    const Readout cluttered = run();
    G3ExDataProvider idle;
    Readout oneThread;
    {
        pktest::ScopedProvider scope(&idle);
        oneThread = run();
    }
    GTrace::SetReceiver(previous);
    ASSERT_FALSE(first.coordinates.empty());
    const Readout* others[] = {&cluttered, &oneThread};
    for (const Readout* other : others) {
        EXPECT_EQ(other->coordinates, first.coordinates);
        EXPECT_EQ(other->rings, first.rings);
        EXPECT_EQ(other->trace, first.trace);
    }
}

TEST(G3BooleanCalculator, ProvidersSetAsideComeBackWithCalculatorsOnTwoThreads) {
    // A shell's own provider is set aside while a calculator works on the shell and given
    // back after; the calculators of every thread share the list of those set aside.
    auto work = [](int* restored) {
        for (int k = 0; k < 200; ++k) {
            G3Surface* a = Box(0, 0, 0, 1, 1, 1);
            auto* own = new G3ShellExDataProvider();
            a->SetExDataProvider(own);
            auto u = Apply(Op::Union, a, Box(0.5, 0.5, 0.5, 1.5, 1.5, 1.5));
            if (u != nullptr && u->GetExDataProvider() == own) ++*restored;
        }
    };
    int here = 0, there = 0;
    std::thread other(work, &there);
    work(&here);
    other.join();
    EXPECT_EQ(here, 200);
    EXPECT_EQ(there, 200);
}

// Openings cut one after another through a slab: its faces soon have more ring edges than
// a cut walks afresh, and keep their loops from one box wall to the next.
TEST(G3BooleanCalculator, SlabTakesManyOpeningsOneAfterAnother) {
    G3Surface* slab = Box(0, 0, 0, 10, 10, 0.3);
    double volume = 30.0;
    for (int k = 0; k < 16; ++k) {
        const double x = 1.25 + 2.5 * (k % 4), y = 1.25 + 2.5 * (k / 4);
        slab = G3BooleanCalculator().Sub(slab, Box(x - 0.4, y - 0.3, -0.5, x + 0.4, y + 0.3, 0.8));
        ASSERT_NE(slab, nullptr) << "opening " << k;
        volume -= 0.8 * 0.6 * 0.3;
        ASSERT_TRUE(pktest::IsClosedWithVolume(slab, volume, 1e-9)) << "opening " << k;
    }
    EXPECT_EQ(slab->GetFacetCount(), 6 + 4 * 16);
    // The slab's top face has 68 ring edges in 17 loops. Rays read such a face's loops
    // once, skipping the holes far from the point: every answer must be the full walk's,
    // on grids that meet the holes' corners and sides, before and after the loops are kept.
    const G3Facet* top = nullptr;
    for (int i = 0; i < slab->GetFacetCount(); ++i) {
        const G3Facet* f = slab->GetFacet(i);
        if (f->GetEdgeCount() > 32 && f->GetPlane()[2] > 0.5) top = f;
    }
    ASSERT_NE(top, nullptr);
    G3BCLoopCache loops;
    int inside = 0, boundary = 0;
    for (int pass = 0; pass < 6; ++pass) {
        const double shift = (pass % 2) * 0.0125;
        for (int a = -2; a <= 202; ++a) {
            for (int b = -2; b <= 202; ++b) {
                const double p[3] = {0.05 * a, 0.05 * b + shift, 0.3};
                G3Vertex *hitA = nullptr, *hitB = nullptr;
                const bool in = top->PointInFacet(0, 1, p, &hitA, &hitB, 1e-6);
                bool onBoundary = false;
                ASSERT_EQ(loops.PointIn(top, 0, 1, p, 1e-6, &onBoundary), in)
                    << p[0] << " " << p[1];
                ASSERT_EQ(onBoundary, in && hitA != nullptr) << p[0] << " " << p[1];
                inside += in;
                boundary += onBoundary;
            }
        }
    }
    EXPECT_GT(inside, 0);
    EXPECT_GT(boundary, 0);
    // Cuts across the face by planes through and between the holes' sides: skipping the
    // loops whose boxes keep clear of a plane must give the full walk's points, in order.
    const double* boxes = nullptr;
    const G3FacetLoops* kept = loops.For(top, &boxes);
    ASSERT_NE(kept, nullptr);
    ASSERT_NE(boxes, nullptr);
    const G3FacetLoops& all = *kept;
    int cut = 0;
    for (int a = -1; a <= 101; ++a) {
        for (const double tilt : {0.0, 0.01}) {
            const double plane[4] = {1.0, tilt, 0.0, -0.1 * a};
            G3IntervalList walked, skipped;
            const int r = top->IntersectByPlaneConcave(plane, &walked, all);
            ASSERT_EQ(top->IntersectByPlaneConcave(plane, &skipped, all, boxes), r) << a;
            const GArrayCollection* p = walked.GetPointList();
            const GArrayCollection* q = skipped.GetPointList();
            ASSERT_EQ(p == nullptr, q == nullptr);
            if (p == nullptr) continue;
            ASSERT_EQ(p->size(), q->size()) << a;
            for (int k = 0; k < p->size(); ++k) {
                for (int c = 0; c < 3; ++c) {
                    ASSERT_EQ(static_cast<G3Point*>(p->get(k))->GetXYZ(c),
                              static_cast<G3Point*>(q->get(k))->GetXYZ(c));
                }
            }
            cut += r == 1;
        }
    }
    EXPECT_GT(cut, 100);
    delete slab;
}

TEST(G3BooleanCalculator, BodyPassingThroughItselfIsRefused) {
    // Two walls drawn as one body, crossing without being joined: a point inside both
    // would count two crossings and be taken for outside, so the operation refuses it.
    auto crossed = [] {
        G3Surface* s = Box(0, 0, 0, 4, 0.3, 3);
        std::unique_ptr<G3Surface> other(Box(1.5, -1, 0, 1.8, 2, 3));
        s->Copy(other.get());
        return s;
    };
    EXPECT_EQ(Apply(Op::Union, crossed(), Box(1, -0.5, 1, 2, 0.5, 2)), nullptr);
    EXPECT_EQ(Apply(Op::Difference, Box(1, -0.5, 1, 2, 0.5, 2), crossed()), nullptr);
    // A dome of many small facets poking through a floor's large top face.
    auto domed = [] {
        G3Surface* floor = Box(-5, -5, -1, 5, 5, 0.2);
        std::unique_ptr<G3Surface> dome(pktest::MakeSphere(24, 12));
        floor->Copy(dome.get());
        return floor;
    };
    EXPECT_EQ(Apply(Op::Union, domed(), Box(-0.5, -0.5, 0.5, 0.5, 0.5, 2)), nullptr);
    // Joined first, the same walls take the cut.
    std::unique_ptr<G3Surface> joined = Apply(Op::Union, Box(0, 0, 0, 4, 0.3, 3),
                                              Box(1.5, -1, 0, 1.8, 2, 3));
    ASSERT_TRUE(ResultIs(joined, 3.6 + 2.7 - 0.27));
    EXPECT_TRUE(ResultIs(Apply(Op::Difference, joined.release(), Box(1, -0.5, 1, 2, 0.5, 2)),
                         3.6 + 2.7 - 0.27 - (0.3 * 1 + 0.3 * 1 - 0.09)));
}
