#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "polykern/PolykernExport.h"
#include "polykern/triangulation/G3TEdge.h"
#include "polykern/triangulation/G3TTriangle.h"
#include "polykern/triangulation/G3TVertex.h"

/// Vertices in blocks that never move, so that their addresses stay valid as more are
/// added, and few allocations are made.
class G3TVertexBlocks {
public:
    std::size_t size() const { return m_Count; }
    bool empty() const { return m_Count == 0; }
    G3TVertex& operator[](std::size_t i) { return m_Blocks[i >> kShift][i & kMask]; }
    const G3TVertex& operator[](std::size_t i) const { return m_Blocks[i >> kShift][i & kMask]; }
    /// Appends a default vertex and returns it.
    G3TVertex& emplace_back() {
        if ((m_Count >> kShift) == m_Blocks.size()) m_Blocks.emplace_back(new G3TVertex[kBlock]);
        return (*this)[m_Count++];
    }

private:
    static constexpr std::size_t kShift = 10;  // 1024 vertices: below the size malloc maps apart
    static constexpr std::size_t kBlock = std::size_t{1} << kShift;
    static constexpr std::size_t kMask = kBlock - 1;
    std::vector<std::unique_ptr<G3TVertex[]>> m_Blocks;
    std::size_t m_Count = 0;
};

/// The planar constrained Delaunay triangulator: vertices in (u, v), the Delaunay
/// triangulation of them by divide and conquer with alternating cuts, and constraint
/// segments forced in by flipping. Triangles are counter-clockwise in (u, v). Vertices
/// closer than 1e-8 in both u and v count as one: only the first of them takes part.
///
/// Triangles live in one array (index 0 is the outside triangle) and refer to each other
/// by oriented handles; vertices are numbered by their place in a sorted point array, so
/// that neighbouring triangles use neighbouring memory.
class POLYKERN_API G3TMesh {
public:
    G3TMesh();
    virtual ~G3TMesh();
    G3TMesh(const G3TMesh&) = delete;
    G3TMesh& operator=(const G3TMesh&) = delete;

    /// A new vertex at (u, v), owned by the mesh and appended to its vertex list; null for a
    /// non-finite coordinate. Vertices added after Triangulate take no part.
    virtual G3TVertex* AddVertex(double u, double v);
    /// A new constraint edge record a–b owned by the mesh; null when either is null.
    virtual G3TEdge* AddEdge(G3TVertex* a, G3TVertex* b);

    int GetVertexCount() const { return static_cast<int>(m_Vertices.size()); }
    /// Vertex i in the order added; null out of range.
    G3TVertex* GetVertex(int i);
    int GetEdgeCount() const { return static_cast<int>(m_Edges.size()); }
    /// Constraint edge i in the order marked; null out of range.
    G3TEdge* GetEdge(int i);

    /// Builds the Delaunay triangulation of every vertex added so far. False when it was
    /// built before, or when the input defeats the tolerant predicates (no triangles then).
    /// Fewer than three distinct points, or all of them collinear, give no triangles and
    /// true.
    bool Triangulate();
    /// Forces the segment a–b into the triangulation as a chain of edges marked as
    /// constraints with `mark`, split at the vertices lying on it. The insertion stops where
    /// it would cross an earlier constraint (the part before stays in). False when it
    /// stopped, or when a or b is null or not part of the triangulation; a segment of zero
    /// length is ignored (true).
    bool InsertSegment(G3TVertex* a, G3TVertex* b, int32_t mark);

    /// The triangles, in the order they were made.
    int GetTriangleCount() const { return static_cast<int>(m_Live.size()); }
    /// The corners of triangle i, counter-clockwise; false out of range.
    bool GetTriangle(int i, G3TVertex* corners[3]);
    /// The distinct points, sorted, that the triangles are made of.
    int GetPointCount() const { return static_cast<int>(m_Points.size()); }
    /// The vertex (its place in the vertex list) that sorted point p stands for; −1 out of
    /// range.
    int GetPointVertex(int p) const {
        return p >= 0 && p < GetPointCount() ? m_Points[static_cast<std::size_t>(p)].vertex : -1;
    }
    /// The corners of triangle i as sorted-point numbers, counter-clockwise; false out of
    /// range.
    bool GetTrianglePoints(int i, int out[3]) const;
    /// Numbers the edges of the triangles: entry 3i + k is the edge from corner k to corner
    /// k + 1 of triangle i (GetTriangle's order). The two triangles on an edge share its
    /// number; numbers count from 0 in the order of first use. Returns how many there are.
    int GetSideEdges(std::vector<int>& out) const;
    /// Whether side k (0..2, opposite corner k) of triangle i is a constraint.
    bool IsConstraintSide(int i, int k) const;
    /// Convex hull edges counted when the construction finished.
    int GetHullEdgeCount() const { return m_HullEdges; }
    /// Whether a and b are joined by an edge, and whether it is a constraint.
    bool HasEdge(const G3TVertex* a, const G3TVertex* b, bool* constraint = nullptr) const;

    /// Locates (u, v): 0 inside a triangle, 1 on an edge, 2 on a vertex, 3 outside the hull
    /// (or before Triangulate). *triangle receives the triangle's number in
    /// GetTriangle's order, or −1 outside.
    int Locate(double u, double v, int* triangle) const;

    /// True for code 0 (constraints are inserted by flipping); false otherwise.
    virtual bool option(int code) const { return code == 0; }

    /// The vertex whose position the triangulation uses for v (v itself, or the first
    /// vertex within the tolerance of it); null when v takes no part.
    G3TVertex* GetRepresentative(const G3TVertex* v) const;

    /// A distinct point of the triangulation: its coordinates and the vertex it stands for.
    struct SortedPoint {
        double u;
        double v;
        int32_t vertex;  // index into the vertex list
        /// For a point whose u or v lies within the tolerance of another point's without
        /// being equal, its entry in the builder's table of tie keys (0 for none), so that
        /// the cuts order such points as the predicates see them.
        int32_t tie;
    };

private:
    friend class G3TDelaunayBuilder;
    friend class G3TSegmentInserter;

    int32_t PositionOf(const G3TVertex* v) const;
    void LinkVertices();

    G3TVertexBlocks m_Vertices;
    std::deque<G3TEdge> m_Edges;
    std::vector<G3TTriangle> m_Triangles;   // [0] is the outside triangle
    std::vector<int32_t> m_SideEdges;       // 3 per triangle once a constraint is marked
    std::vector<int32_t> m_Live;            // the real triangles, in creation order
    std::vector<SortedPoint> m_Points;      // the distinct points, sorted
    std::vector<int32_t> m_Position;        // vertex -> its representative's point, or -1
    std::vector<uint32_t> m_PointTriangle;  // point -> a handle whose origin it is
    int m_HullEdges = 0;
    bool m_Built = false;
};
