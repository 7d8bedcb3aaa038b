// The planar region engine behind the contour divider and the contour intersector.

#pragma once

#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

class G3Edge;
class G3Surface;
class G3Vertex;
class GArrayCollection;

/// Resolves contours loaded in a coordinate plane into the simple contours that bound the
/// region they cover. Every edge is split where it meets another, so that the loaded
/// edges form a planar graph; each side of each graph edge is then told covered or not by
/// casting a ray from it, and the graph edges with the covered region on one side only
/// are the boundary, which is traced into contours. Internal to the kernel.
/// Invariant after Resolve: no two result contours cross; they may touch at a vertex.
class G3RegionBoolean {
public:
    /// How the loaded contours make up the covered region. Within each contour a point is
    /// inside when a ray from it crosses the contour an odd number of times.
    enum Rule {
        /// Covered when inside any contour.
        RULE_UNION = 0,
        /// Contours whose outlines meet (cross, overlap or touch) form a group whose region
        /// is the union of theirs; a point is covered when it lies in the regions of an odd
        /// number of groups, so a group lying inside another cuts a hole out of it.
        RULE_NESTED = 1
    };

    /// Works on the axes i (x) and j (y) of the points; the third coordinate is carried
    /// along. Points closer than `tolerance` in the plane become one vertex.
    G3RegionBoolean(int i, int j, double tolerance);
    G3RegionBoolean(const G3RegionBoolean&) = delete;
    G3RegionBoolean& operator=(const G3RegionBoolean&) = delete;

    /// Starts the next contour; the edges added from now on belong to it.
    void BeginContour();
    /// Adds the edge p → q (three doubles each) to the current contour, with the caller's
    /// tag. False, keeping nothing, for a non-finite or huge coordinate, an edge shorter
    /// than the tolerance in the plane, or bad axes.
    bool AddEdge(const double* p, const double* q, int tag);
    /// Edges kept so far.
    int GetEdgeCount() const { return static_cast<int>(m_Edges.size()); }
    /// Contours begun so far.
    int GetContourCount() const { return m_ContourCount; }

    /// Makes the boundary of the covered region by `rule` in `work` (new vertices and
    /// edges) and traces it into contours appended to `out` (the caller owns them; their
    /// edges run over work's vertices, with flags 0, and `flags` are the lists' facet
    /// flags). Every contour runs with the covered region on its left in the (i, j)
    /// projection: outer boundaries counter-clockwise, holes clockwise. Returns the number
    /// appended.
    int Resolve(Rule rule, G3Surface* work, int32_t flags, GArrayCollection* out);
    /// The tag of the loaded edge a result edge lies on; −1 for an edge between vertices
    /// that the resolution did not join (a bridge made later).
    int GetTagOf(const G3Edge* e) const;
    /// The loaded point at the result vertex v, as 2·tag + 0 for the start of the edge
    /// loaded with that tag or 2·tag + 1 for its end; −1 for a vertex made where edges
    /// cross.
    int GetPointOf(const G3Vertex* v) const;

private:
    struct Point {
        double xyz[3];
    };
    struct Edge {
        int from, to;  // loaded point indices
        int contour;
        int tag;
    };
    struct GraphEdge {
        int a, b;  // graph vertices
        int tag;   // of the first loaded edge on it
        // (contour, times it runs along the edge), once per contour
        std::vector<std::pair<int, int>> owners;
    };

    // Splits every loaded edge where another meets it and builds the graph of the pieces.
    void BuildGraph();
    int SnapVertex(const double* xyz, int point);
    void SortVertexFans();
    // Whether the region left of half-edge h (graph edge h / 2, run forward for even h) is
    // covered.
    bool IsLeftCovered(int h, Rule rule);
    void FormGroups();

    int m_X, m_Y;
    double m_Tol;
    int m_ContourCount = 0;
    std::vector<Point> m_Points;  // two per loaded edge
    std::vector<Edge> m_Edges;

    // The graph.
    std::vector<Point> m_Vertices;
    std::vector<int> m_VertexPoint;  // the loaded point a vertex was made for, or −1
    std::unordered_map<uint64_t, std::vector<int>> m_Cells;
    std::vector<GraphEdge> m_Graph;
    std::vector<std::vector<int>> m_Fans;  // per vertex: half-edges leaving it, by angle
    std::vector<int> m_FanPosition;        // per half-edge: its place in its fan
    std::vector<int> m_Group;              // per contour

    // Ray casting.
    std::vector<std::vector<int>> m_Rows, m_Columns;
    double m_Low[2] = {0, 0}, m_Step[2] = {1, 1};
    std::vector<uint8_t> m_Parity;
    std::vector<int> m_Touched, m_GroupCount;

    // Result lookups.
    struct Made {
        int tag;
        int from;  // the work vertex id the edge leaves, covered region on its left
    };
    std::unordered_map<uint64_t, Made> m_Made;  // by the two work vertex ids
    std::vector<int> m_PointOfWorkVertex;
};
