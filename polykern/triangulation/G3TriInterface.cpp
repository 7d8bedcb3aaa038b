#include "polykern/triangulation/G3TriInterface.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/foundation/GWorkBuffers.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3SurfaceBulk.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/triangulation/G3TMesh.h"

namespace {

constexpr double kWeldTolerance = 1e-6;
constexpr const char* kConstraintStage = "inserting break lines";
constexpr const char* kSurfaceStage = "building the surface";

// How the weld would treat the points, worked out without running it. The weld merges a
// point into the first point before it within the tolerance, and the sweep then drops the
// points no triangle uses, moving the last point into each hole. When no two points lie
// close, or they lie close only in pairs of which at most one is a corner, all of that is
// known in advance: `order` is the surviving points in the order the sweep leaves them,
// and `into[i]` the point whose vertex point i ends as (itself, or the earlier point of its
// pair when the weld merges them). Anything else (a filled surface, corners within the
// tolerance, three points close together) leaves the weld to itself.
struct WeldPlan {
    pkwork::Vector<int> order;
    pkwork::Vector<int> into;
};

// The points' x values with their numbers, in ascending order (equal values by number),
// by a radix sort over the values' bits: linear in the number of points.
pkwork::Vector<std::pair<double, int>> SortedByX(const pkwork::Vector<double>& xyz, int n) {
    struct Item {
        uint64_t key;
        int index;
    };
    pkwork::Vector<Item> items(static_cast<std::size_t>(n)), spare(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double x = xyz[3 * std::size_t(i)] + 0.0;  // -0.0 sorts with 0.0
        uint64_t bits;
        std::memcpy(&bits, &x, sizeof bits);
        // Flipping makes the unsigned order of the bits the order of the values.
        bits = (bits >> 63) != 0 ? ~bits : bits | (uint64_t(1) << 63);
        items[std::size_t(i)] = {bits, i};
    }
    pkwork::Vector<std::size_t> count(1 << 16);
    for (int shift = 0; shift < 64; shift += 16) {
        std::fill(count.begin(), count.end(), 0);
        for (const Item& it : items) ++count[(it.key >> shift) & 0xFFFF];
        if (n > 0 && count[(items[0].key >> shift) & 0xFFFF] == items.size()) continue;
        std::size_t sum = 0;
        for (std::size_t& c : count) {
            const std::size_t k = c;
            c = sum;
            sum += k;
        }
        for (const Item& it : items) spare[count[(it.key >> shift) & 0xFFFF]++] = it;
        items.swap(spare);
    }
    pkwork::Vector<std::pair<double, int>> out(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const int k = items[std::size_t(i)].index;
        out[std::size_t(i)] = {xyz[3 * std::size_t(k)], k};
    }
    return out;
}

// The points' x values as whole steps of the weld's tolerance above the least, with their
// numbers, ordered by step with two radix passes; `yLow` is the least y, from which y steps
// count. Points whose x (or y) differ by less than the tolerance are at most two steps
// apart (one, and one more for rounding). False when a value is not finite or the steps do
// not fit 32 bits (a spread over thousands of units); the sort over all the bits serves then.
bool SortedBySteps(const pkwork::Vector<double>& xyz,
                   int n,
                   pkwork::Vector<std::pair<uint32_t, int>>* out,
                   double* yLow) {
    double lo = 0.0, hi = 0.0, yLo = 0.0, yHi = 0.0;
    for (int i = 0; i < n; ++i) {
        const double x = xyz[3 * std::size_t(i)], y = xyz[3 * std::size_t(i) + 1];
        if (!std::isfinite(x) || !std::isfinite(y)) return false;
        if (i == 0 || x < lo) lo = x;
        if (i == 0 || x > hi) hi = x;
        if (i == 0 || y < yLo) yLo = y;
        if (i == 0 || y > yHi) yHi = y;
    }
    const double scale = 1.0 / kWeldTolerance;
    if (!((hi - lo) * scale < 4.0e9) || !((yHi - yLo) * scale < 4.0e9)) return false;
    *yLow = yLo;
    pkwork::Vector<std::pair<uint32_t, int>> items(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double steps = (xyz[3 * std::size_t(i)] - lo) * scale;
        items[std::size_t(i)] = {static_cast<uint32_t>(steps), i};
    }
    out->resize(items.size());
    pkwork::Vector<std::size_t> count(1 << 16);
    for (int shift = 0; shift < 32; shift += 16) {
        std::fill(count.begin(), count.end(), 0);
        for (const auto& it : items) ++count[(it.first >> shift) & 0xFFFF];
        std::size_t sum = 0;
        for (std::size_t& c : count) {
            const std::size_t k = c;
            c = sum;
            sum += k;
        }
        for (const auto& it : items) (*out)[count[(it.first >> shift) & 0xFFFF]++] = it;
        items.swap(*out);
    }
    out->swap(items);
    return true;
}

// The weld's rule, met pair by pair in any order: the points of a pair close in a box of
// the tolerance are each in no other such pair; an equal pair holds at most one corner,
// and an earlier point takes over a later corner.
class PairRule {
public:
    PairRule(const pkwork::Vector<double>& xyz, const pkwork::Vector<char>& corner, WeldPlan* plan)
        : m_Xyz(xyz), m_Corner(corner), m_Used(corner), m_Paired(corner.size(), 0), m_Plan(plan) {
        plan->into.resize(corner.size());
        for (std::size_t i = 0; i < corner.size(); ++i) plan->into[i] = int(i);
    }

    // Points a and b, which may be close; false when the plan cannot be made.
    bool Meet(int a, int b) {
        const double* p = &m_Xyz[3 * std::size_t(a)];
        const double* q = &m_Xyz[3 * std::size_t(b)];
        if (!(std::fabs(q[0] - p[0]) < kWeldTolerance && std::fabs(q[1] - p[1]) < kWeldTolerance &&
              std::fabs(q[2] - p[2]) < kWeldTolerance))
            return true;
        const int lo = std::min(a, b), hi = std::max(a, b);
        if (m_Paired[std::size_t(lo)] || m_Paired[std::size_t(hi)]) return false;
        m_Paired[std::size_t(lo)] = m_Paired[std::size_t(hi)] = 1;
        if (!G3Point::Equals(&m_Xyz[3 * std::size_t(lo)], &m_Xyz[3 * std::size_t(hi)],
                             kWeldTolerance))
            return true;  // close in the box only: the weld leaves them apart
        if (m_Corner[std::size_t(lo)] && m_Corner[std::size_t(hi)]) return false;
        if (m_Corner[std::size_t(hi)]) {
            // The earlier point takes over the corner's edges, with its own position.
            m_Used[std::size_t(lo)] = 1;
            m_Used[std::size_t(hi)] = 0;
            m_Plan->into[std::size_t(hi)] = lo;
        }
        return true;
    }

    // The sweep: an unused point is replaced by the last one, which is looked at next.
    void Finish() {
        pkwork::Vector<int>& order = m_Plan->order;
        order.resize(m_Corner.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = int(i);
        std::size_t size = order.size();
        for (std::size_t i = 0; i < size;) {
            if (m_Used[std::size_t(order[i])]) {
                ++i;
            } else {
                order[i] = order[--size];
            }
        }
        order.resize(size);
    }

private:
    const pkwork::Vector<double>& m_Xyz;
    const pkwork::Vector<char>& m_Corner;
    pkwork::Vector<char> m_Used;
    pkwork::Vector<char> m_Paired;
    WeldPlan* m_Plan;
};

// Meets every pair of points that may lie within the tolerance of each other, over points
// ordered by x steps: the rest of a point's own run of equal x steps and the runs of the
// next two steps. Runs longer than a few points (a survey line along y) are ordered by y
// steps, so that only the points within two y steps are met there; points then cost a
// constant each however the survey is laid out. False when `rule` refuses.
bool MeetByCells(const pkwork::Vector<double>& xyz,
                 pkwork::Vector<std::pair<uint32_t, int>>& byX,
                 double yLow,
                 PairRule& rule) {
    constexpr std::size_t kShortRun = 8;
    const std::size_t n = byX.size();
    const double scale = 1.0 / kWeldTolerance;
    const auto yStep = [&](int point) {
        return static_cast<uint32_t>((xyz[3 * std::size_t(point) + 1] - yLow) * scale);
    };
    pkwork::Vector<uint32_t> runEnd(n);
    for (std::size_t i = n; i-- > 0;) {
        runEnd[i] = i + 1 < n && byX[i + 1].first == byX[i].first ? runEnd[i + 1] : uint32_t(i + 1);
    }
    const auto byY = [&](const std::pair<uint32_t, int>& a, const std::pair<uint32_t, int>& b) {
        return yStep(a.second) < yStep(b.second);
    };
    for (std::size_t b = 0; b < n; b = runEnd[b]) {
        if (runEnd[b] - b > kShortRun) std::sort(byX.begin() + b, byX.begin() + runEnd[b], byY);
    }
    // Meets point i with the points of [from, end) within the y steps [low, high]; a long
    // run is searched, a short one walked whole.
    const auto meetRun = [&](std::size_t i, std::size_t from, std::size_t end, bool isLong,
                             uint32_t low, uint32_t high) {
        std::size_t j = from;
        if (isLong) {
            j = std::size_t(std::partition_point(byX.begin() + from, byX.begin() + end,
                                                 [&](const std::pair<uint32_t, int>& a) {
                                                     return yStep(a.second) < low;
                                                 }) -
                            byX.begin());
        }
        for (; j < end; ++j) {
            if (isLong && yStep(byX[j].second) > high) break;
            if (!rule.Meet(byX[i].second, byX[j].second)) return false;
        }
        return true;
    };
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && byX[i].first != byX[i - 1].first) runStart = i;
        const uint32_t x = byX[i].first;
        const std::size_t end = runEnd[i];
        // Alone in its step with no step near: nothing to meet (the common case).
        if (end == i + 1 && (end == n || byX[end].first - x > 2)) continue;
        const uint32_t y = yStep(byX[i].second);
        const uint32_t low = y > 2 ? y - 2 : 0;
        if (!meetRun(i, i + 1, end, end - runStart > kShortRun, y, y + 2)) return false;
        for (std::size_t next = end, k = 0; k < 2 && next < n && byX[next].first - x <= 2; ++k) {
            const std::size_t nextEnd = runEnd[next];
            if (!meetRun(i, next, nextEnd, nextEnd - next > kShortRun, low, y + 2)) return false;
            next = nextEnd;
        }
    }
    return true;
}

bool Plan(const pkwork::Vector<double>& xyz, const pkwork::Vector<char>& corner, WeldPlan* plan) {
    const int n = static_cast<int>(corner.size());
    PairRule rule(xyz, corner, plan);
    pkwork::Vector<std::pair<uint32_t, int>> steps;
    double yLow = 0.0;
    if (SortedBySteps(xyz, n, &steps, &yLow)) {
        if (!MeetByCells(xyz, steps, yLow, rule)) return false;
    } else {
        // Sorted by x, each point meets those after it whose x lies within the tolerance.
        const pkwork::Vector<std::pair<double, int>> sorted = SortedByX(xyz, n);
        for (std::size_t i = 0; i < sorted.size(); ++i) {
            for (std::size_t j = i + 1; j < sorted.size(); ++j) {
                if (!(sorted[j].first - sorted[i].first < kWeldTolerance)) break;
                if (!rule.Meet(sorted[i].second, sorted[j].second)) return false;
            }
        }
    }
    rule.Finish();
    return true;
}

}  // namespace

G3TriInterface::G3TriInterface() : m_Mesh(new G3TMesh()) {}

G3TriInterface::~G3TriInterface() {
    delete m_Mesh;
}

void G3TriInterface::Set2DPlane(const double* axis1, const double* axis2) {
    if (axis1 == nullptr || axis2 == nullptr) return;
    for (int k = 0; k < 3; ++k) {
        m_Axis1[k] = axis1[k];
        m_Axis2[k] = axis2[k];
    }
    m_Normal[0] = m_Axis1[1] * m_Axis2[2] - m_Axis1[2] * m_Axis2[1];
    m_Normal[1] = m_Axis1[2] * m_Axis2[0] - m_Axis1[0] * m_Axis2[2];
    m_Normal[2] = m_Axis1[0] * m_Axis2[1] - m_Axis1[1] * m_Axis2[0];
}

G3TVertex* G3TriInterface::AddVertex(const double* point) {
    if (point == nullptr) return nullptr;
    const auto dot = [point](const double* axis) {
        return point[0] * axis[0] + point[1] * axis[1] + point[2] * axis[2];
    };
    const double w = dot(m_Normal);
    if (!std::isfinite(w)) return nullptr;
    G3TVertex* v = m_Mesh->AddVertex(dot(m_Axis1), dot(m_Axis2));
    if (v != nullptr) v->w = w;
    return v;
}

void G3TriInterface::AddEdge(G3TVertex* a, G3TVertex* b) {
    if (a == nullptr || b == nullptr) return;
    G3TEdge e;
    e.vertex[0] = a;
    e.vertex[1] = b;
    m_Constraints.push_back(e);
}

bool G3TriInterface::MakeTriangulation(BasicOptions option) {
    m_Mesh->option(option);  // every code takes the same road
    if (!m_Mesh->Triangulate()) return false;
    m_Inserted = 0;
    // Progress every 1/64 of the constraints, while a receiver listens.
    const long long total = static_cast<long long>(m_Constraints.size());
    const long long step = std::max(1LL, total / 64);
    long long done = 0;
    if (total > 0) GTrace::Progress(kConstraintStage, 0, total);
    for (const G3TEdge& e : m_Constraints) {
        m_Inserted += m_Mesh->InsertSegment(e.vertex[0], e.vertex[1], 0) ? 1 : 0;
        if (++done % step == 0 && done < total) GTrace::Progress(kConstraintStage, done, total);
    }
    if (total > 0) GTrace::Progress(kConstraintStage, total, total);
    return true;
}

G3Surface* G3TriInterface::GetSurface() {
    return GetSurface(new G3Surface());
}

// The surface is built in one pass over the triangles, with their sides paired through
// the triangle adjacency. The result is that of adding every vertex and then every
// triangle as a facet, and welding coincident vertices (which also sweeps the vertices no
// facet uses, dropped duplicates among them); where the weld's outcome is known in
// advance (see WeldPlan) only the surviving vertices are made. Afterwards every vertex's
// output is the surface vertex it became or was welded into; a vertex no triangle uses
// points at its representative's.
G3Surface* G3TriInterface::GetSurface(G3Surface* target) {
    if (target == nullptr) return nullptr;
    const int n = m_Mesh->GetVertexCount();
    const int triangleTotal = m_Mesh->GetTriangleCount();
    GTrace::Progress(kSurfaceStage, 0, triangleTotal);
    pkwork::Vector<double> xyz(3 * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        G3TVertex* v = m_Mesh->GetVertex(i);
        const double u = v->u.Value(), vv = v->v.Value(), w = v->w.Value();
        for (int k = 0; k < 3; ++k) {
            xyz[3 * std::size_t(i) + k] = u * m_Axis1[k] + vv * m_Axis2[k] + w * m_Normal[k];
        }
        v->output = nullptr;
    }
    // The triangles over the sorted points, which lie close together in memory in the
    // order the triangles use them; the vertex list still follows the order added.
    const int triangles = m_Mesh->GetTriangleCount();
    const int points = m_Mesh->GetPointCount();
    pkwork::Vector<int> corners(3 * static_cast<std::size_t>(triangles));
    pkwork::Vector<char> pointUsed(static_cast<std::size_t>(points), 0);
    for (int t = 0; t < triangles; ++t) {
        int* c = &corners[3 * std::size_t(t)];
        m_Mesh->GetTrianglePoints(t, c);
        for (int k = 0; k < 3; ++k) pointUsed[std::size_t(c[k])] = 1;
    }
    pkwork::Vector<char> corner(static_cast<std::size_t>(n), 0);
    bool everyPointUsed = true;
    for (int p = 0; p < points; ++p) {
        if (pointUsed[std::size_t(p)]) {
            corner[std::size_t(m_Mesh->GetPointVertex(p))] = 1;
        } else {
            everyPointUsed = false;
        }
    }
    std::vector<int> sideEdge;
    const int edges = m_Mesh->GetSideEdges(sideEdge);

    WeldPlan plan;
    if (target->GetVertexCount() == 0 && everyPointUsed && Plan(xyz, corner, &plan)) {
        // Every sorted point is a corner and survives, as itself or as the earlier point
        // of its pair; it takes the survivor's position and joins in the survivor's place.
        pkwork::Vector<int> rank(static_cast<std::size_t>(n), -1);
        for (std::size_t k = 0; k < plan.order.size(); ++k)
            rank[std::size_t(plan.order[k])] = int(k);
        pkwork::Vector<int>().swap(plan.order);
        pkwork::Vector<double> at(3 * static_cast<std::size_t>(points));
        pkwork::Vector<int> joinOrder(static_cast<std::size_t>(points), -1);
        // A corner welded into an earlier point keeps the plane it had before the weld;
        // its own position is kept for the fit, when there is such a corner.
        pkwork::Vector<double> own;
        for (int p = 0; p < points; ++p) {
            const int self = m_Mesh->GetPointVertex(p);
            const int survivor = plan.into[std::size_t(self)];
            if (survivor != self && own.empty()) {
                own.resize(3 * static_cast<std::size_t>(points));
                for (int q = 0; q < points; ++q) {
                    const int v = m_Mesh->GetPointVertex(q);
                    for (int d = 0; d < 3; ++d)
                        own[3 * std::size_t(q) + d] = xyz[3 * std::size_t(v) + d];
                }
            }
            for (int d = 0; d < 3; ++d)
                at[3 * std::size_t(p) + d] = xyz[3 * std::size_t(survivor) + d];
            joinOrder[std::size_t(rank[std::size_t(survivor)])] = p;
        }
        // What the build no longer needs goes back before it, for its blocks to reuse.
        pkwork::Vector<double>().swap(xyz);
        pkwork::Vector<char>().swap(corner);
        pkwork::Vector<char>().swap(pointUsed);
        pkwork::Vector<G3Vertex*> made(static_cast<std::size_t>(points));
        if (pkbulk::BuildTriangles(*target, points, at.data(), triangles, corners.data(), 1,
                                   sideEdge.data(), edges, joinOrder.data(), made.data(),
                                   own.empty() ? nullptr : own.data()) < 0) {
            const pkwork::Vector<int> counts(static_cast<std::size_t>(triangles), 3);
            pkbulk::BuildIndexedFacets(*target, points, at.data(), triangles, counts.data(),
                                       static_cast<int>(corners.size()), corners.data(), nullptr,
                                       1, made.data(), sideEdge.data(), edges, joinOrder.data());
        }
        // The survivor of rank k is the surface's vertex k: the list is read in order.
        GArrayCollection* list = target->GetVertexList();
        for (int i = 0; i < n; ++i) {
            const int k = rank[std::size_t(plan.into[std::size_t(i)])];
            if (k >= 0) m_Mesh->GetVertex(i)->output = static_cast<G3Vertex*>(list->get(k));
        }
    } else {
        for (int& c : corners) c = m_Mesh->GetPointVertex(c);
        const int base = target->GetVertexCount();
        const pkwork::Vector<int> counts(static_cast<std::size_t>(triangles), 3);
        pkbulk::BuildIndexedFacets(*target, n, xyz.data(), triangles, counts.data(),
                                   static_cast<int>(corners.size()), corners.data(), nullptr, 1,
                                   nullptr, sideEdge.data(), edges);
        std::vector<G3Vertex*> into;
        target->RemoveEqualsVertex(into);
        for (int i = 0; i < n && std::size_t(base + i) < into.size(); ++i) {
            m_Mesh->GetVertex(i)->output = into[std::size_t(base + i)];
        }
    }
    // A vertex that made no vertex of its own follows its representative.
    for (int i = 0; i < n; ++i) {
        G3TVertex* v = m_Mesh->GetVertex(i);
        if (v->output != nullptr) continue;
        const G3TVertex* r = m_Mesh->GetRepresentative(v);
        if (r != nullptr && r != v) v->output = r->output;
    }
    GTrace::Progress(kSurfaceStage, triangleTotal, triangleTotal);
    return target;
}
