#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "polykern/PolykernExport.h"

class G3Facet;
class G3FacetLoops;

/// The loops of the large facets one step of a Boolean reads again and again, made on
/// first use: the facets an intersection pass cuts, or the other operand's facets while
/// rays classify against them. No ring may change while the cache is in use. Internal to
/// the library.
class POLYKERN_API G3BCLoopCache {
public:
    G3BCLoopCache();
    ~G3BCLoopCache();
    G3BCLoopCache(const G3BCLoopCache&) = delete;
    G3BCLoopCache& operator=(const G3BCLoopCache&) = delete;

    /// The kept loops of f, or null for a facet small enough to walk each time, and
    /// through `boxes` the boxes of those loops, six values a loop (its lowest corner,
    /// then its highest), or null.
    const G3FacetLoops* For(const G3Facet* f, const double** boxes);
    /// Whether p lies in f on axes i and j, loop by loop, with *onBoundary telling
    /// whether it lies on an edge or a vertex: the answers of G3Facet::PointInFacet. A
    /// large facet's loops whose boxes hold no point near p are skipped, since a point
    /// outside a loop's box is outside that loop and crosses it an even number of times.
    bool PointIn(const G3Facet* f, int i, int j, const double* p, double tol, bool* onBoundary);

private:
    struct Entry {
        std::unique_ptr<G3FacetLoops> loops;
        std::vector<double> boxes;  // six values a loop, its lowest corner then its highest
        int walks = 0;              // point tests that walked the ring before it was kept
    };
    // The entry of a large facet, its loops read at once (`now`) or once it is walked
    // often; null for a small facet.
    Entry* Find(const G3Facet* f, bool now);
    const double* BoxesOf(Entry* entry);

    std::unordered_map<const G3Facet*, Entry> m_Entries;
};
