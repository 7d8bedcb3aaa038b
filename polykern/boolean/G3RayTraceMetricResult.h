#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/boolean/G3RayTraceResult.h"

/// One facet or object hit of a trace, in a list ascending by distance.
struct POLYKERN_API G3RayTraceHit {
    double distance = 0.0;
    double point[3] = {0.0, 0.0, 0.0};
    double normal[3] = {0.0, 0.0, 0.0};
    double curvAxis1[3] = {0.0, 0.0, 0.0};  ///< zero when the hit gave none
    double curvAxis2[3] = {0.0, 0.0, 0.0};  ///< zero when the hit gave none
    G3Facet* facet = nullptr;
    void* object = nullptr;
    void* modelerData = nullptr;
    G3RayTraceHit* next = nullptr;  ///< the next farther (or equally far, later) record
};

/// What the nearest hit so far was.
enum RAY_HIT_KIND {
    RAY_HIT_NONE = 0,
    RAY_HIT_FACET = 1,
    RAY_HIT_EDGE = 2,
    RAY_HIT_VERTEX = 3,
    RAY_HIT_OBJECT = 4
};

/// Keeps the hit nearest to the eye and a record of every facet and object hit, ordered
/// by distance from the eye (equal distances in the order they came). Not copyable: it
/// owns its records.
class POLYKERN_API G3RayTraceMetricResult : public G3RayTraceResult {
public:
    /// No hit yet; the eye at the origin.
    G3RayTraceMetricResult();
    /// No hit yet; the eye at eye[0..2] (the origin for null).
    explicit G3RayTraceMetricResult(const double* eye);
    ~G3RayTraceMetricResult() override;
    G3RayTraceMetricResult(const G3RayTraceMetricResult&) = delete;
    G3RayTraceMetricResult& operator=(const G3RayTraceMetricResult&) = delete;

    void SetEyePosition(double x, double y, double z) override;
    /// Records the hit, and keeps it as the nearest when strictly nearer than the nearest
    /// so far (or the first); true then. False for a null or non-finite point.
    bool FindFacet(const double* point,
                   const double* normal,
                   const double* curvAxis1,
                   const double* curvAxis2,
                   G3Facet* facet) override;
    bool FindObject(const double* point,
                    const double* normal,
                    const double* curvAxis1,
                    const double* curvAxis2,
                    void* object,
                    void* modelerData) override;
    /// Kept as the nearest when strictly nearer; edge and vertex hits make no record.
    bool FindEdge(const double* point, const double* normal, G3Edge* edge) override;
    bool FindVertex(const double* point, const double* normal, G3Vertex* vertex) override;

    /// Forgets every hit (the eye stays); the records' memory is kept for the next trace.
    void Clear();

    /// Distance from the eye to the nearest hit; −1 before any.
    double GetDistance() const { return m_Distance; }
    double HitPointGetX() const { return m_Point[0]; }
    double HitPointGetY() const { return m_Point[1]; }
    double HitPointGetZ() const { return m_Point[2]; }
    double HitPointNormalGetX() const { return m_Normal[0]; }
    double HitPointNormalGetY() const { return m_Normal[1]; }
    double HitPointNormalGetZ() const { return m_Normal[2]; }
    double HitCurvAxis1GetX() const { return m_Axis1[0]; }
    double HitCurvAxis1GetY() const { return m_Axis1[1]; }
    double HitCurvAxis1GetZ() const { return m_Axis1[2]; }
    double HitCurvAxis2GetX() const { return m_Axis2[0]; }
    double HitCurvAxis2GetY() const { return m_Axis2[1]; }
    double HitCurvAxis2GetZ() const { return m_Axis2[2]; }
    /// The facet of the nearest hit when that was a facet hit; null otherwise.
    G3Facet* GetHitFacet() const { return m_HitFacet; }
    /// The edge of the nearest hit when that was an edge hit; null otherwise.
    G3Edge* GetHitEdge() const { return m_HitEdge; }
    /// The host object of the nearest hit when that was an object hit; null otherwise.
    void* GetHitObject() const { return m_HitObject; }
    void* GetModelerData() const { return m_ModelerData; }
    /// RAY_HIT_NONE before any hit.
    RAY_HIT_KIND GetHitKind() const { return m_Kind; }
    /// The first (nearest) record; null without facet or object hits. Owned by the result.
    const G3RayTraceHit* GetHitRecords() const { return m_Records; }
    /// The number of records.
    int GetHitRecordCount() const { return m_RecordCount; }
    /// The last (farthest) record; null without records.
    const G3RayTraceHit* GetLastHitRecord() const { return m_LastRecord; }
    const double* GetEyePosition() const { return m_Eye; }

private:
    // Distance from the eye; negative for a point that cannot be measured.
    double DistanceTo(const double* point) const;
    // Files a record at its place in distance order.
    void AddRecord(double d,
                   const double* point,
                   const double* normal,
                   const double* axis1,
                   const double* axis2,
                   G3Facet* facet,
                   void* object,
                   void* modelerData);
    // Takes the hit as the nearest when it is the first or strictly nearer.
    bool TakeNearest(double d, const double* point, const double* normal, RAY_HIT_KIND kind);

    double m_Distance = -1.0;
    double m_Point[3] = {0.0, 0.0, 0.0};
    double m_Normal[3] = {0.0, 0.0, 0.0};
    double m_Axis1[3] = {0.0, 0.0, 0.0};
    double m_Axis2[3] = {0.0, 0.0, 0.0};
    G3Edge* m_HitEdge = nullptr;
    G3Facet* m_HitFacet = nullptr;
    void* m_HitObject = nullptr;
    void* m_ModelerData = nullptr;
    RAY_HIT_KIND m_Kind = RAY_HIT_NONE;
    G3RayTraceHit* m_Records = nullptr;
    G3RayTraceHit* m_LastRecord = nullptr;
    G3RayTraceHit* m_Spare = nullptr;  // records of earlier traces, ready for reuse
    int m_RecordCount = 0;
    double m_Eye[3] = {0.0, 0.0, 0.0};
};
