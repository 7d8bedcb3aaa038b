#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GObj.h"

class G3RoofVertex;
class GArrayCollection;

/// One element of a pitch list: an angle in radians.
class POLYKERN_API G3RoofAngle : public GObj {
public:
    explicit G3RoofAngle(double radians) : m_Angle(radians) {}
    double GetAngle() const { return m_Angle; }

private:
    double m_Angle;
};

/// One roof plane: its coefficients, its pitch angle (radians) and the polygons that lie in
/// it (first vertices of loops, owned by the plane).
class POLYKERN_API G3RoofPitch : public GObj {
public:
    G3RoofPitch(const double* plane, double pitch);
    /// Releases the polygons.
    ~G3RoofPitch() override;
    G3RoofPitch(const G3RoofPitch&) = delete;
    G3RoofPitch& operator=(const G3RoofPitch&) = delete;

    const double* GetPlane() const { return m_Plane; }
    double GetPitch() const { return m_Pitch; }
    /// Above π/2 − 1e-7: a gable wall, which makes no roof facets.
    bool IsVertical() const;
    int GetPolygonCount() const;
    /// Polygon i; null outside the list.
    G3RoofVertex* GetPolygon(int i) const;
    /// Takes ownership of the loop through `first`.
    void AddPolygon(G3RoofVertex* first);
    /// Releases every polygon.
    void ClearPolygons();
    /// Stores `first` (owned) at index i in place of the polygon there, which is released.
    void SetPolygon(int i, G3RoofVertex* first);

private:
    double m_Plane[4];
    double m_Pitch;
    GArrayCollection* m_Polygons;
};
