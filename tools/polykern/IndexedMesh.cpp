#include "tools/polykern/IndexedMesh.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>

#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"

namespace pkcli {

std::string BadCornerMessage(long long face, long long index, long long vertexCount) {
    if (index >= 0 && index < vertexCount) return "";
    return "face " + std::to_string(face) + " names vertex " + std::to_string(index) +
           ", but the file has " + std::to_string(vertexCount) + " vertices";
}

void WeldEqualPositions(IndexedMesh* mesh) {
    const int n = mesh->VertexCount();
    std::map<std::array<double, 3>, int> first;  // -0.0 and 0.0 compare equal
    std::vector<int> renumber(static_cast<std::size_t>(n));
    std::vector<double> kept;
    kept.reserve(mesh->xyz.size());
    for (int i = 0; i < n; ++i) {
        const double* p = &mesh->xyz[3 * static_cast<std::size_t>(i)];
        const auto found = first.emplace(std::array<double, 3>{p[0], p[1], p[2]}, n);
        if (found.second) {
            found.first->second = static_cast<int>(kept.size() / 3);
            kept.insert(kept.end(), p, p + 3);
        }
        renumber[static_cast<std::size_t>(i)] = found.first->second;
    }
    for (int& c : mesh->corners) {
        if (c >= 0 && c < n) c = renumber[static_cast<std::size_t>(c)];
    }
    mesh->xyz.swap(kept);
}

std::unique_ptr<G3Surface> BuildSurface(const IndexedMesh& mesh) {
    // The points are numbered in the order faces first use them, and the rings are cleaned
    // first; the surface is then built in one pass.
    std::vector<int> number(static_cast<std::size_t>(mesh.VertexCount()), -1);
    std::vector<double> points;
    std::vector<int> counts;
    std::vector<int> rings;
    std::vector<int> ring;
    std::vector<int> distinct;
    std::size_t at = 0;
    for (const int count : mesh.cornerCounts) {
        if (count < 0 || mesh.corners.size() - at < static_cast<std::size_t>(count)) return nullptr;
        ring.clear();
        const int* first = mesh.corners.data() + at;  // valid even for an empty face
        for (const int* c = first; c != first + count; ++c) {
            if (*c < 0 || static_cast<std::size_t>(*c) >= number.size()) return nullptr;
            int& k = number[static_cast<std::size_t>(*c)];
            if (k < 0) {
                k = static_cast<int>(points.size() / 3);
                const double* p = &mesh.xyz[3 * static_cast<std::size_t>(*c)];
                points.insert(points.end(), p, p + 3);
            }
            // Repeated corners in a row would make zero-length edges.
            if (ring.empty() || ring.back() != k) ring.push_back(k);
        }
        at += static_cast<std::size_t>(count);
        while (ring.size() > 1 && ring.back() == ring.front()) ring.pop_back();
        distinct = ring;
        std::sort(distinct.begin(), distinct.end());
        if (std::unique(distinct.begin(), distinct.end()) - distinct.begin() < 3) continue;
        counts.push_back(static_cast<int>(ring.size()));
        rings.insert(rings.end(), ring.begin(), ring.end());
    }
    std::unique_ptr<G3Surface> s(new G3Surface());
    s->AddIndexedFacets(static_cast<int>(points.size() / 3), points.data(),
                        static_cast<int>(counts.size()), counts.data(),
                        static_cast<int>(rings.size()), rings.data(), nullptr, s->GetEdgeFlags());
    s->RemoveUnused();
    return s;
}

}  // namespace pkcli
