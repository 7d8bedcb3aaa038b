#pragma once

#include "polykern/PolykernExport.h"

class CExDataProvider;
class G3Facet;
class G3Surface;
class GArrayCollection;

/// Builds simple closed surfaces (a box standing for a half-space, UV spheres and
/// hemispheres) and the inner offset shell of a solid. Every surface it makes faces
/// outward: rings run counter-clockwise seen from outside, and planes and vertex normals
/// point out. The class holds no data and is never instantiated.
class POLYKERN_API G3SolidsBuilder {
public:
    /// The box [−s, s] × [−s, s] × [0, 2s] moved by m (row vectors), outward whatever the
    /// handedness of m. A new surface the caller owns; empty for a size that is not a
    /// positive finite number or for a non-finite or flattening matrix. The provider is
    /// not used.
    static G3Surface* BuildBox(double m[4][4], double size, CExDataProvider* provider);
    /// A closed UV sphere of n segments (n + 1 when n is odd) and n/2 bands, poles
    /// welded. A new surface the caller owns; empty for a radius below 1e-6, n below 4, a
    /// non-finite centre or radius, or a size beyond the vertex limit.
    static G3Surface* BuildSphere(double center[3], double radius, int segments);
    /// A sphere of `rings` vertex rows (poles included), or the upper (lower with
    /// lowerHalf) hemisphere of rings/2 + 1 rows closed by a flat facet over the equator,
    /// with smooth normals when asked; skipCleanup leaves the pole copies unwelded. False,
    /// *out null, for a radius below 1e-6, fewer than 3 rings or segments, a non-finite
    /// centre or radius, or a size beyond the vertex limit.
    static bool BuildSphere(double center[3],
                            double radius,
                            int rings,
                            int segments,
                            int hemisphere,
                            bool averageNormals,
                            G3Surface** out,
                            bool skipCleanup,
                            bool lowerHalf);
    /// The inner shell of a closed outward solid, `thickness` model units inside every
    /// facet that is not listed in openFacets (those keep their plane, and the shell's
    /// walls end on it). The shell faces the cavity, so the solid and its shell together
    /// bound the material. *out gets a new surface the caller owns; false, *out null, for
    /// a null argument, a thickness that is not positive and finite, or a shell left
    /// without facets (an offset thicker than the solid). The solid keeps its geometry,
    /// vertex links and flags, except mark 1 of its facets, which is left clear.
    static bool Shell(G3Surface* solid,
                      G3Surface** out,
                      double thickness,
                      GArrayCollection* openFacets);

private:
    G3SolidsBuilder() = default;

    // Adds to `out` the shell facet of a solid facet, over the corners of its vertices
    // (made once per vertex and kept in the vertex's link while the shell is built), its
    // loops running the other way. Null for an open (mark 1) facet or a missing corner.
    static G3Facet* ShellFacet(G3Facet* facet, G3Surface* out, double thickness);
    // The facet's plane moved `thickness` into the material; an open facet keeps its own.
    static void CalcNewPlaneEquation(G3Facet* facet, double thickness, double plane[4]);
    // Marks (mark 2) and appends the piece of the surface connected to `facet` across
    // edges that join exactly two facet sides.
    static void AddLump(G3Facet* facet, GArrayCollection* lump);
};
