#pragma once

#include <vector>

#include "polykern/PolykernExport.h"
#include "polykern/triangulation/G3TEdge.h"

class G3Surface;
class G3TMesh;
struct G3TVertex;

/// Triangulates 3D points in a plane: each point is projected on two axes, the projected
/// points are triangulated (Delaunay, with constraint edges forced in), and the triangles
/// come back as a surface whose vertices keep their distance from the plane, so that
/// surveyed points with heights give a terrain. Not copyable.
class POLYKERN_API G3TriInterface {
public:
    /// Option codes of MakeTriangulation; every code gives the same result.
    enum BasicOptions { BASIC_OPTION_CONSTRAINED = 0, BASIC_OPTION_1 = 1, BASIC_OPTION_4 = 4 };

    /// An empty triangulation in the plane of the x and y axes.
    G3TriInterface();
    /// Releases the mesh (every vertex, edge and triangle) and the constraint records.
    virtual ~G3TriInterface();
    G3TriInterface(const G3TriInterface&) = delete;
    G3TriInterface& operator=(const G3TriInterface&) = delete;

    /// Uses the two axes as given (pass them orthonormal) and their cross product as the
    /// normal. Call before the first AddVertex; null axes change nothing.
    void Set2DPlane(const double* axis1, const double* axis2);
    /// A vertex for the point (u = p·axis1, v = p·axis2, w = p·normal), owned by the
    /// triangulation; null for a null or non-finite point. Points that coincide in (u, v)
    /// within 1e-8 all become vertices, but only the first takes part in triangles.
    G3TVertex* AddVertex(const double* point);
    /// Records a constraint edge a–b, forced into the triangulation by MakeTriangulation.
    /// Null vertices are ignored.
    void AddEdge(G3TVertex* a, G3TVertex* b);
    /// Triangulates the vertices (once) and inserts the constraints in the order given. A
    /// constraint through vertices lying on it is split at them; one that would cross an
    /// earlier constraint stops there; one of zero length is ignored. False when the
    /// triangulation was made before or the input defeats the tolerant predicates.
    bool MakeTriangulation(BasicOptions option = BASIC_OPTION_CONSTRAINED);
    /// A new surface (owned by the caller) of the triangles, counter-clockwise seen from the
    /// normal's side, over every vertex in the order added; coincident vertices are merged.
    G3Surface* GetSurface();
    /// The same, filling `target` (returned; null for null).
    G3Surface* GetSurface(G3Surface* target);
    /// True for every code.
    bool option(BasicOptions) const { return true; }

    /// The engine behind the interface.
    G3TMesh* GetMesh() { return m_Mesh; }
    /// The constraint edges recorded by AddEdge, in order.
    int GetConstraintCount() const { return static_cast<int>(m_Constraints.size()); }
    /// How many constraints went in whole at the last MakeTriangulation.
    int GetInsertedConstraintCount() const { return m_Inserted; }

private:
    G3TMesh* m_Mesh;
    double m_Axis1[3] = {1, 0, 0};
    double m_Axis2[3] = {0, 1, 0};
    double m_Normal[3] = {0, 0, 1};
    std::vector<G3TEdge> m_Constraints;  // made with no mesh; released with the interface
    int m_Inserted = 0;
};
