// The nearest-hit result of a trace and its distance-ordered hit records.

#include "polykern/boolean/G3RayTraceMetricResult.h"

#include <cmath>

namespace {

bool Finite3(const double* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

void Copy3(double* to, const double* from) {
    for (int k = 0; k < 3; ++k) to[k] = from != nullptr ? from[k] : 0.0;
}

void DeleteList(G3RayTraceHit* r) {
    while (r != nullptr) {
        G3RayTraceHit* next = r->next;
        delete r;
        r = next;
    }
}

}  // namespace

G3RayTraceResult::~G3RayTraceResult() = default;

G3RayTraceMetricResult::G3RayTraceMetricResult() = default;

G3RayTraceMetricResult::G3RayTraceMetricResult(const double* eye) {
    if (eye != nullptr) SetEyePosition(eye[0], eye[1], eye[2]);
}

G3RayTraceMetricResult::~G3RayTraceMetricResult() {
    DeleteList(m_Records);
    DeleteList(m_Spare);
}

void G3RayTraceMetricResult::SetEyePosition(double x, double y, double z) {
    m_Eye[0] = x;
    m_Eye[1] = y;
    m_Eye[2] = z;
}

void G3RayTraceMetricResult::Clear() {
    // The records go to the spare list whole: the next trace takes them back one by one.
    if (m_LastRecord != nullptr) {
        m_LastRecord->next = m_Spare;
        m_Spare = m_Records;
    }
    m_Records = m_LastRecord = nullptr;
    m_RecordCount = 0;
    m_Distance = -1.0;
    Copy3(m_Point, nullptr);
    Copy3(m_Normal, nullptr);
    Copy3(m_Axis1, nullptr);
    Copy3(m_Axis2, nullptr);
    m_HitEdge = nullptr;
    m_HitFacet = nullptr;
    m_HitObject = nullptr;
    m_ModelerData = nullptr;
    m_Kind = RAY_HIT_NONE;
}

double G3RayTraceMetricResult::DistanceTo(const double* point) const {
    if (point == nullptr || !Finite3(point)) return -1.0;
    const double dx = point[0] - m_Eye[0], dy = point[1] - m_Eye[1], dz = point[2] - m_Eye[2];
    const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
    return std::isfinite(d) ? d : -1.0;
}

// Invariant: the records ascend by distance, equal distances in arrival order. A record
// goes before the first one strictly farther, so a tie lands after the records it ties.
void G3RayTraceMetricResult::AddRecord(double d,
                                       const double* point,
                                       const double* normal,
                                       const double* axis1,
                                       const double* axis2,
                                       G3Facet* facet,
                                       void* object,
                                       void* modelerData) {
    G3RayTraceHit* r = m_Spare;
    if (r != nullptr) {
        m_Spare = r->next;
        *r = G3RayTraceHit();
    } else {
        r = new G3RayTraceHit();
    }
    r->distance = d;
    Copy3(r->point, point);
    Copy3(r->normal, normal);
    Copy3(r->curvAxis1, axis1);
    Copy3(r->curvAxis2, axis2);
    r->facet = facet;
    r->object = object;
    r->modelerData = modelerData;
    ++m_RecordCount;
    // Hits mostly come in order along the segment: the common case appends.
    if (m_LastRecord == nullptr || m_LastRecord->distance <= d) {
        if (m_LastRecord == nullptr) {
            m_Records = r;
        } else {
            m_LastRecord->next = r;
        }
        m_LastRecord = r;
        return;
    }
    if (d < m_Records->distance) {
        r->next = m_Records;
        m_Records = r;
        return;
    }
    G3RayTraceHit* before = m_Records;
    while (before->next != nullptr && before->next->distance <= d) before = before->next;
    r->next = before->next;
    before->next = r;
}

bool G3RayTraceMetricResult::TakeNearest(double d,
                                         const double* point,
                                         const double* normal,
                                         RAY_HIT_KIND kind) {
    if (m_Distance >= 0.0 && !(d < m_Distance)) return false;
    m_Distance = d;
    Copy3(m_Point, point);
    Copy3(m_Normal, normal);
    Copy3(m_Axis1, nullptr);
    Copy3(m_Axis2, nullptr);
    m_Kind = kind;
    // Only the fields of the new nearest hit's own kind stay set.
    m_HitEdge = nullptr;
    m_HitFacet = nullptr;
    m_HitObject = nullptr;
    m_ModelerData = nullptr;
    return true;
}

bool G3RayTraceMetricResult::FindFacet(const double* point,
                                       const double* normal,
                                       const double* curvAxis1,
                                       const double* curvAxis2,
                                       G3Facet* facet) {
    const double d = DistanceTo(point);
    if (d < 0.0) return false;
    AddRecord(d, point, normal, curvAxis1, curvAxis2, facet, nullptr, nullptr);
    if (!TakeNearest(d, point, normal, RAY_HIT_FACET)) return false;
    Copy3(m_Axis1, curvAxis1);
    Copy3(m_Axis2, curvAxis2);
    m_HitFacet = facet;
    return true;
}

bool G3RayTraceMetricResult::FindObject(const double* point,
                                        const double* normal,
                                        const double* curvAxis1,
                                        const double* curvAxis2,
                                        void* object,
                                        void* modelerData) {
    const double d = DistanceTo(point);
    if (d < 0.0) return false;
    AddRecord(d, point, normal, curvAxis1, curvAxis2, nullptr, object, modelerData);
    if (!TakeNearest(d, point, normal, RAY_HIT_OBJECT)) return false;
    Copy3(m_Axis1, curvAxis1);
    Copy3(m_Axis2, curvAxis2);
    m_HitObject = object;
    m_ModelerData = modelerData;
    return true;
}

bool G3RayTraceMetricResult::FindEdge(const double* point, const double* normal, G3Edge* edge) {
    const double d = DistanceTo(point);
    if (d < 0.0 || !TakeNearest(d, point, normal, RAY_HIT_EDGE)) return false;
    m_HitEdge = edge;
    return true;
}

bool G3RayTraceMetricResult::FindVertex(const double* point,
                                        const double* normal,
                                        G3Vertex* /*vertex*/) {
    const double d = DistanceTo(point);
    return d >= 0.0 && TakeNearest(d, point, normal, RAY_HIT_VERTEX);
}
