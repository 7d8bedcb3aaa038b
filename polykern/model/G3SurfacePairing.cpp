// Pairing the facets that meet at one vertex pair when more than two do: two bodies that
// touch along an edge share it, and each body's two facets there get an edge of their own.

#include <algorithm>
#include <cmath>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

namespace {

struct Side {
    G3Facet* facet;
    G3Edge* edge;
    bool forward;   // the facet walks the edge from u to v
    double angle;   // of the direction into the facet, about u→v
    int turn;       // the way round (+1 with the angle, −1 against) the material lies
};

// Whether f walks e starting at `from`.
bool WalksFrom(const G3Facet* f, const G3Edge* e, const G3Vertex* from, bool* found) {
    for (G3FacetVertexIterator it(f); it.hasNext();) {
        const GObj* start = it.next();
        if (it.GetCurrentEdge() == e) {
            *found = true;
            return start == from;
        }
    }
    *found = false;
    return false;
}

void Cross(const double* a, const double* b, double* out) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

double Dot(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The sides of every edge between u and v, with their angles; false when one cannot be
// placed (a facet without a plane, or an edge missing from its facet's ring).
bool CollectSides(G3Vertex* u, G3Vertex* v, GArrayCollection* edges, std::vector<Side>* sides) {
    double d[3];
    for (int k = 0; k < 3; ++k) d[k] = v->GetXYZ(k) - u->GetXYZ(k);
    const double len = std::sqrt(Dot(d, d));
    if (!(len > 0.0)) return false;
    for (double& c : d) c /= len;
    // An orthonormal frame about d.
    double b1[3] = {0, 0, 0}, b2[3];
    b1[std::fabs(d[0]) < 0.6 ? 0 : 1] = 1.0;
    const double along = Dot(b1, d);
    for (int k = 0; k < 3; ++k) b1[k] -= along * d[k];
    const double l1 = std::sqrt(Dot(b1, b1));
    for (double& c : b1) c /= l1;
    Cross(d, b1, b2);
    sides->clear();
    for (int i = 0; i < edges->size(); ++i) {
        auto* e = static_cast<G3Edge*>(edges->get(i));
        for (G3Facet* f : {e->GetFacet1(), e->GetFacet2()}) {
            if (f == nullptr) continue;
            bool found = false;
            const bool forward = WalksFrom(f, e, u, &found);
            const double* n = f->GetPlane();
            if (!found || !(Dot(n, n) > 0.5)) return false;
            double t[3], in[3], turn[3];
            for (int k = 0; k < 3; ++k) t[k] = forward ? d[k] : -d[k];
            Cross(n, t, in);  // left of the walk, seen from outside: into the facet
            const double minus[3] = {-n[0], -n[1], -n[2]};
            Cross(in, minus, turn);
            sides->push_back({f, e, forward, std::atan2(Dot(in, b2), Dot(in, b1)),
                              Dot(turn, d) > 0.0 ? 1 : -1});
        }
    }
    return true;
}

}  // namespace

int G3Surface::PairNonManifoldEdges() {
    int paired = 0;
    GArrayCollection edges(8, 8);
    std::vector<Side> sides;
    std::vector<int> partner;
    const int count = GetEdgeCount();
    for (int i = 0; i < count; ++i) {
        G3Edge* e = GetEdge(i);
        G3Vertex* u = e->GetVertex1();
        G3Vertex* v = e->GetVertex2();
        if (u->GetEdgeCount2(v) <= 2) continue;
        u->GetEdges(v, &edges);
        // Each vertex pair once: from its first edge in the surface's list.
        bool first = true;
        for (int k = 0; k < edges.size() && first; ++k) first = static_cast<G3Edge*>(edges.get(k))->GetId() >= e->GetId();
        if (!first || !CollectSides(u, v, &edges, &sides) || sides.size() % 2 != 0) continue;
        std::sort(sides.begin(), sides.end(),
                  [](const Side& a, const Side& b) { return a.angle < b.angle; });
        const int n = static_cast<int>(sides.size());
        partner.assign(std::size_t(n), -1);
        bool consistent = true;
        for (int k = 0; k < n && consistent; ++k) {
            const int j = (k + sides[std::size_t(k)].turn + n) % n;
            partner[std::size_t(k)] = j;
            consistent = sides[std::size_t(k)].forward != sides[std::size_t(j)].forward;
        }
        for (int k = 0; k < n && consistent; ++k)
            consistent = partner[std::size_t(partner[std::size_t(k)])] == k;
        if (!consistent) continue;
        // Pairs already sharing an edge keep it; the others get a new edge each.
        for (int k = 0; k < n; ++k) {
            const int j = partner[std::size_t(k)];
            if (j < k || sides[std::size_t(k)].edge == sides[std::size_t(j)].edge) continue;
            auto* fresh = new G3Edge(u, v);
            fresh->SetFlags(sides[std::size_t(k)].edge->GetFlags());
            u->AddEdge(fresh);
            v->AddEdge(fresh);
            AddEdgeToCollection(fresh);
            sides[std::size_t(k)].facet->ChangeEdges(sides[std::size_t(k)].edge, fresh);
            sides[std::size_t(j)].facet->ChangeEdges(sides[std::size_t(j)].edge, fresh);
            ++paired;
        }
    }
    if (paired > 0) RemoveUnused();
    return paired;
}
