// The calculator's one-surface and curve operations: self-intersection removal, the
// intersection segments of two surfaces, and splitting a surface into its pieces.

#include <cmath>
#include <deque>
#include <memory>

#include "polykern/boolean/G3BCExDataProvider.h"
#include "polykern/boolean/G3BCFacetData.h"
#include "polykern/boolean/G3BCRayMath.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/boolean/G3Interval.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetEdgeIterator.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

namespace {

constexpr int32_t kPieceFlag = G3OBJ_MARK4;

void Translate(G3Surface* s, const double* by) {
    const double none[3] = {0, 0, 0};
    G3BCRayMath::Reframe(s, by, 1.0, none);
}

// The list's segments moved by `by`, as a new list the caller owns.
G3IntervalList* Translated(const G3IntervalList* list, const double* by) {
    auto* out = new G3IntervalList();
    GArrayCollection* intervals = list->GetIntervalList();
    for (int i = 0; intervals != nullptr && i < intervals->size(); ++i) {
        const auto* x = static_cast<G3Interval*>(intervals->get(i));
        double a[3], b[3];
        for (int k = 0; k < 3; ++k) {
            a[k] = x->GetXYZ1(k) + by[k];
            b[k] = x->GetXYZ2(k) + by[k];
        }
        out->AddInterval(a, x->GetOwner1(), b, x->GetOwner2());
    }
    return out;
}

// Breadth-first from the seed edge across facets: every facet and edge reached that
// carries neither `flag` nor `stop` gets `flag`.
void FloodFlags(G3Surface* s, G3Edge* seed, int32_t flag, int32_t stop) {
    if (seed == nullptr || (seed->GetFlags() & (flag | stop)) != 0) return;
    seed->SetFlags(seed->GetFlags() | flag);
    std::deque<G3Edge*> queue{seed};
    const int limit = s->GetEdgeCount();
    for (int steps = 0; !queue.empty() && steps < limit; ++steps) {
        G3Edge* e = queue.front();
        queue.pop_front();
        for (G3Facet* f : {e->GetFacet1(), e->GetFacet2()}) {
            if (f == nullptr || (f->GetFlags() & (flag | stop)) != 0) continue;
            f->SetFlags(f->GetFlags() | flag);
            for (G3FacetEdgeIterator it(f); it.hasNext();) {
                auto* edge = static_cast<G3Edge*>(it.next());
                if ((edge->GetFlags() & (flag | stop)) != 0) continue;
                edge->SetFlags(edge->GetFlags() | flag);
                queue.push_back(edge);
            }
        }
    }
}

}  // namespace

// Working coordinates about the surface's own centre (no scaling), so that far-off
// surfaces keep the precision the tolerances assume.
void G3BooleanCalculator::RemoveSelfIntersection(G3Surface* s) {
    if (s == nullptr || s->GetFacetCount() == 0) return;
    m_A = s;
    m_B = nullptr;
    s->UnionInPlaneFacets(-1);
    s->Triangulate(2, 10);
    s->AssignNormalsByPlane();
    GEnvelope model;
    s->FormEnvelope(&model);
    for (int k = 0; k < 3; ++k) {
        m_Origin[k] = 0.5 * (model.GetMin()[k] + model.GetMax()[k]);
        if (!std::isfinite(m_Origin[k])) {
            m_A = nullptr;
            return;
        }
    }
    const double toLocal[3] = {-m_Origin[0], -m_Origin[1], -m_Origin[2]};
    Translate(s, toLocal);
    s->FormEnvelope(&m_EnvA);
    m_EnvA.Extend(1e-5);
    m_Common.Init(&m_EnvA);
    m_Total.Init(&m_EnvA);
    OpenBoolean(s);
    m_RayLength = G3BCRayMath::RayLengthOver(m_Total);
    DivideSelf();
    MergeSurfaceAndIntersectionTree(s, &m_EnvA);
    // The working records go before the clean-up steps delete entities under them.
    CloseBoolean(s);
    s->RemoveNonManifoldEdges();
    s->RemoveEqualsVertex();
    s->UnionFacets(8);
    s->RemoveUnused();
    s->ChangeEdgeFlags(12, false);
    if (!s->GetClosed()) s->ClearSolid();
    Translate(s, m_Origin);
    m_A = nullptr;
}

bool G3BooleanCalculator::SurfaceSurfaceIntersect(G3Surface* a, G3Surface* b, G3IntervalList* out) {
    if (a == nullptr || b == nullptr || a == b) return false;
    m_A = a;
    m_B = b;
    if (!OpenBoolean()) {
        CloseBoolean();
        m_A = m_B = nullptr;
        return false;
    }
    Divide();
    // Segments and surfaces go back to 1000 × model coordinates about the model origin.
    const double back[3] = {1000.0 * m_Origin[0], 1000.0 * m_Origin[1], 1000.0 * m_Origin[2]};
    for (int i = 0; out != nullptr && i < m_A->GetFacetCount(); ++i) {
        G3BCFacetData* d = G3BCExDataProvider::DataOf(m_A->GetFacet(i));
        if (d == nullptr || d->intersections == nullptr) continue;
        std::unique_ptr<G3IntervalList> moved(Translated(d->intersections, back));
        out->Merge(moved.get());
    }
    for (G3Surface* s : {m_A, m_B}) {
        while (s->GetFacetCount() > 0) s->RemoveFacet(s->GetFacet(s->GetFacetCount() - 1));
    }
    CloseBoolean();
    Translate(m_A, back);
    Translate(m_B, back);
    m_A = m_B = nullptr;
    return true;
}

int G3BooleanCalculator::Separate_Surface(G3Surface* s, GArrayCollection* pieces) {
    if (s == nullptr || pieces == nullptr) return 0;
    s->ChangeEdgeFlags(kPieceFlag, false);
    s->ChangeFacetFlags(kPieceFlag, false);
    while (s->GetEdgeCount() > 0) {
        const int before = s->GetEdgeCount();
        FloodFlags(s, s->GetEdge(0), kPieceFlag, 0);
        auto* piece = new G3Surface();
        piece->Copy(s);
        for (int i = 0; i < piece->GetFacetCount();) {
            G3Facet* f = piece->GetFacet(i);
            if ((f->GetFlags() & kPieceFlag) == 0 && piece->RemoveFacet(f)) continue;
            ++i;
        }
        piece->RemoveUnused();
        piece->ChangeEdgeFlags(kPieceFlag, false);
        piece->ChangeFacetFlags(kPieceFlag, false);
        for (int i = 0; i < s->GetFacetCount();) {
            G3Facet* f = s->GetFacet(i);
            if ((f->GetFlags() & kPieceFlag) != 0 && s->RemoveFacet(f)) continue;
            ++i;
        }
        s->RemoveUnusedEdge();
        if (piece->GetFacetCount() < 4) {
            delete piece;
        } else {
            piece->RemoveUnused();
            piece->RemoveNonManifoldEdges();
            piece->Update(CHECK_LEVEL_1001);
            pieces->add(piece);
        }
        if (s->GetEdgeCount() >= before) break;  // nothing left that a flood can take
    }
    s->RemoveUnused();
    s->Update(CHECK_LEVEL_1001);
    return pieces->size();
}
