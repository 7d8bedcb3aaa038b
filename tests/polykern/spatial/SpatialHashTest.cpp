#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <set>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/spatial/G2PointHash.h"
#include "polykern/spatial/G3FacetPlaneHash.h"
#include "polykern/spatial/G3FacetPlaneHashItem.h"
#include "polykern/spatial/G3PointHash.h"
#include "polykern/spatial/G3TexCooHash.h"

namespace {

constexpr double kTol = 1e-6;
const double kUnitMin[3] = {0, 0, 0};
const double kUnitMax[3] = {1, 1, 1};

// The value just far enough from `from` that their difference is at least kTol.
double AtLeastTolAway(double from) {
    double to = from + kTol;
    while (to - from < kTol) to = std::nextafter(to, 2.0);
    return to;
}

// On each axis: p just below a cell border; q 0.9e-6 from p across the border merges
// with p, r exactly 1e-6 (or a hair more) from p does not.
void ExpectToleranceEdges(const std::function<std::unique_ptr<G2PointHash>()>& make, int axes) {
    for (int axis = 0; axis < axes; ++axis) {
        std::unique_ptr<G2PointHash> hash = make();
        const double border = hash->GetBox()->GetMin()[axis] + 7 * hash->GetCellWidth(axis);
        double pc[3] = {0.5, 0.5, 0.5};
        pc[axis] = border - 0.45e-6;
        double qc[3] = {pc[0], pc[1], pc[2]}, rc[3] = {pc[0], pc[1], pc[2]};
        qc[axis] = border + 0.45e-6;
        rc[axis] = AtLeastTolAway(pc[axis]);
        G3Point p(pc, 0), q(qc, 0), r(rc, 0);

        ASSERT_EQ(hash->Add(&p), nullptr) << "axis " << axis;
        ASSERT_NE(hash->GetHashCode(&p), hash->GetHashCode(&q)) << "axis " << axis;
        EXPECT_EQ(hash->Exists(&q), &p) << "axis " << axis;
        const int items = hash->GetItemCount();
        EXPECT_EQ(hash->Add(&q), &p) << "axis " << axis;
        EXPECT_EQ(hash->GetItemCount(), items) << "axis " << axis;
        EXPECT_EQ(hash->Exists(&r), nullptr) << "axis " << axis;
        EXPECT_EQ(hash->Add(&r), nullptr) << "axis " << axis;
        EXPECT_EQ(hash->Exists(&r), &r) << "axis " << axis;
    }
}

TEST(G3PointHash, MergesWithinToleranceAcrossCellBordersOnly) {
    ExpectToleranceEdges([] { return std::make_unique<G3PointHash>(24, kUnitMin, kUnitMax, kTol); },
                         3);
    ExpectToleranceEdges([] { return std::make_unique<G2PointHash>(24, kUnitMin, kUnitMax, kTol); },
                         2);
}

TEST(G3PointHash, GetItemsReturnsEveryPointOfTheBoxOnce) {
    // A wide tolerance puts points in several cells; GetItems must still report each once.
    G3PointHash hash(4, kUnitMin, kUnitMax, 0.05);
    std::vector<std::unique_ptr<G3Point>> lattice;
    for (int k = 0; k < 216; ++k) {
        lattice.push_back(std::make_unique<G3Point>(k % 6 / 5.0, k / 6 % 6 / 5.0, k / 36 / 5.0, 0));
        ASSERT_EQ(hash.Add(lattice.back().get()), nullptr);
    }
    GEnvelope env;
    env.Init(0.3, 0.3, 0.3, 0.75, 0.75, 0.75);
    GArrayCollection out;
    hash.GetItems(&env, &out);
    std::set<GObj*> found(out.toArray(), out.toArray() + out.size());
    EXPECT_EQ(found.size(), static_cast<size_t>(out.size()));
    int inside = 0;
    for (const auto& p : lattice) {
        EXPECT_FALSE(p->GetMark());
        if (!env.IsIntersectXYZ(p->GetCoo())) continue;
        ++inside;
        EXPECT_EQ(found.count(p.get()), 1u);
    }
    EXPECT_EQ(inside, 8);

    // Every stored point within tol is reported, not only the first.
    const double a[3] = {0.51, 0.5, 0.5}, b[3] = {0.53, 0.5, 0.5}, mid[3] = {0.52, 0.5, 0.5};
    G3Point pa(a, 0), pb(b, 0);
    hash.AddWithoutTest(&pa);
    hash.AddWithoutTest(&pb);
    EXPECT_TRUE(hash.Exists(mid, &out));
    EXPECT_EQ(out.size(), 2);
}

TEST(G3PointHash, PointsOutsideTheBoxAreKeptInTheBorderCells) {
    G3PointHash hash(8, kUnitMin, kUnitMax, kTol);
    G3Point far[3] = {G3Point(5, -3, 0.5, 0), G3Point(1e12, 1e12, -1e12, 0),
                      G3Point(-0.5, 0.5, 2, 0)};
    for (G3Point& p : far) {
        ASSERT_EQ(hash.Add(&p), nullptr);
        const int code = hash.GetHashCode(&p);
        EXPECT_GE(code, 0);
        EXPECT_LT(code, hash.GetCellCount());
    }
    for (G3Point& p : far) {
        EXPECT_EQ(hash.Exists(&p), &p);
        G3Point near(p.GetX(), p.GetY(), p.GetZ() + 0.5e-6, 0);
        G3Point apart(p.GetX(), p.GetY() + 0.25, p.GetZ(), 0);  // same border cell
        EXPECT_EQ(hash.Add(&near), &p);
        EXPECT_EQ(hash.Exists(&apart), nullptr);
    }
    // A box query beside the grid reaches the border cells that hold such points.
    GEnvelope around;
    around.Init(4.9, -3.1, 0.4, 5.1, -2.9, 0.6);
    GArrayCollection out;
    hash.GetItems(&around, &out);
    EXPECT_GE(out.index(&far[0]), 0);

    const double inf = std::numeric_limits<double>::infinity();
    const double nan[3] = {std::numeric_limits<double>::quiet_NaN(), 0.5, 0.5};
    const double huge[3] = {inf, -inf, inf};
    EXPECT_EQ(hash.Exists(nan), nullptr);
    EXPECT_EQ(hash.Exists(huge), nullptr);
    EXPECT_GE(hash.GetHashCode(nan), 0);
    EXPECT_LT(hash.GetHashCode(huge), hash.GetCellCount());
}

TEST(G3PointHash, EmptyHashesAndMissingArgumentsAnswerNothing) {
    G3PointHash empty(0, nullptr, nullptr, kTol);  // one cell over the origin
    EXPECT_EQ(empty.GetQGrid(), 1);
    EXPECT_EQ(empty.GetCellCount(), 1);
    const double origin[3] = {0, 0, 0};
    EXPECT_EQ(empty.Exists(origin), nullptr);
    EXPECT_EQ(empty.GetItemCount(), 0);
    GEnvelope all;
    all.Init(-1e9, -1e9, -1e9, 1e9, 1e9, 1e9);
    GArrayCollection out;
    out.add(&out);
    empty.GetItems(&all, &out);
    EXPECT_EQ(out.size(), 0);

    EXPECT_EQ(empty.Add(nullptr), nullptr);
    EXPECT_EQ(empty.Exists(static_cast<const double*>(nullptr)), nullptr);
    EXPECT_FALSE(empty.Exists(origin, nullptr));
    EXPECT_EQ(empty.GetHashCode(static_cast<const double*>(nullptr)), -1);
    empty.AddWithoutTest(nullptr);
    empty.GetItems(nullptr, &out);
    EXPECT_EQ(empty.GetItemCount(), 0);

    G3Point p(3, 3, 3, 0), q(3, 3, 3 + 0.5e-6, 0);
    EXPECT_EQ(empty.Add(&p), nullptr);
    EXPECT_EQ(empty.Add(&q), &p);
    EXPECT_EQ(empty.GetItemCount(), 1);

    // A tolerance that is not a positive number merges nothing.
    G2PointHash exact(-4, kUnitMin, kUnitMax, -1.0);
    EXPECT_EQ(exact.GetQGrid(), 1);
    EXPECT_EQ(exact.GetTolerance(), 0.0);
    G3Point twin(3, 3, 3, 0);
    EXPECT_EQ(exact.Add(&p), nullptr);
    EXPECT_EQ(exact.Add(&twin), nullptr);
}

TEST(G2PointHash, CellsCoverTheGrownBoxInXY) {
    G2PointHash hash(10, kUnitMin, kUnitMax, 0.001);  // margin max(1 % of 1, 2·tol) = 0.01
    GEnvelope cell;
    hash.GetCellEnvelope(&cell, 0, 0);
    EXPECT_DOUBLE_EQ(cell.GetMin()[0], -0.01);
    EXPECT_DOUBLE_EQ(cell.GetMin()[1], -0.01);
    EXPECT_EQ(cell.GetMin()[2], 0.0);
    EXPECT_EQ(cell.GetMax()[2], 0.0);

    // Cells ignore z; equality does not.
    G3Point low(0.5, 0.5, 0, 0), high(0.5, 0.5, 1, 0);
    EXPECT_EQ(hash.GetHashCode(&low), hash.GetHashCode(&high));
    EXPECT_EQ(hash.Add(&low), nullptr);
    EXPECT_EQ(hash.Add(&high), nullptr);
}

TEST(G3TexCooHash, MergesWithinToleranceAndKeepsOutsidePairs) {
    const double lo[2] = {0, 0}, hi[2] = {1, 1};
    for (int axis = 0; axis < 2; ++axis) {
        G3TexCooHash hash(16, lo, hi, kTol);
        const double border = hash.GetMin(axis) + 5 * hash.GetCellWidth(axis);
        double a[2] = {0.3, 0.3};
        a[axis] = border - 0.45e-6;
        double b[2] = {a[0], a[1]}, c[2] = {a[0], a[1]};
        b[axis] = border + 0.45e-6;
        c[axis] = AtLeastTolAway(a[axis]);
        G3TexCoo ta(a), tb(b), tc(c);
        ASSERT_EQ(hash.Add(&ta), nullptr);
        ASSERT_NE(hash.GetHashCode(&ta), hash.GetHashCode(&tb));
        EXPECT_EQ(hash.Add(&tb), &ta) << "axis " << axis;
        EXPECT_EQ(hash.Add(&tc), nullptr) << "axis " << axis;
        EXPECT_EQ(hash.Exists(&tc), &tc) << "axis " << axis;
    }

    G3TexCooHash hash(8, lo, hi, kTol);
    G3TexCoo outside(50, -7), again(50, -7 + 0.5e-6);
    EXPECT_EQ(hash.Add(&outside), nullptr);
    EXPECT_EQ(hash.Add(&again), &outside);
    EXPECT_EQ(hash.Add(nullptr), nullptr);
    EXPECT_EQ(hash.GetHashCode(nullptr), -1);
}

// The primary items of all cells: one per plane group.
std::set<G3FacetPlaneHashItem*> Groups(const G3FacetPlaneHash& hash) {
    std::set<G3FacetPlaneHashItem*> groups;
    for (int i = 0; i < hash.GetHashSize(); ++i) {
        for (G3FacetPlaneHashItem* item = hash.Get(i); item != nullptr; item = item->GetNext())
            groups.insert(item->IsPrimary() ? item : item->GetPrimary());
    }
    return groups;
}

void SetPlane(G3Facet* f, double a, double b, double c, double d) {
    const double plane[4] = {a, b, c, d};
    f->SetPlane(plane);
}

TEST(G3FacetPlaneHash, OppositePlanesShareACellButNotAGroup) {
    const int n = 10;
    G3FacetPlaneHash hash(n);
    G3Facet up, down, upAgain, upHigher;
    SetPlane(&up, 0, 0, 1, -2);
    SetPlane(&down, 0, 0, -1, 2);  // the same plane z = 2, facing the other way
    SetPlane(&upAgain, 0, 0, 1, -2 + 0.5e-6);
    SetPlane(&upHigher, 0, 0, 1, -2.001);
    EXPECT_EQ(hash.GetHashCode(&up), (n - 1) * n * n);  // a component of 1 stays in the grid
    EXPECT_EQ(hash.GetHashCode(&down), hash.GetHashCode(&up));

    G3FacetPlaneHashItem* upGroup = hash.Add(&up);
    G3FacetPlaneHashItem* downGroup = hash.Add(&down);
    ASSERT_NE(upGroup, nullptr);
    ASSERT_NE(downGroup, nullptr);
    EXPECT_NE(upGroup, downGroup);
    EXPECT_EQ(hash.Add(&upAgain), upGroup);
    EXPECT_NE(hash.Add(&upHigher), upGroup);
    EXPECT_EQ(upGroup->GetFacets()->size(), 2);
    EXPECT_EQ(downGroup->GetFacets()->size(), 1);
    EXPECT_EQ(Groups(hash).size(), 3u);

    EXPECT_EQ(hash.Add(nullptr), nullptr);
    EXPECT_EQ(hash.GetHashCode(nullptr), -1);
    EXPECT_EQ(hash.Get(-1), nullptr);
    EXPECT_EQ(hash.Get(hash.GetHashSize()), nullptr);
    G3Facet garbage;  // not a unit normal: indices are clamped
    SetPlane(&garbage, 5, std::numeric_limits<double>::quiet_NaN(), -7, 0);
    EXPECT_EQ(hash.GetHashCode(&garbage), (n - 1) + (n - 1) * n * n);
    EXPECT_NE(hash.Add(&garbage), nullptr);
}

TEST(G3FacetPlaneHash, EqualPlanesOnEitherSideOfACellBorderFormOneGroup) {
    G3FacetPlaneHash hash(10);
    const double border = 3 * hash.GetCellWidth();
    G3Facet left, right, tilted;
    const double a1 = border - 5e-5, a2 = border + 5e-5;
    SetPlane(&left, a1, 0, std::sqrt(1 - a1 * a1), -1);
    SetPlane(&right, a2, 0, std::sqrt(1 - a2 * a2), -1);
    const double a3 = border + 0.01;
    SetPlane(&tilted, a3, 0, std::sqrt(1 - a3 * a3), -1);
    ASSERT_TRUE(left.PlaneEquals(right.GetPlane()));
    ASSERT_NE(hash.GetHashCode(&left), hash.GetHashCode(&right));

    G3FacetPlaneHashItem* group = hash.Add(&left);
    EXPECT_EQ(hash.Add(&right), group);
    EXPECT_NE(hash.Add(&tilted), group);
    EXPECT_EQ(group->GetFacets()->size(), 2);
}

}  // namespace
