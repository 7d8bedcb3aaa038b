// Fuzz target: points on a coarse grid (so that duplicates, collinear runs and cocircular
// quadruples abound), some moved by half the tolerance, and constraints between them.
// Whatever comes in, a triangulation that is not refused must cover the hull exactly with
// counter-clockwise triangles, no edge used twice the same way; a violation aborts, which
// the fuzzer reports.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "polykern/model/G3Surface.h"
#include "polykern/triangulation/G3TMesh.h"
#include "polykern/triangulation/G3TriInterface.h"
#include "tests/support/PlanarTriangulation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks how many points follow (3 bytes each); pairs of bytes after
    // them are constraints.
    const std::size_t n = std::min<std::size_t>(data[0], (size - 1) / 3);
    G3TriInterface tri;
    std::vector<G3TVertex*> vertices;
    std::vector<pktest::PlanePoint> points;
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

    const pktest::TriangulationCheck r = pktest::CheckTriangulation(tri.GetMesh(), points);
    if (!r.fault.empty() || std::fabs(r.area - r.hull) > 1e-6) std::abort();
    std::unique_ptr<G3Surface> s(tri.GetSurface());
    return 0;
}
