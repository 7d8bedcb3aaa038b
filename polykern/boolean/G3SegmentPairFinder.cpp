#include "polykern/boolean/G3SegmentPairFinder.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <queue>
#include <set>
#include <unordered_set>

#include "polykern/boolean/G3Segment.h"

namespace {

// How far across the sweep an end may lie from a segment that it touches within 1e-6: a
// segment that is searched in a sweep runs at most 45 degrees off the sweep axis, so 1e-6
// from its line is at most √2·1e-6 across; the rest is slack for rounding.
constexpr double kWindow = 1e-5;
// Up to this many segments, every pair is handed out.
constexpr std::size_t kEveryPairUpTo = 16;

uint64_t PairKey(int a, int b) {
    if (a > b) std::swap(a, b);
    return static_cast<uint64_t>(a) << 32 | static_cast<uint32_t>(b);
}

// One sweep along the axis `up`, keeping the segments that span the sweep position ordered
// by where they cross it (on the axis `across`), and swapping two neighbours where they
// cross. It reports every pair that becomes neighbours in that order, so every pair that
// crosses; every segment within the window of an end, when the sweep passes that end; and
// every segment a segment lying flat on the sweep line meets. An end that touches a segment
// running closer to `up` than to `across` is found here; the sweep along the other axis
// finds the touches of the others.
class OrderedSweep {
public:
    OrderedSweep(const std::vector<const G3Segment*>& segments,
                 int across,
                 int up,
                 std::vector<uint64_t>& pairs)
        : m_Pairs(pairs), m_Active(Less{this}) {
        const std::size_t n = segments.size();
        m_Ends.resize(n);
        double largest = 0.0;
        for (std::size_t k = 0; k < n; ++k) {
            const double* p = segments[k]->GetStart();
            const double* q = segments[k]->GetEnd();
            const bool flip = q[up] < p[up] || (q[up] == p[up] && q[across] < p[across]);
            if (flip) std::swap(p, q);
            m_Ends[k] = {p[across], p[up], q[across], q[up]};
            largest = std::max({largest, std::fabs(p[across]), std::fabs(q[across]),
                                std::fabs(p[up]), std::fabs(q[up])});
        }
        m_Window = kWindow + 64 * std::numeric_limits<double>::epsilon() * largest;
        m_Slots.resize(n);
        m_Position.resize(n, m_Active.end());
    }

    void Run() {
        const int n = static_cast<int>(m_Ends.size());
        std::vector<int> starts(n), ends;
        for (int k = 0; k < n; ++k) starts[k] = k;
        std::sort(starts.begin(), starts.end(), [this](int a, int b) {
            const End &p = m_Ends[a], &q = m_Ends[b];
            return p.y0 < q.y0 || (p.y0 == q.y0 && (p.x0 < q.x0 || (p.x0 == q.x0 && a < b)));
        });
        for (int k = 0; k < n; ++k) {
            if (!IsFlat(k)) ends.push_back(k);
        }
        std::sort(ends.begin(), ends.end(), [this](int a, int b) {
            return m_Ends[a].y1 < m_Ends[b].y1 || (m_Ends[a].y1 == m_Ends[b].y1 && a < b);
        });
        const double none = std::numeric_limits<double>::infinity();
        std::size_t nextStart = 0, nextEnd = 0;
        while (nextStart < starts.size() || nextEnd < ends.size() || !m_Crossings.empty()) {
            // At one position: crossings, then ends, then starts.
            const double yc = m_Crossings.empty() ? none : m_Crossings.top().y;
            const double ye = nextEnd < ends.size() ? m_Ends[ends[nextEnd]].y1 : none;
            const double ys = nextStart < starts.size() ? m_Ends[starts[nextStart]].y0 : none;
            if (!m_Crossings.empty() && yc <= ye && yc <= ys) {
                const Crossing c = m_Crossings.top();
                m_Crossings.pop();
                Swap(c);
            } else if (nextEnd < ends.size() && ye <= ys) {
                Remove(ends[nextEnd++]);
            } else {
                Insert(starts[nextStart++]);
            }
        }
    }

private:
    struct End {
        double x0, y0, x1, y1;  // the end lower on `up` first
    };
    struct Slot {
        int segment;
    };
    struct Less {
        using is_transparent = void;
        const OrderedSweep* sweep;
        bool operator()(const Slot* a, const Slot* b) const {
            return sweep->Before(a->segment, b->segment);
        }
        bool operator()(const Slot* a, double x) const { return sweep->Across(a->segment) < x; }
        bool operator()(double x, const Slot* b) const { return x < sweep->Across(b->segment); }
    };
    using Active = std::set<Slot*, Less>;
    struct Crossing {
        double y;
        int left, right;
        bool operator>(const Crossing& o) const { return y > o.y; }
    };

    bool IsFlat(int k) const { return !(m_Ends[k].y1 > m_Ends[k].y0); }

    double AcrossAt(int k, double y) const {
        const End& e = m_Ends[k];
        if (!(y > e.y0)) return e.x0;
        if (!(y < e.y1)) return e.x1;
        return e.x0 + (e.x1 - e.x0) * ((y - e.y0) / (e.y1 - e.y0));
    }
    double Across(int k) const { return AcrossAt(k, m_Y); }

    // The order at the sweep position; segments through one point are ordered by where
    // they run above it, and the same line by index.
    bool Before(int a, int b) const {
        const double xa = Across(a), xb = Across(b);
        if (xa != xb) return xa < xb;
        const End &p = m_Ends[a], &q = m_Ends[b];
        const double sa = (p.x1 - p.x0) / (p.y1 - p.y0), sb = (q.x1 - q.x0) / (q.y1 - q.y0);
        if (sa != sb) return sa < sb;
        return a < b;
    }

    void Emit(int a, int b) {
        if (a != b) m_Pairs.push_back(PairKey(a, b));
    }

    void EmitWithin(int k, double lo, double hi) {
        for (auto it = m_Active.lower_bound(lo); it != m_Active.end(); ++it) {
            if (!(Across((*it)->segment) <= hi)) break;
            Emit(k, (*it)->segment);
        }
    }

    // Reports two new neighbours and schedules their swap when they cross further up.
    void Neighbours(Active::iterator left, Active::iterator right) {
        const int a = (*left)->segment, b = (*right)->segment;
        Emit(a, b);
        if (m_Swapped.count(PairKey(a, b)) != 0) return;
        const double top = std::min(m_Ends[a].y1, m_Ends[b].y1);
        const double now = AcrossAt(b, m_Y) - AcrossAt(a, m_Y);
        const double then = AcrossAt(b, top) - AcrossAt(a, top);
        if (!(then < 0.0)) return;
        double y = m_Y;
        if (now > 0.0) y = std::clamp(m_Y + (top - m_Y) * (now / (now - then)), m_Y, top);
        m_Crossings.push({y, a, b});
    }

    void Insert(int k) {
        const End& e = m_Ends[k];
        m_Y = std::max(m_Y, e.y0);
        if (IsFlat(k)) {
            // Lying on the sweep line: it meets whatever spans the line between its ends.
            EmitWithin(k, e.x0 - m_Window, e.x1 + m_Window);
            return;
        }
        EmitWithin(k, e.x0 - m_Window, e.x0 + m_Window);
        m_Slots[k].segment = k;
        const auto it = m_Active.insert(&m_Slots[k]).first;
        m_Position[k] = it;
        if (it != m_Active.begin()) Neighbours(std::prev(it), it);
        if (std::next(it) != m_Active.end()) Neighbours(it, std::next(it));
    }

    void Remove(int k) {
        const End& e = m_Ends[k];
        m_Y = std::max(m_Y, e.y1);
        EmitWithin(k, e.x1 - m_Window, e.x1 + m_Window);
        const auto it = m_Position[k];
        const bool hasLeft = it != m_Active.begin();
        const auto left = hasLeft ? std::prev(it) : m_Active.end();
        const auto right = std::next(it);
        m_Active.erase(it);
        m_Position[k] = m_Active.end();
        if (hasLeft && right != m_Active.end()) Neighbours(left, right);
    }

    // Two neighbours cross: they trade places, each once, and meet new neighbours.
    void Swap(const Crossing& c) {
        const auto left = m_Position[c.left], right = m_Position[c.right];
        if (left == m_Active.end() || right == m_Active.end() || std::next(left) != right) return;
        if (!m_Swapped.insert(PairKey(c.left, c.right)).second) return;
        m_Y = std::max(m_Y, c.y);
        (*left)->segment = c.right;
        (*right)->segment = c.left;
        m_Position[c.right] = left;
        m_Position[c.left] = right;
        if (left != m_Active.begin()) Neighbours(std::prev(left), left);
        if (std::next(right) != m_Active.end()) Neighbours(right, std::next(right));
    }

    std::vector<uint64_t>& m_Pairs;
    std::vector<End> m_Ends;
    std::vector<Slot> m_Slots;
    Active m_Active;
    std::vector<Active::iterator> m_Position;  // end() while not active
    std::priority_queue<Crossing, std::vector<Crossing>, std::greater<Crossing>> m_Crossings;
    std::unordered_set<uint64_t> m_Swapped;
    double m_Y = -std::numeric_limits<double>::infinity();
    double m_Window = kWindow;
};

}  // namespace

std::vector<std::pair<int, int>> G3SegmentPairFinder::Find(
    const std::vector<const G3Segment*>& segments, int i, int j) {
    // A few segments (a facet split by a cut or two): every pair, which the caller tests
    // anyway; two sweeps' trees and queues cost more than the tests they would save.
    if (segments.size() <= kEveryPairUpTo) {
        const int n = static_cast<int>(segments.size());
        std::vector<std::pair<int, int>> all;
        all.reserve(std::size_t(n * (n - 1) / 2));
        for (int a = 0; a < n; ++a) {
            for (int b = a + 1; b < n; ++b) all.emplace_back(a, b);
        }
        return all;
    }
    std::vector<uint64_t> keys;
    OrderedSweep(segments, i, j, keys).Run();
    OrderedSweep(segments, j, i, keys).Run();
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    std::vector<std::pair<int, int>> pairs;
    pairs.reserve(keys.size());
    for (uint64_t key : keys)
        pairs.emplace_back(static_cast<int>(key >> 32), static_cast<int>(key & 0xffffffffu));
    return pairs;
}
