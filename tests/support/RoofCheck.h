#pragma once

// Roofs for tests: outlines of buildings, a one-call build, and the checker of what every
// roof must satisfy whatever its outline.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "polykern/model/G3Surface.h"
#include "tests/support/SurfaceShapes.h"

class G3RoofGenerator;

namespace pktest {

/// An outline with one pitch in degrees per edge (edge i from point i to point i + 1).
struct RoofOutline {
    std::vector<PlanPoint> points;
    std::vector<double> pitches;
};

/// The outline with every edge at one pitch.
RoofOutline UniformRoof(const std::vector<PlanPoint>& points, double degrees);
/// Turns the outline by `radians` about the origin, then moves it by (dx, dy).
RoofOutline MovedRoof(const RoofOutline& r, double radians, double dx, double dy);
/// The same outline entered the other way round (pitches stay with their edges).
RoofOutline ReversedRoof(const RoofOutline& r);

/// The result of one build.
struct RoofBuild {
    bool ok = false;
    G3Surface* surface = nullptr;  // owned by the caller
    int pitchCount = 0;
};
/// Builds the roof through the generator's usual steps (prepare, overhang, initialise,
/// build, fascia when `fascia`). The surface is made even when the build fails.
RoofBuild BuildRoof(const RoofOutline& r,
                    double thickness = 0.0,
                    double overhang = 0.0,
                    bool fascia = false);

/// Plan area of the outline (positive).
double OutlineArea(const std::vector<PlanPoint>& points);
/// Sum of the plan areas of the facets (signed: up-facing positive).
double PlanArea(const G3Surface* s);

/// Every facet faces up and lies in its plane; the plan areas add up to the outline's and no
/// two facets overlap in plan; with one pitch, sloped area = footprint / cos(pitch); every
/// edge off the outline and off the gable walls is shared by two facets walking it both
/// ways; no height exceeds the steepest pitch times the distance from the nearest eave. For a roof
/// without thickness or overhang, at height 0.
::testing::AssertionResult IsSoundRoof(const G3Surface* s, const RoofOutline& r);

/// Random outlines for the sweeps; each answers a simple outline.
RoofOutline RandomOrthogonalRoof(std::mt19937& rng);
RoofOutline RandomStarRoof(std::mt19937& rng, int n);
RoofOutline RegularRoof(int n, double radius, double degrees);
/// Random pitches (15° to 60°) and gables on some straight runs of an outline.
RoofOutline WithMixedPitches(const RoofOutline& r, std::mt19937& rng, bool gables);

}  // namespace pktest
