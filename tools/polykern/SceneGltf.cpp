#include "tools/polykern/SceneGltf.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>

#include "polykern/foundation/GTrace.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "polykern/surfaceops/G3TessWrapper.h"
#include "tools/polykern/CommandLine.h"

namespace pkcli {

namespace {

struct KindInfo {
    SceneKind kind;
    const char* name;
};

constexpr KindInfo kKinds[] = {
    {SceneKind::Plain, "plain"}, {SceneKind::Terrain, "terrain"}, {SceneKind::Wall, "wall"},
    {SceneKind::Slab, "slab"},   {SceneKind::Roof, "roof"},       {SceneKind::Glass, "glass"},
};

const KindInfo& InfoOf(SceneKind kind) {
    for (const KindInfo& k : kKinds) {
        if (k.kind == kind) return k;
    }
    return kKinds[0];
}

bool Finite(const double* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// Collects the triangles the tessellator makes of one facet, as corner indices.
class FacetTriangles : public G3TessWrapper {
public:
    std::vector<int>* out = nullptr;
    const std::vector<int>* index = nullptr;  // corner slot → facet-local vertex

    void Triangle(void* a, void* b, void* c) override {
        for (void* p : {a, b, c}) {
            const auto slot = static_cast<std::size_t>(reinterpret_cast<std::intptr_t>(p)) - 1;
            out->push_back((*index)[slot]);
        }
    }
};

// One kind's part of one element's mesh: flat-shaded corners and their triangles.
struct Part {
    std::vector<float> positions, normals;
    std::vector<std::uint32_t> indices;
    float lo[3] = {HUGE_VALF, HUGE_VALF, HUGE_VALF};
    float hi[3] = {-HUGE_VALF, -HUGE_VALF, -HUGE_VALF};
};

// Adds one facet to `part`, loop by loop, with the facet's unit normal; false when it
// could not be tessellated exactly (then its outer loop is fanned).
bool AddFacet(const G3Facet* f, const double* origin, FacetTriangles* tess, Part* part) {
    std::vector<G3Vertex*> starts;
    std::vector<int> loopEnds;
    const bool closed = f->GetLoops(starts, loopEnds);
    const double* pl = f->GetPlane();
    const double len = std::sqrt(pl[0] * pl[0] + pl[1] * pl[1] + pl[2] * pl[2]);
    if (starts.size() < 3 || loopEnds.empty() || !(len > 0.0) || !std::isfinite(len)) return true;
    for (const G3Vertex* v : starts) {
        if (!Finite(v->GetXYZ())) return true;
    }
    const double n[3] = {pl[0] / len, pl[1] / len, pl[2] / len};
    const auto base = static_cast<std::uint32_t>(part->positions.size() / 3);
    std::vector<int> local(starts.size());
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const double* p = starts[k]->GetXYZ();
        for (int a = 0; a < 3; ++a) {
            const auto c = static_cast<float>(p[a] - origin[a]);
            part->positions.push_back(c);
            part->normals.push_back(static_cast<float>(n[a]));
            part->lo[a] = std::min(part->lo[a], c);
            part->hi[a] = std::max(part->hi[a], c);
        }
        local[k] = static_cast<int>(k);
    }
    std::vector<int> triangles;
    bool exact = closed;
    const bool plainTriangle = loopEnds.size() == 1 && starts.size() == 3;
    if (plainTriangle) {
        triangles = {0, 1, 2};
    } else {
        tess->out = &triangles;
        tess->index = &local;
        tess->SetNormal(n[0], n[1], n[2]);
        bool ok = tess->BeginPolygon();
        std::size_t begin = 0;
        for (const int end : loopEnds) {
            tess->BeginContour();
            for (auto k = begin; k < static_cast<std::size_t>(end); ++k) {
                ok = tess->Vertex(starts[k]->GetXYZ(),
                                  reinterpret_cast<void*>(static_cast<std::intptr_t>(k + 1))) &&
                     ok;
            }
            tess->EndContour();
            begin = static_cast<std::size_t>(end);
        }
        ok = tess->EndPolygon() && ok;
        if (!ok || triangles.empty()) {
            exact = false;
            triangles.clear();
            for (int k = 1; k + 1 < loopEnds[0]; ++k)
                triangles.insert(triangles.end(), {0, k, k + 1});
        }
    }
    for (std::size_t t = 0; t + 2 < triangles.size(); t += 3) {
        // Counter-clockwise about the facet's normal, so the front faces outward.
        const double* a = starts[triangles[t]]->GetXYZ();
        const double* b = starts[triangles[t + 1]]->GetXYZ();
        const double* c = starts[triangles[t + 2]]->GetXYZ();
        const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const double w = n[0] * (u[1] * v[2] - u[2] * v[1]) + n[1] * (u[2] * v[0] - u[0] * v[2]) +
                         n[2] * (u[0] * v[1] - u[1] * v[0]);
        const bool flip = w < 0.0;
        part->indices.push_back(base + static_cast<std::uint32_t>(triangles[t]));
        part->indices.push_back(base + static_cast<std::uint32_t>(triangles[t + (flip ? 2 : 1)]));
        part->indices.push_back(base + static_cast<std::uint32_t>(triangles[t + (flip ? 1 : 2)]));
    }
    return exact;
}

std::string Base64(const std::string& bytes) {
    static const char* kTable = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const auto v = (std::uint32_t(std::uint8_t(bytes[i])) << 16) |
                       (std::uint32_t(std::uint8_t(bytes[i + 1])) << 8) |
                       std::uint32_t(std::uint8_t(bytes[i + 2]));
        for (int s = 18; s >= 0; s -= 6) out.push_back(kTable[(v >> s) & 63]);
    }
    if (i < bytes.size()) {
        std::uint32_t v = std::uint32_t(std::uint8_t(bytes[i])) << 16;
        if (i + 1 < bytes.size()) v |= std::uint32_t(std::uint8_t(bytes[i + 1])) << 8;
        out.push_back(kTable[(v >> 18) & 63]);
        out.push_back(kTable[(v >> 12) & 63]);
        out.push_back(i + 1 < bytes.size() ? kTable[(v >> 6) & 63] : '=');
        out.push_back('=');
    }
    return out;
}

// The buffer being built and the views and accessors over it.
class Buffers {
public:
    nlohmann::json views = nlohmann::json::array();
    nlohmann::json accessors = nlohmann::json::array();
    std::string bytes;

    int Add(const void* data,
            std::size_t size,
            int componentType,
            std::size_t count,
            const char* type,
            int target) {
        while (bytes.size() % 4 != 0) bytes.push_back('\0');
        views.push_back({{"buffer", 0},
                         {"byteOffset", bytes.size()},
                         {"byteLength", size},
                         {"target", target}});
        bytes.append(static_cast<const char*>(data), size);
        accessors.push_back({{"bufferView", views.size() - 1},
                             {"componentType", componentType},
                             {"count", count},
                             {"type", type}});
        return static_cast<int>(accessors.size()) - 1;
    }
};

constexpr int kFloat = 5126, kUnsignedInt = 5125;
constexpr int kArrayBuffer = 34962, kElementArrayBuffer = 34963;

}  // namespace

void SceneKindColour(SceneKind kind, float rgba[4]) {
    // Soil, plaster, concrete, tiles, glass; a kind out of range takes the plain grey.
    std::array<float, 4> c = {0.70f, 0.70f, 0.72f, 1.0f};
    switch (kind) {
        case SceneKind::Plain:
            break;
        case SceneKind::Terrain:
            c = {0.45f, 0.58f, 0.32f, 1.0f};
            break;
        case SceneKind::Wall:
            c = {0.93f, 0.90f, 0.84f, 1.0f};
            break;
        case SceneKind::Slab:
            c = {0.62f, 0.62f, 0.60f, 1.0f};
            break;
        case SceneKind::Roof:
            c = {0.66f, 0.27f, 0.20f, 1.0f};
            break;
        case SceneKind::Glass:
            c = {0.55f, 0.75f, 0.90f, 0.45f};
            break;
    }
    for (int k = 0; k < 4; ++k) rgba[k] = c[static_cast<std::size_t>(k)];
}

SceneKind SceneFacetKind(const SceneElement& e, int facet) {
    return facet >= 0 && static_cast<std::size_t>(facet) < e.facetKinds.size()
               ? e.facetKinds[static_cast<std::size_t>(facet)]
               : e.kind;
}

const char* SceneKindName(SceneKind kind) {
    return InfoOf(kind).name;
}

bool SceneKindOf(const std::string& name, SceneKind* kind) {
    for (const KindInfo& k : kKinds) {
        if (name == k.name) {
            *kind = k.kind;
            return true;
        }
    }
    return false;
}

bool WriteSceneGltf(const std::vector<SceneElement>& elements,
                    const std::string& path,
                    SceneStats* stats,
                    std::string* error) {
    std::string ignored;
    if (error == nullptr) error = &ignored;
    SceneStats counted;
    // The local origin: the centre of every finite corner's box.
    double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const SceneElement& e : elements) {
        if (e.surface == nullptr) continue;
        for (int i = 0; i < e.surface->GetVertexCount(); ++i) {
            const double* p = e.surface->GetVertex(i)->GetXYZ();
            if (!Finite(p)) continue;
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], p[a]);
                hi[a] = std::max(hi[a], p[a]);
            }
        }
    }
    if (!(lo[0] <= hi[0])) {
        *error = "nothing to write to " + path + ": no element has a finite corner";
        return false;
    }
    const double origin[3] = {0.5 * (lo[0] + hi[0]), 0.5 * (lo[1] + hi[1]), 0.5 * (lo[2] + hi[2])};

    nlohmann::json meshes = nlohmann::json::array(), nodes = nlohmann::json::array();
    nlohmann::json children = nlohmann::json::array();
    std::map<SceneKind, int> materialOf;
    Buffers buffers;
    FacetTriangles tess;
    nodes.push_back({{"name", "model"},
                     {"rotation", {-0.70710678118654752, 0.0, 0.0, 0.70710678118654752}},
                     {"children", nlohmann::json::array()}});
    long long total = 0, done = 0;
    for (const SceneElement& e : elements) total += e.surface != nullptr ? e.surface->GetFacetCount() : 0;
    const long long step = std::max(1LL, total / 32);
    for (const SceneElement& e : elements) {
        if (e.surface == nullptr) continue;
        std::map<SceneKind, Part> parts;
        for (int i = 0; i < e.surface->GetFacetCount(); ++i) {
            // A large terrain takes seconds: say how far the facets are.
            if (++done % step == 0) GTrace::Progress("writing the scene", done, total);
            const SceneKind kind = SceneFacetKind(e, i);
            if (!AddFacet(e.surface->GetFacet(i), origin, &tess, &parts[kind]))
                ++counted.inexactFacets;
        }
        nlohmann::json primitives = nlohmann::json::array();
        for (const auto& [kind, part] : parts) {
            if (part.indices.empty()) continue;
            if (materialOf.count(kind) == 0) {
                const int next = static_cast<int>(materialOf.size());
                materialOf[kind] = next;
            }
            const std::size_t corners = part.positions.size() / 3;
            const int pos = buffers.Add(part.positions.data(), part.positions.size() * 4, kFloat,
                                        corners, "VEC3", kArrayBuffer);
            buffers.accessors[pos]["min"] = {part.lo[0], part.lo[1], part.lo[2]};
            buffers.accessors[pos]["max"] = {part.hi[0], part.hi[1], part.hi[2]};
            const int nor = buffers.Add(part.normals.data(), part.normals.size() * 4, kFloat,
                                        corners, "VEC3", kArrayBuffer);
            const int idx = buffers.Add(part.indices.data(), part.indices.size() * 4, kUnsignedInt,
                                        part.indices.size(), "SCALAR", kElementArrayBuffer);
            primitives.push_back({{"attributes", {{"POSITION", pos}, {"NORMAL", nor}}},
                                  {"indices", idx},
                                  {"material", materialOf[kind]},
                                  {"mode", 4}});
            counted.triangles += static_cast<long long>(part.indices.size() / 3);
        }
        nlohmann::json node = {{"name", e.name},
                               {"translation", {origin[0], origin[1], origin[2]}}};
        if (!primitives.empty()) {
            meshes.push_back({{"name", e.name}, {"primitives", primitives}});
            node["mesh"] = meshes.size() - 1;
        }
        nodes.push_back(node);
        nodes[0]["children"].push_back(nodes.size() - 1);
        ++counted.nodes;
    }
    if (counted.nodes == 0) {
        *error = "nothing to write to " + path + ": no elements";
        return false;
    }
    nlohmann::json materials = nlohmann::json::array();
    std::vector<SceneKind> byIndex(materialOf.size());
    for (const auto& [kind, index] : materialOf) byIndex[static_cast<std::size_t>(index)] = kind;
    for (const SceneKind kind : byIndex) {
        float rgba[4];
        SceneKindColour(kind, rgba);
        nlohmann::json m = {{"name", SceneKindName(kind)},
                            {"doubleSided", true},
                            {"pbrMetallicRoughness",
                             {{"baseColorFactor", {rgba[0], rgba[1], rgba[2], rgba[3]}},
                              {"metallicFactor", 0.0},
                              {"roughnessFactor", 0.9}}}};
        if (rgba[3] < 1.0f) m["alphaMode"] = "BLEND";
        materials.push_back(m);
    }
    counted.materials = static_cast<int>(materials.size());
    nlohmann::json doc = {{"asset", {{"version", "2.0"}, {"generator", "polykern"}}},
                          {"scene", 0},
                          {"scenes", {{{"name", "scene"}, {"nodes", {0}}}}},
                          {"nodes", nodes}};
    if (!meshes.empty()) {
        doc["meshes"] = meshes;
        doc["materials"] = materials;
        doc["accessors"] = buffers.accessors;
        doc["bufferViews"] = buffers.views;
        doc["buffers"] = {
            {{"byteLength", buffers.bytes.size()},
             {"uri", "data:application/octet-stream;base64," + Base64(buffers.bytes)}}};
    }
    const std::string text = doc.dump(1);

    std::string temp;
    const int fd = OpenTemporaryBeside(path, &temp, error);
    if (fd < 0) return false;
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        close(fd);
        unlink(temp.c_str());
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closedOk = std::fclose(file) == 0;
    if (!written || !closedOk || std::rename(temp.c_str(), path.c_str()) != 0) {
        const int code = errno;
        unlink(temp.c_str());
        *error = "cannot write " + path + ": " + std::strerror(code);
        return false;
    }
    if (stats != nullptr) *stats = counted;
    return true;
}

}  // namespace pkcli
