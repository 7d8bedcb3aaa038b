#pragma once

// The weighted straight skeleton of one clockwise outline, found by a priority queue of
// edge and split events. Each outline edge's wavefront moves inwards by `run` per unit of
// height (1 / tan(pitch); 0 for a vertical gable wall, which stays where it is). Works in
// the caller's coordinates, which should be local to the outline (its centre at 0).

#include <array>
#include <vector>

#include "polykern/roof/G3RoofEdgeGrid.h"

/// One wavefront line: through a with unit direction d, the inside on its right (n), moving
/// along n by `run` per unit of height. `source` is the outline edge it came from, or −1
/// for a step edge that joins two collinear edges of different pitch.
struct G3RoofSkeletonEdge {
    double a[2];
    double d[2];
    double n[2];
    double run;
    int source;
    int along;  // for a step edge: the outline edge whose end it starts at
};

/// The skeleton's output: for every wavefront line, the face it sweeps, as a clockwise ring
/// of (x, y, height) corners without repeated corners.
class G3RoofSkeleton {
public:
    using Corner = std::array<double, 3>;
    using Ring = std::vector<Corner>;

    /// Builds the faces of the outline xy (x0, y0, x1, y1, … clockwise, no repeated point)
    /// whose edge i, from point i to point i + 1, moves by run[i]. Collinear neighbours of
    /// different run that meet at `wallHeight` (the wall heads, above an overhang) are
    /// joined by a vertical step edge. False for fewer than 3
    /// points, a zero-length edge, a loop that does not close up, or faces that do not
    /// close.
    bool Build(const std::vector<double>& xy, const std::vector<double>& run, double wallHeight);

    int GetEdgeCount() const { return static_cast<int>(m_Edges.size()); }
    const G3RoofSkeletonEdge& GetEdge(int i) const { return m_Edges[i]; }
    /// The rings of edge i's face (usually one; none for a face that shrank to nothing).
    const std::vector<Ring>& GetFaces(int i) const { return m_Faces[i]; }
    /// The highest corner reached.
    double GetTopHeight() const { return m_Top; }

    // A vertex of the wavefront: between its left and right edge, at p at height h0,
    // moving by v per unit of height; it ends at node `end` when an event takes it.
    struct Vertex {
        int left, right, prev, next;
        int start, end;
        double p[2];
        double h0;
        double v[2];
        bool active, reflex, stuck, more;
        int split;  // next candidate in m_Splits
    };
    // kind 0: the edge a → b shrinks to a point; kind 1: vertex a runs into edge e.
    struct Event {
        double h;
        int kind;
        int a, b, e;
    };
    struct Segment {
        int from, to;
    };

private:
    bool Run();
    int AddNode(const double* p, double h);
    int AddVertex(int left, int right, const double* p, double h, int node);
    void Velocity(Vertex& v) const;
    void Position(const Vertex& v, double h, double* out) const;
    void PushEdgeEvent(int u, double now);
    void FindSplits(int v, double now);
    bool PushNextSplit(int v);
    bool HandleEdgeEvent(const Event& ev);
    bool HandleSplitEvent(const Event& ev);
    int LoopSize(int v, int limit) const;
    void FinishLoop(int v, double h);
    void Retire(int v, int node);
    void AfterNewVertex(int v, double now);
    void Zip(int v, double now, int side);
    bool CollectFaces();

    std::vector<G3RoofSkeletonEdge> m_Edges;
    std::vector<std::array<double, 3>> m_Nodes;
    std::vector<Vertex> m_Verts;
    std::vector<Event> m_Queue;
    std::vector<std::vector<int>> m_Pieces;     // per edge: vertices that started a piece of it
    std::vector<std::vector<Segment>> m_Extra;  // per edge: wavefront pieces left at the top
    std::vector<std::vector<std::pair<double, int>>> m_Splits;  // per vertex: candidates
    std::vector<std::vector<Ring>> m_Faces;
    G3RoofEdgeGrid m_Grid;
    double m_Box[4] = {0, 0, 0, 0};
    double m_Top = 0.0;
    double m_WallHeight = 0.0;
    int m_Active = 0;
};
