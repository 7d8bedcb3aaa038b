#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GPooled.h"
#include "polykern/math/GEnvelope.h"

class G3Edge;
class G3Facet;
class G3Normal;
class G3Surface;
class G3TexCoo;
class G3Vertex;
class GContourIntersectPoint;
class GIterator;

/// Kind of a traced contour.
enum CONTOUR_TYPE { CONTOUR_UNCLASSIFIED = 0, CONTOUR_HOLE = 1, CONTOUR_OUTER = 2 };

/// How RemoveSelfIntersections treats edges that join the same two vertices.
enum UNION_EDGE_ALG {
    UNION_EDGE_NONE = 0,
    /// Splitting a facet along cuts: doubled edges stay, each side traces one copy.
    UNION_EDGE_SPLIT = 1,
    /// Merging facets: pairs of edges running opposite ways between the same two
    /// vertices are interior to the merged region and are dropped.
    UNION_EDGE_MERGE = 2,
    /// Overlapping boundary pieces are resolved by testing beside them.
    UNION_EDGE_OVERLAP = 3
};

/// A planar polygon as an ordered list of edges it owns, with its plane, projection axes,
/// contour type and the flags and surface number a facet made from it receives. All 2D
/// work happens on the two axes left by the plane normal's largest component.
/// Invariant after Normalize: consecutive edges run head to tail.
class POLYKERN_API G3EdgeList : public GArrayCollection {
    PK_DECLARE_POOL(G3EdgeList)

public:
    /// The facet's ring, with its flags, surface number and plane.
    explicit G3EdgeList(G3Facet* facet);
    /// Copies of the edges, head to tail; plane unset.
    explicit G3EdgeList(GArrayCollection* edges);
    G3EdgeList(GArrayCollection* edges, int32_t flags, int32_t surface);
    /// Empty.
    G3EdgeList(int32_t flags, int32_t surface);
    /// A ring over n vertices; consecutive equal vertices make no edge. Normals and
    /// texture coordinates may be null.
    G3EdgeList(int n,
               G3Vertex** v,
               const int32_t* edgeFlags,
               G3Normal** normals,
               G3TexCoo** texCoos,
               int32_t flags,
               int32_t surface);
    /// Deletes its edges.
    ~G3EdgeList() override;
    G3EdgeList(const G3EdgeList&) = delete;
    G3EdgeList& operator=(const G3EdgeList&) = delete;

    /// A new list (owned by the caller) with copies of every edge, the flags, surface and
    /// contour type; plane, axes and envelope are not copied.
    G3EdgeList* Duplicate() override;

    /// Appends a new edge from→to with the given corner pairs on both facet sides.
    G3Edge* AddEdge(G3Vertex* from,
                    G3Vertex* to,
                    G3Normal* nFrom,
                    G3Normal* nTo,
                    G3TexCoo* tFrom,
                    G3TexCoo* tTo,
                    int32_t flags);
    /// Appends copies of the edges, with the corner pairs of `facet`'s side.
    void AddEdges(GArrayCollection* edges, G3Facet* facet);
    /// Appends copies of the facet's ring edges.
    void AddEdges(G3Facet* facet);
    /// Appends copies of the facet's ring edges running the way the ring runs, so that an
    /// edge two such facets share appears once each way.
    void AddRing(G3Facet* facet);

    /// Edge i of the list.
    G3Edge* GetEdgeAt(int i) const;
    const double* GetPlane() const { return m_Plane; }
    /// Copies the plane and sets the projection axes from it.
    void SetPlane(const double* plane);
    int GetXCoo() const { return m_XCoo; }
    int GetYCoo() const { return m_YCoo; }
    int32_t GetFacetFlags() const { return m_FacetFlags; }
    int32_t GetFacetSurface() const { return m_FacetSurface; }
    CONTOUR_TYPE GetContourType() const { return m_ContourType; }
    void SetContourType(CONTOUR_TYPE type) { m_ContourType = type; }
    const GEnvelope* GetEnvelope() const { return &m_Envelope; }
    int GetInCount() const { return m_InCount; }
    void SetInCount(int n) { m_InCount = n; }

    /// The box of every edge's vertices.
    void FormEnvelope();
    /// Fits the plane and axes to the vertices.
    void FormMaxPlaneCoo();
    /// Orients the chain head to tail.
    void Normalize();
    /// Reverses the list when its vertices run clockwise about the plane's normal.
    void OrientLike(const double* plane);
    static void Normalize(int n, G3Edge** edges);
    /// The same cyclic sequence of vertex pairs.
    bool Equals(G3EdgeList* other);
    /// Whether this contour lies inside `other` (false when it lies wholly on other's
    /// boundary and no interior point can be found).
    bool IsIn(G3EdgeList* other);
    /// Whether any two edges cross.
    bool TestSelfIntersections();
    /// Splits crossing edges at new vertices made in `surface`; nothing without a surface.
    void FindSelfIntersections(G3Surface* surface);

    /// Traces every closed face of this list's edge graph into a new list appended to
    /// `out` (the caller owns them); loose chains are dropped.
    void FormContours(GArrayCollection* out);
    /// Splits crossings, resolves doubled edges by `alg`, traces simple contours into
    /// `out` oriented like this list, and with `remesh` classifies them and bridges holes.
    void RemoveSelfIntersections(
        GArrayCollection* out, G3Surface* surface, bool remesh, UNION_EDGE_ALG alg, int unused);

    /// Splits crossings, then traces the faces this list's directed edges bound: every
    /// edge is walked once along its direction, turning as far left as it can at each
    /// vertex, so a region lies on the left of each of its edges. A cut entered once each
    /// way divides the regions on its two sides; the outline of cuts that reach no
    /// boundary comes out as a hole. Spurs and loops without area are dropped, and every
    /// contour appended to `out` (the caller owns them) runs like this list's plane.
    void TraceFaces(GArrayCollection* out, G3Surface* surface);

    /// Takes every closed contour off the edges of `work`, whose edges already share their
    /// vertices, as FormContours traces a list (on the axes x and y): dangling edges and
    /// doubled spurs are dropped, walked edges leave `work`, and each contour, over work's
    /// own vertices, is appended to `out` (the caller owns it). Returns the number appended.
    static int RemoveContours(
        G3Surface* work, int x, int y, int32_t flags, int32_t surface, GArrayCollection* out);
    /// Strips the dangling edges and doubled spurs of `work` until none is left.
    static void RemoveTailVertex(G3Surface* work, int x, int y);
    /// The top-most vertex of `work` with edges and the edge to leave it by (its far end in
    /// *start); false when no edge is left.
    static bool FindLegalEdge(G3Surface* work, int x, int y, G3Edge** edge, G3Vertex** start);
    /// Walks the loop of `first` from `start` by the sharpest left turns; the closed contour
    /// (owned by the caller; its edges leave `work`), or null when the walk closes none.
    static G3EdgeList* RemoveContour(G3Surface* work,
                                     G3Edge* first,
                                     G3Vertex* start,
                                     int x,
                                     int y,
                                     int32_t flags,
                                     int32_t surface);
    /// Marks each list a hole (inside an odd number of others) or outer.
    static void FormContourTypes(GArrayCollection* contours);
    /// Bridges each hole to the contour around it, merging them into one list.
    static void Link(GArrayCollection* contours, G3Surface* surface, int mode);
    /// FormContourTypes, then Link when asked and there are two contours or more.
    static void RemeshContours(G3Surface* surface, GArrayCollection* contours, bool link, int mode);
    /// Divides `edge` at the n vertices (in order from its vertex 1) into n + 1 new edges
    /// written to `newEdges`; corner normals are interpolated into `surface`.
    static void SplitEdge(
        G3Surface* surface, G3Edge* edge, int n, G3Vertex** vertices, G3Edge** newEdges);

protected:
    void AddEdges(GIterator* edges, G3Facet* facet);
    /// A vertex from which a ray leaves the contour outward, its direction in `ray`; null
    /// when no corner qualifies.
    G3Vertex* GetExtremalRay(double* ray);
    /// The nearest crossing of the ray from→to with this contour; −1 when none.
    double FindIntersectionPoint(const double* from,
                                 const double* to,
                                 const double* aim,
                                 GContourIntersectPoint* hit);
    /// Merges `target` into this list through a bridge from v to the hit vertex.
    bool LinkToAnother(
        G3Vertex* v, G3EdgeList* target, GContourIntersectPoint* hit, G3Surface* surface, int mode);

private:
    void Init(int32_t flags, int32_t surface);
    // Fits the plane when no axes are set yet.
    void EnsureAxes();
    // Traces the contours of this list's edge graph, first resolving doubled edges by `alg`.
    void TraceContours(GArrayCollection* out, UNION_EDGE_ALG alg);
    // Keeps one of several edges joining the same two vertices where they bound this
    // list's polygon, and none where both sides lie inside or both outside.
    void ResolveOverlaps(G3Surface& work);

    GEnvelope m_Envelope;
    CONTOUR_TYPE m_ContourType = CONTOUR_UNCLASSIFIED;
    int32_t m_FacetFlags = 1;
    int32_t m_FacetSurface = 1;
    double m_Plane[4] = {0.0, 0.0, 0.0, 0.0};
    int m_XCoo = -1;
    int m_YCoo = -1;
    int m_InCount = 0;
};
