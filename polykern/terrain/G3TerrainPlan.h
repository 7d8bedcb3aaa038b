#pragma once

// Plan (x, y) geometry shared by the terrain operations: rings, facet areas seen from
// above, the rim of a sheet and a point locator over a sheet's facets. Internal to the
// kernel.

#include <unordered_map>
#include <vector>

class G3Edge;
class G3Facet;
class G3Surface;
class G3Vertex;
class GArrayCollection;

namespace pkterrain {

struct PlanPoint {
    double x, y, z;
};
using Ring = std::vector<PlanPoint>;

/// Twice the signed area of the ring (closed implicitly), positive counter-clockwise.
double TwiceSignedArea(const Ring& ring);
/// Crossing parity of (x, y) against the ring, closed implicitly.
bool InRing(const Ring& ring, double x, double y);
/// As InRing for the four sample points of a triangle (see FacetLocator::ContainsTriangle).
bool TriangleInRing(const Ring& ring, const double* a, const double* b, const double* c);
/// Whether the closed segments ab and cd share a point (touching counts).
bool SegmentsMeet(const PlanPoint& a, const PlanPoint& b, const PlanPoint& c, const PlanPoint& d);
/// The points of a contour (collection of G3Point) without a final copy of the first.
Ring RingOf(GArrayCollection* contour);

/// The facet's area seen from above, signed by its walk: positive when it faces up.
double SignedPlanArea(const G3Facet* f);
/// The sum of SignedPlanArea over the surface's facets.
double SignedPlanArea(const G3Surface* s);
/// Turns the surface over when it faces down overall.
void FaceUp(G3Surface* s);
/// Whether a consistently oriented sheet faces down, judged by up to its first 4096
/// facets, so that the answer costs nothing on a large terrain.
bool FacesDown(const G3Surface* s);
/// A new surface of the facets of s whose entry in `drop` is 0, over copies of all of its
/// vertices (unused ones included) and with its edge flags, each facet turned when `turn`
/// and carrying its source's outside data.
G3Surface* SurfaceWithout(const G3Surface* s, const std::vector<char>& drop, bool turn);

/// Tells the providers that `to`, a facet of s, was made from `from` (its material, tags
/// and the like go over), as when the kernel makes a facet from another; nothing when
/// `from` carries no outside data. `from` is only read.
void HandOn(G3Surface* s, const G3Facet* from, G3Facet* to);

/// A new surface of copies of the facets, loops and holes included, each turned when
/// `turn` and carrying its source's outside data; `into` maps each source vertex to its
/// copy.
G3Surface* CopyFacets(const std::vector<G3Facet*>& facets,
                      bool turn,
                      std::unordered_map<const G3Vertex*, G3Vertex*>* into);
/// Adds the facets of `from` to `to` as they run, with their outside data, over the
/// vertices of `shared` (vertices of `to`) where one lies within 1e-6 of a vertex of
/// `from`, and over new vertices elsewhere; sides meet the free sides of `to` between the
/// same vertices.
void MergeInto(G3Surface* to, G3Surface* from, const std::vector<G3Vertex*>& shared);

/// Replaces every facet of more than three corners (holes included) that has an area in
/// plan by the constrained Delaunay triangles of its loops, over its own vertices, facing
/// its way and carrying its outside data; facets without plan area are left.
void TriangulateInPlan(G3Surface* s);

/// The rim edges of s (fewer than two facets), each from the vertex its facet walks it
/// from, in the order of the edge list.
struct RimEdge {
    G3Vertex* from;
    G3Vertex* to;
    G3Edge* edge;
};
std::vector<RimEdge> Rim(const G3Surface* s);
/// The same over the listed facets only.
std::vector<RimEdge> Rim(const std::vector<G3Facet*>& facets);
/// Chains rim edges into closed loops (each a list of start vertices); false when a
/// vertex starts or ends other than exactly one rim edge, or a chain does not close.
bool RimLoops(const std::vector<RimEdge>& rim, std::vector<std::vector<G3Vertex*>>* loops);

/// Finds the facet of a sheet that contains a plan point, through a uniform grid over
/// the facets' plan boxes. Holds the facets' loops; does not keep the sheet.
class FacetLocator {
public:
    explicit FacetLocator(const G3Surface* s);
    /// A facet whose outline (holes excluded) contains (x, y) in plan, or null.
    const G3Facet* Find(double x, double y) const;
    bool Contains(double x, double y) const { return Find(x, y) != nullptr; }
    /// Whether a triangle lying wholly on the sheet or wholly off it lies on it: most of
    /// four points inside it (its centroid and three points towards its corners) are
    /// covered, so a point that falls on an edge of the sheet does not decide.
    bool ContainsTriangle(const double* a, const double* b, const double* c) const;

private:
    struct Item {
        const G3Facet* facet;
        double box[4];              // x0, y0, x1, y1
        std::vector<double> xy;     // every loop's points, loop after loop
        std::vector<int> loopEnds;  // index (in points) after each loop
    };
    std::vector<Item> m_Items;
    std::vector<std::vector<int>> m_Cells;
    double m_Box[4] = {0, 0, 0, 0};
    int m_Nx = 0, m_Ny = 0;
    double m_Cx = 1, m_Cy = 1;
};

}  // namespace pkterrain
