// Cutting the facets of each operand along the lines where they meet the other.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "polykern/boolean/G3BCCutHole.h"
#include "polykern/boolean/G3BCExDataProvider.h"
#include "polykern/boolean/G3BCFacetData.h"
#include "polykern/boolean/G3BCLoopCache.h"
#include "polykern/boolean/G3BCSideBySide.h"
#include "polykern/boolean/G3BCVertexData.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/boolean/G3Interval.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetLoops.h"
#include "polykern/model/G3FacetVertexIterator.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/spatial/G3EdgeList.h"
#include "polykern/spatial/G3Grid.h"

namespace {

constexpr uint32_t kDisjoint = 0x80000000u;
constexpr int kGridCells = 12;
constexpr int32_t kCutEdgeFlags = 0x1000005;  // visible, new, mark 3

void MergeInto(G3Facet* f, const G3IntervalList* segments) {
    G3BCFacetData* d = G3BCExDataProvider::DataOf(f);
    if (d == nullptr || segments == nullptr || segments->IsEmpty()) return;
    if (d->intersections == nullptr) d->intersections = new G3IntervalList();
    d->intersections->Merge(segments);
}

bool Meets(const GEnvelope* a, const GEnvelope* b) {
    return a != nullptr && b != nullptr && a->IsIntersectXYZ(b);
}

// The facets of s whose working envelope meets env, into the grid.
void FillGrid(G3Grid* grid, G3Surface* s, const GEnvelope* env) {
    for (int i = s->GetFacetCount() - 1; i >= 0; --i) {
        G3Facet* f = s->GetFacet(i);
        const G3BCFacetData* d = G3BCExDataProvider::DataOf(f);
        if (d != nullptr && Meets(d, env)) grid->AddFacet(f, d);
    }
}

bool SharesVertex(const G3Facet* f, const G3Facet* g) {
    for (G3FacetVertexIterator fv(f); fv.hasNext();) {
        const GObj* a = fv.next();
        for (G3FacetVertexIterator gv(g); gv.hasNext();) {
            if (gv.next() == a) return true;
        }
    }
    return false;
}

constexpr double kOnEdge = 1e-6;  // working units

// Where p lies along the edge a→b (0 at a, 1 at b), or a negative value when p is off
// the edge's line by more than the tolerance or outside its ends.
double ParamOnEdge(const double* a, const double* b, const double* p) {
    double d[3], w[3], len2 = 0.0, dot = 0.0;
    for (int k = 0; k < 3; ++k) {
        d[k] = b[k] - a[k];
        w[k] = p[k] - a[k];
        len2 += d[k] * d[k];
        dot += d[k] * w[k];
    }
    if (!(len2 > 0.0)) return -1.0;
    const double t = dot / len2;
    double off2 = 0.0;
    for (int k = 0; k < 3; ++k) {
        const double o = w[k] - t * d[k];
        off2 += o * o;
    }
    const double slack = kOnEdge / std::sqrt(len2);
    if (off2 > kOnEdge * kOnEdge || t < -slack || t > 1.0 + slack) return -1.0;
    return std::min(1.0, std::max(0.0, t));
}

// Cut segments that run along the facet's own boundary divide nothing: they split the
// boundary edge where they end, and the stretch they cover lies on the other operand.
// Returns whether the segment was taken up that way; its range on the edge is recorded.
bool TakeBoundarySegment(const G3EdgeList& list,
                         const double* a,
                         const double* b,
                         std::vector<std::vector<double>>* splits) {
    for (int i = 0; i < static_cast<int>(splits->size()); ++i) {
        const G3Edge* e = list.GetEdgeAt(i);
        const double* p = e->GetVertex1()->GetXYZ();
        const double* q = e->GetVertex2()->GetXYZ();
        const double ta = ParamOnEdge(p, q, a), tb = ParamOnEdge(p, q, b);
        if (ta < 0.0 || tb < 0.0) continue;
        (*splits)[std::size_t(i)].push_back(std::min(ta, tb));
        (*splits)[std::size_t(i)].push_back(std::max(ta, tb));
        return true;
    }
    return false;
}

void MarkOn(G3Vertex* v) {
    if (G3BCVertexData* d = G3BCExDataProvider::DataOf(v)) d->classification = SURF_ON;
}

// Splits the listed boundary edges at the recorded range ends (strictly inside each edge)
// and marks every vertex inside a recorded range as lying on the other operand.
void SplitBoundary(G3EdgeList* list, G3Surface* s, std::vector<std::vector<double>>& splits) {
    const int n = static_cast<int>(splits.size());  // the boundary edges come first
    std::vector<G3Vertex*> at;
    std::vector<double> atT;
    std::vector<G3Edge*> pieces;
    for (int i = 0; i < n; ++i) {
        const std::vector<double>& ranges = splits[std::size_t(i)];
        if (ranges.empty()) continue;
        G3Edge* e = list->GetEdgeAt(i);
        const double* p = e->GetVertex1()->GetXYZ();
        const double* q = e->GetVertex2()->GetXYZ();
        double len2 = 0.0;
        for (int k = 0; k < 3; ++k) len2 += (q[k] - p[k]) * (q[k] - p[k]);
        const double slack = kOnEdge / std::sqrt(len2);
        std::vector<double> ts(ranges);
        std::sort(ts.begin(), ts.end());
        at.clear();
        atT.clear();
        double last = 0.0;
        for (double t : ts) {
            if (t - last <= slack || 1.0 - t <= slack) continue;
            double x[3];
            for (int k = 0; k < 3; ++k) x[k] = p[k] + t * (q[k] - p[k]);
            if (G3Vertex* v = s->AddVertex(x, 0)) {
                at.push_back(v);
                atT.push_back(t);
            }
            last = t;
        }
        auto covered = [&ranges, slack](double t) {
            for (std::size_t r = 0; r + 1 < ranges.size(); r += 2) {
                if (t >= ranges[r] - slack && t <= ranges[r + 1] + slack) return true;
            }
            return false;
        };
        if (covered(0.0)) MarkOn(e->GetVertex1());
        if (covered(1.0)) MarkOn(e->GetVertex2());
        for (std::size_t k = 0; k < at.size(); ++k) {
            if (covered(atT[k])) MarkOn(at[k]);
        }
        if (at.empty()) continue;
        pieces.assign(at.size() + 1, nullptr);
        G3EdgeList::SplitEdge(s, e, static_cast<int>(at.size()), at.data(), pieces.data());
        list->put(i, pieces[0]);
        for (std::size_t k = 1; k < pieces.size(); ++k) list->add(pieces[k]);
        delete e;
    }
}

using Segment = g3bccuthole::Cut;

bool Near(const double* p, const double* q) {
    const double dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
    return dx * dx + dy * dy + dz * dz <= kOnEdge * kOnEdge;
}

// The cuts of one facet as a set of pieces that meet only at their ends: a segment is
// split where another ends on it, and repeated pieces (a cut found from both facets along
// an edge of the other operand, or overlapping collinear cuts) are kept once.
void NormalizeCuts(const GArrayCollection* intervals, std::vector<Segment>* out) {
    std::vector<Segment> raw;
    raw.reserve(std::size_t(intervals->size()));
    for (int k = 0; k < intervals->size(); ++k) {
        const auto* seg = static_cast<G3Interval*>(intervals->get(k));
        Segment x;
        for (int d = 0; d < 3; ++d) {
            x.a[d] = seg->GetXYZ1(d);
            x.b[d] = seg->GetXYZ2(d);
        }
        if (!Near(x.a, x.b)) raw.push_back(x);
    }
    out->clear();
    std::vector<double> ts;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const Segment& s = raw[i];
        double len2 = 0.0;
        for (int d = 0; d < 3; ++d) len2 += (s.b[d] - s.a[d]) * (s.b[d] - s.a[d]);
        const double slack = kOnEdge / std::sqrt(len2);
        ts.assign({0.0, 1.0});
        for (std::size_t j = 0; j < raw.size(); ++j) {
            if (j == i) continue;
            for (const double* p : {raw[j].a, raw[j].b}) {
                const double t = ParamOnEdge(s.a, s.b, p);
                if (t > slack && t < 1.0 - slack) ts.push_back(t);
            }
        }
        std::sort(ts.begin(), ts.end());
        double last = 0.0;
        for (std::size_t k = 1; k < ts.size(); ++k) {
            if (ts[k] - last <= slack) continue;
            Segment piece;
            for (int d = 0; d < 3; ++d) {
                piece.a[d] = last == 0.0 ? s.a[d] : s.a[d] + last * (s.b[d] - s.a[d]);
                piece.b[d] = ts[k] == 1.0 ? s.b[d] : s.a[d] + ts[k] * (s.b[d] - s.a[d]);
            }
            last = ts[k];
            bool repeated = false;
            for (const Segment& kept : *out) {
                if ((Near(kept.a, piece.a) && Near(kept.b, piece.b)) ||
                    (Near(kept.a, piece.b) && Near(kept.b, piece.a))) {
                    repeated = true;
                    break;
                }
            }
            if (!repeated) out->push_back(piece);
        }
    }
}

// Copies f's loops for the split: the outline and every hole a cut comes near go into
// `list`; each other hole becomes a list of its own in `untouched`, already turned to run
// like the outline, as the traced contours do.
void SplitLoops(const G3Facet* f,
                const std::vector<Segment>& cuts,
                G3EdgeList* list,
                std::vector<G3EdgeList*>* untouched) {
    const G3FacetLoops loops(f);
    GEnvelope reach;
    for (const Segment& c : cuts) {
        if (reach.IsDefault()) {
            reach.Init(c.a);
        } else {
            reach.Add(c.a);
        }
        reach.Add(c.b);
    }
    reach.Extend(10 * kOnEdge);
    for (int loop = 0; loop < loops.GetLoopCount(); ++loop) {
        const int begin = loops.LoopBegin(loop), end = loops.LoopEnd(loop);
        GEnvelope box(loops.Vertex(begin)->GetXYZ(), loops.Vertex(begin)->GetXYZ(),
                      loops.Vertex(begin)->GetXYZ());
        for (int k = begin; k < end; ++k) box.Add(loops.Vertex(k)->GetXYZ());
        bool near = loop == 0 || !loops.IsClosed();
        if (!near && box.IsIntersectXYZ(&reach)) {
            for (const Segment& c : cuts) {
                GEnvelope cb(c.a, c.a, c.b);
                cb.Extend(10 * kOnEdge);
                if (cb.IsIntersectXYZ(&box)) {
                    near = true;
                    break;
                }
            }
        }
        if (near) {
            for (int k = begin; k < end; ++k) loops.CopyEdge(k, false, list);
        } else {
            auto* hole = new G3EdgeList(f->GetFlags(), f->GetSurface());
            for (int k = end - 1; k >= begin; --k) loops.CopyEdge(k, true, hole);
            untouched->push_back(hole);
        }
    }
}

// A cut end: a new vertex of s, with the normal and texture coordinate f has there.
struct CutEnd {
    G3Vertex* vertex = nullptr;
    G3Normal* normal = nullptr;
    G3TexCoo* tex = nullptr;
};

// A facet's kept loops and their boxes, or nulls for a small facet.
struct Kept {
    const G3FacetLoops* loops = nullptr;
    const double* boxes = nullptr;
};

Kept KeptOf(G3BCLoopCache* cache, const G3Facet* f) {
    Kept kept;
    if (cache != nullptr) kept.loops = cache->For(f, &kept.boxes);
    return kept;
}

// f against a plane, over its kept loops when it has them, skipping the loops whose boxes
// keep clear of the plane: a line across a slab's face meets few of its holes. A small
// facet's loops are read into `read`, whose storage serves facet after facet.
int CutByPlane(const Kept& kept,
               const G3Facet* f,
               const double* plane,
               G3FacetLoops* read,
               G3IntervalList* out) {
    if (kept.loops != nullptr)
        return f->IntersectByPlaneConcave(plane, out, *kept.loops, kept.boxes);
    read->Read(f);
    return f->IntersectByPlaneConcave(plane, out, *read);
}

// The cuts found on one pair of facets, for both of them; owns the list.
struct FoundCut {
    G3Facet* f;
    G3Facet* g;
    G3IntervalList* cuts;
};

// Hands the pairs' cuts to both facets, in the order they were found.
void MergeFound(std::vector<FoundCut>* found) {
    for (const FoundCut& c : *found) {
        MergeInto(c.f, c.cuts);
        MergeInto(c.g, c.cuts);
        delete c.cuts;
    }
    found->clear();
}

}  // namespace

// What one pass of facet cuts reuses from pair to pair (each use starts by clearing), and
// the candidates of the facet being cut. With `found`, the cuts are kept there in order
// instead of reaching the facets at once: nothing else in the pass reads them, so two
// passes can run side by side and hand theirs on afterwards, one after the other.
struct G3BooleanCalculator::CutScratch {
    G3IntervalList onF, onG, coplanar;
    G3FacetLoops loops;
    GArrayCollection* candidates = nullptr;
    std::vector<FoundCut>* found = nullptr;

    // The cuts of the pair f, g; `cuts` is the caller's to delete unless it is `owned`.
    void Hand(G3Facet* f, G3Facet* g, G3IntervalList* cuts, bool owned) {
        if (found != nullptr) {
            found->push_back({f, g, owned ? cuts : cuts->Duplicate()});
            return;
        }
        MergeInto(f, cuts);
        MergeInto(g, cuts);
        if (owned) delete cuts;
    }
};

void G3BooleanCalculator::IntersectFacetProcessor(G3Facet* f,
                                                  G3BCLoopCache* loops,
                                                  CutScratch* scratch) {
    const G3BCFacetData* fd = G3BCExDataProvider::DataOf(f);
    if (fd == nullptr) return;
    G3IntervalList& l1 = scratch->onF;
    G3IntervalList& l2 = scratch->onG;
    G3IntervalList& l3 = scratch->coplanar;
    Kept own;  // f's kept loops, looked up once, when first needed
    bool ownLooked = false;
    GArrayCollection* candidates = scratch->candidates;
    for (int i = 0; i < candidates->size(); ++i) {
        auto* g = static_cast<G3Facet*>(candidates->get(i));
        const G3BCFacetData* gd = G3BCExDataProvider::DataOf(g);
        if (g == f || gd == nullptr || !Meets(gd, fd)) continue;
        const int r = CutByPlane(KeptOf(loops, g), g, f->GetPlane(), &scratch->loops, &l2);
        if (r == 3) {
            if (f->FindFacetsIntersection(g, &l3)) scratch->Hand(f, g, &l3, false);
            continue;
        }
        // g keeps to one side of f's plane: no segment, and f (maybe a large face with
        // many holes) need not be walked.
        if (r == 0) continue;
        if (!ownLooked) {
            own = KeptOf(loops, f);
            ownLooked = true;
        }
        if (CutByPlane(own, f, g->GetPlane(), &scratch->loops, &l1) == 0) continue;
        l1.BuildIntervals();
        l2.SetMaxCoo(&l1);
        l2.BuildIntervals();
        if (l1.GetIntersectionType(&l2) != INTERVAL_LIST_OVERLAP) continue;
        G3IntervalList* x = l1.Intersect(&l2);
        if (x != nullptr && !x->IsEmpty()) {
            scratch->Hand(f, g, x, true);
        } else {
            delete x;
        }
    }
}

namespace {

// The cells of the pass's grid along each axis for `count` facets of the second operand:
// about a facet's size, so that a facet finds a few dozen candidates, not hundreds.
int FineCellCount(int count) {
    const int n = static_cast<int>(std::sqrt(static_cast<double>(count)) / 4.0);
    return std::clamp(n, kGridCells, 64);
}

// The second operand's facets that meet the common box, by the cells of a fine grid over
// it: one array sorted by cell (a counting sort), built in two passes instead of a list
// per cell. Two boxes that meet share a cell, so a box's cells hold every facet whose box
// meets it.
class FineCells {
public:
    FineCells(const GEnvelope& box, int n, G3Surface* s) : m_N(n) {
        for (int k = 0; k < 3; ++k) {
            m_Min[k] = box.GetMin()[k];
            const double width = (box.GetMax()[k] - box.GetMin()[k]) / n;
            m_PerCell[k] = width > 0.0 ? 1.0 / width : 0.0;
        }
        std::vector<std::pair<G3Facet*, const GEnvelope*>> in;
        for (int i = 0; i < s->GetFacetCount(); ++i) {
            G3Facet* f = s->GetFacet(i);
            const G3BCFacetData* d = G3BCExDataProvider::DataOf(f);
            if (d == nullptr || !Meets(d, &box)) continue;
            f->ClearMark();  // as a grid's facets are
            in.push_back({f, d});
        }
        m_Start.assign(std::size_t(n) * n * n + 1, 0);
        auto each = [this](const GEnvelope* env, auto take) {
            int lo[3], hi[3];
            Range(env, lo, hi);
            for (int z = lo[2]; z <= hi[2]; ++z) {
                for (int y = lo[1]; y <= hi[1]; ++y) {
                    for (int x = lo[0]; x <= hi[0]; ++x) take((z * m_N + y) * m_N + x);
                }
            }
        };
        for (const auto& [f, d] : in) each(d, [this](int c) { ++m_Start[std::size_t(c) + 1]; });
        for (std::size_t c = 1; c < m_Start.size(); ++c) m_Start[c] += m_Start[c - 1];
        m_Facets.resize(std::size_t(m_Start.back()));
        std::vector<int> at(m_Start.begin(), m_Start.end() - 1);
        for (const auto& [f, d] : in) {
            G3Facet* facet = f;
            each(d, [this, &at, facet](int c) { m_Facets[std::size_t(at[std::size_t(c)]++)] = facet; });
        }
    }

    // Replaces `out` with the facets in the cells env meets, each once (seen by a stamp
    // per facet id), that still have edges and no mark.
    void Collect(const GEnvelope* env,
                 GArrayCollection* out,
                 std::vector<uint32_t>* seen,
                 uint32_t stamp) const {
        out->clear();
        int lo[3], hi[3];
        Range(env, lo, hi);
        for (int z = lo[2]; z <= hi[2]; ++z) {
            for (int y = lo[1]; y <= hi[1]; ++y) {
                const int row = (z * m_N + y) * m_N;
                for (int k = m_Start[std::size_t(row + lo[0])];
                     k < m_Start[std::size_t(row + hi[0] + 1)]; ++k) {
                    G3Facet* facet = m_Facets[std::size_t(k)];
                    if (facet->GetId() < 0) continue;
                    const std::size_t id = std::size_t(facet->GetId());
                    if (id >= seen->size()) seen->resize(2 * id + 1, stamp - 1);
                    if ((*seen)[id] == stamp) continue;
                    (*seen)[id] = stamp;
                    if (!facet->GetMark() && facet->HasEdges()) out->add(facet);
                }
            }
        }
    }

private:
    void Range(const GEnvelope* env, int* lo, int* hi) const {
        for (int k = 0; k < 3; ++k) {
            lo[k] = G3Grid::CellIndex((env->GetMin()[k] - m_Min[k]) * m_PerCell[k], m_N);
            hi[k] = G3Grid::CellIndex((env->GetMax()[k] - m_Min[k]) * m_PerCell[k], m_N);
        }
    }

    int m_N;
    double m_Min[3], m_PerCell[3];
    std::vector<int> m_Start;  // per cell, where its facets begin in m_Facets
    std::vector<G3Facet*> m_Facets;
};

// The facets of the second operand whose boxes meet f's (fd), in the order a grid of
// kGridCells a side hands them out: by the first of its cells each shares with f, then
// latest facet first, as the grid was filled. A finer grid finds them, so the facet pairs
// are cut in the same order, whatever the grid.
void OrderedCandidates(const FineCells& fine,
                       const G3Grid& coarse,
                       const GEnvelope* fd,
                       std::vector<uint32_t>* seen,
                       uint32_t stamp,
                       std::vector<std::pair<uint64_t, G3Facet*>>* order,
                       GArrayCollection* out) {
    fine.Collect(fd, out, seen, stamp);
    int fi[2], fj[2], fk[2];
    coarse.GetIndexes(fd, fi, fj, fk);
    order->clear();
    for (int c = 0; c < out->size(); ++c) {
        auto* g = static_cast<G3Facet*>(out->get(c));
        const G3BCFacetData* gd = G3BCExDataProvider::DataOf(g);
        if (gd == nullptr || !Meets(gd, fd)) continue;
        int gi[2], gj[2], gk[2];
        coarse.GetIndexes(gd, gi, gj, gk);
        const uint64_t cell =
            (uint64_t(std::max(gk[0], fk[0])) * kGridCells + uint64_t(std::max(gj[0], fj[0]))) *
                kGridCells +
            uint64_t(std::max(gi[0], fi[0]));
        order->push_back({(cell << 32) | uint64_t(uint32_t(INT32_MAX - g->GetId())), g});
    }
    std::sort(order->begin(), order->end(),
              [](const std::pair<uint64_t, G3Facet*>& a, const std::pair<uint64_t, G3Facet*>& b) {
                  return a.first < b.first;
              });
    out->clear();
    for (const auto& entry : *order) out->add(entry.second);
}

}  // namespace

void G3BooleanCalculator::Divide() {
    if (m_Overlap == kDisjoint) return;
    delete m_Grid;  // a query's grid would outlive the facets this pass replaces
    m_Grid = nullptr;
    const FineCells fine(m_Common, FineCellCount(m_B->GetFacetCount()), m_B);
    const G3Grid coarse(&m_Common, kGridCells);
    std::vector<G3Facet*> cut;  // the first operand's facets in the common box
    for (int i = 0; i < m_A->GetFacetCount(); ++i) {
        G3Facet* f = m_A->GetFacet(i);
        const G3BCFacetData* d = G3BCExDataProvider::DataOf(f);
        if (d != nullptr && Meets(d, &m_Common)) cut.push_back(f);
    }
    // Cuts facets [begin, end) of `cut`; every structure it writes is its own.
    auto pass = [&](std::size_t begin, std::size_t end, GArrayCollection* candidates,
                    std::vector<FoundCut>* found) {
        std::vector<uint32_t> seen(std::size_t(m_B->GetFacetCount()), 0);
        std::vector<std::pair<uint64_t, G3Facet*>> order;
        uint32_t stamp = 0;
        G3BCLoopCache loops;
        CutScratch scratch;
        scratch.candidates = candidates;
        scratch.found = found;
        for (std::size_t k = begin; k < end; ++k) {
            OrderedCandidates(fine, coarse, G3BCExDataProvider::DataOf(cut[k]), &seen,
                              ++stamp, &order, candidates);
            IntersectFacetProcessor(cut[k], &loops, &scratch);
        }
        candidates->clear();
    };
    // Two halves side by side, their cuts handed on in the order one pass would find them.
    const std::size_t half = cut.size() / 2;
    std::vector<FoundCut> first, second;
    GArrayCollection secondCandidates(64, 64);
    g3bcside::Run(
        PreparedSideBySide(), [&] { pass(0, half, m_Candidates, &first); },
        [&](bool) { pass(half, cut.size(), &secondCandidates, &second); });
    MergeFound(&first);
    MergeFound(&second);
}

void G3BooleanCalculator::DivideSelf() {
    delete m_Grid;
    m_Grid = new G3Grid(&m_Common, kGridCells);
    FillGrid(m_Grid, m_A, &m_Common);
    CutScratch scratch;
    scratch.candidates = m_Candidates;
    for (int i = 0; i < m_A->GetFacetCount(); ++i) {
        G3Facet* f = m_A->GetFacet(i);
        G3BCFacetData* d = G3BCExDataProvider::DataOf(f);
        if (d == nullptr) continue;
        m_Grid->GetFacetsByFacet(f, d, m_Candidates);
        // Facets that share a vertex meet there by construction, not by crossing.
        int kept = 0;
        for (int k = 0; k < m_Candidates->size(); ++k) {
            auto* g = static_cast<G3Facet*>(m_Candidates->get(k));
            if (g == f || SharesVertex(f, g)) continue;
            m_Candidates->put(kept++, g);
        }
        m_Candidates->size(kept);
        IntersectFacetProcessor(f, nullptr, &scratch);
    }
    m_Candidates->clear();
    delete m_Grid;
    m_Grid = nullptr;
}

void G3BooleanCalculator::MergeSurfaceAndIntersectionTree(G3Surface* s, GEnvelope* env) {
    MergeSurfaceAndIntersectionTree(s, env, nullptr);
}

// Each facet with segments is rebuilt from its boundary and the cut edges, every cut edge
// entered once for each side of the cut; the pieces inherit the facet's outside data.
// Facets with holes keep them as loops of their pieces.
void G3BooleanCalculator::MergeSurfaceAndIntersectionTree(G3Surface* s,
                                                          GEnvelope* /*env*/,
                                                          GEVENT e) {
    std::vector<G3Facet*> snapshot(static_cast<std::size_t>(s->GetFacetCount()));
    for (int i = 0; i < s->GetFacetCount(); ++i) snapshot[std::size_t(i)] = s->GetFacet(i);
    GArrayCollection pieces;
    std::vector<std::vector<double>> splits;
    std::vector<Segment> cuts;
    std::vector<G3EdgeList*> untouched;
    for (G3Facet* f : snapshot) {
        const G3BCFacetData* d = G3BCExDataProvider::DataOf(f);
        if (d == nullptr || d->intersections == nullptr) continue;
        GArrayCollection* segments = d->intersections->GetIntervalList();
        if (segments == nullptr || segments->isEmpty()) continue;
        NormalizeCuts(segments, &cuts);
        if (g3bccuthole::CutOutHole(s, f, cuts, kCutEdgeFlags, e)) continue;
        G3EdgeList list(f->GetFlags(), f->GetSurface());
        list.SetPlane(f->GetPlane());
        untouched.clear();
        SplitLoops(f, cuts, &list, &untouched);
        const bool shaded = f->HasGeometry();
        splits.assign(std::size_t(list.size()), {});
        for (const Segment& seg : cuts) {
            CutEnd ends[2];
            const double* at[2] = {seg.a, seg.b};
            if (TakeBoundarySegment(list, at[0], at[1], &splits)) continue;
            for (int end = 0; end < 2; ++end) ends[end].vertex = s->AddVertex(at[end], 0);
            if (ends[0].vertex == nullptr || ends[1].vertex == nullptr) continue;
            if (shaded) {
                double n[2][3], uv[2][2];
                const int r0 = f->Interpolate(at[0], n[0], uv[0]);
                const int r1 = f->Interpolate(at[1], n[1], uv[1]);
                if (r0 > 0 && r1 > 0) {
                    for (int end = 0; end < 2; ++end) ends[end].normal = s->AddNormal(n[end]);
                }
                if (r0 > 1 && r1 > 1) {
                    for (int end = 0; end < 2; ++end) ends[end].tex = s->AddTexCoo(uv[end]);
                }
            }
            // Once each way: the regions on its two sides each walk one.
            list.AddEdge(ends[0].vertex, ends[1].vertex, ends[0].normal, ends[1].normal,
                         ends[0].tex, ends[1].tex, kCutEdgeFlags);
            list.AddEdge(ends[1].vertex, ends[0].vertex, ends[1].normal, ends[0].normal,
                         ends[1].tex, ends[0].tex, kCutEdgeFlags);
        }
        SplitBoundary(&list, s, splits);
        pieces.clear();
        list.TraceFaces(&pieces, s);
        // Holes no cut comes near stay as they were and join the piece around them.
        for (G3EdgeList* hole : untouched) {
            hole->SetPlane(f->GetPlane());
            hole->FormEnvelope();
            pieces.add(hole);
        }
        // The pieces take over f's edges where they run along them, so the neighbours
        // stay joined without sewing.
        f->RemoveEdges();
        s->ProviderSetExData(f);
        s->AddContourFacets(&pieces, f, e);
        s->ProviderSetExData(nullptr);
        s->RemoveFacet(f);
    }
    // Cut edges put their ends on the other operand's boundary.
    for (int i = 0; i < s->GetEdgeCount(); ++i) {
        G3Edge* edge = s->GetEdge(i);
        if (!edge->GetMark3()) continue;
        for (G3Vertex* v : {edge->GetVertex1(), edge->GetVertex2()}) {
            G3BCVertexData* vd = G3BCExDataProvider::DataOf(v);
            if (vd != nullptr) vd->classification = SURF_ON;
        }
        if (!m_KeepCutMarks) edge->ClearMark3();
    }
}
