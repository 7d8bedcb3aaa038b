// Tracing the faces that a list of directed edges bounds, as a facet split needs them.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"
#include "polykern/spatial/G3EdgeListGraph.h"

using g3edgegraph::kOnPath;
using g3edgegraph::kWalked;
using g3edgegraph::SourceOf;
using g3edgegraph::WorkGraph;

namespace {

constexpr double kFullTurn = 6.283185307179586;

// Where one pair of vertices is joined both ways by three edges or more (a boundary edge
// with a cut along it), opposite pairs cancel until one way is left or one edge each way;
// the edges entered last go first, so a boundary edge keeps its flags.
void CancelOppositeCopies(G3Surface& work) {
    struct Link {
        const G3Vertex* lo;
        const G3Vertex* hi;
        int index;
    };
    std::vector<G3Edge*> edges(static_cast<std::size_t>(work.GetEdgeCount()));
    std::vector<Link> links(edges.size());
    for (std::size_t i = 0; i < edges.size(); ++i) {
        G3Edge* e = work.GetEdge(static_cast<int>(i));
        edges[i] = e;
        const G3Vertex* a = e->GetVertex1();
        const G3Vertex* b = e->GetVertex2();
        const bool order = std::less<const G3Vertex*>()(a, b);
        links[i] = {order ? a : b, order ? b : a, static_cast<int>(i)};
    }
    std::sort(links.begin(), links.end(), [](const Link& p, const Link& q) {
        if (p.lo != q.lo) return std::less<const G3Vertex*>()(p.lo, q.lo);
        if (p.hi != q.hi) return std::less<const G3Vertex*>()(p.hi, q.hi);
        return p.index > q.index;  // the edges entered last first
    });
    std::vector<G3Edge*> drop, along, against;
    for (std::size_t begin = 0; begin < links.size();) {
        std::size_t end = begin + 1;
        while (end < links.size() && links[end].lo == links[begin].lo &&
               links[end].hi == links[begin].hi)
            ++end;
        if (end - begin >= 3) {
            along.clear();
            against.clear();
            for (std::size_t k = begin; k < end; ++k) {
                G3Edge* e = edges[std::size_t(links[k].index)];
                (e->GetVertex1() == links[begin].lo ? along : against).push_back(e);
            }
            std::size_t k = 0;
            while (k < along.size() && k < against.size() &&
                   along.size() + against.size() - 2 * k >= 3) {
                drop.push_back(along[k]);
                drop.push_back(against[k]);
                ++k;
            }
        }
        begin = end;
    }
    // Taken out in list order, so that the edges left keep an order that does not depend
    // on where the vertices happen to lie in memory.
    std::sort(drop.begin(), drop.end(),
              [](const G3Edge* a, const G3Edge* b) { return a->GetId() < b->GetId(); });
    for (G3Edge* e : drop) work.RemoveEdge(e);
}

// The turn from the reverse of the way in (v→p) clockwise to the way out (v→q), in
// (0, 2π]: the smallest is the sharpest left turn, and going straight back comes last.
double TurnFromReverse(const double* v, const double* p, const double* q, int x, int y, double sigma) {
    const double back = std::atan2(sigma * (p[y] - v[y]), p[x] - v[x]);
    const double out = std::atan2(sigma * (q[y] - v[y]), q[x] - v[x]);
    double turn = back - out;
    while (turn <= 0.0) turn += kFullTurn;
    while (turn > kFullTurn) turn -= kFullTurn;
    return turn;
}

// Twice the signed area of a closed chain of work edges in the (unmirrored) projection.
double TwiceArea(const std::vector<G3Edge*>& loop, int x, int y, double sigma) {
    double a = 0.0;
    const double* o = loop.front()->GetVertex1()->GetXYZ();
    for (const G3Edge* e : loop) {
        const double* p = e->GetVertex1()->GetXYZ();
        const double* q = e->GetVertex2()->GetXYZ();
        a += (p[x] - o[x]) * (q[y] - o[y]) - (q[x] - o[x]) * (p[y] - o[y]);
    }
    return sigma * a;
}

}  // namespace

void G3EdgeList::TraceFaces(GArrayCollection* out, G3Surface* surface) {
    if (out == nullptr || isEmpty()) return;
    EnsureAxes();
    FormEnvelope();
    FindSelfIntersections(surface);
    const int x = m_XCoo, y = m_YCoo;
    // The projection keeps the plane's turning sense when the dropped axis is the cross
    // product of the two kept ones in that order, and the normal points along it.
    const int z = 3 - x - y;
    const bool cyclic = (y == (x + 1) % 3);
    const double sigma = ((m_Plane[z] >= 0.0) == cyclic) ? 1.0 : -1.0;
    WorkGraph graph(*this, x, y);
    G3Surface& work = graph.Surface();
    CancelOppositeCopies(work);
    const int32_t walked = kWalked;
    std::vector<G3Edge*> loop, stack;
    std::vector<std::vector<G3Edge*>> cycles;
    for (int i = 0; i < work.GetEdgeCount(); ++i) {
        G3Edge* first = work.GetEdge(i);
        if ((first->GetFlags() & walked) != 0) continue;
        loop.clear();
        G3Edge* e = first;
        bool closed = false;
        while (true) {
            e->SetFlags(e->GetFlags() | walked);
            loop.push_back(e);
            const G3Vertex* v = e->GetVertex2();
            const double* pv = v->GetXYZ();
            const double* pp = e->GetVertex1()->GetXYZ();
            G3Edge* next = nullptr;
            double best = 0.0;
            for (G3Edge* o = v->GetFirstEdge(); o != nullptr; o = o->NextAtVertex(v)) {
                if (o->GetVertex1() != v) continue;  // comes in, not out
                double turn = TurnFromReverse(pv, pp, o->GetVertex2()->GetXYZ(), x, y, sigma);
                // Among parallel copies, one still to walk; the way in's own reverse last.
                if ((o->GetFlags() & walked) != 0 && o != first) turn += 2.0 * kFullTurn;
                if (next == nullptr || turn < best) {
                    next = o;
                    best = turn;
                }
            }
            if (next == first) {
                closed = true;
                break;
            }
            if (next == nullptr || (next->GetFlags() & walked) != 0) break;  // no way on
            e = next;
        }
        if (!closed) continue;
        // A vertex met twice closes a loop of its own: spurs become loops of two edges,
        // and a face touching itself at a corner becomes its separate loops.
        stack.clear();
        for (G3Edge* edge : loop) {
            stack.push_back(edge);
            const G3Vertex* end = edge->GetVertex2();
            for (std::size_t k = stack.size(); k-- > 0;) {
                if (stack[k]->GetVertex1() != end) continue;
                cycles.emplace_back(stack.begin() + std::ptrdiff_t(k), stack.end());
                stack.resize(k);
                break;
            }
        }
    }
    for (const std::vector<G3Edge*>& c : cycles) {
        if (c.size() < 3) continue;
        double perimeter = 0.0;
        for (const G3Edge* e : c) perimeter += e->GetSize(x, y);
        if (std::fabs(TwiceArea(c, x, y, sigma)) <= 1e-6 * perimeter) continue;  // no width
        auto* contour = new G3EdgeList(m_FacetFlags, m_FacetSurface);
        for (const G3Edge* w : c) {
            G3Normal *n1, *n2;
            G3TexCoo *t1, *t2;
            w->GetNormals(&n1, &t1, &n2, &t2, 1);
            contour->AddEdge(SourceOf(w->GetVertex1()), SourceOf(w->GetVertex2()), n1, n2, t1, t2,
                             w->GetFlags() & ~(kWalked | kOnPath));
        }
        contour->SetPlane(m_Plane);
        contour->FormEnvelope();
        contour->OrientLike(m_Plane);
        out->add(contour);
    }
}
