// Facet ring access and editing.

#include "polykern/model/G3Facet.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "polykern/foundation/GHeap.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Vertex.h"

PK_DEFINE_POOL(G3Facet, 65536)

void G3Facet::Copy(GObj* from) {
    G3Obj::Copy(from);
    auto* source = dynamic_cast<G3Facet*>(from);
    if (source == nullptr || source == this) return;
    m_FirstEdge = source->m_FirstEdge;
    m_LastEdge = source->m_LastEdge;
    m_SurfaceNumber = source->m_SurfaceNumber;
    SetPlane(source->m_Plane);
}

void G3Facet::AddEdge(G3Edge* e) {
    if (m_LastEdge == nullptr) {
        m_FirstEdge = e;
    } else {
        m_LastEdge->SetNextInFacet(this, e);
    }
    m_LastEdge = e;
}

void G3Facet::Unlink(G3Edge* previous, G3Edge* e) {
    G3Edge* following = NextEdge(e);
    if (previous == nullptr) {
        m_FirstEdge = following;
    } else {
        previous->SetNextInFacet(this, following);
    }
    if (m_LastEdge == e) m_LastEdge = previous;
    e->DetachFacet(this);
}

bool G3Facet::RemoveEdge(G3Edge* e) {
    G3Edge* previous = nullptr;
    for (G3Edge* cur = m_FirstEdge; cur != nullptr; previous = cur, cur = NextEdge(cur)) {
        if (cur == e) {
            Unlink(previous, e);
            return true;
        }
    }
    return false;
}

namespace {

// An edge that has lost its last facet leaves both vertices' lists.
void ReleaseIfBare(G3Edge* e) {
    if (e->GetFacetCount() != 0) return;
    if (e->GetVertex1() != nullptr) e->GetVertex1()->RemoveEdge(e);
    if (e->GetVertex2() != nullptr) e->GetVertex2()->RemoveEdge(e);
}

}  // namespace

void G3Facet::RemoveEdges() {
    G3Edge* e = m_FirstEdge;
    while (e != nullptr) {
        G3Edge* following = NextEdge(e);
        e->DetachFacet(this);
        ReleaseIfBare(e);
        e = following;
    }
    m_FirstEdge = m_LastEdge = nullptr;
}

namespace {

constexpr int kJoinMost = 16;

// One facet's ring for a join: its edges in ring order and the vertex each starts from.
// False when the ring is longer than the join takes, or is not one closed loop.
bool SingleLoop(const G3Facet* f, G3Edge** edges, const G3Vertex** starts, int* count) {
    int n = 0;
    for (G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e)) {
        if (n == kJoinMost) return false;
        edges[n++] = e;
    }
    if (n < 3) return false;
    const G3Edge* e0 = edges[0];
    const G3Edge* e1 = edges[1];
    // The first edge starts at the end it does not share with the second.
    const G3Vertex* v = e1->HasVertex(e0->GetVertex2()) ? e0->GetVertex1() : e0->GetVertex2();
    if (!e1->HasVertex(e0->OtherVertex(v))) return false;
    const G3Vertex* first = v;
    for (int k = 0; k < n; ++k) {
        if (!edges[k]->HasVertex(v)) return false;
        starts[k] = v;
        v = edges[k]->OtherVertex(v);
    }
    *count = n;
    return v == first;
}

}  // namespace

bool G3Facet::JoinAcross(G3Edge* shared, G3Facet* other) {
    if (shared == nullptr || other == nullptr || other == this) return false;
    const bool sides = (shared->GetFacet1() == this && shared->GetFacet2() == other) ||
                       (shared->GetFacet1() == other && shared->GetFacet2() == this);
    if (!sides) return false;
    G3Edge *mine[kJoinMost], *theirs[kJoinMost];
    const G3Vertex *myStarts[kJoinMost], *theirStarts[kJoinMost];
    int n = 0, m = 0;
    if (!SingleLoop(this, mine, myStarts, &n) || !SingleLoop(other, theirs, theirStarts, &m))
        return false;
    int at = -1, atOther = -1;
    for (int k = 0; k < n; ++k) {
        if (mine[k] == shared) at = k;
    }
    for (int k = 0; k < m; ++k) {
        if (theirs[k] == shared) atOther = k;
    }
    if (at < 0 || atOther < 0) return false;
    // Opposite ways along the shared edge, and no other corner in common: the joined ring
    // is then one simple loop.
    if (myStarts[at] == theirStarts[atOther]) return false;
    for (int k = 0; k < n; ++k) {
        for (int j = 0; j < m; ++j) {
            if (myStarts[k] != theirStarts[j]) continue;
            if (!shared->HasVertex(myStarts[k])) return false;
        }
    }
    for (int k = 0; k < m; ++k) {
        if (k == atOther) continue;
        G3Edge* e = theirs[k];
        if (e->GetFacet1() == this || e->GetFacet2() == this) return false;  // a second link
    }
    // This ring from after the shared edge round to it, then the other's the same way.
    G3Edge* joined[2 * kJoinMost];
    int count = 0;
    for (int k = 1; k < n; ++k) joined[count++] = mine[(at + k) % n];
    for (int k = 1; k < m; ++k) {
        G3Edge* e = theirs[(atOther + k) % m];
        if (e->GetFacet1() == other) {
            e->SetFacet1(this);
        } else {
            e->SetFacet2(this);
        }
        joined[count++] = e;
    }
    shared->DetachFacet(this);
    shared->DetachFacet(other);
    ReleaseIfBare(shared);
    other->m_FirstEdge = other->m_LastEdge = nullptr;
    m_FirstEdge = m_LastEdge = nullptr;
    for (int k = 0; k < count; ++k) {
        joined[k]->SetNextInFacet(this, nullptr);
        AddEdge(joined[k]);
    }
    FormPlaneEquation();
    return true;
}

// Reverses the ring in place: each edge's link for this facet points back.
void G3Facet::RotateEdges() {
    G3Edge* previous = nullptr;
    G3Edge* e = m_FirstEdge;
    while (e != nullptr) {
        G3Edge* following = NextEdge(e);
        e->SetNextInFacet(this, previous);
        previous = e;
        e = following;
    }
    std::swap(m_FirstEdge, m_LastEdge);
}

void G3Facet::NegPlane() {
    RotateEdges();
    for (double& c : m_Plane) c = -c;
}

bool G3Facet::ChangeEdges(G3Edge* old, G3Edge* repl) {
    if (old == nullptr || repl == nullptr || old == repl) return false;
    G3Edge* previous = nullptr;
    G3Edge* cur = m_FirstEdge;
    while (cur != nullptr && cur != old) {
        previous = cur;
        cur = NextEdge(cur);
    }
    if (cur == nullptr) return false;

    G3Normal *n1, *n2;
    G3TexCoo *t1, *t2;
    old->GetNormals(this, &n1, &t1, &n2, &t2);
    if (repl->GetVertex1() != old->GetVertex1()) {
        std::swap(n1, n2);
        std::swap(t1, t2);
    }
    // A facet never sits on both sides of an edge, and a side that is taken stays taken.
    if (repl->GetFacet1() == this) {
        GTrace::Message("bad Change Facet to 2");
        return false;
    }
    if (repl->GetFacet2() == this) {
        GTrace::Message("bad Change Facet to 1");
        return false;
    }
    if (repl->GetFacet1() != nullptr && repl->GetFacet2() != nullptr) {
        GTrace::Message("bad Change Facet: no free side");
        return false;
    }
    G3Edge* following = NextEdge(old);
    if (repl->GetFacet1() != nullptr) {
        repl->SetFacet2(this);
        repl->SetFacet2Edge(following);
        repl->SetFacet2V1(n1, t1);
        repl->SetFacet2V2(n2, t2);
    } else {
        repl->SetFacet1(this);
        repl->SetFacet1Edge(following);
        repl->SetFacet1V1(n1, t1);
        repl->SetFacet1V2(n2, t2);
    }
    if (previous == nullptr) {
        m_FirstEdge = repl;
    } else {
        previous->SetNextInFacet(this, repl);
    }
    if (m_LastEdge == old) m_LastEdge = repl;
    old->DetachFacet(this);
    repl->SetFlags(repl->GetFlags() | old->GetFlags());
    return true;
}

void G3Facet::ChangeEdgeToVertex(G3Edge* e, G3Vertex* v) {
    if (e == nullptr || v == nullptr) return;
    const G3Vertex* a = e->GetVertex1();
    const G3Vertex* b = e->GetVertex2();
    auto mapped = [&](G3Vertex* w) { return (w == a || w == b) ? v : w; };
    std::vector<G3Edge*> ring;
    for (G3Edge* cur = m_FirstEdge; cur != nullptr; cur = NextEdge(cur)) ring.push_back(cur);

    // Rebuild the ring from the edges that keep a length, moving their ends onto v.
    m_FirstEdge = m_LastEdge = nullptr;
    for (G3Edge* cur : ring) {
        G3Vertex* end1 = mapped(cur->GetVertex1());
        G3Vertex* end2 = mapped(cur->GetVertex2());
        if (end1 == end2) {
            cur->DetachFacet(this);
            continue;
        }
        cur->SetNextInFacet(this, nullptr);
        AddEdge(cur);
        if (end1 == v && cur->GetVertex1() != v) {
            cur->GetVertex1()->RemoveEdge(cur);
            cur->SetVertex1(v);
            v->AddEdge(cur);
        }
        if (end2 == v && cur->GetVertex2() != v) {
            cur->GetVertex2()->RemoveEdge(cur);
            cur->SetVertex2(v);
            v->AddEdge(cur);
        }
    }
    DropShortHoles();
}

// A hole whose loop the collapse left with fewer than three edges encloses nothing: its
// edges leave the ring (and their vertices' lists when no facet is left on them).
void G3Facet::DropShortHoles() {
    std::vector<G3Vertex*> starts;
    std::vector<int> loopEnds;
    if (!GetLoops(starts, loopEnds) || loopEnds.size() < 2) return;
    std::vector<bool> drop(starts.size(), false);
    bool any = false;
    for (std::size_t loop = 1; loop < loopEnds.size(); ++loop) {
        const int begin = loopEnds[loop - 1], end = loopEnds[loop];
        if (end - begin >= 3) continue;
        std::fill(drop.begin() + begin, drop.begin() + end, true);
        any = true;
    }
    if (!any) return;
    DropRingEdges(drop);
}

int G3Facet::DropRingEdges(const std::vector<bool>& drop) {
    G3Edge* previous = nullptr;
    G3Edge* e = m_FirstEdge;
    int kept = 0;
    for (std::size_t k = 0; e != nullptr; ++k) {
        G3Edge* following = NextEdge(e);
        if (k < drop.size() && drop[k]) {
            Unlink(previous, e);
            ReleaseIfBare(e);
        } else {
            previous = e;
            ++kept;
        }
        e = following;
    }
    return kept;
}

void G3Facet::DivideEdge(G3Edge* e, int n, G3Edge** chain) {
    if (e == nullptr || n <= 0 || chain == nullptr) return;
    G3Edge* previous = nullptr;
    G3Edge* cur = m_FirstEdge;
    while (cur != nullptr && cur != e) {
        previous = cur;
        cur = NextEdge(cur);
    }
    if (cur == nullptr) return;
    G3Edge* following = NextEdge(e);
    const bool wasLast = m_LastEdge == e;

    // The chain runs in ring order from the end of e the facet comes from; in a ring of
    // several loops the ring neighbours of e may belong to another loop, so the start is
    // read loop by loop.
    const G3Vertex* from = n > 1 ? StartOf(e) : nullptr;
    bool forward;
    if (from != nullptr) {
        forward = chain[0]->HasVertex(from);
    } else if (previous == nullptr) {
        forward = !(following != nullptr && chain[0]->IsLink(following));
    } else {
        forward = chain[0]->IsLink(previous);
    }
    auto at = [&](int k) { return forward ? chain[k] : chain[n - 1 - k]; };
    if (previous == nullptr) {
        m_FirstEdge = at(0);
    } else {
        previous->SetNextInFacet(this, at(0));
    }
    for (int k = 0; k + 1 < n; ++k) at(k)->SetNextInFacet(this, at(k + 1));
    at(n - 1)->SetNextInFacet(this, following);
    if (wasLast) m_LastEdge = at(n - 1);
}

void G3Facet::DivideEdge(G3Edge* e, G3Edge* a, G3Edge* b) {
    G3Edge* chain[2] = {a, b};
    DivideEdge(e, 2, chain);
}

namespace {

// The vertex that stands for v while duplicates are merged.
const GObj* Representative(const G3Vertex* v) {
    const GObj* link = v->GetExData();
    return link != nullptr ? link : v;
}

// Which ring edges go, loop by loop: the edges that shrink to a point, and every edge of
// a hole that keeps fewer than three. Empty when the outline itself keeps fewer than three.
std::vector<bool> EdgesToDrop(const G3Facet* f, bool* collapsed) {
    std::vector<G3Vertex*> starts;
    std::vector<int> loopEnds;
    std::vector<bool> drop;
    *collapsed = false;
    for (const G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e))
        drop.push_back(Representative(e->GetVertex1()) == Representative(e->GetVertex2()));
    if (!f->GetLoops(starts, loopEnds)) {
        *collapsed = std::count(drop.begin(), drop.end(), false) < 3;
        return drop;
    }
    int begin = 0;
    for (std::size_t loop = 0; loop < loopEnds.size(); ++loop) {
        const int end = loopEnds[loop];
        const auto kept = std::count(drop.begin() + begin, drop.begin() + end, false);
        if (kept < 3) {
            if (loop == 0) *collapsed = true;
            std::fill(drop.begin() + begin, drop.begin() + end, true);
        }
        begin = end;
    }
    return drop;
}

}  // namespace

bool G3Facet::RemoveSmallEdges() {
    bool collapsed = false;
    const std::vector<bool> drop = EdgesToDrop(this, &collapsed);
    if (collapsed) {
        RemoveEdges();
        return true;
    }
    if (DropRingEdges(drop) < 3) {
        RemoveEdges();
        return true;
    }
    return false;
}

const G3Vertex* G3Facet::StartOf(const G3Edge* e) const {
    for (G3FacetVertexIterator it(this); it.hasNext();) {
        const auto* v = static_cast<const G3Vertex*>(it.next());
        if (it.GetCurrentEdge() == e) return v;
    }
    return nullptr;
}

bool G3Facet::GetMoveDirection(const G3Edge* e) const {
    const G3Vertex* from = e != nullptr ? StartOf(e) : nullptr;
    return from != nullptr && from == e->GetVertex1();
}
