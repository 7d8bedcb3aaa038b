#include "polykern/boolean/G3IntervalList.h"

#include <cmath>

#include "polykern/boolean/G3Interval.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Point.h"

namespace {

constexpr double kTolerance = 1e-6;

int ValidAxis(int axis) {
    return axis >= 0 && axis <= 2 ? axis : -1;
}

// Three-way comparison of two coordinates, equal when closer than the tolerance.
int CompareCoo(double a, double b) {
    if (std::fabs(a - b) < kTolerance) return 0;
    return a < b ? -1 : 1;
}

double LowerCoo(const G3Interval* v, int axis) {
    return std::fmin(v->GetXYZ1(axis), v->GetXYZ2(axis));
}

double UpperCoo(const G3Interval* v, int axis) {
    return std::fmax(v->GetXYZ1(axis), v->GetXYZ2(axis));
}

G3Interval* IntervalAt(const GArrayCollection* list, int i) {
    return static_cast<G3Interval*>(list->get(i));
}

G3Point* PointAt(const GArrayCollection* list, int i) {
    return static_cast<G3Point*>(list->get(i));
}

}  // namespace

G3IntervalList::G3IntervalList() {
    Init(-1, -1, -1);
}

G3IntervalList::G3IntervalList(int secondAxis, int thirdAxis, int mainAxis) {
    Init(secondAxis, thirdAxis, mainAxis);
}

G3IntervalList::~G3IntervalList() {
    Finit();
}

void G3IntervalList::Init(int secondAxis, int thirdAxis, int mainAxis) {
    m_SecondAxis = ValidAxis(secondAxis);
    m_ThirdAxis = ValidAxis(thirdAxis);
    m_MainAxis = ValidAxis(mainAxis);
    m_Minimum = 0.0;
    m_Maximum = 0.0;
    m_Intervals = new GArrayCollection(16, 16);
    m_Points = new GArrayCollection(8, 8);
}

void G3IntervalList::Finit() {
    if (m_Points != nullptr) m_Points->clear(true);
    if (m_Intervals != nullptr) m_Intervals->clear(true);
    delete m_Points;
    delete m_Intervals;
    m_Points = nullptr;
    m_Intervals = nullptr;
}

void G3IntervalList::Copy(GObj* from) {
    GObj::Copy(from);
    auto* source = dynamic_cast<G3IntervalList*>(from);
    if (source == nullptr || source == this) return;
    CopyFrom(source);
}

G3IntervalList* G3IntervalList::Duplicate() {
    auto* copy = new G3IntervalList();
    copy->CopyFrom(this);
    return copy;
}

void G3IntervalList::CopyFrom(const G3IntervalList* source) {
    m_SecondAxis = source->m_SecondAxis;
    m_ThirdAxis = source->m_ThirdAxis;
    m_MainAxis = source->m_MainAxis;
    AppendDuplicates(source);
    FindMinMaxIntervalsCoo();
}

void G3IntervalList::AppendDuplicates(const G3IntervalList* other) {
    // Counts are taken first: `other` may be this list.
    const int points = other->m_Points->size();
    const int intervals = other->m_Intervals->size();
    for (int i = 0; i < points; ++i) m_Points->add(other->m_Points->get(i)->Duplicate());
    for (int i = 0; i < intervals; ++i) m_Intervals->add(other->m_Intervals->get(i)->Duplicate());
}

void G3IntervalList::Clear() {
    m_Points->clear(true);
    m_Intervals->clear(true);
    m_SecondAxis = m_ThirdAxis = m_MainAxis = -1;
    m_Minimum = m_Maximum = 0.0;
}

bool G3IntervalList::IsEmpty() const {
    return m_Intervals->isEmpty() && m_Points->isEmpty();
}

G3Point* G3IntervalList::AddPoint(const double* xyz) {
    return AddPoint(xyz, nullptr);
}

G3Point* G3IntervalList::AddPoint(const double* xyz, GObj* owner) {
    if (xyz == nullptr) return nullptr;
    auto* point = new G3Point(xyz, 0);
    point->SetExData(owner);
    m_Points->add(point);
    return point;
}

G3Interval* G3IntervalList::AddInterval(const double* a, const double* b) {
    return AddInterval(a, nullptr, b, nullptr);
}

G3Interval* G3IntervalList::AddInterval(const double* a,
                                        GObj* ownerA,
                                        const double* b,
                                        GObj* ownerB) {
    if (a == nullptr || b == nullptr) return nullptr;
    auto* interval = new G3Interval(a, ownerA, b, ownerB);
    m_Intervals->add(interval);
    // Keep the range spanning every interval without a full rescan.
    if (m_MainAxis >= 0) {
        const double lower = LowerCoo(interval, m_MainAxis);
        const double upper = UpperCoo(interval, m_MainAxis);
        const bool first = m_Intervals->size() == 1;
        m_Minimum = first ? lower : std::fmin(m_Minimum, lower);
        m_Maximum = first ? upper : std::fmax(m_Maximum, upper);
    }
    return interval;
}

void G3IntervalList::SetMaxCoo(const G3IntervalList* other) {
    if (other == nullptr) return;
    m_SecondAxis = other->m_SecondAxis;
    m_ThirdAxis = other->m_ThirdAxis;
    m_MainAxis = other->m_MainAxis;
    FindMinMaxIntervalsCoo();
}

void G3IntervalList::Merge(const G3IntervalList* other) {
    if (other == nullptr) return;
    m_SecondAxis = other->m_SecondAxis;
    m_ThirdAxis = other->m_ThirdAxis;
    m_MainAxis = other->m_MainAxis;
    AppendDuplicates(other);
    FindMinMaxIntervalsCoo();
}

G3IntervalList* G3IntervalList::Sub(const G3IntervalList* /*other*/) const {
    return nullptr;
}

void G3IntervalList::FindMinMax(GEnvelope* env) const {
    if (env == nullptr) return;
    env->Init();
    bool first = true;
    auto add = [env, &first](const double* xyz) {
        if (first) {
            env->Init(xyz);
            first = false;
        } else {
            env->Add(xyz);
        }
    };
    for (int i = 0; i < m_Points->size(); ++i) add(PointAt(m_Points, i)->GetXYZ());
    for (int i = 0; i < m_Intervals->size(); ++i) {
        const G3Interval* interval = IntervalAt(m_Intervals, i);
        add(interval->GetXYZ1());
        add(interval->GetXYZ2());
    }
}

// The true span of the ends rather than first start and last end: the two agree on a
// sorted list of disjoint intervals, and only the span stays right after a Merge.
void G3IntervalList::FindMinMaxIntervalsCoo() {
    m_Minimum = m_Maximum = 0.0;
    if (m_MainAxis < 0) return;
    for (int i = 0; i < m_Intervals->size(); ++i) {
        const G3Interval* interval = IntervalAt(m_Intervals, i);
        const double lower = LowerCoo(interval, m_MainAxis);
        const double upper = UpperCoo(interval, m_MainAxis);
        m_Minimum = i == 0 ? lower : std::fmin(m_Minimum, lower);
        m_Maximum = i == 0 ? upper : std::fmax(m_Maximum, upper);
    }
}

void G3IntervalList::FixAxesFromData() {
    if (m_MainAxis >= 0) return;
    GEnvelope env;
    FindMinMax(&env);
    m_MainAxis = env.GetMaxCoo();
    env.GetMaxCoo(&m_SecondAxis, &m_ThirdAxis);
}

int G3IntervalList::ComparePoints(const void* slotA, const void* slotB, const void* axis) {
    const int k = *static_cast<const int*>(axis);
    const auto* a = static_cast<const G3Point*>(*static_cast<GObj* const*>(slotA));
    const auto* b = static_cast<const G3Point*>(*static_cast<GObj* const*>(slotB));
    return CompareCoo(a->GetXYZ(k), b->GetXYZ(k));
}

int G3IntervalList::CompareIntervals(const void* slotA, const void* slotB, const void* axis) {
    const int k = *static_cast<const int*>(axis);
    const auto* a = static_cast<const G3Interval*>(*static_cast<GObj* const*>(slotA));
    const auto* b = static_cast<const G3Interval*>(*static_cast<GObj* const*>(slotB));
    return CompareCoo(LowerCoo(a, k), LowerCoo(b, k));
}

void G3IntervalList::OrientAndSortIntervals() {
    const int axis = m_MainAxis;
    if (axis < 0) return;
    for (int i = 0; i < m_Intervals->size(); ++i) IntervalAt(m_Intervals, i)->Orient(axis);
    m_Intervals->qsortex(CompareIntervals, &axis);
}

void G3IntervalList::ReplaceIntervals(GArrayCollection* replacement) {
    m_Intervals->clear(true);
    m_Intervals->add(replacement->size(), replacement->toArray());
    replacement->clear();
}

// Pairs the points in their order along the main axis: a closed polygon cut by a line
// crosses it an even number of times, so consecutive points bound the inside pieces.
void G3IntervalList::BuildIntervals() {
    FixAxesFromData();
    const int axis = m_MainAxis;
    OrientAndSortIntervals();
    m_Points->qsortex(ComparePoints, &axis);

    GArrayCollection fresh(16, 16);
    GArrayCollection* target = m_Intervals->isEmpty() ? m_Intervals : &fresh;
    // An odd last point is left out here and deleted with the others below. A pair closer
    // than the tolerance (a line grazing a vertex) bounds no piece and is dropped too, as
    // the union below would drop it.
    for (int i = 0; i + 1 < m_Points->size(); i += 2) {
        const G3Point* a = PointAt(m_Points, i);
        const G3Point* b = PointAt(m_Points, i + 1);
        if (std::fabs(b->GetXYZ(axis) - a->GetXYZ(axis)) <= kTolerance) continue;
        auto* interval = new G3Interval(a->GetXYZ(), a->GetExData(), b->GetXYZ(), b->GetExData());
        // The tolerant sort may leave near-equal points either way round.
        interval->Orient(axis);
        target->add(interval);
    }
    if (target == &fresh && !fresh.isEmpty()) {
        GArrayCollection united(16, 16);
        Union(m_Intervals, &fresh, axis, &united);
        fresh.clear(true);
        ReplaceIntervals(&united);
    }
    m_Points->clear(true);

    OrientAndSortIntervals();
    FindMinMaxIntervalsCoo();
}

INTERVAL_LIST_INTERSECTION_TYPE G3IntervalList::GetIntersectionType(
    const G3IntervalList* other) const {
    if (other == nullptr) return INTERVAL_LIST_DISJOINT;
    if (m_MainAxis != other->m_MainAxis) return INTERVAL_LIST_AXES_DIFFER;
    // Loose points have no range yet: only intervals are compared.
    if (m_Intervals->isEmpty() || other->m_Intervals->isEmpty()) return INTERVAL_LIST_DISJOINT;
    if (m_MainAxis < 0) return INTERVAL_LIST_AXES_DIFFER;
    if (other->m_Minimum - kTolerance <= m_Maximum && m_Minimum <= other->m_Maximum + kTolerance) {
        return INTERVAL_LIST_OVERLAP;
    }
    return INTERVAL_LIST_DISJOINT;
}
