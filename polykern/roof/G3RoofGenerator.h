#pragma once

#include <map>
#include <tuple>

#include "polykern/PolykernExport.h"
#include "polykern/roof/G3RoofTags.h"

class G3Facet;
class G3Obj;
class G3Point;
class G3RoofPitch;
class G3RoofVertex;
class G3Surface;
class G3Vertex;
class GArrayCollection;

/// Builds the facets of a roof over a building outline into a roof surface it does not own:
/// each outline edge rises inwards at its pitch, edges on one plane share one roof plane,
/// and every facet carries its section number (from 1) and facet type as a roof tag.
/// Lengths in model units, angles in radians. Not copyable.
class POLYKERN_API G3RoofGenerator {
public:
    /// `first` is kept but unused; a thickness above 1e-7 makes a thick roof; a positive
    /// overhang drops the eaves that far below the outline.
    G3RoofGenerator(G3Surface* roofSurface, double first, double thickness, double overhang);
    /// Releases every outline and roof plane.
    ~G3RoofGenerator();
    G3RoofGenerator(const G3RoofGenerator&) = delete;
    G3RoofGenerator& operator=(const G3RoofGenerator&) = delete;

    /// Builds a clockwise outline from G3Point elements and one G3RoofAngle per point
    /// (angle i for the edge from point i to point i + 1 as entered), registered in the
    /// outline list. False for null lists, counts that differ, a non-finite coordinate, a
    /// pitch outside (1e-7, π/2 + 1e-7], fewer than 3 corners after the clean-up, or an
    /// outline that crosses or touches itself.
    bool PrepareContour(GArrayCollection* points, GArrayCollection* pitches, G3RoofVertex** first);
    /// The outline at height −overhang below `outline` whose edges lie on the same roof
    /// planes; a collinear corner where the pitch changes gets a step edge. Registered in
    /// the outline list; null on a degenerate edge or a null outline.
    G3RoofVertex* MakeOverhangContour(G3RoofVertex* outline);
    /// A new outline of the edges moved outwards by `distance` (and heights changed by
    /// −distance·tan(angle), or +distance for a flat angle). False (nothing made) for a null
    /// outline or two parallel neighbouring edges. The caller owns *result.
    static bool Offset(G3RoofVertex* outline, double angle, double distance, G3RoofVertex** result);
    /// Computes every edge's roof plane and files each edge under its roof plane. False on a
    /// degenerate edge or a null outline.
    bool FirstLevelInitialization(G3RoofVertex* outline);
    /// The index of the first roof plane equal to `plane` within 1e-7, or −1.
    int GetPitchIndex(const double* plane) const;
    /// A new roof plane of v's edge; its index.
    int MakeDefaultPitch(G3RoofVertex* v);
    /// Files v's edge under the roof plane `index`; answers it, or −1 outside the list.
    int AddToExistPitch(G3RoofVertex* v, int index);
    /// Finds the roof planes' polygons over `outline` (its straight skeleton), in place of
    /// those of an earlier build; the generator keeps the outline and releases it with the
    /// others. False when the outline has no roof or the faces do not cover it once.
    bool MakeRoofEx(G3RoofVertex* parent, G3RoofVertex* outline);
    /// Builds the roof over an initialised outline and writes its facets. With a thickness,
    /// the underside is also copied into `target` (null: no copy) and the top written above
    /// it. False when the build fails or `target` is the roof surface itself.
    bool MakeRoof(G3RoofVertex* outline, G3Surface* target);
    /// Adds one facet through the polygon in next-link order, raised by dz, with `flags`;
    /// null without a roof surface or for a degenerate polygon.
    G3Facet* FacetAddEx(G3RoofVertex* polygon, int flags, int flagArgument, double dz);
    /// The same for `count` points given as x, y, z triples.
    void FacetAdd(int flags, int count, double* points, int flagArgument);
    /// Fascia strips, the thickness high, along the edges of `surface` that lie on gable
    /// walls, facing outwards. False without surfaces, planes or thickness.
    bool MakeFasciaFacets(G3Surface* surface);
    /// Texture coordinates along each roof facet's horizontal (s) and up its slope (t), in
    /// model units. False without a roof surface or facets.
    bool GenerateTexCoo();
    /// Releases the earlier outlines and planes, then prepares, initialises and builds a
    /// roof over the new input (without the copy of a thick roof's underside).
    bool Regen(GArrayCollection* points, GArrayCollection* pitches);
    /// Releases every outline and roof plane and clears both lists.
    void DeleteRoofVertices();
    /// Removes corners that do not change the outline (coincident with a neighbour, or
    /// collinear with both where the pitch does not change) and sets *firstOut (null when
    /// fewer than 3 are left, the rest released).
    void DeleteUselessVertices(G3RoofVertex* first, G3RoofVertex** firstOut);
    /// 1 clockwise, −1 counter-clockwise, 0 without area, from the signed plan area.
    int GetClockWiseDirection(G3RoofVertex* first);
    static int GetClockWiseDirection(GArrayCollection* points);

    /// The section number of a roof facet; 0 without a roof tag.
    static int GetFacetIndex(G3Obj* facet);
    /// The ROOF_FACET_TYPE of a roof facet; 0 without a roof tag.
    static int GetFacetType(G3Obj* facet);
    /// The first facet of the type with an edge between a and b (either way, 1e-7); false
    /// when none or on null input.
    static bool GetFacetbyEdge(
        G3Point* a, G3Point* b, G3Surface* s, ROOF_FACET_TYPE type, G3Facet** out);
    /// The first facet of the type whose plan covers p and whose plane passes within 1e-7
    /// of it; false when none.
    static bool GetFacetbyPoint(G3Point* p, G3Surface* s, ROOF_FACET_TYPE type, G3Facet** out);
    /// A point inside the first facet of that section and type (its corners' centre);
    /// false when none.
    static bool GetFacetbyPoint(G3Surface* s, int sectionId, ROOF_FACET_TYPE type, G3Point* out);
    /// The least and the greatest section number of the facets of `type` that share an edge
    /// with a facet of `sectionId`; false (both 0) when there is none.
    static bool GetNeighboringFacetID(
        G3Surface* s, int sectionId, int type, int& lowest, int& highest);

    int GetPitchCount() const;
    /// Roof plane i; null outside the list.
    G3RoofPitch* GetPitch(int i) const;
    int GetOutlineCount() const;
    G3Surface* GetRoofSurface() const { return m_RoofSurface; }
    double GetThickness() const { return m_Thickness; }
    double GetOverhang() const { return m_Overhang; }

private:
    bool ComputePlanes(G3RoofVertex* outline) const;
    G3Vertex* VertexAt(const double* xyz);
    G3Facet* AddRing(int n, const double* xyz, bool reverse, double dz);
    void CacheVertices();
    int StepPitch(const double* plane, int section);

    double m_First;
    double m_Thickness;
    double m_Overhang;
    int m_Reserved = 0;
    GArrayCollection* m_Outlines;
    GArrayCollection* m_Pitches;
    G3Surface* m_RoofSurface;
    int m_Flag = 0;
    // The vertices of the roof surface by their exact coordinates while facets are written.
    std::map<std::tuple<double, double, double>, G3Vertex*> m_VertexCache;
    // The last overhang outline: its walls' heads lie the overhang above it.
    G3RoofVertex* m_OverhangOutline = nullptr;
};
