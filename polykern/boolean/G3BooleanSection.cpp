// Plane sections of closed surfaces. The facets a plane can meet are found without a scan
// per plane: planes that share a normal are read together, each facet's span along that
// normal picks by binary search the planes it reaches, and only those facets are cut. A
// plain triangle keeps its corners from that one walk, so the cut reads no edge again. The
// corners of a section are welded and its doubled edges dropped through hash tables, so a
// section costs about as much as the facets it crosses.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "polykern/boolean/G3BCPrefetch.h"
#include "polykern/boolean/G3BCRayMath.h"
#include "polykern/boolean/G3BCSectionLoops.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/boolean/G3Interval.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetEdgeIterator.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"

namespace {

// Section corners closer than this (model units) are one vertex.
constexpr double kWeld = 1e-6;
// A facet's corner this close to a plane lies in it when the facet is cut.
constexpr double kOnPlane = 1e-6;
// Unit normals whose components agree this closely are read as one normal.
constexpr double kSameNormal = 1e-12;

// All n planes made unit into `unit` (4 n values); false when any is not a plane.
bool UnitPlanes(int n, const double* planes, std::vector<double>* unit) {
    if (n <= 0 || planes == nullptr) return false;
    unit->resize(4 * static_cast<std::size_t>(n));
    for (int p = 0; p < n; ++p) {
        if (!G3BCRayMath::UnitPlane(planes + 4 * p, unit->data() + 4 * p)) return false;
    }
    return true;
}

bool SameNormal(const double* a, const double* b) {
    return std::fabs(a[0] - b[0]) <= kSameNormal && std::fabs(a[1] - b[1]) <= kSameNormal &&
           std::fabs(a[2] - b[2]) <= kSameNormal;
}

// How a triangle meets a plane when none of its corners lies on it.
enum TriangleCut { kTriangleMisses, kTriangleCut, kGeneralCut };

// The corners of a plain triangle (one closed loop of three edges) in ring order from the
// vertex its first ring edge starts from, as the facet's boundary walk takes them; false
// for any other facet.
bool TriangleCorners(const G3Facet* f, const G3Vertex* corner[3]) {
    const G3Edge* e[3];
    e[0] = f->GetFirstEdge();
    if (e[0] == nullptr || (e[1] = e[0]->NextInFacet(f)) == nullptr ||
        (e[2] = e[1]->NextInFacet(f)) == nullptr || e[2]->NextInFacet(f) != nullptr)
        return false;
    const G3Vertex* from =
        e[1]->HasVertex(e[0]->GetVertex2()) ? e[0]->GetVertex1() : e[0]->GetVertex2();
    for (int k = 0; k < 3; ++k) {
        if (!e[k]->HasVertex(from) || e[k]->GetVertex1() == e[k]->GetVertex2()) return false;
        corner[k] = from;
        from = e[k]->OtherVertex(from);
        if ((from == corner[0]) != (k == 2)) return false;
    }
    return true;
}

// The cut of a plain triangle whose corners all lie clearly off the plane, as the facet's
// boundary walk and the interval building make it: the crossings of the two edges that
// change side, taken in ring order, and joined into one interval running upwards on the
// axis of their largest extent; a piece of 1e-6 or less on that axis is no piece. A
// corner on the plane is left to the general cut.
TriangleCut CutCorners(const G3Vertex* const corner[3],
                       const double* plane,
                       double lower[3],
                       double upper[3]) {
    double side[3];
    int positive = 0;
    for (int k = 0; k < 3; ++k) {
        const double* x = corner[k]->GetXYZ();
        side[k] = plane[0] * x[0] + plane[1] * x[1] + plane[2] * x[2] + plane[3];
        if (!(std::fabs(side[k]) >= kOnPlane)) return kGeneralCut;
        positive += side[k] >= 0.0;
    }
    if (positive == 0 || positive == 3) return kTriangleMisses;
    double point[2][3];
    int found = 0;
    for (int k = 0; k < 3; ++k) {
        const int c = (k + 1) % 3;
        if ((side[k] >= 0.0) == (side[c] >= 0.0)) continue;
        const double t = std::fabs(side[k] / (side[k] - side[c]));
        const double* p = corner[k]->GetXYZ();
        const double* q = corner[c]->GetXYZ();
        for (int a = 0; a < 3; ++a) point[found][a] = p[a] + t * (q[a] - p[a]);
        ++found;
    }
    GEnvelope box;
    box.Init(point[0]);
    box.Add(point[1]);
    const int axis = box.GetMaxCoo();
    if (std::fabs(point[1][axis] - point[0][axis]) <= kOnPlane) return kTriangleMisses;
    const int low = point[1][axis] < point[0][axis] ? 1 : 0;
    for (int a = 0; a < 3; ++a) {
        lower[a] = point[low][a];
        upper[a] = point[1 - low][a];
    }
    return kTriangleCut;
}

// A facet some plane may meet, read while its memory is at hand: a plain triangle keeps
// its corners, so that cutting it needs neither the facet nor its edges again.
struct Candidate {
    const G3Vertex* corner[3];
    int facet;
    bool plain;
    bool doubleSided;
};

// For each plane, the facets of s it may meet, last facet first: every facet whose corners
// come within the on-plane tolerance of it, and possibly a few more that the cut then
// passes by. Planes are grouped by normal; each group reads every facet's span along its
// normal once, and a binary search over the group's sorted heights finds the planes the
// span reaches.
class FacetSelection {
public:
    FacetSelection(const G3Surface* s, int n, const double* unit) : m_Begin(n + 1, 0) {
        std::vector<int> group(n, -1);
        int groups = 0;
        for (int p = 0; p < n; ++p) {
            for (int q = 0; q < p && group[p] < 0; ++q) {
                if (SameNormal(unit + 4 * q, unit + 4 * p)) group[p] = group[q];
            }
            if (group[p] < 0) group[p] = groups++;
        }
        // The span is read along the group's first normal; the others differ by at most
        // kSameNormal per component, which moves a corner's height by kSameNormal · L.
        double reach = 0.0;
        for (int i = 0; i < s->GetVertexCount(); ++i) {
            const double* x = s->GetVertex(i)->GetXYZ();
            reach = std::max(reach, std::fabs(x[0]) + std::fabs(x[1]) + std::fabs(x[2]));
        }
        m_Margin = kOnPlane * (1.0 + 1e-9) + 4.0 * kSameNormal * reach;
        std::vector<std::vector<int>> hits(n);
        std::vector<std::pair<double, int>> heights;
        for (int g = 0; g < groups; ++g) {
            heights.clear();
            const double* normal = nullptr;
            for (int p = 0; p < n; ++p) {
                if (group[p] != g) continue;
                if (normal == nullptr) normal = unit + 4 * p;
                heights.emplace_back(-unit[4 * p + 3], p);
            }
            std::sort(heights.begin(), heights.end());
            Collect(s, normal, heights, &hits);
        }
        for (int p = 0; p < n; ++p) {
            m_Begin[p + 1] = m_Begin[p] + static_cast<int>(hits[p].size());
        }
        m_Facets.reserve(static_cast<std::size_t>(m_Begin[n]));
        for (int p = 0; p < n; ++p) m_Facets.insert(m_Facets.end(), hits[p].begin(), hits[p].end());
    }

    // The candidates of plane p, by descending facet index.
    const int* Begin(int p) const { return m_Facets.data() + m_Begin[p]; }
    const int* End(int p) const { return m_Facets.data() + m_Begin[p + 1]; }
    int GetCount(int p) const { return m_Begin[p + 1] - m_Begin[p]; }
    const Candidate& At(int i) const { return m_Candidates[static_cast<std::size_t>(i)]; }

private:
    // Appends each facet, from the last to the first, to the planes of `heights` (sorted
    // heights −d along `normal`, with their plane indices) that its span reaches.
    void Collect(const G3Surface* s,
                 const double* normal,
                 const std::vector<std::pair<double, int>>& heights,
                 std::vector<std::vector<int>>* hits) {
        const double lowest = heights.front().first - m_Margin;
        const double highest = heights.back().first + m_Margin;
        const int edgeLimit = s->GetEdgeCount();
        const int count = s->GetFacetCount();
        std::vector<const G3Facet*> facets(static_cast<std::size_t>(count));
        for (int k = 0; k < count; ++k) facets[std::size_t(k)] = s->GetFacet(k);
        for (int k = count - 1; k >= 0; --k) {
            g3bcprefetch::PrefetchRing(
                k, [&facets](int i) { return facets[std::size_t(i)]; }, false);
            const G3Facet* f = facets[std::size_t(k)];
            const G3Edge* last = f->GetLastEdge();
            double lo = HUGE_VAL, hi = -HUGE_VAL;
            int guard = 0;
            for (const G3Edge* e = f->GetFirstEdge(); e != nullptr && guard <= edgeLimit;
                 ++guard) {
                for (const G3Vertex* v : {e->GetVertex1(), e->GetVertex2()}) {
                    const double* x = v->GetXYZ();
                    const double h = normal[0] * x[0] + normal[1] * x[1] + normal[2] * x[2];
                    lo = std::min(lo, h);
                    hi = std::max(hi, h);
                }
                e = e->NextInFacet(f);
                // The ring's last edge closes its loop: its ends are the end of the edge
                // before it and the start of its loop's first edge, both read already. Not
                // reading it saves a third of a triangle's edge reads.
                if (e == last && guard > 0) break;
            }
            if (!(lo <= hi) || hi < lowest || lo > highest) continue;
            auto first =
                std::lower_bound(heights.begin(), heights.end(), std::make_pair(lo - m_Margin, -1));
            if (first == heights.end() || first->first > hi + m_Margin) continue;
            Candidate c{};
            c.facet = k;
            c.plain = TriangleCorners(f, c.corner);
            c.doubleSided = f->GetDoubleSided();
            const int index = static_cast<int>(m_Candidates.size());
            m_Candidates.push_back(c);
            for (auto it = first; it != heights.end() && it->first <= hi + m_Margin; ++it) {
                (*hits)[it->second].push_back(index);
            }
        }
    }

    double m_Margin = 0.0;
    std::vector<int> m_Begin;
    std::vector<int> m_Facets;  // candidate indices, plane by plane
    std::vector<Candidate> m_Candidates;
};

std::uint64_t Mix(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

// The corners of one section: a point within kWeld of a corner already made is that
// corner, the earliest made when several are. Corners are hashed by cells of kCell, so
// every corner within kWeld of a point lies in one of the (at most 2 × 2 × 2) cells the
// point's kWeld box touches; with cells much wider than the box, a lookup mostly reads
// one cell. Storage is kept from one section to the next.
class SectionCorners {
    static constexpr double kCell = 16.0 * kWeld;

public:
    // Forgets the corners, sized for about `expected` of them.
    void Reset(int expected) {
        m_Vertices.clear();
        m_Cells.clear();
        m_Next.clear();
        std::size_t size = 64;
        while (size < 2 * static_cast<std::size_t>(expected)) size *= 2;
        m_Heads.assign(size, -1);
    }

    // The index of the corner at p, made in `out` when missing; −1 when it cannot be made.
    int At(G3Surface* out, const double* p) {
        std::int64_t lo[3], hi[3];
        for (int k = 0; k < 3; ++k) {
            lo[k] = Cell(p[k] - kWeld);
            hi[k] = Cell(p[k] + kWeld);
        }
        int best = -1;
        for (std::int64_t x = lo[0]; x <= hi[0]; ++x) {
            for (std::int64_t y = lo[1]; y <= hi[1]; ++y) {
                for (std::int64_t z = lo[2]; z <= hi[2]; ++z) {
                    const Key key{x, y, z};
                    for (int i = m_Heads[Slot(key)]; i >= 0; i = m_Next[i]) {
                        if (best >= 0 && i > best) break;
                        if (!(m_Cells[i] == key)) continue;
                        const G3Vertex* v = m_Vertices[i];
                        const double dx = v->GetX() - p[0], dy = v->GetY() - p[1],
                                     dz = v->GetZ() - p[2];
                        if (dx * dx + dy * dy + dz * dz < kWeld * kWeld) best = i;
                    }
                }
            }
        }
        if (best >= 0) return best;
        G3Vertex* v = out->AddVertex(p, 0);
        if (v == nullptr) return -1;
        if (2 * (m_Vertices.size() + 1) > m_Heads.size()) Grow();
        const double* q = v->GetXYZ();
        Insert(v, Key{Cell(q[0]), Cell(q[1]), Cell(q[2])});
        return static_cast<int>(m_Vertices.size()) - 1;
    }

    G3Vertex* Vertex(int i) const { return m_Vertices[i]; }
    const std::vector<G3Vertex*>& Vertices() const { return m_Vertices; }

private:
    struct Key {
        std::int64_t x, y, z;
        bool operator==(const Key& o) const { return x == o.x && y == o.y && z == o.z; }
    };

    // The cell of a coordinate; far coordinates share the outermost cells, which keeps
    // neighbouring points in neighbouring cells.
    static std::int64_t Cell(double c) {
        const double q = std::floor(c / kCell);
        constexpr double kLimit = 4e18;
        if (!(q > -kLimit)) return static_cast<std::int64_t>(-kLimit);
        if (!(q < kLimit)) return static_cast<std::int64_t>(kLimit);
        return static_cast<std::int64_t>(q);
    }

    std::size_t Slot(const Key& key) const {
        const std::uint64_t h = Mix(static_cast<std::uint64_t>(key.x) * 0x9e3779b97f4a7c15ULL ^
                                    Mix(static_cast<std::uint64_t>(key.y)) * 31 ^
                                    Mix(static_cast<std::uint64_t>(key.z) + 0x632be59bd9b4e019ULL));
        return static_cast<std::size_t>(h & (m_Heads.size() - 1));
    }

    // Chains are kept in ascending corner order, so a lookup may stop past its best.
    void Insert(G3Vertex* v, const Key& key) {
        m_Vertices.push_back(v);
        m_Cells.push_back(key);
        m_Next.push_back(-1);
        const int i = static_cast<int>(m_Vertices.size()) - 1;
        int* link = &m_Heads[Slot(key)];
        while (*link >= 0) link = &m_Next[*link];
        *link = i;
    }

    void Grow() {
        m_Heads.assign(2 * m_Heads.size(), -1);
        const std::size_t n = m_Vertices.size();
        for (std::size_t i = 0; i < n; ++i) m_Next[i] = -1;
        // Re-linking in ascending order keeps each chain ascending.
        for (std::size_t i = 0; i < n; ++i) {
            int* link = &m_Heads[Slot(m_Cells[i])];
            while (*link >= 0) link = &m_Next[*link];
            *link = static_cast<int>(i);
        }
    }

    std::vector<G3Vertex*> m_Vertices;
    std::vector<Key> m_Cells;
    std::vector<int> m_Next;
    std::vector<int> m_Heads;
};

// The edges of one section, each pair of corners once whichever way it was reported (a
// facet lying in the plane and its neighbours report the same sides). Open addressing
// over keys of two corner indices; storage is kept from one section to the next.
class SectionEdges {
public:
    void Reset(int expected) {
        std::size_t size = 64;
        while (size < 2 * static_cast<std::size_t>(expected)) size *= 2;
        m_Slots.assign(size, kEmpty);
        m_Count = 0;
    }

    // True when the pair a–b is new (and records it).
    bool Insert(int a, int b) {
        if (2 * (m_Count + 1) > m_Slots.size()) Grow();
        const std::uint64_t key = Key(a, b);
        if (!Place(key)) return false;
        ++m_Count;
        return true;
    }

private:
    static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};

    static std::uint64_t Key(int a, int b) {
        const auto lo = static_cast<std::uint32_t>(std::min(a, b));
        const auto hi = static_cast<std::uint32_t>(std::max(a, b));
        return (std::uint64_t{lo} << 32) | hi;
    }

    // Puts the key in its slot; false when it is there already.
    bool Place(std::uint64_t key) {
        const std::size_t mask = m_Slots.size() - 1;
        for (std::size_t i = Mix(key) & mask;; i = (i + 1) & mask) {
            if (m_Slots[i] == key) return false;
            if (m_Slots[i] == kEmpty) {
                m_Slots[i] = key;
                return true;
            }
        }
    }

    void Grow() {
        std::vector<std::uint64_t> old(2 * m_Slots.size(), kEmpty);
        old.swap(m_Slots);
        for (const std::uint64_t key : old) {
            if (key != kEmpty) Place(key);
        }
    }

    std::vector<std::uint64_t> m_Slots;
    std::size_t m_Count = 0;
};

// The scratch one call reuses for every facet and every section.
struct SectionScratch {
    G3IntervalList cuts;
    SectionCorners corners;
    SectionEdges edges;
    // The section's edges as corner pairs, in the order made.
    std::vector<std::pair<int, int>> pairs;
    g3sectionloops::LoopScratch loops;
};

// Records the edge between corners a and b unless it has no length or is there already.
void AddSectionEdge(SectionScratch* w, int a, int b) {
    if (a < 0 || b < 0 || a == b || !w->edges.Insert(a, b)) return;
    w->pairs.emplace_back(a, b);
}

// The section of s by plane p as corner pairs of w->pairs, its corners made in `out`: the
// candidate facets from the last to the first, a facet in the plane giving its own edges
// and any other its intervals from the last to the first. Of each edge the corner at its
// far end is made first, which fixes the numbering of the section's vertices.
void CollectSection(G3Surface* s,
                    const double* plane,
                    const FacetSelection& selection,
                    const int* first,
                    const int* last,
                    G3Surface* out,
                    SectionScratch* w) {
    const int expected = 2 * static_cast<int>(last - first);
    w->corners.Reset(expected);
    w->edges.Reset(expected);
    w->pairs.clear();
    constexpr int kAhead = 8;
    for (const int* k = first; k != last; ++k) {
        if (last - k > kAhead) {
            const Candidate& next = selection.At(*(k + kAhead));
            for (const G3Vertex* v : next.corner) __builtin_prefetch(v);
        }
        const Candidate& c = selection.At(*k);
        if (c.doubleSided) continue;
        double lower[3], upper[3];
        const TriangleCut cut = c.plain ? CutCorners(c.corner, plane, lower, upper) : kGeneralCut;
        if (cut == kTriangleMisses) continue;
        if (cut == kTriangleCut) {
            const int b = w->corners.At(out, upper);
            const int a = w->corners.At(out, lower);
            AddSectionEdge(w, a, b);
            continue;
        }
        G3Facet* f = s->GetFacet(c.facet);
        const int r = f->IntersectByPlaneConcave(plane, &w->cuts);
        if (r == 0) continue;
        if (r == 3) {
            for (G3FacetEdgeIterator it(f); it.hasNext();) {
                const auto* e = static_cast<G3Edge*>(it.next());
                const int b = w->corners.At(out, e->GetVertex2()->GetXYZ());
                const int a = w->corners.At(out, e->GetVertex1()->GetXYZ());
                AddSectionEdge(w, a, b);
            }
            continue;
        }
        w->cuts.BuildIntervals();
        GArrayCollection* intervals = w->cuts.GetIntervalList();
        for (int i = intervals->size() - 1; i >= 0; --i) {
            const auto* iv = static_cast<G3Interval*>(intervals->get(i));
            const int b = w->corners.At(out, iv->GetXYZ2());
            const int a = w->corners.At(out, iv->GetXYZ1());
            AddSectionEdge(w, a, b);
        }
    }
}

}  // namespace

// Each plane's section edges are traced into simple contours, which are then sorted into
// outlines and holes so that an outline and the holes inside it make one facet.
bool G3BooleanCalculator::Divide(G3Surface* s, int n, const double* planes, G3Surface** out) {
    if (out == nullptr) return false;
    *out = nullptr;
    std::vector<double> unit;
    if (s == nullptr || !UnitPlanes(n, planes, &unit) || !G3BCRayMath::FiniteVertices(s))
        return false;
    const FacetSelection selection(s, n, unit.data());
    auto* result = new G3Surface();
    SectionScratch scratch;
    for (int p = 0; p < n; ++p) {
        if (selection.GetCount(p) == 0) continue;
        const double* plane = unit.data() + 4 * p;
        CollectSection(s, plane, selection, selection.Begin(p), selection.End(p), result,
                       &scratch);
        if (scratch.pairs.empty()) continue;
        GArrayCollection contours;
        if (!g3sectionloops::TraceSimpleLoops(scratch.pairs, scratch.corners.Vertices(), plane,
                                              &contours, &scratch.loops)) {
            G3EdgeList list(1, 1);
            for (const auto& [a, b] : scratch.pairs) {
                list.AddEdge(scratch.corners.Vertex(a), scratch.corners.Vertex(b), nullptr, nullptr,
                             nullptr, nullptr, 1);
            }
            list.SetPlane(plane);
            list.RemoveSelfIntersections(&contours, result, false, UNION_EDGE_SPLIT, 0);
        }
        result->AddContourFacets(&contours, nullptr, nullptr);
    }
    if (result->GetFacetCount() == 0) {
        delete result;
        return false;
    }
    result->RemoveUnused();
    result->ReallocByRealSize();
    *out = result;
    return true;
}

bool G3BooleanCalculator::Divide(G3Surface* s, int n, const double* planes, G3IntervalList* out) {
    std::vector<double> unit;
    if (out == nullptr || s == nullptr || !UnitPlanes(n, planes, &unit) ||
        !G3BCRayMath::FiniteVertices(s))
        return false;
    const FacetSelection selection(s, n, unit.data());
    G3IntervalList cuts;
    for (int p = 0; p < n; ++p) {
        const double* plane = unit.data() + 4 * p;
        for (const int* k = selection.Begin(p); k != selection.End(p); ++k) {
            const Candidate& c = selection.At(*k);
            double lower[3], upper[3];
            const TriangleCut cut = c.plain ? CutCorners(c.corner, plane, lower, upper) : kGeneralCut;
            if (cut == kTriangleCut) out->AddInterval(lower, upper);
            if (cut != kGeneralCut) continue;
            const G3Facet* f = s->GetFacet(c.facet);
            if (f->IntersectByPlaneConcave(plane, &cuts) == 0) continue;
            cuts.BuildIntervals();
            GArrayCollection* intervals = cuts.GetIntervalList();
            for (int i = 0; i < intervals->size(); ++i) {
                const auto* iv = static_cast<G3Interval*>(intervals->get(i));
                out->AddInterval(iv->GetXYZ1(), iv->GetXYZ2());
            }
        }
    }
    return !out->IsEmpty();
}
