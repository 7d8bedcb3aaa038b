#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GArrayCollection.h"
#include "polykern/foundation/GMemoryAllocator.h"

class G3IntersectionPointLoader;
class G3Segment;

/// Finds all crossings among segments projected onto the coordinate plane (x_i, x_j) by a
/// sweep along j. Touches count within 1e-6: an end lying inside another segment is
/// reported as a crossing at that end, while ends meeting ends are not reported. Owns its
/// segments (one arena, released at once). Not copyable.
///
/// Cost: O((n + k + m) log n) for k crossings and m pairs that come within about 1e-5 of
/// each other without crossing: the pairs to test come from sweeps that keep the segments in
/// their order across the sweep line, so long segments whose boxes overlap cost nothing
/// unless they meet. Crossings arrive in the order of a sweep testing every active pair.
class POLYKERN_API G3LineSegmentIntersector {
public:
    /// Projects onto (x_i, x_j) and sweeps along j. Axes outside 0 … 2, or i equal to j,
    /// give an intersector that keeps no segment (all three axes then read -1).
    G3LineSegmentIntersector(int i, int j);
    /// Releases every segment.
    virtual ~G3LineSegmentIntersector();
    G3LineSegmentIntersector(const G3LineSegmentIntersector&) = delete;
    G3LineSegmentIntersector& operator=(const G3LineSegmentIntersector&) = delete;

    /// Adds the segment p → q (three doubles each) with the caller's tag, which comes back
    /// with every crossing. Returns false and keeps nothing when p or q is null, a coordinate
    /// is not finite or exceeds 1e300 in magnitude, or the projected length is not above 1e-6.
    bool AddSegment(const double* p, const double* q, void* data);
    /// Reports every crossing to `loader` (not owned), once per touching end or proper
    /// crossing: A is the segment the sweep inserts, B one inserted before it. The point is
    /// the touching end itself, or for a proper crossing is interpolated along A in all three
    /// coordinates. Parameters run from 0 at a segment's start (its end lower on j) to 1 at
    /// its end, so sorting a segment's crossings by parameter orders them by distance from
    /// its start. A null loader or no segments report nothing. May be called again, also
    /// after more segments were added, but not from within the loader.
    void FindIntersections(G3IntersectionPointLoader* loader);
    /// True when FindIntersections would report at least one crossing; stops at the first.
    bool IntersectionExists();

    /// Number of segments kept.
    int GetSegmentCount() const { return m_Segments.size(); }
    /// First projection axis, or -1 for an intersector built on invalid axes.
    int GetAxisI() const { return m_I; }
    /// The sweep axis, or -1.
    int GetAxisJ() const { return m_J; }
    /// The axis left out of the projection, or -1.
    int GetAxisK() const { return m_K; }

protected:
    /// Moves the next segment and every following one that starts within 1e-6 above it on
    /// j into the batch, and sets the sweep position to its start. False when none is left.
    bool GetNextInsertionPoint();
    /// Retires every active segment that ends at or below the sweep position − 1e-6 on j.
    void RemoveOldSegments();
    /// Tests `s` against each active segment whose i-range meets its own within 1e-6.
    /// Reports to `loader`; a null loader only counts and stops at the first crossing.
    /// Returns the number of crossings found.
    int FindIntersection(G3IntersectionPointLoader* loader, G3Segment* s);
    /// Inserts the batch from its last segment to its first, testing each against the
    /// active segments (earlier members of the batch included). With a null loader, stops
    /// and returns true at the first crossing; otherwise returns whether any was reported.
    bool FindIntersectionsInBatch(G3IntersectionPointLoader* loader);
    /// Orders two segment slots by their start on the sweep axis (`context` points to it, an
    /// int): -1, 0 or 1 by exact comparison.
    static int ScanCmp(const void* slotA, const void* slotB, const void* context);

private:
    struct ActiveIndex;

    bool Sweep(G3IntersectionPointLoader* loader);
    // True while the active index covers exactly the segments held (during a sweep, and
    // after one until more segments are added); the protected steps do nothing otherwise.
    bool HasIndex() const;
    int TestPair(G3IntersectionPointLoader* loader, const G3Segment* s, const G3Segment* t) const;
    G3Segment* SegmentAt(int n) const;

    GMemoryAllocator m_Allocator;
    GArrayCollection m_Segments;
    // Invariant during a sweep: holds exactly the segments inserted and not yet retired.
    ActiveIndex* m_Active = nullptr;
    int m_I = -1;
    int m_J = -1;
    int m_K = -1;
    double m_Position = 0;
    // The batch is the sorted segments [m_BatchBegin, m_Next).
    int m_BatchBegin = 0;
    int m_Next = 0;
};
