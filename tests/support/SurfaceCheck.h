#pragma once

// Checkers of the invariants a user of a surface relies on. Each returns an
// AssertionResult that says what is wrong.

#include <gtest/gtest.h>

#include "polykern/model/G3Surface.h"

namespace pktest {

/// Every entity's identifier equals its index; every facet ring is closed and head to
/// tail; every vertex list is consistent.
::testing::AssertionResult IsWellFormed(const G3Surface* s);
/// Every edge carries two facets that walk it in opposite directions, each facet read loop
/// by loop.
::testing::AssertionResult IsClosedAndOriented(const G3Surface* s);
/// V − E + F.
int EulerCharacteristic(const G3Surface* s);
/// The signed volume enclosed, from the facets' ring orientation.
double SignedVolume(const G3Surface* s);
/// The total area of the facets.
double Area(const G3Surface* s);
/// The signed volume is `volume` within relTol·|volume|.
::testing::AssertionResult HasVolume(const G3Surface* s, double volume, double relTol = 1e-9);
/// Well formed, closed, every edge walked once each way, and of the signed volume given.
::testing::AssertionResult IsClosedWithVolume(const G3Surface* s,
                                              double volume,
                                              double relTol = 1e-9);

/// A vertical facet whose corners all lie in the plan square [x0, x1]².
bool IsWallInSquare(G3Facet* f, double x0, double x1);

}  // namespace pktest
