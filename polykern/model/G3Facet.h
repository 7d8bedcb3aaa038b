#pragma once

#include <vector>

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GPooled.h"
#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Obj.h"

class G3Edge;
class G3FacetLoops;
class G3IntervalList;
class G3Normal;
class G3Surface;
class G3TexCoo;
class G3Vertex;
class GArrayCollection;
class GEnvelope;
class GIterator;

/// Facet flag bits in the G3Obj flag word.
enum G3FACET_FLAGS : int32_t { G3FACET_DOUBLE_SIDED = 0x1 };

/// A planar polygon face. Owns no vertex array: its boundary is the ring of edges reached
/// through the edges' facet links, one loop after another for a facet with holes.
/// Invariant: consecutive edges of the ring share a vertex, and the last shares one with
/// the first.
class POLYKERN_API G3Facet : public G3Obj {
    PK_DECLARE_POOL(G3Facet)

public:
    G3Facet() = default;
    /// Copies every member, the parent surface included; the ring is shared, not copied.
    G3Facet(const G3Facet& other) = default;
    G3Facet& operator=(const G3Facet& other) = default;

    /// The ring ends, the surface number and the plane (not the parent surface).
    void Copy(GObj* from) override;
    char* ToString() override { return nullptr; }
    int GetObjectType() override { return 4; }

    // Ring access and editing.
    G3Edge* GetFirstEdge() const { return m_FirstEdge; }
    G3Edge* GetLastEdge() const { return m_LastEdge; }
    bool HasEdges() const { return m_FirstEdge != nullptr; }
    /// The successor of e in the ring (null after the last edge).
    G3Edge* NextEdge(const G3Edge* e) const;  // inline, below
    /// Appends e, whose side for this facet is already set.
    void AddEdge(G3Edge* e);
    /// Unlinks e and clears its side; e stays in its vertices' lists. False when absent.
    bool RemoveEdge(G3Edge* e);
    /// Detaches every edge; edges left without a facet leave their vertices' lists.
    void RemoveEdges();
    /// Reverses the ring.
    void RotateEdges();
    /// Reverses the ring and negates the plane.
    void NegPlane();
    /// Puts `repl` at `old`'s place, carrying this side's normals. False, ring unchanged,
    /// when repl has no free side or already has this facet on a side.
    bool ChangeEdges(G3Edge* old, G3Edge* repl);
    /// Collapses e to v: edges that become degenerate leave the ring, the others are
    /// moved from e's ends to v; a hole left with fewer than three edges goes.
    void ChangeEdgeToVertex(G3Edge* e, G3Vertex* v);
    /// Replaces e by the chain of n edges running from one end of e to the other, which
    /// already have this facet on a side. e's own links are left to the caller.
    void DivideEdge(G3Edge* e, int n, G3Edge** chain);
    void DivideEdge(G3Edge* e, G3Edge* a, G3Edge* b);
    /// Takes `other`'s ring into this one across `shared`, in place: both facets are one
    /// loop of at most 16 edges running opposite ways along `shared`, their only common
    /// edge, and they meet at its two ends alone. `shared` loses both sides (and leaves
    /// its vertices' lists), `other` is left without edges and this facet's plane is
    /// fitted again. False, nothing changed, when any of that does not hold.
    bool JoinAcross(G3Edge* shared, G3Facet* other);
    /// Unlinks edges whose ends share a representative (a vertex's extended-data link, or
    /// the vertex). Empties the facet and returns true when fewer than three edges remain.
    bool RemoveSmallEdges();
    /// True when the facet runs along e from vertex 1 to vertex 2, e's successor being
    /// taken within e's own loop. False when e is not in the ring.
    bool GetMoveDirection(const G3Edge* e) const;

    // Queries.
    int GetEdgeCount() const;
    int GetVertexCount() const { return GetEdgeCount(); }
    /// Into an array of GetEdgeCount() slots; returns the count.
    int GetEdges(G3Edge** out) const;
    int GetVertices(G3Vertex** out) const;
    /// Empties `out`, then adds in ring order.
    void GetEdges(GArrayCollection* out) const;
    void GetVertices(GArrayCollection* out) const;
    /// Empties `out`, then adds each vertex's identifier + offset, stored as an integer in
    /// the pointer slot.
    void GetVerticesIds(GArrayCollection* out, int offset) const;
    bool ContainsVertex(const G3Vertex* v) const;
    /// a and b are both vertices of the facet (not necessarily adjacent).
    bool HasEdge(const G3Vertex* a, const G3Vertex* b) const;
    /// The ring as the facet runs it, loop by loop (the outline, then each hole): `starts`
    /// gets the vertex each ring edge starts from, in ring order, and `loopEnds` the index
    /// after each loop. False when the ring does not close into loops.
    bool GetLoops(std::vector<G3Vertex*>& starts, std::vector<int>& loopEnds) const;
    /// The first edge has a geometry record.
    bool HasGeometry() const;
    /// f's first edge has a normal on f's side at vertex 1.
    static bool HasGeometry(const G3Facet* f);
    /// The normal of this facet at v and its texture coordinate in *t; null when none.
    G3Normal* GetNormal(const G3Vertex* v, G3TexCoo** t) const;
    /// Stores (n, t) at v on this facet's side of every edge at v; two nulls need `force`.
    void SetNormal(const G3Vertex* v, G3Normal* n, G3TexCoo* t, bool force);
    /// Adds one normal (a, b, c) to s and stores it at both ends of this facet's side of
    /// every ring edge. Nothing happens when s keeps no normals.
    void AssignNormalsByPlane(G3Surface* s);

    // Plane.
    double* GetPlane() { return m_Plane; }
    const double* GetPlane() const { return m_Plane; }
    double GetPlaneA() const { return m_Plane[0]; }
    double GetPlaneB() const { return m_Plane[1]; }
    double GetPlaneC() const { return m_Plane[2]; }
    double GetPlaneD() const { return m_Plane[3]; }
    void SetPlane(const double* abcd);
    /// Fits the plane to the ring, loop by loop (holes run the other way, so the normal is
    /// the outline's); a degenerate ring gets the averaged corner plane.
    /// Always true.
    bool FormPlaneEquation();
    /// The area the facet covers: its outline's less its holes', in square model units;
    /// 0 for an empty or degenerate facet.
    double CalcArea() const;
    bool IsPlaneZero() const;
    bool IsTrivial() const { return IsPlaneZero(); }
    /// Every vertex within 5e-7 of the plane.
    bool IsFlat() const;
    /// Unit normals agree within 1e-6 and d within 1e-6.
    bool PlaneEquals(const double* p) const;
    /// |(a, b, c)·(p0, p1, p2) − 1| < nTol and |d − p3| < dTol.
    bool PlaneEquals(const double* p, double dTol, double nTol) const;
    /// z of the plane above (x, y); a near-vertical facet answers its first vertex's z,
    /// an empty one 0.
    double CalcDepth(double x, double y) const;
    void GetMaxCoo(int* i, int* j) const;
    GEnvelope* FormEnvelope(GEnvelope* env) const;
    /// The box of the vertices an iterator yields; null when it yields none.
    static GEnvelope* FormEnvelope(GIterator* vertices, GEnvelope* env);
    /// The triangle's area, and its plane through the centroid (all 0 below 1e-12 area).
    static double CalcRealSquareOfTriangle(const double* p0,
                                           const double* p1,
                                           const double* p2,
                                           double plane[4]);
    bool TestForEqualsVertex() const { return false; }

    bool GetDoubleSided() const { return (GetFlags() & G3FACET_DOUBLE_SIDED) != 0; }
    void SetDoubleSided() { SetFlags(GetFlags() | G3FACET_DOUBLE_SIDED); }
    void ClearDoubleSided() { ClearFlags(G3FACET_DOUBLE_SIDED); }
    int32_t GetSurface() const { return m_SurfaceNumber; }
    void SetSurface(int32_t number) { m_SurfaceNumber = number; }
    void SetDefSurface() { m_SurfaceNumber = 0; }
    G3Surface* GetParent() const { return m_Parent; }
    void SetParent(G3Surface* s) { m_Parent = s; }

    // Point location (crossing-number test with boundary detection).
    /// True when p lies in the closed polygon the iterator yields, in the plane of axes i
    /// and j. On a vertex: *hitA the vertex, *hitB null; on an edge: both ends, lower
    /// address first; otherwise both null.
    static bool PointInFacet(int i,
                             int j,
                             const double* p,
                             GIterator* vertices,
                             G3Vertex** hitA,
                             G3Vertex** hitB,
                             double tol);
    /// The same over several closed loops (an outline and its holes): loop k ends before
    /// vertex loopEnds[k]; vertices past the last end form one more loop. A point inside
    /// an odd number of loops is inside; one in a hole is outside. With no loop ends the
    /// iterator's vertices are one loop.
    static bool PointInFacet(int i,
                             int j,
                             const double* p,
                             GIterator* vertices,
                             const int* loopEnds,
                             int loopCount,
                             G3Vertex** hitA,
                             G3Vertex** hitB,
                             double tol);
    /// The test over this facet's loops: a point in a hole is outside.
    bool PointInFacet(
        int i, int j, const double* p, G3Vertex** hitA, G3Vertex** hitB, double tol) const;
    /// The same test over this facet's loops read once (`loops`, which must be this
    /// facet's and closed). With `boxes` (six values a loop: its lowest corner, then its
    /// highest), a loop whose box lies more than 2·tol from p on axis i or j is skipped:
    /// p is outside it and off its boundary, so the answer is the same.
    bool PointInLoops(int i,
                      int j,
                      const double* p,
                      const G3FacetLoops& loops,
                      const double* boxes,
                      G3Vertex** hitA,
                      G3Vertex** hitB,
                      double tol) const;
    bool PointInFacetXY(const double* p, G3Vertex** hitA, G3Vertex** hitB) const;
    bool PointInFacetXZ(const double* p, G3Vertex** hitA, G3Vertex** hitB) const;
    bool PointInFacetYZ(const double* p, G3Vertex** hitA, G3Vertex** hitB) const;
    static bool PointInFacetXY(const double* p,
                               GIterator* vertices,
                               G3Vertex** hitA,
                               G3Vertex** hitB);
    static bool PointInFacetXZ(const double* p,
                               GIterator* vertices,
                               G3Vertex** hitA,
                               G3Vertex** hitB);
    static bool PointInFacetYZ(const double* p,
                               GIterator* vertices,
                               G3Vertex** hitA,
                               G3Vertex** hitB);
    /// The axis-plane tests over several loops, as the loop form of PointInFacet.
    static bool PointInFacetXY(const double* p,
                               GIterator* vertices,
                               const int* loopEnds,
                               int loopCount,
                               G3Vertex** hitA,
                               G3Vertex** hitB);
    static bool PointInFacetXZ(const double* p,
                               GIterator* vertices,
                               const int* loopEnds,
                               int loopCount,
                               G3Vertex** hitA,
                               G3Vertex** hitB);
    static bool PointInFacetYZ(const double* p,
                               GIterator* vertices,
                               const int* loopEnds,
                               int loopCount,
                               G3Vertex** hitA,
                               G3Vertex** hitB);
    /// PointInFacetXY, with *depth the plane's z above p when inside.
    bool PointInFacet(const double* p, G3Vertex** hitA, G3Vertex** hitB, double* depth) const;

    // Geometric queries of the Boolean and terrain code.
    /// A point inside the (possibly concave) facet in the (i, j) projection, never in a
    /// hole; false when no corner centroid lies inside.
    bool GeneratePointInFacetConcave(int i, int j, double* out) const;
    static bool GeneratePointInFacetConcave(int i, int j, double* out, GArrayCollection* vertices);
    /// The same over several loops (loop k ends before vertex loopEnds[k]): corners are
    /// taken within their loop and the candidate must lie outside every hole.
    static bool GeneratePointInFacetConcave(
        int i, int j, double* out, GArrayCollection* vertices, const int* loopEnds, int loopCount);
    /// An interior point of the xy projection found by a scan line across every loop, so
    /// never in a hole; false, outputs untouched, when the scan line finds no width.
    bool GenerateXYPointInFacetConcave(double& x, double& y) const;
    /// The boundary against a plane, each loop closed on itself, into `out`: 0 no contact
    /// (or an empty facet), 1 cut, 2 touching from one side, 3 lying in the plane.
    int IntersectByPlaneConcave(const double* plane, G3IntervalList* out) const;
    /// The same over `loops`, made of this facet and unchanged since: a facet cut by many
    /// planes in one pass walks its ring once.
    /// With `boxes` (six values a loop: its lowest corner, then its highest), a loop
    /// whose box lies wholly on one side of the plane, clear of it, is not walked: it
    /// adds nothing to `out`, and only its side to the answer.
    int IntersectByPlaneConcave(const double* plane,
                                G3IntervalList* out,
                                const G3FacetLoops& loops,
                                const double* boxes = nullptr) const;
    /// The side of the line through its side a–b on which the facet lies, in the (i, j)
    /// projection: +1, −1, or 0 (undecided, degenerate or no such side). Read within the
    /// side's own loop; for a hole's side, the material's side, opposite the hole's.
    int GetIntersectionSignByEdge(const G3Vertex* a, const G3Vertex* b, int i, int j) const;
    /// For coplanar facets: the parts of each facet's single-sided boundary edges lying in
    /// the other, appended to `out`. False when none of other's edges lies in this facet.
    bool FindFacetsIntersection(const G3Facet* other, G3IntervalList* out) const;
    /// The parts of the segment a–b lying in the facet, as intervals; false when none.
    bool FindIntervalsLieInFacet(const double* a, const double* b, G3IntervalList* out) const;
    /// Where the line through a and b pierces the facet, into `out`: 0 parallel (within
    /// 1e-4 of the plane's direction), 1 inside, −1 inside a hole, 2 on the boundary (an
    /// edge joining e1 and e2, when both are given, does not count), 3 outside.
    int GetPlaneIntersect(
        const double* a, const double* b, double* out, const double* e1, const double* e2) const;
    /// The most distant pair of vertices (the first such pair in walk order); false for
    /// an empty facet.
    bool CalcDiagonalEdge(G3Vertex** a, G3Vertex** b) const;
    /// The greatest distance of the vertices from the line through a and b (distinct).
    double CalcDeviationFromEdge(const G3Vertex* a, const G3Vertex* b) const;
    /// The normal and texture coordinate at p on e, interpolated from this side's pairs at
    /// e's ends; new objects the caller owns. False, both null, without a vertex-1 normal.
    bool Interpolate(const G3Edge* e, const double* p, G3Normal** n, G3TexCoo** t) const;
    /// The normal (and u, v) at a point inside the facet, along a scan line between the two
    /// boundary edges that enclose it: 0 nothing found (outputs zeroed), 1 normal written,
    /// 2 normal and u, v written.
    int Interpolate(const double* p, double* normalOut, double* uvOut) const;

    /// The vertex the facet runs along e from (its loops walk their ring in order); null
    /// when e is not in the ring.
    const G3Vertex* StartOf(const G3Edge* e) const;

protected:
    friend class G3Surface;  // rebuilds list ends when it copies a surface
    void SetFirstEdge(G3Edge* e) { m_FirstEdge = e; }
    void SetLastEdge(G3Edge* e) { m_LastEdge = e; }

private:
    // Unlinks the edges of every hole loop with fewer than three edges.
    void DropShortHoles();
    // Unlinks the ring edges whose place in the ring `drop` marks (their vertices let go of
    // those no facet is left on); returns how many stay.
    int DropRingEdges(const std::vector<bool>& drop);
    // Unlinks e (whose predecessor is `previous`, null for the first edge) and clears its side.
    void Unlink(G3Edge* previous, G3Edge* e);

    G3Edge* m_FirstEdge = nullptr;
    G3Edge* m_LastEdge = nullptr;
    int32_t m_SurfaceNumber = 0;
    G3Surface* m_Parent = nullptr;
    double m_Plane[4] = {0.0, 0.0, 0.0, 0.0};
};

// Facet walks are the kernel's innermost loops: the step to the next ring edge is inline.
inline G3Edge* G3Facet::NextEdge(const G3Edge* e) const {
    return e->NextInFacet(this);
}
