#include "polykern/boolean/G3BooleanCalculator.h"

#include <cmath>
#include <map>
#include <mutex>
#include <utility>

#include "polykern/boolean/G3BCExDataProvider.h"
#include "polykern/boolean/G3BCFacetData.h"
#include "polykern/boolean/G3BCRayMath.h"
#include "polykern/boolean/G3BCSideBySide.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3Grid.h"

namespace {

constexpr uint32_t kDisjoint = 0x80000000u;
constexpr double kWorkingScale = 1000.0;
constexpr int32_t kNewEdge = 4;
constexpr int kRemoveAll = SURF_ON | SURF_OUT | SURF_IN | SURF_ON_SAME | SURF_ON_OPPOSITE;

// Providers set aside while a surface carries working data, for every calculator in the
// process: each reads or changes the list under its lock.
std::map<const G3Surface*, G3ShellExDataProvider*>& SetAside() {
    static auto* saved = new std::map<const G3Surface*, G3ShellExDataProvider*>();
    return *saved;
}

std::mutex& SetAsideLock() {
    static auto* lock = new std::mutex();
    return *lock;
}

bool HasFacets(const G3Surface* s) {
    return s != nullptr && s->GetFacetCount() > 0;
}

// Model to working coordinates: about the local origin, 1000 times finer, so that the
// absolute tolerances keep their meaning however far the operands lie from the origin.
void ToWorking(G3Surface* s, const double* origin) {
    const double before[3] = {-origin[0], -origin[1], -origin[2]}, none[3] = {0, 0, 0};
    G3BCRayMath::Reframe(s, before, kWorkingScale, none);
}

void ToModel(G3Surface* s, const double* origin) {
    const double none[3] = {0, 0, 0};
    // Every plane was fitted in the working frame; it moves back with its vertices.
    G3BCRayMath::Reframe(s, none, 1.0 / kWorkingScale, origin, false);
}

// Edges left with one facet are where the kept parts of the operands meet: they take the
// new-edge flag, so that coplanar facets across a seam merge like those across a cut.
void MarkSeams(G3Surface* s) {
    for (int i = 0; i < s->GetEdgeCount(); ++i) {
        G3Edge* e = s->GetEdge(i);
        if (e->GetFacetCount() == 1) e->SetFlags(e->GetFlags() | kNewEdge);
    }
}

}  // namespace

G3BCPointWriter::~G3BCPointWriter() = default;

G3BooleanCalculator::G3BooleanCalculator() : m_Candidates(new GArrayCollection()) {}

G3BooleanCalculator::~G3BooleanCalculator() {
    delete m_Grid;
    delete m_Candidates;
}

void G3BooleanCalculator::OpenBoolean(G3Surface* s) {
    if (s == nullptr || dynamic_cast<G3BCExDataProvider*>(s->GetExDataProvider()) != nullptr)
        return;
    if (s->GetExDataProvider() != nullptr) {
        const std::lock_guard<std::mutex> guard(SetAsideLock());
        SetAside()[s] = s->GetExDataProvider();
    }
    s->SetExDataProvider(new G3BCExDataProvider());
    s->OpenExData();
}

void G3BooleanCalculator::CloseBoolean(G3Surface* s) {
    if (s == nullptr || dynamic_cast<G3BCExDataProvider*>(s->GetExDataProvider()) == nullptr)
        return;
    s->CloseExData();
    s->RemoveExDataProvider();
    const std::lock_guard<std::mutex> guard(SetAsideLock());
    auto it = SetAside().find(s);
    if (it != SetAside().end()) {
        s->SetExDataProvider(it->second);
        SetAside().erase(it);
    }
}

G3Surface* G3BooleanCalculator::Add(G3Surface* a, G3Surface* b) {
    m_A = a;
    m_B = b;
    ChangeSurface();
    return BinaryOperation(SURF_IN | SURF_ON_OPPOSITE, SURF_IN | SURF_ON_SAME | SURF_ON_OPPOSITE,
                           1);
}

G3Surface* G3BooleanCalculator::Sub(G3Surface* a, G3Surface* b) {
    m_A = a;
    m_B = b;
    if (m_B != nullptr) m_B->NegNormals();
    return BinaryOperation(SURF_IN | SURF_ON_SAME, SURF_OUT | SURF_ON_SAME | SURF_ON_OPPOSITE, 1);
}

G3Surface* G3BooleanCalculator::Sub(G3Surface* a, G3Surface* b, GEVENT e) {
    m_A = a;
    m_B = b;
    if (m_B != nullptr) m_B->NegNormals();
    return BinaryOperation(SURF_IN | SURF_ON_SAME, SURF_OUT | SURF_ON_SAME | SURF_ON_OPPOSITE, e);
}

G3Surface* G3BooleanCalculator::Common(G3Surface* a, G3Surface* b) {
    m_A = a;
    m_B = b;
    ChangeSurface();
    return BinaryOperation(SURF_OUT | SURF_ON_OPPOSITE, SURF_OUT | SURF_ON_SAME | SURF_ON_OPPOSITE,
                           1);
}

void G3BooleanCalculator::ChangeSurface() {
    if (m_A != nullptr && m_B != nullptr && m_A->GetFacetCount() < m_B->GetFacetCount())
        std::swap(m_A, m_B);
}

G3Surface* G3BooleanCalculator::BinaryOperation(int maskA, int maskB, int unionInPlane) {
    return RunBinary(maskA, maskB, false, unionInPlane, nullptr);
}

G3Surface* G3BooleanCalculator::BinaryOperation(int maskA, int maskB, GEVENT e) {
    return RunBinary(maskA, maskB, true, 1, e);
}

void G3BooleanCalculator::DropOperands() {
    if (m_A != nullptr) CloseBoolean(m_A);
    if (m_B != nullptr) CloseBoolean(m_B);
    if (m_B != m_A) delete m_B;
    delete m_A;
    m_A = m_B = nullptr;
    delete m_Grid;
    m_Grid = nullptr;
}

bool G3BooleanCalculator::Classifiable(bool otherClosed, int mask) const {
    return mask == 0 || (mask & kRemoveAll) == kRemoveAll || otherClosed;
}

// Shared road of both forms. Operands are checked first: a refused pair is consumed
// (both deleted) and the answer is null, so a caller never sees half-done work.
G3Surface* G3BooleanCalculator::RunBinary(
    int maskA, int maskB, bool useEvent, int unionInPlane, GEVENT event) {
    if (m_A == nullptr || m_B == nullptr || m_A == m_B || !G3BCRayMath::FiniteVertices(m_A) ||
        !G3BCRayMath::FiniteVertices(m_B)) {
        GTrace::Message("Boolean: an operand is missing, repeated or not finite");
        DropOperands();
        return nullptr;
    }
    // A difference of an open sheet keeps none of the solid: a sheet has no inside.
    // Each operand's closedness is read once: it walks every edge.
    const bool closedA = m_A->GetClosed(), closedB = m_B->GetClosed();
    const bool subtraction = (maskA == (SURF_IN | SURF_ON_SAME));
    if (subtraction && !closedA && closedB) maskB = kRemoveAll;
    if (!Classifiable(closedB, maskA) || !Classifiable(closedA, maskB)) {
        GTrace::Message("Boolean: an operand that must be classified against is not closed");
        DropOperands();
        return nullptr;
    }
    ResetRandomRays();
    if (!OpenBoolean()) {
        GTrace::Message("Boolean: an operand has no extent");
        DropOperands();
        return nullptr;
    }
    // Parity over a surface that passes through itself miscounts: such an operand is
    // refused wherever the two meet.
    if (m_Overlap != kDisjoint && EitherCrossesItself(m_A, m_B)) {
        GTrace::Message("Boolean: an operand's facets cross each other");
        DropOperands();
        return nullptr;
    }
    Divide();
    const bool overlap = m_Overlap != kDisjoint;
    if (!useEvent && m_IntersectionList != nullptr) {
        for (int i = 0; i < m_B->GetFacetCount(); ++i) {
            G3BCFacetData* d = G3BCExDataProvider::DataOf(m_B->GetFacet(i));
            if (d != nullptr && d->intersections != nullptr)
                m_IntersectionList->Merge(d->intersections);
        }
    }
    if (overlap) {
        if (useEvent) {
            MergeSurfaceAndIntersectionTree(m_A, &m_EnvA, event);
            MergeSurfaceAndIntersectionTree(m_B, &m_EnvB, event);
        } else {
            // Each operand's facets are split along their own cuts, read by coordinates.
            g3bcside::Run(
                PreparedSideBySide(), [&] { MergeSurfaceAndIntersectionTree(m_A, &m_EnvA); },
                [&](bool) { MergeSurfaceAndIntersectionTree(m_B, &m_EnvB); });
        }
    }
    GTrace::Message("Classify vertices");
    // Each operand's classification writes its own records and reads the other's
    // geometry only, so the two run side by side; their undecided facets are resolved
    // after, from both.
    const bool classifyA = maskA != 0 && (maskA & kRemoveAll) != kRemoveAll;
    const bool classifyB = maskB != 0 && (maskB & kRemoveAll) != kRemoveAll;
    g3bcside::Run(
        PreparedSideBySide() && classifyA && classifyB,
        [&] {
            if (classifyA) ClassifyOperand(m_A, m_B);
        },
        [&](bool) {
            if (classifyB) ClassifyOperand(m_B, m_A);
        });
    const bool resolved = ResolveUnknownFacets(m_A, m_B, classifyA, classifyB);
    if (!resolved) {
        GTrace::Message("Boolean: a facet could not be classified");
        DropOperands();
        return nullptr;
    }
    // Each operand drops its classified facets, marks its open seams and sheds its working
    // records on its own.
    auto windDown = [this](G3Surface* s, int mask) {
        RemoveFacetsByClassify(s, mask);
        MarkSeams(s);
        CloseBoolean(s);
    };
    g3bcside::Run(
        PreparedSideBySide(), [&] { windDown(m_A, maskA); }, [&](bool) { windDown(m_B, maskB); });
    MergeFacets(m_A, m_B);
    ToModel(m_A, m_Origin);
    delete m_B;
    m_B = nullptr;
    // Where the operands met, the weld ended by dropping everything left unused.
    if (!overlap) m_A->RemoveUnused();
    m_A->RemoveNonManifoldEdges();
    if (useEvent || unionInPlane != 0) m_A->UnionInPlaneFacets(4);
    m_A->UnionFacets(8);
    m_A->PairNonManifoldEdges();
    m_A->ChangeEdgeFlags(12, false);
    if (!m_A->GetClosed()) m_A->ClearSolid();
    if (!useEvent && !HasFacets(m_A)) {
        delete m_A;
        m_A = nullptr;
        return nullptr;
    }
    G3Surface* result = m_A;
    m_A = nullptr;
    return result;
}

namespace {

// No provider but the calculator's own working records hears of s's entities.
bool OnlyWorkingRecords(const G3Surface* s) {
    const G3ShellExDataProvider* p = s->GetExDataProvider();
    return p == nullptr || dynamic_cast<const G3BCExDataProvider*>(p) != nullptr;
}

}  // namespace

// Whether the two operands can be prepared or split side by side: each one's merges,
// splits, move to the working frame and working records read and change that operand
// alone, and no step's outcome follows where its entities lie in memory. A provider
// outside the calculator (a registered one, a shell's own) would hear of both at once.
bool G3BooleanCalculator::PreparedSideBySide() const {
    return m_A->GetFacetCount() >= g3bcside::kFacets &&
           m_B->GetFacetCount() >= g3bcside::kFacets && G3Obj::GetProviderList()->size() == 0 &&
           OnlyWorkingRecords(m_A) && OnlyWorkingRecords(m_B);
}

bool G3BooleanCalculator::OpenBoolean() {
    auto merge = [](G3Surface* s) {
        s->UnionInPlaneFacets(-1);
        s->Triangulate(2, 10);
    };
    g3bcside::Run(PreparedSideBySide(), [&] { merge(m_A); }, [&](bool) { merge(m_B); });
    AssignNormalsByPlane();
    GEnvelope modelA, modelB;
    m_A->FormEnvelope(&modelA);
    m_B->FormEnvelope(&modelB);
    if (modelA.IsDefault() || modelB.IsDefault()) return false;
    GEnvelope both(&modelA);
    both.Add(&modelB);
    for (int k = 0; k < 3; ++k) m_Origin[k] = 0.5 * (both.GetMin()[k] + both.GetMax()[k]);
    auto toWorking = [this](G3Surface* s, GEnvelope* env) {
        ToWorking(s, m_Origin);
        s->FormEnvelope(env);
        env->Extend(1e-5);
        OpenBoolean(s);
    };
    g3bcside::Run(PreparedSideBySide(), [&] { toWorking(m_A, &m_EnvA); },
                  [&](bool) { toWorking(m_B, &m_EnvB); });
    m_Overlap = m_EnvA.ClipTestXYZ(&m_EnvB);
    if (m_Overlap != kDisjoint) {
        m_Common.Init(&m_EnvA);
        m_Common.ClipXYZ(&m_EnvB, m_Overlap);
    }
    m_Total.Init(&m_EnvA);
    m_Total.Add(&m_EnvB);
    // Every ray must end outside the whole scene, whatever its direction.
    m_RayLength = G3BCRayMath::RayLengthOver(m_Total);
    return true;
}

void G3BooleanCalculator::AssignNormalsByPlane() {
    if (m_A == nullptr || m_B == nullptr) return;
    const bool a = m_A->HasGeometry(), b = m_B->HasGeometry();
    if (a && !b) m_B->AssignNormalsByPlane();
    if (b && !a) m_A->AssignNormalsByPlane();
}

void G3BooleanCalculator::RemoveFacetsByClassify(G3Surface* s, int mask) {
    if (s == nullptr || mask == 0) return;
    for (int i = 0; i < s->GetFacetCount();) {
        G3Facet* f = s->GetFacet(i);
        const G3BCFacetData* d = G3BCExDataProvider::DataOf(f);
        const int c = d != nullptr ? d->classification : 0;
        if ((mask & kRemoveAll) == kRemoveAll || (c & mask) != 0) {
            if (s->RemoveFacet(f)) continue;
        }
        ++i;
    }
}

void G3BooleanCalculator::CloseBoolean() {
    CloseBoolean(m_A);
    CloseBoolean(m_B);
}

void G3BooleanCalculator::MergeFacets(G3Surface* a, G3Surface* b) {
    if (a == nullptr || b == nullptr) return;
    // b is deleted once merged: its entities move over when no one can tell them from
    // copies.
    if (!a->Absorb(b)) a->Copy(b);
    // Welds the seams; a cut that ends on an edge of one operand splits it there.
    if (m_Overlap != kDisjoint) a->RemoveEqualsVertexAndDivideEdges(kNewEdge, &m_Common);
}
