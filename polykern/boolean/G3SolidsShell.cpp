// The inner offset shell of a solid.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "polykern/boolean/G3SolidsBuilder.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/math/GMatrix4.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetLoops.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

namespace {

// Facet planes at a vertex whose normals part by less than this angle (radians) are one
// plane: coplanar neighbours, such as the two triangles of a split face, share one offset.
constexpr double kParallelAngle = 1e-5;
// Directions in which the planes at a vertex pin the corner less than this share of the
// best-pinned direction are left to the vertex itself (nearly parallel planes meet far
// off, or not at all).
constexpr double kRankShare = 1e-8;
// The scratch bits of the flag word; copied flag words leave them behind.
constexpr int32_t kScratchMarks =
    G3OBJ_MARK | G3OBJ_MARK2 | G3OBJ_MARK3 | G3OBJ_MARK4 | G3OBJ_IN_USE;

// A plane n·x + r = 0 with x relative to the vertex whose corner is sought.
struct CornerPlane {
    double n[3];
    double r;
    bool open;
};

double Dot3(const double* a, const double* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

bool IsFinite3(const double* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// Eigenvalues w and eigenvectors (columns of v) of the symmetric matrix a, by cyclic
// Jacobi rotations; a is destroyed.
void SymmetricEigen(double a[3][3], double w[3], double v[3][3]) {
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) v[i][j] = i == j ? 1.0 : 0.0;
    }
    static const int kPairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
    for (int sweep = 0; sweep < 50; ++sweep) {
        const double off = a[0][1] * a[0][1] + a[0][2] * a[0][2] + a[1][2] * a[1][2];
        const double diag = a[0][0] * a[0][0] + a[1][1] * a[1][1] + a[2][2] * a[2][2];
        if (!(off > 1e-32 * diag)) break;
        for (const auto& pq : kPairs) {
            const int p = pq[0], q = pq[1];
            if (a[p][q] == 0.0) continue;
            const double theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q]);
            const double t =
                (theta >= 0.0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
            const double c = 1.0 / std::sqrt(t * t + 1.0), s = t * c;
            for (int k = 0; k < 3; ++k) {
                const double kp = a[k][p], kq = a[k][q];
                a[k][p] = c * kp - s * kq;
                a[k][q] = s * kp + c * kq;
            }
            for (int k = 0; k < 3; ++k) {
                const double pk = a[p][k], qk = a[q][k];
                a[p][k] = c * pk - s * qk;
                a[q][k] = s * pk + c * qk;
            }
            for (int k = 0; k < 3; ++k) {
                const double kp = v[k][p], kq = v[k][q];
                v[k][p] = c * kp - s * kq;
                v[k][q] = s * kp + c * kq;
            }
        }
    }
    for (int i = 0; i < 3; ++i) w[i] = a[i][i];
}

// The point nearest the vertex (x = 0) among those nearest to all the planes in least
// squares: the planes' intersection for three distinct planes, the foot of the vertex on
// the intersection line for two, the vertex moved along the normal for one, and the best
// compromise for more. False when the result is not finite.
bool SolveCorner(const std::vector<CornerPlane>& planes, double x[3]) {
    double m[3][3] = {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
    double b[3] = {0, 0, 0};
    for (const CornerPlane& p : planes) {
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) m[i][j] += p.n[i] * p.n[j];
            b[i] -= p.n[i] * p.r;
        }
    }
    double w[3], v[3][3];
    SymmetricEigen(m, w, v);
    const double top = std::max(w[0], std::max(w[1], w[2]));
    x[0] = x[1] = x[2] = 0.0;
    if (!(top > 0.0)) return false;
    for (int k = 0; k < 3; ++k) {
        if (!(w[k] > kRankShare * top)) continue;
        const double e[3] = {v[0][k], v[1][k], v[2][k]};
        const double along = Dot3(e, b) / w[k];
        for (int i = 0; i < 3; ++i) x[i] += along * e[i];
    }
    return IsFinite3(x);
}

// The facets around v (each once), in identifier order so that the result does not hang
// on where they lie in memory.
std::vector<G3Facet*> FacetsAt(const G3Vertex* v) {
    std::vector<G3Facet*> out;
    for (G3Edge* e = v->GetFirstEdge(); e != nullptr; e = v->NextEdge(e)) {
        for (G3Facet* f : {e->GetFacet1(), e->GetFacet2()}) {
            if (f != nullptr) out.push_back(f);
        }
    }
    std::sort(out.begin(), out.end(),
              [](const G3Facet* a, const G3Facet* b) { return a->GetId() < b->GetId(); });
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

// Adds `p` to the distinct planes, or merges it into the one it parallels; an open plane
// wins a merge, so that the walls end exactly on it.
void AddDistinctPlane(std::vector<CornerPlane>& distinct, const CornerPlane& p) {
    const double sinTol = std::sin(kParallelAngle);
    for (CornerPlane& q : distinct) {
        const double cross[3] = {p.n[1] * q.n[2] - p.n[2] * q.n[1],
                                 p.n[2] * q.n[0] - p.n[0] * q.n[2],
                                 p.n[0] * q.n[1] - p.n[1] * q.n[0]};
        if (Dot3(p.n, q.n) > 0.0 && std::sqrt(Dot3(cross, cross)) < sinTol) {
            if (p.open && !q.open) q = p;
            return;
        }
    }
    distinct.push_back(p);
}

// Fills a flag word's scratch bits with nothing.
int32_t WithoutMarks(int32_t flags) {
    return flags & ~kScratchMarks;
}

// The volume the piece's facets sweep seen from the origin (the solid's centre): negative
// for a piece that faces away from the solid's material, as a shell should. For a closed
// piece this is its signed volume, wherever the origin lies.
double VolumeSeenFromOrigin(GArrayCollection* piece) {
    double volume = 0.0;
    for (int i = 0; i < piece->size(); ++i) {
        const G3FacetLoops loops(static_cast<G3Facet*>(piece->get(i)));
        for (int loop = 0; loop < loops.GetLoopCount(); ++loop) {
            const int begin = loops.LoopBegin(loop), end = loops.LoopEnd(loop);
            const double* a = loops.Vertex(begin)->GetXYZ();
            for (int k = begin + 1; k + 1 < end; ++k) {
                const double* b = loops.Vertex(k)->GetXYZ();
                const double* c = loops.Vertex(k + 1)->GetXYZ();
                volume += Det3x3(a[0], a[1], a[2], b[0], b[1], b[2], c[0], c[1], c[2]) / 6.0;
            }
        }
    }
    return volume;
}

// An offset that runs a ring edge backwards has passed the point where the edge shrank
// to nothing: the facet came out inverted.
bool RunsAnEdgeBackwards(const G3FacetLoops& loops, const std::vector<G3Vertex*>& corners) {
    for (int k = 0; k < loops.GetCount(); ++k) {
        const int n = loops.Next(k);
        const double* a = loops.Vertex(k)->GetXYZ();
        const double* b = loops.Vertex(n)->GetXYZ();
        const double* ca = corners[k]->GetXYZ();
        const double* cb = corners[n]->GetXYZ();
        const double src[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const double off[3] = {cb[0] - ca[0], cb[1] - ca[1], cb[2] - ca[2]};
        if (Dot3(src, off) < -1e-9 * Dot3(src, src)) return true;
    }
    return false;
}

// The source facet's normal and the piece's agree: the piece came out inverted.
bool FacesLikeSource(G3Facet* f, G3Surface* solid) {
    const int src = f->GetSurface();
    if (src < 0 || src >= solid->GetFacetCount()) return false;
    return Dot3(f->GetPlane(), solid->GetFacet(src)->GetPlane()) >= 1e-6;
}

void Translate(G3Surface* s, const double* by) {
    double m[4][4];
    M4Identity(m);
    M4Translate(m, by[0], by[1], by[2]);
    s->RealTransformation(m);
}

}  // namespace

void G3SolidsBuilder::CalcNewPlaneEquation(G3Facet* facet, double thickness, double plane[4]) {
    const double* p = facet->GetPlane();
    plane[0] = p[0];
    plane[1] = p[1];
    plane[2] = p[2];
    // (a, b, c) points out of the material, so the plane through the points t inside
    // has d + t.
    plane[3] = facet->GetMark() ? p[3] : p[3] + thickness;
}

// Every shell facet at a solid vertex uses the one corner made for that vertex, so the
// shell pairs its edges as the solid does and is closed wherever the solid is. The corner
// is solved relative to the vertex, which keeps its digits for solids far from the origin.
G3Facet* G3SolidsBuilder::ShellFacet(G3Facet* facet, G3Surface* out, double thickness) {
    if (facet == nullptr || out == nullptr || facet->GetMark() || facet->IsPlaneZero())
        return nullptr;
    const G3FacetLoops loops(facet);
    if (loops.GetCount() < 3) return nullptr;
    std::vector<G3Vertex*> corners(static_cast<std::size_t>(loops.GetCount()));
    for (int k = 0; k < loops.GetCount(); ++k) {
        G3Vertex* v = loops.Vertex(k);
        auto* corner = static_cast<G3Vertex*>(v->GetExData());
        if (corner == nullptr) {
            std::vector<CornerPlane> distinct;
            for (G3Facet* f : FacetsAt(v)) {
                if (f->IsPlaneZero()) continue;
                double plane[4];
                CalcNewPlaneEquation(f, thickness, plane);
                CornerPlane p{{plane[0], plane[1], plane[2]}, 0.0, f->GetMark()};
                const double len = std::sqrt(Dot3(p.n, p.n));
                if (!(len > 0.5)) continue;
                for (double& c : p.n) c /= len;
                p.r = (Dot3(plane, v->GetXYZ()) + plane[3]) / len;
                AddDistinctPlane(distinct, p);
            }
            double x[3];
            if (!SolveCorner(distinct, x)) return nullptr;
            const double* at = v->GetXYZ();
            corner = out->AddVertex(at[0] + x[0], at[1] + x[1], at[2] + x[2], 0);
            if (corner == nullptr) return nullptr;
            v->SetExData(corner);
        }
        corners[k] = corner;
    }
    if (RunsAnEdgeBackwards(loops, corners)) return nullptr;
    // Each loop runs the other way round, so the shell facet faces the cavity; the side
    // from corner k + 1 back to corner k stands for ring edge k.
    G3Facet* shellFacet = nullptr;
    for (int loop = 0; loop < loops.GetLoopCount(); ++loop) {
        std::vector<G3Vertex*> ring;
        std::vector<int32_t> flags;
        for (int k = loops.LoopEnd(loop) - 1; k >= loops.LoopBegin(loop); --k) {
            ring.push_back(corners[k]);
            flags.push_back(WithoutMarks(loops.Edge(loops.Previous(k))->GetFlags()));
        }
        if (loop == 0) {
            shellFacet = out->AddFacet(static_cast<int>(ring.size()), ring.data(), flags.data(),
                                       static_cast<G3Normal**>(nullptr), nullptr);
            if (shellFacet == nullptr) return nullptr;
            continue;
        }
        for (std::size_t k = 0; k < ring.size(); ++k) {
            out->SetEdgeFlags(flags[k]);
            out->AddEdge(ring[k], ring[(k + 1) % ring.size()], shellFacet);
        }
    }
    shellFacet->FormPlaneEquation();
    shellFacet->SetFlags(WithoutMarks(facet->GetFlags()));
    shellFacet->SetSurface(facet->GetId());
    return shellFacet;
}

void G3SolidsBuilder::AddLump(G3Facet* facet, GArrayCollection* lump) {
    if (facet == nullptr || lump == nullptr || facet->GetMark2()) return;
    // A work list instead of recursion: a lump may hold millions of facets.
    std::vector<G3Facet*> pending{facet};
    facet->SetMark2();
    while (!pending.empty()) {
        G3Facet* f = pending.back();
        pending.pop_back();
        lump->add(f);
        for (G3Edge* e = f->GetFirstEdge(); e != nullptr; e = f->NextEdge(e)) {
            if (e->GetVertex1()->GetEdgeCount2(e->GetVertex2()) != 2) continue;
            G3Facet* o = e->GetFacet1() == f ? e->GetFacet2() : e->GetFacet1();
            if (o == nullptr || o->GetMark2()) continue;
            o->SetMark2();
            pending.push_back(o);
        }
    }
}

// Offsets every facet that is not open, joins the offset facets at per-vertex corners,
// cleans the result in a frame centred on the solid, and drops what came out inverted:
// facets whose offset ran an edge backwards, whole pieces that bound no cavity (they face
// the solid's material), then single facets that face like their sources.
bool G3SolidsBuilder::Shell(G3Surface* solid,
                            G3Surface** out,
                            double thickness,
                            GArrayCollection* openFacets) {
    if (out != nullptr) *out = nullptr;
    if (solid == nullptr || out == nullptr || !std::isfinite(thickness) || !(thickness > 0.0) ||
        solid->GetFacetCount() == 0 || solid->GetVertexCount() == 0)
        return false;

    solid->ChangeFacetFlags(G3OBJ_MARK, false);
    if (openFacets != nullptr) {
        std::unordered_set<const GObj*> open;
        for (int i = 0; i < openFacets->size(); ++i) open.insert(openFacets->get(i));
        for (int i = 0; i < solid->GetFacetCount(); ++i) {
            if (open.count(solid->GetFacet(i)) != 0) solid->GetFacet(i)->SetMark();
        }
    }
    // The vertex links hold the corners while the shell is built; they are given back.
    std::vector<GObj*> links(static_cast<std::size_t>(solid->GetVertexCount()));
    for (int i = 0; i < solid->GetVertexCount(); ++i) {
        links[i] = solid->GetVertex(i)->GetExData();
        solid->GetVertex(i)->SetExData(nullptr);
    }
    auto* shell = new G3Surface();
    for (int i = 0; i < solid->GetFacetCount(); ++i)
        ShellFacet(solid->GetFacet(i), shell, thickness);
    for (int i = 0; i < solid->GetVertexCount(); ++i) solid->GetVertex(i)->SetExData(links[i]);
    solid->ChangeFacetFlags(G3OBJ_MARK, false);

    GEnvelope env;
    solid->FormEnvelope(&env);
    const double centre[3] = {(env.GetMin()[0] + env.GetMax()[0]) / 2,
                              (env.GetMin()[1] + env.GetMax()[1]) / 2,
                              (env.GetMin()[2] + env.GetMax()[2]) / 2};
    const double back[3] = {-centre[0], -centre[1], -centre[2]};
    Translate(shell, back);
    shell->RemoveEqualsVertex();
    shell->RemoveNonManifoldEdges();
    shell->RemoveSelfIntersections();

    shell->ChangeFacetFlags(kScratchMarks, false);
    GArrayCollection inverted(64, 1024);
    GArrayCollection piece(64, 1024);
    for (int i = 0; i < shell->GetFacetCount(); ++i) {
        G3Facet* f = shell->GetFacet(i);
        if (f->GetMark2()) continue;
        piece.clear();
        AddLump(f, &piece);
        if (VolumeSeenFromOrigin(&piece) >= 0.0) {
            for (int k = 0; k < piece.size(); ++k) inverted.add(piece.get(k));
        } else {
            for (int k = 0; k < piece.size(); ++k) {
                if (FacesLikeSource(static_cast<G3Facet*>(piece.get(k)), solid))
                    inverted.add(piece.get(k));
            }
        }
    }
    for (int i = 0; i < inverted.size(); ++i)
        shell->RemoveFacet(static_cast<G3Facet*>(inverted.get(i)));
    shell->RemoveUnused();
    shell->ChangeFacetFlags(kScratchMarks, false);
    if (shell->GetFacetCount() == 0) {
        delete shell;
        return false;
    }
    Translate(shell, centre);
    *out = shell;
    return true;
}
