// The Delaunay construction: divide and conquer with alternating cuts over a triangle mesh
// whose hull is wrapped in ghost triangles (triangles without an apex), so that each half's
// hull can be walked while the halves are merged.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "polykern/foundation/GTrace.h"
#include "polykern/triangulation/G3TMesh.h"
#include "polykern/triangulation/G3TMeshHandles.h"

using pktri::kOutside;
using pktri::Lnext;
using pktri::Lprev;
using pktri::Point;

namespace {

constexpr double kEps = G3TReal::kEps;
// Runs this short are sorted by u and cut vertically all the way down.
constexpr int kSortedRun = 64;

constexpr const char* kProgressStage = "triangulating points";

// The first sort's order, exact: (u, v, the order added). Equal points are told apart by
// the order they were added, so the first added is the one kept.
struct ExactLessU {
    bool operator()(const Point& a, const Point& b) const {
        if (a.u != b.u) return a.u < b.u;
        if (a.v != b.v) return a.v < b.v;
        return a.vertex < b.vertex;
    }
};

// The keys a cut orders a point by, where its u or v lies in a chain of values closer
// than the tolerance without all being equal: the chain's least value.
struct TieKeys {
    double u;
    double v;
};

// The cuts' orders: true orderings that agree with the tolerant predicates. Values of one
// chain (see TieKeys) count as one, and points of one u chain are ordered by v, as on a
// vertical line (the same for v chains and u). An exact order by u would put a point
// 5e-9 to the right but far below on the other side of a cut, and the merge, which sees
// the two on one vertical line, would lose its way. Ties are rare, so the table is read
// only for the points that have one.
struct LessU {
    const TieKeys* ties;
    bool operator()(const Point& a, const Point& b) const {
        const double ka = a.tie != 0 ? ties[a.tie].u : a.u;
        const double kb = b.tie != 0 ? ties[b.tie].u : b.u;
        if (ka != kb) return ka < kb;
        if (a.v != b.v) return a.v < b.v;
        if (a.u != b.u) return a.u < b.u;
        return a.vertex < b.vertex;
    }
};

struct LessV {
    const TieKeys* ties;
    bool operator()(const Point& a, const Point& b) const {
        const double ka = a.tie != 0 ? ties[a.tie].v : a.v;
        const double kb = b.tie != 0 ? ties[b.tie].v : b.v;
        if (ka != kb) return ka < kb;
        if (a.u != b.u) return a.u < b.u;
        if (a.v != b.v) return a.v < b.v;
        return a.vertex < b.vertex;
    }
};

// Splits a[0..n) by the axis's order into a lower and an upper part, each of at least two
// points, and returns the size of the lower part. Any split by the order separates the two
// halves' hulls, so large runs are cut at the median of a sample with one partition pass
// instead of an exact selection; small runs at their exact median.
template <class Less>
int SplitBy(Point* a, int n, Less less) {
    constexpr int kSamples = 65;
    if (n >= 1024) {
        Point sample[kSamples];
        for (int k = 0; k < kSamples; ++k)
            sample[k] = a[static_cast<int64_t>(k) * (n - 1) / (kSamples - 1)];
        std::nth_element(sample, sample + kSamples / 2, sample + kSamples, less);
        const Point pivot = sample[kSamples / 2];
        Point* mid = std::partition(a, a + n, [&](const Point& p) { return less(p, pivot); });
        const int lower = static_cast<int>(mid - a);
        if (lower >= 2 && n - lower >= 2) return lower;
    }
    std::nth_element(a, a + n / 2, a + n, less);
    return n / 2;
}

// Writes item(0 … n−1) to out sorted by `less`, where key(item) never decreases along the
// order. Large sets are bucketed by key first, so that each bucket is sorted alone: linear
// for the evenly spread values surveys give, and never worse than sorting the buckets
// whole.
template <class Item, class ItemAt, class KeyOf, class Less>
void BucketSort(std::size_t n, ItemAt item, KeyOf key, Less less, std::vector<Item>& out) {
    out.resize(n);
    double lo = 0.0, hi = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double k = key(item(i));
        lo = i == 0 ? k : std::min(lo, k);
        hi = i == 0 ? k : std::max(hi, k);
    }
    const std::size_t buckets = n / 2;
    const double scale = hi > lo ? static_cast<double>(buckets) / (hi - lo) : 0.0;
    if (n < 4096 || !(scale > 0.0) || !std::isfinite(scale)) {
        for (std::size_t i = 0; i < n; ++i) out[i] = item(i);
        std::sort(out.begin(), out.end(), less);
        return;
    }
    const auto bucketOf = [&](double k) {
        return std::min(static_cast<std::size_t>((k - lo) * scale), buckets - 1);
    };
    std::vector<int32_t> start(buckets + 1, 0);
    for (std::size_t i = 0; i < n; ++i) ++start[bucketOf(key(item(i))) + 1];
    for (std::size_t b = 0; b < buckets; ++b) start[b + 1] += start[b];
    for (std::size_t i = 0; i < n; ++i) {
        const Item x = item(i);
        out[static_cast<std::size_t>(start[bucketOf(key(x))]++)] = x;
    }
    // start[b] is now where bucket b + 1 begins.
    std::size_t begin = 0;
    for (std::size_t b = 0; b < buckets; ++b) {
        const std::size_t end = static_cast<std::size_t>(start[b]);
        Item* first = out.data() + begin;
        Item* last = out.data() + end;
        if (end - begin > 16) {
            std::sort(first, last, less);
        } else {
            for (Item* p = first + 1; p < last; ++p) {  // insertion sort
                const Item x = *p;
                Item* q = p;
                for (; q > first && less(x, q[-1]); --q) *q = q[-1];
                *q = x;
            }
        }
        begin = end;
    }
}

}  // namespace

class G3TDelaunayBuilder {
public:
    explicit G3TDelaunayBuilder(G3TMesh& mesh)
        : m_Mesh(mesh), m_Tri(mesh.m_Triangles, mesh.m_SideEdges), m_P(mesh.m_Points) {}

    bool Build();

private:
    void SortAndDropDuplicates();
    void RankCoordinates();
    void Recurse(int lo, int n, int axis, bool sorted, uint32_t* farLeft, uint32_t* farRight);
    void Merge(
        uint32_t* farLeft, uint32_t* innerLeft, uint32_t* innerRight, uint32_t* farRight, int axis);
    template <bool kLeft>
    void DeleteSide(int32_t lowerLeft, int32_t lowerRight, uint32_t* cand, int32_t* upper);
    void RemoveGhosts(uint32_t start);
    bool Covers() const;

    G3TReal Orient(int32_t a, int32_t b, int32_t c) const {
        return pktri::Orient(m_P[a], m_P[b], m_P[c]);
    }
    G3TReal InCircle(int32_t a, int32_t b, int32_t c, int32_t d) const {
        return pktri::InCircle(m_P[a], m_P[b], m_P[c], m_P[d]);
    }
    G3TReal U(int32_t a) const { return m_P[a].u; }
    G3TReal V(int32_t a) const { return m_P[a].v; }
    // Counts a step of a merge loop; false once the input has defeated the predicates.
    bool Step() { return --m_Budget > 0 || (m_Failed = true, false); }

    G3TMesh& m_Mesh;
    pktri::Triangles m_Tri;
    std::vector<Point>& m_P;
    std::vector<int32_t> m_Twin;  // a dropped vertex -> the kept vertex it coincides with
    std::vector<TieKeys> m_Ties;  // [0] unused
    int64_t m_Budget = 0;
    double m_HullArea = 0.0;
    bool m_Failed = false;
    int m_Grain = -1;        // the size of a progress block; below zero, no report
    std::size_t m_Done = 0;  // points of the blocks built so far
};

// Sorts the points by u, then drops every point within the tolerance of one already kept
// (in both u and v), not only of the previous one: the kept points whose u lies within the
// tolerance are searched run by run of equal u, each run sorted by v.
void G3TDelaunayBuilder::SortAndDropDuplicates() {
    const int n = m_Mesh.GetVertexCount();
    const G3TVertexBlocks& vertices = m_Mesh.m_Vertices;
    BucketSort(
        vertices.size(),
        [&vertices](std::size_t i) {
            return Point{vertices[i].u.Value(), vertices[i].v.Value(), static_cast<int32_t>(i), 0};
        },
        [](const Point& p) { return p.u; }, ExactLessU(), m_P);

    std::vector<int32_t> representative(static_cast<std::size_t>(n), -1);
    std::vector<int32_t> runStart;
    runStart.reserve(m_P.size());
    int kept = 0;
    for (int i = 0; i < n; ++i) {
        const Point p = m_P[i];
        int32_t twin = -1;
        for (int j = kept - 1; j >= 0 && m_P[j].u > p.u - kEps;) {
            const int s = runStart[j];
            int lo = s, hi = j + 1;  // the first of the run with v above p.v − eps
            while (lo < hi) {
                const int mid = (lo + hi) / 2;
                if (m_P[mid].v > p.v - kEps)
                    hi = mid;
                else
                    lo = mid + 1;
            }
            if (lo <= j && m_P[lo].v < p.v + kEps) {
                twin = lo;
                break;
            }
            j = s - 1;
        }
        if (twin >= 0) {
            representative[p.vertex] = m_P[twin].vertex;
            continue;
        }
        runStart.push_back(kept > 0 && m_P[kept - 1].u == p.u ? runStart[kept - 1] : kept);
        m_P[kept++] = p;
    }
    m_P.resize(static_cast<std::size_t>(kept));
    m_Twin.swap(representative);
    RankCoordinates();
}

// Finds the chains of u values, and of v values, closer than the tolerance without all
// being equal, and gives their points tie keys; the points, sorted by exact u, are then
// put in LessU's order, which only reorders the points of one u chain. Equal values need
// no key: the exact order already sorts them by the other coordinate.
void G3TDelaunayBuilder::RankCoordinates() {
    const std::size_t n = m_P.size();
    m_Ties.assign(1, TieKeys{0.0, 0.0});
    const auto tieOf = [this](Point& p) -> TieKeys& {
        if (p.tie == 0) {
            p.tie = static_cast<int32_t>(m_Ties.size());
            m_Ties.push_back({p.u, p.v});
        }
        return m_Ties[static_cast<std::size_t>(p.tie)];
    };
    std::vector<std::size_t> chains;  // u chains to reorder: begin, end
    for (std::size_t i = 0; i + 1 < n;) {
        std::size_t j = i + 1;
        while (j < n && m_P[j].u - m_P[j - 1].u < kEps) ++j;
        if (m_P[j - 1].u != m_P[i].u) {
            for (std::size_t k = i; k < j; ++k) tieOf(m_P[k]).u = m_P[i].u;
            chains.push_back(i);
            chains.push_back(j);
        }
        i = j;
    }
    std::vector<double> values;
    BucketSort(
        n, [this](std::size_t i) { return m_P[i].v; }, [](double v) { return v; },
        std::less<double>(), values);
    std::vector<std::pair<double, double>> vChains;  // least and greatest value
    for (std::size_t i = 0; i + 1 < n;) {
        std::size_t j = i + 1;
        while (j < n && values[j] - values[j - 1] < kEps) ++j;
        if (values[j - 1] != values[i]) vChains.emplace_back(values[i], values[j - 1]);
        i = j;
    }
    if (!vChains.empty()) {
        for (Point& p : m_P) {
            auto it = std::upper_bound(vChains.begin(), vChains.end(), p.v,
                                       [](double v, const auto& c) { return v < c.first; });
            if (it == vChains.begin()) continue;
            --it;
            if (p.v <= it->second) tieOf(p).v = it->first;
        }
    }
    for (std::size_t c = 0; c < chains.size(); c += 2)
        std::sort(m_P.begin() + chains[c], m_P.begin() + chains[c + 1], LessU{m_Ties.data()});
}

void G3TDelaunayBuilder::Recurse(
    int lo, int n, int axis, bool sorted, uint32_t* farLeft, uint32_t* farRight) {
    if (m_Failed) return;
    if (n <= m_Grain) {
        // A block of the progress report: its points count as done once it is built.
        const int grain = m_Grain;
        m_Grain = 0;
        Recurse(lo, n, axis, sorted, farLeft, farRight);
        m_Grain = grain;
        m_Done += n;
        if (m_Done < m_P.size()) {
            GTrace::Progress(kProgressStage, static_cast<long long>(m_Done),
                             static_cast<long long>(m_P.size()));
        }
        return;
    }
    auto& t = m_Tri;
    // Small runs are sorted by u once and cut vertically from then on: cheaper than a
    // selection at every level, and the halves stay separated all the same.
    if (!sorted && n <= kSortedRun) {
        std::sort(m_P.begin() + lo, m_P.begin() + lo + n, LessU{m_Ties.data()});
        sorted = true;
    }
    if (sorted) axis = 0;
    if (n == 2) {
        // Two points: an edge, wrapped in two ghost triangles bonded along all sides.
        uint32_t l = m_Tri.Make(), r = m_Tri.Make();
        t.SetOrg(l, lo);
        t.SetDest(l, lo + 1);
        t.SetOrg(r, lo + 1);
        t.SetDest(r, lo);
        t.Bond(l, r);
        l = Lprev(l);
        r = Lnext(r);
        t.Bond(l, r);
        l = Lprev(l);
        r = Lnext(r);
        t.Bond(l, r);
        *farLeft = Lprev(r);  // its origin is the first point
        *farRight = r;
        return;
    }
    if (n == 3) {
        uint32_t mid = m_Tri.Make(), t1 = m_Tri.Make(), t2 = m_Tri.Make(), t3 = m_Tri.Make();
        const G3TReal area = Orient(lo, lo + 1, lo + 2);
        if (area == 0.0) {
            // Collinear: two edges, wrapped in four ghost triangles.
            t.SetOrg(mid, lo);
            t.SetDest(mid, lo + 1);
            t.SetOrg(t1, lo + 1);
            t.SetDest(t1, lo);
            t.SetOrg(t2, lo + 2);
            t.SetDest(t2, lo + 1);
            t.SetOrg(t3, lo + 1);
            t.SetDest(t3, lo + 2);
            t.Bond(mid, t1);
            t.Bond(t2, t3);
            mid = Lnext(mid);
            t1 = Lprev(t1);
            t2 = Lnext(t2);
            t3 = Lprev(t3);
            t.Bond(mid, t3);
            t.Bond(t1, t2);
            mid = Lnext(mid);
            t1 = Lprev(t1);
            t2 = Lnext(t2);
            t3 = Lprev(t3);
            t.Bond(mid, t1);
            t.Bond(t2, t3);
            *farLeft = t1;
            *farRight = t2;
            return;
        }
        // One real triangle and three ghosts around it.
        t.SetOrg(mid, lo);
        t.SetDest(t1, lo);
        t.SetOrg(t3, lo);
        const int32_t second = area > 0.0 ? lo + 1 : lo + 2;
        const int32_t third = area > 0.0 ? lo + 2 : lo + 1;
        t.SetDest(mid, second);
        t.SetOrg(t1, second);
        t.SetDest(t2, second);
        t.SetApex(mid, third);
        t.SetOrg(t2, third);
        t.SetDest(t3, third);
        t.Bond(mid, t1);
        mid = Lnext(mid);
        t.Bond(mid, t2);
        mid = Lnext(mid);
        t.Bond(mid, t3);
        t1 = Lprev(t1);
        t2 = Lnext(t2);
        t.Bond(t1, t2);
        t1 = Lprev(t1);
        t3 = Lprev(t3);
        t.Bond(t1, t3);
        t2 = Lnext(t2);
        t3 = Lprev(t3);
        t.Bond(t2, t3);
        *farLeft = t1;
        *farRight = area > 0.0 ? t2 : Lnext(*farLeft);
        return;
    }
    // Alternating cuts: split by this level's axis, each half by the other.
    Point* a = m_P.data() + lo;
    const int divider = sorted      ? n / 2
                        : axis == 0 ? SplitBy(a, n, LessU{m_Ties.data()})
                                    : SplitBy(a, n, LessV{m_Ties.data()});
    uint32_t innerLeft = 0, innerRight = 0;
    Recurse(lo, divider, 1 - axis, sorted, farLeft, &innerLeft);
    Recurse(lo + divider, n - divider, 1 - axis, sorted, &innerRight, farRight);
    if (!m_Failed) Merge(farLeft, &innerLeft, &innerRight, farRight, axis);
}

// Joins two triangulations whose hulls the handles walk: finds the lower common tangent,
// then zips upwards, each step adding the edge the circle test prefers and deleting edges
// of either side that stop being Delaunay. After a horizontal cut (axis 1) the extreme
// handles are moved to the lowest points first and back to the leftmost and rightmost
// points at the end.
void G3TDelaunayBuilder::Merge(
    uint32_t* farLeft, uint32_t* innerLeft, uint32_t* innerRight, uint32_t* farRight, int axis) {
    auto& t = m_Tri;
    int32_t innerLeftDest = t.Dest(*innerLeft);
    int32_t innerLeftApex = t.Apex(*innerLeft);
    int32_t innerRightOrg = t.Org(*innerRight);
    int32_t innerRightApex = t.Apex(*innerRight);
    if (axis == 1) {
        int32_t farLeftPt = t.Org(*farLeft);
        int32_t farLeftApex = t.Apex(*farLeft);
        int32_t farRightPt = t.Dest(*farRight);
        while (V(farLeftApex) < V(farLeftPt) && Step()) {
            *farLeft = t.Sym(Lnext(*farLeft));
            farLeftPt = farLeftApex;
            farLeftApex = t.Apex(*farLeft);
        }
        uint32_t check = t.Sym(*innerLeft);
        int32_t checkVertex = t.Apex(check);
        while (V(checkVertex) > V(innerLeftDest) && Step()) {
            *innerLeft = Lnext(check);
            innerLeftApex = innerLeftDest;
            innerLeftDest = checkVertex;
            check = t.Sym(*innerLeft);
            checkVertex = t.Apex(check);
        }
        while (V(innerRightApex) < V(innerRightOrg) && Step()) {
            *innerRight = t.Sym(Lnext(*innerRight));
            innerRightOrg = innerRightApex;
            innerRightApex = t.Apex(*innerRight);
        }
        check = t.Sym(*farRight);
        checkVertex = t.Apex(check);
        while (V(checkVertex) > V(farRightPt) && Step()) {
            *farRight = Lnext(check);
            farRightPt = checkVertex;
            check = t.Sym(*farRight);
            checkVertex = t.Apex(check);
        }
    }
    // The lower common tangent.
    bool moved = true;
    while (moved && Step()) {
        moved = false;
        if (Orient(innerLeftDest, innerLeftApex, innerRightOrg) > 0.0) {
            *innerLeft = t.Sym(Lprev(*innerLeft));
            innerLeftDest = innerLeftApex;
            innerLeftApex = t.Apex(*innerLeft);
            moved = true;
        }
        if (Orient(innerRightApex, innerRightOrg, innerLeftDest) > 0.0) {
            *innerRight = t.Sym(Lnext(*innerRight));
            innerRightOrg = innerRightApex;
            innerRightApex = t.Apex(*innerRight);
            moved = true;
        }
    }
    if (m_Failed) return;
    uint32_t leftCand = t.Sym(*innerLeft);
    uint32_t rightCand = t.Sym(*innerRight);
    // The bottom ghost, bonded into both hulls.
    uint32_t base = m_Tri.Make();
    t.Bond(base, *innerLeft);
    base = Lnext(base);
    t.Bond(base, *innerRight);
    base = Lnext(base);
    t.SetOrg(base, innerRightOrg);
    t.SetDest(base, innerLeftDest);
    if (innerLeftDest == t.Org(*farLeft)) *farLeft = Lnext(base);
    if (innerRightOrg == t.Dest(*farRight)) *farRight = Lprev(base);

    int32_t lowerLeft = innerLeftDest, lowerRight = innerRightOrg;
    int32_t upperLeft = t.Apex(leftCand), upperRight = t.Apex(rightCand);
    while (Step()) {
        const bool leftFinished = Orient(upperLeft, lowerLeft, lowerRight) <= 0.0;
        const bool rightFinished = Orient(upperRight, lowerLeft, lowerRight) <= 0.0;
        if (leftFinished && rightFinished) {
            // The top ghost closes the hull.
            uint32_t top = m_Tri.Make();
            t.SetOrg(top, lowerLeft);
            t.SetDest(top, lowerRight);
            t.Bond(top, base);
            top = Lnext(top);
            t.Bond(top, rightCand);
            top = Lnext(top);
            t.Bond(top, leftCand);
            if (axis == 1) {
                int32_t farLeftPt = t.Org(*farLeft);
                int32_t farRightPt = t.Dest(*farRight);
                int32_t farRightApex = t.Apex(*farRight);
                uint32_t check = t.Sym(*farLeft);
                int32_t checkVertex = t.Apex(check);
                while (U(checkVertex) < U(farLeftPt) && Step()) {
                    *farLeft = Lprev(check);
                    farLeftPt = checkVertex;
                    check = t.Sym(*farLeft);
                    checkVertex = t.Apex(check);
                }
                while (U(farRightApex) > U(farRightPt) && Step()) {
                    *farRight = t.Sym(Lprev(*farRight));
                    farRightPt = farRightApex;
                    farRightApex = t.Apex(*farRight);
                }
            }
            return;
        }
        if (!leftFinished) DeleteSide<true>(lowerLeft, lowerRight, &leftCand, &upperLeft);
        if (!rightFinished) DeleteSide<false>(lowerLeft, lowerRight, &rightCand, &upperRight);
        if (leftFinished ||
            (!rightFinished && InCircle(upperLeft, lowerLeft, lowerRight, upperRight) > 0.0)) {
            // Connect lowerLeft to upperRight.
            t.Bond(base, rightCand);
            base = Lprev(rightCand);
            t.SetDest(base, lowerLeft);
            lowerRight = upperRight;
            rightCand = t.Sym(base);
            upperRight = t.Apex(rightCand);
        } else {
            // Connect upperLeft to lowerRight.
            t.Bond(base, leftCand);
            base = Lnext(leftCand);
            t.SetOrg(base, lowerRight);
            lowerLeft = upperLeft;
            leftCand = t.Sym(base);
            upperLeft = t.Apex(leftCand);
        }
    }
}

// Deletes the edges of one half, next to the base, whose triangles the new base would put
// a point inside: each deletion re-links the two triangles (the half gains a hull triangle)
// and exposes the next candidate. The right half is the mirror image of the left: the
// turns and the ends of the edges swap.
template <bool kLeft>
void G3TDelaunayBuilder::DeleteSide(int32_t lowerLeft,
                                    int32_t lowerRight,
                                    uint32_t* cand,
                                    int32_t* upper) {
    auto& t = m_Tri;
    const auto forth = [](uint32_t h) { return kLeft ? Lnext(h) : Lprev(h); };
    const auto back = [](uint32_t h) { return kLeft ? Lprev(h) : Lnext(h); };
    const auto setNear = [&t](uint32_t h, int32_t v) { kLeft ? t.SetOrg(h, v) : t.SetDest(h, v); };
    const auto setFar = [&t](uint32_t h, int32_t v) { kLeft ? t.SetDest(h, v) : t.SetOrg(h, v); };
    const int32_t base = kLeft ? lowerLeft : lowerRight;
    uint32_t next = t.Sym(back(*cand));
    int32_t nextApex = t.Apex(next);
    bool bad = nextApex >= 0 && InCircle(lowerLeft, lowerRight, *upper, nextApex) > 0.0;
    while (bad && Step()) {
        next = forth(next);
        const uint32_t topCasing = t.Sym(next);
        next = forth(next);
        const uint32_t sideCasing = t.Sym(next);
        t.Bond(next, topCasing);
        t.Bond(*cand, sideCasing);
        *cand = forth(*cand);
        const uint32_t outerCasing = t.Sym(*cand);
        next = back(next);
        t.Bond(next, outerCasing);
        setNear(*cand, base);
        setFar(*cand, -1);
        t.SetApex(*cand, nextApex);
        setNear(next, -1);
        setFar(next, *upper);
        t.SetApex(next, nextApex);
        *upper = nextApex;
        next = sideCasing;
        nextApex = t.Apex(next);
        bad = nextApex >= 0 && InCircle(lowerLeft, lowerRight, *upper, nextApex) > 0.0;
    }
}

// Walks the hull once round from `start`, counting hull edges, cutting each ghost from the
// real triangle beside it and marking it dead.
void G3TDelaunayBuilder::RemoveGhosts(uint32_t start) {
    auto& t = m_Tri;
    uint32_t dissolve = start;
    int hull = 0;
    double twiceArea = 0.0;  // of the hull, by its edges
    // Relative to a point of the hull: far from the origin the products of whole
    // coordinates would cancel and lose the area's last digits.
    const Point& o = m_P[t.Org(Lprev(start))];
    do {
        ++hull;
        const uint32_t dead = Lnext(dissolve);
        const uint32_t side = Lprev(dissolve);
        const Point& a = m_P[t.Org(side)];
        const Point& b = m_P[t.Dest(side)];
        twiceArea += (a.u - o.u) * (b.v - o.v) - (a.v - o.v) * (b.u - o.u);
        t.Dissolve(t.Sym(side));
        dissolve = t.Sym(dead);
        t.At(dead).dead = true;
    } while (dissolve != start && Step());
    m_Mesh.m_HullEdges = hull;
    m_HullArea = 0.5 * std::fabs(twiceArea);
}

// Whether the triangles cover the hull exactly and use every kept point: input whose
// coordinates differ by about the tolerance can lead the tolerant predicates into
// decisions that do not fit together, and such a mesh is refused rather than handed on.
bool G3TDelaunayBuilder::Covers() const {
    const auto& tris = m_Mesh.m_Triangles;
    std::vector<char> used(m_P.size(), 0);
    double area = 0.0;
    for (std::size_t i = 1; i < tris.size(); ++i) {
        const G3TTriangle& t = tris[i];
        if (t.dead || t.corner[0] < 0 || t.corner[1] < 0 || t.corner[2] < 0) continue;
        const Point& a = m_P[t.corner[0]];
        const Point& b = m_P[t.corner[1]];
        const Point& c = m_P[t.corner[2]];
        const double twice = (b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u);
        if (!(twice > 0.0)) return false;
        area += 0.5 * twice;
        for (const int32_t k : t.corner) used[static_cast<std::size_t>(k)] = 1;
    }
    if (area == 0.0) return true;  // all on one line: no triangles, nothing to cover
    if (std::find(used.begin(), used.end(), 0) != used.end()) return false;
    return std::fabs(area - m_HullArea) <= 1e-9 * m_HullArea + 1e-12;
}

bool G3TDelaunayBuilder::Build() {
    SortAndDropDuplicates();
    const int n = static_cast<int>(m_P.size());
    // Every merge loop is linear in the halves' hulls; a budget well above n log n stops a
    // runaway walk on input the tolerant predicates cannot order consistently.
    m_Budget = 16 * (static_cast<int64_t>(n) + 16) * (static_cast<int64_t>(std::log2(n + 2)) + 4);
    if (n >= 3) {
        m_Mesh.m_Triangles.reserve(2 * static_cast<std::size_t>(n) + 16);
        // Blocks of about 1/64 of the points report as they are done, while a receiver
        // listens; the merges above them are the last part.
        if (GTrace::IsActive()) {
            m_Grain = std::max(kSortedRun, n / 64);
            GTrace::Progress(kProgressStage, 0, n);
        }
        uint32_t farLeft = 0, farRight = 0;
        Recurse(0, n, 0, false, &farLeft, &farRight);
        if (!m_Failed) RemoveGhosts(farLeft);
        if (!m_Failed && !Covers()) m_Failed = true;
        if (m_Grain > 0) GTrace::Progress(kProgressStage, n, n);
    }
    // Each vertex to its point: kept vertices directly, dropped ones through their twin.
    std::vector<int32_t>& position = m_Mesh.m_Position;
    position.assign(m_Twin.size(), -1);
    for (int k = 0; k < n; ++k) position[m_P[k].vertex] = k;
    for (std::size_t v = 0; v < m_Twin.size(); ++v) {
        if (position[v] < 0 && m_Twin[v] >= 0) position[v] = position[m_Twin[v]];
    }
    if (m_Failed) {
        m_Mesh.m_Triangles.resize(1);
        m_Mesh.m_HullEdges = 0;
        return false;
    }
    return true;
}

bool G3TMesh::Triangulate() {
    if (m_Built) return false;
    m_Built = true;
    G3TDelaunayBuilder builder(*this);
    const bool ok = builder.Build();
    m_Live.clear();
    for (std::size_t i = 1; i < m_Triangles.size(); ++i) {
        const G3TTriangle& t = m_Triangles[i];
        if (t.dead || t.corner[0] < 0 || t.corner[1] < 0 || t.corner[2] < 0) continue;
        m_Live.push_back(static_cast<int32_t>(i));
    }
    LinkVertices();
    return ok;
}
