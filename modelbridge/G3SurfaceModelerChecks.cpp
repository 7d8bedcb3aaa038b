// The watertightness test and the merge of a body's pieces into one.

#include <map>
#include <new>
#include <utility>

#include "modelbridge/G3SurfaceModeler.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/GVector3.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "sheetlink/Sheetlink_Body.h"

namespace {

// The facets on both sides of each edge as the test sees them: the surface's own, plus
// the sides it lends to edges that lie along other open edges (a T-junction). Kept apart
// from the surface, whose topology stays untouched.
class Sides {
public:
    using Pair = std::pair<G3Facet*, G3Facet*>;

    Pair Of(G3Edge* e) const {
        const auto it = m_Lent.find(e);
        return it != m_Lent.end() ? it->second : Pair{e->GetFacet1(), e->GetFacet2()};
    }
    // Exactly one distinct facet: one side empty, or the same facet on both.
    bool IsOpen(G3Edge* e) const {
        const Pair p = Of(e);
        if (p.first == nullptr && p.second == nullptr) return false;
        return p.first == nullptr || p.second == nullptr || p.first == p.second;
    }
    // f fills the edge's empty side, unless f is already on it.
    void Lend(G3Edge* e, G3Facet* f) {
        Pair p = Of(e);
        if (f == nullptr || p.first == f || p.second == f) return;
        if (p.first == nullptr)
            p.first = f;
        else if (p.second == nullptr)
            p.second = f;
        else
            return;
        m_Lent[e] = p;
    }

private:
    std::map<G3Edge*, Pair> m_Lent;
};

bool BothOn(G3Edge* e, G3Edge* on) {
    const double* a = on->GetVertex1()->GetXYZ();
    const double* b = on->GetVertex2()->GetXYZ();
    return PtOnSegment(e->GetVertex1()->GetXYZ(), a, b) &&
           PtOnSegment(e->GetVertex2()->GetXYZ(), a, b);
}

// Whether every edge of s has a facet on each side, an open edge counting as closed when
// it lies along other open edges (one facet on each side of a T-junction). The edges'
// visibility plays no part.
bool IsWatertight(G3Surface* s) {
    GArrayCollection* edges = s->GetEdgeList();
    Sides sides;
    for (int i = 0; i < edges->size(); ++i) {
        auto* e = static_cast<G3Edge*>(edges->get(i));
        const Sides::Pair own = sides.Of(e);
        if (own.first != nullptr && own.second != nullptr && own.first != own.second) continue;
        if (own.first == nullptr && own.second == nullptr) continue;
        G3Facet* f = own.first != nullptr ? own.first : own.second;
        bool covered = false;
        G3Facet* across = nullptr;
        for (int j = 0; j < edges->size(); ++j) {
            auto* g = static_cast<G3Edge*>(edges->get(j));
            if (g == e || !sides.IsOpen(g)) continue;
            if (BothOn(e, g)) {
                covered = true;
            } else if (BothOn(g, e)) {
                sides.Lend(g, f);
                const Sides::Pair lent = sides.Of(g);
                if (lent.first != nullptr && lent.first != f) across = lent.first;
                if (lent.second != nullptr && lent.second != f) across = lent.second;
                covered = true;
            }
        }
        if (!covered) return false;
        if (across != nullptr) sides.Lend(e, across);
    }
    for (int i = 0; i < edges->size(); ++i) {
        const Sides::Pair p = sides.Of(static_cast<G3Edge*>(edges->get(i)));
        if (p.first == nullptr || p.second == nullptr || p.first == p.second) return false;
    }
    return true;
}

}  // namespace

int G3SurfaceModeler::IsClosedWireBody(Sheetlink_Body* body) {
    ReleaseOperands();
    if (body == nullptr) return 0;
    m_A = GetFacetRepresentation(body, 111);
    if (m_A == nullptr) return 0;
    const bool closed = m_A->GetFacetCount() > 0 && IsWatertight(m_A);
    ReleaseOperands();
    return closed ? 1 : 0;
}

// A body of one piece comes back as a copy, so that the caller owns every body it gets
// and may delete both.
Sheetlink_Body* G3SurfaceModeler::MakeSheetBodyByBody(Sheetlink_Body* body) {
    ReleaseOperands();
    if (body == nullptr) return nullptr;
    m_A = GetFacetRepresentation(body, 111);
    if (m_A == nullptr) return nullptr;
    GArrayCollection pieces;
    {
        G3BooleanCalculator calculator;
        calculator.Separate_Surface(m_A, &pieces);
    }
    ReleaseOperands();
    if (pieces.size() < 2) {
        for (int i = 0; i < pieces.size(); ++i) delete static_cast<G3Surface*>(pieces.get(i));
        return new (std::nothrow) Sheetlink_Body(*body);
    }
    auto* united = static_cast<G3Surface*>(pieces.get(0));
    int next = 1;
    for (; next < pieces.size() && united != nullptr; ++next) {
        auto* piece = static_cast<G3Surface*>(pieces.get(next));
        if (!united->GetClosed() || !piece->GetClosed()) {
            delete united;
            united = nullptr;
            break;
        }
        try {
            G3BooleanCalculator calculator;
            united = calculator.Add(united, piece);
        } catch (...) {
            united = nullptr;
        }
    }
    // Pieces never reached are still the caller's to release.
    for (; next < pieces.size(); ++next) delete static_cast<G3Surface*>(pieces.get(next));
    Sheetlink_Body* out = nullptr;
    GetBodyRepresentation(united, &out, false);
    delete united;
    return out;
}
