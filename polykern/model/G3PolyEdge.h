#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/foundation/GPooled.h"
#include "polykern/model/G3Obj.h"

class G3Point;
class G3Surface;
class G3Vertex;

/// Poly-edge flag bits in the G3Obj flag word.
enum G3POLYEDGE_FLAGS : int32_t { G3POLYEDGE_CLOSED = 0x1 };

/// A polyline: a run of `count` vertex pointers from index `start` of an array its surface
/// keeps. May carry a record of four points, a matrix and a graphic handle.
class POLYKERN_API G3PolyEdge : public G3Obj {
    PK_DECLARE_POOL(G3PolyEdge)

public:
    G3PolyEdge() = default;
    G3PolyEdge(int count, int start) : m_Count(count), m_Start(start) {}

    /// The G3Obj members, count and start.
    void Copy(GObj* from) override;
    G3PolyEdge* Duplicate() override;
    int GetObjectType() override { return 1; }

    bool GetClosed() const { return (GetFlags() & G3POLYEDGE_CLOSED) != 0; }
    void SetClosed(bool closed);
    int GetVertexCount() const { return m_Count; }
    int GetStart() const { return m_Start; }
    /// The poly-edge's own vertices: array + start.
    G3Vertex** GetEdges(G3Vertex** array) const { return array + m_Start; }
    /// The ends of segment k; the last segment wraps to the first vertex.
    void GetEdge(G3Vertex** array, int k, G3Vertex** a, G3Vertex** b) const;

    /// Attaches (or overwrites) the record of four points and a matrix.
    void SetExtEdgeData(G3Surface* s,
                        const G3Point& p1,
                        const G3Point& p2,
                        const G3Point& p3,
                        const G3Point& p4,
                        const double m[4][4]);
    /// Reads the record; outputs untouched, false, when there is none.
    bool GetExtEdgeData(G3Point* p1, G3Point* p2, G3Point* p3, G3Point* p4, double m[4][4]) const;
    /// The record's graphic handle; null without a record.
    void* GetGraphic() const;
    /// False when there is no record to hold the handle.
    bool SetGraphic(void* graphic);

private:
    int m_Count = 0;
    int m_Start = 0;
};
