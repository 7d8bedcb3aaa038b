// Levelling outline contours into a terrain. Each contour is cut out of the terrain with
// the band around it (a prism over the outline moved outwards, subtracted from the sheet),
// and the hole is filled again by a constrained triangulation between the contour, which
// gives the pad its heights, and the cut rim, which keeps the terrain's heights. Only a
// window of the terrain around the contour takes part in the cut, so the work follows the
// pad, not the terrain.

#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "polykern/boolean/G3BooleanCalculator.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GTrace.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Point.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/terrain/G3LandscapeHandler.h"
#include "polykern/terrain/G3TerrainPlan.h"
#include "polykern/triangulation/G3TMesh.h"
#include "polykern/triangulation/G3TriInterface.h"

namespace {

using pkterrain::PlanPoint;
using pkterrain::Ring;

constexpr double kMinOffset = 0.0001;
constexpr const char* kFlatStage = "levelling flat regions";
constexpr double kShortSide = 0.001;
// Most points a contour side is densified into.
constexpr int kMaxSplit = 100000;

double Scale(const Ring& r) {
    double s = 1.0;
    for (const PlanPoint& p : r) s = std::max({s, std::fabs(p.x), std::fabs(p.y)});
    return s;
}

// Distance in plan from (x, y) to the closed ring.
double DistanceToRing(const Ring& r, double x, double y) {
    double best = HUGE_VAL;
    for (std::size_t i = 0; i < r.size(); ++i) {
        const PlanPoint& a = r[i];
        const PlanPoint& b = r[(i + 1) % r.size()];
        const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
        double t = l2 > 0.0 ? ((x - a.x) * dx + (y - a.y) * dy) / l2 : 0.0;
        t = std::clamp(t, 0.0, 1.0);
        best = std::min(best, std::hypot(x - a.x - t * dx, y - a.y - t * dy));
    }
    return best;
}

// Parameters in (0, 1) along ab where it crosses the sides of the closed ring.
void Crossings(const PlanPoint& a, const PlanPoint& b, const Ring& r, std::vector<double>* ts) {
    const double ax = b.x - a.x, ay = b.y - a.y;
    for (std::size_t i = 0; i < r.size(); ++i) {
        const PlanPoint& c = r[i];
        const PlanPoint& d = r[(i + 1) % r.size()];
        const double bx = d.x - c.x, by = d.y - c.y;
        const double det = ax * by - ay * bx;
        if (!(std::fabs(det) > 1e-14 * std::hypot(ax, ay) * std::hypot(bx, by))) continue;
        const double t = ((c.x - a.x) * by - (c.y - a.y) * bx) / det;
        const double u = ((c.x - a.x) * ay - (c.y - a.y) * ax) / det;
        if (t > 1e-12 && t < 1 - 1e-12 && u >= -1e-12 && u <= 1 + 1e-12) ts->push_back(t);
    }
}

PlanPoint Along(const PlanPoint& a, const PlanPoint& b, double t) {
    return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z)};
}

// The closed ring densified so that no side is much longer than `step`; it passes through
// every corner and stays implicitly closed.
Ring Densified(const Ring& r, double step) {
    Ring out;
    for (std::size_t i = 0; i < r.size(); ++i) {
        const PlanPoint& a = r[i];
        const PlanPoint& b = r[(i + 1) % r.size()];
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        out.push_back(a);
        if (!(len >= kShortSide) || !(step > 0.0)) continue;
        const int k = int(std::min<double>(kMaxSplit, std::ceil(len / step)));
        for (int j = 1; j < k; ++j) out.push_back(Along(a, b, double(j) / k));
    }
    return out;
}

GArrayCollection* NewContour(const Ring& r, bool closed) {
    auto* c = new GArrayCollection();
    for (const PlanPoint& p : r) c->add(new G3Point(p.x, p.y, p.z, 0));
    if (closed && !r.empty()) c->add(new G3Point(r[0].x, r[0].y, r[0].z, 0));
    return c;
}

void Release(GArrayCollection* c) {
    for (int i = 0; i < c->size(); ++i) delete static_cast<G3Point*>(c->get(i));
    delete c;
}

// The closed prism over the ring between two heights, facing out.
G3Surface* Prism(const Ring& r, double z0, double z1) {
    auto* p = new G3Surface();
    const std::size_t n = r.size();
    std::vector<G3Vertex*> lo(n), hi(n);
    for (std::size_t i = 0; i < n; ++i) {
        lo[i] = p->AddVertex(r[i].x, r[i].y, z0, 0);
        hi[i] = p->AddVertex(r[i].x, r[i].y, z1, 0);
    }
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = (i + 1) % n;
        G3Vertex* q[4] = {lo[i], hi[i], hi[j], lo[j]};
        p->AddFacet(4, q, G3EDGE_VISIBLE, nullptr, nullptr);
    }
    p->AddFacet(int(n), hi.data(), G3EDGE_VISIBLE, nullptr, nullptr);
    p->AddFacet(int(n), lo.data(), G3EDGE_VISIBLE, nullptr, nullptr);
    p->Update(CHECK_LEVEL_1001);
    return p;
}

// The facet's plan box.
void PlanBox(const G3Facet* f, double box[4]) {
    box[0] = box[1] = HUGE_VAL;
    box[2] = box[3] = -HUGE_VAL;
    for (const G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e)) {
        for (const G3Vertex* v : {e->GetVertex1(), e->GetVertex2()}) {
            box[0] = std::min(box[0], v->GetX());
            box[1] = std::min(box[1], v->GetY());
            box[2] = std::max(box[2], v->GetX());
            box[3] = std::max(box[3], v->GetY());
        }
    }
}

// The plan points and constraint sides of the fill, with the surface vertex a point
// stands for when it lies on the cut rim.
struct Fill {
    std::vector<PlanPoint> points;
    std::vector<G3Vertex*> rimVertex;
    std::vector<std::pair<int, int>> sides;
    int Add(const PlanPoint& p, G3Vertex* v = nullptr) {
        points.push_back(p);
        rimVertex.push_back(v);
        return int(points.size()) - 1;
    }
};

// Interpolated height at (x, y) over a triangulation; false outside it.
bool HeightAt(G3TMesh* mesh, double x, double y, double* z) {
    int t = -1;
    if (mesh->Locate(x, y, &t) == 3 || t < 0) return false;
    G3TVertex* c[3];
    if (!mesh->GetTriangle(t, c)) return false;
    const double x0 = c[0]->u.Value(), y0 = c[0]->v.Value();
    const double x1 = c[1]->u.Value() - x0, y1 = c[1]->v.Value() - y0;
    const double x2 = c[2]->u.Value() - x0, y2 = c[2]->v.Value() - y0;
    const double det = x1 * y2 - x2 * y1;
    if (!(std::fabs(det) > 0.0)) return false;
    const double a = ((x - x0) * y2 - x2 * (y - y0)) / det;
    const double b = (x1 * (y - y0) - (x - x0) * y1) / det;
    *z = c[0]->w.Value() + a * (c[1]->w.Value() - c[0]->w.Value()) +
         b * (c[2]->w.Value() - c[0]->w.Value());
    return std::isfinite(*z);
}

// Triangulates the fill, keeps the triangles inside the band's outline and on the
// terrain, and adds them to w facing up, sharing the rim vertices.
void AddFill(const Fill& fill,
             const Ring& band,
             const pkterrain::FacetLocator& footprint,
             G3Surface* w) {
    G3TriInterface tri;
    std::vector<G3TVertex*> tv;
    for (const PlanPoint& p : fill.points) {
        const double xyz[3] = {p.x, p.y, p.z};
        tv.push_back(tri.AddVertex(xyz));
    }
    for (auto [a, b] : fill.sides) tri.AddEdge(tv[std::size_t(a)], tv[std::size_t(b)]);
    if (!tri.MakeTriangulation()) return;
    G3TMesh* mesh = tri.GetMesh();
    std::unordered_map<const G3TVertex*, int> index;
    for (std::size_t i = 0; i < tv.size(); ++i)
        if (tv[i] != nullptr) index.emplace(tv[i], int(i));
    std::vector<G3Vertex*> made(fill.points.size(), nullptr);
    auto vertexOf = [&](G3TVertex* t) -> G3Vertex* {
        const G3TVertex* r = mesh->GetRepresentative(t);
        auto it = index.find(r != nullptr ? r : t);
        if (it == index.end()) return nullptr;
        const std::size_t i = std::size_t(it->second);
        if (made[i] == nullptr) {
            made[i] = fill.rimVertex[i];
            if (made[i] == nullptr) {
                const PlanPoint& p = fill.points[i];
                made[i] = w->AddVertex(p.x, p.y, p.z, 0);
            }
        }
        return made[i];
    };
    G3TVertex* c[3];
    for (int t = 0; t < mesh->GetTriangleCount(); ++t) {
        if (!mesh->GetTriangle(t, c)) continue;
        double p[3][3];
        for (int k = 0; k < 3; ++k) {
            p[k][0] = c[k]->u.Value();
            p[k][1] = c[k]->v.Value();
            p[k][2] = 0.0;
        }
        if (!pkterrain::TriangleInRing(band, p[0], p[1], p[2]) ||
            !footprint.ContainsTriangle(p[0], p[1], p[2]))
            continue;
        G3Vertex* v[3] = {vertexOf(c[0]), vertexOf(c[1]), vertexOf(c[2])};
        if (v[0] == nullptr || v[1] == nullptr || v[2] == nullptr) continue;
        w->AddFacet(3, v, G3EDGE_VISIBLE, nullptr, nullptr);
    }
}

}  // namespace

G3Surface* G3LandscapeHandler::ApplyFlatRegion(G3Surface* terrain) {
    if (terrain == nullptr || m_Contours->size() == 0 || !std::isfinite(m_OffsetDistance) ||
        !(std::fabs(m_OffsetDistance) >= kMinOffset) || terrain->GetEdgeCount() == 0)
        return nullptr;
    double sum = 0.0;
    for (int i = 0; i < terrain->GetEdgeCount(); ++i) sum += terrain->GetEdge(i)->GetSize(0, 1);
    const double average = sum / terrain->GetEdgeCount();
    // The stored contours become their densified copies, still implicitly closed, so a
    // repeated call levels the same regions.
    for (int i = 0; i < m_Contours->size(); ++i) {
        auto* c = static_cast<GArrayCollection*>(m_Contours->get(i));
        m_Contours->put(i, NewContour(Densified(pkterrain::RingOf(c), average), false));
        Release(c);
    }
    G3Surface* current = terrain;
    const int total = m_Contours->size();
    const int step = std::max(1, total / 64);  // a report every 1/64 of the contours
    GTrace::Progress(kFlatStage, 0, total);
    for (int i = 0; i < total; ++i) {
        G3Surface* next =
            LevelContour(current, static_cast<GArrayCollection*>(m_Contours->get(i)), average);
        if (current != terrain) delete current;
        if (next == nullptr) return nullptr;
        current = next;
        if ((i + 1) % step == 0 || i + 1 == total) GTrace::Progress(kFlatStage, i + 1, total);
    }
    return current;
}

// One contour into a copy of the terrain, facing up; null when its band misses the
// terrain or the cut fails. The source is not changed.
G3Surface* G3LandscapeHandler::LevelContour(G3Surface* source,
                                            GArrayCollection* contour,
                                            double average) {
    const Ring pad = pkterrain::RingOf(contour);
    GArrayCollection* closed = NewContour(pad, true);
    GArrayCollection* moved = new GArrayCollection();
    OffsetContour(closed, moved, std::fabs(m_OffsetDistance));
    const Ring band = pkterrain::RingOf(moved);
    Release(closed);
    Release(moved);
    if (band.size() < 3 || pkterrain::TwiceSignedArea(band) >= 0.0) return nullptr;
    const double tol = 1e-7 * Scale(band);

    // The window: every facet whose plan box meets the band's, grown by an edge length.
    double bb[4] = {HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const PlanPoint& p : band) {
        bb[0] = std::min(bb[0], p.x - average);
        bb[1] = std::min(bb[1], p.y - average);
        bb[2] = std::max(bb[2], p.x + average);
        bb[3] = std::max(bb[3], p.y + average);
    }
    const bool down = pkterrain::FacesDown(source);
    std::vector<G3Facet*> window;
    std::vector<char> inWindow(std::size_t(source->GetFacetCount()), 0);
    double fb[4];
    for (int i = 0; i < source->GetFacetCount(); ++i) {
        G3Facet* f = source->GetFacet(i);
        PlanBox(f, fb);
        if (fb[0] <= bb[2] && fb[2] >= bb[0] && fb[1] <= bb[3] && fb[3] >= bb[1]) {
            window.push_back(f);
            inWindow[std::size_t(i)] = 1;
        }
    }
    if (window.empty()) return nullptr;
    std::unordered_map<const G3Vertex*, G3Vertex*> into;
    G3Surface* w = pkterrain::CopyFacets(window, down, &into);
    // The terrain's own rim inside the window, by the copies' ends.
    std::vector<std::pair<PlanPoint, PlanPoint>> terrainRim;
    for (const pkterrain::RimEdge& e : pkterrain::Rim(window)) {
        if (into.count(e.from) == 0 || into.count(e.to) == 0) continue;
        terrainRim.push_back({{e.from->GetX(), e.from->GetY(), e.from->GetZ()},
                              {e.to->GetX(), e.to->GetY(), e.to->GetZ()}});
    }
    const pkterrain::FacetLocator footprint(w);
    const double before = pkterrain::SignedPlanArea(w);
    GEnvelope env;
    w->FormEnvelope(&env);
    G3BooleanCalculator calculator;
    w = calculator.Sub(w, Prism(band, env.GetMin()[2] - 1.0, env.GetMax()[2] + 1.0));
    if (w == nullptr) return nullptr;
    pkterrain::FaceUp(w);
    if (!(before - pkterrain::SignedPlanArea(w) > 1e-9 * std::max(1.0, before))) {
        delete w;
        return nullptr;  // the band lies off the terrain
    }

    // The cut rim: rim sides of the window lying on the band's outline.
    Fill fill;
    std::unordered_map<G3Vertex*, int> rimPoint;
    auto rimIndex = [&](G3Vertex* v) {
        auto it = rimPoint.find(v);
        if (it != rimPoint.end()) return it->second;
        const int k = fill.Add({v->GetX(), v->GetY(), v->GetZ()}, v);
        rimPoint.emplace(v, k);
        return k;
    };
    for (const pkterrain::RimEdge& e : pkterrain::Rim(w)) {
        if (DistanceToRing(band, e.from->GetX(), e.from->GetY()) > tol ||
            DistanceToRing(band, e.to->GetX(), e.to->GetY()) > tol)
            continue;
        fill.sides.push_back({rimIndex(e.from), rimIndex(e.to)});
    }
    // The terrain's rim inside the band, in pieces between its crossings with the band and
    // with the pad; the pad's sides on the terrain, in pieces between their crossings.
    std::vector<std::pair<PlanPoint, PlanPoint>> rimPieces, padPieces;
    std::vector<double> ts;
    auto pieces = [&](const PlanPoint& a, const PlanPoint& b, const Ring& cutBy, auto keep,
                      std::vector<std::pair<PlanPoint, PlanPoint>>* out) {
        ts.assign({0.0, 1.0});
        Crossings(a, b, cutBy, &ts);
        std::sort(ts.begin(), ts.end());
        for (std::size_t k = 0; k + 1 < ts.size(); ++k) {
            if (ts[k + 1] - ts[k] < 1e-12) continue;
            const PlanPoint m = Along(a, b, 0.5 * (ts[k] + ts[k + 1]));
            if (keep(m)) out->push_back({Along(a, b, ts[k]), Along(a, b, ts[k + 1])});
        }
    };
    for (auto& [a, b] : terrainRim)
        pieces(
            a, b, band, [&](const PlanPoint& m) { return pkterrain::InRing(band, m.x, m.y); },
            &rimPieces);
    for (std::size_t i = 0; i < pad.size(); ++i) {
        const PlanPoint& a = pad[i];
        const PlanPoint& b = pad[(i + 1) % pad.size()];
        if (rimPieces.empty()) {
            padPieces.push_back({a, b});
            continue;
        }
        ts.assign({0.0, 1.0});
        for (auto& [c, d] : rimPieces) {
            const Ring side = {c, d};
            Crossings(a, b, side, &ts);
        }
        std::sort(ts.begin(), ts.end());
        for (std::size_t k = 0; k + 1 < ts.size(); ++k) {
            if (ts[k + 1] - ts[k] < 1e-12) continue;
            const PlanPoint m = Along(a, b, 0.5 * (ts[k] + ts[k + 1]));
            if (footprint.Contains(m.x, m.y))
                padPieces.push_back({Along(a, b, ts[k]), Along(a, b, ts[k + 1])});
        }
    }
    if (!rimPieces.empty()) {
        // Heights of the terrain's rim inside the band follow the pad and the slope.
        G3TriInterface first;
        std::vector<G3TVertex*> tv;
        for (const PlanPoint& p : fill.points) {
            const double xyz[3] = {p.x, p.y, p.z};
            tv.push_back(first.AddVertex(xyz));
        }
        for (const PlanPoint& p : pad) {
            const double xyz[3] = {p.x, p.y, p.z};
            tv.push_back(first.AddVertex(xyz));
        }
        for (auto [a, b] : fill.sides) first.AddEdge(tv[std::size_t(a)], tv[std::size_t(b)]);
        const std::size_t base = fill.points.size();
        for (std::size_t i = 0; i < pad.size(); ++i)
            first.AddEdge(tv[base + i], tv[base + (i + 1) % pad.size()]);
        first.MakeTriangulation();
        for (auto& piece : rimPieces) {
            // Crossings with the pad split the piece where the pad's own pieces end.
            std::vector<double> cut = {0.0, 1.0};
            for (auto& [c, d] : padPieces) {
                const Ring side = {c, d};
                Crossings(piece.first, piece.second, side, &cut);
            }
            std::sort(cut.begin(), cut.end());
            for (std::size_t k = 0; k + 1 < cut.size(); ++k) {
                if (cut[k + 1] - cut[k] < 1e-12) continue;
                PlanPoint ends[2] = {Along(piece.first, piece.second, cut[k]),
                                     Along(piece.first, piece.second, cut[k + 1])};
                int idx[2];
                for (int e = 0; e < 2; ++e) {
                    G3Vertex* on = nullptr;
                    for (auto& [v, at] : rimPoint) {
                        if (std::hypot(v->GetX() - ends[e].x, v->GetY() - ends[e].y) <= tol) on = v;
                    }
                    if (on != nullptr) {
                        idx[e] = rimIndex(on);
                        continue;
                    }
                    double z = ends[e].z;
                    HeightAt(first.GetMesh(), ends[e].x, ends[e].y, &z);
                    ends[e].z = z;
                    idx[e] = fill.Add(ends[e]);
                }
                fill.sides.push_back({idx[0], idx[1]});
            }
        }
    }
    for (auto& [a, b] : padPieces) fill.sides.push_back({fill.Add(a), fill.Add(b)});

    if (m_pfnBatchNotify != nullptr) m_pfnBatchNotify(1);
    AddFill(fill, band, footprint, w);
    if (m_pfnBatchNotify != nullptr) m_pfnBatchNotify(0);
    w->RemoveEqualsVertex();
    w->RemoveNonManifoldEdges();

    // The window goes back into the rest of the terrain, sharing the vertices of its outer
    // rim with the rest's.
    G3Surface* r = pkterrain::SurfaceWithout(source, inWindow, down);
    std::vector<G3Vertex*> shared;
    shared.reserve(into.size());
    for (auto& [from, copy] : into) shared.push_back(r->GetVertex(from->GetId()));
    pkterrain::MergeInto(r, w, shared);
    delete w;
    r->RemoveUnused();
    return r;
}
