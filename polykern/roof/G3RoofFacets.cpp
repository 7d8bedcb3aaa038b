// From the outline to facets: the skeleton's faces become the polygons of the roof planes,
// which are written as facets (a top, or an underside and a top for a thick roof) and
// closed along the gable walls by fascia strips. Facets share vertices wherever their
// corners coincide, so every inner edge is walked once each way.

#include <cmath>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/roof/G3RoofGenerator.h"
#include "polykern/roof/G3RoofPitch.h"
#include "polykern/roof/G3RoofSkeleton.h"
#include "polykern/roof/G3RoofVertex.h"

namespace {

constexpr double kTol = 1e-7;
constexpr double kVertical = 1.5707962267948965;

// The plan distance from p to the segment ab, and whether p is within kTol of it in 3D.
bool OnSegment3(const double* p, const double* a, const double* b) {
    double d[3], r[3];
    double len2 = 0.0, t = 0.0;
    for (int k = 0; k < 3; ++k) {
        d[k] = b[k] - a[k];
        r[k] = p[k] - a[k];
        len2 += d[k] * d[k];
        t += r[k] * d[k];
    }
    t = len2 > 0.0 ? std::fmax(0.0, std::fmin(1.0, t / len2)) : 0.0;
    double dist2 = 0.0;
    for (int k = 0; k < 3; ++k) dist2 += (r[k] - t * d[k]) * (r[k] - t * d[k]);
    return dist2 < kTol * kTol;
}

// True when both ends of ab lie on one edge of the polygon.
bool EdgeOnPolygon(const double* a, const double* b, const G3RoofVertex* polygon) {
    const G3RoofVertex* v = polygon;
    do {
        const double* p = v->GetXYZ();
        const double* q = v->GetNext()->GetXYZ();
        if (OnSegment3(a, p, q) && OnSegment3(b, p, q)) return true;
        v = v->GetNext();
    } while (v != polygon);
    return false;
}

double PlanArea2(const G3RoofSkeleton::Ring& ring) {
    double a = 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const auto& p = ring[i];
        const auto& q = ring[(i + 1) % ring.size()];
        a += p[0] * q[1] - q[0] * p[1];
    }
    return a;
}

}  // namespace

void G3RoofGenerator::CacheVertices() {
    m_VertexCache.clear();
    if (m_RoofSurface == nullptr) return;
    for (int i = 0; i < m_RoofSurface->GetVertexCount(); ++i) {
        G3Vertex* v = m_RoofSurface->GetVertex(i);
        m_VertexCache.emplace(std::make_tuple(v->GetX(), v->GetY(), v->GetZ()), v);
    }
}

G3Vertex* G3RoofGenerator::VertexAt(const double* xyz) {
    const auto key = std::make_tuple(xyz[0], xyz[1], xyz[2]);
    auto it = m_VertexCache.find(key);
    if (it != m_VertexCache.end()) return it->second;
    G3Vertex* v = m_RoofSurface->AddVertex(xyz, 0);
    if (v != nullptr) m_VertexCache.emplace(key, v);
    return v;
}

// One facet through n corners (raised by dz), in their order or reversed; corners that
// repeat their neighbour are left out. Null for fewer than 3 distinct corners.
G3Facet* G3RoofGenerator::AddRing(int n, const double* xyz, bool reverse, double dz) {
    if (m_RoofSurface == nullptr || n < 3 || xyz == nullptr) return nullptr;
    std::vector<G3Vertex*> ring;
    for (int i = 0; i < n; ++i) {
        const int k = reverse ? n - 1 - i : i;
        const double p[3] = {xyz[3 * k], xyz[3 * k + 1], xyz[3 * k + 2] + dz};
        G3Vertex* v = VertexAt(p);
        if (v == nullptr) return nullptr;
        if (!ring.empty() && ring.back() == v) continue;
        ring.push_back(v);
    }
    while (ring.size() > 1 && ring.front() == ring.back()) ring.pop_back();
    if (ring.size() < 3) return nullptr;
    return m_RoofSurface->AddFacet(static_cast<int>(ring.size()), ring.data(),
                                   static_cast<int32_t>(G3EDGE_VISIBLE), nullptr, nullptr);
}

G3Facet* G3RoofGenerator::FacetAddEx(G3RoofVertex* polygon,
                                     int flags,
                                     int flagArgument,
                                     double dz) {
    (void)flagArgument;
    if (m_RoofSurface == nullptr || polygon == nullptr) return nullptr;
    std::vector<double> xyz;
    const G3RoofVertex* v = polygon;
    do {
        xyz.insert(xyz.end(), v->GetXYZ(), v->GetXYZ() + 3);
        v = v->GetNext();
    } while (v != polygon);
    if (m_VertexCache.empty()) CacheVertices();
    G3Facet* f = AddRing(static_cast<int>(xyz.size() / 3), xyz.data(), false, dz);
    if (f != nullptr && flags != 0) f->SetFlags(f->GetFlags() | flags);
    return f;
}

void G3RoofGenerator::FacetAdd(int flags, int count, double* points, int flagArgument) {
    (void)flagArgument;
    if (m_RoofSurface == nullptr || points == nullptr || count < 3) return;
    if (m_VertexCache.empty()) CacheVertices();
    G3Facet* f = AddRing(count, points, false, 0.0);
    if (f != nullptr && flags != 0) f->SetFlags(f->GetFlags() | flags);
}

// The straight skeleton of the outline gives one face per edge; each face becomes a polygon
// of its edge's roof plane. The faces of the sloped planes must cover the outline's plan
// exactly once, or nothing is kept.
bool G3RoofGenerator::MakeRoofEx(G3RoofVertex* parent, G3RoofVertex* outline) {
    (void)parent;
    if (outline == nullptr) return true;
    if (!m_Outlines->contains(outline)) m_Outlines->add(outline);
    std::vector<G3RoofVertex*> verts;
    G3RoofVertex* v = outline;
    double origin[2] = {0.0, 0.0};
    do {
        verts.push_back(v);
        origin[0] += v->GetX();
        origin[1] += v->GetY();
        v = v->GetNext();
    } while (v != outline && verts.size() < (1u << 24));
    const int n = static_cast<int>(verts.size());
    if (n < 3) return false;
    origin[0] /= n;
    origin[1] /= n;
    for (G3RoofVertex* w : verts) {
        if (w->GetPlaneIndex() < 0 || GetPitch(w->GetPlaneIndex()) == nullptr) {
            if (!FirstLevelInitialization(outline)) return false;
            break;
        }
    }
    const double z0 = outline->GetZ();
    std::vector<double> xy(2 * n), run(n);
    for (int i = 0; i < n; ++i) {
        xy[2 * i] = verts[i]->GetX() - origin[0];
        xy[2 * i + 1] = verts[i]->GetY() - origin[1];
        const double pitch = verts[(i + 1) % n]->GetPitch();
        run[i] = pitch > kVertical ? 0.0 : std::cos(pitch) / std::sin(pitch);
    }
    // The polygons belong to the last build only.
    for (int i = 0; i < GetPitchCount(); ++i) GetPitch(i)->ClearPolygons();
    G3RoofSkeleton skeleton;
    const double wallHeight = outline == m_OverhangOutline ? m_Overhang : 0.0;
    if (!skeleton.Build(xy, run, wallHeight)) return false;

    // Invariant: the sloped faces are clockwise and their plan areas add up to the outline's.
    double footprint = 0.0;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        footprint -= xy[2 * i] * xy[2 * j + 1] - xy[2 * j] * xy[2 * i + 1];
    }
    double covered = 0.0;
    for (int e = 0; e < skeleton.GetEdgeCount(); ++e) {
        const G3RoofSkeletonEdge& edge = skeleton.GetEdge(e);
        if (edge.run == 0.0) continue;
        for (const auto& ring : skeleton.GetFaces(e)) {
            const double a = PlanArea2(ring);
            if (a > kTol * std::fabs(footprint) + kTol) return false;
            covered -= a;
        }
    }
    if (std::fabs(covered - footprint) > 1e-9 * std::fabs(footprint) + kTol) return false;

    for (int e = 0; e < skeleton.GetEdgeCount(); ++e) {
        const G3RoofSkeletonEdge& edge = skeleton.GetEdge(e);
        const G3RoofVertex* owner = verts[(edge.along + 1) % n];
        int planeIndex = owner->GetPlaneIndex();
        if (edge.source < 0) {
            const double ax = edge.a[0] + origin[0], ay = edge.a[1] + origin[1];
            const double plane[4] = {edge.n[0], edge.n[1], 0.0, -(edge.n[0] * ax + edge.n[1] * ay)};
            planeIndex = StepPitch(plane, owner->GetSection());
        }
        G3RoofPitch* pitch = GetPitch(planeIndex);
        for (const auto& ring : skeleton.GetFaces(e)) {
            if (edge.run > 0.0 && std::fabs(PlanArea2(ring)) < kTol) continue;
            G3RoofVertex* head = nullptr;
            for (const auto& c : ring) {
                const double p[3] = {c[0] + origin[0], c[1] + origin[1], z0 + c[2]};
                auto* w = new G3RoofVertex(p, pitch->GetPitch(), owner->GetSection());
                w->SetPlane(pitch->GetPlane());
                w->SetPlaneIndex(planeIndex);
                if (head == nullptr) {
                    head = w;
                } else {
                    head->GetPrev()->InsertAfter(w);
                }
            }
            pitch->AddPolygon(head);
        }
    }
    return true;
}

bool G3RoofGenerator::MakeRoof(G3RoofVertex* outline, G3Surface* target) {
    const bool thick = m_Thickness > kTol;
    if (m_RoofSurface == nullptr || outline == nullptr) return false;
    // Copying the roof surface into itself would double the underside.
    if (thick && target == m_RoofSurface) return false;
    G3RoofTagScope scope(0, ROOF_FACET_NONE);
    if (!MakeRoofEx(nullptr, outline)) return false;
    CacheVertices();
    // Tops face up (their rings run counter-clockwise seen from above); undersides down.
    auto writeLayer = [&](ROOF_FACET_TYPE type, double dz) {
        for (int i = 0; i < GetPitchCount(); ++i) {
            G3RoofPitch* pitch = GetPitch(i);
            if (pitch->IsVertical()) continue;
            for (int k = 0; k < pitch->GetPolygonCount(); ++k) {
                G3RoofVertex* polygon = pitch->GetPolygon(k);
                scope.Set(polygon->GetSection() + 1, type);
                std::vector<double> xyz;
                const G3RoofVertex* w = polygon;
                do {
                    xyz.insert(xyz.end(), w->GetXYZ(), w->GetXYZ() + 3);
                    w = w->GetNext();
                } while (w != polygon);
                AddRing(static_cast<int>(xyz.size() / 3), xyz.data(), type == ROOF_FACET_TOP, dz);
            }
        }
    };
    if (!thick) {
        writeLayer(ROOF_FACET_TOP, 0.0);
    } else {
        writeLayer(ROOF_FACET_UNDER, 0.0);
        if (target != nullptr) {
            scope.Set(0, ROOF_FACET_NONE);
            target->Copy(m_RoofSurface);
            target->RemoveEqualsVertexAndDivideEdges();
            target->RemoveTrivialFacets();
            target->Update(CHECK_LEVEL_1002);
        }
        writeLayer(ROOF_FACET_TOP, m_Thickness);
    }
    m_VertexCache.clear();
    return true;
}

bool G3RoofGenerator::MakeFasciaFacets(G3Surface* surface) {
    if (surface == nullptr || m_RoofSurface == nullptr || !(m_Thickness > kTol)) return false;
    G3RoofTagScope scope(0, ROOF_FACET_NONE);
    double zmin = 1e38;
    for (int i = 0; i < surface->GetVertexCount(); ++i) {
        zmin = std::fmin(zmin, surface->GetVertex(i)->GetZ());
    }
    struct Side {
        double a[3], b[3];
    };
    std::vector<Side> sides;
    for (int i = 0; i < surface->GetEdgeCount(); ++i) {
        G3Edge* e = surface->GetEdge(i);
        if (e->GetFacetCount() != 1) continue;
        const G3Vertex* a = e->GetVertex1();
        const G3Vertex* b = e->GetVertex2();
        // The eaves lie at the lowest height; a rake has at most one end there.
        if (std::fabs(a->GetZ() - zmin) < kTol && std::fabs(b->GetZ() - zmin) < kTol) continue;
        G3Facet* f = e->GetFacet1() != nullptr ? e->GetFacet1() : e->GetFacet2();
        // The strip walks the edge against its one facet.
        if (f->StartOf(e) == a) std::swap(a, b);
        Side s{};
        for (int k = 0; k < 3; ++k) {
            s.a[k] = a->GetXYZ()[k];
            s.b[k] = b->GetXYZ()[k];
        }
        sides.push_back(s);
    }
    CacheVertices();
    for (const Side& s : sides) {
        bool done = false;
        for (int i = 0; i < GetPitchCount() && !done; ++i) {
            G3RoofPitch* pitch = GetPitch(i);
            if (!pitch->IsVertical()) continue;
            for (int k = 0; k < pitch->GetPolygonCount() && !done; ++k) {
                G3RoofVertex* polygon = pitch->GetPolygon(k);
                if (!EdgeOnPolygon(s.a, s.b, polygon)) continue;
                scope.Set(polygon->GetSection() + 1, ROOF_FACET_FASCIA);
                const double t = m_Thickness;
                const double quad[12] = {s.a[0], s.a[1], s.a[2],     s.b[0], s.b[1], s.b[2],
                                         s.b[0], s.b[1], s.b[2] + t, s.a[0], s.a[1], s.a[2] + t};
                AddRing(4, quad, false, 0.0);
                done = true;
            }
        }
    }
    m_VertexCache.clear();
    return true;
}
