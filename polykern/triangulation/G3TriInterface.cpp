#include "polykern/triangulation/G3TriInterface.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/triangulation/G3TMesh.h"

namespace {

constexpr double kWeldTolerance = 1e-6;

// Whether two vertices of s lie closer than the weld's tolerance, without which the weld
// would change nothing. Sorted by x, each vertex is compared with those after it whose x
// lies within the tolerance, in a box, so no pair the weld would merge is missed.
bool HasCloseVertices(const G3Surface* s) {
    std::vector<const double*> p(static_cast<std::size_t>(s->GetVertexCount()));
    for (std::size_t i = 0; i < p.size(); ++i) p[i] = s->GetVertex(static_cast<int>(i))->GetXYZ();
    std::sort(p.begin(), p.end(), [](const double* a, const double* b) { return a[0] < b[0]; });
    for (std::size_t i = 0; i < p.size(); ++i) {
        for (std::size_t j = i + 1; j < p.size() && p[j][0] - p[i][0] < kWeldTolerance; ++j) {
            if (std::fabs(p[j][1] - p[i][1]) < kWeldTolerance &&
                std::fabs(p[j][2] - p[i][2]) < kWeldTolerance)
                return true;
        }
    }
    return false;
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
    for (const G3TEdge& e : m_Constraints)
        m_Inserted += m_Mesh->InsertSegment(e.vertex[0], e.vertex[1], 0) ? 1 : 0;
    return true;
}

G3Surface* G3TriInterface::GetSurface() {
    return GetSurface(new G3Surface());
}

// Every vertex becomes a surface vertex (dropped duplicates too, with their own heights),
// every triangle a facet over its corners; the weld then merges coincident vertices and
// sweeps those no facet uses. Where no two vertices are that close, the sweep alone gives
// the same surface much sooner.
G3Surface* G3TriInterface::GetSurface(G3Surface* target) {
    if (target == nullptr) return nullptr;
    const bool filled = target->GetVertexCount() > 0;
    const int n = m_Mesh->GetVertexCount();
    for (int i = 0; i < n; ++i) {
        G3TVertex* v = m_Mesh->GetVertex(i);
        const double u = v->u.Value(), vv = v->v.Value(), w = v->w.Value();
        const double p[3] = {u * m_Axis1[0] + vv * m_Axis2[0] + w * m_Normal[0],
                             u * m_Axis1[1] + vv * m_Axis2[1] + w * m_Normal[1],
                             u * m_Axis1[2] + vv * m_Axis2[2] + w * m_Normal[2]};
        v->output = target->AddVertex(p, 0);
    }
    G3TVertex* corners[3];
    G3Vertex* facet[3];
    for (int i = 0; i < m_Mesh->GetTriangleCount(); ++i) {
        m_Mesh->GetTriangle(i, corners);
        for (int k = 0; k < 3; ++k) facet[k] = corners[k]->output;
        target->AddFacet(3, facet, 1, nullptr, nullptr);
    }
    if (filled || HasCloseVertices(target))
        target->RemoveEqualsVertex();
    else
        target->RemoveUnused();
    return target;
}
