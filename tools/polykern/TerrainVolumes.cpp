// Cut and fill between two terrain sheets. An edit leaves most of a terrain as it was, so
// the triangles with the same corners in both sheets are paired through a hash and drop
// out; only the changed triangles are overlaid, through a grid over the changed region,
// and measured about the region's centre so that distant sites keep their digits.

#include "tools/polykern/TerrainVolumes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

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

std::uint64_t HashOf(const CornerTri& t) {
    std::uint64_t h = 0x9e3779b97f4a7c15ULL;
    for (int k = 0; k < 3; ++k) {
        for (int i = 0; i < 3; ++i) {
            const double v = t.c[k][i] + 0.0;  // -0 hashes as +0, which it equals
            std::uint64_t bits;
            std::memcpy(&bits, &v, sizeof bits);
            h = (h ^ bits) * 0xff51afd7ed558ccdULL;
            h ^= h >> 32;
        }
    }
    return h;
}

// Calls visit(CornerTri) for every triangle of the sheet, facets that are not triangles
// cut up in plan first; rings that do not close are passed over. False, with *error, at
// the first non-finite coordinate.
template <typename Visit>
bool ForEachTriangle(const G3Surface* s, const char* which, std::string* error, Visit visit) {
    std::vector<G3Vertex*> starts;
    std::vector<int> ends, tris;
    std::vector<const double*> points;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const G3Facet* f = s->GetFacet(i);
        if (f == nullptr || !f->GetLoops(starts, ends)) continue;
        for (const G3Vertex* v : starts) {
            const double* p = v->GetXYZ();
            if (std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2])) continue;
            if (error != nullptr)
                *error = std::string("the terrain ") + which + " has a non-finite coordinate";
            return false;
        }
        if (ends.size() == 1 && ends[0] == 3) {
            visit(Ordered(starts[0]->GetXYZ(), starts[1]->GetXYZ(), starts[2]->GetXYZ()));
            continue;
        }
        points.clear();
        for (const G3Vertex* v : starts) points.push_back(v->GetXYZ());
        tris.clear();
        TriangulatePlanLoops(points, ends, &tris);
        for (std::size_t k = 0; k + 2 < tris.size(); k += 3)
            visit(Ordered(points[std::size_t(tris[k])], points[std::size_t(tris[k + 1])],
                          points[std::size_t(tris[k + 2])]));
    }
    return true;
}

// Open addressing over the triangles of one sheet by the hash of their corners.
class TriangleTable {
public:
    explicit TriangleTable(const std::vector<CornerTri>& tris)
        : m_Tris(tris), m_Hash(tris.size()), m_Used(tris.size(), 0) {
        std::size_t size = 16;
        while (size < 2 * tris.size()) size *= 2;
        m_Mask = size - 1;
        m_Slots.assign(size, 0);
        for (std::size_t i = 0; i < tris.size(); ++i) {
            m_Hash[i] = HashOf(tris[i]);
            std::size_t s = m_Hash[i] & m_Mask;
            while (m_Slots[s] != 0) s = (s + 1) & m_Mask;
            m_Slots[s] = std::uint32_t(i + 1);
        }
    }
    /// Pairs t with a triangle of the table with the same corners not paired yet; false
    /// when there is none.
    bool Take(const CornerTri& t) {
        const std::uint64_t h = HashOf(t);
        for (std::size_t s = h & m_Mask; m_Slots[s] != 0; s = (s + 1) & m_Mask) {
            const std::size_t i = m_Slots[s] - 1;
            if (m_Hash[i] != h || m_Used[i] != 0 || !SameCorners(m_Tris[i], t)) continue;
            m_Used[i] = 1;
            return true;
        }
        return false;
    }
    bool IsTaken(std::size_t i) const { return m_Used[i] != 0; }

private:
    const std::vector<CornerTri>& m_Tris;
    std::vector<std::uint64_t> m_Hash;
    std::vector<char> m_Used;
    std::vector<std::uint32_t> m_Slots;
    std::size_t m_Mask = 0;
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
    TriangleTable table(old);
    std::vector<CornerTri> added, removed;
    if (!ForEachTriangle(after, "after the edit", error, [&](const CornerTri& t) {
            if (!table.Take(t)) added.push_back(t);
        }))
        return false;
    for (std::size_t i = 0; i < old.size(); ++i)
        if (!table.IsTaken(i)) removed.push_back(old[i]);
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
    return true;
}

}  // namespace pkcli
