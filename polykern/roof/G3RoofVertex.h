#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GPooled.h"
#include "polykern/model/G3Obj.h"

/// A corner of a roof outline or of a roof polygon. Outlines are circular doubly linked
/// lists: walking the next links from any vertex visits the loop once and returns to it.
/// The pitch and plane belong to the edge from the previous vertex to this one.
class POLYKERN_API G3RoofVertex : public G3Obj {
    PK_DECLARE_POOL(G3RoofVertex)

public:
    /// A lone vertex (linked to itself) at xyz with the pitch angle in radians.
    G3RoofVertex(const double* xyz, double pitch, int section);
    /// A copy of the position, pitch, plane, plane index and section; linked to itself.
    explicit G3RoofVertex(const G3RoofVertex* source);
    G3RoofVertex(const G3RoofVertex&) = delete;
    G3RoofVertex& operator=(const G3RoofVertex&) = delete;

    double* GetXYZ() { return m_Coo; }
    const double* GetXYZ() const { return m_Coo; }
    double GetX() const { return m_Coo[0]; }
    double GetY() const { return m_Coo[1]; }
    double GetZ() const { return m_Coo[2]; }
    void SetXYZ(const double* xyz);
    double GetPitch() const { return m_Pitch; }
    void SetPitch(double radians) { m_Pitch = radians; }
    const double* GetPlane() const { return m_Plane; }
    void SetPlane(const double* plane);
    G3RoofVertex* GetPrev() const { return m_Prev; }
    G3RoofVertex* GetNext() const { return m_Next; }
    void SetPrev(G3RoofVertex* v) { m_Prev = v; }
    void SetNext(G3RoofVertex* v) { m_Next = v; }
    int GetPlaneIndex() const { return m_PlaneIndex; }
    void SetPlaneIndex(int i) { m_PlaneIndex = i; }
    int GetSection() const { return m_Section; }
    void SetSection(int s) { m_Section = s; }

    /// Links v after this vertex.
    void InsertAfter(G3RoofVertex* v);
    /// Takes this vertex out of its loop (linking its neighbours) and leaves it alone.
    void Unlink();
    /// The number of vertices of the loop; 0 for null, and at most `limit` + 1 counted on a
    /// loop that does not close within `limit` steps.
    static int CountLoop(const G3RoofVertex* first, int limit = 1 << 24);
    /// Releases every vertex of the loop through `first` (nothing for null).
    static void DeleteLoop(G3RoofVertex* first);
    /// A copy of the whole loop; null for null.
    static G3RoofVertex* CopyLoop(const G3RoofVertex* first);
    /// Reverses the loop's direction by swapping every vertex's links.
    static void ReverseLoop(G3RoofVertex* first);
    /// Twice the signed plan area (positive counter-clockwise).
    static double SignedArea2(const G3RoofVertex* first);

private:
    double m_Coo[3] = {0, 0, 0};
    double m_Pitch = 0.0;
    double m_Plane[4] = {0, 0, 0, 0};
    G3RoofVertex* m_Prev = nullptr;
    G3RoofVertex* m_Next = nullptr;
    int m_PlaneIndex = -1;
    int m_Section = 0;
};
