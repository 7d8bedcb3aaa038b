#include "tools/polykern/MeshFiles.h"

#include <assimp/material.h>
#include <assimp/scene.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <assimp/Exporter.hpp>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Surface.h"
#include "polykern/model/G3Vertex.h"
#include "tools/polykern/AssimpReader.h"
#include "tools/polykern/IndexedMesh.h"
#include "tools/polykern/ObjScan.h"
#include "tools/polykern/OffReader.h"
#include "tools/polykern/PlyScan.h"
#include "tools/polykern/ReaderText.h"
#include "tools/polykern/StlScan.h"

namespace pkcli {
namespace {

const char kKnownExtensions[] = ".dump .wrl .obj .stl .ply .gltf .glb .off";

// The extension of the last path component, lower-case and with its dot; empty without one.
std::string ExtensionOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// strerror's text starting lower-case, to fit after a colon.
std::string ErrnoText(int err) {
    std::string text = std::strerror(err);
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

// Whether `path` names a readable regular file; otherwise sets *error.
bool CheckReadable(const std::string& path, std::string* error) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        const int err = errno;
        *error = err == ENOENT || err == ENOTDIR ? "no such file: " + path
                                                 : "cannot read " + path + ": " + ErrnoText(err);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        *error = "cannot read " + path + ": it is a folder";
        return false;
    }
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        *error = "cannot read " + path + ": " + ErrnoText(errno);
        return false;
    }
    std::fclose(f);
    return true;
}

// The kernel's own dump, read and checked by the kernel.
G3Surface* ReadDump(const std::string& path, std::string* error) {
    std::unique_ptr<G3Surface> s(new G3Surface());
    if (!s->LoadChecked(path.c_str())) {
        *error = "damaged surface dump: " + path;
        return nullptr;
    }
    if (s->GetFacetCount() == 0) {
        *error = "no facets in " + path;
        return nullptr;
    }
    s->FormPlaneEquation();  // planes are not stored in the dump
    return s.release();
}

// The whole file into *bytes; false with *reason set.
bool ReadBytes(const std::string& path, std::string* bytes, std::string* reason) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        *reason = ErrnoText(errno);
        return false;
    }
    char buffer[1 << 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes->append(buffer, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) *reason = "read error";
    return !failed;
}

// Any mesh file but the dump, through one indexed mesh: OFF by the reader of our own,
// PLY, OBJ and text STL checked before Assimp sees them, the others by Assimp alone.
// Positions that are exactly equal become one vertex across all meshes, so that split
// corners (every STL triangle has its own) and meshes meeting along a seam join up again.
G3Surface* ReadMeshFile(const std::string& path, MeshFormat f, std::string* error) {
    IndexedMesh mesh;
    std::string reason;
    bool read = true;
    const bool isStl = f == MeshFormat::StlBinary;  // text or binary, as read
    if (f == MeshFormat::Off || f == MeshFormat::Ply || f == MeshFormat::Obj || isStl) {
        std::string bytes;
        read = ReadBytes(path, &bytes, &reason);
        if (read && f == MeshFormat::Off) read = ReadOff(bytes, &mesh, &reason);
        if (read && f == MeshFormat::Ply) read = CheckPly(bytes, &reason);
        if (read && f == MeshFormat::Obj) read = CheckObj(bytes, &reason);
        if (read && isStl) read = CheckStl(bytes, &reason);
    }
    if (read && f != MeshFormat::Off) read = ReadWithAssimp(path, &mesh, &reason);
    if (!read) {
        *error = "cannot read " + path + ": " + reason;
        return nullptr;
    }
    WeldEqualPositions(&mesh);
    std::unique_ptr<G3Surface> s = BuildSurface(mesh);
    if (s == nullptr || s->GetFacetCount() == 0) {
        *error = "no facets in " + path;
        return nullptr;
    }
    return s.release();
}

// A polygon to write: corners in order and the facet it comes from.
struct OutFace {
    std::vector<G3Vertex*> corners;
    const G3Facet* facet;
};

// The facets of s as polygons: each facet's outer loop, and with `trianglesOnly` loops of
// more than three corners (facets the triangulation refused) split as a fan. Facets not
// written exactly are counted in *inexact.
std::vector<OutFace> FacesOf(const G3Surface* s, bool trianglesOnly, int* inexact) {
    std::vector<OutFace> faces;
    std::vector<G3Vertex*> starts;
    std::vector<int> loopEnds;
    for (int i = 0; i < s->GetFacetCount(); ++i) {
        const G3Facet* f = s->GetFacet(i);
        // A ring that does not close gives what it walked before the break.
        const bool closed = f->GetLoops(starts, loopEnds);
        const size_t outerEnd = loopEnds.empty() ? starts.size() : loopEnds[0];
        if (outerEnd < 3) continue;
        std::vector<G3Vertex*> outer(starts.begin(), starts.begin() + outerEnd);
        if (!closed || loopEnds.size() > 1 || (trianglesOnly && outer.size() > 3)) ++*inexact;
        if (trianglesOnly && outer.size() > 3) {
            for (size_t k = 1; k + 1 < outer.size(); ++k) {
                faces.push_back({{outer[0], outer[k], outer[k + 1]}, f});
            }
        } else {
            faces.push_back({std::move(outer), f});
        }
    }
    return faces;
}

aiVector3D ToAi(const double* p) {
    return aiVector3D(static_cast<ai_real>(p[0]), static_cast<ai_real>(p[1]),
                      static_cast<ai_real>(p[2]));
}

// The facet's unit plane normal; zero for a degenerate facet.
aiVector3D UnitNormal(const G3Facet* f) {
    const double* p = f->GetPlane();
    const double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    if (!(length > 0.0) || !std::isfinite(length)) return aiVector3D(0, 0, 0);
    const double n[3] = {p[0] / length, p[1] / length, p[2] / length};
    return ToAi(n);
}

// One mesh, one material and a root node that places the mesh: the least Assimp's
// exporters accept. Without `flatNormals` the surface's used vertices are shared by the
// faces (numbered in the surface's order) and there are no normals. With it, every face
// corner is a vertex of its own carrying the facet's plane normal: Assimp would otherwise
// make up normals for the formats that store them, wrongly for shared corners, and its
// exporters merge equal corners again where the format shares them.
std::unique_ptr<aiScene> BuildScene(const std::vector<OutFace>& faces, bool flatNormals) {
    std::unordered_map<const G3Vertex*, unsigned> index;
    std::vector<const G3Vertex*> used;
    size_t cornerCount = 0;
    for (const OutFace& face : faces) cornerCount += face.corners.size();
    if (!flatNormals) {
        for (const OutFace& face : faces) {
            for (const G3Vertex* v : face.corners) {
                if (index.emplace(v, 0).second) used.push_back(v);
            }
        }
        std::sort(used.begin(), used.end(),
                  [](const G3Vertex* a, const G3Vertex* b) { return a->GetId() < b->GetId(); });
        for (size_t k = 0; k < used.size(); ++k) index[used[k]] = static_cast<unsigned>(k);
    }

    auto* mesh = new aiMesh();
    mesh->mNumVertices = static_cast<unsigned>(flatNormals ? cornerCount : used.size());
    mesh->mVertices = new aiVector3D[mesh->mNumVertices];
    if (flatNormals) mesh->mNormals = new aiVector3D[mesh->mNumVertices];
    for (size_t k = 0; k < used.size(); ++k) mesh->mVertices[k] = ToAi(used[k]->GetXYZ());
    mesh->mNumFaces = static_cast<unsigned>(faces.size());
    mesh->mFaces = new aiFace[faces.size()];
    unsigned next = 0;
    for (size_t k = 0; k < faces.size(); ++k) {
        const std::vector<G3Vertex*>& corners = faces[k].corners;
        aiFace& face = mesh->mFaces[k];
        face.mNumIndices = static_cast<unsigned>(corners.size());
        face.mIndices = new unsigned int[corners.size()];
        const aiVector3D normal = flatNormals ? UnitNormal(faces[k].facet) : aiVector3D();
        for (size_t c = 0; c < corners.size(); ++c) {
            if (!flatNormals) {
                face.mIndices[c] = index.at(corners[c]);
                continue;
            }
            mesh->mVertices[next] = ToAi(corners[c]->GetXYZ());
            mesh->mNormals[next] = normal;
            face.mIndices[c] = next++;
        }
        mesh->mPrimitiveTypes |=
            face.mNumIndices == 3 ? aiPrimitiveType_TRIANGLE : aiPrimitiveType_POLYGON;
    }

    auto* material = new aiMaterial();
    const aiString name("polykern");
    material->AddProperty(&name, AI_MATKEY_NAME);
    const aiColor3D grey(0.8f, 0.8f, 0.8f);
    material->AddProperty(&grey, 1, AI_MATKEY_COLOR_DIFFUSE);

    std::unique_ptr<aiScene> scene(new aiScene());
    scene->mNumMeshes = 1;
    scene->mMeshes = new aiMesh* [1] { mesh };
    scene->mNumMaterials = 1;
    scene->mMaterials = new aiMaterial* [1] { material };
    scene->mRootNode = new aiNode();
    scene->mRootNode->mNumMeshes = 1;
    scene->mRootNode->mMeshes = new unsigned int[1]{0};
    return scene;
}

// The exporter for a format Assimp writes: OBJ without a material library beside it, PLY
// in binary (exact coordinates), glTF 2.
const char* ExporterId(MeshFormat f) {
    static const std::map<MeshFormat, const char*> ids = {
        {MeshFormat::Obj, "objnomtl"},   {MeshFormat::StlAscii, "stl"},
        {MeshFormat::StlBinary, "stlb"}, {MeshFormat::Ply, "plyb"},
        {MeshFormat::Gltf, "gltf2"},     {MeshFormat::Glb, "glb2"}};
    auto it = ids.find(f);
    return it != ids.end() ? it->second : nullptr;
}

// Writes s (triangulated on a copy where the format needs it) to `target` through Assimp.
bool ExportWithAssimp(
    G3Surface* s, MeshFormat f, const std::string& target, int* inexact, std::string* error) {
    const bool trianglesOnly = f == MeshFormat::StlAscii || f == MeshFormat::StlBinary ||
                               f == MeshFormat::Gltf || f == MeshFormat::Glb;
    std::unique_ptr<G3Surface> copy(static_cast<G3Surface*>(s->Duplicate()));
    // Every facet of four or more edges for triangle formats; otherwise the concave ones,
    // which include those with holes, as one polygon cannot hold them.
    copy->Triangulate(trianglesOnly ? 0x4 : 0x1, 0);
    const std::vector<OutFace> faces = FacesOf(copy.get(), trianglesOnly, inexact);
    if (faces.empty()) {
        *error = "the surface has no facets";
        return false;
    }
    // PLY keeps no normals, and its exporter would write every corner as a vertex.
    std::unique_ptr<aiScene> scene = BuildScene(faces, f != MeshFormat::Ply);
    copy.reset();
    Assimp::Exporter exporter;
    if (exporter.Export(scene.get(), ExporterId(f), target) != aiReturn_SUCCESS) {
        *error = OneLine(exporter.GetErrorString());
        return false;
    }
    return true;
}

// A fresh hidden folder beside the output, holding the files being written until they are
// complete; removed with whatever is left in it.
class StagingFolder {
public:
    StagingFolder() = default;
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;
    ~StagingFolder() {
        if (m_Path.empty()) return;
        std::error_code ignored;
        std::filesystem::remove_all(m_Path, ignored);
    }

    // Creates the folder inside `folder`; false with errno set on failure.
    bool Create(const std::string& folder) {
        std::string pattern = folder + "/.polykern-write-XXXXXX";
        if (::mkdtemp(&pattern[0]) == nullptr) return false;
        m_Path = pattern;
        return true;
    }
    const std::string& Path() const { return m_Path; }

    // Renames every file written here into `folder`, `main` last so that it appears only
    // once its companions are in place. False with *error set.
    bool Publish(const std::string& folder, const std::string& main, std::string* error) {
        std::vector<std::string> names;
        std::error_code ec;
        for (std::filesystem::directory_iterator it(m_Path, ec), end; !ec && it != end;
             it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (name != main) names.push_back(name);
        }
        if (ec) {
            *error = ec.message();
            return false;
        }
        names.push_back(main);
        for (const std::string& name : names) {
            if (std::rename((m_Path + "/" + name).c_str(), (folder + "/" + name).c_str()) != 0) {
                *error = ErrnoText(errno);
                return false;
            }
        }
        return true;
    }

private:
    std::string m_Path;
};

// Whether `path` exists as a non-empty file.
bool NonEmptyFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

// Writes s into `target` (inside the staging folder); false with *reason set.
bool WriteStaged(
    G3Surface* s, MeshFormat f, const std::string& target, int* inexact, std::string* reason) {
    if (f == MeshFormat::Dump) {
        s->Save(target.c_str());  // identifiers as stored
        if (NonEmptyFile(target)) return true;
        *reason = "the dump could not be written";
        return false;
    }
    if (f == MeshFormat::Vrml) {
        FILE* file = nullptr;
        if (!G3Surface::VRMLWriteBegin(target.c_str(), &file)) {
            *reason = "the VRML file could not be created";
            return false;
        }
        const double color[3] = {0.8, 0.8, 0.8};
        const bool wrote = G3Surface::VRMLWrite(file, s, color);
        if (G3Surface::VRMLWriteEnd(file) && wrote) return true;
        *reason = "writing the VRML file failed";
        return false;
    }
    return ExportWithAssimp(s, f, target, inexact, reason);
}

}  // namespace

MeshFormat FormatOfPath(const std::string& path, bool asciiStl) {
    const std::string ext = ExtensionOf(path);
    if (ext == ".dump") return MeshFormat::Dump;
    if (ext == ".wrl") return MeshFormat::Vrml;
    if (ext == ".obj") return MeshFormat::Obj;
    if (ext == ".stl") return asciiStl ? MeshFormat::StlAscii : MeshFormat::StlBinary;
    if (ext == ".ply") return MeshFormat::Ply;
    if (ext == ".gltf") return MeshFormat::Gltf;
    if (ext == ".glb") return MeshFormat::Glb;
    if (ext == ".off") return MeshFormat::Off;
    return MeshFormat::Unknown;
}

bool CanRead(MeshFormat f) {
    return f != MeshFormat::Unknown && f != MeshFormat::Vrml;
}

bool CanWrite(MeshFormat f) {
    return f != MeshFormat::Unknown && f != MeshFormat::Off;
}

G3Surface* ReadSurface(const std::string& path, std::string* error) {
    std::string ignored;
    if (error == nullptr) error = &ignored;
    const MeshFormat f = FormatOfPath(path);
    if (f == MeshFormat::Unknown) {
        *error = "unknown format: " + path + " (known: " + kKnownExtensions + ")";
        return nullptr;
    }
    if (!CanRead(f)) {
        *error = "cannot read " + path + ": VRML files are written only";
        return nullptr;
    }
    if (!CheckReadable(path, error)) return nullptr;
    try {
        return f == MeshFormat::Dump ? ReadDump(path, error) : ReadMeshFile(path, f, error);
    } catch (const std::exception& e) {
        *error = "cannot read " + path + ": " + OneLine(e.what());
    } catch (...) {
        *error = "cannot read " + path;
    }
    return nullptr;
}

bool WriteSurface(
    G3Surface* s, const std::string& path, bool asciiStl, std::string* error, int* inexactFacets) {
    std::string ignored;
    if (error == nullptr) error = &ignored;
    int inexact = 0;
    if (inexactFacets != nullptr) *inexactFacets = 0;
    const MeshFormat f = FormatOfPath(path, asciiStl);
    if (f == MeshFormat::Unknown) {
        *error = "unknown format: " + path + " (known: " + kKnownExtensions + ")";
        return false;
    }
    if (!CanWrite(f)) {
        *error = "cannot write " + path + ": OFF files are read only";
        return false;
    }
    if (s == nullptr) {
        *error = "no surface to write to " + path;
        return false;
    }
    const std::string folder = FolderOf(path);
    const std::string name = NameOf(path);
    try {
        StagingFolder staging;
        if (!staging.Create(folder)) {
            *error = "cannot write " + path + ": " + ErrnoText(errno);
            return false;
        }
        std::string reason;
        if (!WriteStaged(s, f, staging.Path() + "/" + name, &inexact, &reason) ||
            !staging.Publish(folder, name, &reason)) {
            *error = "cannot write " + path + ": " + reason;
            return false;
        }
    } catch (const std::exception& e) {
        *error = "cannot write " + path + ": " + OneLine(e.what());
        return false;
    }
    if (inexactFacets != nullptr) *inexactFacets = inexact;
    return true;
}

}  // namespace pkcli
