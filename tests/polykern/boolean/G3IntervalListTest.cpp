#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <utility>
#include <vector>

#include "polykern/boolean/G3Interval.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Point.h"

namespace {

using Ranges = std::vector<std::pair<double, double>>;
using ListPtr = std::unique_ptr<G3IntervalList>;

// A position at t on the x axis, off the coordinate planes.
struct OnX {
    explicit OnX(double t) : xyz{t, 1.0, 2.0} {}
    double xyz[3];
};

G3Interval* IntervalAt(const G3IntervalList& list, int i) {
    return static_cast<G3Interval*>(list.GetIntervalList()->get(i));
}

// A list measured along x holding the given ranges as they come.
ListPtr XList(const Ranges& ranges) {
    auto list = std::make_unique<G3IntervalList>(1, 2, 0);
    for (const auto& r : ranges) list->AddInterval(OnX(r.first).xyz, OnX(r.second).xyz);
    return list;
}

// The intervals in order, each running from first to second on `axis` (within 1e-12).
::testing::AssertionResult HasPieces(const G3IntervalList* list, int axis, const Ranges& want) {
    if (list == nullptr) return ::testing::AssertionFailure() << "no list";
    std::ostringstream got;
    const int n = list->GetIntervalList()->size();
    for (int i = 0; i < n; ++i) {
        got << " [" << IntervalAt(*list, i)->GetXYZ1(axis) << ", "
            << IntervalAt(*list, i)->GetXYZ2(axis) << "]";
    }
    bool same = n == static_cast<int>(want.size());
    for (int i = 0; same && i < n; ++i) {
        same = std::abs(IntervalAt(*list, i)->GetXYZ1(axis) - want[i].first) < 1e-12 &&
               std::abs(IntervalAt(*list, i)->GetXYZ2(axis) - want[i].second) < 1e-12;
    }
    if (same) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "intervals:" << got.str();
}

TEST(G3IntervalList, BuildPairsUnsortedPointsAlongTheLine) {
    GObj o0, o1, o2, o3;
    G3IntervalList list;
    list.AddPoint(OnX(3).xyz, &o3);
    list.AddPoint(OnX(0).xyz, &o0);
    list.AddPoint(OnX(2).xyz, &o2);
    list.AddPoint(OnX(1).xyz, &o1);
    list.BuildIntervals();
    EXPECT_EQ(list.GetMainAxis(), 0);
    EXPECT_TRUE(HasPieces(&list, 0, {{0, 1}, {2, 3}}));
    EXPECT_EQ(list.GetPointList()->size(), 0);
    EXPECT_EQ(list.GetMinimum(), 0.0);
    EXPECT_EQ(list.GetMaximum(), 3.0);
    // Each end keeps the object that produced its point.
    EXPECT_EQ(IntervalAt(list, 0)->GetOwner1(), &o0);
    EXPECT_EQ(IntervalAt(list, 0)->GetOwner2(), &o1);
    EXPECT_EQ(IntervalAt(list, 1)->GetOwner1(), &o2);
    EXPECT_EQ(IntervalAt(list, 1)->GetOwner2(), &o3);
}

TEST(G3IntervalList, BuildFindsTheMainAxisFromTheData) {
    G3IntervalList list;
    for (double y : {7.0, 1.0, 5.0, 3.0}) {
        const double p[3] = {1.0, y, 2.0 + 0.1 * y};  // z varies too, but less than y
        list.AddPoint(p);
    }
    list.BuildIntervals();
    EXPECT_EQ(list.GetMainAxis(), 1);
    EXPECT_EQ(list.GetSecondAxis(), 1);  // x is the thinnest and is dropped
    EXPECT_EQ(list.GetThirdAxis(), 2);
    EXPECT_TRUE(HasPieces(&list, 1, {{1, 3}, {5, 7}}));
}

TEST(G3IntervalList, BuildDropsAnUnpairedPointAndDegeneratePairs) {
    G3IntervalList odd;
    for (double t : {2.0, 0.0, 1.0}) odd.AddPoint(OnX(t).xyz);
    odd.BuildIntervals();
    EXPECT_TRUE(HasPieces(&odd, 0, {{0, 1}}));
    EXPECT_EQ(odd.GetPointList()->size(), 0);

    G3IntervalList grazing(1, 2, 0);
    grazing.AddPoint(OnX(4).xyz);
    grazing.AddPoint(OnX(4 + 5e-7).xyz);
    grazing.BuildIntervals();
    EXPECT_TRUE(grazing.IsEmpty());

    G3IntervalList nothing;
    nothing.BuildIntervals();  // no data: the axes come from the zero box
    EXPECT_TRUE(nothing.IsEmpty());
}

TEST(G3IntervalList, BuildUnitesNewPairsWithExistingIntervals) {
    ListPtr list = XList({{3, 0}});  // added backwards: oriented by the build
    list->AddPoint(OnX(6).xyz);
    list->AddPoint(OnX(2).xyz);
    list->BuildIntervals();
    EXPECT_TRUE(HasPieces(list.get(), 0, {{0, 2}, {2, 6}}));
    EXPECT_EQ(list->GetMaximum(), 6.0);
}

TEST(G3Interval, OrientAndSwapCarryTheOwners) {
    GObj low, high;
    G3Interval v(OnX(5).xyz, &high, OnX(2).xyz, &low);
    v.Orient(0);
    EXPECT_EQ(v.GetXYZ1(0), 2.0);
    EXPECT_EQ(v.GetOwner1(), &low);
    EXPECT_EQ(v.GetOwner2(), &high);
    v.Orient(1);  // equal on y: left alone
    v.Orient(-1);
    EXPECT_EQ(v.GetOwner1(), &low);
    v.Swap();
    EXPECT_EQ(v.GetXYZ1(0), 5.0);
    EXPECT_EQ(v.GetOwner1(), &high);

    G3Interval nulls(nullptr, nullptr);  // null ends are the origin
    EXPECT_EQ(nulls.GetXYZ2(2), 0.0);
}

TEST(G3Interval, DuplicateOwnsItsOwnEnds) {
    GObj a, b;
    auto* original = new G3Interval(OnX(1).xyz, &a, OnX(4).xyz, &b);
    original->GetPoint1()->SetId(17);
    std::unique_ptr<GObj> copy(original->Duplicate());
    auto* dup = dynamic_cast<G3Interval*>(copy.get());
    ASSERT_NE(dup, nullptr);
    EXPECT_NE(dup->GetPoint1(), original->GetPoint1());
    delete original;
    EXPECT_EQ(dup->GetXYZ1(0), 1.0);
    EXPECT_EQ(dup->GetXYZ2(0), 4.0);
    EXPECT_EQ(dup->GetPoint1()->GetId(), 17);
    EXPECT_EQ(dup->GetOwner2(), &b);

    GObj notAnInterval;
    dup->Copy(&notAnInterval);
    EXPECT_EQ(dup->GetXYZ2(0), 4.0);
}

TEST(G3IntervalList, IntersectKeepsCommonPiecesLongerThanTheTolerance) {
    ListPtr a = XList({{0, 2}, {4, 6}});
    ListPtr b = XList({{1, 5}});
    ListPtr ab(a->Intersect(b.get()));
    ListPtr ba(b->Intersect(a.get()));
    EXPECT_TRUE(HasPieces(ab.get(), 0, {{1, 2}, {4, 5}}));
    EXPECT_TRUE(HasPieces(ba.get(), 0, {{1, 2}, {4, 5}}));
    EXPECT_EQ(ab->GetMinimum(), 1.0);
    EXPECT_EQ(ab->GetMaximum(), 5.0);

    ListPtr touching = XList({{1, 2}});
    ListPtr unit = XList({{0, 1}});
    ListPtr nearly = XList({{1 + 1e-7, 2}});
    ListPtr sliver = XList({{1 - 1e-7, 2}});
    EXPECT_TRUE(HasPieces(ListPtr(unit->Intersect(touching.get())).get(), 0, {}));
    EXPECT_TRUE(HasPieces(ListPtr(unit->Intersect(nearly.get())).get(), 0, {}));
    EXPECT_TRUE(HasPieces(ListPtr(unit->Intersect(sliver.get())).get(), 0, {}));
}

TEST(G3IntervalList, IntersectTakesTheOwnersOfTheEndsItKeeps) {
    GObj a1, a2, b1, b2;
    G3IntervalList a(1, 2, 0), b(1, 2, 0);
    a.AddInterval(OnX(0).xyz, &a1, OnX(2).xyz, &a2);
    b.AddInterval(OnX(3).xyz, &b2, OnX(1).xyz, &b1);  // backwards: read by its lower end
    ListPtr common(a.Intersect(&b));
    ASSERT_TRUE(HasPieces(common.get(), 0, {{1, 2}}));
    EXPECT_EQ(IntervalAt(*common, 0)->GetOwner1(), &b1);
    EXPECT_EQ(IntervalAt(*common, 0)->GetOwner2(), &a2);
}

TEST(G3IntervalList, IntersectWithAnEmptyOrMissingList) {
    ListPtr a = XList({{0, 2}});
    G3IntervalList empty(0, 1, 2);
    ListPtr fromEmpty(empty.Intersect(a.get()));
    ASSERT_NE(fromEmpty, nullptr);
    EXPECT_TRUE(fromEmpty->IsEmpty());
    EXPECT_EQ(fromEmpty->GetMainAxis(), 2);
    const G3IntervalList* none = nullptr;
    EXPECT_EQ(a->Intersect(none), nullptr);
    EXPECT_EQ(a->Union(none), nullptr);
    EXPECT_EQ(a->Sub(a.get()), nullptr);
}

TEST(G3IntervalList, IntersectionType) {
    ListPtr unit = XList({{0, 1}});
    unit->AddPoint(OnX(9).xyz);  // loose points do not widen the range
    ListPtr near = XList({{1 + 5e-7, 2}});
    ListPtr apart = XList({{1.1, 2}});
    G3IntervalList alongY(0, 2, 1), empty(1, 2, 0);
    alongY.AddInterval(OnX(0).xyz, OnX(0).xyz);
    EXPECT_EQ(unit->GetIntersectionType(near.get()), INTERVAL_LIST_OVERLAP);
    EXPECT_EQ(near->GetIntersectionType(unit.get()), INTERVAL_LIST_OVERLAP);
    EXPECT_EQ(unit->GetIntersectionType(apart.get()), INTERVAL_LIST_DISJOINT);
    EXPECT_EQ(unit->GetIntersectionType(&alongY), INTERVAL_LIST_AXES_DIFFER);
    EXPECT_EQ(unit->GetIntersectionType(&empty), INTERVAL_LIST_DISJOINT);
    EXPECT_EQ(empty.GetIntersectionType(unit.get()), INTERVAL_LIST_DISJOINT);
    EXPECT_EQ(unit->GetIntersectionType(nullptr), INTERVAL_LIST_DISJOINT);
}

TEST(G3IntervalList, UnionCutsAtEveryEndInEitherOrder) {
    GObj a1, a2, a3, a4, b1, b2;
    G3IntervalList a(1, 2, 0), b(1, 2, 0);
    a.AddInterval(OnX(0).xyz, &a1, OnX(3).xyz, &a2);
    a.AddInterval(OnX(5).xyz, &a3, OnX(8).xyz, &a4);
    b.AddInterval(OnX(2).xyz, &b1, OnX(6).xyz, &b2);
    ListPtr ab(a.Union(&b));
    ListPtr ba(b.Union(&a));
    EXPECT_TRUE(HasPieces(ab.get(), 0, {{0, 2}, {2, 5}, {5, 8}}));
    EXPECT_TRUE(HasPieces(ba.get(), 0, {{0, 2}, {2, 5}, {5, 8}}));
    EXPECT_EQ(ab->GetMaximum(), 8.0);
    EXPECT_EQ(IntervalAt(*ab, 0)->GetOwner2(), &b1);
    EXPECT_EQ(IntervalAt(*ab, 1)->GetOwner1(), &b1);
    EXPECT_EQ(IntervalAt(*ab, 1)->GetOwner2(), &a3);
    EXPECT_EQ(IntervalAt(*ab, 2)->GetOwner2(), &a4);
}

TEST(G3IntervalList, UnionOfUnsortedOrEmptyLists) {
    ListPtr unsorted = XList({{5, 8}, {3, 0}});  // neither sorted nor oriented
    ListPtr middle = XList({{2, 6}});
    ListPtr u(unsorted->Union(middle.get()));
    EXPECT_TRUE(HasPieces(u.get(), 0, {{0, 2}, {2, 5}, {5, 8}}));

    G3IntervalList empty;
    ListPtr copy(empty.Union(middle.get()));
    EXPECT_TRUE(HasPieces(copy.get(), 0, {{2, 6}}));
    EXPECT_NE(IntervalAt(*copy, 0), IntervalAt(*middle, 0));
    EXPECT_EQ(copy->GetMainAxis(), 0);
}

TEST(G3IntervalList, ClipByOneInterval) {
    GObj x1, x2, a1;
    G3IntervalList list(1, 2, 0);
    list.AddInterval(OnX(6).xyz, OnX(8).xyz);
    list.AddInterval(OnX(0).xyz, &a1, OnX(2).xyz, nullptr);
    list.AddInterval(OnX(3).xyz, OnX(5).xyz);
    G3Interval x(OnX(7).xyz, &x2, OnX(1).xyz, &x1);
    list.Intersect(&x);
    EXPECT_EQ(x.GetOwner1(), &x1);  // oriented on the main axis
    EXPECT_TRUE(HasPieces(&list, 0, {{1, 2}, {3, 5}, {6, 7}}));
    EXPECT_EQ(IntervalAt(list, 0)->GetOwner1(), &x1);
    EXPECT_EQ(IntervalAt(list, 2)->GetOwner2(), &x2);
    EXPECT_EQ(list.GetMinimum(), 1.0);
    EXPECT_EQ(list.GetMaximum(), 7.0);

    G3Interval beyond(OnX(7.5).xyz, OnX(9).xyz);
    list.Intersect(&beyond);
    EXPECT_TRUE(HasPieces(&list, 0, {}));
    list.Intersect(&beyond);  // empty list: nothing happens
    list.Intersect(static_cast<G3Interval*>(nullptr));
    EXPECT_EQ(list.GetMaximum(), 0.0);
}

TEST(G3IntervalList, MergeIntoAnEmptyListTakesTheAxes) {
    GObj owner;
    G3IntervalList source(0, 2, 1), target;
    const double p[3] = {0, 1, 0}, q[3] = {0, 4, 0};
    source.AddInterval(q, &owner, p, nullptr);
    source.AddPoint(p, &owner);
    target.Merge(&source);
    EXPECT_EQ(target.GetMainAxis(), 1);
    EXPECT_EQ(target.GetSecondAxis(), 0);
    EXPECT_EQ(target.GetThirdAxis(), 2);
    ASSERT_EQ(target.GetIntervalList()->size(), 1);
    EXPECT_NE(IntervalAt(target, 0), IntervalAt(source, 0));
    EXPECT_EQ(IntervalAt(target, 0)->GetOwner1(), &owner);  // merged as given, not oriented
    EXPECT_EQ(static_cast<G3Point*>(target.GetPointList()->get(0))->GetExData(), &owner);
    EXPECT_EQ(target.GetMaximum(), 4.0);
    target.Merge(nullptr);
    EXPECT_EQ(target.GetIntervalList()->size(), 1);
}

TEST(G3IntervalList, CopyDuplicatesAndOutlivesTheSource) {
    GObj owner;
    auto source = XList({{0, 1}, {2, 3}});
    source->AddPoint(OnX(9).xyz, &owner);
    G3IntervalList copy;
    copy.Copy(source.get());
    std::unique_ptr<GObj> dup(source->Duplicate());
    source.reset();
    EXPECT_TRUE(HasPieces(&copy, 0, {{0, 1}, {2, 3}}));
    EXPECT_EQ(copy.GetMainAxis(), 0);
    EXPECT_EQ(copy.GetMaximum(), 3.0);
    EXPECT_EQ(static_cast<G3Point*>(copy.GetPointList()->get(0))->GetExData(), &owner);
    EXPECT_TRUE(HasPieces(dynamic_cast<G3IntervalList*>(dup.get()), 0, {{0, 1}, {2, 3}}));

    copy.Clear();
    EXPECT_TRUE(copy.IsEmpty());
    EXPECT_EQ(copy.GetMainAxis(), -1);
    copy.AddPoint(OnX(0).xyz);
    EXPECT_FALSE(copy.IsEmpty());
    EXPECT_EQ(copy.AddPoint(nullptr), nullptr);
    EXPECT_EQ(copy.AddInterval(nullptr, OnX(1).xyz), nullptr);
}

}  // namespace
