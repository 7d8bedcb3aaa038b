#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"
#include "polykern/foundation/GPooled.h"

class G3Point;

/// One straight segment of an interval list: two end points, each with the object that
/// produced it. Owns both points; the owners are only referred to. Not copyable: use
/// Copy or Duplicate, which copy the points.
class POLYKERN_API G3Interval : public GObj {
    PK_DECLARE_POOL(G3Interval)

public:
    /// Ends at p1 and p2 (three doubles each; a null pointer is taken as the origin),
    /// with the objects that produced them (not owned, may be null).
    G3Interval(const double* p1, GObj* owner1, const double* p2, GObj* owner2);
    /// Ends at p1 and p2 without owners.
    G3Interval(const double* p1, const double* p2);
    /// Deletes both end points.
    ~G3Interval() override;
    G3Interval(const G3Interval&) = delete;
    G3Interval& operator=(const G3Interval&) = delete;

    /// Replaces the ends by new copies of `from`'s points and takes its owners; anything
    /// but another interval leaves this one unchanged.
    void Copy(GObj* from) override;
    /// A new interval with copies of both ends and the same owners, owned by the caller.
    G3Interval* Duplicate() override;

    /// The first end; owned by the interval.
    G3Point* GetPoint1() const { return m_Point1; }
    /// The second end; owned by the interval.
    G3Point* GetPoint2() const { return m_Point2; }
    /// The three coordinates of the first end.
    double* GetXYZ1() const;
    /// The three coordinates of the second end.
    double* GetXYZ2() const;
    /// Coordinate `axis` (0 x, 1 y, 2 z) of the first end.
    double GetXYZ1(int axis) const;
    /// Coordinate `axis` (0 x, 1 y, 2 z) of the second end.
    double GetXYZ2(int axis) const;
    /// The object that produced the first end, or null.
    GObj* GetOwner1() const { return m_Owner1; }
    /// The object that produced the second end, or null.
    GObj* GetOwner2() const { return m_Owner2; }

    /// Exchanges the two ends, each keeping its owner.
    void Swap();
    /// Swaps the ends when the second lies lower on `axis` than the first, so the interval
    /// runs upwards on it. An axis outside 0 … 2 changes nothing.
    void Orient(int axis);

protected:
    void Init(const double* p1, GObj* owner1, const double* p2, GObj* owner2);
    void Finit();

private:
    // Invariant: both points exist from construction to destruction.
    G3Point* m_Point1 = nullptr;
    GObj* m_Owner1 = nullptr;
    G3Point* m_Point2 = nullptr;
    GObj* m_Owner2 = nullptr;
};
