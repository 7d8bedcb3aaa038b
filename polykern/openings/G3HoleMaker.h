#pragma once

#include <array>
#include <vector>

#include "polykern/PolykernExport.h"

class G3Facet;
class G3Point;
class G3QuadraSurfaceTree;
class G3RayTraceMetricResult;
class G3Surface;
class G3Vertex;
class GArrayCollection;

/// Cuts openings (stair wells, shafts, skylights) through a sheet-like surface with two
/// faces, such as a thick roof or a slab. Each opening is an outline and a direction: the
/// outline is projected along the direction onto the face it enters and the face it
/// leaves, both faces get the opening as a hole (each pierced face is rebuilt once, with
/// every hole it gets and the loops it had), and side walls join the two hole outlines.
/// The rebuilt faces keep their extended data (roof tags and materials included); the side
/// walls carry no roof tag and take the material of the face the opening enters (the
/// current material when that face has none). Not copyable.
class POLYKERN_API G3HoleMaker {
public:
    /// Works on `surface` (not owned; may be null, which makes nothing).
    explicit G3HoleMaker(G3Surface* surface);
    ~G3HoleMaker();
    G3HoleMaker(const G3HoleMaker&) = delete;
    G3HoleMaker& operator=(const G3HoleMaker&) = delete;

    /// Stores a copy of the outline (G3Point elements, vertices included) and of the
    /// direction, scaled to unit length. False, nothing stored, for fewer than three
    /// distinct points, a non-finite coordinate, an element that is no point, a direction
    /// shorter than 1e-6, or an outline with no area seen along the direction.
    bool AddHoleContour(GArrayCollection* outline, G3Point* direction);
    /// The same for n points at xyz[3k] and a direction of three doubles.
    bool AddHoleContour(int n, const double* xyz, const double* direction);
    /// Cuts every stored opening into the surface as it is now and forgets them all, so a
    /// second call changes nothing. An opening whose points do not all pass through the
    /// same two faces (or miss the surface), or whose hole would touch another hole or the
    /// face's boundary, is skipped; the others are made. The number made.
    int MakeHoles();

    /// Openings stored and not yet made.
    int GetHoleContourCount() const { return static_cast<int>(m_Openings.size()); }
    /// Openings the last MakeHoles skipped.
    int GetSkippedCount() const { return m_Skipped; }

protected:
    using Point3 = std::array<double, 3>;

    /// One stored opening and, once traced, where it passes through the surface.
    struct Opening {
        std::vector<Point3> outline;  // counter-clockwise seen against the direction
        Point3 direction{};           // unit length
        G3Facet* entry = nullptr;
        G3Facet* exit = nullptr;
        std::vector<Point3> entryPoints;  // the outline projected onto each face
        std::vector<Point3> exitPoints;
        std::vector<G3Vertex*> entryVertices;
        std::vector<G3Vertex*> exitVertices;
        bool entryFacesBack = true;  // the entry face's normal points against the direction
        int entryMaterial = 0;       // read before the entry face is rebuilt
        bool rejected = false;
    };
    /// One pierced face and the openings that pass through it.
    struct PiercedFacet {
        G3Facet* facet = nullptr;
        std::vector<int> openings;  // indices into the opening list
        std::vector<bool> isEntry;  // per opening: whether it enters through this face
    };

    /// Traces every opening and groups the openings by pierced face, each face once.
    void FillHoleDataList(std::vector<Opening>& openings, std::vector<PiercedFacet>& faces);
    /// Finds the face each outline point's ray enters first and leaves last, and the
    /// projected points; false when they are not the same two faces for every point.
    bool SurfaceGetFacetForHole(Opening& o,
                                double length,
                                const G3QuadraSurfaceTree& tree,
                                GArrayCollection* candidates,
                                G3RayTraceMetricResult* hits) const;
    /// Rejects the openings whose hole on `face` would touch or cross another hole, the
    /// face's outline, or itself (later openings give way to earlier ones).
    void RejectConflicts(std::vector<Opening>& openings, const PiercedFacet& face) const;
    /// Rebuilds the face with its loops and the holes of its accepted openings.
    void ReplaceFacet(std::vector<Opening>& openings, const PiercedFacet& face);
    /// The side walls of one opening, between its entry and exit vertices.
    void AddWalls(const Opening& o);

private:
    G3Surface* m_Surface;
    std::vector<Opening> m_Openings;
    int m_Skipped = 0;
};
