#include "polykern/boolean/G3LineSegmentIntersector.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "polykern/boolean/G3IntersectionPointLoader.h"
#include "polykern/boolean/G3Segment.h"
#include "polykern/boolean/G3SegmentPairFinder.h"
#include "polykern/foundation/GAssert.h"

namespace {

constexpr double kTolerance = 1e-6;
// Coordinates are bounded so that no line value, length or interpolation can overflow.
constexpr double kLargestCoordinate = 1e300;

bool IsUsableCoordinate(double x) {
    return std::isfinite(x) && std::fabs(x) <= kLargestCoordinate;
}

// Which side of a line a value puts a point: 0 within the tolerance, else the sign.
int Side(double value) {
    if (std::fabs(value) < kTolerance) return 0;
    return value >= 0 ? 1 : -1;
}

const G3Segment* SlotSegment(const void* slot) {
    return static_cast<const G3Segment*>(*static_cast<GObj* const*>(slot));
}

// Hands a copy of the point to the loader, which may write to it.
void Report(G3IntersectionPointLoader* loader,
            const double* point,
            const G3Segment* s,
            const G3Segment* t,
            double paramS,
            double paramT) {
    if (loader == nullptr) return;
    double copy[3] = {point[0], point[1], point[2]};
    loader->LoadPoint(copy, s->GetData(), t->GetData(), paramS, paramT);
}

// Crossings held back to be handed on in the order of their keys: the insertion rank of the
// new segment, then the leaf of the active one, then the order they were found in.
class PendingReports : public G3IntersectionPointLoader {
public:
    void LoadPoint(double* point, void* dataA, void* dataB, double paramA, double paramB) override {
        m_Reports.push_back({order.first,
                             order.second,
                             m_Reports.size(),
                             {point[0], point[1], point[2]},
                             dataA,
                             dataB,
                             paramA,
                             paramB});
    }

    void HandOn(G3IntersectionPointLoader* loader) {
        if (loader == nullptr) return;
        std::sort(m_Reports.begin(), m_Reports.end(), [](const Held& a, const Held& b) {
            if (a.rank != b.rank) return a.rank < b.rank;
            if (a.leaf != b.leaf) return a.leaf < b.leaf;
            return a.sequence < b.sequence;
        });
        for (const Held& h : m_Reports) {
            double copy[3] = {h.point[0], h.point[1], h.point[2]};
            loader->LoadPoint(copy, h.dataA, h.dataB, h.paramA, h.paramB);
        }
    }

    std::pair<int, int> order{0, 0};

private:
    struct Held {
        int rank, leaf;
        std::size_t sequence;
        double point[3];
        void *dataA, *dataB;
        double paramA, paramB;
    };
    std::vector<Held> m_Reports;
};

}  // namespace

// The active segments of a sweep, searchable by their range on axis i. Leaves are all the
// segments of the sweep in the order of their minimum on i; each tree node holds the largest
// maximum on i among the active leaves below it (-inf when there is none). A query walks
// only into nodes that can hold an overlapping segment, so it costs O((1 + m) log n) for m
// segments found; inserting and retiring cost O(log n).
struct G3LineSegmentIntersector::ActiveIndex {
    std::size_t base = 1;          // leaf count rounded up to a power of two
    std::vector<double> maxI;      // the tree: node k has children 2k and 2k + 1
    std::vector<double> leafMinI;  // minimum on i of each leaf, ascending
    std::vector<int> leafOf;       // sweep index -> leaf
    std::vector<int> sweepOf;      // leaf -> sweep index
    std::vector<int> byEnd;        // sweep indices in the order of their end on j
    int retired = 0;               // entries of byEnd already retired
    std::vector<int> found;        // result of the last query, sweep indices

    // Rebuilds the index over the sorted segments, with none active.
    void Build(const GArrayCollection& segments, int i, int j) {
        const int n = segments.size();
        auto at = [&segments](int k) { return static_cast<const G3Segment*>(segments.get(k)); };
        // Exact keys with the sweep index as tie-break: a true ordering.
        sweepOf.resize(n);
        for (int k = 0; k < n; ++k) sweepOf[k] = k;
        std::sort(sweepOf.begin(), sweepOf.end(), [&](int a, int b) {
            const double ka = at(a)->GetMinimum(i), kb = at(b)->GetMinimum(i);
            return ka < kb || (ka == kb && a < b);
        });
        leafOf.resize(n);
        leafMinI.resize(n);
        for (int leaf = 0; leaf < n; ++leaf) {
            leafOf[sweepOf[leaf]] = leaf;
            leafMinI[leaf] = at(sweepOf[leaf])->GetMinimum(i);
        }
        byEnd.resize(n);
        for (int k = 0; k < n; ++k) byEnd[k] = k;
        std::sort(byEnd.begin(), byEnd.end(), [&](int a, int b) {
            const double ka = at(a)->GetEnd()[j], kb = at(b)->GetEnd()[j];
            return ka < kb || (ka == kb && a < b);
        });
        retired = 0;
        base = 1;
        while (base < static_cast<std::size_t>(n)) base *= 2;
        maxI.assign(2 * base, -std::numeric_limits<double>::infinity());
    }

    // Sets the value of one segment's leaf: its maximum on i, or -inf to retire it.
    void Set(int sweepIndex, double value) {
        std::size_t k = base + static_cast<std::size_t>(leafOf[sweepIndex]);
        maxI[k] = value;
        for (k /= 2; k >= 1; k /= 2) maxI[k] = std::max(maxI[2 * k], maxI[2 * k + 1]);
    }

    // Fills `found` with the active segments whose minimum on i is at most `hi` and whose
    // maximum is at least `lo`, in the order of their minimum.
    void Query(double lo, double hi) {
        found.clear();
        const auto limit = static_cast<std::size_t>(
            std::upper_bound(leafMinI.begin(), leafMinI.end(), hi) - leafMinI.begin());
        if (limit > 0) Collect(1, 0, base, limit, lo);
    }

    void Collect(
        std::size_t node, std::size_t first, std::size_t width, std::size_t limit, double lo) {
        if (first >= limit || !(maxI[node] >= lo)) return;
        if (width == 1) {
            found.push_back(sweepOf[first]);
            return;
        }
        const std::size_t half = width / 2;
        Collect(2 * node, first, half, limit, lo);
        Collect(2 * node + 1, first + half, half, limit, lo);
    }
};

G3LineSegmentIntersector::G3LineSegmentIntersector(int i, int j) {
    if (i < 0 || i > 2 || j < 0 || j > 2 || i == j) return;  // inert: keeps no segment
    m_I = i;
    m_J = j;
    m_K = 3 - i - j;
}

G3LineSegmentIntersector::~G3LineSegmentIntersector() {
    delete m_Active;
    // The segments live in m_Allocator and go with it; they own nothing.
}

bool G3LineSegmentIntersector::AddSegment(const double* p, const double* q, void* data) {
    if (m_I < 0 || p == nullptr || q == nullptr) return false;
    for (int k = 0; k < 3; ++k) {
        if (!IsUsableCoordinate(p[k]) || !IsUsableCoordinate(q[k])) return false;
    }
    const double length = std::hypot(q[m_I] - p[m_I], q[m_J] - p[m_J]);
    if (!(length > kTolerance)) return false;
    m_Segments.add(new (&m_Allocator) G3Segment(p, q, data, m_I, m_J));
    return true;
}

void G3LineSegmentIntersector::FindIntersections(G3IntersectionPointLoader* loader) {
    if (loader == nullptr) return;
    Sweep(loader);
}

bool G3LineSegmentIntersector::IntersectionExists() {
    return Sweep(nullptr);
}

bool G3LineSegmentIntersector::HasIndex() const {
    return m_Active != nullptr &&
           m_Active->leafOf.size() == static_cast<std::size_t>(GetSegmentCount());
}

G3Segment* G3LineSegmentIntersector::SegmentAt(int n) const {
    return static_cast<G3Segment*>(m_Segments.get(n));
}

int G3LineSegmentIntersector::ScanCmp(const void* slotA, const void* slotB, const void* context) {
    const int j = context != nullptr ? *static_cast<const int*>(context) : -1;
    if (j < 0 || j > 2) return 0;
    const double a = SlotSegment(slotA)->GetStart()[j];
    const double b = SlotSegment(slotB)->GetStart()[j];
    return a < b ? -1 : (a > b ? 1 : 0);
}

// The sweep. Segments enter in the order of their start on j, in batches of starts within
// 1e-6 of each other, and each is tested against the active segments whose i-range meets its
// own; a segment is retired once the sweep has passed its end by 1e-6. Testing every such
// pair costs as much as the boxes overlap, which dense, long segments make quadratic. So the
// pairs come from ordered sweeps instead (G3SegmentPairFinder), which yield every pair that
// can report; each is put to the same tests the box sweep makes (which of the two it
// inserts, whether the other is still active and in reach), and the crossings are handed on
// in the order the box sweep reports them: by insertion of the new segment, then by the
// active segment's minimum on i.
// With a null loader the sweep stops at the first crossing.
bool G3LineSegmentIntersector::Sweep(G3IntersectionPointLoader* loader) {
    if (m_Segments.isEmpty()) return false;
    m_Segments.qsortex(&ScanCmp, &m_J);
    if (m_Active == nullptr) m_Active = new ActiveIndex;
    m_Active->Build(m_Segments, m_I, m_J);
    const int n = m_Segments.size();

    // Batches, their positions, and the rank at which each segment is inserted.
    std::vector<int> batchOf(static_cast<std::size_t>(n)), rank(static_cast<std::size_t>(n));
    std::vector<double> batchPosition;
    m_Next = 0;
    int inserted = 0;
    while (GetNextInsertionPoint()) {
        batchPosition.push_back(m_Position);
        for (int b = m_Next - 1; b >= m_BatchBegin; --b) {
            batchOf[b] = static_cast<int>(batchPosition.size()) - 1;
            rank[b] = inserted++;
        }
        m_BatchBegin = m_Next;
    }

    std::vector<const G3Segment*> segments(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) segments[k] = SegmentAt(k);
    PendingReports pending;
    bool found = false;
    for (auto [u, v] : G3SegmentPairFinder::Find(segments, m_I, m_J)) {
        const int s = rank[u] > rank[v] ? u : v;  // the later inserted
        const int t = s == u ? v : u;
        if (batchOf[t] < batchOf[s] &&
            SegmentAt(t)->GetEnd()[m_J] <= batchPosition[batchOf[s] - 1] - kTolerance)
            continue;  // retired before s came
        const G3Segment* a = SegmentAt(s);
        const G3Segment* b = SegmentAt(t);
        if (!(b->GetMinimum(m_I) <= a->GetMaximum(m_I) + kTolerance &&
              b->GetMaximum(m_I) >= a->GetMinimum(m_I) - kTolerance))
            continue;
        if (loader == nullptr) {
            if (TestPair(nullptr, a, b) > 0) {
                found = true;
                break;
            }
            continue;
        }
        pending.order = {rank[s], m_Active->leafOf[t]};
        found = TestPair(&pending, a, b) > 0 || found;
    }
    pending.HandOn(loader);
    m_Position = batchPosition.empty() ? 0.0 : batchPosition.back();
    return found;
}

bool G3LineSegmentIntersector::GetNextInsertionPoint() {
    const int n = m_Segments.size();
    if (m_Next >= n) return false;
    m_BatchBegin = m_Next;
    m_Position = SegmentAt(m_Next)->GetStart()[m_J];
    const double limit = m_Position + kTolerance;
    while (m_Next < n && SegmentAt(m_Next)->GetStart()[m_J] <= limit) ++m_Next;
    return true;
}

void G3LineSegmentIntersector::RemoveOldSegments() {
    if (!HasIndex()) return;
    ActiveIndex& index = *m_Active;
    const int n = m_Segments.size();
    const double limit = m_Position - kTolerance;
    while (index.retired < n && SegmentAt(index.byEnd[index.retired])->GetEnd()[m_J] <= limit) {
        const int k = index.byEnd[index.retired];
        // Its start lies below the sweep position, so it has been inserted.
        PK_ASSERT(k < m_Next);
        index.Set(k, -std::numeric_limits<double>::infinity());
        ++index.retired;
    }
}

bool G3LineSegmentIntersector::FindIntersectionsInBatch(G3IntersectionPointLoader* loader) {
    if (!HasIndex()) return false;
    bool found = false;
    for (int b = m_Next - 1; b >= m_BatchBegin; --b) {
        G3Segment* s = SegmentAt(b);
        if (FindIntersection(loader, s) > 0) {
            found = true;
            if (loader == nullptr) return true;
        }
        m_Active->Set(b, s->GetMaximum(m_I));
    }
    m_BatchBegin = m_Next;
    return found;
}

int G3LineSegmentIntersector::FindIntersection(G3IntersectionPointLoader* loader, G3Segment* s) {
    if (s == nullptr || !HasIndex()) return 0;
    ActiveIndex& index = *m_Active;
    index.Query(s->GetMinimum(m_I) - kTolerance, s->GetMaximum(m_I) + kTolerance);
    int count = 0;
    for (int t : index.found) {
        count += TestPair(loader, s, SegmentAt(t));
        if (loader == nullptr && count > 0) break;
    }
    return count;
}

// Tests the new segment s against the active segment t and reports what it finds. ta, tb
// are t's ends measured against s's line, sa, sb s's ends against t's line. An end within
// 1e-6 of the other line and strictly inside the other segment is a touch, reported at that
// end; otherwise the ends must lie strictly on both sides of both lines. Ends meeting ends
// report nothing, and collinear overlaps report only the ends inside the other segment.
int G3LineSegmentIntersector::TestPair(G3IntersectionPointLoader* loader,
                                       const G3Segment* s,
                                       const G3Segment* t) const {
    const double ta = s->LineValue(t->GetStart(), m_I, m_J);
    const double tb = s->LineValue(t->GetEnd(), m_I, m_J);
    const int sideTa = Side(ta), sideTb = Side(tb);
    if (sideTa != 0 && sideTa == sideTb) return 0;
    const double sa = t->LineValue(s->GetStart(), m_I, m_J);
    const double sb = t->LineValue(s->GetEnd(), m_I, m_J);
    const int sideSa = Side(sa), sideSb = Side(sb);
    if (sideSa != 0 && sideSa == sideSb) return 0;

    // A touching end is reported at itself, with its position along the other segment taken
    // on that segment's dominant axis from its start: near-parallel lines can cross far from
    // the touch, so the lines' crossing would give a wrong parameter.
    int count = 0;
    if (sideSa == 0 && t->IsStrictlyInside(s->GetStart())) {
        Report(loader, s->GetStart(), s, t, 0.0, t->GetParameter(s->GetStart()));
        ++count;
    }
    if (sideSb == 0 && t->IsStrictlyInside(s->GetEnd())) {
        Report(loader, s->GetEnd(), s, t, 1.0, t->GetParameter(s->GetEnd()));
        ++count;
    }
    if (sideTa == 0 && s->IsStrictlyInside(t->GetStart())) {
        Report(loader, t->GetStart(), s, t, s->GetParameter(t->GetStart()), 0.0);
        ++count;
    }
    if (sideTb == 0 && s->IsStrictlyInside(t->GetEnd())) {
        Report(loader, t->GetEnd(), s, t, s->GetParameter(t->GetEnd()), 1.0);
        ++count;
    }
    if (sideTa != 0 && sideTa == -sideTb && sideSa != 0 && sideSa == -sideSb) {
        // Both sides are strict, so |sa − sb| and |ta − tb| are at least 2e-6.
        const double v = std::fabs(sa / (sa - sb));
        const double u = std::fabs(ta / (ta - tb));
        const double* from = s->GetStart();
        const double* to = s->GetEnd();
        const double point[3] = {from[0] + v * (to[0] - from[0]), from[1] + v * (to[1] - from[1]),
                                 from[2] + v * (to[2] - from[2])};
        Report(loader, point, s, t, v, u);
        ++count;
    }
    return count;
}
