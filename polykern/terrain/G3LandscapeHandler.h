#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/triangulation/G3TriInterface.h"

class G3Facet;
class G3Surface;
class GArrayCollection;

/// Builds and edits terrains: a triangulator of surveyed points and break lines (its base)
/// that also keeps closed outline contours, levels them into a terrain as flat pads with a
/// sloped band around them, closes a terrain into a solid and smooths it. All work is in
/// plan (x, y) with z as height. Every terrain it hands back faces up. Not copyable.
class POLYKERN_API G3LandscapeHandler : public G3TriInterface {
public:
    /// Called with 1 before and 0 after each bulk addition of facets to a caller's surface.
    using BatchNotify = void (*)(int);
    /// Sorts a facet for edge visibility in SurfaceCover: 0 for a terrain facet.
    using FacetKind = int (*)(G3Facet*);

    /// No contours, offset distance 0, no callbacks.
    G3LandscapeHandler();
    /// Releases every contour and the contour being entered.
    ~G3LandscapeHandler() override;
    G3LandscapeHandler(const G3LandscapeHandler&) = delete;
    G3LandscapeHandler& operator=(const G3LandscapeHandler&) = delete;

    // Outline contours.

    /// Starts a new contour; one started before and not ended is released.
    void StartContour();
    /// Appends (x, y, z) to the contour being entered, unless it equals the last point
    /// (within 1e-6) or a coordinate is not finite. Without a current contour, nothing.
    void AddContourVertex(double x, double y, double z);
    /// Stores the current contour, clockwise in plan and implicitly closed (a final point
    /// equal to the first is dropped). False, nothing stored, for fewer than three points,
    /// no area or a self-crossing outline. The current contour is null afterwards.
    bool EndContour();
    /// Releases every stored contour.
    void ClearContours();
    /// The stored contours (each a collection of G3Point, owned by the handler).
    GArrayCollection* GetContours() const { return m_Contours; }
    /// How many contours are stored.
    int GetContourCount() const;
    /// True when (x, y) lies inside at least one contour of `contours` (each taken as
    /// closed, by crossing parity). False for null.
    static bool PointInContour(GArrayCollection* contours, double x, double y);
    /// Appends to `result` the outline of the closed `contour` moved by `distance` along
    /// the left normal of each side (outwards for a clockwise contour), closed by a copy of
    /// its first point; corners whose moved sides do not meet are dropped, and nothing is
    /// appended when none meet. The new points belong to the caller. False for null.
    static bool OffsetContour(GArrayCollection* contour, GArrayCollection* result, double distance);

    /// The width of the band that blends a flat region into the terrain.
    void SetOffsetDistance(double d) { m_OffsetDistance = d; }
    double GetOffsetDistance() const { return m_OffsetDistance; }
    void SetBatchNotify(BatchNotify f) { m_pfnBatchNotify = f; }
    void SetFacetKind(FacetKind f) { m_pfnFacetKind = f; }

    // Terrain editing.

    /// A new terrain (owned by the caller) in which every stored contour is levelled to
    /// the heights of its points and blended into `terrain` over a band of the offset
    /// distance, within the terrain's footprint. Null for a null terrain, no contours, an
    /// offset below 0.0001 in magnitude, a terrain without edges, a contour whose band lies
    /// wholly off the terrain, or a failed cut. `terrain` is not changed; the stored
    /// contours are replaced by their densified copies.
    G3Surface* ApplyFlatRegion(G3Surface* terrain);
    /// Closes the terrain in place into a solid: a wall from every rim edge down to z = 0
    /// and a bottom there, every facet facing out. Nothing is done for a null terrain, no
    /// rim, or a rim that is not one simple loop.
    void SurfaceCover(G3Surface* terrain);
    /// Gives the surface vertex each triangulator vertex became at the last GetSurface the
    /// vertex's carried data (G3TVertex::exData), unless that surface vertex holds data
    /// already (a welded duplicate hands its data to the survivor when the survivor has
    /// none). Only live vertices are touched.
    void CopyExtData();

    // Smoothing; every method leaves the source as it was and hands back a new surface
    // owned by the caller, or null for a null or empty source.

    /// One pass of curved 1-to-4 subdivision of every facet (each triangulated first).
    G3Surface* SmoothSurface(G3Surface* source);
    /// One pass of face-centre insertion with Delaunay re-triangulation over the source's
    /// own plan footprint.
    G3Surface* SmoothSurfaceEx(G3Surface* source);
    /// One pass with slope records: mode 3 inserts face centres, mode 4 edge midpoints;
    /// rim midpoints are inserted in every mode.
    G3Surface* SecondOrderSmoothSurface(G3Surface* source, int mode);
    /// Delaunay re-triangulation of the source's vertices, then 1-to-4 splits with
    /// predicted midpoints to the given depth (at least one).
    G3Surface* SecondOrderSmoothSurfaceEx(G3Surface* source, int depth);
    /// `passes` passes of mode 1 (SmoothSurface), 2 (SmoothSurfaceEx) or 3 and 4
    /// (SecondOrderSmoothSurface) over a copy of the source; another mode, or no pass,
    /// answers the copy. The copy carries no vertex data.
    G3Surface* LandscapeSmoothing(G3Surface* source, int mode, int passes);

private:
    // A copy of the terrain, facing up, with one contour levelled in; null when its band
    // misses the terrain or the cut fails.
    G3Surface* LevelContour(G3Surface* source, GArrayCollection* contour, double average);

    GArrayCollection* m_Contours;
    GArrayCollection* m_CurrentContour = nullptr;
    double m_OffsetDistance = 0.0;
    BatchNotify m_pfnBatchNotify = nullptr;
    FacetKind m_pfnFacetKind = nullptr;
};
