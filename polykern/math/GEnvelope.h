#pragma once

#include <cstdint>

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

/// Clip words of the box tests: the operands are disjoint.
constexpr uint32_t GCLIP_DISJOINT = 0x80000000u;
/// Clip words: bit (GCLIP_LOW << axis) — the low side of that axis must move in.
constexpr uint32_t GCLIP_LOW = 0x1u;
/// Clip words: bit (GCLIP_HIGH << axis) — the high side of that axis must move in.
constexpr uint32_t GCLIP_HIGH = 0x10000u;

/// A closed axis-aligned 3D box (points on its faces are inside): the first filter of
/// every spatial test. Two empty states exist: Init() is a zero box at the origin,
/// InitDefault() an inverted box that AddToDefault recognizes as empty.
class POLYKERN_API GEnvelope : public GObj {
public:
    /// A zero box at the origin.
    GEnvelope() { Init(); }
    explicit GEnvelope(const GEnvelope* other) { Init(other); }
    /// Box of a and b, then c added.
    GEnvelope(const double* a, const double* b, const double* c);
    GEnvelope(const GEnvelope& other) = default;
    GEnvelope& operator=(const GEnvelope& other) = default;

    /// All six values 0.
    void Init();
    /// The point box p–p.
    void Init(const double* p);
    /// Box of two corners, sorted per axis.
    void Init(const double* a, const double* b);
    void Init(double x1, double y1, double z1, double x2, double y2, double z2);
    void Init(const GEnvelope* other);
    /// Minimum (lo, lo, lo), maximum (hi, hi, hi).
    void Set(double lo, double hi);
    /// The six values as given, unsorted.
    void Set(double x1, double y1, double z1, double x2, double y2, double z2);
    /// The inverted empty box: minimum (1, 1, 1), maximum (−1, −1, −1). Returns `env`.
    static GEnvelope* InitDefault(GEnvelope* env);
    /// Box of two points; returns `env`.
    static GEnvelope* FormEnvelope(GEnvelope* env, const double* a, const double* b);
    /// Box of four points; returns `env`.
    static GEnvelope* FormEnvelope(
        GEnvelope* env, const double* a, const double* b, const double* c, const double* d);

    void Add(const double* p);
    void Add(double x, double y, double z);
    /// Grows in x and y only.
    void Add(double x, double y);
    void Add(const GEnvelope* other);
    /// Lowers only the minimum.
    void AddToMin(double x, double y, double z);
    /// Raises only the maximum.
    void AddToMax(double x, double y, double z);
    /// An empty (inverted) box becomes the point; otherwise grows.
    void AddToDefault(const double* p);
    /// An empty box becomes a copy of `other`; an empty `other` changes nothing.
    void AddToDefault(const GEnvelope* other);
    bool IsDefault() const { return m_Min[0] > m_Max[0]; }

    /// Grows by 1e-6 on every side.
    void Extend() { Extend(1e-6); }
    void Extend(double d) { Extend(m_Min, m_Max, d); }
    static void Extend(double* min, double* max, double d);

    double XSize() const { return m_Max[0] - m_Min[0]; }
    double YSize() const { return m_Max[1] - m_Min[1]; }
    double ZSize() const { return m_Max[2] - m_Min[2]; }
    double GetMaxSize() const;
    /// Axis of the largest extent (ties: x, then y).
    int GetMaxCoo() const;
    int GetMaxCoo(double* size) const;
    /// The two axes left when the axis of the smallest extent is dropped (ties drop x, then y).
    void GetMaxCoo(int* i, int* j) const;

    /// 0 when p lies in the box, else GCLIP_DISJOINT.
    uint32_t ClipTestXYZ(const double* p) const;
    uint32_t ClipTestXY(const double* p) const;
    bool IsIntersectXYZ(const double* p) const { return ClipTestXYZ(p) == 0; }
    bool IsIntersectXY(const double* p) const { return ClipTestXY(p) == 0; }
    /// The closed boxes share at least one point. Inline: the Booleans' inner loops ask it
    /// of every candidate pair.
    bool IsIntersectXYZ(const double* min, const double* max) const {
        return max[0] >= m_Min[0] && min[0] <= m_Max[0] && max[1] >= m_Min[1] &&
               min[1] <= m_Max[1] && max[2] >= m_Min[2] && min[2] <= m_Max[2];
    }
    bool IsIntersectXYZ(const GEnvelope* other) const {
        return IsIntersectXYZ(other->m_Min, other->m_Max);
    }
    bool IsIntersectXY(const double* min, const double* max) const;
    bool IsIntersectXY(const GEnvelope* other) const;
    /// The boxes meet or come within 1e-6 on every axis.
    bool IsIntersectXYZ_Overlap(const GEnvelope* other) const;
    /// The boxes overlap by at least 1e-6 on every axis; touching is false.
    bool IsIntersectXYZ_NoOverlap(const GEnvelope* other) const;
    /// GCLIP_DISJOINT, or the sides of this box that stick out of `other`.
    uint32_t ClipTestXYZ(const GEnvelope* other) const;
    uint32_t ClipTestXY(const GEnvelope* other) const;
    /// Each flagged side takes `other`'s value; returns this.
    GEnvelope* ClipXYZ(const GEnvelope* other, uint32_t flags);
    /// Clips the segment p1p2 to the box in place (the two may end swapped). Returns 0,
    /// or GCLIP_DISJOINT when the segment lies outside.
    uint32_t ClipTest(double* p1, double* p2) const;
    /// One-axis test of a segment against the box's slab; a segment that only touches a
    /// face of the slab is outside.
    uint32_t ClipTest(const double* p1, const double* p2, int axis) const;
    /// out := the box of this box's corners transformed by m (row vectors).
    void Transform(GEnvelope* out, const double m[4][4]) const;

    const double* GetMin() const { return m_Min; }
    const double* GetMax() const { return m_Max; }
    double* GetMin() { return m_Min; }
    double* GetMax() { return m_Max; }

protected:
    /// Point outcode: 1 x below, 2 x above, 4 y below, 8 y above, 16 z below, 32 z above.
    int ClipCode(const double* p) const;

private:
    double m_Min[3];
    double m_Max[3];
};
