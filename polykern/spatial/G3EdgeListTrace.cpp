// Tracing closed contours out of loose edges, and re-tracing a self-crossing list.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/G3Math.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3EdgeGeometry.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"
#include "polykern/spatial/G3EdgeListGraph.h"
#include "polykern/spatial/G3EdgeListVertexIterator.h"

using g3edgegraph::kOnPath;
using g3edgegraph::kWalked;
using g3edgegraph::WorkGraph;

namespace {

bool ValidAxes(int x, int y) {
    return x >= 0 && x < 3 && y >= 0 && y < 3 && x != y;
}

}  // namespace

void G3EdgeList::FormContours(GArrayCollection* out) {
    TraceContours(out, UNION_EDGE_NONE);
}

void G3EdgeList::TraceContours(GArrayCollection* out, UNION_EDGE_ALG alg) {
    if (out == nullptr || isEmpty()) return;
    EnsureAxes();
    WorkGraph graph(*this, m_XCoo, m_YCoo);
    G3Surface& work = graph.Surface();
    if (alg == UNION_EDGE_MERGE) {
        // Edges running both ways between the same two vertices lie inside the region
        // being merged: both copies go.
        for (int i = 0; i < work.GetEdgeCount();) {
            G3Edge* e = work.GetEdge(i);
            G3Edge* opposite = nullptr;
            for (G3Edge* o = e->GetVertex1()->GetFirstEdge(); o != nullptr;
                 o = o->NextAtVertex(e->GetVertex1())) {
                if (o->GetVertex1() == e->GetVertex2() && o->GetVertex2() == e->GetVertex1()) {
                    opposite = o;
                    break;
                }
            }
            if (opposite == nullptr) {
                ++i;
                continue;
            }
            work.RemoveEdge(opposite);
            work.RemoveEdge(e);
        }
    } else if (alg == UNION_EDGE_OVERLAP) {
        ResolveOverlaps(work);
    }
    while (true) {
        graph.RemoveTails();
        G3Edge* edge = nullptr;
        G3Vertex* start = nullptr;
        if (!graph.FindLegalEdge(&edge, &start)) break;
        G3EdgeList* contour = graph.RemoveContour(edge, start, m_FacetFlags, m_FacetSurface);
        if (contour != nullptr) out->add(contour);
    }
}

int G3EdgeList::RemoveContours(
    G3Surface* work, int x, int y, int32_t flags, int32_t surface, GArrayCollection* out) {
    if (work == nullptr || out == nullptr || !ValidAxes(x, y)) return 0;
    WorkGraph graph(*work, x, y);
    int made = 0;
    while (true) {
        graph.RemoveTails();
        G3Edge* edge = nullptr;
        G3Vertex* start = nullptr;
        if (!graph.FindLegalEdge(&edge, &start)) break;
        G3EdgeList* contour = graph.RemoveContour(edge, start, flags, surface);
        if (contour == nullptr) continue;
        out->add(contour);
        ++made;
    }
    return made;
}

void G3EdgeList::RemoveTailVertex(G3Surface* work, int x, int y) {
    if (work == nullptr || !ValidAxes(x, y)) return;
    WorkGraph(*work, x, y).RemoveTails();
}

bool G3EdgeList::FindLegalEdge(G3Surface* work, int x, int y, G3Edge** edge, G3Vertex** start) {
    if (work == nullptr || edge == nullptr || start == nullptr || !ValidAxes(x, y)) return false;
    return WorkGraph(*work, x, y).FindLegalEdge(edge, start);
}

G3EdgeList* G3EdgeList::RemoveContour(
    G3Surface* work, G3Edge* first, G3Vertex* start, int x, int y, int32_t flags, int32_t surface) {
    if (work == nullptr || first == nullptr || !first->HasVertex(start) || !ValidAxes(x, y))
        return nullptr;
    return WorkGraph(*work, x, y).RemoveContour(first, start, flags, surface);
}

void G3EdgeList::ResolveOverlaps(G3Surface& work) {
    const int x = m_XCoo, y = m_YCoo;
    GArrayCollection joining(4, 4);
    for (int i = 0; i < work.GetEdgeCount();) {
        G3Edge* e = work.GetEdge(i);
        G3Vertex* a = e->GetVertex1();
        G3Vertex* b = e->GetVertex2();
        a->GetEdges(b, &joining);
        if (joining.size() < 2) {
            ++i;
            continue;
        }
        bool removeAll = false;
        if (joining.size() % 2 == 0) {
            const double dx = b->GetXYZ(x) - a->GetXYZ(x), dy = b->GetXYZ(y) - a->GetXYZ(y);
            const double len = std::sqrt(dx * dx + dy * dy);
            const double h = 0.5 * 9.999999999999999e-06;
            double side[2][3] = {{0, 0, 0}, {0, 0, 0}};
            for (int s = 0; s < 2; ++s) {
                const double sign = s == 0 ? 1.0 : -1.0;
                side[s][x] =
                    0.5 * (a->GetXYZ(x) + b->GetXYZ(x)) + sign * h * (len > 0 ? dy / len : 0.0);
                side[s][y] =
                    0.5 * (a->GetXYZ(y) + b->GetXYZ(y)) - sign * h * (len > 0 ? dx / len : 0.0);
            }
            bool inside[2];
            for (int s = 0; s < 2; ++s) {
                G3EdgeListVertexIterator polygon(this);
                G3Vertex *hitA, *hitB;
                inside[s] = G3Facet::PointInFacet(x, y, side[s], &polygon, &hitA, &hitB, 1e-6);
            }
            removeAll = inside[0] == inside[1];
        }
        if (removeAll) {
            for (int k = 0; k < joining.size(); ++k)
                work.RemoveEdge(static_cast<G3Edge*>(joining.get(k)));
            continue;  // the same index now holds another edge
        }
        bool visible = false;
        for (int k = 0; k < joining.size(); ++k) {
            auto* o = static_cast<G3Edge*>(joining.get(k));
            if (o == e) continue;
            visible = visible || o->GetVisible();
            work.RemoveEdge(o);
        }
        if (visible) e->SetVisible();
        i = std::min(i, work.GetEdgeCount());
        if (i < work.GetEdgeCount() && work.GetEdge(i) == e) ++i;
    }
}

void G3EdgeList::RemoveSelfIntersections(
    GArrayCollection* out, G3Surface* surface, bool remesh, UNION_EDGE_ALG alg, int /*unused*/) {
    if (out == nullptr || isEmpty()) return;
    EnsureAxes();
    FormEnvelope();
    FindSelfIntersections(surface);
    const int first = out->size();
    TraceContours(out, alg);
    for (int i = first; i < out->size(); ++i) {
        auto* c = static_cast<G3EdgeList*>(out->get(i));
        c->SetPlane(m_Plane);
        c->FormEnvelope();
    }
    if (remesh) RemeshContours(surface, out, true, 0);
    // Every contour runs the same way round as this list.
    for (int i = out->size() - 1; i >= first; --i)
        static_cast<G3EdgeList*>(out->get(i))->OrientLike(m_Plane);
}

void G3EdgeList::OrientLike(const double* plane) {
    G3EdgeListVertexIterator walk(this);
    double fitted[4];
    if (!G3Math::FormPlaneEquation(&walk, fitted)) return;
    if (fitted[0] * plane[0] + fitted[1] * plane[1] + fitted[2] * plane[2] < 0.0) {
        Rotate();
        Normalize();
    }
}
