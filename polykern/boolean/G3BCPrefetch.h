#pragma once

// Walks over the facets of a large surface wait on memory rather than on arithmetic: the
// facet, its first edges and their ends are fetched a few facets ahead of their turn, each
// step from the one fetched before it, so that several fetches are in flight at once.
// Prefetching changes no result.

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"

namespace g3bcprefetch {

/// Starts the fetches for the facets a walk meets some steps after step k; at(i) must give
/// the facet walked when i steps remain (the walk runs k, k − 1, …, 0), never null. With
/// `thirdEdge` false the walk reads no third ring edge (a triangle's ends are those of its
/// first two edges), and that edge is not fetched.
template <class At>
inline void PrefetchRing(int k, const At& at, bool thirdEdge = true) {
    constexpr int kFacetAhead = 32, kEdgeAhead = 24, kEndAhead = 16, kNextAhead = 8;
    if (k >= kFacetAhead) __builtin_prefetch(at(k - kFacetAhead));
    if (k >= kEdgeAhead) __builtin_prefetch(at(k - kEdgeAhead)->GetFirstEdge());
    if (k >= kEndAhead) {
        const G3Facet* f = at(k - kEndAhead);
        if (const G3Edge* e = f->GetFirstEdge()) {
            __builtin_prefetch(e->GetVertex1());
            __builtin_prefetch(e->GetVertex2());
            __builtin_prefetch(e->NextInFacet(f));
        }
    }
    if (k >= kNextAhead) {
        const G3Facet* f = at(k - kNextAhead);
        const G3Edge* e = f->GetFirstEdge();
        if (e != nullptr && (e = e->NextInFacet(f)) != nullptr) {
            __builtin_prefetch(e->GetVertex1());
            __builtin_prefetch(e->GetVertex2());
            if (thirdEdge) __builtin_prefetch(e->NextInFacet(f));
        }
    }
}

}  // namespace g3bcprefetch
