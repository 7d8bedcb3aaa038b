#pragma once

#include <cstdint>
#include <utility>
#include <vector>

class G3Segment;

/// Finds, among segments projected onto the plane (x_i, x_j), every pair that may cross or
/// touch within 1e-6: each pair that crosses, and each pair where an end of one lies within
/// 1e-6 of the other's line inside the other's range, is among those returned (with some
/// pairs that do neither, which the caller tests). Internal to the library.
///
/// Cost: O((n + k + m) log n) for n segments, k crossing pairs and m pairs that come within
/// about 1e-5 of each other, by two ordered sweeps, one along each axis; up to 16 segments,
/// every pair is returned.
class G3SegmentPairFinder {
public:
    /// Pairs of indices into `segments` (the first smaller), sorted, each once. The segments
    /// are expected finite and longer than 1e-6 in the plane.
    static std::vector<std::pair<int, int>> Find(const std::vector<const G3Segment*>& segments,
                                                 int i,
                                                 int j);
};
