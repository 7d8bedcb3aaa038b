#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/exdata/G3ShellExDataProvider.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3Obj.h"
#include "polykern/model/G3Vertex.h"

class G3Normal;
class G3PolyEdge;
class G3TexCoo;
class GEnvelope;

/// Shell flag bits; 24 to 27 share the positions of the mark bits.
enum G3SHELL_FLAGS : int32_t {
    G3SHELL_SMOOTH = 0x4,
    G3SHELL_SOLID = 0x8,
    G3SHELL_UPDATED = 0x10,
    G3SHELL_TEST_CONCAVE = 0x1000000,
    G3SHELL_TEST_INTERSECT = 0x2000000,
    G3SHELL_NO_ONES = 0x4000000,
    G3SHELL_FACETED_BY_ACIS = 0x8000000
};

/// Owns the entities of a mesh in six collections and keeps every entity's identifier
/// equal to its index: removal moves the collection's last element into the hole. A
/// provider attached to the shell hears of every entity it opens or closes. Not copyable.
class POLYKERN_API G3Shell : public G3Obj, public G3ShellExDataProvider {
public:
    /// A vertex list only (default capacity); no other collection.
    G3Shell();
    /// A vertex list of initial capacity n; no other collection.
    explicit G3Shell(int n);
    /// Destroys every entity, the collections and the attached provider.
    ~G3Shell() override;
    G3Shell(const G3Shell&) = delete;
    G3Shell& operator=(const G3Shell&) = delete;

    /// A shell copies nothing this way; surfaces copy with their own Copy.
    void Copy(GObj* from) override;

    /// Starts a reversible preview: snapshots vertices (and facet planes, normals when
    /// asked). Ignored without a vertex list or while a preview is open.
    virtual void OpenTransformation(bool keepFacetPlanes, bool keepNormals);
    /// Moves the snapshotted entities to their snapshot transformed by m; repeated calls
    /// do not accumulate.
    virtual void Transformation(const double m[4][4]);
    /// Ends the preview, restoring the coordinates, planes and links from before it.
    virtual void CloseTransformation();
    /// Transforms vertices and normals for good (row vectors, translation in row 3).
    virtual void RealTransformation(const double m[4][4]);
    virtual void Normalize() {}
    /// Sweeps edges without facets, vertices without edges, empty facets, unreferenced
    /// normals and texture coordinates, in that order.
    virtual void RemoveUnused();
    virtual void RemoveUnusedFacet();
    /// Keeps edge-less vertices while the shell has poly-edges.
    virtual void RemoveUnusedVertex();
    virtual void RemoveUnusedEdge();
    virtual void RemoveUnusedNormal();
    virtual void RemoveUnusedTexCoo();
    /// Tells the registered providers that a poly-edge was transformed by m.
    virtual void TransformExDataPolyEdge(G3PolyEdge* p, const double m[4][4]);

    /// The new vertex, owned by the shell; null for a null point or a non-finite coordinate.
    G3Vertex* AddVertex(const double* xyz, uint32_t word);
    G3Vertex* AddVertex(double x, double y, double z, uint32_t word);
    /// A vertex for a copy of an existing one, so that every source vertex has its copy: a
    /// coordinate that is not finite becomes 0, as points store it. Null for a null point.
    G3Vertex* AddVertexCopy(const double* xyz, uint32_t word);
    /// A new normal; null when the shell keeps no normals (nothing is allocated).
    G3Normal* AddNormal(const double* xyz);
    G3Normal* AddNormal(double x, double y, double z);
    /// A new normal with n's coordinates; null for a null n.
    G3Normal* AddNormal(const G3Normal* n);
    /// A new texture coordinate; null when the shell keeps none.
    G3TexCoo* AddTexCoo(const double* uv);
    G3TexCoo* AddTexCoo(double u, double v);
    G3TexCoo* AddTexCoo(const G3TexCoo* t);
    /// Appends with identifier := count and opens its extended data; the shell owns it.
    /// Null (the entity untouched) when the collection is absent.
    G3Vertex* AddVertexToCollection(G3Vertex* v);
    G3Normal* AddNormalToCollection(G3Normal* n);
    G3TexCoo* AddTexCooToCollection(G3TexCoo* t);
    G3PolyEdge* AddPolyEdgeToCollection(G3PolyEdge* p);

    /// False, vertex kept, while it still has edges.
    bool RemoveVertex(G3Vertex* v);
    /// False, edge kept, while it still has a facet; leaves both vertices' lists first.
    bool RemoveEdge(G3Edge* e);
    /// Detaches the facet's edges and destroys it.
    bool RemoveFacet(G3Facet* f);
    /// Removes and destroys, whether used or not.
    void RemoveNormal(G3Normal* n);
    void RemoveTexCoo(G3TexCoo* t);
    void RemovePolyEdge(G3PolyEdge* p);

    int GetVertexCount() const { return m_Vertices != nullptr ? m_Vertices->size() : 0; }
    int GetNormalCount() const;
    int GetTexCooCount() const;
    int GetEdgeCount() const { return m_Edges != nullptr ? m_Edges->size() : 0; }
    int GetFacetCount() const { return m_Facets != nullptr ? m_Facets->size() : 0; }
    int GetPolyEdgeCount() const;
    GArrayCollection* GetVertexList() const { return m_Vertices; }
    GArrayCollection* GetNormalList() const { return m_Normals; }
    GArrayCollection* GetTexCooList() const { return m_TexCoos; }
    GArrayCollection* GetEdgeList() const { return m_Edges; }
    GArrayCollection* GetFacetList() const { return m_Facets; }
    GArrayCollection* GetPolyEdgeList() const { return m_PolyEdges; }
    G3Vertex* GetVertex(int i) const { return At<G3Vertex>(m_Vertices, i); }
    G3Normal* GetNormal(int i) const;
    G3TexCoo* GetTexCoo(int i) const;
    G3Edge* GetEdge(int i) const { return At<G3Edge>(m_Edges, i); }
    G3Facet* GetFacet(int i) const { return At<G3Facet>(m_Facets, i); }

    void AssignVertexIds();
    void AssignNormalIds();
    void AssignTexCooIds();
    void AssignEdgeIds();
    void AssignFacetIds();
    /// Texture coordinates, normals, vertices, edges, facets.
    void AssignIds();

    /// Sets (or clears) `mask` on every element; a null collection is left alone.
    static void ChangeFlags(GArrayCollection* c, int32_t mask, bool set);
    void ChangeVertexFlags(int32_t mask, bool set) { ChangeFlags(m_Vertices, mask, set); }
    void ChangeNormalFlags(int32_t mask, bool set) { ChangeFlags(m_Normals, mask, set); }
    void ChangeTexCooFlags(int32_t mask, bool set) { ChangeFlags(m_TexCoos, mask, set); }
    void ChangeEdgeFlags(int32_t mask, bool set) { ChangeFlags(m_Edges, mask, set); }
    void ChangeFacetFlags(int32_t mask, bool set) { ChangeFlags(m_Facets, mask, set); }

    /// The box of the vertices (the zero box without any); returns env.
    GEnvelope* FormEnvelope(GEnvelope* env) const;
    /// The box of the (u, v) pairs in x and y (zeros without any); returns env.
    GEnvelope* FormTexCooEnvelope(GEnvelope* env) const;
    /// Negates every normal.
    void ReverseNormals();
    /// Shrinks every collection to its count.
    void ReallocByRealSize();

    /// Attaches a provider (owned from now on) without releasing an earlier one.
    void SetExDataProvider(G3ShellExDataProvider* provider) { m_ShellProvider = provider; }
    G3ShellExDataProvider* GetExDataProvider() const { return m_ShellProvider; }
    /// Destroys the attached provider.
    void RemoveExDataProvider();
    using G3Obj::RemoveExDataProvider;
    /// Opens (closes) every entity of each kind the attached provider asks for.
    void OpenExData();
    void CloseExData();

    // Forwarded to the attached provider; new facets and poly-edges also reach the
    // registered providers.
    void OpenExDataEdge(G3Edge* e) override;
    void OpenExDataPolyEdge(G3PolyEdge* p) override;
    void CloseExDataEdge(G3Edge* e) override;
    void CloseExDataPolyEdge(G3PolyEdge* p) override;
    void OpenExDataVertex(G3Vertex* v) override;
    void CloseExDataVertex(G3Vertex* v) override;
    void OpenExDataNormal(G3Normal* n) override;
    void CloseExDataNormal(G3Normal* n) override;
    void OpenExDataTexCoo(G3TexCoo* t) override;
    void CloseExDataTexCoo(G3TexCoo* t) override;
    void OpenExDataFacet(G3Facet* f) override;
    void CloseExDataFacet(G3Facet* f) override;
    bool IsExDataEdge() override;
    bool IsExDataVertex() override;
    bool IsExDataNormal() override;
    bool IsExDataTexCoo() override;
    bool IsExDataFacet() override;
    bool IsExDataPolyEdge() override;

    bool GetSmooth() const { return (GetFlags() & G3SHELL_SMOOTH) != 0; }
    void SetSmooth() { SetFlags(GetFlags() | G3SHELL_SMOOTH); }
    void ClearSmooth() { ClearFlags(G3SHELL_SMOOTH); }
    bool GetSolid() const { return (GetFlags() & G3SHELL_SOLID) != 0; }
    void SetSolid() { SetFlags(GetFlags() | G3SHELL_SOLID); }
    void ClearSolid() { ClearFlags(G3SHELL_SOLID); }
    bool GetUpdated() const { return (GetFlags() & G3SHELL_UPDATED) != 0; }
    void SetUpdated() { SetFlags(GetFlags() | G3SHELL_UPDATED); }
    void ClearUpdated() { ClearFlags(G3SHELL_UPDATED); }
    bool GetTestConcave() const { return (GetFlags() & G3SHELL_TEST_CONCAVE) != 0; }
    void SetTestConcave() { SetFlags(GetFlags() | G3SHELL_TEST_CONCAVE); }
    void ClearTestConcave() { ClearFlags(G3SHELL_TEST_CONCAVE); }
    bool GetTestIntersect() const { return (GetFlags() & G3SHELL_TEST_INTERSECT) != 0; }
    void SetTestIntersect() { SetFlags(GetFlags() | G3SHELL_TEST_INTERSECT); }
    void ClearTestIntersect() { ClearFlags(G3SHELL_TEST_INTERSECT); }
    bool GetNoOnes() const { return (GetFlags() & G3SHELL_NO_ONES) != 0; }
    void SetNoOnes() { SetFlags(GetFlags() | G3SHELL_NO_ONES); }
    void ClearNoOnes() { ClearFlags(G3SHELL_NO_ONES); }
    bool GetFacetedByACIS() const { return (GetFlags() & G3SHELL_FACETED_BY_ACIS) != 0; }
    void SetFacetedByACIS() { SetFlags(GetFlags() | G3SHELL_FACETED_BY_ACIS); }
    void ClearFacetedByACIS() { ClearFlags(G3SHELL_FACETED_BY_ACIS); }

protected:
    // Take the entity out of its collection (the last element moves into its index) and
    // close its extended data; the entity is not destroyed.
    void RemoveVertexFromCollection(G3Vertex* v);
    void RemoveEdgeFromCollection(G3Edge* e);
    void RemoveFacetFromCollection(G3Facet* f);
    void RemoveNormalFromCollection(G3Normal* n);
    void RemoveTexCooFromCollection(G3TexCoo* t);
    void RemovePolyEdgeFromCollection(G3PolyEdge* p);
    // Appends with identifier := count; false when the collection is absent.
    static bool Append(GArrayCollection* c, G3Obj* entity);
    // Swap-with-last removal keeping identifiers equal to indices; false when absent.
    static bool TakeOut(GArrayCollection* c, G3Obj* entity);
    // Element i of `list`, or null past its ends: the entity accessors are inline, since
    // every pass over a mesh reads its entities through them.
    template <class T>
    static T* At(const GArrayCollection* list, int i) {
        if (list == nullptr || i < 0 || i >= list->size()) return nullptr;
        return static_cast<T*>(list->get(i));
    }

    GArrayCollection* m_Vertices = nullptr;
    GArrayCollection* m_Normals = nullptr;
    G3ShellExDataProvider* m_ShellProvider = nullptr;
    GArrayCollection* m_Facets = nullptr;
    GArrayCollection* m_Edges = nullptr;
    GArrayCollection* m_TexCoos = nullptr;
    GArrayCollection* m_PolyEdges = nullptr;
    GArrayCollection* m_PolyEdgeVertices = nullptr;

private:
    // Marks the normals and texture coordinates the edges' geometry records use with the
    // in-use bit and removes the others from `list`.
    void SweepUnreferenced(GArrayCollection* list, bool normals);

    G3ShellExDataProvider* m_SavedProvider = nullptr;  // set aside during a preview
    bool m_InPreview = false;
};
