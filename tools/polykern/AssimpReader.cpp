#include "tools/polykern/AssimpReader.h"

#include <assimp/scene.h>

#include <array>
#include <assimp/DefaultLogger.hpp>
#include <assimp/Importer.hpp>
#include <assimp/LogStream.hpp>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#include "tools/polykern/ReaderText.h"

namespace pkcli {

namespace {

// An affine map as the top three rows of a 4x4 matrix acting on column vectors.
struct Affine {
    double m[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};

    static Affine From(const aiMatrix4x4& a) {
        Affine t;
        for (unsigned i = 0; i < 3; ++i) {
            for (unsigned j = 0; j < 4; ++j) t.m[i][j] = static_cast<double>(a[i][j]);
        }
        return t;
    }
    // this ∘ local: the local map applied first.
    Affine Then(const Affine& local) const {
        Affine t;
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 4; ++j) {
                t.m[i][j] = m[i][0] * local.m[0][j] + m[i][1] * local.m[1][j] +
                            m[i][2] * local.m[2][j] + (j == 3 ? m[i][3] : 0.0);
            }
        }
        return t;
    }
    std::array<double, 3> Apply(const aiVector3D& p) const {
        const double x = p.x, y = p.y, z = p.z;
        std::array<double, 3> out;
        for (int i = 0; i < 3; ++i) out[i] = m[i][0] * x + m[i][1] * y + m[i][2] * z + m[i][3];
        return out;
    }
};

struct MeshUse {
    const aiMesh* mesh;
    Affine placement;
};

// Every mesh the node tree places, with its node's accumulated transform; a mesh used by
// several nodes comes once per use. Files whose tree places nothing give every mesh as is.
std::vector<MeshUse> PlacedMeshes(const aiScene* scene) {
    std::vector<MeshUse> uses;
    std::vector<std::pair<const aiNode*, Affine>> stack;
    if (scene->mRootNode != nullptr) {
        stack.emplace_back(scene->mRootNode, Affine::From(scene->mRootNode->mTransformation));
    }
    while (!stack.empty()) {
        const aiNode* node = stack.back().first;
        const Affine placement = stack.back().second;
        stack.pop_back();
        for (unsigned k = 0; node->mMeshes != nullptr && k < node->mNumMeshes; ++k) {
            const unsigned index = node->mMeshes[k];
            if (index < scene->mNumMeshes && scene->mMeshes[index] != nullptr) {
                uses.push_back({scene->mMeshes[index], placement});
            }
        }
        for (unsigned k = 0; node->mChildren != nullptr && k < node->mNumChildren; ++k) {
            const aiNode* child = node->mChildren[k];
            if (child != nullptr) {
                stack.emplace_back(child, placement.Then(Affine::From(child->mTransformation)));
            }
        }
    }
    if (uses.empty() && scene->mMeshes != nullptr) {
        for (unsigned k = 0; k < scene->mNumMeshes; ++k) {
            if (scene->mMeshes[k] != nullptr) uses.push_back({scene->mMeshes[k], Affine()});
        }
    }
    return uses;
}

// Listens to the importer's warnings while it lives for the one that says it dropped
// faces naming missing vertices (the glTF importer does so without failing).
class DroppedFaceWatch : public Assimp::LogStream {
public:
    DroppedFaceWatch() {
        m_OwnLogger = Assimp::DefaultLogger::isNullLogger();
        if (m_OwnLogger) Assimp::DefaultLogger::create("", Assimp::Logger::NORMAL, 0);
        Assimp::DefaultLogger::get()->attachStream(this, Assimp::Logger::Warn);
    }
    ~DroppedFaceWatch() override {
        Assimp::DefaultLogger::get()->detachStream(this, Assimp::Logger::Warn);
        if (m_OwnLogger) Assimp::DefaultLogger::kill();
    }
    DroppedFaceWatch(const DroppedFaceWatch&) = delete;
    DroppedFaceWatch& operator=(const DroppedFaceWatch&) = delete;

    void write(const char* message) override {
        if (message != nullptr && std::strstr(message, "out-of-range indices") != nullptr)
            m_Dropped = true;
    }
    bool Dropped() const { return m_Dropped; }

private:
    bool m_OwnLogger = false;
    bool m_Dropped = false;
};

// Appends one placed mesh to *out: its positions after the placement, and its faces of
// three or more corners with indices shifted past the vertices before it. `name` says
// which mesh in messages ("" for the only one).
bool AppendMesh(const MeshUse& use, const std::string& name, IndexedMesh* out, std::string* error) {
    const aiMesh* mesh = use.mesh;
    const unsigned vertexCount = mesh->mVertices != nullptr ? mesh->mNumVertices : 0;
    const std::size_t offset = out->xyz.size() / 3;
    if (vertexCount > INT_MAX - offset) {
        *error = "more than " + std::to_string(INT_MAX) + " vertices";
        return false;
    }
    for (unsigned i = 0; i < vertexCount; ++i) {
        const std::array<double, 3> p = use.placement.Apply(mesh->mVertices[i]);
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) {
            *error = "non-finite coordinates";
            return false;
        }
        out->xyz.insert(out->xyz.end(), p.begin(), p.end());
    }
    for (unsigned k = 0; mesh->mFaces != nullptr && k < mesh->mNumFaces; ++k) {
        const aiFace& face = mesh->mFaces[k];
        if (face.mIndices == nullptr || face.mNumIndices < 3) continue;  // points and lines
        for (unsigned c = 0; c < face.mNumIndices; ++c) {
            const unsigned i = face.mIndices[c];
            if (i >= vertexCount) {
                *error = name + "face " + std::to_string(k) + " names vertex " + std::to_string(i) +
                         ", but the " + (name.empty() ? "file" : "mesh") + " has " +
                         std::to_string(vertexCount) + " vertices";
                return false;
            }
            out->corners.push_back(static_cast<int>(offset + i));
        }
        out->cornerCounts.push_back(static_cast<int>(face.mNumIndices));
    }
    return true;
}

}  // namespace

bool ReadWithAssimp(const std::string& path, IndexedMesh* mesh, std::string* error) {
    Assimp::Importer importer;
    DroppedFaceWatch watch;
    // No post-processing: the node transforms are applied here and corners welded later,
    // which also keeps Assimp's own steps away from indices that are out of range.
    const aiScene* scene = importer.ReadFile(path, 0);
    if (scene == nullptr) {
        *error = OneLine(importer.GetErrorString());
        return false;
    }
    if (watch.Dropped()) {
        *error = "a face names a vertex its mesh lacks";
        return false;
    }
    const std::vector<MeshUse> uses = PlacedMeshes(scene);
    *mesh = IndexedMesh();
    for (std::size_t u = 0; u < uses.size(); ++u) {
        const std::string name = uses.size() == 1 ? "" : "mesh " + std::to_string(u) + ": ";
        if (!AppendMesh(uses[u], name, mesh, error)) return false;
    }
    return true;
}

}  // namespace pkcli
