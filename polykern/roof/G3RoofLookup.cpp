// Finding the facets of a finished roof by an edge, a point or a section number.

#include <cmath>
#include <vector>

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/roof/G3RoofGenerator.h"

namespace {

constexpr double kTol = 1e-7;

bool Same(const double* a, const double* b) {
    return std::fabs(a[0] - b[0]) < kTol && std::fabs(a[1] - b[1]) < kTol &&
           std::fabs(a[2] - b[2]) < kTol;
}

std::vector<G3Vertex*> Ring(const G3Facet* f) {
    std::vector<G3Vertex*> ring(f->GetVertexCount());
    f->GetVertices(ring.data());
    return ring;
}

bool OfType(G3Facet* f, ROOF_FACET_TYPE type) {
    return G3RoofTagProvider::TagOf(f).type == type;
}

// Inside the facet's plan outline or on it (within kTol).
bool CoversInPlan(const std::vector<G3Vertex*>& ring, double x, double y) {
    bool in = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const double xi = ring[i]->GetX(), yi = ring[i]->GetY();
        const double xj = ring[j]->GetX(), yj = ring[j]->GetY();
        const double dx = xj - xi, dy = yj - yi;
        const double len2 = dx * dx + dy * dy;
        double t = len2 > 0 ? ((x - xi) * dx + (y - yi) * dy) / len2 : 0.0;
        t = std::fmax(0.0, std::fmin(1.0, t));
        if (std::hypot(x - xi - t * dx, y - yi - t * dy) < kTol) return true;
        if ((yi > y) != (yj > y) && x < dx * (y - yi) / dy + xi) in = !in;
    }
    return in;
}

}  // namespace

bool G3RoofGenerator::GetFacetbyEdge(
    G3Point* a, G3Point* b, G3Surface* s, ROOF_FACET_TYPE type, G3Facet** out) {
    if (out != nullptr) *out = nullptr;
    if (a == nullptr || b == nullptr || s == nullptr || out == nullptr) return false;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        G3Facet* f = s->GetFacet(i);
        if (!OfType(f, type)) continue;
        const std::vector<G3Vertex*> ring = Ring(f);
        for (std::size_t k = 0; k < ring.size(); ++k) {
            const double* p = ring[k]->GetXYZ();
            const double* q = ring[(k + 1) % ring.size()]->GetXYZ();
            if ((Same(p, a->GetXYZ()) && Same(q, b->GetXYZ())) ||
                (Same(q, a->GetXYZ()) && Same(p, b->GetXYZ()))) {
                *out = f;
                return true;
            }
        }
    }
    return false;
}

bool G3RoofGenerator::GetFacetbyPoint(G3Point* p,
                                      G3Surface* s,
                                      ROOF_FACET_TYPE type,
                                      G3Facet** out) {
    if (out != nullptr) *out = nullptr;
    if (p == nullptr || s == nullptr || out == nullptr) return false;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        G3Facet* f = s->GetFacet(i);
        if (!OfType(f, type) || f->GetVertexCount() < 3) continue;
        const double* pl = f->GetPlane();
        const double d = pl[0] * p->GetX() + pl[1] * p->GetY() + pl[2] * p->GetZ() + pl[3];
        if (std::fabs(d) > kTol * (1.0 + std::fabs(pl[3]) * 1e-6)) continue;
        if (std::fabs(pl[2]) < kTol) continue;  // a wall has no plan to stand in
        if (CoversInPlan(Ring(f), p->GetX(), p->GetY())) {
            *out = f;
            return true;
        }
    }
    return false;
}

bool G3RoofGenerator::GetFacetbyPoint(G3Surface* s,
                                      int sectionId,
                                      ROOF_FACET_TYPE type,
                                      G3Point* out) {
    if (s == nullptr || out == nullptr || sectionId == 0) return false;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        G3Facet* f = s->GetFacet(i);
        const G3RoofTag tag = G3RoofTagProvider::TagOf(f);
        if (tag.section != sectionId || tag.type != type || f->GetVertexCount() == 0) continue;
        double c[3] = {0.0, 0.0, 0.0};
        const std::vector<G3Vertex*> ring = Ring(f);
        for (const G3Vertex* v : ring) {
            for (int k = 0; k < 3; ++k) c[k] += v->GetXYZ()[k] / ring.size();
        }
        out->Set(c);
        return true;
    }
    return false;
}

bool G3RoofGenerator::GetNeighboringFacetID(
    G3Surface* s, int sectionId, int type, int& lowest, int& highest) {
    lowest = highest = 0;
    if (s == nullptr || sectionId == 0) return false;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        G3Facet* f = s->GetFacet(i);
        const G3RoofTag tag = G3RoofTagProvider::TagOf(f);
        if (tag.section != sectionId || tag.type != type) continue;
        G3Edge* first = f->GetFirstEdge();
        G3Edge* e = first;
        int guard = 0;
        while (e != nullptr && guard++ <= f->GetVertexCount()) {
            G3Facet* g = e->GetFacet1() == f ? e->GetFacet2() : e->GetFacet1();
            const G3RoofTag other = G3RoofTagProvider::TagOf(g);
            if (g != nullptr && other.type == type && other.section != 0 &&
                other.section != sectionId) {
                if (lowest == 0 || other.section < lowest) lowest = other.section;
                if (other.section > highest) highest = other.section;
            }
            e = e->NextInFacet(f);
            if (e == first) break;
        }
    }
    return lowest != 0;
}
