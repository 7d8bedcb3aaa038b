#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

class G3Edge;
class G3Facet;
class G3IntervalList;
class G3Point;
class G3Surface;
class GArrayCollection;

/// Check request flags and the result bits their failures set.
enum G3SURFACE_CHECK : int {
    G3SURFACE_CHECK_FACETS = 0x1,         ///< facets that cross one another
    G3SURFACE_CHECK_SMALL_EDGES = 0x4,    ///< edges shorter than 1e-6 (also sets 0x10)
    G3SURFACE_CHECK_SELF_CROSSING = 0x8,  ///< facet outlines that cross themselves
    G3SURFACE_CHECK_SMALL_EDGES_ALSO = 0x10
};

/// Editing and checking operations on one surface (not owned): sinking or raising a
/// contour drawn on a facet into a pocket or a boss, punching holes, removing a facet that
/// lies flat inside another, splitting an edge along intervals, finding edges two surfaces
/// share, and checks for tiny edges, self-crossing facet outlines and crossing facets.
/// Facets are read loop by loop: a point in a hole is outside its facet.
class POLYKERN_API G3SurfaceEdit : public GObj {
public:
    /// The two end points of an overlap FindCommonEdges found, transformed, with the edge
    /// it lies on. Owned by the collection's owner.
    class POLYKERN_API Segment : public GObj {
    public:
        Segment(const double* p1, const double* p2, G3Edge* edge);
        double m_P1[3];
        double m_P2[3];
        G3Edge* m_Edge;
    };

    explicit G3SurfaceEdit(G3Surface* surface) : m_Surface(surface) {}
    G3SurfaceEdit(const G3SurfaceEdit&) = default;
    G3SurfaceEdit& operator=(const G3SurfaceEdit&) = default;
    ~G3SurfaceEdit() override;

    G3Surface* GetSurface() const { return m_Surface; }

    /// Sets result to 0, runs CheckEdges and CheckFacets (both always), and answers
    /// whether both passed.
    bool CheckSurface(int flags, int& result);
    /// With flag 8, facets whose outline crosses itself; with flag 4, edges shorter than
    /// 1e-6. ORs 8, or 4 and 0x10, into result for what failed; false when anything failed
    /// or the surface has no facet.
    bool CheckEdges(int flags, int& result);
    /// With flag 1, whether any two facets cross; ORs 1 into result when they do. False
    /// for a surface without facets or when facets cross; true without flag 1.
    bool CheckFacets(int flags, int& result);

    /// Sinks (or raises) the contour of points (in order, not closed, all on one facet)
    /// along `direction` by `depth`: the facet gets the contour as a hole, a side facet
    /// stands on each contour edge and a cap closes the prism. The side facets still in
    /// the surface after the clean-up are appended to `sides` (may be null). Returns the
    /// cap, or null, leaving the surface unchanged, when no facet holds every point (a
    /// point in a hole is not in the facet), or for fewer than three or non-finite points.
    /// At depth 0 the sides collapse and the cap fills the hole again.
    G3Facet* InsertFacet(GArrayCollection* contour,
                         G3Point* direction,
                         double depth,
                         GArrayCollection* sides);
    /// Replaces `facet` by a facet with the contour (points, new vertices) as one more
    /// hole, keeping its orientation, loops, flags and outside data and sharing its edges
    /// with its neighbours. Nothing for a facet of another surface or a contour of fewer
    /// than three finite points.
    void MakeHole(G3Facet* facet, GArrayCollection* contour);
    /// Where a facet of the surface lies flat on `facet`'s plane and holds all of
    /// `facet`'s vertices, that facet gets `facet`'s outline as a hole (over `facet`'s own
    /// vertices, so the hole joins whatever `facet` was joined to) and `facet` is removed.
    /// True when it removed `facet`.
    bool RemoveStuckTogetherFacets(G3Facet* facet);
    /// Splits `edge` of `surface` (this edit's surface when null) along the intervals:
    /// each interval, turned to run along the edge and taken in order along it, becomes an
    /// invisible edge (flags 0x80) and the gaps between them keep the edge's flags. Ends
    /// within 1e-6 of an edge end or of the previous interval's end reuse that vertex.
    /// False for an edge not longer than 1e-6 or without facets in the surface.
    bool DivideEdge(G3Surface* surface, G3Edge* edge, G3IntervalList* intervals);
    /// Appends to `out` a Segment for a (points transformed by ma) and one for b (by mb)
    /// per overlap of collinear edges of coplanar facets of a and b. False when either
    /// surface has no facet or nothing overlaps.
    bool FindCommonEdges(
        G3Surface* a, G3Surface* b, double ma[4][4], double mb[4][4], GArrayCollection* out);

private:
    G3Surface* m_Surface;
};
