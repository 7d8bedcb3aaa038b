// Openings through sheet-like surfaces: storing outlines, tracing each outline point
// through the surface to find the two pierced faces, and the run that cuts them.

#include "polykern/openings/G3HoleMaker.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/boolean/G3RayTraceMetricResult.h"
#include "polykern/exdata/G3FaceMaterials.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/spatial/G3QuadraSurfaceTree.h"

namespace {

using Point3 = std::array<double, 3>;

constexpr double kMinDirection = 1e-6;  // a shorter direction says nothing
constexpr double kSamePoint = 1e-6;     // repeated outline points closer than this are one
constexpr double kMinArea = 1e-12;      // an outline with less area seen along d is refused

bool Finite3(const double* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

bool Near(const Point3& a, const Point3& b) {
    const double dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz) < kSamePoint;
}

// Twice the outline's area seen along d (positive when counter-clockwise seen against d),
// from the Newell normal taken about the first point, so far-off outlines keep their digits.
double SignedArea2(const std::vector<Point3>& pts, const Point3& d) {
    double n[3] = {0, 0, 0};
    const Point3& o = pts[0];
    for (std::size_t k = 0; k < pts.size(); ++k) {
        const Point3& a = pts[k];
        const Point3& b = pts[(k + 1) % pts.size()];
        const double ax = a[0] - o[0], ay = a[1] - o[1], az = a[2] - o[2];
        const double bx = b[0] - o[0], by = b[1] - o[1], bz = b[2] - o[2];
        n[0] += (ay - by) * (az + bz);
        n[1] += (az - bz) * (ax + bx);
        n[2] += (ax - bx) * (ay + by);
    }
    return n[0] * d[0] + n[1] * d[1] + n[2] * d[2];
}

double Diagonal(const GEnvelope& e) {
    return std::sqrt(e.XSize() * e.XSize() + e.YSize() * e.YSize() + e.ZSize() * e.ZSize());
}

}  // namespace

G3HoleMaker::G3HoleMaker(G3Surface* surface) : m_Surface(surface) {}

G3HoleMaker::~G3HoleMaker() = default;

bool G3HoleMaker::AddHoleContour(GArrayCollection* outline, G3Point* direction) {
    if (outline == nullptr || direction == nullptr) return false;
    std::vector<double> xyz;
    xyz.reserve(3 * static_cast<std::size_t>(outline->size()));
    for (int k = 0; k < outline->size(); ++k) {
        const auto* p = dynamic_cast<const G3Point*>(outline->get(k));
        if (p == nullptr) return false;
        xyz.insert(xyz.end(), {p->GetX(), p->GetY(), p->GetZ()});
    }
    return AddHoleContour(outline->size(), xyz.data(), direction->GetXYZ());
}

bool G3HoleMaker::AddHoleContour(int n, const double* xyz, const double* direction) {
    if (n < 3 || xyz == nullptr || direction == nullptr || !Finite3(direction)) return false;
    const double len = std::sqrt(direction[0] * direction[0] + direction[1] * direction[1] +
                                 direction[2] * direction[2]);
    if (!(len >= kMinDirection) || !std::isfinite(len)) return false;
    Opening o;
    for (int k = 0; k < 3; ++k) o.direction[k] = direction[k] / len;
    o.outline.reserve(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        const double* p = xyz + 3 * k;
        if (!Finite3(p)) return false;
        const Point3 q = {p[0], p[1], p[2]};
        if (o.outline.empty() || !Near(o.outline.back(), q)) o.outline.push_back(q);
    }
    while (o.outline.size() > 1 && Near(o.outline.back(), o.outline.front()))
        o.outline.pop_back();  // a closed polyline repeats its first point
    if (o.outline.size() < 3) return false;
    const double area2 = SignedArea2(o.outline, o.direction);
    if (!(std::fabs(area2) >= 2 * kMinArea)) return false;
    if (area2 < 0) std::reverse(o.outline.begin(), o.outline.end());
    m_Openings.push_back(std::move(o));
    return true;
}

bool G3HoleMaker::SurfaceGetFacetForHole(Opening& o,
                                         double length,
                                         const G3QuadraSurfaceTree& tree,
                                         GArrayCollection* candidates,
                                         G3RayTraceMetricResult* hits) const {
    o.entry = o.exit = nullptr;
    o.entryPoints.clear();
    o.exitPoints.clear();
    const Point3& d = o.direction;
    for (const Point3& p : o.outline) {
        double a[3], b[3];
        for (int k = 0; k < 3; ++k) {
            a[k] = p[k] - length * d[k];
            b[k] = p[k] + length * d[k];
        }
        candidates->clear();
        tree.FindIntersection(a, b, candidates);
        // Measured from the segment's start, the hits come in order along it.
        hits->Clear();
        hits->SetEyePosition(a[0], a[1], a[2]);
        G3BooleanCalculator::TestRayAndFacetList(a, b, candidates, hits);
        if (hits->GetHitRecordCount() < 2) return false;
        const G3RayTraceHit* first = hits->GetHitRecords();
        const G3RayTraceHit* last = hits->GetLastHitRecord();
        if (first->facet == nullptr || last->facet == nullptr || first->facet == last->facet)
            return false;
        if (o.entry == nullptr) {
            o.entry = first->facet;
            o.exit = last->facet;
        } else if (o.entry != first->facet || o.exit != last->facet) {
            return false;
        }
        o.entryPoints.push_back({first->point[0], first->point[1], first->point[2]});
        o.exitPoints.push_back({last->point[0], last->point[1], last->point[2]});
    }
    if (o.entry == nullptr) return false;
    const double* n = o.entry->GetPlane();
    o.entryFacesBack = n[0] * d[0] + n[1] * d[1] + n[2] * d[2] < 0;
    return true;
}

void G3HoleMaker::FillHoleDataList(std::vector<Opening>& openings,
                                   std::vector<PiercedFacet>& faces) {
    GEnvelope surfaceBox;
    m_Surface->FormEnvelope(&surfaceBox);
    G3QuadraSurfaceTree tree(m_Surface);
    const bool indexed = tree.MakeTree();
    GArrayCollection candidates(64, 256);
    G3RayTraceMetricResult hits;
    std::unordered_map<G3Facet*, std::size_t> faceOf;
    auto file = [&](G3Facet* f, int opening, bool isEntry) {
        auto found = faceOf.emplace(f, faces.size());
        if (found.second) {
            faces.emplace_back();
            faces.back().facet = f;
        }
        PiercedFacet& face = faces[found.first->second];
        face.openings.push_back(opening);
        face.isEntry.push_back(isEntry);
    };
    for (std::size_t k = 0; k < openings.size(); ++k) {
        Opening& o = openings[k];
        GEnvelope box(surfaceBox);
        for (const Point3& p : o.outline) box.Add(p.data());
        const double length = Diagonal(box);
        if (!indexed || !(length > 0.0) || !std::isfinite(length) ||
            !SurfaceGetFacetForHole(o, length, tree, &candidates, &hits)) {
            o.rejected = true;
            continue;
        }
        file(o.entry, static_cast<int>(k), true);
        file(o.exit, static_cast<int>(k), false);
    }
}

int G3HoleMaker::MakeHoles() {
    // The stored openings are consumed whatever happens to them.
    std::vector<Opening> openings;
    openings.swap(m_Openings);
    m_Skipped = static_cast<int>(openings.size());
    if (m_Surface == nullptr || m_Surface->GetFacetCount() == 0 || openings.empty()) return 0;
    std::vector<PiercedFacet> faces;
    FillHoleDataList(openings, faces);
    for (const PiercedFacet& face : faces) RejectConflicts(openings, face);
    int made = 0;
    for (Opening& o : openings) {
        if (o.rejected) continue;
        ++made;
        o.entryMaterial = G3FaceMaterialProvider::MaterialOf(o.entry);
        for (std::size_t k = 0; k < o.outline.size(); ++k) {
            o.entryVertices.push_back(m_Surface->AddVertex(o.entryPoints[k].data(), 0));
            o.exitVertices.push_back(m_Surface->AddVertex(o.exitPoints[k].data(), 0));
        }
    }
    m_Skipped = static_cast<int>(openings.size()) - made;
    if (made == 0) return 0;
    const int32_t edgeFlags = m_Surface->GetEdgeFlags();
    for (const PiercedFacet& face : faces) ReplaceFacet(openings, face);
    for (const Opening& o : openings) {
        if (!o.rejected) AddWalls(o);
    }
    m_Surface->SetEdgeFlags(edgeFlags);
    m_Surface->AssignIds();
    return made;
}
