#pragma once

#include <cstdio>
#include <vector>

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GPooled.h"
#include "polykern/model/G3Shell.h"

class G3Edge;
class G3Facet;
class G3Normal;
class G3TexCoo;
class G3Vertex;
class G3EdgeList;
class G3PointHash;
class GArrayCollection;
class GEnvelope;

/// An event handle some callers pass along with facets; the surface does not use it.
using GEVENT = void*;

/// Projection of GenerateTexCoo; every mode projects on the facet's own axes.
enum TEXTURE_PROJECTION_MODE { TEXTURE_PROJECTION_PLANAR = 0 };

/// Check levels of the surface's update passes; CHECK_LEVEL_NONE asks for none.
enum CHECK_LEVEL {
    CHECK_LEVEL_NONE = 0,
    CHECK_LEVEL_1001 = 1001,
    CHECK_LEVEL_1002 = 1002,
    CHECK_LEVEL_1003 = 1003
};

/// The polyhedral mesh the kernel works with: a shell with every collection, plus the
/// operations that build and edit topology. Facets find or make their edges: an edge
/// between two vertices is shared, whatever its direction, while it has a free side.
/// Invariant: every facet's ring closes and runs through at least three edges, or is
/// empty and waits for the sweep.
class POLYKERN_API G3Surface : public G3Shell {
    PK_DECLARE_POOL(G3Surface)

public:
    G3Surface();
    G3Surface(int vertices, int normals);
    G3Surface(int vertices, int normals, int facets);
    G3Surface(const G3Surface&) = delete;
    G3Surface& operator=(const G3Surface&) = delete;

    /// What the simplifier keeps, as bits: QSLIM_TYPE_LOCK_BORDER keeps every open
    /// boundary vertex; QSLIM_TYPE_TRIANGLES_ONLY refuses a surface with other facets
    /// (QSLIM_RES_NOT_TRIANGLES) instead of simplifying a triangulated copy of it.
    enum QSLIM_TYPE {
        QSLIM_TYPE_DEFAULT = 0,
        QSLIM_TYPE_LOCK_BORDER = 1,
        QSLIM_TYPE_TRIANGLES_ONLY = 2
    };
    /// What a simplification did. The kernel never writes it: a value the caller set stays
    /// when no adapter answers. A surface comes back with the first three.
    enum QSLIM_RES {
        QSLIM_RES_NONE = 0,                ///< nothing reported
        QSLIM_RES_TARGET_REACHED = 1,      ///< at or below the target
        QSLIM_RES_TARGET_NOT_REACHED = 2,  ///< stopped above it: error bound or locked vertices
        QSLIM_RES_NOTHING_TO_DO = 3,       ///< already at or below the target; an equal copy
        QSLIM_RES_BAD_INPUT = 4,           ///< bad target, ratio or error, or broken geometry
        QSLIM_RES_NOT_TRIANGLES = 5,       ///< facets other than triangles that were not split
        QSLIM_RES_OUT_OF_MEMORY = 6,       ///< an allocation failed; nothing was made
        QSLIM_RES_CANCELLED = 7            ///< the commands' Progress answered false
    };
    /// How the size of the result is asked for: a triangle count or a ratio of the input's.
    enum QSLIM_DESIREDTRISETTYPE { QSLIM_DESIRED_COUNT = 0, QSLIM_DESIRED_RATIO = 1 };

    /// What the simplifier asks of its caller while it works; every member has a default,
    /// so a caller overrides only what it needs.
    class POLYKERN_API QSLIMCommandsBase {
    public:
        virtual ~QSLIMCommandsBase();
        /// Called as regions are done (done of total); false cancels the run.
        virtual bool Progress(int done, int total);
        /// One line about the run (counts, why a target was missed); the base drops it.
        virtual void Message(const char* text);
        /// The deformation allowed, relative to the mesh's extent (0.01 is 1%); the base
        /// allows any (1), so the target alone decides. Negative or not finite: bad input.
        virtual double GetTargetError();
        /// The region of f (≥ 0), for hosts whose outside data differs per facet even where
        /// the material agrees; −1 (the base) groups facets by equal outside data values.
        virtual int GetRegion(G3Facet* f);
    };

    int GetObjectType() override { return 2; }
    /// Appends a deep copy of `src` (a surface) after what this surface holds; nothing is
    /// shared. Identifiers out of step with indices in `src` are reassigned first.
    void Copy(GObj* src) override;
    /// Moves every entity of `src` to the end of this surface, numbered, linked and
    /// flagged as Copy would make them, and leaves `src` empty: for a surface about to be
    /// deleted. False, with nothing moved, where a provider, outside data or a poly-edge
    /// would tell the moved entities from copies; Copy is then the way.
    bool Absorb(G3Surface* src);
    /// A new surface, owned by the caller, equal to this one.
    G3Surface* Duplicate() override;
    /// Transforms vertices and normals for good and re-forms every plane.
    void RealTransformation(const double m[4][4]) override;

    int GetSurface() const { return m_Surface; }
    void SetSurface(int number) { m_Surface = number; }
    /// Increments the next-surface counter and returns it.
    int GetNextSurface() { return ++m_NextSurface; }
    void SetNextSurface(int number) { m_NextSurface = number; }
    int32_t GetEdgeFlags() const { return m_EdgeFlags; }
    void SetEdgeFlags(int32_t flags) { m_EdgeFlags = flags; }
    int GetMaterialFacetsCount() const { return m_MaterialFacets; }
    void SetMaterialFacetsCount(int n) { m_MaterialFacets = n; }
    int IncMaterialFacetsCount() { return ++m_MaterialFacets; }
    int DecMaterialFacetsCount() { return --m_MaterialFacets; }
    int GetSelectesFacetsCount() const { return m_SelectedFacets; }
    void SetSelectesFacetsCount(int n) { m_SelectedFacets = n; }
    int IncSelectesFacetsCount() { return ++m_SelectedFacets; }
    int DecSelectesFacetsCount() { return --m_SelectedFacets; }

    /// Appends with identifier := count and opens its extended data. Returns e.
    G3Edge* AddEdgeToCollection(G3Edge* e);
    /// Appends, makes this surface its parent and opens it (the registered providers hear
    /// of it). Returns f.
    G3Facet* AddFacetToCollection(G3Facet* f);
    /// The edge a–b for facet f: an existing edge between a and b with a free side that f
    /// is not on yet, else a new one. Null, with a trace, when a and b are one vertex.
    G3Edge* AddEdge(G3Vertex* a, G3Vertex* b, G3Facet* f);
    /// A facet over n vertices (edge flags per side, or the current edge flags for null;
    /// optional per-vertex normals and texture coordinates), plane fitted. Null when a
    /// vertex is missing or fewer than three edges result.
    G3Facet* AddFacet(
        int n, G3Vertex** v, const int32_t* edgeFlags, G3Normal** normals, G3TexCoo** texCoos);
    G3Facet* AddFacet(
        int n, G3Vertex** v, int32_t edgeFlags, G3Normal** normals, G3TexCoo** texCoos);
    /// The same with entities given by index (normals and texture coordinates may be null);
    /// null when any index is out of range.
    G3Facet* AddFacet(int n,
                      const int* vertexIds,
                      const int32_t* edgeFlags,
                      const int* normalIds,
                      const int* texCooIds);
    G3Facet* AddFacet(
        int n, const int* vertexIds, int32_t edgeFlags, const int* normalIds, const int* texCooIds);
    /// A facet over a collection of edges (their vertices, flags and side-1 normals);
    /// null for fewer than three resulting edges.
    G3Facet* AddFacet(GArrayCollection* edges, int32_t facetFlags, int surfaceNumber);
    /// Builds a whole mesh from indexed polygons in one pass. Point k is the three doubles
    /// at xyz[3k]; facet k runs through the next cornerCounts[k] entries of `corners`
    /// (point indices), and its side from one corner to the next takes the flags stored with
    /// the first of the two in `edgeFlags`, or `flags` for every side when edgeFlags is null.
    /// The result is that of AddVertex for every point followed by the vertex-list AddFacet
    /// for every facet in turn: the same vertices, edges and facets in the same order with
    /// the same identifiers, edge sharing, planes and provider calls. A point with a
    /// non-finite coordinate makes no vertex; a facet with an index outside the points, a
    /// point without vertex, or fewer than three edges is skipped. No more than
    /// `cornerTotal` corners are read. `vertexOfPoint` (pointCount entries, optional)
    /// receives each point's vertex or null. Returns the number of facets made; −1, with
    /// nothing added, for a negative count or a missing array.
    int AddIndexedFacets(int pointCount,
                         const double* xyz,
                         int facetCount,
                         const int* cornerCounts,
                         int cornerTotal,
                         const int* corners,
                         const int32_t* edgeFlags,
                         int32_t flags,
                         G3Vertex** vertexOfPoint = nullptr);
    /// Adds n vertices copied from the records, and a facet through them when n > 2.
    /// The vertex count after the call when the facet was made, 0 when it was not, and
    /// the count before the call for n ≤ 2.
    int AddOneFacetFromVertices(const G3Vertex* vertices, int n);
    /// A poly-edge over n ≥ 2 vertices; null otherwise or for an index out of range.
    G3PolyEdge* AddPolyEdge(int n, G3Vertex** v);
    G3PolyEdge* AddPolyEdge(int n, const int* vertexIds);
    /// Segment k of poly-edge i; false (both null) when either is out of range.
    bool GetPolyEdge(int i, int k, G3Vertex** a, G3Vertex** b) const;
    /// The vertex count of poly-edge i and its run of vertices; false when out of range.
    bool GetPolyEdge(int i, int* n, G3Vertex*** v) const;

    /// Starts collecting the facets AddFacet makes (through the extended-data link) into
    /// one facet with holes.
    void BeginComplexFacet();
    /// Replaces the collected facets by facets whose rings hold an outer loop followed by
    /// the loops of the holes inside it; crossings are split and shared edges merged away.
    /// A hole with no loop around it is reported through the trace and dropped.
    void EndComplexFacet();
    /// Adds a facet per edge list (its flags and surface number) and deletes the lists;
    /// the collection is left empty. Lists marked as holes make no facet of their own.
    void AddFacets(GArrayCollection* contours);
    void AddFacetsEx(GArrayCollection* contours, G3Facet* facet, GEVENT event);
    /// Adds a facet for each outer contour of `contours` with the holes directly inside
    /// it as loops of its ring, then deletes the lists and empties the collection. `facet`
    /// and `event` are the split facet and the event passed on to outside data (may be null).
    void AddContourFacets(GArrayCollection* contours, G3Facet* facet, GEVENT event);
    /// Re-attaches f to the edges of the list (shared anew through AddEdge). Returns f.
    G3Facet* AddFacetEdges(G3Facet* f, G3EdgeList* edges);
    /// Replaces old by repl in every facet around old, rebuilding those facets' rings; a
    /// facet left with fewer than three edges stays empty for the sweep. Returns true.
    bool ChangeVertex(G3Vertex* old, G3Vertex* repl);
    /// A new surface (owned by the caller) in which each group of coplanar facets is
    /// replaced by the facets bounded by the group's contours.
    G3Surface* FormContourSurface();

    /// Splits e at the n points (in order from vertex 1, reversed first when asked): each
    /// of e's facets runs through them, normals are interpolated, and e is deleted.
    void SplitEdge(G3Edge* e, int n, G3Vertex** points, bool reverse);
    void SplitEdge(G3Edge* e, G3Vertex* p) { SplitEdge(e, 1, &p, false); }
    /// Merges old into repl in place; edges joining the two are collapsed inside their
    /// facets and left in `collapsed` for the caller (or the sweep). Returns true.
    bool ChangeVertex(G3Vertex* old, G3Vertex* repl, GArrayCollection* collapsed);

    /// Re-forms every facet's plane.
    void FormPlaneEquation();
    /// Reverses every facet's ring and plane.
    void NegPlane();
    /// The first facet has a geometry record; false without facets.
    bool HasGeometry() const;
    /// Every vertex pair carries an even number of facet sides (double-sided count twice).
    bool GetClosed() const;
    /// Fills `work` with a's edges to b; returns the facet sides along them, a
    /// double-sided facet counting twice.
    static int GetCountEdges(G3Vertex* a, G3Vertex* b, GArrayCollection* work);
    /// Appends f and every facet reachable from it across shared edges, marking each with
    /// Mark3 and Mark4 (left set for the caller).
    void GetAllAdjacentFaces(G3Facet* f, GArrayCollection* out);

    /// A new surface (owned by the caller) holding one copy of f with its normals and
    /// texture coordinates; its outside data is handed to the providers. Null for null f.
    static G3Surface* FormFacetSurface(G3Facet* f);

    // Clean-up: the tolerance of every coincidence decision is 1e-6.

    /// Welds coincident vertices and sweeps what they leave unused.
    void RemoveEqualsVertex();
    /// RemoveEqualsVertex(), telling for every vertex, by its index before the call, what
    /// became of it: itself, the vertex it was welded into, or null when it was swept.
    void RemoveEqualsVertex(std::vector<G3Vertex*>& into);
    /// Links each vertex to an equal one already in `hash` (its representative) and
    /// re-points the edges to the representatives; the duplicates are left edge-less.
    void RemoveEqualsVertex(G3PointHash* hash);
    /// Drops edges whose ends share a representative (collapsed facets go) and re-points
    /// the other edges' ends to the representatives.
    void RemoveEqualsVertex2(G3PointHash* hash);
    /// Welds coincident vertices and splits edges at the vertices that lie on them.
    void RemoveEqualsVertexAndDivideEdges();
    /// Welds coincident vertices, then splits each edge whose flags meet `mask` at the
    /// vertices lying on it (within 1e-6).
    void RemoveEqualsVertexAndDivideEdges(int32_t mask);
    /// The same, where every coincidence lies within `box` (null: anywhere): only the
    /// vertices inside it are welded and only the facets around welded vertices are
    /// cleaned, so the work follows the box, not the surface.
    void RemoveEqualsVertexAndDivideEdges(int32_t mask, const GEnvelope* box);
    /// Splits every present edge at the hashed vertices lying on it.
    void DivideEdgesByVertex(G3PointHash* hash);
    void DivideEdgesByVertex(GArrayCollection* edges, G3PointHash* hash);
    /// Splits e at the candidates within 1e-6 of it strictly between its ends (except
    /// vertices of e's own facets); false when none.
    bool DivideEdgeByVertex(G3Edge* e, GEnvelope* env, GArrayCollection* candidates);
    /// Merges coincident normals (made unit length first) and texture coordinates.
    void RemoveEqualsNormal();
    /// Merges facets over the same vertices: two coincident one-sided facets become one
    /// double-sided facet.
    void RemoveEqualsFacets();
    /// Removes facets with a zero plane or fewer than three edges; whether any went.
    bool RemoveTrivialFacets();
    /// Sews pairs of parallel one-sided edges into shared edges.
    void RemoveNonManifoldEdges();
    /// Where more than two facets meet at one pair of vertices, gives each two angularly
    /// neighbouring facets with material between them an edge of their own (bodies that
    /// touch along an edge); the number of edges made.
    int PairNonManifoldEdges();
    /// Rebuilds facets whose outline crosses itself into simple facets (working at 1000
    /// times the scale); whether any facet was rebuilt.
    bool RemoveSelfIntersections();
    /// Merges the two facets of every edge whose flags meet `mask` and that joins exactly
    /// two facet sides.
    void UnionFacets(int32_t mask);
    /// Merges each connected group of coplanar facets (across invisible edges, edges whose
    /// flags meet `mask`, or any edge for −1) into one facet per region, holes kept.
    void UnionInPlaneFacets(int32_t mask);
    /// Hides edges between coplanar facets lying on both sides of them.
    void MarkInPlaneEdgesAsInvisible();
    /// Hides edges whose facets all have the same plane, component by component.
    void MarkInPlaneEdgesAsInvisible2();
    /// Closes gaps with triangles between neighbouring open edges; whether any was added.
    bool EncloseHoles();
    /// Makes every facet double-sided.
    void ExtendDoubleSidedFacets();
    /// Multiplies every vertex coordinate by s (normals and planes untouched).
    void ScaleCoo(double s);

    // Normals and orientation.

    /// Turns each facet to agree with its own vertex normals; false without normals.
    bool OrientNormals();
    /// Orients all facets consistently and outward (vertical rays, parity of the facets
    /// met, then a flood across shared edges). With vertex normals and without `force`,
    /// OrientNormals instead. Double-sided facets are left as they are.
    bool OrientNormals2(bool force);
    /// For each of e1 and e2, whether it rises along the dominant axis of their joint box.
    void FindEdgeOrientation(const G3Edge* e1, const G3Edge* e2, bool* up1, bool* up2) const;
    /// Reverses every normal and every facet.
    void NegNormals();
    /// Gives flat normals to the facets that have none.
    void AssignNormalsByPlane();
    /// Smooth normals from the planes of the facets around each vertex: over all facets
    /// (null), or over the listed ones and set for them only.
    void AverageNormalsByPlanes(GArrayCollection* facets);
    /// The same, keeping each vertex's texture coordinate.
    void AverageNormalsByPlanesTexCooSafe(GArrayCollection* facets);
    /// Smooth normals per smoothing group: visible edges are creases.
    void AverageNormalsByPlanes2();
    /// Gives every facet vertex without a normal the facet's plane normal.
    void HealNormals();
    /// Planar texture coordinates from each facet's projection axes.
    void GenerateTexCoo(TEXTURE_PROJECTION_MODE mode);

    /// Appends the vertices of the open boundary, walked once round, to `out`; false for a
    /// closed surface, no boundary, or a boundary that is not one simple loop.
    bool GetContour(GArrayCollection& out);
    /// The repair passes of a check level: 1001 welds, merges normals, sews one-sided
    /// edges and orients; 1002 rebuilds crossing outlines, merges doubled facets and
    /// orients; 1003 rebuilds crossing outlines and orients.
    void Update(CHECK_LEVEL level);
    /// Simplifies s to about targetCount triangles in a new surface (caller owns it),
    /// through the adapter library loaded on first use. Facets with different outside data
    /// are simplified apart, their shared boundary kept, and each result triangle carries
    /// its region's data. Null, s and result untouched, for a null s or when the adapter
    /// cannot be found; otherwise the adapter sets result.
    static G3Surface* QSlimSimplifier(G3Surface* s,
                                      CHECK_LEVEL check,
                                      int targetCount,
                                      QSLIM_TYPE type,
                                      QSLIM_RES& result,
                                      QSLIMCommandsBase* commands);
    /// The same with the target given as a ratio (0, 1] of s's triangle count.
    static G3Surface* QSlimSimplifier(G3Surface* s,
                                      CHECK_LEVEL check,
                                      double ratio,
                                      QSLIM_TYPE type,
                                      QSLIM_RES& result,
                                      QSLIMCommandsBase* commands);
    /// Replaces chosen facets of four or more edges by triangles (option bits: 0x4 every
    /// such facet, 0x8 those of five or more edges, 0x2 those not flat within 5e-7, 0x1
    /// those not convex). Triangles keep the facet's per-vertex normals, texture
    /// coordinates, flags, surface number and outside data; boundary edges keep their
    /// flags and new inner edges get `newEdgeFlags`. A facet the tessellator cannot split
    /// (self-crossing outline, non-finite or huge coordinates) is kept. True when at
    /// least one facet was triangulated.
    bool Triangulate(int options, int32_t newEdgeFlags);
    /// Appends one new surface per connected part to `out` (the caller owns them) and
    /// returns out's size.
    int Explode(GArrayCollection* out);

    /// Writes the topology dump (identifiers as stored: keep them equal to indices). Nothing
    /// happens when the file cannot be opened.
    void Save(const char* path) const;
    /// Reads a dump written by Save into this empty surface; see LoadChecked.
    void Load(const char* path);
    /// Reads a dump into this surface, which must be empty. False, with the surface left
    /// empty, for a missing file, a non-empty surface, or a dump that is damaged: counts
    /// beyond its lines, indices out of range, non-finite coordinates, or links that do
    /// not form proper rings and lists.
    bool LoadChecked(const char* path);
    /// Opens `path`, writes the VRML 2.0 header and hands out the stream; false when the
    /// file cannot be created.
    static bool VRMLWriteBegin(const char* path, FILE** file);
    /// Appends s as one shape in the diffuse colour color[0..2]; false when the stream is
    /// null or a write fails.
    static bool VRMLWrite(FILE* file, G3Surface* s, const double* color);
    /// Closes the stream; false when it is null or closing fails.
    static bool VRMLWriteEnd(FILE* file);

    /// Keeps a pair of opaque pointers for the host.
    void SetExtAcisHitData(void* a, void* b);
    /// This surface's pair, or the pair set most recently for any surface when it has none.
    void GetExtAcisHitData(void** a, void** b) const;

protected:
    /// Removes f and the edges no other facet uses.
    void RemoveFacetAndLooseEdges(G3Facet* f);
    /// Builds a facet from n vertices; see AddFacet. The surface's edge flags keep the last
    /// side's value.
    G3Facet* _AddFacet(
        int n, G3Vertex** v, const int32_t* edgeFlags, G3Normal** normals, G3TexCoo** texCoos);
    /// In each listed edge, an end equal to old becomes repl; degenerate edges are deleted
    /// (the list owns them) and the rest compacted in order.
    static void ChangeVertexInEdgeList(GArrayCollection* edges, G3Vertex* old, G3Vertex* repl);
    /// Rebuilds each facet of e with old replaced by repl.
    void ChangeVertexInEdge(G3Edge* e, G3Vertex* old, G3Vertex* repl);
    /// Turns one group of coplanar facets' edges into contours and adds them to `target`,
    /// mapping vertices by identifier.
    void FormContours(GArrayCollection* edges, const double* plane, G3Surface* target);
    /// Averages over the listed facets, for each of them at its own vertices.
    void AverageNormalsOfListed(GArrayCollection* facets, bool keepTexCoo);
    /// Turns f's neighbours to agree with f, marking and queueing each.
    void OrientNormal2(G3Facet* f, GArrayCollection* queue);
    /// Sets the average plane normal over the facets `inSet` accepts at v, for `target`
    /// (every facet at v when null); `keepTexCoo` keeps the vertex's texture coordinate.
    template <class InSet>
    void SetAverageNormal(G3Vertex* v, G3Facet* target, InSet inSet, bool keepTexCoo);
    /// Replaces f1 and f2, which share e, by one facet carrying f1's data.
    void MergeFacets(G3Edge* e, G3Facet* f1, G3Facet* f2);
    /// The open edge next to e that closes the smallest triangle with it, or null.
    G3Edge* FindNearestEdge(G3Edge* e);
    /// Adds a facet per outer contour with the holes inside it; see AddFacets.
    void AddLoopedFacets(GArrayCollection* contours, G3Shell* map, int32_t flags);

private:
    friend class G3SurfaceBulkBuilder;
    // Binds the adapter when needed and hands it the call; null when it cannot be reached.
    static G3Surface* QSlimSimplifierInternal(G3Surface* s,
                                              QSLIM_TYPE type,
                                              QSLIM_RES& result,
                                              int targetCount,
                                              double ratio,
                                              QSLIM_DESIREDTRISETTYPE desired,
                                              CHECK_LEVEL check,
                                              QSLIMCommandsBase* commands);
    // The sharing rule for one edge between f's two vertices: 1 when f takes a free side
    // of e, 0 when e has none (look at the next), −1 when f is on e already (a new edge).
    static int ClaimSide(G3Edge* e, G3Facet* f);
    // The weld of RemoveEqualsVertex(hash); `into`, when given, receives each vertex's
    // representative (or the vertex itself).
    void Weld(G3PointHash* hash, std::vector<G3Vertex*>* into);
    // Finishes a facet made by AddFacet: plane, and the complex-facet collector.
    G3Facet* Finish(G3Facet* f);

    int m_NextSurface = 1;
    int m_Surface = 1;
    int32_t m_EdgeFlags = 1;
    int m_MaterialFacets = 0;
    int m_SelectedFacets = 0;
};
