#pragma once

#include <cstdint>

#include "polykern/PolykernExport.h"
#include "polykern/math/GEnvelope.h"

class G3BCLoopCache;
class G3Facet;
class G3Grid;
class G3IntervalList;
class G3RayTraceResult;
class G3Surface;
class G3Vertex;
class GArrayCollection;

using GEVENT = void*;

/// Where a vertex or facet lies against the other operand. Bit values, so that removal
/// masks can combine them; vertices only ever get 0, 1, 2 or 4.
enum SURF_CLASSIFY : int {
    SURF_UNKNOWN = 0,       ///< not classified yet, or undecided after every retry
    SURF_ON = 1,            ///< on the other operand's boundary
    SURF_OUT = 2,           ///< outside the other operand
    SURF_IN = 4,            ///< inside the other operand
    SURF_ON_SAME = 16,      ///< a facet on the other boundary, both materials on one side
    SURF_ON_OPPOSITE = 32,  ///< a facet on the other boundary, materials on opposite sides
};

/// Receives the points where a segment meets the queried surface.
class POLYKERN_API G3BCPointWriter {
public:
    virtual ~G3BCPointWriter();
    /// One meeting point and the facet it lies on.
    virtual void WritePoint(double* point, G3Facet* facet) = 0;
};

/// Booleans of closed surfaces, their intersection curves, and point and ray queries
/// against one surface. A calculator serves one operation at a time and is not copyable.
/// Two-operand operations consume both operands: the result is the first operand (or
/// the second, when they were swapped) modified in place, and the other is deleted.
class POLYKERN_API G3BooleanCalculator {
public:
    G3BooleanCalculator();
    ~G3BooleanCalculator();
    G3BooleanCalculator(const G3BooleanCalculator&) = delete;
    G3BooleanCalculator& operator=(const G3BooleanCalculator&) = delete;

    /// The union of a and b; null when nothing is left or an operand is refused.
    G3Surface* Add(G3Surface* a, G3Surface* b);
    /// a minus b; null when nothing is left or an operand is refused.
    G3Surface* Sub(G3Surface* a, G3Surface* b);
    /// a minus b with `e` passed to the new facets' outside data; an empty result is
    /// returned, not deleted.
    G3Surface* Sub(G3Surface* a, G3Surface* b, GEVENT e);
    /// The intersection of a and b; null when nothing is left or an operand is refused.
    G3Surface* Common(G3Surface* a, G3Surface* b);

    /// Cuts s by the plane a·x + b·y + c·z = e, plane = (a, b, c, e): *out1 gets the part
    /// behind it, *out2 the part in front, and the answer is true. False when the plane does
    /// not divide s (the whole of s in *out1, *out2 null), for a null or non-finite plane or
    /// zero normal, and with `cut` false (nothing computed, s untouched, outputs null). With
    /// `cut` true s is consumed: it becomes a piece, or is deleted when refused. `usePlane`
    /// settles facets lying in the plane by the side of their material.
    bool Slice(
        G3Surface* s, double* plane, bool cut, G3Surface** out1, G3Surface** out2, bool usePlane);
    /// As Slice without the slice plane, passing a null event to the new facets' data.
    bool SliceED(G3Surface* s, double* plane, bool cut, G3Surface** out1, G3Surface** out2);
    /// As Slice for a facet-style plane a·x + b·y + c·z + d = 0 (e = −d), slice plane off.
    bool CutUpByPlane(
        G3Surface* s, const double (&plane)[4], bool cut, G3Surface** out1, G3Surface** out2);
    /// Cuts s by the open sheet `cutter`: *out1 gets the part of s on the side the cutter's
    /// normals point to, *out2 the other, each closed by its own copy of the sheet's piece
    /// inside s facing out of its material; true then. False when the sheet does not divide
    /// s (closed, missing s, or not cutting it through): the whole of s in *out1, *out2
    /// null. Parts of s the sheet does not reach go with *out1. Both s and the cutter are
    /// consumed.
    bool SliceBySurface(G3Surface* s, G3Surface* cutter, G3Surface** out1, G3Surface** out2);
    /// The sections of s by n facet-style planes (a, b, c, d): each outline with the holes
    /// inside it becomes one facet, with hole loops, of a new surface *out the caller owns,
    /// facing along its plane's normal. False, *out null, when no plane meets s or on a
    /// null or non-finite argument; s is not changed.
    bool Divide(G3Surface* s, int n, const double* planes, G3Surface** out);
    /// The section segments of s by n facet-style planes appended to `out`; whether `out`
    /// holds anything afterwards. False on a null or non-finite argument; s is not changed.
    bool Divide(G3Surface* s, int n, const double* planes, G3IntervalList* out);

    /// s with the edge p1–p2 rounded by a circular arc of n segments, of radius r1 at p1
    /// and r2 at p2, tangent to both facets at the edge; null when there is no such edge
    /// or the arc does not fit (n above 1024 counts as 1024). s is consumed, whatever the
    /// answer.
    G3Surface* Blend(G3Surface* s, double* p1, double* p2, double r1, double r2, int n);
    /// s with its convex corner p rounded to radius r with n segments; null at a concave
    /// corner or when the rounding does not fit (n above 64 counts as 64). s is consumed,
    /// whatever the answer.
    G3Surface* BlendCorner(G3Surface* s, double* p, double r, int n);

    /// Splits s into edge-connected pieces appended to `pieces` (pieces of fewer than four
    /// facets are dropped); s is left without facets. The number of pieces in `pieces`.
    int Separate_Surface(G3Surface* s, GArrayCollection* pieces);
    /// Cuts s along the lines where its facets cross each other and cleans it up.
    void RemoveSelfIntersection(G3Surface* s);
    /// The segments along which a and b meet, merged into `out` (when given) in working
    /// coordinates (1000 × model); both surfaces are left scaled and without facets.
    bool SurfaceSurfaceIntersect(G3Surface* a, G3Surface* b, G3IntervalList* out);

    /// Prepares point, segment and ray queries against s (not scaled). s must stay
    /// unchanged until CloseFindIntersection.
    void OpenFindIntersection(G3Surface* s);
    /// Whether p lies inside, outside or on the queried surface.
    SURF_CLASSIFY FindVertexClassify(const double* p);
    /// Whether random rays from p towards q's side end inside or outside; `f` is unused.
    SURF_CLASSIFY FindRayClassify(const double* p, const double* q, G3Facet* f);
    /// Reports each point where the segment pq meets the queried surface.
    void FindIntersections(const double* p, const double* q, G3BCPointWriter* w);
    /// A facet of the queried surface that contains p, or null.
    G3Facet* FindFacet(const double* p);
    /// Ends the queries on s.
    void CloseFindIntersection(G3Surface* s);

    /// The sink that BinaryOperation merges the second operand's cut segments into; not owned.
    void SetIntersectionList(G3IntervalList* l) { m_IntersectionList = l; }
    /// The length of every random ray.
    double GetRadius() const { return m_RayLength; }

    /// Gives every vertex and facet of s its working record (a facet's carries its
    /// envelope grown by 1e-5). A provider attached to s before is set aside and comes
    /// back with CloseBoolean.
    static void OpenBoolean(G3Surface* s);
    /// Releases the working records: every link is cleared before the records go.
    static void CloseBoolean(G3Surface* s);

    /// A random ray end p + length·u, u uniform on the unit sphere.
    static void GenerateRandomRay(double* p, double* out, double length);
    /// A random ray end strictly on the `side` of `plane` (±1); false when every draw
    /// lay within 1e-5 of the plane.
    static bool GenerateRandomRay(double* p, double* out, double* plane, int side, double length);
    /// A random ray end on the side `direction` points to; false when every draw was
    /// nearly perpendicular to it.
    static bool GenerateRandomRay(const double* p,
                                  double* out,
                                  const double* direction,
                                  double length);
    /// Whether p lies inside the closed surface formed by `facets`, counting crossings of
    /// the segment pq (unknown when undecidable); `count` receives the crossing count.
    static SURF_CLASSIFY TestPointAndFacetList(double* p,
                                               double* q,
                                               GArrayCollection* facets,
                                               unsigned int* count);
    /// Whether the far end q of the ray pq lies inside, not counting facets through p.
    static SURF_CLASSIFY TestRayAndFacetList(double* p, double* q, GArrayCollection* facets);
    /// Starts the random rays of this thread again from a fixed state, so that an
    /// operation's result does not depend on what ran before it.
    static void ResetRandomRays();

    // ---- Tracing into a result object (picking, openings) ----

    /// Reports to `result` every place where the segment pq meets one of `facets`: inside
    /// a facet (FindFacet), on an edge (FindEdge, once per edge) or at a vertex (FindVertex,
    /// once per vertex); a point in a facet's hole misses that facet, and a segment lying
    /// in a facet's plane meets nothing there. The number of facets met; −1 for a null or
    /// non-finite argument.
    static int TestRayAndFacetList(double* p,
                                   double* q,
                                   GArrayCollection* facets,
                                   G3RayTraceResult* result);
    /// Hands a hit inside `facet` to the result with the facet's plane normal; the result's
    /// answer, false for a null argument.
    static bool FacetFilter(
        G3RayTraceResult* result, double* point, double* axis1, double* axis2, G3Facet* facet);
    /// Hands each unmarked edge joining a and b to the result with the unit sum of its
    /// facets' normals (zero when they cancel), marking it and adding it to `edgesSeen`.
    /// Whether the result kept any.
    static bool EdgeFilter(G3RayTraceResult* result,
                           double* point,
                           G3Vertex* a,
                           G3Vertex* b,
                           GArrayCollection* edgesSeen);
    /// Hands an unmarked vertex to the result with the unit sum of the normals around it,
    /// marking it and its unmarked edges into the lists. False for a marked vertex.
    static bool VertexFilter(G3RayTraceResult* result,
                             double* point,
                             G3Vertex* v,
                             GArrayCollection* edgesSeen,
                             GArrayCollection* verticesSeen);

protected:
    bool OpenBoolean();
    void Divide();
    void DivideSelf();
    struct CutScratch;
    // With `loops`, large facets keep their loops from one cut to the next; `scratch`
    // serves every facet of the pass.
    void IntersectFacetProcessor(G3Facet* f, G3BCLoopCache* loops, CutScratch* scratch);
    void MergeSurfaceAndIntersectionTree(G3Surface* s, GEnvelope* env);
    void MergeSurfaceAndIntersectionTree(G3Surface* s, GEnvelope* env, GEVENT e);
    void ClassifyVertices(G3Surface* s, GArrayCollection* others);
    void SetClassify(G3Vertex* v, SURF_CLASSIFY c);
    SURF_CLASSIFY ClassifyVertex(double* p, GArrayCollection* others);
    void ClassifyFacets(G3Surface* s, GArrayCollection* others);
    // s's vertices, then its facets, against `other`, with rays drawn afresh and large
    // facets' loops kept for this thread.
    void ClassifyOperand(G3Surface* s, G3Surface* other);
    SURF_CLASSIFY FindFacetClassify(G3Surface* s, G3Facet* f, GArrayCollection* others);
    SURF_CLASSIFY TestOnOpposite(double* p, double* plane);
    void RemoveFacetsByClassify(G3Surface* s, int mask);
    void CloseBoolean();
    // Puts b's facets into a and welds the seams; b is left to be deleted, maybe empty.
    void MergeFacets(G3Surface* a, G3Surface* b);
    void AssignNormalsByPlane();
    void ChangeSurface();
    G3Surface* BinaryOperation(int maskA, int maskB, int unionInPlane);
    G3Surface* BinaryOperation(int maskA, int maskB, GEVENT e);
    /// Settles the facets of s that ClassifyFacets left unknown: more rays from other points
    /// inside each, then the verdict (in or out only) of a neighbour across an edge no cut
    /// can have made, spread until nothing changes. False when a facet stays unknown.
    bool ResolveUnknownFacets(G3Surface* s, GArrayCollection* others);
    // Both operands' undecided facets (those asked for), each against the other, with
    // rays drawn afresh; false when one stays undecided.
    bool ResolveUnknownFacets(G3Surface* a, G3Surface* b, bool forA, bool forB);
    /// The closed outward solid of a fillet: its flat faces lie in the planes f1 and f2
    /// (a, b, c, d) through the edge a–b, its rounded side runs through the arc profiles at
    /// a and b (arc1, arc2: n + 1 points of three doubles each, from the tangent point on
    /// f1 to the one on f2), and its ends are the profiles closed at a and b. A new surface
    /// the caller owns; null for n < 1, a null argument or a profile too small to make facets.
    G3Surface* CreateBlendFacets(const double* a,
                                 const double* b,
                                 const double* arc1,
                                 const double* arc2,
                                 int n,
                                 const double* f1,
                                 const double* f2);

private:
    // The shared road of both BinaryOperation forms; `event` is used when `useEvent`.
    G3Surface* RunBinary(int maskA, int maskB, bool useEvent, int unionInPlane, GEVENT event);
    // Whether two facets of s that share no corner pass through each other (s in the
    // working frame, its facets with their working records).
    bool CrossesItself(G3Surface* s);
    // Whether either operand crosses itself; two large operands are checked side by side.
    bool EitherCrossesItself(G3Surface* a, G3Surface* b);
    // Both halves of a slice through the Sub form chosen; see Slice.
    bool SliceBy(G3Surface* s,
                 double* plane,
                 bool cut,
                 G3Surface** out1,
                 G3Surface** out2,
                 bool usePlane,
                 bool useEvent);
    // The verdict of the slice plane on a facet of the sliced operand whose every vertex
    // lies on a cut: out when its material lies outside the box being subtracted, in when
    // inside, unknown when the facet is not in the plane or no slice plane is set.
    SURF_CLASSIFY SlicePlaneClassify(G3Surface* s, G3Facet* f) const;
    // Gives every facet of `work`, split along a sheet whose piece inside the body is
    // `cap`, the mark of its side (mark 4 where the sheet's normals point, mark 3 behind);
    // false when the cuts do not bound two sides.
    bool SortSides(G3Surface* work, G3Surface* cap);
    // Drops both operands (refused or finished), deleting what is left of them.
    void DropOperands();
    // Whether the two operands are large and no provider outside the calculator could
    // hear of their entities, so that they are prepared and split side by side.
    bool PreparedSideBySide() const;
    // Whether every facet that `mask` might keep or drop can be classified against the
    // other operand, closed or not.
    bool Classifiable(bool otherClosed, int mask) const;
    // The coplanar-contact test of a point p on a facet of `own` against the surfaces
    // whose facets are `own` and `others`; 0 when undecided after every retry.
    SURF_CLASSIFY TestOnOppositeLists(double* p,
                                      double* plane,
                                      GArrayCollection* own,
                                      GArrayCollection* others);
    // Classifies a point inside facet f of s against `others`: a point on the other
    // surface is settled by the coplanar-contact test (16, 32, or 0 when undecided).
    SURF_CLASSIFY ClassifyFacetPoint(double* p, G3Facet* f, G3Surface* s, GArrayCollection* others);

    G3Surface* m_A = nullptr;
    G3Surface* m_B = nullptr;
    GEnvelope m_EnvA;
    GEnvelope m_EnvB;
    GEnvelope m_Common;
    GEnvelope m_Total;
    GArrayCollection* m_Candidates = nullptr;
    uint32_t m_Overlap = 0;
    double m_RayLength = 0.0;
    G3Grid* m_Grid = nullptr;
    int m_FloodDepth = 0;
    double* m_SlicePlane = nullptr;
    G3IntervalList* m_IntersectionList = nullptr;
    double m_Origin[3] = {0.0, 0.0, 0.0};  // the local origin of working coordinates
    bool m_KeepCutMarks = false;           // cut edges keep mark 3 after the split (sheet cutting)
};
