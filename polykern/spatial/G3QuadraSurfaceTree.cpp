// The facet octree for picking: building by recursive insertion, and the segment and
// aperture queries that report each facet once through its mark.

#include "polykern/spatial/G3QuadraSurfaceTree.h"

#include <algorithm>
#include <cmath>

#include "polykern/foundation/GHeap.h"
#include "polykern/math/GEnvelope.h"
#include "polykern/math/GMatrix4.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"

PK_DEFINE_POOL(G3QuadraSurfaceTreeNode, 4096)

namespace {

constexpr int kSplitCount = 200;  // a leaf holding more facets than this splits
constexpr int kMaxLevel = 4;      // ... while its level is below this

bool Finite3(const double* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

double LargestExtent(const GEnvelope* e) {
    return std::max({std::fabs(e->XSize()), std::fabs(e->YSize()), std::fabs(e->ZSize())});
}

double SmallestExtent(const GEnvelope* e) {
    return std::min({std::fabs(e->XSize()), std::fabs(e->YSize()), std::fabs(e->ZSize())});
}

// The facet's box into `box`; false for a facet without edges or with a corner that is
// not finite, which no query could place.
bool FacetBox(const G3Facet* f, GEnvelope* box) {
    if (f == nullptr || !f->HasEdges()) return false;
    f->FormEnvelope(box);
    return Finite3(box->GetMin()) && Finite3(box->GetMax());
}

// p as a row vector times m.
void TransformPoint(const double m[4][4], const double* p, double* out) {
    for (int k = 0; k < 3; ++k) out[k] = p[0] * m[0][k] + p[1] * m[1][k] + p[2] * m[2][k] + m[3][k];
}

void Report(const G3QuadraSurfaceTreeNode* n, GArrayCollection* out) {
    const GArrayCollection* facets = n->GetFacets();
    for (int k = 0; k < facets->size(); ++k) {
        auto* f = static_cast<G3Facet*>(facets->get(k));
        if (f->GetMark()) continue;
        f->SetMark();
        out->add(f);
    }
}

void ClearFrom(GArrayCollection* out, int first) {
    for (int k = first; k < out->size(); ++k) static_cast<G3Facet*>(out->get(k))->ClearMark();
}

void WalkSegment(const G3QuadraSurfaceTreeNode* n,
                 const double* p1,
                 const double* p2,
                 GArrayCollection* out) {
    double a[3] = {p1[0], p1[1], p1[2]}, b[3] = {p2[0], p2[1], p2[2]};
    if (n->GetEnvelope()->ClipTest(a, b) != 0) return;
    for (int k = 0; k < 8; ++k) {
        if (const G3QuadraSurfaceTreeNode* c = n->GetChild(k)) WalkSegment(c, p1, p2, out);
    }
    Report(n, out);
}

void WalkAperture(const G3QuadraSurfaceTreeNode* n,
                  const double m[4][4],
                  const GEnvelope* aperture,
                  GArrayCollection* out) {
    GEnvelope local;
    n->GetEnvelope()->Transform(&local, m);
    if (!local.IsIntersectXYZ(aperture)) return;
    for (int k = 0; k < 8; ++k) {
        if (const G3QuadraSurfaceTreeNode* c = n->GetChild(k)) WalkAperture(c, m, aperture, out);
    }
    Report(n, out);
}

int CountNodes(const G3QuadraSurfaceTreeNode* n) {
    if (n == nullptr) return 0;
    int count = 1;
    for (int k = 0; k < 8; ++k) count += CountNodes(n->GetChild(k));
    return count;
}

}  // namespace

G3QuadraSurfaceTreeNode::G3QuadraSurfaceTreeNode(GEnvelope* envelope, int level)
    : m_Envelope(envelope), m_Level(level), m_Facets(16, 256) {}

G3QuadraSurfaceTreeNode::~G3QuadraSurfaceTreeNode() {
    for (GEnvelope*& e : m_ChildEnvelopes) {
        delete e;
        e = nullptr;
    }
    for (G3QuadraSurfaceTreeNode*& c : m_Children) {
        delete c;
        c = nullptr;
    }
}

// The tree's insertion steps, kept out of the header: they reach into the nodes.
struct G3QuadraSurfaceTreeBuild {
    // Offers f (box b) to the children of split node n: a facet smaller than n's box goes to
    // every child it meets; a larger one stays at n, marked. Whether any node took it.
    static bool OfferToChildren(G3QuadraSurfaceTreeNode* n, G3Facet* f, const GEnvelope* b) {
        if (SmallestExtent(b) > LargestExtent(n->m_Envelope)) {
            n->m_Facets.add(f);
            f->SetMark();
            return true;
        }
        bool taken = false;
        for (int k = 0; k < 8; ++k) {
            if (n->m_ChildEnvelopes[k]->IsIntersectXYZ(b))
                taken = Insert(n->m_Children[k], f, b) || taken;
        }
        return taken;
    }

    static bool Insert(G3QuadraSurfaceTreeNode* n, G3Facet* f, const GEnvelope* b) {
        if (n->IsSplit()) return OfferToChildren(n, f, b);
        n->m_Facets.add(f);
        if (n->m_Level < kMaxLevel && n->m_Facets.size() > kSplitCount) Split(n);
        return true;
    }

    // Makes the eight octants of n's box and moves down every facet that fits them.
    static void Split(G3QuadraSurfaceTreeNode* n) {
        const double* lo = n->m_Envelope->GetMin();
        const double* hi = n->m_Envelope->GetMax();
        const double mid[3] = {0.5 * (lo[0] + hi[0]), 0.5 * (lo[1] + hi[1]), 0.5 * (lo[2] + hi[2])};
        for (int k = 0; k < 8; ++k) {
            double a[3], c[3];
            for (int axis = 0; axis < 3; ++axis) {
                const bool upper = (k >> axis) & 1;
                a[axis] = upper ? mid[axis] : lo[axis];
                c[axis] = upper ? hi[axis] : mid[axis];
            }
            n->m_ChildEnvelopes[k] = new GEnvelope();
            n->m_ChildEnvelopes[k]->Init(a, c);
            n->m_Children[k] = new G3QuadraSurfaceTreeNode(n->m_ChildEnvelopes[k], n->m_Level + 1);
        }
        GEnvelope box;
        for (int i = 0; i < n->m_Facets.size(); ++i) {
            auto* f = static_cast<G3Facet*>(n->m_Facets.get(i));
            if (f->GetMark() || !FacetBox(f, &box)) continue;
            if (SmallestExtent(&box) > LargestExtent(n->m_Envelope)) {
                f->SetMark();  // too large for the children: it stays
                continue;
            }
            bool taken = false;
            for (int k = 0; k < 8; ++k) {
                if (n->m_ChildEnvelopes[k]->IsIntersectXYZ(&box))
                    taken = Insert(n->m_Children[k], f, &box) || taken;
            }
            if (!taken) continue;
            n->m_Facets.remove(i);  // the last facet moves into the hole: look at it next
            --i;
        }
    }

    static void Compact(G3QuadraSurfaceTreeNode* n) {
        n->m_Facets.ReallocByRealSize();
        for (G3QuadraSurfaceTreeNode* c : n->m_Children) {
            if (c != nullptr) Compact(c);
        }
    }
};

G3QuadraSurfaceTree::G3QuadraSurfaceTree(G3Surface* surface) : m_Surface(surface) {}

G3QuadraSurfaceTree::~G3QuadraSurfaceTree() {
    Clear();
}

void G3QuadraSurfaceTree::Clear() {
    delete m_Root;
    m_Root = nullptr;
    delete m_RootEnvelope;
    m_RootEnvelope = nullptr;
}

bool G3QuadraSurfaceTree::MakeTree() {
    Clear();
    if (m_Surface == nullptr) return false;
    GEnvelope box;
    m_Surface->FormEnvelope(&box);
    if (!Finite3(box.GetMin()) || !Finite3(box.GetMax())) return false;
    m_RootEnvelope = new GEnvelope(box);
    m_Root = new G3QuadraSurfaceTreeNode(m_RootEnvelope, 1);
    const int count = m_Surface->GetFacetCount();
    for (int i = 0; i < count; ++i) {
        G3Facet* f = m_Surface->GetFacet(i);
        if (FacetBox(f, &box)) G3QuadraSurfaceTreeBuild::Insert(m_Root, f, &box);
    }
    G3QuadraSurfaceTreeBuild::Compact(m_Root);
    for (int i = 0; i < count; ++i) m_Surface->GetFacet(i)->ClearMark();
    return true;
}

bool G3QuadraSurfaceTree::FindIntersection(const double p1[3],
                                           const double p2[3],
                                           GArrayCollection* out) const {
    if (m_Root == nullptr || p1 == nullptr || p2 == nullptr || out == nullptr) return false;
    if (!Finite3(p1) || !Finite3(p2)) return false;
    const int first = out->size();
    WalkSegment(m_Root, p1, p2, out);
    ClearFrom(out, first);
    return true;
}

bool G3QuadraSurfaceTree::FindIntersectionInApertura(const double p1[3],
                                                     const double p2[3],
                                                     double aperture,
                                                     GArrayCollection* out) const {
    if (m_Root == nullptr || p1 == nullptr || p2 == nullptr || out == nullptr) return false;
    if (!Finite3(p1) || !Finite3(p2) || !std::isfinite(aperture) || aperture < 0.0) return false;
    double d[3] = {p2[0] - p1[0], p2[1] - p1[1], p2[2] - p1[2]};
    const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(len > 0.0) || !std::isfinite(len)) return false;
    for (double& c : d) c /= len;
    // The frame in which the segment runs along the local z axis.
    const double plane[4] = {d[0], d[1], d[2], -(d[0] * p1[0] + d[1] * p1[1] + d[2] * p1[2])};
    double rotation[4][4], m[4][4];
    if (!M4RotationMatrix(plane, rotation) || !M4Inverse(rotation, m)) return false;
    double a[3], b[3];
    TransformPoint(m, p1, a);
    TransformPoint(m, p2, b);
    const double h = 0.5 * aperture;
    GEnvelope prism;
    prism.Init(a[0] - h, a[1] - h, a[2], b[0] + h, b[1] + h, b[2]);
    const int first = out->size();
    WalkAperture(m_Root, m, &prism, out);
    ClearFrom(out, first);
    return true;
}

int G3QuadraSurfaceTree::GetNodeCount() const {
    return CountNodes(m_Root);
}
