// Normals and texture coordinates inside a facet, interpolated from its edges.

#include <cmath>
#include <utility>

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Normal.h"
#include "polykern/model/G3TexCoo.h"
#include "polykern/model/G3Vertex.h"

bool G3Facet::Interpolate(const G3Edge* e, const double* p, G3Normal** n, G3TexCoo** t) const {
    G3Normal *nStart, *nEnd;
    G3TexCoo *tStart, *tEnd;
    if (!e->GetNormals(this, &nStart, &tStart, &nEnd, &tEnd)) {
        *n = nullptr;
        if (t != nullptr) *t = nullptr;
        return false;
    }
    G3Edge::Interpolate(e->GetVertex1(), nStart, tStart, e->GetVertex2(), nEnd, tEnd, p, n, t);
    return true;
}

namespace {

// A boundary edge met by the scan line, with the point where it meets it.
struct Crossing {
    const G3Edge* edge = nullptr;
    double x = 0.0;
    double point[3] = {0.0, 0.0, 0.0};
};

void Zero3(double* v) {
    v[0] = v[1] = v[2] = 0.0;
}

}  // namespace

// A scan line along axis i at the level of p on axis j meets the boundary; the nearest
// crossings at or before and at or after p bound it. Each of the two edges is
// interpolated where the scan line meets it, then the results are blended along the line.
int G3Facet::Interpolate(const double* p, double* normalOut, double* uvOut) const {
    int i, j;
    GetMaxCoo(&i, &j);
    Crossing left, right;
    bool any = false;
    auto offer = [&](const G3Edge* e, double x, const double* point) {
        if (!any || (x <= p[i] && (left.x > p[i] || x > left.x))) {
            left.edge = e;
            left.x = x;
            for (int k = 0; k < 3; ++k) left.point[k] = point[k];
        }
        if (!any || (x >= p[i] && (right.x < p[i] || x < right.x))) {
            right.edge = e;
            right.x = x;
            for (int k = 0; k < 3; ++k) right.point[k] = point[k];
        }
        any = true;
    };
    for (const G3Edge* e = m_FirstEdge; e != nullptr; e = NextEdge(e)) {
        const double* lo = e->GetVertex1()->GetXYZ();
        const double* hi = e->GetVertex2()->GetXYZ();
        if (lo[j] > hi[j]) std::swap(lo, hi);
        if (!(lo[j] <= p[j] + 1e-6 && p[j] - 1e-6 <= hi[j])) continue;
        const double rise = hi[j] - lo[j];
        if (rise >= 1e-6) {
            const double s = (p[j] - lo[j]) / rise;
            double point[3];
            for (int k = 0; k < 3; ++k) point[k] = lo[k] + s * (hi[k] - lo[k]);
            offer(e, point[i], point);
        } else {
            offer(e, lo[i], lo);
            offer(e, hi[i], hi);
        }
    }
    auto nothing = [&] {
        Zero3(normalOut);
        Zero3(uvOut);
        return 0;
    };
    if (left.edge == nullptr || !left.edge->HasGeometry(this) || !right.edge->HasGeometry(this)) {
        return nothing();
    }
    G3Normal *nL = nullptr, *nR = nullptr;
    G3TexCoo *tL = nullptr, *tR = nullptr;
    Interpolate(left.edge, left.point, &nL, &tL);
    Interpolate(right.edge, right.point, &nR, &tR);
    int result = 0;
    if (nL == nullptr || nR == nullptr) {
        nothing();
    } else {
        const double w = right.x - left.x;
        const double s = std::fabs(w) >= 1e-6 ? (p[i] - left.x) / w : 0.0;
        for (int k = 0; k < 3; ++k)
            normalOut[k] = nL->GetXYZ(k) + (nR->GetXYZ(k) - nL->GetXYZ(k)) * s;
        result = 1;
        if (tL != nullptr && tR != nullptr) {
            const double st = w >= 1e-6 ? s : 0.0;
            uvOut[0] = tL->GetU() + (tR->GetU() - tL->GetU()) * st;
            uvOut[1] = tL->GetV() + (tR->GetV() - tL->GetV()) * st;
            result = 2;
        }
    }
    delete nL;
    delete nR;
    delete tL;
    delete tR;
    return result;
}
