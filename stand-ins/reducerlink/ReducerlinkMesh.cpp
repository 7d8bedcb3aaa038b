#include "stand-ins/reducerlink/ReducerlinkMesh.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <unordered_map>

#include "polykern/exdata/G3ExDataProvider.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Vertex.h"

namespace reducerlink {

namespace {

// The region key of a facet: the host's own region number when it gives one, else the
// value each registered provider keeps on the facet. Values are compared as they are
// stored, as the standard rule for identifiers compares them when facets merge.
void RegionKey(G3Facet* f,
               G3Surface::QSLIMCommandsBase* commands,
               const GArrayCollection* providers,
               std::vector<std::uintptr_t>& key) {
    key.clear();
    const int host = commands != nullptr ? commands->GetRegion(f) : -1;
    if (host >= 0) {
        key.push_back(1);
        key.push_back(static_cast<std::uintptr_t>(host));
        return;
    }
    key.push_back(0);
    if (providers == nullptr) return;
    for (int i = 0; i < providers->size(); ++i) {
        auto* p = static_cast<G3ExDataProvider*>(providers->get(i));
        key.push_back(reinterpret_cast<std::uintptr_t>(f->GetOutExData(p)));
    }
}

// The corners of a triangle in ring order, read off its three edges in one walk; the
// number of edges, counted up to 4.
int Corners(const G3Facet* f, G3Vertex** v) {
    G3Edge* e[4];
    int n = 0;
    for (G3Edge* edge = f->GetFirstEdge(); edge != nullptr && n < 4; edge = f->NextEdge(edge))
        e[n++] = edge;
    if (n != 3) return n;
    G3Vertex* shared = e[0]->GetVertex2();
    if (shared != e[1]->GetVertex1() && shared != e[1]->GetVertex2()) shared = e[0]->GetVertex1();
    v[0] = e[0]->OtherVertex(shared);
    v[1] = shared;
    v[2] = e[1]->OtherVertex(shared);
    return 3;
}

// Positions as meshoptimizer reads them: floats, taken about the box's centre so that a
// model far from the origin keeps its detail.
std::vector<float> CentredPositions(const std::vector<double>& xyz) {
    double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    for (std::size_t i = 0; i < xyz.size(); i += 3) {
        for (int k = 0; k < 3; ++k) {
            const double x = xyz[i + k];
            lo[k] = i == 0 ? x : std::min(lo[k], x);
            hi[k] = i == 0 ? x : std::max(hi[k], x);
        }
    }
    const double centre[3] = {(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2};
    std::vector<float> out(xyz.size());
    for (std::size_t i = 0; i < xyz.size(); ++i)
        out[i] = static_cast<float>(xyz[i] - centre[i % 3]);
    return out;
}

// Brings one index buffer down to about targetTriangles; the kept triangles are appended
// to `out` with their region. Border vertices are locked when asked.
float SimplifyBuffer(const std::vector<unsigned>& index,
                     const float* positions,
                     std::size_t vertexCount,
                     std::size_t targetTriangles,
                     float targetError,
                     bool lockBorder,
                     std::vector<unsigned>& out) {
    std::vector<unsigned> kept(index.size());
    float error = 0.0f;
    const std::size_t n =
        meshopt_simplify(kept.data(), index.data(), index.size(), positions, vertexCount,
                         3 * sizeof(float), 3 * targetTriangles, targetError,
                         lockBorder ? unsigned(meshopt_SimplifyLockBorder) : 0u, &error);
    out.insert(out.end(), kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(n));
    return error;
}

// Whether m lies strictly inside the segment a–c, within a relative 1e-9 of it.
bool LiesInside(const double* a, const double* m, const double* c) {
    const double u[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const double w[3] = {m[0] - a[0], m[1] - a[1], m[2] - a[2]};
    const double uu = u[0] * u[0] + u[1] * u[1] + u[2] * u[2];
    const double uw = u[0] * w[0] + u[1] * w[1] + u[2] * w[2];
    if (uu <= 0.0 || uw <= 0.0 || uw >= uu) return false;
    const double x[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                         u[0] * w[1] - u[1] * w[0]};
    return x[0] * x[0] + x[1] * x[1] + x[2] * x[2] <= 1e-18 * uu * uu;
}

std::uint64_t SideKey(unsigned from, unsigned to) {
    return (static_cast<std::uint64_t>(from) << 32) | to;
}

// Locked vertices along a straight boundary leave slivers behind: triangles (p, m, q)
// whose m lies on the side q–p. The sliver and the triangle across q–p become the two
// halves of that triangle split at m: the same ground, outline and orientation, one
// degenerate triangle fewer. Repeated while a pass finds any, each triangle changed at
// most once per pass.
void SplitSlivers(TriangleMesh& mesh) {
    std::vector<unsigned>& index = mesh.index;
    for (int pass = 0; pass < 16; ++pass) {
        const std::size_t triangles = index.size() / 3;
        std::unordered_map<std::uint64_t, std::size_t> sideOf;
        sideOf.reserve(index.size());
        for (std::size_t t = 0; t < triangles; ++t) {
            for (int c = 0; c < 3; ++c)
                sideOf[SideKey(index[3 * t + c], index[3 * t + (c + 1) % 3])] = t;
        }
        std::vector<char> touched(triangles, 0);
        bool any = false;
        for (std::size_t t = 0; t < triangles; ++t) {
            if (touched[t]) continue;
            for (int c = 0; c < 3; ++c) {
                const unsigned p = index[3 * t + c], m = index[3 * t + (c + 1) % 3],
                               q = index[3 * t + (c + 2) % 3];
                if (!LiesInside(&mesh.xyz[3 * p], &mesh.xyz[3 * m], &mesh.xyz[3 * q])) continue;
                const auto across = sideOf.find(SideKey(p, q));
                if (across == sideOf.end()) break;
                const std::size_t n = across->second;
                if (n == t || touched[n] || mesh.region[n] != mesh.region[t]) break;
                // n runs p → q → y; it becomes p → m → y, and t becomes m → q → y.
                unsigned y = 0;
                for (int k = 0; k < 3; ++k) {
                    const unsigned v = index[3 * n + k];
                    if (v != p && v != q) y = v;
                }
                if (y == m) break;
                const unsigned first[3] = {p, m, y}, second[3] = {m, q, y};
                std::copy(first, first + 3, &index[3 * n]);
                std::copy(second, second + 3, &index[3 * t]);
                touched[t] = touched[n] = 1;
                any = true;
                break;
            }
        }
        if (!any) return;
    }
}

}  // namespace

ReadStatus ReadTriangles(G3Surface* s, G3Surface::QSLIMCommandsBase* commands, TriangleMesh& mesh) {
    const int vertexCount = s->GetVertexCount();
    mesh.xyz.resize(3 * static_cast<std::size_t>(vertexCount));
    for (int i = 0; i < vertexCount; ++i) {
        const double* p = s->GetVertex(i)->GetXYZ();
        for (int k = 0; k < 3; ++k) {
            if (!std::isfinite(p[k])) return ReadStatus::BadGeometry;
            mesh.xyz[3 * static_cast<std::size_t>(i) + k] = p[k];
        }
    }
    const GArrayCollection* providers = G3Obj::GetProviderList();
    const bool plain = commands == nullptr && (providers == nullptr || providers->isEmpty());
    std::map<std::vector<std::uintptr_t>, int> regions;
    std::vector<std::uintptr_t> key, lastKey;
    int lastRegion = -1;

    const int facetCount = s->GetFacetCount();
    mesh.index.reserve(3 * static_cast<std::size_t>(facetCount));
    mesh.region.reserve(static_cast<std::size_t>(facetCount));
    for (int i = 0; i < facetCount; ++i) {
        G3Facet* f = s->GetFacet(i);
        G3Vertex* v[3];
        const int edges = Corners(f, v);
        if (edges == 0) continue;  // an empty ring waiting for the sweep
        if (edges != 3) return ReadStatus::NotTriangles;
        for (G3Vertex* corner : v) {
            const int id = corner->GetId();
            if (id < 0 || id >= vertexCount || s->GetVertex(id) != corner)
                return ReadStatus::BadGeometry;
        }
        if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0]) continue;

        int region = 0;
        if (plain) {
            if (mesh.source.empty()) mesh.source.push_back(f);
        } else {
            // Neighbouring facets mostly share a region: compare with the last key first.
            RegionKey(f, commands, providers, key);
            if (lastRegion >= 0 && key == lastKey) {
                region = lastRegion;
            } else {
                const auto found = regions.emplace(key, static_cast<int>(mesh.source.size()));
                if (found.second) mesh.source.push_back(f);
                region = found.first->second;
                lastKey = key;
                lastRegion = region;
            }
        }
        for (G3Vertex* corner : v) mesh.index.push_back(static_cast<unsigned>(corner->GetId()));
        mesh.region.push_back(region);
    }
    return ReadStatus::Ok;
}

// One region alone is simplified over the whole vertex buffer. Several regions are each
// simplified over their own compact buffer with the border locked, so that the lines
// between them stay where they are on both sides; the allowed error is carried over to
// each region's own extent.
bool SimplifyRegions(const TriangleMesh& in,
                     const SimplifyRequest& request,
                     G3Surface::QSLIMCommandsBase* commands,
                     TriangleMesh& out,
                     float* error) {
    out.xyz = in.xyz;
    out.source = in.source;
    out.index.clear();
    out.region.clear();
    *error = 0.0f;
    const std::vector<float> positions = CentredPositions(in.xyz);
    const std::size_t vertexCount = in.GetVertexCount();
    const std::size_t total = in.GetTriangleCount();
    const int regionCount = static_cast<int>(in.source.size());
    if (commands != nullptr && !commands->Progress(0, regionCount)) return false;
    if (regionCount <= 1) {
        *error = SimplifyBuffer(in.index, positions.data(), vertexCount, request.targetTriangles,
                                request.targetError, request.lockBorder, out.index);
        out.region.assign(out.index.size() / 3, 0);
        if (request.lockBorder) SplitSlivers(out);
        return commands == nullptr || commands->Progress(regionCount, regionCount);
    }

    // Triangles by region, in their order.
    std::vector<std::size_t> start(static_cast<std::size_t>(regionCount) + 1, 0);
    for (const int r : in.region) ++start[static_cast<std::size_t>(r) + 1];
    for (std::size_t r = 0; r < static_cast<std::size_t>(regionCount); ++r)
        start[r + 1] += start[r];
    std::vector<std::size_t> order(total), fill(start.begin(), start.end() - 1);
    for (std::size_t t = 0; t < total; ++t)
        order[fill[static_cast<std::size_t>(in.region[t])]++] = t;

    const float scale = meshopt_simplifyScale(positions.data(), vertexCount, 3 * sizeof(float));
    std::vector<unsigned> local(vertexCount, ~0u), global, index, kept;
    std::vector<float> regionPositions;
    for (int r = 0; r < regionCount; ++r) {
        const std::size_t first = start[static_cast<std::size_t>(r)];
        const std::size_t count = start[static_cast<std::size_t>(r) + 1] - first;
        global.clear();
        index.clear();
        regionPositions.clear();
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t t = order[first + k];
            for (int c = 0; c < 3; ++c) {
                const unsigned v = in.index[3 * t + c];
                if (local[v] == ~0u) {
                    local[v] = static_cast<unsigned>(global.size());
                    global.push_back(v);
                    regionPositions.insert(regionPositions.end(), &positions[3 * v],
                                           &positions[3 * v] + 3);
                }
                index.push_back(local[v]);
            }
        }
        const std::size_t target = std::max<std::size_t>(
            1, static_cast<std::size_t>(std::llround(static_cast<double>(request.targetTriangles) *
                                                     static_cast<double>(count) /
                                                     static_cast<double>(total))));
        const float regionScale =
            meshopt_simplifyScale(regionPositions.data(), global.size(), 3 * sizeof(float));
        const float regionError =
            regionScale > 0.0f ? request.targetError * scale / regionScale : request.targetError;
        kept.clear();
        const float reached = SimplifyBuffer(index, regionPositions.data(), global.size(),
                                             std::min(target, count), regionError, true, kept);
        if (scale > 0.0f) *error = std::max(*error, reached * regionScale / scale);
        for (const unsigned corner : kept) out.index.push_back(global[corner]);
        out.region.resize(out.index.size() / 3, r);
        for (const unsigned v : global) local[v] = ~0u;
        if (commands != nullptr && !commands->Progress(r + 1, regionCount)) return false;
    }
    SplitSlivers(out);
    return true;
}

G3Surface* BuildSurface(const TriangleMesh& mesh, int32_t edgeFlags) {
    const std::size_t vertexCount = mesh.GetVertexCount();
    const std::size_t triangles = mesh.GetTriangleCount();
    // The used vertices, in the surface's order.
    std::vector<int> point(vertexCount, -1);
    for (const unsigned v : mesh.index) point[v] = 0;
    std::vector<double> xyz;
    int points = 0;
    for (std::size_t v = 0; v < vertexCount; ++v) {
        if (point[v] < 0) continue;
        point[v] = points++;
        xyz.insert(xyz.end(), &mesh.xyz[3 * v], &mesh.xyz[3 * v] + 3);
    }
    std::vector<int> corners(mesh.index.size());
    for (std::size_t k = 0; k < corners.size(); ++k) corners[k] = point[mesh.index[k]];
    const std::vector<int> cornerCounts(triangles, 3);

    auto* s = new G3Surface(points, 0, static_cast<int>(triangles));
    std::vector<G3Vertex*> vertexOf(static_cast<std::size_t>(points));
    s->ProviderSetExData(nullptr);
    const int made = s->AddIndexedFacets(points, xyz.data(), static_cast<int>(triangles),
                                         cornerCounts.data(), static_cast<int>(corners.size()),
                                         corners.data(), nullptr, edgeFlags, vertexOf.data());
    const GArrayCollection* providers = G3Obj::GetProviderList();
    if (made <= 0 || providers == nullptr || providers->isEmpty()) return s;

    // Each new facet is reopened with its region's source set, as the kernel hands a
    // facet's data to the pieces it makes of it. Facets follow their triangles in order;
    // should the build have skipped one, a facet is matched by its corners.
    std::vector<std::vector<G3Facet*>> byRegion(mesh.source.size());
    const int base = s->GetFacetCount() - made;
    std::size_t t = 0;
    for (int i = base; i < s->GetFacetCount(); ++i, ++t) {
        G3Facet* f = s->GetFacet(i);
        if (made != static_cast<int>(triangles)) {
            G3Vertex* v[3] = {nullptr, nullptr, nullptr};
            if (f->GetEdgeCount() == 3) f->GetVertices(v);
            std::sort(v, v + 3, std::less<G3Vertex*>());
            for (; t < triangles; ++t) {
                G3Vertex* w[3];
                for (int c = 0; c < 3; ++c)
                    w[c] = vertexOf[static_cast<std::size_t>(corners[3 * t + c])];
                std::sort(w, w + 3, std::less<G3Vertex*>());
                if (std::equal(v, v + 3, w)) break;
            }
            if (t == triangles) break;
        }
        byRegion[static_cast<std::size_t>(mesh.region[t])].push_back(f);
    }
    for (std::size_t r = 0; r < byRegion.size(); ++r) {
        G3Facet* source = mesh.source[r];
        if (source == nullptr || !source->IsOutExDataExist()) continue;
        s->ProviderSetExData(source);
        for (G3Facet* f : byRegion[r]) s->ProviderOpenExData(f);
    }
    s->ProviderSetExData(nullptr);
    return s;
}

}  // namespace reducerlink
