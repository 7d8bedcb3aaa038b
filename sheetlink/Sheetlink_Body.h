#pragma once

#include <cstdint>

#include "sheetlink/FPOINT.h"
#include "sheetlink/SheetlinkExport.h"
#include "sheetlink/Sheetlink_Plane.h"

/// A body as a list of indexed planar polygons ("planes"), each with its own vertex ring,
/// colour, material and layer: the form in which bodies pass between host and plug-in.
/// Owns the plane array and every vertex array; vertex data passed in is always copied.
/// Copies are deep, so no two bodies ever own the same arrays. Nothing is thrown:
/// allocation failure shows as a 0 result, indices outside the planes as sentinel results.
class SHEETLINK_API Sheetlink_Body {
public:
    /// An empty body: no plane array, count 0.
    Sheetlink_Body() = default;
    /// An empty body, then CreatePlanes(count).
    explicit Sheetlink_Body(int count);
    /// Releases every plane's vertex array and the plane array.
    ~Sheetlink_Body();
    /// A deep copy; an empty body when memory runs out.
    Sheetlink_Body(const Sheetlink_Body& other);
    /// Replaces this body's planes by a deep copy of `other`'s; this body is left empty
    /// when memory runs out.
    Sheetlink_Body& operator=(const Sheetlink_Body& other);
    /// Takes `other`'s planes, leaving it empty.
    Sheetlink_Body(Sheetlink_Body&& other) noexcept;
    /// Releases this body's planes and takes `other`'s, leaving it empty.
    Sheetlink_Body& operator=(Sheetlink_Body&& other) noexcept;

    /// For count > 0, releases the planes held so far and allocates `count` planes with no
    /// vertices, colour 0, material 0 and layer 0; a count of 0 or less changes nothing.
    /// Returns 1 when the body now has planes, else 0 (the body is then empty).
    int CreatePlanes(int count);
    /// The plane count.
    int GetNumPlanes() const { return m_NumPlanes; }

    /// Makes a copy of `count` points the plane's vertex ring, releasing its earlier one;
    /// the caller keeps `points`. Returns 1 when the plane has the new ring, 0 (and changes
    /// nothing) for an index outside the planes, a negative count, null points with a
    /// positive count, or an allocation failure.
    int SetPointsForIndexedPlane(int index, int count, FPOINT* points);
    /// The plane's vertex count; -1 for an index outside the planes.
    int GetNumVerticesForIndexedPlane(int index) const;
    /// The plane's vertex array, owned by the body; null for an index outside the planes or
    /// a plane without vertices.
    FPOINT* GetVerticesForIndexedPlane(int index) const;

    /// Sets the plane's colour; an index outside the planes is ignored.
    void SetColorForIndexedPlane(int index, int color);
    /// The plane's colour; -1 for an index outside the planes.
    int GetColorForIndexedPlane(int index) const;
    /// Sets the plane's material index; an index outside the planes is ignored.
    void SetMaterialForIndexedPlane(int index, unsigned short material);
    /// The plane's material index; 0xFFFF for an index outside the planes.
    unsigned short GetMaterialForIndexedPlane(int index) const;
    /// Sets the plane's layer index; an index outside the planes is ignored.
    void SetLayerForIndexedPlane(int index, unsigned short layer);
    /// The plane's layer index; 0xFFFF for an index outside the planes.
    unsigned short GetLayerForIndexedPlane(int index) const;

private:
    bool IsPlane(int index) const { return index >= 0 && index < m_NumPlanes; }
    /// Releases every vertex array and the plane array; the body is empty afterwards.
    void Release();
    /// Makes this (empty) body a deep copy of `other`; false, with this body left empty,
    /// when memory runs out.
    bool CopyFrom(const Sheetlink_Body& other);

    Sheetlink_Plane* m_Planes = nullptr;
    int32_t m_NumPlanes = 0;
};
