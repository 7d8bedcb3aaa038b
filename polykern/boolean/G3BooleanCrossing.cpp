// Whether an operand's own facets cross each other. Parity classification needs bodies
// whose surfaces do not pass through themselves: a point inside two overlapping shells
// would count two crossings and be taken for outside.

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "polykern/boolean/G3BCExDataProvider.h"
#include "polykern/boolean/G3BCFacetData.h"
#include "polykern/boolean/G3BCPrefetch.h"
#include "polykern/boolean/G3BCSideBySide.h"
#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/boolean/G3Interval.h"
#include "polykern/boolean/G3IntervalList.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

namespace {

constexpr double kSide = 1e-6;  // working units, as the facet cuts use
constexpr int kMostCellsPerFacet = 8;
constexpr std::size_t kSortFrom = 16384;  // facets
constexpr double kLargeCells = 64.0;
constexpr std::size_t kMostLarge = 32;
constexpr int kSmallCorners = 16;  // corner entries: two per ring edge

// A facet as the test reads it, gathered once so that the pair tests run over compact
// arrays: its box, its plane and its corners (the ring's vertices, loop after loop).
struct Item {
    G3Facet* facet;
    GEnvelope box;
    double plane[4];
    int first, count;  // its corners in the shared arrays
    int64_t low[3];    // the box's first cell on each axis
};

struct Entry {
    uint64_t cell;
    int item;
};

class Corners {
public:
    void Clear() {
        m_Vertex.clear();
        m_Point.clear();
    }

    void Gather(const G3Facet* f, Item* it) {
        it->first = static_cast<int>(m_Vertex.size());
        for (const G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e)) {
            // Both ends: a facet's corners are the ends of its edges, whichever way it runs.
            for (const G3Vertex* v : {e->GetVertex1(), e->GetVertex2()}) {
                m_Vertex.push_back(v);
                const double* p = v->GetXYZ();
                m_Point.push_back({p[0], p[1], p[2]});
            }
        }
        it->count = static_cast<int>(m_Vertex.size()) - it->first;
    }

    // Whether the facet has corners strictly on both sides of the plane.
    bool Straddles(const Item& it, const double* plane) const {
        bool above = false, below = false;
        for (int k = it.first; k < it.first + it.count; ++k) {
            const double* p = m_Point[std::size_t(k)].data();
            const double s = plane[0] * p[0] + plane[1] * p[1] + plane[2] * p[2] + plane[3];
            above = above || s > kSide;
            below = below || s < -kSide;
            if (above && below) return true;
        }
        return false;
    }

    bool ShareCorner(const Item& a, const Item& b) const {
        for (int i = a.first; i < a.first + a.count; i += 2) {
            for (int j = b.first; j < b.first + b.count; j += 2) {
                const G3Vertex* const* x = &m_Vertex[std::size_t(i)];
                const G3Vertex* const* y = &m_Vertex[std::size_t(j)];
                if (x[0] == y[0] || x[0] == y[1] || x[1] == y[0] || x[1] == y[1]) return true;
            }
        }
        return false;
    }

private:
    std::vector<const G3Vertex*> m_Vertex;
    std::vector<std::array<double, 3>> m_Point;
};

// Two facets cross when each passes through the other's plane, they share no corner,
// and the two cuts along the planes' common line overlap over more than the tolerance.
bool Cross(
    const Corners& corners, const Item& f, const Item& g, G3IntervalList* l1, G3IntervalList* l2) {
    // Neighbours meet at a corner by construction, and most pairs are neighbours: between
    // small facets that test goes first; a large facet's corners are compared last.
    const bool small = f.count <= kSmallCorners && g.count <= kSmallCorners;
    if (small && corners.ShareCorner(f, g)) return false;
    if (!corners.Straddles(f, g.plane) || !corners.Straddles(g, f.plane)) return false;
    if (!small && corners.ShareCorner(f, g)) return false;
    if (f.facet->IntersectByPlaneConcave(g.plane, l1) != 1) return false;
    if (g.facet->IntersectByPlaneConcave(f.plane, l2) != 1) return false;
    l1->BuildIntervals();
    l2->SetMaxCoo(l1);
    l2->BuildIntervals();
    if (l1->GetIntersectionType(l2) != INTERVAL_LIST_OVERLAP) return false;
    G3IntervalList* shared = l1->Intersect(l2);
    bool crossing = false;
    if (shared != nullptr) {
        GArrayCollection* pieces = shared->GetIntervalList();
        for (int k = 0; pieces != nullptr && k < pieces->size() && !crossing; ++k) {
            const auto* x = static_cast<G3Interval*>(pieces->get(k));
            double len2 = 0.0;
            for (int d = 0; d < 3; ++d) {
                const double t = x->GetXYZ2(d) - x->GetXYZ1(d);
                len2 += t * t;
            }
            crossing = len2 > kSide * kSide;
        }
    }
    delete shared;
    return crossing;
}

// The arrays of one check, kept for the thread's next: a run of operations (openings cut
// one after another) then touches no fresh memory. They grow to the largest operand seen.
struct Scratch {
    std::vector<Item> items, sorted;
    std::vector<std::pair<uint64_t, uint32_t>> order;
    Corners corners;
    std::vector<Entry> entries, grouped;
    std::vector<int> start, at, large;
};

// The facets go into a hash of cells about as large as a facet (coarser while a facet
// would cover too many); each pair that shares a cell is tested once, in the first cell
// their boxes share, so the work follows the facets' real neighbours.
bool CrossesWithin(G3Surface* s, Scratch* w) {
    Scratch& scratch = *w;
    std::vector<Item>& items = scratch.items;
    items.clear();
    Corners& corners = scratch.corners;
    corners.Clear();
    double sum = 0.0;
    GEnvelope all;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        G3Facet* f = s->GetFacet(i);
        const G3BCFacetData* d = G3BCExDataProvider::DataOf(f);
        if (d == nullptr || d->IsDefault()) continue;
        const double* plane = f->GetPlane();
        items.push_back(
            {f, GEnvelope(*d), {plane[0], plane[1], plane[2], plane[3]}, 0, 0, {0, 0, 0}});
        sum += d->GetMaxSize();
        if (all.IsDefault()) {
            all.Init(d);
        } else {
            all.Add(d);
        }
    }
    if (items.size() < 2) return false;
    const double size = std::max(1.5 * sum / static_cast<double>(items.size()), 1e-9);
    double perCell = 1.0 / size;  // a product is cheaper than a quotient, and as monotone
    // Every coordinate asked lies in `all`, so the cell's offset is never negative and
    // truncation floors it.
    auto cell = [&all, &perCell](double c, int axis) {
        const double t = (c - all.GetMin()[axis]) * perCell;
        return static_cast<int64_t>(std::min(std::max(t, 0.0), 2097151.0));  // 21 bits
    };
    // Coarser cells until the facets fill at most a few cells each on average.
    for (int round = 0; round < 40; ++round) {
        double filled = 0.0;
        for (const Item& it : items) {
            double n = 1.0;
            for (int k = 0; k < 3; ++k)
                n *= double(cell(it.box.GetMax()[k], k) - cell(it.box.GetMin()[k], k) + 1);
            filled += n;
        }
        if (filled <= kMostCellsPerFacet * static_cast<double>(items.size())) break;
        perCell *= 0.5;
    }
    // In the order of their first cells, so that the facets a cell holds lie together in
    // memory, their corners too.
    for (Item& it : items) {
        for (int k = 0; k < 3; ++k) it.low[k] = cell(it.box.GetMin()[k], k);
    }
    // Only worth it once the facets no longer fit in the caches. The cells are sorted as
    // packed keys beside the items' places, and the items moved once: sorting the items
    // themselves would move each many times.
    if (items.size() > kSortFrom) {
        std::vector<std::pair<uint64_t, uint32_t>>& order = scratch.order;
        order.resize(items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            const int64_t* low = items[i].low;
            order[i] = {(uint64_t(low[0]) << 42) | (uint64_t(low[1]) << 21) | uint64_t(low[2]),
                        static_cast<uint32_t>(i)};
        }
        std::sort(order.begin(), order.end());
        std::vector<Item>& sorted = scratch.sorted;
        sorted.resize(items.size());
        for (std::size_t i = 0; i < items.size(); ++i) sorted[i] = items[order[i].second];
        items.swap(sorted);
    }
    const int count = static_cast<int>(items.size());
    for (int i = 0; i < count; ++i) {
        g3bcprefetch::PrefetchRing(count - 1 - i, [&items, count](int r) {
            return items[std::size_t(count - 1 - r)].facet;
        });
        corners.Gather(items[std::size_t(i)].facet, &items[std::size_t(i)]);
    }
    std::vector<Entry>& entries = scratch.entries;
    entries.clear();
    std::vector<int>& large = scratch.large;
    large.clear();
    G3IntervalList l1, l2;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Item& it = items[i];
        int64_t high[3];
        double cells = 1.0;
        for (int k = 0; k < 3; ++k) {
            high[k] = cell(it.box.GetMax()[k], k);
            cells *= double(high[k] - it.low[k] + 1);
        }
        // A facet spanning many cells (a slab's face) is tested against every other box
        // instead: one pass over the boxes costs less than a pair test in each cell. Only
        // a few are, so that the passes stay linear.
        if (cells > kLargeCells && large.size() < kMostLarge) {
            large.push_back(static_cast<int>(i));
            continue;
        }
        for (int64_t x = it.low[0]; x <= high[0]; ++x) {
            for (int64_t y = it.low[1]; y <= high[1]; ++y) {
                for (int64_t z = it.low[2]; z <= high[2]; ++z) {
                    const uint64_t key = (uint64_t(x) << 42) | (uint64_t(y) << 21) | uint64_t(z);
                    entries.push_back({key, static_cast<int>(i)});
                }
            }
        }
    }
    for (std::size_t k = 0; k < large.size(); ++k) {
        const Item& p = items[std::size_t(large[k])];
        for (std::size_t j = 0; j < items.size(); ++j) {
            const Item& q = items[j];
            // A pair of two large facets is tested from the earlier of them only.
            if (&q == &p || !p.box.IsIntersectXYZ(&q.box)) continue;
            if (std::find(large.begin(), large.begin() + std::ptrdiff_t(k), int(j)) !=
                large.begin() + std::ptrdiff_t(k))
                continue;
            const bool qFirst = q.box.GetMaxSize() <= p.box.GetMaxSize();
            if (Cross(corners, qFirst ? q : p, qFirst ? p : q, &l1, &l2)) return true;
        }
    }
    // Entries grouped by their cell, in two linear passes (a counting sort). While the
    // box's cells are not many more than the entries, a group is one cell and the groups
    // follow the cells' order, so neighbouring groups read neighbouring facets; otherwise a
    // group is a hash of cells, told apart by their keys.
    uint64_t across[3];
    for (int k = 0; k < 3; ++k) across[k] = uint64_t(cell(all.GetMax()[k], k)) + 1;
    const double dense = double(across[0]) * double(across[1]) * double(across[2]);
    const bool ordered = dense <= 4.0 * double(entries.size()) + 4096.0;
    std::size_t buckets = 16;
    if (ordered) {
        buckets = std::size_t(dense);
    } else {
        while (buckets < entries.size()) buckets *= 2;
    }
    auto bucketOf = [buckets, ordered, &across](uint64_t key) {
        if (ordered) {
            const uint64_t x = key >> 42, y = (key >> 21) & 0x1FFFFF, z = key & 0x1FFFFF;
            return static_cast<std::size_t>((x * across[1] + y) * across[2] + z);
        }
        uint64_t h = key;  // every bit of the three cell numbers reaches the low bits
        h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
        h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
        return static_cast<std::size_t>((h ^ (h >> 31)) & (buckets - 1));
    };
    std::vector<int>& start = scratch.start;
    start.assign(buckets + 1, 0);
    for (const Entry& e : entries) ++start[bucketOf(e.cell) + 1];
    for (std::size_t b = 0; b < buckets; ++b) start[b + 1] += start[b];
    std::vector<Entry>& grouped = scratch.grouped;
    grouped.resize(entries.size());
    std::vector<int>& at = scratch.at;
    at.assign(start.begin(), start.end() - 1);
    for (const Entry& e : entries) grouped[std::size_t(at[bucketOf(e.cell)]++)] = e;
    for (std::size_t b = 0; b < buckets; ++b) {
        const std::size_t begin = std::size_t(start[b]), end = std::size_t(start[b + 1]);
        for (std::size_t x = begin; x < end; ++x) {
            const uint64_t key = grouped[x].cell;
            const int64_t here[3] = {int64_t(key >> 42), int64_t((key >> 21) & 0x1FFFFF),
                                     int64_t(key & 0x1FFFFF)};
            const Item& p = items[std::size_t(grouped[x].item)];
            for (std::size_t y = x + 1; y < end; ++y) {
                if (grouped[y].cell != key) continue;
                const Item& q = items[std::size_t(grouped[y].item)];
                bool first = true;
                for (int k = 0; k < 3 && first; ++k)
                    first = std::max(p.low[k], q.low[k]) == here[k];
                if (!first || !p.box.IsIntersectXYZ(&q.box)) continue;
                // The smaller facet's corners against the larger one's plane first: a
                // slab's face with hundreds of holes is walked only when that passes.
                const bool pFirst = p.box.GetMaxSize() <= q.box.GetMaxSize();
                if (Cross(corners, pFirst ? p : q, pFirst ? q : p, &l1, &l2)) return true;
            }
        }
    }
    return false;
}

// The thread's scratch, through a call the optimizer keeps: the check then holds a plain
// pointer, which it cannot trade for fresh lookups of thread storage in its loops.
__attribute__((noinline)) Scratch* ThreadScratch() {
    static thread_local Scratch scratch;
    return &scratch;
}

// The helper thread's scratch, kept from one check to the next as the calling thread's
// is; the caller holding the helper holds it.
Scratch* HelperScratch() {
    static Scratch* scratch = new Scratch();
    return scratch;
}

}  // namespace

bool G3BooleanCalculator::CrossesItself(G3Surface* s) {
    return CrossesWithin(s, ThreadScratch());
}

// The checks only read the operands, so the second can run on the helper thread while
// the first runs here; otherwise they run one after the other. The answer is the same.
bool G3BooleanCalculator::EitherCrossesItself(G3Surface* a, G3Surface* b) {
    const bool large =
        a->GetFacetCount() >= g3bcside::kFacets && b->GetFacetCount() >= g3bcside::kFacets;
    bool first = false, second = false;
    g3bcside::Run(
        large, [&] { first = CrossesItself(a); },
        [&](bool onHelper) {
            if (onHelper) {
                second = CrossesWithin(b, HelperScratch());
            } else if (!first) {
                second = CrossesItself(b);
            }
        });
    return first || second;
}
