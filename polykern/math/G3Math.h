#pragma once

#include "polykern/PolykernExport.h"

class G3Vertex;
class GEnvelope;
class GIterator;

/// Planar predicates in a chosen coordinate plane (axes i and j: 0 = x, 1 = y, 2 = z)
/// and small vector helpers. All static; never instantiated.
class POLYKERN_API G3Math {
public:
    G3Math() = delete;

    /// Twice the signed area of a, b, c in the (i, j) plane; positive for a left turn.
    static double GetArea2(const double* a, const double* b, const double* c, int i, int j);
    /// 0 when |GetArea2| < 1e-12, else its sign.
    static int GetAreaSign(const double* a, const double* b, const double* c, int i, int j);
    /// GetAreaSign is 0.
    static bool IsCollinear(const double* a, const double* b, const double* c, int i, int j);
    /// The turn at (x2, y2): (x1 − x2)·(y3 − y2) − (y1 − y2)·(x3 − x2).
    static double CalcSquare(double x1, double y1, double x2, double y2, double x3, double y3);
    /// x1·y2 − y1·x2.
    static double CalcSquare(double x1, double y1, double x2, double y2);
    /// True when p lies in the closed triangle abc in the (i, j) plane (edges count).
    static bool PointInTriangle(
        const double* p, const double* a, const double* b, const double* c, int i, int j);
    /// Direction angle of b − a in the (i, j) plane, minus `base`, in [0, 2π).
    static double CalcAngle(const double* a, const double* b, double base, int i, int j);
    /// Intersection of the lines p1p2 and p3p4 in the (i, j) plane: out := p1 + u·(p2 − p1)
    /// in all three coordinates, *t := u, returns 1. Returns 0 and leaves out and t alone
    /// for parallel lines (|denominator| < 1e-12). `t` may be null.
    static int FindLineIntersection(const double* p1,
                                    const double* p2,
                                    const double* p3,
                                    const double* p4,
                                    int i,
                                    int j,
                                    double* out,
                                    double* t);
    /// n := normalized (b − a) × (c − a); false with n = 0 when shorter than 1e-12.
    static bool CalculateNormal(const double* a, const double* b, const double* c, double* n);
    /// The two axes left when the axis of n's largest absolute component is dropped
    /// (ties drop x before y).
    static void GetMaxCoo(const double* n, int* i, int* j);

    // Point sequences: the iterators yield G3Point objects (vertices included).

    /// out := twice the vector area of the closed ring of points (Newell), not normalized.
    static void CalcSquare(GIterator* points, double* out);
    /// The vertex form of PointInTriangle.
    static bool PointInTriangle(
        const G3Vertex* p, const G3Vertex* a, const G3Vertex* b, const G3Vertex* c, int i, int j);
    /// The vertex form of CalcAngle.
    static double CalcAngle(const G3Vertex* a, const G3Vertex* b, double base, int i, int j);
    /// env := the box of the points and true; env := the zero box and false without points.
    static bool FormEnvelope(GIterator* points, GEnvelope* env);
    /// Plane of a point ring, normal by Newell's rule about the first point, through the
    /// centroid. False, plane all 0, for fewer than three points or a normal below 1e-12.
    static bool FormPlaneEquation(GIterator* points, double* plane);
    /// The same over n points given by their coordinates, with the same arithmetic.
    static bool FormPlaneEquation(int n, const double* const* points, double* plane);
    /// Plane of the largest triangle of the fan from the first point; false (plane 0) when
    /// its area is below 1e-12 or there are fewer than three points.
    static bool FormMaxPlane(GIterator* points, double* plane);
    /// The corner planes of the ring averaged (d over the corners that fitted), and the
    /// projection axes of the result. For collinear points a plane through the longest
    /// edge is returned with false; (0, 0, 1) when no direction can be derived.
    static bool FormMaxPlaneCoo(GIterator* points, int* i, int* j, double* plane);
    /// 0 no turn, 1 turns one way only (convex), 2 both ways (concave), every corner of the
    /// closed ring included; turns below 1e-6 are ignored.
    static int ConvexTest(GIterator* points, int i, int j);
};
