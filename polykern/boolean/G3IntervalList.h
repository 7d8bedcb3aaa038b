#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

class G3Interval;
class G3Point;
class GArrayCollection;
class GEnvelope;

/// How the ranges of two interval lists relate on their main axis.
enum INTERVAL_LIST_INTERSECTION_TYPE : int {
    INTERVAL_LIST_DISJOINT = 0,    // the ranges are apart, or a list is empty
    INTERVAL_LIST_OVERLAP = 1,     // the ranges meet or come within 1e-6
    INTERVAL_LIST_AXES_DIFFER = 2  // no common main axis: the lists cannot be compared
};

/// Collinear pieces of one straight line, measured along one coordinate axis (the main
/// axis): loose points that BuildIntervals pairs into intervals, and intervals oriented
/// and sorted upwards on that axis. Coordinates on the main axis closer than 1e-6 count as
/// equal; BuildIntervals, Intersect and Union never produce an interval of 1e-6 or less
/// there. Owns its points and intervals; the objects that produced them (owners) are only
/// referred to. Not copyable: use Copy or Duplicate.
class POLYKERN_API G3IntervalList : public GObj {
public:
    /// Axes unset (−1), no points, no intervals.
    G3IntervalList();
    /// The three axes given (0 x, 1 y, 2 z); a value outside 0 … 2 leaves that axis unset.
    G3IntervalList(int secondAxis, int thirdAxis, int mainAxis);
    /// Deletes all points and intervals.
    ~G3IntervalList() override;
    G3IntervalList(const G3IntervalList&) = delete;
    G3IntervalList& operator=(const G3IntervalList&) = delete;

    /// Takes `from`'s axes and appends duplicates of its points and intervals (owners
    /// travel along); anything but another interval list leaves this one unchanged.
    void Copy(GObj* from) override;
    /// A new list equal to this one, owned by the caller.
    G3IntervalList* Duplicate() override;

    /// Deletes all points and intervals and unsets the three axes.
    void Clear();
    /// True when there are neither points nor intervals.
    bool IsEmpty() const;
    /// The owned G3Intervals. Changes made directly are not reflected in the range until
    /// the next BuildIntervals.
    GArrayCollection* GetIntervalList() const { return m_Intervals; }
    /// The owned loose G3Points; each one's extended-data link is its owner.
    GArrayCollection* GetPointList() const { return m_Points; }

    /// Axis (0 … 2) along which intervals are oriented and compared, or −1 when unset.
    int GetMainAxis() const { return m_MainAxis; }
    /// One of the two axes left after dropping the axis of least extent, or −1.
    int GetSecondAxis() const { return m_SecondAxis; }
    /// The other of those two axes, or −1.
    int GetThirdAxis() const { return m_ThirdAxis; }
    /// Lowest interval end on the main axis; 0 without intervals or main axis.
    double GetMinimum() const { return m_Minimum; }
    /// Highest interval end on the main axis; 0 without intervals or main axis.
    double GetMaximum() const { return m_Maximum; }

    /// Appends a loose point at `xyz` without owner. Returns it (owned by the list), or
    /// null for a null `xyz`.
    G3Point* AddPoint(const double* xyz);
    /// Appends a loose point at `xyz` linked to `owner` (not owned). Returns it (owned by
    /// the list), or null for a null `xyz`.
    G3Point* AddPoint(const double* xyz, GObj* owner);
    /// Appends the interval a–b without owners, as given (not oriented, not sorted).
    /// Returns it (owned by the list), or null when an end is null.
    G3Interval* AddInterval(const double* a, const double* b);
    /// Appends the interval a–b with the owners of its ends, as given. Returns it (owned
    /// by the list), or null when an end is null.
    G3Interval* AddInterval(const double* a, GObj* ownerA, const double* b, GObj* ownerB);
    /// Takes `other`'s three axes, so both lists are measured alike; null does nothing.
    void SetMaxCoo(const G3IntervalList* other);

    /// Fixes the axes from the data when the main axis is unset, pairs the loose points in
    /// their order along the main axis into new intervals (an odd last point has no
    /// partner and is dropped, as is a pair within 1e-6), unites those with the existing
    /// intervals, deletes all points, and leaves the intervals oriented and sorted.
    void BuildIntervals();
    /// INTERVAL_LIST_AXES_DIFFER when the main axes differ (or both are unset while both
    /// lists hold data), INTERVAL_LIST_DISJOINT when a list is empty or the ranges are
    /// more than 1e-6 apart, else INTERVAL_LIST_OVERLAP. Null is INTERVAL_LIST_DISJOINT.
    INTERVAL_LIST_INTERSECTION_TYPE GetIntersectionType(const G3IntervalList* other) const;
    /// A new list (owned by the caller) holding the pieces both lists cover, each longer
    /// than 1e-6, sorted. It is measured on this list's axes (on other's, or on axes fixed
    /// from both lists' data, while this one's main axis is unset). Null for a null `other`.
    G3IntervalList* Intersect(const G3IntervalList* other) const;
    /// A new list (owned by the caller) covering both lists' intervals, cut at their ends,
    /// sorted, on the same axes as Intersect; a copy of the other list when one has no
    /// intervals. Null for a null `other`.
    G3IntervalList* Union(const G3IntervalList* other) const;
    /// Takes `other`'s axes and appends duplicates of its points and intervals, without
    /// combining or sorting them. Null does nothing.
    void Merge(const G3IntervalList* other);
    /// Keeps only the parts of the intervals inside `x` (longer than 1e-6), sorted. Orients
    /// `x` on the main axis; the caller keeps owning it. Null or a list without intervals
    /// does nothing.
    void Intersect(G3Interval* x);
    /// No difference is computed: always null.
    G3IntervalList* Sub(const G3IntervalList* other) const;

protected:
    /// env := the box of all points and interval ends; the zero box when there are none.
    void FindMinMax(GEnvelope* env) const;
    /// Minimum and maximum := the lowest and highest interval ends on the main axis (both
    /// 0 without intervals or main axis).
    void FindMinMaxIntervalsCoo();
    /// Appends to `out` new intervals for the pieces that both `a` and `b` cover on `axis`
    /// and that are longer than 1e-6. Both lists sorted, each of disjoint intervals.
    static void Intersect(GArrayCollection* a,
                          GArrayCollection* b,
                          int axis,
                          GArrayCollection* out);
    /// Appends to `out` new intervals for the pieces of `a`'s intervals inside `x` on `axis`
    /// that are longer than 1e-6. `a` sorted, of disjoint intervals.
    static void Intersect(GArrayCollection* a, G3Interval* x, int axis, GArrayCollection* out);
    /// Appends to `out` new intervals covering `a` and `b` on `axis`, cut at their ends, in
    /// ascending order. Both lists sorted, each of disjoint intervals.
    static void Union(GArrayCollection* a, GArrayCollection* b, int axis, GArrayCollection* out);
    /// Orders two slots holding G3Points by their coordinate on the axis `*(const int*)axis`,
    /// equal within 1e-6. Not a strict weak ordering: for GArrayCollection::qsortex only.
    static int ComparePoints(const void* slotA, const void* slotB, const void* axis);
    /// Orders two slots holding G3Intervals by their lower end on the axis
    /// `*(const int*)axis`, equal within 1e-6. For GArrayCollection::qsortex only.
    static int CompareIntervals(const void* slotA, const void* slotB, const void* axis);

    void Init(int secondAxis, int thirdAxis, int mainAxis);
    void Finit();

private:
    // Takes `source`'s axes and appends duplicates of its points and intervals.
    void CopyFrom(const G3IntervalList* source);
    // The axes two lists are combined on: this list's, else other's, else fixed from the
    // box of both lists' data.
    void ResolveAxes(const G3IntervalList* other,
                     int* secondAxis,
                     int* thirdAxis,
                     int* mainAxis) const;
    // `intervals` itself when its lower ends already ascend on `axis`; else `scratch`
    // holding the same intervals (not owned) sorted.
    static GArrayCollection* OrderedView(GArrayCollection* intervals,
                                         int axis,
                                         GArrayCollection* scratch);
    // Sets all three axes from the box of the data when the main axis is unset.
    void FixAxesFromData();
    // Orients every interval upwards on the main axis and sorts them.
    void OrientAndSortIntervals();
    // Deletes the intervals and takes `replacement`'s (which is then empty).
    void ReplaceIntervals(GArrayCollection* replacement);
    // Appends duplicates of `other`'s points and intervals.
    void AppendDuplicates(const G3IntervalList* other);

    // Invariant: each axis is −1 or 0 … 2.
    int m_SecondAxis = -1;
    int m_ThirdAxis = -1;
    int m_MainAxis = -1;
    double m_Minimum = 0.0;
    double m_Maximum = 0.0;
    GArrayCollection* m_Intervals = nullptr;
    GArrayCollection* m_Points = nullptr;
};
