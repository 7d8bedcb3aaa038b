// Texture coordinates of a finished roof: each facet gets a frame in its own plane, with s
// running along the plane's horizontal and t up its slope, both in model units.

#include <cmath>
#include <vector>

#include "polykern/math/GMatrix4.h"
#include "polykern/math/GVector3.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/roof/G3RoofGenerator.h"

namespace {

constexpr double kTol = 1e-7;

bool Unit(double* v) {
    const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(len > 1e-12) || !std::isfinite(len)) return false;
    for (int k = 0; k < 3; ++k) v[k] /= len;
    return true;
}

// The frame of a facet's plane: origin on the plane, u horizontal, v up the slope, n the
// normal. False for a flat facet, whose plane has no slope to follow.
bool PlaneFrame(const double* plane, double m[4][4]) {
    double origin[3] = {0.0, 0.0, 0.0};
    if (std::fabs(plane[0]) > kTol) {
        origin[0] = -plane[3] / plane[0];
    } else if (std::fabs(plane[1]) > kTol) {
        origin[1] = -plane[3] / plane[1];
    }
    double n[3] = {plane[0], plane[1], plane[2]};
    if (!Unit(n)) return false;
    const double z[3] = {0.0, 0.0, 1.0};
    double u[3], v[3];
    V3OrtoVector(n, z, u);
    if (!Unit(u)) return false;
    V3OrtoVector(n, u, v);
    if (!Unit(v)) return false;
    if (v[2] < 0.0) {
        for (int k = 0; k < 3; ++k) {
            v[k] = -v[k];
            u[k] = -u[k];
        }
    }
    double pu[3], pv[3], pn[3];
    for (int k = 0; k < 3; ++k) {
        pu[k] = origin[k] + u[k];
        pv[k] = origin[k] + v[k];
        pn[k] = origin[k] + n[k];
    }
    return M4BasisTo(origin, pu, pv, pn, m);
}

}  // namespace

bool G3RoofGenerator::GenerateTexCoo() {
    if (m_RoofSurface == nullptr || m_RoofSurface->GetFacetCount() == 0) return false;
    for (int i = 0; i < m_RoofSurface->GetFacetCount(); ++i) {
        G3Facet* f = m_RoofSurface->GetFacet(i);
        double m[4][4];
        const bool framed = PlaneFrame(f->GetPlane(), m);
        int ia = 0, ib = 1;
        f->GetMaxCoo(&ia, &ib);
        std::vector<G3Vertex*> ring(f->GetVertexCount());
        f->GetVertices(ring.data());
        for (G3Vertex* v : ring) {
            G3TexCoo* old = nullptr;
            G3Normal* normal = f->GetNormal(v, &old);
            if (old != nullptr) continue;
            const double* p = v->GetXYZ();
            double st[2];
            if (framed) {
                for (int c = 0; c < 2; ++c) {
                    st[c] = p[0] * m[0][c] + p[1] * m[1][c] + p[2] * m[2][c] + m[3][c];
                }
            } else {
                st[0] = p[ia];
                st[1] = p[ib];
            }
            G3TexCoo* t = m_RoofSurface->AddTexCoo(st[0], st[1]);
            if (normal == nullptr) {
                double n[3] = {f->GetPlaneA(), f->GetPlaneB(), f->GetPlaneC()};
                if (!Unit(n)) n[2] = 1.0;
                normal = m_RoofSurface->AddNormal(n);
            }
            f->SetNormal(v, normal, t, false);
        }
    }
    return true;
}
