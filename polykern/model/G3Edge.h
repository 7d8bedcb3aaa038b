#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GPooled.h"
#include "polykern/model/G3Obj.h"

class G3EdgeGeometry;
class G3Facet;
class G3Normal;
class G3TexCoo;
class G3Vertex;
class GEnvelope;

/// Edge flag bits in the G3Obj flag word.
enum G3EDGE_FLAGS : int32_t {
    G3EDGE_VISIBLE = 0x1,
    G3EDGE_FORM_MAKING = 0x2,
    G3EDGE_NEW = 0x4,
    G3EDGE_TANGENCY = 0x100
};

/// Joins two vertices and is used by at most two facets, one on each side. Its four links
/// thread both the edge lists of its vertices and the edge rings of its facets; the mesh
/// keeps no other adjacency. The sides are not ordered: the direction a facet runs along
/// the edge follows from the facet's ring.
class POLYKERN_API G3Edge : public G3Obj {
    PK_DECLARE_POOL(G3Edge)

public:
    /// All links null, visible.
    G3Edge();
    /// Joins a and b; does not enter the vertices' lists (the surface does).
    G3Edge(G3Vertex* a, G3Vertex* b);
    /// Copies every member; the geometry record is duplicated, never shared.
    G3Edge(const G3Edge& other);
    G3Edge& operator=(const G3Edge& other);
    /// Destroys the geometry record.
    ~G3Edge() override;

    /// Vertices, links and facets as pointers; the geometry as a duplicate (the old record
    /// of this edge is freed).
    void Copy(GObj* from) override;
    G3Edge* Duplicate() override;

    G3Vertex* GetVertex1() const { return m_Vertex1; }
    G3Vertex* GetVertex2() const { return m_Vertex2; }
    void SetVertex1(G3Vertex* v) { m_Vertex1 = v; }
    void SetVertex2(G3Vertex* v) { m_Vertex2 = v; }
    G3Facet* GetFacet1() const { return m_Facet1; }
    G3Facet* GetFacet2() const { return m_Facet2; }
    void SetFacet1(G3Facet* f) { m_Facet1 = f; }
    void SetFacet2(G3Facet* f) { m_Facet2 = f; }
    G3Edge* GetVertex1Edge() const { return m_Vertex1Edge; }
    G3Edge* GetVertex2Edge() const { return m_Vertex2Edge; }
    void SetVertex1Edge(G3Edge* e) { m_Vertex1Edge = e; }
    void SetVertex2Edge(G3Edge* e) { m_Vertex2Edge = e; }
    G3Edge* GetFacet1Edge() const { return m_Facet1Edge; }
    G3Edge* GetFacet2Edge() const { return m_Facet2Edge; }
    void SetFacet1Edge(G3Edge* e) { m_Facet1Edge = e; }
    void SetFacet2Edge(G3Edge* e) { m_Facet2Edge = e; }
    G3EdgeGeometry* GetGeometry() const { return m_Geometry; }

    /// The successor of this edge in v's list (v must be an end).
    G3Edge* NextAtVertex(const G3Vertex* v) const {
        return m_Vertex1 == v ? m_Vertex1Edge : m_Vertex2Edge;
    }
    void SetNextAtVertex(const G3Vertex* v, G3Edge* e);
    /// The successor of this edge in f's ring (f must be a side).
    G3Edge* NextInFacet(const G3Facet* f) const {
        return m_Facet1 == f ? m_Facet1Edge : m_Facet2Edge;
    }
    void SetNextInFacet(const G3Facet* f, G3Edge* e);
    /// Clears f's side: facet and link.
    void DetachFacet(const G3Facet* f);
    /// The end that is not v.
    G3Vertex* OtherVertex(const G3Vertex* v) const {
        return m_Vertex1 == v ? m_Vertex2 : m_Vertex1;
    }
    bool HasVertex(const G3Vertex* v) const { return m_Vertex1 == v || m_Vertex2 == v; }
    /// Facet sides present (0, 1 or 2).
    int GetFacetCount() const { return (m_Facet1 != nullptr) + (m_Facet2 != nullptr); }

    bool GetVisible() const { return (GetFlags() & G3EDGE_VISIBLE) != 0; }
    void SetVisible() { SetFlags(GetFlags() | G3EDGE_VISIBLE); }
    void ClearVisible() { ClearFlags(G3EDGE_VISIBLE); }
    void SetUnVisible() { ClearVisible(); }
    bool GetFormMaking() const { return (GetFlags() & G3EDGE_FORM_MAKING) != 0; }
    void SetFormMaking() { SetFlags(GetFlags() | G3EDGE_FORM_MAKING); }
    void ClearFormMaking() { ClearFlags(G3EDGE_FORM_MAKING); }
    bool GetNew() const { return (GetFlags() & G3EDGE_NEW) != 0; }
    void SetNew() { SetFlags(GetFlags() | G3EDGE_NEW); }
    void ClearNew() { ClearFlags(G3EDGE_NEW); }
    bool GetTangency() const { return (GetFlags() & G3EDGE_TANGENCY) != 0; }
    void SetTangency() { SetFlags(GetFlags() | G3EDGE_TANGENCY); }
    /// Neither visible nor form-making.
    bool IsInvisible() const { return (GetFlags() & (G3EDGE_VISIBLE | G3EDGE_FORM_MAKING)) == 0; }

    /// With g, this edge's record (made if absent) takes g's eight pointers; null frees it.
    void SetGeometry(const G3EdgeGeometry* g);
    bool HasGeometry() const { return m_Geometry != nullptr; }
    /// A record exists and f's side has a normal at vertex 1.
    bool HasGeometry(const G3Facet* f) const;
    /// The side's normal at that end, its texture coordinate in *t; null without a record.
    G3Normal* GetFacet1V1(G3TexCoo** t) const;
    G3Normal* GetFacet1V2(G3TexCoo** t) const;
    G3Normal* GetFacet2V1(G3TexCoo** t) const;
    G3Normal* GetFacet2V2(G3TexCoo** t) const;
    /// Stores the pair; two nulls on an edge without a record change nothing.
    void SetFacet1V1(G3Normal* n, G3TexCoo* t);
    void SetFacet1V2(G3Normal* n, G3TexCoo* t);
    void SetFacet2V1(G3Normal* n, G3TexCoo* t);
    void SetFacet2V2(G3Normal* n, G3TexCoo* t);
    /// f's side (side 1 when facet 1 is f, else side 2): pairs at vertex 1 and vertex 2.
    /// Returns whether the vertex-1 normal exists.
    bool GetNormals(const G3Facet* f,
                    G3Normal** nFirst,
                    G3TexCoo** tFirst,
                    G3Normal** nSecond,
                    G3TexCoo** tSecond) const;
    /// The same for side 1 when `side` is 1, else side 2.
    bool GetNormals(G3Normal** nFirst,
                    G3TexCoo** tFirst,
                    G3Normal** nSecond,
                    G3TexCoo** tSecond,
                    int side) const;
    /// Stores both ends' pairs on f's side; the triples may come in either vertex order.
    void SetNormals(const G3Facet* f,
                    const G3Vertex* va,
                    G3Normal* na,
                    G3TexCoo* ta,
                    const G3Vertex* vb,
                    G3Normal* nb,
                    G3TexCoo* tb);

    /// The edges share a vertex.
    bool IsLink(const G3Edge* e) const;
    /// The edges join the same two vertices, in either order.
    bool IsVertexEquals(const G3Edge* e) const;
    /// The edge's facets are {f1, f2} in either order.
    bool FacetEqu(const G3Facet* f1, const G3Facet* f2) const;
    /// Exchanges the ends, their list links and the geometry's ends; facets stay.
    void SwapVertex();
    /// b := the vertex e1 and e2 share, a := e1's other end, c := e2's; all null when
    /// they share none.
    static void GetTriangleVertex(
        const G3Edge* e1, const G3Edge* e2, G3Vertex** a, G3Vertex** b, G3Vertex** c);
    /// The edges shared by the two facets form one contiguous run in both rings.
    bool IsLegalForMerge() const;
    /// Lies on the mesh outline (see IsEdgeVisibleForDrawing for the rules it shares).
    bool IsEdgeOnMesh() const;
    /// Silhouette test along z (parallel) or from the origin (perspective).
    bool IsEdgeVisibleForDrawing(bool perspective) const;

    double GetSizeXYZ() const;
    static double GetSizeXYZ(const double* a, const double* b);
    double GetSizeXY() const { return GetSize(0, 1); }
    /// Length of the projection on the plane of axes i and j.
    double GetSize(int i, int j) const;
    static void CalcCentrePoint(const G3Vertex* a, const G3Vertex* b, double out[3]);
    /// env := the box of the two ends; returns env.
    GEnvelope* FormEnvelope(GEnvelope* env) const;
    /// Cosine of the angle at the shared vertex; 0 for zero-length legs or unconnected edges.
    static double GetCosAngle(const G3Edge* e1, const G3Edge* e2);
    /// Area of the triangle the two edges span; 0 for unconnected edges.
    static double CalcRealSquareOfTriangle(const G3Edge* e1, const G3Edge* e2);
    /// Projects p on the edge's line: out, and *t the distance from vertex 1 along it.
    /// True when −1e-6 ≤ t ≤ length + 1e-6.
    bool FindProjection(const double* p, double out[3], double* t) const;
    /// The normal and texture coordinate at p on the segment a–b, interpolated with one
    /// parameter along the segment. New objects the caller owns (*tOut null without
    /// texture coordinates); both null when na or nb is null.
    static void Interpolate(const G3Vertex* a,
                            const G3Normal* na,
                            const G3TexCoo* ta,
                            const G3Vertex* b,
                            const G3Normal* nb,
                            const G3TexCoo* tb,
                            const double p[3],
                            G3Normal** nOut,
                            G3TexCoo** tOut);

protected:
    /// True when the edges f1 and f2 share form one contiguous run in f's ring.
    bool IsLegalForMerge(const G3Facet* f, const G3Facet* f1, const G3Facet* f2) const;

private:
    G3Normal* GetSlot(int slot, G3TexCoo** t) const;
    void SetSlot(int slot, G3Normal* n, G3TexCoo* t);
    int OutlineRule() const;

    G3Vertex* m_Vertex1 = nullptr;
    G3Vertex* m_Vertex2 = nullptr;
    G3Edge* m_Vertex1Edge = nullptr;
    G3Edge* m_Vertex2Edge = nullptr;
    G3Facet* m_Facet1 = nullptr;
    G3Facet* m_Facet2 = nullptr;
    G3Edge* m_Facet1Edge = nullptr;
    G3Edge* m_Facet2Edge = nullptr;
    G3EdgeGeometry* m_Geometry = nullptr;
};
