#pragma once

// Plane bodies (Sheetlink_Body) for the modeler suites, and their measures.

#include <vector>

#include "sheetlink/Sheetlink_Body.h"

namespace pktest {

/// A plane's material, colour and layer.
struct PlaneAttributes {
    unsigned short material = 0;
    int color = 0;
    unsigned short layer = 0;
};

/// One polygon of a body: its corners, counter-clockwise seen from outside.
using Polygon = std::vector<std::vector<double>>;

/// A new body with one plane per polygon, each ring closed by a repeat of its first corner,
/// every plane with `attributes`. The caller owns it.
Sheetlink_Body* MakeBody(const std::vector<Polygon>& polygons, PlaneAttributes attributes = {});
/// The box [x0, x1] × [y0, y1] × [z0, z1] as a body of six outward planes.
Sheetlink_Body* MakeBoxBody(double x0,
                            double y0,
                            double z0,
                            double x1,
                            double y1,
                            double z1,
                            PlaneAttributes attributes = {});
/// The prism over a plan outline (x, y pairs, counter-clockwise seen from above) from z0 up
/// to z1: floor, roof and one wall per outline side, all outward.
Sheetlink_Body* MakePrismBody(const std::vector<std::vector<double>>& outline,
                              double z0,
                              double z1,
                              PlaneAttributes attributes = {});
/// An L-shaped building 3 high on the 8 × 6 plan without its 4 × 3 corner at (4..8, 3..6),
/// moved by (dx, dy, dz). Volume 108.
Sheetlink_Body* MakeLBuildingBody(double dx, double dy, double dz, PlaneAttributes attributes = {});
/// The signed volume the planes enclose (positive for outward rings); null gives 0.
double BodyVolume(const Sheetlink_Body* body);
/// The total area of the planes; null gives 0.
double BodyArea(const Sheetlink_Body* body);
/// The area of the planes whose material is `material`.
double BodyAreaOfMaterial(const Sheetlink_Body* body, unsigned short material);
/// Whether every plane has at least three corners and its ring closes on its first point.
bool PlanesAreClosedRings(const Sheetlink_Body* body);

}  // namespace pktest
