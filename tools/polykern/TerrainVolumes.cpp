// Cut and fill between two terrain sheets. An edit leaves most of a terrain as it was, so
// the triangles with the same corners in both sheets are paired through a hash and drop
// out; only the changed triangles are overlaid, through a grid over the changed region,
// and measured about the region's centre so that distant sites keep their digits.

#include "tools/polykern/TerrainVolumes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

namespace pkcli {

namespace {

// A triangle of a sheet by the coordinates its vertices hold, corners in lexicographic
// order: the same triangle reads the same whatever corner or direction its facet takes.
struct CornerTri {
    const double* c[3];
};

bool Before(const double* a, const double* b) {
    if (a[0] != b[0]) return a[0] < b[0];
    if (a[1] != b[1]) return a[1] < b[1];
    return a[2] < b[2];
}

CornerTri Ordered(const double* p, const double* q, const double* r) {
    if (Before(q, p)) std::swap(p, q);
    if (Before(r, q)) std::swap(q, r);
    if (Before(q, p)) std::swap(p, q);
    return {{p, q, r}};
}

bool SameCorners(const CornerTri& a, const CornerTri& b) {
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 3; ++i)
            if (a.c[k][i] != b.c[k][i]) return false;
    return true;
}

// The nine coordinates' bits are mixed side by side, not in a chain: a sheet of millions
// of triangles is hashed twice over.
std::uint64_t HashOf(const CornerTri& t) {
    static constexpr std::uint64_t kOdd[9] = {
        0x9e3779b97f4a7c15ULL, 0xbf58476d1ce4e5b9ULL, 0x94d049bb133111ebULL,
        0xff51afd7ed558ccdULL, 0xc4ceb9fe1a85ec53ULL, 0xd6e8feb86659fd93ULL,
        0xa0761d6478bd642fULL, 0xe7037ed1a0b428dbULL, 0x8ebc6af09c88c6e3ULL};
    std::uint64_t h = 0;
    for (int k = 0; k < 3; ++k) {
        for (int i = 0; i < 3; ++i) {
            const double v = t.c[k][i] + 0.0;  // -0 hashes as +0, which it equals
            std::uint64_t bits;
            std::memcpy(&bits, &v, sizeof bits);
            h += (bits ^ (bits >> 29)) * kOdd[3 * k + i];
        }
    }
    h ^= h >> 32;
    h *= 0xd6e8feb86659fd93ULL;
    return h ^ (h >> 29);
}

// The three corners of a facet whose ring is one loop of three edges; false for any
// other ring. Read off the edges directly: most facets of a terrain are triangles.
bool TriangleCorners(const G3Facet* f, const G3Vertex* corner[3]) {
    const G3Edge* e0 = f->GetFirstEdge();
    const G3Edge* e1 = e0 != nullptr ? e0->NextInFacet(f) : nullptr;
    const G3Edge* e2 = e1 != nullptr ? e1->NextInFacet(f) : nullptr;
    if (e2 == nullptr || e2->NextInFacet(f) != nullptr) return false;
    const G3Vertex* a = e0->GetVertex1();
    const G3Vertex* b = e0->GetVertex2();
    if (e1->HasVertex(a) == e1->HasVertex(b)) return false;
    const G3Vertex* shared = e1->HasVertex(a) ? a : b;
    const G3Vertex* c = e1->OtherVertex(shared);
    const G3Vertex* rest = shared == a ? b : a;
    if (c == a || c == b || !e2->HasVertex(c) || !e2->HasVertex(rest)) return false;
    corner[0] = a, corner[1] = b, corner[2] = c;
    return true;
}

bool IsFinite(const double* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// Calls visit(CornerTri) for every triangle of the sheet, facets that are not triangles
// cut up in plan first; rings that do not close are passed over. False, with *error, at
// the first non-finite coordinate.
template <typename Visit>
bool ForEachTriangle(const G3Surface* s, const char* which, std::string* error, Visit visit) {
    std::vector<G3Vertex*> starts;
    std::vector<int> ends, tris;
    std::vector<const double*> points;
    auto fail = [&] {
        if (error != nullptr)
            *error = std::string("the terrain ") + which + " has a non-finite coordinate";
        return false;
    };
    const int n = s->GetFacetCount();
    for (int i = 0; i < n; ++i) {
        const G3Facet* f = s->GetFacet(i);
        if (f == nullptr) continue;
        const G3Vertex* corner[3];
        if (TriangleCorners(f, corner)) {
            const double* p[3] = {corner[0]->GetXYZ(), corner[1]->GetXYZ(), corner[2]->GetXYZ()};
            if (!IsFinite(p[0]) || !IsFinite(p[1]) || !IsFinite(p[2])) return fail();
            visit(Ordered(p[0], p[1], p[2]));
            continue;
        }
        if (!f->GetLoops(starts, ends)) continue;
        points.clear();
        for (const G3Vertex* v : starts) {
            points.push_back(v->GetXYZ());
            if (!IsFinite(points.back())) return fail();
        }
        tris.clear();
        TriangulatePlanLoops(points, ends, &tris);
        for (std::size_t k = 0; k + 2 < tris.size(); k += 3)
            visit(Ordered(points[std::size_t(tris[k])], points[std::size_t(tris[k + 1])],
                          points[std::size_t(tris[k + 2])]));
    }
    return true;
}

// Open addressing over chosen triangles of a list by the hash of their corners.
class TriangleIndex {
public:
    TriangleIndex(const std::vector<std::uint64_t>& hash, const std::vector<std::uint32_t>& ids)
        : m_Hash(hash) {
        std::size_t size = 16;
        while (size < 2 * ids.size()) size *= 2;
        m_Mask = size - 1;
        m_Slots.assign(size, 0);
        for (std::uint32_t i : ids) {
            std::size_t s = m_Hash[i] & m_Mask;
            while (m_Slots[s] != 0) s = (s + 1) & m_Mask;
            m_Slots[s] = i + 1;
        }
    }
    /// The first triangle of the index with hash h that `fits`; -1 when none.
    template <typename Fits>
    long Find(std::uint64_t h, Fits fits) const {
        for (std::size_t s = h & m_Mask; m_Slots[s] != 0; s = (s + 1) & m_Mask) {
            const std::uint32_t i = m_Slots[s] - 1;
            if (m_Hash[i] == h && fits(i)) return long(i);
        }
        return -1;
    }

private:
    const std::vector<std::uint64_t>& m_Hash;
    std::vector<std::uint32_t> m_Slots;
    std::size_t m_Mask = 0;
};

// Pairs the triangles of the sheet after an edit one to one with equal triangles of the
// sheet before. An edit keeps the order of the triangles it leaves alone, so a cursor runs
// along the earlier sheet, a short look ahead steps over the few it took out, and an index
// of every 16th earlier triangle puts the cursor back on track after a longer gap. What
// the cursor misses is paired through an index of all that is left, at the end.
class TrianglePairing {
public:
    explicit TrianglePairing(const std::vector<CornerTri>& old)
        : m_Old(old), m_Hash(old.size()), m_Used(old.size(), 0) {
        std::vector<std::uint32_t> sampled;
        for (std::size_t i = 0; i < old.size(); ++i) {
            m_Hash[i] = HashOf(old[i]);
            if (i % kSampling == 0) sampled.push_back(std::uint32_t(i));
        }
        m_Sampled = std::make_unique<TriangleIndex>(m_Hash, sampled);
    }
    /// Pairs t, of the later sheet, or keeps it for Finish.
    void Add(const CornerTri& t) {
        const std::uint64_t h = HashOf(t);
        for (std::size_t k = 0; k <= kLookAhead; ++k) {
            if (Take(m_Cursor + k, t, h)) {
                m_Cursor += k + 1;
                return;
            }
        }
        const long i = m_Sampled->Find(h, [&](std::uint32_t j) { return Fits(j, t); });
        if (i >= 0) {
            m_Used[std::size_t(i)] = 1;
            m_Cursor = std::size_t(i) + 1;
            return;
        }
        m_Pending.push_back(t);
        m_PendingHash.push_back(h);
    }
    /// The triangles left without partner: of the earlier sheet, and of the later one.
    void Finish(std::vector<CornerTri>* removed, std::vector<CornerTri>* added) {
        std::vector<std::uint32_t> left;
        for (std::size_t i = 0; i < m_Old.size(); ++i)
            if (m_Used[i] == 0) left.push_back(std::uint32_t(i));
        const TriangleIndex index(m_Hash, left);
        for (std::size_t k = 0; k < m_Pending.size(); ++k) {
            const CornerTri& t = m_Pending[k];
            const long i =
                index.Find(m_PendingHash[k], [&](std::uint32_t j) { return Fits(j, t); });
            if (i >= 0)
                m_Used[std::size_t(i)] = 1;
            else
                added->push_back(t);
        }
        for (std::uint32_t i : left)
            if (m_Used[i] == 0) removed->push_back(m_Old[i]);
    }

private:
    static constexpr std::size_t kLookAhead = 8;
    static constexpr std::size_t kSampling = 16;

    bool Fits(std::size_t i, const CornerTri& t) const {
        return m_Used[i] == 0 && SameCorners(m_Old[i], t);
    }
    bool Take(std::size_t i, const CornerTri& t, std::uint64_t h) {
        if (i >= m_Old.size() || m_Hash[i] != h || !Fits(i, t)) return false;
        m_Used[i] = 1;
        return true;
    }

    const std::vector<CornerTri>& m_Old;
    std::vector<std::uint64_t> m_Hash;
    std::vector<char> m_Used;
    std::unique_ptr<TriangleIndex> m_Sampled;
    std::size_t m_Cursor = 0;
    std::vector<CornerTri> m_Pending;
    std::vector<std::uint64_t> m_PendingHash;
};

// A changed triangle about the local origin: counter-clockwise corners, and its height
// z(x, y) = z + gx·(x − x[0]) + gy·(y − y[0]).
struct PlanTri {
    double x[3], y[3];
    double z, gx, gy;
    double box[4];
    double At(double px, double py) const { return z + gx * (px - x[0]) + gy * (py - y[0]); }
};

// False for a triangle without area in plan.
bool MakePlanTri(const CornerTri& t, const double origin[3], PlanTri* out) {
    double p[3][3];
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 3; ++i) p[k][i] = t.c[k][i] - origin[i];
    double det =
        (p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) - (p[2][0] - p[0][0]) * (p[1][1] - p[0][1]);
    if (det == 0.0) return false;
    if (det < 0.0) {
        std::swap(p[1], p[2]);
        det = -det;
    }
    const double ax = p[1][0] - p[0][0], ay = p[1][1] - p[0][1], az = p[1][2] - p[0][2];
    const double bx = p[2][0] - p[0][0], by = p[2][1] - p[0][1], bz = p[2][2] - p[0][2];
    out->gx = (az * by - bz * ay) / det;
    out->gy = (ax * bz - bx * az) / det;
    if (!std::isfinite(out->gx) || !std::isfinite(out->gy)) return false;
    out->z = p[0][2];
    for (int k = 0; k < 3; ++k) out->x[k] = p[k][0], out->y[k] = p[k][1];
    out->box[0] = std::min({p[0][0], p[1][0], p[2][0]});
    out->box[1] = std::min({p[0][1], p[1][1], p[2][1]});
    out->box[2] = std::max({p[0][0], p[1][0], p[2][0]});
    out->box[3] = std::max({p[0][1], p[1][1], p[2][1]});
    return true;
}

// A convex polygon in plan with a value at each corner (the height difference).
struct Piece {
    static constexpr int kMax = 12;
    double x[kMax], y[kMax], d[kMax];
    int n = 0;
};

// Keeps the part of `in` where s ≥ 0 (s given per corner and linear along the sides);
// values along new corners are interpolated.
void KeepNonNegative(const Piece& in, const double* s, Piece* out) {
    out->n = 0;
    for (int i = 0; i < in.n && out->n + 2 <= Piece::kMax; ++i) {
        const int j = (i + 1) % in.n;
        if (s[i] >= 0.0) {
            out->x[out->n] = in.x[i], out->y[out->n] = in.y[i], out->d[out->n] = in.d[i];
            ++out->n;
        }
        if ((s[i] < 0.0) != (s[j] < 0.0)) {
            const double t = s[i] / (s[i] - s[j]);
            out->x[out->n] = in.x[i] + t * (in.x[j] - in.x[i]);
            out->y[out->n] = in.y[i] + t * (in.y[j] - in.y[i]);
            out->d[out->n] = in.d[i] + t * (in.d[j] - in.d[i]);
            ++out->n;
        }
    }
}

// ∫d over the convex piece: d is linear, so each fan triangle gives its area times the
// mean of its corners' values.
double Integral(const Piece& p) {
    double sum = 0.0;
    for (int k = 1; k + 1 < p.n; ++k) {
        const double a =
            (p.x[k] - p.x[0]) * (p.y[k + 1] - p.y[0]) - (p.x[k + 1] - p.x[0]) * (p.y[k] - p.y[0]);
        sum += a * (p.d[0] + p.d[k] + p.d[k + 1]);
    }
    return sum / 6.0;
}

// Over the plan overlap of a and b: ∫max(0, a − b) into *above, ∫max(0, b − a) into *below.
void Overlap(const PlanTri& a, const PlanTri& b, double* above, double* below) {
    Piece p, q;
    p.n = 3;
    for (int k = 0; k < 3; ++k) p.x[k] = a.x[k], p.y[k] = a.y[k], p.d[k] = 0.0;
    double s[Piece::kMax];
    for (int e = 0; e < 3 && p.n >= 3; ++e) {
        const double x0 = b.x[e], y0 = b.y[e];
        const double ex = b.x[(e + 1) % 3] - x0, ey = b.y[(e + 1) % 3] - y0;
        for (int i = 0; i < p.n; ++i) s[i] = ex * (p.y[i] - y0) - ey * (p.x[i] - x0);
        KeepNonNegative(p, s, &q);
        p = q;
    }
    if (p.n < 3) return;
    for (int i = 0; i < p.n; ++i) p.d[i] = a.At(p.x[i], p.y[i]) - b.At(p.x[i], p.y[i]);
    for (int i = 0; i < p.n; ++i) s[i] = p.d[i];
    KeepNonNegative(p, s, &q);
    *above += Integral(q);
    for (int i = 0; i < p.n; ++i) s[i] = -p.d[i];
    KeepNonNegative(p, s, &q);
    *below -= Integral(q);
}

// Overlays the changed triangles of the two sheets through a uniform grid over those of
// `lower`, binned by their plan boxes, and sums the height difference upper − lower by sign.
void OverlayChanged(const std::vector<PlanTri>& lower,
                    const std::vector<PlanTri>& upper,
                    double* positive,
                    double* negative) {
    if (lower.empty() || upper.empty()) return;
    double box[4] = {HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const PlanTri& t : lower) {
        box[0] = std::min(box[0], t.box[0]), box[1] = std::min(box[1], t.box[1]);
        box[2] = std::max(box[2], t.box[2]), box[3] = std::max(box[3], t.box[3]);
    }
    const int n = std::clamp(int(std::sqrt(double(lower.size()))), 1, 2048);
    const double sx = box[2] > box[0] ? n / (box[2] - box[0]) : 0.0;
    const double sy = box[3] > box[1] ? n / (box[3] - box[1]) : 0.0;
    auto cell = [n](double v, double lo, double scale) {
        const double c = (v - lo) * scale;
        return c <= 0.0 ? 0 : c >= n - 1 ? n - 1 : int(c);
    };
    // Cells as one array of triangle indices with offsets (counted, then filled).
    std::vector<int> start(std::size_t(n) * std::size_t(n) + 1, 0), items;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < lower.size(); ++i) {
            const PlanTri& t = lower[i];
            const int x0 = cell(t.box[0], box[0], sx), x1 = cell(t.box[2], box[0], sx);
            const int y0 = cell(t.box[1], box[1], sy), y1 = cell(t.box[3], box[1], sy);
            for (int y = y0; y <= y1; ++y) {
                for (int x = x0; x <= x1; ++x) {
                    const std::size_t c = std::size_t(y) * std::size_t(n) + std::size_t(x);
                    if (pass == 0)
                        ++start[c + 1];
                    else
                        items[std::size_t(start[c]++)] = int(i);
                }
            }
        }
        if (pass == 0) {
            for (std::size_t c = 1; c < start.size(); ++c) start[c] += start[c - 1];
            items.resize(std::size_t(start.back()));
        }
    }
    // The fill pass moved each cell's offset to its end: cell c runs from start[c - 1].
    std::vector<int> seen(lower.size(), -1);
    for (std::size_t j = 0; j < upper.size(); ++j) {
        const PlanTri& u = upper[j];
        if (u.box[2] < box[0] || u.box[0] > box[2] || u.box[3] < box[1] || u.box[1] > box[3])
            continue;
        const int x0 = cell(u.box[0], box[0], sx), x1 = cell(u.box[2], box[0], sx);
        const int y0 = cell(u.box[1], box[1], sy), y1 = cell(u.box[3], box[1], sy);
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const std::size_t c = std::size_t(y) * std::size_t(n) + std::size_t(x);
                for (int k = c == 0 ? 0 : start[c - 1]; k < start[c]; ++k) {
                    const std::size_t i = std::size_t(items[std::size_t(k)]);
                    if (seen[i] == int(j)) continue;
                    seen[i] = int(j);
                    const PlanTri& l = lower[i];
                    if (l.box[2] < u.box[0] || l.box[0] > u.box[2] || l.box[3] < u.box[1] ||
                        l.box[1] > u.box[3])
                        continue;
                    Overlap(u, l, positive, negative);
                }
            }
        }
    }
}

}  // namespace

bool TerrainCutFill(const G3Surface* before,
                    const G3Surface* after,
                    double* cut,
                    double* fill,
                    std::string* error) {
    if (cut != nullptr) *cut = 0.0;
    if (fill != nullptr) *fill = 0.0;
    if (before == nullptr || after == nullptr || cut == nullptr || fill == nullptr) {
        if (error != nullptr) *error = "cut and fill need two terrains and two results";
        return false;
    }
    std::vector<CornerTri> old;
    old.reserve(std::size_t(before->GetFacetCount()));
    if (!ForEachTriangle(before, "before the edit", error,
                         [&](const CornerTri& t) { old.push_back(t); }))
        return false;
    // Invariant: every triangle of `after` that is also in `before` is paired with it.
    TrianglePairing pairing(old);
    if (!ForEachTriangle(after, "after the edit", error,
                         [&](const CornerTri& t) { pairing.Add(t); }))
        return false;
    std::vector<CornerTri> added, removed;
    pairing.Finish(&removed, &added);
    if (added.empty() || removed.empty()) return true;

    double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const auto* set : {&added, &removed}) {
        for (const CornerTri& t : *set) {
            for (int k = 0; k < 3; ++k) {
                for (int i = 0; i < 3; ++i) {
                    lo[i] = std::min(lo[i], t.c[k][i]);
                    hi[i] = std::max(hi[i], t.c[k][i]);
                }
            }
        }
    }
    const double origin[3] = {0.5 * (lo[0] + hi[0]), 0.5 * (lo[1] + hi[1]), 0.5 * (lo[2] + hi[2])};
    std::vector<PlanTri> upper, lower;
    PlanTri p;
    for (const CornerTri& t : added)
        if (MakePlanTri(t, origin, &p)) upper.push_back(p);
    for (const CornerTri& t : removed)
        if (MakePlanTri(t, origin, &p)) lower.push_back(p);
    OverlayChanged(lower, upper, fill, cut);
    // Slivers along the pieces' zero lines leave rounding on the side that has nothing.
    const double noise = 1e-12 * (*cut + *fill);
    if (*cut < noise) *cut = 0.0;
    if (*fill < noise) *fill = 0.0;
    return true;
}

double PlanArea(const G3Surface* s) {
    double a = 0.0;
    std::vector<G3Vertex*> starts;
    std::vector<int> ends;
    for (int i = 0; s != nullptr && i < s->GetFacetCount(); ++i) {
        if (!s->GetFacet(i)->GetLoops(starts, ends)) continue;
        int begin = 0;
        for (int end : ends) {
            for (int k = begin; k < end; ++k) {
                const double* p = starts[std::size_t(k)]->GetXYZ();
                const double* q = starts[std::size_t(k + 1 < end ? k + 1 : begin)]->GetXYZ();
                a += 0.5 * (p[0] * q[1] - q[0] * p[1]);
            }
            begin = end;
        }
    }
    return std::fabs(a);
}

}  // namespace pkcli
