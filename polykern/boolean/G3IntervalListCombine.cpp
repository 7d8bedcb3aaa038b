// Intersection, union and clipping of interval lists.

#include <cmath>

#include "polykern/boolean/G3Interval.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/GEnvelope.h"

namespace {

constexpr double kTolerance = 1e-6;

// One end of an interval as seen on an axis.
struct End {
    const double* xyz;
    GObj* owner;
    double at;
};

// The walks read each interval by its lower and upper end, so an interval that was
// added the wrong way round still counts as the segment it spans. On equal coordinates
// the first end is the lower one.
End Lower(const G3Interval* v, int axis) {
    if (v->GetXYZ2(axis) < v->GetXYZ1(axis)) {
        return {v->GetXYZ2(), v->GetOwner2(), v->GetXYZ2(axis)};
    }
    return {v->GetXYZ1(), v->GetOwner1(), v->GetXYZ1(axis)};
}

End Upper(const G3Interval* v, int axis) {
    if (v->GetXYZ2(axis) < v->GetXYZ1(axis)) {
        return {v->GetXYZ1(), v->GetOwner1(), v->GetXYZ1(axis)};
    }
    return {v->GetXYZ2(), v->GetOwner2(), v->GetXYZ2(axis)};
}

G3Interval* IntervalAt(const GArrayCollection* list, int i) {
    return static_cast<G3Interval*>(list->get(i));
}

// Appends the piece from-to when it is longer than the tolerance.
void AppendPiece(GArrayCollection* out, const End& from, const End& to) {
    if (to.at - from.at > kTolerance) {
        out->add(new G3Interval(from.xyz, from.owner, to.xyz, to.owner));
    }
}

void AppendWhole(GArrayCollection* out, const G3Interval* v, int axis) {
    AppendPiece(out, Lower(v, axis), Upper(v, axis));
}

}  // namespace

void G3IntervalList::ResolveAxes(const G3IntervalList* other,
                                 int* secondAxis,
                                 int* thirdAxis,
                                 int* mainAxis) const {
    const G3IntervalList* source = m_MainAxis >= 0 ? this : other;
    if (source->m_MainAxis >= 0) {
        *secondAxis = source->m_SecondAxis;
        *thirdAxis = source->m_ThirdAxis;
        *mainAxis = source->m_MainAxis;
        return;
    }
    GEnvelope env, otherEnv;
    FindMinMax(&env);
    other->FindMinMax(&otherEnv);
    if (IsEmpty()) {
        env.Init(&otherEnv);
    } else if (!other->IsEmpty()) {
        env.Add(&otherEnv);
    }
    *mainAxis = env.GetMaxCoo();
    env.GetMaxCoo(secondAxis, thirdAxis);
}

GArrayCollection* G3IntervalList::OrderedView(GArrayCollection* intervals,
                                              int axis,
                                              GArrayCollection* scratch) {
    bool ordered = true;
    for (int i = 1; i < intervals->size() && ordered; ++i) {
        GObj* pair[2] = {intervals->get(i - 1), intervals->get(i)};
        ordered = CompareIntervals(&pair[0], &pair[1], &axis) <= 0;
    }
    if (ordered) return intervals;
    scratch->clear();
    scratch->add(intervals->size(), intervals->toArray());
    scratch->qsortex(CompareIntervals, &axis);
    return scratch;
}

G3IntervalList* G3IntervalList::Intersect(const G3IntervalList* other) const {
    if (other == nullptr) return nullptr;
    int secondAxis, thirdAxis, mainAxis;
    ResolveAxes(other, &secondAxis, &thirdAxis, &mainAxis);
    auto* result = new G3IntervalList(secondAxis, thirdAxis, mainAxis);
    if (!m_Intervals->isEmpty() && !other->m_Intervals->isEmpty()) {
        GArrayCollection scratchA(0, 16), scratchB(0, 16);
        Intersect(OrderedView(m_Intervals, mainAxis, &scratchA),
                  OrderedView(other->m_Intervals, mainAxis, &scratchB), mainAxis,
                  result->m_Intervals);
        result->FindMinMaxIntervalsCoo();
    }
    return result;
}

G3IntervalList* G3IntervalList::Union(const G3IntervalList* other) const {
    if (other == nullptr) return nullptr;
    if (m_Intervals->isEmpty() || other->m_Intervals->isEmpty()) {
        auto* copy = new G3IntervalList();
        copy->CopyFrom(m_Intervals->isEmpty() ? other : this);
        return copy;
    }
    int secondAxis, thirdAxis, mainAxis;
    ResolveAxes(other, &secondAxis, &thirdAxis, &mainAxis);
    auto* result = new G3IntervalList(secondAxis, thirdAxis, mainAxis);
    GArrayCollection scratchA(0, 16), scratchB(0, 16);
    Union(OrderedView(m_Intervals, mainAxis, &scratchA),
          OrderedView(other->m_Intervals, mainAxis, &scratchB), mainAxis, result->m_Intervals);
    result->FindMinMaxIntervalsCoo();
    return result;
}

void G3IntervalList::Intersect(G3Interval* x) {
    if (x == nullptr || m_Intervals->isEmpty()) return;
    FixAxesFromData();
    x->Orient(m_MainAxis);
    OrientAndSortIntervals();
    GArrayCollection clipped(16, 16);
    Intersect(m_Intervals, x, m_MainAxis, &clipped);
    ReplaceIntervals(&clipped);
    FindMinMaxIntervalsCoo();
}

// Walks both lists upwards together. Of two overlapping intervals the one that ends first
// is done; otherwise the one lying wholly below the other is.
void G3IntervalList::Intersect(GArrayCollection* a,
                               GArrayCollection* b,
                               int axis,
                               GArrayCollection* out) {
    int i = 0, j = 0;
    while (i < a->size() && j < b->size()) {
        const G3Interval* u = IntervalAt(a, i);
        const G3Interval* v = IntervalAt(b, j);
        const End a1 = Lower(u, axis), a2 = Upper(u, axis);
        const End b1 = Lower(v, axis), b2 = Upper(v, axis);
        if (a1.at < b2.at && b1.at < a2.at) {
            const End& start = b1.at <= a1.at ? a1 : b1;
            if (a2.at <= b2.at) {
                AppendPiece(out, start, a2);
                ++i;
            } else {
                AppendPiece(out, start, b2);
                ++j;
            }
        } else if (a1.at < b2.at) {
            ++i;
        } else {
            ++j;
        }
    }
}

void G3IntervalList::Intersect(GArrayCollection* a,
                               G3Interval* x,
                               int axis,
                               GArrayCollection* out) {
    const End x1 = Lower(x, axis), x2 = Upper(x, axis);
    for (int i = 0; i < a->size(); ++i) {
        const G3Interval* v = IntervalAt(a, i);
        const End a1 = Lower(v, axis), a2 = Upper(v, axis);
        if (x2.at <= a1.at) break;
        if (x1.at < a2.at) {
            AppendPiece(out, x1.at <= a1.at ? a1 : x1, a2.at <= x2.at ? a2 : x2);
            if (x2.at <= a2.at) break;
        }
    }
}

// Emits each stretch once: a piece of one list is cut where the next interval of the other
// list begins, and an interval lying inside one of the other list is dropped, so the output
// covers both inputs without overlaps (beyond the tolerance) and ascends.
void G3IntervalList::Union(GArrayCollection* a,
                           GArrayCollection* b,
                           int axis,
                           GArrayCollection* out) {
    int i = 0, j = 0;
    while (i < a->size() && j < b->size()) {
        const G3Interval* u = IntervalAt(a, i);
        const G3Interval* v = IntervalAt(b, j);
        const End a1 = Lower(u, axis), a2 = Upper(u, axis);
        const End b1 = Lower(v, axis), b2 = Upper(v, axis);
        if (b1.at < a1.at) {
            if (a1.at <= b2.at && b2.at <= a2.at) {
                AppendPiece(out, b1, a1);
                ++j;
            } else if (b2.at > a2.at) {
                ++i;  // b covers a
            } else {
                AppendPiece(out, b1, b2);
                ++j;
            }
        } else {
            if (b1.at <= a2.at && a2.at <= b2.at) {
                AppendPiece(out, a1, b1);
                ++i;
            } else if (a2.at > b2.at) {
                ++j;  // a covers b
            } else {
                AppendPiece(out, a1, a2);
                ++i;
            }
        }
    }
    for (; i < a->size(); ++i) AppendWhole(out, IntervalAt(a, i), axis);
    for (; j < b->size(); ++j) AppendWhole(out, IntervalAt(b, j), axis);
}
