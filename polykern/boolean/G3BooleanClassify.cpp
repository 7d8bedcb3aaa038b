// Classification of the operands against each other: random rays, crossing counts, the
// vertex flood and the facet verdicts that the removal masks read.

#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "polykern/boolean/G3BCExDataProvider.h"
#include "polykern/boolean/G3BCFacetData.h"
#include "polykern/boolean/G3BCLoopCache.h"
#include "polykern/boolean/G3BCRayMath.h"
#include "polykern/boolean/G3BCVertexData.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetEdgeIterator.h"
#include "polykern/model/G3FacetLoops.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/model/G3VertexEdgeIterator.h"

namespace {

using namespace G3BCRayMath;

constexpr int kAttempts = 100;         // rays drawn before a point stays undecided
constexpr double kRayPlaneTol = 1e-5;  // a ray end this close to a plane is drawn again
constexpr double kTwoPi = 6.283185307179586476925286766559;
constexpr uint64_t kRaySeed = 0x5DEECE66D2545F49ull;
constexpr int32_t kCutEdgeMark = 0x1000000;  // edge mark 3, set on the edges of a cut

// The random rays of this thread: splitmix64 from a fixed seed, so that an operation
// started after ResetRandomRays draws the same rays on every machine.
thread_local uint64_t t_RayState = kRaySeed;

// The large facets' loops kept for this thread's rays while an operand classifies: each
// thread that classifies keeps its own.
thread_local G3BCLoopCache* t_ClassifyLoops = nullptr;

double NextUnit() {
    uint64_t z = (t_RayState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53;  // [0, 1)
}

// A direction uniform on the unit sphere: z uniform in [−1, 1], φ in [0, 2π).
void RandomDirection(double* u) {
    const double z = 2.0 * NextUnit() - 1.0;
    const double phi = kTwoPi * NextUnit();
    const double rho = std::sqrt(std::fmax(0.0, 1.0 - z * z));
    u[0] = rho * std::cos(phi);
    u[1] = rho * std::sin(phi);
    u[2] = z;
}

enum class WalkMode { kPoint, kRay };

// The crossing count shared by the point and the ray tests. The segment box skips far
// facets before any plane is read; nothing is allocated, since the list may hold the
// whole other operand.
SURF_CLASSIFY CountCrossings(const double* p,
                             const double* q,
                             GArrayCollection* facets,
                             WalkMode mode,
                             unsigned int* count,
                             G3BCLoopCache* loops) {
    if (count != nullptr) *count = 0;
    if (p == nullptr || q == nullptr || facets == nullptr) return SURF_UNKNOWN;
    if (!IsFinite3(p) || !IsFinite3(q)) return SURF_UNKNOWN;
    GEnvelope box;
    box.Init(p, q);
    box.Extend(1e-5);
    GEnvelope scratch;
    unsigned int n = 0;
    const int size = facets->size();
    for (int k = 0; k < size; ++k) {
        const auto* f = static_cast<const G3Facet*>(facets->get(k));
        if (f == nullptr) continue;
        const GEnvelope* env = WorkingEnvelope(f, &scratch);
        if (!env->IsIntersectXYZ(&box)) continue;
        const double* plane = f->GetPlane();
        if (!IsUsablePlane(plane)) continue;
        const double h0 = PlaneValue(plane, p), h1 = PlaneValue(plane, q);
        const int s0 = Side(h0), s1 = Side(h1);
        if (count != nullptr) *count = n;
        if (s0 == 0) {
            if (mode == WalkMode::kPoint && env->IsIntersectXYZ(p) && InFacet(f, p, nullptr, loops))
                return SURF_ON;
            if (s1 == 0) return SURF_UNKNOWN;  // the segment lies in the facet's plane
            continue;                          // a segment leaving a plane never meets it again
        }
        // An end on a facet plane would count a touch as a crossing: draw again.
        if (s1 == 0) return SURF_UNKNOWN;
        if (s0 == s1) continue;
        const double t = std::fabs(h0 / (h0 - h1));
        const double x[3] = {p[0] + t * (q[0] - p[0]), p[1] + t * (q[1] - p[1]),
                             p[2] + t * (q[2] - p[2])};
        // A point in the facet, or on its boundary, lies in its grown box: a long ray
        // crosses the planes of many facets it passes far from.
        bool onBoundary = false;
        if (!env->IsIntersectXYZ(x) || !InFacet(f, x, &onBoundary, loops)) continue;
        if (onBoundary) {
            if (mode == WalkMode::kRay) GTrace::Message("return unknown.");
            return SURF_UNKNOWN;
        }
        n += f->GetDoubleSided() ? 2 : 1;
    }
    if (count != nullptr) *count = n;
    return n % 2 == 1 ? SURF_IN : SURF_OUT;
}

int ClassOf(const G3Vertex* v) {
    const G3BCVertexData* data = G3BCExDataProvider::DataOf(v);
    return data != nullptr ? data->classification : SURF_UNKNOWN;
}

// An edge along which the operands may have been cut, so no verdict crosses it: one with
// the cut's mark, or one both of whose vertices lie on cut lines (the mark is cleared once
// the cut vertices are set).
bool IsPossibleCutEdge(const G3Edge* e) {
    if ((e->GetFlags() & kCutEdgeMark) != 0) return true;
    return ClassOf(e->GetVertex1()) == SURF_ON && ClassOf(e->GetVertex2()) == SURF_ON;
}

G3Facet* OtherFacet(const G3Edge* e, const G3Facet* f) {
    return e->GetFacet1() == f ? e->GetFacet2() : e->GetFacet1();
}

// Points strictly inside f for another try: weighted points of the triangle each corner
// spans with its loop neighbours, the corner weighted most first (the first verdict used
// the plain centroids), so that a thin or notched facet still offers a point.
std::vector<std::array<double, 3>> FacetSamplePoints(const G3Facet* f, int most) {
    std::vector<std::array<double, 3>> out;
    const G3FacetLoops loops(f);
    const int n = loops.GetCount();
    const double weights[3][3] = {{0.6, 0.2, 0.2}, {0.2, 0.4, 0.4}, {0.34, 0.33, 0.33}};
    for (const auto& w : weights) {
        for (int k = 0; k < n && static_cast<int>(out.size()) < most; ++k) {
            const double* a = loops.Vertex(k)->GetXYZ();
            const double* b = loops.Vertex(loops.Previous(k))->GetXYZ();
            const double* c = loops.Vertex(loops.Next(k))->GetXYZ();
            std::array<double, 3> pt;
            for (int m = 0; m < 3; ++m) pt[m] = w[0] * a[m] + w[1] * b[m] + w[2] * c[m];
            bool onBoundary = true;
            if (IsFinite3(pt.data()) && InFacet(f, pt.data(), &onBoundary) && !onBoundary)
                out.push_back(pt);
        }
    }
    return out;
}

}  // namespace

void G3BooleanCalculator::ResetRandomRays() {
    t_RayState = kRaySeed;
}

void G3BooleanCalculator::GenerateRandomRay(double* p, double* out, double length) {
    if (p == nullptr || out == nullptr) return;
    double u[3];
    RandomDirection(u);
    for (int k = 0; k < 3; ++k) out[k] = p[k] + length * u[k];
}

// The mirrored end p − L·u is taken when the draw lands on the wrong side; it is checked
// too, since p need not lie on the plane.
bool G3BooleanCalculator::GenerateRandomRay(
    double* p, double* out, double* plane, int side, double length) {
    if (p == nullptr || out == nullptr || plane == nullptr) return false;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        double u[3];
        RandomDirection(u);
        for (int k = 0; k < 3; ++k) out[k] = p[k] + length * u[k];
        const double s = side * PlaneValue(plane, out);
        if (s > kRayPlaneTol) return true;
        if (s < -kRayPlaneTol) {
            for (int k = 0; k < 3; ++k) out[k] = p[k] - length * u[k];
            if (side * PlaneValue(plane, out) > kRayPlaneTol) return true;
        }
    }
    return false;
}

bool G3BooleanCalculator::GenerateRandomRay(const double* p,
                                            double* out,
                                            const double* direction,
                                            double length) {
    if (p == nullptr || out == nullptr || direction == nullptr) return false;
    if (!IsFinite3(direction)) return false;
    if (direction[0] == 0.0 && direction[1] == 0.0 && direction[2] == 0.0) return false;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        double v[3];
        RandomDirection(v);
        for (double& c : v) c *= length;
        const double dot = v[0] * direction[0] + v[1] * direction[1] + v[2] * direction[2];
        if (std::fabs(dot) <= 1e-6) continue;  // nearly perpendicular: no side to speak of
        const double sign = dot > 0.0 ? 1.0 : -1.0;
        for (int k = 0; k < 3; ++k) out[k] = p[k] + sign * v[k];
        return true;
    }
    return false;
}

SURF_CLASSIFY G3BooleanCalculator::TestPointAndFacetList(double* p,
                                                         double* q,
                                                         GArrayCollection* facets,
                                                         unsigned int* count) {
    return CountCrossings(p, q, facets, WalkMode::kPoint, count, nullptr);
}

SURF_CLASSIFY G3BooleanCalculator::TestRayAndFacetList(double* p,
                                                       double* q,
                                                       GArrayCollection* facets) {
    return CountCrossings(p, q, facets, WalkMode::kRay, nullptr, nullptr);
}

SURF_CLASSIFY G3BooleanCalculator::ClassifyVertex(double* p, GArrayCollection* others) {
    if (p == nullptr || !IsFinite3(p) || !(m_RayLength > 0.0) || !std::isfinite(m_RayLength))
        return SURF_UNKNOWN;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        double q[3];
        GenerateRandomRay(p, q, m_RayLength);
        const SURF_CLASSIFY r =
            CountCrossings(p, q, others, WalkMode::kPoint, nullptr, t_ClassifyLoops);
        if (r != SURF_UNKNOWN) return r;
    }
    return SURF_UNKNOWN;
}

// Only the regions between cut lines are flooded: SURF_ON marks a cut vertex alone and
// stops every flood. The walk keeps its vertices on the flood stack instead of the call
// stack, so a region of any size is flooded whole.
void G3BooleanCalculator::SetClassify(G3Vertex* v, SURF_CLASSIFY c) {
    G3BCVertexData* data = G3BCExDataProvider::DataOf(v);
    if (data == nullptr) return;
    data->classification = c;
    if (c != SURF_IN && c != SURF_OUT) return;
    // The thread's own stack: two operands may flood side by side.
    static thread_local std::vector<G3Vertex*> stack;
    const std::size_t base = stack.size();
    stack.push_back(v);
    while (stack.size() > base) {
        G3Vertex* u = stack.back();
        stack.pop_back();
        for (G3VertexEdgeIterator it(u); it.hasNext();) {
            G3Vertex* w = static_cast<G3Edge*>(it.next())->OtherVertex(u);
            G3BCVertexData* wd = G3BCExDataProvider::DataOf(w);
            if (wd == nullptr || wd->classification != SURF_UNKNOWN) continue;
            wd->classification = c;  // set on entry, so each vertex is stacked once
            stack.push_back(w);
        }
    }
}

// Rays drawn afresh for each operand, so that the two operands draw the same rays
// whether they classify one after the other or side by side.
void G3BooleanCalculator::ClassifyOperand(G3Surface* s, G3Surface* other) {
    G3BCLoopCache loops;
    G3BCLoopCache* const before = std::exchange(t_ClassifyLoops, &loops);
    ResetRandomRays();
    ClassifyVertices(s, other->GetFacetList());
    ClassifyFacets(s, other->GetFacetList());
    t_ClassifyLoops = before;
}

bool G3BooleanCalculator::ResolveUnknownFacets(G3Surface* a, G3Surface* b, bool forA, bool forB) {
    G3BCLoopCache loops;
    G3BCLoopCache* const before = std::exchange(t_ClassifyLoops, &loops);
    ResetRandomRays();
    const bool resolved = (!forA || ResolveUnknownFacets(a, b->GetFacetList())) &&
                          (!forB || ResolveUnknownFacets(b, a->GetFacetList()));
    t_ClassifyLoops = before;
    return resolved;
}

void G3BooleanCalculator::ClassifyVertices(G3Surface* s, GArrayCollection* others) {
    if (s == nullptr) return;
    GTrace::Message("Classify vertices");
    m_FloodDepth = 0;
    GArrayCollection* vertices = s->GetVertexList();
    const int n = vertices->size();
    if (m_Overlap == GCLIP_DISJOINT) {
        for (int k = 0; k < n; ++k) {
            G3BCVertexData* data = G3BCExDataProvider::DataOf(s->GetVertex(k));
            if (data != nullptr) data->classification = SURF_OUT;
        }
        return;
    }
    // Pass 1: whatever lies outside the common box is outside the other operand.
    for (int k = 0; k < n; ++k) {
        G3Vertex* v = s->GetVertex(k);
        if (ClassOf(v) != SURF_UNKNOWN || G3BCExDataProvider::DataOf(v) == nullptr) continue;
        if (!m_Common.IsIntersectXYZ(v->GetXYZ())) SetClassify(v, SURF_OUT);
    }
    // Pass 2: one ray test per region still open. A vertex no edge uses any more (a cut's
    // end made twice and welded away) decides no facet: it gets no ray, which on a large
    // other operand is a scan of all its facets.
    for (int k = 0; k < n; ++k) {
        G3Vertex* v = s->GetVertex(k);
        if (ClassOf(v) != SURF_UNKNOWN || !v->HasEdges() ||
            G3BCExDataProvider::DataOf(v) == nullptr)
            continue;
        const SURF_CLASSIFY c = ClassifyVertex(v->GetXYZ(), others);
        if (c != SURF_UNKNOWN) SetClassify(v, c);
    }
}

void G3BooleanCalculator::ClassifyFacets(G3Surface* s, GArrayCollection* others) {
    if (s == nullptr) return;
    for (int k = 0; k < s->GetFacetCount(); ++k) {
        G3Facet* f = s->GetFacet(k);
        G3BCFacetData* data = G3BCExDataProvider::DataOf(f);
        if (data != nullptr) data->classification = FindFacetClassify(s, f, others);
    }
}

SURF_CLASSIFY G3BooleanCalculator::ClassifyFacetPoint(double* p,
                                                      G3Facet* f,
                                                      G3Surface* s,
                                                      GArrayCollection* others) {
    const SURF_CLASSIFY c = ClassifyVertex(p, others);
    if (c != SURF_ON) return c;
    GTrace::Message("TestOnOpposite");
    return TestOnOppositeLists(p, f->GetPlane(), s != nullptr ? s->GetFacetList() : nullptr,
                               others);
}

SURF_CLASSIFY G3BooleanCalculator::FindFacetClassify(G3Surface* s,
                                                     G3Facet* f,
                                                     GArrayCollection* others) {
    if (f == nullptr) return SURF_UNKNOWN;
    int on = 0, out = 0, in = 0;
    bool unclassified = false;
    for (G3FacetVertexIterator it(f); it.hasNext() && !unclassified;) {
        switch (ClassOf(static_cast<G3Vertex*>(it.next()))) {
            case SURF_UNKNOWN:
                unclassified = true;
                break;
            case SURF_ON:
                ++on;
                break;
            case SURF_OUT:
                ++out;
                break;
            case SURF_IN:
                ++in;
                break;
            default:
                break;
        }
    }
    int i, j;
    f->GetMaxCoo(&i, &j);
    double point[3];
    if (!unclassified) {
        if (in == 0 && out > 0) return SURF_OUT;
        if (in > 0 && out == 0) return SURF_IN;
        if (in > 0 || on == 0) {
            // Both sides at once, or no vertex at all: the cut missed something.
            GTrace::Message("Bad facet classification1");
            if (f->GeneratePointInFacetConcave(i, j, point)) {
                const SURF_CLASSIFY c = ClassifyVertex(point, others);
                if (c != SURF_UNKNOWN) return c;
            }
            GTrace::Message("Bad facet classification2");
            return SURF_UNKNOWN;
        }
        // Every vertex on a cut line: a facet of the sliced body in the slicing plane
        // goes by the side its material lies on.
        const SURF_CLASSIFY c = SlicePlaneClassify(s, f);
        if (c != SURF_UNKNOWN) return c;
    }
    if (!f->GeneratePointInFacetConcave(i, j, point)) return SURF_UNKNOWN;
    return ClassifyFacetPoint(point, f, s, others);
}

// The slice plane (n, e) is kept with its normal pointing into the box being subtracted.
// In the working frame (about the local origin, 1000 times finer) a facet in it reads
// (n, −e′) when it faces the box, its material outside, or (−n, e′) when its material lies
// in the box. Only the sliced body's own facets are judged so; the box's are classified
// by rays, which drops its pieces lying on the body's faces.
SURF_CLASSIFY G3BooleanCalculator::SlicePlaneClassify(G3Surface* s, G3Facet* f) const {
    if (m_SlicePlane == nullptr || s == nullptr || s != m_A || f == nullptr) return SURF_UNKNOWN;
    const double* n = m_SlicePlane;
    const double e =
        1000.0 * (n[3] - (n[0] * m_Origin[0] + n[1] * m_Origin[1] + n[2] * m_Origin[2]));
    const double facing[4] = {n[0], n[1], n[2], -e};
    const double away[4] = {-n[0], -n[1], -n[2], e};
    if (f->PlaneEquals(facing)) return SURF_OUT;
    if (f->PlaneEquals(away)) return SURF_IN;
    return SURF_UNKNOWN;
}

SURF_CLASSIFY G3BooleanCalculator::TestOnOpposite(double* p, double* plane) {
    if (m_A == nullptr || m_B == nullptr) return SURF_UNKNOWN;
    return TestOnOppositeLists(p, plane, m_A->GetFacetList(), m_B->GetFacetList());
}

// The material of each surface just in front of the facet (on its normal's side) decides:
// the same answer from both means both materials lie on one side of the shared region.
SURF_CLASSIFY G3BooleanCalculator::TestOnOppositeLists(double* p,
                                                       double* plane,
                                                       GArrayCollection* own,
                                                       GArrayCollection* others) {
    if (p == nullptr || plane == nullptr || own == nullptr || others == nullptr)
        return SURF_UNKNOWN;
    if (!IsFinite3(p) || !(m_RayLength > 0.0) || !std::isfinite(m_RayLength)) return SURF_UNKNOWN;
    SURF_CLASSIFY rOwn = SURF_UNKNOWN, rOther = SURF_UNKNOWN;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        double q[3];
        if (!GenerateRandomRay(p, q, plane, 1, m_RayLength)) continue;
        if (rOwn == SURF_UNKNOWN)
            rOwn = CountCrossings(p, q, own, WalkMode::kRay, nullptr, t_ClassifyLoops);
        if (rOther == SURF_UNKNOWN)
            rOther = CountCrossings(p, q, others, WalkMode::kRay, nullptr, t_ClassifyLoops);
        if (rOwn != SURF_UNKNOWN && rOther != SURF_UNKNOWN)
            return rOwn == rOther ? SURF_ON_SAME : SURF_ON_OPPOSITE;
    }
    return SURF_UNKNOWN;
}

// Rays first, from up to eight other points inside each facet left unknown; then the
// neighbour rule over what is still unknown. Degenerate facets (slivers without an inside)
// are the usual ones left for the neighbours.
bool G3BooleanCalculator::ResolveUnknownFacets(G3Surface* s, GArrayCollection* others) {
    if (s == nullptr) return true;
    std::vector<G3Facet*> unknown;
    for (int k = 0; k < s->GetFacetCount(); ++k) {
        G3Facet* f = s->GetFacet(k);
        G3BCFacetData* data = G3BCExDataProvider::DataOf(f);
        if (data == nullptr || data->classification != SURF_UNKNOWN) continue;
        for (std::array<double, 3>& pt : FacetSamplePoints(f, 8)) {
            data->classification = ClassifyFacetPoint(pt.data(), f, s, others);
            if (data->classification != SURF_UNKNOWN) break;
        }
        if (data->classification == SURF_UNKNOWN) unknown.push_back(f);
    }
    auto classOf = [](const G3Facet* g) {
        const G3BCFacetData* d = g != nullptr ? G3BCExDataProvider::DataOf(g) : nullptr;
        return d != nullptr ? d->classification : SURF_UNKNOWN;
    };
    // A worklist reaches the same fixed point as repeated sweeps, in linear time.
    std::vector<G3Facet*> work(unknown.rbegin(), unknown.rend());
    while (!work.empty()) {
        G3Facet* f = work.back();
        work.pop_back();
        if (classOf(f) != SURF_UNKNOWN) continue;
        int verdict = SURF_UNKNOWN;
        for (G3FacetEdgeIterator it(f); it.hasNext() && verdict == SURF_UNKNOWN;) {
            const auto* e = static_cast<G3Edge*>(it.next());
            if (IsPossibleCutEdge(e)) continue;
            const int c = classOf(OtherFacet(e, f));
            if (c == SURF_IN || c == SURF_OUT) verdict = c;
        }
        if (verdict == SURF_UNKNOWN) continue;
        G3BCExDataProvider::DataOf(f)->classification = verdict;
        for (G3FacetEdgeIterator it(f); it.hasNext();) {
            const auto* e = static_cast<G3Edge*>(it.next());
            G3Facet* g = OtherFacet(e, f);
            if (g != nullptr && g != f && !IsPossibleCutEdge(e) && classOf(g) == SURF_UNKNOWN &&
                G3BCExDataProvider::DataOf(g) != nullptr)
                work.push_back(g);
        }
    }
    for (const G3Facet* f : unknown) {
        if (classOf(f) == SURF_UNKNOWN) return false;
    }
    return true;
}
