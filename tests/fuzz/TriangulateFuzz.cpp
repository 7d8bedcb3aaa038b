// Fuzz target: points on a coarse grid (so that duplicates, collinear runs and cocircular
// quadruples abound), some moved by half the tolerance, and constraints between them.
// Whatever comes in, a triangulation that is not refused must cover the hull exactly with
// counter-clockwise triangles, no edge used twice the same way; a violation aborts, which
// the fuzzer reports.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "polykern/model/G3Surface.h"
#include "polykern/triangulation/G3TMesh.h"
#include "polykern/triangulation/G3TriInterface.h"

namespace {

using Pt = std::array<double, 2>;

double Cross(const Pt& o, const Pt& a, const Pt& b) {
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}

double HullArea(std::vector<Pt> p) {
    std::sort(p.begin(), p.end());
    p.erase(std::unique(p.begin(), p.end()), p.end());
    if (p.size() < 3) return 0.0;
    std::vector<Pt> h(2 * p.size());
    std::size_t k = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        while (k >= 2 && Cross(h[k - 2], h[k - 1], p[i]) <= 0) --k;
        h[k++] = p[i];
    }
    for (std::size_t i = p.size() - 1, t = k + 1; i > 0; --i) {
        while (k >= t && Cross(h[k - 2], h[k - 1], p[i - 1]) <= 0) --k;
        h[k++] = p[i - 1];
    }
    double area = 0.0;
    for (std::size_t i = 0; i + 1 < k; ++i)
        area += 0.5 * (h[i][0] * h[i + 1][1] - h[i][1] * h[i + 1][0]);
    return area;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks how many points follow (3 bytes each); pairs of bytes after
    // them are constraints.
    const std::size_t n = std::min<std::size_t>(data[0], (size - 1) / 3);
    G3TriInterface tri;
    std::vector<G3TVertex*> vertices;
    std::vector<Pt> points;
    for (std::size_t i = 0; i < n; ++i) {
        const uint8_t* b = data + 1 + 3 * i;
        const double x = (b[0] & 0x1F) * 0.25 + ((b[0] & 0x20) ? 5e-9 : 0.0);
        const double y = (b[1] & 0x1F) * 0.25;
        const double p[3] = {x, y, double(b[2])};
        vertices.push_back(tri.AddVertex(p));
        points.push_back({x, y});
    }
    for (std::size_t at = 1 + 3 * n; n > 0 && at + 1 < size; at += 2)
        tri.AddEdge(vertices[data[at] % n], vertices[data[at + 1] % n]);
    // Refusing is allowed (coordinates about the tolerance apart can defeat the tolerant
    // predicates); a triangulation handed on must be sound.
    if (!tri.MakeTriangulation()) return 0;

    G3TMesh* m = tri.GetMesh();
    std::set<std::pair<const G3TVertex*, const G3TVertex*>> directed;
    double area = 0.0;
    for (int i = 0; i < m->GetTriangleCount(); ++i) {
        G3TVertex* c[3];
        m->GetTriangle(i, c);
        const double a =
            0.5 * Cross({c[0]->u.Value(), c[0]->v.Value()}, {c[1]->u.Value(), c[1]->v.Value()},
                        {c[2]->u.Value(), c[2]->v.Value()});
        if (!(a > 0.0)) std::abort();
        area += a;
        for (int k = 0; k < 3; ++k)
            if (!directed.insert({c[k], c[(k + 1) % 3]}).second) std::abort();
    }
    if (std::fabs(area - HullArea(points)) > 1e-6) std::abort();
    std::unique_ptr<G3Surface> s(tri.GetSurface());
    return 0;
}
