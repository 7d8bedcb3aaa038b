#include "polykern/boolean/G3BCLoopCache.h"

#include "polykern/model/G3Edge.h"
#include "polykern/model/G3Facet.h"
#include "polykern/model/G3FacetLoops.h"
#include "polykern/model/G3Vertex.h"

namespace {

constexpr int kLarge = 32;  // ring edges; smaller facets are walked each time
// A point test walks a large facet this many times before its loops are kept: reading
// them costs some walks, and most facets are asked only once or twice.
constexpr int kWalksFirst = 4;

}  // namespace

G3BCLoopCache::G3BCLoopCache() = default;
G3BCLoopCache::~G3BCLoopCache() = default;

G3BCLoopCache::Entry* G3BCLoopCache::Find(const G3Facet* f, bool now) {
    int n = 0;
    for (const G3Edge* e = f->GetFirstEdge(); e != nullptr && n <= kLarge; e = f->NextEdge(e)) ++n;
    if (n <= kLarge) return nullptr;
    Entry& entry = m_Entries[f];
    if (entry.loops == nullptr && (now || ++entry.walks > kWalksFirst))
        entry.loops = std::make_unique<G3FacetLoops>(f);
    return &entry;
}

const double* G3BCLoopCache::BoxesOf(Entry* entry) {
    const G3FacetLoops& loops = *entry->loops;
    if (entry->boxes.empty()) {
        entry->boxes.resize(std::size_t(6 * loops.GetLoopCount()));
        for (int l = 0; l < loops.GetLoopCount(); ++l) {
            double* box = &entry->boxes[std::size_t(6 * l)];
            if (loops.LoopBegin(l) == loops.LoopEnd(l)) continue;
            const double* first = loops.Vertex(loops.LoopBegin(l))->GetXYZ();
            for (int k = 0; k < 3; ++k) box[k] = box[3 + k] = first[k];
            for (int v = loops.LoopBegin(l); v < loops.LoopEnd(l); ++v) {
                const double* q = loops.Vertex(v)->GetXYZ();
                for (int k = 0; k < 3; ++k) {
                    if (q[k] < box[k]) box[k] = q[k];
                    if (q[k] > box[3 + k]) box[3 + k] = q[k];
                }
            }
        }
    }
    return entry->boxes.data();
}

const G3FacetLoops* G3BCLoopCache::For(const G3Facet* f, const double** boxes) {
    Entry* entry = Find(f, true);
    *boxes = entry != nullptr ? BoxesOf(entry) : nullptr;
    return entry != nullptr ? entry->loops.get() : nullptr;
}

bool G3BCLoopCache::PointIn(
    const G3Facet* f, int i, int j, const double* p, double tol, bool* onBoundary) {
    G3Vertex *hitA = nullptr, *hitB = nullptr;
    Entry* entry = Find(f, false);
    bool in;
    if (entry == nullptr || entry->loops == nullptr || !entry->loops->IsClosed()) {
        in = f->PointInFacet(i, j, p, &hitA, &hitB, tol);
    } else {
        const G3FacetLoops& loops = *entry->loops;
        in = f->PointInLoops(i, j, p, loops, BoxesOf(entry), &hitA, &hitB, tol);
    }
    if (onBoundary != nullptr) *onBoundary = in && hitA != nullptr;
    return in;
}
