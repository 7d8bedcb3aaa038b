// The event search of the roof: every wavefront vertex moves linearly with the height, so
// the height at which an edge of the wavefront shrinks to a point (an edge event) or a
// reflex vertex runs into another edge (a split event) is the root of a linear function.
// Events wait in one priority queue ordered by height; an event whose vertices have been
// replaced since it was queued is dropped when it comes up, and a split is checked against
// the pieces of its edge that are alive at that height. A reflex vertex keeps a short list
// of its nearest split candidates, refilled when it runs out; candidates beyond the first
// outline edge its path crosses (found through a grid of the outline's edges) are dropped.

#include "polykern/roof/G3RoofSkeleton.h"

#include <algorithm>
#include <cmath>

namespace {

// Lengths and heights closer than this are one (model units, in local coordinates).
constexpr double kTol = 1e-7;
// Unit normals whose cross product is below this are parallel.
constexpr double kParallel = 1e-10;
// Split candidates kept per reflex vertex before the list is refilled.
constexpr std::size_t kCandidates = 24;

double Cross(const double* a, const double* b) {
    return a[0] * b[1] - a[1] * b[0];
}

double Dot(const double* a, const double* b) {
    return a[0] * b[0] + a[1] * b[1];
}

// The heap keeps the lowest event on top; at one height edge events come first.
bool Later(const G3RoofSkeleton::Event& x, const G3RoofSkeleton::Event& y) {
    if (x.h != y.h) return x.h > y.h;
    return x.kind > y.kind;
}
}  // namespace

int G3RoofSkeleton::AddNode(const double* p, double h) {
    m_Nodes.push_back({p[0], p[1], h});
    if (h > m_Top) m_Top = h;
    return static_cast<int>(m_Nodes.size()) - 1;
}

void G3RoofSkeleton::Velocity(Vertex& v) const {
    const G3RoofSkeletonEdge& l = m_Edges[v.left];
    const G3RoofSkeletonEdge& r = m_Edges[v.right];
    const double det = Cross(l.n, r.n);
    v.stuck = false;
    v.reflex = Cross(l.d, r.d) > kParallel;
    if (std::fabs(det) > kParallel) {
        // Where the two moving lines n·x = n·a + run·h cross, per unit of height.
        v.v[0] = (l.run * r.n[1] - l.n[1] * r.run) / det;
        v.v[1] = (l.n[0] * r.run - l.run * r.n[0]) / det;
    } else if (Dot(l.n, r.n) > 0.0) {
        v.v[0] = l.n[0] * 0.5 * (l.run + r.run);
        v.v[1] = l.n[1] * 0.5 * (l.run + r.run);
    } else {
        // Opposite edges that meet head on: the wavefront has no width here any more.
        v.v[0] = v.v[1] = 0.0;
        v.stuck = true;
    }
}

void G3RoofSkeleton::Position(const Vertex& v, double h, double* out) const {
    out[0] = v.p[0] + v.v[0] * (h - v.h0);
    out[1] = v.p[1] + v.v[1] * (h - v.h0);
}

int G3RoofSkeleton::AddVertex(int left, int right, const double* p, double h, int node) {
    Vertex v{};
    v.left = left;
    v.right = right;
    v.prev = v.next = -1;
    v.start = node;
    v.end = -1;
    v.p[0] = p[0];
    v.p[1] = p[1];
    v.h0 = h;
    v.active = true;
    Velocity(v);
    m_Verts.push_back(v);
    m_Splits.emplace_back();
    const int id = static_cast<int>(m_Verts.size()) - 1;
    m_Pieces[right].push_back(id);
    ++m_Active;
    return id;
}

void G3RoofSkeleton::Retire(int v, int node) {
    Vertex& x = m_Verts[v];
    if (!x.active) return;
    x.active = false;
    x.end = node;
    --m_Active;
}

void G3RoofSkeleton::PushEdgeEvent(int u, double now) {
    const Vertex& a = m_Verts[u];
    const Vertex& b = m_Verts[a.next];
    const double* d = m_Edges[a.right].d;
    double pa[2], pb[2];
    Position(a, now, pa);
    Position(b, now, pb);
    const double gap[2] = {pb[0] - pa[0], pb[1] - pa[1]};
    const double dv[2] = {b.v[0] - a.v[0], b.v[1] - a.v[1]};
    const double f = Dot(gap, d);
    const double rate = Dot(dv, d);
    double h;
    if (rate < -1e-12) {
        h = now + std::max(0.0, -f / rate);
    } else if (f < kTol && rate <= 1e-12) {
        h = now;  // a piece of no length that does not grow any more
    } else {
        return;
    }
    if (!std::isfinite(h)) return;
    m_Queue.push_back(Event{h, 0, u, a.next, a.right});
    std::push_heap(m_Queue.begin(), m_Queue.end(), Later);
}

// The heights at which the reflex vertex v meets the moving line of every other edge,
// ahead of `now`, inside the outline's box; keeps the nearest ones.
void G3RoofSkeleton::FindSplits(int id, double now) {
    Vertex& v = m_Verts[id];
    std::vector<std::pair<double, int>>& out = m_Splits[id];
    const double lastH = out.empty() ? -1.0 : out.back().first;
    const int lastE = out.empty() ? -1 : out.back().second;
    const bool refill = !out.empty();
    out.clear();
    v.split = 0;
    v.more = false;
    if (!v.reflex || v.stuck) return;
    double p[2];
    Position(v, now, p);
    // The vertex cannot get past the first outline edge its path crosses.
    const double reach = m_Grid.FirstCrossing(p, v.v, kTol);
    const double speed = std::hypot(v.v[0], v.v[1]);
    const int n = static_cast<int>(m_Edges.size());
    for (int e = 0; e < n; ++e) {
        if (e == v.left || e == v.right) continue;
        const G3RoofSkeletonEdge& g = m_Edges[e];
        const double rel[2] = {p[0] - g.a[0], p[1] - g.a[1]};
        const double dist = Dot(rel, g.n) - g.run * now;
        const double rate = Dot(v.v, g.n) - g.run;
        if (!(rate < -1e-12) || dist < -kTol) continue;
        const double h = now + std::max(0.0, -dist / rate);
        if (!std::isfinite(h)) continue;
        if (refill && (h < lastH || (h == lastH && e <= lastE))) continue;
        if ((h - now) * speed > reach * speed + 1e3 * kTol) continue;
        const double q[2] = {p[0] + v.v[0] * (h - now), p[1] + v.v[1] * (h - now)};
        if (q[0] < m_Box[0] || q[0] > m_Box[2] || q[1] < m_Box[1] || q[1] > m_Box[3]) continue;
        out.emplace_back(h, e);
    }
    if (out.size() > kCandidates) {
        std::nth_element(out.begin(), out.begin() + kCandidates, out.end());
        out.resize(kCandidates);
        v.more = true;
    }
    std::sort(out.begin(), out.end());
}

bool G3RoofSkeleton::PushNextSplit(int id) {
    Vertex& v = m_Verts[id];
    if (!v.active) return false;
    if (v.split >= static_cast<int>(m_Splits[id].size())) {
        if (!v.more || m_Splits[id].empty()) return false;
        FindSplits(id, m_Splits[id].back().first);
        if (m_Splits[id].empty()) return false;
    }
    const auto& c = m_Splits[id][v.split++];
    m_Queue.push_back(Event{c.first, 1, id, -1, c.second});
    std::push_heap(m_Queue.begin(), m_Queue.end(), Later);
    return true;
}

int G3RoofSkeleton::LoopSize(int v, int limit) const {
    int n = 1;
    for (int x = m_Verts[v].next; x != v && n <= limit; x = m_Verts[x].next) ++n;
    return n;
}

// Ends the loop through v at height h: every vertex stops where it is, and the pieces of
// wavefront between them stay as the top edges of their faces.
void G3RoofSkeleton::FinishLoop(int v, double h) {
    std::vector<int> loop;
    int x = v;
    do {
        loop.push_back(x);
        x = m_Verts[x].next;
    } while (x != v && loop.size() <= m_Verts.size());
    std::vector<int> ends(loop.size());
    for (std::size_t i = 0; i < loop.size(); ++i) {
        const Vertex& w = m_Verts[loop[i]];
        double p[2];
        Position(w, h, p);
        const auto& s = m_Nodes[w.start];
        if (std::fabs(p[0] - s[0]) < kTol && std::fabs(p[1] - s[1]) < kTol &&
            std::fabs(h - s[2]) < kTol) {
            ends[i] = w.start;
        } else {
            ends[i] = AddNode(p, h);
        }
    }
    for (std::size_t i = 0; i < loop.size(); ++i) {
        const std::size_t j = (i + 1) % loop.size();
        if (ends[i] != ends[j]) m_Extra[m_Verts[loop[i]].right].push_back({ends[j], ends[i]});
    }
    for (std::size_t i = 0; i < loop.size(); ++i) Retire(loop[i], ends[i]);
}

// Queues what a vertex made at height `now` takes part in; a vertex between two parallel
// edges of different run first gets a step edge of its own between them.
void G3RoofSkeleton::AfterNewVertex(int id, double now) {
    if (!m_Verts[id].active) return;
    if (LoopSize(id, 3) <= 2) {
        FinishLoop(id, now);
        return;
    }
    const Vertex v = m_Verts[id];
    const G3RoofSkeletonEdge l = m_Edges[v.left];
    const G3RoofSkeletonEdge r = m_Edges[v.right];
    const bool parallel = std::fabs(Cross(l.n, r.n)) <= kParallel && Dot(l.n, r.n) > 0.0;
    if (parallel && std::fabs(l.run - r.run) > 1e-12 && std::fabs(now - m_WallHeight) > kTol) {
        // Parallel walls of different pitch whose planes meet above the wall heads: beyond
        // their meeting line the shallower plane lies lower, so it takes the steeper
        // edge's piece over.
        Zip(id, now, l.run < r.run ? -1 : 1);
        return;
    }
    if (parallel && std::fabs(l.run - r.run) > 1e-12) {
        G3RoofSkeletonEdge step{};
        const double sign = r.run > l.run ? 1.0 : -1.0;
        step.a[0] = v.p[0];
        step.a[1] = v.p[1];
        step.d[0] = l.n[0] * sign;
        step.d[1] = l.n[1] * sign;
        step.n[0] = step.d[1];
        step.n[1] = -step.d[0];
        step.run = 0.0;
        step.source = -1;
        step.along = l.along;
        m_Edges.push_back(step);
        m_Pieces.emplace_back();
        m_Extra.emplace_back();
        const int k = static_cast<int>(m_Edges.size()) - 1;
        Retire(id, v.start);
        const int a = AddVertex(v.left, k, v.p, now, v.start);
        const int b = AddVertex(k, v.right, v.p, now, v.start);
        m_Verts[v.prev].next = a;
        m_Verts[a].prev = v.prev;
        m_Verts[a].next = b;
        m_Verts[b].prev = a;
        m_Verts[b].next = v.next;
        m_Verts[v.next].prev = b;
        AfterNewVertex(a, now);
        AfterNewVertex(b, now);
        return;
    }
    if (v.stuck) {
        Zip(id, now, 0);
        return;
    }
    PushEdgeEvent(v.prev, now);
    PushEdgeEvent(id, now);
    FindSplits(id, now);
    PushNextSplit(id);
}

// A vertex whose two edges meet head on lies at the tip of a stretch where the wavefront
// has no width: its left and right edges run along one line in opposite directions. The
// stretch up to the nearer neighbour closes at once, leaving that piece of line as a ridge
// in both faces, and the neighbour takes the vertex's place. `side` −1 (+1) closes the
// piece towards the previous (next) vertex whatever its length.
void G3RoofSkeleton::Zip(int id, double now, int side) {
    if (LoopSize(id, 4) <= 3) {
        FinishLoop(id, now);
        return;
    }
    const Vertex c = m_Verts[id];
    const int pv = c.prev, nv = c.next;
    const double* d = m_Edges[c.left].d;
    double p[2], q[2];
    Position(m_Verts[pv], now, p);
    Position(m_Verts[nv], now, q);
    const double back[2] = {c.p[0] - p[0], c.p[1] - p[1]};
    const double ahead[2] = {c.p[0] - q[0], c.p[1] - q[1]};
    double s = Dot(back, d), t = Dot(ahead, d);
    if (side < 0) t = s + 1.0;
    if (side > 0) s = t + 1.0;
    Retire(id, c.start);
    const int np = AddNode(p, now), nq = AddNode(q, now);
    int made;
    if (std::fabs(s - t) <= kTol) {
        m_Extra[c.left].push_back({c.start, np});
        m_Extra[c.right].push_back({nq, c.start});
        const int before = m_Verts[pv].prev, after = m_Verts[nv].next;
        const int left = m_Verts[pv].left, right = m_Verts[nv].right;
        Retire(pv, np);
        Retire(nv, nq);
        made = AddVertex(left, right, p, now, np);
        m_Verts[before].next = made;
        m_Verts[made].prev = before;
        m_Verts[made].next = after;
        m_Verts[after].prev = made;
    } else if (s < t) {
        m_Extra[c.left].push_back({c.start, np});
        m_Extra[c.right].push_back({np, c.start});
        const int before = m_Verts[pv].prev;
        const int left = m_Verts[pv].left;
        Retire(pv, np);
        made = AddVertex(left, c.right, p, now, np);
        m_Verts[before].next = made;
        m_Verts[made].prev = before;
        m_Verts[made].next = nv;
        m_Verts[nv].prev = made;
    } else {
        m_Extra[c.right].push_back({nq, c.start});
        m_Extra[c.left].push_back({c.start, nq});
        const int after = m_Verts[nv].next;
        const int right = m_Verts[nv].right;
        Retire(nv, nq);
        made = AddVertex(c.left, right, q, now, nq);
        m_Verts[pv].next = made;
        m_Verts[made].prev = pv;
        m_Verts[made].next = after;
        m_Verts[after].prev = made;
    }
    AfterNewVertex(made, now);
}

bool G3RoofSkeleton::HandleEdgeEvent(const Event& ev) {
    const Vertex& u = m_Verts[ev.a];
    if (!u.active || !m_Verts[ev.b].active || u.next != ev.b) return true;
    if (LoopSize(ev.a, 4) <= 3) {
        FinishLoop(ev.a, ev.h);
        return true;
    }
    double pu[2], pw[2];
    Position(u, ev.h, pu);
    Position(m_Verts[ev.b], ev.h, pw);
    const double p[2] = {0.5 * (pu[0] + pw[0]), 0.5 * (pu[1] + pw[1])};
    const int node = AddNode(p, ev.h);
    const int before = u.prev, after = m_Verts[ev.b].next;
    const int left = u.left, right = m_Verts[ev.b].right;
    Retire(ev.a, node);
    Retire(ev.b, node);
    const int c = AddVertex(left, right, p, ev.h, node);
    m_Verts[before].next = c;
    m_Verts[c].prev = before;
    m_Verts[c].next = after;
    m_Verts[after].prev = c;
    AfterNewVertex(c, ev.h);
    return true;
}

bool G3RoofSkeleton::HandleSplitEvent(const Event& ev) {
    if (!m_Verts[ev.a].active) return true;
    const Vertex v = m_Verts[ev.a];
    const G3RoofSkeletonEdge& g = m_Edges[ev.e];
    double p[2];
    Position(v, ev.h, p);
    int hit = -1;
    for (int x : m_Pieces[ev.e]) {
        const Vertex& a = m_Verts[x];
        if (!a.active || a.right != ev.e || x == ev.a || a.next == ev.a) continue;
        const Vertex& b = m_Verts[a.next];
        if (b.left != ev.e) continue;
        double pa[2], pb[2];
        Position(a, ev.h, pa);
        Position(b, ev.h, pb);
        const double rel[2] = {p[0] - pa[0], p[1] - pa[1]};
        const double run[2] = {pb[0] - pa[0], pb[1] - pa[1]};
        const double t = Dot(rel, g.d), len = Dot(run, g.d);
        if (t < -kTol || t > len + kTol) continue;
        // A vertex made at this very corner by the event just handled does not split the
        // piece that starts or ends there: the two only touch.
        const Vertex* end = t < kTol ? &a : (t > len - kTol ? &b : nullptr);
        if (end != nullptr && std::fabs(end->h0 - ev.h) < kTol &&
            std::fabs(end->p[0] - p[0]) < kTol && std::fabs(end->p[1] - p[1]) < kTol) {
            continue;
        }
        if (std::fabs(Dot(rel, g.n)) > 1e3 * kTol) continue;
        hit = x;
        break;
    }
    if (hit < 0) {
        PushNextSplit(ev.a);
        return true;
    }
    const int x = hit, y = m_Verts[hit].next;
    const int node = AddNode(p, ev.h);
    Retire(ev.a, node);
    const int v1 = AddVertex(v.left, ev.e, p, ev.h, node);
    const int v2 = AddVertex(ev.e, v.right, p, ev.h, node);
    m_Verts[v.prev].next = v1;
    m_Verts[v1].prev = v.prev;
    m_Verts[v1].next = y;
    m_Verts[y].prev = v1;
    m_Verts[x].next = v2;
    m_Verts[v2].prev = x;
    m_Verts[v2].next = v.next;
    m_Verts[v.next].prev = v2;
    AfterNewVertex(v1, ev.h);
    AfterNewVertex(v2, ev.h);
    return true;
}

bool G3RoofSkeleton::Run() {
    const std::size_t limit = 64 * m_Verts.size() + 1024;
    std::size_t steps = 0;
    while (!m_Queue.empty() && m_Active > 0) {
        if (++steps > limit) return false;
        std::pop_heap(m_Queue.begin(), m_Queue.end(), Later);
        const Event ev = m_Queue.back();
        m_Queue.pop_back();
        if (ev.kind == 0) {
            if (!HandleEdgeEvent(ev)) return false;
        } else if (!HandleSplitEvent(ev)) {
            return false;
        }
    }
    return m_Active == 0;
}

bool G3RoofSkeleton::Build(const std::vector<double>& xy,
                           const std::vector<double>& run,
                           double wallHeight) {
    m_WallHeight = wallHeight;
    m_Edges.clear();
    m_Nodes.clear();
    m_Verts.clear();
    m_Queue.clear();
    m_Pieces.clear();
    m_Extra.clear();
    m_Splits.clear();
    m_Faces.clear();
    m_Top = 0.0;
    m_Active = 0;
    const int n = static_cast<int>(xy.size() / 2);
    if (n < 3 || static_cast<int>(run.size()) != n) return false;
    m_Box[0] = m_Box[2] = xy[0];
    m_Box[1] = m_Box[3] = xy[1];
    for (int i = 0; i < n; ++i) {
        const double* a = &xy[2 * i];
        const double* b = &xy[2 * ((i + 1) % n)];
        if (!std::isfinite(a[0]) || !std::isfinite(a[1]) || !std::isfinite(run[i]) ||
            run[i] < 0.0) {
            return false;
        }
        const double len = std::hypot(b[0] - a[0], b[1] - a[1]);
        if (!(len > kTol)) return false;
        G3RoofSkeletonEdge e{};
        e.a[0] = a[0];
        e.a[1] = a[1];
        e.d[0] = (b[0] - a[0]) / len;
        e.d[1] = (b[1] - a[1]) / len;
        e.n[0] = e.d[1];
        e.n[1] = -e.d[0];
        e.run = run[i];
        e.source = i;
        e.along = i;
        m_Edges.push_back(e);
        m_Box[0] = std::min(m_Box[0], a[0]);
        m_Box[1] = std::min(m_Box[1], a[1]);
        m_Box[2] = std::max(m_Box[2], a[0]);
        m_Box[3] = std::max(m_Box[3], a[1]);
    }
    for (int k = 0; k < 2; ++k) {
        m_Box[k] -= kTol;
        m_Box[k + 2] += kTol;
    }
    m_Grid.Build(xy);
    m_Pieces.resize(n);
    m_Extra.resize(n);
    std::vector<int> first(n);
    for (int i = 0; i < n; ++i) {
        const int node = AddNode(&xy[2 * i], 0.0);
        first[i] = AddVertex((i + n - 1) % n, i, &xy[2 * i], 0.0, node);
    }
    for (int i = 0; i < n; ++i) {
        m_Extra[i].push_back({m_Verts[first[i]].start, m_Verts[first[(i + 1) % n]].start});
        m_Verts[first[i]].next = first[(i + 1) % n];
        m_Verts[first[(i + 1) % n]].prev = first[i];
    }
    for (int i = 0; i < n; ++i) {
        const Vertex& v = m_Verts[first[i]];
        // A spike (the outline turning back on itself) has no inside to roof.
        if (std::fabs(Cross(m_Edges[v.left].n, m_Edges[v.right].n)) <= kParallel &&
            Dot(m_Edges[v.left].n, m_Edges[v.right].n) < 0.0) {
            return false;
        }
    }
    for (int i = 0; i < n; ++i) AfterNewVertex(first[i], 0.0);
    if (!Run()) return false;
    return CollectFaces();
}
