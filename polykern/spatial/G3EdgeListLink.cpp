// Bridging holes to the contours around them, so that each result is one simple loop.

#include <cmath>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/math/G3Math.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"
#include "polykern/spatial/GContourIntersectPoint.h"

namespace {

double Distance2(const double* a, const double* b, int x, int y) {
    const double dx = b[x] - a[x], dy = b[y] - a[y];
    return std::sqrt(dx * dx + dy * dy);
}

// The normal and texture coordinate an edge carries at vertex v (side 1).
G3Normal* NormalAt(const G3Edge* e, const G3Vertex* v, G3TexCoo** t) {
    return e->GetVertex1() == v ? e->GetFacet1V1(t) : e->GetFacet1V2(t);
}

}  // namespace

// The left-most corner, and the direction that leaves the contour there: the corner's
// bisector turned outward. (The bisector itself points into the contour; a bridge along
// it would cross the contour it starts from.)
G3Vertex* G3EdgeList::GetExtremalRay(double* ray) {
    EnsureAxes();
    const int x = m_XCoo, y = m_YCoo, n = size();
    G3Vertex* best = nullptr;
    for (int i = 0; i < n; ++i) {
        G3Vertex* v = GetEdgeAt(i)->GetVertex1();
        const G3Vertex* prev = GetEdgeAt((i + n - 1) % n)->GetVertex1();
        const G3Vertex* next = GetEdgeAt(i)->GetVertex2();
        double bisector[2] = {0.0, 0.0};
        for (const G3Vertex* w : {prev, next}) {
            const double d = Distance2(v->GetXYZ(), w->GetXYZ(), x, y);
            if (d <= 0.0) continue;
            bisector[0] += (w->GetXYZ(x) - v->GetXYZ(x)) / d;
            bisector[1] += (w->GetXYZ(y) - v->GetXYZ(y)) / d;
        }
        const double len = std::sqrt(bisector[0] * bisector[0] + bisector[1] * bisector[1]);
        if (len < 1e-6) continue;
        if (best == nullptr || v->GetXYZ(x) < best->GetXYZ(x)) {
            best = v;
            ray[0] = -bisector[0] / len;
            ray[1] = -bisector[1] / len;
        }
    }
    return best;
}

double G3EdgeList::FindIntersectionPoint(const double* from,
                                         const double* to,
                                         const double* aim,
                                         GContourIntersectPoint* hit) {
    EnsureAxes();
    const int x = m_XCoo, y = m_YCoo;
    for (int axis : {x, y}) {
        if (std::fmax(from[axis], to[axis]) < m_Envelope.GetMin()[axis] ||
            std::fmin(from[axis], to[axis]) > m_Envelope.GetMax()[axis]) {
            return -1.0;  // the ray's box misses the contour
        }
    }
    const double dx = to[x] - from[x], dy = to[y] - from[y];
    const double len = std::sqrt(dx * dx + dy * dy);
    if (len <= 0.0) return -1.0;
    const double nx = -dy / len, ny = dx / len, c = -(nx * from[x] + ny * from[y]);
    const int main = std::fabs(dx) > std::fabs(dy) ? x : y;
    const double lo = std::fmin(from[main], to[main]), hi = std::fmax(from[main], to[main]);
    auto onSegment = [&](const double* p) { return p[main] > lo && p[main] < hi; };
    auto side = [&](const double* p) { return nx * p[x] + ny * p[y] + c; };
    double best = -1.0;
    hit->Clear();
    auto consider = [&](const double* p, G3Edge* e, G3Vertex* v) {
        const double d = Distance2(from, p, x, y);
        if (d < 1e-6 || !onSegment(p) || !(best < 0.0 || d < best - 1e-6)) return;
        best = d;
        hit->edge = e;
        hit->vertex = v;
        for (int k = 0; k < 3; ++k) hit->point[k] = p[k];
    };
    for (int i = size() - 1; i >= 0; --i) {
        G3Edge* e = GetEdgeAt(i);
        const double* a = e->GetVertex1()->GetXYZ();
        const double* b = e->GetVertex2()->GetXYZ();
        const double d1 = side(a), d2 = side(b);
        const bool on1 = std::fabs(d1) < 1e-6, on2 = std::fabs(d2) < 1e-6;
        if (on1) consider(a, e, e->GetVertex1());
        if (on2) consider(b, e, e->GetVertex2());
        if (!on1 && !on2 && (d1 < 0.0) != (d2 < 0.0)) {
            const double t = std::fabs(d1 / (d1 - d2));
            double p[3];
            for (int k = 0; k < 3; ++k) p[k] = a[k] + t * (b[k] - a[k]);
            consider(p, e, nullptr);
        }
    }
    if (best > 0.0 && hit->vertex == nullptr) {
        // A bridge ends at a vertex: the end of the hit edge nearer the aimed direction.
        const double ax = aim[x] - from[x], ay = aim[y] - from[y];
        const double al = std::sqrt(ax * ax + ay * ay);
        double bestDot = -2.0;
        for (G3Vertex* v : {hit->edge->GetVertex1(), hit->edge->GetVertex2()}) {
            const double vx = v->GetXYZ(x) - from[x], vy = v->GetXYZ(y) - from[y];
            const double vl = std::sqrt(vx * vx + vy * vy);
            const double dot = (al > 0 && vl > 0) ? (ax * vx + ay * vy) / (al * vl) : -1.0;
            if (dot > bestDot) {
                bestDot = dot;
                hit->vertex = v;
            }
        }
        for (int k = 0; k < 3; ++k) hit->point[k] = hit->vertex->GetXYZ(k);
        return Distance2(from, hit->point, x, y);
    }
    return best;
}

bool G3EdgeList::LinkToAnother(
    G3Vertex* v, G3EdgeList* target, GContourIntersectPoint* hit, G3Surface*, int mode) {
    G3Vertex* h = hit->vertex;
    if (h == nullptr || target == nullptr || target->isEmpty() || isEmpty()) return false;
    const int x = m_XCoo, y = m_YCoo;
    if (Distance2(v->GetXYZ(), h->GetXYZ(), x, y) < 1e-6) return false;
    const int n = size(), m = target->size();
    int at = -1;  // this list's edge ending at v
    for (int i = 0; i < n && at < 0; ++i) {
        if (GetEdgeAt(i)->GetVertex2() == v) at = i;
    }
    int forward = -1, backward = -1;  // target's edges starting, and ending, at h
    for (int i = 0; i < m; ++i) {
        if (forward < 0 && target->GetEdgeAt(i)->GetVertex1() == h) forward = i;
        if (backward < 0 && target->GetEdgeAt(i)->GetVertex2() == h) backward = i;
    }
    if (at < 0 || forward < 0 || backward < 0) return false;

    // Walk the target the way that keeps the bridge from crossing its neighbours.
    const G3Edge* e = GetEdgeAt(at);
    const G3Edge* following = GetEdgeAt((at + 1) % n);
    const double toH = G3Math::CalcAngle(v->GetXYZ(), h->GetXYZ(), 0.0, x, y);
    const double toV = G3Math::CalcAngle(h->GetXYZ(), v->GetXYZ(), 0.0, x, y);
    const double alphaE = G3Math::CalcAngle(v->GetXYZ(), e->GetVertex1()->GetXYZ(), toH, x, y);
    const double alphaN =
        G3Math::CalcAngle(v->GetXYZ(), following->GetVertex2()->GetXYZ(), toH, x, y);
    const double betaT = G3Math::CalcAngle(
        h->GetXYZ(), target->GetEdgeAt(forward)->GetVertex2()->GetXYZ(), toV, x, y);
    const double betaT2 = G3Math::CalcAngle(
        h->GetXYZ(), target->GetEdgeAt(backward)->GetVertex1()->GetXYZ(), toV, x, y);
    const bool walkBackward = alphaE < alphaN ? betaT2 >= betaT : betaT2 < betaT;

    G3TexCoo *tv, *th;
    G3Normal* nv = NormalAt(e, v, &tv);
    G3Normal* nh = NormalAt(target->GetEdgeAt(forward), h, &th);
    std::vector<GObj*> sequence;
    sequence.reserve(static_cast<std::size_t>(n + m + 2));
    for (int i = 0; i <= at; ++i) sequence.push_back(GetEdgeAt(i));
    auto* there = new G3Edge(v, h);
    there->SetFlags(mode);
    there->SetNormals(nullptr, v, nv, tv, h, nh, th);
    sequence.push_back(there);
    for (int k = 0; k < m; ++k) {
        const int i = walkBackward ? (backward - k + m) % m : (forward + k) % m;
        sequence.push_back(target->GetEdgeAt(i));
    }
    auto* back = new G3Edge(h, v);
    back->SetFlags(mode);
    back->SetNormals(nullptr, h, nh, th, v, nv, tv);
    sequence.push_back(back);
    for (int i = at + 1; i < n; ++i) sequence.push_back(GetEdgeAt(i));

    m_Envelope.Add(&target->m_Envelope);
    clear();
    add(static_cast<int>(sequence.size()), sequence.data());
    Normalize();
    target->clear();  // its edges belong to this list now
    return true;
}

void G3EdgeList::Link(GArrayCollection* contours, G3Surface* surface, int mode) {
    if (contours == nullptr || contours->size() < 2) return;
    GEnvelope all;
    for (int i = 0; i < contours->size(); ++i) {
        auto* c = static_cast<G3EdgeList*>(contours->get(i));
        c->FormEnvelope();
        if (i == 0) {
            all.Init(c->GetEnvelope());
        } else {
            all.Add(c->GetEnvelope());
        }
    }
    const double reach = 3.0 * all.GetMaxSize();
    for (int i = 0; i < contours->size(); ++i) {
        auto* c = static_cast<G3EdgeList*>(contours->get(i));
        if (c->GetContourType() != CONTOUR_HOLE) continue;
        double ray[2];
        G3Vertex* v = c->GetExtremalRay(ray);
        if (v == nullptr) continue;
        const int x = c->GetXCoo(), y = c->GetYCoo();
        double end[3], firstEnd[3];
        for (int k = 0; k < 3; ++k) end[k] = v->GetXYZ(k);
        end[x] += reach * ray[0];
        end[y] += reach * ray[1];
        for (int k = 0; k < 3; ++k) firstEnd[k] = end[k];
        double best = -1.0;
        G3EdgeList* target = nullptr;
        GContourIntersectPoint found, probe;
        // Re-aim at the nearest hit until no nearer one turns up.
        for (int round = 0; round < 100; ++round) {
            bool improved = false;
            for (int j = 0; j < contours->size(); ++j) {
                auto* d = static_cast<G3EdgeList*>(contours->get(j));
                if (d == c || c->Equals(d)) continue;
                const bool sibling =
                    d->GetContourType() == CONTOUR_HOLE && d->GetInCount() == c->GetInCount();
                if (!sibling && (d->GetContourType() == CONTOUR_HOLE || !c->IsIn(d))) continue;
                const double t = d->FindIntersectionPoint(v->GetXYZ(), end, firstEnd, &probe);
                if (t > 0.0 && (best < 0.0 || t < best - 1e-6)) {
                    best = t;
                    target = d;
                    found = probe;
                    improved = true;
                }
            }
            if (!improved) break;
            const double dx = found.point[x] - v->GetXYZ(x), dy = found.point[y] - v->GetXYZ(y);
            const double len = std::sqrt(dx * dx + dy * dy);
            if (len <= 0.0) break;
            end[x] = v->GetXYZ(x) + reach * dx / len;
            end[y] = v->GetXYZ(y) + reach * dy / len;
        }
        if (target == nullptr) {
            GTrace::Message("Link: no contour around a hole; the hole stays unlinked");
            continue;
        }
        const bool targetWasHole = target->GetContourType() == CONTOUR_HOLE;
        if (!c->LinkToAnother(v, target, &found, surface, mode)) continue;
        if (!targetWasHole) c->SetContourType(CONTOUR_OUTER);
        const int removed = contours->index(target);
        delete target;
        contours->RemoveWithShift(removed);
        if (removed < i) --i;
        --i;  // look at this entry again: it may still be a hole
    }
}
