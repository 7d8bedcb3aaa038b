#pragma once

#include "polykern/PolykernExport.h"
#include "polykern/clipping/GPathLoader.h"

/// What DoIntersect reports when the union has two contours or more: with
/// BOOLEAN_OPERATION_OUTER the outer boundaries only (holes are told apart first), with
/// BOOLEAN_OPERATION_ALL every contour, with any other value none. A union of one contour
/// is always reported.
enum BOOLEAN_OPERATION : int {
    BOOLEAN_OPERATION_NONE = 0,
    BOOLEAN_OPERATION_OUTER = 1,
    BOOLEAN_OPERATION_ALL = 2
};

/// Forms the union of the regions that contours and triangles bound in a coordinate plane
/// (each by the even-odd rule on its own) and hands the contours of the union back through
/// the pure virtual Unload callbacks, which the host implements. Points closer than 1e-5
/// are taken as one. Reusable: after DoIntersect (or a new LoadBegin) it is as constructed.
class POLYKERN_API G3ContourIntersector {
public:
    G3ContourIntersector();
    /// Discards an unfinished load.
    virtual ~G3ContourIntersector();
    G3ContourIntersector(const G3ContourIntersector&) = delete;
    G3ContourIntersector& operator=(const G3ContourIntersector&) = delete;

    /// Starts a load on the axes i (x) and j (y), discarding any earlier one. Axes outside
    /// 0 … 2 or equal make a load that keeps nothing.
    void LoadBegin(int i, int j);
    /// A contour starts at `first` (three doubles).
    void ContourBeginLoad(double* first);
    /// The edge from the current point to `point`, which becomes the current point.
    void ContourLoadSegment(double* point, SEGMENT_TYPE type, int tag);
    /// The closing edge back to the contour's first point; the contour counts.
    void ContourEndLoad(SEGMENT_TYPE type, int tag);
    /// The triangle a → b → c as one more contour.
    void TriangleLoad(double* a, double* b, double* c, int tagAB, int tagBC, int tagCA);
    /// Ends the load.
    void LoadEnd();
    /// Forms the union and reports it: UnloadBegin(1), per contour ContourBeginUnload(first
    /// point), ContourUnloadSegment per edge (its end point, with the type and tag the edge
    /// it lies on was loaded with) and ContourEndUnload, then UnloadEnd. Each contour runs
    /// with the union on its left. Nothing at all is reported when fewer than two edges
    /// were loaded, or without a load. The load is discarded afterwards.
    void DoIntersect(BOOLEAN_OPERATION op);

    /// The result starts; the argument is always 1.
    virtual void UnloadBegin(int count) = 0;
    /// A contour starts at `first` (valid during the call only).
    virtual void ContourBeginUnload(double* first) = 0;
    /// The contour runs on to `point`.
    virtual void ContourUnloadSegment(double* point, SEGMENT_TYPE type, int tag) = 0;
    /// The contour closes.
    virtual void ContourEndUnload() = 0;
    /// The result ends.
    virtual void UnloadEnd() = 0;

private:
    struct Load;
    void Report(BOOLEAN_OPERATION op);
    Load* m_Load = nullptr;
};
