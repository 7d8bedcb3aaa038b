#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

/// One segment projected onto the coordinate plane (x_i, x_j), as a segment sweep keeps it:
/// its two ends ordered along the sweep axis j, the normalized line through them, and its
/// box. Owns nothing; the caller's tag is only referred to. Usually placed in an arena.
class POLYKERN_API G3Segment : public GObj {
public:
    /// Ends at p and q (three doubles each; null is taken as the origin), ordered so that
    /// the start has the smaller coordinate on j (p first when they tie). A segment no
    /// longer than 1e-6 in the plane is degenerate: its line is left unnormalized with c = 0.
    /// Coordinates are expected finite.
    G3Segment(const double* p, const double* q, void* data, int i, int j);

    /// The caller's tag, passed back with every crossing; not owned.
    void* GetData() const { return m_Data; }
    /// The end with the smaller coordinate on the sweep axis (three doubles).
    const double* GetStart() const { return m_Start; }
    /// The other end (three doubles).
    const double* GetEnd() const { return m_End; }
    /// Coefficient of x_i in the line equation a·x_i + b·x_j + c = 0; (a, b) is a unit normal
    /// unless the segment is degenerate.
    double GetLineA() const { return m_LineA; }
    /// Coefficient of x_j in the line equation.
    double GetLineB() const { return m_LineB; }
    /// Offset of the line equation; 0 for a degenerate segment.
    double GetLineC() const { return m_LineC; }
    /// Length in the (i, j) plane.
    double GetLength() const { return m_Length; }
    /// Smaller coordinate of the two ends on `axis` (0 … 2; 0 for other axes).
    double GetMinimum(int axis) const;
    /// Larger coordinate of the two ends on `axis` (0 … 2; 0 for other axes).
    double GetMaximum(int axis) const;
    /// The axis, i or j, along which the segment extends most (i when degenerate or on a tie).
    int GetDominantAxis() const { return m_DominantAxis; }
    /// True when the segment is no longer than 1e-6 in the plane.
    bool IsDegenerate() const;

    /// Signed distance of p (three doubles) from the line, for the plane (i, j) the segment
    /// was built on: a·p_i + b·p_j + c. Not a distance for a degenerate segment.
    double LineValue(const double* p, int i, int j) const;
    /// Position of p along the segment measured on the dominant axis: 0 at the start, 1 at
    /// the end. Returns 0 when the segment does not extend along that axis.
    double GetParameter(const double* p) const;
    /// True when p lies more than 1e-6 inside both extremes of the segment on its dominant
    /// axis.
    bool IsStrictlyInside(const double* p) const;

private:
    void* m_Data = nullptr;
    double m_Start[3] = {0, 0, 0};
    double m_End[3] = {0, 0, 0};
    double m_LineA = 0;
    double m_LineB = 0;
    double m_LineC = 0;
    double m_Length = 0;
    double m_Minimum[3] = {0, 0, 0};
    double m_Maximum[3] = {0, 0, 0};
    int m_DominantAxis = 0;
};
